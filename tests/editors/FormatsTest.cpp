#include <gtest/gtest.h>

#include "editors/kcFormats.h"
#include "editors/kcRegExpr.h"
#include "editors/kcStandardMask.h"
#include "platform/core/DateUtils.h"
#include "platform/core/FormatSettings.h"
#include "platform/win/Windows.h"

namespace {

// A day-first locale with a 12-hour clock, and a German-style one with a 24-hour clock.
TFormatSettings DayFirst() {
  TFormatSettings s = DefaultFormatSettings();
  s.ShortDateFormat = "dd/MM/yyyy";
  s.DateSeparator = '/';
  s.LongTimeFormat = "h:mm:ss AMPM";
  s.TimeSeparator = ':';
  s.TimeAMString = "AM";
  s.TimePMString = "PM";
  return s;
}

TFormatSettings German() {
  TFormatSettings s = DefaultFormatSettings();
  s.ShortDateFormat = "dd.MM.yyyy";
  s.DateSeparator = '.';
  s.LongTimeFormat = "HH:mm:ss";
  s.TimeSeparator = ':';
  s.ShortMonthNames = {"Jan", "Feb", "Mär", "Apr", "Mai", "Jun", "Jul", "Aug", "Sep", "Okt", "Nov", "Dez"};
  s.CurrencyString = "€";
  s.CurrencyFormat = 3;
  s.NegCurrFormat = 8;
  s.FirstDayOfWeek = 0;
  return s;
}

String Kinds(const TkcDateTimeFormatInfo& info) {
  String r;
  for (const auto& item : info.Items) {
    if (!r.empty()) r += ",";
    r += std::to_string(item.Kind) + (item.Data.empty() ? "" : ":" + item.Data);
  }
  return r;
}

TEST(FormatController, MasksAndDisplayFormatsUnderTwoLocales) {
  struct Case {
    TFormatSettings settings;
    const char* dateItems;
    const char* dateMask;
    const char* dateTimeMask;
    const char* dateDisplay;
    const char* dateTimeDisplay;
    const char* dateExpr;  // before the smart words
    const char* timeExpr;
    uint8_t weekStart;
  } cases[] = {
      {DayFirst(), "3:DD,9,2:MM,9,1:YYYY", "!99/99/9999;1; ", "!99/99/9999\\ 99:99:99\\ cc;1; ", "dd/mm/yyyy",
       "dd/mm/yyyy' 'hh:nn:ss' 'ampm",
       "([012]?[1-9]|[123]0|31)\\/((0?[1-9]|1[012])|('Jan'|'Feb'|'Mar'|'Apr'|'May'|'Jun'|'Jul'|"
       "'Aug'|'Sep'|'Oct'|'Nov'|'Dec'))\\/\\d\\d\\d\\d",
       "(0?[1-9]|1[012])\\:[0-5]?\\d\\:[0-5]?\\d' '('AM'|'PM')?", 0},
      {German(), "3:DD,9,2:MM,9,1:YYYY", "!99/99/9999;1; ", "!99/99/9999\\ 99:99:99;1; ", "dd/mm/yyyy",
       "dd/mm/yyyy' 'hh:nn:ss",
       "([012]?[1-9]|[123]0|31)\\.((0?[1-9]|1[012])|('Jan'|'Feb'|'Mär'|'Apr'|'Mai'|'Jun'|'Jul'|"
       "'Aug'|'Sep'|'Okt'|'Nov'|'Dez'))\\.\\d\\d\\d\\d",
       "([01]?\\d|2[0-3])\\:[0-5]?\\d\\:[0-5]?\\d", 1},
  };
  for (const auto& c : cases) {
    FormatSettingsScope scope(c.settings);
    TkcFormatController fc;
    EXPECT_EQ(Kinds(fc.DateFormatInfo()), c.dateItems);
    EXPECT_EQ(fc.DateStandardMask(), c.dateMask);
    EXPECT_EQ(fc.DateMask(), c.dateMask);
    EXPECT_EQ(fc.DateTimeStandardMask(), c.dateTimeMask);
    EXPECT_EQ(fc.DateDisplayFormat(), c.dateDisplay);
    EXPECT_EQ(fc.DateTimeDisplayFormat(), c.dateTimeDisplay);
    EXPECT_EQ(fc.DateRegExprMask().rfind("(" + String(c.dateExpr) + ")|('today'|", 0), 0u) << fc.DateRegExprMask();
    EXPECT_EQ(fc.DateTimeRegExprMask().rfind("(" + String(c.dateExpr) + " ' '(" + c.timeExpr + ")?)|('today'|", 0), 0u)
        << fc.DateTimeRegExprMask();
    const String offset = ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";  // the smart words' day offset closes the mask
    EXPECT_TRUE(fc.DateRegExprMask().ends_with(offset)) << fc.DateRegExprMask();
    EXPECT_EQ(fc.WeekStart(), c.weekStart);

    // the masks compile and accept a date typed in the locale's way
    TkcRegExpr date;
    date.Compile(fc.DateTimeRegExprMask());
    String typed = c.settings.DateSeparator == '.' ? "31.12.2024 23:59:00" : "31/12/2024 11:59:00 PM";
    EXPECT_EQ(date.FilterText(typed), typed);
    EXPECT_TRUE(date.IsFinal());
    TkcStandardMask standard;
    standard.SetMask(fc.DateStandardMask());
    String text = "31122024";
    standard.FitText(text);
    EXPECT_EQ(text, c.settings.DateSeparator == '.' ? "31.12.2024" : "31/12/2024");
  }
}

TEST(FormatController, ParsingFormats) {
  FormatSettingsScope scope(DayFirst());
  struct Case {
    const char* format;
    bool ok;
    const char* items;
  } cases[] = {
      {"h:mm:ss AMPM", true, "4:12H,10,5:NN,10,6:SS,0: ,8:AMPM"},
      {"HH:nn", true, "4:24HH,10,5:NN"},
      {"hh:mm a/p", true, "4:12HH,10,5:NN,0: ,8:a/p"},
      {"yyyy am/pm", true, "1:YYYY,0: "},  // AM/PM without an hour is dropped
      {"d/M/yy", true, "3:D,9,2:M,9,1:YY"},
      {"dddd, MMMM d", true, "3:DDDD,0:, ,2:MMMM,0: "},  // a second day item is not added
      {"'Day' dd", true, "0:Day ,3:DD"},
      {"\"at\" hh", true, "0:at ,4:24HH"},
      {"yyyy \"g\" G", false, ""},              // an era fails the parse
      {"ddddd", true, "3:DD,9,2:MM,9,1:YYYY"},  // the short date format, nested
      {"", true, "3:DD,9,2:MM,9,1:YYYY,0: ,4:12H,10,5:NN,10,6:SS,0: ,8:AMPM"},
      {"aaaa zzz", true, "3:DDDD,0: ,7:ZZZ"},
      {"MM-dd", true, "2:MM,0:-,3:DD"},
  };
  for (const auto& c : cases) {
    TkcDateTimeFormatInfo info;
    EXPECT_EQ(TkcFormatController::ParseFormat(c.format, info), c.ok) << c.format;
    EXPECT_EQ(Kinds(info), c.items) << c.format;
  }
  TkcDateTimeFormatInfo info;
  TkcFormatController::ParseFormat("yyyy am/pm", info);
  EXPECT_FALSE(info.DefinedItems[dtikTimeSuffix]);
}

TEST(FormatController, RejectedFormatGivesEmptyMasks) {
  TFormatSettings s = DayFirst();
  s.ShortDateFormat = "gg yyyy";
  FormatSettingsScope scope(s);
  TkcFormatController fc;
  EXPECT_TRUE(fc.DateFormatInfo().Items.empty());
  EXPECT_EQ(fc.DateStandardMask(), "");
  EXPECT_EQ(fc.DateRegExprMask(), "");
  EXPECT_EQ(fc.DateTimeRegExprMask(), "");
  EXPECT_EQ(fc.DateTimeStandardMask(), "");
}

TEST(FormatController, QuotesInLiteralsAndNamesStillCompile) {
  TFormatSettings s = DayFirst();
  s.ShortDateFormat = "dd \"o'\" MMM yyyy";
  s.ShortMonthNames[0] = "J'an";
  s.TimeAMString = "a'm";
  FormatSettingsScope scope(s);
  TkcFormatController fc;
  TkcRegExpr r;
  EXPECT_NO_THROW(r.Compile(fc.DateTimeRegExprMask()));
  EXPECT_EQ(r.FilterText("05 o' J'an 2024 1:02:03 a'm"), "05 o' J'an 2024 1:02:03 a'm");
  EXPECT_TRUE(r.IsFinal());
}

TEST(FormatController, CurrencyWeekStartAndEditText) {
  struct Case {
    const char* currency;
    int format, negFormat, decimals;
    const char* expected;
  } cases[] = {
      {"$", 0, 0, 2, "$,0.00;($,0.00)"}, {"€", 3, 8, 2, ",0.00 €;-,0.00 €"},
      {"$", 1, 0, 0, ",0.$;($,0.)"},     {"kr.", 2, 12, 2, "kr'.' ,0.00;kr'.' -,0.00"},
      {"R", 0, 13, 1, "R,0.0;,0.0- R"},  {"", 0, 0, 2, ",0.00;-,0.00"},
  };
  for (const auto& c : cases) {
    TFormatSettings s = DayFirst();
    s.CurrencyString = c.currency;
    s.CurrencyFormat = c.format;
    s.NegCurrFormat = c.negFormat;
    s.CurrencyDecimals = c.decimals;
    FormatSettingsScope scope(s);
    TkcFormatController fc;
    EXPECT_EQ(fc.CurrencyDisplayFormat(), c.expected) << c.currency << c.negFormat;
  }
  struct WeekCase {
    int localeFirstDay;
    uint8_t weekStart;
  } weeks[] = {{0, 1}, {6, 0}, {5, 6}};
  for (const auto& w : weeks) {
    TFormatSettings s = DayFirst();
    s.FirstDayOfWeek = w.localeFirstDay;
    FormatSettingsScope scope(s);
    EXPECT_EQ(TkcFormatController().WeekStart(), w.weekStart);
  }
  struct EditCase {
    const char* format;
    const char* edit;
  } edits[] = {{"d/M/yyyy", "dd/MM/yyyy"}, {"dd/MM/yy", "dd/MM/yy"}, {"M.d", "MM.dd"}};
  for (const auto& e : edits) {
    TFormatSettings s = DayFirst();
    s.ShortDateFormat = e.format;
    FormatSettingsScope scope(s);
    EXPECT_EQ(TkcFormatController().DateEditText(), e.edit);
  }
}

TEST(FormatController, ItemAtPosition) {
  FormatSettingsScope scope(DayFirst());
  TkcDateTimeFormatInfo info;
  TkcFormatController::ParseFormat("dd/MMM/yyyy hh:nn AMPM", info);
  EXPECT_EQ(TkcFormatController::GetFormatTextLength(info), 20);
  struct Case {
    int pos;
    bool found;
    uint8_t kind;
    int start, length, suffix;
  } cases[] = {
      {0, false, 0, 0, 0, 0},        {1, true, dtikDay, 1, 2, 0},  {3, true, dtikDateSeparator, 3, 1, 0},
      {4, true, dtikMonth, 4, 3, 0}, {9, true, dtikYear, 8, 4, 0}, {19, true, dtikTimeSuffix, 19, 2, 2},
      {21, false, 0, 0, 0, 0},
  };
  for (const auto& c : cases) {
    TkcDateTimeFormatItemInfo ii;
    ASSERT_EQ(TkcFormatController::FindFormatItemAtPos(info, c.pos, ii), c.found) << c.pos;
    if (!c.found) continue;
    EXPECT_EQ(ii.Kind, c.kind) << c.pos;
    EXPECT_EQ(ii.ItemZoneStart, c.start) << c.pos;
    EXPECT_EQ(ii.ItemZoneLength, c.length) << c.pos;
    EXPECT_EQ(ii.TimeSuffixKind, c.suffix) << c.pos;
  }
}

struct Listener : IkcFormatChangedListener {
  int changes = 0;
  std::function<void()> onChange;
  void FormatChanged() override {
    ++changes;
    if (onChange) onChange();
  }
};

struct TimeListener : Listener, IkcTimeChangedListener {
  int times = 0;
  void TimeChanged() override { ++times; }
};

TEST(FormatController, ListenersFollowSettingChanges) {
  FormatSettingsScope scope(DayFirst());
  TkcFormatController fc;
  Listener a, b;
  TimeListener t;
  fc.FormatSettingsChanged();  // nobody listens: nothing is re-read
  fc.AddListener(&a);
  fc.AddListener(&a);
  EXPECT_EQ(fc.ListenerCount(), 1);
  EXPECT_TRUE(fc.IsWatching());
  fc.AddListener(&t);
  fc.AddListener(&b);
  a.onChange = [&] { fc.RemoveListener(&t); };  // a listener going away while they are told
  FormatSettings = German();
  fc.FormatSettingsChanged();
  EXPECT_EQ(fc.DateDisplayFormat(), "dd/mm/yyyy");
  EXPECT_EQ(fc.DateStandardMask(), "!99/99/9999;1; ");
  EXPECT_NE(fc.DateRegExprMask().find("\\."), String::npos);
  EXPECT_EQ(a.changes, 1);
  EXPECT_EQ(t.changes, 0);
  EXPECT_EQ(b.changes, 1);
  fc.AddListener(&t);
  fc.SystemTimeChanged();
  EXPECT_EQ(t.times, 1);
  fc.RemoveListener(&a);
  fc.RemoveListener(&b);
  fc.RemoveListener(&t);
  EXPECT_FALSE(fc.IsWatching());
}

TEST(FormatController, ListenerFailureGoesToTheApplicationHandler) {
  FormatSettingsScope scope(DayFirst());
  TkcFormatController fc;
  Listener failing, after;
  failing.onChange = [] { throw Exception("listener failed"); };
  fc.AddListener(&failing);
  fc.AddListener(&after);
  String handled;
  TExceptionHandler previous = SetExceptionHandler([&](std::exception_ptr e) {
    try {
      std::rethrow_exception(e);
    } catch (const std::exception& x) {
      handled = x.what();
    }
  });
  EXPECT_NO_THROW(fc.FormatSettingsChanged());
  SetExceptionHandler(previous);
  EXPECT_EQ(handled, "listener failed");
  EXPECT_EQ(failing.changes, 1);
  fc.RemoveListener(&failing);
  fc.RemoveListener(&after);
}

TEST(FormatController, ProcessController) {
  TkcFormatController* c = GetFormatController();
  ASSERT_NE(c, nullptr);
  EXPECT_EQ(GetFormatController(), c);
  EXPECT_FALSE(c->UseFormatSettings());
  EXPECT_EQ(c->FirstWeekRule(), 0);
}

}  // namespace

