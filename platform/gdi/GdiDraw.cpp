// Drawing with GDI's pixel rules: half-open rectangles, lines without their end point,
// polygons sampled at the pixels' points, rectangle/ellipse outlines with the pen inside the box,
// blits with ternary raster operations, and the classic edges and frame controls.

#include <algorithm>
#include <cmath>
#include <functional>

#include "platform/gdi/GdiInternal.h"

using namespace gdi;

namespace {

struct Call {
  DcObj* dc;
  explicit Call(HDC h) : dc(GetDC(h)) {}
  explicit operator bool() const { return dc != nullptr; }
};

RECT DeviceRect(DcObj& dc, const RECT& r) { return NormalRect(ToDevice(dc, r)); }

Ink PenInk(DcObj& dc, int* width = nullptr, int* style = nullptr) {
  PenObj* p = GetPen(dc.s.pen);
  Ink ink = SolidInk(dc, p ? p->color : 0);
  if (!p || p->style == PS_NULL) ink.null = true;
  if (width) *width = p ? std::max(p->width, 1) : 1;
  if (style) *style = p ? p->style : PS_SOLID;
  return ink;
}

void Plot(DcObj& dc, int x, int y, int width, const Ink& ink) {
  const int a = width / 2;
  FillDevice(dc, RECT{x - a, y - a, x - a + width, y - a + width}, ink);
}

// Dash patterns of cosmetic pens: on, off, on, off ... in pixels.
const std::vector<int>& DashPattern(int style) {
  static const std::vector<int> dash{18, 6}, dot{3, 3}, dashDot{9, 6, 3, 6}, dashDotDot{9, 3, 3, 3, 3, 3}, none;
  switch (style) {
    case PS_DASH: return dash;
    case PS_DOT: return dot;
    case PS_DASHDOT: return dashDot;
    case PS_DASHDOTDOT: return dashDotDot;
    default: return none;
  }
}

// A line in device coordinates from a to b, without b.
void DeviceLine(DcObj& dc, POINT a, POINT b) {
  int width = 1, style = PS_SOLID;
  const Ink ink = PenInk(dc, &width, &style);
  if (ink.null) return;
  const std::vector<int>& dashes = width == 1 ? DashPattern(style) : DashPattern(PS_SOLID);
  const std::int64_t dx = static_cast<std::int64_t>(b.x) - a.x, dy = static_cast<std::int64_t>(b.y) - a.y;
  if (dx == 0 && dy == 0) return;
  // Solid horizontal and vertical lines are one rectangle.
  if (dashes.empty() && (dx == 0 || dy == 0)) {
    const int h = width / 2;
    RECT r = dx == 0 ? RECT{a.x - h, dy > 0 ? a.y : b.y + 1, a.x - h + width, dy > 0 ? b.y : a.y + 1}
                     : RECT{dx > 0 ? a.x : b.x + 1, a.y - h, dx > 0 ? b.x : a.x + 1, a.y - h + width};
    if (width > 1) {  // square ends over the covered points
      if (dx == 0)
        r.top -= h, r.bottom += width - h - 1;
      else
        r.left -= h, r.right += width - h - 1;
    }
    FillDevice(dc, r, ink);
    return;
  }
  const std::int64_t n = std::max(std::llabs(dx), std::llabs(dy));
  // Only the steps that can reach the clip box (64-bit: far-away end points stay cheap).
  ClipRects(dc);
  const RECT box = dc.clipBox;
  if (EmptyRect(box) && !dc.inPath) return;
  std::int64_t first = 0, last = n - 1;
  if (!dc.inPath) {
    const int m = width;
    auto range = [&](std::int64_t start, std::int64_t d, std::int64_t lo, std::int64_t hi) {
      if (d == 0) {
        if (start < lo - m || start >= hi + m) last = -1;
        return;
      }
      // start + i*d/n within [lo - m, hi + m): i within [(lo - m - start)*n/d, (hi + m - start)*n/d]
      double i0 = static_cast<double>(lo - m - start) * n / d, i1 = static_cast<double>(hi + m - start) * n / d;
      if (i0 > i1) std::swap(i0, i1);
      first = std::max<std::int64_t>(first, static_cast<std::int64_t>(std::floor(i0)) - 1);
      last = std::min<std::int64_t>(last, static_cast<std::int64_t>(std::ceil(i1)) + 1);
    };
    range(a.x, dx, box.left, box.right);
    range(a.y, dy, box.top, box.bottom);
  }
  const Ink gap = dc.s.bkMode == OPAQUE ? SolidInk(dc, dc.s.bk) : Ink{true};
  std::int64_t period = 0;
  for (int d : dashes) period += d;
  auto coord = [&](std::int64_t start, std::int64_t d, std::int64_t i) {
    // Rounded position along the minor axis (exact along the major one).
    const std::int64_t num = 2 * i * std::llabs(d) + n;
    const std::int64_t q = num / (2 * n);
    return static_cast<int>(start + (d < 0 ? -q : q));
  };
  for (std::int64_t i = first; i <= last; ++i) {
    const int x = coord(a.x, dx, i), y = coord(a.y, dy, i);
    bool on = true;
    if (period) {
      std::int64_t p = i % period, k = 0;
      while (p >= dashes[k]) p -= dashes[k++];
      on = (k % 2) == 0;
    }
    Plot(dc, x, y, width, on ? ink : gap);
  }
}

// Scanline shapes: spans [x0, x1) of row y, inside the box rows.
using SpanFn = std::function<bool(int y, int& x0, int& x1)>;

void DrawShape(DcObj& dc, RECT box, const SpanFn& span) {
  int width = 1;
  const Ink pen = PenInk(dc, &width);
  const Ink brush = BrushInk(dc, dc.s.brush);
  ClipRects(dc);
  int top = box.top, bottom = box.bottom;
  if (!dc.inPath) {
    top = std::max<LONG>(top, dc.clipBox.top - width);
    bottom = std::min<LONG>(bottom, dc.clipBox.bottom + width);
  }
  for (int y = top; y < bottom; ++y) {
    int x0, x1;
    if (!span(y, x0, x1) || x0 >= x1) continue;
    if (pen.null) {
      FillDevice(dc, RECT{x0, y, x1, y + 1}, brush);
      continue;
    }
    // Interior: `width` in from the row's ends, and inside the spans of the `width` rows above
    // and below (pixels of the outline touch the outside within the pen width).
    int i0 = x0 + width, i1 = x1 - width;
    for (int k = 1; k <= width && i0 < i1; ++k)
      for (int yy : {y - k, y + k}) {
        int a, b;
        if (yy < box.top || yy >= box.bottom || !span(yy, a, b) || a >= b) {
          i0 = i1;
          break;
        }
        i0 = std::max(i0, a);
        i1 = std::min(i1, b);
      }
    if (i0 >= i1) {
      FillDevice(dc, RECT{x0, y, x1, y + 1}, pen);
      continue;
    }
    FillDevice(dc, RECT{x0, y, i0, y + 1}, pen);
    FillDevice(dc, RECT{i0, y, i1, y + 1}, brush);
    FillDevice(dc, RECT{i1, y, x1, y + 1}, pen);
  }
}

bool EllipseSpan(const RECT& box, int y, int& x0, int& x1) {
  if (y < box.top || y >= box.bottom || box.left >= box.right) return false;
  const double cx = (box.left + box.right - 1) / 2.0, cy = (box.top + box.bottom - 1) / 2.0;
  const double a = (box.right - box.left) / 2.0, b = (box.bottom - box.top) / 2.0;
  const double t = (y - cy) / b;
  if (t * t >= 1) return false;
  const double half = a * std::sqrt(1 - t * t);
  x0 = static_cast<int>(std::ceil(cx - half - 1e-9));
  x1 = static_cast<int>(std::floor(cx + half + 1e-9)) + 1;
  return x0 < x1;
}

// A box with a null pen loses its right and bottom pixel, as in GDI.
RECT ShapeBox(DcObj& dc, const RECT& logical) {
  RECT box = DeviceRect(dc, logical);
  PenObj* p = GetPen(dc.s.pen);
  if (!p || p->style == PS_NULL) --box.right, --box.bottom;
  return box;
}

void RecordRect(DcObj& dc, const char* op, const RECT& r, UINT flags = 0) {
  if (!Recording(dc)) return;
  GdiRecord& rec = Record(dc, op);
  rec.rect = r;
  rec.flags = flags;
}

void RecordPoints(DcObj& dc, const char* op, const POINT* pts, int count) {
  if (!Recording(dc)) return;
  GdiRecord& rec = Record(dc, op);
  rec.points.assign(pts, pts + std::max(count, 0));
}

// One checker pixel in two, anchored at the device origin: the focus rectangle pattern.
const Surface& Checker() {
  static const Surface s = [] {
    Surface c(2, 2, 0xFF000000u);
    c.Set(0, 0, 0xFFFFFFFFu);
    c.Set(1, 1, 0xFFFFFFFFu);
    return c;
  }();
  return s;
}

}  // namespace

