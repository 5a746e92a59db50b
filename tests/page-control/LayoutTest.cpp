// Tab layout over the fixed font metrics: one line on each side, scrolling with the
// navigator, multi-line distribution with balancing, stretching and line rotation; the tab
// list's errors; the painter factory; caption fitting.

#include <gtest/gtest.h>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct Fixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcTabControl* tc;
  Fixture() {
    RootLookAndFeel()->SetKind(lfStandard);
    tc = new TkcTabControl(&form);
    tc->SetParent(&form);
    tc->SetBounds(0, 0, 289, 193);
    form.Show();
    session.ProcessMessages();
  }
  ~Fixture() { RootLookAndFeel()->Reset(); }
  void AddTabs(int n, int width) {
    tc->SetTabWidth(width);
    for (int i = 0; i < n; ++i) tc->Tabs()->Add("T" + std::to_string(i));
  }
  TRect Normal(int v) { return tc->VisibleTabs()->GetTab(v)->GetNormalRect(); }
  TRect Full(int v) { return tc->VisibleTabs()->GetTab(v)->GetFullRect(); }
};

}  // namespace

TEST(KcPCLayout, OneLineOnEachSide) {
  struct Row {
    TkcTabPosition pos;
    TRect tabsBounds, t0, t1, t2, mainFull, page;
  };
  const Row rows[] = {
      {tpTop, {2, 2, 287, 193}, {2, 2, 62, 20}, {62, 2, 122, 20}, {122, 2, 182, 20}, {0, 0, 64, 21}, {2, 22, 287, 191}},
      {tpBottom,
       {2, 0, 287, 191},
       {2, 173, 62, 191},
       {62, 173, 122, 191},
       {122, 173, 182, 191},
       {0, 172, 64, 193},
       {2, 2, 287, 171}},
      {tpLeft,
       {2, 2, 289, 191},
       {2, 131, 20, 191},
       {2, 71, 20, 131},
       {2, 11, 20, 71},
       {0, 129, 21, 193},
       {22, 2, 287, 191}},
      {tpRight,
       {0, 2, 287, 191},
       {269, 131, 287, 191},
       {269, 71, 287, 131},
       {269, 11, 287, 71},
       {268, 129, 289, 193},
       {2, 2, 267, 191}},
  };
  for (const Row& r : rows) {
    Fixture f;
    f.tc->SetTabPosition(r.pos);
    f.AddTabs(3, 60);
    SCOPED_TRACE(int(r.pos));
    EXPECT_EQ(f.tc->TabIndex(), 0);
    EXPECT_EQ(f.tc->TabsRegion.TabsBounds, r.tabsBounds);
    EXPECT_EQ(f.Normal(0), r.t0);
    EXPECT_EQ(f.Normal(1), r.t1);
    EXPECT_EQ(f.Normal(2), r.t2);
    EXPECT_EQ(f.Full(0), r.mainFull);
    EXPECT_EQ(f.tc->GetPageClientRect(), r.page);
    EXPECT_TRUE(f.tc->NavigatorButtons.Empty());
  }
}

