// The row engine's small parts: sort and group lists, the record sort, data groups with row
// numbering, focusing and expanding infos, the selection, notification and locate objects.

#include <algorithm>
#include <bit>

#include "data/kcCustomData.h"
#include "data/kcDataSummary.h"

const char* const kcRecordIndexError = "RecordIndex out of range";
const char* const kcRowIndexError = "RowIndex out of range";
const char* const kcItemIndexError = "ItemIndex out of range";
const char* const kcItemExistsError = "Item already exists";
const char* const kcInvalidStreamFormat = "Invalid stream format";
const char* const kcNotSupportedInProvider = "This operation is not supported in provider mode";

// ---- Sorting and grouping lists ---------------------------------------------------------------

void TkcSortingFieldList::Add(TkcCustomDataField* AField, TkcDataSortOrder AOrder) {
  fItems.push_back({AField, AOrder});
  Changed();
}

void TkcSortingFieldList::Insert(int AIndex, TkcCustomDataField* AField, TkcDataSortOrder AOrder) {
  AIndex = std::clamp(AIndex, 0, GetCount());
  fItems.insert(fItems.begin() + AIndex, {AField, AOrder});
  Changed();
}

void TkcSortingFieldList::Delete(int AIndex) {
  if (AIndex < 0 || AIndex >= GetCount()) throw EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  fItems.erase(fItems.begin() + AIndex);
  Changed();
}

void TkcSortingFieldList::Remove(TkcCustomDataField* AField) {
  int i = Find(AField);
  if (i >= 0) Delete(i);
}

void TkcSortingFieldList::Clear() {
  while (!fItems.empty()) Delete(0);
}

void TkcSortingFieldList::Move(int ACurIndex, int ANewIndex) {
  if (ACurIndex == ANewIndex) return;
  TkcDataSortInfo info = fItems.at(static_cast<std::size_t>(ACurIndex));
  fItems.erase(fItems.begin() + ACurIndex);
  ANewIndex = std::clamp(ANewIndex, 0, GetCount());
  fItems.insert(fItems.begin() + ANewIndex, info);
  Changed();
}

void TkcSortingFieldList::SetEntryOrder(int AIndex, TkcDataSortOrder AOrder) {
  auto& info = fItems.at(static_cast<std::size_t>(AIndex));
  if (info.SortOrder == AOrder) return;
  info.SortOrder = AOrder;
  Changed();
}

void TkcSortingFieldList::SetFieldSortOrder(TkcCustomDataField* AField, TkcDataSortOrder AOrder) {
  int i = Find(AField);
  if (i >= 0) {
    if (AOrder == soNone)
      Delete(i);
    else
      SetEntryOrder(i, AOrder);
  } else if (AOrder != soNone) {
    Add(AField, AOrder);
  }
}

void TkcSortingFieldList::NotifyIfListed(TkcCustomDataField* AField) {
  if (Find(AField) >= 0) Changed();
}

int TkcSortingFieldList::Find(TkcCustomDataField* AField) const {
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].Field == AField) return static_cast<int>(i);
  return -1;
}

TkcDataSortOrder TkcSortingFieldList::FieldSortOrder(TkcCustomDataField* AField) const {
  int i = Find(AField);
  return i >= 0 ? fItems[static_cast<std::size_t>(i)].SortOrder : soNone;
}

void TkcSortingFieldList::AddMissingFrom(const TkcSortingFieldList* AList) {
  for (const auto& info : AList->fItems)
    if (Find(info.Field) < 0) Add(info.Field, info.SortOrder);
}

void TkcGroupingFieldList::SetFieldSortOrder(TkcCustomDataField* AField, TkcDataSortOrder AOrder) {
  TkcSortingFieldList::SetFieldSortOrder(AField, AOrder == soNone ? soAscending : AOrder);
}

