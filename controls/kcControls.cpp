#include "controls/kcControls.h"

#include <algorithm>

#include "platform/gdi/GdiResources.h"

namespace {

TDragObject* gCurrentDragObject = nullptr;

TMouseButton ButtonOfMessage(UINT AMsg) {
  switch (AMsg) {
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: return mbRight;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK: return mbMiddle;
    default: return mbLeft;
  }
}

bool IsButtonDown(UINT AMsg) {
  return AMsg == WM_LBUTTONDOWN || AMsg == WM_LBUTTONDBLCLK || AMsg == WM_RBUTTONDOWN || AMsg == WM_RBUTTONDBLCLK ||
         AMsg == WM_MBUTTONDOWN || AMsg == WM_MBUTTONDBLCLK;
}

}  // namespace

TDragObject* CurrentDragObject() { return gCurrentDragObject; }

void RegisterLibraryCursors() {
  static bool done = false;
  if (done || !Screen) return;
  done = true;
  static const char* const names[] = {
      "KC_DRAGCOPYCURSOR",    "KC_FULLSCROLLCURSOR", "KC_HORSCROLLCURSOR",  "KC_VERSCROLLCURSOR", "KC_UPSCROLLCURSOR",
      "KC_RIGHTSCROLLCURSOR", "KC_DOWNSCROLLCURSOR", "KC_LEFTSCROLLCURSOR", "KC_REMOVECURSOR",    "KC_VERTSIZECURSOR",
      "KC_HORZSIZECURSOR",    "KC_MULTIDRAGCURSOR",  "KC_NODROPCURSOR",     "KC_DRAGCURSOR"};
  for (int i = 0; i < 14; ++i) Screen->SetCursors(crkcDragCopy + i, LoadCursor(HINSTANCE(), names[i]));
  Screen->SetCursors(crkcHandPoint, LoadCursor(HINSTANCE(), IDC_HAND));
}

// ---- TkcControlScrollBar, TkcSizeGrip -------------------------------------------------------

TkcControlScrollBar::TkcControlScrollBar(TComponent* AOwner) : TkcScrollBar(AOwner) {
  SetColor(clBtnFace);
  TControlStyle style = ControlStyle();
  style.Exclude(csFramed);
  style.Include(csNoDesignVisible);
  SetControlStyle(style);
  SetTabStop(false);
  SetVisible(false);
}

void TkcControlScrollBar::ApplyData() {
  if (Data.Visible) {
    SetScrollParams(Data.Min, Data.Max, Data.Position, Data.PageSize);
    SmallChange = Data.SmallChange;
    LargeChange = Data.LargeChange;
  }
  SetEnabled(Data.Enabled);
  SetVisible(Data.Visible);
}

void TkcControlScrollBar::FocusParent() {
  TWinControl* parent = Parent();
  if (auto* control = dynamic_cast<TkcControl*>(parent)) {
    if (control->FocusWhenChildIsClicked(this)) control->SetFocus();
  } else if (parent && parent->CanFocus()) {
    parent->SetFocus();
  }
}

void TkcControlScrollBar::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DESIGNHITTEST) {
    Message.Result = 1;
    return;
  }
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    TkcObjectLinkScope link(this);
    FocusParent();
    if (!link.Alive()) return;
  }
  inherited::Dispatch(Message);
}

TkcSizeGrip::TkcSizeGrip(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clBtnFace);
  TControlStyle style = ControlStyle();
  style.Include(csNoDesignVisible);
  SetControlStyle(style);
  SetVisible(false);
}

void TkcSizeGrip::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

// ---- Library drag and drop objects ----------------------------------------------------------

TkcDragAndDropObject::TkcDragAndDropObject(TkcControl* AControl) : fControl(AControl), fCanvas(AControl->Canvas()) {}

void TkcDragAndDropObject::SetDirty(bool Value) {
  if (fDirty == Value) return;
  fDirty = Value;
  DirtyChanged();
}

void TkcDragAndDropObject::DragAndDrop(const TPoint&, bool& Accepted) {
  SetDirty(false);
  Screen->SetCursor(GetDragAndDropCursor(Accepted));
}

void TkcDragAndDropObject::DoBeginDragAndDrop() {
  CurMousePos = PrevMousePos = fControl->ScreenToClient(Mouse->CursorPos());
  BeginDragAndDrop();
}

void TkcDragAndDropObject::DoDragAndDrop(const TPoint& P, bool& Accepted) {
  PrevMousePos = CurMousePos;
  CurMousePos = P;
  DragAndDrop(P, Accepted);
}

void TkcDragAndDropObject::DoEndDragAndDrop(bool Accepted) {
  EndDragAndDrop(Accepted);
  AfterDragAndDrop(Accepted);
}

TCursor TkcDragControlObject::GetDragCursor(bool Accepted, int X, int Y) {
  if (Accepted && IsCtrlPressed()) return crkcDragCopy;
  return inherited::GetDragCursor(Accepted, X, Y);
}

void TkcDragControlObject::Finished(TObject* Target, int X, int Y, bool Accepted) {
  inherited::Finished(Target, X, Y, Accepted);
  if (gCurrentDragObject == this) gCurrentDragObject = nullptr;
  delete this;
}

// ---- TkcControl: life cycle -----------------------------------------------------------------