// ---- Rectangles ----------------------------------------------------------------------------

int FillRect(HDC h, const RECT* r, HBRUSH brush) {
  Call c(h);
  if (!c || !r) return 0;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, "FillRect");
    rec.rect = *r;
    BrushObj* b = GetBrush(brush);
    rec.brushColor = (!b || b->style != BS_SOLID) ? CLR_INVALID : b->Color();
  }
  Ink ink = BrushInk(*c.dc, brush);
  ink.rop2 = R2_COPYPEN;
  FillDevice(*c.dc, DeviceRect(*c.dc, *r), ink);
  return 1;
}

int FrameRect(HDC h, const RECT* r, HBRUSH brush) {
  Call c(h);
  if (!c || !r) return 0;
  RecordRect(*c.dc, "FrameRect", *r);
  const RECT d = DeviceRect(*c.dc, *r);
  if (EmptyRect(d)) return 1;
  Ink ink = BrushInk(*c.dc, brush);
  ink.rop2 = R2_COPYPEN;
  FillDevice(*c.dc, RECT{d.left, d.top, d.right, d.top + 1}, ink);
  FillDevice(*c.dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, ink);
  FillDevice(*c.dc, RECT{d.left, d.top + 1, d.left + 1, d.bottom - 1}, ink);
  FillDevice(*c.dc, RECT{d.right - 1, d.top + 1, d.right, d.bottom - 1}, ink);
  return 1;
}

