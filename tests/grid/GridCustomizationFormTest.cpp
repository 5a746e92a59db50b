// The table view's customization form with real input: where it opens, the hidden columns it
// lists, columns dragged out of it onto the header and headers dragged into it, and closing.

#include <cstdlib>

#include <gtest/gtest.h>

#include "editors-extended/kcCheckListBox.h"
#include "grid/kcGridCustomizationForm.h"
#include "grid/kcGridDragObjects.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/FormsTestUtil.h"
#include "platform/gdi/GuiApplication.h"
#include "tests/editors/PicturePpm.h"

namespace {

struct CustomizationFixture {
  TFormsSession session;
  TPlainForm form{500, 400};
  TkcGrid* grid;
  TkcGridTableView* view;
  explicit CustomizationFixture(bool columnMoving = true) {
    grid = new TkcGrid(&form);
    view = CreateGridView<TkcGridTableView>(&form);
    view->LookAndFeel()->SetKind(lfFlat);
    view->OptionsCustomize()->SetColumnMoving(columnMoving);
    view->OptionsView()->SetGroupByBox(false);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 300, 350);
    for (const char* caption : {"Name", "Kind", "Size", "Author"}) {
      TkcGridColumn* c = view->CreateColumn();
      c->SetCaption(caption);
      c->SetWidth(60);
    }
    view->Columns(1)->SetVisible(false);
    view->Columns(3)->SetVisible(false);
    form.Show();
    session.ProcessMessages();
  }
  TkcGridTableCustomizationForm* Open() {
    view->Controller()->SetCustomization(true);
    session.ProcessMessages();
    return static_cast<TkcGridTableCustomizationForm*>(view->Controller()->CustomizationForm());
  }
  TkcCustomGridItemsListBox* List() { return Open()->HiddenItemsList(); }
  std::vector<String> Listed() {
    std::vector<String> r;
    TStrings* items = List()->Items();
    for (int i = 0; i < items->Count(); ++i) r.push_back(items->Strings(i));
    return r;
  }
  std::vector<String> Shown() {
    std::vector<String> r;
    for (int i = 0; i < view->VisibleColumnCount(); ++i) r.push_back(view->VisibleColumns(i)->Caption());
    return r;
  }
  POINT ListEntry(int index) {
    TkcInnerListBox* inner = List()->InnerListBox();
    TRect r = inner->ItemRect(index);
    return TFormsSession::At(inner, r.left + 10, (r.top + r.bottom) / 2);
  }
  POINT Header(int visibleIndex, int dx = 10) {
    const TRect& b = view->TableViewInfo()->Headers()[static_cast<size_t>(visibleIndex)]->Bounds;
    return TFormsSession::At(view->Site(), b.left + dx, 8);
  }
  void Drag(POINT from, POINT to) {
    session.MoveTo(from);
    session.Press();
    session.MoveTo(POINT{from.x + 3, from.y + 3});
    session.MoveTo(POINT{(from.x + to.x) / 2, (from.y + to.y) / 2});
    session.MoveTo(to);
    session.Release();
  }
};

}  // namespace

TEST(GridCustomizationForm, OpensAtTheSiteCornerListingHiddenColumnsAndClosingEndsCustomization) {
  CustomizationFixture f;
  TkcGridTableCustomizationForm* form = f.Open();
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->Caption(), "Customization");
  TPoint corner = f.view->Site()->ClientToScreen(TPoint{f.view->Site()->ClientWidth(), f.view->Site()->ClientHeight()});
  EXPECT_EQ((TRect{form->Left(), form->Top(), form->Left() + form->Width(), form->Top() + form->Height()}),
            (TRect{corner.x - 180, corner.y - 300, corner.x, corner.y}));
  EXPECT_TRUE(IsWindowVisible(form->Handle()));
  EXPECT_EQ(form->HiddenItemsPage()->Caption(), "Columns");
  EXPECT_TRUE(form->HiddenItemsPage()->TabVisible());
  // Sorted by caption; a column hidden in code shows up, one shown in code leaves.
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Author", "Kind"}));
  f.view->Columns(0)->SetVisible(false);
  f.view->Columns(3)->SetVisible(true);
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Kind", "Name"}));

  form->Close();
  f.session.ProcessMessages();
  EXPECT_FALSE(f.view->Controller()->Customization());
  EXPECT_EQ(f.view->Controller()->CustomizationForm(), nullptr);
  // Opened again, and closed by the controller this time.
  ASSERT_NE(f.Open(), nullptr);
  f.view->Controller()->SetCustomization(false);
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Controller()->CustomizationForm(), nullptr);
}

TEST(GridCustomizationForm, WithoutColumnMovingTheColumnsPageIsAbsentAndHeadersStayPut) {
  CustomizationFixture f(false);
  TkcGridTableCustomizationForm* form = f.Open();
  EXPECT_FALSE(form->HiddenItemsPage()->TabVisible());
  EXPECT_TRUE(f.Listed().empty());
  f.Drag(f.Header(0), TFormsSession::At(form, 40, 60));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Name", "Size"}));
}

