#include "grid/kcGridTableController.h"

#include "grid/kcGridTableViewData.h"

#include <algorithm>

#include "controls/kcControlUtils.h"
#include "grid/kcGridCustomizationForm.h"
#include "grid/kcGridEditingController.h"
#include "grid/kcGridPopups.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"

TkcGridTableController::TkcGridTableController(TkcCustomGridView* AGridView)
    : TkcCustomGridController(AGridView), fEditingController(std::make_unique<TkcGridEditingController>(this)) {}

TkcGridTableController::~TkcGridTableController() {
  if (fItemsCustomizationPopup) fItemsCustomizationPopup->OnPopupClosed = nullptr;
}

TkcGridTableView* TkcGridTableController::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }
TkcCustomDataController* TkcGridTableController::DataController() const { return TableView()->DataController(); }

IkcGridDataControllerItemsSupport* TkcGridTableController::ItemsSupport() const {
  IkcGridDataControllerItemsSupport* support = nullptr;
  return Supports(static_cast<TObject*>(DataController()), support) ? support : nullptr;
}

TkcGridFilterPopup* TkcGridTableController::FilterPopup() {
  if (!fFilterPopup) fFilterPopup = std::make_unique<TkcGridFilterPopup>(TableView());
  return fFilterPopup.get();
}

TkcGridFilterMRUItemsPopup* TkcGridTableController::FilterMRUItemsPopup() {
  if (!fFilterMRUItemsPopup) fFilterMRUItemsPopup = std::make_unique<TkcGridFilterMRUItemsPopup>(TableView());
  return fFilterMRUItemsPopup.get();
}

TkcCustomGridItemsCustomizationPopup* TkcGridTableController::ItemsCustomizationPopup() {
  if (!fItemsCustomizationPopup) {
    fItemsCustomizationPopup = std::make_unique<TkcGridColumnsCustomizationPopup>(TableView());
    fItemsCustomizationPopup->OnPopupClosed = [this](TObject* ASender) {
      fItemsPopupClosedByPress = static_cast<TkcCustomPopupWindow*>(ASender)->IsDeactivatingByMessage();
      fItemsPopupClosedByPressAt = GetMessageTime();
    };
  }
  return fItemsCustomizationPopup.get();
}

bool TkcGridTableController::IsQuickCustomizationMark(TkcCustomGridHitTest* AHitTest) {
  auto* cell = AHitTest ? dynamic_cast<TkcGridIndicatorItemViewInfo*>(AHitTest->ViewInfo()) : nullptr;
  return cell && cell->Kind == TkcGridIndicatorViewInfo::ikHeader &&
         TableView()->OptionsCustomize()->ColumnsQuickCustomization();
}

void TkcGridTableController::ShowQuickCustomizationHint(TkcCustomGridCellViewInfo* ACell) {
  if (HintCell() == ACell) return;
  // Under the mark, clear of the mouse pointer.
  TRect text = ACell->Bounds;
  OffsetRect(&text, 0, ACell->Bounds.bottom - ACell->Bounds.top + 5);
  ShowHint(ACell->Bounds, text, ACell, TableView()->Font(), "Click here to select visible columns");
}

// ---- Sorting --------------------------------------------------------------------------------

void TkcGridTableController::HeaderClicked(TkcGridColumn* AColumn, TShiftState AShift) {
  if (!AColumn->CanSort()) return;
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = DataController();
  const bool groupBySorting = view->OptionsCustomize()->GroupBySorting();
  HideEdit(true);
  // The first sorted column that can be grouped (nil: none).
  auto firstSorted = [&]() -> TkcGridColumn* {
    for (int i = 0; i < dc->GetSortingItemCount(); ++i)
      if (auto* c = dynamic_cast<TkcGridColumn*>(dc->GetItem(dc->GetSortingItemIndex(i)))) return c;
    return nullptr;
  };
  ShowHourglassCursor();
  view->BeginUpdate();
  dc->BeginUpdate();
  try {
    if (AShift.Contains(ssCtrl)) {
      // Ctrl removes the column from the sort (and, sorting by grouping, from the grouping).
      if (groupBySorting && AColumn->GroupIndex() == 0 && AColumn->CanGroup()) {
        AColumn->SetGroupIndex(-1);
        AColumn->SetVisible(true);
      }
      AColumn->SetSortOrder(soNone);
      if (groupBySorting)
        if (TkcGridColumn* c = firstSorted(); c && c->CanGroup()) c->SetGroupIndex(0);
    } else {
      TkcDataSortOrder order = AColumn->SortOrder() == soAscending ? soDescending : soAscending;
      if (!AShift.Contains(ssShift) && AColumn->GroupIndex() < 0) {
        // A plain click sorts by this column alone.
        if (groupBySorting && AColumn->CanGroup())
          while (view->GroupingItemCount() > 0) {
            auto* grouped = static_cast<TkcGridColumn*>(dc->GetItem(dc->Groups()->GetGroupingItemIndex(0)));
            grouped->SetVisible(true);
            grouped->SetGroupIndex(-1);
          }
        dc->ClearSorting(true);
      }
      AColumn->SetSortOrder(order);
      if (groupBySorting && view->GroupingItemCount() == 0 && firstSorted() == AColumn && AColumn->CanGroup())
        AColumn->SetGroupIndex(0);
    }
  } catch (...) {
    dc->EndUpdate();
    view->EndUpdate();
    HideHourglassCursor();
    MakeFocusedRowVisible();
    throw;
  }
  dc->EndUpdate();
  view->EndUpdate();
  HideHourglassCursor();
  MakeFocusedRowVisible();
}

void TkcGridTableController::CheckCustomizationFormBounds(TRect& R) {
  // The form starts no higher than the bottom of the column headers.
  TkcGridTableViewInfo* info = TableView()->TableViewInfo();
  if (!Site() || !Site()->HandleAllocated() || !info) return;
  int headerBottom = Site()->ClientToScreen(TPoint{0, info->HeaderBounds().bottom}).y;
  if (R.top < headerBottom) OffsetRect(&R, 0, headerBottom - R.top);
}

