#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "platform/core/SqlTimSt.h"
#include "platform/core/SysUtils.h"

namespace {

// Fixes "now" for the test's lifetime.
struct FixedNow {
  explicit FixedNow(TDateTime value) {
    SetNowProvider([value] { return value; });
  }
  ~FixedNow() { SetNowProvider(nullptr); }
};

TFormatSettings British() {
  TFormatSettings s;
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongTimeFormat = "hh:nn:ss";
  s.ShortTimeFormat = "hh:nn";
  return s;
}

}  // namespace

TEST(DateEncoding, KnownDaysAndRoundTrips) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0);
  EXPECT_EQ(EncodeDate(2024, 3, 15), 45366);
  EXPECT_EQ(EncodeDate(1, 1, 1), -693593);
  EXPECT_EQ(EncodeDate(100, 1, 1), MinDateTime);
  EXPECT_EQ(EncodeDate(1899, 12, 29), -1);
  EXPECT_DOUBLE_EQ(EncodeDateTime(1899, 12, 29, 6, 0, 0, 0), -1.25);  // time adds away from day 0
  for (double day : {-693593.0, -1.0, 0.0, 59.0, 60.0, 61.0, 45366.0, 2958465.0}) {
    int y, m, d;
    DecodeDate(day, y, m, d);
    EXPECT_EQ(EncodeDate(y, m, d), day) << day;
  }
  int y, m, d, h, n, s, ms;
  DecodeDateTime(-1.25, y, m, d, h, n, s, ms);
  EXPECT_EQ((std::vector<int>{y, m, d, h, n, s, ms}), (std::vector<int>{1899, 12, 29, 6, 0, 0, 0}));
  DecodeDateTime(45366.0 + 0.99999999999, y, m, d, h, n, s, ms);  // rounds into the next day
  EXPECT_EQ((std::vector<int>{y, m, d, h, n, s}), (std::vector<int>{2024, 3, 16, 0, 0, 0}));
  TDateTime r;
  for (auto bad : {std::array<int, 3>{2023, 2, 29}, {2024, 13, 1}, {0, 1, 1}, {10000, 1, 1}, {2024, 4, 31}})
    EXPECT_FALSE(TryEncodeDate(bad[0], bad[1], bad[2], r)) << bad[0] << "-" << bad[1] << "-" << bad[2];
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, r));
  EXPECT_FALSE(TryEncodeTime(24, 0, 0, 0, r));
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_DOUBLE_EQ(EncodeTime(12, 0, 0, 0), 0.5);
}

TEST(DateArithmetic, WeekdaysMonthsAndNow) {
  EXPECT_EQ(DayOfWeek(0), 7);                        // 1899-12-30 was a Saturday
  EXPECT_EQ(DayOfWeek(EncodeDate(2024, 3, 15)), 6);  // a Friday
  EXPECT_EQ(DayOfWeek(-1.5), 6);
  EXPECT_EQ(DayOfTheWeek(EncodeDate(2024, 3, 17)), 7);  // Sunday, counted from Monday
  EXPECT_TRUE(IsLeapYear(2000));
  EXPECT_FALSE(IsLeapYear(1900));
  EXPECT_EQ(DaysInAMonth(2024, 2), 29);
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31)), EncodeDate(2024, 2, 29));
  EXPECT_EQ(IncMonth(EncodeDate(2024, 1, 31), -2), EncodeDate(2023, 11, 30));
  EXPECT_DOUBLE_EQ(IncMonth(EncodeDate(2024, 12, 15) + 0.25, 1), EncodeDate(2025, 1, 15) + 0.25);
  FixedNow now(EncodeDate(2024, 3, 15) + 0.75);
  EXPECT_EQ(Date(), 45366);
  EXPECT_DOUBLE_EQ(Time(), 0.75);
  EXPECT_DOUBLE_EQ(Now(), 45366.75);
}

