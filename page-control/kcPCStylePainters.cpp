// The button, flat and slanted tab styles.
#include <algorithm>

#include "controls/kcLookAndFeelPainters.h"
#include "controls/kcOffice11.h"
#include "page-control/kcPCPainters.h"
#include "platform/gdi/WinGdi.h"

namespace {
bool Horizontal(TkcTabPosition P) { return P == tpTop || P == tpBottom; }
int PainterCode(TkcLookAndFeel* L) {
  return L ? L->GetAvailablePainter(TkcThemedObjectTypes{totTab})->GetPainterStyleCode() : -1;
}
// Margins given in the frame of tabs on top, turned to the side the tabs are on.
TRect TurnMargins(const TRect& M, TkcTabPosition P) {
  switch (P) {
    case tpTop: return M;
    case tpBottom: return {M.right, M.bottom, M.left, M.top};
    case tpLeft: return {M.top, M.right, M.bottom, M.left};
    case tpRight: return {M.bottom, M.left, M.top, M.right};
  }
  return M;
}
}  // namespace

// ---- Buttons and FlatButtons ----------------------------------------------------------------

void TkcPCButtonedPainter::GetTabLinesOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetTabLinesOffset(M);
  if (!ParentControl()->HideTabs() && ParentControl()->LineCount > 0) M.top += 2;
}

TColor TkcPCButtonedPainter::GetTabColor(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (t->Highlighted()) return clHighlight;
  TColor c = GetTabDefinedColor(AVisibleIndex);
  if (c == clDefault) c = t->IsMainTab() ? clBtnHighlight : clBtnFace;
  return c;
}

void TkcPCButtonedPainter::GetTabTextMargins(int, int M[2]) {
  M[0] = GetImageSize().cx > 0 ? 3 : 4;
  M[1] = 4;
}

bool TkcPCButtonedPainter::IsTabDown(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  return !t->IsFocused() && (t->IsPressed() || t->Selected() || t->IsMainTab());
}

bool TkcPCButtonsPainter::IsTabDown(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  return t->IsFocused() || t->IsPressed() || t->Selected() || t->IsMainTab();
}

void TkcPCButtonsPainter::DrawTab(int AVisibleIndex) {
  TRect R = VisibleTab(AVisibleIndex)->GetFullRect();
  bool down = IsTabDown(AVisibleIndex);
  TRect r = R;
  Canvas()->DrawTwoColorFrame(r, down ? cl3DDkShadow : clBtnHighlight, down ? clBtnHighlight : cl3DDkShadow,
                              kcAllBorders, 1);
  InflateRect(&r, -1, -1);
  Canvas()->DrawTwoColorFrame(r, down ? clBtnShadow : cl3DLight, down ? cl3DLight : clBtnShadow, kcAllBorders, 1);
  InflateRect(&r, -1, -1);
  Canvas()->FillRect(r, GetTabColor(AVisibleIndex));
  InflateRect(&R, -1, -1);
  DrawTabFocusRect(AVisibleIndex, R);
}

void TkcPCFlatButtonsPainter::DrawTab(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect R = t->GetFullRect();
  if (!t->IsFocused() && (t->IsPressed() || t->Selected() || t->IsMainTab())) {
    DrawButtonBorder3D(R, true);
    InflateRect(&R, -2, -2);
  } else if (t->IsHotTrack() || t->IsFocused()) {
    int L = R.left, T = R.top, Rt = R.right, B = R.bottom;
    DrawPolyline({{L, B - 2}, {L, T}, {Rt - 2, T}}, clBtnHighlight);
    DrawPolyline({{L, B - 1}, {Rt - 1, B - 1}, {Rt - 1, T}}, clBtnShadow);
    InflateRect(&R, -1, -1);
  }
  Canvas()->FillRect(R, GetTabColor(AVisibleIndex));
  InflateRect(&R, 1, 1);
  DrawTabFocusRect(AVisibleIndex, R);
}

void TkcPCFlatButtonsPainter::PaintTab(int AVisibleIndex) {
  TkcPCButtonedPainter::PaintTab(AVisibleIndex);
  TkcCustomTabControl* c = ParentControl();
  int first, last;
  c->GetPlacedRange(first, last);
  TkcTab* tab = VisibleTab(AVisibleIndex);
  TRect F = tab->GetFullRect();
  bool rotate = c->Rotate();
  if (!rotate) {
    if (AVisibleIndex + 1 > last || VisibleTab(AVisibleIndex + 1)->LineIndex != tab->LineIndex) return;
  } else {
    if (c->LineCount < 2 || tab->LineIndex >= c->LineCount - 1) return;
    bool found = false;
    bool horizontal = Horizontal(c->TabPosition());
    for (int i = first; i <= last && !found; ++i) {
      TkcTab* o = VisibleTab(i);
      TRect of = o->GetFullRect();
      found = o->LineIndex == tab->LineIndex + 1 && (horizontal ? of.left == F.left : of.top == F.top);
    }
    if (!found) return;
  }
  const int G = 10;
  bool vertical = c->IsVerticalText();
  bool ttb = c->Options().Contains(pcoTopToBottomText);
  TRect gap;
  if (!vertical) {
    bool before = Horizontal(c->TabPosition()) && rotate && ttb;
    gap = before ? TRect{F.left - G, F.top, F.left, F.bottom} : TRect{F.right, F.top, F.right + G, F.bottom};
  } else {
    bool above = !Horizontal(c->TabPosition()) && !rotate && !ttb;
    gap = above ? TRect{F.left, F.top - G, F.right, F.top} : TRect{F.left, F.bottom, F.right, F.bottom + G};
  }
  if (!SetClipRect(gap, true)) return;
  int off = (G - 2) / 2;
  TRect line;
  if (!vertical) {
    int x = gap.left + off;
    DrawPolyline({{x, gap.top + 1}, {x, gap.bottom - 2}}, clBtnShadow);
    DrawPolyline({{x + 1, gap.top + 1}, {x + 1, gap.bottom - 2}}, clBtnHighlight);
    line = {x, gap.top + 1, x + 2, gap.bottom - 1};
  } else {
    int y = gap.top + off;
    DrawPolyline({{gap.left + 1, y}, {gap.right - 2, y}}, clBtnShadow);
    DrawPolyline({{gap.left + 1, y + 1}, {gap.right - 2, y + 1}}, clBtnHighlight);
    line = {gap.left + 1, y, gap.right - 1, y + 2};
  }
  Canvas()->ExcludeClipRect(line);
  Canvas()->FillRect(gap, c->Color());
  RestoreClipRegion();
  Canvas()->ExcludeClipRect(gap);
}

// ---- ExtraFlat family -----------------------------------------------------------------------

int TkcPCExtraFlatPainter::GetMinTabNormalWidth() {
  TSize s = GetImageSize();
  return s.cx > 0 ? s.cx + 2 * ParentControl()->ImageBorder() + 4 : 0;
}

int TkcPCExtraFlatPainter::CalculateTabNormalWidth(TkcTab* ATab) {
  int tw = ParentControl()->TabWidth();
  if (tw >= 1) return std::max(tw, GetMinTabNormalWidth());
  int caption = ATab->Caption().empty() ? 12 : MeasureCaption(ATab) + 9;
  return std::max(GetMinTabNormalWidth() + caption, GetMinTabNormalWidth());
}

int TkcPCExtraFlatPainter::CalculateTabNormalHeight() {
  int h = std::max(TkcPCStandardPainter::GetContentTabNormalHeight() - 3, GetMinTabNormalHeight());
  TSize s = GetImageSize();
  if (ParentControl()->Rotate() && s.cy > 0 && (h - s.cy) % 2 != 0) ++h;
  if (ParentControl()->TabHeight() - 4 >= 17) h = std::max(h, ParentControl()->TabHeight() - 4);
  return h;
}

void TkcPCExtraFlatPainter::GetTabBoundsCorrection(int AVisibleIndex, TRect& D) {
  D = VisibleTab(AVisibleIndex)->IsMainTab() ? TRect{-1, -1, 1, 1} : TRect{};
}

void TkcPCExtraFlatPainter::GetTabImageOffsets(int AVisibleIndex, int O[4]) {
  O[0] = VisibleTab(AVisibleIndex)->IsMainTab() ? 3 : 2;
  O[1] = O[2] = O[3] = 0;
}

