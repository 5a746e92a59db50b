// Master rows of a database table view with detail levels, driven through the headless session:
// orders 1, 2, 3 and their lines (two for order 1, none for order 2, three for order 3) in one
// shared lines dataset; expanding a master row shows the detail view of that order's lines
// only, collapsing hides it, and the level tabs switch between detail levels.

#include <gtest/gtest.h>

#include <cstdlib>

#include "grid/kcGridDBTableView.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableViewData.h"
#include "platform/db/DBClient.h"
#include "platform/forms/FormsTestUtil.h"
#include "platform/forms/StdCtrls.h"
#include "tests/editors/PicturePpm.h"

namespace {

struct MasterDetailGrid {
  TFormsSession session;
  TPlainForm form{500, 400};
  TClientDataSet orders{nullptr}, lines{nullptr};
  TDataSource ordersSource{nullptr}, linesSource{nullptr};
  TkcGrid* grid;
  TkcGridDBTableView* master;
  std::vector<TkcGridDBTableView*> details;
  TkcGridLevel* top;

  // ADetailLevels detail levels over the same lines (captions "Lines", "Lines 2", ...).
  explicit MasterDetailGrid(int ADetailLevels = 1) {
    orders.FieldDefs().Add("ID", ftInteger);
    orders.FieldDefs().Add("NAME", ftString, 10);
    orders.CreateDataSet();
    for (int id : {1, 2, 3}) orders.AppendRecord({id, "order " + std::to_string(id)});
    lines.FieldDefs().Add("ID", ftInteger);
    lines.FieldDefs().Add("ORDER_ID", ftInteger);
    lines.FieldDefs().Add("QTY", ftInteger);
    lines.CreateDataSet();
    for (auto [id, order] : std::vector<std::pair<int, int>>{{10, 1}, {11, 1}, {30, 3}, {31, 3}, {32, 3}})
      lines.AppendRecord({id, order, id * 2});
    orders.First();
    lines.First();
    ordersSource.SetDataSet(&orders);
    linesSource.SetDataSet(&lines);

    grid = new TkcGrid(&form);
    master = CreateGridView<TkcGridDBTableView>(&form);
    master->LookAndFeel()->SetKind(lfFlat);
    master->OptionsView()->SetGroupByBox(false);
    for (const char* name : {"ID", "NAME"}) master->CreateColumn()->DBDataBinding()->SetFieldName(name);
    master->DataController()->SetKeyFieldNames("ID");
    top = grid->Levels()->Add();
    top->SetGridView(master);
    for (int i = 0; i < ADetailLevels; ++i) {
      auto* detail = CreateGridView<TkcGridDBTableView>(&form);
      detail->LookAndFeel()->SetKind(lfFlat);
      detail->OptionsView()->SetGroupByBox(false);
      for (const char* name : {"ID", "QTY"}) detail->CreateColumn()->DBDataBinding()->SetFieldName(name);
      TkcGridDBDataController* dc = detail->DataController();
      dc->SetKeyFieldNames("ID");
      dc->SetDetailKeyFieldNames("ORDER_ID");
      dc->SetMasterKeyFieldNames("ID");
      TkcGridLevel* level = top->Add();
      level->SetCaption(i == 0 ? String("Lines") : "Lines " + std::to_string(i + 1));
      level->SetGridView(detail);
      dc->SetDataSource(&linesSource);
      details.push_back(detail);
    }
    master->DataController()->SetDataSource(&ordersSource);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 480, 380);
    form.Show();
    session.ProcessMessages();
  }
  // The datasets leave their sources while every controller still exists.
  ~MasterDetailGrid() {
    linesSource.SetDataSet(nullptr);
    ordersSource.SetDataSet(nullptr);
  }
  TkcGridTableViewInfo* info() { return master->TableViewInfo(); }
  TkcGridMasterDataRowViewInfo* Row(int ARow) {
    return dynamic_cast<TkcGridMasterDataRowViewInfo*>(info()->RowByIndex(ARow));
  }
  int Record(int ARow) { return master->DataController()->GetRowInfo(ARow).RecordIndex; }
  POINT At(const TRect& R) { return TFormsSession::At(master->Site(), (R.left + R.right) / 2, (R.top + R.bottom) / 2); }
  void ClickButton(int ARow) {
    session.Clock().AdvanceMs(1000);  // never a double click
    session.Click(At(Row(ARow)->ExpandButtonBounds));
    session.ProcessMessages();
  }
  TkcGridDBTableView* Detail(int ARow, int ARelation = 0) {
    return dynamic_cast<TkcGridDBTableView*>(master->GetDetailView(Record(ARow), ARelation));
  }
  std::vector<int> Ids(TkcGridTableView* AView) {
    std::vector<int> ids;
    TkcCustomDataController* dc = AView->DataController();
    for (int r = 0; r < dc->GetRowCount(); ++r) ids.push_back(dc->GetValue(dc->GetRowInfo(r).RecordIndex, 0).AsInteger());
    return ids;
  }
  // Shown: a child window of the master's site inside the details site's client area.
  bool Shown(TkcGridTableView* AView) {
    TkcGridSite* site = AView ? AView->Site() : nullptr;
    return site && site->Parent() == master->Site() && !site->IsParked() && AView->IsVisible();
  }
};

}  // namespace

