#include "controls/kcScrollBar.h"

#include <algorithm>

#include "platform/core/Math.h"

TSize GetSystemScrollBarSize() { return TSize{GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYHSCROLL)}; }

TkcScrollBar::TkcScrollBar(TComponent* AOwner)
    : TCustomControl(AOwner),
      fBitmap(std::make_unique<TBitmap>()),
      fBitmapCanvas(std::make_unique<TkcCanvas>(fBitmap->Canvas())),
      fLookAndFeel(std::make_unique<TkcLookAndFeel>(this)),
      fThemeNotificator(std::make_unique<TkcThemeChangedNotificator>()),
      fTimer(std::make_unique<TkcTimer>(nullptr)) {
  SetControlStyle(TControlStyle{csCaptureMouse, csFramed, csOpaque});
  fLookAndFeel->OnChanged = TkcLookAndFeelChangedEvent(this, &TkcScrollBar::LookAndFeelChanged);
  fThemeNotificator->OnThemeChanged = [this] { ThemeChanged(); };
  fTimer->SetEnabled(false);
  fTimer->SetInterval(400);
  fTimer->SetOnTimer(TNotifyEvent(this, &TkcScrollBar::RepeatTimerTick));
  CalculateMinThumbSize();
  SetBounds(0, 0, 121, GetSystemScrollBarSize().cy);
}

TkcScrollBar::~TkcScrollBar() {
  fTimer.reset();
  fLookAndFeel->OnChanged = nullptr;
}

TkcLookAndFeelPainterClass TkcScrollBar::GetPainter() const {
  return fLookAndFeel->GetAvailablePainterForType(totScrollBar);
}

void TkcScrollBar::SetKind(TScrollBarKind Value) {
  if (fKind == Value) return;
  fKind = Value;
  if (ComponentState().Contains(csLoading))
    CalculateLayout();
  else
    SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TkcScrollBar::SetScrollParams(int AMin, int AMax, int APosition, int APageSize, bool ARedraw) {
  // A page may show the whole range (Max - Min + 1); a larger one is inconsistent.
  if (AMax < AMin || static_cast<std::int64_t>(APageSize) > static_cast<std::int64_t>(AMax) - AMin + 1)
    throw EInvalidOperation(LocalizeText("Scrollbar property out of range"));
  bool redraw = ARedraw && HandleAllocated();
  APosition = std::clamp(APosition, AMin, AMax);
  if (fMin == AMin && fMax == AMax && fPageSize == APageSize && fPosition == APosition) redraw = false;
  fMin = AMin;
  fMax = AMax;
  fPageSize = APageSize;
  if (APosition == fPosition) {
    CalculateThumb();
    if (redraw) Invalidate();
    return;
  }
  SetEnabled(true);
  fPosition = APosition;
  CalculateThumb();
  if (redraw) Invalidate();
  Change();
}

void TkcScrollBar::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  int oldW = Width(), oldH = Height();
  inherited::SetBounds(ALeft, ATop, AWidth, AHeight);
  if ((Width() != oldW || Height() != oldH) && Width() > 0 && Height() > 0) {
    fBitmap->SetSize(Width(), Height());
    CalculateLayout();
  }
}

void TkcScrollBar::Change() {
  if (OnChange) OnChange(this);
}

void TkcScrollBar::Scroll(TScrollCode AScrollCode, int& AScrollPos) {
  if (OnScroll) OnScroll(this, AScrollCode, AScrollPos);
}

// ---- Layout ---------------------------------------------------------------------------------

void TkcScrollBar::CalculateMinThumbSize() {
  fMinThumbSize = 8;
  if (GetPainter() != TkcWinXPLookAndFeelPainter::Instance()) return;
  HTHEME theme = GetThemeHandle(totScrollBar);
  if (!theme) return;
  SIZE size{};
  int part = IsHorizontal() ? 9 : 8;
  int result;
  if (GetThemePartSize(theme, HDC(), part, 0, nullptr, TS_TRUE, &size) == S_OK) {
    result = IsHorizontal() ? size.cx : size.cy;
  } else {
    SIZE minSize{};
    GetThemePartSize(theme, HDC(), part, 0, nullptr, TS_MIN, &minSize);
    result = IsHorizontal() ? std::max(minSize.cx, size.cx + 4) : std::max(minSize.cy, size.cy + 4);
  }
  if (result >= 8) fMinThumbSize = result;
}

