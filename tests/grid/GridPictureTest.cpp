// With VT_SCREENSHOT_DIR set (run alone, under a real X server) shows two table views on the Qt
// shell with the installed fonts, at heights where the last row only partly fits: one with
// the view's footer, one grouped with group footers; the column filter drop-down of a narrow
// column is open. Checks that no row colour reaches either footer in what the views paint, and
// saves a picture of the screen there; otherwise skipped.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "data/kcDataSummary.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/win/QtShell.h"

namespace {

TkcGridTableView* AddView(TForm* AForm, const TRect& ABounds, TkcStyle* AContent) {
  auto* grid = new TkcGrid(AForm);
  auto* view = CreateGridView<TkcGridTableView>(AForm);
  view->LookAndFeel()->SetKind(lfFlat);
  grid->Levels()->Add()->SetGridView(view);
  grid->SetParent(AForm);
  grid->SetBounds(ABounds.left, ABounds.top, ABounds.right - ABounds.left, ABounds.bottom - ABounds.top);
  const char* captions[] = {"Name", "Kind", "N"};
  for (const char* c : captions) view->CreateColumn()->SetCaption(c);
  view->Columns(0)->SetWidth(44);
  view->Columns(2)->SetValueTypeClass(TkcIntegerValueType::Class());
  TkcCustomDataController* dc = view->DataController();
  dc->BeginUpdate();
  dc->SetRecordCount(40);
  for (int r = 0; r < 40; ++r) {
    dc->SetValue(r, 0, Variant("row" + std::to_string(r)));
    dc->SetValue(r, 1, Variant(r % 2 ? "odd" : "even"));
    dc->SetValue(r, 2, Variant(r * 10));
  }
  dc->EndUpdate();
  view->OptionsView()->SetFooter(true);
  view->OptionsView()->SetIndicator(true);
  view->OptionsView()->SetGroupByBox(false);
  view->Styles()->SetContent(AContent);
  TkcDataSummaryItem* total = dc->Summary()->FooterSummaryItems()->Add();
  total->SetItemLink(view->Columns(2));
  total->SetKind(skSum);
  return view;
}

// Pixels of AColor in the view's footer, as the view paints itself.
int ColorInFooter(TkcGridTableView* AView, TColor AColor) {
  TkcGridTableViewInfo* info = AView->TableViewInfo();
  TRect footer = info->FooterViewInfo()->Bounds;
  TRect bounds = info->Bounds;
  TBitmap bitmap(bounds.right, bounds.bottom);
  TkcCanvas canvas(bitmap.Canvas());
  AView->Painter()->Paint(&canvas);
  int n = 0;
  for (int y = footer.top; y < footer.bottom; ++y)
    for (int x = bounds.left; x < footer.right; ++x) n += bitmap.Canvas()->Pixels(x, y) == AColor;
  return n;
}

}  // namespace

TEST(GridPicture, RowsStopAtTheFooter) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "no VT_SCREENSHOT_DIR";
  EnsureShellApplication();
  Application->Initialize();
  InstallQtShell();
  {
    TForm form(nullptr);
    form.SetBounds(20, 20, 620, 300);
    form.SetCaption("Footers");
    TkcStyle content(nullptr);
    content.SetColor(static_cast<TColor>(0x00C0FFC0));
    TkcGridTableView* plain = AddView(&form, TRect{10, 10, 290, 10 + 157}, &content);
    TkcGridTableView* grouped = AddView(&form, TRect{310, 10, 600, 10 + 233}, &content);
    grouped->OptionsView()->SetGroupFooters(gfAlwaysVisible);
    TkcDataSummaryItem* sum = grouped->DataController()->Summary()->DefaultGroupSummaryItems()->Add();
    sum->SetItemLink(grouped->Columns(2));
    sum->SetKind(skSum);
    sum->SetPosition(spFooter);
    grouped->Columns(1)->SetGroupIndex(0);
    grouped->DataController()->Groups()->ExpandAll();
    // Group footers in the rows' colour: none of it may show in the view's footer.
    grouped->Styles()->OnGetFooterStyle = [&](TkcGridTableView*, int ARow, TkcGridColumn*, TkcStyle*& AStyle) {
      if (ARow >= 0) AStyle = &content;
    };
    form.Show();
    TTimer settle(nullptr);
    bool settled = false;
    settle.SetOnTimer([&settled](TObject*) { settled = true; });
    settle.SetInterval(600);
    do Application->HandleMessage();
    while (!settled);
    for (TkcGridTableView* view : {plain, grouped}) {
      TkcGridTableViewInfo* info = view->TableViewInfo();
      EXPECT_NE(info->RecordsViewInfo()->Items.back()->Bounds.bottom, info->RecordsAreaBounds().bottom)
          << "the real font leaves the last row cut";
      EXPECT_EQ(ColorInFooter(view, content.Color()), 0);
    }
    // The narrow first column's filter drop-down, open for the picture.
    TkcGridFilterPopup* popup = plain->TableController()->FilterPopup();
    popup->Popup(plain->Columns(0));
    ASSERT_TRUE(popup->IsShown());
    TListBox* list = popup->ListBox();
    list->Canvas()->Font()->Assign(list->Font());
    for (int i = 0; i < list->Items()->Count(); ++i)
      EXPECT_LE(2 + list->Canvas()->TextWidth(list->Items()->Strings(i)) + 2, list->ClientWidth());
    settled = false;
    do Application->HandleMessage();
    while (!settled);
    const String cmd = String("import -window root '") + dir + "/grid-footers.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    popup->ClosePopup();
    form.Hide();
  }
  RemoveQtShell();
}
