#include "grid/kcGridDetailsSite.h"

#include <algorithm>

#include "page-control/kcPC.h"

// ---- Details site ---------------------------------------------------------------------------

TkcCustomGridDetailsSiteViewInfo::TkcCustomGridDetailsSiteViewInfo(TkcGridLevel* ALevel) : fLevel(ALevel) {}

TkcCustomGridDetailsSiteViewInfo::~TkcCustomGridDetailsSiteViewInfo() = default;

void TkcCustomGridDetailsSiteViewInfo::Init() {
  fTabsViewInfo.reset(CreateTabsViewInfo());
  if (fTabsViewInfo) fTabsViewInfo->Init();
}

TkcCustomGridDetailsSiteTabsViewInfo* TkcCustomGridDetailsSiteViewInfo::CreateTabsViewInfo() {
  switch (fLevel->DetailTabsPosition()) {
    case dtpLeft: return new TkcGridDetailsSiteLeftTabsViewInfo(this);
    case dtpTop: return new TkcGridDetailsSiteTopTabsViewInfo(this);
    default: return nullptr;
  }
}

TColor TkcCustomGridDetailsSiteViewInfo::GetBackgroundColor() { return clWindow; }

int TkcCustomGridDetailsSiteViewInfo::NonClientWidth() {
  return 2 * GetFrameWidth() + (fTabsViewInfo && fTabsViewInfo->IsVertical() ? fTabsViewInfo->Width() : 0);
}

int TkcCustomGridDetailsSiteViewInfo::NonClientHeight() {
  return 2 * GetFrameWidth() + (fTabsViewInfo && !fTabsViewInfo->IsVertical() ? fTabsViewInfo->Height() : 0);
}

int TkcCustomGridDetailsSiteViewInfo::CalculateHeight() {
  int height;
  if (TkcCustomGridView* view = GetActiveGridView(); view && view->ViewInfo()) {
    TPoint max{GetMaxWidth() - NonClientWidth(), GetMaxHeight() - NonClientHeight()};
    height = view->ViewInfo()->GetHeight(max, fFullyVisible);
  } else {
    fFullyVisible = true;
    height = GetEmptyClientHeight();
  }
  height += NonClientHeight();
  if (fTabsViewInfo) fTabsViewInfo->AdjustSiteHeight(height);
  fNormalHeight = std::max(fNormalHeight, std::min(height, GetMaxNormalHeight()));
  height = fFullyVisible ? std::max(0, std::min(height, GetMaxHeight())) : GetMaxHeight();
  fNormalHeight = std::max(fNormalHeight, height);
  return height;
}

int TkcCustomGridDetailsSiteViewInfo::CalculateWidth() {
  int width;
  if (TkcCustomGridView* view = GetActiveGridView(); view && view->ViewInfo())
    width = view->ViewInfo()->GetWidth({GetMaxWidth() - NonClientWidth(), GetMaxHeight() - NonClientHeight()});
  else
    width = GetEmptyClientWidth();
  width += NonClientWidth();
  if (fTabsViewInfo) fTabsViewInfo->AdjustSiteWidth(width);
  return std::min(std::max(width, GetMinWidth()), GetMaxWidth());
}

void TkcCustomGridDetailsSiteViewInfo::GetClientBounds(TRect& R) {
  R = Bounds;
  if (fTabsViewInfo) fTabsViewInfo->AdjustClientBounds(R);
  InflateRect(&R, -GetFrameWidth(), -GetFrameWidth());
}

TkcCustomGridView* TkcCustomGridDetailsSiteViewInfo::GetActiveGridView() {
  // Asked each time: a view freed since the last layout is never handed out.
  TkcCustomGridView* view = FindActiveGridView();
  return view && !view->IsDestroying() ? view : nullptr;
}

void TkcCustomGridDetailsSiteViewInfo::VisibilityChanged(bool AVisible) {
  if (TkcCustomGridView* view = GetActiveGridView(); view && view->ViewInfo()) view->ViewInfo()->UpdateSite(AVisible);
}

