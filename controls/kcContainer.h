#pragma once
// The container unit: window relations, window regions with a shadow, the container view info,
// container styles and the style controller, the container control that hosts one inner
// control, and the custom popup window of the editors with the list of shown popups, the hooks
// that close them and the modal loop.

#include <memory>
#include <vector>

#include "controls/kcControls.h"
#include "controls/kcPopupWindow.h"

class TkcContainer;
class TkcContainerStyle;
class TkcStyleController;
class TkcCustomPopupWindow;

enum TkcContainerBorderStyle { cbsNone, cbsSingle, cbsThick, cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11 };
enum TkcContainerStateItem { csNormal, csActive, csDisabled, csHotTrack };
using TkcContainerState = TSet<TkcContainerStateItem, 4>;

constexpr UINT KCM_CLOSEPOPUP = 0x8065;
constexpr UINT KCM_SHOWPOPUPAGAIN = 0x8066;
constexpr UINT KCM_UPDATESCROLLBARS = 0x8068;

int GetContainerBorderWidth(TkcContainerBorderStyle AStyle);
int GetDefaultBorderWidthOfKind(TkcLookAndFeelKind AKind);

// The visible part of an inner control: all of it, or a rectangle in its own coordinates.
struct TkcControlArea {
  bool Full = true;
  TRect Rect{};
  friend bool operator==(const TkcControlArea& a, const TkcControlArea& b) {
    return a.Full == b.Full && (a.Full || a.Rect == b.Rect);
  }
};

// ---- Window relations -----------------------------------------------------------------------

struct IkcContainerInnerControl : IInterface {
  VT_INTERFACE("{1B111318-D9C9-4C35-9EFF-5D95793C0106}")
  virtual TWinControl* GetControl() = 0;
  virtual TkcContainer* GetControlContainer() = 0;
};

bool IsWindowOfControl(TWinControl* AControl, HWND AWindow, bool ARelated = true);
bool IsRelatedWindow(TWinControl* AControl, HWND AWindow);
bool IsChildWindowOfControl(TWinControl* AControl, HWND AWindow);
bool IsWindowInPopups(TWinControl* AControl, HWND AWindow);
bool IsWindowInControlForm(TControl* AControl, HWND AWindow);
HWND FindNonChildParentWindow(HWND AWindow);
TkcContainer* GetContainerOfControl(TControl* AControl);
bool HasOpenPopupWindow(TControl* AControl);
bool IsWindowVisibleControl(TWinControl* AControl);
// Removes queued messages of the range for the window (all of them with AAll); a quit met is
// posted again and ends the removal. True when any other message was removed.
bool RemoveMessages(HWND AWindow, UINT AMinMessage, UINT AMaxMessage, bool AAll);
int ConvertMouseButton(TMouseButton AButton);

// ---- Regions and drawing --------------------------------------------------------------------

// None when ANoRegion; else the rectangle, with its copy moved by (3, 3) for the shadow, minus
// AExcludeRect when that is not empty.
TkcRegion* CreateContainerWindowRegion(const TRect& R, bool ANoRegion, bool AShadow, const TRect& AExcludeRect);
// Sets the region only when it differs from the window's present one.
void ApplyWindowRegion(HWND AWindow, const TRect& R, bool ANoRegion, bool AShadow, const TRect& AExcludeRect);
void SetWindowRegionFromRect(TWinControl* AControl, const TkcControlArea& AArea);
void PaintContainerShadow(TkcCanvas* ACanvas, const TRect& R);
void ExpandRectByEdges(TRect& R, int AWidth, TkcBorders AEdges);
void ShrinkRectOnMissingEdges(TRect& R, int AWidth, TkcBorders AEdges);
void FillRectExcluding(TkcCanvas* ACanvas, const TRect& R, const TRect& AInner, TColor AColor);
void InvalidateRectExcluding(HWND AWindow, const TRect& R, const TRect& AInner, bool AErase);
inline TRect GetControlRect(TControl* AControl) { return TRect{0, 0, AControl->Width(), AControl->Height()}; }
bool CanUseNativeStyle(bool ANativeStyle, TkcThemedObjectType AType);
bool IsScrollBarInfoAvailable();
bool GetWindowScrollBarInfo(HWND AWindow, LONG AObjectId, SCROLLBARINFO& AInfo);
TkcScreenCanvas* GetContainerScreenCanvas();

