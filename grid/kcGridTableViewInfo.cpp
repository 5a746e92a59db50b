#include "grid/kcGridTableViewInfo.h"

#include "grid/kcGridCustomizationForm.h"

#include <algorithm>

#include "controls/kcLocalize.h"
#include "controls/kcOffice11.h"
#include "data/kcDataSummary.h"
#include "editors/kcTextEditViewInfo.h"
#include "grid/kcGridDragObjects.h"
#include "grid/kcGridFilterBox.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridNavigatorSite.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"

namespace {

// Paints through a cell's own routine; one class serves every cell whose drawing is a function.
class TkcGridFunctionPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridFunctionPainter, TkcCustomGridCellPainter)
public:
  TkcGridFunctionPainter(TkcCanvas* ACanvas, TkcCustomGridCellViewInfo* AViewInfo,
                         std::function<void(TkcCanvas*)> APaint)
      : TkcCustomGridCellPainter(ACanvas, AViewInfo), fPaint(std::move(APaint)) {}

protected:
  void Paint() override { fPaint(Canvas()); }

private:
  std::function<void(TkcCanvas*)> fPaint;
};

void AddLine(std::vector<POINT>& APoints, const TRect& R) {
  // A strip one pixel high is a horizontal line; others run down their left edge.
  if (R.right <= R.left || R.bottom <= R.top) return;
  if (R.bottom - R.top == 1)
    APoints.push_back({R.left, R.top}), APoints.push_back({R.right, R.top});
  else
    APoints.push_back({R.left, R.top}), APoints.push_back({R.left, R.bottom});
}

}  // namespace

// ---- Drag objects of hit tests ----------------------------------------------------------------

TkcDragAndDropObjectClass TkcGridColumnHeaderHitTest::DragAndDropObjectClass() const {
  if (Column && Column->CanMove()) return TkcDragAndDropObjectClass::Of<TkcGridColumnMovingObject>();
  return {};
}

TkcDragAndDropObjectClass TkcGridColumnHeaderHorzSizingEdgeHitTest::DragAndDropObjectClass() const {
  return TkcDragAndDropObjectClass::Of<TkcGridColumnHorzSizingObject>();
}

TkcDragAndDropObjectClass TkcGridRowSizingEdgeHitTest::DragAndDropObjectClass() const {
  return TkcDragAndDropObjectClass::Of<TkcGridRowSizingObject>();
}

// ---- Cells ----------------------------------------------------------------------------------

TkcGridTableCellViewInfo::TkcGridTableCellViewInfo(TkcGridTableViewInfo* AViewInfo)
    : TkcCustomGridViewCellViewInfo(AViewInfo), fTableViewInfo(AViewInfo) {}

TkcGridTableView* TkcGridTableCellViewInfo::TableView() const { return fTableViewInfo->TableView(); }

void TkcCustomGridPartViewInfo::MainCalculate() {
  ClearItems();
  BeforeRecalculation();
  if (!GetVisible()) {
    Height = 0;
    Bounds = {};
    return;
  }
  Height = CalculatePartHeight();
  CalculateBounds(TableViewInfo()->GetPartBounds(this));
  CalculateItems();
}

// ---- Column headers -------------------------------------------------------------------------

TkcGridColumnHeaderViewInfo::TkcGridColumnHeaderViewInfo(TkcGridColumnContainerViewInfo* AContainer,
                                                         TkcGridColumn* AColumn)
    : TkcGridTableCellViewInfo(AContainer->TableViewInfo()), Container(AContainer), Column(AColumn) {}

TkcGridColumnHeaderViewInfo::~TkcGridColumnHeaderViewInfo() = default;

void TkcGridColumnHeaderViewInfo::CreateAreas() {
  Areas.clear();
  if (!HasAreas()) return;
  // From the right edge: the sizing edge (over the border), the filter button, the sorting mark.
  if (Container->Kind() == ckHeader && Column->CanHorzSize())
    Areas.push_back(std::make_unique<TkcGridColumnHeaderHorzSizingEdgeViewInfo>(this));
  // A header too narrow for the button and some text shows none, so it can still sort.
  int button = GridView()->LookAndFeelPainter()->GetFilterDropDownButtonExtent().cx;
  if (Column->CanFilter(true) && ColumnWidth() >= 2 * (button + 4))
    Areas.push_back(std::make_unique<TkcGridColumnHeaderFilterButtonViewInfo>(this));
  if (Column->SortOrder() != soNone) Areas.push_back(std::make_unique<TkcGridColumnHeaderSortingMarkViewInfo>(this));
}

int TkcGridColumnHeaderViewInfo::ColumnWidth() {
  int w = Column->Width();
  if (Column->IsFirst()) w += TableViewInfo()->TotalLevelIndent();
  return w;
}

int TkcGridColumnHeaderViewInfo::MinWidth() {
  int w = Column->MinWidth();
  if (Column->IsFirst()) w += TableViewInfo()->TotalLevelIndent();
  return w;
}

int TkcGridColumnHeaderViewInfo::MaxWidth() {
  TkcGridTableView* view = TableView();
  if (!view->OptionsView()->ColumnAutoWidth()) return 0x7FFFFFFF;
  TRect client = TableViewInfo()->ClientBounds();
  int result = client.right - client.left;
  auto* header = TableViewInfo()->HeaderViewInfo();
  int index = Column->VisibleIndex();
  int n = static_cast<int>(header->Items.size());
  for (int i = 0; i < n; ++i) {
    TkcGridColumnHeaderViewInfo* item = header->Items[static_cast<size_t>(i)].get();
    if (i < index)
      result -= index == n - 1 ? item->MinWidth() : item->Bounds.right - item->Bounds.left;
    else if (i > index)
      result -= item->MinWidth();
  }
  return std::max(result, MinWidth());
}

void TkcGridColumnHeaderViewInfo::CheckWidth(int& AWidth) {
  AWidth = std::min(std::max(AWidth, MinWidth()), MaxWidth());
}

int TkcGridColumnHeaderViewInfo::ContentWidth() {
  CalculateParamsIfNeeded();
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  TkcCanvas* canvas = GetCanvas();
  if (Params.Font) canvas->SetFont(Params.Font);
  int w = canvas->TextWidth(Text) + 4 + 2 * painter->GetHeaderBorderWidth();
  if (Column->SortOrder() != soNone) w += painter->GetSortingMarkAreaSize().cx;
  if (Column->CanFilter(true)) w += painter->GetFilterDropDownButtonExtent().cx;
  if (Column->SortOrder() != soNone || Column->CanFilter(true)) w += 2;
  return w;
}

bool TkcGridColumnHeaderViewInfo::IsPressed() { return State() == gcsPressed; }

TkcGridHitTestFactory TkcGridColumnHeaderViewInfo::GetHitTestClass() {
  return MakeGridHitTest<TkcGridColumnHeaderHitTest>;
}

String TkcGridColumnHeaderViewInfo::GetText() { return Column->Caption(); }
TAlignment TkcGridColumnHeaderViewInfo::GetAlignmentHorz() { return Column->HeaderAlignmentHorz(); }
bool TkcGridColumnHeaderViewInfo::GetShowEndEllipsis() { return TableView()->OptionsView()->HeaderEndEllipsis(); }

void TkcGridColumnHeaderViewInfo::GetViewParams(TkcVisualParams& P) { P = TableView()->Styles()->GetHeaderParams(Column); }

void TkcGridColumnHeaderViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridViewCellViewInfo::InitHitTest(AHitTest);
  auto* hit = static_cast<TkcCustomGridColumnHitTest*>(AHitTest);
  hit->Column = Column;
  hit->ColumnContainerKind = Container->Kind();
}

void TkcGridColumnHeaderViewInfo::AfterCalculateBounds(TRect& R) {
  TkcGridTableCellViewInfo::AfterCalculateBounds(R);
  if (Areas.empty() && HasAreas()) CreateAreas();
  TextAreaBounds = R;
  InflateRect(&TextAreaBounds, -2, -2);
  bool left = false, right = false;
  for (auto& area : Areas) {
    area->CalculateArea(R, TextAreaBounds);
    if (area->OccupiesSpace()) (area->AreaAlignment() == taLeftJustify ? left : right) = true;
  }
  if (left) TextAreaBounds.left += 2;
  if (right) TextAreaBounds.right -= 2;
}

void TkcGridColumnHeaderViewInfo::DoOffset(int DX, int DY) {
  TkcGridTableCellViewInfo::DoOffset(DX, DY);
  OffsetRect(&TextAreaBounds, DX, DY);
  for (auto& area : Areas) area->Offset(DX, DY);
}

TkcCustomGridHitTest* TkcGridColumnHeaderViewInfo::GetHeaderHitTest(const TPoint& P) {
  for (auto& area : Areas)
    if (area->GetVisible())
      if (TkcCustomGridHitTest* hit = area->GetHitTest(P)) return hit;
  return GetHitTest(P);
}

bool TkcGridColumnHeaderViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  // A header dragged away starts the column's moving; the press alone stays a click.
  return TkcGridTableCellViewInfo::MouseDown(AHitTest, AButton, AShift);
}

void TkcGridColumnHeaderViewInfo::Click() {
  if (!CanPress()) return;
  TkcGridTableView* view = TableView();
  TkcGridColumn* column = Column;
  static_cast<TkcGridTableController*>(GridViewInfo()->Controller())->HeaderClicked(column, GetShiftState());
  if (view->OnColumnHeaderClick) view->OnColumnHeaderClick(view, column);
}

namespace {

class TkcGridColumnHeaderPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridColumnHeaderPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override {
    auto* header = static_cast<TkcGridColumnHeaderViewInfo*>(ViewInfo());
    TkcGridTableView* view = header->TableView();
    bool done = false;
    if (view->OnCustomDrawColumnHeader) view->OnCustomDrawColumnHeader(view, Canvas(), header, done);
    if (done) return;
    TkcLookAndFeelPainterClass painter = view->LookAndFeelPainter();
    bool multiLine = view->OptionsView()->HeaderAutoHeight() || view->OptionsView()->HeaderHeight() != 0;
    painter->DrawHeader(Canvas(), header->Bounds, header->TextAreaBounds, {}, painter->GetHeaderBorders({}),
                        header->ButtonState(), header->AlignmentHorz, header->Column->HeaderAlignmentVert(), multiLine,
                        view->OptionsView()->HeaderEndEllipsis(), header->Text, header->Params.Font,
                        header->Params.TextColor, header->Params.Color, nullptr, header->IsLast);
    for (auto& area : header->Areas)
      if (area->GetVisible()) area->Paint(Canvas());
  }
};

class TkcGridFooterCellPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridFooterCellPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override {
    auto* cell = static_cast<TkcGridFooterCellViewInfo*>(ViewInfo());
    TkcGridTableView* view = cell->TableView();
    bool done = false;
    if (view->OnCustomDrawFooterCell) view->OnCustomDrawFooterCell(view, Canvas(), cell, done);
    if (done) return;
    view->LookAndFeelPainter()->DrawFooterCell(Canvas(), cell->Bounds, cell->AlignmentHorz, vaCenter, false,
                                               cell->Text, cell->Params.Font, cell->Params.TextColor,
                                               cell->Params.Color);
  }
};

}  // namespace

TkcCustomGridCellPainter* TkcGridColumnHeaderViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridColumnHeaderPainter(ACanvas, this);
}

// ---- Header areas ---------------------------------------------------------------------------

TkcGridColumnHeaderAreaViewInfo::TkcGridColumnHeaderAreaViewInfo(TkcGridColumnHeaderViewInfo* AHeader)
    : TkcGridTableCellViewInfo(AHeader->TableViewInfo()), Header(AHeader) {}

void TkcGridColumnHeaderAreaViewInfo::CalculateArea(const TRect& AHeaderBounds, TRect& ATextArea) {
  TRect space = OccupiesSpace() ? ATextArea : AHeaderBounds;
  int w = AreaWidth() ? AreaWidth() : space.right - space.left;
  int h = AreaHeight() ? AreaHeight() : space.bottom - space.top;
  int left = AreaAlignment() == taLeftJustify ? space.left
             : AreaAlignment() == taCenter    ? (space.left + space.right - w) / 2
                                              : space.right - w;
  int top = (space.top + space.bottom - h) / 2;
  if (!OccupiesSpace()) left += w / 2;  // straddles the header's right border
  Calculate(left, top, w, h);
  if (!OccupiesSpace()) return;
  if (AreaAlignment() == taLeftJustify)
    ATextArea.left = left + w;
  else if (AreaAlignment() == taRightJustify)
    ATextArea.right = left;
}

void TkcGridColumnHeaderAreaViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridTableCellViewInfo::InitHitTest(AHitTest);
  auto* hit = static_cast<TkcCustomGridColumnHitTest*>(AHitTest);
  hit->Column = Header->Column;
  hit->ColumnContainerKind = Header->Container->Kind();
}

bool TkcGridColumnHeaderHorzSizingEdgeViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton,
                                                         TShiftState AShift) {
  // A double click on the edge fits the column to its texts.
  if (AButton == mbLeft && AShift.Contains(ssDouble)) {
    Header->Column->ApplyBestFit();
    return true;
  }
  return TkcGridColumnHeaderAreaViewInfo::MouseDown(AHitTest, AButton, AShift);
}

int TkcGridColumnHeaderFilterButtonViewInfo::AreaWidth() {
  return GridView()->LookAndFeelPainter()->GetFilterDropDownButtonExtent().cx;
}
int TkcGridColumnHeaderFilterButtonViewInfo::AreaHeight() {
  return GridView()->LookAndFeelPainter()->GetFilterDropDownButtonExtent().cy;
}

TkcCustomGridCellPainter* TkcGridColumnHeaderFilterButtonViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
    bool active = TableView()->DataController()->Filter()->FindItemByItemLink(Header->Column) != nullptr;
    GridView()->LookAndFeelPainter()->DrawFilterDropDownButton(C, Bounds, ButtonState(), active);
  });
}

int TkcGridColumnHeaderSortingMarkViewInfo::AreaWidth() {
  return GridView()->LookAndFeelPainter()->GetSortingMarkAreaSize().cx;
}
int TkcGridColumnHeaderSortingMarkViewInfo::AreaHeight() {
  return GridView()->LookAndFeelPainter()->GetSortingMarkAreaSize().cy;
}

