// The in-memory dataset: flat record storage, the current order and the key indexes.
#include "platform/db/DBClient.h"

#include "platform/core/Utf8.h"

#include <algorithm>
#include <cstring>
#include <memory>

TIndexDef& TIndexDefs::Add(const String& Name, const String& Fields, TIndexOptions Options) {
  auto d = std::make_unique<TIndexDef>();
  d->Name = Name;
  d->Fields = Fields;
  d->Options = Options;
  fItems.push_back(std::move(d));
  return *fItems.back();
}

TIndexDef* TIndexDefs::Find(const String& Name) const {
  for (const auto& d : fItems)
    if (AnsiSameText(d->Name, Name)) return d.get();
  return nullptr;
}

TClientDataSet::TClientDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TClientDataSet::~TClientDataSet() {
  try {
    Close();
  } catch (...) {}
}

void TClientDataSet::CreateDataSet() {
  CheckInactive();
  Open();
}

void TClientDataSet::InternalOpen() {
  if (FieldDefs().Count() == 0) DatabaseError("Missing data provider or data packet", this);
  fFieldCount = FieldDefs().Count();
  fValues.clear();
  fLive.clear();
  fOrder.clear();
  fPosOf.clear();
  fPosDirty = false;
  BuildIndexes();
}

void TClientDataSet::InternalClose() {
  fIndexes.clear();
  fOrderIndex = nullptr;
  fValues.clear();
  fValues.shrink_to_fit();
  fLive.clear();
  fOrder.clear();
  fPosOf.clear();
}

void TClientDataSet::EmptyDataSet() {
  CheckActive();
  Cancel();
  for (auto& i : fIndexes) i->Tree.clear();
  fValues.clear();
  fLive.clear();
  fOrder.clear();
  fPosOf.clear();
  fPosDirty = false;
  Resync();
}

// ---- Keys and indexes -------------------------------------------------------------------------

