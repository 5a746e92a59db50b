// The table controller with real input over a database view of a client dataset: header
// clicks, the column filter drop-down, incremental search, multi-select by mouse and keys,
// delete confirmation, page keys, sideways scrolling and in-place editing with post and cancel,
// each column with the editor of its kind.

#include <gtest/gtest.h>

#include "data/kcFilter.h"
#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcCheckListBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors/kcEditControl.h"
#include "editors/kcTextEdit.h"
#include "filter-builder/kcFilterControlDialog.h"
#include "grid/kcGridEditingController.h"
#include "grid/kcGridFilterBox.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
#include "platform/core/DateUtils.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Dialogs.h"
#include "tests/editors/PicturePpm.h"
#include "tests/grid/GridDBTestSupport.h"

namespace {

// Rows of 18 pixels from y = 19 (header 19): row r's middle is at 19 + 18 r + 9.
struct ControllerFixture : DBGridFixture {
  explicit ControllerFixture(int rows = 6, int height = 150)
      : DBGridFixture(rows, height, [](int r) {
          static const char* names[] = {"pear", "apple", "plum", "apricot", "fig", "peach", "lime", "kiwi"};
          return String(names[r % 8]);
        }) {
    view->DataController()->CreateAllItems();
    session.ProcessMessages();
    view->Site()->SetFocus();
    session.ProcessMessages();
  }
  TkcGridTableController* controller() { return view->TableController(); }
  POINT At(int x, int y) { return TFormsSession::At(view->Site(), x, y); }
  // Puts "NAME = AName" in force.
  TkcDataFilterCriteria* FilterOn(const String& AName) {
    TkcDataFilterCriteria* filter = dc()->Filter();
    filter->BeginUpdate();
    filter->AddItem(filter->Root(), view->Columns(1), foEqual, Variant(AName), AName);
    filter->SetActive(true);
    filter->EndUpdate();
    session.ProcessMessages();
    return filter;
  }
  POINT Cell(int row, int column) {
    TkcGridColumnHeaderViewInfo* h = view->TableViewInfo()->Headers()[static_cast<size_t>(column)].get();
    return At((h->Bounds.left + h->Bounds.right) / 2 - 6, 19 + 18 * row + 9);
  }
  std::vector<String> Names() {
    std::vector<String> r;
    for (int i = 0; i < dc()->GetRowCount(); ++i) r.push_back(Text(i, 1));
    return r;
  }
  void ClickHeader(int column, std::vector<WORD> keys = {}) {
    for (WORD k : keys) session.KeyDown(k);
    TkcGridColumnHeaderViewInfo* h = view->TableViewInfo()->Headers()[static_cast<size_t>(column)].get();
    session.Click(At(h->Bounds.left + 10, 8));
    for (WORD k : keys) session.KeyUp(k);
  }
  // Answers the next message box with the button of this result; returns its text.
  String AnswerBox(int result, const std::function<void()>& action) {
    String text;
    session.Script([&] {
      if (auto* box = dynamic_cast<TMessageForm*>(Screen->ActiveForm())) {
        text = box->Caption() + ": " + box->MessageText();
        box->SetModalResult(result);
        PostMessage(box->Handle(), WM_NULL);
      }
    });
    action();
    session.ProcessMessages();
    return text;
  }
};

TEST(GridTableController, HeaderClicksSortTheDataSetRows) {
  ControllerFixture f;
  f.ClickHeader(1);
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soAscending);
  EXPECT_EQ(f.Names(), (std::vector<String>{"apple", "apricot", "fig", "peach", "pear", "plum"}));
  f.ClickHeader(1);
  EXPECT_EQ(f.Names().front(), "plum");
  // Shift keeps the first sort; a plain click on another column clears it; Ctrl removes.
  f.ClickHeader(0, {VK_SHIFT});
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soDescending);
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soAscending);
  f.ClickHeader(0, {VK_CONTROL});
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soNone);
  f.ClickHeader(0);
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soNone);
  EXPECT_EQ(f.Text(0, 0), "1");
}

TEST(GridTableController, FilterDropDownShowsEveryEntryWhole) {
  // A narrow column: the entries, not the column, set the drop-down's width.
  ControllerFixture f(8);
  f.view->Columns(1)->SetWidth(30);
  f.session.ProcessMessages();
  TkcGridFilterPopup* popup = f.controller()->FilterPopup();
  popup->Popup(f.view->Columns(1));
  f.session.ProcessMessages();
  ASSERT_TRUE(popup->IsShown());
  TListBox* list = popup->ListBox();
  TStrings* items = list->Items();
  ASSERT_GT(items->Count(), 0);
  list->Canvas()->Font()->Assign(list->Font());
  // Every entry with the list's text offset on either side fits inside the frame (and the bar).
  for (int i = 0; i < items->Count(); ++i)
    EXPECT_LE(2 + list->Canvas()->TextWidth(items->Strings(i)) + 2, list->ClientWidth()) << items->Strings(i);
  popup->ClosePopup();
}

