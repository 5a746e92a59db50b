#pragma once
// The combo box's list in its popup: the size it prefers (rows up to the drop-down row count,
// as wide as the widest item) and resizing by the user in whole rows.

#include <functional>

#include "platform/core/WinTypes.h"

struct TkcComboListMetrics {
  int ItemCount = 0;
  std::function<int(int)> ItemHeight;
  std::function<int(int)> ItemWidth;
  int VScrollBarWidth = 17, HScrollBarHeight = 17;
};

// The list's preferred size for ADropDownRows rows; AWidthLimit (0 = none) narrower than the
// items adds the horizontal scroll bar. AScrollWidth receives the widest item plus 4.
SIZE CalculateComboListPreferredSize(const TkcComboListMetrics& AMetrics, int ADropDownRows, int AWidthLimit,
                                     int& AScrollWidth);

// Fits a requested list size to whole rows. ACurrent is the list's size now; AMaxHeight 0 means
// no limit. Growing stops at the last row that fits, shrinking at the first row that covers.
void FitComboListSizeToRows(const TkcComboListMetrics& AMetrics, SIZE& ASize, SIZE ACurrent, int AMaxHeight,
                            int AScrollWidth);
