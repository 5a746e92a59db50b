#pragma once
// The default editor kind per dataset field: by field type, with the currency item for
// numeric fields that show currency and the lookup item for lookup fields.

#include "editors-extended/kcEditRegisteredRepositoryItems.h"
#include "platform/db/DB.h"

class TkcEditDBRegisteredRepositoryItems : public TkcEditRegisteredRepositoryItems {
  VT_CLASS(TkcEditDBRegisteredRepositoryItems, TkcEditRegisteredRepositoryItems)
public:
  ~TkcEditDBRegisteredRepositoryItems() override;
  // Null field: the default item; lookup field: the lookup item; a numeric field that shows
  // currency: the currency item; else the item of its data type (the default without one).
  TkcEditRepositoryItem* GetItemByField(TField* AField) const;
  TkcEditRepositoryItem* FindItemByFieldType(TFieldType AFieldType) const { return FindItem(AFieldType); }
  TkcEditRepositoryItem* FindCurrencyItem() const;
  TkcEditRepositoryItem* FindLookupItem() const;
  void AddFieldTypeItem(TFieldType AFieldType, std::int32_t AVersion, TkcEditRepositoryItem* AItem) {
    AddItem(AFieldType, AVersion, AItem);
  }
  void RemoveFieldTypeItem(TFieldType AFieldType, std::int32_t AVersion) { RemoveItem(AFieldType, AVersion); }
  void AddCurrencyItem(std::int32_t AVersion, TkcEditRepositoryItem* AItem) {
    InsertEntry(fCurrencyEntries, 0, AItem, AVersion);
  }
  void AddLookupItem(std::int32_t AVersion, TkcEditRepositoryItem* AItem) {
    InsertEntry(fLookupEntries, 0, AItem, AVersion);
  }

protected:
  void RepositoryItemRemoved(TkcEditRepositoryItem* AItem) override;
  bool HoldsItem(TkcEditRepositoryItem* AItem) const override;

private:
  TkcEditRepositoryItemEntries fCurrencyEntries;
  TkcEditRepositoryItemEntries fLookupEntries;
};

// Whether a field shows currency: only fields with a Boolean currency setting that is on.
bool HasCurrencySetting(TField* AField);

// The repository item class each field type gets by default (null: the default item).
TkcEditRepositoryItemClass GetDefaultFieldTypeItemClass(TFieldType AFieldType);

TkcEditDBRegisteredRepositoryItems* GetEditDBRegisteredRepositoryItems();
void InitializeEditDBRegisteredRepositoryItems();
void FinalizeEditDBRegisteredRepositoryItems();
