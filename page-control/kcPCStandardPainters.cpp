// The standard painter (navigator, one tab's painting pipeline, the page frame) and the Tabs
// style; the registration of the styles in their fixed order.
#include <algorithm>

#include "controls/kcLookAndFeelPainters.h"
#include "page-control/kcPCPainters.h"
#include "platform/gdi/WinGdi.h"

namespace {
bool IsHorizontalPos(TkcTabPosition P) { return P == tpTop || P == tpBottom; }
}  // namespace

bool TkcPCStandardPainter::IsHorizontalTabs() const { return IsHorizontalPos(ParentControl()->TabPosition()); }

int TkcPCStandardPainter::ImagePart() const {
  TSize s = GetImageSize();
  return s.cx > 0 ? s.cx + 2 * ParentControl()->ImageBorder() + 6 : 0;
}

int TkcPCStandardPainter::CalculateTabNormalWidth(TkcTab* ATab) {
  if (ParentControl()->TabWidth() > 0) return ParentControl()->TabWidth();
  int caption = ATab->Caption().empty() ? 12 : MeasureCaption(ATab) + 12;
  return std::max(ImagePart() + caption, GetMinTabNormalWidth());
}

int TkcPCStandardPainter::GetMinTabNormalWidth() { return std::max(GetMinTabWidthBase(), ImagePart() + 12); }

int TkcPCStandardPainter::GetContentTabNormalHeight() {
  int text = GetMaxTabTextHeight() + 8;
  TSize s = GetImageSize();
  int image = s.cy > 0 ? s.cy + 2 * ParentControl()->ImageBorder() + 6 : 0;
  return std::max(text, image);
}

int TkcPCStandardPainter::CalculateTabNormalHeight() {
  int h = std::max(GetContentTabNormalHeight(), GetMinTabNormalHeight());
  TSize s = GetImageSize();
  if (ParentControl()->Rotate() && s.cy > 0 && (h - s.cy) % 2 != 0) ++h;
  return std::max(h, ParentControl()->TabHeight());
}

void TkcPCStandardPainter::GetTabImageOffsets(int AVisibleIndex, int O[4]) {
  static const int t[3][2][4] = {
      {{6, 1, 0, 0}, {8, 1, 0, 3}}, {{6, -1, 0, 1}, {7, -1, 0, 1}}, {{6, -1, 0, 1}, {7, -1, 0, 1}}};
  const int* v = t[GetStandardStyle()][IsTabDown(AVisibleIndex) ? 1 : 0];
  std::copy(v, v + 4, O);
}

void TkcPCStandardPainter::GetTabTextOffsets(int AVisibleIndex, int O[4]) {
  static const int t[3][2][4] = {
      {{5, 1, 5, -1}, {5, 1, 5, 2}}, {{6, 0, 4, 1}, {6, 0, 4, 1}}, {{6, 0, 4, 1}, {6, 0, 4, 1}}};
  const int* v = t[GetStandardStyle()][IsTabDown(AVisibleIndex) ? 1 : 0];
  std::copy(v, v + 4, O);
}

void TkcPCStandardPainter::GetTabsDistance(TPoint& D) {
  static const TPoint d[3] = {{0, 0}, {3, 3}, {10, 3}};
  D = d[GetStandardStyle()];
}

bool TkcPCStandardPainter::IsTabDown(int AVisibleIndex) { return VisibleTab(AVisibleIndex)->IsMainTab(); }

void TkcPCStandardPainter::SetTabContentRects(int, const TRect& AImageRect, const TRect& ATextRect) {
  TabContentData.ImageRect = AImageRect;
  TabContentData.TextRect = ATextRect;
}

int TkcPCStandardPainter::GetNavigatorButtonWidth(TkcPCNavigatorButton AButton) {
  if (AButton == nbGoDialog) return IsHorizontalTabs() ? 12 : 13;
  return 20;
}

// The buttons' widths and the distances between neighbours.
int TkcPCStandardPainter::NavigatorButtonsLength(TkcPCNavigatorButtons AButtons) {
  std::vector<TkcPCNavigatorButton> list;
  GetNavigatorButtonOrder(AButtons, list);
  int L = 0;
  for (std::size_t i = 0; i < list.size(); ++i) {
    L += GetNavigatorButtonWidth(list[i]);
    if (i + 1 < list.size()) L += GetNavigatorButtonsDistance(list[i], list[i + 1]);
  }
  return L;
}

int TkcPCStandardPainter::GetNavigatorAreaLength(TkcPCNavigatorButtons AButtons) {
  int L = NavigatorButtonsLength(AButtons);
  return L <= 0 ? 0 : L + GetNavigatorEndOffset() + GetNavigatorTabsDistance();
}

void TkcPCStandardPainter::GetNavigatorButtonOrder(TkcPCNavigatorButtons AButtons,
                                                   std::vector<TkcPCNavigatorButton>& AList) {
  bool atStart = IsNavigatorAtStart();
  static const TkcPCNavigatorButton startOrder[4] = {nbClose, nbTopLeft, nbBottomRight, nbGoDialog};
  static const TkcPCNavigatorButton endOrder[4] = {nbGoDialog, nbTopLeft, nbBottomRight, nbClose};
  AList.clear();
  for (TkcPCNavigatorButton b : atStart ? startOrder : endOrder)
    if (AButtons.Contains(b)) AList.push_back(b);
}

