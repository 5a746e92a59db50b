// The extended editor kinds find their filter helpers, by their own pair or their ancestry.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCalcEdit.h"
#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcImageComboBox.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors-extended/kcSpinEdit.h"
#include "editors-extended/kcTimeEdit.h"
#include "editors/kcComboBox.h"
#include "editors/kcPopupEdit.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"

namespace {

TEST(ExtendedEditHelpers, OwnPairOrNearestAncestor) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditsController* controller = GetFilterEditsController();
  EXPECT_EQ(controller->GetHelperClass(TkcMemoProperties::StaticClass()), TkcFilterMemoHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcBlobEditProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcImageProperties::StaticClass()), nullptr);
  EXPECT_EQ(controller->GetHelperClass(TkcButtonEditProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcHyperLinkEditProperties::StaticClass()),
            TkcFilterHyperLinkEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcCurrencyEditProperties::StaticClass()),
            TkcFilterCurrencyEditHelper::Class());
  // Amounts: comparisons and blanks, ranges and lists only in the extended set, never like.
  const TkcFilterEditHelperClass currency = TkcFilterCurrencyEditHelper::Class();
  EXPECT_TRUE(currency->GetSupportedOperators(nullptr, nullptr, false).Contains(kcoLessEqual));
  EXPECT_FALSE(currency->GetSupportedOperators(nullptr, nullptr, false).Contains(kcoBetween));
  EXPECT_TRUE(currency->GetSupportedOperators(nullptr, nullptr, true).Contains(kcoNotInList));
  for (bool extended : {false, true}) {
    const TkcConditionOperators ops = currency->GetSupportedOperators(nullptr, nullptr, extended);
    EXPECT_FALSE(ops.Contains(kcoLike) || ops.Contains(kcoNotLike) || ops.Contains(kcoToday));
  }
  TkcCurrencyEditProperties source(nullptr), value(nullptr);
  source.SetMinValue(5);
  source.SetNullable(false);
  source.SetNullString("none");
  currency->InitializeProperties(&value, &source, false);
  EXPECT_TRUE(value.Nullable());
  EXPECT_EQ(value.NullString(), "");
  EXPECT_EQ(value.MinValue(), 0);
  const TkcConditionOperators memo = TkcFilterMemoHelper::Class()->GetSupportedOperators(nullptr, nullptr, true);
  EXPECT_TRUE(memo.Contains(kcoLike));
  EXPECT_FALSE(memo.Contains(kcoEqual));
  EXPECT_EQ(memo, TkcFilterMemoHelper::Class()->GetSupportedOperators(nullptr, nullptr, false));
  UnregisterExtendedFilterEditHelpers();
  EXPECT_NE(GetFilterEditsController()->GetHelperClass(TkcTextEditProperties::StaticClass()), nullptr)
      << "the standard pairs stay";
}

}  // namespace

