// The calc edit's texts of numbers: precision, general and scientific notation, thousand
// separators and a display format, and which texts are read back as numbers.

#include <gtest/gtest.h>

#include "editors-extended/kcCalcEdit.h"
#include "platform/core/FormatSettings.h"

namespace {

struct PointLocale {
  TFormatSettings saved = FormatSettings;
  PointLocale() {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ',';
  }
  ~PointLocale() { FormatSettings = saved; }
};

class TPrecisionProvider : public TkcCustomEditDefaultValuesProvider {
public:
  int Precision = 6;
  int GetDefaultPrecision() override { return Precision; }
};

String Shown(TkcCustomCalcEditProperties& p, const Variant& v, bool focused) {
  Variant display;
  p.EditValueToDisplayValue(v, display, focused);
  return VarToStr(display);
}

TEST(KcCalcEdit, TextsOfNumbers) {
  PointLocale locale;
  struct Case {
    int precision;  // -1: not assigned
    bool scientific, thousands;
    const char* format;  // nullptr: no display format
    double value;
    bool focused;
    const char* text;
  };
  const Case cases[] = {
      {-1, false, false, nullptr, 2.0 / 3, false, "0.666666666666667"},
      {4, false, false, nullptr, 1234.5678, false, "1235"},
      {0, false, false, nullptr, 1.0 / 3, false, "0.333333333333333"},  // 0 formats with 15 digits
      {20, false, false, nullptr, 1.0 / 3, false, "0.333333333333333"},  // more than 15 reads as 15
      {-1, false, true, nullptr, 1234567, false, "1,234,567"},
      {-1, false, true, nullptr, -1234567.25, true, "-1,234,567.25"},
      {-1, false, true, nullptr, 999, false, "999"},
      {-1, true, false, nullptr, 1050, false, "1.05E+3"},  // trailing zeros go, the inner one stays
      {-1, true, false, nullptr, 1000, false, "1E+3"},     // nothing after the separator: it goes
      {-1, true, true, nullptr, 1234567, false, "1.234567E+6"},  // no separators in exponent notation
      {4, true, false, nullptr, -0.000123456, false, "-1.235E-4"},
      {-1, false, false, "0.00", 1234.5, false, "1234.50"},
      {-1, false, false, "#,##0.00", 1234.5, false, "1,234.50"},
      {-1, false, false, "0.00", 1234.5, true, "1234.5"},  // the display format is not for editing
      {-1, false, true, "0.0", 1234.56, true, "1,234.56"},
  };
  for (const Case& c : cases) {
    TkcCalcEditProperties p(nullptr);
    if (c.precision >= 0) p.SetPrecision(c.precision);
    p.SetScientificFormat(c.scientific);
    p.SetUseThousandSeparator(c.thousands);
    if (c.format) p.SetDisplayFormat(c.format);
    EXPECT_EQ(Shown(p, c.value, c.focused), c.text) << c.value << " precision " << c.precision;
  }
  TkcCalcEditProperties p(nullptr);
  EXPECT_EQ(Shown(p, Null(), false), "");
  EXPECT_EQ(Shown(p, String(), true), "");
  EXPECT_EQ(Shown(p, String("12.5"), false), "12.5");
  EXPECT_EQ(Shown(p, String("abc"), false), "abc") << "a value that is no number shows as it stands";
}

TEST(KcCalcEdit, PrecisionFromTheProviderUntilAssigned) {
  TkcCalcEditProperties p(nullptr);
  EXPECT_EQ(p.Precision(), 15);
  EXPECT_FALSE(p.AssignedValues()->Precision());
  TPrecisionProvider provider;
  p.SetDefaultValuesProvider(&provider);
  EXPECT_EQ(p.Precision(), 6);
  provider.Precision = 18;
  EXPECT_EQ(p.Precision(), 15);
  p.SetPrecision(0);
  EXPECT_EQ(p.Precision(), 0);
  EXPECT_TRUE(p.AssignedValues()->Precision());
  // Only an assigned precision travels with Assign.
  TkcCalcEditProperties copy(nullptr), fresh(nullptr);
  copy.SetPrecision(9);
  copy.Assign(&p);
  EXPECT_EQ(copy.Precision(), 0);
  copy.Assign(&fresh);
  EXPECT_FALSE(copy.AssignedValues()->Precision());
  EXPECT_EQ(copy.Precision(), 15);
  p.SetDefaultValuesProvider(nullptr);
  p.AssignedValues()->RestoreDefaults();
  EXPECT_EQ(p.Precision(), 15);
}

TEST(KcCalcEdit, WhichTextsAreNumbers) {
  PointLocale locale;
  const std::pair<const char*, bool> cases[] = {
      {"12.5", true},   {"-0", true},       {"1,234.5", true},   {"1e3", true},     {"0e-999", true},
      {"1e308", true},  {"1.8e308", false},  {"1e-400", false},  {"-", false},      {"1e", false},
      {"abc", false},   {"", false},
  };
  for (const auto& [text, number] : cases) {
    double d = 0;
    EXPECT_EQ(TkcCustomCalcEditProperties::TryTextToNumber(text, d), number) << text;
  }
  TkcCalcEditProperties p(nullptr);
  for (const auto& [value, valid] : std::vector<std::pair<Variant, bool>>{
           {Null(), true}, {String(), true}, {Variant(3.5), true}, {Variant(7), true},
           {String("2.5"), true}, {String("x"), false}}) {
    Variant v = value;
    EXPECT_EQ(p.IsEditValueValid(v, false), valid) << VarToStr(value);
  }
}

}  // namespace
