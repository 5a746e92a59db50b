#pragma once
// The default editor kind per value type, for data items that are not bound to a field.

#include "data/kcDataStorage.h"
#include "editors-extended/kcEditRegisteredRepositoryItems.h"

class TkcEditDataRegisteredRepositoryItems : public TkcEditRegisteredRepositoryItems {
  VT_CLASS(TkcEditDataRegisteredRepositoryItems, TkcEditRegisteredRepositoryItems)
public:
  // The item of the class's entry; the default item for a null class or one without entry.
  TkcEditRepositoryItem* GetItemByValueType(TkcValueTypeClass AValueTypeClass) const;
  void AddValueTypeItem(TkcValueTypeClass AValueTypeClass, std::int32_t AVersion, TkcEditRepositoryItem* AItem);
  void RemoveValueTypeItem(TkcValueTypeClass AValueTypeClass, std::int32_t AVersion);
  // Distinct per value-type class and never 0; 0 for a null class.
  static std::int32_t ValueTypeId(TkcValueTypeClass AValueTypeClass);
};

// The process-wide registry, filled with the library's defaults on its first request.
TkcEditDataRegisteredRepositoryItems* GetEditDataRegisteredRepositoryItems();
void InitializeEditDataRegisteredRepositoryItems();
void FinalizeEditDataRegisteredRepositoryItems();