TRect TkcPCStandardPainter::CalculateNavigatorBounds(TkcPCNavigatorButtons AButtons) {
  int L = NavigatorButtonsLength(AButtons);
  int H = GetNavigatorButtonHeight();
  TkcCustomTabControl* c = ParentControl();
  TkcPCNavigatorPosition np = c->NavigatorPosition();
  if (IsHorizontalTabs()) {
    int left =
        (np == npLeftTop || np == npLeftBottom) ? GetNavigatorEndOffset() : c->Width() - L - GetNavigatorEndOffset();
    int top = c->TabPosition() == tpTop ? GetNavigatorSideOffset() : c->Height() - H - GetNavigatorSideOffset();
    return Bounds(left, top, L, H);
  }
  int left = c->TabPosition() == tpLeft ? GetNavigatorSideOffset() : c->Width() - H - GetNavigatorSideOffset();
  int top = (np == npLeftTop || np == npRightTop) ? GetNavigatorEndOffset() : c->Height() - L - GetNavigatorEndOffset();
  return Bounds(left, top, H, L);
}

void TkcPCStandardPainter::CalculateNavigatorButtons(TkcPCNavigatorButtons AButtons) {
  fNavigatorButtons.clear();
  if (AButtons.Empty()) return;
  fNavigatorBounds = CalculateNavigatorBounds(AButtons);
  std::vector<TkcPCNavigatorButton> list;
  GetNavigatorButtonOrder(AButtons, list);
  int x = fNavigatorBounds.left, y = fNavigatorBounds.top, H = GetNavigatorButtonHeight();
  for (std::size_t i = 0; i < list.size(); ++i) {
    int w = GetNavigatorButtonWidth(list[i]);
    TRect r = IsHorizontalTabs() ? Bounds(x, y, w, H) : Bounds(x, y, H, w);
    fNavigatorButtons.push_back({list[i], r});
    int gap = i + 1 < list.size() ? GetNavigatorButtonsDistance(list[i], list[i + 1]) : 0;
    if (IsHorizontalTabs())
      x += w + gap;
    else
      y += w + gap;
  }
}

bool TkcPCStandardPainter::IsNavigatorAtStart() const {
  TkcPCNavigatorPosition np = ParentControl()->NavigatorPosition();
  return IsHorizontalTabs() ? np == npLeftTop || np == npLeftBottom : np == npLeftTop || np == npRightTop;
}

void TkcPCStandardPainter::TakeNavigatorArea(TRect& R, int ALength) const {
  bool atStart = IsNavigatorAtStart();
  if (IsHorizontalTabs()) {
    if (atStart)
      R.left += ALength;
    else
      R.right -= ALength;
  } else if (atStart)
    R.top += ALength;
  else
    R.bottom -= ALength;
}

void TkcPCStandardPainter::CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& R) {
  TkcCustomTabControl* c = ParentControl();
  TRect m = GetTabsAreaMargins();
  R.Bounds = {m.left, m.top, c->Width() - m.right, c->Height() - m.bottom};
  if (!AButtons.Empty()) TakeNavigatorArea(R.Bounds, GetNavigatorAreaLength(AButtons));
  R.TabsLength = IsHorizontalTabs() ? R.Bounds.right - R.Bounds.left : R.Bounds.bottom - R.Bounds.top;
  R.TabsBounds = R.Bounds;
  R.TopOrLeftPartExtension = R.BottomOrRightPartExtension = 0;
  TPoint d;
  GetTabsDistance(d);
  R.PartsGap = d.y;
  CalculateNavigatorButtons(AButtons);
}

bool TkcPCStandardPainter::GetNavigatorButtonAt(int X, int Y, TkcPCNavigatorButton& AButton) {
  if (ParentControl()->NavigatorButtons.Empty()) return false;
  for (const auto& b : fNavigatorButtons)
    if (PtInRect(&b.Bounds, TPoint{X, Y})) {
      AButton = b.Button;
      return true;
    }
  return false;
}

void TkcPCStandardPainter::GetGoDialogButtonBounds(TRect& R) {
  R = {};
  for (const auto& b : fNavigatorButtons)
    if (b.Button == nbGoDialog) R = b.Bounds;
}

TColor TkcPCStandardPainter::GetControlBackgroundColor() { return ParentControl()->Color(); }

void TkcPCStandardPainter::Paint() {
  TkcPCCustomPainter::Paint();
  Canvas()->FillRect(ParentControl()->GetControlRect(), GetControlBackgroundColor());
}

void TkcPCStandardPainter::PaintNavigator() {
  if (ParentControl()->NavigatorButtons.Empty()) return;
  for (const auto& b : fNavigatorButtons)
    if (SetClipRect(b.Bounds, true)) {
      DrawNavigatorButton(b.Button, b.Bounds);
      RestoreClipRegion();
      Canvas()->ExcludeClipRect(b.Bounds);
    }
}

void TkcPCStandardPainter::PaintFrame() {
  TRect r = GetPageClientRectWithoutLines();
  int minSize = GetMinPageFrameSize();
  r.right = std::max<LONG>(r.right, r.left + minSize);
  r.bottom = std::max<LONG>(r.bottom, r.top + minSize);
  DrawPageFrame(r);
}

void TkcPCStandardPainter::PaintTabs() {
  int first, last;
  ParentControl()->GetPlacedRange(first, last);
  for (int i = first; i <= last; ++i) PaintTab(i);
}

