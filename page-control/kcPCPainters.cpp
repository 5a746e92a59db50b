#include "page-control/kcPCPainters.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Utf8.h"
#include "platform/gdi/WinGdi.h"

// ---- Colour maths ---------------------------------------------------------------------------

TkcHsb ColorToHsb(TColor AColor) {
  COLORREF c = ColorToRGB(AColor);
  int r = GetRValue(c), g = GetGValue(c), b = GetBValue(c);
  int mx = std::max({r, g, b}), mn = std::min({r, g, b});
  TkcHsb h;
  h.Brightness = mx * 100.0L / 255;
  h.Saturation = mx == 0 ? 0 : 100 - (mn * 100) / (long double)mx;
  if (h.Saturation == 0) return h;
  if (mx == r)
    h.Hue = (g - b) * 60.0L / (mx - mn);
  else if (mx == g)
    h.Hue = (b - r) * 60.0L / (mx - mn) + 120;
  else
    h.Hue = (r - g) * 60.0L / (mx - mn) + 240;
  if (h.Hue < 0) h.Hue += 360;
  return h;
}

TColor HsbToColor(long double AHue, long double ASaturation, long double ABrightness) {
  if (ABrightness == 0) return 0;
  long double hi = ABrightness * 255 / 100, lo = hi * (100 - ASaturation) / 100, d = hi - lo;
  long double r, g, b;
  if (AHue <= 60)
    r = hi, g = lo + d * AHue / 60, b = lo;
  else if (AHue <= 120)
    r = hi + d * (60 - AHue) / 60, g = hi, b = lo;
  else if (AHue <= 180)
    r = lo, g = hi, b = lo + d * (AHue - 120) / 60;
  else if (AHue <= 240)
    r = lo, g = hi + d * (180 - AHue) / 60, b = hi;
  else if (AHue <= 300)
    r = lo + d * (AHue - 240) / 60, g = lo, b = hi;
  else
    r = hi, g = lo, b = hi + d * (300 - AHue) / 60;
  auto byte = [](long double v) { return TColor(static_cast<long long>(v) & 0xFF); };
  return byte(r) + byte(g) * 256 + byte(b) * 65536;
}

TColor LightenColor(TColor AColor, BYTE APercent) {
  TkcHsb h = ColorToHsb(AColor);
  long double br = (APercent + 100) * h.Brightness / 100;
  if (br > 100) br = 100;
  return HsbToColor(h.Hue, h.Saturation, br);
}

namespace {
TColor gLightFaceColor = clBtnFace;
}
TColor LightFaceColor() { return gLightFaceColor; }
void UpdateLightFaceColor() {
  COLORREF c = ColorToRGB(clBtnFace);
  auto up = [](int v) { return std::min(255, v + 20); };
  gLightFaceColor = RGB(up(GetRValue(c)), up(GetGValue(c)), up(GetBValue(c)));
}

namespace {
// Made on first use and freed with the last tab control, so no device context outlives the
// platform's object tables at exit.
TkcScreenCanvas* gScreenCanvas = nullptr;
int gTabControlCount = 0;
}  // namespace

TkcCanvas* GetPaintersScreenCanvas() {
  if (!gScreenCanvas) gScreenCanvas = new TkcScreenCanvas;
  return gScreenCanvas;
}

void TabControlCreated() { ++gTabControlCount; }

void TabControlDestroyed() {
  if (--gTabControlCount == 0) {
    delete gScreenCanvas;
    gScreenCanvas = nullptr;
  }
}

void DrawBorderLines(TkcCanvas* ACanvas, TRect& R, const std::vector<TkcBorder>& ASides,
                     const std::vector<TColor>& AColors, bool AExcludeFromClip) {
  TRect original = R;
  for (std::size_t i = 0; i < ASides.size(); ++i) {
    ACanvas->Pen()->SetColor(AColors[i]);
    switch (ASides[i]) {
      case bLeft:
        ACanvas->Polyline({{R.left, R.top}, {R.left, R.bottom}});
        ++R.left;
        break;
      case bTop:
        ACanvas->Polyline({{R.left, R.top}, {R.right, R.top}});
        ++R.top;
        break;
      case bRight:
        ACanvas->Polyline({{R.right - 1, R.top}, {R.right - 1, R.bottom}});
        --R.right;
        break;
      case bBottom:
        ACanvas->Polyline({{R.left, R.bottom - 1}, {R.right, R.bottom - 1}});
        --R.bottom;
        break;
    }
  }
  if (AExcludeFromClip) {
    auto* rgn = new TkcRegion(original);
    rgn->CombineWith(new TkcRegion(R), roSubtract);
    ACanvas->SetClipRegion(rgn, roSubtract);
  }
}