TEST(KcPCLayout, SingleLineScrollsWithTheNavigator) {
  Fixture f;
  f.AddTabs(10, 60);
  EXPECT_EQ(f.tc->NavigatorButtons, (TkcPCNavigatorButtons{nbTopLeft, nbBottomRight}));
  EXPECT_EQ(f.tc->TabsRegion.Bounds, (TRect{0, 0, 249, 193}));
  EXPECT_EQ(f.tc->TabsRegion.TabsLength, 245);
  EXPECT_EQ(f.tc->FirstShownTab, 0);
  EXPECT_EQ(f.tc->LastShownTab, 4);
  EXPECT_FALSE(f.tc->LastTabFits);
  EXPECT_EQ(f.tc->VisibleTabs()->GetTab(4)->GetDisplayRect(), (TRect{242, 2, 249, 20}));
  EXPECT_EQ(f.tc->NavigatorButtonStates[nbTopLeft], 3);
  EXPECT_EQ(f.tc->NavigatorButtonStates[nbBottomRight], 0);
  f.tc->SetTabIndex(9);
  EXPECT_EQ(f.tc->FirstShownTab, 6);
  EXPECT_EQ(f.tc->LastShownTab, 9);
  EXPECT_TRUE(f.tc->LastTabFits);
  EXPECT_EQ(f.tc->NavigatorButtonStates[nbBottomRight], 3);
  EXPECT_EQ(f.tc->NavigatorButtonStates[nbTopLeft], 0);
  EXPECT_EQ(f.Full(9), (TRect{180, 0, 244, 21}));

  f.tc->SetOptions(f.tc->Options() + TkcPCOptions{pcoGoDialog, pcoCloseButton});
  auto& nav = static_cast<TkcPCStandardPainter*>(f.tc->Painter())->NavigatorButtonPositions();
  ASSERT_EQ(nav.size(), 4u);
  EXPECT_EQ(nav[0].Button, nbGoDialog);
  EXPECT_EQ(nav[0].Bounds, (TRect{217, 0, 229, 20}));
  EXPECT_EQ(nav[3].Button, nbClose);
  EXPECT_EQ(nav[3].Bounds, (TRect{269, 0, 289, 20}));
  f.tc->SetNavigatorPosition(npLeftTop);
  EXPECT_EQ(nav[0].Button, nbClose);
  EXPECT_EQ(nav[0].Bounds, (TRect{0, 0, 20, 20}));
  EXPECT_EQ(nav[3].Bounds, (TRect{60, 0, 72, 20}));
  EXPECT_EQ(f.tc->TabsRegion.Bounds, (TRect{72, 0, 289, 193}));
}

TEST(KcPCLayout, MultiLineStretchesAndMovesTheMainLine) {
  Fixture f;
  f.tc->SetMultiLine(true);
  f.AddTabs(5, 100);
  EXPECT_EQ(f.tc->LineCount, 3);
  EXPECT_EQ(f.Normal(2), (TRect{2, 2, 144, 20}));
  EXPECT_EQ(f.Normal(3), (TRect{144, 2, 287, 20}));
  EXPECT_EQ(f.Normal(4), (TRect{2, 20, 287, 38}));
  EXPECT_EQ(f.Normal(0), (TRect{2, 38, 144, 56}));
  EXPECT_EQ(f.Normal(1), (TRect{144, 38, 287, 56}));
  EXPECT_EQ(f.Full(0), (TRect{0, 36, 146, 57}));
  EXPECT_EQ(f.tc->GetPageClientRect(), (TRect{2, 58, 287, 191}));

  f.tc->SetScrollOpposite(true);
  f.tc->RequestLayout();
  EXPECT_EQ(f.tc->TopOrLeftPartLineCount, 1);
  EXPECT_EQ(f.tc->TopOrLeftPartRect, (TRect{0, 0, 289, 21}));
  EXPECT_EQ(f.tc->BottomOrRightPartRect, (TRect{0, 157, 289, 193}));
  EXPECT_EQ(f.tc->GetPageClientRect(), (TRect{2, 22, 287, 155}));
  EXPECT_EQ(f.tc->VisibleTabs()->GetTab(2)->RealPosition(), tpBottom);

  f.tc->SetScrollOpposite(false);
  f.tc->SetTabPosition(tpBottom);
  EXPECT_EQ(f.tc->TopOrLeftPartLineCount, 0);
  EXPECT_EQ(f.Normal(0).top, 137);
  EXPECT_EQ(f.Normal(2).top, 155);
  EXPECT_EQ(f.Normal(4).top, 173);
  EXPECT_EQ(f.tc->GetPageClientRect(), (TRect{2, 2, 287, 135}));
}