TEST(GridTableController, FilterDropDownListsValuesAndFilters) {
  ControllerFixture f(8);
  TkcGridColumnHeaderViewInfo* h = f.view->TableViewInfo()->Headers()[1].get();
  POINT button = f.At(h->Bounds.right - 10, 8);
  f.session.MoveTo(button);
  f.session.Click(button);
  TkcGridFilterPopup* popup = f.controller()->FilterPopup();
  ASSERT_TRUE(popup->IsShown());
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soNone) << "the button does not sort";
  TStrings* items = popup->ListBox()->Items();
  std::vector<String> texts;
  for (int i = 0; i < items->Count(); ++i) texts.push_back(items->Strings(i));
  // The special entries, then the distinct values in order.
  ASSERT_GE(texts.size(), 10u);
  EXPECT_EQ(texts[0], "(All)");
  EXPECT_EQ(std::vector<String>(texts.end() - 8, texts.end()),
            (std::vector<String>{"apple", "apricot", "fig", "kiwi", "lime", "peach", "pear", "plum"}));
  EXPECT_GE(popup->ListBox()->Width(), h->Bounds.right - h->Bounds.left - popup->GetHorizontalEdgesWidth());
  // Choosing "fig" by clicking it filters the rows.
  int fig = static_cast<int>(std::find(texts.begin(), texts.end(), "fig") - texts.begin());
  popup->ListBox()->SetTopIndex(fig);
  TRect r = popup->ListBox()->ItemRect(fig);
  f.session.Click(TFormsSession::At(popup->ListBox(), r.left + 5, (r.top + r.bottom) / 2));
  EXPECT_FALSE(popup->IsShown());
  EXPECT_EQ(f.Names(), (std::vector<String>{"fig"}));
  EXPECT_EQ(f.view->Filtering()->MRUItems()->Count(), 1) << "the filter is remembered";
  // The value picked comes first next time, as a recent one; "(All)" brings every row back.
  f.session.Click(button);
  ASSERT_TRUE(popup->IsShown());
  EXPECT_EQ(items->Strings(0), "fig");
  EXPECT_EQ(popup->ValueList()->GetItem(0).Kind, fviMRU);
  // The separator after the recent values chooses nothing and leaves the drop-down open.
  ASSERT_EQ(popup->ValueList()->GetItem(1).Kind, fviMRUSeparator);
  {
    // It is drawn as two lines 2 pixels apart.
    Surface shot = f.session.Snapshot(popup->ListBox()->Handle());
    RECT window{};
    GetWindowRect(popup->ListBox()->Handle(), &window);
    TRect r = popup->ListBox()->ItemRect(1);
    POINT line = TFormsSession::At(popup->ListBox(), r.left + 10, (r.top + r.bottom - 3) / 2);
    int x = line.x - window.left, y = line.y - window.top;
    EXPECT_EQ(shot.At(x, y), shot.At(x, y + 2));
    EXPECT_NE(shot.At(x, y), shot.At(x, y + 1));
    EXPECT_NE(shot.At(x, y), shot.At(x, y - 2));
  }
  f.session.Key(VK_HOME);
  f.session.Key(VK_DOWN);
  f.session.Key(VK_RETURN);
  EXPECT_TRUE(popup->IsShown());
  EXPECT_EQ(f.Names(), (std::vector<String>{"fig"}));
  f.session.Key(VK_HOME);
  while (popup->ListBox()->ItemIndex() < items->Count() - 1 && items->Strings(popup->ListBox()->ItemIndex()) != "(All)")
    f.session.Key(VK_DOWN);
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.dc()->GetRowCount(), 8);
  // Esc closes without a change; the mouse over an entry marks it.
  f.session.Click(button);
  TRect third = popup->ListBox()->ItemRect(2);
  f.session.MoveTo(TFormsSession::At(popup->ListBox(), third.left + 5, (third.top + third.bottom) / 2));
  EXPECT_EQ(popup->ListBox()->ItemIndex(), 2);
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(popup->IsShown());
  EXPECT_EQ(f.dc()->GetRowCount(), 8);
}

TEST(GridTableController, FilterDropDownMarksTheColumnsCondition) {
  ControllerFixture f;
  f.ds.AppendRecord({Variant(7), Null()});
  f.session.ProcessMessages();
  TkcGridColumnHeaderViewInfo* h = f.view->TableViewInfo()->Headers()[1].get();
  POINT button = f.At(h->Bounds.right - 10, 8);
  TkcGridFilterPopup* popup = f.controller()->FilterPopup();
  auto marked = [&] {
    f.session.Click(button);
    EXPECT_TRUE(popup->IsShown());
    String text = popup->ListBox()->Items()->Strings(popup->ListBox()->ItemIndex());
    f.session.Key(VK_ESCAPE);
    return text;
  };
  TkcDataFilterCriteria* filter = f.dc()->Filter();
  f.FilterOn("plum");
  EXPECT_EQ(marked(), "plum");
  for (auto [op, entry] : {std::pair{foEqual, "(Blanks)"}, std::pair{foNotEqual, "(NonBlanks)"}}) {
    f.view->Columns(1)->DataBinding()->AddToFilter(filter->Root(), op, Null(), "blank", true);
    f.session.ProcessMessages();
    EXPECT_EQ(marked(), entry);
  }
  // A condition no entry stands for marks "(All)".
  f.view->Columns(1)->DataBinding()->AddToFilter(filter->Root(), foGreater, Variant("plum"), "plum", true);
  f.session.ProcessMessages();
  EXPECT_EQ(marked(), "(All)");
}

TEST(GridTableController, IncrementalSearchLocatesAndBacksUp) {
  ControllerFixture f;
  f.view->OptionsBehavior()->SetIncSearch(true);
  f.view->OptionsBehavior()->SetIncSearchItem(f.view->Columns(1));
  f.session.Type("ap");
  EXPECT_EQ(f.controller()->IncSearchText(), "ap");
  EXPECT_EQ(f.Text(f.dc()->GetFocusedRowIndex(), 1), "apple");
  f.session.Type("r");
  EXPECT_EQ(f.Text(f.dc()->GetFocusedRowIndex(), 1), "apricot");
  f.session.Key(VK_BACK);
  EXPECT_EQ(f.controller()->IncSearchText(), "ap");
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(f.controller()->IsIncSearching());
  // A row that does not match keeps the focus where it was.
  f.session.Type("zz");
  EXPECT_EQ(f.Text(f.dc()->GetFocusedRowIndex(), 1), "apricot");
}

TEST(GridTableController, MultiSelectByMouseAndKeys) {
  ControllerFixture f;
  f.view->OptionsSelection()->SetMultiSelect(true);
  f.session.Click(f.Cell(1, 0));
  EXPECT_EQ(f.dc()->GetSelectedCount(), 1);
  f.session.KeyDown(VK_SHIFT);
  f.session.Click(f.Cell(3, 0));
  f.session.KeyUp(VK_SHIFT);
  EXPECT_EQ(f.dc()->GetSelectedCount(), 3);
  // Ctrl+click on a selected row deselects it only at mouse-up.
  f.session.KeyDown(VK_CONTROL);
  f.session.MoveTo(f.Cell(2, 0));
  f.session.Press();
  EXPECT_TRUE(f.dc()->IsRowSelected(2));
  f.session.Release();
  f.session.KeyUp(VK_CONTROL);
  EXPECT_FALSE(f.dc()->IsRowSelected(2));
  EXPECT_EQ(f.dc()->GetSelectedCount(), 2);
  // Shift+Down extends from the anchor; a plain Down selects only the focused row.
  f.session.KeyDown(VK_SHIFT);
  f.session.Key(VK_DOWN);
  f.session.KeyUp(VK_SHIFT);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 3);
  EXPECT_TRUE(f.dc()->IsRowSelected(3));
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.dc()->GetSelectedCount(), 1);
  EXPECT_TRUE(f.dc()->IsRowSelected(4));
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('A');
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.dc()->GetSelectedCount(), 6);
}

