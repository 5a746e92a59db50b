// Actions, menus and bars: short cuts, updates, edit actions on the focused edit, popup menus,
// the main menu bar and tool bar, the customize dialog, file dialogs.

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "FormsTestUtil.h"
#include "platform/forms/ActnMan.h"
#include "platform/forms/StdActns.h"
#include "platform/gdi/Printers.h"

using Lines = std::vector<String>;

namespace {
void QueueKeys(TTestSession& s, std::initializer_list<WORD> keys) {
  for (WORD k : keys) s.QueueKey(k, true), s.QueueKey(k, false);
}

struct TActionForm : TForm {
  TActionForm() : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 400, 300);
    manager = new TActionManager(this);
    run = NewAction(manager, "&Run", MenuShortCut('R', TShiftState{ssCtrl}));
    run->Category = "Query";
    run->OnExecute = [this](TObject*) { log.push_back("run"); };
    exitAction = new TFileExit(this);
    exitAction->SetActionList(manager);
    copy = new TEditCopy(this);
    copy->SetActionList(manager);
    undo = new TEditUndo(this);
    undo->SetActionList(manager);
    menu = new TActionMainMenuBar(this);
    menu->SetParent(this);
    menu->SetActionManager(manager);
    TActionClientItem* file = menu->Items()->Add();
    file->Caption = "&File";
    file->Add()->Action = run;
    file->Add()->Caption = "-";
    file->Add()->Action = exitAction;
    tools = new TActionToolBar(this);
    tools->SetParent(this);
    tools->SetTop(30);
    tools->SetActionManager(manager);
    tools->Items()->Add()->Action = run;
    edit = new TEdit(this);
    edit->SetParent(this);
    edit->SetBounds(10, 100, 150, 21);
  }
  TActionManager* manager;
  TAction* run;
  TFileExit* exitAction;
  TEditCopy* copy;
  TEditUndo* undo;
  TActionMainMenuBar* menu;
  TActionToolBar* tools;
  TEdit* edit;
  Lines log;
};
}  // namespace

TEST(Actions, ShortCutsUpdatesAndEditActions) {
  TFormsSession s;
  TActionForm f;
  f.Show();
  ASSERT_TRUE(f.edit->Focused());
  s.KeyDown(VK_CONTROL);
  s.Key('R');
  s.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.log, (Lines{"run"}));
  EXPECT_EQ(f.edit->Text(), "") << "the short cut's key makes no character";
  // An update handler that disables the action stops its short cut.
  f.run->OnUpdate = [&](TObject*) { f.run->SetEnabled(false); };
  s.KeyDown(VK_CONTROL);
  s.Key('R');
  s.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.log.size(), 1u);
  // Edit actions follow the focused edit: copy needs a selection, undo an edit.
  Application->DoIdle();
  EXPECT_FALSE(f.copy->Enabled());
  EXPECT_FALSE(f.undo->Enabled());
  s.Type("select me");
  f.edit->SelectAll();
  Application->DoIdle();
  EXPECT_TRUE(f.copy->Enabled());
  EXPECT_TRUE(f.undo->Enabled());
  Clipboard()->SetAsText("");
  EXPECT_TRUE(f.copy->Execute());
  EXPECT_EQ(Clipboard()->AsText(), "select me");
  f.undo->Execute();
  EXPECT_EQ(f.edit->Text(), "");
}

TEST(Actions, MainMenuBarToolBarAndPopupMenus) {
  TFormsSession s;
  TActionForm f;
  Application->SetMainForm(&f);
  f.Show();
  // The menu drops down; Down, Enter runs the first item.
  auto layout = f.menu->Layout();
  ASSERT_EQ(layout.size(), 1u);
  s.Script([&] { QueueKeys(s, {VK_DOWN, VK_RETURN}); });
  s.Click(f.menu->ClientToScreen(TPoint{layout[0].second.left + 3, 5}));
  EXPECT_EQ(f.log, (Lines{"run"}));
  // Alt+F drops it down too; Escape closes it without running anything.
  s.Script([&] { QueueKeys(s, {VK_ESCAPE}); });
  s.KeyDown(VK_MENU);
  s.Key('F', "f");
  s.KeyUp(VK_MENU);
  EXPECT_EQ(f.log.size(), 1u);
  // The tool bar button runs its action, not when the action is disabled.
  auto buttons = f.tools->Layout();
  ASSERT_EQ(buttons.size(), 1u);
  POINT b = f.tools->ClientToScreen(TPoint{buttons[0].second.left + 3, 5});
  s.Click(b);
  f.run->SetEnabled(false);
  s.Click(b);
  EXPECT_EQ(f.log, (Lines{"run", "run"}));
  // A popup menu on the edit: right click, the item's accelerator letter.
  auto* popup = new TPopupActionBar(&f);
  f.run->SetEnabled(true);
  popup->AddAction(f.run);
  popup->AddAction(nullptr);
  auto* other = new TMenuItem(popup);
  other->SetCaption("&Other");
  other->OnClick = [&](TObject*) { f.log.push_back("other"); };
  popup->Items()->Add(other);
  f.edit->SetPopupMenu(popup);
  s.Script([&] {
    EXPECT_TRUE(popup->WindowHandle());
    s.QueueKey('O', true, "o"), s.QueueKey('O', false);
  });
  s.Click(TFormsSession::At(f.edit, 5, 5), TTestSession::Button::Right);
  EXPECT_EQ(f.log, (Lines{"run", "run", "other"}));
  EXPECT_EQ(popup->PopupComponent, f.edit);
  // An item's own caption keeps its accelerator (the action's is "&Run"): Alt+F, then U.
  TActionClientItem* again = f.menu->Items()->Items(0)->Add();
  again->Action = f.run;
  again->Caption = "R&un again";
  s.Script([&] { s.QueueKey('U', true, "u"), s.QueueKey('U', false); });
  s.KeyDown(VK_MENU);
  s.Key('F', "f");
  s.KeyUp(VK_MENU);
  EXPECT_EQ(f.log, (Lines{"run", "run", "other", "run"}));
  // Exit closes the main form, which ends the application.
  f.exitAction->Execute();
  EXPECT_FALSE(f.Visible());
  MSG m;
  EXPECT_TRUE(PeekMessage(&m, HWND(), WM_QUIT, WM_QUIT, PM_NOREMOVE));
  Application->SetMainForm(nullptr);
}

