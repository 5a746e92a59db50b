#pragma once
// The table view's controller: what the keyboard, the mouse and the scroll bars do to the
// table's focus, selection, sorting and scrolling.

#include "grid/kcGridTableView.h"

class TkcGridTableController : public TkcCustomGridController {
  VT_CLASS(TkcGridTableController, TkcCustomGridController)
public:
  using TkcCustomGridController::TkcCustomGridController;
  TkcGridTableView* TableView() const;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) override;
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) override;
  int GetMouseWheelScrollingKind() override { return 2; }
  void CheckCoordinates() override;
  // Clicking a header: ascending, then descending; Ctrl removes the sort; Shift keeps the others.
  void HeaderClicked(TkcGridColumn* AColumn, TShiftState AShift);
  void MakeFocusedRowVisible();
  // Focuses a row, scrolls it into view and repaints the rows.
  void FocusRow(int ARowIndex);
  // One record or one page on from the focused one (grid mode moves the dataset).
  void FocusNextRecord(bool AForward);
  void FocusNextPage(bool AForward);
};
