// The inner list box: incremental search on the fake clock, events passed to the container,
// and the embedded scroll bar laid over the list box's own.

#include <gtest/gtest.h>

#include "controls/kcInnerListBox.h"
#include "platform/forms/FormsTestUtil.h"

namespace {
struct Fixture {
  TFormsSession session;
  TPlainForm form;
  TkcCustomInnerListBox* list;
  Fixture() {
    list = new TkcCustomInnerListBox(&form);
    list->SetParent(&form);
    list->SetBounds(10, 10, 120, 60);
    for (const char* s : {"apple", "apricot", "banana"}) list->Items()->Add(s);
    list->AutoCompleteDelay = 500;
    form.Show();
    list->SetFocus();
    session.ProcessMessages();
  }
  void Type(char c) {
    session.Key(static_cast<WORD>(std::toupper(c)), String(1, c));
    session.Clock().AdvanceMs(100);
  }
};
}  // namespace

TEST(KcInnerListBox, AutoCompleteWithinTheDelayAndAfterAPause) {
  Fixture f;
  f.Type('a');
  EXPECT_EQ(f.list->ItemIndex(), 0);
  f.Type('p');
  f.Type('r');
  EXPECT_EQ(f.list->ItemIndex(), 1);
  EXPECT_EQ(f.list->SearchText(), "apr");
  f.session.Clock().AdvanceMs(600);
  f.Type('b');
  EXPECT_EQ(f.list->ItemIndex(), 2);
  EXPECT_EQ(f.list->SearchText(), "b");
  // Backspace that empties the text selects the first item and keeps the key.
  char32_t key = VK_BACK;
  f.list->DoAutoComplete(key);
  EXPECT_EQ(f.list->ItemIndex(), 0);
  EXPECT_EQ(key, char32_t(VK_BACK));
  key = VK_BACK;  // an empty text stays empty
  f.list->DoAutoComplete(key);
  EXPECT_EQ(f.list->SearchText(), "");
  // A typed character is eaten and a search without a match leaves the selection.
  f.list->SetItemIndex(1);
  key = 'z';
  f.list->DoAutoComplete(key);
  EXPECT_EQ(key, char32_t(0));
  EXPECT_EQ(f.list->ItemIndex(), 1);
}

TEST(KcInnerListBox, EventsReachTheContainerInItsCoordinates) {
  TFormsSession session;
  TPlainForm form;
  auto* container = new TkcContainer(&form);
  container->SetParent(&form);
  container->SetBounds(10, 10, 150, 80);
  auto* list = new TkcCustomInnerListBox(container);
  list->SetParent(container);
  list->Container = container;
  container->SetInnerControl(list);
  for (int i = 0; i < 30; ++i) list->Items()->Add(IntToStr(i));
  form.Show();
  session.ProcessMessages();
  container->UpdateStateFromCursor(false);
  EXPECT_EQ(list->BoundsRect(), container->ViewInfo()->ClientRect);
  std::vector<TPoint> downs;
  container->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int x, int y) { downs.push_back({x, y}); };
  session.Click(TFormsSession::At(list, 5, 5));
  ASSERT_EQ(downs.size(), 1u);
  EXPECT_EQ(downs[0], (TPoint{list->Left() + 5, list->Top() + 5}));
  EXPECT_EQ(GetContainerOfControl(list), container);
  // Thirty rows need the vertical bar: the embedded one lies over the list box's own.
  list->SetScrollBarsParameters();
  ASSERT_TRUE(list->VScrollBar());
  EXPECT_TRUE(list->VScrollBar()->Visible());
  EXPECT_EQ(list->VScrollBar()->Parent(), container);
  EXPECT_EQ(list->VScrollBar()->BoundsRect().right, list->BoundsRect().right);
  EXPECT_EQ(SendMessage(list->Handle(), WM_GETDLGCODE) & (DLGC_WANTCHARS | DLGC_WANTTAB),
            DLGC_WANTCHARS | DLGC_WANTTAB);
  // A long item needs the horizontal bar too: the corner between the bars is painted.
  list->Items()->Add(String(200, 'w'));
  SendMessage(list->Handle(), LB_SETHORIZONTALEXTENT, 2000, 0);
  list->SetScrollBarsParameters();
  ASSERT_TRUE(list->HScrollBar()->Visible());
  TRect corner;
  list->GetScrollBarsCornerRect(corner);
  EXPECT_EQ(corner.right - corner.left, list->VScrollBar()->Width());
  EXPECT_EQ(corner.bottom - corner.top, list->HScrollBar()->Height());
  // With redraw locked the bars stay; unlocking places them again.
  SendMessage(list->Handle(), WM_SETREDRAW, FALSE, 0);
  list->Items()->Clear();
  list->SetScrollBarsParameters();
  EXPECT_TRUE(list->VScrollBar()->Visible());
  SendMessage(list->Handle(), WM_SETREDRAW, TRUE, 0);
  EXPECT_FALSE(list->VScrollBar()->Visible());
}
