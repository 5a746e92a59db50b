// Device contexts: kinds, selected objects, colours and modes, origins, clipping, SaveDC and
// RestoreDC, paths, recording, and the one fill routine every shape ends in.

#include <algorithm>

#include "platform/gdi/GdiInternal.h"

namespace gdi {

namespace {
void ReleaseState(const DcState& s) {
  ReleaseRef(s.pen.value);
  ReleaseRef(s.brush.value);
  ReleaseRef(s.font.value);
  ReleaseRef(s.bitmap.value);
}
void AddRefState(const DcState& s) {
  AddRef(s.pen.value);
  AddRef(s.brush.value);
  AddRef(s.font.value);
  AddRef(s.bitmap.value);
}
HBITMAP DefaultMonoBitmap() {
  static HBITMAP h = [] {
    HBITMAP b = CreateBitmap(1, 1, 1, 1, nullptr);
    GetBitmap(b)->stock = true;
    return b;
  }();
  return h;
}
}  // namespace

DcObj::~DcObj() {
  for (const DcState& st : saved) ReleaseState(st);
  ReleaseState(s);
}

HDC NewDC(std::unique_ptr<DcObj> dc) {
  InitDefaults(*dc);
  return HDC(Register(std::move(dc)));
}

void InitDefaults(DcObj& dc) {
  dc.s.pen = GetStockPen(BLACK_PEN);
  dc.s.brush = GetStockBrush(WHITE_BRUSH);
  dc.s.font = GetStockFont(SYSTEM_FONT);
  if (dc.dkind == DcKind::Memory) dc.s.bitmap = DefaultMonoBitmap();
  AddRefState(dc.s);
  for (int i = 0; i < 128; ++i) dc.caps[i] = 0;
}

Surface* TargetSurface(DcObj& dc) {
  if (dc.dkind == DcKind::Surface) return dc.surface.get();
  if (dc.dkind == DcKind::Memory) {
    BitmapObj* b = GetBitmap(dc.s.bitmap);
    return b ? b->surface.get() : nullptr;
  }
  return nullptr;
}

bool TargetMono(DcObj& dc) {
  if (dc.dkind != DcKind::Memory) return false;
  BitmapObj* b = GetBitmap(dc.s.bitmap);
  return b && b->mono;
}

POINT TargetOffset(const DcObj& dc) { return dc.dkind == DcKind::Surface ? dc.origin : POINT{}; }

POINT ToDevice(const DcObj& dc, POINT p) {
  return POINT{p.x - dc.s.windowOrg.x + dc.s.viewportOrg.x, p.y - dc.s.windowOrg.y + dc.s.viewportOrg.y};
}

RECT ToDevice(const DcObj& dc, const RECT& r) {
  const POINT a = ToDevice(dc, POINT{r.left, r.top});
  const POINT b = ToDevice(dc, POINT{r.right, r.bottom});
  return RECT{a.x, a.y, b.x, b.y};
}

namespace {
// The device area a DC can draw on, before any clip.
QRegion DeviceArea(DcObj& dc) {
  switch (dc.dkind) {
    case DcKind::Surface: {
      const Surface* s = dc.surface.get();
      return s ? QRegion(-dc.origin.x, -dc.origin.y, s->Width(), s->Height()) : QRegion();
    }
    case DcKind::Memory: {
      const Surface* s = TargetSurface(dc);
      return s ? QRegion(0, 0, s->Width(), s->Height()) : QRegion();
    }
    case DcKind::Printer: return QRegion(0, 0, dc.pageSize.cx, dc.pageSize.cy);
    case DcKind::Measure: return QRegion(0, 0, 30000, 30000);
  }
  return QRegion();
}
}  // namespace

void InvalidateClip(DcObj& dc) {
  dc.clipDirty = true;
  ++dc.clipChanges;
}

namespace {
// The parts of `rects` inside `r` (rects: disjoint), written to `out`.
void NarrowRects(const std::vector<RECT>& rects, const RECT& r, std::vector<RECT>& out) {
  out.clear();
  for (const RECT& c : rects) {
    const RECT part = IntersectRects(c, r);
    if (!EmptyRect(part)) out.push_back(part);
  }
}
RECT BoundsOf(const std::vector<RECT>& rects) {
  if (rects.empty()) return RECT{};
  RECT b = rects.front();
  for (const RECT& c : rects)
    b = RECT{std::min(b.left, c.left), std::min(b.top, c.top), std::max(b.right, c.right), std::max(b.bottom, c.bottom)};
  return b;
}
}  // namespace

const std::vector<RECT>& ClipRects(DcObj& dc) {
  if (dc.clipDirty) {
    QRegion eff = DeviceArea(dc);
    if (dc.visible) eff &= *dc.visible;
    if (dc.s.clip) eff &= *dc.s.clip;
    dc.clipRects.clear();
    for (const QRect& q : eff) dc.clipRects.push_back(FromQRect(q));
    if (dc.scopeClip) {
      NarrowRects(dc.clipRects, *dc.scopeClip, dc.scopeSpare);
      dc.clipRects.swap(dc.scopeSpare);
    }
    dc.clipBox = BoundsOf(dc.clipRects);
    dc.clipDirty = false;
  }
  return dc.clipRects;
}

// The rectangles without the scope are kept aside and given back at its end, so that a text
// output's clip costs no region work; buffers pass between the DC and the scope, not copies.
ClipScope::ClipScope(DcObj& dc, const RECT* r) : fDc(dc) {
  if (!r) return;
  fActive = true;
  fOuter = dc.scopeClip;
  const RECT n = NormalRect(*r);
  ClipRects(dc);
  fChanges = dc.clipChanges;
  dc.scopeClip = fOuter ? IntersectRects(*fOuter, n) : n;
  fSaved.swap(dc.clipRects);
  fSavedBox = dc.clipBox;
  dc.clipRects.swap(dc.scopeSpare);
  NarrowRects(fSaved, n, dc.clipRects);
  dc.clipBox = BoundsOf(dc.clipRects);
}

ClipScope::~ClipScope() {
  if (!fActive) return;
  fDc.scopeClip = fOuter;
  if (fDc.clipChanges != fChanges) {  // changed meanwhile: rebuilt on next use
    InvalidateClip(fDc);
    return;
  }
  fDc.scopeSpare.swap(fDc.clipRects);
  fDc.clipRects.swap(fSaved);
  fDc.clipBox = fSavedBox;
}

void MarkDirty(DcObj& dc, const RECT& deviceRect) {
  if (EmptyRect(deviceRect)) return;
  const POINT o = TargetOffset(dc);
  const RECT r{deviceRect.left + o.x, deviceRect.top + o.y, deviceRect.right + o.x, deviceRect.bottom + o.y};
  if (EmptyRect(dc.dirty))
    dc.dirty = r;
  else
    dc.dirty = RECT{std::min(dc.dirty.left, r.left), std::min(dc.dirty.top, r.top), std::max(dc.dirty.right, r.right),
                    std::max(dc.dirty.bottom, r.bottom)};
}

// ---- Inks and the fill -------------------------------------------------------------------

Pixel ToMonoPixel(Pixel p) {
  const int sum = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF));
  return sum >= 384 ? 0xFFFFFFFFu : 0xFF000000u;
}

