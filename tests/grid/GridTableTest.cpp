// The table view headless: layout with the fixed font metrics (text height 13, 7 pixels a
// character), hit tests at every part, sorting and grouping through the headers, clipboard
// text, effective column parameters, best fit, column IDs, painting and reuse on scroll.

#include <gtest/gtest.h>

#include "grid/kcGridTableView.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct TableFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcGrid* grid;
  TkcGridTableView* view;
  explicit TableFixture(int rows = 4, int width = 300, int height = 150) {
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridTableView>(&form);
    view->LookAndFeel()->SetKind(lfFlat);
    view->OptionsView()->SetGroupByBox(false);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, width, height);
    const char* captions[] = {"Name", "Kind", "N"};
    int widths[] = {74, 39, 20};
    for (int i = 0; i < 3; ++i) {
      TkcGridColumn* c = view->CreateColumn();
      c->SetCaption(captions[i]);
      c->SetWidth(widths[i]);
    }
    view->Columns(2)->SetValueTypeClass(TkcIntegerValueType::Class());

    Load(rows);
    form.Show();
    session.ProcessMessages();
  }
  void Load(int rows) {
    TkcCustomDataController* dc = view->DataController();
    dc->BeginUpdate();
    dc->SetRecordCount(rows);
    for (int r = 0; r < rows; ++r) {
      dc->SetValue(r, 0, Variant("row" + std::to_string(r)));
      dc->SetValue(r, 1, Variant(r % 2 ? "odd" : "even"));
      dc->SetValue(r, 2, Variant(r));
    }
    dc->EndUpdate();
    session.ProcessMessages();
  }
  TkcGridTableViewInfo* info() { return view->TableViewInfo(); }
  POINT At(int x, int y) { return TFormsSession::At(view->Site(), x, y); }
  std::vector<String> Column(int item) {
    std::vector<String> r;
    TkcCustomDataController* dc = view->DataController();
    for (int row = 0; row < dc->GetRowCount(); ++row) {
      TkcRowInfo i = dc->GetRowInfo(row);
      r.push_back(i.Level < dc->Groups()->GetGroupingItemCount() ? "G" : dc->GetDisplayText(i.RecordIndex, item));
    }
    return r;
  }
};

}  // namespace

TEST(GridTableLayout, HeaderRowsAndHeights) {
  TableFixture f(20);
  EXPECT_EQ(f.info()->HeaderHeight(), 19);  // 13 + 4 + 2 borders
  std::vector<TRect> headers;
  for (auto& h : f.info()->Headers()) headers.push_back(h->Bounds);
  EXPECT_EQ(headers, (std::vector<TRect>{{0, 0, 74, 19}, {74, 0, 113, 19}, {113, 0, 133, 19}}));
  EXPECT_EQ(f.info()->DataWidth(), 133);
  struct Case {
    TkcGridLines lines;
    int dataRowHeight;
    int rowHeight;
  } cases[] = {{glBoth, 0, 18}, {glHorizontal, 0, 18}, {glVertical, 0, 17}, {glNone, 0, 17}, {glBoth, 20, 20}};
  for (const Case& c : cases) {
    f.view->SetGridLines(c.lines);
    f.view->SetDataRowHeight(c.dataRowHeight);
    f.session.ProcessMessages();
    EXPECT_EQ(f.info()->RowHeight(), c.rowHeight) << c.lines;
    // Rows that fit wholly, and the part-visible one after them (client 150 minus the header).
    EXPECT_EQ(f.info()->VisibleRowCount(), (150 - 19) / c.rowHeight);
    EXPECT_EQ(f.info()->PartVisibleRowCount(), (150 - 19 + c.rowHeight - 1) / c.rowHeight);
    EXPECT_EQ(f.info()->Rows(1)->Bounds, (TRect{0, 19 + c.rowHeight, 133, 19 + 2 * c.rowHeight}));
  }
  f.view->SetDataRowHeight(0);
  f.view->SetGridLines(glBoth);
  // Borders per grid-line kind: the right-most cell of a horizontal-lines view closes the row.
  f.session.ProcessMessages();
  auto borders = [&](int cell) { return f.info()->Rows(0)->Cells[static_cast<size_t>(cell)]->Borders; };
  EXPECT_EQ(borders(0), (TkcBorders{bRight, bBottom}));
  f.view->SetGridLines(glHorizontal);
  f.session.ProcessMessages();
  EXPECT_EQ(borders(0), (TkcBorders{bBottom}));
  EXPECT_EQ(borders(2), (TkcBorders{bRight, bBottom}));
  // Hidden header: positions are kept, its height is 0.
  f.view->SetShowHeader(false);
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->HeaderHeight(), 0);
  EXPECT_EQ(f.info()->Rows(0)->Bounds.top, 0);
  // Grouped by one column: the first column takes a level's indent (17).
  f.view->SetShowHeader(true);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->Headers()[0]->Bounds, (TRect{0, 0, 91, 19}));
  EXPECT_TRUE(f.info()->Rows(0)->IsGroup());
  EXPECT_EQ(f.info()->Rows(0)->Cells[0]->Text, "Kind : even");
  EXPECT_FALSE(f.info()->Rows(1)->IsGroup());
  EXPECT_EQ(f.info()->Rows(1)->Cells[0]->Bounds.left, 17);
}

