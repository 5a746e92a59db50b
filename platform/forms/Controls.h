#pragma once
// The framework's control model over our window layer.
//
// TControl is any visual element; TWinControl owns a window and its child controls;
// TGraphicControl is drawn on its parent's window; TCustomControl is a window with a Canvas.
// Message dispatch: the window procedure calls the virtual WndProc, which pre-processes
// (mouse, keys, double clicks) and calls Dispatch. A class handles each message in a method
// of its own (WMPaint, CMEnter, ...) listed in its message table (TMessageMethod); its
// Dispatch looks the message up there and passes anything else to the base class's Dispatch,
// down to the root's DefaultHandler (the default window procedure). Inside a handler,
// Base::Dispatch(m) is the inherited handling of that same message. WndProc, Dispatch and
// DefaultHandler stay virtual: a control may still override them with a switch of its own
// that ends in the base's. Property setters send the CM_ messages; the parent passes
// CM_PARENTFONTCHANGED and CM_PARENTCOLORCHANGED on to children that follow it.
//
// Keys: a control receiving WM_KEYDOWN (WM_SYSKEYDOWN, WM_CHAR) first performs CN_KEYDOWN
// (CN_SYSKEYDOWN, CN_CHAR) on itself; a non-zero result eats the key (and its character).
// CN_KEYDOWN offers navigation keys to the form as CM_DIALOGKEY unless the control wants them
// (WM_GETDLGCODE); CN_CHAR (a character the control does not want) and CN_SYSCHAR offer the
// character to the form's controls as CM_DIALOGCHAR (accelerators).

#include <functional>
#include <memory>
#include <vector>

#include "platform/core/Alignment.h"
#include "platform/core/Classes.h"
#include "platform/forms/Graphics.h"
#include "platform/win/Windows.h"

class TWinControl;
class TCustomForm;

// One entry of a class's message table: the message and the method that handles it.
template <class T>
struct TMessageMethod {
  UINT Msg;
  void (T::*Method)(TMessage&);
};
// Calls the table's method for the message; false when the table has none.
template <class T, std::size_t N>
bool DispatchMessageMethod(T& self, const TMessageMethod<T> (&table)[N], TMessage& m) {
  for (const TMessageMethod<T>& e : table)
    if (e.Msg == m.Msg) {
      (self.*e.Method)(m);
      return true;
    }
  return false;
}
class TPopupMenu;
class TDragObject;
class TBasicAction;
class TControlCanvas;

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient, alCustom };
enum TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind, 4>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
enum TDragMode { dmManual, dmAutomatic };
enum TDragState { dsDragEnter, dsDragLeave, dsDragMove };
enum TDragKind { dkDrag, dkDock };
enum TBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TVerticalAlignment { taAlignTop, taAlignBottom, taVerticalCenter };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };

using TCursor = short;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4, crSize = -22, crSizeNESW = -6,
                  crSizeNS = -7, crSizeNWSE = -8, crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crDrag = -12,
                  crNoDrop = -13, crHSplit = -14, crVSplit = -15, crMultiDrag = -16, crSQLWait = -17, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21, crSizeAll = -22;

enum TControlStyleItem {
  csAcceptsControls,
  csCaptureMouse,
  csDesignInteractive,
  csClickEvents,
  csFramed,
  csSetCaption,
  csOpaque,
  csDoubleClicks,
  csFixedWidth,
  csFixedHeight,
  csNoDesignVisible,
  csReplicatable,
  csNoStdEvents,
  csDisplayDragImage,
  csReflector,
  csActionClient,
  csMenuEvents,
  csNeedsBorderPaint,
  csParentBackground
};
using TControlStyle = TSet<TControlStyleItem, 32>;
enum TControlStateItem {
  csLButtonDown,
  csClicked,
  csPalette,
  csReadingState,
  csAlignmentNeeded,
  csFocusing,
  csCreating,
  csPaintCopy,
  csCustomPaint,
  csDestroyingHandle,
  csDocking
};
using TControlState = TSet<TControlStateItem, 16>;

using TMouseEvent = TEvent<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = TEvent<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TMouseWheelEvent =
    TEvent<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TMouseWheelUpDownEvent = TEvent<void(TObject* Sender, TShiftState Shift, TPoint MousePos, bool& Handled)>;
using TKeyEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = TEvent<void(TObject* Sender, char32_t& Key)>;
using TContextPopupEvent = TEvent<void(TObject* Sender, TPoint MousePos, bool& Handled)>;
using TDragOverEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y, TDragState State, bool& Accept)>;
using TDragDropEvent = TEvent<void(TObject* Sender, TObject* Source, int X, int Y)>;
using TStartDragEvent = TEvent<void(TObject* Sender, TDragObject*& DragObject)>;
using TEndDragEvent = TEvent<void(TObject* Sender, TObject* Target, int X, int Y)>;

// Shift state from the keyboard (and the mouse buttons).
TShiftState KeysToShiftState(WORD keys);
TShiftState KeyDataToShiftState();
TShiftState GetShiftState();

struct TCreateParams {
  String Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent;
  void* Param = nullptr;
  WNDCLASS WindowClass;
  String WinClassName;
};

class TSizeConstraints : public TPersistent {
  VT_CLASS(TSizeConstraints, TPersistent)
public:
  int MinWidth = 0, MinHeight = 0, MaxWidth = 0, MaxHeight = 0;  // 0: no limit
  void Apply(int& w, int& h) const;
};

// ---- TControl -------------------------------------------------------------------------------

class TControl : public TComponent {
  VT_CLASS(TControl, TComponent)
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;
  void BeforeDestruction() override;

  TWinControl* Parent() const { return fParent; }
  virtual void SetParent(TWinControl* AParent);
  int Left() const { return fLeft; }
  int Top() const { return fTop; }
  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  void SetLeft(int v) { SetBounds(v, fTop, fWidth, fHeight); }
  void SetTop(int v) { SetBounds(fLeft, v, fWidth, fHeight); }
  void SetWidth(int v) { SetBounds(fLeft, fTop, v, fHeight); }
  void SetHeight(int v) { SetBounds(fLeft, fTop, fWidth, v); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(fLeft, fTop, fWidth, fHeight); }
  void SetBoundsRect(const TRect& r) { SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top); }
  virtual TRect ClientRect();
  int ClientWidth() { return ClientRect().right; }
  int ClientHeight() { return ClientRect().bottom; }
  void SetClientWidth(int v) { SetClientSize(v, ClientHeight()); }
  void SetClientHeight(int v) { SetClientSize(ClientWidth(), v); }
  virtual void SetClientSize(int w, int h);
  TPoint ClientOrigin();  // screen coordinates of the client's (0, 0)
  TPoint ClientToScreen(TPoint p);
  TPoint ScreenToClient(TPoint p);
  TPoint ClientToParent(TPoint p, TWinControl* AParent = nullptr);

  TAlign Align() const { return fAlign; }
  void SetAlign(TAlign v);
  TAnchors Anchors() const { return fAnchors; }
  void SetAnchors(TAnchors v) { fAnchors = v; }
  TSizeConstraints* Constraints() { return &fConstraints; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool v);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible with every parent up to a shown window.
  bool Showing() const;
  bool Enabled() const { return fEnabled; }
  virtual void SetEnabled(bool v);
  TColor Color() const { return fColor; }
  void SetColor(TColor v);
  bool ParentColor() const { return fParentColor; }
  void SetParentColor(bool v);
  TFont* Font() { return fFont.get(); }
  void SetFont(TFont* v) { fFont->Assign(v); }
  bool ParentFont() const { return fParentFont; }
  void SetParentFont(bool v);
  TCursor Cursor() const { return fCursor; }
  void SetCursor(TCursor v);
  TCursor DragCursor() const { return fDragCursor; }
  void SetDragCursor(TCursor v) { fDragCursor = v; }
  TDragMode DragMode() const { return fDragMode; }
  void SetDragMode(TDragMode v) { fDragMode = v; }
  TDragKind DragKind() const { return dkDrag; }
  const String& Hint() const { return fHint; }
  void SetHint(const String& v) { fHint = v; }
  bool ShowHint() const { return fShowHint; }
  void SetShowHint(bool v) {
    fShowHint = v;
    fParentShowHint = false;
  }
  bool ParentShowHint() const { return fParentShowHint; }
  void SetParentShowHint(bool v) { fParentShowHint = v; }
  TPopupMenu* PopupMenu() const { return fPopupMenu; }
  void SetPopupMenu(TPopupMenu* v);
  // Caption and Text are one string.
  String Text() { return GetText(); }
  void SetText(const String& v) { SetTextValue(v); }
  String Caption() { return GetText(); }
  void SetCaption(const String& v) { SetTextValue(v); }
  TControlStyle ControlStyle() const { return fControlStyle; }
  void SetControlStyle(TControlStyle v) { fControlStyle = v; }
  TControlState ControlState() const { return fControlState; }
  void SetControlState(TControlState v) { fControlState = v; }
  bool MouseCapture();
  void SetMouseCapture(bool v);
  bool IsRightToLeft() const { return false; }
  String HelpKeyword;
  int HelpContext = 0;

  // Sends the message straight to the control's WndProc.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  virtual void WndProc(TMessage& Message);
  virtual void Dispatch(TMessage& Message);
  virtual void DefaultHandler(TMessage& Message);
  // The default processing of a message (the default window procedure for windows).
  void DefWndProc(TMessage& Message) { DefaultHandler(Message); }

  virtual void Invalidate();
  virtual void Update();
  virtual void Repaint();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();
  virtual bool Focused() { return false; }
  // A standard action asks the focused control first: a control that knows the action runs
  // (or updates) it and answers true. By default, when the action handles this control as
  // its target.
  virtual bool ExecuteAction(TBasicAction* Action);
  virtual bool UpdateAction(TBasicAction* Action);
  virtual void Click();
  virtual void DblClick();
  void BeginDrag(bool Immediate, int Threshold = -1);
  // The automatic drag of dmAutomatic controls (starts after the mouse's drag threshold).
  virtual void BeginAutoDrag() { BeginDrag(false); }
  // The images shown while dragging (none by default).
  virtual class TDragImageList* GetDragImages() { return nullptr; }
  void EndDrag(bool Drop);
  bool Dragging() const;
  // Whether the form of the control is the active one and the control in it can receive input.
  bool HasParent() const { return fParent != nullptr; }
  TCustomForm* GetParentForm() const;
  // The same form as a window control (what the control model itself needs of it).
  TWinControl* ParentFormControl() const;

  TNotifyEvent OnClick, OnDblClick, OnResize;
  TMouseEvent OnMouseDown, OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter, OnMouseLeave;
  TMouseWheelEvent OnMouseWheel;
  TMouseWheelUpDownEvent OnMouseWheelDown, OnMouseWheelUp;
  TContextPopupEvent OnContextPopup;
  TDragOverEvent OnDragOver;
  TDragDropEvent OnDragDrop;
  TStartDragEvent OnStartDrag;
  TEndDragEvent OnEndDrag;

  // Drag protocol (the drag manager calls these).
  virtual void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept);
  virtual void DragDrop(TObject* Source, int X, int Y);
  virtual void DoStartDrag(TDragObject*& DragObject);
  virtual void DoEndDrag(TObject* Target, int X, int Y);
  virtual void DragCanceled() {}

