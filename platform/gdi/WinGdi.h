#pragma once
// Our GDI-shaped drawing layer: objects (pens, brushes, fonts, bitmaps, regions) behind
// generation-counted handles, device contexts over a window surface, a memory bitmap, a
// printer page or for measuring only, and the drawing and text calls the code uses, with
// Windows' pixel rules (half-open rectangles, lines without their end point, ...).
//
// Strings are UTF-8; every count, advance array and fit count is in characters (code
// points), never in bytes, so a multi-byte character is never split.
//
// Everything here is meant for the user-interface thread.
//
// For the window layer:
//   CreateSurfaceDC(surface, origin, visible)  a DC drawing on a window's retained surface;
//   SetDCVisibleRgn / GetDCDirtyRect           change the system clip, read the touched bounds;
//   regions (CreateRectRgn, CombineRgn, OffsetRgn, PtInRegion, GetRgnBox, GetRegionRects);
//   ScrollSurface (Surface.h)                  the pixel shift of ScrollWindowEx.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/core/WinTypes.h"
#include "platform/gdi/Surface.h"

// ---- Constants -----------------------------------------------------------------------------

// Object types (GetObjectType)
constexpr DWORD OBJ_PEN = 1, OBJ_BRUSH = 2, OBJ_DC = 3, OBJ_FONT = 6, OBJ_BITMAP = 7, OBJ_REGION = 8, OBJ_MEMDC = 10;
// Stock objects
constexpr int WHITE_BRUSH = 0, LTGRAY_BRUSH = 1, GRAY_BRUSH = 2, DKGRAY_BRUSH = 3, BLACK_BRUSH = 4, NULL_BRUSH = 5,
              HOLLOW_BRUSH = NULL_BRUSH, WHITE_PEN = 6, BLACK_PEN = 7, NULL_PEN = 8, OEM_FIXED_FONT = 10,
              ANSI_FIXED_FONT = 11, ANSI_VAR_FONT = 12, SYSTEM_FONT = 13, DEFAULT_GUI_FONT = 17;
// Pen styles
constexpr int PS_SOLID = 0, PS_DASH = 1, PS_DOT = 2, PS_DASHDOT = 3, PS_DASHDOTDOT = 4, PS_NULL = 5, PS_INSIDEFRAME = 6;
// Brush styles
constexpr UINT BS_SOLID = 0, BS_NULL = 1, BS_HOLLOW = 1, BS_PATTERN = 3;
// Background modes
constexpr int TRANSPARENT = 1, OPAQUE = 2;
// Binary raster operations (pen and brush drawing)
constexpr int R2_BLACK = 1, R2_NOTMERGEPEN = 2, R2_MASKNOTPEN = 3, R2_NOTCOPYPEN = 4, R2_MASKPENNOT = 5, R2_NOT = 6,
              R2_XORPEN = 7, R2_NOTMASKPEN = 8, R2_MASKPEN = 9, R2_NOTXORPEN = 10, R2_NOP = 11, R2_MERGENOTPEN = 12,
              R2_COPYPEN = 13, R2_MERGEPENNOT = 14, R2_MERGEPEN = 15, R2_WHITE = 16;
// Ternary raster operations (blits); any code works, these are named
constexpr DWORD SRCCOPY = 0x00CC0020, SRCPAINT = 0x00EE0086, SRCAND = 0x008800C6, SRCINVERT = 0x00660046,
                SRCERASE = 0x00440328, NOTSRCCOPY = 0x00330008, NOTSRCERASE = 0x001100A6, MERGECOPY = 0x00C000CA,
                MERGEPAINT = 0x00BB0226, PATCOPY = 0x00F00021, PATPAINT = 0x00FB0A09, PATINVERT = 0x005A0049,
                DSTINVERT = 0x00550009, BLACKNESS = 0x00000042, WHITENESS = 0x00FF0062;