void TkcGroupingFieldList::SetFieldGroupIndex(TkcCustomDataField* AField, int AGroupIndex) {
  int i = Find(AField);
  if (AGroupIndex < 0) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Insert(std::min(AGroupIndex, GetCount()), AField, soAscending);
  } else {
    Move(i, std::min(AGroupIndex, GetCount() - 1));
  }
}

void TkcGroupingFieldList::SyncOrders(const TkcSortingFieldList* ASortingList) {
  for (int i = 0; i < GetCount(); ++i) {
    TkcDataSortOrder order = ASortingList->FieldSortOrder(fItems[static_cast<std::size_t>(i)].Field);
    SetEntryOrder(i, order == soNone ? soAscending : order);
  }
}

// ---- Record sort ------------------------------------------------------------------------------

namespace {

void InsertionSort(int* A, int L, int R, const TkcListCompare& ACompare) {
  for (int i = L + 1; i <= R; ++i) {
    int v = A[i];
    int j = i - 1;
    while (j >= L && ACompare(A[j], v) > 0) {
      A[j + 1] = A[j];
      --j;
    }
    A[j + 1] = v;
  }
}

void SiftDown(int* A, int AStart, int ARoot, int ACount, const TkcListCompare& ACompare) {
  for (;;) {
    int child = 2 * ARoot + 1;
    if (child >= ACount) return;
    if (child + 1 < ACount && ACompare(A[AStart + child], A[AStart + child + 1]) < 0) ++child;
    if (ACompare(A[AStart + ARoot], A[AStart + child]) >= 0) return;
    std::swap(A[AStart + ARoot], A[AStart + child]);
    ARoot = child;
  }
}

void HeapSort(int* A, int L, int R, const TkcListCompare& ACompare) {
  int n = R - L + 1;
  for (int i = n / 2 - 1; i >= 0; --i) SiftDown(A, L, i, n, ACompare);
  for (int end = n - 1; end > 0; --end) {
    std::swap(A[L], A[L + end]);
    SiftDown(A, L, 0, end, ACompare);
  }
}

void QuickSort(int* A, int L, int R, const TkcListCompare& ACompare, int ABudget) {
  while (R - L >= 16) {
    if (ABudget-- <= 0) {
      HeapSort(A, L, R, ACompare);
      return;
    }
    int M = static_cast<int>((static_cast<unsigned>(L) + static_cast<unsigned>(R)) >> 1);
    // Median of the first, middle and last entries: sorted, reversed and organ-pipe inputs
    // split evenly.
    int a = A[L], b = A[M], c = A[R];
    int pivot;
    if (ACompare(a, b) < 0)
      pivot = ACompare(b, c) < 0 ? b : (ACompare(a, c) < 0 ? c : a);
    else
      pivot = ACompare(a, c) < 0 ? a : (ACompare(b, c) < 0 ? c : b);
    int I = L, J = R;
    do {
      while (I < R && ACompare(A[I], pivot) < 0) ++I;
      while (J > L && ACompare(A[J], pivot) > 0) --J;
      if (I <= J) {
        std::swap(A[I], A[J]);
        ++I;
        --J;
      }
    } while (I <= J);
    // Recurse into the smaller part, loop over the larger one.
    if (J - L < R - I) {
      if (L < J) QuickSort(A, L, J, ACompare, ABudget);
      L = I;
    } else {
      if (I < R) QuickSort(A, I, R, ACompare, ABudget);
      R = J;
    }
  }
  if (L < R) InsertionSort(A, L, R, ACompare);
}

}  // namespace

void SortRecordList(int* AList, int L, int R, const TkcListCompare& ACompare) {
  if (!AList || L >= R) return;
  int budget = 2 * (std::bit_width(static_cast<unsigned>(R - L + 1)) + 1);
  QuickSort(AList, L, R, ACompare, budget);
}

void SortRecordList(std::vector<int>& AList, int L, int R, const TkcListCompare& ACompare) {
  if (L < 0 || R >= static_cast<int>(AList.size())) throw EListError("List index out of bounds");
  SortRecordList(AList.data(), L, R, ACompare);
}

