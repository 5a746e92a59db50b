// The tab layout: lines, their balancing and stretching, which lines sit before or after the
// page, single-line scrolling and the navigator buttons it needs.
#include <algorithm>
#include <map>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"

namespace {
bool IsHorizontal(TkcTabPosition P) { return P == tpTop || P == tpBottom; }
}  // namespace

bool TkcCustomTabControl::IsVerticalText() const { return IsHorizontal(fTabPosition) == fRotate; }

int TkcCustomTabControl::GetTextDirection() const {
  if (!IsVerticalText()) return 0;
  return fOptions.Contains(pcoTopToBottomText) ? 2 : 1;
}

int TkcCustomTabControl::GetPaintingTextDirection() const {
  return fPainter && fPainter->IsNativePainting() ? 0 : GetTextDirection();
}

int TkcCustomTabControl::TabGap() const {
  TPoint d{};
  if (fPainter) fPainter->GetTabsDistance(d);
  return fRotate ? d.y : d.x;
}

int TkcCustomTabControl::LineGap() const {
  TPoint d{};
  if (fPainter) fPainter->GetTabsDistance(d);
  return fRotate ? d.x : d.y;
}

bool TkcCustomTabControl::IsTabOrderReversed() const {
  bool ttb = fOptions.Contains(pcoTopToBottomText);
  return IsHorizontal(fTabPosition) ? fRotate && ttb : !fRotate && !ttb;
}

bool TkcCustomTabControl::IsLinesReversed() const {
  bool ttb = fOptions.Contains(pcoTopToBottomText);
  if (IsHorizontal(fTabPosition)) {
    bool r = fRotate && !ttb;
    return fTabPosition == tpBottom ? !r : r;
  }
  bool r = !fRotate && ttb;
  return fTabPosition == tpRight ? !r : r;
}

TkcPCNavigatorButton TkcCustomTabControl::FirstNavigatorButton(TkcPCNavigatorButtons AButtons) {
  for (int b = nbTopLeft; b <= nbClose; ++b)
    if (AButtons.Contains(TkcPCNavigatorButton(b))) return TkcPCNavigatorButton(b);
  return nbTopLeft;
}

TkcPCNavigatorButtons TkcCustomTabControl::GetNavigatorButtonsForLayout(bool AAllTabsFit) const {
  TkcPCNavigatorButtons r;
  if (fOptions.Contains(pcoCloseButton)) r.Include(nbClose);
  if (!AAllTabsFit) {
    if (!(fOptions.Contains(pcoNoArrows) && fOptions.Contains(pcoGoDialog)))
      r.Include(nbTopLeft).Include(nbBottomRight);
    if (fOptions.Contains(pcoGoDialog)) r.Include(nbGoDialog);
  }
  return r;
}

void TkcCustomTabControl::SetNavigatorButtons(TkcPCNavigatorButtons AButtons) {
  NavigatorButtons = AButtons;
  TabsRegion = {};
  if (fPainter) fPainter->CalculateTabsRegion(AButtons, TabsRegion);
}

void TkcCustomTabControl::ResetLayoutState() {
  TopOrLeftPartRect = BottomOrRightPartRect = {};
  int count = fVisibleTabs->Count();
  if (FirstShownTab == -1 && count > 0) FirstShownTab = 0;
  if (FirstShownTab > count - 1) FirstShownTab = count - 1;
  LastShownTab = FirstShownTab;
  if (HotTrackTabVisibleIndex >= count) HotTrackTabVisibleIndex = -1;
  if (MainTabVisibleIndex >= count) MainTabVisibleIndex = -1;
  if (PressedTabVisibleIndex >= count) PressedTabVisibleIndex = -1;
  if (FocusedTabVisibleIndex >= count) FocusedTabVisibleIndex = -1;
  LineCount = 0;
  if (fTabIndex >= fTabs->Count()) fTabIndex = fTabs->Count() - 1;
  TopOrLeftPartLineCount = 0;
}

void TkcCustomTabControl::CalculateTabNormalSizes() {
  if (fTabs->Count() == 0) throw Exception("TkcCustomTabControl.CalculateTabNormalSizes: Tabs.Count = 0");
  fTabs->NormalTabHeight = fPainter->CalculateTabNormalHeight();
  for (int i = 0; i < fTabs->Count(); ++i) {
    TkcTab* t = fTabs->GetTab(i);
    t->NormalWidth = t->Visible() ? fPainter->CalculateTabNormalWidth(t) : 0;
  }
}

