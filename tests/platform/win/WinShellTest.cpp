// The real Qt shell under the offscreen platform: a click on a host widget reaches the right
// child window in its client coordinates, and the host shows the retained picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>

#include "WinTestUtil.h"
#include "platform/win/QtShell.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "test_platform_win";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

}  // namespace

TEST(WinShell, ClickThroughQtReachesChildInClientCoordinates) {
  App();
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
  QWidget* host = HostWidget(top);
  ASSERT_NE(host, nullptr);
  EXPECT_TRUE(host->isVisible());
  EXPECT_EQ(host->geometry(), QRect(100, 100, 200, 200));
  QPointF local(35, 45), global(135, 145);
  QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(host, &press);
  QApplication::sendEvent(host, &release);
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
  QImage shot = host->grab().toImage();
  EXPECT_EQ(shot.pixelColor(30, 40), QColor(255, 0, 0));
  // A close request from the window system becomes WM_CLOSE, and the default destroys.
  QCloseEvent close;
  QApplication::sendEvent(host, &close);
  EXPECT_FALSE(IsWindow(top));
  RemoveQtShell();
  win::ResetAll();
}

TEST(WinShell, QtKeysMapToVirtualKeys) {
  struct Case {
    int key;
    bool keypad;
    WORD vk;
  };
  for (const Case& c : {Case{Qt::Key_A, false, 'A'}, Case{Qt::Key_5, false, '5'}, Case{Qt::Key_5, true, VK_NUMPAD0 + 5},
                        Case{Qt::Key_Escape, false, VK_ESCAPE}, Case{Qt::Key_Enter, true, VK_RETURN},
                        Case{Qt::Key_F4, false, VK_F4}, Case{Qt::Key_PageDown, false, VK_NEXT},
                        Case{Qt::Key_Control, false, VK_CONTROL}, Case{Qt::Key_Plus, true, VK_ADD}})
    EXPECT_EQ(VirtualKeyFromQtKey(c.key, c.keypad), c.vk) << c.key;
}
