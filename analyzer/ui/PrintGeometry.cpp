#include "analyzer/ui/PrintGeometry.h"

bool PrintBitmapRects(int dpiX, int dpiY, int pageWidth, int pageHeight, int bitmapWidth, int bitmapHeight, TRect& page,
                      TRect& image) {
  page = TRect{dpiX, dpiY, pageWidth - 3 * dpiX / 4, pageHeight - dpiY};
  image = TRect{page.left, page.top, (page.left + page.right) / 2 - dpiX / 4, page.top};
  if (bitmapWidth <= 0 || bitmapHeight <= 0 || dpiX <= 0) return false;
  const int width = image.right - image.left;
  // In 64 bits: a tall picture on a fine printer overflows 32.
  const long long scaled = static_cast<long long>(bitmapHeight) * width / bitmapWidth;
  image.bottom = image.top + static_cast<int>(static_cast<long long>(dpiY) * scaled / dpiX);
  return true;
}