namespace {
// A binary raster operation: bit i of (code - 1) is the result for pen bit P and
// destination bit D at i = 2P + D.
inline Pixel Rop2(int code, Pixel p, Pixel d) {
  const unsigned t = static_cast<unsigned>(code - 1) & 0xF;
  Pixel r = 0;
  if (t & 1) r |= ~p & ~d;
  if (t & 2) r |= ~p & d;
  if (t & 4) r |= p & ~d;
  if (t & 8) r |= p & d;
  return r | 0xFF000000u;
}
}  // namespace

// A ternary raster operation: bit i of the code's second byte is the result at i = 4P + 2S + D.
Pixel Rop3(DWORD rop, Pixel p, Pixel s, Pixel d) {
  const unsigned code = (rop >> 16) & 0xFF;
  switch (code) {
    case 0xCC: return s | 0xFF000000u;
    case 0xF0: return p | 0xFF000000u;
    case 0x55: return ~d | 0xFF000000u;
    case 0x00: return 0xFF000000u;
    case 0xFF: return 0xFFFFFFFFu;
    default: break;
  }
  Pixel r = 0;
  for (int i = 0; i < 8; ++i)
    if (code & (1u << i)) r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
  return r | 0xFF000000u;
}

Ink SolidInk(DcObj& dc, COLORREF c) {
  Ink ink;
  ink.color = PixelFromColor(c);
  ink.rop2 = dc.s.rop2;
  return ink;
}

