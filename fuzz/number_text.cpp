// Number texts and number formats: integers, floats, currency and BCD read from text, and a
// value shown through a FormatFloat picture and a Format string.
#include "FuzzTarget.h"
#include "platform/core/FMTBcd.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t choice = in.Byte();
  const std::string format = in.Part(), text = in.Rest();
  TFormatSettings settings = DefaultFormatSettings();
  if (choice & 1) settings.DecimalSeparator = ',', settings.ThousandSeparator = '.';
  std::int64_t i = 0;
  double d = 0;
  Currency c;
  TryStrToInt64(text, i);
  TryStrToFloat(text, d, settings);
  TryStrToCurr(text, c, settings);
  TBcd bcd;
  TryStrToBcd(text, bcd);
  const double values[] = {0.0, -1.5, 1234567.891, 1e300, -1e-300, static_cast<double>(i), d};
  const double value = values[(choice >> 1) % std::size(values)];
  try {
    FormatFloat(format, value, settings);
  } catch (const Exception&) {}
  try {
    Format(format, {static_cast<std::int64_t>(choice) - 100, value, text, std::int64_t{7}}, settings);
  } catch (const Exception&) {}
  return 0;
}