TEST(GridCustomizationForm, DraggingShowsAndHidesColumns) {
  CustomizationFixture f;
  TkcGridTableCustomizationForm* form = f.Open();
  // A press and release on an entry without moving starts nothing.
  f.session.Click(f.ListEntry(1));
  f.session.Advance(1000);
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Name", "Size"}));
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Author", "Kind"}));

  // "Kind" dropped on the right half of "Name" goes after it; "Author" on the left half of
  // "Name" goes before it.
  f.Drag(f.ListEntry(1), f.Header(0, 40));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Name", "Kind", "Size"}));
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Author"}));
  f.Drag(f.ListEntry(0), f.Header(0, 5));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Author", "Name", "Kind", "Size"}));
  EXPECT_TRUE(f.Listed().empty());

  // A header carried into the form hides its column, without ColumnHiding; so does one released
  // over the rows while the form is open. Within the header it still moves.
  ASSERT_FALSE(f.view->OptionsCustomize()->ColumnHiding());
  f.Drag(f.Header(2), TFormsSession::At(form, 40, 60));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Author", "Name", "Size"}));
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Kind"}));
  f.session.Advance(1000);
  f.Drag(f.Header(2), f.Header(0, 5));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Size", "Author", "Name"}));
  f.session.Advance(1000);
  f.Drag(f.Header(0), TFormsSession::At(f.view->Site(), 60, 40));
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Author", "Name"}));
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Kind", "Size"}));
  // A carried header is no header click.
  for (int i = 0; i < f.view->ColumnCount(); ++i) EXPECT_EQ(f.view->Columns(i)->SortOrder(), soNone) << i;

  // An entry released outside the grid changes nothing.
  f.Drag(f.ListEntry(0), POINT{450, 380});
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Kind", "Size"}));
}

TEST(GridCustomizationForm, AnEntryCarriedOutIsAColumnMoveWithItsPictureAndArrows) {
  CustomizationFixture f;
  f.view->OptionsView()->SetGroupByBox(true);
  f.session.ProcessMessages();
  // Only columns that may move and are not kept out of customization are listed.
  f.view->Columns(3)->Options()->SetMoving(false);
  f.view->Columns(0)->SetHidden(true);
  f.view->Columns(0)->SetVisible(false);
  f.Open();
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Kind"}));
  f.view->Columns(0)->SetHidden(false);
  f.view->Columns(0)->SetVisible(true);

  // Held over the header, past the middle of "Name": the site carries the entry, its picture
  // under the mouse where it was taken, the arrows at the insertion place after "Name".
  POINT from = f.ListEntry(0);
  const TRect name = f.view->TableViewInfo()->Headers()[0]->Bounds;
  POINT over = TFormsSession::At(f.view->Site(), name.left + 45, name.top + 8);
  f.session.MoveTo(from);
  f.session.Press();
  f.session.MoveTo(POINT{from.x + 3, from.y + 3});
  f.session.MoveTo(POINT{from.x - 40, from.y - 40});
  f.session.MoveTo(over);
  auto* moving = dynamic_cast<TkcGridColumnHeaderMovingObject*>(f.view->Site()->GetDragAndDropObject());
  ASSERT_NE(moving, nullptr);
  EXPECT_EQ(moving->SourcePlace, TkcGridColumnHeaderMovingObject::dpCustomizationForm);
  EXPECT_EQ(moving->DestinationPlace, TkcGridColumnHeaderMovingObject::dpHeader);
  TRect arrows = moving->ArrowsBounds(), image = moving->ImageBounds();
  EXPECT_EQ((arrows.left + arrows.right) / 2, name.right);
  TPoint site = f.view->Site()->ScreenToClient(TPoint{over.x, over.y});
  EXPECT_EQ(image.left + moving->HotSpot.x, site.x);
  EXPECT_EQ(image.top + moving->HotSpot.y, site.y);
  EXPECT_EQ(image.bottom - image.top, f.List()->GetItemHeight());
  // Back over the form the entry may always go home: the drop there changes nothing.
  POINT home = TFormsSession::At(f.Open(), 40, 60);
  f.session.MoveTo(home);
  EXPECT_EQ(moving->DestinationPlace, TkcGridColumnHeaderMovingObject::dpCustomizationForm);
  TRect none = moving->ArrowsBounds();
  EXPECT_TRUE(IsRectEmpty(&none));
  f.session.MoveTo(over);
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Name", "Kind", "Size"}));
  // Into the group-by box: grouped, and kept out of the header.
  f.view->Columns(2)->SetVisible(false);
  f.session.ProcessMessages();
  ASSERT_EQ(f.Listed(), (std::vector<String>{"Size"}));
  TRect box = f.view->TableViewInfo()->GroupByBoxViewInfo()->Bounds;
  // A grouped column carried out of the group-by box while the form is open is ungrouped and
  // stays hidden, listed in the form.
  f.view->Columns(0)->SetGroupIndex(0);
  f.session.ProcessMessages();
  ASSERT_FALSE(f.view->Columns(0)->Visible());
  TRect grouped = f.view->TableViewInfo()->GroupByBoxViewInfo()->Items[0]->Bounds;
  f.session.Advance(1000);
  f.Drag(TFormsSession::At(f.view->Site(), grouped.left + 10, (grouped.top + grouped.bottom) / 2),
         TFormsSession::At(f.view->Site(), 60, 150));
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Columns(0)->GroupIndex(), -1);
  EXPECT_FALSE(f.view->Columns(0)->Visible());
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Name", "Size"}));
  f.view->Columns(0)->SetVisible(true);
  f.session.Advance(1000);  // no double click on the entry
  // Escape ends the carried entry as not accepted, wherever the keyboard is.
  POINT entry = f.ListEntry(0);
  f.session.MoveTo(entry);
  f.session.Press();
  f.session.MoveTo(POINT{entry.x - 40, entry.y - 40});
  f.session.MoveTo(over);
  f.List()->InnerListBox()->SetFocus();
  f.session.Key(VK_ESCAPE);
  f.session.Release();
  f.session.ProcessMessages();
  EXPECT_EQ(f.Listed(), (std::vector<String>{"Size"}));
  EXPECT_FALSE(f.view->Site()->HasDragAndDropObject());
  f.session.Advance(1000);
  f.Drag(f.ListEntry(0), TFormsSession::At(f.view->Site(), box.left + 40, (box.top + box.bottom) / 2));
  f.session.ProcessMessages();
  EXPECT_EQ(f.view->Columns(2)->GroupIndex(), 0);
}

