// The table view's data model headless: the "Data" form property (also damaged and hostile),
// item data binding and filter values, records made lazily and dropped at data changes, record
// and focus changes in the queue, the filter history and the column summaries.

#include <gtest/gtest.h>

#include "filter-builder/kcFilterDialog.h"

#include "data/kcDataUtils.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"
#include "grid/kcGridTableViewData.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct DataFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcGrid* grid;
  TkcGridTableView* view;
  explicit DataFixture(int rows = 5) {
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridTableView>(&form);
    view->OptionsView()->SetGroupByBox(false);  // the rows below count from the header
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 300, 100);
    for (const char* c : {"Name", "N"}) view->CreateColumn()->SetCaption(c);
    view->Columns(1)->SetValueTypeClass(TkcIntegerValueType::Class());
    Load(view, rows);
    form.Show();
    session.ProcessMessages();
  }
  static void Load(TkcGridTableView* AView, int rows) {
    TkcCustomDataController* dc = AView->DataController();
    dc->BeginUpdate();
    dc->SetRecordCount(rows);
    for (int r = 0; r < rows; ++r) {
      dc->SetValue(r, 0, Variant("v" + std::to_string(r % 3)));
      dc->SetValue(r, 1, Variant(r));
    }
    dc->EndUpdate();
  }
  TkcCustomDataController* dc() { return view->DataController(); }
  TkcCustomGridTableViewData* data() { return view->TableViewData(); }
  TkcGridColumn* col(int i) { return view->Columns(i); }
};

// A standalone view with the same two columns.
std::unique_ptr<TkcGridTableView> PlainView() {
  std::unique_ptr<TkcGridTableView> v(CreateGridView<TkcGridTableView>(nullptr));
  for (const char* c : {"Name", "N"}) v->CreateColumn()->SetCaption(c);
  v->Columns(1)->SetValueTypeClass(TkcIntegerValueType::Class());
  return v;
}

TBinaryPropertyFiler::Property DataProperty(TkcCustomDataController* dc) {
  TBinaryPropertyFiler filer(dc);
  for (const auto& p : filer.Properties())
    if (p.Name == "Data") return p;
  ADD_FAILURE() << "no Data property";
  return {};
}

}  // namespace

TEST(GridDataController, DataPropertyIsAppliedAtLoadedAndDamageIsRefused) {
  auto source = PlainView();
  EXPECT_FALSE(DataProperty(source->DataController()).HasData);  // nothing to write without records
  DataFixture::Load(source.get(), 3);
  auto prop = DataProperty(source->DataController());
  ASSERT_TRUE(prop.HasData);
  TMemoryStream stream;
  prop.WriteData(&stream);
  stream.SetPosition(0);
  EXPECT_EQ(StreamReadInteger(&stream), stream.Size() - 4);  // the count, then the records

  auto target = PlainView();
  auto* dc = static_cast<TkcGridDataController*>(target->DataController());
  stream.SetPosition(0);
  DataProperty(target->DataController()).ReadData(&stream);
  EXPECT_EQ(target->DataController()->GetRecordCount(), 0);  // only once loaded
  target->DataController()->Loaded();
  ASSERT_EQ(target->DataController()->GetRecordCount(), 3);
  EXPECT_EQ(target->DataController()->GetDisplayText(2, 0), "v2");

  // A count the stream cannot hold, or a negative one, is refused before anything is taken.
  for (std::int32_t count : {-1, 1000000, 0x7FFFFFFF}) {
    TMemoryStream bad;
    StreamWriteInteger(&bad, count);
    bad.WriteBuffer("abc", 3);
    bad.SetPosition(0);
    EXPECT_THROW(dc->ReadData(&bad), EReadError) << count;
    EXPECT_FALSE(dc->HasPendingData());
  }
  // A block that is no records' stream fails at Loaded, is released and the records stay.
  TMemoryStream junk;
  StreamWriteInteger(&junk, 4);
  junk.WriteBuffer("junk", 4);
  junk.SetPosition(0);
  dc->ReadData(&junk);
  EXPECT_ANY_THROW(target->DataController()->Loaded());
  EXPECT_FALSE(dc->HasPendingData());
  EXPECT_EQ(target->DataController()->GetRecordCount(), 3);
}