int TkcScrollBar::TrackStart() const { return IsHorizontal() ? fFirstButton.right : fFirstButton.bottom; }
int TkcScrollBar::TrackEnd() const { return IsHorizontal() ? fSecondButton.left : fSecondButton.top; }

void TkcScrollBar::CalculateLayout() {
  int w = Width(), h = Height();
  if (IsHorizontal()) {
    int b = std::min(GetSystemMetrics(SM_CXHSCROLL), w / 2);
    fFirstButton = TRect{0, 0, b, h};
    fSecondButton = TRect{w - b, 0, w, h};
  } else {
    int b = std::min(GetSystemMetrics(SM_CYVSCROLL), h / 2);
    fFirstButton = TRect{0, 0, w, b};
    fSecondButton = TRect{0, h - b, w, h};
  }
  CalculateThumb();
}

// Positions, spans and steps are taken in 64 bits: Max - Min + 1 of the whole int range needs 33.
void TkcScrollBar::CalculateThumb() {
  fThumb = fPageBefore = fPageAfter = TRect{};
  const int track = TrackEnd() - TrackStart();
  const std::int64_t lo = fMin, hi = fMax, pos = fPosition;
  std::int64_t length = 0, offset = 0;
  bool thumb = Enabled();
  if (thumb && fPageSize > 0) {
    length = std::min<std::int64_t>(track, MulDiv64(fPageSize, track, hi - lo + 1));
    if (track < fMinThumbSize || hi == lo) thumb = false;
    length = std::max<std::int64_t>(length, fMinThumbSize);
    const std::int64_t d = hi - lo - fPageSize + 1;
    // A page showing the whole range leaves no room to move: the thumb fills the track.
    offset = d > 0 ? MulDiv64(track - length, std::min(pos - lo, d), d) : 0;
  } else if (thumb) {
    length = IsHorizontal() ? GetSystemMetrics(SM_CXHTHUMB) : GetSystemMetrics(SM_CYVTHUMB);
    // Nothing to scroll: no thumb, the track shows as one page area.
    if (track < length || hi == lo) thumb = false;
    offset = track == length || hi == lo ? 0 : MulDiv64(track - length, pos - lo, hi - lo);
  }
  if (!thumb) return;
  // The thumb never leaves the track, whatever the values.
  offset = std::clamp<std::int64_t>(offset, 0, track - length);
  const int start = TrackStart() + static_cast<int>(offset), end = start + static_cast<int>(length);
  if (IsHorizontal()) {
    fThumb = TRect{start, 0, end, Height()};
    fPageBefore = TRect{TrackStart(), 0, fThumb.left, Height()};
    fPageAfter = TRect{fThumb.right, 0, TrackEnd(), Height()};
  } else {
    fThumb = TRect{0, start, Width(), end};
    fPageBefore = TRect{0, TrackStart(), Width(), fThumb.top};
    fPageAfter = TRect{0, fThumb.bottom, Width(), TrackEnd()};
  }
}

int TkcScrollBar::PositionFromThumb() const {
  std::int64_t range = static_cast<std::int64_t>(fMax) - fMin;
  if (fPageSize > 0) range -= fPageSize - 1;
  int thumbLength = IsHorizontal() ? fThumb.right - fThumb.left : fThumb.bottom - fThumb.top;
  int free = (TrackEnd() - TrackStart()) - thumbLength;
  int thumbStart = (IsHorizontal() ? fThumb.left : fThumb.top) - TrackStart();
  // A thumb that fills the track cannot move: the position is the start of the range.
  if (free <= 0) return fMin;
  return static_cast<int>(std::clamp<std::int64_t>(fMin + MulDiv64(range, thumbStart, free), fMin, fMax));
}

TRect TkcScrollBar::PartBounds(TkcScrollBarPart APart) const {
  switch (APart) {
    case sbpLineUp: return fFirstButton;
    case sbpLineDown: return fSecondButton;
    case sbpThumbnail: return fThumb;
    case sbpPageUp: return fPageBefore;
    case sbpPageDown: return fPageAfter;
    default: return TRect{};
  }
}

TkcScrollBarPart TkcScrollBar::HitTest(const TPoint& P) const {
  TRect client{0, 0, Width(), Height()};
  if (!PtInRect(&client, P)) return sbpNone;
  if (PtInRect(&fFirstButton, P)) return sbpLineUp;
  if (PtInRect(&fSecondButton, P)) return sbpLineDown;
  if (IsRectEmpty(&fThumb)) return sbpNone;
  if (PtInRect(&fThumb, P)) return sbpThumbnail;
  if (PtInRect(&fPageBefore, P)) return sbpPageUp;
  if (PtInRect(&fPageAfter, P)) return sbpPageDown;
  return sbpNone;
}

