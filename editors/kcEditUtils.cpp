#include "editors/kcEditUtils.h"

#include <algorithm>

#include "controls/kcOffice11.h"
#include "platform/win/Windows.h"

namespace {

constexpr DWORD kSystemColorFirst = 0xFF000000u, kSystemColorLast = 0xFF00001Eu;

}  // namespace

// ---- Brush cache -----------------------------------------------------------------------------

TkcSolidBrushCache::TkcSolidBrushCache(int AMaxDepth)
    : fMaxDepth(std::max(1, AMaxDepth)), fNotifier(std::make_unique<TkcSystemPaletteChangedNotifier>()) {
  fNotifier->OnSystemPaletteChanged = [this] { Clear(); };
}

TkcSolidBrushCache::~TkcSolidBrushCache() {
  fNotifier->OnSystemPaletteChanged = nullptr;
  Clear();
}

void TkcSolidBrushCache::Clear() {
  for (const Entry& e : fEntries) DeleteObject(e.Brush);
  fEntries.clear();
}

bool TkcSolidBrushCache::Contains(TColor AColor) const {
  const DWORD color = static_cast<DWORD>(AColor);
  return std::any_of(fEntries.begin(), fEntries.end(), [color](const Entry& e) { return e.Color == color; });
}

HBRUSH TkcSolidBrushCache::GetBrush(TColor AColor) {
  const DWORD color = static_cast<DWORD>(AColor);
  if (color >= kSystemColorFirst && color <= kSystemColorLast)
    return GetSysColorBrush(static_cast<int>(color - kSystemColorFirst));
  auto it =
      std::lower_bound(fEntries.begin(), fEntries.end(), color, [](const Entry& e, DWORD c) { return e.Color < c; });
  if (it != fEntries.end() && it->Color == color) {
    ++it->Count;
    return it->Brush;
  }
  std::size_t index = static_cast<std::size_t>(it - fEntries.begin());
  if (static_cast<int>(fEntries.size()) >= fMaxDepth) {
    auto least = std::min_element(fEntries.begin(), fEntries.end(),
                                  [](const Entry& a, const Entry& b) { return a.Count < b.Count; });
    const std::size_t leastIndex = static_cast<std::size_t>(least - fEntries.begin());
    DeleteObject(least->Brush);
    fEntries.erase(least);
    if (leastIndex < index) --index;
  }
  const HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  fEntries.insert(fEntries.begin() + static_cast<std::ptrdiff_t>(index), Entry{color, brush, 0});
  return brush;
}

TkcSolidBrushCache* GetSolidBrushCache() {
  // Lives to the end of the process: cells are painted until the last window goes.
  static TkcSolidBrushCache* cache = new TkcSolidBrushCache(128);
  return cache;
}

HBRUSH GetSolidBrush(TColor AColor) { return GetSolidBrushCache()->GetBrush(AColor); }

void FillRectByColor(HDC ADC, const TRect& ARect, TColor AColor) {
  const RECT r = ARect;
  FillRect(ADC, &r, GetSolidBrush(AColor));
}

void FillRectExcluding(HDC ADC, const TRect& ARect, const TRect& AInnerRect, HBRUSH ABrush) {
  if (ARect.right <= ARect.left || ARect.bottom <= ARect.top || ARect == AInnerRect) return;
  const RECT bands[] = {
      {ARect.left, ARect.top, AInnerRect.left, ARect.bottom},
      {AInnerRect.left, ARect.top, AInnerRect.right, AInnerRect.top},
      {AInnerRect.right, ARect.top, ARect.right, ARect.bottom},
      {AInnerRect.left, AInnerRect.bottom, AInnerRect.right, ARect.bottom},
  };
  for (const RECT& band : bands)
    if (!IsRectEmpty(&band)) FillRect(ADC, &band, ABrush);
}

void DrawBorders(TkcCanvas* ACanvas, TRect& ARect, TkcBorders ABorders, TColor AColor) {
  if (ABorders.Contains(bLeft)) {
    ACanvas->FillRect(TRect{ARect.left, ARect.top, ARect.left + 1, ARect.bottom}, AColor);
    ++ARect.left;
  }
  if (ABorders.Contains(bRight)) {
    ACanvas->FillRect(TRect{ARect.right - 1, ARect.top, ARect.right, ARect.bottom}, AColor);
    --ARect.right;
  }
  if (ABorders.Contains(bTop)) {
    ACanvas->FillRect(TRect{ARect.left, ARect.top, ARect.right, ARect.top + 1}, AColor);
    ++ARect.top;
  }
  if (ABorders.Contains(bBottom)) {
    ACanvas->FillRect(TRect{ARect.left, ARect.bottom - 1, ARect.right, ARect.bottom}, AColor);
    --ARect.bottom;
  }
}