TEST(GridTableController, DeleteAsksFirstAndCancelKeepsTheRecord) {
  ControllerFixture f;
  f.session.Click(f.Cell(1, 0));
  EXPECT_EQ(f.AnswerBox(mrCancel, [&] { f.session.Key(VK_DELETE); }), "Confirm: Delete record?");
  EXPECT_EQ(f.ds.RecordCount(), 6);
  EXPECT_EQ(f.AnswerBox(mrOk, [&] { f.session.Key(VK_DELETE); }), "Confirm: Delete record?");
  EXPECT_EQ(f.ds.RecordCount(), 5);
  EXPECT_EQ(f.dc()->GetRowCount(), 5);
  // Several selected rows: the other question; without confirmation no question at all.
  f.view->OptionsSelection()->SetMultiSelect(true);
  f.session.Click(f.Cell(0, 0));
  f.session.KeyDown(VK_SHIFT);
  f.session.Click(f.Cell(1, 0));
  f.session.KeyUp(VK_SHIFT);
  EXPECT_EQ(f.AnswerBox(mrOk, [&] { f.session.Key(VK_DELETE); }), "Confirm: Delete all selected records?");
  EXPECT_EQ(f.ds.RecordCount(), 3);
  f.view->OptionsData()->SetDeletingConfirmation(false);
  EXPECT_EQ(f.AnswerBox(mrCancel, [&] { f.session.Key(VK_DELETE); }), "");
  EXPECT_EQ(f.ds.RecordCount(), 2);
  // A read-only dataset (a query's result) offers nothing to delete: no question, no change.
  f.view->OptionsData()->SetDeletingConfirmation(true);
  f.ds.SetReadOnly(true);
  EXPECT_EQ(f.AnswerBox(mrOk, [&] { f.session.Key(VK_DELETE); }), "");
  EXPECT_EQ(f.ds.RecordCount(), 2);
}

TEST(GridTableController, DeletingANewRecordBeingEditedTakesOnlyIt) {
  ControllerFixture f;
  f.session.Click(f.Cell(2, 1));
  f.session.Key(VK_INSERT);
  f.session.Type("x");
  TkcGridEditingController* editing = f.controller()->EditingController();
  ASSERT_TRUE(editing->IsEditing());
  auto ctrlDelete = [&] {
    f.session.KeyDown(VK_CONTROL);
    f.session.Key(VK_DELETE);
    f.session.KeyUp(VK_CONTROL);
  };
  // Cancel keeps the editor with what was typed.
  EXPECT_EQ(f.AnswerBox(mrCancel, ctrlDelete), "Confirm: Delete record?");
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_TRUE(editing->Edit()->ModifiedAfterEnter());
  EXPECT_EQ(f.ds.State(), dsInsert);
  // OK removes the new record and no other.
  EXPECT_EQ(f.AnswerBox(mrOk, ctrlDelete), "Confirm: Delete record?");
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.ds.RecordCount(), 6);
  EXPECT_EQ(f.Names(), (std::vector<String>{"pear", "apple", "plum", "apricot", "fig", "peach"}));
}

TEST(GridTableController, PageKeysGoToThePageEdgeFirst) {
  ControllerFixture f(40);
  int visible = f.view->TableViewInfo()->VisibleRowCount();
  ASSERT_GT(visible, 2);
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), visible - 1);
  EXPECT_EQ(f.view->TopRowIndex(), 0);
  // A page scrolls by one row less, so the row left keeps its place at the top (bottom).
  f.session.Key(VK_NEXT);
  EXPECT_EQ(f.view->TopRowIndex(), visible - 1);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2 * visible - 2);
  f.session.Key(VK_PRIOR);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), visible - 1);
  EXPECT_EQ(f.view->TopRowIndex(), visible - 1);
  f.session.Key(VK_PRIOR);
  EXPECT_EQ(f.view->TopRowIndex(), 0);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 0);
  // The scroll bar's page is the same step.
  int pos = 0;
  f.controller()->Scroll(sbVertical, scPageDown, pos);
  EXPECT_EQ(pos, visible - 1);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_END);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 39);
  EXPECT_EQ(f.view->TopRowIndex(), f.view->MaxTopRowIndex());
  f.view->SetTopRowIndex(-5);
  EXPECT_EQ(f.view->TopRowIndex(), 0);
}

TEST(GridTableController, HomeAndEndGoToTheEdgeColumnsAndWithCtrlToTheEdgeRows) {
  ControllerFixture f;
  f.dc()->FocusRow(2);
  f.session.Key(VK_END);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(1));
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2);
  f.session.Key(VK_HOME);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(0));
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_END);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 5);
  // Rows only: the edge rows without Ctrl.
  f.view->OptionsSelection()->SetCellSelect(false);
  f.session.Key(VK_HOME);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 0);
  f.session.Key(VK_END);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 5);
}

TEST(GridTableController, LeftPosStaysWithinTheDataWidth) {
  ControllerFixture f;
  f.view->OptionsSelection()->SetCellSelect(false);
  // Narrower than the client: no sideways scrolling.
  f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.controller()->LeftPos(), 0);
  f.view->Columns(1)->SetWidth(500);
  f.session.ProcessMessages();
  TkcGridTableViewInfo* info = f.view->TableViewInfo();
  int limit = info->DataWidth() - (info->ClientBounds().right - info->ClientBounds().left);
  for (int i = 0; i < 100; ++i) f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.controller()->LeftPos(), limit);
  EXPECT_EQ(info->Headers()[0]->Bounds.left, info->ClientBounds().left - limit);
  // With cells focused, Left moves between columns first and scrolls only at the first one.
  f.view->OptionsSelection()->SetCellSelect(true);
  f.controller()->SetFocusedItem(f.view->Columns(0));
  f.controller()->SetLeftPos(limit);
  f.session.Key(VK_LEFT);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(0));
  EXPECT_EQ(f.controller()->LeftPos(), limit - 10);
  // A focused column wider than the view shows from its left edge, also when it is focused
  // again after a sideways scroll.
  f.session.Key(VK_RIGHT);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(1));
  EXPECT_EQ(info->Headers()[1]->Bounds.left, info->ClientBounds().left);
  f.controller()->SetLeftPos(limit);
  f.session.Click(f.Cell(0, 1));
  EXPECT_EQ(info->Headers()[1]->Bounds.left, info->ClientBounds().left);
}

TEST(GridTableController, InPlaceEditingPostsAndCancels) {
  ControllerFixture f;
  // A click focuses the cell, a second one opens its editor.
  f.session.Click(f.Cell(1, 1));
  f.session.Click(f.Cell(1, 1));
  TkcGridEditingController* editing = f.controller()->EditingController();
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_EQ(editing->EditingItem(), f.view->Columns(1));
  EXPECT_EQ(editing->Edit()->EditValue().AsString(), "apple");
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('A');
  f.session.KeyUp(VK_CONTROL);
  f.session.Type("melon");
  f.session.Key(VK_RETURN);
  EXPECT_FALSE(editing->IsEditing());
  // The value is in the record, which stays in edit until the row is left.
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "melon");
  f.session.Key(VK_DOWN);
  f.session.Key(VK_UP);
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Text(1, 1), "melon");
  // Typing opens the editor with the character; Esc twice cancels the record's change.
  f.session.Type("x");
  ASSERT_TRUE(editing->IsEditing());
  f.session.Key(VK_ESCAPE);
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Text(1, 1), "melon");
  // Moving to another row posts what was typed.
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  f.session.Type("!");
  f.session.Key(VK_DOWN);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2);
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Text(1, 1).back(), '!');
  // A new query's ClearItems while editing leaves no editor on a freed column; what the
  // record took before stays in it.
  f.session.Type("x");
  f.session.Key(VK_RETURN);
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  f.view->ClearItems();
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "x");
}