void TkcCustomTabControl::CalculateLayout() {
  if (!fPainter) return;
  ResetLayoutState();
  if (fVisibleTabs->Count() == 0) {
    SetNavigatorButtons({});
    ClearUnshownNavigatorStates();
    return;
  }
  CalculateTabNormalSizes();
  if (fMultiLine)
    CalculateMultiLineLayout();
  else
    CalculateSingleLineLayout();
  ClearUnshownNavigatorStates();
}

void TkcCustomTabControl::CalculateMultiLineLayout() {
  SetNavigatorButtons({});
  if (TabsRegion.TabsLength < 1) return;
  DistributeTabsIntoLines(TabsRegion.TabsLength, TabGap());
  ArrangeTabsInLines();
  CalculateLineThickness();
  ArrangeLines();
}

void TkcCustomTabControl::CalculateSingleLineLayout() {
  LineCount = 1;
  TopOrLeftPartLineCount = (fTabPosition == tpTop || fTabPosition == tpLeft) ? 1 : 0;
  ArrangeTabsInLines();
  if (TabsRegion.TabsLength < 1) return;
  int first, last;
  GetPlacedRange(first, last);
  for (int i = first; i <= last; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    t->LineIndex = t->DisplayLineIndex = 0;
  }
  CalculateLineThickness();
  PlaceLines();
}

void TkcCustomTabControl::DistributeTabsIntoLines(int ALength, int AGap) {
  LineCount = 1;
  int used = 0, groupStart = 0;
  int count = fVisibleTabs->Count();
  for (int i = 0; i < count; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    int L = t->NormalLength();
    if (L >= ALength) {
      if (used != 0) {
        ++LineCount;
        used = 0;
      }
      if (groupStart < i && fVisibleTabs->GetTab(groupStart)->LineIndex != fVisibleTabs->GetTab(i - 1)->LineIndex)
        BalanceLines(groupStart, i - 1, ALength, AGap);
      groupStart = i + 1;
      if (!fRotate && fPainter->GetMinTabNormalWidth() < ALength) t->NormalWidth = ALength;
      t->LineIndex = LineCount - 1;
      if (i < count - 1) ++LineCount;
    } else if (L + used > ALength) {
      ++LineCount;
      t->LineIndex = LineCount - 1;
      used = L + AGap;
    } else {
      t->LineIndex = LineCount - 1;
      used += L + AGap;
    }
  }
  int last = count - 1;
  if (groupStart < last && fVisibleTabs->GetTab(groupStart)->LineIndex != fVisibleTabs->GetTab(last)->LineIndex)
    BalanceLines(groupStart, last, ALength, AGap);
}

