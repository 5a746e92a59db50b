#include "controls/kcGraphics.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Math.h"
#include "platform/gdi/ImageList.h"
#include "platform/win/Windows.h"

UINT KcTextFlagsToDrawTextFlags(int AFlags) {
  UINT r = DT_NOPREFIX;
  if (AFlags & kctfRight) r |= DT_RIGHT;
  if (AFlags & kctfHCenter) r |= DT_CENTER;
  if (AFlags & kctfBottom) r |= DT_BOTTOM;
  if (AFlags & kctfVCenter) r |= DT_VCENTER;
  if (AFlags & kctfSingleLine) r |= DT_SINGLELINE;
  if (AFlags & kctfNoClip) r |= DT_NOCLIP;
  if (AFlags & kctfExpandTabs) r |= DT_EXPANDTABS;
  if (AFlags & kctfShowPrefix) r &= ~DT_NOPREFIX;
  if (AFlags & kctfWordBreak) {
    r |= DT_WORDBREAK;
    if (!(AFlags & kctfNoCharBreak)) r |= DT_EDITCONTROL;
  }
  if (AFlags & kctfEndEllipsis) r |= DT_END_ELLIPSIS;
  if (AFlags & kctfCalcRect) r |= DT_CALCRECT;
  if (AFlags & kctfPathEllipsis) r |= DT_PATH_ELLIPSIS;
  return r;
}

// ---- TkcRegion ------------------------------------------------------------------------------

HRGN TkcRegion::ReleaseHandle() {
  HRGN h = fHandle;
  fHandle = HRGN();
  return h;
}

void TkcRegion::DestroyHandle() {
  if (fHandle) DeleteObject(fHandle);
  fHandle = HRGN();
}

bool TkcRegion::IsEmpty() const {
  RECT box;
  return GetRgnBox(fHandle, &box) == NULLREGION;
}

TRect TkcRegion::BoundsRect() const {
  RECT box{};
  GetRgnBox(fHandle, &box);
  return box;
}

void TkcRegion::CombineWith(TkcRegion* ARegion, TkcRegionOperation AOperation, bool ADestroyRegion) {
  static const int modes[] = {RGN_COPY, RGN_OR, RGN_DIFF, RGN_AND};
  if (ARegion) {
    if (AOperation == roSet)
      CombineRgn(fHandle, ARegion->fHandle, HRGN(), RGN_COPY);
    else
      CombineRgn(fHandle, fHandle, ARegion->fHandle, modes[AOperation]);
  }
  if (ADestroyRegion) delete ARegion;
}

bool TkcRegion::SameAs(TkcRegion* ARegion) const {
  if (!ARegion) return false;
  if (IsEmpty() && ARegion->IsEmpty()) return true;
  return EqualRgn(fHandle, ARegion->fHandle);
}

// ---- TkcCanvas ------------------------------------------------------------------------------

void TkcCanvas::SetBrushColor(TColor AColor) {
  if (Brush()->Color() != AColor) Brush()->SetColor(AColor);
}

TPoint TkcCanvas::DeviceOrigin() {
  POINT vp{}, win{};
  GetViewportOrgEx(Handle(), &vp);
  GetWindowOrgEx(Handle(), &win);
  return TPoint{vp.x - win.x, vp.y - win.y};
}

void TkcCanvas::FillRect(const TRect& R, TBitmap* ABitmap, bool AExcludeRect) {
  if (IsRectEmpty(&R)) return;
  if (!ABitmap || ABitmap->Empty()) {
    fCanvas->FillRect(R);
  } else {
    // One pattern fill anchored at the logical origin gives the pixels of a grid of tile copies
    // whose seams fall on multiples of the tile size.
    HDC dc = Handle();
    fCanvas->RequiredState();
    TPoint org = DeviceOrigin();
    POINT oldOrg{};
    SetBrushOrgEx(dc, org.x, org.y, &oldOrg);
    HBRUSH pattern = CreatePatternBrush(ABitmap->Handle());
    ::FillRect(dc, &R, pattern);
    DeleteObject(pattern);
    SetBrushOrgEx(dc, oldOrg.x, oldOrg.y, nullptr);
  }
  if (AExcludeRect) SetClipRegion(new TkcRegion(R), roSubtract);
}

