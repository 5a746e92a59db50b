#pragma once
// Drop-down editors: the masked text editor with a drop-down button that opens a popup window
// beside itself. The popup window adds borders, a shadow, an optional panel with a close button
// and a size grip (the user resizes the popup with it) to the control library's non-activating
// popup; the edit owns the state machine of opening (through a posted show message), closing
// by keys, wheel, mouse and focus, which close reasons accept the popup's value, posting, and
// the size the user gave the popup.

#include <functional>
#include <memory>

#include "controls/kcContainer.h"
#include "editors/kcEditPopupLayout.h"
#include "editors/kcMaskEditControl.h"
#include "editors/kcTextEditLookup.h"
#include "editors/kcTextEditViewInfo.h"

// A character typed into the editor for the popup's focused control (low byte of WParam).
constexpr UINT KCM_POPUPCHAR = 0x806B;
// After a paste opened the popup: the lookup data look the current key up again.
constexpr UINT KCM_POPUPLOOKUPSYNC = 0x806C;

class TkcCustomDropDownEdit;
class TkcCustomEditPopupWindow;
using TkcCustomEditPopupWindowClass = TClassOf<TkcCustomEditPopupWindow, TControl*>;

// ---- Popup window ----------------------------------------------------------------------------

class TkcCustomEditPopupWindowViewInfo : public TkcContainerViewInfo {
  VT_CLASS(TkcCustomEditPopupWindowViewInfo, TkcContainerViewInfo)
public:
  // Settings and results of the geometry (see kcEditPopupLayout).
  TkcEditPopupLayout Layout;
  TkcLookAndFeelKind CloseButtonStyle = lfStandard;
  int CloseButtonState = 1;  // 1 normal, 2 hot, 3 pressed

  virtual void Calculate();
  // The frame of the border style; ARect shrinks past what was drawn.
  virtual void DrawPopupBorder(TkcCanvas* ACanvas, TRect& ARect);
  void DrawBackground(TkcCanvas* ACanvas) override;

protected:
  void DrawSizeGrip(TkcCanvas* ACanvas);
};
using TkcCustomEditPopupWindowViewInfoClass = TClassOf<TkcCustomEditPopupWindowViewInfo>;

class TkcCustomEditPopupWindow : public TkcCustomPopupWindow {
  VT_CLASS(TkcCustomEditPopupWindow, TkcCustomPopupWindow)
public:
  using TConstructorArgs = std::tuple<TControl*>;
  explicit TkcCustomEditPopupWindow(TControl* AOwnerControl);
  ~TkcCustomEditPopupWindow() override;

  TkcCustomDropDownEdit* Edit() const;
  TkcCustomEditPopupWindowViewInfo* PopupViewInfo();
  virtual TkcCustomEditPopupWindowViewInfoClass GetViewInfoClass() {
    return TkcCustomEditPopupWindowViewInfo::StaticClass();
  }

  bool PopupAutoSize = true;
  TkcEditPopupBorderStyle BorderStyle();
  void SetBorderStyle(TkcEditPopupBorderStyle Value);
  bool ClientEdge() { return PopupViewInfo()->Layout.ClientEdge; }
  void SetClientEdge(bool Value) { PopupViewInfo()->Layout.ClientEdge = Value; }
  bool CloseButton() { return PopupViewInfo()->Layout.CloseButton; }
  void SetCloseButton(bool Value) { PopupViewInfo()->Layout.CloseButton = Value; }
  int MinHeight = 0, MinWidth = 0;
  bool NativeStyle() { return PopupViewInfo()->Layout.NativeStyle; }
  void SetNativeStyle(bool Value) { PopupViewInfo()->Layout.NativeStyle = Value; }
  int PopupHeight = 0, PopupWidth = 0;
  bool Shadow() { return PopupViewInfo()->Layout.Shadow; }
  void SetShadow(bool Value) { PopupViewInfo()->Layout.Shadow = Value; }
  bool ShowContentWhileResize = false;
  bool Sizeable() { return PopupViewInfo()->Layout.Sizeable; }
  void SetSizeable(bool Value) { PopupViewInfo()->Layout.Sizeable = Value; }
  bool SysPanelStyle() { return PopupViewInfo()->Layout.SysPanelStyle; }
  void SetSysPanelStyle(bool Value) { PopupViewInfo()->Layout.SysPanelStyle = Value; }
  int MinSysPanelHeight() { return PopupViewInfo()->Layout.MinSysPanelHeight; }
  void SetMinSysPanelHeight(int Value) { PopupViewInfo()->Layout.MinSysPanelHeight = Value; }
  bool IsResizing() const { return fResizing; }
  // The control the popup focuses when its show message arrives.
  TWinControl* PopupFocusedControl = nullptr;

