// Fonts and text: the font sources, metrics, measuring, TextOut/ExtTextOut and DrawText.
// Measuring and drawing share one list of integer advances per string.

#include <QFont>
#include <QFontInfo>
#include <QGlyphRun>
#include <QGuiApplication>
#include <QRawFont>

#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "platform/core/Utf8.h"
#include "platform/gdi/GdiInternal.h"

namespace gdi {

namespace {

// ---- Fixed metrics -------------------------------------------------------------------------

struct FixedMetrics : FontMetrics {
  int advance = 7;
  std::map<char32_t, int> advances;
  int Advance(char32_t c) const override {
    auto it = advances.find(c);
    return it != advances.end() ? it->second : advance;
  }
};

// ---- Installed fonts -----------------------------------------------------------------------

struct QtMetrics : FontMetrics {
  QtMetrics() = default;
  // The glyph cache below points at raw and fallback of this very object.
  QtMetrics(const QtMetrics&) = delete;
  QtMetrics& operator=(const QtMetrics&) = delete;
  QRawFont raw, fallback;
  QFont font;
  mutable std::array<int, 256> low{};
  mutable std::unordered_map<char32_t, int> high;
  bool BoxGlyphs() const override { return false; }

  using GlyphOf = std::pair<quint32, const QRawFont*>;
  mutable std::array<GlyphOf, 256> lowGlyph{};  // font nullptr: not yet looked up
  mutable std::unordered_map<char32_t, GlyphOf> highGlyph;

