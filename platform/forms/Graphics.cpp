#include "platform/forms/Graphics.h"

#include <QImage>

#include <cstring>
#include <cstdio>

#include "platform/core/Math.h"
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
    if (Equals(*f)) return;
    fName = f->fName;
    fHeight = f->fHeight;
    fStyle = f->fStyle;
    fColor = f->fColor;
    fCharset = f->fCharset;
    fPitch = f->fPitch;
    Changed();
    return;
  }
  TGraphicsObject::Assign(Source);
}

bool TFont::Equals(const TFont& o) const {
  return fName == o.fName && fHeight == o.fHeight && fStyle == o.fStyle && fColor == o.fColor &&
         fCharset == o.fCharset && fPitch == o.fPitch;
}

LOGFONT TFont::LogFont() const {
  LOGFONT lf;
  lf.lfHeight = fHeight;
  lf.lfWeight = fStyle.Contains(fsBold) ? FW_BOLD : FW_NORMAL;
  lf.lfItalic = fStyle.Contains(fsItalic);
  lf.lfUnderline = fStyle.Contains(fsUnderline);
  lf.lfStrikeOut = fStyle.Contains(fsStrikeOut);
  lf.lfCharSet = fCharset;
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

TCanvas::TCanvas() : fFont(std::make_unique<TFont>()), fPen(std::make_unique<TPen>()), fBrush(std::make_unique<TBrush>()) {
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
  static const int rops[] = {R2_BLACK, R2_WHITE, R2_NOP, R2_NOT, R2_COPYPEN, R2_NOTCOPYPEN, R2_MERGEPENNOT,
                             R2_MASKPENNOT, R2_MERGENOTPEN, R2_MASKNOTPEN, R2_MERGEPEN, R2_NOTMERGEPEN,
                             R2_MASKPEN, R2_NOTMASKPEN, R2_XORPEN, R2_NOTXORPEN};
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
  ::StretchBlt(fHandle, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, source->Handle(),
               src.left, src.top, src.right - src.left, src.bottom - src.top, fCopyMode);
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

void TGraphic::LoadFromFile(const String& fileName) { throw EInvalidOperation("Cannot load " + fileName); }
void TGraphic::SaveToFile(const String& fileName) { throw EInvalidOperation("Cannot save " + fileName); }

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

void TBitmap::LoadFromFile(const String& fileName) {
  QImage img;
  if (!img.load(QString::fromStdString(fileName))) throw EInvalidOperation("Bitmap image is not valid");
  img = img.convertToFormat(QImage::Format_RGB32);
  SetSize(0, 0);
  fMonochrome = false;
  SetSize(img.width(), img.height());
  Surface* to = Pixels();
  for (int y = 0; y < img.height() && to; ++y)
    std::memcpy(to->Row(y), img.constScanLine(y), sizeof(Pixel) * img.width());
  Changed();
}

void TBitmap::SaveToFile(const String& fileName) {
  if (Empty()) throw EInvalidOperation("Cannot save an empty bitmap");
  Surface* from = Pixels();
  QImage img(reinterpret_cast<const uchar*>(from->Bits()), from->Width(), from->Height(), from->StrideBytes(),
             QImage::Format_RGB32);
  if (!img.save(QString::fromStdString(fileName), "BMP")) throw EFCreateError("Cannot create file \"" + fileName + "\"");
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

void TPicture::SetGraphic(TGraphic* g) {
  if (!g) {
    fGraphic.reset();
  } else {
    Bitmap()->Assign(g);
  }
  Changed(this);
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
  Bitmap()->LoadFromFile(fileName);
  Changed(this);
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
    {clBlack, "clBlack"},     {clMaroon, "clMaroon"},       {clGreen, "clGreen"},         {clOlive, "clOlive"},
    {clNavy, "clNavy"},       {clPurple, "clPurple"},       {clTeal, "clTeal"},           {clGray, "clGray"},
    {clSilver, "clSilver"},   {clRed, "clRed"},             {clLime, "clLime"},           {clYellow, "clYellow"},
    {clBlue, "clBlue"},       {clFuchsia, "clFuchsia"},     {clAqua, "clAqua"},           {clWhite, "clWhite"},
    {clBtnFace, "clBtnFace"}, {clWindow, "clWindow"},       {clWindowText, "clWindowText"}, {clNone, "clNone"},
    {clDefault, "clDefault"}, {clHighlight, "clHighlight"}, {clBtnText, "clBtnText"},     {clInfoBk, "clInfoBk"},
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
