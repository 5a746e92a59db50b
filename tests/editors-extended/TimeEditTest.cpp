// The time edit's properties: stepping by the part at the caret, typing rules for digits and the
// designator, texts to times, display texts, and masks that accept the editor's own texts in
// every locale.

#include <gtest/gtest.h>

#include <cmath>

#include "editors-extended/kcTimeEdit.h"
#include "editors/kcStandardMask.h"
#include "platform/core/DateUtils.h"
#include "platform/core/Utf8.h"

namespace {

struct TimeFixture {
  FormatSettingsScope settings{DefaultFormatSettings()};
  TkcTimeEditProperties p{nullptr};
  TimeFixture() {
    FormatSettings.TimeSeparator = ':';
    p.FormatChanged();
  }
  ~TimeFixture() { RebuildTimeEditMasks(); }
};

}  // namespace

TEST(KcTimeEdit, SpinsThePartAtTheCaret) {
  TimeFixture f;
  struct Row {
    bool use24, circular;
    const char* text;
    int caret, dir;
    bool stepped;
    const char* result;
    int selStart, selLength;
  } rows[] = {
      {true, false, "23:59:59", 7, 1, false, "", 0, 0},
      {true, true, "23:59:59", 7, 1, true, "00:00:00", 7, 1},
      {true, false, "10:15:00", 3, 3, true, "10:25:00", 4, 1},
      {true, false, "10:15:00", 0, 3, true, "11:15:00", 1, 1},
      {true, false, "10:15:00", 6, 2, true, "10:14:50", 7, 1},
      {true, true, "00:00:00", 0, 0, true, "23:00:00", 1, 1},
      {true, true, "23:30:00", 1, 1, true, "00:30:00", 1, 1},
      {true, false, "23:30:00", 1, 1, false, "", 0, 0},
      {false, false, "09:00:00 AM", 9, 1, true, "09:00:00 PM", 9, 2},
      {false, false, "09:00:00 AM", 9, 0, true, "09:00:00 PM", 9, 2},
      {false, false, "09:00:00 PM", 10, 1, true, "09:00:00 AM", 9, 2},
  };
  for (const Row& r : rows) {
    f.p.SetUse24HourFormat(r.use24);
    f.p.Circular = r.circular;
    String text;
    int selStart = -1, selLength = -1;
    bool stepped = f.p.Spin(r.text, r.caret, r.dir, text, selStart, selLength);
    SCOPED_TRACE(::testing::Message() << r.text << " caret " << r.caret << " dir " << r.dir);
    EXPECT_EQ(stepped, r.stepped);
    if (!stepped) continue;
    EXPECT_EQ(text, r.result);
    EXPECT_EQ(selStart, r.selStart);
    EXPECT_EQ(selLength, r.selLength);
  }
}

