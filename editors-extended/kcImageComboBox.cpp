#include "editors-extended/kcImageComboBox.h"

#include <algorithm>

#include "data/kcDataUtils.h"
#include "editors/kcEditRepository.h"
#include "editors/kcEditUtils.h"
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
  fImagesChangeLink.OnChange = [this](TObject*) { Changed(); };
  fLargeImagesChangeLink.OnChange = [this](TObject*) { Changed(); };
}

TkcCustomImageComboBoxProperties::~TkcCustomImageComboBoxProperties() {
  // The links unregister themselves; nothing may be told of a change from here on.
  fImagesChangeLink.OnChange = nullptr;
  fLargeImagesChangeLink.OnChange = nullptr;
  if (fImages) fImages->UnRegisterChanges(&fImagesChangeLink);
  if (fLargeImages) fLargeImages->UnRegisterChanges(&fLargeImagesChangeLink);
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

void TkcCustomImageComboBoxProperties::SetImageList(TCustomImageList*& AField, TChangeLink& ALink,
                                                    TCustomImageList* AValue) {
  if (AField == AValue) return;
  TCustomImageList* old = AField;
  if (old) old->UnRegisterChanges(&ALink);
  AField = AValue;
  // The other reference may still name the old list.
  if (old && old != fImages && old != fLargeImages) fImagesNotificator->RemoveSender(old);
  if (AValue) {
    AValue->RegisterChanges(&ALink);
    fImagesNotificator->AddSender(AValue);
  }
  Changed();
}

void TkcCustomImageComboBoxProperties::FreeNotification(TComponent* AComponent) {
  TkcCustomComboBoxProperties::FreeNotification(AComponent);
  // The list has let go of its links already; only the references remain to clear. The
  // editors and cells are told too: their view infos still name the list being freed.
  const bool named = AComponent == fImages || AComponent == fLargeImages;
  if (AComponent == fImages) fImages = nullptr;
  if (AComponent == fLargeImages) fLargeImages = nullptr;
  if (named) Changed();
}

TkcCustomEditViewData* TkcCustomImageComboBoxProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                        bool APreviewMode) {
  auto* data = new TkcImageComboBoxViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

int TkcCustomImageComboBoxProperties::GetOperationSupport() {
  int support = (1 << 2) | (1 << 3) | (1 << 4) | (1 << 8) | (1 << 9);
  if (Buttons()->Count() > 0) support |= kcEditOperationButtons;
  if (fShowDescriptions) support |= 1 << 6;
  return support;
}

void TkcCustomImageComboBoxProperties::Changed() {
  // Items or their values may have changed.
  fValueIndexBuilt = false;
  TkcCustomComboBoxProperties::Changed();
}

void TkcCustomImageComboBoxProperties::BuildValueIndex() const {
  fValueIndex.clear();
  fFirstNullItem = -1;
  fValueIndexUsable = true;
  fValueIndexBuilt = true;
  for (int i = 0; i < fItems->Count() && fValueIndexUsable; ++i) {
    TkcImageComboBoxItem* item = fItems->Items(i);
    if (!item) {
      fValueIndexUsable = false;
    } else if (item->Value().IsNull()) {
      if (fFirstNullItem < 0) fFirstNullItem = i;
    } else if (item->Value().IsOrdinal() && !item->Value().IsArray()) {
      fValueIndex.emplace(item->Value().AsInt64(), i);  // the first of equal values stays
    } else {
      fValueIndexUsable = false;
    }
  }
  if (!fValueIndexUsable) fValueIndex.clear();
}

TkcImageComboBoxItem* TkcCustomImageComboBoxProperties::ItemForValue(const Variant& AValue) const {
  if (!fValueIndexBuilt) BuildValueIndex();
  if (fValueIndexUsable && !AValue.IsArray()) {
    // Integers equal integers by value only, and Null only Null.
    if (AValue.IsNull()) return fFirstNullItem >= 0 ? fItems->Items(fFirstNullItem) : nullptr;
    if (AValue.IsOrdinal()) {
      auto it = fValueIndex.find(AValue.AsInt64());
      return it != fValueIndex.end() ? fItems->Items(it->second) : nullptr;
    }
  }
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

// ---- View data and view info ----------------------------------------------------------------

void TkcImageComboBoxViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  if (!ACanvas->RectVisible(Bounds)) return;
  const HDC dc = ACanvas->Handle();
  // The image's exclusion holds for the background below only, not for whatever the canvas
  // paints next (the next cell of a grid).
  const int outer = SaveDC(dc);
  if (Images) {
    TRect r{};
    IntersectRect(&r, &ImageRect, &BorderRect);
    DrawImageListImage(ACanvas, Images, ImageIndex, ImageRect, r, Transparent, BackgroundColor, Enabled);
  }
  TkcCustomTextEditViewInfo::DrawBackground(ACanvas);
  RestoreDC(dc, outer);
}

void TkcImageComboBoxViewInfo::OffsetBounds(int DX, int DY) {
  TkcCustomTextEditViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&ImageRect, DX, DY);
}

