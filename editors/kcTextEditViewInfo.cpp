#include "editors/kcTextEditViewInfo.h"

#include <algorithm>

#include "platform/core/Utf8.h"

namespace tl = kcTextLayout;

namespace {

constexpr TColor kColorNotSet = static_cast<TColor>(0x20000000);

TColor Inverse(TColor AColor) { return static_cast<TColor>(ColorToRGB(AColor) ^ 0xFFFFFF); }

// The height of a row of text: the extent of "Zg", and never less than the font's cell height
// the rows are laid out with (a descender must not fall outside the text rectangle).
int LineHeight(TkcCanvas* ACanvas) {
  if (!ACanvas) return 0;
  TEXTMETRIC metrics{};
  GetTextMetrics(ACanvas->Canvas()->Handle(), &metrics);
  return std::max<int>(ACanvas->TextHeight("Zg"), metrics.tmHeight);
}

// Single-row flags made into wrapping ones: word breaks, whole rows, from the top.
unsigned WrappingFlags(unsigned AFlags) {
  return (AFlags & ~(tl::kctfSingleLine | tl::kctfVertAlignmentMask)) | tl::kctfWordBreak | tl::kctfWholeRowsOnly;
}

// The rows a text wraps into at a width (0 for an empty text or no width).
int CountWrappedRows(TCanvas* ACanvas, std::string_view AText, int AWidth, unsigned AFlags, int AMaxLineCount) {
  if (AText.empty() || AWidth <= 0) return 0;
  TkcTextLayoutParams params;
  InitTextLayoutParamsOnCanvas(ACanvas, WrappingFlags(AFlags), params);
  TkcTextRows rows;
  int count = 0;
  BuildTextRowsOnCanvas(ACanvas, AText, RECT{0, 0, AWidth, 0x3FFFFFFF}, params, rows, count, AMaxLineCount);
  return AMaxLineCount > 0 ? std::min(count, AMaxLineCount) : count;
}

}  // namespace

// ---- View info -------------------------------------------------------------------------------

void TkcCustomTextEditViewInfo::OffsetBounds(int DX, int DY) {
  TkcCustomEditViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&TextRect, DX, DY);
  // The kept rows move with the view info: scrolling never lays text out again.
  for (TkcTextRowEntry& row : Rows) {
    row.Left += DX;
    row.Top += DY;
  }
}

void TkcCustomTextEditViewInfo::PrepareWrappedLayout(TkcCanvas* ACanvas) {
  if (!WrapRequested) return;
  TextFlags = BaseTextFlags;
  if (Text.empty()) return;
  if (Font) ACanvas->SetFont(Font);
  const bool right = (BaseTextFlags & tl::kctfHorzAlignmentMask) == tl::kctfRight;
  const int rows = CountWrappedRows(ACanvas->Canvas(), Text, TextRect.right - TextRect.left + (right ? 1 : 0),
                                    BaseTextFlags, 0);
  if (rows <= 1) return;
  TextFlags = (BaseTextFlags & ~tl::kctfSingleLine) | tl::kctfWordBreak | tl::kctfWholeRowsOnly;
  // Rows that do not all fit start at the top.
  if (TextRect.bottom - TextRect.top < rows * LineHeight(ACanvas)) TextFlags &= ~tl::kctfVertAlignmentMask;
}

void TkcCustomTextEditViewInfo::DrawText(TkcCanvas* ACanvas) {
  if (Text.empty()) return;
  if (!IsLaidOut) PrepareWrappedLayout(ACanvas);
  if (Font) ACanvas->SetFont(Font);
  ACanvas->Font()->SetColor(IsHighlighted ? clHighlightText : TextColor);
  TCanvas* canvas = ACanvas->Canvas();
  if (!IsLaidOut) {
    IsLaidOut = true;
    RowCount = 0;
    Rows.clear();
    EllipsisForced = false;
    InitTextLayoutParamsOnCanvas(canvas, TextFlags, LayoutParams);
    if (IsRectEmpty(&TextRect)) return;
    const bool complete = BuildTextRowsOnCanvas(canvas, Text, TextRect, LayoutParams, Rows, RowCount, MaxLineCount);
    if (MaxLineCount > 0 && RowCount >= MaxLineCount) {
      RowCount = MaxLineCount;
      EllipsisForced = !complete && LayoutParams.EndEllipsis && LayoutParams.WholeRowsOnly && !LayoutParams.SingleLine;
    }
    PositionTextRows(canvas->Handle(), TextRect, LayoutParams, Rows, RowCount);
    const int length = static_cast<int>(Utf8Length(Text));
    if (SelStart < 0 || SelStart >= length) SelLength = 0;
    SelLength = std::max(0, std::min(SelLength, length - std::max(SelStart, 0)));
  }
  canvas->RequiredState();
  PaintTextRows(canvas->Handle(), TextRect, LayoutParams, Rows, RowCount, SelStart, SelLength, SelBkColor, SelTextColor,
                EllipsisForced);
}

void TkcCustomTextEditViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  TkcCustomEditViewInfo::DrawBackground(ACanvas);
  if (IsHighlighted) ACanvas->FillRect(ClientRect, clHighlight);
  if (!HasVisibleInnerEdit) DrawText(ACanvas);
}

bool TkcCustomTextEditViewInfo::NeedsHintInBounds(TkcCanvas* ACanvas, POINT P, const TRect& ABounds) {
  if (Text.empty()) return false;
  if (!IsLaidOut) PrepareWrappedLayout(ACanvas);
  TRect visible = TextRect;
  if (!IsRectEmpty(&ABounds) && !IntersectRect(&visible, &ABounds, &TextRect)) return false;
  if (!PtInRect(&visible, P)) return false;
  constexpr int kLarge = 0x3FFFFFFF;
  const unsigned flags = (TextFlags & ~tl::kctfVertAlignmentMask) | tl::kctfReturnRowCount;
  TRect r = TextRect;
  if (flags & tl::kctfSingleLine) r.right = r.left + kLarge;
  r.bottom = r.top + kLarge;
  TCanvas* canvas = ACanvas->Canvas();
  if (Font) ACanvas->SetFont(Font);
  TkcTextLayoutParams params;
  InitTextLayoutParamsOnCanvas(canvas, flags, params);
  TkcTextRows rows;
  int count = 0;
  if (!BuildTextRowsOnCanvas(canvas, Text, r, params, rows, count, MaxLineCount)) return true;
  const int width = TextRect.right - TextRect.left;
  const HDC dc = canvas->Handle();
  int bottom = TextRect.top;
  for (int i = 0; i < count; ++i) {
    std::string_view row(rows[static_cast<std::size_t>(i)].Text,
                         static_cast<std::size_t>(rows[static_cast<std::size_t>(i)].TextLength));
    while (!row.empty() && row.back() == ' ') row.remove_suffix(1);
    SIZE size{};
    GetTextExtentPoint32(dc, row, &size);
    int left = TextRect.left;
    if (params.HorzAlignment == tl::kctfCenter) left += (width - size.cx) / 2;
    if (params.HorzAlignment == tl::kctfRight) left = TextRect.right - size.cx;
    left = std::max<int>(left, TextRect.left);
    if (size.cx > width || left + size.cx > visible.right) return true;
    bottom += row.empty() ? LineHeight(ACanvas) : params.RowHeight;
  }
  return bottom > visible.bottom;
}

// ---- View data -------------------------------------------------------------------------------

TkcCustomTextEditViewData::TkcCustomTextEditViewData(TkcCustomTextEditProperties* AProperties,
                                                     TkcCustomEditStyle* AStyle, bool AIsInplace)
    : TkcCustomEditViewData(AProperties, AStyle, AIsInplace) {}

String TkcCustomTextEditViewData::GetDisplayText(const Variant& AEditValue) {
  TkcCustomTextEditProperties* p = TextProperties();
  String text;
  if (p->IsValueFormattedBySource()) {
    text = VarToStr(AEditValue);
  } else {
    Variant display;
    p->ConvertEditValueForDisplay(AEditValue, Focused, display);
    text = VarToStr(display);
  }
  p->PrepareDisplayText(text);
  return text;
}

unsigned TkcCustomTextEditViewData::GetDrawTextFlags() {
  TkcEditAlignment* alignment = Properties->Alignment();
  unsigned flags = tl::kctfSingleLine | tl::kctfNoLeftOverflow | tl::kctfNoTopOverflow;
  switch (alignment->Horz()) {
    case taRightJustify: flags |= tl::kctfRight; break;
    case taCenter: flags |= tl::kctfCenter; break;
    default: flags |= tl::kctfLeft; break;
  }
  switch (alignment->Vert()) {
    case taBottomJustify: flags |= tl::kctfBottom; break;
    case taVCenter: flags |= tl::kctfVCenter; break;
    default: break;
  }
  return flags;
}

