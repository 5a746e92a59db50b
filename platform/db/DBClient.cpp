// The in-memory dataset: flat record storage, the current order and the key indexes.
#include "platform/db/DBClient.h"

#include "platform/core/Utf8.h"

#include <algorithm>
#include <cstring>

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
  } catch (...) {
  }
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
bool TClientDataSet::SlotLess::operator()(int a, const KeyProbe& b) const { return DataSet->CompareKey(*Idx, a, *b.Values) < 0; }
bool TClientDataSet::SlotLess::operator()(const KeyProbe& a, int b) const { return DataSet->CompareKey(*Idx, b, *a.Values) > 0; }

std::unique_ptr<TClientDataSet::Index> TClientDataSet::MakeIndex(const String& Name, const String& Fields,
                                                                 TIndexOptions Options) {
  auto idx = std::make_unique<Index>(this);
  idx->Name = Name;
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

void TClientDataSet::BuildIndexes() {
  fIndexes.clear();
  fOrderIndex = nullptr;
  for (int i = 0; i < fIndexDefs.Count(); ++i) {
    const TIndexDef& d = fIndexDefs[i];
    fIndexes.push_back(MakeIndex(d.Name, d.Fields, d.Options));
    if (!fIndexName.empty() && AnsiSameText(d.Name, fIndexName)) fOrderIndex = fIndexes.back().get();
  }
  if (!fIndexName.empty() && !fOrderIndex) DatabaseErrorFmt("Index '%s' not found", {fIndexName}, this);
  if (!fIndexFieldNames.empty()) {
    fIndexes.push_back(MakeIndex(String(), fIndexFieldNames, {}));
    fOrderIndex = fIndexes.back().get();
  }
  for (int s = 0; s < static_cast<int>(fLive.size()); ++s)
    if (fLive[static_cast<size_t>(s)])
      for (auto& i : fIndexes) i->Tree.insert(s);
  BuildOrder();
}

void TClientDataSet::BuildOrder() {
  fOrder.clear();
  if (fOrderIndex) {
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
  auto range = I.Tree.equal_range(KeyProbe{&Key});
  int best = -1, bestPos = -1;
  for (auto it = range.first; it != range.second; ++it) {
    int pos = PosOf(*it);
    if (best < 0 || pos < bestPos) {
      best = *it;
      bestPos = pos;
    }
    if (&I == fOrderIndex) break;  // the order is the tree's: the first is the answer
  }
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
    for (auto& idx : fIndexes) idx->Tree.erase(slot);
  auto store = [&](const std::vector<Variant>& v) {
    for (int i = 0; i < fFieldCount; ++i)
      fValues[static_cast<size_t>(slot) * static_cast<size_t>(fFieldCount) + static_cast<size_t>(i)] =
          static_cast<size_t>(i) < v.size() ? v[static_cast<size_t>(i)] : Null();
  };
  store(Values);
  for (auto& idx : fIndexes) {
    if (!idx->Unique) continue;
    std::vector<Variant> key;
    for (int no : idx->FieldNos) key.push_back(Cell(slot, no));
    if (idx->Tree.find(KeyProbe{&key}) != idx->Tree.end()) {
      store(old);
      if (inserting) {
        fValues.resize(fValues.size() - static_cast<size_t>(fFieldCount));
        fLive.pop_back();
      } else {
        for (auto& i : fIndexes) i->Tree.insert(slot);
      }
      DatabaseError("Key violation", this);
    }
  }
  for (auto& idx : fIndexes) idx->Tree.insert(slot);
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
      if (!VarIsClear(key[k]) && key[k].IsStr() != (Fields[k]->DataType() == ftString || Fields[k]->DataType() == ftWideString ||
                                                     Fields[k]->DataType() == ftFixedChar || Fields[k]->DataType() == ftMemo))
        sameKinds = false;
    if (!sameKinds) continue;
    auto range = idx->Tree.equal_range(KeyProbe{&key});
    int best = -1, bestPos = -1;
    for (auto it = range.first; it != range.second; ++it) {
      bool match = true;
      for (size_t k = 0; k < key.size() && match; ++k) match = KeyMatches(Cell(*it, nos[k]), key[k], Options);
      if (!match) continue;
      int pos = PosOf(*it);
      if (best < 0 || pos < bestPos) {
        best = *it;
        bestPos = pos;
      }
    }
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
