#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "tests/data/DataControllerTestSupport.h"

namespace {

// ---- Sort and group results against a simple reference -----------------------------------------

// Reference order of one column: Null first, then the value order; ties by record index.
std::vector<int> ReferenceOrder(const std::vector<std::vector<Variant>>& rows, int item, bool descending,
                                bool upperText = false) {
  std::vector<int> order(rows.size());
  std::iota(order.begin(), order.end(), 0);
  auto cmp = [&](int a, int b) {
    const Variant& va = rows[static_cast<std::size_t>(a)][static_cast<std::size_t>(item)];
    const Variant& vb = rows[static_cast<std::size_t>(b)][static_cast<std::size_t>(item)];
    int r;
    if (va.IsNull() || vb.IsNull())
      r = (va.IsNull() ? 0 : 1) - (vb.IsNull() ? 0 : 1);
    else if (va.IsStr())
      r = upperText ? AnsiUpperCase(va.AsString()).compare(AnsiUpperCase(vb.AsString()))
                    : va.AsString().compare(vb.AsString());
    else
      r = va.AsInt64() < vb.AsInt64() ? -1 : (va.AsInt64() > vb.AsInt64() ? 1 : 0);
    r = r < 0 ? -1 : (r > 0 ? 1 : 0);
    return descending ? -r : r;
  };
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return cmp(a, b) < 0; });
  return order;
}

std::vector<std::vector<Variant>> RandomRows(std::mt19937& rng, int count) {
  std::uniform_int_distribution<int> small(0, 9), big(-50, 50), pick(0, 99);
  const char* words[] = {"apple", "Apple", "banana", "b", "A", "", "zeta", "Zeta", "apricot"};
  std::vector<std::vector<Variant>> rows;
  for (int r = 0; r < count; ++r) {
    Variant i = pick(rng) < 10 ? Null() : Variant(big(rng));
    Variant s = pick(rng) < 10 ? Null() : Variant(std::string(words[small(rng) % 9]));
    Variant g = pick(rng) < 5 ? Null() : Variant(small(rng) % 4);
    rows.push_back({i, s, g});
  }
  return rows;
}

TEST(DataController, SortMatchesStableReferenceOnRandomData) {
  std::mt19937 rng(20261210);
  for (int round = 0; round < 12; ++round) {
    ControllerFixture f({TkcIntegerValueType::Class(), TkcStringValueType::Class(), TkcIntegerValueType::Class()});
    const auto rows = RandomRows(rng, 1 + round * 37);
    f.Load(rows);
    struct Case {
      int item;
      TkcDataSortOrder order;
      bool caseInsensitive;
    } cases[] = {{0, soAscending, false},
                 {0, soDescending, false},
                 {1, soAscending, false},
                 {1, soDescending, false},
                 {1, soAscending, true}};
    for (const auto& c : cases) {
      SCOPED_TRACE("round " + std::to_string(round) + " item " + std::to_string(c.item));
      TkcDataControllerOptions options = f.dc.Options();
      if (c.caseInsensitive)
        options.Include(dcoCaseInsensitive);
      else
        options.Exclude(dcoCaseInsensitive);
      f.dc.SetOptions(options);
      f.dc.ClearSorting(false);
      f.dc.SetItemSortOrder(c.item, c.order);
      EXPECT_EQ(f.RowRecords(), ReferenceOrder(rows, c.item, c.order == soDescending, c.caseInsensitive));
    }
    // Two keys: the second decides ties of the first; the record index ties of both.
    f.dc.SetOptions(TkcDataControllerOptions{dcoSaveExpanding});
    f.dc.ClearSorting(false);
    f.dc.SetItemSortOrder(2, soAscending);
    f.dc.SetItemSortOrder(0, soDescending);
    std::vector<int> expected = ReferenceOrder(rows, 0, true);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      const Variant& va = rows[static_cast<std::size_t>(a)][2];
      const Variant& vb = rows[static_cast<std::size_t>(b)][2];
      if (va.IsNull() || vb.IsNull()) return va.IsNull() && !vb.IsNull();
      return va.AsInteger() < vb.AsInteger();
    });
    EXPECT_EQ(f.RowRecords(), expected);
  }
}

