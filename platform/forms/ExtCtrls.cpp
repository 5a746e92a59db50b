#include "platform/forms/ExtCtrls.h"

#include <algorithm>

#include "platform/forms/Forms.h"

// ---- TTimer ---------------------------------------------------------------------------------

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {}

TTimer::~TTimer() {
  if (fWindow && IsWindow(fWindow)) {
    KillTimer(fWindow, 1);
    DeallocateHWnd(fWindow);
  }
}

void TTimer::WndProc(TMessage& m) {
  if (m.Msg == WM_TIMER) {
    try {
      if (fOnTimer) fOnTimer(this);
    } catch (...) {
      Application->HandleException(this);
    }
    return;
  }
  m.Result = DefWindowProc(fWindow, m.Msg, m.WParam, m.LParam);
}

void TTimer::UpdateTimer() {
  if (fWindow && IsWindow(fWindow)) KillTimer(fWindow, 1);
  if (!fEnabled || fInterval == 0 || !fOnTimer) return;
  if (!fWindow || !IsWindow(fWindow)) fWindow = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  if (!SetTimer(fWindow, 1, fInterval)) throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool v) {
  if (v == fEnabled) return;
  fEnabled = v;
  UpdateTimer();
}
void TTimer::SetInterval(UINT v) {
  if (v == fInterval) return;
  fInterval = v;
  UpdateTimer();
}
void TTimer::SetOnTimer(TNotifyEvent e) {
  fOnTimer = std::move(e);
  UpdateTimer();
}

// ---- TCustomPanel ---------------------------------------------------------------------------

TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 185;
  fHeight = 41;
  fColor = clBtnFace;
  fParentColor = false;
  fControlStyle.Include(csAcceptsControls);
  fControlStyle.Include(csOpaque);
}

void TCustomPanel::SetBevelInner(TBevelCut v) {
  fBevelInner = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelOuter(TBevelCut v) {
  fBevelOuter = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetBevelWidth(int v) {
  fBevelWidth = v;
  Realign();
  Invalidate();
}
void TCustomPanel::SetAlignment(TAlignment v) {
  fAlignment = v;
  Invalidate();
}

void TCustomPanel::AdjustClientRect(TRect& r) {
  TCustomControl::AdjustClientRect(r);
  int bevel = (fBevelOuter != bvNone ? fBevelWidth : 0) + (fBevelInner != bvNone ? fBevelWidth : 0);
  InflateRect(&r, -bevel, -bevel);
}

void TCustomPanel::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  HDC dc = c->Handle();
  auto frame = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    for (int i = 0; i < fBevelWidth; ++i) {
      RECT e = r;
      DrawEdge(dc, &e, cut == bvLowered ? BDR_SUNKENOUTER : cut == bvRaised ? BDR_RAISEDINNER : 0, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  };
  frame(fBevelOuter);
  InflateRect(&r, -fBorderWidth, -fBorderWidth);
  frame(fBevelInner);
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (!fText.empty()) {
    c->Brush()->SetStyle(bsClear);
    c->TextExtent("");
    SetTextColor(dc, ColorToRGB(Font()->Color()));
    UINT f = DT_VCENTER | DT_SINGLELINE |
             (fAlignment == taCenter         ? DT_CENTER
              : fAlignment == taRightJustify ? DT_RIGHT
                                             : DT_LEFT);
    DrawText(dc, fText, &r, f);
  }
}

// ---- TBevel ---------------------------------------------------------------------------------

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  fWidth = 50;
  fHeight = 50;
}
void TBevel::SetShape(TBevelShape v) {
  fShape = v;
  Invalidate();
}
void TBevel::SetStyle(TBevelStyle v) {
  fStyle = v;
  Invalidate();
}

void TBevel::Paint() {
  if (fShape == bsSpacer) return;
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  UINT edge = fStyle == bsLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER;
  UINT sides = BF_RECT;
  switch (fShape) {
    case bsFrame: edge = fStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP; break;
    case bsTopLine: sides = BF_TOP, edge = fStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP; break;
    case bsBottomLine: sides = BF_BOTTOM, edge = fStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP; break;
    case bsLeftLine: sides = BF_LEFT, edge = fStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP; break;
    case bsRightLine: sides = BF_RIGHT, edge = fStyle == bsLowered ? EDGE_ETCHED : EDGE_BUMP; break;
    default: break;
  }
  DrawEdge(dc, &r, edge, sides);
}

// ---- TImage, TPaintBox ----------------------------------------------------------------------

TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), fPicture(std::make_unique<TPicture>()) {
  fWidth = 105;
  fHeight = 105;
  fPicture->OnChange = TNotifyEvent(this, &TImage::PictureChanged);
}
TImage::~TImage() { fPicture->OnChange = nullptr; }

