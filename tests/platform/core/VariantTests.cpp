#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "platform/core/Variants.h"

namespace {

class VariantTest : public ::testing::Test {
protected:
  FormatSettingsScope scope{DefaultFormatSettings()};
};

}  // namespace

TEST_F(VariantTest, KindsOfConstructors) {
  struct Case {
    Variant value;
    TVarType kind;
  } cases[] = {
      {Variant(), varEmpty},
      {Null(), varNull},
      {Variant(true), varBoolean},
      {Variant(std::int8_t(1)), varShortInt},
      {Variant(std::uint8_t(1)), varByte},
      {Variant(std::int16_t(1)), varSmallint},
      {Variant(std::uint16_t(1)), varWord},
      {Variant(1), varInteger},
      {Variant(1u), varLongWord},
      {Variant(1LL), varInteger},
      {Variant(1LL << 40), varInt64},
      {Variant::FromInt64(1), varInt64},
      {Variant(1ULL), varUInt64},
      {Variant(1.5f), varSingle},
      {Variant(1.5), varDouble},
      {Variant(Currency(1)), varCurrency},
      {Variant::FromDate(1), varDate},
      {Variant("a"), varString},
      {Variant(u"a"), varOleStr},
      {Variant(IntegerToBcd(1)), varFMTBcd},
      {Variant(TSQLTimeStamp{}), varSQLTimeStamp},
      {VarArrayOf({1, 2}), varArray | varVariant},
      {Variant::FromObject(nullptr), varUnknown},
  };
  for (const Case& c : cases) EXPECT_EQ(c.value.VarType(), c.kind) << VarDebugText(c.value);
  EXPECT_TRUE(Null().IsNull());
  EXPECT_FALSE(Null().IsEmpty());
  EXPECT_TRUE(VarIsClear(Unassigned()));
}

TEST_F(VariantTest, ConversionTable) {
  TDateTime day = EncodeDate(2024, 3, 15);
  struct Case {
    Variant value;
    const char* text;
    double number;
  } cases[] = {
      {Variant(), "", 0},
      {Variant(true), "True", -1},
      {Variant(false), "False", 0},
      {Variant(-7), "-7", -7},
      {Variant(1ULL << 63), "9223372036854775808", 9223372036854775808.0},
      {Variant(0.1f), "0.1", static_cast<double>(0.1f)},  // singles show their own 7 digits
      {Variant(1.0 / 3), "0.333333333333333", 1.0 / 3},
      {Variant(Currency::FromRaw(15000)), "1.5", 1.5},
      {Variant::FromDate(day), "3/15/2024", day},
      {Variant::FromDate(day + 0.5), "3/15/2024 12:00:00 PM", day + 0.5},
      {Variant::FromDate(0.25), "6:00:00 AM", 0.25},
      {Variant(" 2.5 "), " 2.5 ", 2.5},
      {Variant(u"\u00e43"),
       "\xC3\xA4"
       "3",
       std::nan("")},
      {Variant(StrToBcd("12.50")), "12.5", 12.5},
      {Variant(DateTimeToSQLTimeStamp(day)), "3/15/2024", day},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.value.AsString(), c.text) << VarDebugText(c.value);
    if (std::isnan(c.number))
      EXPECT_THROW(c.value.AsDouble(), EVariantTypeCastError);
    else
      EXPECT_DOUBLE_EQ(c.value.AsDouble(), c.number) << VarDebugText(c.value);
  }
  EXPECT_EQ(Variant("\xC3\xA4").AsWideString(), u"\u00e4");
  EXPECT_EQ(Variant(u"\u00e4").AsString(), "\xC3\xA4");
}

