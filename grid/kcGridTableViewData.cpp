#include "grid/kcGridTableViewData.h"

#include <algorithm>

#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"

// ---- Records --------------------------------------------------------------------------------

TkcGridTableView* TkcCustomGridRecord::GridView() const { return fViewData->TableView(); }
TkcCustomDataController* TkcCustomGridRecord::DataController() const { return fViewData->DataController(); }

void TkcCustomGridRecord::RefreshRecordInfo() {
  if (IsNewItemRecord()) {
    RowInfo = TkcRowInfo{};
    RowInfo.Expanded = false;
    RowInfo.Level = 0;
    RowInfo.RecordIndex = DataController()->GetNewItemRowRecordIndex();
  } else if (fViewData->IsRowIndexValid(Index)) {
    RowInfo = DataController()->GetRowInfo(Index);
  }
}

bool TkcCustomGridRecord::IsMasterRecord() {
  TkcGridTableView* view = GridView();
  return !IsNewItemRecord() && view->HasVisibleDetails() && RowInfo.Level == view->GroupingItemCount() &&
         RecordIndex() >= 0;
}

bool TkcCustomGridRecord::IsGroupRecord() {
  return !IsNewItemRecord() && RowInfo.Level < GridView()->GroupingItemCount();
}

bool TkcCustomGridRecord::GetExpandable() {
  if (IsGroupRecord()) return !DataController()->Options().Contains(dcoGroupsAlwaysExpanded);
  if (!IsMasterRecord()) return false;
  TkcGridTableView* view = GridView();
  if (view->OptionsView()->ExpandButtonsForEmptyDetails()) return true;
  return DataController()->HasDetailChildren(RecordIndex(), view->GetActiveDetailIndex(RecordIndex()));
}

bool TkcCustomGridRecord::GetExpanded() {
  if (IsGroupRecord()) return RowInfo.Expanded;
  return IsMasterRecord() && DataController()->IsDetailExpanded(RecordIndex());
}

void TkcCustomGridRecord::DoExpand(bool ARecursive) {
  if (IsGroupRecord()) {
    DataController()->Groups()->SetRowExpanded(Index, true, ARecursive);
  } else if (IsMasterRecord()) {
    // The expansion may remake this record: nothing of it is used after.
    TkcGridTableView* view = GridView();
    TkcCustomDataController* dc = DataController();
    int record = RecordIndex();
    if (dc->SetDetailExpanded(record, true) && ARecursive)
      for (int i = 0; i < dc->GetRelations()->GetCount(); ++i)
        if (auto* detail = dynamic_cast<TkcGridTableView*>(view->GetDetailView(record, i)))
          detail->TableViewData()->ExpandAll(true);
  }
}

void TkcCustomGridRecord::DoCollapse(bool ARecursive) {
  if (IsGroupRecord())
    DataController()->Groups()->SetRowExpanded(Index, false, ARecursive);
  else if (IsMasterRecord())
    DataController()->SetDetailExpanded(RecordIndex(), false);
}

bool TkcCustomGridRecord::GetIsLast() { return Index == fViewData->GetRecordCount() - 1; }

TkcCustomGridRecord* TkcCustomGridRecord::GetParentRecord() {
  if (Level() == 0) return nullptr;
  // Row information only: walking up must not make a record for every row passed.
  TkcCustomDataController* dc = DataController();
  for (int row = Index - 1; row >= 0; --row)
    if (dc->GetRowInfo(row).Level < Level()) return fViewData->GetRecord(row);
  return nullptr;
}

bool TkcCustomGridRecord::GetSelected() {
  if (IsNewItemRecord()) return DataController()->GetNewItemRowFocused();
  return DataController()->IsRowSelected(Index);
}

bool TkcCustomGridRecord::GetVisible() {
  if (IsNewItemRecord()) return true;
  return HasViewInfo();
}

void TkcCustomGridRecord::SetSelected(bool Value) {
  if (IsNewItemRecord())
    DataController()->SetNewItemRowFocused(Value);
  else if (DataController()->MultiSelect())
    DataController()->ChangeRowSelection(Index, Value);
}

String TkcCustomGridRecord::GetDisplayText(int AItemIndex) {
  return DataController()->GetDisplayText(RecordIndex(), AItemIndex);
}

int TkcCustomGridRecord::GetValueCount() { return DataController()->GetItemCount(); }

Variant TkcCustomGridRecord::GetValue(int AItemIndex) { return DataController()->GetValue(RecordIndex(), AItemIndex); }

void TkcCustomGridRecord::SetDisplayText(int AItemIndex, const String& AText) {
  DataController()->SetDisplayText(RecordIndex(), AItemIndex, AText);
}

