// Window handles, destruction, focus, activation, capture and show/hide: message order traces.

#include <gtest/gtest.h>

#include "WinTestUtil.h"

using Lines = std::vector<String>;

TEST(WinHandles, DestroyedWindowIsInvalidAndIgnoresMessages) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 50, 50));
  int calls = 0;
  Handle(a, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) return ++calls;
    return std::nullopt;
  });
  EXPECT_EQ(SendMessage(a, WM_USER), 1);
  ASSERT_TRUE(DestroyWindow(a));
  EXPECT_FALSE(IsWindow(a));
  EXPECT_EQ(SendMessage(a, WM_USER), 0);
  EXPECT_FALSE(PostMessage(a, WM_USER));
  EXPECT_FALSE(DestroyWindow(a));
  EXPECT_EQ(calls, 1);
  // The slot is reused under another generation: the old handle stays dead.
  HWND b = MakeTop(s, "B", Rect(0, 0, 50, 50));
  EXPECT_NE(a, b);
  EXPECT_FALSE(IsWindow(a));
  EXPECT_TRUE(IsWindow(b));
}

TEST(WinHandles, PostedMessageToWindowDestroyedBeforeDeliveryIsDropped) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 50, 50));
  ASSERT_TRUE(PostMessage(a, WM_USER + 1));
  DestroyWindow(a);
  MSG m;
  EXPECT_FALSE(PeekMessage(&m, {}, WM_USER, WM_USER + 1, PM_REMOVE));
}

TEST(WinHandles, DestroyOrderAndOwnedWindows) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 100, 100));
  HWND child = MakeChild(s, "C", top, Rect(0, 0, 50, 50));
  HWND grand = MakeChild(s, "G", child, Rect(0, 0, 10, 10));
  HWND owned = MakeTop(s, "O", Rect(0, 0, 10, 10), WS_POPUP, 0, top);
  s.StartRecording();
  DestroyWindow(top);
  EXPECT_EQ(s.Trace({WM_DESTROY, WM_NCDESTROY}),
            (Lines{"O WM_DESTROY", "O WM_NCDESTROY", "T WM_DESTROY", "C WM_DESTROY", "G WM_DESTROY", "G WM_NCDESTROY",
                   "C WM_NCDESTROY", "T WM_NCDESTROY"}));
  for (HWND h : {top, child, grand, owned}) EXPECT_FALSE(IsWindow(h));
}

TEST(WinHandles, DestroyInsideOwnHandlerIsSafe) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 50, 50));
  Handle(a, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) {
      DestroyWindow(h);
      return 7;
    }
    return std::nullopt;
  });
  EXPECT_EQ(SendMessage(a, WM_USER), 7);
  EXPECT_FALSE(IsWindow(a));
}

TEST(WinHandles, CreateRefusedByNcCreateOrCreate) {
  TTestSession s;
  RegisterTestClasses();
  for (UINT refuse : {WM_NCCREATE, WM_CREATE}) {
    WNDCLASS wc;
    wc.lpszClassName = refuse == WM_NCCREATE ? "RefuseNc" : "RefuseCreate";
    wc.lpfnWndProc = [refuse](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == refuse) return refuse == WM_NCCREATE ? 0 : -1;
      return DefWindowProc(h, m, w, l);
    };
    RegisterClass(wc);
    EXPECT_FALSE(CreateWindowEx(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, {}));
  }
  EXPECT_TRUE(win::TopLevelWindows().empty());
}

TEST(WinFocus, KillFocusThenSetFocusWithTheOtherWindow) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 200, 200));
  HWND a = MakeChild(s, "A", top, Rect(0, 0, 50, 50));
  HWND b = MakeChild(s, "B", top, Rect(60, 0, 110, 50));
  SetFocus(a);
  HWND focusSeenInKill{};
  WPARAM killParam = 0, setParam = 0;
  Handle(a, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_KILLFOCUS) {
      focusSeenInKill = GetFocus();
      killParam = w;
    }
    return std::nullopt;
  });
  Handle(b, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_SETFOCUS) setParam = w;
    return std::nullopt;
  });
  s.StartRecording();
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(s.Trace(), (Lines{"A WM_KILLFOCUS", "B WM_SETFOCUS"}));
  EXPECT_EQ(focusSeenInKill, b);
  EXPECT_EQ(killParam, b.value);
  EXPECT_EQ(setParam, a.value);
  // Hiding the focused child gives the focus to its parent.
  s.ClearRecording();
  ShowWindow(b, SW_HIDE);
  EXPECT_EQ(GetFocus(), top);
}

