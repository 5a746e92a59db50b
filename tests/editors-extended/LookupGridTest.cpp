// The lookup list grid: layout of columns and rows, drop-down heights, key and mouse
// navigation, header sorting, close requests, painting, and locating by typed text.

#include <gtest/gtest.h>

#include <set>

#include "editors-extended/kcEditRepositoryItems.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcLookupGrid.h"
#include "editors/kcEditViewInfo.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct GridFixture {
  TFormsSession session;
  TPlainForm form;
  TkcLookupGrid* grid;
  std::vector<bool> closes;
  explicit GridFixture(int rows = 30) {
    InitializeExtendedEditors();
    grid = new TkcLookupGrid(&form);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 250, 200);
    grid->BeginUpdate();
    for (const char* caption : {"Name", "Code", "City"}) grid->Columns()->Add()->SetCaption(caption);
    TkcCustomDataController* dc = grid->DataController();
    dc->SetRecordCount(rows);
    for (int r = 0; r < rows; ++r) {
      dc->SetValue(r, 0, Variant(String(r % 2 ? "beta " : "alpha ") + std::to_string(rows - r)));
      dc->SetValue(r, 1, Variant(String("C") + std::to_string(r)));
      dc->SetValue(r, 2, Variant(String("town")));
    }
    grid->EndUpdate();
    grid->OnCloseRequest = [this](TObject*, bool accept) { closes.push_back(accept); };
    form.Show();
    grid->SetFocus();
    session.ProcessMessages();
  }
  POINT Cell(int row, int column) {
    const TRect r = grid->RowBounds(row), c = grid->ColumnBounds(column);
    return TFormsSession::At(grid, (c.left + c.right) / 2, (r.top + r.bottom) / 2);
  }
  String Text(int row, int item) {
    return grid->DataController()->GetDisplayText(grid->DataController()->GetRowInfo(row).RecordIndex, item);
  }
};
}  // namespace

TEST(LookupGrid, ColumnsSpanTheWidthAndHeightsSnapToRows) {
  GridFixture f;
  TkcLookupGridColumn* c = f.grid->Columns()->Items(0);
  c->SetMinWidth(-5);
  EXPECT_EQ(c->MinWidth(), 0);
  c->SetMinWidth(20);
  c->SetWidth(10);
  EXPECT_EQ(c->Width(), 20);
  // Three columns of 64 are spread over the client width, inside the look and feel's border.
  const int border = f.grid->LookAndFeel()->Painter()->GetBorderWidth();
  ASSERT_EQ(f.grid->GetBorderSize(), border);
  const int client =
      f.grid->ClientWidth() - border - (f.grid->GetVScrollBarVisible() ? f.grid->VScrollBar()->Width() : 0);
  EXPECT_EQ(f.grid->ColumnBounds(0).left, border);
  EXPECT_EQ(f.grid->ColumnBounds(2).right, client);
  EXPECT_EQ(f.grid->HeaderArea().right, client);
  // Heights: the header plus whole rows, one more pixel per row with horizontal lines.
  const int header = f.grid->HeaderHeight(), pitch = f.grid->RowPitch();
  EXPECT_EQ(pitch, f.grid->RowHeight() + 1);
  EXPECT_EQ(f.grid->HeightForRows(3), header + 3 * pitch);
  EXPECT_EQ(f.grid->SnapHeight(header + 3 * pitch + pitch / 2), header + 3 * pitch);
  EXPECT_EQ(f.grid->SnapHeight(1), header + pitch) << "at least one row";
  f.grid->Options()->SetGridLines(glNone);
  EXPECT_EQ(f.grid->RowPitch(), f.grid->RowHeight());
  f.grid->Options()->SetShowHeader(false);
  EXPECT_EQ(f.grid->HeaderHeight(), 0);
  EXPECT_EQ(f.grid->RowBounds(0).top, border) << "without a header the rows start at the top";
  // A row cut by the bottom is laid out but not counted as visible.
  EXPECT_EQ(f.grid->VisibleRowCount(), (f.grid->ClientHeight() - 2 * border) / f.grid->RowHeight());
  // In a drop-down the popup window frames the list: no border of its own.
  f.grid->SetPopupMode(true);
  EXPECT_EQ(f.grid->GetBorderSize(), 0);
  EXPECT_EQ(f.grid->RowBounds(0).top, 0);
}

