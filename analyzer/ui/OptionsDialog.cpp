#include "analyzer/ui/OptionsDialog.h"

#include "analyzer/Settings.h"
#include "analyzer/ui/Images.h"
#include "analyzer/ui/UiUtils.h"
#include "platform/win/ShellApi.h"

namespace {
TCheckBox* NewCheckBox(TForm* owner, TWinControl* parent, const String& caption, int left, int top, int width) {
  auto* box = new TCheckBox(owner);
  box->SetParent(parent);
  box->SetCaption(caption);
  box->SetBounds(left, top, width, 17);
  return box;
}

TImage* NewMark(TForm* owner, TWinControl* parent, TCustomImageList* images, int index, int left, int top) {
  auto* image = new TImage(owner);
  image->SetParent(parent);
  image->SetBounds(left, top, 16, 16);
  TBitmap picture(16, 16);
  images->GetBitmap(index, &picture);
  image->Picture()->SetGraphic(&picture);
  image->SetTransparent(true);
  return image;
}

TMaskEdit* NewThresholdEdit(TForm* owner, TWinControl* parent, int left, int top) {
  auto* edit = new TMaskEdit(owner);
  edit->SetParent(parent);
  edit->SetEditMask("9999999999999;0; ");
  edit->SetBounds(left, top, 90, 21);
  return edit;
}

TButton* NewButton(TForm* owner, TWinControl* parent, const String& caption, int left, int top) {
  auto* button = new TButton(owner);
  button->SetParent(parent);
  button->SetCaption(caption);
  button->SetBounds(left, top, 75, 25);
  return button;
}
}  // namespace

TfrmOptions::TfrmOptions(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmOptions");
  SetCaption("Options");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poMainFormCenter);
  SetClientSize(337, 248);

  auto* bottom = new TPanel(this);
  bottom->SetParent(this);
  bottom->SetAlign(alBottom);
  bottom->SetHeight(41);
  bottom->SetBevelOuter(bvNone);
  bottom->SetCaption("");
  btnOK = NewButton(this, bottom, "OK", 93, 8);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnCancel = NewButton(this, bottom, "Cancel", 174, 8);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnHelp = NewButton(this, bottom, "Help", 255, 8);
  btnHelp->OnClick = [this](TObject*) { btnHelpClick(); };

  PageControl = new TPageControl(this);
  PageControl->SetParent(this);
  PageControl->SetAlign(alClient);
  auto page = [this](const String& caption) {
    auto* sheet = new TTabSheet(this);
    sheet->SetPageControl(PageControl);
    sheet->SetCaption(caption);
    return sheet;
  };
  tshtDisplay = page("Display");
  tshtQuery = page("Query");
  tshtAdvanced = page("Advanced");

  TImageList marks(nullptr);
  LoadAnalyzerImages(&marks);
  auto* selectivity = new TGroupBox(this);
  selectivity->SetParent(tshtDisplay);
  selectivity->SetCaption("Selectivity");
  selectivity->SetBounds(8, 8, 313, 97);
  chkSelectivityWarn = NewCheckBox(this, selectivity, "Display warnings for poor selectivity", 12, 20, 290);
  auto* thresholds = new TLabel(this);
  thresholds->SetParent(selectivity);
  thresholds->SetCaption("Thresholds:");
  thresholds->SetBounds(12, 46, 80, 13);
  imgOK = NewMark(this, selectivity, &marks, imgIndexGood, 12, 66);
  edtSelectivityWarning = NewThresholdEdit(this, selectivity, 32, 64);
  imgWarning = NewMark(this, selectivity, &marks, imgIndexWarning, 126, 66);
  edtSelectivityError = NewThresholdEdit(this, selectivity, 146, 64);
  imgError = NewMark(this, selectivity, &marks, imgIndexError, 240, 66);
  auto* graph = new TGroupBox(this);
  graph->SetParent(tshtDisplay);
  graph->SetCaption("Statistics graph");
  graph->SetBounds(8, 112, 313, 49);
  chkShowSystemTables = NewCheckBox(this, graph, "Include system tables in results", 12, 20, 290);

  chkEnableQueryCancellation = NewCheckBox(this, tshtQuery, "Enable query cancellation", 12, 12, 300);
  auto* note = new TLabel(this);
  note->SetParent(tshtQuery);
  note->SetAutoSize(false);
  note->SetWordWrap(true);
  note->SetBounds(12, 40, 300, 48);
  note->SetCaption(
      "This option has no effect unless you remotely connect to an InterBase version 6.5 (or higher) server.");

  auto labeled = [this](const String& caption, int top) {
    auto* edit = new TLabeledEdit(this);
    edit->SetParent(tshtAdvanced);
    edit->SetLabelPosition(lpLeft);
    edit->SetBounds(190, top, 100, 21);
    edit->EditLabel()->SetCaption(caption);
    return edit;
  };
  edtPacketRecords = labeled("Packet records for fetching", 16);
  edtParserRecursionDepth = labeled("Maximum parser recursion depth", 48);
  auto align = [this] { AlignLeftLabeledEdits({edtPacketRecords, edtParserRecursionDepth}, 12, ClientWidth() - 20); };
  align();

  OnShow = [this, align](TObject*) {
    align();  // in the font the dialog shows
    LoadSettings();
    PageControl->SetActivePageIndex(0);
  };
  OnClose = [this](TObject*, TCloseAction& action) { FormClose(action); };
}

