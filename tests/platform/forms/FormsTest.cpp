// Forms and the application: modal forms, message boxes answered through the test driver,
// timers on the fake clock, threads ending on the user-interface thread.

#include <gtest/gtest.h>

#include <thread>

#include "FormsTestUtil.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Threads.h"

using Lines = std::vector<String>;

namespace {
struct TDialogForm : TForm {
  TDialogForm() : TForm(nullptr) {
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientSize(200, 100);
    edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(10, 10, 100, 21);
    ok = new TButton(this);
    ok->SetParent(this);
    ok->SetBounds(10, 60, 75, 25);
    ok->SetModalResult(mrOk);
    ok->SetDefault(true);
    cancel = new TButton(this);
    cancel->SetParent(this);
    cancel->SetBounds(100, 60, 75, 25);
    cancel->SetModalResult(mrCancel);
    cancel->SetCancel(true);
  }
  TEdit* edit;
  TButton *ok, *cancel;
};
}  // namespace

TEST(FormModal, EndsByModalResultAndRespectsCloseQuery) {
  TFormsSession s;
  TForm owner(nullptr);
  owner.SetBounds(0, 0, 300, 300);
  owner.Show();
  TDialogForm d;
  bool allow = false;
  int queries = 0;
  d.OnCloseQuery = [&](TObject*, bool& can) {
    ++queries;
    can = allow;
  };
  s.Script([&] { s.QueueKey('A', true, "a"), s.QueueKey('A', false); });
  s.Script([&] {
    EXPECT_FALSE(IsWindowEnabled(owner.Handle())) << "the other forms are disabled while the modal one runs";
    EXPECT_TRUE(d.edit->Focused());
    s.QueueKey(VK_RETURN, true), s.QueueKey(VK_RETURN, false);
  });
  s.Script([&] {
    EXPECT_TRUE(d.Visible()) << "CloseQuery said no: the form stays";
    allow = true;
    POINT p = TFormsSession::At(d.ok, 5, 5);
    s.QueueMove(p), s.QueuePress(), s.QueueRelease();
  });
  EXPECT_EQ(d.ShowModal(), mrOk);
  EXPECT_EQ(queries, 2);
  EXPECT_FALSE(d.Visible());
  EXPECT_EQ(d.edit->Text(), "a");
  EXPECT_TRUE(IsWindowEnabled(owner.Handle()));
  // Centred on the work area.
  EXPECT_EQ(d.Left(), (1024 - d.Width()) / 2);
  // Escape presses the cancel button; a visible form cannot be made modal.
  s.Script([&] { s.QueueKey(VK_ESCAPE, true), s.QueueKey(VK_ESCAPE, false); });
  EXPECT_EQ(d.ShowModal(), mrCancel);
  d.Show();
  EXPECT_THROW(d.ShowModal(), EInvalidOperation);
}

TEST(FormModal, MessageBoxesAnsweredByTheDriver) {
  TFormsSession s;
  Application->SetTitle("InterBase Vantorelle");
  struct Case {
    UINT flags;
    std::vector<WORD> keys;
    int expected;
  };
  const Case cases[] = {
      {MB_OK, {VK_RETURN}, IDOK},
      {MB_YESNO | MB_ICONQUESTION, {VK_RETURN}, IDYES},
      {MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2, {VK_RETURN}, IDNO},
      {MB_YESNO, {VK_ESCAPE}, IDNO},
      {MB_OKCANCEL, {VK_ESCAPE}, IDCANCEL},
      {MB_YESNOCANCEL, {VK_TAB, VK_RETURN}, IDNO},
  };
  for (const Case& c : cases) {
    String text, caption;
    s.Script([&] {
      auto* box = dynamic_cast<TMessageForm*>(Screen->ActiveForm());
      ASSERT_NE(box, nullptr);
      text = box->MessageText();
      caption = box->Caption();
      for (WORD k : c.keys) s.QueueKey(k, true), s.QueueKey(k, false);
    });
    EXPECT_EQ(MessageBox(HWND(), "Proceed?", "Title", c.flags), c.expected) << c.flags;
    EXPECT_EQ(text, "Proceed?");
    EXPECT_EQ(caption, "Title");
  }
  // The standard error display: the title as caption, a full stop added.
  Application->OnException = nullptr;
  String shown;
  s.Script([&] {
    shown = dynamic_cast<TMessageForm*>(Screen->ActiveForm())->MessageText() + " | " + Screen->ActiveForm()->Caption();
    s.QueueKey(VK_RETURN, true), s.QueueKey(VK_RETURN, false);
  });
  try {
    throw Exception("Unable to complete network request");
  } catch (...) {
    Application->HandleException(nullptr);
  }
  EXPECT_EQ(shown, "Unable to complete network request. | InterBase Vantorelle");
  // MessageDlg answers modal results, with the type as caption.
  s.Script([&] {
    shown = Screen->ActiveForm()->Caption();
    s.QueueKey(VK_TAB, true), s.QueueKey(VK_TAB, false), s.QueueKey(VK_SPACE, true, " "), s.QueueKey(VK_SPACE, false);
  });
  EXPECT_EQ(MessageDlg("Delete?", mtWarning, TMsgDlgButtons{mbYes, mbNo}, 0), mrNo);
  EXPECT_EQ(shown, "Warning");
}

