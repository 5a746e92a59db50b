#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"

#include "editors-extended/kcDBLookupComboBox.h"

#include "editors-extended/kcEditRepositoryItems.h"

TkcEditDBRegisteredRepositoryItems::~TkcEditDBRegisteredRepositoryItems() {
  SetDestroying();
  RemoveAllEntries();
  DeleteAll(fLookupEntries);
  DeleteAll(fCurrencyEntries);
}

bool TkcEditDBRegisteredRepositoryItems::HoldsItem(TkcEditRepositoryItem* AItem) const {
  return TkcEditRegisteredRepositoryItems::HoldsItem(AItem) || EntriesHold(fCurrencyEntries, AItem) ||
         EntriesHold(fLookupEntries, AItem);
}

void TkcEditDBRegisteredRepositoryItems::RepositoryItemRemoved(TkcEditRepositoryItem* AItem) {
  TkcEditRegisteredRepositoryItems::RepositoryItemRemoved(AItem);
  RemoveEntriesOf(fLookupEntries, AItem);
  RemoveEntriesOf(fCurrencyEntries, AItem);
}

TkcEditRepositoryItem* TkcEditDBRegisteredRepositoryItems::FindCurrencyItem() const {
  return fCurrencyEntries.empty() ? FindDefaultItem() : fCurrencyEntries.front().Item;
}

TkcEditRepositoryItem* TkcEditDBRegisteredRepositoryItems::FindLookupItem() const {
  return fLookupEntries.empty() ? FindDefaultItem() : fLookupEntries.front().Item;
}

TkcEditRepositoryItem* TkcEditDBRegisteredRepositoryItems::GetItemByField(TField* AField) const {
  if (!AField) return FindDefaultItem();
  if (AField->FieldKind() == fkLookup) return FindLookupItem();
  if (dynamic_cast<TNumericField*>(AField) && HasCurrencySetting(AField)) return FindCurrencyItem();
  return FindItemByFieldType(AField->DataType());
}

// The field classes that have a currency setting; every other class never shows currency.
bool HasCurrencySetting(TField* AField) {
  if (auto* f = dynamic_cast<TFloatField*>(AField)) return f->Currency();
  if (auto* f = dynamic_cast<TBCDField*>(AField)) return f->Currency();
  if (auto* f = dynamic_cast<TFMTBCDField*>(AField)) return f->Currency();
  if (auto* f = dynamic_cast<TAggregateField*>(AField)) return f->Currency;
  return false;
}

namespace {

template <class T>
TkcEditRepositoryItemClass ItemClassOf() {
  return TkcEditRepositoryItemClass::Of<T>();
}

struct TFieldTypeRow {
  TFieldType FieldType;
  TkcEditRepositoryItemClass (*ItemClass)();
};

// The field types with an editor kind of their own; every other one gets the mask edit.
const TFieldTypeRow kFieldTypeRows[] = {
    {ftBoolean, &ItemClassOf<TkcEditRepositoryCheckBoxItem>}, {ftDate, &ItemClassOf<TkcEditRepositoryDateItem>},
    {ftTime, &ItemClassOf<TkcEditRepositoryTimeItem>},        {ftDateTime, &ItemClassOf<TkcEditRepositoryDateItem>},
    {ftBytes, &ItemClassOf<TkcEditRepositoryBlobItem>},       {ftVarBytes, &ItemClassOf<TkcEditRepositoryBlobItem>},
    {ftBlob, &ItemClassOf<TkcEditRepositoryBlobItem>},        {ftMemo, &ItemClassOf<TkcEditRepositoryMemoItem>},
    {ftGraphic, &ItemClassOf<TkcEditRepositoryImageItem>},    {ftFmtMemo, &ItemClassOf<TkcEditRepositoryBlobItem>},
    {ftParadoxOle, &ItemClassOf<TkcEditRepositoryBlobItem>},  {ftDBaseOle, &ItemClassOf<TkcEditRepositoryBlobItem>},
    {ftTypedBinary, &ItemClassOf<TkcEditRepositoryBlobItem>}, {ftTimeStamp, &ItemClassOf<TkcEditRepositoryDateItem>},
};

TkcEditDBRegisteredRepositoryItems* gRegistry = nullptr;
int gInitCount = 0;
bool gFinalized = false;

}  // namespace

TkcEditRepositoryItemClass GetDefaultFieldTypeItemClass(TFieldType AFieldType) {
  for (const TFieldTypeRow& row : kFieldTypeRows)
    if (row.FieldType == AFieldType) return row.ItemClass();
  return nullptr;
}

TkcEditDBRegisteredRepositoryItems* GetEditDBRegisteredRepositoryItems() {
  if (!gRegistry) {
    gRegistry = new TkcEditDBRegisteredRepositoryItems();
    if (!gFinalized && gInitCount == 0) InitializeEditDBRegisteredRepositoryItems();
  }
  return gRegistry;
}

void InitializeEditDBRegisteredRepositoryItems() {
  if (gInitCount++ != 0) return;
  TkcEditDBRegisteredRepositoryItems* registry = GetEditDBRegisteredRepositoryItems();
  TkcEditRepository* repository = GetDefaultEditRepository();
  registry->AddDefaultItem(-1, repository->AddNewItem(ItemClassOf<TkcEditRepositoryMaskItem>()));
  registry->AddCurrencyItem(-1, repository->AddNewItem(ItemClassOf<TkcEditRepositoryCurrencyItem>()));
  // Lookup fields get a plain list: no grid lines, no header, the text restricted to the list.
  TkcEditRepositoryItem* lookup = repository->AddNewItem(ItemClassOf<TkcEditRepositoryLookupComboBoxItem>());
  auto* lookupProperties = static_cast<TkcLookupComboBoxProperties*>(lookup->Properties());
  lookupProperties->ListOptions()->SetGridLines(glNone);
  lookupProperties->SetDropDownListStyle(lsEditFixedList);
  lookupProperties->ListOptions()->SetShowHeader(false);
  registry->AddLookupItem(-1, lookup);
  for (int ordinal = ftUnknown; ordinal <= ftOraInterval; ++ordinal) {
    const auto type = static_cast<TFieldType>(ordinal);
    if (TkcEditRepositoryItemClass cls = GetDefaultFieldTypeItemClass(type))
      registry->AddFieldTypeItem(type, -1, repository->AddNewItem(cls));
  }
}

void FinalizeEditDBRegisteredRepositoryItems() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  gFinalized = true;
  if (!gRegistry) return;
  gRegistry->RemoveDefaultItem(-1);
  for (const TFieldTypeRow& row : kFieldTypeRows) gRegistry->RemoveFieldTypeItem(row.FieldType, -1);
  delete gRegistry;
  gRegistry = nullptr;
}