// ---- View info ------------------------------------------------------------------------------

class TkcContainerViewInfo : public TObject {
  VT_CLASS(TkcContainerViewInfo, TObject)
public:
  TkcContainerViewInfo() = default;
  TColor BackgroundColor = clWindow;
  TColor BorderColor = clBtnShadow;
  TkcContainerBorderStyle BorderStyle = cbsNone;
  int BorderWidth = 0;
  TkcBorders Edges = kcAllBorders;
  bool Shadow = false;
  TRect Bounds{}, BorderRect{}, ClientRect{};
  TkcContainerState ContainerState{csNormal};
  int HighlightState = 0;
  bool NativeStyle = false;
  TkcThemedObjectType ThemedObjectType = totEdit;
  int NativePart = 1, NativeState = 1;

  virtual void DrawBorder(TkcCanvas* ACanvas, const TRect& R);
  virtual TkcContainerBorderStyle GetBorderStyle() { return BorderStyle; }
  virtual void DrawBackground(TkcCanvas* ACanvas);
  virtual void SetBackgroundColor(TColor AColor) { BackgroundColor = AColor; }
  virtual void Assign(TkcContainerViewInfo* ASource) { ClientRect = ASource->ClientRect; }
  virtual TkcRegion* CalculateUpdateRegion(TkcContainerViewInfo*) { return new TkcRegion; }
  virtual void OffsetBounds(int DX, int DY);
  virtual void Paint(TkcCanvas* ACanvas) { DrawBackground(ACanvas); }
};
using TkcContainerViewInfoClass = TClassOf<TkcContainerViewInfo>;

// ---- Container styles -----------------------------------------------------------------------

enum TkcContainerStyleValue {
  csvBorderColor,
  csvBorderStyle,
  csvColor,
  csvEdges,
  csvFont,
  csvHotTrack,
  csvShadow,
  csvTextColor,
  csvTextStyle,
  csvTransparentBorder
};
using TkcContainerStyleValues = TSet<TkcContainerStyleValue, 32>;
// 0 normal, 1 focused, 2 disabled, 3 hot.
enum TkcContainerStyleState { cssNormal, cssFocused, cssDisabled, cssHot };

class TkcContainerStyle : public TPersistent {
  VT_CLASS(TkcContainerStyle, TPersistent)
public:
  using TConstructorArgs = std::tuple<TPersistent*, bool, TkcContainerStyle*, TkcContainerStyleState>;
  TkcContainerStyle(TPersistent* AOwner, bool AIsLightweight, TkcContainerStyle* AParentStyle,
                    TkcContainerStyleState AState);
  ~TkcContainerStyle() override;
  void Assign(TPersistent* Source) override;

  void BeginUpdate() { ++fUpdateCount; }
  void EndUpdate();
  TkcContainerStyleState State() const { return fState; }
  bool IsLightweight() const { return fLightweight; }
  bool IsBaseStyle() const { return fParentStyle == nullptr; }
  TkcContainerStyle* GetBaseStyle() { return fParentStyle ? fParentStyle : this; }
  TkcContainer* GetContainer() const;

