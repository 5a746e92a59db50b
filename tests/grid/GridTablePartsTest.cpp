// The table view's parts with the fixed font metrics (text height 13, 7 pixels a character):
// group-by box, header, footer and indicator heights and places, hit tests at every part,
// footer texts from the controller's summaries, options and styles, and the drags of column
// headers and edges through real mouse input.

#include <cstdio>
#include <cstdlib>

#include <gtest/gtest.h>

#include "data/kcDataSummary.h"
#include "grid/kcGridDragObjects.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct PartsFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcGrid* grid;
  TkcGridTableView* view;
  explicit PartsFixture(int rows = 6) {
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridTableView>(&form);
    view->LookAndFeel()->SetKind(lfFlat);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 360, 240);
    const char* captions[] = {"Name", "Kind", "N"};
    int widths[] = {74, 60, 50};
    for (int i = 0; i < 3; ++i) {
      TkcGridColumn* c = view->CreateColumn();
      c->SetCaption(captions[i]);
      c->SetWidth(widths[i]);
    }
    view->Columns(2)->SetValueTypeClass(TkcIntegerValueType::Class());
    TkcCustomDataController* dc = view->DataController();
    dc->BeginUpdate();
    dc->SetRecordCount(rows);
    for (int r = 0; r < rows; ++r) {
      dc->SetValue(r, 0, Variant("row" + std::to_string(r)));
      dc->SetValue(r, 1, Variant(r % 2 ? "odd" : "even"));
      dc->SetValue(r, 2, Variant(r * 10));
    }
    dc->EndUpdate();
    form.Show();
    session.ProcessMessages();
  }
  TkcGridTableViewInfo* info() { return view->TableViewInfo(); }
  POINT At(int x, int y) { return TFormsSession::At(view->Site(), x, y); }
  void Drag(TPoint from, TPoint to) {
    session.MoveTo(At(from.x, from.y));
    session.Press();
    session.MoveTo(At((from.x + to.x) / 2, (from.y + to.y) / 2));
    session.MoveTo(At(to.x, to.y));
    session.Release();
    session.ProcessMessages();
  }
  TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
  // The lime pixels of insertion arrows on the screen within r (site coordinates), leaving out
  // those within `except`.
  int LimeIn(const TRect& r, const TRect& except = TRect{}) { return ColorIn(r, 0x00FF00, except); }
  // The pixels of one colour (0xRRGGBB) on the screen within r, leaving out those within `except`.
  int ColorIn(const TRect& r, unsigned rgb, const TRect& except = TRect{}) {
    Surface s = session.Snapshot(form.Handle());
    TPoint o = view->Site()->ClientToScreen(TPoint{0, 0});
    int n = 0;
    for (int y = std::max<int>(r.top, -o.y); y < std::min<int>(r.bottom, s.Height() - o.y); ++y)
      for (int x = std::max<int>(r.left, -o.x); x < std::min<int>(r.right, s.Width() - o.x); ++x) {
        POINT p{x, y};
        if ((s.Bits()[(o.y + y) * s.Width() + o.x + x] & 0xFFFFFF) == rgb && !PtInRect(&except, p)) ++n;
      }
    return n;
  }
  // No group-by box, grouped by Kind, every group open.
  void GroupByKind() {
    view->OptionsView()->SetGroupByBox(false);
    view->Columns(1)->SetGroupIndex(0);
    view->DataController()->Groups()->ExpandAll();
    session.ProcessMessages();
  }
};

}  // namespace

TEST(GridTableParts, HeightsAndPlaces) {
  PartsFixture f;
  // No grouping: the box is the prompt's text height + 22; the header lies under it.
  EXPECT_EQ(f.info()->GroupByBoxViewInfo()->Height, 13 + 22);
  EXPECT_EQ(f.info()->HeaderViewInfo()->Bounds, (TRect{0, 35, 184, 54}));
  EXPECT_EQ(f.info()->GroupByBoxViewInfo()->Text, "Drag a column header here to group by that column");
  // One grouped column: 19 + 16; two: 9 * 3 + 1 + 16. Grouped columns leave the header.
  f.view->Columns(1)->SetGroupIndex(0);
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->GroupByBoxViewInfo()->Height, 35);
  EXPECT_EQ(f.info()->Headers().size(), 2u);
  f.view->Columns(2)->SetGroupIndex(1);
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->GroupByBoxViewInfo()->Height, 44);
  auto& box = f.info()->GroupByBoxViewInfo()->Items;
  ASSERT_EQ(box.size(), 2u);
  EXPECT_EQ(box[0]->Bounds.left, 6);
  EXPECT_EQ(box[0]->Bounds.top, 8);
  EXPECT_EQ(box[1]->Bounds.left, box[0]->Bounds.right + 4);
  EXPECT_EQ(box[1]->Bounds.top, 8 + 19 / 2);
  // Two levels indent the first column by 2 x (11 + 6).
  EXPECT_EQ(f.info()->Headers()[0]->Bounds.right - f.info()->Headers()[0]->Bounds.left, 74 + 34);
  f.view->Columns(2)->SetGroupIndex(-1);
  f.view->Columns(1)->SetGroupIndex(-1);
  EXPECT_TRUE(f.view->Columns(1)->Visible());  // back as it was before grouping

  // Footer at the bottom: borders 1 + cell 13 + 4 + 2 + 2 cell borders + separator 1; the
  // indicator's width comes off the left of header, rows and footer.
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetFooter(true);
  f.view->OptionsView()->SetIndicator(true);
  f.session.ProcessMessages();
  TRect site = f.info()->Bounds;
  EXPECT_EQ(f.info()->FooterViewInfo()->Height, 1 + 21 + 1 + 1);
  EXPECT_EQ(f.info()->FooterViewInfo()->Bounds.bottom, site.bottom);
  EXPECT_EQ(f.info()->HeaderViewInfo()->Bounds.left, 12);
  EXPECT_EQ(f.info()->ClientBounds(), (TRect{12, 19, site.right, site.bottom - 24}));
  EXPECT_EQ(f.info()->Rows(0)->Bounds.left, 12);
  auto& items = f.info()->IndicatorViewInfo()->Items;
  ASSERT_GE(items.size(), 3u);
  EXPECT_EQ(items[0]->Kind, TkcGridIndicatorViewInfo::ikHeader);
  EXPECT_EQ(items[0]->Bounds, (TRect{0, 0, 12, 19}));
  EXPECT_EQ(items[1]->Kind, TkcGridIndicatorViewInfo::ikFooter);
  EXPECT_EQ(items[2]->Bounds, (TRect{0, 19, 12, 19 + f.info()->RowHeight()}));
  // Hidden header: no header item, the first row item starts at the client top.
  f.view->SetShowHeader(false);
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->IndicatorViewInfo()->Items[0]->Kind, TkcGridIndicatorViewInfo::ikFooter);
  EXPECT_EQ(f.info()->Rows(0)->IndicatorItem->Bounds.top, 0);
}

