// The stored layout of a table view: a round trip, a stream built by hand, and damaged, foreign
// and hostile streams that are refused with the view's layout kept.

#include <gtest/gtest.h>

#include "data/kcDataUtils.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridStoredLayout.h"
#include "grid/kcGridSummary.h"

namespace {

String Message(const std::function<void()>& f) {
  try {
    f();
  } catch (const EkcGridLayoutError& e) {
    return e.Message();
  }
  return "no error";
}

struct LayoutFixture {
  std::unique_ptr<TkcGridTableView> view{CreateGridView<TkcGridTableView>(nullptr)};
  LayoutFixture() {
    for (const char* c : {"A", "B", "C"}) view->CreateColumn()->SetCaption(c);
  }
  TkcGridColumn* col(int id) { return view->FindColumnByID(id); }
  String Order() {
    String s;
    for (int i = 0; i < view->ColumnCount(); ++i) s += view->Columns(i)->Caption();
    return s;
  }
};

void WriteHeader(TStream* s, std::uint8_t format = 1, int version = 1) {
  s->WriteBuffer("KGLT", 4);
  StreamWriteByte(s, format);
  StreamWriteInteger(s, 1);
  StreamWriteString(s, "Version");
  StreamWriteVariant(s, Variant(static_cast<std::uint8_t>(version)));
}

void WriteColumn(TStream* s, const String& id, const TkcStoredProperties& props) {
  StreamWriteString(s, id);
  StreamWriteString(s, "TkcGridColumn");
  StreamWriteInteger(s, static_cast<int>(props.size()));
  for (auto& [n, v] : props) {
    StreamWriteString(s, n);
    StreamWriteVariant(s, v);
  }
}

}  // namespace

TEST(GridStoredLayout, PropertiesAndRoundTrip) {
  LayoutFixture f;
  std::vector<String> names;
  for (auto& [n, v] : GetColumnStoredProperties(f.col(0))) names.push_back(n);
  EXPECT_EQ(names, (std::vector<String>{"GroupIndex", "Width", "AlignmentHorz", "Index", "Visible", "SortOrder",
                                        "SortIndex", "WasVisibleBeforeGrouping"}));
  TkcStoredProperties view = GetViewStoredProperties(f.view.get(), {});
  std::vector<String> viewNames;
  for (auto& [n, v] : view) viewNames.push_back(n);
  EXPECT_EQ(viewNames, (std::vector<String>{"Footer", "GroupByBox", "GroupFooters", "NewItemRow", "Version"}));
  // The version and the group footers' mode are bytes, the other options Booleans.
  EXPECT_EQ(view.back().second.VarType(), varByte);
  EXPECT_EQ(view.back().second.AsInteger(), 1);
  EXPECT_EQ(view[2].second.VarType(), varByte);
  EXPECT_EQ(view[0].second.VarType(), varBoolean);
  f.view->OptionsView()->SetFooter(true);
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetGroupFooters(gfAlwaysVisible);
  f.view->OptionsView()->SetNewItemRow(true);

  f.col(0)->SetWidth(90);
  f.col(1)->SetVisible(false);
  f.col(2)->SetIndex(0);
  f.col(2)->SetAlignment(taRightJustify);
  f.col(0)->SetSortOrder(soDescending);
  f.col(2)->SetSortOrder(soAscending);
  f.col(1)->SetGroupIndex(0);
  TMemoryStream stream;
  StoreTableViewLayout(f.view.get(), &stream);

  LayoutFixture g;
  stream.SetPosition(0);
  RestoreTableViewLayout(g.view.get(), &stream);
  EXPECT_EQ(g.Order(), "CAB");
  EXPECT_EQ(g.col(0)->Width(), 90);
  EXPECT_FALSE(g.col(1)->Visible());
  EXPECT_EQ(g.col(2)->Alignment(), taRightJustify);
  EXPECT_EQ(g.col(1)->GroupIndex(), 0);
  EXPECT_EQ(g.col(0)->SortOrder(), soDescending);
  EXPECT_EQ(g.col(2)->SortOrder(), soAscending);
  EXPECT_TRUE(g.view->OptionsView()->Footer());
  EXPECT_FALSE(g.view->OptionsView()->GroupByBox());
  EXPECT_EQ(g.view->OptionsView()->GroupFooters(), gfAlwaysVisible);
  EXPECT_TRUE(g.view->OptionsView()->NewItemRow());
  EXPECT_EQ(GetColumnStoredProperties(g.col(0)), GetColumnStoredProperties(f.col(0)));
  EXPECT_EQ(GetColumnStoredProperties(g.col(2)), GetColumnStoredProperties(f.col(2)));
}

