// The queue: GetMessage order, timers, nested loops, hooks, threads, keys and double clicks.

#include <gtest/gtest.h>

#include <thread>

#include "WinTestUtil.h"

using Lines = std::vector<String>;

TEST(WinQueue, GetMessageOrderPostedInputPaintTimer) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
  s.ProcessMessages();  // the first paint
  SetTimer(a, 1, 100);
  s.Clock().AdvanceMs(1000);  // ten periods late
  InvalidateRect(a, nullptr, FALSE);
  s.QueueKey('X', true);
  PostMessage(a, WM_USER);
  Lines got;
  MSG m;
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(GetMessage(&m, {}, 0, 0), 1);
    got.push_back(MessageName(m.message));
    DispatchMessage(&m);
  }
  // Painting validated the window; the late timer came once, then waits a whole period.
  EXPECT_EQ(got, (Lines{"0x0400", "WM_KEYDOWN", "WM_PAINT", "WM_TIMER", "WM_TIMER"}));
  EXPECT_EQ(s.Clock().TickCount64(), 2100u);
}

TEST(WinQueue, TimersCoalesceAndKilledTimersAreNotDelivered) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  int ticks = 0;
  Handle(a, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_TIMER && w == 5) ++ticks;
    return std::nullopt;
  });
  SetTimer(a, 5, 100);
  s.Advance(350);
  EXPECT_EQ(ticks, 3);
  // A slow handler: the clock jumps far past several periods, one tick only.
  s.Clock().AdvanceMs(1000);
  s.ProcessMessages();
  EXPECT_EQ(ticks, 4);
  // Taken from the queue, then killed before dispatch: dropped.
  s.Clock().AdvanceMs(100);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, a, WM_TIMER, WM_TIMER, PM_REMOVE));
  KillTimer(a, 5);
  DispatchMessage(&m);
  EXPECT_EQ(ticks, 4);
  // Thread timers get ids from a counter.
  UINT_PTR t1 = SetTimer({}, 0, 20), t2 = SetTimer({}, 0, 20);
  EXPECT_NE(t1, t2);
  EXPECT_TRUE(KillTimer({}, t1));
  EXPECT_FALSE(KillTimer({}, t1));
}

// A loop as the drag-start wait runs it: ends on a button release, or on Escape.
static int WaitLoop(HWND wnd) {
  SetCapture(wnd);
  int result = 2;
  MSG m;
  while (GetCapture() == wnd) {
    int r = GetMessage(&m, {}, 0, 0);
    if (r <= 0) {
      if (r == 0) PostQuitMessage(static_cast<int>(m.wParam));
      break;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
    if ((m.message == WM_KEYDOWN || m.message == WM_KEYUP) && m.wParam == VK_ESCAPE) {
      result = 2;
      break;
    }
    if (m.message == WM_LBUTTONUP) {
      result = 0;
      break;
    }
  }
  if (GetCapture() == wnd) ReleaseCapture();
  return result;
}

TEST(WinQueue, NestedLoopInsideHandlerEndsOnReleaseOrEscape) {
  for (bool escape : {false, true}) {
    TTestSession s;
    HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
    int loopResult = -1;
    int moves = 0;
    Handle(a, [&](HWND h, UINT m, WPARAM, LPARAM) -> std::optional<LRESULT> {
      if (m == WM_LBUTTONDOWN) loopResult = WaitLoop(h);
      if (m == WM_MOUSEMOVE && loopResult == -1) ++moves;
      return std::nullopt;
    });
    s.MoveTo(Point(10, 10));
    moves = 0;
    s.Script([&] { s.QueueMove(Point(300, 300)); });  // outside: still ours, captured
    if (escape)
      s.Script([&] { s.QueueKey(VK_ESCAPE, true); });
    else
      s.Script([&] { s.QueueRelease(); });
    s.Press();
    EXPECT_EQ(loopResult, escape ? 2 : 0);
    EXPECT_EQ(moves, 1);
    EXPECT_FALSE(GetCapture());
  }
}

TEST(WinQueue, LoopWithNothingToWaitForFailsInsteadOfHanging) {
  TTestSession s;
  MakeTop(s, "A", Rect(0, 0, 10, 10));
  s.ProcessMessages();
  MSG m;
  EXPECT_THROW(GetMessage(&m, {}, 0, 0), EScriptExhausted);
}

TEST(WinQueue, QuitComesAfterPostedMessagesAndEndsTheLoop) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  s.ProcessMessages();
  PostQuitMessage(3);
  PostMessage(a, WM_USER);
  MSG m;
  EXPECT_EQ(GetMessage(&m, {}, 0, 0), 1);
  EXPECT_EQ(m.message, WM_USER);
  EXPECT_EQ(GetMessage(&m, {}, 0, 0), 0);
  EXPECT_EQ(m.wParam, 3u);
}

TEST(WinQueue, MouseHookDiscardsAClick) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
  HWND hookTarget{};
  HHOOK hook = SetWindowsHookEx(WH_MOUSE, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    if (code == HC_ACTION && w == WM_LBUTTONDOWN) {
      hookTarget = reinterpret_cast<MOUSEHOOKSTRUCT*>(l)->hwnd;
      return 1;
    }
    return CallNextHookEx({}, code, w, l);
  });
  s.StartRecording({a});
  s.Click(Point(10, 10));
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(s.Trace({WM_LBUTTONDOWN, WM_LBUTTONUP}), (Lines{"A WM_LBUTTONUP"}));
  EXPECT_EQ(hookTarget, a);
}