void TkcCanvas::FillRect(const TRect& R, TColor AColor) {
  SetBrushColor(AColor);
  FillRect(R);
}

void TkcCanvas::FrameRect(const TRect& R, TColor AColor, int ALineWidth, TkcBorders ABorders, bool AExcludeFrame) {
  if (IsRectEmpty(&R)) return;
  if (AColor != clDefault) SetBrushColor(AColor);
  if (ABorders.Contains(bLeft))
    FillRect(TRect{R.left, R.top, std::min(R.left + ALineWidth, R.right), R.bottom}, nullptr, AExcludeFrame);
  if (ABorders.Contains(bRight))
    FillRect(TRect{std::max(R.right - ALineWidth, R.left), R.top, R.right, R.bottom}, nullptr, AExcludeFrame);
  if (ABorders.Contains(bTop))
    FillRect(TRect{R.left, R.top, R.right, std::min(R.top + ALineWidth, R.bottom)}, nullptr, AExcludeFrame);
  if (ABorders.Contains(bBottom))
    FillRect(TRect{R.left, std::max(R.bottom - ALineWidth, R.top), R.right, R.bottom}, nullptr, AExcludeFrame);
}

void TkcCanvas::FillRectWithFrame(const TRect& R, const TkcVisualParams& AParams, TkcBorders ABorders,
                                  TColor ABorderColor, int ABorderWidth, bool AExcludeRect) {
  FrameRect(R, ABorderColor, ABorderWidth, ABorders);
  TRect inner = R;
  if (ABorders.Contains(bLeft)) inner.left += ABorderWidth;
  if (ABorders.Contains(bTop)) inner.top += ABorderWidth;
  if (ABorders.Contains(bRight)) inner.right -= ABorderWidth;
  if (ABorders.Contains(bBottom)) inner.bottom -= ABorderWidth;
  SetBrushColor(AParams.Color);
  FillRect(inner, AParams.Bitmap, AExcludeRect);
}

void TkcCanvas::DrawTwoColorFrame(const TRect& R, TColor ALeftTopColor, TColor ARightBottomColor, TkcBorders ABorders,
                                  int AWidth) {
  if (ABorders.Contains(bLeft)) FillRect(TRect{R.left, R.top, R.left + AWidth, R.bottom}, ALeftTopColor);
  if (ABorders.Contains(bTop)) FillRect(TRect{R.left, R.top, R.right, R.top + AWidth}, ALeftTopColor);
  if (ABorders.Contains(bRight)) FillRect(TRect{R.right - AWidth, R.top, R.right, R.bottom}, ARightBottomColor);
  if (ABorders.Contains(bBottom)) FillRect(TRect{R.left, R.bottom - AWidth, R.right, R.bottom}, ARightBottomColor);
}

void TkcCanvas::DrawEdge(const TRect& R, bool ASunken, bool AInner, TkcBorders ABorders) {
  TColor dark = AInner ? clBtnShadow : cl3DDkShadow;
  TColor light = AInner ? cl3DLight : clBtnHighlight;
  if (ASunken)
    DrawTwoColorFrame(R, dark, light, ABorders);
  else
    DrawTwoColorFrame(R, light, dark, ABorders);
}

void TkcCanvas::InvertRect(const TRect& R) {
  fCanvas->SetCopyMode(DSTINVERT);
  CopyRect(R, fCanvas, R);
  fCanvas->SetCopyMode(SRCCOPY);
}

void TkcCanvas::DrawFocusRect(const TRect& R) {
  SetBrushColor(clWhite);
  Font()->SetColor(clBlack);
  fCanvas->DrawFocusRect(R);
}

// ---- Text -----------------------------------------------------------------------------------

TSize TkcCanvas::TextExtent(const String& AText) {
  fCanvas->RequiredState();
  SIZE s{};
  if (!GetTextExtentPoint32(Handle(), AText, &s)) return TSize{};
  return s;
}

int TkcCanvas::FontHeight(TFont* AFont) {
  SetFont(AFont);
  return TextHeight("Qq");
}

