#include "controls/kcLookAndFeelPainters.h"

#include <algorithm>

#include "controls/kcOffice11.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"
#include "platform/gdi/GdiResources.h"
#include "platform/gdi/ImageList.h"

namespace {

TRect Shrink(TRect R, int D) {
  InflateRect(&R, -D, -D);
  return R;
}

TRect ShrinkSides(TRect R, int D, TkcBorders ABorders) {
  if (ABorders.Contains(bLeft)) R.left += D;
  if (ABorders.Contains(bTop)) R.top += D;
  if (ABorders.Contains(bRight)) R.right -= D;
  if (ABorders.Contains(bBottom)) R.bottom -= D;
  return R;
}

TkcButtonState HotAsNormal(TkcButtonState AState) { return AState == kcbsHot ? kcbsNormal : AState; }

// The arrow directions of the two arrow buttons of a scroll bar.
TkcArrowDirection ScrollArrowDirection(bool AHorizontal, TkcScrollBarPart APart) {
  if (AHorizontal) return APart == sbpLineUp ? adLeft : adRight;
  return APart == sbpLineUp ? adUp : adDown;
}

void FillPageArea(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  ACanvas->FillRect(R, GetPageAreaBitmap(AState == kcbsPressed));
}

// The common start of scroll-bar parts: nothing for an empty rectangle or a disabled thumb, and
// page areas are the half-tone bitmaps. Answers whether the part is done.
bool PaintCommonScrollBarPart(TkcCanvas* ACanvas, const TRect& R, TkcScrollBarPart APart, TkcButtonState AState) {
  if (IsRectEmpty(&R) || (APart == sbpThumbnail && AState == kcbsDisabled)) return true;
  if (APart != sbpPageUp && APart != sbpPageDown) return false;
  FillPageArea(ACanvas, R, AState);
  return true;
}

// A line of one pixel along a side of R.
void SideLine(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TColor AColor) {
  ACanvas->FrameRect(R, AColor, 1, TkcBorders{ASide});
}

}  // namespace

int KcAlignmentTextFlags(TAlignment AHorz, TkcAlignmentVert AVert, bool AMultiLine, bool AShowEndEllipsis) {
  static const int horz[] = {kctfLeft, kctfRight, kctfHCenter};
  static const int vert[] = {kctfTop, kctfBottom, kctfVCenter};
  int flags = horz[AHorz] | vert[AVert] | (AMultiLine ? kctfWordBreak : kctfSingleLine);
  if (AShowEndEllipsis) flags |= kctfEndEllipsis;
  return flags;
}

// ---- TkcCustomLookAndFeelPainter ------------------------------------------------------------

#define KC_DEFINE_PAINTER_COLOR(Name, Base) \
  TColor TkcCustomLookAndFeelPainter::Name() { return Base; }
KC_PAINTER_DEFAULT_COLORS(KC_DEFINE_PAINTER_COLOR)

TkcCustomLookAndFeelPainter* TkcCustomLookAndFeelPainter::Instance() {
  static TkcCustomLookAndFeelPainter p;
  return &p;
}

void TkcCustomLookAndFeelPainter::DrawTriangle(TkcCanvas* ACanvas, const TkcArrowPoints& P, TColor AColor) {
  ACanvas->Brush()->SetStyle(bsSolid);
  ACanvas->SetBrushColor(AColor);
  ACanvas->Pen()->SetColor(AColor);
  ACanvas->Polygon({P[0], P[1], P[2]});
}

void TkcCustomLookAndFeelPainter::DrawDropDownArrow(TkcCanvas* ACanvas, const TRect& R, TColor AColor) {
  int w = (R.right - R.left) / 2;
  if (w % 2 == 0) ++w;
  int h = w / 2 + 1;
  int x0 = (R.left + R.right - w) / 2;
  int y0 = MulDiv(R.top + R.bottom - h, 1, 2);
  DrawTriangle(ACanvas, {TPoint{x0, y0}, TPoint{x0 + w - 1, y0}, TPoint{x0 + w / 2, y0 + h - 1}}, AColor);
}

void TkcCustomLookAndFeelPainter::CalculateArrowPoints(TRect R, TkcArrowPoints& P, TkcArrowDirection ADirection,
                                                       bool AMakeSquare) {
  if (AMakeSquare) {
    int d = (R.right - R.left) - (R.bottom - R.top);
    if (d > 0) {
      R.left += d / 2;
      R.right -= d / 2;
    } else {
      R.top += (-d) / 2;
      R.bottom -= (-d) / 2;
    }
  }
  int w, h;
  if (ADirection == adUp || ADirection == adDown) {
    w = (R.right - R.left - 1) / 2;
    if (w % 2 == 0) ++w;
    h = w / 2 + 1;
  } else {
    h = (R.bottom - R.top - 1) / 2;
    if (h % 2 == 0) ++h;
    w = h / 2 + 1;
  }
  int x0 = (R.left + R.right - w) / 2, y0 = MulDiv(R.top + R.bottom - h, 1, 2);
  int cx = (R.left + R.right - 1) / 2, cy = (R.top + R.bottom) / 2;
  switch (ADirection) {
    case adUp: P = {TPoint{cx, y0}, TPoint{x0, y0 + h - 1}, TPoint{x0 + w - 1, y0 + h - 1}}; break;
    case adDown: P = {TPoint{x0, y0}, TPoint{x0 + w - 1, y0}, TPoint{cx, y0 + h - 1}}; break;
    case adLeft: P = {TPoint{x0, cy}, TPoint{x0 + w - 1, y0}, TPoint{x0 + w - 1, y0 + h - 1}}; break;
    case adRight: P = {TPoint{x0, y0}, TPoint{x0 + w - 1, cy}, TPoint{x0, y0 + h - 1}}; break;
  }
}

void TkcCustomLookAndFeelPainter::DrawArrow(TkcCanvas* ACanvas, const TRect& R, TkcArrowDirection ADirection,
                                            TColor AColor) {
  TkcArrowPoints p;
  CalculateArrowPoints(R, p, ADirection, true);
  DrawTriangle(ACanvas, p, AColor);
}

void TkcCustomLookAndFeelPainter::DrawArrowButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                  TkcArrowDirection ADirection, bool AIsButton) {
  if (AIsButton)
    DrawButtonFaceAndBorder(ACanvas, R, AState);
  else
    ACanvas->FillRect(R, GetButtonFaceColor(AState));
  TkcArrowPoints p;
  CalculateArrowPoints(R, p, ADirection, false);
  DrawTriangle(ACanvas, p, GetButtonGlyphColor(AState));
}

void TkcCustomLookAndFeelPainter::DrawButtonFaceAndBorder(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  ACanvas->FillRect(R, GetButtonFaceColor(AState));
  DrawButtonFrame(ACanvas, R, AState);
}

void TkcCustomLookAndFeelPainter::DrawStateArrow(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                 TkcArrowDirection ADirection) {
  TRect r = R;
  if (AState == kcbsPressed) OffsetRect(&r, GetButtonPressedShift(), GetButtonPressedShift());
  TkcArrowPoints p;
  CalculateArrowPoints(r, p, ADirection, true);
  if (AState == kcbsDisabled) {
    TkcArrowPoints shifted = p;
    for (auto& pt : shifted) pt.x += 1, pt.y += 1;
    DrawTriangle(ACanvas, shifted, clBtnHighlight);
    DrawTriangle(ACanvas, p, clBtnShadow);
  } else {
    DrawTriangle(ACanvas, p, GetButtonGlyphColor(AState));
  }
}

TRect TkcCustomLookAndFeelPainter::GetButtonFocusRectangle(TkcCanvas*, const TRect& R) {
  TRect r = Shrink(R, 4);
  return IsRectEmpty(&r) ? R : r;
}

TRect TkcCustomLookAndFeelPainter::GetButtonGroupBorderWidths(int, int) {
  int w = GetButtonBorderWidth(kcbsNormal);
  return TRect{w, w, w, w};
}

TColor TkcCustomLookAndFeelPainter::GetButtonGlyphColor(TkcButtonState AState, TColor ADefault) {
  if (AState == kcbsDisabled) return clBtnShadow;
  return ADefault == clDefault ? clBtnText : ADefault;
}

void TkcCustomLookAndFeelPainter::DrawButton(TkcCanvas* ACanvas, const TRect& R, const String& ACaption,
                                             TkcButtonState AState, bool ADrawBorder, TColor AColor,
                                             TColor ATextColor) {
  TRect r = R;
  if (ADrawBorder) {
    DrawButtonFrame(ACanvas, r, AState);
    r = Shrink(r, GetButtonBorderWidth(AState));
  }
  ACanvas->FillRect(r, AColor == clDefault ? GetButtonFaceColor(AState) : AColor);
  ACanvas->Font()->SetColor(ATextColor == clDefault ? GetButtonGlyphColor(AState) : ATextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  if ((r.bottom - r.top) % 2 == 1) {
    --r.bottom;
    if (r.bottom - r.top < 18) --r.top;
  }
  if (AState == kcbsPressed) OffsetRect(&r, GetButtonPressedShift(), GetButtonPressedShift());
  ACanvas->DrawText(ACaption, r, kctfHCenter | kctfVCenter | kctfSingleLine | kctfShowPrefix, AState != kcbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TkcCustomLookAndFeelPainter::DrawGroupButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, int, int,
                                                  TColor) {
  DrawButton(ACanvas, R, "", AState);
}

void TkcCustomLookAndFeelPainter::DrawExpandSign(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor) {
  int cx = RangeMidpoint(R.left, R.right), cy = RangeMidpoint(R.top, R.bottom);
  int h = (R.right - R.left - 4) / 2;
  ACanvas->FillRect(TRect{cx - h, cy, cx + h + 1, cy + 1}, AColor);
  if (!AExpanded) ACanvas->FillRect(TRect{cx, cy - h, cx + 1, cy + h + 1}, AColor);
}

void TkcCustomLookAndFeelPainter::DrawSmallExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TColor ABorderColor, TColor AColor) {
  ACanvas->FrameRect(R, ABorderColor);
  if (AColor != clDefault) ACanvas->FillRect(Shrink(R, 1), AColor);
  DrawExpandSign(ACanvas, R, AExpanded, clBtnText);
}

void TkcCustomLookAndFeelPainter::DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                        TkcButtonState AState) {
  DrawButton(ACanvas, R, "", AState);
  // Two chevrons with three-pixel arms, each two lines thick, four lines apart.
  TColor color = GetButtonGlyphColor(AState);
  int cx = RangeMidpoint(R.left, R.right), top = RangeMidpoint(R.top, R.bottom) - 4;
  ACanvas->Pen()->SetColor(color);
  for (int chevron = 0; chevron < 2; ++chevron)
    for (int line = 0; line < 2; ++line) {
      int y = top + 4 * chevron + line;
      int tip = AExpanded ? y : y + 3, ends = AExpanded ? y + 3 : y;
      ACanvas->MoveTo(cx - 3, ends);
      ACanvas->LineTo(cx, tip);
      ACanvas->LineTo(cx + 4, ends + (AExpanded ? 1 : -1));
    }
}

TColor TkcCustomLookAndFeelPainter::GetCheckButtonColor(TkcButtonState AState) {
  return AState == kcbsPressed || AState == kcbsDisabled ? clBtnFace : clWindow;
}

TSize TkcCustomLookAndFeelPainter::GetCheckBoxExtent() { return GetSystemCheckBoxSize(); }

