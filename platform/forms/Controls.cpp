#include "platform/forms/Controls.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/core/Utf8.h"
#include "platform/forms/FormsInternal.h"

namespace {

std::unordered_map<std::uintptr_t, TWinControl*>& Objects() {
  static std::unordered_map<std::uintptr_t, TWinControl*> m;
  return m;
}
std::unordered_set<String>& RegisteredClasses() {
  static std::unordered_set<String> s;
  return s;
}
TWinControl* gCreationControl = nullptr;
TControl* gMouseControl = nullptr;
TControl* gCaptureControl = nullptr;
bool gEatChar = false;
std::vector<TControlCanvas*> gCanvasesWithDC;

// The drag in progress.
struct DragState {
  TControl* source = nullptr;
  TDragObject* object = nullptr;
  bool ownObject = false;
  bool started = false;
  TPoint start;
  int threshold = 5;
  TControl* target = nullptr;
  bool accepted = false;
};
DragState gDrag;

bool IsMouseMsg(UINT m) { return m >= WM_MOUSEFIRST && m <= WM_MBUTTONDBLCLK; }
TPoint PointFromLParam(LPARAM lp) { return TPoint{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}; }
LPARAM LParamFromPoint(TPoint p) { return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)); }

void DragTo(TPoint screen);
void DragDone(bool drop);

}  // namespace

// ---- shift states ---------------------------------------------------------------------------

TShiftState KeysToShiftState(WORD keys) {
  TShiftState s;
  if (keys & MK_SHIFT) s.Include(ssShift);
  if (keys & MK_CONTROL) s.Include(ssCtrl);
  if (keys & MK_LBUTTON) s.Include(ssLeft);
  if (keys & MK_RBUTTON) s.Include(ssRight);
  if (keys & MK_MBUTTON) s.Include(ssMiddle);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}
TShiftState KeyDataToShiftState() {
  TShiftState s;
  if (GetKeyState(VK_SHIFT) < 0) s.Include(ssShift);
  if (GetKeyState(VK_CONTROL) < 0) s.Include(ssCtrl);
  if (GetKeyState(VK_MENU) < 0) s.Include(ssAlt);
  return s;
}
TShiftState GetShiftState() {
  TShiftState s = KeyDataToShiftState();
  if (GetKeyState(VK_LBUTTON) < 0) s.Include(ssLeft);
  if (GetKeyState(VK_RBUTTON) < 0) s.Include(ssRight);
  if (GetKeyState(VK_MBUTTON) < 0) s.Include(ssMiddle);
  return s;
}

namespace forms_detail {
TShiftState ShiftNow() { return KeyDataToShiftState(); }

void UpdateMouseControl(TControl* c) {
  if (c == gMouseControl) return;
  TControl* old = gMouseControl;
  gMouseControl = c;
  if (old) old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
  if (c && gMouseControl == c) c->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(c));
  HintMouseEnter(gMouseControl);
}

void ForgetControl(TControl* c) {
  if (gMouseControl == c) {
    gMouseControl = nullptr;
    CancelHint();
  }
  if (gCaptureControl == c) gCaptureControl = nullptr;
  if (gDrag.source == c) {
    if (gDrag.ownObject) delete gDrag.object;
    gDrag = DragState{};
  } else if (gDrag.target == c) {
    gDrag.target = nullptr;
  }
}

void FreeDeviceContexts() {
  auto list = gCanvasesWithDC;
  for (TControlCanvas* c : list) c->FreeHandle();
}
}  // namespace forms_detail

using namespace forms_detail;

HCURSOR CursorHandle(TCursor c) {
  switch (c) {
    case crNone: return HCURSOR();
    case crCross: return LoadCursor({}, IDC_CROSS);
    case crIBeam: return LoadCursor({}, IDC_IBEAM);
    case crSizeNESW: return LoadCursor({}, IDC_SIZENESW);
    case crSizeNS:
    case crVSplit: return LoadCursor({}, IDC_SIZENS);
    case crSizeNWSE: return LoadCursor({}, IDC_SIZENWSE);
    case crSizeWE:
    case crHSplit: return LoadCursor({}, IDC_SIZEWE);
    case crUpArrow: return LoadCursor({}, IDC_UPARROW);
    case crHourGlass:
    case crSQLWait: return LoadCursor({}, IDC_WAIT);
    case crNoDrop:
    case crNo: return LoadCursor({}, IDC_NO);
    case crAppStart: return LoadCursor({}, IDC_APPSTARTING);
    case crHelp: return LoadCursor({}, IDC_HELP);
    case crHandPoint: return LoadCursor({}, IDC_HAND);
    case crSizeAll: return LoadCursor({}, IDC_SIZEALL);
    case crDrag:
    case crMultiDrag:
    case crArrow:
    case crDefault: return LoadCursor({}, IDC_ARROW);
    default:
      if (c > 0) return LoadCursor(HINSTANCE(std::uintptr_t{1}), c);
      return LoadCursor({}, IDC_ARROW);
  }
}

namespace {
// The thumb position of a drag. The message carries only the low 16 bits; the full value is
// the bar's track position, or its position when the thumb was let go where it was taken
// (the track position may be left from an earlier drag). A message whose low word matches
// neither was sent by other code and keeps its own value.
int ThumbPos(TWinControl* c, int bar, WPARAM wParam) {
  WORD low = HIWORD(wParam);
  SCROLLINFO si;
  si.fMask = SIF_RANGE | SIF_POS | SIF_TRACKPOS;
  if (!c || !c->HandleAllocated() || !GetScrollInfo(c->Handle(), bar, &si)) return static_cast<short>(low);
  if (static_cast<WORD>(si.nTrackPos) == low) return si.nTrackPos;
  if (static_cast<WORD>(si.nPos) == low) return si.nPos;
  return si.nMin < 0 ? static_cast<short>(low) : low;
}
}  // namespace

int ScrollMessagePos(TWinControl* c, int bar, WPARAM wParam, int pos, int line, int page, int last) {
  switch (LOWORD(wParam)) {
    case SB_LINEUP: return pos - line;
    case SB_LINEDOWN: return pos + line;
    case SB_PAGEUP: return pos - page;
    case SB_PAGEDOWN: return pos + page;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: return ThumbPos(c, bar, wParam);
    case SB_TOP: return 0;
    case SB_BOTTOM: return last;
    default: return pos;
  }
}

void SetVertScrollBar(HWND wnd, int count, int page, int pos) {
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = std::max(0, count - 1);
  si.nPage = static_cast<UINT>(std::max(page, 0));
  si.nPos = pos;
  SetScrollInfo(wnd, SB_VERT, &si, TRUE);
}

void TSizeConstraints::Apply(int& w, int& h) const {
  if (MinWidth > 0 && w < MinWidth) w = MinWidth;
  if (MaxWidth > 0 && w > MaxWidth) w = MaxWidth;
  if (MinHeight > 0 && h < MinHeight) h = MinHeight;
  if (MaxHeight > 0 && h > MaxHeight) h = MaxHeight;
}

// ---- TControl -------------------------------------------------------------------------------

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), fFont(std::make_unique<TFont>()) {
  fFont->OnChange = TNotifyEvent(this, &TControl::FontChanged);
}

TControl::~TControl() {
  ForgetControl(this);
  if (fParent) fParent->RemoveControl(this);
}

void TControl::BeforeDestruction() {
  TComponent::BeforeDestruction();
  ForgetControl(this);
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && fPopupMenu && AComponent == MenuComponent(fPopupMenu)) fPopupMenu = nullptr;
}

