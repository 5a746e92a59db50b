#include <gtest/gtest.h>

#include <chrono>
#include <functional>

#include "data/kcDBData.h"
#include "platform/db/DBClient.h"
#include "platform/ib/IBCustomDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "tests/support/FbFixture.h"

namespace {

struct DBFixture {
  DBFixture() {
    ds.FieldDefs().Add("ID", ftInteger, 0, true);
    ds.FieldDefs().Add("NAME", ftString, 20);
    ds.FieldDefs().Add("AMOUNT", ftFloat);
    ds.FieldDefs().Add("DAY", ftDate);
    ds.FieldDefs().Add("FLAG", ftBoolean);
    ds.CreateDataSet();
    ds.AppendRecord({Variant(3), Variant("c"), Variant(1.5), Variant::FromDate(45366.0), Variant(true)});
    ds.AppendRecord({Variant(1), Variant("a"), Null(), Variant::FromDate(45367.0), Variant(false)});
    ds.AppendRecord({Variant(2), Variant("b"), Variant(-2.25), Null(), Null()});
    source.SetDataSet(&ds);
    const char* names[] = {"ID", "NAME", "AMOUNT", "DAY", "FLAG", "ID;NAME", "MISSING"};
    for (int i = 0; i < 7; ++i) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.SetItemFieldName(i, names[i]);
    }
    dc.SetKeyFieldNames("ID");
  }
  TClientDataSet ds{nullptr};
  TDataSource source{nullptr};
  TkcDBDataController dc{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
};

TEST(DBDataController, LoadsEveryRecordWithTypesValuesAndTexts) {
  DBFixture f;
  f.ds.First();
  f.ds.Next();  // the cursor is on the second record
  f.dc.SetDataSource(&f.source);
  ASSERT_EQ(f.dc.GetRecordCount(), 3);
  EXPECT_EQ(f.ds.RecNo(), 2);  // the load gave the cursor back
  EXPECT_EQ(f.dc.GetItemValueTypeClass(0), TkcIntegerValueType::Class());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(1), TkcStringValueType::Class());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(2), TkcFloatValueType::Class());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(3), TkcDateTimeValueType::Class());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(4), TkcBooleanValueType::Class());
  EXPECT_EQ(f.dc.GetItemValueTypeClass(5), TkcVariantValueType::Class());
  EXPECT_EQ(f.dc.GetValue(0, 0).AsInteger(), 3);
  EXPECT_EQ(f.dc.GetValue(1, 1).AsString(), "a");
  EXPECT_TRUE(f.dc.GetValue(1, 2).IsNull());
  EXPECT_DOUBLE_EQ(f.dc.GetValue(2, 2).AsDouble(), -2.25);
  EXPECT_TRUE(f.dc.GetValue(2, 3).IsNull());
  EXPECT_TRUE(f.dc.GetValue(0, 4).AsBoolean());
  const Variant both = f.dc.GetValue(2, 5);
  ASSERT_TRUE(both.IsArray());
  EXPECT_EQ(both.GetItem(0).AsInteger(), 2);
  EXPECT_EQ(both.GetItem(1).AsString(), "b");
  EXPECT_EQ(f.dc.GetItemDBField(6), nullptr);  // an unknown name stays unbound
  EXPECT_TRUE(f.dc.GetValue(0, 6).IsNull());
  // Sorting and filtering work on the loaded records.
  f.dc.SetItemSortOrder(0, soAscending);
  EXPECT_EQ(f.dc.GetRowInfo(0).RecordIndex, 1);
}

// Fields naming the same dataset field share one column; renaming the owner hands it on.
TEST(DBDataController, FieldsOfOneNameShareAColumn) {
  DBFixture f;
  TObject again;
  f.dc.AddItem(&again);
  f.dc.SetItemFieldName(7, "name");  // names compare without case
  f.dc.SetDataSource(&f.source);
  auto field = [&](int AItem) { return static_cast<TkcDBDataField*>(f.dc.GetItemField(AItem)); };
  EXPECT_EQ(field(7)->SharedField(), field(1));
  EXPECT_EQ(field(7)->ValueColumn(), field(1)->ValueColumn());
  EXPECT_EQ(f.dc.GetValue(1, 7).AsString(), "a");
  EXPECT_EQ(f.dc.GetItemValueTypeClass(7), TkcStringValueType::Class());
  const int columns = f.dc.GetDataStorage()->ValueDefs()->Count();
  f.dc.SetItemFieldName(1, "AMOUNT");
  EXPECT_EQ(field(7)->SharedField(), nullptr);
  EXPECT_EQ(field(1)->SharedField(), field(2));  // an earlier item names AMOUNT
  EXPECT_EQ(f.dc.GetDataStorage()->ValueDefs()->Count(), columns);
  EXPECT_EQ(f.dc.GetValue(1, 7).AsString(), "a");
  EXPECT_TRUE(f.dc.GetValue(1, 1).IsNull());
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(2)), 2);  // the key field shares the ID column
}

TEST(DBDataController, KeysLocateAlsoAfterEditsInTheDataSet) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  EXPECT_EQ(f.dc.GetRecordId(2).AsInteger(), 2);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(1)), 1);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(9)), -1);
  EXPECT_TRUE(f.dc.LocateByKey(Variant(2)));
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 2);
  // An edit posted in the dataset reloads the records; the key index follows.
  f.ds.First();
  f.ds.Edit();
  f.ds.FieldByName("ID")->SetAsVariant(Variant(30));
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("z"));
  f.ds.Post();
  EXPECT_EQ(f.dc.GetValue(0, 1).AsString(), "z");
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(30)), 0);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(3)), -1);
  EXPECT_FALSE(f.dc.LocateByKey(Variant(3)));  // a missing key removes the focus
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), -1);
  f.ds.Append();
  f.ds.FieldByName("ID")->SetAsVariant(Variant(4));
  f.ds.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(4)), 3);
  EXPECT_EQ(f.dc.GetDataSetRecordCount(), 4);
  f.dc.SetDataSetRecNo(2);
  EXPECT_EQ(f.dc.GetDataSetRecNo(), 2);
  EXPECT_EQ(f.dc.GetDataSetKeyValues().AsInteger(), f.ds.FieldByName("ID")->AsInteger());
  f.dc.SetKeyFieldNames("ID;NOPE");
  EXPECT_THROW(f.dc.GetDataSetKeyValues(), EkcInvalidDataControllerOperation);
  // Two key fields want two values.
  f.dc.SetKeyFieldNames("ID;NAME");
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant::MakeArray({Variant(1), Variant("a")})), 1);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(1)), -1);
  // A refresh re-reads the dataset and keeps the records.
  f.dc.RefreshData();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  // Closing the dataset empties the controller.
  f.ds.Close();
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
  EXPECT_EQ(f.dc.GetDataSetRecNo(), -1);
  EXPECT_EQ(f.dc.GetDataSetRecordCount(), 0);
}

}  // namespace

TEST(DBDataController, ControlsEnabledDuringAnInsertEndWithoutALoop) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  // Re-enabling controls makes the next change a layout change; during an insert that is a
  // plain data change, handled once.
  f.ds.DisableControls();
  f.ds.Insert();
  f.ds.EnableControls();
  f.ds.FieldByName("ID")->SetAsVariant(Variant(8));
  f.ds.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_GE(f.dc.FindRecordIndexByKey(Variant(8)), 0);
}

// A dataset class whose name says query.
class TTestQuery : public TClientDataSet {
  VT_CLASS(TTestQuery, TClientDataSet)
public:
  using TClientDataSet::TClientDataSet;
};

TEST(DBFieldUtilities, NamesValuesTextsAndAdapters) {
  EXPECT_EQ(GetFieldNamesCount("A ; B;C"), 3);
  EXPECT_EQ(GetFieldNamesCount(""), 0);
  EXPECT_FALSE(IsMultipleFieldNames("A"));
  DBFixture f;
  f.ds.Last();  // the record with Null day and flag
  std::vector<TField*> two{f.ds.FieldByName("DAY"), f.ds.FieldByName("FLAG")};
  const Variant v = ReadFieldsValue(two);
  ASSERT_TRUE(v.IsArray());
  EXPECT_TRUE(v.GetItem(0).IsNull() && v.GetItem(1).IsNull());
  // Filter names: identifiers stay, others are bracketed with "]" doubled.
  struct Case {
    const char* name;
    const char* expected;
  } names[] = {{"NAME", "NAME"}, {"MY NAME", "[MY NAME]"}, {"A]B", "[A]]B]"}};
  for (const auto& c : names) {
    TClientDataSet ds(nullptr);
    ds.FieldDefs().Add(c.name, ftInteger);
    ds.CreateDataSet();
    EXPECT_EQ(GetFilterFieldName(ds.Fields()[0], false), c.expected);
  }
  // Display texts are kept for a numeric field with a format, not for a plain one.
  auto* amount = dynamic_cast<TNumericField*>(f.ds.FieldByName("AMOUNT"));
  EXPECT_FALSE(NeedsFieldDisplayText(amount, false));
  amount->SetDisplayFormat("0.000");
  EXPECT_TRUE(NeedsFieldDisplayText(amount, false));
  EXPECT_TRUE(NeedsFieldDisplayText(f.ds.FieldByName("FLAG"), true));  // Boolean: the default
  // Query datasets write null tests with IS / IS NOT; other datasets keep the default words.
  TTestQuery query(nullptr);
  TkcFilterOperatorClass op = TkcFilterNotNullOperator::StaticClass();
  GetFilterOperatorAdapter(&query)->PrepareOperatorClass(nullptr, &query, op);
  EXPECT_EQ(op, TkcFilterOperatorClass(TkcFilterSQLNotNullOperator::StaticClass()));
  op = TkcFilterNullOperator::StaticClass();
  GetFilterOperatorAdapter(&f.ds)->PrepareOperatorClass(nullptr, &f.ds, op);
  EXPECT_EQ(op, TkcFilterOperatorClass(TkcFilterNullOperator::StaticClass()));
  // A more specific registration is found first for its class only.
  TkcDBAdapterList list;
  list.RegisterAdapter(TDataSet::StaticClass(), TkcDBAdapterItem::StaticClass());
  list.RegisterAdapter(TClientDataSet::StaticClass(), TkcDBFilterOperatorAdapter::StaticClass());
  int index = -1;
  ASSERT_TRUE(list.FindAdapter(TClientDataSet::StaticClass(), index));
  EXPECT_EQ(list.Items(index)->DataSetClass(), TClientDataSet::StaticClass());
  ASSERT_TRUE(list.FindAdapter(TDataSet::StaticClass(), index));
  EXPECT_EQ(list.Items(index)->DataSetClass(), TDataSet::StaticClass());
}