void TkcCustomLookAndFeelPainter::DrawCheckFace(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                bool AChecked, TColor AColor) {
  ACanvas->FillRect(R, GetCheckButtonColor(AState));
  if (!AChecked) return;
  int w = R.right - R.left - 2, h = R.bottom - R.top - 4;
  int x = (R.left + R.right) / 2 - 1;
  ACanvas->Pen()->SetColor(AColor);
  for (int offset = 0; offset < 3; ++offset) {
    int y = (R.top + R.bottom + h) / 2 - 2 + offset;
    ACanvas->Polyline({TPoint{x - w / 2 + 1, y - h / 2}, TPoint{x, y}, TPoint{x + w / 2 + 2, y - h}});
  }
}

void TkcCustomLookAndFeelPainter::DrawCheckButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                  bool AChecked) {
  DrawCheckFrame(ACanvas, R, AState);
  DrawCheckFace(ACanvas, Shrink(R, GetCheckBorderWidth()), AState, AChecked,
                AState == kcbsDisabled ? clGrayText : clBtnText);
}

void TkcCustomLookAndFeelPainter::DrawRadioButton(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState,
                                                  bool AChecked, bool AHighlighted, TColor ABackgroundColor,
                                                  bool AFocused) {
  GetRadioButtonImages()->Draw(ACanvas, X, Y, AState, StyleCodeToLookAndFeelKind(GetPainterStyleCode()), AChecked,
                               AFocused, AHighlighted, ABackgroundColor);
}

TSize TkcCustomLookAndFeelPainter::GetRadioButtonExtent() { return GetRadioButtonImages()->GlyphSize(); }

void TkcCustomLookAndFeelPainter::DrawContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                              TkcButtonState, TAlignment AAlignmentHorz,
                                              TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                                              const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                                              const TkcDrawBackgroundEvent& AOnDrawBackground, bool) {
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, ABounds))) ACanvas->FillRect(ABounds, ABkColor);
  if (AText.empty()) return;
  ACanvas->Brush()->SetStyle(bsClear);
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->DrawText(AText, ATextAreaBounds,
                    KcAlignmentTextFlags(AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis));
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TkcCustomLookAndFeelPainter::DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                             TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                             TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                             bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                             TColor ATextColor, TColor ABkColor,
                                             const TkcDrawBackgroundEvent& AOnDrawBackground, bool) {
  DrawHeaderBorder(ACanvas, ABounds, ANeighbors, ABorders);
  DrawContent(ACanvas, GetHeaderContentBounds(ABounds, ABorders), ATextAreaBounds, AState, AAlignmentHorz,
              AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground,
              false);
}

void TkcCustomLookAndFeelPainter::DrawHeaderCell(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                                 TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                                 TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                 bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                 TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                 const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, false);
}

void TkcCustomLookAndFeelPainter::DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                              TkcBorders, TkcBorders ABorders, TkcButtonState AState,
                                              TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                              bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                              TColor ATextColor, TColor ABkColor) {
  DrawSectionBorder(ACanvas, ABounds, ABorders, AState);
  DrawSectionContent(ACanvas, GetSectionContentBounds(ABounds, AState), ATextAreaBounds, AState, AAlignmentHorz,
                     AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor);
}

void TkcCustomLookAndFeelPainter::DrawSectionContent(TkcCanvas* ACanvas, const TRect& ABounds,
                                                     const TRect& ATextAreaBounds, TkcButtonState AState,
                                                     TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                     bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                     TFont* AFont, TColor ATextColor, TColor ABkColor) {
  ACanvas->FillRect(ABounds, ABkColor);
  DrawSectionText(ACanvas, GetSectionTextAreaBounds(ATextAreaBounds, AState), AState, AAlignmentHorz, AAlignmentVert,
                  AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor);
}

void TkcCustomLookAndFeelPainter::DrawSectionText(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                  TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                  bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                  TFont* AFont, TColor ATextColor) {
  if (AText.empty()) return;
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawText(AText, R, KcAlignmentTextFlags(AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis),
                    AState != kcbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
}

TRect TkcCustomLookAndFeelPainter::ExtendHeaderBounds(const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders) {
  return ShrinkSides(R, -GetHeaderBorderWidth(), ABorders - GetHeaderBorders(ANeighbors));
}

TRect TkcCustomLookAndFeelPainter::GetHeaderContentBounds(const TRect& R, TkcBorders ABorders) {
  return ShrinkSides(R, GetHeaderBorderWidth(), ABorders);
}

TRect TkcCustomLookAndFeelPainter::GetSectionTextAreaBounds(const TRect& R, TkcButtonState AState) {
  TRect r = R;
  if (AState == kcbsPressed) OffsetRect(&r, 1, 1);
  return r;
}

TRect TkcCustomLookAndFeelPainter::GetSectionContentBounds(const TRect& R, TkcButtonState AState) {
  return Shrink(R, GetSectionBorderWidth(AState));
}

int TkcCustomLookAndFeelPainter::GetHeaderWidth(TkcCanvas* ACanvas, TkcBorders ABorders, const String& AText,
                                                TFont* AFont) {
  if (AFont) ACanvas->SetFont(AFont);
  int width = ACanvas->TextWidth(AText) + 4;
  if (ABorders.Contains(bLeft)) width += GetHeaderBorderWidth();
  if (ABorders.Contains(bRight)) width -= GetHeaderBorderWidth();
  return width;
}

void TkcCustomLookAndFeelPainter::DrawEngravedSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending,
                                                          TColor ALight, TColor ADark) {
  TSize size = GetSortingMarkSize();
  int w = size.cx, h = size.cy;
  bool even = w % 2 == 0;
  int x = (R.left + R.right) / 2 - (even ? 1 : 0);
  int h2 = w / 2, h1 = h2 - (even ? 1 : 0);
  int y = AAscending ? (R.top + R.bottom - h) / 2 : (R.top + R.bottom + h) / 2 - 1;
  int s = AAscending ? 1 : -1;
  TPen* pen = ACanvas->Pen();
  ACanvas->MoveTo(x + h2, y + (h - 2) * s);
  pen->SetColor(ALight);
  ACanvas->LineTo(x + h2 - h1, y);
  ACanvas->LineTo(x + h2, y + (h - 1) * s);
  pen->SetColor(AAscending ? ALight : ADark);
  ACanvas->LineTo(x - h1, y + (h - 1) * s);
  pen->SetColor(ADark);
  ACanvas->LineTo(x, y);
  ACanvas->LineTo(x - h1, y + (h - w % 2) * s);
}

TRect TkcCustomLookAndFeelPainter::GetFooterCellContentBounds(const TRect& R) {
  return Shrink(R, GetFooterCellContentOffset());
}

TRect TkcCustomLookAndFeelPainter::GetFooterCellTextAreaBounds(const TRect& R) {
  return Shrink(GetFooterCellContentBounds(R), 2);
}

void TkcCustomLookAndFeelPainter::DrawFooterCell(TkcCanvas* ACanvas, const TRect& R, TAlignment AAlignmentHorz,
                                                 TkcAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText,
                                                 TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                 const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawFooterCellBorder(ACanvas, R);
  DrawContent(ACanvas, GetFooterCellContentBounds(R), GetFooterCellTextAreaBounds(R), kcbsDefault, AAlignmentHorz,
              AAlignmentVert, AMultiLine, false, AText, AFont, ATextColor, ABkColor, AOnDrawBackground, true);
}

void TkcCustomLookAndFeelPainter::DrawFilterCloseButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  DrawButtonFrame(ACanvas, R, AState);
  TRect r = Shrink(R, GetButtonBorderWidth(kcbsNormal));
  ACanvas->FillRect(r, GetButtonFaceColor(AState));
  int size = GetFilterCloseButtonExtent().cx / 2;
  if (size % 2 == 0) --size;
  int x = (r.left + r.right - size) / 2, y = (r.top + r.bottom - size) / 2;
  if (AState == kcbsPressed) ++x, ++y;
  ACanvas->Pen()->SetColor(GetButtonGlyphColor(GetButtonGlyphState(AState)));
  for (int dx = 0; dx < 2; ++dx) {
    ACanvas->MoveTo(x + dx, y);
    ACanvas->LineTo(x + dx + size, y + size);
    ACanvas->MoveTo(x + dx, y + size - 1);
    ACanvas->LineTo(x + dx + size, y - 1);
  }
}

void TkcCustomLookAndFeelPainter::DrawIndicatorItem(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                                                    const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawHeader(ACanvas, R, R, {}, GetHeaderBorders(TkcBorders{bTop, bBottom}), kcbsNormal, taLeftJustify, vaTop, false,
             false, "", nullptr, clNone, ABkColor, AOnDrawBackground, false);
  HIMAGELIST images = GetIndicatorImages();
  if (AKind < 1 || AKind > ImageList_GetImageCount(images)) return;  // no image for an unknown kind
  int w = 0, h = 0;
  ImageList_GetIconSize(images, &w, &h);
  ImageList_Draw(images, AKind - 1, ACanvas->Handle(), (R.left + R.right - w) / 2, (R.top + R.bottom - h) / 2,
                 ILD_TRANSPARENT);
}

void TkcCustomLookAndFeelPainter::DrawIndicatorCell(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                                                    const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawHeaderCell(ACanvas, R, R, {}, kcAllBorders, kcbsNormal, taLeftJustify, vaTop, false, false, "", nullptr, clNone,
                 ABkColor, AOnDrawBackground);
  HIMAGELIST images = GetIndicatorImages();
  if (AKind < 1 || AKind > ImageList_GetImageCount(images)) return;
  int w = 0, h = 0;
  ImageList_GetIconSize(images, &w, &h);
  ImageList_Draw(images, AKind - 1, ACanvas->Handle(), (R.left + R.right - w) / 2, (R.top + R.bottom - h) / 2,
                 ILD_TRANSPARENT);
}

void TkcCustomLookAndFeelPainter::DrawHeaderArrows(TkcCanvas* ACanvas, TRect R, int AArrows, int AArrowsOffset) {
  R.top += GetBorderWidth() + 1;
  R.bottom -= 1;
  int d = (R.bottom - R.top) / 2;
  if (d % 2 == 0) ++d;
  int y0 = (R.top + R.bottom - d) / 2 - 1;
  if (AArrows == 1 || AArrows == 3) {
    int x0 = R.left + AArrowsOffset - 1;
    DrawTriangle(ACanvas, {TPoint{x0, y0}, TPoint{x0, y0 + d + 1}, TPoint{x0 - d / 2 - 1, y0 + d / 2 + 1}},
                 clWindowText);
  }
  if (AArrows == 2 || AArrows == 3) {
    int x0 = R.right - AArrowsOffset + 1;
    DrawTriangle(ACanvas, {TPoint{x0, y0}, TPoint{x0, y0 + d + 1}, TPoint{x0 + d / 2 + 1, y0 + d / 2 + 1}},
                 clWindowText);
  }
}

void TkcCustomLookAndFeelPainter::DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText,
                                                       TkcBorders ANeighbors, const TkcVisualParams& AParams,
                                                       int AArrows, int AArrowsOffset,
                                                       const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawHeader(ACanvas, R, R, ANeighbors, GetHeaderBorders(ANeighbors), kcbsNormal, taCenter, vaCenter, false, false,
             AText, AParams.Font, AParams.TextColor, AParams.Color, AOnDrawBackground, false);
  DrawHeaderArrows(ACanvas, R, AArrows, AArrowsOffset);
}

// ---- Standard painter -----------------------------------------------------------------------

