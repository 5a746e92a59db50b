#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

#include "data/kcDataSummary.h"
#include "tests/data/DataControllerTestSupport.h"

namespace {

// ---- Summaries against a reference ----------------------------------------------------------------

// The summary of one kind over values, as the calculation defines it (Null: no value).
Variant ReferenceSummary(const std::vector<Variant>& values, TkcSummaryKind kind, bool nullIgnore) {
  Variant v;  // Empty: nothing yet
  int n = 0;
  for (const Variant& x : values) {
    if (nullIgnore && x.IsNull()) continue;
    if (v.IsEmpty()) {
      if (kind != skCount && !(x.IsNull() && (kind == skMin || kind == skMax)))
        v = (x.IsNull() && (kind == skSum || kind == skAverage)) ? Variant(0) : x;
    } else if (!x.IsNull() && !v.IsNull()) {
      if (kind == skSum || kind == skAverage) v = Variant(v.AsInt64() + x.AsInt64());
      if (kind == skMin && x.AsInt64() < v.AsInt64()) v = x;
      if (kind == skMax && x.AsInt64() > v.AsInt64()) v = x;
    }
    ++n;
  }
  if (v.IsEmpty()) v = Null();
  if (kind == skCount) return Variant(n);
  if (kind == skAverage && n > 0 && !v.IsNull()) return Variant(v.AsDouble() / n);
  return v;
}

TEST(DataControllerSummary, FooterAndGroupValuesMatchReferenceWithNulls) {
  std::mt19937 rng(99);
  std::uniform_int_distribution<int> value(-20, 20), pick(0, 9), group(0, 3);
  for (bool nullIgnore : {false, true}) {
    ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
    std::vector<std::vector<Variant>> rows;
    for (int r = 0; r < 200; ++r) rows.push_back({pick(rng) < 2 ? Null() : Variant(value(rng)), Variant(group(rng))});
    f.Load(rows);
    TkcDataSummary* summary = f.dc.Summary();
    summary->SetOptions(nullIgnore ? TkcSummaryOptions{soNullIgnore} : TkcSummaryOptions{});
    const TkcSummaryKind kinds[] = {skSum, skMin, skMax, skCount, skAverage};
    for (TkcSummaryKind k : kinds) {
      summary->FooterSummaryItems()->SetDataItemKind(0, spFooter, k);  // one item per kind
      TkcDataSummaryItem* item = summary->DefaultGroupSummaryItems()->Add();
      item->SetItemLink(f.items[0].get());
      item->SetKind(k);
    }
    ASSERT_EQ(summary->FooterSummaryItems()->Count(), 1);  // the same column's footer item was reused
    summary->FooterSummaryItems()->Clear();
    for (TkcSummaryKind k : kinds) {
      TkcDataSummaryItem* item = summary->FooterSummaryItems()->Add();
      item->SetItemLink(f.items[0].get());
      item->SetKind(k);
    }
    std::vector<Variant> all;
    for (const auto& row : rows) all.push_back(row[0]);
    for (int i = 0; i < 5; ++i) {
      SCOPED_TRACE(std::to_string(i) + (nullIgnore ? " null ignore" : ""));
      const Variant expected = ReferenceSummary(all, kinds[i], nullIgnore);
      const Variant got = summary->FooterValue(i);
      ASSERT_EQ(got.IsNull(), expected.IsNull());
      if (!expected.IsNull()) {
        EXPECT_DOUBLE_EQ(got.AsDouble(), expected.AsDouble());
      }
    }
    // Group values: one per group item, each over exactly the records of its group.
    f.dc.Groups()->SetItemGroupIndex(1, 0);
    TkcDataGroups* groups = f.dc.DataControllerInfo()->DataGroups();
    ASSERT_GT(groups->GetCount(), 1);
    for (int g = 0; g < groups->GetCount(); ++g) {
      TkcDataGroupInfo* info = groups->GetItem(g);
      std::vector<Variant> values;
      for (int p = info->BeginIndex; p <= info->EndIndex; ++p)
        values.push_back(rows[static_cast<std::size_t>(f.dc.GetFilteredRecordIndex(p))][0]);
      for (int i = 0; i < 5; ++i) {
        const Variant expected = ReferenceSummary(values, kinds[i], nullIgnore);
        const Variant got = info->SummaryValues.GetItem(i);
        ASSERT_EQ(got.IsNull(), expected.IsNull());
        if (!expected.IsNull()) {
          EXPECT_DOUBLE_EQ(got.AsDouble(), expected.AsDouble());
        }
      }
    }
  }
}

// Numbers kept in the storage are summed without variants; the results, kinds included, are
// those of the variant path (which an OnSummary handler forces).
TEST(DataControllerSummary, StoredNumbersGiveTheVariantPathsValuesAndKinds) {
  std::mt19937 rng(5);
  std::uniform_int_distribution<int> value(-30000, 30000), pick(0, 9), group(0, 5);
  const TkcValueTypeClass types[] = {TkcSmallintValueType::Class(), TkcWordValueType::Class(),
                                     TkcIntegerValueType::Class(), TkcFloatValueType::Class()};
  const TkcSummaryKind kinds[] = {skSum, skMin, skMax, skCount, skAverage};
  for (TkcValueTypeClass type : types)
    for (bool nullIgnore : {false, true}) {
      SCOPED_TRACE(type->Caption() + (nullIgnore ? " null ignore" : ""));
      ControllerFixture f({type, TkcIntegerValueType::Class()});
      std::vector<std::vector<Variant>> rows;
      for (int r = 0; r < 300; ++r) {
        Variant v = pick(rng) < 2 ? Null() : Variant(type == TkcWordValueType::Class() ? value(rng) + 30000 : value(rng));
        if (type == TkcFloatValueType::Class() && !v.IsNull())
          v = pick(rng) == 0 ? Variant(std::nan("")) : Variant(v.AsInteger() / 7.0);
        rows.push_back({v, Variant(r == 0 ? 99 : group(rng))});  // group 99: one record
      }
      rows.push_back({Null(), Variant(98)});  // group 98: only a Null
      f.Load(rows);
      TkcDataSummary* summary = f.dc.Summary();
      summary->SetOptions(nullIgnore ? TkcSummaryOptions{soNullIgnore} : TkcSummaryOptions{});
      summary->BeginUpdate();
      for (TkcSummaryKind k : kinds) {
        for (TkcDataSummaryItems* items :
             {static_cast<TkcDataSummaryItems*>(summary->FooterSummaryItems()),
              static_cast<TkcDataSummaryItems*>(summary->DefaultGroupSummaryItems())}) {
          TkcDataSummaryItem* item = items->Add();
          item->SetItemLink(f.items[0].get());
          item->SetKind(k);
        }
      }
      summary->EndUpdate();
      f.dc.Groups()->SetItemGroupIndex(1, 0);
      auto values = [&] {
        std::vector<Variant> out{summary->FooterSummaryValues()};
        TkcDataGroups* groups = f.dc.DataControllerInfo()->DataGroups();
        for (int g = 0; g < groups->GetCount(); ++g) out.push_back(groups->GetItem(g)->SummaryValues);
        return out;
      };
      const std::vector<Variant> stored = values();
      auto none = [](TkcDataSummaryItems*, const TkcSummaryEventArguments&, TkcSummaryEventOutArguments&) {};
      summary->FooterSummaryItems()->OnSummary = none;
      summary->DefaultGroupSummaryItems()->OnSummary = none;
      f.dc.DataControllerInfo()->SummaryChanged(false);
      const std::vector<Variant> variants = values();
      ASSERT_EQ(stored.size(), variants.size());
      for (std::size_t g = 0; g < stored.size(); ++g)
        for (int i = 0; i < 5; ++i) {
          SCOPED_TRACE("values " + std::to_string(g) + ", kind " + std::to_string(i));
          const Variant a = stored[g].GetItem(i), b = variants[g].GetItem(i);
          EXPECT_EQ(a.VarType(), b.VarType());
          EXPECT_EQ(CompareVariants(a, b), 0) << VarDebugText(a) << " " << VarDebugText(b);
        }
    }
}

// Group sums of stored integers read the records in record order and find each one's group by
// its grouping value: every group still gets exactly the values of its own rows (those of the
// variant path) with Null grouping values, a filter, two levels and a record whose grouping
// value is being edited (it stays in its group until the post).
TEST(DataControllerSummary, StoredGroupSumsFollowTheGroupsRows) {
  std::mt19937 rng(17);
  std::uniform_int_distribution<int> value(-50, 50), pick(0, 9), group(0, 6);
  const TkcSummaryKind kinds[] = {skSum, skMin, skMax, skCount, skAverage};
  const std::vector<std::function<void(ControllerFixture&)>> cases = {
      [](ControllerFixture& f) { f.dc.Groups()->SetItemGroupIndex(1, 0); },
      [](ControllerFixture& f) {
        f.dc.Groups()->SetItemGroupIndex(1, 0);
        f.dc.Filter()->AddItem(nullptr, f.items[0].get(), foGreater, Variant(0), "0");
        f.dc.Filter()->SetActive(true);
      },
      [](ControllerFixture& f) {
        f.dc.Groups()->SetItemGroupIndex(1, 0);
        f.dc.Groups()->SetItemGroupIndex(2, 1);
      },
      [](ControllerFixture& f) {
        f.dc.Groups()->SetItemGroupIndex(1, 0);
        f.dc.Groups()->ExpandAll();
        f.dc.FocusRow(2);  // a record of the first group, given the last group's value
        ASSERT_GE(f.dc.GetFocusedRecordIndex(), 0);
        ASSERT_TRUE(f.dc.SetItemEditValue(1, Variant(18), evsValue));
      },
      [](ControllerFixture& f) {
        // Changes after a calculation: the next one reads the changed values.
        f.dc.Groups()->SetItemGroupIndex(1, 0);
        f.dc.DataControllerInfo()->SummaryChanged(false);
        f.dc.SetValue(3, 0, Variant(1000));
        f.dc.SetValue(4, 0, Null());
        f.dc.SetValue(5, 1, Variant(-21));
        f.dc.RemoveRecord(0);
        f.dc.InsertNewRecord(7);
        f.dc.SetValue(7, 0, Variant(-4));
        f.dc.SetValue(7, 1, Variant(3));
      },
  };
  for (std::size_t n = 0; n < cases.size(); ++n) {
    SCOPED_TRACE("case " + std::to_string(n));
    ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
    std::vector<std::vector<Variant>> rows;
    for (int r = 0; r < 300; ++r)
      rows.push_back({pick(rng) == 0 ? Null() : Variant(value(rng)), pick(rng) == 0 ? Null() : Variant(group(rng) * 3),
                      Variant(group(rng))});
    rows.push_back({Variant(5), Variant(-7), Variant(0)});  // a group of one record
    f.Load(rows);
    TkcDataSummary* summary = f.dc.Summary();
    summary->BeginUpdate();
    for (TkcSummaryKind k : kinds)
      for (TkcDataSummaryItems* items : {static_cast<TkcDataSummaryItems*>(summary->DefaultGroupSummaryItems()),
                                         static_cast<TkcDataSummaryItems*>(summary->FooterSummaryItems())}) {
        TkcDataSummaryItem* item = items->Add();
        item->SetItemLink(f.items[0].get());
        item->SetKind(k);
      }
    summary->EndUpdate();
    cases[n](f);
    auto values = [&] {
      std::vector<Variant> out;
      TkcDataGroups* groups = f.dc.DataControllerInfo()->DataGroups();
      for (int g = 0; g < groups->GetCount(); ++g) out.push_back(groups->GetItem(g)->SummaryValues);
      return out;
    };
    f.dc.DataControllerInfo()->SummaryChanged(false);
    const std::vector<Variant> stored = values();
    ASSERT_GT(stored.size(), 3u);
    summary->DefaultGroupSummaryItems()->OnSummary = [](TkcDataSummaryItems*, const TkcSummaryEventArguments&,
                                                        TkcSummaryEventOutArguments&) {};
    f.dc.DataControllerInfo()->SummaryChanged(false);
    const std::vector<Variant> variants = values();
    ASSERT_EQ(stored.size(), variants.size());
    for (std::size_t g = 0; g < stored.size(); ++g)
      for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE("group " + std::to_string(g) + ", kind " + std::to_string(i));
        const Variant a = stored[g].GetItem(i), b = variants[g].GetItem(i);
        EXPECT_EQ(a.VarType(), b.VarType());
        EXPECT_EQ(CompareVariants(a, b), 0) << VarDebugText(a) << " " << VarDebugText(b);
      }
  }
}