// Moves tabs from earlier lines of a run to later ones so that the largest free space of any
// line is as small as possible, keeping the order. The best split of the first k lines depends
// only on k and where line k-1 ends, so it is computed once per such pair: linear in the
// number of candidate moves instead of exponential in the number of lines.
void TkcCustomTabControl::BalanceLines(int AFirst, int ALast, int ALength, int AGap) {
  if (fRotate && fRaggedRight) return;
  // The greedy lines of the run: first tab of each line.
  std::vector<int> starts;
  for (int i = AFirst; i <= ALast; ++i)
    if (i == AFirst || fVisibleTabs->GetTab(i)->LineIndex != fVisibleTabs->GetTab(i - 1)->LineIndex)
      starts.push_back(i);
  int n = int(starts.size());
  if (n < 2) return;
  int firstLine = fVisibleTabs->GetTab(AFirst)->LineIndex;
  std::vector<long long> prefix(ALast - AFirst + 2, 0);
  for (int i = AFirst; i <= ALast; ++i)
    prefix[i - AFirst + 1] = prefix[i - AFirst] + fVisibleTabs->GetTab(i)->NormalLength();
  auto lineLength = [&](int a, int b) -> long long {  // tabs a..b
    if (b < a) return 0;
    return prefix[b - AFirst + 1] - prefix[a - AFirst] + (long long)AGap * (b - a);
  };
  auto freeSpace = [&](int a, int b) { return ALength - lineLength(a, b); };
  // Best(k, end): the best maximum free space of lines 0..k-1 when line k-1 ends at `end`,
  // with the greedy start of line 0 and with line j (j < k-1) ending where the search chose.
  struct Memo {
    long long value;
    int split;  // the end of line k-2 chosen (-1 for k = 1)
  };
  std::map<std::pair<int, int>, Memo> memo;
  std::function<Memo(int, int)> best = [&](int k, int end) -> Memo {
    auto key = std::make_pair(k, end);
    if (auto it = memo.find(key); it != memo.end()) return it->second;
    Memo m;
    if (k == 1) {
      m = {freeSpace(starts[0], end), -1};
    } else {
      int split = starts[k - 1] - 1;  // greedy end of line k-2
      int bestSplit = split;
      long long bestValue = std::max(best(k - 1, split).value, freeSpace(split + 1, end));
      int lineStartOfPrev = starts[k - 2];
      while (split > lineStartOfPrev &&
             lineLength(split + 1, end) + fVisibleTabs->GetTab(split)->NormalLength() + AGap <= ALength) {
        --split;
        long long v = std::max(best(k - 1, split).value, freeSpace(split + 1, end));
        if (v < bestValue) {
          bestValue = v;
          bestSplit = split;
        }
      }
      m = {bestValue, bestSplit};
    }
    memo[key] = m;
    return m;
  };
  // The greedy start of a line also bounds how far a tab of it may move down (only the last tab
  // of line k-2 moves, and line k-2 keeps at least its first tab).
  std::vector<int> ends(n);
  int end = ALast;
  for (int k = n; k >= 1; --k) {
    ends[k - 1] = end;
    end = best(k, end).split;
  }
  int start = starts[0];
  for (int k = 0; k < n; ++k) {
    for (int i = start; i <= ends[k]; ++i) fVisibleTabs->GetTab(i)->LineIndex = firstLine + k;
    start = ends[k] + 1;
  }
}

void TkcCustomTabControl::StretchLine(int AFirst, int ALast, int AFree) {
  long long natural = 0;
  for (int i = AFirst; i <= ALast; ++i) natural += fVisibleTabs->GetTab(i)->NormalWidth;
  int remaining = AFree;
  if (natural > 0)
    for (int i = AFirst; i < ALast; ++i) {
      TkcTab* t = fVisibleTabs->GetTab(i);
      int add = int((long long)AFree * t->NormalWidth / natural);
      t->NormalWidth += add;
      remaining -= add;
    }
  fVisibleTabs->GetTab(ALast)->NormalWidth += remaining;
}

void TkcCustomTabControl::PlaceTabsInLine(int AFirst, int ALast, bool AForce) {
  bool horizontal = IsHorizontal(fTabPosition);
  int gap = TabGap();
  int start = horizontal ? TabsRegion.TabsBounds.left : TabsRegion.TabsBounds.top;
  int dir = 1;
  int limit = start + TabsRegion.TabsLength - 1;
  if (IsTabOrderReversed()) {
    dir = -1;
    limit = -start;
    start = start + TabsRegion.TabsLength - 1;
  }
  int farEnd = start;
  int i = AFirst;
  for (; i <= ALast; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    LastShownTab = i;
    farEnd = start + (t->NormalLength() - 1) * dir;
    int origin = dir > 0 ? start : farEnd;
    if (horizontal)
      t->NormalOrigin.x = origin;
    else
      t->NormalOrigin.y = origin;
    start = farEnd + (gap + 1) * dir;
    if (!AForce && start * dir > limit) break;
  }
  LastTabFits = farEnd * dir <= limit && LastShownTab == ALast;
}

