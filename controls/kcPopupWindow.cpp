#include "controls/kcPopupWindow.h"

#include <algorithm>

TkcPopupWindow::TkcPopupWindow(TComponent* AOwner) : TForm(AOwner), fKcCanvas(std::make_unique<TkcCanvas>(Canvas())) {
  SetBorderStyle(bsNone);
  DefaultMonitor = dmDesktop;
  SetFormStyle(fsStayOnTop);
  SetVisible(false);
}

TkcPopupWindow::~TkcPopupWindow() = default;

void TkcPopupWindow::SetOwnerParent(TControl* Value) {
  if (fOwnerParent == Value) return;
  if (fOwnerParent) fOwnerParent->RemoveFreeNotification(this);
  fOwnerParent = Value;
  if (fOwnerParent) fOwnerParent->FreeNotification(this);
}

void TkcPopupWindow::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fOwnerParent) fOwnerParent = nullptr;
}

int TkcPopupWindow::GetBorderWidth() {
  switch (fPopupBorderStyle) {
    case 1:
    case 2: return 1;
    case 3: return 2;
    default: return 0;
  }
}

void TkcPopupWindow::SetPopupBorderStyle(int Value) {
  // The children go back to where they were before the frame moved them.
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() - fAppliedLeft, c->Top() - fAppliedTop, c->Width(), c->Height());
  }
  fAppliedLeft = fAppliedTop = 0;
  fPopupBorderStyle = Value;
}

void TkcPopupWindow::GetOwnerScreenBounds(TRect& R) {
  R = OwnerBounds;
  if (!fOwnerParent) return;
  TPoint a = fOwnerParent->ClientToScreen(TPoint{R.left, R.top});
  TPoint b = fOwnerParent->ClientToScreen(TPoint{R.right, R.bottom});
  R = TRect{a.x, a.y, b.x, b.y};
}

void TkcPopupWindow::InitPopup() {
  if (fOwnerParent) SetFont(fOwnerParent->Font());
}

void TkcPopupWindow::CalculateSize() {
  if (!AutoSizeToContent || ControlCount() == 0) return;
  int left = GetEdgeWidth(0), top = GetEdgeWidth(1);
  int right = 0, bottom = 0;
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    TRect r = c->BoundsRect();
    OffsetRect(&r, -fAppliedLeft, -fAppliedTop);
    right = std::max<int>(right, r.right);
    bottom = std::max<int>(bottom, r.bottom);
    c->SetBounds(r.left + left, r.top + top, c->Width(), c->Height());
  }
  fAppliedLeft = left;
  fAppliedTop = top;
  SetBounds(Left(), Top(), left + right + GetEdgeWidth(2), top + bottom + GetEdgeWidth(3));
}

void TkcPopupWindow::CalculatePosition(TPoint& P) {
  TRect o;
  GetOwnerScreenBounds(o);
  const int w = Width(), h = Height();
  int horz = HorzAlignment, vert = VertAlignment;
  TPoint a = P;
  if (horz == 1) P.x = a.x = (o.left + o.right - w) / 2;
  if (vert == 1) P.y = a.y = (o.top + o.bottom - h) / 2;
  auto place = [&] {
    if (PopupDirection == 1) {
      if (horz == 0) P.x = a.x = o.left;
      if (horz == 2) P.x = o.right - w, a.x = o.right;
      if (vert == 0) P.y = o.top - h, a.y = o.top;
      if (vert == 2) P.y = a.y = o.bottom;
    } else {
      if (horz == 0) P.x = o.left - w, a.x = o.left;
      if (horz == 2) P.x = a.x = o.right;
      if (vert == 0) P.y = a.y = o.top;
      if (vert == 2) P.y = o.bottom - h, a.y = o.bottom;
    }
  };
  place();
  TRect d = GetDesktopWorkArea(a);
  if (PopupDirection == 1) {
    bool roomAbove = (o.top - d.top) > (d.bottom - o.bottom);
    if (vert == 0 && P.y < d.top && !roomAbove)
      vert = 2;
    else if (vert == 2 && P.y + h > d.bottom && roomAbove)
      vert = 0;
    place();
  } else {
    bool roomLeft = (o.left - d.left) > (d.right - o.right);
    if (horz == 0 && P.x < d.left && !roomLeft)
      horz = 2;
    else if (horz == 2 && P.x + w > d.right && roomLeft)
      horz = 0;
    place();
  }
  if (PopupDirection == 1 || horz == 1) {
    if (P.x + w > d.right) P.x = d.right - w;
    if (P.x < d.left) P.x = d.left;
  }
  if (PopupDirection == 0 || vert == 1) {
    if (P.y + h > d.bottom) P.y = d.bottom - h;
    if (P.y < d.top) P.y = d.top;
  }
}

void TkcPopupWindow::DrawFrame() {
  TRect r = ClientRect();
  switch (fPopupBorderStyle) {
    case 1: fKcCanvas->FrameRect(r, FlatFrameColor); break;
    case 2: fKcCanvas->DrawEdge(r, false, false); break;
    case 3:
      fKcCanvas->DrawEdge(r, false, false);
      InflateRect(&r, -1, -1);
      fKcCanvas->DrawEdge(r, false, true);
      break;
    default: break;
  }
}

void TkcPopupWindow::Popup() {
  InitPopup();
  CalculateSize();
  TPoint p;
  CalculatePosition(p);
  SetBounds(p.x, p.y, Width(), Height());
  Show();
}

void TkcPopupWindow::PaintWindow(HDC dc) {
  inherited::PaintWindow(dc);
  Canvas()->SetHandle(dc);
  DrawFrame();
  Canvas()->SetHandle(HDC());
}

void TkcPopupWindow::Deactivate() {
  inherited::Deactivate();
  ClosePopup();
}

void TkcPopupWindow::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ACTIVATE:
      inherited::Dispatch(Message);
      if (LOWORD(Message.WParam) != WA_INACTIVE) {
        // The owner form keeps its active caption while the popup is active.
        fPrevActiveWindow = HWND(static_cast<std::uintptr_t>(Message.LParam));
        if (IsWindow(fPrevActiveWindow)) SendMessage(fPrevActiveWindow, WM_NCACTIVATE, TRUE, 0);
      }
      return;
    case WM_ACTIVATEAPP:
      DefaultHandler(Message);
      if (Message.WParam == 0) {
        if (IsWindow(fPrevActiveWindow)) SendMessage(fPrevActiveWindow, WM_NCACTIVATE, FALSE, 0);
        ClosePopup();
      }
      return;
    case CM_VISIBLECHANGED:
      inherited::Dispatch(Message);
      VisibleChanged();
      return;
  }
  inherited::Dispatch(Message);
}
