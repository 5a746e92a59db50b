#pragma once
// Image lists: equally sized images kept side by side, each with a monochrome mask (white =
// transparent), drawn normal, selected (blended with the highlight colour) or disabled (the
// embossed look: the mask shape in button highlight at (+1, +1), then in button shadow).

#include "platform/gdi/WinGdi.h"

constexpr UINT ILC_MASK = 0x1, ILC_COLOR32 = 0x20;
constexpr UINT ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_FOCUS = 0x4, ILD_SELECTED = 0x4, ILD_BLEND50 = 0x4;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF, CLR_DEFAULT = 0xFF000000;

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
// Appends as many images as `image` holds side by side; `mask` (monochrome, may be null: all
// opaque). Answers the index of the first, -1 on failure.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The mask comes from `maskColor`: its pixels become transparent.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// -1 removes every image.
BOOL ImageList_Remove(HIMAGELIST list, int index);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style);
BOOL ImageList_DrawDisabled(HIMAGELIST list, int index, HDC dc, int x, int y);
