// The lookup combo box typed into and navigated with real keys: locating by prefix and by the
// list's incremental filter, the drop-down list's navigation, a dataset lookup field edited
// through it, and the settings a lookup field defines.

#include <gtest/gtest.h>

#include "editors-extended/kcDBEdit.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "editors-extended/kcEditRepositoryItems.h"
#include "editors-extended/kcEditorsRegister.h"
#include "editors/kcTextEditControl.h"
#include "platform/db/DBClient.h"
#include "tests/platform/forms/FormsTestUtil.h"
#include "tests/support/LookupOrders.h"

namespace {
struct LookupFixture {
  TFormsSession session;
  TPlainForm form{500, 300};
  TClientDataSet customers{nullptr};
  TDataSource listSource{nullptr};
  TkcLookupComboBox* combo;
  TkcTextEdit* next;
  explicit LookupFixture(bool AImmediateDropDown = true) {
    InitializeExtendedEditors();
    customers.FieldDefs().Add("CUSTNO", ftInteger);
    customers.FieldDefs().Add("COMPANY", ftString, 20);
    customers.CreateDataSet();
    const char* names[] = {"Abc", "abd", "Bonn", "Berlin", "Oslo", "Bergen"};
    for (int i = 0; i < 6; ++i) customers.AppendRecord({Variant(10 + i), Variant(String(names[i]))});
    listSource.SetDataSet(&customers);
    combo = new TkcLookupComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(10, 10, 200, 21);
    TkcLookupComboBoxProperties* p = combo->Properties();
    p->SetListSource(&listSource);
    p->SetKeyFieldNames("CUSTNO");
    p->SetListFieldNames("COMPANY");
    p->ImmediateDropDown = AImmediateDropDown;
    next = new TkcTextEdit(&form);
    next->SetParent(&form);
    next->SetBounds(10, 60, 100, 21);
    form.Show();
    combo->SetFocus();
    session.ProcessMessages();
  }
  ~LookupFixture() { customers.Close(); }
  TkcCustomDataController* List() { return combo->Properties()->GetListDataController(); }
  String FocusedText() {
    const int record = List()->GetFocusedRecordIndex();
    return record == -1 ? String() : List()->GetDisplayText(record, 0);
  }
};
}  // namespace

// With the list closed, each keystroke finds the first row whose text begins with what was
// typed; the typed part takes the row's spelling and the rest is selected. Leaving the editor
// stores that row's key; a text no row has is refused as it is typed.
TEST(LookupEdit, LocatesByPrefixAndStoresTheKeyOnExit) {
  struct Case {
    const char* typed;
    const char* text;
    int selStart, selLength;
    int key;
  } cases[] = {
      {"ab", "Abc", 2, 1, 10}, {"abd", "abd", 3, 0, 11}, {"BE", "Berlin", 2, 4, 13},
      {"berg", "Bergen", 4, 2, 15}, {"bx", "Bonn", 1, 3, 12},  // x starts no row: refused
  };
  for (const Case& c : cases) {
    LookupFixture f(false);
    f.session.Type(c.typed);
    EXPECT_EQ(f.combo->Text(), c.text) << c.typed;
    EXPECT_EQ(f.combo->SelStart(), c.selStart) << c.typed;
    EXPECT_EQ(f.combo->SelLength(), c.selLength) << c.typed;
    EXPECT_FALSE(f.combo->HasPopupWindow());
    f.session.Key(VK_TAB, "\t");
    EXPECT_TRUE(f.next->Focused()) << c.typed;
    EXPECT_EQ(f.combo->EditValue().AsInteger(), c.key) << c.typed;
  }
  // Leaving the editor with a text that equals a row's text in another letter case stores that
  // row's key; a text no row has stores the null key.
  LookupFixture f(false);
  Variant key;
  f.combo->DisplayValueToEditValue(Variant(String("OSLO")), key, false);
  EXPECT_EQ(key.AsInteger(), 14);
  f.combo->DisplayValueToEditValue(Variant(String("Osl")), key, false);
  EXPECT_TRUE(key.IsNull());
  EXPECT_TRUE(f.combo->Properties()->IsLookupItem("oslo"));
  EXPECT_FALSE(f.combo->Properties()->IsLookupItem("osl"));
}