namespace {

TEST(ExtendedEditHelpers, SpinAndTimeValueEditors) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditsController* controller = GetFilterEditsController();
  EXPECT_EQ(controller->GetHelperClass(TkcSpinEditProperties::StaticClass()), TkcFilterSpinEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcTimeEditProperties::StaticClass()), TkcFilterTimeEditHelper::Class());
  const TkcConditionOperators simple = TkcFilterSpinEditHelper::Class()->GetSupportedOperators(nullptr, nullptr, false);
  const TkcConditionOperators extended = TkcFilterSpinEditHelper::Class()->GetSupportedOperators(nullptr, nullptr, true);
  EXPECT_TRUE(simple.Contains(kcoGreaterEqual));
  EXPECT_FALSE(simple.Contains(kcoBetween));
  EXPECT_TRUE(extended.Contains(kcoNotInList));
  EXPECT_FALSE(extended.Contains(kcoLike));
  // The time helper's editor is a time edit starting at midnight, its buttons kept.
  TkcTimeEditProperties source(nullptr);
  source.CanEdit = false;
  std::unique_ptr<IkcFilterEdit> edit(TkcFilterTimeEditHelper::Class()->GetFilterEditClass()->Create());
  TkcFilterTimeEditHelper::Class()->InitializeFilterEdit(edit.get(), &source);
  auto* properties = dynamic_cast<TkcTimeEditProperties*>(edit->GetFilterEditProperties());
  ASSERT_NE(properties, nullptr);
  EXPECT_TRUE(properties->CanEdit);
  EXPECT_EQ(properties->Buttons()->Count(), 2);
  EXPECT_DOUBLE_EQ(edit->GetFilterEditValue().AsDouble(), 0.0);
  // Dates: relative dates only in the extended set; a value editor that clears to no date.
  EXPECT_EQ(controller->GetHelperClass(TkcDateEditProperties::StaticClass()), TkcFilterDateEditHelper::Class());
  EXPECT_FALSE(TkcFilterDateEditHelper::Class()->GetSupportedOperators(nullptr, nullptr, false).Contains(kcoToday));
  EXPECT_TRUE(TkcFilterDateEditHelper::Class()->GetSupportedOperators(nullptr, nullptr, true).Contains(kcoNextYear));
  TkcDateEditProperties dateSource(nullptr);
  std::unique_ptr<IkcFilterEdit> dateEdit(TkcFilterDateEditHelper::Class()->GetFilterEditClass()->Create());
  TkcFilterDateEditHelper::Class()->InitializeFilterEdit(dateEdit.get(), &dateSource);
  auto* dateProperties = dynamic_cast<TkcDateEditProperties*>(dateEdit->GetFilterEditProperties());
  ASSERT_NE(dateProperties, nullptr);
  EXPECT_EQ(dateProperties->DateOnError(), deNull);
  EXPECT_NE(dynamic_cast<TkcDateEdit*>(dateEdit->GetFilterEditControl()), nullptr);
  UnregisterExtendedFilterEditHelpers();
}

}  // namespace

namespace {

TEST(ExtendedEditHelpers, CheckBoxAndRadioGroupChooseFromFixedLists) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditHelperClass check = GetFilterEditsController()->GetHelperClass(TkcCheckBoxProperties::StaticClass());
  ASSERT_EQ(check, TkcFilterCheckBoxHelper::Class());
  EXPECT_EQ(check->GetSupportedOperators(nullptr, nullptr, true), TkcConditionOperators(0x606));
  TkcCheckBoxProperties box(nullptr);
  std::unique_ptr<IkcFilterEdit> edit(check->GetFilterEditClass()->Create());
  check->InitializeFilterEdit(edit.get(), &box);
  auto* combo = dynamic_cast<TkcCustomComboBoxProperties*>(edit->GetFilterEditProperties());
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->Items()->Count(), 2);
  EXPECT_EQ(combo->Items()->Strings(0), "True");
  EXPECT_EQ(combo->Items()->Strings(1), "False");
  EXPECT_EQ(combo->DropDownListStyle(), lsFixedList);
  struct Case {
    Variant written;
    bool null;
    const char* text;
  } cases[] = {{Variant(false), false, "False"}, {Variant(true), false, "True"}, {Null(), true, ""}};
  for (const Case& c : cases) {
    check->WriteFilterValue(edit.get(), &box, c.written);
    Variant read;
    String text;
    check->ReadFilterValue(edit.get(), &box, read, text);
    EXPECT_EQ(VarIsNull(read), c.null) << c.text;
    if (!c.null) {
      EXPECT_TRUE(VarEqualsWithType(read, c.written));
    }
    EXPECT_EQ(text, c.text);
  }
  // The radio group lists its captions; no choice reads as the default value and caption.
  TkcFilterEditHelperClass radio = GetFilterEditsController()->GetHelperClass(TkcRadioGroupProperties::StaticClass());
  ASSERT_EQ(radio, TkcFilterRadioGroupHelper::Class());
  TkcRadioGroupProperties group(nullptr);
  group.Items()->Add()->SetCaption("Tree");
  group.Items()->Add()->SetCaption("Text");
  group.Items()->Items(1)->SetValue(Variant(7));
  group.SetDefaultCaption(u"(none)");
  std::unique_ptr<IkcFilterEdit> radioEdit(radio->GetFilterEditClass()->Create());
  radio->InitializeFilterEdit(radioEdit.get(), &group);
  auto* radioCombo = dynamic_cast<TkcCustomComboBoxProperties*>(radioEdit->GetFilterEditProperties());
  ASSERT_NE(radioCombo, nullptr);
  EXPECT_EQ(radioCombo->Items()->Count(), 2);
  radio->WriteFilterValue(radioEdit.get(), &group, Variant(7));
  Variant value;
  String caption;
  radio->ReadFilterValue(radioEdit.get(), &group, value, caption);
  EXPECT_EQ(value.AsInteger(), 7);
  EXPECT_EQ(caption, "Text");
  radio->WriteFilterValue(radioEdit.get(), &group, Variant(99));
  radio->ReadFilterValue(radioEdit.get(), &group, value, caption);
  EXPECT_TRUE(VarIsNull(value));
  EXPECT_EQ(caption, "(none)");
  UnregisterExtendedFilterEditHelpers();
}

}  // namespace

