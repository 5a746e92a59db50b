// Canvas, regions and colour helpers: pixels where the rules are pixel rules, the recording DC
// for text and colours, fixed font metrics (advance 7, cell 13).

#include <gtest/gtest.h>

#include <memory>

#include "controls/kcGraphics.h"
#include "platform/core/Math.h"
#include "platform/gdi/FontMetrics.h"

namespace {

class KcCanvasTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
    bitmap = std::make_unique<TBitmap>(40, 30);
    canvas = std::make_unique<TkcCanvas>(bitmap->Canvas());
  }
  void TearDown() override {
    canvas.reset();
    bitmap.reset();
    SetFontSource(nullptr);
    ResetSysColors();
  }
  COLORREF At(int x, int y) { return ColorFromPixel(bitmap->Pixels()->At(x, y)) & 0xFFFFFF; }
  int CountNot(COLORREF c) {
    int n = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
      for (int x = 0; x < bitmap->Width(); ++x) n += At(x, y) != c;
    return n;
  }
  HDC dc() { return bitmap->Canvas()->Handle(); }
  std::unique_ptr<TBitmap> bitmap;
  std::unique_ptr<TkcCanvas> canvas;
};

}  // namespace

TEST(KcTextFlags, MapToPlatformFlags) {
  const std::pair<int, UINT> cases[] = {{0x61, 0x824}, {0x400, 0x2810}, {0x4400, 0x810},
                                        {0x264, 0x25}, {0x1001, 0xC00}, {0x2800, 0xC800}};
  for (auto [flags, expected] : cases) EXPECT_EQ(KcTextFlagsToDrawTextFlags(flags), expected) << std::hex << flags;
}

TEST_F(KcCanvasTest, TiledFillSeamsAtTileMultiplesAndExcludeProtects) {
  TBitmap tile(10, 10);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) tile.Canvas()->SetPixels(x, y, static_cast<TColor>(RGB(x * 20, y * 20, 7)));
  canvas->FillRect(TRect{5, 5, 25, 15}, &tile, true);
  for (int y = 5; y < 15; ++y)
    for (int x = 5; x < 25; ++x) ASSERT_EQ(At(x, y), RGB((x % 10) * 20, (y % 10) * 20, 7)) << x << "," << y;
  EXPECT_EQ(At(4, 5), 0xFFFFFFu);
  EXPECT_EQ(At(25, 5), 0xFFFFFFu);
  canvas->FillRect(TRect{0, 0, 30, 20}, clBlack);
  EXPECT_EQ(At(5, 5), RGB(100, 100, 7));
  EXPECT_EQ(At(4, 5), 0u);
}

