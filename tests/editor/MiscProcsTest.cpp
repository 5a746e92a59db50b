#include <gtest/gtest.h>

#include <vector>

#include "editor/SxEditMiscProcs.h"
#include "platform/gdi/WinGdi.h"

TEST(SxEditMiscProcs, TabExpansionTable) {
  struct Case {
    const char* line;
    int width;
    const char* expanded;
    bool hasTabs;
  } cases[] = {
      {"a\tb", 4, "a\t\t\tb", true},
      {"a\tb", 1, "a b", true},
      {"a\tb", 0, "a b", true},
      {"abc", 4, "abc", false},
      {"abcd\tx", 4, "abcd\t\t\t\tx", true},  // a tab on a stop advances a full width
      {"a\tb", 6, "a\t\t\t\t\tb", true},
      {"\xC3\xA9\tb", 4, "\xC3\xA9\t\t\tb", true},  // one character, one column
  };
  for (const auto& c : cases) {
    bool has = !c.hasTabs;
    EXPECT_EQ(GetBestConvertTabsProcEx(c.width)(c.line, c.width, has), c.expanded) << c.line << " w" << c.width;
    EXPECT_EQ(has, c.hasTabs);
    EXPECT_EQ(GetBestConvertTabsProc(c.width)(c.line, c.width), c.expanded);
    EXPECT_EQ(GetExpandedLength(c.line, c.width), SxCharCount(c.expanded)) << c.line;
  }
}

TEST(SxEditMiscProcs, ExpanderChoice) {
  EXPECT_EQ(GetBestConvertTabsProcEx(6), &ConvertTabsGeneralEx);
  EXPECT_EQ(GetBestConvertTabsProcEx(8), &ConvertTabs2nEx);
  EXPECT_EQ(GetBestConvertTabsProcEx(65536), &ConvertTabs2nEx);
  EXPECT_EQ(GetBestConvertTabsProcEx(131072), &ConvertTabsGeneralEx);
  EXPECT_EQ(GetBestConvertTabsProcEx(1), &ConvertTabs1Ex);
  // Both forms of the general expander agree on odd widths.
  EXPECT_EQ(ConvertTabs2n("ab\tc\t\td", 8), ConvertTabsGeneral("ab\tc\t\td", 8));
}

TEST(SxEditMiscProcs, CharIndexToColumn) {
  EXPECT_EQ(CharIndexToColumn(7, 4, "ab\tc"), 8);
  EXPECT_EQ(CharIndexToColumn(4, 4, "ab\tc"), 5);
  EXPECT_EQ(CharIndexToColumn(3, 4, "ab\tc"), 3);  // at the tab
  EXPECT_EQ(CharIndexToColumn(1, 4, "ab\tc"), 1);
  EXPECT_EQ(CharIndexToColumn(-5, 4, "ab"), 1);
  EXPECT_EQ(CharIndexToColumn(3, 8, "a\tb"), 9);  // "b" stands in column 9
  EXPECT_EQ(CharIndexToColumn(3, 1, "a\tb"), 3);
  EXPECT_EQ(CharIndexToColumn(3, 4, "\xC3\xA9\xC3\xA9\tz"), 3);
  EXPECT_EQ(CharIndexToColumn(4, 4, "\xC3\xA9\xC3\xA9\tz"), 5);
}

TEST(SxEditMiscProcs, ScansStepOverMultiByteCharacters) {
  const TSxCharSet set = SxCharSet(",.");
  const std::string line = "a\xE2\x82\xAC,b.";  // a € , b .
  EXPECT_EQ(StrScanForCharInSet(line, 1, set), 3);
  EXPECT_EQ(StrScanForCharInSet(line, 4, set), 5);
  EXPECT_EQ(StrScanForCharInSet(line, 0, set), 0);
  EXPECT_EQ(StrScanForCharInSet(line, 6, set), 0);
  EXPECT_EQ(StrRScanForCharInSet(line, 4, set), 3);
  EXPECT_EQ(StrRScanForCharInSet(line, 2, set), 0);
  EXPECT_EQ(StrRScanForCharInSet(line, 9, set), 0);
  EXPECT_EQ(StrScanForMultiByteChar(line, 1), 2);
  EXPECT_EQ(StrScanForMultiByteChar(line, 3), 0);
  EXPECT_EQ(StrRScanForMultiByteChar(line, 5), 2);
  // A truncated sequence at the end counts as one character and is never matched as a set member.
  EXPECT_EQ(SxCharCount("ab\xE2\x82"), 4);
  EXPECT_EQ(SxCharOffset("\xC3\xA9x", 1), 2u);
}

