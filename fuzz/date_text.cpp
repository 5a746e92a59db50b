// Date texts: read under a chosen date format, shown through a date format picture, and read by
// the editors' date conversion with the smart words.
#include "FuzzTarget.h"
#include "editors/kcDateUtils.h"
#include "editors/kcFormats.h"
#include "platform/core/DateUtils.h"
#include "platform/core/FormatSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  TFuzzInput in(data, size);
  const std::uint8_t choice = in.Byte();
  const std::string shortDate = in.Part(), picture = in.Part(), text = in.Rest();
  FormatSettingsScope scope;
  static const char separators[] = {'/', '.', '-', ' '};
  if (!shortDate.empty()) FormatSettings.ShortDateFormat = shortDate;
  FormatSettings.DateSeparator = separators[choice % 4];
  GetFormatController()->SetUseFormatSettings(choice & 4);
  GetFormatController()->Refresh();
  TDateTime d = 0;
  TryStrToDateTime(text, d);
  TryStrToDate(text, d);
  TryTextToDate(text, d);
  TryStrToDateTimeEx(text, choice & 8, d);
  try {
    FormatDateTime(picture, EncodeDateTime(2024, 2, 29, 13, 5, 9, 7));
  } catch (const Exception&) {}
  return 0;
}
