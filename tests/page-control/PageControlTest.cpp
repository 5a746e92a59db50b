// The tab control and the page control through the headless session with real input: the
// changing protocol and a vetoed change, keyboard navigation, the scroll arrows with their
// repeat timer, the close button, the go dialog, hiding and removing pages.

#include <gtest/gtest.h>

#include "page-control/kcPC.h"
#include "page-control/kcPCGoDialog.h"
#include "page-control/kcPCPainters.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct PageFixture {
  TFormsSession session;
  std::vector<std::string> events;
  TPlainForm form{400, 300};
  TkcPageControl* pc;
  std::vector<TkcTabSheet*> pages;
  explicit PageFixture(int n = 3, int tabWidth = 60) {
    RootLookAndFeel()->SetKind(lfStandard);
    pc = new TkcPageControl(&form);
    pc->SetParent(&form);
    pc->SetBounds(0, 0, 289, 193);
    pc->SetTabWidth(tabWidth);
    for (int i = 0; i < n; ++i) {
      auto* p = new TkcTabSheet(&form);
      p->SetCaption("Page" + std::to_string(i));
      p->SetPageControl(pc);
      pages.push_back(p);
    }
    pc->OnChanging = [this](TObject*, bool&) { events.push_back("changing"); };
    pc->OnPageChanging = [this](TObject*, TkcTabSheet* p, bool&) {
      events.push_back("page " + std::to_string(p ? p->PageIndex() : -1));
    };
    pc->OnChange = [this](TObject*) { events.push_back("change"); };
    form.Show();
    session.ProcessMessages();
    session.Clock().AdvanceMs(1000);
  }
  ~PageFixture() { RootLookAndFeel()->Reset(); }
  // The centre of a visible tab, in screen coordinates.
  POINT TabPoint(int v) {
    TRect r = pc->VisibleTabs()->GetTab(v)->GetDisplayRect();
    return TFormsSession::At(pc, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  POINT NavPoint(TkcPCNavigatorButton b) {
    for (auto& e : static_cast<TkcPCStandardPainter*>(pc->Painter())->NavigatorButtonPositions())
      if (e.Button == b)
        return TFormsSession::At(pc, (e.Bounds.left + e.Bounds.right) / 2, (e.Bounds.top + e.Bounds.bottom) / 2);
    ADD_FAILURE() << "no navigator button " << int(b);
    return {};
  }
};

}  // namespace

TEST(KcPageControl, NewControlDefaults) {
  PageFixture f(0);
  EXPECT_EQ(f.pc->Width(), 289);
  EXPECT_EQ(f.pc->Height(), 193);
  EXPECT_EQ(f.pc->NavigatorPosition(), npRightTop);
  EXPECT_EQ(f.pc->Options(), kcPCDefaultOptions);
  EXPECT_EQ(f.pc->Style(), 0);
  EXPECT_EQ(f.pc->Painter()->PainterClass()->GetStyleID(), 1);
  EXPECT_EQ(f.pc->ActivePage(), nullptr);
}

TEST(KcPageControl, ClickAndCodeFollowTheChangingProtocol) {
  PageFixture f;
  EXPECT_EQ(f.pc->ActivePage(), f.pages[0]);  // the first attached page is activated
  EXPECT_TRUE(f.pages[0]->Visible());
  f.session.Click(f.TabPoint(1));
  EXPECT_EQ(f.events, (std::vector<std::string>{"changing", "page 1", "change"}));
  EXPECT_EQ(f.pc->ActivePage(), f.pages[1]);
  EXPECT_FALSE(f.pages[0]->Visible());
  f.events.clear();
  f.pc->SetActivePage(f.pages[2]);
  EXPECT_EQ(f.events, (std::vector<std::string>{"page 2", "change"}));
  EXPECT_EQ(f.pc->TabIndex(), 2);
  // A veto keeps page and tab.
  f.pc->OnPageChanging = [](TObject*, TkcTabSheet*, bool& allow) { allow = false; };
  f.session.Click(f.TabPoint(0));
  EXPECT_EQ(f.pc->ActivePage(), f.pages[2]);
  EXPECT_EQ(f.pc->TabIndex(), 2);
  // A page of another control is ignored.
  TkcPageControl other(&f.form);
  auto* foreign = new TkcTabSheet(&f.form);
  foreign->SetPageControl(&other);
  f.pc->SetActivePage(foreign);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[2]);
}

TEST(KcPageControl, HidingAndRemovingPagesMovesTheActivePage) {
  PageFixture f(4);
  f.pc->SetActivePage(f.pages[1]);
  f.pages[1]->SetTabVisible(false);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[2]);
  EXPECT_EQ(f.pc->TabIndex(), 2);
  delete f.pages[2];
  EXPECT_EQ(f.pc->ActivePage(), f.pages[3]);
  EXPECT_EQ(f.pc->PageCount(), 3);
  EXPECT_EQ(f.pc->TabIndex(), 2);
  // Moving a page keeps it active.
  f.pages[3]->SetPageIndex(0);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[3]);
  EXPECT_EQ(f.pc->TabIndex(), 0);
  try {
    f.pages[3]->SetPageIndex(5);
    ADD_FAILURE();
  } catch (Exception& e) {
    EXPECT_EQ(e.Message(), "5 is an invalid PageIndex value.  PageIndex must be between 0 and 2");
  }
  // Hiding the only visible tab leaves no active page.
  f.pages[0]->SetTabVisible(false);
  f.pages[3]->SetTabVisible(false);
  EXPECT_EQ(f.pc->ActivePage(), nullptr);
  EXPECT_EQ(f.pc->TabIndex(), -1);
}