TkcStandardLookAndFeelPainter* TkcStandardLookAndFeelPainter::Instance() {
  static TkcStandardLookAndFeelPainter p;
  return &p;
}

void TkcStandardLookAndFeelPainter::PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) {
  ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, kcAllBorders);
  ACanvas->DrawTwoColorFrame(Shrink(R, 1), cl3DDkShadow, cl3DLight, kcAllBorders);
}

void TkcStandardLookAndFeelPainter::DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  TRect r = R;
  if (AState == kcbsPressed) {
    ACanvas->FrameRect(r, clBlack);
    ACanvas->FrameRect(Shrink(r, 1), clBtnShadow);
    return;
  }
  if (AState == kcbsDefault) {
    ACanvas->FrameRect(r, clBlack);
    r = Shrink(r, 1);
  }
  ACanvas->DrawTwoColorFrame(r, clBtnHighlight, cl3DDkShadow, kcAllBorders);
  ACanvas->DrawTwoColorFrame(Shrink(r, 1), cl3DLight, clBtnShadow, kcAllBorders);
}

void TkcStandardLookAndFeelPainter::PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                      TColor AColor) {
  ACanvas->DrawEdge(R, false, false, TkcBorders{bLeft, bTop});
  ACanvas->DrawEdge(R, false, true, TkcBorders{bRight, bBottom});
  TRect inner = Shrink(R, 1);
  ACanvas->DrawEdge(inner, false, false, TkcBorders{bRight, bBottom});
  ACanvas->FillRect(TRect{inner.left, inner.top, inner.right - 1, inner.bottom - 1},
                    AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, R, AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TkcStandardLookAndFeelPainter::DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                          TkcButtonState AState) {
  TkcFlatLookAndFeelPainter::Instance()->DrawGroupExpandButton(ACanvas, R, AExpanded, AState);
}

void TkcStandardLookAndFeelPainter::DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState) {
  ACanvas->DrawEdge(R, true, false);
  ACanvas->DrawEdge(Shrink(R, 1), true, true);
}

void TkcStandardLookAndFeelPainter::DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors,
                                                     TkcBorders) {
  ACanvas->DrawEdge(R, false, false);
  if (ANeighbors.Contains(bLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.left, R.bottom - 2, clBtnFace);
  }
  if (ANeighbors.Contains(bRight)) {
    ACanvas->SetPixel(R.right - 1, R.top, clBtnHighlight);
    ACanvas->SetPixel(R.right - 1, R.top + 1, clBtnFace);
    ACanvas->SetPixel(R.right - 1, R.bottom - 2, clBtnFace);
  }
}

void TkcStandardLookAndFeelPainter::DrawSectionBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders,
                                                      TkcButtonState AState) {
  if (AState == kcbsPressed) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnShadow, ABorders);
    return;
  }
  ACanvas->DrawTwoColorFrame(R, clBtnHighlight, cl3DDkShadow, ABorders);
  ACanvas->DrawTwoColorFrame(Shrink(R, 1), cl3DLight, clBtnShadow, ABorders);
}

void TkcStandardLookAndFeelPainter::DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                             bool AIsActive) {
  if (AState == kcbsPressed)
    ACanvas->DrawEdge(R, true, true);
  else
    ACanvas->DrawEdge(R, false, false);
  TRect inner = Shrink(R, 1);
  ACanvas->FillRect(inner, clBtnFace);
  DrawDropDownArrow(ACanvas, inner, AIsActive ? clBlue : clBtnText);
}

void TkcStandardLookAndFeelPainter::DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide,
                                                       TkcBorders ABorders, bool AVertical) {
  TRect r = R;
  if (AVertical) {
    if (ASide == bLeft) {
      r.top += ABorders.Contains(bTop) ? 2 : 1;
      r.bottom -= ABorders.Contains(bBottom) ? 2 : 1;
      ACanvas->SetPixel(r.left + 1, r.top - 1, clBtnHighlight);
      ACanvas->SetPixel(r.left + 1, r.bottom, clBtnHighlight);
    } else if ((ASide == bTop || ASide == bBottom) && ABorders.Contains(bLeft)) {
      r.left += 1;
    }
  } else if (ASide == bLeft || ASide == bRight) {
    if (ABorders.Contains(bTop)) r.top += 2;
    if (ABorders.Contains(bBottom)) r.bottom -= 1;
  } else if (ASide == bTop) {
    r.left += 1;
    r.right -= 1;
    ACanvas->SetPixel(r.left - 1, r.top + 1, clBtnHighlight);
    ACanvas->SetPixel(r.right, r.top + 1, clBtnHighlight);
  }
  bool shadow = AVertical ? ASide == bBottom : ASide == bRight;
  ACanvas->FillRect(r, shadow ? clBtnShadow : clBtnHighlight);
}

void TkcStandardLookAndFeelPainter::PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                       TkcScrollBarPart APart, TkcButtonState AState) {
  AState = HotAsNormal(AState);
  if (PaintCommonScrollBarPart(ACanvas, R, APart, AState)) return;
  bool pressed = AState == kcbsPressed;
  if (APart == sbpLineUp || APart == sbpLineDown) {
    static const UINT kinds[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT};
    UINT state = kinds[ScrollArrowDirection(AHorizontal, APart)];
    if (AState == kcbsDisabled) state |= DFCS_INACTIVE;
    if (pressed) state |= DFCS_FLAT;
    TRect r = R;
    if (pressed) OffsetRect(&r, 1, 1);
    ACanvas->Canvas()->RequiredState();
    DrawFrameControl(ACanvas->Handle(), &r, DFC_SCROLL, state);
  }
  if (pressed && APart != sbpThumbnail) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnShadow, kcAllBorders);
    ACanvas->DrawTwoColorFrame(Shrink(R, 1), clBtnFace, clBtnFace, kcAllBorders);
  } else {
    ACanvas->DrawTwoColorFrame(R, clBtnFace, cl3DDkShadow, kcAllBorders);
    ACanvas->DrawTwoColorFrame(Shrink(R, 1), clBtnHighlight, clBtnShadow, kcAllBorders);
  }
  if (APart == sbpThumbnail) ACanvas->FillRect(Shrink(R, GetButtonBorderWidth(kcbsNormal)), clBtnFace);
}

void TkcStandardLookAndFeelPainter::DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText,
                                                         TkcBorders ANeighbors, const TkcVisualParams& AParams,
                                                         int AArrows, int AArrowsOffset,
                                                         const TkcDrawBackgroundEvent& AOnDrawBackground) {
  TkcBorders borders = kcAllBorders;
  if (ANeighbors.Contains(bLeft)) borders.Exclude(bLeft);
  if (ANeighbors.Contains(bRight)) borders.Exclude(bRight);
  ACanvas->FrameRect(R, clBlack, 1, borders);
  TRect content = GetHeaderContentBounds(R, borders);
  DrawContent(ACanvas, content, content, kcbsNormal, taCenter, vaCenter, false, false, AText, AParams.Font,
              AParams.TextColor, AParams.Color, AOnDrawBackground);
  DrawHeaderArrows(ACanvas, R, AArrows, AArrowsOffset);
}

namespace {
// Two lines across the splitter (top and bottom, or left and right).
void SplitterLines(TkcCanvas* ACanvas, const TRect& R, bool AHorizontal, TColor AFirst, TColor ASecond) {
  SideLine(ACanvas, R, AHorizontal ? bTop : bLeft, AFirst);
  SideLine(ACanvas, R, AHorizontal ? bBottom : bRight, ASecond);
}
// One pixel longer at both ends and one thinner on both sides.
TRect AdjustSplitter(TRect R, bool AHorizontal) {
  if (AHorizontal)
    InflateRect(&R, 1, -1);
  else
    InflateRect(&R, -1, 1);
  return R;
}
void FillSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams) {
  ACanvas->FillRectWithFrame(R, AParams, {}, clDefault, 0);
}
}  // namespace

void TkcStandardLookAndFeelPainter::DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams,
                                                 bool AHorizontal) {
  SplitterLines(ACanvas, R, AHorizontal, clBtnFace, cl3DDkShadow);
  TRect r = AdjustSplitter(R, AHorizontal);
  SplitterLines(ACanvas, r, AHorizontal, clBtnHighlight, clBtnShadow);
  FillSplitter(ACanvas, AdjustSplitter(r, AHorizontal), AParams);
}

// ---- Flat painter ---------------------------------------------------------------------------

TkcFlatLookAndFeelPainter* TkcFlatLookAndFeelPainter::Instance() {
  static TkcFlatLookAndFeelPainter p;
  return &p;
}

void TkcFlatLookAndFeelPainter::DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  if (AState == kcbsPressed) {
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, kcAllBorders);
  } else if (AState == kcbsDefault) {
    ACanvas->FrameRect(R, clBlack);
    ACanvas->DrawTwoColorFrame(Shrink(R, 1), clBtnHighlight, clBtnShadow, kcAllBorders);
  } else {
    ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, kcAllBorders);
  }
}

void TkcFlatLookAndFeelPainter::PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor) {
  DrawButton(ACanvas, R, "", kcbsNormal, true, AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, Shrink(R, 1), AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TkcFlatLookAndFeelPainter::DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  ACanvas->DrawEdge(R, true, true);
  ACanvas->FrameRect(Shrink(R, 1), GetCheckButtonColor(AState));
}

void TkcFlatLookAndFeelPainter::DrawSectionBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders,
                                                  TkcButtonState AState) {
  if (AState == kcbsPressed)
    ACanvas->DrawTwoColorFrame(R, clBtnShadow, clBtnHighlight, ABorders);
  else
    ACanvas->DrawTwoColorFrame(R, clBtnHighlight, clBtnShadow, ABorders);
}

void TkcFlatLookAndFeelPainter::PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                   TkcScrollBarPart APart, TkcButtonState AState) {
  AState = HotAsNormal(AState);
  if (PaintCommonScrollBarPart(ACanvas, R, APart, AState)) return;
  DrawButton(ACanvas, R, "", AState);
  if (APart != sbpThumbnail)
    DrawStateArrow(ACanvas, Shrink(R, GetButtonBorderWidth(kcbsNormal)), AState,
                   ScrollArrowDirection(AHorizontal, APart));
}

void TkcFlatLookAndFeelPainter::DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams,
                                             bool AHorizontal) {
  SplitterLines(ACanvas, R, AHorizontal, clBtnHighlight, clBtnShadow);
  FillSplitter(ACanvas, AdjustSplitter(R, AHorizontal), AParams);
}

// ---- Ultra-flat painter ---------------------------------------------------------------------

TkcUltraFlatLookAndFeelPainter* TkcUltraFlatLookAndFeelPainter::Instance() {
  static TkcUltraFlatLookAndFeelPainter p;
  return &p;
}

TColor TkcUltraFlatLookAndFeelPainter::GetButtonFaceColor(TkcButtonState AState) {
  if (AState == kcbsHot) return GetUltraFlatHotColor();
  if (AState == kcbsPressed) return GetUltraFlatPressedColor();
  return clBtnFace;
}

TRect TkcUltraFlatLookAndFeelPainter::GetButtonFocusRectangle(TkcCanvas*, const TRect& R) {
  TRect r = Shrink(R, 3);
  return IsRectEmpty(&r) ? R : r;
}

TRect TkcUltraFlatLookAndFeelPainter::GetButtonGroupBorderWidths(int ACount, int AIndex) {
  return TRect{AIndex == 0 ? 2 : 1, 2, AIndex == ACount - 1 ? 2 : 1, 2};
}

