#pragma once
// Message boxes and the common dialogs.
//
// Message boxes are modal forms of this layer (a text, an icon letter and buttons), so a test
// answers them with keys or clicks through the test driver; the box is Screen->ActiveForm()
// while it runs (a TMessageForm). Enter presses the focused (default) button, Escape the
// cancel button.
//
// File and printer dialogs go through a provider: the desktop's dialogs when a GUI
// application runs, or whatever a test installs.

#include <functional>

#include "platform/forms/Forms.h"
#include "platform/gdi/Printers.h"
#include "platform/forms/StdCtrls.h"

int MessageBox(HWND owner, const String& text, const String& caption, UINT flags);

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn { mbYes, mbNo, mbOK, mbCancel, mbAbort, mbRetry, mbIgnore, mbAll, mbNoToAll, mbYesToAll, mbHelp };
using TMsgDlgButtons = TSet<TMsgDlgBtn, 16>;
inline const TMsgDlgButtons mbYesNoCancel{mbYes, mbNo, mbCancel};
inline const TMsgDlgButtons mbOKCancel{mbOK, mbCancel};

// Answers the modal result of the pressed button (mrCancel when closed otherwise).
int MessageDlg(const String& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int HelpCtx);
// The application's title as the caption, one OK button.
void ShowMessage(const String& Msg);

class TMessageForm : public TForm {
  VT_CLASS(TMessageForm, TForm)
public:
  // Buttons in order with their captions and results; `defaultIndex` has the focus.
  TMessageForm(const String& caption, const String& text, TMsgDlgType type,
               const std::vector<std::pair<String, int>>& buttons, int defaultIndex, int cancelResult);
  const String& MessageText() const { return fMessage; }
  TMsgDlgType DlgType() const { return fType; }
  int ButtonCount() const { return static_cast<int>(fButtons.size()); }
  TButton* Buttons(int i) const { return fButtons.at(i); }
  // The button with this caption (accelerator marks ignored), or null.
  TButton* FindButton(const String& caption) const;

private:
  String fMessage;
  TMsgDlgType fType;
  std::vector<TButton*> fButtons;
};

// ---- common dialogs -------------------------------------------------------------------------

enum TOpenOption {
  ofReadOnly,
  ofOverwritePrompt,
  ofHideReadOnly,
  ofNoChangeDir,
  ofShowHelp,
  ofNoValidate,
  ofAllowMultiSelect,
  ofExtensionDifferent,
  ofPathMustExist,
  ofFileMustExist,
  ofCreatePrompt,
  ofShareAware,
  ofNoReadOnlyReturn,
  ofNoTestFileCreate,
  ofNoNetworkButton,
  ofNoLongNames,
  ofOldStyleDialog,
  ofNoDereferenceLinks,
  ofEnableIncludeNotify,
  ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption, 32>;

class TCommonDialog : public TComponent {
  VT_CLASS(TCommonDialog, TComponent)
public:
  explicit TCommonDialog(TComponent* AOwner) : TComponent(AOwner) {}
  virtual bool Execute() = 0;
  int HelpContext = 0;
  TNotifyEvent OnShow, OnClose;
};

class TOpenDialog : public TCommonDialog {
  VT_CLASS(TOpenDialog, TCommonDialog)
public:
  explicit TOpenDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  // "Text files (*.txt)|*.txt|All files (*.*)|*.*"
  String Filter;
  int FilterIndex = 1;
  String DefaultExt;
  String FileName;
  String InitialDir;
  String Title;
  TOpenOptions Options{ofHideReadOnly, ofEnableSizing};
  TStringList* Files() { return &fFiles; }
  bool Execute() override;
  virtual bool IsSave() const { return false; }

private:
  TStringList fFiles;
};

class TSaveDialog : public TOpenDialog {
  VT_CLASS(TSaveDialog, TOpenDialog)
public:
  explicit TSaveDialog(TComponent* AOwner) : TOpenDialog(AOwner) {}
  bool IsSave() const override { return true; }
};

class TPrinterSetupDialog : public TCommonDialog {
  VT_CLASS(TPrinterSetupDialog, TCommonDialog)
public:
  explicit TPrinterSetupDialog(TComponent* AOwner) : TCommonDialog(AOwner) {}
  bool Execute() override;
};

// Who answers file and printer dialogs. A file provider gets the dialog and fills in
// FileName (and Files) and FilterIndex; it answers false for a cancel. The default extension
// is added afterwards to a name without one. A printer setup provider gets the printer's
// setup and changes it as the user chooses; what it answers OK to holds for the following jobs.
using TFileDialogProvider = std::function<bool(TOpenDialog& dialog)>;
using TPrinterSetupProvider = std::function<bool(TPrinterSetup& setup)>;
TFileDialogProvider SetFileDialogProvider(TFileDialogProvider p);
TPrinterSetupProvider SetPrinterSetupProvider(TPrinterSetupProvider p);