  void CalculatePosition(TPoint& P) override;
  void CalculateSize() override;
  bool CanShrinkToDesktop() override;
  void NotifyClosed() override;
  void ClosePopupWithModalResult() override;
  void ShowPopup(TWinControl* AFocusControl) override;
  virtual void CalculateViewInfo();
  virtual void SendCharToFocus(WPARAM ACharCode);
  virtual TSize GetMinSize();
  void RefreshPopupWindow();
  void Dispatch(TMessage& Message) override;

protected:
  void AdjustClientRect(TRect& Rect) override;
  void Resize() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void PaintWindow(HDC dc) override;
  void SetCloseButtonState(int AState);
  void UpdateSizingCursor(int X, int Y);

private:
  std::unique_ptr<TkcCustomEditPopupWindowViewInfo> fViewInfo;
  bool fResizing = false;
  bool fHasSizingCursor = false;
  int fHorzDir = 0, fVertDir = 0;
  // The mouse's distance to the moving edges when resizing started.
  int fDeltaX = 0, fDeltaY = 0;
};

// ---- Properties ------------------------------------------------------------------------------

class TkcCustomDropDownEditProperties : public TkcCustomMaskEditProperties {
  VT_CLASS(TkcCustomDropDownEditProperties, TkcCustomMaskEditProperties)
public:
  explicit TkcCustomDropDownEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void Changed() override;
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                        bool APreviewMode = false) override;
  bool PopupShowsLookupList() override { return true; }

  virtual int GetDropDownButtonIndex() { return 0; }
  virtual bool DropDownOnClick() { return false; }
  virtual bool PostValueOnPopupClosed() { return false; }
  virtual TkcCustomEditPopupWindowClass GetPopupWindowClass() { return TkcCustomEditPopupWindow::StaticClass(); }
  virtual bool PopupWindowCanShrinkToDesktop() { return true; }
  virtual bool PopupTakesFocus() { return false; }

  // The glyph of the glyph button (null when that button does not exist); a valid bitmap makes
  // the button a glyph button, none turns it back into a drop-down arrow.
  TBitmap* ButtonGlyph();
  void SetButtonGlyph(TBitmap* Value);
  int GlyphButtonIndex() const { return fGlyphButtonIndex; }
  void SetGlyphButtonIndex(int AIndex);
  bool ImmediateDropDown = true;
  bool ImmediatePopup = false;
  bool KeepArrowButtonPressedWhenDroppedDown() const { return fKeepArrowButtonPressed; }
  void SetKeepArrowButtonPressedWhenDroppedDown(bool Value) { SetAndNotify(fKeepArrowButtonPressed, Value); }
  bool PopupAutoSize = true;
  bool PopupClientEdge() const { return fPopupClientEdge; }
  void SetPopupClientEdge(bool Value) { SetAndNotify(fPopupClientEdge, Value); }
  int PopupDirection = 1;  // 0 beside the editor, 1 below or above it
  int PopupHeight() const { return fPopupHeight; }
  void SetPopupHeight(int Value) { fPopupHeight = std::max(Value, fPopupMinHeight); }
  int PopupHorzAlignment = 0;  // 0 left, 1 centre, 2 right
  TAlignment PopupAlignment() const;
  void SetPopupAlignment(TAlignment Value);
  int PopupMinHeight() const { return fPopupMinHeight; }
  void SetPopupMinHeight(int Value);
  int PopupMinWidth() const { return fPopupMinWidth; }
  void SetPopupMinWidth(int Value);
  bool PopupSizeable() const { return fPopupSizeable; }
  void SetPopupSizeable(bool Value) { SetAndNotify(fPopupSizeable, Value); }
  bool PopupSysPanelStyle() const { return fPopupSysPanelStyle; }
  void SetPopupSysPanelStyle(bool Value) { SetAndNotify(fPopupSysPanelStyle, Value); }
  int PopupVertAlignment = 2;  // 0 top, 1 centre, 2 bottom
  int PopupWidth() const { return fPopupWidth; }
  // 0, or at least the minimum width.
  void SetPopupWidth(int Value) { fPopupWidth = Value == 0 ? 0 : std::max(Value, fPopupMinWidth); }
  bool PostPopupValueOnTab = false;
  TCloseQueryEvent OnCloseQuery;
  TNotifyEvent OnCloseUp, OnInitPopup, OnPopup;
  TNotifyEvent OnFinalizePopup;

