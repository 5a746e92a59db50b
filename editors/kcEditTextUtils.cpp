#include "editors/kcEditTextUtils.h"

#include <algorithm>
#include <optional>

#include "controls/kcGraphics.h"
#include "platform/core/Utf8.h"

namespace tl = kcTextLayout;

namespace {

constexpr std::string_view kEllipsis = "...";

bool IsStretched(const TkcTextLayoutParams& p) {
  return p.HorzAlignment == tl::kctfJustify || p.HorzAlignment == tl::kctfDistribute;
}

// Character advances of the text, read from the device a chunk at a time as the scan moves on,
// so that laying out the start of a long text measures only that start. Inside a chunk the
// advance of a character is found by its byte position.
class TAdvanceReader {
public:
  TAdvanceReader(HDC ADC, std::string_view AText) : fDC(ADC), fText(AText), fExtra(GetTextCharacterExtra(ADC)) {}

  int Advance(std::size_t APos) {
    if (APos < fChunkStart || APos >= fChunkStart + fByByte.size()) Load(APos);
    return fByByte[APos - fChunkStart] + fExtra;
  }

private:
  void Load(std::size_t APos) {
    constexpr std::size_t kChunk = 16384;
    std::size_t end = std::min(fText.size(), APos + kChunk);
    while (end < fText.size() && !Utf8IsBoundary(fText, end)) ++end;
    const std::string_view chunk = fText.substr(APos, end - APos);
    const std::vector<int> advances = GetCharAdvances(fDC, chunk);
    fByByte.assign(chunk.size(), 0);
    std::size_t pos = 0;
    for (int a : advances) {
      if (pos >= chunk.size()) break;
      fByByte[pos] = a;
      pos = Utf8Next(chunk, pos);
    }
    fChunkStart = APos;
  }

