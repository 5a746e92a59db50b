#include "platform/forms/DBCtrls.h"

#include <utility>

#include "platform/core/SysUtils.h"

// ---- TFieldDataLink -------------------------------------------------------------------------

void TFieldDataLink::SetFieldName(const String& v) {
  if (v == fFieldName) return;
  fFieldName = v;
  UpdateField();
  if (OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateField() {
  fField = Active() && !fFieldName.empty() ? DataSet()->FindField(fFieldName) : nullptr;
}

void TFieldDataLink::ActiveChanged() {
  UpdateField();
  if (OnDataChange) OnDataChange();
}

void TFieldDataLink::LayoutChanged() {
  UpdateField();  // the fields may have been made anew
  TDataLink::LayoutChanged();
}

void TFieldDataLink::RecordChanged(TField* Field) {
  if ((!Field || Field == fField) && OnDataChange) OnDataChange();
}

void TFieldDataLink::UpdateData() {
  if (OnUpdateData) OnUpdateData();
}

namespace {

template <class Control>
void SetLinkSource(Control* c, TFieldDataLink& link, TDataSource* v) {
  link.SetDataSource(v);
  if (v) v->FreeNotification(c);
}

// Whether `text` is one of the ";"-separated texts of `values`, letter case ignored.
bool IsOneOf(const String& text, const String& values) {
  size_t start = 0;
  for (;;) {
    size_t end = values.find(';', start);
    if (AnsiCompareText(text, values.substr(start, end == String::npos ? String::npos : end - start)) == 0) return true;
    if (end == String::npos) return false;
    start = end + 1;
  }
}

String FirstOf(const String& values) { return values.substr(0, values.find(';')); }

}  // namespace

// ---- TFieldTextLink -------------------------------------------------------------------------

TFieldTextLink::TFieldTextLink(TCustomEdit* control, TReadText read, TWriteText write)
    : fControl(control), fRead(std::move(read)), fWrite(std::move(write)) {
  VisualControl = true;
  OnDataChange = [this] { Load(); };
  OnUpdateData = [this] { Save(); };
}

// Shows the field's text without taking it for the user's change; the user's text stays
// while the record is being edited.
void TFieldTextLink::Load() {
  if (fPending && Editing()) return;
  fPending = false;
  fLoading = true;
  try {
    fControl->SetText(Field() ? fRead(Field()) : String());
  } catch (...) {
    fLoading = false;
    throw;
  }
  fLoading = false;
  fControl->Modified = false;
}

void TFieldTextLink::Save() {
  if (!fPending || !Field()) return;
  fWrite(Field(), fControl->Text());
  fPending = false;
}

bool TFieldTextLink::TextChanged() {
  if (fLoading || !Field() || fPending) return true;
  fPending = true;  // so that the edit's start does not reload the text being typed
  fPending = Edit();
  if (!fPending) Load();  // the record cannot be edited: back to the field's text
  return fPending;
}

void TFieldTextLink::ControlExit() {
  if (fPending) UpdateRecord();
}

// ---- TDBEdit --------------------------------------------------------------------------------

TDBEdit::TDBEdit(TComponent* AOwner)
    : TCustomEdit(AOwner),
      fLink(
          this, [this](TField* f) { return FieldText(f); }, [](TField* f, const String& t) { f->SetText(t); }) {}

void TDBEdit::SetDataSource(TDataSource* v) { SetLinkSource(this, fLink, v); }

void TDBEdit::SetReadOnly(bool v) {
  TCustomEdit::SetReadOnly(v);
  fLink.SetReadOnly(v);
}

void TDBEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLink.DataSource()) SetDataSource(nullptr);
}

String TDBEdit::FieldText(TField* f) const { return fLink.Editing() ? f->Text() : f->DisplayText(); }

void TDBEdit::Change() {
  if (fLink.TextChanged()) TCustomEdit::Change();
}

void TDBEdit::Dispatch(TMessage& m) {
  if (m.Msg == CM_EXIT) fLink.ControlExit();
  TCustomEdit::Dispatch(m);
}

// ---- TDBMemo --------------------------------------------------------------------------------

TDBMemo::TDBMemo(TComponent* AOwner)
    : TCustomMemo(AOwner),
      fLink(
          this, [](TField* f) { return f->AsString(); }, [](TField* f, const String& t) { f->SetAsString(t); }) {}

void TDBMemo::SetDataSource(TDataSource* v) { SetLinkSource(this, fLink, v); }

void TDBMemo::SetReadOnly(bool v) {
  TCustomMemo::SetReadOnly(v);
  fLink.SetReadOnly(v);
}

void TDBMemo::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomMemo::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLink.DataSource()) SetDataSource(nullptr);
}

void TDBMemo::Change() {
  if (fLink.TextChanged()) TCustomMemo::Change();
}

void TDBMemo::Dispatch(TMessage& m) {
  if (m.Msg == CM_EXIT) fLink.ControlExit();
  TCustomMemo::Dispatch(m);
}

// ---- TDBCheckBox ----------------------------------------------------------------------------

TDBCheckBox::TDBCheckBox(TComponent* AOwner) : TCustomCheckBox(AOwner) {
  fLink.VisualControl = true;
  fLink.OnDataChange = [this] { DataChange(); };
}

void TDBCheckBox::SetDataSource(TDataSource* v) { SetLinkSource(this, fLink, v); }

void TDBCheckBox::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomCheckBox::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLink.DataSource()) SetDataSource(nullptr);
}

void TDBCheckBox::SetValueChecked(const String& v) {
  fValueChecked = v;
  DataChange();
}

void TDBCheckBox::SetValueUnchecked(const String& v) {
  fValueUnchecked = v;
  DataChange();
}

TCheckBoxState TDBCheckBox::FieldState() const {
  TField* f = Field();
  if (!f) return cbUnchecked;
  if (f->IsNull()) return cbGrayed;
  if (f->DataType() == ftBoolean) return f->AsBoolean() ? cbChecked : cbUnchecked;
  String text = f->Text();
  if (IsOneOf(text, fValueChecked)) return cbChecked;
  if (IsOneOf(text, fValueUnchecked)) return cbUnchecked;
  return cbGrayed;
}

void TDBCheckBox::DataChange() { SetState(FieldState()); }

void TDBCheckBox::Toggle() {
  TField* f = Field();
  if (!f) {
    TCustomCheckBox::Toggle();
    return;
  }
  if (!fLink.Edit()) return;
  bool check = fState != cbChecked;
  if (f->DataType() == ftBoolean)
    f->SetAsBoolean(check);
  else
    f->SetAsString(FirstOf(check ? fValueChecked : fValueUnchecked));
}