void TkcCustomTabControl::ArrangeTabsInLines() {
  if (fVisibleTabs->Count() == 0) return;
  if (LineCount < 2)
    FitSingleLine();
  else {
    SetNavigatorButtons({});
    if (TabsRegion.TabsLength < 1) return;
    bool stretch = !fRotate && !fRaggedRight;
    int gap = TabGap();
    int count = fVisibleTabs->Count();
    for (int first = 0; first < count;) {
      int last = first;
      int line = fVisibleTabs->GetTab(first)->LineIndex;
      while (last + 1 < count && fVisibleTabs->GetTab(last + 1)->LineIndex == line) ++last;
      if (stretch) {
        int length = 0;
        for (int i = first; i <= last; ++i) length += fVisibleTabs->GetTab(i)->NormalLength();
        int free = TabsRegion.TabsLength - length - gap * (last - first);
        if (free > 0) StretchLine(first, last, free);
      }
      PlaceTabsInLine(first, last, false);
      first = last + 1;
    }
  }
  if (TabsRegion.TabsLength < 1) return;
  const TRect& b = TabsRegion.Bounds;
  for (TRect* r : {&TopOrLeftPartRect, &BottomOrRightPartRect})
    if (IsHorizontal(fTabPosition)) {
      r->left = b.left;
      r->right = b.right;
    } else {
      r->top = b.top;
      r->bottom = b.bottom;
    }
}

void TkcCustomTabControl::FitSingleLine() {
  int remembered = FirstShownTab;
  int last = fVisibleTabs->Count() - 1;
  FirstShownTab = 0;
  SetNavigatorButtons(GetNavigatorButtonsForLayout(true));
  if (TabsRegion.TabsLength >= 1) {
    PlaceTabsInLine(0, last, true);
    if (!LastTabFits) {
      FirstShownTab = std::max(0, std::min(remembered, last));
      SetNavigatorButtons(GetNavigatorButtonsForLayout(false));
      if (TabsRegion.TabsLength >= 1) {
        PlaceTabsInLine(FirstShownTab, last, false);
        if (LastTabFits) {
          // Bring earlier tabs back while the last one still fits; one length sum instead of
          // a placement per step.
          int gap = TabGap();
          long long used = 0;
          for (int i = FirstShownTab; i <= last; ++i)
            used += fVisibleTabs->GetTab(i)->NormalLength() + (i > FirstShownTab ? gap : 0);
          int first = FirstShownTab;
          while (first > 0 && used + gap + fVisibleTabs->GetTab(first - 1)->NormalLength() <= TabsRegion.TabsLength) {
            --first;
            used += gap + fVisibleTabs->GetTab(first)->NormalLength();
          }
          if (first != FirstShownTab) {
            FirstShownTab = first;
            PlaceTabsInLine(FirstShownTab, last, false);
          }
        }
      }
    }
  }
  ClearUnshownNavigatorStates();
  UpdateNavigatorButtonStates();
}

void TkcCustomTabControl::CalculateLineThickness() {
  if (!fRotate) {
    LineThickness = fTabs->NormalTabHeight;
    return;
  }
  int first = 0, last = fVisibleTabs->Count() - 1;
  if (!fOptions.Contains(pcoFixedTabWidthWhenRotated)) GetPlacedRange(first, last);
  TkcTab* widest = nullptr;
  for (int i = first; i <= last; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    if (!widest || t->NormalWidth > widest->NormalWidth) widest = t;
  }
  RotatedTextWidth = LineThickness = 0;
  if (widest) {
    TkcCanvas* c = GetPaintersScreenCanvas();
    PrepareTabCanvasFont(widest, c);
    RotatedTextWidth = c->TextWidth(widest->Caption());
    LineThickness = widest->NormalWidth;
  }
  if (fMaxRotatedTabWidth > 0 && fPainter->GetMinTabNormalWidth() <= fMaxRotatedTabWidth &&
      fMaxRotatedTabWidth < LineThickness)
    LineThickness = fMaxRotatedTabWidth;
}

void TkcCustomTabControl::ArrangeLines() {
  int count = fVisibleTabs->Count();
  bool reversed = IsLinesReversed();
  for (int i = 0; i < count; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    t->DisplayLineIndex = reversed ? LineCount - 1 - t->LineIndex : t->LineIndex;
  }
  int n1 = LineCount;
  if (MainTabVisibleIndex != -1 && MainTabVisibleIndex < count && fPainter->MovesMainTabLine()) {
    int mainLine = fVisibleTabs->GetTab(MainTabVisibleIndex)->DisplayLineIndex;
    if (fScrollOpposite)
      n1 = mainLine + 1;
    else
      for (int i = 0; i < count; ++i) {
        TkcTab* t = fVisibleTabs->GetTab(i);
        t->DisplayLineIndex = (t->DisplayLineIndex + LineCount - 1 - mainLine) % LineCount;
      }
  }
  TopOrLeftPartLineCount = n1;
  if (fTabPosition == tpBottom || fTabPosition == tpRight) {
    for (int i = 0; i < count; ++i) {
      TkcTab* t = fVisibleTabs->GetTab(i);
      t->DisplayLineIndex = LineCount - 1 - t->DisplayLineIndex;
    }
    TopOrLeftPartLineCount = LineCount - TopOrLeftPartLineCount;
  }
  PlaceLines();
}