void TkcCustomGridRecord::SetValue(int AItemIndex, const Variant& AValue) {
  DataController()->SetValue(RecordIndex(), AItemIndex, AValue);
}

bool TkcCustomGridRecord::CanFocus() {
  TkcGridTableView* view = GridView();
  bool allow = true;
  if (view->OnCanFocusRecord) view->OnCanFocusRecord(view, this, allow);
  return allow;
}

void TkcCustomGridRecord::Invalidate(TkcGridColumn* AItem) {
  GridView()->Changed(new TkcGridRecordChange(GridView(), AItem, Index, fViewData->KindOfRecord(this)));
}

void TkcCustomGridRecord::KeyDown(WORD& AKey, TShiftState) {
  if ((AKey == VK_ADD || AKey == VK_SUBTRACT) && GetExpandable()) {
    KeyExpandPending = true;
    SetRowExpanded(AKey == VK_ADD);
    AKey = 0;
    return;
  }
  // The arrows open and close group rows as in a tree; on a master row they stay with the
  // columns, since its detail has its own place to go.
  bool arrow = AKey == VK_LEFT || AKey == VK_RIGHT;
  if (AKey == 0 || (arrow && IsMasterRecord()) || !GetExpandable()) return;
  if (arrow) {
    if (GetExpanded() != (AKey == VK_LEFT)) return;
    SetRowExpanded(AKey == VK_RIGHT);
    AKey = 0;
  } else if (AKey == VK_MULTIPLY) {
    KeyExpandPending = true;
    ExpandRow(true);
    AKey = 0;
  }
}

void TkcCustomGridRecord::KeyPress(char32_t&) {}

TkcCustomGridRowViewInfo* TkcCustomGridRecord::ViewInfo() const {
  if (IsNewItemRecord()) return nullptr;
  TkcGridTableViewInfo* info = GridView()->TableViewInfo();
  return info ? info->RowByIndex(Index) : nullptr;
}

bool TkcCustomGridRecord::IsNewItemRecord() const { return this == fViewData->NewItemRecord(); }
bool TkcCustomGridRecord::IsEditing() const { return this == fViewData->RecordInEdit(); }
bool TkcCustomGridRecord::Focused() const {
  return !IsNewItemRecord() && DataController()->GetFocusedRowIndex() == Index;
}

void TkcCustomGridRecord::SetFocused(bool Value) {
  if (Value)
    DataController()->FocusRow(Index);
  else if (Focused())
    DataController()->FocusRow(-1);
}

bool TkcCustomGridRecord::IsValid() const {
  return RecordIndex() >= 0 && RecordIndex() < DataController()->GetRecordCount();
}

void TkcCustomGridRecord::SetRowExpanded(bool Value) {
  if (GetExpanded() == Value) return;
  if (Value)
    ExpandRow(false);
  else
    CollapseRow(false);
}

void TkcCustomGridRecord::ExpandRow(bool ARecursive) {
  if (GetExpandable()) DoExpand(ARecursive);
}

void TkcCustomGridRecord::CollapseRow(bool ARecursive) {
  if (GetExpandable()) DoCollapse(ARecursive);
}

void TkcCustomGridRecord::MakeVisible() {
  TkcGridTableView* view = GridView();
  TkcGridTableViewInfo* info = view->TableViewInfo();
  int top = view->TopRowIndex(), fit = std::max(info ? info->VisibleRowCount() : 1, 1);
  if (Index < top)
    view->SetTopRowIndex(Index);
  else if (Index >= top + fit)
    view->SetTopRowIndex(Index - fit + 1);
}

bool TkcCustomGridRecord::IsLastInParentLevel(int ALevelOffset) {
  if (GetIsLast()) return true;
  return DataController()->GetRowInfo(Index + 1).Level < Level() - ALevelOffset;
}

int TkcCustomGridRecord::GetLastParentLevelCount() {
  int count = 0;
  while (count < Level() && IsLastInParentLevel(count)) ++count;
  return count;
}

void TkcCustomGridRecord::ProcessKeyPress(char32_t& AKey) {
  if (KeyExpandPending)
    KeyExpandPending = false;
  else
    KeyPress(AKey);
}

// ---- View data ------------------------------------------------------------------------------

TkcCustomGridTableViewData::TkcCustomGridTableViewData(TkcGridTableView* AView) : TkcCustomGridViewData(AView) {}

TkcCustomGridTableViewData::~TkcCustomGridTableViewData() { FreeRecords(); }

TkcGridTableView* TkcCustomGridTableViewData::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }
TkcCustomDataController* TkcCustomGridTableViewData::DataController() const { return TableView()->DataController(); }