void GetOrientedRectSize(const TRect& R, bool AHorizontal, int& AWidth, int& AHeight) {
  AWidth = R.right - R.left;
  AHeight = R.bottom - R.top;
  if (!AHorizontal) std::swap(AWidth, AHeight);
}

TkcRegion* CreateFigureRegion(TPoints P, const TLinePositions& LP, bool ALeftTopSides) {
  auto has = [&](TLinePosition X) { return std::find(LP.begin(), LP.end(), X) != LP.end(); };
  for (std::size_t i = 0; i < LP.size() && i + 1 < P.size(); ++i) {
    TPoint& a = P[i];
    TPoint& b = P[i + 1];
    if (ALeftTopSides) switch (LP[i]) {
        case lpL:
          ++a.x, ++b.x;
          if (has(lpLB)) ++a.y;
          if (has(lpLT)) --b.y;
          break;
        case lpLT:
          if (has(lpL))
            ++a.y;
          else
            ++a.x;
          if (has(lpT))
            ++b.x;
          else
            ++b.y;
          break;
        case lpT:
          ++a.y, ++b.y;
          if (has(lpLT)) --a.x;
          if (has(lpRT)) ++b.x;
          break;
        case lpLB:
          if (has(lpB))
            ++a.x;
          else
            --a.y;
          if (has(lpL))
            --b.y;
          else
            ++b.x;
          break;
        default: break;
      }
    else
      switch (LP[i]) {
        case lpRT:
          if (has(lpT))
            ++a.x;
          else
            --a.y;
          if (has(lpR))
            --b.y;
          else
            ++b.x;
          break;
        case lpR:
          ++a.x, ++b.x;
          if (has(lpRT)) ++a.y;
          if (has(lpRB)) --b.y;
          break;
        case lpRB:
          if (has(lpR))
            ++a.y;
          else
            ++a.x;
          if (has(lpB))
            ++b.x;
          else
            ++b.y;
          break;
        case lpB:
          ++a.y, ++b.y;
          if (has(lpRB)) --a.x;
          if (has(lpLB)) ++b.x;
          break;
        default: break;
      }
  }
  std::vector<POINT> raw(P.begin(), P.end());
  return new TkcRegion(CreatePolygonRgn(raw.data(), int(raw.size()), WINDING));
}

void AppendFigurePoints(TPoints& APoints, const TPoints& ANewPoints, TLinePositions& ALinePositions,
                        const TLinePositions& ANewLinePositions) {
  APoints.insert(APoints.end(), ANewPoints.begin(), ANewPoints.end());
  ALinePositions.insert(ALinePositions.end(), ANewLinePositions.begin(), ANewLinePositions.end());
}

// ---- Rotated tab images ---------------------------------------------------------------------

void TkcPCImageList::SetBaseImages(TCustomImageList* Value) {
  if (fBaseImages == Value) return;
  fBaseImages = Value;
  Changed();
}

void TkcPCImageList::SetRotationAngle(int Value) {
  fRotationAngle = Value;
  Changed();
}

void TkcPCImageList::Changed() {
  fRotatedImages.clear();
  if (fRotationAngle != 0 && fBaseImages && fBaseImages->Count() > 0) fRotatedImages.resize(fBaseImages->Count());
  if (OnChange) OnChange(nullptr);
}

TSize TkcPCImageList::GetSize() const {
  if (fBaseImages && fBaseImages->Width() > 0 && fBaseImages->Height() > 0)
    return {fBaseImages->Width(), fBaseImages->Height()};
  return {0, 0};
}

TSize TkcPCImageList::GetRotatedSize() const {
  TSize s = GetSize();
  if (fRotationAngle != 0) std::swap(s.cx, s.cy);
  return s;
}