void TkcCustomTabControl::PlaceLines() {
  bool horizontal = IsHorizontal(fTabPosition);
  int T = LineThickness, g = LineGap();
  const TRect& tb = TabsRegion.TabsBounds;
  const TRect& b = TabsRegion.Bounds;
  int start = horizontal ? tb.top : tb.left, end = horizontal ? tb.bottom : tb.right;
  int bStart = horizontal ? b.top : b.left, bEnd = horizontal ? b.bottom : b.right;
  int first, last;
  GetPlacedRange(first, last);
  for (int i = first; i <= last; ++i) {
    TkcTab* t = fVisibleTabs->GetTab(i);
    int d = t->DisplayLineIndex;
    int across = d < TopOrLeftPartLineCount ? start + d * (T + g) : end - (LineCount - d) * T - (LineCount - d - 1) * g;
    if (horizontal)
      t->NormalOrigin.y = across;
    else
      t->NormalOrigin.x = across;
  }
  int n1 = TopOrLeftPartLineCount, n2 = LineCount - n1;
  int topFar = std::min(bEnd, start + n1 * (T + g) - g + TabsRegion.TopOrLeftPartExtension);
  int bottomNear = std::max(bStart, end - n2 * (T + g) + g + TabsRegion.BottomOrRightPartExtension);
  if (n1 != 0 && n1 != LineCount) {
    if (fTabPosition == tpTop || fTabPosition == tpLeft) {
      int x = std::min(topFar + TabsRegion.PartsGap, bEnd);
      if (x > bottomNear) bottomNear = x;
    } else {
      int x = std::max(bottomNear - TabsRegion.PartsGap, bStart);
      if (x < topFar) topFar = x;
    }
  }
  if (horizontal) {
    TopOrLeftPartRect.top = bStart;
    TopOrLeftPartRect.bottom = topFar;
    BottomOrRightPartRect.top = bottomNear;
    BottomOrRightPartRect.bottom = bEnd;
  } else {
    TopOrLeftPartRect.left = bStart;
    TopOrLeftPartRect.right = topFar;
    BottomOrRightPartRect.left = bottomNear;
    BottomOrRightPartRect.right = bEnd;
  }
}

void TkcCustomTabControl::GetPlacedRange(int& AFirst, int& ALast) const {
  if (fMultiLine) {
    AFirst = 0;
    ALast = fVisibleTabs->Count() - 1;
  } else if (FirstShownTab == -1) {
    AFirst = 0;
    ALast = -1;
  } else {
    AFirst = FirstShownTab;
    ALast = std::min(LastShownTab, fVisibleTabs->Count() - 1);
  }
}

void TkcCustomTabControl::MakeTabVisible(int AVisibleIndex) {
  if (AVisibleIndex < 0 || AVisibleIndex >= fVisibleTabs->Count()) return;
  if (AVisibleIndex < FirstShownTab) FirstShownTab = AVisibleIndex;
  if (AVisibleIndex < LastShownTab || (AVisibleIndex == LastShownTab && LastTabFits)) return;
  SetNavigatorButtons(NavigatorButtons);
  FirstShownTab = AVisibleIndex;
  if (TabsRegion.TabsLength < 1) return;
  int gap = TabGap();
  int used = fVisibleTabs->GetTab(AVisibleIndex)->NormalLength();
  while (used + gap < TabsRegion.TabsLength && FirstShownTab > 0) {
    --FirstShownTab;
    used += gap + fVisibleTabs->GetTab(FirstShownTab)->NormalLength();
    if (used > TabsRegion.TabsLength) {
      ++FirstShownTab;
      break;
    }
  }
}

