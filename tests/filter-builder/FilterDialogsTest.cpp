// The Custom Filter dialog's rules and the filter builder dialog's files, run modally in the
// headless session.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcImage.h"
#include "editors/kcTextEditControl.h"
#include "filter-builder/FakeLink.h"
#include "filter-builder/kcFilterControlDialog.h"
#include "filter-builder/kcFilterDialog.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormsTestUtil.h"
#include "platform/win/QtShell.h"

namespace {

TObject* Column(int AId) { return reinterpret_cast<TObject*>(std::intptr_t(AId)); }

template <class F>
F* Active() {
  return dynamic_cast<F*>(Screen->ActiveForm());
}

TkcCustomEdit* Editor(TkcFilterDialog* d, int ARow) { return d->ValueEdit(ARow)->GetFilterEditControl(); }
String EditorText(TkcFilterDialog* d, int ARow) {
  auto* text = dynamic_cast<TkcCustomTextEdit*>(Editor(d, ARow));
  return text ? text->Text() : String();
}
void SetValue(TkcFilterDialog* d, int ARow, const Variant& AValue) { d->ValueEdit(ARow)->SetFilterEditValue(AValue); }

// Drops the box down by a click and clicks the entry of AOperator.
void PickOperator(TFormsSession& session, TkcFilterDialog* d, TkcComboBox* ABox, TkcConditionOperator AOperator) {
  session.Click(TFormsSession::At(ABox, ABox->Width() / 2, ABox->Height() / 2));
  session.ProcessMessages();
  ASSERT_TRUE(ABox->DroppedDown());
  const TRect item = ABox->List()->ItemRect(d->IndexOfOperator(ABox, AOperator));
  session.Click(TFormsSession::At(ABox->List(), (item.left + item.right) / 2, (item.top + item.bottom) / 2));
  session.ProcessMessages();
}

// Clicks into the row's value editor and types AText.
void TypeValue(TFormsSession& session, TkcFilterDialog* d, int ARow, const char* AText) {
  TkcCustomEdit* edit = Editor(d, ARow);
  session.Click(TFormsSession::At(edit, 10, edit->Height() / 2));
  session.ProcessMessages();
  session.Type(AText);
  session.ProcessMessages();
}

}  // namespace

TEST(CustomFilterDialog, ComplexFilters) {
  TkcFilterControlModel owner;
  struct Case {
    const char* Name;
    std::function<void(TkcFilterCriteria&)> Build;
    bool Complex;
  } cases[] = {
      {"empty", [](TkcFilterCriteria&) {}, false},
      {"root OR", [](TkcFilterCriteria& c) { c.Root()->SetBoolOperatorKind(fboOr); }, true},
      {"same column twice at the root",
       [](TkcFilterCriteria& c) {
         c.AddItem(nullptr, Column(10), foEqual, 1, "1");
         c.AddItem(nullptr, Column(10), foLess, 5, "5");
       },
       true},
      {"between",
       [](TkcFilterCriteria& c) {
         c.AddItem(nullptr, Column(10), foBetween, VarArrayOf({1, 2}), "1;2");
       },
       true},
      {"group of three",
       [](TkcFilterCriteria& c) {
         auto* g = c.Root()->AddItemList(fboOr);
         for (int i = 0; i < 3; ++i) c.AddItem(g, Column(10), foEqual, i, "");
       },
       true},
      {"OR pair on one column and another column",
       [](TkcFilterCriteria& c) {
         auto* g = c.Root()->AddItemList(fboOr);
         c.AddItem(g, Column(10), foEqual, 1, "1");
         c.AddItem(g, Column(10), foGreater, 7, "7");
         c.AddItem(nullptr, Column(20), foLike, String("a%"), "a%");
       },
       false},
      {"pair on two columns",
       [](TkcFilterCriteria& c) {
         auto* g = c.Root()->AddItemList(fboAnd);
         c.AddItem(g, Column(10), foEqual, 1, "1");
         c.AddItem(g, Column(20), foEqual, 1, "1");
       },
       true},
  };
  for (const Case& c : cases) {
    TkcFilterControlCriteria criteria(&owner);
    c.Build(criteria);
    EXPECT_EQ(IsComplexFilter(&criteria), c.Complex) << c.Name;
  }
}