void TkcPCImageList::Draw(TkcCanvas* ACanvas, int X, int Y, int AIndex, bool AEnabled, TColor ABackgroundColor) {
  if (!fBaseImages || fBaseImages->Count() == 0) throw Exception("TkcPCImageList.Draw: BaseImages is not assigned");
  if (AIndex < 0 || AIndex >= fBaseImages->Count())
    throw Exception(
        Format("TkcPCImageList.Draw: Index (%d) must be between 0 and %d", {AIndex, fBaseImages->Count() - 1}));
  if (fRotationAngle == 0 || AIndex >= int(fRotatedImages.size())) {
    fBaseImages->Draw(ACanvas->Canvas(), X, Y, AIndex, AEnabled);
    return;
  }
  // The cache is keyed by the enabled state too: a disabled picture must not outlive the
  // disabled tab it was made for.
  TRotated& e = fRotatedImages[AIndex];
  if (!e.Valid || e.Color != ABackgroundColor || e.Enabled != AEnabled) {
    e.Bitmap = std::make_unique<TBitmap>(fBaseImages->Width(), fBaseImages->Height());
    TkcCanvas c(e.Bitmap->Canvas());
    c.FillRect(Rect(0, 0, fBaseImages->Width(), fBaseImages->Height()), ABackgroundColor);
    fBaseImages->Draw(e.Bitmap->Canvas(), 0, 0, AIndex, AEnabled);
    TkcCanvas::RotateBitmap(e.Bitmap.get(), fRotationAngle, false);
    e.Color = ABackgroundColor;
    e.Enabled = AEnabled;
    e.Valid = true;
  }
  ACanvas->Draw(X, Y, e.Bitmap.get());
}

// ---- The base painter -----------------------------------------------------------------------

TkcPCCustomPainter::TkcPCCustomPainter(TkcCustomTabControl* AParent) : fParent(AParent) {}
TkcPCCustomPainter::~TkcPCCustomPainter() = default;

TkcPCImageList* TkcPCCustomPainter::ImageList() const { return fParent->ImageList(); }

TkcCanvas* TkcPCCustomPainter::Canvas() const { return fParent->Canvas(); }
TkcTab* TkcPCCustomPainter::VisibleTab(int AVisibleIndex) const {
  return fParent->VisibleTabs()->GetTab(AVisibleIndex);
}

void TkcPCCustomPainter::SaveClipRegion() { fClipRegionStack.emplace_back(Canvas()->GetClipRegion()); }

void TkcPCCustomPainter::RestoreClipRegion() {
  if (fClipRegionStack.empty()) return;
  Canvas()->SetClipRegion(fClipRegionStack.back().release(), roSet);
  fClipRegionStack.pop_back();
}

bool TkcPCCustomPainter::SetClipRect(const TRect& R, bool AIntersect) {
  if (IsRectEmpty(&R) || (AIntersect && !Canvas()->RectVisible(R))) return false;
  SaveClipRegion();
  Canvas()->SetClipRegion(new TkcRegion(R), AIntersect ? roIntersect : roSet);
  return true;
}

void TkcPCCustomPainter::DrawPolyline(const std::vector<TPoint>& APoints, TColor AColor, TkcCanvas* ACanvas) {
  TkcCanvas* c = ACanvas ? ACanvas : Canvas();
  c->Pen()->SetColor(AColor);
  c->Polyline(APoints);
  TPoint last = APoints.back();
  c->Polyline({last, {last.x + 1, last.y}});
}

TPoint TkcPCCustomPainter::RotatePointToSide(const TRect& R, TPoint P, TkcTabPosition ASide) {
  switch (ASide) {
    case tpTop: return P;
    case tpBottom: return {P.x, R.bottom - 1 - (P.y - R.top)};
    case tpLeft: return {P.y + R.right - R.bottom, R.bottom - 1 - (P.x - R.left)};
    case tpRight: return {R.left + R.bottom - 1 - P.y, R.bottom - 1 - (P.x - R.left)};
  }
  return P;
}