TEST(DataControllerSummary, TextsAndEdgeCases) {
  ControllerFixture f({TkcIntegerValueType::Class(), TkcDateTimeValueType::Class(), TkcStringValueType::Class(),
                       TkcIntegerValueType::Class()});
  TkcDataSummary* summary = f.dc.Summary();
  TkcDataFooterSummaryItems* footer = summary->FooterSummaryItems();
  footer->SetDataItemKind(0, spFooter, skSum);
  EXPECT_TRUE(summary->FooterValue(0).IsNull());  // over no records
  EXPECT_EQ(summary->GetFooterSummaryText(0), "");
  f.Load({{Null(), Variant::FromDate(45292.0), Variant("b"), Variant(1)},
          {Variant(3), Variant::FromDate(45294.0), Variant("a"), Variant(1)},
          {Variant(1), Null(), Null(), Variant(2)}});
  summary->SetOptions({soNullIgnore});  // the Null date does not count in the average
  footer->SetDataItemKind(1, spFooter, skAverage);
  footer->SetDataItemKind(2, spFooter, skSum);  // text does not add up: skipped, not an error
  TkcDataSummaryItem* min = footer->Add();
  min->SetItemLink(f.items[0].get());
  min->SetKind(skMin);
  EXPECT_EQ(summary->FooterValue(0).AsInteger(), 4);  // Null, 3, 1
  EXPECT_EQ(summary->FooterValue(3).AsInteger(), 1);  // the Null does not start the minimum
  EXPECT_TRUE(IsDateVariant(summary->FooterValue(1)));
  EXPECT_DOUBLE_EQ(summary->FooterValue(1).AsDouble(), 45293.0);  // 2 January between 1 and 3
  EXPECT_EQ(summary->GetFooterSummaryText(0), "4.00");
  EXPECT_EQ(summary->GetFooterSummaryText(3), "MIN=1.00");
  // Setting the kind back to none with no format frees the item.
  footer->SetDataItemKind(2, spFooter, skNone);
  EXPECT_EQ(footer->IndexOfItemLink(f.items[2].get()), -1);
  // Group row text: only the spGroup items, joined and bracketed.
  TkcDataGroupSummaryItems* group = summary->DefaultGroupSummaryItems();
  TkcDataSummaryItem* sum = group->Add();
  sum->SetItemLink(f.items[0].get());
  sum->SetKind(skSum);
  TkcDataSummaryItem* max = group->Add();
  max->SetItemLink(f.items[0].get());
  max->SetKind(skMax);
  TkcDataSummaryItem* inFooter = group->Add();
  inFooter->SetItemLink(f.items[0].get());
  inFooter->SetKind(skCount);
  inFooter->SetPosition(spFooter);
  f.dc.Groups()->SetItemGroupIndex(3, 0);
  EXPECT_EQ(summary->GetGroupSummaryText(0), "(SUM=3.00, MAX=3.00)");
  EXPECT_EQ(summary->GetGroupSummaryText(1), "(SUM=1.00, MAX=1.00)");
  EXPECT_EQ(summary->GetGroupFooterSummaryText(0, 0, 2), "1");  // Null and 3, the Null ignored
  // Both selection options: the one added last wins.
  summary->SetOptions({soSelectedRecords});
  summary->SetOptions({soSelectedRecords, soMultipleSelectedRecords});
  EXPECT_FALSE(summary->Options().Contains(soSelectedRecords));
  EXPECT_TRUE(summary->Options().Contains(soMultipleSelectedRecords));
}

