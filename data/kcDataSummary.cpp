#include "data/kcDataSummary.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/core/DateUtils.h"

// ---- Items --------------------------------------------------------------------------------------

TObject* TkcCustomDataSummaryItem::GetItemLink() const { return fField ? fField->ItemObject() : nullptr; }

void TkcCustomDataSummaryItem::SetItemLink(TObject* AItem) {
  if (AItem == GetItemLink()) return;
  TkcCustomDataField* field = AItem ? GetDataController()->GetFieldByItem(AItem) : nullptr;
  SetField(field);
}

void TkcCustomDataSummaryItem::SetField(TkcCustomDataField* AField) {
  TCollection* c = Collection();
  if (c) c->BeginUpdate();
  try {
    ItemLinkChanging(AField);
    fField = AField;
    Changed(true);
  } catch (...) {
    if (c) c->EndUpdate();
    throw;
  }
  if (c) c->EndUpdate();
}

void TkcCustomDataSummaryItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcCustomDataSummaryItem*>(Source)) {
    // The source's item, translated to this controller by item ID.
    TkcCustomDataController* from = s->GetDataController();
    TObject* item = s->GetItemLink() ? GetDataController()->FindItemByID(from->GetItemID(s->GetItemLink())) : nullptr;
    SetItemLink(item);
    return;
  }
  TCollectionItem::Assign(Source);
}

TkcCustomDataController* TkcDataSummaryItem::GetDataController() { return SummaryItems()->Summary()->DataController(); }

TkcDataSummaryItems* TkcDataSummaryItem::SummaryItems() const {
  return static_cast<TkcDataSummaryItems*>(Collection());
}

void TkcDataSummaryItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDataSummaryItem*>(Source)) {
    kcBracket(
        [this] {
          if (Collection()) Collection()->BeginUpdate();
        },
        [&] {
          TkcCustomDataSummaryItem::Assign(Source);
          SetFormat(s->Format());
          SetKind(s->Kind());
          SetPosition(s->fPosition);
          OnGetText = s->OnGetText;
        },
        [this] {
          if (Collection()) Collection()->EndUpdate();
        });
    return;
  }
  TkcCustomDataSummaryItem::Assign(Source);
}

void TkcDataSummaryItem::SetFormat(const String& Value) {
  if (fFormat == Value) return;
  fFormat = Value;
  Changed(false);
}

void TkcDataSummaryItem::SetKind(TkcSummaryKind Value) {
  if (fKind == Value) return;
  fKind = Value;
  Changed(true);
}

TkcSummaryPosition TkcDataSummaryItem::GetPosition() {
  return SummaryItems() ? SummaryItems()->GetItemPosition(this) : fPosition;
}

void TkcDataSummaryItem::SetPosition(TkcSummaryPosition Value) {
  if (fPosition == Value) return;
  fPosition = Value;
  Changed(false);
}

void TkcDataSummaryItem::SetSorted(bool Value) {
  if (fSorted == Value) return;
  fSorted = Value;
  Changed(true);
}

bool TkcDataSummaryItem::PositionIsStored() { return SummaryItems() && SummaryItems()->IsItemPositionStored(this); }

String TkcDataSummaryItem::GetDisplayText(const Variant& AValue, bool AIsFooter) {
  String text;
  if (AValue.IsNull() || AValue.IsEmpty()) {
    text.clear();
  } else if (fKind == skNone) {
    text = AValue.AsString();
  } else {
    const bool date = IsDateVariant(AValue);
    String format = fFormat;
    if (format.empty()) {
      const int valueClass = IsCurrency(AValue.VarType()) ? 1 : (date ? 2 : 0);
      format = SummaryItems()->GetDefaultFormat(valueClass, fKind, AIsFooter);
    }
    if (!date || fKind == skCount) {
      // A value that is no number (a text minimum, say) shows as its text.
      if (AValue.IsNumeric() || AValue.VarType() == varBoolean) {
        text = FormatFloat(format, AValue.AsDouble());
      } else {
        try {
          text = FormatFloat(format, AValue.AsDouble());
        } catch (const EVariantTypeCastError&) {
          text = AValue.AsString();
        }
      }
    } else {
      const TDateTime d = AValue.AsDateTime();
      if (TimePart(d) == 0)
        text = format + DateToStr(d);
      else if (DatePart(d) == 0)
        text = format + TimeToStr(d);
      else
        text = format + DateTimeToStr(d);
    }
  }
  if (OnGetText) OnGetText(this, AValue, AIsFooter, text);
  return text;
}

// ---- Item collections ----------------------------------------------------------------------------

TkcDataSummaryItems::TkcDataSummaryItems(TkcDataSummary* ASummary, TCollectionItemClass AItemClass)
    : TkcCollection(AItemClass), fSummary(ASummary) {}

TPersistent* TkcDataSummaryItems::GetOwner() { return fSummary; }

void TkcDataSummaryItems::Update(TCollectionItem* AItem) { fSummary->Changed(AItem != nullptr); }

void TkcDataSummaryItems::Assign(TPersistent* Source) {
  TkcCollection::Assign(Source);
  AssignEvents(Source);
}

void TkcDataSummaryItems::AssignEvents(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDataSummaryItems*>(Source)) OnSummary = s->OnSummary;
}

int TkcDataSummaryItems::IndexOfItemLink(TObject* AItem) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i) && GetItem(i)->GetItemLink() == AItem) return i;
  return -1;
}

TkcDataSummaryItem* TkcDataSummaryItems::ItemOfItemLink(TObject* AItem) const {
  const int i = IndexOfItemLink(AItem);
  return i < 0 ? nullptr : GetItem(i);
}

int TkcDataSummaryItems::IndexOfField(TkcCustomDataField* AField) const {
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i) && GetItem(i)->Field() == AField) return i;
  return -1;
}

TkcDataSummaryItem* TkcDataSummaryItems::ItemOfField(TkcCustomDataField* AField) const {
  const int i = IndexOfField(AField);
  return i < 0 ? nullptr : GetItem(i);
}

TkcDataSummaryItem* TkcDataSummaryItems::GetDataItem(int AItemIndex, TkcSummaryPosition APosition) {
  TkcCustomDataField* field = fSummary->DataController()->GetItemField(AItemIndex);
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i) && GetItem(i)->Field() == field && GetItemPosition(GetItem(i)) == APosition) return GetItem(i);
  return nullptr;
}

bool TkcDataSummaryItems::IsDataItemEmpty(bool AKindSet, bool AFormatSet, const String& AFormat, TkcSummaryKind AKind) {
  if (AKindSet) return AKind == skNone && (!AFormatSet || AFormat.empty());
  return AFormat.empty();
}

String TkcDataSummaryItems::GetDataItemFormat(int AItemIndex, TkcSummaryPosition APosition) {
  TkcDataSummaryItem* item = GetDataItem(AItemIndex, APosition);
  return item ? item->Format() : String();
}