void TkcPCExtraFlatPainter::GetTabTextOffsets(int AVisibleIndex, int O[4]) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  bool main = t->IsMainTab();
  O[0] = main ? 6 : 5, O[1] = 2, O[2] = 3, O[3] = 0;
  int k = t->PaintingKind();
  if (k == 5 || k == 7 || k == 10) O[1] = O[3] = 0;
  if (GetRotatedImageSize().cx > 0) O[0] += main ? 1 : 2;
}

void TkcPCExtraFlatPainter::GetTabTextMargins(int AVisibleIndex, int M[2]) {
  M[0] = M[1] = VisibleTab(AVisibleIndex)->IsMainTab() ? 3 : 2;
}

void TkcPCExtraFlatPainter::GetTabsDistance(TPoint& D) {
  D = {GetTabSeparatorWidth(), GetLineBorderWidth() + 3};
  if (ParentControl()->Rotate()) std::swap(D.x, D.y);
}

TColor TkcPCExtraFlatPainter::GetPageColor() {
  return ParentControl()->MainTabVisibleIndex == -1 ? clBtnFace : TkcPCStandardPainter::GetPageColor();
}

void TkcPCExtraFlatPainter::GetPageClientRectOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetPageClientRectOffset(M);
  if (!ParentControl()->HideTabs() && ParentControl()->LineCount > 0) M.top += 2;
  AdjustPageClientRectOffset(M);
}

void TkcPCExtraFlatPainter::AdjustPageClientRectOffset(TkcPCMargins& M) {
  if (IsFrameVisible() && !ParentControl()->HideTabs() && ParentControl()->LineCount > 0) M.top -= 1;
}

void TkcPCExtraFlatPainter::GetTabLinesOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetTabLinesOffset(M);
  TkcCustomTabControl* c = ParentControl();
  bool both = c->TopOrLeftPartLineCount != 0 && c->TopOrLeftPartLineCount != c->LineCount;
  if (!c->HideTabs() && both) M.bottom += 3;
}

TColor TkcPCExtraFlatPainter::GetTabColor(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (t->Highlighted()) return clHighlight;
  TColor c = GetTabDefinedColor(AVisibleIndex);
  if (c == clDefault) c = t->IsMainTab() ? clBtnFace : LightFaceColor();
  return c;
}

void TkcPCExtraFlatPainter::CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& R) {
  TkcCustomTabControl* c = ParentControl();
  TkcTabPosition pos = c->TabPosition();
  int frame = HasPageFrameInset() ? GetFrameWidth() : 0;
  // In the frame of tabs on top: 6 at both ends, 3 (+frame) at the outer edge, frame at the page side.
  TRect m{6, 3 + frame, 6, frame};
  int nav = AButtons.Empty() ? 0 : GetNavigatorAreaLength(AButtons);
  TRect turned = TurnMargins({m.left, m.top, m.right, 0}, pos);
  TRect tb{turned.left, turned.top, c->Width() - turned.right, c->Height() - turned.bottom};
  TakeNavigatorArea(tb, nav);
  R.TabsBounds = tb;
  R.TabsLength = (Horizontal(pos) ? c->Width() : c->Height()) - nav - 12;
  R.Bounds = tb;
  switch (pos) {
    case tpTop: --R.Bounds.top; break;
    case tpBottom: ++R.Bounds.bottom; break;
    case tpLeft: --R.Bounds.left; break;
    case tpRight: ++R.Bounds.right; break;
  }
  if (Horizontal(pos))
    --R.Bounds.left, ++R.Bounds.right;
  else
    --R.Bounds.top, ++R.Bounds.bottom;
  R.TopOrLeftPartExtension = (pos == tpTop || pos == tpLeft) ? 1 : 0;
  R.BottomOrRightPartExtension = (pos == tpBottom || pos == tpRight) ? -1 : 0;
  TPoint d;
  GetTabsDistance(d);
  R.PartsGap = d.y - 1;
  CalculateNavigatorButtons(AButtons);
}

void TkcPCExtraFlatPainter::PaintContent() {
  PaintPageClientArea();
  if (!ParentControl()->HideTabs()) {
    PaintNavigator();
    PaintTabs();
  }
}

TRect TkcPCExtraFlatPainter::GetPageBandRect() {
  TkcCustomTabControl* c = ParentControl();
  if (c->HideTabs() || c->LineCount == 0) return {};
  TRect p = GetPageClientRect();
  switch (c->TabPosition()) {
    case tpTop: return {p.left, p.top - 2, p.right, p.top};
    case tpBottom: return {p.left, p.bottom, p.right, p.bottom + 2};
    case tpLeft: return {p.left - 2, p.top, p.left, p.bottom};
    case tpRight: return {p.right, p.top, p.right + 2, p.bottom};
  }
  return {};
}

TColor TkcPCExtraFlatPainter::GetPageBandColor() {
  int main = ParentControl()->MainTabVisibleIndex;
  if (main == -1) return clBtnFace;
  TColor c = GetTabDefinedColor(main);
  return c == clDefault ? clBtnFace : c;
}

void TkcPCExtraFlatPainter::PaintPageClientArea() {
  TRect band = GetPageBandRect();
  if (!IsRectEmpty(&band)) {
    Canvas()->FillRect(band, GetPageBandColor());
    Canvas()->ExcludeClipRect(band);
  }
  TkcPCStandardPainter::PaintPageClientArea();
}

// The page sides away from the tabs (all four without tab lines).
TkcBorders TkcPCExtraFlatPainter::FrameSides() {
  TkcCustomTabControl* c = ParentControl();
  TkcBorders sides = kcAllBorders;
  if (!c->HideTabs() && c->LineCount > 0) {
    static const TkcBorder near[4] = {bTop, bBottom, bLeft, bRight};
    sides.Exclude(near[c->TabPosition()]);
  }
  return sides;
}

void TkcPCExtraFlatPainter::PaintFrame() {
  Canvas()->DrawTwoColorFrame(GetPageClientRectWithoutLines(), clBtnHighlight, clBtnShadow, FrameSides(), 1);
}

bool TkcPCExtraFlatPainter::IsStripReversed() const { return ParentControl()->IsTabOrderReversed(); }

TRect TkcPCExtraFlatPainter::GetTabBandRect(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect r = t->GetNormalRect();
  int lb = GetLineBorderWidth();
  switch (t->RealPosition()) {
    case tpTop: r.top -= 3, r.bottom += lb; break;
    case tpBottom: r.bottom += 3, r.top -= lb; break;
    case tpLeft: r.left -= 3, r.right += lb; break;
    case tpRight: r.right += 3, r.left -= lb; break;
  }
  return r;
}

std::vector<TColor> TkcPCExtraFlatPainter::LineBorderColors(int) {
  TkcTabPosition p = ParentControl()->TabPosition();
  return {clBtnFace, clBtnFace, (p == tpTop || p == tpLeft) ? TColor(clWhite) : TColor(clBlack)};
}

void TkcPCExtraFlatPainter::DrawLineBorder(TRect R, int ADisplayLine) {
  std::vector<TColor> colors = LineBorderColors(ADisplayLine);
  TkcCustomTabControl* c = ParentControl();
  bool before = ADisplayLine < c->TopOrLeftPartLineCount;
  bool horizontal = Horizontal(c->TabPosition());
  TkcBorder side = horizontal ? (before ? bBottom : bTop) : (before ? bRight : bLeft);
  std::vector<TkcBorder> sides(colors.size(), side);
  DrawBorderLines(Canvas(), R, sides, colors, true);
}

void TkcPCExtraFlatPainter::DrawTabSeparator(const TRect& R) {
  Canvas()->FillRect(R, clBtnShadow);
  Canvas()->ExcludeClipRect(R);
}