TkcCustomGridCellPainter* TkcGridColumnHeaderSortingMarkViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
    GridView()->LookAndFeelPainter()->DrawSortingMark(C, Bounds, Header->Column->SortOrder() == soAscending);
  });
}

// ---- Column containers ----------------------------------------------------------------------

TkcGridColumnHeaderViewInfo* TkcGridColumnContainerViewInfo::CreateItem(TkcGridColumn* AColumn) {
  return new TkcGridColumnHeaderViewInfo(this, AColumn);
}

void TkcGridColumnContainerViewInfo::CreateItems() {
  Items.clear();
  for (int i = 0, n = ColumnCount(); i < n; ++i) {
    Items.emplace_back(CreateItem(Column(i)));
    Items.back()->IsLast = i == n - 1;
  }
}

int TkcGridColumnContainerViewInfo::CalculateItemHeight() {
  TkcGridTableView* view = TableView();
  TkcCanvas* canvas = GetCanvas();
  TkcVisualParams p = view->Styles()->GetHeaderParams(nullptr);
  if (p.Font) canvas->SetFont(p.Font);
  return canvas->TextHeight("Qq") + 4 + 2 * view->LookAndFeelPainter()->GetHeaderBorderWidth();
}

TkcGridColumnHeaderViewInfo* TkcGridColumnContainerViewInfo::ItemOfColumn(TkcGridColumn* AColumn) const {
  for (auto& item : Items)
    if (item->Column == AColumn) return item.get();
  return nullptr;
}

TRect TkcGridColumnContainerViewInfo::GetZonesAreaBounds() {
  TRect r = Bounds;
  r.right = std::max<LONG>(r.right, TableViewInfo()->ClientBounds().right);
  return r;
}

int TkcGridColumnContainerViewInfo::GetInsertionZone(const TPoint& P) {
  if (!GetVisible() && !(Kind() == ckHeader && TableView()->ShowHeader())) return -1;
  TRect zones = GetZonesAreaBounds();
  if (!PtInRect(&zones, P)) return -1;
  int n = static_cast<int>(Items.size());
  for (int i = 0; i < n; ++i) {
    const TRect& b = Items[static_cast<size_t>(i)]->Bounds;
    if (P.x < (b.left + b.right) / 2) return i;
  }
  return n;
}

void TkcGridColumnContainerViewInfo::DoOffset(int DX, int DY) {
  TkcCustomGridPartViewInfo::DoOffset(DX, DY);
  for (auto& item : Items) item->Offset(DX, DY);
}

TkcCustomGridHitTest* TkcGridColumnContainerViewInfo::GetPartHitTest(const TPoint& P) {
  for (auto& item : Items)
    if (item->GetVisible())
      if (TkcCustomGridHitTest* hit = item->GetHeaderHitTest(P)) return hit;
  return GetHitTest(P);
}

void TkcGridColumnContainerViewInfo::PaintPart(TkcCanvas* ACanvas) {
  // The band first, its column headers over it.
  Paint(ACanvas);
  TkcCustomGridPainter* painter = TableViewInfo()->Painter();
  for (auto& item : Items)
    if (item->GetVisible() && item->Bounds.right > item->Bounds.left) {
      item->Paint(ACanvas);
      painter->ExcludeFromBackground(item->Bounds);
    }
}

// ---- Header ---------------------------------------------------------------------------------

int TkcGridHeaderViewInfo::ColumnCount() { return TableView()->VisibleColumnCount(); }
TkcGridColumn* TkcGridHeaderViewInfo::Column(int AIndex) { return TableView()->VisibleColumns(AIndex); }
bool TkcGridHeaderViewInfo::GetVisible() { return TableView()->ShowHeader(); }

int TkcGridHeaderViewInfo::CalculatePartHeight() {
  TkcGridTableView* view = TableView();
  if (view->OptionsView()->HeaderHeight()) return ItemHeight = view->OptionsView()->HeaderHeight();
  return ItemHeight = CalculateItemHeight();
}

int TkcGridHeaderViewInfo::CalculatePartWidth() {
  int w = 0;
  for (int i = 0, n = ColumnCount(); i < n; ++i) {
    TkcGridColumn* c = Column(i);
    w += c->Width() + (i == 0 ? TableViewInfo()->TotalLevelIndent() : 0);
  }
  if (TableView()->OptionsView()->ColumnAutoWidth()) {
    TRect client = TableViewInfo()->ClientBounds();
    if (ColumnCount() > 0 || w == 0) w = client.right - client.left;
  }
  return w;
}

void TkcGridHeaderViewInfo::GetViewParams(TkcVisualParams& P) { P = TableView()->Styles()->GetHeaderParams(nullptr); }

TRect TkcGridHeaderViewInfo::GetZonesAreaBounds() {
  TRect r = TkcGridColumnContainerViewInfo::GetZonesAreaBounds();
  InflateRect(&r, 0, 15);
  return r;
}

void TkcGridHeaderViewInfo::CalculateColumnAutoWidths() {
  TkcAutoWidthObject widths;
  TRect client = TableViewInfo()->ClientBounds();
  widths.AvailableWidth = client.right - client.left;
  for (auto& item : Items) {
    TkcAutoWidthItem* w = widths.NewItem();
    w->MinWidth = item->MinWidth();
    w->Width = item->ColumnWidth();
  }
  widths.Calculate();
  int x = Bounds.left;
  for (size_t i = 0; i < Items.size(); ++i) {
    int w = widths.ItemByIndex(static_cast<int>(i))->AutoWidth;
    Items[i]->Calculate(x, Bounds.top, w, ItemHeight);
    x += w;
  }
}

void TkcGridHeaderViewInfo::CalculateItems() {
  CreateItems();
  if (TableView()->OptionsView()->ColumnAutoWidth() && !Items.empty()) {
    CalculateColumnAutoWidths();
  } else {
    int x = Bounds.left;
    for (auto& item : Items) {
      int w = item->ColumnWidth();
      item->Calculate(x, Bounds.top, w, ItemHeight);
      x += w;
    }
  }
  TRect client = TableViewInfo()->ClientBounds();
  for (auto& item : Items) item->Visible = item->Bounds.left < client.right && client.left < item->Bounds.right;
}

void TkcGridHeaderViewInfo::CalculateLayout() {
  // Hidden: the columns get positions and widths all the same; the header takes no room.
  ItemHeight = 0;
  CalculateBounds(TableViewInfo()->GetPartBounds(this));
  CalculateItems();
  for (auto& item : Items) item->Visible = false;
  Height = 0;
  Bounds = {};
}

// ---- Group-by box ---------------------------------------------------------------------------

int TkcGridGroupByBoxViewInfo::ColumnCount() { return TableView()->GroupingItemCount(); }
TkcGridColumn* TkcGridGroupByBoxViewInfo::Column(int AIndex) { return TableView()->GroupedColumns(AIndex); }
bool TkcGridGroupByBoxViewInfo::GetVisible() { return TableView()->OptionsView()->GroupByBox(); }

int TkcGridGroupByBoxViewInfo::CalculatePartHeight() {
  int n = ColumnCount();
  ItemHeight = CalculateItemHeight();
  if (n == 0) {
    CalculateParamsIfNeeded();
    TkcCanvas* canvas = GetCanvas();
    if (Params.Font) canvas->SetFont(Params.Font);
    return canvas->TextHeight("Qq") + 4 + 2 + 16;
  }
  return ItemHeight + (n - 1) * (ItemHeight / 2) + 16;
}

String TkcGridGroupByBoxViewInfo::GetText() {
  return ColumnCount() == 0 ? LocalizeText("Drag a column header here to group by that column") : String();
}

void TkcGridGroupByBoxViewInfo::GetTextAreaBounds(TRect& R) {
  TkcGridColumnContainerViewInfo::GetTextAreaBounds(R);
  R.left += 6;
}

void TkcGridGroupByBoxViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetVisualParams(gsiGroupByBox);
}

TkcGridColumnHeaderViewInfo* TkcGridGroupByBoxViewInfo::CreateItem(TkcGridColumn* AColumn) {
  return new TkcGridColumnHeaderViewInfo(this, AColumn);
}

void TkcGridGroupByBoxViewInfo::CalculateItems() {
  CreateItems();
  int x = Bounds.left + 6, y = Bounds.top + 8;
  for (auto& item : Items) {
    int w = item->ContentWidth();
    item->Calculate(x, y, w, ItemHeight);
    x += w + 4;
    y += ItemHeight / 2;
  }
}

TkcCustomGridCellPainter* TkcGridGroupByBoxViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
    C->FillRect(Bounds, Params.Color);
    if (!Text.empty()) {
      TRect r;
      GetTextAreaBounds(r);
      if (Params.Font) C->SetFont(Params.Font);
      C->Font()->SetColor(Params.TextColor);
      C->Brush()->SetStyle(bsClear);
      C->DrawText(Text, r, kctfLeft | kctfVCenter | kctfSingleLine);
      C->Brush()->SetStyle(bsSolid);
    }
  });
}

void TkcGridGroupByBoxViewInfo::PaintPart(TkcCanvas* ACanvas) {
  TkcGridColumnContainerViewInfo::PaintPart(ACanvas);
  // Connectors from each grouped header to the next one down the staircase.
  for (size_t i = 0; i + 1 < Items.size(); ++i) {
    const TRect& b = Items[i]->Bounds;
    ACanvas->FillRect(TRect{b.right - 8, b.bottom, b.right - 7, b.bottom + 4}, clBtnText);
    ACanvas->FillRect(TRect{b.right - 8, b.bottom + 3, b.right + 4, b.bottom + 4}, clBtnText);
  }
}

// ---- Footer ---------------------------------------------------------------------------------

int TkcGridFooterViewInfo::ColumnCount() { return TableView()->VisibleColumnCount(); }
TkcGridColumn* TkcGridFooterViewInfo::Column(int AIndex) { return TableView()->VisibleColumns(AIndex); }
bool TkcGridFooterViewInfo::GetVisible() { return TableView()->OptionsView()->Footer(); }

int TkcGridFooterViewInfo::SeparatorWidth() { return GridView()->LookAndFeelPainter()->GetFooterSeparatorWidth(); }

int TkcGridFooterViewInfo::CalculatePartHeight() {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  ItemHeight = CalculateItemHeight() + 2 * painter->GetFooterCellBorderWidth();
  return 2 * painter->GetFooterBorderWidth() + ItemHeight + SeparatorWidth();
}

int TkcGridFooterViewInfo::CalculatePartWidth() { return TableViewInfo()->HeaderViewInfo()->CalculatePartWidth(); }

void TkcGridFooterViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetFooterParams(-1, nullptr, -1);
}

TRect TkcGridFooterViewInfo::BordersBounds() {
  TRect r = Bounds;
  r.top += SeparatorWidth();
  return r;
}

TkcGridColumnHeaderViewInfo* TkcGridFooterViewInfo::CreateItem(TkcGridColumn* AColumn) {
  return new TkcGridFooterCellViewInfo(this, AColumn);
}

void TkcGridFooterViewInfo::CalculateItems() {
  CreateItems();
  int border = GridView()->LookAndFeelPainter()->GetFooterBorderWidth();
  TRect items = BordersBounds();
  InflateRect(&items, -border, -border);
  auto& headers = TableViewInfo()->HeaderViewInfo()->Items;
  for (size_t i = 0; i < Items.size() && i < headers.size(); ++i) {
    TkcGridColumnHeaderViewInfo* header = headers[i].get();
    int left = i == 0 ? items.left : header->Bounds.left;
    Items[i]->Visible = header->Visible || !TableView()->ShowHeader();
    Items[i]->Calculate(left, items.top, Items[i]->ColumnWidth(), ItemHeight);
  }
}

TkcCustomGridCellPainter* TkcGridFooterViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
    TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
    TRect separator{Bounds.left, Bounds.top, Bounds.right, Bounds.top + SeparatorWidth()};
    painter->DrawFooterSeparator(C, separator);
    TRect borders = BordersBounds();
    C->FillRect(borders, Params.Color);
    painter->DrawFooterBorder(C, borders);
  });
}

int TkcGridFooterCellViewInfo::SummaryItemIndex() { return Column->FooterSummaryItemIndex(); }

int TkcGridFooterCellViewInfo::ColumnWidth() {
  auto& headers = TableViewInfo()->HeaderViewInfo()->Items;
  int w = Column->Width() + (Column->IsFirst() ? TableViewInfo()->TotalLevelIndent() : 0);
  if (TkcGridColumnHeaderViewInfo* h = TableViewInfo()->HeaderViewInfo()->ItemOfColumn(Column))
    w = h->Bounds.right - h->Bounds.left;
  int border = GridView()->LookAndFeelPainter()->GetFooterBorderWidth();
  if (Column->IsFirst()) w -= border;
  if (!headers.empty() && headers.back()->Column == Column) w -= border;
  return std::max(0, w);
}

String TkcGridFooterCellViewInfo::GetText() {
  int index = SummaryItemIndex();
  return index < 0 ? String() : TableView()->DataController()->Summary()->GetFooterSummaryText(index);
}

TAlignment TkcGridFooterCellViewInfo::GetAlignmentHorz() { return Column->FooterAlignmentHorz(); }

void TkcGridFooterCellViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetFooterParams(-1, Column, -1);
}

void TkcGridFooterCellViewInfo::AfterCalculateBounds(TRect& R) {
  TkcGridColumnHeaderViewInfo::AfterCalculateBounds(R);
  int border = GridView()->LookAndFeelPainter()->GetFooterCellBorderWidth();
  TextAreaBounds = R;
  InflateRect(&TextAreaBounds, -border, -border);
}

TkcCustomGridCellPainter* TkcGridFooterCellViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFooterCellPainter(ACanvas, this);
}

// ---- Indicator ------------------------------------------------------------------------------

TkcGridIndicatorViewInfo::~TkcGridIndicatorViewInfo() {
  while (!Items.empty()) delete Items.back();
}

bool TkcGridIndicatorViewInfo::GetVisible() {
  TkcGridTableView* view = TableView();
  return view->OptionsView()->Indicator() || view->OptionsCustomize()->ColumnsQuickCustomization();
}

