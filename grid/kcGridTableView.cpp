#include "grid/kcGridTableView.h"

#include "grid/kcGridFilterBox.h"
#include "grid/kcGridTableController.h"

#include <algorithm>

#include "grid/kcGridFiltering.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableViewData.h"
#include "platform/forms/Clipbrd.h"

// ---- Columns --------------------------------------------------------------------------------

TkcGridColumn::TkcGridColumn(TkcGridTableView* AGridView)
    : fGridView(AGridView),
      fDataBinding(std::make_unique<TkcGridItemDataBinding>(this)),
      fSummary(std::make_unique<TkcGridColumnSummary>(this)) {}

TkcGridColumn::~TkcGridColumn() {
  if (fGridView) fGridView->ColumnRemoved(this);
}

int TkcGridColumn::Index() const { return fGridView->IndexOfColumn(this); }
void TkcGridColumn::SetIndex(int Value) { fGridView->ChangeColumnIndex(this, Value); }
int TkcGridColumn::VisibleIndex() const { return fGridView->VisibleIndexOfColumn(this); }

int TkcGridColumn::ItemIndex() const {
  return fGridView->DataController()->GetItemIndexOfField(
      fGridView->DataController()->GetFieldByItem(const_cast<TkcGridColumn*>(this)));
}

void TkcGridColumn::SetCaption(const String& Value) {
  if (Value == fCaption) return;
  fCaption = Value;
  fIsCaptionAssigned = true;
  fGridView->Changed(vckLayout);
}

void TkcGridColumn::SetWidth(int Value) {
  Value = std::max(Value, fMinWidth);
  if (Value == fWidth) return;
  fWidth = Value;
  fGridView->Changed(vckSize);
}

void TkcGridColumn::SetMinWidth(int Value) {
  fMinWidth = std::max(0, Value);
  if (fWidth < fMinWidth) fWidth = fMinWidth;
  fGridView->Changed(vckSize);
}

void TkcGridColumn::SetVisible(bool Value) {
  if (fVisible == Value) return;
  fVisible = Value;
  fGridView->RefreshVisibleColumns();
  fGridView->Changed(vckSize);
}

void TkcGridColumn::SetAlignment(TAlignment Value) {
  fAlignment = Value;
  fGridView->Changed(vckLayout);
}

TkcDataSortOrder TkcGridColumn::SortOrder() const { return fGridView->DataController()->GetItemSortOrder(ItemIndex()); }
void TkcGridColumn::SetSortOrder(TkcDataSortOrder Value) {
  fGridView->DataController()->SetItemSortOrder(ItemIndex(), Value);
}
int TkcGridColumn::GroupIndex() const { return fGridView->DataController()->Groups()->GetItemGroupIndex(ItemIndex()); }
void TkcGridColumn::SetGroupIndex(int Value) {
  fGridView->DataController()->Groups()->SetItemGroupIndex(ItemIndex(), Value);
}

void TkcGridColumn::SetValueTypeClass(TkcValueTypeClass Value) {
  fGridView->DataController()->ChangeValueTypeClass(ItemIndex(), Value);
}

TkcVisualParams TkcGridColumn::GetContentParams() {
  TkcVisualParams p;
  TkcLookAndFeelPainterClass painter = fGridView->LookAndFeelPainter();
  p.Color = Style.Color != clDefault                     ? Style.Color
            : fGridView->ContentStyle.Color != clDefault ? fGridView->ContentStyle.Color
                                                         : painter->GetContentDefaultColor();
  p.TextColor = Style.TextColor != clDefault                     ? Style.TextColor
                : fGridView->ContentStyle.TextColor != clDefault ? fGridView->ContentStyle.TextColor
                                                                 : painter->GetContentDefaultTextColor();
  p.Font = fGridView->Font();
  return p;
}