protected:
  // Defaults a kind sets in its constructor without re-applying anything.
  bool fPopupSizeable = false;
  int fPopupHeight = 0, fPopupWidth = 0, fPopupMinHeight = 0, fPopupMinWidth = 0;

private:
  TkcEditButton* GlyphButton();
  int fGlyphButtonIndex = 0;
  bool fInternalChanging = false;
  bool fKeepArrowButtonPressed = false;
  bool fPopupClientEdge = false;
  bool fPopupSysPanelStyle = false;
};

class TkcCustomDropDownEditViewData : public TkcCustomTextEditViewData {
  VT_CLASS(TkcCustomDropDownEditViewData, TkcCustomTextEditViewData)
public:
  using TkcCustomTextEditViewData::TkcCustomTextEditViewData;
  bool HasPopupWindow = false;
  bool IsHotAndPopup = false;
  TkcCustomDropDownEditProperties* DropDownProperties() const {
    return static_cast<TkcCustomDropDownEditProperties*>(Properties);
  }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  bool CanPressButton(TkcCustomEditViewInfo* AViewInfo, int AIndex) override;
};

// ---- The edit --------------------------------------------------------------------------------

// What an in-place editor keeps between activations: the size the user gave its popup.
class TkcCustomDropDownEditData : public TkcCustomEditData {
  VT_CLASS(TkcCustomDropDownEditData, TkcCustomEditData)
public:
  using TConstructorArgs = std::tuple<TkcCustomEdit*>;
  explicit TkcCustomDropDownEditData(TkcCustomEdit* AEdit) : TkcCustomEditData(AEdit) {}
  bool PopupSizeChanged = false;
  int PopupWidth = 0, PopupHeight = 0;
};