void TkcPCExtraFlatPainter::PaintTabs() {
  TkcCustomTabControl* c = ParentControl();
  TkcPCLineIndexBoundsArray lines;
  c->GetDisplayLineBounds(lines);
  bool horizontal = Horizontal(c->TabPosition());
  for (int d = 0; d < int(lines.size()); ++d) {
    if (lines[d].First == -1) continue;
    SaveClipRegion();
    std::vector<std::pair<int, TkcPCTabContentData>> transparent;
    for (int i = lines[d].First; i <= lines[d].Last; ++i) {
      PaintTab(i);
      if (IsTabTransparent(i)) transparent.push_back({i, TabContentData});
      if (i < lines[d].Last && !VisibleTab(i)->IsMainTab() && !VisibleTab(i + 1)->IsMainTab()) {
        TRect f = VisibleTab(i)->GetFullRect();
        TPoint ins = GetTabSeparatorInsets();
        int w = GetTabSeparatorWidth();
        TRect s;
        if (horizontal)
          s = IsStripReversed() ? TRect{f.left - w, f.top + ins.x, f.left, f.bottom - ins.y}
                                : TRect{f.right, f.top + ins.x, f.right + w, f.bottom - ins.y};
        else
          s = IsStripReversed() ? TRect{f.left + ins.x, f.top - w, f.right - ins.y, f.top}
                                : TRect{f.left + ins.x, f.bottom, f.right - ins.y, f.bottom + w};
        DrawTabSeparator(s);
      }
    }
    TRect band = GetTabBandRect(lines[d].First);
    if (horizontal)
      band.left = 0, band.right = c->Width();
    else
      band.top = 0, band.bottom = c->Height();
    if (HasPageFrameInset()) {
      if (horizontal)
        ++band.left, --band.right;
      else
        ++band.top, --band.bottom;
    }
    DrawLineBorder(band, d);
    FillTabBackground(band, -1);
    RestoreClipRegion();
    for (auto& [i, data] : transparent) {
      TabContentData = data;
      c->DrawTabCustomContent(Canvas(), VisibleTab(i));
    }
    Canvas()->ExcludeClipRect(band);
  }
}

void TkcPCExtraFlatPainter::FillTabBackground(const TRect& R, int AVisibleIndex) {
  TRect r = R;
  if (AVisibleIndex >= 0 && !VisibleTab(AVisibleIndex)->IsMainTab()) {
    Canvas()->FrameRect(r, LightFaceColor());
    InflateRect(&r, -1, -1);
  }
  Canvas()->FillRect(r, AVisibleIndex >= 0 ? GetTabColor(AVisibleIndex) : LightFaceColor());
}

void TkcPCExtraFlatPainter::DrawMainTabBorder(TRect& R, int AVisibleIndex) {
  TColor c1, c2;
  GetMainTabBorderColors(c1, c2);
  switch (VisibleTab(AVisibleIndex)->RealPosition()) {
    case tpTop: DrawBorderLines(Canvas(), R, {bLeft, bTop, bRight}, {c1, c1, c2}, false); break;
    case tpBottom: {
      TRect o = R;
      DrawBorderLines(Canvas(), R, {bLeft, bBottom, bRight}, {c1, c2, c2}, false);
      Canvas()->SetPixel(o.left, o.top, c2);
      break;
    }
    case tpLeft: DrawBorderLines(Canvas(), R, {bTop, bLeft, bBottom}, {c1, c1, c2}, false); break;
    case tpRight: {
      TRect o = R;
      DrawBorderLines(Canvas(), R, {bTop, bRight, bBottom}, {c1, c2, c2}, false);
      Canvas()->SetPixel(o.left, o.top, c2);
      break;
    }
  }
}

TRect TkcPCExtraFlatPainter::GetMainTabFocusBounds(int AVisibleIndex) {
  TRect r = VisibleTab(AVisibleIndex)->GetFullRect();
  static const TRect d[4] = {{0, 0, -1, 1}, {1, -1, -1, -1}, {0, 0, 1, -1}, {-1, 1, -1, -1}};
  const TRect& k = d[ParentControl()->TabPosition()];
  return {r.left + k.left, r.top + k.top, r.right + k.right, r.bottom + k.bottom};
}

void TkcPCExtraFlatPainter::DrawTab(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect R = t->GetFullRect();
  if (t->IsMainTab()) DrawMainTabBorder(R, AVisibleIndex);
  if (!IsTabTransparent(AVisibleIndex)) FillTabBackground(R, AVisibleIndex);
  if (t->IsMainTab()) DrawTabFocusRect(AVisibleIndex, GetMainTabFocusBounds(AVisibleIndex));
}

void TkcPCExtraFlatPainter::RepaintTab(int AVisibleIndex, TkcTabChangeKind AChange) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (ParentControl()->GetPaintingTextDirection() != 0) t->RotatedTextCache.reset();
  if (AChange == tckMainTab && !t->IsMainTab())
    InvalidateTabFullRect(AVisibleIndex);
  else
    InvalidateTabRect(AVisibleIndex);
  if (t->IsMainTab()) InvalidateRectInControl(GetPageBandRect());
}

int TkcPCExtraFlatPainter::GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) {
  auto arrow = [](TkcPCNavigatorButton b) { return b == nbTopLeft || b == nbBottomRight; };
  if ((B1 == nbGoDialog && arrow(B2)) || (B2 == nbGoDialog && arrow(B1))) return 0;
  return 3;
}

void TkcPCExtraFlatPainter::GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) {
  TkcPCStandardPainter::GetNavigatorGlyphInfo(AButton, AInfo);
  bool disabled = !ParentControl()->Enabled() || ParentControl()->NavigatorButtonStates[AButton] == 3;
  AInfo.Enabled = true;
  AInfo.SmallCloseGlyph = AButton == nbClose || disabled;
  if (disabled) AInfo.BrushColor = LightFaceColor();  // an outline
}

TColor TkcPCExtraFlatPainter::GetNavigatorButtonColor(TkcPCNavigatorButtonState S) {
  return S == 1 || S == 2 ? TColor(clBtnFace) : LightFaceColor();
}

TColor TkcPCExtraFlatPainter::GetNavigatorGlyphColor(TkcPCNavigatorButtonState S) {
  if (S == 3 || !ParentControl()->Enabled()) return clBtnShadow;
  return S == 1 ? TColor(clBtnHighlight) : TColor(clBtnText);
}

TPoint TkcPCExtraFlatPainter::GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) {
  bool pressed = ParentControl()->NavigatorButtonStates[AButton] == 1;
  bool vertical = !IsHorizontalTabs();
  switch (AButton) {
    case nbGoDialog: return {3, 4 + (pressed ? 1 : 0)};
    case nbClose: return vertical ? TPoint{3, 2} : TPoint{2, 3};
    case nbTopLeft: return vertical ? TPoint{2, 5} : TPoint{5, 2};
    case nbBottomRight: return vertical ? TPoint{2, 3} : TPoint{3, 2};
  }
  return {};
}

void TkcPCExtraFlatPainter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState S) {
  if (S == 1 || S == 2) DrawButtonBorder3D(R, S == 1, true);
  InflateRect(&R, -1, -1);
}

// ---- UltraFlat ------------------------------------------------------------------------------

bool TkcPCUltraFlatPainter::ClassHasLookAndFeel(TkcLookAndFeel* L) { return PainterCode(L) == 2; }

int TkcPCUltraFlatPainter::GetNavigatorButtonWidth(TkcPCNavigatorButton B) {
  return B == nbGoDialog ? 11 : B == nbClose ? 14 : 15;
}

int TkcPCUltraFlatPainter::GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) {
  return B1 == nbClose || B2 == nbClose ? 3 : 1;
}

void TkcPCUltraFlatPainter::GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) {
  int s = ParentControl()->NavigatorButtonStates[AButton];
  AInfo.BrushColor = AInfo.PenColor = GetNavigatorGlyphColor(s);
  AInfo.Enabled = ParentControl()->Enabled();
  AInfo.SmallCloseGlyph = AButton == nbClose;
}

TColor TkcPCUltraFlatPainter::GetNavigatorButtonColor(TkcPCNavigatorButtonState S) {
  return S == 2 ? TColor(clBtnFace) : S == 1 ? TColor(clBtnShadow) : LightFaceColor();
}

void TkcPCUltraFlatPainter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState S) {
  Canvas()->FrameRect(R, S == 1 || S == 2 ? TColor(clBlack) : TColor(clBtnShadow));
  InflateRect(&R, -1, -1);
}

void TkcPCUltraFlatPainter::PaintFrame() {
  Canvas()->FrameRect(GetPageClientRectWithoutLines(), clBtnShadow, 1, FrameSides());
}

TRect TkcPCUltraFlatPainter::GetMainTabFocusBounds(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect r = t->GetFullRect();
  switch (t->RealPosition()) {
    case tpTop: return {r.left + 1, r.top + 1, r.right - 1, r.bottom};
    case tpBottom: return {r.left + 1, r.top, r.right - 1, r.bottom - 1};
    case tpLeft: return {r.left + 1, r.top + 1, r.right, r.bottom - 1};
    case tpRight: return {r.left, r.top + 1, r.right - 1, r.bottom - 1};
  }
  return r;
}

