#pragma once
// The connect dialog: database, user, password, role and character set, with up to ten
// remembered connections from the settings file.

#include <memory>

#include "analyzer/Settings.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TdlgConnectToDB : public TForm {
  VT_CLASS(TdlgConnectToDB, TForm)
public:
  explicit TdlgConnectToDB(TComponent* AOwner);

  TComboBox* edtDatabaseName;
  TButton* btnBrowse;
  TLabeledEdit* edtUserName;
  TLabeledEdit* edtPassword;
  TLabeledEdit* edtRole;
  TComboBox* cboCharacterSet;
  TCheckBox* chkRememberDatabase;
  TCheckBox* chkRememberUsername;
  TBevel* Bevel;
  TButton* btnOK;
  TButton* btnCancel;
  TOpenDialog* OpenDialog;

  String DatabaseName() { return edtDatabaseName->Text(); }
  void SetDatabaseName(const String& v) { edtDatabaseName->SetText(v); }
  String UserName() { return edtUserName->Text(); }
  void SetUserName(const String& v) { edtUserName->SetText(v); }
  String Password() { return edtPassword->Text(); }
  void SetPassword(const String& v) { edtPassword->SetText(v); }
  String Role() { return edtRole->Text(); }
  void SetRole(const String& v) { edtRole->SetText(v); }
  String CharacterSet() { return cboCharacterSet->Text(); }
  void SetCharacterSet(const String& v) { cboCharacterSet->SetText(v); }
  // Setting a path loads the remembered connections from it; without one, the program's
  // path with ".ini".
  String SettingsFileName() const;
  void SetSettingsFileName(const String& fileName);

  void LoadSettings();
  void SaveSettings();
  int FindRememberedIndex();
  void FillFromRemembered();
  const TRememberedConnections& Remembered() const { return fRemembered; }

private:
  void LoadRemembered();
  void BrowseClick();
  void RememberUsernameClick();
  void LayoutControls();

  String fSettingsFileName;
  std::unique_ptr<TMemIniFile> fSettings;
  TRememberedConnections fRemembered;
};

inline constexpr const char* RememberPasswordsWarningText =
    "Warning: The remembered User Names and Passwords are stored in a plain text file.  You should use this "
    "option only if you are certain that your local filesystem is secure.\n\r\n\rAre you sure you wish to enable "
    "this option?";