int TkcGridIndicatorViewInfo::Width() { return GetVisible() ? TableView()->OptionsView()->IndicatorWidth() : 0; }

void TkcGridIndicatorViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetVisualParams(gsiIndicator);
}

TkcGridIndicatorItemViewInfo* TkcGridIndicatorViewInfo::AddItemAt(int ATop, int AHeight, TKind AKind,
                                                                  TkcCustomGridRowViewInfo* ARow) {
  auto* item = new TkcGridIndicatorItemViewInfo(this, AKind, ARow);
  Items.push_back(item);
  item->Calculate(Bounds.left, ATop, Width(), AHeight);
  return item;
}

void TkcGridIndicatorViewInfo::RemoveItem(TkcGridIndicatorItemViewInfo* AItem) { std::erase(Items, AItem); }

void TkcGridIndicatorViewInfo::Place(int ALeft, int ATop, int AHeight) {
  // Rows bring their own items; the header and footer items are made anew.
  for (size_t i = Items.size(); i-- > 0;)
    if (Items[i]->Kind != ikRow) delete Items[i];
  Calculate(ALeft, ATop, Width(), AHeight);
  if (!GetVisible()) return;
  TkcGridTableViewInfo* info = TableViewInfo();
  if (info->HeaderViewInfo()->Height > 0) AddItemAt(ATop, info->HeaderViewInfo()->Height, ikHeader, nullptr);
  if (int h = info->FooterViewInfo()->Height) AddItemAt(Bounds.bottom - h, h, ikFooter, nullptr);
}

TkcCustomGridHitTest* TkcGridIndicatorViewInfo::GetIndicatorHitTest(const TPoint& P) {
  if (!GetVisible()) return nullptr;
  for (TkcGridIndicatorItemViewInfo* item : Items)
    if (TkcCustomGridHitTest* hit = item->GetItemHitTest(P)) return hit;
  return GetHitTest(P);
}

void TkcGridIndicatorViewInfo::PaintIndicator(TkcCanvas* ACanvas) {
  if (!GetVisible()) return;
  TkcCustomGridPainter* painter = TableViewInfo()->Painter();
  // The items of rows are cut at the records area like their rows.
  TRect records = TableViewInfo()->RecordsAreaBounds();
  for (TkcGridIndicatorItemViewInfo* item : Items) {
    if (item->Row && (item->Bounds.top < records.top || item->Bounds.bottom > records.bottom)) {
      std::unique_ptr<TkcRegion> clip(ACanvas->GetClipRegion());
      ACanvas->IntersectClipRect(records);
      item->Paint(ACanvas);
      ACanvas->SetClipRegion(clip.release(), roSet);
    } else {
      item->Paint(ACanvas);
    }
    painter->ExcludeFromBackground(item->Bounds);
  }
}

TkcGridIndicatorItemViewInfo::TkcGridIndicatorItemViewInfo(TkcGridIndicatorViewInfo* AIndicator,
                                                           TkcGridIndicatorViewInfo::TKind AKind,
                                                           TkcCustomGridRowViewInfo* ARow)
    : TkcGridTableCellViewInfo(AIndicator->TableViewInfo()), Indicator(AIndicator), Kind(AKind), Row(ARow) {
  if (Row) Row->IndicatorItem = this;
}

TkcGridIndicatorItemViewInfo::~TkcGridIndicatorItemViewInfo() {
  if (Row) Row->IndicatorItem = nullptr;
  Indicator->RemoveItem(this);
}

void TkcGridIndicatorItemViewInfo::GetViewParams(TkcVisualParams& P) {
  P = Kind == TkcGridIndicatorViewInfo::ikHeader ? TableView()->Styles()->GetHeaderParams(nullptr)
                                                 : TableView()->Styles()->GetVisualParams(gsiIndicator);
}

int TkcGridIndicatorItemViewInfo::IndicatorKind() {
  if (!Row) return 0;
  if (Row->IsNewItemRow()) return 3;
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = view->DataController();
  bool focused = dc->GetFocusedRowIndex() == Row->RowIndex;
  if (dc->IsEditing() && (focused || dc->GetEditingRecordIndex() == Row->RecordIndex()))
    return (dc->GetEditState() & dcesInserting) ? 3 : 2;
  bool selected = view->OptionsSelection()->MultiSelect() && dc->IsRowSelected(Row->RowIndex);
  if (focused) return selected ? 5 : 1;
  return selected ? 4 : 0;
}

bool TkcGridIndicatorItemViewInfo::GetHotTrack() {
  return Kind == TkcGridIndicatorViewInfo::ikHeader && TableView()->OptionsCustomize()->ColumnsQuickCustomization();
}

TkcGridHitTestFactory TkcGridIndicatorItemViewInfo::GetHitTestClass() {
  if (Kind == TkcGridIndicatorViewInfo::ikRow) return MakeGridHitTest<TkcGridRowIndicatorHitTest>;
  return MakeGridHitTest<TkcGridIndicatorHitTest>;
}

void TkcGridIndicatorItemViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridTableCellViewInfo::InitHitTest(AHitTest);
  if (auto* hit = dynamic_cast<TkcGridRecordHitTest*>(AHitTest)) hit->RowIndex = Row ? Row->RowIndex : -1;
  if (auto* hit = dynamic_cast<TkcGridRowIndicatorHitTest*>(AHitTest))
    hit->MultiSelect = TableView()->OptionsSelection()->MultiSelect();
}

TkcCustomGridHitTest* TkcGridIndicatorItemViewInfo::GetItemHitTest(const TPoint& P) {
  if (Row && Row->CanSize()) {
    TRect edge = RowSizingEdgeBounds();
    if (PtInRect(&edge, P)) {
      auto* hit = GetGridHitTest<TkcGridRowSizingEdgeHitTest>(P);
      TkcGridTableCellViewInfo::InitHitTest(hit);
      hit->RowIndex = Row->RowIndex;
      return hit;
    }
  }
  return GetHitTest(P);
}

bool TkcGridIndicatorItemViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton,
                                             TShiftState AShift) {
  // A double click on a row's sizing edge gives the row its default height back.
  if (Row && AButton == mbLeft && AShift.Contains(ssDouble) && dynamic_cast<TkcGridRowSizingEdgeHitTest*>(AHitTest)) {
    Row->SetRowHeight(0);
    return true;
  }
  return TkcGridTableCellViewInfo::MouseDown(AHitTest, AButton, AShift);
}

TkcCustomGridCellPainter* TkcGridIndicatorItemViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
    TkcGridTableView* view = TableView();
    bool done = false;
    if (view->OnCustomDrawIndicatorCell) view->OnCustomDrawIndicatorCell(view, C, this, done);
    if (done) return;
    TkcLookAndFeelPainterClass painter = view->LookAndFeelPainter();
    switch (Kind) {
      case TkcGridIndicatorViewInfo::ikHeader: {
        painter->DrawHeader(C, Bounds, Bounds, {}, kcAllBorders, ButtonState(), taLeftJustify, vaCenter, false, false,
                            "", Params.Font, Params.TextColor, Params.Color);
        if (view->OptionsCustomize()->ColumnsQuickCustomization()) {
          // The list mark: five lines two pixels apart, a dot before the first, third and fifth.
          int y = (Bounds.top + Bounds.bottom - 9) / 2;
          for (int i = 0; i < 5; ++i, y += 2) {
            C->FillRect(TRect{Bounds.left + 5, y, Bounds.right - 3, y + 1}, Params.TextColor);
            if (i % 2 == 0) C->FillRect(TRect{Bounds.left + 3, y, Bounds.left + 4, y + 1}, Params.TextColor);
          }
        }
        break;
      }
      case TkcGridIndicatorViewInfo::ikRow:
        painter->DrawIndicatorItem(C, Bounds, IndicatorKind(), Params.Color);
        break;
      case TkcGridIndicatorViewInfo::ikFooter: {
        int s = painter->GetFooterSeparatorWidth();
        painter->DrawFooterSeparator(C, TRect{Bounds.left, Bounds.top, Bounds.right, Bounds.top + s});
        TRect r{Bounds.left, Bounds.top + s, Bounds.right, Bounds.bottom};
        C->FillRect(r, view->Styles()->GetFooterParams(-1, nullptr, -1).Color);
        painter->DrawFooterBorder(C, r);
        break;
      }
    }
  });
}

// ---- Rows -----------------------------------------------------------------------------------

TkcCustomGridRowViewInfo::TkcCustomGridRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex)
    : TkcGridTableCellViewInfo(ARows->GridViewInfo), RowsViewInfo(ARows), RowIndex(ARowIndex) {
  if (ARowIndex >= 0) Level = TableView()->DataController()->GetRowInfo(ARowIndex).Level;
}

int TkcCustomGridRowViewInfo::RecordIndex() { return TableView()->DataController()->GetRowInfo(RowIndex).RecordIndex; }

TkcCustomGridRowViewInfo::~TkcCustomGridRowViewInfo() { delete IndicatorItem; }

bool TkcCustomGridRowViewInfo::IsLastInParentLevel(int ALevelOffset) {
  TkcCustomDataController* dc = TableView()->DataController();
  if (RowIndex < 0) return false;
  if (RowIndex + 1 >= dc->GetRowCount()) return true;
  return dc->GetRowInfo(RowIndex + 1).Level < Level - ALevelOffset;
}

bool TkcCustomGridRowViewInfo::HasFooter(int ALevelIndex) {
  TkcGridGroupFootersMode mode = TableView()->OptionsView()->GroupFooters();
  if (mode == gfInvisible) return false;
  int k = ALevelIndex - (mode == gfAlwaysVisible ? 1 : 0);
  return k >= 0 && k <= Level - 1 && IsLastInParentLevel(k);
}

int TkcCustomGridRowViewInfo::FootersHeight() {
  int h = 0;
  for (auto& footer : Footers) h += footer->FooterHeight();
  return h;
}

// ---- Group footers --------------------------------------------------------------------------

namespace {

class TkcGridRowFooterCellViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridRowFooterCellViewInfo, TkcGridTableCellViewInfo)
public:
  TkcGridRowFooterCellViewInfo(TkcGridRowFooterViewInfo* AFooter, TkcGridColumn* AColumn, int AItemIndex)
      : TkcGridTableCellViewInfo(AFooter->TableViewInfo()), Footer(AFooter), Column(AColumn), ItemIndex(AItemIndex) {}
  TkcGridRowFooterViewInfo* Footer;
  TkcGridColumn* Column;
  int ItemIndex;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridGroupFooterCellHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override {
    return new TkcGridFunctionPainter(ACanvas, this, [this](TkcCanvas* C) {
      TableView()->LookAndFeelPainter()->DrawFooterCell(C, Bounds, AlignmentHorz, vaCenter, false, Text, Params.Font,
                                                        Params.TextColor, Params.Color);
    });
  }

protected:
  String GetText() override {
    return TableView()->DataController()->Summary()->GetGroupFooterSummaryText(Footer->Row->RowIndex,
                                                                                Footer->GroupLevel(), ItemIndex);
  }
  TAlignment GetAlignmentHorz() override { return Column->FooterAlignmentHorz(); }
  void GetViewParams(TkcVisualParams& P) override {
    P = TableView()->Styles()->GetFooterParams(Footer->Row->RowIndex, Column, Footer->GroupLevel());
  }
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override {
    TkcGridTableCellViewInfo::InitHitTest(AHitTest);
    auto* hit = static_cast<TkcCustomGridColumnHitTest*>(AHitTest);
    hit->Column = Column;
    hit->ColumnContainerKind = ckFooter;
  }
};

}  // namespace

TkcGridRowFooterViewInfo::TkcGridRowFooterViewInfo(TkcCustomGridRowViewInfo* ARow, int ALevelIndex)
    : TkcGridTableCellViewInfo(ARow->TableViewInfo()), Row(ARow), LevelIndex(ALevelIndex) {}

int TkcGridRowFooterViewInfo::GroupLevel() const {
  int level = Row->Level - LevelIndex;
  if (TableView()->OptionsView()->GroupFooters() == gfVisibleWhenExpanded) --level;
  return level;
}

void TkcGridRowFooterViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetFooterParams(Row->RowIndex, nullptr, GroupLevel());
}

int TkcGridRowFooterViewInfo::FooterHeight() {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  TkcCanvas* canvas = GetCanvas();
  TkcVisualParams p = TableView()->Styles()->GetFooterParams(-1, nullptr, -1);
  if (p.Font) canvas->SetFont(p.Font);
  int item = canvas->TextHeight("Qq") + 4 + 2 * painter->GetHeaderBorderWidth() + 2 * painter->GetFooterCellBorderWidth();
  return 2 * painter->GetFooterBorderWidth() + item;
}

void TkcGridRowFooterViewInfo::CalculateFooter(int ALeft, int ATop) {
  TkcGridTableViewInfo* info = TableViewInfo();
  int indent = info->VisualLevel(Row->Level - LevelIndex) * info->LevelIndent();
  int left = ALeft + indent;
  Calculate(left, ATop, std::max(0, info->DataWidth() - indent), FooterHeight());
  Cells.clear();
  TkcDataSummary* summary = TableView()->DataController()->Summary();
  int border = GridView()->LookAndFeelPainter()->GetFooterBorderWidth();
  TRect items = Bounds;
  InflateRect(&items, -border, -border);
  for (auto& header : info->HeaderViewInfo()->Items) {
    int index = summary->GetGroupFooterItemIndex(GroupLevel(), header->Column);
    if (index < 0) continue;
    int l = std::max<int>(header->Bounds.left, items.left), r = std::min<int>(header->Bounds.right, items.right);
    if (r <= l) continue;
    auto cell = std::make_unique<TkcGridRowFooterCellViewInfo>(this, header->Column, index);
    cell->Calculate(l, items.top, r - l, items.bottom - items.top);
    Cells.push_back(std::move(cell));
  }
}

void TkcGridRowFooterViewInfo::DoOffset(int DX, int DY) {
  TkcGridTableCellViewInfo::DoOffset(DX, DY);
  for (auto& cell : Cells) cell->Offset(DX, DY);
}