std::vector<TColor> TkcPCUltraFlatPainter::LineBorderColors(int ADisplayLine) {
  TkcCustomTabControl* c = ParentControl();
  int touching;
  if (c->MainTabVisibleIndex != -1)
    touching = c->VisibleTabs()->GetTab(c->MainTabVisibleIndex)->DisplayLineIndex;
  else
    touching = (c->TabPosition() == tpBottom || c->TabPosition() == tpRight) ? 0 : c->LineCount - 1;
  if (ADisplayLine == touching) return {clBtnFace, clBtnFace, clBlack};
  return {clBtnFace, clBlack, clBtnFace};
}

// ---- Office11 -------------------------------------------------------------------------------

bool TkcPCOffice11Painter::ClassHasLookAndFeel(TkcLookAndFeel* L) { return PainterCode(L) == 4; }

TColor TkcPCOffice11Painter::GetFrameColor() { return Office11SelectedBorderColor; }

TColor TkcPCOffice11Painter::GetTabColor(int AVisibleIndex) {
  if (VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  return GetTabDefinedColor(AVisibleIndex);
}

bool TkcPCOffice11Painter::IsTabTransparent(int AVisibleIndex) {
  return !VisibleTab(AVisibleIndex)->IsMainTab() && GetTabDefinedColor(AVisibleIndex) == clDefault;
}

bool TkcPCOffice11Painter::NeedsRedrawOnResize() {
  TkcPCOptions o = ParentControl()->Options();
  return o.Contains(pcoGradient) && o.Contains(pcoGradientClientArea);
}

TPoint TkcPCOffice11Painter::GetTabSeparatorInsets() {
  TkcTabPosition p = ParentControl()->TabPosition();
  return p == tpBottom || p == tpRight ? TPoint{3, -1} : TPoint{0, 2};
}

TColor TkcPCOffice11Painter::GetNavigatorGlyphColor(TkcPCNavigatorButtonState S) {
  return S == 3 || !ParentControl()->Enabled() ? Office11DisabledTextColor : Office11TextColor;
}

void TkcPCOffice11Painter::Gradient(const TRect& R, TColor C1, TColor C2) {
  if (!ParentControl()->Options().Contains(pcoGradient)) {
    Canvas()->FillRect(R, MixColors(C1, C2, 50));
    return;
  }
  FillGradientRect(Canvas()->Handle(), R, C1, C2, !Horizontal(ParentControl()->TabPosition()));
}

void TkcPCOffice11Painter::FillNavigatorButton(TRect& R, TkcPCNavigatorButtonState S) {
  if (S == 1)
    Gradient(R, Office11PressedLightColor, Office11PressedDarkColor);
  else if (S == 2)
    Gradient(R, Office11MainTabLightColor, Office11MainTabDarkColor);
  else
    Gradient(R, Office11TabLightColor, Office11TabDarkColor);
}

void TkcPCOffice11Painter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState S) {
  bool disabled = S == 3 || !ParentControl()->Enabled();
  Canvas()->FrameRect(R, disabled ? Office11DisabledTextColor : GetFrameColor());
  InflateRect(&R, -1, -1);
}

void TkcPCOffice11Painter::AdjustPageClientRectOffset(TkcPCMargins& M) {
  TkcCustomTabControl* c = ParentControl();
  bool beyond = c->TopOrLeftPartLineCount != 0 && c->TopOrLeftPartLineCount != c->LineCount;
  if (!IsFrameVisible() && beyond) ++M.bottom;
}

void TkcPCOffice11Painter::PaintPageClientArea() {
  TkcCustomTabControl* c = ParentControl();
  bool beyond = c->TopOrLeftPartLineCount != 0 && c->TopOrLeftPartLineCount != c->LineCount;
  if (!IsFrameVisible() && beyond && !c->HideTabs()) {
    TRect p = GetPageClientRect();
    TRect line;
    switch (c->TabPosition()) {
      case tpTop: line = {p.left, p.bottom, p.right, p.bottom + 1}; break;
      case tpBottom: line = {p.left, p.top - 1, p.right, p.top}; break;
      case tpLeft: line = {p.right, p.top, p.right + 1, p.bottom}; break;
      case tpRight: line = {p.left - 1, p.top, p.left, p.bottom}; break;
    }
    Canvas()->FillRect(line, GetFrameColor());
    Canvas()->ExcludeClipRect(line);
  }
  TkcPCUltraFlatPainter::PaintPageClientArea();
}

void TkcPCOffice11Painter::PaintFrame() {
  TRect r = GetPageClientRect();
  InflateRect(&r, 1, 1);
  Canvas()->FrameRect(r, GetFrameColor());
}

void TkcPCOffice11Painter::FillPageClientRect() {
  TControl* page = ParentControl()->GetActivePage();
  TRect r = GetPageClientRect();
  if (page && !page->ParentColor()) {
    Canvas()->FillRect(r, page->Color());
    return;
  }
  TkcPCOptions o = ParentControl()->Options();
  if (o.Contains(pcoGradient) && o.Contains(pcoGradientClientArea))
    FillGradientRect(Canvas()->Handle(), r, Office11TabLightColor, Office11TabDarkColor,
                     !Horizontal(ParentControl()->TabPosition()));
  else
    Canvas()->FillRect(r, MixColors(Office11TabLightColor, Office11TabDarkColor, 50));
}

void TkcPCOffice11Painter::FillTabBackground(const TRect& R, int AVisibleIndex) {
  if (AVisibleIndex < 0) {
    Gradient(R, Office11TabLightColor, Office11TabDarkColor);
    return;
  }
  TkcTab* t = VisibleTab(AVisibleIndex);
  TColor color = GetTabColor(AVisibleIndex);
  bool main = t->IsMainTab();
  TColor c1 = main ? Office11MainTabLightColor : Office11TabLightColor;
  TColor c2 = main ? Office11MainTabDarkColor : Office11TabDarkColor;
  if (color == clDefault) {
    Gradient(R, c1, c2);
    return;
  }
  TRect r = R;
  if (!main) {
    if (!ParentControl()->Options().Contains(pcoGradient)) c1 = c2 = MixColors(c1, c2, 50);
    switch (t->RealPosition()) {
      case tpTop: Canvas()->FillRect({r.left, r.bottom - 1, r.right, r.bottom}, c2), --r.bottom; break;
      case tpBottom: Canvas()->FillRect({r.left, r.top, r.right, r.top + 1}, c1), ++r.top; break;
      case tpLeft: Canvas()->FillRect({r.right - 1, r.top, r.right, r.bottom}, c2), --r.right; break;
      case tpRight: Canvas()->FillRect({r.left, r.top, r.left + 1, r.bottom}, c1), ++r.left; break;
    }
  }
  Canvas()->FillRect(r, color);
}

// The tab's gradient, as it runs over the whole tab, seen through the caption's bitmap (turned
// with a vertical caption).
void TkcPCOffice11Painter::FillTextBitmapBackground(TBitmap* ABitmap, const TRect& ATextRect, int AVisibleIndex) {
  if (AVisibleIndex < 0 || GetTabColor(AVisibleIndex) != clDefault) return;
  TkcTab* t = VisibleTab(AVisibleIndex);
  bool main = t->IsMainTab();
  TColor c1 = main ? Office11MainTabLightColor : Office11TabLightColor;
  TColor c2 = main ? Office11MainTabDarkColor : Office11TabDarkColor;
  if (!ParentControl()->Options().Contains(pcoGradient))
    FillRectWithColor(ABitmap->Canvas()->Handle(), TRect{0, 0, ABitmap->Width(), ABitmap->Height()},
                      MixColors(c1, c2, 50));
  else
    // A transparent tab shows its line's band through; the main tab its own rectangle.
    FillCaptionBitmapGradient(ABitmap, ATextRect, IsTabTransparent(AVisibleIndex) ? GetTabBandRect(AVisibleIndex) : t->GetFullRect(),
                              c1, c2, !Horizontal(t->RealPosition()));
}

