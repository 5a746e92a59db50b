// The control model: alignment, tab order and focus messages, the CM_ messages of property
// setters, parent font and colour, keys, mouse, exceptions from handlers.

#include <gtest/gtest.h>

#include "FormsTestUtil.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

using Lines = std::vector<String>;

namespace {

// Records the framework messages that reach it, by name.
template <class Base>
class TSpy : public Base {
public:
  TSpy(TComponent* owner, Lines* log, String name) : Base(owner), fLog(log), fName(std::move(name)) {}
  void WndProc(TMessage& m) override {
    if (m.Msg >= CM_BASE && m.Msg < CN_BASE && fLog) {
      static const std::pair<UINT, const char*> names[] = {{CM_ENTER, "CM_ENTER"},
                                                           {CM_EXIT, "CM_EXIT"},
                                                           {CM_COLORCHANGED, "CM_COLORCHANGED"},
                                                           {CM_FONTCHANGED, "CM_FONTCHANGED"},
                                                           {CM_ENABLEDCHANGED, "CM_ENABLEDCHANGED"},
                                                           {CM_VISIBLECHANGED, "CM_VISIBLECHANGED"},
                                                           {CM_TEXTCHANGED, "CM_TEXTCHANGED"},
                                                           {CM_CURSORCHANGED, "CM_CURSORCHANGED"},
                                                           {CM_PARENTCOLORCHANGED, "CM_PARENTCOLORCHANGED"},
                                                           {CM_PARENTFONTCHANGED, "CM_PARENTFONTCHANGED"},
                                                           {CM_MOUSEENTER, "CM_MOUSEENTER"},
                                                           {CM_MOUSELEAVE, "CM_MOUSELEAVE"}};
      for (auto& n : names)
        if (n.first == m.Msg &&
            ((m.Msg != CM_MOUSEENTER && m.Msg != CM_MOUSELEAVE) || m.LParam == reinterpret_cast<LPARAM>(this)))
          fLog->push_back(fName + " " + n.second);
    }
    Base::WndProc(m);
  }
  Lines* fLog;
  String fName;
};

struct TTestForm : TForm {
  explicit TTestForm(Lines* log = nullptr) : TForm(nullptr) {
    SetBounds(100, 100, 400, 300);
    SetBorderStyle(bsNone);
    top = new TSpy<TPanel>(this, log, "top");
    top->SetParent(this);
    top->SetHeight(40);
    top->SetAlign(alTop);
    left = new TSpy<TPanel>(this, log, "left");
    left->SetParent(this);
    left->SetWidth(120);
    left->SetAlign(alLeft);
    client = new TSpy<TPanel>(this, log, "client");
    client->SetParent(this);
    client->SetAlign(alClient);
    e1 = new TSpy<TEdit>(this, log, "e1");
    e1->SetParent(left);
    e1->SetBounds(5, 5, 100, 21);
    e2 = new TSpy<TEdit>(this, log, "e2");
    e2->SetParent(left);
    e2->SetBounds(5, 35, 100, 21);
    e3 = new TSpy<TEdit>(this, log, "e3");
    e3->SetParent(client);
    e3->SetBounds(5, 5, 100, 21);
  }
  TPanel *top, *left, *client;
  TEdit *e1, *e2, *e3;
};

}  // namespace

TEST(ControlAlignment, TopLeftClientAndResize) {
  TFormsSession s;
  TTestForm f;
  auto* bottom = new TPanel(&f);
  bottom->SetParent(&f);
  bottom->SetHeight(20);
  bottom->SetAlign(alBottom);
  f.Show();
  EXPECT_EQ(f.top->BoundsRect(), Rect(0, 0, 400, 40));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 280, 400, 300));
  EXPECT_EQ(f.left->BoundsRect(), Rect(0, 40, 120, 280));
  EXPECT_EQ(f.client->BoundsRect(), Rect(120, 40, 400, 280));
  f.SetBounds(100, 100, 500, 400);
  EXPECT_EQ(f.client->BoundsRect(), Rect(120, 40, 500, 380));
  EXPECT_EQ(bottom->BoundsRect(), Rect(0, 380, 500, 400));
  // Hiding an aligned control gives its space to the others.
  f.left->Hide();
  EXPECT_EQ(f.client->BoundsRect(), Rect(0, 40, 500, 380));
}