// With the list shown, typing filters it to the rows that begin with the typed text; a
// character that leaves no row keeps the previous filter; closing the list shows all rows.
TEST(LookupEdit, IncrementalFilteringNarrowsTheShownList) {
  LookupFixture f;
  f.session.Type("b");
  ASSERT_TRUE(f.combo->HasPopupWindow()) << "typing drops the list down";
  EXPECT_EQ(f.List()->GetRowCount(), 3) << "Bonn, Berlin, Bergen";
  EXPECT_EQ(f.combo->Text(), "Bonn");
  f.session.Type("er");
  EXPECT_EQ(f.List()->GetRowCount(), 2);
  EXPECT_EQ(f.combo->Text(), "Berlin");
  EXPECT_EQ(f.combo->SelStart(), 3);
  f.session.Type("z");
  EXPECT_EQ(f.List()->GetRowCount(), 2) << "the filter stays";
  EXPECT_EQ(f.combo->Text(), "Berlin");
  // A record added while the list is filtered is filtered with the others.
  f.customers.AppendRecord({Variant(16), Variant(String("Bernau"))});
  f.session.ProcessMessages();
  EXPECT_EQ(f.List()->GetRowCount(), 3);
  f.customers.AppendRecord({Variant(17), Variant(String("Athens"))});
  EXPECT_EQ(f.List()->GetRowCount(), 3);
  f.customers.Last();
  f.customers.Delete();
  f.customers.Last();
  f.customers.Delete();
  f.session.ProcessMessages();
  EXPECT_EQ(f.List()->GetRowCount(), 2);
  f.session.Type("g");
  EXPECT_EQ(f.List()->GetRowCount(), 1);
  EXPECT_EQ(f.combo->Text(), "Bergen");
  // The list's height follows its rows.
  TkcCustomLookupDBGrid* grid = f.combo->Properties()->ListGrid();
  EXPECT_EQ(grid->Height(), grid->HeightForRows(1));
  f.session.Key(VK_RETURN, "\r");
  EXPECT_FALSE(f.combo->HasPopupWindow());
  EXPECT_EQ(f.List()->GetRowCount(), 6);
  f.session.Key(VK_TAB, "\t");
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 15);

  // Without incremental filtering the shown list keeps every row and the typed text is located.
  LookupFixture g;
  g.combo->Properties()->IncrementalFiltering = false;
  g.session.Type("be");
  ASSERT_TRUE(g.combo->HasPopupWindow());
  EXPECT_EQ(g.List()->GetRowCount(), 6);
  EXPECT_EQ(g.FocusedText(), "Berlin");
  EXPECT_EQ(g.combo->Text(), "Berlin");
}

