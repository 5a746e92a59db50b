// Masked properties: the mask in force, cell texts under it, validation and the mask's rules.

#include <gtest/gtest.h>

#include "editors/kcEditRepository.h"
#include "editors/kcMaskEdit.h"
#include "platform/core/Utf8.h"

namespace {

class TMaskProvider : public TkcCustomEditDefaultValuesProvider {
public:
  String GetDefaultEditMask() override { return "99/99;1;_"; }
};

String CellText(TkcCustomMaskEditProperties& p, const char* value) {
  return WideToUtf8(p.GetDisplayText(Variant(String(value))));
}

TEST(MaskEditProperties, CellTextsUnderTheMask) {
  TkcMaskEditProperties p(nullptr);
  EXPECT_TRUE(p.ValidateOnEnter);
  EXPECT_FALSE(p.IsMasked());
  EXPECT_EQ(CellText(p, "12345"), "12345");
  p.SetEditMask("000-00;0;*");
  EXPECT_EQ(CellText(p, "12345"), "12345");  // unfocused: the plain value
  p.SetAlwaysShowBlanksAndLiterals(true);
  EXPECT_EQ(CellText(p, "12345"), "123-45");
  EXPECT_EQ(CellText(p, "123"), "123-**");
  Variant focused;
  p.SetAlwaysShowBlanksAndLiterals(false);
  p.ConvertEditValueForDisplay(Variant(String("12345")), true, focused);
  EXPECT_EQ(VarToStr(focused), "123-45");
  p.SetMaskKind(emkRegExpr);
  p.SetEditMask("\\d+");
  EXPECT_EQ(CellText(p, "1a2"), "12");
}

TEST(MaskEditProperties, MaskFromTheDataSourceAndInvalidMasks) {
  TMaskProvider provider;
  TkcMaskEditProperties p(nullptr);
  p.SetDefaultValuesProvider(&provider);
  EXPECT_EQ(p.EditMask(), "99/99;1;_");
  EXPECT_TRUE(p.IsMasked());
  EXPECT_FALSE(p.UseLookupData());
  EXPECT_EQ(p.GetProviderFormatSupport(), 0);

  p.SetMaskKind(emkRegExpr);
  p.SetEditMask("[a-c]+");
  int changes = 0;
  p.OnPropertiesChanged = [&changes](TObject*) { ++changes; };
  try {
    p.SetEditMask("(a|b");
    FAIL() << "an invalid mask was taken";
  } catch (const EkcMaskEditError& e) {
    EXPECT_STREQ(e.what(), "Regular expression errors:\r\nMissing ')'");
  }
  EXPECT_EQ(p.EditMask(), "[a-c]+");
  EXPECT_EQ(changes, 0);
  p.SetMaxLength(5);
  EXPECT_EQ(p.MaxLength(), 0);  // the mask decides the length
}

TEST(MaskEditProperties, CaseAndValidation) {
  TkcMaskEditProperties p(nullptr);
  p.SetCharCase(TEditCharCase::ecUpperCase);
  p.SetCaseInsensitive(false);
  EXPECT_TRUE(p.CaseInsensitive());
  p.SetCharCase(TEditCharCase::ecNormal);
  p.SetCaseInsensitive(false);
  EXPECT_FALSE(p.CaseInsensitive());

  p.SetEditMask("\\(000\\)000;1;_");
  struct Case {
    const char* text;
    bool ignoreBlank, error;
  } cases[] = {{"(123)4__", false, true},
               {"(123)456", false, false},
               {"(___)___", false, true},
               {"(___)___", true, false},
               {"(12_)___", true, true}};
  for (const auto& c : cases) {
    p.SetIgnoreMaskBlank(c.ignoreBlank);
    Variant v = String(c.text);
    String error;
    bool failed = false;
    p.ValidateDisplayValue(v, error, failed, nullptr);
    EXPECT_EQ(failed, c.error) << c.text;
    if (c.error) {
      EXPECT_EQ(error, "The edit value is invalid");
    }
  }
}

TEST(MaskEditProperties, RegisteredKindAndRepositoryItem) {
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  bool found = false;
  for (int i = 0; i < registry->Count(); ++i)
    found |= registry->Text(i) == "MaskEdit|Represents a generic masked edit control.";
  EXPECT_TRUE(found);
  TkcEditRepository repository(nullptr);
  repository.SetName("R");
  auto* item = repository.AddNewItem(TkcEditRepositoryItemClass::Of<TkcEditRepositoryMaskItem>());
  EXPECT_EQ(item->GetBaseName(), "RMaskItem");
  EXPECT_TRUE(item->Properties()->InheritsFrom(TkcMaskEditProperties::StaticClass()));
}

}  // namespace
