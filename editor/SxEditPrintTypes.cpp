#include "editor/SxEditPrintTypes.h"

#include <algorithm>

bool WrapTextEx(std::string_view Line, const TSxCharSet& BreakChars, int MaxCol, std::vector<TWrapPos>& WrapPositions) {
  MaxCol = std::max(MaxCol, 1);
  const int length = SxCharCount(Line);
  if (length <= MaxCol) return true;
  const std::size_t first = WrapPositions.size();
  int candidate = 0, lastWrap = 0;
  std::size_t offset = 0;
  for (int i = 1; i <= length && length - lastWrap > MaxCol; ++i) {
    const int bytes = SxCharBytes(Line, offset);
    const bool isBreak = bytes == 1 && BreakChars.test(static_cast<unsigned char>(Line[offset]));
    offset += static_cast<std::size_t>(bytes);
    if (i - lastWrap > MaxCol && candidate > 0) {
      WrapPositions.push_back(TWrapPos{candidate});
      lastWrap = candidate;
      candidate = 0;
    } else if (isBreak) {
      candidate = i;
    }
  }
  return WrapPositions.size() > first;
}

String IntToRoman(int Value) {
  static const struct {
    int value;
    const char* text;
  } kNumerals[] = {{1000, "M"}, {900, "CM"}, {500, "D"}, {400, "CD"}, {100, "C"}, {90, "XC"}, {50, "L"},
                   {40, "XL"},  {10, "X"},   {9, "IX"},  {5, "V"},    {4, "IV"},  {1, "I"}};
  String result;
  for (const auto& n : kNumerals)
    while (Value >= n.value) {
      result += n.text;
      Value -= n.value;
    }
  return result;
}
