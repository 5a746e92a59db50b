#include "editors-extended/kcMRUEdit.h"

TkcCustomMRUEditProperties::TkcCustomMRUEditProperties(TPersistent* AOwner) : TkcCustomComboBoxProperties(AOwner) {
  if (Buttons()->Count() == 0) Buttons()->Add();
  TkcEditButton* ellipsis = Buttons()->Add();
  ellipsis->SetKind(bkEllipsis);
  ellipsis->SetDefault(true);
  // Enter both keeps the text in the list and makes it the value.
  ValidateOnEnter = true;
}

void TkcCustomMRUEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomMRUEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    SetMaxItemCount(source->fMaxItemCount);
    SetShowEllipsis(source->fShowEllipsis);
    OnButtonClick = source->OnButtonClick;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcCustomMRUEditProperties::GetContainerClass() { return TkcMRUEdit::StaticClass(); }

void TkcCustomMRUEditProperties::SetMaxItemCount(int Value) {
  if (Value < 0) Value = 0;
  if (fMaxItemCount == Value) return;
  fMaxItemCount = Value;
  RemoveExcessItems();
  Changed();
}

void TkcCustomMRUEditProperties::SetShowEllipsis(bool Value) {
  if (fShowEllipsis == Value) return;
  fShowEllipsis = Value;
  if (Buttons()->Count() > 1) Buttons()->Items(1)->SetVisible(Value);
  Changed();
}

void TkcCustomMRUEditProperties::RemoveExcessItems() {
  if (fMaxItemCount <= 0) return;
  TStringList* items = Items();
  if (items->Count() <= fMaxItemCount) return;
  items->BeginUpdate();
  while (items->Count() > fMaxItemCount) items->Delete(items->Count() - 1);
  items->EndUpdate();
}

void TkcCustomMRUEdit::AddItem(const String& AText) {
  if (AText.empty()) return;
  TkcCustomMRUEditProperties* props = ActiveProperties();
  TStringList* items = props->Items();
  const int index = items->IndexOf(AText);
  if (index == 0) return;
  if (index < 0) {
    items->Insert(0, AText);
    props->RemoveExcessItems();
  } else {
    items->Move(index, 0);
  }
}

void TkcCustomMRUEdit::DoButtonClick(int AButtonVisibleIndex) {
  TkcCustomComboBox::DoButtonClick(AButtonVisibleIndex);
  // The ellipsis is the second button; its visible index is 1 only while it is shown.
  if (AButtonVisibleIndex != 1 || !ActiveProperties()->ShowEllipsis()) return;
  if (Properties()->OnButtonClick) Properties()->OnButtonClick(this);
  auto* item = dynamic_cast<TkcCustomMRUEditProperties*>(GetRepositoryItemProperties());
  if (item && item != Properties() && item->OnButtonClick) item->OnButtonClick(this);
}

void TkcCustomMRUEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  const bool add = Key == VK_RETURN && !Shift.Contains(ssAlt) &&
                   !(DroppedDown() && LookupData() && !VarIsNull(LookupData()->GetCurrentKey()) &&
                     LookupData()->GetCurrentKey().AsInteger() >= 0);
  const String text = Text();
  // After the key's own handling: a change of the list refreshes the text from the value, which
  // would lose a text not validated yet.
  TkcCustomComboBox::DoEditKeyDown(Key, Shift);
  if (add) AddItem(text);
}

void TkcCustomMRUEdit::SetValidatedDisplayValue(const Variant& AValue) {
  const String text = Text();
  TkcCustomComboBox::SetValidatedDisplayValue(AValue);
  AddItem(text);
}
