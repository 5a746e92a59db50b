#pragma once
// Stateless text helpers of the editor: tab expansion, index/column conversion, scans that
// step over multi-byte characters, UTF-8 stepping, and the character-type folding used by
// word navigation. Lines are UTF-8; every index and column here counts characters.

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>

#include "editor/SxEditTypes.h"
#include "platform/core/Colors.h"
#include "platform/core/Math.h"
#include "platform/core/SysUtils.h"
#include "platform/core/WinTypes.h"

// A set of single-byte characters; a multi-byte character is never a member.
using TSxCharSet = std::bitset<256>;
// The set of the listed characters (each an ASCII byte).
TSxCharSet SxCharSet(std::string_view chars);
// The set of the characters lo..hi.
TSxCharSet SxCharRange(unsigned char lo, unsigned char hi);

// Bytes of the UTF-8 character at s[i] (1 for ASCII, for a stray or truncated sequence and at
// the end), so stepping never leaves the string and never splits a character.
int SxCharBytes(std::string_view s, std::size_t i);
// Number of characters of s.
int SxCharCount(std::string_view s);
// Byte offset of the 0-based character index (the length when past the end).
std::size_t SxCharOffset(std::string_view s, int charIndex);

int MinMax(int x, int lo, int hi);
void SwapInt(int& a, int& b);
// The smaller of two positions, line first; a tie gives a.
TBufferCoord MinPoint(const TBufferCoord& a, const TBufferCoord& b);

// True when the line holds a tab; charsBefore gets the characters before it (all when none).
bool GetHasTabs(std::string_view line, int& charsBefore);

// Tab expanders: each tab becomes tab characters up to the next stop, so the expanded
// length in characters is the width in columns; width <= 1 turns each tab into one blank.
using TConvertTabsProcEx = String (*)(std::string_view line, int tabWidth, bool& hasTabs);
using TConvertTabsProc = String (*)(std::string_view line, int tabWidth);
String ConvertTabs1Ex(std::string_view line, int tabWidth, bool& hasTabs);
String ConvertTabs2nEx(std::string_view line, int tabWidth, bool& hasTabs);
String ConvertTabsGeneralEx(std::string_view line, int tabWidth, bool& hasTabs);
String ConvertTabs1(std::string_view line, int tabWidth);
String ConvertTabs2n(std::string_view line, int tabWidth);
String ConvertTabsGeneral(std::string_view line, int tabWidth);
TConvertTabsProcEx GetBestConvertTabsProcEx(int tabWidth);
TConvertTabsProc GetBestConvertTabsProc(int tabWidth);

// Width in columns of the expanded line, without building it.
int GetExpandedLength(std::string_view line, int tabWidth);
// 1-based character index to 1-based column.
int CharIndexToColumn(int index, int tabWidth, std::string_view line);

// First 1-based index >= start whose character is in chars; 0 when none or out of range.
int StrScanForCharInSet(std::string_view line, int start, const TSxCharSet& chars);
// Last 1-based index <= start whose character is in chars; 0 when none or out of range.
int StrRScanForCharInSet(std::string_view line, int start, const TSxCharSet& chars);
// First index >= start / last index <= start that holds a multi-byte character; 0 when none.
int StrScanForMultiByteChar(std::string_view line, int start);
int StrRScanForMultiByteChar(std::string_view line, int start);

// The first NUL, LF or CR at or after p; null for null.
const char* GetEOL(const char* p);

// Character-type-3 flags and their folding into a word class 0..9.
constexpr unsigned C3_SYMBOL = 0x08, C3_KATAKANA = 0x10, C3_HIRAGANA = 0x20, C3_HALFWIDTH = 0x40, C3_FULLWIDTH = 0x80,
                   C3_IDEOGRAPH = 0x100, C3_LEXICAL = 0x400, C3_ALPHA = 0x8000;
int CharClassOfType3(unsigned flags);

// One band of a stepped gradient: the rectangle and its RGB colour (0x00BBGGRR).
struct TSxGradientBand {
  int Left, Top, Right, Bottom;
  std::uint32_t Color;
};
// The bands of a gradient from startRGB to endRGB over the rectangle (steps clamped to
// 2..256); a painter fills each with a solid brush.
template <class Fn>
void GradientBands(std::uint32_t startRGB, std::uint32_t endRGB, int steps, int left, int top, int right, int bottom,
                   bool horizontal, Fn&& fill);
// Fills the rectangle on dc with the bands above, one solid brush each; system colours are
// resolved to their current values first.
void GradientFill(HDC dc, TColor startColor, TColor endColor, int steps, const RECT& rect, bool horizontal);

template <class Fn>
void GradientBands(std::uint32_t startRGB, std::uint32_t endRGB, int steps, int left, int top, int right, int bottom,
                   bool horizontal, Fn&& fill) {
  steps = MinMax(steps, 2, 256);
  const int extent = horizontal ? right - left : bottom - top;
  const int start = horizontal ? left : top;
  auto channel = [&](int shift, int i) {
    const int s = int((startRGB >> shift) & 0xFF), e = int((endRGB >> shift) & 0xFF);
    return std::uint32_t(s + MulDiv(i, e - s, steps - 1)) << shift;
  };
  for (int i = 0; i < steps; ++i) {
    const int a = start + MulDiv(i, extent, steps), b = start + MulDiv(i + 1, extent, steps);
    const std::uint32_t color = channel(0, i) | channel(8, i) | channel(16, i);
    if (horizontal)
      fill(TSxGradientBand{a, top, b, bottom, color});
    else
      fill(TSxGradientBand{left, a, right, b, color});
  }
}