TEST(DataController, GroupsMatchReferenceAndNumberRows) {
  std::mt19937 rng(7);
  ControllerFixture f({TkcIntegerValueType::Class(), TkcStringValueType::Class(), TkcIntegerValueType::Class()});
  const auto rows = RandomRows(rng, 300);
  f.Load(rows);
  f.dc.SetItemSortOrder(0, soAscending);
  f.dc.Groups()->SetItemGroupIndex(2, 0);
  // Reference: records ordered by (group value, item 0, index); one group per distinct value.
  std::vector<int> order = ReferenceOrder(rows, 0, false);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
    const Variant& va = rows[static_cast<std::size_t>(a)][2];
    const Variant& vb = rows[static_cast<std::size_t>(b)][2];
    if (va.IsNull() || vb.IsNull()) return va.IsNull() && !vb.IsNull();
    return va.AsInteger() < vb.AsInteger();
  });
  std::vector<int> expectedCollapsed, expectedExpanded;
  for (std::size_t i = 0; i < order.size(); ++i) {
    const Variant& v = rows[static_cast<std::size_t>(order[i])][2];
    if (i == 0 || CompareVariants(v, rows[static_cast<std::size_t>(order[i - 1])][2]) != 0) {
      expectedCollapsed.push_back(-1);
      expectedExpanded.push_back(-1);
    }
    expectedExpanded.push_back(order[i]);
  }
  EXPECT_EQ(f.RowRecords(), expectedCollapsed);
  f.dc.Groups()->ExpandAll();
  EXPECT_EQ(f.RowRecords(), expectedExpanded);
  // Collapsing the first group leaves its row and the other groups' rows.
  f.dc.Groups()->SetRowExpanded(0, false, false);
  EXPECT_EQ(f.RowRecords()[0], -1);
  EXPECT_EQ(f.dc.GetRowCount(), static_cast<int>(expectedExpanded.size()) - f.dc.Groups()->GetChildCount(0));
}

TEST(DataController, RowNumberingOfNestedGroups) {
  // A(0, expanded){B(1, expanded, 2 records), C(1, collapsed, 1 record)}, D(0, collapsed){E(1, 1 record)}
  ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
  f.Load({{Variant(1), Variant(1)}, {Variant(1), Variant(1)}, {Variant(1), Variant(2)}, {Variant(2), Variant(1)}});
  f.dc.Groups()->SetItemGroupIndex(0, 0);
  f.dc.Groups()->SetItemGroupIndex(1, 1);
  TkcDataGroups* g = f.dc.DataControllerInfo()->DataGroups();
  ASSERT_EQ(g->GetCount(), 5);
  g->GetItem(0)->IsExpanded = true;
  g->GetItem(1)->IsExpanded = true;
  g->Renumber();
  EXPECT_EQ(g->GetItem(0)->GroupRow, 0);
  EXPECT_EQ(g->GetItem(1)->GroupRow, 1);
  EXPECT_EQ(g->GetItem(2)->GroupRow, 4);
  EXPECT_EQ(g->GetItem(3)->GroupRow, 5);
  EXPECT_EQ(g->GetItem(4)->GroupRow, 5);
  EXPECT_EQ(g->GetRowCount(), 6);
  TkcDataGroupInfo* found = nullptr;
  EXPECT_EQ(g->FindByRowIndex(5, found), 3);  // D is shown, not its hidden child
  EXPECT_EQ(g->GetRowInfo(2).RecordListIndex, 0);
  EXPECT_EQ(g->GetRowInfo(3).RecordListIndex, 1);
  EXPECT_EQ(g->GetGroupPositionByRecordListIndex(3, 0), 3);
  EXPECT_EQ(g->GetGroupPositionByRecordListIndex(2, 1), 2);
  // Collapsing the only level-0 group of a one-group list leaves one row.
  TkcDataGroups single;
  single.AddField(nullptr);
  TkcDataGroupInfo* only = single.AddGroup();
  only->BeginIndex = 0;
  only->EndIndex = 2;
  only->IsExpanded = true;
  single.Renumber();
  EXPECT_EQ(single.GetRowCount(), 4);
  single.SetExpanded(0, false, false);
  EXPECT_EQ(single.GetRowCount(), 1);
}

// ---- Focus, expansion and selection kept across re-sort, re-filter and reload -------------------