TColor TkcPCOffice11Painter::GetPageBandColor() {
  int main = ParentControl()->MainTabVisibleIndex;
  if (main != -1) {
    TColor c = GetTabDefinedColor(main);
    if (c != clDefault) return c;
  }
  if (!ParentControl()->Options().Contains(pcoGradient))
    return MixColors(Office11MainTabLightColor, Office11MainTabDarkColor, 50);
  TkcTabPosition p = ParentControl()->TabPosition();
  return p == tpBottom || p == tpRight ? Office11MainTabLightColor : Office11MainTabDarkColor;
}

TRect TkcPCOffice11Painter::GetPageBandRect() {
  TkcCustomTabControl* c = ParentControl();
  if (c->HideTabs() || c->LineCount == 0) return {};
  TRect p = GetPageClientRectWithoutLines();
  switch (c->TabPosition()) {
    case tpTop: return {p.left, p.top, p.right, p.top + 2};
    case tpBottom: return {p.left, p.bottom - 2, p.right, p.bottom};
    case tpLeft: return {p.left, p.top, p.left + 2, p.bottom};
    case tpRight: return {p.right - 2, p.top, p.right, p.bottom};
  }
  return {};
}

void TkcPCOffice11Painter::DrawTabSeparator(const TRect& R) {
  TRect a{R.left, R.top, R.right - 1, R.bottom - 1};
  Canvas()->FillRect(a, Office11SeparatorDarkColor);
  OffsetRect(&a, 1, 1);
  Canvas()->FillRect(a, Office11SeparatorLightColor);
  Canvas()->ExcludeClipRect(R);
}

// ---- Flat -----------------------------------------------------------------------------------

bool TkcPCFlatPainter::ClassHasLookAndFeel(TkcLookAndFeel* L) { return PainterCode(L) == 0; }

TkcRegion* TkcPCFlatPainter::GetTabClipRegion(int AVisibleIndex) {
  return new TkcRegion(VisibleTab(AVisibleIndex)->GetDisplayRect());
}

TPoint TkcPCFlatPainter::GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) {
  TPoint p = TkcPCTabsPainter::GetNavigatorGlyphOffset(AButton);
  return {p.x - 1, p.y - 1};
}

void TkcPCFlatPainter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState S) {
  bool pressed = S == 1;
  Canvas()->DrawTwoColorFrame(R, pressed ? clBtnShadow : clBtnHighlight, pressed ? clBtnHighlight : clBtnShadow,
                              kcAllBorders, 1);
  InflateRect(&R, -1, -1);
}

void TkcPCFlatPainter::DrawPageFrame(TRect R) {
  Canvas()->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, kcAllBorders, 1);
}

void TkcPCFlatPainter::DrawTabBorder(int AVisibleIndex, const TRect& F) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  int L = F.left, T = F.top, R = F.right, B = F.bottom;
  TColor K = LightenColor(GetTabColor(AVisibleIndex), 85);
  switch (tab->RealPosition()) {
    case tpTop:
      DrawPolyline({{L, B - 1}, {L, T + 2}, {L + 2, T}, {R - 3, T}, {R - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{R - 1, T + 2}, {R - 1, B - 1}}, clBtnShadow);
      DrawPolyline({{L + 1, B - 1}, {L + 1, T + 2}, {L + 2, T + 1}, {R - 3, T + 1}, {R - 2, T + 2}, {R - 2, B - 1}}, K);
      break;
    case tpBottom:
      DrawPolyline({{L, T}, {L, B - 3}, {L + 1, B - 2}}, clBtnHighlight);
      DrawPolyline({{L + 2, B - 1}, {R - 3, B - 1}, {R - 1, B - 3}, {R - 1, T}}, clBtnShadow);
      DrawPolyline({{L + 1, T}, {L + 1, B - 3}}, K);
      DrawPolyline({{L + 2, B - 2}, {R - 3, B - 2}, {R - 2, B - 3}, {R - 2, T}}, clBtnFace);
      break;
    case tpLeft:
      DrawPolyline({{R - 1, B - 1}, {L + 2, B - 1}}, clBtnShadow);
      DrawPolyline({{L + 1, B - 2}, {L, B - 3}, {L, T + 2}, {L + 2, T}, {R - 1, T}}, clBtnHighlight);
      DrawPolyline({{R - 1, B - 2}, {L + 2, B - 2}, {L + 1, B - 3}, {L + 1, T + 2}, {L + 2, T + 1}, {R - 1, T + 1}}, K);
      break;
    case tpRight:
      DrawPolyline({{L, T}, {R - 3, T}, {R - 2, T + 1}}, clBtnHighlight);
      DrawPolyline({{R - 1, T + 2}, {R - 1, B - 3}, {R - 3, B - 1}, {L, B - 1}}, clBtnShadow);
      DrawPolyline({{L, T + 1}, {R - 3, T + 1}}, K);
      DrawPolyline({{R - 2, T + 2}, {R - 2, B - 3}, {R - 3, B - 2}, {L, B - 2}}, clBtnFace);
      break;
  }
  DrawTabCorners(AVisibleIndex, F);
}

// ---- Slanted --------------------------------------------------------------------------------

TkcTabSlantPositions TkcPCSlantedPainter::GetSlantPositions() {
  TkcCustomTabControl* c = ParentControl();
  if (c->TabSlants()->Kind() == skSlant && !c->Rotate()) return c->TabSlants()->Positions();
  return {};
}

int TkcPCSlantedPainter::LaidOutTabHeight() {
  // Measuring asks every visible tab's font: once per tab would make a layout quadratic.
  const int h = ParentControl()->Tabs()->NormalTabHeight;
  return h > 0 ? h : CalculateTabNormalHeight();
}

int TkcPCSlantedPainter::GetSlantSize() {
  return ParentControl()->TabSlants()->Kind() == skSlant ? LaidOutTabHeight() - 1 : 6;
}

int TkcPCSlantedPainter::GetMinSlantedTabWidth() {
  TkcCustomTabControl* c = ParentControl();
  if (c->Rotate()) return 0;
  int n = c->TabSlants()->Positions().Count();
  if (n == 0) return 8;
  int size = GetSlantSize();
  if (c->TabSlants()->Kind() == skSlant) return size * n - 2 * n + 8;
  return size * n + GetFrameWidth() * (2 - n) + 4;
}

int TkcPCSlantedPainter::GetTabMinContentWidth(int AVisibleIndex) {
  int m[2];
  GetTabTextMargins(AVisibleIndex, m);
  int w = m[0] + m[1];
  TSize s = GetImageSize();
  if (s.cx > 0) w += s.cx + 2 * ParentControl()->ImageBorder();
  return std::max(w, GetMinSlantedTabWidth());
}

int TkcPCSlantedPainter::CalculateTabNormalWidth(TkcTab* ATab) {
  if (!ATab->Visible()) return 0;
  int v = ATab->VisibleIndex();
  int minContent = GetTabMinContentWidth(v);
  if (ParentControl()->TabWidth() >= 1) return ParentControl()->TabWidth();
  if (ATab->Caption().empty()) return minContent;
  int w = MeasureCaption(ATab) + minContent + (GetImageSize().cx > 0 ? GetImageTextDistance(v) : 0);
  return std::max(w, minContent);
}

void TkcPCSlantedPainter::FillPageClientRect() { Canvas()->FillRect(GetPageClientRect(), GetPageColor()); }

int TkcPCSlantedPainter::GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) {
  return B1 == nbClose || B2 == nbClose ? 3 : 1;
}

void TkcPCSlantedPainter::GetPageClientRectOffset(TkcPCMargins& M) {
  TkcPCStandardPainter::GetPageClientRectOffset(M);
  TkcCustomTabControl* c = ParentControl();
  if (IsFrameVisible() || c->HideTabs() || c->LineCount == 0) return;
  ++M.top;
  if (c->TopOrLeftPartLineCount != 0 && c->TopOrLeftPartLineCount != c->LineCount) ++M.bottom;
}

void TkcPCSlantedPainter::GetTabImageOffsets(int, int O[4]) {
  int fw = GetFrameWidth();
  TkcCustomTabControl* c = ParentControl();
  if (!c->Rotate()) {
    O[0] = 0, O[1] = fw + 3, O[2] = 0, O[3] = 1;
    return;
  }
  int v = c->TabSlants()->Kind() == skCutCorner && !c->TabSlants()->Positions().Empty() ? fw + 2 : fw + 1;
  O[0] = 0, O[1] = v, O[2] = 0, O[3] = v;
}

