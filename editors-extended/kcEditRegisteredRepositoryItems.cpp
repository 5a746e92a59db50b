#include "editors-extended/kcEditRegisteredRepositoryItems.h"

namespace {

// Signed difference of the key from the entry: the arrays run in descending order.
std::int64_t CompareEntry(const TkcEditRepositoryItemEntry& E, std::int32_t ATypeId, std::int32_t AVersion) {
  const std::int64_t d = std::int64_t(ATypeId) - E.TypeId;
  if (d != 0) return d;
  if (AVersion == kcAnyRepositoryItemVersion) return 0;
  return std::int64_t(AVersion) - E.Version;
}

}  // namespace

TkcEditRegisteredRepositoryItems::~TkcEditRegisteredRepositoryItems() {
  fDestroying = true;
  RemoveAllEntries();
}

bool TkcEditRegisteredRepositoryItems::QueryInterface(const TGUID& IID, void** Obj) {
  if (GetInterfaceOf<IkcEditRepositoryItemListener>(this, IID, Obj)) return true;
  return TkcInterfacedPersistent::QueryInterface(IID, Obj);
}

bool TkcEditRegisteredRepositoryItems::FindEntry(const TkcEditRepositoryItemEntries& AEntries, std::int32_t ATypeId,
                                                 std::int32_t AVersion, int& AIndex) {
  int lo = 0, hi = static_cast<int>(AEntries.size()) - 1;
  AIndex = 0;
  while (lo <= hi) {
    const int mid = (lo + hi) / 2;
    const std::int64_t c = CompareEntry(AEntries[static_cast<std::size_t>(mid)], ATypeId, AVersion);
    if (c == 0) {
      AIndex = mid;
      return true;
    }
    if (c < 0)
      lo = mid + 1;
    else
      hi = mid - 1;
  }
  AIndex = lo;
  return false;
}

int TkcEditRegisteredRepositoryItems::InsertEntry(TkcEditRepositoryItemEntries& AEntries, std::int32_t ATypeId,
                                                  TkcEditRepositoryItem* AItem, std::int32_t AVersion) {
  int index;
  if (FindEntry(AEntries, ATypeId, AVersion, index)) return index;
  AEntries.insert(AEntries.begin() + index, TkcEditRepositoryItemEntry{ATypeId, AVersion, AItem});
  AEntries.shrink_to_fit();
  AItem->AddListener(this);
  EntriesChanged();
  return index;
}

void TkcEditRegisteredRepositoryItems::DeleteEntry(TkcEditRepositoryItemEntries& AEntries, int AIndex) {
  TkcEditRepositoryItem* item = AEntries.at(static_cast<std::size_t>(AIndex)).Item;
  AEntries.erase(AEntries.begin() + AIndex);
  AEntries.shrink_to_fit();
  // An item held twice (a default and a type entry) must still tell of its destruction.
  if (!HoldsItem(item)) item->RemoveListener(this);
  EntriesChanged();
}

bool TkcEditRegisteredRepositoryItems::EntriesHold(const TkcEditRepositoryItemEntries& AEntries,
                                                   TkcEditRepositoryItem* AItem) {
  for (const auto& e : AEntries)
    if (e.Item == AItem) return true;
  return false;
}

bool TkcEditRegisteredRepositoryItems::HoldsItem(TkcEditRepositoryItem* AItem) const {
  return EntriesHold(fDefaultEntries, AItem) || EntriesHold(fEntries, AItem);
}

void TkcEditRegisteredRepositoryItems::RemoveEntriesOf(TkcEditRepositoryItemEntries& AEntries,
                                                       TkcEditRepositoryItem* AItem) {
  for (int i = static_cast<int>(AEntries.size()) - 1; i >= 0; --i)
    if (AEntries[static_cast<std::size_t>(i)].Item == AItem) DeleteEntry(AEntries, i);
}

void TkcEditRegisteredRepositoryItems::DeleteAll(TkcEditRepositoryItemEntries& AEntries) {
  for (int i = static_cast<int>(AEntries.size()) - 1; i >= 0; --i) DeleteEntry(AEntries, i);
}

void TkcEditRegisteredRepositoryItems::RepositoryItemRemoved(TkcEditRepositoryItem* AItem) {
  RemoveEntriesOf(fDefaultEntries, AItem);
  RemoveEntriesOf(fEntries, AItem);
}

void TkcEditRegisteredRepositoryItems::RemoveAllEntries() {
  DeleteAll(fDefaultEntries);
  DeleteAll(fEntries);
}

TkcEditRepositoryItem* TkcEditRegisteredRepositoryItems::FindDefaultItem() const {
  return fDefaultEntries.empty() ? nullptr : fDefaultEntries.front().Item;
}

TkcEditRepositoryItem* TkcEditRegisteredRepositoryItems::FindItem(std::int32_t ATypeId) const {
  int index;
  if (ATypeId != 0 && FindEntry(fEntries, ATypeId, kcAnyRepositoryItemVersion, index))
    return fEntries[static_cast<std::size_t>(index)].Item;
  return FindDefaultItem();
}

void TkcEditRegisteredRepositoryItems::AddDefaultItem(std::int32_t AVersion, TkcEditRepositoryItem* AItem) {
  InsertEntry(fDefaultEntries, 0, AItem, AVersion);
}

void TkcEditRegisteredRepositoryItems::AddItem(std::int32_t ATypeId, std::int32_t AVersion,
                                               TkcEditRepositoryItem* AItem) {
  InsertEntry(fEntries, ATypeId, AItem, AVersion);
}

void TkcEditRegisteredRepositoryItems::RemoveDefaultItem(std::int32_t AVersion) {
  int index;
  if (FindEntry(fDefaultEntries, 0, AVersion, index)) DeleteEntry(fDefaultEntries, index);
}

void TkcEditRegisteredRepositoryItems::RemoveItem(std::int32_t ATypeId, std::int32_t AVersion) {
  int index;
  if (FindEntry(fEntries, ATypeId, AVersion, index)) DeleteEntry(fEntries, index);
}
