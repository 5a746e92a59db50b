// Control utilities, timers on the fake clock, mouse tracking, the settings controller and the
// captured wait for a drag start, through the headless session.

#include <gtest/gtest.h>

#include "controls/kcControls.h"
#include "platform/core/FormatSettings.h"
#include "platform/forms/FormsTestUtil.h"

TEST(KcControlUtils, TextKeysAndCharacters) {
  const std::pair<const char*, const char*> texts[] = {
      {"&File", "File"}, {"A&&B", "A&B"}, {"Save&", "Save_"}, {"&\xC3\xA9t\xC3\xA9", "\xC3\xA9t\xC3\xA9"}, {"", ""}};
  for (auto [in, out] : texts) EXPECT_EQ(StripHotkeyPrefix(in), out) << in;
  EXPECT_FALSE(IsNumericChar('e', 1));
  EXPECT_TRUE(IsNumericChar('e', 2));
  EXPECT_TRUE(IsNumericChar('-', 0));
  EXPECT_FALSE(IsNumericChar('.', 0));
  EXPECT_FALSE(IsNumericChar('e', 7));  // an unknown kind is kind 0
  char old = FormatSettings.DecimalSeparator;
  FormatSettings.DecimalSeparator = ',';
  EXPECT_TRUE(IsNumericChar(',', 1));
  EXPECT_FALSE(IsNumericChar('.', 1));
  FormatSettings.DecimalSeparator = old;
  EXPECT_EQ(ShiftStateToMKFlags(TShiftState{ssShift, ssCtrl, ssLeft, ssAlt, ssDouble}), 13);
  EXPECT_TRUE(IsTextChar(' '));
  EXPECT_FALSE(IsTextChar(9));
}

TEST(KcControlUtils, WorkAreasAndFitting) {
  TTestSession session;
  TRect r{-50, 700, 1100, 800};
  FitRectToDesktop(r, TPoint{0, 0});
  EXPECT_EQ(r, (TRect{0, 668, 1150, 768}));
  TSystemSettings settings = SystemSettings();
  settings.monitors = {{TRect{0, 0, 1024, 768}, TRect{0, 0, 1024, 740}},
                       {TRect{1024, 0, 2048, 768}, TRect{1100, 0, 2048, 768}}};
  SetSystemSettings(settings);
  EXPECT_EQ(GetDesktopWorkArea(TPoint{1500, 10}), (TRect{1100, 0, 2048, 768}));
  EXPECT_EQ(GetDesktopWorkArea(TPoint{5000, 10}), (TRect{1100, 0, 2048, 768}));  // nearest
  r = TRect{1050, 700, 1150, 800};
  FitRectToDesktop(r, TPoint{1060, 700});
  EXPECT_EQ(r, (TRect{1100, 668, 1200, 768}));
}

TEST(KcControlUtils, HourglassNests) {
  TFormsSession session;
  Screen->SetCursor(crDefault);
  HideHourglassCursor();  // unmatched: nothing
  EXPECT_EQ(Screen->Cursor(), crDefault);
  ShowHourglassCursor();
  ShowHourglassCursor();
  HideHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crHourGlass);
  HideHourglassCursor();
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(KcTimer, DefaultsIntervalsAndRestart) {
  TTestSession session;
  TkcTimer timer(nullptr);
  EXPECT_TRUE(timer.Enabled());
  EXPECT_EQ(timer.Interval(), 1000u);
  timer.SetInterval(0);
  EXPECT_EQ(timer.Interval(), 1000u);
  EXPECT_FALSE(timer.TimerOn());  // no event: no platform timer
  std::vector<std::uint64_t> ticks;
  std::uint64_t start = session.Clock().TickCount64();
  timer.SetOnTimer([&](TObject* sender) {
    EXPECT_EQ(sender, &timer);
    ticks.push_back(session.Clock().TickCount64() - start);
  });
  EXPECT_TRUE(timer.TimerOn());
  session.Advance(700);
  timer.SetInterval(500);  // the period starts again
  session.Advance(1000);
  EXPECT_EQ(ticks, (std::vector<std::uint64_t>{1200, 1700}));
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.TimerOn());
  session.Advance(2000);
  EXPECT_EQ(ticks.size(), 2u);
  // Two timers have different ids even when one is freed and another made.
  UINT_PTR id = timer.Id();
  auto other = std::make_unique<TkcTimer>(nullptr);
  EXPECT_NE(other->Id(), id);
}