TkcControl::TkcControl(TComponent* AOwner)
    : TCustomControl(AOwner),
      fCanvas(std::make_unique<TkcCanvas>(TCustomControl::Canvas())),
      fLookAndFeel(std::make_unique<TkcLookAndFeel>(this)) {
  RegisterLibraryCursors();
  fNormalCursor = Cursor();
  fLookAndFeel->OnChanged = TkcLookAndFeelChangedEvent(this, &TkcControl::LookAndFeelChanged);
  SetTabStop(true);
  SetParentBackground(true);
}

TkcControl::~TkcControl() {
  if (Dragging()) EndDrag(false);
  DestroyScrollBars();
  fFontListeners.clear();
  fLookAndFeel->OnChanged = nullptr;
  fDragAndDropObject.reset();
  fScreenCanvas.reset();
  ClearObjectLinks(this);
}

void TkcControl::BeforeDestruction() {
  if (!IsDestroying()) Destroying();
  inherited::BeforeDestruction();
}

bool TkcControl::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcLookAndFeelOwner>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

void TkcControl::CreateScrollBars() {
  if (!HasScrollBars() || fHScrollBar) return;
  fHScrollBar = new TkcControlScrollBar(this);
  fHScrollBar->SetKind(sbHorizontal);
  fVScrollBar = new TkcControlScrollBar(this);
  fVScrollBar->SetKind(sbVertical);
  for (TkcControlScrollBar* bar : {fHScrollBar, fVScrollBar}) {
    bar->OnScroll = TScrollEvent(this, &TkcControl::ScrollBarScroll);
    bar->LookAndFeel()->SetMasterLookAndFeel(fLookAndFeel.get());
  }
  fSizeGrip = new TkcSizeGrip(this);
  GetSettingsController()->RegisterControl(this);
}

void TkcControl::DestroyScrollBars() {
  GetSettingsController()->UnregisterControl(this);
  // The parent frees its child windows before its destructor runs: each pointer is cleared
  // when its object goes (Notification).
  delete fSizeGrip;
  delete fVScrollBar;
  delete fHScrollBar;
}

void TkcControl::CreateParams(TCreateParams& Params) {
  // A constructor cannot ask a descendant: the style follows HasDragImages here.
  if (HasDragImages()) {
    TControlStyle style = ControlStyle();
    style.Include(csDisplayDragImage);
    SetControlStyle(style);
  }
  inherited::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN;
}

void TkcControl::CreateWnd() {
  inherited::CreateWnd();
  fScreenCanvas.reset();
  // Made with the window: a constructor cannot ask a descendant whether it has scroll bars.
  CreateScrollBars();
  InitScrollBarsParent();
}

void TkcControl::InitScrollBarsParent() {
  if (!HasBars()) return;
  fHScrollBar->SetParent(this);
  fVScrollBar->SetParent(this);
  fSizeGrip->SetParent(this);
}

TkcCanvas* TkcControl::GetDrawingCanvas() {
  if (HandleAllocated()) {
    fScreenCanvas.reset();
    return fCanvas.get();
  }
  if (!fScreenCanvas) fScreenCanvas = std::make_unique<TkcScreenCanvas>();
  return fScreenCanvas.get();
}

// ---- Properties -----------------------------------------------------------------------------

void TkcControl::SetBorderStyle(TkcControlBorderStyle Value) {
  if (fBorderStyle == Value) return;
  fBorderStyle = Value;
  BoundsChanged();
  Invalidate();
}

void TkcControl::SetScrollBars(TScrollStyle Value) {
  if (fScrollBars == Value) return;
  fScrollBars = Value;
  BoundsChanged();
}

void TkcControl::SetPopupMenu(TComponent* Value) {
  IkcPopupMenu* menu;
  if (Value && !dynamic_cast<TPopupMenu*>(Value) && !Supports(static_cast<TObject*>(Value), menu)) Value = nullptr;
  if (fPopupMenu == Value) return;
  if (fPopupMenu) fPopupMenu->RemoveFreeNotification(this);
  fPopupMenu = Value;
  if (fPopupMenu) fPopupMenu->FreeNotification(this);
}

void TkcControl::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == fPopupMenu) fPopupMenu = nullptr;
  if (AComponent == fHScrollBar) fHScrollBar = nullptr;
  if (AComponent == fVScrollBar) fVScrollBar = nullptr;
  if (AComponent == fSizeGrip) fSizeGrip = nullptr;
}

void TkcControl::AddFontListener(IkcFontListener* AListener) { fFontListeners.push_back(AListener); }

void TkcControl::RemoveFontListener(IkcFontListener* AListener) {
  fFontListeners.erase(std::remove(fFontListeners.begin(), fFontListeners.end(), AListener), fFontListeners.end());
}

void TkcControl::SetMouseCaptureObject(TObject* AObject) {
  if (fMouseCaptureObject == AObject) return;
  IkcMouseCaptureObject* previous;
  if (fMouseCaptureObject && Supports(fMouseCaptureObject, previous)) previous->CaptureLost();
  fMouseCaptureObject = AObject;
  bool hadCapture = MouseCapture();
  SetMouseCapture(AObject != nullptr);
  if (hadCapture && !MouseCapture() && fDragAndDropState == ddsStarting && HandleAllocated())
    SendMessage(Handle(), WM_CANCELMODE, 0, 0);
}

void TkcControl::InvalidateRect(const TRect& R, bool AErase) {
  if (HandleAllocated()) ::InvalidateRect(Handle(), &R, AErase);
}