void TkcCustomGridDetailsSiteViewInfo::Calculate(int ALeft, int ATop) {
  Bounds = TRect{ALeft, ATop, ALeft + GetWidth(), ATop + GetHeight()};
  if (fTabsViewInfo) fTabsViewInfo->Calculate(Bounds);
  if (TkcCustomGridView* view = GetActiveGridView(); view && view->ViewInfo()) {
    TRect client;
    GetClientBounds(client);
    view->ViewInfo()->MainCalculate(client);
  }
}

TkcCustomGridHitTest* TkcCustomGridDetailsSiteViewInfo::GetHitTest(const TPoint& P) {
  if (fTabsViewInfo)
    if (TkcCustomGridHitTest* hit = fTabsViewInfo->GetHitTest(P)) return hit;
  TkcCustomGridView* view = GetActiveGridView();
  if (!view || !view->Site() || view->Site()->IsParked()) return nullptr;
  TRect r = view->Site()->BoundsRect();
  if (!PtInRect(&r, P)) return nullptr;
  return view->ViewInfo()->GetHitTest(TPoint{P.x - r.left, P.y - r.top});
}

void TkcCustomGridDetailsSiteViewInfo::Paint(TkcCanvas* ACanvas) {
  TRect client;
  GetClientBounds(client);
  if (int frame = GetFrameWidth(); frame > 0) {
    TRect outer = client;
    InflateRect(&outer, frame, frame);
    ACanvas->FrameRect(outer, GetFrameColor(), frame);
  }
  if (fTabsViewInfo) fTabsViewInfo->Paint(ACanvas);
  ACanvas->FillRect(client, GetBackgroundColor());
  ACanvas->ExcludeClipRect(Bounds);
}

// ---- The grid's root site -------------------------------------------------------------------

TkcGridTopDetailsSiteViewInfo::TkcGridTopDetailsSiteViewInfo(TkcCustomGrid* AGrid)
    : TkcCustomGridDetailsSiteViewInfo(AGrid->Levels()), fGrid(AGrid) {}

TColor TkcGridTopDetailsSiteViewInfo::GetBackgroundColor() { return fGrid->ActiveView() ? fGrid->Color() : clBtnFace; }
TkcCanvas* TkcGridTopDetailsSiteViewInfo::GetCanvas() { return fGrid->Canvas(); }
TkcLookAndFeelPainterClass TkcGridTopDetailsSiteViewInfo::GetLookAndFeelPainter() {
  return fGrid->LookAndFeel()->Painter();
}
int TkcGridTopDetailsSiteViewInfo::GetMaxHeight() { return fGrid->ClientHeight(); }
int TkcGridTopDetailsSiteViewInfo::GetMaxWidth() { return fGrid->ClientWidth(); }
TFont* TkcGridTopDetailsSiteViewInfo::GetFont() { return fGrid->Font(); }
TkcGridLevel* TkcGridTopDetailsSiteViewInfo::GetActiveLevel() { return fGrid->ActiveLevel(); }
TkcCustomGridView* TkcGridTopDetailsSiteViewInfo::FindActiveGridView() { return fGrid->ActiveView(); }

void TkcGridTopDetailsSiteViewInfo::InitTabHitTest(TkcCustomGridHitTest*) {}

void TkcGridTopDetailsSiteViewInfo::ChangeActiveTab(TkcGridLevel* ALevel) { fGrid->SetActiveLevel(ALevel); }

void TkcGridTopDetailsSiteViewInfo::VisibilityChanged(bool AVisible) {
  if (!fGrid->ComponentState().Contains(csDestroying)) TkcCustomGridDetailsSiteViewInfo::VisibilityChanged(AVisible);
}

// ---- Tab strip ------------------------------------------------------------------------------

TkcCustomGridDetailsSiteTabsViewInfo::TkcCustomGridDetailsSiteTabsViewInfo(TkcCustomGridDetailsSiteViewInfo* ASite)
    : fSite(ASite) {}

TkcCustomGridDetailsSiteTabsViewInfo::~TkcCustomGridDetailsSiteTabsViewInfo() = default;