TEST(Actions, CustomizeDialogAndUsageCounts) {
  TFormsSession s;
  TActionForm f;
  f.manager->SetUsageCounts(-1);
  EXPECT_EQ(f.manager->ActionBars(0)->Items.Items(0)->Items(0)->UsageCount, -1);
  TCustomizeDlg dlg(nullptr);
  dlg.ActionManager = f.manager;
  int closed = 0;
  dlg.OnClose = [&](TObject*) { ++closed; };
  auto* customize = new TCustomizeActionBars(&f);
  customize->CustomizeDlg = &dlg;
  String listed;
  s.Script([&] {
    auto* list = dynamic_cast<TListBox*>(dlg.Form()->Controls(0));
    listed = list->Items()->Strings(0);
    QueueKeys(s, {VK_ESCAPE});
  });
  EXPECT_TRUE(customize->Execute());
  EXPECT_EQ(listed, "Query: Run  Ctrl+R");
  EXPECT_EQ(closed, 1);
}

TEST(Actions, PrintSetupChoicesHoldForTheFollowingJobs) {
  TFormsSession s;
  TPrinterSetup shown;
  auto old = SetPrinterSetupProvider([&](TPrinterSetup& setup) {
    shown = setup;
    setup.OutputFileName = "/tmp/vt-chosen.pdf";
    setup.Orientation = poLandscape;
    setup.Copies = 2;
    return true;
  });
  TFilePrintSetup action(nullptr);
  action.ExecuteTarget(nullptr);
  EXPECT_EQ(shown.OutputFileName, "");
  EXPECT_EQ(Printer().OutputFileName(), "/tmp/vt-chosen.pdf");
  EXPECT_EQ(Printer().Orientation(), poLandscape);
  EXPECT_EQ(Printer().Copies(), 2);
  // The dialog starts from what was chosen; a cancel changes nothing.
  SetPrinterSetupProvider([&](TPrinterSetup& setup) {
    shown = setup;
    setup.Orientation = poPortrait;
    return false;
  });
  action.ExecuteTarget(nullptr);
  EXPECT_EQ(shown.OutputFileName, "/tmp/vt-chosen.pdf");
  EXPECT_EQ(Printer().Orientation(), poLandscape);
  Printer().SetSetup(TPrinterSetup{});
  SetPrinterSetupProvider(old);
}

TEST(Actions, FileDialogsThroughTheProvider) {
  TFormsSession s;
  TSaveDialog save(nullptr);
  save.DefaultExt = "txt";
  save.Filter = "Text files (*.txt)|*.txt|All files (*.*)|*.*";
  save.FilterIndex = 2;
  String seenFilter;
  auto old = SetFileDialogProvider([&](TOpenDialog& d) {
    seenFilter = d.Filter;
    d.FileName = d.IsSave() ? "/tmp/plan" : "/tmp/query.sql";
    return true;
  });
  EXPECT_TRUE(save.Execute());
  EXPECT_EQ(save.FileName, "/tmp/plan.txt");
  EXPECT_EQ(seenFilter, save.Filter);
  TOpenDialog open(nullptr);
  open.DefaultExt = "txt";
  EXPECT_TRUE(open.Execute());
  EXPECT_EQ(open.FileName, "/tmp/query.sql") << "a name with an extension keeps it";
  // A pattern as the default extension adds its extension; an existing name without one stays.
  const String existing =
      (std::filesystem::temp_directory_path() / ("vt-noext-" + std::to_string(::getpid()))).string();
  std::ofstream(existing) << "x";
  for (auto [typed, expected] : {std::pair<String, String>{"/tmp/vt-missing-query", "/tmp/vt-missing-query.txt"},
                                 std::pair<String, String>{existing, existing}}) {
    SetFileDialogProvider([typed](TOpenDialog& d) {
      d.FileName = typed;
      return true;
    });
    TOpenDialog patterned(nullptr);
    patterned.DefaultExt = "*.txt";
    EXPECT_TRUE(patterned.Execute());
    EXPECT_EQ(patterned.FileName, expected);
  }
  std::filesystem::remove(existing);
  SetFileDialogProvider([](TOpenDialog&) { return false; });
  EXPECT_FALSE(open.Execute());
  SetFileDialogProvider(old);
}