TkcCustomGridRecord* TkcCustomGridTableViewData::RecordOfKind(int AKind, int AIndex) {
  if (AKind == kcGridRecordKindNewItem) return fNewItemRecord.get();
  return RecordAtRow(AIndex);
}

void TkcCustomGridTableViewData::CollapseAll(bool ARecursive) {
  TableView()->BeginUpdate();
  try {
    for (int i = GetRecordCount() - 1; i >= 0; --i)
      if (TkcCustomGridRecord* r = RecordAtRow(i)) r->CollapseRow(ARecursive);
  } catch (...) {
    TableView()->EndUpdate();
    throw;
  }
  TableView()->EndUpdate();
}

void TkcCustomGridTableViewData::ExpandAll(bool ARecursive) {
  TableView()->BeginUpdate();
  try {
    for (int i = 0; i < GetRecordCount(); ++i)
      if (TkcCustomGridRecord* r = RecordAtRow(i)) r->ExpandRow(ARecursive);
  } catch (...) {
    TableView()->EndUpdate();
    throw;
  }
  TableView()->EndUpdate();
}

int TkcCustomGridTableViewData::GetRecordCount() { return DataController()->GetRowCount(); }

void TkcCustomGridTableViewData::FreeRecords() {
  fRecordInEdit = nullptr;
  fRecords.clear();
}

void TkcCustomGridTableViewData::Refresh(int ARecordCount) {
  CheckNewItemRecord();
  FreeRecords();
  fRecordCount = std::max(ARecordCount, 0);
  UpdateRecordInEdit();
  TableView()->SizeChanged();
}

TkcCustomGridRecord* TkcCustomGridTableViewData::CreateRecord(const TkcRowInfo& ARowInfo, int AIndex) {
  return new TkcCustomGridRecord(this, ARowInfo, AIndex);
}

TkcCustomGridRecord* TkcCustomGridTableViewData::GetRecord(int AIndex) {
  auto& slot = fRecords[AIndex];
  if (!slot) slot.reset(CreateRecord(DataController()->GetRowInfo(AIndex), AIndex));
  return slot.get();
}

TkcCustomGridRecord* TkcCustomGridTableViewData::GetRecordByRecordIndex(int ARecordIndex) {
  TkcCustomDataController* dc = DataController();
  if (HasNewItemRecord() && fNewItemRecord && ARecordIndex == dc->GetNewItemRowRecordIndex())
    return fNewItemRecord.get();
  if (ARecordIndex < 0 || ARecordIndex >= dc->GetRecordCount()) return nullptr;
  if (TableView()->IsUpdateLocked() || !dc->IsRowInfoReady()) {
    TkcCustomGridRecord* found = nullptr;
    for (auto& [row, record] : fRecords)
      if (record->RecordIndex() == ARecordIndex && (!found || row < found->Index)) found = record.get();
    return found;
  }
  return RecordAtRow(dc->GetRowIndexByRecordIndex(ARecordIndex, false));
}

void TkcCustomGridTableViewData::UpdateRecordInEdit() {
  TkcCustomDataController* dc = DataController();
  fRecordInEdit = dc->IsEditing() ? GetRecordByRecordIndex(dc->GetEditingRecordIndex()) : nullptr;
}

void TkcCustomGridTableViewData::CheckNewItemRecord() {
  fNewItemRecord.reset();
  if (!HasNewItemRecord()) return;
  fNewItemRecord.reset(CreateNewItemRecord());
  if (fNewItemRecord) fNewItemRecord->RefreshRecordInfo();
}

void TkcCustomGridTableViewData::RefreshRecords() {
  if (fNewItemRecord) fNewItemRecord->RefreshRecordInfo();
  for (auto& [row, record] : fRecords) record->RefreshRecordInfo();
  UpdateRecordInEdit();
}

bool CanSelectGridRow(TkcGridTableView* AView, int ARowIndex) {
  if (!AView->OnCanSelectRecord) return true;
  bool allow = true;
  if (TkcCustomGridRecord* record = AView->TableViewData()->RecordAtRow(ARowIndex))
    AView->OnCanSelectRecord(AView, record, allow);
  return allow;
}

// ---- Record hit tests -----------------------------------------------------------------------

TkcCustomGridRecord* TkcGridRecordHitTest::GetGridRecord() {
  TkcCustomGridTableViewData* data = HitViewData;
  if (!data) {
    auto* view = dynamic_cast<TkcGridTableView*>(GridView);
    data = view ? view->TableViewData() : nullptr;
  }
  return data ? data->RecordOfKind(HitRecordKind, RowIndex) : nullptr;
}

