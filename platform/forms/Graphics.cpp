#include "platform/forms/Graphics.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>

#include <cstdio>
#include <cstring>

#include "platform/core/Math.h"
#include "platform/core/SysUtils.h"
#include "platform/forms/Jpeg.h"
#include "platform/gdi/GdiResources.h"

namespace {
COLORREF Ref(TColor c) { return ColorToRGB(c); }
}  // namespace

int ScreenPixelsPerInch() { return 96; }

void TGraphicsObject::Changed() {
  if (OnChange) OnChange(this);
}

// ---- TFont ----------------------------------------------------------------------------------

TFont::TFont() = default;
TFont::~TFont() { FreeHandle(); }

void TFont::FreeHandle() {
  if (fHandle) DeleteObject(fHandle);
  fHandle = HFONT();
}

void TFont::Changed() {
  FreeHandle();
  TGraphicsObject::Changed();
}

void TFont::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TFont*>(Source)) {
    if (fPixelsPerInch == f->fPixelsPerInch && Equals(*f)) return;
    fName = f->fName;
    fHeight = fPixelsPerInch == f->fPixelsPerInch ? f->fHeight : -MulDiv(f->Size(), fPixelsPerInch, 72);
    fStyle = f->fStyle;
    fColor = f->fColor;
    fCharset = f->fCharset;
    fPitch = f->fPitch;
    fEscapement = f->fEscapement;
    fOutPrecision = f->fOutPrecision;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

bool TFont::Equals(const TFont& o) const {
  return fName == o.fName && fHeight == o.fHeight && fStyle == o.fStyle && fColor == o.fColor &&
         fCharset == o.fCharset && fPitch == o.fPitch && fEscapement == o.fEscapement &&
         fOutPrecision == o.fOutPrecision;
}

LOGFONT TFont::LogFont() const {
  LOGFONT lf;
  lf.lfHeight = fHeight;
  lf.lfWeight = fStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = fStyle.Contains(fsItalic);
  lf.lfUnderline = fStyle.Contains(fsUnderline);
  lf.lfStrikeOut = fStyle.Contains(fsStrikeOut);
  lf.lfCharSet = fCharset;
  lf.lfEscapement = lf.lfOrientation = fEscapement;
  lf.lfOutPrecision = fOutPrecision;
  lf.lfPitchAndFamily = fPitch == fpFixed ? FIXED_PITCH : fPitch == fpVariable ? VARIABLE_PITCH : DEFAULT_PITCH;
  std::snprintf(lf.lfFaceName, LF_FACESIZE, "%s", fName.c_str());
  return lf;
}

HFONT TFont::Handle() {
  if (!fHandle) {
    LOGFONT lf = LogFont();
    fHandle = CreateFontIndirect(lf);
  }
  return fHandle;
}

void TFont::SetHandle(HFONT h) {
  LOGFONT lf;
  if (!h || !GetObject(h, &lf)) return;
  fName = lf.lfFaceName;
  fHeight = lf.lfHeight;
  fStyle.Clear();
  if (lf.lfWeight >= FW_BOLD) fStyle.Include(fsBold);
  if (lf.lfItalic) fStyle.Include(fsItalic);
  if (lf.lfUnderline) fStyle.Include(fsUnderline);
  if (lf.lfStrikeOut) fStyle.Include(fsStrikeOut);
  fCharset = lf.lfCharSet;
  fEscapement = lf.lfEscapement;
  fOutPrecision = lf.lfOutPrecision;
  Changed();
}

void TFont::SetName(const String& v) {
  if (v.empty() || v == fName) return;
  fName = v;
  Changed();
}
int TFont::Size() const { return -MulDiv(fHeight, 72, PixelsPerInch()); }
void TFont::SetSize(int v) { SetHeight(-MulDiv(v, PixelsPerInch(), 72)); }
void TFont::SetHeight(int v) {
  if (v == fHeight) return;
  fHeight = v;
  Changed();
}
void TFont::SetPixelsPerInch(int v) {
  if (v > 0) fPixelsPerInch = v;
}
void TFont::SetStyle(TFontStyles v) {
  if (v == fStyle) return;
  fStyle = v;
  Changed();
}
void TFont::SetColor(TColor v) {
  if (v == fColor) return;
  fColor = v;
  TGraphicsObject::Changed();  // the handle does not depend on the colour
}
void TFont::SetCharset(TFontCharset v) {
  if (v == fCharset) return;
  fCharset = v;
  Changed();
}
void TFont::SetPitch(TFontPitch v) {
  if (v == fPitch) return;
  fPitch = v;
  Changed();
}

// ---- TPen -----------------------------------------------------------------------------------

TPen::~TPen() {
  if (fHandle) DeleteObject(fHandle);
}
void TPen::Changed() {
  if (fHandle) DeleteObject(fHandle);
  fHandle = HPEN();
  TGraphicsObject::Changed();
}
void TPen::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPen*>(Source)) {
    fColor = p->fColor;
    fWidth = p->fWidth;
    fStyle = p->fStyle;
    fMode = p->fMode;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}