TEST(GridTableParts, HitTestsAtEveryPart) {
  PartsFixture f;
  f.view->OptionsView()->SetFooter(true);
  f.view->OptionsView()->SetIndicator(true);
  f.view->OptionsCustomize()->SetDataRowSizing(true);
  TkcDataSummaryItem* sum = f.view->DataController()->Summary()->FooterSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  TRect header = info->HeaderViewInfo()->Bounds;
  TRect footer = info->FooterViewInfo()->Bounds;
  TkcCustomGridRowViewInfo* group = info->Rows(0);
  TkcCustomGridRowViewInfo* data = info->Rows(1);
  ASSERT_TRUE(group->IsGroup());
  struct Case {
    TPoint p;
    int code;
  } cases[] = {
      {{100, 5}, 201},                                                // group-by box
      {{5, header.top + 5}, 215},                                     // indicator's header cell
      {{20, header.top + 5}, 202},                                    // column header
      {{5, data->Bounds.top + 3}, 213},                               // row indicator
      {{5, data->Bounds.bottom - 1}, 214},                            // row sizing edge
      {{14, data->Bounds.top + 3}, 216},                              // the group level's indent
      {{40, data->Bounds.top + 3}, 107},                              // data cell
      {f.Centre(static_cast<TkcGridGroupRowViewInfo*>(group)->ExpandButtonBounds), 108},  // expand button
      {{120, group->Bounds.top + 3}, 106},                            // group row
      {{header.left + 2, footer.top + 2}, 205},                       // footer band
      {{info->FooterViewInfo()->Items[1]->Bounds.left + 5, footer.top + 6}, 206},  // footer cell of N
  };
  for (const Case& c : cases) {
    TkcCustomGridHitTest* hit = info->GetHitTest(c.p);
    ASSERT_NE(hit, nullptr);
    EXPECT_EQ(hit->HitTestCode(), c.code) << c.p.x << "," << c.p.y;
  }
  // A row that cannot be sized answers the row indicator over its whole cell.
  f.view->OptionsCustomize()->SetDataRowSizing(false);
  f.session.ProcessMessages();
  data = info->Rows(1);
  EXPECT_EQ(info->GetHitTest(TPoint{5, data->Bounds.bottom - 1})->HitTestCode(), 213);
}

TEST(GridTableParts, FooterShowsTheSummaries) {
  PartsFixture f;
  f.view->OptionsView()->SetFooter(true);
  TkcDataSummary* summary = f.view->DataController()->Summary();
  TkcDataSummaryItem* sum = summary->FooterSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  TkcDataSummaryItem* count = summary->FooterSummaryItems()->Add();
  count->SetItemLink(f.view->Columns(0));
  count->SetKind(skCount);
  f.session.ProcessMessages();
  auto& cells = f.info()->FooterViewInfo()->Items;
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[2]->Text, summary->GetFooterSummaryText(0));
  EXPECT_EQ(cells[0]->Text, summary->GetFooterSummaryText(1));
  EXPECT_NE(cells[2]->Text.find("150"), String::npos);  // 0 + 10 + ... + 50
  // A column without a footer summary shows no cell.
  EXPECT_FALSE(cells[1]->GetVisible());
  EXPECT_TRUE(cells[0]->GetVisible());
  // A change of the data shows in the footer.
  f.view->DataController()->SetValue(0, 2, Variant(1000));
  f.session.ProcessMessages();
  EXPECT_NE(f.info()->FooterViewInfo()->Items[2]->Text.find("1150"), String::npos);
}

TEST(GridTableParts, OptionsClampAndStyles) {
  PartsFixture f;
  TkcGridTableOptionsView* ov = f.view->OptionsView();
  ov->SetNavigatorOffset(-1);
  EXPECT_EQ(ov->NavigatorOffset(), 0);
  ov->SetNewItemRowSeparatorWidth(1);
  EXPECT_EQ(ov->NewItemRowSeparatorWidth(), 2);
  ov->SetIndicatorWidth(-4);
  EXPECT_EQ(ov->IndicatorWidth(), 0);
  f.view->OptionsBehavior()->SetBestFitMaxRecordCount(-3);
  EXPECT_EQ(f.view->OptionsBehavior()->BestFitMaxRecordCount(), 0);
  ov->SetDataRowHeight(3);
  EXPECT_EQ(ov->DataRowHeight(), f.view->CalculateRowDefaultHeight());
  ov->SetDataRowHeight(0);
  EXPECT_EQ(ov->GetGridLineColor(), clBtnShadow);
  // Cell multi-selection forces its partners and holds them.
  TkcGridTableOptionsSelection* os = f.view->OptionsSelection();
  os->SetCellMultiSelect(true);
  EXPECT_TRUE(os->CellSelect());
  EXPECT_FALSE(os->InvertSelect());
  EXPECT_TRUE(os->MultiSelect());
  os->SetMultiSelect(false);
  EXPECT_TRUE(os->MultiSelect());
  // With only ContentOdd assigned, even rows keep Content.
  TkcStyle odd(nullptr);
  odd.SetColor(clYellow);
  f.view->Styles()->SetStyle(gsiContentOdd, &odd);
  for (int row = 0; row < 4; ++row)
    EXPECT_EQ(f.view->Styles()->GetContentParams(row, f.view->Columns(0)).Color, row % 2 ? clYellow : clWindow);
  // A handler's style wins over both.
  TkcStyle red(nullptr);
  red.SetColor(clRed);
  f.view->Styles()->OnGetContentStyle = [&](TkcGridTableView*, int ARow, TkcGridColumn*, TkcStyle*& AStyle) {
    if (ARow == 1) AStyle = &red;
  };
  EXPECT_EQ(f.view->Styles()->GetContentParams(1, nullptr).Color, clRed);
  EXPECT_EQ(f.view->Styles()->GetContentParams(3, nullptr).Color, clYellow);
  f.view->Styles()->OnGetContentStyle = nullptr;
  f.view->Styles()->SetStyle(gsiContentOdd, nullptr);
  // Switching group-by sorting ungroups (showing the grouped column) and drops all sorting.
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->Columns(0)->SetSortOrder(soAscending);
  f.view->OptionsCustomize()->SetGroupBySorting(true);
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), -1);
  EXPECT_TRUE(f.view->Columns(1)->Visible());
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soNone);
}

TEST(GridTableParts, ViewsShareAStyleSheet) {
  PartsFixture f;
  auto* grid2 = new TkcGrid(&f.form);
  auto* view2 = CreateGridView<TkcGridTableView>(&f.form);
  view2->CreateColumn()->SetCaption("Other");
  grid2->Levels()->Add()->SetGridView(view2);
  grid2->SetParent(&f.form);
  grid2->SetBounds(0, 250, 200, 40);
  auto repository = std::make_unique<TkcStyleRepository>(nullptr);
  auto* sheet = static_cast<TkcGridTableViewStyleSheet*>(
      repository->NewStyleSheet(TkcGridTableViewStyleSheet::StaticClass()));
  auto* header = static_cast<TkcStyle*>(repository->NewStyle(TkcStyle::StaticClass()));
  auto* content = static_cast<TkcStyle*>(repository->NewStyle(TkcStyle::StaticClass()));
  header->SetColor(clLime);
  content->SetColor(clYellow);
  sheet->Styles()->SetStyle(gsiHeader, header);
  sheet->Styles()->SetContent(content);
  TkcGridTableView* views[] = {f.view, view2};
  for (TkcGridTableView* v : views) v->Styles()->SetStyleSheet(sheet);
  EXPECT_EQ(sheet->UserCount(), 2);
  f.session.ProcessMessages();
  for (TkcGridTableView* v : views) {
    EXPECT_EQ(v->Styles()->GetHeaderParams(v->Columns(0)).Color, clLime);
    EXPECT_EQ(v->Styles()->GetContentParams(0, v->Columns(0)).Color, clYellow);
  }
  // The header is painted in the sheet's colour (a pixel inside the first column's header).
  TRect h = f.info()->HeaderViewInfo()->Bounds;
  EXPECT_GT(f.ColorIn(h, 0x00FF00), 0);
  // A change of the sheet's style reaches every view that uses it.
  header->SetColor(clFuchsia);
  f.session.ProcessMessages();
  EXPECT_EQ(view2->Styles()->GetHeaderParams(view2->Columns(0)).Color, clFuchsia);
  EXPECT_GT(f.ColorIn(h, 0xFF00FF), 0);
  // A view's own style wins over the sheet, for that view only.
  TkcStyle own(nullptr);
  own.SetColor(clRed);
  f.view->Styles()->SetContent(&own);
  EXPECT_EQ(f.view->Styles()->GetContentParams(0, f.view->Columns(0)).Color, clRed);
  EXPECT_EQ(view2->Styles()->GetContentParams(0, view2->Columns(0)).Color, clYellow);
  // A sheet of another styles class is refused.
  TkcCustomStyleSheet plain(nullptr);
  view2->Styles()->SetStyleSheet(&plain);
  EXPECT_EQ(view2->Styles()->StyleSheet(), sheet);
  // Freeing the sheet leaves the views on their own styles and defaults.
  TColor headerDefault = f.view->Styles()->GetDefaultVisualParams(gsiHeader, nullptr).Color;
  delete sheet;
  for (TkcGridTableView* v : views) EXPECT_EQ(v->Styles()->StyleSheet(), nullptr);
  EXPECT_EQ(repository->StyleSheetCount(), 0);
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Styles()->GetContentParams(0, f.view->Columns(0)).Color, clRed);
  EXPECT_EQ(view2->Styles()->GetContentParams(0, view2->Columns(0)).Color, clWindow);
  EXPECT_EQ(view2->Styles()->GetHeaderParams(view2->Columns(0)).Color, headerDefault);
  EXPECT_EQ(f.ColorIn(h, 0xFF00FF), 0);
  f.view->Styles()->SetContent(nullptr);
}

