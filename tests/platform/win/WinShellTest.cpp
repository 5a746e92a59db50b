// The real Qt shell under the offscreen platform: a click on a host widget reaches the right
// child window in its client coordinates, and the host shows the retained picture.

#include <gtest/gtest.h>

#include "WinTestUtil.h"
#include "platform/win/QtShell.h"
#include "platform/win/ShellApi.h"

TEST(WinShell, ClickThroughQtReachesChildInClientCoordinates) {
  EnsureShellApplication();
  win::ResetAll();
  InstallQtShell();
  RegisterTestClasses();
  HWND top = CreateWindowEx(0, "TestWnd", "T", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, {});
  HWND child = CreateWindowEx(0, "TestWnd", "C", WS_CHILD | WS_VISIBLE, 20, 30, 100, 100, top);
  std::vector<std::pair<UINT, POINT>> got;
  Handle(child, [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN || m == WM_LBUTTONUP) got.push_back({m, Point(GET_X_LPARAM(l), GET_Y_LPARAM(l))});
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(child, &ps);
      RECT r{0, 0, 100, 100};
      HBRUSH b = CreateSolidBrush(RGB(255, 0, 0));
      FillRect(dc, &r, b);
      DeleteObject(b);
      EndPaint(child, &ps);
      return 0;
    }
    return std::nullopt;
  });
  ASSERT_TRUE(QtShellHasHost(top));
  EXPECT_FALSE(QtShellHasHost(child));
  EXPECT_TRUE(QtShellHostVisible(top));
  EXPECT_EQ(QtShellHostRect(top), (RECT{100, 100, 300, 300}));
  ASSERT_TRUE(QtShellSendMouseClick(top, Point(35, 45)));
  MSG m;
  while (PeekMessage(&m, {}, 0, 0, PM_REMOVE)) {
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].first, WM_LBUTTONDOWN);
  EXPECT_EQ(got[0].second, Point(15, 15));
  EXPECT_EQ(got[1].first, WM_LBUTTONUP);
  // The host blits the surface: the child's red fill shows at its place.
  EXPECT_EQ(QtShellHostPixel(top, Point(30, 40)), RGB(255, 0, 0));
  // A close request from the window system becomes WM_CLOSE, and the default destroys.
  ASSERT_TRUE(QtShellSendClose(top));
  EXPECT_FALSE(IsWindow(top));
  RemoveQtShell();
  win::ResetAll();
}

TEST(WinShell, QtKeysMapToVirtualKeys) {
  struct Case {
    const char* key;
    bool keypad;
    WORD vk;
  };
  for (const Case& c :
       {Case{"Key_A", false, 'A'}, Case{"Key_5", false, '5'}, Case{"Key_5", true, VK_NUMPAD0 + 5},
        Case{"Key_Escape", false, VK_ESCAPE}, Case{"Key_Enter", true, VK_RETURN}, Case{"Key_F4", false, VK_F4},
        Case{"Key_PageDown", false, VK_NEXT}, Case{"Key_Control", false, VK_CONTROL}, Case{"Key_Plus", true, VK_ADD},
        Case{"Key_Asterisk", true, VK_MULTIPLY}, Case{"Key_Asterisk", false, '8'},
        Case{"Key_NoSuchKey", false, 0}})
    EXPECT_EQ(VirtualKeyFromQtKeyName(c.key, c.keypad), c.vk) << c.key;
}