TEST(KcTimeEdit, TypingDigitsAndDesignators) {
  TimeFixture f;
  struct Row {
    bool use24;
    const char* text;
    int pos;
    char32_t ch;
    TkcTimeCharResult result;
    const char* after;
    int caret;
    char32_t typed;
  } rows[] = {
      {true, "09:00:00", 0, U'3', tcrAccept, "09:00:00", 1, U'3'},    // 39: '3' goes to the second place
      {true, "09:00:00", 0, U'2', tcrConsumed, "20:00:00", 1, U'2'},  // 29: becomes 20
      {true, "20:00:00", 1, U'5', tcrAccept, "00:00:00", 1, U'5'},    // 25: the first digit becomes 0
      {true, "12:00:00", 0, U'0', tcrAccept, "12:00:00", 0, U'0'},    // 02 is a time
      {true, "12:00:00", 1, U'7', tcrAccept, "12:00:00", 1, U'7'},
      {true, "10:00:00", 3, U'7', tcrAccept, "10:00:00", 4, U'7'},  // 70 minutes: 07
      {true, "12:50:00", 4, U'0', tcrAccept, "12:50:00", 4, U'0'},
      {true, "12:00:00", 1, U'a', tcrReject, "12:00:00", 1, U'a'},
      {false, "12:00:00 AM", 0, U'2', tcrAccept, "02:00:00 AM", 1, U'2'},  // 12-hour: 22 is no hour
      {false, "12:00:00 AM", 0, U'1', tcrAccept, "12:00:00 AM", 0, U'1'},
      {false, "09:00:00 AM", 9, U'p', tcrConsumed, "09:00:00 PM", 11, U'p'},
      {false, "09:00:00 PM", 9, U'a', tcrConsumed, "09:00:00 AM", 11, U'a'},
      {false, "09:00:00 PM", 10, U'm', tcrAccept, "09:00:00 PM", 10, U'M'},
      {false, "09:00:00 PM", 9, U'x', tcrReject, "09:00:00 PM", 9, U'x'},
  };
  for (const Row& r : rows) {
    f.p.SetUse24HourFormat(r.use24);
    String text = r.text;
    char32_t ch = r.ch;
    int caret = -1;
    TkcTimeCharResult result = f.p.CharForPos(text, r.pos, ch, caret);
    SCOPED_TRACE(::testing::Message() << r.text << " pos " << r.pos << " char " << char(r.ch));
    EXPECT_EQ(result, r.result);
    if (result == tcrReject) continue;
    EXPECT_EQ(text, r.after);
    EXPECT_EQ(caret, r.caret);
    if (result == tcrAccept) {
      EXPECT_EQ(ch, r.typed);
    }
  }
}

TEST(KcTimeEdit, TextsToTimesAndDisplayTexts) {
  TimeFixture f;
  f.p.SetTimeFormat(tfHour);
  EXPECT_DOUBLE_EQ(f.p.TextToTime("14", 0).AsDouble(), 14.0 / 24);
  f.p.SetTimeFormat(tfHourMinSec);
  // The date part is kept; a negative date takes the time away.
  EXPECT_DOUBLE_EQ(f.p.TextToTime("06:00:00", 100).AsDouble(), 100.25);
  EXPECT_DOUBLE_EQ(f.p.TextToTime("06:00:00", -100).AsDouble(), -100.25);
  EXPECT_EQ(f.p.TextToTime("00:00:00", 0).VarType(), varDouble);
  EXPECT_EQ(f.p.TextToTime("00:00:01", 0).VarType(), varDate);
  f.p.SetUse24HourFormat(false);
  EXPECT_DOUBLE_EQ(f.p.TextToTime("02:30:00 PM", 0).AsDouble(), 14.5 / 24);
  EXPECT_EQ(f.p.SecondsOfText("12:00:01 AM"), 1);
  EXPECT_EQ(f.p.SecondsOfText("12:00:01 PM"), 43201);
  f.p.SetUse24HourFormat(true);

  Variant display;
  f.p.EditValueToDisplayValue(Null(), display, false);
  EXPECT_EQ(display.AsString(), "");
  f.p.EditValueToDisplayValue(Null(), display, true);
  EXPECT_EQ(display.AsString(), "00:00:00");
  TDateTime dt = EncodeDate(2024, 3, 5) + 0.75;
  f.p.EditValueToDisplayValue(Variant(dt), display, false);
  EXPECT_EQ(display.AsString(), "18:00:00");
  f.p.SetShowDate(true);
  f.p.EditValueToDisplayValue(Variant(dt), display, false);
  EXPECT_EQ(display.AsString(), DateTimeToStr(dt));
  f.p.EditValueToDisplayValue(Variant(dt), display, true);
  EXPECT_EQ(display.AsString(), "18:00:00");
  // A stored text that is no time is shown as it is, not as some other time.
  f.p.EditValueToDisplayValue(Variant(String("soon")), display, false);
  EXPECT_EQ(display.AsString(), "soon");
  Variant v = String("12:30");
  EXPECT_TRUE(f.p.IsEditValueValid(v, false));
  v = String("25:99");
  EXPECT_FALSE(f.p.IsEditValueValid(v, false));
  String message;
  bool error = true;
  display = String("x");
  f.p.ValidateDisplayValue(display, message, error, nullptr);
  EXPECT_EQ(message, "Could not convert to time");
}

