#include "grid/kcGridFilterBox.h"

#include <cmath>

#include "grid/kcGridFiltering.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
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

// The bar's text, underlined while it is hot or pressed.
class TkcGridFilterPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridFilterPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void DrawText() override {
    TkcCustomGridCellViewInfo* info = ViewInfo();
    bool underline = info->State() == gcsHot || info->State() == gcsPressed;
    if (!underline) {
      TkcCustomGridCellPainter::DrawText();
      return;
    }
    if (info->Text.empty()) return;
    if (info->Params.Font) Canvas()->SetFont(info->Params.Font);
    TFont* font = Canvas()->Font();
    TFontStyles style = font->Style();
    bool added = !style.Contains(fsUnderline);
    if (added) font->SetStyle(style + TFontStyles{fsUnderline});
    font->SetColor(info->Params.TextColor);
    Canvas()->Brush()->SetStyle(bsClear);
    TRect r;
    info->GetTextAreaBounds(r);
    Canvas()->DrawText(info->Text, r, info->GetTextAttributes(true));
    Canvas()->Brush()->SetStyle(bsSolid);
    if (added) font->SetStyle(style);
  }
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

int TkcGridFilterCustomizeButtonViewInfo::BorderWidth() {
  return GridView()->LookAndFeelPainter()->GetButtonBorderWidth(kcbsNormal);
}

TSize TkcGridFilterCustomizeButtonViewInfo::Extent() {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  TFont* font = GridView()->Font();
  TkcCanvas* canvas = GetCanvas();
  if (font) canvas->SetFont(font);
  int frame = 2 * BorderWidth() + 2 * painter->GetButtonContentMargin();
  return TSize{canvas->TextWidth("Customize...") + 4 + frame, GridViewInfo()->GetFontHeight(font) + 4 + frame};
}

bool TkcGridFilterCustomizeButtonViewInfo::GetVisible() {
  return FilterViewInfo()->TableView()->FilterBox()->CustomizeDialog();
}

void TkcGridFilterCustomizeButtonViewInfo::DrawButton(TkcCanvas* ACanvas) {
  if (TFont* font = GridView()->Font()) ACanvas->SetFont(font);
  GridView()->LookAndFeelPainter()->DrawButton(ACanvas, Bounds, "Customize...", ButtonState());
}

void TkcGridFilterCustomizeButtonViewInfo::Click() {
  TkcGridTableView* view = FilterViewInfo()->TableView();
  view->TableController()->HideEdit(true);
  view->Filtering()->RunCustomizeDialog(nullptr);
  view->SizeChanged();
}

TSize TkcGridFilterDropDownButtonViewInfo::Extent() {
  TSize e = GridView()->LookAndFeelPainter()->GetFilterDropDownButtonExtent();
  // A height of 0 is the full height of the buttons' row.
  if (e.cy == 0) e.cy = GridViewInfo()->GetFontHeight(GridView()->Font()) + 4;
  return e;
}

bool TkcGridFilterDropDownButtonViewInfo::GetVisible() {
  TkcGridTableFiltering* filtering = FilterViewInfo()->TableView()->Filtering();
  return filtering && filtering->IsMRUItemsListAvailable();
}

void TkcGridFilterDropDownButtonViewInfo::DrawButton(TkcCanvas* ACanvas) {
  GridView()->LookAndFeelPainter()->DrawFilterDropDownButton(ACanvas, Bounds, ButtonState(), false);
}

void TkcGridFilterDropDownButtonViewInfo::Click() {
  TkcGridTableView* view = FilterViewInfo()->TableView();
  TRect owner = FilterViewInfo()->Bounds;
  view->TableController()->FilterMRUItemsPopup()->Popup(owner);
}

// ---- Bar ------------------------------------------------------------------------------------

TkcGridFilterViewInfo::TkcGridFilterViewInfo(TkcCustomGridViewInfo* AGridViewInfo)
    : TkcCustomGridViewCellViewInfo(AGridViewInfo) {
  fButtons.push_back(std::make_unique<TkcGridFilterCloseButtonViewInfo>(this));
  fButtons.push_back(std::make_unique<TkcGridFilterActivateButtonViewInfo>(this));
  fButtons.push_back(std::make_unique<TkcGridFilterCustomizeButtonViewInfo>(this));
  fButtons.push_back(std::make_unique<TkcGridFilterDropDownButtonViewInfo>(this));
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
  // The drop-down button takes the row's height, so it does not set it.
  for (auto& b : fButtons)
    if (b->GetVisible() && !dynamic_cast<TkcGridFilterDropDownButtonViewInfo*>(b.get()))
      buttons = std::max<int>(buttons, b->Extent().cy);
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
  // Each side's buttons take (width + 4) each, and 4 more when there are any.
  int side[2] = {0, 0};
  for (auto& b : fButtons)
    if (b->GetVisible()) side[b->IsAlignedRight()] += b->Extent().cx + 4;
  for (int& s : side)
    if (s) s += 4;
  R.left += side[0] + 3;
  R.right -= side[1] + 3;
}

bool TkcGridFilterViewInfo::GetHotTrack() {
  TkcGridTableFiltering* filtering = TableView()->Filtering();
  return filtering && filtering->IsMRUItemsListAvailable();
}

bool TkcGridFilterViewInfo::IsOverText(TkcCustomGridHitTest* AHitTest) {
  if (!AHitTest || AHitTest->ViewInfo() != this) return false;
  TRect text = TextBounds();
  return PtInRect(&text, AHitTest->Pos);
}

bool TkcGridFilterViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  return IsOverText(AHitTest) && TkcCustomGridViewCellViewInfo::MouseDown(AHitTest, AButton, AShift);
}

bool TkcGridFilterViewInfo::MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState) {
  if (!GetHotTrack()) return false;
  bool over = IsOverText(AHitTest), captured = GetMouseCapture();
  if (over)
    SetState(captured ? gcsPressed : gcsHot);
  else
    SetState(captured ? gcsHot : gcsNormal);
  return true;
}

void TkcGridFilterViewInfo::Click() {
  for (auto& b : fButtons)
    if (auto* dropDown = dynamic_cast<TkcGridFilterDropDownButtonViewInfo*>(b.get())) {
      if (dropDown->Visible) dropDown->Click();
      return;
    }
}

TkcCustomGridCellPainter* TkcGridFilterViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFilterPainter(ACanvas, this);
}

void TkcGridFilterViewInfo::Place(const TRect& R) {
  Calculate(R.left, R.top, R.right - R.left, R.bottom - R.top);
  int left = R.left + 4, right = R.right - 4;
  for (auto& b : fButtons) {
    b->Visible = b->GetVisible();
    if (!b->Visible) continue;
    TSize e = b->Extent();
    int x = b->IsAlignedRight() ? right - e.cx : left;
    // The drop-down arrow follows a short filter text.
    if (dynamic_cast<TkcGridFilterDropDownButtonViewInfo*>(b.get())) x = std::min<int>(x, TextBounds().right + 9);
    // Centred vertically, halves away from zero.
    int top = static_cast<int>(std::lround((R.top + R.bottom - e.cy) / 2.0));
    b->Calculate(x, top, e.cx, e.cy);
    (b->IsAlignedRight() ? right : left) = b->IsAlignedRight() ? x - 4 : x + e.cx + 4;
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