  HDC fDC;
  std::string_view fText;
  int fExtra;
  std::vector<int> fByByte;
  std::size_t fChunkStart = 0;
};

// Width of one character at x (from the row's origin): a tab with tab expansion reaches the
// next tab stop.
int CharWidth(const TkcTextLayoutParams& p, TAdvanceReader& reader, std::string_view text, std::size_t pos, int x) {
  if (p.ExpandTabs && text[pos] == '\t' && p.TabWidth > 0) return (x / p.TabWidth + 1) * p.TabWidth - x;
  return reader.Advance(pos);
}

int MeasureRow(const TkcTextLayoutParams& p, TAdvanceReader& reader, std::string_view text, std::size_t start,
               std::size_t end) {
  int x = 0;
  for (std::size_t i = start; i < end; i = Utf8Next(text, i)) x += CharWidth(p, reader, text, i, x);
  return x;
}

// Breaks one row starting at byte APos; answers the bytes consumed including what is skipped
// after the row.
std::size_t BreakRow(const TkcTextLayoutParams& p, TAdvanceReader& reader, std::string_view text, std::size_t pos,
                     int width, bool isLast, TkcTextRowEntry& row) {
  row = TkcTextRowEntry{};
  const std::size_t remaining = text.size() - pos;
  const bool wrap = !p.SingleLine && (p.WordBreak || IsStretched(p));
  const bool ellipsisCut = isLast && p.EndEllipsis && !p.WholeRowsOnly && !p.NoClip && !IsStretched(p);
  const bool measure = wrap || ellipsisCut || p.SingleLine;
  long long lastBreak = -1;
  std::size_t length = 0;
  int extent = 0;
  for (std::size_t i = 0; i < remaining;) {
    const std::size_t clen = Utf8CharLen(text, pos + i);
    length = i + clen;
    const char c = text[pos + i];
    if (c == p.BreakChar || c == '\t') {
      ++row.BreakCount;
      lastBreak = static_cast<long long>(i);
    }
    if ((c == '\r' || c == '\n') && !ellipsisCut && !p.SingleLine) {
      length = i;
      if (p.HorzAlignment == tl::kctfJustify) row.BreakCount = 0;
      break;
    }
    if (!measure) {
      i += clen;
      continue;
    }
    extent += CharWidth(p, reader, text, pos + i, extent);
    if (extent <= width) {
      i += clen;
      continue;
    }
    if (ellipsisCut || p.SingleLine) break;
    if (lastBreak >= 0) {
      length = static_cast<std::size_t>(lastBreak) + 1;
      break;
    }
    if (!p.BreakInsideWords) {
      i += clen;
      continue;
    }
    if (i > 0) length = i;
    break;
  }
  if (IsStretched(p))
    while (length > 0 && (text[pos + length - 1] == p.BreakChar || text[pos + length - 1] == '\t')) {
      --length;
      if (row.BreakCount > 0) --row.BreakCount;
    }
  row.Text = text.data() + pos;
  row.TextLength = static_cast<int>(length);
  row.Width = MeasureRow(p, reader, text, pos, pos + length);
  row.Height = p.Height;
  std::size_t next = pos + length;
  while (next < text.size() && text[next] == p.BreakChar) ++next;
  if (next < text.size() && text[next] == '\t') ++next;
  bool paragraphEnd = false;
  if (next < text.size() && text[next] == '\r') {
    ++next;
    paragraphEnd = true;
  }
  if (next < text.size() && text[next] == '\n') ++next;
  if ((paragraphEnd || next >= text.size()) && p.HorzAlignment == tl::kctfJustify) row.BreakCount = 0;
  return next - pos;
}

bool IsLastRow(const TkcTextLayoutParams& p, int rowCount, int bottom, int height, int maxLineCount) {
  if (p.SingleLine) return true;
  if (p.VertAlignment != 0 || p.CalcRect) return maxLineCount > 0 && rowCount >= maxLineCount;
  if (p.WholeRowsOnly && !p.NoClip) return bottom + p.RowHeight > height;
  return bottom > height;
}

// Saves the clip for the life of the object and narrows it to a rectangle.
class TClipScope {
public:
  TClipScope(HDC ADC, const RECT& ARect) : fDC(ADC), fSaved(SaveDC(ADC)) {
    IntersectClipRect(ADC, ARect.left, ARect.top, ARect.right, ARect.bottom);
  }
  ~TClipScope() { RestoreDC(fDC, fSaved); }
  TClipScope(const TClipScope&) = delete;
  TClipScope& operator=(const TClipScope&) = delete;

private:
  HDC fDC;
  int fSaved;
};

void DrawRowText(HDC dc, const TkcTextLayoutParams& p, const TkcTextRowEntry& row, std::string_view text) {
  if (p.ExpandTabs)
    TabbedTextOut(dc, row.Left, row.Top, text, 0, nullptr, row.Left);
  else
    TextOut(dc, row.Left, row.Top, text);
}

// Pixel offset of every character boundary of the row as drawn (offsets[i] = start of
// character i, offsets[count] = the row's end).
std::vector<int> RowOffsets(HDC dc, const TkcTextLayoutParams& p, std::string_view text) {
  const std::size_t count = Utf8Length(text);
  std::vector<int> sums(count);
  if (count > 0) GetTextExtentExPoint(dc, text, 0, nullptr, sums.data(), nullptr);
  std::vector<int> offsets(count + 1, 0);
  std::size_t pos = 0;
  for (std::size_t i = 0; i < count; ++i) {
    int advance = sums[i] - (i > 0 ? sums[i - 1] : 0);
    if (p.ExpandTabs && text[pos] == '\t' && p.TabWidth > 0)
      advance = (offsets[i] / p.TabWidth + 1) * p.TabWidth - offsets[i];
    offsets[i + 1] = offsets[i] + advance;
    pos = Utf8Next(text, pos);
  }
  return offsets;
}

}  // namespace

