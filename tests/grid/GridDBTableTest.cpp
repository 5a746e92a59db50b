// The database table view over a client dataset: columns made from the fields, their names,
// captions and widths, the rows the dataset holds, and scrolling by record numbers.

#include <gtest/gtest.h>

#include "controls/kcControlUtils.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors/kcEditControl.h"
#include "grid/kcGridEditingController.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableController.h"
#include "tests/grid/GridDBTestSupport.h"
#include "tests/support/LookupOrders.h"

namespace {

struct DBTableFixture : DBGridFixture {
  explicit DBTableFixture(int rows = 5)
      : DBGridFixture(rows, 150, [rows](int r) { return "name " + std::to_string(rows - r); }) {}
};

TEST(GridDBTableView, ItemNamesAreStrippedPrefixedAndUnique) {
  auto taken = [](std::set<String> names) {
    return [names](const String& n) { return names.count(AnsiLowerCase(n)) != 0; };
  };
  const String v = "dbgrdResultsDBTableView1", cls = "TkcGridDBColumn";
  struct Case {
    String field;
    std::set<String> used;
    String expected;
  } cases[] = {
      {"RDB$RELATION_NAME", {}, v + "RDBRELATION_NAME"},
      {"AB", {AnsiLowerCase(v + "AB")}, v + "AB1"},
      {"1ST", {}, v + "DBColumn1ST"},
      {"$$", {}, v + "DBColumn"},
      {"", {}, v + "DBColumn1"},
      {"ab", {AnsiLowerCase(v + "AB"), AnsiLowerCase(v + "AB1")}, v + "ab2"},
  };
  for (const Case& c : cases) EXPECT_EQ(GenerateGridItemName(v, c.field, cls, taken(c.used)), c.expected) << c.field;
}

TEST(GridDBTableView, CreateAllItemsMakesOneBoundColumnPerField) {
  DBTableFixture f;
  f.ds.Fields().Fields(1)->SetVisible(false);
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  ASSERT_EQ(f.view->ColumnCount(), 2);
  EXPECT_EQ(f.view->Columns(0)->Name(), "dbgrdResultsDBTableView1ID");
  EXPECT_EQ(f.view->Columns(1)->Name(), "dbgrdResultsDBTableView1NAME");
  EXPECT_EQ(f.view->Columns(0)->Caption(), "ID");
  EXPECT_EQ(f.view->Columns(0)->Alignment(), taRightJustify);
  EXPECT_EQ(f.view->Columns(1)->Alignment(), taLeftJustify);
  EXPECT_FALSE(f.view->Columns(1)->Visible());
  EXPECT_EQ(f.view->Columns(1)->DBDataBinding()->Field(), f.ds.FieldByName("NAME"));
  // Width: "0" times the display width, plus 4 (7 pixels a character here), never under MinWidth.
  TkcCanvas* canvas = f.view->ViewInfo()->Canvas();
  EXPECT_EQ(f.view->Columns(1)->Width(), canvas->TextWidth("0") * 20 + 4);
  EXPECT_EQ(f.view->Columns(0)->Width(), std::max(canvas->TextWidth("0") * f.ds.FieldByName("ID")->DisplayWidth() + 4, 20));
  ASSERT_EQ(f.view->DataController()->GetRowCount(), 5);
  EXPECT_EQ(f.Text(0, 1), "name 5");
  // A second run keeps the earlier columns' names taken.
  f.view->DataController()->CreateAllItems();
  EXPECT_EQ(f.view->Columns(2)->Name(), "dbgrdResultsDBTableView1ID1");
  f.view->ClearItems();
  EXPECT_EQ(f.view->ColumnCount(), 0);
}

TEST(GridDBTableView, CreateAllItemsWithoutDataSetOrFieldsChangesNothing) {
  DBTableFixture f;
  f.view->DataController()->SetDataSource(nullptr);
  f.view->DataController()->CreateAllItems();
  EXPECT_EQ(f.view->ColumnCount(), 0);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  TClientDataSet empty{nullptr};
  TDataSource src{nullptr};
  src.SetDataSet(&empty);
  f.view->DataController()->SetDataSource(&src);
  f.view->DataController()->CreateAllItems();
  EXPECT_EQ(f.view->ColumnCount(), 0);
  EXPECT_FALSE(f.view->IsUpdateLocked());
}

TEST(GridDBTableView, RecordNumberScrollingOnlyInGridMode) {
  DBTableFixture f(50);
  TkcGridDBDataController* dc = f.view->DataController();
  dc->CreateAllItems();
  EXPECT_EQ(dc->GetScrollBarPosition(), -1);
  EXPECT_EQ(dc->GetScrollBarRecordCount(), -1);
  EXPECT_FALSE(dc->SetScrollBarPosition(3));
  EXPECT_FALSE(dc->ScrollLine(true));
  EXPECT_FALSE(dc->ScrollPage(true));
  dc->DataModeController()->SetGridMode(true);
  f.session.ProcessMessages();
  ASSERT_TRUE(dc->IsSequencedScrollingAvailable());
  EXPECT_TRUE(dc->SetScrollBarPosition(9));
  EXPECT_EQ(f.ds.RecNo(), 10);
  EXPECT_EQ(dc->GetScrollBarPosition(), 9);
  int visible = f.view->TableViewInfo()->VisibleRowCount();
  EXPECT_EQ(dc->GetScrollBarRecordCount(), 50 + visible - 1);
  // The buffer holds the rows the view shows; the vertical bar counts the dataset's records.
  EXPECT_EQ(dc->GetRowCount(), visible);
  int pos = 30;
  f.view->TableController()->Scroll(sbVertical, scPosition, pos);
  EXPECT_EQ(f.ds.RecNo(), 31);
  EXPECT_EQ(pos, 30);
}

TEST(GridDBTableView, GridModeKeysGoPastTheBuffer) {
  DBTableFixture f(50);
  TkcGridDBDataController* dc = f.view->DataController();
  dc->CreateAllItems();
  dc->DataModeController()->SetGridMode(true);
  f.session.ProcessMessages();
  f.view->Site()->SetFocus();
  f.session.ProcessMessages();
  int rows = dc->GetRowCount();
  ASSERT_GT(rows, 2);
  ASSERT_LT(rows, 50);
  auto ctrl = [&](WORD AKey) {
    f.session.KeyDown(VK_CONTROL);
    f.session.Key(AKey);
    f.session.KeyUp(VK_CONTROL);
  };
  // Down from the buffer's last row reads the next record into it.
  for (int i = 0; i < rows + 2; ++i) f.session.Key(VK_DOWN);
  EXPECT_EQ(f.ds.RecNo(), rows + 3);
  EXPECT_EQ(dc->GetFocusedRowIndex(), rows - 1);
  // A page from the last row moves on by a page less one row.
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.ds.RecNo(), rows + 3 + f.view->TableViewInfo()->VisibleRowCount() - 1);
  ctrl(VK_END);
  EXPECT_EQ(f.ds.RecNo(), 50);
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.ds.RecNo(), 50);
  EXPECT_EQ(f.ds.RecordCount(), 50) << "no record appended";
  // Up from the buffer's first row reads the one before.
  for (int i = 0; i < rows; ++i) f.session.Key(VK_UP);
  EXPECT_EQ(f.ds.RecNo(), 50 - rows);
  EXPECT_EQ(dc->GetFocusedRowIndex(), 0);
  ctrl(VK_HOME);
  EXPECT_EQ(f.ds.RecNo(), 1);
  // The scroll bar's line steps go the same way.
  int pos = 0;
  for (int i = 0; i < rows; ++i) f.view->TableController()->Scroll(sbVertical, scLineDown, pos);
  EXPECT_EQ(pos, rows);
  EXPECT_EQ(f.ds.RecNo(), rows + 1);
}