int TkcGridColumn::GetBestFitWidth() {
  TkcCanvas* canvas = fGridView->ViewInfo()->Canvas();
  if (TFont* font = fGridView->Font()) canvas->SetFont(font);
  int header = canvas->TextWidth(Caption()) + 4 + 2 * fGridView->LookAndFeelPainter()->GetHeaderBorderWidth();
  int widest = 0;
  TkcCustomDataController* dc = fGridView->DataController();
  int item = ItemIndex();
  int levels = dc->Groups()->GetGroupingItemCount();
  for (int row = 0, n = dc->GetRowCount(); row < n; ++row) {
    TkcRowInfo info = dc->GetRowInfo(row);
    if (info.Level < levels) continue;
    widest = std::max(widest, canvas->TextWidth(dc->GetDisplayText(info.RecordIndex, item)));
  }
  // The cell's text offsets and its right grid line.
  return std::max({header, widest + 4 + 1, fMinWidth});
}

// ---- View -----------------------------------------------------------------------------------

TkcCustomGridViewData* TkcGridTableView::CreateViewData() { return new TkcCustomGridTableViewData(this); }

TkcCustomGridTableViewData* TkcGridTableView::TableViewData() const {
  return static_cast<TkcCustomGridTableViewData*>(ViewData());
}

TkcGridTableController* TkcGridTableView::TableController() const {
  return static_cast<TkcGridTableController*>(Controller());
}

TkcCustomGridController* TkcGridTableView::CreateController() { return new TkcGridTableController(this); }

TkcGridTableView::TkcGridTableView(TComponent* AOwner) : TkcGridTableView(AOwner, nullptr) {}

TkcGridTableView::TkcGridTableView(TComponent* AOwner, TkcCustomDataController* ADataController)
    : TkcCustomGridView(AOwner),
      fDataController(ADataController ? ADataController : new TkcGridDataController(this)),
      fFiltering(std::make_unique<TkcGridTableFiltering>(this)),
      fFilterBox(std::make_unique<TkcGridFilterBox>(this)) {}

TkcGridTableView::~TkcGridTableView() {
  Detach();
  fClearing = true;
  for (TkcGridColumn* c : fColumns) {
    c->fGridView = nullptr;
    delete c;
  }
  fColumns.clear();
  fVisibleColumns.clear();
}

TkcGridColumn* TkcGridTableView::CreateColumn() {
  TkcGridColumn* column = NewColumn();
  column->fID = fNextID++;
  fColumns.push_back(column);
  fDataController->AddItem(column);
  // Any value until a type is chosen: the column shows what it is given.
  fDataController->ChangeValueTypeClass(fDataController->GetItemCount() - 1, TkcVariantValueType::Class());
  RefreshVisibleColumns();
  Changed(vckSize);
  return column;
}

void TkcGridTableView::ColumnRemoved(TkcGridColumn* AColumn) {
  if (fClearing) return;
  if (Controller()) TableController()->ItemRemoved(AColumn);
  if (AColumn->fID == fNextID - 1) --fNextID;
  std::erase(fColumns, AColumn);
  // Before the data controller's change notice lays the view out again.
  RefreshVisibleColumns();
  fDataController->RemoveItem(AColumn);
  // Its conditions went from every history entry; those left empty go too.
  fFiltering->MRUItems()->DeleteEmptyItems();
  Changed(vckSize);
}

void TkcGridTableView::ClearItems() {
  BeginUpdate();
  fDataController->BeginUpdate();
  while (!fColumns.empty()) delete fColumns.back();
  fNextID = 0;
  fDataController->EndUpdate();
  EndUpdate();
}

int TkcGridTableView::IndexOfColumn(const TkcGridColumn* AColumn) const {
  auto it = std::find(fColumns.begin(), fColumns.end(), AColumn);
  return it == fColumns.end() ? -1 : static_cast<int>(it - fColumns.begin());
}

int TkcGridTableView::VisibleIndexOfColumn(const TkcGridColumn* AColumn) const {
  auto it = std::find(fVisibleColumns.begin(), fVisibleColumns.end(), AColumn);
  return it == fVisibleColumns.end() ? -1 : static_cast<int>(it - fVisibleColumns.begin());
}

void TkcGridTableView::ChangeColumnIndex(TkcGridColumn* AColumn, int AIndex) {
  int old = IndexOfColumn(AColumn);
  if (old < 0) return;
  AIndex = std::clamp(AIndex, 0, ColumnCount() - 1);
  if (AIndex == old) return;
  fColumns.erase(fColumns.begin() + old);
  fColumns.insert(fColumns.begin() + AIndex, AColumn);
  RefreshVisibleColumns();
  Changed(vckSize);
}

