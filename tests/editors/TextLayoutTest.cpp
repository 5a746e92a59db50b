// Text layout with fixed metrics: every character 10 pixels wide, rows 10 pixels high, so the
// eight-character tab stops lie every 80 pixels.

#include <gtest/gtest.h>

#include <memory>

#include "editors/kcEditTextUtils.h"
#include "platform/gdi/FontMetrics.h"

using namespace kcTextLayout;

namespace {

class TextLayoutTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFontSource(std::make_shared<FixedFontSource>(10, 10, 0));
    dc = CreateMeasureDC();
  }
  void TearDown() override {
    DeleteDC(dc);
    SetFontSource(nullptr);
  }
  HDC dc{};
};

struct RowsCase {
  const char* text;
  unsigned flags;
  int width;
  std::vector<std::pair<int, int>> rows;  // (character offset, bytes)
  std::vector<int> breakCounts;           // checked when given
};

TEST_F(TextLayoutTest, BreaksRows) {
  const RowsCase cases[] = {
      {"a b c", kctfWordBreak, 15, {{0, 2}, {2, 2}, {4, 1}}, {}},  // blanks stay at the row end
      {"a   b", kctfWordBreak, 15, {{0, 2}, {4, 1}}, {}},          // the blanks after a row are skipped
      {"x\r\n\r\ny", 0, 100, {{0, 1}, {3, 0}, {5, 1}}, {}},
      {"x\ny", 0, 100, {{0, 1}, {2, 1}}, {}},  // a lone LF ends a row
      {"a\r\nb", kctfSingleLine, 100, {{0, 4}}, {}},
      {"abcdef", kctfWordBreak, 25, {{0, 6}}, {}},             // a long word stays whole
      {"abcdef gh", kctfWordBreak, 25, {{0, 7}, {7, 2}}, {}},  // ... up to its next blank
      {"abcdef", kctfWordBreak | kctfBreakInsideWords, 25, {{0, 2}, {2, 2}, {4, 2}}, {}},
      {"abc", kctfWordBreak | kctfBreakInsideWords, 5, {{0, 1}, {1, 1}, {2, 1}}, {}},  // at least one each
      {"\xC3\xA4\xC3\xB6\xC3\xBC", kctfWordBreak | kctfBreakInsideWords, 25, {{0, 4}, {2, 2}}, {}},
      {"a\tbc", kctfWordBreak | kctfExpandTabs, 85, {{0, 2}, {2, 2}}, {}},  // the tab reaches 80
      {"a\tb", kctfWordBreak, 40, {{0, 3}}, {}},                            // unexpanded: one advance
      {"ab  cd", kctfWordBreak, 35, {{0, 4}, {4, 2}}, {}},                  // the overflowing blank ends it
      {"ab cd\r\nef gh ij", kctfJustify, 1000, {{0, 5}, {7, 8}}, {0, 0}},   // paragraph and text ends
      {"ab cd\r\nef gh ij", kctfDistribute, 1000, {{0, 5}, {7, 8}}, {1, 2}},
      {"ab cd  ", kctfDistribute, 1000, {{0, 5}}, {1}},  // trailing blanks stripped
  };
  for (const auto& c : cases) {
    TkcTextLayoutParams p;
    InitTextLayoutParams(dc, c.flags, p);
    TkcTextRows rows;
    int count = 0;
    EXPECT_TRUE(BuildTextRows(dc, c.text, RECT{0, 0, c.width, 1000}, p, rows, count, 0)) << c.text;
    ASSERT_EQ(count, static_cast<int>(c.rows.size())) << c.text;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(rows[i].TextOffset, c.rows[i].first) << c.text << " row " << i;
      EXPECT_EQ(rows[i].TextLength, c.rows[i].second) << c.text << " row " << i;
      if (!c.breakCounts.empty()) {
        EXPECT_EQ(rows[i].BreakCount, c.breakCounts[i]) << c.text << " row " << i;
      }
    }
  }
}

TEST_F(TextLayoutTest, EmbeddedNulIsAnOrdinaryCharacter) {
  const std::string text("a\0b", 3);
  TkcTextLayoutParams p;
  InitTextLayoutParams(dc, 0, p);
  TkcTextRows rows;
  int count = 0;
  BuildTextRows(dc, text, RECT{0, 0, 100, 100}, p, rows, count, 0);
  ASSERT_EQ(count, 1);
  EXPECT_EQ(rows[0].TextLength, 3);
  EXPECT_EQ(rows[0].Width, 30);
}

