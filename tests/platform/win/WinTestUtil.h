#pragma once
// Windows for the window-layer tests: a class with double clicks, and per-window handlers
// that run before the default procedure.

#include <functional>
#include <optional>

#include "platform/win/TestDriver.h"
#include "platform/win/Windows.h"

using THandler = std::function<std::optional<LRESULT>(HWND, UINT, WPARAM, LPARAM)>;

inline void RegisterTestClasses() {
  WNDCLASS wc;
  wc.style = CS_DBLCLKS;
  wc.lpszClassName = "TestWnd";
  RegisterClass(wc);
  wc.style = 0;
  wc.lpszClassName = "TestWndNoDbl";
  RegisterClass(wc);
}

inline void Handle(HWND wnd, THandler handler) {
  WNDPROC previous = GetWindowProc(wnd);
  SetWindowProc(wnd, [handler, previous](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (auto r = handler(h, m, w, l)) return *r;
    return CallWindowProc(previous, h, m, w, l);
  });
}

inline HWND MakeTop(TTestSession& s, const char* name, RECT r, DWORD style = WS_POPUP | WS_VISIBLE, DWORD ex = 0,
                    HWND owner = {}, const char* cls = "TestWnd") {
  RegisterTestClasses();
  HWND h = CreateWindowEx(ex, cls, name, style, r.left, r.top, r.right - r.left, r.bottom - r.top, owner);
  s.Name(h, name);
  return h;
}

inline HWND MakeChild(TTestSession& s, const char* name, HWND parent, RECT r, DWORD style = WS_CHILD | WS_VISIBLE,
                      DWORD ex = 0, const char* cls = "TestWnd") {
  RegisterTestClasses();
  HWND h = CreateWindowEx(ex, cls, name, style | WS_CHILD, r.left, r.top, r.right - r.left, r.bottom - r.top, parent);
  s.Name(h, name);
  return h;
}