TEST(DataControllerSummary, GroupsSortBySummaryDescending) {
  ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
  f.Load({{Variant(1), Variant(10)},
          {Variant(1), Variant(1)},
          {Variant(2), Variant(50)},
          {Variant(3), Variant(20)},
          {Variant(3), Variant(25)}});
  TkcDataSummaryItem* sum = f.dc.Summary()->DefaultGroupSummaryItems()->Add();
  sum->SetItemLink(f.items[1].get());
  sum->SetKind(skSum);
  sum->SetSorted(true);
  f.dc.Groups()->SetItemGroupIndex(0, 0);
  f.dc.SetItemSortOrder(0, soDescending);
  f.dc.Groups()->ExpandAll();
  // Sums: group 1 = 11, group 2 = 50, group 3 = 45; records keep their order inside a group.
  EXPECT_EQ(f.RowRecords(), (std::vector<int>{-1, 2, -1, 3, 4, -1, 0, 1}));
  sum->SetSorted(false);  // back to grouping-value order
  EXPECT_EQ(f.RowRecords(), (std::vector<int>{-1, 3, 4, -1, 2, -1, 0, 1}));
}

TEST(DataControllerSummary, SelectedRecordsOnlyWithMultiSelect) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(1)}, {Variant(2)}, {Variant(4)}});
  TkcDataSummary* summary = f.dc.Summary();
  summary->FooterSummaryItems()->SetDataItemKind(0, spFooter, skSum);
  summary->SetOptions({soSelectedRecords});
  f.dc.FocusRow(1);
  EXPECT_EQ(summary->FooterValue(0).AsInteger(), 2);  // the focused record only
  f.dc.SetMultiSelect(true);
  f.dc.SelectRows(1, 2);
  EXPECT_EQ(summary->FooterValue(0).AsInteger(), 6);
}