  // The glyph of c and the raw font holding it (the fallback when the face lacks it); each
  // character is looked up once, as text is drawn glyph by glyph.
  GlyphOf Glyph(char32_t c) const {
    if (c < 256) {
      GlyphOf& g = lowGlyph[c];
      if (!g.second) g = LookUpGlyph(c);
      return g;
    }
    auto it = highGlyph.find(c);
    if (it != highGlyph.end()) return it->second;
    return highGlyph[c] = LookUpGlyph(c);
  }
  GlyphOf LookUpGlyph(char32_t c) const {
    const QString s = QString::fromUcs4(&c, 1);
    QList<quint32> g = raw.glyphIndexesForString(s);
    if (!g.isEmpty() && g[0] != 0) return {g[0], &raw};
    if (fallback.isValid()) {
      g = fallback.glyphIndexesForString(s);
      if (!g.isEmpty() && g[0] != 0) return {g[0], &fallback};
    }
    return {0, &raw};
  }
  int Compute(char32_t c) const {
    auto [g, f] = Glyph(c);
    const QList<QPointF> a = f->advancesForGlyphIndexes(QList<quint32>{g});
    return a.isEmpty() ? 0 : static_cast<int>(std::lround(a[0].x()));
  }
  int Advance(char32_t c) const override {
    if (c < 256) {
      if (low[c] == 0) low[c] = Compute(c) + 1;  // stored + 1: 0 means "not yet"
      return low[c] - 1;
    }
    auto it = high.find(c);
    if (it != high.end()) return it->second;
    return high[c] = Compute(c);
  }
};

std::string FontKey(const LOGFONT& lf, int dpi) {
  std::string k(reinterpret_cast<const char*>(&lf), offsetof(LOGFONT, lfFaceName));
  k += lf.lfFaceName;
  k += '/' + std::to_string(dpi);
  return k;
}

class QtFontSource : public FontSource {
public:
  std::shared_ptr<const FontMetrics> Resolve(const LOGFONT& lf, int dpi) override {
    const std::string key = FontKey(lf, dpi);
    auto it = fCache.find(key);
    if (it != fCache.end()) return it->second;
    auto m = std::make_shared<QtMetrics>();
    QFont f(QString::fromStdString(SubstituteFaceName(lf.lfFaceName)));
    f.setKerning(false);
    f.setHintingPreference(QFont::PreferFullHinting);
    f.setWeight(static_cast<QFont::Weight>(std::clamp<int>(lf.lfWeight ? lf.lfWeight : FW_NORMAL, 100, 900)));
    f.setItalic(lf.lfItalic != 0);
    int px = lf.lfHeight < 0 ? -lf.lfHeight : 0;
    if (lf.lfHeight == 0) px = 12 * dpi / 96;
    if (lf.lfHeight > 0) {  // a cell height: scale from a reference size
      f.setPixelSize(100);
      QRawFont ref = QRawFont::fromFont(f);
      const double cell = std::ceil(ref.ascent()) + std::ceil(ref.descent());
      px = std::max(1, static_cast<int>(std::lround(lf.lfHeight * 100.0 / (cell > 0 ? cell : 100))));
    }
    f.setPixelSize(std::max(px, 1));
    m->font = f;
    m->raw = QRawFont::fromFont(f);
    QFont fb(QStringLiteral("DejaVu Sans"));
    fb.setPixelSize(std::max(px, 1));
    fb.setWeight(f.weight());
    fb.setItalic(f.italic());
    m->fallback = QRawFont::fromFont(fb);
    TEXTMETRIC& tm = m->tm;
    tm.tmAscent = static_cast<LONG>(std::ceil(m->raw.ascent()));
    tm.tmDescent = static_cast<LONG>(std::ceil(m->raw.descent()));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(0, tm.tmHeight - px);
    tm.tmExternalLeading = static_cast<LONG>(std::lround(m->raw.leading()));
    tm.tmAveCharWidth = std::max<LONG>(1, static_cast<LONG>(std::lround(m->raw.averageCharWidth())));
    tm.tmMaxCharWidth = std::max<LONG>(tm.tmAveCharWidth, static_cast<LONG>(std::lround(m->raw.maxCharWidth())));
    tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
    tm.tmDigitizedAspectX = tm.tmDigitizedAspectY = dpi;
    const bool fixed = QFontInfo(f).fixedPitch();
    tm.tmPitchAndFamily = static_cast<BYTE>((fixed ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE |
                                            (fixed ? FF_MODERN : FF_SWISS));
    if (fixed) tm.tmAveCharWidth = tm.tmMaxCharWidth = m->Advance('M');
    fCache[key] = m;
    return m;
  }

private:
  std::map<std::string, std::shared_ptr<const FontMetrics>> fCache;
};

std::shared_ptr<FontSource>& installedSource() {
  static std::shared_ptr<FontSource> s;
  return s;
}

// Changes whenever a source is installed or a fixed source's advances change, so that fonts
// resolve again.
unsigned sourceGeneration = 0;

}  // namespace

std::shared_ptr<const FontMetrics> DcFontMetrics(DcObj& dc) {
  FontObj* f = GetFont(dc.s.font);
  static const LOGFONT none;
  const int dpi = dc.dkind == DcKind::Printer ? dc.dpi : 96;
  // The installed source, else one of the defaults, which live to the end of the process.
  FontSource* source = installedSource() ? installedSource().get() : GetFontSource().get();
  if (!f) return source->Resolve(none, dpi);
  // A font keeps what it resolved to: resolving builds a key and searches the source's cache.
  if (!f->metrics || f->metricsSource != source || f->metricsGeneration != sourceGeneration ||
      f->metricsDpi != dpi) {
    f->metrics = source->Resolve(f->lf, dpi);
    f->metricsSource = source;
    f->metricsGeneration = sourceGeneration;
    f->metricsDpi = dpi;
  }
  return f->metrics;
}

namespace {
// Kept to the end of the process: DCs still alive at exit leave it after static destructors.
std::vector<RasterPainter*>& livePainters() {
  static auto* v = new std::vector<RasterPainter*>;
  return *v;
}
// The painters' state holds fonts, which must go before the application object does. The
// application calls its post routines once: a later application needs the routine again.
bool endRoutineAdded = false;
void EndLivePainters() {
  endRoutineAdded = false;
  for (RasterPainter* p : livePainters())
    if (p->painter.isActive()) p->painter.end();
}
}  // namespace

RasterPainter::RasterPainter(Pixel* b, int w, int h, int strideBytes, bool m)
    : image(reinterpret_cast<uchar*>(b), w, h, strideBytes, QImage::Format_RGB32), bits(b), width(w), height(h),
      mono(m) {
  if (!QCoreApplication::instance()) return;
  if (!endRoutineAdded) {
    qAddPostRoutine(EndLivePainters);
    endRoutineAdded = true;
  }
  painter.begin(&image);
  if (mono) painter.setRenderHint(QPainter::TextAntialiasing, false);
  livePainters().push_back(this);
}

RasterPainter::~RasterPainter() {
  auto& v = livePainters();
  v.erase(std::remove(v.begin(), v.end(), this), v.end());
}

bool RasterPainter::BoundTo(const Surface& target, bool m) const {
  return target.Bits() == bits && target.Width() == width && target.Height() == height && mono == m;
}

}  // namespace gdi

using namespace gdi;

// ---- Sources -------------------------------------------------------------------------------

FixedFontSource::FixedFontSource(int advance, int ascent, int descent, int externalLeading)
    : fAdvance(advance), fAscent(ascent), fDescent(descent), fExternalLeading(externalLeading) {}

std::shared_ptr<const FontMetrics> FixedFontSource::Resolve(const LOGFONT& lf, int) {
  auto m = std::make_shared<FixedMetrics>();
  m->advance = fAdvance;
  m->advances = fAdvances;
  TEXTMETRIC& tm = m->tm;
  tm.tmAscent = fAscent;
  tm.tmDescent = fDescent;
  tm.tmHeight = fAscent + fDescent;
  tm.tmExternalLeading = fExternalLeading;
  tm.tmAveCharWidth = fAdvance;
  int maxWidth = fAdvance;
  for (const auto& [c, a] : fAdvances) maxWidth = std::max(maxWidth, a);
  tm.tmMaxCharWidth = maxWidth;
  tm.tmWeight = lf.lfWeight ? lf.lfWeight : FW_NORMAL;
  tm.tmItalic = lf.lfItalic;
  tm.tmUnderlined = lf.lfUnderline;
  tm.tmStruckOut = lf.lfStrikeOut;
  tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
  tm.tmPitchAndFamily = static_cast<BYTE>((maxWidth != fAdvance ? TMPF_FIXED_PITCH : 0) | TMPF_TRUETYPE);
  return m;
}

void SetFontSource(std::shared_ptr<FontSource> source) {
  installedSource() = std::move(source);
  ++sourceGeneration;
}

void FixedFontSource::SetAdvance(char32_t c, int advance) {
  fAdvances[c] = advance;
  ++sourceGeneration;
}

std::shared_ptr<FontSource> GetFontSource() {
  if (auto& s = installedSource()) return s;
  // The installed fonts need the GUI application object; without one, fixed metrics.
  // Kept to the end of the process: Qt font objects must not be destroyed after the application.
  static std::shared_ptr<FontSource>& qt = *new std::shared_ptr<FontSource>(std::make_shared<QtFontSource>());
  static std::shared_ptr<FontSource> fixed = std::make_shared<FixedFontSource>();
  return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) ? qt : fixed;
}

