#include "editors/kcEditChars.h"

#include <cwctype>

#include "platform/core/FormatSettings.h"

kcChars kcToChars(const String& Text) {
  kcChars r;
  r.reserve(Text.size());
  const auto* s = reinterpret_cast<const unsigned char*>(Text.data());
  size_t n = Text.size(), i = 0;
  while (i < n) {
    unsigned c = s[i];
    int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    if (len == 0 || i + len > n) { r.push_back(0xFFFD); ++i; continue; }
    char32_t cp = len == 1 ? c : c & (0x7F >> len);
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      if ((s[i + k] & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (s[i + k] & 0x3F);
    }
    if (!ok) { r.push_back(0xFFFD); ++i; continue; }
    r.push_back(cp);
    i += len;
  }
  return r;
}

String kcCharToStr(char32_t c) {
  String r;
  if (c < 0x80) {
    r += char(c);
  } else if (c < 0x800) {
    r += char(0xC0 | (c >> 6));
    r += char(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    r += char(0xE0 | (c >> 12));
    r += char(0x80 | ((c >> 6) & 0x3F));
    r += char(0x80 | (c & 0x3F));
  } else {
    r += char(0xF0 | (c >> 18));
    r += char(0x80 | ((c >> 12) & 0x3F));
    r += char(0x80 | ((c >> 6) & 0x3F));
    r += char(0x80 | (c & 0x3F));
  }
  return r;
}

String kcFromChars(const kcChars& Chars) {
  String r;
  r.reserve(Chars.size());
  for (char32_t c : Chars) r += kcCharToStr(c);
  return r;
}

char32_t kcUpperChar(char32_t Ch) { return char32_t(std::towupper(wint_t(Ch))); }
char32_t kcLowerChar(char32_t Ch) { return char32_t(std::towlower(wint_t(Ch))); }

char32_t kcDateSeparator() { return char32_t(static_cast<unsigned char>(FormatSettings.DateSeparator)); }
char32_t kcTimeSeparator() { return char32_t(static_cast<unsigned char>(FormatSettings.TimeSeparator)); }
char32_t kcDecimalSeparator() {
  return char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
}