TEST(GridTableLayout, HitTestsAtEveryPart) {
  TableFixture f(3);
  struct Case {
    TPoint p;
    int code;
    int row;
    int column;
  } cases[] = {
      {{10, 5}, 202, -1, 0},  {{54, 5}, 202, -1, 0},   {{69, 5}, 204, -1, 0},  {{70, 5}, 203, -1, 0},
      {{77, 5}, 203, -1, 0},  {{78, 5}, 202, -1, 1},   {{140, 5}, 0, -1, -1}, {{10, 20}, 107, 0, 0},  {{80, 40}, 107, 1, 1},
      {{120, 56}, 107, 2, 2}, {{10, 80}, 0, -1, -1},   {{200, 30}, 0, -1, -1},
  };
  for (const Case& c : cases) {
    TkcCustomGridHitTest* hit = f.info()->GetHitTest(c.p);
    EXPECT_EQ(hit->HitTestCode(), c.code) << c.p.x << "," << c.p.y;
    TkcGridColumn* column = c.column < 0 ? nullptr : f.view->Columns(c.column);
    if (auto* h = dynamic_cast<TkcCustomGridColumnHitTest*>(hit)) {
      EXPECT_EQ(h->Column, column);
    }
    if (auto* h = dynamic_cast<TkcGridRecordCellHitTest*>(hit)) {
      EXPECT_EQ(h->Column, column);
      EXPECT_EQ(h->RowIndex, c.row);
    }
  }
  EXPECT_EQ(f.view->Site()->GetCurrentCursor(73, 5), crkcGridHorzSize);
}

TEST(GridTableSorting, HeaderClicksAndGrouping) {
  TableFixture f(4);
  auto click = [&](int x, std::vector<WORD> keys = {}) {
    for (WORD k : keys) f.session.KeyDown(k);
    f.session.Click(f.At(x, 5));
    for (WORD k : keys) f.session.KeyUp(k);
  };
  click(10);  // Name ascending
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soAscending);
  click(10);
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soDescending);
  EXPECT_EQ(f.Column(0), (std::vector<String>{"row3", "row2", "row1", "row0"}));
  click(120, {VK_SHIFT});  // N kept beside Name
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soDescending);
  EXPECT_EQ(f.view->Columns(2)->SortOrder(), soAscending);
  click(90);  // a plain click on another column clears the others
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soNone);
  EXPECT_EQ(f.view->Columns(2)->SortOrder(), soNone);
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soAscending);
  click(90, {VK_CONTROL});
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soNone);

  // Grouping by Kind; a sort of Name then orders inside the groups.
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  click(10);
  f.session.ProcessMessages();
  EXPECT_EQ(f.Column(0), (std::vector<String>{"G", "row0", "row2", "G", "row1", "row3"}));
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), 0);
}

TEST(GridTableClipboard, CopyText) {
  TableFixture f(2);
  EXPECT_EQ(f.view->GetCopyText(true, false), "Name\tKind\tN\r\nrow0\teven\t0\r\nrow1\todd\t1");
  EXPECT_EQ(f.view->GetCopyText(false, false), "row0\teven\t0\r\nrow1\todd\t1");
  // An empty first cell keeps its own line.
  f.view->Columns(0)->SetVisible(false);
  f.view->DataController()->SetValue(0, 1, Variant(""));
  f.view->Columns(2)->SetVisible(false);
  EXPECT_EQ(f.view->GetCopyText(false, false), "\r\nodd");
  f.view->Columns(1)->SetVisible(false);
  EXPECT_EQ(f.view->GetCopyText(true, false), "\r\n");
  EXPECT_EQ(f.view->GetCopyText(false, false), "");
  for (int i = 0; i < 3; ++i) f.view->Columns(i)->SetVisible(true);
  f.Load(4);
  // Groups and selected rows; the grouped column stays among the columns.
  f.view->OptionsCustomize()->SetColumnHidingOnGrouping(false);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.view->DataController()->SetMultiSelect(true);
  f.view->DataController()->SelectRows(1, 2);
  EXPECT_EQ(f.view->GetCopyText(false, true), "row0\teven\t0\r\nrow2\teven\t2");
  EXPECT_EQ(
      f.view->GetCopyText(true, false),
      "Name\tKind\tN\r\nKind : even\r\nrow0\teven\t0\r\nrow2\teven\t2\r\nKind : odd\r\nrow1\todd\t1\r\nrow3\todd\t3");
  f.Load(0);
  EXPECT_EQ(f.view->GetCopyText(true, false), "Name\tKind\tN\r\n");
  f.view->CopyToClipboard(true, false);
  EXPECT_EQ(Clipboard()->AsText(), "Name\tKind\tN\r\n");
}

