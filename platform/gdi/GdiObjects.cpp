// The object table and the objects: pens, brushes, fonts, bitmaps, regions, stock objects.

#include <QPainterPath>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/gdi/GdiInternal.h"

namespace gdi {
namespace {

// A handle is kind (8 bits) | generation (24 bits) | slot + 1 (32 bits). A freed slot gets a new
// generation, so a stale handle never reaches the object that reuses its slot.
struct Slot {
  std::unique_ptr<Object> obj;
  std::uint32_t generation = 1;
};

struct Table {
  std::vector<Slot> entries;
  std::vector<std::uint32_t> freeSlots;
  int live = 0;
  // Objects still alive at exit may release other handles as they go (a DC its pen): each is
  // taken out of a still whole table first, and its handle no longer resolves.
  ~Table() {
    for (Slot& e : entries) {
      std::unique_ptr<Object> obj = std::move(e.obj);
      e.generation = (e.generation + 1) & 0xFFFFFF;
      obj.reset();
    }
  }
};

Table& table() {
  static Table t;
  return t;
}

std::uintptr_t Encode(Kind kind, std::uint32_t gen, std::uint32_t index) {
  return (static_cast<std::uintptr_t>(kind) << 56) | (static_cast<std::uintptr_t>(gen & 0xFFFFFF) << 32) |
         (static_cast<std::uintptr_t>(index) + 1);
}

}  // namespace

std::uintptr_t Register(std::unique_ptr<Object> obj) {
  Table& t = table();
  std::uint32_t index;
  if (!t.freeSlots.empty()) {
    index = t.freeSlots.back();
    t.freeSlots.pop_back();
  } else {
    index = static_cast<std::uint32_t>(t.entries.size());
    t.entries.emplace_back();
  }
  const Kind kind = obj->kind;
  t.entries[index].obj = std::move(obj);
  ++t.live;
  return Encode(kind, t.entries[index].generation, index);
}

Object* LookupAny(std::uintptr_t h) {
  if (h == 0) return nullptr;
  Table& t = table();
  const std::uint64_t index = (h & 0xFFFFFFFFu);
  if (index == 0 || index > t.entries.size()) return nullptr;
  Slot& s = t.entries[index - 1];
  if (!s.obj || (s.generation & 0xFFFFFF) != ((h >> 32) & 0xFFFFFF)) return nullptr;
  if (static_cast<std::uintptr_t>(s.obj->kind) != (h >> 56)) return nullptr;
  return s.obj.get();
}

Object* Lookup(std::uintptr_t h, Kind kind) {
  Object* o = LookupAny(h);
  return (o && o->kind == kind) ? o : nullptr;
}

void Unregister(std::uintptr_t h) {
  if (!LookupAny(h)) return;
  Table& t = table();
  const std::uint32_t index = static_cast<std::uint32_t>((h & 0xFFFFFFFFu) - 1);
  // Move the object out first: its destructor may release other handles.
  std::unique_ptr<Object> obj = std::move(t.entries[index].obj);
  t.entries[index].generation = (t.entries[index].generation + 1) & 0xFFFFFF;
  if (t.entries[index].generation == 0) t.entries[index].generation = 1;
  t.freeSlots.push_back(index);
  --t.live;
  obj.reset();
}

void AddRef(std::uintptr_t h) {
  if (Object* o = LookupAny(h)) ++o->refs;
}

void ReleaseRef(std::uintptr_t h) {
  Object* o = LookupAny(h);
  if (!o) return;
  if (o->refs > 0) --o->refs;
  if (o->refs == 0 && o->deletePending) Unregister(h);
}

int RegionKind(const QRegion& r) {
  if (r.isEmpty()) return NULLREGION;
  return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

}  // namespace gdi

using namespace gdi;

// ---- Generic -------------------------------------------------------------------------------

DWORD GetObjectType(HGDIOBJ h) {
  Object* o = LookupAny(h.value);
  if (!o) return 0;
  if (o->kind == Kind::DC) return static_cast<DcObj*>(o)->dkind == DcKind::Memory ? OBJ_MEMDC : OBJ_DC;
  return static_cast<DWORD>(o->kind);
}

int GdiObjectCount() { return table().live; }

BOOL DeleteObject(HGDIOBJ h) {
  Object* o = LookupAny(h.value);
  if (!o || o->kind == Kind::DC) return FALSE;
  if (o->stock) return TRUE;
  if (o->refs > 0) {
    o->deletePending = true;
    return TRUE;
  }
  Unregister(h.value);
  return TRUE;
}

HGDIOBJ GetStockObject(int index) {
  static std::vector<std::uintptr_t> stock = [] {
    std::vector<std::uintptr_t> v(DEFAULT_GUI_FONT + 1, 0);
    auto brush = [](COLORREF c, UINT style) {
      auto b = std::make_unique<BrushObj>();
      b->color = c;
      b->style = style;
      b->stock = true;
      return Register(std::move(b));
    };
    auto pen = [](COLORREF c, int style) {
      auto p = std::make_unique<PenObj>();
      p->color = c;
      p->style = style;
      p->stock = true;
      return Register(std::move(p));
    };
    auto font = [](const char* face, int height, BYTE pitch) {
      auto f = std::make_unique<FontObj>();
      std::strncpy(f->lf.lfFaceName, face, LF_FACESIZE - 1);
      f->lf.lfHeight = height;
      f->lf.lfPitchAndFamily = pitch;
      f->stock = true;
      return Register(std::move(f));
    };
    v[WHITE_BRUSH] = brush(RGB(255, 255, 255), BS_SOLID);
    v[LTGRAY_BRUSH] = brush(RGB(192, 192, 192), BS_SOLID);
    v[GRAY_BRUSH] = brush(RGB(128, 128, 128), BS_SOLID);
    v[DKGRAY_BRUSH] = brush(RGB(64, 64, 64), BS_SOLID);
    v[BLACK_BRUSH] = brush(RGB(0, 0, 0), BS_SOLID);
    v[NULL_BRUSH] = brush(0, BS_NULL);
    v[WHITE_PEN] = pen(RGB(255, 255, 255), PS_SOLID);
    v[BLACK_PEN] = pen(RGB(0, 0, 0), PS_SOLID);
    v[NULL_PEN] = pen(0, PS_NULL);
    v[OEM_FIXED_FONT] = font("Courier New", -13, FIXED_PITCH);
    v[ANSI_FIXED_FONT] = font("Courier New", -13, FIXED_PITCH);
    v[ANSI_VAR_FONT] = font("MS Sans Serif", -11, VARIABLE_PITCH);
    v[SYSTEM_FONT] = font("MS Sans Serif", -13, VARIABLE_PITCH);
    v[DEFAULT_GUI_FONT] = font("MS Sans Serif", -11, VARIABLE_PITCH);
    return v;
  }();
  if (index < 0 || index >= static_cast<int>(stock.size())) return HGDIOBJ();
  return HGDIOBJ(stock[index]);
}

// ---- System colours ------------------------------------------------------------------------

HBRUSH GetSysColorBrush(int index) {
  static std::vector<std::uintptr_t> brushes(31, 0);
  if (index < 0 || index >= 31) return HBRUSH();
  if (!brushes[index]) {
    auto b = std::make_unique<BrushObj>();
    b->sysIndex = index;
    b->stock = true;
    brushes[index] = Register(std::move(b));
  }
  return HBRUSH(brushes[index]);
}

// ---- Pens, brushes, fonts ------------------------------------------------------------------

HPEN CreatePen(int style, int width, COLORREF color) {
  auto p = std::make_unique<PenObj>();
  p->style = (style >= PS_SOLID && style <= PS_INSIDEFRAME) ? style : PS_SOLID;
  p->width = std::max(width, 1);
  p->color = color & 0xFFFFFF;
  return HPEN(Register(std::move(p)));
}

HPEN CreatePenIndirect(const LOGPEN& lp) {
  return CreatePen(static_cast<int>(lp.lopnStyle), lp.lopnWidth.x, lp.lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
  auto b = std::make_unique<BrushObj>();
  b->color = color & 0xFFFFFF;
  return HBRUSH(Register(std::move(b)));
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
  BitmapObj* bm = GetBitmap(bitmap);
  if (!bm || bm->surface->Empty()) return HBRUSH();
  auto b = std::make_unique<BrushObj>();
  b->style = BS_PATTERN;
  b->pattern = std::make_shared<Surface>(*bm->surface);
  b->patternMono = bm->mono;
  return HBRUSH(Register(std::move(b)));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH& lb) {
  if (lb.lbStyle == BS_NULL) return GetStockBrush(NULL_BRUSH);
  if (lb.lbStyle == BS_PATTERN) return CreatePatternBrush(HBITMAP(lb.lbHatch));
  return CreateSolidBrush(lb.lbColor);
}

HFONT CreateFontIndirect(const LOGFONT& lf) {
  auto f = std::make_unique<FontObj>();
  f->lf = lf;
  f->lf.lfFaceName[LF_FACESIZE - 1] = 0;
  return HFONT(Register(std::move(f)));
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                 DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                 DWORD pitchAndFamily, const char* face) {
  LOGFONT lf;
  lf.lfHeight = height;
  lf.lfWidth = width;
  lf.lfEscapement = escapement;
  lf.lfOrientation = orientation;
  lf.lfWeight = weight;
  lf.lfItalic = static_cast<BYTE>(italic);
  lf.lfUnderline = static_cast<BYTE>(underline);
  lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
  lf.lfCharSet = static_cast<BYTE>(charSet);
  lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
  lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
  lf.lfQuality = static_cast<BYTE>(quality);
  lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
  if (face) std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
  return CreateFontIndirect(lf);
}

int GetObject(HGDIOBJ h, int size, void* out) {
  Object* o = LookupAny(h.value);
  if (!o) return 0;
  auto give = [&](const auto& value) {
    const int n = static_cast<int>(sizeof(value));
    if (!out) return n;
    if (size < n) return 0;
    std::memcpy(out, &value, n);
    return n;
  };
  switch (o->kind) {
    case Kind::Pen: {
      auto* p = static_cast<PenObj*>(o);
      LOGPEN lp;
      lp.lopnStyle = static_cast<UINT>(p->style);
      lp.lopnWidth = POINT{p->width, 0};
      lp.lopnColor = p->color;
      return give(lp);
    }
    case Kind::Brush: {
      auto* b = static_cast<BrushObj*>(o);
      LOGBRUSH lb;
      lb.lbStyle = b->style;
      lb.lbColor = b->Color();
      return give(lb);
    }
    case Kind::Font: return give(static_cast<FontObj*>(o)->lf);
    case Kind::Bitmap: {
      auto* b = static_cast<BitmapObj*>(o);
      BITMAP bm;
      bm.bmWidth = b->surface->Width();
      bm.bmHeight = b->surface->Height();
      bm.bmBitsPixel = b->mono ? 1 : 32;
      bm.bmWidthBytes = b->mono ? ((bm.bmWidth + 15) / 16) * 2 : bm.bmWidth * 4;
      bm.bmBits = b->mono ? nullptr : b->surface->Bits();
      return give(bm);
    }
    default: return 0;
  }
}

// ---- Bitmaps -------------------------------------------------------------------------------

namespace {
HBITMAP NewBitmap(int width, int height, bool mono) {
  auto b = std::make_unique<BitmapObj>();
  b->mono = mono;
  b->surface->Resize(std::max(width, 0), std::max(height, 0), mono ? 0xFF000000u : 0xFFFFFFFFu);
  return HBITMAP(Register(std::move(b)));
}

// Reads 1-bit rows (MSB first, rows padded to `rowBytes`) into black and white pixels.
void ReadMonoRows(Surface& s, const BYTE* bits, int rowBytes, bool bottomUp, int first, int lines) {
  for (int i = 0; i < lines; ++i) {
    const int y = bottomUp ? s.Height() - 1 - (first + i) : first + i;
    if (y < 0 || y >= s.Height()) continue;
    const BYTE* row = bits + static_cast<std::size_t>(i) * rowBytes;
    for (int x = 0; x < s.Width(); ++x) s.Row(y)[x] = (row[x / 8] & (0x80 >> (x % 8))) ? 0xFFFFFFFFu : 0xFF000000u;
  }
}
}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT /*planes*/, UINT bitsPerPixel, const void* bits) {
  const bool mono = bitsPerPixel == 1;
  HBITMAP h = NewBitmap(width, height, mono);
  if (bits) {
    Surface& s = *GetBitmap(h)->surface;
    if (mono)  // device-dependent 1-bit rows are padded to 16 bits
      ReadMonoRows(s, static_cast<const BYTE*>(bits), ((width + 15) / 16) * 2, false, 0, height);
    else
      for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
          s.Row(y)[x] = static_cast<const Pixel*>(bits)[static_cast<std::size_t>(y) * width + x] | 0xFF000000u;
  }
  return h;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  DcObj* d = GetDC(dc);
  const bool mono = d && d->dkind == DcKind::Memory && TargetMono(*d);
  return NewBitmap(width, height, mono);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT, void** bits, HANDLE, DWORD) {
  if (!info || info->bmiHeader.biWidth <= 0 || info->bmiHeader.biHeight == 0) return HBITMAP();
  const bool mono = info->bmiHeader.biBitCount == 1;
  HBITMAP h = NewBitmap(info->bmiHeader.biWidth, std::abs(info->bmiHeader.biHeight), mono);
  if (bits) *bits = mono ? nullptr : GetBitmap(h)->surface->Bits();
  return h;
}

int GetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT) {
  BitmapObj* b = GetBitmap(bitmap);
  if (!b || !info) return 0;
  const Surface& s = *b->surface;
  if (!bits) {  // fill in the header only
    info->bmiHeader.biWidth = s.Width();
    info->bmiHeader.biHeight = s.Height();
    info->bmiHeader.biBitCount = b->mono ? 1 : 32;
    info->bmiHeader.biSizeImage = static_cast<DWORD>(s.Width() * 4 * s.Height());
    return 1;
  }
  const bool bottomUp = info->bmiHeader.biHeight > 0;
  const int count = std::min<int>(static_cast<int>(lines), s.Height() - static_cast<int>(start));
  if (count <= 0) return 0;
  if (info->bmiHeader.biBitCount == 1) {
    const int rowBytes = ((s.Width() + 31) / 32) * 4;
    auto* out = static_cast<BYTE*>(bits);
    std::memset(out, 0, static_cast<std::size_t>(rowBytes) * count);
    for (int i = 0; i < count; ++i) {
      const int y = bottomUp ? s.Height() - 1 - (static_cast<int>(start) + i) : static_cast<int>(start) + i;
      for (int x = 0; x < s.Width(); ++x)
        if ((s.Row(y)[x] & 0xFFFFFF) == 0xFFFFFF) out[i * rowBytes + x / 8] |= 0x80 >> (x % 8);
    }
    return count;
  }
  auto* out = static_cast<Pixel*>(bits);
  for (int i = 0; i < count; ++i) {
    const int y = bottomUp ? s.Height() - 1 - (static_cast<int>(start) + i) : static_cast<int>(start) + i;
    std::memcpy(out + static_cast<std::size_t>(i) * s.Width(), s.Row(y), static_cast<std::size_t>(s.Width()) * 4);
  }
  return count;
}

