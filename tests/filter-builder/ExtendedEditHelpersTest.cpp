// The extended editor kinds find their filter helpers, by their own pair or their ancestry.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcTimeEdit.h"
#include "filter-builder/kcFilterExtendedEditHelpers.h"

namespace {

TEST(ExtendedEditHelpers, OwnPairOrNearestAncestor) {
  RegisterExtendedFilterEditHelpers();
  TkcFilterEditsController* controller = GetFilterEditsController();
  EXPECT_EQ(controller->GetHelperClass(TkcMemoProperties::StaticClass()), TkcFilterMemoHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcBlobEditProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcImageProperties::StaticClass()), nullptr);
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
  UnregisterExtendedFilterEditHelpers();
}

}  // namespace
