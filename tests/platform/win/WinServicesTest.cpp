// Caret, cursors, sub-classing, painting outside the queue (UpdateWindow, RedrawWindow, GetDC),
// re-parenting and minimised windows.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "WinTestUtil.h"

namespace {

std::vector<String> PaintTrace(TTestSession& s) { return s.Trace({WM_PAINT}); }

}  // namespace

TEST(WinCaret, PositionHidesCountedAndDestroyedWithItsWindow) {
  TTestSession s;
  HWND a = MakeTop(s, "a", {0, 0, 100, 100});
  ASSERT_TRUE(CreateCaret(a, HBITMAP(), 2, 12));
  EXPECT_FALSE(win::CaretState().visible);  // a new caret starts hidden
  EXPECT_TRUE(ShowCaret(a));
  SetCaretPos(10, 5);
  POINT p;
  ASSERT_TRUE(GetCaretPos(&p));
  EXPECT_EQ(p.x, 10);
  EXPECT_EQ(p.y, 5);
  win::TCaretState c = win::CaretState();
  EXPECT_TRUE(c.visible);
  EXPECT_EQ(c.wnd, a);
  EXPECT_EQ(c.rect.left, 10);
  EXPECT_EQ(c.rect.right - c.rect.left, 2);
  EXPECT_EQ(c.rect.bottom - c.rect.top, 12);
  // Hides are counted: two hides need two shows.
  HideCaret(a);
  HideCaret(a);
  ShowCaret(a);
  EXPECT_FALSE(win::CaretState().visible);
  ShowCaret(a);
  EXPECT_TRUE(win::CaretState().visible);
  // Another window cannot show or hide it; destroying the owner destroys the caret.
  HWND b = MakeTop(s, "b", {200, 0, 300, 100});
  EXPECT_FALSE(HideCaret(b));
  DestroyWindow(a);
  EXPECT_FALSE(win::CaretState().visible);
  EXPECT_FALSE(GetCaretPos(&p) && win::CaretState().wnd == a);
}

TEST(WinCursors, LibraryCursorsByIdAndNameAndSetCursorAnswersThePrevious) {
  TTestSession s;
  std::vector<int> seen;
  for (int id = 2100; id <= 2113; ++id) {
    HCURSOR c = LoadCursor(HINSTANCE{std::uintptr_t{1}}, id);
    ASSERT_TRUE(c) << id;
    EXPECT_EQ(win::CursorId(c), id);
    seen.push_back(id);
  }
  EXPECT_EQ(LoadCursor(HINSTANCE{std::uintptr_t{1}}, "kc_dragcursor"), LoadCursor(HINSTANCE{std::uintptr_t{1}}, 2113));
  EXPECT_FALSE(LoadCursor(HINSTANCE{std::uintptr_t{1}}, 2099));
  EXPECT_FALSE(LoadCursor(HINSTANCE{std::uintptr_t{1}}, "NO_SUCH_CURSOR"));
  HCURSOR hand = LoadCursor(HINSTANCE(), IDC_HAND);
  ASSERT_TRUE(hand);
  const HCURSOR before = SetCursor(hand);
  EXPECT_EQ(SetCursor(before), hand);
  EXPECT_EQ(GetCursor(), before);
}

TEST(WinSubclass, ChainedProceduresAndOneMessageSuppressed) {
  TTestSession s;
  HWND a = MakeTop(s, "a", {0, 0, 50, 50});
  std::vector<std::string> calls;
  WNDPROC original = GetWindowProc(a);
  SetWindowProc(a, [&, original](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) calls.push_back("outer");
    return CallWindowProc(original, h, m, w, l) + (m == WM_USER ? 10 : 0);
  });
  WNDPROC outer = GetWindowProc(a);
  SetWindowProc(a, [&, outer](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) calls.push_back("newest");
    return CallWindowProc(outer, h, m, w, l) + (m == WM_USER ? 100 : 0);
  });
  EXPECT_EQ(SendMessage(a, WM_USER), 110);
  EXPECT_EQ(calls, (std::vector<std::string>{"newest", "outer"}));
  // The next message only is answered 1 without reaching any procedure.
  calls.clear();
  SuppressNextMessage(a);
  EXPECT_EQ(SendMessage(a, WM_USER), 1);
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(SendMessage(a, WM_USER), 110);
  // Restoring the saved procedure undoes the sub-classing.
  SetWindowProc(a, original);
  calls.clear();
  SendMessage(a, WM_USER);
  EXPECT_TRUE(calls.empty());
}

