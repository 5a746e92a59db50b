#include <cstdlib>

#include <gtest/gtest.h>

#include "editors/kcComboBox.h"
#include "editors/kcEditRepository.h"
#include "editors/PicturePpm.h"
#include "platform/gdi/GuiApplication.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct ComboFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcComboBox* combo;
  TEdit* other;
  explicit ComboFixture(std::initializer_list<const char*> AItems, int ARows = 8) {
    combo = new TkcComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(10, 10, 120, 21);
    for (const char* item : AItems) combo->Properties()->Items()->Add(item);
    combo->Properties()->SetDropDownRows(ARows);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 250, 100, 21);
    form.Show();
    combo->SetFocus();
    session.ProcessMessages();
  }
  void Fill(int ACount) {
    for (int i = 0; i < ACount; ++i) combo->Properties()->Items()->Add("Item " + std::to_string(i));
  }
  void Open() {
    session.Key(VK_F4);
    ASSERT_TRUE(combo->DroppedDown());
  }
  POINT ItemCenter(int AIndex) {
    TkcComboBoxListBox* list = combo->List();
    const TRect r = list->ItemRect(AIndex);
    return TFormsSession::At(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

}  // namespace

// The popup is DropDownRows rows high with a vertical scroll bar when more items follow, as
// many rows as there are items otherwise, and never narrower than the editor.
TEST(KcComboBox, PopupIsSizedInRows) {
  struct Case {
    int items, rows;
    int shownRows;
    bool scrollBar;
  } cases[] = {{20, 8, 8, true}, {3, 8, 3, false}, {8, 8, 8, false}};
  for (const Case& c : cases) {
    ComboFixture f({});
    f.Fill(c.items);
    f.combo->Properties()->SetDropDownRows(c.rows);
    f.Open();
    TkcComboBoxListBox* list = f.combo->List();
    const int row = list->GetItemHeight(-1);
    EXPECT_EQ(list->Height(), c.shownRows * row) << c.items;
    SIZE client{};
    f.combo->GetPopupClientSize(client);
    const int widest = list->GetItemWidth(c.items - 1);
    EXPECT_EQ(client.cx, widest + 4 + (c.scrollBar ? GetSystemMetrics(SM_CXVSCROLL) : 0)) << c.items;
    EXPECT_GE(f.combo->PopupWindow()->Width(), f.combo->Width()) << c.items;
  }
}

TEST(KcComboBox, EmptyNeverOpensAndRowsAboveZero) {
  ComboFixture f({});
  f.session.Key(VK_F4);
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_FALSE(f.combo->IsPopupInitialized());
  f.combo->Properties()->SetDropDownRows(0);
  EXPECT_EQ(f.combo->Properties()->DropDownRows(), 8);
}

// Typing completes from the items in their own spelling and selects the completed rest;
// Backspace takes the last typed character off and completes the shorter head again.
TEST(KcComboBox, IncrementalSearchCompletes) {
  ComboFixture f({"Alpha", "BETA", "Bench"});
  f.combo->Properties()->ImmediateDropDown = false;
  f.session.Type("be");
  EXPECT_EQ(f.combo->Text(), "BETA");
  EXPECT_EQ(f.combo->SelStart(), 2);
  EXPECT_EQ(f.combo->SelLength(), 2);
  EXPECT_EQ(f.combo->ItemIndex(), 1);
  f.session.Type("n");
  EXPECT_EQ(f.combo->Text(), "Bench");
  EXPECT_EQ(f.combo->ItemIndex(), 2);
  f.session.Key(VK_BACK, "\b");
  EXPECT_EQ(f.combo->Text(), "BETA");
  EXPECT_EQ(f.combo->SelStart(), 2);
  EXPECT_EQ(f.combo->ItemIndex(), 1);
  f.session.Type("x");  // free text: what starts no item is typed as it is
  EXPECT_EQ(f.combo->Text(), "BEx");
  EXPECT_EQ(f.combo->ItemIndex(), -1);
}

// Closed, the arrows step through the items; open, they move only the highlight, which Enter
// takes and Esc drops.
TEST(KcComboBox, ArrowsEnterAndEscape) {
  ComboFixture f({"one", "two", "three"});
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.combo->Text(), "one");
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.combo->Text(), "two");
  f.Open();
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.combo->List()->ItemIndex(), 2);
  EXPECT_EQ(f.combo->Text(), "two");
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->Text(), "two");
  f.Open();
  EXPECT_EQ(f.combo->List()->ItemIndex(), 1);
  f.session.Key(VK_DOWN);
  f.session.Key(VK_RETURN, "\r");
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->Text(), "three");
  EXPECT_EQ(f.combo->CloseUpReason(), crEnter);
}

// A click in the list takes the item at once; the keyboard focus stays in the editor.
TEST(KcComboBox, ClickInTheListTakesTheItem) {
  ComboFixture f({"red", "green", "blue"});
  f.Open();
  f.session.MoveTo(f.ItemCenter(0));
  f.session.MoveTo(f.ItemCenter(2));
  EXPECT_EQ(f.combo->List()->ItemIndex(), 2);
  f.session.Click(f.ItemCenter(2));
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->Text(), "blue");
  EXPECT_TRUE(f.combo->InnerEditControl()->Focused());
  f.other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(VarToStr(f.combo->EditValue()), "blue");
}