// ---- Data groups ------------------------------------------------------------------------------

TkcDataGroupInfo* TkcDataGroups::AddGroup() {
  fItems.push_back(std::make_unique<TkcDataGroupInfo>());
  fIndexValid = false;
  return fItems.back().get();
}

void TkcDataGroups::SetItem(int APosition, TkcDataGroupInfo* AGroup) {
  fItems.at(static_cast<std::size_t>(APosition)).reset(AGroup);
  fIndexValid = false;
}

TkcDataGroupInfo* TkcDataGroups::Extract(int APosition) {
  fIndexValid = false;
  return fItems.at(static_cast<std::size_t>(APosition)).release();
}

void TkcDataGroups::Clear() {
  fFields.clear();
  fItems.clear();
  fRowCount = 0;
  fIndexValid = false;
}

void TkcDataGroups::CheckIndex() const {
  if (fIndexValid) return;
  const int n = GetCount();
  fParents.assign(static_cast<std::size_t>(n), -1);
  fLastLevel.clear();
  std::vector<int> open(static_cast<std::size_t>(std::max(GetLevelCount(), 1)), -1);
  const int last = GetLevelCount() - 1;
  for (int i = 0; i < n; ++i) {
    int level = fItems[static_cast<std::size_t>(i)]->GroupLevel;
    if (level > 0 && level - 1 < static_cast<int>(open.size()))
      fParents[static_cast<std::size_t>(i)] = open[static_cast<std::size_t>(level - 1)];
    if (level >= 0 && level < static_cast<int>(open.size())) open[static_cast<std::size_t>(level)] = i;
    if (level == last) fLastLevel.push_back(i);
  }
  fIndexValid = true;
}

int TkcDataGroups::GetParentPosition(int AGroupPosition) const {
  if (AGroupPosition < 0 || AGroupPosition >= GetCount()) return -1;
  CheckIndex();
  return fParents[static_cast<std::size_t>(AGroupPosition)];
}

void TkcDataGroups::Renumber() {
  const int last = GetLevelCount() - 1;
  int counter = 0;
  int collapsedLevel = -1;  // level of the visible collapsed group whose sub-groups are hidden
  for (auto& g : fItems) {
    if (collapsedLevel >= 0 && g->GroupLevel <= collapsedLevel) {
      ++counter;
      collapsedLevel = -1;
    }
    g->GroupRow = counter;
    if (collapsedLevel >= 0) continue;
    if (g->IsExpanded)
      counter += 1 + (g->GroupLevel == last ? g->EndIndex - g->BeginIndex + 1 : 0);
    else
      collapsedLevel = g->GroupLevel;
  }
  if (collapsedLevel >= 0) ++counter;
  fRowCount = counter;
}

void TkcDataGroups::SetExpanded(int ARowIndex, bool AExpanded, bool ARecursive) {
  TkcDataGroupInfo* group = nullptr;
  int pos = FindByRowIndex(ARowIndex, group);
  if (pos < 0) return;
  group->IsExpanded = AExpanded;
  if (ARecursive && group->GroupLevel < GetLevelCount() - 1)
    for (int i = pos + 1; i < GetCount() && GetItem(i)->GroupLevel > group->GroupLevel; ++i)
      GetItem(i)->IsExpanded = AExpanded;
  Renumber();
}

void TkcDataGroups::SetAllExpanded(bool AExpanded) {
  for (auto& g : fItems) g->IsExpanded = AExpanded;
  Renumber();
}

bool TkcDataGroups::MakeVisible(int AGroupPosition, bool AExpandItself) {
  bool changed = false;
  for (int pos = AGroupPosition; pos >= 0; pos = GetParentPosition(pos)) {
    TkcDataGroupInfo* g = GetItem(pos);
    if (!g->IsExpanded && (pos != AGroupPosition || AExpandItself)) {
      g->IsExpanded = true;
      changed = true;
    }
  }
  if (changed) Renumber();
  return changed;
}