void InitTextLayoutParams(HDC ADC, unsigned AFlags, TkcTextLayoutParams& AParams) {
  AParams = TkcTextLayoutParams{};
  TEXTMETRIC tm{};
  GetTextMetrics(ADC, &tm);
  AParams.Height = tm.tmHeight;
  AParams.AddExternalLeading = (AFlags & tl::kctfExternalLeading) != 0;
  AParams.ExternalLeading = AParams.AddExternalLeading ? tm.tmExternalLeading : 0;
  AParams.RowHeight = AParams.Height + AParams.ExternalLeading;
  AParams.EndEllipsis = (AFlags & tl::kctfEndEllipsis) != 0;
  if (AParams.EndEllipsis) {
    SIZE size{};
    GetTextExtentPoint32(ADC, kEllipsis, &size);
    AParams.EllipsisWidth = size.cx;
  }
  AParams.BreakChar = tm.tmBreakChar > 0 && tm.tmBreakChar < 0x80 ? static_cast<char>(tm.tmBreakChar) : ' ';
  AParams.HorzAlignment = static_cast<BYTE>(AFlags & tl::kctfHorzAlignmentMask);
  AParams.VertAlignment = static_cast<BYTE>((AFlags >> 4) & 3);
  AParams.WordBreak = (AFlags & tl::kctfWordBreak) != 0;
  AParams.SingleLine = (AFlags & tl::kctfSingleLine) != 0;
  AParams.ExpandTabs = (AFlags & tl::kctfExpandTabs) != 0;
  AParams.WholeRowsOnly = (AFlags & tl::kctfWholeRowsOnly) != 0;
  AParams.NoClip = (AFlags & tl::kctfNoClip) != 0;
  AParams.Reserved10000 = (AFlags & tl::kctfReserved10000) != 0;
  AParams.NoLeftOverflow = (AFlags & tl::kctfNoLeftOverflow) != 0;
  AParams.NoTopOverflow = (AFlags & tl::kctfNoTopOverflow) != 0;
  AParams.BreakInsideWords = (AFlags & tl::kctfBreakInsideWords) != 0;
  AParams.ReturnRowCount = (AFlags & tl::kctfReturnRowCount) != 0;
  AParams.CalcRect = (AFlags & tl::kctfCalcRect) != 0;
  AParams.MaxCharWidth = tm.tmMaxCharWidth;
  AParams.CharSet = tm.tmCharSet;
  AParams.TabWidth = 8 * tm.tmAveCharWidth;
}

void InitTextLayoutParamsOnCanvas(TCanvas* ACanvas, unsigned AFlags, TkcTextLayoutParams& AParams) {
  ACanvas->RequiredState();
  InitTextLayoutParams(ACanvas->Handle(), AFlags, AParams);
}

bool BuildTextRows(HDC ADC, std::string_view AText, const RECT& ARect, const TkcTextLayoutParams& AParams,
                   TkcTextRows& ARows, int& ARowCount, int AMaxLineCount) {
  ARowCount = 0;
  ARows.clear();
  if (AText.empty()) return true;
  TAdvanceReader reader(ADC, AText);
  if (AParams.CalcRect && AParams.SingleLine) {
    TkcTextRowEntry row;
    row.Text = AText.data();
    row.TextLength = static_cast<int>(AText.size());
    row.Width = MeasureRow(AParams, reader, AText, 0, AText.size());
    row.Height = AParams.Height;
    row.CharCount = static_cast<int>(Utf8Length(AText));
    ARows.push_back(row);
    ARowCount = 1;
    return true;
  }
  const int width = ARect.right - ARect.left;
  const int height = ARect.bottom - ARect.top;
  std::size_t pos = 0;
  int charOffset = 0;
  int bottom = 0;
  bool last = false;
  while (pos < AText.size() && !last) {
    ++ARowCount;
    bottom += AParams.RowHeight;
    last = IsLastRow(AParams, ARowCount, bottom, height, AMaxLineCount);
    TkcTextRowEntry row;
    const std::size_t consumed = BreakRow(AParams, reader, AText, pos, width, last, row);
    row.TextOffset = charOffset;
    row.CharCount = static_cast<int>(Utf8Length(AText.substr(pos, static_cast<std::size_t>(row.TextLength))));
    charOffset += static_cast<int>(Utf8Length(AText.substr(pos, consumed)));
    pos += consumed;
    ARows.push_back(row);
  }
  return !(!AParams.SingleLine && !AParams.CalcRect && AMaxLineCount > 0 && ARowCount == AMaxLineCount &&
           pos < AText.size());
}