TEST(GridMasterRows, ExpandingShowsTheRecordsOwnDetailRowsAndCollapsingHidesThem) {
  MasterDetailGrid f;
  ASSERT_NE(f.Row(0), nullptr);
  const int dataHeight = f.Row(0)->Bounds.bottom - f.Row(0)->Bounds.top;
  // A collapsed master row is as high as a data row; its cells start one level indent in.
  const int indent = f.info()->LevelIndent();
  EXPECT_EQ(f.Row(1)->Bounds.top, f.Row(0)->Bounds.bottom);
  EXPECT_EQ(f.Row(0)->CellsAreaBounds.left, f.Row(0)->ContentLeft() + indent);
  EXPECT_EQ(f.Row(0)->ExpandCellBounds.right - f.Row(0)->ExpandCellBounds.left, indent);
  EXPECT_EQ(f.Row(0)->DetailsSite, nullptr);

  // The expand button of the first order: its two lines, nothing of the others.
  f.ClickButton(0);
  ASSERT_TRUE(f.master->DataController()->IsDetailExpanded(f.Record(0)));
  TkcGridDBTableView* first = f.Detail(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  EXPECT_TRUE(f.Shown(first));
  ASSERT_NE(f.Row(0)->DetailsSite, nullptr);
  TRect client;
  f.Row(0)->DetailsSite->GetClientBounds(client);
  EXPECT_EQ(first->Site()->BoundsRect(), client);
  EXPECT_EQ(client.top, f.Row(0)->CellsAreaBounds.bottom + 1);  // under the cells and the frame
  EXPECT_GE(client.left, f.Row(0)->ExpandCellBounds.right);
  // The details take what the lines need: the next row starts below them.
  EXPECT_GT(f.Row(1)->Bounds.top, f.Row(0)->Bounds.top + dataHeight + first->TableViewInfo()->RowHeight() * 2);
  EXPECT_EQ(f.Row(1)->Bounds.top, f.Row(0)->Bounds.bottom);

  // The third order by keys: focused, then the numeric-pad plus.
  f.master->DataController()->FocusRecord(f.Record(2));
  f.master->Site()->SetFocus();
  f.session.ProcessMessages();
  f.session.Key(VK_ADD);
  f.session.ProcessMessages();
  TkcGridDBTableView* third = f.Detail(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
  EXPECT_EQ(f.Ids(first), (std::vector<int>{10, 11}));
  EXPECT_TRUE(f.Shown(first));
  EXPECT_TRUE(f.Shown(third));
  EXPECT_NE(first->Site()->Top(), third->Site()->Top());
  // Making a detail reads the shared lines and gives their cursor back: the focus stays.
  EXPECT_EQ(f.master->DataController()->GetFocusedRowIndex(), 2);
  // A click into the first order's lines focuses that view, and the master follows to its order.
  f.session.Advance(1000);
  TkcGridRowsViewInfo* lines = first->TableViewInfo()->RecordsViewInfo();
  f.session.Click(TFormsSession::At(first->Site(), 30, lines->Items[1]->Bounds.top + 3));
  f.session.ProcessMessages();
  EXPECT_EQ(f.grid->FocusedView(), first);
  EXPECT_EQ(first->DataController()->GetFocusedRowIndex(), 1);
  EXPECT_EQ(f.master->DataController()->GetFocusedRowIndex(), 0);
  f.master->DataController()->FocusRecord(f.Record(2));

  // Collapsing: the first by its button, the third by the minus key; no detail window stays.
  f.ClickButton(0);
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(0)));
  EXPECT_EQ(f.Row(0)->Bounds.bottom - f.Row(0)->Bounds.top, dataHeight);
  EXPECT_FALSE(f.Shown(f.Detail(0)));
  EXPECT_TRUE(f.Shown(third));
  f.master->Site()->SetFocus();
  f.session.Key(VK_SUBTRACT);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(2)));
  EXPECT_FALSE(f.Shown(f.Detail(2)));
  EXPECT_EQ(f.Row(2)->Bounds.bottom - f.Row(2)->Bounds.top, dataHeight);
}