TkcGridColumn* TkcGridTableView::FindColumnByID(int AID) const {
  for (TkcGridColumn* c : fColumns)
    if (c->fID == AID) return c;
  return nullptr;
}

void TkcGridTableView::RefreshVisibleColumns() {
  fVisibleColumns.clear();
  for (TkcGridColumn* c : fColumns)
    if (c->fVisible) fVisibleColumns.push_back(c);
  if (Controller()) Controller()->RefreshCustomizationFormItems();
}

int TkcGridTableView::LeftPos() const { return Controller() ? TableController()->LeftPos() : 0; }

void TkcGridTableView::SetOptionsSelection(const TkcGridTableOptionsSelection& Value) {
  fOptionsSelection = Value;
  fDataController->SetMultiSelect(Value.MultiSelect);
  LayoutChanged();
}

void TkcGridTableView::SetShowHeader(bool Value) {
  fShowHeader = Value;
  Changed(vckSize);
}
void TkcGridTableView::SetGridLines(TkcGridLines Value) {
  fGridLines = Value;
  Changed(vckSize);
}
void TkcGridTableView::SetGridLineColor(TColor Value) {
  fGridLineColor = Value;
  Changed(vckProperty);
}
void TkcGridTableView::SetDataRowHeight(int Value) {
  fDataRowHeight = std::max(0, Value);
  Changed(vckSize);
}
void TkcGridTableView::SetHeaderHeight(int Value) {
  fHeaderHeight = std::max(0, Value);
  Changed(vckSize);
}

int TkcGridTableView::MaxTopRowIndex() const {
  int visible =
      TableViewInfo()->RowsFitting(TableViewInfo()->RecordsBounds().bottom - TableViewInfo()->RecordsBounds().top);
  return std::max(0, fDataController->GetRowCount() - std::max(visible, 1));
}

void TkcGridTableView::SetTopRowIndex(int Value) {
  Value = std::clamp(Value, 0, MaxTopRowIndex());
  if (Value == fTopRowIndex) return;
  int delta = Value - fTopRowIndex;
  fTopRowIndex = Value;
  TkcGridTableViewInfo* info = TableViewInfo();
  if (!info->IsCalculated() || IsUpdateLocked()) {
    LayoutChanged();
    return;
  }
  info->ScrollRows(delta);
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) {
    TRect r = info->RecordsBounds();
    if (std::abs(delta) < info->PartVisibleRowCount())
      site->ScrollWindow(0, -delta * info->RowHeight(), r);
    else
      site->InvalidateRect(r, false);
    site->UpdateScrollBars();
  }
}

String TkcGridTableView::GetGroupRowText(int ARowIndex) {
  TkcRowInfo info = fDataController->GetRowInfo(ARowIndex);
  int item = fDataController->Groups()->GetGroupingItemIndex(info.Level);
  auto* column = static_cast<TkcGridColumn*>(fDataController->GetItem(item));
  return column->Caption() + " : " + fDataController->GetDisplayText(info.RecordIndex, item);
}

String TkcGridTableView::GetCopyText(bool AWithCaptions, bool ASelectedOnly) {
  if (fVisibleColumns.empty()) return AWithCaptions ? "\r\n" : "";
  String text;
  std::vector<int> items;
  for (TkcGridColumn* c : fVisibleColumns) items.push_back(c->ItemIndex());
  if (AWithCaptions) {
    for (size_t i = 0; i < fVisibleColumns.size(); ++i) {
      if (i) text += '\t';
      text += fVisibleColumns[i]->Caption();
    }
    text += "\r\n";
  }
  int levels = fDataController->Groups()->GetGroupingItemCount();
  bool first = true;
  // Rows are separated by count, never by what their texts end with, so an empty first row or
  // a text ending in a line break keeps every row apart.
  fDataController->ForEachRow(ASelectedOnly, [&](int ARowIndex, const TkcRowInfo& AInfo) {
    if (!first) text += "\r\n";
    first = false;
    if (AInfo.Level < levels) {
      text += GetGroupRowText(ARowIndex);
      return;
    }
    for (size_t i = 0; i < items.size(); ++i) {
      if (i) text += '\t';
      text += fDataController->GetDisplayText(AInfo.RecordIndex, items[i]);
    }
  });
  return text;
}