void TControl::SetPopupMenu(TPopupMenu* v) {
  fPopupMenu = v;
  if (v) MenuComponent(v)->FreeNotification(this);
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == fParent) return;
  if (AParent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (fParent) fParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
}

TWinControl* TControl::ParentFormControl() const {
  const TControl* c = this;
  while (c->fParent) c = c->fParent;
  return FormControl(const_cast<TControl*>(c));
}

void TControl::CheckNewSize(int& NewWidth, int& NewHeight) {
  if (NewWidth != fWidth || NewHeight != fHeight) {
    int w = NewWidth, h = NewHeight;
    if (CanResize(w, h)) {
      NewWidth = w;
      NewHeight = h;
    } else {
      NewWidth = fWidth;
      NewHeight = fHeight;
    }
  }
  fConstraints.Apply(NewWidth, NewHeight);
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  CheckNewSize(AWidth, AHeight);
  if (ALeft == fLeft && ATop == fTop && AWidth == fWidth && AHeight == fHeight) return;
  InvalidateControl(Visible(), false);
  bool sized = AWidth != fWidth || AHeight != fHeight;
  fLeft = ALeft;
  fTop = ATop;
  fWidth = AWidth;
  fHeight = AHeight;
  InvalidateControl(Visible(), false);
  RequestAlign();
  if (sized) Resize();
}

TRect TControl::ClientRect() { return TRect{0, 0, fWidth, fHeight}; }
void TControl::SetClientSize(int w, int h) { SetBounds(fLeft, fTop, w, h); }

TPoint TControl::ClientOrigin() {
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated()) {
    POINT p{0, 0};
    ::ClientToScreen(w->fHandle, &p);
    return p;
  }
  if (!fParent) return TPoint{fLeft, fTop};
  TPoint p = fParent->ClientOrigin();
  return TPoint{p.x + fLeft, p.y + fTop};
}
TPoint TControl::ClientToScreen(TPoint p) {
  TPoint o = ClientOrigin();
  return TPoint{p.x + o.x, p.y + o.y};
}
TPoint TControl::ScreenToClient(TPoint p) {
  TPoint o = ClientOrigin();
  return TPoint{p.x - o.x, p.y - o.y};
}
TPoint TControl::ClientToParent(TPoint p, TWinControl* AParent) {
  if (!AParent) AParent = fParent;
  TPoint s = ClientToScreen(p);
  return AParent ? AParent->ScreenToClient(s) : s;
}

void TControl::SetAlign(TAlign v) {
  if (v == fAlign) return;
  fAlign = v;
  if (v != alNone) fAnchors = TAnchors{akLeft, akTop};
  RequestAlign();
}