void TkcPCStandardPainter::InvalidateNavigatorButton(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonState) {
  for (const auto& b : fNavigatorButtons)
    if (b.Button == AButton) InvalidateRectInControl(b.Bounds);
}

void TkcPCStandardPainter::RepaintTab(int AVisibleIndex, TkcTabChangeKind) {
  if (ParentControl()->GetPaintingTextDirection() != 0) VisibleTab(AVisibleIndex)->RotatedTextCache.reset();
  InvalidateTabRect(AVisibleIndex);
}

void TkcPCStandardPainter::PaintTab(int AVisibleIndex) {
  TkcRegion* region = GetTabClipRegion(AVisibleIndex);
  SaveClipRegion();
  Canvas()->SetClipRegion(new TkcRegion(region->Handle() ? CreateRectRgn(0, 0, 0, 0) : 0), roAdd);
  {
    auto* copy = new TkcRegion;
    copy->CombineWith(region, roSet, false);
    Canvas()->SetClipRegion(copy, GetTabClipRegionOperation(AVisibleIndex));
  }
  if (!(IsOwnerDrawn() && CallDrawTabEvent(AVisibleIndex))) {
    if (IsNativePainting()) PrepareNativeTab(AVisibleIndex);
    DrawTabImageAndText(AVisibleIndex);
    DrawTab(AVisibleIndex);
  }
  RestoreClipRegion();
  if (IsTabTransparent(AVisibleIndex))
    ExcludeTabContentFromClip();
  else {
    ParentControl()->DrawTabCustomContent(Canvas(), VisibleTab(AVisibleIndex));
    Canvas()->SetClipRegion(region, roSubtract);
    region = nullptr;
  }
  delete region;
}

void TkcPCStandardPainter::DrawTabFocusRect(int AVisibleIndex, TRect R) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  TRect d = tab->GetDisplayRect();
  if (IsRectEmpty(&d)) return;
  if (!tab->IsMainTab() || !tab->RealEnabled() || !ParentControl()->Focused()) return;
  if (!SetClipRect(d, true)) return;
  InflateRect(&R, -1, -1);
  Canvas()->Pen()->SetColor(ParentControl()->Font()->Color());
  Canvas()->DrawFocusRect(R);
  RestoreClipRegion();
}

void TkcPCStandardPainter::DrawButtonBorder3D(const TRect& R, bool APressed, bool AThin) {
  int L = R.left, T = R.top, Rt = R.right, B = R.bottom;
  if (AThin) {
    DrawPolyline({{L, B - 2}, {L, T}, {Rt - 2, T}}, APressed ? cl3DDkShadow : cl3DLight);
    DrawPolyline({{L, B - 1}, {Rt - 1, B - 1}, {Rt - 1, T}}, APressed ? cl3DLight : cl3DDkShadow);
    return;
  }
  TColor c[4] = {cl3DLight, clBtnHighlight, cl3DDkShadow, clBtnShadow};
  if (APressed) c[0] = clBtnShadow, c[1] = cl3DDkShadow, c[2] = clBtnHighlight, c[3] = cl3DLight;
  DrawPolyline({{L, B - 2}, {L, T}, {Rt - 2, T}}, c[0]);
  DrawPolyline({{L + 1, B - 3}, {L + 1, T + 1}, {Rt - 3, T + 1}}, c[1]);
  DrawPolyline({{L, B - 1}, {Rt - 1, B - 1}, {Rt - 1, T}}, c[2]);
  DrawPolyline({{L + 1, B - 2}, {Rt - 2, B - 2}, {Rt - 2, T + 1}}, c[3]);
}

void TkcPCStandardPainter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) {
  DrawButtonBorder3D(R, AState == 1);
  InflateRect(&R, -2, -2);
}

void TkcPCStandardPainter::FillNavigatorButton(TRect& R, TkcPCNavigatorButtonState AState) {
  Canvas()->FillRect(R, GetNavigatorButtonColor(AState));
}

TColor TkcPCStandardPainter::GetNavigatorGlyphColor(TkcPCNavigatorButtonState AState) {
  return AState == 2 ? GetHotTrackTextColor() : clBtnText;
}

void TkcPCStandardPainter::GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) {
  int s = ParentControl()->NavigatorButtonStates[AButton];
  AInfo.BrushColor = AInfo.PenColor = GetNavigatorGlyphColor(s);
  AInfo.Enabled = ParentControl()->Enabled() && s != 3;
  AInfo.SmallCloseGlyph = false;
}

void TkcPCStandardPainter::DrawNavigatorButton(TkcPCNavigatorButton AButton, TRect R) {
  int s = ParentControl()->NavigatorButtonStates[AButton];
  TPoint origin{R.left, R.top};
  DrawNavigatorButtonBorder(R, s);
  FillNavigatorButton(R, s);
  TkcPCNavigatorButtonInfo info;
  GetNavigatorGlyphInfo(AButton, info);
  TPoint o = GetNavigatorGlyphOffset(AButton);
  DrawNavigatorGlyph(AButton, {origin.x + o.x, origin.y + o.y}, info);
}