void TkcPCSlantedPainter::GetTabTextOffsets(int, int O[4]) {
  int fw = GetFrameWidth();
  if (!ParentControl()->Rotate())
    O[0] = 0, O[1] = fw + 4, O[2] = 0, O[3] = 1;
  else
    O[0] = 0, O[1] = fw + 3, O[2] = 0, O[3] = fw + 1;
}

TColor TkcPCSlantedPainter::GetTabColor(int AVisibleIndex) {
  if (VisibleTab(AVisibleIndex)->Highlighted()) return clHighlight;
  TColor c = GetTabDefinedColor(AVisibleIndex);
  return c == clDefault ? ParentControl()->Color() : c;
}

void TkcPCSlantedPainter::GetTabTextMargins(int, int M[2]) {
  TkcCustomTabControl* c = ParentControl();
  int fw = GetFrameWidth();
  TkcTabSlants* s = c->TabSlants();
  bool ttb = c->Options().Contains(pcoTopToBottomText);
  if (!c->Rotate()) {
    int slant = s->Kind() == skSlant ? GetSlantSize() : 6;
    M[0] = s->Positions().Contains(spLeft) ? slant : fw + 2;
    M[1] = s->Positions().Contains(spRight) ? slant : fw + 2;
    if (c->GetTextDirection() == 2) std::swap(M[0], M[1]);
    return;
  }
  M[0] = 2;
  M[1] = fw + 5 + (s->Kind() == skCutCorner && !s->Positions().Empty() ? 1 : 0);
  TkcTabPosition p = c->TabPosition();
  if (p == tpLeft || (p == tpTop && ttb) || (p == tpBottom && !ttb)) std::swap(M[0], M[1]);
}

void TkcPCSlantedPainter::GetTabsDistance(TPoint& D) {
  int n = GetSlantPositions().Count();
  D = {n > 0 ? -(GetSlantSize() / 2) * n : 1, -3};
  if (ParentControl()->Rotate()) std::swap(D.x, D.y);
}

TRect TkcPCSlantedPainter::GetTabsAreaMargins() {
  TkcTabSlantPositions s = GetSlantPositions();
  int start = s.Contains(spLeft) ? 1 : 0, end = s.Contains(spRight) ? 1 : 0;
  if (IsHorizontalTabs()) return {start, 0, end, 0};
  return {0, end, 0, start};
}

int TkcPCSlantedPainter::GetContentTabNormalHeight() {
  int t[4], im[4];
  GetTabTextOffsets(0, t);
  GetTabImageOffsets(0, im);
  TSize s = GetImageSize();
  int ih = s.cy > 0 ? s.cy + 2 * ParentControl()->ImageBorder() : 0;
  return std::max(GetMaxTabTextHeight() + t[1] + t[3], ih + im[1] + im[3]);
}

int TkcPCSlantedPainter::GetNavigatorButtonWidth(TkcPCNavigatorButton B) {
  return B == nbGoDialog ? 13 : B == nbClose ? 16 : 17;
}

void TkcPCSlantedPainter::GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) {
  TkcPCStandardPainter::GetNavigatorGlyphInfo(AButton, AInfo);
  AInfo.Enabled = true;
  AInfo.SmallCloseGlyph = AButton == nbClose;
}

TColor TkcPCSlantedPainter::GetNavigatorButtonColor(TkcPCNavigatorButtonState S) {
  if (S == 2) return MixColors(clBtnFace, clWhite, 35);
  if (S == 1) return MixColors(clBtnFace, clBlack, 90);
  return clBtnFace;
}

TColor TkcPCSlantedPainter::GetNavigatorGlyphColor(TkcPCNavigatorButtonState S) {
  if (S == 3 || !ParentControl()->Enabled()) return clBtnShadow;
  if (S == 1) return MixColors(ParentControl()->Color(), clWhite, 10);
  return clBtnText;
}

void TkcPCSlantedPainter::DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState S) {
  Canvas()->FrameRect(R, S == 1 || S == 2 ? TColor(clBlack) : TColor(clBtnShadow));
  InflateRect(&R, -1, -1);
}

void TkcPCSlantedPainter::GetTabFigure(int AVisibleIndex, TPoints& P, TLinePositions& LP) {
  TkcCustomTabControl* c = ParentControl();
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect F = t->GetFullRect();
  bool horizontal = Horizontal(t->RealPosition());
  int W = horizontal ? F.right - F.left : F.bottom - F.top;
  int H = horizontal ? F.bottom - F.top : F.right - F.left;
  int L = F.left, B = F.bottom, T = B - H;
  TkcTabSlants* s = c->TabSlants();
  TkcTabSlantPositions slanted = GetSlantPositions();
  bool cutKind = s->Kind() == skCutCorner;
  bool square = cutKind && !s->Positions().Empty();
  P.clear();
  LP.clear();
  if (slanted.Contains(spLeft)) {
    P = {{L, B - 1}, {L + H - 1, T}};
    LP = {lpLT};
  } else if (square && !s->Positions().Contains(spLeft)) {
    P = {{L, B - 1}, {L, T}};
    LP = {lpL};
  } else {
    int cc = cutKind && s->Positions().Contains(spLeft) ? 6 : 2;
    P = {{L, B - 1}, {L, T + cc}, {L + cc, T}};
    LP = {lpL, lpLT};
  }
  if (slanted.Contains(spRight))
    AppendFigurePoints(P, {{L + W - H, T}, {L + W - 1, B - 1}}, LP, {lpT, lpRT});
  else if (square && !s->Positions().Contains(spRight))
    AppendFigurePoints(P, {{L + W - 1, T}, {L + W - 1, B - 1}}, LP, {lpT, lpR});
  else {
    int cc = cutKind && s->Positions().Contains(spRight) ? 6 : 2;
    AppendFigurePoints(P, {{L + W - 1 - cc, T}, {L + W - 1, T + cc}, {L + W - 1, B - 1}}, LP, {lpT, lpRT, lpR});
  }
}

TPoints TkcPCSlantedPainter::RotatedFigure(int AVisibleIndex, TPoints APoints) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect F = t->GetFullRect();
  for (TPoint& q : APoints) q = RotatePointToSide(F, q, t->RealPosition());
  return APoints;
}

