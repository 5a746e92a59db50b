#pragma once
// The program's named bitmaps, generated in code and keyed by their resource names (compared
// without regard to case). Each load answers a new bitmap that the caller deletes.
//
//   "KC_ARROWBITMAP", "KC_EDITBITMAP", "KC_INSERTBITMAP", "KC_MULTIDOTBITMAP",
//   "KC_MULTIARROWBITMAP", "KC_FILTERBITMAP"      row indicators, 8 x 9, black on white
//                                                  (white is the mask colour)
//   "KCEXPANDBUTTON_PLUS", "KCEXPANDBUTTON_MINUS"  11 x 11 expand buttons
//   "KC_VERSCROLLBITMAP", "KC_HORSCROLLBITMAP",
//   "KC_FULLSCROLLBITMAP"                          27 x 27 middle-button scroll anchors,
//                                                  black on white
//   "SXEDITWRAPPED"                                16 x 16 wrap arrow on lime (the mask colour)
//   "SXEDITINTERNALIMAGES"                         160 x 16: ten 16 x 16 bookmark images 0..9
//
// LoadBitmap(HINSTANCE(), OBM_CHECKBOXES) answers the 52 x 39 system check-box bitmap: 4 x 3
// cells of 13 x 13 (rows: check box, radio button, three-state box; columns: normal, checked,
// pushed, pushed and checked).

#include <string>
#include <string_view>
#include <vector>

#include "platform/gdi/WinGdi.h"

HBITMAP LoadNamedBitmap(std::string_view name);
std::vector<std::string> NamedBitmapNames();