void TkcCustomTabControl::ScrollTabs(TkcPCNavigatorButton AButton) {
  if (NavigatorButtonStates[AButton] == 3) return;
  int delta = AButton == nbBottomRight ? 1 : -1;
  if (IsTabOrderReversed()) delta = -delta;
  FirstShownTab = std::max(0, FirstShownTab + delta);
  RequestLayout();
}

void TkcCustomTabControl::ScrollTabsBy(int ACount) {
  if (fMultiLine) return;
  for (int i = 0; i < std::abs(ACount); ++i) ScrollTabs(ACount >= 0 ? nbBottomRight : nbTopLeft);
}

int TkcCustomTabControl::GetTabAt(int X, int Y) {
  int first, last;
  GetPlacedRange(first, last);
  for (int i = first; i <= last; ++i) {
    TRect r = fVisibleTabs->GetTab(i)->GetDisplayRect();
    if (PtInRect(&r, TPoint{X, Y}) && fPainter->IsPointInTab(i, X, Y)) return i;
  }
  return -1;
}

TRect TkcCustomTabControl::GetTabPartRect(int AVisibleIndex) const {
  return fVisibleTabs->GetTab(AVisibleIndex)->DisplayLineIndex < TopOrLeftPartLineCount ? TopOrLeftPartRect
                                                                                        : BottomOrRightPartRect;
}

void TkcCustomTabControl::GetDisplayLineBounds(TkcPCLineIndexBoundsArray& ABounds) {
  ABounds.assign(LineCount, {});
  int first, last;
  GetPlacedRange(first, last);
  for (int i = first; i <= last; ++i) {
    int d = fVisibleTabs->GetTab(i)->DisplayLineIndex;
    if (d < 0 || d >= LineCount) continue;
    if (ABounds[d].First == -1 || i < ABounds[d].First) ABounds[d].First = i;
    if (i > ABounds[d].Last) ABounds[d].Last = i;
  }
}

TRect TkcCustomTabControl::GetPageClientRect() { return fPainter ? fPainter->GetPageClientRect() : GetControlRect(); }

bool TkcCustomTabControl::IsNavigatorButtonEnabled(TkcPCNavigatorButton AButton) const {
  TkcPCNavigatorButton forward = IsTabOrderReversed() ? nbTopLeft : nbBottomRight;
  int lastVisible = fVisibleTabs->Count() - 1;
  switch (AButton) {
    case nbTopLeft:
    case nbBottomRight:
      if (AButton == forward) return !(LastShownTab == lastVisible && (LastTabFits || FirstShownTab == LastShownTab));
      return FirstShownTab > 0;
    case nbClose: return MainTabVisibleIndex != -1;
    case nbGoDialog: return true;
  }
  return true;
}

void TkcCustomTabControl::SetNavigatorButtonState(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonState AState) {
  TkcPCNavigatorButtonState old = NavigatorButtonStates[AButton];
  if (old == AState) return;
  NavigatorButtonStates[AButton] = AState;
  if (fPainter) fPainter->InvalidateNavigatorButton(AButton, old);
}

void TkcCustomTabControl::UpdateNavigatorButtonStates() {
  bool changed = false;
  for (TkcPCNavigatorButton b : {nbTopLeft, nbBottomRight, nbClose}) {
    bool enabled = IsNavigatorButtonEnabled(b);
    int state = NavigatorButtonStates[b];
    if (!enabled && state != 3) {
      HotNavigatorButtons.Exclude(b);
      PressedNavigatorButton.Exclude(b);
      SetNavigatorButtonState(b, 3);
      changed = true;
    } else if (enabled && state == 3) {
      SetNavigatorButtonState(b, 0);
      changed = true;
    }
  }
  if (changed && !fInLayout) UpdateHotTrack();
}

void TkcCustomTabControl::ClearUnshownNavigatorStates() {
  for (int b = nbTopLeft; b <= nbClose; ++b) {
    auto button = TkcPCNavigatorButton(b);
    if (NavigatorButtons.Contains(button)) continue;
    HotNavigatorButtons.Exclude(button);
    PressedNavigatorButton.Exclude(button);
    if (NavigatorButtonStates[b] != 3) NavigatorButtonStates[b] = 0;
  }
}
