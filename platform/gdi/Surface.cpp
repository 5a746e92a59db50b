#include "platform/gdi/Surface.h"

#include <algorithm>
#include <cstring>

#include "platform/gdi/GdiInternal.h"

void Surface::Resize(int width, int height, Pixel fill) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == fWidth && height == fHeight) return;
  std::vector<Pixel> next(static_cast<std::size_t>(width) * height, fill);
  const int w = std::min(width, fWidth), h = w > 0 ? std::min(height, fHeight) : 0;
  for (int y = 0; y < h; ++y)
    std::memcpy(next.data() + static_cast<std::size_t>(y) * width, Row(y), static_cast<std::size_t>(w) * 4);
  fPixels.swap(next);
  fWidth = width;
  fHeight = height;
}

void Surface::Fill(const RECT& r, Pixel p) {
  const int l = std::max<LONG>(r.left, 0), t = std::max<LONG>(r.top, 0);
  const int rr = std::min<LONG>(r.right, fWidth), b = std::min<LONG>(r.bottom, fHeight);
  if (l >= rr || t >= b) return;
  for (int y = t; y < b; ++y) std::fill(Row(y) + l, Row(y) + rr, p);
}

using gdi::EmptyRect;
using gdi::IntersectRects;

void ScrollSurface(Surface& surface, const RECT& scroll, const RECT& clip, int dx, int dy) {
  const RECT src = IntersectRects(scroll, surface.Bounds());
  if (EmptyRect(src)) return;
  // Destination: the moved source, limited to the clip and the surface.
  RECT moved{src.left + dx, src.top + dy, src.right + dx, src.bottom + dy};
  const RECT dst = IntersectRects(IntersectRects(moved, clip), surface.Bounds());
  if (EmptyRect(dst)) return;
  const int width = dst.right - dst.left;
  auto copyRow = [&](int y) {
    std::memmove(surface.Row(y) + dst.left, surface.Row(y - dy) + (dst.left - dx), static_cast<std::size_t>(width) * 4);
  };
  // Rows in the order that never reads a row already overwritten.
  if (dy > 0)
    for (int y = dst.bottom - 1; y >= dst.top; --y) copyRow(y);
  else
    for (int y = dst.top; y < dst.bottom; ++y) copyRow(y);
}

std::vector<RECT> ScrollUncoveredRects(const RECT& scroll, const RECT& clip, int dx, int dy) {
  std::vector<RECT> out;
  const RECT area = IntersectRects(scroll, clip);
  if (EmptyRect(area)) return out;
  // Covered: area ∩ (scroll moved by dx, dy).
  const RECT covered =
      IntersectRects(area, RECT{scroll.left + dx, scroll.top + dy, scroll.right + dx, scroll.bottom + dy});
  if (EmptyRect(covered)) {
    out.push_back(area);
    return out;
  }
  // Horizontal strips above and below the covered band, then vertical strips beside it.
  if (covered.top > area.top) out.push_back(RECT{area.left, area.top, area.right, covered.top});
  if (covered.bottom < area.bottom) out.push_back(RECT{area.left, covered.bottom, area.right, area.bottom});
  if (covered.left > area.left) out.push_back(RECT{area.left, covered.top, covered.left, covered.bottom});
  if (covered.right < area.right) out.push_back(RECT{covered.right, covered.top, area.right, covered.bottom});
  return out;
}