// The arrow and page keys move through the shown list and the text follows; Enter takes the
// row's key, Escape closes the list and keeps the value, a click takes the clicked row.
TEST(LookupEdit, KeysNavigateTheDropDownList) {
  LookupFixture f(false);
  TkcLookupComboBoxProperties* p = f.combo->Properties();
  p->SetDropDownRows(2);
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.combo->HasPopupWindow());
  TkcCustomLookupDBGrid* grid = p->ListGrid();
  EXPECT_EQ(grid->Parent(), f.combo->PopupWindow());
  EXPECT_EQ(grid->Height(), grid->HeightForRows(2)) << "DropDownRows rows";
  struct Step {
    WORD key;
    TShiftState shift;
    const char* text;
  } steps[] = {
      {VK_DOWN, {}, "Abc"},     {VK_DOWN, {}, "abd"},      {VK_NEXT, {}, "Berlin"},
      {VK_UP, {}, "Bonn"},      {VK_NEXT, {ssCtrl}, "Bergen"}, {VK_DOWN, {}, "Bergen"},
      {VK_PRIOR, {}, "Berlin"}, {VK_PRIOR, {ssCtrl}, "Abc"}, {VK_UP, {}, "Abc"},
      {VK_NEXT, {}, "Bonn"},
  };
  for (const Step& s : steps) {
    if (s.shift.Contains(ssCtrl)) f.session.KeyDown(VK_CONTROL);
    f.session.Key(s.key);
    if (s.shift.Contains(ssCtrl)) f.session.KeyUp(VK_CONTROL);
    EXPECT_EQ(f.combo->Text(), s.text);
    EXPECT_EQ(f.FocusedText(), s.text);
  }
  // Circular navigation (a double click that steps through the items) wraps at both ends.
  TkcCustomLookupEditLookupData* data = f.combo->LookupEditData();
  data->Navigate(lnLast, true);
  data->Navigate(lnNext, true);
  EXPECT_EQ(f.FocusedText(), "Abc");
  data->Navigate(lnPrior, true);
  EXPECT_EQ(f.FocusedText(), "Bergen");
  data->Navigate(lnFirst, true);
  data->Navigate(lnNext, false);
  data->Navigate(lnNext, false);
  EXPECT_EQ(f.combo->Text(), "Bonn");
  EXPECT_TRUE(f.combo->HasPopupWindow());
  f.session.Key(VK_RETURN, "\r");
  EXPECT_FALSE(f.combo->HasPopupWindow());
  f.session.Key(VK_TAB, "\t");
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 12);
  f.combo->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(grid->Parent(), f.combo->PopupWindow()) << "the list waits hidden in the popup";
  // The list opens on the value's row; Escape leaves the value as it was.
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  EXPECT_EQ(f.FocusedText(), "Bonn");
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.combo->Text(), "Berlin");
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_FALSE(f.combo->HasPopupWindow());
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 12);
  // A click on a row of the list takes that row.
  p->SetDropDownRows(8);
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  ASSERT_TRUE(f.combo->HasPopupWindow());
  EXPECT_EQ(grid->Height(), grid->HeightForRows(6));
  const TRect row = grid->RowBounds(5);
  f.session.Click(TFormsSession::At(grid, 20, (row.top + row.bottom) / 2));
  EXPECT_FALSE(f.combo->HasPopupWindow());
  EXPECT_EQ(f.combo->Text(), "Bergen");
  f.session.Key(VK_TAB, "\t");
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 15);
}

// An editor given other properties by a repository item shows only their list: the list of
// the properties used before leaves the popup it waited in.
TEST(LookupEdit, OnlyTheCurrentPropertiesListIsInThePopup) {
  LookupFixture f(false);
  TkcEditRepositoryLookupComboBoxItem first(nullptr), second(nullptr);
  for (TkcEditRepositoryItem* item : {&first, &second}) {
    auto* p = static_cast<TkcLookupComboBoxProperties*>(item->Properties());
    p->SetListSource(&f.listSource);
    p->SetKeyFieldNames("CUSTNO");
    p->SetListFieldNames("COMPANY");
  }
  auto grid = [](TkcEditRepositoryItem& AItem) {
    return static_cast<TkcLookupComboBoxProperties*>(AItem.Properties())->ListGrid();
  };
  TkcCustomLookupDBGrid* own = f.combo->Properties()->ListGrid();
  for (TkcEditRepositoryItem* item : std::initializer_list<TkcEditRepositoryItem*>{&first, &second, nullptr}) {
    f.combo->SetRepositoryItem(item);
    f.session.Key(VK_F4);
    f.session.ProcessMessages();
    ASSERT_TRUE(f.combo->HasPopupWindow());
    TkcCustomLookupDBGrid* shown = item ? grid(*item) : own;
    for (TkcCustomLookupDBGrid* list : {grid(first), grid(second), own})
      EXPECT_EQ(list->Parent() == f.combo->PopupWindow(), list == shown);
    f.session.Key(VK_DOWN);
    EXPECT_EQ(f.combo->Text(), "Abc") << "the shown list is navigated";
    if (item == &second) {
      // Switched while the list is shown: it closes and leaves the popup.
      f.combo->SetRepositoryItem(&first);
      EXPECT_FALSE(f.combo->HasPopupWindow());
      EXPECT_NE(grid(second)->Parent(), f.combo->PopupWindow());
      continue;
    }
    f.session.Key(VK_ESCAPE, "\x1b");
  }
}