void TkcPCStandardPainter::DrawNavigatorGlyph(TkcPCNavigatorButton AButton, TPoint O,
                                              const TkcPCNavigatorButtonInfo& AInfo) {
  auto draw = [&](TPoint at, TColor brush, TColor pen) {
    TkcCanvas* c = Canvas();
    if (AButton == nbClose) {
      static const int big[6][4] = {{1, 0, 8, 7}, {0, 0, 8, 8}, {0, 1, 7, 8}, {0, 7, 7, 0}, {0, 8, 8, 0}, {1, 8, 8, 1}};
      for (auto& l : big) DrawPolyline({{at.x + l[0], at.y + l[1]}, {at.x + l[2], at.y + l[3]}}, pen);
      return;
    }
    int N = AButton == nbGoDialog ? 4 : 5, s = N - 1;
    bool vertical = !IsHorizontalTabs();
    std::vector<TPoint> p;
    if (AButton == nbGoDialog || (vertical && AButton == nbBottomRight))
      p = {{0, 0}, {2 * s, 0}, {s, s}};  // down
    else if (vertical)
      p = {{0, s}, {s, 0}, {2 * s, s}};  // up
    else if (AButton == nbTopLeft)
      p = {{0, s}, {s, 0}, {s, 2 * s}};  // left
    else
      p = {{0, 0}, {s, s}, {0, 2 * s}};  // right
    for (TPoint& q : p) q = {q.x + at.x, q.y + at.y};
    c->Brush()->SetColor(brush);
    c->Pen()->SetColor(pen);
    c->Polygon(p);
  };
  if (AInfo.Enabled)
    draw(O, AInfo.BrushColor, AInfo.PenColor);
  else {
    draw({O.x + 1, O.y + 1}, clBtnHighlight, clBtnHighlight);
    draw(O, clBtnShadow, clBtnShadow);
  }
  Canvas()->Brush()->SetStyle(bsSolid);
}

TPoint TkcPCStandardPainter::GetNavigatorGlyphFixedOffset(TkcPCNavigatorButton AButton) {
  bool vertical = !IsHorizontalTabs();
  TPoint p;
  if (AButton == nbGoDialog)
    p = vertical ? TPoint{6, 4} : TPoint{2, 8};
  else if (AButton == nbClose)
    p = {5, 5};
  else if (vertical)
    p = {5, 7};
  else
    p = AButton == nbTopLeft ? TPoint{6, 5} : TPoint{8, 5};
  if (ParentControl()->NavigatorButtonStates[AButton] == 1) p.x += 1, p.y += 1;
  return p;
}

TPoint TkcPCStandardPainter::GetNavigatorGlyphCentredOffset(TkcPCNavigatorButton AButton) {
  bool vertical = !IsHorizontalTabs();
  int N = AButton == nbGoDialog ? 4 : 5;
  TSize content = AButton == nbClose ? TSize{8, 7} : TSize{N, 2 * N - 1};
  if (AButton == nbGoDialog || (vertical && AButton != nbClose)) std::swap(content.cx, content.cy);
  TSize button{GetNavigatorButtonWidth(AButton), GetNavigatorButtonHeight()};
  if (vertical) std::swap(button.cx, button.cy);
  TPoint p{(button.cx - content.cx) / 2, (button.cy - content.cy) / 2};
  if (AButton == nbGoDialog) ++p.y;
  if (ParentControl()->NavigatorButtonStates[AButton] == 1) {
    if (AButton == nbGoDialog)
      ++p.y;
    else
      ++p.x, ++p.y;
  }
  return p;
}

TPoint TkcPCStandardPainter::GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) {
  return GetNavigatorGlyphCentredOffset(AButton);
}

void TkcPCStandardPainter::DrawPageFrame(TRect R) {
  Canvas()->DrawTwoColorFrame(R, clBtnHighlight, cl3DDkShadow, kcAllBorders, 1);
  InflateRect(&R, -1, -1);
  Canvas()->DrawTwoColorFrame(R, cl3DLight, clBtnShadow, kcAllBorders, 1);
}

// ---- The Tabs style -------------------------------------------------------------------------

bool TkcPCTabsPainter::ClassHasLookAndFeel(TkcLookAndFeel* L) {
  if (!L) return false;
  int code = L->GetAvailablePainter(TkcThemedObjectTypes{totTab})->GetPainterStyleCode();
  return code == 1 || code == 3;
}

void TkcPCTabsPainter::GetTabBoundsCorrection(int AVisibleIndex, TRect& D) {
  D = {};
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (!t->IsMainTab()) return;
  switch (t->RealPosition()) {
    case tpTop: D = {-2, -2, 2, 1}; break;
    case tpBottom: D = {-2, -1, 2, 2}; break;
    case tpLeft: D = {-2, -2, 1, 2}; break;
    case tpRight: D = {-1, -2, 2, 2}; break;
  }
}

void TkcPCTabsPainter::GetTabLinesOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetTabLinesOffset(M);
  if (ParentControl()->LineCount > 0 && !ParentControl()->HideTabs()) --M.top;
}

void TkcPCTabsPainter::GetTabImageOffsets(int AVisibleIndex, int O[4]) {
  TkcPCStandardPainter::GetTabImageOffsets(AVisibleIndex, O);
  int k = VisibleTab(AVisibleIndex)->PaintingKind();
  if (k == 5 || k == 7 || k == 10) ++O[3];
}