TEST(WinPaintNow, UpdateWindowRedrawWindowAndGetDCPaintWithoutTheQueue) {
  TTestSession s;
  HWND top = MakeTop(s, "top", {0, 0, 40, 20});
  HWND child = MakeChild(s, "child", top, {20, 0, 40, 20});
  auto fill = [](COLORREF color) {
    return [color](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m != WM_PAINT) return std::nullopt;
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(h, &ps);
      HBRUSH b = CreateSolidBrush(color);
      FillRect(dc, &ps.rcPaint, b);
      DeleteObject(b);
      EndPaint(h, &ps);
      return 0;
    };
  };
  Handle(top, fill(RGB(0, 0, 255)));
  Handle(child, fill(RGB(0, 255, 0)));
  s.ProcessMessages();
  s.StartRecording({top, child});

  // UpdateWindow paints what is invalid at once, the window and its children.
  InvalidateRect(top, nullptr, TRUE);
  UpdateWindow(top);
  EXPECT_EQ(PaintTrace(s), (std::vector<String>{"top WM_PAINT", "child WM_PAINT"}));
  s.ClearRecording();
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, HWND(), WM_PAINT, WM_PAINT, PM_NOREMOVE));  // nothing left

  // RedrawWindow: without RDW_ALLCHILDREN only the window; with it, the children too.
  RedrawWindow(top, nullptr, HRGN(), RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOCHILDREN);
  EXPECT_EQ(PaintTrace(s), (std::vector<String>{"top WM_PAINT"}));
  s.ClearRecording();
  RedrawWindow(top, nullptr, HRGN(), RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  EXPECT_EQ(PaintTrace(s), (std::vector<String>{"top WM_PAINT", "child WM_PAINT"}));
  s.ClearRecording();

  // InvalidateRgn covers only the region: a region inside the top's own part leaves the child.
  HRGN rgn = CreateRectRgn(0, 0, 5, 5);
  InvalidateRgn(top, rgn, FALSE);
  DeleteObject(rgn);
  RECT update;
  ASSERT_TRUE(GetUpdateRect(top, &update, FALSE));
  EXPECT_EQ(update.right, 5);
  EXPECT_FALSE(GetUpdateRect(child, &update, FALSE));
  s.ProcessMessages();
  s.StopRecording();

  // GetDC outside painting draws on the same picture, clipped to the child.
  HDC dc = GetDC(child);
  RECT all{-20, 0, 40, 20};
  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  FillRect(dc, &all, red);
  DeleteObject(red);
  ReleaseDC(child, dc);
  Surface shot = s.Snapshot(top);
  EXPECT_EQ(ColorFromPixel(shot.At(25, 5)), RGB(255, 0, 0));
  EXPECT_EQ(ColorFromPixel(shot.At(5, 5)), RGB(0, 0, 255));
}

TEST(WinWindows, ReparentingAndMinimisedWindows) {
  TTestSession s;
  HWND top = MakeTop(s, "top", {0, 0, 100, 100});
  HWND child = MakeChild(s, "child", top, {10, 10, 30, 30});
  EXPECT_EQ(GetParent(child), top);
  EXPECT_TRUE(IsChild(top, child));
  // Detached into a top-level window, and back.
  EXPECT_EQ(SetParent(child, HWND()), top);
  EXPECT_FALSE(IsChild(top, child));
  EXPECT_FALSE(GetAncestor(child, GA_PARENT));
  EXPECT_EQ(SetParent(child, top), HWND());
  EXPECT_TRUE(IsChild(top, child));

  EXPECT_FALSE(IsIconic(top));
  ShowWindow(top, SW_MINIMIZE);
  EXPECT_TRUE(IsIconic(top));
  EXPECT_FALSE(IsWindowVisible(top));
  ShowWindow(top, SW_RESTORE);
  EXPECT_FALSE(IsIconic(top));
  EXPECT_TRUE(IsWindowVisible(top));
  DestroyWindow(top);
  EXPECT_FALSE(IsIconic(top));
}