BOOL InvertRect(HDC h, const RECT* r) {
  Call c(h);
  if (!c || !r) return FALSE;
  RecordRect(*c.dc, "InvertRect", *r);
  Ink ink;
  ink.rop3 = DSTINVERT;
  FillDevice(*c.dc, DeviceRect(*c.dc, *r), ink);
  return TRUE;
}

BOOL DrawFocusRect(HDC h, const RECT* r) {
  Call c(h);
  if (!c || !r) return FALSE;
  RecordRect(*c.dc, "DrawFocusRect", *r);
  const RECT d = DeviceRect(*c.dc, *r);
  if (EmptyRect(d)) return TRUE;
  Ink ink;
  ink.pattern = &Checker();
  ink.patternMono = true;
  ink.patText = 0xFF000000u;
  ink.patBk = 0xFFFFFFFFu;
  ink.rop3 = PATINVERT;
  // Each pixel of the frame once: full top and bottom rows, sides between them.
  FillDevice(*c.dc, RECT{d.left, d.top, d.right, d.top + 1}, ink);
  if (d.bottom - d.top > 1) FillDevice(*c.dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, ink);
  FillDevice(*c.dc, RECT{d.left, d.top + 1, d.left + 1, d.bottom - 1}, ink);
  if (d.right - d.left > 1) FillDevice(*c.dc, RECT{d.right - 1, d.top + 1, d.right, d.bottom - 1}, ink);
  return TRUE;
}

BOOL PatBlt(HDC h, int x, int y, int width, int height, DWORD rop) {
  Call c(h);
  if (!c) return FALSE;
  RecordRect(*c.dc, "PatBlt", RECT{x, y, x + width, y + height}, rop);
  Ink ink = BrushInk(*c.dc, c.dc->s.brush);
  const unsigned code = (rop >> 16) & 0xFF;
  if (ink.null) {
    if (((code >> 4) & 0xF) != (code & 0xF)) return TRUE;  // uses the pattern: nothing to paint with
    ink = Ink{};
  }
  ink.rop3 = rop;
  FillDevice(*c.dc, DeviceRect(*c.dc, RECT{x, y, x + width, y + height}), ink);
  return TRUE;
}

// ---- Regions -------------------------------------------------------------------------------

namespace {
BOOL FillRegionWith(HDC h, HRGN rgn, const char* op, const std::function<Ink(DcObj&)>& inkOf) {
  Call c(h);
  RegionObj* r = GetRegion(rgn);
  if (!c || !r) return FALSE;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, op);
    rec.rect = r->rgn.isEmpty() ? RECT{} : FromQRect(r->rgn.boundingRect());
  }
  const Ink ink = inkOf(*c.dc);
  const POINT o = ToDevice(*c.dc, POINT{0, 0});
  for (const QRect& q : r->rgn) FillDevice(*c.dc, FromQRect(q.translated(o.x, o.y)), ink);
  return TRUE;
}
}  // namespace

BOOL FillRgn(HDC h, HRGN rgn, HBRUSH brush) {
  return FillRegionWith(h, rgn, "FillRgn", [brush](DcObj& dc) {
    Ink ink = BrushInk(dc, brush);
    ink.rop2 = R2_COPYPEN;
    return ink;
  });
}

BOOL PaintRgn(HDC h, HRGN rgn) {
  return FillRegionWith(h, rgn, "PaintRgn", [](DcObj& dc) { return BrushInk(dc, dc.s.brush); });
}

BOOL InvertRgn(HDC h, HRGN rgn) {
  return FillRegionWith(h, rgn, "InvertRgn", [](DcObj&) {
    Ink ink;
    ink.rop3 = DSTINVERT;
    return ink;
  });
}

BOOL FrameRgn(HDC h, HRGN rgn, HBRUSH brush, int width, int height) {
  RegionObj* r = GetRegion(rgn);
  if (!r || !GetDC(h)) return FALSE;
  // The frame is what remains of the region after eroding it by width and height.
  QRegion inner = r->rgn;
  inner &= r->rgn.translated(width, 0);
  inner &= r->rgn.translated(-width, 0);
  inner &= r->rgn.translated(0, height);
  inner &= r->rgn.translated(0, -height);
  HRGN frame = CreateRectRgn(0, 0, 0, 0);
  GetRegion(frame)->rgn = r->rgn.subtracted(inner);
  const BOOL ok = FillRegionWith(h, frame, "FrameRgn", [brush](DcObj& dc) {
    Ink ink = BrushInk(dc, brush);
    ink.rop2 = R2_COPYPEN;
    return ink;
  });
  DeleteObject(frame);
  return ok;
}

// ---- Lines and shapes ----------------------------------------------------------------------

BOOL MoveToEx(HDC h, int x, int y, POINT* old) {
  Call c(h);
  if (!c) return FALSE;
  if (old) *old = c.dc->s.current;
  c.dc->s.current = POINT{x, y};
  if (Recording(*c.dc)) Record(*c.dc, "MoveTo").points = {POINT{x, y}};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC h, POINT* out) {
  Call c(h);
  if (!c || !out) return FALSE;
  *out = c.dc->s.current;
  return TRUE;
}

