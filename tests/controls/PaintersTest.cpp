// Painters on the recording device context: constants per painter, arrow and check geometry,
// button rectangles, sorting marks, header and footer sizes, radio glyphs, and the native
// painter's part and state choices under a fake theme library and its fallbacks without one.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "FakeTheme.h"
#include "controls/kcLookAndFeelPainters.h"
#include "controls/kcOffice11.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace {

class KcPainterTest : public ::testing::Test {
protected:
  void SetUp() override {
    SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
    bitmap = std::make_unique<TBitmap>(100, 60);
    canvas = std::make_unique<TkcCanvas>(bitmap->Canvas());
    RecomputeOffice11Colors();
  }
  void TearDown() override {
    canvas.reset();
    bitmap.reset();
    SetFontSource(nullptr);
  }
  HDC dc() { return bitmap->Canvas()->Handle(); }
  template <class F>
  std::vector<GdiRecord> Record(F f) {
    StartRecording(dc());
    f();
    return StopRecording(dc());
  }
  static std::vector<GdiRecord> Only(const std::vector<GdiRecord>& calls, const std::string& op) {
    std::vector<GdiRecord> r;
    for (auto& c : calls)
      if (c.op == op) r.push_back(c);
    return r;
  }
  COLORREF At(int x, int y) { return ColorFromPixel(bitmap->Pixels()->At(x, y)) & 0xFFFFFF; }
  std::unique_ptr<TBitmap> bitmap;
  std::unique_ptr<TkcCanvas> canvas;
};

TkcCustomLookAndFeelPainter* const kPainters[] = {
    TkcCustomLookAndFeelPainter::Instance(),   TkcStandardLookAndFeelPainter::Instance(),
    TkcFlatLookAndFeelPainter::Instance(),     TkcUltraFlatLookAndFeelPainter::Instance(),
    TkcOffice11LookAndFeelPainter::Instance(), TkcWinXPLookAndFeelPainter::Instance()};

}  // namespace

TEST(KcPainters, ConstantTablesPerPainter) {
  InitThemeManager();  // no themes: the native painter takes its fallbacks
  struct Row {
    const char* name;
    std::function<int(TkcCustomLookAndFeelPainter*)> value;
    int expected[6];
  };
  const Row rows[] = {
      {"style code", [](auto p) { return p->GetPainterStyleCode(); }, {1, 1, 0, 2, 4, 3}},
      {"border width", [](auto p) { return p->GetBorderWidth(); }, {0, 2, 1, 1, 1, 2}},
      {"expand extent", [](auto p) { return p->GetExpandButtonExtent(); }, {0, 12, 11, 11, 11, 12}},
      {"sort mark width", [](auto p) { return p->GetSortingMarkSize().cx; }, {0, 8, 8, 7, 7, 7}},
      {"sort mark height", [](auto p) { return p->GetSortingMarkSize().cy; }, {0, 7, 7, 8, 8, 8}},
      {"close height", [](auto p) { return p->GetFilterCloseButtonExtent().cy; }, {14, 14, 14, 15, 15, 14}},
      {"header height 13", [](auto p) { return p->GetHeaderHeight(13); }, {17, 19, 19, 19, 19, 19}},
      {"content margin", [](auto p) { return p->GetButtonContentMargin(); }, {0, 1, 1, 2, 2, 2}},
      {"hot tracking", [](auto p) { return int(p->IsButtonHotTrackingEnabled()); }, {0, 0, 0, 1, 1, 1}},
      {"default button border", [](auto p) { return p->GetButtonBorderWidth(kcbsDefault); }, {0, 3, 2, 2, 2, 2}},
      {"normal button border", [](auto p) { return p->GetButtonBorderWidth(kcbsNormal); }, {0, 2, 1, 1, 1, 2}},
      {"footer cell border", [](auto p) { return p->GetFooterCellBorderWidth(); }, {0, 1, 1, 2, 2, 1}},
      {"group expand extent", [](auto p) { return p->GetGroupExpandButtonExtent(); }, {15, 15, 15, 15, 15, 15}},
      {"small expand extent", [](auto p) { return p->GetSmallExpandButtonExtent(); }, {9, 9, 9, 9, 11, 9}},
  };
  for (const Row& row : rows)
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(row.value(kPainters[i]), row.expected[i]) << row.name << " of " << kPainters[i]->ClassName();
  EXPECT_EQ(TkcCustomLookAndFeelPainter::Instance()->GetRowSeparatorDefaultColor(), clBtnShadow);
  EXPECT_EQ(TkcCustomLookAndFeelPainter::Instance()->GetExtraDefaultColor22(), clNavy);
  EXPECT_EQ(TkcStandardLookAndFeelPainter::Instance()->GetExtraDefaultColor7(), clWindow);
  EXPECT_EQ(TkcUltraFlatLookAndFeelPainter::Instance()->GetButtonGroupBorderWidths(3, 0), (TRect{2, 2, 1, 2}));
  EXPECT_EQ(TkcUltraFlatLookAndFeelPainter::Instance()->GetButtonGroupBorderWidths(3, 2), (TRect{1, 2, 2, 2}));
  // Adjacent ultra-flat headers share one line.
  EXPECT_EQ(TkcUltraFlatLookAndFeelPainter::Instance()->GetHeaderBorders(TkcBorders{bLeft}),
            (TkcBorders{bTop, bRight, bBottom}));
}