TEST(DBDataFilter, AutoDataSetFilterWritesTheExpressionIntoTheDataSet) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  TkcDBDataFilterCriteria* filter = f.dc.Filter();
  filter->SetAutoDataSetFilter(true);
  filter->SetTranslateBetween(true);  // the dataset's filter language has no BETWEEN
  struct Case {
    const char* name;
    std::function<void()> build;
    int rows;  // the dataset's rows once filtered
  } cases[] = {
      {"equal", [&] { filter->AddItem(nullptr, f.items[1].get(), foEqual, Variant("b"), "b"); }, 1},
      {"greater", [&] { filter->AddItem(nullptr, f.items[0].get(), foGreater, Variant(1), "1"); }, 2},
      {"between",
       [&] { filter->AddItem(nullptr, f.items[0].get(), foBetween, CreateVariantPair(Variant(2), Variant(3)), "2;3"); },
       2},
      {"null", [&] { filter->AddItem(nullptr, f.items[2].get(), foEqual, Null(), ""); }, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    filter->BeginUpdate();
    filter->Clear();
    c.build();
    filter->SetActive(true);
    filter->EndUpdate();
    EXPECT_EQ(f.ds.Filter(), filter->GetFilterText());
    EXPECT_FALSE(f.ds.Filter().empty());
    EXPECT_TRUE(f.ds.Filtered());
    EXPECT_EQ(f.ds.RecordCount(), c.rows);
    EXPECT_EQ(f.dc.GetRecordCount(), c.rows);  // the dataset filters; the controller loads what passes
    EXPECT_EQ(f.dc.GetFilteredRecordCount(), c.rows);
  }
  // Deactivating keeps the text and clears Filtered; case-insensitive sets the option.
  filter->SetActive(false);
  EXPECT_FALSE(f.ds.Filtered());
  EXPECT_FALSE(f.ds.Filter().empty());
  filter->SetOptions({fcoCaseInsensitive});
  EXPECT_TRUE(f.ds.FilterOptions().Contains(foCaseInsensitive));
  filter->SetOptions({});
  EXPECT_TRUE(f.ds.FilterOptions().Empty());
  // With OnBeforeChange the application filters: the handler sees every text.
  filter->SetAutoDataSetFilter(false);
  std::vector<std::string> texts;
  filter->OnBeforeChange = [&](TkcDBDataFilterCriteria*, TDataSet* ds, const String& text) {
    EXPECT_EQ(ds, &f.ds);
    texts.push_back(text);
  };
  filter->Clear();
  filter->AddItem(nullptr, f.items[0].get(), foLess, Variant(3), "3");
  filter->SetActive(true);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.back(), "(ID < 3)");
  EXPECT_EQ(f.dc.GetFilteredRecordCount(), 3);  // nothing filtered in memory
}

// A lookup column over two key fields filters, groups and is edited through them.
TEST(DBDataLookup, KeySubFieldsFilterGroupAndEditByKey) {
  TClientDataSet kinds(nullptr);
  kinds.FieldDefs().Add("A", ftInteger);
  kinds.FieldDefs().Add("B", ftInteger);
  kinds.FieldDefs().Add("TEXT", ftString, 10);
  kinds.CreateDataSet();
  kinds.AppendRecord({1, 1, "one-one"});
  kinds.AppendRecord({1, 2, "one-two"});
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("A", ftInteger);
  ds.FieldDefs().Add("B", ftInteger);
  for (const char* name : {"ID", "A", "B"}) {
    auto* field = new TIntegerField(&ds);
    field->SetFieldName(name);
    field->SetDataSet(&ds);
  }
  auto* text = new TStringField(&ds);
  text->SetFieldName("KIND TEXT");
  text->SetLookup(true);
  text->KeyFields = "A;B";
  text->LookupKeyFields = "A;B";
  text->LookupResultField = "TEXT";
  text->SetLookupDataSet(&kinds);
  text->SetDataSet(&ds);
  ds.CreateDataSet();
  ds.AppendRecord({1, 1, 2});
  ds.AppendRecord({2, 1, 1});
  ds.AppendRecord({3, 1, 2});
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TkcDBDataController dc(nullptr);
  TObject id, kind;
  dc.AddItem(&id);
  dc.AddItem(&kind);
  dc.SetItemFieldName(0, "ID");
  dc.SetItemFieldName(1, "KIND TEXT");
  dc.SetDataSource(&source);
  auto* field = static_cast<TkcDBDataField*>(dc.GetItemField(1));
  ASSERT_EQ(field->SubFieldCount(), 2);
  EXPECT_EQ(field->SubFields(0)->DBField(), ds.FieldByName("A"));
  EXPECT_EQ(field->SubFields(1)->DBField(), ds.FieldByName("B"));
  EXPECT_THROW(static_cast<TkcDBDataField*>(dc.GetItemField(0))->AddSubField(field->SubFields(0)),
               EkcInvalidDataControllerOperation);  // it has a parent already
  EXPECT_EQ(dc.GetValue(0, 1).AsString(), "one-two");

  // The condition names both key fields and compares both key values.
  const Variant key = Variant::MakeArray(std::vector<Variant>{Variant(1), Variant(2)});
  dc.Filter()->AddItem(nullptr, &kind, foEqual, key, "one-two");
  dc.Filter()->SetActive(true);
  EXPECT_EQ(dc.Filter()->GetFilterText(), "((A = 1) AND (B = 2))");
  EXPECT_EQ(dc.GetFilteredRecordCount(), 2);
  dc.Filter()->Clear();
  // Grouping by the lookup column groups by its keys.
  const Variant grouping = dc.GetGroupingFieldValue(2, field);
  ASSERT_TRUE(grouping.IsArray());
  EXPECT_EQ(grouping.GetItem(1).AsInteger(), 2);

  // Only the key is written, never the looked-up text.
  EXPECT_FALSE(field->CanModify(evsText));
  EXPECT_TRUE(field->CanModify(evsKey));
  ds.First();
  ds.Edit();
  EXPECT_FALSE(dc.Provider()->SetEditValue(0, field, Variant("x"), evsText));
  EXPECT_TRUE(dc.Provider()->SetEditValue(0, field, Variant::MakeArray(std::vector<Variant>{1, 1}), evsKey));
  EXPECT_EQ(dc.Provider()->GetEditValue(0, field, evsKey).GetItem(1).AsInteger(), 1);
  ds.Post();
  EXPECT_EQ(dc.GetValue(0, 1).AsString(), "one-one");
  // An item that is no lookup any more frees its sub-fields.
  const int before = dc.GetItemField(1)->FieldList()->Count();
  dc.SetItemFieldName(1, "A");
  EXPECT_EQ(field->SubFieldCount(), 0);
  EXPECT_EQ(dc.GetItemField(1)->FieldList()->Count(), before - 2);
}

TEST(DBDataFilter, SummaryOfADataSetFieldNoItemShows) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  auto* item = static_cast<TkcDBDataSummaryItem*>(f.dc.Summary()->FooterSummaryItems()->Add());
  item->SetKind(skSum);
  item->SetFieldName("AMOUNT");
  EXPECT_DOUBLE_EQ(f.dc.Summary()->FooterValue(0).AsDouble(), -0.75);
  EXPECT_EQ(f.dc.Summary()->GetFooterSummaryText(0), "-0.75");
}

TEST(DBDataEditing, EditInsertAndDeleteRoundTrips) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  auto names = [&] {
    std::vector<std::string> out;
    for (int r = 0; r < f.dc.GetRecordCount(); ++r) out.push_back(f.dc.GetValue(r, 1).AsString());
    return out;
  };
  // Edit through the controller: the value reaches the dataset and comes back after the post.
  f.dc.FocusRecord(1);
  ASSERT_TRUE(f.dc.SetItemEditValue(1, Variant("edited"), evsValue));
  EXPECT_EQ(f.ds.State(), dsEdit);
  f.dc.Post();
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(names(), (std::vector<std::string>{"c", "edited", "b"}));
  // Cancel restores.
  f.dc.FocusRecord(0);
  f.dc.SetItemEditValue(1, Variant("gone"), evsValue);
  f.dc.Cancel();
  EXPECT_EQ(names(), (std::vector<std::string>{"c", "edited", "b"}));
  // Append and insert add records; the controller shows them after the post.
  f.dc.Append();
  f.ds.FieldByName("ID")->SetAsVariant(Variant(10));
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("appended"));
  f.dc.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(10)), 1).AsString(), "appended");
  // Delete the focused record, then a list.
  f.dc.LocateByKey(Variant(1));
  f.dc.DeleteFocused();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(1)), -1);
  EXPECT_EQ(f.ds.RecordCount(), 3);
  std::vector<int> list{0, 2};
  f.dc.DeleteRecordList(list);
  EXPECT_EQ(f.dc.GetRecordCount(), 1);
  EXPECT_EQ(f.ds.RecordCount(), 1);
}