TEST(WinFocus, ActivationBetweenTwoTopLevelsInWindowsOrder) {
  TTestSession s;
  HWND one = MakeTop(s, "One", Rect(0, 0, 100, 100));
  HWND two = MakeTop(s, "Two", Rect(200, 0, 300, 100), WS_POPUP);
  EXPECT_EQ(GetActiveWindow(), one);
  EXPECT_EQ(GetFocus(), one);
  s.StartRecording({one, two});
  ShowWindow(two, SW_SHOW);
  EXPECT_EQ(s.Trace({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS, WM_SETFOCUS}),
            (Lines{"One WM_NCACTIVATE", "One WM_ACTIVATE", "Two WM_NCACTIVATE", "Two WM_ACTIVATE", "One WM_KILLFOCUS",
                   "Two WM_SETFOCUS"}));
  const auto& rec = s.Recorded();
  auto find = [&](HWND w, UINT m) {
    for (const auto& r : rec)
      if (r.wnd == w && r.msg == m) return r;
    return TRecordedMessage{};
  };
  EXPECT_EQ(find(one, WM_ACTIVATE).wParam, WA_INACTIVE);
  EXPECT_EQ(find(one, WM_ACTIVATE).lParam, static_cast<LPARAM>(two.value));
  EXPECT_EQ(find(two, WM_ACTIVATE).wParam, WA_ACTIVE);
  EXPECT_EQ(find(two, WM_ACTIVATE).lParam, static_cast<LPARAM>(one.value));
  // The application losing activation tells every top-level window.
  s.ClearRecording();
  win::SetApplicationActive(false);
  EXPECT_EQ(
      s.Trace({WM_NCACTIVATE, WM_ACTIVATE, WM_ACTIVATEAPP, WM_KILLFOCUS}),
      (Lines{"Two WM_NCACTIVATE", "Two WM_ACTIVATE", "Two WM_ACTIVATEAPP", "One WM_ACTIVATEAPP", "Two WM_KILLFOCUS"}));
  EXPECT_FALSE(GetActiveWindow());
  EXPECT_FALSE(GetFocus());
}

TEST(WinFocus, ShowNoActivateAndClickActivation) {
  TTestSession s;
  HWND owner = MakeTop(s, "Owner", Rect(0, 0, 100, 100));
  HWND popup = MakeTop(s, "Popup", Rect(200, 0, 300, 100), WS_POPUP, WS_EX_TOPMOST, owner);
  SetWindowPos(popup, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  EXPECT_TRUE(IsWindowVisible(popup));
  EXPECT_EQ(GetActiveWindow(), owner);
  // A click activates a window unless it answers "no activate".
  Handle(popup, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return std::nullopt;
  });
  s.Click(Point(250, 50));
  EXPECT_EQ(GetActiveWindow(), owner);
  HWND other = MakeTop(s, "Other", Rect(400, 0, 500, 100), WS_POPUP);
  SetWindowPos(other, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  s.Click(Point(450, 50));
  EXPECT_EQ(GetActiveWindow(), other);
}

TEST(WinCapture, CaptureChangeAndRetargetedMouse) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(100, 100, 300, 300));
  HWND a = MakeChild(s, "A", top, Rect(0, 0, 50, 50));
  HWND b = MakeChild(s, "B", top, Rect(100, 100, 150, 150));
  LPARAM changedTo = -1;
  HWND captureSeen{};
  Handle(a, [&](HWND, UINT m, WPARAM, LPARAM l) -> std::optional<LRESULT> {
    if (m == WM_CAPTURECHANGED) {
      changedTo = l;
      captureSeen = GetCapture();
    }
    return std::nullopt;
  });
  SetCapture(a);
  s.StartRecording({a, b});
  // Over B, but A has the capture: A gets the move in its own client coordinates.
  s.MoveTo(Point(225, 226));
  ASSERT_EQ(s.Trace({WM_MOUSEMOVE}), (Lines{"A WM_MOUSEMOVE"}));
  for (const auto& r : s.Recorded())
    if (r.msg == WM_MOUSEMOVE) {
      EXPECT_EQ(GET_X_LPARAM(r.lParam), 125);
      EXPECT_EQ(GET_Y_LPARAM(r.lParam), 126);
    }
  s.ClearRecording();
  EXPECT_EQ(SetCapture(b), a);
  EXPECT_EQ(changedTo, static_cast<LPARAM>(b.value));
  EXPECT_EQ(captureSeen, b);
  ReleaseCapture();
  EXPECT_EQ(s.Trace({WM_CAPTURECHANGED}), (Lines{"A WM_CAPTURECHANGED", "B WM_CAPTURECHANGED"}));
  EXPECT_FALSE(GetCapture());
  // Without capture the window under the pointer gets it, with hit testing first.
  s.ClearRecording();
  s.MoveTo(Point(201, 202));
  EXPECT_EQ(s.Trace({WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE}),
            (Lines{"B WM_NCHITTEST", "B WM_SETCURSOR", "B WM_MOUSEMOVE"}));
}

