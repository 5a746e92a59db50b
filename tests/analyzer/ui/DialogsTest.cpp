// The options, connect and About dialogs: their rules on a private settings file.

#include "MainFormTestUtil.h"

#include "analyzer/ui/AboutDialog.h"
#include "analyzer/ui/ConnectDialog.h"
#include "analyzer/ui/OptionsDialog.h"
#include "analyzer/ui/UiUtils.h"
#include "platform/win/ShellApi.h"

namespace {
struct OptionsDialog : ::testing::Test {
  TWindowSession s;
  String file;
  std::vector<String> opened;
  TShellOpenProvider saved;
  void SetUp() override {
    file = s.Path("settings.ini");
    saved = SetShellOpenProvider([this](const String& f) {
      opened.push_back(f);
      return true;
    });
  }
  void TearDown() override { SetShellOpenProvider(saved); }
  // Shows the dialog; `edit` runs on it, then the button with the caption is pressed.
  TModalResult Show(std::function<void(TfrmOptions&)> edit, const char* button) {
    TOwned<TfrmOptions> dialog(new TfrmOptions(nullptr));
    dialog->SettingsFileName = file;
    s.Script([&, button] {
      edit(*dialog);
      for (TButton* b : {dialog->btnOK, dialog->btnCancel, dialog->btnHelp})
        if (b->Caption() == button) b->Click();
      PostMessage(dialog->Handle(), WM_NULL);
    });
    return dialog->ShowModal();
  }
};
}  // namespace

TEST_F(OptionsDialog, ThresholdsInOrderAndFallbacks) {
  // Equal thresholds are refused with the message; nothing is written, the dialog stays.
  String message;
  bool stillOpen = false;
  TOwned<TfrmOptions> dialog(new TfrmOptions(nullptr));
  dialog->SettingsFileName = file;
  s.Script([&] {
    EXPECT_TRUE(dialog->chkSelectivityWarn->Checked());
    EXPECT_EQ(dialog->edtSelectivityWarning->Text(), "2");
    EXPECT_EQ(dialog->edtPacketRecords->Text(), "200");
    dialog->edtSelectivityWarning->SetText("100");
    dialog->btnOK->Click();
    PostMessage(dialog->Handle(), WM_NULL);
  });
  s.Script([&] { message = s.AnswerMessage(); });
  s.Script([&] {
    stillOpen = dialog->Visible();
    EXPECT_FALSE(std::filesystem::exists(file));
    // 99 and 100 are in order; an empty error threshold keeps the one shown; "abc" packets are 200.
    dialog->edtSelectivityWarning->SetText("99");
    dialog->edtSelectivityError->SetText("");
    dialog->edtPacketRecords->SetText("abc");
    dialog->edtParserRecursionDepth->SetText("-5");
    dialog->chkShowSystemTables->SetChecked(false);
    dialog->btnOK->Click();
    PostMessage(dialog->Handle(), WM_NULL);
  });
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(message, ThresholdOrderText);
  EXPECT_TRUE(stillOpen);
  TAnalyzerOptions o = ReadOptions(file);
  EXPECT_EQ(o.WarningThreshold, 99);
  EXPECT_EQ(o.ErrorThreshold, 100);
  EXPECT_EQ(o.PacketRecordsForFetching, 200);
  EXPECT_EQ(o.MaximumParserRecursionDepth, -5);
  EXPECT_FALSE(o.IncludeSystemTables);
  EXPECT_NE(s.Read(file).find("WarnIfHigh=1"), String::npos);

  // Help opens its page and closes the dialog without saving; so does Cancel.
  EXPECT_EQ(Show([](TfrmOptions& d) { d.edtSelectivityWarning->SetText("5"); }, "Help"), mrCancel);
  ASSERT_EQ(opened.size(), 1u);
  EXPECT_EQ(opened[0].substr(opened[0].size() - 23), "Help/OptionsDialog.html");
  EXPECT_EQ(Show([](TfrmOptions& d) { d.edtSelectivityWarning->SetText("5"); }, "Cancel"), mrCancel);
  EXPECT_EQ(ReadOptions(file).WarningThreshold, 99);
}

namespace {
struct ConnectDialog : ::testing::Test {
  TWindowSession s;
  String file;
  void SetUp() override { file = s.Path("settings.ini"); }
  void Remember(std::initializer_list<const char*> names) {
    TRememberedConnections r;
    for (auto it = std::rbegin(names); it != std::rend(names); ++it)
      r.Remember(-1, TRememberedConnection{*it, String("U") + *it, "pw", "R", "UTF8"}, true);
    r.RememberDatabase = true;
    r.SaveToFile(file);
  }
  // Shows the dialog on the file; `act` runs on it, then OK.
  void Run(std::function<void(TdlgConnectToDB&)> act, TModalResult result = mrOk) {
    TOwned<TdlgConnectToDB> dialog(new TdlgConnectToDB(nullptr));
    dialog->SetSettingsFileName(file);
    s.Script([&] {
      act(*dialog);
      dialog->SetModalResult(result);
      PostMessage(dialog->Handle(), WM_NULL);
    });
    dialog->ShowModal();
  }
  std::vector<String> Names() {
    TRememberedConnections r;
    r.LoadFromFile(file);
    std::vector<String> names;
    for (int i = 0; i < r.Count(); ++i) names.push_back(r.Items(i).DatabaseName);
    return names;
  }
};
}  // namespace