// Region results and combine modes
constexpr int ERROR = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3, RGN_ERROR = ERROR;
constexpr int RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
// Polygon fill modes
constexpr int ALTERNATE = 1, WINDING = 2;
// Text alignment
constexpr UINT TA_NOUPDATECP = 0, TA_UPDATECP = 1, TA_LEFT = 0, TA_RIGHT = 2, TA_CENTER = 6, TA_TOP = 0, TA_BOTTOM = 8,
               TA_BASELINE = 24;
// ExtTextOut options
constexpr UINT ETO_OPAQUE = 0x2, ETO_CLIPPED = 0x4;
// DrawText flags
constexpr UINT DT_TOP = 0x0, DT_LEFT = 0x0, DT_CENTER = 0x1, DT_RIGHT = 0x2, DT_VCENTER = 0x4, DT_BOTTOM = 0x8,
               DT_WORDBREAK = 0x10, DT_SINGLELINE = 0x20, DT_EXPANDTABS = 0x40, DT_TABSTOP = 0x80, DT_NOCLIP = 0x100,
               DT_EXTERNALLEADING = 0x200, DT_CALCRECT = 0x400, DT_NOPREFIX = 0x800, DT_INTERNAL = 0x1000,
               DT_EDITCONTROL = 0x2000, DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
               DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000,
               DT_HIDEPREFIX = 0x100000, DT_PREFIXONLY = 0x200000;
// Font weights, character sets, precisions
constexpr LONG FW_DONTCARE = 0, FW_THIN = 100, FW_LIGHT = 300, FW_NORMAL = 400, FW_MEDIUM = 500, FW_SEMIBOLD = 600,
               FW_BOLD = 700, FW_HEAVY = 900;
constexpr BYTE ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, SHIFTJIS_CHARSET = 128, GB2312_CHARSET = 134,
               CHINESEBIG5_CHARSET = 136, ARABIC_CHARSET = 178, OEM_CHARSET = 255;
constexpr BYTE OUT_DEFAULT_PRECIS = 0, OUT_TT_PRECIS = 4, OUT_TT_ONLY_PRECIS = 7;
constexpr BYTE CLIP_DEFAULT_PRECIS = 0, DEFAULT_QUALITY = 0, NONANTIALIASED_QUALITY = 3;
constexpr BYTE DEFAULT_PITCH = 0, FIXED_PITCH = 1, VARIABLE_PITCH = 2;
constexpr BYTE FF_DONTCARE = 0x00, FF_ROMAN = 0x10, FF_SWISS = 0x20, FF_MODERN = 0x30;
constexpr BYTE TMPF_FIXED_PITCH = 0x01, TMPF_VECTOR = 0x02, TMPF_TRUETYPE = 0x04;
// Device capabilities
constexpr int HORZSIZE = 4, VERTSIZE = 6, HORZRES = 8, VERTRES = 10, BITSPIXEL = 12, PLANES = 14, NUMCOLORS = 24,
              LOGPIXELSX = 88, LOGPIXELSY = 90, PHYSICALWIDTH = 110, PHYSICALHEIGHT = 111, PHYSICALOFFSETX = 112,
              PHYSICALOFFSETY = 113, TECHNOLOGY = 2;
constexpr int DT_RASDISPLAY = 1, DT_RASPRINTER = 2;
// DIBs
constexpr DWORD BI_RGB = 0;
constexpr UINT DIB_RGB_COLORS = 0;
// Stretch modes
constexpr int BLACKONWHITE = 1, WHITEONBLACK = 2, COLORONCOLOR = 3, HALFTONE = 4;
// DrawEdge
constexpr UINT BDR_RAISEDOUTER = 0x1, BDR_SUNKENOUTER = 0x2, BDR_RAISEDINNER = 0x4, BDR_SUNKENINNER = 0x8,
               BDR_OUTER = 0x3, BDR_INNER = 0xC, BDR_RAISED = 0x5, BDR_SUNKEN = 0xA;