TEST(KcPainters, ArrowPoints) {
  struct Case {
    TRect r;
    TkcArrowDirection d;
    bool square;
    TkcArrowPoints p;
  };
  const Case cases[] = {
      {{0, 0, 10, 10}, adDown, true, {TPoint{2, 4}, TPoint{6, 4}, TPoint{4, 6}}},
      {{0, 0, 10, 10}, adLeft, true, {TPoint{3, 5}, TPoint{5, 3}, TPoint{5, 7}}},
      {{0, 0, 10, 10}, adUp, true, {TPoint{4, 4}, TPoint{2, 6}, TPoint{6, 6}}},
      {{0, 0, 30, 10}, adRight, true, {TPoint{13, 3}, TPoint{15, 5}, TPoint{13, 7}}},  // squared to (10, 0, 20, 10)
      {{0, 0, 30, 10}, adDown, false, {TPoint{7, 1}, TPoint{21, 1}, TPoint{14, 8}}},
  };
  for (const Case& c : cases) {
    TkcArrowPoints p;
    TkcCustomLookAndFeelPainter::CalculateArrowPoints(c.r, p, c.d, c.square);
    EXPECT_EQ(p, c.p) << c.d << " " << c.r.right;
  }
}

// Every filled arrow of every look is solid: in the box of each triangle drawn, the triangle's
// colour forms one run in every row and every column (a pixel left out between the fill and an
// outline edge shows as a gap), and the arrow of a drop-down button is the whole triangle.
TEST_F(KcPainterTest, ArrowsAreSolidInEveryLook) {
  const TRect box{0, 0, 17, 17};
  const std::vector<std::pair<const char*, std::function<void(TkcCustomLookAndFeelPainter*)>>> glyphs = {
      {"arrow up", [&](auto* p) { p->DrawArrow(canvas.get(), box, adUp, clBtnText); }},
      {"arrow down", [&](auto* p) { p->DrawArrow(canvas.get(), box, adDown, clBtnText); }},
      {"arrow left", [&](auto* p) { p->DrawArrow(canvas.get(), TRect{0, 0, 16, 19}, adLeft, clBtnText); }},
      {"arrow right", [&](auto* p) { p->DrawArrow(canvas.get(), TRect{0, 0, 16, 19}, adRight, clBtnText); }},
      {"drop-down arrow", [&](auto* p) { p->DrawDropDownArrow(canvas.get(), TRect{0, 0, 15, 17}, clBtnText); }},
      {"arrow button down", [&](auto* p) { p->DrawArrowButton(canvas.get(), TRect{0, 0, 17, 21}, kcbsNormal, adDown); }},
      {"arrow button right", [&](auto* p) { p->DrawArrowButton(canvas.get(), TRect{0, 0, 21, 17}, kcbsHot, adRight); }},
      {"state arrow pressed", [&](auto* p) { p->DrawStateArrow(canvas.get(), box, kcbsPressed, adDown); }},
      {"filter button", [&](auto* p) { p->DrawFilterDropDownButton(canvas.get(), TRect{0, 0, 15, 17}, kcbsNormal, false); }},
      {"active filter button", [&](auto* p) { p->DrawFilterDropDownButton(canvas.get(), TRect{0, 0, 16, 18}, kcbsHot, true); }},
      {"scroll down", [&](auto* p) { p->PaintScrollBarPart(canvas.get(), false, box, sbpLineDown, kcbsNormal); }},
      {"scroll up", [&](auto* p) { p->PaintScrollBarPart(canvas.get(), false, TRect{0, 0, 17, 16}, sbpLineUp, kcbsHot); }},
      {"scroll right", [&](auto* p) { p->PaintScrollBarPart(canvas.get(), true, box, sbpLineDown, kcbsNormal); }},
      {"scroll left", [&](auto* p) { p->PaintScrollBarPart(canvas.get(), true, TRect{0, 0, 16, 17}, sbpLineUp, kcbsPressed); }},
  };
  int triangles = 0;
  for (TkcCustomLookAndFeelPainter* painter : kPainters)
    for (const auto& [what, draw] : glyphs) {
      canvas->FillRect(TRect{0, 0, 100, 60}, clWhite);
      for (const GdiRecord& tri : Only(Record([&] { draw(painter); }), "Polygon")) {
        ++triangles;
        const COLORREF ink = tri.brushColor & 0xFFFFFF;
        LONG left = tri.points[0].x, right = left, top = tri.points[0].y, bottom = top;
        for (const POINT& p : tri.points)
          left = std::min(left, p.x), right = std::max(right, p.x), top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        auto solid = [&](bool rows) {
          for (LONG a = rows ? top : left; a <= (rows ? bottom : right); ++a) {
            int first = -1, last = -1, count = 0;
            for (LONG b = rows ? left : top; b <= (rows ? right : bottom); ++b)
              if ((rows ? At(b, a) : At(a, b)) == ink) {
                if (first < 0) first = b;
                last = b, ++count;
              }
            if (count == 0 || last - first + 1 != count) return false;
          }
          return true;
        };
        EXPECT_TRUE(solid(true) && solid(false)) << painter->ClassName() << ": " << what;
      }
    }
  EXPECT_GE(triangles, 50);
  // The drop-down arrow of (0, 0, 15, 17): corners (4, 7), (10, 7) and (7, 10).
  canvas->FillRect(TRect{0, 0, 100, 60}, clWhite);
  TkcOffice11LookAndFeelPainter::Instance()->DrawDropDownArrow(canvas.get(), TRect{0, 0, 15, 17}, clBlack);
  std::vector<std::string> dump;
  for (int y = 6; y <= 11; ++y) {
    std::string row;
    for (int x = 3; x <= 11; ++x) row += At(x, y) == 0 ? '#' : '.';
    dump.push_back(row);
  }
  EXPECT_EQ(dump, (std::vector<std::string>{".........", ".#######.", "..#####..", "...###...", "....#....",
                                            "........."}));
}

