// Library base: naming helpers, class registries, auto width, object links, MRU lists.

#include <gtest/gtest.h>

#include <climits>
#include <memory>

#include "controls/kcClasses.h"

namespace {

class TkcGridColumn : public TComponent {
  VT_CLASS(TkcGridColumn, TComponent)
public:
  explicit TkcGridColumn(TComponent* AOwner) : TComponent(AOwner) {}
};

struct A : TObject {
  VT_CLASS(A, TObject)
};
struct B : A {
  VT_CLASS(B, A)
};
struct C : B {
  VT_CLASS(C, B)
};
struct D : C {
  VT_CLASS(D, C)
};
struct Other : TObject {
  VT_CLASS(Other, TObject)
};
struct RA : TObject {
  VT_CLASS(RA, TObject)
};
struct RB : TObject {
  VT_CLASS(RB, TObject)
};
struct RC : TObject {
  VT_CLASS(RC, TObject)
};

class TNumberItem : public TkcMRUItem {
  VT_CLASS(TNumberItem, TkcMRUItem)
public:
  explicit TNumberItem(int v, int* freed = nullptr) : Value(v), Freed(freed) {}
  ~TNumberItem() override {
    if (Freed) ++*Freed;
  }
  bool Equals(TkcMRUItem* AItem) override { return static_cast<TNumberItem*>(AItem)->Value == Value; }
  int Value;
  int* Freed;
};

std::vector<int> Values(const TkcMRUItems& items) {
  std::vector<int> v;
  for (int i = 0; i < items.Count(); ++i) v.push_back(static_cast<TNumberItem*>(items.Items(i))->Value);
  return v;
}

}  // namespace

TEST(KcBase, RangeMidpointFloorsForAnySign) {
  const int cases[][3] = {{0, 0, 0}, {0, -1, -1}, {-1, -2, -2}, {2, 3, 2}, {-3, 0, -2}, {5, 0, 2}};
  for (auto& c : cases) EXPECT_EQ(RangeMidpoint(c[0], c[1]), c[2]) << c[0] << "," << c[1];
}

TEST(KcBase, GenerateUniqueComponentNameCleansNumbersAndSkipsTakenNames) {
  TComponent owner(nullptr);
  TComponent view(nullptr);
  view.SetName("View1");
  auto* column = new TkcGridColumn(&owner);
  String name;
  GenerateUniqueComponentName(&owner, &view, column, "Tkc", "1st col", name);
  EXPECT_EQ(name, "View1GridColumn1stcol");
  (new TkcGridColumn(&owner))->SetName("VIEW1GRIDCOLUMN1STCOL");  // taken, whatever the case
  GenerateUniqueComponentName(&owner, &view, column, "Tkc", "1st col", name);
  EXPECT_EQ(name, "View1GridColumn1stcol1");
  GenerateUniqueComponentName(&owner, &view, column, "Tkc", "", name);
  EXPECT_EQ(name, "View1GridColumn1");
  // A letter start keeps no class part; non-ASCII characters go as a whole.
  GenerateUniqueComponentName(&owner, nullptr, column, "Tkc", "Prix \xC3\xA9t\xC3\xA9", name);
  EXPECT_EQ(name, "Prixt");
  // Without the prefix only the leading T goes.
  GenerateUniqueComponentName(&owner, nullptr, column, "Xyz", "", name);
  EXPECT_EQ(name, "kcGridColumn1");
}

TEST(KcBase, RenameComponentsByPrefixNeedsALongerName) {
  TComponent owner(nullptr);
  TComponent grid(nullptr);
  std::vector<TComponent*> subs;
  for (const char* n : {"GridView1", "Grid", "OtherView"}) {
    subs.push_back(new TComponent(&owner));
    subs.back()->SetName(n);
  }
  auto get = [&](TComponent*, int i) { return subs[i]; };
  RenameComponentsByPrefix(&grid, &owner, "Main", "grid", 3, get);
  EXPECT_EQ(subs[0]->Name(), "MainView1");
  EXPECT_EQ(subs[1]->Name(), "Grid");
  EXPECT_EQ(subs[2]->Name(), "OtherView");
  // A taken name keeps the old one.
  subs[1]->SetName("MainX");
  auto* clash = new TComponent(&owner);
  clash->SetName("GridX");
  subs.push_back(clash);
  RenameComponentsByPrefix(&grid, &owner, "Main", "Grid", 4, get);
  EXPECT_EQ(clash->Name(), "GridX");
}