int SetDIBits(HDC, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT) {
  BitmapObj* b = GetBitmap(bitmap);
  if (!b || !info || !bits) return 0;
  Surface& s = *b->surface;
  const bool bottomUp = info->bmiHeader.biHeight > 0;
  const int width = std::min<int>(info->bmiHeader.biWidth, s.Width());
  const int count = std::min<int>(static_cast<int>(lines), s.Height() - static_cast<int>(start));
  if (count <= 0) return 0;
  if (info->bmiHeader.biBitCount == 1) {
    ReadMonoRows(s, static_cast<const BYTE*>(bits), ((info->bmiHeader.biWidth + 31) / 32) * 4, bottomUp,
                 static_cast<int>(start), count);
    return count;
  }
  const auto* in = static_cast<const Pixel*>(bits);
  for (int i = 0; i < count; ++i) {
    const int y = bottomUp ? s.Height() - 1 - (static_cast<int>(start) + i) : static_cast<int>(start) + i;
    for (int x = 0; x < width; ++x) {
      Pixel p = in[static_cast<std::size_t>(i) * info->bmiHeader.biWidth + x] | 0xFF000000u;
      if (b->mono) p = ((p & 0xFFFFFF) == 0xFFFFFF) ? 0xFFFFFFFFu : 0xFF000000u;
      s.Row(y)[x] = p;
    }
  }
  return count;
}

