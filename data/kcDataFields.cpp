#include "data/kcDataFields.h"

#include <algorithm>

// ---- TkcCustomDataField ---------------------------------------------------------------------

TkcCustomDataField::TkcCustomDataField(TkcCustomDataFieldList* AFieldList) : fFieldList(AFieldList) {}

TkcCustomDataField::~TkcCustomDataField() {
  if (fFieldList && fFieldList->IndexOf(this) >= 0) fFieldList->Remove(this);
  FreeValueColumn();
}

IkcDataFieldListOwner* TkcCustomDataField::DataController() const {
  return fFieldList ? fFieldList->DataController() : nullptr;
}

void TkcCustomDataField::TakeOverColumn(TkcCustomDataField* ASource) {
  fSharedField = nullptr;
  fValueColumn = ASource->fValueColumn;
  if (fValueColumn) fValueColumn->SetLinkedObject(this);
  fColumnTypeClass = ASource->fColumnTypeClass;
  ASource->fValueColumn = nullptr;
  ASource->fColumnTypeClass = nullptr;
}

bool TkcCustomDataField::CanModify(TkcDataEditValueSource) {
  if (ValueColumn()) return true;
  IkcDataFieldListOwner* controller = DataController();
  return controller && controller->IsProviderMode();
}

void TkcCustomDataField::SetInternal(bool Value) {
  if (fInternal == Value) return;
  fInternal = Value;
  if (fFieldList) fFieldList->RecountInternals();
}

void TkcCustomDataField::SetSharedField(TkcCustomDataField* Value) {
  // Store the end of the chain, so that references never chain.
  while (Value && Value->fSharedField) {
    if (Value == this) return;
    Value = Value->fSharedField;
  }
  if (Value == this || Value == fSharedField) return;
  if (!fSharedField && Value) SetColumnTypeClass(nullptr);
  fSharedField = Value;
}

TkcValueDef* TkcCustomDataField::ValueColumn() const {
  return fSharedField ? fSharedField->ValueColumn() : fValueColumn;
}

TkcValueTypeClass TkcCustomDataField::ColumnTypeClass() const {
  return fSharedField ? fSharedField->ColumnTypeClass() : fColumnTypeClass;
}

void TkcCustomDataField::SetColumnTypeClass(TkcValueTypeClass Value) {
  if (fSharedField || fColumnTypeClass == Value) return;
  BeginColumnRebuild();
  fColumnTypeClass = Value;
  EndColumnRebuild();
}

bool TkcCustomDataField::KeepsText() const { return fSharedField ? fSharedField->KeepsText() : fKeepsText; }

void TkcCustomDataField::SetKeepsText(bool Value) {
  if (fSharedField || fKeepsText == Value) return;
  BeginColumnRebuild();
  fKeepsText = Value;
  EndColumnRebuild();
}

int TkcCustomDataField::Position() const { return fFieldList ? fFieldList->IndexOf(this) : -1; }

void TkcCustomDataField::SetPosition(int Value) {
  if (fFieldList) fFieldList->Move(Position(), Value);
}

void TkcCustomDataField::CreateValueColumn() {
  if (fSharedField || !fColumnTypeClass) return;
  FreeValueColumn();
  IkcDataFieldListOwner* controller = DataController();
  if (!controller) return;
  fValueColumn = controller->GetDataStorage()->ValueDefs()->AddColumn(fColumnTypeClass, fInternal, fKeepsText, this);
}

void TkcCustomDataField::FreeValueColumn() {
  if (fSharedField) return;
  delete fValueColumn;
  fValueColumn = nullptr;
}

void TkcCustomDataField::BeginColumnRebuild() {
  if (fRebuildLockCount == 0) FreeValueColumn();
  ++fRebuildLockCount;
}

void TkcCustomDataField::EndColumnRebuild() {
  if (--fRebuildLockCount == 0) CreateValueColumn();
}

void TkcCustomDataField::NotifyStructureChanged() {
  IkcDataFieldListOwner* controller = DataController();
  if (controller && !controller->IsProviderLocked()) controller->NotifyProviderStructureChanged();
}

// ---- TkcCustomDataFieldList -----------------------------------------------------------------

TkcCustomDataFieldList::TkcCustomDataFieldList(IkcDataFieldListOwner* ADataController)
    : fDataController(ADataController) {}

TkcCustomDataFieldList::~TkcCustomDataFieldList() { Clear(); }

void TkcCustomDataFieldList::ComponentRemoved(TComponent* AComponent) {
  for (std::size_t i = 0; i < fItems.size(); ++i) fItems[i]->ComponentRemoved(AComponent);
}