TEST(ControlAlignment, AnchorsFollowTheParent) {
  TFormsSession s;
  TPlainForm f(200, 100);
  struct Case {
    TAnchors anchors;
    RECT expected;
  };
  const Case cases[] = {
      {TAnchors{akLeft, akTop}, Rect(10, 10, 50, 30)},
      {TAnchors{akRight, akBottom}, Rect(60, 60, 100, 80)},
      {TAnchors{akLeft, akTop, akRight, akBottom}, Rect(10, 10, 100, 80)},
  };
  std::vector<TButton*> buttons;
  for (const Case& c : cases) {
    auto* b = new TButton(&f);
    b->SetParent(&f);
    b->SetBounds(10, 10, 40, 20);
    b->SetAnchors(c.anchors);
    buttons.push_back(b);
  }
  f.Show();
  f.SetBounds(0, 0, 250, 150);
  for (std::size_t i = 0; i < buttons.size(); ++i) EXPECT_EQ(buttons[i]->BoundsRect(), cases[i].expected) << i;
}

TEST(ControlFocus, EnterAndExitFollowTheParentChain) {
  TFormsSession s;
  Lines log;
  TTestForm f(&log);
  log.clear();
  f.Show();
  // Showing focuses the first control in tab order: e1 inside "left".
  EXPECT_EQ(f.ActiveControl(), f.e1);
  EXPECT_TRUE(f.e1->Focused());
  EXPECT_EQ(log, (Lines{"left CM_ENTER", "e1 CM_ENTER"}));
  log.clear();
  f.e2->SetFocus();  // a sibling: only the edits change
  EXPECT_EQ(log, (Lines{"e1 CM_EXIT", "e2 CM_ENTER"}));
  log.clear();
  f.e3->SetFocus();  // another panel: exit inside out, enter outside in
  EXPECT_EQ(log, (Lines{"e2 CM_EXIT", "left CM_EXIT", "client CM_ENTER", "e3 CM_ENTER"}));
  EXPECT_EQ(Screen->ActiveControl(), f.e3);
}

TEST(ControlFocus, TabOrderSkipsDisabledAndWraps) {
  TFormsSession s;
  TTestForm f;
  f.Show();
  ASSERT_TRUE(f.e1->Focused());
  s.Key(VK_TAB);
  EXPECT_TRUE(f.e2->Focused());
  s.Key(VK_TAB);
  EXPECT_TRUE(f.e3->Focused());
  s.Key(VK_TAB);  // wraps
  EXPECT_TRUE(f.e1->Focused());
  f.e2->SetEnabled(false);
  s.Key(VK_TAB);
  EXPECT_TRUE(f.e3->Focused());
  s.KeyDown(VK_SHIFT);
  s.Key(VK_TAB);
  s.KeyUp(VK_SHIFT);
  EXPECT_TRUE(f.e1->Focused());
  // Tab order changes the sequence; a tab key makes no character in the edit.
  f.e2->SetEnabled(true);
  f.e3->SetTabOrder(0);
  EXPECT_EQ(f.e3->TabOrder(), 0);
  f.e2->SetTabOrder(0);  // within "left": e2 before e1
  f.e2->SetFocus();
  s.Key(VK_TAB);
  EXPECT_TRUE(f.e1->Focused());
  EXPECT_EQ(f.e1->Text(), "");
}

TEST(ControlMessages, SettersSendTheirMessages) {
  TFormsSession s;
  Lines log;
  TForm f(nullptr);
  auto* p = new TSpy<TPanel>(&f, &log, "p");
  p->SetParent(&f);
  log.clear();
  TFont big;
  big.SetSize(14);
  struct Case {
    std::function<void()> set;
    Lines expected;
  };
  const Case cases[] = {
      {[&] { p->SetColor(clRed); }, {"p CM_COLORCHANGED"}},
      {[&] { p->SetColor(clRed); }, {}},  // no change, no message
      {[&] { p->SetFont(&big); }, {"p CM_FONTCHANGED"}},
      {[&] { p->SetEnabled(false); }, {"p CM_ENABLEDCHANGED"}},
      {[&] { p->SetVisible(false); }, {"p CM_VISIBLECHANGED"}},
      {[&] { p->SetCaption("x"); }, {"p CM_TEXTCHANGED"}},
      {[&] { p->SetCursor(crHandPoint); }, {"p CM_CURSORCHANGED"}},
  };
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    log.clear();
    cases[i].set();
    EXPECT_EQ(log, cases[i].expected) << i;
  }
}

