// Filter value editors: the operators a kind supports and the helper found for a class.

#include <gtest/gtest.h>

#include "editors/kcFilterEditHelpers.h"
#include "editors/kcMaskEdit.h"

namespace {

class TDerivedTextProperties : public TkcTextEditProperties {
  VT_CLASS(TDerivedTextProperties, TkcTextEditProperties)
public:
  TDerivedTextProperties() : TkcTextEditProperties(nullptr) {}
};

TEST(FilterEditHelpers, OperatorsByMaskAndValueType) {
  TkcFilterEditsController* controller = GetFilterEditsController();
  TkcCustomFilterEditHelper* mask = controller->FindHelper(TkcMaskEditProperties::StaticClass());
  ASSERT_NE(mask, nullptr);
  TkcMaskEditProperties p(nullptr);
  const TkcValueTypeClass text = TkcStringValueType::Class(), number = TkcIntegerValueType::Class();
  EXPECT_EQ(mask->GetSupportedOperators(&p, text, false), 0x7FEu);
  EXPECT_EQ(mask->GetSupportedOperators(&p, number, false), 0x67Eu);
  EXPECT_EQ(mask->GetSupportedOperators(&p, text, true), 0x7FEu | 0x7800u);
  p.SetEditMask("000;0;_");
  EXPECT_EQ(mask->GetSupportedOperators(&p, text, false), 0x67Eu);

  // A class without its own entry takes its nearest registered ancestor's helper.
  EXPECT_EQ(controller->FindHelper(TDerivedTextProperties::StaticClass()),
            controller->FindHelper(TkcTextEditProperties::StaticClass()));
  EXPECT_EQ(controller->FindHelper(TkcCustomEditProperties::StaticClass()), nullptr);
}

TEST(FilterEditHelpers, PreparedPropertiesForAFilterValue) {
  TkcMaskEditProperties source(nullptr), target(nullptr);
  source.SetMaskKind(emkRegExpr);
  source.SetEditMask("\\d\\d");
  source.Alignment()->SetHorz(taRightJustify);
  source.SetReadOnly(true);
  source.BeepOnError = true;
  source.Buttons()->Add();
  source.OnChange = [](TObject*) {};
  GetFilterEditsController()->FindHelper(TkcMaskEditProperties::StaticClass())->InitializeProperties(&target, &source, false);
  EXPECT_EQ(target.MaskKind(), emkRegExprEx);
  EXPECT_EQ(target.EditMask(), "\\d\\d");
  EXPECT_EQ(target.Alignment()->Horz(), taLeftJustify);
  EXPECT_FALSE(target.ReadOnly());
  EXPECT_FALSE(target.BeepOnError);
  EXPECT_EQ(target.Buttons()->Count(), 0);
  EXPECT_TRUE(target.ValidateOnEnter);
  EXPECT_FALSE(target.OnChange);
  EXPECT_FALSE(target.AutoSelect());  // masked
}

}  // namespace