// "a/p" and "am/pm" are accepted in the case they are written and shown in.
TEST(FormatController, AmPmMarkersInTheirWrittenCase) {
  for (const char* time : {"hh:mm:ss a/p", "hh:mm:ss am/pm", "hh:mm:ss A/P", "AMPM h:mm:ss", "am/pm hh:mm:ss"}) {
    SCOPED_TRACE(time);
    TFormatSettings s = DayFirst();
    s.LongTimeFormat = time;
    FormatSettingsScope scope(s);
    TkcFormatController fc;
    TkcRegExpr mask;
    mask.Compile(fc.DateTimeRegExprMask());
    for (TDateTime stamp : {EncodeDateTime(2024, 3, 5, 21, 7, 3, 0), EncodeDateTime(2024, 3, 5, 9, 7, 3, 0)}) {
      const String text = FormatDateTime(fc.DateTimeDisplayFormat(), stamp);
      mask.Reset();
      EXPECT_EQ(mask.FilterText(text), text);
      EXPECT_TRUE(mask.IsFinal()) << text;
    }
  }
}

// Every locale of the platform's locale data: the date-time mask accepts the texts the editor
// shows, in the display format and in the locale's own formats.
TEST(FormatController, EveryLocaleAcceptsTheTextItShows) {
  const TDateTime stamps[] = {EncodeDateTime(2024, 3, 5, 9, 7, 3, 0), EncodeDateTime(1999, 12, 31, 23, 59, 59, 0),
                              EncodeDateTime(2024, 7, 15, 12, 30, 45, 0), EncodeDateTime(2001, 10, 1, 0, 5, 0, 0)};
  int checked = 0;
  std::vector<std::string> failures;
  for (const std::string& name : AvailableLocaleNames()) {
    FormatSettingsScope scope(GetLocaleFormatSettings(name));
    TkcFormatController fc;
    if (fc.DateTimeRegExprMask().empty()) continue;
    TkcRegExpr mask;
    try {
      mask.Compile(fc.DateTimeRegExprMask());
    } catch (const EkcRegExprError&) {
      failures.push_back(name + ": does not compile: " + fc.DateTimeRegExprMask());
      continue;
    }
    TkcRegExpr dateMask;
    dateMask.Compile(fc.DateRegExprMask());
    for (TDateTime stamp : stamps) {
      for (const String& text :
           {FormatDateTime(fc.DateDisplayFormat(), stamp), FormatDateTime(FormatSettings.ShortDateFormat, stamp)}) {
        dateMask.Reset();
        if (dateMask.FilterText(text) != text || !dateMask.IsFinal())
          failures.push_back(name + ": date \"" + text + "\"");
      }
      for (const String& text :
           {FormatDateTime(fc.DateTimeDisplayFormat(), stamp),
            FormatDateTime(FormatSettings.ShortDateFormat + " " + FormatSettings.LongTimeFormat, stamp)}) {
        mask.Reset();
        if (mask.FilterText(text) != text || !mask.IsFinal()) {
          failures.push_back(name + ": \"" + text + "\" by " + FormatSettings.ShortDateFormat + " | " +
                             FormatSettings.LongTimeFormat + " | " + fc.DateTimeDisplayFormat());
          break;
        }
      }
    }
    ++checked;
  }
  EXPECT_GT(checked, 500);
  String all;
  for (const auto& f : failures) all += f + "\n";
  EXPECT_TRUE(failures.empty()) << failures.size() << " locales:\n" << all;
}