TEST(KcPCLayout, BalancingBeatsTheGreedyLines) {
  Fixture f;
  SetFontSource(std::make_shared<FixedFontSource>(8, 11, 2));
  f.tc->SetMultiLine(true);
  for (const char* c : {"abcdefghijk", "abcdefghijk", "abcdefghi", "abcdefghijk"}) f.tc->Tabs()->Add(c);
  EXPECT_EQ(f.tc->LineCount, 2);
  int widths[4], lines[4];
  for (int i = 0; i < 4; ++i) {
    widths[i] = f.tc->VisibleTabs()->GetTab(i)->NormalWidth;
    lines[i] = f.tc->VisibleTabs()->GetTab(i)->LineIndex;
  }
  EXPECT_EQ(std::vector<int>(lines, lines + 4), (std::vector<int>{0, 0, 1, 1}));
  EXPECT_EQ(std::vector<int>(widths, widths + 4), (std::vector<int>{142, 143, 130, 155}));
}

TEST(KcPCTabs, ErrorsAndFirstTab) {
  Fixture f;
  int changes = 0;
  f.tc->OnChange = [&](TObject*) { ++changes; };
  f.tc->Tabs()->Add("a");
  EXPECT_EQ(f.tc->TabIndex(), 0);
  EXPECT_EQ(changes, 0);
  f.tc->Tabs()->Add("b");
  f.tc->Tabs()->Add("c");
  auto message = [](auto fn) {
    try {
      fn();
    } catch (Exception& e) {
      return e.Message();
    }
    return String();
  };
  EXPECT_EQ(message([&] { f.tc->Tabs()->GetVisibleTab(-1); }),
            "TkcTabs.GetVisibleTab: TabVisibleIndex (-1) must be between 0 and 2");
  EXPECT_EQ(message([&] { f.tc->Tabs()->Get(5); }), "TkcTabs.Get: Tab's index (5) out of bounds");
  f.tc->Tabs()->Clear();
  EXPECT_EQ(message([&] { f.tc->VisibleTabs()->GetTab(0); }), "TkcVisibleTabList.GetTab: There are no visible tabs");
}

TEST(KcPCFactory, LookupsAndErrors) {
  Fixture f;
  TkcPCPaintersFactory* pf = PaintersFactory();
  ASSERT_NE(pf, nullptr);
  EXPECT_EQ(pf->GetPainterClass(4), nullptr);
  EXPECT_EQ(pf->GetDefaultStyleID(f.tc->LookAndFeel()), 1);
  EXPECT_EQ(pf->GetStyleIDByLookAndFeel(f.tc->LookAndFeel()), 1);
  EXPECT_EQ(f.tc->Style(), 0);
  f.tc->SetStyle(4);
  EXPECT_EQ(f.tc->Painter()->PainterClass()->GetStyleID(), 1);
  try {
    pf->GetPainterInstance(nullptr, f.tc);
    ADD_FAILURE();
  } catch (Exception& e) {
    EXPECT_EQ(e.Message(), "TkcPCPaintersFactory.GetPainterInstance: PCPainterClass is nil");
  }
}

TEST(KcPCPainters, ColourMathsAndCaptionFitting) {
  EXPECT_EQ(HsbToColor(0, 0, 100), TColor(0xFFFFFF));
  EXPECT_EQ(HsbToColor(120, 100, 100), TColor(0x00FF00));
  TkcHsb blue = ColorToHsb(clBlue);
  EXPECT_EQ(int(blue.Hue), 240);
  TkcHsb red = ColorToHsb(clRed);
  EXPECT_EQ(int(red.Saturation), 100);
  SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
  TkcScreenCanvas canvas;
  int w = 0;
  EXPECT_EQ(FitCaptionText(&canvas, "Tables", 42, w), "Tables");
  EXPECT_EQ(w, 42);
  EXPECT_EQ(FitCaptionText(&canvas, "Tables", 41, w), "Ta...");
  EXPECT_EQ(FitCaptionText(&canvas, "\xC3\xA4\xC3\xB6\xC3\xBC\xC3\xA4\xC3\xB6\xC3\xBC", 41, w), "\xC3\xA4\xC3\xB6...");
  EXPECT_EQ(w, 35);
  EXPECT_EQ(FitCaptionText(&canvas, "Tables", 10, w), "");
  EXPECT_EQ(w, 0);
  SetFontSource(nullptr);
}

