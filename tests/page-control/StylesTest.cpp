// The nine tab styles: registration order and look-and-feel choice, rotation refusal, the
// button styles' layout, keys and multi-select, per-style metrics, and what each style paints
// on the recording device context.

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <set>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "platform/forms/FormsTestUtil.h"
#include "platform/gdi/WinGdi.h"

namespace {

struct StyleFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcTabControl* tc;
  explicit StyleFixture(int style = 0, TkcLookAndFeelKind kind = lfStandard) {
    RootLookAndFeel()->SetKind(kind);
    tc = new TkcTabControl(&form);
    tc->SetParent(&form);
    tc->SetBounds(0, 0, 289, 193);
    if (style) tc->SetStyle(style);
    form.Show();
    session.ProcessMessages();
  }
  ~StyleFixture() { RootLookAndFeel()->Reset(); }
  void AddTabs(int n, int width) {
    tc->SetTabWidth(width);
    for (int i = 0; i < n; ++i) tc->Tabs()->Add("T" + std::to_string(i));
  }
  TRect Normal(int v) { return tc->VisibleTabs()->GetTab(v)->GetNormalRect(); }
  // The colours each call painted with while the control painted itself.
  std::vector<GdiRecord> Paint() {
    HDC dc = tc->Canvas()->Handle();
    (void)dc;
    TBitmap bmp(289, 193);
    TkcCanvas* canvas = tc->Canvas();
    TCanvas* old = canvas->Canvas();
    canvas->SetCanvas(bmp.Canvas());
    StartRecording(bmp.Canvas()->Handle());
    tc->Painter()->Paint();
    auto calls = StopRecording(bmp.Canvas()->Handle());
    canvas->SetCanvas(old);
    return calls;
  }
  // The control painted into `bmp` (of the control's size).
  void PaintInto(TBitmap& bmp) {
    TkcCanvas* canvas = tc->Canvas();
    TCanvas* old = canvas->Canvas();
    canvas->SetCanvas(bmp.Canvas());
    tc->Painter()->Paint();
    canvas->SetCanvas(old);
  }
};

std::set<COLORREF> FillColors(const std::vector<GdiRecord>& calls) {
  std::set<COLORREF> r;
  for (auto& c : calls)
    if (c.op == "FillRect" || c.op == "PatBlt") r.insert(c.brushColor);
  return r;
}
std::set<COLORREF> PenColors(const std::vector<GdiRecord>& calls) {
  std::set<COLORREF> r;
  for (auto& c : calls)
    if (c.op == "Polyline" || c.op == "LineTo" || c.op == "SetPixel" || c.op == "Polygon") r.insert(c.penColor);
  return r;
}

}  // namespace

TEST(KcPCStyles, RegistrationOrderAndLookAndFeel) {
  StyleFixture f;
  TkcPCPaintersFactory* pf = PaintersFactory();
  ASSERT_EQ(pf->PainterClassCount(), 9);
  const char* names[] = {"Tabs", "Buttons",  "FlatButtons", "ExtraFlat", "UltraFlat",
                         "Flat", "Office11", "Slanted",     "OneNote"};
  const int ids[] = {1, 2, 3, 5, 6, 7, 8, 9, 10};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(pf->PainterClasses(i)->GetStyleName(), names[i]);
    EXPECT_EQ(pf->PainterClasses(i)->GetStyleID(), ids[i]);
  }
  const std::pair<TkcLookAndFeelKind, int> kinds[] = {{lfFlat, 7}, {lfStandard, 1}, {lfUltraFlat, 6}, {lfOffice11, 8}};
  for (auto [kind, id] : kinds) {
    TkcLookAndFeel lf(nullptr);
    lf.SetKind(kind);
    EXPECT_EQ(pf->GetStyleIDByLookAndFeel(&lf), id) << kind;
    EXPECT_EQ(pf->GetDefaultStyleID(&lf), 1);
  }
  // A control follows its look and feel while its Style is 0.
  f.tc->LookAndFeel()->SetKind(lfOffice11);
  EXPECT_EQ(f.tc->Painter()->PainterClass()->GetStyleID(), 8);
  EXPECT_EQ(f.tc->Style(), 0);
}

