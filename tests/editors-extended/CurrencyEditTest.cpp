// The currency editor: typing keeps a number with at most DecimalPlaces decimals, the decimal
// key follows the locale, the empty value is Null or 0, and bounds clamp Value.

#include <gtest/gtest.h>

#include "editors-extended/kcCurrencyEdit.h"
#include "platform/core/FormatSettings.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct CurrencyFixture {
  TFormsSession session;
  TPlainForm form;
  TkcCurrencyEdit* edit;
  TEdit* other;
  TFormatSettings saved = FormatSettings;
  CurrencyFixture() {
    edit = new TkcCurrencyEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->BeepOnEnter = false;
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(200, 10, 50, 20);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  ~CurrencyFixture() { FormatSettings = saved; }
  void Leave() {
    other->SetFocus();
    session.ProcessMessages();
  }
  void Enter() {
    edit->SetFocus();
    session.ProcessMessages();
    edit->SelectAll();
  }
};
}  // namespace

TEST(KcCurrencyEdit, TypingKeepsANumberWithinDecimalPlaces) {
  CurrencyFixture f;
  ASSERT_EQ(f.edit->Properties()->DecimalPlaces(), FormatSettings.CurrencyDecimals);
  f.session.Type("12.345");
  EXPECT_EQ(f.edit->Text(), "12.34") << "a third decimal is refused";
  f.session.Type("x+");
  EXPECT_EQ(f.edit->Text(), "12.34") << "letters and a sign that breaks the number are refused";
  // A refused character beeps by the kind's BeepOnError, not by the control's Enter beep.
  f.edit->BeepOnEnter = true;
  const int beeps = MessageBeepCount();
  f.session.Type("x");
  EXPECT_EQ(MessageBeepCount(), beeps);
  f.edit->Properties()->BeepOnError = true;
  f.session.Type("x");
  EXPECT_EQ(MessageBeepCount(), beeps + 1);
  f.edit->Properties()->BeepOnError = false;
  f.Leave();
  EXPECT_DOUBLE_EQ(f.edit->Value(), 12.34);

  // In a text with an exponent only the digits before the E count.
  EXPECT_TRUE(f.edit->Properties()->CheckNumberText("1.25e12"));
  EXPECT_FALSE(f.edit->Properties()->CheckNumberText("1.255e1"));
  f.Enter();
  f.session.Type("-");
  EXPECT_EQ(f.edit->Text(), "-") << "a lone minus starts a negative number";
  f.edit->Properties()->SetDecimalPlaces(0);
  f.Enter();
  f.session.Type("7.5");
  EXPECT_EQ(f.edit->Text(), "7.") << "no digit after the separator";
}

TEST(KcCurrencyEdit, DecimalAndThousandKeysFollowTheLocale) {
  CurrencyFixture f;
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ThousandSeparator = '.';
  f.session.Type("3.5");
  EXPECT_EQ(f.edit->Text(), "3,5") << "a point types the locale's decimal comma";
  f.edit->Properties()->SetUseThousandSeparator(true);
  f.Enter();
  f.session.Type("1.234,5");
  EXPECT_EQ(f.edit->Text(), "1.234,5");
  f.Leave();
  EXPECT_DOUBLE_EQ(f.edit->Value(), 1234.5);
}

TEST(KcCurrencyEdit, EmptyValueIsNullOrZero) {
  CurrencyFixture f;
  f.edit->Properties()->SetNullString("<none>");
  f.edit->SetEditValue(Variant(5.0));
  f.Leave();
  // Cleared: Null, shown as the null text once left and empty while focused.
  f.Enter();
  f.session.Key(VK_DELETE);
  f.Leave();
  EXPECT_TRUE(VarIsNull(f.edit->EditValue()));
  EXPECT_EQ(f.edit->Text(), "<none>");
  f.edit->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->Text(), "");
  EXPECT_TRUE(VarIsNull(f.edit->Properties()->DisplayTextToValue("<none>")));
  // Not nullable: cleared gives 0, shown in the currency format.
  f.edit->Properties()->SetNullable(false);
  f.edit->SetEditValue(Variant(5.0));
  f.Enter();
  f.session.Key(VK_DELETE);
  f.Leave();
  EXPECT_EQ(f.edit->EditValue().AsDouble(), 0.0);
  Variant shown;
  f.edit->Properties()->EditValueToDisplayValue(Null(), shown, false);
  EXPECT_EQ(f.edit->Text(), VarToStr(shown));
  EXPECT_NE(VarToStr(shown).find(FormatSettings.CurrencyString), String::npos);
}