Ink BrushInk(DcObj& dc, HBRUSH brush) {
  Ink ink;
  ink.rop2 = dc.s.rop2;
  BrushObj* b = GetBrush(brush);
  if (!b || b->style == BS_NULL) {
    ink.null = true;
    return ink;
  }
  if (b->style == BS_PATTERN && b->pattern && !b->pattern->Empty()) {
    ink.pattern = b->pattern.get();
    ink.patternMono = b->patternMono;
    ink.patText = PixelFromColor(dc.s.text);
    ink.patBk = PixelFromColor(dc.s.bk);
    ink.org = dc.s.brushOrg;
    return ink;
  }
  ink.color = PixelFromColor(b->Color());
  return ink;
}

Pixel InkPixel(const Ink& ink, int x, int y) {
  if (!ink.pattern) return ink.color;
  const int w = ink.pattern->Width(), h = ink.pattern->Height();
  int px = (x - ink.org.x) % w, py = (y - ink.org.y) % h;
  if (px < 0) px += w;
  if (py < 0) py += h;
  const Pixel p = ink.pattern->Row(py)[px];
  if (ink.patternMono) return (p & 0xFFFFFF) == 0xFFFFFF ? ink.patBk : ink.patText;
  return p;
}

namespace {
void FillRaster(DcObj& dc, Surface& target, const RECT& r, const Ink& ink) {
  const POINT o = TargetOffset(dc);
  const bool mono = TargetMono(dc);
  const bool copy = ink.rop3 ? ((ink.rop3 >> 16) & 0xFF) == 0xF0 : ink.rop2 == R2_COPYPEN;
  for (int y = r.top; y < r.bottom; ++y) {
    Pixel* row = target.Row(y + o.y) + o.x;
    if (copy && !ink.pattern) {
      std::fill(row + r.left, row + r.right, mono ? ToMonoPixel(ink.color) : (ink.color | 0xFF000000u));
      continue;
    }
    for (int x = r.left; x < r.right; ++x) {
      Pixel p = InkPixel(ink, x, y);
      if (mono) p = ToMonoPixel(p);
      const Pixel d = row[x];
      row[x] = ink.rop3 ? Rop3(ink.rop3, p, 0, d) : Rop2(ink.rop2, p, d);
    }
  }
}

void FillPainter(DcObj& dc, const RECT& r, const Ink& ink) {
  if (!dc.painter) return;
  if (ink.pattern) {
    // Tile the pattern as an image brush anchored at the brush origin.
    QImage img(reinterpret_cast<const uchar*>(ink.pattern->Bits()), ink.pattern->Width(), ink.pattern->Height(),
               ink.pattern->StrideBytes(), QImage::Format_RGB32);
    QImage tile = img.copy();
    if (ink.patternMono)
      for (int y = 0; y < tile.height(); ++y) {
        auto* row = reinterpret_cast<Pixel*>(tile.scanLine(y));
        for (int x = 0; x < tile.width(); ++x) row[x] = (row[x] & 0xFFFFFF) == 0xFFFFFF ? ink.patBk : ink.patText;
      }
    QBrush b(tile);
    b.setTransform(QTransform::fromTranslate(ink.org.x, ink.org.y));
    dc.painter->fillRect(ToQRect(r), b);
    return;
  }
  Pixel c = ink.color;
  if (ink.rop3)
    c = Rop3(ink.rop3, c, 0, 0xFFFFFFFFu);  // a page starts white
  else if (ink.rop2 != R2_COPYPEN)
    c = Rop2(ink.rop2, c, 0xFFFFFFFFu);
  dc.painter->fillRect(ToQRect(r), QColor::fromRgb(c));
}
}  // namespace