bool BuildTextRowsOnCanvas(TCanvas* ACanvas, std::string_view AText, const RECT& ARect,
                           const TkcTextLayoutParams& AParams, TkcTextRows& ARows, int& ARowCount, int AMaxLineCount) {
  ACanvas->RequiredState();
  return BuildTextRows(ACanvas->Handle(), AText, ARect, AParams, ARows, ARowCount, AMaxLineCount);
}

void PositionTextRows(HDC, const RECT& ARect, TkcTextLayoutParams& AParams, TkcTextRows& ARows, int ARowCount) {
  ARowCount = std::min(ARowCount, static_cast<int>(ARows.size()));
  if (ARowCount <= 0) return;
  int extra = 0;
  if ((AParams.VertAlignment << 4) == tl::kctfVDistribute && ARowCount > 1) {
    const int free = ARect.bottom - ARect.top - AParams.Height;
    if (static_cast<double>(AParams.Height) < static_cast<double>(free) / (ARowCount - 1)) {
      AParams.RowHeight = free / (ARowCount - 1);
      extra = free % (ARowCount - 1);
    }
  }
  int top = ARect.top;
  switch (AParams.VertAlignment << 4) {
    case tl::kctfVCenter: top = ARect.top + (ARect.bottom - ARect.top - ARowCount * AParams.RowHeight) / 2; break;
    case tl::kctfBottom: top = ARect.bottom - ARowCount * AParams.RowHeight + AParams.ExternalLeading; break;
    default: break;
  }
  if (AParams.NoTopOverflow && top < ARect.top) top = ARect.top;
  for (int i = 0; i < ARowCount; ++i) {
    TkcTextRowEntry& row = ARows[static_cast<std::size_t>(i)];
    switch (AParams.HorzAlignment) {
      case tl::kctfCenter: row.Left = ARect.left + (ARect.right - ARect.left - row.Width) / 2; break;
      case tl::kctfRight: row.Left = ARect.right - row.Width; break;
      default: row.Left = ARect.left; break;
    }
    if (AParams.NoLeftOverflow && row.Left < ARect.left) row.Left = ARect.left;
    row.Top = top;
    top += AParams.RowHeight;
    if (extra > 0) {
      ++top;
      --extra;
    }
  }
}