// Every row is as tall as the tallest cell any column's editor kind asks for an empty value, plus
// 2 pixels; the grid's font counts.
TEST(LookupGrid, RowHeightIsTheTallestEmptyCellPlusTwo) {
  GridFixture f(4);
  TkcEditRepositoryTextItem text(nullptr);
  TkcEditRepositoryCheckBoxItem check(nullptr);
  TkcEditRepositoryImageItem image(nullptr);
  struct Case {
    int fontSize;
    std::vector<TkcEditRepositoryItem*> kinds;
  };
  for (const Case& c : {Case{8, {&text, &text, &text}}, Case{8, {&text, &check, &text}},
                        Case{8, {&image, &text, &check}}, Case{20, {&text, &check, &text}}}) {
    SCOPED_TRACE(testing::Message() << c.fontSize << " " << c.kinds[0]->ClassName() << " " << c.kinds[1]->ClassName());
    f.grid->Font()->SetSize(c.fontSize);
    for (int i = 0; i < 3; ++i) f.grid->Columns()->Items(i)->SetRepositoryItem(c.kinds[static_cast<std::size_t>(i)]);
    TkcScreenCanvas canvas;
    canvas.SetFont(f.grid->Font());
    TkcEditStyle style(nullptr, true, nullptr, cssNormal);
    style.SetFont(f.grid->Font());
    int tallest = 0;
    for (TkcEditRepositoryItem* kind : c.kinds)
      tallest = std::max(tallest, kind->Properties()->GetEditSize(&canvas, &style, true, Variant(), {}).cy);
    EXPECT_EQ(f.grid->RowHeight(), tallest + 2);
    EXPECT_EQ(f.grid->RowBounds(1).top - f.grid->RowBounds(0).top, tallest + 3) << "with the grid line";
  }
  for (int i = 0; i < 3; ++i) f.grid->Columns()->Items(i)->SetRepositoryItem(nullptr);
}

// Thirty rows do not fit: the vertical scroll bar shows them by lines, pages and the thumb, and
// the columns share the width left of it.
TEST(LookupGrid, ScrollBarMovesTheTopRow) {
  GridFixture f;
  ASSERT_TRUE(f.grid->GetVScrollBarVisible());
  EXPECT_EQ(f.grid->ColumnBounds(2).right,
            f.grid->ClientWidth() - f.grid->GetBorderSize() - f.grid->VScrollBar()->Width());
  int pos = 0;
  f.grid->Scroll(sbVertical, scLineDown, pos);
  EXPECT_EQ(pos, 1);
  EXPECT_EQ(f.grid->TopRowIndex(), 1);
  pos = 25;
  f.grid->Scroll(sbVertical, scTrack, pos);
  EXPECT_EQ(pos, 30 - f.grid->VisibleRowCount()) << "the last page stays full";
  f.grid->Scroll(sbVertical, scPageUp, pos);
  EXPECT_EQ(pos, 30 - f.grid->VisibleRowCount() - (f.grid->VisibleRowCount() - 1));
}

TEST(LookupGrid, KeysMoveTheFocusAndEnterAccepts) {
  GridFixture f;
  f.grid->FocusRow(0);
  f.session.Key(VK_DOWN);
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.grid->FocusedRowIndex(), 2);
  // Page Down goes to the last fully visible row, then a page further.
  const int visible = f.grid->VisibleRowCount();
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.grid->FocusedRowIndex(), visible - 1);
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.grid->FocusedRowIndex(), 2 * visible - 2);
  EXPECT_EQ(f.grid->TopRowIndex(), visible - 1);
  // With RowSelect, End and Home go to the last and first rows.
  f.session.Key(VK_END);
  EXPECT_EQ(f.grid->FocusedRowIndex(), 29);
  EXPECT_GE(29, f.grid->TopRowIndex());
  EXPECT_LT(29, f.grid->TopRowIndex() + visible);
  f.session.Key(VK_HOME);
  EXPECT_EQ(f.grid->FocusedRowIndex(), 0);
  EXPECT_EQ(f.grid->TopRowIndex(), 0);
  // Without RowSelect, they move between columns.
  f.grid->Options()->SetRowSelect(false);
  f.session.Key(VK_END);
  EXPECT_EQ(f.grid->FocusedRowIndex(), 0);
  EXPECT_EQ(f.grid->FocusedColumn(), f.grid->Columns()->Items(2));
  f.session.Key(VK_LEFT);
  EXPECT_EQ(f.grid->FocusedColumn(), f.grid->Columns()->Items(1));
  f.session.Key(VK_RETURN, "\r");
  EXPECT_EQ(f.closes, std::vector<bool>{true});
}

