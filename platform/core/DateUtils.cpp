#include "platform/core/DateUtils.h"

#include <QDateTime>

#include <cctype>
#include <cmath>
#include <mutex>

#include "platform/core/SysUtils.h"

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kDayOffset = -25569;

// Days since 1970-01-01 from a proleptic Gregorian date, and back.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2));
}

// The day number and the milliseconds of the day, rounded to the millisecond so that the date
// and the time of one value always agree (23:59:59.9999 is the next day's 00:00).
void ToStamp(TDateTime value, std::int64_t& day, std::int64_t& ms) {
  double total = std::nearbyint(std::fabs(value) * static_cast<double>(kMsPerDay));
  std::int64_t t = total < 9e18 ? static_cast<std::int64_t>(total) : 0;
  day = t / kMsPerDay;
  ms = t % kMsPerDay;
  if (value < 0) day = -day;
}

TDateTime Combine(TDateTime date, TDateTime time) { return date < 0 ? date - time : date + time; }

std::mutex gNowMutex;
TNowProvider gNowProvider;

TDateTime RealNow() {
  QDateTime now = QDateTime::currentDateTime();
  QDate d = now.date();
  QTime t = now.time();
  return Combine(EncodeDate(d.year(), d.month(), d.day()), EncodeTime(t.hour(), t.minute(), t.second(), t.msec()));
}

std::string Pad(int value, int width) {
  std::string s = std::to_string(value);
  if (static_cast<int>(s.size()) < width) s.insert(0, static_cast<std::size_t>(width) - s.size(), '0');
  return s;
}

bool StartsWithNoCase(const std::string& s, std::size_t i, const char* word) {
  for (std::size_t k = 0; word[k]; ++k)
    if (i + k >= s.size() || std::tolower(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
  return true;
}

// Whether the format holds an AM/PM token (outside quotes), making h 12-hour: after the hour
// as in "h:nn AMPM", or before it as in "AMPM h:nn" (Korean, Tamil, Chinese of Hong Kong).
bool HasAmPm(const std::string& f) {
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") || StartsWithNoCase(f, i, "ampm")) {
      return true;
    }
  }
  return false;
}

std::size_t RunLength(const std::string& f, std::size_t i, char upper) {
  std::size_t n = 0;
  while (i + n < f.size() && std::toupper(static_cast<unsigned char>(f[i + n])) == upper) ++n;
  return n;
}