void TkcPCCustomPainter::DrawRotatedPolyline(const TRect& R, std::vector<TPoint> APoints, TColor AColor,
                                             TkcTabPosition ASide) {
  for (TPoint& p : APoints) p = RotatePointToSide(R, p, ASide);
  DrawPolyline(APoints, AColor);
}

TRect TkcPCCustomPainter::InflateRotatedRect(const TRect& R, const TkcPCMargins& M, TkcTabPosition ASide) {
  TRect m = M;
  switch (ASide) {
    case tpTop: break;
    case tpBottom: m = {M.right, M.bottom, M.left, M.top}; break;
    case tpLeft: m = {M.top, M.right, M.bottom, M.left}; break;
    case tpRight: m = {M.bottom, M.left, M.top, M.right}; break;
  }
  TRect r{R.left + m.left, R.top + m.top, R.right - m.right, R.bottom - m.bottom};
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  return r;
}

TRect TkcPCCustomPainter::GetPageClientRect() {
  TkcPCMargins m{};
  GetPageClientRectOffset(m);
  return InflateRotatedRect(fParent->GetControlRect(), m, fParent->TabPosition());
}

TRect TkcPCCustomPainter::GetPageClientRectWithoutLines() {
  TkcPCMargins m{};
  GetTabLinesOffset(m);
  return InflateRotatedRect(fParent->GetControlRect(), m, fParent->TabPosition());
}

void TkcPCCustomPainter::GetTabBoundsCorrection(int, TRect& ADeltas) { ADeltas = {}; }

TColor TkcPCCustomPainter::GetPageColor() {
  int main = fParent->MainTabVisibleIndex;
  if (main == -1) return fParent->Color();
  TControl* page = fParent->GetTabPage(VisibleTab(main)->Index());
  return page ? page->Color() : fParent->Color();
}

void TkcPCCustomPainter::FillPageClientRect() { Canvas()->FillRect(GetPageClientRect(), GetPageColor()); }

void TkcPCCustomPainter::GetPageClientRectOffset(TkcPCMargins& AMargins) {
  GetTabLinesOffset(AMargins);
  if (IsFrameVisible()) {
    int w = GetFrameWidth();
    AMargins.left += w;
    AMargins.top += w;
    AMargins.right += w;
    AMargins.bottom += w;
  }
}

void TkcPCCustomPainter::GetTabLinesOffset(TkcPCMargins& M) {
  M = {};
  TkcCustomTabControl* c = fParent;
  if (c->HideTabs() || c->LineCount == 0) return;
  bool after = c->TopOrLeftPartLineCount < c->LineCount;
  bool before = c->TopOrLeftPartLineCount > 0;
  int W = c->Width(), H = c->Height();
  switch (c->TabPosition()) {
    case tpTop:
      M.top = c->TopOrLeftPartRect.bottom;
      if (after) M.bottom = H - c->BottomOrRightPartRect.top;
      break;
    case tpLeft:
      M.top = c->TopOrLeftPartRect.right;
      if (after) M.bottom = W - c->BottomOrRightPartRect.left;
      break;
    case tpBottom:
      M.top = H - c->BottomOrRightPartRect.top;
      if (before) M.bottom = c->TopOrLeftPartRect.bottom;
      break;
    case tpRight:
      M.top = W - c->BottomOrRightPartRect.left;
      if (before) M.bottom = c->TopOrLeftPartRect.right;
      break;
  }
}

TColor TkcPCCustomPainter::GetTabDefinedColor(int AVisibleIndex) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  TColor color = tab->Color();
  if (color == clDefault) {
    TControl* page = fParent->GetTabPage(tab->Index());
    if (page && (fParent->Options().Contains(pcoUsePageColorForTab) || UsePageColorForTabs()) && !page->ParentColor())
      color = page->Color();
  }
  return color;
}

TkcRegion* TkcPCCustomPainter::GetTabClipRegion(int AVisibleIndex) {
  return new TkcRegion(VisibleTab(AVisibleIndex)->GetDisplayRect());
}

void TkcPCCustomPainter::PaintContent() {
  if (!fParent->HideTabs()) {
    PaintNavigator();
    PaintTabs();
  }
  PaintPageClientArea();
}

