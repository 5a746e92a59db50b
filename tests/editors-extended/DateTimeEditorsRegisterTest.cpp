// The spin, time and date kinds in the editor kinds' registry and their repository items.

#include <gtest/gtest.h>

#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcDateTimeEditorsRegister.h"
#include "editors-extended/kcTimeEdit.h"

TEST(KcDateTimeEditorsRegister, KindsAndItems) {
  TkcRegisteredClasses* r = GetEditPropertiesRegistry();
  int before = r->Count();
  RegisterDateTimeEditorKinds();
  RegisterDateTimeEditorKinds();  // once
  ASSERT_EQ(r->Count(), before + 3);
  auto textOf = [&](TClass c) {
    for (int i = 0; i < r->Count(); ++i)
      if (r->Items(i) == c) return r->Text(i);
    return String();
  };
  EXPECT_EQ(textOf(TkcSpinEditProperties::StaticClass()), "SpinEdit|Represents a spin editor");
  EXPECT_EQ(textOf(TkcTimeEditProperties::StaticClass()), "TimeEdit|Represents an editor displaying time values");
  EXPECT_EQ(textOf(TkcDateEditProperties::StaticClass()), "DateEdit|Represents an edit control with a dropdown calendar");
  UnregisterDateTimeEditorKinds();
  EXPECT_EQ(r->Count(), before + 3);
  UnregisterDateTimeEditorKinds();
  EXPECT_EQ(r->Count(), before);

  TkcEditRepositoryDateItem date(nullptr);
  EXPECT_NE(dynamic_cast<TkcDateEditProperties*>(date.Properties()), nullptr);
  TkcEditRepositoryTimeItem time(nullptr);
  EXPECT_NE(dynamic_cast<TkcTimeEditProperties*>(time.Properties()), nullptr);
  TkcEditRepositorySpinItem spin(nullptr);
  EXPECT_NE(dynamic_cast<TkcSpinEditProperties*>(spin.Properties()), nullptr);
}