int TkcDataGroups::ShownGroupAt(int APosition) const {
  // The outermost collapsed group of the run of groups sharing this row (the one shown).
  int row = GetItem(APosition)->GroupRow;
  int answer = APosition;
  int minLevel = GetItem(APosition)->GroupLevel;
  for (int i = APosition - 1; i >= 0 && minLevel > 0; --i) {
    TkcDataGroupInfo* g = GetItem(i);
    if (g->GroupRow != row) break;
    if (g->GroupLevel < minLevel) {
      minLevel = g->GroupLevel;
      if (!g->IsExpanded) answer = i;
    }
  }
  return answer;
}

int TkcDataGroups::FindByRowIndex(int ARowIndex, TkcDataGroupInfo*& AGroup) const {
  AGroup = nullptr;
  if (fItems.empty()) return -1;
  // The last group whose row is at or before the row.
  auto it = std::upper_bound(fItems.begin(), fItems.end(), ARowIndex,
                             [](int row, const std::unique_ptr<TkcDataGroupInfo>& g) { return row < g->GroupRow; });
  if (it == fItems.begin()) return -1;
  int pos = static_cast<int>(it - fItems.begin()) - 1;
  if (fItems[static_cast<std::size_t>(pos)]->GroupRow == ARowIndex) {
    pos = ShownGroupAt(pos);
    AGroup = GetItem(pos);
    return pos;
  }
  AGroup = GetItem(pos);
  return -1;
}

TkcRowInfo TkcDataGroups::GetRowInfo(int ARowIndex) const {
  TkcRowInfo info;
  if (fItems.empty()) return info;
  TkcDataGroupInfo* group = nullptr;
  int pos = FindByRowIndex(ARowIndex, group);
  if (!group) return info;
  if (pos >= 0) {
    info.Level = group->GroupLevel;
    info.Expanded = group->IsExpanded;
    int p = pos;
    while (GetItem(p)->GroupLevel < GetLevelCount() - 1) p = GetItem(p)->BeginIndex;
    info.RecordListIndex = GetItem(p)->BeginIndex;
  } else {
    info.Level = GetLevelCount();
    info.RecordListIndex = ARowIndex + group->BeginIndex - group->GroupRow - 1;
  }
  return info;
}

int TkcDataGroups::GetGroupPosition(int ARowIndex, int ALevel) const {
  TkcDataGroupInfo* group = nullptr;
  int pos = FindByRowIndex(ARowIndex, group);
  if (!group) return -1;
  if (pos < 0) {
    CheckIndex();
    // A data row: its group is the group found (the last group above it).
    auto it = std::upper_bound(fItems.begin(), fItems.end(), ARowIndex,
                               [](int row, const std::unique_ptr<TkcDataGroupInfo>& g) { return row < g->GroupRow; });
    pos = static_cast<int>(it - fItems.begin()) - 1;
  }
  if (ALevel < 0) return pos;
  int level = GetItem(pos)->GroupLevel;
  if (level < ALevel) {
    for (int i = pos + 1; i < GetCount(); ++i) {
      int l = GetItem(i)->GroupLevel;
      if (l == ALevel) return i;
      if (l <= level) break;
    }
    return -1;
  }
  while (pos >= 0 && GetItem(pos)->GroupLevel > ALevel) pos = GetParentPosition(pos);
  return pos;
}

int TkcDataGroups::GetLastLevelGroupOf(int ARecordListIndex) const {
  CheckIndex();
  auto it = std::upper_bound(fLastLevel.begin(), fLastLevel.end(), ARecordListIndex,
                             [this](int index, int pos) { return index < GetItem(pos)->BeginIndex; });
  if (it == fLastLevel.begin()) return -1;
  int pos = *(it - 1);
  return ARecordListIndex <= GetItem(pos)->EndIndex ? pos : -1;
}