TEST(DataController, StateSurvivesResortRefilterAndReload) {
  ControllerFixture f({TkcIntegerValueType::Class(), TkcStringValueType::Class()});
  std::vector<std::vector<Variant>> rows;
  for (int r = 0; r < 40; ++r) rows.push_back({Variant(r % 5), Variant("n" + std::to_string(39 - r))});
  f.Load(rows);
  f.dc.SetMultiSelect(true);
  f.dc.FocusRecord(17);
  f.dc.ChangeRowSelection(f.dc.GetFocusedRowIndex(), true);
  f.dc.ChangeRowSelection(f.dc.GetRowIndexByRecordIndex(3, false), true);
  f.dc.ChangeRowSelection(f.dc.GetRowIndexByRecordIndex(30, false), true);
  auto selectedRecords = [&] {
    std::vector<int> out;
    for (int i = 0; i < f.dc.GetSelectedCount(); ++i)
      out.push_back(f.dc.GetRowInfo(f.dc.GetSelectedRowIndex(i)).RecordIndex);
    std::sort(out.begin(), out.end());
    return out;
  };
  EXPECT_EQ(selectedRecords(), (std::vector<int>{3, 17, 30}));

  f.dc.SetItemSortOrder(1, soAscending);  // re-sort
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 17);
  EXPECT_EQ(selectedRecords(), (std::vector<int>{3, 17, 30}));
  for (int i = 1; i < f.dc.GetSelectedCount(); ++i)
    EXPECT_LT(f.dc.GetSelectedRowIndex(i - 1), f.dc.GetSelectedRowIndex(i));

  // Re-filter: records 3 and 30 stay (value 3 and 0), 17 (value 2) goes.
  f.dc.Filter()->AddItem(nullptr, f.items[0].get(), foNotEqual, Variant(2), "2");
  f.dc.Filter()->SetActive(true);
  EXPECT_EQ(selectedRecords(), (std::vector<int>{3, 30}));
  EXPECT_EQ(f.dc.GetFilteredRecordCount(), 32);
  f.dc.Filter()->SetActive(false);
  EXPECT_EQ(f.dc.GetFilteredRecordCount(), 40);

  // Grouped: expansion and the focus survive a reload with the same grouping values.
  f.dc.FocusRecord(23);
  f.dc.Groups()->SetItemGroupIndex(0, 0);
  const int groupRow = f.dc.DataControllerInfo()->DataGroups()->GetItem(0)->GroupRow;
  f.dc.Groups()->SetRowExpanded(groupRow, true, false);
  ASSERT_TRUE(f.dc.DataControllerInfo()->DataGroups()->GetItem(0)->IsExpanded);
  f.dc.SetValue(0, 1, Variant("changed"));  // a data change reloads the rows
  EXPECT_TRUE(f.dc.DataControllerInfo()->DataGroups()->GetItem(0)->IsExpanded);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 23);
  EXPECT_EQ(f.dc.GetRowInfo(f.dc.GetFocusedRowIndex()).RecordIndex, 23);
  // A group value that no longer exists loses its expansion.
  f.dc.BeginUpdate();
  for (int r = 0; r < 40; r += 5) f.dc.SetValue(r, 0, Variant(9));
  f.dc.EndUpdate();
  EXPECT_FALSE(f.dc.DataControllerInfo()->DataGroups()->GetItem(0)->IsExpanded);
}

TEST(DataController, SelectAllAndSelectionAcrossDeletion) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  std::vector<std::vector<Variant>> rows;
  for (int r = 0; r < 10; ++r) rows.push_back({Variant(r)});
  f.Load(rows);
  f.dc.SetMultiSelect(true);
  f.dc.SelectAll();
  EXPECT_EQ(f.dc.GetSelectedCount(), 10);
  EXPECT_TRUE(f.dc.GetSelectionObject()->IsRecordSelected(9));
  f.dc.RemoveRecord(4);
  EXPECT_EQ(f.dc.GetSelectedCount(), 9);
  EXPECT_TRUE(f.dc.GetSelectionObject()->IsRecordSelected(8));
  EXPECT_FALSE(f.dc.GetSelectionObject()->IsRecordSelected(9));
  EXPECT_THROW(f.dc.SetSelectionAnchor(9), EkcInvalidDataControllerOperation);
}

// ---- Change merging and notifications ------------------------------------------------------------

struct Recorder {
  explicit Recorder(TkcCustomDataController& dc) {
    dc.OnUpdateControl = [this](TkcUpdateControlInfo* info) {
      names.push_back(info->ClassType()->ClassName());
      if (auto* d = dynamic_cast<TkcDataChangedInfo*>(info)) data.push_back({d->Kind, d->ItemIndex, d->RecordIndex});
    };
  }
  struct Data {
    int kind, item, record;
    bool operator==(const Data&) const = default;
  };
  std::vector<std::string> names;
  std::vector<Data> data;
};