TEST(GridTableParts, DataCellsDrawThroughTheEditor) {
  PartsFixture f;
  auto* cell = static_cast<TkcGridDataCellViewInfo*>(f.info()->Rows(2)->Cells[2].get());
  ASSERT_NE(cell->EditViewInfo, nullptr);
  EXPECT_EQ(cell->Text, "20");
  // The editor's alignment unless the column says otherwise.
  EXPECT_EQ(cell->AlignmentHorz, f.view->Columns(2)->GetProperties()->Alignment()->Horz());
  f.view->Columns(2)->SetAlignment(taLeftJustify);
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->Rows(2)->Cells[2]->AlignmentHorz, taLeftJustify);
}

TEST(GridTableDrags, HeaderIntoTheGroupByBoxAndBack) {
  PartsFixture f;
  TkcGridTableViewInfo* info = f.info();
  TPoint kind = f.Centre(info->Headers()[1]->TextAreaBounds);
  TPoint box{200, 15};
  // While the header is dragged over the box, arrows mark the insertion place.
  f.session.MoveTo(f.At(kind.x, kind.y));
  f.session.Press();
  f.session.MoveTo(f.At(kind.x, kind.y - 10));
  f.session.MoveTo(f.At(box.x, box.y));
  auto* moving = dynamic_cast<TkcGridColumnHeaderMovingObject*>(f.view->Site()->GetDragAndDropObject());
  ASSERT_NE(moving, nullptr);
  EXPECT_EQ(moving->DestinationPlace, TkcGridColumnHeaderMovingObject::dpGroupByBox);
  TRect arrows = moving->ArrowsBounds();
  EXPECT_FALSE(IsRectEmpty(&arrows));
  // The header's picture follows the mouse, held where it was taken.
  TRect image = moving->ImageBounds();
  EXPECT_EQ(image.left + moving->HotSpot.x, box.x);
  EXPECT_EQ(image.top + moving->HotSpot.y, box.y);
  EXPECT_EQ(moving->HotSpot.x, kind.x - info->Headers()[1]->Bounds.left);
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), 0);
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soNone);  // the drop was no click
  ASSERT_EQ(info->GroupByBoxViewInfo()->Items.size(), 1u);
  // Back out of the box (onto the rows, outside both containers): ungrouped and shown again.
  TPoint grouped = f.Centre(info->GroupByBoxViewInfo()->Items[0]->Bounds);
  f.Drag(grouped, TPoint{100, 150});
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), -1);
  EXPECT_TRUE(f.view->Columns(1)->Visible());
  // Into the header at the first place: the column moves.
  f.Drag(f.Centre(info->Headers()[2]->TextAreaBounds), TPoint{info->Headers()[0]->Bounds.left + 3,
                                                              info->HeaderViewInfo()->Bounds.top + 5});
  EXPECT_EQ(f.view->Columns(0)->Caption(), "N");
  // Dropped on its own place nothing changes.
  int fired = 0;
  f.view->OnColumnPosChanged = [&](TkcGridTableView*, TkcGridColumn*) { ++fired; };
  f.Drag(f.Centre(info->Headers()[0]->TextAreaBounds),
         TPoint{info->Headers()[1]->Bounds.left + 5, info->HeaderViewInfo()->Bounds.top + 5});
  EXPECT_EQ(f.view->Columns(0)->Caption(), "N");
  EXPECT_EQ(fired, 0);
  // Out of the header with hiding off: nothing; with hiding on, the column is hidden.
  f.Drag(f.Centre(info->Headers()[0]->TextAreaBounds), TPoint{100, 150});
  EXPECT_TRUE(f.view->Columns(0)->Visible());
  f.view->OptionsCustomize()->SetColumnHiding(true);
  f.Drag(f.Centre(info->Headers()[0]->TextAreaBounds), TPoint{100, 150});
  EXPECT_FALSE(f.view->Columns(0)->Visible());
  EXPECT_EQ(fired, 1);
}

TEST(GridTableDrags, ArrowsComeBackOverARepaintOfTheSite) {
  PartsFixture f;
  TkcGridTableViewInfo* info = f.info();
  TPoint kind = f.Centre(info->Headers()[1]->TextAreaBounds);
  auto limeIn = [&](const TRect& r) { return f.LimeIn(r); };
  f.session.MoveTo(f.At(kind.x, kind.y));
  f.session.Press();
  f.session.MoveTo(f.At(kind.x, kind.y - 10));
  f.session.MoveTo(f.At(200, 15));
  auto* moving = dynamic_cast<TkcGridColumnHeaderMovingObject*>(f.view->Site()->GetDragAndDropObject());
  ASSERT_NE(moving, nullptr);
  TRect arrows = moving->ArrowsBounds();
  ASSERT_FALSE(IsRectEmpty(&arrows));
  const int lime = limeIn(arrows);
  EXPECT_GT(lime, 20);
  // The site paints anew under the drag: the arrows are drawn again over the new picture.
  f.view->Site()->Invalidate();
  f.session.ProcessMessages();
  EXPECT_EQ(limeIn(arrows), lime);
  EXPECT_FALSE(moving->Dirty());
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_EQ(limeIn(arrows), 0);
}