void TkcCustomGridDetailsSiteTabsViewInfo::Init() {
  TkcGridLevel* level = fSite->Level();
  for (int i = 0; i < level->VisibleCount(); ++i)
    fItems.emplace_back(CreateTab(level->VisibleItems(i), static_cast<int>(fItems.size())));
}

int TkcCustomGridDetailsSiteTabsViewInfo::GetTabExtentAlong(TkcCustomGridDetailsSiteTabViewInfo* ATab) {
  return IsVertical() ? ATab->MeasureHeight() : ATab->MeasureWidth();
}

int TkcCustomGridDetailsSiteTabsViewInfo::GetTabExtentAcross(TkcCustomGridDetailsSiteTabViewInfo* ATab) {
  return IsVertical() ? ATab->MeasureWidth() : ATab->MeasureHeight();
}

int TkcCustomGridDetailsSiteTabsViewInfo::CalculateLength() {
  int length = 4;
  for (auto& tab : fItems) length += GetTabExtentAlong(tab.get());
  return length;
}

int TkcCustomGridDetailsSiteTabsViewInfo::CalculateThickness() {
  int thickness = 0;
  for (auto& tab : fItems) thickness = std::max(thickness, GetTabExtentAcross(tab.get()));
  if (Count() > 1) thickness += GetTabOverlap();
  return thickness + 5;
}

int TkcCustomGridDetailsSiteTabsViewInfo::Height() {
  if (fHeight == 0) fHeight = IsVertical() ? CalculateLength() : CalculateThickness();
  return fHeight;
}

int TkcCustomGridDetailsSiteTabsViewInfo::Width() {
  if (fWidth == 0) fWidth = IsVertical() ? CalculateThickness() : CalculateLength();
  return fWidth;
}

TColor TkcCustomGridDetailsSiteTabsViewInfo::GetBackgroundColor() {
  return fSite->GetLookAndFeelPainter()->GetLevelTabsBackgroundDefaultColor();
}

void TkcCustomGridDetailsSiteTabsViewInfo::Calculate(const TRect&) {
  bool vertical = IsVertical();
  TPoint pos{Bounds.left + 2, Bounds.top + 2};
  if (!fItems.empty() && fItems.front()->IsActive()) {
    TkcCustomGridDetailsSiteTabViewInfo* first = fItems.front().get();
    if (vertical)
      pos.y -= first->GetBorderWidth(bTop);
    else
      pos.x -= first->GetBorderWidth(bLeft);
  }
  int across = (vertical ? Width() : Height()) - 5;
  for (auto& tab : fItems) {
    if (vertical) {
      tab->Calculate(pos.x, pos.y, across, -1);
      pos.y += tab->MeasureHeight();
    } else {
      tab->Calculate(pos.x, pos.y, -1, across);
      pos.x += tab->MeasureWidth();
    }
  }
}

TkcCustomGridHitTest* TkcCustomGridDetailsSiteTabsViewInfo::GetHitTest(const TPoint& P) {
  for (auto& tab : fItems)
    if (TkcCustomGridHitTest* hit = tab->GetHitTest(P)) return hit;
  return nullptr;
}

bool TkcCustomGridDetailsSiteTabsViewInfo::ProcessDialogChar(char32_t AKey) {
  for (auto& tab : fItems)
    if (tab->GetVisible() && tab->ProcessDialogChar(AKey)) return true;
  return false;
}

void TkcCustomGridDetailsSiteTabsViewInfo::Paint(TkcCanvas* ACanvas) {
  TkcCanvasState state;
  ACanvas->SaveState(state);
  // The clip goes back too: a master row paints on after its tabs.
  std::unique_ptr<TkcRegion> clip(ACanvas->GetClipRegion());
  ACanvas->IntersectClipRect(Bounds);
  ACanvas->FillRect(Bounds, GetBackgroundColor());
  TRect area;
  GetTabsAreaBounds(area);
  fSite->GetLookAndFeelPainter()->DrawLevelTabsBackground(ACanvas, area, GetTabsAreaBorders(), IsVertical());
  for (auto& tab : fItems) tab->Paint(ACanvas);
  ACanvas->RestoreState(state);
  ACanvas->SetClipRegion(clip.release(), roSet);
}

