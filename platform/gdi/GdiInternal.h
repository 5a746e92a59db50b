#pragma once
// Private to platform/gdi: the object table, the objects behind the handles and the device
// context record shared by the drawing, text and printing code.

#include <QGlyphRun>
#include <QPainter>
#include <QRegion>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/WinGdi.h"

namespace gdi {

enum class Kind : std::uint8_t { Pen = 1, Brush = 2, DC = 3, Font = 6, Bitmap = 7, Region = 8 };

struct Object {
  explicit Object(Kind k) : kind(k) {}
  virtual ~Object() = default;
  Kind kind;
  bool stock = false;
  int refs = 0;                // selections into DCs, current or saved
  bool deletePending = false;  // DeleteObject while referenced
};

struct PenObj : Object {
  PenObj() : Object(Kind::Pen) {}
  int style = PS_SOLID;
  int width = 1;
  COLORREF color = 0;
};

struct BrushObj : Object {
  BrushObj() : Object(Kind::Brush) {}
  UINT style = BS_SOLID;
  COLORREF color = 0;
  int sysIndex = -1;                 // a system-colour brush: resolved when drawing
  std::shared_ptr<Surface> pattern;  // BS_PATTERN
  bool patternMono = false;
  COLORREF Color() const { return sysIndex >= 0 ? GetSysColor(sysIndex) : color; }
};

struct FontObj : Object {
  FontObj() : Object(Kind::Font) {}
  LOGFONT lf;
  // The metrics the font last resolved to, while the source and the DPI are the same.
  std::shared_ptr<const FontMetrics> metrics;
  const FontSource* metricsSource = nullptr;
  unsigned metricsGeneration = 0;
  int metricsDpi = 0;
};

struct BitmapObj : Object {
  BitmapObj() : Object(Kind::Bitmap) {}
  std::shared_ptr<Surface> surface = std::make_shared<Surface>();
  bool mono = false;
};

struct RegionObj : Object {
  RegionObj() : Object(Kind::Region) {}
  QRegion rgn;
};

enum class DcKind { Surface, Memory, Printer, Measure };

// The painter that draws text on a raster DC's pixels, kept from one text output to the next:
// beginning a painter costs more than most text it draws. It is bound to the pixels it was
// begun on and begun again when the target's memory, size or depth changes. Clip and pen are
// what it was last given (target coordinates). Painters still active when the application
// object goes are ended then.
struct RasterPainter {
  RasterPainter(Pixel* bits, int width, int height, int strideBytes, bool mono);
  ~RasterPainter();
  RasterPainter(const RasterPainter&) = delete;
  RasterPainter& operator=(const RasterPainter&) = delete;
  bool BoundTo(const Surface& target, bool mono) const;
  QImage image;
  QPainter painter;
  const Pixel* bits;
  int width, height;
  bool mono;
  std::vector<RECT> clip;  // target coordinates
  bool clipSet = false;
  QRgb pen = 0;
  bool penSet = false;
  // A run's glyphs and places, their storage reused from one run to the next.
  QList<quint32> glyphs;
  QList<QPointF> places;
  QGlyphRun run;
};

struct DcState {
  HPEN pen;
  HBRUSH brush;
  HFONT font;
  HBITMAP bitmap;
  COLORREF text = 0;
  COLORREF bk = 0xFFFFFF;
  int bkMode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int polyFill = ALTERNATE;
  int stretchMode = BLACKONWHITE;
  POINT brushOrg{};
  POINT current{};
  POINT windowOrg{};
  POINT viewportOrg{};
  std::optional<QRegion> clip;  // device coordinates
  UINT textAlign = 0;
  int charExtra = 0;
  int justExtra = 0;
  int justBreaks = 0;
};

struct DcObj : Object {
  DcObj() : Object(Kind::DC) {}
  ~DcObj() override;
  DcKind dkind = DcKind::Measure;
  DcState s;
  std::vector<DcState> saved;
  // Surface DCs: the surface, where device (0, 0) lies on it, and the system clip.
  std::shared_ptr<Surface> surface;
  POINT origin{};
  std::optional<QRegion> visible;
  // Printer DCs: the painter of the current page and the device geometry.
  QPainter* painter = nullptr;
  SIZE pageSize{};  // printable area in device pixels
  int dpi = 96;
  int caps[128] = {};
  RECT dirty{};  // surface coordinates
  bool recording = false;
  int recordDepth = 0;  // calls made by other calls are not recorded
  std::vector<GdiRecord> records;
  // Paths
  bool inPath = false;
  std::optional<QRegion> path;
  // Polylines traced in a path are figures (device points): the region is their inside.
  std::vector<std::vector<POINT>> pathFigures;