TEST(GridTableController, ARowsCellsStayInEditUntilTheRowIsLeftOrCancelled) {
  ControllerFixture f;
  TkcGridEditingController* editing = f.controller()->EditingController();
  // Two cells of one row: each Enter writes into the record, which stays in edit.
  f.session.Click(f.Cell(1, 0));
  f.session.Type("9");
  f.session.Key(VK_RETURN);
  f.session.Key(VK_RIGHT);
  f.session.Type("x");
  f.session.Key(VK_RETURN);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 9);
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "x");
  // Esc in a changed editor drops only its value; Esc again cancels the whole record.
  f.session.Type("y");
  ASSERT_TRUE(editing->IsEditing());
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "x");
  EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 9);
  f.session.Key(VK_ESCAPE);
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Text(1, 0), "2");
  EXPECT_EQ(f.Text(1, 1), "apple");
  // Esc in an editor left unchanged cancels the record at once.
  f.session.Type("q");
  f.session.Key(VK_RETURN);
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Text(1, 1), "apple");
  // Moving to another row posts every cell written, and the one still in its editor.
  f.session.Key(VK_LEFT);
  f.session.Type("5");
  f.session.Key(VK_RETURN);
  f.session.Key(VK_RIGHT);
  f.session.Type("z");
  f.session.Key(VK_DOWN);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2);
  EXPECT_EQ(f.Text(1, 0), "5");
  EXPECT_EQ(f.Text(1, 1), "z");
  // Leaving the grid keeps the record in edit with what was typed.
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(0, 200, 100, 21);
  f.session.Type("w");
  other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "w");
}

TEST(GridTableController, AViewGoingAwayPostsItsRecordAndWhatItsEditorHolds) {
  for (bool editorOpen : {false, true}) {
    ControllerFixture f;
    f.session.Click(f.Cell(1, 0));
    f.session.Type("9");
    f.session.Key(VK_RETURN);
    f.session.Key(VK_RIGHT);
    f.session.Type("x");
    if (!editorOpen) f.session.Key(VK_RETURN);
    ASSERT_EQ(f.controller()->EditingController()->IsEditing(), editorOpen);
    // The view alone goes first (its grid still shows it), then the grid.
    delete f.view;
    delete f.grid;
    f.session.ProcessMessages();
    EXPECT_EQ(f.ds.State(), dsBrowse) << editorOpen;
    f.ds.SetRecNo(2);
    EXPECT_EQ(f.ds.FieldByName("ID")->AsInteger(), 9) << editorOpen;
    EXPECT_EQ(f.ds.FieldByName("NAME")->AsString(), "x") << editorOpen;
  }
}

// A view over ID (integer), DONE (Boolean) and DAY (date): each cell edits with its kind's editor.
struct KindsFixture : DBGridFixture {
  KindsFixture()
      : DBGridFixture(200, [](TClientDataSet& ADataSet) {
          InitializeExtendedEditors();
          ADataSet.FieldDefs().Add("ID", ftInteger, 0, true);
          ADataSet.FieldDefs().Add("DONE", ftBoolean);
          ADataSet.FieldDefs().Add("DAY", ftDate);
          ADataSet.CreateDataSet();
          for (int r = 0; r < 3; ++r)
            ADataSet.AppendRecord({Variant(r + 1), Variant(false), Variant::FromDate(EncodeDate(2024, 1, r + 1))});
        }) {
    view->DataController()->CreateAllItems();
    session.ProcessMessages();
    view->Site()->SetFocus();
    session.ProcessMessages();
  }
  TkcGridEditingController* editing() { return view->TableController()->EditingController(); }
  TRect CellBounds(int row, int column) {
    if (TkcCustomGridRowViewInfo* r = view->TableViewInfo()->RowByIndex(row))
      for (auto& cell : r->Cells)
        if (auto* data = dynamic_cast<TkcGridDataCellViewInfo*>(cell.get()); data && data->Column == view->Columns(column))
          return data->Bounds;
    ADD_FAILURE() << "no cell " << row << "," << column;
    return {};
  }
  void ClickAt(const TPoint& p) { session.Click(TFormsSession::At(view->Site(), p.x, p.y)); }
  void FocusCell(int row, int column) {
    TRect r = CellBounds(row, column);
    ClickAt(TPoint{r.left + 3, (r.top + r.bottom) / 2});
  }
  Variant Field(int recNo, const char* name) {
    ds.SetRecNo(recNo);
    return ds.FieldByName(name)->AsVariant();
  }
};

TEST(GridTableController, CellsEditWithTheirColumnsEditorKind) {
  KindsFixture f;
  TkcGridEditingController* editing = f.editing();
  // Integer: typing opens a text editor with the character; Enter writes it into the record
  // (reading the field moves the dataset, which posts it).
  f.FocusCell(1, 0);
  f.session.Type("4");
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_NE(dynamic_cast<TkcCustomTextEdit*>(editing->Edit()), nullptr);
  f.session.Type("2");
  f.session.Key(VK_RETURN);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.Field(2, "ID").AsInteger(), 42);

  // Boolean: Space opens a check box and toggles it.
  f.session.Key(VK_RIGHT);
  ASSERT_EQ(f.view->TableController()->FocusedItem(), f.view->Columns(1));
  f.session.Key(VK_SPACE);
  ASSERT_TRUE(editing->IsEditing());
  auto* check = dynamic_cast<TkcCustomCheckBox*>(editing->Edit());
  ASSERT_NE(check, nullptr);
  EXPECT_TRUE(check->Checked());
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_TRUE(f.Field(2, "DONE").AsBoolean());
  // A click on the focused cell's check square opens the editor and toggles at once; Esc
  // twice gives the record back unchanged.
  f.session.Key(VK_F2);
  ASSERT_EQ(editing->Edit(), check);
  TRect square = check->CheckViewInfo()->CheckRect;
  TPoint hit{check->Left() + (square.left + square.right) / 2, check->Top() + (square.top + square.bottom) / 2};
  f.session.Key(VK_ESCAPE);
  ASSERT_FALSE(editing->IsEditing());
  f.ClickAt(hit);
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_FALSE(check->Checked());
  f.session.Key(VK_ESCAPE);
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_TRUE(f.Field(2, "DONE").AsBoolean());

  // Date: F2 opens the date editor with the record's date; a typed date is posted.
  f.FocusCell(1, 2);
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  ASSERT_NE(dynamic_cast<TkcCustomDateEdit*>(editing->Edit()), nullptr);
  EXPECT_EQ(editing->Edit()->EditValue().AsDateTime(), EncodeDate(2024, 1, 2));
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('A');
  f.session.KeyUp(VK_CONTROL);
  f.session.Type(FormatDateTime("ddddd", EncodeDate(2025, 3, 14)));
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.Field(2, "DAY").AsDateTime(), EncodeDate(2025, 3, 14));
  // Cancelled, the date stays.
  f.session.Key(VK_F2);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('A');
  f.session.KeyUp(VK_CONTROL);
  f.session.Type(FormatDateTime("ddddd", EncodeDate(2026, 6, 1)));
  f.session.Key(VK_ESCAPE);
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.Field(2, "DAY").AsDateTime(), EncodeDate(2025, 3, 14));

  // A column's own kind wins over its value type's; replacing it while editing drops the
  // editor's value.
  f.view->Columns(2)->SetPropertiesClass(TkcCustomEditPropertiesClass(TkcTextEditProperties::StaticClass()));
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_EQ(dynamic_cast<TkcCustomDateEdit*>(editing->Edit()), nullptr);
  f.session.Type("x");
  f.view->Columns(2)->SetPropertiesClass(TkcCustomEditPropertiesClass(TkcCheckBoxProperties::StaticClass()));
  EXPECT_FALSE(editing->IsEditing());
  EXPECT_EQ(f.ds.State(), dsEdit);
  EXPECT_EQ(f.Field(2, "DAY").AsDateTime(), EncodeDate(2025, 3, 14));
}