void TkcControl::InvalidateRegion(TkcRegion* ARegion, bool AErase) {
  if (HandleAllocated() && ARegion && !ARegion->IsEmpty()) InvalidateRgn(Handle(), ARegion->Handle(), AErase);
}

void TkcControl::PostMouseMove() {
  if (!HandleAllocated()) return;
  TPoint p = ScreenToClient(Mouse->CursorPos());
  PostMessage(Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
}

// ---- Geometry -------------------------------------------------------------------------------

int TkcControl::GetBorderSize() { return fBorderStyle == kccbsNone ? 0 : GetPainter()->GetBorderWidth(); }

TRect TkcControl::GetBounds() {
  if (HandleAllocated()) return ClientRect();
  return TRect{0, 0, Width(), Height()};
}

TRect TkcControl::GetClientBounds() {
  TRect r = GetBounds();
  int b = GetBorderSize();
  InflateRect(&r, -b, -b);
  if (GetHScrollBarVisible()) r.bottom -= fHScrollBar->Height();
  if (GetVScrollBarVisible()) r.right -= fVScrollBar->Width();
  return r;
}

bool TkcControl::IsInternalControl(TControl* AControl) const {
  return AControl && (AControl == fHScrollBar || AControl == fVScrollBar || AControl == fSizeGrip);
}

TRect TkcControl::GetHScrollBarBounds() {
  TRect c = GetClientBounds();
  return TRect{c.left, c.bottom, c.right, c.bottom + fHScrollBar->Height()};
}

TRect TkcControl::GetVScrollBarBounds() {
  TRect c = GetClientBounds();
  return TRect{c.right, c.top, c.right + fVScrollBar->Width(), c.bottom};
}

TRect TkcControl::GetSizeGripBounds() {
  TRect h = GetHScrollBarBounds(), v = GetVScrollBarBounds();
  return TRect{v.left, h.top, v.right, h.bottom};
}

void TkcControl::SetInternalControlsBounds() {
  if (!HasBars()) return;
  if (fHScrollBar->Visible()) fHScrollBar->SetBoundsRect(GetHScrollBarBounds());
  if (fVScrollBar->Visible()) fVScrollBar->SetBoundsRect(GetVScrollBarBounds());
  if (fSizeGrip->Visible()) fSizeGrip->SetBoundsRect(GetSizeGripBounds());
}

void TkcControl::BringInternalControlsToFront() {
  if (!HasBars()) return;
  fHScrollBar->BringToFront();
  fVScrollBar->BringToFront();
  fSizeGrip->BringToFront();
}

// ---- Scroll bars ----------------------------------------------------------------------------

bool TkcControl::GetHScrollBarVisible() const {
  if (!HasBars()) return false;
  return fCalculatingScrollBarsParams || fUpdatingScrollBars ? fHScrollBar->Data.Visible : fHScrollBar->Visible();
}

bool TkcControl::GetVScrollBarVisible() const {
  if (!HasBars()) return false;
  return fCalculatingScrollBarsParams || fUpdatingScrollBars ? fVScrollBar->Data.Visible : fVScrollBar->Visible();
}

void TkcControl::SetScrollBarInfo(TScrollBarKind AKind, int AMin, int AMax, int AStep, int APage, int APos,
                                  bool AAllowShow, bool AAllowHide) {
  if (!HasBars()) return;
  TkcScrollBarData& d = Data(AKind);
  bool shown = AKind == sbHorizontal ? fScrollBars == ssHorizontal || fScrollBars == ssBoth
                                     : fScrollBars == ssVertical || fScrollBars == ssBoth;
  d.AllowShow = AAllowShow && shown;
  d.AllowHide = AAllowHide;
  if (!d.AllowShow) {
    d.Visible = false;
  } else if (AMin > AMax || static_cast<std::int64_t>(APage) >= static_cast<std::int64_t>(AMax) - AMin + 1 ||
             APos < AMin) {
    if (AAllowHide) {
      d.Visible = false;
    } else {
      d.Enabled = false;
      d.Visible = true;
    }
  } else {
    d.Min = AMin;
    d.Max = AMax;
    d.PageSize = APage;
    d.Position = APos;
    d.SmallChange = static_cast<std::int16_t>(AStep);
    d.LargeChange = static_cast<std::int16_t>(APage);
    d.Enabled = true;
    d.Visible = true;
  }
}

void TkcControl::BeginScrollBarsUpdate() {
  if (fScrollBarsLockCount == 0) fScrollBarsUpdateNeeded = false;
  ++fScrollBarsLockCount;
}

void TkcControl::EndScrollBarsUpdate() {
  if (fScrollBarsLockCount < 1) return;
  if (--fScrollBarsLockCount == 0 && fScrollBarsUpdateNeeded) UpdateScrollBars();
}

void TkcControl::UpdateScrollBars() {
  if (!HasBars() || IsDestroying()) return;
  if (fScrollBarsLockCount > 0) {
    fScrollBarsUpdateNeeded = true;
    return;
  }
  bool outermost = !fUpdatingScrollBars;
  if (outermost) {
    fHScrollBarWasVisible = fHScrollBar->Visible();
    fVScrollBarWasVisible = fVScrollBar->Visible();
  }
  bool wasUpdating = fUpdatingScrollBars;
  fUpdatingScrollBars = true;
  struct Restore {
    TkcControl* c;
    bool updating, outermost;
    ~Restore() {
      c->fUpdatingScrollBars = updating;
      if (outermost) c->fScrollBarsStable = false;
    }
  } restore{this, wasUpdating, outermost};

  bool hBefore = fHScrollBar->Visible(), vBefore = fVScrollBar->Visible();
  if (!fScrollBarsStable) {
    if (!fCalculatingScrollBarsParams) {
      fCalculatingScrollBarsParams = true;
      struct EndCalc {
        bool& flag;
        ~EndCalc() { flag = false; }
      } endCalc{fCalculatingScrollBarsParams};
      fHScrollBar->Data.Visible = fVScrollBar->Data.Visible = false;
      // Passes until the planned visibility stays; a descendant whose answers keep swinging is
      // stopped after a few passes and treated like a swing back to the start (bars disabled).
      constexpr int kMaxPasses = 4;
      bool settled = false;
      for (int pass = 0; pass < kMaxPasses && !settled; ++pass) {
        bool h = fHScrollBar->Data.Visible, v = fVScrollBar->Data.Visible;
        InitScrollBarsParameters();
        settled = h == fHScrollBar->Data.Visible && v == fVScrollBar->Data.Visible;
      }
      if (!settled) {
        for (TkcControlScrollBar* bar : {fHScrollBar, fVScrollBar})
          if (bar->Data.AllowShow) {
            bar->Data.Visible = true;
            bar->Data.Enabled = false;
          }
      }
    }
    TkcScrollBarData& h = fHScrollBar->Data;
    TkcScrollBarData& v = fVScrollBar->Data;
    if (h.Visible && v.Visible && h.Enabled && v.Enabled && h.AllowHide && v.AllowHide) {
      bool hFits = IsPixelScrollBar(sbHorizontal) &&
                   static_cast<std::int64_t>(h.PageSize) + fVScrollBar->Width() >= std::int64_t(h.Max) - h.Min + 1;
      bool vFits = IsPixelScrollBar(sbVertical) &&
                   static_cast<std::int64_t>(v.PageSize) + fHScrollBar->Height() >= std::int64_t(v.Max) - v.Min + 1;
      if (hFits && vFits) {
        SetScrollBarInfo(sbHorizontal, h.Min, h.Max, h.SmallChange, h.PageSize + fVScrollBar->Width(), h.Position,
                         h.AllowShow, true);
        SetScrollBarInfo(sbVertical, v.Min, v.Max, v.SmallChange, v.PageSize + fHScrollBar->Height(), v.Position,
                         v.AllowShow, true);
      }
    }
    if (!outermost && h.Visible == fHScrollBarWasVisible && v.Visible == fVScrollBarWasVisible) {
      fScrollBarsStable = true;
      for (auto [bar, was] :
           {std::pair{fHScrollBar, fHScrollBarWasVisible}, std::pair{fVScrollBar, fVScrollBarWasVisible}})
        if (bar->Visible() != was) {
          bar->SetEnabled(false);
          bar->SetVisible(true);
        }
    } else {
      fHScrollBar->ApplyData();
      fVScrollBar->ApplyData();
    }
  }
  if (fHScrollBar->Visible() != hBefore || fVScrollBar->Visible() != vBefore) {
    BoundsChanged();
    return;
  }
  fSizeGrip->SetVisible(fHScrollBar->Visible() && fVScrollBar->Visible());
  SetInternalControlsBounds();
  if (KeepInternalControlsOnTop()) BringInternalControlsToFront();
}

void TkcControl::ScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos) {
  Scroll(static_cast<TkcScrollBar*>(Sender)->Kind(), ScrollCode, ScrollPos);
}