TEST(DBDataEditing, ARefusedPostKeepsWhatWasTyped) {
  DBFixture f;
  f.dc.SetDataSource(&f.source);
  f.dc.Append();
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("typed"));  // ID is required and missing
  try {
    f.dc.Post();
    ADD_FAILURE() << "the post went through";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("ID"), std::string::npos) << e.what();
  }
  EXPECT_EQ(f.ds.State(), dsInsert);  // still inserting, with the typed value
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "typed");
  ASSERT_EQ(f.dc.GetRecordCount(), 4);  // the new row stays, showing it
  EXPECT_EQ(f.dc.GetValue(3, 1).AsString(), "typed");
  f.ds.FieldByName("ID")->SetAsVariant(Variant(20));
  f.dc.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(20)), 1).AsString(), "typed");
}

// Inserts started on the dataset itself (a navigator, a script) show as controller rows before
// their post, where the dataset puts them; a cancel takes the row away again.
TEST(DBDataEditing, InsertsOnTheDataSetShowAsRows) {
  struct Case {
    const char* name;
    bool smart, append, post;
    int row;  // where the new row shows while inserting
  } cases[] = {
      {"insert, post", false, false, true, 1},
      {"append, cancel", false, true, false, 3},
      {"smart insert, post", true, false, true, 1},
      {"smart append, cancel", true, true, false, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DBFixture f;
    f.dc.DataModeController()->SetSmartRefresh(c.smart);
    f.dc.SetDataSource(&f.source);
    f.ds.First();
    f.ds.Next();
    if (c.append)
      f.ds.Append();
    else
      f.ds.Insert();
    ASSERT_EQ(f.dc.GetRecordCount(), 4);
    EXPECT_EQ(f.dc.GetFocusedRecordIndex(), c.row);
    f.ds.FieldByName("ID")->SetAsVariant(Variant(7));
    f.ds.FieldByName("NAME")->SetAsVariant(Variant("new"));
    EXPECT_EQ(f.dc.GetValue(c.row, 1).AsString(), "new");  // typed values show at once
    if (c.post)
      f.ds.Post();
    else
      f.ds.Cancel();
    ASSERT_EQ(f.dc.GetRecordCount(), c.post ? 4 : 3);
    EXPECT_FALSE(f.dc.Provider()->IsEditing());
    EXPECT_EQ(f.dc.Provider()->EditingRecordIndex(), kcNoRecordIndex);
    for (int r = 0; r < f.dc.GetRecordCount(); ++r) {  // the rows follow the dataset's order
      f.ds.SetRecNo(r + 1);
      EXPECT_EQ(f.dc.GetValue(r, 0).AsInteger(), f.ds.FieldByName("ID")->AsInteger());
    }
  }
  // Without SyncInsert the row comes with the post only.
  DBFixture f;
  f.dc.DataModeController()->SyncInsert = false;
  f.dc.SetDataSource(&f.source);
  f.ds.Append();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  f.ds.FieldByName("ID")->SetAsVariant(Variant(8));
  f.ds.Post();
  EXPECT_EQ(f.dc.GetRecordCount(), 4);
}

// Grouped by G over a dataset: an insert joins the focused record's group, and an edit of G
// leaves the record in its group until the post.
struct GroupedDBFixture {
  GroupedDBFixture() {
    ds.FieldDefs().Add("ID", ftInteger, 0, true);
    ds.FieldDefs().Add("G", ftInteger);
    ds.CreateDataSet();
    for (int id = 1; id <= 4; ++id) ds.AppendRecord({Variant(id), Variant(id == 1 ? 10 : id == 4 ? 30 : 20)});
    source.SetDataSet(&ds);
    for (const char* name : {"ID", "G"}) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.SetItemFieldName(dc.GetItemCount() - 1, name);
    }
    dc.SetKeyFieldNames("ID");
    dc.SetDataSource(&source);
    dc.Groups()->SetItemGroupIndex(1, 0);
    dc.Groups()->ExpandAll();
  }
  // "G:IDs" per group, in row order, e.g. "20:2,3".
  std::vector<std::string> Groups() {
    std::vector<std::string> out;
    for (int row = 0; row < dc.GetRowCount(); ++row) {
      const TkcRowInfo info = dc.GetRowInfo(row);
      if (info.Level == 0)  // the group's own value: its first record may be the one edited
        out.push_back(dc.DataControllerInfo()->DataGroups()->GetItem(dc.Groups()->GetRowGroupPosition(row))
                          ->Value.AsString() + ":");
      else if (!out.empty())
        out.back() += (out.back().back() == ':' ? "" : ",") + dc.GetValue(info.RecordIndex, 0).AsString();
    }
    return out;
  }
  TClientDataSet ds{nullptr};
  TDataSource source{nullptr};
  TkcDBDataController dc{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
};

TEST(DBDataEditing, GroupedInsertAndEditKeepTheFocusedRecordsGroup) {
  {
    GroupedDBFixture f;
    ASSERT_EQ(f.Groups(), (std::vector<std::string>{"10:1", "20:2,3", "30:4"}));
    f.dc.LocateByKey(Variant(3));
    f.dc.Insert();
    f.ds.FieldByName("ID")->SetAsVariant(Variant(9));
    EXPECT_EQ(f.ds.FieldByName("G")->AsVariant(), Variant(20));
    f.dc.Post();
    EXPECT_EQ(f.ds.State(), dsBrowse);
    const int record = f.dc.FindRecordIndexByKey(Variant(9));
    ASSERT_GE(record, 0);
    EXPECT_EQ(f.dc.GetValue(record, 1), Variant(20));
    EXPECT_EQ(f.dc.DataControllerInfo()->DataGroups()->GetCount(), 3);  // no Null group
  }
  {
    GroupedDBFixture f;
    f.dc.LocateByKey(Variant(2));
    ASSERT_TRUE(f.dc.SetItemEditValue(1, Variant(30), evsValue));
    EXPECT_EQ(f.ds.State(), dsEdit);
    EXPECT_EQ(f.Groups(), (std::vector<std::string>{"10:1", "20:2,3", "30:4"}));
    EXPECT_EQ(f.dc.GetFocusedRecordIndex(), f.dc.FindRecordIndexByKey(Variant(2)));
    f.dc.Post();
    EXPECT_EQ(f.Groups(), (std::vector<std::string>{"10:1", "20:3", "30:2,4"}));
  }
}

TEST(DBDataController, LoadedRebuildsOnlyWhenTheLinkDidNotDuringLoading) {
  DBFixture f;
  int loads = 0;  // each full load starts with the dataset's First
  f.ds.BeforeScroll = [&](TDataSet*) { ++loads; };
  TComponent owner(nullptr);
  owner.BeginLoading();
  TkcDBDataController loading(&owner);
  loading.SetDataSource(&f.source);  // the link becomes active while the owner loads
  const int afterAttach = loads;
  EXPECT_GT(afterAttach, 0);
  loading.Loaded();
  EXPECT_EQ(loads, afterAttach);
  f.dc.SetDataSource(&f.source);
  const int before = loads;
  f.dc.Loaded();  // attached outside loading: Loaded builds the structure
  EXPECT_GT(loads, before);
}

TEST(DBDataSync, FocusAndCursorMoveTogetherInSyncMode) {
  DBFixture f;
  f.ds.First();
  f.dc.SetDataSource(&f.source);
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 0);  // the focus starts on the dataset's record
  f.dc.FocusRecord(2);
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 2);  // the cursor followed
  f.ds.Prior();
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), 1);  // and the focus follows the cursor
  f.dc.DataModeController()->SetSyncMode(false);
  f.dc.FocusRecord(0);
  EXPECT_EQ(f.ds.RecNo(), 2);  // without sync mode the two stay apart
  f.dc.DataModeController()->SetGridModeBufferCount(-5);
  EXPECT_EQ(f.dc.DataModeController()->GridModeBufferCount(), 0);
}

// Moving the focus while the dataset holds an edit made outside the controller posts that edit:
// the cursor move is then a change, and the rows show what was posted.
TEST(DBDataSync, AFocusMoveThatPostsAnEditShowsThePostedValues) {
  for (bool smart : {false, true}) {
    SCOPED_TRACE(smart);
    DBFixture f;
    f.ds.First();
    f.dc.DataModeController()->SetSmartRefresh(smart);
    f.dc.SetDataSource(&f.source);
    f.ds.Edit();
    f.ds.FieldByName("NAME")->SetAsVariant(Variant("posted"));
    f.dc.FocusRecord(2);
    EXPECT_EQ(f.ds.State(), dsBrowse);
    EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 2);
    EXPECT_EQ(f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(3)), 1).AsString(), "posted");
    EXPECT_EQ(f.dc.GetFocusedRecordIndex(), f.dc.FindRecordIndexByKey(Variant(2)));
    // Once the posted edit is shown, a plain cursor move is a move again.
    f.ds.Edit();
    f.ds.FieldByName("NAME")->SetAsVariant(Variant("cancelled"));
    f.ds.Cancel();
    f.dc.FocusRecord(f.dc.FindRecordIndexByKey(Variant(1)));
    EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(2)), 1).AsString(), "b");
    // A read of every record while the dataset edits keeps what was typed (it is posted).
    f.ds.Edit();
    f.ds.FieldByName("NAME")->SetAsVariant(Variant("typed"));
    f.dc.DataChanged(dcTotal, -1, -1);
    EXPECT_EQ(f.ds.State(), dsBrowse);
    EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 1);
    EXPECT_EQ(f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(1)), 1).AsString(), "typed");
  }
}