TEST(DateFormat, FormatDateTimeTable) {
  FormatSettingsScope scope(DefaultFormatSettings());
  TDateTime v = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  struct Case {
    const char* format;
    const char* expected;
  } cases[] = {
      {"yyyy-mm-dd", "2024-03-05"},
      {"d/m/yy", "5/3/24"},
      {"ddd dddd", "Tue Tuesday"},
      {"mmm mmmm", "Mar March"},
      {"hh:nn:ss.zzz", "14:07:09.045"},
      {"h:mm", "14:07"},  // m after h is the minute
      {"hh mm", "14 07"},
      {"h d m", "14 5 3"},  // a day token in between makes it the month again
      {"h:nn am/pm", "2:07 pm"},
      {"h:nn AM/PM", "2:07 PM"},
      {"h a/p", "2 p"},
      {"hh ampm", "02 PM"},
      {"s z", "9 45"},
      {"ddddd", "3/5/2024"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"t", "2:07 PM"},
      {"tt", "2:07:09 PM"},
      {"c", "3/5/2024 2:07:09 PM"},
      {"\"at\" hh 'o''clock'", "at 14 oclock"},
      {"yyyy/mm/dd", "2024/03/05"},  // '/' is the locale date separator
      {"", "3/5/2024 2:07:09 PM"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatDateTime(c.format, v), c.expected) << c.format;
  EXPECT_EQ(FormatDateTime("c", EncodeDate(2024, 3, 5)), "3/5/2024");  // no time at midnight
  EXPECT_EQ(FormatDateTime("h:nn am/pm", 0), "12:00 am");
  // The marker may also come before the hour, as in Korean and Tamil formats.
  EXPECT_EQ(FormatDateTime("AMPM h:nn", EncodeDateTime(2024, 3, 5, 23, 7, 0, 0)), "PM 11:07");
  EXPECT_EQ(FormatDateTime("a/p hh:nn", EncodeDateTime(2024, 3, 5, 0, 7, 0, 0)), "a 12:07");
  TFormatSettings german = British();
  german.DateSeparator = '.';
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", v, german), "05.03.2024");
  TFormatSettings looping = DefaultFormatSettings();
  looping.ShortDateFormat = "c";  // a format naming itself ends instead of recursing
  EXPECT_NO_THROW(FormatDateTime("c", v, looping));
  EXPECT_EQ(DateTimeToStr(v, British()), "05/03/2024 14:07:09");
  EXPECT_EQ(DateToStr(v), "3/5/2024");
  EXPECT_EQ(TimeToStr(v), "2:07:09 PM");
}

TEST(DateParse, TwoLocales) {
  FixedNow now(EncodeDate(2024, 6, 1));
  FormatSettingsScope scope(DefaultFormatSettings());
  TDateTime r = 0;
  struct Case {
    const char* text;
    bool ok;
    TDateTime expected;
  } us[] = {
      {"3/15/2024", true, EncodeDate(2024, 3, 15)},
      {" 3 / 15 / 2024 ", true, EncodeDate(2024, 3, 15)},
      {"3/15", true, EncodeDate(2024, 3, 15)},  // the current year
      {"3/15/24", true, EncodeDate(2024, 3, 15)},
      {"1/1/80", true, EncodeDate(1980, 1, 1)},  // two-digit years within the window
      {"1/1/73", true, EncodeDate(2073, 1, 1)},
      {"15/3/2024", false, 0},
      {"2/30/2024", false, 0},
      {"3-15-2024", false, 0},
      {"", false, 0},
  };
  for (const Case& c : us) {
    EXPECT_EQ(TryStrToDate(c.text, r), c.ok) << c.text;
    if (c.ok) {
      EXPECT_EQ(r, c.expected) << c.text;
    }
  }
  EXPECT_TRUE(TryStrToTime("2:30 PM", r));
  EXPECT_DOUBLE_EQ(r, EncodeTime(14, 30, 0, 0));
  EXPECT_TRUE(TryStrToTime("12:00:01 am", r));
  EXPECT_DOUBLE_EQ(r, EncodeTime(0, 0, 1, 0));
  EXPECT_TRUE(TryStrToTime("23:59:59.5", r));
  EXPECT_DOUBLE_EQ(r, EncodeTime(23, 59, 59, 500));
  EXPECT_TRUE(TryStrToTime("5 PM", r));
  EXPECT_DOUBLE_EQ(r, EncodeTime(17, 0, 0, 0));
  for (const char* bad : {"24:00", "13:00 PM", "5", "1:60", "x"}) EXPECT_FALSE(TryStrToTime(bad, r)) << bad;
  EXPECT_TRUE(TryStrToDateTime("3/15/2024 2:30:00 PM", r));
  EXPECT_DOUBLE_EQ(r, EncodeDateTime(2024, 3, 15, 14, 30, 0, 0));
  EXPECT_TRUE(TryStrToDateTime("14:30", r));
  EXPECT_DOUBLE_EQ(r, EncodeTime(14, 30, 0, 0));
  EXPECT_THROW(StrToDate("x"), EConvertError);

  FormatSettings = British();
  EXPECT_TRUE(TryStrToDate("15/3/2024", r));
  EXPECT_EQ(r, EncodeDate(2024, 3, 15));
  EXPECT_FALSE(TryStrToDate("3/15/2024", r));
  FormatSettings.ShortDateFormat = "yyyy-mm-dd";
  FormatSettings.DateSeparator = '-';
  EXPECT_TRUE(TryStrToDate("2024-03-15", r));
  EXPECT_EQ(r, EncodeDate(2024, 3, 15));
}

TEST(DateSQLTimeStamp, ConversionsAndOrder) {
  TDateTime v = EncodeDateTime(2024, 3, 15, 10, 20, 30, 456);
  TSQLTimeStamp ts = DateTimeToSQLTimeStamp(v);
  EXPECT_EQ(ts.Year, 2024);
  EXPECT_EQ(ts.Fractions, 456u);
  EXPECT_DOUBLE_EQ(SQLTimeStampToDateTime(ts), v);
  EXPECT_EQ(SQLTimeStampToDateTime(TSQLTimeStamp{}), 0);
  TSQLTimeStamp later = ts;
  later.Fractions = 457;
  EXPECT_LT(ts, later);
  later = ts;
  later.Month = 2;  // an earlier month wins over a later day
  later.Day = 28;
  EXPECT_GT(ts, later);
  TSQLTimeStamp bad = ts;
  bad.Month = 13;
  EXPECT_FALSE(IsValidSQLTimeStamp(bad));
  EXPECT_THROW(SQLTimeStampToDateTime(bad), EConvertError);
  bad = ts;
  bad.Fractions = 1000;
  EXPECT_THROW(SQLTimeStampToDateTime(bad), EConvertError);
  FormatSettingsScope scope(DefaultFormatSettings());
  EXPECT_EQ(SQLTimeStampToStr("yyyy-mm-dd hh:nn:ss.zzz", ts), "2024-03-15 10:20:30.456");
  EXPECT_EQ(StrToSQLTimeStamp("3/15/2024 10:20:30 AM").Second, 30);
}
