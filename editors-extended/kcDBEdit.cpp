#include "editors-extended/kcDBEdit.h"

TkcCustomDBEditDefaultValuesProvider::TkcCustomDBEditDefaultValuesProvider(TPersistent* AOwner)
    : TkcCustomEditDefaultValuesProvider(AOwner), fFreeNotificator(std::make_unique<TkcFreeNotificator>(nullptr)) {
  fFreeNotificator->OnFreeNotification = [this](TComponent* AComponent) { FreeNotification(AComponent); };
}

TkcCustomDBEditDefaultValuesProvider::~TkcCustomDBEditDefaultValuesProvider() { fFreeNotificator.reset(); }

void TkcCustomDBEditDefaultValuesProvider::SetDataSource(TDataSource* Value) {
  if (fDataSource == Value) return;
  if (fDataSource) fFreeNotificator->RemoveSender(fDataSource);
  fDataSource = Value;
  if (fDataSource) fFreeNotificator->AddSender(fDataSource);
}

void TkcCustomDBEditDefaultValuesProvider::SetField(TField* Value) {
  if (fField == Value) return;
  if (fField) fFreeNotificator->RemoveSender(fField);
  fField = Value;
  if (fField) fFreeNotificator->AddSender(fField);
}

void TkcCustomDBEditDefaultValuesProvider::FreeNotification(TComponent* AComponent) {
  if (AComponent == fDataSource)
    SetDataSource(nullptr);
  else
    SetField(nullptr);
}

bool TkcCustomDBEditDefaultValuesProvider::IsSourceActive() {
  return IsFieldAlive() && fField->DataSet() && fField->DataSet()->State() != dsInactive;
}

bool TkcCustomDBEditDefaultValuesProvider::CanEnterEditMode() {
  if (!fDataSource) return false;
  const TDataSetState state = fDataSource->State();
  return fDataSource->AutoEdit || state == dsEdit || state == dsInsert;
}

TAlignment TkcCustomDBEditDefaultValuesProvider::GetDefaultAlignment() {
  return IsSourceActive() ? fField->Alignment() : TkcCustomEditDefaultValuesProvider::GetDefaultAlignment();
}

int TkcCustomDBEditDefaultValuesProvider::GetDefaultBlobKind() {
  if (!IsSourceActive()) return bkNone;
  switch (fField->DataType()) {
    case ftMemo:
    case ftFmtMemo: return bkMemo;
    case ftGraphic: return bkGraphic;
    case ftParadoxOle:
    case ftDBaseOle: return bkOle;
    default: return bkNone;
  }
}

namespace {

// A lookup field can be changed through its key fields. An unknown key field name answers
// False: a default is asked while painting, where an exception has no one to go to.
bool CanModifyLookupKeys(TField* AField) {
  TDataSet* dataSet = AField->DataSet();
  if (!dataSet) return false;
  bool any = false;
  std::size_t start = 0;
  const String& keys = AField->KeyFields;
  while (start <= keys.size()) {
    std::size_t end = keys.find(';', start);
    if (end == String::npos) end = keys.size();
    const String name = Trim(keys.substr(start, end - start));
    if (!name.empty()) {
      TField* keyField = dataSet->FindField(name);
      if (!keyField || !keyField->CanModify()) return false;
      any = true;
    }
    start = end + 1;
  }
  return any;
}

}  // namespace

bool TkcCustomDBEditDefaultValuesProvider::CanModifyValue() {
  if (GetDefaultReadOnly() || !IsSourceActive()) return false;
  return fField->CanModify() || (fField->Lookup() && CanModifyLookupKeys(fField));
}

String TkcCustomDBEditDefaultValuesProvider::GetDefaultDisplayFormat() {
  if (IsSourceActive())
    if (auto* f = dynamic_cast<TNumericField*>(fField)) return f->DisplayFormat();
  return TkcCustomEditDefaultValuesProvider::GetDefaultDisplayFormat();
}

String TkcCustomDBEditDefaultValuesProvider::GetDefaultEditFormat() {
  if (IsSourceActive())
    if (auto* f = dynamic_cast<TNumericField*>(fField)) return f->EditFormat();
  return TkcCustomEditDefaultValuesProvider::GetDefaultEditFormat();
}

String TkcCustomDBEditDefaultValuesProvider::GetDefaultEditMask() {
  return IsSourceActive() ? fField->EditMask() : TkcCustomEditDefaultValuesProvider::GetDefaultEditMask();
}

bool TkcCustomDBEditDefaultValuesProvider::IsFloatValue() {
  if (!IsSourceActive()) return TkcCustomEditDefaultValuesProvider::IsFloatValue();
  const TFieldType t = fField->DataType();
  return t == ftFloat || t == ftCurrency || t == ftBCD;
}