void TkcPCTabsPainter::GetTabTextOffsets(int AVisibleIndex, int O[4]) {
  TkcPCStandardPainter::GetTabTextOffsets(AVisibleIndex, O);
  TkcTab* t = VisibleTab(AVisibleIndex);
  int k = t->PaintingKind();
  if (k == 5 || k == 7 || k == 10) ++O[3];
  if (t->IsMainTab() && GetRotatedImageSize().cx == 0) O[0] += 2;
}

void TkcPCTabsPainter::GetTabImageOnlyOffsets(int AVisibleIndex, int M[2]) {
  M[0] = M[1] = 0;
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (ParentControl()->Rotate() && t->IsMainTab()) {
    int k = t->PaintingKind();
    bool a = k == 3 || k == 6 || k == 11;
    M[0] = a ? 2 : 1;
    M[1] = a ? 1 : 2;
  }
}

TColor TkcPCTabsPainter::GetTabColor(int AVisibleIndex) {
  if (VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  TColor c = GetTabDefinedColor(AVisibleIndex);
  return c == clDefault ? clBtnFace : c;
}

TRect TkcPCTabsPainter::ExtendTowardPage(int AVisibleIndex, TRect R) {
  switch (VisibleTab(AVisibleIndex)->RealPosition()) {
    case tpTop: ++R.bottom; break;
    case tpBottom: --R.top; break;
    case tpLeft: ++R.right; break;
    case tpRight: --R.left; break;
  }
  return R;
}

TkcRegion* TkcPCTabsPainter::GetTabClipRegion(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect r = t->GetDisplayRect();
  if (t->IsMainTab() && !IsRectEmpty(&r)) r = ExtendTowardPage(AVisibleIndex, r);
  return new TkcRegion(r);
}

TkcRegionOperation TkcPCTabsPainter::GetTabClipRegionOperation(int AVisibleIndex) {
  return VisibleTab(AVisibleIndex)->IsMainTab() ? roSet : roIntersect;
}

void TkcPCTabsPainter::GetTabTextMargins(int AVisibleIndex, int M[2]) {
  if (!IsTabDown(AVisibleIndex))
    M[0] = M[1] = 3;
  else if (!ParentControl()->Rotate())
    M[0] = M[1] = 5;
  else
    M[0] = 4, M[1] = 5;
  int k = VisibleTab(AVisibleIndex)->PaintingKind();
  if (k == 3 || k == 6 || k == 11) std::swap(M[0], M[1]);
}

void TkcPCTabsPainter::CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& R) {
  TkcCustomTabControl* c = ParentControl();
  TkcTabPosition pos = c->TabPosition();
  R.Bounds = c->GetControlRect();
  if (!c->MultiLine() && !AButtons.Empty()) TakeNavigatorArea(R.Bounds, GetNavigatorAreaLength(AButtons));
  TRect tb = c->GetControlRect();
  switch (pos) {
    case tpTop: tb.top += 2; break;
    case tpBottom: tb.bottom -= 2; break;
    case tpLeft: tb.left += 2; break;
    case tpRight: tb.right -= 2; break;
  }
  if (IsHorizontalPos(pos)) {
    tb.left = R.Bounds.left + 2;
    tb.right = R.Bounds.right - 2;
  } else {
    tb.top = R.Bounds.top + 2;
    tb.bottom = R.Bounds.bottom - 2;
  }
  R.TabsBounds = tb;
  R.TabsLength = IsHorizontalPos(pos) ? tb.right - tb.left : tb.bottom - tb.top;
  R.TopOrLeftPartExtension = (pos == tpTop || pos == tpLeft) ? 1 : 0;
  R.BottomOrRightPartExtension = (pos == tpBottom || pos == tpRight) ? -1 : 0;
  R.PartsGap = 0;
  CalculateNavigatorButtons(AButtons);
}

void TkcPCTabsPainter::InvalidateTabRect(int AVisibleIndex) {
  TRect r = VisibleTab(AVisibleIndex)->GetDisplayRect();
  if (!IsRectEmpty(&r)) InvalidateRectInControl(ExtendTowardPage(AVisibleIndex, r));
}

void TkcPCTabsPainter::PaintTabs() {
  int first, last;
  ParentControl()->GetPlacedRange(first, last);
  int main = ParentControl()->MainTabVisibleIndex;
  if (main >= first && main <= last) {
    TRect d = VisibleTab(main)->GetDisplayRect();
    if (!IsRectEmpty(&d)) PaintTab(main);
  }
  for (int i = first; i <= last; ++i)
    if (i != main) PaintTab(i);
}

void TkcPCTabsPainter::RepaintTab(int AVisibleIndex, TkcTabChangeKind AChange) {
  if (AChange == tckMainTab && !VisibleTab(AVisibleIndex)->IsMainTab())
    InvalidateTabFullRect(AVisibleIndex);
  else
    TkcPCStandardPainter::RepaintTab(AVisibleIndex, AChange);
}

int TkcPCTabsPainter::GetContentTabNormalHeight() {
  return TkcPCStandardPainter::GetContentTabNormalHeight() - 2 - (ParentControl()->Rotate() ? 0 : 1);
}