  TkcContainerStyleValues AssignedValues() const;
  void SetAssignedValues(TkcContainerStyleValues Value);
  TColor BorderColor();
  void SetBorderColor(TColor Value);
  TkcContainerBorderStyle BorderStyle();
  void SetBorderStyle(TkcContainerBorderStyle Value);
  TColor Color() { return GetColor(); }
  void SetColor(TColor Value);
  TkcBorders Edges();
  void SetEdges(TkcBorders Value);
  TFont* Font();
  void SetFont(TFont* Value);
  bool HotTrack();
  void SetHotTrack(bool Value);
  bool Shadow();
  void SetShadow(bool Value);
  TColor TextColor() { return GetTextColor(); }
  void SetTextColor(TColor Value);
  TFontStyles TextStyle() { return GetTextStyle(); }
  void SetTextStyle(TFontStyles Value);
  bool TransparentBorder();
  void SetTransparentBorder(bool Value);
  TkcLookAndFeel* LookAndFeel();
  void SetLookAndFeel(TkcLookAndFeel* Value) { LookAndFeel()->Assign(Value); }
  // Nil while the default controller is in use.
  TkcStyleController* StyleController();
  void SetStyleController(TkcStyleController* Value);
  TkcStyleController* GetEffectiveStyleController();
  TFont* GetVisibleFont();
  void UpdateFont();
  TNotifyEvent OnChanged;

  virtual void Changed();
  virtual void ControllerChangedNotification();
  virtual void ControllerFreeNotification(TkcStyleController* AController);
  virtual TColor DefaultBorderColor();
  virtual TkcContainerBorderStyle DefaultBorderStyle();
  virtual TColor DefaultColor();
  virtual TkcBorders DefaultEdges() { return kcAllBorders; }
  virtual bool DefaultHotTrack() { return true; }
  virtual bool DefaultShadow() { return false; }
  virtual TColor DefaultTextColor();
  virtual TFontStyles DefaultTextStyle();
  virtual bool DefaultTransparentBorder() { return true; }
  virtual void FontChanged(TObject* Sender);
  virtual TColor GetColor();
  virtual TkcStyleController* GetDefaultStyleController();
  virtual TColor GetVisibleColor();
  virtual TColor GetTextColor();
  virtual TFontStyles GetTextStyle();
  virtual TkcContainerStyleValues GetCommonStyleValues() {
    return {csvEdges, csvFont, csvHotTrack, csvShadow, csvTransparentBorder};
  }
  virtual int GetStyleValueCount() { return 10; }
  virtual bool GetStyleValueName(int AIndex, String& AName);
  virtual bool HasBorder() { return IsBaseStyle() ? true : fParentStyle->HasBorder(); }
  virtual bool IsValueAssigned(TkcContainerStyleValue AValue);
  virtual void ResetToDefaults();
  bool GetStyleValueIndex(const String& AName, int& AIndex);
  bool IsStatePropertyStored(const String& AName);

private:
  friend class TkcStyleController;
  friend class TkcContainer;
  void CheckChanges();
  // The style of the same state in the effective controller that assigns AValue, or null.
  TkcContainerStyle* ControllerStyleAssigning(TkcContainerStyleValue AValue);
  TkcContainerStyle* Base() { return fParentStyle ? fParentStyle : this; }
  template <class T>
  void SetValue(T& AField, const T& AValue, TkcContainerStyleValue AWhich, bool ACompareToCurrent, const T& ACurrent);

  TPersistent* fOwner;
  TkcContainerStyle* fParentStyle;
  TkcContainerStyleState fState;
  bool fLightweight;
  TkcContainerStyleValues fAssignedValues;
  TColor fBorderColor = clWindowFrame;
  TkcContainerBorderStyle fBorderStyle = cbsNone;
  TColor fColor = clWindow;
  TkcBorders fEdges = kcAllBorders;
  bool fHotTrack = true, fShadow = false, fTransparentBorder = true;
  TColor fTextColor = clWindowText;
  TFontStyles fTextStyle;
  TFont* fFont = nullptr;
  bool fOwnsFont = false;
  std::unique_ptr<TFont> fVisibleFont;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  TkcStyleController* fStyleController = nullptr;
  int fUpdateCount = 0;
  bool fModified = false;
  bool fDestroying = false;
  int fFontAssignLock = 0;
};
using TkcContainerStyleClass =
    TClassOf<TkcContainerStyle, TPersistent*, bool, TkcContainerStyle*, TkcContainerStyleState>;

