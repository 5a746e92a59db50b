// Filter operators: each kind's test, words and expression, the null substitution and the
// date ranges around a fixed today.

#include <gtest/gtest.h>

#include "data/FilterTestSupport.h"

namespace {

TEST(FilterOperators, ClassesAndWordsPerKind) {
  struct Case {
    TkcFilterOperatorKind kind;
    const char* className;
    const char* expressionWord;
    const char* displayWord;
  } cases[] = {
      {foEqual, "TkcFilterEqualOperator", "=", "equals"},
      {foNotEqual, "TkcFilterNotEqualOperator", "<>", "does not equal"},
      {foLess, "TkcFilterLessOperator", "<", "is less than"},
      {foLessEqual, "TkcFilterLessEqualOperator", "<=", "is less than or equal to"},
      {foGreater, "TkcFilterGreaterOperator", ">", "is greater than"},
      {foGreaterEqual, "TkcFilterGreaterEqualOperator", ">=", "is greater than or equal to"},
      {foLike, "TkcFilterLikeOperator", "LIKE", "like"},
      {foNotLike, "TkcFilterNotLikeOperator", "NOT LIKE", "not like"},
      {foBetween, "TkcFilterBetweenOperator", "BETWEEN", "between"},
      {foNotBetween, "TkcFilterNotBetweenOperator", "NOT BETWEEN", "not between"},
      {foInList, "TkcFilterInListOperator", "IN", "in"},
      {foNotInList, "TkcFilterNotInListOperator", "NOT IN", "not in"},
      {foYesterday, "TkcFilterYesterdayOperator", "is yesterday", "is yesterday"},
      {foToday, "TkcFilterTodayOperator", "is today", "is today"},
      {foTomorrow, "TkcFilterTomorrowOperator", "is tomorrow", "is tomorrow"},
      {foLastWeek, "TkcFilterLastWeekOperator", "is last week", "is last week"},
      {foLastMonth, "TkcFilterLastMonthOperator", "is last month", "is last month"},
      {foLastYear, "TkcFilterLastYearOperator", "is last year", "is last year"},
      {foThisWeek, "TkcFilterThisWeekOperator", "is this week", "is this week"},
      {foThisMonth, "TkcFilterThisMonthOperator", "is this month", "is this month"},
      {foThisYear, "TkcFilterThisYearOperator", "is this year", "is this year"},
      {foNextWeek, "TkcFilterNextWeekOperator", "is next week", "is next week"},
      {foNextMonth, "TkcFilterNextMonthOperator", "is next month", "is next month"},
      {foNextYear, "TkcFilterNextYearOperator", "is next year", "is next year"},
      {foNull, "TkcFilterNullOperator", "=", "is blank"},
      {foNotNull, "TkcFilterNotNullOperator", "<>", "is not blank"},
  };
  TTestCriteria criteria;
  for (const Case& c : cases) {
    TkcFilterCriteriaItem* item = criteria.AddItem(nullptr, criteria.Qty(), c.kind, 1, "1");
    EXPECT_STREQ(item->Operator()->ClassName(), c.className);
    EXPECT_EQ(item->Operator()->GetExpressionWord(), c.expressionWord) << c.className;
    EXPECT_EQ(item->Operator()->GetDisplayWord(), c.displayWord) << c.className;
  }
  EXPECT_FALSE(FilterOperatorClassOfKind(static_cast<TkcFilterOperatorKind>(26)));
}

TEST(FilterOperators, MatchesTable) {
  struct Case {
    TkcFilterOperatorKind kind;
    Variant value, record;
    bool matches;
  } cases[] = {
      {foEqual, 5, 5, true},
      {foEqual, 5, 6, false},
      {foEqual, 5, "abc", false},  // uncomparable: smaller, not equal
      {foNotEqual, 5, 6, true},
      {foLess, 5, 4, true},
      {foLess, 5, "abc", true},
      {foLess, 5, Null(), true},  // Null sorts first
      {foLessEqual, 5, 5, true},
      {foGreater, 5, 5, false},
      {foGreaterEqual, 5, 5, true},
      {foLike, "ab%", "abc", true},
      {foLike, "ab%", "xab", false},
      {foLike, "1%", 15, true},  // texts of both values
      {foNotLike, "ab%", "xab", true},
      {foLike, "%", Null(), true},  // a Null record value is the empty text, not an error
      {foNotLike, "ab%", Null(), true},
      {foBetween, CreateVariantPair(1, 5), 3, true},
      {foBetween, CreateVariantPair(1, 5), 5, true},
      {foBetween, CreateVariantPair(1, 5), 6, false},
      {foBetween, CreateVariantPair(5, 1), 3, false},
      {foBetween, CreateVariantPair(1, 1), 1, true},
      {foBetween, 3, 3, false},                        // not a pair: matches nothing
      {foBetween, Variant::MakeArray({1}), 1, false},  // too short
      {foNotBetween, CreateVariantPair(1, 5), 6, true},
      {foInList, Variant::MakeArray({1, 2, Null()}), 2, true},
      {foInList, Variant::MakeArray({1, 2, Null()}), Null(), true},
      {foInList, Variant::MakeArray({1, 2}), 3, false},
      {foInList, 7, 7, true},  // a scalar is a one-item list
      {foNotInList, Variant::MakeArray({1, 2}), 3, true},
      {foEqual, Null(), Null(), true},  // the null test
      {foEqual, Null(), 0, false},
      {foNotEqual, Null(), 0, true},
      {foLike, Null(), Null(), true},
      {foNotLike, Null(), "x", true},
  };
  for (const Case& c : cases) {
    TTestCriteria criteria;
    criteria.AddItem(nullptr, criteria.Qty(), c.kind, c.value, "");
    EXPECT_EQ(criteria.Passes(c.record), c.matches)
        << int(c.kind) << " " << VarDebugText(c.value) << " on " << VarDebugText(c.record);
  }
}

TEST(FilterOperators, NullSubstitutionFollowsSoftNull) {
  TTestCriteria criteria;
  EXPECT_STREQ(criteria.AddItem(nullptr, criteria.Name(), foEqual, Null(), "")->Operator()->ClassName(),
               "TkcFilterNullOperator");
  EXPECT_STREQ(criteria.AddItem(nullptr, criteria.Name(), foEqual, "", "")->Operator()->ClassName(),
               "TkcFilterEqualOperator");
  TkcFilterCriteriaItem* notNull = criteria.AddItem(nullptr, criteria.Name(), foNotEqual, Null(), "");
  EXPECT_STREQ(notNull->Operator()->ClassName(), "TkcFilterNotNullOperator");
  EXPECT_EQ(notNull->DisplayValue(), "blank");
  TkcFilterCriteriaItem* less = criteria.AddItem(nullptr, criteria.Name(), foLess, Null(), "");
  EXPECT_STREQ(less->Operator()->ClassName(), "TkcFilterLessOperator");
  EXPECT_EQ(less->DisplayValue(), "");
  criteria.SetOptions({fcoSoftNull});
  EXPECT_STREQ(criteria.AddItem(nullptr, criteria.Name(), foLike, "", "")->Operator()->ClassName(),
               "TkcFilterNullOperator");
}

TEST(FilterOperators, ExpressionValues) {
  TTestCriteria criteria;
  criteria.SetDateTimeFormat("yyyy-mm-dd");
  TkcFilterCriteriaItem* item = criteria.AddItem(nullptr, criteria.Name(), foLess, 1, "");
  struct Case {
    Variant value;
    const char* text;
  } cases[] = {
      {"O'Neil", "'O''Neil'"},
      {u"wide", "'wide'"},
      {Null(), "NULL"},
      {true, "True"},
      {2.5, "2.5"},
      {Variant::FromDate(EncodeDate(2024, 3, 15)), "'2024-03-15'"},
      {Variant::MakeArray({1, "a"}), "(1, 'a')"},  // an array no operator writes itself
  };
  for (const Case& c : cases) {
    String text;
    item->Operator()->FormatValue(c.value, text);
    EXPECT_EQ(text, c.text);
  }
}

TEST(FilterOperators, DateRangesAroundAFixedToday) {
  struct Case {
    int y, m, d;
    int firstDay;  // the locale's 0 = Monday .. 6 = Sunday
    TkcFilterOperatorKind kind;
    TDateTime start, end;
  } cases[] = {
      {2024, 3, 15, 0, foYesterday, EncodeDate(2024, 3, 14), EncodeDate(2024, 3, 15)},
      {2024, 3, 15, 0, foToday, EncodeDate(2024, 3, 15), EncodeDate(2024, 3, 16)},
      {2024, 3, 15, 0, foTomorrow, EncodeDate(2024, 3, 16), EncodeDate(2024, 3, 17)},
      {2024, 3, 15, 0, foThisWeek, EncodeDate(2024, 3, 11), EncodeDate(2024, 3, 18)},
      {2024, 3, 15, 0, foLastWeek, EncodeDate(2024, 3, 4), EncodeDate(2024, 3, 11)},
      {2024, 3, 15, 0, foNextWeek, EncodeDate(2024, 3, 18), EncodeDate(2024, 3, 25)},
      {2024, 3, 15, 6, foThisWeek, EncodeDate(2024, 3, 10), EncodeDate(2024, 3, 17)},
      {2024, 3, 17, 0, foThisWeek, EncodeDate(2024, 3, 11), EncodeDate(2024, 3, 18)},  // a Sunday
      {2024, 1, 20, 0, foLastMonth, EncodeDate(2023, 12, 1), EncodeDate(2024, 1, 1)},
      {2024, 12, 5, 0, foNextMonth, EncodeDate(2025, 1, 1), EncodeDate(2025, 2, 1)},
      {2024, 11, 30, 0, foNextMonth, EncodeDate(2024, 12, 1), EncodeDate(2025, 1, 1)},
      {2024, 12, 31, 0, foThisMonth, EncodeDate(2024, 12, 1), EncodeDate(2025, 1, 1)},
      {2024, 2, 29, 0, foThisMonth, EncodeDate(2024, 2, 1), EncodeDate(2024, 3, 1)},
      {2024, 3, 15, 0, foLastYear, EncodeDate(2023, 1, 1), EncodeDate(2024, 1, 1)},
      {2024, 12, 31, 0, foThisYear, EncodeDate(2024, 1, 1), EncodeDate(2025, 1, 1)},
      {2024, 3, 15, 0, foNextYear, EncodeDate(2025, 1, 1), EncodeDate(2026, 1, 1)},
  };
  for (const Case& c : cases) {
    FormatSettingsScope scope;
    FormatSettings.FirstDayOfWeek = c.firstDay;
    TodayScope today(EncodeDateTime(c.y, c.m, c.d, 10, 30, 0, 0));
    TTestCriteria criteria;
    auto* op =
        static_cast<TkcFilterDateOperator*>(criteria.AddItem(nullptr, criteria.Day(), c.kind, Null(), "")->Operator());
    EXPECT_EQ(op->RangeStart(), c.start) << c.y << "-" << c.m << "-" << c.d << " kind " << int(c.kind);
    EXPECT_EQ(op->RangeEnd(), c.end) << c.y << "-" << c.m << "-" << c.d << " kind " << int(c.kind);
  }
}

TEST(FilterOperators, TodayMatchesAndExpression) {
  TodayScope today(EncodeDateTime(2024, 3, 15, 9, 0, 0, 0));
  TTestCriteria criteria;
  criteria.SetDateTimeFormat("yyyy-mm-dd");
  criteria.AddItem(nullptr, criteria.Day(), foToday, Null(), "ignored");
  EXPECT_TRUE(criteria.Passes(Variant::FromDate(EncodeDateTime(2024, 3, 15, 23, 59, 0, 0))));
  EXPECT_FALSE(criteria.Passes(Variant::FromDate(EncodeDateTime(2024, 3, 14, 23, 59, 0, 0))));
  EXPECT_FALSE(criteria.Passes(Variant::FromDate(EncodeDate(2024, 3, 16))));
  EXPECT_FALSE(criteria.Passes(Null()));
  EXPECT_EQ(criteria.GetFilterText(), "((DAY >= '2024-03-15') AND (DAY < '2024-03-16'))");
  EXPECT_EQ(criteria.GetFilterCaption(), "(Day is today)");

  // A text that is no date: a conversion error, which only soft compare turns into no match.
  EXPECT_THROW(criteria.Passes("not a date"), EVariantTypeCastError);
  EXPECT_THROW(criteria.Passes(""), EVariantTypeCastError);
  criteria.SetOptions({fcoSoftNull});
  EXPECT_FALSE(criteria.Passes(""));
  criteria.SetOptions({fcoSoftCompare});
  EXPECT_FALSE(criteria.Passes("not a date"));
}

}  // namespace