// Files dragged from the desktop: only a window that asked for them gets WM_DROPFILES, with the
// point in its client coordinates and every path readable through the drop handle.
TEST(WinShell, FileDropReachesAcceptingWindow) {
  EnsureShellApplication();
  win::ResetAll();
  InstallQtShell();
  RegisterTestClasses();
  HWND top = CreateWindowEx(0, "TestWnd", "T", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, {});
  HWND child = CreateWindowEx(0, "TestWnd", "C", WS_CHILD | WS_VISIBLE, 20, 30, 100, 100, top);
  CreateWindowEx(0, "TestWnd", "I", WS_CHILD | WS_VISIBLE, 50, 50, 20, 20, child);
  const String odd = "/tmp/caf\xC3\xA9 \xFF.sql";  // not UTF-8 as a whole: passed on as its bytes
  std::vector<String> paths;
  POINT at{};
  BOOL inClient = FALSE;
  HDROP seen;
  Handle(child, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_DROPFILES) return std::nullopt;
    seen = HDROP(static_cast<std::uintptr_t>(w));
    const UINT n = DragQueryFile(seen, 0xFFFFFFFFu, nullptr, 0);
    for (UINT i = 0; i < n; ++i) {
      String p(DragQueryFile(seen, i, nullptr, 0), '\0');
      EXPECT_EQ(DragQueryFile(seen, i, p.data(), static_cast<UINT>(p.size() + 1)), p.size());
      paths.push_back(p);
    }
    // A short buffer gets whole characters only, NUL-terminated.
    char small[10];
    EXPECT_EQ(DragQueryFile(seen, 1, small, sizeof small), 8u);
    EXPECT_STREQ(small, "/tmp/caf");
    EXPECT_EQ(DragQueryFile(seen, n, small, sizeof small), 0u);
    inClient = DragQueryPoint(seen, &at);
    DragFinish(seen);
    return 0;
  });
  auto pump = [] {
    MSG m;
    while (PeekMessage(&m, {}, 0, 0, PM_REMOVE)) DispatchMessage(&m);
  };
  // Nobody accepts files yet: the shell refuses the drag.
  EXPECT_FALSE(QtShellSendFileDrop(top, Point(40, 50), {"/tmp/a.sql"}));
  DragAcceptFiles(child, TRUE);
  EXPECT_TRUE(GetWindowLong(child, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  // Dropped on a window inside it: the nearest accepting ancestor takes it.
  ASSERT_TRUE(QtShellSendFileDrop(top, Point(75, 85), {"/tmp/a.sql", odd}));
  pump();
  EXPECT_EQ(paths, (std::vector<String>{"/tmp/a.sql", odd}));
  EXPECT_EQ(at, Point(55, 55));
  EXPECT_TRUE(inClient);
  // A finished handle reads as nothing.
  EXPECT_EQ(DragQueryFile(seen, 0xFFFFFFFFu, nullptr, 0), 0u);
  EXPECT_FALSE(DragQueryPoint(seen, &at));
  // Outside the accepting window, or after it stops accepting, the drop is refused.
  EXPECT_FALSE(QtShellSendFileDrop(top, Point(10, 10), {"/tmp/a.sql"}));
  DragAcceptFiles(child, FALSE);
  EXPECT_FALSE(QtShellSendFileDrop(top, Point(40, 50), {"/tmp/a.sql"}));
  EXPECT_FALSE(PostFileDrop(Point(140, 150), {"/tmp/a.sql"}));
  RemoveQtShell();
  win::ResetAll();
}

// Input the window system queued (Qt's posted events) is seen by a peek, with nothing else
// running the message loop: a loop that only handles pending messages keeps the window alive.
// Events delivered while the host is inside such a peek, or painting, are not delivered again
// from inside their own handlers: a peek there takes only what is queued already.
TEST(WinShell, PeekTakesTheWindowSystemsPendingInputWithoutReentering) {
  EnsureShellApplication();
  win::ResetAll();
  InstallQtShell();
  RegisterTestClasses();
  HWND top = CreateWindowEx(0, "TestWnd", "T", WS_POPUP | WS_VISIBLE, 100, 100, 200, 200, {});
  HWND child = CreateWindowEx(0, "TestWnd", "C", WS_CHILD | WS_VISIBLE, 20, 30, 100, 100, top);
  std::vector<String> got;
  bool peekInPaint = false, peekInClose = false;
  Handle(child, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_LBUTTONDOWN) got.push_back("down");
    if (m == WM_KEYDOWN) got.push_back("key " + std::to_string(w));
    if (m == WM_PAINT) {
      PAINTSTRUCT ps;
      BeginPaint(child, &ps);
      EndPaint(child, &ps);
      MSG inner;
      if (peekInPaint && PeekMessage(&inner, {}, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE))
        got.push_back("click inside the paint");
      return 0;
    }
    return std::nullopt;
  });
  Handle(top, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_CLOSE) return std::nullopt;
    got.push_back("close");
    MSG inner;
    if (peekInClose && PeekMessage(&inner, {}, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE))
      got.push_back("click inside the close");
    return 0;  // the window stays
  });
  auto pump = [] {
    MSG m;
    while (PeekMessage(&m, {}, 0, 0, PM_REMOVE)) {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
  };
  pump();
  SetFocus(child);
  // A click and a key, posted as the window system does: one peek brings them in.
  ASSERT_TRUE(QtShellPostMouseClick(top, Point(35, 45)));
  ASSERT_TRUE(QtShellPostKey(top, "Key_F5", true));
  ASSERT_TRUE(QtShellPostKey(top, "Key_F5", false));
  pump();
  EXPECT_EQ(got, (std::vector<String>{"down", "key " + std::to_string(VK_F5)}));
  // An exposed window is repainted by the same peek.
  const int painted = QtShellHostPaintCount(top);
  ASSERT_TRUE(QtShellPostRepaint(top));
  pump();
  EXPECT_GT(QtShellHostPaintCount(top), painted);
  // A close delivered by the peek whose handler peeks: the click posted after it comes later.
  got.clear();
  peekInClose = true;
  ASSERT_TRUE(QtShellPostClose(top));
  ASSERT_TRUE(QtShellPostMouseClick(top, Point(60, 80)));  // apart: no double click
  pump();
  EXPECT_EQ(got, (std::vector<String>{"close", "down"}));
  // The host painting (here for a grab) with a click pending: the paint handler's peek does not
  // deliver it inside Qt's paint.
  got.clear();
  peekInPaint = true;
  InvalidateRect(child, nullptr, TRUE);
  ASSERT_TRUE(QtShellPostMouseClick(top, Point(90, 110)));
  EXPECT_NE(QtShellHostPixel(top, Point(30, 40)), CLR_INVALID);
  peekInPaint = false;
  pump();
  EXPECT_EQ(got, (std::vector<String>{"down"}));
  RemoveQtShell();
  win::ResetAll();
}
