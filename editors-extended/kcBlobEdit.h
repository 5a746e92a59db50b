#pragma once
// The blob editor kind: the closed editor shows an icon, a fixed text or a memo's first line;
// its popup holds a memo or an image editor with the whole value. The kind of content is set
// or resolved once from the data source.

#include "editors-extended/kcImage.h"
#include "editors/kcPopupEdit.h"
#include "editors/kcTextEditViewInfo.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

enum TkcBlobEditKind { bekAuto, bekMemo, bekPict, bekOle, bekBlob };
enum TkcBlobPaintStyle { bpsDefault, bpsIcon, bpsText };

class TkcCustomBlobEditProperties : public TkcCustomPopupEditProperties {
  VT_CLASS(TkcCustomBlobEditProperties, TkcCustomPopupEditProperties)
public:
  explicit TkcCustomBlobEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  bool AlwaysSaveData = true;
  TkcBlobEditKind BlobEditKind() const { return fBlobEditKind; }
  // Also makes the first button a drop-down (memo, picture) or an ellipsis button.
  void SetBlobEditKind(TkcBlobEditKind Value);
  TkcBlobPaintStyle BlobPaintStyle() const { return fBlobPaintStyle; }
  void SetBlobPaintStyle(TkcBlobPaintStyle Value) { SetAndNotify(fBlobPaintStyle, Value); }
  bool ImmediatePopup = true;
  bool MemoAutoReplace = false;
  TEditCharCase MemoCharCase = TEditCharCase::ecNormal;
  int MemoMaxLength = 0;
  bool MemoOEMConvert = false;
  TScrollStyle MemoScrollBars = ssNone;
  bool MemoWantReturns = true;
  bool MemoWantTabs = true;
  bool MemoWordWrap = true;
  bool PictureAutoSize = true;
  String PictureFilter;
  TGraphicClass PictureGraphicClass() const { return fPictureGraphicClass; }
  void SetPictureGraphicClass(TGraphicClass Value);
  String PictureGraphicClassName() const;
  void SetPictureGraphicClassName(const String& Value);
  TkcImageTransparency PictureTransparency = gtDefault;
  bool ShowExPopupItems = true;
  bool ShowPicturePopup = true;
  TkcImageAssignPictureEvent OnAssignPicture;
  TkcImageGraphicClassEvent OnGetGraphicClass;

  bool CanValidate() override { return fBlobEditKind == bekMemo; }
  int GetProviderFormatSupport() override { return 0; }
  bool HasSeparateChangeEvents() override { return false; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  int GetSpecialFeatures() override;
  int GetOperationSupport() override;
  bool IsEditValueValid(Variant&, bool) override { return true; }
  bool IsProviderFormatUsed(bool AEditFocused) override;
  bool DropDownOnClick() override { return true; }
  TkcCustomEditPopupWindowClass GetPopupWindowClass() override;
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;

  // Makes an automatic kind concrete once the data source can tell it.
  void ResolveAutoEditKind();
  TGraphicClass GetGraphicClass(TObject* AItem, int ARecordIndex, bool APastingFromClipboard = false);
  // What the closed editor shows as text (the whole memo with AFullText).
  WideString GetBlobText(const Variant& AValue, bool AFullText = false);
  // The icon of the blob icon list for a value (-1: the kind shows none).
  int GetBlobImageIndex(const Variant& AValue);

private:
  TkcBlobEditKind fBlobEditKind = bekAuto;
  TkcBlobPaintStyle fBlobPaintStyle = bpsIcon;
  TGraphicClass fPictureGraphicClass;
};

class TkcBlobEditProperties : public TkcCustomBlobEditProperties {
  VT_CLASS(TkcBlobEditProperties, TkcCustomBlobEditProperties)
public:
  explicit TkcBlobEditProperties(TPersistent* AOwner) : TkcCustomBlobEditProperties(AOwner) {}
};

// The names of the blob icons, by image index.
extern const char* const kcBlobImageNames[8];
// The blob icons (18 by 16, olive mask), one list for every blob editor and cell: per kind an
// empty and a filled look, in the order of the names.
TCustomImageList* BlobImages();

// What a closed blob editor or a cell paints: an icon centred, or a one-line text.
class TkcBlobEditViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcBlobEditViewInfo, TkcCustomTextEditViewInfo)
public:
  // -1 when the text shows instead of an icon.
  int ImageIndex = -1;
  TRect ImageRect{};
  // A stand-alone editor with the focus and no popup shows a focus rectangle.
  bool ShowFocusRect = false;
  void DrawBackground(TkcCanvas* ACanvas) override;
  void OffsetBounds(int DX, int DY) override;
};

class TkcBlobEditViewData : public TkcCustomDropDownEditViewData {
  VT_CLASS(TkcBlobEditViewData, TkcCustomDropDownEditViewData)
public:
  using TkcCustomDropDownEditViewData::TkcCustomDropDownEditViewData;
  TkcCustomBlobEditProperties* BlobProperties() const { return static_cast<TkcCustomBlobEditProperties*>(Properties); }
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcBlobEditViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  // The blob text of the paint style (never the whole memo).
  String GetDisplayText(const Variant& AEditValue) override;
  // The icon of the kind and value with bpsIcon, else the text.
  void FillViewInfoValue(TkcCanvas* ACanvas, const Variant& AEditValue, TkcCustomTextEditViewInfo* AViewInfo) override;
};

// The modal result a key gives the blob popup (mrNone: the key is the control's). Enter
// closes when Ctrl is held or the control closes on Enter (an image, or a memo that does not
// want returns).
TModalResult TranslateBlobPopupKey(WORD AKey, TShiftState AShift, bool AAlwaysSaveData, bool ACloseOnEnter);
// Whether the popup's value goes back into the editor when the popup closes.
bool ShouldPostBlobPopupValue(bool APopupModified, TModalResult AModalResult, bool AAlwaysSaveData);