void TkcGridRowFooterViewInfo::PaintFooter(TkcCanvas* ACanvas) {
  ACanvas->FillRect(Bounds, Params.Color);
  GridView()->LookAndFeelPainter()->DrawFooterBorder(ACanvas, Bounds);
  for (auto& cell : Cells) cell->Paint(ACanvas);
  TableViewInfo()->Painter()->ExcludeFromBackground(Bounds);
}

TkcCustomGridHitTest* TkcGridRowFooterViewInfo::GetFooterHitTest(const TPoint& P) {
  for (auto& cell : Cells)
    if (TkcCustomGridHitTest* hit = cell->GetHitTest(P)) return hit;
  return GetHitTest(P);
}

int TkcCustomGridRowViewInfo::LevelIndentWidth() {
  TkcGridTableViewInfo* info = TableViewInfo();
  return info->VisualLevel(Level) * info->LevelIndent();
}

int TkcCustomGridRowViewInfo::ContentLeft() { return Bounds.left + LevelIndentWidth(); }

bool TkcCustomGridRowViewInfo::IsFocused() {
  TkcCustomDataController* dc = TableView()->DataController();
  if (IsNewItemRow()) return dc->GetNewItemRowFocused();
  return !dc->GetNewItemRowFocused() && dc->GetFocusedRowIndex() == RowIndex;
}

bool TkcCustomGridRowViewInfo::IsSelected() {
  TkcGridTableView* view = TableView();
  if (IsNewItemRow())
    return IsFocused() && (view->DrawRecordFocused() || !view->OptionsSelection()->HideSelection());
  return !view->DataController()->GetNewItemRowFocused() && view->DrawRecordSelected(RowIndex);
}

int TkcCustomGridRowViewInfo::SeparatorWidth() { return HasSeparator() ? RowsViewInfo->SeparatorWidth() : 0; }

TRect TkcCustomGridRowViewInfo::SeparatorBounds() {
  int w = SeparatorWidth();
  return TRect{ContentLeft(), Bounds.bottom - w, Bounds.right, Bounds.bottom};
}

bool TkcCustomGridRowViewInfo::HasLastHorzGridLine() {
  return RowsViewInfo->HasLastHorzGridLine(this) && RowIndex == TableView()->DataController()->GetRowCount() - 1;
}

TRect TkcCustomGridRowViewInfo::LastHorzGridLineBounds() {
  int bottom = Bounds.bottom - SeparatorWidth();
  return TRect{ContentLeft(), bottom - 1, Bounds.right, bottom};
}

void TkcCustomGridRowViewInfo::GetViewParams(TkcVisualParams& P) {
  P = TableView()->Styles()->GetContentParams(RowIndex, nullptr);
}

void TkcCustomGridRowViewInfo::CalculateRow(int ALeft, int ATop) {
  Footers.clear();
  for (int i = 0; i <= Level; ++i)
    if (HasFooter(i)) Footers.push_back(std::make_unique<TkcGridRowFooterViewInfo>(this, i));
  Calculate(ALeft, ATop, RowsViewInfo->Bounds.right - ALeft, CalculateRowHeight() + FootersHeight());
  int top = Bounds.bottom - SeparatorWidth() - FootersHeight();
  for (auto& footer : Footers) {
    footer->CalculateFooter(Bounds.left, top);
    top = footer->Bounds.bottom;
  }
  TkcGridIndicatorViewInfo* indicator = TableViewInfo()->IndicatorViewInfo();
  if (indicator->GetVisible()) {
    delete IndicatorItem;
    indicator->AddItemAt(Bounds.top, Bounds.bottom - Bounds.top, TkcGridIndicatorViewInfo::ikRow, this);
  }
}

void TkcCustomGridRowViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridTableCellViewInfo::InitHitTest(AHitTest);
  static_cast<TkcGridRecordHitTest*>(AHitTest)->RowIndex = RowIndex;
}

void TkcCustomGridRowViewInfo::DoOffset(int DX, int DY) {
  TkcGridTableCellViewInfo::DoOffset(DX, DY);
  for (auto& cell : Cells)
    if (cell) cell->Offset(DX, DY);
  for (auto& footer : Footers) footer->Offset(DX, DY);
  if (IndicatorItem) IndicatorItem->Offset(0, DY);
}

TkcCustomGridHitTest* TkcCustomGridRowViewInfo::GetRowHitTest(const TPoint& P) {
  if (P.y < Bounds.top || P.y >= Bounds.bottom) return nullptr;
  for (auto& footer : Footers)
    if (TkcCustomGridHitTest* hit = footer->GetFooterHitTest(P)) return hit;
  if (P.x >= Bounds.left && P.x < ContentLeft()) {
    auto* hit = GetGridHitTest<TkcGridRowLevelIndentHitTest>(P);
    InitHitTest(hit);
    return hit;
  }
  for (auto& cell : Cells)
    if (cell)
      if (TkcCustomGridHitTest* hit = cell->GetHitTest(P)) return hit;
  return GetHitTest(P);
}

void TkcCustomGridRowViewInfo::PaintLevelIndents(TkcCanvas* ACanvas) {
  // The indents of the row's outer levels in the colour of their groups.
  TkcGridTableViewInfo* info = TableViewInfo();
  int indent = info->LevelIndent();
  for (int level = 0; level < info->VisualLevel(Level); ++level) {
    TRect r{Bounds.left + level * indent, Bounds.top, Bounds.left + (level + 1) * indent, Bounds.bottom};
    ACanvas->FillRect(r, TableView()->Styles()->GetGroupParams(-1, level).Color);
    TableViewInfo()->Painter()->ExcludeFromBackground(r);
  }
}

void TkcCustomGridRowViewInfo::PaintRow(TkcCanvas* ACanvas) {
  PaintLevelIndents(ACanvas);
  for (auto& footer : Footers) footer->PaintFooter(ACanvas);
  if (int w = SeparatorWidth()) {
    TRect r = SeparatorBounds();
    ACanvas->FillRect(r, TableView()->OptionsView()->GetRowSeparatorColor());
    (void)w;
  }
}

void TkcCustomGridRowViewInfo::CollectGridLines(std::vector<POINT>& APoints) {
  if (TableView()->GridLines() == glNone) return;
  for (auto& cell : Cells) {
    if (!cell || !cell->GetVisible()) continue;
    for (TkcBorder side : {bRight, bBottom}) {
      if (!cell->Borders.Contains(side)) continue;
      TRect r;
      cell->GetBorderBounds(side, r);
      AddLine(APoints, r);
    }
  }
  if (HasLastHorzGridLine()) AddLine(APoints, LastHorzGridLineBounds());
}

// ---- Data cells -----------------------------------------------------------------------------

TkcGridDataCellViewInfo::TkcGridDataCellViewInfo(TkcGridDataRowViewInfo* ARow, TkcGridColumn* AColumn, bool AIsLast)
    : TkcGridTableCellViewInfo(ARow->TableViewInfo()), Row(ARow), Column(AColumn), IsLast(AIsLast) {
  if (TkcCustomEditViewData* data = Column->CachedEditViewData()) EditViewInfo.reset(data->CreateViewInfo());
}

TkcGridDataCellViewInfo::~TkcGridDataCellViewInfo() {
  if (MergingCell) std::erase(MergingCell->MergedCells, this);
  for (TkcGridDataCellViewInfo* cell : MergedCells) cell->MergingCell = nullptr;
}

void TkcGridDataCellViewInfo::ResetMerging() {
  bool wasMerging = IsMerging;
  for (TkcGridDataCellViewInfo* cell : MergedCells) cell->MergingCell = nullptr, cell->IsMerged = false;
  MergedCells.clear();
  if (MergingCell) std::erase(MergingCell->MergedCells, this);
  MergingCell = nullptr;
  IsMerged = IsMerging = false;
  if (wasMerging)
    Calculate(UnmergedBounds.left, UnmergedBounds.top, UnmergedBounds.right - UnmergedBounds.left,
              UnmergedBounds.bottom - UnmergedBounds.top);
}

void TkcGridDataCellViewInfo::CalculateMerging(const std::deque<std::unique_ptr<TkcCustomGridRowViewInfo>>& ARows,
                                               size_t AFirst) {
  if (IsMerged || !Column->CanCellMerging() || TableViewInfo()->IsInternalUse()) return;
  TkcCustomEditProperties* properties = Column->GetProperties();
  Variant value = GetDisplayValue();
  for (size_t i = AFirst; i < ARows.size(); ++i) {
    auto* row = dynamic_cast<TkcGridDataRowViewInfo*>(ARows[i].get());
    if (!row) break;
    TkcGridDataCellViewInfo* cell = row->CellOf(Column);
    if (!cell || !Column->CompareValuesForCellMerging(properties, value, cell->Column->GetProperties(),
                                                      cell->GetDisplayValue()))
      break;
    MergedCells.push_back(cell);
    cell->IsMerged = true;
    cell->MergingCell = this;
  }
  if (MergedCells.empty()) return;
  IsMerging = true;
  // The cell grows down to the bottom of the last cell it covers.
  TRect unmerged = UnmergedBounds;
  Calculate(Bounds.left, Bounds.top, Bounds.right - Bounds.left, MergedCells.back()->Bounds.bottom - Bounds.top);
  UnmergedBounds = unmerged;
}

bool TkcGridDataCellViewInfo::HasHitTestPoint(const TPoint& P) {
  if (IsMerging) return PtInRect(&UnmergedBounds, P);
  return TkcGridTableCellViewInfo::HasHitTestPoint(P);
}

int TkcGridDataCellViewInfo::RowIndex() const { return Row->RowIndex; }

Variant TkcGridDataCellViewInfo::GetDisplayValue() {
  TkcCustomDataController* dc = TableView()->DataController();
  int record = Row->RecordIndex();
  TkcCustomEditProperties* properties = Column->GetProperties();
  if ((properties && properties->IsProviderFormatUsed(false)) || Column->OnGetDisplayText)
    return Variant(GetText());
  return dc->GetValue(record, Column->ItemIndex());
}

String TkcGridDataCellViewInfo::GetText() {
  TkcCustomDataController* dc = TableView()->DataController();
  String text = dc->GetDisplayText(Row->RecordIndex(), Column->ItemIndex());
  if (Column->OnGetDisplayText) Column->OnGetDisplayText(Column, RowIndex(), text);
  return text;
}

TAlignment TkcGridDataCellViewInfo::GetAlignmentHorz() {
  if (Column->IsAlignmentAssigned()) return Column->Alignment();
  TkcCustomEditProperties* properties = Column->GetProperties();
  return properties ? properties->Alignment()->Horz() : Column->Alignment();
}

bool TkcGridDataCellViewInfo::GetShowEndEllipsis() { return true; }

void TkcGridDataCellViewInfo::GetViewParams(TkcVisualParams& P) {
  TkcGridTableView* view = TableView();
  Selected = Row->IsSelected();
  // Without inverted selection only the focused cell of the focused row stands out (and the
  // rows a multi-selection holds).
  TkcGridTableOptionsSelection* options = view->OptionsSelection();
  if (Selected && !Row->IsNewItemRow() && Row->IsFocused() && !options->InvertSelect() && options->CellSelect()) {
    TkcCustomDataController* dc = view->DataController();
    TkcGridTableController* controller = view->TableController();
    Selected = !controller || controller->FocusedItem() == Column ||
               (dc->MultiSelect() && dc->IsRowSelected(RowIndex()));
  }
  // Cells selected several at a time: the selected rows' cells in the selected columns.
  if (TkcGridTableController* controller = view->TableController(); controller && options->CellMultiSelect())
    Selected = Selected && !Row->IsNewItemRow() && controller->IsCellSelected(RowIndex(), Column);
  P = view->Styles()->GetDataCellVisualParams(RowIndex(), Column, Selected, view->DrawRecordFocused());
}

int TkcGridDataCellViewInfo::GetMaxLineCount() { return TableView()->OptionsView()->CellTextMaxLineCount(); }

void TkcGridDataCellViewInfo::CalculateEditViewInfo() {
  TkcCustomEditViewData* data = Column->CachedEditViewData();
  if (!data || !EditViewInfo) return;
  TkcEditStyle* style = Column->EditStyle();
  style->SetColor(Params.Color);
  if (Params.Font) style->SetFont(Params.Font);
  style->SetTextColor(Params.TextColor);
  // A cell that shows no buttons gives their room to its text.
  style->SetButtonTransparency(Column->ShowButtons(Row->IsFocused()) ? ebtNone : ebtHideInactive);
  data->InplaceBorderExtent = GetInplaceBorderExtent();
  data->BackgroundColor = static_cast<TColor>(0x20000000);
  data->TextColor = static_cast<TColor>(0x20000000);
  TkcCanvas* canvas = GetCanvas();
  Variant value = GetDisplayValue();
  if (auto* text = dynamic_cast<TkcCustomTextEditViewData*>(data)) {
    text->EndEllipsis = GetShowEndEllipsis();
    text->MaxLineCount = GetMaxLineCount();
    text->SelLength = 0;
    if (auto* info = dynamic_cast<TkcCustomTextEditViewInfo*>(EditViewInfo.get()))
      text->FillViewInfoValue(canvas, value, info);
  }
  EditViewInfo->Transparent = GetTransparent();
  data->Calculate(canvas, ClientBounds(), POINT{-1, -1}, {}, EditViewInfo.get(), false);
}

void TkcGridDataCellViewInfo::AfterCalculateBounds(TRect& R) {
  TkcGridTableCellViewInfo::AfterCalculateBounds(R);
  if (!IsMerging) UnmergedBounds = R;
  CalculateEditViewInfo();
  if (auto* info = dynamic_cast<TkcCustomTextEditViewInfo*>(EditViewInfo.get())) Text = info->Text;
}

void TkcGridDataCellViewInfo::DoOffset(int DX, int DY) {
  TkcGridTableCellViewInfo::DoOffset(DX, DY);
  OffsetRect(&UnmergedBounds, DX, DY);
  if (EditViewInfo) EditViewInfo->OffsetBounds(DX, DY);
}

TkcBorders TkcGridDataCellViewInfo::GetBorders() { return TableViewInfo()->GetCellBorders(IsLast, true); }

TColor TkcGridDataCellViewInfo::GetBorderColor(TkcBorder) { return TableViewInfo()->GridLineColor(); }

void TkcGridDataCellViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridTableCellViewInfo::InitHitTest(AHitTest);
  auto* hit = static_cast<TkcGridRecordCellHitTest*>(AHitTest);
  hit->RowIndex = RowIndex();
  hit->Column = Column;
}

bool TkcGridDataCellViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  return TkcGridTableCellViewInfo::MouseDown(AHitTest, AButton, AShift);
}

namespace {

// Draws the cell through its editor's view info; grid lines are drawn for the whole view.
class TkcGridDataCellPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridDataCellPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override {
    auto* cell = static_cast<TkcGridDataCellViewInfo*>(ViewInfo());
    TkcGridTableView* view = cell->TableView();
    bool done = false;
    if (view->OnCustomDrawCell) view->OnCustomDrawCell(view, Canvas(), cell, done);
    if (done) return;
    if (cell->EditViewInfo) {
      // The editor leaves its in-place border to the cell.
      Canvas()->FillRect(cell->ClientBounds(), cell->Params.Color);
      cell->EditViewInfo->Paint(Canvas());
    } else {
      TkcCustomGridCellPainter::DrawBackground();
      DrawText();
    }
  }
  void DrawBorders() override {}
};

}  // namespace

TkcCustomGridCellPainter* TkcGridDataCellViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridDataCellPainter(ACanvas, this);
}

// ---- Preview --------------------------------------------------------------------------------

int TkcGridPreviewCellViewInfo::PreviewHeight() {
  TkcGridPreview* preview = TableView()->Preview();
  if (preview->MaxLineCount() == 0 && !preview->AutoHeight()) return 0;
  CalculateParamsIfNeeded();
  int lines = std::max(1, preview->MaxLineCount());
  return lines * GridViewInfo()->GetFontHeight(Params.Font) + 4 + TableViewInfo()->GridLineWidth();
}

TkcBorders TkcGridPreviewCellViewInfo::GetBorders() {
  TkcBorders b = TableViewInfo()->GetCellBorders(true, true);
  if (TableView()->Preview()->Place() == ppTop) b.Exclude(bBottom);
  return b;
}

void TkcGridPreviewCellViewInfo::GetViewParams(TkcVisualParams& P) {
  Selected = Row->IsSelected();
  TkcGridTableView* view = TableView();
  P = Selected ? view->Styles()->GetDataCellVisualParams(RowIndex(), Column, true, view->DrawRecordFocused())
               : view->Styles()->GetPreviewParams(RowIndex(), Column);
}

TRect TkcGridPreviewCellViewInfo::GetInplaceBorderExtent() {
  TkcGridPreview* preview = TableView()->Preview();
  return TRect{preview->LeftIndent() - 1, 1, preview->RightIndent() - 1, 1};
}

int TkcGridPreviewCellViewInfo::GetMaxLineCount() { return TableView()->Preview()->MaxLineCount(); }

// ---- Data rows ------------------------------------------------------------------------------

int TkcGridDataRowViewInfo::CalculateRowHeight() {
  int h = RowsViewInfo->DataRowHeight;
  TkcGridTableView* view = TableView();
  if (view->Preview()->Active()) {
    if (!Preview) Preview = std::make_unique<TkcGridPreviewCellViewInfo>(this, view->Preview()->Column(), true);
    h += Preview->PreviewHeight();
  }
  return h + RowsViewInfo->SeparatorWidth();
}

bool TkcGridDataRowViewInfo::CanSize() { return RowsViewInfo->CanDataRowSizing(); }

void TkcGridDataRowViewInfo::SetRowHeight(int AHeight) {
  int extra = (Bounds.bottom - Bounds.top) - CellHeight;
  TableView()->OptionsView()->SetDataRowHeight(AHeight <= 0 ? 0 : std::max(1, AHeight - extra));
}

void TkcGridDataRowViewInfo::CalculateRow(int ALeft, int ATop) {
  TkcCustomGridRowViewInfo::CalculateRow(ALeft, ATop);
  TkcGridTableView* view = TableView();
  int previewHeight = Preview ? Preview->PreviewHeight() : 0;
  bool top = view->Preview()->Place() == ppTop;
  CellsAreaBounds = TRect{ContentLeft() + CellsIndent(), Bounds.top, Bounds.right,
                          Bounds.bottom - SeparatorWidth() - FootersHeight() - DetailsHeight()};
  if (top)
    CellsAreaBounds.top += previewHeight;
  else
    CellsAreaBounds.bottom -= previewHeight;
  if (Preview && previewHeight)
    Preview->Calculate(CellsAreaBounds.left, top ? Bounds.top : CellsAreaBounds.bottom,
                       TableViewInfo()->DataWidth() - (CellsAreaBounds.left - Bounds.left), previewHeight);
  CellHeight = CellsAreaBounds.bottom - CellsAreaBounds.top;
  Cells.clear();
  auto& headers = TableViewInfo()->HeaderViewInfo()->Items;
  int n = static_cast<int>(headers.size());
  for (int i = 0; i < n; ++i) {
    TkcGridColumnHeaderViewInfo* header = headers[static_cast<size_t>(i)].get();
    TRect hb = header->Bounds;
    TRect client = TableViewInfo()->ClientBounds();
    // Only the cells of columns on screen are laid out.
    if (hb.left >= client.right || hb.right <= client.left) {
      Cells.emplace_back();
      continue;
    }
    auto cell = std::make_unique<TkcGridDataCellViewInfo>(this, header->Column, i == n - 1);
    int left = std::max<int>(hb.left, CellsAreaBounds.left);
    cell->Calculate(left, CellsAreaBounds.top, hb.right - left, CellHeight);
    Cells.push_back(std::move(cell));
  }
}

TkcGridDataCellViewInfo* TkcGridDataRowViewInfo::CellOf(TkcGridColumn* AColumn) const {
  for (auto& cell : Cells)
    if (cell && static_cast<TkcGridDataCellViewInfo*>(cell.get())->Column == AColumn)
      return static_cast<TkcGridDataCellViewInfo*>(cell.get());
  return nullptr;
}

void TkcGridDataRowViewInfo::DoOffset(int DX, int DY) {
  TkcCustomGridRowViewInfo::DoOffset(DX, DY);
  OffsetRect(&CellsAreaBounds, DX, DY);
  if (Preview) Preview->Offset(DX, DY);
}

void TkcGridDataRowViewInfo::PaintRow(TkcCanvas* ACanvas) {
  TkcCustomGridPainter* painter = TableViewInfo()->Painter();
  for (auto& cell : Cells)
    if (cell && cell->GetVisible()) {
      cell->Paint(ACanvas);
      painter->ExcludeFromBackground(cell->Bounds);
    }
  if (Preview && Preview->Bounds.bottom > Preview->Bounds.top) {
    Preview->Paint(ACanvas);
    painter->ExcludeFromBackground(Preview->Bounds);
  }
  TkcCustomGridRowViewInfo::PaintRow(ACanvas);
}

TkcCustomGridHitTest* TkcGridDataRowViewInfo::GetRowHitTest(const TPoint& P) {
  if (Preview && Preview->Bounds.bottom > Preview->Bounds.top)
    if (TkcCustomGridHitTest* hit = Preview->GetHitTest(P)) return hit;
  return TkcCustomGridRowViewInfo::GetRowHitTest(P);
}

// ---- New-item row ---------------------------------------------------------------------------

TkcGridNewItemRowViewInfo::TkcGridNewItemRowViewInfo(TkcGridRowsViewInfo* ARows) : TkcGridDataRowViewInfo(ARows, -1) {}

int TkcGridNewItemRowViewInfo::RecordIndex() { return TableView()->DataController()->GetNewItemRowRecordIndex(); }

bool TkcGridNewItemRowViewInfo::ShowInfoText() { return !IsFocused(); }

int TkcGridNewItemRowViewInfo::CalculateRowHeight() {
  return RowsViewInfo->DataRowHeight + TableView()->OptionsView()->NewItemRowSeparatorWidth();
}

TRect TkcGridNewItemRowViewInfo::SeparatorStripBounds() {
  TRect r = Bounds;
  r.top = r.bottom - TableView()->OptionsView()->NewItemRowSeparatorWidth();
  return r;
}

void TkcGridNewItemRowViewInfo::PaintRow(TkcCanvas* ACanvas) {
  TkcGridTableView* view = TableView();
  TRect strip = SeparatorStripBounds();
  if (ShowInfoText()) {
    TRect content{Bounds.left, Bounds.top, Bounds.right, strip.top};
    TkcVisualParams p = view->Styles()->GetVisualParams(gsiNewItemRowInfoText);
    ACanvas->FillRect(content, p.Color);
    if (p.Font) ACanvas->SetFont(p.Font);
    ACanvas->Font()->SetColor(p.TextColor);
    ACanvas->Brush()->SetStyle(bsClear);
    TRect text = content;
    TRect client = TableViewInfo()->ClientBounds();
    text.left = std::max(text.left, client.left);
    text.right = std::min(text.right, client.right);
    ACanvas->DrawText(view->OptionsView()->NewItemRowInfoText(), text, kctfHCenter | kctfVCenter | kctfSingleLine);
    ACanvas->Brush()->SetStyle(bsSolid);
    TableViewInfo()->Painter()->ExcludeFromBackground(content);
  } else {
    TkcGridDataRowViewInfo::PaintRow(ACanvas);
  }
  view->LookAndFeelPainter()->DrawHeader(ACanvas, strip, strip, {}, kcAllBorders, kcbsNormal, taLeftJustify, vaCenter,
                                         false, false, "", nullptr, view->LookAndFeelPainter()->GetHeaderDefaultTextColor(),
                                         view->OptionsView()->GetNewItemRowSeparatorColor());
  TableViewInfo()->Painter()->ExcludeFromBackground(strip);
}

void TkcGridNewItemRowViewInfo::CollectGridLines(std::vector<POINT>& APoints) {
  if (!ShowInfoText()) TkcGridDataRowViewInfo::CollectGridLines(APoints);
}

void TkcGridNewItemRowViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridDataRowViewInfo::InitHitTest(AHitTest);
  if (auto* hit = dynamic_cast<TkcGridRecordHitTest*>(AHitTest)) hit->HitRecordKind = 1;
}

TkcCustomGridHitTest* TkcGridNewItemRowViewInfo::GetRowHitTest(const TPoint& P) {
  if (P.y < Bounds.top || P.y >= Bounds.bottom) return nullptr;
  TkcCustomGridHitTest* hit = ShowInfoText() ? GetHitTest(P) : TkcGridDataRowViewInfo::GetRowHitTest(P);
  if (auto* record = dynamic_cast<TkcGridRecordHitTest*>(hit)) record->HitRecordKind = 1;
  return hit;
}

bool TkcGridNewItemRowViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  // A press on the info text focuses the row, which then shows its cells.
  if (AButton == mbLeft) {
    // Focusing the row lays the view out again, which frees this row's view info.
    TkcGridTableView* view = TableView();
    view->DataController()->SetNewItemRowFocused(true);
    view->LayoutChanged();
    return true;
  }
  return TkcGridDataRowViewInfo::MouseDown(AHitTest, AButton, AShift);
}

// ---- Group rows -----------------------------------------------------------------------------

TkcGridGroupCellViewInfo::TkcGridGroupCellViewInfo(TkcCustomGridRowViewInfo* ARow)
    : TkcGridTableCellViewInfo(ARow->TableViewInfo()), Row(ARow) {}

String TkcGridGroupCellViewInfo::GetText() {
  TkcGridTableView* view = TableView();
  String text = view->GetGroupRowText(Row->RowIndex);
  if (TkcGridColumn* column = view->GetGroupRowColumn(Row->RowIndex); column->OnGetDisplayText)
    column->OnGetDisplayText(column, Row->RowIndex, text);
  return text;
}

TkcAlignmentVert TkcGridGroupCellViewInfo::GetAlignmentVert() {
  return TableView()->OptionsView()->GroupRowStyle() == grsOffice11 ? vaBottom : vaCenter;
}

void TkcGridGroupCellViewInfo::GetViewParams(TkcVisualParams& P) {
  TkcGridTableView* view = TableView();
  if (view->DrawRecordSelected(Row->RowIndex))
    P = view->Styles()->GetDataCellVisualParams(Row->RowIndex, nullptr, true, view->DrawRecordFocused());
  else
    P = view->Styles()->GetGroupParams(Row->RowIndex, -1);
}

TkcBorders TkcGridGroupCellViewInfo::GetBorders() {
  TkcBorders b = TableViewInfo()->GetCellBorders(true, true);
  if (TableView()->OptionsView()->GroupRowStyle() == grsOffice11) b.Include(bBottom);
  return b;
}

int TkcGridGroupCellViewInfo::GetBorderWidth(TkcBorder ASide) {
  return ASide == bBottom && TableView()->OptionsView()->GroupRowStyle() == grsOffice11 ? 2 : 1;
}

TColor TkcGridGroupCellViewInfo::GetBorderColor(TkcBorder ASide) {
  if (ASide == bBottom && TableView()->OptionsView()->GroupRowStyle() == grsOffice11)
    return Office11GroupRowLineColor;
  return TableViewInfo()->GridLineColor();
}

void TkcGridGroupCellViewInfo::GetTextAreaBounds(TRect& R) {
  TkcGridTableCellViewInfo::GetTextAreaBounds(R);
  // Room for the expand button at the left.
  if (static_cast<TkcGridGroupRowViewInfo*>(Row)->CanExpand()) R.left += TableViewInfo()->LevelIndent();
}

void TkcGridGroupCellViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcGridTableCellViewInfo::InitHitTest(AHitTest);
  static_cast<TkcGridRecordHitTest*>(AHitTest)->RowIndex = Row->RowIndex;
}

TkcGridGroupRowViewInfo::TkcGridGroupRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex)
    : TkcCustomGridRowViewInfo(ARows, ARowIndex) {
  Cells.push_back(std::make_unique<TkcGridGroupCellViewInfo>(this));
}

bool TkcGridGroupRowViewInfo::Expanded() { return TableView()->DataController()->GetRowInfo(RowIndex).Expanded; }