void TImage::PictureChanged(TObject*) {
  if (fAutoSize && fPicture->Width() > 0) SetBounds(fLeft, fTop, fPicture->Width(), fPicture->Height());
  Invalidate();
}
void TImage::SetCenter(bool v) {
  fCenter = v;
  Invalidate();
}
void TImage::SetStretch(bool v) {
  fStretch = v;
  Invalidate();
}
void TImage::SetTransparent(bool v) {
  fTransparent = v;
  Invalidate();
}
void TImage::SetAutoSize(bool v) {
  fAutoSize = v;
  PictureChanged(nullptr);
}

void TImage::Paint() {
  TGraphic* g = fPicture->Graphic();
  if (!g || g->Empty()) return;
  TRect r;
  if (fStretch) {
    r = ClientRect();
  } else if (fCenter) {
    r = Bounds((fWidth - g->Width()) / 2, (fHeight - g->Height()) / 2, g->Width(), g->Height());
  } else {
    r = Bounds(0, 0, g->Width(), g->Height());
  }
  g->SetTransparent(fTransparent);
  g->Draw(Canvas(), r);
}

TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  fWidth = 105;
  fHeight = 105;
}
void TPaintBox::Paint() {
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

// ---- TSplitter ------------------------------------------------------------------------------

TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  fAlign = alLeft;
  fWidth = 3;
  fHeight = 100;
  fCursor = crHSplit;
}

TControl* TSplitter::FindControl() {
  if (!fParent) return nullptr;
  TPoint p;
  switch (fAlign) {
    case alLeft: p = TPoint{fLeft - 1, fTop}; break;
    case alRight: p = TPoint{fLeft + fWidth, fTop}; break;
    case alTop: p = TPoint{fLeft, fTop - 1}; break;
    case alBottom: p = TPoint{fLeft, fTop + fHeight}; break;
    default: return nullptr;
  }
  for (int i = 0; i < fParent->ControlCount(); ++i) {
    TControl* c = fParent->Controls(i);
    if (c == this || !c->Visible() || c->Align() != fAlign) continue;
    TRect b = c->BoundsRect();
    bool horizontal = fAlign == alLeft || fAlign == alRight;
    if (horizontal ? (p.x >= b.left && p.x < b.right) : (p.y >= b.top && p.y < b.bottom)) return c;
  }
  return nullptr;
}

void TSplitter::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  if (Beveled) {
    RECT e = r;
    DrawEdge(c->Handle(), &e, BDR_RAISEDINNER,
             (fAlign == alLeft || fAlign == alRight) ? (BF_LEFT | BF_RIGHT) : (BF_TOP | BF_BOTTOM));
  }
}

void TSplitter::Dispatch(TMessage& m) {
  if (m.Msg == CM_VISIBLECHANGED || m.Msg == CM_PARENTCOLORCHANGED) {
    TGraphicControl::Dispatch(m);
    return;
  }
  TGraphicControl::Dispatch(m);
}

void TSplitter::MouseDown(TMouseButton b, TShiftState s, int x, int y) {
  TGraphicControl::MouseDown(b, s, x, y);
  if (b != mbLeft) return;
  fControl = FindControl();
  if (!fControl) return;
  fDownPos = ClientToScreen(TPoint{x, y});
  fStartSize = (fAlign == alLeft || fAlign == alRight) ? fControl->Width() : fControl->Height();
  fDragging = true;
}