TEST(ControlMessages, ParentColorAndFontReachOnlyFollowers) {
  TFormsSession s;
  Lines log;
  TForm f(nullptr);
  auto* panel = new TSpy<TPanel>(&f, &log, "panel");
  panel->SetParent(&f);
  auto* follower = new TSpy<TLabel>(&f, &log, "follower");
  follower->SetParent(panel);
  auto* own = new TSpy<TLabel>(&f, &log, "own");
  own->SetParent(panel);
  own->SetColor(clYellow);
  own->Font()->SetColor(clBlue);
  auto* nested = new TPanel(&f);
  nested->SetParent(panel);
  nested->SetParentColor(true);
  auto* deep = new TLabel(&f);
  deep->SetParent(nested);
  log.clear();
  panel->SetColor(clNavy);
  panel->Font()->SetName("Courier New");
  EXPECT_EQ(follower->Color(), clNavy);
  EXPECT_TRUE(follower->ParentColor());
  EXPECT_EQ(own->Color(), clYellow);
  EXPECT_EQ(deep->Color(), clNavy) << "a nested panel that follows passes it on";
  EXPECT_EQ(follower->Font()->Name(), "Courier New");
  EXPECT_TRUE(follower->ParentFont());
  EXPECT_EQ(own->Font()->Name(), "MS Sans Serif");
  EXPECT_EQ(deep->Font()->Name(), "Courier New");
  EXPECT_EQ(log, (Lines{"panel CM_COLORCHANGED", "follower CM_PARENTCOLORCHANGED", "follower CM_COLORCHANGED",
                        "own CM_PARENTCOLORCHANGED", "panel CM_FONTCHANGED", "follower CM_PARENTFONTCHANGED",
                        "follower CM_FONTCHANGED", "own CM_PARENTFONTCHANGED"}));
  // Setting ParentColor again takes the parent's colour back.
  own->SetParentColor(true);
  EXPECT_EQ(own->Color(), clNavy);
}

TEST(ControlInput, TypingClicksAndMouseEnterLeave) {
  TFormsSession s;
  Lines log;
  TTestForm f(&log);
  auto* label = new TSpy<TLabel>(&f, &log, "label");
  label->SetParent(f.client);
  label->SetBounds(10, 100, 60, 20);
  f.Show();
  s.Type("héllo");
  EXPECT_EQ(f.e1->Text(), "héllo");
  s.Key(VK_BACK);
  s.Key(VK_LEFT);
  s.Type("X");
  EXPECT_EQ(f.e1->Text(), "hélXl");
  int clicks = 0;
  label->OnClick = [&](TObject*) { ++clicks; };
  log.clear();
  s.Click(TFormsSession::At(label, 5, 5));
  EXPECT_EQ(clicks, 1);
  s.MoveTo(TFormsSession::At(f.e3, 5, 5));
  Lines mouse;
  for (auto& l : log)
    if (l.find("MOUSE") != String::npos) mouse.push_back(l);
  EXPECT_EQ(mouse, (Lines{"label CM_MOUSEENTER", "label CM_MOUSELEAVE", "e3 CM_MOUSEENTER"}));
  // A click on another edit focuses it.
  s.Click(TFormsSession::At(f.e2, 5, 5));
  EXPECT_TRUE(f.e2->Focused());
}

TEST(ControlInput, KeyPreviewAndDefaultButtons) {
  TFormsSession s;
  TTestForm f;
  std::vector<WORD> seen;
  f.SetKeyPreview(true);
  f.OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    seen.push_back(key);
    if (key == VK_F2) key = 0;  // eaten by the form
  };
  int editKeys = 0;
  f.e1->OnKeyDown = [&](TObject*, WORD&, TShiftState) { ++editKeys; };
  auto* ok = new TButton(&f);
  ok->SetParent(f.client);
  ok->SetTop(100);
  ok->SetDefault(true);
  auto* cancel = new TButton(&f);
  cancel->SetParent(f.client);
  cancel->SetTop(140);
  cancel->SetCancel(true);
  Lines pressed;
  ok->OnClick = [&](TObject*) { pressed.push_back("ok"); };
  cancel->OnClick = [&](TObject*) { pressed.push_back("cancel"); };
  f.Show();
  s.Key(VK_F2);
  s.Key(VK_F3);
  EXPECT_EQ(seen, (std::vector<WORD>{VK_F2, VK_F3}));
  EXPECT_EQ(editKeys, 1);
  s.Key(VK_RETURN);
  s.Key(VK_ESCAPE);
  cancel->SetFocus();
  s.Key(VK_RETURN);  // the focused button wins over the default one
  s.Key(VK_SPACE, " ");
  EXPECT_EQ(pressed, (Lines{"ok", "cancel", "cancel", "cancel"}));
}