// An editor bound to a dataset lookup field takes the key fields, the text column and the list
// dataset from the field; typing a company and pressing Enter posts its key into the edited
// record, whose lookup field then shows the company.
TEST(LookupEdit, LookupFieldEditedThroughTheComboBox) {
  LookupFixture f(true);
  TClientDataSet orders(nullptr);
  TStringField* company = CreateOrdersWithCustomerLookup(orders, &f.customers);
  orders.AppendRecord({Variant(1), Variant(12)});
  TDataSource ordersSource(nullptr);
  ordersSource.SetDataSet(&orders);

  // The grid's kind of editor (in place), whose list the field defines.
  auto* combo = new TkcLookupComboBox(&f.form, true);
  combo->SetParent(&f.form);
  combo->SetBounds(10, 100, 200, 21);
  TkcLookupComboBoxProperties* p = combo->Properties();
  p->ImmediatePost = true;
  TkcCustomDBEditDefaultValuesProvider provider;
  provider.SetDataSource(&ordersSource);
  provider.SetField(company);
  p->SetDefaultValuesProvider(&provider);
  EXPECT_EQ(p->BoundLookupField(), company);
  EXPECT_EQ(p->KeyFieldNames(), "CUSTNO");
  EXPECT_EQ(p->ListFieldNames(), "COMPANY");
  EXPECT_EQ(p->ListFieldIndex(), 0);
  EXPECT_EQ(p->ListSource(), nullptr) << "not the editor's own";
  EXPECT_EQ(p->ListGrid()->DataSource()->DataSet(), &f.customers);
  for (auto set : std::vector<std::function<void()>>{[&] { p->SetListSource(&f.listSource); },
                                                      [&] { p->SetKeyFieldNames("COMPANY"); },
                                                      [&] { p->SetListFieldIndex(0); }}) {
    try {
      set();
      ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
      EXPECT_EQ(e.Message(), "Property already defined by lookup field");
    }
  }
  // Adding a column keeps the looked-up field's column and its text.
  p->SetListFieldNames("CUSTNO");
  EXPECT_EQ(p->ListFieldNames(), "COMPANY;CUSTNO");
  EXPECT_EQ(p->GetListIndex(), 0);

  combo->OnPostEditValue = [&](TObject*) {
    orders.Edit();
    orders.FieldByName("CUSTNO")->SetValue(combo->EditValue());
    orders.Post();
  };
  combo->SetFocus();
  f.session.ProcessMessages();
  f.session.Type("berg");
  ASSERT_TRUE(combo->HasPopupWindow());
  f.session.Key(VK_RETURN, "\r");
  EXPECT_FALSE(combo->HasPopupWindow());
  EXPECT_EQ(combo->EditValue().AsInteger(), 15);
  EXPECT_EQ(orders.FieldByName("CUSTNO")->AsInteger(), 15);
  EXPECT_EQ(company->AsString(), "Bergen");
  EXPECT_EQ(orders.State(), dsBrowse) << "posted";

  // Unbound, the list lets go of the source it had from the field.
  p->SetDefaultValuesProvider(nullptr);
  EXPECT_EQ(p->BoundLookupField(), nullptr);
  EXPECT_EQ(p->ListGrid()->DataSource(), nullptr);
  // Two key fields: the null key is a pair of Nulls.
  p->SetKeyFieldNames("CUSTNO;COMPANY");
  Variant key;
  p->GetNullKey(key);
  ASSERT_TRUE(key.IsArray());
  EXPECT_TRUE(key.GetItem(0).IsNull());
  EXPECT_TRUE(key.GetItem(1).IsNull());
  orders.Close();
}

// The list may not show the dataset the editor edits.
TEST(LookupEdit, CircularLinkIsRefused) {
  LookupFixture f(false);
  TkcCustomDBEditDefaultValuesProvider provider;
  provider.SetDataSource(&f.listSource);
  provider.SetField(f.customers.FieldByName("CUSTNO"));
  TkcLookupComboBoxProperties* p = f.combo->Properties();
  TDataSource other(nullptr);
  other.SetDataSet(&f.customers);
  p->SetListSource(nullptr);
  p->SetDefaultValuesProvider(&provider);
  try {
    p->SetListSource(&other);
    ADD_FAILURE() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_EQ(e.Message(), "Circular datalinks are not allowed");
  }
  EXPECT_EQ(p->ListSource(), nullptr) << "the source is not taken";
  p->SetDefaultValuesProvider(nullptr);
}