TEST_F(ConnectDialog, RemembersConnectionsNewestFirst) {
  Remember({"D1", "D2", "D3"});
  // The newest fills the boxes; picking the third moves it to the front.
  Run([](TdlgConnectToDB& d) {
    EXPECT_EQ(d.DatabaseName(), "D1");
    EXPECT_EQ(d.UserName(), "UD1");
    EXPECT_EQ(d.CharacterSet(), "UTF8");
    EXPECT_EQ(d.edtDatabaseName->Items()->Count(), 3);
    EXPECT_TRUE(d.chkRememberUsername->Enabled());
    d.edtDatabaseName->SetItemIndex(2);
    d.FillFromRemembered();
    EXPECT_EQ(d.UserName(), "UD3");
  });
  EXPECT_EQ(Names(), (std::vector<String>{"D3", "D1", "D2"}));
  // Without "Remember User name / Password / Role" the entry keeps no user, password or role.
  Run([](TdlgConnectToDB& d) {
    d.SetDatabaseName("d2");  // letter case ignored
    d.SetUserName("OTHER");
  });
  TRememberedConnections r;
  r.LoadFromFile(file);
  EXPECT_EQ(r.Items(0).DatabaseName, "D2");
  EXPECT_EQ(r.Items(0).UserName, "");
  EXPECT_EQ(r.Items(0).Password, "");
  // An empty name, or Cancel, leaves the entries as they are.
  Run([](TdlgConnectToDB& d) { d.SetDatabaseName(""); });
  Run([](TdlgConnectToDB& d) { d.SetDatabaseName("NEW"); }, mrCancel);
  EXPECT_EQ(Names(), (std::vector<String>{"D2", "D3", "D1"}));
  // Ten at most: an eleventh drops the oldest.
  for (int i = 0; i < 10; ++i) Run([i](TdlgConnectToDB& d) { d.SetDatabaseName("N" + std::to_string(i)); });
  EXPECT_EQ(Names().size(), 10u);
  EXPECT_EQ(Names().front(), "N9");
  EXPECT_EQ(Names().back(), "N0");
}

TEST_F(ConnectDialog, PasswordWarningBrowseAndLayout) {
  // Checking the second box asks first; No unchecks it.
  String warning;
  Run([&](TdlgConnectToDB& d) {
    d.chkRememberDatabase->SetChecked(true);
    s.Script([&] {
      auto* box = dynamic_cast<TMessageForm*>(Screen->ActiveForm());
      ASSERT_TRUE(box);
      warning = box->MessageText();
      box->FindButton("No")->Click();
      PostMessage(box->Handle(), WM_NULL);
    });
    d.chkRememberUsername->SetChecked(true);
    EXPECT_FALSE(d.chkRememberUsername->Checked());
  });
  // A file where it is on loads without any warning.
  TRememberedConnections r;
  r.RememberDatabase = true;
  r.RememberUsername = true;
  r.Remember(-1, TRememberedConnection{"/data/x.fdb", "SYSDBA", "pw", "", "NONE"}, true);
  r.SaveToFile(file);
  String chosen = s.Path("other.fdb");
  SetFileDialogProvider([&](TOpenDialog& d) {
    EXPECT_EQ(d.Filter, "InterBase database|*.ib;*.gdb;*.fdb|All files|*.*");
    d.FileName = chosen;
    return true;
  });
  Run([&](TdlgConnectToDB& d) {
    EXPECT_TRUE(d.chkRememberUsername->Checked());
    EXPECT_EQ(d.Password(), "pw");
    chosen = "/data/x.fdb";
    d.btnBrowse->Click();
    EXPECT_EQ(d.DatabaseName(), "/data/x.fdb");
    EXPECT_EQ(d.UserName(), "SYSDBA");
    // The buttons follow the width: Cancel under Browse, the gap before OK as the margin below.
    d.SetWidth(640);
    EXPECT_EQ(d.btnCancel->Left() + d.btnCancel->Width(), d.btnBrowse->Left() + d.btnBrowse->Width());
    EXPECT_EQ(d.btnCancel->Left() - d.btnOK->Left() - d.btnOK->Width(),
              d.ClientHeight() - d.btnOK->Top() - d.btnOK->Height());
    EXPECT_EQ(d.edtDatabaseName->Left() + d.edtDatabaseName->Width(),
              d.btnBrowse->Left() - d.edtDatabaseName->Height() / 3);
    d.SetHeight(400);
    EXPECT_EQ(d.Height(), 260);
  });
  EXPECT_EQ(warning, RememberPasswordsWarningText);
}

TEST(GuiAboutDialog, VersionFromTheProgramOrEmpty) {
  TWindowSession s;
  SetVersionResource({});
  TdlgAbout empty(nullptr);
  s.Script([&] {
    EXPECT_EQ(empty.lblApplicationName->Caption(), "InterBase Vantorelle");
    EXPECT_EQ(empty.lblVersion->Caption(), "");
    EXPECT_EQ(empty.lblCopyright->Caption(), "");
    EXPECT_EQ(empty.VersionInfo.Count(), 0);
    s.QueuePress(VK_RETURN);
  });
  EXPECT_EQ(empty.ShowModal(), mrOk);

  SetVersionResource({{"FileVersion", "1.2.3.4"}, {"LegalCopyright", "(C) Kestrum"}});
  TdlgAbout about(nullptr);
  s.Script([&] {
    EXPECT_EQ(about.lblVersion->Caption(), "1.2.3.4");
    EXPECT_EQ(about.lblCopyright->Caption(), "(C) Kestrum");
    EXPECT_EQ(about.lblVersion->Left(),
              about.lblApplicationName->Left() + about.lblApplicationName->Width() / 2 - about.lblVersion->Width() / 2);
    EXPECT_EQ(about.VersionInfo.Strings(1), "FileVersion=1.2.3.4");
    s.QueuePress(VK_ESCAPE);
  });
  about.ShowModal();
  SetVersionResource({});
}
