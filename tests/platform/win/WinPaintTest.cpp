// Painting: WM_PAINT with erase, ScrollWindowEx, non-client scroll bars, broadcasts.

#include <gtest/gtest.h>

#include <functional>

#include "WinTestUtil.h"

using Lines = std::vector<String>;

namespace {

// Paints rows of distinct colours: row y gets RGB(y, 0, 0).
void PaintRows(HWND wnd) {
  Handle(wnd, [](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m != WM_PAINT) return std::nullopt;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    for (int y = ps.rcPaint.top; y < ps.rcPaint.bottom; ++y) {
      HBRUSH b = CreateSolidBrush(RGB(static_cast<BYTE>(y), 0, 0));
      RECT r{0, y, 100, y + 1};
      FillRect(dc, &r, b);
      DeleteObject(b);
    }
    EndPaint(h, &ps);
    return 0;
  });
}

}  // namespace

TEST(WinPaint, PaintAsksEraseOnceAndValidates) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
  s.ProcessMessages();
  s.StartRecording({a});
  InvalidateRect(a, nullptr, TRUE);
  RECT part{0, 0, 10, 10};
  InvalidateRect(a, &part, FALSE);
  s.ProcessMessages();
  EXPECT_EQ(s.Trace({WM_PAINT, WM_ERASEBKGND}), (Lines{"A WM_PAINT", "A WM_ERASEBKGND"}));
  RECT upd;
  EXPECT_FALSE(GetUpdateRect(a, &upd, FALSE));
  // Hidden windows get no paint; a window that ignores WM_PAINT is not asked forever.
  Handle(a, [](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_PAINT) return 0;
    return std::nullopt;
  });
  InvalidateRect(a, nullptr, FALSE);
  s.ProcessMessages();
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, {}, WM_PAINT, WM_PAINT, PM_NOREMOVE));
}

TEST(WinPaint, ScrollWindowExMovesPixelsAndInvalidatesTheUncoveredPart) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
  PaintRows(a);
  s.ProcessMessages();
  RECT upd;
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  int kind = ScrollWindowEx(a, 0, -10, nullptr, nullptr, rgn, &upd, SW_INVALIDATE | SW_ERASE);
  EXPECT_EQ(kind, SIMPLEREGION);
  EXPECT_EQ(upd, Rect(0, 90, 100, 100));
  RECT box;
  GetRgnBox(rgn, &box);
  EXPECT_EQ(box, Rect(0, 90, 100, 100));
  DeleteObject(rgn);
  RECT pending;
  ASSERT_TRUE(GetUpdateRect(a, &pending, FALSE));
  EXPECT_EQ(pending, Rect(0, 90, 100, 100));
  Surface shot = s.Snapshot(a);  // paints the uncovered strip
  EXPECT_EQ(ColorFromPixel(shot.At(50, 0)), RGB(10, 0, 0));
  EXPECT_EQ(ColorFromPixel(shot.At(50, 89)), RGB(99, 0, 0));
  EXPECT_EQ(ColorFromPixel(shot.At(50, 95)), RGB(95, 0, 0));
  // Inside a scroll rectangle with a clip, only the clip is written and uncovered.
  EXPECT_EQ(ScrollWindowEx(a, 5, 0, nullptr, nullptr, {}, &upd, 0), SIMPLEREGION);
  EXPECT_EQ(upd, Rect(0, 0, 5, 100));
  EXPECT_FALSE(GetUpdateRect(a, &pending, FALSE));  // no SW_INVALIDATE
}

TEST(WinPaint, ChildPaintsOnTheTopLevelSurfaceClippedByItsParent) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 60, 60));
  HWND c = MakeChild(s, "C", top, Rect(40, 40, 100, 100));
  PaintRows(c);
  Surface shot = s.Snapshot(top);
  EXPECT_EQ(ColorFromPixel(shot.At(45, 45)), RGB(5, 0, 0));
  EXPECT_EQ(shot.Width(), 60);
  Surface own = s.Snapshot(c);
  EXPECT_EQ(ColorFromPixel(own.At(0, 3)), RGB(3, 0, 0));
}

TEST(WinScrollBars, RangeIncludesPageAndBarsShowAndHide) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(100, 100, 300, 300));
  HWND c = MakeChild(s, "C", top, Rect(0, 0, 100, 100));
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMin = 0;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 95;
  EXPECT_EQ(SetScrollInfo(c, SB_VERT, &si, TRUE), 90);  // the last page starts at 90
  EXPECT_TRUE(GetWindowLong(c, GWL_STYLE) & WS_VSCROLL);
  RECT cr;
  GetClientRect(c, &cr);
  EXPECT_EQ(cr.right, 100 - 17);
  SCROLLBARINFO sbi;
  ASSERT_TRUE(GetScrollBarInfo(c, OBJID_VSCROLL, &sbi));
  EXPECT_EQ(sbi.rcScrollBar, Rect(183, 100, 200, 200));
  EXPECT_EQ(sbi.rgstate[0], 0u);
  EXPECT_EQ(sbi.dxyLineButton, 17);
  // A page covering the range hides the bar, or disables it with SIF_DISABLENOSCROLL.
  si.nPage = 100;
  SetScrollInfo(c, SB_VERT, &si, TRUE);
  EXPECT_FALSE(GetWindowLong(c, GWL_STYLE) & WS_VSCROLL);
  GetScrollBarInfo(c, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_INVISIBLE);
  si.fMask |= SIF_DISABLENOSCROLL;
  SetScrollInfo(c, SB_VERT, &si, TRUE);
  GetScrollBarInfo(c, OBJID_VSCROLL, &sbi);
  EXPECT_EQ(sbi.rgstate[0], STATE_SYSTEM_UNAVAILABLE);
  SCROLLINFO back;
  back.fMask = SIF_ALL;
  GetScrollInfo(c, SB_VERT, &back);
  EXPECT_EQ(back.nPos, 0);
  EXPECT_EQ(back.nPage, 100u);
}

