#pragma once
// The library's drawing surface (TkcCanvas over a framework canvas), owned regions, a screen
// canvas for measuring, colour blends and the process-wide brushes.

#include <vector>

#include "platform/core/Classes.h"
#include "platform/forms/Graphics.h"

enum TkcBorder { bLeft, bTop, bRight, bBottom };
using TkcBorders = TSet<TkcBorder, 4>;
inline const TkcBorders kcAllBorders{bLeft, bTop, bRight, bBottom};

// Library text flags.
constexpr int kctfLeft = 0x1, kctfRight = 0x2, kctfHCenter = 0x4, kctfTop = 0x8, kctfBottom = 0x10, kctfVCenter = 0x20,
              kctfSingleLine = 0x40, kctfNoClip = 0x80, kctfExpandTabs = 0x100, kctfShowPrefix = 0x200,
              kctfWordBreak = 0x400, kctfEndEllipsis = 0x800, kctfCalcRect = 0x1000, kctfPathEllipsis = 0x2000,
              kctfNoCharBreak = 0x4000;
// The platform DrawText flags of library text flags.
UINT KcTextFlagsToDrawTextFlags(int AFlags);

enum TkcRegionOperation { roSet, roAdd, roSubtract, roIntersect };

// The drawing parameters of a view element (styles fill them).
struct TkcVisualParams {
  TBitmap* Bitmap = nullptr;
  TColor Color = clDefault;
  TFont* Font = nullptr;
  TColor TextColor = clDefault;
};

// An owned platform region.
class TkcRegion : public TObject {
  VT_CLASS(TkcRegion, TObject)
public:
  TkcRegion() : TkcRegion(0, 0, 0, 0) {}
  explicit TkcRegion(HRGN AHandle) : fHandle(AHandle) {}
  explicit TkcRegion(const TRect& R) : TkcRegion(R.left, R.top, R.right, R.bottom) {}
  TkcRegion(int ALeft, int ATop, int ARight, int ABottom) : fHandle(CreateRectRgn(ALeft, ATop, ARight, ABottom)) {}
  ~TkcRegion() override { DestroyHandle(); }

  HRGN Handle() const { return fHandle; }
  // Gives the handle up to the caller.
  HRGN ReleaseHandle();
  bool IsEmpty() const;
  // Frees ARegion afterwards when ADestroyRegion.
  void CombineWith(TkcRegion* ARegion, TkcRegionOperation AOperation, bool ADestroyRegion = true);
  bool SameAs(TkcRegion* ARegion) const;
  void MoveBy(int DX, int DY) { OffsetRgn(fHandle, DX, DY); }
  bool ContainsPoint(int X, int Y) const { return PtInRegion(fHandle, X, Y); }
  bool ContainsPoint(const TPoint& P) const { return ContainsPoint(P.x, P.y); }
  TRect BoundsRect() const;

private:
  void DestroyHandle();
  HRGN fHandle;
};

struct TkcCanvasState {
  TColor BrushColor = clWhite;
  TFont* Font = nullptr;
  TColor FontColor = clBlack;
};

class TkcCanvas : public TObject {
  VT_CLASS(TkcCanvas, TObject)
public:
  explicit TkcCanvas(TCanvas* ACanvas) : fCanvas(ACanvas) {}

  TCanvas* Canvas() const { return fCanvas; }
  void SetCanvas(TCanvas* ACanvas) { fCanvas = ACanvas; }
  TBrush* Brush() const { return fCanvas->Brush(); }
  TFont* Font() const { return fCanvas->Font(); }
  TPen* Pen() const { return fCanvas->Pen(); }
  HDC Handle() const { return fCanvas->Handle(); }
  void SetFont(TFont* AFont) { fCanvas->SetFont(AFont); }
  void SetBrushColor(TColor AColor);
  TColor BrushColor() const { return Brush()->Color(); }