Surface* BitmapSurface(HBITMAP bitmap) {
  BitmapObj* b = GetBitmap(bitmap);
  return b ? b->surface.get() : nullptr;
}

bool IsMonochromeBitmap(HBITMAP bitmap) {
  BitmapObj* b = GetBitmap(bitmap);
  return b && b->mono;
}

SIZE GetBitmapSize(HBITMAP bitmap) {
  BitmapObj* b = GetBitmap(bitmap);
  return b ? SIZE{b->surface->Width(), b->surface->Height()} : SIZE{};
}

// ---- Regions -------------------------------------------------------------------------------

namespace {
HRGN NewRegion(const QRegion& r) {
  auto o = std::make_unique<RegionObj>();
  o->rgn = r;
  return HRGN(Register(std::move(o)));
}
QRegion EllipseRegion(RECT r) {
  r = NormalRect(r);
  if (EmptyRect(r)) return QRegion();
  return QRegion(ToQRect(r), QRegion::Ellipse);
}
}  // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
  return NewRegion(QRegion(ToQRect(NormalRect(RECT{left, top, right, bottom}))));
}
HRGN CreateRectRgnIndirect(const RECT& r) { return CreateRectRgn(r.left, r.top, r.right, r.bottom); }
HRGN CreateEllipticRgn(int left, int top, int right, int bottom) {
  return NewRegion(EllipseRegion(RECT{left, top, right, bottom}));
}
HRGN CreateEllipticRgnIndirect(const RECT& r) { return CreateEllipticRgn(r.left, r.top, r.right, r.bottom); }

HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode) {
  if (!points || count < 2) return HRGN();
  std::vector<POINT> d(points, points + count);
  LONG top = d[0].y, bottom = d[0].y;
  for (const POINT& p : d) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
  std::vector<QRect> rects;
  PolygonSpans(d, fillMode, top, bottom, [&](LONG y, int x0, int x1) {
    // One band per row, with spans that touch merged, as QRegion keeps its rectangles.
    if (!rects.empty() && rects.back().top() == y && rects.back().right() + 1 >= x0)
      rects.back().setRight(std::max(rects.back().right(), x1 - 1));
    else
      rects.emplace_back(x0, static_cast<int>(y), x1 - x0, 1);
  });
  QRegion u;
  u.setRects(rects.data(), static_cast<int>(rects.size()));
  return NewRegion(u.intersected(u.boundingRect()));  // coalesces equal rows
}

HRGN CreateRegionFromRects(const std::vector<RECT>& rects) {
  QRegion u;
  for (const RECT& r : rects)
    if (!EmptyRect(r)) u += ToQRect(r);
  return NewRegion(u);
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
  RegionObj* r = GetRegion(rgn);
  if (!r) return FALSE;
  r->rgn = QRegion(ToQRect(NormalRect(RECT{left, top, right, bottom})));
  return TRUE;
}

