// A lookup column is filtered by choosing a key from its own list, shown by the key's text.

#include <gtest/gtest.h>

#include "editors-extended/kcDBLookupComboBox.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"
#include "platform/db/DBClient.h"

TEST(LookupFilterHelper, ChoosesAKeyFromAFixedSizeableList) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditHelperClass helper =
      GetFilterEditsController()->GetHelperClass(TkcLookupComboBoxProperties::StaticClass());
  ASSERT_EQ(helper, TkcFilterLookupComboBoxHelper::Class());
  // Equals, does not equal, is blank and is not blank, also in the extended set.
  EXPECT_EQ(helper->GetSupportedOperators(nullptr, nullptr, false), TkcConditionOperators(0x606));
  EXPECT_EQ(helper->GetSupportedOperators(nullptr, nullptr, true), TkcConditionOperators(0x606));

  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 10);
  ds.CreateDataSet();
  ds.AppendRecord({Variant(7), Variant(String("Seven"))});
  TDataSource source(nullptr);
  source.SetDataSet(&ds);
  TkcLookupComboBoxProperties column(nullptr);
  column.SetListSource(&source);
  column.SetKeyFieldNames("ID");
  column.SetListFieldNames("NAME");
  EXPECT_FALSE(helper->KeepsDefaultValuesProvider(&column)) << "no lookup field defines the list";
  std::unique_ptr<IkcFilterEdit> edit(helper->GetFilterEditClass()->Create());
  helper->InitializeFilterEdit(edit.get(), &column);
  auto* lookup = dynamic_cast<TkcLookupComboBoxProperties*>(edit->GetFilterEditProperties());
  ASSERT_NE(lookup, nullptr);
  EXPECT_EQ(lookup->DropDownListStyle(), lsFixedList);
  EXPECT_TRUE(lookup->DropDownAutoSize());
  EXPECT_TRUE(lookup->DropDownSizeable());
  EXPECT_TRUE(lookup->IncrementalFiltering);
  EXPECT_EQ(lookup->ListSource(), &source);
  // The condition's value is the key; its text is the key's list text.
  edit->SetFilterEditValue(Variant(7));
  Variant value;
  String text;
  helper->ReadFilterValue(edit.get(), &column, value, text);
  EXPECT_EQ(value.AsInteger(), 7);
  EXPECT_EQ(text, "Seven");
  edit.reset();
  ds.Close();
  UnregisterExtendedFilterEditHelpers();
}