void TControl::RequestAlign() {
  if (fParent) fParent->Realign();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

bool TControl::Showing() const {
  for (const TControl* c = this; c; c = c->fParent) {
    if (!c->fVisible) return false;
    if (!c->fParent) {
      auto* w = dynamic_cast<const TWinControl*>(c);
      return w && w->HandleAllocated() && IsWindowVisible(w->fHandle);
    }
  }
  return false;
}

void TControl::SetVisible(bool v) {
  if (v == fVisible) return;
  VisibleChanging();
  InvalidateControl(true, false);
  fVisible = v;
  Perform(CM_VISIBLECHANGED, v ? 1 : 0, 0);
  RequestAlign();
}

void TControl::SetEnabled(bool v) {
  if (v == fEnabled) return;
  fEnabled = v;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetColor(TColor v) {
  if (v == fColor && !fParentColor) return;
  fColor = v;
  fParentColor = false;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool v) {
  if (v == fParentColor) return;
  fParentColor = v;
  if (v && fParent) Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TControl::FontChanged(TObject*) {
  fParentFont = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFontFrom(TFont* f) {
  fFont->Assign(f);  // clears ParentFont through FontChanged; the caller sets it back
  fParentFont = true;
}

void TControl::SetParentFont(bool v) {
  if (v == fParentFont) return;
  fParentFont = v;
  if (v && fParent) Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TControl::SetCursor(TCursor v) {
  if (v == fCursor) return;
  fCursor = v;
  Perform(CM_CURSORCHANGED, 0, 0);
}

String TControl::GetText() { return fText; }
void TControl::SetTextValue(const String& v) {
  if (v == fText) return;
  fText = v;
  Perform(CM_TEXTCHANGED, 0, 0);
}

bool TControl::MouseCapture() { return GetCaptureControl() == this; }
void TControl::SetMouseCapture(bool v) {
  if (v == MouseCapture()) return;
  SetCaptureControl(v ? this : nullptr);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  TMessage m{Msg, WParam, LParam, 0};
  WndProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  if (IsMouseMsg(m.Msg)) {
    if (!fControlStyle.Contains(csDoubleClicks)) {
      if (m.Msg == WM_LBUTTONDBLCLK)
        m.Msg = WM_LBUTTONDOWN;
      else if (m.Msg == WM_RBUTTONDBLCLK)
        m.Msg = WM_RBUTTONDOWN;
      else if (m.Msg == WM_MBUTTONDBLCLK)
        m.Msg = WM_MBUTTONDOWN;
    }
    if (gDrag.source == this && (m.Msg == WM_MOUSEMOVE || m.Msg == WM_LBUTTONUP)) {
      TPoint screen = ClientToScreen(PointFromLParam(m.LParam));
      if (m.Msg == WM_MOUSEMOVE) {
        DragTo(screen);
      } else {
        DragTo(screen);
        DragDone(true);
      }
      return;
    }
    if (m.Msg == WM_MOUSEMOVE) UpdateMouseControl(this);
  } else if (m.Msg == WM_KEYDOWN && m.WParam == VK_ESCAPE && gDrag.source) {
    CancelDrag();
    return;
  }
  Dispatch(m);
}

void TControl::HandleMouse(TMessage& m) {
  TPoint p = PointFromLParam(m.LParam);
  TShiftState shift = KeysToShiftState(static_cast<WORD>(m.WParam));
  switch (m.Msg) {
    case WM_MOUSEMOVE: MouseMove(shift, p.x, p.y); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      CancelHint();
      if (fControlStyle.Contains(csCaptureMouse)) SetMouseCapture(true);
      if (fControlStyle.Contains(csClickEvents)) fControlState.Include(csClicked);
      fControlState.Include(csLButtonDown);
      if (m.Msg == WM_LBUTTONDBLCLK) {
        shift.Include(ssDouble);
        DblClick();
      }
      MouseDown(mbLeft, shift, p.x, p.y);
      if (fDragMode == dmAutomatic && m.Msg == WM_LBUTTONDOWN && !gDrag.source) BeginAutoDrag();
      break;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
      if (m.Msg == WM_RBUTTONDBLCLK) shift.Include(ssDouble);
      MouseDown(mbRight, shift, p.x, p.y);
      break;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONDBLCLK:
      if (m.Msg == WM_MBUTTONDBLCLK) shift.Include(ssDouble);
      MouseDown(mbMiddle, shift, p.x, p.y);
      break;
    case WM_LBUTTONUP: {
      fControlState.Exclude(csLButtonDown);
      if (fControlStyle.Contains(csCaptureMouse)) SetMouseCapture(false);
      if (fControlState.Contains(csClicked)) {
        fControlState.Exclude(csClicked);
        TRect r = ClientRect();
        if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) Click();
      }
      MouseUp(mbLeft, shift, p.x, p.y);
      break;
    }
    case WM_RBUTTONUP: MouseUp(mbRight, shift, p.x, p.y); break;
    case WM_MBUTTONUP: MouseUp(mbMiddle, shift, p.x, p.y); break;
  }
}

void TControl::Dispatch(TMessage& m) {
  static constexpr TMessageMethod<TControl> kMessages[] = {
      {WM_MOUSEMOVE, &TControl::WMMouse},
      {WM_LBUTTONDOWN, &TControl::WMMouse},
      {WM_LBUTTONDBLCLK, &TControl::WMMouse},
      {WM_LBUTTONUP, &TControl::WMMouse},
      {WM_RBUTTONDOWN, &TControl::WMMouse},
      {WM_RBUTTONDBLCLK, &TControl::WMMouse},
      {WM_RBUTTONUP, &TControl::WMMouse},
      {WM_MBUTTONDOWN, &TControl::WMMouse},
      {WM_MBUTTONDBLCLK, &TControl::WMMouse},
      {WM_MBUTTONUP, &TControl::WMMouse},
      {WM_MOUSEWHEEL, &TControl::WMMouseWheel},
      {CM_ENABLEDCHANGED, &TControl::CMAppearanceChanged},
      {CM_COLORCHANGED, &TControl::CMAppearanceChanged},
      {CM_FONTCHANGED, &TControl::CMAppearanceChanged},
      {CM_TEXTCHANGED, &TControl::CMAppearanceChanged},
      {CM_VISIBLECHANGED, &TControl::CMVisibleChanged},
      {CM_PARENTCOLORCHANGED, &TControl::CMParentColorChanged},
      {CM_PARENTFONTCHANGED, &TControl::CMParentFontChanged},
      {CM_MOUSEENTER, &TControl::CMMouseEnter},
      {CM_MOUSELEAVE, &TControl::CMMouseLeave},
      {CM_HITTEST, &TControl::CMHitTest},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) DefaultHandler(m);
}

void TControl::WMMouse(TMessage& m) {
  HandleMouse(m);
  if (dynamic_cast<TWinControl*>(this)) DefaultHandler(m);
}

void TControl::WMMouseWheel(TMessage& m) {
  TPoint p = PointFromLParam(m.LParam);
  int delta = static_cast<short>(HIWORD(m.WParam));
  if (DoMouseWheel(KeysToShiftState(LOWORD(m.WParam)), delta, p)) {
    m.Result = 1;
    return;
  }
  DefaultHandler(m);
}

void TControl::CMAppearanceChanged(TMessage&) { Invalidate(); }

void TControl::CMVisibleChanged(TMessage&) {}

void TControl::CMParentColorChanged(TMessage& m) {
  if (fParentColor && fParent) {
    fColor = m.WParam ? static_cast<TColor>(m.LParam) : fParent->fColor;
    Perform(CM_COLORCHANGED, 0, 0);
  }
}

void TControl::CMParentFontChanged(TMessage& m) {
  if (fParentFont && fParent) SetParentFontFrom(m.WParam ? reinterpret_cast<TFont*>(m.LParam) : fParent->Font());
}

void TControl::CMMouseEnter(TMessage& m) {
  if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
    if (OnMouseEnter) OnMouseEnter(this);
    if (fParent) fParent->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(this));
  }
}

void TControl::CMMouseLeave(TMessage& m) {
  if (m.LParam == 0 || m.LParam == reinterpret_cast<LPARAM>(this)) {
    if (gMouseControl == this) gMouseControl = nullptr;
    if (OnMouseLeave) OnMouseLeave(this);
    if (fParent) fParent->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(this));
  }
}

void TControl::CMHitTest(TMessage& m) { m.Result = 1; }

void TControl::DefaultHandler(TMessage& m) {
  switch (m.Msg) {
    case WM_GETTEXTLENGTH: m.Result = static_cast<LRESULT>(fText.size()); break;
    default: break;
  }
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}
void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}
void TControl::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, b, s, x, y);
}
void TControl::MouseMove(TShiftState s, int x, int y) {
  if (OnMouseMove) OnMouseMove(this, s, x, y);
}
void TControl::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, b, s, x, y);
}
bool TControl::DoMouseWheel(TShiftState s, int delta, TPoint pos) {
  bool handled = false;
  if (OnMouseWheel) OnMouseWheel(this, s, delta, pos, handled);
  if (!handled) handled = delta < 0 ? DoMouseWheelDown(s, pos) : DoMouseWheelUp(s, pos);
  return handled;
}
bool TControl::DoMouseWheelDown(TShiftState s, TPoint pos) {
  bool handled = false;
  if (OnMouseWheelDown) OnMouseWheelDown(this, s, pos, handled);
  return handled;
}
bool TControl::DoMouseWheelUp(TShiftState s, TPoint pos) {
  bool handled = false;
  if (OnMouseWheelUp) OnMouseWheelUp(this, s, pos, handled);
  return handled;
}
void TControl::DoContextPopup(TPoint pos, bool& handled) {
  if (OnContextPopup) OnContextPopup(this, pos, handled);
}

void TControl::InvalidateControl(bool IsVisible, bool IsOpaque) {
  if (!IsVisible || !fParent || dynamic_cast<TWinControl*>(this) || !fParent->HandleAllocated()) return;
  TRect r = BoundsRect();
  InvalidateRect(fParent->Handle(), &r, !IsOpaque);
}

void TControl::Invalidate() { InvalidateControl(fVisible, fControlStyle.Contains(csOpaque)); }
void TControl::Update() {
  if (fParent) fParent->Update();
}
void TControl::Repaint() {
  Invalidate();
  Update();
}

