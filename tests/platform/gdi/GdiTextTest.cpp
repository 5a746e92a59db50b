// Text with the fixed-metrics font source: metrics, measuring equals drawing, DrawText layouts.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/WinGdi.h"

namespace {

// Fixed metrics: advance 7, ascent 11, descent 2 (cell 13); 'W' advances 9.
class FixedFontTest : public ::testing::Test {
protected:
  void SetUp() override {
    auto source = std::make_shared<FixedFontSource>(7, 11, 2);
    source->SetAdvance('W', 9);
    SetFontSource(source);
    dc = CreateCompatibleDC(HDC());
    bitmap = CreateBitmap(120, 40, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
  }
  void TearDown() override {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    SetFontSource(nullptr);
  }
  // Columns of row y that are not white, as text ('#'/'.').
  std::string Row(int y, int from = 0, int to = 120) const {
    std::string s;
    for (int x = from; x < to; ++x) s += (BitmapSurface(bitmap)->At(x, y) & 0xFFFFFF) == 0xFFFFFF ? '.' : '#';
    return s;
  }
  RECT Calc(const std::string& text, RECT r, UINT flags) {
    DrawText(dc, text, &r, flags | DT_CALCRECT);
    return r;
  }
  HDC dc;
  HBITMAP bitmap, old;
};

}  // namespace

TEST_F(FixedFontTest, MetricsAndExtents) {
  TEXTMETRIC tm;
  ASSERT_TRUE(GetTextMetrics(dc, &tm));
  EXPECT_EQ(tm.tmHeight, 13);
  EXPECT_EQ(tm.tmAscent, 11);
  EXPECT_EQ(tm.tmDescent, 2);
  EXPECT_EQ(tm.tmAveCharWidth, 7);
  EXPECT_EQ(tm.tmMaxCharWidth, 9);
  EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);  // set means variable pitch

  SIZE size;
  ASSERT_TRUE(GetTextExtentPoint32(dc, "Qq", &size));
  EXPECT_EQ(size, (SIZE{14, 13}));
  // Characters, not bytes: "é" is two bytes and one advance.
  ASSERT_TRUE(GetTextExtentPoint32(dc, "\xC3\xA9W", &size));
  EXPECT_EQ(size.cx, 16);
  // A failing call answers (0, 0).
  size = SIZE{5, 5};
  EXPECT_FALSE(GetTextExtentPoint32(HDC(), "x", &size));
  EXPECT_EQ(size, (SIZE{0, 0}));

  int fit = -1;
  int dx[4] = {};
  ASSERT_TRUE(GetTextExtentExPoint(dc, "aWbc", 23, &fit, dx, &size));
  EXPECT_EQ(fit, 3);
  EXPECT_EQ((std::vector<int>(dx, dx + 4)), (std::vector<int>{7, 16, 23, 30}));

  SetTextCharacterExtra(dc, 1);
  GetTextExtentPoint32(dc, "abc", &size);
  EXPECT_EQ(size.cx, 24);
}

// A font keeps its resolved metrics only while the source and its advances stay as they were.
TEST(FixedFontSourceChanges, FontsMeasureWithTheSourceAsItIsNow) {
  auto first = std::make_shared<FixedFontSource>(7, 11, 2);
  SetFontSource(first);
  HDC dc = CreateMeasureDC();
  HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  HFONT old = SelectObject(dc, font);
  SIZE size;
  GetTextExtentPoint32(dc, "W", &size);
  EXPECT_EQ(size.cx, 7);
  first->SetAdvance('W', 12);
  GetTextExtentPoint32(dc, "W", &size);
  EXPECT_EQ(size.cx, 12);
  SetFontSource(std::make_shared<FixedFontSource>(5, 11, 2));
  GetTextExtentPoint32(dc, "W", &size);
  EXPECT_EQ(size.cx, 5);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  SetFontSource(nullptr);
}

TEST_F(FixedFontTest, MeasuringEqualsDrawing) {
  // Glyph boxes cover the advance less one column; the drawn width is the measured one.
  SetBkMode(dc, TRANSPARENT);
  SIZE size;
  GetTextExtentPoint32(dc, "aWa", &size);
  TextOut(dc, 2, 0, "aWa");
  EXPECT_EQ(Row(5, 0, 26), "..######.########.######..");
  EXPECT_EQ(2 + size.cx, 25);

  // ExtTextOut with advances places each character at the running sums.
  const int adv[3] = {10, 10, 10};
  ExtTextOut(dc, 0, 20, 0, nullptr, "abc", adv);
  EXPECT_EQ(Row(25, 0, 32), "#########.#########.#########...");

  // Alignment: right-aligned at 60 ends at 60; baseline alignment puts the glyph bottom at y.
  SetTextAlign(dc, TA_RIGHT | TA_BASELINE);
  TextOut(dc, 60, 38, "ab");
  EXPECT_EQ(Row(37, 44, 62), "..######.######...");
  EXPECT_EQ(Row(38, 44, 62), "..................");
}

