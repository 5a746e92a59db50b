#include "platform/win/UxTheme.h"

namespace {
TThemeProvider gNoTheme;
TThemeProvider* gProvider = &gNoTheme;
}  // namespace

TThemeProvider& ThemeProvider() { return *gProvider; }
void SetThemeProvider(TThemeProvider* provider) { gProvider = provider ? provider : &gNoTheme; }

HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* r) {
  HGDIOBJ font = GetCurrentObject(dc, OBJ_FONT);
  HRESULT result = ThemeProvider().DrawThemeParentBackground(wnd, dc, r);
  if (GetCurrentObject(dc, OBJ_FONT) != font) SelectObject(dc, font);
  return result;
}