void TkcCustomDataFieldList::Add(TkcCustomDataField* AField) {
  if (AField->fInternal)
    fItems.push_back(AField);
  else
    fItems.insert(fItems.begin() + (Count() - fInternalCount), AField);
  RecountInternals();
}

void TkcCustomDataFieldList::Remove(TkcCustomDataField* AField) {
  int index = IndexOf(AField);
  if (index < 0) return;
  fFieldDestroyed = true;
  // Hand the column on: the first field that shared it owns it, the later ones share with that
  // one. When the removed field itself shared another field's column, they share that instead.
  TkcCustomDataField* heir = AField->fSharedField;
  for (TkcCustomDataField* field : fItems) {
    if (field == AField || field->fSharedField != AField) continue;
    if (!heir) {
      field->TakeOverColumn(AField);
      heir = field;
    } else {
      field->fSharedField = heir;
    }
  }
  fItems.erase(fItems.begin() + index);
  if (fDataController) fDataController->FieldRemoved(AField);
  RecountInternals();
}

TkcCustomDataField* TkcCustomDataFieldList::FieldByItem(TObject* AItem) const {
  for (TkcCustomDataField* field : fItems)
    if (field->fItemObject == AItem) return field;
  return nullptr;
}

void TkcCustomDataFieldList::Clear() {
  while (!fItems.empty()) delete fItems.back();
}

int TkcCustomDataFieldList::IndexOf(const TkcCustomDataField* AField) const {
  auto it = std::find(fItems.begin(), fItems.end(), AField);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

void TkcCustomDataFieldList::Move(int ACurIndex, int ANewIndex) {
  if (ACurIndex < 0 || ACurIndex >= Count()) throw EListError("List index out of bounds (" + IntToStr(ACurIndex) + ")");
  if (ANewIndex < 0 || ANewIndex >= Count()) throw EListError("List index out of bounds (" + IntToStr(ANewIndex) + ")");
  TkcCustomDataField* field = fItems[static_cast<std::size_t>(ACurIndex)];
  fItems.erase(fItems.begin() + ACurIndex);
  fItems.insert(fItems.begin() + ANewIndex, field);
}

void TkcCustomDataFieldList::RecountInternals() {
  fInternalCount =
      static_cast<int>(std::count_if(fItems.begin(), fItems.end(), [](TkcCustomDataField* f) { return f->fInternal; }));
}

// ---- Readers --------------------------------------------------------------------------------

TkcCustomDataField* FieldOfValueDef(TkcValueDef* AValueDef) {
  return AValueDef ? dynamic_cast<TkcCustomDataField*>(AValueDef->GetLinkedObject()) : nullptr;
}

bool HasInternalValues(TkcValueDef* AValueDef) {
  TkcCustomDataField* field = FieldOfValueDef(AValueDef);
  return field && field->HasInternalValues();
}

Variant TkcValueDefUnboundReader::GetValue(TkcValueDef* AValueDef) {
  if (auto* internal = dynamic_cast<TkcInternalValueDef*>(AValueDef)) AValueDef = internal->SourceColumn();
  auto it = std::find(fValueDefs.begin(), fValueDefs.end(), AValueDef);
  if (it == fValueDefs.end()) return Null();
  auto i = static_cast<std::size_t>(it - fValueDefs.begin());
  return i < fValues.size() && fValues[i] ? *fValues[i] : Null();
}

void TkcValueDefUnboundReader::SetValue(TkcValueDef* AValueDef, const Variant& Value) {
  auto it = std::find(fValueDefs.begin(), fValueDefs.end(), AValueDef);
  if (it == fValueDefs.end()) it = fValueDefs.insert(fValueDefs.end(), AValueDef);
  auto i = static_cast<std::size_t>(it - fValueDefs.begin());
  if (fValues.size() < fValueDefs.size()) fValues.resize(fValueDefs.size());
  if (!fValues[i]) fValues[i] = std::make_unique<Variant>();
  *fValues[i] = Value;
}

void TkcValueDefUnboundReader::KeepValues(int ACount) {
  while (static_cast<int>(fValues.size()) > std::max(ACount, 0)) fValues.pop_back();
}

String TkcValueDefRecordReader::GetDisplayText(TkcValueDef* AValueDef) {
  TkcCustomDataField* field = FieldOfValueDef(AValueDef);
  if (!field || field->Internal() || !fDataController) return String();
  return fDataController->GetSourceDisplayText(fRecordIndex, field);
}

Variant TkcValueDefRecordReader::GetValue(TkcValueDef* AValueDef) {
  TkcCustomDataField* field = FieldOfValueDef(AValueDef);
  if (!field || !fDataController) return Null();
  return fDataController->GetSourceValue(fRecordIndex, field);
}