void TkcCanvas::CalculateTextRect(const String& AText, TRect& R, int AFlags) {
  int width = R.right - R.left, height = R.bottom - R.top;
  UINT flags = KcTextFlagsToDrawTextFlags(AFlags);
  if (width <= 0 && !AText.empty()) R.right = R.left + 1;
  fCanvas->RequiredState();
  ::DrawText(Handle(), AText, &R, (flags & ~DT_VCENTER) | DT_CALCRECT);
  if (flags & DT_CENTER)
    OffsetRect(&R, (width - (R.right - R.left)) / 2, 0);
  else if (flags & DT_RIGHT)
    OffsetRect(&R, width - (R.right - R.left), 0);
  if (flags & DT_VCENTER)
    OffsetRect(&R, 0, (height - (R.bottom - R.top)) / 2);
  else if (flags & DT_BOTTOM)
    OffsetRect(&R, 0, height - (R.bottom - R.top));
}

void TkcCanvas::AlignTextRectVertically(TRect& R, const String& AText, int AVertAlignment, bool AWordBreak,
                                        bool AShowPrefix, bool AEnabled, bool ANoCharBreak) {
  int d = AEnabled ? 0 : 1;
  TRect measure{0, 0, R.right - R.left - d, 0};
  int flags = kctfLeft | kctfTop;
  if (AWordBreak) flags |= kctfWordBreak;
  if (AShowPrefix) flags |= kctfShowPrefix;
  if (ANoCharBreak) flags |= kctfNoCharBreak;
  CalculateTextRect(AText, measure, flags);
  int textHeight = measure.bottom - measure.top;
  if (AVertAlignment == 1)
    R.top = R.bottom - textHeight - d;
  else if (AVertAlignment == 2)
    R.top = (R.top + R.bottom - textHeight) / 2;
}

void TkcCanvas::DrawText(const String& AText, const TRect& R, int AFlags, bool AEnabled) {
  if (AText.empty()) return;
  int d = AEnabled ? 0 : 1;
  bool useExtTextOut = (AFlags & kctfSingleLine) && !(AFlags & (kctfShowPrefix | kctfEndEllipsis | kctfPathEllipsis));
  // Measure: a text that fits needs no clipping.
  TRect measured = R;
  CalculateTextRect(AText, measured, AFlags & ~(kctfHCenter | kctfRight | kctfVCenter | kctfBottom));
  int textWidth = measured.right - measured.left, textHeight = measured.bottom - measured.top;
  if (textWidth <= R.right - R.left && textHeight <= R.bottom - R.top) AFlags |= kctfNoClip;
  TRect r = R;
  UINT dtFlags = KcTextFlagsToDrawTextFlags(AFlags);
  int x = r.left, y = r.top;
  if (useExtTextOut) {
    if (textWidth < r.right - r.left) {
      if (AFlags & kctfRight)
        x = r.right - textWidth - d;
      else if (AFlags & kctfHCenter)
        x = (r.left + r.right - textWidth) / 2;
    }
    if (textHeight < r.bottom - r.top) {
      if (AFlags & kctfBottom)
        y = r.bottom - textHeight - d;
      else if (AFlags & kctfVCenter)
        y = (r.top + r.bottom - textHeight) / 2;
    }
  } else if (!(AFlags & kctfSingleLine) && (AFlags & (kctfBottom | kctfVCenter))) {
    AlignTextRectVertically(r, AText, (AFlags & kctfBottom) ? 1 : 2, (AFlags & kctfWordBreak) != 0,
                            (AFlags & kctfShowPrefix) != 0, AEnabled, (AFlags & kctfNoCharBreak) != 0);
    dtFlags &= ~(DT_BOTTOM | DT_VCENTER);
  }
  TBrushStyle oldBrushStyle = Brush()->Style();
  TColor oldFontColor = Font()->Color();
  auto drawOnce = [&](int dx, int dy) {
    fCanvas->RequiredState();
    HDC dc = Handle();
    if (useExtTextOut) {
      TRect clip = r;
      OffsetRect(&clip, dx, dy);
      UINT options = (AFlags & kctfNoClip) ? 0 : ETO_CLIPPED;
      ExtTextOut(dc, x + dx, y + dy, options, &clip, AText, nullptr);
    } else {
      TRect rr = r;
      OffsetRect(&rr, dx, dy);
      ::DrawText(dc, AText, &rr, dtFlags);
    }
  };
  if (!AEnabled) {
    Brush()->SetStyle(bsClear);
    Font()->SetColor(clBtnHighlight);
    drawOnce(1, 1);
    Font()->SetColor(clBtnShadow);
    drawOnce(0, 0);
  } else {
    drawOnce(0, 0);
  }
  if (Brush()->Style() != oldBrushStyle) Brush()->SetStyle(oldBrushStyle);
  Font()->SetColor(oldFontColor);
}