TEST(GridDataController, ItemBindingFilterValuesAndConditions) {
  DataFixture f;
  TkcGridItemDataBinding* b = f.col(0)->DataBinding();
  EXPECT_TRUE(f.dc()->CanSelectRow(0));  // no handler
  std::unique_ptr<TkcDataFilterValueList> list(f.dc()->Filter()->CreateValueList());
  b->GetFilterValues(list.get(), true, false);
  std::vector<String> texts;
  for (int i = 0; i < list->GetCount(); ++i) texts.push_back(list->GetItem(i).DisplayText);
  EXPECT_EQ(texts, (std::vector<String>{"v0", "v1", "v2"}));

  // Picked values lead the list, newest first and once each, then a separator.
  b->RecentFilterValues()->Add(Variant("v2"), "v2");
  b->RecentFilterValues()->Add(Variant("v1"), "v1");
  b->RecentFilterValues()->Add(Variant("v2"), "v2");
  b->GetFilterValues(list.get(), false, false);
  std::vector<TkcFilterValueItemKind> kinds;
  for (int i = 0; i < list->GetCount() && kinds.size() < 5; ++i) kinds.push_back(list->GetItem(i).Kind);
  EXPECT_EQ(kinds, (std::vector<TkcFilterValueItemKind>{fviMRU, fviMRU, fviMRUSeparator, fviAll, fviCustom}));
  EXPECT_EQ(list->GetItem(0).DisplayText, "v2");
  f.col(0)->FilteringMRUItemsList = false;
  b->GetFilterValues(list.get(), false, false);
  EXPECT_EQ(list->IndexOfKind(fviMRU), -1);

  b->AddToFilter(nullptr, foEqual, Variant("v1"));
  b->AddToFilter(nullptr, foEqual, Variant("v2"));
  EXPECT_EQ(f.dc()->Filter()->Root()->GetCount(), 2);
  b->AddToFilter(nullptr, foEqual, Variant("v0"), String(), true);  // replaces the item's own
  EXPECT_EQ(f.dc()->Filter()->Root()->GetCount(), 1);
  EXPECT_EQ(b->GetFilterCriteriaItem()->DisplayValue(), "v0");
  b->SetFiltered(true);
  EXPECT_TRUE(b->Filtered());
  b->SetFiltered(false);
  EXPECT_FALSE(b->Filtered());

  // The value type by caption; an unknown caption reaches the controller as none.
  TkcGridItemDataBinding* n = f.col(1)->DataBinding();
  EXPECT_EQ(n->GetValueTypeClass(), TkcIntegerValueType::Class());
  n->SetValueType(n->ValueType());
  EXPECT_EQ(n->GetValueTypeClass(), TkcIntegerValueType::Class());
  EXPECT_TRUE(n->ShouldStoreValueType());
}

namespace {

// A record of a row that expands like a group row.
class TExpandableRecord : public TkcCustomGridRecord {
public:
  using TkcCustomGridRecord::TkcCustomGridRecord;
  bool Expanded = false;
  bool GetExpandable() override { return true; }
  bool GetExpanded() override { return Expanded; }
  String Typed;
  void KeyPress(char32_t& AKey) override { Typed += static_cast<char>(AKey); }

protected:
  void DoExpand(bool) override { Expanded = true; }
  void DoCollapse(bool) override { Expanded = false; }
};

class TExpandableData : public TkcCustomGridTableViewData {
public:
  using TkcCustomGridTableViewData::TkcCustomGridTableViewData;

protected:
  TkcCustomGridRecord* CreateRecord(const TkcRowInfo& AInfo, int AIndex) override {
    return new TExpandableRecord(this, AInfo, AIndex);
  }
};

}  // namespace