TEST_F(KcPainterTest, ButtonCaptionRectanglesAndFrames) {
  auto* base = TkcCustomLookAndFeelPainter::Instance();
  for (auto [height, top, bottom] : {std::tuple{17, -1, 16}, std::tuple{19, 0, 18}, std::tuple{20, 0, 20}}) {
    auto calls = Only(Record([&] {
                        base->DrawButton(canvas.get(), TRect{0, 0, 80, height}, "&Ok", kcbsNormal, false);
                      }),
                      "DrawText");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].rect, (TRect{0, top, 80, bottom})) << height;
    EXPECT_EQ(calls[0].flags, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP);
  }
  // A default standard button: black frame and two rings, the face three pixels in.
  auto* standard = TkcStandardLookAndFeelPainter::Instance();
  standard->DrawButton(canvas.get(), TRect{0, 0, 40, 20}, "", kcbsDefault);
  EXPECT_EQ(At(0, 5), 0u);
  EXPECT_EQ(At(1, 5), GetSysColor(COLOR_BTNHIGHLIGHT));
  EXPECT_EQ(At(2, 5), GetSysColor(COLOR_3DLIGHT));
  EXPECT_EQ(At(3, 5), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(At(38, 5), GetSysColor(COLOR_3DDKSHADOW));
  // Ultra-flat hot: blended face, highlight frame; pressed text in highlight text.
  auto* ultra = TkcUltraFlatLookAndFeelPainter::Instance();
  ultra->DrawButton(canvas.get(), TRect{50, 0, 90, 20}, "", kcbsHot);
  EXPECT_EQ(At(50, 5), GetSysColor(COLOR_HIGHLIGHT));
  EXPECT_EQ(At(60, 10), static_cast<COLORREF>(GetUltraFlatHotColor()));
  auto text = Only(Record([&] {
                     ultra->DrawButton(canvas.get(), TRect{50, 0, 90, 20}, "x", kcbsPressed);
                   }),
                   "DrawText");
  ASSERT_EQ(text.size(), 1u);
  EXPECT_EQ(text[0].textColor, GetSysColor(COLOR_HIGHLIGHTTEXT));
  EXPECT_EQ(At(60, 10), static_cast<COLORREF>(GetUltraFlatPressedColor()));
}