int TkcDataGroups::GetGroupPositionByRecordListIndex(int ARecordListIndex, int ALevel) const {
  int pos = GetLastLevelGroupOf(ARecordListIndex);
  while (pos >= 0 && GetItem(pos)->GroupLevel > ALevel) pos = GetParentPosition(pos);
  return pos >= 0 && GetItem(pos)->GroupLevel == ALevel ? pos : -1;
}

int TkcDataGroups::GetChildCount(int AGroupPosition) const {
  if (AGroupPosition == -1) {
    int n = 0;
    for (auto& g : fItems) n += g->GroupLevel == 0 ? 1 : 0;
    return n;
  }
  if (AGroupPosition < -1 || AGroupPosition >= GetCount()) return 0;
  TkcDataGroupInfo* g = GetItem(AGroupPosition);
  if (g->GroupLevel == GetLevelCount() - 1) return g->EndIndex - g->BeginIndex + 1;
  int n = 0;
  for (int i = g->BeginIndex; i <= g->EndIndex; ++i) n += GetItem(i)->GroupLevel == g->GroupLevel + 1 ? 1 : 0;
  return n;
}

int TkcDataGroups::GetChildGroupPosition(int AGroupPosition, int AIndex) const {
  if (AIndex < 0) return -1;
  int from = 0, to = GetCount() - 1, level = 0;
  if (AGroupPosition != -1) {
    if (AGroupPosition < 0 || AGroupPosition >= GetCount()) return -1;
    TkcDataGroupInfo* g = GetItem(AGroupPosition);
    if (g->GroupLevel == GetLevelCount() - 1) return -1;
    from = g->BeginIndex;
    to = g->EndIndex;
    level = g->GroupLevel + 1;
  }
  for (int i = from; i <= to; ++i)
    if (GetItem(i)->GroupLevel == level && AIndex-- == 0) return i;
  return -1;
}

int TkcDataGroups::GetChildRecordListIndex(int AGroupPosition, int AIndex) const {
  if (AGroupPosition < 0 || AGroupPosition >= GetCount()) return -1;
  TkcDataGroupInfo* g = GetItem(AGroupPosition);
  if (g->GroupLevel != GetLevelCount() - 1 || AIndex < 0 || AIndex > g->EndIndex - g->BeginIndex) return -1;
  return g->BeginIndex + AIndex;
}

int TkcDataGroups::GetLevel(int AGroupPosition) const {
  return AGroupPosition >= 0 && AGroupPosition < GetCount() ? GetItem(AGroupPosition)->GroupLevel : -1;
}

bool TkcDataGroups::IsVisible(int AGroupPosition) const {
  if (AGroupPosition < 0 || AGroupPosition >= GetCount()) return false;
  return ShownGroupAt(AGroupPosition) == AGroupPosition;
}

// ---- Focusing and expanding infos --------------------------------------------------------------

void TkcDataFocusingInfo::Assign(const TkcDataFocusingInfo& Source) {
  Level = Source.Level;
  PrevRecordIndex = Source.PrevRecordIndex;
  RecordIndex = Source.RecordIndex;
  RowIndex = Source.RowIndex;
  Changed = false;
  PrevNewItemRowFocused = false;
}

void TkcDataFocusingInfo::Clear() {
  Level = -1;
  RecordIndex = -1;
  RowIndex = -1;
}

bool TkcDataFocusingInfo::IsEqual(const TkcDataFocusingInfo& Other) const {
  if (RecordIndex != Other.RecordIndex || Level != Other.Level) return false;
  return !(fInfo->Changes() & ciSorting) || RowIndex == Other.RowIndex;
}

void TkcDataFocusingInfo::ResetFromController() {
  Level = -1;
  RecordIndex = fInfo->DataController()->GetSourceCurrentRecordIndex();
}