TEST(GridStoredLayout, HandBuiltStream) {
  LayoutFixture f;
  TMemoryStream s;
  WriteHeader(&s);
  StreamWriteInteger(&s, 4);
  // Grouped by C then A (GroupIndex order), B moved to the end, an unknown column skipped;
  // Visible as text and a position beyond the list (ignored) are accepted.
  WriteColumn(&s, "0", {{"GroupIndex", Variant(1)}, {"Visible", Variant("true")}});
  WriteColumn(&s, "1", {{"Index", Variant(2)}, {"Width", Variant(5)}});
  WriteColumn(&s, "2", {{"GroupIndex", Variant(0)}, {"Index", Variant(2000000000)}});
  WriteColumn(&s, "7", {{"Width", Variant(300)}});
  s.SetPosition(0);
  RestoreTableViewLayout(f.view.get(), &s);
  EXPECT_EQ(f.Order(), "ACB");
  EXPECT_EQ(f.col(2)->GroupIndex(), 0);
  EXPECT_EQ(f.col(0)->GroupIndex(), 1);
  EXPECT_EQ(f.col(1)->Width(), 20);  // raised to the minimum
  EXPECT_EQ(f.view->ColumnCount(), 3);
}

// "GroupFooters" as text is the Boolean form; as a number it is the mode itself.
TEST(GridStoredLayout, GroupFootersTextOrOrdinal) {
  struct Case {
    Variant stored;
    TkcGridGroupFootersMode expected;
  } cases[] = {{Variant("True"), gfVisibleWhenExpanded}, {Variant("False"), gfInvisible}, {Variant(2), gfAlwaysVisible},
               {Variant(0), gfInvisible}};
  for (const Case& c : cases) {
    LayoutFixture f;
    f.view->OptionsView()->SetGroupFooters(gfAlwaysVisible);
    if (c.expected == gfAlwaysVisible) f.view->OptionsView()->SetGroupFooters(gfInvisible);
    TMemoryStream s;
    s.WriteBuffer("KGLT", 4);
    StreamWriteByte(&s, 1);
    StreamWriteInteger(&s, 2);
    StreamWriteString(&s, "GroupFooters");
    StreamWriteVariant(&s, c.stored);
    StreamWriteString(&s, "Version");
    StreamWriteVariant(&s, Variant(static_cast<std::uint8_t>(1)));
    StreamWriteInteger(&s, 0);
    s.SetPosition(0);
    RestoreTableViewLayout(f.view.get(), &s);
    EXPECT_EQ(f.view->OptionsView()->GroupFooters(), c.expected) << VarToStr(c.stored);
  }
  // An ordinal beyond the modes is refused and the view keeps its mode.
  LayoutFixture f;
  TMemoryStream s;
  s.WriteBuffer("KGLT", 4);
  StreamWriteByte(&s, 1);
  StreamWriteInteger(&s, 1);
  StreamWriteString(&s, "GroupFooters");
  StreamWriteVariant(&s, Variant(7));
  StreamWriteInteger(&s, 0);
  s.SetPosition(0);
  EXPECT_NE(Message([&] { RestoreTableViewLayout(f.view.get(), &s); }), "no error");
  EXPECT_EQ(f.view->OptionsView()->GroupFooters(), gfInvisible);
}