void TkcControl::ScrollContent(TkcScrollDirection ADirection) {
  if (ADirection == 0 || !HasBars()) return;
  TScrollBarKind kind = ADirection <= 2 ? sbHorizontal : sbVertical;
  TScrollCode code = ADirection == 1 || ADirection == 3 ? scLineUp : scLineDown;
  int pos = kind == sbHorizontal ? fHScrollBar->Position() : fVScrollBar->Position();
  Scroll(kind, code, pos);
  Update();
}

void TkcControl::ScrollWindow(int DX, int DY, const TRect& R) {
  if (gCurrentDragObject) gCurrentDragObject->HideDragImage();
  struct Show {
    ~Show() {
      if (gCurrentDragObject) gCurrentDragObject->ShowDragImage();
    }
  } show;
  ScrollWindowEx(Handle(), DX, DY, &R, nullptr, HRGN(), nullptr, SW_INVALIDATE | SW_ERASE);
}

// ---- Focus and mouse ------------------------------------------------------------------------

bool TkcControl::CanFocusOnClick() { return !IsDesigning() && FocusOnClick && MayFocus() && CanFocus(); }

bool TkcControl::CanFocusEx() {
  if (!CanFocus()) return false;
  TCustomForm* form = GetParentForm();
  return !form || (form->CanFocus() && form->Enabled() && form->Visible());
}

void TkcControl::FocusChanged() {
  if (OnFocusChanged) OnFocusChanged(this);
}

void TkcControl::FontChanged() {
  for (IkcFontListener* l : std::vector<IkcFontListener*>(fFontListeners)) l->FontChanged(this, Font());
  Invalidate();
}

void TkcControl::MouseEnter(TControl*) {}
void TkcControl::MouseLeave(TControl*) {}

void TkcControl::DoCancelMode() {
  fMouseButtonPressed = false;
  SetMouseCaptureObject(nullptr);
}