// ---- Filter value list and the "Criteria" property -------------------------------------------------

std::vector<std::string> Texts(TkcFilterValueList* list) {
  std::vector<std::string> out;
  for (int i = 0; i < list->GetCount(); ++i) out.push_back(list->GetItem(i).DisplayText);
  return out;
}

TEST(DataControllerFilter, ValueListSortedDistinctCappedWithBlanks) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(3)}, {Variant(1)}, {Variant(2)}, {Variant(1)}, {Null()}, {Variant(7)}});
  // A filter hides records; their values are still offered.
  f.dc.Filter()->AddItem(nullptr, f.items[0].get(), foLess, Variant(3), "3");
  f.dc.Filter()->SetActive(true);
  std::unique_ptr<TkcDataFilterValueList> list(f.dc.Filter()->CreateValueList());
  list->Load(0, true);
  EXPECT_EQ(Texts(list.get()),
            (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "1", "2", "3", "7"}));
  f.dc.Filter()->SetMaxValueListCount(4);  // the two specials count: the first two distinct values met
  list->Load(0, true);
  EXPECT_EQ(Texts(list.get()), (std::vector<std::string>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "1", "3"}));
  ControllerFixture g({TkcIntegerValueType::Class()});
  g.Load({{Variant(5)}});
  std::unique_ptr<TkcDataFilterValueList> plain(g.dc.Filter()->CreateValueList());
  plain->Load(0, true);
  EXPECT_EQ(Texts(plain.get()), (std::vector<std::string>{"(All)", "(Custom...)", "5"}));
}

