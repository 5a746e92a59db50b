#include "editors-extended/kcEditDataRegisteredRepositoryItems.h"

#include <map>

#include "editors-extended/kcEditRepositoryItems.h"

std::int32_t TkcEditDataRegisteredRepositoryItems::ValueTypeId(TkcValueTypeClass AValueTypeClass) {
  if (!AValueTypeClass) return 0;
  static std::map<TkcValueTypeClass, std::int32_t> ids;
  auto [it, added] = ids.try_emplace(AValueTypeClass, static_cast<std::int32_t>(ids.size() + 1));
  return it->second;
}

TkcEditRepositoryItem* TkcEditDataRegisteredRepositoryItems::GetItemByValueType(
    TkcValueTypeClass AValueTypeClass) const {
  return FindItem(ValueTypeId(AValueTypeClass));
}

void TkcEditDataRegisteredRepositoryItems::AddValueTypeItem(TkcValueTypeClass AValueTypeClass, std::int32_t AVersion,
                                                            TkcEditRepositoryItem* AItem) {
  AddItem(ValueTypeId(AValueTypeClass), AVersion, AItem);
}

void TkcEditDataRegisteredRepositoryItems::RemoveValueTypeItem(TkcValueTypeClass AValueTypeClass,
                                                               std::int32_t AVersion) {
  RemoveItem(ValueTypeId(AValueTypeClass), AVersion);
}

namespace {

TkcEditDataRegisteredRepositoryItems* gRegistry = nullptr;
int gInitCount = 0;
bool gFinalized = false;

struct TValueTypeRow {
  TkcValueTypeClass (*ValueType)();
  TkcEditRepositoryItemClass (*ItemClass)();
};

template <class T>
TkcEditRepositoryItemClass ItemClassOf() {
  return TkcEditRepositoryItemClass::Of<T>();
}

// The value types with an editor kind of their own; every other one gets the text edit.
const TValueTypeRow kValueTypeRows[] = {
    {&TkcBooleanValueType::Class, &ItemClassOf<TkcEditRepositoryCheckBoxItem>},
    {&TkcCurrencyValueType::Class, &ItemClassOf<TkcEditRepositoryCurrencyItem>},
    {&TkcDateTimeValueType::Class, &ItemClassOf<TkcEditRepositoryDateItem>},
    {&TkcFMTBcdValueType::Class, &ItemClassOf<TkcEditRepositoryCurrencyItem>},
    {&TkcSQLTimeStampValueType::Class, &ItemClassOf<TkcEditRepositoryDateItem>},
};

}  // namespace

TkcEditDataRegisteredRepositoryItems* GetEditDataRegisteredRepositoryItems() {
  if (!gRegistry) {
    gRegistry = new TkcEditDataRegisteredRepositoryItems();
    if (!gFinalized && gInitCount == 0) InitializeEditDataRegisteredRepositoryItems();
  }
  return gRegistry;
}

void InitializeEditDataRegisteredRepositoryItems() {
  if (gInitCount++ != 0) return;
  TkcEditDataRegisteredRepositoryItems* registry = GetEditDataRegisteredRepositoryItems();
  TkcEditRepository* repository = GetDefaultEditRepository();
  registry->AddDefaultItem(-1, repository->AddNewItem(ItemClassOf<TkcEditRepositoryTextItem>()));
  for (const TValueTypeRow& row : kValueTypeRows)
    registry->AddValueTypeItem(row.ValueType(), -1, repository->AddNewItem(row.ItemClass()));
}

void FinalizeEditDataRegisteredRepositoryItems() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  gFinalized = true;
  if (!gRegistry) return;
  gRegistry->RemoveDefaultItem(-1);
  for (const TValueTypeRow& row : kValueTypeRows) gRegistry->RemoveValueTypeItem(row.ValueType(), -1);
  delete gRegistry;
  gRegistry = nullptr;
}