class TkcContainerStyles : public TObject {
  VT_CLASS(TkcContainerStyles, TObject)
public:
  TkcContainerStyles(TPersistent* AOwner, TkcContainerStyleClass AStyleClass);
  ~TkcContainerStyles() override;
  TkcContainerStyle* GetStyleForState(TkcContainerStyleState AState) const { return fStyles[AState]; }
  TkcContainerStyle* Normal() const { return fStyles[cssNormal]; }
  void SetStyleForState(TkcContainerStyleState AState, TkcContainerStyle* AStyle) { fStyles[AState]->Assign(AStyle); }
  void SetOnChanged(const TNotifyEvent& AEvent);

private:
  TkcContainerStyle* fStyles[4] = {};
};

class TkcStyleController : public TComponent {
  VT_CLASS(TkcStyleController, TComponent)
public:
  explicit TkcStyleController(TComponent* AOwner);
  ~TkcStyleController() override;
  void Loaded() override;
  virtual void AddListener(TkcContainerStyle* AStyle);
  virtual TkcContainerStyleClass GetContainerStyleClass() { return TkcContainerStyle::StaticClass(); }
  virtual void RemoveListener(TkcContainerStyle* AStyle);
  TkcContainerStyle* GetNormalStyle() { return Styles()->Normal(); }
  TkcContainerStyle* GetStyleForState(TkcContainerStyleState AState) { return Styles()->GetStyleForState(AState); }
  void Changed();
  void ChangeFontScale(int M, int D);
  bool IsDestroying() const { return fDestroying; }
  int ListenerCount() const { return static_cast<int>(fListeners.size()); }
  TNotifyEvent OnStyleChanged;

private:
  // Made on first use: a constructor cannot ask a descendant for its style class.
  TkcContainerStyles* Styles();
  std::vector<TkcContainerStyle*> fListeners;
  std::unique_ptr<TkcContainerStyles> fStyles;
  bool fDestroying = false;
  bool fFontScaled = false;
};

// The default style controller of containers: set by the editors at start-up, cleared at exit.
TkcStyleController* GetDefaultStyleControllerInstance();
void SetDefaultStyleControllerInstance(TkcStyleController* AController);

// ---- The container control ------------------------------------------------------------------

class TkcContainer : public TkcControl, public IkcMouseTrackingCaller {
  VT_CLASS(TkcContainer, TkcControl)
public:
  explicit TkcContainer(TComponent* AOwner);
  ~TkcContainer() override;
  // A descendant with its own style or view info class constructs with TDeferCreation and
  // calls CreateContainerObjects in its own constructor: a base constructor cannot reach the
  // descendant's class operations.
  struct TDeferCreation {};
  TkcContainer(TComponent* AOwner, TDeferCreation);
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  TkcContainerStyle* Style() const { return fStyles->Normal(); }
  TkcContainerStyle* StyleFocused() const { return fStyles->GetStyleForState(cssFocused); }
  TkcContainerStyle* StyleDisabled() const { return fStyles->GetStyleForState(cssDisabled); }
  TkcContainerStyle* StyleHot() const { return fStyles->GetStyleForState(cssHot); }
  TkcContainerViewInfo* ViewInfo() const { return fViewInfo.get(); }
  TWinControl* InnerControl() const { return fInnerControl; }
  void SetInnerControl(TWinControl* Value);
  TkcContainerStyle* GetActiveStyle();
  bool IsContainerDestroying() const { return fDestroying || IsDestroying(); }
  bool UpdateStateFromCursor(bool AIsMouseEvent);
  void PostScrollBarsUpdate();
  void LockAlignControls(bool ALock);
  TWinControl* GetInnerOrSelf() { return fInnerControl ? fInnerControl : this; }
  bool IsStyleValueStored(const String& AName, bool AIsStateStyle, TkcContainerStyle* AStyle);
  bool InnerMouseDown = false;
  // What an inner control passes on to its container (container coordinates).
  void InnerMouseDownAt(TMouseButton Button, TShiftState Shift, int X, int Y);
  void InnerMouseMoveAt(TShiftState Shift, int X, int Y) { MouseMove(Shift, X, Y); }
  void InnerMouseUpAt(TMouseButton Button, TShiftState Shift, int X, int Y) { MouseUp(Button, Shift, X, Y); }
  void InnerKeyDown(WORD& Key, TShiftState Shift) { KeyDown(Key, Shift); }
  void InnerKeyUp(WORD& Key, TShiftState Shift) { KeyUp(Key, Shift); }
  void InnerKeyPress(char32_t& Key) { KeyPress(Key); }
  void InnerClick() { Click(); }
  void InnerDblClick() { DblClick(); }
  bool InnerMouseWheel(TShiftState Shift, int Delta, TPoint P) { return DoMouseWheel(Shift, Delta, P); }