void TControl::BringToFront() {
  if (!fParent) return;
  auto& v = fParent->fControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.push_back(this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

void TControl::SendToBack() {
  if (!fParent) return;
  auto& v = fParent->fControls;
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
  v.insert(v.begin(), this);
  if (auto* w = dynamic_cast<TWinControl*>(this); w && w->HandleAllocated())
    SetWindowPos(w->Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  Invalidate();
}

// ---- drag and drop --------------------------------------------------------------------------

void TControl::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  Accept = false;
  if (OnDragOver) {
    Accept = true;
    OnDragOver(this, Source, X, Y, State, Accept);
  }
}
void TControl::DragDrop(TObject* Source, int X, int Y) {
  if (OnDragDrop) OnDragDrop(this, Source, X, Y);
}
void TControl::DoStartDrag(TDragObject*& obj) {
  if (OnStartDrag) OnStartDrag(this, obj);
}
void TControl::DoEndDrag(TObject* Target, int X, int Y) {
  if (OnEndDrag) OnEndDrag(this, Target, X, Y);
}

TCursor TDragControlObject::GetDragCursor(bool Accepted, int, int) {
  return Accepted ? fControl->DragCursor() : crNoDrop;
}
void TDragControlObject::Finished(TObject* Target, int X, int Y, bool) { fControl->DoEndDrag(Target, X, Y); }

void TControl::BeginDrag(bool Immediate, int Threshold) {
  if (gDrag.source) return;
  TDragObject* obj = nullptr;
  DoStartDrag(obj);
  gDrag.source = this;
  gDrag.ownObject = obj == nullptr;
  gDrag.object = obj ? obj : new TDragControlObject(this);
  gDrag.started = Immediate;
  gDrag.threshold = Threshold < 0 ? GetSystemMetrics(SM_CXDRAG) : Threshold;
  POINT p;
  GetCursorPos(&p);
  gDrag.start = p;
  SetCaptureControl(this);
  if (Immediate) DragTo(p);
}

void TControl::EndDrag(bool Drop) {
  if (gDrag.source == this) DragDone(Drop);
}
bool TControl::Dragging() const { return gDrag.source == this; }
TDragObject* DragObject() { return gDrag.object; }
bool IsDragging() { return gDrag.source != nullptr; }
void CancelDrag() {
  if (gDrag.source) {
    gDrag.object->Cancelling = true;
    DragDone(false);
  }
}

namespace {
TObject* DragSourceArg() {
  if (auto* c = dynamic_cast<TDragControlObject*>(gDrag.object)) return c->Control();
  return gDrag.object;
}

void DragTo(TPoint screen) {
  if (!gDrag.started) {
    if (std::abs(screen.x - gDrag.start.x) < gDrag.threshold && std::abs(screen.y - gDrag.start.y) < gDrag.threshold)
      return;
    gDrag.started = true;
  }
  gDrag.object->DragPos = screen;
  TControl* target = FindDragTarget(screen, false);
  TObject* src = DragSourceArg();
  if (target != gDrag.target) {
    if (gDrag.target) {
      TPoint p = gDrag.target->ScreenToClient(screen);
      bool a = false;
      gDrag.target->DragOver(src, p.x, p.y, dsDragLeave, a);
    }
    gDrag.target = target;
    gDrag.accepted = false;
    if (target) {
      TPoint p = target->ScreenToClient(screen);
      target->DragOver(src, p.x, p.y, dsDragEnter, gDrag.accepted);
    }
  } else if (target) {
    TPoint p = target->ScreenToClient(screen);
    target->DragOver(src, p.x, p.y, dsDragMove, gDrag.accepted);
  }
  if (!gDrag.source) return;  // a handler ended the drag
  gDrag.object->DragTarget = gDrag.target;
  SetCursor(ScreenCursorHandle(gDrag.object->GetDragCursor(gDrag.accepted, screen.x, screen.y)));
}

void DragDone(bool drop) {
  DragState d = gDrag;
  gDrag = DragState{};
  if (!d.source) return;
  if (GetCaptureControl() == d.source) SetCaptureControl(nullptr);
  TPoint pos = d.object->DragPos;
  bool accepted = drop && d.started && d.target && d.accepted;
  TObject* src = d.object;
  if (auto* c = dynamic_cast<TDragControlObject*>(d.object)) src = c->Control();
  TPoint p = d.target ? d.target->ScreenToClient(pos) : pos;
  if (d.target && !accepted && d.started) {
    bool a = false;
    d.target->DragOver(src, p.x, p.y, dsDragLeave, a);
  }
  d.object->Dropped = accepted;
  if (accepted) d.target->DragDrop(src, p.x, p.y);
  d.object->Finished(accepted ? d.target : nullptr, p.x, p.y, accepted);
  if (!accepted) d.source->DragCanceled();
  if (d.ownObject) delete d.object;
  SetCursor(ScreenCursorHandle(crDefault));
}
}  // namespace

// ---- capture, lookup ------------------------------------------------------------------------

TWinControl* TWinControl::FromHandle(HWND wnd) {
  auto it = Objects().find(wnd.value);
  return it == Objects().end() ? nullptr : it->second;
}

TWinControl* FindControl(HWND wnd) {
  for (HWND h = wnd; h; h = (GetWindowLong(h, GWL_STYLE) & WS_CHILD) ? GetParent(h) : HWND())
    if (TWinControl* c = TWinControl::FromHandle(h)) return c;
  return nullptr;
}

TControl* FindDragTarget(TPoint pos, bool AllowDisabled) {
  HWND wnd = WindowFromPoint(pos);
  TWinControl* w = FindControl(wnd);
  if (!w) return nullptr;
  TControl* c = w->ControlAtPos(w->ScreenToClient(pos), AllowDisabled);
  return c ? c : w;
}

TControl* GetCaptureControl() {
  HWND cap = GetCapture();
  if (!cap) {
    gCaptureControl = nullptr;
    return nullptr;
  }
  if (gCaptureControl && gCaptureControl->Parent() && gCaptureControl->Parent()->HandleAllocated() &&
      gCaptureControl->Parent()->Handle() == cap && !dynamic_cast<TWinControl*>(gCaptureControl))
    return gCaptureControl;
  return TWinControl::FromHandle(cap);
}

void SetCaptureControl(TControl* c) {
  gCaptureControl = nullptr;
  if (!c) {
    if (GetCapture()) ReleaseCapture();
    return;
  }
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    SetCapture(w->Handle());
    return;
  }
  if (c->Parent()) {
    SetCapture(c->Parent()->Handle());
    gCaptureControl = c;
  }
}

// ---- TWinControl ----------------------------------------------------------------------------

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) { fControlStyle.Include(csAcceptsControls); }

void TWinControl::BeforeDestruction() {
  TControl::BeforeDestruction();
  while (!fControls.empty()) fControls.back()->Free();
  if (fParent) fParent->RemoveControl(this);
  if (HandleAllocated()) DestroyHandle();
}

TWinControl::~TWinControl() {
  while (!fControls.empty()) fControls.back()->Free();
  if (fParent) fParent->RemoveControl(this);
  if (fHandle) {
    HWND h = fHandle;
    Objects().erase(h.value);
    fHandle = HWND();
    DestroyWindow(h);
  }
}

bool TWinControl::HandleAllocated() const { return fHandle && IsWindow(fHandle); }

HWND TWinControl::Handle() {
  if (!HandleAllocated()) {
    if (fHandle) {  // the window went away behind our back (a test session reset)
      Objects().erase(fHandle.value);
      fHandle = HWND();
    }
    CreateHandle();
    if (!fHandle) throw EInvalidOperation("Error creating window for " + String(ClassName()));
  }
  return fHandle;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = fText;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (fControlStyle.Contains(csAcceptsControls)) p.Style |= WS_CLIPCHILDREN;
  if (fVisible) p.Style |= WS_VISIBLE;
  if (!fEnabled) p.Style |= WS_DISABLED;
  if (fTabStop) p.Style |= WS_TABSTOP;
  if (fBorderStyle == bsSingle) p.ExStyle |= WS_EX_CLIENTEDGE;
  p.X = fLeft;
  p.Y = fTop;
  p.Width = fWidth;
  p.Height = fHeight;
  if (fParent)
    p.WndParent = fParent->Handle();
  else
    p.WndParent = fParentWindow;
  p.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
  p.WinClassName = ClassName();
}

