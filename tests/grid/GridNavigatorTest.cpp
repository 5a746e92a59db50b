// The table view's record navigator left of the horizontal scroll bar: its place, and its
// buttons clicked with real mouse input acting on a client dataset.

#include <gtest/gtest.h>

#include "grid/kcGridNavigatorSite.h"
#include "tests/grid/GridDBTestSupport.h"

namespace {

struct NavigatorFixture : DBGridFixture {
  NavigatorFixture() : DBGridFixture(5, 200, [](int r) { return "name" + std::to_string(r); }) {
    view->OptionsData()->SetDeletingConfirmation(false);
    view->OptionsView()->SetNavigator(true);
    session.ProcessMessages();
  }
  TkcNavigatorButtonViewInfo* Button(int AIndex) {
    TkcNavigatorViewInfo* info = view->Navigator()->ViewInfo();
    for (int i = 0; i < info->ButtonCount(); ++i)
      if (info->Buttons(i)->Button->DefaultIndex() == AIndex) return info->Buttons(i);
    return nullptr;
  }
  POINT CentreOf(int AIndex) {
    TRect r = Button(AIndex)->Bounds;
    return TFormsSession::At(view->Site(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  void Click(int AIndex) {
    session.MoveTo(CentreOf(AIndex));
    session.Press();
    session.Release();
    session.ProcessMessages();
  }
};

}  // namespace

TEST(GridNavigator, SitsLeftOfTheShortenedScrollBar) {
  NavigatorFixture f;
  TkcGridSite* site = f.view->Site();
  TkcNavigatorSiteViewInfo* nav = f.view->TableViewInfo()->NavigatorSiteViewInfo();
  ASSERT_NE(nav, nullptr);
  ASSERT_TRUE(site->HScrollBar()->Visible());
  const TRect strip = site->ScrollBarStrip();
  const TRect bar = site->HScrollBar()->BoundsRect();
  // The site is the offset plus the buttons; the bar takes the rest of the strip.
  EXPECT_EQ(nav->Bounds.left, strip.left);
  EXPECT_EQ(nav->Bounds.right - nav->Bounds.left,
            50 + f.view->Navigator()->GetNavigatorBounds().right - f.view->Navigator()->GetNavigatorBounds().left);
  EXPECT_EQ(bar.left, nav->Bounds.right);
  EXPECT_EQ(bar.right - bar.left, (strip.right - strip.left) - (nav->Bounds.right - nav->Bounds.left));
  EXPECT_NE(f.Button(NBDI_NEXT), nullptr);

  f.view->OptionsView()->SetNavigator(false);
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->TableViewInfo()->NavigatorSiteViewInfo(), nullptr);
  if (site->HScrollBar()->Visible()) {
    EXPECT_EQ(site->HScrollBar()->BoundsRect().left, strip.left);
  }
}

TEST(GridNavigator, ButtonsMoveAndDeleteThroughTheDataController) {
  NavigatorFixture f;
  ASSERT_EQ(f.dc()->GetFocusedRowIndex(), 0);
  f.Click(NBDI_NEXT);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 1);
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 2);
  f.Click(NBDI_LAST);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 4);
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 5);
  // At the end the forward buttons are off: a click does nothing.
  EXPECT_FALSE(f.Button(NBDI_NEXT)->Button->IsEnabled());
  f.Click(NBDI_FIRST);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 0);
  f.Click(NBDI_DELETE);
  EXPECT_EQ(f.ds.RecordCount(), 4);
  EXPECT_EQ(f.dc()->GetRowCount(), 4);
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 2);
}

TEST(GridNavigator, StepsSelectTheRecordTheyReachAndPagesGoToThePageEdge) {
  NavigatorFixture f;
  f.view->DataController()->CreateAllItems();
  f.view->OptionsSelection()->SetMultiSelect(true);
  f.dc()->SelectAll();
  f.session.ProcessMessages();
  f.Click(NBDI_NEXT);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 1);
  EXPECT_EQ(f.dc()->GetSelectedCount(), 1);
  EXPECT_TRUE(f.dc()->IsRowSelected(1));
  f.Click(NBDI_NEXTPAGE);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 4) << "the last row in view";
  EXPECT_TRUE(f.dc()->IsRowSelected(4));
  EXPECT_EQ(f.dc()->GetSelectedCount(), 1);
}

TEST(GridNavigator, LeavingTheSiteClearsTheHotButton) {
  NavigatorFixture f;
  f.session.MoveTo(f.CentreOf(NBDI_PRIOR));
  f.session.MoveTo(f.CentreOf(NBDI_NEXT));
  f.session.ProcessMessages();
  ASSERT_NE(f.view->Navigator()->ViewInfo()->HotButton(), nullptr);
  f.session.MoveTo(TFormsSession::At(f.view->Site(), 100, 60));
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Navigator()->ViewInfo()->HotButton(), nullptr);
}