TEST(GridStoredLayout, RefusedStreamsKeepTheLayout) {
  struct Case {
    const char* name;
    std::function<void(TStream*)> write;
    const char* message;
  } cases[] = {
      {"empty", [](TStream*) {}, "it is no grid layout"},
      {"foreign", [](TStream* s) { s->WriteBuffer("PK\3\4xxxx", 8); }, "it is no grid layout"},
      {"other format", [](TStream* s) { WriteHeader(s, 9); }, "it was written by another version"},
      {"other version", [](TStream* s) { WriteHeader(s, 1, 3); }, "it was written by another version"},
      {"truncated",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 2);
         WriteColumn(s, "0", {{"Width", Variant(99)}});
       },
       "it ends too early"},
      {"huge count",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 2000000000);
       },
       "a count is out of range"},
      {"negative count",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, -1);
       },
       "a count is out of range"},
      {"huge string",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 1);
         StreamWriteInteger(s, 0x7FFFFFFF);
       },
       "it ends too early"},
      {"ordinal out of range",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 2);
         WriteColumn(s, "0", {{"Width", Variant(99)}});
         WriteColumn(s, "1", {{"SortOrder", Variant(static_cast<std::uint8_t>(7))}});
       },
       "\"SortOrder\" is out of range"},
      {"not a Boolean",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 1);
         WriteColumn(s, "0", {{"Visible", Variant("yes")}});
       },
       "\"Visible\" is not a Boolean"},
      {"name no ID",
       [](TStream* s) {
         WriteHeader(s);
         StreamWriteInteger(s, 1);
         WriteColumn(s, "x", {});
       },
       "an object name is no column ID"},
  };
  for (const Case& c : cases) {
    LayoutFixture f;
    f.col(0)->SetWidth(70);
    TMemoryStream s;
    c.write(&s);
    s.SetPosition(0);
    EXPECT_EQ(Message([&] { RestoreTableViewLayout(f.view.get(), &s); }),
              std::string("The stored grid layout cannot be read: ") + c.message)
        << c.name;
    EXPECT_EQ(f.col(0)->Width(), 70) << c.name;
    EXPECT_EQ(f.Order(), "ABC") << c.name;
  }
}

namespace {

String FilterText(TkcGridTableView* AView) { return AView->DataController()->Filter()->GetFilterText(); }

void FilterOn(TkcGridColumn* AColumn, int AValue) {
  TkcCustomDataController* dc = AColumn->GridView()->DataController();
  dc->Filter()->Clear();
  AColumn->DataBinding()->AddToFilter(nullptr, foEqual, Variant(AValue));
  AColumn->GridView()->Filtering()->ApplyFilter();
}

}  // namespace

TEST(GridStoredLayout, FilterAndItsHistoryRoundTrip) {
  LayoutFixture f;
  FilterOn(f.col(1), 1);
  FilterOn(f.col(2), 2);
  FilterOn(f.col(0), 3);
  std::vector<String> names;
  for (auto& [n, v] : GetViewStoredProperties(f.view.get())) names.push_back(n);
  EXPECT_EQ(names, (std::vector<String>{"Footer", "GroupByBox", "GroupFooters", "NewItemRow", "FilterActive", "Filter",
                                        "FilterMRUItem2", "FilterMRUItem1", "FilterMRUItem0", "Version"}));
  EXPECT_EQ(GetViewStoredProperties(f.view.get())[5].second.AsString().substr(0, 4), "Hex:");
  TMemoryStream stream;
  StoreTableViewLayout(f.view.get(), &stream);

  LayoutFixture g;
  stream.SetPosition(0);
  RestoreTableViewLayout(g.view.get(), &stream);
  EXPECT_EQ(FilterText(g.view.get()), FilterText(f.view.get()));
  EXPECT_TRUE(g.view->DataController()->Filter()->Active());
  TkcGridFilterMRUItems* mru = g.view->Filtering()->MRUItems();
  ASSERT_EQ(mru->Count(), 3);
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(mru->Items(i)->Filter()->GetFilterText(),
              f.view->Filtering()->MRUItems()->Items(i)->Filter()->GetFilterText());

  // Without the filter option neither is stored nor restored.
  LayoutFixture h;
  stream.SetPosition(0);
  RestoreTableViewLayout(h.view.get(), &stream, {});
  EXPECT_TRUE(h.view->DataController()->Filter()->IsEmpty());
}