TEST(ControlExceptions, HandlerExceptionsReachOnException) {
  TFormsSession s;
  TPlainForm f(200, 100);
  auto* b = new TButton(&f);
  b->SetParent(&f);
  b->OnClick = [](TObject*) { throw EConvertError("'x' is not a valid integer value"); };
  auto* quiet = new TButton(&f);
  quiet->SetParent(&f);
  quiet->SetTop(40);
  quiet->OnClick = [](TObject*) { Abort(); };
  Lines got;
  Application->OnException = [&](TObject* sender, Exception& e) {
    got.push_back(String(e.ClassName()) + ": " + e.Message() + (sender == b ? " (button)" : ""));
  };
  f.Show();
  s.Click(TFormsSession::At(b, 5, 5));
  s.Click(TFormsSession::At(quiet, 5, 5));  // EAbort is silent
  Application->OnException = nullptr;
  EXPECT_EQ(got, (Lines{"EConvertError: 'x' is not a valid integer value (button)"}));
}

TEST(ControlLifetime, FreeingControlsClearsReferences) {
  TFormsSession s;
  TTestForm f;
  f.Show();
  ASSERT_EQ(f.ActiveControl(), f.e1);
  HWND h = f.e1->Handle();
  f.left->Free();  // takes e1 and e2 with it
  EXPECT_EQ(f.ActiveControl(), nullptr);
  EXPECT_FALSE(IsWindow(h));
  EXPECT_EQ(f.ControlCount(), 2);
  EXPECT_EQ(f.client->BoundsRect(), Rect(0, 40, 400, 300));
  // A window destroyed behind the control's back is made again on demand.
  HWND old = f.e3->Handle();
  DestroyWindow(old);
  EXPECT_FALSE(f.e3->HandleAllocated());
  EXPECT_NE(f.e3->Handle(), old);
}

TEST(ControlHints, ShortHintShowsAfterThePauseLongHintInApplication) {
  TFormsSession s;
  TTestForm f;
  f.SetShowHint(true);
  f.e3->SetHint("Run|Runs the statement");
  f.e2->SetHint("No hints here");
  f.e2->SetShowHint(false);
  String longHint;
  Application->OnHint = [&](TObject*) { longHint = Application->Hint(); };
  f.Show();
  s.MoveTo(TFormsSession::At(f.e3, 5, 5));
  EXPECT_EQ(longHint, "Runs the statement");
  ASSERT_TRUE(Application->HintWindow() == nullptr || !Application->HintWindow()->Visible());
  s.Advance(Application->HintPause);
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_TRUE(Application->HintWindow()->Visible());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Run");
  s.MoveTo(TFormsSession::At(f.e2, 5, 5));  // ShowHint off: nothing shows
  EXPECT_FALSE(Application->HintWindow()->Visible());
  s.Advance(Application->HintPause * 2);
  EXPECT_FALSE(Application->HintWindow()->Visible());
  EXPECT_EQ(longHint, "No hints here");
  Application->OnHint = nullptr;
}

TEST(ControlMessages, ChildNotificationsAreReflected) {
  TFormsSession s;
  TPlainForm f(200, 100);
  Lines got;
  struct TBar : TCustomControl {
    explicit TBar(TComponent* o, Lines* l) : TCustomControl(o), log(l) {}
    void Dispatch(TMessage& m) override {
      if (m.Msg == CN_VSCROLL || m.Msg == CN_COMMAND) {
        log->push_back(MessageName(m.Msg - CN_BASE) + " " + IntToStr(LOWORD(m.WParam)));
        m.Result = 5;
        return;
      }
      TCustomControl::Dispatch(m);
    }
    Lines* log;
  };
  auto* bar = new TBar(&f, &got);
  bar->SetParent(&f);
  f.Show();
  LPARAM child = static_cast<LPARAM>(bar->Handle().value);
  EXPECT_EQ(SendMessage(f.Handle(), WM_VSCROLL, SB_LINEDOWN, child), 5);
  EXPECT_EQ(SendMessage(f.Handle(), WM_COMMAND, MAKEWPARAM(7, 0), child), 5);
  SendMessage(f.Handle(), WM_VSCROLL, SB_LINEUP, 0);  // the form's own bar: not reflected
  EXPECT_EQ(got, (Lines{"WM_VSCROLL 1", "WM_COMMAND 7"}));
}
