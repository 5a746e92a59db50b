#pragma once
// The filter builder dialog: a filter builder control over a link, with opening and saving
// filter files (.flt), Apply, OK and Cancel. It remembers its bounds for the program's run.

#include "editors-extended/kcButtons.h"
#include "filter-builder/kcFilterControl.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TfmFilterControlDialog : public TForm {
  VT_CLASS(TfmFilterControlDialog, TForm)
public:
  explicit TfmFilterControlDialog(TComponent* AOwner);

  // Places AControl (not owned) on the form and sets the texts, dialogs and bounds.
  void InitializeDialog(TkcCustomFilterControl* AControl, const String& AInitialDir);
  void SetFileName(const String& AName);
  void acOpenExecute(TObject* Sender);
  void acSaveExecute(TObject* Sender);
  void acApplyExecute(TObject* Sender);
  void acOkExecute(TObject* Sender);

  TkcCustomFilterControl* FilterControl() const { return fFilterControl; }
  TPanel* pnlBottom;
  TPanel* pnlBottomRight;
  TkcButton* btOpen;
  TkcButton* btSave;
  TkcButton* btOk;
  TkcButton* btCancel;
  TkcButton* btApply;
  TOpenDialog* OpenDialog;
  TSaveDialog* SaveDialog;

  // The bounds remembered by the last closing in this run (-1: none yet).
  static void ForgetBounds();

protected:
  void DoShow() override;

private:
  TkcCustomFilterControl* fFilterControl = nullptr;
};

// Shows the dialog over ALinkComponent (a component offering IkcFilterControl); true when it
// closed with OK. AColor clDefault keeps the control's colour; ALookAndFeel and AFont may be null.
bool ExecuteFilterControlDialog(TComponent* ALinkComponent, TkcLookAndFeel* ALookAndFeel, TColor AColor, TFont* AFont,
                                const String& AInitialDir, TNotifyEvent AOnShow, TNotifyEvent AOnApplyFilter);