constexpr UINT EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
               EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER;
constexpr UINT BF_LEFT = 0x1, BF_TOP = 0x2, BF_RIGHT = 0x4, BF_BOTTOM = 0x8, BF_TOPLEFT = 0x3, BF_BOTTOMRIGHT = 0xC,
               BF_RECT = 0xF, BF_MIDDLE = 0x800, BF_SOFT = 0x1000, BF_ADJUST = 0x2000, BF_FLAT = 0x4000,
               BF_MONO = 0x8000;
// DrawFrameControl
constexpr UINT DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4;
constexpr UINT DFCS_BUTTONCHECK = 0x0, DFCS_BUTTONRADIOIMAGE = 0x1, DFCS_BUTTONRADIOMASK = 0x2, DFCS_BUTTONRADIO = 0x4,
               DFCS_BUTTON3STATE = 0x8, DFCS_BUTTONPUSH = 0x10;
constexpr UINT DFCS_SCROLLUP = 0x0, DFCS_SCROLLDOWN = 0x1, DFCS_SCROLLLEFT = 0x2, DFCS_SCROLLRIGHT = 0x3,
               DFCS_SCROLLCOMBOBOX = 0x5, DFCS_SCROLLSIZEGRIP = 0x8, DFCS_SCROLLSIZEGRIPRIGHT = 0x10;
constexpr UINT DFCS_INACTIVE = 0x100, DFCS_PUSHED = 0x200, DFCS_CHECKED = 0x400, DFCS_TRANSPARENT = 0x800,
               DFCS_HOT = 0x1000, DFCS_ADJUSTRECT = 0x2000, DFCS_FLAT = 0x4000, DFCS_MONO = 0x8000;
// Predefined bitmaps (LoadBitmap with a null instance)
constexpr int OBM_CHECKBOXES = 32759;

// ---- Records -------------------------------------------------------------------------------

constexpr int LF_FACESIZE = 32;

struct LOGFONT {
  LONG lfHeight = 0;  // < 0: character height; > 0: cell height; 0: default
  LONG lfWidth = 0;
  LONG lfEscapement = 0;  // tenths of a degree, counter-clockwise
  LONG lfOrientation = 0;
  LONG lfWeight = FW_NORMAL;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = DEFAULT_CHARSET;
  BYTE lfOutPrecision = OUT_DEFAULT_PRECIS;
  BYTE lfClipPrecision = CLIP_DEFAULT_PRECIS;
  BYTE lfQuality = DEFAULT_QUALITY;
  BYTE lfPitchAndFamily = DEFAULT_PITCH;
  char lfFaceName[LF_FACESIZE] = {};  // UTF-8, NUL-terminated
};
using LOGFONTA = LOGFONT;

struct TEXTMETRIC {
  LONG tmHeight = 0;
  LONG tmAscent = 0;
  LONG tmDescent = 0;
  LONG tmInternalLeading = 0;
  LONG tmExternalLeading = 0;
  LONG tmAveCharWidth = 0;
  LONG tmMaxCharWidth = 0;
  LONG tmWeight = 0;
  LONG tmOverhang = 0;
  LONG tmDigitizedAspectX = 96;
  LONG tmDigitizedAspectY = 96;
  char32_t tmFirstChar = 0x20;
  char32_t tmLastChar = 0xFFFF;
  char32_t tmDefaultChar = '?';
  char32_t tmBreakChar = ' ';
  BYTE tmItalic = 0;
  BYTE tmUnderlined = 0;
  BYTE tmStruckOut = 0;
  BYTE tmPitchAndFamily = 0;  // TMPF_ bits; TMPF_FIXED_PITCH set means *variable* pitch, as in GDI
  BYTE tmCharSet = DEFAULT_CHARSET;
};
using TEXTMETRICA = TEXTMETRIC;

struct ABC {
  int abcA = 0;
  UINT abcB = 0;
  int abcC = 0;
};