void TkcPCTabsPainter::DrawTab(int AVisibleIndex) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  if (IsNativePainting()) {  // the themed part is already there: only the focus rectangle
    TRect r = tab->GetFullRect();
    if (tab->IsMainTab()) r = ExtendTowardPage(AVisibleIndex, r);
    InflateRect(&r, -2, -2);
    DrawTabFocusRect(AVisibleIndex, r);
    return;
  }
  TkcTabPosition side = tab->RealPosition();
  TRect F = tab->GetFullRect();
  // The interior: 2 pixels in from the outer and lateral sides, reaching the page side.
  TRect I = F;
  TRect strip{};
  switch (side) {
    case tpTop:
      I = {F.left + 2, F.top + 2, F.right - 2, F.bottom};
      strip = {I.left, I.bottom, I.right, I.bottom + 2};
      break;
    case tpBottom:
      I = {F.left + 2, F.top, F.right - 2, F.bottom - 2};
      strip = {I.left, I.top - 2, I.right, I.top};
      break;
    case tpLeft:
      I = {F.left + 2, F.top + 2, F.right, F.bottom - 2};
      strip = {I.right, I.top, I.right + 2, I.bottom};
      break;
    case tpRight:
      I = {F.left, F.top + 2, F.right - 2, F.bottom - 2};
      strip = {I.left - 2, I.top, I.left, I.bottom};
      break;
  }
  Canvas()->FillRect(I, GetTabColor(AVisibleIndex));
  if (tab->IsMainTab()) {
    TRect fr = I;
    switch (side) {
      case tpTop: --fr.bottom; break;
      case tpBottom: ++fr.top; break;
      case tpLeft: --fr.right; break;
      case tpRight: ++fr.left; break;
    }
    DrawTabFocusRect(AVisibleIndex, fr);
  } else
    Canvas()->FillRect(strip, ParentControl()->Color());
  DrawTabBorder(AVisibleIndex, F);
}

void TkcPCTabsPainter::DrawTabBorder(int AVisibleIndex, const TRect& F) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  int L = F.left, T = F.top, R = F.right, B = F.bottom;
  int W = ParentControl()->Width(), H = ParentControl()->Height();
  TColor tc = GetTabColor(AVisibleIndex);
  bool main = tab->IsMainTab();
  switch (tab->RealPosition()) {
    case tpTop:
      DrawPolyline({{L, B - 1}, {L, T + 2}, {L + 2, T}, {R - 3, T}}, clBtnHighlight);
      DrawPolyline({{L + 1, B - 1}, {L + 1, T + 2}, {L + 2, T + 1}, {R - 3, T + 1}}, cl3DLight);
      DrawPolyline({{R - 1, B - 1}, {R - 1, T + 2}, {R - 2, T + 1}}, cl3DDkShadow);
      DrawPolyline({{R - 2, B - 1}, {R - 2, T + 2}}, clBtnShadow);
      if (main) {
        if (L == 0) {
          DrawPolyline({{0, B}}, clBtnHighlight);
          DrawPolyline({{1, B}}, cl3DLight);
        } else
          DrawPolyline({{L, B}, {L + 1, B}}, cl3DLight);
        if (R == W) {
          DrawPolyline({{L + 2, B}, {R - 3, B}}, tc);
          DrawPolyline({{R - 2, B}}, clBtnShadow);
          DrawPolyline({{R - 1, B}}, cl3DDkShadow);
        } else
          DrawPolyline({{L + 2, B}, {R - 1, B}}, tc);
      }
      break;
    case tpBottom:
      DrawPolyline({{L, T}, {L, B - 3}, {L + 1, B - 2}}, clBtnHighlight);
      DrawPolyline({{L + 1, T}, {L + 1, B - 3}}, cl3DLight);
      DrawPolyline({{L + 2, B - 1}, {R - 3, B - 1}, {R - 1, B - 3}, {R - 1, T}}, cl3DDkShadow);
      DrawPolyline({{L + 2, B - 2}, {R - 3, B - 2}, {R - 2, B - 3}, {R - 2, T}}, clBtnShadow);
      if (main) {
        int x = L;
        if (L == 0) {
          DrawPolyline({{0, T - 1}}, clBtnHighlight);
          DrawPolyline({{1, T - 1}}, cl3DLight);
          x = L + 2;
        }
        DrawPolyline({{x, T - 1}, {R - 3, T - 1}}, tc);
        if (R == W) {
          DrawPolyline({{R - 2, T - 1}}, clBtnShadow);
          DrawPolyline({{R - 1, T - 1}}, cl3DDkShadow);
        } else
          DrawPolyline({{R - 2, T - 1}, {R - 1, T - 1}}, clBtnShadow);
      }
      break;
    case tpLeft:
      DrawPolyline({{L, B - 3}, {L, T + 2}, {L + 2, T}, {R - 1, T}}, clBtnHighlight);
      DrawPolyline({{L + 1, B - 3}, {L + 1, T + 2}, {L + 2, T + 1}, {R - 1, T + 1}}, cl3DLight);
      DrawPolyline({{L + 2, B - 2}, {L + 3, B - 1}, {R - 1, B - 1}}, cl3DDkShadow);
      DrawPolyline({{L + 1, B - 2}, {L + 2, B - 1}, {L + 3, B - 2}, {R - 1, B - 2}}, clBtnShadow);
      if (main) {
        int y = T;
        if (T == 0) {
          DrawPolyline({{R, 0}}, clBtnHighlight);
          y = T + 1;
        }
        DrawPolyline({{R, y}, {R, T + 1}}, cl3DLight);
        if (B == H) {
          DrawPolyline({{R, T + 2}, {R, B - 3}}, tc);
          DrawPolyline({{R, B - 2}}, clBtnShadow);
          DrawPolyline({{R, B - 1}}, cl3DDkShadow);
        } else
          DrawPolyline({{R, T + 2}, {R, B - 1}}, tc);
      }
      break;
    case tpRight:
      DrawPolyline({{L, T}, {R - 3, T}, {R - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{L, T + 1}, {R - 3, T + 1}}, cl3DLight);
      DrawPolyline({{L, B - 1}, {R - 3, B - 1}, {R - 1, B - 3}, {R - 1, T + 2}}, cl3DDkShadow);
      DrawPolyline({{L, B - 2}, {R - 3, B - 2}, {R - 2, B - 3}, {R - 2, T + 2}}, clBtnShadow);
      if (main) {
        int y = T;
        if (T == 0) {
          DrawPolyline({{L - 1, 0}}, clBtnHighlight);
          DrawPolyline({{L - 1, 1}}, cl3DLight);
          y = T + 2;
        }
        DrawPolyline({{L - 1, y}, {L - 1, B - 3}}, tc);
        if (B == H) {
          DrawPolyline({{L - 1, B - 2}}, clBtnShadow);
          DrawPolyline({{L - 1, B - 1}}, cl3DDkShadow);
        } else
          DrawPolyline({{L - 1, B - 2}, {L - 1, B - 1}}, clBtnShadow);
      }
      break;
  }
  DrawTabCorners(AVisibleIndex, F);
}