void FormatInto(std::string& out, const std::string& format, TDateTime value, const TFormatSettings& st, int depth) {
  if (depth > 2) return;  // a locale format that names itself must not recurse forever
  int year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  char lastToken = 0;
  const std::string& f = format;
  for (std::size_t i = 0; i < f.size();) {
    char c = f[i];
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u == 'M' && lastToken == 'H') u = 'N';
    switch (u) {
      case '"':
      case '\'': {
        std::size_t j = f.find(c, i + 1);
        if (j == std::string::npos) j = f.size();
        out.append(f, i + 1, j - i - 1);
        i = j + 1;
        continue;
      }
      case '/':
        out += st.DateSeparator;
        ++i;
        continue;
      case ':':
        out += st.TimeSeparator;
        ++i;
        continue;
      case 'C': {
        FormatInto(out, st.ShortDateFormat, value, st, depth + 1);
        if (hour != 0 || minute != 0 || second != 0 || msec != 0) {
          out += ' ';
          FormatInto(out, st.LongTimeFormat, value, st, depth + 1);
        }
        ++i;
        break;
      }
      case 'D': {
        std::size_t n = RunLength(f, i, 'D');
        if (n == 1)
          out += std::to_string(day);
        else if (n == 2)
          out += Pad(day, 2);
        else if (n == 3)
          out += st.ShortDayNames[static_cast<std::size_t>(DayOfWeek(value) - 1)];
        else if (n == 4)
          out += st.LongDayNames[static_cast<std::size_t>(DayOfWeek(value) - 1)];
        else if (n == 5)
          FormatInto(out, st.ShortDateFormat, value, st, depth + 1);
        else
          FormatInto(out, st.LongDateFormat, value, st, depth + 1);
        i += std::min<std::size_t>(n, 6);
        break;
      }
      case 'M': {
        std::size_t n = RunLength(f, i, 'M');
        if (n == 1)
          out += std::to_string(month);
        else if (n == 2)
          out += Pad(month, 2);
        else if (n == 3)
          out += st.ShortMonthNames[static_cast<std::size_t>(month - 1)];
        else
          out += st.LongMonthNames[static_cast<std::size_t>(month - 1)];
        i += std::min<std::size_t>(n, 4);
        break;
      }
      case 'Y': {
        std::size_t n = RunLength(f, i, 'Y');
        out += n <= 2 ? Pad(year % 100, 2) : Pad(year, 4);
        i += n;
        break;
      }
      case 'H': {
        std::size_t n = RunLength(f, i, 'H');
        int h = hour;
        if (HasAmPm(f)) {
          h = hour % 12;
          if (h == 0) h = 12;
        }
        out += n == 1 ? std::to_string(h) : Pad(h, 2);
        i += std::min<std::size_t>(n, 2);
        break;
      }
      case 'N': {
        std::size_t n = RunLength(f, i, 'M') ? RunLength(f, i, 'M') : RunLength(f, i, 'N');
        n = std::min<std::size_t>(n, 2);
        out += n == 1 ? std::to_string(minute) : Pad(minute, 2);
        i += n;
        break;
      }
      case 'S': {
        std::size_t n = std::min<std::size_t>(RunLength(f, i, 'S'), 2);
        out += n == 1 ? std::to_string(second) : Pad(second, 2);
        i += n;
        break;
      }
      case 'Z': {
        std::size_t n = RunLength(f, i, 'Z');
        out += n < 3 ? std::to_string(msec) : Pad(msec, 3);
        i += std::min<std::size_t>(n, 3);
        break;
      }
      case 'T': {
        std::size_t n = std::min<std::size_t>(RunLength(f, i, 'T'), 2);
        FormatInto(out, n == 1 ? st.ShortTimeFormat : st.LongTimeFormat, value, st, depth + 1);
        i += n;
        break;
      }
      case 'A': {
        bool pm = hour >= 12;
        if (StartsWithNoCase(f, i, "am/pm")) {
          out.append(f, pm ? i + 3 : i, 2);
          i += 5;
        } else if (StartsWithNoCase(f, i, "a/p")) {
          out += f[pm ? i + 2 : i];
          i += 3;
        } else if (StartsWithNoCase(f, i, "ampm")) {
          out += pm ? st.TimePMString : st.TimeAMString;
          i += 4;
        } else {
          out += c;
          ++i;
        }
        break;
      }
      default:
        out += c;
        ++i;
        continue;
    }
    if (std::isalpha(static_cast<unsigned char>(u))) lastToken = u == 'N' ? 'N' : u;
  }
}

// ---- Parsing ------------------------------------------------------------------------------

struct Scanner {
  const std::string& s;
  std::size_t i = 0;
  void Blanks() {
    while (i < s.size() && s[i] == ' ') ++i;
  }
  bool Number(int& value, int& digits) {
    Blanks();
    value = 0;
    digits = 0;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i])) && digits < 9) {
      value = value * 10 + (s[i++] - '0');
      ++digits;
    }
    return digits > 0;
  }
  bool Char(char c) {
    Blanks();
    if (i < s.size() && s[i] == c) {
      ++i;
      return true;
    }
    return false;
  }
  bool Word(const std::string& w) {
    Blanks();
    if (w.empty() || s.size() - i < w.size()) return false;
    for (std::size_t k = 0; k < w.size(); ++k)
      if (std::tolower(static_cast<unsigned char>(s[i + k])) != std::tolower(static_cast<unsigned char>(w[k])))
        return false;
    i += w.size();
    return true;
  }
  bool AtEnd() {
    Blanks();
    return i >= s.size();
  }
};

// The field order of the short date format: 0 = M D Y, 1 = D M Y, 2 = Y M D.
int DateOrder(const std::string& fmt) {
  for (char c : fmt) {
    char u = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (u == 'E' || u == 'Y') return 2;
    if (u == 'M') return 0;
    if (u == 'D') return 1;
  }
  return 0;
}

bool ScanDate(Scanner& sc, TDateTime& result, const TFormatSettings& st) {
  int n1, n2, n3 = 0, d1, d2, d3 = 0;
  if (!sc.Number(n1, d1) || !sc.Char(st.DateSeparator) || !sc.Number(n2, d2)) return false;
  bool three = false;
  std::size_t save = sc.i;
  if (sc.Char(st.DateSeparator)) {
    if (!sc.Number(n3, d3)) return false;
    three = true;
  } else {
    sc.i = save;
  }
  int order = DateOrder(st.ShortDateFormat);
  int y, m, d, yDigits;
  int year, month, day;
  DecodeDate(Date(), year, month, day);
  if (!three) {
    y = year;
    yDigits = 4;
    if (order == 1)
      d = n1, m = n2;
    else
      m = n1, d = n2;
  } else if (order == 0) {
    m = n1, d = n2, y = n3, yDigits = d3;
  } else if (order == 1) {
    d = n1, m = n2, y = n3, yDigits = d3;
  } else {
    y = n1, m = n2, d = n3, yDigits = d1;
  }
  if (y <= 99 && yDigits <= 2) {
    int window = st.TwoDigitYearCenturyWindow;
    int century = year - window;
    y += century / 100 * 100;
    if (window > 0 && y < century) y += 100;
  }
  return TryEncodeDate(y, m, d, result);
}

