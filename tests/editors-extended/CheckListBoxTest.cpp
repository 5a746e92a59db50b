// The check list box in a headless session: checks toggled by mouse and keys, the edit value
// in every format, the integer format without grayed states, sorting and integral height.

#include <gtest/gtest.h>

#include "editors-extended/kcCheckListBox.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct CheckListFixture {
  TFormsSession session;
  TPlainForm form;
  TkcCheckListBox* box;
  std::vector<std::tuple<int, TkcCheckBoxState, TkcCheckBoxState>> clicks;
  explicit CheckListFixture(std::initializer_list<const char*> ATexts) {
    box = new TkcCheckListBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 10, 150, 120);
    for (const char* text : ATexts) box->Items()->Add()->SetText(text);
    box->InnerCheckListBox()->OnClickCheck = [this](TObject*, int i, TkcCheckBoxState a, TkcCheckBoxState b) {
      clicks.emplace_back(i, a, b);
    };
    form.Show();
    session.ProcessMessages();
  }
  POINT Check(int AIndex) {
    TkcCustomInnerCheckListBox* list = box->InnerCheckListBox();
    const TRect r = list->GetCheckRect(AIndex);
    return TFormsSession::At(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
  POINT Text(int AIndex) {
    TkcCustomInnerCheckListBox* list = box->InnerCheckListBox();
    const TRect r = list->ItemRect(AIndex);
    return TFormsSession::At(list, r.right - 10, (r.top + r.bottom) / 2);
  }
};

TEST(KcCheckListBox, MouseAndKeysToggleChecks) {
  CheckListFixture f({"one", "two", "three"});
  f.session.MoveTo(f.Check(1));
  f.session.Press();
  EXPECT_EQ(f.box->InnerCheckListBox()->PressedCheckIndex(), 1);
  EXPECT_FALSE(f.box->Items()->Items(1)->Checked()) << "a whole item toggles on release";
  f.session.Release();
  EXPECT_TRUE(f.box->Items()->Items(1)->Checked());
  EXPECT_EQ(f.box->EditValue().AsInt64(), 2);
  ASSERT_EQ(f.clicks.size(), 1u);
  EXPECT_EQ(f.clicks[0], std::make_tuple(1, cbsUnchecked, cbsChecked));
  // Released off the check: nothing.
  f.session.MoveTo(f.Check(0));
  f.session.Press();
  f.session.MoveTo(f.Text(0));
  f.session.Release();
  EXPECT_FALSE(f.box->Items()->Items(0)->Checked());
  // A double click on the text toggles once; space toggles the selected item.
  f.session.Click(f.Text(2));
  f.session.Click(f.Text(2));
  EXPECT_TRUE(f.box->Items()->Items(2)->Checked());
  f.session.Key(VK_SPACE, " ");
  EXPECT_FALSE(f.box->Items()->Items(2)->Checked());
  // A disabled item keeps its state.
  f.box->Items()->Items(0)->SetEnabled(false);
  f.session.Click(f.Check(0));
  EXPECT_FALSE(f.box->Items()->Items(0)->Checked());
}

TEST(KcCheckListBox, EditValueInEveryFormat) {
  CheckListFixture f({"a", "b", "c"});
  f.box->InnerCheckListBox()->AllowGrayed = true;
  f.box->Items()->Items(0)->SetState(cbsChecked);
  f.box->Items()->Items(2)->SetState(cbsGrayed);
  EXPECT_EQ(f.box->Items()->Items(2)->State(), cbsUnchecked) << "the integer format has no grayed state";
  EXPECT_EQ(f.box->EditValue().AsInt64(), 1);
  f.box->SetEditValueFormat(cvfStatesString);
  f.box->Items()->Items(2)->SetState(cbsGrayed);
  EXPECT_EQ(VarToStr(f.box->EditValue()), "102");
  f.box->SetEditValueFormat(cvfCaptions);
  EXPECT_EQ(VarToStr(f.box->EditValue()), "1:c;1:a") << "grayed, then checked";
  // Switching to integers turns grayed items unchecked and encodes again.
  f.box->SetEditValueFormat(cvfStatesString);
  f.box->Items()->Items(2)->SetState(cbsGrayed);
  f.box->SetEditValueFormat(cvfInteger);
  EXPECT_EQ(f.box->Items()->Items(2)->State(), cbsUnchecked);
  EXPECT_EQ(f.box->EditValue().AsInt64(), 1);
  // A value sets the states; one that does not decode leaves them unchecked.
  f.box->SetEditValue(Variant::FromInt64(6));
  EXPECT_FALSE(f.box->Items()->Items(0)->Checked());
  EXPECT_TRUE(f.box->Items()->Items(1)->Checked());
  EXPECT_TRUE(f.box->Items()->Items(2)->Checked());
  EXPECT_TRUE(f.clicks.empty()) << "code changes raise no click";
  f.box->SetEditValue(Variant(String("x")));
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(f.box->Items()->Items(i)->Checked());
}

TEST(KcCheckListBox, SortingAndIntegralHeight) {
  CheckListFixture f({"pear", "Apple", "apple", "fig"});
  f.box->SetSorted(true);
  std::vector<String> texts;
  for (int i = 0; i < 4; ++i) texts.push_back(f.box->Items()->Items(i)->Text());
  EXPECT_EQ(texts, (std::vector<String>{"Apple", "apple", "fig", "pear"})) << "case ignored, equal texts kept";
  EXPECT_EQ(f.box->InnerCheckListBox()->Items()->Strings(3), "pear");
  EXPECT_EQ(f.box->Items()->IndexOfText("APPLE"), 0);
  for (int i = 0; i < 6; ++i) f.box->Items()->Add()->SetText("x");
  const int row = f.box->InnerCheckListBox()->GetItemHeight();
  const int borders = f.box->GetHeightForRows(0);
  f.box->SetIntegralHeight(true);
  f.box->SetHeight(borders + 3 * row + row / 2);
  EXPECT_EQ(f.box->Height(), borders + 3 * row);
  f.box->SetHeight(1);
  EXPECT_EQ(f.box->Height(), borders + row) << "at least one row";
  EXPECT_GT(f.box->CalculateOptimalWidth(), f.box->InnerCheckListBox()->GetCheckAreaWidth());
}

}  // namespace

namespace {

TEST(KcCheckListBox, ImagesBeforeOrAfterTheChecks) {
  CheckListFixture f({"one", "two"});
  TkcCustomInnerCheckListBox* list = f.box->InnerCheckListBox();
  const TRect plain = list->GetCheckRect(0);
  const int plainArea = list->GetCheckAreaWidth();
  auto* images = new TCustomImageList(&f.form);
  images->SetWidth(20);
  images->SetHeight(30);
  TBitmap picture(20, 30);
  images->Add(&picture, nullptr);
  f.box->SetImages(images);
  f.session.ProcessMessages();
  EXPECT_GE(list->GetItemHeight(), 32) << "an image and its margins fit";
  EXPECT_EQ(list->GetCheckAreaWidth(), plainArea + 22);
  EXPECT_EQ(list->GetCheckRect(0).left, plain.left + 22) << "the image comes first";
  f.box->SetImageLayout(ilAfterChecks);
  EXPECT_EQ(list->GetCheckRect(0).left, plain.left);
  delete images;
  EXPECT_EQ(f.box->Images(), nullptr) << "a freed list is forgotten";
  EXPECT_EQ(list->GetCheckAreaWidth(), plainArea);
}

}  // namespace