void PaintTextRows(HDC ADC, const RECT& ARect, const TkcTextLayoutParams& AParams, const TkcTextRows& ARows,
                   int ARowCount, int ASelStart, int ASelLength, TColor ASelBkColor, TColor ASelTextColor,
                   bool AEllipsisForced) {
  ARowCount = std::min(ARowCount, static_cast<int>(ARows.size()));
  int w = ARect.right - ARect.left;
  const int oldMode = SetBkMode(ADC, TRANSPARENT);
  HBRUSH selBrush = ASelLength > 0 ? CreateSolidBrush(ColorToRGB(ASelBkColor)) : HBRUSH{};
  const COLORREF selText = ColorToRGB(ASelTextColor);

  auto drawEllipsis = [&](int x, int top) {
    if (x >= ARect.right) return;
    if (x + AParams.EllipsisWidth > ARect.right && !AParams.NoClip) {
      RECT clip{x, std::max(top, static_cast<int>(ARect.top)), ARect.right,
                std::min(top + AParams.RowHeight, static_cast<int>(ARect.bottom))};
      ExtTextOut(ADC, x, top, ETO_CLIPPED, &clip, kEllipsis, nullptr);
    } else {
      ExtTextOut(ADC, x, top, 0, nullptr, kEllipsis, nullptr);
    }
  };
  // The row cut so that the ellipsis fits after it, keeping at least one character.
  auto cutForEllipsis = [&](std::string_view text) {
    w = std::max(0, w - AParams.EllipsisWidth);
    int fit = 0;
    if (!GetTextExtentExPoint(ADC, text, w, &fit, nullptr, nullptr)) fit = 0;
    fit = std::max(fit, 1);
    return text.substr(0, Utf8OffsetOf(text, static_cast<std::size_t>(fit)));
  };

  for (int i = 0; i < ARowCount; ++i) {
    const TkcTextRowEntry& row = ARows[static_cast<std::size_t>(i)];
    const bool lastRow = i == ARowCount - 1;
    std::string_view text(row.Text, static_cast<std::size_t>(row.TextLength));
    if (text.empty()) {
      if (lastRow && AEllipsisForced && AParams.EndEllipsis) {
        w = std::max(0, w - AParams.EllipsisWidth);
        drawEllipsis(row.Left, row.Top);
      }
      continue;
    }
    const bool ellipsis = AParams.EndEllipsis && lastRow && (row.Width > w || AEllipsisForced);
    const bool justify = IsStretched(AParams) && !ellipsis && row.BreakCount > 0 && w - row.Width > 0;
    if (justify) SetTextJustification(ADC, w - row.Width, row.BreakCount);
    const int bandTop = row.Top, bandBottom = row.Top + AParams.RowHeight;
    const bool clip = !AParams.NoClip && (row.Width > w || bandTop < ARect.top || bandBottom > ARect.bottom);
    int rowWidth = row.Width;
    if (ellipsis) {
      text = cutForEllipsis(text);
      SIZE size{};
      GetTextExtentPoint32(ADC, text, &size);
      rowWidth = size.cx;
    }
    {
      const RECT band{ARect.left, std::max(bandTop, static_cast<int>(ARect.top)), ARect.right,
                      std::min(bandBottom, static_cast<int>(ARect.bottom))};
      std::optional<TClipScope> scope;
      if (clip) scope.emplace(ADC, band);
      DrawRowText(ADC, AParams, row, text);
      const int rowChars = static_cast<int>(Utf8Length(text));
      if (ASelLength > 0 && ASelStart < row.TextOffset + rowChars && ASelStart + ASelLength > row.TextOffset) {
        const int a = std::max(ASelStart, row.TextOffset) - row.TextOffset;
        const int b = std::min(ASelStart + ASelLength, row.TextOffset + rowChars) - row.TextOffset;
        if (b > a) {
          const std::vector<int> offsets = RowOffsets(ADC, AParams, text);
          int xa = offsets[static_cast<std::size_t>(a)], xb = offsets[static_cast<std::size_t>(b)];
          RECT hl{row.Left + xa, bandTop, row.Left + xb, bandBottom};
          if (IsReversedTextCharset(AParams.CharSet, String(text)))
            hl = RECT{row.Left + rowWidth - xb, bandTop, row.Left + rowWidth - xa, bandBottom};
          if (!IsRectEmpty(&hl)) {
            FillRect(ADC, &hl, selBrush);
            TClipScope selScope(ADC, hl);
            const COLORREF old = SetTextColor(ADC, selText);
            DrawRowText(ADC, AParams, row, text);
            SetTextColor(ADC, old);
          }
        }
      }
    }
    if (justify) SetTextJustification(ADC, 0, 0);
    // The dots follow the text as drawn, so a centred or right-aligned row keeps them after it.
    if (ellipsis) drawEllipsis(row.Left + rowWidth, row.Top);
  }
  if (selBrush) DeleteObject(selBrush);
  SetBkMode(ADC, oldMode);
}

int GetMaxRowWidth(const TkcTextRows& ARows, int ACount) {
  int result = 0;
  const int n = std::min(ACount, static_cast<int>(ARows.size()));
  for (int i = 0; i < n; ++i) result = std::max(result, ARows[static_cast<std::size_t>(i)].Width);
  return result;
}