std::string SubstituteFaceName(const std::string& face) {
  static const std::map<std::string, std::string> table{
      {"courier new", "Liberation Mono"}, {"courier", "Liberation Mono"},       {"terminal", "Liberation Mono"},
      {"fixedsys", "Liberation Mono"},    {"ms sans serif", "Liberation Sans"}, {"tahoma", "Liberation Sans"},
      {"arial", "Liberation Sans"},       {"ms shell dlg", "Liberation Sans"},  {"ms shell dlg 2", "Liberation Sans"},
      {"segoe ui", "Liberation Sans"},    {"verdana", "DejaVu Sans"},           {"times new roman", "Liberation Serif"},
      {"system", "Liberation Sans"}};
  auto it = table.find(LowerCase(std::string(face)));
  if (it != table.end()) return it->second;
  if (!face.empty() && qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
    const QString family = QString::fromStdString(face);
    if (QFontInfo(QFont(family)).family().compare(family, Qt::CaseInsensitive) == 0) return face;
  }
  return "DejaVu Sans";
}

// ---- Advances ------------------------------------------------------------------------------

namespace {

// Advances with character extra and justification, as drawn and measured.
std::vector<int> Advances(DcObj& dc, const FontMetrics& m, const std::u32string& text) {
  std::vector<int> a(text.size());
  int breaks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    a[i] = m.Advance(text[i]) + dc.s.charExtra;
    if (text[i] == ' ') ++breaks;
  }
  if (dc.s.justBreaks > 0 && breaks > 0) {
    // The extra spreads over the break characters, the first ones taking the remainder.
    const int each = dc.s.justExtra / dc.s.justBreaks;
    int rest = dc.s.justExtra % dc.s.justBreaks;
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == ' ') {
        a[i] += each + (rest > 0 ? 1 : 0);
        if (rest > 0) --rest;
      }
  }
  return a;
}

int Sum(const std::vector<int>& v) {
  long long s = 0;
  for (int x : v) s += x;
  return static_cast<int>(s);
}

struct Frame {  // baseline direction and "down" for the font's escapement
  double ux = 1, uy = 0, vx = 0, vy = 1;
  int angle = 0;
};
Frame FrameOf(DcObj& dc) {
  Frame f;
  FontObj* font = GetFont(dc.s.font);
  if (!font || font->lf.lfEscapement % 3600 == 0) return f;
  f.angle = ((font->lf.lfEscapement % 3600) + 3600) % 3600;
  const double a = f.angle * M_PI / 1800.0;
  f.ux = std::cos(a), f.uy = -std::sin(a), f.vx = std::sin(a), f.vy = std::cos(a);
  // Exact for right angles.
  for (double* p : {&f.ux, &f.uy, &f.vx, &f.vy}) *p = std::round(*p * 1e9) / 1e9;
  return f;
}

// A rectangle in text space (u along the baseline from `o`, v downwards) as a device rectangle.
RECT TextRect(const Frame& f, POINT o, double u0, double v0, double u1, double v1) {
  const double xs[4] = {o.x + u0 * f.ux + v0 * f.vx, o.x + u1 * f.ux + v0 * f.vx, o.x + u0 * f.ux + v1 * f.vx,
                        o.x + u1 * f.ux + v1 * f.vx};
  const double ys[4] = {o.y + u0 * f.uy + v0 * f.vy, o.y + u1 * f.uy + v0 * f.vy, o.y + u0 * f.uy + v1 * f.vy,
                        o.y + u1 * f.uy + v1 * f.vy};
  return RECT{static_cast<LONG>(std::lround(*std::min_element(xs, xs + 4))),
              static_cast<LONG>(std::lround(*std::min_element(ys, ys + 4))),
              static_cast<LONG>(std::lround(*std::max_element(xs, xs + 4))),
              static_cast<LONG>(std::lround(*std::max_element(ys, ys + 4)))};
}

// The raster painter of the DC's target, begun again when the target is not the one it was
// begun on.
QPainter* TargetPainter(DcObj& dc, Surface& target) {
  const bool mono = TargetMono(dc);
  if (dc.raster && !dc.raster->BoundTo(target, mono)) dc.raster.reset();
  if (!dc.raster)
    dc.raster = std::make_unique<RasterPainter>(target.Bits(), target.Width(), target.Height(), target.StrideBytes(), mono);
  return dc.raster->painter.isActive() ? &dc.raster->painter : nullptr;
}