TEST_F(TextLayoutTest, LineLimitAndLastRowDecisions) {
  const char* text = "abc\ndef\nghi";
  struct Case {
    unsigned flags;
    int height, maxLines;
    int rows;
    bool complete;
  } cases[] = {
      {kctfTop, 100, 2, 3, true},  // top-aligned: the height decides, not the limit
      {kctfVCenter, 100, 2, 2, false},
      {kctfCalcRect, 100, 2, 2, true},                // measuring never reports a cut
      {kctfTop, 15, 0, 2, true},                      // the second row reaches past the bottom
      {kctfTop | kctfWholeRowsOnly, 15, 0, 1, true},  // ... and is not laid out with whole rows only
      {kctfTop | kctfWholeRowsOnly, 5, 0, 1, true},   // the first row always is
      {kctfSingleLine, 100, 0, 1, true},
  };
  for (const auto& c : cases) {
    TkcTextLayoutParams p;
    InitTextLayoutParams(dc, c.flags, p);
    TkcTextRows rows;
    int count = 0;
    EXPECT_EQ(BuildTextRows(dc, text, RECT{0, 0, 100, c.height}, p, rows, count, c.maxLines), c.complete)
        << std::hex << c.flags;
    EXPECT_EQ(count, c.rows) << std::hex << c.flags << " h " << std::dec << c.height;
  }
}

TEST_F(TextLayoutTest, PlacesRows) {
  struct Case {
    unsigned flags;
    std::vector<std::pair<int, int>> leftTop;
  } cases[] = {
      {kctfLeft | kctfTop, {{0, 0}, {0, 10}}},
      {kctfCenter | kctfVCenter, {{35, 40}, {40, 50}}},
      {kctfRight | kctfBottom, {{70, 80}, {80, 90}}},
      {kctfLeft | kctfVDistribute, {{0, 0}, {0, 90}}},
  };
  for (const auto& c : cases) {
    TkcTextLayoutParams p;
    InitTextLayoutParams(dc, c.flags, p);
    TkcTextRows rows;
    int count = 0;
    const RECT r{0, 0, 100, 100};
    BuildTextRows(dc, "abc\nde", r, p, rows, count, 0);
    PositionTextRows(dc, r, p, rows, count);
    ASSERT_EQ(count, 2);
    for (int i = 0; i < 2; ++i)
      EXPECT_EQ(std::make_pair(rows[i].Left, rows[i].Top), c.leftTop[i]) << std::hex << c.flags << " row " << i;
  }
  // Rows wider than the rectangle: right alignment overflows left unless told not to.
  for (unsigned noOverflow : {0u, kctfNoLeftOverflow}) {
    TkcTextLayoutParams p;
    InitTextLayoutParams(dc, kctfRight | noOverflow, p);
    TkcTextRows rows;
    int count = 0;
    const RECT r{10, 0, 40, 100};
    BuildTextRows(dc, "abcdef", r, p, rows, count, 0);
    PositionTextRows(dc, r, p, rows, count);
    EXPECT_EQ(rows[0].Left, noOverflow ? 10 : -20);
  }
}

class TextPaintTest : public TextLayoutTest {
protected:
  struct Drawn {
    std::string op, text;
    int x, y;
  };
  std::vector<Drawn> Draw(const std::string& text, RECT r, unsigned flags, int maxLines, int* result, int selStart = 0,
                          int selLength = 0) {
    StartRecording(dc);
    *result = DrawTextInRect(dc, text, r, flags, selStart, selLength, 0x00FF0000, 0x0000FF00, maxLines);
    std::vector<Drawn> out;
    for (const GdiRecord& rec : StopRecording(dc)) {
      if (rec.op == "FillRect") {
        fills.push_back(rec.rect);
        continue;
      }
      out.push_back({rec.op, rec.text, rec.points.empty() ? 0 : int(rec.points[0].x),
                     rec.points.empty() ? 0 : int(rec.points[0].y)});
    }
    return out;
  }
  std::vector<RECT> fills;
};

