// The row engine: the change set, the update pipeline (load and filter, sort, group, restore
// state, notify) and the row, focus, expansion, selection, sorting and grouping operations.

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <utility>

#include "data/kcCustomData.h"
#include "data/kcDataSummary.h"

// ---- Sort keys --------------------------------------------------------------------------------

class TkcSortKeys {
public:
  TkcSortKeys(TkcCustomDataController* AController, std::vector<TkcDataSortInfo> AInfos,
              const std::vector<int>& ARecords);

  // The compare of one entry (order applied), as CompareRecordsBySortInfo answers it.
  int Compare(std::size_t AEntry, int A, int B) const;
  std::size_t Count() const { return fColumns.size(); }
  const TkcDataSortInfo& Info(std::size_t AEntry) const { return fColumns[AEntry].Info; }
  // One integer key: the record list can be sorted as (key, record) pairs.
  bool IsSingleInteger() const { return fColumns.size() == 1 && fColumns[0].Kind == kInt; }
  // One byte-string key in the storage, compared by bytes.
  bool IsSingleText() const {
    return fColumns.size() == 1 && fColumns[0].Kind == kRaw && fColumns[0].Type == TkcStringValueType::Class();
  }
  // The text of a non-null key of IsSingleText.
  std::string TextKey(int ARecord) const;
  bool IsNull(std::size_t AEntry, int ARecord) const {
    return fColumns[AEntry].Nulls[static_cast<std::size_t>(ARecord)] != 0;
  }
  // Whether the first key is an integer: PrefetchFirst then applies.
  bool FirstIsInteger() const { return !fColumns.empty() && fColumns[0].Kind == kInt; }
  // Asks for the first integer key of a record that will be compared soon: a walk over a sorted
  // list reads the keys in random order. (Integer addresses: nothing is dereferenced.)
  void PrefetchFirst(int ARecord) const {
    const auto r = static_cast<std::uintptr_t>(ARecord);
    const TColumn& c = fColumns[0];
    __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(c.Nulls.data()) + r));
    __builtin_prefetch(
        reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(c.Ints.data()) + r * sizeof(std::int64_t)));
  }
  std::int64_t IntKey(std::size_t AEntry, int ARecord) const {
    return fColumns[AEntry].Ints[static_cast<std::size_t>(ARecord)];
  }

private:
  enum TKind { kNone, kInt, kRaw, kValue, kCall };
  struct TColumn {
    TKind Kind = kNone;
    TkcDataSortInfo Info;
    TkcValueTypeClass Type = nullptr;
    bool Event = false;      // OnCompare decides
    bool UpperText = false;  // texts are stored upper-cased and compared ordinally
    std::vector<std::uint8_t> Nulls;
    std::vector<std::int64_t> Ints;
    std::vector<const void*> Ptrs;
    std::vector<Variant> Values;
  };
  int CompareValues(const TColumn& C, int A, int B) const;

  TkcCustomDataController* fController;
  std::vector<TColumn> fColumns;
};

namespace {
bool IsIntegerKind(TVarType AKind) {
  return AKind == varSmallint || AKind == varInteger || AKind == varWord || AKind == varInt64 || AKind == varShortInt ||
         AKind == varByte || AKind == varLongWord;
}
}  // namespace

TkcSortKeys::TkcSortKeys(TkcCustomDataController* AController, std::vector<TkcDataSortInfo> AInfos,
                         const std::vector<int>& ARecords)
    : fController(AController) {
  TkcDataStorage* storage = AController->GetDataStorage();
  const auto size = static_cast<std::size_t>(AController->GetRecordCount());
  const TkcDataControllerOptions options = AController->Options();
  for (const auto& info : AInfos) {
    TColumn c;
    c.Info = info;
    TkcCustomDataField* field = info.Field;
    const bool byEvent = static_cast<bool>(AController->OnCompare) && !field->Internal();
    if (byEvent || AController->IsCompareByController(field)) {
      IkcRecordSource* source = AController->Provider()->RecordSource();
      if (!byEvent && AController->IsProviderMode() && source->ComparesRecords()) {
        c.Kind = kCall;
      } else {
        c.Kind = kValue;
        c.Event = byEvent;
        c.UpperText = !byEvent && options.Contains(dcoCaseInsensitive) && !options.Contains(dcoAnsiSort);
        c.Values.resize(size);
        for (int r : ARecords) {
          Variant v = AController->GetCompareValue(r, field);
          if (c.UpperText && v.IsStr()) v = Variant(AnsiUpperCase(v.AsString()));
          c.Values[static_cast<std::size_t>(r)] = std::move(v);
        }
      }
    } else if (AController->IsProviderMode()) {
      c.Kind = kCall;
    } else if (TkcValueDef* column = field->ValueColumn()) {
      c.Type = column->ValueTypeClass();
      c.Nulls.assign(size, 0);
      const bool integer =
          IsIntegerKind(c.Type->VariantKind()) && !c.Type->ClassType()->InheritsFrom(TkcObjectValueType::StaticClass());
      c.Kind = integer ? kInt : kRaw;
      if (integer)
        c.Ints.assign(size, 0);
      else
        c.Ptrs.assign(size, nullptr);
      for (int r : ARecords) {
        const void* p = nullptr;
        const auto i = static_cast<std::size_t>(r);
        if (storage->GetCompareInfo(r, column, p)) {
          c.Nulls[i] = 1;
        } else if (integer && c.Type == TkcIntegerValueType::Class()) {
          std::int32_t v;  // the common case read in place, without a variant
          std::memcpy(&v, p, sizeof v);
          c.Ints[i] = v;
        } else if (integer) {
          c.Ints[i] = c.Type->LoadPreparedValue(p).AsInt64();
        } else {
          c.Ptrs[i] = p;
        }
      }
    }
    fColumns.push_back(std::move(c));
  }
}

std::string TkcSortKeys::TextKey(int ARecord) const {
  const TColumn& c = fColumns[0];
  return c.Type->LoadPreparedValue(c.Ptrs[static_cast<std::size_t>(ARecord)]).AsString();
}

int TkcSortKeys::CompareValues(const TColumn& C, int A, int B) const {
  const Variant& v1 = C.Values[static_cast<std::size_t>(A)];
  const Variant& v2 = C.Values[static_cast<std::size_t>(B)];
  if (C.Event) {
    int result = 0;
    fController->OnCompare(fController, A, B, fController->GetItemIndexOfField(C.Info.Field), v1, v2, result);
    return result;
  }
  if (v1.IsStr() && v2.IsStr()) {
    if (C.UpperText) {
      int r = v1.AsString().compare(v2.AsString());
      return r < 0 ? -1 : (r > 0 ? 1 : 0);
    }
    return fController->CompareItemTexts(v1.AsString(), v2.AsString());
  }
  return CompareVariants(v1, v2);
}