  // Filling and framing.
  void FillRect(const TRect& R, TBitmap* ABitmap = nullptr, bool AExcludeRect = false);
  void FillRect(const TRect& R, TColor AColor);
  void FrameRect(const TRect& R, TColor AColor, int ALineWidth = 1, TkcBorders ABorders = kcAllBorders,
                 bool AExcludeFrame = false);
  void FillRectWithFrame(const TRect& R, const TkcVisualParams& AParams, TkcBorders ABorders, TColor ABorderColor,
                         int ABorderWidth, bool AExcludeRect = false);
  void DrawTwoColorFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor, TkcBorders ABorders,
                         int AWidth = 1);
  void DrawEdge(const TRect& R, bool ASunken, bool AInner, TkcBorders ABorders = kcAllBorders);
  void InvertRect(const TRect& R);
  void DrawFocusRect(const TRect& R);
  void SetPixel(int X, int Y, TColor AColor) { fCanvas->SetPixels(X, Y, AColor); }
  TColor Pixel(int X, int Y) { return fCanvas->Pixels(X, Y); }
  void MoveTo(int X, int Y) { fCanvas->MoveTo(X, Y); }
  void LineTo(int X, int Y) { fCanvas->LineTo(X, Y); }
  void Polygon(const std::vector<TPoint>& APoints) { fCanvas->Polygon(APoints); }
  void Polyline(const std::vector<TPoint>& APoints) { fCanvas->Polyline(APoints); }
  void CopyRect(const TRect& ADest, TCanvas* ASourceCanvas, const TRect& ASource) {
    fCanvas->CopyRect(ADest, ASourceCanvas, ASource);
  }
  void Draw(int X, int Y, TBitmap* AGraphic) { fCanvas->Draw(X, Y, AGraphic); }

  // Text.
  TSize TextExtent(const String& AText);
  int TextWidth(const String& AText) { return TextExtent(AText).cx; }
  int TextHeight(const String& AText) { return TextExtent(AText).cy; }
  int FontHeight(TFont* AFont);
  void CalculateTextRect(const String& AText, TRect& R, int AFlags);
  // AVertAlignment: 0 top, 1 bottom, 2 centre.
  void AlignTextRectVertically(TRect& R, const String& AText, int AVertAlignment, bool AWordBreak, bool AShowPrefix,
                               bool AEnabled = true, bool ANoCharBreak = false);
  void DrawText(const String& AText, const TRect& R, int AFlags, bool AEnabled = true);
  void SetFontAngle(int AAngle);

  // Glyphs and bitmaps.
  void DrawGlyph(int X, int Y, TBitmap* AGlyph, bool AEnabled = true, TColor ABackgroundColor = clNone);
  // ARotation: 0 none, 1 a quarter turn counter-clockwise, 2 clockwise, 3 a half turn.
  static void RotateBitmap(TBitmap* ABitmap, int ARotation, bool AFlipVertically);

  // Clipping in logical coordinates.
  void ExcludeClipRect(const TRect& R);
  void IntersectClipRect(const TRect& R);
  bool RectVisible(const TRect& R);
  // A new region (the caller owns it) with the current clip.
  TkcRegion* GetClipRegion(bool AConsiderOrigin = true);
  // With ADestroyRegion the canvas takes ARegion over.
  void SetClipRegion(TkcRegion* ARegion, TkcRegionOperation AOperation, bool ADestroyRegion = true,
                     bool AConsiderOrigin = true);

  void SaveState(TkcCanvasState& AState);
  void RestoreState(const TkcCanvasState& AState);
  void BeginPath() { ::BeginPath(Handle()); }
  void EndPath() { ::EndPath(Handle()); }

protected:
  TPoint DeviceOrigin();

private:
  TCanvas* fCanvas;
};

// A canvas over the screen's device context, for measuring without a window.
class TkcScreenCanvas : public TkcCanvas {
  VT_CLASS(TkcScreenCanvas, TkcCanvas)
public:
  TkcScreenCanvas();
  ~TkcScreenCanvas() override;

private:
  class TScreenDCCanvas;
  std::unique_ptr<TCanvas> fOwnCanvas;
};

void DeflateRectByMargins(TRect& R, const TRect& AMargins);
// The nearest colour the screen can show.
TColor GetNearestScreenColor(TColor AColor);
// Per channel MulDiv(C1, P, 100) + MulDiv(C2, 100 - P, 100), capped at 255, nearest screen colour.
TColor MixColors(TColor AColor1, TColor AColor2, int APercent);
// Signed percentages of button face, highlight and window; the highlight when the face is black or white.
TColor BlendSystemColors(int AFacePercent, int AHighlightPercent, int AWindowPercent);
TColor GetUltraFlatHotColor();
TColor GetUltraFlatPressedColor();
// Every channel times APercent / 100, halves to even.
TColor ScaleColorByPercent(TColor AColor, int APercent);
void FillGradientRect(HDC DC, const TRect& R, TColor AColor1, TColor AColor2, bool AHorizontal);
void FillRectWithColor(HDC DC, const TRect& R, TColor AColor);
bool IsReversedTextCharset(BYTE ACharset, const String& AText);

// The brush of system colour AIndex (0..30) and the 8 x 8 half-tone pattern brush.
TBrush* GetSystemBrush(int AIndex);
HBRUSH GetHalftoneBrush();