// ---- Focus ----------------------------------------------------------------------------------

void TkcGridTableController::FocusRow(int ARowIndex) {
  TkcGridTableView* view = TableView();
  if (ARowIndex != DataController()->GetFocusedRowIndex()) {
    HideEdit(true);
    CancelIncSearching();
  }
  view->BeginUpdate();
  try {
    DataController()->FocusRow(ARowIndex);
    MakeFocusedRowVisible();
    // The rows' colours follow the focus; the relayout covers the visible rows only.
    view->LayoutChanged();
  } catch (...) {
    view->EndUpdate();
    throw;
  }
  view->EndUpdate();
  CheckEditing();
}

void TkcGridTableController::MakeFocusedRowVisible() {
  TkcGridTableView* view = TableView();
  int row = DataController()->GetFocusedRowIndex();
  if (row < 0) return;
  int visible = std::max(1, view->TableViewInfo()->VisibleRowCount());
  if (row < view->TopRowIndex())
    view->SetTopRowIndex(row);
  else if (row >= view->TopRowIndex() + visible)
    view->SetTopRowIndex(row - visible + 1);
}

bool TkcGridTableController::ScrollGridModeBuffer(int ADistance) {
  TkcCustomDataController* dc = DataController();
  if (!dc->IsGridMode() || ADistance == 0) return false;
  TkcCustomDataProvider* provider = dc->Provider();
  if (ADistance > 0 ? provider->IsEOF() : provider->IsBOF()) return false;
  HideEdit(true);
  CancelIncSearching();
  // The dataset moves past the buffer's edge; the focus follows its current record.
  provider->Scroll(ADistance);
  TableView()->LayoutChanged();
  return true;
}

void TkcGridTableController::FocusNextRecord(bool AForward) {
  TkcCustomDataController* dc = DataController();
  int last = dc->GetRowCount() - 1;
  if (last < 0) return;
  int row = dc->GetFocusedRowIndex();
  // In grid mode the rows are only the dataset's buffer: its edge row moves the buffer on.
  if (row == (AForward ? last : 0) && ScrollGridModeBuffer(AForward ? 1 : -1)) return;
  FocusRow(std::clamp(row + (AForward ? 1 : -1), 0, last));
}

int TkcGridTableController::PageStep() const {
  // A page keeps its last (first) row in view as the next page's first (last) one.
  return std::max(1, TableView()->TableViewInfo()->VisibleRowCount() - 1);
}

void TkcGridTableController::ScrollPage(bool AForward) {
  TkcGridTableView* view = TableView();
  view->SetTopRowIndex(view->TopRowIndex() + (AForward ? PageStep() : -PageStep()));
}

void TkcGridTableController::FocusNextPage(bool AForward) {
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = DataController();
  int last = dc->GetRowCount() - 1;
  if (last < 0) return;
  MakeFocusedRowVisible();
  int visible = std::max(1, view->TableViewInfo()->VisibleRowCount());
  int row = dc->GetFocusedRowIndex();
  // The edge row of the page first; only from there does the page scroll.
  int edge = AForward ? view->TopRowIndex() + visible - 1 : view->TopRowIndex();
  if (row == std::clamp(edge, 0, last)) {
    if (ScrollGridModeBuffer(AForward ? PageStep() : -PageStep())) return;
    ScrollPage(AForward);
    edge = AForward ? view->TopRowIndex() + visible - 1 : view->TopRowIndex();
  }
  FocusRow(std::clamp(edge, 0, last));
}

void TkcGridTableController::GoToFirst() { GoToEdge(false); }

void TkcGridTableController::GoToLast() { GoToEdge(true); }

void TkcGridTableController::GoToEdge(bool ALast) {
  // In grid mode the first or last record may lie outside the buffer.
  TkcCustomDataController* dc = DataController();
  if (dc->IsGridMode() && !(ALast ? dc->Provider()->IsEOF() : dc->Provider()->IsBOF())) {
    HideEdit(true);
    CancelIncSearching();
    if (ALast)
      dc->Provider()->Last();
    else
      dc->Provider()->First();
    TableView()->LayoutChanged();
  }
  FocusRow(ALast ? dc->GetRowCount() - 1 : 0);
}

void TkcGridTableController::GoToNext() {
  TkcCustomDataController* dc = DataController();
  if (dc->GetFocusedRowIndex() >= dc->GetRowCount() - 1) {
    if (ScrollGridModeBuffer(1)) return;
    if (TableView()->OptionsData()->Appending()) CreateNewRecord(true);
    return;
  }
  FocusNextRecord(true);
}

void TkcGridTableController::SetFocusedItem(TkcGridColumn* Value) {
  if (Value == fFocusedItem) {
    MakeFocusedItemVisible();
    return;
  }
  HideEdit(true);
  CancelIncSearching();
  fFocusedItem = Value;
  if (IsCellMultiSelect() && !fCellSelectionAnchor) fCellSelectionAnchor = Value;
  MakeFocusedItemVisible();
  TableView()->LayoutChanged();
  CheckEditing();
}

void TkcGridTableController::MakeFocusedItemVisible() {
  TkcGridTableView* view = TableView();
  if (!fFocusedItem || fFocusedItem->VisibleIndex() < 0) return;
  int left = 0;
  for (int i = 0; i < view->VisibleColumnCount() && view->VisibleColumns(i) != fFocusedItem; ++i)
    left += view->VisibleColumns(i)->Width();
  int right = left + fFocusedItem->Width();
  TkcGridTableViewInfo* info = view->TableViewInfo();
  int client = info->ClientBounds().right - info->ClientBounds().left;
  // A column wider than the view shows from its left edge (where its text starts).
  if (right - left >= client) {
    SetLeftPos(left);
    return;
  }
  if (right > fLeftPos + client) SetLeftPos(right - client);
  if (left < fLeftPos) SetLeftPos(left);
}

