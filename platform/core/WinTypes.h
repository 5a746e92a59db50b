#pragma once
// The Windows-shaped scalar types, handles and geometry records the code is written against.
// Handles are opaque 64-bit values issued by our own tables (with generations); 0 is "none".

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using BOOL = int;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR
using HANDLE = std::uintptr_t;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

// Distinct handle types, so that a window handle cannot be passed where a brush is wanted.
#define VT_DECLARE_HANDLE(Name)                                                     \
  struct Name {                                                                     \
    std::uintptr_t value = 0;                                                       \
    constexpr Name() = default;                                                     \
    constexpr explicit Name(std::uintptr_t v) : value(v) {}                         \
    constexpr Name(std::nullptr_t) {}                                               \
    constexpr explicit operator bool() const { return value != 0; }                 \
    friend constexpr bool operator==(Name a, Name b) { return a.value == b.value; } \
    friend constexpr bool operator!=(Name a, Name b) { return a.value != b.value; } \
    friend constexpr bool operator<(Name a, Name b) { return a.value < b.value; }   \
  }

VT_DECLARE_HANDLE(HWND);
VT_DECLARE_HANDLE(HDC);
VT_DECLARE_HANDLE(HGDIOBJ);
VT_DECLARE_HANDLE(HPEN);
VT_DECLARE_HANDLE(HBRUSH);
VT_DECLARE_HANDLE(HFONT);
VT_DECLARE_HANDLE(HBITMAP);
VT_DECLARE_HANDLE(HRGN);
VT_DECLARE_HANDLE(HPALETTE);
VT_DECLARE_HANDLE(HICON);
VT_DECLARE_HANDLE(HCURSOR);
VT_DECLARE_HANDLE(HMENU);
VT_DECLARE_HANDLE(HHOOK);
VT_DECLARE_HANDLE(HINSTANCE);
VT_DECLARE_HANDLE(HMONITOR);
VT_DECLARE_HANDLE(HIMAGELIST);
VT_DECLARE_HANDLE(HTHEME);
VT_DECLARE_HANDLE(HDROP);

struct POINT {
  LONG x = 0;
  LONG y = 0;
  friend constexpr bool operator==(const POINT&, const POINT&) = default;
};

struct SIZE {
  LONG cx = 0;
  LONG cy = 0;
  friend constexpr bool operator==(const SIZE&, const SIZE&) = default;
};

// Half-open: the right and bottom edges are not inside.
struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
  friend constexpr bool operator==(const RECT&, const RECT&) = default;
};

using TPoint = POINT;
using TRect = RECT;
using TSize = SIZE;

constexpr POINT Point(LONG x, LONG y) { return POINT{x, y}; }
constexpr RECT Rect(LONG left, LONG top, LONG right, LONG bottom) { return RECT{left, top, right, bottom}; }
constexpr RECT Bounds(LONG left, LONG top, LONG width, LONG height) {
  return RECT{left, top, left + width, top + height};
}

constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
  return static_cast<LPARAM>(static_cast<std::int32_t>(MAKELONG(lo, hi)));
}
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(MAKELONG(lo, hi)); }
// Signed coordinates packed in an LPARAM, as mouse messages carry them.
constexpr int GET_X_LPARAM(LPARAM lp) { return static_cast<short>(LOWORD(static_cast<std::uintptr_t>(lp))); }
constexpr int GET_Y_LPARAM(LPARAM lp) { return static_cast<short>(HIWORD(static_cast<std::uintptr_t>(lp))); }

constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
  return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