TEST(GridTableController, AnMRUColumnKeepsWhatItsEditorLearnt) {
  KindsFixture f;
  f.view->Columns(0)->SetPropertiesClass(TkcCustomEditPropertiesClass(TkcMRUEditProperties::StaticClass()));
  auto* column = dynamic_cast<TkcMRUEditProperties*>(f.view->Columns(0)->GetProperties());
  ASSERT_NE(column, nullptr);
  column->ImmediateDropDown = false;
  for (const char* id : {"7", "9"}) {
    f.FocusCell(0, 0);
    f.session.Type(id);
    ASSERT_TRUE(f.editing()->IsEditing());
    f.session.Key(VK_RETURN);
    EXPECT_FALSE(f.editing()->IsEditing());
  }
  EXPECT_EQ(f.Field(1, "ID").AsInteger(), 9);
  ASSERT_EQ(column->Items()->Count(), 2);
  EXPECT_EQ(column->Items()->Strings(0), "9");
  EXPECT_EQ(column->Items()->Strings(1), "7");
}

TEST(GridTableController, ReadOnlyViewOpensNoEditor) {
  ControllerFixture f;
  f.view->OptionsData()->SetEditing(false);
  f.session.Click(f.Cell(1, 1));
  f.session.Click(f.Cell(1, 1));
  f.session.Type("x");
  EXPECT_FALSE(f.controller()->IsEditing());
  EXPECT_EQ(f.ds.State(), dsBrowse);
}

TEST(GridTableController, FilterBarShowsClearsAndSwitchesTheFilter) {
  ControllerFixture f(8);
  TkcGridTableViewInfo* info = f.view->TableViewInfo();
  EXPECT_EQ(info->FilterViewInfo(), nullptr) << "an empty filter shows no bar";
  TkcDataFilterCriteria* filter = f.FilterOn("fig");
  TkcGridFilterViewInfo* bar = info->FilterViewInfo();
  ASSERT_NE(bar, nullptr);
  // Full width at the bottom, the rows above it; text height 13 + 10, the customize button
  // (13 + 4 + borders and margins 4) + 8.
  EXPECT_EQ(bar->Bounds.bottom, info->Bounds.bottom);
  EXPECT_EQ(info->ClientBounds().bottom, bar->Bounds.top);
  EXPECT_EQ(bar->Bounds.bottom - bar->Bounds.top, 29);
  EXPECT_LE(info->RecordsBounds().bottom, bar->Bounds.top);
  EXPECT_NE(bar->Text.find("fig"), String::npos) << bar->Text;
  EXPECT_EQ(f.dc()->GetRowCount(), 1);
  TkcCustomGridFilterButtonViewInfo* close = bar->Buttons()[0].get();
  TkcCustomGridFilterButtonViewInfo* activate = bar->Buttons()[1].get();
  EXPECT_EQ(close->Bounds.left, bar->Bounds.left + 4);
  EXPECT_EQ(activate->Bounds.left, close->Bounds.right + 4);
  EXPECT_EQ(info->GetHitTest(TPoint{activate->Bounds.left + 2, activate->Bounds.top + 2})->HitTestCode(), 102);
  auto clickOn = [&](TkcCustomGridFilterButtonViewInfo* b) {
    f.session.Click(f.At((b->Bounds.left + b->Bounds.right) / 2, (b->Bounds.top + b->Bounds.bottom) / 2));
  };
  // Activate switches the filter off and on; the conditions stay.
  clickOn(activate);
  EXPECT_FALSE(filter->Active());
  EXPECT_EQ(f.dc()->GetRowCount(), 8);
  ASSERT_NE(info->FilterViewInfo(), nullptr);
  clickOn(info->FilterViewInfo()->Buttons()[1].get());
  EXPECT_TRUE(filter->Active());
  EXPECT_EQ(f.dc()->GetRowCount(), 1);
  // Close clears it, and the bar goes.
  clickOn(info->FilterViewInfo()->Buttons()[0].get());
  EXPECT_TRUE(filter->IsEmpty());
  EXPECT_EQ(f.dc()->GetRowCount(), 8);
  EXPECT_EQ(info->FilterViewInfo(), nullptr);
  // Always shown: the empty text and no buttons; at the top when asked.
  f.view->FilterBox()->SetVisible(fvAlways);
  f.view->FilterBox()->SetPosition(fpTop);
  f.view->SizeChanged();
  f.session.ProcessMessages();
  ASSERT_NE(info->FilterViewInfo(), nullptr);
  EXPECT_EQ(info->FilterViewInfo()->Text, "<Filter is Empty>");
  EXPECT_FALSE(info->FilterViewInfo()->Buttons()[0]->Visible);
  EXPECT_EQ(info->FilterViewInfo()->Bounds.top, info->Bounds.top);
  EXPECT_EQ(info->HeaderBounds().top, info->FilterViewInfo()->Bounds.bottom);
}

