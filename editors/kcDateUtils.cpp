#include "editors/kcDateUtils.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <vector>

#include "controls/kcLocalize.h"
#include "editors/kcEditChars.h"
#include "editors/kcFormats.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Variants.h"

namespace {

enum : int {
  swToday = 0,
  swYesterday = 1,
  swTomorrow = 2,
  swSunday = 3,
  swSaturday = 9,
  swFirst = 10,
  swSeventh = 16,
  swBom = 17,
  swEom = 18,
  swNow = 19,
  swCount = 20
};

const char* const kSmartWords[swCount] = {
    "today", "yesterday", "tomorrow", "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday",
    "first", "second",    "third",    "fourth", "fifth",  "sixth",   "seventh",   "bom",      "eom",    "now"};

int Mod7(int v) { return ((v % 7) + 7) % 7; }

int YearOf(TDateTime d) { return GetDatePart(dpYear, d); }
int MonthOf(TDateTime d) { return GetDatePart(dpMonth, d); }

kcChars UpperChars(const String& s) {
  kcChars c = kcToChars(s);
  for (auto& ch : c) ch = kcUpperChar(ch);
  return c;
}

// The words as translated now, with their indexes, longest first, words of equal length in
// descending alphabetical order. Taken afresh on each use: a translation may change meanwhile.
std::vector<std::pair<int, String>> SortedWords() {
  std::vector<std::pair<int, String>> words;
  for (int i = 0; i < swCount; ++i) words.emplace_back(i, SmartDateWord(i));
  std::stable_sort(words.begin(), words.end(), [](const auto& a, const auto& b) {
    size_t la = kcToChars(a.second).size(), lb = kcToChars(b.second).size();
    if (la != lb) return la > lb;
    return AnsiCompareText(a.second, b.second) > 0;
  });
  return words;
}

// The smart word at the start of Text (trimmed), with its length in characters.
int FindSmartWord(const kcChars& UpperText, size_t& Length) {
  for (const auto& [i, word] : SortedWords()) {
    kcChars w = UpperChars(word);
    if (w.empty()) continue;
    if (w.size() <= UpperText.size() && std::equal(w.begin(), w.end(), UpperText.begin())) {
      Length = w.size();
      return i;
    }
  }
  return -1;
}

bool SmartTextToDate(const String& Text, TDateTime& Date) {
  kcChars text = kcToChars(Text);
  size_t len = 0;
  int word = FindSmartWord(UpperChars(Text), len);
  if (word < 0) return false;
  const TDateTime today = ::Date();
  int y = YearOf(today), m = MonthOf(today);
  if (word == swToday) {
    Date = today;
  } else if (word == swYesterday) {
    Date = today - 1;
  } else if (word == swTomorrow) {
    Date = today + 1;
  } else if (word >= swSunday && word <= swSaturday) {
    int b = (word - 2) - DayOfWeek(today);
    Date = today + (b >= 0 ? b : 7 + b);
  } else if (word >= swFirst && word <= swSeventh) {
    Date = today - (GetDayOfWeekIndex(today) - (word - swFirst));
  } else if (word == swBom) {
    Date = EncodeDate(y, m, 1);
  } else if (word == swEom) {
    Date = EncodeDate(y, m, MonthDayCount(y, m));
  } else {
    Date = Now();
  }
  String rest = Trim(kcFromChars(text.substr(len)));
  if (rest.size() >= 2 && (rest[0] == '+' || rest[0] == '-')) {
    int n;
    if (TryStrToInt(Trim(rest.substr(1)), n)) Date += rest[0] == '+' ? n : -double(n);
  }
  return true;
}

// The editors' range: after 1 January 100, year 9999 at most.
bool InRange(TDateTime d) {
  if (!(d > double(INT_MIN) && d < double(INT_MAX))) return false;
  if (d < GetMinDate()) return false;
  int y, m, day;
  DecodeDate(d, y, m, day);
  return day != 0 && y <= kcMaxYear;
}

// Replaces every occurrence of Pattern (case-insensitive) in Upper by blanks in Target.
void BlankOut(const kcChars& Upper, kcChars& Target, const String& Pattern) {
  kcChars p = UpperChars(Pattern);
  if (p.empty()) return;
  for (size_t i = Upper.find(p); i != kcChars::npos; i = Upper.find(p, i + p.size()))
    std::fill(Target.begin() + long(i), Target.begin() + long(i + p.size()), U' ');
}

// Month names of the short date format become month numbers, so that the digits-only text the
// converter sees keeps its month. A name standing where the format has no month makes the text
// fail: read by the format's order, the fields would give another date.
void ReplaceMonthNames(kcChars& Text) {
  bool hasNames = false;
  int monthField = -1, fields = 0;
  TkcDateTimeFormatInfo info;
  TkcFormatController::ParseFormat(FormatSettings.ShortDateFormat, info);
  for (const auto& item : info.Items) {
    if (item.Kind == dtikMonth) {
      hasNames = item.Data.size() > 2;
      monthField = fields++;
    } else if (item.Kind == dtikYear || (item.Kind == dtikDay && item.Data.size() <= 2)) {
      ++fields;
    }
  }
  if (!hasNames) return;
  auto fieldAt = [&](size_t At) {  // the number of digit runs before At
    int runs = 0;
    for (size_t i = 0; i < At; ++i)
      if (Text[i] >= U'0' && Text[i] <= U'9' && (i == 0 || Text[i - 1] < U'0' || Text[i - 1] > U'9')) ++runs;
    return runs;
  };
  for (const auto* names : {&FormatSettings.LongMonthNames, &FormatSettings.ShortMonthNames}) {
    for (size_t m = 0; m < names->size(); ++m) {
      kcChars name = UpperChars((*names)[m]);
      if (name.empty()) continue;
      kcChars upper = Text;
      for (auto& ch : upper) ch = kcUpperChar(ch);
      size_t at = upper.find(name);
      if (at == kcChars::npos) continue;
      if (fieldAt(at) != monthField) throw EConvertError("'" + kcFromChars(Text) + "' is not a valid date");
      Text.replace(at, name.size(), kcToChars(std::to_string(m + 1)));
      return;
    }
  }
}

String Normalise(const String& Text, bool LocaleMode) {
  kcChars text = kcToChars(Text);
  ReplaceMonthNames(text);
  kcChars upper = text;
  for (auto& ch : upper) ch = kcUpperChar(ch);
  const TFormatSettings& s = FormatSettings;
  const String dateSep(1, s.DateSeparator), timeSep(1, s.TimeSeparator);
  const String am = s.TimeAMString.empty() ? String("am") : s.TimeAMString;
  const String pm = s.TimePMString.empty() ? String("pm") : s.TimePMString;
  kcChars w = text;
  for (const String* p : {&dateSep, &timeSep, &am, &pm}) BlankOut(upper, w, *p);
  kcChars r = text;
  if (LocaleMode) BlankOut(upper, r, dateSep);
  for (size_t i = 0; i < r.size(); ++i)
    if (w[i] != U' ' && !(w[i] >= U'0' && w[i] <= U'9')) r[i] = U' ';
  kcChars out;
  for (char32_t c : r) {
    if (c == U' ' && (out.empty() || out.back() == U' ')) continue;
    out.push_back(c);
  }
  while (!out.empty() && out.back() == U' ') out.pop_back();
  return kcFromChars(out);
}

// The locale conversion of a normalised text: its leading numbers are the date fields.
TDateTime LocaleTextToDateTime(const String& Normalised) {
  std::vector<String> parts;
  for (size_t i = 0; i < Normalised.size();) {
    size_t j = Normalised.find(' ', i);
    if (j == String::npos) j = Normalised.size();
    parts.push_back(Normalised.substr(i, j - i));
    i = j + 1;
  }
  // A blank date separator could not tell the date's fields from the time after them: the
  // fields are then joined by "/" and read with that separator.
  const bool blank = FormatSettings.DateSeparator == ' ';
  const char separator = blank ? '/' : FormatSettings.DateSeparator;
  String text;
  size_t k = 0;
  for (; k < parts.size() && k < 3; ++k) {
    if (parts[k].find_first_not_of("0123456789") != String::npos) break;
    text += (k ? String(1, separator) : String()) + parts[k];
  }
  for (; k < parts.size(); ++k) text += (text.empty() ? "" : " ") + parts[k];
  if (!blank) return Variant(text).AsDateTime();
  TFormatSettings settings = FormatSettings;
  settings.DateSeparator = separator;
  TDateTime d;
  if (!TryStrToDateTime(text, d, settings)) throw EConvertError("'" + text + "' is not a valid date");
  return d;
}

TDateTime ConvertText(const String& Text, bool LocaleMode) {
  String n = Normalise(Text, LocaleMode);
  return LocaleMode || FormatSettings.DateSeparator == ' ' ? LocaleTextToDateTime(n) : StrToDateTime(n);
}

}  // namespace