TEST(DataController, ChangesMergeUnderNestedUpdateLocks) {
  ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
  f.Load({{Variant(1), Variant(2)}, {Variant(3), Variant(4)}});
  EXPECT_EQ(DataControllerOptionsValue(
                TkcDataControllerOptions{dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding}),
            28);
  Recorder rec(f.dc);
  struct Case {
    std::vector<std::pair<int, int>> cells;  // (record, item)
    Recorder::Data expected;
  } cases[] = {
      {{{1, 0}}, {dcField, 0, 1}},
      {{{1, 0}, {1, 1}}, {dcRecord, -1, 1}},
      {{{0, 0}, {1, 0}}, {dcTotal, 0, 1}},
      {{{1, 1}, {1, 1}}, {dcField, 1, 1}},
  };
  for (const auto& c : cases) {
    rec.names.clear();
    rec.data.clear();
    f.dc.BeginUpdate();
    f.dc.BeginUpdate();
    for (auto [r, i] : c.cells) f.dc.SetValue(r, i, Variant(7));
    f.dc.EndUpdate();
    EXPECT_TRUE(rec.names.empty());  // nothing before the last EndUpdate
    f.dc.EndUpdate();
    ASSERT_EQ(rec.data.size(), 1u);
    EXPECT_EQ(rec.data[0].kind, c.expected.kind);
    if (c.expected.kind != dcTotal) {
      EXPECT_EQ(rec.data[0].item, c.expected.item);
      EXPECT_EQ(rec.data[0].record, c.expected.record);
    }
  }
  // Flags go out once, in the fixed order: data, then focus, then sorting.
  int sortingChanged = 0;
  f.dc.OnSortingChanged = [&](TObject*) {
    rec.names.push_back("sorting");
    ++sortingChanged;
  };
  rec.names.clear();
  f.dc.BeginUpdate();
  f.dc.SetItemSortOrder(0, soDescending);
  f.dc.FocusRow(1);
  f.dc.SetValue(0, 1, Variant(9));
  f.dc.EndUpdate();
  EXPECT_EQ(rec.names, (std::vector<std::string>{"TkcDataChangedInfo", "TkcFocusedRowChangedInfo",
                                                 "TkcFocusedRecordChangedInfo", "sorting"}));
  EXPECT_EQ(sortingChanged, 1);
}

TEST(DataController, ErrorsNameTheBadIndex) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(1)}});
  auto message = [](auto&& fn) {
    try {
      fn();
    } catch (const EkcInvalidDataControllerOperation& e) {
      return std::string(e.what());
    }
    return std::string("none");
  };
  EXPECT_EQ(message([&] { f.dc.GetValue(1, 0); }), "RecordIndex out of range");
  EXPECT_EQ(message([&] { f.dc.GetValue(0, 1); }), "ItemIndex out of range");
  EXPECT_EQ(message([&] { f.dc.GetRowInfo(1); }), "RowIndex out of range");
  EXPECT_EQ(message([&] { f.dc.AddItem(f.items[0].get()); }), "Item already exists");
  EXPECT_THROW(f.dc.GetItem(0), EAbstractError);
}

// ---- Editing keeps the record in place until it is posted ----------------------------------------

TEST(DataController, EditedRecordKeepsItsPlaceAndStaysVisibleUntilPosted) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(10)}, {Variant(20)}, {Variant(30)}});
  f.dc.SetItemSortOrder(0, soAscending);
  f.dc.Filter()->AddItem(nullptr, f.items[0].get(), foLess, Variant(25), "25");
  f.dc.Filter()->SetActive(true);
  ASSERT_EQ(f.FilteredRecords(), (std::vector<int>{0, 1}));
  f.dc.FocusRecord(0);
  ASSERT_TRUE(f.dc.SetItemEditValue(0, Variant(99), evsValue));
  EXPECT_EQ(f.FilteredRecords(), (std::vector<int>{0, 1}));  // not moved, not filtered out
  f.dc.Post();
  EXPECT_EQ(f.FilteredRecords(), (std::vector<int>{1}));
  // Cancelling an edit restores the values saved when it began.
  f.dc.FocusRecord(1);
  f.dc.SetItemEditValue(0, Variant(5), evsValue);
  f.dc.Cancel();
  EXPECT_EQ(f.dc.GetValue(1, 0).AsInteger(), 20);
  // An insert that is never modified disappears when posted.
  f.dc.Insert();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  f.dc.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
}

// ---- The record sort on adversarial input -------------------------------------------------------

TEST(DataController, RecordSortHandlesAdversarialInputInNLogN) {
  const int n = 200000;
  std::vector<std::pair<const char*, std::vector<int>>> inputs;
  std::vector<int> sorted(n), reversed(n), equal(n, 7), organ(n), sawtooth(n);
  for (int i = 0; i < n; ++i) {
    sorted[static_cast<std::size_t>(i)] = i;
    reversed[static_cast<std::size_t>(i)] = n - i;
    organ[static_cast<std::size_t>(i)] = i < n / 2 ? i : n - i;
    sawtooth[static_cast<std::size_t>(i)] = i % 17;
  }
  inputs = {
      {"sorted", sorted}, {"reversed", reversed}, {"equal", equal}, {"organ pipe", organ}, {"sawtooth", sawtooth}};
  for (auto& [name, keys] : inputs) {
    SCOPED_TRACE(name);
    std::vector<int> list(n);
    std::iota(list.begin(), list.end(), 0);
    long long compares = 0;
    SortRecordList(list, 0, n - 1, [&](int a, int b) {
      ++compares;
      const int ka = keys[static_cast<std::size_t>(a)], kb = keys[static_cast<std::size_t>(b)];
      return ka != kb ? (ka < kb ? -1 : 1) : (a < b ? -1 : (a > b ? 1 : 0));
    });
    std::vector<int> expected(n);
    std::iota(expected.begin(), expected.end(), 0);
    std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
      return keys[static_cast<std::size_t>(a)] < keys[static_cast<std::size_t>(b)];
    });
    EXPECT_EQ(list, expected);
    EXPECT_LT(compares, 60LL * n);  // n log n, far below a quadratic count
  }
  // A compare that is no order (everything "smaller", like NaN) stays inside the list.
  std::vector<int> list(1000);
  std::iota(list.begin(), list.end(), 0);
  SortRecordList(list, 0, 999, [](int, int) { return -1; });
  std::vector<int> check = list;
  std::sort(check.begin(), check.end());
  for (int i = 0; i < 1000; ++i) EXPECT_EQ(check[static_cast<std::size_t>(i)], i);
}

