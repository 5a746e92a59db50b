#include <gtest/gtest.h>

#include "editors/kcDateUtils.h"
#include "editors/kcFormats.h"
#include "editors/kcRegExpr.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Variants.h"

namespace {

// Fixes "now" and the regional settings for one test.
class FixedToday {
public:
  FixedToday(int y, int m, int d, double time = 0.5) {
    TDateTime now = EncodeDate(y, m, d) + time;
    SetNowProvider([now] { return now; });
    GetFormatController()->Refresh();
  }
  ~FixedToday() {
    SetNowProvider({});
    FormatSettings = fSaved.Settings;
    GetFormatController()->Refresh();
  }
  struct Saved {
    TFormatSettings Settings = FormatSettings;
  } fSaved;
};

String Ymd(TDateTime d) { return FormatDateTime("yyyy-mm-dd", d); }

TEST(DateUtils, SmartWordsRelativeToToday) {
  struct Case {
    int y, m, d;         // today
    int firstDayOfWeek;  // the locale's, 0 Monday .. 6 Sunday
    const char* text;
    const char* expected;
  } cases[] = {
      {2024, 2, 13, 6, "today", "2024-02-13"},
      {2024, 2, 13, 6, "  TOMORROW + 3 ", "2024-02-17"},
      {2024, 2, 13, 6, "today-2", "2024-02-11"},
      {2024, 2, 13, 6, "today+x", "2024-02-13"},  // an offset that is no number is ignored
      {2024, 2, 13, 6, "today+", "2024-02-13"},
      {2024, 2, 13, 6, "Yesterday", "2024-02-12"},
      {2024, 2, 13, 6, "monday", "2024-02-19"},  // the coming Monday
      {2024, 2, 12, 6, "Monday", "2024-02-12"},  // today when it is that day
      {2024, 2, 13, 6, "Saturday", "2024-02-17"},
      {2024, 2, 13, 6, "bom", "2024-02-01"},
      {2024, 2, 13, 6, "eom", "2024-02-29"},  // leap year
      {2023, 2, 13, 6, "eom", "2023-02-28"},
      {2024, 2, 11, 0, "first", "2024-02-05"},  // week from Monday, today a Sunday
      {2024, 2, 11, 6, "first", "2024-02-11"},  // week from Sunday
      {2024, 2, 13, 6, "seventh", "2024-02-17"},
      {2024, 2, 13, 6, "fifth - 10", "2024-02-05"},
  };
  for (const auto& c : cases) {
    FixedToday today(c.y, c.m, c.d);
    FormatSettings.FirstDayOfWeek = c.firstDayOfWeek;
    GetFormatController()->Refresh();
    TDateTime d;
    ASSERT_TRUE(TryTextToDate(c.text, d)) << c.text;
    EXPECT_EQ(Ymd(d), c.expected) << c.text << " on " << c.y << "-" << c.m << "-" << c.d;
    EXPECT_EQ(DateTimeFraction(d), 0.0) << c.text;
  }
  FixedToday today(2024, 2, 13, 0.25);
  TDateTime d;
  ASSERT_TRUE(TryTextToDate("now+1", d));
  EXPECT_DOUBLE_EQ(d, EncodeDate(2024, 2, 14) + 0.25);
}

TEST(DateUtils, TextToDateFailuresGiveTheNullDate) {
  FixedToday today(2024, 2, 13);
  const char* bad[] = {"", "   ", "today+2000000000", "today-800000", "1/1/10000", "13/45/2024", "hello"};
  for (const char* text : bad) {
    TDateTime d = 1;
    EXPECT_FALSE(TryTextToDate(text, d)) << text;
    EXPECT_EQ(d, NullDate) << text;
  }
}

TEST(DateUtils, TextToDateUnderTwoLocales) {
  struct Case {
    const char* shortDate;
    char separator;
    bool useFormatSettings;
    const char* text;
    const char* expected;
  } cases[] = {
      {"M/d/yyyy", '/', false, "12/31/2024", "2024-12-31"},
      {"M/d/yyyy", '/', true, "12/31/2024", "2024-12-31"},
      {"M/d/yyyy", '/', false, " 2/3/2024 x", "2024-02-03"},
      {"dd.MM.yyyy", '.', false, "31.12.2024", "2024-12-31"},
      {"dd.MM.yyyy", '.', true, "31.12.2024", "2024-12-31"},
      {"dd/MMM/yyyy", '/', false, "10 Jan 2005", "2005-01-10"},  // month names keep their month
      {"dd/MMM/yyyy", '/', true, "10/January/2005", "2005-01-10"},
      // a month name where the format has the day would be read as another date
      {"dd/MMM/yyyy", '/', false, "Jan 10 2005", nullptr},
      {"dd/MMM/yyyy", '/', true, "Jan/10/2005", nullptr},
  };
  for (const auto& c : cases) {
    FixedToday today(2024, 2, 13);
    FormatSettings.ShortDateFormat = c.shortDate;
    FormatSettings.DateSeparator = c.separator;
    GetFormatController()->SetUseFormatSettings(c.useFormatSettings);
    GetFormatController()->Refresh();
    TDateTime d;
    EXPECT_EQ(TryTextToDate(c.text, d), c.expected != nullptr) << c.text;
    if (c.expected) {
      EXPECT_EQ(Ymd(d), c.expected) << c.text;
    } else {
      EXPECT_EQ(d, NullDate) << c.text;
    }
    GetFormatController()->SetUseFormatSettings(false);
  }
  FixedToday today(2024, 2, 13);
  TDateTime d;
  ASSERT_TRUE(TryStrToDateTimeEx("12/31/2024 10:30 PM", true, d));
  EXPECT_DOUBLE_EQ(d, EncodeDate(2024, 12, 31) + 22.5 / 24);
  EXPECT_FALSE(TryStrToDateTimeEx("nonsense", false, d));
  EXPECT_EQ(d, NullDate);
}

// A blank date separator: what the editor shows reads back, in both conversion modes.
TEST(DateUtils, TextToDateWithABlankDateSeparator) {
  for (bool useFormatSettings : {false, true}) {
    for (const char* format : {"dd MM yyyy", "d M yy", "yyyy MM dd"}) {
      SCOPED_TRACE(std::string(format) + (useFormatSettings ? " settings" : " variant"));
      FixedToday today(2024, 2, 13);
      FormatSettings.ShortDateFormat = format;
      FormatSettings.DateSeparator = ' ';
      GetFormatController()->SetUseFormatSettings(useFormatSettings);
      GetFormatController()->Refresh();
      for (TDateTime shown :
           {EncodeDate(2024, 12, 31), EncodeDate(2003, 2, 1), EncodeDateTime(2024, 3, 5, 14, 30, 0, 0)}) {
        String text;
        DateTimeToLocaleText(false, text, shown);
        TDateTime d;
        EXPECT_TRUE(TryTextToDate(text, d)) << text;
        EXPECT_EQ(Ymd(d), Ymd(shown)) << text;
      }
      GetFormatController()->SetUseFormatSettings(false);
    }
  }
}

TEST(DateUtils, WeekOfYearByEachRule) {
  struct Case {
    int firstDay, rule, y, m, d, week;
  } cases[] = {
      {0, 1, 2021, 12, 31, 1},                           // its Sunday-based week ends in January
      {1, 3, 2021, 3, 15, 11},  {1, 3, 2021, 1, 1, 53},  // before the first four-day week: last week of 2020
      {1, 3, 2021, 1, 3, 53},   {1, 3, 2021, 1, 4, 1},
      {1, 3, 2020, 12, 31, 53}, {1, 3, 2024, 12, 30, 1},  // week of 1 January 2025
      {1, 2, 2021, 1, 3, 52},                             // first full week starts 4 January
      {1, 2, 2021, 1, 4, 1},    {1, 1, 2021, 1, 1, 1},
      {1, 1, 2021, 1, 4, 2},    {0, 1, 2023, 1, 1, 1},  // a Sunday starting its own week
      {0, 2, 2022, 1, 1, 52},   {0, 2, 2022, 1, 2, 1},
  };
  for (const auto& c : cases)
    EXPECT_EQ(GetWeekOfYear(c.firstDay, c.rule, EncodeDate(c.y, c.m, c.d)), c.week)
        << c.firstDay << "/" << c.rule << " " << c.y << "-" << c.m << "-" << c.d;
  FormatSettingsScope scope;
  FormatSettings.FirstWeekOfYear = 2;  // the locale's "first four-day week"
  EXPECT_EQ(GetWeekOfYear(1, 0, EncodeDate(2021, 1, 1)), 53);
}

TEST(DateUtils, MonthArithmetic) {
  struct Case {
    int y, m, delta, y2, m2, ret;
  } cases[] = {
      {2000, 1, -1, 1999, 12, 0},   {2000, 1, 13, 2001, 2, 1}, {2000, 12, 1, 2001, 1, 0},
      {2000, 5, -17, 1998, 12, -1}, {2000, 5, 24, 2002, 5, 2}, {2000, 5, 0, 2000, 5, 0},
  };
  for (const auto& c : cases) {
    uint16_t y = uint16_t(c.y), m = uint16_t(c.m);
    EXPECT_EQ(ShiftMonth(y, m, c.delta), c.ret) << c.delta;
    EXPECT_EQ(y, c.y2) << c.delta;
    EXPECT_EQ(m, c.m2) << c.delta;
  }
  uint16_t y = 2000, m = 1;
  PrevMonth(y, m);
  EXPECT_EQ(y * 100 + m, 199912);
  NextMonth(y, m);
  EXPECT_EQ(y * 100 + m, 200001);
  EXPECT_EQ(MonthDayCount(1900, 2), 28);
  EXPECT_EQ(MonthDayCount(2000, 2), 29);
  EXPECT_EQ(ClampDay(2023, 2, 31), 28);
  EXPECT_EQ(ClampDay(2023, 2, -3), 1);
  EXPECT_EQ(GetDatePart(dpMonth, EncodeDate(2024, 7, 9)), 7);
  EXPECT_EQ(Ymd(GetMinDate()), "0100-01-01");
}

TEST(DateUtils, DateToText) {
  FixedToday today(2024, 2, 13);
  String t = "x";
  DateTimeToTextEx(true, true, false, t, NullDate);
  EXPECT_EQ(t, "");
  DateTimeToLocaleText(false, t, NullDate);
  EXPECT_EQ(t, "");
  const TDateTime d = EncodeDate(2024, 3, 5);
  FormatSettings.ShortDateFormat = "M/d/yy";
  DateTimeToLocaleText(false, t, d);
  EXPECT_EQ(t, "3/5/24");
  DateTimeToLocaleText(true, t, d);
  EXPECT_EQ(t, "3/5/2024");
  DateTimeToLocaleText(true, t, d + 0.75);
  EXPECT_EQ(t, "3/5/2024 6:00:00 PM");
  FormatSettings.ShortDateFormat = "dd/MM/yyyy";
  GetFormatController()->Refresh();
  DateTimeToTextEx(true, false, false, t, d + 0.75);
  EXPECT_EQ(t, "05/03/2024");
  DateTimeToTextEx(true, true, false, t, d + 0.75);
  EXPECT_EQ(t, "05/03/2024 06:00:00 PM");
  EXPECT_TRUE(IsValidDateValue(Variant(45000.0)));
  EXPECT_FALSE(IsValidDateValue(Variant(NullDate)));
  EXPECT_FALSE(IsValidDateValue(Variant("2024-01-01")));
  EXPECT_TRUE(IsValidDateValue(VarSQLTimeStampCreate(EncodeDateTime(2024, 1, 1, 10, 0, 0, 0))));
}

TEST(DateUtils, SmartWordsInMasks) {
  FixedToday today(2024, 2, 13);
  String mask = "\\d";
  AddSmartDateWordsToMask(mask, false);
  EXPECT_EQ(mask.rfind("(\\d)|('today'|'yesterday'|", 0), 0u);
  EXPECT_EQ(mask.find("'now'"), String::npos);
  EXPECT_NE(mask.find("'eom')((\\+|-)\\d(\\d(\\d\\d?)?)?)?"), String::npos);
  TkcRegExpr r;
  r.SetCaseInsensitive(true);
  r.Compile(mask);
  EXPECT_EQ(r.FilterText("TODAY+12345"), "today+1234");
  EXPECT_TRUE(r.IsFinal());
  String dt = "\\d";
  AddSmartDateWordsToMask(dt, true);
  EXPECT_NE(dt.find("|'now')"), String::npos);
}

}  // namespace
