#pragma once
// The framework's drawing objects over our device contexts: fonts, pens and brushes that keep
// a GDI object in step with their properties, the canvas that selects them into a DC as it
// draws, bitmaps with a canvas of their own, and the picture holder.

#include <memory>
#include <string>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/Colors.h"
#include "platform/gdi/WinGdi.h"

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle, 4>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
  pmBlack,
  pmWhite,
  pmNop,
  pmNot,
  pmCopy,
  pmNotCopy,
  pmMergePenNot,
  pmMaskPenNot,
  pmMergeNotPen,
  pmMaskNotPen,
  pmMerge,
  pmNotMerge,
  pmMask,
  pmNotMask,
  pmXor,
  pmNotXor
};
enum TBrushStyle { bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross };
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
using TCopyMode = DWORD;
using TFontCharset = BYTE;

class TBitmap;

// Shared base of font, pen and brush: a change notification and a lazily made handle.
class TGraphicsObject : public TPersistent {
  VT_CLASS(TGraphicsObject, TPersistent)
public:
  TNotifyEvent OnChange;

protected:
  virtual void Changed();
};

class TFont : public TGraphicsObject {
  VT_CLASS(TFont, TGraphicsObject)
public:
  TFont();
  ~TFont() override;
  void Assign(TPersistent* Source) override;

  HFONT Handle();
  // Adopts the logical font of `h` (the handle itself stays the caller's).
  void SetHandle(HFONT h);
  const String& Name() const { return fName; }
  void SetName(const String& v);
  int Size() const;  // points at PixelsPerInch
  void SetSize(int v);
  int Height() const { return fHeight; }  // negative: character height in pixels
  void SetHeight(int v);
  TFontStyles Style() const { return fStyle; }
  void SetStyle(TFontStyles v);
  TColor Color() const { return fColor; }
  void SetColor(TColor v);
  TFontCharset Charset() const { return fCharset; }
  void SetCharset(TFontCharset v);
  TFontPitch Pitch() const { return fPitch; }
  void SetPitch(TFontPitch v);
  // The resolution Height is measured in: 96 on screen, a printer's on its canvas. Changing it
  // keeps Height; Assign from a font of another resolution keeps the point size instead.
  int PixelsPerInch() const { return fPixelsPerInch; }
  void SetPixelsPerInch(int v);
  LOGFONT LogFont() const;
  // The angle of the text (tenths of a degree) and the output precision, taken from a handle.
  int Escapement() const { return fEscapement; }
  BYTE OutPrecision() const { return fOutPrecision; }
  bool Equals(const TFont& other) const;

protected:
  void Changed() override;

private:
  void FreeHandle();
  String fName = "MS Sans Serif";
  int fHeight = -11;  // 8 points
  TFontStyles fStyle;
  TColor fColor = clWindowText;
  TFontCharset fCharset = DEFAULT_CHARSET;
  TFontPitch fPitch = fpDefault;
  int fEscapement = 0;
  BYTE fOutPrecision = OUT_DEFAULT_PRECIS;
  int fPixelsPerInch = 96;
  HFONT fHandle;
};

class TPen : public TGraphicsObject {
  VT_CLASS(TPen, TGraphicsObject)
public:
  TPen() = default;
  ~TPen() override;
  void Assign(TPersistent* Source) override;
  HPEN Handle();
  TColor Color() const { return fColor; }
  void SetColor(TColor v);
  int Width() const { return fWidth; }
  void SetWidth(int v);
  TPenStyle Style() const { return fStyle; }
  void SetStyle(TPenStyle v);
  TPenMode Mode() const { return fMode; }
  void SetMode(TPenMode v);

protected:
  void Changed() override;

private:
  TColor fColor = clBlack;
  int fWidth = 1;
  TPenStyle fStyle = psSolid;
  TPenMode fMode = pmCopy;
  HPEN fHandle;
};

class TBrush : public TGraphicsObject {
  VT_CLASS(TBrush, TGraphicsObject)
public:
  TBrush() = default;
  ~TBrush() override;
  void Assign(TPersistent* Source) override;
  HBRUSH Handle();
  TColor Color() const { return fColor; }
  void SetColor(TColor v);  // also makes a clear brush solid
  TBrushStyle Style() const { return fStyle; }
  void SetStyle(TBrushStyle v);
  // A pattern brush from the bitmap (kept by the caller); null returns to the colour.
  TBitmap* Bitmap() const { return fBitmap; }
  void SetBitmap(TBitmap* v);

protected:
  void Changed() override;

private:
  TColor fColor = clWhite;
  TBrushStyle fStyle = bsSolid;
  TBitmap* fBitmap = nullptr;
  HBRUSH fHandle;
};

// Draws on a device context with its font, pen and brush selected.
class TCanvas : public TPersistent {
  VT_CLASS(TCanvas, TPersistent)
public:
  TCanvas();
  ~TCanvas() override;