TEST(FormTimer, TicksOnTheFakeClock) {
  TFormsSession s;
  TTimer t(nullptr);
  int ticks = 0;
  t.SetInterval(100);
  t.SetOnTimer([&](TObject*) { ++ticks; });
  s.Advance(350);
  EXPECT_EQ(ticks, 3);
  t.SetEnabled(false);
  s.Advance(500);
  EXPECT_EQ(ticks, 3);
  t.SetEnabled(true);
  t.SetInterval(0);  // no interval: no timer
  s.Advance(500);
  EXPECT_EQ(ticks, 3);
  // A failing tick goes to the application's handler and the timer keeps running.
  Lines errors;
  Application->OnException = [&](TObject* sender, Exception& e) {
    errors.push_back(e.Message() + (sender == &t ? " (timer)" : ""));
  };
  t.SetOnTimer([&](TObject*) {
    ++ticks;
    throw Exception("tick failed");
  });
  t.SetInterval(50);
  s.Advance(100);
  Application->OnException = nullptr;
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(errors, (Lines{"tick failed (timer)", "tick failed (timer)"}));
}

namespace {
class TWorker : public TThread {
public:
  explicit TWorker(std::vector<std::thread::id>* ids, bool fail) : TThread(true), fIds(ids), fFail(fail) {}

protected:
  void Execute() override {
    fIds->push_back(std::this_thread::get_id());
    Synchronize([this] { fIds->push_back(std::this_thread::get_id()); });
    if (fFail) throw Exception("lost connection");
    ReturnValue = 7;
  }

private:
  std::vector<std::thread::id>* fIds;
  bool fFail;
};
}  // namespace

TEST(FormThread, CompletionRunsOnTheUserInterfaceThread) {
  TFormsSession s;
  for (bool fail : {false, true}) {
    std::vector<std::thread::id> ids;
    std::thread::id terminatedOn;
    bool done = false;
    String fatal;
    auto* w = new TWorker(&ids, fail);
    w->FreeOnTerminate = true;
    w->OnTerminate = [&](TObject* sender) {
      terminatedOn = std::this_thread::get_id();
      fatal = static_cast<TThread*>(sender)->FatalMessage();
      done = true;
    };
    w->Start();
    for (int guard = 0; guard < 1000 && !done; ++guard) Application->HandleMessage();
    ASSERT_TRUE(done);
    ASSERT_EQ(ids.size(), 2u);
    EXPECT_NE(ids[0], std::this_thread::get_id()) << "Execute runs on its own thread";
    EXPECT_EQ(ids[1], std::this_thread::get_id()) << "Synchronize runs on the UI thread";
    EXPECT_EQ(terminatedOn, std::this_thread::get_id());
    EXPECT_EQ(fatal, fail ? "lost connection" : "");
    Application->ProcessMessages();  // the thread frees itself
  }
  // WaitFor on the UI thread runs the synchronized calls meanwhile.
  std::vector<std::thread::id> ids;
  TWorker w(&ids, false);
  w.Start();
  EXPECT_EQ(w.WaitFor(), 7);
  EXPECT_EQ(ids.size(), 2u);
}

TEST(FormConstraints, HoldForTheProgramAndForWindowMoves) {
  TFormsSession s;
  TForm f(nullptr);
  f.Constraints()->MinWidth = 480;
  f.Constraints()->MinHeight = 260;
  f.Constraints()->MaxHeight = 260;
  f.SetBounds(10, 10, 300, 400);
  EXPECT_EQ(f.BoundsRect(), Bounds(10, 10, 480, 260));
  f.Show();
  SetWindowPos(f.Handle(), HWND(), 10, 10, 200, 500, SWP_NOZORDER | SWP_NOACTIVATE);  // as a user's drag would
  EXPECT_EQ(f.Width(), 480);
  EXPECT_EQ(f.Height(), 260);
  RECT r;
  GetWindowRect(f.Handle(), &r);
  EXPECT_EQ(r, Bounds(10, 10, 480, 260));
}

// A form that sizes in whole rows of 20 pixels and refuses to grow wider than 600.
struct TRowSizedForm : TForm {
  TRowSizedForm() : TForm(nullptr) {}
  bool CanResize(int& NewWidth, int& NewHeight) override {
    ++asked;
    if (NewWidth > 600) return false;
    NewHeight = NewHeight / 20 * 20;
    return true;
  }
  int asked = 0;
};

TEST(FormConstraints, CanResizeAdjustsOrRefusesBeforeTheConstraints) {
  TFormsSession s;
  TRowSizedForm f;
  f.Constraints()->MinHeight = 100;
  f.SetBounds(0, 0, 300, 200);
  f.Show();
  struct Case {
    bool byUser;
    int w, h;
    int wantW, wantH;
  } cases[] = {
      {false, 300, 245, 300, 240},  // rounded to whole rows
      {false, 700, 400, 300, 240},  // refused: the size stays
      {false, 250, 50, 250, 100},   // rounded to 40, then raised by the constraint
      {true, 320, 333, 320, 320},   // a user's drag is asked too
      {true, 900, 200, 320, 320},
  };
  for (const Case& c : cases) {
    if (c.byUser)
      SetWindowPos(f.Handle(), HWND(), f.Left(), f.Top(), c.w, c.h, SWP_NOZORDER | SWP_NOACTIVATE);
    else
      f.SetBounds(f.Left(), f.Top(), c.w, c.h);
    EXPECT_EQ(f.Width(), c.wantW) << c.w << "x" << c.h;
    EXPECT_EQ(f.Height(), c.wantH) << c.w << "x" << c.h;
    RECT r;
    GetWindowRect(f.Handle(), &r);
    EXPECT_EQ(r.right - r.left, c.wantW);
    EXPECT_EQ(r.bottom - r.top, c.wantH);
  }
  const int asked = f.asked;
  f.SetBounds(40, 30, f.Width(), f.Height());  // a move alone asks nothing
  EXPECT_EQ(f.asked, asked);
  EXPECT_EQ(f.Left(), 40);
}