TEST(KcPageControl, KeyboardNavigation) {
  PageFixture f(4);
  f.pages[2]->SetEnabled(false);
  f.pc->SetFocus();
  f.session.ProcessMessages();
  struct Step {
    WORD key;
    bool ctrl, shift;
    int expected;
  };
  const Step steps[] = {
      {VK_RIGHT, false, false, 1}, {VK_RIGHT, false, false, 3},  // the disabled tab is skipped
      {VK_RIGHT, false, false, 3},                               // no wrap
      {VK_TAB, true, false, 0},                                  // Ctrl+Tab wraps
      {VK_TAB, true, true, 3},     {VK_HOME, false, false, 0},  {VK_END, false, false, 3}, {VK_LEFT, false, false, 1},
  };
  for (const Step& s : steps) {
    if (s.ctrl) f.session.KeyDown(VK_CONTROL);
    if (s.shift) f.session.KeyDown(VK_SHIFT);
    f.session.Key(s.key);
    if (s.shift) f.session.KeyUp(VK_SHIFT);
    if (s.ctrl) f.session.KeyUp(VK_CONTROL);
    EXPECT_EQ(f.pc->TabIndex(), s.expected) << "key " << s.key;
  }
}

TEST(KcPageControl, ScrollArrowRepeatsOnTheTimer) {
  PageFixture f(10);
  ASSERT_TRUE(f.pc->NavigatorButtons.Contains(nbBottomRight));
  f.session.MoveTo(f.NavPoint(nbBottomRight));
  f.session.Press();
  EXPECT_EQ(f.pc->FirstShownTab, 1);  // at once
  f.session.Advance(299);
  EXPECT_EQ(f.pc->FirstShownTab, 1);
  f.session.Advance(1);
  EXPECT_EQ(f.pc->FirstShownTab, 2);  // after 300 ms
  f.session.Advance(150);
  EXPECT_EQ(f.pc->FirstShownTab, 3);                    // then every 150 ms
  f.session.MoveTo(TFormsSession::At(f.pc, 100, 100));  // moving off stops it
  f.session.Advance(600);
  EXPECT_EQ(f.pc->FirstShownTab, 3);
  f.session.Release();
  EXPECT_EQ(f.pc->NavigatorButtonStates[nbBottomRight], 0);
}

TEST(KcPageControl, CloseButtonAsksFirst) {
  PageFixture f(3);
  f.pc->SetOptions(f.pc->Options() + TkcPCOptions{pcoCloseButton});
  bool allow = false;
  f.pc->OnCanClose = [&](TObject*, bool& can) { can = allow; };
  f.session.Click(f.NavPoint(nbClose));
  EXPECT_EQ(f.pc->PageCount(), 3);
  allow = true;
  f.session.Click(f.NavPoint(nbClose));
  EXPECT_EQ(f.pc->PageCount(), 2);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[1]);
  // The handler may deselect everything: nothing is closed then.
  f.pc->OnCanClose = [&](TObject*, bool&) { f.pc->SetActivePage(nullptr); };
  f.session.Click(f.NavPoint(nbClose));
  EXPECT_EQ(f.pc->PageCount(), 2);
}

TEST(KcPageControl, GoDialogPicksAPage) {
  PageFixture f(10);
  f.pc->SetOptions(f.pc->Options() + TkcPCOptions{pcoGoDialog, pcoSort});
  f.pages[4]->SetCaption("&aardvark");
  f.pages[5]->SetTabVisible(false);
  f.pages[6]->SetEnabled(false);
  f.pc->GoDialog()->BuildItems(true);
  TMenuItem* items = f.pc->GoDialog()->Items();
  ASSERT_EQ(items->Count(), 8);
  EXPECT_EQ(items->Items(0)->Caption(), "&aardvark");
  EXPECT_EQ(items->Items(0)->Tag(), 4);
  EXPECT_EQ(items->Items(1)->Tag(), 0);
  // Choosing the first item through the menu.
  f.session.Script([&] {
    f.session.QueueKey(VK_DOWN, true);
    f.session.QueueKey(VK_DOWN, false);
  });
  f.session.Script([&] {
    f.session.QueueKey(VK_RETURN, true);
    f.session.QueueKey(VK_RETURN, false);
  });
  f.session.Click(f.NavPoint(nbGoDialog));
  EXPECT_EQ(f.pc->ActivePage(), f.pages[4]);
  EXPECT_EQ(f.pc->NavigatorButtonStates[nbGoDialog], 0);
  EXPECT_FALSE(f.pc->GoDialogShowing());
  // Closing without a choice keeps the page.
  f.session.Script([&] {
    f.session.QueueKey(VK_ESCAPE, true);
    f.session.QueueKey(VK_ESCAPE, false);
  });
  f.session.Click(f.NavPoint(nbGoDialog));
  EXPECT_EQ(f.pc->ActivePage(), f.pages[4]);
  EXPECT_EQ(f.pc->NavigatorButtonStates[nbGoDialog], 0);
  EXPECT_EQ(StripAccelChars("A&&B"), "A&B");
  EXPECT_EQ(StripAccelChars("X&"), "X");
}

