#pragma once
// The table view's controller: what the keyboard, the mouse and the scroll bars do to the
// table's focus, selection, sorting, scrolling, incremental search and in-place editing.

#include <memory>

#include "grid/kcGridTableView.h"

class TkcGridEditingController;
class TkcGridFilterPopup;
class TkcGridFilterMRUItemsPopup;
class TkcCustomGridItemsCustomizationPopup;

class TkcGridTableController : public TkcCustomGridController {
  VT_CLASS(TkcGridTableController, TkcCustomGridController)
public:
  explicit TkcGridTableController(TkcCustomGridView* AGridView);
  ~TkcGridTableController() override;
  TkcGridTableView* TableView() const;
  TkcCustomDataController* DataController() const;
  // The data controller's scrolling of its own dataset, when it has one.
  IkcGridDataControllerItemsSupport* ItemsSupport() const;
  TkcGridEditingController* EditingController() const { return fEditingController.get(); }
  // The column filter popup (made on first use).
  TkcGridFilterPopup* FilterPopup();
  // The filter bar's list of recent filters (made on first use).
  TkcGridFilterMRUItemsPopup* FilterMRUItemsPopup();
  // The quick columns list the indicator's header opens (made on first use).
  TkcCustomGridItemsCustomizationPopup* ItemsCustomizationPopup();

  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) override;
  void MouseMove(TShiftState AShift, int X, int Y) override;
  void MouseUp(TMouseButton AButton, TShiftState AShift, int X, int Y) override;
  void CancelMouseOperations() override;
  void FocusEntered() override;
  void FocusLost() override;
  // Tab's move: the next (previous) cell, across rows; false past the last (first) one.
  bool FocusNextCell(bool AForward);
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) override;
  int GetMouseWheelScrollingKind() override { return 2; }
  void CheckCoordinates() override;
  // In grid mode: the dataset's buffer is sized again once the current layout is done.
  void ScheduleBufferCheck();

  // Clicking a header: ascending, then descending; Ctrl removes the sort; Shift keeps the others.
  // With OptionsCustomize.GroupBySorting the first sorted column also groups the rows.
  void HeaderClicked(TkcGridColumn* AColumn, TShiftState AShift);
  void CheckCustomizationFormBounds(TRect& R) override;
  void MakeFocusedRowVisible();
  // Focuses a row, scrolls it into view and repaints the rows.
  void FocusRow(int ARowIndex);
  // One record or one page on from the focused one; a page step first goes to the last
  // (first) visible row and scrolls only from there.
  void FocusNextRecord(bool AForward);
  void FocusNextPage(bool AForward);
  // The first (last) record; in grid mode also one outside the dataset's buffer.
  void GoToFirst();
  void GoToLast();
  // Scrolls the rows by a page, which overlaps the one before by a row.
  void ScrollPage(bool AForward);
  // Past the last record appends one only when the view allows appending.
  void GoToNext();
  void GoToPrev() { FocusNextRecord(false); }

  // The focused column (cells are focused one at a time); nil when none.
  TkcGridColumn* FocusedItem() const { return fFocusedItem; }
  // Focusing the focused column again only scrolls it into view.
  void SetFocusedItem(TkcGridColumn* Value);
  // Scrolls the focused column into view sideways.
  void MakeFocusedItemVisible();
  void ItemRemoved(TkcGridColumn* AItem);
  // The horizontal scroll position in pixels, kept within the data width.
  int LeftPos() const { return fLeftPos; }
  void SetLeftPos(int Value);

  // Selection.
  bool IsMultiSelectActive() const;
  // Cells selected several at a time: the selected rows by the selected columns.
  bool IsCellMultiSelect() const;
  const std::vector<TkcGridColumn*>& SelectedColumns() const { return fSelectedColumns; }
  // The column a Shift-extended column selection starts from (the focused one when the anchor
  // is gone or hidden).
  TkcGridColumn* CellSelectionAnchor() const;
  void SetCellSelectionAnchor(TkcGridColumn* Value) { fCellSelectionAnchor = Value; }
  // Selects the visible columns from AFrom to ATo (none: the first / the last), alone.
  void SelectColumns(TkcGridColumn* AFrom, TkcGridColumn* ATo);
  void ColumnSelectedChanged(TkcGridColumn* AColumn, bool ASelected);
  // Whether the cell paints as selected with cell multi-selection: its row and column are
  // selected and it is not being edited.
  bool IsCellSelected(int ARowIndex, TkcGridColumn* AColumn) const;
  // Copies the selected rows (with cell multi-selection only their selected columns) and the
  // captions as tab-separated text.
  void CopySelectionToClipboard();
  void SelectOnlyFocused();
  void SelectRange(bool AClearOthers);
  void SelectAll();
  void ClearSelection();
  // Deletes the selected records (several) or the focused one, after the question when
  // DeletingConfirmation is on; anything but OK deletes nothing.
  void DeleteSelection();
  bool CanDelete(bool ACheckOptions) const;
  bool CanInsert(bool ACheckOptions) const;
  void CreateNewRecord(bool AAppend);

  // Incremental search on the search column: the text found so far (empty: not searching).
  String IncSearchText() const;
  void SetIncSearchText(const String& Value);
  bool IsIncSearching() const;
  void CancelIncSearching();
  TkcGridColumn* GetIncSearchItem() const;

  // In-place editing of the focused cell.
  bool CanEdit() const;
  bool ShowEdit(char32_t AKey = 0);
  void HideEdit(bool ASave);
  bool IsEditing() const;
  // Opens the focused cell's editor again when the view always shows one.
  void CheckEditing();
  // CancelOnExit and a new record nothing was typed into.
  bool IsCancelOnExitNeeded() const;
  // The view is going: its editor's value and the record in edit are posted.
  void FinishEditingBeforeDestruction();