BOOL LineTo(HDC h, int x, int y) {
  Call c(h);
  if (!c) return FALSE;
  if (Recording(*c.dc)) Record(*c.dc, "LineTo").points = {c.dc->s.current, POINT{x, y}};
  DeviceLine(*c.dc, ToDevice(*c.dc, c.dc->s.current), ToDevice(*c.dc, POINT{x, y}));
  c.dc->s.current = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC h, const POINT* pts, int count) {
  Call c(h);
  if (!c || !pts || count < 2) return FALSE;
  RecordPoints(*c.dc, "Polyline", pts, count);
  if (c.dc->inPath) {
    // A traced figure: its inside becomes the path's region, not the pen's pixels.
    std::vector<POINT>& figure = c.dc->pathFigures.emplace_back();
    for (int i = 0; i < count; ++i) figure.push_back(ToDevice(*c.dc, pts[i]));
    return TRUE;
  }
  for (int i = 0; i + 1 < count; ++i) DeviceLine(*c.dc, ToDevice(*c.dc, pts[i]), ToDevice(*c.dc, pts[i + 1]));
  return TRUE;
}

BOOL PolyPolyline(HDC h, const POINT* pts, const DWORD* counts, DWORD polylines) {
  Call c(h);
  if (!c || !pts || !counts) return FALSE;
  if (Recording(*c.dc)) {
    std::size_t total = 0;
    for (DWORD i = 0; i < polylines; ++i) total += counts[i];
    RecordPoints(*c.dc, "PolyPolyline", pts, static_cast<int>(total));
  }
  RecordGuard g(*c.dc);
  for (DWORD i = 0; i < polylines; ++i) {
    Polyline(h, pts, static_cast<int>(counts[i]));
    pts += counts[i];
  }
  return TRUE;
}

void gdi::PolygonSpans(const std::vector<POINT>& d, int fillMode, LONG top, LONG bottom,
                       const std::function<void(LONG y, int x0, int x1)>& span) {
  // Pixel (x, y) is the point (x, y), as lines place it: a pixel is inside when its point is,
  // by the alternate or the winding rule, an edge counting on its left and top side only. So
  // the outline's pixels join the filled ones without a gap on any slope.
  const std::size_t count = d.size();
  std::vector<std::pair<double, int>> xs;
  for (LONG y = top; y < bottom; ++y) {
    const double yc = y;
    xs.clear();
    for (std::size_t i = 0; i < count; ++i) {
      const POINT& a = d[i];
      const POINT& b = d[(i + 1) % count];
      if (a.y == b.y) continue;
      const bool down = a.y < b.y;
      const double y0 = down ? a.y : b.y, y1 = down ? b.y : a.y;
      if (yc < y0 || yc >= y1) continue;
      const double x = a.x + (yc - a.y) * (static_cast<double>(b.x) - a.x) / (static_cast<double>(b.y) - a.y);
      xs.emplace_back(x, down ? 1 : -1);
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    for (std::size_t k = 0; k + 1 < xs.size(); ++k) {
      wind += xs[k].second;
      const bool inside = fillMode == WINDING ? wind != 0 : (k % 2) == 0;
      if (!inside) continue;
      const int x0 = static_cast<int>(std::ceil(xs[k].first)), x1 = static_cast<int>(std::ceil(xs[k + 1].first));
      if (x0 < x1) span(y, x0, x1);
    }
  }
}

BOOL Polygon(HDC h, const POINT* pts, int count) {
  Call c(h);
  if (!c || !pts || count < 2) return FALSE;
  RecordPoints(*c.dc, "Polygon", pts, count);
  DcObj& dc = *c.dc;
  std::vector<POINT> d(pts, pts + count);
  for (POINT& p : d) p = ToDevice(dc, p);
  // Fill: the pixels inside (alternate or winding rule); the outline covers the rest.
  const Ink brush = BrushInk(dc, dc.s.brush);
  if (!brush.null) {
    LONG top = d[0].y, bottom = d[0].y;
    for (const POINT& p : d) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    ClipRects(dc);
    if (!dc.inPath) top = std::max(top, dc.clipBox.top), bottom = std::min(bottom, dc.clipBox.bottom);
    PolygonSpans(d, dc.s.polyFill, top, bottom, [&](LONG y, int x0, int x1) {
      FillDevice(dc, RECT{x0, y, x1, y + 1}, brush);
    });
  }
  for (int i = 0; i < count; ++i) DeviceLine(dc, d[i], d[(i + 1) % count]);
  return TRUE;
}

BOOL Rectangle(HDC h, int left, int top, int right, int bottom) {
  Call c(h);
  if (!c) return FALSE;
  RecordRect(*c.dc, "Rectangle", RECT{left, top, right, bottom});
  const RECT box = ShapeBox(*c.dc, RECT{left, top, right, bottom});
  DrawShape(*c.dc, box, [&](int y, int& x0, int& x1) {
    if (y < box.top || y >= box.bottom) return false;
    x0 = box.left;
    x1 = box.right;
    return true;
  });
  return TRUE;
}

BOOL Ellipse(HDC h, int left, int top, int right, int bottom) {
  Call c(h);
  if (!c) return FALSE;
  RecordRect(*c.dc, "Ellipse", RECT{left, top, right, bottom});
  const RECT box = ShapeBox(*c.dc, RECT{left, top, right, bottom});
  DrawShape(*c.dc, box, [&](int y, int& x0, int& x1) { return EllipseSpan(box, y, x0, x1); });
  return TRUE;
}

BOOL RoundRect(HDC h, int left, int top, int right, int bottom, int width, int height) {
  Call c(h);
  if (!c) return FALSE;
  RecordRect(*c.dc, "RoundRect", RECT{left, top, right, bottom});
  const RECT box = ShapeBox(*c.dc, RECT{left, top, right, bottom});
  const int w = std::clamp(width, 0, static_cast<int>(box.right - box.left));
  const int ht = std::clamp(height, 0, static_cast<int>(box.bottom - box.top));
  DrawShape(*c.dc, box, [&](int y, int& x0, int& x1) {
    if (y < box.top || y >= box.bottom) return false;
    x0 = box.left;
    x1 = box.right;
    if (w < 2 || ht < 2) return true;
    LONG et = 0;
    if (y < box.top + ht / 2)
      et = box.top;
    else if (y >= box.bottom - (ht - ht / 2))
      et = box.bottom - ht;
    else
      return true;
    int a0, a1, b0, b1;
    if (!EllipseSpan(RECT{box.left, et, box.left + w, et + ht}, y, a0, a1)) return false;
    if (!EllipseSpan(RECT{box.right - w, et, box.right, et + ht}, y, b0, b1)) return false;
    x0 = a0;
    x1 = b1;
    return true;
  });
  return TRUE;
}

COLORREF SetPixel(HDC h, int x, int y, COLORREF color) {
  Call c(h);
  if (!c) return CLR_INVALID;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, "SetPixel");
    rec.points = {POINT{x, y}};
    rec.brushColor = color;
  }
  const POINT d = ToDevice(*c.dc, POINT{x, y});
  Ink ink = SolidInk(*c.dc, color);
  ink.rop2 = R2_COPYPEN;
  FillDevice(*c.dc, RECT{d.x, d.y, d.x + 1, d.y + 1}, ink);
  return TargetMono(*c.dc) ? ColorFromPixel(ToMonoPixel(PixelFromColor(color))) : (color & 0xFFFFFF);
}