TEST(GridDBTableView, NewColumnsReadTheRowsOnce) {
  DBTableFixture f(50);
  int reads = 0;  // each pass over the rows scrolls the dataset once per row
  f.ds.AfterScroll = [&](TDataSet*) { ++reads; };
  f.view->DataController()->CreateAllItems();
  EXPECT_LE(reads, 52);
  // The main window's order: a new dataset, the old columns cleared, new ones made, one read.
  reads = 0;
  f.source.SetDataSet(nullptr);
  TkcGridDBDataController* dc = f.view->DataController();
  dc->LockDataReload();
  f.source.SetDataSet(&f.ds);
  f.view->ClearItems();
  dc->CreateAllItems();
  dc->UnlockDataReload();
  EXPECT_LE(reads, 52);
  EXPECT_EQ(dc->GetRowCount(), 50);
  EXPECT_EQ(f.Text(49, 1), "name 1");
  // Under the caller's lock the columns still get their fields' widths, not the default.
  TkcCanvas* canvas = f.view->ViewInfo()->Canvas();
  EXPECT_EQ(f.view->Columns(1)->Width(), canvas->TextWidth("0") * 20 + 4);
}

TEST(GridDBTableView, SummaryItemsNameTheirColumnsAndTotalTheirFields) {
  DBGridFixture f(150, [](TClientDataSet& ADataSet) {
    ADataSet.FieldDefs().Add("ID", ftInteger, 0, true);
    ADataSet.FieldDefs().Add("AMOUNT", ftInteger, 0, false);
    ADataSet.CreateDataSet();
    for (int r = 0; r < 4; ++r) ADataSet.AppendRecord({Variant(r + 1), Variant(10 * (r + 1))});
  });
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  TkcDataSummary* summary = f.view->DataController()->Summary();
  // The column's shortcut makes a database summary item linked to the column.
  TkcGridDBColumn* amount = f.view->Columns(1);
  amount->Summary()->SetFooterKind(skSum);
  ASSERT_EQ(summary->FooterSummaryItems()->Count(), 1);
  auto* item = dynamic_cast<TkcGridDBTableSummaryItem*>(summary->FooterSummaryItems()->GetItem(0));
  ASSERT_NE(item, nullptr);
  EXPECT_EQ(item->Column(), amount);
  EXPECT_EQ(item->GetGridView(), f.view);
  EXPECT_EQ(summary->FooterValue(0).AsInteger(), 100);
  // Rebinding the column to another field totals that one.
  item->SetColumn(f.view->Columns(0));
  EXPECT_EQ(summary->FooterValue(0).AsInteger(), 10);
  amount->DBDataBinding()->SetFieldName("ID");
  auto* second = static_cast<TkcGridDBTableSummaryItem*>(summary->FooterSummaryItems()->Add());
  second->SetColumn(amount);
  second->SetKind(skMax);
  EXPECT_EQ(summary->FooterValue(1).AsInteger(), 4);
  // Group links of the database view know their view too.
  auto* link = dynamic_cast<TkcGridTableSummaryGroupItemLink*>(summary->SummaryGroups()->AddGroup()->Links()->Add());
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->GetGridView(), f.view);
}