TEST(GridMasterRows, KeysOnAMasterRow) {
  // The arrows stay with the columns on a master row; the numeric-pad keys open and close it.
  struct Case {
    const char* what;
    bool openBefore;
    WORD key;
    bool openAfter, columnMoves;
  };
  const Case cases[] = {
      {"Right leaves a closed row closed", false, VK_RIGHT, false, true},
      {"Left leaves an open row open", true, VK_LEFT, true, true},
      {"star opens", false, VK_MULTIPLY, true, false},
      {"plus opens", false, VK_ADD, true, false},
      {"minus closes", true, VK_SUBTRACT, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    MasterDetailGrid f;
    TkcCustomDataController* dc = f.master->DataController();
    if (c.openBefore) dc->SetDetailExpanded(f.Record(0), true);
    dc->FocusRecord(f.Record(0));
    f.master->Site()->SetFocus();
    f.session.ProcessMessages();
    TkcGridTableController* controller = f.master->TableController();
    TkcGridColumn* start = f.master->VisibleColumns(c.key == VK_LEFT ? 1 : 0);
    controller->SetFocusedItem(start);
    f.session.Key(c.key);
    f.session.ProcessMessages();
    EXPECT_EQ(dc->IsDetailExpanded(f.Record(0)), c.openAfter);
    EXPECT_EQ(controller->FocusedItem() != start, c.columnMoves);
    EXPECT_EQ(dc->GetFocusedRecordIndex(), f.Record(0));
  }
}

TEST(GridMasterRows, WithoutButtonsForEmptyDetailsAnOrderWithoutLinesHasNone) {
  MasterDetailGrid f;
  EXPECT_FALSE(IsRectEmpty(&f.Row(1)->ExpandButtonBounds));  // by default every master row has one
  f.master->OptionsView()->SetExpandButtonsForEmptyDetails(false);
  f.session.ProcessMessages();
  EXPECT_FALSE(IsRectEmpty(&f.Row(0)->ExpandButtonBounds));
  EXPECT_TRUE(IsRectEmpty(&f.Row(1)->ExpandButtonBounds));
  EXPECT_FALSE(IsRectEmpty(&f.Row(2)->ExpandButtonBounds));
  // Nor does the plus key open it.
  f.master->DataController()->FocusRecord(f.Record(1));
  f.master->Site()->SetFocus();
  f.session.Key(VK_ADD);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(1)));
}