void DrawQtGlyphs(DcObj& dc, const QtMetrics& m, const Frame& f, POINT base, const std::u32string& text,
                  const std::vector<int>& adv) {
  Surface* target = TargetSurface(dc);
  if (target && target->Empty()) return;
  const std::vector<RECT>& clipRects = ClipRects(dc);
  QPainter* p = dc.painter;
  POINT off{};
  if (target) {
    // Nothing of the text can show: the painter would clip it all away.
    if (clipRects.empty()) return;
    p = TargetPainter(dc, *target);
    off = TargetOffset(dc);
  }
  if (!p) return;
  Pixel color = PixelFromColor(dc.s.text);
  if (TargetMono(dc)) color = ToMonoPixel(color);
  QPointF shift(0, 0);  // added to the glyphs' places
  if (target) {
    // Clip and pen are set only when they change. The painter stays untransformed between
    // outputs: unturned glyphs take their device places (the places a translation would have
    // given them), turned ones a transform for the output.
    RasterPainter& rp = *dc.raster;
    if (!rp.clipSet || rp.clip.size() != clipRects.size() ||
        !std::equal(clipRects.begin(), clipRects.end(), rp.clip.begin(), [&](const RECT& a, const RECT& b) {
          return a.left + off.x == b.left && a.top + off.y == b.top && a.right + off.x == b.right &&
                 a.bottom + off.y == b.bottom;
        })) {
      rp.clip.clear();
      for (const RECT& c : clipRects)
        rp.clip.push_back(RECT{c.left + off.x, c.top + off.y, c.right + off.x, c.bottom + off.y});
      if (rp.clip.size() == 1) {
        p->setClipRect(ToQRect(rp.clip[0]));
      } else {
        QRegion clip;
        for (const RECT& c : rp.clip) clip += ToQRect(c);
        p->setClipRegion(clip);
      }
      rp.clipSet = true;
    }
    if (!rp.penSet || rp.pen != color) {
      p->setPen(QColor::fromRgb(color));
      rp.pen = color;
      rp.penSet = true;
    }
    if (f.angle) {
      // The transform a new painter gets from translate and rotate.
      QTransform place = QTransform::fromTranslate(base.x + off.x, base.y + off.y);
      place.rotate(-f.angle / 10.0);
      p->setTransform(place);
    } else {
      shift = QPointF(base.x + off.x, base.y + off.y);
    }
  } else {
    p->save();
    QRegion clip;
    for (const RECT& c : clipRects) clip += ToQRect(c);
    p->setClipRegion(clip);
    p->setPen(QColor::fromRgb(color));
    p->translate(base.x, base.y);
    if (f.angle) p->rotate(-f.angle / 10.0);
  }
  if (dc.dkind == DcKind::Printer) {
    // Characters as text, so that the document keeps them readable.
    p->setFont(m.font);
    int x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] > ' ') p->drawText(QPointF(x, 0), QString::fromUcs4(&text[i], 1));
      x += adv[i];
    }
  } else {
    // Consecutive glyphs of one raw font go as one run: drawn in the same order at the same
    // places, a run per glyph only costs more.
    RasterPainter& rp = *dc.raster;
    QList<quint32>& glyphs = rp.glyphs;
    QList<QPointF>& places = rp.places;
    QGlyphRun& run = rp.run;
    glyphs.clear();
    places.clear();
    const QRawFont* runFont = nullptr;
    auto flush = [&] {
      if (glyphs.isEmpty()) return;
      run.setRawFont(*runFont);
      run.setGlyphIndexes(glyphs);
      run.setPositions(places);
      p->drawGlyphRun(QPointF(0, 0), run);
      run.clear();  // gives the lists back unshared, so clearing them keeps their storage
      glyphs.clear();
      places.clear();
    };
    int x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] > ' ') {
        auto [g, font] = m.Glyph(text[i]);
        if (font != runFont) {
          flush();
          runFont = font;
        }
        glyphs.push_back(g);
        places.push_back(QPointF(x, 0) + shift);
      }
      x += adv[i];
    }
    flush();
  }
  if (target) {
    if (f.angle) p->resetTransform();
    const int w = Sum(adv);
    const RECT cell = TextRect(f, base, 0, -m.tm.tmAscent, w, m.tm.tmDescent);
    MarkDirty(dc, IntersectRects(dc.clipBox, cell));
  } else {
    p->restore();
  }
}

}  // namespace

namespace gdi {

void DrawGlyphs(DcObj& dc, const FontMetrics& m, POINT base, const std::u32string& text, const std::vector<int>& adv,
                const RECT* clip, bool filled) {
  if (dc.dkind == DcKind::Measure || dc.inPath) return;
  const Frame f = FrameOf(dc);
  ClipScope scope(dc, clip);
  const TEXTMETRIC& tm = m.tm;
  const int width = Sum(adv);
  if (dc.s.bkMode == OPAQUE && !filled) {
    Ink bk = SolidInk(dc, dc.s.bk);
    bk.rop2 = R2_COPYPEN;
    FillDevice(dc, TextRect(f, base, 0, -tm.tmAscent, width, tm.tmDescent), bk);
  }
  Ink ink = SolidInk(dc, dc.s.text);
  ink.rop2 = R2_COPYPEN;
  if (m.BoxGlyphs()) {
    int x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] > ' ' && adv[i] > 1)
        FillDevice(dc, TextRect(f, base, x, -(tm.tmAscent - tm.tmInternalLeading), x + adv[i] - 1, 0), ink);
      x += adv[i];
    }
  } else {
    DrawQtGlyphs(dc, static_cast<const QtMetrics&>(m), f, base, text, adv);
  }
  FontObj* font = GetFont(dc.s.font);
  const int thick = std::max(1, static_cast<int>(tm.tmHeight / 14));
  if (font && font->lf.lfUnderline) FillDevice(dc, TextRect(f, base, 0, 1, width, 1 + thick), ink);
  if (font && font->lf.lfStrikeOut) {
    const int v = -std::max(1, static_cast<int>(tm.tmAscent / 3));
    FillDevice(dc, TextRect(f, base, 0, v, width, v + thick), ink);
  }
}

}  // namespace gdi