TEST(GridTableColumns, IdsWidthsStylesAndBestFit) {
  TableFixture f(3);
  TkcGridTableView* v = f.view;
  v->ClearItems();
  EXPECT_EQ(v->ColumnCount(), 0);
  TkcGridColumn* a = v->CreateColumn();
  TkcGridColumn* b = v->CreateColumn();
  TkcGridColumn* c = v->CreateColumn();
  EXPECT_EQ((std::vector{a->ID(), b->ID(), c->ID()}), (std::vector{0, 1, 2}));
  delete c;
  EXPECT_EQ(v->CreateColumn()->ID(), 2);
  delete a;
  EXPECT_EQ(v->CreateColumn()->ID(), 3);
  b->SetIndex(-5);
  EXPECT_EQ(b->Index(), 0);
  b->SetIndex(99);
  EXPECT_EQ(b->Index(), v->ColumnCount() - 1);
  v->ClearItems();
  TkcGridColumn* col = v->CreateColumn();
  EXPECT_EQ(col->ID(), 0);
  EXPECT_EQ(col->Width(), 64);
  col->SetWidth(5);
  EXPECT_EQ(col->Width(), 20);
  col->SetMinWidth(100);
  EXPECT_EQ(col->Width(), 100);
  EXPECT_FALSE(col->IsCaptionAssigned());
  col->SetCaption("");
  EXPECT_FALSE(col->IsCaptionAssigned());  // the same text assigns nothing
  col->SetVisible(false);
  EXPECT_EQ(col->VisibleIndex(), -1);

  // Content parameters: the column's own, else the view's, else the painter's defaults.
  EXPECT_EQ(col->GetContentParams().Color, clWindow);
  TkcStyle viewStyle(nullptr), columnStyle(nullptr);
  viewStyle.SetColor(clAqua);
  v->Styles()->SetContent(&viewStyle);
  EXPECT_EQ(col->GetContentParams().Color, clAqua);
  columnStyle.SetColor(clYellow);
  col->Styles()->SetContent(&columnStyle);
  EXPECT_EQ(col->GetContentParams().Color, clYellow);
  EXPECT_EQ(col->GetContentParams().TextColor, clWindowText);
  viewStyle.SetTextColor(clRed);
  EXPECT_EQ(col->GetContentParams().TextColor, clRed);
  col->Styles()->SetContent(nullptr);
  v->Styles()->SetContent(nullptr);

  // Best fit: the widest text among the caption (beside its 15-pixel filter button and a 2-pixel
  // gap) and every row, 7 pixels a character.
  TableFixture g(3);
  g.view->DataController()->SetValue(1, 0, Variant("a much longer text"));  // 18 characters
  EXPECT_EQ(g.view->Columns(0)->GetBestFitWidth(), 18 * 7 + 5);
  EXPECT_EQ(g.view->Columns(2)->GetBestFitWidth(), 7 + 6 + 15 + 2);  // "N" and its filter button
  g.view->Columns(1)->SetCaption("A long caption");
  EXPECT_EQ(g.view->Columns(1)->GetBestFitWidth(), 14 * 7 + 6 + 15 + 2);
  g.view->Columns(1)->SetSortOrder(soAscending);  // and its sorting mark once sorted
  EXPECT_GT(g.view->Columns(1)->GetBestFitWidth(), 14 * 7 + 6 + 15 + 2);
  g.view->Columns(0)->ApplyBestFit();
  EXPECT_EQ(g.view->Columns(0)->Width(), 131);
}

