#pragma once
// A registry of repository items by type id and version, with a separate list of default
// items. Entries are kept in descending order of type id, then version, and found by
// bisection; the registry listens to every item it holds, so no entry outlives its item.

#include <cstdint>
#include <vector>

#include "editors/kcEditRepository.h"

struct TkcEditRepositoryItemEntry {
  std::int32_t TypeId;
  std::int32_t Version;
  TkcEditRepositoryItem* Item;
};
using TkcEditRepositoryItemEntries = std::vector<TkcEditRepositoryItemEntry>;

// A search with this version meets any version of the type id.
constexpr std::int32_t kcAnyRepositoryItemVersion = 2147483647;

class TkcEditRegisteredRepositoryItems : public TkcInterfacedPersistent, public IkcEditRepositoryItemListener {
  VT_CLASS(TkcEditRegisteredRepositoryItems, TkcInterfacedPersistent)
public:
  TkcEditRegisteredRepositoryItems() : TkcInterfacedPersistent(nullptr) {}
  ~TkcEditRegisteredRepositoryItems() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override;

  // The default entry of the highest version, or null.
  TkcEditRepositoryItem* FindDefaultItem() const;
  // Any version of ATypeId; the default item for 0 or an unknown type id.
  TkcEditRepositoryItem* FindItem(std::int32_t ATypeId) const;
  void AddDefaultItem(std::int32_t AVersion, TkcEditRepositoryItem* AItem);
  void AddItem(std::int32_t ATypeId, std::int32_t AVersion, TkcEditRepositoryItem* AItem);
  void RemoveDefaultItem(std::int32_t AVersion);
  void RemoveItem(std::int32_t ATypeId, std::int32_t AVersion);
  int ItemCount() const { return static_cast<int>(fEntries.size()); }
  int DefaultItemCount() const { return static_cast<int>(fDefaultEntries.size()); }
  const TkcEditRepositoryItemEntries& Entries() const { return fEntries; }
  const TkcEditRepositoryItemEntries& DefaultEntries() const { return fDefaultEntries; }

  static bool FindEntry(const TkcEditRepositoryItemEntries& AEntries, std::int32_t ATypeId, std::int32_t AVersion,
                        int& AIndex);

protected:
  // IkcEditRepositoryItemListener
  void ItemRemoved(TkcEditRepositoryItem* Sender) override { RepositoryItemRemoved(Sender); }
  void PropertiesChanged(TkcEditRepositoryItem* Sender) override { RepositoryItemPropertiesChanged(Sender); }

  virtual void RepositoryItemRemoved(TkcEditRepositoryItem* AItem);
  virtual void RepositoryItemPropertiesChanged(TkcEditRepositoryItem*) { EntriesChanged(); }
  // An existing (type id, version) keeps its first item and answers its index.
  virtual int InsertEntry(TkcEditRepositoryItemEntries& AEntries, std::int32_t ATypeId, TkcEditRepositoryItem* AItem,
                          std::int32_t AVersion);
  virtual void EntriesChanged() {}
  // Whether any entry of the registry still holds AItem (it listens as long as one does).
  virtual bool HoldsItem(TkcEditRepositoryItem* AItem) const;
  static bool EntriesHold(const TkcEditRepositoryItemEntries& AEntries, TkcEditRepositoryItem* AItem);
  void DeleteEntry(TkcEditRepositoryItemEntries& AEntries, int AIndex);
  void RemoveEntriesOf(TkcEditRepositoryItemEntries& AEntries, TkcEditRepositoryItem* AItem);
  void DeleteAll(TkcEditRepositoryItemEntries& AEntries);
  void RemoveAllEntries();
  bool Destroying() const { return fDestroying; }
  void SetDestroying() { fDestroying = true; }

private:
  bool fDestroying = false;
  TkcEditRepositoryItemEntries fDefaultEntries;
  TkcEditRepositoryItemEntries fEntries;
};