TEST_F(FixedFontTest, ExtTextOutOpaqueAndClipped) {
  SetBkColor(dc, RGB(0, 0, 0));
  RECT r{0, 0, 10, 13};
  ExtTextOut(dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &r, "abcdef", nullptr);
  EXPECT_EQ(Row(12, 0, 14), "##########....");  // opaque rectangle, text clipped at 10
}

TEST_F(FixedFontTest, DrawTextLayouts) {
  struct Case {
    const char* name;
    std::string text;
    RECT r;
    UINT flags;
    RECT expected;
  };
  const std::vector<Case> cases{
      {"single line", "abc", {0, 0, 100, 50}, DT_SINGLELINE, {0, 0, 21, 13}},
      {"prefix removed", "&File", {0, 0, 100, 50}, DT_SINGLELINE, {0, 0, 28, 13}},
      {"no prefix keeps &", "&File", {0, 0, 100, 50}, DT_SINGLELINE | DT_NOPREFIX, {0, 0, 35, 13}},
      {"double & is one", "a&&b", {0, 0, 100, 50}, DT_SINGLELINE, {0, 0, 21, 13}},
      {"lines", "ab\r\ncde\nf", {0, 0, 100, 50}, 0, {0, 0, 21, 39}},
      {"final line end adds no line", "ab\n", {0, 0, 100, 50}, 0, {0, 0, 14, 13}},
      {"word break", "aa bb cc", {0, 0, 40, 50}, DT_WORDBREAK, {0, 0, 35, 26}},
      {"long word not cut", "aaaaaaaa b", {0, 0, 30, 50}, DT_WORDBREAK, {0, 0, 56, 26}},
      {"long word cut for edit controls", "aaaaaaaa", {0, 0, 30, 50}, DT_WORDBREAK | DT_EDITCONTROL, {0, 0, 28, 26}},
      {"tabs every 8 average widths", "a\tb", {0, 0, 200, 50}, DT_SINGLELINE | DT_EXPANDTABS, {0, 0, 63, 13}},
      {"end ellipsis fits", "abcdefgh", {0, 0, 40, 50}, DT_SINGLELINE | DT_END_ELLIPSIS, {0, 0, 35, 13}},
      {"path ellipsis keeps the file name",
       "c:\\dir\\f.txt",
       {0, 0, 70, 50},
       DT_SINGLELINE | DT_PATH_ELLIPSIS,
       {0, 0, 70, 13}},
      {"empty text", "", {5, 5, 100, 50}, 0, {5, 5, 5, 5}},
  };
  for (const Case& c : cases) EXPECT_EQ(Calc(c.text, c.r, c.flags), c.expected) << c.name;
}

TEST_F(FixedFontTest, DrawTextPlacementEllipsisAndUnderline) {
  SetBkMode(dc, TRANSPARENT);
  // Centred vertically and horizontally in a 40-wide, 23-high box: x = 13, top y = 5.
  RECT r{0, 0, 40, 23};
  EXPECT_EQ(DrawText(dc, "ab", &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER), 18);
  EXPECT_EQ(Row(10, 0, 30), ".............######.######....");
  EXPECT_EQ(Row(4, 0, 30), "..............................");

  // The ellipsis: "abcdefgh" in 40 pixels is "ab..." (2 * 7 + 3 * 7 = 35).
  RECT e{0, 24, 40, 37};
  DrawText(dc, "abcdefgh", &e, DT_SINGLELINE | DT_END_ELLIPSIS);
  EXPECT_EQ(Row(30, 0, 40), "######.######.######.######.######......");

  // The prefixed character is underlined below the baseline; clipped to the rectangle.
  RECT u{60, 0, 80, 13};
  DrawText(dc, "a&bcd", &u, DT_SINGLELINE);
  EXPECT_EQ(Row(12, 58, 84), ".........#######..........");
}

TEST_F(FixedFontTest, RotatedTextRunsUpwards) {
  // Escapement 900: the baseline goes up, glyph tops face left.
  LOGFONT lf;
  lf.lfEscapement = 900;
  HFONT f = CreateFontIndirect(lf);
  HFONT oldFont = SelectObject(dc, f);
  SetBkMode(dc, TRANSPARENT);
  SetTextAlign(dc, TA_BASELINE);
  TextOut(dc, 20, 30, "ab");
  // Column x = 15 (inside the glyphs' height) is filled from y = 29 up, in two boxes of 6.
  std::string col;
  for (int y = 14; y < 32; ++y) col += (BitmapSurface(bitmap)->At(15, y) & 0xFFFFFF) == 0xFFFFFF ? '.' : '#';
  EXPECT_EQ(col, "...######.######..");
  SelectObject(dc, oldFont);
  DeleteObject(f);
}