TEST(GridDBTableView, EditorsTakeTheirFieldsDefaults) {
  DBGridFixture f(150, [](TClientDataSet& ADataSet) {
    ADataSet.FieldDefs().Add("ID", ftInteger, 0, true);
    ADataSet.FieldDefs().Add("CODE", ftString, 5);
    ADataSet.CreateDataSet();
    ADataSet.AppendRecord({Variant(1), Variant("ab")});
  });
  f.ds.FieldByName("ID")->SetReadOnly(true);
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  IkcEditDefaultValuesProvider* code = f.view->Columns(1)->DataBinding()->GetDefaultValuesProvider();
  ASSERT_NE(code, nullptr);
  EXPECT_TRUE(code->IsFieldBased());
  EXPECT_EQ(code->GetDefaultMaxLength(), 5);
  EXPECT_TRUE(code->CanModifyValue());
  IkcEditDefaultValuesProvider* id = f.view->Columns(0)->DataBinding()->GetDefaultValuesProvider();
  EXPECT_TRUE(id->GetDefaultReadOnly());
  EXPECT_FALSE(id->CanModifyValue());
  // The in-place editor stops at the field's length.
  f.view->Site()->SetFocus();
  f.session.ProcessMessages();
  TkcGridColumnHeaderViewInfo* h = f.view->TableViewInfo()->Headers()[1].get();
  POINT cell = TFormsSession::At(f.view->Site(), h->Bounds.left + 10, 19 + 9);
  f.session.Click(cell);
  f.session.Click(cell);
  TkcGridEditingController* editing = f.view->TableController()->EditingController();
  ASSERT_TRUE(editing->IsEditing());
  f.session.Type("uvwxyz");
  EXPECT_EQ(editing->Edit()->GetEditingValue().AsString(), "uvwxy");
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.ds.FieldByName("CODE")->AsString(), "uvwxy");
}