namespace {
struct TTrackingCaller : IkcMouseTrackingCaller {
  bool QueryInterface(const TGUID& IID, void** Obj) override {
    return GetInterfaceOf<IkcMouseTrackingCaller>(this, IID, Obj);
  }
  void MouseLeave() override { ++leaves; }
  int leaves = 0;
};

struct TLeaveRecorder : TkcControl {
  explicit TLeaveRecorder(TComponent* AOwner) : TkcControl(AOwner) {}
  int leaves = 0, settings = 0;
  void Dispatch(TMessage& m) override {
    if (m.Msg == CM_MOUSELEAVE) ++leaves;
    if (m.Msg == KCM_SETTINGSCHANGED) ++settings;
    TkcControl::Dispatch(m);
  }
};
}  // namespace

TEST(KcMouseTracking, LeavingTheBoundsEndsTrackingOnce) {
  TFormsSession session;
  TPlainForm form;
  auto* control = new TLeaveRecorder(&form);
  control->SetParent(&form);
  control->SetBounds(10, 10, 100, 50);
  form.Show();
  session.MoveTo(TPoint{20, 20});
  TTrackingCaller caller;
  BeginMouseTracking(control, TRect{0, 0, 30, 30}, &caller);
  BeginMouseTracking(control, TRect{0, 0, 30, 30}, &caller);
  EXPECT_EQ(MouseTrackingCount(), 1);
  // Out of the tracked area but still in the control: no CM_MOUSELEAVE.
  session.MoveTo(TPoint{60, 20});
  control->leaves = 0;
  session.Advance(10);
  EXPECT_EQ(caller.leaves, 1);
  EXPECT_EQ(control->leaves, 0);
  EXPECT_FALSE(IsMouseTracking(&caller));
  session.Advance(50);
  EXPECT_EQ(caller.leaves, 1);
  // Out of the control: the framework hears of the leave.
  BeginMouseTracking(control, TRect{0, 0, 100, 50}, &caller);
  session.MoveTo(TPoint{300, 200});
  control->leaves = 0;
  session.Advance(10);
  EXPECT_EQ(caller.leaves, 2);
  EXPECT_GE(control->leaves, 1);
  EndMouseTracking(&caller);  // untracked: nothing
  // A control freed while tracked is forgotten, not touched.
  BeginMouseTracking(control, TRect{0, 0, 100, 50}, &caller);
  delete control;
  session.Advance(10);
  EXPECT_EQ(caller.leaves, 3);
  EXPECT_EQ(MouseTrackingCount(), 0);
}

TEST(KcSettingsController, OnlyNonClientMetricsReachControls) {
  TFormsSession session;
  TPlainForm form;
  auto* control = new TLeaveRecorder(&form);
  control->SetParent(&form);
  form.Show();
  session.ProcessMessages();
  control->settings = 0;
  SendMessage(GetSettingsController()->Handle(), WM_SETTINGCHANGE, 47, 0);
  session.ProcessMessages();
  EXPECT_EQ(control->settings, 0);
  BroadcastSystemChange(TSystemChange::NonClientMetrics);
  session.ProcessMessages();
  EXPECT_EQ(control->settings, 1);
}

TEST(KcWaitForDragStart, ClickDragAndEscape) {
  TFormsSession session;
  TPlainForm form;
  form.Show();
  HWND wnd = form.Handle();
  const TPoint at{100, 100};
  struct Case {
    std::vector<std::function<void()>> steps;
    int expected;
  };
  const Case cases[] = {
      {{[&] { session.QueueRelease(); }}, 0},
      {{[&] {
          session.QueueMove(TPoint{at.x + 4, at.y});
        },
        [&] { session.QueueRelease(); }},
       0},
      {{[&] {
         session.QueueMove(TPoint{at.x + 5, at.y});
       }},
       1},
      {{[&] { session.QueueKey(VK_ESCAPE, true); }}, 2},
  };
  for (const Case& c : cases) {
    session.MoveTo(at);
    for (const auto& step : c.steps) session.Script(step);
    EXPECT_EQ(WaitForDragStart(wnd), c.expected);
    EXPECT_NE(GetCapture(), wnd);
    session.Release();
    session.ProcessMessages();
  }
  // A quit ends the wait and is posted again.
  session.MoveTo(at);
  session.Script([] { PostQuitMessage(3); });
  EXPECT_EQ(WaitForDragStart(wnd), 2);
  MSG msg;
  EXPECT_TRUE(PeekMessage(&msg, HWND(), WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(msg.wParam, 3u);
}