TEST_F(KcPainterTest, CheckMarksAndHeaderSizes) {
  auto* base = TkcCustomLookAndFeelPainter::Instance();
  auto lines = Only(Record([&] {
                      base->DrawCheckFace(canvas.get(), TRect{0, 0, 13, 13}, kcbsNormal, true, clRed);
                    }),
                    "Polyline");
  ASSERT_EQ(lines.size(), 3u);
  // w 11, h 9, x 5, y 9: from (1, 5) down to (5, 9) and up to (12, 0), three rows thick.
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(lines[i].points, (std::vector<POINT>{{1, 5 + i}, {5, 9 + i}, {12, i}}));
    EXPECT_EQ(lines[i].penColor, 0x0000FFu);
  }
  auto grey = Only(Record([&] {
                     base->DrawCheckButton(canvas.get(), TRect{0, 0, 17, 17}, kcbsDisabled, true);
                   }),
                   "Polyline");
  ASSERT_FALSE(grey.empty());
  EXPECT_EQ(grey[0].penColor, GetSysColor(COLOR_GRAYTEXT));
  int w = canvas->TextWidth("Name");
  EXPECT_EQ(base->GetHeaderWidth(canvas.get(), kcAllBorders, "Name", nullptr), w + 4);
  auto* standard = TkcStandardLookAndFeelPainter::Instance();
  EXPECT_EQ(standard->GetHeaderWidth(canvas.get(), TkcBorders{bLeft}, "Name", nullptr), w + 5);
  // Bounds grow only where a header shares its line with a neighbour.
  EXPECT_EQ(standard->ExtendHeaderBounds(TRect{10, 10, 20, 20}, TkcBorders{bLeft}, TkcBorders{bLeft}),
            (TRect{10, 10, 20, 20}));
  EXPECT_EQ(TkcUltraFlatLookAndFeelPainter::Instance()->ExtendHeaderBounds(TRect{10, 10, 20, 20}, TkcBorders{bLeft},
                                                                           TkcBorders{bLeft, bTop}),
            (TRect{9, 10, 20, 20}));
  EXPECT_EQ(standard->GetFooterCellTextAreaBounds(TRect{0, 0, 50, 20}), (TRect{3, 3, 47, 17}));
}

TEST_F(KcPainterTest, EngravedSortingMarkLines) {
  auto* standard = TkcStandardLookAndFeelPainter::Instance();
  auto calls = Record([&] { standard->DrawSortingMark(canvas.get(), TRect{0, 0, 20, 20}, true); });
  auto lines = Only(calls, "LineTo");
  ASSERT_EQ(lines.size(), 5u);
  const POINT ends[] = {{10, 6}, {13, 12}, {6, 12}, {9, 6}, {6, 13}};
  const int light = GetSysColor(COLOR_BTNHIGHLIGHT), dark = GetSysColor(COLOR_BTNSHADOW);
  const COLORREF pens[] = {COLORREF(light), COLORREF(light), COLORREF(light), COLORREF(dark), COLORREF(dark)};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(lines[i].points.back(), ends[i]) << i;
    EXPECT_EQ(lines[i].penColor, pens[i]) << i;
  }
  // Descending: the base is dark.
  lines = Only(Record([&] { standard->DrawSortingMark(canvas.get(), TRect{0, 0, 20, 20}, false); }), "LineTo");
  ASSERT_EQ(lines.size(), 5u);
  EXPECT_EQ(lines[2].penColor, COLORREF(dark));
}