TEST(WinQueue, GetMessageHookMayRewriteAMessage) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100));
  HHOOK hook = SetWindowsHookEx(WH_GETMESSAGE, [&](int code, WPARAM w, LPARAM l) -> LRESULT {
    auto* m = reinterpret_cast<MSG*>(l);
    if (w == PM_REMOVE && m->message == WM_SYSKEYDOWN) m->message = WM_NULL;
    return CallNextHookEx({}, code, w, l);
  });
  s.StartRecording({a});
  s.KeyDown(VK_MENU);
  UnhookWindowsHookEx(hook);
  EXPECT_EQ(s.Trace({WM_NULL, WM_SYSKEYDOWN}), (Lines{"A WM_NULL"}));
}

TEST(WinQueue, PostFromAnotherThreadWakesTheLoop) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  s.ProcessMessages();
  std::thread worker([a] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    PostMessage(a, WM_USER + 7, 42);
  });
  MSG m;
  int r = GetMessage(&m, {}, 0, 0);
  worker.join();
  EXPECT_EQ(r, 1);
  EXPECT_EQ(m.message, WM_USER + 7);
  EXPECT_EQ(m.wParam, 42u);
}

TEST(WinQueue, PeekWithFiltersRemovesOnlyWhatMatches) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  HWND b = MakeTop(s, "B", Rect(0, 0, 10, 10));
  s.ProcessMessages();
  PostMessage(a, 0x8066);
  PostMessage(b, 0x8066);
  PostMessage(a, WM_USER);
  MSG m;
  ASSERT_TRUE(PeekMessage(&m, b, 0x8066, 0x8066, PM_REMOVE));
  EXPECT_EQ(m.hwnd, b);
  ASSERT_TRUE(PeekMessage(&m, {}, 0x8066, 0x8066, PM_NOREMOVE));
  EXPECT_EQ(m.hwnd, a);
  ASSERT_TRUE(PeekMessage(&m, {}, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, 0x8066u);
  ASSERT_TRUE(PeekMessage(&m, {}, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_USER);
}

TEST(WinKeys, TranslateMessageMakesCharacters) {
  TTestSession s;
  HWND a = MakeTop(s, "A", Rect(0, 0, 10, 10));
  std::u32string chars;
  Handle(a, [&](HWND, UINT m, WPARAM w, LPARAM) -> std::optional<LRESULT> {
    if (m == WM_CHAR) chars.push_back(static_cast<char32_t>(w));
    return std::nullopt;
  });
  s.Type("a\xC3\xA9");
  s.Key(VK_RETURN);
  s.Key(VK_ESCAPE);
  s.KeyDown(VK_CONTROL);
  EXPECT_TRUE(GetKeyState(VK_CONTROL) & 0x8000);
  s.Key('C');
  s.KeyUp(VK_CONTROL);
  s.Key(VK_LEFT);
  EXPECT_EQ(chars, (std::u32string{U'a', U'\u00E9', 13, 27, 3}));
  EXPECT_FALSE(GetKeyState(VK_CONTROL) & 0x8000);
}

TEST(WinMouse, DoubleClicksOnlyForClassesThatAskAndWithinTimeAndDistance) {
  struct Case {
    const char* cls;
    DWORD gap;
    int dx;
    bool dbl;
  };
  for (const Case& c : {Case{"TestWnd", 100, 0, true}, Case{"TestWndNoDbl", 100, 0, false},
                        Case{"TestWnd", 600, 0, false}, Case{"TestWnd", 100, 5, false}}) {
    TTestSession s;
    HWND a = MakeTop(s, "A", Rect(0, 0, 100, 100), WS_POPUP | WS_VISIBLE, 0, {}, c.cls);
    s.StartRecording({a});
    s.Click(Point(10, 10));
    s.Clock().AdvanceMs(c.gap);
    s.Click(Point(10 + c.dx, 10));
    s.Clock().AdvanceMs(100);
    s.Click(Point(10 + c.dx, 10));  // after a double click, a press again; else it pairs with the second
    bool classDbl = String(c.cls) == "TestWnd";
    Lines expected{"A WM_LBUTTONDOWN", c.dbl ? "A WM_LBUTTONDBLCLK" : "A WM_LBUTTONDOWN",
                   (!c.dbl && classDbl) ? "A WM_LBUTTONDBLCLK" : "A WM_LBUTTONDOWN"};
    EXPECT_EQ(s.Trace({WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}), expected) << c.cls << " " << c.gap << " " << c.dx;
  }
}

TEST(WinMouse, WheelGoesToFocusAndBubblesToParent) {
  TTestSession s;
  HWND top = MakeTop(s, "T", Rect(0, 0, 100, 100));
  HWND c = MakeChild(s, "C", top, Rect(0, 0, 50, 50));
  SetFocus(c);
  s.StartRecording({top, c});
  s.MoveTo(Point(80, 80));
  s.ClearRecording();
  s.Wheel(-1);
  EXPECT_EQ(s.Trace(), (Lines{"C WM_MOUSEWHEEL", "T WM_MOUSEWHEEL"}));
  EXPECT_EQ(static_cast<short>(HIWORD(s.Recorded()[0].wParam)), -120);
  EXPECT_EQ(GET_X_LPARAM(s.Recorded()[0].lParam), 80);  // screen coordinates
}
