#include "controls/kcInnerListBox.h"

#include "platform/core/Clock.h"
#include "platform/core/Utf8.h"

namespace {
bool IsScrollBarsMessage(UINT AMsg, WPARAM AWParam) {
  switch (AMsg) {
    case WM_SETREDRAW: return AWParam != 0;
    case WM_WINDOWPOSCHANGED:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
    case LB_DELETESTRING:
    case LB_RESETCONTENT:
    case LB_SETCURSEL:
    case LB_SETHORIZONTALEXTENT:
    case LB_SETTOPINDEX:
    case LB_SETCARETINDEX:
    case WM_MOUSEWHEEL:
    case CM_WININICHANGE: return true;
    default: return false;
  }
}
}  // namespace

TkcCustomInnerListBox::TkcCustomInnerListBox(TComponent* AOwner)
    : TListBox(AOwner), fCanvas(std::make_unique<TkcCanvas>(Canvas())) {
  for (TScrollBarKind kind : {sbHorizontal, sbVertical}) {
    auto* bar = new TkcScrollBar(this);
    bar->FreeNotification(this);
    bar->SetKind(kind);
    bar->OnScroll = kind == sbHorizontal ? TScrollEvent(this, &TkcCustomInnerListBox::HScrollBarScroll)
                                         : TScrollEvent(this, &TkcCustomInnerListBox::VScrollBarScroll);
    bar->SmallChange = 1;
    bar->SetVisible(false);
    (kind == sbHorizontal ? fHScrollBar : fVScrollBar) = bar;
  }
  fLookAndFeel = std::make_unique<TkcLookAndFeel>(this);
  fLookAndFeel->OnChanged = TkcLookAndFeelChangedEvent(this, &TkcCustomInnerListBox::LookAndFeelChanged);
  fHScrollBar->LookAndFeel()->SetMasterLookAndFeel(fLookAndFeel.get());
  fVScrollBar->LookAndFeel()->SetMasterLookAndFeel(fLookAndFeel.get());
  SetBorderStyle(bsNone);
  TControlStyle style = ControlStyle();
  style.Exclude(csOpaque);
  style.Include(csDoubleClicks);
  SetControlStyle(style);
  SetParentColor(false);
  SetParentFont(true);
}

TkcCustomInnerListBox::~TkcCustomInnerListBox() {
  // Bars placed on the container are the container's children: free them here.
  delete fHScrollBar;
  delete fVScrollBar;
  fLookAndFeel->OnChanged = nullptr;
}

bool TkcCustomInnerListBox::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcContainerInnerControl>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

void TkcCustomInnerListBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == fHScrollBar) fHScrollBar = nullptr;
  if (AComponent == fVScrollBar) fVScrollBar = nullptr;
}

// ---- Incremental search ---------------------------------------------------------------------

void TkcCustomInnerListBox::DoAutoComplete(char32_t& Key) {
  if (!AutoComplete) return;
  DWORD now = GetTickCount();
  if (now - fLastKeyTime >= AutoCompleteDelay) fSearchText.clear();
  fLastKeyTime = now;
  if (Key == VK_BACK) {
    // A whole character goes; an empty text stays empty.
    if (!fSearchText.empty()) fSearchText.erase(Utf8Prev(fSearchText, fSearchText.size()));
  } else {
    fSearchText += Utf8Encode(Key);
  }
  if (fSearchText.empty()) {
    SetItemIndex(0);
    Click();
    return;
  }
  int index = DoFindData(fSearchText);
  if (index != -1) {
    if (MultiSelect()) {
      ClearSelection();
      SetSelected(index, true);
    }
    SetItemIndex(index);
    Click();
  }
  if (Key != VK_BACK && Key != VK_RETURN && Key != VK_ESCAPE) Key = 0;
}

// ---- Events passed on to the container ------------------------------------------------------

void TkcCustomInnerListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseDown(Button, Shift, X, Y);
  if (link.Alive() && Container) Container->InnerMouseDownAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerListBox::MouseMove(TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseMove(Shift, X, Y);
  if (link.Alive() && Container) Container->InnerMouseMoveAt(Shift, X + Left(), Y + Top());
}

void TkcCustomInnerListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  inherited::MouseUp(Button, Shift, X, Y);
  if (link.Alive() && Container) Container->InnerMouseUpAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerListBox::KeyDown(WORD& Key, TShiftState Shift) {
  if (Container) Container->InnerKeyDown(Key, Shift);
  if (Key != 0) inherited::KeyDown(Key, Shift);
}

void TkcCustomInnerListBox::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB) Key = 0;
  if (Container) Container->InnerKeyUp(Key, Shift);
  if (Key != 0) inherited::KeyUp(Key, Shift);
}