struct LOGPEN {
  UINT lopnStyle = PS_SOLID;
  POINT lopnWidth{};
  COLORREF lopnColor = 0;
};

struct LOGBRUSH {
  UINT lbStyle = BS_SOLID;
  COLORREF lbColor = 0;
  std::uintptr_t lbHatch = 0;  // BS_PATTERN: the HBITMAP's value
};

struct BITMAP {
  LONG bmType = 0;
  LONG bmWidth = 0;
  LONG bmHeight = 0;
  LONG bmWidthBytes = 0;
  WORD bmPlanes = 1;
  WORD bmBitsPixel = 0;
  void* bmBits = nullptr;  // DIB sections only
};

struct BITMAPINFOHEADER {
  DWORD biSize = 40;
  LONG biWidth = 0;
  LONG biHeight = 0;  // > 0: bottom-up rows; < 0: top-down rows
  WORD biPlanes = 1;
  WORD biBitCount = 32;
  DWORD biCompression = BI_RGB;
  DWORD biSizeImage = 0;
  LONG biXPelsPerMeter = 0;
  LONG biYPelsPerMeter = 0;
  DWORD biClrUsed = 0;
  DWORD biClrImportant = 0;
};

struct RGBQUAD {
  BYTE rgbBlue = 0, rgbGreen = 0, rgbRed = 0, rgbReserved = 0;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[2];  // colour table of 1-bit images
};

struct DRAWTEXTPARAMS {
  UINT cbSize = sizeof(DRAWTEXTPARAMS);
  int iTabLength = 0;  // in average character widths
  int iLeftMargin = 0;
  int iRightMargin = 0;
  UINT uiLengthDrawn = 0;
};

// ---- Handles -------------------------------------------------------------------------------

template <class H>
constexpr HGDIOBJ ToGdiObj(H h) {
  return HGDIOBJ(h.value);
}
template <class H>
constexpr H FromGdiObj(HGDIOBJ h) {
  return H(h.value);
}

DWORD GetObjectType(HGDIOBJ h);
HGDIOBJ GetStockObject(int index);
inline HBRUSH GetStockBrush(int index) { return FromGdiObj<HBRUSH>(GetStockObject(index)); }
inline HPEN GetStockPen(int index) { return FromGdiObj<HPEN>(GetStockObject(index)); }
inline HFONT GetStockFont(int index) { return FromGdiObj<HFONT>(GetStockObject(index)); }

// Deleting an object that a DC still has selected (or saved) is deferred until it is
// deselected: the handle stays valid until then. Stock objects are never deleted.
BOOL DeleteObject(HGDIOBJ h);
inline BOOL DeleteObject(HPEN h) { return DeleteObject(ToGdiObj(h)); }
inline BOOL DeleteObject(HBRUSH h) { return DeleteObject(ToGdiObj(h)); }
inline BOOL DeleteObject(HFONT h) { return DeleteObject(ToGdiObj(h)); }
inline BOOL DeleteObject(HBITMAP h) { return DeleteObject(ToGdiObj(h)); }
inline BOOL DeleteObject(HRGN h) { return DeleteObject(ToGdiObj(h)); }
// Number of live objects (leak checks in tests).
int GdiObjectCount();

// ---- Pens, brushes, fonts ------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN& lp);
HBRUSH CreateSolidBrush(COLORREF color);
// A brush tiled from `bitmap` (copied), anchored at the DC's brush origin. A monochrome
// pattern draws its 0 bits in the DC's text colour and its 1 bits in the background colour.
HBRUSH CreatePatternBrush(HBITMAP bitmap);
HBRUSH CreateBrushIndirect(const LOGBRUSH& lb);
// The brush of system colour `index` (0..30): resolved through GetSysColor (Colors.h) when
// drawing, shared, never deleted.
HBRUSH GetSysColorBrush(int index);
HFONT CreateFontIndirect(const LOGFONT& lf);
HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, const char* face);

