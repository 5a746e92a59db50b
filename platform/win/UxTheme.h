#pragma once
// The visual-styles library as a replaceable provider. This system has no theme library: the
// installed provider answers "not loaded", so every caller takes its plain-drawing path. Tests
// install a provider of their own to drive the themed paths.

#include <string>
#include <string_view>

#include "platform/gdi/WinGdi.h"

using HRESULT = long;
constexpr HRESULT S_OK = 0, S_FALSE = 1, E_FAIL = static_cast<HRESULT>(0x80004005L);
constexpr int TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2;  // GetThemePartSize kinds

class TThemeProvider {
public:
  virtual ~TThemeProvider() = default;
  // Whether the library is present at all (HasThemeLibrary).
  virtual bool Loaded() { return false; }
  virtual BOOL IsThemeActive() { return FALSE; }
  virtual HTHEME OpenThemeData(HWND, std::u16string_view /*classList*/) { return HTHEME(); }
  virtual HRESULT CloseThemeData(HTHEME) { return E_FAIL; }
  virtual HRESULT DrawThemeBackground(HTHEME, HDC, int /*part*/, int /*state*/, const RECT*, const RECT* /*clip*/) {
    return E_FAIL;
  }
  virtual HRESULT DrawThemeEdge(HTHEME, HDC, int, int, const RECT*, UINT /*edge*/, UINT /*flags*/, RECT* /*content*/) {
    return E_FAIL;
  }
  virtual HRESULT DrawThemeParentBackground(HWND, HDC, const RECT*) { return E_FAIL; }
  virtual HRESULT DrawThemeText(HTHEME, HDC, int, int, std::u16string_view /*text*/, int /*charCount*/, DWORD /*flags*/,
                                DWORD /*flags2*/, const RECT*) {
    return E_FAIL;
  }
  virtual HRESULT GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT*, RECT*) { return E_FAIL; }
  virtual HRESULT GetThemeBackgroundRegion(HTHEME, HDC, int, int, const RECT*, HRGN*) { return E_FAIL; }
  virtual HRESULT GetThemePartSize(HTHEME, HDC, int, int, const RECT*, int /*sizeKind*/, SIZE*) { return E_FAIL; }
  virtual HRESULT GetThemeColor(HTHEME, int, int, int /*propId*/, COLORREF*) { return E_FAIL; }
  virtual BOOL IsThemeBackgroundPartiallyTransparent(HTHEME, int, int) { return FALSE; }
  virtual HRESULT GetCurrentThemeName(std::u16string* /*fileName*/, std::u16string* /*colorName*/,
                                      std::u16string* /*sizeName*/) {
    return E_FAIL;
  }
};

// The installed provider; null installs the one without a library. The caller keeps ownership.
TThemeProvider& ThemeProvider();
void SetThemeProvider(TThemeProvider* provider);

inline bool HasThemeLibrary() { return ThemeProvider().Loaded(); }
inline BOOL IsThemeActive() { return ThemeProvider().IsThemeActive(); }
inline HTHEME OpenThemeData(HWND wnd, std::u16string_view classList) {
  return ThemeProvider().OpenThemeData(wnd, classList);
}
inline HRESULT CloseThemeData(HTHEME theme) { return ThemeProvider().CloseThemeData(theme); }
inline HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int part, int state, const RECT* r, const RECT* clip) {
  return ThemeProvider().DrawThemeBackground(theme, dc, part, state, r, clip);
}
inline HRESULT DrawThemeEdge(HTHEME theme, HDC dc, int part, int state, const RECT* r, UINT edge, UINT flags,
                             RECT* content) {
  return ThemeProvider().DrawThemeEdge(theme, dc, part, state, r, edge, flags, content);
}
// Keeps the font selected into the DC (a provider may replace it).
HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* r);
inline HRESULT DrawThemeText(HTHEME theme, HDC dc, int part, int state, std::u16string_view text, int charCount,
                             DWORD flags, DWORD flags2, const RECT* r) {
  return ThemeProvider().DrawThemeText(theme, dc, part, state, text, charCount, flags, flags2, r);
}
inline HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int part, int state, const RECT* bounds,
                                             RECT* content) {
  return ThemeProvider().GetThemeBackgroundContentRect(theme, dc, part, state, bounds, content);
}
inline HRESULT GetThemeBackgroundRegion(HTHEME theme, HDC dc, int part, int state, const RECT* r, HRGN* region) {
  return ThemeProvider().GetThemeBackgroundRegion(theme, dc, part, state, r, region);
}
inline HRESULT GetThemePartSize(HTHEME theme, HDC dc, int part, int state, const RECT* r, int sizeKind, SIZE* size) {
  return ThemeProvider().GetThemePartSize(theme, dc, part, state, r, sizeKind, size);
}
inline HRESULT GetThemeColor(HTHEME theme, int part, int state, int propId, COLORREF* color) {
  return ThemeProvider().GetThemeColor(theme, part, state, propId, color);
}
inline BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int part, int state) {
  return ThemeProvider().IsThemeBackgroundPartiallyTransparent(theme, part, state);
}
inline HRESULT GetCurrentThemeName(std::u16string* fileName, std::u16string* colorName, std::u16string* sizeName) {
  return ThemeProvider().GetCurrentThemeName(fileName, colorName, sizeName);
}