void TkcCanvas::SetFontAngle(int AAngle) {
  LOGFONT lf = Font()->LogFont();
  lf.lfEscapement = lf.lfOrientation = AAngle * 10;
  lf.lfOutPrecision = AAngle != 0 ? OUT_TT_ONLY_PRECIS : OUT_DEFAULT_PRECIS;
  HFONT h = CreateFontIndirect(lf);
  Font()->SetHandle(h);
  DeleteObject(h);
}

// ---- Glyphs ---------------------------------------------------------------------------------

void TkcCanvas::DrawGlyph(int X, int Y, TBitmap* AGlyph, bool AEnabled, TColor ABackgroundColor) {
  if (!AGlyph || AGlyph->Empty()) return;
  int w = AGlyph->Width(), h = AGlyph->Height();
  if (AEnabled) {
    TBrushStyle oldStyle = Brush()->Style();
    if (ABackgroundColor == clNone)
      Brush()->SetStyle(bsClear);
    else
      SetBrushColor(ABackgroundColor);
    if (ABackgroundColor != clNone) fCanvas->FillRect(Bounds(X, Y, w, h));
    fCanvas->BrushCopy(Bounds(X, Y, w, h), AGlyph, TRect{0, 0, w, h}, AGlyph->TransparentColor());
    Brush()->SetStyle(oldStyle);
    return;
  }
  HIMAGELIST list = ImageList_Create(w, h, ILC_MASK | ILC_COLOR32, 1, 1);
  // A fixed transparent colour, else the automatic one (the bottom-left pixel).
  ImageList_AddMasked(list, AGlyph->Handle(), ColorToRGB(AGlyph->TransparentColor()));
  if (ABackgroundColor != clNone) {
    TBitmap temp(w, h);
    temp.Canvas()->Brush()->SetColor(ABackgroundColor);
    temp.Canvas()->FillRect(TRect{0, 0, w, h});
    ImageList_DrawDisabled(list, 0, temp.Canvas()->Handle(), 0, 0);
    Draw(X, Y, &temp);
  } else {
    ImageList_DrawDisabled(list, 0, Handle(), X, Y);
  }
  ImageList_Destroy(list);
}

void TkcCanvas::RotateBitmap(TBitmap* ABitmap, int ARotation, bool AFlipVertically) {
  if (!ABitmap || ABitmap->Empty() || (ARotation == 0 && !AFlipVertically)) return;
  Surface* src = ABitmap->Pixels();
  int w = ABitmap->Width(), h = ABitmap->Height();
  bool quarter = ARotation == 1 || ARotation == 2;
  int nw = quarter ? h : w, nh = quarter ? w : h;
  std::vector<::Pixel> out(static_cast<std::size_t>(nw) * nh);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      int cx, cy;
      switch (ARotation) {
        case 1: cx = y, cy = AFlipVertically ? x : w - 1 - x; break;
        case 2: cx = h - 1 - y, cy = AFlipVertically ? w - 1 - x : x; break;
        case 3: cx = w - 1 - x, cy = AFlipVertically ? y : h - 1 - y; break;
        default: cx = x, cy = h - 1 - y; break;
      }
      out[static_cast<std::size_t>(cy) * nw + cx] = src->At(x, y);
    }
  ABitmap->AssignPixels(nw, nh, out.data(), nw);
}

// ---- Clipping -------------------------------------------------------------------------------

void TkcCanvas::ExcludeClipRect(const TRect& R) { ::ExcludeClipRect(Handle(), R.left, R.top, R.right, R.bottom); }