TEST_F(FixedFontTest, TabbedTextAndCharacterWidths) {
  // No tab stops: every 8 average widths (56) from the tab origin; low word width, high height.
  const DWORD ext = GetTabbedTextExtent(dc, "ab\tc", 0, nullptr);
  EXPECT_EQ(LOWORD(ext), 63);
  EXPECT_EQ(HIWORD(ext), 13);
  const int stops[] = {30};
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(dc, "a\tb", 1, stops)), 37);  // one stop: repeats every 30
  EXPECT_EQ(LOWORD(GetTabbedTextExtent(dc, "a\tb\tc", 1, stops)), 67);
  // Drawn from x = 10 with the tab origin at 10: "c" starts at 10 + 56.
  EXPECT_EQ(LOWORD(TabbedTextOut(dc, 10, 0, "ab\tc", 0, nullptr, 10)), 63);
  EXPECT_EQ(Row(5, 64, 74), "..######..");

  int widths[3] = {};
  ASSERT_TRUE(GetCharWidth32(dc, 'V', 'X', widths));
  EXPECT_EQ(std::vector<int>(widths, widths + 3), (std::vector<int>{7, 9, 7}));
  ABC abc;
  ASSERT_TRUE(GetCharABCWidths(dc, 'W', 'W', &abc));
  EXPECT_EQ(abc.abcA + static_cast<int>(abc.abcB) + abc.abcC, 9);
}

TEST_F(FixedFontTest, DrawTextBottomNoClipAndShortenedText) {
  // Bottom placement in a 20-high box: the line starts at y = 7 and the answer is the offset.
  RECT r{0, 0, 40, 20};
  EXPECT_EQ(DrawText(dc, "ab", &r, DT_SINGLELINE | DT_BOTTOM), 20);
  EXPECT_EQ(Row(6, 0, 14), "..............");
  EXPECT_EQ(Row(7 + 11 - 1, 0, 14), "######.######.");

  // Clipped to the rectangle unless DT_NOCLIP.
  RECT narrow{0, 20, 10, 40};
  DrawText(dc, "abc", &narrow, DT_SINGLELINE);
  EXPECT_EQ(Row(30, 0, 21), "######.###...........");
  RECT free{50, 20, 60, 40};
  DrawText(dc, "abc", &free, DT_SINGLELINE | DT_NOCLIP);
  EXPECT_EQ(Row(30, 50, 71), "######.######.######.");

  // DT_MODIFYSTRING hands back the shortened line; a text that fits is left as it is.
  struct Case {
    std::string text;
    UINT flags;
    std::string expected;
  };
  for (const Case& c : {Case{"abcdefgh", DT_END_ELLIPSIS, "ab..."}, Case{"abc", DT_END_ELLIPSIS, "abc"},
                        Case{"abcdefgh", 0, "abcdefgh"}, Case{"&abcdefgh", DT_END_ELLIPSIS, "ab..."},
                        Case{"c:\\dir\\f.txt", DT_PATH_ELLIPSIS, "c...\\f.txt"}}) {
    std::string text = c.text;
    RECT box{0, 0, c.flags & DT_PATH_ELLIPSIS ? 70 : 40, 13};
    DrawText(dc, &text, &box, DT_SINGLELINE | DT_MODIFYSTRING | c.flags);
    EXPECT_EQ(text, c.expected) << c.text;
  }
  std::string unchanged = "abcdefgh";
  RECT box{0, 0, 40, 13};
  DrawText(dc, &unchanged, &box, DT_SINGLELINE | DT_END_ELLIPSIS);  // without the flag
  EXPECT_EQ(unchanged, "abcdefgh");
}

TEST_F(FixedFontTest, LongParagraphWrapsInLinearTime) {
  // 200000 words of "ab " in a box 5 words wide: every line holds five words (14 px each plus
  // spaces: 5 * 14 + 4 * 7 = 98 <= 100). Wrapping re-measured the rest of the text per line
  // before, which took minutes here.
  std::string text;
  for (int i = 0; i < 200000; ++i) text += "ab ";
  RECT r{0, 0, 100, 0};
  EXPECT_EQ(DrawText(dc, text, &r, DT_WORDBREAK | DT_CALCRECT), 40000 * 13);
  EXPECT_EQ(r.right, 98);
  // Tabs count from the start of their line, also after a break.
  RECT t{0, 0, 70, 0};
  DrawText(dc, "aaaa\tb aaaa\tb", &t, DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT);
  EXPECT_EQ(t.bottom, 26);
  EXPECT_EQ(t.right, 63);
}