HPEN TPen::Handle() {
  if (!fHandle) {
    static const int styles[] = {PS_SOLID, PS_DASH, PS_DOT, PS_DASHDOT, PS_DASHDOTDOT, PS_NULL, PS_INSIDEFRAME};
    fHandle = CreatePen(styles[fStyle], fWidth, Ref(fColor));
  }
  return fHandle;
}
void TPen::SetColor(TColor v) {
  if (v == fColor) return;
  fColor = v;
  Changed();
}
void TPen::SetWidth(int v) {
  if (v < 0 || v == fWidth) return;
  fWidth = v;
  Changed();
}
void TPen::SetStyle(TPenStyle v) {
  if (v == fStyle) return;
  fStyle = v;
  Changed();
}
void TPen::SetMode(TPenMode v) {
  if (v == fMode) return;
  fMode = v;
  TGraphicsObject::Changed();
}

// ---- TBrush ---------------------------------------------------------------------------------

TBrush::~TBrush() {
  if (fHandle) DeleteObject(fHandle);
}
void TBrush::Changed() {
  if (fHandle) DeleteObject(fHandle);
  fHandle = HBRUSH();
  TGraphicsObject::Changed();
}
void TBrush::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBrush*>(Source)) {
    fColor = b->fColor;
    fStyle = b->fStyle;
    fBitmap = b->fBitmap;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}
HBRUSH TBrush::Handle() {
  if (!fHandle) {
    if (fBitmap && !fBitmap->Empty())
      fHandle = CreatePatternBrush(fBitmap->Handle());
    else if (fStyle == bsClear)
      fHandle = CreateBrushIndirect(LOGBRUSH{BS_NULL, 0, 0});
    else
      fHandle = CreateSolidBrush(Ref(fColor));
  }
  return fHandle;
}
void TBrush::SetColor(TColor v) {
  if (v == fColor && fStyle != bsClear) return;
  fColor = v;
  if (fStyle == bsClear) fStyle = bsSolid;
  Changed();
}
void TBrush::SetStyle(TBrushStyle v) {
  if (v == fStyle) return;
  fStyle = v;
  Changed();
}
void TBrush::SetBitmap(TBitmap* v) {
  fBitmap = v;
  Changed();
}

// ---- TCanvas --------------------------------------------------------------------------------

TCanvas::TCanvas()
    : fFont(std::make_unique<TFont>()), fPen(std::make_unique<TPen>()), fBrush(std::make_unique<TBrush>()) {
  fFont->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  fPen->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
  fBrush->OnChange = TNotifyEvent(this, &TCanvas::ObjectChanged);
}

TCanvas::~TCanvas() { DeselectHandles(); }

void TCanvas::ObjectChanged(TObject* sender) {
  if (sender == fFont.get()) fFontSel = false;
  if (sender == fPen.get()) fPenSel = false;
  if (sender == fBrush.get()) fBrushSel = false;
}

HDC TCanvas::Handle() {
  if (!fHandle) CreateHandle();
  return fHandle;
}

void TCanvas::SetHandle(HDC dc) {
  if (dc == fHandle) return;
  DeselectHandles();
  fHandle = dc;
}