void TkcPCTabsPainter::GetTabCornerColors(int AVisibleIndex, TColor& C1, TColor& C2) {
  TkcCustomTabControl* c = ParentControl();
  TkcTab* tab = VisibleTab(AVisibleIndex);
  int d = tab->DisplayLineIndex;
  bool firstBefore = c->TopOrLeftPartLineCount > 0 && d == 0;
  bool lastAfter = c->TopOrLeftPartLineCount < c->LineCount && d == c->LineCount - 1;
  if (firstBefore || lastAfter) {
    C1 = C2 = c->Color();
  } else {
    C1 = C2 = clBtnFace;
    if (tab->IsMainTab() && !c->Rotate()) {
      TkcPCLineIndexBoundsArray lines;
      c->GetDisplayLineBounds(lines);
      if (d >= 0 && d < int(lines.size())) {
        if (lines[d].First == AVisibleIndex) C1 = c->Color();
        if (lines[d].Last == AVisibleIndex) C2 = c->Color();
      }
    }
  }
  TkcTabPosition side = tab->RealPosition();
  int k = tab->PaintingKind();
  if ((side == tpLeft || side == tpRight) && !(k == 5 || k == 8)) std::swap(C1, C2);
}

void TkcPCTabsPainter::DrawTabCorners(int AVisibleIndex, const TRect& F) {
  TColor c1, c2;
  GetTabCornerColors(AVisibleIndex, c1, c2);
  int L = F.left, T = F.top, R = F.right, B = F.bottom;
  auto pix = [&](std::initializer_list<TPoint> pts, TColor c) {
    for (TPoint p : pts) Canvas()->SetPixel(p.x, p.y, c);
  };
  switch (VisibleTab(AVisibleIndex)->RealPosition()) {
    case tpTop:
      pix({{L, T + 1}, {L, T}, {L + 1, T}}, c1);
      pix({{R - 2, T}, {R - 1, T}, {R - 1, T + 1}}, c2);
      break;
    case tpBottom:
      pix({{L, B - 2}, {L, B - 1}, {L + 1, B - 1}}, c1);
      pix({{R - 2, B - 1}, {R - 1, B - 1}, {R - 1, B - 2}}, c2);
      break;
    case tpLeft:
      pix({{L, T + 1}, {L, T}, {L + 1, T}}, c1);
      pix({{L, B - 2}, {L, B - 1}, {L + 1, B - 1}}, c2);
      break;
    case tpRight:
      pix({{R - 2, T}, {R - 1, T}, {R - 1, T + 1}}, c1);
      pix({{R - 2, B - 1}, {R - 1, B - 1}, {R - 1, B - 2}}, c2);
      break;
  }
}

// ---- The Tabs style's native mode ------------------------------------------------------------

bool TkcPCTabsPainter::IsNativePainting() {
  TkcCustomTabControl* c = ParentControl();
  return !c->IsDestroying() && c->LookAndFeel()->NativeStyle() && AreThemesAvailable() && GetThemeHandle(totTab) != 0;
}

void TkcPCTabsPainter::GetTabThemeParts(int AVisibleIndex, int& APart, int& AState) {
  TkcCustomTabControl* c = ParentControl();
  TkcPCLineIndexBoundsArray lines;
  c->GetDisplayLineBounds(lines);
  TkcTab* t = VisibleTab(AVisibleIndex);
  int d = t->DisplayLineIndex;
  bool first = d >= 0 && d < int(lines.size()) && lines[d].First == AVisibleIndex;
  bool last = d >= 0 && d < int(lines.size()) && lines[d].Last == AVisibleIndex;
  int P;
  if (c->MultiLine() && !c->RaggedRight())
    P = last ? 2 : first ? 0 : 1;
  else
    P = first ? 0 : AVisibleIndex == c->VisibleTabs()->Count() - 1 ? 2 : 1;
  bool main = t->IsMainTab();
  if (main && P == 2 && (!c->MultiLine() || c->RaggedRight())) P = 1;
  static const int normal[3] = {2, 1, 3}, top[3] = {6, 5, 7};
  APart = main ? top[P] : normal[P];
  AState = GetTabThemeState(AVisibleIndex);
}

