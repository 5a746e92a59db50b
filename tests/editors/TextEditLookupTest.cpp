// A text editor over lookup items, typed into: the incremental search completes the typed
// prefix in the item's own spelling, Backspace searches again, a fixed list keeps its text,
// and the navigation keys and the wheel move through the items.

#include <gtest/gtest.h>

#include "editors/kcTextEditControl.h"
#include "platform/forms/StdCtrls.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

class TListProperties : public TkcTextEditProperties {
  VT_CLASS(TListProperties, TkcTextEditProperties)
public:
  explicit TListProperties(TPersistent* AOwner) : TkcTextEditProperties(AOwner) {}
  TkcTextEditingStyle ListStyle = esEditList;
  TkcTextEditingStyle GetEditingStyle() override { return ListStyle; }
};

// A list editor whose keys move through the items, as a closed combo's do.
class TListEdit : public TkcTextEdit {
  VT_CLASS(TListEdit, TkcTextEdit)
public:
  explicit TListEdit(TComponent* AOwner) : TkcTextEdit(AOwner, false, TDeferCreation{}) { Initialize(); }
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TListProperties::StaticClass(); }
  bool CanNavigateLookupItems(bool) override { return true; }
  TListProperties* List() { return static_cast<TListProperties*>(Properties()); }
};

struct LookupFixture {
  TFormsSession session;
  TPlainForm form;
  TListEdit* edit;
  TEdit* other;
  int clicks = 0;
  LookupFixture(TkcTextEditingStyle AStyle, std::initializer_list<const char*> AItems) {
    edit = new TListEdit(&form);
    edit->List()->ListStyle = AStyle;
    for (const char* item : AItems) edit->List()->LookupItems()->Add(item);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->OnClick = [this](TObject*) { ++clicks; };
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(200, 10, 50, 20);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  String Text() { return edit->Text(); }
  std::pair<int, int> Selection() { return {edit->SelStart(), edit->SelLength()}; }
};

}  // namespace

TEST(KcTextEditLookup, TypingCompletesFromTheItemsAndBackspaceSearchesAgain) {
  LookupFixture f(esEditList, {"Alpha", "Beta"});
  f.session.Type("b");
  EXPECT_EQ(f.Text(), "Beta");
  EXPECT_EQ(f.Selection(), std::make_pair(1, 3));
  EXPECT_TRUE(f.edit->FindSelection());
  EXPECT_EQ(f.edit->LookupData()->CurrentKey(), 1);
  EXPECT_TRUE(f.edit->ModifiedAfterEnter());
  // A character that continues no item is refused in a list editor.
  f.session.Type("x");
  EXPECT_EQ(f.Text(), "Beta");
  // Backspace removes the completion and the typed "b".
  f.session.Key(VK_BACK, "\b");
  EXPECT_EQ(f.Text(), "");
  EXPECT_EQ(f.edit->LookupData()->CurrentKey(), -1);
  // The completed text becomes the value on leaving.
  f.session.Type("a");
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "Alpha");
}

TEST(KcTextEditLookup, PrefixTakesTheItemsSpellingAndFixedListsKeepTheirText) {
  {
    LookupFixture f(esEditList, {"ALPHA"});
    f.session.Type("al");
    EXPECT_EQ(f.Text(), "ALPHA");
    EXPECT_EQ(f.Selection(), std::make_pair(2, 3));
  }
  {
    LookupFixture f(esFixedList, {"Alpha", "Beta"});
    f.session.Type("b");
    EXPECT_EQ(f.Text(), "Beta");
    f.session.Type("z");  // starts no item
    EXPECT_EQ(f.Text(), "Beta");
    f.session.Type("a");  // "Ba" continues no item either
    EXPECT_EQ(f.Text(), "Beta");
    // Without the completion kept selected, a failed search starts again at the character.
    f.edit->List()->SetFixedListSelection(false);
    f.session.Type("a");
    EXPECT_EQ(f.Text(), "Alpha");
  }
  {
    // Free text with incremental search: a completion, then typing past it.
    LookupFixture f(esEdit, {"Alpha"});
    f.session.Type("al");
    EXPECT_EQ(f.Text(), "Alpha");
    f.session.Type("x");
    EXPECT_EQ(f.Text(), "Alx");
    EXPECT_FALSE(f.edit->FindSelection());
    // Left with a text that is no item, the editor announces it.
    std::vector<String> announced;
    f.edit->List()->OnNewLookupDisplayText = [&](TObject*, const String& text) { announced.push_back(text); };
    f.other->SetFocus();
    f.session.ProcessMessages();
    EXPECT_EQ(announced, std::vector<String>{"Alx"});
    f.edit->SetFocus();
    f.session.ProcessMessages();
    f.edit->List()->IncrementalSearch = false;
    f.edit->SetEditValue(Variant(String()));
    f.session.Type("a");
    EXPECT_EQ(f.Text(), "a");
  }
}

TEST(KcTextEditLookup, KeysAndWheelMoveThroughTheItems) {
  LookupFixture f(esFixedList, {"one", "two", "three", "four", "five"});
  struct Step {
    WORD key;
    bool ctrl;
    const char* text;
  } steps[] = {
      {VK_DOWN, false, "one"},   {VK_DOWN, false, "two"},   {VK_NEXT, false, "five"},  // a page is 8 rows
      {VK_DOWN, false, "five"},                                                        // not circular
      {VK_UP, false, "four"},    {VK_PRIOR, true, "one"},   {VK_END, false, "five"},   {VK_HOME, false, "one"},
  };
  int expectedClicks = 0;
  String previous;
  for (const Step& s : steps) {
    if (s.ctrl) f.session.KeyDown(VK_CONTROL);
    f.session.Key(s.key);
    if (s.ctrl) f.session.KeyUp(VK_CONTROL);
    EXPECT_EQ(f.Text(), s.text) << s.key;
    EXPECT_EQ(VarToStr(f.edit->EditValue()), s.text);
    if (previous != s.text) ++expectedClicks;
    previous = s.text;
    EXPECT_EQ(f.clicks, expectedClicks) << s.key;
  }
  EXPECT_TRUE(f.edit->ModifiedAfterEnter());
  f.session.MoveTo(TFormsSession::At(f.edit, 20, 10));
  f.session.Wheel(-1);
  EXPECT_EQ(f.Text(), "two");
  f.session.Wheel(1);
  EXPECT_EQ(f.Text(), "one");

  // A plain text editor leaves Up and Down to its host.
  TkcTextEdit plain(&f.form);
  plain.SetParent(&f.form);
  plain.Properties()->LookupItems()->Add("one");
  WORD after = 0;
  plain.OnAfterKeyDown = [&](TObject*, WORD& key, TShiftState) { after = key; };
  plain.SetFocus();
  f.session.Key(VK_DOWN);
  EXPECT_EQ(after, VK_DOWN);
  EXPECT_EQ(plain.Text(), "");
}
