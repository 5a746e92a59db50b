#pragma once
// Group boxes and button groups without their windows: the thirteen caption positions and the
// caption rectangle, the button group's items and properties, its column layout and its arrow
// keys.

#include "editors-extended/kcCheckStates.h"
#include "editors/kcEdit.h"

enum TkcCaptionAlignment {
  alTopLeft,
  alTopCenter,
  alTopRight,
  alBottomLeft,
  alBottomCenter,
  alBottomRight,
  alLeftTop,
  alLeftCenter,
  alLeftBottom,
  alRightTop,
  alRightCenter,
  alRightBottom,
  alCenterCenter
};
inline bool IsVerticalCaption(TkcCaptionAlignment A) { return A >= alLeftTop && A <= alRightBottom; }

// Where a caption of ATextSize (measured on one line) sits in a group of AWidth x AHeight;
// AShadow: the style draws a shadow. An empty caption has an empty rectangle.
TRect CalculateGroupCaptionRect(TkcCaptionAlignment AAlignment, const TSize& ATextSize, int AWidth, int AHeight,
                                bool AShadow);

class TkcCustomGroupBoxProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomGroupBoxProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomGroupBoxProperties(TPersistent* AOwner) : TkcCustomEditProperties(AOwner) {}
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;
};

class TkcButtonGroupItem : public TCollectionItem {
  VT_CLASS(TkcButtonGroupItem, TCollectionItem)
public:
  explicit TkcButtonGroupItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  int Tag = 0;

private:
  String fCaption;
  bool fEnabled = true;
};

// What changed last in the items, so that a group touches only that button.
enum TkcButtonGroupItemChange { bgicAdded, bgicDeleted, bgicChanged, bgicNone };

class TkcButtonGroupItems : public TOwnedCollection, public IkcCheckItemCaptions {
  VT_CLASS(TkcButtonGroupItems, TOwnedCollection)
public:
  TkcButtonGroupItems(TPersistent* AOwner, TCollectionItemClass AItemClass) : TOwnedCollection(AOwner, AItemClass) {}
  ~TkcButtonGroupItems() override;
  // Null for an item still being built (a collection reports it from the base constructor).
  TkcButtonGroupItem* Items(int Index) const { return dynamic_cast<TkcButtonGroupItem*>(TCollection::Items(Index)); }
  TkcButtonGroupItem* Add() { return static_cast<TkcButtonGroupItem*>(TCollection::Add()); }
  int GetCount() override { return Count(); }
  String GetCaption(int Index) override { return Items(Index) ? Items(Index)->Caption() : String(); }
  int ChangedItemIndex() const { return fChangedItemIndex; }
  TkcButtonGroupItemChange ChangedItemOperation() const { return fChangedItemOperation; }

protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
  bool fDestroying = false;
  int fChangedItemIndex = -1;
  TkcButtonGroupItemChange fChangedItemOperation = bgicNone;
};

class TkcCustomButtonGroupProperties : public TkcCustomGroupBoxProperties {
  VT_CLASS(TkcCustomButtonGroupProperties, TkcCustomGroupBoxProperties)
public:
  explicit TkcCustomButtonGroupProperties(TPersistent* AOwner);
  ~TkcCustomButtonGroupProperties() override;
  void Assign(TPersistent* Source) override;
  int Columns() const { return fColumns; }
  void SetColumns(int Value) { SetAndNotify(fColumns, Value < 1 ? 1 : Value); }
  TkcButtonGroupItems* Items() const { return fItems.get(); }
  void SetItems(TkcButtonGroupItems* Value) { fItems->Assign(Value); }
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool Value) { SetAndNotify(fWordWrap, Value); }
  int GetOperationSupport() override;
  // The columns actually used: no column stays empty.
  virtual int GetColumnCount() const;
  int GetRowCount() const;

protected:
  virtual std::unique_ptr<TkcButtonGroupItems> CreateItems();
  // A constructor cannot reach a descendant's CreateItems: the descendant's makes them again.
  void RecreateItems() { fItems = CreateItems(); }

private:
  int fColumns = 1;
  bool fWordWrap = false;
  std::unique_ptr<TkcButtonGroupItems> fItems;
};

// The item metrics a concrete group supplies (only the layout fields without a canvas).
struct TkcButtonGroupItemMetrics {
  int TextOffset = 0, MeasuringWidthAdjustment = 0, GlyphToTextGap = 0, OuterWidthReserve = 0;
  int LayoutLeftOffset = 0, LayoutWidthAdjustment = 0, ColumnGap = 0, GlyphWidth = 0, GlyphHeight = 0;
};

// The bounds of item AIndex of ACount items laid out in AColumns columns, filled top to bottom
// then left to right, inside ABounds less the client extent AExtent.
TRect LayoutButtonGroupItem(int AIndex, int ACount, int AColumns, const TRect& ABounds, const TRect& AExtent,
                            const TkcButtonGroupItemMetrics& AMetrics);
// The item an arrow key moves the focus to from AFocused (AFocused itself when it does not move).
int ButtonGroupArrowTarget(int AFocused, int ACount, int AColumns, WORD AKey);

// ---- The group box control ---------------------------------------------------------------------

#include <memory>

#include "editors/kcEditControl.h"
#include "editors/kcTextEditViewInfo.h"

class TkcCustomGroupBox;

class TkcGroupBoxViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcGroupBoxViewInfo, TkcCustomTextEditViewInfo)
public:
  TRect CaptionRect{};
  TkcCaptionAlignment CaptionAlignment = alTopLeft;
  TFont* CaptionFont = nullptr;
  // The frame's rectangle: the bounds less the caption side's half line.
  TRect FrameRect{};
  void DrawBackground(TkcCanvas* ACanvas) override;
  void OffsetBounds(int DX, int DY) override;

protected:
  virtual void DrawCaption(TkcCanvas* ACanvas);
};

class TkcGroupBoxViewData : public TkcCustomEditViewData {
  VT_CLASS(TkcGroupBoxViewData, TkcCustomEditViewData)
public:
  using TkcCustomEditViewData::TkcCustomEditViewData;
  TkcCustomGroupBox* Group = nullptr;
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcGroupBoxViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TRect GetBorderExtent() override;
  TRect GetClientExtent(TkcCustomEditViewInfo* AViewInfo) override;
  TColor GetBorderColor(TkcCustomEditViewInfo* AViewInfo) override;
  bool HasShadow() override;
  // A button group's items: their widest caption by columns, or for a given width their rows.
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  // The height of "Qq" in the caption font (0 without a caption).
  int CaptionLineHeight();
};

// The group box: a frame with a caption at one of thirteen places, its children inside.
class TkcCustomGroupBox : public TkcCustomEdit {
  VT_CLASS(TkcCustomGroupBox, TkcCustomEdit)
public:
  explicit TkcCustomGroupBox(TComponent* AOwner) : TkcCustomGroupBox(AOwner, false) {}
  TkcCustomGroupBox(TComponent* AOwner, bool AIsInplace) : TkcCustomGroupBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomGroupBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomGroupBox() override;
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomGroupBoxProperties::StaticClass(); }

  TkcCaptionAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TkcCaptionAlignment Value);
  // The caption's font: the style's, turned for the side captions.
  TFont* CaptionFont();
  // The caption as drawn (side captions without their accelerator marks).
  String CaptionText();
  TkcGroupBoxViewInfo* GroupViewInfo() { return static_cast<TkcGroupBoxViewInfo*>(ViewInfo()); }

  bool CanFocusOnClick() override { return false; }
  bool CanAutoSize() override { return false; }
  bool DefaultParentColor() override { return true; }
  bool UsesStandardChildLayout() override { return true; }
  TkcContainerStyle* CalculateActiveStyle() override;
  void CalculateViewInfo(const TPoint& P, bool AHotAllowed) override;
  void GetVisibleBounds(TRect& R) override;
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize() override;
  void AdjustClientRect(TRect& Rect) override;
  // Fills a view data of the group's kind for the control's state.
  virtual void PrepareViewData(TkcGroupBoxViewData* AData);
  TShiftState fShift;
  bool fIsMouseEvent = false;
  bool fSelectingFirstChild = false;

private:
  void UpdateCaptionFont();
  TkcCaptionAlignment fAlignment = alTopLeft;
  std::unique_ptr<TFont> fCaptionFont;
};

class TkcGroupBox : public TkcCustomGroupBox {
  VT_CLASS(TkcGroupBox, TkcCustomGroupBox)
public:
  explicit TkcGroupBox(TComponent* AOwner) : TkcGroupBox(AOwner, false) {}
  TkcGroupBox(TComponent* AOwner, bool AIsInplace) : TkcGroupBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcGroupBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomGroupBox(AOwner, AIsInplace, TDeferCreation{}) {}
};

// ---- The button group control ------------------------------------------------------------------

// A group box with one child button per item, laid out in the items' columns; the arrow keys
// move the focus between the buttons.
class TkcCustomButtonGroup : public TkcCustomGroupBox {
  VT_CLASS(TkcCustomButtonGroup, TkcCustomGroupBox)
public:
  TkcCustomButtonGroup(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomGroupBox(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomButtonGroup() override;
  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomButtonGroupProperties::StaticClass();
  }
  TkcCustomButtonGroupProperties* ActiveProperties() {
    return static_cast<TkcCustomButtonGroupProperties*>(GetEffectiveProperties());
  }
  int ButtonCount() const { return static_cast<int>(fButtons.size()); }
  TWinControl* Buttons(int AIndex) const { return fButtons.at(static_cast<std::size_t>(AIndex)); }
  int IndexOfButton(TWinControl* AButton) const;
  // The metrics of the concrete group's items (their layout without a canvas).
  virtual TkcButtonGroupItemMetrics GetItemMetrics() = 0;
  // The bounds of each button, in the group.
  TRect ButtonBounds(int AIndex);
  // Moves the focus from a button by an arrow key; true when the key was one.
  bool HandleArrowKey(TWinControl* AFrom, WORD AKey);

  virtual void UpdateButtons();
  virtual void ArrangeButtons();
  bool UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void PropertiesChanged(TObject* Sender) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  bool Focused() override;
  bool UsesStandardChildLayout() override { return fSelectingFirstChild; }
  // Sizes itself only when asked to (off by default).
  bool CanAutoSize() override { return !IsInplace() && AutoSize(); }
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize() override;
  void CreateHandle() override;
  virtual TWinControl* CreateButton() = 0;
  virtual void InitializeButton(TWinControl* AButton);
  virtual void UpdateButtonStyles();
  void SyncButtonCount(int ACount);
  // A button freed by its owner leaves the list.
  void Notification(TComponent* AComponent, TOperation Operation) override;
  bool fUpdatingButtons = false;

private:
  std::vector<TWinControl*> fButtons;
};