int GetObject(HGDIOBJ h, int size, void* out);
inline int GetObject(HFONT h, LOGFONT* out) { return GetObject(ToGdiObj(h), sizeof(LOGFONT), out); }
inline int GetObject(HPEN h, LOGPEN* out) { return GetObject(ToGdiObj(h), sizeof(LOGPEN), out); }
inline int GetObject(HBRUSH h, LOGBRUSH* out) { return GetObject(ToGdiObj(h), sizeof(LOGBRUSH), out); }
inline int GetObject(HBITMAP h, BITMAP* out) { return GetObject(ToGdiObj(h), sizeof(BITMAP), out); }

// ---- Bitmaps -------------------------------------------------------------------------------

// A 32-bit bitmap (all pixels white), or a monochrome one when bitsPerPixel is 1.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
// A bitmap compatible with `dc`: monochrome for a fresh memory DC, 32-bit otherwise.
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A 32-bit DIB section; *bits receives direct access to the rows. Rows are top-down in memory
// when biHeight < 0; bottom-up requests are served top-down too (GetDIBits flips).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section = 0, DWORD offset = 0);
// Lines of a bitmap as 32-bit pixels (or 1-bit rows padded to 32 bits when biBitCount is 1).
// A null `bits` fills in the header only.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
// The pixels of a bitmap (32-bit; monochrome bitmaps hold only black and white pixels).
Surface* BitmapSurface(HBITMAP bitmap);
bool IsMonochromeBitmap(HBITMAP bitmap);
SIZE GetBitmapSize(HBITMAP bitmap);
// A predefined bitmap (OBM_CHECKBOXES) when `instance` is null, else a named one (GdiResources.h).
HBITMAP LoadBitmap(HINSTANCE instance, const char* name);
HBITMAP LoadBitmap(HINSTANCE instance, int id);

// ---- Regions -------------------------------------------------------------------------------

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT& r);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT& r);
// The pixels inside the polygon, by ALTERNATE or WINDING: what Polygon fills without its outline.
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
HRGN CreateRegionFromRects(const std::vector<RECT>& rects);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
// dest = a op b (b is ignored by RGN_COPY); answers NULLREGION, SIMPLEREGION, COMPLEXREGION or ERROR.
int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode);
BOOL EqualRgn(HRGN a, HRGN b);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* r);
int GetRgnBox(HRGN rgn, RECT* box);
// The non-overlapping rectangles that make up the region, top to bottom.
std::vector<RECT> GetRegionRects(HRGN rgn);

// ---- Device contexts -----------------------------------------------------------------------

// A DC on a window surface. `origin` is where the DC's device point (0, 0) lies on the surface
// (a child window's client offset on its top-level surface). `visible` (device coordinates;
// copied, may be null for the whole surface) limits every drawing: the update region during
// BeginPaint, the visible part of the window otherwise. Release it with DeleteDC.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, HRGN visible);
// Replaces the system clip of a surface DC (device coordinates; null = the whole surface).
BOOL SetDCVisibleRgn(HDC dc, HRGN visible);
// Bounds (surface coordinates) of the pixels written since the DC was made or last reset.
RECT GetDCDirtyRect(HDC dc, bool reset);
// A memory DC; its first bitmap is a 1 x 1 monochrome one, as in GDI. `dc` is ignored.
HDC CreateCompatibleDC(HDC dc);
// A DC that measures text (screen metrics, 96 DPI) and draws nothing.
HDC CreateMeasureDC();
BOOL DeleteDC(HDC dc);