TEST(GridTableDrags, ArrowsStayInsideTheView) {
  // An insertion place past an edge of the view is marked at that edge.
  struct Case {
    const char* what;
    int width, height;
    int groupedCaptionLength;  // > 0: "Name" is grouped under a caption of that many letters
  };
  const Case cases[] = {
      {"after a grouped header beyond the right edge", 120, 240, 16},
      {"at a header taller than the room below the box", 360, 45, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PartsFixture f;
    f.grid->SetBounds(0, 0, c.width, c.height);
    if (c.groupedCaptionLength > 0) {
      f.view->Columns(0)->SetCaption(String(static_cast<size_t>(c.groupedCaptionLength), 'x'));
      f.view->Columns(0)->SetGroupIndex(0);
    }
    f.session.ProcessMessages();
    TkcGridTableViewInfo* info = f.info();
    const TRect view = info->Bounds;
    TRect kind = info->HeaderViewInfo()->ItemOfColumn(f.view->Columns(1))->Bounds;
    TPoint from{(kind.left + kind.right) / 2, kind.top + 3};
    // Right of the grouped header's middle (its zone ends after it), or past the last header.
    TPoint to = c.groupedCaptionLength > 0 ? TPoint{view.right - 20, info->GroupByBoxViewInfo()->Items[0]->Bounds.top + 3}
                                           : TPoint{info->Headers().back()->Bounds.right - 5, kind.top + 3};
    f.session.MoveTo(f.At(from.x, from.y));
    f.session.Press();
    f.session.MoveTo(f.At(from.x + 10, from.y));
    f.session.MoveTo(f.At(to.x, to.y));
    auto* moving = dynamic_cast<TkcGridColumnHeaderMovingObject*>(f.view->Site()->GetDragAndDropObject());
    ASSERT_NE(moving, nullptr);
    TRect arrows = moving->ArrowsBounds();
    ASSERT_FALSE(IsRectEmpty(&arrows));
    // The arrows' tips: 5 pixels in from their sides, 9 from their outer ends.
    int x = arrows.left + 5, top = arrows.top + 9, bottom = arrows.bottom - 9;
    if (c.groupedCaptionLength > 0)
      EXPECT_EQ(x, view.right - 1);
    else
      EXPECT_EQ(bottom, view.bottom - 1);
    EXPECT_GE(x, view.left);
    EXPECT_LT(x, view.right);
    EXPECT_GE(top, view.top);
    EXPECT_LT(bottom, view.bottom);
    f.session.Key(VK_ESCAPE);
    f.session.Release();
    f.session.ProcessMessages();
  }
}

TEST(GridTableDrags, CursorTellsWhatADropDoes) {
  // A place that changes nothing is no place to drop on: the cursor then tells whether the
  // column would go (removal) or the drop is refused.
  enum Target { OwnPlace, AfterKind, Rows };
  struct Case {
    bool hiding, grouped;
    Target target;
    TCursor cursor;
  };
  const Case cases[] = {
      {false, false, OwnPlace, crkcGridNoDrop}, {true, false, OwnPlace, crkcGridRemove},
      {false, false, AfterKind, crArrow},       {false, false, Rows, crkcGridNoDrop},
      {true, false, Rows, crkcGridRemove},      {false, true, OwnPlace, crkcGridRemove},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "hiding " << c.hiding << " grouped " << c.grouped << " target " << c.target);
    PartsFixture f;
    f.view->OptionsCustomize()->SetColumnHiding(c.hiding);
    if (c.grouped) f.view->Columns(0)->SetGroupIndex(0);
    f.session.ProcessMessages();
    TkcGridTableViewInfo* info = f.info();
    TRect name = c.grouped ? info->GroupByBoxViewInfo()->Items[0]->Bounds
                           : info->HeaderViewInfo()->ItemOfColumn(f.view->Columns(0))->Bounds;
    TPoint from = f.Centre(name);
    TPoint to = c.target == OwnPlace    ? TPoint{from.x + 12, from.y}
                : c.target == AfterKind ? TPoint{info->Headers()[1]->Bounds.right - 5, from.y}
                                        : TPoint{100, 150};
    f.session.MoveTo(f.At(from.x, from.y));
    f.session.Press();
    f.session.MoveTo(f.At(from.x + 8, from.y));
    f.session.MoveTo(f.At(to.x, to.y));
    ASSERT_TRUE(f.view->Site()->HasDragAndDropObject());
    EXPECT_EQ(Screen->Cursor(), c.cursor);
    f.session.Key(VK_ESCAPE);
    f.session.Release();
    f.session.ProcessMessages();
  }
}

TEST(GridTableDrags, ArrowsLeaveNoTraceUnderThePicture) {
  PartsFixture f;
  TkcGridTableViewInfo* info = f.info();
  TRect name = info->Headers()[0]->Bounds;
  // Held near the header's top, the picture lies over the arrows above it; carried from place
  // to place, only the current arrows stay on the screen.
  TPoint from = f.Centre(name);
  f.session.MoveTo(f.At(from.x, from.y));
  f.session.Press();
  f.session.MoveTo(f.At(from.x + 10, from.y));
  auto* moving = dynamic_cast<TkcGridColumnHeaderMovingObject*>(f.view->Site()->GetDragAndDropObject());
  ASSERT_NE(moving, nullptr);
  for (int x : {info->Headers()[1]->Bounds.right - 5, info->Headers()[2]->Bounds.right - 5,
                info->Headers()[2]->Bounds.left + 5, info->Headers()[1]->Bounds.right - 5}) {
    f.session.MoveTo(f.At(x, name.top + 2));
    TRect arrows = moving->ArrowsBounds();
    ASSERT_FALSE(IsRectEmpty(&arrows));
    EXPECT_EQ(f.LimeIn(info->Bounds, arrows), 0) << "at " << x;
  }
  f.session.Key(VK_ESCAPE);
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_EQ(f.LimeIn(info->Bounds), 0);
}

TEST(GridTableDrags, AHeaderHeldNearAnEdgeScrollsTheColumns) {
  PartsFixture f;
  f.view->OptionsView()->SetGroupByBox(false);
  for (int i = 0; i < 3; ++i) f.view->Columns(i)->SetWidth(200);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  TRect client = info->ClientBounds();
  ASSERT_GT(f.view->MaxLeftPos(), 100);
  TPoint name = f.Centre(info->Headers()[0]->TextAreaBounds);
  f.session.MoveTo(f.At(name.x, name.y));
  f.session.Press();
  f.session.MoveTo(f.At(name.x + 20, name.y));
  // Held 5 pixels from the right edge: 10 pixels a tick of 35 ms.
  f.session.MoveTo(f.At(client.right - 5, name.y));
  f.session.Advance(360);
  f.session.ProcessMessages();
  int scrolled = f.view->LeftPos();
  EXPECT_GE(scrolled, 80);
  EXPECT_LE(scrolled, 110);
  // Back in the middle it stops; at the left edge it goes back.
  f.session.MoveTo(f.At((client.left + client.right) / 2, name.y));
  f.session.Advance(200);
  EXPECT_EQ(f.view->LeftPos(), scrolled);
  f.session.MoveTo(f.At(client.left + 3, name.y));
  f.session.Advance(200);
  EXPECT_LT(f.view->LeftPos(), scrolled);
  f.session.Key(VK_ESCAPE);
  f.session.Release();
  f.session.ProcessMessages();
  int left = f.view->LeftPos();
  f.session.Advance(200);
  EXPECT_EQ(f.view->LeftPos(), left);  // no drag, no scrolling
}

TEST(GridTableDrags, WithinTheGroupByBoxAColumnMovesToTheDroppedPlace) {
  PartsFixture f;
  f.view->Columns(0)->SetGroupIndex(0);
  f.view->Columns(1)->SetGroupIndex(1);
  f.session.ProcessMessages();
  auto& items = f.info()->GroupByBoxViewInfo()->Items;
  ASSERT_EQ(items.size(), 2u);
  // The first grouped column carried past the last: it ends at group index 1.
  TRect first = items[0]->Bounds, last = items[1]->Bounds;
  f.Drag(f.Centre(first), TPoint{last.right + 20, (last.top + last.bottom) / 2});
  EXPECT_EQ(f.view->Columns(0)->GroupIndex(), 1);
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), 0);
  // Dropped on its own place (the zone right after it) nothing changes.
  TRect kind = f.info()->GroupByBoxViewInfo()->Items[0]->Bounds;
  f.session.Advance(1000);
  f.Drag(f.Centre(kind), TPoint{f.info()->GroupByBoxViewInfo()->Items[1]->Bounds.left + 3, (kind.top + kind.bottom) / 2});
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), 0);
}

