// The extended editor kinds find their filter helpers, by their own pair or their ancestry.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcMemo.h"
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
