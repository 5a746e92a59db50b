// Lookup data: navigation, incremental search and the current key, with a stand-in editor.

#include <gtest/gtest.h>

#include "editors/kcTextEditLookup.h"

namespace {

class TStyleProperties : public TkcCustomTextEditProperties {
public:
  TStyleProperties() : TkcCustomTextEditProperties(nullptr) {}
  TkcTextEditingStyle GetEditingStyle() override { return style; }
  TkcTextEditingStyle style = esEdit;
};

class TOwner : public IkcTextEditLookupOwner {
public:
  TkcCustomTextEditProperties* GetLookupProperties() override { return &properties; }
  String GetLookupEditText() override { return text; }
  bool CanEditLookupValue() override { return true; }
  bool IsLookupInternalUpdate() override { return false; }
  void SetLookupKeyFromNavigation(bool) override {}
  TStyleProperties properties;
  String text;
};

class TList : public IkcEditLookupList {
public:
  bool IsListVisible() override { return visible; }
  int ListItemIndex() override { return index; }
  void SetListItemIndex(int AIndex) override { index = AIndex; }
  void SetListItemCount(int ACount) override { count = ACount; }
  bool visible = true;
  int index = -1, count = 0;
};

void Fill(TOwner& owner, int n) {
  for (int i = 0; i < n; ++i) owner.properties.LookupItems()->Add("Item" + std::to_string(i));
}

TEST(LookupData, NavigationByDirection) {
  struct Case {
    int start;
    TkcEditLookupDirection direction;
    bool circular;
    int target;
  } cases[] = {
      {15, ldPageDown, false, 19}, {19, ldPageDown, true, 0}, {19, ldPageDown, false, 19}, {-1, ldPageDown, false, 7},
      {10, ldPageUp, false, 3},    {0, ldPageUp, true, 19},   {-1, ldPageUp, false, -1},   {19, ldNext, false, 19},
      {19, ldNext, true, 0},       {0, ldPrevious, false, 0}, {0, ldPrevious, true, 19},   {5, ldFirst, false, 0},
      {5, ldLast, false, 19},      {-1, ldNext, false, 0},
  };
  for (const auto& c : cases) {
    TOwner owner;
    Fill(owner, 20);
    TkcCustomTextEditLookupData data(&owner);
    data.SelectItemByIndex(c.start);
    data.Go(c.direction, c.circular);
    EXPECT_EQ(data.CurrentKey(), c.target) << c.start << " dir " << c.direction << " circular " << c.circular;
  }
}

TEST(LookupData, IncrementalSearchTakesTheItemsSpelling) {
  TOwner owner;
  owner.properties.LookupItems()->Add("Beta");
  owner.properties.LookupItems()->Add("ALPHA");
  owner.properties.LookupItems()->Add("Alpine");
  TkcCustomTextEditLookupData data(&owner);
  String text = "al", tail;
  EXPECT_TRUE(data.Locate(text, tail, false));
  EXPECT_EQ(text, "AL");
  EXPECT_EQ(tail, "PHA");
  EXPECT_EQ(data.CurrentKey(), 1);
  text = "al";
  EXPECT_TRUE(data.Locate(text, tail, true));  // the next match after the current one
  EXPECT_EQ(text, "Al");
  EXPECT_EQ(tail, "pine");
  text = "al";
  EXPECT_FALSE(data.Locate(text, tail, true));  // no wrap-around; the key is cleared
  EXPECT_EQ(data.CurrentKey(), -1);

  // Not found: whether the current key goes depends on the editing style.
  struct Case {
    TkcTextEditingStyle style;
    const char* text;
    bool next;
    int key;
  } cases[] = {
      {esEdit, "", false, -1},       {esEdit, "zz", false, -1},   {esEditList, "zz", false, 0},
      {esEditList, "zz", true, -1},  {esEditList, "", false, -1}, {esFixedList, "zz", false, 0},
      {esFixedList, "zz", true, -1},
  };
  for (const auto& c : cases) {
    owner.properties.style = c.style;
    data.SelectItemByIndex(0);
    data.SelectListItem(-1);
    String t = c.text, rest;
    EXPECT_FALSE(data.Locate(t, rest, c.next));
    EXPECT_EQ(data.CurrentKey(), c.key) << c.style << " '" << c.text << "' next " << c.next;
  }
}

TEST(LookupData, CurrentKeyAndTheShownList) {
  TOwner owner;
  Fill(owner, 5);
  TkcCustomTextEditLookupData data(&owner);
  int selected = 0;
  data.OnSelectItem = [&selected](TObject*) { ++selected; };
  data.SetCurrentKey(Variant(2));
  EXPECT_EQ(selected, 1);
  data.SetCurrentKey(Variant(-2));
  data.SetCurrentKey(Variant(5));
  EXPECT_EQ(data.CurrentKey(), 2);
  owner.text = "Item2";
  data.SetCurrentKey(Variant(2));  // same key, same text: nothing to apply
  EXPECT_EQ(selected, 3);          // the two refused keys kept a key whose text differed then

  // With the list shown, navigation moves only its highlight until the item is applied.
  TList list;
  data.SetList(&list);
  data.Go(ldNext, false);
  EXPECT_EQ(list.index, 3);
  EXPECT_EQ(data.CurrentKey(), 2);
  data.SelectItem();
  EXPECT_EQ(data.CurrentKey(), 3);
  data.CloseUp();
  EXPECT_EQ(list.index, 3);
  data.ListChanged();
  EXPECT_EQ(list.count, 5);

  owner.text = "item4";
  data.SynchronizeCurrentKey();
  EXPECT_EQ(data.CurrentKey(), 4);
  EXPECT_EQ(data.GetDisplayText(Variant(4)), "Item4");
  EXPECT_EQ(data.GetDisplayText(Variant(7)), "");
}

}  // namespace