TEST(GridCustomizationForm, HidingTheGridClosesTheForm) {
  CustomizationFixture f;
  ASSERT_NE(f.Open(), nullptr);
  f.grid->SetVisible(false);
  f.session.Advance(150);
  EXPECT_FALSE(f.view->Controller()->Customization());
  EXPECT_EQ(f.view->Controller()->CustomizationForm(), nullptr);
}

TEST(GridColumnsPopup, ChecksShowAndHideColumnsReportingEachOnce) {
  CustomizationFixture f;
  std::vector<String> reported;
  f.view->OnColumnPosChanged = [&](TkcGridTableView*, TkcGridColumn* c) { reported.push_back(c->Caption()); };
  TkcGridColumnsCustomizationPopup popup(f.view);
  popup.Popup(TRect{0, 0, 12, 19});
  f.session.ProcessMessages();
  ASSERT_TRUE(popup.IsShown());
  TkcCheckListBoxItems* items = popup.CheckListBox()->Items();
  ASSERT_EQ(items->Count(), 4);
  std::vector<bool> checks;
  for (int i = 0; i < items->Count(); ++i) checks.push_back(items->Items(i)->Checked());
  EXPECT_EQ(checks, (std::vector<bool>{true, false, true, false}));
  auto clickCheck = [&](int index) {
    TkcCustomInnerCheckListBox* inner = popup.CheckListBox()->InnerCheckListBox();
    TRect r = inner->ItemRect(index);
    f.session.Click(TFormsSession::At(inner, r.left + 8, (r.top + r.bottom) / 2));
    f.session.Advance(1000);
  };
  clickCheck(1);
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Name", "Kind", "Size"}));
  clickCheck(0);
  EXPECT_EQ(f.Shown(), (std::vector<String>{"Kind", "Size"}));
  EXPECT_EQ(reported, (std::vector<String>{"Kind", "Name"}));
}

// With VT_SCREENSHOT_DIR set, pictures of the open form and the columns popup with installed fonts.
TEST(GridCustomizationForm, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  EnsureGuiApplication();
  TTestSession session;
  TPlainForm main(500, 400);
  auto* grid = new TkcGrid(&main);
  auto* view = CreateGridView<TkcGridTableView>(&main);
  grid->Levels()->Add()->SetGridView(view);
  grid->SetParent(&main);
  grid->SetBounds(0, 0, 400, 330);
  for (const char* caption : {"Table", "Index", "Reads", "Selectivity", "Plan"}) {
    TkcGridColumn* c = view->CreateColumn();
    c->SetCaption(caption);
    c->SetWidth(70);
  }
  view->Columns(1)->SetVisible(false);
  view->Columns(3)->SetVisible(false);
  view->Columns(4)->SetVisible(false);
  main.Show();
  session.ProcessMessages();
  view->Controller()->SetCustomization(true);
  session.ProcessMessages();
  auto* form = static_cast<TkcGridTableCustomizationForm*>(view->Controller()->CustomizationForm());
  form->HiddenItemsList()->SetItemIndex(1);
  session.ProcessMessages();
  SavePicturePpm(session.Snapshot(form->Handle()), String(dir) + "/grid-customization.ppm");
  TkcGridColumnsCustomizationPopup popup(view);
  popup.Popup(TRect{0, 0, 12, 19});
  session.ProcessMessages();
  SavePicturePpm(session.Snapshot(popup.Handle()), String(dir) + "/grid-columns-popup.ppm");
}
