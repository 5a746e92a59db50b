#pragma once
// Date and time values: a TDateTime is a double counting days since 1899-12-30, the time of day
// being the fraction. Before that day the integer part is negative and the fraction is still
// added as a positive time (-1.25 is 1899-12-29 06:00).

#include <cstdint>
#include <functional>
#include <string>

#include "platform/core/FormatSettings.h"

using TDateTime = double;

// The smallest and largest dates the encoders accept (0100-01-01 and 9999-12-31 23:59:59.999).
constexpr double MinDateTime = -657434.0;
constexpr double MaxDateTime = 2958465.99999;
constexpr double MSecsPerDay = 86400000.0;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);
int DaysInMonth(TDateTime value);
int DaysInYear(int year);

bool TryEncodeDate(int year, int month, int day, TDateTime& result);
TDateTime EncodeDate(int year, int month, int day);  // EConvertError on an invalid date
bool TryEncodeTime(int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeTime(int hour, int minute, int second, int msec);  // EConvertError when invalid
bool TryEncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec, TDateTime& result);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int minute, int second, int msec);
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& msec);
void DecodeDateTime(TDateTime value, int& year, int& month, int& day, int& hour, int& minute, int& second, int& msec);

// 1 = Sunday .. 7 = Saturday.
int DayOfWeek(TDateTime value);
// 1 = Monday .. 7 = Sunday.
int DayOfTheWeek(TDateTime value);

// The date part (time 0) and the time part (date 0).
TDateTime DateOf(TDateTime value);
TDateTime TimeOf(TDateTime value);

// Adds months, keeping the day when it exists and else taking the month's last day.
TDateTime IncMonth(TDateTime value, int months = 1);
TDateTime IncDay(TDateTime value, int days = 1);

// The wall clock. Tests install a provider (SetNowProvider) to fix "now"; an empty one restores
// the real clock.
using TNowProvider = std::function<TDateTime()>;
void SetNowProvider(TNowProvider provider);
TDateTime Now();
TDateTime Date();  // today, time 0
TDateTime Time();  // the time of day, date 0

// Formatting with the framework's date-time format language: d dd ddd dddd ddddd dddddd,
// m mm mmm mmmm (minutes right after h/hh), yy yyyy, h hh, n nn, s ss, z zzz, am/pm a/p ampm,
// c, t, tt, '/' and ':' (the locale separators), "..." and '...' literals.
std::string FormatDateTime(const std::string& format, TDateTime value);
std::string FormatDateTime(const std::string& format, TDateTime value, const TFormatSettings& settings);
std::string DateToStr(TDateTime value);
std::string TimeToStr(TDateTime value);
// The date alone when the time is 0, else the date and the long time.
std::string DateTimeToStr(TDateTime value);
std::string DateToStr(TDateTime value, const TFormatSettings& settings);
std::string TimeToStr(TDateTime value, const TFormatSettings& settings);
std::string DateTimeToStr(TDateTime value, const TFormatSettings& settings);

// Parsing by the short date format's order (d/m/y) with the locale date separator, and the time
// as h[:n[:s[.z]]] with an optional AM/PM designator. Failures raise EConvertError.
bool TryStrToDate(const std::string& text, TDateTime& result);
bool TryStrToTime(const std::string& text, TDateTime& result);
bool TryStrToDateTime(const std::string& text, TDateTime& result);
bool TryStrToDate(const std::string& text, TDateTime& result, const TFormatSettings& settings);
bool TryStrToTime(const std::string& text, TDateTime& result, const TFormatSettings& settings);
bool TryStrToDateTime(const std::string& text, TDateTime& result, const TFormatSettings& settings);
TDateTime StrToDate(const std::string& text);
TDateTime StrToTime(const std::string& text);
TDateTime StrToDateTime(const std::string& text);
TDateTime StrToDateDef(const std::string& text, TDateTime defaultValue);
TDateTime StrToDateTimeDef(const std::string& text, TDateTime defaultValue);