TColor TkcUltraFlatLookAndFeelPainter::GetButtonGlyphColor(TkcButtonState AState, TColor ADefault) {
  if (AState == kcbsPressed) return clHighlightText;
  return TkcCustomLookAndFeelPainter::GetButtonGlyphColor(AState, ADefault);
}

void TkcUltraFlatLookAndFeelPainter::DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  switch (AState) {
    case kcbsDefault:
      ACanvas->FrameRect(R, clWindowFrame);
      ACanvas->FrameRect(Shrink(R, 1), clWindowFrame);
      break;
    case kcbsNormal: ACanvas->FrameRect(R, clBtnText); break;
    case kcbsDisabled: ACanvas->FrameRect(R, clBtnShadow); break;
    default: ACanvas->FrameRect(R, clHighlight); break;
  }
}

void TkcUltraFlatLookAndFeelPainter::DrawGroupButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                     int AButtonCount, int AButtonIndex, TColor ABorderColor) {
  TRect r = R;
  ++r.top, --r.bottom;
  bool first = AButtonIndex == 0, last = AButtonIndex == AButtonCount - 1;
  if (first) ++r.left;
  if (last) --r.right;
  if (AState == kcbsNormal || AState == kcbsDisabled) {
    ACanvas->FrameRect(r, ABorderColor);
    ACanvas->FillRect(Shrink(r, 1), GetButtonFaceColor(AState));
    return;
  }
  if (!first) {
    ACanvas->FillRect(TRect{r.left, r.top, r.left + 1, r.bottom}, GetHotBorderColor());
    ++r.left;
  }
  if (!last) {
    ACanvas->FillRect(TRect{r.right - 1, r.top, r.right, r.bottom}, GetHotBorderColor());
    --r.right;
  }
  ACanvas->FillRect(r, GetButtonFaceColor(AState));
}

void TkcUltraFlatLookAndFeelPainter::DrawButtonGroupBorder(TkcCanvas* ACanvas, const TRect& R, bool AActive,
                                                           bool AHot) {
  ACanvas->FrameRect(R, AActive ? clBtnText : AHot ? GetHotBorderColor() : clBtnShadow);
}

void TkcUltraFlatLookAndFeelPainter::PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TColor AColor) {
  ACanvas->FrameRect(R, clBtnShadow);
  ACanvas->FillRect(Shrink(R, 1), AColor == clDefault ? clBtnFace : AColor);
  DrawExpandSign(ACanvas, R, AExpanded, clBtnText);
  ACanvas->ExcludeClipRect(R);
}

void TkcUltraFlatLookAndFeelPainter::DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  ACanvas->FrameRect(R, clBtnText);
  ACanvas->FrameRect(Shrink(R, 1), GetCheckButtonColor(AState));
}

void TkcUltraFlatLookAndFeelPainter::DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders,
                                                      TkcBorders ABorders) {
  TkcBorders sides{bRight, bBottom};
  if (ABorders.Contains(bLeft)) sides.Include(bLeft);
  if (ABorders.Contains(bTop)) sides.Include(bTop);
  ACanvas->FrameRect(R, clBtnText, 1, sides);
}

void TkcUltraFlatLookAndFeelPainter::DrawHeaderCell(TkcCanvas* ACanvas, const TRect& ABounds,
                                                    const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                                                    TkcBorders ABorders, TkcButtonState AState,
                                                    TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                    bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                    TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                    const TkcDrawBackgroundEvent& AOnDrawBackground) {
  DrawContent(ACanvas, ABounds, Shrink(ATextAreaBounds, 1), AState, AAlignmentHorz, AAlignmentVert, AMultiLine,
              AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, AOnDrawBackground);
  DrawHeaderBorder(ACanvas, Shrink(ABounds, 1), ANeighbors, ABorders);
}

void TkcUltraFlatLookAndFeelPainter::DrawSectionContent(TkcCanvas* ACanvas, const TRect& ABounds,
                                                        const TRect& ATextAreaBounds, TkcButtonState AState,
                                                        TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                        bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                        TFont* AFont, TColor ATextColor, TColor ABkColor) {
  if (AState == kcbsHot || AState == kcbsPressed || AState == kcbsDisabled) ABkColor = GetButtonFaceColor(AState);
  TkcCustomLookAndFeelPainter::DrawSectionContent(ACanvas, ABounds, ATextAreaBounds, AState, AAlignmentHorz,
                                                  AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                                                  ATextColor, ABkColor);
}

TkcBorders TkcUltraFlatLookAndFeelPainter::GetHeaderBorders(TkcBorders ANeighbors) {
  TkcBorders borders = kcAllBorders;
  if (ANeighbors.Contains(bLeft)) borders.Exclude(bLeft);
  if (ANeighbors.Contains(bTop)) borders.Exclude(bTop);
  return borders;
}

void TkcUltraFlatLookAndFeelPainter::DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                              bool AIsActive) {
  ACanvas->FrameRect(R, GetFilterDropDownButtonBorderColor(AState));
  TRect inner = Shrink(R, 1);
  ACanvas->FillRect(inner, GetButtonFaceColor(AState));
  DrawDropDownArrow(ACanvas, inner, AIsActive ? clBlue : GetButtonGlyphColor(AState));
}

void TkcUltraFlatLookAndFeelPainter::DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TkcBorders,
                                                        bool AVertical) {
  bool side = AVertical ? ASide == bBottom : ASide == bRight;
  TRect r = R;
  if (side && !AVertical) r.bottom -= GetLevelTabBorderWidth();
  ACanvas->FillRect(r, side ? GetLevelTabSideColor() : GetLevelTabBorderColor());
}

void TkcUltraFlatLookAndFeelPainter::PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                        TkcScrollBarPart APart, TkcButtonState AState) {
  if (PaintCommonScrollBarPart(ACanvas, R, APart, AState)) return;
  DrawButton(ACanvas, R, "", AState);
  if (APart != sbpThumbnail) DrawStateArrow(ACanvas, R, AState, ScrollArrowDirection(AHorizontal, APart));
}

void TkcUltraFlatLookAndFeelPainter::DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams,
                                                  bool AHorizontal) {
  SplitterLines(ACanvas, R, AHorizontal, GetSplitterBorderColor(), GetSplitterBorderColor());
  FillSplitter(ACanvas, AdjustSplitter(R, AHorizontal), AParams);
}

// ---- Office 2003 painter --------------------------------------------------------------------

TkcOffice11LookAndFeelPainter* TkcOffice11LookAndFeelPainter::Instance() {
  static TkcOffice11LookAndFeelPainter p;
  return &p;
}

TColor TkcOffice11LookAndFeelPainter::GetFilterBoxDefaultColor() { return Office11FilterBoxColor; }
TColor TkcOffice11LookAndFeelPainter::GetFilterBoxDefaultTextColor() { return Office11FilterBoxTextColor; }
TColor TkcOffice11LookAndFeelPainter::GetFooterDefaultColor() { return Office11BackgroundColor; }
TColor TkcOffice11LookAndFeelPainter::GetGroupDefaultColor() { return Office11GroupRowColor; }
TColor TkcOffice11LookAndFeelPainter::GetGroupByBoxDefaultColor() { return Office11GroupByBoxColor; }
TColor TkcOffice11LookAndFeelPainter::GetGroupByBoxDefaultTextColor() { return Office11GradientLightColor; }
TColor TkcOffice11LookAndFeelPainter::GetCalendarHeaderDefaultColor() { return Office11BackgroundColor; }
TColor TkcOffice11LookAndFeelPainter::GetCalendarSelectionDefaultColor() { return Office11SelectionColor; }
TColor TkcOffice11LookAndFeelPainter::GetSplitterBorderColor() { return Office11ElementBorderColor; }
TColor TkcOffice11LookAndFeelPainter::GetExtraDefaultColor6() { return Office11ContentAltColor; }
TColor TkcOffice11LookAndFeelPainter::GetLevelTabDefaultColor() { return Office11LightBackgroundColor; }
TColor TkcOffice11LookAndFeelPainter::GetExtraDefaultColor12() { return Office11BackgroundColor; }
TColor TkcOffice11LookAndFeelPainter::GetHotBorderColor() { return Office11SelectedBorderColor; }
TColor TkcOffice11LookAndFeelPainter::GetHeaderBottomColor() { return Office11GradientDarkColor; }
TColor TkcOffice11LookAndFeelPainter::GetHeaderDarkLineColor() { return Office11HeaderDarkLineColor; }
TColor TkcOffice11LookAndFeelPainter::GetHeaderLightLineColor() { return Office11HeaderLightLineColor; }
TColor TkcOffice11LookAndFeelPainter::GetHeaderMiddleColor() {
  return MixColors(Office11GradientLightColor, Office11GradientDarkColor, 50);
}

void TkcOffice11LookAndFeelPainter::PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) {
  ACanvas->FrameRect(R, Office11BorderColor);
}

TColor TkcOffice11LookAndFeelPainter::GetButtonFaceColor(TkcButtonState AState) {
  switch (AState) {
    case kcbsHot: return Office11HotButtonColor;
    case kcbsPressed: return Office11PressedButtonColor;
    case kcbsDisabled: return clBtnFace;
    default: return Office11BackgroundColor;
  }
}

TColor TkcOffice11LookAndFeelPainter::GetButtonGlyphColor(TkcButtonState AState, TColor) {
  if (AState == kcbsPressed && !IsLunaColorScheme()) return clHighlightText;
  if (AState == kcbsDisabled) return Office11DisabledColor;
  return Office11GlyphColor;
}

void TkcOffice11LookAndFeelPainter::DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  switch (AState) {
    case kcbsDefault: TkcUltraFlatLookAndFeelPainter::DrawButtonFrame(ACanvas, R, AState); break;
    case kcbsNormal: ACanvas->FrameRect(R, clBtnText); break;
    case kcbsDisabled: ACanvas->FrameRect(R, Office11DisabledColor); break;
    default: ACanvas->FrameRect(R, Office11SelectedBorderColor); break;
  }
}

void TkcOffice11LookAndFeelPainter::PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor) {
  AddOffice11ColorsUser();
  TBitmap* source = Office11ExpandButtonBitmap(AExpanded);
  if (source && !source->Empty()) {
    TBitmap bitmap;
    bitmap.Assign(source);
    // The rounded corners blend into what lies under them.
    TColor topLeft = ACanvas->Pixel(R.left, R.top), bottomRight = ACanvas->Pixel(R.right - 1, R.bottom - 1);
    bitmap.Canvas()->SetPixels(0, 0, MixColors(Office11ExpandButtonColor1, topLeft, 25));
    TColor corner = MixColors(Office11ExpandButtonColor2, bottomRight, 25);
    bitmap.Canvas()->SetPixels(10, 10, corner);
    bitmap.Canvas()->SetPixels(0, 10, corner);
    bitmap.Canvas()->SetPixels(10, 0, corner);
    ACanvas->Draw(R.left, R.top, &bitmap);
  }
  RemoveOffice11ColorsUser();
}

TColor TkcOffice11LookAndFeelPainter::GetCheckButtonColor(TkcButtonState AState) {
  if (AState == kcbsHot || AState == kcbsPressed || AState == kcbsDisabled) return GetButtonFaceColor(AState);
  return TkcCustomLookAndFeelPainter::GetCheckButtonColor(AState);
}

TColor TkcOffice11LookAndFeelPainter::GetFilterDropDownButtonBorderColor(TkcButtonState AState) {
  return AState == kcbsNormal ? GetHeaderDarkLineColor() : Office11SelectedBorderColor;
}