TEST(GridTableDrags, ColumnAndRowSizing) {
  PartsFixture f;
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetIndicator(true);
  f.view->OptionsCustomize()->SetDataRowSizing(true);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  int edge = info->Headers()[0]->Bounds.right;
  f.Drag(TPoint{edge, 5}, TPoint{edge + 30, 5});
  EXPECT_EQ(f.view->Columns(0)->Width(), 104);
  // While held, the mark runs from the header down to the rows' bottom, above the footer and a
  // filter bar at the bottom.
  f.view->OptionsView()->SetFooter(true);
  f.view->FilterBox()->SetVisible(fvAlways);
  f.session.ProcessMessages();
  edge = info->Headers()[0]->Bounds.right;
  f.session.MoveTo(f.At(edge, 5));
  f.session.Press();
  f.session.MoveTo(f.At(edge + 10, 5));
  auto* sizing = dynamic_cast<TkcGridColumnHorzSizingObject*>(f.view->Site()->GetDragAndDropObject());
  ASSERT_NE(sizing, nullptr);
  EXPECT_EQ(sizing->GetSizingMarkBounds(), (TRect{edge + 9, info->Headers()[0]->Bounds.top, edge + 10,
                                                  info->ClientBounds().bottom}));
  EXPECT_LT(info->ClientBounds().bottom, info->FooterViewInfo()->Bounds.top + 1);
  f.session.Key(VK_ESCAPE);
  f.session.Release();
  f.session.ProcessMessages();
  f.view->OptionsView()->SetFooter(false);
  f.view->FilterBox()->SetVisible(fvNonEmpty);
  f.session.Advance(1000);
  EXPECT_EQ(f.view->Columns(0)->Width(), 104);
  // Never below the minimum width.
  edge = info->Headers()[0]->Bounds.right;
  f.Drag(TPoint{edge, 5}, TPoint{edge - 200, 5});
  EXPECT_EQ(f.view->Columns(0)->Width(), f.view->Columns(0)->MinWidth());
  // A double click on the edge fits the column to its texts.
  edge = info->Headers()[0]->Bounds.right;
  f.session.Click(f.At(edge, 5));
  f.session.Click(f.At(edge, 5));
  EXPECT_EQ(f.view->Columns(0)->Width(), f.view->Columns(0)->GetBestFitWidth());
  // A row's bottom edge in the indicator sets the data row height.
  TkcCustomGridRowViewInfo* row = info->Rows(0);
  int bottom = row->Bounds.bottom, height = row->Bounds.bottom - row->Bounds.top;
  f.Drag(TPoint{5, bottom - 1}, TPoint{5, bottom + 9});
  EXPECT_EQ(f.view->OptionsView()->DataRowHeight(), height + 10);
  EXPECT_EQ(info->RowHeight(), f.view->OptionsView()->DataRowHeight());
}

TEST(GridTableScroll, GroupRowsScrollByPixelsWithReuse) {
  PartsFixture f(60);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.view->OptionsView()->SetGroupRowHeight(30);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  ASSERT_TRUE(info->Rows(0)->IsGroup());
  int created = info->RowsCreated(), visible = info->PartVisibleRowCount();
  int second = info->Rows(1)->Bounds.top;
  f.view->SetTopRowIndex(1);
  // The kept rows moved up by the group row's height; only the rows of the uncovered strip at
  // the bottom were laid out.
  EXPECT_EQ(info->Rows(0)->Bounds.top, second - 30);
  EXPECT_EQ(info->RowsCreated() - created, info->PartVisibleRowCount() - (visible - 1));
  EXPECT_GE(info->RowsCreated() - created, 1);
  f.view->SetTopRowIndex(0);
  EXPECT_EQ(info->Rows(0)->Bounds.top, info->RecordsBounds().top);
  EXPECT_EQ(info->Rows(1)->Bounds.top, info->RecordsBounds().top + 30);
}

namespace {

void SavePicture(TTestSession& ASession, HWND AWnd, const String& AName) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  Surface s = ASession.Snapshot(AWnd);
  FILE* out = std::fopen((String(dir) + "/" + AName).c_str(), "wb");
  ASSERT_NE(out, nullptr);
  std::fprintf(out, "P6\n%d %d\n255\n", s.Width(), s.Height());
  for (int i = 0; i < s.Width() * s.Height(); ++i) {
    const auto p = s.Bits()[i];
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, out);
  }
  std::fclose(out);
}

}  // namespace

// With VT_SCREENSHOT_DIR set, pictures of a table view with groups, group footers, footer and
// indicator, and of a header dragged over the group-by box.
TEST(GridTableParts, PictureForReview) {
  if (!std::getenv("VT_SCREENSHOT_DIR")) GTEST_SKIP();
  PartsFixture f(12);
  f.view->OptionsView()->SetFooter(true);
  f.view->OptionsView()->SetIndicator(true);
  f.view->OptionsView()->SetGroupFooters(gfVisibleWhenExpanded);
  TkcDataSummaryItem* sum = f.view->DataController()->Summary()->FooterSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  TkcDataSummaryItem* groupSum = f.view->DataController()->Summary()->DefaultGroupSummaryItems()->Add();
  groupSum->SetItemLink(f.view->Columns(2));
  groupSum->SetKind(skSum);
  groupSum->SetPosition(spFooter);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.view->Columns(0)->SetSortOrder(soDescending);
  f.view->Site()->SetFocus();
  f.session.ProcessMessages();
  f.session.Click(f.At(40, f.info()->Rows(2)->Bounds.top + 3));
  SavePicture(f.session, f.form.Handle(), "grid_table.ppm");
  TPoint name = f.Centre(f.info()->Headers()[0]->TextAreaBounds);
  f.session.MoveTo(f.At(name.x, name.y));
  f.session.Press();
  f.session.MoveTo(f.At(name.x + 10, name.y - 10));
  f.session.MoveTo(f.At(150, 20));
  SavePicture(f.session, f.form.Handle(), "grid_drag.ppm");
  f.session.Release();
}

TEST(GridTableRows, CellMergingFollowsTheRowsInView) {
  PartsFixture f(30);
  f.view->OptionsView()->SetGroupByBox(false);
  TkcCustomDataController* dc = f.view->DataController();
  const char* kinds[] = {"a", "a", "a", "b", "b", "c", "a", "a"};
  dc->BeginUpdate();
  for (int r = 0; r < 8; ++r) dc->SetValue(r, 1, Variant(kinds[r]));
  dc->EndUpdate();
  f.view->Columns(1)->Options()->SetCellMerging(true);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  auto cell = [&](int row) { return static_cast<TkcGridDataCellViewInfo*>(info->Rows(row)->Cells[1].get()); };
  EXPECT_TRUE(cell(0)->IsMerging);
  EXPECT_EQ(cell(0)->MergedCells.size(), 2u);
  EXPECT_EQ(cell(0)->Bounds.bottom, cell(2)->Bounds.bottom);
  EXPECT_FALSE(cell(1)->GetVisible());
  EXPECT_TRUE(cell(3)->IsMerging);  // "b", "b"
  EXPECT_FALSE(cell(5)->IsMerging);
  // A merged cell still answers for its own row.
  TPoint p{cell(1)->Bounds.left + 5, cell(1)->Bounds.top + 5};
  auto* hit = dynamic_cast<TkcGridRecordCellHitTest*>(info->GetHitTest(p));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->RowIndex, 1);
  // Scrolled by one row the merge starts at the new top.
  f.view->SetTopRowIndex(1);
  EXPECT_EQ(cell(0)->MergedCells.size(), 1u);
  EXPECT_EQ(cell(0)->Bounds.bottom, cell(1)->Bounds.bottom);
  // Only the merging cell's lines are drawn: no line between merged cells.
  TBitmap bitmap(360, 240);
  TkcCanvas canvas(bitmap.Canvas());
  StartRecording(canvas.Handle());
  f.view->Painter()->Paint(&canvas);
  std::vector<GdiRecord> calls = StopRecording(canvas.Handle());
  int rowTop = info->Rows(0)->Bounds.top, mergedBottom = cell(0)->Bounds.bottom;
  int x0 = cell(0)->Bounds.left, x1 = cell(0)->Bounds.right;
  for (const GdiRecord& c : calls) {
    if (c.op != "PolyPolyline") continue;
    for (size_t i = 0; i + 1 < c.points.size(); i += 2) {
      if (c.points[i].y != c.points[i + 1].y || c.points[i].x < x0 || c.points[i + 1].x > x1) continue;
      EXPECT_TRUE(c.points[i].y == mergedBottom - 1 || c.points[i].y < rowTop || c.points[i].y > mergedBottom)
          << c.points[i].y;
    }
  }
}