BOOL SetPixelV(HDC h, int x, int y, COLORREF c) { return SetPixel(h, x, y, c) != CLR_INVALID; }

COLORREF GetPixel(HDC h, int x, int y) {
  Call c(h);
  if (!c) return CLR_INVALID;
  Surface* s = TargetSurface(*c.dc);
  if (!s) return CLR_INVALID;
  const POINT d = ToDevice(*c.dc, POINT{x, y});
  bool visible = false;
  for (const RECT& r : ClipRects(*c.dc))
    if (d.x >= r.left && d.x < r.right && d.y >= r.top && d.y < r.bottom) visible = true;
  if (!visible) return CLR_INVALID;
  const POINT o = TargetOffset(*c.dc);
  return ColorFromPixel(s->At(d.x + o.x, d.y + o.y));
}

// ---- Blits ---------------------------------------------------------------------------------

namespace {

struct Source {
  const Surface* surface = nullptr;
  POINT offset{};  // source device -> surface pixels
  bool mono = false;
  COLORREF bk = 0xFFFFFF;  // colour -> mono: this colour becomes white
};

// dest (device, may be mirrored by negative sizes) <- src rectangle (source device coordinates).
void Blit(DcObj& dst, int x, int y, int w, int hgt, const Source& src, int sx, int sy, int sw, int sh, DWORD rop) {
  bool mirrorX = false, mirrorY = false;
  // A negative size counts back from the given pixel, which stays inside: (x + w, x].
  if (w < 0) x += w + 1, w = -w, mirrorX = !mirrorX;
  if (hgt < 0) y += hgt + 1, hgt = -hgt, mirrorY = !mirrorY;
  if (sw < 0) sx += sw + 1, sw = -sw, mirrorX = !mirrorX;
  if (sh < 0) sy += sh + 1, sh = -sh, mirrorY = !mirrorY;
  if (w == 0 || hgt == 0 || sw == 0 || sh == 0) return;
  if (dst.inPath) return;
  const RECT dr{x, y, x + w, y + hgt};
  if (dst.dkind == DcKind::Printer) {
    if (!dst.painter || !src.surface) return;
    QImage img(reinterpret_cast<const uchar*>(src.surface->Bits()), src.surface->Width(), src.surface->Height(),
               src.surface->StrideBytes(), QImage::Format_RGB32);
    QImage part = img.copy(sx + src.offset.x, sy + src.offset.y, sw, sh).mirrored(mirrorX, mirrorY);
    dst.painter->save();
    QRegion clip;
    for (const RECT& c : ClipRects(dst)) clip += ToQRect(c);
    dst.painter->setClipRegion(clip);
    dst.painter->drawImage(ToQRect(dr), part);
    dst.painter->restore();
    return;
  }
  Surface* target = TargetSurface(dst);
  if (!target || !src.surface) return;
  const bool dstMono = TargetMono(dst);
  const Pixel text = PixelFromColor(dst.s.text), bk = PixelFromColor(dst.s.bk), srcBk = PixelFromColor(src.bk);
  const Ink brush = BrushInk(dst, dst.s.brush);
  const unsigned code = (rop >> 16) & 0xFF;
  const bool usesPattern = ((code >> 4) & 0xF) != (code & 0xF);
  const POINT o = TargetOffset(dst);
  // Read the source first when it is the target, so that overlapping copies are exact.
  Surface copy;
  const Surface* from = src.surface;
  if (src.surface == target) {
    copy = *src.surface;
    from = &copy;
  }
  for (const RECT& c : ClipRects(dst)) {
    const RECT part = IntersectRects(dr, c);
    if (EmptyRect(part)) continue;
    for (int py = part.top; py < part.bottom; ++py) {
      const std::int64_t v = static_cast<std::int64_t>(py - y) * sh / hgt;
      const int srcY = sy + static_cast<int>(mirrorY ? sh - 1 - v : v) + src.offset.y;
      if (srcY < 0 || srcY >= from->Height()) continue;
      Pixel* row = target->Row(py + o.y) + o.x;
      for (int px = part.left; px < part.right; ++px) {
        const std::int64_t u = static_cast<std::int64_t>(px - x) * sw / w;
        const int srcX = sx + static_cast<int>(mirrorX ? sw - 1 - u : u) + src.offset.x;
        if (srcX < 0 || srcX >= from->Width()) continue;
        Pixel s = from->Row(srcY)[srcX] | 0xFF000000u;
        if (src.mono && !dstMono)
          s = (s & 0xFFFFFF) == 0xFFFFFF ? bk : text;
        else if (!src.mono && dstMono)
          s = (s == srcBk) ? 0xFFFFFFFFu : 0xFF000000u;
        Pixel p = 0xFF000000u;
        if (usesPattern && !brush.null) {
          p = InkPixel(brush, px, py);
          if (dstMono) p = ToMonoPixel(p);
        }
        Pixel r = Rop3(rop, p, s, row[px]);
        if (dstMono) r = ToMonoPixel(r);
        row[px] = r;
      }
    }
    MarkDirty(dst, part);
  }
}

bool SourceOf(HDC h, Source& out) {
  DcObj* dc = GetDC(h);
  if (!dc) return false;
  out.surface = TargetSurface(*dc);
  if (!out.surface) return false;
  out.offset = TargetOffset(*dc);
  // Logical source coordinates become device ones through the caller.
  out.mono = TargetMono(*dc);
  out.bk = dc->s.bk;
  return true;
}

}  // namespace

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, int sw, int sh, DWORD rop) {
  Call c(dest);
  if (!c) return FALSE;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, "StretchBlt");
    rec.rect = RECT{x, y, x + width, y + height};
    rec.points = {POINT{sx, sy}, POINT{sx + sw, sy + sh}};
    rec.flags = rop;
  }
  const unsigned code = (rop >> 16) & 0xFF;
  const bool usesSource = ((code >> 2) & 0x33) != (code & 0x33);
  Source s;
  if (usesSource) {
    if (!SourceOf(src, s)) return FALSE;
    const POINT so = ToDevice(*GetDC(src), POINT{sx, sy});
    sx = so.x, sy = so.y;
  } else {
    static const Surface dummy(1, 1);
    s.surface = &dummy;
    sx = sy = 0, sw = sh = 1;
  }
  const POINT d = ToDevice(*c.dc, POINT{x, y});
  RecordGuard g(*c.dc);
  Blit(*c.dc, d.x, d.y, width, height, s, sx, sy, sw, sh, rop);
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC src, int sx, int sy, DWORD rop) {
  Call c(dest);
  if (!c) return FALSE;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, "BitBlt");
    rec.rect = RECT{x, y, x + width, y + height};
    rec.points = {POINT{sx, sy}};
    rec.flags = rop;
  }
  RecordGuard g(*c.dc);
  return StretchBlt(dest, x, y, width, height, src, sx, sy, width, height, rop);
}

