#pragma once
// The base control of the library: a custom control with a canvas, its own look and feel,
// two embedded look-and-feel scroll bars and a size grip with a visibility solver, the
// library's drag and drop inside one control, the framework's drag and drop, middle-button
// scrolling, focus-on-click rules, wheel scrolling, popup menus that may be any component with
// the popup-menu interface, and safe handling of its own destruction inside handlers.

#include <memory>
#include <vector>

#include "controls/kcScrollBar.h"
#include "platform/forms/ImgList.h"

class TkcControl;
class TkcControlChildComponent;

// Library cursors.
constexpr TCursor crkcDragCopy = 2100, crkcFullScroll = 2101, crkcHorScroll = 2102, crkcVerScroll = 2103,
                  crkcUpScroll = 2104, crkcRightScroll = 2105, crkcDownScroll = 2106, crkcLeftScroll = 2107,
                  crkcRemove = 2108, crkcVertSize = 2109, crkcHorzSize = 2110, crkcMultiDrag = 2111, crkcNoDrop = 2112,
                  crkcDrag = 2113, crkcHandPoint = -2099;
// Registers the library cursors with the screen (once).
void RegisterLibraryCursors();

struct IkcFontListener : IInterface {
  VT_INTERFACE("{B144AB58-9C2F-4D44-8C27-1F6CCD0A4C11}")
  virtual void FontChanged(TObject* Sender, TFont* AFont) = 0;
};

struct IkcMouseCaptureObject : IInterface {
  VT_INTERFACE("{ACB73657-6066-4564-9A3D-D4D0273AA82F}")
  virtual void CaptureLost() = 0;
};

struct IkcLookAndFeelOwner : IInterface {
  VT_INTERFACE("{6065B58B-C557-4464-A67D-64183FD13F25}")
  virtual TkcLookAndFeel* GetLookAndFeel() = 0;
};

enum TkcControlBorderStyle { kccbsNone, kccbsDefault };
enum TkcKey { kAll, kArrows, kChars, kTab };
using TkcControlKeys = TSet<TkcKey, 4>;

// ---- Embedded scroll bars -------------------------------------------------------------------

struct TkcScrollBarData {
  int Min = 0, Max = 100, Position = 0, PageSize = 0;
  int SmallChange = 1, LargeChange = 1;
  bool Enabled = true, Visible = false, AllowShow = true, AllowHide = true;
};

class TkcControlScrollBar : public TkcScrollBar {
  VT_CLASS(TkcControlScrollBar, TkcScrollBar)
public:
  explicit TkcControlScrollBar(TComponent* AOwner);
  TkcScrollBarData Data;
  void ApplyData();
  void Dispatch(TMessage& Message) override;

protected:
  virtual void FocusParent();
};

class TkcSizeGrip : public TCustomControl {
  VT_CLASS(TkcSizeGrip, TCustomControl)
public:
  explicit TkcSizeGrip(TComponent* AOwner);

protected:
  void Paint() override;
};

// ---- Library drag and drop ------------------------------------------------------------------

class TkcDragAndDropObject : public TObject {
  VT_CLASS(TkcDragAndDropObject, TObject)
public:
  using TConstructorArgs = std::tuple<TkcControl*>;
  explicit TkcDragAndDropObject(TkcControl* AControl);
  TkcControl* Control() const { return fControl; }
  TkcCanvas* Canvas() const { return fCanvas; }
  bool Dirty() const { return fDirty; }
  void SetDirty(bool Value);
  TPoint CurMousePos{-1, -1};
  TPoint PrevMousePos{-1, -1};

  virtual void DirtyChanged() {}
  virtual TCursor GetDragAndDropCursor(bool Accepted) { return Accepted ? crDrag : crNoDrop; }
  virtual bool GetImmediateStart() { return false; }
  virtual void AfterDragAndDrop(bool /*Accepted*/) {}
  virtual void BeginDragAndDrop() { DirtyChanged(); }
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool /*Accepted*/) { SetDirty(true); }

  void DoBeginDragAndDrop();
  void DoDragAndDrop(const TPoint& P, bool& Accepted);
  void DoEndDragAndDrop(bool Accepted);

