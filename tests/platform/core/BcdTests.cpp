#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "platform/core/FMTBcd.h"

namespace {

std::string Str(const TBcd& b) { return BcdToStr(b); }

TBcd Add(const char* a, const char* b) {
  TBcd r;
  BcdAdd(StrToBcd(a), StrToBcd(b), r);
  return r;
}

}  // namespace

TEST(Bcd, RecordLayout) {
  TBcd b = StrToBcd("-12.345");
  EXPECT_EQ(b.Precision, 5);
  EXPECT_EQ(b.SignSpecialPlaces, 0x80 | 3);
  EXPECT_EQ(b.Fraction[0], 0x12);
  EXPECT_EQ(b.Fraction[1], 0x34);
  EXPECT_EQ(b.Fraction[2], 0x50);
  TBcd small = StrToBcd("0.001");
  EXPECT_EQ(small.Precision, 3);
  EXPECT_EQ(BcdScale(small), 3);
  EXPECT_EQ(BcdPrecision(StrToBcd("123")), 3);
}

TEST(Bcd, ParseFormatRoundTrips) {
  FormatSettingsScope scope(DefaultFormatSettings());
  struct Case {
    const char* text;
    const char* shown;
  } cases[] = {
      {"0", "0"},
      {"-0", "0"},
      {"1.50", "1.5"},
      {"+007", "7"},
      {".5", "0.5"},
      {"-0.001", "-0.001"},
      {"1.5e3", "1500"},
      {"15E-4", "0.0015"},
      {" 42 ", "42"},
      {"1234567890123456789012345678901234567890123456789012345678901234",
       "1234567890123456789012345678901234567890123456789012345678901234"},
      {"0.000000000000000000000000000000000000000000000000000000000000001",
       "0.000000000000000000000000000000000000000000000000000000000000001"},
  };
  for (const Case& c : cases) {
    TBcd b;
    ASSERT_TRUE(TryStrToBcd(c.text, b)) << c.text;
    EXPECT_EQ(Str(b), c.shown) << c.text;
    EXPECT_EQ(BcdCompare(StrToBcd(Str(b)), b), 0) << c.text;
  }
  TBcd b;
  for (const char* bad :
       {"", "abc", "1.2.3", "1e", "--1", "12345678901234567890123456789012345678901234567890123456789012345"})
    EXPECT_FALSE(TryStrToBcd(bad, b)) << bad;
  EXPECT_THROW(StrToBcd("x"), EConvertError);
  // Decimals beyond 64 digits are rounded away; integer digits never are.
  EXPECT_EQ(Str(StrToBcd("1234567890123456789012345678901234567890123456789012345678901234.56")),
            "1234567890123456789012345678901234567890123456789012345678901235");
  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ(BcdToStr(StrToBcd("1.5"), comma), "1,5");
  EXPECT_TRUE(TryStrToBcd("1,5", b, comma));
  EXPECT_EQ(Str(b), "1.5");
  EXPECT_EQ(BcdToStrF(StrToBcd("1234.567"), ffNumber, 18, 2), "1,234.57");
}

TEST(Bcd, CompareAndArithmetic) {
  struct Cmp {
    const char* a;
    const char* b;
    int expected;
  } cmps[] = {{"1.50", "1.5", 0}, {"-0", "0", 0},    {"-1", "0.5", -1},
              {"-2", "-10", 1},   {"10", "9.99", 1}, {"0.001", "0.01", -1}};
  for (const auto& c : cmps) {
    EXPECT_EQ(BcdCompare(StrToBcd(c.a), StrToBcd(c.b)), c.expected) << c.a << " " << c.b;
    EXPECT_EQ(BcdCompare(StrToBcd(c.b), StrToBcd(c.a)), -c.expected) << c.b << " " << c.a;
  }
  EXPECT_EQ(Str(Add("0.1", "0.2")), "0.3");
  EXPECT_EQ(Str(Add("999.99", "0.01")), "1000");
  EXPECT_EQ(Str(Add("-5", "3.25")), "-1.75");
  EXPECT_EQ(Str(Add("5", "-5")), "0");
  TBcd r;
  BcdSubtract(StrToBcd("1"), StrToBcd("1.001"), r);
  EXPECT_EQ(Str(r), "-0.001");
  BcdMultiply(StrToBcd("-1.5"), StrToBcd("2.5"), r);
  EXPECT_EQ(Str(r), "-3.75");
  BcdDivide(StrToBcd("10"), 4, r);
  EXPECT_EQ(Str(r), "2.5");
  BcdDivide(StrToBcd("2"), StrToBcd("3"), r);
  EXPECT_EQ(BcdPrecision(r), 63);  // 64 digits at most, truncated
  EXPECT_EQ(Str(r).substr(0, 6), "0.6666");
  EXPECT_EQ(Str(r).back(), '6');
  BcdDivide(StrToBcd("-1"), StrToBcd("0.0001"), r);
  EXPECT_EQ(Str(r), "-10000");
  EXPECT_THROW(BcdDivide(StrToBcd("1"), 0, r), EZeroDivide);
  std::string big(64, '9');
  EXPECT_THROW(BcdAdd(StrToBcd(big), StrToBcd("1"), r), EBcdOverflowException);
}

TEST(Bcd, ConversionsWithNativeTypes) {
  EXPECT_EQ(Str(IntegerToBcd(INT64_MIN)), "-9223372036854775808");
  EXPECT_EQ(BcdToInt64(StrToBcd("-12.9")), -12);  // truncates
  EXPECT_THROW(BcdToInt64(StrToBcd("9223372036854775808")), EBcdOverflowException);
  EXPECT_THROW(BcdToInteger(StrToBcd("2147483648")), EBcdOverflowException);
  EXPECT_EQ(Str(DoubleToBcd(0.1)), "0.1");  // the shortest text, not the binary expansion
  EXPECT_EQ(Str(DoubleToBcd(-1e-7)), "-0.0000001");
  EXPECT_EQ(BcdToDouble(StrToBcd("0.1")), 0.1);
  EXPECT_THROW(DoubleToBcd(std::nan("")), EBcdException);
  EXPECT_EQ(Str(CurrencyToBcd(Currency::FromRaw(-12345))), "-1.2345");
  Currency c;
  EXPECT_TRUE(BCDToCurr(StrToBcd("1.23455"), c));
  EXPECT_EQ(c.Val, 12346);  // four decimals, halves away from zero
  EXPECT_FALSE(BCDToCurr(StrToBcd("1e20"), c));
  TBcd n;
  EXPECT_TRUE(NormalizeBcd(StrToBcd("1.5"), n, 10, 2));
  EXPECT_EQ(BcdScale(n), 2);
  EXPECT_FALSE(NormalizeBcd(StrToBcd("12345"), n, 5, 2));
}