TEST(WinShow, ShowAndHideSeenByCallWndProcHook) {
  TTestSession s;
  HWND owner = MakeTop(s, "Owner", Rect(0, 0, 100, 100));
  HWND w = MakeTop(s, "W", Rect(0, 0, 50, 50), WS_POPUP, 0, owner);
  std::vector<String> seen;
  HHOOK hook = SetWindowsHookEx(WH_CALLWNDPROC, [&](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (cwp->hwnd == w && code == HC_ACTION) seen.push_back(MessageName(cwp->message));
    return CallNextHookEx({}, code, wParam, lParam);
  });
  ShowWindow(w, SW_SHOWNA);
  ShowWindow(w, SW_HIDE);
  UnhookWindowsHookEx(hook);
  ShowWindow(w, SW_SHOWNA);
  auto relevant = [](const String& n) {
    return n == "WM_SHOWWINDOW" || n == "WM_WINDOWPOSCHANGING" || n == "WM_WINDOWPOSCHANGED";
  };
  seen.erase(std::remove_if(seen.begin(), seen.end(), [&](const String& n) { return !relevant(n); }), seen.end());
  EXPECT_EQ(seen, (Lines{"WM_SHOWWINDOW", "WM_WINDOWPOSCHANGING", "WM_WINDOWPOSCHANGED", "WM_SHOWWINDOW",
                         "WM_WINDOWPOSCHANGING", "WM_WINDOWPOSCHANGED"}));
  EXPECT_EQ(GetActiveWindow(), owner);
}

TEST(WinGeometry, CoordinatesNonClientAndWindowFromPoint) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(100, 50, 300, 250));
  HWND c = MakeChild(s, "C", top, Rect(10, 20, 110, 120), WS_CHILD | WS_VISIBLE | WS_BORDER, WS_EX_CLIENTEDGE);
  RECT cr, wr;
  GetClientRect(c, &cr);
  GetWindowRect(c, &wr);
  EXPECT_EQ(cr, Rect(0, 0, 94, 94));
  EXPECT_EQ(wr, Rect(110, 70, 210, 170));
  POINT p{0, 0};
  ClientToScreen(c, &p);
  EXPECT_EQ(p, Point(113, 73));
  EXPECT_EQ(WindowFromPoint(Point(150, 100)), c);
  EXPECT_EQ(WindowFromPoint(Point(250, 200)), top);
  EXPECT_FALSE(WindowFromPoint(Point(5, 5)));
  // A window region limits where the window is hit.
  HRGN rgn = CreateRectRgn(0, 0, 10, 10);
  SetWindowRgn(c, rgn, FALSE);
  DeleteObject(rgn);
  EXPECT_EQ(WindowFromPoint(Point(150, 100)), top);
  EXPECT_EQ(WindowFromPoint(Point(112, 72)), c);
  // Disabled children pass the point to their parent.
  SetWindowRgn(c, {}, FALSE);
  EnableWindow(c, FALSE);
  EXPECT_EQ(WindowFromPoint(Point(150, 100)), top);
}

TEST(WinMisc, ExceptionsInProceduresReachTheHandler) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  String caught;
  SetExceptionHandler([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const Exception& ex) {
      caught = ex.Message();
    }
  });
  Handle(a, [&](HWND, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_USER) throw Exception("boom");
    return std::nullopt;
  });
  EXPECT_EQ(SendMessage(a, WM_USER), 0);
  EXPECT_EQ(caught, "boom");
  caught.clear();
  SetTimer({}, 0, 10, [](HWND, UINT, UINT_PTR, DWORD) { throw Exception("tick"); });
  s.Advance(10);
  EXPECT_EQ(caught, "tick");
  SetExceptionHandler({});
}

TEST(WinMisc, TextThroughMessagesNeverSplitsACharacter) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  SetWindowText(a, "h\xC3\xA9llo");
  EXPECT_EQ(GetWindowText(a), "h\xC3\xA9llo");
  EXPECT_EQ(GetWindowTextLength(a), 6);
  char buffer[3];
  // Room for two bytes: "h" and half of the "é" would fit; only "h" is copied.
  EXPECT_EQ(SendMessage(a, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer)), 1);
  EXPECT_STREQ(buffer, "h");
}
