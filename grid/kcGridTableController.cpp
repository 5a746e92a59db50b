#include "grid/kcGridTableController.h"

#include <algorithm>

TkcGridTableView* TkcGridTableController::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

void TkcGridTableController::HeaderClicked(TkcGridColumn* AColumn, TShiftState AShift) {
  TkcCustomDataController* dc = TableView()->DataController();
  TkcDataSortOrder order = AShift.Contains(ssCtrl)               ? soNone
                           : AColumn->SortOrder() == soAscending ? soDescending
                                                                 : soAscending;
  dc->BeginUpdate();
  if (!AShift.Contains(ssShift) && !AShift.Contains(ssCtrl))
    for (int i = 0; i < TableView()->ColumnCount(); ++i) {
      TkcGridColumn* c = TableView()->Columns(i);
      if (c != AColumn && c->GroupIndex() < 0) c->SetSortOrder(soNone);
    }
  AColumn->SetSortOrder(order);
  dc->EndUpdate();
}

void TkcGridTableController::MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  TkcCustomGridController::MouseDown(AButton, AShift, X, Y);
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  if (auto* cellHit = dynamic_cast<TkcGridRecordHitTest*>(hit); cellHit && cellHit->RowIndex >= 0) {
    FocusRow(cellHit->RowIndex);
  }
}

void TkcGridTableController::FocusRow(int ARowIndex) {
  TkcGridTableView* view = TableView();
  view->BeginUpdate();
  try {
    view->DataController()->FocusRow(ARowIndex);
    MakeFocusedRowVisible();
    // The rows' colours follow the focus; the relayout covers the visible rows only.
    view->LayoutChanged();
  } catch (...) {
    view->EndUpdate();
    throw;
  }
  view->EndUpdate();
}

void TkcGridTableController::MakeFocusedRowVisible() {
  TkcGridTableView* view = TableView();
  int row = view->DataController()->GetFocusedRowIndex();
  if (row < 0) return;
  int visible = std::max(1, view->TableViewInfo()->VisibleRowCount());
  if (row < view->TopRowIndex())
    view->SetTopRowIndex(row);
  else if (row >= view->TopRowIndex() + visible)
    view->SetTopRowIndex(row - visible + 1);
}

void TkcGridTableController::KeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomDataController* dc = TableView()->DataController();
  if (Shift.Contains(ssCtrl) && (Key == 'C' || Key == VK_INSERT)) {
    TableView()->CopyToClipboard(true, dc->MultiSelect());
    Key = 0;
    return;
  }
  int page = std::max(1, TableView()->TableViewInfo()->VisibleRowCount());
  int row = dc->GetFocusedRowIndex(), last = dc->GetRowCount() - 1;
  int target;
  switch (Key) {
    case VK_UP: target = row - 1; break;
    case VK_DOWN: target = row + 1; break;
    case VK_PRIOR: target = row - page; break;
    case VK_NEXT: target = row + page; break;
    case VK_HOME: target = 0; break;
    case VK_END: target = last; break;
    default: return;
  }
  if (last < 0) return;
  FocusRow(std::clamp(target, 0, last));
  Key = 0;
}

void TkcGridTableController::InitScrollBarsParameters() {
  TkcGridTableView* view = TableView();
  TkcGridTableViewInfo* info = view->TableViewInfo();
  TRect client = info->ClientBounds();
  Site()->SetScrollBarInfo(sbVertical, 0, view->DataController()->GetRowCount() - 1, 1,
                           std::max(1, info->VisibleRowCount()), view->TopRowIndex(), true, true);
  Site()->SetScrollBarInfo(sbHorizontal, 0, info->DataWidth() - 1, 10, client.right - client.left, view->LeftPos(),
                           true, true);
}

void TkcGridTableController::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) {
  if (AKind == sbHorizontal) {
    TableView()->ScrollHorizontally(ACode, APos);
    return;
  }
  TkcGridTableView* view = TableView();
  int page = std::max(1, view->TableViewInfo()->VisibleRowCount());
  switch (ACode) {
    case scLineUp: view->SetTopRowIndex(view->TopRowIndex() - 1); break;
    case scLineDown: view->SetTopRowIndex(view->TopRowIndex() + 1); break;
    case scPageUp: view->SetTopRowIndex(view->TopRowIndex() - page); break;
    case scPageDown: view->SetTopRowIndex(view->TopRowIndex() + page); break;
    case scTrack:
    case scPosition: view->SetTopRowIndex(APos); break;
    default: break;
  }
  APos = view->TopRowIndex();
}

void TkcGridTableController::CheckCoordinates() {
  TkcGridTableView* view = TableView();
  if (view->TopRowIndex() > view->MaxTopRowIndex()) view->SetTopRowIndex(view->MaxTopRowIndex());
  if (view->LeftPos() > view->MaxLeftPos()) view->SetLeftPos(view->MaxLeftPos());
}

void TkcGridTableController::FocusNextRecord(bool AForward) {
  TkcCustomDataController* dc = TableView()->DataController();
  int last = dc->GetRowCount() - 1;
  if (last < 0) return;
  FocusRow(std::clamp(dc->GetFocusedRowIndex() + (AForward ? 1 : -1), 0, last));
}

void TkcGridTableController::FocusNextPage(bool AForward) {
  TkcCustomDataController* dc = TableView()->DataController();
  int last = dc->GetRowCount() - 1;
  if (last < 0) return;
  int page = std::max(1, TableView()->TableViewInfo()->VisibleRowCount());
  FocusRow(std::clamp(dc->GetFocusedRowIndex() + (AForward ? page : -page), 0, last));
}