TEST(GridTableScroll, HorizontallyByPixels) {
  PartsFixture f(10);
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetIndicator(true);
  f.grid->SetWidth(120);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  TRect client = info->ClientBounds();
  int max = 184 - (client.right - client.left);
  EXPECT_EQ(f.view->MaxLeftPos(), max);
  int pos = 0;
  f.view->Controller()->Scroll(sbHorizontal, scLineDown, pos);
  EXPECT_EQ(pos, 10);
  EXPECT_EQ(info->Headers()[0]->Bounds.left, 12 - 10);
  EXPECT_EQ(info->Rows(0)->Bounds.left, 12 - 10);
  EXPECT_EQ(info->IndicatorViewInfo()->Bounds.left, 0);  // the indicator stays
  f.view->SetLeftPos(1000);
  EXPECT_EQ(f.view->LeftPos(), max);
  // The last column comes into view with its cells.
  auto& cells = info->Rows(0)->Cells;
  ASSERT_EQ(cells.size(), 3u);
  ASSERT_NE(cells[2], nullptr);
  EXPECT_EQ(cells[2]->Bounds.right, client.right);
  // A wider view brings the position back in range.
  f.grid->SetWidth(400);
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->LeftPos(), 0);
}

TEST(GridTableRows, TheLastRowIsCutAboveTheFooter) {
  // Rows and group footers in lime; at every height the view's footer shows none of it, and
  // the rows fill the records area to its last line.
  for (bool groupFooters : {false, true}) {
    SCOPED_TRACE(groupFooters ? "group footers" : "rows");
    PartsFixture f(12);
    f.view->OptionsView()->SetFooter(true);
    f.view->OptionsView()->SetIndicator(true);
    TkcStyle lime(nullptr);
    lime.SetColor(clLime);
    f.view->Styles()->SetContent(&lime);
    if (groupFooters) {
      f.GroupByKind();
      f.view->OptionsView()->SetGroupFooters(gfAlwaysVisible);
      f.view->Styles()->OnGetFooterStyle = [&](TkcGridTableView*, int ARow, TkcGridColumn*, TkcStyle*& AStyle) {
        if (ARow >= 0) AStyle = &lime;
      };
    }
    int cut = 0;
    for (int height = 120; height < 160; ++height) {
      f.grid->SetHeight(height);
      f.session.ProcessMessages();
      TkcGridTableViewInfo* info = f.info();
      TRect records = info->RecordsAreaBounds();
      bool lastCut = info->RecordsViewInfo()->Items.back()->Bounds.bottom > records.bottom;
      cut += lastCut;
      TRect footer = info->FooterViewInfo()->Bounds;
      ASSERT_GT(footer.bottom, footer.top);
      EXPECT_EQ(f.LimeIn(TRect{info->Bounds.left, footer.top, footer.right, footer.bottom}), 0) << height;
      // The records area's last line still shows the cut row.
      if (lastCut && !groupFooters) {
        EXPECT_GT(f.LimeIn(TRect{info->Bounds.left, records.bottom - 1, footer.right, records.bottom}), 0) << height;
      }
    }
    EXPECT_GT(cut, 20) << "most heights leave the last row partly visible";
    f.view->Styles()->SetContent(nullptr);
  }
}

TEST(GridTableRows, GroupFootersUnderTheLastRowOfTheirGroups) {
  PartsFixture f(6);
  f.view->OptionsView()->SetGroupByBox(false);
  TkcDataSummaryItem* sum = f.view->DataController()->Summary()->DefaultGroupSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  sum->SetPosition(spFooter);
  f.view->Columns(1)->SetGroupIndex(0);
  f.view->DataController()->Groups()->ExpandAll();
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  // Rows: group "even", 0, 2, 4, group "odd", 1, 3, 5; invisible footers by default.
  EXPECT_TRUE(info->Rows(3)->Footers.empty());
  f.view->OptionsView()->SetGroupFooters(gfVisibleWhenExpanded);
  f.session.ProcessMessages();
  TkcCustomGridRowViewInfo* last = info->Rows(3);
  ASSERT_EQ(last->Footers.size(), 1u);
  EXPECT_TRUE(info->Rows(2)->Footers.empty());
  TkcGridRowFooterViewInfo* footer = last->Footers[0].get();
  EXPECT_EQ(footer->GroupLevel(), 0);
  EXPECT_EQ(footer->Bounds.bottom, last->Bounds.bottom);
  EXPECT_EQ(last->Bounds.bottom - last->Bounds.top, info->RowHeight() + footer->FooterHeight());
  ASSERT_EQ(footer->Cells.size(), 1u);
  EXPECT_EQ(footer->Cells[0]->Text,
            f.view->DataController()->Summary()->GetGroupFooterSummaryText(last->RowIndex, 0, 0));
  EXPECT_NE(footer->Cells[0]->Text.find("60"), String::npos);  // 0 + 20 + 40
  TPoint p{footer->Cells[0]->Bounds.left + 3, footer->Cells[0]->Bounds.top + 3};
  EXPECT_EQ(info->GetHitTest(p)->HitTestCode(), 208);
  // Always visible: a collapsed group keeps its footer.
  f.view->OptionsView()->SetGroupFooters(gfAlwaysVisible);
  f.view->DataController()->Groups()->CollapseAll();
  f.session.ProcessMessages();
  ASSERT_TRUE(info->Rows(0)->IsGroup());
  ASSERT_EQ(info->Rows(0)->Footers.size(), 1u);
  EXPECT_EQ(info->Rows(0)->Footers[0]->GroupLevel(), 0);
}

TEST(GridTableRows, NewItemRowAboveTheRecords) {
  PartsFixture f(4);
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetNewItemRow(true);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  TkcGridNewItemRowViewInfo* row = info->RecordsViewInfo()->NewItemRow.get();
  ASSERT_NE(row, nullptr);
  EXPECT_TRUE(f.view->DataController()->UseNewItemRowForEditing());
  EXPECT_EQ(row->Bounds.top, 19);
  EXPECT_EQ(row->Bounds.bottom - row->Bounds.top, info->RowHeight() + 6);
  EXPECT_EQ(info->Rows(0)->Bounds.top, row->Bounds.bottom);
  EXPECT_TRUE(row->ShowInfoText());
  // The info text is painted until the row is focused.
  auto painted = [&](const String& AText) {
    TBitmap bitmap(360, 240);
    TkcCanvas canvas(bitmap.Canvas());
    StartRecording(canvas.Handle());
    f.view->Painter()->Paint(&canvas);
    for (const GdiRecord& c : StopRecording(canvas.Handle()))
      if (c.text == AText) return true;
    return false;
  };
  EXPECT_TRUE(painted("Click here to add a new row"));
  auto* hit = dynamic_cast<TkcGridRecordHitTest*>(info->GetHitTest(TPoint{50, row->Bounds.top + 5}));
  ASSERT_NE(hit, nullptr);
  EXPECT_EQ(hit->HitRecordKind, 1);
  f.session.Click(f.At(50, row->Bounds.top + 5));
  EXPECT_TRUE(f.view->DataController()->GetNewItemRowFocused());
  row = info->RecordsViewInfo()->NewItemRow.get();
  EXPECT_FALSE(row->ShowInfoText());
  EXPECT_FALSE(painted("Click here to add a new row"));
  // Scrolling moves the records, never the new-item row.
  TRect scroll, invalidate;
  info->GetVertScrollRects(-18, scroll, invalidate);
  EXPECT_EQ(scroll.top, row->Bounds.bottom);
}