void TCanvas::DeselectHandles() {
  if (fHandle) {
    if (fFontSel || fOldFont) SelectObject(fHandle, fOldFont ? fOldFont : GetStockFont(SYSTEM_FONT));
    if (fPenSel || fOldPen) SelectObject(fHandle, fOldPen ? fOldPen : GetStockPen(BLACK_PEN));
    if (fBrushSel || fOldBrush) SelectObject(fHandle, fOldBrush ? fOldBrush : GetStockBrush(WHITE_BRUSH));
  }
  fFontSel = fPenSel = fBrushSel = false;
  fOldFont = HFONT();
  fOldPen = HPEN();
  fOldBrush = HBRUSH();
}

void TCanvas::RequiredState() {
  HDC dc = Handle();
  if (!dc) return;
  if (!fFontSel) {
    HFONT old = SelectObject(dc, fFont->Handle());
    if (!fOldFont) fOldFont = old;
    fFontSel = true;
  }
  SetTextColor(dc, Ref(fFont->Color()));
  if (!fPenSel) {
    HPEN old = SelectObject(dc, fPen->Handle());
    if (!fOldPen) fOldPen = old;
    fPenSel = true;
  }
  static const int rops[] = {R2_BLACK,       R2_WHITE,      R2_NOP,         R2_NOT,        R2_COPYPEN,  R2_NOTCOPYPEN,
                             R2_MERGEPENNOT, R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                             R2_MASKPEN,     R2_NOTMASKPEN, R2_XORPEN,      R2_NOTXORPEN};
  SetROP2(dc, rops[fPen->Mode()]);
  if (!fBrushSel) {
    HBRUSH old = SelectObject(dc, fBrush->Handle());
    if (!fOldBrush) fOldBrush = old;
    fBrushSel = true;
  }
  SetBkColor(dc, Ref(fBrush->Color()));
  SetBkMode(dc, fBrush->Style() == bsClear ? TRANSPARENT : OPAQUE);
}

TPoint TCanvas::PenPos() {
  POINT p;
  GetCurrentPositionEx(Handle(), &p);
  return p;
}
RECT TCanvas::ClipRect() {
  RECT r;
  GetClipBox(Handle(), &r);
  return r;
}
void TCanvas::MoveTo(int x, int y) { MoveToEx(Handle(), x, y, nullptr); }
void TCanvas::LineTo(int x, int y) {
  RequiredState();
  ::LineTo(fHandle, x, y);
}
void TCanvas::Polyline(const std::vector<TPoint>& pts) {
  RequiredState();
  ::Polyline(fHandle, pts.data(), static_cast<int>(pts.size()));
}
void TCanvas::Polygon(const std::vector<TPoint>& pts) {
  RequiredState();
  ::Polygon(fHandle, pts.data(), static_cast<int>(pts.size()));
}
void TCanvas::Rectangle(int x1, int y1, int x2, int y2) {
  RequiredState();
  ::Rectangle(fHandle, x1, y1, x2, y2);
}
void TCanvas::RoundRect(int x1, int y1, int x2, int y2, int x3, int y3) {
  RequiredState();
  ::RoundRect(fHandle, x1, y1, x2, y2, x3, y3);
}
void TCanvas::Ellipse(int x1, int y1, int x2, int y2) {
  RequiredState();
  ::Ellipse(fHandle, x1, y1, x2, y2);
}
void TCanvas::FillRect(const TRect& r) {
  RequiredState();
  ::FillRect(fHandle, &r, fBrush->Handle());
}
void TCanvas::FrameRect(const TRect& r) {
  RequiredState();
  ::FrameRect(fHandle, &r, fBrush->Handle());
}
void TCanvas::DrawFocusRect(const TRect& r) {
  RequiredState();
  ::DrawFocusRect(fHandle, &r);
}
void TCanvas::TextOut(int x, int y, const String& text) {
  RequiredState();
  ::ExtTextOut(fHandle, x, y, 0, nullptr, text, nullptr);
}
void TCanvas::TextRect(const TRect& r, int x, int y, const String& text) {
  RequiredState();
  UINT opts = ETO_CLIPPED;
  if (fBrush->Style() != bsClear) opts |= ETO_OPAQUE;
  ::ExtTextOut(fHandle, x, y, opts, &r, text, nullptr);
}
TSize TCanvas::TextExtent(const String& text) {
  RequiredState();
  SIZE s;
  GetTextExtentPoint32(fHandle, text, &s);
  return s;
}
TColor TCanvas::Pixels(int x, int y) { return static_cast<TColor>(GetPixel(Handle(), x, y)); }
void TCanvas::SetPixels(int x, int y, TColor c) {
  RequiredState();
  SetPixel(fHandle, x, y, Ref(c));
}
void TCanvas::Draw(int x, int y, TBitmap* g) {
  if (!g || g->Empty()) return;
  g->Draw(this, Bounds(x, y, g->Width(), g->Height()));
}
void TCanvas::StretchDraw(const TRect& r, TBitmap* g) {
  if (g && !g->Empty()) g->Draw(this, r);
}
void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  RequiredState();
  ::StretchBlt(fHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->Handle(), src.left,
               src.top, src.right - src.left, src.bottom - src.top, fCopyMode);
}
void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor transparent) {
  if (!bitmap || bitmap->Empty()) return;
  RequiredState();
  Surface* from = bitmap->Pixels();
  COLORREF key = Ref(transparent);
  int w = std::min(dest.right - dest.left, src.right - src.left);
  int h = std::min(dest.bottom - dest.top, src.bottom - src.top);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      COLORREF c = ColorFromPixel(from->At(src.left + x, src.top + y));
      if (c != key) SetPixelV(fHandle, dest.left + x, dest.top + y, c);
    }
}