void TkcOffice11LookAndFeelPainter::DrawContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                                TkcButtonState AState, TAlignment AAlignmentHorz,
                                                TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                                                const String& AText, TFont* AFont, TColor ATextColor, TColor,
                                                const TkcDrawBackgroundEvent& AOnDrawBackground, bool AFlatBackground) {
  bool hot = AState == kcbsHot;
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, ABounds))) {
    TColor c = hot ? Office11GradientLightColor : GetHeaderDefaultColor();
    if (AFlatBackground) {
      ACanvas->FillRect(ABounds, c);
    } else {
      ACanvas->FillRect(TRect{ABounds.left, ABounds.top, ABounds.right, ABounds.bottom - 3}, c);
      FillGradientRect(ACanvas->Handle(), TRect{ABounds.left, ABounds.bottom - 4, ABounds.right, ABounds.bottom}, c,
                       hot ? c : GetHeaderBottomColor(), false);
    }
  }
  TkcCustomLookAndFeelPainter::DrawContent(ACanvas, ABounds, ATextAreaBounds, AState, AAlignmentHorz, AAlignmentVert,
                                           AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, clNone,
                                           [](TkcCanvas*, const TRect&) { return true; });
  if (hot)
    FillGradientRect(ACanvas->Handle(), TRect{ABounds.left - 1, ABounds.bottom - 2, ABounds.right, ABounds.bottom + 1},
                     Office11HotButtonColor, Office11HotButtonDarkColor, false);
}

void TkcOffice11LookAndFeelPainter::DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors,
                                                     TkcBorders ABorders) {
  TColor middle = GetHeaderMiddleColor(), bottom = GetHeaderBottomColor();
  TColor dark = GetHeaderDarkLineColor(), light = GetHeaderLightLineColor();
  TColor blend = MixColors(middle, bottom, 25);
  auto vline = [&](int x, int y1, int y2, TColor c) { ACanvas->FillRect(TRect{x, y1, x + 1, y2}, c); };
  if (ABorders.Contains(bTop)) SideLine(ACanvas, R, bTop, middle);
  if (ABorders.Contains(bBottom)) SideLine(ACanvas, R, bBottom, dark);
  if (ABorders.Contains(bLeft)) {
    ACanvas->SetPixel(R.left, R.top + 1, middle);
    if (ANeighbors.Contains(bLeft)) {
      vline(R.left, R.top + 2, R.bottom - 3, light);
      ACanvas->SetPixel(R.left, R.top + 2, middle);
      ACanvas->SetPixel(R.left, R.bottom - 3, blend);
      ACanvas->SetPixel(R.left, R.bottom - 2, bottom);
    } else {
      vline(R.left, R.top + 1, R.bottom - 2, light);
      ACanvas->SetPixel(R.left, R.bottom - 2, bottom);
    }
  }
  if (ABorders.Contains(bRight)) {
    int x = R.right - 1;
    if (ANeighbors.Contains(bRight)) {
      vline(x, R.top + 2, R.bottom - 3, dark);
      ACanvas->SetPixel(x, R.top + 1, middle);
      ACanvas->SetPixel(x, R.top + 2, middle);
      ACanvas->SetPixel(x, R.bottom - 3, blend);
      ACanvas->SetPixel(x, R.bottom - 2, bottom);
    } else {
      vline(x, R.top + 1, R.bottom - 2, dark);
      ACanvas->SetPixel(x, R.top, MixColors(middle, dark, 50));
      ACanvas->SetPixel(x, R.bottom - 2, MixColors(bottom, dark, 50));
    }
  }
}

void TkcOffice11LookAndFeelPainter::DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                               TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                               TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                               bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                               TFont* AFont, TColor ATextColor, TColor ABkColor,
                                               const TkcDrawBackgroundEvent&, bool AIsLast) {
  TkcCustomLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                          AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText, AFont,
                                          ATextColor, ABkColor, nullptr, AIsLast);
}

void TkcOffice11LookAndFeelPainter::DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                                TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                                TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                                bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor ABkColor) {
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor, nullptr, false);
  if (AState == kcbsPressed) DrawHeaderPressed(ACanvas, ABounds);
}

void TkcOffice11LookAndFeelPainter::PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                       TkcScrollBarPart APart, TkcButtonState AState) {
  if (IsThemeObjectAvailable(totScrollBar))
    TkcWinXPLookAndFeelPainter::Instance()->PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
  else
    TkcStandardLookAndFeelPainter::Instance()->PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
}

void TkcOffice11LookAndFeelPainter::DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText,
                                                         TkcBorders, const TkcVisualParams& AParams, int AArrows,
                                                         int AArrowsOffset,
                                                         const TkcDrawBackgroundEvent& AOnDrawBackground) {
  TRect inner = Shrink(R, 1);
  if (!(AOnDrawBackground && AOnDrawBackground(ACanvas, inner))) ACanvas->FillRect(inner, AParams.Color);
  if (!AText.empty()) {
    if (AParams.Font) ACanvas->SetFont(AParams.Font);
    ACanvas->Font()->SetColor(AParams.TextColor);
    ACanvas->Brush()->SetStyle(bsClear);
    ACanvas->DrawText(AText, inner, kctfHCenter | kctfVCenter | kctfSingleLine);
    ACanvas->Brush()->SetStyle(bsSolid);
  }
  DrawHeaderArrows(ACanvas, R, AArrows, AArrowsOffset);
}

void TkcOffice11LookAndFeelPainter::DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  TkcWinXPLookAndFeelPainter::Instance()->DrawToolButton(ACanvas, R, AState);
}

// ---- Native painter -------------------------------------------------------------------------

namespace {
constexpr int TMT_FILLCOLOR = 3802, TMT_TEXTCOLOR = 3803, TMT_BORDERCOLOR = 3801, TMT_BTNFACE = 204;

HTHEME Theme(TkcThemedObjectType AType) { return GetThemeHandle(AType); }

// Distances of the content rectangle the theme reports for a 100 x 100 rectangle.
bool ContentInsets(HTHEME ATheme, int APart, int AState, TRect& AInsets) {
  RECT r{0, 0, 100, 100}, content{};
  if (GetThemeBackgroundContentRect(ATheme, HDC(), APart, AState, &r, &content) != S_OK) return false;
  AInsets = TRect{content.left, content.top, 100 - content.right, 100 - content.bottom};
  return true;
}

TSize PartSize(HTHEME ATheme, int APart, int AState) {
  SIZE s{};
  GetThemePartSize(ATheme, HDC(), APart, AState, nullptr, TS_TRUE, &s);
  return s;
}

int StateOf(TkcButtonState AState, int ADefault, int ANormal, int AHot, int APressed, int ADisabled) {
  switch (AState) {
    case kcbsDefault: return ADefault;
    case kcbsNormal: return ANormal;
    case kcbsHot: return AHot;
    case kcbsPressed: return APressed;
    default: return ADisabled;
  }
}

int CheckThemeState(TkcButtonState AState, bool AChecked) {
  return (AChecked ? 4 : 0) + StateOf(AState, 1, 1, 2, 3, 4);
}
int FilterThemeState(TkcButtonState AState) { return StateOf(AState, 1, 1, 2, 3, 4); }
}  // namespace

int GetPushButtonThemeState(TkcButtonState AState) { return StateOf(AState, 5, 1, 2, 3, 4); }

TkcWinXPLookAndFeelPainter* TkcWinXPLookAndFeelPainter::Instance() {
  static TkcWinXPLookAndFeelPainter p;
  return &p;
}

int TkcWinXPLookAndFeelPainter::GetBorderWidth() { return Theme(totListView) ? 1 : 2; }

void TkcWinXPLookAndFeelPainter::PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) {
  HTHEME theme = Theme(totListView);
  if (!theme) return TkcStandardLookAndFeelPainter::PaintControlBorder(ACanvas, R);
  HDC dc = ACanvas->Handle();
  int saved = SaveDC(dc);
  ACanvas->ExcludeClipRect(Shrink(R, 1));
  DrawThemeBackground(theme, dc, 5, 1, &R, nullptr);
  RestoreDC(dc, saved);
}

void TkcWinXPLookAndFeelPainter::DrawArrowButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                 TkcArrowDirection ADirection, bool AIsButton) {
  HTHEME theme = Theme(totScrollBar);
  if (!theme) return TkcCustomLookAndFeelPainter::DrawArrowButton(ACanvas, R, AState, ADirection, AIsButton);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, ADirection * 4 + StateOf(AState, 1, 1, 2, 3, 4), &R, nullptr);
}

void TkcWinXPLookAndFeelPainter::DrawButtonFaceAndBorder(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  HTHEME theme = Theme(totButton);
  if (!theme) return TkcCustomLookAndFeelPainter::DrawButtonFaceAndBorder(ACanvas, R, AState);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, GetPushButtonThemeState(AState), &R, nullptr);
}

TRect TkcWinXPLookAndFeelPainter::CalculateGroupButtonRect(const TRect& R, int ACount, int AIndex) {
  TRect r = TkcCustomLookAndFeelPainter::CalculateGroupButtonRect(R, ACount, AIndex);
  HTHEME theme = Theme(totButton);
  if (theme && IsThemeBackgroundPartiallyTransparent(theme, 1, 1)) InflateRect(&r, 1, 1);
  return r;
}

int TkcWinXPLookAndFeelPainter::GetButtonBorderWidth(TkcButtonState AState) {
  HTHEME theme = Theme(totButton);
  TRect insets;
  if (!theme || !ContentInsets(theme, 1, GetPushButtonThemeState(AState), insets))
    return TkcStandardLookAndFeelPainter::GetButtonBorderWidth(kcbsNormal);
  return insets.left;
}

TColor TkcWinXPLookAndFeelPainter::GetButtonFaceColor(TkcButtonState AState) {
  HTHEME theme = Theme(totButton);
  COLORREF c;
  if (theme && GetThemeColor(theme, 1, GetPushButtonThemeState(AState), TMT_BTNFACE, &c) == S_OK)
    return static_cast<TColor>(c);
  return TkcCustomLookAndFeelPainter::GetButtonFaceColor(AState);
}

TRect TkcWinXPLookAndFeelPainter::GetButtonFocusRectangle(TkcCanvas* ACanvas, const TRect& R) {
  HTHEME theme = Theme(totButton);
  RECT content;
  if (theme && GetThemeBackgroundContentRect(theme, ACanvas->Handle(), 1, 1, &R, &content) == S_OK) return content;
  return TkcCustomLookAndFeelPainter::GetButtonFocusRectangle(ACanvas, R);
}

TRect TkcWinXPLookAndFeelPainter::GetButtonGroupBorderWidths(int ACount, int AIndex) {
  HTHEME theme = Theme(totButton);
  TRect insets;
  if (!theme || !ContentInsets(theme, 1, 1, insets))
    return TkcCustomLookAndFeelPainter::GetButtonGroupBorderWidths(ACount, AIndex);
  if (IsThemeBackgroundPartiallyTransparent(theme, 1, 1))
    insets = TRect{insets.left + 1, insets.top + 1, insets.right + 1, insets.bottom + 1};
  return insets;
}

TColor TkcWinXPLookAndFeelPainter::GetButtonGlyphColor(TkcButtonState AState, TColor ADefault) {
  HTHEME theme = Theme(totButton);
  COLORREF c;
  if (theme && GetThemeColor(theme, 1, GetPushButtonThemeState(AState), TMT_TEXTCOLOR, &c) == S_OK)
    return static_cast<TColor>(c);
  return TkcCustomLookAndFeelPainter::GetButtonGlyphColor(AState, ADefault);
}