// In grid mode only a buffer of the list is loaded: a key's text is found by moving the dataset
// once, then answered from the cache until the properties change.
TEST(LookupEdit, GridModeAsksTheDatasetOncePerKey) {
  LookupFixture f(false);
  TkcLookupComboBoxProperties* p = f.combo->Properties();
  p->SetGridMode(true);
  EXPECT_FALSE(p->UsesIncrementalFiltering());
  int moves = 0;
  f.customers.AfterScroll = [&](TDataSet*) { ++moves; };
  String text;
  for (int key : {13, 11, 13, 11, 99}) {
    p->GetKeyText(Variant(key), text);
    EXPECT_EQ(text, key == 13 ? "Berlin" : key == 11 ? "abd" : "") << key;
  }
  EXPECT_EQ(moves, 2) << "each known key moved the dataset once";
  p->Changed();
  moves = 0;
  p->GetKeyText(Variant(11), text);
  EXPECT_EQ(text, "abd");
  EXPECT_GE(moves, 1) << "the cache was emptied";
  // Typing still finds a name: the dataset locates it.
  EXPECT_EQ(p->FindRecordByText(0, "bo", true) != -1, true);
  f.customers.AfterScroll = nullptr;
}

// The text column is kept within the list's columns; without columns nothing is found.
TEST(LookupEdit, TextColumnFollowsTheListColumns) {
  LookupFixture f(false);
  TkcLookupComboBoxProperties* p = f.combo->Properties();
  p->SetListFieldNames("CUSTNO;COMPANY");
  EXPECT_EQ(p->ListFieldNames(), "CUSTNO;COMPANY");
  EXPECT_EQ(p->ListGrid()->Columns()->Count(), 2);
  p->SetListFieldIndex(5);
  EXPECT_EQ(p->ListFieldIndex(), 1);
  String text;
  p->GetKeyText(Variant(12), text);
  EXPECT_EQ(text, "Bonn");
  // Properties over the same fields take the column settings in place.
  TkcLookupComboBoxProperties copy(nullptr);
  copy.SetListSource(&f.listSource);
  copy.SetListFieldNames("CUSTNO;COMPANY");
  p->ListColumns()->Items(1)->SetWidth(90);
  int sortings = 0;
  p->SetOnSortingChanged([&](TObject*) { ++sortings; });
  copy.Assign(p);
  copy.ListColumns()->Items(1)->SetSortOrder(soDescending);
  EXPECT_EQ(sortings, 1) << "the copy's list reports its sorting";
  EXPECT_EQ(copy.ListFieldNames(), "CUSTNO;COMPANY");
  EXPECT_EQ(copy.ListColumns()->Items(1)->Width(), 90);
  EXPECT_EQ(copy.KeyFieldNames(), "CUSTNO");
  EXPECT_EQ(copy.ListFieldIndex(), 1);
  copy.GetKeyText(Variant(14), text);
  EXPECT_EQ(text, "Oslo");
  p->SetListFieldNames("");
  EXPECT_EQ(p->GetListIndex(), -1);
  EXPECT_EQ(p->ListFieldIndex(), 0);
  String typed = "b", tail;
  EXPECT_FALSE(f.combo->LookupEditData()->Locate(typed, tail, false, false));
  EXPECT_TRUE(f.combo->LookupEditData()->IsListEmpty());
}

// Lookup fields get the lookup combo box from the field registry, with a plain list.
TEST(LookupEdit, FieldRegistryGivesLookupFieldsAPlainLookupList) {
  InitializeExtendedEditors();
  TClientDataSet ds(nullptr);
  auto* field = new TStringField(&ds);
  field->SetFieldName("L");
  field->SetLookup(true);
  field->SetDataSet(&ds);
  TkcEditRepositoryItem* item = GetEditDBRegisteredRepositoryItems()->GetItemByField(field);
  ASSERT_NE(item, nullptr);
  auto* p = dynamic_cast<TkcLookupComboBoxProperties*>(item->Properties());
  ASSERT_NE(p, nullptr);
  EXPECT_EQ(p->ListOptions()->GridLines(), glNone);
  EXPECT_FALSE(p->ListOptions()->ShowHeader());
  EXPECT_EQ(p->DropDownListStyle(), lsEditFixedList);
  EXPECT_NE(GetEditPropertiesRegistry()->FindByClassName("TkcLookupComboBoxProperties"), nullptr);
  TkcLookupComboBox edit(nullptr);
  EXPECT_EQ(edit.Width(), 145);
}
