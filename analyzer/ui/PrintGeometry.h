#pragma once
// Where the PLAN tree's picture goes on a printed page.

#include "platform/core/WinTypes.h"

// With the printer's pixels per inch and page size: the page rectangle (an inch in at the
// left and top, three quarters of an inch at the right, an inch at the bottom) and the
// picture's rectangle (the left half of it, the height following the picture's proportions).
// False, and nothing to draw, for an empty picture or a printer without a resolution.
bool PrintBitmapRects(int dpiX, int dpiY, int pageWidth, int pageHeight, int bitmapWidth, int bitmapHeight, TRect& page,
                      TRect& image);