void TkcGridGroupRowViewInfo::ToggleExpanded() {
  if (!CanExpand()) return;
  TkcGridTableView* view = TableView();
  // The row view infos go with the relayout the change brings: nothing of this one is used after.
  view->DataController()->Groups()->SetRowExpanded(RowIndex, !Expanded(), false);
}

bool TkcGridGroupRowViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  // The expand button, or a double click on the row, opens or closes the group.
  if (AButton == mbLeft && (dynamic_cast<TkcGridExpandButtonHitTest*>(AHitTest) || AShift.Contains(ssDouble))) {
    ToggleExpanded();
    return false;
  }
  return TkcCustomGridRowViewInfo::MouseDown(AHitTest, AButton, AShift);
}

bool TkcGridGroupCellViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  if (AButton == mbLeft && AShift.Contains(ssDouble)) {
    static_cast<TkcGridGroupRowViewInfo*>(Row)->ToggleExpanded();
    return false;
  }
  return TkcGridTableCellViewInfo::MouseDown(AHitTest, AButton, AShift);
}

bool TkcGridGroupRowViewInfo::HasFooter(int ALevelIndex) {
  // A collapsed group still shows its own footer when footers are always visible.
  if (ALevelIndex == 0 && TableView()->OptionsView()->GroupFooters() == gfAlwaysVisible && !Expanded()) return true;
  return TkcCustomGridRowViewInfo::HasFooter(ALevelIndex);
}

bool TkcGridGroupRowViewInfo::CanExpand() {
  return !TableView()->DataController()->Options().Contains(dcoGroupsAlwaysExpanded);
}

int TkcGridGroupRowViewInfo::CalculateRowHeight() { return RowsViewInfo->GroupRowHeight + SeparatorWidth(); }

bool TkcGridGroupRowViewInfo::CanSize() { return TableView()->OptionsCustomize()->GroupRowSizing(); }

void TkcGridGroupRowViewInfo::SetRowHeight(int AHeight) {
  // The group's own height: what the footers and the separator below it take is not the row's.
  if (AHeight == Bounds.bottom - Bounds.top) return;
  int extra = SeparatorWidth() + FootersHeight();
  TableView()->OptionsView()->SetGroupRowHeight(AHeight <= 0 ? 0 : std::max(1, AHeight - extra));
}

bool TkcGridGroupRowViewInfo::HasSeparator() {
  return TableView()->OptionsView()->GroupRowStyle() != grsOffice11;
}

void TkcGridGroupRowViewInfo::CalculateRow(int ALeft, int ATop) {
  TkcCustomGridRowViewInfo::CalculateRow(ALeft, ATop);
  int left = ContentLeft();
  GroupCell()->Calculate(left, Bounds.top, std::max(0, TableViewInfo()->DataWidth() - (left - Bounds.left)),
                         Bounds.bottom - Bounds.top - SeparatorWidth() - FootersHeight());
  // The expand button sits centred in the level indent at the cell's left.
  TRect client = GroupCell()->ClientBounds();
  if (TableView()->OptionsView()->GroupRowStyle() == grsOffice11)
    client.top = client.bottom - GroupCell()->TextHeightWithOffset();
  int size = GridView()->LookAndFeelPainter()->GetExpandButtonExtent();
  int x = client.left + (TableViewInfo()->LevelIndent() - size) / 2;
  int y = (client.top + client.bottom - size) / 2;
  ExpandButtonBounds = CanExpand() ? TRect{x, y, x + size, y + size} : TRect{};
}

void TkcGridGroupRowViewInfo::DoOffset(int DX, int DY) {
  TkcCustomGridRowViewInfo::DoOffset(DX, DY);
  OffsetRect(&ExpandButtonBounds, DX, DY);
}

void TkcGridGroupRowViewInfo::PaintRow(TkcCanvas* ACanvas) {
  TkcGridTableView* view = TableView();
  TkcGridGroupCellViewInfo* cell = GroupCell();
  bool done = false;
  if (view->OnCustomDrawGroupCell) view->OnCustomDrawGroupCell(view, ACanvas, cell, done);
  if (!done) {
    ACanvas->FillRect(cell->Bounds, cell->Params.Color);
    TRect text;
    cell->GetTextAreaBounds(text);
    if (cell->Params.Font) ACanvas->SetFont(cell->Params.Font);
    ACanvas->Font()->SetColor(cell->Params.TextColor);
    ACanvas->Brush()->SetStyle(bsClear);
    int vert = cell->AlignmentVert == vaBottom ? kctfBottom : kctfVCenter;
    ACanvas->DrawText(cell->Text, text, kctfLeft | vert | kctfSingleLine | kctfEndEllipsis);
    ACanvas->Brush()->SetStyle(bsSolid);
    if (!IsRectEmpty(&ExpandButtonBounds))
      view->LookAndFeelPainter()->PaintExpandButton(ACanvas, ExpandButtonBounds, Expanded());
  }
  TableViewInfo()->Painter()->ExcludeFromBackground(cell->Bounds);
  TkcCustomGridRowViewInfo::PaintRow(ACanvas);
}

TkcCustomGridHitTest* TkcGridGroupRowViewInfo::GetRowHitTest(const TPoint& P) {
  if (PtInRect(&ExpandButtonBounds, P)) {
    auto* hit = GetGridHitTest<TkcGridExpandButtonHitTest>(P);
    InitHitTest(hit);
    return hit;
  }
  return TkcCustomGridRowViewInfo::GetRowHitTest(P);
}

void TkcGridGroupRowViewInfo::CollectGridLines(std::vector<POINT>& APoints) {
  TkcGridGroupCellViewInfo* cell = GroupCell();
  // The Office 11 line under the group is the cell's own thick border, painted with it.
  for (TkcBorder side : {bRight, bBottom}) {
    if (!cell->Borders.Contains(side) || cell->GetBorderWidth(side) != 1) continue;
    TRect r;
    cell->GetBorderBounds(side, r);
    AddLine(APoints, r);
  }
}

// ---- Records area ---------------------------------------------------------------------------

int TkcGridRowsViewInfo::CalculateRowDefaultHeight() {
  TkcGridTableView* view = GridViewInfo->TableView();
  TkcCanvas* canvas = GridViewInfo->Canvas();
  int h = 0;
  if (view->VisibleColumnCount() > 0) {
    for (int i = 0; i < view->VisibleColumnCount(); ++i) {
      TkcGridColumn* c = view->VisibleColumns(i);
      h = std::max(h, c->CalculateDefaultCellHeight(canvas, c->GetContentParams().Font));
    }
  }
  if (h == 0) {
    TkcVisualParams p = view->Styles()->GetContentParams(-1, nullptr);
    if (p.Font) canvas->SetFont(p.Font);
    h = canvas->TextHeight("Qq") + 4;
  }
  TkcGridLines lines = view->GridLines();
  if (lines == glBoth || lines == glHorizontal) h += GridViewInfo->GridLineWidth();
  return h;
}

int TkcGridRowsViewInfo::CalculateGroupRowDefaultHeight() {
  TkcGridTableView* view = GridViewInfo->TableView();
  TkcCanvas* canvas = GridViewInfo->Canvas();
  TkcVisualParams p = view->Styles()->GetGroupParams(-1, 0);
  if (p.Font) canvas->SetFont(p.Font);
  int h = std::max<int>(canvas->TextHeight("Qq"), view->LookAndFeelPainter()->GetExpandButtonExtent()) + 4;
  if (view->OptionsView()->GroupRowStyle() == grsOffice11) return 2 * h + 2;
  TkcGridLines lines = view->GridLines();
  if (lines == glBoth || lines == glHorizontal) h += GridViewInfo->GridLineWidth();
  return h;
}

void TkcGridRowsViewInfo::CalculateConstants() {
  TkcGridTableView* view = GridViewInfo->TableView();
  RowHeight = view->DataRowHeight() ? view->DataRowHeight() : CalculateRowDefaultHeight();
  DataRowHeight = RowHeight;
  GroupRowHeight = view->OptionsView()->GroupRowHeight() ? view->OptionsView()->GroupRowHeight()
                                                         : CalculateGroupRowDefaultHeight();
}

int TkcGridRowsViewInfo::SeparatorWidth() { return GridViewInfo->TableView()->OptionsView()->RowSeparatorWidth(); }

void TkcGridRowsViewInfo::CalculateMerging() {
  TkcGridTableView* view = GridViewInfo->TableView();
  bool any = false;
  for (int i = 0; i < view->VisibleColumnCount(); ++i) any = any || view->VisibleColumns(i)->CanCellMerging();
  if (!any) return;
  for (auto& row : Items)
    if (auto* data = dynamic_cast<TkcGridDataRowViewInfo*>(row.get()))
      for (auto& cell : data->Cells)
        if (cell) static_cast<TkcGridDataCellViewInfo*>(cell.get())->ResetMerging();
  for (size_t i = 0; i < Items.size(); ++i)
    if (auto* data = dynamic_cast<TkcGridDataRowViewInfo*>(Items[i].get()))
      for (auto& cell : data->Cells)
        if (cell) static_cast<TkcGridDataCellViewInfo*>(cell.get())->CalculateMerging(Items, i + 1);
}

bool TkcGridRowsViewInfo::CanDataRowSizing() { return GridViewInfo->TableView()->OptionsCustomize()->DataRowSizing(); }

bool TkcGridRowsViewInfo::HasLastHorzGridLine(TkcCustomGridRowViewInfo* ARow) {
  if (GridViewInfo->TableView()->GridLines() != glVertical) return false;
  return ARow ? ARow->SeparatorWidth() == 0 : SeparatorWidth() == 0;
}

std::unique_ptr<TkcCustomGridRowViewInfo> TkcGridRowsViewInfo::CreateRow(int ARowIndex, int ATop) {
  ++GridViewInfo->fRowsCreated;
  TkcGridTableView* view = GridViewInfo->TableView();
  std::unique_ptr<TkcCustomGridRowViewInfo> row;
  if (view->IsRowGroup(ARowIndex))
    row = std::make_unique<TkcGridGroupRowViewInfo>(this, ARowIndex);
  else if (view->HasVisibleDetails())
    row = std::make_unique<TkcGridMasterDataRowViewInfo>(this, ARowIndex);
  else
    row = std::make_unique<TkcGridDataRowViewInfo>(this, ARowIndex);
  row->CalculateRow(ContentBounds.left, ATop);
  return row;
}

void TkcGridRowsViewInfo::CountVisible() {
  int rowCount = GridViewInfo->TableView()->DataController()->GetRowCount();
  VisibleCount = 0;
  for (auto& row : Items)
    if (row->Bounds.bottom <= ContentBounds.bottom) ++VisibleCount;
  // A row taller than the area still counts as one visible row.
  if (VisibleCount == 0 && !Items.empty() && rowCount > 0) VisibleCount = 1;
}

void TkcGridRowsViewInfo::MainCalculate() {
  Items.clear();
  TkcGridTableView* view = GridViewInfo->TableView();
  CalculateConstants();
  TRect client = GridViewInfo->ClientBounds();
  Bounds = client;
  Bounds.left -= GridViewInfo->LeftPos();
  Bounds.right = Bounds.left + GridViewInfo->DataWidth();
  ContentBounds = Bounds;
  ContentBounds.right = std::max<LONG>(ContentBounds.right, client.right);
  NewItemRow.reset();
  if (view->OptionsView()->NewItemRow()) {
    NewItemRow = std::make_unique<TkcGridNewItemRowViewInfo>(this);
    NewItemRow->CalculateRow(ContentBounds.left, ContentBounds.top);
    ContentBounds.top = NewItemRow->Bounds.bottom;
  }
  int rowCount = view->DataController()->GetRowCount();
  // Rows only while they fit: the cost is per visible row, not per record.
  if (view->VisibleColumnCount() == 0 && view->GroupingItemCount() == 0) {
    VisibleCount = 0;
    return;
  }
  for (int row = view->TopRowIndex(), top = ContentBounds.top; row < rowCount && top < ContentBounds.bottom; ++row) {
    Items.push_back(CreateRow(row, top));
    top = Items.back()->Bounds.bottom;
  }
  CountVisible();
  CalculateMerging();
}

int TkcGridRowsViewInfo::OffsetRecords(int ADelta) {
  TkcGridTableView* view = GridViewInfo->TableView();
  int top = view->TopRowIndex();
  int rowCount = view->DataController()->GetRowCount();
  if (Items.empty() || ADelta == 0 || std::abs(ADelta) >= static_cast<int>(Items.size())) {
    GridViewInfo->Recalculate();
    return 0;
  }
  // Rows still in view move; those that left are dropped; only the uncovered ones are laid out.
  if (ADelta > 0)
    for (int i = 0; i < ADelta; ++i) Items.pop_front();
  else
    for (int i = 0; i < -ADelta; ++i) Items.pop_back();
  TkcCustomGridRowViewInfo* kept = Items.front().get();
  int keptTop = kept->Bounds.top;
  for (int row = Items.front()->RowIndex - 1; row >= top; --row) Items.push_front(CreateRow(row, ContentBounds.top));
  // Each row follows the one above it; moving a laid-out row is an offset, not a new layout.
  for (size_t i = 0; i < Items.size(); ++i) {
    int want = i == 0 ? static_cast<int>(ContentBounds.top) : static_cast<int>(Items[i - 1]->Bounds.bottom);
    if (int d = want - Items[i]->Bounds.top) Items[i]->Offset(0, d);
  }
  int distance = kept->Bounds.top - keptTop;
  while (Items.size() > 1 && Items.back()->Bounds.top >= ContentBounds.bottom) Items.pop_back();
  int next = Items.back()->RowIndex + 1;
  for (int y = Items.back()->Bounds.bottom; next < rowCount && y < ContentBounds.bottom; ++next) {
    Items.push_back(CreateRow(next, y));
    y = Items.back()->Bounds.bottom;
  }
  CountVisible();
  CalculateMerging();
  ItemsOffset = distance;
  return distance;
}

TkcCustomGridRowViewInfo* TkcGridRowsViewInfo::RowByIndex(int ARowIndex) const {
  if (Items.empty()) return nullptr;
  int i = ARowIndex - Items.front()->RowIndex;
  return i >= 0 && i < static_cast<int>(Items.size()) ? Items[static_cast<size_t>(i)].get() : nullptr;
}

