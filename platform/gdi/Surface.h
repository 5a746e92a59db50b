#pragma once
// A pixel surface: the memory that windows keep as their retained picture and that bitmaps
// own. Pixels are 32-bit values 0xAARRGGBB, so the bytes in memory are B, G, R, A: the
// order of a 32-bit top-down device-independent bitmap (and of a QImage in Format_RGB32,
// which the window host wraps around Bits() without a copy). Alpha is kept at 0xFF.
//
// Drawing goes through device contexts (WinGdi.h: CreateSurfaceDC); the surface itself only
// offers direct row access, filling and the scroll copy that ScrollWindowEx needs.

#include <cstdint>
#include <vector>

#include "platform/core/WinTypes.h"

using Pixel = std::uint32_t;

constexpr Pixel PixelFromColor(COLORREF c) {
  return 0xFF000000u | (static_cast<Pixel>(GetRValue(c)) << 16) | (static_cast<Pixel>(GetGValue(c)) << 8) |
         static_cast<Pixel>(GetBValue(c));
}
constexpr COLORREF ColorFromPixel(Pixel p) {
  return RGB(static_cast<BYTE>((p >> 16) & 0xFF), static_cast<BYTE>((p >> 8) & 0xFF), static_cast<BYTE>(p & 0xFF));
}

class Surface {
public:
  Surface() = default;
  Surface(int width, int height, Pixel fill = 0xFFFFFFFFu) { Resize(width, height, fill); }

  int Width() const { return fWidth; }
  int Height() const { return fHeight; }
  // Pixels per row (rows are contiguous; the stride equals the width).
  int Stride() const { return fWidth; }
  int StrideBytes() const { return fWidth * 4; }
  bool Empty() const { return fWidth <= 0 || fHeight <= 0; }
  RECT Bounds() const { return RECT{0, 0, fWidth, fHeight}; }

  Pixel* Bits() { return fPixels.data(); }
  const Pixel* Bits() const { return fPixels.data(); }
  Pixel* Row(int y) { return fPixels.data() + static_cast<std::size_t>(y) * fWidth; }
  const Pixel* Row(int y) const { return fPixels.data() + static_cast<std::size_t>(y) * fWidth; }

  // Out-of-range reads answer 0; out-of-range writes are ignored.
  Pixel At(int x, int y) const { return (x >= 0 && y >= 0 && x < fWidth && y < fHeight) ? Row(y)[x] : 0; }
  void Set(int x, int y, Pixel p) {
    if (x >= 0 && y >= 0 && x < fWidth && y < fHeight) Row(y)[x] = p;
  }

  // Changes the size, keeping the pixels of the common part; new pixels get `fill`.
  // A negative size counts as 0.
  void Resize(int width, int height, Pixel fill = 0xFFFFFFFFu);
  // Fills the part of the half-open rectangle `r` that lies on the surface.
  void Fill(const RECT& r, Pixel p);
  void Fill(Pixel p) { Fill(Bounds(), p); }

private:
  int fWidth = 0;
  int fHeight = 0;
  std::vector<Pixel> fPixels;
};

// Copies the pixels of `scroll` (clipped to the surface) by (dx, dy), writing only inside
// `clip` (also clipped to the surface), as ScrollWindowEx shifts a window's picture.
// Overlapping source and destination are handled. Pixels not covered by the copy are left
// as they were: the caller invalidates the uncovered part (ScrollUncoveredRect).
void ScrollSurface(Surface& surface, const RECT& scroll, const RECT& clip, int dx, int dy);

// The part of `scroll ∩ clip` that the copy above did not write: what must be repainted.
// Answers at most four non-overlapping rectangles; empty ones are dropped.
std::vector<RECT> ScrollUncoveredRects(const RECT& scroll, const RECT& clip, int dx, int dy);
