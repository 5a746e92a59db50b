// Editor drawing helpers: the brush cache's eviction, arrow and button sizes, flag mapping.

#include <gtest/gtest.h>

#include <memory>

#include "editors/kcEditUtils.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/Windows.h"

namespace {

TEST(EditUtils, BrushCacheEvictsTheLeastUsedAndLeavesSystemColoursAlone) {
  TkcSolidBrushCache cache(4);
  EXPECT_EQ(cache.GetBrush(clBtnFace), GetSysColorBrush(COLOR_BTNFACE));
  EXPECT_EQ(cache.Depth(), 0);
  const TColor colours[] = {0x30, 0x10, 0x40, 0x20};
  for (TColor c : colours) cache.GetBrush(c);
  EXPECT_EQ(cache.Depth(), 4);
  const HBRUSH first = cache.GetBrush(0x10);  // used again: count 1
  EXPECT_EQ(cache.GetBrush(0x10), first);
  cache.GetBrush(0x20);
  cache.GetBrush(0x30);
  cache.GetBrush(0x50);  // the fifth colour pushes out 0x40, the only one never used again
  EXPECT_EQ(cache.Depth(), 4);
  EXPECT_FALSE(cache.Contains(0x40));
  EXPECT_TRUE(cache.Contains(0x10));
  EXPECT_TRUE(cache.Contains(0x50));
  EXPECT_EQ(cache.GetBrush(0x10), first);
  cache.Clear();
  EXPECT_EQ(cache.Depth(), 0);
}

TEST(EditUtils, ArrowAndEllipsisSizes) {
  EXPECT_EQ(CalcArrowSize(TSize{7, 9}, adDown), (TSize{3, 2}));
  EXPECT_EQ(CalcArrowSize(TSize{7, 9}, adLeft), (TSize{2, 3}));
  EXPECT_EQ(CalcArrowSize(TSize{17, 21}, adUp), (TSize{7, 4}));
  EXPECT_EQ(GetEllipsisDotSize(11), 1);
  EXPECT_EQ(GetEllipsisDotSize(12), 2);
  EXPECT_EQ(GetEditButtonVertFramePart(btsDefault), 0);
  EXPECT_EQ(GetEditButtonVertFramePart(bts3D), 4);
  EXPECT_EQ(GetEditButtonVertFramePart(btsOffice11), 2);
}

TEST(EditUtils, DownArrowIsCentredAndMovesWhenPressed) {
  TBitmap bitmap(7, 9);
  TkcCanvas canvas(bitmap.Canvas());
  auto dark = [&](int x, int y) { return (ColorFromPixel(bitmap.Pixels()->At(x, y)) & 0xFFFFFF) == 0; };
  canvas.FillRect(TRect{0, 0, 7, 9}, clWhite);
  DrawArrows(&canvas, TSize{3, 2}, TRect{0, 0, 7, 9}, clBlack, false, false, adDown);
  // Rows 3 and 4: three pixels, then one, from column 2.
  EXPECT_TRUE(dark(2, 3) && dark(3, 3) && dark(4, 3));
  EXPECT_TRUE(!dark(1, 3) && !dark(5, 3));
  EXPECT_TRUE(dark(3, 4) && !dark(2, 4) && !dark(4, 4));
  canvas.FillRect(TRect{0, 0, 7, 9}, clWhite);
  DrawArrows(&canvas, TSize{3, 2}, TRect{0, 0, 7, 9}, clBlack, true, false, adDown);
  EXPECT_TRUE(dark(3, 4) && dark(5, 4) && dark(4, 5) && !dark(2, 3));
}

TEST(EditUtils, ButtonWidths) {
  SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
  TBitmap bitmap(10, 10);
  TkcCanvas canvas(bitmap.Canvas());
  TBitmap glyph(16, 12);
  const int scroll = GetSystemMetrics(SM_CYHSCROLL);
  struct Case {
    TkcEditButtonKind kind;
    int width;
    const char* caption;
    bool withGlyph;
    int expected;
  } cases[] = {
      {bkText, 0, "", false, scroll},     {bkText, 0, "abcd", false, std::max(scroll, 28 + 4 + 3)},
      {bkDown, 2, "", false, 4},          {bkDown, 30, "", false, 30},
      {bkGlyph, 0, "", true, 20},         {bkGlyph, 0, "", false, scroll},
      {bkEllipsis, 0, "", false, scroll},
  };
  for (const auto& c : cases) {
    TkcEditButtonViewInfo info;
    info.Data.Kind = c.kind;
    info.Width = c.width;
    info.Data.VisibleCaption = c.caption;
    info.Glyph = c.withGlyph ? &glyph : nullptr;
    EXPECT_EQ(CalcEditButtonWidth(&canvas, &info), c.expected) << c.kind << " " << c.caption;
  }
  SetFontSource(nullptr);
}

TEST(EditUtils, TextFlagsAndExcludingFills) {
  EXPECT_EQ(ConvertDrawTextFlags(DT_VCENTER | DT_RIGHT | DT_SINGLELINE | DT_CENTER | DT_BOTTOM), 0x13);
  EXPECT_EQ(ConvertDrawTextFlags(DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT), 0x320);
  EXPECT_EQ(ConvertEditTextFlags(0x333),
            UINT(DT_VCENTER | DT_RIGHT | DT_SINGLELINE | DT_WORDBREAK | DT_EXPANDTABS | DT_CALCRECT));
  HDC dc = CreateMeasureDC();
  StartRecording(dc);
  FillRectExcluding(dc, TRect{0, 0, 10, 10}, TRect{2, 3, 8, 7}, GetSysColorBrush(COLOR_WINDOW));
  FillRectExcluding(dc, TRect{0, 0, 10, 10}, TRect{0, 0, 10, 10}, GetSysColorBrush(COLOR_WINDOW));
  const auto calls = StopRecording(dc);
  DeleteDC(dc);
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[0].rect, (RECT{0, 0, 2, 10}));
  EXPECT_EQ(calls[1].rect, (RECT{2, 0, 8, 3}));
  EXPECT_EQ(calls[2].rect, (RECT{8, 0, 10, 10}));
  EXPECT_EQ(calls[3].rect, (RECT{2, 7, 8, 10}));
}

}  // namespace