TEST(DataControllerFilter, CriteriaPropertyRoundTrip) {
  struct Ids : TkcDataController {
    using TkcDataController::TkcDataController;
    int GetItemID(TObject* AItem) override {
      for (std::size_t i = 0; i < Items->size(); ++i)
        if ((*Items)[i].get() == AItem) return static_cast<int>(i) + 10;
      return -1;
    }
    std::vector<std::unique_ptr<TObject>>* Items = nullptr;
  };
  std::vector<std::unique_ptr<TObject>> items;
  Ids a(nullptr), b(nullptr);
  a.Items = b.Items = &items;
  for (int i = 0; i < 2; ++i) {
    items.push_back(std::make_unique<TObject>());
    a.AddItem(items.back().get());
    b.AddItem(items.back().get());
  }
  {
    TBinaryPropertyFiler empty(a.Filter());
    ASSERT_NE(empty.Find("Criteria"), nullptr);
    EXPECT_FALSE(empty.Find("Criteria")->HasData);  // nothing to store
  }
  a.Filter()->AddItem(nullptr, items[1].get(), foGreater, Variant(5), "5");
  a.Filter()->Root()->SetBoolOperatorKind(fboOr);
  TBinaryPropertyFiler from(a.Filter());
  ASSERT_TRUE(from.Find("Criteria")->HasData);
  TMemoryStream stream;
  from.Find("Criteria")->WriteData(&stream);
  stream.SetPosition(0);
  TBinaryPropertyFiler to(b.Filter());
  to.Find("Criteria")->ReadData(&stream);
  ASSERT_EQ(b.Filter()->Root()->GetCount(), 1);
  EXPECT_EQ(b.Filter()->Root()->BoolOperatorKind(), fboOr);
  auto* condition = static_cast<TkcDataFilterCriteriaItem*>(b.Filter()->Root()->GetItem(0));
  EXPECT_EQ(condition->Field(), b.GetItemField(1));
  EXPECT_EQ(condition->Value().AsInteger(), 5);
}