LRESULT TWinControl::InitWndProc(HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  TWinControl* obj = FromHandle(wnd);
  if (!obj && gCreationControl) {
    obj = gCreationControl;
    gCreationControl = nullptr;
    obj->fHandle = wnd;
    Objects()[wnd.value] = obj;
  }
  if (!obj) return DefWindowProc(wnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  obj->MainWndProc(m);
  if (msg == WM_NCDESTROY) {
    auto it = Objects().find(wnd.value);
    if (it != Objects().end() && it->second == obj) {
      Objects().erase(it);
      if (obj->fHandle == wnd) obj->fHandle = HWND();
    }
  }
  return m.Result;
}

void TWinControl::MainWndProc(TMessage& m) {
  try {
    WndProc(m);
  } catch (...) {
    HandleCurrentException(this);
  }
}

void TWinControl::CreateWindowHandle(const TCreateParams& p) {
  gCreationControl = this;
  HWND h = CreateWindowEx(p.ExStyle, p.WinClassName, p.Caption, p.Style, p.X, p.Y, p.Width, p.Height, p.WndParent,
                          HMENU(), HINSTANCE(), p.Param);
  gCreationControl = nullptr;
  if (h && !fHandle) {
    fHandle = h;
    Objects()[h.value] = this;
  }
}

void TWinControl::CreateWnd() {
  EnsureExceptionHandler();
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  if (!RegisteredClasses().count(p.WinClassName) || !GetClassInfo({}, p.WinClassName, nullptr)) {
    WNDCLASS wc = p.WindowClass;
    wc.lpszClassName = p.WinClassName;
    wc.lpfnWndProc = &TWinControl::InitWndProc;
    RegisterClass(wc);
    RegisteredClasses().insert(p.WinClassName);
  }
  CreateWindowHandle(p);
}

void TWinControl::CreateHandle() {
  if (HandleAllocated()) return;
  fControlState.Include(csCreating);
  CreateWnd();
  fControlState.Exclude(csCreating);
  if (!fHandle) return;
  RECT rc;
  GetClientRect(fHandle, &rc);
  fOldClientW = rc.right;
  fOldClientH = rc.bottom;
  for (TControl* c : std::vector<TControl*>(fControls))
    if (auto* w = dynamic_cast<TWinControl*>(c)) w->HandleNeeded();
  CreateWindowDone();
  AlignChildren();
}

void TWinControl::DestroyWindowHandle() {
  HWND h = fHandle;
  fControlState.Include(csDestroyingHandle);
  DestroyWindow(h);
  fControlState.Exclude(csDestroyingHandle);
  Objects().erase(h.value);
  fHandle = HWND();
}
void TWinControl::DestroyWnd() { DestroyWindowHandle(); }
void TWinControl::DestroyHandle() {
  if (!fHandle) return;
  if (!IsWindow(fHandle)) {
    Objects().erase(fHandle.value);
    fHandle = HWND();
    return;
  }
  DestroyWnd();
}

void TWinControl::RecreateWnd() {
  if (!HandleAllocated()) return;
  DestroyHandle();
  CreateHandle();
}

void TWinControl::InsertControl(TControl* c) {
  c->fParent = this;
  fControls.push_back(c);
  if (auto* w = dynamic_cast<TWinControl*>(c)) fTabList.push_back(w);
  c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  c->Perform(CM_PARENTFONTCHANGED, 0, 0);
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    if (HandleAllocated()) {
      if (w->HandleAllocated())
        ::SetParent(w->fHandle, fHandle);
      else
        w->HandleNeeded();
    }
  }
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), TRUE);
  if (c->fAlign != alNone) Realign();
  c->Invalidate();
}