TMeasureCanvas::~TMeasureCanvas() {
  SetHandle(HDC());
  if (fDC) DeleteDC(fDC);
}
void TMeasureCanvas::CreateHandle() {
  if (!fDC) fDC = CreateMeasureDC();
  SetHandle(fDC);
}

// ---- TGraphic, TBitmap ----------------------------------------------------------------------

std::string ReadStreamBytes(TStream* stream) {
  std::int64_t n = stream->Size() - stream->Position();
  std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(n, 0)), '\0');
  if (n > 0) stream->ReadBuffer(bytes.data(), n);
  return bytes;
}

void TGraphic::LoadFromFile(const String& fileName) {
  TFileStream f(fileName, fmOpenRead);
  LoadFromStream(&f);
}
void TGraphic::SaveToFile(const String& fileName) {
  TFileStream f(fileName, fmCreate);
  SaveToStream(&f);
}

namespace {
// Decodes image bytes with Qt's reader, refusing sizes over the caps before any allocation.
QImage DecodeImage(const std::string& bytes, const char* format, const char* invalidText) {
  QByteArray data = QByteArray::fromRawData(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QBuffer buffer(&data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, format);
  reader.setAutoTransform(false);
  QSize size = reader.size();
  if (!size.isValid() || size.width() <= 0 || size.height() <= 0 || size.width() > MaxGraphicSide ||
      size.height() > MaxGraphicSide || std::int64_t(size.width()) * size.height() > MaxGraphicPixels)
    throw EInvalidGraphic(invalidText);
  QImage img = reader.read();
  if (img.isNull()) throw EInvalidGraphic(invalidText);
  return img.convertToFormat(QImage::Format_RGB32);
}

std::string EncodeImage(const QImage& img, const char* format) {
  QByteArray out;
  QBuffer buffer(&out);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, format);
  if (!writer.write(img)) throw EInvalidGraphicOperation("Cannot save the picture");
  return std::string(out.constData(), static_cast<std::size_t>(out.size()));
}

QImage ImageOf(TBitmap* b) {
  Surface* from = b->Pixels();
  if (!from) return QImage();
  return QImage(reinterpret_cast<const uchar*>(from->Bits()), from->Width(), from->Height(), from->StrideBytes(),
                QImage::Format_RGB32)
      .copy();
}
}  // namespace