void PrevMonth(uint16_t& Year, uint16_t& Month) { ShiftMonth(Year, Month, -1); }
void NextMonth(uint16_t& Year, uint16_t& Month) { ShiftMonth(Year, Month, 1); }

int ShiftMonth(uint16_t& Year, uint16_t& Month, int Delta) {
  int y = Year + Delta / 12;
  int m = Month + Delta % 12;
  if (m < 1) {
    m += 12;
    --y;
  } else if (m > 12) {
    m -= 12;
    ++y;
  }
  Year = uint16_t(y);
  Month = uint16_t(m);
  return Delta / 12;
}

uint16_t GetDatePart(int Part, TDateTime Date) {
  int y, m, d;
  DecodeDate(Date, y, m, d);
  return uint16_t(Part == dpYear ? y : Part == dpMonth ? m : d);
}

int ClampDay(int Year, int Month, int Day) { return std::max(1, std::min(Day, MonthDayCount(Year, Month))); }

int GetDayOfWeekIndex(TDateTime Date) { return Mod7(DayOfWeek(Date) - 1 - GetFormatController()->WeekStart()); }

int GetWeekOfYear(int FirstDay, int FirstWeekRule, TDateTime Date) {
  if (FirstWeekRule == 0) FirstWeekRule = FormatSettings.FirstWeekOfYear + 1;
  auto weekStartBefore = [&](TDateTime d) { return std::trunc(d) - Mod7(DayOfWeek(d) - 1 - FirstDay); };
  const int year = YearOf(Date);
  const TDateTime jan1 = EncodeDate(year, 1, 1);
  TDateTime w1 = weekStartBefore(jan1);
  if (FirstWeekRule == 2 && w1 < jan1) w1 += 7;
  if (FirstWeekRule == 3 && w1 + 3 < jan1) w1 += 7;
  const TDateTime day = std::trunc(Date);
  // days before the first week belong to the last week of the year before
  if (day < w1) return GetWeekOfYear(FirstDay, FirstWeekRule, jan1 - 1);
  int week = int(day - w1) / 7 + 1;
  if (MonthOf(Date) == 12) {
    TDateTime s = weekStartBefore(Date);
    if (FirstWeekRule == 1 && MonthOf(s + 6) == 1) return 1;
    if (FirstWeekRule == 3 && MonthOf(s + 3) == 1) return 1;
  }
  return week;
}

