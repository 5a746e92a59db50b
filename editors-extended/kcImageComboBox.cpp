#include "editors-extended/kcImageComboBox.h"

#include <algorithm>

#include "data/kcDataUtils.h"
#include "editors/kcEditRepository.h"
#include "platform/core/Utf8.h"

// ---- Items ---------------------------------------------------------------------------------------

TkcImageComboBoxItem::TkcImageComboBoxItem(TCollection* ACollection) : TCollectionItem(ACollection) {
  // A new item shows the image of its own index when the images cover every item.
  auto* items = dynamic_cast<TkcImageComboBoxItems*>(ACollection);
  auto* properties = items ? dynamic_cast<TkcCustomImageComboBoxProperties*>(items->Owner()) : nullptr;
  if (properties && properties->Images() && properties->Images()->Count() >= items->Count())
    fImageIndex = items->Count() - 1;
}

void TkcImageComboBoxItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcImageComboBoxItem*>(Source);
  if (!source) return TCollectionItem::Assign(Source);
  Tag = source->Tag;
  SetDescription(source->fDescription);
  SetImageIndex(source->fImageIndex);
  SetValue(source->fValue);
}

void TkcImageComboBoxItem::SetDescription(const String& Value) {
  if (fDescription == Value) return;
  fDescription = Value;
  Changed(false);
}

void TkcImageComboBoxItem::SetImageIndex(int Value) {
  if (fImageIndex == Value) return;
  fImageIndex = Value;
  Changed(false);
}

void TkcImageComboBoxItem::SetValue(const Variant& Value) {
  if (VarEqualsWithType(fValue, Value)) return;
  fValue = Value;
  Changed(false);
}

TkcImageComboBoxItems::TkcImageComboBoxItems(TkcCustomImageComboBoxProperties* AOwner)
    : TOwnedCollection(AOwner, TkcImageComboBoxItem::StaticClass()), fProperties(AOwner) {}

void TkcImageComboBoxItems::Update(TCollectionItem*) { fProperties->Changed(); }

// ---- Properties ----------------------------------------------------------------------------------

TkcCustomImageComboBoxProperties::TkcCustomImageComboBoxProperties(TPersistent* AOwner)
    : TkcCustomComboBoxProperties(AOwner),
      fItems(std::make_unique<TkcImageComboBoxItems>(this)),
      fImagesNotificator(std::make_unique<TkcFreeNotificator>(nullptr)) {
  SetDropDownListStyle(lsFixedList);
  fImagesNotificator->OnFreeNotification = [this](TComponent* AComponent) { FreeNotification(AComponent); };
}

TkcCustomImageComboBoxProperties::~TkcCustomImageComboBoxProperties() {
  fImagesNotificator.reset();
  fItems.reset();
}

void TkcCustomImageComboBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomImageComboBoxProperties*>(Source);
  if (!source) return TkcCustomComboBoxProperties::Assign(Source);
  BeginUpdate();
  try {
    TkcCustomComboBoxProperties::Assign(Source);
    SetDefaultDescription(source->fDefaultDescription);
    SetDefaultImageIndex(source->fDefaultImageIndex);
    SetImageAlign(source->fImageAlign);
    SetImages(source->fImages);
    fItems->Assign(source->fItems.get());
    SetLargeImages(source->fLargeImages);
    SetMultiLineText(source->fMultiLineText);
    SetShowDescriptions(source->fShowDescriptions);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TClass TkcCustomImageComboBoxProperties::GetContainerClass() { return TkcImageComboBox::StaticClass(); }

TClass TkcCustomImageComboBoxProperties::GetLookupDataClass() { return TkcImageComboBoxLookupData::StaticClass(); }

void TkcCustomImageComboBoxProperties::SetItems(TkcImageComboBoxItems* Value) {
  fItems->Assign(Value);
  Changed();
}

void TkcCustomImageComboBoxProperties::SetImageList(TCustomImageList*& AField, TCustomImageList* AValue) {
  if (AField == AValue) return;
  TCustomImageList* old = AField;
  AField = AValue;
  // The other reference may still name the old list.
  if (old && old != fImages && old != fLargeImages) fImagesNotificator->RemoveSender(old);
  if (AValue) fImagesNotificator->AddSender(AValue);
  Changed();
}

void TkcCustomImageComboBoxProperties::FreeNotification(TComponent* AComponent) {
  TkcCustomComboBoxProperties::FreeNotification(AComponent);
  if (AComponent == fImages) fImages = nullptr;
  if (AComponent == fLargeImages) fLargeImages = nullptr;
}

TkcImageComboBoxItem* TkcCustomImageComboBoxProperties::ItemForValue(const Variant& AValue) const {
  for (int i = 0; i < fItems->Count(); ++i)
    if (TkcImageComboBoxItem* item = fItems->Items(i); item && VariantsEqual(item->Value(), AValue)) return item;
  return nullptr;
}

TkcImageComboBoxItem* TkcCustomImageComboBoxProperties::ItemForDescription(const String& AText) const {
  if (!fShowDescriptions) return nullptr;
  const String text = AnsiUpperCase(AText);
  for (int i = 0; i < fItems->Count(); ++i)
    if (TkcImageComboBoxItem* item = fItems->Items(i); item && AnsiUpperCase(item->Description()) == text)
      return item;
  return nullptr;
}

void TkcCustomImageComboBoxProperties::GetItemDisplayInfo(TkcImageComboBoxItem* AItem, String& AText,
                                                          int& AImageIndex) const {
  AText = !fShowDescriptions ? String() : AItem ? AItem->Description() : fDefaultDescription;
  AImageIndex = AItem ? AItem->ImageIndex() : fDefaultImageIndex;
}

bool TkcCustomImageComboBoxProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  String text1, text2;
  int image1 = -1, image2 = -1;
  GetValueDisplayInfo(AEditValue1, text1, image1);
  GetValueDisplayInfo(AEditValue2, text2, image2);
  return text1 == text2 && (!fImages || image1 == image2);
}

WideString TkcCustomImageComboBoxProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  Variant display;
  EditValueToDisplayValue(AEditValue, display, false);
  return Utf8ToWide(VarToStr(display));
}

void TkcCustomImageComboBoxProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                               bool) {
  TkcImageComboBoxItem* item = ItemForValue(AEditValue);
  ADisplayValue = item ? item->Description() : fDefaultDescription;
}

bool TkcCustomImageComboBoxProperties::IsLookupItem(const String& AText) { return ItemForDescription(AText); }

// ---- Lookup data ---------------------------------------------------------------------------------

TkcCustomImageComboBoxProperties* TkcImageComboBoxLookupData::ImageProperties() {
  return dynamic_cast<TkcCustomImageComboBoxProperties*>(Properties());
}

void TkcImageComboBoxLookupData::GetItemDisplayText(int AIndex, String& AText) {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  TkcImageComboBoxItem* item = p && AIndex >= 0 && AIndex < p->Items()->Count() ? p->Items()->Items(AIndex) : nullptr;
  AText = item ? item->Description() : String();
}

int TkcImageComboBoxLookupData::GetItemCount() {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  return p ? p->Items()->Count() : 0;
}

void TkcImageComboBoxLookupData::SynchronizeCurrentKey() {
  if (fOwner->IsLookupInternalUpdate()) return;
  auto* edit = dynamic_cast<TkcCustomEdit*>(fOwner);
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  if (!edit || !p) return;
  // An item picked but not yet taken as the value stays current.
  if (edit->EditModified()) return;
  TkcImageComboBoxItem* item = p->ItemForValue(edit->EditValue());
  SelectItemByIndex(item ? item->Index() : -1);
}

// ---- List ----------------------------------------------------------------------------------------

TkcImageComboBoxListBox::TkcImageComboBoxListBox(TComponent* AOwner, TkcCustomImageComboBox* ACombo)
    : TkcComboBoxListBox(AOwner, ACombo) {
  SetStyle(lbOwnerDrawVariable);
}

TkcCustomImageComboBoxProperties* TkcImageComboBoxListBox::ImageProperties() {
  return static_cast<TkcCustomImageComboBox*>(Combo())->ActiveProperties();
}

TCustomImageList* TkcImageComboBoxListBox::ListImages() {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  return p->LargeImages() ? p->LargeImages() : p->Images();
}

int TkcImageComboBoxListBox::GetItemHeight(int AIndex) {
  const int text = TkcComboBoxListBox::GetItemHeight(AIndex);
  TCustomImageList* images = ListImages();
  return images ? std::max(text, images->Height() + 2) : text;
}

int TkcImageComboBoxListBox::GetItemWidth(int AIndex) {
  TCustomImageList* images = ListImages();
  return TkcComboBoxListBox::GetItemWidth(AIndex) + (images ? images->Width() + 4 : 0);
}

void TkcImageComboBoxListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  TkcImageComboBoxItem* item = Index >= 0 && Index < p->Items()->Count() ? p->Items()->Items(Index) : nullptr;
  TCanvas* c = Canvas();
  const bool selected = State.Contains(odSelected);
  c->Brush()->SetColor(selected ? clHighlight : Color());
  c->FillRect(Rect);
  TRect text = Rect;
  TCustomImageList* images = ListImages();
  if (images && item) {
    const int top = Rect.top + std::max(0, (Rect.bottom - Rect.top - images->Height()) / 2);
    const bool right = p->ImageAlign() == iaRight;
    const int left = right ? Rect.right - 2 - images->Width() : Rect.left + 2;
    if (item->ImageIndex() >= 0 && item->ImageIndex() < images->Count()) images->Draw(c, left, top, item->ImageIndex());
    if (right)
      text.right = left - 2;
    else
      text.left = left + images->Width() + 2;
  }
  c->Brush()->SetStyle(bsClear);
  c->Font()->Assign(Font());
  c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
  if (item) c->TextOut(text.left + 2, text.top + std::max(0, (text.bottom - text.top - c->TextHeight("Wg")) / 2),
                       item->Description());
  if (State.Contains(odFocused)) c->DrawFocusRect(Rect);
}

// ---- Editor --------------------------------------------------------------------------------------

TkcComboBoxListBox* TkcCustomImageComboBox::CreateListBox() { return new TkcImageComboBoxListBox(PopupWindow(), this); }

void TkcCustomImageComboBox::DisplayValueToEditValue(const Variant&, Variant& AEditValue, bool) {
  AEditValue = LookupKeyToEditValue(LookupData()->GetCurrentKey());
}

Variant TkcCustomImageComboBox::LookupKeyToEditValue(const Variant& AKey) {
  TkcImageComboBoxItems* items = ActiveProperties()->Items();
  if (AKey.IsNull() || AKey.IsEmpty() || VariantsEqual(AKey, Variant(-1))) return Null();
  const int index = AKey.AsInteger();
  TkcImageComboBoxItem* item = index >= 0 && index < items->Count() ? items->Items(index) : nullptr;
  return item ? item->Value() : Null();
}