protected:
  virtual String GetText();
  virtual void SetTextValue(const String& v);
  virtual void Paint() {}
  virtual void Resize();
  // Asked before every change of size (by the program or by a window move); it may adjust the
  // new size, or answer false to keep the current one. The size constraints apply after it.
  virtual bool CanResize([[maybe_unused]] int& NewWidth, [[maybe_unused]] int& NewHeight) { return true; }
  // The size a control gets for a requested size: CanResize, then the constraints.
  void CheckNewSize(int& NewWidth, int& NewHeight);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);
  virtual bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos);
  virtual bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos);
  virtual void DoContextPopup(TPoint MousePos, bool& Handled);
  virtual void ChangeScale(int, int) {}
  virtual void VisibleChanging() {}
  virtual void RequestAlign();
  virtual void Changed() {}
  void FontChanged(TObject* Sender);
  void InvalidateControl(bool IsVisible, bool IsOpaque);
  // Message methods (see Dispatch).
  void WMMouse(TMessage& m);
  void WMMouseWheel(TMessage& m);
  void CMAppearanceChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMParentColorChanged(TMessage& m);
  void CMParentFontChanged(TMessage& m);
  void CMMouseEnter(TMessage& m);
  void CMMouseLeave(TMessage& m);
  void CMHitTest(TMessage& m);
  friend class TWinControl;
  friend class TApplication;
  friend class TDragManager;

  TWinControl* fParent = nullptr;
  int fLeft = 0, fTop = 0, fWidth = 0, fHeight = 0;
  TAlign fAlign = alNone;
  TAnchors fAnchors{akLeft, akTop};
  TSizeConstraints fConstraints;
  bool fVisible = true, fEnabled = true;
  TColor fColor = clWindow;
  bool fParentColor = true, fParentFont = true, fParentShowHint = true, fShowHint = false;
  std::unique_ptr<TFont> fFont;
  TCursor fCursor = crDefault, fDragCursor = crDrag;
  TDragMode fDragMode = dmManual;
  String fHint, fText;
  TPopupMenu* fPopupMenu = nullptr;
  TControlStyle fControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
  TControlState fControlState;
  int fAlignOrder = 0;

  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void HandleMouse(TMessage& m);
  void SetParentFontFrom(TFont* f);
};