TkcSummaryKind TkcDataSummaryItems::GetDataItemKind(int AItemIndex, TkcSummaryPosition APosition) {
  TkcDataSummaryItem* item = GetDataItem(AItemIndex, APosition);
  return item ? item->Kind() : skNone;
}

template <class Set>
void TkcDataSummaryItems::SetDataItemValue(int AItemIndex, TkcSummaryPosition APosition, bool AEmptyValue,
                                           const Set& ASet) {
  TkcDataSummaryItem* item = GetDataItem(AItemIndex, APosition);
  if (item) {
    ASet(item);
    if (IsDataItemEmpty(true, true, item->Format(), item->Kind())) delete item;
    return;
  }
  if (AEmptyValue) return;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              item = Add();
              item->SetPosition(APosition);
              item->SetItemLink(fSummary->DataController()->GetItemField(AItemIndex)->ItemObject());
              ASet(item);
            },
            [this] { EndUpdate(); });
}

void TkcDataSummaryItems::SetDataItemFormat(int AItemIndex, TkcSummaryPosition APosition, const String& AValue) {
  SetDataItemValue(AItemIndex, APosition, IsDataItemEmpty(false, true, AValue, skNone),
                   [&](TkcDataSummaryItem* i) { i->SetFormat(AValue); });
}

void TkcDataSummaryItems::SetDataItemKind(int AItemIndex, TkcSummaryPosition APosition, TkcSummaryKind AValue) {
  SetDataItemValue(AItemIndex, APosition, IsDataItemEmpty(true, false, String(), AValue),
                   [&](TkcDataSummaryItem* i) { i->SetKind(AValue); });
}

TkcDataSummaryItem* TkcDataSummaryItems::GetSortedItem() const {
  TkcCustomDataController* c = fSummary->DataController();
  const int sortItem = c->GetSortingBySummaryItemIndex();
  if (sortItem >= 0) return ItemOfField(c->GetItemField(sortItem));
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i) && GetItem(i)->Sorted()) return GetItem(i);
  return nullptr;
}

bool TkcDataSummaryItems::RemoveField(TkcCustomDataField* AField) {
  bool any = false;
  for (int i = 0; i < Count(); ++i)
    if (GetItem(i) && GetItem(i)->Field() == AField) {
      GetItem(i)->ClearField();
      any = true;
    }
  return any;
}

String TkcDataSummaryItems::GetDefaultFormat(int AValueClass, TkcSummaryKind AKind, bool AIsFooter) {
  if (AKind == skNone) return String();
  static const char* const names[] = {"", "SUM=", "MIN=", "MAX=", "COUNT=", "AVG="};
  const String prefix = names[AKind];
  if (AKind == skCount) return AIsFooter ? "0" : "COUNT=0";
  if (AValueClass == 2) return (AIsFooter && AKind == skSum) ? String() : prefix;
  const String number = AValueClass == 1 ? CurrencyDisplayFormat() : String("0.00");
  const String lead = (AIsFooter && AKind == skSum) ? String() : prefix;
  return lead + number + ";" + lead + "-" + number;
}

void TkcDataGroupSummaryItems::Assign(TPersistent* Source) {
  TkcDataSummaryItems::Assign(Source);
  if (auto* s = dynamic_cast<TkcDataGroupSummaryItems*>(Source)) {
    fBeginText = s->fBeginText;
    fEndText = s->fEndText;
    fSeparator = s->fSeparator;
  }
}

void TkcDataGroupSummaryItems::SetText(String& AText, const String& Value) {
  if (AText == Value) return;
  AText = Value;
  if (Count() > 0) Update(GetItem(0));
}

String TkcDataGroupSummaryItems::GetGroupSummaryText(const Variant& AValues) {
  String text;
  for (int i = 0; i < Count(); ++i) {
    TkcDataSummaryItem* item = GetItem(i);
    if (!item || GetItemPosition(item) != spGroup) continue;
    const Variant value = AValues.IsArray() && i <= AValues.ArrayHighBound() ? AValues.GetItem(i) : Null();
    if (!text.empty()) text += fSeparator + " ";
    text += item->GetDisplayText(value, false);
  }
  return text.empty() ? text : fBeginText + text + fEndText;
}

// ---- Summary groups -------------------------------------------------------------------------------

TkcCustomDataController* TkcDataSummaryGroupItemLink::GetDataController() {
  return SummaryGroup()->Summary()->DataController();
}

TkcDataSummaryGroup* TkcDataSummaryGroupItemLink::SummaryGroup() const {
  return static_cast<TkcDataSummaryGroupItemLinks*>(Collection())->SummaryGroup();
}

void TkcDataSummaryGroupItemLink::ItemLinkChanging(TkcCustomDataField* AField) {
  if (!AField) return;
  TkcDataSummaryGroups* groups = SummaryGroup()->Groups();
  for (int g = 0; g < groups->Count(); ++g) {
    if (!groups->GetGroup(g)) continue;
    TkcDataSummaryGroupItemLinks* links = groups->GetGroup(g)->Links();
    for (int i = 0; i < links->Count(); ++i)
      if (links->GetItem(i) && links->GetItem(i) != this && links->GetItem(i)->Field() == AField)
        links->GetItem(i)->ClearField();
  }
}

TPersistent* TkcDataSummaryGroupItemLinks::GetOwner() { return fSummaryGroup; }
void TkcDataSummaryGroupItemLinks::Update(TCollectionItem*) { fSummaryGroup->Summary()->Changed(false); }

TkcDataSummaryGroup::TkcDataSummaryGroup(TCollection* ACollection) : TCollectionItem(ACollection) {
  TkcDataSummary* summary = Summary();
  fSummaryItems =
      std::make_unique<TkcDataGroupSummaryItems>(summary, summary->DataController()->GetSummaryItemClass(), this);
}

TkcDataSummaryGroup::~TkcDataSummaryGroup() {
  fSummaryItems.reset();
  fLinks.reset();
}

TkcDataSummaryGroups* TkcDataSummaryGroup::Groups() const { return static_cast<TkcDataSummaryGroups*>(Collection()); }
TkcDataSummary* TkcDataSummaryGroup::Summary() const { return Groups()->Summary(); }

TkcDataSummaryGroupItemLinks* TkcDataSummaryGroup::Links() {
  if (!fLinks)
    fLinks = std::make_unique<TkcDataSummaryGroupItemLinks>(
        this, Summary()->DataController()->GetSummaryGroupItemLinkClass());
  return fLinks.get();
}

bool TkcDataSummaryGroup::HasLink(TkcCustomDataField* AField) const {
  if (!fLinks) return false;
  for (int i = 0; i < fLinks->Count(); ++i)
    if (fLinks->GetItem(i) && fLinks->GetItem(i)->Field() == AField) return true;
  return false;
}

