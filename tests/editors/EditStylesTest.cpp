// Editor styles: the editor values, their controller fallback and the default controller.

#include <gtest/gtest.h>

#include "editors/kcEditStyles.h"

namespace {

TkcEditStyle* State(TkcContainerStyles& styles, TkcContainerStyleState s) {
  return static_cast<TkcEditStyle*>(styles.GetStyleForState(s));
}

TEST(EditStyles, ValueNamesAndCommonValues) {
  TkcContainerStyles styles(nullptr, TkcEditStyle::StaticClass());
  TkcEditStyle* normal = State(styles, cssNormal);
  EXPECT_EQ(normal->GetStyleValueCount(), 14);
  String name;
  EXPECT_TRUE(normal->GetStyleValueName(13, name));
  EXPECT_EQ(name, "GradientButtons");
  EXPECT_TRUE(normal->GetStyleValueName(10, name));
  EXPECT_EQ(name, "ButtonStyle");
  EXPECT_FALSE(normal->GetStyleValueName(14, name));
  TkcContainerStyleValues common;
  for (int bit : {3, 4, 5, 6, 9, 11, 12, 13}) common.Include(TkcContainerStyleValue(bit));  // 0x3A78
  EXPECT_EQ(normal->GetCommonStyleValues(), common);
  EXPECT_TRUE(normal->PopupCloseButton());
}

TEST(EditStyles, CommonValuesLiveOnTheNormalStyle) {
  TkcContainerStyles styles(nullptr, TkcEditStyle::StaticClass());
  TkcEditStyle* normal = State(styles, cssNormal);
  TkcEditStyle* focused = State(styles, cssFocused);
  focused->SetButtonTransparency(ebtInactive);
  EXPECT_EQ(normal->ButtonTransparency(), ebtInactive);
  EXPECT_EQ(focused->ButtonTransparency(), ebtInactive);
  EXPECT_TRUE(normal->IsEditValueOwnAssigned(kcsvButtonTransparency));
  EXPECT_FALSE(focused->IsEditValueOwnAssigned(kcsvButtonTransparency));
  focused->SetButtonStyle(btsFlat);  // not common: the focused style only
  EXPECT_EQ(focused->ButtonStyle(), btsFlat);
  EXPECT_EQ(normal->ButtonStyle(), btsDefault);
  State(styles, cssHot)->SetPopupBorderStyle(epbsFrame3D);
  EXPECT_EQ(normal->PopupBorderStyle(), epbsFrame3D);
}

TEST(EditStyles, ValuesFallBackToTheControllerThenTheDefaults) {
  TkcEditStyleController* defaults = GetDefaultEditStyleController();
  ASSERT_NE(defaults, nullptr);
  EXPECT_EQ(GetDefaultStyleControllerInstance(), defaults);
  TkcContainerStyles styles(nullptr, TkcEditStyle::StaticClass());
  TkcEditStyle* normal = State(styles, cssNormal);
  EXPECT_EQ(normal->ButtonTransparency(), ebtNone);  // nothing assigned anywhere
  defaults->Style()->SetButtonTransparency(ebtAlways);
  EXPECT_EQ(normal->ButtonTransparency(), ebtAlways);
  EXPECT_TRUE(normal->IsValueAssigned(TkcContainerStyleValue(kcsvButtonTransparency)));

  TkcEditStyleController own(nullptr);
  own.StyleFocused()->SetButtonStyle(bts3D);
  normal->SetStyleController(&own);
  EXPECT_EQ(State(styles, cssFocused)->ButtonStyle(), bts3D);
  EXPECT_EQ(normal->ButtonStyle(), btsDefault);
  normal->SetButtonTransparency(ebtHideInactive);  // an own value wins over the controller's
  EXPECT_EQ(normal->ButtonTransparency(), ebtHideInactive);
  normal->SetStyleController(nullptr);
  defaults->Style()->SetButtonTransparency(ebtNone);
}

TEST(EditStyles, AssignCopiesEditorValues) {
  TkcContainerStyles a(nullptr, TkcEditStyle::StaticClass()), b(nullptr, TkcEditStyle::StaticClass());
  State(a, cssNormal)->SetButtonStyle(btsUltraFlat);
  State(a, cssNormal)->SetGradientButtons(true);
  State(a, cssNormal)->SetPopupCloseButton(false);
  State(b, cssNormal)->Assign(State(a, cssNormal));
  EXPECT_EQ(State(b, cssNormal)->ButtonStyle(), btsUltraFlat);
  EXPECT_TRUE(State(b, cssNormal)->GradientButtons());
  EXPECT_FALSE(State(b, cssNormal)->PopupCloseButton());
}

}  // namespace