// ---- TWinControl ----------------------------------------------------------------------------

class TWinControl : public TControl {
  VT_CLASS(TWinControl, TControl)
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;
  void BeforeDestruction() override;

  // Creates the window (and the parents' windows) on demand.
  HWND Handle();
  bool HandleAllocated() const;
  void HandleNeeded() { Handle(); }
  // A window owned by this (not a child) is parented to this value when the control has no parent.
  HWND ParentWindow() const { return fParentWindow; }
  void SetParentWindow(HWND v) { fParentWindow = v; }
  void RecreateWnd();

  int ControlCount() const { return static_cast<int>(fControls.size()); }
  TControl* Controls(int i) const { return fControls[i]; }
  void InsertControl(TControl* c);
  void RemoveControl(TControl* c);
  bool ContainsControl(TControl* c) const;
  // The control at a client point (graphic controls and, with AllowWinControls, windows).
  TControl* ControlAtPos(TPoint p, bool AllowDisabled, bool AllowWinControls = false);
  TWinControl* FindChildControl(const String& name) const;

  bool TabStop() const { return fTabStop; }
  void SetTabStop(bool v);
  int TabOrder() const;
  void SetTabOrder(int v);
  // Window children in tab order, recursively.
  void GetTabOrderList(std::vector<TWinControl*>& list);
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop, bool CheckParent);
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);
  virtual bool CanFocus();
  virtual void SetFocus();
  bool Focused() override;
  TBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TBorderStyle v);
  bool Ctl3D() const { return true; }
  bool ParentBackground() const { return fControlStyle.Contains(csParentBackground); }
  void SetParentBackground(bool v);
  bool DoubleBuffered = false;
  int BorderWidth() const { return fBorderWidth; }
  void SetBorderWidth(int v);

  void DisableAlign() { ++fAlignLevel; }
  void EnableAlign();
  void Realign();
  void ScaleBy(int, int) {}
  void PaintTo(HDC dc, int X, int Y);
  void Broadcast(TMessage& m);
  void Invalidate() override;
  void Update() override;
  void Repaint() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void SetEnabled(bool v) override;
  void SetClientSize(int w, int h) override;
  TRect ClientRect() override;
  void Dispatch(TMessage& Message) override;
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

  TNotifyEvent OnEnter, OnExit;
  TKeyEvent OnKeyDown, OnKeyUp;
  TKeyPressEvent OnKeyPress;

  // The object of a window created by this layer, or null.
  static TWinControl* FromHandle(HWND wnd);

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateWindowHandle(const TCreateParams& Params);
  virtual void CreateHandle();
  virtual void DestroyWnd();
  virtual void DestroyWindowHandle();
  virtual void DestroyHandle();
  virtual void CreateWindowDone() {}
  virtual void AlignControls(TControl* AControl, TRect& Rect);
  virtual void AdjustClientRect(TRect& Rect);
  virtual void PaintWindow(HDC dc);
  void PaintControls(HDC dc, TControl* First);
  void PaintHandler(HDC dc, const RECT* clip);
  virtual void DoEnter();
  virtual void DoExit();
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char32_t& Key);
  virtual bool DoKeyDown(TMessage& m);
  virtual bool DoKeyUp(TMessage& m);
  virtual bool DoKeyPress(TMessage& m);
  // Whether the control handles the key itself instead of offering it to the form.
  virtual LRESULT DialogCode() { return 0; }
  virtual void UpdateWindowPlacement();
  void UpdateShowing();
  void AlignChildren();
  void AnchorChildren(int oldW, int oldH);
  // Message methods (see Dispatch).
  void WMChildNotify(TMessage& m);
  void WMPaint(TMessage& m);
  void WMEraseBkgnd(TMessage& m);
  void WMPrint(TMessage& m);
  void WMSetFocus(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMKeyUp(TMessage& m);
  void WMChar(TMessage& m);
  void WMGetDlgCode(TMessage& m);
  void CMEnter(TMessage& m);
  void CMExit(TMessage& m);
  void CMDialogKey(TMessage& m);
  void CMColorChanged(TMessage& m);
  void CMFontChanged(TMessage& m);
  void CMEnabledChanged(TMessage& m);
  void CMVisibleChanged(TMessage& m);
  void CMTextChanged(TMessage& m);
  void WMSetText(TMessage& m);
  void WMWindowPosChanging(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void WMSetCursor(TMessage& m);
  void WMContextMenu(TMessage& m);
  void WMCancelMode(TMessage& m);
  bool fTabStop = false;
  TBorderStyle fBorderStyle = bsNone;
  int fBorderWidth = 0;

private:
  static LRESULT InitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam);
  void MainWndProc(TMessage& m);
  void CNKeyDown(TMessage& m);
  void CNChar(TMessage& m);
  void CNSysChar(TMessage& m);
  void UpdateTabOrderInsert(TWinControl* c);
  HWND fHandle;
  HWND fParentWindow;
  std::vector<TControl*> fControls;  // every child, in z order (back first)
  std::vector<TWinControl*> fTabList;
  int fAlignLevel = 0;
  bool fAligning = false;
  int fOldClientW = 0, fOldClientH = 0;
  friend class TControl;
  friend class TCustomForm;
};

