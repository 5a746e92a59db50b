#include "editor/SxEditMiscProcs.h"

#include <algorithm>

#include "platform/core/Utf8.h"
#include "platform/gdi/WinGdi.h"

TSxCharSet SxCharSet(std::string_view chars) {
  TSxCharSet set;
  for (unsigned char c : chars) set.set(c);
  return set;
}

TSxCharSet SxCharRange(unsigned char lo, unsigned char hi) {
  TSxCharSet set;
  for (unsigned c = lo; c <= hi; ++c) set.set(c);
  return set;
}

int SxCharBytes(std::string_view s, std::size_t i) { return i >= s.size() ? 1 : static_cast<int>(Utf8CharLen(s, i)); }

int SxCharCount(std::string_view s) { return static_cast<int>(Utf8Length(s)); }

std::size_t SxCharOffset(std::string_view s, int charIndex) {
  return charIndex <= 0 ? 0 : Utf8OffsetOf(s, static_cast<std::size_t>(charIndex));
}

int MinMax(int x, int lo, int hi) { return std::max(lo, std::min(x, hi)); }

void SwapInt(int& a, int& b) { std::swap(a, b); }

TBufferCoord MinPoint(const TBufferCoord& a, const TBufferCoord& b) {
  if (b.Line < a.Line || (b.Line == a.Line && b.Char < a.Char)) return b;
  return a;
}

void GradientFill(HDC dc, TColor startColor, TColor endColor, int steps, const RECT& rect, bool horizontal) {
  GradientBands(ColorToRGB(startColor), ColorToRGB(endColor), steps, rect.left, rect.top, rect.right, rect.bottom,
                horizontal, [dc](const TSxGradientBand& b) {
                  const RECT band{b.Left, b.Top, b.Right, b.Bottom};
                  const HBRUSH brush = CreateSolidBrush(b.Color);
                  FillRect(dc, &band, brush);
                  DeleteObject(brush);
                });
}

bool GetHasTabs(std::string_view line, int& charsBefore) {
  const std::size_t tab = line.find('\t');
  charsBefore = SxCharCount(line.substr(0, tab == std::string_view::npos ? line.size() : tab));
  return tab != std::string_view::npos;
}

namespace {

// Builds the expanded line in two passes: count the target length, then fill it.
template <class NextStop>
String ExpandTabs(std::string_view line, bool& hasTabs, char fill, NextStop nextStop) {
  const std::size_t first = line.find('\t');
  hasTabs = first != std::string_view::npos;
  if (!hasTabs) return String(line);
  auto walk = [&](auto&& emit) {
    int col = SxCharCount(line.substr(0, first));
    for (std::size_t i = first; i < line.size();) {
      if (line[i] == '\t') {
        const int stop = nextStop(col);
        emit(stop - col, std::string_view());
        col = stop;
        ++i;
      } else {
        const int n = SxCharBytes(line, i);
        emit(0, line.substr(i, n));
        ++col;
        i += n;
      }
    }
  };
  std::size_t size = first;
  walk([&](int cells, std::string_view ch) { size += cells + ch.size(); });
  String out;
  out.reserve(size);
  out.append(line.substr(0, first));
  walk([&](int cells, std::string_view ch) {
    if (cells)
      out.append(static_cast<std::size_t>(cells), fill);
    else
      out.append(ch);
  });
  return out;
}

}  // namespace

String ConvertTabs1Ex(std::string_view line, int, bool& hasTabs) {
  return ExpandTabs(line, hasTabs, ' ', [](int c) { return c + 1; });
}

String ConvertTabs2nEx(std::string_view line, int tabWidth, bool& hasTabs) {
  const int mask = ~(tabWidth - 1);
  return ExpandTabs(line, hasTabs, '\t', [=](int c) { return (c + tabWidth) & mask; });
}

String ConvertTabsGeneralEx(std::string_view line, int tabWidth, bool& hasTabs) {
  return ExpandTabs(line, hasTabs, '\t', [=](int c) { return c + tabWidth - c % tabWidth; });
}

String ConvertTabs1(std::string_view line, int tabWidth) {
  bool h;
  return ConvertTabs1Ex(line, tabWidth, h);
}
String ConvertTabs2n(std::string_view line, int tabWidth) {
  bool h;
  return ConvertTabs2nEx(line, tabWidth, h);
}
String ConvertTabsGeneral(std::string_view line, int tabWidth) {
  bool h;
  return ConvertTabsGeneralEx(line, tabWidth, h);
}