TEST(GridTableController, FilterBarOffersTheFiltersLastApplied) {
  ControllerFixture f(8);
  TkcGridFilterPopup* popup = f.controller()->FilterPopup();
  auto choose = [&](const String& AText) {
    popup->Popup(f.view->Columns(1));
    for (int i = 0; i < popup->ListBox()->Items()->Count(); ++i)
      if (popup->ListBox()->Items()->Strings(i) == AText && popup->ValueList()->GetItem(i).Kind == fviValue) {
        popup->ApplyValue(i);
        break;
      }
    f.session.ProcessMessages();
  };
  choose("fig");
  TkcGridFilterViewInfo* bar = f.view->TableViewInfo()->FilterViewInfo();
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(bar->Buttons()[3]->Visible) << "the filter in force is not offered";
  choose("kiwi");
  EXPECT_EQ(f.Names(), (std::vector<String>{"kiwi"}));
  bar = f.view->TableViewInfo()->FilterViewInfo();
  // The customize button at the right end; the drop-down arrow follows the short text.
  TkcCustomGridFilterButtonViewInfo* customize = bar->Buttons()[2].get();
  TkcCustomGridFilterButtonViewInfo* dropDown = bar->Buttons()[3].get();
  ASSERT_TRUE(dropDown->Visible);
  EXPECT_EQ(customize->Bounds.right, bar->Bounds.right - 4);
  EXPECT_EQ(dropDown->Bounds.left, bar->TextBounds().right + 9);
  EXPECT_LE(dropDown->Bounds.right, customize->Bounds.left - 4);
  EXPECT_EQ(bar->Bounds.bottom - bar->Bounds.top, 29) << "the drop-down does not make the bar higher";
  f.session.Click(f.At((dropDown->Bounds.left + dropDown->Bounds.right) / 2, (dropDown->Bounds.top + dropDown->Bounds.bottom) / 2));
  TkcGridFilterMRUItemsPopup* recent = f.controller()->FilterMRUItemsPopup();
  ASSERT_TRUE(recent->IsShown());
  ASSERT_EQ(recent->ListBox()->Items()->Count(), 1);
  EXPECT_NE(recent->ListBox()->Items()->Strings(0).find("fig"), String::npos);
  // Its entries are 2 pixels apart each way and start left of the filter text.
  EXPECT_EQ(recent->ListBox()->ItemHeight(), 13 + 4);
  EXPECT_LE(recent->Left(), f.At(bar->TextBounds().left, 0).x);
  f.session.Key(VK_RETURN);
  EXPECT_FALSE(recent->IsShown());
  EXPECT_EQ(f.Names(), (std::vector<String>{"fig"}));
  // The filter's text drops the same list down; the bar's empty part does not.
  bar = f.view->TableViewInfo()->FilterViewInfo();
  TRect text = bar->TextBounds();
  f.session.Click(f.At(text.left + 2, (text.top + text.bottom) / 2));
  ASSERT_TRUE(recent->IsShown());
  EXPECT_NE(recent->ListBox()->Items()->Strings(0).find("kiwi"), String::npos);
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(recent->IsShown());
  EXPECT_EQ(f.Names(), (std::vector<String>{"fig"})) << "Esc changes nothing";
  TkcCustomGridFilterButtonViewInfo* customize2 = bar->Buttons()[2].get();
  f.session.Click(f.At(customize2->Bounds.left - 20, (text.top + text.bottom) / 2));
  EXPECT_FALSE(recent->IsShown());
}

TEST(GridTableController, FilterBarCustomizeButtonOpensTheFilterBuilder) {
  ControllerFixture f(8);
  TkcDataFilterCriteria* filter = f.FilterOn("fig");
  TkcGridFilterViewInfo* bar = f.view->TableViewInfo()->FilterViewInfo();
  ASSERT_NE(bar, nullptr);
  auto* customize = dynamic_cast<TkcGridFilterCustomizeButtonViewInfo*>(bar->Buttons()[2].get());
  ASSERT_NE(customize, nullptr);
  ASSERT_TRUE(customize->Visible);
  EXPECT_EQ(f.view->TableViewInfo()->GetHitTest(TPoint{customize->Bounds.left + 2, customize->Bounds.top + 2})
                ->HitTestCode(),
            105);
  // The dialog shows the whole filter; its OK puts what it holds in force.
  int rows = 0;
  f.session.Script([&] {
    auto* d = dynamic_cast<TfmFilterControlDialog*>(Screen->ActiveForm());
    ASSERT_NE(d, nullptr);
    rows = static_cast<int>(d->FilterControl()->Model()->Rows().size());
    d->FilterControl()->ClearAll();
    f.session.QueueMove(TFormsSession::At(d->btOk, 5, 5));
    f.session.QueuePress();
    f.session.QueueRelease();
  });
  f.session.Click(f.At((customize->Bounds.left + customize->Bounds.right) / 2,
                       (customize->Bounds.top + customize->Bounds.bottom) / 2));
  f.session.ProcessMessages();
  EXPECT_EQ(rows, 2) << "the root group and the condition";
  EXPECT_TRUE(filter->IsEmpty());
  EXPECT_EQ(f.dc()->GetRowCount(), 8);
  // Without the option the button is gone.
  f.view->FilterBox()->SetVisible(fvAlways);
  f.view->FilterBox()->SetCustomizeDialog(false);
  f.session.ProcessMessages();
  ASSERT_NE(f.view->TableViewInfo()->FilterViewInfo(), nullptr);
  EXPECT_FALSE(f.view->TableViewInfo()->FilterViewInfo()->Buttons()[2]->Visible);
}

TEST(GridTableController, TabMovesThroughCellsThenLeavesTheGrid) {
  ControllerFixture f(2);
  auto* edit = new TEdit(&f.form);
  edit->SetParent(&f.form);
  edit->SetBounds(0, 200, 100, 21);
  f.view->OptionsBehavior()->SetFocusCellOnTab(true);
  edit->SetFocus();
  f.session.Click(f.Cell(0, 0));
  ASSERT_TRUE(f.view->Site()->Focused());
  f.session.Key(VK_TAB);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(1));
  f.session.Key(VK_TAB);  // on to the next row's first cell
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 1);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(0));
  f.session.Key(VK_TAB);
  f.session.Key(VK_TAB);  // past the last cell of the last row
  EXPECT_TRUE(edit->Focused());
  // Enter walks the cells too when asked to.
  f.view->OptionsBehavior()->SetGoToNextCellOnEnter(true);
  f.session.Click(f.Cell(1, 0));
  f.session.Key(VK_RETURN);
  EXPECT_EQ(f.controller()->FocusedItem(), f.view->Columns(1));
  EXPECT_FALSE(f.controller()->IsEditing());
  // Ctrl+Tab leaves from any cell.
  f.session.Click(f.Cell(0, 0));
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_TAB);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_TRUE(edit->Focused());
}

}  // namespace