void TkcCanvas::IntersectClipRect(const TRect& R) { ::IntersectClipRect(Handle(), R.left, R.top, R.right, R.bottom); }

bool TkcCanvas::RectVisible(const TRect& R) { return ::RectVisible(Handle(), &R); }

TkcRegion* TkcCanvas::GetClipRegion(bool AConsiderOrigin) {
  auto* region = new TkcRegion;
  if (GetClipRgn(Handle(), region->Handle()) != 1) SetRectRgn(region->Handle(), 0, 0, 30000, 30000);
  if (AConsiderOrigin) {
    TPoint org = DeviceOrigin();
    region->MoveBy(-org.x, -org.y);
  }
  return region;
}

void TkcCanvas::SetClipRegion(TkcRegion* ARegion, TkcRegionOperation AOperation, bool ADestroyRegion,
                              bool AConsiderOrigin) {
  if (AOperation == roSet) {
    TPoint org = AConsiderOrigin ? DeviceOrigin() : TPoint{};
    ARegion->MoveBy(org.x, org.y);
    SelectClipRgn(Handle(), ARegion->Handle());
    if (ADestroyRegion)
      delete ARegion;
    else
      ARegion->MoveBy(-org.x, -org.y);
    return;
  }
  TkcRegion* clip = GetClipRegion(AConsiderOrigin);
  clip->CombineWith(ARegion, AOperation, ADestroyRegion);
  SetClipRegion(clip, roSet, true, AConsiderOrigin);
}

void TkcCanvas::SaveState(TkcCanvasState& AState) {
  AState.BrushColor = Brush()->Color();
  AState.Font = Font();
  AState.FontColor = Font()->Color();
}

void TkcCanvas::RestoreState(const TkcCanvasState& AState) {
  SetBrushColor(AState.BrushColor);
  if (AState.Font && AState.Font != Font()) SetFont(AState.Font);
  Font()->SetColor(AState.FontColor);
}

// ---- TkcScreenCanvas ------------------------------------------------------------------------

class TkcScreenCanvas::TScreenDCCanvas : public TCanvas {
public:
  ~TScreenDCCanvas() override {
    HDC dc = HandleAllocated() ? Handle() : HDC();
    SetHandle(HDC());
    if (dc) ReleaseDC(HWND(), dc);
  }

protected:
  void CreateHandle() override { SetHandle(GetDC(HWND())); }
};

TkcScreenCanvas::TkcScreenCanvas() : TkcCanvas(nullptr), fOwnCanvas(std::make_unique<TScreenDCCanvas>()) {
  SetCanvas(fOwnCanvas.get());
}

TkcScreenCanvas::~TkcScreenCanvas() = default;

// ---- Colours --------------------------------------------------------------------------------

void DeflateRectByMargins(TRect& R, const TRect& AMargins) {
  R.left += AMargins.left;
  R.top += AMargins.top;
  R.right -= AMargins.right;
  R.bottom -= AMargins.bottom;
}

TColor GetNearestScreenColor(TColor AColor) {
  static HDC screen = CreateMeasureDC();
  return static_cast<TColor>(GetNearestColor(screen, ColorToRGB(AColor)));
}

TColor MixColors(TColor AColor1, TColor AColor2, int APercent) {
  COLORREF c1 = ColorToRGB(AColor1), c2 = ColorToRGB(AColor2);
  auto mix = [APercent](int a, int b) {
    return std::min(255, MulDiv(a, APercent, 100) + MulDiv(b, 100 - APercent, 100));
  };
  COLORREF c = RGB(BYTE(mix(GetRValue(c1), GetRValue(c2))), BYTE(mix(GetGValue(c1), GetGValue(c2))),
                   BYTE(mix(GetBValue(c1), GetBValue(c2))));
  return GetNearestScreenColor(static_cast<TColor>(c));
}

TColor BlendSystemColors(int AFacePercent, int AHighlightPercent, int AWindowPercent) {
  COLORREF face = ColorToRGB(clBtnFace), hl = ColorToRGB(clHighlight), win = ColorToRGB(clWindow);
  if (face == 0 || face == 0xFFFFFF) return static_cast<TColor>(hl);
  auto blend = [&](BYTE (*ch)(COLORREF)) {
    int v = MulDiv(ch(face), AFacePercent, 100) + MulDiv(ch(hl), AHighlightPercent, 100) +
            MulDiv(ch(win), AWindowPercent, 100);
    return BYTE(std::clamp(v, 0, 255));
  };
  return static_cast<TColor>(RGB(blend(GetRValue), blend(GetGValue), blend(GetBValue)));
}