TEST(GridTableDrags, AutoWidthColumnsShareTheClientWidth) {
  PartsFixture f;
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetColumnAutoWidth(true);
  for (int i = 0; i < 3; ++i) f.view->Columns(i)->SetMinWidth(20);
  f.grid->SetWidth(100);  // every row fits: no scroll bar
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.info();
  ASSERT_EQ(info->ClientBounds().right - info->ClientBounds().left, 100);
  auto& headers = info->Headers();
  EXPECT_EQ(headers.back()->Bounds.right, 100);
  // The first column may grow until the others are at their minimum widths.
  EXPECT_EQ(headers[0]->MaxWidth(), 100 - 20 - 20);
  int edge = headers[0]->Bounds.right, before = headers[0]->Bounds.right - headers[0]->Bounds.left;
  f.Drag(TPoint{edge, 5}, TPoint{edge + 200, 5});
  // Wider after the drag, and the columns still fill the client exactly.
  EXPECT_GT(info->Headers()[0]->Bounds.right - info->Headers()[0]->Bounds.left, before);
  EXPECT_EQ(info->Headers().back()->Bounds.right, 100);
}

TEST(GridTableRows, GroupRowStylesAndLevels) {
  PartsFixture f(6);
  f.GroupByKind();
  TkcGridTableViewInfo* info = f.info();
  struct Case {
    TkcGridGroupRowStyle style;
    int visualLevels, groupHeight, dataIndent;
  } cases[] = {
      {grsStandard, 1, 13 + 4 + 1, 17},  // text 13 + 4, a grid line; data rows one level in
      {grsOffice11, 0, 2 * (13 + 4) + 2, 0},
  };
  for (const Case& c : cases) {
    f.view->OptionsView()->SetGroupRowStyle(c.style);
    f.session.ProcessMessages();
    EXPECT_EQ(info->VisualLevelCount(), c.visualLevels) << c.style;
    EXPECT_EQ(info->Rows(0)->Bounds.bottom - info->Rows(0)->Bounds.top, c.groupHeight) << c.style;
    EXPECT_EQ(info->Rows(1)->ContentLeft() - info->Rows(1)->Bounds.left, c.dataIndent) << c.style;
  }
  // The Office 11 group text sits at the bottom over a thick line of its own.
  auto* cell = static_cast<TkcGridGroupRowViewInfo*>(info->Rows(0))->GroupCell();
  EXPECT_EQ(cell->AlignmentVert, vaBottom);
  EXPECT_EQ(cell->GetBorderWidth(bBottom), 2);
  EXPECT_FALSE(info->Rows(0)->HasSeparator());
  // Only vertical lines: one closing line under the last row.
  f.view->OptionsView()->SetGroupRowStyle(grsStandard);
  f.view->SetGridLines(glVertical);
  f.session.ProcessMessages();
  int last = info->PartVisibleRowCount() - 1;
  EXPECT_TRUE(info->Rows(last)->HasLastHorzGridLine());
  EXPECT_FALSE(info->Rows(last - 1)->HasLastHorzGridLine());
}

TEST(GridTableRows, ExpandButtonAndDoubleClickToggleGroups) {
  PartsFixture f(6);
  f.GroupByKind();
  TkcGridTableViewInfo* info = f.info();
  TkcCustomDataController* dc = f.view->DataController();
  dc->FocusRow(5);  // a row of the "odd" group
  f.session.ProcessMessages();
  int record = dc->GetFocusedRecordIndex();
  auto button = [&] { return f.Centre(static_cast<TkcGridGroupRowViewInfo*>(info->Rows(0))->ExpandButtonBounds); };
  f.session.Click(f.At(button().x, button().y));
  EXPECT_FALSE(dc->GetRowInfo(0).Expanded);
  EXPECT_EQ(dc->GetRowCount(), 5);  // "even" closed: its group row, then "odd" and its three rows
  EXPECT_EQ(dc->GetFocusedRecordIndex(), record) << "the button does not focus the group";
  f.session.Click(f.At(button().x, button().y));
  EXPECT_TRUE(dc->GetRowInfo(0).Expanded);
  // A double click on the group's text closes it too.
  TPoint text{120, info->Rows(0)->Bounds.top + 5};
  f.session.Click(f.At(text.x, text.y));
  f.session.Click(f.At(text.x, text.y));
  EXPECT_FALSE(dc->GetRowInfo(0).Expanded);
  // The focused group opens with the numeric-pad plus and closes with the minus; the key's
  // character is not typed anywhere.
  dc->FocusRow(0);
  f.view->Site()->SetFocus();
  f.session.ProcessMessages();
  f.session.Key(VK_ADD, "+");
  EXPECT_TRUE(dc->GetRowInfo(0).Expanded);
  EXPECT_EQ(dc->GetFocusedRowIndex(), 0);
  f.session.Key(VK_SUBTRACT, "-");
  EXPECT_FALSE(dc->GetRowInfo(0).Expanded);
  EXPECT_FALSE(f.view->TableController()->IsEditing());
}