TEST_F(KcPainterTest, IndicatorsFilterButtonsAndScrollParts) {
  auto* flat = TkcFlatLookAndFeelPainter::Instance();
  auto none = Record([&] { flat->DrawIndicatorItem(canvas.get(), TRect{0, 0, 12, 18}, 0, clBtnFace); });
  auto unknown = Record([&] { flat->DrawIndicatorItem(canvas.get(), TRect{0, 0, 12, 18}, 99, clBtnFace); });
  auto arrow = Record([&] { flat->DrawIndicatorItem(canvas.get(), TRect{0, 0, 12, 18}, 1, clBtnFace); });
  EXPECT_EQ(none.size(), unknown.size());
  EXPECT_GT(arrow.size(), none.size());

  auto standard = TkcStandardLookAndFeelPainter::Instance();
  auto arrows = Only(Record([&] {
                       standard->DrawFilterDropDownButton(canvas.get(), TRect{0, 0, 15, 15}, kcbsNormal, true);
                     }),
                     "Polygon");
  ASSERT_EQ(arrows.size(), 1u);
  EXPECT_EQ(arrows[0].brushColor, 0xFF0000u);
  // A pressed standard scroll arrow is flat and one pixel down and right.
  auto frames = Only(Record([&] {
                       standard->PaintScrollBarPart(canvas.get(), false, TRect{0, 0, 17, 17}, sbpLineDown, kcbsPressed);
                     }),
                     "DrawFrameControl");
  ASSERT_EQ(frames.size(), 1u);
  EXPECT_EQ(frames[0].rect, (TRect{1, 1, 18, 18}));
  EXPECT_EQ(frames[0].flags & 0xFFFF, DFCS_SCROLLDOWN | DFCS_FLAT);
  // A disabled thumb and an empty part draw nothing.
  EXPECT_TRUE(Record([&] {
                standard->PaintScrollBarPart(canvas.get(), false, TRect{0, 0, 17, 30}, sbpThumbnail, kcbsDisabled);
                TkcUltraFlatLookAndFeelPainter::Instance()->PaintScrollBarPart(canvas.get(), true, TRect{}, sbpLineUp,
                                                                               kcbsNormal);
              }).empty());
  // Page areas: the half-tone checkerboard.
  standard->PaintScrollBarPart(canvas.get(), false, TRect{0, 20, 17, 40}, sbpPageUp, kcbsNormal);
  EXPECT_NE(At(0, 20), At(1, 20));
  EXPECT_EQ(At(0, 20), At(1, 21));
}

TEST_F(KcPainterTest, Office11GlyphColourAndExpandButtonCorners) {
  auto* office = TkcOffice11LookAndFeelPainter::Instance();
  EXPECT_EQ(office->GetButtonGlyphColor(kcbsPressed), clHighlightText);  // off the Luna schemes
  EXPECT_EQ(office->GetButtonGlyphColor(kcbsDisabled), Office11DisabledColor);
  EXPECT_EQ(office->GetButtonFaceColor(kcbsHot), Office11HotButtonColor);
  canvas->FillRect(TRect{0, 0, 30, 30}, static_cast<TColor>(0x204060));
  office->PaintExpandButton(canvas.get(), TRect{5, 5, 16, 16}, false);
  EXPECT_EQ(At(5, 5), static_cast<COLORREF>(MixColors(Office11ExpandButtonColor1, 0x204060, 25)));
  EXPECT_EQ(At(15, 15), static_cast<COLORREF>(MixColors(Office11ExpandButtonColor2, 0x204060, 25)));
  EXPECT_EQ(At(5, 15), At(15, 15));
  {
    TTestSession session;
    TFakeTheme fake;
    TThemeScope scope(&fake);
    RecomputeOffice11Colors();
    EXPECT_EQ(office->GetButtonGlyphColor(kcbsPressed), Office11GlyphColor);  // Luna keeps the glyph colour
  }
  RecomputeOffice11Colors();
}