void TkcGridTableController::ItemRemoved(TkcGridColumn* AItem) {
  fEditingController->ItemRemoved(AItem);
  if (fFilterPopup) fFilterPopup->ItemRemoved(AItem);
  if (fFocusedItem == AItem) fFocusedItem = nullptr;
  if (fCellSelectionAnchor == AItem) fCellSelectionAnchor = nullptr;
  if (fPullColumn == AItem) fPullColumn = nullptr;
  std::erase(fSelectedColumns, AItem);
  // The quick list may still show the column.
  if (fItemsCustomizationPopup && fItemsCustomizationPopup->IsShown()) fItemsCustomizationPopup->ClosePopup();
  if (TableView()->OptionsBehavior()->IncSearchItem() == AItem) TableView()->OptionsBehavior()->SetIncSearchItem(nullptr);
}

void TkcGridTableController::SetLeftPos(int Value) {
  TkcGridTableViewInfo* info = TableView()->TableViewInfo();
  int client = info->ClientBounds().right - info->ClientBounds().left;
  Value = std::clamp(Value, 0, std::max(0, info->DataWidth() - client));
  if (Value == fLeftPos) return;
  int dx = fLeftPos - Value;
  fLeftPos = Value;
  TableView()->LeftPosChanged(dx);
}

// ---- Selection ------------------------------------------------------------------------------

bool TkcGridTableController::IsMultiSelectActive() const { return TableView()->OptionsSelection()->MultiSelect(); }

void TkcGridTableController::InvalidateRows() { TableView()->LayoutChanged(); }

void TkcGridTableController::SelectOnlyFocused() {
  TkcCustomDataController* dc = DataController();
  int row = dc->GetFocusedRowIndex();
  ResetColumnSelection();
  if (row < 0) return;
  if (dc->GetSelectedCount() == 1 && dc->IsRowSelected(row)) return;
  dc->BeginUpdate();
  dc->ClearSelection();
  dc->ChangeRowSelection(row, true);
  dc->EndUpdate();
  InvalidateRows();
}

void TkcGridTableController::SelectRange(bool AClearOthers) {
  TkcCustomDataController* dc = DataController();
  int row = dc->GetFocusedRowIndex();
  if (row < 0) return;
  if (!dc->HasSelectionAnchor()) dc->SetSelectionAnchor(row);
  dc->SelectFromAnchor(row, !AClearOthers);
  InvalidateRows();
}

void TkcGridTableController::SelectAll() {
  if (!IsMultiSelectActive()) return;
  DataController()->SelectAll();
  if (IsCellMultiSelect()) SelectColumns(nullptr, nullptr);
  InvalidateRows();
}

void TkcGridTableController::ClearSelection() {
  DataController()->ClearSelection();
  ResetColumnSelection();
  InvalidateRows();
}

// ---- Cell multi-selection -------------------------------------------------------------------

// The column's flag is set here, where the controller keeps the list of selected columns.
void TkcGridColumn::SetSelected(bool Value) {
  if (fSelected == Value) return;
  fSelected = Value;
  if (fGridView && fGridView->Controller()) fGridView->TableController()->ColumnSelectedChanged(this, Value);
}

bool TkcGridTableController::IsCellMultiSelect() const { return TableView()->OptionsSelection()->CellMultiSelect(); }

TkcGridColumn* TkcGridTableController::CellSelectionAnchor() const {
  if (fCellSelectionAnchor && fCellSelectionAnchor->VisibleIndex() >= 0) return fCellSelectionAnchor;
  return fFocusedItem;
}

void TkcGridTableController::ColumnSelectedChanged(TkcGridColumn* AColumn, bool ASelected) {
  std::erase(fSelectedColumns, AColumn);
  if (ASelected) fSelectedColumns.push_back(AColumn);
  TableView()->LayoutChanged();
}

void TkcGridTableController::SelectColumns(TkcGridColumn* AFrom, TkcGridColumn* ATo) {
  TkcGridTableView* view = TableView();
  int n = view->VisibleColumnCount();
  int from = AFrom && AFrom->VisibleIndex() >= 0 ? AFrom->VisibleIndex() : 0;
  int to = ATo && ATo->VisibleIndex() >= 0 ? ATo->VisibleIndex() : n - 1;
  if (from > to) std::swap(from, to);
  view->BeginUpdate();
  try {
    // Those outside the range go; the range's columns come (or stay).
    std::vector<TkcGridColumn*> previous = fSelectedColumns;
    for (TkcGridColumn* column : previous) {
      int i = column->VisibleIndex();
      if (i < from || i > to) column->SetSelected(false);
    }
    for (int i = from; i <= to && i < n; ++i) view->VisibleColumns(i)->SetSelected(true);
  } catch (...) {
    view->EndUpdate();
    throw;
  }
  view->EndUpdate();
}

void TkcGridTableController::ResetColumnSelection() {
  if (!IsCellMultiSelect()) return;
  if (!fFocusedItem) {
    std::vector<TkcGridColumn*> previous = fSelectedColumns;
    for (TkcGridColumn* column : previous) column->SetSelected(false);
  } else if (fSelectedColumns.size() != 1 || fSelectedColumns.front() != fFocusedItem) {
    SelectColumns(fFocusedItem, fFocusedItem);
  }
  fCellSelectionAnchor = fFocusedItem;
}

void TkcGridTableController::UpdateColumnSelection(TShiftState AShift) {
  if (AShift.Contains(ssShift)) {
    SelectColumns(CellSelectionAnchor(), fFocusedItem);
    return;
  }
  TkcCustomDataController* dc = DataController();
  dc->BeginUpdate();
  try {
    ClearSelection();
    int row = dc->GetFocusedRowIndex();
    if (row >= 0) {
      dc->SetSelectionAnchor(row);
      dc->ChangeRowSelection(row, true);
    }
  } catch (...) {
    dc->EndUpdate();
    throw;
  }
  dc->EndUpdate();
}

bool TkcGridTableController::IsCellSelected(int ARowIndex, TkcGridColumn* AColumn) const {
  if (!AColumn || !AColumn->Selected() || !DataController()->IsRowSelected(ARowIndex)) return false;
  // The cell being edited shows its editor, not the selection.
  return !(fEditingController->EditingItem() == AColumn && DataController()->GetFocusedRowIndex() == ARowIndex);
}