int CombineRgn(HRGN dest, HRGN a, HRGN b, int mode) {
  RegionObj* d = GetRegion(dest);
  RegionObj* ra = GetRegion(a);
  RegionObj* rb = GetRegion(b);
  if (!d || !ra || (mode != RGN_COPY && !rb)) return ERROR;
  switch (mode) {
    case RGN_AND: d->rgn = ra->rgn.intersected(rb->rgn); break;
    case RGN_OR: d->rgn = ra->rgn.united(rb->rgn); break;
    case RGN_XOR: d->rgn = ra->rgn.xored(rb->rgn); break;
    case RGN_DIFF: d->rgn = ra->rgn.subtracted(rb->rgn); break;
    case RGN_COPY: d->rgn = ra->rgn; break;
    default: return ERROR;
  }
  return RegionKind(d->rgn);
}

BOOL EqualRgn(HRGN a, HRGN b) {
  RegionObj* ra = GetRegion(a);
  RegionObj* rb = GetRegion(b);
  return ra && rb && ra->rgn == rb->rgn;
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  RegionObj* r = GetRegion(rgn);
  if (!r) return ERROR;
  r->rgn.translate(dx, dy);
  return RegionKind(r->rgn);
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  RegionObj* r = GetRegion(rgn);
  return r && r->rgn.contains(QPoint(x, y));
}

BOOL RectInRegion(HRGN rgn, const RECT* rect) {
  RegionObj* r = GetRegion(rgn);
  if (!r || !rect) return FALSE;
  const RECT n = NormalRect(*rect);
  return !EmptyRect(n) && r->rgn.intersects(ToQRect(n));
}

int GetRgnBox(HRGN rgn, RECT* box) {
  RegionObj* r = GetRegion(rgn);
  if (!r) return ERROR;
  if (box) *box = r->rgn.isEmpty() ? RECT{} : FromQRect(r->rgn.boundingRect());
  return RegionKind(r->rgn);
}

std::vector<RECT> GetRegionRects(HRGN rgn) {
  std::vector<RECT> out;
  if (RegionObj* r = GetRegion(rgn))
    for (const QRect& q : r->rgn) out.push_back(FromQRect(q));
  return out;
}