HGDIOBJ SelectObject(HDC dc, HGDIOBJ h);
inline HPEN SelectObject(HDC dc, HPEN h) { return FromGdiObj<HPEN>(SelectObject(dc, ToGdiObj(h))); }
inline HBRUSH SelectObject(HDC dc, HBRUSH h) { return FromGdiObj<HBRUSH>(SelectObject(dc, ToGdiObj(h))); }
inline HFONT SelectObject(HDC dc, HFONT h) { return FromGdiObj<HFONT>(SelectObject(dc, ToGdiObj(h))); }
inline HBITMAP SelectObject(HDC dc, HBITMAP h) { return FromGdiObj<HBITMAP>(SelectObject(dc, ToGdiObj(h))); }
HGDIOBJ GetCurrentObject(HDC dc, UINT type);

COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int SetStretchBltMode(HDC dc, int mode);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetBrushOrgEx(HDC dc, POINT* out);
UINT SetTextAlign(HDC dc, UINT align);
UINT GetTextAlign(HDC dc);
int SetTextCharacterExtra(HDC dc, int extra);
int GetTextCharacterExtra(HDC dc);
BOOL SetTextJustification(HDC dc, int extra, int breakCount);
COLORREF GetNearestColor(HDC dc, COLORREF c);

BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* out);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* out);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL LPtoDP(HDC dc, POINT* pts, int count);
BOOL DPtoLP(HDC dc, POINT* pts, int count);

// Saves objects, colours, modes, origins, clip; RestoreDC(-1) restores the last, a positive
// level restores that save (dropping the later ones).
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);

// Clip regions are in device coordinates (Select/Get); the rectangle calls take logical ones.
int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
// 1 and a copy of the clip in `rgn` when the DC has one; 0 when none; -1 on error.
int GetClipRgn(HDC dc, HRGN rgn);
int GetClipBox(HDC dc, RECT* box);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
BOOL RectVisible(HDC dc, const RECT* r);
BOOL PtVisible(HDC dc, int x, int y);

int GetDeviceCaps(HDC dc, int index);

// Paths: the figure drawn between BeginPath and EndPath becomes a region.
BOOL BeginPath(HDC dc);
BOOL EndPath(HDC dc);
BOOL AbortPath(HDC dc);
HRGN PathToRegion(HDC dc);

// ---- Rectangles (half-open: the right and bottom edges are outside) -------------------------

inline BOOL OffsetRect(RECT* r, int dx, int dy) {
  r->left += dx, r->right += dx, r->top += dy, r->bottom += dy;
  return TRUE;
}
inline BOOL InflateRect(RECT* r, int dx, int dy) {
  r->left -= dx, r->right += dx, r->top -= dy, r->bottom += dy;
  return TRUE;
}
inline BOOL PtInRect(const RECT* r, POINT p) {
  return p.x >= r->left && p.x < r->right && p.y >= r->top && p.y < r->bottom;
}
inline BOOL IsRectEmpty(const RECT* r) { return r->right <= r->left || r->bottom <= r->top; }
// dst = a * b; an empty result is set to (0, 0, 0, 0) and answers FALSE.
inline BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b) {
  RECT r{a->left > b->left ? a->left : b->left, a->top > b->top ? a->top : b->top,
         a->right < b->right ? a->right : b->right, a->bottom < b->bottom ? a->bottom : b->bottom};
  if (IsRectEmpty(&r)) r = RECT{};
  *dst = r;
  return !IsRectEmpty(dst);
}
inline BOOL EqualRect(const RECT* a, const RECT* b) { return *a == *b; }

// ---- Drawing -------------------------------------------------------------------------------

int FillRect(HDC dc, const RECT* r, HBRUSH brush);
int FrameRect(HDC dc, const RECT* r, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL DrawFocusRect(HDC dc, const RECT* r);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN rgn);
BOOL PaintRgn(HDC dc, HRGN rgn);

BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* out);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* pts, int count);
BOOL PolyPolyline(HDC dc, const POINT* pts, const DWORD* counts, DWORD polylines);
BOOL Polygon(HDC dc, const POINT* pts, int count);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int width, int height);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF c);
// CLR_INVALID outside the DC's picture or clip.
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
COLORREF GetPixel(HDC dc, int x, int y);

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop);
// Nearest-pixel scaling; a negative width or height mirrors.
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop);
int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop);
// Frames and classic control shapes, in the system colours (GetSysColor).
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);
BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state);