TEST(KcPageControl, HotTrackingWheelAndLoading) {
  PageFixture f(10);
  f.pc->SetHotTrack(true);
  f.pages[1]->SetEnabled(false);
  f.session.MoveTo(f.TabPoint(2));
  EXPECT_EQ(f.pc->HotTrackTabVisibleIndex, 2);
  f.session.MoveTo(f.TabPoint(1));  // a disabled tab is never hot
  EXPECT_EQ(f.pc->HotTrackTabVisibleIndex, -1);
  f.session.MoveTo(f.NavPoint(nbBottomRight));  // the navigator button is hot instead
  EXPECT_EQ(f.pc->NavigatorButtonStates[nbBottomRight], 2);
  // The wheel over the tab band scrolls the strip; elsewhere it does nothing here.
  f.session.MoveTo(f.TabPoint(0));
  f.session.Wheel(-1);
  EXPECT_EQ(f.pc->FirstShownTab, 1);
  f.session.Wheel(1);
  EXPECT_EQ(f.pc->FirstShownTab, 0);
  f.session.MoveTo(TFormsSession::At(f.pc, 100, 120));
  f.session.Wheel(-1);
  EXPECT_EQ(f.pc->FirstShownTab, 0);
  // While loading, TabIndex is only stored; Loaded applies it without events.
  f.events.clear();
  f.pc->BeginLoading();
  f.pc->SetTabIndex(3);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[0]);
  f.pc->EndLoading();
  EXPECT_EQ(f.pc->ActivePage(), f.pages[3]);
  EXPECT_TRUE(f.events.empty());
}

TEST(KcPageControl, ButtonStylePressesOnRelease) {
  PageFixture f(3);
  f.pc->SetStyle(3);
  f.session.MoveTo(f.TabPoint(2));
  f.session.Press();
  EXPECT_EQ(f.pc->PressedTabVisibleIndex, 2);
  EXPECT_EQ(f.pc->TabIndex(), 0);   // nothing happens until the button is released
  f.session.MoveTo(f.TabPoint(1));  // leaving the tab releases it without a click
  EXPECT_EQ(f.pc->PressedTabVisibleIndex, -1);
  f.session.Release();
  EXPECT_EQ(f.pc->TabIndex(), 0);
  f.session.Click(f.TabPoint(2));
  EXPECT_EQ(f.pc->TabIndex(), 2);
  EXPECT_EQ(f.pc->ActivePage(), f.pages[2]);
  // Ctrl+click in multi-select mode toggles other tabs and deselects the main one.
  f.pc->Tabs()->GetTab(0)->SetSelected(true);
  f.pc->Tabs()->GetTab(1)->SetSelected(true);
  ASSERT_TRUE(f.pc->MultiSelect());
  f.session.KeyDown(VK_CONTROL);
  f.session.Click(f.TabPoint(1));
  f.session.KeyUp(VK_CONTROL);
  EXPECT_FALSE(f.pc->Tabs()->GetTab(1)->Selected());
}

TEST(KcPageControl, OnlyTheActiveTabTakesTheFocus) {
  PageFixture f(3);
  auto* edit = new TEdit(&f.form);
  edit->SetParent(&f.form);
  edit->SetBounds(300, 10, 50, 20);
  edit->SetFocus();
  f.session.ProcessMessages();
  f.session.Click(f.TabPoint(1));  // another tab: the page changes, the focus stays
  EXPECT_EQ(f.pc->ActivePage(), f.pages[1]);
  EXPECT_FALSE(f.pc->Focused());
  f.session.Clock().AdvanceMs(1000);  // not a double click
  f.session.Click(f.TabPoint(1));     // the active page's tab
  EXPECT_TRUE(f.pc->Focused());
}

TEST(KcPageControl, ActivatingAPageWithoutATab) {
  PageFixture f(3);
  f.pages[2]->SetTabVisible(false);
  f.pc->SetActivePage(f.pages[2]);  // another tab was selected: no page stays active
  EXPECT_EQ(f.pc->ActivePage(), nullptr);
  EXPECT_EQ(f.pc->TabIndex(), -1);
  f.pc->SetActivePage(f.pages[2]);  // nothing selected: the page is active without a tab
  EXPECT_EQ(f.pc->ActivePage(), f.pages[2]);
  EXPECT_EQ(f.pc->TabIndex(), -1);
}