void FillDevice(DcObj& dc, RECT r, const Ink& ink) {
  if (ink.null || EmptyRect(r)) return;
  if (dc.inPath) {
    *dc.path += ToQRect(r);
    return;
  }
  if (dc.dkind == DcKind::Measure) return;
  Surface* target = TargetSurface(dc);
  for (const RECT& c : ClipRects(dc)) {
    const RECT part = IntersectRects(r, c);
    if (EmptyRect(part)) continue;
    if (target)
      FillRaster(dc, *target, part, ink);
    else
      FillPainter(dc, part, ink);
    MarkDirty(dc, part);
  }
}

// ---- Recording -----------------------------------------------------------------------------

bool Recording(const DcObj& dc) { return dc.recording && dc.recordDepth == 0; }

GdiRecord& Record(DcObj& dc, const char* op) {
  GdiRecord r;
  r.op = op;
  PenObj* pen = GetPen(dc.s.pen);
  r.penColor = (!pen || pen->style == PS_NULL) ? CLR_INVALID : pen->color;
  BrushObj* brush = GetBrush(dc.s.brush);
  r.brushColor = (!brush || brush->style != BS_SOLID) ? CLR_INVALID : brush->Color();
  r.textColor = dc.s.text;
  r.bkColor = dc.s.bk;
  r.bkMode = dc.s.bkMode;
  if (FontObj* f = GetFont(dc.s.font)) r.font = f->lf;
  ClipRects(dc);
  r.clipBox = dc.clipBox;
  dc.records.push_back(std::move(r));
  return dc.records.back();
}

}  // namespace gdi

using namespace gdi;

// ---- Creating and deleting -------------------------------------------------------------------

HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, POINT origin, HRGN visible) {
  auto dc = std::make_unique<DcObj>();
  dc->dkind = DcKind::Surface;
  dc->surface = std::move(surface);
  dc->origin = origin;
  if (RegionObj* r = GetRegion(visible)) dc->visible = r->rgn;
  return NewDC(std::move(dc));
}

BOOL SetDCVisibleRgn(HDC h, HRGN visible) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  if (RegionObj* r = GetRegion(visible))
    dc->visible = r->rgn;
  else
    dc->visible.reset();
  InvalidateClip(*dc);
  return TRUE;
}

RECT GetDCDirtyRect(HDC h, bool reset) {
  DcObj* dc = GetDC(h);
  if (!dc) return RECT{};
  const RECT r = dc->dirty;
  if (reset) dc->dirty = RECT{};
  return r;
}

HDC CreateCompatibleDC(HDC) {
  auto dc = std::make_unique<DcObj>();
  dc->dkind = DcKind::Memory;
  return NewDC(std::move(dc));
}

HDC CreateMeasureDC() {
  auto dc = std::make_unique<DcObj>();
  dc->dkind = DcKind::Measure;
  return NewDC(std::move(dc));
}

BOOL DeleteDC(HDC h) {
  if (!GetDC(h)) return FALSE;
  Unregister(h.value);
  return TRUE;
}