void TkcCustomInnerListBox::KeyPress(char32_t& Key) {
  if (Key == VK_TAB) Key = 0;
  if (Key != 0 && Container) Container->InnerKeyPress(Key);
  if (Key == VK_RETURN) Key = 0;
  if (Key == 0) return;
  if (OnKeyPress) OnKeyPress(this, Key);
  if (Key != 0) DoAutoComplete(Key);
}

void TkcCustomInnerListBox::Click() {
  inherited::Click();
  if (fVScrollBar && fVScrollBar->Visible()) fVScrollBar->SetPosition(TopIndex());
  if (Container) Container->InnerClick();
}

void TkcCustomInnerListBox::DblClick() {
  inherited::DblClick();
  if (Container) Container->InnerDblClick();
}

bool TkcCustomInnerListBox::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (Container && Container->InnerMouseWheel(Shift, WheelDelta, MousePos)) return true;
  return inherited::DoMouseWheel(Shift, WheelDelta, MousePos);
}

// ---- Scroll bars ----------------------------------------------------------------------------

void TkcCustomInnerListBox::SetScrollBarsParameters() {
  if (ComponentState().Contains(csDestroying) || fScrollBarsLockCount > 0 || !IsScrollBarInfoAvailable() ||
      fRedrawLocked || !HandleAllocated())
    return;
  fScrollBarsCalculating = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fScrollBarsCalculating};
  for (TkcScrollBar* bar : {fHScrollBar, fVScrollBar}) {
    if (!bar) continue;
    bool visible = false;
    SCROLLBARINFO info;
    bool horizontal = bar == fHScrollBar;
    if (Parent() && GetWindowScrollBarInfo(Handle(), horizontal ? OBJID_HSCROLL : OBJID_VSCROLL, info) &&
        !(info.rgstate[0] & (STATE_SYSTEM_INVISIBLE | STATE_SYSTEM_OFFSCREEN))) {
      visible = true;
      bar->SetEnabled(!(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && Parent()->Enabled());
      TPoint tl = Parent()->ScreenToClient(TPoint{info.rcScrollBar.left, info.rcScrollBar.top});
      int w = info.rcScrollBar.right - info.rcScrollBar.left, h = info.rcScrollBar.bottom - info.rcScrollBar.top;
      // A bar that would stick out of the list box is not shown.
      if (tl.x < 0 || tl.y < 0 || w > Width() || h > Height())
        visible = false;
      else
        bar->SetBounds(tl.x, tl.y, w, h);
    }
    if (visible) {
      ++fScrollBarsLockCount;
      bar->SetParent(Parent());
      bar->BringToFront();
      --fScrollBarsLockCount;
    } else {
      bar->SetBounds(0, 0, 0, 0);
    }
    bar->SetVisible(visible);
    if (!visible) continue;
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    if (!GetScrollInfo(Handle(), horizontal ? SB_HORZ : SB_VERT, &si)) continue;
    int page = si.nMax < static_cast<int>(si.nPage) ? si.nMax : static_cast<int>(si.nPage);
    bar->SetScrollParams(si.nMin, si.nMax, si.nPos, page, true);
  }
}

void TkcCustomInnerListBox::HScrollBarScroll(TObject*, TScrollCode ScrollCode, int& ScrollPos) {
  if (!fHScrollBar || !fHScrollBar->HandleAllocated()) return;
  // Straight to the list box's own handling (not reflected to a child).
  TMessage m{WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(ScrollCode), static_cast<WORD>(ScrollPos)), 0, 0};
  TCustomListBox::Dispatch(m);
  ScrollPos = GetScrollPos(Handle(), SB_HORZ);
}

void TkcCustomInnerListBox::VScrollBarScroll(TObject*, TScrollCode ScrollCode, int& ScrollPos) {
  if (!fVScrollBar || !fVScrollBar->HandleAllocated()) return;
  if (ScrollCode == scLineUp || ScrollCode == scLineDown) {
    SetTopIndex(ScrollPos);
    return;
  }
  TMessage m{WM_VSCROLL, MAKEWPARAM(static_cast<WORD>(ScrollCode), static_cast<WORD>(ScrollPos)), 0, 0};
  TCustomListBox::Dispatch(m);
  ScrollPos = GetScrollPos(Handle(), SB_VERT);
}