TEST_F(VariantTest, RoundingAndRanges) {
  struct Case {
    double value;
    std::int64_t rounded;
  } halves[] = {{0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.4999, 2}};
  for (const auto& c : halves) EXPECT_EQ(Variant(c.value).AsInt64(), c.rounded) << c.value;
  EXPECT_EQ(Variant(Currency::FromRaw(25000)).AsInteger(), 2);  // 2.5 -> 2
  EXPECT_EQ(Variant(Currency::FromRaw(35000)).AsInteger(), 4);
  EXPECT_EQ(Variant(1.23456789).AsCurrency().Val, 12346);
  EXPECT_EQ(Variant(0.00025).AsCurrency().Val, 2);  // a tie goes to even
  EXPECT_EQ(Variant("3.7").AsInteger(), 4);
  EXPECT_EQ(Variant(-2).AsType(varSmallint).VarType(), varSmallint);
  EXPECT_EQ(VarAsType(Variant("12"), varInteger).AsInteger(), 12);
  EXPECT_EQ(VarAsType(Variant(), varString).VarType(), varString);
  // Out of range is a conversion error of its own class, still caught as a conversion error.
  const std::vector<std::function<void()>> overflows = {
      [] { Variant(70000).AsType(varSmallint); },
      [] { Variant(-1).AsType(varWord); },
      [] { Variant(1e10).AsInteger(); },
      [] { Variant(1e300).AsInt64(); },
      [] { Variant(1ULL << 63).AsInt64(); },
      [] { Variant(1e300).AsCurrency(); },
      [] { Variant(1e300).AsType(varSingle); },
      [] { Variant(std::nan("")).AsInt64(); },
      // A date outside the calendar has no text and no time stamp (never 12/30/1899).
      [] { Variant::FromDate(std::nan("")).AsString(); },
      [] { Variant::FromDate(1e300).AsString(); },
      [] { Variant::FromDate(std::nan("")).AsType(varSQLTimeStamp); },
      [] { Variant::FromDate(-1e7).AsSQLTimeStamp(); },
  };
  for (std::size_t i = 0; i < overflows.size(); ++i) EXPECT_THROW(overflows[i](), EVariantOverflowError) << i;
  EXPECT_THROW(Variant(1e10).AsInteger(), EVariantTypeCastError);
  // The whole uint64 range orders against currency and Booleans without overflowing.
  EXPECT_GT(VarCompare(Variant(18446744073709551615ULL), Variant(Currency(5))), 0);
  EXPECT_LT(VarCompare(Variant(Currency(-5)), Variant(18446744073709551615ULL)), 0);
  EXPECT_LT(VarCompare(Variant(true), Variant(Currency(0))), 0);  // True is -1
}

TEST_F(VariantTest, ConversionErrorsAreDistinctFromArrayMisuse) {
  const std::vector<std::function<void()>> casts = {
      [] { Null().AsString(); },
      [] { Null().AsInteger(); },
      [] { Variant("abc").AsDouble(); },
      [] { Variant("abc").AsInteger(); },
      [] { Variant("1,5").AsDouble(); },
      [] { Variant("maybe").AsBoolean(); },
      [] { Variant("x").AsDateTime(); },
      [] { Variant("x").AsBcd(); },
      [] { VarArrayOf({1}).AsString(); },
      [] { Variant::FromObject(nullptr).AsDouble(); },
      [] { Null().AsType(varInteger); },
      [] { VarArrayOf({1}).AsType(varInteger); },
      [] { (void)(Variant("abc") == Variant(1)); },
      [] { (void)(VarArrayOf({1}) < Variant(1)); },
      [] { VarAdd(Variant("abc"), Variant(1)); },
      [] { VarAdd(VarArrayOf({1}), Variant(1)); },
  };
  for (std::size_t i = 0; i < casts.size(); ++i) EXPECT_THROW(casts[i](), EVariantTypeCastError) << i;
  const std::vector<std::function<void()>> arrays = {
      [] { Variant(1).GetItem(0); },          [] { VarArrayOf({1, 2}).GetItem(2); },
      [] { VarArrayOf({1, 2}).GetItem(-1); }, [] { Variant(1).ArrayCount(); },
      [] { VarArrayCreate(1, 3); },           [] { VarArrayLowBound(VarArrayOf({1}), 2); },
  };
  for (std::size_t i = 0; i < arrays.size(); ++i) {
    try {
      arrays[i]();
      ADD_FAILURE() << "array misuse " << i << " passed";
    } catch (const EVariantTypeCastError&) {
      ADD_FAILURE() << "array misuse " << i << " looks like a conversion error";
    } catch (const EVariantArrayError&) {}
  }
}

