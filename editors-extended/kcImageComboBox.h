#pragma once
// The image combo box: a fixed-list combo box whose items pair a value with a description and
// an image. The edit value is the chosen item's value; the editor shows its description and
// the popup lists every item with its image.

#include "editors/kcComboBox.h"
#include "editors/kcTextEditViewInfo.h"
#include "platform/forms/ImgList.h"

enum TkcImageAlign { iaLeft, iaRight };

class TkcImageComboBoxItem : public TCollectionItem {
  VT_CLASS(TkcImageComboBoxItem, TCollectionItem)
public:
  explicit TkcImageComboBoxItem(TCollection* ACollection);
  void Assign(TPersistent* Source) override;

  const String& Description() const { return fDescription; }
  void SetDescription(const String& Value);
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int Value);
  const Variant& Value() const { return fValue; }
  // A value of another type counts as a change even when it compares equal.
  void SetValue(const Variant& Value);
  int Tag = 0;

private:
  String fDescription;
  int fImageIndex = -1;
  Variant fValue = Null();
};

class TkcCustomImageComboBoxProperties;

class TkcImageComboBoxItems : public TOwnedCollection {
  VT_CLASS(TkcImageComboBoxItems, TOwnedCollection)
public:
  explicit TkcImageComboBoxItems(TkcCustomImageComboBoxProperties* AOwner);
  // Null for an item still being built.
  TkcImageComboBoxItem* Items(int Index) const {
    return dynamic_cast<TkcImageComboBoxItem*>(TCollection::Items(Index));
  }
  TkcImageComboBoxItem* Add() { return static_cast<TkcImageComboBoxItem*>(TCollection::Add()); }

protected:
  void Update(TCollectionItem* Item) override;

private:
  TkcCustomImageComboBoxProperties* fProperties;
};

class TkcCustomImageComboBoxProperties : public TkcCustomComboBoxProperties {
  VT_CLASS(TkcCustomImageComboBoxProperties, TkcCustomComboBoxProperties)
public:
  explicit TkcCustomImageComboBoxProperties(TPersistent* AOwner);
  ~TkcCustomImageComboBoxProperties() override;
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  TClass GetLookupDataClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
  int GetOperationSupport() override;
  int GetProviderFormatSupport() override { return 0; }
  bool IsEditValueValid(Variant&, bool) override { return true; }
  bool IsProviderFormatUsed(bool) override { return false; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  bool IsLookupItem(const String& AText) override;

  // The first item (in index order) whose value equals AValue; null when none.
  TkcImageComboBoxItem* ItemForValue(const Variant& AValue) const;
  // The first item whose description equals AText regardless of case; null when none or
  // when descriptions are not shown.
  TkcImageComboBoxItem* ItemForDescription(const String& AText) const;
  // A null item shows the defaults; without descriptions the text is empty.
  void GetItemDisplayInfo(TkcImageComboBoxItem* AItem, String& AText, int& AImageIndex) const;
  void GetValueDisplayInfo(const Variant& AEditValue, String& AText, int& AImageIndex) const {
    GetItemDisplayInfo(ItemForValue(AEditValue), AText, AImageIndex);
  }

  const String& DefaultDescription() const { return fDefaultDescription; }
  void SetDefaultDescription(const String& Value) { SetAndNotify(fDefaultDescription, Value); }
  int DefaultImageIndex() const { return fDefaultImageIndex; }
  void SetDefaultImageIndex(int Value) { SetAndNotify(fDefaultImageIndex, Value); }
  TkcImageAlign ImageAlign() const { return fImageAlign; }
  void SetImageAlign(TkcImageAlign Value) { SetAndNotify(fImageAlign, Value); }
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* Value) { SetImageList(fImages, fImagesChangeLink, Value); }
  TCustomImageList* LargeImages() const { return fLargeImages; }
  void SetLargeImages(TCustomImageList* Value) { SetImageList(fLargeImages, fLargeImagesChangeLink, Value); }
  TkcImageComboBoxItems* Items() const { return fItems.get(); }
  void SetItems(TkcImageComboBoxItems* Value);
  bool MultiLineText() const { return fMultiLineText; }
  void SetMultiLineText(bool Value) { SetAndNotify(fMultiLineText, Value); }
  bool ShowDescriptions() const { return fShowDescriptions; }
  void SetShowDescriptions(bool Value) { SetAndNotify(fShowDescriptions, Value); }

protected:
  void FreeNotification(TComponent* AComponent) override;

private:
  void SetImageList(TCustomImageList*& AField, TChangeLink& ALink, TCustomImageList* AValue);
  String fDefaultDescription;
  int fDefaultImageIndex = -1;
  TkcImageAlign fImageAlign = iaLeft;
  TCustomImageList* fImages = nullptr;
  TCustomImageList* fLargeImages = nullptr;
  bool fMultiLineText = false;
  bool fShowDescriptions = true;
  std::unique_ptr<TkcImageComboBoxItems> fItems;
  // Images may be destroyed before the properties; the references are then cleared.
  std::unique_ptr<TkcFreeNotificator> fImagesNotificator;
  // A change of either list's images repaints every editor and cell of these properties.
  TChangeLink fImagesChangeLink, fLargeImagesChangeLink;
};

class TkcImageComboBoxProperties : public TkcCustomImageComboBoxProperties {
  VT_CLASS(TkcImageComboBoxProperties, TkcCustomImageComboBoxProperties)
public:
  explicit TkcImageComboBoxProperties(TPersistent* AOwner) : TkcCustomImageComboBoxProperties(AOwner) {}
};