TEST(CustomFilterDialog, OperatorsAndLoadedRows) {
  TFormsSession session;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  TkcTextEditProperties properties(nullptr);
  TkcFilterDialog text(nullptr);
  ASSERT_TRUE(text.Prepare(&criteria, Column(20), &properties, TkcStringValueType::Class(), "B"));
  EXPECT_EQ(text.GetSelectedOperator(text.cbOperator1), kcoLike);
  EXPECT_TRUE(text.lblSingle->Visible());
  EXPECT_EQ(text.lblSingle->Caption(), "Use _ to represent any single character");
  EXPECT_EQ(text.lblColumnCaption->Caption(), "B ");
  EXPECT_EQ(text.cbOperator2->Properties()->Items()->Count(), text.cbOperator1->Properties()->Items()->Count() + 1);
  EXPECT_EQ(text.GetSelectedOperator(text.cbOperator2), kcoNone);
  // An OR pair on the column comes back in both rows.
  auto* g = criteria.Root()->AddItemList(fboOr);
  criteria.AddItem(g, Column(10), foEqual, Null(), "blank");
  criteria.AddItem(g, Column(10), foGreater, 7, "7");
  TkcFilterDialog number(nullptr);
  ASSERT_TRUE(number.Prepare(&criteria, Column(10), &properties, TkcIntegerValueType::Class(), "A"));
  EXPECT_EQ(number.Operators().Bits(), 1662u);
  EXPECT_EQ(number.GetSelectedOperator(number.cbOperator1), kcoBlanks);
  EXPECT_EQ(number.GetSelectedOperator(number.cbOperator2), kcoGreater);
  EXPECT_EQ(EditorText(&number, 1), "7");
  EXPECT_TRUE(number.rbOr->Checked());
  EXPECT_FALSE(number.lblSingle->Visible());
}

TEST(CustomFilterDialog, SecondRowWithoutOperatorIsSkippedAndBadValuesKeepItOpen) {
  TFormsSession session;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  criteria.AddItem(nullptr, Column(20), foLike, String("x%"), "x%");
  TkcTextEditProperties properties(nullptr);
  session.Script([&] {
    auto* d = Active<TkcFilterDialog>();
    ASSERT_TRUE(d);
    PickOperator(session, d, d->cbOperator1, kcoGreaterEqual);
    EXPECT_EQ(d->GetSelectedOperator(d->cbOperator1), kcoGreaterEqual);
    TypeValue(session, d, 0, "12");
    TypeValue(session, d, 1, "not a number");  // no operator in row 2: never read
    session.QueueKey(VK_RETURN, true);
    session.QueueKey(VK_RETURN, false);
  });
  ASSERT_TRUE(
      ExecuteFilterDialog(&criteria, Column(10), &properties, nullptr, nullptr, TkcIntegerValueType::Class(), "A"));
  ASSERT_EQ(criteria.Root()->GetCount(), 2);
  auto* added = static_cast<TkcFilterCriteriaItem*>(criteria.Root()->GetItem(1));
  EXPECT_EQ(added->OperatorKind(), foGreaterEqual);
  EXPECT_EQ(added->Value().VarType(), varInteger);
  EXPECT_EQ(added->Value().AsInteger(), 12);
  EXPECT_EQ(criteria.GetFilterText(), "( LIKE 'x%') AND ( >= 12)");

  // "is blank" with an invalid second row: refused, open; Cancel leaves the criteria alone.
  std::vector<String> shown;
  Application->OnException = [&](TObject*, Exception& e) { shown.push_back(e.Message()); };
  String before = criteria.GetFilterText();
  session.Script([&] {
    auto* d = Active<TkcFilterDialog>();
    ASSERT_TRUE(d);
    d->cbOperator1->SetItemIndex(d->IndexOfOperator(d->cbOperator1, kcoBlanks));
    d->cbOperator2->SetItemIndex(d->IndexOfOperator(d->cbOperator2, kcoLess));
    SetValue(d, 1, String("abc"));
    session.QueueKey(VK_RETURN, true);
    session.QueueKey(VK_RETURN, false);
  });
  session.Script([&] {
    EXPECT_TRUE(Active<TkcFilterDialog>());
    session.QueueKey(VK_ESCAPE, true);
    session.QueueKey(VK_ESCAPE, false);
  });
  EXPECT_FALSE(
      ExecuteFilterDialog(&criteria, Column(10), &properties, nullptr, nullptr, TkcIntegerValueType::Class(), "A"));
  EXPECT_EQ(shown, std::vector<String>{"Invalid value"});
  EXPECT_EQ(criteria.GetFilterText(), before);

  // Both rows joined by OR replace the column's condition; "is blank" is equal with Null.
  session.Script([&] {
    auto* d = Active<TkcFilterDialog>();
    d->cbOperator1->SetItemIndex(d->IndexOfOperator(d->cbOperator1, kcoBlanks));
    d->cbOperator2->SetItemIndex(d->IndexOfOperator(d->cbOperator2, kcoLess));
    SetValue(d, 1, String("3"));
    d->rbOr->SetChecked(true);
    session.QueueKey(VK_RETURN, true);
    session.QueueKey(VK_RETURN, false);
  });
  ASSERT_TRUE(
      ExecuteFilterDialog(&criteria, Column(10), &properties, nullptr, nullptr, TkcIntegerValueType::Class(), "A"));
  ASSERT_EQ(criteria.Root()->GetCount(), 2);
  auto* group = dynamic_cast<TkcFilterCriteriaItemList*>(criteria.Root()->GetItem(1));
  ASSERT_TRUE(group);
  EXPECT_EQ(group->BoolOperatorKind(), fboOr);
  auto* blank = static_cast<TkcFilterCriteriaItem*>(group->GetItem(0));
  EXPECT_EQ(blank->OperatorKind(), foEqual);
  EXPECT_TRUE(blank->Value().IsNull());
  EXPECT_EQ(blank->DisplayValue(), "blank");
  EXPECT_FALSE(IsComplexFilter(&criteria));
}