HGDIOBJ SelectObject(HDC h, HGDIOBJ obj) {
  DcObj* dc = GetDC(h);
  Object* o = LookupAny(obj.value);
  if (!dc || !o) return HGDIOBJ();
  auto swap = [&](auto& slot) {
    using H = std::remove_reference_t<decltype(slot)>;
    const H old = slot;
    AddRef(obj.value);
    slot = H(obj.value);
    ReleaseRef(old.value);
    return HGDIOBJ(old.value);
  };
  switch (o->kind) {
    case Kind::Pen: return swap(dc->s.pen);
    case Kind::Brush: return swap(dc->s.brush);
    case Kind::Font: return swap(dc->s.font);
    case Kind::Bitmap: {
      if (dc->dkind != DcKind::Memory) return HGDIOBJ();
      dc->raster.reset();  // bound to the pixels of the bitmap going out
      HGDIOBJ old = swap(dc->s.bitmap);
      InvalidateClip(*dc);
      return old;
    }
    case Kind::Region: return HGDIOBJ(static_cast<std::uintptr_t>(SelectClipRgn(h, HRGN(obj.value))));
    default: return HGDIOBJ();
  }
}

HGDIOBJ GetCurrentObject(HDC h, UINT type) {
  DcObj* dc = GetDC(h);
  if (!dc) return HGDIOBJ();
  switch (type) {
    case OBJ_PEN: return ToGdiObj(dc->s.pen);
    case OBJ_BRUSH: return ToGdiObj(dc->s.brush);
    case OBJ_FONT: return ToGdiObj(dc->s.font);
    case OBJ_BITMAP: return ToGdiObj(dc->s.bitmap);
    default: return HGDIOBJ();
  }
}

// ---- Colours and modes ---------------------------------------------------------------------

namespace {
template <class T, class F>
T SetField(HDC h, T value, F field, T fail) {
  DcObj* dc = GetDC(h);
  if (!dc) return fail;
  T& slot = field(*dc);
  const T old = slot;
  slot = value;
  return old;
}
template <class T, class F>
T GetField(HDC h, F field, T fail) {
  DcObj* dc = GetDC(h);
  return dc ? field(*dc) : fail;
}
}  // namespace

COLORREF SetTextColor(HDC h, COLORREF c) {
  return SetField<COLORREF>(
      h, c & 0xFFFFFF, [](DcObj& d) -> COLORREF& { return d.s.text; }, CLR_INVALID);
}
COLORREF GetTextColor(HDC h) {
  return GetField<COLORREF>(
      h, [](DcObj& d) { return d.s.text; }, CLR_INVALID);
}
COLORREF SetBkColor(HDC h, COLORREF c) {
  return SetField<COLORREF>(
      h, c & 0xFFFFFF, [](DcObj& d) -> COLORREF& { return d.s.bk; }, CLR_INVALID);
}
COLORREF GetBkColor(HDC h) {
  return GetField<COLORREF>(
      h, [](DcObj& d) { return d.s.bk; }, CLR_INVALID);
}
int SetBkMode(HDC h, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) return 0;
  return SetField<int>(
      h, mode, [](DcObj& d) -> int& { return d.s.bkMode; }, 0);
}
int GetBkMode(HDC h) {
  return GetField<int>(
      h, [](DcObj& d) { return d.s.bkMode; }, 0);
}
int SetROP2(HDC h, int rop2) {
  if (rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
  return SetField<int>(
      h, rop2, [](DcObj& d) -> int& { return d.s.rop2; }, 0);
}
int GetROP2(HDC h) {
  return GetField<int>(
      h, [](DcObj& d) { return d.s.rop2; }, 0);
}
int SetPolyFillMode(HDC h, int mode) {
  return SetField<int>(
      h, mode == WINDING ? WINDING : ALTERNATE, [](DcObj& d) -> int& { return d.s.polyFill; }, 0);
}
int SetStretchBltMode(HDC h, int mode) {
  return SetField<int>(
      h, mode, [](DcObj& d) -> int& { return d.s.stretchMode; }, 0);
}
UINT SetTextAlign(HDC h, UINT align) {
  return SetField<UINT>(
      h, align, [](DcObj& d) -> UINT& { return d.s.textAlign; }, 0xFFFFFFFFu);
}
UINT GetTextAlign(HDC h) {
  return GetField<UINT>(
      h, [](DcObj& d) { return d.s.textAlign; }, 0xFFFFFFFFu);
}
int SetTextCharacterExtra(HDC h, int extra) {
  return SetField<int>(
      h, extra, [](DcObj& d) -> int& { return d.s.charExtra; }, 0x80000000);
}
int GetTextCharacterExtra(HDC h) {
  return GetField<int>(
      h, [](DcObj& d) { return d.s.charExtra; }, 0x80000000);
}

BOOL SetTextJustification(HDC h, int extra, int breakCount) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  dc->s.justExtra = breakCount > 0 ? extra : 0;
  dc->s.justBreaks = breakCount > 0 ? breakCount : 0;
  return TRUE;
}