void TkcGridDetailsSiteLeftTabsViewInfo::GetTabsAreaBounds(TRect& R) {
  R = Bounds;
  R.left = R.right - 4;
}

void TkcGridDetailsSiteLeftTabsViewInfo::Calculate(const TRect& ABounds) {
  Bounds = ABounds;
  Bounds.right = Bounds.left + Width();
  TkcCustomGridDetailsSiteTabsViewInfo::Calculate(ABounds);
}

TkcCustomGridDetailsSiteTabViewInfo* TkcGridDetailsSiteLeftTabsViewInfo::CreateTab(TkcGridLevel* ALevel,
                                                                                   int AVisibleIndex) {
  return new TkcGridDetailsSiteLeftTabViewInfo(this, ALevel, AVisibleIndex);
}

void TkcGridDetailsSiteTopTabsViewInfo::GetTabsAreaBounds(TRect& R) {
  R = Bounds;
  R.top = R.bottom - 4;
}

void TkcGridDetailsSiteTopTabsViewInfo::Calculate(const TRect& ABounds) {
  Bounds = ABounds;
  Bounds.bottom = Bounds.top + Height();
  TkcCustomGridDetailsSiteTabsViewInfo::Calculate(ABounds);
}

TkcCustomGridDetailsSiteTabViewInfo* TkcGridDetailsSiteTopTabsViewInfo::CreateTab(TkcGridLevel* ALevel,
                                                                                  int AVisibleIndex) {
  return new TkcGridDetailsSiteTopTabViewInfo(this, ALevel, AVisibleIndex);
}

// ---- Tabs -----------------------------------------------------------------------------------

namespace {

class TkcGridDetailsSiteTabPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridDetailsSiteTabPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override {
    auto* tab = static_cast<TkcCustomGridDetailsSiteTabViewInfo*>(ViewInfo());
    TkcLookAndFeelPainterClass painter = tab->TabsViewInfo()->Site()->GetLookAndFeelPainter();
    bool vertical = tab->TabsViewInfo()->IsVertical();
    if (painter->PaintsLevelTabContent()) {
      painter->DrawLevelTab(Canvas(), tab->Bounds, tab->Borders, tab->Text, CellStateToButtonState(tab->GetTabState()),
                            vertical, tab->Params.Font, tab->Params.TextColor, tab->Params.Color,
                            tab->TabsViewInfo()->Site()->SupportsTabAccels());
      return;
    }
    TkcCustomGridCellPainter::Paint();
  }
  void DrawBorders() override {
    auto* tab = static_cast<TkcCustomGridDetailsSiteTabViewInfo*>(ViewInfo());
    TkcLookAndFeelPainterClass painter = tab->TabsViewInfo()->Site()->GetLookAndFeelPainter();
    for (TkcBorder side : {bLeft, bTop, bRight, bBottom}) {
      if (!tab->Borders.Contains(side)) continue;
      TRect r;
      tab->GetBorderBounds(side, r);
      painter->DrawLevelTabBorder(Canvas(), r, side, tab->Borders, tab->TabsViewInfo()->IsVertical());
    }
  }
};

}  // namespace

bool TkcCustomGridDetailsSiteTabViewInfo::IsActive() const { return fLevel == fTabs->Site()->GetActiveLevel(); }

bool TkcCustomGridDetailsSiteTabViewInfo::HasLeadingBorder() const {
  return IsFirst() || !fTabs->Items(fVisibleIndex - 1)->IsActive();
}

bool TkcCustomGridDetailsSiteTabViewInfo::HasTrailingBorder() const {
  return IsLast() || !fTabs->Items(fVisibleIndex + 1)->IsActive();
}

int TkcCustomGridDetailsSiteTabViewInfo::GetBorderWidth(TkcBorder) {
  return fTabs->Site()->GetLookAndFeelPainter()->GetLevelTabBorderWidth();
}

TkcCustomGridCellPainter* TkcCustomGridDetailsSiteTabViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridDetailsSiteTabPainter(ACanvas, this);
}

void TkcCustomGridDetailsSiteTabViewInfo::GetTextAreaBounds(TRect& R) {
  TkcCustomGridCellViewInfo::GetTextAreaBounds(R);
  InflateRect(&R, -5, 0);
}