TEST(CustomFilterDialog, ValueEditorsAreTheColumnsKind) {
  TFormsSession session;
  RegisterExtendedFilterEditHelpers();
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  criteria.AddItem(nullptr, Column(10), foLess, Variant::FromDate(EncodeDate(2024, 3, 5)), "05.03.2024");
  TkcDateEditProperties date(nullptr);
  TkcFilterDialog dates(nullptr);
  ASSERT_TRUE(dates.Prepare(&criteria, Column(10), &date, TkcDateTimeValueType::Class(), "D"));
  EXPECT_TRUE(dynamic_cast<TkcCustomDateEdit*>(Editor(&dates, 0)));
  EXPECT_EQ(Editor(&dates, 0)->Parent(), &dates);
  EXPECT_EQ(Editor(&dates, 1)->BoundsRect(), dates.lblEdit2PlaceHolder->BoundsRect());
  EXPECT_EQ(dates.GetSelectedOperator(dates.cbOperator1), kcoLess);
  EXPECT_EQ(VarToDateTime(dates.ValueEdit(0)->GetFilterEditValue()), EncodeDate(2024, 3, 5));
  TkcLookAndFeel look(nullptr);
  dates.SetLookAndFeel(&look);
  EXPECT_EQ(dates.cbOperator2->Style()->LookAndFeel()->MasterLookAndFeel(), &look);
  EXPECT_EQ(Editor(&dates, 1)->Style()->LookAndFeel()->MasterLookAndFeel(), &look);
  // A Boolean picks from a fixed list of its two texts.
  TkcCheckBoxProperties check(nullptr);
  TkcFilterDialog checks(nullptr);
  ASSERT_TRUE(checks.Prepare(&criteria, Column(20), &check, TkcBooleanValueType::Class(), "C"));
  auto* list = dynamic_cast<TkcComboBox*>(Editor(&checks, 0));
  ASSERT_TRUE(list);
  EXPECT_EQ(list->Properties()->DropDownListStyle(), lsFixedList);
  // An image column has no helper: nothing is shown.
  TkcImageProperties image(nullptr);
  EXPECT_FALSE(ExecuteFilterDialog(&criteria, Column(30), &image, nullptr, nullptr, nullptr, "I"));
}

TEST(CustomFilterDialog, OkIsTheLibrarysButtonAndAClickAccepts) {
  TFormsSession session;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  criteria.AddItem(nullptr, Column(10), foLess, 5, "5");
  TkcTextEditProperties properties(nullptr);
  TkcLookAndFeel look(nullptr);
  session.Script([&] {
    auto* d = Active<TkcFilterDialog>();
    ASSERT_TRUE(d);
    TkcButton* ok = nullptr;
    for (int i = 0; i < d->ControlCount(); ++i)
      if (d->Controls(i)->Caption() == "OK") ok = dynamic_cast<TkcButton*>(d->Controls(i));
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok->LookAndFeel()->MasterLookAndFeel(), &look);
    EXPECT_EQ(d->rbOr->LookAndFeel()->MasterLookAndFeel(), &look);
    session.QueueMove(TFormsSession::At(ok, 5, 5));
    session.QueuePress();
    session.QueueRelease();
  });
  EXPECT_TRUE(
      ExecuteFilterDialog(&criteria, Column(10), &properties, nullptr, &look, TkcIntegerValueType::Class(), "A"));
}