class TBitmap::TBitmapCanvas : public TCanvas {
public:
  explicit TBitmapCanvas(TBitmap* owner) : fOwner(owner) {}
  void Detach() { SetHandle(HDC()); }

protected:
  void CreateHandle() override { SetHandle(fOwner->MemDC()); }

private:
  TBitmap* fOwner;
};

TBitmap::TBitmap() = default;
TBitmap::TBitmap(int width, int height) { SetSize(width, height); }
TBitmap::~TBitmap() {
  FreeContext();
  if (fHandle) DeleteObject(fHandle);
}

void TBitmap::FreeContext() {
  if (fCanvas) static_cast<TBitmapCanvas*>(fCanvas.get())->Detach();
  if (fDC) {
    SelectObject(fDC, fOldBitmap);
    DeleteDC(fDC);
  }
  fDC = HDC();
  fOldBitmap = HBITMAP();
}

HDC TBitmap::MemDC() {
  if (!fDC) {
    fDC = CreateCompatibleDC(HDC());
    fOldBitmap = SelectObject(fDC, Handle());
  }
  return fDC;
}

HBITMAP TBitmap::Handle() {
  if (!fHandle) fHandle = CreateBitmap(std::max(fWidth, 1), std::max(fHeight, 1), 1, fMonochrome ? 1 : 32, nullptr);
  return fHandle;
}

TCanvas* TBitmap::Canvas() {
  fBytes.clear();  // drawing may change the pixels: the loaded bytes no longer stand for them
  fModified = true;
  if (!fCanvas) fCanvas = std::make_unique<TBitmapCanvas>(this);
  return fCanvas.get();
}

void TBitmap::SetSize(int width, int height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  if (width == fWidth && height == fHeight && fHandle) return;
  HBITMAP old = fHandle;
  FreeContext();
  fHandle = HBITMAP();
  fWidth = width;
  fHeight = height;
  if (old) {
    Surface* from = BitmapSurface(old);
    Surface* to = BitmapSurface(Handle());
    if (from && to)
      for (int y = 0; y < std::min(from->Height(), to->Height()); ++y)
        std::memcpy(to->Row(y), from->Row(y), sizeof(Pixel) * std::min(from->Width(), to->Width()));
    DeleteObject(old);
  }
  Changed();
}

void TBitmap::SetHandle(HBITMAP h) {
  FreeContext();
  if (fHandle && fHandle != h) DeleteObject(fHandle);
  fHandle = h;
  SIZE s = h ? GetBitmapSize(h) : SIZE{};
  fWidth = s.cx;
  fHeight = s.cy;
  fMonochrome = h && IsMonochromeBitmap(h);
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  Handle();
  FreeContext();
  HBITMAP h = fHandle;
  fHandle = HBITMAP();
  fWidth = fHeight = 0;
  return h;
}

void TBitmap::SetMonochrome(bool v) {
  if (v == fMonochrome) return;
  fMonochrome = v;
  if (fHandle) {
    FreeContext();
    DeleteObject(fHandle);
    fHandle = HBITMAP();
  }
  Changed();
}

void TBitmap::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    if (b == this) return;
    fMonochrome = b->fMonochrome;
    fTransparentColor = b->fTransparentColor;
    fTransparentMode = b->fTransparentMode;
    fPixelFormat = b->fPixelFormat;
    FreeContext();
    if (fHandle) DeleteObject(fHandle);
    fHandle = HBITMAP();
    fWidth = b->fWidth;
    fHeight = b->fHeight;
    if (!b->Empty()) {
      Surface* from = b->Pixels();
      Surface* to = BitmapSurface(Handle());
      if (from && to) *to = *from;
    }
    Changed();
    fBytes = b->fBytes;
    fModified = b->fModified;
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {  // any other picture: its drawing
    SetSize(0, 0);
    fMonochrome = false;
    SetSize(g->Width(), g->Height());
    if (!g->Empty()) g->Draw(Canvas(), Bounds(0, 0, g->Width(), g->Height()));
    Changed();
    return;
  }
  TGraphic::Assign(Source);
}