namespace {

// The device baseline origin of a text of `width` drawn at logical (x, y) with the DC's alignment.
POINT AlignedBase(DcObj& dc, POINT ref, int width, const TEXTMETRIC& tm, UINT align) {
  const Frame f = FrameOf(dc);
  const POINT d = ToDevice(dc, ref);
  double u = 0, v = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    u = -width / 2;
  else if (align & TA_RIGHT)
    u = -width;
  if ((align & TA_BASELINE) == TA_BASELINE)
    v = 0;
  else if (align & TA_BOTTOM)
    v = -tm.tmDescent;
  else
    v = tm.tmAscent;
  return POINT{static_cast<LONG>(std::lround(d.x + u * f.ux + v * f.vx)),
               static_cast<LONG>(std::lround(d.y + u * f.uy + v * f.vy))};
}

// The characters of a text output, decoded into a buffer every output reuses.
const std::u32string& DecodeForOutput(std::string_view text) {
  thread_local std::u32string chars;
  chars.clear();
  for (std::size_t p = 0; p < text.size();) chars += Utf8Decode(text, p);
  return chars;
}

BOOL TextOutImpl(DcObj& dc, int x, int y, UINT options, const RECT* r, const std::u32string& text, const int* dx) {
  auto m = DcFontMetrics(dc);
  thread_local std::vector<int> given;  // the caller's advances: storage reused
  std::vector<int> computed;
  if (dx)
    given.assign(dx, dx + text.size());
  else
    computed = Advances(dc, *m, text);
  const std::vector<int>& adv = dx ? given : computed;
  const int width = Sum(adv);
  const UINT align = dc.s.textAlign;
  POINT ref{x, y};
  if (align & TA_UPDATECP) ref = dc.s.current;
  RECT dr{};
  if (r) dr = NormalRect(ToDevice(dc, *r));
  if (r && (options & ETO_OPAQUE)) {
    Ink bk = SolidInk(dc, dc.s.bk);
    bk.rop2 = R2_COPYPEN;
    RecordGuard g(dc);
    FillDevice(dc, dr, bk);
  }
  const POINT base = AlignedBase(dc, ref, width, m->tm, align);
  // Clipped to the rectangle it has just filled, the text's own background would repaint it.
  const bool clipped = r && (options & ETO_CLIPPED);
  DrawGlyphs(dc, *m, base, text, adv, clipped ? &dr : nullptr, clipped && (options & ETO_OPAQUE));
  if (align & TA_UPDATECP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT)
      dc.s.current.x -= width;
    else
      dc.s.current.x += width;
  }
  return TRUE;
}

void RecordText(DcObj& dc, const char* op, POINT p, const RECT* r, std::string_view text, UINT flags) {
  if (!Recording(dc)) return;
  GdiRecord& rec = Record(dc, op);
  rec.points = {p};
  if (r) rec.rect = *r;
  rec.text = std::string(text);
  rec.flags = flags;
}

}  // namespace

BOOL GetTextMetrics(HDC h, TEXTMETRIC* tm) {
  DcObj* dc = GetDC(h);
  if (!dc || !tm) return FALSE;
  *tm = DcFontMetrics(*dc)->tm;
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC h, std::string_view text, SIZE* size) {
  DcObj* dc = GetDC(h);
  if (!size) return FALSE;
  *size = SIZE{};
  if (!dc) return FALSE;
  auto m = DcFontMetrics(*dc);
  *size = SIZE{Sum(Advances(*dc, *m, Utf8ToUcs4(text))), m->tm.tmHeight};
  return TRUE;
}

BOOL GetTextExtentPoint32(HDC h, const char* text, int length, SIZE* size) {
  return GetTextExtentPoint32(h, std::string_view(text ? text : "", text ? std::max(length, 0) : 0), size);
}

BOOL GetTextExtentExPoint(HDC h, std::string_view text, int maxExtent, int* fit, int* dx, SIZE* size) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  auto m = DcFontMetrics(*dc);
  const std::u32string t = Utf8ToUcs4(text);
  const std::vector<int> adv = Advances(*dc, *m, t);
  long long sum = 0;
  int fits = 0;
  for (std::size_t i = 0; i < t.size(); ++i) {
    sum += adv[i];
    if (dx) dx[i] = static_cast<int>(sum);
    if (sum <= maxExtent && fits == static_cast<int>(i)) fits = static_cast<int>(i) + 1;
  }
  if (fit) *fit = fits;
  if (size) *size = SIZE{static_cast<LONG>(sum), m->tm.tmHeight};
  return TRUE;
}

std::vector<int> GetCharAdvances(HDC h, std::string_view text) {
  DcObj* dc = GetDC(h);
  if (!dc) return {};
  auto m = DcFontMetrics(*dc);
  std::vector<int> out;
  for (char32_t c : Utf8ToUcs4(text)) out.push_back(m->Advance(c));
  return out;
}

BOOL GetCharWidth32(HDC h, UINT first, UINT last, int* widths) {
  DcObj* dc = GetDC(h);
  if (!dc || !widths || last < first) return FALSE;
  auto m = DcFontMetrics(*dc);
  for (UINT c = first; c <= last; ++c) widths[c - first] = m->Advance(c);
  return TRUE;
}