void TkcControl::EndMouseOperations() {
  FinishDragAndDrop(true);
  SetMouseCaptureObject(nullptr);
}

void TkcControl::HandleMouseDownMessage(TMessage& Message) {
  TkcObjectLinkScope link(this);
  TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (HandleAllocated() && (Width() > 0x8000 || Height() > 0x8000)) p = ScreenToClient(Mouse->CursorPos());
  TShiftState shift = KeysToShiftState(static_cast<WORD>(Message.WParam));
  TMouseButton button = ButtonOfMessage(Message.Msg);
  bool dbl = Message.Msg == WM_LBUTTONDBLCLK || Message.Msg == WM_RBUTTONDBLCLK || Message.Msg == WM_MBUTTONDBLCLK;
  if (button == mbLeft) {
    if (Application) Application->CancelHint();
    if (ControlStyle().Contains(csCaptureMouse)) SetMouseCapture(true);
    TControlState state = ControlState();
    if (ControlStyle().Contains(csClickEvents)) state.Include(csClicked);
    state.Include(csLButtonDown);
    SetControlState(state);
  }
  if (dbl) {
    shift.Include(ssDouble);
    if (button == mbLeft) {
      DblClick();
      if (!link.Alive()) return;
    }
  }
  MouseDown(button, shift, p.x, p.y);
  if (link.Alive()) DefaultHandler(Message);
}

void TkcControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  fMouseDownPos = TPoint{X, Y};
  TkcObjectLinkScope link(this);
  if (CanFocusOnClickAt(X, Y) && !Shift.Contains(ssDouble)) {
    int oldLeft = Left(), oldTop = Top();
    SetFocus();
    if (!link.Alive()) return;
    TCustomForm* form = GetParentForm();
    if (form && form->ActiveControl() == this && !IsFocused()) ::SetFocus(Handle());
    if (!IsFocused() && !AllowMouseDownWhenNotFocused()) {
      SetMouseCapture(false);
      return;
    }
    X += oldLeft - Left();
    Y += oldTop - Top();
  }
  if (Button == mbLeft && !Shift.Contains(ssDouble)) {
    if (StartDragAndDrop(TPoint{X, Y})) {
      if (GetDragAndDropObject()->GetImmediateStart())
        BeginDragAndDrop();
      else
        fDragAndDropState = ddsStarting;
    } else {
      FinishDragAndDrop(false);
    }
  } else {
    FinishDragAndDrop(false);
  }
  if (!link.Alive()) return;
  BeforeMouseDown(Button, Shift, X, Y);
  if (!link.Alive()) return;
  inherited::MouseDown(Button, Shift, X, Y);
  if (link.Alive() && MouseCapture()) fMouseButtonPressed = true;
}

void TkcControl::MouseMove(TShiftState Shift, int X, int Y) {
  TCursor normal = fNormalCursor;
  SetCursor(GetCurrentCursor(X, Y));
  fNormalCursor = normal;
  TkcObjectLinkScope link(this);
  inherited::MouseMove(Shift, X, Y);
  if (!link.Alive()) return;
  if (fDragAndDropState == ddsStarting && !IsInDragThreshold(X, Y)) {
    BeginDragAndDrop();
  } else if (fDragAndDropState == ddsInProcess) {
    bool accepted = false;
    DragAndDrop(TPoint{X, Y}, accepted);
  }
}

void TkcControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  fMouseButtonPressed = false;
  TkcObjectLinkScope link(this);
  EndMouseOperations();
  if (link.Alive()) inherited::MouseUp(Button, Shift, X, Y);
}

bool TkcControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (inherited::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  int kind = GetMouseWheelScrollingKind();
  if (kind == 0) return false;
  TkcScrollDirection direction = kind == 2 ? (WheelDelta > 0 ? 3 : 4) : (WheelDelta > 0 ? 1 : 2);
  for (int i = 0; i < Mouse->WheelScrollLines(); ++i) ScrollContent(direction);
  return true;
}

void TkcControl::AfterMouseDown(TMouseButton AButton, int X, int Y) {
  if (AButton == mbLeft) {
    if (DragMode() == dmAutomatic && MouseCapture() && (!IsDesigning() || AllowDragAtDesignTime(X, Y, {})) &&
        CanDrag(X, Y)) {
      if (WaitForDragStart(Handle()) == 1) {
        fDragRefused = false;
        BeginDrag(true, -1);
        // The framework starts the drag whatever DoStartDrag did: a refused one ends at once.
        if (fDragRefused && Dragging()) EndDrag(false);
      }
    }
  } else if (AButton == mbMiddle) {
    DoMiddleButtonScrolling();
  }
}

// ---- Keys, menus, messages ------------------------------------------------------------------

LRESULT TkcControl::DialogCodeOfKeys() {
  LRESULT code = 0;
  if (fKeys.Contains(kAll)) code |= DLGC_WANTALLKEYS;
  if (fKeys.Contains(kArrows)) code |= DLGC_WANTARROWS;
  if (fKeys.Contains(kChars)) code |= DLGC_WANTCHARS;
  if (fKeys.Contains(kTab) && !(GetKeyState(VK_CONTROL) & 0x8000)) code |= DLGC_WANTTAB;
  return code;
}

bool TkcControl::IsPopupShortCutFired(TMessage& Message) {
  if (IsDesigning()) return false;
  for (TWinControl* c = this; c; c = c->Parent())
    if (auto* k = dynamic_cast<TkcControl*>(c); k && IsPopupMenuShortCut(k->PopupMenu(), Message)) return true;
  return false;
}

void TkcControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_ESCAPE) FinishDragAndDrop(false);
  inherited::KeyDown(Key, Shift);
}

void TkcControl::DoContextPopup(TPoint MousePos, bool& Handled) {
  inherited::DoContextPopup(MousePos, Handled);
  if (Handled) return;
  TPoint p = MousePos.x == -1 && MousePos.y == -1 ? TPoint{0, 0} : MousePos;
  p = ClientToScreen(p);
  Handled = DoShowPopupMenu(fPopupMenu, p.x, p.y);
}

void TkcControl::ContextMenuMessage(TMessage& Message) {
  if (Message.Result != 0) return;
  if (IsDesigning()) return inherited::Dispatch(Message);
  TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  if (p.x != -1 || p.y != -1) {
    p = ScreenToClient(p);
    TRect client = ClientRect();
    // Over a scroll bar (or outside) the framework asks the child.
    if (!PtInRect(&client, p) || ControlAtPos(p, false, true)) return inherited::Dispatch(Message);
  }
  bool handled = false;
  DoContextPopup(p, handled);
  Message.Result = handled;
  if (!handled) inherited::Dispatch(Message);
}

void TkcControl::WndProc(TMessage& Message) {
  TkcObjectLinkScope link(this);
  UINT msg = Message.Msg;
  TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
  inherited::WndProc(Message);
  if (!link.Alive()) return;
  if (msg == WM_SETFOCUS || msg == WM_KILLFOCUS) {
    FocusChanged();
  } else if (msg == WM_PAINT) {
    if (ParentBackground() != fLastParentBackground) {
      fLastParentBackground = ParentBackground();
      ParentBackgroundChanged();
    }
  } else if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN) {
    AfterMouseDown(ButtonOfMessage(msg), p.x, p.y);
  }
}

void TkcControl::Dispatch(TMessage& Message) {
  if (IsButtonDown(Message.Msg)) return HandleMouseDownMessage(Message);
  switch (Message.Msg) {
    case WM_CONTEXTMENU: return ContextMenuMessage(Message);
    case WM_GETDLGCODE: Message.Result = DialogCodeOfKeys(); return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN:
      if (IsPopupShortCutFired(Message)) {
        Message.Result = 1;
        return;
      }
      if (Message.Msg == CN_KEYDOWN && fDragAndDropState != ddsNone) {
        if (Message.WParam == VK_ESCAPE) {
          WORD key = VK_ESCAPE;
          KeyDown(key, {});
        }
        Message.Result = 1;
        return;
      }
      break;
    case WM_CANCELMODE:
      inherited::Dispatch(Message);
      FinishDragAndDrop(false);
      DoCancelMode();
      return;
    case WM_ERASEBKGND:
      if (NeedsEraseBackground()) break;
      Message.Result = 1;
      return;
    case WM_NCCALCSIZE:
      inherited::Dispatch(Message);
      if (HandleAllocated()) PostMessage(Handle(), KCM_SETTINGSCHANGED, 0, 0);
      return;
    case KCM_SETTINGSCHANGED:
      if (HasBars()) {
        TSize size = GetSystemScrollBarSize();
        if (fHScrollBar->Height() != size.cy || fVScrollBar->Width() != size.cx) {
          fHScrollBar->SetHeight(size.cy);
          fVScrollBar->SetWidth(size.cx);
          BoundsChanged();
        }
      }
      return;
    case CM_CURSORCHANGED: fNormalCursor = Cursor(); break;
    case CM_FONTCHANGED:
      inherited::Dispatch(Message);
      FontChanged();
      return;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      auto* control = reinterpret_cast<TControl*>(Message.LParam);
      TkcObjectLinkScope link(this);
      inherited::Dispatch(Message);
      if (!link.Alive()) return;
      if (Message.Msg == CM_MOUSEENTER)
        MouseEnter(control ? control : this);
      else
        MouseLeave(control ? control : this);
      return;
    }
    case WM_PAINT:
      if (gCurrentDragObject) gCurrentDragObject->HideDragImage();
      inherited::Dispatch(Message);
      if (gCurrentDragObject) gCurrentDragObject->ShowDragImage();
      return;
  }
  inherited::Dispatch(Message);
}

void TkcControl::Paint() {
  if (fBorderStyle == kccbsDefault) {
    GetPainter()->PaintControlBorder(fCanvas.get(), GetBounds());
    fCanvas->IntersectClipRect(GetClientBounds());
  }
  inherited::Paint();
}

void TkcControl::Resize() {
  inherited::Resize();
  BoundsChanged();
}

// ---- Library drag and drop ------------------------------------------------------------------

TkcDragAndDropObjectClass TkcControl::GetDragAndDropObjectClass() {
  return DragAndDropObjectClass ? DragAndDropObjectClass
                                : TkcDragAndDropObjectClass(TkcDragAndDropObject::StaticClass());
}

TkcControl::ObjectCall::ObjectCall(TkcControl* AControl) : fControl(AControl), fLink(AControl) {
  ++AControl->fDragAndDropObjectCalls;
}

TkcControl::ObjectCall::~ObjectCall() {
  if (!fLink.Alive()) return;
  if (--fControl->fDragAndDropObjectCalls == 0 && fControl->fFreeDragAndDropObject) {
    fControl->fFreeDragAndDropObject = false;
    fControl->fDragAndDropObject.reset();
  }
}