// ---- Every type the query engine reads, from the embedded engine --------------------------------------

namespace {

TEST(DbDataControllerFirebird, LoadsEveryFieldTypeOfTheEngine) {
  TIBDatabase db;
  db.SetDatabaseName(FbFixtureDatabase("controller_types"));
  db.Params().SetValues("user_name", "SYSDBA");
  db.Params().SetValues("lc_ctype", "UTF8");
  db.Open();
  TIBTransaction t;
  t.SetDefaultDatabase(&db);
  t.StartTransaction();
  TIBDataSet ds(nullptr);
  ds.SetDatabase(&db);
  ds.SetTransaction(&t);
  ds.SetSelectSQL("SELECT * FROM CT ORDER BY ID");
  ds.Open();
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TkcDBDataController dc(nullptr);
  const char* names[] = {"ID", "SI", "BI", "N92", "N184", "F", "D", "B", "V", "T", "DT", "TM", "TS"};
  std::vector<std::unique_ptr<TObject>> items;
  for (int i = 0; i < 13; ++i) {
    items.push_back(std::make_unique<TObject>());
    dc.AddItem(items.back().get());
    dc.SetItemFieldName(i, names[i]);
  }
  dc.SetDataSource(&source);
  ASSERT_EQ(dc.GetRecordCount(), 2);
  struct Case {
    int item;
    TkcValueTypeClass type;
    const char* value;  // the value as text
  } cases[] = {
      {0, TkcIntegerValueType::Class(), "1"},           {1, TkcSmallintValueType::Class(), "-7"},
      {2, TkcLargeIntValueType::Class(), "9000000000"}, {3, TkcFMTBcdValueType::Class(), "12.34"},
      {4, TkcFMTBcdValueType::Class(), "-5.6789"},      {5, TkcFloatValueType::Class(), "1.5"},
      {6, TkcFloatValueType::Class(), "2.25"},          {7, TkcBooleanValueType::Class(), "True"},
      {8, TkcStringValueType::Class(), "Grüße"},        {9, TkcVariantValueType::Class(), "a text blob"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(names[c.item]);
    EXPECT_EQ(dc.GetItemValueTypeClass(c.item), c.type);
    EXPECT_EQ(dc.GetValue(0, c.item).AsString(), c.value);
    EXPECT_TRUE(dc.GetValue(1, c.item).IsNull() || c.item == 0);
  }
  EXPECT_EQ(dc.GetItemValueTypeClass(10), TkcDateTimeValueType::Class());
  EXPECT_DOUBLE_EQ(dc.GetValue(0, 10).AsDouble(), 45366.0);
  EXPECT_NEAR(dc.GetValue(0, 11).AsDouble(), (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_NEAR(dc.GetValue(0, 12).AsDouble(), 45366.0 + (13 * 3600 + 45 * 60 + 30) / 86400.0, 1e-9);
  EXPECT_TRUE(dc.GetValue(1, 12).IsNull());
  // Display texts are those of the dataset's fields.
  EXPECT_EQ(dc.GetDisplayText(0, 8), "Grüße");
  EXPECT_EQ(dc.GetDisplayText(0, 0), ds.FieldByName("ID")->DisplayText());
  dc.SetDataSource(nullptr);
  ds.Close();
  t.Commit();
  db.Close();
}

}  // namespace

// ---- Grid mode ------------------------------------------------------------------------------------------

namespace {

std::size_t benchmark_sink = 0;

struct GridFixture {
  // AWithFull: a second controller loads every record of the same dataset.
  explicit GridFixture(int ARows, bool AWithFull = true) {
    ds.FieldDefs().Add("ID", ftInteger, 0, true);
    ds.FieldDefs().Add("NAME", ftString, 20);
    ds.CreateDataSet();
    for (int i = 1; i <= ARows; ++i) ds.AppendRecord({Variant(i), Variant("n" + std::to_string(i))});
    source.SetDataSet(&ds);
    for (TkcDBDataController* c : {&full, &grid}) {
      for (const char* name : {"ID", "NAME"}) {
        items.push_back(std::make_unique<TObject>());
        c->AddItem(items.back().get());
        c->SetItemFieldName(c->GetItemCount() - 1, name);
      }
    }
    grid.DataModeController()->SetGridModeBufferCount(10);
    grid.DataModeController()->SetGridMode(true);
    ds.First();
    if (AWithFull) full.SetDataSource(&source);
    grid.SetDataSource(&source);
  }
  TClientDataSet ds{nullptr};
  TDataSource source{nullptr};
  TkcDBDataController full{nullptr}, grid{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
};

TEST(DBDataGridMode, TheBufferFollowsTheCursorWithTheValuesOfFullMode) {
  GridFixture f(500);
  ASSERT_TRUE(f.grid.IsGridMode());
  EXPECT_FALSE(f.full.IsGridMode());
  EXPECT_EQ(f.full.GetRecordCount(), 500);
  for (int recNo : {1, 5, 10, 11, 250, 500, 495, 3}) {
    SCOPED_TRACE(recNo);
    f.ds.SetRecNo(recNo);
    ASSERT_EQ(f.grid.GetRecordCount(), 10);
    const int row = f.grid.GetFocusedRecordIndex();  // the buffer row of the cursor
    ASSERT_GE(row, 0);
    EXPECT_EQ(f.grid.GetValue(row, 0).AsInteger(), recNo);
    const int first = recNo - 1 - row;  // the full-mode record shown in buffer row 0
    for (int r = 0; r < 10; ++r) {
      EXPECT_TRUE(VariantsEqual(f.grid.GetValue(r, 0), f.full.GetValue(first + r, 0)));
      EXPECT_EQ(f.grid.GetDisplayText(r, 1), f.full.GetDisplayText(first + r, 1));
    }
    EXPECT_EQ(f.ds.ActiveRecordPos(), f.ds.CurrentPos());  // reading rows gave the active record back
  }
  // Focusing a buffer row moves the dataset; scrolling moves past the buffer's bottom row.
  f.ds.First();
  f.grid.FocusRecord(7);
  EXPECT_EQ(f.ds.RecNo(), 8);
  f.grid.Provider()->Scroll(1);
  EXPECT_EQ(f.ds.RecNo(), 11);
  EXPECT_EQ(f.grid.GetFocusedRecordIndex(), 9);
  EXPECT_EQ(f.grid.GetValue(0, 0).AsInteger(), 2);
  // A change of the dataset shows in the buffer.
  f.ds.Edit();
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("changed"));
  f.ds.Post();
  EXPECT_EQ(f.grid.GetValue(f.grid.GetFocusedRecordIndex(), 1).AsString(), "changed");
  // Keys: never key-based in grid mode; a key outside the buffer is located in the dataset.
  f.grid.SetKeyFieldNames("ID");
  EXPECT_FALSE(f.grid.IsKeyBased());
  const int inBuffer = f.grid.GetValue(3, 0).AsInteger();
  EXPECT_EQ(f.grid.FindRecordIndexByKey(Variant(inBuffer)), 3);
  EXPECT_EQ(f.grid.FindRecordIndexByKey(Variant(400)), -1);
  EXPECT_TRUE(f.grid.LocateByKey(Variant(400)));
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 400);
  EXPECT_EQ(f.grid.GetValue(f.grid.GetFocusedRecordIndex(), 0).AsInteger(), 400);
  EXPECT_FALSE(f.grid.LocateByKey(Variant(9999)));
  // The buffer size: a new count reloads it; a negative one stands for the default of 100.
  f.grid.DataModeController()->SetGridModeBufferCount(20);
  EXPECT_EQ(f.grid.GetRecordCount(), 20);
  f.grid.DataModeController()->SetGridModeBufferCount(-5);
  EXPECT_EQ(f.grid.DataModeController()->GridModeBufferCount(), 0);
  EXPECT_EQ(f.grid.GetRecordCount(), 100);
  // Grouping needs every record: a grouped controller loads them all.
  f.grid.Groups()->SetItemGroupIndex(1, 0);
  EXPECT_FALSE(f.grid.IsGridMode());
  EXPECT_EQ(f.grid.GetRecordCount(), 500);
  f.grid.Groups()->ClearGrouping();
  EXPECT_TRUE(f.grid.IsGridMode());
  EXPECT_EQ(f.grid.GetRecordCount(), 100);
}

}  // namespace

TEST(DBDataEditing, SmartRefreshRereadsAddsOrRemovesOnlyTheChangedRecord) {
  DBFixture f;
  f.items.push_back(std::make_unique<TObject>());
  f.dc.AddItem(f.items.back().get());  // item 7: unbound, its values live only in the controller
  f.dc.DataModeController()->SetSmartRefresh(true);
  f.dc.SetDataSource(&f.source);
  ASSERT_TRUE(f.dc.IsSmartRefresh());
  auto mark = [&] {
    for (int r = 0; r < f.dc.GetRecordCount(); ++r) f.dc.SetValue(r, 7, Variant(f.dc.GetValue(r, 0).AsInteger()));
  };
  // A full reload would drop the unbound values: every record keeps its own.
  auto unboundKept = [&] {
    for (int r = 0; r < f.dc.GetRecordCount(); ++r)
      if (f.dc.GetValue(r, 7).IsNull()) return false;
    return true;
  };
  auto nameOf = [&](int id) { return f.dc.GetValue(f.dc.FindRecordIndexByKey(Variant(id)), 1).AsString(); };
  mark();
  // Edit through the controller, and on the dataset directly with a key change: re-read in place.
  f.dc.LocateByKey(Variant(1));
  ASSERT_TRUE(f.dc.SetItemEditValue(1, Variant("edited"), evsValue));
  f.dc.Post();
  EXPECT_EQ(nameOf(1), "edited");
  ASSERT_TRUE(f.ds.Locate("ID", Variant(2)));
  f.ds.Edit();
  f.ds.FieldByName("ID")->SetAsVariant(Variant(20));
  f.ds.Post();
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(20)), 2);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(2)), -1);
  EXPECT_EQ(f.dc.GetValue(2, 7).AsInteger(), 2);  // the same controller record
  f.ds.Edit();
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("dropped"));
  f.ds.Cancel();
  EXPECT_EQ(nameOf(20), "b");
  EXPECT_TRUE(unboundKept());
  // Inserts: a cancelled one adds nothing, a refused post loses nothing, a posted one is added.
  f.ds.Append();
  f.ds.Cancel();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  f.dc.Append();
  f.ds.FieldByName("NAME")->SetAsVariant(Variant("typed"));
  EXPECT_THROW(f.dc.Post(), EDatabaseError);  // ID is required
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "typed");
  f.ds.FieldByName("ID")->SetAsVariant(Variant(9));
  f.dc.Post();
  ASSERT_EQ(f.dc.GetRecordCount(), 4);
  EXPECT_EQ(nameOf(9), "typed");
  EXPECT_EQ(f.dc.GetFocusedRecordIndex(), f.dc.FindRecordIndexByKey(Variant(9)));
  EXPECT_TRUE(f.dc.GetValue(3, 7).IsNull());
  mark();
  // Deletes through the controller remove exactly those records.
  f.dc.LocateByKey(Variant(1));
  f.dc.DeleteFocused();
  EXPECT_EQ(f.dc.GetRecordCount(), 3);
  EXPECT_EQ(f.dc.FindRecordIndexByKey(Variant(1)), -1);
  std::vector<int> list{f.dc.FindRecordIndexByKey(Variant(3)), f.dc.FindRecordIndexByKey(Variant(9))};
  f.dc.DeleteRecordList(list);
  ASSERT_EQ(f.dc.GetRecordCount(), 1);
  EXPECT_EQ(f.ds.RecordCount(), 1);
  EXPECT_EQ(f.dc.GetValue(0, 0).AsInteger(), 20);
  EXPECT_TRUE(unboundKept());
  // Cursor moves keep the records; a refresh and a change the controller did not follow (a
  // delete on the dataset) read them all again.
  f.ds.First();
  EXPECT_TRUE(unboundKept());
  f.dc.RefreshData();
  EXPECT_TRUE(f.dc.GetValue(0, 7).IsNull());
  f.ds.Delete();
  EXPECT_EQ(f.dc.GetRecordCount(), 0);
}