int TkcSortKeys::Compare(std::size_t AEntry, int A, int B) const {
  const TColumn& c = fColumns[AEntry];
  int r = 0;
  switch (c.Kind) {
    case kNone: return 0;
    case kInt: {
      const auto a = static_cast<std::size_t>(A), b = static_cast<std::size_t>(B);
      if (c.Nulls[a] | c.Nulls[b])
        r = (c.Nulls[a] ? 0 : 1) - (c.Nulls[b] ? 0 : 1);
      else
        r = c.Ints[a] < c.Ints[b] ? -1 : (c.Ints[a] > c.Ints[b] ? 1 : 0);
      break;
    }
    case kRaw: {
      const void* p1 = c.Ptrs[static_cast<std::size_t>(A)];
      const void* p2 = c.Ptrs[static_cast<std::size_t>(B)];
      r = (!p1 || !p2) ? (p1 ? 1 : 0) - (p2 ? 1 : 0) : c.Type->CompareRaw(p1, p2);
      break;
    }
    case kValue: r = CompareValues(c, A, B); break;
    case kCall: return fController->CompareRecordsBySortInfo(A, B, c.Info);
  }
  return c.Info.SortOrder == soDescending ? -r : r;
}

namespace {

// Sorts packed numbers by a radix sort of as many 11-bit digits as ABits spans.
template <class TPacked>
void RadixSort(std::vector<TPacked>& AValues, int ABits) {
  constexpr int kDigitBits = 11;
  constexpr std::size_t kBuckets = std::size_t{1} << kDigitBits;
  std::vector<TPacked> scratch(AValues.size());
  std::vector<std::size_t> counts(kBuckets);
  for (int shift = 0; shift < ABits; shift += kDigitBits) {
    std::fill(counts.begin(), counts.end(), 0);
    for (TPacked v : AValues) ++counts[(v >> shift) & (kBuckets - 1)];
    std::size_t sum = 0;
    for (std::size_t& c : counts) sum += std::exchange(c, sum);
    for (TPacked v : AValues) scratch[counts[(v >> shift) & (kBuckets - 1)]++] = v;
    AValues.swap(scratch);
  }
}

// The non-null keys packed with their records and sorted; the Nulls (sorted) first, or last
// when descending.
template <class TPacked>
void SortPacked(std::vector<int>& AList, const TkcSortKeys& AKeys, std::uint64_t ABase, bool ADescending,
                int ARecordBits, int ABits, const std::vector<int>& ANulls) {
  std::vector<TPacked> packed;
  packed.reserve(AList.size() - ANulls.size());
  for (int r : AList) {
    if (AKeys.IsNull(0, r)) continue;
    const auto key = static_cast<std::uint64_t>(AKeys.IntKey(0, r));
    const std::uint64_t distance = ADescending ? ABase - key : key - ABase;
    packed.push_back(static_cast<TPacked>(ABits == ARecordBits
                                              ? static_cast<std::uint64_t>(r)
                                              : distance << ARecordBits | static_cast<std::uint64_t>(r)));
  }
  RadixSort(packed, ABits);
  const TPacked recordMask = ARecordBits == 0 ? 0 : static_cast<TPacked>((std::uint64_t{1} << ARecordBits) - 1);
  std::size_t out = 0;
  if (!ADescending)
    for (int r : ANulls) AList[out++] = r;
  for (TPacked v : packed) AList[out++] = static_cast<int>(v & recordMask);
  if (ADescending)
    for (int r : ANulls) AList[out++] = r;
}

// One integer key: each key's distance from the least (from the greatest when descending) and
// the record index packed into one number (32 bits when they fit, else 64), sorted by a radix
// sort: the list the (key, record) pairs give, in a few passes over it. False (nothing done)
// when they do not fit in 64 bits.
bool SortByPackedIntegers(std::vector<int>& AList, const TkcSortKeys& AKeys) {
  std::int64_t low = INT64_MAX, high = INT64_MIN;
  int maxRecord = 0;
  std::vector<int> nulls;
  for (int r : AList) {
    maxRecord = std::max(maxRecord, r);
    if (AKeys.IsNull(0, r)) {
      nulls.push_back(r);
    } else {
      low = std::min(low, AKeys.IntKey(0, r));
      high = std::max(high, AKeys.IntKey(0, r));
    }
  }
  const bool descending = AKeys.Info(0).SortOrder == soDescending;
  const int recordBits = std::bit_width(static_cast<std::uint32_t>(maxRecord));
  const int keyBits =
      low > high ? 0 : std::bit_width(static_cast<std::uint64_t>(high) - static_cast<std::uint64_t>(low));
  const int bits = recordBits + keyBits;
  if (bits > 64) return false;
  std::sort(nulls.begin(), nulls.end());
  const auto base = static_cast<std::uint64_t>(descending ? high : low);
  if (bits <= 32)
    SortPacked<std::uint32_t>(AList, AKeys, base, descending, recordBits, bits, nulls);
  else
    SortPacked<std::uint64_t>(AList, AKeys, base, descending, recordBits, bits, nulls);
  return true;
}

// One key of a total order: the records sorted as (key, record) pairs give the same list as the
// record compare (whose last word is the record index), with each key read once. Nulls come
// first, or last when descending.
template <class TKey, class TRead>
void SortByPairs(std::vector<int>& AList, const TkcSortKeys& AKeys, const TRead& ARead) {
  struct TPair {
    TKey Key;
    int Record;
  };
  std::vector<TPair> pairs;
  std::vector<int> nulls;
  pairs.reserve(AList.size());
  for (int r : AList)
    if (AKeys.IsNull(0, r))
      nulls.push_back(r);
    else
      pairs.push_back({ARead(r), r});
  const bool descending = AKeys.Info(0).SortOrder == soDescending;
  std::sort(pairs.begin(), pairs.end(), [descending](const TPair& a, const TPair& b) {
    if (a.Key != b.Key) return descending ? b.Key < a.Key : a.Key < b.Key;
    return a.Record < b.Record;
  });
  std::sort(nulls.begin(), nulls.end());
  std::size_t out = 0;
  if (!descending)
    for (int r : nulls) AList[out++] = r;
  for (const auto& p : pairs) AList[out++] = p.Record;
  if (descending)
    for (int r : nulls) AList[out++] = r;
}

}  // namespace

// ---- Construction -----------------------------------------------------------------------------

TkcCustomDataControllerInfo::TkcCustomDataControllerInfo(TkcCustomDataController* AController)
    : fDataController(AController),
      fDataGroups(std::make_unique<TkcDataGroups>()),
      fExpandingInfos(std::make_unique<TkcDataExpandingInfos>()),
      fFocusingInfo(std::make_unique<TkcDataFocusingInfo>(this)),
      fPrevFocusingInfo(std::make_unique<TkcDataFocusingInfo>(this)),
      fGroupingFieldList(std::make_unique<TkcGroupingFieldList>()),
      fSortingFieldList(std::make_unique<TkcSortingFieldList>()),
      fTotalSortingFieldList(std::make_unique<TkcSortingFieldList>()) {
  fSelection.reset(AController->GetDataSelectionClass().Create(AController));
  fGroupingFieldList->OnChanged = [this] { fChanges |= ciGrouping | ciSorting | ciSummary; };
  fSortingFieldList->OnChanged = [this] { fChanges |= ciSorting; };
  fSelection->OnChanged = [this] {
    fChanges |= ciSelection;
    if (fDataController->Summary() && fDataController->Summary()->CountsSelection()) fChanges |= ciSummary;
  };
}

TkcCustomDataControllerInfo::~TkcCustomDataControllerInfo() = default;