  // The DC; a canvas without one asks CreateHandle (controls and bitmaps make theirs).
  HDC Handle();
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return static_cast<bool>(fHandle); }

  TFont* Font() const { return fFont.get(); }
  TPen* Pen() const { return fPen.get(); }
  TBrush* Brush() const { return fBrush.get(); }
  void SetFont(TFont* v) { fFont->Assign(v); }
  TCopyMode CopyMode() const { return fCopyMode; }
  void SetCopyMode(TCopyMode v) { fCopyMode = v; }
  TPoint PenPos();
  void SetPenPos(TPoint p) { MoveTo(p.x, p.y); }
  RECT ClipRect();

  void MoveTo(int x, int y);
  void LineTo(int x, int y);
  void Polyline(const std::vector<TPoint>& points);
  void Polygon(const std::vector<TPoint>& points);
  void Rectangle(int x1, int y1, int x2, int y2);
  void Rectangle(const TRect& r) { Rectangle(r.left, r.top, r.right, r.bottom); }
  void RoundRect(int x1, int y1, int x2, int y2, int x3, int y3);
  void Ellipse(int x1, int y1, int x2, int y2);
  void FillRect(const TRect& r);
  void FrameRect(const TRect& r);
  void DrawFocusRect(const TRect& r);
  void TextOut(int x, int y, const String& text);
  void TextRect(const TRect& r, int x, int y, const String& text);
  int TextWidth(const String& text) { return TextExtent(text).cx; }
  int TextHeight(const String& text) { return TextExtent(text).cy; }
  TSize TextExtent(const String& text);
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor c);
  void Draw(int x, int y, TBitmap* graphic);
  void StretchDraw(const TRect& r, TBitmap* graphic);
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  // Copies `src` of the bitmap, leaving the pixels of colour `transparent` as they were.
  void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& src, TColor transparent);
  void Lock() {}
  void Unlock() {}
  TNotifyEvent OnChange;

  // Selects the font, pen and brush into the DC, for callers that draw on Handle() directly.
  void RequiredState();
  // Forgets what it selected into the DC, so the next drawing call selects it again: for callers
  // that restored the DC's saved state under it.
  void Refresh() { DeselectHandles(); }

protected:
  virtual void CreateHandle() {}
  void DeselectHandles();

private:
  void ObjectChanged(TObject*);
  HDC fHandle;
  std::unique_ptr<TFont> fFont;
  std::unique_ptr<TPen> fPen;
  std::unique_ptr<TBrush> fBrush;
  TCopyMode fCopyMode = SRCCOPY;
  bool fFontSel = false, fPenSel = false, fBrushSel = false;
  HFONT fOldFont;
  HPEN fOldPen;
  HBRUSH fOldBrush;
};

// A canvas that only measures text (a measuring DC), for code that lays out without a window.
class TMeasureCanvas : public TCanvas {
  VT_CLASS(TMeasureCanvas, TCanvas)
public:
  ~TMeasureCanvas() override;

protected:
  void CreateHandle() override;

private:
  HDC fDC;
};

VT_DECLARE_EXCEPTION(EInvalidGraphic, Exception);
VT_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception);

// Pictures from untrusted bytes are refused above these sizes (a header may ask for gigabytes).
constexpr int MaxGraphicSide = 16384;
constexpr std::int64_t MaxGraphicPixels = 64LL * 1024 * 1024;

// A picture format. Every graphic keeps the bytes it was loaded from, and SaveToStream writes
// them back unchanged until the graphic is modified.
class TGraphic : public TPersistent {
  VT_CLASS(TGraphic, TPersistent)
public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int v) = 0;
  virtual void SetHeight(int v) = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool v) { fTransparent = v; }
  virtual void Draw(TCanvas* canvas, const TRect& r) = 0;
  // Reads the rest of the stream; a failure raises and leaves the graphic empty.
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream) = 0;
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
  bool Modified() const { return fModified; }
  TNotifyEvent OnChange;

protected:
  virtual void Changed() {
    fModified = true;
    if (OnChange) OnChange(this);
  }
  bool fTransparent = false;
  bool fModified = false;
};
using TGraphicClass = TClassOf<TGraphic>;

// The rest of a stream as bytes.
std::string ReadStreamBytes(TStream* stream);

class TBitmap : public TGraphic {
  VT_CLASS(TBitmap, TGraphic)
public:
  TBitmap();
  TBitmap(int width, int height);
  ~TBitmap() override;
  void Assign(TPersistent* Source) override;