int TkcCustomGridDetailsSiteTabViewInfo::GetTextAttributes(bool AForPainting) {
  int flags = TkcCustomGridCellViewInfo::GetTextAttributes(AForPainting);
  return fTabs->Site()->SupportsTabAccels() ? flags | kctfShowPrefix : flags;
}

bool TkcCustomGridDetailsSiteTabViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton,
                                                    TShiftState AShift) {
  TkcCustomGridCellViewInfo::MouseDown(AHitTest, AButton, AShift);
  fTabs->Site()->ChangeActiveTab(fLevel);
  return true;
}

bool TkcCustomGridDetailsSiteTabViewInfo::ProcessDialogChar(char32_t AKey) {
  if (!fTabs->Site()->SupportsTabAccels() || !HasAccelerator(AKey, fLevel->Caption())) return false;
  fTabs->Site()->ChangeActiveTab(fLevel);
  return true;
}

void TkcCustomGridDetailsSiteTabViewInfo::GetViewParams(TkcVisualParams& P) {
  TkcLookAndFeelPainterClass painter = fTabs->Site()->GetLookAndFeelPainter();
  P.Color = painter->GetLevelTabDefaultColor();
  P.TextColor = painter->GetLevelTabDefaultTextColor();
  P.Font = fTabs->Site()->GetFont();
}

void TkcCustomGridDetailsSiteTabViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridCellViewInfo::InitHitTest(AHitTest);
  static_cast<TkcGridDetailsSiteTabHitTest*>(AHitTest)->Level = fLevel;
  fTabs->Site()->InitTabHitTest(AHitTest);
}

TkcBorders TkcGridDetailsSiteLeftTabViewInfo::GetBorders() {
  if (IsActive()) return {bLeft, bTop, bBottom};
  TkcBorders b{bLeft, bRight};
  if (HasLeadingBorder()) b.Include(bTop);
  if (HasTrailingBorder()) b.Include(bBottom);
  return b;
}

int TkcGridDetailsSiteLeftTabViewInfo::CalculateHeight() {
  int h = TextExtentHeight() + BorderWidthIf(bTop) + BorderWidthIf(bBottom);
  if (IsActive()) h += GetBorderWidth(bTop) + GetBorderWidth(bBottom);
  return h;
}

int TkcGridDetailsSiteLeftTabViewInfo::CalculateWidth() {
  return TextExtentWidth() + GetBorderWidth(bLeft) + GetBorderWidth(bRight);
}

void TkcGridDetailsSiteLeftTabViewInfo::AfterCalculateBounds(TRect& R) {
  // An inactive tab stands back from the client area by the overlap.
  if (!IsActive()) R.left = std::min(R.left + TabsViewInfo()->GetTabOverlap(), R.right);
  TkcCustomGridDetailsSiteTabViewInfo::AfterCalculateBounds(R);
}

TkcBorders TkcGridDetailsSiteTopTabViewInfo::GetBorders() {
  if (IsActive()) return {bLeft, bTop, bRight};
  TkcBorders b{bTop, bBottom};
  if (HasLeadingBorder()) b.Include(bLeft);
  if (HasTrailingBorder()) b.Include(bRight);
  return b;
}

int TkcGridDetailsSiteTopTabViewInfo::CalculateHeight() {
  return TextExtentHeight() + GetBorderWidth(bTop) + GetBorderWidth(bBottom);
}

int TkcGridDetailsSiteTopTabViewInfo::CalculateWidth() {
  int w = TextExtentWidth() + BorderWidthIf(bLeft) + BorderWidthIf(bRight);
  if (IsActive()) w += GetBorderWidth(bLeft) + GetBorderWidth(bRight);
  return w;
}

void TkcGridDetailsSiteTopTabViewInfo::AfterCalculateBounds(TRect& R) {
  if (!IsActive()) R.top = std::min(R.top + TabsViewInfo()->GetTabOverlap(), R.bottom);
  TkcCustomGridDetailsSiteTabViewInfo::AfterCalculateBounds(R);
}