// 32-bit surfaces show every colour as it is.
COLORREF GetNearestColor(HDC h, COLORREF c) {
  DcObj* dc = GetDC(h);
  if (!dc) return CLR_INVALID;
  if (TargetMono(*dc)) return ColorFromPixel(ToMonoPixel(PixelFromColor(c)));
  return c & 0xFFFFFF;
}

BOOL SetBrushOrgEx(HDC h, int x, int y, POINT* old) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  if (old) *old = dc->s.brushOrg;
  dc->s.brushOrg = POINT{x, y};
  return TRUE;
}
BOOL GetBrushOrgEx(HDC h, POINT* out) {
  DcObj* dc = GetDC(h);
  if (!dc || !out) return FALSE;
  *out = dc->s.brushOrg;
  return TRUE;
}

// ---- Origins -------------------------------------------------------------------------------

namespace {
BOOL SetOrg(HDC h, POINT DcState::*field, int x, int y, POINT* old, bool relative) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  POINT& p = dc->s.*field;
  if (old) *old = p;
  p = relative ? POINT{p.x + x, p.y + y} : POINT{x, y};
  return TRUE;
}
BOOL GetOrg(HDC h, POINT DcState::*field, POINT* out) {
  DcObj* dc = GetDC(h);
  if (!dc || !out) return FALSE;
  *out = dc->s.*field;
  return TRUE;
}
}  // namespace

BOOL SetWindowOrgEx(HDC h, int x, int y, POINT* old) { return SetOrg(h, &DcState::windowOrg, x, y, old, false); }
BOOL GetWindowOrgEx(HDC h, POINT* out) { return GetOrg(h, &DcState::windowOrg, out); }
BOOL SetViewportOrgEx(HDC h, int x, int y, POINT* old) { return SetOrg(h, &DcState::viewportOrg, x, y, old, false); }
BOOL GetViewportOrgEx(HDC h, POINT* out) { return GetOrg(h, &DcState::viewportOrg, out); }
BOOL OffsetWindowOrgEx(HDC h, int dx, int dy, POINT* old) { return SetOrg(h, &DcState::windowOrg, dx, dy, old, true); }
BOOL OffsetViewportOrgEx(HDC h, int dx, int dy, POINT* old) {
  return SetOrg(h, &DcState::viewportOrg, dx, dy, old, true);
}