TEST_F(VariantTest, ArraysHaveValueSemantics) {
  Variant a = VarArrayCreate(0, 2);
  EXPECT_EQ(VarArrayDimCount(a), 1);
  EXPECT_EQ(a.ArrayLowBound(), 0);
  EXPECT_EQ(a.ArrayHighBound(), 2);
  EXPECT_TRUE(a[1].IsEmpty());
  a.SetItem(0, 5);
  Variant b = a;  // shares until written
  b.SetItem(0, "x");
  EXPECT_EQ(a[0].AsInteger(), 5);
  EXPECT_EQ(b[0].AsString(), "x");
  Variant nested = VarArrayOf({1, VarArrayOf({2, Null()})});
  EXPECT_TRUE(nested[1][1].IsNull());
  EXPECT_EQ(VarArrayCreate(0, -1).ArrayCount(), 0);
}

TEST_F(VariantTest, OrderingAcrossKinds) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    Variant a, b;
    int expected;
  } cases[] = {
      {Null(), Null(), 0},
      {Null(), Variant(), -1},  // Null first, even before Empty
      {Null(), Variant(-1e300), -1},
      {Variant("a"), Null(), 1},
      {Variant(), Variant(), 0},
      {Variant(), Variant(0), 0},  // Empty is 0, "" or False
      {Variant(), Variant(""), 0},
      {Variant(), Variant(false), 0},
      {Variant(), Variant(-1), 1},
      {Variant("B"), Variant("a"), -1},  // ordinal, case-sensitive
      {Variant("a"), Variant(u"a"), 0},
      {Variant("\xC3\xA4"), Variant("z"), 1},
      {Variant(1), Variant(1.0), 0},
      {Variant(2), Variant("10"), -1},  // the string is read as a number
      {Variant("1.5"), Variant(1.25), 1},
      {Variant(1ULL << 63), Variant::FromInt64(INT64_MAX), 1},
      {Variant(Currency::FromRaw(15000)), Variant(1.5), 0},
      {Variant(Currency::FromRaw(10001)), Variant(1), 1},
      {Variant(StrToBcd("0.1")), Variant(0.1), 0},
      {Variant(StrToBcd("1.00")), Variant(1), 0},
      {Variant(true), Variant(-1), 0},  // True is -1 as a number
      {Variant(true), Variant(1), -1},
      {Variant(false), Variant(true), -1},
      {Variant(true), Variant("True"), 0},
      {Variant::FromDate(EncodeDate(2024, 3, 15)), Variant("3/15/2024"), 0},
      {Variant::FromDate(EncodeDate(2024, 3, 15)), Variant(DateTimeToSQLTimeStamp(EncodeDate(2024, 3, 16))), -1},
      {Variant(nan), Variant(nan), 0},  // NaN equals itself and sorts before numbers
      {Variant(nan), Variant(-1e300), -1},
      {Variant(nan), Null(), 1},
      {VarArrayOf({1, 2}), VarArrayOf({1, 2}), 0},
      {VarArrayOf({1, 2}), VarArrayOf({1, 3}), -1},
      {VarArrayOf({1}), VarArrayOf({1, Null()}), -1},
      {VarArrayOf({Null(), 5}), VarArrayOf({1, 0}), -1},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VarCompare(c.a, c.b), c.expected) << VarDebugText(c.a) << " vs " << VarDebugText(c.b);
    EXPECT_EQ(VarCompare(c.b, c.a), -c.expected) << VarDebugText(c.b) << " vs " << VarDebugText(c.a);
  }
  EXPECT_EQ(VarCompareValue(Null(), Variant(1)), vrNotEqual);
  EXPECT_EQ(VarCompareValue(Variant(1), Variant(2)), vrLessThan);
  EXPECT_TRUE(Variant(1) == Variant(1.0));
  EXPECT_FALSE(Variant(1).EqualsWithType(Variant(1.0)));
  EXPECT_TRUE(Variant(nan).EqualsWithType(Variant(nan)));
}

TEST_F(VariantTest, SortingIsStableWithNullsNaNsAndMixedNumbers) {
  std::vector<Variant> values = {Variant(3),           Null(), Variant(std::nan("")),   Variant(1.5), Variant("2"),
                                 Variant(Currency(1)), Null(), Variant(StrToBcd("2.5"))};
  std::stable_sort(values.begin(), values.end());
  std::vector<std::string> texts;
  for (const Variant& v : values) texts.push_back(VarDebugText(v));
  EXPECT_EQ(texts, (std::vector<std::string>{"varNull", "varNull", "varDouble NAN", "varCurrency 1", "varDouble 1.5",
                                             "varString 2", "varFMTBcd 2.5", "varInteger 3"}));
}