TEST(GridMasterRows, LevelTabsSwitchTheDetailOfTheRow) {
  MasterDetailGrid f(2);
  f.top->SetDetailTabsPosition(dtpTop);
  f.session.ProcessMessages();
  f.ClickButton(2);
  ASSERT_NE(f.Row(2)->DetailsSite, nullptr);
  TkcCustomGridDetailsSiteTabsViewInfo* tabs = f.Row(2)->DetailsSite->TabsViewInfo();
  ASSERT_NE(tabs, nullptr);
  ASSERT_EQ(tabs->Count(), 2);
  EXPECT_TRUE(tabs->Items(0)->IsActive());
  EXPECT_TRUE(f.Shown(f.Detail(2, 0)));
  // A click on the second tab shows the second level's view of the same order.
  f.session.Click(f.At(tabs->Items(1)->Bounds));
  f.session.ProcessMessages();
  EXPECT_EQ(f.master->DataController()->GetDetailActiveRelationIndex(f.Record(2)), 1);
  TkcGridDBTableView* second = f.Detail(2, 1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(f.Ids(second), (std::vector<int>{30, 31, 32}));
  EXPECT_TRUE(f.Shown(second));
  EXPECT_FALSE(f.Shown(f.Detail(2, 0)));
  // Alt with a tab's accelerator, in the master (its focused record) or in the detail shown.
  f.top->Items(0)->SetCaption("&Lines");
  f.session.ProcessMessages();
  f.master->DataController()->FocusRecord(f.Record(2));
  f.session.ProcessMessages();
  EXPECT_EQ(f.master->Site()->Perform(WM_SYSCHAR, 'l', 0), 0);
  f.session.ProcessMessages();
  EXPECT_EQ(f.master->DataController()->GetDetailActiveRelationIndex(f.Record(2)), 0);
  f.top->Items(1)->SetCaption("Lines &2");
  f.session.ProcessMessages();
  EXPECT_EQ(f.Detail(2, 0)->Site()->Perform(WM_SYSCHAR, '2', 0), 0);
  f.session.ProcessMessages();
  EXPECT_EQ(f.master->DataController()->GetDetailActiveRelationIndex(f.Record(2)), 1);
  // Hiding the second level takes its tab and falls back to the first.
  f.grid->Levels()->Items(0)->Items(1)->SetVisible(false);
  f.session.ProcessMessages();
  EXPECT_TRUE(f.Shown(f.Detail(2, 0)));
}


TEST(GridMasterRows, AHeldDragOpensTheRecordAndTheTabUnderIt) {
  MasterDetailGrid f(2);
  f.top->SetDetailTabsPosition(dtpTop);
  f.grid->SetBounds(0, 0, 480, 300);
  auto* source = new TListBox(&f.form);
  source->SetParent(&f.form);
  source->SetBounds(0, 310, 100, 80);
  source->SetDragMode(dmAutomatic);
  f.session.ProcessMessages();
  f.session.MoveTo(TFormsSession::At(source, 20, 20));
  f.session.Press();
  // Held over the expand button of the third order: it opens after the wait, not before.
  f.session.MoveTo(f.At(f.Row(2)->ExpandButtonBounds));
  f.session.Advance(500);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(2)));
  f.session.Advance(400);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.master->DataController()->IsDetailExpanded(f.Record(2)));
  // Held over the second tab of that row: the second level's detail opens.
  ASSERT_NE(f.Row(2)->DetailsSite, nullptr);
  f.session.MoveTo(f.At(f.Row(2)->DetailsSite->TabsViewInfo()->Items(1)->Bounds));
  f.session.Advance(900);
  f.session.ProcessMessages();
  EXPECT_EQ(f.master->DataController()->GetDetailActiveRelationIndex(f.Record(2)), 1);
  EXPECT_TRUE(f.Shown(f.Detail(2, 1)));
  // Leaving before the wait is over opens nothing.
  f.session.MoveTo(f.At(f.Row(0)->ExpandButtonBounds));
  f.session.Advance(300);
  f.session.MoveTo(TFormsSession::At(source, 20, 20));
  f.session.Advance(900);
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(0)));
  EXPECT_EQ(f.grid->PendingDragOpen(), nullptr);
}