void TkcGridTableView::CopyToClipboard(bool AWithCaptions, bool ASelectedOnly) {
  Clipboard()->SetAsText(GetCopyText(AWithCaptions, ASelectedOnly));
}

void TkcGridTableView::DataControllerChanged(TkcUpdateControlInfo* AInfo) {
  if (auto* focus = dynamic_cast<TkcFocusedRecordChangedInfo*>(AInfo))
    Changed(new TkcGridFocusedRecordChange(this, focus->NewItemRowFocusingChanged, focus->FocusedRowIndex,
                                           focus->PrevFocusedRowIndex));
  if (dynamic_cast<TkcFocusedRowChangedInfo*>(AInfo) || dynamic_cast<TkcFocusedRecordChangedInfo*>(AInfo) ||
      dynamic_cast<TkcSelectionChangedInfo*>(AInfo)) {
    // The colours of the rows come with their layout, which covers only the visible rows.
    LayoutChanged();
    return;
  }
  fTopRowIndex = std::clamp(fTopRowIndex, 0, std::max(0, fDataController->GetRowCount() - 1));
  Changed(new TkcGridDataChange(this));
}

// ---- Cells ----------------------------------------------------------------------------------

namespace {

TkcGridTableView* TableOf(TkcCustomGridViewInfo* AInfo) { return static_cast<TkcGridTableView*>(AInfo->GridView()); }

class TkcGridColumnHeaderPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridColumnHeaderPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void Paint() override {
    auto* header = static_cast<TkcGridColumnHeaderViewInfo*>(ViewInfo());
    TkcLookAndFeelPainterClass painter = header->GridView()->LookAndFeelPainter();
    TRect text;
    header->GetTextAreaBounds(text);
    TkcDataSortOrder order = header->Column->SortOrder();
    TRect mark{};
    if (order != soNone) {
      TSize area = painter->GetSortingMarkAreaSize();
      text.right -= area.cx;
      mark = TRect{text.right, (header->Bounds.top + header->Bounds.bottom - area.cy) / 2, text.right + area.cx, 0};
      mark.bottom = mark.top + area.cy;
    }
    bool filterButton = header->IsFilterButtonVisible();
    TRect button = header->FilterButtonBounds();
    if (filterButton) {
      text.right = std::min(text.right, button.left);
      if (order != soNone) OffsetRect(&mark, button.left - mark.right, 0);
    }
    painter->DrawHeader(Canvas(), header->Bounds, text, {}, painter->GetHeaderBorders({}), header->ButtonState(),
                        header->AlignmentHorz, header->AlignmentVert, false, true, header->Text, header->Params.Font,
                        header->Params.TextColor, header->Params.Color, nullptr, header->IsLast);
    if (order != soNone) painter->DrawSortingMark(Canvas(), mark, order == soAscending);
    if (filterButton)
      painter->DrawFilterDropDownButton(Canvas(), button, kcbsNormal,
                                        TableOf(header->GridViewInfo())->DataController()->Filter()->FindItemByItemLink(header->Column));
  }
  bool ExcludeFromClipRect() override { return false; }
};

class TkcGridDataCellPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TkcGridDataCellPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  // Grid lines are drawn for the whole view in one call.
  void DrawBorders() override {}
};

}  // namespace

TkcCustomGridCellPainter* TkcGridColumnHeaderViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridColumnHeaderPainter(ACanvas, this);
}

void TkcGridColumnHeaderViewInfo::GetViewParams(TkcVisualParams& P) {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  P.Color = painter->GetHeaderDefaultColor();
  P.TextColor = painter->GetHeaderDefaultTextColor();
  P.Font = GridView()->Font();
}

void TkcGridColumnHeaderViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridViewCellViewInfo::InitHitTest(AHitTest);
  static_cast<TkcCustomGridColumnHitTest*>(AHitTest)->Column = Column;
}

