#include "analyzer/ui/AboutDialog.h"

#include <vector>

#include "analyzer/Settings.h"
#include "platform/win/ShellApi.h"

TdlgAbout::TdlgAbout(TComponent* AOwner) : TForm(AOwner) {
  SetName("dlgAbout");
  SetCaption("About");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poMainFormCenter);
  SetClientSize(289, 184);
  imgIcon = new TImage(this);
  imgIcon->SetParent(this);
  imgIcon->SetBounds(12, 12, 32, 32);
  imgIcon->SetCenter(true);
  auto label = [this](int left, int top, int width, int height) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetAutoSize(false);
    l->SetAlignment(taCenter);
    l->SetBounds(left, top, width, height);
    return l;
  };
  lblApplicationName = label(52, 14, 225, 16);
  lblApplicationName->Font()->SetStyle(TFontStyles{fsBold});
  lblApplicationName->SetParentFont(false);
  lblVersion = label(52, 34, 225, 13);
  lblVersion->SetAutoSize(true);
  lblCopyright = label(72, 56, 145, 29);
  lblCopyright->SetWordWrap(true);
  lblInterBaseCopyright = label(12, 92, 265, 42);
  lblInterBaseCopyright->SetWordWrap(true);
  lblInterBaseCopyright->SetCaption("InterBase is a trademark or registered trademark of its owner.");
  Bevel1 = new TBevel(this);
  Bevel1->SetParent(this);
  Bevel1->SetShape(bsTopLine);
  Bevel1->SetBounds(8, 140, 273, 2);
  btnOK = new TButton(this);
  btnOK->SetParent(this);
  btnOK->SetCaption("OK");
  btnOK->SetDefault(true);
  btnOK->SetCancel(true);
  btnOK->SetModalResult(mrOk);
  btnOK->SetBounds(107, 150, 75, 25);
  OnShow = [this](TObject*) { FormShow(); };
}

void TdlgAbout::FormShow() {
  imgIcon->Picture()->SetGraphic(Application->Icon());
  lblApplicationName->SetCaption(Application->Title());
  ReadVersionInfo();
  lblVersion->SetCaption(VersionInfo.Values("FileVersion"));
  lblVersion->SetLeft(lblApplicationName->Left() + lblApplicationName->Width() / 2 - lblVersion->Width() / 2);
  lblCopyright->SetCaption(VersionInfo.Values("LegalCopyright"));
}

void TdlgAbout::ReadVersionInfo() {
  VersionInfo.Clear();
  const String program = GetProgramFileName();
  DWORD handle = 0;
  const DWORD size = GetFileVersionInfoSize(program, &handle);
  if (size == 0) return;
  std::vector<char> buffer(size);
  if (!GetFileVersionInfo(program, handle, size, buffer.data())) return;
  VersionInfo.Add("VersionInfoSize = " + IntToStr(static_cast<int>(size)));
  for (const char* key : {"CompanyName", "FileDescription", "FileVersion", "InternalName", "LegalCopyright",
                          "LegalTradeMarks", "OriginalFileName", "ProductName", "ProductVersion", "Comments"}) {
    const char* value = nullptr;
    UINT length = 0;
    if (VerQueryValue(buffer.data(), String("StringFileInfo\\040904E4\\") + key, &value, &length))
      VersionInfo.Add(String(key) + "=" + value);
  }
}
