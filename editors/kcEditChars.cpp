#include "editors/kcEditChars.h"

#include "platform/core/FormatSettings.h"
#include "platform/core/Utf8.h"

kcChars kcToChars(const String& Text) { return Utf8ToUcs4(Text); }
String kcFromChars(const kcChars& Chars) { return Ucs4ToUtf8(Chars); }
String kcCharToStr(char32_t Ch) { return Utf8Encode(Ch); }

char32_t kcUpperChar(char32_t Ch) { return UnicodeUpper(Ch); }
char32_t kcLowerChar(char32_t Ch) { return UnicodeLower(Ch); }

namespace {
char32_t Widen(char c) { return char32_t(static_cast<unsigned char>(c)); }
}  // namespace

char32_t kcDateSeparator() { return Widen(FormatSettings.DateSeparator); }
char32_t kcTimeSeparator() { return Widen(FormatSettings.TimeSeparator); }
char32_t kcDecimalSeparator() { return Widen(FormatSettings.DecimalSeparator); }