BOOL LPtoDP(HDC h, POINT* pts, int count) {
  DcObj* dc = GetDC(h);
  if (!dc || (!pts && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i) pts[i] = ToDevice(*dc, pts[i]);
  return TRUE;
}

BOOL DPtoLP(HDC h, POINT* pts, int count) {
  DcObj* dc = GetDC(h);
  if (!dc || (!pts && count > 0)) return FALSE;
  for (int i = 0; i < count; ++i)
    pts[i] =
        POINT{pts[i].x + dc->s.windowOrg.x - dc->s.viewportOrg.x, pts[i].y + dc->s.windowOrg.y - dc->s.viewportOrg.y};
  return TRUE;
}

// ---- SaveDC / RestoreDC --------------------------------------------------------------------

int SaveDC(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc) return 0;
  dc->saved.push_back(dc->s);
  AddRefState(dc->s);
  return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC h, int level) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  const int count = static_cast<int>(dc->saved.size());
  const int target = level < 0 ? count + level + 1 : level;
  if (target < 1 || target > count) return FALSE;
  while (static_cast<int>(dc->saved.size()) > target) {
    ReleaseState(dc->saved.back());
    dc->saved.pop_back();
  }
  DcState restored = std::move(dc->saved.back());
  dc->saved.pop_back();
  const DcState current = dc->s;
  dc->s = std::move(restored);  // the saved references pass to the current state
  ReleaseState(current);
  InvalidateClip(*dc);
  return TRUE;
}

// ---- Clipping ------------------------------------------------------------------------------

namespace {
int EffectiveKind(DcObj& dc) {
  const auto& rects = ClipRects(dc);
  if (rects.empty()) return NULLREGION;
  return rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
QRegion CurrentClip(DcObj& dc) { return dc.s.clip ? *dc.s.clip : DeviceArea(dc); }
}  // namespace

int SelectClipRgn(HDC h, HRGN rgn) { return ExtSelectClipRgn(h, rgn, RGN_COPY); }

int ExtSelectClipRgn(HDC h, HRGN rgn, int mode) {
  DcObj* dc = GetDC(h);
  if (!dc) return ERROR;
  RegionObj* r = GetRegion(rgn);
  if (!r) {
    if (mode != RGN_COPY) return ERROR;
    dc->s.clip.reset();
  } else {
    const QRegion cur = CurrentClip(*dc);
    switch (mode) {
      case RGN_COPY: dc->s.clip = r->rgn; break;
      case RGN_AND: dc->s.clip = cur.intersected(r->rgn); break;
      case RGN_OR: dc->s.clip = cur.united(r->rgn); break;
      case RGN_XOR: dc->s.clip = cur.xored(r->rgn); break;
      case RGN_DIFF: dc->s.clip = cur.subtracted(r->rgn); break;
      default: return ERROR;
    }
  }
  InvalidateClip(*dc);
  return EffectiveKind(*dc);
}

int GetClipRgn(HDC h, HRGN rgn) {
  DcObj* dc = GetDC(h);
  RegionObj* r = GetRegion(rgn);
  if (!dc || !r) return -1;
  if (!dc->s.clip) return 0;
  r->rgn = *dc->s.clip;
  return 1;
}

int GetClipBox(HDC h, RECT* box) {
  DcObj* dc = GetDC(h);
  if (!dc) return ERROR;
  ClipRects(*dc);
  if (box) {
    RECT b = dc->clipBox;
    POINT pts[2] = {{b.left, b.top}, {b.right, b.bottom}};
    if (!EmptyRect(b)) DPtoLP(h, pts, 2);
    *box = EmptyRect(b) ? RECT{} : RECT{pts[0].x, pts[0].y, pts[1].x, pts[1].y};
  }
  return EffectiveKind(*dc);
}

int IntersectClipRect(HDC h, int left, int top, int right, int bottom) {
  DcObj* dc = GetDC(h);
  if (!dc) return ERROR;
  const RECT d = NormalRect(ToDevice(*dc, RECT{left, top, right, bottom}));
  dc->s.clip = CurrentClip(*dc).intersected(ToQRect(d));
  InvalidateClip(*dc);
  return EffectiveKind(*dc);
}

int ExcludeClipRect(HDC h, int left, int top, int right, int bottom) {
  DcObj* dc = GetDC(h);
  if (!dc) return ERROR;
  const RECT d = NormalRect(ToDevice(*dc, RECT{left, top, right, bottom}));
  dc->s.clip = CurrentClip(*dc).subtracted(ToQRect(d));
  InvalidateClip(*dc);
  return EffectiveKind(*dc);
}

int OffsetClipRgn(HDC h, int dx, int dy) {
  DcObj* dc = GetDC(h);
  if (!dc) return ERROR;
  if (dc->s.clip) dc->s.clip->translate(dx, dy);
  InvalidateClip(*dc);
  return EffectiveKind(*dc);
}

BOOL RectVisible(HDC h, const RECT* r) {
  DcObj* dc = GetDC(h);
  if (!dc || !r) return FALSE;
  const RECT d = NormalRect(ToDevice(*dc, *r));
  for (const RECT& c : ClipRects(*dc))
    if (!EmptyRect(IntersectRects(c, d))) return TRUE;
  return FALSE;
}

BOOL PtVisible(HDC h, int x, int y) {
  const RECT r{x, y, x + 1, y + 1};
  return RectVisible(h, &r);
}

// ---- Capabilities --------------------------------------------------------------------------

int GetDeviceCaps(HDC h, int index) {
  DcObj* dc = GetDC(h);
  if (!dc) return 0;
  if (dc->dkind == DcKind::Printer) return (index >= 0 && index < 128) ? dc->caps[index] : 0;
  const Surface* s = TargetSurface(*dc);
  switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case BITSPIXEL: return TargetMono(*dc) ? 1 : 32;
    case PLANES: return 1;
    case NUMCOLORS: return -1;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZRES: return s ? s->Width() : 1920;
    case VERTRES: return s ? s->Height() : 1080;
    case HORZSIZE: return (s ? s->Width() : 1920) * 254 / 960;
    case VERTSIZE: return (s ? s->Height() : 1080) * 254 / 960;
    default: return 0;
  }
}

