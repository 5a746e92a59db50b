#include "editors/kcComboBoxLayout.h"

#include <algorithm>

SIZE CalculateComboListPreferredSize(const TkcComboListMetrics& AMetrics, int ADropDownRows, int AWidthLimit,
                                     int& AScrollWidth) {
  const int rows = std::min(AMetrics.ItemCount, ADropDownRows);
  long long height = 0;
  for (int i = 0; i < rows; ++i) height += AMetrics.ItemHeight(i);
  int widest = 0;
  for (int i = 0; i < AMetrics.ItemCount; ++i) widest = std::max(widest, AMetrics.ItemWidth(i));
  SIZE size{widest + 4, static_cast<LONG>(height)};
  AScrollWidth = size.cx;
  if (AMetrics.ItemCount > ADropDownRows) size.cx += AMetrics.VScrollBarWidth;
  if (AWidthLimit > 0 && AWidthLimit < size.cx) size.cy += AMetrics.HScrollBarHeight;
  return size;
}

void FitComboListSizeToRows(const TkcComboListMetrics& AMetrics, SIZE& ASize, SIZE ACurrent, int AMaxHeight,
                            int AScrollWidth) {
  if (ASize == ACurrent || AMetrics.ItemCount <= 0) return;
  const int count = AMetrics.ItemCount;
  // The height of rows 0..i, with the horizontal scroll bar when the items are wider.
  auto candidate = [&](long long sum, int i) {
    const int client = ASize.cx - (i + 1 < count ? AMetrics.VScrollBarWidth : 0);
    return static_cast<int>(sum + (AScrollWidth > client ? AMetrics.HScrollBarHeight : 0));
  };
  const int requested = ASize.cy;
  long long sum = 0, previousSum = 0;
  int taken = 0, rows = 0;
  for (int i = 0; i < count; ++i) {
    previousSum = sum;
    sum += AMetrics.ItemHeight(i);
    const int t = candidate(sum, i);
    rows = i + 1;
    if (t == requested && (AMaxHeight == 0 || t <= AMaxHeight)) {
      taken = t;
      break;
    }
    if ((AMaxHeight > 0 && t > AMaxHeight) || (t > requested && requested >= ACurrent.cy)) {
      if (i > 0) {
        taken = candidate(previousSum, i - 1);
        rows = i;
      } else {
        taken = t;
      }
      break;
    }
    if (t > requested || i == count - 1) {
      taken = t;
      break;
    }
  }
  ASize.cy = taken;
  if (rows < count) {
    const bool hScroll = AScrollWidth > ASize.cx - AMetrics.VScrollBarWidth;
    ASize.cx = std::max<LONG>(ASize.cx, AMetrics.VScrollBarWidth * (hScroll ? 2 : 1));
  }
}