int StretchDIBits(HDC dest, int x, int y, int width, int height, int sx, int sy, int sw, int sh, const void* bits,
                  const BITMAPINFO* info, UINT usage, DWORD rop) {
  Call c(dest);
  if (!c || !bits || !info) return 0;
  if (Recording(*c.dc)) {
    GdiRecord& rec = Record(*c.dc, "StretchDIBits");
    rec.rect = RECT{x, y, x + width, y + height};
    rec.flags = rop;
  }
  HBITMAP tmp = CreateBitmap(info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight), 1,
                             info->bmiHeader.biBitCount == 1 ? 1 : 32, nullptr);
  SetDIBits(HDC(), tmp, 0, static_cast<UINT>(std::abs(info->bmiHeader.biHeight)), bits, info, usage);
  Source s;
  s.surface = BitmapSurface(tmp);
  s.mono = IsMonochromeBitmap(tmp);
  const POINT d = ToDevice(*c.dc, POINT{x, y});
  Blit(*c.dc, d.x, d.y, width, height, s, sx, sy, sw, sh, rop);
  DeleteObject(tmp);
  return sh;
}

// ---- Edges and frame controls --------------------------------------------------------------

namespace {
void FillDev(DcObj& dc, const RECT& r, COLORREF color) {
  Ink ink = SolidInk(dc, color);
  ink.rop2 = R2_COPYPEN;
  FillDevice(dc, r, ink);
}

// One ring of an edge: top-left lines in `tl`, bottom-right lines in `br` (which own the corners
// they share with the top-left lines).
void EdgeRing(DcObj& dc, RECT& d, UINT flags, COLORREF tl, COLORREF br) {
  if (flags & BF_BOTTOM) FillDev(dc, RECT{d.left, d.bottom - 1, d.right, d.bottom}, br);
  if (flags & BF_RIGHT) FillDev(dc, RECT{d.right - 1, d.top, d.right, d.bottom}, br);
  if (flags & BF_TOP) FillDev(dc, RECT{d.left, d.top, d.right - ((flags & BF_RIGHT) ? 1 : 0), d.top + 1}, tl);
  if (flags & BF_LEFT) FillDev(dc, RECT{d.left, d.top, d.left + 1, d.bottom - ((flags & BF_BOTTOM) ? 1 : 0)}, tl);
  if (flags & BF_LEFT) ++d.left;
  if (flags & BF_TOP) ++d.top;
  if (flags & BF_RIGHT) --d.right;
  if (flags & BF_BOTTOM) --d.bottom;
}

void RingEllipse(DcObj& dc, const RECT& box, COLORREF tl, COLORREF br, COLORREF inside, bool fill) {
  RECT inner{box.left + 1, box.top + 1, box.right - 1, box.bottom - 1};
  const double c = (box.left + box.right - 1 + box.top + box.bottom - 1) / 2.0;
  for (int y = box.top; y < box.bottom; ++y) {
    int x0, x1, i0 = 0, i1 = 0;
    if (!EllipseSpan(box, y, x0, x1)) continue;
    const bool hasInner = EllipseSpan(inner, y, i0, i1);
    for (int x = x0; x < x1; ++x) {
      const bool ring = !hasInner || x < i0 || x >= i1;
      if (!ring && !fill) continue;
      FillDev(dc, RECT{x, y, x + 1, y + 1}, ring ? ((x + y < c) ? tl : br) : inside);
    }
  }
}

void Arrow(DcObj& dc, const RECT& r, UINT dir, COLORREF color) {
  const int side = std::min(r.right - r.left, r.bottom - r.top);
  const int a = std::max(1, (side - 3) / 4 + 1);  // rows of the triangle; its base is 2a - 1
  const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
  for (int i = 0; i < a; ++i) {
    const int half = (dir == DFCS_SCROLLUP || dir == DFCS_SCROLLLEFT) ? i : a - 1 - i;
    const int pos = (dir == DFCS_SCROLLUP || dir == DFCS_SCROLLDOWN ? cy : cx) - a / 2 + i;
    if (dir == DFCS_SCROLLUP || dir == DFCS_SCROLLDOWN)
      FillDev(dc, RECT{cx - half, pos, cx + half + 1, pos + 1}, color);
    else
      FillDev(dc, RECT{pos, cy - half, pos + 1, cy + half + 1}, color);
  }
}
}  // namespace

