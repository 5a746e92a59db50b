// The extended editor kinds find their filter helpers, by their own pair or their ancestry.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
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
  const TkcConditionOperators memo = TkcFilterMemoHelper::Class()->GetSupportedOperators(nullptr, nullptr, true);
  EXPECT_TRUE(memo.Contains(kcoLike));
  EXPECT_FALSE(memo.Contains(kcoEqual));
  EXPECT_EQ(memo, TkcFilterMemoHelper::Class()->GetSupportedOperators(nullptr, nullptr, false));
  UnregisterExtendedFilterEditHelpers();
  EXPECT_NE(GetFilterEditsController()->GetHelperClass(TkcTextEditProperties::StaticClass()), nullptr)
      << "the standard pairs stay";
}

}  // namespace