TColor TBitmap::TransparentColor() {
  if (fTransparentMode == tmFixed && fTransparentColor != clDefault) return fTransparentColor;
  if (Empty()) return clDefault;
  return static_cast<TColor>(ColorFromPixel(Pixels()->At(0, fHeight - 1)));  // bottom-left pixel
}

Surface* TBitmap::Pixels() { return Empty() ? nullptr : BitmapSurface(Handle()); }

void TBitmap::Draw(TCanvas* canvas, const TRect& r) {
  if (Empty()) return;
  HDC src = MemDC();
  if (fTransparent) {
    COLORREF key = ColorToRGB(TransparentColor());
    Surface* from = Pixels();
    HDC dc = canvas->Handle();
    int w = r.right - r.left, h = r.bottom - r.top;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        COLORREF c = ColorFromPixel(from->At(x * fWidth / std::max(w, 1), y * fHeight / std::max(h, 1)));
        if (c != key) SetPixelV(dc, r.left + x, r.top + y, c);
      }
    return;
  }
  StretchBlt(canvas->Handle(), r.left, r.top, r.right - r.left, r.bottom - r.top, src, 0, 0, fWidth, fHeight,
             canvas->CopyMode());
}

void TBitmap::LoadFromResourceName(HINSTANCE, const String& name) {
  HBITMAP h = LoadNamedBitmap(name);
  if (!h) throw EInvalidOperation("Resource " + name + " not found");
  SetHandle(h);
}

void TBitmap::Changed() {
  fBytes.clear();
  TGraphic::Changed();
}

void TBitmap::AssignPixels(int width, int height, const Pixel* rows, int stride) {
  SetSize(0, 0);
  fMonochrome = false;
  SetSize(width, height);
  Surface* to = Pixels();
  for (int y = 0; y < height && to; ++y)
    std::memcpy(to->Row(y), rows + static_cast<std::size_t>(y) * stride, sizeof(Pixel) * width);
  Changed();
}

void TBitmap::LoadFromStream(TStream* stream) {
  std::string bytes = ReadStreamBytes(stream);
  QImage img;
  try {
    img = DecodeImage(bytes, "BMP", "Bitmap image is not valid");
  } catch (...) {
    SetSize(0, 0);
    throw;
  }
  AssignPixels(img.width(), img.height(), reinterpret_cast<const Pixel*>(img.constBits()),
               static_cast<int>(img.bytesPerLine() / 4));
  fBytes = std::move(bytes);
  fModified = false;
}

void TBitmap::SaveToStream(TStream* stream) {
  std::string bytes = fBytes;
  if (bytes.empty() && !Empty()) bytes = EncodeImage(ImageOf(this), "BMP");
  if (!bytes.empty()) stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

// ---- TIcon, TMetafile -----------------------------------------------------------------------

TIcon::TIcon() = default;
TIcon::~TIcon() = default;
int TIcon::Width() const { return fImage ? fImage->Width() : 0; }
int TIcon::Height() const { return fImage ? fImage->Height() : 0; }

void TIcon::LoadFromStream(TStream* stream) {
  std::string bytes = ReadStreamBytes(stream);
  fImage.reset();
  fBytes.clear();
  QImage img = DecodeImage(bytes, "ICO", "Icon image is not valid");
  fImage = std::make_unique<TBitmap>();
  fImage->AssignPixels(img.width(), img.height(), reinterpret_cast<const Pixel*>(img.constBits()),
                       static_cast<int>(img.bytesPerLine() / 4));
  fBytes = std::move(bytes);
  fModified = false;
  if (OnChange) OnChange(this);
}

void TIcon::SaveToStream(TStream* stream) {
  if (!fBytes.empty()) stream->WriteBuffer(fBytes.data(), static_cast<std::int64_t>(fBytes.size()));
}

void TIcon::Draw(TCanvas* canvas, const TRect& r) {
  if (fImage) fImage->Draw(canvas, r);
}

void TIcon::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TIcon*>(Source)) {
    if (i == this) return;
    TMemoryStream m;
    i->SaveToStream(&m);
    m.SetPosition(0);
    if (m.Size())
      LoadFromStream(&m);
    else
      fImage.reset(), fBytes.clear();
    return;
  }
  TGraphic::Assign(Source);
}