class TkcCustomDropDownEdit : public TkcCustomMaskEdit {
  VT_CLASS(TkcCustomDropDownEdit, TkcCustomMaskEdit)
public:
  explicit TkcCustomDropDownEdit(TComponent* AOwner) : TkcCustomDropDownEdit(AOwner, false) {}
  TkcCustomDropDownEdit(TComponent* AOwner, bool AIsInplace)
      : TkcCustomDropDownEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomDropDownEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomMaskEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomDropDownEdit() override;
  void BeforeDestruction() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomDropDownEditProperties::StaticClass();
  }
  TkcCustomDropDownEditProperties* ActiveProperties() {
    return static_cast<TkcCustomDropDownEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomDropDownEditProperties* Properties() const {
    return static_cast<TkcCustomDropDownEditProperties*>(TkcCustomEdit::Properties());
  }
  TkcCustomEditPopupWindow* PopupWindow() const { return fPopupWindow.get(); }
  bool DroppedDown() { return HasPopupWindow(); }
  void SetDroppedDown(bool AValue);
  TkcEditCloseUpReason CloseUpReason() const { return fCloseUpReason; }
  bool IsPopupInitialized() const { return fIsPopupInitialized; }
  bool IsHotAndPopup() const { return fIsHotAndPopup; }
  bool PopupSizeChanged() const { return fPopupSizeChanged; }
  // Whether a show message for the popup is queued.
  bool IsShowMessageQueued();
  // The in-place editor's kept data (none for a stand-alone editor).
  TkcCustomDropDownEditData* DropDownEditData() { return dynamic_cast<TkcCustomDropDownEditData*>(EditData()); }
  TkcCustomEditDataClass GetEditDataClass() override { return TkcCustomDropDownEditData::StaticClass(); }
  void InitializeEditData() override;
  bool ListMouseTracking = false;
  // The lookup data the popup shows (none here; the combo box has them).
  virtual TkcCustomTextEditLookupData* LookupData() { return nullptr; }
  bool UsesLookupData();

  // The drop-down state machine.
  virtual bool CanDropDown() { return false; }
  virtual void CloseUp(TkcEditCloseUpReason AReason);
  virtual void DoCloseUp();
  virtual void DoDeinitPopup();
  virtual void DoInitPopup();
  virtual void DoPopup();
  virtual void DropDown();
  virtual TWinControl* GetPopupFocusedControl();
  virtual void GetPopupClientSize(SIZE& ASize) { ASize = SIZE{0, 0}; }
  virtual void InitializeLookupData();
  virtual void SetupPopupWindow();
  virtual void PositionPopupWindowChildren(const TRect& AClientRect);
  virtual void InitializePopupWindow();
  // The rectangle the popup aligns to, in the parent's coordinates.
  TRect GetPopupOwnerBounds();
  // The user resized the popup during this opening.
  void PopupResizedByUser() { fPopupResizedByUser = true; }

  bool HasPopupWindow() override;
  bool Focused() override;
  // The window focus itself, whatever the popup: setting the focus must not stop at an open popup.
  bool IsContainerFocused() override { return TkcCustomMaskEdit::Focused(); }
  bool NeedsActivationKey(char32_t Key) override;
  // In place with the popup open, control keys and shortcuts are the popup's, not the grid's.
  bool IsInternalKey(WORD Key, TShiftState Shift) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  void FocusChanged() override;
  // Keys move through the items unless an in-place editor has no open popup; the wheel always.
  bool CanNavigateLookupItems(bool AByMouseWheel) override;
  // The control the lookup data show in the popup (none here).
  virtual TWinControl* GetLookupActiveControl() { return nullptr; }
  // Fits a client size the user drags the popup to (the combo box takes whole rows); false
  // keeps the popup's size.
  virtual bool CanResizePopupClient(SIZE&, int /*AMaxHeight*/) { return true; }
  // Posts the value with ImmediatePost, when it may be posted and validates.
  void PostImmediately();
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize() override;
  virtual void CreatePopupWindow();
  bool DoCloseQuery();
  // Handlers bound to the popup window's events.
  virtual void PopupWindowCloseQuery(TObject* Sender, bool& CanClose);
  virtual void PopupWindowClosed(TObject* Sender);
  virtual void PopupWindowShown(TObject* Sender);
  // Drop-down button pressed.
  virtual void DoButtonDown(int AButtonVisibleIndex);
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void DoExit() override;
  // Takes the highlighted item as the current key (closing with a reason that accepts it).
  void ApplyLookupSelection();
  void SetCloseUpReason(TkcEditCloseUpReason AReason) { fCloseUpReason = AReason; }
  // Runs a step that may change the lookup data's current key with clicks locked; a changed
  // key marks the edit modified and clicks once.
  void ChangeLookupKey(const std::function<void(TkcCustomTextEditLookupData*)>& AStep);
  void WithdrawShowMessage();

private:
  // The edit data's or the properties' size, as the popup is set up.
  std::unique_ptr<TkcCustomEditPopupWindow> fPopupWindow;
  TkcEditCloseUpReason fCloseUpReason = crUnknown;
  bool fIsPopupInitialized = false;
  bool fIsHotAndPopup = false;
  bool fPopupSizeChanged = false;
  bool fPopupResizedByUser = false;
  bool fClosedByKey = false;
  bool fIsActivatingByMouse = false;
};