TkcRegion* TkcPCSlantedPainter::GetTabRegion(int AVisibleIndex, bool AInner) {
  TPoints P;
  TLinePositions LP;
  GetTabFigure(AVisibleIndex, P, LP);
  TkcTabPosition side = VisibleTab(AVisibleIndex)->RealPosition();
  P = RotatedFigure(AVisibleIndex, P);
  if (side == tpBottom || side == tpRight) {
    std::reverse(P.begin(), P.end());
    std::reverse(LP.begin(), LP.end());
  }
  for (TLinePosition& l : LP) {
    if (side == tpBottom)
      l = l == lpLT ? lpLB : l == lpT ? lpB : l == lpRT ? lpRB : l;
    else if (side == tpLeft)
      l = l == lpL ? lpB : l == lpLT ? lpLB : l == lpT ? lpL : l == lpRT ? lpLT : l == lpR ? lpT : l;
    else if (side == tpRight)
      l = l == lpL ? lpB : l == lpLT ? lpRB : l == lpT ? lpR : l == lpR ? lpT : l;
  }
  static const TPoint moves[8] = {{0, -1}, {1, -1}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
  TPoint m = moves[LP.back()];
  P.back().x += m.x, P.back().y += m.y;
  if (side == tpLeft && LP.front() == lpLB) ++P.front().x, ++P.front().y;
  return CreateFigureRegion(P, LP, AInner);
}

TRect TkcPCSlantedPainter::GetMainTabJoinRect(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect d = t->GetDisplayRect();
  if (IsRectEmpty(&d)) return {};
  switch (t->RealPosition()) {
    case tpTop: return {d.left, d.bottom, d.right, d.bottom + 1};
    case tpBottom: return {d.left, d.top - 1, d.right, d.top};
    case tpLeft: return {d.right, d.top, d.right + 1, d.bottom};
    case tpRight: return {d.left - 1, d.top, d.left, d.bottom};
  }
  return {};
}

TkcRegion* TkcPCSlantedPainter::GetTabClipRegion(int AVisibleIndex) {
  TkcRegion* r = GetTabRegion(AVisibleIndex, false);
  r->CombineWith(new TkcRegion(VisibleTab(AVisibleIndex)->GetDisplayRect()), roIntersect);
  if (VisibleTab(AVisibleIndex)->IsMainTab()) r->CombineWith(new TkcRegion(GetMainTabJoinRect(AVisibleIndex)), roAdd);
  return r;
}

bool TkcPCSlantedPainter::IsPointInTab(int AVisibleIndex, int X, int Y) {
  std::unique_ptr<TkcRegion> own(GetTabClipRegion(AVisibleIndex));
  if (!own->ContainsPoint(X, Y)) return false;
  int next = AVisibleIndex + 1;
  if (next < ParentControl()->VisibleTabs()->Count() && VisibleTab(next)->IsMainTab()) {
    std::unique_ptr<TkcRegion> main(GetTabClipRegion(next));
    if (main->ContainsPoint(X, Y)) return false;
  }
  return true;
}

void TkcPCSlantedPainter::PaintFrame() {
  TRect r = GetPageClientRect();
  InflateRect(&r, 1, 1);
  Canvas()->FrameRect(r, GetOutlineColor());
}

void TkcPCSlantedPainter::PaintTabs() {
  TkcCustomTabControl* c = ParentControl();
  int first, last;
  c->GetPlacedRange(first, last);
  int main = c->MainTabVisibleIndex;
  if (main >= first && main <= last) PaintTab(main);
  TkcPCLineIndexBoundsArray lines;
  c->GetDisplayLineBounds(lines);
  int n1 = c->TopOrLeftPartLineCount;
  std::vector<int> order;
  for (int d = n1 - 1; d >= 0; --d) order.push_back(d);
  for (int d = n1; d < int(lines.size()); ++d) order.push_back(d);
  int lineCount = int(lines.size());
  for (int d : order) {
    if (lines[d].First == -1) continue;
    // Each painted tab is cut from the clip, so a tab lies over the slant of the one after it.
    for (int i = lines[d].First; i <= lines[d].Last; ++i)
      if (i != main) PaintTab(i);
    bool before = d < n1;
    bool outermost = before ? d == 0 : d == lineCount - 1;
    bool nextToPage = before ? d == n1 - 1 : d == n1;
    DrawLineBorders(lines[d].First, lines[d].Last, outermost, nextToPage);
  }
}

// The band of a line: from its first to its last tab (to the edge on a slanted side, edge to
// edge next to the page), less the 3 pixels the next line overlaps, plus 1 toward the page; a
// line along its page side and, between lines, across its slanted ends.
void TkcPCSlantedPainter::DrawLineBorders(int AFirst, int ALast, bool AOutermost, bool ANextToPage) {
  TkcCustomTabControl* c = ParentControl();
  TkcTab* first = VisibleTab(AFirst);
  bool horizontal = Horizontal(c->TabPosition());
  TRect a = first->GetDisplayRect(), b = VisibleTab(ALast)->GetDisplayRect();
  if (IsRectEmpty(&a) || IsRectEmpty(&b)) return;
  if (c->IsTabOrderReversed()) std::swap(a, b);
  TkcTabSlantPositions slanted = GetSlantPositions();
  TRect band = a;
  if (horizontal) {
    band.left = ANextToPage || slanted.Contains(spLeft) ? 0 : a.left;
    band.right = ANextToPage || slanted.Contains(spRight) ? c->Width() : b.right;
  } else {
    band.bottom = ANextToPage || slanted.Contains(spLeft) ? c->Height() : a.bottom;
    band.top = ANextToPage || slanted.Contains(spRight) ? 0 : b.top;
  }
  TkcTabPosition side = first->RealPosition();
  std::vector<TkcBorder> sides;
  switch (side) {
    case tpTop: band.top += 3, ++band.bottom; break;
    case tpBottom: band.bottom -= 3, --band.top; break;
    case tpLeft: band.left += 3, ++band.right; break;
    case tpRight: band.right -= 3, --band.left; break;
  }
  if (!AOutermost) {
    if (slanted.Contains(spLeft)) sides.push_back(horizontal ? bLeft : bBottom);
    if (slanted.Contains(spRight)) sides.push_back(horizontal ? bRight : bTop);
  }
  static const TkcBorder pageSide[4] = {bBottom, bTop, bRight, bLeft};
  sides.push_back(pageSide[side]);
  DrawBorderLines(Canvas(), band, sides, std::vector<TColor>(sides.size(), GetOutlineColor()), true);
}

void TkcPCSlantedPainter::GetTabGradientColors(int AVisibleIndex, TColor& C1, TColor& C2) {
  TColor tc = GetTabColor(AVisibleIndex);
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (t->IsHotTrack()) {
    C1 = LightenColor(tc, 20), C2 = tc;
    if (t->IsMainTab() && UsesHotGradientForMainTab() &&
        (t->RealPosition() == tpBottom || t->RealPosition() == tpRight))
      std::swap(C1, C2);
  } else
    C1 = LightenColor(tc, 13), C2 = ScaleColorByPercent(tc, 90);
}

void TkcPCSlantedPainter::DrawTabOutline(int AVisibleIndex) {
  TPoints P;
  TLinePositions LP;
  GetTabFigure(AVisibleIndex, P, LP);
  DrawPolyline(RotatedFigure(AVisibleIndex, P), GetOutlineColor());
}

void TkcPCSlantedPainter::DrawHotTabMark(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (!t->IsHotTrack() && !t->IsMainTab()) return;
  TRect F = t->GetFullRect();
  int depth = GetFrameWidth() + 3;
  TRect strip;
  switch (t->RealPosition()) {
    case tpTop: strip = {F.left, F.top, F.right, F.top + depth}; break;
    case tpBottom: strip = {F.left, F.bottom - depth, F.right, F.bottom}; break;
    case tpLeft: strip = {F.left, F.top, F.left + depth, F.bottom}; break;
    case tpRight: strip = {F.right - depth, F.top, F.right, F.bottom}; break;
  }
  Canvas()->FillRect(strip, clHighlight);
  Canvas()->ExcludeClipRect(strip);
}

void TkcPCSlantedPainter::DrawMainTabJoin(int AVisibleIndex) {
  TRect r = GetMainTabJoinRect(AVisibleIndex);
  if (IsRectEmpty(&r)) return;
  Canvas()->FillRect(r, GetTabColor(AVisibleIndex));
}

void TkcPCSlantedPainter::FillTextBitmapBackground(TBitmap* ABitmap, const TRect& ATextRect, int AVisibleIndex) {
  if (AVisibleIndex < 0) return;
  TkcTab* t = VisibleTab(AVisibleIndex);
  bool gradient = !t->IsMainTab() || (t->IsHotTrack() && UsesHotGradientForMainTab());
  if (!gradient || !ParentControl()->Options().Contains(pcoGradient)) return;
  TColor c1, c2;
  GetTabGradientColors(AVisibleIndex, c1, c2);
  FillCaptionBitmapGradient(ABitmap, ATextRect, t->GetFullRect(), c1, c2, !Horizontal(t->RealPosition()));
}

void TkcPCSlantedPainter::DrawTab(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect F = t->GetFullRect();
  SaveClipRegion();
  DrawTabOutline(AVisibleIndex);
  Canvas()->SetClipRegion(GetTabRegion(AVisibleIndex, true), roIntersect);
  DrawHotTabMark(AVisibleIndex);
  bool gradient = !t->IsMainTab() || (t->IsHotTrack() && UsesHotGradientForMainTab());
  if (gradient && ParentControl()->Options().Contains(pcoGradient)) {
    TColor c1, c2;
    GetTabGradientColors(AVisibleIndex, c1, c2);
    FillGradientRect(Canvas()->Handle(), F, c1, c2, !Horizontal(t->RealPosition()));
  } else
    Canvas()->FillRect(F, GetTabColor(AVisibleIndex));
  RestoreClipRegion();
  if (t->IsMainTab()) DrawMainTabJoin(AVisibleIndex);
  TRect focus = TabContentData.TextRect;
  if (ParentControl()->GetPaintingTextDirection() == 0)
    InflateRect(&focus, 3, 2);
  else
    InflateRect(&focus, 2, 3);
  Canvas()->SetBrushColor(GetTabColor(AVisibleIndex));
  DrawTabFocusRect(AVisibleIndex, focus);
}

// ---- OneNote --------------------------------------------------------------------------------

namespace {
TkcOneNoteColors gOneNote{clBtnShadow, clBtnShadow, static_cast<TColor>(0x006A240A), clBtnFace};
}

const TkcOneNoteColors& OneNoteColors() { return gOneNote; }

void LoadOneNoteColors() {
  static const TkcOneNoteColors table[4] = {{clBtnShadow, clBtnShadow, static_cast<TColor>(0x006A240A), clBtnFace},
                                            {static_cast<TColor>(0x009C613B), static_cast<TColor>(0x009A3500),
                                             static_cast<TColor>(0x00800000), static_cast<TColor>(0x00F1A675)},
                                            {static_cast<TColor>(0x00588060), static_cast<TColor>(0x006B7760),
                                             static_cast<TColor>(0x00385D3F), static_cast<TColor>(0x008CC2B0)},
                                            {static_cast<TColor>(0x00947C7C), static_cast<TColor>(0x00927476),
                                             static_cast<TColor>(0x006F4B4B), static_cast<TColor>(0x00CEB9BA)}};
  int scheme = GetOffice11ColorScheme();
  gOneNote = table[scheme >= 0 && scheme < 4 ? scheme : 0];
}

TColor TkcPCOneNotePainter::GetOutlineColor() { return OneNoteColors().SelectedBorder; }

void TkcPCOneNotePainter::GetTabTextMargins(int, int M[2]) {
  M[0] = GetSlantSize(), M[1] = 4;
  if (ParentControl()->GetTextDirection() == 2) std::swap(M[0], M[1]);
}

void TkcPCOneNotePainter::GetTabsDistance(TPoint& D) { D = {5 - GetSlantSize(), -3}; }

TRect TkcPCOneNotePainter::GetTabsAreaMargins() { return IsHorizontalTabs() ? TRect{4, 0, 4, 0} : TRect{0, 4, 0, 4}; }

void TkcPCOneNotePainter::GetTabFigure(int AVisibleIndex, TPoints& P, TLinePositions& LP) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect F = t->GetFullRect();
  bool horizontal = Horizontal(t->RealPosition());
  int W = horizontal ? F.right - F.left : F.bottom - F.top;
  int H = horizontal ? F.bottom - F.top : F.right - F.left;
  int L = F.left, B = F.bottom, T = B - H;
  P = {{L + 1, B - 1}, {L + H - 3, T + 3}, {L + H + 2, T}, {L + W - 3, T}, {L + W - 1, T + 2}, {L + W - 1, B - 1}};
  LP = {lpLT, lpLT, lpT, lpRT, lpR};
}