// The frame is painted again only for a bar that changed: editors set their bars after every
// keystroke.
TEST(WinScrollBars, FrameRepaintsOnlyWhenABarChanges) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 200, 200));
  HWND c = MakeChild(s, "C", top, Rect(0, 0, 100, 100), WS_CHILD | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  si.nMax = 99;
  si.nPage = 10;
  si.nPos = 5;
  SetScrollInfo(c, SB_VERT, &si, TRUE);
  s.ProcessMessages();
  UpdateWindow(c);
  int frames = 0;
  Handle(c, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_NCPAINT) ++frames;
    return std::nullopt;
  });
  const struct {
    std::function<void()> call;
    int frames;
  } cases[] = {
      {[&] { SetScrollInfo(c, SB_VERT, &si, TRUE); }, 0},
      {[&] { EnableScrollBar(c, SB_VERT, ESB_ENABLE_BOTH); }, 0},
      {[&] { SetScrollPos(c, SB_VERT, 5, TRUE); }, 0},
      {[&] { SetScrollPos(c, SB_VERT, 6, TRUE); }, 1},
      {[&] { SetScrollRange(c, SB_VERT, 0, 120, TRUE); }, 1},
      {[&] { EnableScrollBar(c, SB_VERT, ESB_DISABLE_LTUP); }, 1},
      {[&] { EnableScrollBar(c, SB_VERT, ESB_DISABLE_LTUP); }, 0},
  };
  for (const auto& k : cases) {
    frames = 0;
    k.call();
    UpdateWindow(c);
    EXPECT_EQ(frames, k.frames) << &k - cases;
  }
}

TEST(WinScrollBars, ClickOnArrowSendsLineDownThenEndScroll) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 200, 200));
  HWND c = MakeChild(s, "C", top, Rect(0, 0, 100, 100), WS_CHILD | WS_VISIBLE | WS_VSCROLL);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_PAGE;
  si.nMax = 99;
  si.nPage = 10;
  SetScrollInfo(c, SB_VERT, &si, TRUE);
  std::vector<int> codes;
  Handle(c, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_VSCROLL) codes.push_back(LOWORD(w));
    return std::nullopt;
  });
  s.MoveTo(Point(90, 95));  // the down arrow
  s.Script([&] { s.QueueRelease(); });
  s.Press();
  EXPECT_EQ(codes, (std::vector<int>{SB_LINEDOWN, SB_ENDSCROLL}));
}

TEST(WinSettings, BroadcastsReachHiddenWindowsAndMetricsAreFixed) {
  TTestSession s;
  std::vector<UINT> got;
  HWND hidden = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == WM_SYSCOLORCHANGE || m.Msg == WM_SETTINGCHANGE || m.Msg == WM_THEMECHANGED) got.push_back(m.Msg);
  });
  BroadcastSystemChange(TSystemChange::Colors);
  BroadcastSystemChange(TSystemChange::NonClientMetrics);
  BroadcastSystemChange(TSystemChange::Theme);
  EXPECT_EQ(got, (std::vector<UINT>{WM_SYSCOLORCHANGE, WM_SETTINGCHANGE, WM_THEMECHANGED}));
  EXPECT_FALSE(IsWindowVisible(hidden));
  DeallocateHWnd(hidden);
  EXPECT_EQ(GetSystemMetrics(SM_CXVSCROLL), 17);
  EXPECT_EQ(GetSystemMetrics(SM_CXDRAG), 5);
  EXPECT_EQ(GetDoubleClickTime(), 500u);
  RECT work;
  SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_EQ(work, Rect(0, 0, 1024, 768));
  MONITORINFO mi;
  ASSERT_TRUE(GetMonitorInfo(MonitorFromPoint(Point(5000, 10), MONITOR_DEFAULTTONEAREST), &mi));
  EXPECT_EQ(mi.rcWork, Rect(0, 0, 1024, 768));
  EXPECT_EQ(win::CursorId(LoadCursor({}, "KC_DRAGCURSOR")), 2113);
  EXPECT_EQ(LoadCursor({}, 2100), LoadCursor({}, "kc_dragcopycursor"));
}
