#pragma once
// Binary-coded decimal numbers of up to 64 digits, in the framework's 34-byte record: a
// precision byte (the count of digits), a sign-and-scale byte (bit 7 the sign, the low six
// bits the count of decimals) and 32 bytes holding two digits each, high nibble first.
// Arithmetic runs on the decimal digits, because 64 digits fit no native type.

#include <cstdint>
#include <string>

#include "platform/core/SysUtils.h"

#pragma pack(push, 1)
struct TBcd {
  std::uint8_t Precision = 0;          // 1..64 digits
  std::uint8_t SignSpecialPlaces = 0;  // bit 7 negative, bit 6 blank, bits 0-5 decimals
  std::uint8_t Fraction[32] = {};
};
#pragma pack(pop)
static_assert(sizeof(TBcd) == 34, "TBcd must keep its 34-byte layout");

VT_DECLARE_EXCEPTION(EBcdException, Exception);
VT_DECLARE_EXCEPTION(EBcdOverflowException, EBcdException);

constexpr int MaxFMTBcdFractionSize = 64;

// Significant digits (without leading zeros of the integer part) and the count of decimals.
int BcdPrecision(const TBcd& bcd);
int BcdScale(const TBcd& bcd);
bool IsBcdNegative(const TBcd& bcd);

// Text: an optional sign, digits with '.' or the locale decimal separator, optional exponent.
// More than 64 significant digits: EBcdOverflowException; not a number: EConvertError.
bool TryStrToBcd(const std::string& text, TBcd& result);
bool TryStrToBcd(const std::string& text, TBcd& result, const TFormatSettings& settings);
TBcd StrToBcd(const std::string& text);
// The general format: no trailing zeros of the decimals, the locale decimal separator.
std::string BcdToStr(const TBcd& bcd);
std::string BcdToStr(const TBcd& bcd, const TFormatSettings& settings);
// Formatted with a float format; digits is the count of decimals (rounded half away from 0).
std::string BcdToStrF(const TBcd& bcd, TFloatFormat format, int precision, int digits);

TBcd IntegerToBcd(std::int64_t value);
std::int64_t BcdToInt64(const TBcd& bcd);  // truncates; EBcdOverflowException out of range
int BcdToInteger(const TBcd& bcd);
// Through the shortest text that reads back as the same double.
TBcd DoubleToBcd(double value);
double BcdToDouble(const TBcd& bcd);
TBcd CurrencyToBcd(Currency value);
bool CurrToBCD(Currency value, TBcd& result, int precision = 32, int decimals = 4);
// Rounds to four decimals, halves away from zero; false when out of range.
bool BCDToCurr(const TBcd& bcd, Currency& result);

// <0, 0, >0 by value (1.50 equals 1.5; -0 equals 0).
int BcdCompare(const TBcd& a, const TBcd& b);
void BcdAdd(const TBcd& a, const TBcd& b, TBcd& result);
void BcdSubtract(const TBcd& a, const TBcd& b, TBcd& result);
void BcdMultiply(const TBcd& a, const TBcd& b, TBcd& result);
// Keeps as many decimals as 64 significant digits allow (at most 63), truncating the rest,
// then drops trailing zeros. Division by zero raises EZeroDivide.
void BcdDivide(const TBcd& dividend, const TBcd& divisor, TBcd& result);
void BcdDivide(const TBcd& dividend, std::int64_t divisor, TBcd& result);
// Drops leading and trailing zeros (a value of 0 becomes precision 1, scale 0).
TBcd NormalizeBcd(const TBcd& bcd);
// Rounds (half away from zero) or pads to `decimals` decimals.
bool NormalizeBcd(const TBcd& in, TBcd& out, int precision, int decimals);
inline bool operator==(const TBcd& a, const TBcd& b) { return BcdCompare(a, b) == 0; }