TEST(GridMasterRows, ADetailOfADetailShowsTheRowsOfItsOwnMasterRow) {
  MasterDetailGrid f;
  // Notes on lines 30 and 31 of order 3, one level below the lines.
  TClientDataSet notes(nullptr);
  TDataSource notesSource(nullptr);
  notes.FieldDefs().Add("ID", ftInteger);
  notes.FieldDefs().Add("LINE_ID", ftInteger);
  notes.CreateDataSet();
  for (auto [id, line] : std::vector<std::pair<int, int>>{{100, 30}, {101, 31}, {102, 31}}) notes.AppendRecord({id, line});
  notes.First();
  notesSource.SetDataSet(&notes);
  auto* noteView = CreateGridView<TkcGridDBTableView>(&f.form);
  noteView->OptionsView()->SetGroupByBox(false);
  noteView->CreateColumn()->DBDataBinding()->SetFieldName("ID");
  TkcGridDBDataController* dc = noteView->DataController();
  dc->SetKeyFieldNames("ID");
  dc->SetDetailKeyFieldNames("LINE_ID");
  dc->SetMasterKeyFieldNames("ID");
  f.top->Items(0)->Add()->SetGridView(noteView);
  dc->SetDataSource(&notesSource);
  f.session.ProcessMessages();

  f.ClickButton(2);
  TkcGridDBTableView* lines = f.Detail(2);
  ASSERT_NE(lines, nullptr);
  ASSERT_TRUE(lines->HasVisibleDetails());  // its rows are master rows too
  auto* line31 = dynamic_cast<TkcGridMasterDataRowViewInfo*>(lines->TableViewInfo()->RowByIndex(1));
  ASSERT_NE(line31, nullptr);
  f.session.Advance(1000);
  f.session.Click(TFormsSession::At(lines->Site(), (line31->ExpandButtonBounds.left + line31->ExpandButtonBounds.right) / 2,
                                    (line31->ExpandButtonBounds.top + line31->ExpandButtonBounds.bottom) / 2));
  f.session.ProcessMessages();
  auto* lineNotes = dynamic_cast<TkcGridDBTableView*>(
      lines->GetDetailView(lines->DataController()->GetRowInfo(1).RecordIndex, 0));
  ASSERT_NE(lineNotes, nullptr);
  EXPECT_EQ(f.Ids(lineNotes), (std::vector<int>{101, 102}));
  EXPECT_EQ(lineNotes->MasterGridView(), lines);
  EXPECT_TRUE(lineNotes->IsVisible());
  EXPECT_EQ(lineNotes->Site()->Parent(), lines->Site());
  // The lines' row grew by the notes: the order's details grew with it.
  EXPECT_GT(f.Row(2)->DetailsSite->Bounds.bottom - f.Row(2)->DetailsSite->Bounds.top,
            lineNotes->Site()->Height() + 3 * lines->TableViewInfo()->RowHeight());
  notesSource.SetDataSet(nullptr);
}

TEST(GridMasterRows, AnExpandedRecordStaysExpandedWhenTheMasterReloads) {
  MasterDetailGrid f;
  f.ClickButton(2);
  ASSERT_TRUE(f.Shown(f.Detail(2)));
  // A new order at the end: the master reads its records again.
  f.orders.AppendRecord({4, "order 4"});
  f.session.ProcessMessages();
  ASSERT_EQ(f.master->DataController()->GetRowCount(), 4);
  EXPECT_TRUE(f.master->DataController()->IsDetailExpanded(f.Record(2)));
  TkcGridDBTableView* third = f.Detail(2);
  ASSERT_NE(third, nullptr);
  EXPECT_EQ(f.Ids(third), (std::vector<int>{30, 31, 32}));
  EXPECT_TRUE(f.Shown(third));
  EXPECT_FALSE(f.master->DataController()->IsDetailExpanded(f.Record(3)));
}

TEST(GridMasterRows, ExpandedDetailsGoInAnyOrderOfFreeing) {
  // 0: the grid first, 1: the master view first, 2: the detail level's view first, 3: the
  // detail level first, 4: the master record deleted.
  for (int order = 0; order < 5; ++order) {
    MasterDetailGrid f;
    f.ClickButton(0);
    f.ClickButton(2);
    ASSERT_NE(f.Detail(2), nullptr) << order;
    f.Detail(2)->Site()->SetFocus();
    f.session.ProcessMessages();
    switch (order) {
      case 0: delete f.grid; break;
      case 1: delete f.master; break;
      case 2: delete f.details[0]; break;
      case 3: delete f.top->Items(0); break;
      case 4:
        f.master->DataController()->FocusRecord(f.Record(0));
        f.master->DataController()->DeleteFocused();
        break;
    }
    f.session.ProcessMessages();
    if (order >= 2) {
      // The master goes on with plain or remaining rows.
      EXPECT_EQ(f.master->DataController()->GetRowCount(), order == 4 ? 2 : 3) << order;
      if (order != 4) {
        EXPECT_EQ(f.master->GetDetailView(f.Record(2), 0), nullptr) << order;
      }
    }
  }
}

// With VT_SCREENSHOT_DIR set, a picture of expanded master rows with level tabs.
TEST(GridMasterRows, PictureForReview) {
  if (!std::getenv("VT_SCREENSHOT_DIR")) GTEST_SKIP();
  MasterDetailGrid f(2);
  f.top->SetDetailTabsPosition(dtpTop);
  f.master->OptionsView()->SetIndicator(true);
  f.session.ProcessMessages();
  f.ClickButton(0);
  f.ClickButton(2);
  SavePicturePpm(f.session.Snapshot(f.form.Handle()), String(std::getenv("VT_SCREENSHOT_DIR")) + "/grid_master.ppm");
}
