#include "platform/core/SqlTimSt.h"

TSQLTimeStamp DateTimeToSQLTimeStamp(TDateTime value) {
  int y, mo, d, h, mi, s, ms;
  DecodeDateTime(value, y, mo, d, h, mi, s, ms);
  TSQLTimeStamp ts;
  ts.Year = static_cast<std::int16_t>(y);
  ts.Month = static_cast<std::uint16_t>(mo);
  ts.Day = static_cast<std::uint16_t>(d);
  ts.Hour = static_cast<std::uint16_t>(h);
  ts.Minute = static_cast<std::uint16_t>(mi);
  ts.Second = static_cast<std::uint16_t>(s);
  ts.Fractions = static_cast<std::uint32_t>(ms);
  return ts;
}

bool IsValidSQLTimeStamp(const TSQLTimeStamp& ts) {
  TDateTime r = 0;
  return ts.Fractions <= 999 &&
         TryEncodeDateTime(ts.Year, ts.Month, ts.Day, ts.Hour, ts.Minute, ts.Second, static_cast<int>(ts.Fractions), r);
}

TDateTime SQLTimeStampToDateTime(const TSQLTimeStamp& ts) {
  if (ts == TSQLTimeStamp{}) return 0;
  TDateTime r = 0;
  if (ts.Fractions > 999 ||
      !TryEncodeDateTime(ts.Year, ts.Month, ts.Day, ts.Hour, ts.Minute, ts.Second, static_cast<int>(ts.Fractions), r))
    throw ESQLTimeStampException("Invalid SQL time stamp");
  return r;
}

std::string SQLTimeStampToStr(const std::string& format, const TSQLTimeStamp& ts) {
  TDateTime v = SQLTimeStampToDateTime(ts);
  return format.empty() ? DateTimeToStr(v) : FormatDateTime(format, v);
}

bool TryStrToSQLTimeStamp(const std::string& text, TSQLTimeStamp& result) {
  TDateTime v = 0;
  if (!TryStrToDateTime(text, v)) return false;
  result = DateTimeToSQLTimeStamp(v);
  return true;
}

TSQLTimeStamp StrToSQLTimeStamp(const std::string& text) {
  TSQLTimeStamp ts;
  if (!TryStrToSQLTimeStamp(text, ts)) throw ESQLTimeStampException("'" + text + "' is not a valid SQL time stamp");
  return ts;
}