TRect TkcGridColumnHeaderViewInfo::FilterButtonBounds() {
  if (!TableOf(GridViewInfo())->OptionsCustomize.ColumnFiltering) return {};
  int w = GridView()->LookAndFeelPainter()->GetFilterDropDownButtonExtent().cx;
  // A header too narrow for the button and some text shows none, so it can still sort.
  if (Bounds.right - Bounds.left < 2 * (w + 4)) return {};
  return TRect{Bounds.right - 4 - w, Bounds.top + 1, Bounds.right - 4, Bounds.bottom - 1};
}

bool TkcGridColumnHeaderViewInfo::IsFilterButtonVisible() {
  TRect button = FilterButtonBounds();
  if (IsRectEmpty(&button)) return false;
  return State() != gcsNormal || TableOf(GridViewInfo())->DataController()->Filter()->FindItemByItemLink(Column) != nullptr;
}

TkcCustomGridHitTest* TkcGridColumnHeaderViewInfo::GetHitTestAt(const TPoint& P) {
  // The sizing edge straddles the right border: 4 pixels on each side.
  if (P.y >= Bounds.top && P.y < Bounds.bottom && P.x >= Bounds.right - 4 && P.x < Bounds.right + 4) {
    auto* hit = GetGridHitTest<TkcGridColumnHeaderHorzSizingEdgeHitTest>(P);
    InitHitTest(hit);
    return hit;
  }
  TRect button = FilterButtonBounds();
  if (IsFilterButtonVisible() && PtInRect(&button, P)) {
    auto* hit = GetGridHitTest<TkcGridColumnHeaderFilterButtonHitTest>(P);
    InitHitTest(hit);
    return hit;
  }
  return GetHitTest(P);
}

void TkcGridColumnHeaderViewInfo::Click() {
  static_cast<TkcGridTableController*>(GridViewInfo()->Controller())->HeaderClicked(Column, GetShiftState());
}

String TkcGridDataCellViewInfo::GetText() {
  TkcCustomDataController* dc = TableOf(GridViewInfo())->DataController();
  return dc->GetDisplayText(dc->GetRowInfo(RowIndex).RecordIndex, Column->ItemIndex());
}

void TkcGridDataCellViewInfo::GetViewParams(TkcVisualParams& P) {
  P = Column->GetContentParams();
  TkcCustomDataController* dc = TableOf(GridViewInfo())->DataController();
  TkcGridTableView* view = TableOf(GridViewInfo());
  bool focusedRow = dc->GetFocusedRowIndex() == RowIndex;
  const TkcGridTableOptionsSelection& options = view->OptionsSelection();
  // Without inverted selection only the focused cell of the focused row stands out.
  bool focusedCell = focusedRow && (options.InvertSelect || !options.CellSelect || !view->TableController() ||
                                    view->TableController()->FocusedItem() == Column);
  if (focusedCell || (dc->MultiSelect() && dc->IsRowSelected(RowIndex))) {
    P.Color = clHighlight;
    P.TextColor = clHighlightText;
  }
}

TkcBorders TkcGridDataCellViewInfo::GetBorders() {
  switch (TableOf(GridViewInfo())->GridLines()) {
    case glBoth: return {bRight, bBottom};
    case glVertical: return {bRight};
    case glHorizontal: return fIsLast ? TkcBorders{bRight, bBottom} : TkcBorders{bBottom};
    default: return {};
  }
}

TColor TkcGridDataCellViewInfo::GetBorderColor(TkcBorder) {
  TColor c = TableOf(GridViewInfo())->GridLineColor();
  return c != clDefault ? c : GridView()->LookAndFeelPainter()->GetGridLineDefaultColor();
}

void TkcGridDataCellViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridViewCellViewInfo::InitHitTest(AHitTest);
  auto* hit = static_cast<TkcGridRecordCellHitTest*>(AHitTest);
  hit->RowIndex = RowIndex;
  hit->Column = Column;
}

TkcCustomGridCellPainter* TkcGridDataCellViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcGridDataCellPainter(ACanvas, this);
}