BOOL GetCharABCWidths(HDC h, UINT first, UINT last, ABC* abc) {
  DcObj* dc = GetDC(h);
  if (!dc || !abc || last < first) return FALSE;
  auto m = DcFontMetrics(*dc);
  for (UINT c = first; c <= last; ++c) abc[c - first] = ABC{0, static_cast<UINT>(m->Advance(c)), 0};
  return TRUE;
}

BOOL TextOut(HDC h, int x, int y, std::string_view text) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  RecordText(*dc, "TextOut", POINT{x, y}, nullptr, text, 0);
  RecordGuard g(*dc);
  return TextOutImpl(*dc, x, y, 0, nullptr, DecodeForOutput(text), nullptr);
}

BOOL TextOut(HDC h, int x, int y, const char* text, int length) {
  return TextOut(h, x, y, std::string_view(text ? text : "", text ? std::max(length, 0) : 0));
}

BOOL ExtTextOut(HDC h, int x, int y, UINT options, const RECT* r, std::string_view text, const int* dx) {
  DcObj* dc = GetDC(h);
  if (!dc) return FALSE;
  RecordText(*dc, "ExtTextOut", POINT{x, y}, r, text, options);
  RecordGuard g(*dc);
  return TextOutImpl(*dc, x, y, options, r, DecodeForOutput(text), dx);
}

BOOL ExtTextOut(HDC h, int x, int y, UINT options, const RECT* r, const char* text, UINT length, const int* dx) {
  return ExtTextOut(h, x, y, options, r, std::string_view(text ? text : "", text ? length : 0), dx);
}

BOOL TextOutW(HDC h, int x, int y, std::u16string_view text) { return TextOut(h, x, y, WideToUtf8(text)); }

// ---- Tabs ----------------------------------------------------------------------------------

namespace {
int NextTab(int x, int tabCount, const int* stops, int defaultStep) {
  if (tabCount == 1 && stops && stops[0] > 0) defaultStep = stops[0];
  if (tabCount > 1 && stops)
    for (int i = 0; i < tabCount; ++i)
      if (stops[i] > x) return stops[i];
  if (defaultStep <= 0) return x;
  return (x / defaultStep + 1) * defaultStep;
}

// Advances where each tab reaches the next stop (positions relative to `origin` of the first char).
std::vector<int> TabbedAdvances(DcObj& dc, const FontMetrics& m, const std::u32string& t, int start, int tabCount,
                                const int* stops) {
  std::vector<int> adv = Advances(dc, m, t);
  int x = start;
  for (std::size_t i = 0; i < t.size(); ++i) {
    if (t[i] == '\t') adv[i] = NextTab(x, tabCount, stops, 8 * m.tm.tmAveCharWidth) - x;
    x += adv[i];
  }
  return adv;
}
}  // namespace

DWORD GetTabbedTextExtent(HDC h, std::string_view text, int tabCount, const int* tabStops) {
  DcObj* dc = GetDC(h);
  if (!dc) return 0;
  auto m = DcFontMetrics(*dc);
  const int w = Sum(TabbedAdvances(*dc, *m, Utf8ToUcs4(text), 0, tabCount, tabStops));
  return MAKELONG(static_cast<WORD>(w), static_cast<WORD>(m->tm.tmHeight));
}

LONG TabbedTextOut(HDC h, int x, int y, std::string_view text, int tabCount, const int* tabStops, int tabOrigin) {
  DcObj* dc = GetDC(h);
  if (!dc) return 0;
  RecordText(*dc, "TabbedTextOut", POINT{x, y}, nullptr, text, 0);
  RecordGuard g(*dc);
  auto m = DcFontMetrics(*dc);
  const std::u32string t = Utf8ToUcs4(text);
  std::vector<int> adv = TabbedAdvances(*dc, *m, t, x - tabOrigin, tabCount, tabStops);
  TextOutImpl(*dc, x, y, 0, nullptr, t, adv.data());
  return static_cast<LONG>(MAKELONG(static_cast<WORD>(Sum(adv)), static_cast<WORD>(m->tm.tmHeight)));
}

// ---- DrawText ------------------------------------------------------------------------------