TEST(GridTableViewData, RecordsAreMadeLazilyAndDroppedAtDataChanges) {
  DataFixture f(50);
  TkcCustomGridTableViewData* d = f.data();
  EXPECT_EQ(d->GetRecordCount(), 50);
  EXPECT_EQ(d->RecordAtRow(-1), nullptr);
  EXPECT_EQ(d->RecordAtRow(50), nullptr);
  TkcCustomGridRecord* r3 = d->RecordAtRow(3);
  ASSERT_NE(r3, nullptr);
  EXPECT_EQ(d->RecordAtRow(3), r3);
  EXPECT_EQ(d->CreatedRecordCount(), 1);  // only what was asked for
  EXPECT_EQ(r3->GetDisplayText(0), "v0");
  EXPECT_EQ(r3->GetParentRecord(), nullptr);
  EXPECT_TRUE(r3->HasViewInfo());                  // laid out on screen
  EXPECT_FALSE(d->RecordAtRow(40)->GetVisible());  // scrolled out of view
  EXPECT_EQ(d->GetRecordByRecordIndex(7)->Index, 7);
  EXPECT_EQ(d->GetRecordByRecordIndex(50), nullptr);
  EXPECT_EQ(d->RecordOfKind(kcGridRecordKindNewItem, 5), nullptr);  // no new-item row

  // A hit test names its record by row: after a refresh it finds the new record of that row.
  auto* hit = GetGridHitTest<TkcGridRecordCellHitTest>({0, 0});
  hit->GridView = f.view;
  hit->SetGridRecord(d->RecordAtRow(4));
  f.dc()->SetValue(4, 0, Variant("changed"));
  EXPECT_EQ(d->CreatedRecordCount(), 0);
  ASSERT_NE(hit->GetGridRecord(), nullptr);
  EXPECT_EQ(hit->GetGridRecord()->Index, 4);
  EXPECT_EQ(hit->GetGridRecord()->GetDisplayText(0), "changed");

  // Grouped: a child row's parent is its group row.
  f.col(0)->SetGroupIndex(0);
  f.dc()->Groups()->SetRowExpanded(0, true, false);
  TkcCustomGridRecord* child = d->RecordAtRow(1);
  ASSERT_EQ(child->Level(), 1);
  EXPECT_EQ(child->GetParentRecord()->Index, 0);
}

TEST(GridTableViewData, NumpadPlusExpandsAndSwallowsItsCharacter) {
  DataFixture f(3);
  TExpandableData data(f.view);
  data.Refresh(3);
  auto* r = static_cast<TExpandableRecord*>(data.RecordAtRow(0));
  WORD key = VK_ADD;
  r->KeyDown(key, {});
  EXPECT_EQ(key, 0);
  EXPECT_TRUE(r->Expanded);
  char32_t ch = '+';
  r->ProcessKeyPress(ch);  // the same key stroke's character
  EXPECT_EQ(r->Typed, "");
  r->ProcessKeyPress(ch);
  EXPECT_EQ(r->Typed, "+");
  key = VK_SUBTRACT;
  r->KeyDown(key, {});
  EXPECT_FALSE(r->Expanded);
  key = VK_RETURN;
  r->KeyDown(key, {});
  EXPECT_EQ(key, VK_RETURN);  // untouched
}

namespace {

int gRecordChangesRun = 0;
class TCountingRecordChange : public TkcGridRecordChange {
public:
  using TkcGridRecordChange::TkcGridRecordChange;
  void Execute() override {
    ++gRecordChangesRun;
    TkcGridRecordChange::Execute();
  }
};

}  // namespace

TEST(GridTableChanges, RecordChangesMergeAndGiveWayToDataChanges) {
  DataFixture f(50);
  struct Case {
    const char* what;
    std::function<void()> queue;
    int runs;
  } cases[] = {
      {"two equal changes run once",
       [&] {
         for (int i = 0; i < 2; ++i) f.view->Changed(new TCountingRecordChange(f.view, f.col(0), 2, 0));
       },
       1},
      {"another cell or row runs apart",
       [&] {
         f.view->Changed(new TCountingRecordChange(f.view, f.col(0), 2, 0));
         f.view->Changed(new TCountingRecordChange(f.view, f.col(1), 2, 0));
         f.view->Changed(new TCountingRecordChange(f.view, f.col(0), 3, 0));
       },
       3},
      {"a layout of the view drops it",
       [&] {
         f.view->Changed(new TCountingRecordChange(f.view, nullptr, 2, 0));
         f.view->LayoutChanged();
       },
       0},
  };
  for (const Case& c : cases) {
    gRecordChangesRun = 0;
    f.grid->BeginUpdate();
    c.queue();
    f.grid->EndUpdate();
    EXPECT_EQ(gRecordChangesRun, c.runs) << c.what;
  }
  // A record out of view, or a hidden column's cell, repaints nothing; a visible one does.
  f.session.ProcessMessages();
  TkcGridRecordChange(f.view, f.col(0), 45, 0).Execute();
  f.col(1)->SetVisible(false);
  f.session.ProcessMessages();
  TkcGridRecordChange(f.view, f.col(1), 1, 0).Execute();
  EXPECT_FALSE(GetUpdateRect(f.view->Site()->Handle(), nullptr, false));
  f.dc()->SetValue(1, 0, Variant("new"));
  f.session.ProcessMessages();
  TkcGridRecordChange(f.view, f.col(0), 1, 0).Execute();
  EXPECT_TRUE(GetUpdateRect(f.view->Site()->Handle(), nullptr, false));

  // Focus changes reach the view's handler with the records of both rows.
  int prev = -2, now = -2;
  f.view->OnFocusedRecordChanged = [&](TkcGridTableView*, TkcCustomGridRecord* p, TkcCustomGridRecord* n, bool) {
    prev = p ? p->Index : -1;
    now = n ? n->Index : -1;
  };
  f.dc()->FocusRow(2);
  f.dc()->FocusRow(4);
  f.session.ProcessMessages();
  EXPECT_EQ(prev, 2);
  EXPECT_EQ(now, 4);
}