TkcDragAndDropObject* TkcControl::GetDragAndDropObject() {
  if (!fDragAndDropObject) fDragAndDropObject.reset(GetDragAndDropObjectClass().Create(this));
  return fDragAndDropObject.get();
}

void TkcControl::SetDragAndDropState(TkcDragAndDropState Value) {
  fDragAndDropState = Value;
  if (Value == ddsNone && !fFinishingDragAndDrop) DoCancelMode();
}

void TkcControl::BeginDragAndDrop() {
  {
    ObjectCall call(this);
    GetDragAndDropObject()->DoBeginDragAndDrop();
  }
  SetMouseCapture(true);
  fDragAndDropPrevCursor = Screen->Cursor();
  fDragAndDropState = ddsInProcess;
}

void TkcControl::DragAndDrop(const TPoint& P, bool& Accepted) {
  ObjectCall call(this);
  GetDragAndDropObject()->DoDragAndDrop(P, Accepted);
}

void TkcControl::EndDragAndDrop(bool Accepted) {
  fDragAndDropState = ddsNone;
  Screen->SetCursor(fDragAndDropPrevCursor);
  SetMouseCapture(false);
  SetMouseCaptureObject(nullptr);
  ObjectCall call(this);
  GetDragAndDropObject()->DoEndDragAndDrop(Accepted);
}

void TkcControl::FinishDragAndDrop(bool Accepted) {
  if (fFinishingDragAndDrop) return;
  fFinishingDragAndDrop = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{fFinishingDragAndDrop};
  TkcObjectLinkScope link(this);
  if (fDragAndDropState == ddsInProcess)
    EndDragAndDrop(Accepted);
  else
    fDragAndDropState = ddsNone;
  if (!link.Alive()) return;
  // A call from inside one of the object's own methods frees it when that method has returned.
  if (fDragAndDropObjectCalls > 0)
    fFreeDragAndDropObject = true;
  else
    fDragAndDropObject.reset();
}

void TkcControl::InitDragImages(TDragImageList* AImageList) {
  TSize size = GetDragImagesSize();
  AImageList->SetWidth(size.cx);
  AImageList->SetHeight(size.cy);
  if (size.cx == 0 || size.cy == 0) return;
  TBitmap bitmap(size.cx, size.cy);
  TkcCanvas canvas(bitmap.Canvas());
  DrawDragImage(&canvas, TRect{0, 0, size.cx, size.cy});
  AImageList->AddMasked(&bitmap, bitmap.TransparentColor());
}

TDragImageList* TkcControl::GetDragImages() {
  if (!HasDragImages()) return nullptr;
  if (!fDragImages) {
    fDragImages.reset(GetDragImagesClass().Create(nullptr));
    InitDragImages(fDragImages.get());
  }
  return fDragImages->Count() > 0 ? fDragImages.get() : nullptr;
}

bool TkcControl::MayDragAt(int X, int Y) { return DragMode() == dmManual || IsInDragThreshold(X, Y); }

// ---- Framework drag and drop ----------------------------------------------------------------

void TkcControl::DoStartDrag(TDragObject*& DragObject) {
  Update();
  inherited::DoStartDrag(DragObject);
  if (!DragObject) DragObject = new TkcDragControlObject(this);
  if (!AllowStartDrag(DragObject)) {
    delete DragObject;
    DragObject = nullptr;
    fDragRefused = true;
    CancelDrag();
  }
}

void TkcControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  if (auto* d = dynamic_cast<TDragObject*>(Source)) gCurrentDragObject = State == dsDragLeave ? nullptr : d;
  inherited::DragOver(Source, X, Y, State, Accept);
}

void TkcControl::DoEndDrag(TObject* Target, int X, int Y) {
  // The drag object is finished with the drag, also after a drop without a leave.
  gCurrentDragObject = nullptr;
  TkcObjectLinkScope link(this);
  inherited::DoEndDrag(Target, X, Y);
  if (link.Alive()) fDragImages.reset();
}

// ---- Child components -----------------------------------------------------------------------

void TkcControl::AddChildComponent(TkcControlChildComponent* AComponent) { AComponent->SetControl(this); }
void TkcControl::RemoveChildComponent(TkcControlChildComponent* AComponent) { AComponent->SetControl(nullptr); }

TkcControlChildComponent::TkcControlChildComponent(TComponent* AOwner) : TkcComponent(AOwner) { Initialize(); }

TkcControlChildComponent::TkcControlChildComponent(TkcControl* AControl, bool AAssignOwner)
    : TkcComponent(AAssignOwner && AControl ? AControl->Owner() : nullptr) {
  Initialize();
  SetControl(AControl);
}

TkcControlChildComponent::~TkcControlChildComponent() {
  if (fControl) fControl->RemoveChildComponent(this);
}

void TkcControlChildComponent::SetControl(TkcControl* AControl) {
  if (fControl == AControl) return;
  if (fControl) fControl->RemoveFreeNotification(this);
  fControl = AControl;
  // The control may go first: the reference is then cleared.
  if (fControl) fControl->FreeNotification(this);
}

void TkcControlChildComponent::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fControl) fControl = nullptr;
}

void TkcControlChildComponent::SetParentComponent(TComponent* Value) {
  if (auto* control = dynamic_cast<TkcControl*>(Value)) control->AddChildComponent(this);
}

// ---- Middle-button scrolling ----------------------------------------------------------------