BOOL DrawEdge(HDC h, RECT* r, UINT edge, UINT flags) {
  Call c(h);
  if (!c || !r) return FALSE;
  RecordRect(*c.dc, "DrawEdge", *r, (edge << 16) | (flags & 0xFFFF));
  RecordGuard g(*c.dc);
  DcObj& dc = *c.dc;
  RECT d = DeviceRect(dc, *r);
  const RECT start = d;
  auto sys = GetSysColor;
  const bool mono = flags & BF_MONO, flat = flags & BF_FLAT;
  if (edge & BDR_OUTER) {
    COLORREF tl, br;
    if (mono)
      tl = br = sys(COLOR_WINDOWFRAME);
    else if (flat)
      tl = br = sys(COLOR_BTNSHADOW);
    else if (edge & BDR_RAISEDOUTER)
      tl = sys(COLOR_3DLIGHT), br = sys(COLOR_3DDKSHADOW);
    else
      tl = sys(COLOR_BTNSHADOW), br = sys(COLOR_BTNHIGHLIGHT);
    EdgeRing(dc, d, flags, tl, br);
  }
  if (edge & BDR_INNER) {
    COLORREF tl, br;
    if (mono || flat)
      tl = br = sys(flat ? COLOR_BTNFACE : COLOR_WINDOW);
    else if (edge & BDR_RAISEDINNER)
      tl = sys(COLOR_BTNHIGHLIGHT), br = sys(COLOR_BTNSHADOW);
    else
      tl = sys(COLOR_3DDKSHADOW), br = sys(COLOR_3DLIGHT);
    EdgeRing(dc, d, flags, tl, br);
  }
  if (flags & BF_MIDDLE) FillDev(dc, d, sys(mono ? COLOR_WINDOW : COLOR_BTNFACE));
  if (flags & BF_ADJUST) {
    r->left += d.left - start.left;
    r->top += d.top - start.top;
    r->right -= start.right - d.right;
    r->bottom -= start.bottom - d.bottom;
  }
  return TRUE;
}

