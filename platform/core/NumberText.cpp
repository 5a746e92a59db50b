#include "platform/core/NumberText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

void Trim(TDecimalText& d) {
  std::size_t first = d.Digits.find_first_not_of('0');
  if (first == std::string::npos) {
    d.Digits.clear();
    d.Exponent = 0;
    return;
  }
  d.Digits.erase(0, first);
  d.Exponent -= static_cast<int>(first);
  d.Digits.erase(d.Digits.find_last_not_of('0') + 1);
}

// Keeps `keep` leading digits, rounding half away from zero.
void RoundKeep(TDecimalText& d, int keep) {
  if (keep >= static_cast<int>(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    d.Exponent = 0;
    return;
  }
  bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<std::size_t>(keep));
  if (up) {
    int i = keep - 1;
    while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9') {
      d.Digits[static_cast<std::size_t>(i)] = '0';
      --i;
    }
    if (i >= 0) {
      ++d.Digits[static_cast<std::size_t>(i)];
    } else {
      d.Digits.insert(d.Digits.begin(), '1');
      ++d.Exponent;
    }
  }
  Trim(d);
}

std::string GroupThousands(const std::string& intDigits, char separator) {
  if (separator == '\0') return intDigits;
  std::string out;
  int n = static_cast<int>(intDigits.size());
  for (int i = 0; i < n; ++i) {
    out += intDigits[static_cast<std::size_t>(i)];
    int remaining = n - 1 - i;
    if (remaining > 0 && remaining % 3 == 0) out += separator;
  }
  return out;
}

// Integer and fraction digits of d with exactly `decimals` fraction digits (d already rounded).
void SplitFixed(const TDecimalText& d, int decimals, std::string& intPart, std::string& frac) {
  intPart.clear();
  frac.clear();
  int n = static_cast<int>(d.Digits.size());
  for (int i = 0; i < d.Exponent; ++i) intPart += i < n ? d.Digits[static_cast<std::size_t>(i)] : '0';
  if (intPart.empty()) intPart = "0";
  for (int i = 0; i < decimals; ++i) {
    int idx = d.Exponent + i;
    frac += (idx >= 0 && idx < n) ? d.Digits[static_cast<std::size_t>(idx)] : '0';
  }
}

std::string ExponentText(const TDecimalText& d, int precision, int expDigits, bool general, char decimalSeparator) {
  std::string digits = d.Digits.empty() ? std::string("0") : d.Digits;
  std::string out(1, digits[0]);
  std::string rest = digits.substr(1);
  if (!general) rest.resize(static_cast<std::size_t>(std::max(0, precision - 1)), '0');
  if (!rest.empty()) out += decimalSeparator + rest;
  int e = d.Digits.empty() ? 0 : d.Exponent - 1;
  out += 'E';
  if (e < 0)
    out += '-';
  else if (!general)
    out += '+';
  std::string ed = std::to_string(std::abs(e));
  if (static_cast<int>(ed.size()) < expDigits) ed.insert(0, static_cast<std::size_t>(expDigits) - ed.size(), '0');
  return out + ed;
}

}  // namespace

TDecimalText DoubleToDecimal(double value, int precision) {
  TDecimalText d;
  d.Negative = std::signbit(value);
  precision = std::clamp(precision, 1, 18);
  if (value == 0) return d;
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, precision - 1);
  std::string text(buf, res.ptr);
  std::size_t e = text.find('e');
  for (std::size_t i = 0; i < e; ++i)
    if (text[i] != '.') d.Digits += text[i];
  d.Exponent = std::stoi(text.substr(e + 1)) + 1;
  Trim(d);
  return d;
}

TDecimalText DecimalFromPlainText(const std::string& text) {
  TDecimalText d;
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) d.Negative = text[i++] == '-';
  int intDigits = 0;
  bool seenPoint = false;
  for (; i < text.size(); ++i) {
    char c = text[i];
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    d.Digits += c;
    if (!seenPoint) ++intDigits;
  }
  d.Exponent = intDigits;
  Trim(d);
  return d;
}

void RoundDecimalAt(TDecimalText& d, int decimals) { RoundKeep(d, d.Exponent + decimals); }

void RoundDecimalDigits(TDecimalText& d, int precision) { RoundKeep(d, precision); }

std::string ApplyCurrencyFormat(const std::string& m, bool negative, const TFormatSettings& s) {
  const std::string& c = s.CurrencyString;
  if (!negative) {
    switch (s.CurrencyFormat) {
      case 1: return m + c;
      case 2: return c + " " + m;
      case 3: return m + " " + c;
      default: return c + m;
    }
  }
  switch (s.NegCurrFormat) {
    case 1: return "-" + c + m;
    case 2: return c + "-" + m;
    case 3: return c + m + "-";
    case 4: return "(" + m + c + ")";
    case 5: return "-" + m + c;
    case 6: return m + "-" + c;
    case 7: return m + c + "-";
    case 8: return "-" + m + " " + c;
    case 9: return "-" + c + " " + m;
    case 10: return m + " " + c + "-";
    case 11: return c + " " + m + "-";
    case 12: return c + " -" + m;
    case 13: return m + "- " + c;
    case 14: return "(" + c + " " + m + ")";
    case 15: return "(" + m + " " + c + ")";
    default: return "(" + c + m + ")";
  }
}

std::string FormatDecimal(TDecimalText d, TFloatFormat format, int precision, int digits, const TFormatSettings& s) {
  precision = std::clamp(precision, 1, 64);
  RoundKeep(d, precision);
  bool negative = d.Negative && !d.IsZero();
  std::string sign = negative ? "-" : "";
  switch (format) {
    case ffExponent: return sign + ExponentText(d, precision, std::clamp(digits, 0, 4), false, s.DecimalSeparator);
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
      if (d.Exponent > precision) return sign + ExponentText(d, precision, 0, true, s.DecimalSeparator);
      digits = std::clamp(digits, 0, 18);
      RoundDecimalAt(d, digits);
      negative = d.Negative && !d.IsZero();
      std::string intPart, frac;
      SplitFixed(d, digits, intPart, frac);
      if (format != ffFixed) intPart = GroupThousands(intPart, s.ThousandSeparator);
      std::string m = intPart;
      if (digits > 0) m += s.DecimalSeparator + frac;
      if (format == ffCurrency) return ApplyCurrencyFormat(m, negative, s);
      return (negative ? "-" : "") + m;
    }
    case ffGeneral:
    default: {
      if (d.IsZero()) return "0";
      if (d.Exponent > precision || d.Exponent < -3)
        return sign + ExponentText(d, precision, digits, true, s.DecimalSeparator);
      std::string intPart, frac;
      int decimals = std::max(0, static_cast<int>(d.Digits.size()) - d.Exponent);
      SplitFixed(d, decimals, intPart, frac);
      return sign + intPart + (frac.empty() ? std::string() : s.DecimalSeparator + frac);
    }
  }
}