TEST(DataController, TextSortThroughControllerOnOrganPipeInput) {
  ControllerFixture f({TkcStringValueType::Class()});
  const int n = 50000;
  std::vector<std::vector<Variant>> rows;
  for (int i = 0; i < n; ++i) {
    const int k = i < n / 2 ? i : n - i;
    char buf[16];
    std::snprintf(buf, sizeof buf, "k%07d", k);
    rows.push_back({Variant(std::string(buf))});
  }
  f.Load(rows);
  f.dc.SetItemSortOrder(0, soAscending);
  EXPECT_EQ(f.RowRecords(), ReferenceOrder(rows, 0, false));
}

// ---- Search by display text ------------------------------------------------------------------------

TEST(DataController, FindByDisplayTextWrapsBothWays) {
  ControllerFixture f({TkcStringValueType::Class()});
  f.Load({{Variant("apple")}, {Variant("Banana")}, {Variant("apricot")}, {Variant("cherry")}});
  EXPECT_EQ(f.dc.FindRecordByDisplayText(1, 0, "ap", true, false, true), 2);
  EXPECT_EQ(f.dc.FindRecordByDisplayText(3, 0, "ap", true, true, true), 0);
  // Backward from the first position wraps to the end (and the last position needs no wrap).
  EXPECT_EQ(f.dc.FindRecordByDisplayText(0, 0, "cherry", false, true, false), 3);
  EXPECT_EQ(f.dc.FindRecordByDisplayText(0, 0, "cherry", false, false, false), -1);
  EXPECT_EQ(f.dc.FindRecordByDisplayText(3, 0, "zz", true, true, false), -1);
}

}  // namespace

// ---- A filter pass over stored integers ------------------------------------------------------

// The pass reads integer columns from the records; it keeps exactly the records the criteria's
// own test accepts, Nulls, negated roots and every comparison included.
TEST(DataController, IntegerFilterPassKeepsWhatTheCriteriaAccept) {
  std::mt19937 rng(11);
  std::uniform_int_distribution<int> value(0, 40), pick(0, 9);
  const TkcValueTypeClass types[] = {TkcIntegerValueType::Class(), TkcSmallintValueType::Class(),
                                     TkcWordValueType::Class()};
  const TkcFilterOperatorKind operators[] = {foEqual, foNotEqual, foLess, foLessEqual, foGreater, foGreaterEqual};
  for (TkcValueTypeClass type : types) {
    ControllerFixture f({type});
    std::vector<std::vector<Variant>> rows;
    for (int r = 0; r < 200; ++r) rows.push_back({pick(rng) == 0 ? Null() : Variant(value(rng))});
    f.Load(rows);
    for (TkcFilterOperatorKind op : operators)
      for (TkcFilterBoolOperatorKind root : {fboAnd, fboNotAnd})
        for (bool ignoreNull : {false, true}) {
          SCOPED_TRACE(type->Caption() + " operator " + std::to_string(op) + " root " + std::to_string(root) +
                       (ignoreNull ? " ignore null" : ""));
          TkcDataFilterCriteria* filter = f.dc.Filter();
          filter->BeginUpdate();
          filter->Clear();
          filter->SetOptions(ignoreNull ? TkcFilterCriteriaOptions{fcoIgnoreNull} : TkcFilterCriteriaOptions{});
          filter->Root()->SetBoolOperatorKind(root);
          filter->AddItem(nullptr, f.items[0].get(), op, Variant(20), "20");
          filter->SetActive(true);
          filter->EndUpdate();
          std::vector<int> expected;
          for (int r = 0; r < 200; ++r)
            if (filter->EvaluateRecord(r)) expected.push_back(r);
          EXPECT_EQ(f.FilteredRecords(), expected);
          filter->SetActive(false);
        }
  }
}

