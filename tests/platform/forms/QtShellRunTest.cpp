// The program's path: the Qt shell as the window host, the application's loop until the main
// form closes. (Other tests use the headless session.)

#include <gtest/gtest.h>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/win/QtShell.h"
#include "platform/win/TestDriver.h"

namespace {
struct TMainForm : TForm {
  explicit TMainForm(TComponent* owner) : TForm(owner) {
    SetCaption("InterBase Vantorelle");
    SetBounds(50, 50, 300, 200);
    auto* edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetText("select 1 from rdb$database");
    timer = new TTimer(this);
    timer->SetInterval(50);
    timer->SetOnTimer([this](TObject*) {
      ++ticks;
      if (ticks == 3) Close();
    });
  }
  TTimer* timer;
  int ticks = 0;
};
}  // namespace

TEST(QtShellRun, MainFormRunsUntilClosed) {
  Application->Initialize();
  win::ResetAll();
  InstallQtShell();
  TMainForm* main = nullptr;
  Application->CreateForm(main);
  EXPECT_EQ(Application->MainForm(), main);
  Application->Run();
  EXPECT_EQ(main->ticks, 3);
  EXPECT_TRUE(Application->Terminated());
  EXPECT_FALSE(main->Visible());
  main->Free();
  RemoveQtShell();
  win::ResetAll();
  Application->SetTerminated(false);
}