namespace {

struct Line {
  std::u32string text;
  int underline = -1;  // index of the prefixed character
};

int Width(const std::vector<int>& adv, std::size_t from, std::size_t to) {
  long long s = 0;
  for (std::size_t i = from; i < to; ++i) s += adv[i];
  return static_cast<int>(s);
}

class TextLayout {
public:
  TextLayout(DcObj& dc, const FontMetrics& m, UINT fmt, int tabLength) : fDc(dc), fM(m), fFmt(fmt) {
    fTabStep = (tabLength > 0 ? tabLength : 8) * m.tm.tmAveCharWidth;
  }
  std::vector<int> Adv(const std::u32string& t) const {
    std::vector<int> a = Advances(fDc, fM, t);
    if (fFmt & DT_EXPANDTABS) {
      int x = 0;
      for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '\t') a[i] = fTabStep > 0 ? (x / fTabStep + 1) * fTabStep - x : 0;
        x += a[i];
      }
    }
    return a;
  }
  int W(const std::u32string& t) const { return Sum(Adv(t)); }

  // Breaks one paragraph at spaces to fit `width`; a longer word is cut only for edit controls.
  // The advances are those Adv gives for the text from the line's start (tabs and justification
  // depend on it), computed while walking the line, so a long paragraph costs linear time.
  void Wrap(const Line& para, int width, std::vector<Line>& out) const {
    const std::u32string& t = para.text;
    if (t.empty()) {
      out.push_back(para);
      return;
    }
    std::vector<int> base(t.size());
    for (std::size_t i = 0; i < t.size(); ++i) base[i] = fM.Advance(t[i]) + fDc.s.charExtra;
    const bool justify = fDc.s.justBreaks > 0;
    const int each = justify ? fDc.s.justExtra / fDc.s.justBreaks : 0;
    const int remainder = justify ? fDc.s.justExtra % fDc.s.justBreaks : 0;
    std::size_t start = 0;
    while (start < t.size()) {
      const std::size_t n = t.size() - start;
      std::size_t end = n, lastBreak = std::string::npos;
      long long x = 0;
      int spaces = 0;
      for (std::size_t i = 0; i < n; ++i) {
        const char32_t c = t[start + i];
        long long a = base[start + i];
        if (c == ' ' && justify) a += each + (spaces++ < remainder ? 1 : 0);
        if (c == '\t' && (fFmt & DT_EXPANDTABS)) a = fTabStep > 0 ? (x / fTabStep + 1) * fTabStep - x : 0;
        if (c == ' ' || c == '\t') lastBreak = i;
        x += a;
        if (x > width && c != ' ') {
          if (lastBreak != std::string::npos)
            end = lastBreak;
          else if (fFmt & DT_EDITCONTROL)
            end = std::max<std::size_t>(i, 1);
          else {  // the whole word stays on the line
            std::size_t j = i;
            while (j < n && t[start + j] != ' ') ++j;
            end = j;
          }
          break;
        }
      }
      Line l;
      std::size_t keep = end;
      while (keep > 0 && t[start + keep - 1] == ' ') --keep;  // trailing spaces are not drawn
      l.text = t.substr(start, keep);
      if (para.underline >= static_cast<int>(start) && para.underline < static_cast<int>(start + keep))
        l.underline = para.underline - static_cast<int>(start);
      out.push_back(std::move(l));
      std::size_t next = end;
      while (next < n && t[start + next] == ' ') ++next;  // the break's spaces are consumed
      if (next == 0) next = 1;
      start += next;
    }
  }

  // Shortens a line to `width` with "..." at its end, or before the last path element.
  // Answers whether it shortened the line.
  bool Ellipsis(Line& l, int width) const {
    if (W(l.text) <= width) return false;
    const std::u32string dots = U"...";
    const int dotsW = W(dots);
    std::u32string head = l.text, tail;
    if (fFmt & DT_PATH_ELLIPSIS) {
      const std::size_t sep = l.text.find_last_of(U"\\/");
      if (sep != std::u32string::npos && sep > 0) {
        head = l.text.substr(0, sep);
        tail = l.text.substr(sep);
        if (dotsW + W(tail) > width) head = l.text, tail.clear();
      }
    }
    const int tailW = W(tail);
    const std::vector<int> adv = Adv(head);
    std::size_t k = 0;
    long long x = 0;
    while (k < head.size() && x + adv[k] + dotsW + tailW <= width) x += adv[k++];
    if (l.underline >= static_cast<int>(k)) l.underline = -1;
    l.text = head.substr(0, k) + dots + tail;
    return true;
  }

private:
  DcObj& fDc;
  const FontMetrics& fM;
  UINT fFmt;
  int fTabStep = 0;
};