void TkcPCCustomPainter::InvalidateTabRect(int AVisibleIndex) {
  InvalidateRectInControl(VisibleTab(AVisibleIndex)->GetDisplayRect());
}

bool TkcPCCustomPainter::IsFrameVisible() { return fParent->ShowFrame(); }

void TkcPCCustomPainter::PaintPageClientArea() {
  if (IsFrameVisible()) PaintFrame();
  FillPageClientRect();
  Canvas()->ExcludeClipRect(GetPageClientRectWithoutLines());
}

bool TkcPCCustomPainter::CallDrawTabEvent(int AVisibleIndex) {
  bool defaultDraw = true;
  if (fParent->OnDrawTab) fParent->OnDrawTab(fParent, VisibleTab(AVisibleIndex), defaultDraw);
  return !defaultDraw;
}

bool TkcPCCustomPainter::IsOwnerDrawn() const { return fParent->OwnerDraw() && bool(fParent->OnDrawTab); }

bool TkcPCCustomPainter::HasTabImage(int AVisibleIndex) {
  TSize s = GetImageSize();
  return s.cx > 0 && s.cy > 0 && fParent->GetImageIndex(VisibleTab(AVisibleIndex)->Index()) >= 0;
}

TSize TkcPCCustomPainter::GetImageSize() const { return ImageList()->GetSize(); }
TSize TkcPCCustomPainter::GetRotatedImageSize() const { return ImageList()->GetRotatedSize(); }

int TkcPCCustomPainter::GetTabThemeState(int AVisibleIndex) {
  TkcTab* t = VisibleTab(AVisibleIndex);
  return t->IsMainTab() ? 3 : t->IsHotTrack() ? 2 : 1;
}

TRect TkcPCCustomPainter::GetThemedFrameOffsets() {
  RECT bounds{0, 0, 100, 100}, content{};
  if (GetThemeBackgroundContentRect(GetThemeHandle(totTab), Canvas()->Handle(), 9, 0, &bounds, &content) != S_OK)
    return {};
  TRect m{content.left, content.top, 100 - content.right, 100 - content.bottom};
  if (IsLunaOrRoyaleTheme()) {
    int k = std::max(m.left, m.top);
    m = {k, k, 2 * k, 2 * k};
  }
  return m;
}

TColor TkcPCCustomPainter::GetTabTextColor(int AVisibleIndex) {
  if (AVisibleIndex < 0 || AVisibleIndex >= fParent->VisibleTabs()->Count()) return clBtnText;
  TkcTab* t = VisibleTab(AVisibleIndex);
  if (t->Highlighted()) return clHighlightText;
  if (t->IsHotTrack()) return GetHotTrackTextColor();
  return clBtnText;
}

int TkcPCCustomPainter::MeasureCaption(TkcTab* ATab) {
  TkcCanvas* c = GetPaintersScreenCanvas();
  fParent->PrepareTabCanvasFont(ATab, c);
  TRect r{0, 0, 0, 0};
  ::DrawText(c->Handle(), ATab->Caption(), &r, DT_SINGLELINE | DT_CALCRECT);
  return int(r.right - r.left);
}

int TkcPCCustomPainter::GetMaxTabTextHeight() {
  int h = 0;
  TkcCanvas* c = GetPaintersScreenCanvas();
  for (int i = 0; i < fParent->VisibleTabs()->Count(); ++i) {
    fParent->PrepareTabCanvasFont(VisibleTab(i), c);
    h = std::max(h, c->TextHeight("Zg"));
  }
  return h;
}

void TkcPCCustomPainter::InvalidateRectInControl(const TRect& R) {
  if (fParent->HandleAllocated() && !IsRectEmpty(&R)) fParent->InvalidateRect(R, false);
}

void TkcPCCustomPainter::InvalidateTabFullRect(int AVisibleIndex) {
  InvalidateRectInControl(VisibleTab(AVisibleIndex)->GetFullRect());
}