void TWinControl::RemoveControl(TControl* c) {
  for (TWinControl* p = this; p; p = p->fParent)
    if (TWinControl* f = FormControl(p)) FormControlRemoving(f, c);
  c->Invalidate();
  fControls.erase(std::remove(fControls.begin(), fControls.end(), c), fControls.end());
  if (auto* w = dynamic_cast<TWinControl*>(c)) {
    fTabList.erase(std::remove(fTabList.begin(), fTabList.end(), w), fTabList.end());
    if (w->HandleAllocated() && !w->fControlState.Contains(csDestroyingHandle)) w->DestroyHandle();
  }
  c->fParent = nullptr;
  Perform(CM_CONTROLLISTCHANGE, reinterpret_cast<WPARAM>(c), FALSE);
  if (c->fAlign != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl* c) const {
  for (TControl* p = c; p; p = p->fParent)
    if (p == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool AllowDisabled, bool AllowWinControls) {
  for (auto it = fControls.rbegin(); it != fControls.rend(); ++it) {
    TControl* c = *it;
    bool win = dynamic_cast<TWinControl*>(c) != nullptr;
    if (win && !AllowWinControls) continue;
    if (!c->fVisible || (!c->fEnabled && !AllowDisabled)) continue;
    if (p.x >= c->fLeft && p.x < c->fLeft + c->fWidth && p.y >= c->fTop && p.y < c->fTop + c->fHeight) {
      if (c->Perform(CM_HITTEST, 0, LParamFromPoint(TPoint{p.x - c->fLeft, p.y - c->fTop})) == 0) continue;
      return c;
    }
  }
  return nullptr;
}

TWinControl* TWinControl::FindChildControl(const String& name) const {
  for (TControl* c : fControls)
    if (auto* w = dynamic_cast<TWinControl*>(c); w && CompareText(w->Name(), name) == 0) return w;
  return nullptr;
}

void TWinControl::SetTabStop(bool v) {
  if (v == fTabStop) return;
  fTabStop = v;
  if (HandleAllocated()) {
    LONG_PTR s = GetWindowLong(fHandle, GWL_STYLE);
    SetWindowLong(fHandle, GWL_STYLE, v ? (s | WS_TABSTOP) : (s & ~static_cast<LONG_PTR>(WS_TABSTOP)));
  }
  Perform(CM_TABSTOPCHANGED, 0, 0);
}

int TWinControl::TabOrder() const {
  if (!fParent) return -1;
  auto& l = fParent->fTabList;
  auto it = std::find(l.begin(), l.end(), this);
  return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int v) {
  if (!fParent) return;
  auto& l = fParent->fTabList;
  l.erase(std::remove(l.begin(), l.end(), this), l.end());
  int n = static_cast<int>(l.size());
  if (v < 0 || v > n) v = n;
  l.insert(l.begin() + v, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : fTabList) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* cur, bool forward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  int n = static_cast<int>(list.size());
  if (n == 0) return nullptr;
  auto it = std::find(list.begin(), list.end(), cur);
  int start = it == list.end() ? (forward ? n - 1 : 0) : static_cast<int>(it - list.begin());
  int i = start;
  do {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[i];
    if (c->CanFocus() && (!checkTabStop || c->fTabStop) && (!checkParent || c->fParent == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* cur, bool forward, bool checkTabStop) {
  if (TWinControl* c = FindNextControl(cur, forward, checkTabStop, !checkTabStop)) c->SetFocus();
}

bool TWinControl::CanFocus() {
  TWinControl* form = ParentFormControl();
  if (!form) return fVisible && fEnabled;
  for (TControl* c = this; c; c = c->fParent) {
    if (!c->fVisible || !c->fEnabled) return false;
    if (c == form) break;
  }
  return true;
}

void TWinControl::SetFocus() {
  if (TWinControl* form = ParentFormControl()) {
    FormFocusControl(form, this);
  } else if (fParentWindow || !fParent) {
    ::SetFocus(Handle());
  }
}

bool TWinControl::Focused() { return HandleAllocated() && GetFocus() == fHandle; }

void TWinControl::SetBorderStyle(TBorderStyle v) {
  if (v == fBorderStyle) return;
  fBorderStyle = v;
  RecreateWnd();
}

void TWinControl::SetParentBackground(bool v) {
  if (v)
    fControlStyle.Include(csParentBackground);
  else
    fControlStyle.Exclude(csParentBackground);
  Invalidate();
}

void TWinControl::SetBorderWidth(int v) {
  if (v == fBorderWidth) return;
  fBorderWidth = v;
  Realign();
  Invalidate();
}

void TWinControl::EnableAlign() {
  if (fAlignLevel > 0 && --fAlignLevel == 0) Realign();
}

void TWinControl::Realign() { AlignChildren(); }

TRect TWinControl::ClientRect() {
  if (HandleAllocated()) {
    RECT r;
    GetClientRect(fHandle, &r);
    return r;
  }
  int edge = fBorderStyle == bsSingle ? 2 : 0;
  return TRect{0, 0, std::max(0, fWidth - 2 * edge), std::max(0, fHeight - 2 * edge)};
}

void TWinControl::SetClientSize(int w, int h) {
  TRect c = ClientRect();
  SetBounds(fLeft, fTop, fWidth - (c.right - c.left) + w, fHeight - (c.bottom - c.top) + h);
}

void TWinControl::AdjustClientRect(TRect& r) {
  r.left += fBorderWidth;
  r.top += fBorderWidth;
  r.right -= fBorderWidth;
  r.bottom -= fBorderWidth;
}

void TWinControl::AlignChildren() {
  if (fAlignLevel > 0 || fAligning) return;
  fAligning = true;
  try {
    TRect r = ClientRect();
    AdjustClientRect(r);
    AlignControls(nullptr, r);
  } catch (...) {
    fAligning = false;
    throw;
  }
  fAligning = false;
}

void TWinControl::AlignControls(TControl*, TRect& r) {
  auto place = [&](TAlign kind) {
    std::vector<TControl*> list;
    for (TControl* c : fControls)
      if (c->fAlign == kind && c->fVisible) list.push_back(c);
    auto key = [kind](TControl* c) {
      switch (kind) {
        case alTop: return c->fTop;
        case alBottom: return -(c->fTop + c->fHeight);
        case alLeft: return c->fLeft;
        case alRight: return -(c->fLeft + c->fWidth);
        default: return 0;
      }
    };
    std::stable_sort(list.begin(), list.end(), [&](TControl* a, TControl* b) { return key(a) < key(b); });
    for (TControl* c : list) {
      int w = c->fWidth, h = c->fHeight;
      int rw = std::max(0, static_cast<int>(r.right - r.left)), rh = std::max(0, static_cast<int>(r.bottom - r.top));
      switch (kind) {
        case alTop:
          c->fConstraints.Apply(rw, h);
          c->SetBounds(r.left, r.top, rw, h);
          r.top += c->fHeight;
          break;
        case alBottom:
          c->fConstraints.Apply(rw, h);
          c->SetBounds(r.left, r.bottom - h, rw, h);
          r.bottom -= c->fHeight;
          break;
        case alLeft:
          c->fConstraints.Apply(w, rh);
          c->SetBounds(r.left, r.top, w, rh);
          r.left += c->fWidth;
          break;
        case alRight:
          c->fConstraints.Apply(w, rh);
          c->SetBounds(r.right - w, r.top, w, rh);
          r.right -= c->fWidth;
          break;
        case alClient: c->SetBounds(r.left, r.top, rw, rh); break;
        default: break;
      }
    }
  };
  for (TAlign a : {alTop, alBottom, alLeft, alRight, alClient}) place(a);
}

void TWinControl::AnchorChildren(int oldW, int oldH) {
  TRect rc = ClientRect();
  int dw = rc.right - oldW, dh = rc.bottom - oldH;
  if (dw == 0 && dh == 0) return;
  for (TControl* c : std::vector<TControl*>(fControls)) {
    if (c->fAlign != alNone) continue;
    int l = c->fLeft, t = c->fTop, w = c->fWidth, h = c->fHeight;
    if (c->fAnchors.Contains(akRight)) {
      if (c->fAnchors.Contains(akLeft))
        w += dw;
      else
        l += dw;
    } else if (!c->fAnchors.Contains(akLeft)) {
      l += dw / 2;
    }
    if (c->fAnchors.Contains(akBottom)) {
      if (c->fAnchors.Contains(akTop))
        h += dh;
      else
        t += dh;
    } else if (!c->fAnchors.Contains(akTop)) {
      t += dh / 2;
    }
    c->SetBounds(l, t, w, h);
  }
}

void TWinControl::UpdateWindowPlacement() {
  if (HandleAllocated()) SetWindowPos(fHandle, HWND(), fLeft, fTop, fWidth, fHeight, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  CheckNewSize(AWidth, AHeight);
  if (ALeft == fLeft && ATop == fTop && AWidth == fWidth && AHeight == fHeight) return;
  TRect oldClient = ClientRect();
  bool sized = AWidth != fWidth || AHeight != fHeight;
  fLeft = ALeft;
  fTop = ATop;
  fWidth = AWidth;
  fHeight = AHeight;
  if (HandleAllocated()) {
    UpdateWindowPlacement();  // WM_WINDOWPOSCHANGED aligns and anchors
  } else if (sized) {
    AnchorChildren(oldClient.right, oldClient.bottom);
    AlignChildren();
  }
  if (!HandleAllocated() && sized) Resize();
  RequestAlign();
}

void TWinControl::SetEnabled(bool v) { TControl::SetEnabled(v); }

void TWinControl::UpdateShowing() {
  if (!HandleAllocated()) return;
  bool visible = fVisible;
  if (IsWindowVisible(fHandle) == visible && ((GetWindowLong(fHandle, GWL_STYLE) & WS_VISIBLE) != 0) == visible) return;
  ShowWindow(fHandle, visible ? SW_SHOWNA : SW_HIDE);
}

void TWinControl::Invalidate() {
  if (HandleAllocated()) InvalidateRect(fHandle, nullptr, !fControlStyle.Contains(csOpaque));
}
void TWinControl::Update() {
  if (HandleAllocated()) UpdateWindow(fHandle);
}
void TWinControl::Repaint() {
  Invalidate();
  Update();
}

void TWinControl::Broadcast(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(fControls)) {
    c->WndProc(m);
    if (m.Result) return;
  }
}

void TWinControl::PaintWindow(HDC) {}

void TWinControl::PaintControls(HDC dc, TControl* first) {
  bool go = first == nullptr;
  for (TControl* c : std::vector<TControl*>(fControls)) {
    if (c == first) go = true;
    if (!go || dynamic_cast<TWinControl*>(c) || !c->fVisible) continue;
    RECT r = c->BoundsRect();
    if (!RectVisible(dc, &r)) continue;
    int saved = SaveDC(dc);
    OffsetViewportOrgEx(dc, c->fLeft, c->fTop, nullptr);
    IntersectClipRect(dc, 0, 0, c->fWidth, c->fHeight);
    c->Perform(WM_PAINT, static_cast<WPARAM>(dc.value), 0);
    RestoreDC(dc, saved);
  }
}

void TWinControl::PaintHandler(HDC dc, const RECT*) {
  PaintWindow(dc);
  PaintControls(dc, nullptr);
}

void TWinControl::PaintTo(HDC dc, int X, int Y) {
  int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, X, Y, nullptr);
  Perform(WM_PRINT, static_cast<WPARAM>(dc.value), PRF_ERASEBKGND | PRF_CLIENT | PRF_CHILDREN);
  RestoreDC(dc, saved);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}
void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}
void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}
void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}
void TWinControl::KeyPress(char32_t& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  TWinControl* form = ParentFormControl();
  if (form && form != this && FormKeyPreview(form) && form->DoKeyDown(m)) return true;
  WORD key = static_cast<WORD>(m.WParam);
  if (!fControlStyle.Contains(csNoStdEvents)) {
    KeyDown(key, KeyDataToShiftState());
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TWinControl* form = ParentFormControl();
  if (form && form != this && FormKeyPreview(form) && form->DoKeyUp(m)) return true;
  WORD key = static_cast<WORD>(m.WParam);
  if (!fControlStyle.Contains(csNoStdEvents)) {
    KeyUp(key, KeyDataToShiftState());
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TWinControl* form = ParentFormControl();
  if (form && form != this && FormKeyPreview(form) && form->DoKeyPress(m)) return true;
  char32_t key = static_cast<char32_t>(m.WParam);
  if (!fControlStyle.Contains(csNoStdEvents)) {
    KeyPress(key);
    m.WParam = key;
    if (key == 0) return true;
  }
  return false;
}

void TWinControl::CNKeyDown(TMessage& m) {
  m.Result = 1;
  if (IsPopupShortCut(this, m) || IsShortCutForForm(this, m)) return;
  LRESULT mask = 0;
  switch (m.WParam) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN:
    case VK_ESCAPE:
    case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
  }
  if (mask && !(Perform(WM_GETDLGCODE, 0, 0) & mask)) {
    if (TWinControl* form = ParentFormControl(); form && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam)) return;
  }
  m.Result = 0;
}

// A character the control does not take, and any Alt+character, is first offered to the form's
// controls as an accelerator (CM_DIALOGCHAR); the one that answers 1 eats it.
void TWinControl::CNChar(TMessage& m) {
  m.Result = 0;
  if (Perform(WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS) return;
  if (TWinControl* form = ParentFormControl(); form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam)) m.Result = 1;
}

void TWinControl::CNSysChar(TMessage& m) {
  m.Result = 0;
  if (m.WParam == VK_SPACE) return;  // Alt+Space is the window menu's
  if (TWinControl* form = ParentFormControl(); form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam)) m.Result = 1;
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      gEatChar = false;
      if (Perform(m.Msg == WM_KEYDOWN ? CN_KEYDOWN : CN_SYSKEYDOWN, m.WParam, m.LParam)) {
        gEatChar = true;
        return;
      }
      break;
    case WM_KEYUP: gEatChar = false; break;
    case WM_CHAR:
    case WM_SYSCHAR:
      if (gEatChar) {
        gEatChar = false;
        return;
      }
      if (Perform(m.Msg == WM_CHAR ? CN_CHAR : CN_SYSCHAR, m.WParam, m.LParam)) return;
      break;
    default:
      if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK && gDrag.source != this) {
        // Mouse messages of graphic children (or of the one holding the capture) go to them.
        TControl* target = nullptr;
        if (gCaptureControl && gCaptureControl->fParent == this && GetCapture() == fHandle)
          target = gCaptureControl;
        else if (!GetCapture() || GetCapture() != fHandle || !gCaptureControl)
          target = ControlAtPos(PointFromLParam(m.LParam), false);
        if (gDrag.source && gDrag.source->fParent == this && !dynamic_cast<TWinControl*>(gDrag.source))
          target = gDrag.source;
        if (target && !dynamic_cast<TWinControl*>(target)) {
          TPoint p = PointFromLParam(m.LParam);
          TMessage cm{m.Msg, m.WParam, LParamFromPoint(TPoint{p.x - target->fLeft, p.y - target->fTop}), 0};
          target->WndProc(cm);
          m.Result = cm.Result;
          return;
        }
      }
      break;
  }
  TControl::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
  static constexpr TMessageMethod<TWinControl> kMessages[] = {
      {WM_COMMAND, &TWinControl::WMChildNotify},
      {WM_HSCROLL, &TWinControl::WMChildNotify},
      {WM_VSCROLL, &TWinControl::WMChildNotify},
      {WM_CTLCOLORSCROLLBAR, &TWinControl::WMChildNotify},
      {WM_PAINT, &TWinControl::WMPaint},
      {WM_ERASEBKGND, &TWinControl::WMEraseBkgnd},
      {WM_PRINT, &TWinControl::WMPrint},
      {WM_PRINTCLIENT, &TWinControl::WMPrint},
      {WM_SETFOCUS, &TWinControl::WMSetFocus},
      {WM_KEYDOWN, &TWinControl::WMKeyDown},
      {WM_SYSKEYDOWN, &TWinControl::WMKeyDown},
      {WM_KEYUP, &TWinControl::WMKeyUp},
      {WM_SYSKEYUP, &TWinControl::WMKeyUp},
      {WM_CHAR, &TWinControl::WMChar},
      {CN_KEYDOWN, &TWinControl::CNKeyDown},
      {CN_SYSKEYDOWN, &TWinControl::CNKeyDown},
      {CN_CHAR, &TWinControl::CNChar},
      {CN_SYSCHAR, &TWinControl::CNSysChar},
      {WM_GETDLGCODE, &TWinControl::WMGetDlgCode},
      {CM_ENTER, &TWinControl::CMEnter},
      {CM_EXIT, &TWinControl::CMExit},
      {CM_DIALOGKEY, &TWinControl::CMDialogKey},
      {CM_DIALOGCHAR, &TWinControl::CMDialogKey},
      {CM_COLORCHANGED, &TWinControl::CMColorChanged},
      {CM_FONTCHANGED, &TWinControl::CMFontChanged},
      {CM_ENABLEDCHANGED, &TWinControl::CMEnabledChanged},
      {CM_VISIBLECHANGED, &TWinControl::CMVisibleChanged},
      {CM_TEXTCHANGED, &TWinControl::CMTextChanged},
      {WM_SETTEXT, &TWinControl::WMSetText},
      {WM_WINDOWPOSCHANGING, &TWinControl::WMWindowPosChanging},
      {WM_WINDOWPOSCHANGED, &TWinControl::WMWindowPosChanged},
      {WM_SETCURSOR, &TWinControl::WMSetCursor},
      {WM_CONTEXTMENU, &TWinControl::WMContextMenu},
      {WM_CANCELMODE, &TWinControl::WMCancelMode},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TControl::Dispatch(m);
}