TEST(GridFiltering, HistoryKeepsAppliedFiltersNewestFirst) {
  DataFixture f;
  TkcGridTableFiltering* filtering = f.view->Filtering();
  TkcGridFilterMRUItems* mru = filtering->MRUItems();
  EXPECT_EQ(filtering->MRUItemsListCount(), 10);
  EXPECT_EQ(filtering->ColumnMRUItemsListCount(), 5);
  EXPECT_EQ(filtering->ColumnPopupMaxDropDownItemCount(), 15);
  EXPECT_EQ(f.view->FilterBox()->Visible(), fvNonEmpty);

  filtering->AddFilterToMRUItems();  // an empty filter is never recorded
  EXPECT_EQ(mru->Count(), 0);
  auto apply = [&](int n) {
    f.dc()->Filter()->Clear();
    f.col(1)->DataBinding()->AddToFilter(nullptr, foEqual, Variant(n));
    filtering->ApplyFilter();
  };
  for (int n = 0; n < 15; ++n) apply(n);
  EXPECT_EQ(mru->Count(), 11);  // the count and one for the active filter
  EXPECT_EQ(mru->VisibleCount(), 10);
  for (int i = 0; i < mru->VisibleCount(); ++i) EXPECT_FALSE(mru->VisibleItems(i)->IsEqualToCriteria(f.dc()->Filter()));
  apply(12);  // once only, moved to the front
  EXPECT_EQ(mru->Count(), 11);
  EXPECT_TRUE(mru->Items(0)->IsEqualToCriteria(f.dc()->Filter()));
  f.dc()->Filter()->Clear();  // no filter: every entry shows
  EXPECT_EQ(mru->VisibleCount(), 11);
  filtering->SetMRUItemsListCount(3);
  EXPECT_EQ(mru->Count(), 4);
  filtering->SetMRUItemsListCount(0);
  for (int n = 20; n < 40; ++n) apply(n);
  EXPECT_EQ(mru->Count(), 24);

  // Removing the column the entries filter on drops them all.
  delete f.col(1);
  EXPECT_EQ(mru->Count(), 0);
}

TEST(GridFiltering, HistoryButtonAppearanceChangesTheViewSize) {
  DataFixture f;
  TkcGridTableFiltering* filtering = f.view->Filtering();
  auto sizeChangesWhile = [&](const std::function<void()>& AStep) {
    f.grid->BeginUpdate();
    int before = f.grid->PendingChangeCount();
    AStep();
    int queued = f.grid->PendingChangeCount() - before;
    f.grid->EndUpdate();
    return queued;
  };
  auto record = [&](int n) {
    TkcDataFilterCriteria* c = f.dc()->CreateFilterCriteria();
    c->AddItem(nullptr, f.col(1), foEqual, Variant(n), std::to_string(n));
    filtering->AddFilterToMRUItems(c);
    delete c;
  };
  EXPECT_EQ(sizeChangesWhile([&] { record(1); }), 1);  // 0 -> 1 visible
  EXPECT_EQ(sizeChangesWhile([&] { record(2); }), 0);  // 1 -> 2
}