// ---- Change set and update ---------------------------------------------------------------------

void TkcCustomDataControllerInfo::EndUpdate() {
  --fLockCount;
  CheckUpdate();
}

void TkcCustomDataControllerInfo::CheckUpdate() {
  if (fChanges != 0 && fLockCount == 0 && !fInfoCalculation) Update();
}

void TkcCustomDataControllerInfo::Refresh(bool /*ADataChanged*/) {
  fChanges |= ciLoad;
  if (!fDataController->IsGridModeReloadPending()) fChanges |= ciSummary;
  if (fSortingFieldList->GetCount() > 0) fChanges |= ciSorting;
  if (fGroupingFieldList->GetCount() > 0) fChanges |= ciGrouping;
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ResetFocus() {
  fChanges |= ciResetFocus;
  fFocusingInfo->ResetFromController();
  CheckUpdate();
}

void TkcCustomDataControllerInfo::SummaryChanged(bool ADisplayOnly) {
  fChanges |= ADisplayOnly ? ciView : ciSummary;
  // Groups ordered by a summary are rebuilt, also when the ordering item went away.
  if (fGroupsSortedBySummary || fDataController->Summary()->HasSortingItems()) fChanges |= ciSummary | ciGrouping;
  CheckUpdate();
}

void TkcCustomDataControllerInfo::FocusedRecordChanged(bool AFlag) {
  fChanges |= ciFocusedRecord;
  if (AFlag) fPrevFocusingInfo->Changed = true;
}

bool TkcCustomDataControllerInfo::IsGroupsAlwaysExpanded() const {
  return fDataController->Options().Contains(dcoGroupsAlwaysExpanded);
}

bool TkcCustomDataControllerInfo::IsSummaryForSelection() const {
  TkcSummaryOptions o = fDataController->Summary()->Options();
  return o.Contains(soSelectedRecords) || (o.Contains(soMultipleSelectedRecords) && fSelection->GetCount() > 1);
}

void TkcCustomDataControllerInfo::Update() {
  fInfoCalculation = true;
  TkcCustomDataProvider* provider = fDataController->Provider();
  const bool wasGridMode = provider->IsGridMode();
  provider->SetLoadAllNeeded(fGroupingFieldList->GetCount() > 0);
  if (provider->IsGridMode() != wasGridMode) {
    fInfoCalculation = false;
    fDataController->UpdateStructure();
    fInfoCalculation = true;
  }
  if (fDataController->SummarySortChanged()) fChanges |= ciGrouping | ciSorting | ciSummary;
  const bool summaries = (fChanges & ciSummary) && !fDataController->IsDestroying() &&
                         !(fDataController->Owner() && fDataController->Owner()->ComponentState().Contains(csReading));
  fExpanding = false;
  try {
    SaveState();
    if (fChanges & ciLoad) {
      LoadRecordList();
      Filter();
      RebuildRecordListIndex();
    }
    if (summaries) fDataController->Summary()->BeginCalculate();
    if (fChanges & (ciGrouping | ciSorting)) Sort();
    if (fChanges & ciGrouping) BuildGroups();
    fKeys.reset();
    if (fChanges & (ciGrouping | ciSorting)) FocusTopRowAfterSorting();
    if (summaries) fDataController->Summary()->EndCalculate();
    fGroupsSortedBySummary = IsGrouped() && fDataController->Summary()->HasSortingItems();
    if (fGroupsSortedBySummary) fDataController->Summary()->SortGroupsBySummary();
    RestoreState();
  } catch (...) {
    fKeys.reset();
    fExpandingInfos->Clear();
    if (fExpanding) UpdateSelectionRows();
    fInfoCalculation = false;
    Notify();
    throw;
  }
  fExpandingInfos->Clear();
  if (fExpanding) UpdateSelectionRows();
  if (fChanges & (ciSorting | ciExpanding)) fDataController->UpdateSelectionSnapshot();
  fInfoCalculation = false;
  Notify();
}

void TkcCustomDataControllerInfo::LoadRecordList() {
  const int count = fDataController->GetRecordCount();
  fRecordList.resize(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) fRecordList[static_cast<std::size_t>(i)] = i;
}

void TkcCustomDataControllerInfo::RebuildRecordListIndex() {
  fRecordListIndex.assign(static_cast<std::size_t>(std::max(fDataController->GetRecordCount(), 0)), -1);
  for (std::size_t p = 0; p < fRecordList.size(); ++p) {
    const auto r = static_cast<std::size_t>(fRecordList[p]);
    if (r < fRecordListIndex.size()) fRecordListIndex[r] = static_cast<int>(p);
  }
}

void TkcCustomDataControllerInfo::Filter() {
  const bool byEvent = fDataController->HasFilterRecordEvent() && !fDataController->IsGridMode();
  const bool incremental = fDataController->HasIncrementalFilter();
  TkcDataFilterCriteria* criteria = fDataController->Filter();
  const bool byCriteria = criteria && criteria->IsFiltering();
  if (!byEvent && !incremental && !byCriteria) return;
  const int editing = fDataController->Provider()->EditingRecordIndex();
  const std::size_t n = fRecordList.size();
  // An integer column against a constant: its stored values are compared as they lie in the
  // records; Null values take the criteria's own path.
  TkcFilterOperatorKind compare = foEqual;
  std::int64_t constant = 0;
  bool inverted = false;
  TkcFilterCriteriaItem* item =
      byCriteria && !byEvent && !incremental ? criteria->PreparedIntegerCompare(compare, constant, inverted) : nullptr;
  TkcCustomDataField* field = item ? static_cast<TkcDataFilterCriteriaItem*>(item)->Field() : nullptr;
  TkcValueDef* column = field && fDataController->IsFilterValueStored(field) ? field->ValueColumn() : nullptr;
  const TkcValueTypeClass type = column ? column->ValueTypeClass() : nullptr;
  // A LIKE over texts kept in the storage: matched where they lie, without a copy each.
  const TkcLikePattern* pattern = nullptr;
  bool likeNegated = false;
  TkcValueDef* texts = nullptr;
  if (!item && byCriteria && !byEvent && !incremental)
    if (TkcFilterCriteriaItem* like = criteria->PreparedLike(pattern, likeNegated, inverted)) {
      TkcCustomDataField* f = static_cast<TkcDataFilterCriteriaItem*>(like)->Field();
      if (f && fDataController->IsFilterValueStored(f) &&
          f->ValueColumn()->ValueTypeClass() == TkcStringValueType::Class())
        texts = f->ValueColumn();
    }
  // Tested from the last record to the first (the order the event sees); the survivors are
  // written back from the end in the same pass, keeping their order. The record being edited
  // always stays. A failing test leaves every record listed rather than a half-compacted list.
  std::size_t write = n;
  auto compact = [&](auto&& accepts) {
    try {
      for (std::size_t i = n; i-- > 0;) {
        const int r = fRecordList[i];
        if (r == editing || accepts(r)) fRecordList[--write] = r;
      }
    } catch (...) {
      LoadRecordList();
      RebuildRecordListIndex();
      throw;
    }
  };
  if (type == TkcIntegerValueType::Class() || type == TkcSmallintValueType::Class() ||
      type == TkcWordValueType::Class()) {
    TkcDataStorage* storage = fDataController->GetDataStorage();
    auto passes = [&](std::int64_t v) {
      switch (compare) {
        case foEqual: return v == constant;
        case foNotEqual: return v != constant;
        case foLess: return v < constant;
        case foLessEqual: return v <= constant;
        case foGreater: return v > constant;
        default: return v >= constant;
      }
    };
    compact([&](int r) {
      const std::uint8_t* data = storage->StoredData(r, column);
      if (!data) return criteria->IsRecordAccepted(r);
      std::int64_t v;
      if (type == TkcIntegerValueType::Class()) {
        std::int32_t x;
        std::memcpy(&x, data, sizeof x);
        v = x;
      } else if (type == TkcSmallintValueType::Class()) {
        std::int16_t x;
        std::memcpy(&x, data, sizeof x);
        v = x;
      } else {
        std::uint16_t x;
        std::memcpy(&x, data, sizeof x);
        v = x;
      }
      return passes(v) != inverted;
    });
  } else if (texts) {
    TkcDataStorage* storage = fDataController->GetDataStorage();
    compact([&](int r) {
      std::string_view text;
      const std::uint8_t* data = storage->StoredData(r, texts);
      if (data && TkcStringValueType::StoredText(data, text)) return (pattern->Matches(text) != likeNegated) != inverted;
      return criteria->IsRecordAccepted(r);
    });
  } else {
    compact([&](int r) {
      if (byEvent && !fDataController->DoFilterRecord(r)) return false;
      if (incremental && !fDataController->DoIncrementalFilterRecord(r)) return false;
      return !byCriteria || criteria->IsRecordAccepted(r);
    });
  }
  if (write == 0) return;
  fRecordList.erase(fRecordList.begin(), fRecordList.begin() + static_cast<std::ptrdiff_t>(write));
  if (fSelection->GetCount() > 0) {
    RebuildRecordListIndex();  // the selection's check reads it
    fSelection->RemoveFilteredOut();
  }
  if (fDataController->PostingMark()) {
    fDataController->SetPostingMark(false);
    fDataController->SetRefocusMark(true);
  }
}

void TkcCustomDataControllerInfo::BuildTotalSorting() {
  auto* total = fTotalSortingFieldList.get();
  auto saved = std::move(total->OnChanged);
  total->Clear();
  for (int i = 0; i < fGroupingFieldList->GetCount(); ++i)
    total->Add(fGroupingFieldList->GetItem(i).Field, fGroupingFieldList->GetItem(i).SortOrder);
  for (int i = 0; i < fSortingFieldList->GetCount(); ++i) {
    const auto& info = fSortingFieldList->GetItem(i);
    if (fGroupingFieldList->Find(info.Field) < 0) total->Add(info.Field, info.SortOrder);
  }
  total->OnChanged = std::move(saved);
}

std::vector<TkcDataSortInfo> TkcCustomDataControllerInfo::TotalSortInfos() const {
  std::vector<TkcDataSortInfo> infos;
  for (int i = 0; i < fTotalSortingFieldList->GetCount(); ++i) infos.push_back(fTotalSortingFieldList->GetItem(i));
  return infos;
}

void TkcCustomDataControllerInfo::PrepareCompareModes(const std::vector<TkcDataSortInfo>& AInfos) {
  for (const auto& info : AInfos) {
    int mode = -1;
    if (fDataController->IsCompareByController(info.Field))
      mode = fDataController->IsFieldSortedByDisplayText(info.Field) ? 2 : 1;
    fDataController->SetFieldCompareMode(info.Field, mode);
  }
}

void TkcCustomDataControllerInfo::ResetCompareModes(const std::vector<TkcDataSortInfo>& AInfos) {
  for (const auto& info : AInfos) fDataController->SetFieldCompareMode(info.Field, 0);
}

int TkcCustomDataControllerInfo::CompareRecords(int A, int B) {
  if (A == B) return 0;
  TkcCustomDataProvider* provider = fDataController->Provider();
  const int editing = provider->EditingRecordIndex();
  if (editing != kcNoRecordIndex && (A == editing || B == editing)) {
    if (provider->PrevEditingNeighbour() != kcNoRecordIndex) return A == editing ? 1 : -1;
    const int next = provider->NextEditingNeighbour();
    if (next != kcNoRecordIndex) {
      if (A == editing && B == next) return -1;
      if (B == editing && A == next) return 1;
      if (A == editing) A = next;
      if (B == editing) B = next;
    }
  }
  for (std::size_t e = 0; e < fKeys->Count(); ++e)
    if (int r = fKeys->Compare(e, A, B)) return r;
  return fDataController->CompareRecordIndexes(A, B);
}

void TkcCustomDataControllerInfo::Sort() {
  BuildTotalSorting();
  if (fDataController->IsGridMode() || fRecordList.empty()) return;
  const auto infos = TotalSortInfos();
  PrepareCompareModes(infos);
  try {
    TkcCustomDataProvider* provider = fDataController->Provider();
    if (provider->RecordSource() && provider->SourceSortsItself()) {
      provider->SortBySource();
    } else if (infos.empty()) {
      // Unsorted: back to record order.
      SortRecordList(fRecordList, 0, static_cast<int>(fRecordList.size()) - 1,
                     [this](int a, int pivot) { return fDataController->CompareRecordIndexes(a, pivot); });
    } else {
      fKeys = std::make_unique<TkcSortKeys>(fDataController, infos, fRecordList);
      const bool neighbours =
          provider->EditingRecordIndex() != kcNoRecordIndex &&
          (provider->PrevEditingNeighbour() != kcNoRecordIndex || provider->NextEditingNeighbour() != kcNoRecordIndex);
      if (fKeys->IsSingleInteger() && !neighbours) {
        if (!SortByPackedIntegers(fRecordList, *fKeys))
          SortByPairs<std::int64_t>(fRecordList, *fKeys, [this](int r) { return fKeys->IntKey(0, r); });
      } else if (fKeys->IsSingleText() && !neighbours) {
        SortByPairs<std::string>(fRecordList, *fKeys, [this](int r) { return fKeys->TextKey(r); });
      } else {
        SortRecordList(fRecordList, 0, static_cast<int>(fRecordList.size()) - 1,
                       [this](int a, int pivot) { return CompareRecords(a, pivot); });
      }
    }
  } catch (...) {
    ResetCompareModes(infos);
    RebuildRecordListIndex();
    throw;
  }
  ResetCompareModes(infos);
  RebuildRecordListIndex();
}

int TkcCustomDataControllerInfo::CompareGroupRecords(int A, int B, int ALevel) {
  if (A == B) return 0;
  TkcCustomDataProvider* provider = fDataController->Provider();
  const int editing = provider->EditingRecordIndex();
  const TkcDataSortInfo& info = fTotalSortingFieldList->GetItem(ALevel);
  if (editing != kcNoRecordIndex && (A == editing || B == editing)) {
    if (provider->SavedRecordIndex() != 0) {
      // Compared through the copy taken when editing began: no group change before the post.
      if (A == editing) A = provider->SavedRecordIndex();
      if (B == editing) B = provider->SavedRecordIndex();
      return fDataController->CompareRecordsBySortInfo(A, B, info);
    }
    if (provider->PrevEditingNeighbour() != kcNoRecordIndex) return 0;
    const int next = provider->NextEditingNeighbour();
    if (next != kcNoRecordIndex) {
      if (A == editing) A = next;
      if (B == editing) B = next;
      if (A == B) return 0;
    }
  }
  if (fKeys && static_cast<std::size_t>(ALevel) < fKeys->Count())
    return fKeys->Compare(static_cast<std::size_t>(ALevel), A, B);
  return fDataController->CompareRecordsBySortInfo(A, B, info);
}

void TkcCustomDataControllerInfo::BuildGroups() {
  fDataGroups->Clear();
  const int levels = fGroupingFieldList->GetCount();
  for (int i = 0; i < levels; ++i) fDataGroups->AddField(fGroupingFieldList->GetItem(i).Field);
  if (fRecordList.empty() || levels == 0) {
    fDataGroups->Renumber();
    return;
  }
  if (fTotalSortingFieldList->GetCount() < levels) BuildTotalSorting();
  const auto infos = TotalSortInfos();
  PrepareCompareModes(infos);
  try {
    if (!fKeys) fKeys = std::make_unique<TkcSortKeys>(fDataController, infos, fRecordList);
    const int last = levels - 1;
    const int editing = fDataController->Provider()->EditingRecordIndex();
    const int saved = fDataController->Provider()->SavedRecordIndex();
    std::vector<int> open(static_cast<std::size_t>(levels));
    std::vector<int> first(static_cast<std::size_t>(levels));
    int level0 = 0;
    auto openGroup = [&](int ALevel, int APosition) {
      const int pos = fDataGroups->GetCount();
      TkcDataGroupInfo* g = fDataGroups->AddGroup();
      g->GroupLevel = ALevel;
      g->GroupRow = level0;
      g->BeginIndex = ALevel == last ? APosition : pos + 1;
      open[static_cast<std::size_t>(ALevel)] = pos;
      const int record = fRecordList[static_cast<std::size_t>(APosition)];
      first[static_cast<std::size_t>(ALevel)] = record;
      // A record being edited still belongs to the group of its values before the edit.
      const int valueRecord = record == editing && saved != 0 ? saved : record;
      g->Value = fDataController->GetSourceValue(valueRecord, fDataGroups->GetField(ALevel));
    };
    auto closeGroup = [&](int ALevel, int ALastPosition) {
      TkcDataGroupInfo* g = fDataGroups->GetItem(open[static_cast<std::size_t>(ALevel)]);
      g->EndIndex = ALevel == last ? ALastPosition : fDataGroups->GetCount() - 1;
    };
    for (int l = 0; l < levels; ++l) openGroup(l, 0);
    const int n = static_cast<int>(fRecordList.size());
    constexpr int kAhead = 16;
    const bool prefetch = fKeys->FirstIsInteger();
    for (int p = 1; p < n; ++p) {
      const int r = fRecordList[static_cast<std::size_t>(p)];
      if (prefetch && p + kAhead < n) fKeys->PrefetchFirst(fRecordList[static_cast<std::size_t>(p + kAhead)]);
      int differs = -1;
      for (int l = 0; l < levels && differs < 0; ++l)
        if (CompareGroupRecords(r, first[static_cast<std::size_t>(l)], l) != 0) differs = l;
      if (differs < 0) continue;
      if (differs == 0) ++level0;
      // Close every level first: a closing group ends at its last descendant so far.
      for (int l = last; l >= differs; --l) closeGroup(l, p - 1);
      for (int l = differs; l < levels; ++l) openGroup(l, p);
    }
    for (int l = last; l >= 0; --l) closeGroup(l, n - 1);
  } catch (...) {
    ResetCompareModes(infos);
    throw;
  }
  ResetCompareModes(infos);
  fDataGroups->Renumber();
}

void TkcCustomDataControllerInfo::FocusTopRowAfterSorting() {
  TkcCustomDataController* c = fDataController;
  if (!c->Options().Contains(dcoFocusTopRowAfterSorting) || c->InNotify()) return;
  if (!(c->SortingChangedMark() || c->GroupingChangedMark() || c->LoadedWhileActivating())) return;
  fFocusingInfo->Clear();
  ChangeFocusedRow(0);
  if (fSelection->GetCount() > 0) fSelection->Clear();
}

// ---- Saving and restoring expansion, selection and focus ---------------------------------------

void TkcCustomDataControllerInfo::SaveState() {
  std::uint8_t states = 0;
  if (fDataController->Options().Contains(dcoSaveExpanding) && (fChanges & (ciLoad | ciGrouping))) states |= 1;
  if (fSelection->GetCount() > 0 && (fChanges & (ciLoad | ciGrouping | ciSorting | ciExpanding))) states |= 2;
  if (states == fExpandingInfos->SaveStates) return;
  bool match = fDataGroups->GetLevelCount() == fGroupingFieldList->GetCount();
  for (int l = 0; match && l < fDataGroups->GetLevelCount(); ++l)
    match = fDataGroups->GetField(l) == fGroupingFieldList->GetItem(l).Field;
  fExpandingInfos->Clear();
  if (states == 0 || !match || fDataController->GetRecordCount() == 0) return;
  for (int l = 0; l < fDataGroups->GetLevelCount(); ++l) fExpandingInfos->AddField(fDataGroups->GetField(l));
  fExpandingInfos->SaveStates = states;
  // The selected group rows, found once.
  std::vector<std::uint8_t> selectedGroups(static_cast<std::size_t>(fDataGroups->GetCount()), 0);
  for (int i = 0; i < fSelection->GetCount(); ++i) {
    const auto& e = fSelection->GetEntry(i);
    if (e.Level == -1 && e.RecordValue >= 0 && e.RecordValue < fDataGroups->GetCount())
      selectedGroups[static_cast<std::size_t>(e.RecordValue)] = 1;
  }
  const int last = fDataGroups->GetLevelCount() - 1;
  const bool alwaysExpanded = IsGroupsAlwaysExpanded();
  int i = 0;
  while (i < fDataGroups->GetCount()) {
    TkcDataGroupInfo* g = fDataGroups->GetItem(i);
    std::uint8_t state = 0;
    if (g->IsExpanded) state = (fSelection->GetCount() == 0 && alwaysExpanded) ? 0 : 1;
    if ((states & 2) && selectedGroups[static_cast<std::size_t>(i)]) state |= 2;
    if (state != 0) fExpandingInfos->AddItem(g->GroupLevel, g->Value, state);
    if (g->IsExpanded || g->GroupLevel == last)
      ++i;
    else
      i = g->EndIndex + 1;
  }
}

int TkcCustomDataControllerInfo::DataRowOfListPosition(int APosition, bool AMakeVisible) {
  if (APosition < 0) return -1;
  if (!IsGrouped()) return APosition;
  const int pos = fDataGroups->GetLastLevelGroupOf(APosition);
  if (pos < 0) return -1;
  if (AMakeVisible) {
    if (fDataGroups->MakeVisible(pos, true)) ExpandingChanged();
  } else if (!fDataGroups->IsVisible(pos) || !fDataGroups->GetItem(pos)->IsExpanded) {
    return -1;
  }
  TkcDataGroupInfo* g = fDataGroups->GetItem(pos);
  return g->GroupRow + (APosition - g->BeginIndex) + 1;
}

int TkcCustomDataControllerInfo::RowOfSelectionEntry(const TkcDataSelectionEntry& AEntry) {
  if (AEntry.Level == -1)
    return AEntry.RecordValue >= 0 && AEntry.RecordValue < fDataGroups->GetCount()
               ? fDataGroups->GetItem(AEntry.RecordValue)->GroupRow
               : -1;
  return DataRowOfListPosition(GetRecordListIndex(AEntry.RecordValue), false);
}

void TkcCustomDataControllerInfo::RestoreSelectionRows(bool AGrouped) {
  std::vector<TkcDataSelectionEntry> entries;
  entries.reserve(static_cast<std::size_t>(fSelection->GetCount()));
  for (int i = 0; i < fSelection->GetCount(); ++i) {
    TkcDataSelectionEntry e = fSelection->GetEntry(i);
    e.RowIndex = AGrouped ? RowOfSelectionEntry(e) : GetRecordListIndex(e.RecordValue);
    if (e.RowIndex >= 0) entries.push_back(e);
  }
  std::stable_sort(entries.begin(), entries.end(), [](const TkcDataSelectionEntry& a, const TkcDataSelectionEntry& b) {
    return a.RowIndex < b.RowIndex;
  });
  const int anchor = fSelection->AnchorRowIndex();
  fSelection->ReplaceEntries(std::move(entries));
  if (anchor != -1 && !fSelection->IsRowSelected(anchor)) fSelection->ClearAnchor();
}

void TkcCustomDataControllerInfo::RestoreState() {
  const bool grouped = IsGrouped();
  if (grouped && IsGroupsAlwaysExpanded()) fDataGroups->SetAllExpanded(true);
  TkcDataExpandingInfos* saved = fExpandingInfos.get();
  if (saved->SaveStates != 0) {
    bool same = saved->GetFieldCount() == fGroupingFieldList->GetCount();
    for (int l = 0; same && l < saved->GetFieldCount(); ++l)
      same = saved->GetField(l) == fGroupingFieldList->GetItem(l).Field;
    if (same) {
      const int depth = fDataGroups->GetLevelCount();
      fSelection->KeepEntries([depth](const TkcDataSelectionEntry& e) { return e.Level == depth; });
      if (grouped) {
        std::vector<TkcDataSelectionEntry> groupEntries;
        if (saved->GetCount() > 0) {
          TkcDataControllerGroupLocateObject locate(fDataController);
          std::vector<Variant> path(static_cast<std::size_t>(depth));
          for (int i = 0; i < saved->GetCount(); ++i) {
            const TkcDataExpandingInfo& info = saved->GetItem(i);
            if (info.Level < 0 || info.Level >= depth) continue;
            path[static_cast<std::size_t>(info.Level)] = info.Value;
            TkcValueDefUnboundReader reader;
            for (int l = 0; l <= info.Level; ++l)
              if (TkcValueDef* column = fDataGroups->GetField(l)->ValueColumn())
                reader.SetValue(column, path[static_cast<std::size_t>(l)]);
            locate.LoadFromReader(&reader);
            locate.SetLevel(info.Level);
            const int record = locate.FindRecordIndex();
            if (record < 0) continue;
            const int pos = fDataGroups->GetGroupPositionByRecordListIndex(GetRecordListIndex(record), info.Level);
            if (pos < 0) continue;
            if ((info.State & 1) && (saved->SaveStates & 1)) fDataGroups->GetItem(pos)->IsExpanded = true;
            if (info.State & 2) groupEntries.push_back({-1, pos, -1});
          }
        }
        if ((saved->SaveStates & 1) && !IsGroupsAlwaysExpanded()) fDataGroups->Renumber();
        for (const auto& e : groupEntries) fSelection->InsertEntry(-1, e.RowIndex, e.RecordValue, e.Level);
        RestoreSelectionRows(true);
      } else if ((saved->SaveStates & 2) && !fDataController->IsGridMode()) {
        RestoreSelectionRows(false);
      }
    } else if (saved->SaveStates & 2) {
      fSelection->Clear();
    }
  }
  // Focus: the focused record's row, expanding its groups when needed.
  const int focusedRow = fFocusingInfo->RowIndex;
  const int row = LocateFocusedRow(false);
  if (row != focusedRow) {
    const bool outOfRange = focusedRow < 0 || focusedRow >= GetRowCount();
    if (outOfRange || GetRowInfo(focusedRow).RecordIndex != fFocusingInfo->RecordIndex) ChangeFocusedRow(row, true);
  }
  if ((fChanges & ciFocusedRow) && fPrevFocusingInfo->RowIndex >= GetRowCount()) fPrevFocusingInfo->RowIndex = -1;
  if (fDataController->RefocusMark() && fFocusingInfo->RowIndex < 0 && !fDataController->GetNewItemRowFocused()) {
    fDataController->SetRefocusMark(false);
    if (fDataController->Provider()->LocateCount() == 0) ChangeFocusedRow(0);
  }
  fDataController->CheckBookmark(-1);
}

void TkcCustomDataControllerInfo::Notify() {
  std::uint16_t flags = 0;
  if (fChanges & (ciSorting | ciView)) flags |= dccLayout;
  if (fChanges & (ciLoad | ciGrouping | ciExpanding)) flags |= dccData;
  if (fChanges & (ciFocusedRow | ciResetFocus | ciFocusedRecord)) flags |= dccFocus;
  if (fChanges & ciSelection) flags |= dccSelection;
  if (fChanges & ciSummary) flags |= dccSummary;
  if (fDataController->SortingChangedMark()) flags |= dccSorting;
  if (fDataController->GroupingChangedMark()) flags |= dccGrouping;
  fChanges = 0;
  fDataController->ClearRowEngineMarks();
  fDataController->AddChanges(flags);
}

void TkcCustomDataControllerInfo::ValidateSelection() {
  if (fSelection->GetCount() == 0) return;
  const int count = fDataController->GetRecordCount();
  if (count == 0) {
    fSelection->ClearWithAnchor();
    return;
  }
  if (fDataController->DeletingSelection()) return;
  // Grid mode selects records beyond the rows: its selection checks its own bookmarks.
  if (fDataController->IsKeyBased() || fDataController->IsGridMode()) return;
  fSelection->KeepEntries([count](const TkcDataSelectionEntry& e) { return e.RecordValue < count; });
}

// ---- Rows and records -------------------------------------------------------------------------

void TkcCustomDataControllerInfo::CheckRowIndex(int ARowIndex) {
  if (ARowIndex < 0 || ARowIndex >= GetRowCount()) throw EkcInvalidDataControllerOperation(kcRowIndexError);
}

int TkcCustomDataControllerInfo::GetRowCount() const {
  return IsGrouped() ? fDataGroups->GetRowCount() : static_cast<int>(fRecordList.size());
}

TkcRowInfo TkcCustomDataControllerInfo::GetRowInfo(int ARowIndex) {
  CheckRowIndex(ARowIndex);
  TkcRowInfo info;
  if (IsGrouped())
    info = fDataGroups->GetRowInfo(ARowIndex);
  else
    info.RecordListIndex = ARowIndex;
  info.RecordIndex = info.RecordListIndex >= 0 && info.RecordListIndex < GetRecordListCount()
                         ? fRecordList[static_cast<std::size_t>(info.RecordListIndex)]
                         : -1;
  return info;
}

int TkcCustomDataControllerInfo::GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible) {
  const int pos = GetRecordListIndex(ARecordIndex);
  if (pos < 0) return -1;
  if (!IsGrouped()) return pos;
  const bool before = fExpanding;
  int row = DataRowOfListPosition(pos, AMakeVisible);
  if (AMakeVisible && fExpanding && !before) {
    CheckUpdate();
    row = DataRowOfListPosition(GetRecordListIndex(ARecordIndex), false);
  }
  return row;
}