// ---- Text ----------------------------------------------------------------------------------

BOOL GetTextMetrics(HDC dc, TEXTMETRIC* tm);
// Sum of the advances (plus character extra); (0, 0) and FALSE on a bad DC.
BOOL GetTextExtentPoint32(HDC dc, std::string_view text, SIZE* size);
BOOL GetTextExtentPoint32(HDC dc, const char* text, int length, SIZE* size);
// Fit count within maxExtent (when fit is given) and the partial sums of the advances
// (dx[i] = extent of the first i + 1 characters, for every character of the text).
BOOL GetTextExtentExPoint(HDC dc, std::string_view text, int maxExtent, int* fit, int* dx, SIZE* size);
DWORD GetTabbedTextExtent(HDC dc, std::string_view text, int tabCount, const int* tabStops);
BOOL GetCharWidth32(HDC dc, UINT first, UINT last, int* widths);
BOOL GetCharABCWidths(HDC dc, UINT first, UINT last, ABC* abc);
// The integer advances of the characters of `text` in the selected font (no character extra).
std::vector<int> GetCharAdvances(HDC dc, std::string_view text);

BOOL TextOut(HDC dc, int x, int y, std::string_view text);
BOOL TextOut(HDC dc, int x, int y, const char* text, int length);
// `dx`, when given, holds one advance per character.
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, std::string_view text, const int* dx);
BOOL ExtTextOut(HDC dc, int x, int y, UINT options, const RECT* r, const char* text, UINT length, const int* dx);
LONG TabbedTextOut(HDC dc, int x, int y, std::string_view text, int tabCount, const int* tabStops, int tabOrigin);
// Answers the height of the text; DT_CALCRECT changes `r` and draws nothing.
int DrawText(HDC dc, std::string_view text, RECT* r, UINT format);
int DrawText(HDC dc, const char* text, int length, RECT* r, UINT format);
int DrawTextEx(HDC dc, std::string_view text, RECT* r, UINT format, const DRAWTEXTPARAMS* params);
// As DrawText; with DT_MODIFYSTRING, a single line that an ellipsis flag shortened is written
// back into `text` as shown (prefix marks removed). Other texts are left unchanged.
int DrawText(HDC dc, std::string* text, RECT* r, UINT format);
// Wide-string conveniences (UTF-16 converted to UTF-8).
BOOL TextOutW(HDC dc, int x, int y, std::u16string_view text);
int DrawTextW(HDC dc, std::u16string_view text, RECT* r, UINT format);

// ---- Recording -----------------------------------------------------------------------------

// One drawing call as a recording DC saw it, with the objects in effect.
struct GdiRecord {
  std::string op;             // "FillRect", "LineTo", "Polygon", "TextOut", "DrawText", "BitBlt", ...
  std::vector<POINT> points;  // logical coordinates given to the call
  RECT rect{};                // the rectangle given (logical), if any
  std::string text;           // text calls
  UINT flags = 0;             // DrawText format, ExtTextOut options, raster operation
  COLORREF penColor = 0;      // effective pen colour (CLR_INVALID for a null pen)
  COLORREF brushColor = 0;    // effective brush colour (CLR_INVALID for a null or pattern brush)
  COLORREF textColor = 0;
  COLORREF bkColor = 0;
  int bkMode = OPAQUE;
  LOGFONT font;    // the selected font
  RECT clipBox{};  // device clip box at the call
};

// Starts recording the calls made on `dc` (any kind of DC); drawing still happens.
void StartRecording(HDC dc);
std::vector<GdiRecord> StopRecording(HDC dc);
const std::vector<GdiRecord>& RecordedCalls(HDC dc);