TEST(FilterBuilderDialog, SavesOpensAppliesAndRemembersBounds) {
  TFormsSession session;
  TfmFilterControlDialog::ForgetBounds();
  TLinkComponent link;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria target(&owner);
  target.AddItem(nullptr, Column(30), foGreater, 4, "4");
  link.Target = &target;
  std::string file = ::testing::TempDir() + "dialog_filter";
  auto previous = SetFileDialogProvider([&](TOpenDialog& d) {
    d.FileName = file;
    return true;
  });
  int applied = 0;
  session.Script([&] {
    auto* d = Active<TfmFilterControlDialog>();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Caption(), "Filter builder - [untitled.flt]");
    EXPECT_EQ(d->FilterControl()->Model()->Rows().size(), 2u);
    d->acSaveExecute(nullptr);
    EXPECT_EQ(d->Caption(), "Filter builder - [" + file + ".flt]");
    d->FilterControl()->ClearAll();
    d->acOpenExecute(nullptr);
    EXPECT_EQ(d->FilterControl()->Model()->Rows().size(), 2u);
    d->FilterControl()->AddCondition(nullptr);
    d->SetBounds(10, 20, 600, 400);
    session.QueueMove(TFormsSession::At(d->btOk, 5, 5));
    session.QueuePress();
    session.QueueRelease();
  });
  ASSERT_TRUE(
      ExecuteFilterControlDialog(&link, nullptr, clDefault, nullptr, "", nullptr, [&](TObject*) { ++applied; }));
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(target.Root()->GetCount(), 2);
  session.Script([&] {
    auto* d = Active<TfmFilterControlDialog>();
    ASSERT_TRUE(d);
    EXPECT_EQ(d->Left(), 10);
    EXPECT_EQ(d->Width(), 600);
    session.QueueKey(VK_ESCAPE, true);
    session.QueueKey(VK_ESCAPE, false);
  });
  EXPECT_FALSE(ExecuteFilterControlDialog(&link, nullptr, clDefault, nullptr, "", nullptr, nullptr));
  SetFileDialogProvider(previous);
  std::remove((file + ".flt").c_str());
  TfmFilterControlDialog::ForgetBounds();
}

// With VT_SCREENSHOT_DIR set and a real X server: the dialog with a nested filter, on the Qt
// shell, saved as filter-builder.png there.
TEST(FilterBuilderDialog, PictureOnTheQtShell) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "VT_SCREENSHOT_DIR not set";
  EnsureShellApplication();
  InstallQtShell();
  TLinkComponent link;
  TkcFilterControlModel owner;
  TkcFilterControlCriteria target(&owner);
  auto* g = target.Root()->AddItemList(fboOr);
  target.AddItem(g, Column(10), foEqual, 1, "1");
  target.AddItem(g, Column(20), foLike, String("x%"), "x%");
  auto* n = target.Root()->AddItemList(fboNotAnd);
  target.AddItem(n, Column(30), foBetween, VarArrayOf({1, 5}), "1;5");
  target.AddItem(n, Column(10), foInList, VarArrayOf({2, 4, Null()}), "2;4;");
  target.AddItem(nullptr, Column(20), foEqual, Null(), "blank");
  link.Target = &target;
  TTimer timer(nullptr);
  timer.SetInterval(800);
  timer.SetOnTimer([&](TObject*) {
    timer.SetEnabled(false);
    String cmd = "import -window root '" + String(dir) + "/filter-builder.png'";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    if (auto* d = Active<TfmFilterControlDialog>()) d->SetModalResult(mrCancel);
  });
  ExecuteFilterControlDialog(&link, nullptr, clDefault, nullptr, "", nullptr, nullptr);
  RemoveQtShell();
}

// With VT_SCREENSHOT_DIR set: the Custom Filter dialog for a date column with two conditions,
// painted into a bitmap saved as custom-filter.bmp there.
TEST(CustomFilterDialog, Picture) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP() << "VT_SCREENSHOT_DIR not set";
  TFormsSession session;
  RegisterExtendedFilterEditHelpers();
  TkcFilterControlModel owner;
  TkcFilterControlCriteria criteria(&owner);
  auto* g = criteria.Root()->AddItemList(fboOr);
  criteria.AddItem(g, Column(10), foLess, Variant::FromDate(EncodeDate(2024, 3, 5)), "05.03.2024");
  criteria.AddItem(g, Column(10), foEqual, Null(), "blank");
  TkcDateEditProperties date(nullptr);
  session.Script([&] {
    auto* d = Active<TkcFilterDialog>();
    ASSERT_TRUE(d);
    TBitmap bitmap;
    bitmap.SetSize(d->ClientWidth(), d->ClientHeight());
    d->PaintTo(bitmap.Canvas()->Handle(), 0, 0);
    bitmap.SaveToFile(String(dir) + "/custom-filter.bmp");
    d->SetModalResult(mrCancel);
  });
  ExecuteFilterDialog(&criteria, Column(10), &date, nullptr, nullptr, TkcDateTimeValueType::Class(), "Order date");
}