void TkcDataSummaryGroup::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDataSummaryGroup*>(Source)) {
    Links()->Assign(s->Links());
    fSummaryItems->Assign(s->SummaryItems());
    return;
  }
  TCollectionItem::Assign(Source);
}

TkcDataSummaryGroup* TkcDataSummaryGroups::GroupOfItemLink(TObject* AItem) const {
  for (int g = 0; g < Count(); ++g) {
    if (!GetGroup(g)) continue;
    TkcDataSummaryGroupItemLinks* links = GetGroup(g)->Links();
    for (int i = 0; i < links->Count(); ++i)
      if (links->GetItem(i) && links->GetItem(i)->GetItemLink() == AItem) return GetGroup(g);
  }
  return nullptr;
}

TPersistent* TkcDataSummaryGroups::GetOwner() { return fSummary; }
void TkcDataSummaryGroups::Update(TCollectionItem*) { fSummary->Changed(false); }

// ---- The summary ------------------------------------------------------------------------------------

TkcDataSummary::TkcDataSummary(TkcCustomDataController* AController) : fDataController(AController) {
  fDefaultGroupSummaryItems = std::make_unique<TkcDataGroupSummaryItems>(this, AController->GetSummaryItemClass());
  fFooterSummaryItems = std::make_unique<TkcDataFooterSummaryItems>(this, AController->GetSummaryItemClass());
  fSummaryGroups = std::make_unique<TkcDataSummaryGroups>(this);
  fFooterValues = Null();
}

TkcDataSummary::~TkcDataSummary() {
  fDestroying = true;
  fSummaryGroups.reset();
  fFooterSummaryItems.reset();
  fDefaultGroupSummaryItems.reset();
}

TPersistent* TkcDataSummary::GetOwner() { return fDataController; }

void TkcDataSummary::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TkcDataSummary*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  kcBracket([this] { BeginUpdate(); },
            [&] {
              fDefaultGroupSummaryItems->Assign(s->DefaultGroupSummaryItems());
              fFooterSummaryItems->Assign(s->FooterSummaryItems());
              fSummaryGroups->Assign(s->SummaryGroups());
              SetOptions(s->Options());
              AssignEvents(s);
            },
            [this] { EndUpdate(); });
}

void TkcDataSummary::AssignEvents(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDataSummary*>(Source)) OnAfterSummary = s->OnAfterSummary;
}

void TkcDataSummary::BeginUpdate() {
  fDataController->BeginUpdate();
  ++fLockCount;
}

void TkcDataSummary::EndUpdate() {
  kcBracket([this] { --fLockCount; }, [this] { Changed(false); }, [this] { fDataController->EndUpdate(); });
}

void TkcDataSummary::EndUpdateQuiet() {
  --fLockCount;
  fDataController->EndUpdate();
}

void TkcDataSummary::SetOptions(TkcSummaryOptions Value) {
  if (Value.Contains(soSelectedRecords) && Value.Contains(soMultipleSelectedRecords)) {
    // The two selection options exclude each other: the one just added wins.
    if (fOptions.Contains(soSelectedRecords))
      Value.Exclude(soSelectedRecords);
    else
      Value.Exclude(soMultipleSelectedRecords);
  }
  fOptions = Value;
  Changed(false);
}

void TkcDataSummary::Changed(bool ADisplayOnly) {
  if (fInAfterSummary || fLockCount > 0) return;
  NotifyController(ADisplayOnly);
}

void TkcDataSummary::NotifyController(bool ADisplayOnly) {
  if (!fDestroying && fDataController->DataControllerInfo())
    fDataController->DataControllerInfo()->SummaryChanged(ADisplayOnly);
}

void TkcDataSummary::RemoveField(TkcCustomDataField* AField) {
  bool any = fFooterSummaryItems->RemoveField(AField);
  any = fDefaultGroupSummaryItems->RemoveField(AField) || any;
  for (int g = 0; g < fSummaryGroups->Count(); ++g) {
    TkcDataSummaryGroup* group = fSummaryGroups->GetGroup(g);
    if (!group) continue;
    any = group->SummaryItems()->RemoveField(AField) || any;
    TkcDataSummaryGroupItemLinks* links = group->Links();
    for (int i = 0; i < links->Count(); ++i)
      if (links->GetItem(i) && links->GetItem(i)->Field() == AField) {
        links->GetItem(i)->ClearField();
        any = true;
      }
  }
  if (any) Changed(false);
}

TkcDataSummaryItems* TkcDataSummary::GetGroupSummaryItems(int ALevel) {
  TkcGroupingFieldList* grouping = fDataController->DataControllerInfo()->GroupingFieldList();
  if (ALevel < 0 || ALevel >= grouping->GetCount()) return nullptr;
  TkcCustomDataField* field = grouping->GetItem(ALevel).Field;
  for (int g = 0; g < fSummaryGroups->Count(); ++g)
    if (fSummaryGroups->GetGroup(g) && fSummaryGroups->GetGroup(g)->HasLink(field))
      return fSummaryGroups->GetGroup(g)->SummaryItems();
  return fDefaultGroupSummaryItems.get();
}

void TkcDataSummary::InitValues(TkcDataSummaryItems* AItems, TWork& AWork) {
  AWork.Values.assign(static_cast<std::size_t>(AItems->Count()), Variant());
  AWork.Counts.assign(static_cast<std::size_t>(AItems->Count()), 0);
}

int TkcDataSummary::GetSummaryRecord(int APosition) {
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  const int record = info->GetRecordListItem(APosition);
  if (!info->IsSummaryForSelection()) return record;
  if (!fDataController->MultiSelect()) return record == fDataController->GetFocusedRecordIndex() ? record : -1;
  return info->Selection()->IsRecordSelected(record) ? record : -1;
}