TEST(GridTableController, IndicatorMarkOpensTheQuickColumnsList) {
  ControllerFixture f;
  f.view->OptionsCustomize()->SetColumnsQuickCustomization(true);
  f.session.ProcessMessages();
  TkcGridIndicatorItemViewInfo* mark = nullptr;
  for (TkcGridIndicatorItemViewInfo* item : f.view->TableViewInfo()->IndicatorViewInfo()->Items)
    if (item->Kind == TkcGridIndicatorViewInfo::ikHeader) mark = item;
  ASSERT_NE(mark, nullptr) << "the option alone shows the indicator";
  EXPECT_EQ(mark->Bounds.right - mark->Bounds.left, 12);
  POINT at = f.At((mark->Bounds.left + mark->Bounds.right) / 2, (mark->Bounds.top + mark->Bounds.bottom) / 2);
  f.session.MoveTo(at);
  EXPECT_EQ(mark->State(), gcsHot);
  EXPECT_EQ(f.controller()->HintCell(), mark);
  f.session.Click(at);
  TkcCustomGridItemsCustomizationPopup* popup = f.controller()->ItemsCustomizationPopup();
  ASSERT_TRUE(popup->IsShown());
  EXPECT_EQ(f.controller()->HintCell(), nullptr);
  TkcCheckListBoxItems* items = popup->CheckListBox()->Items();
  auto listed = [&] {
    std::vector<String> r;
    for (int i = 0; i < items->Count(); ++i) r.push_back(items->Items(i)->Text() + (items->Items(i)->Checked() ? "+" : "-"));
    return r;
  };
  EXPECT_EQ(listed(), (std::vector<String>{"ID+", "NAME+"}));
  EXPECT_GE(popup->Top(), TFormsSession::At(f.view->Site(), 0, mark->Bounds.bottom).y) << "under the mark";
  // Each check applies at once and the list stays open.
  auto clickCheck = [&](int index) {
    TkcCustomInnerCheckListBox* inner = popup->CheckListBox()->InnerCheckListBox();
    TRect r = inner->ItemRect(index);
    f.session.Click(TFormsSession::At(inner, r.left + 8, (r.top + r.bottom) / 2));
    f.session.Advance(1000);
  };
  clickCheck(1);
  EXPECT_FALSE(f.view->Columns(1)->Visible());
  EXPECT_EQ(f.view->VisibleColumnCount(), 1);
  ASSERT_TRUE(popup->IsShown());
  clickCheck(1);
  EXPECT_TRUE(f.view->Columns(1)->Visible());
  f.session.Key(VK_ESCAPE);
  EXPECT_FALSE(popup->IsShown());
  // A column hidden from the user is not offered; a press on the mark while the list is open
  // only closes it.
  f.view->Columns(0)->SetHidden(true);
  f.session.Click(at);
  ASSERT_TRUE(popup->IsShown());
  EXPECT_EQ(listed(), (std::vector<String>{"NAME+"}));
  f.session.Click(at);
  EXPECT_FALSE(popup->IsShown());
  // Without the option the mark is a plain header.
  f.view->OptionsCustomize()->SetColumnsQuickCustomization(false);
  f.view->OptionsView()->SetIndicator(true);
  f.session.ProcessMessages();
  f.session.Click(at);
  EXPECT_FALSE(popup->IsShown());
}

// Three integer columns A, B, C over six rows; cells selected several at a time.
struct CellSelectFixture : DBGridFixture {
  CellSelectFixture()
      : DBGridFixture(150, [](TClientDataSet& ADataSet) {
          for (const char* name : {"A", "B", "C"}) ADataSet.FieldDefs().Add(name, ftInteger, 0, false);
          ADataSet.CreateDataSet();
          for (int r = 0; r < 6; ++r) ADataSet.AppendRecord({Variant(r), Variant(10 + r), Variant(20 + r)});
        }) {
    view->DataController()->CreateAllItems();
    for (int i = 0; i < 3; ++i) view->Columns(i)->SetWidth(60);
    view->OptionsSelection()->SetCellMultiSelect(true);
    session.ProcessMessages();
    view->Site()->SetFocus();
    session.ProcessMessages();
  }
  TkcGridTableController* controller() { return view->TableController(); }
  POINT Cell(int row, int column) {
    TkcGridColumnHeaderViewInfo* h = view->TableViewInfo()->Headers()[static_cast<size_t>(column)].get();
    return TFormsSession::At(view->Site(), (h->Bounds.left + h->Bounds.right) / 2, 19 + 18 * row + 9);
  }
  // AAction with a modifier key held down.
  void Held(WORD AKey, const std::function<void()>& AAction) {
    session.KeyDown(AKey);
    AAction();
    session.KeyUp(AKey);
  }
  // The selected cells as rows of '#' (selected and painted so) and '.'.
  std::vector<String> Picture() {
    std::vector<String> r;
    for (int row = 0; row < 6; ++row) {
      String line;
      for (int column = 0; column < 3; ++column) {
        bool selected = controller()->IsCellSelected(row, view->Columns(column));
        POINT p = Cell(row, column);
        POINT origin = TFormsSession::At(view->Site(), 0, 0);
        auto* hit = dynamic_cast<TkcGridRecordCellHitTest*>(
            view->TableViewInfo()->GetHitTest(TPoint{p.x - origin.x, p.y - origin.y}));
        auto* cell = hit ? dynamic_cast<TkcGridDataCellViewInfo*>(hit->ViewInfo()) : nullptr;
        bool painted = cell && (cell->CalculateParamsIfNeeded(), cell->Selected);
        line += selected == painted ? (selected ? '#' : '.') : '?';
      }
      r.push_back(line);
    }
    return r;
  }
};

TEST(GridTableController, CellMultiSelectTakesTheRectangleOfMouseAndKeys) {
  CellSelectFixture f;
  f.session.Click(f.Cell(1, 0));
  EXPECT_EQ(f.Picture(), (std::vector<String>{"...", "#..", "...", "...", "...", "..."}));
  // Shift+click spans rows and columns from the anchor cell.
  f.Held(VK_SHIFT, [&] { f.session.Click(f.Cell(3, 2)); });
  EXPECT_EQ(f.Picture(), (std::vector<String>{"...", "###", "###", "###", "...", "..."}));
  // Ctrl+C copies the selected rows' selected columns, with their captions.
  f.Held(VK_CONTROL, [&] { f.session.Key('C'); });
  EXPECT_EQ(Clipboard()->AsText(), "A\tB\tC\r\n1\t11\t21\r\n2\t12\t22\r\n3\t13\t23");
  // A plain click starts again; Shift+Right and Shift+Down grow from it.
  f.session.Click(f.Cell(0, 1));
  EXPECT_EQ(f.Picture(), (std::vector<String>{".#.", "...", "...", "...", "...", "..."}));
  f.Held(VK_SHIFT, [&] {
    f.session.Key(VK_RIGHT);
    f.session.Key(VK_DOWN);
  });
  EXPECT_EQ(f.Picture(), (std::vector<String>{".##", ".##", "...", "...", "...", "..."}));
  f.Held(VK_CONTROL, [&] { f.session.Key('C'); });
  EXPECT_EQ(Clipboard()->AsText(), "B\tC\r\n10\t20\r\n11\t21");
  // A key without Shift leaves only the focused cell.
  f.session.Key(VK_LEFT);
  EXPECT_EQ(f.Picture(), (std::vector<String>{"...", ".#.", "...", "...", "...", "..."}));
  // Dragging over cells selects the rectangle from the pressed cell to the one under the mouse.
  f.session.MoveTo(f.Cell(4, 2));
  f.session.Press();
  f.session.MoveTo(f.Cell(2, 1));
  f.session.Release();
  EXPECT_EQ(f.Picture(), (std::vector<String>{"...", "...", ".##", ".##", ".##", "..."}));
  // Ctrl+A takes every cell; a press on a row's indicator takes the whole row.
  f.Held(VK_CONTROL, [&] { f.session.Key('A'); });
  EXPECT_EQ(f.Picture(), (std::vector<String>(6, "###")));
  f.view->OptionsView()->SetIndicator(true);
  f.session.ProcessMessages();
  f.session.Click(TFormsSession::At(f.view->Site(), 5, 19 + 18 * 5 + 9));
  EXPECT_EQ(f.Picture(), (std::vector<String>{"...", "...", "...", "...", "...", "###"}));
}