void TWinControl::WMChildNotify(TMessage& m) {
  // A child's notification goes back to the child as CN_ + the message.
  if (m.LParam) {
    TWinControl* child = FromHandle(HWND(static_cast<std::uintptr_t>(m.LParam)));
    if (child && child != this) {
      m.Result = child->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
      return;
    }
  }
  TControl::Dispatch(m);
}

void TWinControl::WMPaint(TMessage& m) {
  if (m.WParam) {
    PaintHandler(HDC(static_cast<std::uintptr_t>(m.WParam)), nullptr);
  } else {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(fHandle, &ps);
    PaintHandler(dc, &ps.rcPaint);
    EndPaint(fHandle, &ps);
  }
}

void TWinControl::WMEraseBkgnd(TMessage& m) {
  HDC dc(static_cast<std::uintptr_t>(m.WParam));
  RECT r;
  GetClientRect(fHandle, &r);
  HBRUSH b = CreateSolidBrush(ColorToRGB(fColor));
  FillRect(dc, &r, b);
  DeleteObject(b);
  m.Result = 1;
}

void TWinControl::WMPrint(TMessage& m) {
  HDC dc(static_cast<std::uintptr_t>(m.WParam));
  if (m.Msg == WM_PRINTCLIENT || (m.LParam & PRF_ERASEBKGND)) Perform(WM_ERASEBKGND, m.WParam, 0);
  if (m.Msg == WM_PRINTCLIENT || (m.LParam & PRF_CLIENT)) PaintHandler(dc, nullptr);
  if (m.Msg == WM_PRINT && (m.LParam & PRF_CHILDREN)) {
    for (TControl* c : std::vector<TControl*>(fControls)) {
      auto* w = dynamic_cast<TWinControl*>(c);
      if (!w || !w->fVisible) continue;
      int saved = SaveDC(dc);
      OffsetViewportOrgEx(dc, w->fLeft, w->fTop, nullptr);
      IntersectClipRect(dc, 0, 0, w->fWidth, w->fHeight);
      w->Perform(WM_PRINT, m.WParam, m.LParam);
      RestoreDC(dc, saved);
    }
  }
}