namespace {

// A summary of stored numbers read straight from the record buffers, with the results the
// variant path gives: integers add exactly (and narrow as variant sums do), doubles add in
// record order, NaN is the least number, the first value met keeps its variant kind.
struct TNativeSummary {
  TkcSummaryKind Kind;
  TkcValueDef* Column;
  bool Float;
  Variant* Value;
  int* Count;
  bool Started = false;  // the running value is set (not Empty)
  bool Changed = false;  // the running value differs from *Value
  bool Added = false;    // a sum added in this range: its kind is the variant sum's
  __int128 IntSum = 0;
  double FloatSum = 0;
  int BestRecord = -1;   // min/max: the record holding the value, -1 for *Value itself
  std::int64_t BestInt = 0;
  double BestFloat = 0;
};

int CompareFloats(double A, double B) {
  const bool na = std::isnan(A), nb = std::isnan(B);
  if (na || nb) return na && nb ? 0 : (na ? -1 : 1);
  return A < B ? -1 : (A > B ? 1 : 0);
}

// The column's value as a number: int16, int32, uint16 or double.
bool NativeKind(TkcValueTypeClass AType, bool& AFloat) {
  AFloat = AType == TkcFloatValueType::Class();
  return AFloat || AType == TkcIntegerValueType::Class() || AType == TkcSmallintValueType::Class() ||
         AType == TkcWordValueType::Class();
}

// The records of a list range in a packed integer column: how many hold a value, their sum, and
// for ABest -1 (least) or 1 (greatest) the best value and the first record holding it.
struct TPackedTail {
  std::int64_t Values = 0, Sum = 0, Best = 0;
  int BestRecord = -1;
};

template <int ABest>
TPackedTail PackedTailOf(const TkcDataStorage::TPackedInts& AColumn, const int* ARecords, int ACount) {
  const std::int32_t* values = AColumn.Values.data();
  const std::uint8_t* has = AColumn.Has.data();
  TPackedTail t;
  // A value absent reads as 0 and adds nothing; for the best it reads as the worst value.
  std::int32_t best = ABest < 0 ? INT32_MAX : INT32_MIN;
  for (int i = 0; i < ACount; ++i) {
    const auto r = static_cast<std::size_t>(ARecords[i]);
    const std::int32_t x = values[r];
    t.Values += has[r];
    t.Sum += x;
    if constexpr (ABest < 0) best = has[r] && x < best ? x : best;
    if constexpr (ABest > 0) best = has[r] && x > best ? x : best;
  }
  if constexpr (ABest != 0) {
    t.Best = best;
    for (int i = 0; i < ACount && t.Values > 0; ++i) {
      const auto r = static_cast<std::size_t>(ARecords[i]);
      if (has[r] && values[r] == best) {
        t.BestRecord = ARecords[i];
        break;
      }
    }
  }
  return t;
}

TPackedTail PackedTail(const TkcDataStorage::TPackedInts& AColumn, const int* ARecords, int ACount, int ABest) {
  if (ABest < 0) return PackedTailOf<-1>(AColumn, ARecords, ACount);
  if (ABest > 0) return PackedTailOf<1>(AColumn, ARecords, ACount);
  return PackedTailOf<0>(AColumn, ARecords, ACount);
}

}  // namespace

bool TkcDataSummary::AccumulateStored(std::vector<TkcDataSummaryItem*>& AItems, const std::vector<int>& AIndexes,
                                      int AFirst, int ALast, TWork& AWork) {
  TkcCustomDataController* c = fDataController;
  TkcCustomDataControllerInfo* info = c->DataControllerInfo();
  if (c->IsGridMode() || c->IsProviderMode() || info->IsSummaryForSelection()) return false;
  std::vector<TNativeSummary> natives;
  for (std::size_t i = 0; i < AItems.size(); ++i) {
    TkcDataSummaryItem* item = AItems[i];
    if (!item) continue;
    TkcCustomDataField* field = item->GetField();
    TkcValueDef* column = field ? field->ValueColumn() : nullptr;
    const TkcSummaryKind kind = item->Kind();
    bool isFloat = false;
    // Integers are read from the column's packed copy.
    if (!column || column->ValueDefs() != c->GetDataStorage()->ValueDefs() ||
        !NativeKind(column->ValueTypeClass(), isFloat) || (!isFloat && !c->GetDataStorage()->PackedInts(column)) ||
        !(kind == skSum || kind == skCount || kind == skMin || kind == skMax || kind == skAverage))
      continue;
    const auto slot = static_cast<std::size_t>(AIndexes[i]);
    Variant& value = AWork.Values[slot];
    TNativeSummary n{kind, column, isFloat, &value, &AWork.Counts[slot]};
    n.Started = !value.IsEmpty();
    if (n.Started && !value.IsNull() && kind != skCount) {
      if (isFloat) {
        n.FloatSum = n.BestFloat = value.AsDouble();
      } else {
        n.IntSum = value.AsInt64();
        n.BestInt = value.AsInt64();
      }
    }
    natives.push_back(n);
    AItems[i] = nullptr;  // done here
  }
  if (natives.empty()) return true;
  TkcDataStorage* storage = c->GetDataStorage();
  const bool nullIgnore = fOptions.Contains(soNullIgnore);
  // One pass over the records for all items; each column's data area is found once a record.
  std::vector<TkcValueDef*> columns;
  std::vector<std::size_t> columnOf;
  for (const TNativeSummary& n : natives) {
    auto it = std::find(columns.begin(), columns.end(), n.Column);
    columnOf.push_back(static_cast<std::size_t>(it - columns.begin()));
    if (it == columns.end()) columns.push_back(n.Column);
  }
  // Integer columns are read from their packed copies (5 bytes a record, not the whole record,
  // every value 32-bit); floats from the records.
  std::vector<const TkcDataStorage::TPackedInts*> packed(columns.size(), nullptr);
  for (std::size_t k = 0; k < columns.size(); ++k) packed[k] = storage->PackedInts(columns[k]);
  std::vector<const std::uint8_t*> datas(columns.size());
  std::vector<int> counts;
  for (const TNativeSummary& n : natives) counts.push_back(*n.Count);
  const std::vector<int>& list = info->RecordList();
  if (AFirst <= ALast && (AFirst < 0 || ALast >= static_cast<int>(list.size())))
    throw std::out_of_range("summary range");
  // One record taken in by one item.
  auto step = [&](std::size_t j, int record, const std::uint8_t* data) {
    TNativeSummary& n = natives[j];
    const bool sum = n.Kind == skSum || n.Kind == skAverage;
    if (!data) {
      if (nullIgnore) return;
      if (!n.Started && sum) {
        *n.Value = Variant(0);
        n.Started = true;
        n.IntSum = 0;
        n.FloatSum = 0;
      }
      ++counts[j];
      return;
    }
    ++counts[j];
    if (n.Kind == skCount) return;
    const bool min = n.Kind == skMin, max = n.Kind == skMax;
    if (n.Float) {
      double x;
      std::memcpy(&x, data, sizeof x);
      if (!n.Started) {
        n.Started = true;
        n.FloatSum = n.BestFloat = x;
        n.BestRecord = record;
        n.Changed = true;
      } else if (sum) {
        n.FloatSum += x;
        n.Added = n.Changed = true;
      } else if (min ? CompareFloats(x, n.BestFloat) < 0 : (max && CompareFloats(n.BestFloat, x) < 0)) {
        n.BestFloat = x;
        n.BestRecord = record;
        n.Changed = true;
      }
    } else {
      std::int32_t x;  // from the packed copy
      std::memcpy(&x, data, sizeof x);
      if (!n.Started) {
        n.Started = true;
        n.IntSum = n.BestInt = x;
        n.BestRecord = record;
        n.Changed = true;
      } else if (sum) {
        n.IntSum += x;
        n.Added = n.Changed = true;
      } else if (min ? x < n.BestInt : (max && n.BestInt < x)) {
        n.BestInt = x;
        n.BestRecord = record;
        n.Changed = true;
      }
    }
  };
  auto dataOf = [&](std::size_t k, int record) -> const std::uint8_t* {
    if (const TkcDataStorage::TPackedInts* ints = packed[k])
      return ints->Has[static_cast<std::size_t>(record)]
                 ? reinterpret_cast<const std::uint8_t*>(&ints->Values[static_cast<std::size_t>(record)])
                 : nullptr;
    return storage->StoredData(record, columns[k]);
  };
  if (std::all_of(packed.begin(), packed.end(), [](const TkcDataStorage::TPackedInts* k) { return k != nullptr; })) {
    // Each item on its own: records one by one until its running value has started, then the
    // rest in one tight pass, whose results are those the steps would have given.
    for (std::size_t j = 0; j < natives.size(); ++j) {
      TNativeSummary& n = natives[j];
      const std::size_t k = columnOf[j];
      int p = AFirst;
      // A count never starts: it only counts.
      for (; p <= ALast && !n.Started && n.Kind != skCount; ++p) {
        const int record = list[static_cast<std::size_t>(p)];
        step(j, record, dataOf(k, record));
      }
      if (p > ALast) continue;
      const TPackedTail tail = PackedTail(*packed[k], list.data() + p, ALast - p + 1,
                                          n.Kind == skMin ? -1 : (n.Kind == skMax ? 1 : 0));
      counts[j] += static_cast<int>(tail.Values + (nullIgnore ? 0 : ALast - p + 1 - tail.Values));
      if (tail.Values == 0 || n.Kind == skCount) continue;
      if (n.Kind == skSum || n.Kind == skAverage) {
        n.IntSum += tail.Sum;
        n.Added = n.Changed = true;
      } else if (n.Kind == skMin ? tail.Best < n.BestInt : tail.Best > n.BestInt) {
        n.BestInt = tail.Best;
        n.BestRecord = tail.BestRecord;
        n.Changed = true;
      }
    }
  } else {
    for (int p = AFirst; p <= ALast; ++p) {
      const int record = list[static_cast<std::size_t>(p)];
      for (std::size_t k = 0; k < columns.size(); ++k) datas[k] = dataOf(k, record);
      for (std::size_t j = 0; j < natives.size(); ++j) step(j, record, datas[columnOf[j]]);
    }
  }
  for (std::size_t j = 0; j < natives.size(); ++j) {
    TNativeSummary& n = natives[j];
    *n.Count = counts[j];
    if (!n.Changed) continue;
    if (!n.Added) {
      // The first value met, or the least or greatest: the record's own variant.
      if (n.BestRecord >= 0) *n.Value = storage->GetValue(n.BestRecord, n.Column);
    } else if (n.Float) {
      *n.Value = Variant(n.FloatSum);
    } else if (n.IntSum >= INT32_MIN && n.IntSum <= INT32_MAX) {
      *n.Value = Variant(static_cast<int>(n.IntSum));
    } else {
      *n.Value = Variant::FromInt64(static_cast<std::int64_t>(n.IntSum));
    }
  }
  return true;
}