// A fixed list opens on a click in its text and steps by typed letters; an edit list places
// the caret instead.
TEST(KcComboBox, FixedListOpensOnClickAndFindsByLetter) {
  for (TkcEditDropDownListStyle style : {lsFixedList, lsEditList}) {
    ComboFixture f({"cat", "cow", "dog"});
    f.combo->Properties()->SetDropDownListStyle(style);
    f.session.Click(TFormsSession::At(f.combo, 20, 10));
    EXPECT_EQ(f.combo->DroppedDown(), style == lsFixedList);
    if (style != lsFixedList) continue;
    f.session.Key(VK_ESCAPE, "\x1b");
    f.session.Type("d");
    EXPECT_EQ(f.combo->Text(), "dog");
    EXPECT_EQ(f.combo->ItemIndex(), 2);
  }
}

// Revertable: a double click on a closed combo steps to the next item, from the last to the
// first.
TEST(KcComboBox, RevertableDoubleClickCycles) {
  ComboFixture f({"a", "b", "c"});
  f.combo->Properties()->Revertable = true;
  f.combo->SetItemIndex(2);
  EXPECT_EQ(f.combo->Text(), "c");
  const POINT at = TFormsSession::At(f.combo, 20, 10);
  f.session.Click(at);
  f.session.Click(at);
  EXPECT_EQ(f.combo->ItemIndex(), 0);
  EXPECT_EQ(f.combo->Text(), "a");
  EXPECT_FALSE(f.combo->DroppedDown());
}

// The size grip of a sizeable combo popup stops at whole rows.
TEST(KcComboBox, GripResizesInWholeRows) {
  ComboFixture f({});
  f.Fill(20);
  f.combo->Properties()->SetDropDownSizeable(true);
  f.Open();
  TkcCustomEditPopupWindow* w = f.combo->PopupWindow();
  TkcComboBoxListBox* list = f.combo->List();
  const int row = list->GetItemHeight(-1);
  const TRect grip = w->PopupViewInfo()->Layout.SizeGripSizingRect;
  f.session.MoveTo(TFormsSession::At(w, grip.left + 2, grip.top + 2));
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(w, grip.left + 2, grip.top + 2 + row + row / 2));
  f.session.Release();
  EXPECT_EQ(list->Height() % row, 0);
  EXPECT_EQ(list->Height(), 9 * row);
  f.session.Key(VK_F4);
  f.Open();
  EXPECT_EQ(f.combo->List()->Height(), 9 * row);
}

TEST(KcComboBox, RegisteredAsAnEditorKind) {
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  bool found = false;
  for (int i = 0; i < registry->Count(); ++i)
    found |= registry->Text(i) == "ComboBox|Represents the combo box editor";
  EXPECT_TRUE(found);
}

// With VT_SCREENSHOT_DIR set, a picture of an open combo box with installed fonts (a PPM of
// the form and one of the popup), for looking at what it draws.
TEST(KcComboBox, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  EnsureGuiApplication();
  TTestSession session;
  TPlainForm form(260, 80);
  auto* combo = new TkcComboBox(&form);
  combo->SetParent(&form);
  combo->SetBounds(10, 10, 150, 21);
  for (const char* item : {"Firebird", "InterBase", "Plan", "Statistics", "Selectivity", "Indices", "Reads",
                           "Natural", "Sort", "Join"})
    combo->Properties()->Items()->Add(item);
  combo->Properties()->SetDropDownSizeable(true);
  form.Show();
  combo->SetFocus();
  session.ProcessMessages();
  session.Key(VK_F4);
  session.Key(VK_DOWN);
  session.Key(VK_DOWN);
  for (auto [wnd, name] : {std::pair{form.Handle(), "combo-form"}, {combo->PopupWindow()->Handle(), "combo-popup"}}) {
    SavePicturePpm(session.Snapshot(wnd), String(dir) + "/" + name + ".ppm");
  }
}

// Setting the item index shows its text, focused or not, in every list style.
TEST(KcComboBox, ItemIndexShowsTheItemText) {
  for (TkcEditDropDownListStyle style : {lsFixedList, lsEditList, lsEditFixedList})
    for (bool focused : {false, true}) {
      ComboFixture f({"one", "two"});
      f.combo->Properties()->SetDropDownListStyle(style);
      if (!focused) f.other->SetFocus();
      f.combo->SetItemIndex(1);
      EXPECT_EQ(f.combo->Text(), "two") << style << focused;
      if (!focused) {
        EXPECT_EQ(VarToStr(f.combo->EditValue()), "two") << style;
      }
      EXPECT_EQ(f.combo->ItemIndex(), 1);
    }
}

// Pressing the drop-down button and dragging into the list selects the item under the mouse;
// releasing there takes it.
TEST(KcComboBox, DragFromTheButtonIntoTheList) {
  ComboFixture f({"north", "south", "east", "west"});
  const TRect b = f.combo->EditViewInfo()->ButtonsInfo.at(0)->Bounds;
  f.session.MoveTo(TFormsSession::At(f.combo, (b.left + b.right) / 2, (b.top + b.bottom) / 2));
  f.session.Press();
  ASSERT_TRUE(f.combo->DroppedDown());
  f.session.MoveTo(f.ItemCenter(1));
  f.session.MoveTo(f.ItemCenter(2));
  EXPECT_EQ(f.combo->List()->ItemIndex(), 2);
  f.session.Release();
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->Text(), "east");
}

// With the list dropping down at the first typed character, that character is kept.
TEST(KcComboBox, ImmediateDropDownKeepsTheFirstCharacter) {
  ComboFixture f({"Alpha", "BETA", "Bench"});
  f.combo->SelectAll();
  f.session.Type("zq");
  EXPECT_EQ(f.combo->Text(), "zq");
}