  virtual bool IsContainerFocused() { return Focused(); }
  virtual void AdjustInnerControl();
  virtual void CalculateViewInfo(const TPoint& P, bool AHotAllowed);
  virtual bool CanShowPopupMenu(const TPoint&) { return true; }
  virtual void ContainerStyleChanged(TObject* Sender);
  virtual void DataChange() {}
  virtual bool DefaultParentColor() { return false; }
  virtual void MouseTrackingLeave();
  virtual void GetBorderExtent(TRect& AExtent);
  virtual void GetInnerControlVisibleArea(const TRect& R, TWinControl* AControl, TkcControlArea& AArea);
  virtual void GetVisibleBounds(TRect& R);
  virtual TkcContainerStyleClass GetContainerStyleClass() { return TkcContainerStyle::StaticClass(); }
  virtual TkcContainerViewInfoClass GetViewInfoClass() { return TkcContainerViewInfo::StaticClass(); }
  virtual bool HasShadow();
  virtual TkcContainerStyle* CalculateActiveStyle();
  virtual TkcContainerStyleValues GetUnusedStyleValues() { return {}; }
  virtual bool UsesStandardChildLayout() { return false; }
  virtual bool IsTransparentBackground() { return false; }
  virtual bool UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent);
  virtual void UpdateWindowRegion();
  virtual void AdjustBounds();
  virtual void IntersectClipWithShape();
  virtual bool IsTabKeyIgnored() { return false; }
  virtual void UpdateData() {}
  virtual TkcThemedObjectType GetThemedObjectType() { return totEdit; }
  virtual int GetNativePart() { return 1; }
  virtual int GetNativeState();
  virtual bool IsNativeStyle();
  virtual void FocusInnerControl();
  virtual void ResetInnerControlArea() { fInnerArea = TkcControlArea{}; }
  virtual void GetMouseTrackingBounds(TRect& R);
  virtual bool HasPopupWindow() { return false; }
  virtual bool InnerControlDefaultHandler(TMessage&) { return false; }
  virtual bool InnerControlMenuHandler(TMessage& AMessage);
  virtual bool IsInplace() { return false; }
  virtual void SetScrollBarsParameters(bool AIsScrolling = false);
  virtual void AdjustScrollBarPosition(TkcScrollBar* ABar);
  virtual void EnabledChanged();

  // Overrides of the base control.
  TkcLookAndFeel* GetLookAndFeel() override { return Style()->LookAndFeel(); }
  TRect GetClientBounds() override { return fViewInfo->ClientRect; }
  bool HasScrollBars() override { return false; }
  bool AllowDragAtDesignTime(int, int, TShiftState) override { return false; }
  bool MayFocus() override;
  bool CanFocusOnClick() override;
  bool Focused() override;
  void SetFocus() override;
  void FocusChanged() override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;
  void MouseLeave() override { MouseTrackingLeave(); }
  void DragCanceled() override;
  TDragImageList* GetDragImages() override;
  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;

protected:
  void AlignControls(TControl* AControl, TRect& Rect) override;
  void AdjustClientRect(TRect& Rect) override;
  void CreateHandle() override;
  void Resize() override;
  void Paint() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  void CreateContainerObjects();