void TWinControl::WMSetFocus(TMessage& m) {
  if (TWinControl* form = ParentFormControl(); form && form != this) FormSetFocusedControl(form, this);
  DefaultHandler(m);
}

void TWinControl::WMKeyDown(TMessage& m) {
  if (!DoKeyDown(m)) DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
  if (!DoKeyUp(m)) DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
  if (!DoKeyPress(m)) DefaultHandler(m);
}

void TWinControl::WMGetDlgCode(TMessage& m) { m.Result = DialogCode(); }

void TWinControl::CMEnter(TMessage&) { DoEnter(); }

void TWinControl::CMExit(TMessage&) { DoExit(); }

void TWinControl::CMDialogKey(TMessage& m) { Broadcast(m); }

void TWinControl::CMColorChanged(TMessage& m) {
  TControl::Dispatch(m);
  for (TControl* c : std::vector<TControl*>(fControls)) c->Perform(CM_PARENTCOLORCHANGED, 0, 0);
}

void TWinControl::CMFontChanged(TMessage& m) {
  TControl::Dispatch(m);
  for (TControl* c : std::vector<TControl*>(fControls)) c->Perform(CM_PARENTFONTCHANGED, 0, 0);
}

void TWinControl::CMEnabledChanged(TMessage&) {
  if (HandleAllocated()) EnableWindow(fHandle, fEnabled);
  Invalidate();
}

void TWinControl::CMVisibleChanged(TMessage&) { UpdateShowing(); }

void TWinControl::CMTextChanged(TMessage&) {
  if (HandleAllocated()) {
    String t = fText;
    DefWindowProc(fHandle, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(t.c_str()));
  }
  Invalidate();
}

void TWinControl::WMSetText(TMessage& m) {
  if (m.LParam) fText = reinterpret_cast<const char*>(m.LParam);
  DefaultHandler(m);
  Invalidate();
}

void TWinControl::WMWindowPosChanging(TMessage& m) {
  // CanResize and the size constraints hold for moves made by the user too.
  auto* wp = reinterpret_cast<WINDOWPOS*>(m.LParam);
  if (wp && !(wp->flags & SWP_NOSIZE)) {
    int w = wp->cx, h = wp->cy;
    CheckNewSize(w, h);
    wp->cx = w;
    wp->cy = h;
  }
  DefaultHandler(m);
}

void TWinControl::WMWindowPosChanged(TMessage& m) {
  DefaultHandler(m);
  if (!HandleAllocated()) return;
  RECT wr;
  GetWindowRect(fHandle, &wr);
  if (fParent || (GetWindowLong(fHandle, GWL_STYLE) & WS_CHILD)) {
    HWND p = GetParent(fHandle);
    MapWindowPoints(HWND(), p, &wr);
  }
  bool sized = (wr.right - wr.left) != fWidth || (wr.bottom - wr.top) != fHeight;
  fLeft = wr.left;
  fTop = wr.top;
  fWidth = wr.right - wr.left;
  fHeight = wr.bottom - wr.top;
  RECT rc;
  GetClientRect(fHandle, &rc);
  if (rc.right != fOldClientW || rc.bottom != fOldClientH) {
    int ow = fOldClientW, oh = fOldClientH;
    fOldClientW = rc.right;
    fOldClientH = rc.bottom;
    AnchorChildren(ow, oh);
    AlignChildren();
    sized = true;
  }
  if (sized) Resize();
}

void TWinControl::WMSetCursor(TMessage& m) {
  if (static_cast<WPARAM>(fHandle.value) == m.WParam && LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT) {
    TCursor c = ScreenCursor();
    if (c == crDefault) {
      POINT p;
      GetCursorPos(&p);
      TControl* under = ControlAtPos(ScreenToClient(p), false);
      c = under ? under->fCursor : fCursor;
      if (c == crDefault) c = fCursor;
    }
    if (c != crDefault) {
      ::SetCursor(ScreenCursorHandle(c));
      m.Result = 1;
      return;
    }
  }
  DefaultHandler(m);
}

void TWinControl::WMContextMenu(TMessage& m) {
  TPoint screen = PointFromLParam(m.LParam);
  TControl* target = this;
  if (screen.x != -1 || screen.y != -1) {
    TControl* c = ControlAtPos(ScreenToClient(screen), false);
    if (c) target = c;
  } else {
    screen = ClientToScreen(TPoint{0, 0});
  }
  bool handled = false;
  target->DoContextPopup(target->ScreenToClient(screen), handled);
  if (handled) {
    m.Result = 1;
    return;
  }
  for (TControl* c = target; c; c = c->fParent)
    if (PopupControlMenu(c, screen)) {
      m.Result = 1;
      return;
    }
  DefaultHandler(m);
}

void TWinControl::WMCancelMode(TMessage& m) {
  if (gDrag.source) CancelDrag();
  DefaultHandler(m);
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (!fHandle) {
    TControl::DefaultHandler(m);
    return;
  }
  m.Result = DefWindowProc(fHandle, m.Msg, m.WParam, m.LParam);
}

// ---- TControlCanvas, TGraphicControl, TCustomControl ----------------------------------------

TControlCanvas::~TControlCanvas() { FreeHandle(); }

void TControlCanvas::SetControl(TControl* c) {
  if (c == fControl) return;
  FreeHandle();
  fControl = c;
}

void TControlCanvas::CreateHandle() {
  if (!fControl) return;
  TWinControl* w = dynamic_cast<TWinControl*>(fControl);
  TPoint origin{0, 0};
  if (!w) {
    w = fControl->Parent();
    origin = TPoint{fControl->Left(), fControl->Top()};
  }
  if (!w) return;
  fWindow = w->Handle();
  fDC = GetDC(fWindow);
  if (!fDC) return;
  SetViewportOrgEx(fDC, origin.x, origin.y, nullptr);
  if (!dynamic_cast<TWinControl*>(fControl)) IntersectClipRect(fDC, 0, 0, fControl->Width(), fControl->Height());
  gCanvasesWithDC.push_back(this);
  SetHandle(fDC);
}

void TControlCanvas::FreeHandle() {
  if (!fDC) return;
  SetHandle(HDC());
  ReleaseDC(fWindow, fDC);
  fDC = HDC();
  gCanvasesWithDC.erase(std::remove(gCanvasesWithDC.begin(), gCanvasesWithDC.end(), this), gCanvasesWithDC.end());
}

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner), fCanvas(std::make_unique<TControlCanvas>()) {
  fCanvas->SetControl(this);
}
TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& m) {
  if (m.Msg == WM_PAINT) {
    if (!m.WParam) return;
    fCanvas->FreeHandle();
    fCanvas->SetHandle(HDC(static_cast<std::uintptr_t>(m.WParam)));
    try {
      fCanvas->Font()->Assign(Font());
      Paint();
    } catch (...) {
      fCanvas->SetHandle(HDC());
      throw;
    }
    fCanvas->SetHandle(HDC());
    return;
  }
  TControl::Dispatch(m);
}

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner), fCanvas(std::make_unique<TControlCanvas>()) {
  fCanvas->SetControl(this);
}
TCustomControl::~TCustomControl() { fCanvas->FreeHandle(); }

void TCustomControl::PaintWindow(HDC dc) {
  fCanvas->FreeHandle();
  fCanvas->SetHandle(dc);
  try {
    fCanvas->Font()->Assign(Font());
    fCanvas->Brush()->SetColor(Color());
    Paint();
  } catch (...) {
    fCanvas->SetHandle(HDC());
    throw;
  }
  fCanvas->SetHandle(HDC());
}