int TkcCustomDataControllerInfo::GetNearestRowIndex(int ARowIndex) {
  CheckRowIndex(ARowIndex);
  const int count = GetRowCount();
  if (!IsGrouped()) {
    if (count == 1) return -1;
    return ARowIndex < count - 1 ? ARowIndex + 1 : ARowIndex - 1;
  }
  const int level = GetRowInfo(ARowIndex).Level;
  if (ARowIndex + 1 < count && GetRowInfo(ARowIndex + 1).Level == level) return ARowIndex + 1;
  if (ARowIndex > 0 && GetRowInfo(ARowIndex - 1).Level == level) return ARowIndex - 1;
  if (count == 1) return ARowIndex;
  if (ARowIndex + 1 >= count) return ARowIndex - 1;
  return ARowIndex + 1;
}

// ---- Focus ------------------------------------------------------------------------------------

int TkcCustomDataControllerInfo::GetFocusedRecordIndex() const {
  const int row = fFocusingInfo->RowIndex;
  if (row < 0 || row >= GetRowCount()) return -1;
  return const_cast<TkcCustomDataControllerInfo*>(this)->GetRowInfo(row).RecordIndex;
}

bool TkcCustomDataControllerInfo::CanFocusedRowChanging(int ARowIndex) {
  fInCanFocusedRowChanging = true;
  try {
    const int record = ARowIndex >= 0 && ARowIndex < GetRowCount() ? GetRowInfo(ARowIndex).RecordIndex : -1;
    bool result = fDataController->CanFocusRecord(record);
    fInCanFocusedRowChanging = false;
    return result;
  } catch (...) {
    fInCanFocusedRowChanging = false;
    throw;
  }
}