TEST(KcRadioGlyphs, KeysAndCacheRebuiltBeforeOrdinaryListeners) {
  EXPECT_EQ(RadioGlyphKey(1, lfFlat, false, false, false), 0);
  EXPECT_EQ(RadioGlyphKey(4, lfOffice11, true, true, true), 127);
  TTestSession session;
  TkcRadioButtonImageList* images = GetRadioButtonImages();
  std::set<int> indexes;
  for (int key = 0; key < 128; ++key) indexes.insert(images->ImageIndex(key));
  EXPECT_EQ(indexes.size(), 128u);
  EXPECT_EQ(indexes.count(-1), 0u);
  TSize size = images->GlyphSize();
  EXPECT_GT(size.cx, 0);
  // The centre of an unchecked glyph is body; checked, dot.
  EXPECT_EQ(images->PatternAt(size.cx / 2, size.cy / 2), 6);
  EXPECT_EQ(images->PatternAt(0, 0), 0);

  auto bodyColour = [&] {
    TBitmap b(size.cx, size.cy);
    TkcCanvas c(b.Canvas());
    images->Draw(&c, 0, 0, kcbsNormal, lfStandard, false, false, false, clDefault);
    return ColorFromPixel(b.Pixels()->At(size.cx / 2, size.cy / 2)) & 0xFFFFFF;
  };
  COLORREF seen = 0;
  TkcSystemPaletteChangedNotifier ordinary;
  ordinary.OnSystemPaletteChanged = [&] { seen = bodyColour(); };
  SetSysColor(COLOR_WINDOW, RGB(1, 2, 3));
  BroadcastSystemChange(TSystemChange::Colors);
  EXPECT_EQ(seen, RGB(1, 2, 3));
  ResetSysColors();
  BroadcastSystemChange(TSystemChange::Colors);
}