void TkcPCTabsPainter::GetPageClientRectOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetPageClientRectOffset(M);
  if (!IsNativePainting()) return;
  TRect t = GetThemedFrameOffsets();
  // The theme's margins are those of a pane with tabs on top; turned to the tab side.
  static const int order[4][4] = {{0, 1, 2, 3}, {2, 3, 0, 1}, {1, 2, 3, 0}, {3, 0, 1, 2}};
  const LONG f[4] = {t.left, t.top, t.right, t.bottom};
  const int* o = order[ParentControl()->TabPosition()];
  M.left += f[o[0]] - 2, M.top += f[o[1]] - 2, M.right += f[o[2]] - 2, M.bottom += f[o[3]] - 2;
}

void TkcPCTabsPainter::DrawNativePane() {
  TRect r = GetPageClientRectWithoutLines();
  TRect m = GetThemedFrameOffsets();
  r.right = std::max<LONG>(r.right, r.left + m.left + m.right);
  r.bottom = std::max<LONG>(r.bottom, r.top + m.top + m.bottom);
  HTHEME theme = GetThemeHandle(totTab);
  if (IsThemeBackgroundPartiallyTransparent(theme, 9, 0) && ParentControl()->ParentBackground())
    DrawThemeParentBackground(ParentControl()->Handle(), Canvas()->Handle(), &r);
  else
    Canvas()->FillRect(r, ParentControl()->Color());
  DrawThemeBackground(theme, Canvas()->Handle(), 9, 0, &r, nullptr);
  Canvas()->ExcludeClipRect(r);
}

void TkcPCTabsPainter::PaintPageClientArea() {
  if (IsNativePainting())
    DrawNativePane();
  else
    TkcPCStandardPainter::PaintPageClientArea();
}

int TkcPCTabsPainter::GetNavigatorButtonHeight() { return IsNativePainting() ? 17 : 20; }

int TkcPCTabsPainter::GetNavigatorButtonWidth(TkcPCNavigatorButton AButton) {
  if (!IsNativePainting()) return TkcPCStandardPainter::GetNavigatorButtonWidth(AButton);
  if (AButton == nbGoDialog) {
    SIZE s{};
    if (GetThemePartSize(GetThemeHandle(totSpin), Canvas()->Handle(), 2, 1, nullptr, 1, &s) == S_OK && s.cx > 0)
      return s.cx;
  }
  return 17;
}

void TkcPCTabsPainter::DrawNavigatorButton(TkcPCNavigatorButton AButton, TRect R) {
  if (!IsNativePainting()) {
    TkcPCStandardPainter::DrawNavigatorButton(AButton, R);
    return;
  }
  static const int states[4] = {1, 3, 2, 4};
  int state = states[ParentControl()->NavigatorButtonStates[AButton]];
  bool vertical = !IsHorizontalTabs();
  int part;
  HTHEME theme;
  if (AButton == nbClose) {
    theme = GetThemeHandle(totWindow);
    part = 19;
  } else {
    theme = GetThemeHandle(totSpin);
    if (AButton == nbGoDialog)
      part = 2;
    else if (vertical)
      part = AButton == nbTopLeft ? 1 : 2;
    else
      part = AButton == nbTopLeft ? 4 : 3;
  }
  if (ParentControl()->ParentBackground() && IsThemeBackgroundPartiallyTransparent(theme, part, state))
    DrawThemeParentBackground(ParentControl()->Handle(), Canvas()->Handle(), &R);
  else
    Canvas()->FillRect(R, ParentControl()->Color());
  DrawThemeBackground(theme, Canvas()->Handle(), part, state, &R, nullptr);
}

// The themed tab is drawn straight onto the canvas under the tab's clip; its content follows.
void TkcPCTabsPainter::PrepareNativeTab(int AVisibleIndex) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  TRect r = tab->GetFullRect();
  if (tab->IsMainTab()) r = ExtendTowardPage(AVisibleIndex, r);
  int part, state;
  GetTabThemeParts(AVisibleIndex, part, state);
  DrawThemeBackground(GetThemeHandle(totTab), Canvas()->Handle(), part, state, &r, nullptr);
}

// ---- Registration ---------------------------------------------------------------------------

namespace {
// Reloads the OneNote outline colours on every system colour change, before ordinary notifiers.
class TkcPaletteChangedNotifier : public TkcSystemPaletteChangedNotifier {
public:
  TkcPaletteChangedNotifier() : TkcSystemPaletteChangedNotifier(true) {}
  void NotifyChanged() override { LoadOneNoteColors(); }
};
}  // namespace

void RegisterStandardPCPainters() {
  static bool done = false;
  if (done) return;
  done = true;
  UpdateLightFaceColor();
  LoadOneNoteColors();
  // Kept for the life of the process, like the library's other palette listeners.
  new TkcPaletteChangedNotifier;
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCTabsPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCButtonsPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCFlatButtonsPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCExtraFlatPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCUltraFlatPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCFlatPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCOffice11Painter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCSlantedPainter>::Instance());
  RegisterPCPainterClass(TkcPCPainterClassOf<TkcPCOneNotePainter>::Instance());
}