namespace {

// The balancing search as first described: a plain recursion over the lines, exponential in
// their number; the control's memoised search must choose the same lines.
struct LiteralBalance {
  std::vector<int> len;
  int length, gap;
  std::vector<std::pair<int, int>> bounds, result;
  int LineLength(int a, int b) {
    int s = 0;
    for (int i = a; i <= b; ++i) s += len[i] + (i > a ? gap : 0);
    return s;
  }
  int Free(int k) { return length - LineLength(bounds[k].first, bounds[k].second); }
  int Best(int k) {
    if (k == 1) {
      result[0] = bounds[0];
      return Free(0);
    }
    auto saved = bounds;
    int best = std::max(Best(k - 1), Free(k - 1));
    int bestSplit = bounds[k - 2].second;
    while (bounds[k - 2].second > bounds[k - 2].first &&
           LineLength(bounds[k - 1].first, bounds[k - 1].second) + len[bounds[k - 2].second] + gap <= length) {
      --bounds[k - 2].second;
      --bounds[k - 1].first;
      int v = std::max(Best(k - 1), Free(k - 1));
      if (v < best) best = v, bestSplit = bounds[k - 2].second;
    }
    bounds = saved;
    bounds[k - 2].second = bestSplit;
    bounds[k - 1].first = bestSplit + 1;
    Best(k - 1);
    result[k - 1] = bounds[k - 1];
    bounds = saved;
    return best;
  }
};

}  // namespace

TEST(KcPCLayout, MemoisedBalancingMatchesThePlainSearch) {
  Fixture f;
  f.tc->SetMultiLine(true);
  f.tc->SetRaggedRight(true);  // widths stay as measured, so the lines can be compared
  std::srand(7);
  int balanced = 0;
  for (int round = 0; round < 40; ++round) {
    int n = 3 + std::rand() % 9;
    int width = 150 + std::rand() % 250;
    f.tc->SetWidth(width);
    f.tc->Tabs()->Clear();
    std::vector<int> lengths;
    for (int i = 0; i < n; ++i) {
      int chars = std::rand() % 20;
      f.tc->Tabs()->Add(std::string(std::size_t(chars), 'x'));
      lengths.push_back(std::max(42, 7 * chars + 12));
    }
    const int length = f.tc->TabsRegion.TabsLength;
    // Greedy lines (no tab here is longer than a line).
    LiteralBalance lb{lengths, length, 0, {}, {}};
    int used = 0, start = 0;
    for (int i = 0; i < n; ++i) {
      if (used + lengths[i] > length && i > start) {
        lb.bounds.push_back({start, i - 1});
        start = i;
        used = 0;
      }
      used += lengths[i];
    }
    lb.bounds.push_back({start, n - 1});
    bool anyTooLong = false;
    for (int l : lengths) anyTooLong |= l >= length;
    if (anyTooLong) continue;
    lb.result.resize(lb.bounds.size());
    if (lb.bounds.size() > 1)
      lb.Best(int(lb.bounds.size()));
    else
      lb.result = lb.bounds;
    if (lb.result != lb.bounds) ++balanced;
    for (int k = 0; k < int(lb.result.size()); ++k)
      for (int i = lb.result[k].first; i <= lb.result[k].second; ++i)
        ASSERT_EQ(f.tc->VisibleTabs()->GetTab(i)->LineIndex, k) << "round " << round << " tab " << i;
  }
  EXPECT_GT(balanced, 5);  // the cases do move tabs away from the greedy lines
}

