#pragma once
// Character helpers shared by the mask and date engines. Masks count characters, not bytes,
// so texts are taken apart into code points and put together again here.

#include <string>

#include "platform/core/SysUtils.h"

using kcChars = std::u32string;

kcChars kcToChars(const String& Text);
String kcFromChars(const kcChars& Chars);
String kcCharToStr(char32_t Ch);

// Locale case mapping of one character.
char32_t kcUpperChar(char32_t Ch);
char32_t kcLowerChar(char32_t Ch);

// The separators of the process format settings, read at the moment of the call.
char32_t kcDateSeparator();
char32_t kcTimeSeparator();
char32_t kcDecimalSeparator();