TkcCustomGridHitTest* TkcGridRowsViewInfo::GetHitTest(const TPoint& P) {
  if (NewItemRow && P.x < NewItemRow->Bounds.right)
    if (TkcCustomGridHitTest* hit = NewItemRow->GetRowHitTest(P)) return hit;
  if (P.y < ContentBounds.top || P.y >= ContentBounds.bottom) return nullptr;
  // Rows are ordered by their tops: a binary search finds the row under P.
  auto it = std::upper_bound(Items.begin(), Items.end(), P.y,
                             [](int y, const std::unique_ptr<TkcCustomGridRowViewInfo>& r) { return y < r->Bounds.top; });
  if (it == Items.begin()) return nullptr;
  TkcCustomGridRowViewInfo* row = (--it)->get();
  if (P.x >= row->Bounds.right) return nullptr;
  return row->GetRowHitTest(P);
}

void TkcGridRowsViewInfo::Paint(TkcCanvas* ACanvas) {
  if (NewItemRow) NewItemRow->PaintRow(ACanvas);
  for (auto& row : Items) row->PaintRow(ACanvas);
}

// ---- Table view info ------------------------------------------------------------------------

TkcGridTableViewInfo::TkcGridTableViewInfo(TkcCustomGridView* AGridView) : TkcCustomGridViewInfo(AGridView) {}

TkcGridTableViewInfo::~TkcGridTableViewInfo() = default;

TkcGridTableView* TkcGridTableViewInfo::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

void TkcGridTableViewInfo::CreateViewInfos() {
  fParts.clear();
  // Their order is their stacking: the first top part lies outermost.
  fGroupByBox = std::make_unique<TkcGridGroupByBoxViewInfo>(this);
  AddPart(fGroupByBox.get());
  fHeader = std::make_unique<TkcGridHeaderViewInfo>(this);
  AddPart(fHeader.get());
  fFooter = std::make_unique<TkcGridFooterViewInfo>(this);
  AddPart(fFooter.get());
  fIndicator = std::make_unique<TkcGridIndicatorViewInfo>(this);
  fRows = std::make_unique<TkcGridRowsViewInfo>(this);
}

void TkcGridTableViewInfo::DestroyViewInfos(bool) {
  fFilter.reset();
  fNavigatorSite.reset();
  fRows.reset();
  fIndicator.reset();
  fFooter.reset();
  fHeader.reset();
  fGroupByBox.reset();
  fParts.clear();
}

void TkcGridTableViewInfo::ColumnRemoved() {
  if (fRows) {
    fRows->Items.clear();
    fRows->NewItemRow.reset();
  }
  for (TkcCustomGridPartViewInfo* part : fParts)
    if (auto* container = dynamic_cast<TkcGridColumnContainerViewInfo*>(part)) container->Items.clear();
}

int TkcGridTableViewInfo::HeaderHeight() const { return fHeader ? fHeader->Height : 0; }

TRect TkcGridTableViewInfo::HeaderBounds() const { return fHeader ? fHeader->Bounds : TRect{}; }

TColor TkcGridTableViewInfo::GridLineColor() const { return TableView()->OptionsView()->GetGridLineColor(); }

int TkcGridTableViewInfo::VisualLevelCount() {
  TkcGridTableView* view = TableView();
  int n = view->GroupingItemCount();
  if (n > 0 && view->OptionsView()->GroupRowStyle() == grsOffice11) --n;
  // Master rows take one more indent for their expand buttons.
  return view->HasVisibleDetails() ? n + 1 : n;
}

int TkcGridTableViewInfo::VisualLevel(int ALevel) {
  TkcGridTableView* view = TableView();
  if (ALevel != 0 && ALevel == view->GroupingItemCount() && view->OptionsView()->GroupRowStyle() == grsOffice11)
    return ALevel - 1;
  return ALevel;
}

TkcBorders TkcGridTableViewInfo::GetCellBorders(bool AIsRightMost, bool AIsBottom) {
  switch (TableView()->GridLines()) {
    case glBoth: return AIsBottom ? TkcBorders{bRight, bBottom} : TkcBorders{bRight};
    case glVertical: return {bRight};
    case glHorizontal:
      if (!AIsBottom) return AIsRightMost ? TkcBorders{bRight} : TkcBorders{};
      return AIsRightMost ? TkcBorders{bRight, bBottom} : TkcBorders{bBottom};
    default: return {};
  }
}

int TkcGridTableViewInfo::LeftPos() const { return TableView()->LeftPos(); }

int TkcGridTableViewInfo::RowsFitting(int AHeight) const {
  int h = fRows ? fRows->DataRowHeight + fRows->SeparatorWidth() : 0;
  return h > 0 ? std::max(AHeight / h, 0) : 0;
}

TRect TkcGridTableViewInfo::GetPartBounds(TkcCustomGridPartViewInfo* APart) {
  TRect r = Bounds;
  if (!APart->IsFullWidth()) {
    r.left += fIndicator ? fIndicator->Width() : 0;
    if (APart->IsScrollable()) r.left -= LeftPos();
    r.right = r.left + APart->CalculatePartWidth();
  }
  // The filter bar lies inside the group-by box and outside the header and footer.
  if (APart != fGroupByBox.get()) {
    r.top += fFilterTopHeight;
    r.bottom -= fFilterBottomHeight;
  }
  // Parts earlier in the list lie outside this one.
  for (TkcCustomGridPartViewInfo* part : fParts) {
    if (part == APart) break;
    if (part->IsBottom() != APart->IsBottom()) continue;
    if (part->IsBottom())
      r.bottom -= part->Height;
    else
      r.top += part->Height;
  }
  if (APart->IsBottom())
    r.top = r.bottom - APart->Height;
  else
    r.bottom = r.top + APart->Height;
  return r;
}

void TkcGridTableViewInfo::GetClientBounds(TRect& R) {
  R = Bounds;
  for (TkcCustomGridPartViewInfo* part : fParts)
    if (part->IsBottom())
      R.bottom -= part->Height;
    else
      R.top += part->Height;
  R.top += fFilterTopHeight;
  R.bottom -= fFilterBottomHeight;
  if (fIndicator) R.left += fIndicator->Width();
  if (R.bottom < R.top) R.bottom = R.top;
}

void TkcGridTableViewInfo::Calculate() {
  fCalculatingParts = true;
  fLevelIndent = LookAndFeelPainter()->GetExpandButtonExtent() + 2 * ExpandButtonIndent();
  for (TkcCustomGridPartViewInfo* part : fParts) part->Height = 0;
  // Parts in their order; the header's width is the data width the others line up with.
  fGroupByBox->MainCalculate();
  // The filter bar: a full-width strip under the group-by box, or at the very bottom.
  fFilter.reset();
  fFilterTopHeight = fFilterBottomHeight = 0;
  if (auto filter = std::make_unique<TkcGridFilterViewInfo>(this); filter->IsShown()) {
    int h = filter->CalculateHeight();
    if (TableView()->FilterBox()->Position() == fpTop) {
      int top = Bounds.top + fGroupByBox->Height;
      filter->Place(TRect{Bounds.left, top, Bounds.right, top + h});
      fFilterTopHeight = h;
    } else {
      filter->Place(TRect{Bounds.left, Bounds.bottom - h, Bounds.right, Bounds.bottom});
      fFilterBottomHeight = h;
    }
    fFilter = std::move(filter);
  }
  fHeader->MainCalculate();
  if (!fHeader->GetVisible()) fHeader->CalculateLayout();
  fDataWidth = fHeader->CalculatePartWidth();
  fFooter->MainCalculate();
  fCalculatingParts = false;
  // The header's columns were laid out against the client bounds before the footer took its
  // height; their horizontal positions do not depend on it.
  TRect client = ClientBounds();
  fIndicator->Place(Bounds.left, client.top - fHeader->Height,
                    (client.bottom - client.top) + fHeader->Height + fFooter->Height);
  std::vector<TkcCustomGridView*> shownBefore;
  shownBefore.swap(fShownDetails);
  fRows->MainCalculate();
  HideDetailsNotShown(shownBefore);
  CalculateNavigatorSite();
  // Rows of a master view change their heights with their details, which need not change the
  // site's size: all of it is painted anew.
  if (TableView()->HasVisibleDetails() && !IsInternalUse()) Painter()->Invalidate();
}

bool TkcGridTableViewInfo::IsDetailShown(TkcCustomGridView* ADetail) const {
  return std::find(fShownDetails.begin(), fShownDetails.end(), ADetail) != fShownDetails.end();
}

void TkcGridTableViewInfo::HideDetailsNotShown(const std::vector<TkcCustomGridView*>& AShownBefore) {
  // A detail view whose row collapsed or left the view takes its site away; the views are
  // asked again, as a relayout may have freed one.
  TkcGridLevel* level = GridView()->Level();
  if (!level || IsInternalUse()) return;
  for (int i = 0; i < level->Count(); ++i) {
    TkcCustomGridView* pattern = level->Items(i)->GridView();
    if (!pattern) continue;
    for (int c = 0; c < pattern->CloneCount(); ++c) {
      TkcCustomGridView* clone = pattern->Clones(c);
      if (clone->MasterGridView() != GridView() || IsDetailShown(clone)) continue;
      if (std::find(AShownBefore.begin(), AShownBefore.end(), clone) != AShownBefore.end() ||
          (clone->Site() && clone->Site()->Parent() == Site()))
        clone->ViewInfo()->UpdateSite(false);
    }
  }
}

int TkcGridTableViewInfo::GetHeight(const TPoint& AMaxSize, bool& AFullyVisible) {
  AFullyVisible = true;
  if (IsCalculating() || !fRows) return AMaxSize.y;
  // A trial layout in the largest room, kept only for its measures.
  TRect saved = Bounds;
  Bounds = TRect{0, 0, AMaxSize.x, AMaxSize.y};
  std::vector<TkcCustomGridView*> shown = fShownDetails;
  Calculate();
  fShownDetails = shown;
  int rowCount = TableView()->DataController()->GetRowCount();
  TRect client = ClientBounds();
  int bottomParts = Bounds.bottom - client.bottom;
  int used;
  if (fRows->Items.empty()) {
    used = fRows->ContentBounds.top + fRows->DataRowHeight + fRows->SeparatorWidth();
  } else {
    TkcCustomGridRowViewInfo* last = fRows->Items.back().get();
    AFullyVisible = last->RowIndex == rowCount - 1 && last->Bounds.bottom <= fRows->ContentBounds.bottom &&
                    TableView()->TopRowIndex() == 0;
    used = last->Bounds.bottom;
  }
  Bounds = saved;
  if (!AFullyVisible) return AMaxSize.y;
  // The site's border and bars around the client area.
  int extra = 0;
  if (TkcGridSite* site = Site()) {
    TRect outer = site->BoundsRect(), inner = site->GetClientBounds();
    extra = (outer.bottom - outer.top) - (inner.bottom - inner.top);
    if (site->GetHScrollBarVisible()) extra -= GetSystemMetrics(SM_CYHSCROLL);
  }
  return std::min<int>(AMaxSize.y, used + bottomParts + std::max(0, extra));
}

int TkcGridTableViewInfo::NavigatorSiteWidth(int AHeight) {
  if (!TableView()->OptionsView()->Navigator()) return 0;
  return TkcNavigatorSiteViewInfo(this).CalculateWidthFor(AHeight);
}

void TkcGridTableViewInfo::CalculateNavigatorSite() {
  fNavigatorSite.reset();
  TkcGridSite* site = Site();
  if (!TableView()->OptionsView()->Navigator() || !site || !site->GetHScrollBarVisible()) return;
  TRect strip = site->ScrollBarStrip();
  auto navigator = std::make_unique<TkcNavigatorSiteViewInfo>(this);
  int width = std::min<int>(navigator->CalculateWidthFor(strip.bottom - strip.top), strip.right - strip.left);
  navigator->Place(TRect{strip.left, strip.top, strip.left + width, strip.bottom});
  fNavigatorSite = std::move(navigator);
}

int TkcGridTableViewInfo::ScrollRows(int ADelta) {
  // Detail views are child windows a pixel scroll would leave behind.
  if (!IsCalculated() || !fRows || TableView()->HasVisibleDetails()) {
    Recalculate();
    return 0;
  }
  return fRows->OffsetRecords(ADelta);
}

bool TkcGridTableViewInfo::HasNoData() const { return TableView()->DataController()->GetRowCount() == 0; }

bool TkcGridTableViewInfo::CanPixelScroll() {
  TkcGridTableView* view = TableView();
  return !view->Styles()->GetStyleBitmap(gsiContent) && !view->Styles()->GetStyleBitmap(gsiBackground);
}

void TkcGridTableViewInfo::GetVertScrollRects(int ADistance, TRect& AScroll, TRect& AInvalidate) {
  // The rows and their indicator cells move together.
  AScroll = fRows->ContentBounds;
  AScroll.left = Bounds.left;
  AScroll.right = Bounds.right;
  AInvalidate = AScroll;
  if (ADistance < 0)
    AInvalidate.top = std::max<LONG>(AScroll.top, AScroll.bottom + ADistance);
  else if (ADistance > 0)
    AInvalidate.bottom = std::min<LONG>(AScroll.bottom, AScroll.top + ADistance);
}

TkcCustomGridHitTest* TkcGridTableViewInfo::GetDefaultHitTest(const TPoint& P) {
  if (fNavigatorSite && fNavigatorSite->HasPoint(P)) return fNavigatorSite->GetHitTest(P);
  if (fFilter && PtInRect(&fFilter->Bounds, P))
    if (TkcCustomGridHitTest* hit = fFilter->GetHitTestAt(P)) return hit;
  if (PtInRect(&Bounds, P)) {
    if (TkcCustomGridHitTest* hit = fIndicator->GetIndicatorHitTest(P)) return hit;
    for (TkcCustomGridPartViewInfo* part : fParts)
      if (part->Height > 0)
        if (TkcCustomGridHitTest* hit = part->GetPartHitTest(P)) return hit;
    if (TkcCustomGridHitTest* hit = fRows->GetHitTest(P)) return hit;
  }
  return TkcCustomGridViewInfo::GetDefaultHitTest(P);
}

