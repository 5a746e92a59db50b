#pragma once
// The options dialog: selectivity marks, the statistics graph, query cancellation and the
// advanced values, read from and written to the settings file key by key.

#include "platform/forms/ComCtrls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Mask.h"

class TfrmOptions : public TForm {
  VT_CLASS(TfrmOptions, TForm)
public:
  explicit TfrmOptions(TComponent* AOwner);

  String SettingsFileName;

  TPageControl* PageControl;
  TTabSheet* tshtDisplay;
  TTabSheet* tshtQuery;
  TTabSheet* tshtAdvanced;
  TCheckBox* chkSelectivityWarn;
  TImage* imgOK;
  TMaskEdit* edtSelectivityWarning;
  TImage* imgWarning;
  TMaskEdit* edtSelectivityError;
  TImage* imgError;
  TCheckBox* chkShowSystemTables;
  TCheckBox* chkEnableQueryCancellation;
  TLabeledEdit* edtPacketRecords;
  TLabeledEdit* edtParserRecursionDepth;
  TButton* btnOK;
  TButton* btnCancel;
  TButton* btnHelp;

  void LoadSettings();
  // Raises when the thresholds are not in order; nothing is written then.
  void SaveSettings();
  int WarningThreshold() const { return fWarningThreshold; }
  int ErrorThreshold() const { return fErrorThreshold; }

private:
  void FormClose(TCloseAction& action);
  void btnHelpClick();
  int fWarningThreshold = 2;
  int fErrorThreshold = 100;
};

// The text when the error threshold is not above the warning threshold.
inline constexpr const char* ThresholdOrderText =
    "The selectivity error threshold must be higher than the selectivity warning threshold.";