String TkcImageComboBoxViewData::GetDisplayText(const Variant& AEditValue) {
  String text;
  int image = -1;
  ImageProperties()->GetValueDisplayInfo(AEditValue, text, image);
  return text;
}

void TkcImageComboBoxViewData::FillViewInfoValue(TkcCanvas*, const Variant& AEditValue,
                                                 TkcCustomTextEditViewInfo* AViewInfo) {
  SetSelectionColors(AViewInfo);
  auto* info = static_cast<TkcImageComboBoxViewInfo*>(AViewInfo);
  String text;
  ImageProperties()->GetValueDisplayInfo(AEditValue, text, info->ImageIndex);
  info->Text = text;
  info->IsLaidOut = false;
}

void TkcImageComboBoxViewData::DisplayValueToDrawText(TkcImageComboBoxViewInfo* AViewInfo) {
  auto* edit = Edit ? dynamic_cast<TkcCustomImageComboBox*>(Edit->GetEditObject()) : nullptr;
  if (!edit) return;
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  TkcImageComboBoxItems* items = p->Items();
  const int key = edit->LookupData()->CurrentKey();
  TkcImageComboBoxItem* item = key >= 0 && key < items->Count() ? items->Items(key) : nullptr;
  if (key < 0) item = p->ItemForValue(edit->EditValue());
  String text;
  p->GetItemDisplayInfo(item, text, AViewInfo->ImageIndex);
  if (AViewInfo->Text != text) AViewInfo->IsLaidOut = false;
  AViewInfo->Text = text;
}

void TkcImageComboBoxViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                         TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomDropDownEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcImageComboBoxViewInfo*>(AViewInfo);
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  info->ImageAlign = p->ImageAlign();
  info->Images = p->Images();
  info->ShowDescriptions = p->ShowDescriptions();
  DisplayValueToDrawText(info);
  const TRect c = info->ClientRect;
  TRect t = c;
  info->ImageRect = TRect{};
  if (TCustomImageList* images = info->Images) {
    const int w = images->Width(), h = images->Height();
    TRect i{c.left + 2, c.top, c.right - 2, c.bottom};
    if (w >= i.right - i.left) {
      t.left = t.right;
    } else if (!info->ShowDescriptions) {
      i.left += (i.right - i.left - w) / 2;
      i.right = i.left + w;
    } else if (info->ImageAlign == iaRight) {
      i.left = i.right - w;
      t.right = i.right - w - 2;
    } else {
      i.right = i.left + w;
      t.left = i.left + w + 2;
    }
    if (h < i.bottom - i.top) {
      i.top += (i.bottom - i.top - h) / 2;
      i.bottom = i.top + h;
    }
    info->ImageRect = i;
  }
  if (!IsInplace) info->ClientRect = t;
  info->TextRect = TRect{t.left + 2, t.top + 1, t.right - 2, t.bottom - 1};
  if (info->TextRect.right < info->TextRect.left) info->TextRect.right = info->TextRect.left;
  info->IsLaidOut = false;
  if (!info->ShowDescriptions) info->Text.clear();
}

