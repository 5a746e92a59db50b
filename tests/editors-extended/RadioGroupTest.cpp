// The group box and the radio group in a headless session: caption layout, value matching,
// choosing by mouse, keys and code, and what a radio button paints.

#include <gtest/gtest.h>

#include "editors-extended/kcRadioGroup.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct RadioFixture {
  TFormsSession session;
  TPlainForm form;
  TkcRadioGroup* group;
  int changes = 0;
  explicit RadioFixture(std::initializer_list<std::pair<const char*, Variant>> AItems, int AColumns = 1) {
    group = new TkcRadioGroup(&form);
    group->SetParent(&form);
    group->SetBounds(10, 10, 200, 120);
    group->SetCaption("&Mode");
    for (const auto& [caption, value] : AItems) {
      TkcRadioGroupItem* item = group->Properties()->Items()->Add();
      item->SetCaption(caption);
      item->SetValue(value);
    }
    group->Properties()->SetColumns(AColumns);
    group->Properties()->OnChange = [this](TObject*) { ++changes; };
    form.Show();
    session.ProcessMessages();
  }
  POINT Centre(int AIndex) {
    TWinControl* b = group->Buttons(AIndex);
    return TFormsSession::At(b, 8, b->Height() / 2);
  }
};

TEST(KcRadioGroup, ValuesChooseItems) {
  RadioFixture f({{"Alpha", Null()}, {"Beta", Variant(2)}, {"Gamma", Variant(2)}});
  TkcRadioGroupProperties* p = f.group->Properties();
  EXPECT_EQ(f.group->ItemIndex(), -1);
  EXPECT_TRUE(VarIsNull(f.group->EditValue()));
  struct Case {
    Variant value;
    int index;
  } cases[] = {
      {Variant(String("Alpha")), 0},
      {Variant(String("alpha")), -1},  // captions match with their case
      {Variant(2), 1},                 // the first of two equal values
      {Variant(String("2")), 1},
      {Variant(7), -1},
  };
  for (const Case& c : cases) {
    f.group->SetEditValue(c.value);
    EXPECT_EQ(f.group->ItemIndex(), c.index) << VarToStr(c.value);
    EXPECT_EQ(p->GetRadioGroupItemIndex(c.value), c.index);
  }
  p->SetDefaultCaption(u"(none)");
  EXPECT_EQ(p->GetDisplayText(Variant(7)), u"(none)");
  f.group->SetItemIndex(2);
  EXPECT_EQ(f.group->ItemIndex(), 2) << "the item chosen, not the first with its value";
  EXPECT_EQ(f.group->EditValue().AsInteger(), 2);
  f.group->SetItemIndex(99);
  EXPECT_EQ(f.group->ItemIndex(), 2) << "clamped to the last item";
  f.group->SetItemIndex(-5);
  EXPECT_EQ(f.group->ItemIndex(), -1);
  EXPECT_TRUE(VarIsNull(f.group->EditValue())) << "the default value";
}

TEST(KcRadioGroup, MouseAndArrowKeysChoose) {
  RadioFixture f({{"One", Null()}, {"Two", Null()}, {"Three", Null()}, {"Four", Null()}, {"Five", Null()}}, 2);
  // Two columns: 3 rows, filled top to bottom.
  EXPECT_LT(f.group->Buttons(0)->Left(), f.group->Buttons(3)->Left());
  EXPECT_EQ(f.group->Buttons(0)->Left(), f.group->Buttons(2)->Left());
  EXPECT_LT(f.group->Buttons(0)->Top(), f.group->Buttons(1)->Top());
  f.session.Click(f.Centre(1));
  EXPECT_EQ(f.group->ItemIndex(), 1);
  EXPECT_EQ(VarToStr(f.group->EditValue()), "Two");
  EXPECT_EQ(f.changes, 1);
  EXPECT_TRUE(f.group->Buttons(1)->Focused());
  struct Step {
    WORD key;
    int index;
  } steps[] = {{VK_RIGHT, 4}, {VK_DOWN, 4}, {VK_UP, 3}, {VK_LEFT, 0}, {VK_UP, 0}, {VK_DOWN, 1}};
  for (const Step& s : steps) {
    f.session.Key(s.key);
    EXPECT_EQ(f.group->ItemIndex(), s.index) << s.key;
  }
  // Read-only: the choice stays.
  f.group->Properties()->SetReadOnly(true);
  f.session.Click(f.Centre(3));
  EXPECT_EQ(f.group->ItemIndex(), 1);
}

TEST(KcGroupBox, CaptionAndClientArea) {
  TFormsSession session;
  TPlainForm form;
  auto* box = new TkcGroupBox(&form);
  box->SetParent(&form);
  box->SetBounds(10, 10, 185, 105);
  box->SetCaption("Options");
  auto* child = new TEdit(&form);
  child->SetParent(box);
  child->SetAlign(alClient);
  form.Show();
  session.ProcessMessages();
  const TRect caption = box->GroupViewInfo()->CaptionRect;
  EXPECT_EQ(caption.left, 8);
  EXPECT_EQ(caption.top, 0);
  EXPECT_GT(child->Top(), caption.bottom - 1) << "children below the caption";
  box->SetAlignment(alLeftCenter);
  session.ProcessMessages();
  EXPECT_EQ(box->GroupViewInfo()->CaptionRect.left, -1);
  EXPECT_GT(child->Left(), box->GroupViewInfo()->CaptionRect.right - 1);
  EXPECT_EQ(box->CaptionFont()->LogFont().lfEscapement, 900) << "read upwards";
  // The frame is drawn and broken by the caption.
  TBitmap bitmap(box->Width(), box->Height());
  TkcCanvas canvas(bitmap.Canvas());
  StartRecording(canvas.Handle());
  box->GroupViewInfo()->Paint(&canvas);
  bool text = false;
  for (const GdiRecord& c : StopRecording(canvas.Handle())) text = text || c.text == "Options";
  EXPECT_TRUE(text);
}

}  // namespace

namespace {

TEST(KcRadioGroup, AutoSizeFitsTheRows) {
  RadioFixture f({{"One", Null()}, {"Two", Null()}, {"Three", Null()}});
  const int fixedHeight = f.group->Height();
  f.group->SetAutoSize(true);
  f.session.ProcessMessages();
  const int three = f.group->Height();
  EXPECT_NE(three, fixedHeight) << "sized by its rows";
  f.group->Properties()->Items()->Add()->SetCaption("Four");
  f.session.ProcessMessages();
  const int four = f.group->Height();
  const int row = four - three;
  EXPECT_GT(row, 0) << "one more row";
  // Two columns: two rows of the same height.
  f.group->Properties()->SetColumns(2);
  f.session.ProcessMessages();
  EXPECT_EQ(f.group->Height(), three - (four - three));
}

}  // namespace

namespace {

TEST(KcRadioGroup, FocusEntersTheChosenButton) {
  RadioFixture f({{"One", Null()}, {"Two", Null()}});
  f.group->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.group->ItemIndex(), -1) << "entering chooses nothing";
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.group->ItemIndex(), 0) << "an arrow key chooses the first";
  f.group->SetItemIndex(1);
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(10, 200, 50, 21);
  other->SetFocus();
  f.session.ProcessMessages();
  f.group->SetFocus();
  f.session.ProcessMessages();
  EXPECT_TRUE(f.group->Buttons(1)->Focused());
  EXPECT_EQ(f.group->ItemIndex(), 1);
}

}  // namespace
