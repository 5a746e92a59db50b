#pragma once
// The image editor kind. Its edit value is a picture's own stream of bytes in an 8-bit string
// (Null or empty for no picture); the picture classes are the framework's bitmap, icon,
// metafile and JPEG.

#include <memory>

#include "editors/kcEdit.h"
#include "editors/kcEditControl.h"
#include "editors/kcEditViewInfo.h"
#include "platform/forms/Graphics.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Menus.h"

enum TkcImageTransparency { gtDefault, gtOpaque, gtTransparent };
enum TkcPopupMenuItem { pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave, pmiCustom };
using TkcPopupMenuItems = TSet<TkcPopupMenuItem>;

using TkcImageAssignPictureEvent = TEvent<void(TObject* Sender, TPicture* Picture)>;
using TkcImageGraphicClassEvent =
    TEvent<void(TObject* AItem, int ARecordIndex, bool APastingFromClipboard, TGraphicClass& AGraphicClass)>;

// Which items the image editor's context menu has, and the custom item.
class TkcPopupMenuLayout : public TPersistent {
  VT_CLASS(TkcPopupMenuLayout, TPersistent)
public:
  TkcPopupMenuLayout() = default;
  ~TkcPopupMenuLayout() override;
  void Assign(TPersistent* Source) override;
  TkcPopupMenuItems MenuItems = {pmiCut, pmiCopy, pmiPaste, pmiDelete, pmiLoad, pmiSave};
  String CustomMenuItemCaption;
  // Made empty on first read; null frees it, a bitmap is copied.
  TBitmap* CustomMenuItemGlyph();
  void SetCustomMenuItemGlyph(TBitmap* Value);
  bool HasCustomMenuItemGlyph() const { return fGlyph != nullptr; }

private:
  std::unique_ptr<TBitmap> fGlyph;
};

class TkcCustomImageProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomImageProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomImageProperties(TPersistent* AOwner);
  ~TkcCustomImageProperties() override;
  void Assign(TPersistent* Source) override;

  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value) { SetAndNotify(fCaption, Value); }
  bool Center() const { return fCenter; }
  void SetCenter(bool Value) { SetAndNotify(fCenter, Value); }
  const String& CustomFilter() const { return fCustomFilter; }
  void SetCustomFilter(const String& Value) { SetAndNotify(fCustomFilter, Value); }
  TGraphicClass GraphicClass() const { return fGraphicClass; }
  void SetGraphicClass(TGraphicClass Value);
  // The class's name (empty for none); an unknown name is ignored, an empty one clears it.
  String GraphicClassName() const;
  void SetGraphicClassName(const String& Value);
  TkcImageTransparency GraphicTransparency() const { return fGraphicTransparency; }
  void SetGraphicTransparency(TkcImageTransparency Value) { SetAndNotify(fGraphicTransparency, Value); }
  TkcPopupMenuLayout* PopupMenuLayout() const { return fPopupMenuLayout.get(); }
  void SetPopupMenuLayout(TkcPopupMenuLayout* Value);
  bool ShowFocusRect() const { return fShowFocusRect; }
  void SetShowFocusRect(bool Value) { SetAndNotify(fShowFocusRect, Value); }
  bool Stretch() const { return fStretch; }
  void SetStretch(bool Value) { SetAndNotify(fStretch, Value); }
  int DefaultContentHeight() const { return 15; }

  bool CanValidate() override { return true; }
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  bool CanResetEditValue() override { return true; }
  bool IsProviderFormatUsed(bool) override { return false; }
  static TGraphicClass GetDefaultGraphicClass();
  // The class to load a value with: the one set; else a bitmap when pasting, none otherwise;
  // OnGetGraphicClass may change the answer.
  TGraphicClass GetGraphicClass(TObject* AItem, int ARecordIndex, bool APastingFromClipboard = false);
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;

  TkcImageAssignPictureEvent OnAssignPicture;
  TNotifyEvent OnCustomClick;
  TkcImageGraphicClassEvent OnGetGraphicClass;

private:
  String fCaption, fCustomFilter;
  bool fCenter = true;
  bool fShowFocusRect = true;
  bool fStretch = false;
  TGraphicClass fGraphicClass;
  TkcImageTransparency fGraphicTransparency = gtDefault;
  std::unique_ptr<TkcPopupMenuLayout> fPopupMenuLayout;
};

class TkcImageProperties : public TkcCustomImageProperties {
  VT_CLASS(TkcImageProperties, TkcCustomImageProperties)
public:
  explicit TkcImageProperties(TPersistent* AOwner) : TkcCustomImageProperties(AOwner) {}
};

// The picture classes an image value may hold: bitmap, icon, metafile, JPEG.
const std::vector<TGraphicClass>& GetRegisteredGraphicClasses();
TGraphicClass FindGraphicClass(const String& AName);
// A value into a picture: an 8-bit string, with or without the 8-byte blob header, read by
// the class given (a bitmap without one). Anything unreadable gives an empty picture.
void LoadPicture(TPicture* APicture, TGraphicClass AGraphicClass, const Variant& AValue);
// The graphic's own stream, no header; empty for an empty picture.
std::string SavePicture(TPicture* APicture);
bool IsPictureBlank(TPicture* APicture);
// The largest rectangle of the picture's proportions at ARect's top-left corner.
TRect CalculateProportionalRect(const TRect& ARect, int AWidth, int AHeight);
// Where the picture is drawn in the client rectangle: stretched and centred as asked, else
// moved by the scroll offsets.
TRect CalculatePictureRect(const TRect& AClient, int AWidth, int AHeight, bool ACenter, bool AStretch,
                           const TPoint& AScrollOffset = TPoint());