TSize TkcImageComboBoxViewData::GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue,
                                               const TkcEditSizeProperties& ASize) {
  TSize size = TkcCustomDropDownEditViewData::GetContentSize(ACanvas, AEditValue, ASize);
  TCustomImageList* images = ImageProperties()->Images();
  if (!images) {
    size.cx += 1;
    return size;
  }
  size.cy = std::max<LONG>(size.cy, images->Height());
  // Stand-alone, the image and its gaps already lie outside the client rectangle.
  size.cx += IsInplace ? images->Width() + 5 : 1;
  return size;
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
  TCustomImageList* images = ListImages();
  const int imageHeight = images ? images->Height() + 2 : 0;
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  int available = fMeasuringClientWidth - 2 - (images ? images->Width() + 4 : 0);
  if (p->MultiLineText() && available > 0) {
    TkcImageComboBoxItems* items = p->Items();
    // One row height for the list: the tallest wrapped description.
    int tallest = 0;
    const int first = AIndex >= 0 ? AIndex : 0, last = AIndex >= 0 ? AIndex + 1 : items->Count();
    TkcScreenCanvas canvas;
    canvas.SetFont(Font());
    for (int i = first; i < last && i < items->Count(); ++i) {
      TkcImageComboBoxItem* item = items->Items(i);
      if (!item) continue;
      RECT r{0, 0, available, 0};
      ::DrawText(canvas.Canvas()->Handle(), item->Description(), &r,
                 DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
      tallest = std::max<int>(tallest, r.bottom - r.top);
    }
    return std::max(imageHeight, tallest + 2);
  }
  // A row fits a line of text and the image; the combo's ItemHeight and measuring handler do not
  // apply, since every row shows an image beside its text.
  return std::max(GetTextRowHeight() + 2, imageHeight);
}

int TkcImageComboBoxListBox::GetItemWidth(int AIndex) {
  TCustomImageList* images = ListImages();
  return TkcComboBoxListBox::GetItemWidth(AIndex) + (images ? images->Width() + 8 : 4);
}

int TkcImageComboBoxListBox::GetWidestItemWidth() {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  TCustomImageList* images = ListImages();
  int widest = 0;
  TkcScreenCanvas canvas;
  canvas.SetFont(Font());
  for (int i = 0; i < p->Items()->Count(); ++i)
    if (TkcImageComboBoxItem* item = p->Items()->Items(i))
      widest = std::max(widest, canvas.TextWidth(item->Description()));
  int width = (images ? images->Width() + 8 : 4) + widest;
  if (p->Items()->Count() > p->DropDownRows()) width += GetSystemMetrics(SM_CXVSCROLL);
  return width;
}

void TkcImageComboBoxListBox::PrepareMeasuring() {
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  fMeasuringClientWidth = 0;
  fScrollBarShown = false;
  if (p->MultiLineText()) {
    const TRect owner = Combo()->GetPopupOwnerBounds();
    const TRect e = Combo()->PopupWindow()->PopupViewInfo()->Layout.CalculateClientExtent();
    fMeasuringClientWidth = owner.right - owner.left - e.left - e.right;
    // Not every item shows: the scroll bar takes its width from the wrapping.
    fScrollBarShown = p->Items()->Count() > p->DropDownRows();
    if (fScrollBarShown) fMeasuringClientWidth -= GetSystemMetrics(SM_CXVSCROLL);
  }
  ApplyItemSettings();
}

void TkcImageComboBoxListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TkcCanvas kcCanvas(Canvas());
  if (Combo()->IsOwnerDraw() && Combo()->DoDrawItem(&kcCanvas, Index, Rect, State)) return;
  TkcCustomImageComboBoxProperties* p = ImageProperties();
  TkcImageComboBoxItem* item = Index >= 0 && Index < p->Items()->Count() ? p->Items()->Items(Index) : nullptr;
  TCanvas* c = Canvas();
  const bool selected = State.Contains(odSelected);
  c->Brush()->SetColor(selected ? clHighlight : Color());
  c->FillRect(Rect);
  if (item) {
    const UINT format = p->MultiLineText() ? DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK
                                           : DT_NOPREFIX | DT_SINGLELINE | DT_VCENTER;
    TRect text = Rect;
    text.left += 2;
    if (TCustomImageList* images = ListImages()) {
      const int w = images->Width(), h = images->Height();
      TRect image{p->ImageAlign() == iaRight ? text.right - (w + 4) : text.left, text.top, 0, text.bottom};
      image.right = image.left + w + 4;
      if (item->ImageIndex() >= 0 && item->ImageIndex() < images->Count())
        images->Draw(c, image.left + 1, (image.top + image.bottom - h) / 2, item->ImageIndex(), Enabled());
      if (image.left > text.left) text.right = image.left;
      if (image.right < text.right) text.left = image.right;
    }
    if (!IsRectEmpty(&text)) {
      c->Brush()->SetStyle(bsClear);
      c->Font()->Assign(Font());
      c->Font()->SetColor(selected ? clHighlightText : Font()->Color());
      RECT r = text;
      c->RequiredState();
      ::DrawText(c->Handle(), item->Description(), &r, format);
      c->Brush()->SetStyle(bsSolid);
    }
  }
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

void TkcCustomImageComboBox::SynchronizeDisplayValue() {
  TkcCustomTextEditLookupData* lookup = LookupData();
  const int old = lookup->CurrentKey();
  // The text edit's synchronization keeps Modified as it was.
  TkcCustomComboBox::SynchronizeDisplayValue();
  LockClick(true);
  try {
    lookup->SynchronizeCurrentKey();
  } catch (...) {
    LockClick(false);
    throw;
  }
  LockClick(false);
  if (lookup->CurrentKey() == old) return;
  UpdateDrawValue();
  // Another item shown is a click, though not a change of the user's.
  PushModifiedState();
  try {
    Click();
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
}

void TkcCustomImageComboBox::UpdateDrawValue() {
  auto* info = dynamic_cast<TkcImageComboBoxViewInfo*>(EditViewInfo());
  if (!info) return;
  const String text = info->Text;
  const int image = info->ImageIndex;
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  data->Edit = this;
  static_cast<TkcImageComboBoxViewData*>(data.get())->DisplayValueToDrawText(info);
  if (!info->ShowDescriptions) info->Text.clear();
  if ((info->Text != text || info->ImageIndex != image) && HandleAllocated()) Invalidate();
}

void TkcCustomImageComboBox::GetPopupClientSize(SIZE& ASize) {
  if (auto* list = dynamic_cast<TkcImageComboBoxListBox*>(List())) list->PrepareMeasuring();
  TkcCustomComboBox::GetPopupClientSize(ASize);
  TkcCustomImageComboBoxProperties* p = ActiveProperties();
  if (p->MultiLineText()) {
    ASize.cx = 0;
    return;
  }
  if (auto* list = dynamic_cast<TkcImageComboBoxListBox*>(List()))
    ASize.cx = std::max<LONG>(list->GetWidestItemWidth(), ASize.cx);
}