// A key the server gives at the post (Null while the new row was edited): the posted row is found
// by its new key and keeps the focus; the other rows are not read again.
TEST(DBDataEditing, SmartRefreshFindsARowWhoseKeyTheServerGave) {
  TClientDataSet ds{nullptr};
  ds.FieldDefs().Add("ID", ftAutoInc);
  ds.FieldDefs().Add("NAME", ftString, 20);
  ds.CreateDataSet();
  ds.AppendRecord({Variant(1), Variant("a")});
  ds.AppendRecord({Variant(2), Variant("b")});
  int next = 3;
  ds.BeforePost = [&next](TDataSet* d) {
    if (d->FieldByName("ID")->IsNull()) d->FieldByName("ID")->SetAsVariant(Variant(next++));
  };
  TDataSource source{nullptr};
  source.SetDataSet(&ds);
  TkcDBDataController dc{nullptr};
  TObject id, name, unbound;
  dc.AddItem(&id);
  dc.SetItemFieldName(0, "ID");
  dc.AddItem(&name);
  dc.SetItemFieldName(1, "NAME");
  dc.AddItem(&unbound);
  dc.SetKeyFieldNames("ID");
  dc.DataModeController()->SetSmartRefresh(true);
  dc.SetDataSource(&source);
  dc.SetValue(0, 2, Variant("kept"));
  for (const char* typed : {"c", "d"}) {
    dc.Append();
    ASSERT_TRUE(dc.SetItemEditValue(1, Variant(typed), evsValue));
    EXPECT_TRUE(dc.GetValue(dc.GetFocusedRecordIndex(), 0).IsNull());
    dc.Post();
  }
  ASSERT_EQ(dc.GetRecordCount(), 4);
  EXPECT_EQ(dc.GetValue(dc.FindRecordIndexByKey(Variant(3)), 1).AsString(), "c");
  EXPECT_EQ(dc.GetFocusedRecordIndex(), dc.FindRecordIndexByKey(Variant(4)));
  EXPECT_EQ(dc.GetValue(dc.GetFocusedRecordIndex(), 1).AsString(), "d");
  EXPECT_EQ(dc.GetValue(0, 2).AsString(), "kept");
}

