// The real Qt shell under the offscreen platform: a click on a host widget reaches the right
// child window in its client coordinates, and the host shows the retained picture.

#include <gtest/gtest.h>

#include "WinTestUtil.h"
#include "platform/win/QtShell.h"

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
  for (const Case& c : {Case{"Key_A", false, 'A'}, Case{"Key_5", false, '5'}, Case{"Key_5", true, VK_NUMPAD0 + 5},
                        Case{"Key_Escape", false, VK_ESCAPE}, Case{"Key_Enter", true, VK_RETURN},
                        Case{"Key_F4", false, VK_F4}, Case{"Key_PageDown", false, VK_NEXT},
                        Case{"Key_Control", false, VK_CONTROL}, Case{"Key_Plus", true, VK_ADD},
                        Case{"Key_NoSuchKey", false, 0}})
    EXPECT_EQ(VirtualKeyFromQtKeyName(c.key, c.keypad), c.vk) << c.key;
}
