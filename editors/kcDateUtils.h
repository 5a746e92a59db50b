#pragma once
// Date arithmetic and text conversions of the date, time and calendar editors, with the smart
// date words ("today", "eom", ...) that may be followed by a day offset.

#include <cmath>
#include <cstdint>

#include "platform/core/DateUtils.h"
#include "platform/core/Math.h"
#include "platform/core/SysUtils.h"

class Variant;

// A date value equal to it means that no date is set; failed conversions give it.
constexpr TDateTime NullDate = -700000.0;
constexpr int kcMaxYear = 9999;

enum TkcDatePart : int { dpYear = 0, dpMonth = 1, dpDay = 2 };

void PrevMonth(uint16_t& Year, uint16_t& Month);
void NextMonth(uint16_t& Year, uint16_t& Month);
// Moves by Delta months, crossing years; returns Delta div 12.
int ShiftMonth(uint16_t& Year, uint16_t& Month, int Delta);
uint16_t GetDatePart(int Part, TDateTime Date);
// The editors' names for the core's calendar helpers.
inline bool IsLeapYearNumber(int Year) { return IsLeapYear(Year); }
inline int MonthDayCount(int Year, int Month) { return DaysInAMonth(Year, Month); }  // 0 for no month
int ClampDay(int Year, int Month, int Day);
inline TDateTime DateTimeFraction(TDateTime Date) { return Frac(Date); }
inline TDateTime DateTimeWholeDays(TDateTime Date) { return std::trunc(Date); }
// The weekday counted from the format controller's WeekStart, 0-based.
int GetDayOfWeekIndex(TDateTime Date);
// FirstDay 0 Sunday .. 6 Saturday; FirstWeekRule 1 the week holding 1 January, 2 the first full
// week, 3 the first week with at least four days, 0 the locale's rule.
int GetWeekOfYear(int FirstDay, int FirstWeekRule, TDateTime Date);

// The 20 smart date words, index order.
int SmartDateWordCount();
String SmartDateWord(int Index);

bool TryTextToDate(const String& Text, TDateTime& Date);
bool TryStrToDateTimeEx(const String& Text, bool UseVariant, TDateTime& Date);
void DateTimeToLocaleText(bool FourDigitYear, String& Text, TDateTime Date);
void DateTimeToTextEx(bool UseDisplayFormat, bool WithTime, bool FourDigitYear, String& Text, TDateTime Date);
TDateTime GetMinDate();
bool IsValidDateValue(const Variant& Value);
// Lets a mask expression accept a smart word with an optional sign and one to four digits.
void AddSmartDateWordsToMask(String& Mask, bool ForDateTime);