void TkcDataFocusingInfo::UpdateFromRow() {
  if (RowIndex == -1) {
    Level = -1;
    RecordIndex = -1;
  } else {
    Level = fInfo->GetRowInfo(RowIndex).Level;
    RecordIndex = fInfo->DataController()->GetSourceCurrentRecordIndex();
  }
  PrevRecordIndex = RecordIndex;
}

void TkcDataExpandingInfos::AddField(TkcCustomDataField* AField) {
  if (IndexOfField(AField) >= 0) throw EkcInvalidDataControllerOperation(kcItemExistsError);
  fFields.push_back(AField);
  fItems.clear();
}

void TkcDataExpandingInfos::ClearIfListed(TkcCustomDataField* AField) {
  if (IndexOfField(AField) >= 0) Clear();
}

void TkcDataExpandingInfos::Clear() {
  fFields.clear();
  fItems.clear();
  SaveStates = 0;
}

int TkcDataExpandingInfos::IndexOfField(TkcCustomDataField* AField) const {
  auto it = std::find(fFields.begin(), fFields.end(), AField);
  return it == fFields.end() ? -1 : static_cast<int>(it - fFields.begin());
}

// ---- Selection --------------------------------------------------------------------------------

void TkcDataSelection::MarkRecord(const TkcDataSelectionEntry& AEntry, bool ASelected) {
  if (AEntry.Level == -1 || AEntry.RecordValue < 0) return;
  auto index = static_cast<std::size_t>(AEntry.RecordValue);
  if (index / 64 >= fSelectedRecords.size()) {
    if (!ASelected) return;
    fSelectedRecords.resize(index / 64 + 1, 0);
  }
  std::uint64_t bit = std::uint64_t(1) << (index % 64);
  bool was = (fSelectedRecords[index / 64] & bit) != 0;
  if (was == ASelected) return;
  fSelectedRecords[index / 64] ^= bit;
  fSelectedRecordCount += ASelected ? 1 : -1;
}

bool TkcDataSelection::IsRecordSelected(int ARecordIndex) const {
  if (ARecordIndex < 0) return false;
  auto index = static_cast<std::size_t>(ARecordIndex);
  return index / 64 < fSelectedRecords.size() && ((fSelectedRecords[index / 64] >> (index % 64)) & 1);
}

void TkcDataSelection::InsertEntry(int APosition, int ARowIndex, int ARecordValue, int ALevel) {
  TkcDataSelectionEntry e{ALevel, ARecordValue, ARowIndex};
  if (APosition < 0 || APosition >= GetCount())
    fEntries.push_back(e);
  else
    fEntries.insert(fEntries.begin() + APosition, e);
  MarkRecord(e, true);
}

void TkcDataSelection::ClearEntries() {
  fFields.clear();
  fEntries.clear();
  fSelectedRecords.clear();
  fSelectedRecordCount = 0;
}

void TkcDataSelection::DeleteEntry(int APosition) {
  const auto& e = fEntries.at(static_cast<std::size_t>(APosition));
  if (e.RowIndex == fAnchorRowIndex) ClearAnchor();
  MarkRecord(e, false);
  fEntries.erase(fEntries.begin() + APosition);
}

void TkcDataSelection::SetEntryCount(int ACount) {
  ACount = std::max(ACount, 0);
  while (GetCount() > ACount) DeleteEntry(GetCount() - 1);
  for (int n = GetCount(); n < ACount; ++n) InsertEntry(-1, n, n, 0);
}

void TkcDataSelection::Add(int APosition, int ARowIndex, int ARecordValue, int ALevel) {
  InsertEntry(APosition, ARowIndex, ARecordValue, ALevel);
  Changed();
}

bool TkcDataSelection::FindByRowIndex(int ARowIndex, int& APosition) const {
  auto it = std::lower_bound(fEntries.begin(), fEntries.end(), ARowIndex,
                             [](const TkcDataSelectionEntry& e, int row) { return e.RowIndex < row; });
  APosition = static_cast<int>(it - fEntries.begin());
  return it != fEntries.end() && it->RowIndex == ARowIndex;
}