// ---- Arrows ----------------------------------------------------------------------------------

TSize CalcArrowSize(const TSize& ASize, TkcArrowDirection ADirection) {
  int width = (std::min(ASize.cx, ASize.cy) - 1) / 2;
  if (width % 2 == 0) --width;
  width = std::max(width, 1);
  const int height = width / 2 + 1;
  if (ADirection == adLeft || ADirection == adRight) return TSize{height, width};
  return TSize{width, height};
}

void DrawArrows(TkcCanvas* ACanvas, const TSize& ASize, const TRect& ARect, TColor AColor, bool APressed, bool ADouble,
                TkcArrowDirection ADirection) {
  const bool vertical = ADirection == adUp || ADirection == adDown;
  const int count = ADouble ? 2 : 1;
  // The arrows side by side along their pointing axis' cross direction, one pixel apart.
  const int totalW = vertical ? ASize.cx : ASize.cx * count + (count - 1);
  const int totalH = vertical ? ASize.cy * count + (count - 1) : ASize.cy;
  int left = ARect.left + (ARect.right - ARect.left - totalW) / 2;
  int top = ARect.top + (ARect.bottom - ARect.top - totalH) / 2;
  if (APressed) ++left, ++top;
  for (int n = 0; n < count; ++n) {
    const int x0 = vertical ? left : left + n * (ASize.cx + 1);
    const int y0 = vertical ? top + n * (ASize.cy + 1) : top;
    const int lines = vertical ? ASize.cy : ASize.cx;
    const int length = vertical ? ASize.cx : ASize.cy;
    for (int i = 0; i < lines; ++i) {
      // Each line is one pixel shorter at both ends than the one before it towards the tip.
      const int shrink = (ADirection == adDown || ADirection == adRight) ? i : lines - 1 - i;
      if (vertical) {
        const int y = y0 + i;
        ACanvas->FillRect(TRect{x0 + shrink, y, x0 + length - shrink, y + 1}, AColor);
      } else {
        const int x = x0 + i;
        ACanvas->FillRect(TRect{x, y0 + shrink, x + 1, y0 + length - shrink}, AColor);
      }
    }
  }
}

int GetEllipsisDotSize(int AWidth) { return AWidth > 11 ? 2 : 1; }

// ---- Flags, colours, painters ----------------------------------------------------------------

namespace {
constexpr std::pair<UINT, int> kTextFlagPairs[] = {{DT_VCENTER, 0x1},    {DT_RIGHT, 0x2},        {DT_SINGLELINE, 0x10},
                                                   {DT_WORDBREAK, 0x20}, {DT_EXPANDTABS, 0x200}, {DT_CALCRECT, 0x100}};
}  // namespace

int ConvertDrawTextFlags(UINT ADrawTextFlags) {
  int result = 0;
  for (auto [dt, flag] : kTextFlagPairs)
    if (ADrawTextFlags & dt) result |= flag;
  return result;
}

UINT ConvertEditTextFlags(int AFlags) {
  UINT result = 0;
  for (auto [dt, flag] : kTextFlagPairs)
    if (AFlags & flag) result |= dt;
  return result;
}

TColor GetHotLightColor() { return clHotLight; }

TColor GetHighlightBorderColor(bool AOffice11) { return AOffice11 ? Office11SelectedBorderColor : clHighlight; }

TColor GetFlatButtonColor(bool APressed, bool AOffice11) {
  if (AOffice11) return APressed ? Office11PressedButtonColor : Office11HotButtonColor;
  return TkcUltraFlatLookAndFeelPainter::Instance()->GetButtonFaceColor(APressed ? kcbsPressed : kcbsHot);
}

TkcLookAndFeelPainterClass SelectPainterClass(bool ANativeStyle, TkcLookAndFeelKind AKind) {
  if (ANativeStyle && AreThemesAvailable()) return TkcWinXPLookAndFeelPainter::Instance();
  switch (AKind) {
    case lfFlat: return TkcFlatLookAndFeelPainter::Instance();
    case lfUltraFlat: return TkcUltraFlatLookAndFeelPainter::Instance();
    case lfOffice11: return TkcOffice11LookAndFeelPainter::Instance();
    default: return TkcStandardLookAndFeelPainter::Instance();
  }
}

// ---- Buttons ---------------------------------------------------------------------------------