// `shortened`, when given, receives the single line as shown if an ellipsis shortened it.
int DrawTextImpl(DcObj& dc, const std::u32string& input, RECT* r, UINT fmt, const DRAWTEXTPARAMS* params,
                 std::u32string* shortened = nullptr) {
  auto m = DcFontMetrics(dc);
  const TEXTMETRIC& tm = m->tm;
  const int lineH = tm.tmHeight + ((fmt & DT_EXTERNALLEADING) ? tm.tmExternalLeading : 0);
  const int leftMargin = params ? params->iLeftMargin : 0, rightMargin = params ? params->iRightMargin : 0;
  int tabLength = params ? params->iTabLength : 0;
  if (fmt & DT_TABSTOP) tabLength = (fmt >> 8) & 0xFF, fmt &= ~0xFF00u;
  TextLayout layout(dc, *m, fmt, tabLength);
  const RECT box = *r;
  const int width = (box.right - box.left) - leftMargin - rightMargin;

  // Prefixes: "&&" is "&", "&x" underlines x (the first one), a final "&" is dropped.
  Line whole;
  for (std::size_t i = 0; i < input.size(); ++i) {
    if (!(fmt & DT_NOPREFIX) && input[i] == '&') {
      if (i + 1 < input.size() && input[i + 1] == '&') {
        whole.text += U'&';
        ++i;
        continue;
      }
      if (i + 1 < input.size() && whole.underline < 0 && !(fmt & DT_HIDEPREFIX))
        whole.underline = static_cast<int>(whole.text.size());
      continue;
    }
    whole.text += input[i];
  }

  // Paragraphs at line ends (unless single line), then word wrap, then ellipses.
  std::vector<Line> paras;
  if (fmt & DT_SINGLELINE) {
    paras.push_back(whole);
  } else {
    Line cur;
    for (std::size_t i = 0; i <= whole.text.size(); ++i) {
      const bool end = i == whole.text.size();
      const char32_t c = end ? 0 : whole.text[i];
      if (end || c == '\n' || c == '\r') {
        paras.push_back(cur);
        cur = Line{};
        if (!end && c == '\r' && i + 1 < whole.text.size() && whole.text[i + 1] == '\n') ++i;
        if (!end && i + 1 == whole.text.size()) break;  // a final line end adds no line
        continue;
      }
      if (static_cast<int>(i) == whole.underline) cur.underline = static_cast<int>(cur.text.size());
      cur.text += c;
    }
  }
  std::vector<Line> lines;
  for (const Line& p : paras) {
    if ((fmt & DT_WORDBREAK) && !(fmt & DT_SINGLELINE))
      layout.Wrap(p, width, lines);
    else
      lines.push_back(p);
  }
  if (input.empty()) lines.clear();
  if (fmt & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS | DT_WORD_ELLIPSIS))
    for (Line& l : lines)
      if (layout.Ellipsis(l, width) && shortened && (fmt & DT_SINGLELINE)) *shortened = l.text;

  int maxW = 0;
  for (const Line& l : lines) maxW = std::max(maxW, layout.W(l.text));
  const int totalH = static_cast<int>(lines.size()) * lineH;
  int y = box.top;
  if (fmt & DT_SINGLELINE) {
    const int h = lines.empty() ? lineH : totalH;
    if (fmt & DT_VCENTER)
      y = box.top + (box.bottom - box.top - h) / 2;
    else if (fmt & DT_BOTTOM)
      y = box.bottom - h;
  }
  if (fmt & DT_CALCRECT) {
    r->right = r->left + maxW + leftMargin + rightMargin;
    r->bottom = r->top + ((fmt & DT_SINGLELINE) && lines.empty() ? lineH : totalH);
    if (params) const_cast<DRAWTEXTPARAMS*>(params)->uiLengthDrawn = static_cast<UINT>(input.size());
    return r->bottom - r->top;
  }
  const RECT devBox = NormalRect(ToDevice(dc, box));
  ClipScope clip(dc, (fmt & DT_NOCLIP) ? nullptr : &devBox);
  const UINT savedAlign = dc.s.textAlign;
  dc.s.textAlign = TA_LEFT | TA_TOP;
  for (const Line& l : lines) {
    const std::vector<int> adv = layout.Adv(l.text);
    const int lw = Sum(adv);
    int x = box.left + leftMargin;
    if (fmt & DT_CENTER)
      x = box.left + leftMargin + (width - lw) / 2;
    else if (fmt & DT_RIGHT)
      x = box.right - rightMargin - lw;
    const POINT base = AlignedBase(dc, POINT{x, y}, lw, tm, TA_TOP);
    DrawGlyphs(dc, *m, base, l.text, adv, nullptr);
    if (l.underline >= 0 && l.underline < static_cast<int>(l.text.size())) {
      Ink ink = SolidInk(dc, dc.s.text);
      ink.rop2 = R2_COPYPEN;
      const int ux = Width(adv, 0, l.underline);
      const POINT d = ToDevice(dc, POINT{x + ux, y + tm.tmAscent + 1});
      FillDevice(dc, RECT{d.x, d.y, d.x + adv[l.underline], d.y + 1}, ink);
    }
    y += lineH;
  }
  dc.s.textAlign = savedAlign;
  if (params) const_cast<DRAWTEXTPARAMS*>(params)->uiLengthDrawn = static_cast<UINT>(input.size());
  if (fmt & DT_SINGLELINE && (fmt & (DT_VCENTER | DT_BOTTOM))) return y - box.top;
  return totalH;
}

}  // namespace

int DrawTextEx(HDC h, std::string_view text, RECT* r, UINT format, const DRAWTEXTPARAMS* params) {
  DcObj* dc = GetDC(h);
  if (!dc || !r) return 0;
  if (Recording(*dc) && !(format & DT_CALCRECT)) {
    GdiRecord& rec = Record(*dc, "DrawText");
    rec.rect = *r;
    rec.text = std::string(text);
    rec.flags = format;
  }
  RecordGuard g(*dc);
  return DrawTextImpl(*dc, Utf8ToUcs4(text), r, format, params);
}

int DrawText(HDC h, std::string_view text, RECT* r, UINT format) { return DrawTextEx(h, text, r, format, nullptr); }

int DrawText(HDC h, std::string* text, RECT* r, UINT format) {
  if (!text) return 0;
  DcObj* dc = GetDC(h);
  if (!dc || !r) return 0;
  if (!(format & DT_MODIFYSTRING)) return DrawText(h, std::string_view(*text), r, format);
  if (Recording(*dc) && !(format & DT_CALCRECT)) {
    GdiRecord& rec = Record(*dc, "DrawText");
    rec.rect = *r;
    rec.text = *text;
    rec.flags = format;
  }
  RecordGuard g(*dc);
  std::u32string shortened;
  const int height = DrawTextImpl(*dc, Utf8ToUcs4(*text), r, format, nullptr, &shortened);
  if (!shortened.empty()) *text = Ucs4ToUtf8(shortened);
  return height;
}

int DrawText(HDC h, const char* text, int length, RECT* r, UINT format) {
  if (!text) return 0;
  const std::size_t n = length < 0 ? std::strlen(text) : static_cast<std::size_t>(length);
  return DrawText(h, std::string_view(text, n), r, format);
}

int DrawTextW(HDC h, std::u16string_view text, RECT* r, UINT format) {
  return DrawText(h, WideToUtf8(text), r, format);
}