void TkcDataSummary::AccumulateRange(TkcDataSummaryItems* AItems, int AFirst, int ALast, TWork& AWork) {
  const int count = AItems->Count();
  std::vector<TkcDataSummaryItem*> items;
  bool any = false;
  for (int i = 0; i < count; ++i) {
    TkcDataSummaryItem* item = AItems->GetItem(i);
    const bool calculates = item && item->CanCalculate() && (item->Kind() != skNone || AItems->OnSummary);
    items.push_back(calculates ? item : nullptr);
    any = any || calculates;
  }
  if (!any) return;
  if (!AItems->OnSummary) {
    // Numbers kept in the storage are summed without a variant per value; the rest below.
    std::vector<int> indexes(items.size());
    for (std::size_t i = 0; i < indexes.size(); ++i) indexes[i] = static_cast<int>(i);
    if (AccumulateStored(items, indexes, AFirst, ALast, AWork) &&
        std::none_of(items.begin(), items.end(), [](TkcDataSummaryItem* i) { return i != nullptr; }))
      return;
  }
  for (int p = AFirst; p <= ALast; ++p) {
    const int record = GetSummaryRecord(p);
    if (record < 0) continue;
    for (int i = 0; i < count; ++i)
      if (items[static_cast<std::size_t>(i)])
        AccumulateRecord(items[static_cast<std::size_t>(i)], record, AWork.Values[static_cast<std::size_t>(i)],
                         AWork.Counts[static_cast<std::size_t>(i)]);
  }
}

void TkcDataSummary::AccumulateRecord(TkcDataSummaryItem* AItem, int ARecordIndex, Variant& AValue, int& ACount) {
  TkcCustomDataField* field = AItem->GetField();
  Variant x = field ? fDataController->GetSourceValue(ARecordIndex, field) : Null();
  TkcDataSummaryItems* items = AItem->SummaryItems();
  if (items->OnSummary) {
    TkcSummaryEventArguments args{ARecordIndex, AItem};
    TkcSummaryEventOutArguments out{x, AValue, ACount, false};
    items->OnSummary(items, args, out);
    x = std::move(out.Value);
    AValue = std::move(out.SummaryValue);
    ACount = out.Count;
    if (out.Done) return;
  }
  const TkcSummaryKind kind = AItem->Kind();
  if (kind == skNone || (fOptions.Contains(soNullIgnore) && x.IsNull())) return;
  try {
    if (AValue.IsEmpty()) {
      if (kind != skCount && !(x.IsNull() && (kind == skMin || kind == skMax)))
        AValue = (x.IsNull() && (kind == skSum || kind == skAverage)) ? Variant(0) : x;
    } else if (!x.IsNull() && !AValue.IsNull()) {
      switch (kind) {
        case skSum:
        case skAverage: AValue = AValue + x; break;
        case skMin:
          if (x < AValue) AValue = x;
          break;
        case skMax:
          if (AValue < x) AValue = x;
          break;
        default: break;
      }
    }
  } catch (const EVariantTypeCastError&) {
    // A value that does not add up (text in a sum) is skipped, not a failed update.
    return;
  }
  ++ACount;
}

void TkcDataSummary::FinalizeValue(TkcDataSummaryItem* AItem, Variant& AValue, int ACount) {
  if (AValue.IsEmpty()) AValue = Null();
  if (AItem->Kind() == skCount) {
    AValue = Variant(ACount);
  } else if (AItem->Kind() == skAverage && ACount > 0 && !AValue.IsNull()) {
    try {
      const bool date = IsDateVariant(AValue);
      AValue = AValue / Variant(ACount);
      if (date) AValue = Variant::FromDate(AValue.AsDouble());
    } catch (const EVariantTypeCastError&) {
      AValue = Null();
    }
  }
}