void TkcGridRecordHitTest::SetGridRecord(TkcCustomGridRecord* ARecord) {
  HitViewData = ARecord ? ARecord->ViewData() : nullptr;
  RowIndex = ARecord ? ARecord->Index : -1;
  HitRecordKind = ARecord ? ARecord->ViewData()->KindOfRecord(ARecord) : -1;
}

// ---- Changes --------------------------------------------------------------------------------

namespace {

TkcGridDataCellViewInfo* CellOf(TkcCustomGridRowViewInfo* ARow, TkcGridColumn* AItem) {
  for (auto& cell : ARow->Cells)
    if (auto* data = dynamic_cast<TkcGridDataCellViewInfo*>(cell.get()); data && data->Column == AItem) return data;
  return nullptr;
}

// Repaints a laid-out row, or one item's cell of it; with ARecalculate its cells first take
// their texts and colours again (only where no relayout of the view is pending, as its cells
// may name columns that are gone).
void InvalidateRow(TkcGridTableView* AView, int ARowIndex, TkcGridColumn* AItem, bool ARecalculate = true) {
  TkcGridTableViewInfo* info = AView->TableViewInfo();
  TkcCustomGridRowViewInfo* row = info ? info->RowByIndex(ARowIndex) : nullptr;
  if (!row) return;
  // Cells of columns freed since the last layout wait for the new one (compared by address
  // only: a freed column is not touched).
  for (auto& cell : row->Cells)
    if (auto* data = dynamic_cast<TkcGridDataCellViewInfo*>(cell.get());
        data && !row->IsGroup() && AView->IndexOfColumn(data->Column) < 0) {
      AView->LayoutChanged();
      return;
    }
  if (AItem) {
    TkcGridDataCellViewInfo* cell = CellOf(row, AItem);
    if (!cell) return;
    if (ARecalculate) cell->Recalculate();
    AView->ViewChanged(cell->Bounds);
    return;
  }
  if (ARecalculate)
    for (auto& cell : row->Cells)
      if (cell) cell->Recalculate();
  AView->ViewChanged(row->Bounds);
}

}  // namespace

void TkcGridRecordChange::Execute() {
  auto* view = dynamic_cast<TkcGridTableView*>(View());
  if (!view || ChangedRecordKind != kcGridRecordKindRow) return;
  if (ChangedItem && (ChangedItem->GridView() != view || ChangedItem->VisibleIndex() < 0)) return;
  if (!view->IsVisible() || !view->Site()) return;
  InvalidateRow(view, ChangedRowIndex, ChangedItem);
}

bool TkcGridRecordChange::IsSupersededBy(TkcCustomGridChange* AChange) {
  if (TkcCustomGridViewChange::IsSupersededBy(AChange)) return true;
  auto* other = dynamic_cast<TkcCustomGridViewChange*>(AChange);
  return other && View() && other->View() == View() &&
         (dynamic_cast<TkcGridLayoutChange*>(AChange) || dynamic_cast<TkcGridSizeChange*>(AChange) ||
          dynamic_cast<TkcGridDataChange*>(AChange));
}

bool TkcGridRecordChange::Matches(TkcCustomGridChange* AChange) {
  if (!TkcCustomGridViewChange::Matches(AChange)) return false;
  auto* other = static_cast<TkcGridRecordChange*>(AChange);
  return other->ChangedItem == ChangedItem && other->ChangedRowIndex == ChangedRowIndex &&
         other->ChangedRecordKind == ChangedRecordKind;
}

std::size_t TkcGridRecordChange::MatchKey() const {
  return TkcCustomGridViewChange::MatchKey() ^ (std::hash<int>()(ChangedRowIndex) * 31) ^
         std::hash<const void*>()(ChangedItem);
}

void TkcGridFocusedRecordChange::Execute() {
  auto* view = dynamic_cast<TkcGridTableView*>(View());
  if (!view) return;
  if ((PrevRowIndex != NewRowIndex || NewItemRowChanged) && view->ViewInfo()->IsCalculated())
    view->TableController()->MakeFocusedRowVisible();
  if (view->IsVisible() && view->Site()) {
    // The view lays its rows out again for their focus colours; the rows are repainted here.
    InvalidateRow(view, PrevRowIndex, nullptr, false);
    InvalidateRow(view, NewRowIndex, nullptr, false);
  }
  if (view->OnFocusedRecordChanged) {
    TkcCustomGridTableViewData* data = view->TableViewData();
    view->OnFocusedRecordChanged(view, data->RecordAtRow(PrevRowIndex), data->RecordAtRow(NewRowIndex),
                                 NewItemRowChanged);
  }
}