// With VT_SCREENSHOT_DIR set, pictures of a selected rectangle of cells and of the quick columns
// list under the indicator's mark.
TEST(GridTableController, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  CellSelectFixture f;
  f.view->OptionsCustomize()->SetColumnsQuickCustomization(true);
  f.session.ProcessMessages();
  f.session.Click(f.Cell(1, 0));
  f.Held(VK_SHIFT, [&] { f.session.Click(f.Cell(3, 1)); });
  SavePicturePpm(f.session.Snapshot(f.form.Handle()), String(dir) + "/grid-cells.ppm");
  f.session.Click(TFormsSession::At(f.view->Site(), 6, 9));
  ASSERT_TRUE(f.controller()->ItemsCustomizationPopup()->IsShown());
  SavePicturePpm(f.session.Snapshot(f.controller()->ItemsCustomizationPopup()->Handle()),
                 String(dir) + "/grid-quick-columns.ppm");
}

TEST(GridTableController, GroupBySortingGroupsByTheFirstSortedColumn) {
  ControllerFixture f;
  f.view->OptionsCustomize()->SetGroupBySorting(true);
  f.view->OptionsCustomize()->SetColumnHidingOnGrouping(false);
  f.ClickHeader(1);
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), 0);
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soAscending);
  // A plain click on another column groups by that one instead.
  f.ClickHeader(0);
  EXPECT_EQ(f.view->Columns(1)->GroupIndex(), -1);
  EXPECT_EQ(f.view->Columns(1)->SortOrder(), soNone);
  EXPECT_EQ(f.view->Columns(0)->GroupIndex(), 0);
  // Ctrl+click ungroups and unsorts it.
  f.ClickHeader(0, {VK_CONTROL});
  EXPECT_EQ(f.view->Columns(0)->GroupIndex(), -1);
  EXPECT_EQ(f.view->Columns(0)->SortOrder(), soNone);
  EXPECT_TRUE(f.view->Columns(0)->Visible());
}

TEST(GridTableController, UpFromTheFirstRecordReachesTheNewItemRow) {
  ControllerFixture f;
  f.view->OptionsView()->SetNewItemRow(true);
  f.session.ProcessMessages();
  f.session.Key(VK_DOWN);
  ASSERT_EQ(f.dc()->GetFocusedRowIndex(), 1);
  for (WORD key : {VK_UP, VK_PRIOR}) {
    f.dc()->FocusRow(0);
    f.session.Key(key);
    EXPECT_TRUE(f.dc()->GetNewItemRowFocused()) << key;
    f.session.Key(key);
    EXPECT_TRUE(f.dc()->GetNewItemRowFocused()) << "nothing above it";
    f.session.Key(key == VK_UP ? VK_DOWN : VK_NEXT);
    EXPECT_FALSE(f.dc()->GetNewItemRowFocused());
    EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 0);
  }
  // Appending past the last record is left to the new-item row.
  f.view->OptionsData()->SetAppending(true);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_END);
  f.session.KeyUp(VK_CONTROL);
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.dc()->GetRowCount(), 6);
  EXPECT_EQ(f.ds.State(), dsBrowse);
}

TEST(GridTableController, EditorMovesOnWithEnterStaysWithAlwaysShowEditorAndParksOutOfView) {
  ControllerFixture f(20);
  TkcGridEditingController* editing = f.controller()->EditingController();
  f.view->OptionsBehavior()->SetGoToNextCellOnEnter(true);
  f.session.Click(f.Cell(0, 0));
  f.session.Key(VK_F2);
  ASSERT_TRUE(editing->IsEditing());
  // Enter writes the value and opens the next cell's editor.
  f.session.Type("7");
  f.session.Key(VK_RETURN);
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_EQ(editing->EditingItem(), f.view->Columns(1));
  EXPECT_EQ(f.Text(0, 0), "7");
  // Scrolled out of view the editor waits at the far left, still holding the focus.
  f.view->SetTopRowIndex(10);
  f.session.ProcessMessages();
  EXPECT_EQ(editing->Edit()->Left(), 30000);
  EXPECT_TRUE(editing->Edit()->GetEditFocused());
  f.view->SetTopRowIndex(0);
  f.session.ProcessMessages();
  EXPECT_LT(editing->Edit()->Left(), 300);
  f.session.Key(VK_ESCAPE);
  f.session.Key(VK_ESCAPE);
  ASSERT_FALSE(editing->IsEditing());
  // With AlwaysShowEditor a move to another row brings the editor with it.
  f.view->OptionsBehavior()->SetGoToNextCellOnEnter(false);
  f.view->OptionsBehavior()->SetAlwaysShowEditor(true);
  f.session.Key(VK_DOWN);
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 1);
  f.session.Key(VK_DOWN);
  ASSERT_TRUE(editing->IsEditing());
  EXPECT_EQ(f.dc()->GetFocusedRowIndex(), 2);
  // Ctrl+Delete in the editor deletes the record (after the question).
  f.view->OptionsData()->SetDeletingConfirmation(false);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_DELETE);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.dc()->GetRowCount(), 19);
}

TEST(GridTableController, NewRecordLeftUntouchedIsCancelledWhenTheGridIsLeft) {
  ControllerFixture f;
  auto* edit = new TEdit(&f.form);
  edit->SetParent(&f.form);
  edit->SetBounds(0, 200, 100, 21);
  f.session.Key(VK_INSERT);
  ASSERT_EQ(f.ds.State(), dsInsert);
  edit->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.ds.State(), dsBrowse);
  EXPECT_EQ(f.ds.RecordCount(), 6);
  // With CancelOnExit off the new record waits.
  f.view->OptionsData()->SetCancelOnExit(false);
  f.view->Site()->SetFocus();
  f.session.Key(VK_INSERT);
  edit->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.ds.State(), dsInsert);
}