Variant TkcDataSummary::FinalizeValues(TkcDataSummaryItems* AItems, TWork& AWork) {
  if (AItems->Count() == 0) return Null();
  Variant result = Variant::MakeArray(AItems->Count());
  for (int i = 0; i < AItems->Count(); ++i) {
    Variant& v = AWork.Values[static_cast<std::size_t>(i)];
    TkcDataSummaryItem* item = AItems->GetItem(i);
    if (item && item->CanCalculate()) FinalizeValue(item, v, AWork.Counts[static_cast<std::size_t>(i)]);
    if (v.IsEmpty()) v = Null();
    result.SetItem(i, v);
  }
  return result;
}

bool TkcDataSummary::IsValueIndex(const Variant& AValues, int AIndex) {
  return AValues.IsArray() && AIndex >= AValues.ArrayLowBound() && AIndex <= AValues.ArrayHighBound();
}

void TkcDataSummary::ComputeFooterValues() {
  TWork work;
  InitValues(fFooterSummaryItems.get(), work);
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  if (!fDataController->IsGridMode())
    AccumulateRange(fFooterSummaryItems.get(), 0, info->GetRecordListCount() - 1, work);
  fFooterValues = FinalizeValues(fFooterSummaryItems.get(), work);
}

bool TkcDataSummary::ComputeIntegerGroupValues(int ALevel, TkcDataSummaryItems* AItems) {
  TkcCustomDataController* c = fDataController;
  TkcCustomDataControllerInfo* info = c->DataControllerInfo();
  if (AItems->OnSummary || c->IsGridMode() || c->IsProviderMode() || info->IsSummaryForSelection()) return false;
  TkcDataStorage* storage = c->GetDataStorage();
  const int count = AItems->Count();
  std::vector<TkcValueDef*> columns(static_cast<std::size_t>(count), nullptr);
  for (int i = 0; i < count; ++i) {
    TkcDataSummaryItem* item = AItems->GetItem(i);
    if (!(item && item->CanCalculate() && item->Kind() != skNone)) continue;  // stays Empty
    TkcCustomDataField* field = item->GetField();
    TkcValueDef* column = field ? field->ValueColumn() : nullptr;
    const TkcSummaryKind kind = item->Kind();
    if (!column || column->ValueDefs() != storage->ValueDefs() ||
        column->ValueTypeClass() != TkcIntegerValueType::Class() ||
        !(kind == skSum || kind == skCount || kind == skMin || kind == skMax || kind == skAverage))
      return false;
    columns[static_cast<std::size_t>(i)] = column;
  }
  // The level's groups and the list positions each spans (the records of a group lie together).
  TkcDataGroups* groups = info->DataGroups();
  const int last = groups->GetLevelCount() - 1;
  std::vector<TkcDataGroupInfo*> ofLevel;
  std::vector<int> begins, ends;
  for (int p = 0; p < groups->GetCount(); ++p) {
    TkcDataGroupInfo* g = groups->GetItem(p);
    if (g->GroupLevel == ALevel) {
      ofLevel.push_back(g);
      begins.push_back(INT_MAX);
      ends.push_back(-1);
    }
    if (g->GroupLevel == last && !ofLevel.empty() && g->BeginIndex <= g->EndIndex) {
      begins.back() = std::min(begins.back(), g->BeginIndex);
      ends.back() = std::max(ends.back(), g->EndIndex);
    }
  }
  for (std::size_t k = 0; k < begins.size(); ++k)
    if (ends[k] < begins[k] || (k > 0 && begins[k] <= ends[k - 1])) return false;
  // The group of a list position: a binary search over the spans.
  auto groupOfPosition = [&](int APosition) {
    auto it = std::upper_bound(begins.begin(), begins.end(), APosition);
    if (it == begins.begin()) return -1;
    const auto k = static_cast<std::size_t>(it - begins.begin() - 1);
    return APosition <= ends[k] ? static_cast<int>(k) : -1;
  };
  // Records are read in record order (as they lie in memory). When the first level groups a
  // stored integer column compared by value, the record's own value names its likely group
  // through a table of the groups' values; the group's span decides, so the editing record or a
  // value met twice costs only the search.
  TkcValueDef* keyColumn = nullptr;
  std::int64_t lowKey = 0;
  std::vector<int> groupOfKey;
  int nullGroup = -1;
  // Nothing to read when no item calculates: every value stays Empty.
  const bool reads = std::any_of(columns.begin(), columns.end(), [](TkcValueDef* v) { return v != nullptr; });
  if (reads && ALevel == 0 && !ofLevel.empty() && !c->OnCompare) {
    TkcCustomDataField* field = groups->GetField(0);
    TkcValueDef* column = field ? field->ValueColumn() : nullptr;
    bool isFloat = false;
    if (column && column->ValueDefs() == storage->ValueDefs() && !c->IsCompareByController(field) &&
        NativeKind(column->ValueTypeClass(), isFloat) && !isFloat) {
      std::vector<std::int64_t> keys(ofLevel.size());
      std::vector<std::uint8_t> hasKey(ofLevel.size(), 0);
      std::int64_t low = INT64_MAX, high = INT64_MIN;
      for (std::size_t k = 0; k < ofLevel.size(); ++k) {
        const int record = info->GetRecordListItem(begins[k]);
        if (!storage->StoredData(record, column)) {
          nullGroup = static_cast<int>(k);
          continue;
        }
        keys[k] = storage->GetValue(record, column).AsInt64();  // one value a group
        hasKey[k] = 1;
        low = std::min(low, keys[k]);
        high = std::max(high, keys[k]);
      }
      const auto width = static_cast<std::uint64_t>(high - low);
      if (low <= high && width < 4 * ofLevel.size() + 1024) {
        keyColumn = column;
        lowKey = low;
        groupOfKey.assign(width + 1, -1);
        for (std::size_t k = 0; k < ofLevel.size(); ++k)
          if (hasKey[k]) groupOfKey[static_cast<std::size_t>(keys[k] - low)] = static_cast<int>(k);
      }
    }
  }
  // Sums, counts and averages need a sum and a count per group and item (a record was taken in
  // when the count is above 0); minimums and maximums also the best value met.
  struct TState {
    std::int64_t Sum = 0, Best = 0;
    int Count = 0;
    bool Value = false;  // a value was met (Best is set)
  };
  std::vector<TState> states(ofLevel.size() * static_cast<std::size_t>(count));
  std::vector<TkcSummaryKind> kinds(static_cast<std::size_t>(count), skNone);
  for (int i = 0; i < count; ++i)
    if (columns[static_cast<std::size_t>(i)]) kinds[static_cast<std::size_t>(i)] = AItems->GetItem(i)->Kind();
  const bool nullIgnore = fOptions.Contains(soNullIgnore);
  // The loop reads packed copies of the columns (5 bytes a record, not whole records), through
  // locals: stores into the states could otherwise make the compiler read the vectors' fields
  // again for every record.
  struct TSlot {
    int Item;
    const std::int32_t* Values;
    const std::uint8_t* Has;
    bool Best;  // a minimum or a maximum
    bool Min;
  };
  std::vector<TSlot> slots;
  for (int i = 0; i < count; ++i)
    if (TkcValueDef* column = columns[static_cast<std::size_t>(i)]) {
      const TkcDataStorage::TPackedInts* packed = storage->PackedInts(column);
      if (!packed) return false;
      const TkcSummaryKind kind = kinds[static_cast<std::size_t>(i)];
      slots.push_back({i, packed->Values.data(), packed->Has.data(), kind == skMin || kind == skMax, kind == skMin});
    }
  const TSlot* slot = slots.data();
  const std::size_t slotCount = slots.size();
  const TkcDataStorage::TPackedInts* packedKey = keyColumn ? storage->PackedInts(keyColumn) : nullptr;
  const std::int32_t* keyValue = packedKey ? packedKey->Values.data() : nullptr;
  const std::uint8_t* keyHas = packedKey ? packedKey->Has.data() : nullptr;
  const int* keyGroup = groupOfKey.data();
  const std::uint64_t keySpan = groupOfKey.size();
  const int* begin = begins.data();
  const int* end = ends.data();
  const std::vector<int>& listIndexes = info->RecordListIndex();
  const int* listIndex = listIndexes.data();
  TState* state = states.data();
  const int records =
      reads ? std::min({c->GetRecordCount(), static_cast<int>(listIndexes.size()), storage->RecordCount()}) : 0;
  // The group of record ARecord at list position APosition, -1 for none.
  auto groupOf = [&](int ARecord, int APosition) __attribute__((always_inline)) {
    int k = -1;
    if (keyValue) {
      if (!keyHas[ARecord]) {
        k = nullGroup;
      } else {
        const std::uint64_t at = static_cast<std::uint64_t>(std::int64_t{keyValue[ARecord]} - lowKey);
        if (at < keySpan) k = keyGroup[at];
      }
    }
    if (k < 0 || APosition < begin[k] || APosition > end[k]) k = groupOfPosition(APosition);
    return k;
  };
  if (slotCount == 1 && !slot[0].Best) {
    // The usual case, one sum, count or average: a sum and a count per record, no branch on
    // Nulls (a Null adds 0 and counts unless Nulls are ignored).
    const std::int32_t* values = slot[0].Values;
    const std::uint8_t* has = slot[0].Has;
    const std::size_t stride = static_cast<std::size_t>(count);
    TState* column = state + slot[0].Item;
    const int nullCounts = nullIgnore ? 0 : 1;
    for (int r = 0; r < records; ++r) {
      const int p = listIndex[r];
      if (p < 0) continue;
      const int k = groupOf(r, p);
      if (k < 0) continue;
      TState& st = column[static_cast<std::size_t>(k) * stride];
      st.Sum += values[r];
      st.Count += has[r] | nullCounts;
    }
  } else {
    for (int r = 0; r < records; ++r) {
      const int p = listIndex[r];
      if (p < 0) continue;
      const int k = groupOf(r, p);
      if (k < 0) continue;
      TState* row = state + static_cast<std::size_t>(k) * static_cast<std::size_t>(count);
      for (std::size_t s = 0; s < slotCount; ++s) {
        const TSlot& col = slot[s];
        TState& st = row[col.Item];
        if (!col.Has[r]) {
          st.Count += !nullIgnore;
          continue;
        }
        const std::int32_t x = col.Values[r];
        ++st.Count;
        st.Sum += x;
        if (col.Best && (!st.Value || (col.Min ? x < st.Best : x > st.Best))) st.Best = x;
        st.Value = true;
      }
    }
  }
  // Integers add exactly and ties are equal values: the order the records were read in does not
  // show in the results, which are those of the variant path.
  for (std::size_t k = 0; k < ofLevel.size(); ++k) {
    TWork work;
    InitValues(AItems, work);
    for (int i = 0; i < count; ++i) {
      if (!columns[static_cast<std::size_t>(i)]) continue;
      const TState& st = states[k * static_cast<std::size_t>(count) + static_cast<std::size_t>(i)];
      const TkcSummaryKind kind = AItems->GetItem(i)->Kind();
      Variant& v = work.Values[static_cast<std::size_t>(i)];
      work.Counts[static_cast<std::size_t>(i)] = st.Count;
      if ((kind == skSum || kind == skAverage) && st.Count > 0)
        v = st.Sum >= INT32_MIN && st.Sum <= INT32_MAX ? Variant(static_cast<int>(st.Sum)) : Variant::FromInt64(st.Sum);
      else if ((kind == skMin || kind == skMax) && st.Value)
        v = Variant(static_cast<int>(st.Best));
    }
    ofLevel[k]->SummaryValues = FinalizeValues(AItems, work);
  }
  return true;
}