TEST(KcRegistry, AncestorOrderAndNearestLookup) {
  TkcRegisteredClassList list;
  list.AddPair(A::StaticClass(), RA::StaticClass());
  list.AddPair(C::StaticClass(), RC::StaticClass());
  list.AddPair(B::StaticClass(), RB::StaticClass());
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.Items(0)->ItemClass, A::StaticClass());
  EXPECT_EQ(list.Items(1)->ItemClass, B::StaticClass());
  EXPECT_EQ(list.Items(2)->ItemClass, C::StaticClass());
  EXPECT_EQ(list.FindRegisteredClass(D::StaticClass()), RC::StaticClass());
  EXPECT_EQ(list.FindRegisteredClass(B::StaticClass()), RB::StaticClass());
  EXPECT_EQ(list.FindRegisteredClass(Other::StaticClass()), nullptr);
  EXPECT_EQ(list.FindRegisteredClass(TObject::StaticClass()), nullptr);  // only descendants registered
  list.AddPair(B::StaticClass(), RB::StaticClass());                     // a duplicate is added again
  EXPECT_EQ(list.Count(), 4);
  list.RemovePairs(B::StaticClass(), RB::StaticClass());
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(list.FindRegisteredClass(B::StaticClass()), RA::StaticClass());
}

TEST(KcRegistry, RegisteredClassesTextsAndSorting) {
  TkcRegisteredClasses classes;
  classes.Register(C::StaticClass(), "TextEdit|Represents a single line text editor");
  classes.Register(A::StaticClass(), "combo|A combo");
  classes.Register(C::StaticClass(), "Other|text");  // already present: the first text stays
  ASSERT_EQ(classes.Count(), 2);
  EXPECT_EQ(classes.GetItemDescription(0), "TextEdit");
  EXPECT_EQ(classes.Text(0), "TextEdit|Represents a single line text editor");
  classes.Register(B::StaticClass(), "NoBar");
  EXPECT_EQ(classes.GetItemDescription(2), "NoBar");
  classes.SetSorted(true);
  EXPECT_EQ(classes.Items(0), A::StaticClass());
  EXPECT_EQ(classes.Items(1), B::StaticClass());
  EXPECT_EQ(classes.Items(2), C::StaticClass());
  EXPECT_EQ(classes.FindByClassName("B"), B::StaticClass());
  EXPECT_EQ(classes.FindByClassName("b"), nullptr);
  classes.Unregister(B::StaticClass());
  EXPECT_EQ(classes.Count(), 2);
}

TEST(KcAutoWidth, DistributionTable) {
  struct Case {
    int available;
    std::vector<std::tuple<int, int, bool>> items;  // width, min width, fixed
    std::vector<int> expected;
  };
  const Case cases[] = {
      {100, {{1, 0, false}, {1, 0, false}, {1, 0, false}}, {33, 34, 33}},
      {100, {{50, 80, false}, {50, 0, false}}, {80, 20}},
      {100, {{50, 50, false}, {50, 0, false}}, {50, 50}},  // a minimum equal to the share pins too
      {300, {{40, 0, true}, {60, 0, true}}, {40, 60}},
      {90, {{30, 0, true}, {10, 0, false}, {20, 0, false}}, {30, 20, 40}},
      {100, {{0, 5, false}, {0, 0, false}}, {5, 0}},  // zero widths get their minimum, never -1
      // Widths whose sum exceeds the int range.
      {INT_MAX, {{1073741823, 0, false}, {1073741823, 0, false}, {5, 0, false}}, {1073741821, 1073741821, 5}},
      {INT_MAX, {{INT_MAX, 0, false}, {INT_MAX, 0, false}, {INT_MAX, 0, false}}, {715827882, 715827883, 715827882}},
      {INT_MAX, {{INT_MAX, 1500000000, false}, {INT_MAX, 0, false}}, {1500000000, 647483647}},
      {INT_MAX, {{INT_MAX, 0, true}, {INT_MAX, 0, false}}, {INT_MAX, 0}},
  };
  for (const auto& c : cases) {
    TkcAutoWidthObject obj(static_cast<int>(c.items.size()));
    obj.AvailableWidth = c.available;
    for (auto [w, m, f] : c.items) {
      auto* item = obj.NewItem();
      item->Width = w, item->MinWidth = m, item->Fixed = f;
    }
    obj.Calculate();
    std::vector<int> got;
    for (int i = 0; i < obj.Count(); ++i) got.push_back(obj.ItemByIndex(i)->AutoWidth);
    EXPECT_EQ(got, c.expected) << "available " << c.available;
  }
}

