#include "editors/kcTextEditLookup.h"

#include <algorithm>

#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

void TkcCustomTextEditLookupData::GetItemDisplayText(int AIndex, String& AText) {
  AText = Properties()->LookupItems()->Strings(AIndex);
}

int TkcCustomTextEditLookupData::GetItemCount() { return Properties()->LookupItems()->Count(); }

String TkcCustomTextEditLookupData::GetDisplayText(const Variant& AKey) {
  if (!AKey.IsOrdinal()) return String();
  const int key = AKey.AsInteger();
  String text;
  if (key >= 0 && key < GetItemCount()) GetItemDisplayText(key, text);
  return text;
}

int TkcCustomTextEditLookupData::IndexOf(const String& AText) {
  const String key = AnsiUpperCase(AText);
  const int count = GetItemCount();
  for (int i = 0; i < count; ++i) {
    String text;
    GetItemDisplayText(i, text);
    if (AnsiUpperCase(text) == key) return i;
  }
  return -1;
}

void TkcCustomTextEditLookupData::SelectListItem(int AIndex) {
  const int count = GetItemCount();
  if (AIndex < -1 || AIndex >= count || (AIndex == fItemIndex && AIndex != -1)) return;
  if (fList && count > 0) {
    if (AIndex == -1) fList->SetListItemIndex(0);
    fList->SetListItemIndex(AIndex);
  }
  fItemIndex = AIndex;
}

void TkcCustomTextEditLookupData::SelectItemByIndex(int AIndex) {
  if (AIndex < -1 || AIndex >= GetItemCount()) return;
  fCurrentKey = AIndex;
  SelectListItem(AIndex);
}

bool TkcCustomTextEditLookupData::Locate(String& AText, String& ATail, bool AExact, bool ANext) {
  const int count = GetItemCount();
  if (count > 0 && AExact && Properties()->MRUMode) {
    const int index = IndexOf(AText);
    SelectItemByIndex(index);
    if (index >= 0) ATail.clear();
    return index >= 0;
  }
  if (count > 0 && !AText.empty()) {
    const std::size_t length = Utf8Length(AText);
    const String key = AnsiUpperCase(AText);
    for (int i = ANext ? fItemIndex + 1 : 0; i < count; ++i) {
      String item;
      GetItemDisplayText(i, item);
      const String prefix = Utf8Copy(item, 0, length);
      if (AnsiUpperCase(prefix) != key) continue;
      AText = prefix;
      ATail = item.substr(prefix.size());
      SelectItemByIndex(i);
      return true;
    }
  }
  bool clear = true;
  switch (Properties()->GetEditingStyle()) {
    case esEditList: clear = ANext || (AText.empty() && !Find(String())); break;
    case esFixedList: clear = ANext; break;
    default: break;
  }
  if (clear) SelectItemByIndex(-1);
  return false;
}

void TkcCustomTextEditLookupData::UpdateListItemCount() {
  if (fList) fList->SetListItemCount(GetItemCount());
}

void TkcCustomTextEditLookupData::Go(TkcEditLookupDirection ADirection, bool ACircular) {
  const int count = GetItemCount();
  if (count == 0) return;
  const int last = count - 1;
  const int rows = Properties()->GetDropDownRowCount();
  const int base = fItemIndex != -1 ? fItemIndex : fCurrentKey;
  int target = base;
  switch (ADirection) {
    case ldFirst: target = 0; break;
    case ldLast: target = last; break;
    case ldNext: target = base == last ? (ACircular ? 0 : base) : base + 1; break;
    case ldPrevious: target = base - 1 < 0 ? (ACircular ? last : base) : base - 1; break;
    case ldPageUp:
      if (base == -1)
        target = ACircular ? last : -1;
      else if (base == 0 && ACircular)
        target = last;
      else
        target = std::max(base - rows + 1, 0);
      break;
    case ldPageDown:
      target = base == -1 ? rows - 1 : base + rows - 1;
      if (target > last) target = (ACircular && base == last) ? 0 : last;
      break;
  }
  if (!fList || !fList->IsListVisible() || (Properties()->ImmediateUpdateText && fOwner->CanEditLookupValue()))
    SetCurrentKey(Variant(target));
  else
    SelectListItem(target);
}

void TkcCustomTextEditLookupData::SetCurrentKey(const Variant& AKey) {
  const int old = fCurrentKey;
  if (AKey.IsOrdinal()) SelectItemByIndex(AKey.AsInteger());
  fOwner->SetLookupKeyFromNavigation(true);
  try {
    if (fCurrentKey != old) {
      DoSelectItem();
    } else if (fCurrentKey >= 0) {
      String text;
      GetItemDisplayText(fCurrentKey, text);
      if (text != fOwner->GetLookupEditText()) DoSelectItem();
    }
  } catch (...) {
    fOwner->SetLookupKeyFromNavigation(false);
    throw;
  }
  fOwner->SetLookupKeyFromNavigation(false);
}

void TkcCustomTextEditLookupData::SelectItem() {
  if (fItemIndex == -1) return;
  if (fCurrentKey == fItemIndex && !fOwner->CanEditLookupValue()) return;
  const int old = fCurrentKey;
  SetCurrentKey(Variant(fItemIndex));
  if (fCurrentKey == old) DoSelectItem();
}

void TkcCustomTextEditLookupData::SynchronizeCurrentKey() {
  if (fOwner->IsLookupInternalUpdate()) return;
  String text = fOwner->GetLookupEditText();
  if (fItemIndex >= 0 && fItemIndex < GetItemCount()) {
    String item;
    GetItemDisplayText(fItemIndex, item);
    if (AnsiUpperCase(item) == AnsiUpperCase(text)) return;
  }
  String tail;
  Locate(text, tail, true, false);
}

TClass TkcCustomTextEditProperties::GetLookupDataClass() { return TkcCustomTextEditLookupData::StaticClass(); }
