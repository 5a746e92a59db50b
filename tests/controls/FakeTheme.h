#pragma once
// A theme library for tests: every class opens, parts have fixed sizes and insets, colours are
// configurable, and the drawing calls are recorded.

#include <map>
#include <string>
#include <vector>

#include "controls/kcThemeManager.h"

struct TFakeTheme : TThemeProvider {
  struct Call {
    std::string op;  // "Background", "Text", "Edge"
    std::u16string classList;
    int part = 0, state = 0;
    RECT rect{};
    std::u16string text;
    DWORD flags = 0;
  };
  bool Loaded() override { return true; }
  BOOL IsThemeActive() override { return Active; }
  HTHEME OpenThemeData(HWND, std::u16string_view classList) override {
    ++Opens;
    HTHEME h(static_cast<std::uintptr_t>(++fNext));
    fClass[h.value] = std::u16string(classList);
    return h;
  }
  HRESULT CloseThemeData(HTHEME) override {
    ++Closes;
    return S_OK;
  }
  HRESULT DrawThemeBackground(HTHEME t, HDC, int part, int state, const RECT* r, const RECT*) override {
    Calls.push_back({"Background", fClass[t.value], part, state, *r, {}, 0});
    return S_OK;
  }
  HRESULT DrawThemeEdge(HTHEME t, HDC, int part, int state, const RECT* r, UINT edge, UINT, RECT*) override {
    Calls.push_back({"Edge", fClass[t.value], part, state, *r, {}, edge});
    return S_OK;
  }
  HRESULT DrawThemeText(HTHEME t, HDC, int part, int state, std::u16string_view text, int, DWORD flags, DWORD,
                        const RECT* r) override {
    Calls.push_back({"Text", fClass[t.value], part, state, *r, std::u16string(text), flags});
    return S_OK;
  }
  HRESULT GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT* b, RECT* c) override {
    *c = RECT{b->left + Inset, b->top + Inset, b->right - Inset, b->bottom - Inset};
    return S_OK;
  }
  HRESULT GetThemePartSize(HTHEME, HDC, int, int, const RECT*, int, SIZE* size) override {
    *size = PartSize;
    return S_OK;
  }
  HRESULT GetThemeColor(HTHEME, int, int, int propId, COLORREF* c) override {
    *c = 0x010000 + static_cast<COLORREF>(propId);
    return S_OK;
  }
  BOOL IsThemeBackgroundPartiallyTransparent(HTHEME, int, int) override { return Transparent; }
  HRESULT GetCurrentThemeName(std::u16string* file, std::u16string* color, std::u16string*) override {
    *file = FileName;
    *color = ColorName;
    return S_OK;
  }
  BOOL Active = TRUE;
  int Opens = 0, Closes = 0, Inset = 3;
  SIZE PartSize{13, 13};
  BOOL Transparent = FALSE;
  std::u16string FileName = u"C:\\Windows\\Resources\\Themes\\Luna\\Luna.msstyles", ColorName = u"NormalColor";
  std::vector<Call> Calls;

private:
  int fNext = 0;
  std::map<std::uintptr_t, std::u16string> fClass;
};

// Installs a provider for one test and puts the no-theme one back afterwards.
struct TThemeScope {
  explicit TThemeScope(TThemeProvider* p) {
    SetThemeProvider(p);
    InitThemeManager();
  }
  ~TThemeScope() {
    SetThemeProvider(nullptr);
    InitThemeManager();
  }
};