TEST(KcObjectLinks, ClearedWhenTheComponentDiesAndControllerLivesWithLinks) {
  EXPECT_FALSE(ObjectLinkControllerExists());
  auto* a = new TkcComponent(nullptr);
  auto* b = new TkcComponent(nullptr);
  TkcObjectLink* la = AddObjectLink(a);
  TkcObjectLink* lb = AddObjectLink(b);
  TkcObjectLink* la2 = AddObjectLink(a);
  EXPECT_TRUE(ObjectLinkControllerExists());
  a->Free();
  EXPECT_EQ(la->LinkTarget, nullptr);
  EXPECT_EQ(la2->LinkTarget, nullptr);
  EXPECT_EQ(lb->LinkTarget, b);
  RemoveObjectLink(la);
  RemoveObjectLink(lb);
  EXPECT_TRUE(ObjectLinkControllerExists());
  RemoveObjectLink(la2);
  EXPECT_FALSE(ObjectLinkControllerExists());
  b->Free();
}

TEST(KcObjectLinks, ALinkLeavesTheListWhateverItsTarget) {
  // Links to nil, to a live object and to one that died, given back in different orders; the
  // components' destruction walks the list after each (a freed link left in it is a fault).
  enum Kind { Nil, Live, Dead };
  const std::vector<std::vector<Kind>> orders = {
      {Nil, Live, Dead}, {Live, Nil, Dead}, {Dead, Live, Nil}, {Nil, Nil, Live}, {Nil}, {Dead, Nil}};
  for (const auto& order : orders) {
    auto* live = new TkcComponent(nullptr);
    auto* dying = new TkcComponent(nullptr);
    std::vector<TkcObjectLink*> links;
    for (Kind k : order) links.push_back(AddObjectLink(k == Nil ? nullptr : k == Live ? live : dying));
    dying->Free();
    for (std::size_t i = 0; i < order.size(); ++i) {
      EXPECT_EQ(links[i]->LinkTarget, order[i] == Live ? static_cast<TObject*>(live) : nullptr);
      RemoveObjectLink(links[i]);
      // Whatever is left still works: a new link to the live object is cleared with it.
      TkcObjectLink* probe = AddObjectLink(live);
      ClearObjectLinks(dying);
      EXPECT_EQ(probe->LinkTarget, live);
      RemoveObjectLink(probe);
    }
    EXPECT_FALSE(ObjectLinkControllerExists());
    TkcObjectLink* last = AddObjectLink(live);
    live->Free();
    EXPECT_EQ(last->LinkTarget, nullptr);
    RemoveObjectLink(last);
    EXPECT_FALSE(ObjectLinkControllerExists());
  }
}

TEST(KcFreeNotificator, RelaysRemovals) {
  TkcFreeNotificator notificator(nullptr);
  std::vector<TComponent*> seen;
  notificator.OnFreeNotification = [&](TComponent* c) { seen.push_back(c); };
  auto* watched = new TComponent(nullptr);
  auto* dropped = new TComponent(nullptr);
  notificator.AddSender(watched);
  notificator.AddSender(dropped);
  notificator.AddSender(nullptr);
  notificator.RemoveSender(dropped);
  TComponent* w = watched;
  delete watched;
  delete dropped;
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0], w);
}

TEST(KcMRU, AddMovesEqualToFrontAndMaxCountTrims) {
  TkcMRUItems items;
  int freed = 0;
  for (int v : {5, 4, 3, 2, 1}) items.Add(new TNumberItem(v, &freed));
  EXPECT_EQ(Values(items), (std::vector<int>{1, 2, 3, 4, 5}));
  items.Add(new TNumberItem(3, &freed));  // equal to the third
  EXPECT_EQ(Values(items), (std::vector<int>{3, 1, 2, 4, 5}));
  EXPECT_EQ(freed, 1);
  EXPECT_EQ(items.IndexOf(std::make_unique<TNumberItem>(4).get()), 3);
  items.SetMaxCount(-1);
  EXPECT_EQ(items.MaxCount(), 0);
  items.SetMaxCount(2);
  EXPECT_EQ(Values(items), (std::vector<int>{3, 1}));
  EXPECT_EQ(freed, 4);
  items.Add(new TNumberItem(9, &freed));
  EXPECT_EQ(Values(items), (std::vector<int>{9, 3}));
  EXPECT_EQ(freed, 5);
}

TEST(KcLists, OpenListGrowsAndObjectListFrees) {
  TkcOpenList open;
  int x = 1;
  open.SetItems(3, &x);
  EXPECT_EQ(open.Count(), 4);
  EXPECT_EQ(open.Items(0), nullptr);
  EXPECT_EQ(open.Items(3), &x);
  int freed = 0;
  {
    TkcObjectList list;
    list.Add(new TNumberItem(1, &freed));
    list.Add(new TNumberItem(2, &freed));
    list.Clear();
    EXPECT_EQ(freed, 2);
    list.Add(new TNumberItem(3, &freed));
  }
  EXPECT_EQ(freed, 3);
}