void TkcWinXPLookAndFeelPainter::DrawButton(TkcCanvas* ACanvas, const TRect& R, const String& ACaption,
                                            TkcButtonState AState, bool ADrawBorder, TColor AColor, TColor ATextColor) {
  HTHEME theme = Theme(totButton);
  if (!theme)
    return TkcCustomLookAndFeelPainter::DrawButton(ACanvas, R, ACaption, AState, ADrawBorder, AColor, ATextColor);
  int state = GetPushButtonThemeState(AState);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, state, &R, nullptr);
  if (ACaption.empty()) return;
  ACanvas->Canvas()->RequiredState();
  DrawThemeText(theme, ACanvas->Handle(), 1, state, Utf8ToWide(ACaption), -1, DT_CENTER | DT_VCENTER | DT_SINGLELINE, 0,
                &R);
}

void TkcWinXPLookAndFeelPainter::PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor) {
  HTHEME theme = Theme(totTreeView);
  if (!theme) return TkcStandardLookAndFeelPainter::PaintExpandButton(ACanvas, R, AExpanded, AColor);
  DrawThemeBackground(theme, ACanvas->Handle(), 2, AExpanded ? 2 : 1, &R, nullptr);
  ACanvas->ExcludeClipRect(R);
}

void TkcWinXPLookAndFeelPainter::DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TkcButtonState AState) {
  HTHEME theme = Theme(totExplorerBar);
  if (!theme) return TkcStandardLookAndFeelPainter::DrawGroupExpandButton(ACanvas, R, AExpanded, AState);
  DrawThemeBackground(theme, ACanvas->Handle(), AExpanded ? 6 : 7, StateOf(AState, 1, 1, 2, 3, 1), &R, nullptr);
}

void TkcWinXPLookAndFeelPainter::DrawSmallExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded,
                                                       TColor ABorderColor, TColor AColor) {
  if (Theme(totTreeView)) return PaintExpandButton(ACanvas, R, AExpanded);
  TkcCustomLookAndFeelPainter::DrawSmallExpandButton(ACanvas, R, AExpanded, ABorderColor, AColor);
}

int TkcWinXPLookAndFeelPainter::GetExpandButtonExtent() {
  HTHEME theme = Theme(totTreeView);
  return theme ? PartSize(theme, 2, 2).cx : TkcStandardLookAndFeelPainter::GetExpandButtonExtent();
}

int TkcWinXPLookAndFeelPainter::GetGroupExpandButtonExtent() {
  HTHEME theme = Theme(totExplorerBar);
  return theme ? PartSize(theme, 7, 1).cx : 15;
}

bool TkcWinXPLookAndFeelPainter::HitTestGroupExpandButton(const TRect& R, const TPoint& P) {
  HTHEME theme = Theme(totExplorerBar);
  HRGN region;
  if (!theme || GetThemeBackgroundRegion(theme, HDC(), 7, 1, &R, &region) != S_OK)
    return TkcCustomLookAndFeelPainter::HitTestGroupExpandButton(R, P);
  bool inside = PtInRegion(region, P.x, P.y);
  DeleteObject(region);
  return inside;
}

int TkcWinXPLookAndFeelPainter::GetSmallExpandButtonExtent() {
  return Theme(totTreeView) ? GetExpandButtonExtent() : 9;
}

int TkcWinXPLookAndFeelPainter::GetCheckBorderWidth() { return Theme(totButton) ? 0 : 2; }

TSize TkcWinXPLookAndFeelPainter::GetCheckBoxExtent() {
  HTHEME theme = Theme(totButton);
  return theme ? PartSize(theme, 3, 5) : TkcCustomLookAndFeelPainter::GetCheckBoxExtent();
}

void TkcWinXPLookAndFeelPainter::DrawCheckFace(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AChecked,
                                               TColor AColor) {
  HTHEME theme = Theme(totButton);
  if (!theme) return TkcCustomLookAndFeelPainter::DrawCheckFace(ACanvas, R, AState, AChecked, AColor);
  DrawThemeBackground(theme, ACanvas->Handle(), 3, CheckThemeState(AState, AChecked), &R, nullptr);
}

void TkcWinXPLookAndFeelPainter::DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  if (!Theme(totButton)) TkcStandardLookAndFeelPainter::DrawCheckFrame(ACanvas, R, AState);
}

void TkcWinXPLookAndFeelPainter::DrawRadioButton(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState, bool AChecked,
                                                 bool AHighlighted, TColor ABackgroundColor, bool AFocused) {
  HTHEME theme = Theme(totButton);
  if (!theme)
    return TkcCustomLookAndFeelPainter::DrawRadioButton(ACanvas, X, Y, AState, AChecked, AHighlighted, ABackgroundColor,
                                                        AFocused);
  TSize size = GetRadioButtonExtent();
  TRect r = Bounds(X, Y, size.cx, size.cy);
  DrawThemeBackground(theme, ACanvas->Handle(), 2, CheckThemeState(AState, AChecked), &r, nullptr);
}

TSize TkcWinXPLookAndFeelPainter::GetRadioButtonExtent() {
  HTHEME theme = Theme(totButton);
  return theme ? PartSize(theme, 2, 1) : TkcCustomLookAndFeelPainter::GetRadioButtonExtent();
}

void TkcWinXPLookAndFeelPainter::DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                            TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                            TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert, bool AMultiLine,
                                            bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                                            TColor ABkColor, const TkcDrawBackgroundEvent& AOnDrawBackground,
                                            bool AIsLast) {
  HTHEME theme = Theme(totHeader);
  if (!theme)
    return TkcCustomLookAndFeelPainter::DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                                   AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText,
                                                   AFont, ATextColor, ABkColor, AOnDrawBackground, AIsLast);
  int state = StateOf(AState, 1, 1, 2, 3, 1);
  int scheme = GetOffice11ColorScheme();
  int part = AIsLast && state == 1 && (scheme == 1 || scheme == 2) ? 3 : 1;
  DrawThemeBackground(theme, ACanvas->Handle(), part, state, &ABounds, nullptr);
  TRect text = ATextAreaBounds;
  if (AState == kcbsPressed) OffsetRect(&text, 1, 1);
  DrawThemeContent(ACanvas, theme, part, state, ABounds, text, AAlignmentHorz, AAlignmentVert, AMultiLine,
                   AShowEndEllipsis, false, AText, AFont, ATextColor, ABkColor);
}

void TkcWinXPLookAndFeelPainter::DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                             TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                                             TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                             bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                             TColor ATextColor, TColor ABkColor) {
  if (!Theme(totHeader))
    return TkcCustomLookAndFeelPainter::DrawSection(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState,
                                                    AAlignmentHorz, AAlignmentVert, AMultiLine, AShowEndEllipsis, AText,
                                                    AFont, ATextColor, ABkColor);
  ACanvas->FillRect(ABounds, clBtnFace);
  DrawHeader(ACanvas, ABounds, ATextAreaBounds, ANeighbors, ABorders, AState, AAlignmentHorz, AAlignmentVert,
             AMultiLine, AShowEndEllipsis, AText, AFont, ATextColor, ABkColor);
}

int TkcWinXPLookAndFeelPainter::GetHeaderBorderWidth() {
  HTHEME theme = Theme(totHeader);
  TRect insets;
  if (!theme || !ContentInsets(theme, 1, 1, insets)) return 1;
  return (insets.left + insets.top) / 2;
}

TRect TkcWinXPLookAndFeelPainter::GetSectionContentBounds(const TRect& R, TkcButtonState AState) {
  if (!Theme(totHeader)) return TkcCustomLookAndFeelPainter::GetSectionContentBounds(R, AState);
  return Shrink(R, GetHeaderBorderWidth());
}

void TkcWinXPLookAndFeelPainter::DrawFooterBorder(TkcCanvas* ACanvas, const TRect& R) {
  HTHEME theme = Theme(totEdit);
  if (!theme) return TkcStandardLookAndFeelPainter::DrawFooterBorder(ACanvas, R);
  DrawThemeEdge(theme, ACanvas->Handle(), 0, 0, &R, BDR_RAISEDINNER, BF_RECT, nullptr);
}

void TkcWinXPLookAndFeelPainter::DrawFooterCell(TkcCanvas* ACanvas, const TRect& R, TAlignment AAlignmentHorz,
                                                TkcAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText,
                                                TFont* AFont, TColor ATextColor, TColor ABkColor,
                                                const TkcDrawBackgroundEvent& AOnDrawBackground) {
  HTHEME theme = Theme(totTrackBar);
  if (!theme)
    return TkcCustomLookAndFeelPainter::DrawFooterCell(ACanvas, R, AAlignmentHorz, AAlignmentVert, AMultiLine, AText,
                                                       AFont, ATextColor, ABkColor, AOnDrawBackground);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, 1, &R, nullptr);
  DrawThemeContent(ACanvas, theme, 1, 1, R, GetFooterCellTextAreaBounds(R), AAlignmentHorz, AAlignmentVert, AMultiLine,
                   false, false, AText, AFont, ATextColor, ABkColor);
}

int TkcWinXPLookAndFeelPainter::GetFooterCellContentOffset() {
  HTHEME theme = Theme(totTrackBar);
  TRect insets;
  if (!theme || !ContentInsets(theme, 1, 1, insets)) return 1;
  return insets.left;
}

void TkcWinXPLookAndFeelPainter::DrawFilterCloseButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  HTHEME theme = Theme(totWindow);
  if (!theme) return TkcCustomLookAndFeelPainter::DrawFilterCloseButton(ACanvas, R, AState);
  DrawThemeBackground(theme, ACanvas->Handle(), 19, FilterThemeState(AState), &R, nullptr);
}

void TkcWinXPLookAndFeelPainter::DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState,
                                                          bool AIsActive) {
  HTHEME theme = Theme(totComboBox);
  if (!theme) return TkcStandardLookAndFeelPainter::DrawFilterDropDownButton(ACanvas, R, AState, AIsActive);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, FilterThemeState(AState), &R, nullptr);
}

TSize TkcWinXPLookAndFeelPainter::GetFilterActivateButtonExtent() {
  HTHEME theme = Theme(totButton);
  return theme ? PartSize(theme, 3, 5) : TSize{13, 13};
}

TSize TkcWinXPLookAndFeelPainter::GetFilterCloseButtonExtent() {
  HTHEME theme = Theme(totWindow);
  if (!theme) return TSize{16, 14};
  TSize s = PartSize(theme, 19, 1);
  return TSize{s.cx + 4, s.cy + 4};
}