TEST(LookupGrid, MouseChoosesARowOrCancelsOutsideTheRows) {
  GridFixture f;
  f.session.Click(f.Cell(3, 1));
  EXPECT_EQ(f.grid->FocusedRowIndex(), 3);
  EXPECT_EQ(f.closes, std::vector<bool>{true});
  // Pressed on a row, released outside: a cancelling request.
  f.session.MoveTo(f.Cell(1, 0));
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(f.grid, 10, f.grid->Height() + 30));
  f.session.Release();
  EXPECT_EQ(f.closes, (std::vector<bool>{true, false}));
  // Popup mode: the row under the moving mouse gets the focus.
  f.grid->SetPopupMode(true);
  f.session.MoveTo(f.Cell(5, 2));
  EXPECT_EQ(f.grid->FocusedRowIndex(), 5);
}

TEST(LookupGrid, HeaderClicksSort) {
  GridFixture f(6);
  auto header = [&](int column) {
    const TRect c = f.grid->ColumnBounds(column);
    return TFormsSession::At(f.grid, (c.left + c.right) / 2, (c.top + c.bottom) / 2);
  };
  f.session.Click(header(0));
  EXPECT_EQ(f.grid->Columns()->Items(0)->SortOrder(), soAscending);
  EXPECT_EQ(f.Text(0, 0), "alpha 2");
  f.session.Click(header(0));
  EXPECT_EQ(f.grid->Columns()->Items(0)->SortOrder(), soDescending);
  EXPECT_EQ(f.Text(0, 0), "beta 5");
  // Shift adds a column; a plain click clears the others; Ctrl removes only its own.
  f.session.KeyDown(VK_SHIFT);
  f.session.Click(header(1));
  f.session.KeyUp(VK_SHIFT);
  EXPECT_EQ(f.grid->Columns()->Items(0)->SortOrder(), soDescending);
  EXPECT_EQ(f.grid->Columns()->Items(1)->SortOrder(), soAscending);
  f.session.KeyDown(VK_CONTROL);
  f.session.Click(header(0));
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.grid->Columns()->Items(0)->SortOrder(), soNone);
  EXPECT_EQ(f.grid->Columns()->Items(1)->SortOrder(), soAscending);
  f.session.Click(header(2));
  EXPECT_EQ(f.grid->Columns()->Items(1)->SortOrder(), soNone);
  f.grid->Columns()->Items(2)->Sorting = false;
  f.session.Click(header(2));
  EXPECT_EQ(f.grid->Columns()->Items(2)->SortOrder(), soAscending) << "a column that does not sort keeps its order";
}

TEST(LookupGrid, LocatesTheFirstRowByTextOrPrefix) {
  GridFixture f;
  // Rows hold "alpha 30", "beta 29", "alpha 28", ...
  EXPECT_EQ(f.grid->FindRowByText(0, "BETA 29", false), 1);
  EXPECT_EQ(f.grid->FindRowByText(0, "beta 2", false), -1);
  EXPECT_EQ(f.grid->FindRowByText(0, "beta 2", true), 1) << "the first row in row order";
  EXPECT_EQ(f.grid->FindRowByText(0, "alpha 1", true), 12);
  EXPECT_EQ(f.grid->FindRowByText(0, "gamma", true), -1);
  EXPECT_EQ(f.grid->FindRowByText(1, "c7", false), 7);
  EXPECT_TRUE(f.grid->LocateByPrefix(0, "alpha 1"));
  EXPECT_EQ(f.grid->FocusedRowIndex(), 12);
  // A change of the data is seen by the next search.
  f.grid->DataController()->SetValue(0, 0, Variant(String("gamma")));
  EXPECT_EQ(f.grid->FindRowByText(0, "gam", true), 0);
  // Sorted rows: the first row in the new order.
  f.grid->Columns()->Items(0)->SetSortOrder(soDescending);
  EXPECT_EQ(f.grid->FindRowByText(0, "alpha", true), f.grid->FindRowByText(0, "alpha 8", false));
}