  int Width() const override { return fWidth; }
  int Height() const override { return fHeight; }
  void SetWidth(int v) override { SetSize(v, fHeight); }
  void SetHeight(int v) override { SetSize(fWidth, v); }
  // New pixels are white; the pixels of the common part are kept.
  void SetSize(int width, int height);
  TCanvas* Canvas();
  HBITMAP Handle();
  // Adopts the bitmap (the TBitmap deletes it).
  void SetHandle(HBITMAP h);
  // Gives up the bitmap handle to the caller.
  HBITMAP ReleaseHandle();
  bool Monochrome() const { return fMonochrome; }
  void SetMonochrome(bool v);
  TPixelFormat PixelFormat() const { return fPixelFormat; }
  void SetPixelFormat(TPixelFormat v) { fPixelFormat = v; }
  TColor TransparentColor();
  void SetTransparentColor(TColor v) {
    fTransparentColor = v;
    fTransparentMode = tmFixed;
  }
  TTransparentMode TransparentMode() const { return fTransparentMode; }
  void SetTransparentMode(TTransparentMode v) { fTransparentMode = v; }
  // A named bitmap of the program (GdiResources.h).
  void LoadFromResourceName(HINSTANCE instance, const String& name);
  // BMP data (a file, or the bytes it was loaded from when unchanged).
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  // Pixels decoded elsewhere (32-bit rows, top-down).
  void AssignPixels(int width, int height, const Pixel* rows, int stride);
  void Draw(TCanvas* canvas, const TRect& r) override;
  Surface* Pixels();  // direct access (null when empty)
  void Dormant() {}
  void FreeImage() {}

protected:
  void Changed() override;

private:
  class TBitmapCanvas;
  void FreeContext();
  HDC MemDC();
  std::string fBytes;  // what it was loaded from, while unchanged
  int fWidth = 0, fHeight = 0;
  bool fMonochrome = false;
  TPixelFormat fPixelFormat = pfDevice;
  TColor fTransparentColor = clDefault;
  TTransparentMode fTransparentMode = tmAuto;
  HBITMAP fHandle;
  HDC fDC;
  HBITMAP fOldBitmap;
  std::unique_ptr<TCanvas> fCanvas;
};

// An icon (.ico data); drawn from its largest image.
class TIcon : public TGraphic {
  VT_CLASS(TIcon, TGraphic)
public:
  TIcon();
  ~TIcon() override;
  int Width() const override;
  int Height() const override;
  void SetWidth(int) override {}
  void SetHeight(int) override {}
  void Draw(TCanvas* canvas, const TRect& r) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  void Assign(TPersistent* Source) override;

private:
  std::string fBytes;
  std::unique_ptr<TBitmap> fImage;
};

// A metafile (WMF or EMF): the bytes are kept, never played; the size comes from the header
// and drawing shows a frame in its place.
class TMetafile : public TGraphic {
  VT_CLASS(TMetafile, TGraphic)
public:
  int Width() const override { return fWidth; }
  int Height() const override { return fHeight; }
  void SetWidth(int v) override { fWidth = v; }
  void SetHeight(int v) override { fHeight = v; }
  bool Enhanced() const { return fEnhanced; }
  void Draw(TCanvas* canvas, const TRect& r) override;
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  void Assign(TPersistent* Source) override;

private:
  std::string fBytes;
  int fWidth = 0, fHeight = 0;
  bool fEnhanced = false;
};

// The picture formats by file extension, in registration order (bmp, ico, wmf/emf, then
// those registered later, such as jpg).
void RegisterFileFormat(const String& extension, const String& description, TGraphicClass graphicClass);
TGraphicClass GraphicClassForExtension(const String& extension);
// A registered class by its name ("TJPEGImage"), or null.
TGraphicClass GraphicClassByName(const String& name);
// "All (*.bmp;*.ico;...)|*.bmp;*.ico;...|Bitmaps (*.bmp)|*.bmp|..." for a class (null: all).
String GraphicFilter(TGraphicClass graphicClass);
// The first extension of the class ("bmp").
String GraphicExtension(TGraphicClass graphicClass);

class TPicture : public TPersistent {
  VT_CLASS(TPicture, TPersistent)
public:
  TPicture();
  ~TPicture() override;
  void Assign(TPersistent* Source) override;
  TBitmap* Bitmap();  // makes an empty bitmap when the picture holds none
  TGraphic* Graphic() const { return fGraphic.get(); }
  void SetGraphic(TGraphic* g);  // copies it
  // Takes the graphic over (null empties the picture).
  void AdoptGraphic(std::unique_ptr<TGraphic> g);
  int Width() const { return fGraphic ? fGraphic->Width() : 0; }
  int Height() const { return fGraphic ? fGraphic->Height() : 0; }
  // The class comes from the extension: EInvalidGraphic "Unknown picture file extension (.x)".
  void LoadFromFile(const String& fileName);
  void SaveToFile(const String& fileName);
  TNotifyEvent OnChange;

private:
  void Changed(TObject*);
  std::unique_ptr<TGraphic> fGraphic;
};

// Colour helpers.
TColor StringToColor(const String& s);
String ColorToString(TColor c);
// Pixels per inch of the screen (96).
int ScreenPixelsPerInch();