void TkcWinXPLookAndFeelPainter::DrawLevelTab(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders,
                                              const String& AText, TkcButtonState AState, bool AVertical, TFont* AFont,
                                              TColor ATextColor, TColor ABkColor, bool AShowPrefix) {
  HTHEME theme = Theme(totTab);
  if (!theme) return;
  int state = StateOf(AState, 1, 1, 2, 3, 4);
  bool selected = AState == kcbsPressed;
  // Work in tab coordinates: a vertical tab is laid out horizontally and turned afterwards.
  TRect tab = AVertical ? TRect{0, 0, R.bottom - R.top, R.right - R.left} : R;
  TRect d = tab, clip = tab;
  bool startSide = AVertical ? ABorders.Contains(bTop) : ABorders.Contains(bLeft);
  bool endSide = AVertical ? ABorders.Contains(bBottom) : ABorders.Contains(bRight);
  if (!startSide) d.left -= 2;
  if (!endSide) d.right += 2;
  if (selected)
    d.bottom += 1;
  else
    clip.bottom -= 1;
  TRect textRect = d;
  if (selected) textRect.bottom -= 2;
  if (!AVertical) {
    DrawThemeBackground(theme, ACanvas->Handle(), 1, state, &d, &clip);
    DrawThemeContent(ACanvas, theme, 1, state, d, textRect, taCenter, vaCenter, false, false, AShowPrefix, AText, AFont,
                     ATextColor, ABkColor);
    return;
  }
  TBitmap bitmap(tab.right, tab.bottom);
  bitmap.SetPixelFormat(pf32bit);
  TkcCanvas tabCanvas(bitmap.Canvas());
  tabCanvas.CopyRect(TRect{0, 0, tab.right, tab.bottom}, ACanvas->Canvas(), R);
  DrawThemeBackground(theme, tabCanvas.Handle(), 1, state, &d, &clip);
  DrawThemeContent(&tabCanvas, theme, 1, state, d, textRect, taCenter, vaCenter, false, false, AShowPrefix, AText,
                   AFont, ATextColor, ABkColor);
  TkcCanvas::RotateBitmap(&bitmap, 1, true);
  ACanvas->Draw(R.left, R.top, &bitmap);
}

void TkcWinXPLookAndFeelPainter::DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide,
                                                    TkcBorders ABorders, bool AVertical) {
  if (!Theme(totTab)) TkcStandardLookAndFeelPainter::DrawLevelTabBorder(ACanvas, R, ASide, ABorders, AVertical);
}

void TkcWinXPLookAndFeelPainter::DrawLevelTabsBackground(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders,
                                                         bool AVertical) {
  HTHEME theme = Theme(totTab);
  if (!theme) return TkcStandardLookAndFeelPainter::DrawLevelTabsBackground(ACanvas, R, ABorders, AVertical);
  RECT content{};
  GetThemeBackgroundContentRect(theme, ACanvas->Handle(), 9, 0, &R, &content);
  TRect d = R;
  if (AVertical) {
    d.right += 10;
    d.bottom += (R.bottom - content.bottom) - (content.top - R.top);
  } else {
    d.bottom += 10;
    d.right += (R.right - content.right) - (content.left - R.left);
  }
  DrawThemeBackground(theme, ACanvas->Handle(), 9, 0, &d, &R);
}

bool TkcWinXPLookAndFeelPainter::PaintsLevelTabContent() { return Theme(totTab) != HTHEME(); }
int TkcWinXPLookAndFeelPainter::GetExtraTabFlag() { return Theme(totTab) ? 1 : 0; }

void TkcWinXPLookAndFeelPainter::DrawIndicatorItem(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                                                   const TkcDrawBackgroundEvent& AOnDrawBackground) {
  // The cell gets the flat painter's header border.
  TkcFlatLookAndFeelPainter::Instance()->TkcCustomLookAndFeelPainter::DrawIndicatorItem(ACanvas, R, AKind, ABkColor,
                                                                                        AOnDrawBackground);
}

void TkcWinXPLookAndFeelPainter::PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R,
                                                    TkcScrollBarPart APart, TkcButtonState AState) {
  HTHEME theme = Theme(totScrollBar);
  if (!theme) return TkcStandardLookAndFeelPainter::PaintScrollBarPart(ACanvas, AHorizontal, R, APart, AState);
  if (IsRectEmpty(&R)) return;
  HDC dc = ACanvas->Handle();
  switch (APart) {
    case sbpLineUp:
    case sbpLineDown: DrawArrowButton(ACanvas, R, AState, ScrollArrowDirection(AHorizontal, APart)); break;
    case sbpThumbnail:
      DrawThemeBackground(theme, dc, AHorizontal ? 2 : 3, StateOf(AState, 1, 1, 2, 3, 4), &R, nullptr);
      DrawThemeBackground(theme, dc, AHorizontal ? 8 : 9, 0, &R, nullptr);
      break;
    case sbpPageUp:
    case sbpPageDown: {
      int part = AHorizontal ? (APart == sbpPageUp ? 4 : 5) : (APart == sbpPageUp ? 6 : 7);
      DrawThemeBackground(theme, dc, part, StateOf(AState, 1, 1, 2, 3, 4), &R, nullptr);
      break;
    }
    default: break;
  }
}

void TkcWinXPLookAndFeelPainter::DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText,
                                                      TkcBorders ANeighbors, const TkcVisualParams& AParams,
                                                      int AArrows, int AArrowsOffset,
                                                      const TkcDrawBackgroundEvent& AOnDrawBackground) {
  if (!Theme(totHeader))
    return TkcCustomLookAndFeelPainter::DrawHeaderWithArrows(ACanvas, R, AText, ANeighbors, AParams, AArrows,
                                                             AArrowsOffset, AOnDrawBackground);
  DrawHeader(ACanvas, R, R, ANeighbors, kcAllBorders, kcbsNormal, taCenter, vaCenter, false, false, AText, AParams.Font,
             AParams.TextColor, AParams.Color, AOnDrawBackground, !ANeighbors.Contains(bRight));
  DrawHeaderArrows(ACanvas, R, AArrows, AArrowsOffset);
}

void TkcWinXPLookAndFeelPainter::DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
  HTHEME theme = Theme(totToolBar);
  if (!theme) return TkcCustomLookAndFeelPainter::DrawToolButton(ACanvas, R, AState);
  DrawThemeBackground(theme, ACanvas->Handle(), 1, StateOf(AState, 2, 2, 5, 3, 4), &R, nullptr);
}

TColor TkcWinXPLookAndFeelPainter::GetSplitterBorderColor() {
  HTHEME theme = Theme(totComboBox);
  COLORREF c;
  if (theme && GetThemeColor(theme, 1, 1, TMT_BORDERCOLOR, &c) == S_OK) return static_cast<TColor>(c);
  return TkcCustomLookAndFeelPainter::GetSplitterBorderColor();
}

void TkcWinXPLookAndFeelPainter::DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams,
                                              bool AHorizontal) {
  if (!AreThemesAvailable(TkcThemedObjectTypes{totComboBox, totListView}))
    return TkcStandardLookAndFeelPainter::DrawSplitter(ACanvas, R, AParams, AHorizontal);
  TColor border = GetSplitterBorderColor();
  SplitterLines(ACanvas, R, AHorizontal, border, border);
  FillSplitter(ACanvas, AdjustSplitter(R, AHorizontal), AParams);
}

void TkcWinXPLookAndFeelPainter::DrawThemeContent(TkcCanvas* ACanvas, HTHEME ATheme, int APart, int AState,
                                                  const TRect&, const TRect& ATextAreaBounds, TAlignment AAlignmentHorz,
                                                  TkcAlignmentVert AAlignmentVert, bool AMultiLine,
                                                  bool AShowEndEllipsis, bool AShowPrefix, const String& AText,
                                                  TFont* AFont, TColor ATextColor, TColor) {
  if (AText.empty()) return;
  if (AFont) ACanvas->SetFont(AFont);
  ACanvas->Font()->SetColor(ATextColor);
  TRect r = ATextAreaBounds;
  if (AMultiLine) ACanvas->AlignTextRectVertically(r, AText, AAlignmentVert, true, AShowPrefix, true, false);
  static const DWORD horz[] = {0, DT_RIGHT, DT_CENTER};
  static const DWORD vert[] = {0, DT_BOTTOM, DT_VCENTER};
  DWORD flags = horz[AAlignmentHorz] | vert[AAlignmentVert] | DT_EDITCONTROL;
  flags |= AMultiLine ? DT_WORDBREAK : DT_SINGLELINE;
  if (AShowEndEllipsis) flags |= DT_END_ELLIPSIS;
  if (!AShowPrefix) flags |= DT_NOPREFIX;
  ACanvas->Canvas()->RequiredState();
  DrawThemeText(ATheme, ACanvas->Handle(), APart, AState, Utf8ToWide(AText), -1, flags, 0, &r);
}

// ---- Painter choice -------------------------------------------------------------------------

TkcLookAndFeelPainterClass PainterOfKind(TkcLookAndFeelKind AKind) {
  switch (AKind) {
    case lfFlat: return TkcFlatLookAndFeelPainter::Instance();
    case lfStandard: return TkcStandardLookAndFeelPainter::Instance();
    case lfOffice11: return TkcOffice11LookAndFeelPainter::Instance();
    default: return TkcUltraFlatLookAndFeelPainter::Instance();
  }
}

// ---- Radio glyphs ---------------------------------------------------------------------------

int RadioGlyphKey(int AState, TkcLookAndFeelKind AKind, bool AChecked, bool AFocused, bool AHighlighted) {
  return AState + 8 * AKind + 4 * AChecked + 32 * AFocused + 64 * AHighlighted - 1;
}

namespace {

// Process-wide resources: made on first use and kept until the process ends (freeing them from
// static destructors would run after the drawing layer's own tables are gone).
TkcRadioButtonImageList* gRadioImages = nullptr;
TkcSystemPaletteChangedNotifier* gPainterNotifier = nullptr;
HIMAGELIST gIndicatorImages;
TBitmap* gPageArea[2] = {nullptr, nullptr};

// The primary palette notifier of the painters: glyphs and page areas follow the colours
// before ordinary listeners repaint.
void EnsurePainterNotifier() {
  if (gPainterNotifier) {
    SystemPaletteListenerWindow();
    return;
  }
  gPainterNotifier = new TkcSystemPaletteChangedNotifier(true);
  gPainterNotifier->OnSystemPaletteChanged = [] {
    if (gRadioImages) gRadioImages->Reset();
    if (gPageArea[0]) RefreshPageAreaBitmaps();
  };
}

bool IsBlack(Surface* s, int x, int y) { return (ColorFromPixel(s->At(x, y)) & 0xFFFFFF) == 0; }

}  // namespace

TkcRadioButtonImageList::TkcRadioButtonImageList() {
  Measure();
  BuildPattern();
  fImages = ImageList_Create(fCircleWidth, fCircleHeight, ILC_MASK | ILC_COLOR32, 128, 16);
}

TkcRadioButtonImageList::~TkcRadioButtonImageList() {
  ImageList_Destroy(fImages);
  DeleteObject(fMask);
}