void TkcDataSummary::ComputeGroupValues() {
  TkcDataGroups* groups = fDataController->DataControllerInfo()->DataGroups();
  const int levels = groups->GetLevelCount();
  const int last = levels - 1;
  for (int level = 0; level < levels; ++level) {
    TkcDataSummaryItems* items = GetGroupSummaryItems(level);
    if (!items) continue;
    if (ComputeIntegerGroupValues(level, items)) continue;
    TWork work;
    TkcDataGroupInfo* open = nullptr;
    for (int p = 0; p < groups->GetCount(); ++p) {
      TkcDataGroupInfo* g = groups->GetItem(p);
      if (g->GroupLevel == level) {
        if (open) open->SummaryValues = FinalizeValues(items, work);
        open = g;
        InitValues(items, work);
      }
      if (g->GroupLevel == last && open) AccumulateRange(items, g->BeginIndex, g->EndIndex, work);
    }
    if (open) open->SummaryValues = FinalizeValues(items, work);
  }
}

void TkcDataSummary::StartSummaries() {
  if (!fSuppressed) ComputeFooterValues();
}

void TkcDataSummary::FinishSummaries() {
  if (fSuppressed) return;
  ComputeGroupValues();
  DoAfterSummary();
}

void TkcDataSummary::RunSummaries() {
  StartSummaries();
  FinishSummaries();
}

void TkcDataSummary::BeginCalculate() {
  fCalculating = true;
  if (!fDataController->DataControllerInfo()->IsSummaryForSelection()) StartSummaries();
}

void TkcDataSummary::EndCalculate() {
  fCalculating = false;
  if (fDataController->DataControllerInfo()->IsSummaryForSelection())
    RunSummaries();
  else
    FinishSummaries();
}

void TkcDataSummary::DoAfterSummary() {
  if (!OnAfterSummary) return;
  if (fDataController->IsLoading()) {
    fAfterSummaryPending = true;
    return;
  }
  fAfterSummaryPending = false;
  if (fDataController->IsGridModeReloadPending()) return;
  kcBracket([this] { fInAfterSummary = true; }, [this] { OnAfterSummary(this); }, [this] { fInAfterSummary = false; });
}

