#include "analyzer/ui/ParamDialog.h"

#include "analyzer/QueryDM.h"
#include "analyzer/ui/UiUtils.h"

TfrmParamEditor::TfrmParamEditor(TComponent* AOwner) : TFrame(AOwner) {
  SetBounds(0, 0, 360, 37);
  edtValue = new TLabeledEdit(this);
  edtValue->SetName("edtValue");
  edtValue->SetLabelPosition(lpLeft);
  edtValue->SetLabelSpacing(3);
  edtValue->SetParent(this);
  edtValue->SetBounds(152, 8, 137, 21);
  chkNull = new TCheckBox(this);
  chkNull->SetName("chkNull");
  chkNull->SetParent(this);
  chkNull->SetCaption("Null");
  chkNull->SetBounds(296, 10, 50, 17);
  chkNull->SetChecked(true);
  edtValue->OnChange = [this](TObject*) { ValueChanged(); };
  chkNull->OnClick = [this](TObject*) { NullClicked(); };
}

// A typed value always wins over Null.
void TfrmParamEditor::ValueChanged() {
  if (!edtValue->Text().empty()) chkNull->SetChecked(false);
}

void TfrmParamEditor::NullClicked() {
  if (chkNull->Checked()) edtValue->SetText("");
}

TdlgSetParameterValues::TdlgSetParameterValues(TComponent* AOwner) : TForm(AOwner) {
  SetName("dlgSetParameterValues");
  SetCaption("Set Parameter Values");
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poMainFormCenter);
  SetClientSize(460, 326);
  pnlButtons = new TPanel(this);
  pnlButtons->SetParent(this);
  pnlButtons->SetAlign(alRight);
  pnlButtons->SetWidth(92);
  pnlButtons->SetBevelOuter(bvNone);
  pnlButtons->SetCaption("");
  btnOK = new TButton(this);
  btnOK->SetParent(pnlButtons);
  btnOK->SetCaption("OK");
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnOK->SetBounds(8, 8, 75, 25);
  btnCancel = new TButton(this);
  btnCancel->SetParent(pnlButtons);
  btnCancel->SetCaption("Cancel");
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetBounds(8, 40, 75, 25);
  sboParamEditors = new TScrollBox(this);
  sboParamEditors->SetParent(this);
  sboParamEditors->SetAlign(alClient);
  sboParamEditors->SetBorderStyle(bsNone);
  Timer = new TTimer(this);
  Timer->SetEnabled(false);
  Timer->SetInterval(SetParameterValuesTimeoutMs);
  // Left open too long, the dialog gives up as a cancel would.
  Timer->SetOnTimer([this](TObject*) {
    Timer->SetEnabled(false);
    SetModalResult(mrAbort);
  });
  OnShow = [this](TObject*) {
    if (fFirst && fFirst->edtValue->CanFocus()) SetActiveControl(fFirst->edtValue);
    Timer->SetEnabled(true);
  };
  OnHide = [this](TObject*) { Timer->SetEnabled(false); };
}

TfrmParamEditor* TdlgSetParameterValues::FindRow(const String& name) const {
  for (TfrmParamEditor* row : fRows)
    if (row->ParamName == name) return row;
  return nullptr;
}

void TdlgSetParameterValues::AddParam(const String& name, const String& value, bool isNull) {
  if (FindRow(name)) return;
  auto* row = new TfrmParamEditor(sboParamEditors);
  row->SetName("frmParamEditor" + IntToStr(static_cast<int>(fRows.size()) + 1));
  row->ParamName = name;
  row->edtValue->EditLabel()->SetCaption(name);
  row->edtValue->SetText(value);
  row->chkNull->SetChecked(isNull);
  row->SetParent(sboParamEditors);
  row->SetTop(fTop);
  fTop += row->Height();
  fRows.push_back(row);
  if (!fFirst) fFirst = row;
}

void TdlgSetParameterValues::GetParamValue(const String& name, String& value, bool& isNull) const {
  TfrmParamEditor* row = FindRow(name);
  if (!row) throw Exception("TdlgSetParameterValues.GetParamValue: Param \"" + name + "\" unknown.");
  value = row->edtValue->Text();
  isNull = row->chkNull->Checked();
}

void ShowParamsDialog(TdmQuery* query) {
  const std::vector<TParamLine> params = query->GetParamList();
  if (params.empty()) return;
  TOwned<TdlgSetParameterValues> dialog(new TdlgSetParameterValues(nullptr));
  for (const TParamLine& line : params) {
    // A name met twice shows the value of its first occurrence.
    const TParamLine* first = &line;
    for (const TParamLine& l : params)
      if (l.Name == line.Name) {
        first = &l;
        break;
      }
    dialog->AddParam(line.Name, first->Value, line.IsNull);
  }
  if (dialog->ShowModal() != mrOk) throw EAbort("");
  for (const TParamLine& line : params) {
    String value;
    bool isNull = true;
    dialog->GetParamValue(line.Name, value, isNull);
    query->SetParamValue(line.Name, value, isNull);
  }
}