void TkcGridTableController::CopySelectionToClipboard() {
  TkcGridTableView* view = TableView();
  std::vector<TkcGridColumn*> columns;
  if (IsCellMultiSelect()) {
    for (int i = 0; i < view->VisibleColumnCount(); ++i)
      if (view->VisibleColumns(i)->Selected()) columns.push_back(view->VisibleColumns(i));
  }
  view->CopyToClipboard(true, DataController()->MultiSelect(), columns);
}

void TkcGridTableController::ProcessSelectionKey(WORD& Key, TShiftState Shift) {
  TkcCustomDataController* dc = DataController();
  int row = dc->GetFocusedRowIndex();
  if (row < 0) return;
  TShiftState s = Shift * TShiftState{ssShift, ssAlt, ssCtrl};
  if (Key == VK_SPACE && s == TShiftState{ssCtrl}) {
    dc->ChangeRowSelection(row, !dc->IsRowSelected(row));
    fSkipNextChar = true;
    InvalidateRows();
    return;
  }
  if (s.Contains(ssShift) && Key != 0) {
    SelectRange(true);
    return;
  }
  dc->SetSelectionAnchor(row);
  if (s != TShiftState{ssCtrl}) SelectOnlyFocused();
}

void TkcGridTableController::MouseSelect(int ARowIndex, TShiftState AShift) {
  TkcCustomDataController* dc = DataController();
  TShiftState s = AShift * TShiftState{ssShift, ssAlt, ssCtrl};
  if (s.Empty() || s == TShiftState{ssCtrl}) dc->SetSelectionAnchor(ARowIndex);
  bool selected = dc->IsRowSelected(ARowIndex);
  if (s == TShiftState{ssCtrl}) {
    // A selected row is deselected at mouse-up, so that the selection can still be dragged.
    if (selected && !AShift.Contains(ssDouble) && !IsEditing()) {
      fUnselectPending = true;
      fUnselectRowIndex = ARowIndex;
    } else {
      dc->ChangeRowSelection(ARowIndex, !selected);
      InvalidateRows();
    }
  } else if (s.Contains(ssShift)) {
    SelectRange(!s.Contains(ssCtrl));
  } else if (selected && dc->GetSelectedCount() > 1) {
    fUnselectPending = true;
    fUnselectRowIndex = ARowIndex;
  } else {
    SelectOnlyFocused();
  }
}

bool TkcGridTableController::CanDelete(bool ACheckOptions) const {
  TkcCustomDataController* dc = DataController();
  if (dc->GetFocusedRowIndex() < 0 && dc->GetSelectedCount() == 0) return false;
  return (dc->GetEditOperations() & dceoDelete) != 0 && (!ACheckOptions || TableView()->OptionsData()->Deleting());
}

bool TkcGridTableController::CanInsert(bool ACheckOptions) const {
  // The new-item row takes the place of inserting while it has the focus.
  if (TableView()->OptionsView()->NewItemRow() && DataController()->GetNewItemRowFocused()) return false;
  return (DataController()->GetEditOperations() & dceoInsert) != 0 &&
         (!ACheckOptions || TableView()->OptionsData()->Inserting());
}