// The divider's figure as a polygon: the outer one (grown by a pixel) clips and hit-tests the
// tab, the inner one clips its body.
TkcRegion* TkcPCOneNotePainter::GetTabRegion(int AVisibleIndex, bool AInner) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TkcTabPosition side = t->RealPosition();
  TRect F = t->GetFullRect();
  bool horizontal = Horizontal(side);
  int W = horizontal ? F.right - F.left : F.bottom - F.top;
  int H = horizontal ? F.bottom - F.top : F.right - F.left;
  int L = F.left, B = F.bottom, T = B - H, R = L + W;
  TPoints P;
  if (!AInner) {
    --L, --T, ++B, W += 2, H += 2;
    if (side == tpRight)
      P = {{L - 1, B - 1}, {L - 1, B - 3}, {L + 2, B - 3},     {L + H - 2, T + 2},
           {L + H + 2, T}, {L + W - 4, T}, {L + W - 1, T + 3}, {L + W - 1, B - 1}};
    else if (side == tpLeft)
      P = {{L, B - 2},     {L + 1, B - 2},     {L + H - 3, T + 3}, {L + H + 2, T},
           {L + W - 5, T}, {L + W - 1, T + 4}, {L + W - 1, B - 1}};
    else
      P = {{L, B - 2},     {L + 1, B - 2},     {L + H - 3, T + 3}, {L + H + 2, T},
           {L + W - 4, T}, {L + W - 1, T + 3}, {L + W - 1, B - 1}};
  } else {
    if (side == tpTop)
      ++T, ++B;
    else if (side == tpBottom)
      ++L;
    else if (side == tpLeft)
      ++T, ++L, ++R;
    else
      ++T;
    TPoint second{L + H - 2, T + 3}, third{L + H + 2, T + 1};
    if (side == tpBottom) second = {L + H - 3, T + 4};
    if (side == tpRight) second = {L + H - 1, T + 3}, third = {L + H + 3, T + 1};
    P = {{L + 2, B - 1}, second, third, {R - 2, T + 1}, {R - 2, B - 1}};
  }
  // The figure's frame is the full rectangle; turning maps it onto the tab's side. It is traced
  // as a path on a canvas without an origin of its own, whose inside becomes the region.
  for (TPoint& q : P) q = RotatePointToSide(F, q, side);
  TkcCanvas* c = GetPaintersScreenCanvas();
  c->BeginPath();
  c->Polyline(P);
  c->EndPath();
  return new TkcRegion(PathToRegion(c->Handle()));
}

TColor TkcPCOneNotePainter::GetTabColorUnderPoint(TPoint P) {
  const int index = ParentControl()->GetTabAt(P.x, P.y);
  return index >= 0 ? GetTabColor(index) : ParentControl()->Color();
}

void TkcPCOneNotePainter::DrawTabOutline(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  TColor tc = GetTabColor(AVisibleIndex);
  const TkcOneNoteColors& on = OneNoteColors();
  TColor O, I1, I2;
  if (t->IsHotTrack())
    O = I1 = I2 = on.Hot;
  else if (t->IsMainTab()) {
    O = on.SelectedBorder;
    I1 = MixColors(clWhite, tc, 60);
    I2 = MixColors(I1, tc, 70);
  } else {
    O = on.Border;
    I1 = MixColors(MixColors(clWhite, on.Base, 50), tc, 50);
    I2 = MixColors(on.Base, tc, 50);
  }
  TRect F = t->GetFullRect();
  const TkcTabPosition side = t->RealPosition();
  bool horizontal = Horizontal(side);
  int W = horizontal ? F.right - F.left : F.bottom - F.top;
  int H = horizontal ? F.bottom - F.top : F.right - F.left;
  int L = F.left, B = F.bottom, T = B - H;
  auto at = [&](TPoint p) { return RotatePointToSide(F, p, side); };
  auto draw = [&](TPoints pts, TColor c) { DrawPolyline(RotatedFigure(AVisibleIndex, pts), c); };
  // The slant's foot and its top corner are mixed with what lies next to them.
  TPoint foot = at({L, B - 1});
  Canvas()->SetPixel(foot.x, foot.y, MixColors(O, GetTabColorUnderPoint(at({L - 1, B - 1})), 25));
  draw({{L + 1, B - 1}, {L + H - 3, T + 3}, {L + H + 2, T}, {L + W - 3, T}, {L + W - 1, T + 2}, {L + W - 1, B - 1}}, O);
  TPoint corner = at({L + H + 2, T});
  Canvas()->SetPixel(corner.x, corner.y, MixColors(O, GetTabColorUnderPoint(at({L + H + 1, T})), 60));
  draw({{L + 2, B - 1}, {L + H - 3, T + 4}, {L + H + 2, T + 1}, {L + W - 4, T + 1}}, I1);
  draw({{L + W - 3, T + 1}, {L + W - 2, T + 2}, {L + W - 2, B - 1}}, I2);
}

void TkcPCOneNotePainter::DrawMainTabJoin(int AVisibleIndex) {
  const TRect join = GetMainTabJoinRect(AVisibleIndex);
  if (IsRectEmpty(&join)) return;
  // The row just beyond the tab on the page side, in the tab's top frame.
  TkcTab* t = VisibleTab(AVisibleIndex);
  TRect F = t->GetFullRect();
  const TkcTabPosition side = t->RealPosition();
  const int W = Horizontal(side) ? F.right - F.left : F.bottom - F.top;
  const int L = F.left, B = F.bottom;
  const TColor tc = GetTabColor(AVisibleIndex);
  DrawPolyline(RotatedFigure(AVisibleIndex, {{L + 1, B}, {L + W - 1, B}}), tc);
  const TPoint first = RotatePointToSide(F, {L, B}, side);
  Canvas()->SetPixel(first.x, first.y, MixColors(GetOutlineColor(), tc, 50));
}
