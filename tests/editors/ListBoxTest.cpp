// The list box's integral-height rule.

#include <gtest/gtest.h>

#include "editors/kcListBox.h"

namespace {

TEST(ListBox, IntegralHeightKeepsWholeItems) {
  auto fixed = [](int h) { return [h](int) { return h; }; };
  struct Case {
    int requested, borders, count, scrollWidth, clientWidth, expected;
  } cases[] = {
      {100, 0, 20, 0, 100, 91},    // seven items of 13
      {91, 0, 20, 0, 100, 91},     // already whole
      {5, 0, 20, 0, 100, 13},      // at least one item
      {100, 2, 20, 0, 100, 95},    // borders 2 + 2, then whole items
      {100, 0, 20, 200, 100, 95},  // six items and the horizontal scroll bar
      {100, 0, 3, 0, 100, 91},     // fewer items than fit: still whole rows
  };
  for (const auto& c : cases) {
    TkcIntegralHeightParams p;
    p.BorderTop = p.BorderBottom = c.borders;
    p.ItemCount = c.count;
    p.ScrollWidth = c.scrollWidth;
    p.ClientWidth = c.clientWidth;
    p.ItemHeight = fixed(13);
    EXPECT_EQ(CalculateIntegralHeight(c.requested, p), c.expected) << c.requested << " borders " << c.borders;
  }
  // Owner-measured items of different heights.
  TkcIntegralHeightParams p;
  p.ItemCount = 4;
  p.ItemHeight = [](int i) { return 10 * (i + 1); };
  EXPECT_EQ(CalculateIntegralHeight(50, p), 30);
  EXPECT_EQ(CalculateIntegralHeight(60, p), 60);
}

}  // namespace

#include "platform/gdi/WinGdi.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct ListBoxFixture {
  TFormsSession session;
  TPlainForm form;
  TkcListBox* box;
  explicit ListBoxFixture(int count = 20) {
    box = new TkcListBox(&form);
    box->Style()->SetTransparentBorder(false);
    for (TkcContainerStyle* style : {box->Style(), box->StyleFocused(), box->StyleHot(), box->StyleDisabled()})
      style->SetBorderStyle(cbsNone);
    box->SetParent(&form);
    for (int i = 0; i < count; ++i) box->Items()->Add("item " + IntToStr(i));
    form.Show();
    session.ProcessMessages();
  }
};

}  // namespace

TEST(KcListBox, IntegralHeightOnlyWhereTheHeightIsFree) {
  ListBoxFixture f;
  EXPECT_EQ(f.box->Width(), 121);
  EXPECT_EQ(f.box->Height(), 97);
  f.box->SetListStyle(lbOwnerDrawFixed);
  f.box->SetItemHeight(13);
  f.box->SetIntegralHeight(true);
  EXPECT_EQ(f.box->Height(), 91);  // seven whole items
  f.box->SetBounds(0, 0, 121, 100);
  EXPECT_EQ(f.box->Height(), 91);
  f.box->SetBounds(0, 0, 121, 5);
  EXPECT_EQ(f.box->Height(), 13);
  // Filling the parent's height, the list box takes it as it is.
  f.box->SetAlign(alLeft);
  EXPECT_EQ(f.box->Height(), f.form.ClientHeight());
  // The list-box messages reach the inner list box.
  EXPECT_EQ(SendMessage(f.box->Handle(), LB_GETCOUNT, 0, 0), 20);
}

TEST(KcListBox, ReadOnlyKeepsTheSelection) {
  ListBoxFixture f;
  f.box->SetItemIndex(1);
  f.box->SetReadOnly(true);
  int clicks = 0;
  f.box->OnClick = [&](TObject*) { ++clicks; };
  f.box->SetFocus();
  f.session.Key(VK_DOWN);
  f.session.Type("i");
  const TRect third = f.box->ItemRect(3);
  f.session.Click(TFormsSession::At(f.box, third.left + 5, third.top + 2));
  EXPECT_EQ(f.box->ItemIndex(), 1);
  EXPECT_EQ(clicks, 0);
  EXPECT_TRUE(f.box->InnerListBox()->Focused());
  // Allowed again, the same input moves it.
  f.box->SetReadOnly(false);
  f.session.Click(TFormsSession::At(f.box, third.left + 5, third.top + 2));
  EXPECT_EQ(f.box->ItemIndex(), 3);
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.box->ItemIndex(), 4);
  EXPECT_EQ(f.box->ItemAtPos(TPoint{third.left + 5, third.top + 2}, true), 3);
}

TEST(KcListBox, OwnDrawingReplacesTheDefaultItems) {
  ListBoxFixture f(3);
  std::vector<int> drawn;
  f.box->OnDrawItem = [&](TkcListBox*, int index, TRect, TOwnerDrawState) { drawn.push_back(index); };
  int itemTexts = 0;
  for (const GdiRecord& r : RecordPainting(f.box)) itemTexts += r.text.rfind("item", 0) == 0;
  EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2}));
  EXPECT_EQ(itemTexts, 0);
}