// ---- TGraphicControl, TCustomControl --------------------------------------------------------

class TControlCanvas : public TCanvas {
  VT_CLASS(TControlCanvas, TCanvas)
public:
  ~TControlCanvas() override;
  TControl* Control() const { return fControl; }
  void SetControl(TControl* c);
  void FreeHandle();
  // Restricts drawing to the control's area (graphic controls draw on the parent's window).
  void UpdateTextFlags() {}

protected:
  void CreateHandle() override;

private:
  TControl* fControl = nullptr;
  HDC fDC;
  HWND fWindow;
};

class TGraphicControl : public TControl {
  VT_CLASS(TGraphicControl, TControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;
  TCanvas* Canvas() { return fCanvas.get(); }
  void Dispatch(TMessage& Message) override;

protected:
  std::unique_ptr<TControlCanvas> fCanvas;
};

class TCustomControl : public TWinControl {
  VT_CLASS(TCustomControl, TWinControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;
  TCanvas* Canvas() { return fCanvas.get(); }

protected:
  void PaintWindow(HDC dc) override;
  std::unique_ptr<TControlCanvas> fCanvas;
};

using TWinControlClass = TClassOf<TWinControl, TComponent*>;

// ---- drag objects ---------------------------------------------------------------------------

class TDragObject : public TObject {
  VT_CLASS(TDragObject, TObject)
public:
  virtual TCursor GetDragCursor(bool Accepted, int /*X*/, int /*Y*/) { return Accepted ? crDrag : crNoDrop; }
  virtual void HideDragImage() {}
  virtual void ShowDragImage() {}
  virtual void Finished(TObject* /*Target*/, int /*X*/, int /*Y*/, bool /*Accepted*/) {}
  TObject* DragTarget = nullptr;
  TPoint DragPos;
  bool Cancelling = false;
  bool Dropped = false;
};

class TDragControlObject : public TDragObject {
  VT_CLASS(TDragControlObject, TDragObject)
public:
  explicit TDragControlObject(TControl* AControl) : fControl(AControl) {}
  TControl* Control() const { return fControl; }
  TCursor GetDragCursor(bool Accepted, int X, int Y) override;
  void Finished(TObject* Target, int X, int Y, bool Accepted) override;

private:
  TControl* fControl;
};

// The drag in progress, if any.
TDragObject* DragObject();
bool IsDragging();
// Cancels the drag in progress (Escape, or a lost capture).
void CancelDrag();

// ---- helpers --------------------------------------------------------------------------------

// The framework control of a window, or the nearest framework ancestor window.
TWinControl* FindControl(HWND wnd);
// The control (graphic controls included) under a screen point.
TControl* FindDragTarget(TPoint pos, bool AllowDisabled);
// The control that holds the mouse capture.
TControl* GetCaptureControl();
void SetCaptureControl(TControl* c);
// The position a scroll message to `c`'s `bar` (SB_VERT, SB_HORZ) asks for (its SB_ code in
// the low word of wParam), moving by `line` or `page`; SB_BOTTOM answers `last`. A thumb
// drag answers the bar's full 32-bit track position. The caller clamps.
int ScrollMessagePos(TWinControl* c, int bar, WPARAM wParam, int pos, int line, int page, int last);
// Sets a window's vertical bar: `count` units, `page` of them shown, from `pos`.
void SetVertScrollBar(HWND wnd, int count, int page, int pos);
// The window layer's cursor for a framework cursor value.
HCURSOR CursorHandle(TCursor c);
