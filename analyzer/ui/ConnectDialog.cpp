#include "analyzer/ui/ConnectDialog.h"

namespace {
const char* const kCharacterSets[] = {"ASCII",    "BIG_5",  "CYRL",   "DOS437", "DOS850",    "DOS852",      "DOS857",
                                      "DOS860",   "DOS861", "DOS863", "DOS865", "EUCJ_0208", "GB_2312",     "ISO8859_1",
                                      "KSC_5601", "NEXT",   "NONE",   "OCTETS", "SJIS_0208", "UNICODE_FSS", "UTF8"};

TLabeledEdit* NewLabeledEdit(TForm* owner, const String& caption, int left, int top, int width) {
  auto* edit = new TLabeledEdit(owner);
  edit->SetParent(owner);
  edit->SetBounds(left, top, width, 21);
  edit->EditLabel()->SetCaption(caption);
  return edit;
}

// A label above its control, placed as a labelled edit places its own (3 pixels above, as high
// as the font makes it), so that the labels of a row stand in one line.
TLabel* NewLabel(TForm* owner, const String& caption, TWinControl* focus) {
  auto* label = new TLabel(owner);
  label->SetParent(owner);
  label->SetCaption(caption);
  label->SetLeft(focus->Left());
  label->SetTop(focus->Top() - label->Height() - 3);
  label->FocusControl = focus;
  return label;
}
}  // namespace

TdlgConnectToDB::TdlgConnectToDB(TComponent* AOwner) : TForm(AOwner) {
  SetName("dlgConnectToDB");
  SetCaption("Connect to Database");
  SetBorderIcons(TBorderIcons{});
  SetPosition(poMainFormCenter);
  SetBounds(0, 0, 480, 260);
  Constraints()->MinWidth = 480;
  Constraints()->MinHeight = 260;
  Constraints()->MaxHeight = 260;

  edtDatabaseName = new TComboBox(this);
  edtDatabaseName->SetParent(this);
  edtDatabaseName->SetBounds(12, 26, 360, 21);
  edtDatabaseName->DropDownCount = 10;
  NewLabel(this, "&Database name", edtDatabaseName);
  btnBrowse = new TButton(this);
  btnBrowse->SetParent(this);
  btnBrowse->SetCaption("&Browse...");
  btnBrowse->SetBounds(380, 24, 75, 25);

  edtUserName = NewLabeledEdit(this, "&User name", 12, 74, 140);
  edtUserName->SetCharCase(TEditCharCase::ecUpperCase);
  edtPassword = NewLabeledEdit(this, "&Password", 164, 74, 140);
  edtPassword->SetPasswordChar(U'*');
  edtRole = NewLabeledEdit(this, "&Role", 12, 120, 140);
  cboCharacterSet = new TComboBox(this);
  cboCharacterSet->SetParent(this);
  cboCharacterSet->SetBounds(164, 120, 140, 21);
  for (const char* name : kCharacterSets) cboCharacterSet->Items()->Add(name);
  cboCharacterSet->SetText("NONE");
  NewLabel(this, "&Character set", cboCharacterSet);

  chkRememberDatabase = new TCheckBox(this);
  chkRememberDatabase->SetParent(this);
  chkRememberDatabase->SetCaption("Remember Database");
  chkRememberDatabase->SetBounds(12, 154, 200, 17);
  chkRememberUsername = new TCheckBox(this);
  chkRememberUsername->SetParent(this);
  chkRememberUsername->SetCaption("Remember User name / Password / Role");
  chkRememberUsername->SetBounds(12, 176, 300, 17);
  chkRememberUsername->SetEnabled(false);

  Bevel = new TBevel(this);
  Bevel->SetParent(this);
  Bevel->SetShape(bsTopLine);
  Bevel->SetBounds(8, 198, 456, 2);
  btnOK = new TButton(this);
  btnOK->SetParent(this);
  btnOK->SetCaption("OK");
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnOK->SetBounds(296, 204, 75, 25);
  btnCancel = new TButton(this);
  btnCancel->SetParent(this);
  btnCancel->SetCaption("Cancel");
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetBounds(380, 204, 75, 25);

  OpenDialog = new TOpenDialog(this);
  OpenDialog->Filter = "InterBase database|*.ib;*.gdb;*.fdb|All files|*.*";
  OpenDialog->DefaultExt = "gdb";
  OpenDialog->Options = TOpenOptions{ofHideReadOnly, ofFileMustExist, ofEnableSizing};

  edtDatabaseName->OnCloseUp = [this](TObject*) { FillFromRemembered(); };
  edtDatabaseName->OnExit = [this](TObject*) {
    if (ModalResult() != mrOk) FillFromRemembered();
  };
  btnBrowse->OnClick = [this](TObject*) { BrowseClick(); };
  chkRememberDatabase->OnClick = [this](TObject*) { chkRememberUsername->SetEnabled(chkRememberDatabase->Checked()); };
  chkRememberUsername->OnClick = [this](TObject*) { RememberUsernameClick(); };
  OnClose = [this](TObject*, TCloseAction&) {
    // The connection goes ahead even when the file cannot be written; the user is told why.
    try {
      SaveSettings();
    } catch (Exception& e) {
      Application->ShowException(e);
    }
  };
  OnResize = [this](TObject*) { LayoutControls(); };
  OnShow = [this](TObject*) {
    if (edtDatabaseName->CanFocus()) SetActiveControl(edtDatabaseName);
  };
  LayoutControls();
}