TEST(KcPCPainters, FigureRegionsAndBorderLines) {
  // A figure without diagonal segments: the left segment moves right and the top one down.
  std::unique_ptr<TkcRegion> r(CreateFigureRegion({{0, 9}, {0, 0}, {9, 0}, {9, 9}}, {lpL, lpT, lpR}, true));
  EXPECT_FALSE(r->ContainsPoint(0, 5));
  EXPECT_FALSE(r->ContainsPoint(5, 0));
  EXPECT_TRUE(r->ContainsPoint(1, 1));
  EXPECT_TRUE(r->ContainsPoint(5, 5));
  EXPECT_FALSE(r->ContainsPoint(9, 5));
  // Two border lines: column 0 rows 0..9 and row 0 columns 1..9; the rectangle shrinks past them.
  SetFontSource(std::make_shared<FixedFontSource>());
  TBitmap bmp(10, 10);
  TkcCanvas canvas(bmp.Canvas());
  canvas.FillRect(Rect(0, 0, 10, 10), clWhite);
  TRect rect{0, 0, 10, 10};
  DrawBorderLines(&canvas, rect, {bLeft, bTop}, {clRed, clBlue}, false);
  EXPECT_EQ(rect, (TRect{1, 1, 10, 10}));
  EXPECT_EQ(ColorToRGB(canvas.Pixel(0, 9)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(canvas.Pixel(0, 0)), ColorToRGB(clRed));
  EXPECT_EQ(ColorToRGB(canvas.Pixel(9, 0)), ColorToRGB(clBlue));
  EXPECT_EQ(ColorToRGB(canvas.Pixel(1, 1)), ColorToRGB(clWhite));
  SetFontSource(nullptr);
}

TEST(KcPCPainters, RotatedImageCacheAndErrors) {
  Fixture f;
  TImageList images(nullptr);
  images.SetWidth(4);
  images.SetHeight(4);
  TBitmap strip(16, 4);
  images.Add(&strip, nullptr);
  TkcPCImageList list(f.tc);
  TBitmap target(20, 20);
  TkcCanvas canvas(target.Canvas());
  auto message = [&](auto fn) {
    try {
      fn();
    } catch (Exception& e) {
      return e.Message();
    }
    return String();
  };
  EXPECT_EQ(message([&] { list.Draw(&canvas, 0, 0, 0, true, clWhite); }),
            "TkcPCImageList.Draw: BaseImages is not assigned");
  list.SetBaseImages(&images);
  EXPECT_EQ(message([&] { list.Draw(&canvas, 0, 0, 7, true, clWhite); }),
            "TkcPCImageList.Draw: Index (7) must be between 0 and 3");
  list.SetRotationAngle(1);
  EXPECT_EQ(list.GetRotatedSize().cx, 4);
  EXPECT_EQ(message([&] { list.Draw(&canvas, 0, 0, 2, true, clWhite); }), "");
}

TEST(KcPCLayout, RotatedTabsOnTop) {
  Fixture f;
  f.tc->SetRotate(true);
  f.AddTabs(3, 60);
  // The captions run across the strip: each tab is as long as a tab is high, the line as
  // thick as the widest tab.
  EXPECT_EQ(f.tc->Tabs()->NormalTabHeight, 19);
  EXPECT_EQ(f.tc->LineThickness, 60);
  EXPECT_EQ(f.tc->GetTextDirection(), 1);
  EXPECT_EQ(f.Normal(0), (TRect{2, 2, 21, 62}));
  EXPECT_EQ(f.Normal(1), (TRect{21, 2, 40, 62}));
  EXPECT_EQ(f.Full(0), (TRect{0, 0, 23, 63}));
  EXPECT_EQ(f.tc->GetPageClientRect(), (TRect{2, 64, 287, 191}));
  // Top to bottom text reverses the order along the strip.
  f.tc->SetOptions(f.tc->Options() + TkcPCOptions{pcoTopToBottomText});
  EXPECT_TRUE(f.tc->IsTabOrderReversed());
  EXPECT_EQ(f.Normal(0), (TRect{268, 2, 287, 62}));
  EXPECT_EQ(f.tc->VisibleTabs()->GetTab(0)->PaintingKind(), 3);
}
