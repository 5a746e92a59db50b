#pragma once
// Vertical row scrolling for list-like controls (list box, tree view, memo, and the grid and
// editors built on the control model): the top row a scroll bar message or a wheel notch asks
// for (thumb drags to full 32-bit positions), the top row that brings a row into view, and the
// control's vertical scroll bar. The control keeps its top row in a field of its own and says
// how many rows there are and how many fit; it clamps and repaints as it needs.

#include <functional>

#include "platform/forms/Controls.h"

class TRowScroller {
public:
  TRowScroller(TWinControl* control, int& top, std::function<int()> rowCount, std::function<int()> visibleRows)
      : fControl(control), fTop(top), fRowCount(std::move(rowCount)), fVisibleRows(std::move(visibleRows)) {}

  int Top() const { return fTop; }
  int RowCount() const { return fRowCount(); }
  // At least one.
  int VisibleRows() const;
  // The largest top row that still fills the view: RowCount() - VisibleRows(), at least 0.
  int LastTop() const;
  // The top row a WM_VSCROLL message asks for (lines, pages, ends, thumb); not clamped.
  int ScrollPos(WPARAM wParam) const;
  // The top row a WM_MOUSEWHEEL message asks for (the user's lines per notch); not clamped.
  int WheelPos(WPARAM wParam) const;
  // The top row that shows `row` with the least scrolling.
  int TopToShow(int row) const;
  // Shows the row count, the visible rows and the top row on the vertical scroll bar (when the
  // control has its window).
  void UpdateBar() const;

private:
  TWinControl* fControl;
  int& fTop;
  std::function<int()> fRowCount;
  std::function<int()> fVisibleRows;
};