void TkcPCCustomPainter::ExcludeTabContentFromClip() {
  const TRect& a = TabContentData.ImageRect;
  const TRect& b = TabContentData.TextRect;
  if (IsRectEmpty(&a) && IsRectEmpty(&b)) return;
  TRect u = IsRectEmpty(&a)   ? b
            : IsRectEmpty(&b) ? a
                              : TRect{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                                      std::max(a.bottom, b.bottom)};
  if (IsRectEmpty(&u) || TabContentData.VisibleIndex < 0) return;
  auto* rgn = new TkcRegion(u);
  rgn->CombineWith(GetTabClipRegion(TabContentData.VisibleIndex), roIntersect);
  Canvas()->SetClipRegion(rgn, roSubtract);
}

String FitCaptionText(TkcCanvas* ACanvas, const String& ACaption, int AWidth, int& AFittedWidth) {
  auto width = [&](const String& s) {
    TRect r{0, 0, 0, 0};
    ::DrawText(ACanvas->Handle(), s, &r, DT_SINGLELINE | DT_CALCRECT);
    return int(r.right - r.left);
  };
  AFittedWidth = width(ACaption);
  if (AFittedWidth <= AWidth) return ACaption;
  // The longest whole-character prefix that fits with "..." after it (binary search over
  // character boundaries, so a multi-byte character is never split).
  std::size_t chars = Utf8Length(ACaption);
  std::size_t lo = 0, hi = chars;
  while (lo < hi) {
    std::size_t mid = (lo + hi + 1) / 2;
    if (width(Utf8Copy(ACaption, 0, mid) + "...") <= AWidth)
      lo = mid;
    else
      hi = mid - 1;
  }
  String shown = Utf8Copy(ACaption, 0, lo) + "...";
  AFittedWidth = width(shown);
  if (AFittedWidth > AWidth || shown == "&...") {
    AFittedWidth = 0;
    return {};
  }
  return shown;
}

void TkcPCCustomPainter::AdjustTextMargins(int AVisibleIndex, int M[2], bool AHasImages) {
  int d = fParent->GetPaintingTextDirection();
  if (IsButtonStyle() && IsTabDown(AVisibleIndex)) {
    if (d == 1)
      --M[0], ++M[1];
    else
      ++M[0], --M[1];
  }
  if (IsButtonStyle() && AHasImages && fParent->GetTextDirection() == 1) ++M[0], --M[1];
}