namespace {

TEST(DBDataGridMode, SelectionIsKeptAsBookmarksInTheDataSetsOrder) {
  GridFixture f(50, false);
  f.grid.SetMultiSelect(true);
  auto idOf = [&](const String& bookmark) {
    f.ds.GotoBookmark(bookmark);
    return f.ds.FieldByName("ID")->AsInteger();
  };
  f.ds.First();
  f.grid.SetSelectionAnchor(2);  // record 3
  EXPECT_TRUE(f.grid.HasSelectionAnchor());
  EXPECT_EQ(f.grid.GetSelectionAnchorRowIndex(), -1);
  f.ds.SetRecNo(20);
  const int row = f.grid.GetFocusedRecordIndex();
  f.grid.SelectFromAnchor(row, false);  // records 3 .. 20, most of them outside the buffer now
  ASSERT_EQ(f.grid.GetSelectedCount(), 18);
  EXPECT_EQ(f.grid.GetSelectedRowIndex(0), -1);
  EXPECT_EQ(f.grid.GetSelectedRowIndex(17), row);
  EXPECT_TRUE(f.grid.IsRowSelected(row));
  EXPECT_EQ(f.ds.RecNo(), 20);  // the walk gave the cursor back
  EXPECT_EQ(idOf(f.grid.GetSelectedBookmark(0)), 3);
  EXPECT_EQ(idOf(f.grid.GetAnchorBookmark()), 3);
  // Backwards from a new anchor, joining the selection: records 3 .. 30 once each.
  f.ds.SetRecNo(30);
  f.grid.SetSelectionAnchor(f.grid.GetFocusedRecordIndex());
  f.ds.SetRecNo(25);
  f.grid.SelectFromAnchor(f.grid.GetFocusedRecordIndex(), true);
  EXPECT_EQ(f.grid.GetSelectedCount(), 24);
  f.ds.SetRecNo(10);
  f.grid.SelectFromAnchor(f.grid.GetFocusedRecordIndex(), true);
  ASSERT_EQ(f.grid.GetSelectedCount(), 28);
  for (int i = 0; i < 28; ++i) EXPECT_EQ(idOf(f.grid.GetSelectedBookmark(i)), 3 + i);
  // Selecting a row of the buffer adds its bookmark at its place.
  f.ds.SetRecNo(40);
  f.grid.ChangeRowSelection(f.grid.GetFocusedRecordIndex(), true);
  EXPECT_EQ(f.grid.GetSelectedCount(), 29);
  EXPECT_EQ(idOf(f.grid.GetSelectedBookmark(28)), 40);
  // A record deleted in the dataset leaves the selection at the next buffer reload.
  f.ds.SetRecNo(40);
  f.ds.Delete();
  EXPECT_EQ(f.grid.GetSelectedCount(), 28);
  f.grid.SelectAll();
  EXPECT_EQ(f.grid.GetSelectedCount(), 49);
  // Row checks, and bookmarks outside grid mode.
  EXPECT_THROW(f.grid.SetSelectionAnchor(10), EkcInvalidDataControllerOperation);
  EXPECT_THROW(f.full.GetSelectedBookmark(0), EkcInvalidDataControllerOperation);
  EXPECT_THROW(f.full.GetAnchorBookmark(), EkcInvalidDataControllerOperation);
}

// Deleting a grid-mode selection deletes every selected record, also those outside the buffer.
TEST(DBDataGridMode, DeletingTheSelectionReachesRecordsOutsideTheBuffer) {
  GridFixture f(60, false);
  f.grid.SetMultiSelect(true);
  f.ds.SetRecNo(5);
  f.grid.SetSelectionAnchor(f.grid.GetFocusedRecordIndex());
  f.ds.SetRecNo(34);
  f.grid.SelectFromAnchor(f.grid.GetFocusedRecordIndex(), false);  // records 5 .. 34
  ASSERT_EQ(f.grid.GetSelectedCount(), 30);
  f.grid.DeleteSelectedRecords();
  EXPECT_EQ(f.ds.RecordCount(), 30);
  EXPECT_EQ(f.grid.GetSelectedCount(), 0);
  std::vector<int> ids;
  for (f.ds.First(); !f.ds.Eof(); f.ds.Next()) ids.push_back(f.ds.FieldByName("ID")->AsInteger());
  ASSERT_EQ(ids.size(), 30u);
  EXPECT_EQ(ids[3], 4);
  EXPECT_EQ(ids[4], 35);
}

TEST(DBDataGridMode, IncrementalSearchMovesTheDataSet) {
  GridFixture f(300, false);
  f.ds.First();
  TkcDataControllerSearch* search = f.grid.Search();
  ASSERT_TRUE(search->Locate(1, "N25"));  // case ignored; the first from the cursor on
  EXPECT_EQ(f.ds.RecNo(), 25);
  EXPECT_EQ(f.grid.GetValue(f.grid.GetFocusedRecordIndex(), 1).AsString(), "n25");
  ASSERT_TRUE(search->LocateNext(true));
  EXPECT_EQ(f.ds.RecNo(), 250);
  ASSERT_TRUE(search->LocateNext(false));
  EXPECT_EQ(f.ds.RecNo(), 25);
  EXPECT_FALSE(search->LocateNext(false));  // continuing does not wrap
  EXPECT_EQ(f.ds.RecNo(), 25);
  // From the last record a new search continues at the first.
  f.ds.Last();
  ASSERT_TRUE(search->Locate(1, "n2"));
  EXPECT_EQ(f.ds.RecNo(), 2);
  EXPECT_FALSE(search->Locate(1, "zz"));
  EXPECT_EQ(f.ds.RecNo(), 2);  // the position is given back
}

// A full read of the dataset by another controller, or the grid's own walk, leaves the grid's
// current record on the buffer row it had, and the buffer showing the same records.
TEST(DBDataGridMode, ReadingTheDataSetKeepsTheCurrentBufferRow) {
  GridFixture f(60);
  // (record the cursor goes to, buffer row then focused): inside, at the end, at the start.
  const std::pair<int, int> positions[] = {{30, 3}, {60, 7}, {1, 0}};
  for (const auto& [recNo, row] : positions) {
    SCOPED_TRACE(recNo);
    f.ds.SetRecNo(recNo);
    f.grid.FocusRecord(row);
    const int current = f.ds.RecNo();
    const int top = f.grid.GetValue(0, 0).AsInteger();
    const std::function<void()> reads[] = {
        [&] { f.full.RefreshData(); },
        [&] { f.full.DataChanged(dcTotal, -1, -1); },
        [&] { f.grid.SelectAll(); },
        [&] { f.grid.FindInSource("none", true, true); },
    };
    for (const auto& read : reads) {
      read();
      EXPECT_EQ(f.ds.RecNo(), current);
      EXPECT_EQ(f.grid.GetFocusedRecordIndex(), row);
      EXPECT_EQ(f.grid.GetValue(0, 0).AsInteger(), top);
    }
  }
}

TEST(DBDataGridMode, TheBookmarkIsTheDataSetsBookmark) {
  GridFixture f(300, false);
  int notices = 0;
  f.grid.OnUpdateControl = [&](TkcUpdateControlInfo* AInfo) {
    notices += dynamic_cast<TkcBookmarkChangedInfo*>(AInfo) != nullptr;
  };
  f.ds.SetRecNo(5);
  f.grid.SaveBookmark();
  EXPECT_EQ(notices, 1);
  f.grid.SaveBookmark();  // the same record: no notice
  EXPECT_EQ(notices, 1);
  EXPECT_TRUE(f.grid.IsBookmarkRow(f.grid.GetFocusedRecordIndex()));
  f.ds.SetRecNo(200);
  EXPECT_FALSE(f.grid.IsBookmarkRow(f.grid.GetFocusedRecordIndex()));
  f.grid.GotoBookmark();
  EXPECT_EQ(f.ds.RecNo(), 5);
  EXPECT_TRUE(f.grid.IsBookmarkRow(f.grid.GetFocusedRecordIndex()));
  // The record goes: so does the bookmark.
  f.ds.Delete();
  EXPECT_FALSE(f.grid.IsBookmarkAvailable());
  EXPECT_EQ(notices, 2);
}

TEST(DBDataGridMode, AMillionRowRangeSelection) {
  const int rows = 1000000;
  GridFixture f(rows, false);
  f.grid.SetMultiSelect(true);
  using Clock = std::chrono::steady_clock;
  auto since = [](Clock::time_point t) { return std::chrono::duration<double>(Clock::now() - t).count(); };
  // The anchor: one plain walk over the dataset reading each bookmark.
  auto t = Clock::now();
  for (f.ds.First(); !f.ds.Eof(); f.ds.Next()) benchmark_sink = f.ds.Bookmark().size();
  const double walk = since(t);
  f.ds.First();
  f.grid.SetSelectionAnchor(0);
  f.ds.Last();
  t = Clock::now();
  f.grid.SelectFromAnchor(f.grid.GetFocusedRecordIndex(), false);
  // Again over the first half, joining the selection: each bookmark is merged once.
  f.ds.SetRecNo(rows / 2);
  f.grid.SelectFromAnchor(f.grid.GetFocusedRecordIndex(), true);
  const double select = since(t);
  EXPECT_EQ(f.grid.GetSelectedCount(), rows);
  EXPECT_EQ(f.grid.GetSelectedRowIndex(0), -1);
  EXPECT_EQ(f.grid.GetSelectedRowIndex(rows / 2 - 1), f.grid.GetFocusedRecordIndex());
  // Two walks with a compare or two per record; an insert per bookmark would take hours.
  EXPECT_LT(select, walk * 20) << select << " s against a walk of " << walk << " s";
  std::printf("range selection of %d rows: %.3f s, plain walk %.3f s\n", rows, select, walk);
}

}  // namespace

// ---- Positioning a detail dataset on its master's key ------------------------------------------------------

namespace {

// A dataset with parameters; each open counts.
class TParamDataSet : public TClientDataSet {
  VT_CLASS(TParamDataSet, TClientDataSet)
public:
  using TClientDataSet::TClientDataSet;
  TStrings* ParamsList() override { return &Params; }
  TStringList Params;
};

TEST(DBDetailFilter, ReopensAParameterQueryOrLocatesTheKey) {
  TParamDataSet query(nullptr);
  query.FieldDefs().Add("MASTER", ftInteger);
  query.FieldDefs().Add("LINE", ftInteger);
  query.CreateDataSet();
  query.Params.SetValues("MASTER", "1");
  int opens = 0;
  query.AfterOpen = [&](TDataSet*) { ++opens; };
  int index = -1;
  ASSERT_TRUE(DetailFilterAdapters()->FindAdapter(TParamDataSet::StaticClass(), index));
  auto* adapter = dynamic_cast<TkcDBProviderDetailFilterAdapter*>(DetailFilterAdapters()->Items(index));
  ASSERT_NE(adapter, nullptr);
  EXPECT_TRUE(adapter->IsCurrentQuery(&query, "MASTER", Variant(1)));
  EXPECT_FALSE(adapter->IsCurrentQuery(&query, "MASTER", Variant(2)));
  EXPECT_FALSE(adapter->IsCurrentQuery(&query, "MASTER;LINE", Variant::MakeArray({Variant(1), Variant(5)})));
  // Parameters already holding the key: only moved to the first record.
  bool reopened = false;
  adapter->ReopenDetailQuery(&query, "MASTER", Variant(1), reopened);
  EXPECT_FALSE(reopened);
  EXPECT_EQ(opens, 0);
  adapter->SelectDetail(&query, "MASTER", Variant(2), true, reopened);
  EXPECT_TRUE(reopened);
  EXPECT_EQ(opens, 1);
  EXPECT_EQ(query.Params.Values("MASTER"), "2");
  EXPECT_TRUE(query.Active());
  // A dataset without parameters is never the current query and is left alone.
  TClientDataSet plain(nullptr);
  plain.FieldDefs().Add("MASTER", ftInteger);
  plain.CreateDataSet();
  plain.AppendRecord({Variant(1)});
  plain.AppendRecord({Variant(2)});
  EXPECT_FALSE(adapter->IsCurrentQuery(&plain, "MASTER", Variant(2)));
  reopened = false;
  adapter->ReopenDetailQuery(&plain, "MASTER", Variant(2), reopened);
  EXPECT_FALSE(reopened);
  // Outside SQL mode the key is located.
  plain.First();
  adapter->SelectDetail(&plain, "MASTER", Variant(2), false, reopened);
  EXPECT_EQ(plain.FieldByName("MASTER")->AsInteger(), 2);
  // The mode controller: the application's events first, else the adapter of the dataset's class.
  TDataSource source(nullptr);
  TkcDBDataController dc(nullptr);
  EXPECT_THROW(dc.DataModeController()->DetailIsCurrentQuery("MASTER", Variant(1)), EkcInvalidDataControllerOperation);
  source.SetDataSet(&plain);
  dc.SetDataSource(&source);
  plain.First();
  dc.DataModeController()->DetailFirst("MASTER", Variant(2), reopened);
  EXPECT_EQ(plain.FieldByName("MASTER")->AsInteger(), 2);
  dc.DataModeController()->OnDetailIsCurrentQuery = [&](TkcDBDataModeController*, TDataSet* ds, const String& names,
                                                        const Variant&) { return ds == &plain && names == "MASTER"; };
  EXPECT_TRUE(dc.DataModeController()->DetailIsCurrentQuery("MASTER", Variant(7)));
  dc.DataModeController()->OnDetailFirst = [](TkcDBDataModeController*, TDataSet*, const String&, const Variant&,
                                              bool& AReopened) { AReopened = true; };
  dc.DataModeController()->DetailFirst("MASTER", Variant(1), reopened);
  EXPECT_TRUE(reopened);
  EXPECT_EQ(plain.FieldByName("MASTER")->AsInteger(), 2);  // the event did the work, not the adapter
}

// ---- Master-detail over a shared detail dataset ------------------------------------------------------

// A grid level stand-in: the detail of a master record is a copy of the template's settings.
struct DetailHolder : TObject {
  TkcDBDataController Detail{nullptr};
  TObject id, qty;
};

struct MasterController : TkcDBDataController {
  using TkcDBDataController::TkcDBDataController;
  TObject* CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) override {
    auto* templ = static_cast<TkcDBDataController*>(ARelation->DetailDataController());
    auto* h = new DetailHolder();
    h->Detail.AddItem(&h->id);
    h->Detail.AddItem(&h->qty);
    h->Detail.SetItemFieldName(0, "ID");
    h->Detail.SetItemFieldName(1, "QTY");
    h->Detail.DataModeController()->Assign(templ->DataModeController());
    h->Detail.SetKeyFieldNames(templ->KeyFieldNames());
    h->Detail.SetDetailKeyFieldNames(templ->DetailKeyFieldNames());
    h->Detail.SetMasterKeyFieldNames(templ->MasterKeyFieldNames());
    h->Detail.SetMasterRelationAndRecord(ARelation, ARecordIndex);
    h->Detail.SetDataSource(templ->DataSource());
    return h;
  }
  TkcCustomDataController* GetDetailHolderDataController(TObject* AHolder) override {
    auto* h = dynamic_cast<DetailHolder*>(AHolder);
    return h ? &h->Detail : nullptr;
  }
};