TEST_F(KcPainterTest, NativePainterPartsAndStatesUnderAFakeTheme) {
  TTestSession session;
  TFakeTheme fake;
  TThemeScope scope(&fake);
  RecomputeOffice11Colors();
  auto* xp = TkcWinXPLookAndFeelPainter::Instance();
  auto last = [&] { return fake.Calls.back(); };
  EXPECT_EQ(xp->GetBorderWidth(), 1);
  EXPECT_EQ(xp->GetButtonBorderWidth(kcbsNormal), 3);  // the left content inset
  EXPECT_EQ(xp->GetHeaderBorderWidth(), 3);
  EXPECT_EQ(xp->GetCheckBorderWidth(), 0);
  EXPECT_EQ(xp->GetFilterCloseButtonExtent(), (TSize{17, 17}));
  EXPECT_EQ(xp->GetButtonFaceColor(kcbsHot), 0x010000 + 204);
  struct Case {
    std::function<void()> draw;
    std::u16string cls;
    int part, state;
  };
  TRect r{0, 0, 40, 20};
  const Case cases[] = {
      {[&] { xp->DrawButton(canvas.get(), r, "", kcbsHot); }, u"Button", 1, 2},
      {[&] { xp->DrawButton(canvas.get(), r, "", kcbsDefault); }, u"Button", 1, 5},
      {[&] { xp->DrawCheckButton(canvas.get(), r, kcbsPressed, true); }, u"Button", 3, 7},
      {[&] { xp->DrawCheckButton(canvas.get(), r, kcbsDisabled, false); }, u"Button", 3, 4},
      {[&] { xp->DrawRadioButton(canvas.get(), 0, 0, kcbsHot, true, false); }, u"Button", 2, 6},
      {[&] { xp->DrawArrowButton(canvas.get(), r, kcbsPressed, adLeft); }, u"ScrollBar", 1, 11},
      {[&] { xp->PaintExpandButton(canvas.get(), r, true); }, u"TreeView", 2, 2},
      {[&] { xp->DrawGroupExpandButton(canvas.get(), r, false, kcbsDisabled); }, u"ExplorerBar", 7, 1},
      {[&] { xp->DrawFilterCloseButton(canvas.get(), r, kcbsPressed); }, u"Window", 19, 3},
      {[&] { xp->DrawFilterDropDownButton(canvas.get(), r, kcbsHot, false); }, u"ComboBox", 1, 2},
      {[&] { xp->DrawToolButton(canvas.get(), r, kcbsHot); }, u"ToolBar", 1, 5},
      {[&] { xp->PaintScrollBarPart(canvas.get(), true, r, sbpPageDown, kcbsNormal); }, u"ScrollBar", 5, 1},
      {[&] {
         xp->DrawHeader(canvas.get(), r, r, {}, kcAllBorders, kcbsNormal, taLeftJustify, vaTop, false, false, "",
                        nullptr, clBlack, clWhite, nullptr, true);
       },
       u"Header", 3, 1},
      {[&] {
         xp->DrawHeader(canvas.get(), r, r, {}, kcAllBorders, kcbsPressed, taLeftJustify, vaTop, false, false, "",
                        nullptr, clBlack, clWhite, nullptr, true);
       },
       u"Header", 1, 3},
  };
  for (const Case& c : cases) {
    fake.Calls.clear();
    c.draw();
    ASSERT_FALSE(fake.Calls.empty());
    EXPECT_EQ(fake.Calls[0].classList, c.cls);
    EXPECT_EQ(fake.Calls[0].part, c.part);
    EXPECT_EQ(fake.Calls[0].state, c.state);
  }
  // A thumb: the thumb part, then its gripper.
  fake.Calls.clear();
  xp->PaintScrollBarPart(canvas.get(), false, r, sbpThumbnail, kcbsPressed);
  ASSERT_EQ(fake.Calls.size(), 2u);
  EXPECT_EQ(fake.Calls[0].part, 3);
  EXPECT_EQ(fake.Calls[0].state, 3);
  EXPECT_EQ(fake.Calls[1].part, 9);
  // Header text goes through the theme, one pixel in when pressed, without prefixes.
  fake.Calls.clear();
  xp->DrawHeader(canvas.get(), r, r, {}, kcAllBorders, kcbsPressed, taCenter, vaCenter, false, true, "Name", nullptr,
                 clBlack, clWhite);
  EXPECT_EQ(last().op, "Text");
  EXPECT_EQ(last().text, u"Name");
  EXPECT_EQ(last().rect, (TRect{1, 1, 41, 21}));
  EXPECT_EQ(last().flags, DT_CENTER | DT_VCENTER | DT_EDITCONTROL | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
}

TEST_F(KcPainterTest, NativePainterFallsBackWithoutThemes) {
  InitThemeManager();
  auto* xp = TkcWinXPLookAndFeelPainter::Instance();
  auto* standard = TkcStandardLookAndFeelPainter::Instance();
  auto fallback = Record([&] { xp->DrawButton(canvas.get(), TRect{0, 0, 40, 20}, "Ok", kcbsNormal); });
  auto plain = Record([&] { standard->DrawButton(canvas.get(), TRect{0, 0, 40, 20}, "Ok", kcbsNormal); });
  ASSERT_EQ(fallback.size(), plain.size());
  for (std::size_t i = 0; i < plain.size(); ++i) {
    EXPECT_EQ(fallback[i].op, plain[i].op);
    EXPECT_EQ(fallback[i].rect, plain[i].rect);
  }
  EXPECT_EQ(xp->GetCheckBorderWidth(), 2);
  EXPECT_EQ(xp->GetFilterActivateButtonExtent(), (TSize{13, 13}));
  EXPECT_FALSE(xp->PaintsLevelTabContent());
  EXPECT_TRUE(
      Record([&] {
        xp->DrawLevelTab(canvas.get(), TRect{0, 0, 40, 20}, {}, "Tab", kcbsNormal, false, nullptr, clBlack, clWhite);
      }).empty());
}