bool ScanAmPm(Scanner& sc, int& ampm, const TFormatSettings& st) {
  if (sc.Word(st.TimeAMString) || sc.Word("AM") || sc.Word("A"))
    ampm = 0;
  else if (sc.Word(st.TimePMString) || sc.Word("PM") || sc.Word("P"))
    ampm = 1;
  else
    return false;
  return true;
}

bool ScanTime(Scanner& sc, TDateTime& result, const TFormatSettings& st) {
  int ampm = -1;
  ScanAmPm(sc, ampm, st);
  int h, n = 0, s = 0, z = 0, dig;
  if (!sc.Number(h, dig)) return false;
  if (sc.Char(st.TimeSeparator)) {
    if (!sc.Number(n, dig)) return false;
    if (sc.Char(st.TimeSeparator)) {
      if (!sc.Number(s, dig)) return false;
      if (sc.Char(st.DecimalSeparator) || sc.Char('.')) {
        if (!sc.Number(z, dig)) return false;
        while (dig < 3) z *= 10, ++dig;  // ".5" is 500 ms
        while (dig > 3) z /= 10, --dig;
      }
    }
  } else if (ampm < 0) {
    // a bare number is a time only with a designator ("5 PM")
    std::size_t save = sc.i;
    int probe = -1;
    if (!ScanAmPm(sc, probe, st)) return false;
    sc.i = save;
  }
  if (ampm < 0) ScanAmPm(sc, ampm, st);
  if (ampm >= 0) {
    if (h < 1 || h > 12) return false;
    h = h % 12 + (ampm == 1 ? 12 : 0);
  }
  return TryEncodeTime(h, n, s, z, result);
}

}  // namespace

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInAMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

int DaysInMonth(TDateTime value) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  return DaysInAMonth(y, m);
}

int DaysInYear(int year) { return IsLeapYear(year) ? 366 : 365; }

bool TryEncodeDate(int year, int month, int day, TDateTime& result) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month)) return false;
  result =
      static_cast<double>(DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - kDayOffset);
  return true;
}

TDateTime EncodeDate(int year, int month, int day) {
  TDateTime r = 0;
  if (!TryEncodeDate(year, month, day, r)) throw EConvertError("Invalid argument to date encode");
  return r;
}

bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || msec < 0 || msec > 999)
    return false;
  result = static_cast<double>(((hour * 60 + minute) * 60 + second) * 1000 + msec) / static_cast<double>(kMsPerDay);
  return true;
}

TDateTime EncodeTime(int hour, int minute, int second, int msec) {
  TDateTime r = 0;
  if (!TryEncodeTime(hour, minute, second, msec, r)) throw EConvertError("Invalid argument to time encode");
  return r;
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec, TDateTime& result) {
  TDateTime d = 0, t = 0;
  if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, minute, second, msec, t)) return false;
  result = Combine(d, t);
  return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec) {
  return Combine(EncodeDate(year, month, day), EncodeTime(hour, minute, second, msec));
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  std::int64_t d, ms;
  ToStamp(value, d, ms);
  CivilFromDays(d + kDayOffset, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec) {
  std::int64_t d, ms;
  ToStamp(value, d, ms);
  msec = static_cast<int>(ms % 1000);
  second = static_cast<int>(ms / 1000 % 60);
  minute = static_cast<int>(ms / 60000 % 60);
  hour = static_cast<int>(ms / 3600000);
}

void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& msec) {
  DecodeDate(value, year, month, day);
  DecodeTime(value, hour, minute, second, msec);
}

int DayOfWeek(TDateTime value) {
  std::int64_t d, ms;
  ToStamp(value, d, ms);
  return static_cast<int>(((d + 6) % 7 + 7) % 7) + 1;
}

int DayOfTheWeek(TDateTime value) { return (DayOfWeek(value) + 5) % 7 + 1; }