int TkcCustomDBEditDefaultValuesProvider::GetDefaultMaxLength() {
  if (IsSourceActive() && (fField->DataType() == ftString || fField->DataType() == ftWideString)) return fField->Size();
  return TkcCustomEditDefaultValuesProvider::GetDefaultMaxLength();
}

double TkcCustomDBEditDefaultValuesProvider::BoundOf(bool AMax) {
  if (IsSourceActive()) {
    if (auto* f = dynamic_cast<TIntegerField*>(fField))
      return static_cast<double>(AMax ? f->MaxValue() : f->MinValue());
    if (auto* f = dynamic_cast<TFloatField*>(fField)) {
      // Kept to the field's precision, as the field itself shows it.
      const double v = AMax ? f->MaxValue() : f->MinValue();
      return StrToFloat(FloatToStrF(v, ffGeneral, f->Precision(), f->Precision()));
    }
    if (auto* f = dynamic_cast<TBCDField*>(fField)) return (AMax ? f->MaxValue() : f->MinValue()).ToDouble();
  }
  return AMax ? TkcCustomEditDefaultValuesProvider::GetDefaultMaxValue()
              : TkcCustomEditDefaultValuesProvider::GetDefaultMinValue();
}

double TkcCustomDBEditDefaultValuesProvider::GetDefaultMaxValue() { return BoundOf(true); }
double TkcCustomDBEditDefaultValuesProvider::GetDefaultMinValue() { return BoundOf(false); }

int TkcCustomDBEditDefaultValuesProvider::GetDefaultPrecision() {
  if (!IsFieldAlive()) return TkcCustomEditDefaultValuesProvider::GetDefaultPrecision();
  if (auto* f = dynamic_cast<TFloatField*>(fField)) return f->Precision();
  if (auto* f = dynamic_cast<TBCDField*>(fField)) return f->Precision();
  if (auto* f = dynamic_cast<TFMTBCDField*>(fField)) return f->Precision();
  return TkcCustomEditDefaultValuesProvider::GetDefaultPrecision();
}

bool TkcCustomDBEditDefaultValuesProvider::GetDefaultReadOnly() {
  return IsSourceActive() ? fField->ReadOnly() : TkcCustomEditDefaultValuesProvider::GetDefaultReadOnly();
}

bool TkcCustomDBEditDefaultValuesProvider::GetDefaultRequired() {
  return IsSourceActive() ? fField->Required() : TkcCustomEditDefaultValuesProvider::GetDefaultRequired();
}

bool TkcCustomDBEditDefaultValuesProvider::IsBlobValue() { return IsSourceActive() && fField->IsBlob(); }

bool TkcCustomDBEditDefaultValuesProvider::IsCurrencyValue() {
  if (IsSourceActive()) {
    if (auto* f = dynamic_cast<TFloatField*>(fField)) return f->Currency();
    if (auto* f = dynamic_cast<TBCDField*>(fField)) return f->Currency();
    if (auto* f = dynamic_cast<TAggregateField*>(fField)) return f->Currency;
    if (auto* f = dynamic_cast<TFMTBCDField*>(fField)) return f->Currency();
  }
  return TkcCustomEditDefaultValuesProvider::IsCurrencyValue();
}

bool TkcCustomDBEditDefaultValuesProvider::HasDisplayFormat(bool AAcceptCurrency) {
  if (!IsSourceActive()) return false;
  if (fField->OnGetText) return true;
  bool result = false;
  if (auto* f = dynamic_cast<TFloatField*>(fField)) result = result || (f->Currency() && AAcceptCurrency);
  if (auto* f = dynamic_cast<TBCDField*>(fField)) result = result || (f->Currency() && AAcceptCurrency);
  if (auto* f = dynamic_cast<TDateTimeField*>(fField)) result = result || !f->DisplayFormat().empty();
  if (auto* f = dynamic_cast<TAggregateField*>(fField))
    result = result || !f->DisplayFormat.empty() || (f->Currency && AAcceptCurrency);
  if (auto* f = dynamic_cast<TFMTBCDField*>(fField)) result = result || (f->Currency() && AAcceptCurrency);
  if (auto* f = dynamic_cast<TSQLTimeStampField*>(fField)) result = result || !f->DisplayFormat().empty();
  if (auto* f = dynamic_cast<TNumericField*>(fField)) result = result || !f->DisplayFormat().empty();
  return result;
}

bool TkcCustomDBEditDefaultValuesProvider::HasCustomDisplayText() {
  return HasDisplayFormat(false) && GetDefaultDisplayFormat().empty();
}

bool TkcCustomDBEditDefaultValuesProvider::AcceptsChar(char32_t ACh) {
  return IsSourceActive() ? fField->IsValidChar(ACh) : TkcCustomEditDefaultValuesProvider::AcceptsChar(ACh);
}
