#include "editors-extended/kcMRUEdit.h"

TkcCustomMRUEditProperties::TkcCustomMRUEditProperties(TPersistent* AOwner) : TkcCustomComboBoxProperties(AOwner) {
  if (Buttons()->Count() == 0) Buttons()->Add();
  TkcEditButton* ellipsis = Buttons()->Add();
  SetGlyphButtonIndex(1);
  ellipsis->SetKind(bkEllipsis);
  ellipsis->SetDefault(true);
  SetDropDownListStyle(lsEditList);
  MRUMode = true;
  // Enter both keeps the text in the list and makes it the value.
  ValidateOnEnter = true;
}

void TkcCustomMRUEditProperties::Changed() {
  UpdateButtonKinds();
  inherited::Changed();
}

void TkcCustomMRUEditProperties::UpdateButtonKinds() {
  if (fUpdatingButtons || Buttons()->Count() < 2) return;
  fUpdatingButtons = true;
  const int glyphButton = GlyphButtonIndex();
  for (int i = 0; i < 2; ++i) {
    TkcEditButton* button = Buttons()->Items(i);
    TkcEditButtonKind kind = i == 0 ? bkDown : bkEllipsis;
    if (i == glyphButton && button->HasGlyph() && !button->Glyph()->Empty()) kind = bkGlyph;
    if (button->Kind() != kind) button->SetKind(kind);
  }
  fUpdatingButtons = false;
}

void TkcCustomMRUEditProperties::CopyDataTo(TkcCustomEditProperties* AProperties) {
  if (auto* other = dynamic_cast<TkcCustomMRUEditProperties*>(AProperties); other && other != this)
    other->Items()->Assign(Items());
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
  BeginUpdate();
  fShowEllipsis = Value;
  if (Buttons()->Count() > 1) Buttons()->Items(1)->SetVisible(Value);
  SetGlyphButtonIndex(Value ? 1 : 0);
  Changed();
  EndUpdate(true);
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
  // The list compares without letter case: a known text keeps the case it was entered with.
  const int index = items->IndexOf(AText);
  if (index == 0) return;
  if (index < 0) {
    TkcObjectLinkScope link(this);
    if (Properties()->OnNewLookupDisplayText) Properties()->OnNewLookupDisplayText(this, AText);
    if (!link.Alive()) return;
    auto* item = dynamic_cast<TkcCustomTextEditProperties*>(GetRepositoryItemProperties());
    if (item && item != Properties() && item->OnNewLookupDisplayText) item->OnNewLookupDisplayText(this, AText);
    if (!link.Alive()) return;
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
  // In the list first, so the text is no longer new when the value takes it (it is announced
  // once), and the value shows again after the list's change.
  AddItem(Text());
  TkcCustomComboBox::SetValidatedDisplayValue(AValue);
}

void TkcCustomMRUEdit::PopupWindowClosed(TObject* Sender) {
  TkcObjectLinkScope link(this);
  TkcCustomComboBox::PopupWindowClosed(Sender);
  if (!link.Alive()) return;
  // The chosen item is taken as Enter takes a typed text: validated, which moves it to the top.
  // (Moving it before would show the old value again: a change of the list refreshes the text.)
  const TkcEditCloseUpReason reason = CloseUpReason();
  if ((reason == crEnter || reason == crClose || reason == crTab) && ItemIndex() >= 0 &&
      ActiveProperties()->ValidateOnEnter && DoEditing())
    ValidateEdit(true);
}