// ---- Incremental search ------------------------------------------------------------------------------

TEST(DataControllerSearch, LocateWrapsAndLocateNextStops) {
  ControllerFixture f({TkcStringValueType::Class()});
  f.Load({{Variant("apple")}, {Variant("Banana")}, {Variant("apricot")}});
  TkcDataControllerSearch* search = f.dc.Search();
  f.dc.FocusRecord(1);
  EXPECT_TRUE(search->Locate(0, "ap"));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
  EXPECT_TRUE(search->Locate(0, "apr"));  // the focused row still matches
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
  EXPECT_TRUE(search->Locate(0, "b"));  // wraps around
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 1);
  EXPECT_TRUE(search->Locate(0, "a"));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
  EXPECT_FALSE(search->LocateNext(true));  // last match: no wrap
  EXPECT_TRUE(search->LocateNext(false));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 0);
  EXPECT_FALSE(search->Locate(0, ""));
  f.dc.FocusRecord(1);  // focusing by other means ends the search
  EXPECT_FALSE(search->GetSearching());
  EXPECT_FALSE(search->LocateNext(true));
}

// ---- Selection across sort and filter changes, anchors ---------------------------------------------

TEST(DataControllerSelection, RangesAnchorsAndSingleSelection) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  std::vector<std::vector<Variant>> rows;
  for (int r = 0; r < 8; ++r) rows.push_back({Variant(7 - r)});
  f.Load(rows);
  EXPECT_EQ(f.dc.GetSelectedCount(), 0);
  f.dc.FocusRow(3);
  EXPECT_EQ(f.dc.GetSelectedCount(), 1);
  f.dc.SetFocusedSelected(false);
  EXPECT_EQ(f.dc.GetSelectedCount(), 0);
  f.dc.SetMultiSelect(true);
  f.dc.SelectFromAnchor(5, false);  // no anchor: nothing
  EXPECT_EQ(f.dc.GetSelectedCount(), 1);
  f.dc.SetSelectionAnchor(2);
  f.dc.SelectFromAnchor(4, false);
  std::vector<int> rowsSelected;
  for (int i = 0; i < f.dc.GetSelectedCount(); ++i) rowsSelected.push_back(f.dc.GetSelectedRowIndex(i));
  EXPECT_EQ(rowsSelected, (std::vector<int>{2, 3, 4}));
  // Re-sorting reverses the rows; the same records stay selected, in row order.
  f.dc.SetItemSortOrder(0, soAscending);
  rowsSelected.clear();
  for (int i = 0; i < f.dc.GetSelectedCount(); ++i) rowsSelected.push_back(f.dc.GetSelectedRowIndex(i));
  EXPECT_EQ(rowsSelected, (std::vector<int>{3, 4, 5}));
  EXPECT_EQ(f.dc.GetRowInfo(3).RecordIndex, 4);
  f.dc.MoveToFirstRow();
  f.dc.MoveToPriorRow();
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 0);
  f.dc.FocusRow(3);
  f.dc.MoveFocusBy(-10);
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 0);
}

}  // namespace