TEST(KcPCStyles, OneNoteRefusesRotation) {
  StyleFixture f;
  f.tc->SetRotate(true);
  f.tc->SetStyle(10);
  EXPECT_FALSE(f.tc->Rotate());
  try {
    f.tc->SetRotate(true);
    ADD_FAILURE();
  } catch (Exception& e) {
    EXPECT_EQ(e.Message(), "OneNote style does not support rotation of tabs");
  }
  EXPECT_FALSE(f.tc->Rotate());
}

TEST(KcPCStyles, ButtonsLayoutKeysAndMultiSelect) {
  StyleFixture f(2);
  f.tc->SetTabHeight(24);
  f.AddTabs(3, 60);
  EXPECT_EQ(f.Normal(0), (TRect{0, 0, 60, 24}));
  EXPECT_EQ(f.Normal(1), (TRect{63, 0, 123, 24}));
  EXPECT_EQ(f.Normal(2), (TRect{126, 0, 186, 24}));
  EXPECT_EQ(f.tc->TopOrLeftPartRect, (TRect{0, 0, 289, 24}));
  EXPECT_EQ(f.tc->GetPageClientRect(), (TRect{0, 26, 289, 193}));
  // Arrows move only the focus rectangle; Enter selects.
  f.tc->SetFocus();
  f.session.ProcessMessages();
  f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.tc->TabIndex(), 0);
  EXPECT_EQ(f.tc->FocusedTabVisibleIndex, 1);
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.tc->TabIndex(), 1);
  // Selecting one more tab keeps single selection; a second one turns multi-select on.
  f.tc->Tabs()->GetTab(2)->SetSelected(true);
  EXPECT_FALSE(f.tc->MultiSelect());
  f.tc->Tabs()->GetTab(0)->SetSelected(true);
  EXPECT_TRUE(f.tc->MultiSelect());
  // The Tabs style ignores selecting a tab that is not the active one.
  StyleFixture g;
  g.AddTabs(3, 60);
  g.tc->Tabs()->GetTab(2)->SetSelected(true);
  EXPECT_FALSE(g.tc->Tabs()->GetTab(2)->Selected());
}

TEST(KcPCStyles, MetricsPerStyle) {
  struct Row {
    int style;
    int tabHeight;  // 0: from the font
    TPoint distance;
    int normalHeight;
  };
  // Fixed font: text height 13.
  const Row rows[] = {
      {1, 0, {0, 0}, 18},    {2, 0, {3, 3}, 21},     {3, 0, {10, 3}, 21},     {5, 0, {1, 6}, 18},
      {5, 30, {1, 6}, 26},   {6, 0, {1, 6}, 18},     {8, 0, {2, 4}, 18},      {9, 0, {-9, -3}, 19},
      {9, 20, {-9, -3}, 20}, {10, 0, {-15, -3}, 18}, {10, 20, {-17, -3}, 20},
  };
  for (const Row& r : rows) {
    StyleFixture f(r.style);
    f.tc->SetTabHeight(r.tabHeight);
    f.AddTabs(2, 60);
    TPoint d;
    f.tc->Painter()->GetTabsDistance(d);
    EXPECT_EQ(f.tc->Tabs()->NormalTabHeight, r.normalHeight) << "style " << r.style;
    EXPECT_EQ(d.x, r.distance.x) << "style " << r.style;
    EXPECT_EQ(d.y, r.distance.y) << "style " << r.style;
  }
}