TDateTime DateOf(TDateTime value) {
  std::int64_t d, ms;
  ToStamp(value, d, ms);
  return static_cast<double>(d);
}

TDateTime TimeOf(TDateTime value) {
  std::int64_t d, ms;
  ToStamp(value, d, ms);
  return static_cast<double>(ms) / static_cast<double>(kMsPerDay);
}

TDateTime IncMonth(TDateTime value, int months) {
  int y, m, d;
  DecodeDate(value, y, m, d);
  int total = y * 12 + (m - 1) + months;
  y = total / 12;
  m = total % 12 + 1;
  d = std::min(d, DaysInAMonth(y, m));
  return Combine(EncodeDate(y, m, d), TimeOf(value));
}

TDateTime IncDay(TDateTime value, int days) { return Combine(DateOf(value) + days, TimeOf(value)); }

void SetNowProvider(TNowProvider provider) {
  std::lock_guard<std::mutex> lock(gNowMutex);
  gNowProvider = std::move(provider);
}

TDateTime Now() {
  TNowProvider provider;
  {
    std::lock_guard<std::mutex> lock(gNowMutex);
    provider = gNowProvider;
  }
  return provider ? provider() : RealNow();
}

TDateTime Date() { return DateOf(Now()); }
TDateTime Time() { return TimeOf(Now()); }

std::string FormatDateTime(const std::string& format, TDateTime value) {
  return FormatDateTime(format, value, FormatSettings);
}

std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& st) {
  std::string out;
  FormatInto(out, format.empty() ? std::string("c") : format, value, st, 0);
  return out;
}

std::string DateToStr(TDateTime value) { return DateToStr(value, FormatSettings); }
std::string TimeToStr(TDateTime value) { return TimeToStr(value, FormatSettings); }
std::string DateTimeToStr(TDateTime value) { return DateTimeToStr(value, FormatSettings); }
std::string DateToStr(TDateTime value, const TFormatSettings& st) { return FormatDateTime("ddddd", value, st); }
std::string TimeToStr(TDateTime value, const TFormatSettings& st) { return FormatDateTime("tt", value, st); }
std::string DateTimeToStr(TDateTime value, const TFormatSettings& st) { return FormatDateTime("c", value, st); }

bool TryStrToDate(const std::string& text, TDateTime& result, const TFormatSettings& st) {
  Scanner sc{text};
  TDateTime d = 0;
  if (!ScanDate(sc, d, st) || !sc.AtEnd()) return false;
  result = d;
  return true;
}

bool TryStrToTime(const std::string& text, TDateTime& result, const TFormatSettings& st) {
  Scanner sc{text};
  TDateTime t = 0;
  if (!ScanTime(sc, t, st) || !sc.AtEnd()) return false;
  result = t;
  return true;
}

bool TryStrToDateTime(const std::string& text, TDateTime& result, const TFormatSettings& st) {
  Scanner sc{text};
  TDateTime d = 0, t = 0;
  if (ScanDate(sc, d, st)) {
    if (sc.AtEnd()) {
      result = d;
      return true;
    }
    if (ScanTime(sc, t, st) && sc.AtEnd()) {
      result = Combine(d, t);
      return true;
    }
    return false;
  }
  return TryStrToTime(text, result, st);
}

bool TryStrToDate(const std::string& text, TDateTime& result) { return TryStrToDate(text, result, FormatSettings); }
bool TryStrToTime(const std::string& text, TDateTime& result) { return TryStrToTime(text, result, FormatSettings); }
bool TryStrToDateTime(const std::string& text, TDateTime& result) {
  return TryStrToDateTime(text, result, FormatSettings);
}

TDateTime StrToDate(const std::string& text) {
  TDateTime r = 0;
  if (!TryStrToDate(text, r)) throw EConvertError("'" + text + "' is not a valid date");
  return r;
}

TDateTime StrToTime(const std::string& text) {
  TDateTime r = 0;
  if (!TryStrToTime(text, r)) throw EConvertError("'" + text + "' is not a valid time");
  return r;
}

TDateTime StrToDateTime(const std::string& text) {
  TDateTime r = 0;
  if (!TryStrToDateTime(text, r)) throw EConvertError("'" + text + "' is not a valid date and time");
  return r;
}

TDateTime StrToDateDef(const std::string& text, TDateTime defaultValue) {
  TDateTime r = 0;
  return TryStrToDate(text, r) ? r : defaultValue;
}

TDateTime StrToDateTimeDef(const std::string& text, TDateTime defaultValue) {
  TDateTime r = 0;
  return TryStrToDateTime(text, r) ? r : defaultValue;
}