// The current key is -1 or an item index; the edit value decides which item is current.
class TkcImageComboBoxLookupData : public TkcComboBoxLookupData {
  VT_CLASS(TkcImageComboBoxLookupData, TkcComboBoxLookupData)
public:
  explicit TkcImageComboBoxLookupData(IkcTextEditLookupOwner* AOwner)
      : TkcComboBoxLookupData(AOwner), fOwner(AOwner) {}
  void GetItemDisplayText(int AIndex, String& AText) override;
  int GetItemCount() override;
  void SynchronizeCurrentKey() override;

private:
  TkcCustomImageComboBoxProperties* ImageProperties();
  IkcTextEditLookupOwner* fOwner;
};

// What the closed editor or a cell paints: the value's image (Images) beside or instead of its
// description.
class TkcImageComboBoxViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcImageComboBoxViewInfo, TkcCustomTextEditViewInfo)
public:
  TRect ImageRect{};
  int ImageIndex = -1;
  TCustomImageList* Images = nullptr;
  bool ShowDescriptions = true;
  TkcImageAlign ImageAlign = iaLeft;
  void DrawBackground(TkcCanvas* ACanvas) override;
  void OffsetBounds(int DX, int DY) override;
};

class TkcImageComboBoxViewData : public TkcCustomDropDownEditViewData {
  VT_CLASS(TkcImageComboBoxViewData, TkcCustomDropDownEditViewData)
public:
  using TkcCustomDropDownEditViewData::TkcCustomDropDownEditViewData;
  TkcCustomImageComboBoxProperties* ImageProperties() const {
    return static_cast<TkcCustomImageComboBoxProperties*>(Properties);
  }
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcImageComboBoxViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  // The text is empty when descriptions are not shown.
  String GetDisplayText(const Variant& AEditValue) override;
  void FillViewInfoValue(TkcCanvas* ACanvas, const Variant& AEditValue, TkcCustomTextEditViewInfo* AViewInfo) override;
  // An editor shows the item it has current (the item picked but not yet taken among them).
  void DisplayValueToDrawText(TkcImageComboBoxViewInfo* AViewInfo);
};

class TkcCustomImageComboBox;

// Rows at least as high as the images; each row shows the image beside the description. The
// large images are shown when assigned. Wrapped descriptions (MultiLineText) are measured in
// the width the popup will have; the rows take the tallest item's height.
class TkcImageComboBoxListBox : public TkcComboBoxListBox {
  VT_CLASS(TkcImageComboBoxListBox, TkcComboBoxListBox)
public:
  TkcImageComboBoxListBox(TComponent* AOwner, TkcCustomImageComboBox* ACombo);
  int GetItemHeight(int AIndex) override;
  int GetItemWidth(int AIndex) override;
  // Image, gaps and the widest description, and the scroll bar when not every item shows.
  int GetWidestItemWidth();
  TCustomImageList* ListImages();
  // The width descriptions wrap in (0: not wrapped), and whether the scroll bar takes from it.
  int MeasuringClientWidth() const { return fMeasuringClientWidth; }
  bool ScrollBarShown() const { return fScrollBarShown; }
  // Sets the measuring width from the popup owner's width before the popup is sized.
  void PrepareMeasuring();

protected:
  void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override;

private:
  TkcCustomImageComboBoxProperties* ImageProperties();
  int fMeasuringClientWidth = 0;
  bool fScrollBarShown = false;
};

class TkcCustomImageComboBox : public TkcCustomComboBox {
  VT_CLASS(TkcCustomImageComboBox, TkcCustomComboBox)
public:
  explicit TkcCustomImageComboBox(TComponent* AOwner) : TkcCustomImageComboBox(AOwner, false) {}
  TkcCustomImageComboBox(TComponent* AOwner, bool AIsInplace)
      : TkcCustomImageComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomImageComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomComboBox(AOwner, AIsInplace, TDeferCreation{}) {}

  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomImageComboBoxProperties::StaticClass();
  }
  TkcCustomImageComboBoxProperties* ActiveProperties() {
    return static_cast<TkcCustomImageComboBoxProperties*>(GetEffectiveProperties());
  }
  TkcCustomImageComboBoxProperties* Properties() const {
    return static_cast<TkcCustomImageComboBoxProperties*>(TkcCustomEdit::Properties());
  }
  // The text is not read back: the current item's value is the edit value.
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  Variant LookupKeyToEditValue(const Variant& AKey) override;
  // The value's item becomes current; a change of item clicks but leaves Modified alone.
  void SynchronizeDisplayValue() override;
  // The view info shows the current item's image and text.
  void UpdateDrawValue() override;
  // The view info draws image and text; the inner window stays hidden.
  bool IsInnerEditVisible() override { return false; }
  // Wide enough for the widest item; with wrapped descriptions, as wide as the editor.
  void GetPopupClientSize(SIZE& ASize) override;

protected:
  TkcComboBoxListBox* CreateListBox() override;
};

class TkcImageComboBox : public TkcCustomImageComboBox {
  VT_CLASS(TkcImageComboBox, TkcCustomImageComboBox)
public:
  explicit TkcImageComboBox(TComponent* AOwner) : TkcImageComboBox(AOwner, false) {}
  TkcImageComboBox(TComponent* AOwner, bool AIsInplace) : TkcImageComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcImageComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomImageComboBox(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcImageComboBoxProperties::StaticClass(); }
  TkcImageComboBoxProperties* Properties() const {
    return static_cast<TkcImageComboBoxProperties*>(TkcCustomEdit::Properties());
  }
};
