// The grid's details site headless (text height 13, 7 pixels a character, flat look with tab
// borders of 1): client bounds with and without a tab strip, the strip's measures with one and
// two tabs, tab borders, activation by a click and by the caption's accelerator.

#include <gtest/gtest.h>

#include "grid/kcGridDetailsSite.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/FormsTestUtil.h"
#include "platform/forms/StdCtrls.h"

namespace {

struct SiteFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcGrid* grid;
  std::vector<TkcGridTableView*> views;
  explicit SiteFixture(std::vector<const char*> captions) {
    grid = new TkcGrid(&form);
    grid->LookAndFeel()->SetKind(lfFlat);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 300, 200);
    for (const char* caption : captions) {
      auto* view = CreateGridView<TkcGridTableView>(&form);
      view->CreateColumn()->SetCaption("A");
      TkcGridLevel* level = grid->Levels()->Add();
      level->SetCaption(caption);
      level->SetGridView(view);
      views.push_back(view);
    }
    form.Show();
    session.ProcessMessages();
  }
  TkcGridTopDetailsSiteViewInfo* site() { return grid->DetailsSite(); }
  void Tabs(TkcGridDetailTabsPosition APosition) {
    grid->Levels()->SetDetailTabsPosition(APosition);
    session.ProcessMessages();
  }
  TRect Client() {
    TRect r;
    site()->GetClientBounds(r);
    return r;
  }
};

}  // namespace

TEST(GridDetailsSite, ClientBoundsAndStripMeasures) {
  SiteFixture f({"One", "Two"});
  ASSERT_NE(f.site(), nullptr);
  EXPECT_EQ(f.site()->TabsViewInfo(), nullptr);  // no tabs by default
  EXPECT_EQ(f.Client(), (TRect{0, 0, 300, 200}));
  f.grid->Levels()->SetDetailFrameWidth(2);
  f.session.ProcessMessages();
  EXPECT_EQ(f.Client(), (TRect{2, 2, 298, 198}));
  EXPECT_EQ(f.views[0]->Site()->BoundsRect(), (TRect{2, 2, 298, 198}));
  f.grid->Levels()->SetDetailFrameWidth(0);

  // Top: the active "One" has left, top and right borders (35 + 2 + 2); "Two" after an active
  // tab has no leading border (35 + 1). Strip height: the tallest tab (13 + 4 + 2), the overlap
  // for two tabs, and 5.
  f.Tabs(dtpTop);
  TkcCustomGridDetailsSiteTabsViewInfo* tabs = f.site()->TabsViewInfo();
  ASSERT_EQ(tabs->Count(), 2);
  EXPECT_EQ(tabs->Height(), 19 + 2 + 5);
  EXPECT_EQ(tabs->Width(), 4 + 39 + 36);
  EXPECT_EQ(tabs->Items(0)->Borders, (TkcBorders{bLeft, bTop, bRight}));
  EXPECT_EQ(tabs->Items(1)->Borders, (TkcBorders{bTop, bBottom, bRight}));
  EXPECT_EQ(f.Client(), (TRect{0, 26, 300, 200}));
  // Tabs span the strip less 5; the active one starts one border width to the left, the
  // inactive one stands 2 lower.
  EXPECT_EQ(tabs->Items(0)->Bounds, (TRect{1, 2, 40, 23}));
  EXPECT_EQ(tabs->Items(1)->Bounds, (TRect{40, 4, 76, 23}));

  // Left: the widest tab (35 + 2), the overlap 3 and 5.
  f.Tabs(dtpLeft);
  tabs = f.site()->TabsViewInfo();
  EXPECT_EQ(tabs->Width(), 37 + 3 + 5);
  EXPECT_EQ(tabs->Items(1)->Borders, (TkcBorders{bLeft, bRight, bBottom}));
  EXPECT_EQ(f.Client(), (TRect{45, 0, 300, 200}));

  // One tab: no overlap.
  f.grid->Levels()->Items(1)->SetVisible(false);
  f.session.ProcessMessages();
  EXPECT_EQ(f.site()->TabsViewInfo()->Count(), 1);
  EXPECT_EQ(f.site()->TabsViewInfo()->Width(), 37 + 5);
}

TEST(GridDetailsSite, TabsActivateTheirLevel) {
  SiteFixture f({"&First", "&Second"});
  f.Tabs(dtpTop);
  TkcGridLevel* second = f.grid->Levels()->Items(1);
  TRect tab = f.site()->TabsViewInfo()->Items(1)->Bounds;
  auto* hit = dynamic_cast<TkcGridDetailsSiteTabHitTest*>(f.grid->GetHitTest({tab.left + 3, tab.top + 3}));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->HitTestCode(), 50);
  EXPECT_EQ(hit->Level, second);

  f.session.Click(TFormsSession::At(f.grid, tab.left + 3, tab.top + 3));
  f.session.ProcessMessages();
  EXPECT_EQ(f.grid->ActiveLevel(), second);
  EXPECT_EQ(f.site()->TabsViewInfo()->Items(1)->GetTabState(), gcsPressed);

  // Alt with a caption's accelerator letter, in either case; other letters are not taken.
  EXPECT_EQ(f.grid->Perform(CM_DIALOGCHAR, 'f', 0), 1);
  f.session.ProcessMessages();
  EXPECT_EQ(f.grid->ActiveLevel(), f.grid->Levels()->Items(0));
  EXPECT_EQ(f.grid->Perform(CM_DIALOGCHAR, 'x', 0), 0);
  EXPECT_EQ(f.grid->ActiveLevel(), f.grid->Levels()->Items(0));
}

TEST(GridDetailsSite, ADragHeldOverATabActivatesItsLevelAfterTheWait) {
  SiteFixture f({"First", "Second"});
  f.Tabs(dtpTop);
  auto* source = new TListBox(&f.form);
  source->SetParent(&f.form);
  source->SetBounds(310, 10, 80, 80);
  source->SetDragMode(dmAutomatic);
  f.grid->SetDragOpeningWaitTime(300);
  f.session.ProcessMessages();
  TRect tab = f.site()->TabsViewInfo()->Items(1)->Bounds;
  f.session.MoveTo(TFormsSession::At(source, 20, 20));
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(f.grid, tab.left + 3, tab.top + 3));
  f.session.Advance(200);
  EXPECT_EQ(f.grid->ActiveLevel(), f.grid->Levels()->Items(0));
  // Moving within the same tab keeps the running wait.
  f.session.MoveTo(TFormsSession::At(f.grid, tab.left + 5, tab.top + 4));
  f.session.Advance(150);
  EXPECT_EQ(f.grid->ActiveLevel(), f.grid->Levels()->Items(1));
  // With drag opening off nothing opens.
  f.grid->SetDragOpening(false);
  TRect first = f.site()->TabsViewInfo()->Items(0)->Bounds;
  f.session.MoveTo(TFormsSession::At(f.grid, first.left + 3, first.top + 3));
  f.session.Advance(400);
  EXPECT_EQ(f.grid->ActiveLevel(), f.grid->Levels()->Items(1));
  f.session.Release();
  f.session.ProcessMessages();
}
