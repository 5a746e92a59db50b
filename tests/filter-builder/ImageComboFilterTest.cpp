// An image combo box is filtered by choosing one of its own items, values and images intact.

#include <gtest/gtest.h>

#include "editors-extended/kcImageComboBox.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"
#include "platform/core/Utf8.h"

TEST(KcImageComboFilter, ChoosesFromTheSourceItems) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditHelperClass helper =
      GetFilterEditsController()->GetHelperClass(TkcImageComboBoxProperties::StaticClass());
  ASSERT_EQ(helper, TkcFilterImageComboBoxHelper::Class());
  EXPECT_EQ(helper->GetSupportedOperators(nullptr, nullptr, true), TkcConditionOperators(0x6606));
  EXPECT_EQ(helper->GetSupportedOperators(nullptr, nullptr, false), TkcConditionOperators(0x606));
  TkcImageComboBoxProperties source(nullptr);
  source.SetShowDescriptions(false);
  TkcImageComboBoxItem* item = source.Items()->Add();
  item->SetValue(Variant(5));
  item->SetDescription("Five");
  std::unique_ptr<IkcFilterEdit> edit(helper->GetFilterEditClass()->Create());
  helper->InitializeFilterEdit(edit.get(), &source);
  auto* combo = dynamic_cast<TkcCustomImageComboBoxProperties*>(edit->GetFilterEditProperties());
  ASSERT_NE(combo, nullptr);
  ASSERT_EQ(combo->Items()->Count(), 1);
  EXPECT_EQ(combo->Items()->Items(0)->Value().AsInteger(), 5);
  // Descriptions are always shown in the filter, whatever the source shows.
  EXPECT_TRUE(combo->ShowDescriptions());
  EXPECT_EQ(combo->DropDownListStyle(), lsFixedList);
  EXPECT_EQ(WideToUtf8(combo->GetDisplayText(Variant(5))), "Five");
  UnregisterExtendedFilterEditHelpers();
}