void TSplitter::UpdateSize(TPoint screen) {
  if (!fControl || !fParent) return;
  bool horizontal = fAlign == alLeft || fAlign == alRight;
  int delta = horizontal ? screen.x - fDownPos.x : screen.y - fDownPos.y;
  if (fAlign == alRight || fAlign == alBottom) delta = -delta;
  int size = fStartSize + delta;
  // Room: what the client area gives beside the other aligned controls, less MinSize.
  TRect cr = fParent->ClientRect();
  int total = horizontal ? cr.right : cr.bottom;
  int others = 0;
  for (int i = 0; i < fParent->ControlCount(); ++i) {
    TControl* c = fParent->Controls(i);
    if (c == fControl || !c->Visible()) continue;
    bool sameAxis =
        horizontal ? (c->Align() == alLeft || c->Align() == alRight) : (c->Align() == alTop || c->Align() == alBottom);
    if (sameAxis) others += horizontal ? c->Width() : c->Height();
  }
  int maxSize = total - others - MinSize;
  size = std::min(size, maxSize);
  if (size < MinSize) size = MinSize;
  bool accept = true;
  if (OnCanResize) OnCanResize(this, size, accept);
  if (!accept) return;
  if (horizontal)
    fControl->SetWidth(size);
  else
    fControl->SetHeight(size);
}

void TSplitter::MouseMove(TShiftState s, int x, int y) {
  TGraphicControl::MouseMove(s, x, y);
  if (fDragging) UpdateSize(ClientToScreen(TPoint{x, y}));
}

void TSplitter::MouseUp(TMouseButton b, TShiftState s, int x, int y) {
  if (fDragging) {
    UpdateSize(ClientToScreen(TPoint{x, y}));
    fDragging = false;
    fControl = nullptr;
    if (OnMoved) OnMoved(this);
  }
  TGraphicControl::MouseUp(b, s, x, y);
}

// ---- TLabeledEdit ---------------------------------------------------------------------------

void TBoundLabel::Dispatch(TMessage& m) {
  TCustomLabel::Dispatch(m);
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED)
    if (auto* edit = dynamic_cast<TLabeledEdit*>(FocusControl)) edit->PlaceLabel();
}

TLabeledEdit::TLabeledEdit(TComponent* AOwner) : TCustomEdit(AOwner), fLabel(new TBoundLabel(nullptr)) {
  fLabel->FocusControl = this;
  fLabel->FreeNotification(this);  // the label's parent may free it first
}

void TLabeledEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLabel) fLabel = nullptr;
}

TLabeledEdit::~TLabeledEdit() {
  if (fLabel) {
    fLabel->RemoveFreeNotification(this);
    fLabel->Free();
  }
}

void TLabeledEdit::PlaceLabel() {
  if (!fLabel) return;
  fLabel->SetParent(fParent);
  if (!fParent) return;
  int l = fLeft, t = fTop;
  switch (fLabelPosition) {
    case lpAbove: t = fTop - fLabel->Height() - fLabelSpacing; break;
    case lpBelow: t = fTop + fHeight + fLabelSpacing; break;
    case lpLeft:
      l = fLeft - fLabel->Width() - fLabelSpacing;
      t = fTop + (fHeight - fLabel->Height()) / 2;
      break;
    case lpRight:
      l = fLeft + fWidth + fLabelSpacing;
      t = fTop + (fHeight - fLabel->Height()) / 2;
      break;
  }
  fLabel->SetBounds(l, t, fLabel->Width(), fLabel->Height());
  fLabel->SetVisible(fVisible);
  fLabel->SetEnabled(fEnabled);
}

void TLabeledEdit::SetLabelPosition(TLabelPosition v) {
  fLabelPosition = v;
  PlaceLabel();
}
void TLabeledEdit::SetLabelSpacing(int v) {
  fLabelSpacing = v;
  PlaceLabel();
}
void TLabeledEdit::SetParent(TWinControl* AParent) {
  TCustomEdit::SetParent(AParent);
  PlaceLabel();
}
void TLabeledEdit::SetBounds(int l, int t, int w, int h) {
  TCustomEdit::SetBounds(l, t, w, h);
  PlaceLabel();
}
void TLabeledEdit::Dispatch(TMessage& m) {
  TCustomEdit::Dispatch(m);
  if (m.Msg == CM_VISIBLECHANGED || m.Msg == CM_ENABLEDCHANGED) PlaceLabel();
}