TEST_F(VariantTest, AdditionAndDivisionForSummaries) {
  struct Case {
    Variant a, b;
    TVarType kind;
    const char* text;
  } sums[] = {
      {Variant(1), Variant(2), varInteger, "3"},
      {Variant(INT32_MAX), Variant(1), varInt64, "2147483648"},
      {Variant(1), Variant(0.5), varDouble, "1.5"},
      {Variant(Currency::FromRaw(15000)), Variant(2), varCurrency, "3.5"},
      {Variant::FromDate(EncodeDate(2024, 3, 15)), Variant(1), varDate, "3/16/2024"},
      {Variant(StrToBcd("0.1")), Variant(StrToBcd("0.2")), varFMTBcd, "0.3"},
      {Variant(StrToBcd("0.1")), Variant(2), varFMTBcd, "2.1"},
      {Variant(), Variant(5), varInteger, "5"},
      {Variant("1.5"), Variant("2"), varDouble, "3.5"},  // strings are read as numbers
      {Variant(true), Variant(1), varInteger, "0"},
  };
  for (const Case& c : sums) {
    Variant r = c.a + c.b;
    EXPECT_EQ(r.VarType(), c.kind) << VarDebugText(c.a) << " + " << VarDebugText(c.b);
    EXPECT_EQ(r.AsString(), c.text) << VarDebugText(c.a) << " + " << VarDebugText(c.b);
  }
  EXPECT_TRUE((Null() + Variant(1)).IsNull());
  EXPECT_THROW(Variant::FromInt64(INT64_MAX) + Variant::FromInt64(INT64_MAX) + Variant::FromInt64(INT64_MAX),
               EVariantOverflowError);
  EXPECT_THROW(Variant(Currency::FromRaw(INT64_MAX)) + Variant(Currency(1)), EVariantOverflowError);

  EXPECT_EQ((Variant(7) / Variant(2)).AsDouble(), 3.5);
  Variant avg = Variant(Currency::FromRaw(10)) / Variant(4);  // 0.0010 / 4 = 0.00025 -> 0.0002
  EXPECT_EQ(avg.VarType(), varCurrency);
  EXPECT_EQ(avg.AsCurrency().Val, 2);
  Variant third = Variant(StrToBcd("1")) / Variant(3);
  EXPECT_EQ(third.VarType(), varFMTBcd);
  EXPECT_EQ(third.AsString().substr(0, 12), "0.3333333333");
  Variant day = Variant::FromDate(EncodeDate(2024, 3, 15)) + Variant::FromDate(EncodeDate(2024, 3, 17));
  EXPECT_EQ(VarAsType(day / Variant(2), varDate).AsString(), "3/16/2024");
  EXPECT_THROW(Variant(1) / Variant(0), EZeroDivide);
  EXPECT_THROW(Variant(StrToBcd("1")) / Variant(StrToBcd("0.0")), EZeroDivide);
  EXPECT_TRUE((Variant(1) / Null()).IsNull());
}

TEST_F(VariantTest, LocaleEntersStringConversions) {
  FormatSettings.DecimalSeparator = ',';
  FormatSettings.ShortDateFormat = "dd.mm.yyyy";
  FormatSettings.DateSeparator = '.';
  EXPECT_EQ(Variant("1,5").AsDouble(), 1.5);
  EXPECT_THROW(Variant("1.5").AsDouble(), EVariantTypeCastError);
  EXPECT_EQ(Variant(1.5).AsString(), "1,5");
  EXPECT_EQ(Variant("15.03.2024").AsDateTime(), EncodeDate(2024, 3, 15));
  EXPECT_EQ(Variant::FromDate(EncodeDate(2024, 3, 15)).AsString(), "15.03.2024");
  // BCD text reads with either separator, so saved values survive a change of locale.
  EXPECT_EQ(Variant("2.25").AsBcd(), StrToBcd("2,25"));
}