namespace {

TEST(ExtendedEditHelpers, CalcEditClosesOnEqualsAndMRUFiltersAsText) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditsController* controller = GetFilterEditsController();
  const TkcFilterEditHelperClass calc = TkcFilterCalcEditHelper::Class();
  EXPECT_EQ(controller->GetHelperClass(TkcCalcEditProperties::StaticClass()), calc);
  EXPECT_EQ(calc->GetSupportedOperators(nullptr, nullptr, false).Bits(), 0x67Eu);
  EXPECT_EQ(calc->GetSupportedOperators(nullptr, nullptr, true).Bits(), 0x7E7Eu);
  TkcCalcEditProperties source(nullptr);
  std::unique_ptr<IkcFilterEdit> edit(calc->GetFilterEditClass()->Create());
  calc->InitializeFilterEdit(edit.get(), &source);
  auto* properties = dynamic_cast<TkcCalcEditProperties*>(edit->GetFilterEditProperties());
  ASSERT_NE(properties, nullptr);
  EXPECT_TRUE(properties->QuickClose);
  EXPECT_FALSE(source.QuickClose);
  // The MRU list is a history, not a choice: its kind filters as plain text.
  EXPECT_EQ(controller->GetHelperClass(TkcMRUEditProperties::StaticClass()), TkcFilterTextEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcComboBoxProperties::StaticClass()), TkcFilterComboBoxHelper::Class());
  UnregisterExtendedFilterEditHelpers();
}

}  // namespace

namespace {

TEST(ExtendedEditHelpers, EveryKindFindsItsHelper) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditsController* controller = GetFilterEditsController();
  const std::pair<TClass, TkcFilterEditHelperClass> kinds[] = {
      {TkcBlobEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class()},
      {TkcButtonEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class()},
      {TkcCalcEditProperties::StaticClass(), TkcFilterCalcEditHelper::Class()},
      {TkcCheckBoxProperties::StaticClass(), TkcFilterCheckBoxHelper::Class()},
      {TkcComboBoxProperties::StaticClass(), TkcFilterComboBoxHelper::Class()},
      {TkcCurrencyEditProperties::StaticClass(), TkcFilterCurrencyEditHelper::Class()},
      {TkcDateEditProperties::StaticClass(), TkcFilterDateEditHelper::Class()},
      {TkcHyperLinkEditProperties::StaticClass(), TkcFilterHyperLinkEditHelper::Class()},
      {TkcImageProperties::StaticClass(), nullptr},
      {TkcImageComboBoxProperties::StaticClass(), TkcFilterImageComboBoxHelper::Class()},
      // The lookup combo box comes here with its own helper once its kind is built.
      {TkcMaskEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class()},
      {TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class()},
      {TkcMRUEditProperties::StaticClass(), TkcFilterTextEditHelper::Class()},
      {TkcPopupEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class()},
      {TkcRadioGroupProperties::StaticClass(), TkcFilterRadioGroupHelper::Class()},
      {TkcSpinEditProperties::StaticClass(), TkcFilterSpinEditHelper::Class()},
      {TkcTextEditProperties::StaticClass(), TkcFilterTextEditHelper::Class()},
      {TkcTimeEditProperties::StaticClass(), TkcFilterTimeEditHelper::Class()},
  };
  for (const auto& [properties, helper] : kinds)
    EXPECT_EQ(controller->GetHelperClass(properties), helper) << properties->ClassName();
  UnregisterExtendedFilterEditHelpers();
}

}  // namespace