void TkcGridRowViewInfo::Offset(int DY) {
  OffsetRect(&Bounds, 0, DY);
  for (auto& cell : Cells) cell->Offset(0, DY);
}

// ---- Table view info ------------------------------------------------------------------------

TkcGridTableView* TkcGridTableViewInfo::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

TkcGridTableViewInfo::TkcGridTableViewInfo(TkcCustomGridView* AGridView) : TkcCustomGridViewInfo(AGridView) {}

TkcGridTableViewInfo::~TkcGridTableViewInfo() = default;

void TkcGridTableViewInfo::DestroyViewInfos(bool) {
  fRows.clear();
  fHeaders.clear();
  fFilter.reset();
}

void TkcGridTableViewInfo::CalculateRowHeight() {
  TkcGridTableView* view = TableView();
  int th = GetFontHeight(view->Font());
  TkcLookAndFeelPainterClass painter = LookAndFeelPainter();
  fHeaderHeight = !view->ShowHeader() ? 0 : view->HeaderHeight() ? view->HeaderHeight() : painter->GetHeaderHeight(th);
  if (view->DataRowHeight()) {
    fRowHeight = view->DataRowHeight();
  } else {
    fRowHeight = th + 4;
    if (view->GridLines() == glBoth || view->GridLines() == glHorizontal) ++fRowHeight;
  }
}

std::unique_ptr<TkcGridRowViewInfo> TkcGridTableViewInfo::CreateRow(int ARowIndex, int ATop) {
  ++fRowsCreated;
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = view->DataController();
  auto row = std::make_unique<TkcGridRowViewInfo>();
  row->RowIndex = ARowIndex;
  row->Bounds = TRect{fRecordsBounds.left - view->LeftPos(), ATop, fRecordsBounds.left - view->LeftPos() + fDataWidth,
                      ATop + fRowHeight};
  int levels = dc->Groups()->GetGroupingItemCount();
  TkcRowInfo info = dc->GetRowInfo(ARowIndex);
  int indent = 17 * levels;
  if (info.Level < levels) {
    row->IsGroup = true;
    // A group row is one data-cell-shaped strip with the group's text, indented by its level.
    auto cell = std::make_unique<TkcGridDataCellViewInfo>(this, ARowIndex, view->VisibleColumns(0), true);
    cell->Calculate(row->Bounds.left + 17 * info.Level, ATop, fDataWidth - 17 * info.Level, fRowHeight);
    cell->Text = view->GetGroupRowText(ARowIndex);
    cell->Params.Color = LookAndFeelPainter()->GetGroupDefaultColor();
    cell->Params.TextColor = LookAndFeelPainter()->GetGroupDefaultTextColor();
    row->Cells.push_back(std::move(cell));
    return row;
  }
  int x = fRecordsBounds.left - view->LeftPos();
  for (int i = 0, n = view->VisibleColumnCount(); i < n; ++i) {
    TkcGridColumn* column = view->VisibleColumns(i);
    int w = column->Width() + (i == 0 ? indent : 0);
    auto cell = std::make_unique<TkcGridDataCellViewInfo>(this, ARowIndex, column, i == n - 1);
    cell->Calculate(x + (i == 0 ? indent : 0), ATop, w - (i == 0 ? indent : 0), fRowHeight);
    row->Cells.push_back(std::move(cell));
    x += w;
  }
  return row;
}