TEST(KcCurrencyEdit, ValueClampsToBoundsAndNumbersAreChecked) {
  CurrencyFixture f;
  f.edit->Properties()->SetMinValue(10);
  f.edit->Properties()->SetMaxValue(20);
  f.edit->SetValue(3);
  EXPECT_EQ(f.edit->Value(), 10);
  f.edit->SetValue(30);
  EXPECT_EQ(f.edit->Value(), 20);
  double v = 1;
  EXPECT_FALSE(TkcCustomCurrencyEditProperties::TryTextToNumber("1e400", v));
  EXPECT_EQ(v, 0);
  EXPECT_TRUE(TkcCustomCurrencyEditProperties::TryTextToNumber("1,234.5", v));
  EXPECT_EQ(v, 1234.5);
}

TEST(KcCurrencyEdit, ValueSetBeforeTheBoundsIsClampedWhenTheyChange) {
  const double kNone = -1e9;  // no such bound
  struct Case {
    double min, max;
    Variant value, expected;
  } cases[] = {
      {10, 20, Variant(30.0), Variant(20.0)},  {10, 20, Variant(3.0), Variant(10.0)},
      {10, 20, Variant(15.0), Variant(15.0)},  {kNone, 20, Variant(-5.0), Variant(-5.0)},
      {kNone, 20, Variant(30.0), Variant(20.0)}, {10, kNone, Variant(3.0), Variant(10.0)},
      {10, 20, Null(), Null()},
  };
  for (const Case& c : cases) {
    CurrencyFixture f;
    f.Leave();
    f.edit->SetEditValue(c.value);
    if (c.min != kNone) f.edit->Properties()->SetMinValue(c.min);
    if (c.max != kNone) f.edit->Properties()->SetMaxValue(c.max);
    const String label = VarToStr(c.value) + " in [" + FloatToStr(c.min) + ", " + FloatToStr(c.max) + "]";
    EXPECT_TRUE(VarEqualsWithType(f.edit->EditValue(), c.expected)) << label << " gave " << VarToStr(f.edit->EditValue());
    Variant shown;
    f.edit->Properties()->EditValueToDisplayValue(c.expected, shown, false);
    EXPECT_EQ(f.edit->Text(), VarToStr(shown)) << label << ": the display follows the value";
  }
}

TEST(KcCurrencyEdit, DisplayFollowsTheLocaleCurrencyFormat) {
  TFormatSettings saved = FormatSettings;
  struct Case {
    const char* symbol;
    int format, decimals;
    const char* text;
  };
  const Case cases[] = {
      {"$", 0, 2, "$1,234.50"}, {"$", 1, 2, "1,234.50$"}, {"$", 2, 2, "$ 1,234.50"},
      {"€", 3, 2, "1,234.50 €"}, {"$", 0, 0, "$1,235"},
  };
  for (const Case& c : cases) {
    FormatSettings.DecimalSeparator = '.';
    FormatSettings.ThousandSeparator = ',';
    FormatSettings.CurrencyString = c.symbol;
    FormatSettings.CurrencyFormat = c.format;
    FormatSettings.CurrencyDecimals = c.decimals;
    GetFormatController()->Refresh();
    TkcCurrencyEditProperties p(nullptr);
    Variant shown;
    p.EditValueToDisplayValue(Variant(1234.5), shown, false);
    EXPECT_EQ(VarToStr(shown), c.text) << c.format << " " << c.decimals;
    // DecimalPlaces only limits typing: the stored value is not rounded.
    EXPECT_EQ(p.DecimalPlaces(), c.decimals);
  }
  FormatSettings = saved;
  GetFormatController()->Refresh();
  // An assigned count travels with Assign; restoring the defaults follows the locale again.
  TkcCurrencyEditProperties a(nullptr), b(nullptr);
  a.SetDecimalPlaces(4);
  b.Assign(&a);
  EXPECT_TRUE(b.AssignedValues()->DecimalPlaces());
  EXPECT_EQ(b.DecimalPlaces(), 4);
  b.AssignedValues()->RestoreDefaults();
  EXPECT_EQ(b.DecimalPlaces(), FormatSettings.CurrencyDecimals);
}