// A LIKE pass matches the texts where they lie in the records, with the criteria's results.
TEST(DataController, LikeFilterPassKeepsWhatTheCriteriaAccept) {
  ControllerFixture f({TkcStringValueType::Class()});
  std::vector<std::vector<Variant>> rows;
  const char* texts[] = {"alpha", "Alpha", "", "beta", "a long alpha text past the inline bytes", "b", "gamma"};
  for (int r = 0; r < 60; ++r) rows.push_back({r % 8 == 7 ? Null() : Variant(texts[r % 8 % 7])});
  f.Load(rows);
  for (TkcFilterOperatorKind op : {foLike, foNotLike})
    for (const char* pattern : {"%a%", "b_", "%", "A%"})
      for (TkcFilterBoolOperatorKind root : {fboAnd, fboNotAnd})
        for (bool caseInsensitive : {false, true}) {
          SCOPED_TRACE(std::string(pattern) + " operator " + std::to_string(op) + " root " + std::to_string(root) +
                       (caseInsensitive ? " case-insensitive" : ""));
          TkcDataFilterCriteria* filter = f.dc.Filter();
          filter->BeginUpdate();
          filter->Clear();
          filter->SetOptions(caseInsensitive ? TkcFilterCriteriaOptions{fcoCaseInsensitive}
                                             : TkcFilterCriteriaOptions{});
          filter->Root()->SetBoolOperatorKind(root);
          filter->AddItem(nullptr, f.items[0].get(), op, Variant(pattern), pattern);
          filter->SetActive(true);
          filter->EndUpdate();
          std::vector<int> expected;
          for (int r = 0; r < 60; ++r)
            if (filter->EvaluateRecord(r)) expected.push_back(r);
          EXPECT_EQ(f.FilteredRecords(), expected);
          filter->SetActive(false);
        }
}

// ---- Inserting into groups and expansion kept by grouping value ----------------------------------

namespace {

// The expanded group rows shown, each as the grouping values of its levels ("20", "1/2").
std::vector<std::string> ExpandedGroups(ControllerFixture& f) {
  std::vector<std::string> out;
  TkcDataGroups* groups = f.dc.DataControllerInfo()->DataGroups();
  for (int row = 0; row < f.dc.GetRowCount(); ++row) {
    const TkcRowInfo info = f.dc.GetRowInfo(row);
    if (info.Level >= groups->GetLevelCount() || !info.Expanded) continue;
    std::string path;
    for (int l = 0; l <= info.Level; ++l) {
      const int item = f.dc.GetItemIndexOfField(groups->GetField(l));
      path += (l ? "/" : "") + f.dc.GetValue(info.RecordIndex, item).AsString();
    }
    out.push_back(path);
  }
  return out;
}

// Expands the group row whose path ExpandedGroups would print.
void ExpandGroup(ControllerFixture& f, const std::string& APath) {
  TkcDataGroups* groups = f.dc.DataControllerInfo()->DataGroups();
  for (int row = 0; row < f.dc.GetRowCount(); ++row) {
    const TkcRowInfo info = f.dc.GetRowInfo(row);
    if (info.Level >= groups->GetLevelCount()) continue;
    std::string path;
    for (int l = 0; l <= info.Level; ++l)
      path += (l ? "/" : "") +
              f.dc.GetValue(info.RecordIndex, f.dc.GetItemIndexOfField(groups->GetField(l))).AsString();
    if (path == APath) {
      f.dc.Groups()->SetRowExpanded(row, true, false);
      return;
    }
  }
  FAIL() << "no group " << APath;
}

}  // namespace

TEST(DataController, InsertIntoAGroupTakesTheFocusedRecordsGroupingValues) {
  for (bool append : {false, true}) {
    SCOPED_TRACE(append ? "append" : "insert");
    ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
    f.Load({{Variant(10), Variant(1)}, {Variant(20), Variant(2)}, {Variant(20), Variant(3)}, {Variant(30), Variant(4)}});
    f.dc.Groups()->SetItemGroupIndex(0, 0);
    f.dc.Groups()->ExpandAll();
    f.dc.FocusRecord(2);  // group 20; Append takes the last record's group (30)
    if (append)
      f.dc.Append();
    else
      f.dc.Insert();
    const int editing = f.dc.Provider()->EditingRecordIndex();
    ASSERT_GE(editing, 0);
    EXPECT_EQ(f.dc.GetValue(editing, 0), Variant(append ? 30 : 20));
    f.dc.SetItemEditValue(1, Variant(99), evsValue);
    f.dc.Post();
    std::vector<int> sameGroup;
    for (int r = 0; r < f.dc.GetRecordCount(); ++r)
      if (f.dc.GetValue(r, 1) == Variant(99)) sameGroup.push_back(f.dc.GetValue(r, 0).AsInteger());
    EXPECT_EQ(sameGroup, (std::vector<int>{append ? 30 : 20}));
    EXPECT_EQ(f.dc.DataControllerInfo()->DataGroups()->GetCount(), 3);  // no new (blank) group
  }
}

