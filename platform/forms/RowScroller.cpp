#include "platform/forms/RowScroller.h"

#include <algorithm>

#include "platform/forms/FormsInternal.h"

int TRowScroller::VisibleRows() const { return std::max(1, fVisibleRows()); }

int TRowScroller::LastTop() const { return std::max(0, RowCount() - VisibleRows()); }

int TRowScroller::ScrollPos(WPARAM wParam) const {
  return ScrollMessagePos(fControl, SB_VERT, wParam, fTop, 1, VisibleRows(), RowCount());
}

int TRowScroller::WheelPos(WPARAM wParam) const { return fTop - forms_detail::WheelLines(wParam); }

int TRowScroller::TopToShow(int row) const { return forms_detail::TopToShow(row, fTop, VisibleRows()); }

void TRowScroller::UpdateBar() const {
  if (fControl->HandleAllocated()) SetVertScrollBar(fControl->Handle(), RowCount(), VisibleRows(), fTop);
}
