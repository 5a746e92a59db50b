// The MRU edit in a headless session: entered texts go to the top of the list, cut to the
// maximum length, and the list drops down to choose one again.

#include <gtest/gtest.h>

#include "editors-extended/kcMRUEdit.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct MRUEditFixture {
  TFormsSession session;
  TPlainForm form{600, 400};
  TkcMRUEdit* edit;
  MRUEditFixture() {
    edit = new TkcMRUEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 150, 21);
    // Typed texts here are whole entries, not searches that open the list.
    edit->Properties()->ImmediateDropDown = false;
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Enter(const char* text) {
    edit->SelectAll();
    session.Type(text);
    session.Key(VK_RETURN);
    session.ProcessMessages();
  }
  String List() {
    String s;
    TStringList* items = edit->Properties()->Items();
    for (int i = 0; i < items->Count(); ++i) s += (i ? "," : "") + items->Strings(i);
    return s;
  }
};

TEST(KcMRUEditControl, EnteredTextsMoveToTheTopWithinTheLimit) {
  MRUEditFixture f;
  f.edit->Properties()->SetMaxItemCount(3);
  for (const char* t : {"alpha", "beta", "gamma"}) f.Enter(t);
  EXPECT_EQ(f.List(), "gamma,beta,alpha");
  f.Enter("alpha");
  EXPECT_EQ(f.List(), "alpha,gamma,beta") << "a known text moves up, not in again";
  f.Enter("delta");
  EXPECT_EQ(f.List(), "delta,alpha,gamma") << "the oldest falls out";
  f.Enter("");
  EXPECT_EQ(f.List(), "delta,alpha,gamma") << "an empty text is not kept";
  // Leaving validates the typed text, which joins the list and stays the value.
  TEdit* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(10, 300, 50, 21);
  f.edit->SelectAll();
  f.session.Type("omega");
  other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.List(), "omega,delta,alpha");
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "omega");
  f.edit->Properties()->SetMaxItemCount(1);
  EXPECT_EQ(f.List(), "omega");
  f.edit->Properties()->SetMaxItemCount(-4);
  EXPECT_EQ(f.edit->Properties()->MaxItemCount(), 0);
  // The same text in other letters moves the item up as it was first entered.
  f.edit->SetFocus();
  f.session.ProcessMessages();
  f.Enter("beta");
  f.Enter("OMEGA");
  EXPECT_EQ(f.List(), "omega,beta");
}

TEST(KcMRUEditControl, DropDownChoosesAnEarlierTextAndEscapeKeepsTheText) {
  MRUEditFixture f;
  for (const char* t : {"one", "two", "three"}) f.Enter(t);
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "three");
  EXPECT_EQ(f.List(), "three,two,one");

  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  f.session.Key(VK_DOWN);
  f.session.Key(VK_DOWN);
  f.session.Key(VK_RETURN);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "one");
  f.edit->ValidateEdit(true);
  EXPECT_EQ(f.List(), "one,three,two") << "the chosen text moves up when accepted";

  int clicks = 0;
  f.edit->Properties()->OnButtonClick = [&](TObject*) { ++clicks; };
  f.edit->DoButtonClick(0);
  f.edit->DoButtonClick(1);
  EXPECT_EQ(clicks, 1) << "only the ellipsis raises the event";
}

TEST(KcMRUEditControl, ButtonsGlyphClickKeyAndNewTexts) {
  MRUEditFixture f;
  TkcMRUEditProperties* p = f.edit->Properties();
  TkcEditButtons* buttons = p->Buttons();
  ASSERT_EQ(buttons->Count(), 2);
  auto kinds = [&] { return std::make_pair(buttons->Items(0)->Kind(), buttons->Items(1)->Kind()); };
  EXPECT_EQ(kinds(), std::make_pair(bkDown, bkEllipsis));
  EXPECT_EQ(p->ClickKey, 0x400D);
  // The glyph belongs to the ellipsis while it is shown, else to the drop-down button; a
  // button that loses it takes its own kind again.
  TBitmap glyph(16, 12);
  p->SetButtonGlyph(&glyph);
  EXPECT_EQ(kinds(), std::make_pair(bkDown, bkGlyph));
  p->SetShowEllipsis(false);
  EXPECT_FALSE(buttons->Items(1)->Visible());
  EXPECT_EQ(kinds(), std::make_pair(bkGlyph, bkEllipsis));
  p->SetShowEllipsis(true);
  EXPECT_EQ(kinds(), std::make_pair(bkDown, bkGlyph));
  p->SetButtonGlyph(nullptr);
  EXPECT_EQ(kinds(), std::make_pair(bkDown, bkEllipsis));

  // Ctrl+Enter clicks the ellipsis and keeps the text; a new text is announced once, a known
  // one in other letters moves up keeping its own.
  std::vector<String> announced;
  p->OnNewLookupDisplayText = [&](TObject*, const String& text) { announced.push_back(text); };
  int clicks = 0;
  p->OnButtonClick = [&](TObject* sender) {
    EXPECT_EQ(sender, f.edit);
    ++clicks;
  };
  f.edit->SelectAll();
  f.session.Type("abc");
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_RETURN, "\n");
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(f.List(), "abc");
  for (const char* t : {"xyz", "ABC"}) f.Enter(t);
  EXPECT_EQ(f.List(), "abc,xyz");
  EXPECT_EQ(announced, (std::vector<String>{"abc", "xyz"}));
  EXPECT_EQ(clicks, 1);

  // Hidden, the ellipsis is no default button: the click key does nothing.
  p->SetShowEllipsis(false);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_RETURN, "\n");
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(clicks, 1);

  // The list travels to other MRU properties only.
  TkcMRUEditProperties other(nullptr);
  TkcComboBoxProperties combo(nullptr);
  p->CopyDataTo(&other);
  p->CopyDataTo(&combo);
  EXPECT_EQ(other.Items()->Count(), 2);
  EXPECT_EQ(combo.Items()->Count(), 0);
}

}  // namespace