namespace {

// ---- Editing through the controller: new-item row, group deletion, cancel -------------------------

TEST(DataControllerEditing, NewItemRowInsertsAndPostsWhenLeft) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(1)}, {Variant(2)}});
  f.dc.SetUseNewItemRowForEditing(true);
  f.dc.SetOptions(f.dc.Options() + TkcDataControllerOptions{dcoInsertOnNewItemRowFocusing});
  f.dc.SetNewItemRowFocused(true);
  EXPECT_TRUE(f.dc.GetNewItemRowFocused());
  EXPECT_TRUE(f.dc.Provider()->IsInserting());  // focusing it started an insert
  EXPECT_TRUE(f.dc.GetItemEditValue(0, evsValue).IsNull());
  ASSERT_TRUE(f.dc.SetItemEditValue(0, Variant(42), evsValue));
  EXPECT_EQ(f.dc.GetRecordCount(), 2);  // typed into the row's own record
  f.dc.SetNewItemRowFocused(false);     // leaving the row posts
  ASSERT_EQ(f.dc.GetRecordCount(), 3);
  EXPECT_EQ(f.dc.GetValue(2, 0).AsInteger(), 42);
  EXPECT_FALSE(f.dc.Provider()->IsEditing());
}

TEST(DataControllerEditing, DeletingAGroupRowDeletesItsRecordsOnly) {
  ControllerFixture f({TkcIntegerValueType::Class(), TkcIntegerValueType::Class()});
  f.Load({{Variant(1), Variant(10)}, {Variant(2), Variant(20)}, {Variant(1), Variant(30)}, {Variant(3), Variant(40)}});
  f.dc.Groups()->SetItemGroupIndex(0, 0);
  f.dc.FocusRow(0);  // the group of value 1
  f.dc.DeleteFocused();
  ASSERT_EQ(f.dc.GetRecordCount(), 2);
  EXPECT_EQ(f.dc.GetValue(0, 1).AsInteger(), 20);
  EXPECT_EQ(f.dc.GetValue(1, 1).AsInteger(), 40);
}

TEST(DataControllerEditing, CancelledAppendFocusesTheLastRow) {
  ControllerFixture f({TkcIntegerValueType::Class()});
  f.Load({{Variant(1)}, {Variant(2)}, {Variant(3)}});
  f.dc.FocusRow(2);
  f.dc.Append();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 3);
  f.dc.Cancel();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  EXPECT_EQ(f.dc.GetFocusedRowIndex(), 2);
  // With immediate posting every value is posted at once.
  f.dc.SetOptions(f.dc.Options() + TkcDataControllerOptions{dcoImmediatePost});
  f.dc.FocusRow(0);
  f.dc.SetItemEditValue(0, Variant(9), evsValue);
  EXPECT_FALSE(f.dc.IsEditing());
  EXPECT_EQ(f.dc.GetValue(0, 0).AsInteger(), 9);
}

}  // namespace