private:
  // The first or last record, bringing it into the buffer in grid mode.
  void GoToEdge(bool ALast);
  bool IncSearchKeyDown(WORD& Key, TShiftState Shift);
  // In grid mode: moves the dataset's buffer by the distance past its edge row (false when not
  // in grid mode or the dataset is already at that end).
  bool ScrollGridModeBuffer(int ADistance);
  int PageStep() const;
  // Cells can be focused in the focused row.
  bool CanFocusCells() const;
  // Up and Page Up from the first record reach the new-item row, Down and Page Down leave it.
  bool NewItemRowKeyDown(WORD Key);
  void ProcessSelectionKey(WORD& Key, TShiftState Shift);
  void MouseSelect(int ARowIndex, TShiftState AShift);
  void PullFocusTo(int ARowIndex, TkcGridColumn* AColumn = nullptr);
  void PullScrollTick();
  void InvalidateRows();
  void UpdateColumnSelection(TShiftState AShift);
  void ResetColumnSelection();
  void ShowQuickCustomizationHint(TkcCustomGridCellViewInfo* ACell);
  bool IsQuickCustomizationMark(TkcCustomGridHitTest* AHitTest);
  std::unique_ptr<TkcGridEditingController> fEditingController;
  std::unique_ptr<TkcGridFilterPopup> fFilterPopup;
  std::unique_ptr<TkcGridFilterMRUItemsPopup> fFilterMRUItemsPopup;
  std::unique_ptr<TkcCustomGridItemsCustomizationPopup> fItemsCustomizationPopup;
  // When the mouse press that closed the quick columns list came (so that the same press on
  // the mark does not open it again).
  DWORD fItemsPopupClosedByPressAt = 0;
  bool fItemsPopupClosedByPress = false;
  std::vector<TkcGridColumn*> fSelectedColumns;
  TkcGridColumn* fCellSelectionAnchor = nullptr;
  std::unique_ptr<TkcTimer> fPullScrollTimer;
  std::unique_ptr<TkcTimer> fBufferCheckTimer;
  int fBufferCapacity = -1;
  TkcGridColumn* fFocusedItem = nullptr;
  int fLeftPos = 0;
  int fUnselectRowIndex = -1;
  bool fCheckingEditing = false;
  bool fUnselectPending = false, fUnselectOnIndicator = false, fSkipNextChar = false, fSkipExpandChar = false, fIsPullFocusing = false;
  int fPullScrollDirection = 0, fPullRow = -1;
  TkcGridColumn* fPullColumn = nullptr;
};