namespace {
std::uint32_t U32(const std::string& b, std::size_t at) {
  if (at + 4 > b.size()) return 0;
  return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
         static_cast<std::uint8_t>(b[at + 2]) << 16 |
         static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}
std::int32_t I32(const std::string& b, std::size_t at) { return static_cast<std::int32_t>(U32(b, at)); }
std::int16_t I16(const std::string& b, std::size_t at) {
  if (at + 2 > b.size()) return 0;
  return static_cast<std::int16_t>(static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8);
}
}  // namespace

void TMetafile::LoadFromStream(TStream* stream) {
  std::string bytes = ReadStreamBytes(stream);
  // Sizes come from the file: computed wide, then checked, so no value of it overflows.
  std::int64_t w = 0, h = 0;
  bool enhanced = false;
  if (U32(bytes, 0) == 0x9AC6CDD7u && bytes.size() >= 22) {
    // Placeable WMF: a bounding box in units of `inch` per inch.
    int inch = static_cast<std::uint16_t>(I16(bytes, 14));
    if (inch <= 0) inch = 1440;
    w = MulDiv(I16(bytes, 10) - I16(bytes, 6), 96, inch);
    h = MulDiv(I16(bytes, 12) - I16(bytes, 8), 96, inch);
  } else if (U32(bytes, 0) == 1 && U32(bytes, 40) == 0x464D4520u) {
    // EMF: the bounds in device pixels, inclusive.
    enhanced = true;
    w = std::int64_t{I32(bytes, 16)} - I32(bytes, 8) + 1;
    h = std::int64_t{I32(bytes, 20)} - I32(bytes, 12) + 1;
  } else {
    throw EInvalidGraphic("Metafile is not valid");
  }
  if (w < 0 || h < 0 || w > MaxGraphicSide || h > MaxGraphicSide) throw EInvalidGraphic("Metafile is not valid");
  fBytes = std::move(bytes);
  fWidth = static_cast<int>(w);
  fHeight = static_cast<int>(h);
  fEnhanced = enhanced;
  fModified = false;
  if (OnChange) OnChange(this);
}

void TMetafile::SaveToStream(TStream* stream) {
  if (!fBytes.empty()) stream->WriteBuffer(fBytes.data(), static_cast<std::int64_t>(fBytes.size()));
}

void TMetafile::Draw(TCanvas* canvas, const TRect& r) {
  canvas->Brush()->SetColor(clSilver);
  canvas->FrameRect(r);
}

void TMetafile::Assign(TPersistent* Source) {
  if (auto* m = dynamic_cast<TMetafile*>(Source)) {
    fBytes = m->fBytes;
    fWidth = m->fWidth;
    fHeight = m->fHeight;
    fEnhanced = m->fEnhanced;
    fModified = m->fModified;
    if (OnChange) OnChange(this);
    return;
  }
  TGraphic::Assign(Source);
}

// ---- file formats ---------------------------------------------------------------------------

namespace {
struct FileFormat {
  String extension, description;
  TGraphicClass graphicClass;
};
std::vector<FileFormat>& Formats() {
  static std::vector<FileFormat> f{{"bmp", "Bitmaps", TGraphicClass::Of<TBitmap>()},
                                   {"ico", "Icons", TGraphicClass::Of<TIcon>()},
                                   {"emf", "Enhanced Metafiles", TGraphicClass::Of<TMetafile>()},
                                   {"wmf", "Metafiles", TGraphicClass::Of<TMetafile>()},
                                   {"jpg", "JPEG Image File", TGraphicClass::Of<TJPEGImage>()},
                                   {"jpeg", "JPEG Image File", TGraphicClass::Of<TJPEGImage>()}};
  return f;
}
}  // namespace

void RegisterFileFormat(const String& extension, const String& description, TGraphicClass graphicClass) {
  String ext = LowerCase(extension);
  for (auto& f : Formats())
    if (f.extension == ext) {
      f.description = description;
      f.graphicClass = graphicClass;
      return;
    }
  Formats().push_back({ext, description, graphicClass});
}