namespace {
int CompareValues(const Variant& a, const Variant& b, bool caseInsensitive) {
  if (caseInsensitive && a.IsStr() && b.IsStr()) {
    int c = Utf8UpperCase(VarToStr(a)).compare(Utf8UpperCase(VarToStr(b)));
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  try {
    return VarCompare(a, b);
  } catch (const EVariantError&) {
    // Values that do not compare (text against number): order by kind so that the tree stays
    // consistent.
    return a.VarType() < b.VarType() ? -1 : a.VarType() > b.VarType() ? 1 : 0;
  }
}
}  // namespace

int TClientDataSet::CompareKey(const Index& I, int Slot, const std::vector<Variant>& Key) const {
  size_t n = std::min(Key.size(), I.FieldNos.size());
  for (size_t k = 0; k < n; ++k) {
    int c = CompareValues(Cell(Slot, I.FieldNos[k]), Key[k], I.CaseInsensitive);
    if (c != 0) return I.Descending[k] ? -c : c;
  }
  return 0;
}

int TClientDataSet::CompareSlots(const Index& I, int A, int B) const {
  for (size_t k = 0; k < I.FieldNos.size(); ++k) {
    int c = CompareValues(Cell(A, I.FieldNos[k]), Cell(B, I.FieldNos[k]), I.CaseInsensitive);
    if (c != 0) return I.Descending[k] ? -c : c;
  }
  return 0;
}

// Equal keys keep the order in which the records were added.
bool TClientDataSet::SlotLess::operator()(int a, int b) const {
  int c = DataSet->CompareSlots(*Idx, a, b);
  return c != 0 ? c < 0 : a < b;
}
bool TClientDataSet::SlotLess::operator()(int a, const KeyProbe& b) const {
  return DataSet->CompareKey(*Idx, a, *b.Values) < 0;
}
bool TClientDataSet::SlotLess::operator()(const KeyProbe& a, int b) const {
  return DataSet->CompareKey(*Idx, b, *a.Values) > 0;
}

std::unique_ptr<TClientDataSet::Index> TClientDataSet::MakeIndex(const String& Name, const String& Fields,
                                                                 TIndexOptions Options) {
  auto idx = std::make_unique<Index>(this);
  idx->Name = Name;
  idx->Fields = Fields;
  idx->Options = Options;
  idx->CaseInsensitive = Options.Contains(ixCaseInsensitive);
  idx->Unique = Options.Contains(ixUnique) || Options.Contains(ixPrimary);
  size_t start = 0;
  while (start <= Fields.size()) {
    size_t end = Fields.find(';', start);
    if (end == String::npos) end = Fields.size();
    String n = Trim(Fields.substr(start, end - start));
    if (!n.empty()) {
      TFieldDef* d = FieldDefs().Find(n);
      if (!d) DatabaseErrorFmt("Field '%s' not found", {n}, this);
      idx->FieldNos.push_back(d->FieldNo);
      idx->Descending.push_back(Options.Contains(ixDescending));
    }
    start = end + 1;
  }
  if (idx->FieldNos.empty()) DatabaseErrorFmt("Index '%s' has no fields", {Name}, this);
  return idx;
}

namespace {
bool IsWholeNumberKind(TVarType t) {
  switch (t) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}

// A key read out of a record for sorting: nulls first, then by value; equal keys by slot.
template <class T>
struct TSortKey {
  T Value;
  int Slot;
  bool Present;
};

// Sorts by the upper 32 bits, keeping the given order among equal ones (least significant byte
// first, four counting passes; a pass whose byte is the same everywhere is skipped). The four
// counts come from one read of the keys, and the scratch copy is never zero-filled.
void RadixSortHigh32(std::vector<std::uint64_t>& keys) {
  const size_t n = keys.size();
  size_t count[4][257] = {};
  for (std::uint64_t k : keys) {
    ++count[0][((k >> 32) & 0xFF) + 1];
    ++count[1][((k >> 40) & 0xFF) + 1];
    ++count[2][((k >> 48) & 0xFF) + 1];
    ++count[3][(k >> 56) + 1];
  }
  auto scratch = std::make_unique_for_overwrite<std::uint64_t[]>(n);
  std::uint64_t* from = keys.data();
  std::uint64_t* to = scratch.get();
  for (int pass = 0; pass < 4; ++pass) {
    size_t* c = count[pass];
    if (std::find(c + 1, c + 257, n) != c + 257) continue;
    for (int b = 0; b < 256; ++b) c[b + 1] += c[b];
    const int shift = 32 + 8 * pass;
    for (size_t i = 0; i < n; ++i) to[c[(from[i] >> shift) & 0xFF]++] = from[i];
    std::swap(from, to);
  }
  if (from != keys.data()) std::copy(from, from + n, keys.data());
}

template <class T>
void SortKeys(std::vector<TSortKey<T>>& keys, bool descending) {
  std::sort(keys.begin(), keys.end(), [descending](const TSortKey<T>& a, const TSortKey<T>& b) {
    int c = a.Present != b.Present ? (a.Present ? 1 : -1) : a.Value < b.Value ? -1 : b.Value < a.Value ? 1 : 0;
    if (descending) c = -c;
    return c != 0 ? c < 0 : a.Slot < b.Slot;
  });
}
}  // namespace

std::vector<int> TClientDataSet::SortedSlots(const Index& I) const {
  std::vector<int> slots;
  slots.reserve(fLive.size());
  for (int s = 0; s < static_cast<int>(fLive.size()); ++s)
    if (fLive[static_cast<size_t>(s)]) slots.push_back(s);
  if (I.FieldNos.size() == 1) {
    const int no = I.FieldNos[0];
    const bool descending = I.Descending[0];
    // Whole numbers in 32 bits, the common key: one pass packs each with its slot, the value
    // biased to unsigned order (inverted when descending) above the slot, so that one integer
    // sort gives the index's order. Nulls come first (last when descending), in slot order, as
    // equal keys do.
    std::vector<int> nulls;
    std::vector<std::uint64_t> packed;
    packed.reserve(slots.size());
    bool numbers = true, narrow = true;
    for (int slot : slots) {
      const Variant& v = Cell(slot, no);
      if (v.IsNull()) {
        nulls.push_back(slot);
        continue;
      }
      if (!IsWholeNumberKind(v.VarType())) {
        numbers = false;
        break;
      }
      std::int64_t x = v.AsInt64();
      if (x < INT32_MIN || x > INT32_MAX) {
        narrow = false;
        break;
      }
      auto biased = static_cast<std::uint32_t>(static_cast<std::int32_t>(x)) ^ 0x80000000u;
      if (descending) biased = ~biased;
      packed.push_back((static_cast<std::uint64_t>(biased) << 32) | static_cast<std::uint32_t>(slot));
    }
    if (numbers && narrow) {
      RadixSortHigh32(packed);
      std::vector<int> sorted;
      sorted.reserve(slots.size());
      if (!descending) sorted = nulls;
      for (std::uint64_t k : packed) sorted.push_back(static_cast<int>(k & 0xFFFFFFFFu));
      if (descending) sorted.insert(sorted.end(), nulls.begin(), nulls.end());
      return sorted;
    }
    packed = {};
    bool texts = true;
    for (int s : slots) {
      const Variant& v = Cell(s, no);
      if (v.IsNull()) continue;
      numbers = numbers && IsWholeNumberKind(v.VarType());
      texts = texts && v.StringPtr();
      if (!numbers && !texts) break;
    }
    auto finish = [&](auto& keys) {
      SortKeys(keys, descending);
      for (size_t i = 0; i < keys.size(); ++i) slots[i] = keys[i].Slot;
    };
    if (numbers) {
      std::vector<TSortKey<std::int64_t>> keys(slots.size());
      for (size_t i = 0; i < slots.size(); ++i) {
        const Variant& v = Cell(slots[i], no);
        keys[i] = {v.IsNull() ? 0 : v.AsInt64(), slots[i], !v.IsNull()};
      }
      finish(keys);
      return slots;
    }
    if (texts) {
      // Case-insensitive keys are upper-cased once, as the comparison would for every pair.
      std::vector<String> upper(I.CaseInsensitive ? slots.size() : 0);
      std::vector<TSortKey<std::string_view>> keys(slots.size());
      for (size_t i = 0; i < slots.size(); ++i) {
        const std::string* text = Cell(slots[i], no).StringPtr();
        std::string_view view;
        if (text && I.CaseInsensitive)
          view = upper[i] = Utf8UpperCase(*text);
        else if (text)
          view = *text;
        keys[i] = {view, slots[i], text != nullptr};
      }
      finish(keys);
      return slots;
    }
  }
  std::stable_sort(slots.begin(), slots.end(), SlotLess{this, &I});
  return slots;
}

// Slots arrive in the tree's order, so each goes in at the end without a search.
void TClientDataSet::FillTree(Index& I) const {
  I.Tree.clear();
  for (int s : SortedSlots(I)) I.Tree.insert(I.Tree.end(), s);
}

template <class F>
void TClientDataSet::ForEachEqual(const Index& I, const std::vector<Variant>& Key, F f) const {
  if (I.InOrder) {
    auto range = std::equal_range(fOrder.begin(), fOrder.end(), KeyProbe{&Key}, SlotLess{this, &I});
    for (auto it = range.first; it != range.second; ++it) f(*it);
    return;
  }
  auto range = I.Tree.equal_range(KeyProbe{&Key});
  for (auto it = range.first; it != range.second; ++it) f(*it);
}

// The defined indexes are built again only when their definitions changed; the order's own
// index is made anew.
void TClientDataSet::BuildIndexes() {
  bool same = fIndexes.size() >= static_cast<size_t>(fIndexDefs.Count());
  for (int i = 0; same && i < fIndexDefs.Count(); ++i) {
    const TIndexDef& d = fIndexDefs[i];
    const Index& idx = *fIndexes[static_cast<size_t>(i)];
    same = !idx.InOrder && idx.Name == d.Name && idx.Fields == d.Fields && idx.Options == d.Options;
  }
  if (same) {
    fIndexes.resize(static_cast<size_t>(fIndexDefs.Count()));
  } else {
    fIndexes.clear();
    for (int i = 0; i < fIndexDefs.Count(); ++i) {
      const TIndexDef& d = fIndexDefs[i];
      fIndexes.push_back(MakeIndex(d.Name, d.Fields, d.Options));
      FillTree(*fIndexes.back());
    }
  }
  fOrderIndex = nullptr;
  for (auto& idx : fIndexes)
    if (!fIndexName.empty() && AnsiSameText(idx->Name, fIndexName)) {
      fOrderIndex = idx.get();
      break;
    }
  if (!fIndexName.empty() && !fOrderIndex) DatabaseErrorFmt("Index '%s' not found", {fIndexName}, this);
  if (!fIndexFieldNames.empty()) {
    fIndexes.push_back(MakeIndex(String(), fIndexFieldNames, {}));
    fOrderIndex = fIndexes.back().get();
    fOrderIndex->InOrder = true;
  }
  BuildOrder();
}

void TClientDataSet::BuildOrder() {
  fOrder.clear();
  if (fOrderIndex && fOrderIndex->InOrder) {
    fOrder = SortedSlots(*fOrderIndex);
  } else if (fOrderIndex) {
    fOrder.assign(fOrderIndex->Tree.begin(), fOrderIndex->Tree.end());
  } else {
    for (int s = 0; s < static_cast<int>(fLive.size()); ++s)
      if (fLive[static_cast<size_t>(s)]) fOrder.push_back(s);
  }
  fPosDirty = true;
}

void TClientDataSet::SetIndexFieldNames(const String& Value) {
  fIndexFieldNames = Value;
  fIndexName.clear();
  Reorder();
}

void TClientDataSet::SetIndexName(const String& Value) {
  fIndexName = Value;
  fIndexFieldNames.clear();
  Reorder();
}

// A new order keeps the cursor on the same record.
void TClientDataSet::Reorder() {
  if (!Active()) return;
  CheckBrowseMode();
  String bm = Bookmark();
  BuildIndexes();
  Resync();
  if (!bm.empty() && BookmarkValid(bm)) GotoBookmark(bm);
}

int TClientDataSet::PosOf(int Slot) const {
  if (fPosDirty || fPosOf.size() != fLive.size()) {
    fPosOf.assign(fLive.size(), -1);
    for (size_t p = 0; p < fOrder.size(); ++p) fPosOf[static_cast<size_t>(fOrder[p])] = static_cast<int>(p);
    fPosDirty = false;
  }
  return Slot >= 0 && static_cast<size_t>(Slot) < fPosOf.size() ? fPosOf[static_cast<size_t>(Slot)] : -1;
}

int TClientDataSet::FindInIndex(const Index& I, const std::vector<Variant>& Key) const {
  int best = -1, bestPos = -1;
  bool done = false;
  ForEachEqual(I, Key, [&](int slot) {
    if (done) return;
    int pos = PosOf(slot);
    if (best < 0 || pos < bestPos) {
      best = slot;
      bestPos = pos;
    }
    done = &I == fOrderIndex;  // the order is the index's: the first is the answer
  });
  return best;
}

// ---- Records ----------------------------------------------------------------------------------

Variant TClientDataSet::InternalGetValue(int Rec, int FieldNo) const {
  if (Rec < 0 || Rec >= static_cast<int>(fOrder.size()) || FieldNo < 1 || FieldNo > fFieldCount) return Null();
  return Cell(fOrder[static_cast<size_t>(Rec)], FieldNo);
}

String TClientDataSet::InternalGetBookmark(int Rec) const {
  std::int32_t slot = fOrder.at(static_cast<size_t>(Rec));
  String b(sizeof slot, '\0');
  std::memcpy(b.data(), &slot, sizeof slot);
  return b;
}

int TClientDataSet::InternalFindBookmark(const String& Bookmark) const {
  std::int32_t slot;
  if (Bookmark.size() != sizeof slot) return -1;
  std::memcpy(&slot, Bookmark.data(), sizeof slot);
  if (slot < 0 || static_cast<size_t>(slot) >= fLive.size() || !fLive[static_cast<size_t>(slot)]) return -1;
  return PosOf(slot);
}

int TClientDataSet::InternalPost(int Rec, int Before, const std::vector<Variant>& Values) {
  bool inserting = Rec < 0;
  int slot = inserting ? static_cast<int>(fLive.size()) : fOrder.at(static_cast<size_t>(Rec));
  if (inserting) {
    fValues.resize(fValues.size() + static_cast<size_t>(fFieldCount), Null());
    fLive.push_back(0);
  }
  // The key checks and the trees read the stored values, so a changed record leaves them first
  // and the old values come back when the new ones are refused.
  std::vector<Variant> old(static_cast<size_t>(fFieldCount));
  for (int i = 0; i < fFieldCount; ++i) old[static_cast<size_t>(i)] = Cell(slot, i + 1);
  if (!inserting)
    for (auto& idx : fIndexes) idx->Tree.erase(slot);  // the order's own index has none
  auto store = [&](const std::vector<Variant>& v) {
    for (int i = 0; i < fFieldCount; ++i)
      fValues[static_cast<size_t>(slot) * static_cast<size_t>(fFieldCount) + static_cast<size_t>(i)] =
          static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)] : Null();
  };
  store(Values);
  for (auto& idx : fIndexes) {
    if (!idx->Unique || idx->InOrder) continue;
    std::vector<Variant> key;
    for (int no : idx->FieldNos) key.push_back(Cell(slot, no));
    if (idx->Tree.find(KeyProbe{&key}) != idx->Tree.end()) {
      store(old);
      if (inserting) {
        fValues.resize(fValues.size() - static_cast<size_t>(fFieldCount));
        fLive.pop_back();
      } else {
        for (auto& i : fIndexes)
          if (!i->InOrder) i->Tree.insert(slot);
      }
      DatabaseError("Key violation", this);
    }
  }
  for (auto& idx : fIndexes)
    if (!idx->InOrder) idx->Tree.insert(slot);
  fLive[static_cast<size_t>(slot)] = 1;

  if (fOrderIndex) {
    if (!inserting) {
      fOrder.erase(fOrder.begin() + Rec);
      fPosDirty = true;
    }
    SlotLess less{this, fOrderIndex};
    auto it = std::lower_bound(fOrder.begin(), fOrder.end(), slot, less);
    int pos = static_cast<int>(it - fOrder.begin());
    if (it != fOrder.end()) fPosDirty = true;
    fOrder.insert(it, slot);
    if (!fPosDirty) {
      fPosOf.resize(fLive.size(), -1);
      fPosOf[static_cast<size_t>(slot)] = pos;
    }
    return pos;
  }
  if (!inserting) return Rec;
  int pos = std::clamp(Before, 0, static_cast<int>(fOrder.size()));
  if (pos != static_cast<int>(fOrder.size())) fPosDirty = true;
  fOrder.insert(fOrder.begin() + pos, slot);
  if (!fPosDirty) {
    fPosOf.resize(fLive.size(), -1);
    fPosOf[static_cast<size_t>(slot)] = pos;
  }
  return pos;
}

