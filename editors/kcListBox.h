#pragma once
// The list box's integral-height rule: a requested height is cut down to the borders plus a
// whole number of items (at least one), with the horizontal scroll bar's height where one shows.

#include <functional>

struct TkcIntegralHeightParams {
  int BorderTop = 0, BorderBottom = 0;
  int ClientWidth = 0;  // the width less the left and right borders
  int ScrollWidth = 0;  // 0: no horizontal scrolling
  int VScrollBarWidth = 17, HScrollBarHeight = 17;
  int ItemCount = 0;
  // The height of item i (also asked beyond the last item while the height is not filled).
  std::function<int(int)> ItemHeight;
};

int CalculateIntegralHeight(int ARequestedHeight, const TkcIntegralHeightParams& AParams);