TGraphicClass GraphicClassForExtension(const String& extension) {
  String ext = LowerCase(!extension.empty() && extension[0] == '.' ? extension.substr(1) : extension);
  for (auto& f : Formats())
    if (f.extension == ext) return f.graphicClass;
  return nullptr;
}

TGraphicClass GraphicClassByName(const String& name) {
  for (auto& f : Formats())
    if (name == f.graphicClass.ClassName()) return f.graphicClass;
  return nullptr;
}

String GraphicFilter(TGraphicClass graphicClass) {
  String all, parts;
  for (auto& f : Formats()) {
    if (graphicClass && !f.graphicClass.InheritsFrom(graphicClass)) continue;
    all += (all.empty() ? "" : ";") + String("*.") + f.extension;
    parts += "|" + f.description + " (*." + f.extension + ")|*." + f.extension;
  }
  return "All (" + all + ")|" + all + parts;
}

String GraphicExtension(TGraphicClass graphicClass) {
  for (auto& f : Formats())
    if (f.graphicClass == graphicClass) return f.extension;
  return String();
}

// ---- TPicture -------------------------------------------------------------------------------

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

TBitmap* TPicture::Bitmap() {
  auto* b = dynamic_cast<TBitmap*>(fGraphic.get());
  if (!b) {
    fGraphic = std::make_unique<TBitmap>();
    fGraphic->OnChange = TNotifyEvent(this, &TPicture::Changed);
    b = static_cast<TBitmap*>(fGraphic.get());
  }
  return b;
}

void TPicture::AdoptGraphic(std::unique_ptr<TGraphic> g) {
  fGraphic = std::move(g);
  if (fGraphic) fGraphic->OnChange = TNotifyEvent(this, &TPicture::Changed);
  Changed(this);
}

void TPicture::SetGraphic(TGraphic* g) {
  if (!g) {
    AdoptGraphic(nullptr);
    return;
  }
  std::unique_ptr<TGraphic> copy(TGraphicClass(g->ClassType()).Create());
  copy->Assign(g);
  AdoptGraphic(std::move(copy));
}

void TPicture::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(p->Graphic());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(g);
    return;
  }
  TPersistent::Assign(Source);
}

void TPicture::LoadFromFile(const String& fileName) {
  auto dot = fileName.find_last_of('.');
  auto slash = fileName.find_last_of('/');
  String ext = dot == String::npos || (slash != String::npos && dot < slash) ? String() : fileName.substr(dot + 1);
  TGraphicClass cls = GraphicClassForExtension(ext);
  if (!cls) throw EInvalidGraphic("Unknown picture file extension (." + ext + ")");
  std::unique_ptr<TGraphic> g(cls.Create());
  g->LoadFromFile(fileName);
  AdoptGraphic(std::move(g));
}
void TPicture::SaveToFile(const String& fileName) {
  if (fGraphic) fGraphic->SaveToFile(fileName);
}

// ---- colour names ---------------------------------------------------------------------------

namespace {
struct ColorName {
  TColor color;
  const char* name;
};
const ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clWhite, "clWhite"},
    {clBtnFace, "clBtnFace"},
    {clWindow, "clWindow"},
    {clWindowText, "clWindowText"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clHighlight, "clHighlight"},
    {clBtnText, "clBtnText"},
    {clInfoBk, "clInfoBk"},
};
}  // namespace

String ColorToString(TColor c) {
  for (const auto& n : kColorNames)
    if (n.color == c) return n.name;
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%08X", static_cast<unsigned>(c));
  return buf;
}

TColor StringToColor(const String& s) {
  for (const auto& n : kColorNames)
    if (s == n.name) return n.color;
  try {
    if (!s.empty() && s[0] == '$') return static_cast<TColor>(std::stoul(s.substr(1), nullptr, 16));
    return static_cast<TColor>(std::stol(s));
  } catch (...) {
    throw EConvertError("'" + s + "' is not a valid integer value");
  }
}