void TfrmOptions::LoadSettings() {
  TAnalyzerOptions o = ReadOptions(SettingsFileName);
  chkSelectivityWarn->SetChecked(o.WarnIfHigh);
  edtSelectivityWarning->SetText(IntToStr(o.WarningThreshold));
  edtSelectivityError->SetText(IntToStr(o.ErrorThreshold));
  fWarningThreshold = o.WarningThreshold;
  fErrorThreshold = o.ErrorThreshold;
  chkShowSystemTables->SetChecked(o.IncludeSystemTables);
  chkEnableQueryCancellation->SetChecked(o.EnableQueryCancellation);
  edtPacketRecords->SetText(IntToStr(o.PacketRecordsForFetching));
  edtParserRecursionDepth->SetText(IntToStr(o.MaximumParserRecursionDepth));
}

void TfrmOptions::SaveSettings() {
  const int warning = StrToIntDef(Trim(edtSelectivityWarning->Text()), fWarningThreshold);
  const int error = StrToIntDef(Trim(edtSelectivityError->Text()), fErrorThreshold);
  if (warning >= error) throw Exception(ThresholdOrderText);
  TAnalyzerOptions o;
  o.WarnIfHigh = chkSelectivityWarn->Checked();
  o.WarningThreshold = warning;
  o.ErrorThreshold = error;
  o.IncludeSystemTables = chkShowSystemTables->Checked();
  o.EnableQueryCancellation = chkEnableQueryCancellation->Checked();
  o.PacketRecordsForFetching = StrToIntDef(Trim(edtPacketRecords->Text()), 200);
  o.MaximumParserRecursionDepth = StrToIntDef(Trim(edtParserRecursionDepth->Text()), 200);
  WriteOptions(SettingsFileName, o);
  fWarningThreshold = warning;
  fErrorThreshold = error;
}

void TfrmOptions::FormClose(TCloseAction& action) {
  if (ModalResult() != mrOk) return;
  // A refused value or a file that cannot be written: the message, and the dialog stays.
  try {
    SaveSettings();
  } catch (Exception& e) {
    Application->ShowException(e);
    action = caNone;
  }
}

void TfrmOptions::btnHelpClick() {
  ShellExecute(Handle(), "open", ExtractFilePath(GetProgramFileName()) + "Help/OptionsDialog.html", "", "",
               SW_SHOWNORMAL);
  SetModalResult(mrCancel);
}