BOOL DrawFrameControl(HDC h, RECT* r, UINT type, UINT state) {
  Call c(h);
  if (!c || !r) return FALSE;
  RecordRect(*c.dc, "DrawFrameControl", *r, (type << 16) | (state & 0xFFFF));
  RecordGuard g(*c.dc);
  DcObj& dc = *c.dc;
  auto sys = GetSysColor;
  const RECT d = DeviceRect(dc, *r);
  const bool inactive = state & DFCS_INACTIVE, pushed = state & DFCS_PUSHED, flat = state & DFCS_FLAT,
             checked = state & DFCS_CHECKED;
  if (type == DFC_BUTTON) {
    const UINT kind = state & 0xFF;
    const int side = std::min(d.right - d.left, d.bottom - d.top);
    const RECT cell{d.left + (d.right - d.left - side) / 2, d.top + (d.bottom - d.top - side) / 2,
                    d.left + (d.right - d.left - side) / 2 + side, d.top + (d.bottom - d.top - side) / 2 + side};
    if (kind & DFCS_BUTTONRADIOMASK) {  // black disc on white: the mask of a radio image
      FillDev(dc, cell, RGB(255, 255, 255));
      RingEllipse(dc, cell, 0, 0, 0, true);
      return TRUE;
    }
    if (kind & (DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIO)) {
      const COLORREF inside = sys((inactive || pushed) ? COLOR_BTNFACE : COLOR_WINDOW);
      if (flat) {
        RingEllipse(dc, cell, sys(COLOR_BTNSHADOW), sys(COLOR_BTNSHADOW), inside, true);
      } else {
        RingEllipse(dc, cell, sys(COLOR_BTNSHADOW), sys(COLOR_BTNHIGHLIGHT), inside, true);
        RingEllipse(dc, RECT{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1}, sys(COLOR_3DDKSHADOW),
                    sys(COLOR_3DLIGHT), inside, true);
      }
      if (checked) {
        const int q = side / 3;
        const RECT dot{cell.left + q, cell.top + q, cell.right - q, cell.bottom - q};
        RingEllipse(dc, dot, 0, 0, 0, false);
        const COLORREF ink = sys(inactive ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT);
        RingEllipse(dc, dot, ink, ink, ink, true);
      }
      return TRUE;
    }
    if (kind & DFCS_BUTTONPUSH) {
      RECT e = *r;
      DrawEdge(h, &e, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | (flat ? BF_FLAT : 0));
      return TRUE;
    }
    // Check box (also three-state).
    const bool third = (kind & DFCS_BUTTON3STATE) && checked;
    RECT box{cell.left, cell.top, cell.right, cell.bottom};
    POINT lo[2] = {{box.left, box.top}, {box.right, box.bottom}};
    DPtoLP(h, lo, 2);
    RECT lbox{lo[0].x, lo[0].y, lo[1].x, lo[1].y};
    DrawEdge(h, &lbox, EDGE_SUNKEN, BF_RECT | BF_ADJUST | (flat ? BF_FLAT : 0));
    const RECT inner = DeviceRect(dc, lbox);
    FillDev(dc, inner, sys((inactive || pushed || third) ? COLOR_BTNFACE : COLOR_WINDOW));
    if (checked) {
      // The classic mark: 7 columns, 3 pixels tall, dipping then rising.
      const COLORREF ink = sys((inactive || third) ? COLOR_BTNSHADOW : COLOR_WINDOWTEXT);
      const int w = inner.right - inner.left, hgt = inner.bottom - inner.top;
      const int x0 = inner.left + (w - 7) / 2, y0 = inner.top + (hgt - 7) / 2;
      static const int dy[7] = {2, 3, 4, 3, 2, 1, 0};
      for (int i = 0; i < 7; ++i) FillDev(dc, RECT{x0 + i, y0 + dy[i], x0 + i + 1, y0 + dy[i] + 3}, ink);
    }
    return TRUE;
  }
  if (type == DFC_SCROLL) {
    const UINT kind = state & 0xFF;
    if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
      FillDev(dc, d, sys(COLOR_BTNFACE));
      // Diagonal grooves towards the bottom-right corner.
      for (int k = 0; k < std::min(d.right - d.left, d.bottom - d.top) - 1; ++k) {
        const int phase = k % 4;
        if (phase == 3) continue;
        const COLORREF color = phase == 0 ? sys(COLOR_BTNHIGHLIGHT) : sys(COLOR_BTNSHADOW);
        for (int i = 0; i <= k; ++i)
          FillDev(dc, RECT{d.right - 1 - k + i, d.bottom - 1 - i, d.right - k + i, d.bottom - i}, color);
      }
      return TRUE;
    }
    RECT e = *r;
    if (flat)
      DrawEdge(h, &e, BDR_OUTER, BF_RECT | BF_FLAT | BF_MIDDLE);
    else
      DrawEdge(h, &e, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE | (pushed ? BF_FLAT : 0));
    RECT a = d;
    if (pushed) a = RECT{a.left + 1, a.top + 1, a.right + 1, a.bottom + 1};
    const UINT dir = kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : (kind & 0x3);
    if (inactive) {
      RECT b = a;
      b.left += 1, b.top += 1, b.right += 1, b.bottom += 1;
      Arrow(dc, b, dir, sys(COLOR_BTNHIGHLIGHT));
      Arrow(dc, a, dir, sys(COLOR_BTNSHADOW));
    } else {
      Arrow(dc, a, dir, sys(COLOR_BTNTEXT));
    }
    return TRUE;
  }
  return FALSE;
}