void TkcDataSelection::Clear() {
  ClearEntries();
  Changed();
}

void TkcDataSelection::ClearWithAnchor() {
  ClearAnchor();
  ClearEntries();
  Changed();
}

void TkcDataSelection::Delete(int APosition) {
  DeleteEntry(APosition);
  Changed();
}

int TkcDataSelection::FindGroupEntry(int AGroupPosition) const {
  for (std::size_t i = 0; i < fEntries.size(); ++i)
    if (fEntries[i].Level == -1 && fEntries[i].RecordValue == AGroupPosition) return static_cast<int>(i);
  return -1;
}

int TkcDataSelection::FindRecordEntry(int ARecordIndex) const {
  if (!IsRecordSelected(ARecordIndex)) return -1;
  for (std::size_t i = 0; i < fEntries.size(); ++i)
    if (fEntries[i].Level != -1 && fEntries[i].RecordValue == ARecordIndex) return static_cast<int>(i);
  return -1;
}

void TkcDataSelection::SortByRowIndex() {
  std::stable_sort(
      fEntries.begin(), fEntries.end(),
      [](const TkcDataSelectionEntry& a, const TkcDataSelectionEntry& b) { return a.RowIndex < b.RowIndex; });
}

void TkcDataSelection::RemoveFilteredOut() {
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  KeepEntries(
      [info](const TkcDataSelectionEntry& e) { return e.Level == -1 || info->GetRecordListIndex(e.RecordValue) >= 0; });
}

void TkcDataSelection::SetEntryRecordValue(int APosition, int ARecordValue) {
  auto& e = fEntries.at(static_cast<std::size_t>(APosition));
  MarkRecord(e, false);
  e.RecordValue = ARecordValue;
  MarkRecord(e, true);
}

void TkcDataSelection::ReplaceEntries(std::vector<TkcDataSelectionEntry> AEntries) {
  fEntries = std::move(AEntries);
  fSelectedRecords.clear();
  fSelectedRecordCount = 0;
  for (const auto& e : fEntries) MarkRecord(e, true);
  Changed();
}

void TkcDataSelection::KeepEntries(const std::function<bool(const TkcDataSelectionEntry&)>& AKeep) {
  std::size_t out = 0;
  bool removed = false;
  for (std::size_t i = 0; i < fEntries.size(); ++i) {
    if (AKeep(fEntries[i])) {
      fEntries[out++] = fEntries[i];
    } else {
      if (fEntries[i].RowIndex == fAnchorRowIndex) ClearAnchor();
      MarkRecord(fEntries[i], false);
      removed = true;
    }
  }
  fEntries.resize(out);
  if (removed) Changed();
}

// ---- Notifications and locate objects ----------------------------------------------------------

TkcSelectionChangedInfo::TkcSelectionChangedInfo(int ARow1, int ARow2) {
  if (ARow1 != -1) fRows.push_back(ARow1);
  if (ARow2 != -1 && ARow2 != ARow1) fRows.push_back(ARow2);
}

void TkcDataControllerLocateObject::Clear() {
  if (fInternalRecord != 0) {
    TkcDataStorage* storage = fDataController->GetDataStorage();
    if (!storage->Destroying()) storage->DeleteRecord(fInternalRecord);
    fInternalRecord = 0;
  }
}

void TkcDataControllerLocateObject::LoadFromReader(TkcValueDefReader* AReader) {
  TkcDataStorage* storage = fDataController->GetDataStorage();
  if (fInternalRecord == 0) fInternalRecord = storage->AddInternalRecord();
  fDataController->BeginUnboundCopy();
  try {
    storage->ReadRecord(fInternalRecord, AReader);
  } catch (...) {
    fDataController->EndUnboundCopy();
    throw;
  }
  fDataController->EndUnboundCopy();
}