TEST_F(TextPaintTest, ForcedEllipsisAfterTheLineLimit) {
  int result = 0;
  auto drawn = Draw("abc\ndef\nghi", RECT{0, 0, 100, 100},
                    kctfVCenter | kctfEndEllipsis | kctfWholeRowsOnly | kctfReturnRowCount, 2, &result);
  EXPECT_EQ(result, 2);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[0].text, "abc");
  EXPECT_EQ(drawn[0].y, 40);
  EXPECT_EQ(drawn[1].text, "def");
  EXPECT_EQ(drawn[1].y, 50);
  EXPECT_EQ(drawn[2].op, "ExtTextOut");
  EXPECT_EQ(drawn[2].text, "...");
  EXPECT_EQ(drawn[2].x, 30);
  EXPECT_EQ(drawn[2].y, 50);

  // Centred rows keep the dots right after their text.
  drawn = Draw("abc\ndef\nghi", RECT{0, 0, 100, 100},
               kctfCenter | kctfVCenter | kctfEndEllipsis | kctfWholeRowsOnly | kctfReturnRowCount, 2, &result);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1].x, 35);
  EXPECT_EQ(drawn[2].x, 65);

  // Top-aligned: three rows are laid out, two drawn, the text was not cut by the limit.
  drawn =
      Draw("abc\ndef\nghi", RECT{0, 0, 100, 100}, kctfEndEllipsis | kctfWholeRowsOnly | kctfReturnRowCount, 2, &result);
  EXPECT_EQ(result, 2);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[1].text, "def");
}

TEST_F(TextPaintTest, EllipsisCutsTheOverflowingLastRow) {
  int result = 0;
  auto drawn = Draw("abcdefghij", RECT{0, 0, 50, 10}, kctfEndEllipsis, 0, &result);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].text, "ab");  // 50 less the 30 of "..."
  EXPECT_EQ(drawn[1].text, "...");
  EXPECT_EQ(drawn[1].x, 20);
  EXPECT_EQ(result, 10);
  // A multi-byte character is never cut in half.
  drawn = Draw("\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC", RECT{0, 0, 50, 10}, kctfEndEllipsis, 0, &result);
  ASSERT_EQ(drawn.size(), 2u);
  EXPECT_EQ(drawn[0].text, "\xC3\xA4\xC3\xB6");
}

TEST_F(TextPaintTest, CalcRectMeasuresWithoutDrawing) {
  int result = 0;
  RECT r{0, 0, 100, 100};
  StartRecording(dc);
  result = DrawTextInRect(dc, "abc\ndef\nghi", r, kctfCalcRect, 0, 0, 0, 0, 0, 5, 7);
  EXPECT_TRUE(StopRecording(dc).empty());
  EXPECT_EQ(r, (RECT{0, 0, 42, 30}));  // the widest row plus both indents
  EXPECT_EQ(result, 30);
  RECT empty{0, 0, 0, 0};
  EXPECT_EQ(DrawTextInRect(dc, "abc", empty, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(DrawTextInRect(dc, "", r, 0, 0, 0, 0, 0), 0);
}

TEST_F(TextPaintTest, SelectionHighlightsItsCharactersInTheirRows) {
  int result = 0;
  // "ab cd" / "efg": characters 4..6 are "d", the line break, "e".
  auto drawn = Draw("ab cd\nefg", RECT{0, 0, 100, 100}, 0, 0, &result, 4, 3);
  ASSERT_EQ(fills.size(), 2u);
  EXPECT_EQ(fills[0], (RECT{40, 0, 50, 10}));
  EXPECT_EQ(fills[1], (RECT{0, 10, 10, 20}));
  EXPECT_EQ(drawn.size(), 4u);  // each row once more in the selection colour
  // A selection at the text's end, or past it, highlights nothing; one cut at the end shrinks.
  fills.clear();
  Draw("abc", RECT{0, 0, 100, 100}, 0, 0, &result, 3, 5);
  EXPECT_TRUE(fills.empty());
  Draw("abc", RECT{0, 0, 100, 100}, 0, 0, &result, 1, 5);
  ASSERT_EQ(fills.size(), 1u);
  EXPECT_EQ(fills[0], (RECT{10, 0, 30, 10}));
}

}  // namespace