void TkcRadioButtonImageList::Measure() {
  TSize cell = GetSystemCheckBoxSize();
  TBitmap b(cell.cx, cell.cy);
  HDC dc = b.Canvas()->Handle();
  TRect r{0, 0, cell.cx, cell.cy};
  b.Canvas()->Brush()->SetColor(clBlack);
  b.Canvas()->FillRect(r);
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONRADIOMASK | DFCS_FLAT);
  Surface* s = b.Pixels();
  fCircleWidth = fCircleHeight = 0;
  fCircleLeft = fCircleTop = -1;
  for (int x = 0; x < cell.cx; ++x) {
    bool any = false;
    for (int y = 0; y < cell.cy && !any; ++y) any = IsBlack(s, x, y);
    if (any) {
      if (fCircleLeft < 0) fCircleLeft = x;
      ++fCircleWidth;
    }
  }
  for (int y = 0; y < cell.cy; ++y) {
    bool any = false;
    for (int x = 0; x < cell.cx && !any; ++x) any = IsBlack(s, x, y);
    if (any) {
      if (fCircleTop < 0) fCircleTop = y;
      ++fCircleHeight;
    }
  }
  fCircleLeft = std::max(fCircleLeft, 0);
  fCircleTop = std::max(fCircleTop, 0);
  // The dot: found by its colour, the window text, on the middle column and row. The scans stop
  // at the bitmap edges.
  b.Canvas()->FillRect(r);
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONRADIOIMAGE | DFCS_CHECKED | DFCS_FLAT);
  s = b.Pixels();
  COLORREF ink = GetSysColor(COLOR_WINDOWTEXT);
  auto isInk = [&](int x, int y) {
    return x >= 0 && y >= 0 && x < cell.cx && y < cell.cy && (ColorFromPixel(s->At(x, y)) & 0xFFFFFF) == ink;
  };
  int col = fCircleLeft + fCircleWidth / 2 - 1, row = fCircleTop + fCircleHeight / 2 - 1;
  int y = fCircleTop + fCircleHeight / 2 - 2;
  while (isInk(col, y)) --y;
  fDotTop = y + 1;
  y = fDotTop + 1;
  while (isInk(col, y)) ++y;
  fDotBottom = y;
  int x = fCircleLeft + fCircleWidth / 2 - 2;
  while (isInk(x, row)) --x;
  fDotLeft = x + 1;
  x = fDotLeft + 1;
  while (isInk(x, row)) ++x;
  fDotRight = x;
}

void TkcRadioButtonImageList::BuildPattern() {
  const int cw = fCircleWidth, ch = fCircleHeight;
  fPattern.assign(static_cast<std::size_t>(cw) * ch, 0);
  auto at = [&](int x, int y) -> int& { return fPattern[static_cast<std::size_t>(y) * cw + x]; };
  auto roundRect = [&](const TRect& R, bool filled) {
    TBitmap b(cw, ch);
    TCanvas* c = b.Canvas();
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(filled ? clBlack : clWhite);
    c->RoundRect(R.left, R.top, R.right, R.bottom, R.right - R.left - 1, R.bottom - R.top - 1);
    std::vector<bool> black(static_cast<std::size_t>(cw) * ch);
    for (int y = 0; y < ch; ++y)
      for (int x = 0; x < cw; ++x) black[static_cast<std::size_t>(y) * cw + x] = IsBlack(b.Pixels(), x, y);
    return black;
  };
  // Outer ring, split by the line from the top-right to the bottom-left corner.
  auto ring = roundRect(TRect{0, 0, cw, ch}, false);
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      if (ring[static_cast<std::size_t>(y) * cw + x]) at(x, y) = (ch - 1) * (cw - 1 - x) < y * (cw - 1) ? 2 : 1;
  // Body, from the middle outwards on every inner row.
  const int mx = cw / 2 - 1, my = ch / 2 - 1;
  for (int y = 1; y <= ch - 2; ++y) {
    for (int x = mx; x >= 0 && at(x, y) == 0; --x) at(x, y) = 5;
    for (int x = mx + 1; x < cw && at(x, y) == 0; ++x) at(x, y) = 5;
  }
  // Inner ring, by rows and by columns.
  auto innerValue = [&](int x, int y) {
    int a = (cw - 1 - x) * (ch - 1), b = y * (cw - 1);
    return a < b || (a == b && x > cw / 2 - 1) ? 4 : 3;
  };
  auto isOuter = [&](int x, int y) { return at(x, y) == 1 || at(x, y) == 2; };
  auto walk = [&](int x, int y, int dx, int dy, bool all) {
    int lastX = -1, lastY = -1;
    while (x >= 0 && y >= 0 && x < cw && y < ch && !isOuter(x, y)) {
      if (all) at(x, y) = innerValue(x, y);
      lastX = x, lastY = y;
      x += dx, y += dy;
    }
    if (lastX >= 0) at(lastX, lastY) = innerValue(lastX, lastY);
  };
  for (int y = 1; y <= ch - 2; ++y) {
    bool all = y == 1 || y == ch - 2;
    walk(mx, y, -1, 0, all);
    walk(mx + 1, y, 1, 0, all);
  }
  for (int x = 1; x <= cw - 2; ++x) {
    bool all = x == 1 || x == cw - 2;
    walk(x, my, 0, -1, all);
    walk(x, my + 1, 0, 1, all);
  }
  // The dot.
  auto dot = roundRect(
      TRect{fDotLeft - fCircleLeft, fDotTop - fCircleTop, fDotRight - fCircleLeft, fDotBottom - fCircleTop}, true);
  for (std::size_t i = 0; i < dot.size(); ++i)
    if (dot[i]) fPattern[i] = 6;
  // The mask: black is the opaque circle.
  TBitmap mask(cw, ch);
  mask.Canvas()->Pen()->SetColor(clBlack);
  mask.Canvas()->Brush()->SetColor(clBlack);
  mask.Canvas()->RoundRect(0, 0, cw, ch, cw - 1, ch - 1);
  std::vector<WORD> rows(static_cast<std::size_t>((cw + 15) / 16) * ch, 0);
  const int wordsPerRow = (cw + 15) / 16;
  for (int y = 0; y < ch; ++y)
    for (int x = 0; x < cw; ++x)
      if (!IsBlack(mask.Pixels(), x, y)) {
        // Bits run from the most significant bit of each byte; a 1 bit is white (transparent).
        auto* bytes = reinterpret_cast<BYTE*>(&rows[static_cast<std::size_t>(y) * wordsPerRow]);
        bytes[x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
      }
  fMask = CreateBitmap(cw, ch, 1, 1, rows.data());
}

int TkcRadioButtonImageList::ImageCount() const { return ImageList_GetImageCount(fImages); }

void TkcRadioButtonImageList::Reset() {
  ImageList_Remove(fImages, -1);
  fIndexes.clear();
  Prepare();
}

void TkcRadioButtonImageList::Prepare() {
  if (ImageCount() > 0) return;
  const int cw = fCircleWidth, ch = fCircleHeight;
  for (int highlighted = 0; highlighted < 2; ++highlighted)
    for (int focused = 0; focused < 2; ++focused)
      for (int kind = lfFlat; kind <= lfOffice11; ++kind)
        for (int checked = 0; checked < 2; ++checked)
          for (int state = 1; state <= 4; ++state) {
            auto k = TkcLookAndFeelKind(kind);
            auto bs = TkcButtonState(state);  // 1 normal, 2 hot, 3 pressed, 4 disabled
            bool disabled = bs == kcbsDisabled, hotOrPressed = bs == kcbsHot || bs == kcbsPressed;
            TColor body;
            if (k == lfOffice11)
              body = bs == kcbsNormal ? clWindow : TkcOffice11LookAndFeelPainter::Instance()->GetButtonFaceColor(bs);
            else if (disabled)
              body = clBtnFace;
            else if (k == lfUltraFlat)
              body = bs == kcbsHot ? GetUltraFlatHotColor() : bs == kcbsPressed ? GetUltraFlatPressedColor() : clWindow;
            else
              body = bs == kcbsPressed ? clBtnFace : clWindow;
            TColor map[7] = {clWhite, clBtnShadow, clBtnHighlight, body, body, body, body};
            switch (k) {
              case lfFlat: map[3] = map[4] = cl3DLight; break;
              case lfStandard: map[3] = cl3DDkShadow, map[4] = cl3DLight; break;
              case lfUltraFlat:
                map[1] = map[2] = highlighted || hotOrPressed || (focused && !disabled) ? clHighlight : clBtnShadow;
                break;
              case lfOffice11:
                map[1] = map[2] = disabled                                 ? Office11DisabledColor
                                  : highlighted || focused || hotOrPressed ? Office11SelectedBorderColor
                                                                           : clBtnText;
                break;
            }
            if (checked) map[6] = disabled ? (k == lfOffice11 ? Office11DisabledColor : clBtnShadow) : clWindowText;
            std::vector<::Pixel> pixels(static_cast<std::size_t>(cw) * ch);
            for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = PixelFromColor(ColorToRGB(map[fPattern[i]]));
            TBitmap image;
            image.AssignPixels(cw, ch, pixels.data(), cw);
            int index = ImageList_Add(fImages, image.Handle(), fMask);
            int key = RadioGlyphKey(state, k, checked, focused, highlighted);
            if (key >= static_cast<int>(fIndexes.size())) fIndexes.resize(key + 1, -1);
            fIndexes[key] = index;
          }
}

void TkcRadioButtonImageList::Draw(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState, TkcLookAndFeelKind AKind,
                                   bool AChecked, bool AFocused, bool AHighlighted, TColor ABackgroundColor) {
  Prepare();
  int state = AState == kcbsDefault ? 1 : static_cast<int>(AState);
  int index = ImageIndex(RadioGlyphKey(state, AKind, AChecked, AFocused, AHighlighted));
  if (index < 0) return;
  if (ABackgroundColor == clDefault) {
    ImageList_Draw(fImages, index, ACanvas->Handle(), X, Y, ILD_TRANSPARENT);
    return;
  }
  TBitmap temp(fCircleWidth, fCircleHeight);
  temp.Canvas()->Brush()->SetColor(ABackgroundColor);
  temp.Canvas()->FillRect(TRect{0, 0, fCircleWidth, fCircleHeight});
  ImageList_Draw(fImages, index, temp.Canvas()->Handle(), 0, 0, ILD_TRANSPARENT);
  ACanvas->Draw(X, Y, &temp);
}

TkcRadioButtonImageList* GetRadioButtonImages() {
  EnsurePainterNotifier();
  if (!gRadioImages) {
    gRadioImages = new TkcRadioButtonImageList;
    gRadioImages->Prepare();
  }
  return gRadioImages;
}

HIMAGELIST GetIndicatorImages() {
  if (!gIndicatorImages) {
    static const char* const names[] = {"KC_ARROWBITMAP",    "KC_EDITBITMAP",       "KC_INSERTBITMAP",
                                        "KC_MULTIDOTBITMAP", "KC_MULTIARROWBITMAP", "KC_FILTERBITMAP"};
    for (const char* name : names) {
      HBITMAP b = LoadNamedBitmap(name);
      if (!gIndicatorImages) {
        SIZE size = GetBitmapSize(b);
        gIndicatorImages = ImageList_Create(size.cx, size.cy, ILC_MASK | ILC_COLOR32, 6, 1);
      }
      ImageList_AddMasked(gIndicatorImages, b, RGB(255, 255, 255));
      DeleteObject(b);
    }
  }
  return gIndicatorImages;
}

TSize GetSystemCheckBoxSize() {
  static TSize size = [] {
    HBITMAP b = LoadBitmap(HINSTANCE(), OBM_CHECKBOXES);
    SIZE s = GetBitmapSize(b);
    DeleteObject(b);
    return TSize{s.cx / 4, s.cy / 3};
  }();
  return size;
}

void RefreshPageAreaBitmaps() {
  const TColor colors[2][2] = {{clBtnHighlight, clBtnFace}, {cl3DDkShadow, clBlack}};
  for (int pressed = 0; pressed < 2; ++pressed) {
    if (!gPageArea[pressed]) gPageArea[pressed] = new TBitmap(8, 8);
    for (int j = 0; j < 8; ++j)
      for (int i = 0; i < 8; ++i)
        gPageArea[pressed]->Canvas()->SetPixels(i, j, colors[pressed][(i + j) % 2 == 1 ? 0 : 1]);
  }
}

TBitmap* GetPageAreaBitmap(bool APressed) {
  EnsurePainterNotifier();
  if (!gPageArea[0]) RefreshPageAreaBitmaps();
  return gPageArea[APressed ? 1 : 0];
}