void TkcPCCustomPainter::CalculateTabContentRects(int AVisibleIndex) {
  TkcTab* tab = VisibleTab(AVisibleIndex);
  TSize isz = GetImageSize();
  bool hasImages = isz.cx > 0 && isz.cy > 0;
  bool hasImage = HasTabImage(AVisibleIndex);
  TRect rect = tab->GetFullRect();
  int d = fParent->GetPaintingTextDirection();
  TSize rsz = GetRotatedImageSize();
  TRect imageRect{}, textRect{};
  auto across = [&](int offsets[4], int extent, TRect& out) {
    int nearO = offsets[1], farO = offsets[3];
    if (IsButtonStyle()) {
      bool down = IsTabDown(AVisibleIndex);
      if (d == 2 ? !down : down) ++nearO, --farO;
    } else if (fParent->Rotate())
      nearO = farO = 0;
    int kind = tab->PaintingKind();
    if (MirrorsTabContentOffsets() && (kind == 5 || kind == 7 || kind == 10)) std::swap(nearO, farO);
    if (d == 0) {
      out.top = rect.top + nearO;
      out.bottom = rect.bottom - farO;
      out.top += (out.bottom - out.top - extent) / 2;
      out.bottom = out.top + extent;
    } else if (d == 1) {
      out.left = rect.left + nearO;
      out.right = rect.right - farO;
      out.left += (out.right - out.left - extent) / 2;
      out.right = out.left + extent;
    } else {
      out.left = rect.left + farO;
      out.right = rect.right - nearO;
      out.right -= (out.right - out.left - extent) / 2;
      out.left = out.right - extent;
    }
  };
  if (hasImage) {
    int o[4];
    GetTabImageOffsets(AVisibleIndex, o);
    across(o, d == 0 ? rsz.cy : rsz.cx, imageRect);
  }
  const String& caption = tab->Caption();
  if (!caption.empty()) {
    int o[4];
    GetTabTextOffsets(AVisibleIndex, o);
    across(o, Canvas()->TextHeight("Zg"), textRect);
    int avail = d == 0 ? rect.right - rect.left : rect.bottom - rect.top;
    int m[2];
    GetTabTextMargins(AVisibleIndex, m);
    AdjustTextMargins(AVisibleIndex, m, hasImages);
    avail -= m[0] + m[1];
    int imagePart = 0;
    if (hasImage || (hasImages && fParent->Rotate()))
      imagePart = GetImageTextDistance(AVisibleIndex) + 2 * fParent->ImageBorder() + (d == 0 ? rsz.cx : rsz.cy);
    bool cut = false;
    TRect ext{0, 0, 0, 0};
    ::DrawText(Canvas()->Handle(), caption, &ext, DT_SINGLELINE | DT_CALCRECT);
    if (ext.right - ext.left > avail - imagePart) {
      cut = true;
      avail += m[0] + m[1];
      GetTabCutTextMargins(AVisibleIndex, m);
      AdjustTextMargins(AVisibleIndex, m, hasImages);
      avail -= m[0] + m[1];
    }
    int fitted = 0;
    FitCaptionText(Canvas(), caption, avail - imagePart, fitted);
    int content = imagePart + fitted;
    if (content <= 0) {
      imageRect = textRect = {};
    } else {
      // Along the axis: left to right (d 0), bottom to top (d 1), top to bottom (d 2).
      int start = d == 0 ? rect.left + m[0] : d == 1 ? rect.bottom - m[0] : rect.top + m[0];
      int dir = d == 1 ? -1 : 1;
      int rectEnd = d == 0 ? rect.right - m[1] : d == 1 ? rect.top + m[1] : rect.bottom - m[1];
      if (!cut && !(hasImages && fParent->Rotate())) start += dir * ((avail - content) / 2);
      auto setAlong = [&](TRect& r, int a, int len) {
        if (d == 0)
          r.left = a, r.right = a + len;
        else if (d == 1)
          r.bottom = a, r.top = a - len;
        else
          r.top = a, r.bottom = a + len;
      };
      if (hasImage) setAlong(imageRect, start + dir * fParent->ImageBorder(), d == 0 ? rsz.cx : rsz.cy);
      if (hasImage || (hasImages && fParent->Rotate())) start += dir * imagePart;
      if (hasImages && fParent->Rotate() && !cut) start += dir * ((std::abs(rectEnd - start) - fitted) / 2);
      setAlong(textRect, start, fitted);
    }
  } else if (hasImage) {
    int m[2];
    GetTabImageOnlyOffsets(AVisibleIndex, m);
    AdjustTextMargins(AVisibleIndex, m, true);
    int len = d == 0 ? rsz.cx : rsz.cy;
    if (d == 0) {
      int a = rect.left + m[0], b = rect.right - m[1];
      imageRect.left = a + (b - a - len) / 2;
      imageRect.right = imageRect.left + len;
    } else if (d == 1) {
      int a = rect.bottom - m[0], b = rect.top + m[1];
      if (IsButtonStyle()) {
        imageRect.top = b + (a - b - len) / 2;
        imageRect.bottom = imageRect.top + len;
      } else {
        imageRect.bottom = a - (a - b - len) / 2;
        imageRect.top = imageRect.bottom - len;
      }
    } else {
      int a = rect.top + m[0], b = rect.bottom - m[1];
      imageRect.top = a + (b - a - len) / 2;
      imageRect.bottom = imageRect.top + len;
    }
  }
  SetTabContentRects(AVisibleIndex, imageRect, textRect);
}