void TClientDataSet::InternalDelete(int Rec) {
  int slot = fOrder.at(static_cast<size_t>(Rec));
  for (auto& idx : fIndexes) idx->Tree.erase(slot);
  fLive[static_cast<size_t>(slot)] = 0;
  for (int i = 1; i <= fFieldCount; ++i)
    fValues[static_cast<size_t>(slot) * static_cast<size_t>(fFieldCount) + static_cast<size_t>(i - 1)] = Variant();
  fOrder.erase(fOrder.begin() + Rec);
  fPosDirty = true;
}

// ---- Searching ------------------------------------------------------------------------------

int TClientDataSet::InternalLocate(const std::vector<TField*>& Fields, const Variant& KeyValues,
                                   TLocateOptions Options) const {
  if (Options.Contains(loPartialKey)) return -2;
  std::vector<int> nos;
  for (TField* f : Fields) {
    if (f->FieldKind() != fkData || f->FieldNo() <= 0) return -2;
    nos.push_back(f->FieldNo());
  }
  std::vector<Variant> key;
  if (Fields.size() == 1 && !KeyValues.IsArray())
    key.push_back(KeyValues);
  else
    for (size_t i = 0; i < Fields.size(); ++i) key.push_back(KeyValues.GetItem(static_cast<int>(i)));
  for (const auto& idx : fIndexes) {
    if (idx->FieldNos != nos) continue;
    bool ci = Options.Contains(loCaseInsensitive);
    if (ci && !idx->CaseInsensitive) continue;
    // A tree whose key type differs from the value asked for (a number for a text field, say)
    // would not find it: leave that to the scan.
    bool sameKinds = true;
    for (size_t k = 0; k < key.size(); ++k)
      if (!VarIsClear(key[k]) &&
          key[k].IsStr() != (Fields[k]->DataType() == ftString || Fields[k]->DataType() == ftWideString ||
                             Fields[k]->DataType() == ftFixedChar || Fields[k]->DataType() == ftMemo))
        sameKinds = false;
    if (!sameKinds) continue;
    int best = -1, bestPos = -1;
    ForEachEqual(*idx, key, [&](int slot) {
      bool match = true;
      for (size_t k = 0; k < key.size() && match; ++k) match = KeyMatches(Cell(slot, nos[k]), key[k], Options);
      if (!match) return;
      int pos = PosOf(slot);
      if (best < 0 || pos < bestPos) {
        best = slot;
        bestPos = pos;
      }
    });
    return best < 0 ? -1 : bestPos;
  }
  return -2;
}

bool TClientDataSet::FindKey(const std::vector<Variant>& KeyValues) {
  CheckBrowseMode();
  if (!fOrderIndex) DatabaseError("No index currently active", this);
  if (KeyValues.empty() || KeyValues.size() > fOrderIndex->FieldNos.size())
    DatabaseError("Invalid number of key values", this);
  int slot = FindInIndex(*fOrderIndex, KeyValues);
  if (slot < 0) return false;
  String b = InternalGetBookmark(PosOf(slot));
  if (!BookmarkValid(b)) return false;  // filtered out
  GotoBookmark(b);
  return true;
}