private:
  TkcControl* fControl;
  TkcCanvas* fCanvas;
  bool fDirty = false;
};
using TkcDragAndDropObjectClass = TClassOf<TkcDragAndDropObject, TkcControl*>;

// 0 none, 1 starting (pressed, waiting for the threshold), 2 dragging.
enum TkcDragAndDropState { ddsNone, ddsStarting, ddsInProcess };

class TkcDragControlObject : public TDragControlObject {
  VT_CLASS(TkcDragControlObject, TDragControlObject)
public:
  explicit TkcDragControlObject(TControl* AControl) : TDragControlObject(AControl) {}
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  // The framework's handling, then the object frees itself (the control made it).
  void Finished(TObject* Target, int X, int Y, bool Accepted) override;
};

class TkcDragImageList : public TDragImageList {
  VT_CLASS(TkcDragImageList, TDragImageList)
public:
  explicit TkcDragImageList(TComponent* AOwner) : TDragImageList(AOwner) {}
};
using TkcDragImageListClass = TClassOf<TkcDragImageList, TComponent*>;

// ---- The base control -----------------------------------------------------------------------

using TkcScrollDirection = int;  // 0 none, 1 left, 2 right, 3 up, 4 down

class TkcControl : public TCustomControl, public IkcLookAndFeelOwner {
  VT_CLASS(TkcControl, TCustomControl)
public:
  explicit TkcControl(TComponent* AOwner);
  ~TkcControl() override;
  void BeforeDestruction() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  TkcControlBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TkcControlBorderStyle Value);
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  void SetLookAndFeel(TkcLookAndFeel* Value) { fLookAndFeel->Assign(Value); }
  // A popup menu of the framework or any component with the popup-menu interface; others read nil.
  TComponent* PopupMenu() const { return fPopupMenu; }
  void SetPopupMenu(TComponent* Value);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  bool FocusOnClick = true;
  TkcControlKeys Keys() const { return fKeys; }
  void SetKeys(TkcControlKeys Value) { fKeys = Value; }
  TNotifyEvent OnFocusChanged;

  TkcCanvas* Canvas() const { return fCanvas.get(); }
  TkcCanvas* GetDrawingCanvas();
  TkcControlScrollBar* HScrollBar() const { return fHScrollBar; }
  TkcControlScrollBar* VScrollBar() const { return fVScrollBar; }
  TkcSizeGrip* SizeGrip() const { return fSizeGrip; }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  bool IsMiddleScrolling() const { return fMiddleScrolling; }
  TkcDragAndDropState DragAndDropState() const { return fDragAndDropState; }
  void SetDragAndDropState(TkcDragAndDropState Value);
  TkcDragAndDropObjectClass DragAndDropObjectClass;
  TkcDragAndDropObject* GetDragAndDropObject();
  bool HasDragAndDropObject() const { return fDragAndDropObject != nullptr; }
  void FinishDragAndDrop(bool Accepted);

  void AddFontListener(IkcFontListener* AListener);
  void RemoveFontListener(IkcFontListener* AListener);
  void SetMouseCaptureObject(TObject* AObject);
  TObject* MouseCaptureObject() const { return fMouseCaptureObject; }
  void InvalidateRect(const TRect& R, bool AErase);
  void InvalidateRegion(TkcRegion* ARegion, bool AErase);
  bool IsInDragThreshold(int X, int Y) const { return ::IsInDragThreshold(fMouseDownPos, X, Y); }
  void PostMouseMove();

  // Scroll bars.
  void BeginScrollBarsUpdate();
  void EndScrollBarsUpdate();
  void SetScrollBarInfo(TScrollBarKind AKind, int AMin, int AMax, int AStep, int APage, int APos, bool AAllowShow,
                        bool AAllowHide);
  bool GetHScrollBarVisible() const;
  bool GetVScrollBarVisible() const;
  void ScrollContent(TkcScrollDirection ADirection);
  void ScrollWindow(int DX, int DY, const TRect& R);
  virtual void UpdateScrollBars();

  // The slots of the control, with their defaults.
  virtual bool DoShowPopupMenu(TComponent* AMenu, int X, int Y) { return ShowPopupMenu(this, AMenu, X, Y); }
  virtual void ParentBackgroundChanged() {}
  virtual void AfterMouseDown(TMouseButton AButton, int X, int Y);
  virtual bool AllowDragAtDesignTime(int, int, TShiftState) { return true; }
  virtual void BeforeMouseDown(TMouseButton, TShiftState, int, int) {}
  virtual void BringInternalControlsToFront();
  virtual void EndMouseOperations();
  virtual bool CanFocusOnClick();
  virtual bool CanFocusOnClickAt(int, int) { return CanFocusOnClick(); }
  virtual bool FocusWhenChildIsClicked(TControl*) { return CanFocusOnClick(); }
  virtual int GetBorderSize();
  virtual TRect GetBounds();
  virtual TRect GetClientBounds();
  virtual TCursor GetCurrentCursor(int, int) { return fNormalCursor; }
  virtual bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  virtual bool IsFocused() { return Focused(); }
  // 0 none, 1 horizontal, 2 vertical.
  virtual int GetMouseWheelScrollingKind() { return GetVScrollBarVisible() ? 2 : 0; }
  virtual bool NeedsEraseBackground() { return false; }
  virtual void InitScrollBarsParent();
  virtual bool IsInternalControl(TControl* AControl) const;
  TkcLookAndFeel* GetLookAndFeel() override { return fLookAndFeel.get(); }
  virtual TkcLookAndFeelPainterClass GetPainter() { return fLookAndFeel->Painter(); }
  virtual void LookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues) {}
  virtual TRect GetHScrollBarBounds();
  virtual TRect GetSizeGripBounds();
  virtual TRect GetVScrollBarBounds();
  virtual void InitScrollBarsParameters() {}
  virtual bool IsPixelScrollBar(TScrollBarKind) { return false; }
  virtual bool HasScrollBars() { return true; }
  virtual bool KeepInternalControlsOnTop() { return !IsDesigning(); }
  virtual void Scroll(TScrollBarKind, TScrollCode, int&) {}
  virtual void SetInternalControlsBounds();
  virtual TkcDragAndDropObjectClass GetDragAndDropObjectClass();
  virtual void DrawDragImage(TkcCanvas*, const TRect&) {}
  virtual TkcDragImageListClass GetDragImagesClass() { return TkcDragImageList::StaticClass(); }
  virtual TSize GetDragImagesSize() { return TSize{0, 0}; }
  virtual bool HasDragImages() { return false; }
  virtual void InitDragImages(TDragImageList* AImageList);
  TDragImageList* GetDragImages() override;
  virtual bool CanFocusEx();
  virtual bool MayDragAt(int X, int Y);

  // Dynamic methods.
  virtual void BoundsChanged() { UpdateScrollBars(); }
  virtual bool CanDrag(int, int) { return fDragAndDropState == ddsNone; }
  virtual void DoCancelMode();
  virtual void FocusChanged();
  virtual void FontChanged();
  virtual bool MayFocus() { return true; }
  virtual void MouseEnter(TControl*);
  virtual void MouseLeave(TControl*);
  virtual bool AllowMouseDownWhenNotFocused() { return false; }
  virtual bool StartDragAndDrop(const TPoint&) { return false; }
  virtual void BeginDragAndDrop();
  virtual void DragAndDrop(const TPoint& P, bool& Accepted);
  virtual void EndDragAndDrop(bool Accepted);
  virtual bool AllowStartDrag(TDragObject*) { return true; }
  virtual void AddChildComponent(TkcControlChildComponent* AComponent);
  virtual void RemoveChildComponent(TkcControlChildComponent* AComponent);

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void BeginAutoDrag() override {}
  void DoStartDrag(TDragObject*& DragObject) override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DoEndDrag(TObject* Target, int X, int Y) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  void Resize() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void DoContextPopup(TPoint MousePos, bool& Handled) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The middle-button scrolling mode; returns when it ends.
  void DoMiddleButtonScrolling();