int SmartDateWordCount() { return swCount; }

String SmartDateWord(int Index) { return Index >= 0 && Index < swCount ? LocalizeText(kSmartWords[Index]) : String(); }

bool TryTextToDate(const String& Text, TDateTime& Date) {
  try {
    String text = Trim(Text);
    TDateTime d = NullDate;
    bool ok = !text.empty();
    if (ok && !SmartTextToDate(text, d)) d = ConvertText(text, !GetFormatController()->UseFormatSettings());
    if (ok && InRange(d)) {
      Date = d;
      return true;
    }
  } catch (...) {}
  Date = NullDate;
  return false;
}

bool TryStrToDateTimeEx(const String& Text, bool UseVariant, TDateTime& Date) {
  Date = NullDate;
  try {
    Date = ConvertText(Text, UseVariant);
    return true;
  } catch (...) {
    Date = NullDate;
    return false;
  }
}

void DateTimeToLocaleText(bool FourDigitYear, String& Text, TDateTime Date) {
  Text.clear();
  if (Date == NullDate) return;
  const bool useSettings = GetFormatController()->UseFormatSettings();
  const bool hasTime = DateTimeFraction(Date) != 0;
  String format = FormatSettings.ShortDateFormat;
  if (useSettings && hasTime) format += " " + FormatSettings.LongTimeFormat;
  if (FourDigitYear) {
    const String lower = LowerCase(format);
    size_t at = lower.find("yy");
    if (lower.find("yyy") == String::npos && at != String::npos) format.insert(at + 2, String(2, format[at]));
  }
  try {
    Text = FormatDateTime(format, Date);
    if (!useSettings && hasTime) Text += " " + FormatDateTime(FormatSettings.LongTimeFormat, Date);
  } catch (...) {
    try {
      Text = VarToStr(Variant(Date));
    } catch (...) {
      Text.clear();
    }
  }
}

void DateTimeToTextEx(bool UseDisplayFormat, bool WithTime, bool FourDigitYear, String& Text, TDateTime Date) {
  Text.clear();
  if (Date == NullDate) return;
  if (!UseDisplayFormat) return DateTimeToLocaleText(FourDigitYear, Text, Date);
  const TkcFormatController* c = GetFormatController();
  Text = WithTime ? FormatDateTime(c->DateTimeDisplayFormat(), Date)
                  : FormatDateTime(c->DateDisplayFormat(), DateTimeWholeDays(Date));
}

TDateTime GetMinDate() { return EncodeDate(100, 1, 1); }

bool IsValidDateValue(const Variant& Value) {
  if (VarType(Value) != varDate && VarType(Value) != varSQLTimeStamp && !VarIsNumeric(Value)) return false;
  try {
    return VarToDateTime(Value) != NullDate;
  } catch (...) {
    return false;
  }
}

void AddSmartDateWordsToMask(String& Mask, bool ForDateTime) {
  String words;
  for (int i = 0; i < swCount; ++i) {
    if (i == swNow && !ForDateTime) continue;
    String quoted;
    bool open = false;
    for (char c : SmartDateWord(i)) {
      if (c == '\'') {
        if (open) quoted += '\'';
        open = false;
        quoted += "\\'";
        continue;
      }
      if (!open) quoted += '\'';
      open = true;
      quoted += c;
    }
    if (open) quoted += '\'';
    words += (words.empty() ? "" : "|") + quoted;
  }
  Mask = "(" + Mask + ")|(" + words + ")((\\+|-)\\d(\\d(\\d\\d?)?)?)?";
}