private:
  IkcMouseTrackingCaller* Caller() { return this; }
  std::unique_ptr<TkcContainerStyles> fStyles;
  std::unique_ptr<TkcContainerViewInfo> fViewInfo;
  TkcContainerState fCachedState{csNormal};
  TkcContainerStyle* fCachedStyle = nullptr;
  TWinControl* fInnerControl = nullptr;
  TkcControlArea fInnerArea;
  bool fDestroying = false;
  bool fAdjustingBounds = false;
  int fAlignLockCount = 0;
  bool fUpdatingState = false;
  bool fInternalChange = false;
  bool fCreating = false;
};

// ---- Custom popup windows -------------------------------------------------------------------

class TkcCustomPopupWindow : public TkcPopupWindow {
  VT_CLASS(TkcCustomPopupWindow, TkcPopupWindow)
public:
  explicit TkcCustomPopupWindow(TControl* AOwnerControl);
  ~TkcCustomPopupWindow() override;
  // As for containers: a descendant with its own style class defers and then calls
  // CreatePopupStyle in its own constructor.
  struct TDeferCreation {};
  TkcCustomPopupWindow(TControl* AOwnerControl, TDeferCreation);

  TControl* OwnerControl() const { return fOwnerControl; }
  bool TakesFocus() const { return fTakesFocus; }
  void SetTakesFocus(bool Value);
  bool InheritTopMost() const { return fInheritTopMost; }
  void SetInheritTopMost(bool Value);
  bool ModalLoop = true;
  TkcContainerStyle* Style() const { return fStyle.get(); }
  TkcContainerViewInfo* ViewInfo() const { return fViewInfo.get(); }
  bool IsDeactivatingByMessage() const { return fDeactivatingByMessage; }
  void SetDeactivatingByMessage(bool Value) { fDeactivatingByMessage = Value; }
  bool IsOwnerControlVisible();
  bool HasCapture();
  bool IsShown() const;
  bool IsShowing() const { return fShowing; }
  TNotifyEvent OnPopupClosed, OnPopupClosing, OnPopupShown, OnPopupShowing;

  virtual bool CanShrinkToDesktop() { return false; }
  virtual void NotifyClosed() {
    if (OnPopupClosed) OnPopupClosed(this);
  }
  virtual void NotifyClosing() {
    if (OnPopupClosing) OnPopupClosing(this);
  }
  virtual void NotifyShown() {
    if (OnPopupShown) OnPopupShown(this);
  }
  virtual bool NeedsEraseBackground() { return false; }
  virtual bool AcceptsSysKey(WORD AKey) { return (AKey >= VK_PRIOR && AKey <= VK_DOWN) || AKey == VK_F4; }
  virtual void ClosePopupWithModalResult() { ClosePopup(); }
  virtual void StyleChanged(TObject*) {}
  virtual void AdjustBoundsToDesktop(TPoint& P);
  virtual TkcContainerStyleClass GetContainerStyleClass() { return TkcContainerStyle::StaticClass(); }
  virtual void ShowPopup(TWinControl* AFocusControl);
  void ClosePopup() override;
  void GetOwnerScreenBounds(TRect& R) override;
  void InitPopup() override {}
  bool Focused() override;
  bool CanFocus() override { return Visible(); }
  void Dispatch(TMessage& Message) override;

protected:
  void Deactivate() override;
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void CreateHandle() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void VisibleChanged() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void PaintWindow(HDC dc) override;
  void CreatePopupStyle();

private:
  TControl* fOwnerControl;
  bool fTakesFocus = true;
  bool fInheritTopMost = false;
  bool fDeactivatingByMessage = false;
  bool fShowing = false;
  TWinControl* fFocusTarget = nullptr;
  std::unique_ptr<TkcContainerStyle> fStyle;
  std::unique_ptr<TkcContainerViewInfo> fViewInfo;
};

// The shown popups in the order of showing (the last is the top one).
const std::vector<TkcCustomPopupWindow*>& ShownPopups();
bool IsPopupWindowShown(TControl* AControl);
void PostPopupCloseMessage(TkcCustomPopupWindow* APopup);
TWinControl* FindPopupFocusTarget(TkcCustomPopupWindow* APopup, TWinControl* AControl);
// Installs the popup-closing hooks for the user-interface thread (once; made again after the
// window layer was reset).
void InstallPopupHooks();