TEST(GridDBTableView, ACaptionWiderThanItsValuesStaysWholeBesideItsGlyphs) {
  DBTableFixture f;
  f.ds.FieldByName("NAME")->SetDisplayWidth(2);
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  TkcGridDBColumn* column = f.view->Columns(1);
  TkcCanvas* canvas = f.view->ViewInfo()->Canvas();
  EXPECT_GT(column->Width(), canvas->TextWidth("0") * 2 + 4);
  EXPECT_EQ(column->Width(), column->HeaderWidth(true));
  // Sorted, the caption still has its room beside the filter button and the sorting mark.
  column->SetSortOrder(soAscending);
  f.session.ProcessMessages();
  TkcGridColumnHeaderViewInfo* h = f.view->TableViewInfo()->Headers()[1].get();
  canvas->SetFont(f.view->Font());
  EXPECT_GE(h->TextAreaBounds.right - h->TextAreaBounds.left, canvas->TextWidth(column->Caption()));
}

TEST(GridDBTableView, RegisteredAmongTheViewsAfterTheTable) {
  TkcGridRegisteredViews* views = GridRegisteredViews();
  ASSERT_EQ(views->Count(), 2);
  EXPECT_EQ(views->GetItemDescription(0), "Table");
  EXPECT_EQ(views->GetItemDescription(1), "DB Table");
  EXPECT_EQ(views->FindByClassName("TkcGridDBTableView"), TkcGridDBTableView::StaticClass());
}

TEST(GridDBTableView, ANewFieldNameForgetsTheValuesPickedForTheOld) {
  DBTableFixture f;
  f.view->DataController()->CreateAllItems();
  TkcGridDBColumn* column = f.view->Columns(1);
  column->DataBinding()->RecentFilterValues()->Add(Variant("name 1"), "name 1");
  column->DBDataBinding()->SetFieldName("NAME");
  EXPECT_EQ(column->DataBinding()->RecentFilterValues()->Count(), 1) << "the same name changes nothing";
  column->DBDataBinding()->SetFieldName("ID");
  EXPECT_EQ(column->DataBinding()->RecentFilterValues()->Count(), 0);
  EXPECT_EQ(column->DBDataBinding()->Field(), f.ds.FieldByName("ID"));
}

TEST(GridDBTableView, GridModeBufferFollowsTheRowsTheViewCanShow) {
  DBTableFixture f(50);
  TkcGridDBDataController* dc = f.view->DataController();
  dc->CreateAllItems();
  dc->DataModeController()->SetGridMode(true);
  f.session.ProcessMessages();
  int before = dc->GetRowCount();
  ASSERT_GT(before, 0);
  f.grid->SetBounds(0, 0, 300, 290);
  f.session.ProcessMessages();
  f.session.Advance(20);  // timers run no sooner than 10 ms
  int after = dc->GetRowCount();
  EXPECT_GT(after, before);
  EXPECT_EQ(after, f.view->TableViewInfo()->VisibleRowCount());
  // Smaller again, fewer records are read.
  f.grid->SetBounds(0, 0, 300, 100);
  f.session.ProcessMessages();
  f.session.Advance(20);  // timers run no sooner than 10 ms
  EXPECT_LT(dc->GetRowCount(), before);
}