  // The effective clip (device coordinates), rebuilt after a change.
  bool clipDirty = true;
  unsigned clipChanges = 0;  // counts InvalidateClip
  std::vector<RECT> clipRects;
  RECT clipBox{};
  // A text output's own clip rectangle (device coordinates), narrowing the effective clip
  // while it draws (ClipScope); scopeSpare keeps a buffer for the narrowed rectangles.
  std::optional<RECT> scopeClip;
  std::vector<RECT> scopeSpare;
  std::unique_ptr<RasterPainter> raster;
};

// Handle table
std::uintptr_t Register(std::unique_ptr<Object> obj);
Object* Lookup(std::uintptr_t h, Kind kind);
template <class T>
T* Get(std::uintptr_t h, Kind kind) {
  return static_cast<T*>(Lookup(h, kind));
}
inline PenObj* GetPen(HPEN h) { return Get<PenObj>(h.value, Kind::Pen); }
inline BrushObj* GetBrush(HBRUSH h) { return Get<BrushObj>(h.value, Kind::Brush); }
inline FontObj* GetFont(HFONT h) { return Get<FontObj>(h.value, Kind::Font); }
inline BitmapObj* GetBitmap(HBITMAP h) { return Get<BitmapObj>(h.value, Kind::Bitmap); }
inline RegionObj* GetRegion(HRGN h) { return Get<RegionObj>(h.value, Kind::Region); }
inline DcObj* GetDC(HDC h) { return Get<DcObj>(h.value, Kind::DC); }
Object* LookupAny(std::uintptr_t h);
// Reference counting of selections; the last release of a deleted object frees it.
void AddRef(std::uintptr_t h);
void ReleaseRef(std::uintptr_t h);
void Unregister(std::uintptr_t h);

// DC helpers
HDC NewDC(std::unique_ptr<DcObj> dc);
void InitDefaults(DcObj& dc);
const std::vector<RECT>& ClipRects(DcObj& dc);
void InvalidateClip(DcObj& dc);
// Narrows the effective clip to a device rectangle for the scope's life (none: no change),
// without touching the DC's clip region.
class ClipScope {
public:
  ClipScope(DcObj& dc, const RECT* deviceRect);
  ~ClipScope();
  ClipScope(const ClipScope&) = delete;
  ClipScope& operator=(const ClipScope&) = delete;

private:
  DcObj& fDc;
  bool fActive = false;
  std::optional<RECT> fOuter;
  unsigned fChanges = 0;
  std::vector<RECT> fSaved;
  RECT fSavedBox{};
};
POINT ToDevice(const DcObj& dc, POINT p);
RECT ToDevice(const DcObj& dc, const RECT& r);
// The pixels a raster DC draws on (null for printer and measuring DCs).
Surface* TargetSurface(DcObj& dc);
bool TargetMono(DcObj& dc);
POINT TargetOffset(const DcObj& dc);  // device -> target pixel coordinates
void MarkDirty(DcObj& dc, const RECT& deviceRect);

// What a fill paints with.
struct Ink {
  bool null = false;
  Pixel color = 0xFF000000u;
  const Surface* pattern = nullptr;
  bool patternMono = false;
  Pixel patText = 0, patBk = 0;
  POINT org{};
  int rop2 = R2_COPYPEN;  // used when rop3 == 0
  DWORD rop3 = 0;         // a ternary code (pattern and destination only)
};
// Colour to the nearest of black and white, as a monochrome bitmap stores it.
Pixel ToMonoPixel(Pixel p);
// A ternary raster operation over pattern, source and destination pixels.
Pixel Rop3(DWORD rop, Pixel p, Pixel s, Pixel d);
// The ink's colour at device pixel (x, y) (the pattern tiled from the brush origin).
Pixel InkPixel(const Ink& ink, int x, int y);
Ink BrushInk(DcObj& dc, HBRUSH brush);
Ink SolidInk(DcObj& dc, COLORREF c);
// Fills a device rectangle, clipped, with the ink (all back-ends). Returns false for no DC.
void FillDevice(DcObj& dc, RECT r, const Ink& ink);
// The half-open pixel spans of rows top..bottom inside a polygon (ALTERNATE or WINDING): the
// pixels whose points (x, y) lie inside, left and top edges included, right and bottom ones
// not. Polygon fills them (its outline covers the edges); CreatePolygonRgn collects them.
void PolygonSpans(const std::vector<POINT>& points, int fillMode, LONG top, LONG bottom,
                  const std::function<void(LONG y, int x0, int x1)>& span);

// Recording
bool Recording(const DcObj& dc);
GdiRecord& Record(DcObj& dc, const char* op);
struct RecordGuard {
  DcObj& dc;
  explicit RecordGuard(DcObj& d) : dc(d) { ++dc.recordDepth; }
  ~RecordGuard() { --dc.recordDepth; }
};

// Text
std::shared_ptr<const FontMetrics> DcFontMetrics(DcObj& dc);
// Draws characters at device positions (escapement from the selected font). `x`, `y` are the
// device reference point after alignment to the top-left of the text cell along the baseline
// direction; `advances` holds one entry per character; `m`: the DC's font metrics. `filled`:
// the caller has filled the whole clip rectangle with the background colour, so an opaque
// background is not filled again.
void DrawGlyphs(DcObj& dc, const FontMetrics& m, POINT topLeft, const std::u32string& text,
                const std::vector<int>& advances, const RECT* clipDevice, bool filled = false);

// Rectangle helpers
inline bool EmptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
inline RECT IntersectRects(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  return EmptyRect(r) ? RECT{} : r;
}
inline RECT NormalRect(RECT r) {
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}
inline QRect ToQRect(const RECT& r) { return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top); }
inline RECT FromQRect(const QRect& q) { return RECT{q.x(), q.y(), q.x() + q.width(), q.y() + q.height()}; }
int RegionKind(const QRegion& r);

}  // namespace gdi