struct MasterDetailFixture {
  // Over the given datasets, or over client datasets of the same rows.
  explicit MasterDetailFixture(TDataSet* AOrders = nullptr, TDataSet* ALines = nullptr)
      : ordersSet(AOrders ? AOrders : &orders), linesSet(ALines ? ALines : &lines) {
    orders.FieldDefs().Add("ID", ftInteger);
    orders.FieldDefs().Add("NAME", ftString, 10);
    orders.CreateDataSet();
    for (int id : {1, 2, 3}) orders.AppendRecord({id, "order " + std::to_string(id)});
    lines.FieldDefs().Add("ID", ftInteger);
    lines.FieldDefs().Add("ORDER_ID", ftInteger);
    lines.FieldDefs().Add("QTY", ftInteger);
    lines.CreateDataSet();
    // The rows of one order are adjacent, as a detail dataset ordered by its key keeps them.
    for (auto [id, order] : std::vector<std::pair<int, int>>{{10, 1}, {11, 1}, {30, 3}, {31, 3}, {32, 3}})
      lines.AppendRecord({id, order, id * 2});
    ordersSource.SetDataSet(ordersSet);
    linesSource.SetDataSet(linesSet);
    master.AddItem(&masterId);
    master.AddItem(&masterName);
    master.SetItemFieldName(0, "ID");
    master.SetItemFieldName(1, "NAME");
    master.SetKeyFieldNames("ID");
    master.SetDataSource(&ordersSource);
    relation = dynamic_cast<TkcDBDataRelation*>(master.GetRelations()->Add(&level));
    templ.SetKeyFieldNames("ID");
    templ.SetDetailKeyFieldNames("ORDER_ID");
    templ.SetMasterKeyFieldNames("ID");
    templ.SetMasterRelation(relation, true);
    templ.SetDataSource(&linesSource);
  }
  // The datasets leave their sources while every controller still exists, as a form closing
  // its data module would, so no controller hears of it half destroyed.
  ~MasterDetailFixture() {
    linesSource.SetDataSet(nullptr);
    ordersSource.SetDataSet(nullptr);
  }
  TkcDBDataController* Detail(int ARecordIndex) {
    master.SetDetailExpanded(ARecordIndex, true);
    master.GetDetailHolder(ARecordIndex, 0);
    return static_cast<TkcDBDataController*>(master.GetDetailDataController(ARecordIndex, 0));
  }
  std::vector<int> Ids(TkcDBDataController* AController) {
    std::vector<int> ids;
    for (int r = 0; r < AController->GetRecordCount(); ++r) ids.push_back(AController->GetValue(r, 0).AsInteger());
    return ids;
  }
  TDataSet* Orders() const { return ordersSet; }
  TDataSet* Lines() const { return linesSet; }
  TClientDataSet orders{nullptr}, lines{nullptr};
  TDataSet *ordersSet, *linesSet;
  TDataSource ordersSource{nullptr}, linesSource{nullptr};
  MasterController master{nullptr};
  TkcDBDataController templ{nullptr};
  TkcDBDataRelation* relation = nullptr;
  TObject masterId, masterName, level;
};

TEST(DBDataMasterDetail, DetailsReadTheirMasterRecordsRowsOfTheSharedDataSet) {
  MasterDetailFixture f;
  ASSERT_NE(f.relation, nullptr);
  ASSERT_NE(f.relation->MasterKeyField(), nullptr);
  EXPECT_EQ(f.relation->MasterKeyField()->DBField(), f.Orders()->FieldByName("ID"));
  EXPECT_EQ(f.relation->GetMasterKeyValues(2).AsInteger(), 3);
  // Children are found by locating the key; the detail dataset's cursor is given back.
  f.Lines()->Last();
  EXPECT_TRUE(f.master.HasDetailChildren(0, 0));
  EXPECT_FALSE(f.master.HasDetailChildren(1, 0));
  EXPECT_TRUE(f.master.HasDetailChildren(2, 0));
  EXPECT_EQ(f.Lines()->FieldByName("ID")->AsInteger(), 32);

  TkcDBDataController* third = f.Detail(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
  EXPECT_EQ(third->MasterDetailKeyValues().AsInteger(), 3);
  TkcDBDataController* first = f.Detail(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));  // the other read did not disturb it
  EXPECT_EQ(f.Ids(f.Detail(1)), std::vector<int>{});

  // Focusing a row of one detail moves the shared dataset there; the other detail lets go.
  ASSERT_TRUE(third->FocusRecord(1));
  EXPECT_EQ(f.Lines()->FieldByName("ID")->AsInteger(), 31);
  EXPECT_TRUE(third->Provider()->IsDataSetCurrent());
  EXPECT_FALSE(first->Provider()->IsDataSetCurrent());
  EXPECT_EQ(first->GetFocusedRecordIndex(), -1);
  ASSERT_TRUE(first->FocusRecord(0));
  EXPECT_EQ(f.Lines()->FieldByName("ID")->AsInteger(), 10);
  EXPECT_FALSE(third->Provider()->IsDataSetCurrent());
  EXPECT_EQ(third->GetFocusedRecordIndex(), -1);

  // A new detail row belongs to its master record; with nothing else typed it is dropped, not
  // posted.
  first->Append();
  ASSERT_EQ(f.Lines()->State(), dsInsert);
  EXPECT_EQ(f.Lines()->FieldByName("ORDER_ID")->AsInteger(), 1);
  EXPECT_EQ(first->GetRecordCount(), 3);
  first->FinishEditing();
  EXPECT_EQ(f.Lines()->State(), dsBrowse);
  EXPECT_EQ(f.Lines()->RecordCount(), 5);
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  // Cancelling an appended row leaves the cursor on the detail's last row, not at the end of
  // the shared dataset (another order's rows).
  first->Append();
  f.Lines()->FieldByName("QTY")->SetAsVariant(Variant(3));
  first->Cancel();
  EXPECT_EQ(f.Lines()->State(), dsBrowse);
  EXPECT_EQ(f.Lines()->FieldByName("ID")->AsInteger(), 11);
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));

  // A change of the template's key names re-makes the master key field.
  f.templ.SetMasterKeyFieldNames("ID;NAME");
  ASSERT_NE(f.relation->MasterKeyField(), nullptr);
  EXPECT_EQ(f.relation->MasterKeyField()->FieldName(), "ID;NAME");
  // Without master key names there is no link: no locate, no rows.
  f.templ.SetMasterKeyFieldNames("");
  EXPECT_EQ(f.templ.GetLinkedDetailKeyFieldNames(), "");
  EXPECT_FALSE(f.master.HasDetailChildren(2, 0));
}

TEST(DBDataMasterDetail, TheMasterFollowsTheSharedDetailDataSet) {
  MasterDetailFixture f;
  f.master.FocusRecord(0);
  // The detail dataset moves to a row of the third order (a navigator, a script).
  ASSERT_TRUE(f.Lines()->Locate("ID", Variant(31)));
  EXPECT_EQ(f.Orders()->FieldByName("ID")->AsInteger(), 3);
  EXPECT_EQ(f.master.GetFocusedRecordIndex(), 2);
  EXPECT_TRUE(f.master.IsDetailExpanded(2));
  auto* detail = static_cast<TkcDBDataController*>(f.master.GetDetailDataController(2, 0));
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(f.Ids(detail), (std::vector<int>{30, 31, 32}));
  EXPECT_EQ(f.Lines()->FieldByName("ID")->AsInteger(), 31);  // reading the detail gave the cursor back
  EXPECT_EQ(detail->GetFocusedRecordIndex(), 1);
  ASSERT_TRUE(f.Lines()->Locate("ID", Variant(32)));
  EXPECT_EQ(detail->GetFocusedRecordIndex(), 2);
  ASSERT_TRUE(f.Lines()->Locate("ID", Variant(11)));
  EXPECT_EQ(f.master.GetFocusedRecordIndex(), 0);
  EXPECT_TRUE(f.master.IsDetailExpanded(0));
  // The application may answer which master records have children.
  f.master.OnDetailHasChildren = [](TkcDBDataController*, int ARecordIndex, int, const String& ANames,
                                    const Variant& AValues, bool& AHas) {
    AHas = ANames == "ORDER_ID" && AValues.AsInteger() == 2 && ARecordIndex == 1;
  };
  f.master.RefreshDetailHasChildren();
  EXPECT_TRUE(f.master.HasDetailChildren(1, 0));  // order 2 has no lines, but the application says so
}