String TdlgConnectToDB::SettingsFileName() const {
  if (!fSettingsFileName.empty()) return fSettingsFileName;
  return ChangeFileExt(GetProgramFileName(), ".ini");
}

void TdlgConnectToDB::SetSettingsFileName(const String& fileName) {
  if (fileName.empty()) return;
  fSettingsFileName = fileName;
  LoadSettings();
}

void TdlgConnectToDB::LoadSettings() {
  fSettings = LoadSettingsFile(SettingsFileName());
  LoadRemembered();
  chkRememberDatabase->SetChecked(fRemembered.RememberDatabase);
  // Loading a file where it is on shows no warning.
  TNotifyEvent click = chkRememberUsername->OnClick;
  chkRememberUsername->OnClick = nullptr;
  chkRememberUsername->SetChecked(fRemembered.RememberUsername);
  chkRememberUsername->OnClick = click;
}

void TdlgConnectToDB::LoadRemembered() {
  fRemembered.Load(*fSettings);
  edtDatabaseName->Items()->Clear();
  for (int i = 0; i < fRemembered.Count(); ++i) edtDatabaseName->Items()->Add(fRemembered.Items(i).DatabaseName);
  if (fRemembered.Count() > 0) {
    edtDatabaseName->SetText(fRemembered.Items(0).DatabaseName);
    FillFromRemembered();
  }
}

int TdlgConnectToDB::FindRememberedIndex() {
  const int selected = edtDatabaseName->ItemIndex();
  const String text = edtDatabaseName->Text();
  if (selected >= 0 && selected < edtDatabaseName->Items()->Count() &&
      edtDatabaseName->Items()->Strings(selected) == text)
    return selected;
  return fRemembered.FindIndex(text);
}

void TdlgConnectToDB::FillFromRemembered() {
  const int index = FindRememberedIndex();
  if (index < 0 || index >= fRemembered.Count()) return;
  const TRememberedConnection& entry = fRemembered.Items(index);
  edtUserName->SetText(entry.UserName);
  edtPassword->SetText(entry.Password);
  edtRole->SetText(entry.Role);
  cboCharacterSet->SetText(entry.CharacterSet);
}

void TdlgConnectToDB::BrowseClick() {
  if (!OpenDialog->Execute()) return;
  edtDatabaseName->SetText(OpenDialog->FileName);
  if (edtUserName->CanFocus()) edtUserName->SetFocus();
  const int index = fRemembered.FindIndex(OpenDialog->FileName);
  if (index >= 0) {
    edtUserName->SetText(fRemembered.Items(index).UserName);
    edtPassword->SetText(fRemembered.Items(index).Password);
  }
}

void TdlgConnectToDB::RememberUsernameClick() {
  if (!chkRememberUsername->Checked()) return;
  if (MessageDlg(RememberPasswordsWarningText, mtWarning, TMsgDlgButtons{mbYes, mbNo}, 0) != mrYes)
    chkRememberUsername->SetChecked(false);
}

void TdlgConnectToDB::SaveSettings() {
  if (!fSettings || ModalResult() != mrOk) return;
  if (chkRememberDatabase->Checked()) {
    TRememberedConnection connection{DatabaseName(), UserName(), Password(), Role(), CharacterSet()};
    fRemembered.Remember(FindRememberedIndex(), connection, chkRememberUsername->Checked());
  }
  fRemembered.RememberDatabase = chkRememberDatabase->Checked();
  fRemembered.RememberUsername = chkRememberUsername->Checked();
  fRemembered.Save(*fSettings);
  fSettings->UpdateFile();
}

void TdlgConnectToDB::LayoutControls() {
  const int width = ClientWidth();
  const int height = ClientHeight();
  btnBrowse->SetLeft(width - btnBrowse->Width() - 2 * btnBrowse->Height() / 3);
  edtDatabaseName->SetWidth(btnBrowse->Left() - edtDatabaseName->Left() - edtDatabaseName->Height() / 3);
  Bevel->SetWidth(width - 2 * Bevel->Left());
  btnCancel->SetLeft(btnBrowse->Left() + btnBrowse->Width() - btnCancel->Width());
  btnOK->SetLeft(btnCancel->Left() - btnOK->Width() - (height - btnOK->Top() - btnOK->Height()));
}