Variant TkcDataSummary::FooterValue(int AIndex) const {
  if (!fFooterValues.IsArray() || AIndex < fFooterValues.ArrayLowBound() || AIndex > fFooterValues.ArrayHighBound())
    return Null();
  return fFooterValues.GetItem(AIndex);
}

String TkcDataSummary::GetFooterSummaryText(int AIndex) {
  return fFooterSummaryItems->GetItem(AIndex)->GetDisplayText(FooterValue(AIndex), true);
}

bool TkcDataSummary::GroupValues(int ARowIndex, TkcDataGroupInfo*& AGroup, TkcDataSummaryItems*& AItems) {
  TkcDataGroups* groups = fDataController->DataControllerInfo()->DataGroups();
  const int pos = groups->GetRowGroupPosition(ARowIndex);
  if (pos < 0) return false;
  AGroup = groups->GetItem(pos);
  AItems = GetGroupSummaryItems(AGroup->GroupLevel);
  return AItems && AGroup->SummaryValues.IsArray();
}

String TkcDataSummary::GetGroupSummaryText(int ARowIndex) {
  TkcDataGroupInfo* group = nullptr;
  TkcDataSummaryItems* items = nullptr;
  if (!GroupValues(ARowIndex, group, items)) return String();
  return items->GetGroupSummaryText(group->SummaryValues);
}

int TkcDataSummary::GetGroupFooterItemIndex(int ALevel, TObject* AItem) {
  TkcDataSummaryItems* items = GetGroupSummaryItems(ALevel);
  if (!items) return -1;
  for (int i = 0; i < items->Count(); ++i)
    if (items->GetItem(i) && items->GetItemPosition(items->GetItem(i)) == spFooter &&
        items->GetItem(i)->GetItemLink() == AItem)
      return i;
  return -1;
}

String TkcDataSummary::GetGroupFooterSummaryText(int ARowIndex, int ALevel, int AItemPosition) {
  TkcDataGroups* groups = fDataController->DataControllerInfo()->DataGroups();
  const int pos = groups->GetGroupPosition(ARowIndex, ALevel);
  TkcDataSummaryItems* items = GetGroupSummaryItems(ALevel);
  if (pos < 0 || !items) return String();
  const Variant& values = groups->GetItem(pos)->SummaryValues;
  if (!IsValueIndex(values, AItemPosition) || AItemPosition >= items->Count() || !items->GetItem(AItemPosition))
    return String();
  return items->GetItem(AItemPosition)->GetDisplayText(values.GetItem(AItemPosition), true);
}

// ---- Sorting groups by a summary ------------------------------------------------------------------------

bool TkcDataSummary::HasSortingItems() {
  TkcGroupingFieldList* grouping = fDataController->DataControllerInfo()->GroupingFieldList();
  for (int l = 0; l < grouping->GetCount(); ++l)
    if (TkcDataSummaryItems* items = GetGroupSummaryItems(l))
      if (items->GetSortedItem()) return true;
  return false;
}

void TkcDataSummary::SortGroupsBySummary() {
  TkcCustomDataControllerInfo* info = fDataController->DataControllerInfo();
  TkcDataGroups* groups = info->DataGroups();
  const int levels = groups->GetLevelCount();
  if (groups->GetCount() == 0) return;
  // Per level: the sorting item's position among the level's items and the order.
  std::vector<int> itemPos(static_cast<std::size_t>(levels), -1);
  std::vector<TkcDataSortOrder> orders(static_cast<std::size_t>(levels), soAscending);
  for (int l = 0; l < levels; ++l) {
    TkcDataSummaryItems* items = GetGroupSummaryItems(l);
    TkcDataSummaryItem* sorted = items ? items->GetSortedItem() : nullptr;
    if (!sorted) continue;
    itemPos[static_cast<std::size_t>(l)] = sorted->Index();
    orders[static_cast<std::size_t>(l)] = fDataController->GetSortingBySummaryItemIndex() == -1
                                              ? info->GroupingFieldList()->GetItem(l).SortOrder
                                              : fDataController->GetSortingBySummaryOrder();
  }
  // The tree as child lists of group positions (root = -1), read from the pre-order list.
  const int n = groups->GetCount();
  std::vector<std::vector<int>> children(static_cast<std::size_t>(n) + 1);
  std::vector<int> stack;
  for (int p = 0; p < n; ++p) {
    const int level = groups->GetItem(p)->GroupLevel;
    while (static_cast<int>(stack.size()) > level) stack.pop_back();
    const int parent = stack.empty() ? -1 : stack.back();
    children[static_cast<std::size_t>(parent + 1)].push_back(p);
    stack.push_back(p);
  }
  for (int node = -1; node < n; ++node) {
    auto& list = children[static_cast<std::size_t>(node + 1)];
    if (list.size() < 2) continue;
    const int level = groups->GetItem(list[0])->GroupLevel;
    const int item = itemPos[static_cast<std::size_t>(level)];
    if (item < 0) continue;
    const bool descending = orders[static_cast<std::size_t>(level)] == soDescending;
    auto value = [&](int pos) {
      const Variant& v = groups->GetItem(pos)->SummaryValues;
      return IsValueIndex(v, item) ? v.GetItem(item) : Null();
    };
    // Equal values keep their current order, so repeated updates do not reshuffle them.
    SortRecordList(list, 0, static_cast<int>(list.size()) - 1, [&](int a, int pivot) {
      const int r = CompareVariants(value(a), value(pivot));
      if (r != 0) return descending ? -r : r;
      return a < pivot ? -1 : (a > pivot ? 1 : 0);
    });
  }
  // Flatten in pre-order; groups above the last level get their descendant range again.
  std::vector<TkcDataGroupInfo*> order;
  order.reserve(static_cast<std::size_t>(n));
  std::vector<std::pair<int, std::size_t>> walk{{-1, 0}};
  while (!walk.empty()) {
    auto& [node, next] = walk.back();
    const auto& list = children[static_cast<std::size_t>(node + 1)];
    if (next >= list.size()) {
      walk.pop_back();
      continue;
    }
    const int child = list[next++];
    order.push_back(groups->GetItem(child));
    walk.push_back({child, 0});
  }
  std::vector<TkcDataGroupInfo*> extracted(static_cast<std::size_t>(n));
  for (int p = 0; p < n; ++p) extracted[static_cast<std::size_t>(p)] = groups->Extract(p);
  for (int p = 0; p < n; ++p) groups->SetItem(p, order[static_cast<std::size_t>(p)]);
  const int last = levels - 1;
  for (int p = n - 1; p >= 0; --p) {
    TkcDataGroupInfo* g = groups->GetItem(p);
    if (g->GroupLevel == last) continue;
    g->BeginIndex = p + 1;
    int end = p;
    while (end + 1 < n && groups->GetItem(end + 1)->GroupLevel > g->GroupLevel) ++end;
    g->EndIndex = end;
  }
  groups->Renumber();
}