// A detail query: each open runs the statement for its ORDER_ID parameter.
TEST(DBDataMasterDetail, DetailQueriesAreReopenedForTheirMasterRecord) {
  MasterDetailFixture f;
  TParamDataSet query(nullptr);
  for (const char* name : {"ID", "ORDER_ID", "QTY"}) query.FieldDefs().Add(name, ftInteger);
  int opens = 0;
  query.AfterOpen = [&](TDataSet*) {
    ++opens;
    const int order = StrToIntDef(query.Params.Values("ORDER_ID"), 0);
    for (auto [id, master] : std::vector<std::pair<int, int>>{{10, 1}, {11, 1}, {30, 3}, {31, 3}, {32, 3}})
      if (master == order) query.AppendRecord({id, master, id * 2});
    query.First();  // an opened query stands on its first row
  };
  query.Params.SetValues("ORDER_ID", "0");
  query.CreateDataSet();
  TDataSource querySource(nullptr);
  querySource.SetDataSet(&query);
  f.templ.DataModeController()->DetailInSQLMode = true;
  f.templ.SetDataSource(&querySource);
  EXPECT_FALSE(f.master.HasDetailChildren(2, 0));  // a query is not searched for children

  opens = 0;
  TkcDBDataController* third = f.Detail(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
  EXPECT_EQ(query.Params.Values("ORDER_ID"), "3");
  EXPECT_EQ(opens, 1);
  TkcDBDataController* first = f.Detail(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  EXPECT_EQ(opens, 2);
  // The query now holds another order's rows: the third detail keeps its own.
  EXPECT_TRUE(third->IsDetailQueryStale());
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
  // Visiting its rows reopens the query for its order first.
  ASSERT_TRUE(third->FocusRecord(1));
  EXPECT_EQ(query.Params.Values("ORDER_ID"), "3");
  EXPECT_EQ(opens, 3);
  EXPECT_EQ(query.FieldByName("ID")->AsInteger(), 31);
  EXPECT_TRUE(third->Provider()->IsDataSetCurrent());
  EXPECT_FALSE(first->Provider()->IsDataSetCurrent());
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  ASSERT_TRUE(third->FocusRecord(2));  // already current: no reopen
  EXPECT_EQ(opens, 3);
}

// The same over the query engine's datasets on the embedded engine.
// A detail of a record copies its template: items, keys, and the template's own relations, so
// its records have details of their own.
struct LevelController : TkcDBDataController {
  using TkcDBDataController::TkcDBDataController;
  TObject* CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) override;
  TkcCustomDataController* GetDetailHolderDataController(TObject* AHolder) override;
};

struct LevelHolder : TObject {
  LevelController Detail{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
};

TObject* LevelController::CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) {
  TkcDBDataController* templ = static_cast<TkcDBDataRelation*>(ARelation)->TemplateController();
  auto* h = new LevelHolder();
  for (int i = 0; i < templ->GetItemCount(); ++i) {
    h->items.push_back(std::make_unique<TObject>());
    h->Detail.AddItem(h->items.back().get());
    h->Detail.SetItemFieldName(i, templ->GetItemFieldName(i));
  }
  h->Detail.SetKeyFieldNames(templ->KeyFieldNames());
  h->Detail.SetDetailKeyFieldNames(templ->DetailKeyFieldNames());
  h->Detail.SetMasterKeyFieldNames(templ->MasterKeyFieldNames());
  if (templ->HasRelations())
    for (int i = 0; i < templ->GetRelations()->GetCount(); ++i)
      h->Detail.GetRelations()->Add(templ->GetRelations()->GetItem(i)->Item());
  h->Detail.SetMasterRelationAndRecord(ARelation, ARecordIndex);
  h->Detail.SetDataSource(templ->DataSource());
  return h;
}

TkcCustomDataController* LevelController::GetDetailHolderDataController(TObject* AHolder) {
  auto* h = dynamic_cast<LevelHolder*>(AHolder);
  return h ? &h->Detail : nullptr;
}

TEST(DBDataMasterDetail, ADetailOfADetailReadsTheRowsOfItsOwnMasterRecord) {
  MasterDetailFixture f;
  TClientDataSet notes{nullptr};
  notes.FieldDefs().Add("ID", ftInteger);
  notes.FieldDefs().Add("LINE_ID", ftInteger);
  notes.CreateDataSet();
  for (auto [id, line] : std::vector<std::pair<int, int>>{{100, 10}, {300, 30}, {301, 30}, {320, 32}})
    notes.AppendRecord({id, line});
  TDataSource notesSource{nullptr};
  notesSource.SetDataSet(&notes);
  LevelController lines{nullptr}, notesTempl{nullptr};
  TObject lineId, lineQty, noteId, level2;
  // The middle level: a template of its own with a relation to the notes.
  lines.AddItem(&lineId);
  lines.AddItem(&lineQty);
  lines.SetItemFieldName(0, "ID");
  lines.SetItemFieldName(1, "QTY");
  lines.SetKeyFieldNames("ID");
  lines.SetDetailKeyFieldNames("ORDER_ID");
  lines.SetMasterKeyFieldNames("ID");
  f.templ.SetMasterKeyFieldNames("");  // the fixture's own template leaves the relation
  lines.SetMasterRelation(f.relation, true);
  lines.SetDataSource(&f.linesSource);
  auto* relation2 = dynamic_cast<TkcDBDataRelation*>(lines.GetRelations()->Add(&level2));
  ASSERT_NE(relation2, nullptr);
  notesTempl.AddItem(&noteId);
  notesTempl.SetItemFieldName(0, "ID");
  notesTempl.SetKeyFieldNames("ID");
  notesTempl.SetDetailKeyFieldNames("LINE_ID");
  notesTempl.SetMasterKeyFieldNames("ID");
  notesTempl.SetMasterRelation(relation2, true);
  notesTempl.SetDataSource(&notesSource);

  LevelController master{nullptr};
  master.AddItem(&f.masterId);
  master.SetItemFieldName(0, "ID");
  master.SetKeyFieldNames("ID");
  master.SetDataSource(&f.ordersSource);
  auto* relation1 = master.GetRelations()->Add(&f.level);
  lines.SetMasterRelation(relation1, true);
  auto detail = [](TkcDBDataController* AMaster, int ARecord) {
    AMaster->SetDetailExpanded(ARecord, true);
    AMaster->GetDetailHolder(ARecord, 0);
    return static_cast<TkcDBDataController*>(AMaster->GetDetailDataController(ARecord, 0));
  };
  TkcDBDataController* order3 = detail(&master, 2);
  ASSERT_NE(order3, nullptr);
  ASSERT_EQ(f.Ids(order3), (std::vector<int>{30, 31, 32}));
  // Each line of order 3 knows which notes it has, and reads just those.
  EXPECT_TRUE(order3->HasDetailChildren(0, 0));
  EXPECT_FALSE(order3->HasDetailChildren(1, 0));
  EXPECT_TRUE(order3->HasDetailChildren(2, 0));
  TkcDBDataController* line30 = detail(order3, 0);
  TkcDBDataController* line32 = detail(order3, 2);
  ASSERT_NE(line30, nullptr);
  ASSERT_NE(line32, nullptr);
  EXPECT_EQ(line30->MasterDetailKeyValues().AsInteger(), 30);
  EXPECT_EQ(f.Ids(line30), (std::vector<int>{300, 301}));
  EXPECT_EQ(f.Ids(line32), std::vector<int>{320});
  EXPECT_EQ(f.Ids(detail(order3, 1)), std::vector<int>{});
  TkcDBDataController* order1 = detail(&master, 0);
  EXPECT_EQ(f.Ids(detail(order1, 0)), std::vector<int>{100});
}

TEST(DbDataControllerFirebird, MasterDetailOverQueryDataSets) {
  TIBDatabase db;
  FbAttach(db, FbFixtureDatabase("controller_types"));
  TIBTransaction t;
  t.SetDefaultDatabase(&db);
  t.StartTransaction();
  TIBDataSet orders(nullptr), lines(nullptr);
  for (auto [ds, sql] : {std::pair<TIBDataSet*, const char*>{&orders, "SELECT ID, NAME FROM ORD ORDER BY ID"},
                         {&lines, "SELECT ID, ORDER_ID, QTY FROM LINE ORDER BY ORDER_ID, ID"}}) {
    ds->SetDatabase(&db);
    ds->SetTransaction(&t);
    ds->SetSelectSQL(sql);
    ds->Open();
  }
  {
    MasterDetailFixture f(&orders, &lines);
    EXPECT_TRUE(f.master.HasDetailChildren(0, 0));
    EXPECT_FALSE(f.master.HasDetailChildren(1, 0));
    TkcDBDataController* third = f.Detail(2);
    TkcDBDataController* first = f.Detail(0);
    ASSERT_TRUE(third && first);
    EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
    EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
    EXPECT_EQ(third->GetValue(2, 1).AsInteger(), 64);
    ASSERT_TRUE(lines.Locate("ID", Variant(31)));
    EXPECT_EQ(f.master.GetFocusedRecordIndex(), 2);
    EXPECT_EQ(third->GetFocusedRecordIndex(), 1);
  }
  orders.Close();
  lines.Close();
  t.Commit();
  db.Close();
}

}  // namespace
