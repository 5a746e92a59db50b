#pragma once
// Internal to the run-time library: numbers as decimal digit strings, shared by the float,
// currency and BCD formatters.

#include <string>

#include "platform/core/SysUtils.h"

struct TDecimalText {
  bool Negative = false;
  std::string Digits;  // significant digits, no leading or trailing zeros; empty means zero
  int Exponent = 0;    // value = 0.Digits x 10^Exponent
  bool IsZero() const { return Digits.empty(); }
};

// The double rounded to `precision` significant digits (1..18), to nearest.
TDecimalText DoubleToDecimal(double value, int precision);
// From a plain decimal text "-123.4500" (no exponent); the text must be well formed.
TDecimalText DecimalFromPlainText(const std::string& text);
// Rounds at `decimals` places after the point, halves away from zero.
void RoundDecimalAt(TDecimalText& d, int decimals);
// Keeps at most `precision` significant digits, halves away from zero.
void RoundDecimalDigits(TDecimalText& d, int precision);
// Formats as FloatToStrF does; `precision` caps the significant digits shown.
std::string FormatDecimal(TDecimalText d, TFloatFormat format, int precision, int digits,
                          const TFormatSettings& settings);
// Places the currency string around an already formatted magnitude.
std::string ApplyCurrencyFormat(const std::string& magnitude, bool negative, const TFormatSettings& settings);