int TkcDataControllerKeyLocateObject::FindRecordIndex() {
  if (fInternalRecord == 0 || KeyFields.empty()) return -1;
  std::vector<TkcDataSortInfo> infos;
  for (auto* f : KeyFields) infos.push_back({f, soAscending});
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  info->PrepareCompareModes(infos);
  int found = -1;
  try {
    const int count = fDataController->GetRecordCount();
    for (int r = 0; r < count && found < 0; ++r) {
      bool all = true;
      for (auto* f : KeyFields)
        if (fDataController->CompareRecordsByField(r, fInternalRecord, f) != 0) {
          all = false;
          break;
        }
      if (all) found = r;
    }
  } catch (...) {
    info->ResetCompareModes(infos);
    throw;
  }
  info->ResetCompareModes(infos);
  return found;
}

TkcDataControllerGroupLocateObject::TkcDataControllerGroupLocateObject(TkcCustomDataController* AController)
    : TkcDataControllerLocateObject(AController) {
  TkcGroupingFieldList* list = AController->DataControllerInfo()->GroupingFieldList();
  for (int i = 0; i < list->GetCount(); ++i) {
    TkcCustomDataField* f = list->GetItem(i).Field;
    fGroupingFields.push_back(f);
    if (AController->IsFieldSortedByDisplayText(f)) fFindByGroupOrder = false;
  }
}

void TkcDataControllerGroupLocateObject::SetLevel(int Value) {
  Value = std::max(Value, 0);
  if (Value == fLevel) return;
  fLevel = Value;
  fFindFields.assign(fGroupingFields.begin(),
                     fGroupingFields.begin() +
                         std::min<std::ptrdiff_t>(Value + 1, static_cast<std::ptrdiff_t>(fGroupingFields.size())));
}

// A record being edited is still in the group of its values before the edit (its saved copy).
int TkcDataControllerGroupLocateObject::GroupedValuesOf(int ARecordIndex) const {
  TkcCustomDataProvider* provider = fDataController->Provider();
  return ARecordIndex == provider->EditingRecordIndex() && provider->SavedRecordIndex() != 0
             ? provider->SavedRecordIndex()
             : ARecordIndex;
}

int TkcDataControllerGroupLocateObject::FindRecordIndex() {
  if (fInternalRecord == 0 || fFindFields.empty()) return -1;
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  std::vector<TkcDataSortInfo> infos;
  TkcGroupingFieldList* grouping = info->GroupingFieldList();
  for (auto* f : fFindFields) infos.push_back({f, grouping->FieldSortOrder(f)});
  if (!fFindByGroupOrder) {
    // Display-text grouping: the key scan over the find fields, comparing stored values.
    const int count = fDataController->GetRecordCount();
    for (int r = 0; r < count; ++r) {
      bool all = true;
      for (auto* f : fFindFields)
        if (fDataController->CompareRecordsByField(GroupedValuesOf(r), fInternalRecord, f) != 0) {
          all = false;
          break;
        }
      if (all) return r;
    }
    return -1;
  }
  info->PrepareCompareModes(infos);
  int found = -1;
  try {
    int lo = 0, hi = info->GetRecordListCount() - 1;
    while (lo <= hi) {
      int mid = lo + (hi - lo) / 2;
      int rec = info->GetRecordListItem(mid);
      int c = 0;
      for (std::size_t l = 0; l < infos.size() && c == 0; ++l)
        c = fDataController->CompareRecordsBySortInfo(GroupedValuesOf(rec), fInternalRecord, infos[l]);
      if (c == 0) {
        found = rec;
        break;
      }
      if (c < 0)
        lo = mid + 1;
      else
        hi = mid - 1;
    }
  } catch (...) {
    info->ResetCompareModes(infos);
    throw;
  }
  info->ResetCompareModes(infos);
  return found;
}

void TkcDataControllerNotifier::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent != this && fDataController) fDataController->ComponentRemoved(AComponent);
}
