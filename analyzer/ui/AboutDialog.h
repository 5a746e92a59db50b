#pragma once
// The About box: the application's icon, title, file version and copyright.

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TdlgAbout : public TForm {
  VT_CLASS(TdlgAbout, TForm)
public:
  explicit TdlgAbout(TComponent* AOwner);

  TImage* imgIcon;
  TLabel* lblApplicationName;
  TLabel* lblVersion;
  TLabel* lblCopyright;
  TLabel* lblInterBaseCopyright;
  TBevel* Bevel1;
  TButton* btnOK;
  // "key=value" lines of the program's version information.
  TStringList VersionInfo;

  void ReadVersionInfo();

private:
  void FormShow();
};