TEST(GridStoredLayout, StoredFilterTexts) {
  auto restore = [](LayoutFixture& f, const TkcStoredProperties& props) {
    TMemoryStream s;
    s.WriteBuffer("KGLT", 4);
    StreamWriteByte(&s, 1);
    StreamWriteInteger(&s, static_cast<int>(props.size()));
    for (auto& [n, v] : props) {
      StreamWriteString(&s, n);
      StreamWriteVariant(&s, v);
    }
    StreamWriteInteger(&s, 0);
    s.SetPosition(0);
    return Message([&] { RestoreTableViewLayout(f.view.get(), &s); });
  };
  {
    // An empty filter clears the view's filter, and "FilterActive" may be a text.
    LayoutFixture f;
    FilterOn(f.col(1), 1);
    EXPECT_EQ(restore(f, {{"Filter", Variant("")}, {"FilterActive", Variant("FALSE")}}), "no error");
    EXPECT_TRUE(f.view->DataController()->Filter()->IsEmpty());
    EXPECT_FALSE(f.view->DataController()->Filter()->Active());
  }
  struct Case {
    TkcStoredProperties props;
    const char* message;
  } refused[] = {
      {{{"Filter", Variant("Hex:0G")}}, "\"Filter\" is no filter"},
      {{{"Filter", Variant("Hex:00FF00FF0102")}}, "\"Filter\" is no filter"},
      {{{"FilterMRUItem0", Variant("Hex:FFFF")}}, "\"FilterMRUItem0\" is no filter"},
      {{{"Filter", Variant(3)}}, "\"Filter\" is not a text"},
      {{{"FilterActive", Variant("maybe")}}, "\"FilterActive\" is not a Boolean"},
  };
  for (const Case& c : refused) {
    LayoutFixture f;
    FilterOn(f.col(1), 1);
    String before = FilterText(f.view.get());
    EXPECT_EQ(restore(f, c.props), std::string("The stored grid layout cannot be read: ") + c.message);
    EXPECT_EQ(FilterText(f.view.get()), before);
    EXPECT_EQ(f.view->Filtering()->MRUItems()->Count(), 1);
  }
}

TEST(GridStoredLayout, SummariesRoundTripAndNamesOutOfRange) {
  LayoutFixture f;
  TkcDataSummary* s = f.view->DataController()->Summary();
  f.col(2)->Summary()->SetFooterKind(skSum);
  f.col(1)->Summary()->SetGroupKind(skCount);
  TkcDataSummaryGroup* group = s->SummaryGroups()->AddGroup();
  auto* item = static_cast<TkcGridTableSummaryItem*>(group->SummaryItems()->Add());
  item->SetColumn(f.col(0));
  item->SetKind(skMax);
  static_cast<TkcGridTableSummaryGroupItemLink*>(group->Links()->Add())->SetColumn(f.col(1));
  TMemoryStream stream;
  StoreTableViewLayout(f.view.get(), &stream);

  LayoutFixture g;
  stream.SetPosition(0);
  RestoreTableViewLayout(g.view.get(), &stream);
  TkcDataSummary* t = g.view->DataController()->Summary();
  EXPECT_EQ(g.col(2)->Summary()->FooterKind(), skSum);
  EXPECT_EQ(g.col(1)->Summary()->GroupKind(), skCount);
  ASSERT_EQ(t->SummaryGroups()->Count(), 1);
  TkcDataSummaryGroup* restored = t->SummaryGroups()->GetGroup(0);
  ASSERT_EQ(restored->SummaryItems()->Count(), 1);
  EXPECT_EQ(static_cast<TkcGridTableSummaryItem*>(restored->SummaryItems()->GetItem(0))->Column(), g.col(0));
  EXPECT_EQ(restored->SummaryItems()->GetItem(0)->Kind(), skMax);
  ASSERT_EQ(restored->Links()->Count(), 1);
  EXPECT_EQ(static_cast<TkcGridTableSummaryGroupItemLink*>(restored->Links()->GetItem(0))->Column(), g.col(1));

  // A group that does not exist, or a group index that is no number, makes nothing.
  TMemoryStream bad;
  WriteHeader(&bad);
  StreamWriteInteger(&bad, 3);
  WriteColumn(&bad, "SummaryGroup5_Item0", {{"Column", Variant("0")}});
  WriteColumn(&bad, "SummaryGroupX", {});
  WriteColumn(&bad, "SummaryGroup7_Link0", {{"Column", Variant("1")}});
  bad.SetPosition(0);
  RestoreTableViewLayout(g.view.get(), &bad);
  EXPECT_EQ(t->SummaryGroups()->Count(), 1);
  EXPECT_EQ(restored->SummaryItems()->Count(), 1);
  struct {
    const char* name;
    int index;
  } names[] = {{"SummaryGroup5_Item0", 5},
               {"SummaryGroup12", 12},
               {"SummaryGroupX", -1},
               {"SummaryGroup", -1},
               {"SummaryGroup_Link0", -1}};
  for (auto& n : names) EXPECT_EQ(SummaryGroupIndexOfName(n.name), n.index) << n.name;
}