TEST(GridTableRows, KeysOnGroupAndDataRows) {
  // Row 0 is the "even" group; with every group open, row 1 is its first data row (or, grouped
  // a second time by name, its first subgroup).
  struct Case {
    const char* what;
    int focusRow;
    bool openBefore, twoLevels, alwaysExpanded;
    WORD key;
    const char* text;
    bool openAfter, columnMoves;
  };
  const Case cases[] = {
      {"Left closes an open group", 0, true, false, false, VK_LEFT, "", false, false},
      {"Left on a closed group goes on", 0, false, false, false, VK_LEFT, "", false, true},
      {"Right opens a closed group", 0, false, false, false, VK_RIGHT, "", true, false},
      {"Right on an open group goes on", 0, true, false, false, VK_RIGHT, "", true, true},
      {"star opens every level", 0, false, true, false, VK_MULTIPLY, "*", true, false},
      {"star on an open group opens below", 0, true, true, false, VK_MULTIPLY, "*", true, false},
      {"plus opens", 0, false, false, false, VK_ADD, "+", true, false},
      {"minus closes", 0, true, false, false, VK_SUBTRACT, "-", false, false},
      {"always open: Left goes on", 0, true, false, true, VK_LEFT, "", true, true},
      {"always open: Right goes on", 0, true, false, true, VK_RIGHT, "", true, true},
      {"always open: star does nothing", 0, true, true, true, VK_MULTIPLY, "*", true, false},
      {"data row: Left moves the column", 1, true, false, false, VK_LEFT, "", true, true},
      {"data row: Right moves the column", 1, true, false, false, VK_RIGHT, "", true, true},
      {"data row: star leaves the group", 1, true, false, false, VK_MULTIPLY, "*", true, false},
      {"data row: minus leaves the group", 1, true, false, false, VK_SUBTRACT, "-", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    PartsFixture f(6);
    f.view->OptionsBehavior()->SetIncSearch(true);
    f.GroupByKind();
    TkcCustomDataController* dc = f.view->DataController();
    if (c.twoLevels) {
      f.view->Columns(0)->SetGroupIndex(1);
      dc->Groups()->ExpandAll();
    }
    if (c.alwaysExpanded) dc->SetOptions(dc->Options() + TkcDataControllerOptions{dcoGroupsAlwaysExpanded});
    if (!c.openBefore) dc->Groups()->SetRowExpanded(0, false, true);
    if (c.twoLevels && c.openBefore && !c.alwaysExpanded) dc->Groups()->SetRowExpanded(1, false, false);
    dc->FocusRow(c.focusRow);
    f.session.ProcessMessages();
    TkcGridTableController* controller = f.view->TableController();
    // Left starts from the last column and Right from the first, so a key that goes on moves it.
    TkcGridColumn* start = c.key == VK_LEFT ? f.view->VisibleColumns(f.view->VisibleColumnCount() - 1)
                                            : f.view->VisibleColumns(0);
    controller->SetFocusedItem(start);
    f.view->Site()->SetFocus();
    f.session.ProcessMessages();
    f.session.Key(c.key, c.text);
    f.session.ProcessMessages();
    EXPECT_EQ(dc->GetRowInfo(0).Expanded, c.openAfter);
    EXPECT_EQ(controller->FocusedItem() != start, c.columnMoves);
    EXPECT_EQ(dc->GetFocusedRowIndex(), c.focusRow);
    if (c.twoLevels) {
      EXPECT_TRUE(dc->GetRowInfo(1).Expanded) << "the subgroup";
    }
    // The character of a key taken by the group row starts no search.
    if (c.focusRow == 0) {
      EXPECT_FALSE(controller->IsIncSearching());
    }
    if (c.focusRow == 0 && !c.columnMoves && (c.key == VK_LEFT || c.key == VK_RIGHT)) {
      // An arrow makes no character: the next typed one still searches.
      controller->SetFocusedItem(f.view->VisibleColumns(0));
      f.session.Key('R', "r");
      f.session.ProcessMessages();
      EXPECT_TRUE(controller->IsIncSearching());
    }
  }
}

TEST(GridTableParts, IndicatorKindsFollowTheRecordState) {
  PartsFixture f(4);
  f.view->OptionsView()->SetGroupByBox(false);
  f.view->OptionsView()->SetIndicator(true);
  f.view->OptionsView()->SetNewItemRow(true);
  f.view->OptionsSelection()->SetMultiSelect(true);
  TkcCustomDataController* dc = f.view->DataController();
  dc->FocusRow(1);
  dc->ChangeRowSelection(1, true);
  dc->ChangeRowSelection(2, true);
  f.session.ProcessMessages();
  auto kind = [&](int row) {
    TkcCustomGridRowViewInfo* r = row < 0 ? f.info()->RecordsViewInfo()->NewItemRow.get() : f.info()->Rows(row);
    return r && r->IndicatorItem ? r->IndicatorItem->IndicatorKind() : -1;
  };
  // The new-item row shows its own mark whether focused or not.
  EXPECT_EQ((std::vector<int>{kind(-1), kind(0), kind(1), kind(2)}), (std::vector<int>{3, 0, 5, 4}));
  dc->ChangeRowSelection(1, false);
  f.session.ProcessMessages();
  EXPECT_EQ(kind(1), 1);
  dc->StartEdit();
  f.session.ProcessMessages();
  EXPECT_EQ((std::vector<int>{kind(-1), kind(0), kind(1), kind(2)}), (std::vector<int>{3, 0, 2, 4}));
  dc->Cancel();
  // Without multi-select a selected row shows nothing.
  f.view->OptionsSelection()->SetMultiSelect(false);
  f.session.ProcessMessages();
  EXPECT_EQ(kind(1), 1);
  EXPECT_EQ(kind(2), 0);
}

TEST(GridTableDrags, RowSizingSetsTheRowsOwnHeight) {
  PartsFixture f(4);
  f.view->OptionsView()->SetIndicator(true);
  f.view->OptionsView()->SetGroupFooters(gfAlwaysVisible);
  f.view->OptionsCustomize()->SetGroupRowSizing(true);
  f.view->OptionsCustomize()->SetDataRowSizing(true);
  TkcDataSummaryItem* sum = f.view->DataController()->Summary()->DefaultGroupSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  sum->SetPosition(spFooter);
  f.GroupByKind();
  f.view->DataController()->Groups()->CollapseAll();
  f.session.ProcessMessages();
  TkcCustomGridRowViewInfo* group = f.info()->Rows(0);
  ASSERT_TRUE(group->IsGroup());
  ASSERT_EQ(group->Footers.size(), 1u);
  int own = f.info()->RecordsViewInfo()->GroupRowHeight;
  // Released where it was taken, a group row keeps its height.
  f.Drag(TPoint{5, group->Bounds.bottom - 1}, TPoint{5, group->Bounds.bottom - 1});
  EXPECT_EQ(f.view->OptionsView()->GroupRowHeight(), 0);
  // Ten pixels lower: the group's own part grows by ten, the footer under it stays as it is.
  f.session.Advance(1000);  // no double click
  group = f.info()->Rows(0);
  int bottom = group->Bounds.bottom, footer = group->FootersHeight();
  f.Drag(TPoint{5, bottom - 1}, TPoint{5, bottom + 9});
  EXPECT_EQ(f.view->OptionsView()->GroupRowHeight(), own + 10);
  group = f.info()->Rows(0);
  EXPECT_EQ(group->FootersHeight(), footer);
  EXPECT_EQ(group->Bounds.bottom - group->Bounds.top, own + 10 + group->SeparatorWidth() + footer);
  // A data row released where it was taken still fixes the data row height.
  f.view->DataController()->Groups()->ExpandAll();
  f.session.Advance(1000);
  TkcCustomGridRowViewInfo* data = f.info()->Rows(1);
  ASSERT_FALSE(data->IsGroup());
  ASSERT_EQ(f.view->OptionsView()->DataRowHeight(), 0);
  f.Drag(TPoint{5, data->Bounds.bottom - 1}, TPoint{5, data->Bounds.bottom - 1});
  EXPECT_EQ(f.view->OptionsView()->DataRowHeight(), f.info()->RowHeight());
  EXPECT_NE(f.view->OptionsView()->DataRowHeight(), 0);
}

TEST(GridTableRows, GroupTextCarriesTheGroupSummary) {
  PartsFixture f(6);
  f.GroupByKind();
  // No summary: caption, " : " and the value, with no trailing blank.
  EXPECT_EQ(f.info()->Rows(0)->Cells[0]->Text, "Kind : even");
  TkcDataSummaryItem* sum = f.view->DataController()->Summary()->DefaultGroupSummaryItems()->Add();
  sum->SetItemLink(f.view->Columns(2));
  sum->SetKind(skSum);
  f.session.ProcessMessages();
  String summary = f.view->DataController()->Summary()->GetGroupSummaryText(0);
  ASSERT_NE(summary.find("60"), String::npos);  // 0 + 20 + 40
  EXPECT_EQ(f.info()->Rows(0)->Cells[0]->Text, "Kind : even " + summary);
  // The grouping column's display text handler has the last word on the group row.
  f.view->Columns(1)->OnGetDisplayText = [](TkcGridColumn*, int, String& AText) { AText = "<" + AText + ">"; };
  f.view->LayoutChanged();
  f.session.ProcessMessages();
  EXPECT_EQ(f.info()->Rows(0)->Cells[0]->Text, "<Kind : even " + summary + ">");
}