// ---- Painting -------------------------------------------------------------------------------

TkcButtonState TkcScrollBar::PartState(TkcScrollBarPart APart) const {
  if (!Enabled()) return kcbsDisabled;
  if (APart == sbpThumbnail && !GetPainter()->IsButtonHotTrackingEnabled()) return kcbsNormal;
  if (fPressedPart != sbpNone) return APart == fPressedPart && APart == fHotPart ? kcbsPressed : kcbsNormal;
  return APart == fHotPart && !ComponentState().Contains(csDesigning) ? kcbsHot : kcbsNormal;
}

void TkcScrollBar::Paint() {
  if (fBitmap->Empty()) return;
  TkcLookAndFeelPainterClass painter = GetPainter();
  TkcCanvas* c = fBitmapCanvas.get();
  bool horizontal = IsHorizontal();
  if (IsRectEmpty(&fThumb)) {
    painter->PaintScrollBarPart(c, horizontal, TRect{0, 0, Width(), Height()}, sbpPageUp, kcbsNormal);
  } else {
    painter->PaintScrollBarPart(c, horizontal, fThumb, sbpThumbnail, PartState(sbpThumbnail));
  }
  painter->PaintScrollBarPart(c, horizontal, fFirstButton, sbpLineUp, PartState(sbpLineUp));
  painter->PaintScrollBarPart(c, horizontal, fSecondButton, sbpLineDown, PartState(sbpLineDown));
  if (!IsRectEmpty(&fPageBefore))
    painter->PaintScrollBarPart(c, horizontal, fPageBefore, sbpPageUp, PartState(sbpPageUp));
  if (!IsRectEmpty(&fPageAfter))
    painter->PaintScrollBarPart(c, horizontal, fPageAfter, sbpPageDown, PartState(sbpPageDown));
  BitBlt(Canvas()->Handle(), 0, 0, fBitmap->Width(), fBitmap->Height(), fBitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
}

// ---- Scrolling ------------------------------------------------------------------------------

void TkcScrollBar::ScrollPart(TkcScrollBarPart APart) {
  static const TScrollCode codes[] = {scEndScroll, scLineUp, scLineDown, scTrack, scPageUp, scPageDown};
  if (APart != sbpNone) DoScroll(codes[APart]);
}

void TkcScrollBar::DoScroll(TScrollCode ACode) {
  // A step is taken in 64 bits and held to the range, so it never wraps past either end.
  std::int64_t step = fPosition;
  switch (ACode) {
    case scLineUp: step -= SmallChange; break;
    case scLineDown: step += SmallChange; break;
    case scPageUp: step -= LargeChange; break;
    case scPageDown: step += LargeChange; break;
    case scTop: step = fMin; break;
    case scBottom: step = fMax; break;
    default: break;
  }
  int pos = static_cast<int>(std::clamp<std::int64_t>(step, fMin, fMax));
  Scroll(ACode, pos);
  pos = std::clamp(pos, fMin, fMax);
  if (pos == fPosition) return;
  if (ACode == scTrack) {
    fPosition = pos;
    CalculateThumb();
    Repaint();
  } else {
    SetPosition(pos);
  }
}

void TkcScrollBar::CancelScroll() {
  if (fPressedPart == sbpNone) return;
  if (fPressedPart == sbpThumbnail) {
    int pos = PositionFromThumb();
    if (pos != fPosition) SetPosition(pos);
    DoScroll(scPosition);
  }
  fTimer->SetEnabled(false);
  fPressedPart = fHotPart = sbpNone;
  DoScroll(scEndScroll);
  CalculateThumb();
  Invalidate();
}

void TkcScrollBar::RepeatTimerTick(TObject*) {
  bool buttonOrPage = fPressedPart == sbpLineUp || fPressedPart == sbpLineDown || fPressedPart == sbpPageUp ||
                      fPressedPart == sbpPageDown;
  if (!MouseCapture() || !buttonOrPage) {
    CancelScroll();
    return;
  }
  if (fTimer->Interval() == 400) fTimer->SetInterval(60);
  ScrollPart(fPressedPart);
  TPoint cursor = ScreenToClient(Mouse->CursorPos());
  fTimer->SetEnabled(HitTest(cursor) == fPressedPart);
}

void TkcScrollBar::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  TkcScrollBarPart part = HitTest(TPoint{X, Y});
  if (part == sbpNone) return;
  fPressedPart = fHotPart = part;
  if (part == sbpThumbnail) {
    fDownPoint = TPoint{X, Y};
    fDownPosition = fPosition;
    fDownThumbStart = IsHorizontal() ? fThumb.left : fThumb.top;
    DoScroll(scTrack);
  } else {
    ScrollPart(part);
    fTimer->SetInterval(400);
    fTimer->SetEnabled(true);
  }
  Repaint();
}