TEST(GridTablePainting, OneCallForGridLinesAndNoDataText) {
  TableFixture f(3);
  TBitmap bitmap(300, 150);
  TkcCanvas canvas(bitmap.Canvas());
  StartRecording(canvas.Handle());
  f.view->Painter()->Paint(&canvas);
  std::vector<GdiRecord> calls = StopRecording(canvas.Handle());
  std::vector<std::string> texts;
  int polyCalls = 0;
  std::vector<POINT> lines;
  for (const GdiRecord& c : calls) {
    if (c.op == "ExtTextOut" || c.op == "DrawText" || c.op == "TextOut") texts.push_back(c.text);
    if (c.op == "PolyPolyline") ++polyCalls, lines = c.points;
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"Name", "Kind", "N", "row0", "even", "0", "row1", "odd", "1", "row2",
                                             "even", "2"}));
  EXPECT_EQ(polyCalls, 1);
  ASSERT_EQ(lines.size(), 3u * 3u * 4u);
  // The first cell's right line runs down x = 73 over the row; its bottom line along y = 36.
  EXPECT_EQ(lines[0].x, 73);
  EXPECT_EQ(lines[0].y, 19);
  EXPECT_EQ(lines[1].y, 37);
  EXPECT_EQ(lines[2].y, 36);
  EXPECT_EQ(lines[3].x, 73);
  EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(73, 25)), ColorToRGB(clBtnShadow));

  f.Load(0);
  StartRecording(canvas.Handle());
  f.view->Painter()->Paint(&canvas);
  calls = StopRecording(canvas.Handle());
  bool noData = false;
  for (const GdiRecord& c : calls)
    if (c.text == "<No data to display>") noData = true;
  EXPECT_TRUE(noData);
}

TEST(GridTableScrolling, ReusesRowsAndFollowsTheFocus) {
  TableFixture f(100);
  int visible = f.info()->PartVisibleRowCount();
  int created = f.info()->RowsCreated();
  f.view->SetTopRowIndex(1);
  EXPECT_EQ(f.info()->RowsCreated(), created + 1);  // only the uncovered row is laid out
  EXPECT_EQ(f.info()->Rows(0)->RowIndex, 1);
  EXPECT_EQ(f.info()->Rows(0)->Bounds.top, 19);
  EXPECT_EQ(f.info()->PartVisibleRowCount(), visible);
  f.view->SetTopRowIndex(0);
  EXPECT_EQ(f.info()->RowsCreated(), created + 2);
  f.view->SetTopRowIndex(-5);
  EXPECT_EQ(f.view->TopRowIndex(), 0);
  f.view->SetTopRowIndex(1000);
  EXPECT_EQ(f.view->TopRowIndex(), 100 - f.info()->VisibleRowCount());
  // The vertical bar pages by the rows that fit; the wheel scrolls through it.
  f.view->SetTopRowIndex(0);
  ASSERT_TRUE(f.view->Site()->VScrollBar()->Visible());
  EXPECT_EQ(f.view->Site()->VScrollBar()->Data.PageSize, f.info()->VisibleRowCount());
  EXPECT_EQ(f.info()->Bounds.right, 300 - 17);
  f.view->Site()->SetFocus();
  f.session.MoveTo(f.At(10, 40));
  f.session.Wheel(-1);
  EXPECT_GT(f.view->TopRowIndex(), 0);
  // Keys move the focus and keep it in view.
  f.view->SetTopRowIndex(0);
  f.view->Site()->SetFocus();
  f.session.Key(VK_END);
  EXPECT_EQ(f.view->DataController()->GetFocusedRowIndex(), 99);
  EXPECT_EQ(f.view->TopRowIndex(), 100 - f.info()->VisibleRowCount());
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_HOME);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.view->TopRowIndex(), 0);
  f.session.Click(f.At(10, 19 + 18 * 2 + 3));
  EXPECT_EQ(f.view->DataController()->GetFocusedRowIndex(), 2);
  EXPECT_EQ(f.info()->Rows(2)->Cells[0]->Params.Color, clHighlight);
  EXPECT_EQ(f.info()->Rows(1)->Cells[0]->Params.Color, clWindow);
  // Ctrl+C copies the rows with the captions.
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('C');
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(Clipboard()->AsText().substr(0, 26), "Name\tKind\tN\r\nrow0\teven\t0\r\n");
}

TEST(GridTableView, FreedWhileShown) {
  TableFixture f(5);
  delete f.view;  // its level and grid let it go before any of its parts is destroyed
  f.session.ProcessMessages();
  EXPECT_EQ(f.grid->ActiveView(), nullptr);
  EXPECT_EQ(f.grid->Levels()->Items(0)->GridView(), nullptr);
  f.grid->Invalidate();
  f.session.Snapshot(f.form.Handle());
}