TEST(DataController, SavedExpansionFollowsGroupingValuesAcrossDataChanges) {
  using Rows = std::vector<std::vector<Variant>>;
  // One level: groups 0/10/20/30 (two records each), only 20 expanded.
  Rows oneLevel;
  for (int r = 0; r < 8; ++r) oneLevel.push_back({Variant(r / 2 * 10), Variant(r)});
  Rows reversed(oneLevel.rbegin(), oneLevel.rend());
  struct Case {
    const char* name;
    std::function<void(ControllerFixture&)> change;
  } cases[] = {
      {"remove the first record", [](ControllerFixture& f) { f.dc.RemoveRecord(0); }},
      {"insert a record first", [](ControllerFixture& f) { f.dc.InsertNewRecord(0); }},
      {"insert a record of the group", [](ControllerFixture& f) {
         f.dc.BeginUpdate();
         f.dc.SetValue(f.dc.InsertNewRecord(1), 0, Variant(20));
         f.dc.EndUpdate();
       }},
      {"remove the group's first record", [](ControllerFixture& f) { f.dc.RemoveRecord(4); }},
      {"edit a record into another group", [](ControllerFixture& f) { f.dc.SetValue(0, 0, Variant(40)); }},
      {"reload in reverse order", [&](ControllerFixture& f) { f.Load(reversed); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
    f.Load(oneLevel);
    f.dc.Groups()->SetItemGroupIndex(0, 0);
    ExpandGroup(f, "20");
    ASSERT_EQ(ExpandedGroups(f), (std::vector<std::string>{"20"}));
    c.change(f);
    EXPECT_EQ(ExpandedGroups(f), (std::vector<std::string>{"20"}));
  }
  // Two levels: 1/{1,2}, 2/{1,2}; 1, 1/2 and 2/1 expanded.
  Rows twoLevels;
  for (int r = 0; r < 8; ++r) twoLevels.push_back({Variant(r / 4 + 1), Variant(r / 2 % 2 + 1)});
  Rows twoReversed(twoLevels.rbegin(), twoLevels.rend());
  const std::vector<std::string> expanded{"1", "1/2", "2", "2/1"};
  std::function<void(ControllerFixture&)> changes[] = {
      [](ControllerFixture& f) { f.dc.RemoveRecord(0); },
      [](ControllerFixture& f) { f.dc.InsertNewRecord(0); },
      [](ControllerFixture& f) { f.dc.RemoveRecord(2); },
      [&](ControllerFixture& f) { f.Load(twoReversed); },
  };
  int n = 0;
  for (const auto& change : changes) {
    SCOPED_TRACE("two levels, change " + std::to_string(n++));
    ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
    f.Load(twoLevels);
    f.dc.Groups()->SetItemGroupIndex(0, 0);
    f.dc.Groups()->SetItemGroupIndex(1, 1);
    for (const char* path : {"1", "1/2", "2", "2/1"}) ExpandGroup(f, path);
    ASSERT_EQ(ExpandedGroups(f), expanded);
    change(f);
    EXPECT_EQ(ExpandedGroups(f), expanded);
  }
}

// ---- Filter value list of a text column -----------------------------------------------------------

// Texts kept in the storage are listed as the value list always listed them: each distinct text
// once, in byte order, with the display text of its first record; a full list keeps the values
// met first; Nulls give the blank entries.
TEST(DataController, FilterValueListOfStoredTexts) {
  std::mt19937 rng(3);
  std::uniform_int_distribution<int> pick(0, 17);
  // Texts that differ only past their first 8 or 16 bytes, by length alone, by a zero byte or by
  // a byte above 127 (ordered as unsigned).
  const std::string words[] = {"pear",
                               "Pear",
                               "apple",
                               "",
                               "a long text past the inline bytes",
                               "zeta",
                               "b",
                               "apples",
                               "a long text past the inline bytes!",
                               "a long text past",
                               "a long text pas",
                               std::string("pear\0", 5),
                               std::string("pear\0\0", 6),
                               "pear\xc3\xbc",
                               "pea\xffr"};
  const int kWords = static_cast<int>(std::size(words));
  ControllerFixture f({TkcStringValueType::Class()});
  std::vector<std::vector<Variant>> rows;
  for (int r = 0; r < 300; ++r) {
    const int k = pick(rng);
    rows.push_back({k >= kWords ? (k == kWords ? Null() : Variant(std::string("unique ") + std::to_string(r)))
                                : Variant(words[k])});
  }
  f.Load(rows);
  for (int maxCount : {0, 4}) {
    SCOPED_TRACE("max " + std::to_string(maxCount));
    f.dc.Filter()->SetMaxValueListCount(maxCount);
    std::unique_ptr<TkcDataFilterValueList> list(f.dc.Filter()->CreateValueList());
    list->Load(0, true);
    // Reference: distinct texts in record order (the first `room` of them), then sorted.
    std::vector<std::string> met;
    bool blanks = false;
    for (const auto& row : rows) {
      if (row[0].IsNull()) {
        blanks = true;
        continue;
      }
      if (std::find(met.begin(), met.end(), row[0].AsString()) == met.end()) met.push_back(row[0].AsString());
    }
    if (maxCount != 0) met.resize(static_cast<std::size_t>(maxCount - 2));  // (All) and (Custom...) come first
    std::sort(met.begin(), met.end());
    std::vector<std::string> listed;
    for (int i = list->FirstValueIndex(); i < list->GetCount(); ++i) {
      EXPECT_EQ(list->GetItem(i).Kind, fviValue);
      EXPECT_EQ(list->GetItem(i).DisplayText, list->GetItem(i).Value.AsString());
      listed.push_back(list->GetItem(i).Value.AsString());
    }
    EXPECT_EQ(listed, met);
    EXPECT_EQ(list->IndexOfKind(fviBlanks) >= 0, blanks);
  }
}

// A controller whose filter display texts may pass through a hook, and which may deny that its
// values are kept in the storage, so that its value list takes the general path.
class HookedController : public TkcDataController {
public:
  HookedController() : TkcDataController(nullptr) {}
  bool IsFilterValueStored(TkcCustomDataField* AField) override {
    return !general && TkcDataController::IsFilterValueStored(AField);
  }
  String GetFilterDisplayText(int ARecordIndex, int AItemIndex) override {
    ++displayTextCalls;
    const String text = TkcDataController::GetFilterDisplayText(ARecordIndex, AItemIndex);
    return hooked ? "<" + text + ">" : text;
  }
  bool IsFilterDisplayTextStoredText(TkcCustomDataField* AField) override {
    return !hooked && TkcDataController::IsFilterDisplayTextStoredText(AField);
  }
  bool general = false, hooked = false;
  int displayTextCalls = 0;
};

// The value list of stored texts equals the general path's, entry by entry: texts equal in their
// first 16 bytes, empty texts, Nulls, display texts kept apart from the values or changed by a
// hook, and full lists.
TEST(DataController, FilterValueListOfStoredTextsAsTheGeneralPath) {
  const char* const k16 = "0123456789abcdef";
  const std::vector<Variant> values{Variant(std::string(k16) + "X"), Variant(k16), Variant(""), Null(),
                                    Variant(std::string(k16) + "Y"), Variant("short"), Variant(std::string(k16) + "X"),
                                    Variant(""), Variant(std::string(k16) + "\xff"), Variant("short"), Null()};
  struct Case {
    const char* name;
    bool hooked, keptTexts;
    int maxCount;
  } cases[] = {
      {"plain", false, false, 0},     {"full", false, false, 5},      {"one room", false, false, 3},
      {"no room", false, false, 2},   {"hooked", true, false, 0},     {"hooked and full", true, false, 4},
      {"kept texts", false, true, 0}, {"kept texts, full", false, true, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<TkcFilterValueItem> lists[2];
    for (bool general : {false, true}) {
      HookedController dc;
      TObject item;
      dc.AddItem(&item);
      dc.ChangeValueTypeClass(0, TkcStringValueType::Class());
      if (c.keptTexts) dc.ChangeTextStored(0, true);
      dc.general = general;
      dc.hooked = c.hooked;
      dc.SetRecordCount(static_cast<int>(values.size()));
      for (int r = 0; r < dc.GetRecordCount(); ++r) {
        dc.SetValue(r, 0, values[static_cast<std::size_t>(r)]);
        if (c.keptTexts) dc.SetDisplayText(r, 0, "text " + std::to_string(r));
      }
      dc.Filter()->SetMaxValueListCount(c.maxCount);
      dc.displayTextCalls = 0;
      std::unique_ptr<TkcDataFilterValueList> list(dc.Filter()->CreateValueList());
      list->Load(0, false);
      for (int i = 0; i < list->GetCount(); ++i) lists[general].push_back(list->GetItem(i));
      // The stored path formats no display text that is the text itself.
      if (!general && !c.hooked && !c.keptTexts) {
        EXPECT_EQ(dc.displayTextCalls, 0);
      }
    }
    ASSERT_EQ(lists[0].size(), lists[1].size());
    for (std::size_t i = 0; i < lists[0].size(); ++i) {
      SCOPED_TRACE(i);
      EXPECT_EQ(lists[0][i].Kind, lists[1][i].Kind);
      EXPECT_TRUE(lists[0][i].Value.EqualsWithType(lists[1][i].Value));
      EXPECT_EQ(lists[0][i].DisplayText, lists[1][i].DisplayText);
    }
  }
}