void TkcCustomDataControllerInfo::ChangeFocusedRow(int ARowIndex, bool AForce) {
  ARowIndex = std::clamp(ARowIndex, -1, GetRowCount() - 1);
  if (ARowIndex == fFocusingInfo->RowIndex) return;
  fFocusing = true;
  if (!(fChanges & ciFocusedRow)) fPrevFocusingInfo->Assign(*fFocusingInfo);
  bool allowed = false;
  std::exception_ptr failure;
  try {
    allowed = AForce || CanFocusedRowChanging(ARowIndex);
    if (allowed) {
      fDataController->FocusedRowChanging(ARowIndex);
      fFocusingInfo->RowIndex = ARowIndex;
    }
  } catch (...) {
    failure = std::current_exception();
  }
  const int count = GetRowCount();
  if (fFocusingInfo->RowIndex >= count) fFocusingInfo->RowIndex = -1;
  if (fPrevFocusingInfo->RowIndex >= count) fPrevFocusingInfo->RowIndex = -1;
  if (fPrevFocusingInfo->RowIndex >= 0 || allowed) {
    fFocusingInfo->UpdateFromRow();
    if (fFocusingInfo->RowIndex >= 0 && GetRowInfo(fFocusingInfo->RowIndex).RecordIndex != fFocusingInfo->RecordIndex) {
      fFocusingInfo->RowIndex = std::min(LocateFocusedRow(true), count - 1);
    }
  }
  if (!fFocusingInfo->IsEqual(*fPrevFocusingInfo)) {
    fChanges |= ciFocusedRow | ciFocusedRecord;
    if (fDataController->IsSelectionByFocus() && fDataController->Summary()->CountsSelection()) fChanges |= ciSummary;
    fDataController->ResetNewItemRowFocused();
    fDataController->FocusedRecordChanged();
    fDataController->SetFocusedSelected(true);
  }
  fFocusing = false;
  if (failure) std::rethrow_exception(failure);
  CheckUpdate();
}

