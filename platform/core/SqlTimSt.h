#pragma once
// The SQL time stamp record: year, month, day, hour, minute, second and a fraction of the second
// in milliseconds (0..999), 16 bytes.

#include <compare>
#include <cstdint>
#include <string>

#include "platform/core/SysUtils.h"

#pragma pack(push, 2)
struct TSQLTimeStamp {
  std::int16_t Year = 0;
  std::uint16_t Month = 0;
  std::uint16_t Day = 0;
  std::uint16_t Hour = 0;
  std::uint16_t Minute = 0;
  std::uint16_t Second = 0;
  std::uint32_t Fractions = 0;  // milliseconds

  // Field by field, from the year down.
  friend bool operator==(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
  friend auto operator<=>(const TSQLTimeStamp&, const TSQLTimeStamp&) = default;
};
#pragma pack(pop)
static_assert(sizeof(TSQLTimeStamp) == 16, "TSQLTimeStamp must keep its 16-byte layout");

VT_DECLARE_EXCEPTION(ESQLTimeStampException, EConvertError);

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value);
// EConvertError when the record is not a valid date and time (the all-zero record gives 0).
TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts);
bool IsValidSQLTimeStamp(const TSQLTimeStamp& ts);
// Through DateTimeToStr / FormatDateTime.
std::string SQLTimeStampToStr(const std::string& format, const TSQLTimeStamp& ts);
TSQLTimeStamp StrToSQLTimeStamp(const std::string& text);
bool TryStrToSQLTimeStamp(const std::string& text, TSQLTimeStamp& result);