TEST(KcPCStyles, EachStylePaintsItsColours) {
  struct Row {
    int style;
    std::vector<COLORREF> fills, pens;
  };
  const COLORREF face = ColorToRGB(clBtnFace), light = ColorToRGB(LightFaceColor()), shadow = ColorToRGB(clBtnShadow),
                 high = ColorToRGB(clBtnHighlight), dk = ColorToRGB(cl3DDkShadow);
  const Row rows[] = {
      {1, {face}, {high, ColorToRGB(cl3DLight), dk, shadow}},
      {2, {high, face}, {}},  // the main button in the highlight colour, the others in the face colour
      {3, {high, face}, {ColorToRGB(clBtnShadow)}},
      {5, {face, light, shadow}, {}},
      {6, {face, light}, {}},
      {7, {face}, {high, shadow}},
      {9, {}, {shadow}},
  };
  for (const Row& r : rows) {
    StyleFixture f(r.style);
    f.AddTabs(3, 60);
    auto calls = f.Paint();
    auto fills = FillColors(calls);
    auto pens = PenColors(calls);
    for (COLORREF c : r.fills) EXPECT_TRUE(fills.count(c)) << "style " << r.style << " fill " << std::hex << c;
    for (COLORREF c : r.pens) EXPECT_TRUE(pens.count(c)) << "style " << r.style << " pen " << std::hex << c;
    EXPECT_EQ(f.tc->Painter()->ClipStackDepth(), 0) << "style " << r.style;
  }
}

#include "controls/FakeTheme.h"

TEST(KcPCStyles, NativeTabsUseTheThemeParts) {
  TFakeTheme fake;
  TThemeScope scope(&fake);
  StyleFixture f;
  f.tc->LookAndFeel()->SetNativeStyle(true);
  EXPECT_EQ(f.tc->Painter()->PainterClass()->GetStyleID(), 1);
  EXPECT_TRUE(f.tc->Painter()->IsNativePainting());
  f.AddTabs(4, 60);
  f.tc->SetTabIndex(1);
  f.tc->SetHotTrack(true);
  f.session.MoveTo(TFormsSession::At(f.tc, 200, 10));  // over tab 3
  fake.Calls.clear();
  f.Paint();
  std::map<int, std::pair<int, int>> tabs;  // left edge -> part, state
  int panes = 0;
  for (auto& c : fake.Calls)
    if (c.op == "Background" && c.classList == u"Tab") {
      if (c.part == 9)
        ++panes;
      else
        tabs[c.rect.left] = {c.part, c.state};
    }
  EXPECT_EQ(panes, 1);
  ASSERT_EQ(tabs.size(), 4u);
  std::vector<std::pair<int, int>> got;
  for (auto& [left, ps] : tabs) got.push_back(ps);
  // First tab: item with left edge; main tab: top item; last visible tab: item with right edge, hot.
  EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{2, 1}, {5, 3}, {1, 1}, {3, 2}}));
  // Themed pane margins (3 on each side in the fake) replace the classic frame.
  EXPECT_EQ(f.tc->GetPageClientRect().left, 3);
}

TEST(KcPCStyles, SlantedOverlapsGoToTheTabOnTop) {
  StyleFixture f(9);
  f.tc->SetTabHeight(20);
  f.AddTabs(3, 60);
  TRect t1 = f.Normal(1), t2 = f.Normal(2);
  ASSERT_EQ(t2.left - t1.right, -9);  // neighbours overlap by 9 pixels
  // Near the foot of tab 2's slant, inside tab 1's rectangle: tab 1 lies on top.
  TPoint p{t2.left + 3, t2.bottom - 2};
  EXPECT_EQ(f.tc->GetTabAt(p.x, p.y), 1);
  // Above the slant only tab 1 is there; in the middle of tab 2 only tab 2.
  EXPECT_EQ(f.tc->GetTabAt(t2.left + 30, t2.top + 8), 2);
  // The main tab lies over its neighbours.
  f.tc->SetTabIndex(2);
  EXPECT_EQ(f.tc->GetTabAt(p.x, p.y), 2);
}