// ---- Paths ---------------------------------------------------------------------------------

BOOL BeginPath(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  dc->inPath = true;
  dc->path = QRegion();
  dc->pathFigures.clear();
  return TRUE;
}

BOOL EndPath(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc || !dc->inPath) return FALSE;
  dc->inPath = false;
  return TRUE;
}

BOOL AbortPath(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  dc->inPath = false;
  dc->path.reset();
  dc->pathFigures.clear();
  return TRUE;
}

HRGN PathToRegion(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc || dc->inPath || !dc->path) return HRGN();
  std::vector<RECT> rects;
  for (const QRect& q : *dc->path) rects.push_back(FromQRect(q));
  // Each traced figure is closed and filled by the fill mode: the pixels inside, as Polygon fills.
  for (const std::vector<POINT>& figure : dc->pathFigures) {
    if (figure.size() < 3) continue;
    LONG top = figure[0].y, bottom = figure[0].y;
    for (const POINT& p : figure) top = std::min(top, p.y), bottom = std::max(bottom, p.y);
    gdi::PolygonSpans(figure, dc->s.polyFill, top, bottom,
                      [&](LONG y, int x0, int x1) { rects.push_back(RECT{x0, y, x1, y + 1}); });
  }
  dc->path.reset();
  dc->pathFigures.clear();
  return CreateRegionFromRects(rects);
}

// ---- Recording -----------------------------------------------------------------------------

void StartRecording(HDC h) {
  if (DcObj* dc = GetDC(h)) {
    dc->recording = true;
    dc->records.clear();
  }
}

std::vector<GdiRecord> StopRecording(HDC h) {
  DcObj* dc = GetDC(h);
  if (!dc) return {};
  dc->recording = false;
  return std::move(dc->records);
}

const std::vector<GdiRecord>& RecordedCalls(HDC h) {
  static const std::vector<GdiRecord> none;
  DcObj* dc = GetDC(h);
  return dc ? dc->records : none;
}
