#include "editors/kcListBox.h"

#include <algorithm>

int CalculateIntegralHeight(int ARequestedHeight, const TkcIntegralHeightParams& AParams) {
  const int scrollWidth = AParams.ScrollWidth > 0 ? AParams.ScrollWidth + 4 : 0;
  // The height of the first n items, with the horizontal scroll bar when it would show.
  auto candidate = [&](long long sum, int n) {
    int client = AParams.ClientWidth;
    if (n < AParams.ItemCount) client -= AParams.VScrollBarWidth;
    return static_cast<int>(sum + (scrollWidth > 0 && client < scrollWidth ? AParams.HScrollBarHeight : 0));
  };
  long long sum = AParams.BorderTop + AParams.BorderBottom;
  long long previousSum = sum;
  for (int i = 0;; ++i) {
    previousSum = sum;
    // An item is at least one pixel high, so the walk always ends.
    sum += std::max(1, AParams.ItemHeight ? AParams.ItemHeight(i) : 1);
    const int height = candidate(sum, i + 1);
    if (height == ARequestedHeight) return height;
    if (height > ARequestedHeight) return i == 0 ? height : candidate(previousSum, i);
  }
}