// OneNote dividers: slant and overlap follow the tab height; the outline's two mixed pixels take
// the colour beside them; the outer region holds the whole outline, the inner one leaves it out.
TEST(KcPCStyles, OneNoteOutlinesAndRegions) {
  StyleFixture f(10);
  f.tc->SetTabHeight(20);
  f.AddTabs(3, 80);
  auto* painter = dynamic_cast<TkcPCOneNotePainter*>(f.tc->Painter());
  ASSERT_NE(painter, nullptr);
  EXPECT_EQ(painter->GetSlantSize(), 22);
  EXPECT_EQ(f.Normal(1).left - f.Normal(0).right, -17);
  f.tc->Tabs()->GetTab(0)->SetColor(clRed);
  f.tc->Tabs()->GetTab(1)->SetColor(clLime);
  f.tc->SetTabIndex(2);  // tab 1 is neither the main tab nor hot
  const std::vector<GdiRecord> calls = f.Paint();
  const TRect F = f.tc->VisibleTabs()->GetTab(1)->GetFullRect();
  const int L = F.left, B = F.bottom, T = F.top, W = F.right - F.left, H = F.bottom - F.top;
  std::map<std::pair<int, int>, COLORREF> pixels;
  for (const GdiRecord& c : calls)
    if (c.op == "SetPixel") pixels[{c.points[0].x, c.points[0].y}] = c.brushColor;
  const TColor border = OneNoteColors().Border;
  // The slant's foot lies on tab 0; left of the top corner is the top row's pixel beside the
  // slant, outside tab 1's figure, so the control's colour.
  const std::pair<int, int> foot{L, B - 1}, corner{L + H + 2, T};
  ASSERT_TRUE(pixels.count(foot));
  EXPECT_EQ(pixels[foot], ColorToRGB(MixColors(border, clRed, 25)));
  ASSERT_TRUE(pixels.count(corner));
  EXPECT_EQ(pixels[corner], ColorToRGB(MixColors(border, f.tc->Color(), 60)));

  std::unique_ptr<TkcRegion> outer(painter->GetTabRegion(1, false)), inner(painter->GetTabRegion(1, true));
  auto in = [](TkcRegion* r, int x, int y) { return PtInRegion(r->Handle(), x, y) != 0; };
  // Outline pixels: on the slant, the top corner, the top edge, the rounded right end's column.
  for (TPoint p : {TPoint{L + 9, B - 9}, TPoint{L + H + 2, T}, TPoint{L + W / 2, T}, TPoint{L + W - 1, B - 1}}) {
    EXPECT_TRUE(in(outer.get(), p.x, p.y)) << p.x << "," << p.y;
    EXPECT_FALSE(in(inner.get(), p.x, p.y)) << p.x << "," << p.y;
  }
  EXPECT_FALSE(in(outer.get(), L, T));  // above the slant
  EXPECT_FALSE(in(outer.get(), L + W, B - 1));
  EXPECT_FALSE(in(inner.get(), L + W / 2, T + 1));  // the inner light line stays
  EXPECT_TRUE(in(inner.get(), L + W / 2, T + 2));
  EXPECT_TRUE(in(inner.get(), L + W - 3, B - 1));
  // Tabs at the bottom: the same figure upside down.
  f.tc->SetTabPosition(tpBottom);
  const TRect G = f.tc->VisibleTabs()->GetTab(1)->GetFullRect();
  outer.reset(painter->GetTabRegion(1, false));
  EXPECT_TRUE(in(outer.get(), G.left + 1, G.top));
  EXPECT_TRUE(in(outer.get(), G.left + W / 2, G.bottom - 1));
  EXPECT_FALSE(in(outer.get(), G.left, G.bottom - 1));
}