TColor GetUltraFlatHotColor() { return GetNearestScreenColor(BlendSystemColors(-2, 30, 72)); }
TColor GetUltraFlatPressedColor() { return GetNearestScreenColor(BlendSystemColors(14, 44, 40)); }

TColor ScaleColorByPercent(TColor AColor, int APercent) {
  COLORREF c = ColorToRGB(AColor);
  auto scale = [APercent](int v) { return BYTE(std::clamp<std::int64_t>(Round(v * APercent / 100.0), 0, 255)); };
  return static_cast<TColor>(RGB(scale(GetRValue(c)), scale(GetGValue(c)), scale(GetBValue(c))));
}

void FillRectWithColor(HDC DC, const TRect& R, TColor AColor) {
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  ::FillRect(DC, &R, brush);
  DeleteObject(brush);
}

void FillGradientRect(HDC DC, const TRect& R, TColor AColor1, TColor AColor2, bool AHorizontal) {
  if (IsRectEmpty(&R)) return;
  COLORREF c1 = ColorToRGB(AColor1), c2 = ColorToRGB(AColor2);
  if (c1 == c2) {
    FillRectWithColor(DC, R, AColor1);
    return;
  }
  int start = AHorizontal ? R.left : R.top;
  int extent = AHorizontal ? R.right - R.left : R.bottom - R.top;
  int n = std::min(extent, 256);
  int bandStart = start;
  for (int i = 0; i < n; ++i) {
    int bandEnd = start + MulDiv(i + 1, extent, n);
    // One band has the first colour (no division by N - 1 = 0).
    auto channel = [&](BYTE (*ch)(COLORREF)) {
      return BYTE(n > 1 ? ch(c1) + MulDiv(i, ch(c2) - ch(c1), n - 1) : ch(c1));
    };
    if (bandEnd > bandStart) {
      TRect band =
          AHorizontal ? TRect{bandStart, R.top, bandEnd, R.bottom} : TRect{R.left, bandStart, R.right, bandEnd};
      FillRectWithColor(DC, band, static_cast<TColor>(RGB(channel(GetRValue), channel(GetGValue), channel(GetBValue))));
    }
    bandStart = bandEnd;
    if (bandEnd >= start + extent) break;
  }
}

bool IsReversedTextCharset(BYTE ACharset, const String& AText) {
  if (AText.empty() || static_cast<unsigned char>(AText[0]) < 0x80) return false;
  // The system's default character set is the Unicode one here.
  if (ACharset == DEFAULT_CHARSET) return false;
  return ACharset == GB2312_CHARSET || ACharset == CHINESEBIG5_CHARSET || ACharset == ARABIC_CHARSET;
}

// ---- Brushes --------------------------------------------------------------------------------

namespace {
struct SystemBrushes {
  std::vector<std::unique_ptr<TBrush>> brushes;
  HBRUSH halftone;
  SystemBrushes() {
    for (int i = 0; i < SysColorCount; ++i) {
      auto b = std::make_unique<TBrush>();
      b->SetColor(clSystemColor | i);
      brushes.push_back(std::move(b));
    }
    // Rows alternate 0xAA and 0x55 (rows padded to 16 bits).
    const WORD rows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
    HBITMAP bmp = CreateBitmap(8, 8, 1, 1, rows);
    halftone = CreatePatternBrush(bmp);
    DeleteObject(bmp);
  }
  ~SystemBrushes() { DeleteObject(halftone); }
};
// Kept until the process ends (see the painters' resources).
SystemBrushes& Brushes() {
  static SystemBrushes* b = new SystemBrushes;
  return *b;
}
}  // namespace

TBrush* GetSystemBrush(int AIndex) { return Brushes().brushes.at(static_cast<std::size_t>(AIndex)).get(); }
HBRUSH GetHalftoneBrush() { return Brushes().halftone; }