void TkcGridTableController::DeleteSelection() {
  if (!CanDelete(false)) return;
  TkcCustomDataController* dc = DataController();
  int focused = dc->GetFocusedRowIndex();
  bool several = IsMultiSelectActive() &&
                 (dc->GetSelectedCount() > 1 || (dc->GetSelectedCount() == 1 && !dc->IsRowSelected(focused)));
  // The editor stays as it is until the answer: a refusal loses nothing typed.
  if (TableView()->OptionsData()->DeletingConfirmation()) {
    HWND owner = Site() && Site()->HandleAllocated() ? Site()->Handle() : HWND{};
    if (MessageBox(owner, several ? "Delete all selected records?" : "Delete record?", "Confirm",
                   MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
      return;
  }
  // A record being inserted is deleted by cancelling it; deleting the focused record after
  // that would take the record the cancel focused instead.
  const bool inserting = (dc->GetEditState() & dcesInserting) != 0;
  HideEdit(false);
  if (several)
    dc->DeleteSelectedRecords();
  else if (inserting)
    dc->Cancel();
  else
    dc->DeleteFocused();
  MakeFocusedRowVisible();
  TableView()->LayoutChanged();
}

void TkcGridTableController::CreateNewRecord(bool AAppend) {
  TkcCustomDataController* dc = DataController();
  HideEdit(true);
  if (AAppend) {
    // A view with a new-item row appends there, not past the last record.
    if ((dc->GetEditOperations() & dceoAppend) == 0 || !TableView()->OptionsData()->Appending() ||
        TableView()->OptionsView()->NewItemRow())
      return;
    dc->Append();
  } else {
    if (!CanInsert(false)) return;
    dc->Insert();
  }
  MakeFocusedRowVisible();
  if (IsMultiSelectActive()) SelectOnlyFocused();
  if (TableView()->OptionsBehavior()->FocusFirstCellOnNewRecord() && TableView()->VisibleColumnCount())
    SetFocusedItem(TableView()->VisibleColumns(0));
  TableView()->LayoutChanged();
}

// ---- Incremental search ---------------------------------------------------------------------

TkcGridColumn* TkcGridTableController::GetIncSearchItem() const {
  TkcGridTableView* view = TableView();
  if (view->OptionsSelection()->CellSelect() && fFocusedItem) return fFocusedItem;
  if (view->OptionsBehavior()->IncSearchItem()) return view->OptionsBehavior()->IncSearchItem();
  return view->VisibleColumnCount() ? view->VisibleColumns(0) : nullptr;
}

bool TkcGridTableController::IsIncSearching() const { return DataController()->Search()->GetSearching(); }

String TkcGridTableController::IncSearchText() const {
  return IsIncSearching() ? DataController()->Search()->GetSearchText() : String();
}

void TkcGridTableController::SetIncSearchText(const String& Value) {
  if (Value == IncSearchText()) return;
  TkcGridColumn* item = GetIncSearchItem();
  if (!item) return;
  TkcDataControllerSearch* search = DataController()->Search();
  int itemIndex = IsIncSearching() ? search->GetItemIndex() : item->ItemIndex();
  if (Value.empty()) {
    CancelIncSearching();
    return;
  }
  TableView()->BeginUpdate();
  try {
    search->Locate(itemIndex, Value);
    MakeFocusedRowVisible();
    TableView()->LayoutChanged();
  } catch (...) {
    TableView()->EndUpdate();
    throw;
  }
  TableView()->EndUpdate();
}

void TkcGridTableController::CancelIncSearching() {
  if (!IsIncSearching()) return;
  DataController()->Search()->Cancel();
  TableView()->LayoutChanged();
}

bool TkcGridTableController::IncSearchKeyDown(WORD& Key, TShiftState Shift) {
  TkcDataControllerSearch* search = DataController()->Search();
  switch (Key) {
    case VK_BACK: {
      String text = IncSearchText();
      // Remove one whole character, not one byte.
      size_t cut = text.size();
      while (cut > 0 && (static_cast<unsigned char>(text[cut - 1]) & 0xC0) == 0x80) --cut;
      SetIncSearchText(text.substr(0, cut ? cut - 1 : 0));
      return true;
    }
    case VK_ESCAPE: CancelIncSearching(); return true;
    case VK_UP:
    case VK_DOWN:
      if (Shift != TShiftState{ssCtrl}) return false;
      search->LocateNext(Key == VK_DOWN);
      MakeFocusedRowVisible();
      TableView()->LayoutChanged();
      return true;
    default: return false;
  }
}

// ---- Editing --------------------------------------------------------------------------------

bool TkcGridTableController::CanEdit() const {
  return fFocusedItem && TableView()->OptionsData()->Editing() && (DataController()->GetEditOperations() & dceoModify);
}

bool TkcGridTableController::ShowEdit(char32_t AKey) {
  if (!CanEdit()) return false;
  return fEditingController->ShowEdit(fFocusedItem, AKey);
}

void TkcGridTableController::HideEdit(bool ASave) { fEditingController->HideEdit(ASave); }

void TkcGridTableController::CheckEditing() {
  // With AlwaysShowEditor the focused cell keeps an editor while the grid has the focus.
  if (!TableView()->OptionsBehavior()->AlwaysShowEditor() || IsEditing() || fCheckingEditing) return;
  TkcGridSite* site = Site();
  if (!site || !site->HandleAllocated() || !site->Focused()) return;
  fCheckingEditing = true;
  try {
    ShowEdit();
  } catch (...) {
    fCheckingEditing = false;
    throw;
  }
  fCheckingEditing = false;
}

bool TkcGridTableController::IsCancelOnExitNeeded() const {
  TkcCustomDataController* dc = DataController();
  int state = dc->GetEditState();
  return TableView()->OptionsData()->CancelOnExit() && (state & dcesInserting) && !(state & dcesModified);
}
bool TkcGridTableController::IsEditing() const { return fEditingController->IsEditing(); }

void TkcGridTableController::FinishEditingBeforeDestruction() {
  // A record left in edit would lose what was typed into it once its data close, with no
  // grid left to post it. A refusal is reported; the record then keeps its values in edit.
  try {
    fEditingController->UpdateValue();
    if (DataController()->IsEditing()) DataController()->FinishEditing();
  } catch (...) {
    Application->HandleException(TableView());
  }
}

void TkcGridTableController::FocusEntered() {
  TkcCustomGridController::FocusEntered();
  // Tab stays in the grid only while it moves between cells.
  if (TkcGridSite* site = Site()) {
    TkcControlKeys keys = site->Keys();
    if (TableView()->OptionsBehavior()->FocusCellOnTab())
      keys.Include(kTab);
    else
      keys.Exclude(kTab);
    site->SetKeys(keys);
  }
  CheckEditing();
}

bool TkcGridTableController::FocusNextCell(bool AForward) {
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = DataController();
  int n = view->VisibleColumnCount(), rows = dc->GetRowCount();
  if (n == 0 || rows == 0) return false;
  int i = fFocusedItem ? fFocusedItem->VisibleIndex() : -1;
  int row = dc->GetFocusedRowIndex();
  i += AForward ? 1 : -1;
  if (i < 0 || i >= n) {
    // Past the row's last (first) cell the next (previous) row's first (last) one.
    int next = row + (AForward ? 1 : -1);
    if (next < 0 || next >= rows) return false;
    FocusRow(next);
    if (dc->GetFocusedRowIndex() != next) return false;
    i = AForward ? 0 : n - 1;
  }
  SetFocusedItem(view->VisibleColumns(i));
  return true;
}

void TkcGridTableController::FocusLost() {
  // A new record left untouched when the focus leaves the grid (not for its own editor) goes.
  HWND focus = GetFocus();
  bool toOwnEditor = IsEditing() || (focus && Site() && Site()->HandleAllocated() && IsChild(Site()->Handle(), focus));
  // Otherwise the record stays in edit, with what was typed written into it.
  if (!toOwnEditor && IsCancelOnExitNeeded())
    DataController()->Cancel();
  else if (DataController()->IsEditing())
    DataController()->UpdateEditingRecord();
  TkcCustomGridController::FocusLost();
  CancelIncSearching();
}

// ---- Keyboard -------------------------------------------------------------------------------

void TkcGridTableController::KeyDown(WORD& Key, TShiftState Shift) {
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = DataController();
  if (IsIncSearching() && IncSearchKeyDown(Key, Shift)) {
    Key = 0;
    return;
  }
  if (NewItemRowKeyDown(Key)) {
    Key = 0;
    return;
  }
  int row = dc->GetFocusedRowIndex();
  TkcGridColumn* item = fFocusedItem;
  // The focused record first: an expandable one takes the numeric-pad plus, minus and star,
  // and a group row the arrows that open or close it.
  if (TkcCustomGridRecord* record = view->TableViewData()->RecordAtRow(row)) {
    WORD key = Key;
    record->KeyDown(Key, Shift);
    if (Key == 0) {
      // The arrows make no character; one waiting for them would eat the next typed one.
      fSkipExpandChar = key != VK_LEFT && key != VK_RIGHT;
      return;
    }
  }
  bool ctrlOnly = Shift == TShiftState{ssCtrl};
  bool handled = true;
  switch (Key) {
    case VK_UP: FocusNextRecord(false); break;
    case VK_DOWN: GoToNext(); break;
    case VK_PRIOR: FocusNextPage(false); break;
    case VK_NEXT: FocusNextPage(true); break;
    case VK_HOME:
    case VK_END:
      // The edge column of the focused row while cells are focused; with Ctrl, or without
      // cells, the edge row.
      if (!Shift.Contains(ssCtrl) && CanFocusCells())
        SetFocusedItem(view->VisibleColumns(Key == VK_HOME ? 0 : view->VisibleColumnCount() - 1));
      else if (Key == VK_HOME)
        GoToFirst();
      else
        GoToLast();
      break;
    case VK_LEFT:
    case VK_RIGHT: {
      int n = view->VisibleColumnCount();
      if (!view->OptionsSelection()->CellSelect() || n == 0) {
        // Without cells to focus the arrows scroll the view sideways.
        SetLeftPos(fLeftPos + (Key == VK_RIGHT ? 10 : -10));
        break;
      }
      int i = fFocusedItem ? fFocusedItem->VisibleIndex() : -1;
      int next = std::clamp(i + (Key == VK_RIGHT ? 1 : -1), 0, n - 1);
      if (next != i)
        SetFocusedItem(view->VisibleColumns(next));
      else  // at the edge column the data scrolls on
        SetLeftPos(fLeftPos + (Key == VK_RIGHT ? 10 : -10));
      break;
    }
    case VK_RETURN:
      // Enter walks the cells like Tab when asked to, else it opens the editor.
      if (view->OptionsBehavior()->GoToNextCellOnEnter() && (Shift.Empty() || Shift == TShiftState{ssShift}))
        FocusNextCell(Shift.Empty());
      else if (!Shift.Empty() || !ShowEdit())
        handled = false;
      break;
    case VK_F2:
      if (!Shift.Empty() || !ShowEdit()) handled = false;
      break;
    case VK_ESCAPE:
      if (dc->IsEditing()) {
        dc->Cancel();
        // The record the cancel left focused is the selected one again.
        if (!dc->IsEditing() && IsMultiSelectActive() && dc->GetFocusedRowIndex() >= 0) SelectOnlyFocused();
      } else {
        handled = false;
      }
      break;
    case VK_DELETE:
      if ((Shift.Empty() || ctrlOnly) && CanDelete(true))
        DeleteSelection();
      else
        handled = false;
      break;
    case VK_INSERT:
      if (Shift.Empty() && CanInsert(true))
        CreateNewRecord(false);
      else if (ctrlOnly && !IsEditing())
        CopySelectionToClipboard();
      else
        handled = false;
      break;
    case 'A':
      if (ctrlOnly)
        SelectAll();
      else
        handled = false;
      break;
    case 'C':
      if (ctrlOnly && !IsEditing())
        CopySelectionToClipboard();
      else
        handled = false;
      break;
    case VK_SPACE: handled = ctrlOnly; break;
    case VK_TAB:
      // Ctrl+Tab always leaves the grid; Tab leaves it after the last cell.
      if (Shift.Contains(ssAlt)) {
        handled = false;
      } else if (Shift.Contains(ssCtrl) || !view->OptionsBehavior()->FocusCellOnTab() || !FocusNextCell(!Shift.Contains(ssShift))) {
        // The tab order lists the grid, then its site: forward goes on from the site,
        // backward from the grid.
        if (TWinControl* parent = Site() ? Site()->Parent() : nullptr)
          if (TCustomForm* form = Site()->GetParentForm())
            form->SelectNext(Shift.Contains(ssShift) ? parent : Site(), !Shift.Contains(ssShift), true);
      }
      break;
    default: handled = false;
  }
  // The selection follows keys that moved the focus, and Space / PageUp / PageDown always.
  bool moved = dc->GetFocusedRowIndex() != row;
  bool selectionKey =
      Key == VK_SPACE || Key == VK_PRIOR || Key == VK_NEXT || (moved && Key != VK_INSERT && !(Key == 'C' && ctrlOnly));
  if (IsMultiSelectActive() && selectionKey && !IsEditing()) ProcessSelectionKey(Key, Shift);
  // A key that moved to another column selects the columns from the anchor with Shift, else
  // only the focused cell.
  if (IsCellMultiSelect() && fFocusedItem != item && !IsEditing()) UpdateColumnSelection(Shift);
  if (handled) Key = 0;
}

bool TkcGridTableController::CanFocusCells() const {
  TkcCustomDataController* dc = DataController();
  int row = dc->GetFocusedRowIndex();
  // A group row has no cells.
  return TableView()->OptionsSelection()->CellSelect() && TableView()->VisibleColumnCount() > 0 && row >= 0 &&
         dc->GetRowInfo(row).Level >= dc->Groups()->GetGroupingItemCount();
}

bool TkcGridTableController::NewItemRowKeyDown(WORD Key) {
  TkcGridTableView* view = TableView();
  TkcCustomDataController* dc = DataController();
  if (!view->OptionsView()->NewItemRow() || (Key != VK_UP && Key != VK_PRIOR && Key != VK_DOWN && Key != VK_NEXT))
    return false;
  const bool onNewItemRow = dc->GetNewItemRowFocused();
  if (Key == VK_UP || Key == VK_PRIOR) {
    // From the first record up to the new-item row; nothing lies above that.
    if (onNewItemRow) return true;
    IkcGridDataControllerItemsSupport* support = ItemsSupport();
    if (dc->GetFocusedRowIndex() != 0 || (support && !support->IsBOF())) return false;
    HideEdit(true);
    CancelIncSearching();
    dc->SetNewItemRowFocused(true);
    view->SetTopRowIndex(0);
    view->LayoutChanged();
    return true;
  }
  // From the new-item row down to the top record.
  if (!onNewItemRow || dc->GetRowCount() == 0) return false;
  int top = view->TopRowIndex();
  HideEdit(true);
  FocusRow(top);
  return dc->GetFocusedRowIndex() == top;
}

void TkcGridTableController::KeyPress(char32_t& Key) {
  // The character of the key stroke that expanded or collapsed a record goes nowhere (the
  // record that took the key is remade by the expansion, so the flag is kept here).
  if (fSkipExpandChar) {
    fSkipExpandChar = false;
    Key = 0;
    return;
  }
  if (fSkipNextChar) {
    fSkipNextChar = false;
    if (Key == U' ') {
      Key = 0;
      return;
    }
  }
  if (Key != 8 && Key <= 31) return;
  TkcGridTableView* view = TableView();
  if (view->OptionsBehavior()->IncSearch() && GetIncSearchItem() && !DataController()->IsEditing() && !IsEditing()) {
    if (Key != 8) {
      SetIncSearchText(IncSearchText() + Utf8Encode(Key));
    }
    Key = 0;
    return;
  }
  // A typed character opens the editor with it.
  if (Key != 8 && view->OptionsBehavior()->ImmediateEditor() && ShowEdit(Key)) Key = 0;
}

// ---- Mouse ----------------------------------------------------------------------------------

void TkcGridTableController::MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  // The filter button opens its drop-down; the header under it is not pressed (no sorting).
  TkcCustomGridHitTest* first = ViewInfo()->GetHitTest(TPoint{X, Y});
  if (auto* filterHit = dynamic_cast<TkcGridColumnHeaderFilterButtonHitTest*>(first)) {
    if (AButton == mbLeft) {
      HideEdit(true);
      FilterPopup()->Popup(filterHit->Column);
    }
    return;
  }
  // The indicator's header mark opens the quick columns list, unless this very press closed it.
  bool closedByThisPress = fItemsPopupClosedByPress && fItemsPopupClosedByPressAt == GetMessageTime();
  fItemsPopupClosedByPress = false;
  if (IsQuickCustomizationMark(first)) {
    HideHint();
    if (AButton == mbLeft && !closedByThisPress) {
      HideEdit(true);
      ItemsCustomizationPopup()->Popup(first->ViewInfo()->Bounds);
    }
    return;
  }
  TkcCustomGridController::MouseDown(AButton, AShift, X, Y);
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  auto* rowHit = dynamic_cast<TkcGridRecordHitTest*>(hit);
  // An expand button or a level indent does not act on the record.
  if (!rowHit || rowHit->RowIndex < 0 || !rowHit->ActsOnRecord()) return;
  int row = rowHit->RowIndex;
  TkcGridColumn* column = nullptr;
  if (auto* cellHit = dynamic_cast<TkcGridRecordCellHitTest*>(hit)) column = cellHit->Column;
  // Hit tests are shared and do not outlive the focusing below.
  const bool onIndicator = dynamic_cast<TkcGridRowIndicatorHitTest*>(hit) != nullptr;
  bool onFocusedCell = row == DataController()->GetFocusedRowIndex() && column && column == fFocusedItem;
  if (column && TableView()->OptionsSelection()->CellSelect()) SetFocusedItem(column);
  FocusRow(row);
  if (DataController()->GetFocusedRowIndex() != row) return;  // the data refused the focus
  if (AButton != mbLeft) return;
  if (IsMultiSelectActive()) MouseSelect(row, AShift);
  fUnselectOnIndicator = onIndicator;
  if (IsCellMultiSelect() && !fUnselectPending) {
    // A row's indicator takes every column; a cell the columns from the anchor to it.
    TShiftState s = AShift * TShiftState{ssShift, ssAlt, ssCtrl};
    if (column && (s.Empty() || s == TShiftState{ssCtrl})) fCellSelectionAnchor = column;
    if (onIndicator)
      SelectColumns(nullptr, nullptr);
    else
      SelectColumns(CellSelectionAnchor(), fFocusedItem);
  }
  // A second click on the focused cell, or a double click, opens its editor and goes on into it.
  if (column && (onFocusedCell || AShift.Contains(ssDouble)) && !AShift.Contains(ssShift) && !AShift.Contains(ssCtrl)) {
    if (CanEdit()) fEditingController->ShowEditByMouse(fFocusedItem, AShift, X, Y);
    return;
  }
  // Cells selected several at a time are always dragged over.
  if (TableView()->OptionsBehavior()->PullFocusing() || IsCellMultiSelect()) {
    fIsPullFocusing = true;
    fPullRow = row;
    fPullColumn = fFocusedItem;
  }
}

void TkcGridTableController::PullFocusTo(int ARowIndex, TkcGridColumn* AColumn) {
  if (AColumn && !TableView()->OptionsSelection()->CellSelect()) AColumn = nullptr;
  if (ARowIndex == fPullRow && (!AColumn || AColumn == fPullColumn)) return;
  fPullRow = ARowIndex;
  if (AColumn) {
    fPullColumn = AColumn;
    SetFocusedItem(AColumn);
  }
  FocusRow(ARowIndex);
  if (IsMultiSelectActive()) SelectRange(true);
  if (IsCellMultiSelect()) SelectColumns(CellSelectionAnchor(), fFocusedItem);
}

void TkcGridTableController::PullScrollTick() {
  TkcGridTableView* view = TableView();
  int visible = std::max(1, view->TableViewInfo()->VisibleRowCount());
  int target = fPullScrollDirection == 3 ? view->TopRowIndex() - 1 : view->TopRowIndex() + visible;
  target = std::clamp(target, 0, std::max(0, DataController()->GetRowCount() - 1));
  PullFocusTo(target);
}

void TkcGridTableController::MouseMove(TShiftState AShift, int X, int Y) {
  TkcCustomGridController::MouseMove(AShift, X, Y);
  if (!fIsPullFocusing) {
    TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
    if (IsQuickCustomizationMark(hit))
      ShowQuickCustomizationHint(hit->ViewInfo());
    else if (HintCell() && dynamic_cast<TkcGridIndicatorItemViewInfo*>(HintCell()))
      HideHint();
    return;
  }
  TkcGridTableViewInfo* info = TableView()->TableViewInfo();
  TRect records = info->RecordsBounds();
  int direction = Y < records.top ? 3 : Y >= records.bottom ? 4 : 0;
  if (direction) {
    // Outside the records the focus keeps moving on a timer.
    fPullScrollDirection = direction;
    if (!fPullScrollTimer) {
      fPullScrollTimer = std::make_unique<TkcTimer>(nullptr);
      fPullScrollTimer->SetInterval(50);
      fPullScrollTimer->SetOnTimer([this](TObject*) { PullScrollTick(); });
    }
    fPullScrollTimer->SetEnabled(true);
    return;
  }
  fPullScrollTimer.reset();
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  if (auto* rowHit = dynamic_cast<TkcGridRecordHitTest*>(hit); rowHit && rowHit->RowIndex >= 0) {
    auto* cellHit = dynamic_cast<TkcGridRecordCellHitTest*>(hit);
    PullFocusTo(rowHit->RowIndex, cellHit ? cellHit->Column : nullptr);
  }
}

void TkcGridTableController::MouseUp(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  TkcCustomGridController::MouseUp(AButton, AShift, X, Y);
  fIsPullFocusing = false;
  fPullScrollTimer.reset();
  if (fUnselectPending && AButton == mbLeft && fUnselectRowIndex == DataController()->GetFocusedRowIndex()) {
    TkcCustomDataController* dc = DataController();
    if ((AShift * TShiftState{ssShift, ssAlt, ssCtrl}) == TShiftState{ssCtrl}) {
      dc->ChangeRowSelection(fUnselectRowIndex, !dc->IsRowSelected(fUnselectRowIndex));
      InvalidateRows();
    } else {
      SelectOnlyFocused();
      // A row's indicator still takes the whole row.
      if (IsCellMultiSelect() && fUnselectOnIndicator) SelectColumns(nullptr, nullptr);
    }
  }
  fUnselectPending = false;
  fUnselectRowIndex = -1;
}

void TkcGridTableController::CancelMouseOperations() {
  TkcCustomGridController::CancelMouseOperations();
  fIsPullFocusing = false;
  fPullScrollTimer.reset();
  fUnselectPending = false;
}

// ---- Scrolling ------------------------------------------------------------------------------

void TkcGridTableController::InitScrollBarsParameters() {
  TkcGridTableView* view = TableView();
  TkcGridTableViewInfo* info = view->TableViewInfo();
  TRect client = info->ClientBounds();
  // A data controller that scrolls its dataset itself (grid mode) gives the vertical bar.
  int count = DataController()->GetRowCount(), position = view->TopRowIndex();
  if (IkcGridDataControllerItemsSupport* support = ItemsSupport(); support && support->GetScrollBarRecordCount() >= 0) {
    count = support->GetScrollBarRecordCount();
    position = support->GetScrollBarPosition();
  }
  Site()->SetScrollBarInfo(sbVertical, 0, count - 1, 1, std::max(1, info->VisibleRowCount()), position, true, true);
  Site()->SetScrollBarInfo(sbHorizontal, 0, info->DataWidth() - 1, 10, client.right - client.left, fLeftPos, true,
                           !view->OptionsView()->Navigator());
}

void TkcGridTableController::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) {
  TkcGridTableView* view = TableView();
  if (AKind == sbHorizontal) {
    TkcGridTableViewInfo* info = view->TableViewInfo();
    int page = std::max(1, info->ClientBounds().right - info->ClientBounds().left);
    switch (ACode) {
      case scLineUp: SetLeftPos(fLeftPos - 10); break;
      case scLineDown: SetLeftPos(fLeftPos + 10); break;
      case scPageUp: SetLeftPos(fLeftPos - page); break;
      case scPageDown: SetLeftPos(fLeftPos + page); break;
      case scTrack:
      case scPosition: SetLeftPos(APos); break;
      default: break;
    }
    APos = fLeftPos;
    return;
  }
  if (IkcGridDataControllerItemsSupport* support = ItemsSupport(); support && support->GetScrollBarRecordCount() >= 0) {
    switch (ACode) {
      case scLineUp:
      case scLineDown: support->ScrollLine(ACode == scLineDown); break;
      case scPageUp:
      case scPageDown: support->ScrollPage(ACode == scPageDown); break;
      case scPosition: support->SetScrollBarPosition(APos); break;
      default: break;
    }
    APos = support->GetScrollBarPosition();
    return;
  }
  switch (ACode) {
    case scLineUp: view->SetTopRowIndex(view->TopRowIndex() - 1); break;
    case scLineDown: view->SetTopRowIndex(view->TopRowIndex() + 1); break;
    case scPageUp:
    case scPageDown: ScrollPage(ACode == scPageDown); break;
    case scTrack:
    case scPosition: view->SetTopRowIndex(APos); break;
    default: break;
  }
  APos = view->TopRowIndex();
}