void TkcGridTableViewInfo::PaintCells(TkcCanvas* ACanvas) {
  TkcCustomGridPainter* painter = Painter();
  if (fNavigatorSite) fNavigatorSite->PaintAll(ACanvas);
  if (fFilter) {
    fFilter->PaintAll(ACanvas);
    painter->ExcludeFromBackground(fFilter->Bounds);
  }
  for (TkcCustomGridPartViewInfo* part : fParts)
    if (part->Height > 0 && part->Bounds.right > part->Bounds.left) {
      part->PaintPart(ACanvas);
      painter->ExcludeFromBackground(part->Bounds);
    }
  // The last row may only partly fit: it is cut at the records area, never drawn over the
  // footer or the filter bar below it.
  std::unique_ptr<TkcRegion> clip(ACanvas->GetClipRegion());
  ACanvas->IntersectClipRect(RecordsAreaBounds());
  fRows->Paint(ACanvas);
  // Every grid line of the paint in one call.
  std::vector<POINT> points;
  if (fRows->NewItemRow) fRows->NewItemRow->CollectGridLines(points);
  for (auto& row : fRows->Items) row->CollectGridLines(points);
  if (!points.empty()) {
    std::vector<DWORD> counts(points.size() / 2, 2);
    HDC dc = ACanvas->Handle();
    HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(GridLineColor()));
    HPEN old = SelectObject(dc, pen);
    PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  // The focus frame of the focused row.
  TkcCustomDataController* dc = TableView()->DataController();
  if (TkcCustomGridRowViewInfo* row = RowByIndex(dc->GetFocusedRowIndex());
      row && ACanvas == Canvas() && Site()->Focused() && TableView()->OptionsView()->FocusRect()) {
    TRect r = row->Bounds;
    r.left = row->ContentLeft();
    r.right = std::min<LONG>(r.right, Bounds.left + fIndicator->Width() + fDataWidth);
    if (TableView()->GridLines() != glNone) r.right -= 1;
    if (TableView()->GridLines() == glBoth || TableView()->GridLines() == glHorizontal) r.bottom -= 1;
    r.bottom -= row->SeparatorWidth();
    ACanvas->DrawFocusRect(r);
  }
  ACanvas->SetClipRegion(clip.release(), roSet);
  // Last: columns scrolled to the left slide under it.
  fIndicator->PaintIndicator(ACanvas);
}

TRect TkcGridTableViewInfo::RecordsAreaBounds() {
  return TRect{Bounds.left, fRows->Bounds.top, Bounds.right, fRows->Bounds.bottom};
}

void TkcGridTablePainter::DrawBackground() {
  TkcCustomGridPainter::DrawBackground();
  auto* info = static_cast<TkcGridTableViewInfo*>(PaintViewInfo());
  if (!info->HasNoData()) return;
  TRect r = info->RecordsViewInfo()->ContentBounds;
  TRect client = info->ClientBounds();
  IntersectRect(&r, &r, &client);
  if (IsRectEmpty(&r)) r = client;
  Canvas()->Font()->SetColor(LookAndFeelPainter()->GetContentDefaultTextColor());
  Canvas()->Brush()->SetStyle(bsClear);
  Canvas()->DrawText("<No data to display>", r, kctfHCenter | kctfVCenter | kctfWordBreak);
  Canvas()->Brush()->SetStyle(bsSolid);
}

// ---- Master rows ----------------------------------------------------------------------------

TkcGridDetailsSiteViewInfo::TkcGridDetailsSiteViewInfo(TkcGridMasterDataRowViewInfo* ARow)
    : TkcCustomGridDetailsSiteViewInfo(ARow->TableView()->Level()), fRow(ARow) {}

TkcGridDetailsSiteViewInfo::~TkcGridDetailsSiteViewInfo() {
  // The tabs go with the site: the controller must not keep one as pressed or hot.
  if (TkcCustomGridDetailsSiteTabsViewInfo* tabs = TabsViewInfo())
    if (TkcCustomGridController* controller = fRow->TableView()->Controller())
      for (int i = 0; i < tabs->Count(); ++i) controller->CellRemoved(tabs->Items(i));
}

int TkcGridDetailsSiteViewInfo::GetHeight() {
  if (fHeight < 0) fHeight = CalculateHeight();
  return fHeight;
}

TColor TkcGridDetailsSiteViewInfo::GetBackgroundColor() { return fRow->TableView()->BackgroundColor(); }
TkcCanvas* TkcGridDetailsSiteViewInfo::GetCanvas() { return fRow->TableViewInfo()->Canvas(); }
TkcLookAndFeelPainterClass TkcGridDetailsSiteViewInfo::GetLookAndFeelPainter() {
  return fRow->TableView()->LookAndFeelPainter();
}
int TkcGridDetailsSiteViewInfo::GetMaxHeight() { return Level()->CheckHeight(fRow->RestHeight); }

int TkcGridDetailsSiteViewInfo::GetMaxWidth() {
  TkcGridTableViewInfo* info = fRow->TableViewInfo();
  TRect client = info->ClientBounds();
  return std::max(0, static_cast<int>(client.right - client.left) - fRow->LevelIndentWidth() - info->LevelIndent());
}

TFont* TkcGridDetailsSiteViewInfo::GetFont() { return fRow->TableView()->Font(); }

TkcGridLevel* TkcGridDetailsSiteViewInfo::GetActiveLevel() {
  int index = fRow->TableView()->GetActiveDetailIndex(fRow->RecordIndex());
  return index >= 0 ? Level()->Items(index) : nullptr;
}

TkcCustomGridView* TkcGridDetailsSiteViewInfo::FindActiveGridView() {
  TkcGridTableView* view = fRow->TableView();
  return view->GetDetailView(fRow->RecordIndex(), view->GetActiveDetailIndex(fRow->RecordIndex()));
}

void TkcGridDetailsSiteViewInfo::InitTabHitTest(TkcCustomGridHitTest* AHitTest) {
  auto* hit = static_cast<TkcGridDetailsSiteTabHitTest*>(AHitTest);
  hit->MasterView = fRow->TableView();
  hit->MasterRowIndex = fRow->RowIndex;
}

void TkcGridDetailsSiteViewInfo::ChangeActiveTab(TkcGridLevel* ALevel) {
  // The relayout this brings frees the row and this site: nothing of them is used after.
  TkcGridTableView* view = fRow->TableView();
  int record = fRow->RecordIndex();
  if (ALevel && ALevel->Parent() == Level()) view->DataController()->SetDetailActiveRelationIndex(record, ALevel->Index());
}

TkcGridMasterDataRowViewInfo::TkcGridMasterDataRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex)
    : TkcGridDataRowViewInfo(ARows, ARowIndex) {}

TkcGridMasterDataRowViewInfo::~TkcGridMasterDataRowViewInfo() = default;

bool TkcGridMasterDataRowViewInfo::Expanded() {
  return TableView()->DataController()->IsDetailExpanded(RecordIndex());
}

bool TkcGridMasterDataRowViewInfo::CanExpand() {
  TkcCustomGridRecord* record = TableView()->TableViewData()->RecordAtRow(RowIndex);
  return record && record->GetExpandable();
}

void TkcGridMasterDataRowViewInfo::ToggleExpanded() {
  if (TkcCustomGridRecord* record = TableView()->TableViewData()->RecordAtRow(RowIndex))
    record->SetRowExpanded(!record->GetExpanded());
}

int TkcGridMasterDataRowViewInfo::CellsIndent() { return TableViewInfo()->LevelIndent(); }

int TkcGridMasterDataRowViewInfo::CalculateRowHeight() {
  return TkcGridDataRowViewInfo::CalculateRowHeight() + fDetailsHeight;
}

void TkcGridMasterDataRowViewInfo::CalculateRow(int ALeft, int ATop) {
  fDetailsHeight = 0;
  DetailsSite.reset();
  TkcGridTableView* view = TableView();
  if (Expanded() && view->GetActiveDetailIndex(RecordIndex()) >= 0) {
    RestHeight = std::max(0, static_cast<int>(RowsViewInfo->ContentBounds.bottom) - ATop -
                                 TkcGridDataRowViewInfo::CalculateRowHeight());
    DetailsSite = std::make_unique<TkcGridDetailsSiteViewInfo>(this);
    DetailsSite->Init();
    fDetailsHeight = DetailsSite->GetHeight();
  }
  TkcGridDataRowViewInfo::CalculateRow(ALeft, ATop);
  int indent = TableViewInfo()->LevelIndent();
  int left = ContentLeft();
  int bottom = Bounds.bottom - SeparatorWidth() - FootersHeight();
  ExpandCellBounds = TRect{left, Bounds.top, left + indent, bottom};
  // The button is centred beside the cells (and preview), above the details.
  int size = view->LookAndFeelPainter()->GetExpandButtonExtent();
  int dataBottom = bottom - fDetailsHeight;
  int x = left + (indent - size) / 2, y = (Bounds.top + dataBottom - size) / 2;
  ExpandButtonBounds = CanExpand() ? TRect{x, y, x + size, y + size} : TRect{};
  if (DetailsSite) {
    if (TkcCustomGridView* detail = DetailsSite->GetActiveGridView()) TableViewInfo()->DetailShown(detail);
    DetailsSite->Calculate(left + indent, dataBottom);
  }
}

void TkcGridMasterDataRowViewInfo::DoOffset(int DX, int DY) {
  TkcGridDataRowViewInfo::DoOffset(DX, DY);
  OffsetRect(&ExpandButtonBounds, DX, DY);
  OffsetRect(&ExpandCellBounds, DX, DY);
  if (DetailsSite) OffsetRect(&DetailsSite->Bounds, DX, DY);
}

void TkcGridMasterDataRowViewInfo::PaintRow(TkcCanvas* ACanvas) {
  TkcGridDataRowViewInfo::PaintRow(ACanvas);
  TkcGridTableView* view = TableView();
  TkcCustomGridPainter* painter = TableViewInfo()->Painter();
  CalculateParamsIfNeeded();
  ACanvas->FillRect(ExpandCellBounds, Params.Color);
  if (!IsRectEmpty(&ExpandButtonBounds))
    view->LookAndFeelPainter()->PaintExpandButton(ACanvas, ExpandButtonBounds, Expanded());
  painter->ExcludeFromBackground(ExpandCellBounds);
  if (DetailsSite) {
    // The site fills its frame and tabs and leaves the detail view's window out of the clip.
    painter->ExcludeFromBackground(DetailsSite->Bounds);
    DetailsSite->Paint(ACanvas);
  }
}

TkcCustomGridHitTest* TkcGridMasterDataRowViewInfo::GetRowHitTest(const TPoint& P) {
  if (PtInRect(&ExpandButtonBounds, P)) {
    auto* hit = GetGridHitTest<TkcGridExpandButtonHitTest>(P);
    InitHitTest(hit);
    return hit;
  }
  if (DetailsSite && PtInRect(&DetailsSite->Bounds, P)) {
    if (TkcCustomGridHitTest* hit = DetailsSite->GetHitTest(P)) return hit;
    return GetHitTest(P);
  }
  return TkcGridDataRowViewInfo::GetRowHitTest(P);
}

void TkcGridMasterDataRowViewInfo::CollectGridLines(std::vector<POINT>& APoints) {
  TkcGridDataRowViewInfo::CollectGridLines(APoints);
  // A line closes the expand-button cell and the details under the whole row.
  TkcGridLines lines = TableView()->GridLines();
  if (lines == glBoth || lines == glHorizontal) {
    if (DetailsSite) AddLine(APoints, TRect{ExpandCellBounds.left, ExpandCellBounds.bottom - 1, Bounds.right,
                                            ExpandCellBounds.bottom});
    if (lines == glBoth)
      AddLine(APoints, TRect{ExpandCellBounds.right - 1, ExpandCellBounds.top, ExpandCellBounds.right,
                             ExpandCellBounds.bottom - fDetailsHeight});
  }
}

bool TkcGridMasterDataRowViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton,
                                              TShiftState AShift) {
  if (AButton == mbLeft && dynamic_cast<TkcGridExpandButtonHitTest*>(AHitTest)) {
    ToggleExpanded();
    return false;
  }
  return TkcGridDataRowViewInfo::MouseDown(AHitTest, AButton, AShift);
}

// ---- Drag opening ---------------------------------------------------------------------------

TkcCustomGridDragOpenInfo* TkcGridExpandButtonHitTest::CreateDragOpenInfo() {
  auto* view = dynamic_cast<TkcGridTableView*>(GridView);
  return view && HitRecordKind == 0 ? new TkcGridDragOpenInfoExpand(view, RowIndex) : nullptr;
}

bool TkcGridDragOpenInfoExpand::Equals(TkcCustomGridDragOpenInfo* AInfo) {
  if (!TkcCustomGridDragOpenInfo::Equals(AInfo)) return false;
  auto* info = static_cast<TkcGridDragOpenInfoExpand*>(AInfo);
  return info->GridView == GridView && info->RowIndex == RowIndex;
}

void TkcGridDragOpenInfoExpand::Run() {
  TkcCustomDataController* dc = GridView->DataController();
  if (RowIndex < 0 || RowIndex >= dc->GetRowCount()) return;
  if (GridView->IsRowGroup(RowIndex)) {
    if (!dc->GetRowInfo(RowIndex).Expanded) dc->Groups()->SetRowExpanded(RowIndex, true, false);
  } else if (TkcCustomGridRecord* record = GridView->TableViewData()->RecordAtRow(RowIndex)) {
    record->ExpandRow(false);
  }
}

bool TkcGridDragOpenInfoMasterDataRowTab::Equals(TkcCustomGridDragOpenInfo* AInfo) {
  if (!TkcGridDragOpenInfoTab::Equals(AInfo)) return false;
  auto* info = static_cast<TkcGridDragOpenInfoMasterDataRowTab*>(AInfo);
  return info->GridView == GridView && info->RowIndex == RowIndex;
}

void TkcGridDragOpenInfoMasterDataRowTab::Run() {
  TkcCustomDataController* dc = GridView->DataController();
  if (RowIndex < 0 || RowIndex >= dc->GetRowCount() || Level->Parent() != GridView->Level()) return;
  dc->SetDetailActiveRelationIndex(dc->GetRowInfo(RowIndex).RecordIndex, Level->Index());
}