void TkcPCCustomPainter::RenderCaption(TkcCanvas* ACanvas, const String& ACaption, TRect R, bool AEnabled) {
  // A disabled caption is embossed: highlight one pixel down and right, shadow on top.
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawText(ACaption, R, kctfSingleLine | kctfEndEllipsis | kctfShowPrefix, AEnabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

// The caption is composed on a bitmap of the tab's colour (or the style's background), since
// the tab body is painted after its content and around it.
void TkcPCCustomPainter::DrawCaption(const String& ACaption, const TRect& R, bool AEnabled, TColor AColor) {
  if (IsNativePainting()) {
    int part, state;
    GetTabThemeParts(TabContentData.VisibleIndex, part, state);
    TRect r = R;
    if (AEnabled)
      DrawThemeText(GetThemeHandle(totTab), Canvas()->Handle(), part, state, Utf8ToWide(ACaption), -1,
                    DT_SINGLELINE | DT_END_ELLIPSIS, 0, &r);
    else
      RenderCaption(Canvas(), ACaption, R, false);
    return;
  }
  int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  TBitmap bmp(w, h);
  TkcCanvas c(bmp.Canvas());
  c.FillRect(Rect(0, 0, w, h), AColor == clDefault ? fParent->Color() : AColor);
  FillTextBitmapBackground(&bmp, TabContentData.TextRect, TabContentData.VisibleIndex);
  c.SetFont(Canvas()->Font());
  RenderCaption(&c, ACaption, Rect(0, 0, w, h), AEnabled);
  Canvas()->Draw(R.left, R.top, &bmp);
}

void TkcPCCustomPainter::DrawRotatedCaption(TkcTab* ATab, const TRect& R, bool AEnabled, TColor AColor) {
  int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  if (!ATab->RotatedTextCache) {
    auto bmp = std::make_unique<TBitmap>(h, w);
    TkcCanvas c(bmp->Canvas());
    c.FillRect(Rect(0, 0, h, w), AColor == clDefault ? fParent->Color() : AColor);
    FillTextBitmapBackground(bmp.get(), TabContentData.TextRect, TabContentData.VisibleIndex);
    c.SetFont(Canvas()->Font());
    RenderCaption(&c, ATab->Caption(), Rect(0, 0, h, w), AEnabled);
    TkcCanvas::RotateBitmap(bmp.get(), fParent->GetTextDirection() == 1 ? 1 : 2, false);
    ATab->RotatedTextCache = std::move(bmp);
  }
  Canvas()->Draw(R.left, R.top, ATab->RotatedTextCache.get());
}

void TkcPCCustomPainter::FillCaptionBitmapGradient(TBitmap* ABitmap, const TRect& ATextRect, TRect AGradientRect,
                                                   TColor C1, TColor C2, bool AAlongX) {
  TRect& F = AGradientRect;
  OffsetRect(&F, -ATextRect.left, -ATextRect.top);
  if (fParent->GetPaintingTextDirection() != 0) {
    // A vertical caption is drawn across and then turned a quarter (1: counter-clockwise, bottom
    // to top; 2: clockwise): the tab's rectangle and its gradient go into the caption's frame
    // before the turn, so that after it they lie where the tab's own do.
    const int w = ATextRect.right - ATextRect.left, h = ATextRect.bottom - ATextRect.top;
    const int rotation = fParent->GetTextDirection() == 1 ? 1 : 2;
    F = rotation == 1 ? TRect{h - F.bottom, F.left, h - F.top, F.right} : TRect{F.top, w - F.right, F.bottom, w - F.left};
    if (rotation == 1 ? !AAlongX : AAlongX) std::swap(C1, C2);
    AAlongX = !AAlongX;
  }
  FillGradientRect(ABitmap->Canvas()->Handle(), F, C1, C2, AAlongX);
}

void TkcPCCustomPainter::DrawTabImageAndText(int AVisibleIndex) {
  TabContentData.VisibleIndex = AVisibleIndex;
  TkcTab* tab = VisibleTab(AVisibleIndex);
  fParent->PrepareTabCanvasFont(tab, Canvas());
  CalculateTabContentRects(AVisibleIndex);
  TColor color = GetTabColor(AVisibleIndex);
  bool enabled = tab->RealEnabled();
  int image = fParent->GetImageIndex(tab->Index());
  if (image != -1 && !IsRectEmpty(&TabContentData.ImageRect))
    ImageList()->Draw(Canvas(), TabContentData.ImageRect.left, TabContentData.ImageRect.top, image, enabled, color);
  if (!tab->Caption().empty() && !IsRectEmpty(&TabContentData.TextRect)) {
    if (fParent->GetPaintingTextDirection() != 0)
      DrawRotatedCaption(tab, TabContentData.TextRect, enabled, color);
    else
      DrawCaption(tab->Caption(), TabContentData.TextRect, enabled, color);
  }
  if (!IsNativePainting()) ExcludeTabContentFromClip();
}
