#pragma once
// The process-wide regional settings that every number, currency and date text conversion uses.
// The start-up default is a fixed English-like set so that results never depend on the machine;
// the program calls ApplyLocaleFormatSettings() once at start-up to take the user's locale.

#include <array>
#include <string>
#include <vector>

struct TFormatSettings {
  char DecimalSeparator = '.';
  char ThousandSeparator = ',';
  char DateSeparator = '/';
  char TimeSeparator = ':';
  char ListSeparator = ',';
  std::string ShortDateFormat = "M/d/yyyy";
  std::string LongDateFormat = "dddd, MMMM d, yyyy";
  std::string ShortTimeFormat = "h:mm AMPM";
  std::string LongTimeFormat = "h:mm:ss AMPM";
  std::string TimeAMString = "AM";
  std::string TimePMString = "PM";
  std::string CurrencyString = "$";
  int CurrencyFormat = 0;  // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
  int NegCurrFormat = 0;   // 0..15, the framework's negative currency patterns; 0 "($1)"
  int CurrencyDecimals = 2;
  int FirstDayOfWeek = 6;   // 0 = Monday .. 6 = Sunday
  int FirstWeekOfYear = 0;  // 0 = the week holding 1 January
  std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                              "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::array<std::string, 12> LongMonthNames{"January", "February", "March",     "April",   "May",      "June",
                                             "July",    "August",   "September", "October", "November", "December"};
  // Index 0 is Sunday, as DayOfWeek() - 1.
  std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  std::array<std::string, 7> LongDayNames{"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  // A two-digit year is placed in the 100 years starting this many years before the current
  // year (50 in 2024: 74..99 are 19xx, 00..73 are 20xx); 0 takes the current century.
  int TwoDigitYearCenturyWindow = 50;
  // The locale whose collation AnsiCompareStr/AnsiCompareText (and so sorted string lists)
  // use, by name such as "de_DE"; empty takes the system locale.
  std::string CollationLocale;
};

// The settings in force. Tests assign fields directly (use FormatSettingsScope to restore them).
extern TFormatSettings FormatSettings;

// The deterministic default: '.' decimal, ',' thousands, "M/d/yyyy", 12-hour "h:mm:ss AMPM",
// "$" prefix with 2 decimals, weeks from Sunday.
TFormatSettings DefaultFormatSettings();

// The settings of the system locale (QLocale::system()), for the program's start-up.
TFormatSettings GetLocaleFormatSettings();
// The settings of a named locale ("fi_FI", "zh_Hant_HK").
TFormatSettings GetLocaleFormatSettings(const std::string& localeName);
// Every locale the locale data knows, as names GetLocaleFormatSettings reads.
std::vector<std::string> AvailableLocaleNames();

// Replaces FormatSettings by GetLocaleFormatSettings().
void ApplyLocaleFormatSettings();

// Saves FormatSettings and restores them when it goes out of scope.
class FormatSettingsScope {
public:
  FormatSettingsScope() : fSaved(FormatSettings) {}
  explicit FormatSettingsScope(const TFormatSettings& replacement) : fSaved(FormatSettings) {
    FormatSettings = replacement;
  }
  ~FormatSettingsScope() { FormatSettings = fSaved; }
  FormatSettingsScope(const FormatSettingsScope&) = delete;
  FormatSettingsScope& operator=(const FormatSettingsScope&) = delete;

private:
  TFormatSettings fSaved;
};