// A lookup field's column shows the looked-up text and is edited in its cell through the lookup
// combo box: the typed text finds a row of the list, and posting writes that row's key into the
// key field; Escape leaves the key as it was.
TEST(GridDBTableView, LookupFieldEditedInItsCell) {
  InitializeExtendedEditors();
  TClientDataSet customers(nullptr);
  customers.FieldDefs().Add("CUSTNO", ftInteger);
  customers.FieldDefs().Add("COMPANY", ftString, 20);
  customers.CreateDataSet();
  const char* names[] = {"Abc", "Bonn", "Berlin", "Bergen"};
  for (int i = 0; i < 4; ++i) customers.AppendRecord({Variant(10 + i), Variant(String(names[i]))});
  DBGridFixture f(150, [&](TClientDataSet& orders) {
    CreateOrdersWithCustomerLookup(orders, &customers);
    orders.AppendRecord({Variant(1), Variant(11)});
  });
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  ASSERT_EQ(f.view->ColumnCount(), 3);
  EXPECT_TRUE(dynamic_cast<TkcLookupComboBoxProperties*>(f.view->Columns(2)->GetProperties()));
  EXPECT_EQ(f.Text(0, 2), "Bonn");
  f.view->Site()->SetFocus();
  f.session.ProcessMessages();
  TkcGridColumnHeaderViewInfo* h = f.view->TableViewInfo()->Headers()[2].get();
  POINT cell = TFormsSession::At(f.view->Site(), h->Bounds.left + 10, 19 + 9);
  TkcGridEditingController* editing = f.view->TableController()->EditingController();
  for (bool accept : {false, true}) {
    f.session.Click(cell);
    f.session.Click(cell);
    ASSERT_TRUE(editing->IsEditing());
    auto* combo = dynamic_cast<TkcLookupComboBox*>(editing->Edit());
    ASSERT_TRUE(combo);
    EXPECT_EQ(combo->EditValue().AsInteger(), 11) << "the key";
    f.session.Type("berg");
    ASSERT_TRUE(combo->HasPopupWindow());
    f.session.Key(VK_RETURN);  // closes the list on its row; the editor stays
    EXPECT_FALSE(combo->HasPopupWindow());
    ASSERT_TRUE(editing->IsEditing());
    EXPECT_EQ(combo->GetEditingValue().AsInteger(), 13);
    if (accept) {
      // The key goes into the record, which stays in edit; the lookup's text follows it.
      f.session.Key(VK_RETURN);
      EXPECT_FALSE(editing->IsEditing());
      EXPECT_EQ(f.ds.State(), dsEdit);
      EXPECT_EQ(f.ds.FieldByName("CUSTNO")->AsInteger(), 13);
      EXPECT_EQ(f.ds.FieldByName("CUSTOMER")->AsString(), "Bergen");
      EXPECT_EQ(f.Text(0, 2), "Bergen");
    } else {
      f.session.Key(VK_ESCAPE);  // the editor closes, its value dropped
      EXPECT_FALSE(editing->IsEditing());
      EXPECT_EQ(f.Text(0, 2), "Bonn");
      f.session.Key(VK_ESCAPE);  // the record's edit is cancelled
      f.session.Key(VK_ESCAPE);  // and a further Esc changes nothing
      EXPECT_EQ(f.ds.State(), dsBrowse);
      EXPECT_EQ(f.ds.FieldByName("CUSTNO")->AsInteger(), 11);
      EXPECT_EQ(f.Text(0, 2), "Bonn");
    }
  }
  f.ds.Close();
}

// New columns made under the caller's reload lock (as the main window does after each run) are
// a layout of the whole grid: the view's site is painted anew where its bounds stay, not only
// where the scroll bars come and go.
TEST(GridDBTableView, ColumnsMadeUnderTheReloadLockRepaintTheWholeSite) {
  DBTableFixture f(12);
  f.session.ProcessMessages();
  HWND site = f.view->Site()->Handle();
  RECT empty{};
  ASSERT_FALSE(GetUpdateRect(site, &empty, FALSE)) << "painted";
  TkcGridDBDataController* dc = f.view->DataController();
  dc->LockDataReload();
  f.view->ClearItems();
  dc->CreateAllItems();
  dc->UnlockDataReload();
  HRGN update = CreateRectRgn(0, 0, 0, 0);
  GetUpdateRgn(site, update, FALSE);
  const TRect client = f.view->Site()->ClientRect();
  for (POINT p : {POINT{client.left + 40, client.top + 30}, POINT{client.right / 2, client.bottom / 2},
                  POINT{client.left + 5, client.bottom - 5}})
    EXPECT_TRUE(PtInRegion(update, p.x, p.y)) << p.x << "," << p.y;
  DeleteObject(update);
}

}  // namespace