TEST_F(KcCanvasTest, FramesStayInsideAndTwoColorEdgesUseTheSystemColours) {
  canvas->FrameRect(TRect{0, 0, 5, 5}, clBlack, 10);
  EXPECT_EQ(CountNot(0xFFFFFF), 25);
  canvas->FrameRect(TRect{10, 10, 20, 20}, clRed, 2, TkcBorders{bLeft, bBottom});
  EXPECT_EQ(At(11, 10), 0x0000FFu);
  EXPECT_EQ(At(15, 19), 0x0000FFu);
  EXPECT_EQ(At(19, 15), 0xFFFFFFu);
  EXPECT_EQ(At(15, 10), 0xFFFFFFu);

  canvas->DrawEdge(TRect{20, 0, 30, 10}, true, false);  // sunken outer
  EXPECT_EQ(At(20, 5), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(At(25, 0), GetSysColor(COLOR_3DDKSHADOW));
  EXPECT_EQ(At(29, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(25, 9), GetSysColor(COLOR_BTNHIGHLIGHT));
  canvas->DrawEdge(TRect{30, 0, 40, 10}, true, true);  // sunken inner
  EXPECT_EQ(At(30, 5), GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(At(39, 5), GetSysColor(COLOR_3DLIGHT));
  canvas->DrawEdge(TRect{30, 10, 40, 20}, false, false);  // raised outer
  EXPECT_EQ(At(30, 15), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(39, 15), GetSysColor(COLOR_3DDKSHADOW));
}

TEST_F(KcCanvasTest, InvertRectFlipsAndRestoresCopyMode) {
  canvas->FillRect(TRect{0, 0, 10, 10}, static_cast<TColor>(0x123456));
  canvas->InvertRect(TRect{0, 0, 5, 5});
  EXPECT_EQ(At(2, 2), 0xEDCBA9u);
  EXPECT_EQ(At(7, 7), 0x123456u);
  EXPECT_EQ(bitmap->Canvas()->CopyMode(), SRCCOPY);
}

TEST_F(KcCanvasTest, ClipRegionRoundTripsInLogicalCoordinates) {
  SetWindowOrgEx(dc(), 10, 20, nullptr);
  std::unique_ptr<TkcRegion> clip(canvas->GetClipRegion());
  EXPECT_EQ(clip->BoundsRect(), (TRect{10, 20, 30010, 30020}));
  canvas->SetClipRegion(clip.release(), roSet);
  HRGN device = CreateRectRgn(0, 0, 0, 0);
  ASSERT_EQ(GetClipRgn(dc(), device), 1);
  RECT box;
  GetRgnBox(device, &box);
  EXPECT_EQ(box, (RECT{0, 0, 30000, 30000}));
  // Subtracting a logical rectangle keeps drawing out of it.
  canvas->SetClipRegion(new TkcRegion(TRect{10, 20, 15, 25}), roSubtract);
  canvas->FillRect(TRect{10, 20, 30, 40}, clBlack);
  EXPECT_EQ(At(2, 2), 0xFFFFFFu);
  EXPECT_EQ(At(7, 2), 0u);
  DeleteObject(device);
}

TEST_F(KcCanvasTest, DisabledRightAlignedTextIsEmbossedOnePixelIn) {
  TRect r{0, 0, 40, 20};
  StartRecording(dc());
  canvas->Brush()->SetStyle(bsSolid);
  canvas->DrawText("Ab", r, kctfRight | kctfSingleLine, false);
  canvas->DrawText("Ab", r, kctfRight | kctfSingleLine, true);
  auto calls = StopRecording(dc());
  std::vector<GdiRecord> texts;
  for (auto& c : calls)
    if (c.op == "ExtTextOut") texts.push_back(c);
  ASSERT_EQ(texts.size(), 3u);
  // Width 14: the main copy starts at 40 - 14 - 1, the highlight one pixel right and below.
  EXPECT_EQ(texts[0].points.at(0), (POINT{26, 1}));
  EXPECT_EQ(texts[0].textColor, GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(texts[0].bkMode, TRANSPARENT);
  EXPECT_EQ(texts[1].points.at(0), (POINT{25, 0}));
  EXPECT_EQ(texts[1].textColor, GetSysColor(COLOR_BTNSHADOW));
  EXPECT_EQ(texts[2].points.at(0), (POINT{26, 0}));
  EXPECT_EQ(canvas->Brush()->Style(), bsSolid);
}

TEST_F(KcCanvasTest, TextRectAlignmentArithmetic) {
  TRect r{0, 0, 40, 30};
  canvas->CalculateTextRect("Ab", r, kctfHCenter | kctfVCenter | kctfSingleLine);
  EXPECT_EQ(r, (TRect{13, 8, 27, 21}));
  r = TRect{0, 0, 40, 30};
  canvas->CalculateTextRect("Ab", r, kctfRight | kctfBottom | kctfSingleLine);
  EXPECT_EQ(r, (TRect{26, 17, 40, 30}));
  r = TRect{0, 0, 0, 0};  // no width: word breaking gets one pixel to work with
  canvas->CalculateTextRect("Ab cd", r, kctfWordBreak);
  EXPECT_EQ(r.bottom - r.top, 4 * 13);  // one character per line
  r = TRect{0, 0, 40, 30};
  canvas->AlignTextRectVertically(r, "Ab", 1, false, false, false);
  EXPECT_EQ(r.top, 30 - 13 - 1);
  r = TRect{0, 0, 40, 30};
  canvas->AlignTextRectVertically(r, "Ab", 2, false, false);
  EXPECT_EQ(r.top, 8);
  EXPECT_EQ(canvas->FontHeight(canvas->Font()), 13);
}

TEST_F(KcCanvasTest, FontAngleAsksForOutlineFontOnlyWhenTurned) {
  canvas->SetFontAngle(90);
  EXPECT_EQ(canvas->Font()->Escapement(), 900);
  EXPECT_EQ(canvas->Font()->OutPrecision(), OUT_TT_ONLY_PRECIS);
  canvas->SetFontAngle(0);
  EXPECT_EQ(canvas->Font()->Escapement(), 0);
  EXPECT_EQ(canvas->Font()->OutPrecision(), OUT_DEFAULT_PRECIS);
}

TEST(KcRotateBitmap, QuarterTurnsAndFlips) {
  auto make = [] {
    auto b = std::make_unique<TBitmap>(3, 2);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 3; ++x) b->Canvas()->SetPixels(x, y, 10 * y + x);
    return b;
  };
  auto px = [](TBitmap& b, int x, int y) { return ColorFromPixel(b.Pixels()->At(x, y)) & 0xFFFFFF; };
  auto b = make();
  TkcCanvas::RotateBitmap(b.get(), 1, false);
  ASSERT_EQ(b->Width(), 2);
  ASSERT_EQ(b->Height(), 3);
  EXPECT_EQ(px(*b, 0, 2), 0u);
  EXPECT_EQ(px(*b, 1, 0), 12u);
  b = make();
  TkcCanvas::RotateBitmap(b.get(), 0, true);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(px(*b, x, y), COLORREF(10 * (1 - y) + x));
  b = make();
  TkcCanvas::RotateBitmap(b.get(), 0, false);
  EXPECT_EQ(px(*b, 2, 1), 12u);
  TkcCanvas::RotateBitmap(b.get(), 2, false);  // clockwise: column H-1-y, row x
  EXPECT_EQ(px(*b, 1, 0), 0u);
  EXPECT_EQ(px(*b, 0, 2), 12u);
  b = make();
  TkcCanvas::RotateBitmap(b.get(), 3, false);
  EXPECT_EQ(px(*b, 0, 0), 12u);
}

TEST(KcRegion, CombineSameAsAndContains) {
  TkcRegion big(0, 0, 100, 100);
  big.CombineWith(new TkcRegion(10, 10, 20, 20), roSet);
  EXPECT_EQ(big.BoundsRect(), (TRect{10, 10, 20, 20}));
  big.CombineWith(new TkcRegion(15, 10, 30, 20), roAdd);
  EXPECT_TRUE(big.ContainsPoint(25, 15));
  big.CombineWith(new TkcRegion(10, 10, 20, 20), roSubtract);
  EXPECT_FALSE(big.ContainsPoint(12, 15));
  big.CombineWith(new TkcRegion(0, 0, 22, 100), roIntersect);
  EXPECT_EQ(big.BoundsRect(), (TRect{20, 10, 22, 20}));
  TkcRegion empty1, empty2(5, 5, 5, 9);
  EXPECT_TRUE(empty1.SameAs(&empty2));
  EXPECT_FALSE(empty1.SameAs(nullptr));
  EXPECT_FALSE(big.SameAs(&empty1));
  big.MoveBy(-20, 0);
  EXPECT_TRUE(big.ContainsPoint(TPoint{1, 15}));
}

TEST(KcColours, ScaleMixAndBlend) {
  EXPECT_EQ(ScaleColorByPercent(0x00FF2321, 50), 0x00801210);
  EXPECT_EQ(MixColors(0xFFFFFF, 0, 50), 0x808080);
  EXPECT_EQ(MixColors(0xFEECDD, 0xE2A981, 50), 0xF0CBB0);
  SetSysColor(COLOR_BTNFACE, 0);
  EXPECT_EQ(GetUltraFlatHotColor(), static_cast<TColor>(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(GetUltraFlatPressedColor(), static_cast<TColor>(GetSysColor(COLOR_HIGHLIGHT)));
  ResetSysColors();
  COLORREF face = GetSysColor(COLOR_BTNFACE), hl = GetSysColor(COLOR_HIGHLIGHT), win = GetSysColor(COLOR_WINDOW);
  int red = MulDiv(GetRValue(face), -2, 100) + MulDiv(GetRValue(hl), 30, 100) + MulDiv(GetRValue(win), 72, 100);
  EXPECT_EQ(GetRValue(static_cast<COLORREF>(GetUltraFlatHotColor())), std::clamp(red, 0, 255));
  EXPECT_FALSE(IsReversedTextCharset(ARABIC_CHARSET, ""));
  EXPECT_FALSE(IsReversedTextCharset(ARABIC_CHARSET, "abc"));
  EXPECT_TRUE(IsReversedTextCharset(ARABIC_CHARSET, "\xD8\xA7"));
  EXPECT_FALSE(IsReversedTextCharset(ANSI_CHARSET, "\xD8\xA7"));
}

TEST(KcColours, GradientBands) {
  TBitmap b(1000, 2);
  HDC dc = b.Canvas()->Handle();
  auto fills = [&](const TRect& r, TColor c1, TColor c2) {
    StartRecording(dc);
    FillGradientRect(dc, r, c1, c2, true);
    int n = 0;
    for (auto& c : StopRecording(dc)) n += c.op == "FillRect";
    return n;
  };
  EXPECT_EQ(fills(TRect{0, 0, 1000, 2}, clBlack, clWhite), 256);
  auto px = [&](int x) { return ColorFromPixel(b.Pixels()->At(x, 0)) & 0xFFFFFF; };
  EXPECT_EQ(px(0), 0u);
  EXPECT_EQ(px(3), 0u);
  EXPECT_EQ(px(999), 0xFFFFFFu);
  EXPECT_EQ(fills(TRect{0, 0, 10, 2}, clBlack, clWhite), 10);
  EXPECT_EQ(px(1), 0x1C1C1Cu);
  EXPECT_EQ(fills(TRect{0, 0, 10, 2}, clRed, clRed), 1);
  EXPECT_EQ(fills(TRect{0, 0, 1, 2}, clRed, clBlue), 1);  // one band: no division by zero
  EXPECT_EQ(px(0), 0x0000FFu);
  EXPECT_EQ(fills(TRect{5, 0, 5, 2}, clRed, clBlue), 0);
}

TEST(KcBrushes, SystemAndHalftoneBrushes) {
  EXPECT_EQ(GetSystemBrush(COLOR_BTNFACE)->Color(), clBtnFace);
  TBitmap b(8, 2);
  b.Canvas()->SetHandle(HDC());
  HDC dc = b.Canvas()->Handle();
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  RECT r{0, 0, 8, 2};
  FillRect(dc, &r, GetHalftoneBrush());
  auto px = [&](int x, int y) { return ColorFromPixel(b.Pixels()->At(x, y)) & 0xFFFFFF; };
  EXPECT_NE(px(0, 0), px(1, 0));
  EXPECT_EQ(px(0, 0), px(1, 1));
}