TEST(KcTimeEdit, TwelveHourMasksFollowTheDesignators) {
  TimeFixture f;
  EXPECT_EQ(GetTimeEditFormat(tfHourMinSec, false).EditMask, "00:00:00 cc;1;0");
  EXPECT_EQ(GetTimeEditFormat(tfHourMin, false).EditMask, "00:00 cc;1;0");
  EXPECT_EQ(GetTimeEditFormat(tfHour, false).EditMask, "00 cc;1;0");
  EXPECT_EQ(GetTimeEditFormat(tfHourMinSec, true).EditMask, "00:00:00;1;0");
  FormatSettings.TimeAMString = "vorm.";
  FormatSettings.TimePMString = "nachm.";
  f.p.FormatChanged();
  EXPECT_EQ(GetTimeEditFormat(tfHourMin, false).EditMask, "00:00 cccccc;1;0");
  EXPECT_EQ(f.p.EditMask(), "00:00:00;1;0");
  f.p.SetUse24HourFormat(false);
  EXPECT_EQ(f.p.EditMask(), "00:00:00 cccccc;1;0");
  // Without locale designators the 12-hour mode uses AM and PM: every time would read as PM.
  FormatSettings.TimeAMString = "";
  FormatSettings.TimePMString = "";
  f.p.FormatChanged();
  EXPECT_EQ(f.p.EditMask(), "00:00:00 cc;1;0");
  EXPECT_EQ(f.p.FormatTime(0.25), "06:00:00 AM");
  EXPECT_EQ(f.p.SecondsOfText("06:00:00 AM"), 6 * 3600);
  EXPECT_DOUBLE_EQ(f.p.TextToTime("06:00:00 AM", 0).AsDouble(), 0.25);
}

TEST(KcTimeEdit, MasksAcceptTheEditorsTextsInEveryLocale) {
  FormatSettingsScope scope{DefaultFormatSettings()};
  TkcTimeEditProperties p(nullptr);
  const double times[] = {0, 0.25 + 7.0 / 86400, 0.5, 0.75 + 59.0 / 1440, 86399.0 / 86400};
  int checked = 0;
  for (const std::string& name : AvailableLocaleNames()) {
    FormatSettings = GetLocaleFormatSettings(name);
    p.FormatChanged();
    for (bool use24 : {true, false})
      for (TkcTimeEditTimeFormat tf : {tfHourMinSec, tfHourMin, tfHour}) {
        p.SetUse24HourFormat(use24);
        p.SetTimeFormat(tf);
        TkcStandardMask mask;
        mask.SetMask(p.EditMask());
        for (double t : times) {
          String text = p.FormatTime(t);
          // The mask edit shows a shorter designator with blanks behind it.
          String fitted = text + String(size_t(std::max(0, mask.Count() - int(Utf8Length(text)))), ' ');
          ASSERT_TRUE(mask.IsFullyValid(fitted)) << name << " mask " << p.EditMask() << " text '" << text << "'";
          // The text reads back as the time it shows.
          int seconds = static_cast<int>(std::lround(t * 86400));
          int shown = tf == tfHourMinSec ? seconds : tf == tfHourMin ? seconds / 60 * 60 : seconds / 3600 * 3600;
          ASSERT_EQ(p.SecondsOfText(text), shown) << name << " '" << text << "'";
          ASSERT_NEAR(p.TextToTime(text, 0).AsDouble() * 86400, shown, 0.5) << name << " '" << text << "'";
          ++checked;
        }
      }
  }
  EXPECT_GT(checked, 1000);
  RebuildTimeEditMasks();
}