void TkcCustomInnerListBox::GetScrollBarsCornerRect(TRect& R) {
  R = TRect{};
  if (!fHScrollBar || !fVScrollBar || !fHScrollBar->Visible() || !fVScrollBar->Visible() || !Parent()) return;
  TPoint corner = Parent()->ClientToScreen(TPoint{fVScrollBar->Left(), fHScrollBar->Top()});
  RECT window;
  GetWindowRect(Handle(), &window);
  R.left = corner.x - window.left;
  R.top = corner.y - window.top;
  R.right = R.left + fVScrollBar->Width();
  R.bottom = R.top + fHScrollBar->Height();
}

// ---- Messages -------------------------------------------------------------------------------

void TkcCustomInnerListBox::WndProc(TMessage& Message) {
  if (Container && Container->InnerControlMenuHandler(Message)) return;
  TkcObjectLinkScope link(this);
  UINT msg = Message.Msg;
  WPARAM wParam = Message.WParam;
  inherited::WndProc(Message);
  if (link.Alive() && IsScrollBarsMessage(msg, wParam)) SetScrollBarsParameters();
}

void TkcCustomInnerListBox::DefaultHandler(TMessage& Message) {
  if (Container && Container->InnerControlDefaultHandler(Message)) return;
  inherited::DefaultHandler(Message);
}

void TkcCustomInnerListBox::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETDLGCODE:
      inherited::Dispatch(Message);
      if (Container) {
        Message.Result |= DLGC_WANTCHARS;
        if (!(GetKeyState(VK_CONTROL) & 0x8000)) Message.Result |= DLGC_WANTTAB;
      }
      return;
    case WM_CHAR:
      // The incremental search is this list box's own (KeyPress), not the platform's.
      TCustomControl::Dispatch(Message);
      return;
    case WM_SETFOCUS: {
      TkcObjectLinkScope link(this);
      HWND from = HWND(static_cast<std::uintptr_t>(Message.WParam));
      inherited::Dispatch(Message);
      if (link.Alive() && Container && !Container->IsContainerDestroying() &&
          !ComponentState().Contains(csDestroying) && !(Container->HandleAllocated() && from == Container->Handle()))
        Container->FocusChanged();
      return;
    }
    case WM_KILLFOCUS: {
      TkcObjectLinkScope link(this);
      inherited::Dispatch(Message);
      if (link.Alive() && Container && !Container->IsContainerDestroying()) Container->FocusChanged();
      return;
    }
    case WM_SETREDRAW:
      DefaultHandler(Message);
      fRedrawLocked = Message.WParam == 0;
      if (Message.WParam && !ComponentState().Contains(csDestroying)) SetScrollBarsParameters();
      return;
    case WM_NCCALCSIZE:
      inherited::Dispatch(Message);
      if (!fScrollBarsCalculating) SetScrollBarsParameters();
      return;
    case WM_NCPAINT: {
      inherited::Dispatch(Message);
      TRect corner;
      GetScrollBarsCornerRect(corner);
      if (IsScrollBarInfoAvailable() && !IsRectEmpty(&corner)) {
        HDC dc = GetWindowDC(Handle());
        FillRectWithColor(dc, corner, clBtnFace);
        ReleaseDC(Handle(), dc);
      }
      return;
    }
    case WM_WINDOWPOSCHANGED: {
      inherited::Dispatch(Message);
      TRect corner;
      GetScrollBarsCornerRect(corner);
      if (!ComponentState().Contains(csDestroying) && !IsRectEmpty(&corner)) {
        HRGN region = CreateRectRgnIndirect(corner);
        SendMessage(Handle(), WM_NCPAINT, static_cast<WPARAM>(region.value), 0);
        DeleteObject(region);
      }
      return;
    }
    case WM_LBUTTONDOWN: {
      if (!Container || Container->DragMode() != dmAutomatic || Container->IsDesigning()) break;
      TDragMode saved = DragMode();
      SetDragMode(dmManual);
      struct Restore {
        TkcCustomInnerListBox* box;
        TDragMode mode;
        TkcObjectLinkScope link;
        ~Restore() {
          if (link.Alive()) box->SetDragMode(mode);
        }
      } restore{this, saved, TkcObjectLinkScope(this)};
      TShiftState shift = KeysToShiftState(static_cast<WORD>(Message.WParam));
      TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      int item = ItemAtPos(p, true);
      if (MultiSelect() && (!shift.Contains(ssShift) || shift.Contains(ssCtrl)) && item >= 0 && Selected(item)) {
        Container->BeginDrag(false, -1);
        return;
      }
      inherited::Dispatch(Message);
      if (restore.link.Alive() && !(MultiSelect() && (shift.Contains(ssShift) || shift.Contains(ssCtrl))))
        Container->BeginDrag(false, -1);
      return;
    }
  }
  inherited::Dispatch(Message);
}