private:
  void CreateScrollBars();
  void DestroyScrollBars();
  void ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void HandleMouseDownMessage(TMessage& Message);
  void ContextMenuMessage(TMessage& Message);
  LRESULT DialogCodeOfKeys();
  bool IsPopupShortCutFired(TMessage& Message);
  bool HasBars() const { return fHScrollBar && fVScrollBar && fSizeGrip; }
  TkcScrollBarData& Data(TScrollBarKind AKind) { return AKind == sbHorizontal ? fHScrollBar->Data : fVScrollBar->Data; }

  std::unique_ptr<TkcCanvas> fCanvas;
  std::unique_ptr<TkcScreenCanvas> fScreenCanvas;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  TkcControlBorderStyle fBorderStyle = kccbsNone;
  TComponent* fPopupMenu = nullptr;
  TScrollStyle fScrollBars = ssBoth;
  TkcControlKeys fKeys;
  TCursor fNormalCursor = crDefault;
  std::vector<IkcFontListener*> fFontListeners;
  TkcControlScrollBar* fHScrollBar = nullptr;
  TkcControlScrollBar* fVScrollBar = nullptr;
  TkcSizeGrip* fSizeGrip = nullptr;
  int fScrollBarsLockCount = 0;
  bool fScrollBarsUpdateNeeded = false;
  bool fUpdatingScrollBars = false;
  bool fCalculatingScrollBarsParams = false;
  bool fHScrollBarWasVisible = false, fVScrollBarWasVisible = false;
  bool fScrollBarsStable = false;
  // Counts the calls into the drag-and-drop object that are on the stack.
  class ObjectCall {
  public:
    explicit ObjectCall(TkcControl* AControl);
    ~ObjectCall();

  private:
    TkcControl* fControl;
    TkcObjectLinkScope fLink;
  };
  std::unique_ptr<TkcDragAndDropObject> fDragAndDropObject;
  int fDragAndDropObjectCalls = 0;
  bool fFreeDragAndDropObject = false;
  std::unique_ptr<TDragImageList> fDragImages;
  TkcDragAndDropState fDragAndDropState = ddsNone;
  TCursor fDragAndDropPrevCursor = crDefault;
  bool fFinishingDragAndDrop = false;
  TObject* fMouseCaptureObject = nullptr;
  TPoint fMouseDownPos{};
  bool fMouseButtonPressed = false;
  bool fLastParentBackground = true;
  bool fMiddleScrolling = false;
  bool fDragRefused = false;
};

// A component that belongs to a control without being a child window (grid levels and views).
class TkcControlChildComponent : public TkcComponent {
  VT_CLASS(TkcControlChildComponent, TkcComponent)
public:
  explicit TkcControlChildComponent(TComponent* AOwner);
  // Owned by the control's owner when AAssignOwner, else by nobody; then tied to the control.
  TkcControlChildComponent(TkcControl* AControl, bool AAssignOwner);
  ~TkcControlChildComponent() override;
  TkcControl* Control() const { return fControl; }
  virtual void SetControl(TkcControl* AControl);
  virtual bool GetIsDestroying() { return ComponentState().Contains(csDestroying); }
  bool GetIsLoading() const { return ComponentState().Contains(csLoading); }
  void SetParentComponent(TComponent* Value);
  TComponent* GetParentComponent() const { return fControl; }
  bool HasParent() const { return fControl != nullptr; }

protected:
  virtual void Initialize() {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TkcControl* fControl = nullptr;
};

// The framework drag object last seen over a library control (cleared when the drag leaves,
// ends or its object is finished).
TDragObject* CurrentDragObject();