TEST(SxEditMiscProcs, SmallHelpers) {
  EXPECT_EQ(MinMax(5, 1, 3), 3);
  EXPECT_EQ(MinMax(-5, 1, 3), 1);
  EXPECT_EQ(MinPoint({5, 2}, {1, 3}), (TBufferCoord{5, 2}));
  EXPECT_EQ(MinPoint({5, 3}, {1, 3}), (TBufferCoord{1, 3}));
  int charsBefore = -1;
  EXPECT_FALSE(GetHasTabs("", charsBefore));
  EXPECT_EQ(charsBefore, 0);
  EXPECT_TRUE(GetHasTabs("\xC3\xA9x\ty", charsBefore));
  EXPECT_EQ(charsBefore, 2);
  const char text[] = "ab\r\ncd";
  EXPECT_EQ(GetEOL(text), text + 2);
  EXPECT_EQ(GetEOL(nullptr), nullptr);
}

TEST(SxEditMiscProcs, CharClassOfType3Table) {
  struct Case {
    unsigned flags;
    int cls;
  } cases[] = {{C3_SYMBOL, 9},
               {C3_HALFWIDTH, 1},
               {C3_HALFWIDTH | C3_ALPHA, 1},
               {C3_HALFWIDTH | C3_SYMBOL, 2},
               {C3_HALFWIDTH | C3_LEXICAL, 2},
               {C3_HALFWIDTH | C3_KATAKANA, 3},
               {C3_HALFWIDTH | C3_HIRAGANA, 0},
               {C3_FULLWIDTH, 4},
               {C3_FULLWIDTH | C3_ALPHA, 4},
               {C3_FULLWIDTH | C3_SYMBOL, 5},
               {C3_KATAKANA | C3_FULLWIDTH, 6},
               {C3_HIRAGANA, 7},
               {C3_IDEOGRAPH | C3_ALPHA, 8},
               {0, 0}};
  for (const auto& c : cases) EXPECT_EQ(CharClassOfType3(c.flags), c.cls) << std::hex << c.flags;
}

TEST(SxEditMiscProcs, GradientBands) {
  std::vector<TSxGradientBand> bands;
  auto collect = [&](const TSxGradientBand& b) { bands.push_back(b); };
  GradientBands(0x000000, 0x0000FF, 1, 0, 0, 10, 4, true, collect);
  ASSERT_EQ(bands.size(), 2u);
  EXPECT_EQ(bands[0].Color, 0x000000u);
  EXPECT_EQ(bands[1].Color, 0x0000FFu);
  EXPECT_EQ(bands[0].Right, 5);
  EXPECT_EQ(bands[1].Right, 10);
  bands.clear();
  GradientBands(0xFFFFFF, 0x000000, 1000, 0, 0, 4, 512, false, collect);
  ASSERT_EQ(bands.size(), 256u);
  EXPECT_EQ(bands.front().Color, 0xFFFFFFu);
  EXPECT_EQ(bands.back().Color, 0x000000u);
  EXPECT_EQ(bands.back().Bottom, 512);
}

TEST(SxEditMiscProcs, GradientFillPaintsOneSolidBandPerStep) {
  HDC dc = CreateCompatibleDC(HDC());
  HBITMAP bitmap = CreateBitmap(10, 4, 1, 32, nullptr);
  HBITMAP old = SelectObject(dc, bitmap);
  struct Case {
    TColor from, to;
    int steps;
    bool horizontal;
    std::vector<std::pair<RECT, COLORREF>> bands;
  } cases[] = {
      {clBlack, clRed, 1, true, {{{0, 0, 5, 4}, RGB(0, 0, 0)}, {{5, 0, 10, 4}, RGB(255, 0, 0)}}},
      {clWhite,
       clBlack,
       3,
       false,
       {{{0, 0, 10, 1}, RGB(255, 255, 255)}, {{0, 1, 10, 3}, RGB(127, 127, 127)}, {{0, 3, 10, 4}, RGB(0, 0, 0)}}},
      // A system colour is drawn with its current value.
      {clBtnFace, clBtnFace, 2, true, {{{0, 0, 5, 4}, ColorToRGB(clBtnFace)}, {{5, 0, 10, 4}, ColorToRGB(clBtnFace)}}},
  };
  for (const auto& c : cases) {
    StartRecording(dc);
    GradientFill(dc, c.from, c.to, c.steps, RECT{0, 0, 10, 4}, c.horizontal);
    const auto calls = StopRecording(dc);
    ASSERT_EQ(calls.size(), c.bands.size()) << c.steps;
    for (std::size_t i = 0; i < calls.size(); ++i) {
      EXPECT_EQ(calls[i].op, "FillRect");
      EXPECT_EQ(calls[i].rect.left, c.bands[i].first.left) << i;
      EXPECT_EQ(calls[i].rect.top, c.bands[i].first.top) << i;
      EXPECT_EQ(calls[i].rect.right, c.bands[i].first.right) << i;
      EXPECT_EQ(calls[i].rect.bottom, c.bands[i].first.bottom) << i;
      EXPECT_EQ(calls[i].brushColor, c.bands[i].second) << i;
    }
  }
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
}