void TkcGridTableController::ScheduleBufferCheck() {
  if (!DataController()->IsGridMode() || !ItemsSupport()) return;
  if (!fBufferCheckTimer) {
    fBufferCheckTimer = std::make_unique<TkcTimer>(nullptr);
    fBufferCheckTimer->SetInterval(1);
    fBufferCheckTimer->SetOnTimer([this](TObject*) {
      fBufferCheckTimer->SetEnabled(false);
      if (IkcGridDataControllerItemsSupport* support = ItemsSupport()) support->UpdateGridModeBufferCount();
    });
  }
  fBufferCheckTimer->SetEnabled(true);
}

void TkcGridTableController::CheckCoordinates() {
  TkcGridTableView* view = TableView();
  // A dataset read a buffer at a time reads as many records as the rows can now show.
  TRect records = view->TableViewInfo()->RecordsBounds();
  int capacity = view->TableViewInfo()->RowsFitting(records.bottom - records.top);
  if (capacity != fBufferCapacity) {
    fBufferCapacity = capacity;
    ScheduleBufferCheck();
  }
  if (view->TopRowIndex() > view->MaxTopRowIndex()) view->SetTopRowIndex(view->MaxTopRowIndex());
  SetLeftPos(fLeftPos);
  fEditingController->PlaceEdit();
}
