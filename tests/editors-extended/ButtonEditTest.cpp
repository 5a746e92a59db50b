// The button edit: one ellipsis button preset, clicked by the mouse or (as the default
// button) the click key.

#include <gtest/gtest.h>

#include "editors-extended/kcButtonEdit.h"
#include "tests/platform/forms/FormsTestUtil.h"

TEST(KcButtonEdit, EllipsisButtonClickedByMouseAndKey) {
  TFormsSession session;
  TPlainForm form;
  auto* edit = new TkcButtonEdit(&form);
  edit->SetParent(&form);
  edit->SetBounds(10, 10, 140, 21);
  form.Show();
  edit->SetFocus();
  session.ProcessMessages();
  ASSERT_EQ(edit->Properties()->Buttons()->Count(), 1);
  EXPECT_EQ(edit->Properties()->Buttons()->Items(0)->Kind(), bkEllipsis);
  std::vector<int> clicks;
  edit->Properties()->OnButtonClick = [&](TObject* sender, int index) {
    EXPECT_EQ(sender, edit);
    clicks.push_back(index);
  };
  ASSERT_EQ(edit->EditViewInfo()->ButtonsInfo.size(), 1u);
  const TRect b = edit->EditViewInfo()->ButtonsInfo[0]->Bounds;
  session.Click(TFormsSession::At(edit, (b.left + b.right) / 2, (b.top + b.bottom) / 2));
  EXPECT_EQ(clicks, std::vector<int>{0});
  // Clicking the text does not press the button.
  session.Click(TFormsSession::At(edit, 5, 10));
  EXPECT_EQ(clicks.size(), 1u);
  session.Type("ab");
  EXPECT_EQ(edit->Text(), "ab") << "typed";
  // The click key presses the default button.
  edit->Properties()->Buttons()->Items(0)->SetDefault(true);
  session.KeyDown(VK_CONTROL);
  session.Key(VK_RETURN, "\n");
  session.KeyUp(VK_CONTROL);
  EXPECT_EQ(clicks, (std::vector<int>{0, 0}));
}