void ShrinkTextRect(const RECT& ASrc, const TkcTextLayoutParams&, int ALeftIndent, int ARightIndent, RECT& ADst) {
  ADst = ASrc;
  ADst.left += ALeftIndent;
  ADst.right -= ARightIndent;
}

void ExpandTextRect(const RECT& ASrc, const TkcTextLayoutParams&, int ALeftIndent, int ARightIndent, RECT& ADst) {
  ADst = ASrc;
  ADst.left -= ALeftIndent;
  ADst.right += ARightIndent;
}

int DrawTextInRect(HDC ADC, std::string_view AText, RECT& ARect, unsigned AFlags, int ASelStart, int ASelLength,
                   TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount, int ALeftIndent, int ARightIndent) {
  if (AText.empty()) return 0;
  TkcTextLayoutParams params;
  InitTextLayoutParams(ADC, AFlags, params);
  RECT r;
  ShrinkTextRect(ARect, params, ALeftIndent, ARightIndent, r);
  if (params.CalcRect ? r.right - r.left <= 0 : IsRectEmpty(&r)) return 0;
  TkcTextRows rows;
  int rowCount = 0;
  const bool truncated = !BuildTextRows(ADC, AText, r, params, rows, rowCount, AMaxLineCount);
  if (rowCount == 0) return 0;
  if (params.CalcRect) {
    if (AMaxLineCount > 0 && AMaxLineCount < rowCount) rowCount = AMaxLineCount;
    r.right = r.left + GetMaxRowWidth(rows, rowCount);
    if (!params.SingleLine) {
      BuildTextRows(ADC, AText, r, params, rows, rowCount, AMaxLineCount);
    }
    PositionTextRows(ADC, r, params, rows, rowCount);
    const TkcTextRowEntry& lastRow = rows[static_cast<std::size_t>(rowCount - 1)];
    r.bottom = lastRow.Top + lastRow.Height;
    ExpandTextRect(r, params, ALeftIndent, ARightIndent, ARect);
  } else {
    bool ellipsisForced = false;
    if (AMaxLineCount > 0 && rowCount >= AMaxLineCount) {
      rowCount = AMaxLineCount;
      ellipsisForced = truncated && params.EndEllipsis && params.WholeRowsOnly && !params.SingleLine;
    }
    PositionTextRows(ADC, r, params, rows, rowCount);
    const int length = static_cast<int>(Utf8Length(AText));
    if (ASelStart < 0 || ASelStart >= length) ASelLength = 0;
    ASelLength = std::max(0, std::min(ASelLength, length - std::max(ASelStart, 0)));
    PaintTextRows(ADC, r, params, rows, rowCount, ASelStart, ASelLength, ASelBkColor, ASelTextColor, ellipsisForced);
  }
  const TkcTextRowEntry& lastRow = rows[static_cast<std::size_t>(rowCount - 1)];
  const int height = lastRow.Top + lastRow.Height - r.top;
  return params.ReturnRowCount || height == 0 ? rowCount : height;
}

int DrawTextInRectOnCanvas(TCanvas* ACanvas, std::string_view AText, RECT& ARect, unsigned AFlags, int ASelStart,
                           int ASelLength, TColor ASelBkColor, TColor ASelTextColor, int AMaxLineCount, int ALeftIndent,
                           int ARightIndent) {
  ACanvas->RequiredState();
  return DrawTextInRect(ACanvas->Handle(), AText, ARect, AFlags, ASelStart, ASelLength, ASelBkColor, ASelTextColor,
                        AMaxLineCount, ALeftIndent, ARightIndent);
}

int DrawTextInRectPlain(TCanvas* ACanvas, std::string_view AText, RECT& ARect, unsigned AFlags, int AMaxLineCount,
                        int ALeftIndent, int ARightIndent) {
  return DrawTextInRectOnCanvas(ACanvas, AText, ARect, AFlags, 0, 0, ACanvas->Font()->Color(), 0, AMaxLineCount,
                                ALeftIndent, ARightIndent);
}