// A vertical caption's bitmap carries the tab's gradient turned with it: after the turn the
// caption's background equals the tab body beside it.
TEST(KcPCStyles, SlantedVerticalCaptionsCarryTheGradient) {
  StyleFixture f(9);
  f.tc->SetTabPosition(tpLeft);
  f.tc->SetOptions(f.tc->Options() + TkcPCOptions{pcoGradient});
  f.tc->Tabs()->Add("Caption");
  f.tc->Tabs()->Add("Other");
  f.tc->Tabs()->GetTab(1)->SetColor(static_cast<TColor>(0x00C08040));
  f.tc->SetTabIndex(0);
  ASSERT_NE(f.tc->GetPaintingTextDirection(), 0);
  TBitmap bmp(289, 193);
  f.PaintInto(bmp);
  TRect text = f.tc->Painter()->TabContentData.TextRect;  // the last tab drawn: tab 1
  ASSERT_FALSE(IsRectEmpty(&text));
  // Tabs on the left run their gradient left to right: the caption's top row (the end of a
  // bottom-to-top text) matches the body just above the caption at the same x.
  HDC dc = bmp.Canvas()->Handle();
  SelectClipRgn(dc, HRGN());  // the painter may leave a clip behind
  for (int x = text.left; x < text.right; x += 3)
    EXPECT_EQ(GetPixel(dc, x, text.top), GetPixel(dc, x, text.top - 1)) << x;
  EXPECT_NE(GetPixel(dc, text.left, text.top), GetPixel(dc, text.right - 1, text.top));
}

TEST(KcPCStyles, Office11VerticalCaptionsCarryTheGradient) {
  // Captions across the tabs (tabs on the left or right, or rotated on top or at the bottom, in
  // both reading directions): the caption's edge facing the gradient's start matches the body
  // beside it, pixel by pixel, and the gradient runs through the caption.
  struct Case {
    TkcTabPosition position;
    bool rotate, topToBottom;
  };
  const Case cases[] = {{tpLeft, false, false}, {tpLeft, false, true},  {tpRight, false, false},
                        {tpTop, true, false},   {tpBottom, true, true}, {tpTop, true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "position " << c.position << " rotate " << c.rotate << " down " << c.topToBottom);
    StyleFixture f(8);
    f.tc->SetTabPosition(c.position);
    f.tc->SetRotate(c.rotate);
    TkcPCOptions options = f.tc->Options() + TkcPCOptions{pcoGradient};
    if (c.topToBottom) options = options + TkcPCOptions{pcoTopToBottomText};
    f.tc->SetOptions(options);
    f.tc->Tabs()->Add("Caption");
    f.tc->Tabs()->Add("            ");  // blanks: the whole caption shows its background
    f.tc->SetTabIndex(0);
    ASSERT_NE(f.tc->GetPaintingTextDirection(), 0);
    TBitmap bmp(289, 193);
    f.PaintInto(bmp);
    TRect text = f.tc->Painter()->TabContentData.TextRect;  // the last tab drawn: tab 1
    ASSERT_FALSE(IsRectEmpty(&text));
    HDC dc = bmp.Canvas()->Handle();
    SelectClipRgn(dc, HRGN());
    // A gradient drawn from its other end may round a band's colour one step the other way.
    auto near = [](COLORREF a, COLORREF b) {
      for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > 1) return false;
      return true;
    };
    if (c.position == tpLeft || c.position == tpRight) {
      // Left to right: each column of the caption's top row as the body just above it.
      for (int x = text.left; x < text.right; ++x)
        EXPECT_TRUE(near(GetPixel(dc, x, text.top), GetPixel(dc, x, text.top - 1))) << x;
      EXPECT_FALSE(near(GetPixel(dc, text.left, text.top), GetPixel(dc, text.right - 1, text.top)));
    } else {
      // Top to bottom: each row of the caption's left column as the body just left of it.
      for (int y = text.top; y < text.bottom; ++y)
        EXPECT_TRUE(near(GetPixel(dc, text.left, y), GetPixel(dc, text.left - 1, y))) << y;
      EXPECT_FALSE(near(GetPixel(dc, text.left, text.top), GetPixel(dc, text.left, text.bottom - 1)));
    }
  }
}