void TkcGridTableViewInfo::Calculate() {
  TkcGridTableView* view = TableView();
  fRows.clear();
  fHeaders.clear();
  fFilter.reset();
  CalculateRowHeight();
  TRect client = ClientBounds();
  // The filter bar takes a full-width strip at the top or the bottom.
  if (auto filter = std::make_unique<TkcGridFilterViewInfo>(this); filter->IsShown()) {
    int h = filter->CalculateHeight();
    bool top = view->FilterBox()->Position() == fpTop;
    filter->Place(top ? TRect{client.left, client.top, client.right, client.top + h}
                      : TRect{client.left, client.bottom - h, client.right, client.bottom});
    (top ? client.top : client.bottom) += top ? h : -h;
    fFilter = std::move(filter);
  }
  int levels = view->DataController()->Groups()->GetGroupingItemCount();
  // The header: column headers side by side; the first takes the group levels' indent.
  fHeaderBounds = TRect{client.left, client.top, client.right, client.top + fHeaderHeight};
  // Header and rows scroll sideways together.
  int x = client.left - view->LeftPos();
  for (int i = 0, n = view->VisibleColumnCount(); i < n; ++i) {
    TkcGridColumn* column = view->VisibleColumns(i);
    int w = column->Width() + (i == 0 ? 17 * levels : 0);
    auto header = std::make_unique<TkcGridColumnHeaderViewInfo>(this, column);
    header->IsLast = i == n - 1;
    header->Calculate(x, fHeaderBounds.top, w, fHeaderHeight);
    header->Visible = view->ShowHeader();
    fHeaders.push_back(std::move(header));
    x += w;
  }
  fDataWidth = x - client.left + view->LeftPos();
  fRecordsBounds = TRect{client.left, fHeaderBounds.bottom, client.right, client.bottom};
  // Rows only while they fit: the cost is per visible row, not per record.
  int rowCount = view->DataController()->GetRowCount();
  int avail = fRecordsBounds.bottom - fRecordsBounds.top;
  fVisibleRowCount = std::min(RowsFitting(avail), std::max(0, rowCount - view->TopRowIndex()));
  if (view->VisibleColumnCount() == 0) return;
  for (int row = view->TopRowIndex(), top = fRecordsBounds.top; row < rowCount && top < fRecordsBounds.bottom;
       ++row, top += fRowHeight)
    fRows.push_back(CreateRow(row, top));
  if (fVisibleRowCount == 0 && !fRows.empty()) fVisibleRowCount = 1;
}

void TkcGridTableViewInfo::ScrollRows(int ADelta) {
  TkcGridTableView* view = TableView();
  if (!IsCalculated() || view->VisibleColumnCount() == 0 || std::abs(ADelta) >= static_cast<int>(fRows.size()) + 1) {
    Recalculate();
    return;
  }
  int dy = -ADelta * fRowHeight;
  // Rows still in view move; those that left are dropped; only the uncovered ones are laid out.
  if (ADelta > 0)
    for (int i = 0; i < ADelta && !fRows.empty(); ++i) fRows.pop_front();
  else
    for (int i = 0; i < -ADelta && !fRows.empty(); ++i) fRows.pop_back();
  for (auto& row : fRows) row->Offset(dy);
  int rowCount = view->DataController()->GetRowCount();
  int top = view->TopRowIndex();
  for (int row = fRows.empty() ? top : fRows.front()->RowIndex - 1; row >= top; --row)
    fRows.push_front(CreateRow(row, fRecordsBounds.top + (row - top) * fRowHeight));
  int next = fRows.empty() ? top : fRows.back()->RowIndex + 1;
  for (int y = fRecordsBounds.top + (next - top) * fRowHeight; next < rowCount && y < fRecordsBounds.bottom;
       ++next, y += fRowHeight)
    fRows.push_back(CreateRow(next, y));
  while (!fRows.empty() && fRows.back()->Bounds.top >= fRecordsBounds.bottom) fRows.pop_back();
  fVisibleRowCount = std::min(RowsFitting(fRecordsBounds.bottom - fRecordsBounds.top), std::max(0, rowCount - top));
}

TkcGridRowViewInfo* TkcGridTableViewInfo::RowByIndex(int ARowIndex) const {
  if (fRows.empty()) return nullptr;
  int i = ARowIndex - fRows.front()->RowIndex;
  return i >= 0 && i < static_cast<int>(fRows.size()) ? fRows[static_cast<size_t>(i)].get() : nullptr;
}

bool TkcGridTableViewInfo::HasNoData() const { return TableView()->DataController()->GetRowCount() == 0; }