// Which clipboard content can be pasted as the class (none: the framework's picture format).
bool CanPasteImageFromClipboard(TGraphicClass AGraphicClass);
// Pastes into the picture: a bitmap on the clipboard becomes a JPEG when the class asks for
// one, else the picture's bitmap; without a bitmap the picture format is taken.
void PasteImageFromClipboard(TPicture* APicture, TGraphicClass APasteClass);

using TkcImageEditGraphicClassEvent =
    TEvent<void(TObject* Sender, bool APastingFromClipboard, TGraphicClass& AGraphicClass)>;

// What an image editor or cell paints: the picture (the editor's own, or one the view info
// owns for a cell), else the caption.
class TkcImageViewInfo : public TkcCustomEditViewInfo {
  VT_CLASS(TkcImageViewInfo, TkcCustomEditViewInfo)
public:
  TPicture* Picture = nullptr;
  bool OwnsPicture = false;
  String Caption;
  bool Center = true, Stretch = false, ShowFocusFrame = false;
  TPoint ScrollOffset{};
  ~TkcImageViewInfo() override;
  // Where the picture lies in the client rectangle (empty without a picture).
  TRect PictureRect() const;
  void DrawBackground(TkcCanvas* ACanvas) override;
};

class TkcImageViewData : public TkcCustomEditViewData {
  VT_CLASS(TkcImageViewData, TkcCustomEditViewData)
public:
  using TkcCustomEditViewData::TkcCustomEditViewData;
  TkcCustomImageProperties* ImageProperties() const { return static_cast<TkcCustomImageProperties*>(Properties); }
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcImageViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  // A cell's picture: a non-empty string value is loaded into the view info's own picture.
  void FillViewInfoValue(const Variant& AEditValue, TkcImageViewInfo* AViewInfo);
};

// The image editor: shows its picture, takes pictures from the clipboard and from files, and
// offers its commands in a context menu.
class TkcCustomImage : public TkcCustomEdit {
  VT_CLASS(TkcCustomImage, TkcCustomEdit)
public:
  explicit TkcCustomImage(TComponent* AOwner) : TkcCustomImage(AOwner, false) {}
  TkcCustomImage(TComponent* AOwner, bool AIsInplace) : TkcCustomImage(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomImage(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomImage() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomImageProperties::StaticClass(); }
  TkcCustomImageProperties* ActiveProperties() {
    return static_cast<TkcCustomImageProperties*>(GetEffectiveProperties());
  }
  TPicture* Picture() const { return fPicture.get(); }
  void SetPicture(TPicture* Value) { fPicture->Assign(Value); }

  // Null for an empty picture, else the picture's own bytes.
  Variant GetEditValue() override;
  void SynchronizeDisplayValue() override;
  void PropertiesChanged(TObject* Sender) override;
  void CopyToClipboard() override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  // Empties the picture (when editing is allowed).
  void ClearPicture();
  bool CanPasteFromClipboard();
  TGraphicClass GetGraphicClass(bool APastingFromClipboard = false);
  // The file dialogs' commands (Load asks for a picture file, Save As writes the picture).
  void LoadFromFile();
  void SaveToFile();
  void DoCustomClick();
  // The context menu, brought up to date for the current picture (made on first use).
  TPopupMenu* UpdateContextMenu();
  bool Focused() override { return fDialogOpen || TkcCustomEdit::Focused(); }
  // How far a picture larger than the client area is scrolled.
  TPoint ScrollOffset() const { return fScrollOffset; }
  bool HasScrollBars() override { return !IsInplace(); }
  bool CanAutoSize() override { return TkcCustomEdit::CanAutoSize() && !IsPictureBlank(fPicture.get()); }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) override;

  TkcImageEditGraphicClassEvent OnGetGraphicClass;

protected:
  void Initialize() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void InitScrollBarsParameters() override;

private:
  void PictureChanged(TObject* Sender);
  // Whether the picture scrolls: stand-alone, neither centred nor stretched, not empty.
  bool IsPictureScrollable();
  void ApplyScrollOffsets();
  TPoint fScrollOffset{};
  bool ExecuteDialog(TOpenDialog& ADialog);
  // Runs a command as the user's change.
  template <class F>
  void AsUser(F&& f);
  std::unique_ptr<TPicture> fPicture;
  TPopupMenu* fMenu = nullptr;
  bool fLoading = false;
  bool fDialogOpen = false;
};

class TkcImage : public TkcCustomImage {
  VT_CLASS(TkcImage, TkcCustomImage)
public:
  explicit TkcImage(TComponent* AOwner) : TkcImage(AOwner, false) {}
  TkcImage(TComponent* AOwner, bool AIsInplace) : TkcImage(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcImage(TComponent* AOwner, bool AIsInplace, TDeferCreation) : TkcCustomImage(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcImageProperties::StaticClass(); }
  TkcImageProperties* Properties() const { return static_cast<TkcImageProperties*>(TkcCustomEdit::Properties()); }
};