namespace {
struct MiddleScroll {
  TPoint anchor;
  int width = 0;
  bool hVisible = false, vVisible = false;
  bool moved = false;
  TkcScrollDirection direction = 0;
  int speed = 1;

  void Recompute(const TPoint& P) {
    int dx = std::abs(P.x - anchor.x), dy = std::abs(P.y - anchor.y);
    bool inX = !hVisible || dx < width / 2 + 1, inY = !vVisible || dy < width / 2 + 1;
    // The neutral zone: a square of the picture's width, across the whole screen on an axis
    // without a bar.
    if (inX && inY) {
      direction = 0;
      speed = 0;
      return;
    }
    moved = true;
    int distance;
    if (!hVisible || (vVisible && dy >= dx)) {
      direction = P.y < anchor.y ? 3 : 4;
      distance = dy;
    } else {
      direction = P.x < anchor.x ? 1 : 2;
      distance = dx;
    }
    speed = std::min((distance - width / 2) / 5 + 1, 12);
  }
  TCursor Cursor() const {
    switch (direction) {
      case 1: return crkcLeftScroll;
      case 2: return crkcRightScroll;
      case 3: return crkcUpScroll;
      case 4: return crkcDownScroll;
      default: return hVisible && vVisible ? crkcFullScroll : hVisible ? crkcHorScroll : crkcVerScroll;
    }
  }
};
}  // namespace

void TkcControl::DoMiddleButtonScrolling() {
  bool hVisible = GetHScrollBarVisible(), vVisible = GetVScrollBarVisible();
  if (!hVisible && !vVisible) return;
  MiddleScroll state;
  state.hVisible = hVisible;
  state.vVisible = vVisible;
  state.anchor = Mouse->CursorPos();
  const char* picture = hVisible && vVisible ? "KC_FULLSCROLLBITMAP"
                        : vVisible           ? "KC_VERSCROLLBITMAP"
                                             : "KC_HORSCROLLBITMAP";
  HBITMAP bitmap = LoadNamedBitmap(picture);
  SIZE size = GetBitmapSize(bitmap);
  state.width = size.cx;
  HWND anchor = CreateWindowEx(WS_EX_TOPMOST, "STATIC", "", WS_POPUP, state.anchor.x - size.cx / 2,
                               state.anchor.y - size.cy / 2, size.cx, size.cy, Handle());
  SetWindowRgn(anchor, CreateEllipticRgn(0, 0, size.cx + 1, size.cy + 1), TRUE);
  SetWindowPos(anchor, HWND(), 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  {
    HDC dc = GetDC(anchor);
    HDC mem = CreateCompatibleDC(HDC());
    HGDIOBJ old = SelectObject(mem, ToGdiObj(bitmap));
    BitBlt(dc, 0, 0, size.cx, size.cy, mem, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    DeleteDC(mem);
    HRGN outline = CreateEllipticRgn(0, 0, size.cx + 1, size.cy + 1);
    FrameRgn(dc, outline, GetSysColorBrush(COLOR_WINDOWTEXT), 1, 1);
    DeleteObject(outline);
    ReleaseDC(anchor, dc);
  }
  DeleteObject(bitmap);
  fMiddleScrolling = true;
  Screen->SetCursor(state.Cursor());
  UINT_PTR timer = SetTimer(HWND(), 0, 20);
  HWND self = Handle();
  SetCapture(self);
  TkcObjectLinkScope link(this);
  struct End {
    TkcControl* control;
    TkcObjectLinkScope& link;
    HWND self, anchor;
    UINT_PTR timer;
    ~End() {
      if (GetCapture() == self) ReleaseCapture();
      KillTimer(HWND(), timer);
      DestroyWindow(anchor);
      Screen->SetCursor(crDefault);
      if (link.Alive()) control->fMiddleScrolling = false;
    }
  } end{this, link, self, anchor, timer};
  int ticks = 0;
  TPoint last = state.anchor;
  MSG msg;
  while (GetCapture() == self && link.Alive()) {
    int got = GetMessage(&msg, HWND(), 0, 0);
    if (got == -1) break;
    if (got == 0) {
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    switch (msg.message) {
      case WM_PAINT:
        if (msg.hwnd == anchor) {
          ValidateRect(anchor, nullptr);
          continue;
        }
        break;
      case WM_KEYDOWN:
      case WM_KEYUP:
        if (msg.wParam == VK_ESCAPE) {
          DispatchMessage(&msg);
          return;
        }
        break;
      case WM_TIMER:
        if (!msg.hwnd && msg.wParam == timer) {
          ++ticks;
          if (state.speed > 0 && ticks % (13 - state.speed) == 0) ScrollContent(state.direction);
          continue;
        }
        break;
      case WM_MOUSEMOVE: {
        TPoint p{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ::ClientToScreen(msg.hwnd, &p);
        if (p != last) {
          state.Recompute(p);
          Screen->SetCursor(state.Cursor());
          last = p;
        }
        break;
      }
      case WM_LBUTTONDOWN:
      case WM_LBUTTONUP:
      case WM_LBUTTONDBLCLK:
      case WM_RBUTTONDOWN:
      case WM_RBUTTONUP:
      case WM_RBUTTONDBLCLK:
      case WM_MBUTTONDOWN:
      case WM_MBUTTONDBLCLK:
      case WM_MOUSEWHEEL: return;
      case WM_MBUTTONUP:
        DispatchMessage(&msg);
        if (state.moved) return;
        continue;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
}