TkcCustomGridHitTest* TkcGridTableViewInfo::GetDefaultHitTest(const TPoint& P) {
  if (fFilter && PtInRect(&fFilter->Bounds, P))
    if (TkcCustomGridHitTest* hit = fFilter->GetHitTestAt(P)) return hit;
  if (PtInRect(&fHeaderBounds, P)) {
    for (auto& header : fHeaders)
      if (TkcCustomGridHitTest* hit = header->GetHitTestAt(P)) return hit;
    auto* hit = GetGridHitTest<TkcGridHeaderHitTest>(P);
    hit->SetViewInfo(nullptr);
    hit->GridView = GridView();
    return hit;
  }
  if (!fRows.empty() && P.y >= fRecordsBounds.top) {
    int i = (P.y - fRecordsBounds.top) / std::max(fRowHeight, 1);
    if (i < static_cast<int>(fRows.size()))
      for (auto& cell : fRows[static_cast<size_t>(i)]->Cells)
        if (TkcCustomGridHitTest* hit = cell->GetHitTest(P)) return hit;
  }
  return TkcCustomGridViewInfo::GetDefaultHitTest(P);
}

void TkcGridTableViewInfo::CollectGridLines(std::vector<POINT>& APoints) {
  TkcGridLines lines = TableView()->GridLines();
  for (auto& row : fRows)
    for (auto& cell : row->Cells)
      for (TkcBorder side : {bRight, bBottom}) {
        if (!cell->Borders.Contains(side) || lines == glNone) continue;
        TRect r;
        cell->GetBorderBounds(side, r);
        // A strip one pixel high is a horizontal line; others run down their left edge.
        if (r.bottom - r.top == 1)
          APoints.push_back({r.left, r.top}), APoints.push_back({r.right, r.top});
        else
          APoints.push_back({r.left, r.top}), APoints.push_back({r.left, r.bottom});
      }
}

void TkcGridTableViewInfo::PaintCells(TkcCanvas* ACanvas) {
  TkcCustomGridPainter* painter = Painter();
  if (fFilter) {
    fFilter->PaintAll(ACanvas);
    painter->ExcludeFromBackground(fFilter->Bounds);
  }
  for (auto& header : fHeaders) {
    if (!header->Visible) continue;
    header->Paint(ACanvas);
    painter->ExcludeFromBackground(header->Bounds);
  }
  for (auto& row : fRows)
    for (auto& cell : row->Cells) {
      cell->Paint(ACanvas);
      painter->ExcludeFromBackground(cell->Bounds);
    }
  std::vector<POINT> points;
  CollectGridLines(points);
  if (!points.empty()) {
    std::vector<DWORD> counts(points.size() / 2, 2);
    TColor c = TableView()->GridLineColor();
    HDC dc = ACanvas->Handle();
    HPEN pen = CreatePen(PS_SOLID, 1, ColorToRGB(c != clDefault ? c : LookAndFeelPainter()->GetGridLineDefaultColor()));
    HPEN old = SelectObject(dc, pen);
    PolyPolyline(dc, points.data(), counts.data(), static_cast<DWORD>(counts.size()));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
  // The focus frame of the focused row.
  TkcCustomDataController* dc = TableView()->DataController();
  if (TkcGridRowViewInfo* row = RowByIndex(dc->GetFocusedRowIndex()); row && ACanvas == Canvas() && Site()->Focused()) {
    TRect r = row->Bounds;
    if (!row->Cells.empty()) r.right = row->Cells.back()->Bounds.right;
    if (TableView()->GridLines() != glNone) r.right -= 1;
    if (TableView()->GridLines() == glBoth || TableView()->GridLines() == glHorizontal) r.bottom -= 1;
    ACanvas->DrawFocusRect(r);
  }
}

void TkcGridTablePainter::DrawBackground() {
  TkcCustomGridPainter::DrawBackground();
  auto* info = static_cast<TkcGridTableViewInfo*>(PaintViewInfo());
  if (!info->HasNoData()) return;
  TRect r = info->RecordsBounds();
  TRect client = info->ClientBounds();
  IntersectRect(&r, &r, &client);
  Canvas()->Font()->SetColor(LookAndFeelPainter()->GetContentDefaultTextColor());
  Canvas()->Brush()->SetStyle(bsClear);
  Canvas()->DrawText("<No data to display>", r, kctfHCenter | kctfVCenter | kctfWordBreak);
  Canvas()->Brush()->SetStyle(bsSolid);
}