void TkcEditButtonViewInfo::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcEditButtonViewInfo*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  Data.NativeState = source->Data.NativeState;
  Data.BackgroundColor = source->Data.BackgroundColor;
  Bounds = source->Bounds;
  Data.Style = source->Data.Style;
  Data.State = source->Data.State;
}

int GetEditButtonVertFramePart(TkcEditButtonStyle AStyle) {
  switch (AStyle) {
    case btsDefault: return 0;
    case bts3D: return 4;
    default: return 2;
  }
}

TRect GetThemeContentMargins(TkcThemedObjectType AType, int APart, int AState) {
  HTHEME theme = GetThemeHandle(AType);
  if (!theme) return TRect{};
  const RECT bounds{0, 0, 100, 100};
  RECT content = bounds;
  if (GetThemeBackgroundContentRect(theme, HDC(), APart, AState, &bounds, &content) != S_OK) return TRect{};
  return TRect{content.left, content.top, 100 - content.right, 100 - content.bottom};
}

void CalculateButtonNativeInfo(TkcEditButtonViewInfo* AViewInfo) {
  TkcEditButtonViewInfoData& d = AViewInfo->Data;
  d.NativePart = d.NativeState = 0;
  d.BackgroundPartiallyTransparent = false;
  if (!d.NativeStyle) return;
  HTHEME theme = GetThemeHandle(d.ComboBoxStyle ? totComboBox : totButton);
  if (!theme) return;
  static constexpr int states[] = {4, 1, 3, 2};  // disabled, normal, pressed, hot
  d.NativePart = 1;
  d.NativeState = states[d.State];
  d.BackgroundPartiallyTransparent = IsThemeBackgroundPartiallyTransparent(theme, d.NativePart, d.NativeState);
}

void GetOffice11ButtonGradient(TkcEditButtonState AState, TColor& ATop, TColor& ABottom) {
  switch (AState) {
    case ebsPressed:
      ATop = Office11PressedButtonColor;
      ABottom = Office11PressedButtonDarkColor;
      break;
    case ebsSelected:
      ATop = Office11HotButtonColor;
      ABottom = Office11HotButtonDarkColor;
      break;
    default:
      ATop = Office11GradientLightColor;
      ABottom = Office11GradientDarkColor;
      break;
  }
}

int CalcEditButtonWidth(TkcCanvas* ACanvas, TkcEditButtonViewInfo* AViewInfo) {
  int framePart = kcEditButtonHorzFramePart;
  if (AViewInfo->Data.NativeStyle) {
    const TRect m = GetThemeContentMargins(AViewInfo->Data.ComboBoxStyle ? totComboBox : totButton, 1, 1);
    if (GetThemeHandle(AViewInfo->Data.ComboBoxStyle ? totComboBox : totButton)) framePart = m.left + m.right;
  }
  const int scrollBar = GetSystemMetrics(SM_CYHSCROLL);
  if (AViewInfo->Width > 0) return std::max(AViewInfo->Width, framePart);
  TBitmap* glyph = AViewInfo->Glyph;
  if (AViewInfo->Data.Kind == bkGlyph && glyph && !glyph->Empty()) return glyph->Width() + framePart;
  if (AViewInfo->Data.Kind == bkText) {
    const int caption = AViewInfo->Data.VisibleCaption.empty() || !ACanvas
                            ? 0
                            : ACanvas->TextWidth(AViewInfo->Data.VisibleCaption) + framePart + 3;
    return std::max(scrollBar, caption);
  }
  return scrollBar;
}

void DrawImageListImage(TkcCanvas* ACanvas, TCustomImageList* AImages, int AIndex, const TRect& AImageRect,
                        const TRect& AClip, bool ATransparent, TColor ABackgroundColor, bool AEnabled) {
  if (!AImages || AIndex < 0 || AIndex >= AImages->Count()) return;
  const HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  ACanvas->IntersectClipRect(AClip);
  if (ATransparent) {
    AImages->Draw(ACanvas->Canvas(), AImageRect.left, AImageRect.top, AIndex, AEnabled);
  } else {
    TBitmap bitmap(AImages->Width(), AImages->Height());
    bitmap.Canvas()->Brush()->SetColor(ABackgroundColor);
    bitmap.Canvas()->FillRect(TRect{0, 0, AImages->Width(), AImages->Height()});
    AImages->Draw(bitmap.Canvas(), 0, 0, AIndex, AEnabled);
    ACanvas->Canvas()->Draw(AImageRect.left, AImageRect.top, &bitmap);
  }
  RestoreDC(dc, saved);
  if (!ATransparent) ACanvas->ExcludeClipRect(AClip);
}