TEST(GridSummary, ColumnShortcutsMakeAndFreeSummaryItems) {
  DataFixture f;
  TkcDataSummary* s = f.dc()->Summary();
  f.col(1)->Summary()->SetFooterKind(skSum);
  ASSERT_EQ(s->FooterSummaryItems()->Count(), 1);
  auto* item = dynamic_cast<TkcGridTableSummaryItem*>(s->FooterSummaryItems()->Items(0));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Column(), f.col(1));
  EXPECT_EQ(item->GetGridView(), f.view);
  EXPECT_EQ(f.col(1)->Summary()->FooterKind(), skSum);
  EXPECT_EQ(f.col(0)->Summary()->FooterKind(), skNone);
  f.col(1)->Summary()->SetGroupKind(skCount);
  EXPECT_EQ(s->DefaultGroupSummaryItems()->Count(), 1);
  EXPECT_EQ(f.col(1)->Summary()->GroupFooterKind(), skNone);
  f.col(1)->Summary()->SetFooterKind(skNone);
  EXPECT_EQ(s->FooterSummaryItems()->Count(), 0);
  auto* group = s->SummaryGroups()->AddGroup();
  EXPECT_NE(dynamic_cast<TkcGridTableSummaryGroupItemLink*>(group->Links()->Add()), nullptr);
}

namespace {

class TExpandableView : public TkcGridTableView {
public:
  using TkcGridTableView::TkcGridTableView;

protected:
  TkcCustomGridViewData* CreateViewData() override { return new TExpandableData(this); }
};

}  // namespace

TEST(GridTableViewData, TheFocusedRecordTakesNumpadPlusBeforeTheController) {
  TFormsSession session;
  TPlainForm form{400, 300};
  auto* grid = new TkcGrid(&form);
  auto* view = CreateGridView<TExpandableView>(&form);
  for (const char* c : {"Name", "N"}) view->CreateColumn()->SetCaption(c);
  grid->Levels()->Add()->SetGridView(view);
  grid->SetParent(&form);
  grid->SetBounds(0, 0, 300, 100);
  view->OptionsBehavior()->SetIncSearch(true);
  DataFixture::Load(view, 3);
  form.Show();
  session.ProcessMessages();
  view->DataController()->SetValue(2, 0, Variant("+2"));  // what a search for "+" would find
  view->DataController()->FocusRow(1);
  view->Site()->SetFocus();
  session.ProcessMessages();
  session.Key(VK_ADD, "+");
  session.ProcessMessages();
  auto* record = static_cast<TExpandableRecord*>(view->TableViewData()->RecordAtRow(1));
  EXPECT_TRUE(record->Expanded);
  // The '+' of the same key stroke starts neither a search nor an editor.
  EXPECT_FALSE(view->TableController()->IsIncSearching());
  EXPECT_EQ(view->DataController()->GetFocusedRowIndex(), 1);
  EXPECT_FALSE(view->TableController()->IsEditing());
  EXPECT_EQ(record->Typed, "");
}

TEST(GridFiltering, CustomizeDialogChoice) {
  DataFixture f;
  TkcGridTableFiltering* filtering = f.view->Filtering();
  std::vector<String> shown;
  f.view->OnFilterDialogShow = [&](TkcGridTableView*, TkcGridColumn* c, bool& done) {
    shown.push_back(c ? "show " + c->Caption() : "show none");
    done = c == f.col(1);
  };
  f.view->OnFilterCustomization = [&](TkcGridTableView*, bool& done) {
    shown.push_back("builder");
    done = true;
  };
  filtering->RunCustomizeDialog(f.col(1));  // the handler took it
  filtering->RunCustomizeDialog();          // no column: the filter builder
  // A column's filter that the simple dialog cannot show (OR) goes to the filter builder too.
  f.dc()->Filter()->Root()->SetBoolOperatorKind(fboOr);
  f.col(0)->DataBinding()->AddToFilter(nullptr, foEqual, Variant("v1"));
  f.col(0)->DataBinding()->AddToFilter(nullptr, foEqual, Variant("v2"));
  filtering->RunCustomizeDialog(f.col(0));
  EXPECT_EQ(shown, (std::vector<String>{"show N", "show none", "builder", "show Name", "builder"}));
  // A simple filter opens the column's Custom Filter dialog with its own editor kind.
  f.dc()->Filter()->Clear();
  f.view->OnFilterDialogShow = nullptr;
  bool opened = false;
  f.session.Script([&] {
    auto* d = dynamic_cast<TkcFilterDialog*>(Screen->ActiveForm());
    ASSERT_TRUE(d);
    opened = true;
    d->SetModalResult(mrCancel);
  });
  filtering->RunCustomizeDialog(f.col(0));
  EXPECT_TRUE(opened);
}
