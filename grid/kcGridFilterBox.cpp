#include "grid/kcGridFilterBox.h"

#include <cmath>

#include "grid/kcGridFiltering.h"
#include "grid/kcGridTableView.h"

namespace {

class TkcGridFilterButtonPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridFilterButtonPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override { static_cast<TkcCustomGridFilterButtonViewInfo*>(ViewInfo())->DrawButton(Canvas()); }
  bool ExcludeFromClipRect() override { return true; }
};

}  // namespace

// ---- Buttons --------------------------------------------------------------------------------

TkcCustomGridFilterButtonViewInfo::TkcCustomGridFilterButtonViewInfo(TkcGridFilterViewInfo* AFilter)
    : TkcCustomGridViewCellViewInfo(AFilter->GridViewInfo()), fFilter(AFilter) {}

TkcDataFilterCriteria* TkcCustomGridFilterButtonViewInfo::Filter() const { return fFilter->Filter(); }

bool TkcCustomGridFilterButtonViewInfo::GetVisible() { return !Filter()->IsEmpty(); }

TkcCustomGridCellPainter* TkcCustomGridFilterButtonViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFilterButtonPainter(ACanvas, this);
}

TSize TkcGridFilterCloseButtonViewInfo::Extent() { return GridView()->LookAndFeelPainter()->GetFilterCloseButtonExtent(); }

void TkcGridFilterCloseButtonViewInfo::DrawButton(TkcCanvas* ACanvas) {
  GridView()->LookAndFeelPainter()->DrawFilterCloseButton(ACanvas, Bounds, ButtonState());
}

void TkcGridFilterCloseButtonViewInfo::Click() {
  TkcGridTableView* view = FilterViewInfo()->TableView();
  Filter()->Clear();
  view->SizeChanged();
}

TSize TkcGridFilterActivateButtonViewInfo::Extent() {
  return GridView()->LookAndFeelPainter()->GetFilterActivateButtonExtent();
}

void TkcGridFilterActivateButtonViewInfo::DrawButton(TkcCanvas* ACanvas) {
  GridView()->LookAndFeelPainter()->DrawFilterActivateButton(ACanvas, Bounds, ButtonState(), Filter()->Active());
}

void TkcGridFilterActivateButtonViewInfo::Click() {
  TkcGridTableView* view = FilterViewInfo()->TableView();
  Filter()->SetActive(!Filter()->Active());
  view->LayoutChanged();
}

// ---- Bar ------------------------------------------------------------------------------------

TkcGridFilterViewInfo::TkcGridFilterViewInfo(TkcCustomGridViewInfo* AGridViewInfo)
    : TkcCustomGridViewCellViewInfo(AGridViewInfo) {
  fButtons.push_back(std::make_unique<TkcGridFilterCloseButtonViewInfo>(this));
  fButtons.push_back(std::make_unique<TkcGridFilterActivateButtonViewInfo>(this));
}

TkcGridFilterViewInfo::~TkcGridFilterViewInfo() = default;

TkcGridTableView* TkcGridFilterViewInfo::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

TkcDataFilterCriteria* TkcGridFilterViewInfo::Filter() const { return TableView()->DataController()->Filter(); }

bool TkcGridFilterViewInfo::IsShown() {
  switch (TableView()->FilterBox()->Visible()) {
    case fvAlways: return true;
    case fvNonEmpty: return !Filter()->IsEmpty();
    default: return false;
  }
}

int TkcGridFilterViewInfo::CalculateHeight() {
  int buttons = 0;
  for (auto& b : fButtons)
    if (b->GetVisible()) buttons = std::max<int>(buttons, b->Extent().cy);
  return std::max(GridViewInfo()->GetFontHeight(GridView()->Font()) + 4 + 6, buttons ? buttons + 8 : 0);
}

String TkcGridFilterViewInfo::GetText() {
  String caption = Filter()->GetFilterCaption();
  return caption.empty() ? String("<Filter is Empty>") : caption;
}

void TkcGridFilterViewInfo::GetViewParams(TkcVisualParams& P) {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  P.Color = painter->GetFooterDefaultColor();
  P.TextColor = painter->GetFooterDefaultTextColor();
  P.Font = GridView()->Font();
}

void TkcGridFilterViewInfo::GetTextAreaBounds(TRect& R) {
  TkcCustomGridViewCellViewInfo::GetTextAreaBounds(R);
  // The left-aligned buttons take (width + 4) each, and 4 more when there are any.
  int left = 0;
  for (auto& b : fButtons)
    if (b->GetVisible()) left += b->Extent().cx + 4;
  if (left) left += 4;
  R.left += left + 3;
  R.right -= 3;
}

void TkcGridFilterViewInfo::Place(const TRect& R) {
  Calculate(R.left, R.top, R.right - R.left, R.bottom - R.top);
  int x = R.left + 4;
  for (auto& b : fButtons) {
    if (!b->GetVisible()) {
      b->Visible = false;
      continue;
    }
    b->Visible = true;
    TSize e = b->Extent();
    // Centred vertically, halves away from zero.
    int top = static_cast<int>(std::lround((R.top + R.bottom - e.cy) / 2.0));
    b->Calculate(x, top, e.cx, e.cy);
    x += e.cx + 4;
  }
}

TkcCustomGridHitTest* TkcGridFilterViewInfo::GetHitTestAt(const TPoint& P) {
  for (auto& b : fButtons)
    if (b->Visible)
      if (TkcCustomGridHitTest* hit = b->GetHitTest(P)) return hit;
  return GetHitTest(P);
}

void TkcGridFilterViewInfo::PaintAll(TkcCanvas* ACanvas) {
  Paint(ACanvas);
  for (auto& b : fButtons)
    if (b->Visible) b->Paint(ACanvas);
}