namespace {
bool IsPowerOfTwoUpTo64K(int w) { return w > 1 && w <= 65536 && (w & (w - 1)) == 0; }
}  // namespace

TConvertTabsProcEx GetBestConvertTabsProcEx(int tabWidth) {
  if (tabWidth <= 1) return &ConvertTabs1Ex;
  if (IsPowerOfTwoUpTo64K(tabWidth)) return &ConvertTabs2nEx;
  return &ConvertTabsGeneralEx;
}

TConvertTabsProc GetBestConvertTabsProc(int tabWidth) {
  if (tabWidth <= 1) return &ConvertTabs1;
  if (IsPowerOfTwoUpTo64K(tabWidth)) return &ConvertTabs2n;
  return &ConvertTabsGeneral;
}

int GetExpandedLength(std::string_view line, int tabWidth) {
  int col = 0;
  for (std::size_t i = 0; i < line.size();) {
    if (line[i] == '\t') {
      // A width of 0 or 1 gives one cell per tab (no division by zero).
      col = tabWidth <= 1 ? col + 1 : col + tabWidth - col % tabWidth;
      ++i;
    } else {
      ++col;
      i += SxCharBytes(line, i);
    }
  }
  return col;
}

int CharIndexToColumn(int index, int tabWidth, std::string_view line) {
  if (index < 2) return 1;
  int before;
  if (tabWidth <= 1 || !GetHasTabs(line, before) || index <= before + 1) return index;
  int col = before, k = before;  // 0-based column and character index
  std::size_t i = SxCharOffset(line, before);
  for (; k < index - 1 && i < line.size(); ++k) {
    if (line[i] == '\t') {
      col += tabWidth - col % tabWidth;
      ++i;
    } else {
      ++col;
      i += SxCharBytes(line, i);
    }
  }
  return col + (index - 1 - k) + 1;
}

namespace {
bool InSet(std::string_view line, std::size_t i, int n, const TSxCharSet& chars) {
  return n == 1 && chars.test(static_cast<unsigned char>(line[i]));
}
}  // namespace

int StrScanForCharInSet(std::string_view line, int start, const TSxCharSet& chars) {
  if (start <= 0) return 0;
  int k = 1;
  for (std::size_t i = 0; i < line.size(); ++k) {
    const int n = SxCharBytes(line, i);
    if (k >= start && InSet(line, i, n, chars)) return k;
    i += n;
  }
  return 0;
}

int StrRScanForCharInSet(std::string_view line, int start, const TSxCharSet& chars) {
  if (start <= 0) return 0;
  int k = 1, hit = 0;
  std::size_t i = 0;
  for (; i < line.size() && k <= start; ++k) {
    const int n = SxCharBytes(line, i);
    if (InSet(line, i, n, chars)) hit = k;
    i += n;
  }
  return k <= start ? 0 : hit;  // start past the end
}

int StrScanForMultiByteChar(std::string_view line, int start) {
  if (start <= 0) return 0;
  int k = 1;
  for (std::size_t i = 0; i < line.size(); ++k) {
    const int n = SxCharBytes(line, i);
    if (k >= start && n > 1) return k;
    i += n;
  }
  return 0;
}

int StrRScanForMultiByteChar(std::string_view line, int start) {
  if (start <= 0) return 0;
  int k = 1, hit = 0;
  for (std::size_t i = 0; i < line.size() && k <= start; ++k) {
    const int n = SxCharBytes(line, i);
    if (n > 1) hit = k;
    i += n;
  }
  return hit;
}

const char* GetEOL(const char* p) {
  if (!p) return nullptr;
  while (*p && *p != '\n' && *p != '\r') ++p;
  return p;
}

int CharClassOfType3(unsigned flags) {
  if (flags == C3_SYMBOL) return 9;
  if (flags & C3_HALFWIDTH) {
    if (flags == C3_HALFWIDTH || flags == (C3_HALFWIDTH | C3_ALPHA)) return 1;
    if (flags & (C3_SYMBOL | C3_LEXICAL)) return 2;
    if (flags & C3_KATAKANA) return 3;
    return 0;
  }
  if (flags == C3_FULLWIDTH || flags == (C3_FULLWIDTH | C3_ALPHA)) return 4;
  if (flags & (C3_SYMBOL | C3_LEXICAL)) return 5;
  if (flags & C3_KATAKANA) return 6;
  if (flags & C3_HIRAGANA) return 7;
  if (flags & C3_IDEOGRAPH) return 8;
  return 0;
}