void TkcScrollBar::MouseMove(TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  TPoint p{X, Y};
  if (fPressedPart != sbpThumbnail) {
    TkcScrollBarPart hit = HitTest(p);
    if (fPressedPart != sbpNone) fTimer->SetEnabled(hit == fPressedPart);
    if (hit != fHotPart) {
      fHotPart = hit;
      if (GetPainter()->IsButtonHotTrackingEnabled()) Repaint();
    }
    return;
  }
  TRect area{0, 0, Width(), Height()};
  if (IsHorizontal())
    InflateRect(&area, 34, 136);
  else
    InflateRect(&area, 136, 34);
  if (UnlimitedTracking || PtInRect(&area, p)) {
    int length = IsHorizontal() ? fThumb.right - fThumb.left : fThumb.bottom - fThumb.top;
    int delta = IsHorizontal() ? X - fDownPoint.x : Y - fDownPoint.y;
    int start = std::clamp(fDownThumbStart + delta, TrackStart(), TrackEnd() - length);
    if (IsHorizontal()) {
      fThumb = TRect{start, 0, start + length, Height()};
      fPageBefore = TRect{TrackStart(), 0, start, Height()};
      fPageAfter = TRect{fThumb.right, 0, TrackEnd(), Height()};
    } else {
      fThumb = TRect{0, start, Width(), start + length};
      fPageBefore = TRect{0, TrackStart(), Width(), start};
      fPageAfter = TRect{0, fThumb.bottom, Width(), TrackEnd()};
    }
    Repaint();
    int pos = PositionFromThumb();
    if (pos != fPosition) fPosition = pos;
    DoScroll(scTrack);
  } else {
    if (fPosition != fDownPosition) SetPosition(fDownPosition);
    CalculateThumb();
    Repaint();
    DoScroll(scTrack);
  }
}

void TkcScrollBar::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  CancelScroll();
  fHotPart = HitTest(TPoint{X, Y});
  inherited::MouseUp(Button, Shift, X, Y);
}

void TkcScrollBar::MouseEnter(TControl*) {
  bool pressedButtonOrPage = fPressedPart != sbpNone && fPressedPart != sbpThumbnail;
  if (GetPainter()->IsButtonHotTrackingEnabled() || pressedButtonOrPage) Repaint();
}

void TkcScrollBar::MouseLeave(TControl*) {
  if (fPressedPart != sbpThumbnail) fHotPart = sbpNone;
  bool pressedButtonOrPage = fPressedPart != sbpNone && fPressedPart != sbpThumbnail;
  if (GetPainter()->IsButtonHotTrackingEnabled() || pressedButtonOrPage) Invalidate();
}

void TkcScrollBar::LookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues) {
  CalculateMinThumbSize();
  CalculateLayout();
  Invalidate();
}

void TkcScrollBar::ThemeChanged() {
  CalculateMinThumbSize();
  CalculateLayout();
  RefreshPageAreaBitmaps();
  Invalidate();
  if (Parent()) Parent()->Realign();
}

void TkcScrollBar::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CN_HSCROLL:
    case CN_VSCROLL: DoScroll(static_cast<TScrollCode>(LOWORD(Message.WParam))); return;
    case CM_ENABLEDCHANGED:
      CalculateLayout();
      if (!Enabled()) CancelScroll();
      inherited::Dispatch(Message);
      Invalidate();
      return;
    case CM_VISIBLECHANGED:
      if (!Visible()) CancelScroll();
      break;
    case CM_SYSCOLORCHANGE:
    case CN_CTLCOLORSCROLLBAR: RefreshPageAreaBitmaps(); break;
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_CANCELMODE: CancelScroll(); break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE: {
      auto* control = reinterpret_cast<TControl*>(Message.LParam);
      if (!control) control = this;
      inherited::Dispatch(Message);
      if (Message.Msg == CM_MOUSEENTER)
        MouseEnter(control);
      else
        MouseLeave(control);
      return;
    }
  }
  inherited::Dispatch(Message);
}