TEST(LookupGrid, PaintsHeadersCellsAndTheFocusedRow) {
  GridFixture f(4);
  f.grid->FocusRow(1);
  f.grid->DataController()->ChangeRowSelection(1, true);
  const std::vector<GdiRecord> records = RecordPainting(f.grid);
  auto drawn = [&](const String& text) {
    for (const GdiRecord& r : records)
      if (r.text == text) return r;
    return GdiRecord{};
  };
  EXPECT_EQ(drawn("Code").text, "Code");
  const GdiRecord selected = drawn(f.Text(1, 0));
  EXPECT_EQ(selected.textColor, ColorToRGB(clHighlightText));
  EXPECT_EQ(drawn(f.Text(2, 0)).textColor, ColorToRGB(clWindowText));
  int focusRects = 0;
  for (const GdiRecord& r : records) focusRects += r.op == "DrawFocusRect";
  EXPECT_EQ(focusRects, 1);
}

// A cell is drawn by its column's editor kind: a check box column shows check boxes, not text.
TEST(LookupGrid, CellsAreDrawnByTheColumnsEditorKind) {
  GridFixture f(4);
  TkcEditRepositoryCheckBoxItem check(nullptr);
  f.grid->Columns()->Items(2)->SetRepositoryItem(&check);
  for (int r = 0; r < 4; ++r) f.grid->DataController()->SetValue(r, 2, Variant(r % 2 == 0));
  // Each row shows a square centred in the column (an unchecked box as well as a checked one).
  const TRect column = f.grid->ColumnBounds(2);
  const int centre = (column.left + column.right) / 2;
  std::set<int> rowsWithABox;
  for (const GdiRecord& r : RecordPainting(f.grid)) {
    const int w = r.rect.right - r.rect.left, h = r.rect.bottom - r.rect.top;
    if (r.op == "FillRect" && w == h && w >= 9 && std::abs((r.rect.left + r.rect.right) / 2 - centre) <= 1)
      for (int row = 0; row < 4; ++row)
        if (r.rect.top > f.grid->RowBounds(row).top && r.rect.bottom < f.grid->RowBounds(row).bottom)
          rowsWithABox.insert(row);
  }
  EXPECT_EQ(rowsWithABox, (std::set<int>{0, 1, 2, 3}));
  f.grid->Columns()->Items(2)->SetRepositoryItem(nullptr);
}

// Grid lines are filled in the button-face colour: any lines close the rows after the last
// column, and vertical lines alone still draw one line under the last row of a short list.
TEST(LookupGrid, GridLinesCloseTheLastColumnAndAShortList) {
  GridFixture f(4);
  const COLORREF line = ColorToRGB(clBtnFace);
  struct Case {
    TkcGridLines lines;
    bool rightLine, lineUnderLastRow;
  };
  for (const Case& c : {Case{glBoth, true, true}, Case{glHorizontal, true, true}, Case{glVertical, true, true},
                        Case{glNone, false, false}}) {
    SCOPED_TRACE(static_cast<int>(c.lines));
    f.grid->Options()->SetGridLines(c.lines);
    const int right = f.grid->ColumnBounds(2).right, bottom = f.grid->RowBounds(3).bottom;
    bool rightLine = false, underLastRow = false;
    for (const GdiRecord& r : RecordPainting(f.grid)) {
      if (r.op != "FillRect" || r.brushColor != line) continue;
      rightLine |= r.rect.left == right - 1 && r.rect.right == right;
      underLastRow |= r.rect.top == bottom && r.rect.bottom == bottom + 1;
    }
    EXPECT_EQ(rightLine, c.rightLine);
    EXPECT_EQ(underLastRow, c.lineUnderLastRow);
  }
}