void TkcCustomDataControllerInfo::FocusRowAfterClear(int ARowIndex) {
  fFocusingInfo->Clear();
  ChangeFocusedRow(ARowIndex);
}

void TkcCustomDataControllerInfo::ChangeFocusedRowInOwnerUpdate(int ARowIndex) {
  kcBracket([this] { fDataController->BeginOwnerUpdate(); }, [&] { ChangeFocusedRow(ARowIndex); },
            [this] { fDataController->EndOwnerUpdate(); });
}

int TkcCustomDataControllerInfo::LocateFocusedRow(bool AKeepCollapsed) {
  const int record = fFocusingInfo->RecordIndex;
  const int pos = GetRecordListIndex(record);
  if (record < 0 || pos < 0) return -1;
  if (!IsGrouped()) return pos;
  const int groupPos = fDataGroups->GetLastLevelGroupOf(pos);
  if (groupPos < 0) return -1;
  TkcDataGroupInfo* group = fDataGroups->GetItem(groupPos);
  const int levels = fDataGroups->GetLevelCount();
  int level = fFocusingInfo->Level;
  if (!AKeepCollapsed) {
    const bool firstInGroup = pos == group->BeginIndex;
    if (firstInGroup && level >= 0 && level < levels) {
      int p = groupPos;
      while (fDataGroups->GetLevel(p) > level) {
        const int parent = fDataGroups->GetParentPosition(p);
        if (parent < 0 || fDataGroups->GetItem(parent)->BeginIndex != p) break;
        p = parent;
      }
      if (fDataGroups->GetLevel(p) == level) {
        if (fDataGroups->MakeVisible(p, false)) ExpandingChanged();
        return fDataGroups->GetItem(p)->GroupRow;
      }
    }
    if (firstInGroup && level == -1) {
      if (fDataGroups->MakeVisible(groupPos, false)) ExpandingChanged();
      return group->GroupRow;
    }
    return DataRowOfListPosition(pos, true);
  }
  if (level >= levels) {
    if (fDataGroups->IsVisible(groupPos) && group->IsExpanded) return DataRowOfListPosition(pos, false);
    level = levels - 1;
  }
  if (level < 0) return fDataGroups->IsVisible(groupPos) ? group->GroupRow : -1;
  int p = groupPos;
  while (p >= 0 && fDataGroups->GetLevel(p) > level) p = fDataGroups->GetParentPosition(p);
  return p >= 0 ? fDataGroups->GetItem(p)->GroupRow : -1;
}