TRect TkcCustomTextEditViewData::GetTextOffsets() {
  TRect offsets = GetContentDefaultOffsets();
  const TkcTextEditingStyle style = TextProperties()->GetEditingStyle();
  if (!IsInplace && (style == esFixedList || style == esNoEdit)) {
    TkcEditAlignment* alignment = Properties->Alignment();
    if (alignment->Vert() == taTopJustify) {
      ++offsets.top;
      --offsets.bottom;
    }
    if (alignment->Horz() == taRightJustify)
      ++offsets.right;
    else
      ++offsets.left;
  }
  return offsets;
}

void TkcCustomTextEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                          TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcCustomTextEditViewInfo*>(AViewInfo);
  info->IsHighlighted = false;
  info->EditingStyle = TextProperties()->GetEditingStyle();
  const TRect offsets = GetTextOffsets();
  const TRect& client = info->ClientRect;
  info->TextRect = TRect{client.left + offsets.left, client.top + offsets.top, client.right - offsets.right,
                         client.bottom - offsets.bottom};
  if (!IsInplace && ACanvas) {
    if (info->Font) ACanvas->SetFont(info->Font);
    const int height = LineHeight(ACanvas);
    if (info->TextRect.bottom - info->TextRect.top < height)
      info->TextRect.bottom = std::min<LONG>(info->TextRect.top + height, client.bottom);
  }
  info->MaxLineCount = MaxLineCount;
  info->IsLaidOut = false;
  info->Rows.clear();
  info->RowCount = 0;
  info->TextFlags = GetDrawTextFlags() | (EndEllipsis ? tl::kctfEndEllipsis : 0u);
  info->BaseTextFlags = info->TextFlags;
  info->WrapRequested = !TextProperties()->IsMultiLine() && (TextProperties()->GetOperationSupport() & 2) &&
                        (Flags & 2);
}

void TkcCustomTextEditViewData::FillViewInfoValue(TkcCanvas*, const Variant& AEditValue,
                                                  TkcCustomTextEditViewInfo* AViewInfo) {
  AViewInfo->Text = GetDisplayText(AEditValue);
  AViewInfo->IsLaidOut = false;
  SetSelectionColors(AViewInfo);
}

void TkcCustomTextEditViewData::SetSelectionColors(TkcCustomTextEditViewInfo* AViewInfo) {
  AViewInfo->SelStart = SelStart;
  AViewInfo->SelLength = SelLength;
  if (SelLength == 0) return;
  if (SelBkColorSetting == kColorNotSet) {
    if (SelTextColorSetting != kColorNotSet) {
      AViewInfo->SelTextColor = SelTextColorSetting;
      AViewInfo->SelBkColor = Inverse(SelTextColorSetting);
    } else if (Style->Color() == clHighlight) {
      AViewInfo->SelBkColor = 0;
      AViewInfo->SelTextColor = 0xFFFFFF;
    } else {
      AViewInfo->SelBkColor = clHighlight;
      AViewInfo->SelTextColor = clHighlightText;
    }
    return;
  }
  AViewInfo->SelBkColor = SelBkColorSetting;
  AViewInfo->SelTextColor = SelTextColorSetting != kColorNotSet ? SelTextColorSetting : Inverse(SelBkColorSetting);
}

TSize TkcCustomTextEditViewData::GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue,
                                                const TkcEditSizeProperties& ASize) {
  if (!ACanvas) return TSize{0, 0};
  if (Style->GetVisibleFont()) ACanvas->SetFont(Style->GetVisibleFont());
  const String text = GetDisplayText(AEditValue);
  const TRect offsets = GetContentDefaultOffsets();
  const TkcTextEditingStyle style = TextProperties()->GetEditingStyle();
  const bool alignmentPixel = !IsInplace && (style == esFixedList || style == esNoEdit);
  TSize size{ASize.Width >= 0 ? ASize.Width : (text.empty() ? 0 : ACanvas->TextWidth(text)), LineHeight(ACanvas)};
  if (ASize.Width >= 0) {
    // A given width: as many rows as the text wraps into there (within the line limit).
    const int wrap = ASize.Width - 3 + (IsInplace ? 0 : 2) + (alignmentPixel ? 0 : 1);
    if (wrap <= 0) size.cx = 0;
    const int rows = wrap > 0 ? CountWrappedRows(ACanvas->Canvas(), text, wrap, GetDrawTextFlags(), ASize.MaxLineCount)
                              : 0;
    size.cy = LineHeight(ACanvas) * std::max(rows, 1);
  }
  if (alignmentPixel) ++size.cx;
  size.cx += offsets.left + offsets.right;
  size.cy += offsets.top + offsets.bottom;
  return size;
}

TkcCustomEditViewData* TkcCustomTextEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* data = new TkcCustomTextEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}