void TkcCustomDataControllerInfo::RefocusAfterCollapse() {
  const int row = LocateFocusedRow(true);
  if (row == fFocusingInfo->RowIndex) return;
  if (fDataController->IsSmartRefresh())
    FocusRowAfterClear(row);
  else
    ChangeFocusedRow(row);
}

void TkcCustomDataControllerInfo::FocusFirstRowIfNone() {
  if (fFocusingInfo->RowIndex >= 0 || fDataController->GetNewItemRowFocused()) return;
  fDataController->SetRefocusMark(false);
  if (fDataController->Provider()->LocateCount() == 0) ChangeFocusedRow(0);
}

// ---- Expansion --------------------------------------------------------------------------------

void TkcCustomDataControllerInfo::ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive) {
  CheckRowIndex(ARowIndex);
  if (!IsGrouped() || IsGroupsAlwaysExpanded()) return;
  if (!AExpanded && fFocusingInfo->RowIndex >= 0 &&
      fDataController->Groups()->IsRowInGroup(fFocusingInfo->RowIndex, ARowIndex))
    fDataController->FinishEditing();
  fDataGroups->SetExpanded(ARowIndex, AExpanded, ARecursive);
  ExpandingChanged();
  kcBracket([this] { BeginUpdate(); },
            [&] {
              if (!AExpanded) RefocusAfterCollapse();
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataControllerInfo::CollapseAll() {
  if (!IsGrouped() || IsGroupsAlwaysExpanded()) return;
  fDataGroups->SetAllExpanded(false);
  ExpandingChanged();
  kcBracket([this] { BeginUpdate(); }, [this] { RefocusAfterCollapse(); }, [this] { EndUpdate(); });
}

void TkcCustomDataControllerInfo::ExpandAll() {
  if (!IsGrouped() || IsGroupsAlwaysExpanded()) return;
  fDataGroups->SetAllExpanded(true);
  ExpandingChanged();
  CheckUpdate();
}

// ---- Selection --------------------------------------------------------------------------------

void TkcCustomDataControllerInfo::ChangeRowSelection(int ARowIndex, bool ASelect) {
  CheckRowIndex(ARowIndex);
  int position = 0;
  const bool selected = fSelection->FindByRowIndex(ARowIndex, position);
  if (selected && !ASelect) {
    fSelection->Delete(position);
  } else if (!selected && ASelect && fDataController->CanSelectRow(ARowIndex)) {
    TkcRowInfo info = GetRowInfo(ARowIndex);
    const bool group = info.Level < fDataGroups->GetLevelCount();
    if (group)
      fSelection->Add(position, ARowIndex, fDataGroups->GetRowGroupPosition(ARowIndex), -1);
    else
      fSelection->Add(position, ARowIndex, info.RecordIndex, info.Level);
  }
  CheckUpdate();
}

void TkcCustomDataControllerInfo::SelectRowRange(int AFromRow, int AToRow) {
  if (AFromRow > AToRow) std::swap(AFromRow, AToRow);
  CheckRowIndex(AFromRow);
  CheckRowIndex(AToRow);
  std::vector<TkcDataSelectionEntry> merged;
  merged.reserve(static_cast<std::size_t>(fSelection->GetCount() + (AToRow - AFromRow + 1)));
  int i = 0;
  const int count = fSelection->GetCount();
  bool added = false;
  const bool grouped = IsGrouped();
  const int levels = fDataGroups->GetLevelCount();
  while (i < count && fSelection->GetEntry(i).RowIndex < AFromRow) merged.push_back(fSelection->GetEntry(i++));
  for (int row = AFromRow; row <= AToRow; ++row) {
    if (i < count && fSelection->GetEntry(i).RowIndex == row) {
      merged.push_back(fSelection->GetEntry(i++));
      continue;
    }
    if (!fDataController->CanSelectRow(row)) continue;
    if (!grouped) {
      merged.push_back({0, fRecordList[static_cast<std::size_t>(row)], row});
    } else {
      TkcRowInfo info = GetRowInfo(row);
      if (info.Level < levels)
        merged.push_back({-1, fDataGroups->GetRowGroupPosition(row), row});
      else
        merged.push_back({info.Level, info.RecordIndex, row});
    }
    added = true;
  }
  while (i < count) merged.push_back(fSelection->GetEntry(i++));
  if (added) fSelection->ReplaceEntries(std::move(merged));
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ClearSelection() {
  if (fSelection->GetCount() > 0) fSelection->Clear();
  CheckUpdate();
}

bool TkcCustomDataControllerInfo::IsRowSelected(int ARowIndex) {
  CheckRowIndex(ARowIndex);
  return fSelection->IsRowSelected(ARowIndex);
}

void TkcCustomDataControllerInfo::UpdateSelectionRows() {
  for (int i = 0; i < fSelection->GetCount(); ++i)
    fSelection->SetEntryRowIndex(i, RowOfSelectionEntry(fSelection->GetEntry(i)));
}

// ---- Sorting and grouping ---------------------------------------------------------------------

void TkcCustomDataControllerInfo::ChangeFieldSorting(TkcCustomDataField* AField, TkcDataSortOrder AOrder) {
  fSortingFieldList->SetFieldSortOrder(AField, AOrder);
  fGroupingFieldList->SyncOrders(fSortingFieldList.get());
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ChangeSortIndex(TkcCustomDataField* AField, int AIndex) {
  const int current = fSortingFieldList->Find(AField);
  if (current < 0) return;
  AIndex = std::clamp(AIndex, 0, fSortingFieldList->GetCount() - 1);
  if (AIndex != current) {
    fSortingFieldList->Move(current, AIndex);
    fDataController->PostIfEditing();
    fDataController->MarkSortingChanged();
  }
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ClearSorting(bool AKeepGrouped) {
  const int before = fSortingFieldList->GetCount();
  if (AKeepGrouped) {
    for (int i = fSortingFieldList->GetCount() - 1; i >= 0; --i)
      if (fGroupingFieldList->Find(fSortingFieldList->GetItem(i).Field) < 0) fSortingFieldList->Delete(i);
  } else {
    fSortingFieldList->Clear();
    for (int i = 0; i < fGroupingFieldList->GetCount(); ++i) fGroupingFieldList->SetEntryOrder(i, soAscending);
  }
  if (fSortingFieldList->GetCount() != before) {
    fDataController->PostIfEditing();
    fDataController->MarkSortingChanged();
  }
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ChangeFieldGrouping(TkcCustomDataField* AField, int AGroupIndex) {
  fGroupingFieldList->SetFieldGroupIndex(AField, AGroupIndex);
  fGroupingFieldList->SyncOrders(fSortingFieldList.get());
  CheckUpdate();
}

void TkcCustomDataControllerInfo::ClearGrouping() {
  fGroupingFieldList->Clear();
  CheckUpdate();
}

void TkcCustomDataControllerInfo::RemoveField(TkcCustomDataField* AField) {
  fSortingFieldList->Remove(AField);
  if (fGroupingFieldList->Find(AField) >= 0) fSelection->ClearWithAnchor();
  fGroupingFieldList->Remove(AField);
  fGroupingFieldList->SyncOrders(fSortingFieldList.get());
  fExpandingInfos->ClearIfListed(AField);
  CheckUpdate();
}

void TkcCustomDataControllerInfo::FieldChanged(TkcCustomDataField* AField) {
  fChanges |= ciView;
  fSortingFieldList->NotifyIfListed(AField);
  fGroupingFieldList->NotifyIfListed(AField);
  if (fGroupingFieldList->Find(AField) >= 0) fSelection->ClearWithAnchor();
  fExpandingInfos->ClearIfListed(AField);
  CheckUpdate();
}
