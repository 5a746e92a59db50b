#include "platform/core/SysUtils.h"

#include <QCollator>
#include <QLocale>
#include <QString>

#include <fcntl.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "platform/core/NumberText.h"
#include "platform/core/Utf8.h"

namespace {

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::string_view TrimView(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

QString ToQ(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string FromQ(const QString& s) {
  QByteArray b = s.toUtf8();
  return std::string(b.constData(), static_cast<std::size_t>(b.size()));
}

[[noreturn]] void ThrowInvalidInteger(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}
[[noreturn]] void ThrowInvalidFloat(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

// Parses [sign] digits | [sign] ($|0x) hexdigits into a magnitude and a sign.
bool ParseInteger(std::string_view s, bool& negative, std::uint64_t& magnitude) {
  s = TrimView(s);
  negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (!s.empty() && s.front() == '$') {
    base = 16;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return false;
  auto res = std::from_chars(s.data(), s.data() + s.size(), magnitude, base);
  return res.ec == std::errc() && res.ptr == s.data() + s.size();
}

// Checks [blanks][sign]digits[sep digits][(e|E)[sign]digits][blanks] and gives it with '.'.
bool NormalizeFloatText(std::string_view s, char decimalSeparator, std::string& out) {
  s = TrimView(s);
  out.clear();
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '-' || s[i] == '+')) {
    if (s[i] == '-') out += '-';
    ++i;
  }
  int mantissaDigits = 0;
  while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], ++mantissaDigits;
  if (i < s.size() && s[i] == decimalSeparator) {
    out += '.';
    ++i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], ++mantissaDigits;
  }
  if (mantissaDigits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    out += 'e';
    ++i;
    if (i < s.size() && (s[i] == '-' || s[i] == '+')) out += s[i++];
    int expDigits = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') out += s[i++], ++expDigits;
    if (expDigits == 0) return false;
  }
  return i == s.size();
}

std::string SpecialFloatText(double value) {
  if (std::isnan(value)) return "NAN";
  return value < 0 ? "-INF" : "INF";
}

}  // namespace

// ---- Currency ----------------------------------------------------------------------------

bool Currency::TryFromDouble(double value, Currency& result) {
  // Through the shortest text that reads back as the same double, so that a value shown as
  // 0.00015 is a tie (and goes to the even 0.0002) rather than the binary 0.000149999...
  if (!std::isfinite(value)) return false;
  if (std::fabs(value) < 1e-5) {  // below half of the last decimal
    result = Currency();
    return true;
  }
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::fixed);
  if (res.ec != std::errc()) return false;
  static const TFormatSettings cSettings;
  return TryStrToCurr(std::string(buf, res.ptr), result, cSettings);
}

Currency Currency::FromDouble(double value) {
  Currency c;
  if (!TryFromDouble(value, c)) throw EConvertError("Floating point value out of currency range");
  return c;
}

// ---- Rounding ----------------------------------------------------------------------------

bool TryRound(double value, std::int64_t& result) {
  double r = std::nearbyint(value);  // the default mode rounds halves to even
  if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return false;
  result = static_cast<std::int64_t>(r);
  return true;
}

double Int(double value) { return std::trunc(value); }

// ---- 80-bit extended ----------------------------------------------------------------------

TExtended80 DoubleToExtended80(double value) {
  std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
  std::uint16_t sign = (bits >> 63) ? 0x8000 : 0;
  int exp = static_cast<int>((bits >> 52) & 0x7FF);
  std::uint64_t frac = bits & ((std::uint64_t(1) << 52) - 1);
  std::uint64_t mant = 0;
  std::uint16_t exp15 = 0;
  if (exp == 0x7FF) {
    exp15 = 0x7FFF;
    mant = (std::uint64_t(1) << 63) | (frac << 11);
  } else if (exp == 0) {
    if (frac != 0) {  // a denormal double is a normal extended
      int top = 63 - std::countl_zero(frac);
      mant = frac << (63 - top);
      exp15 = static_cast<std::uint16_t>(top - 1074 + 16383);
    }
  } else {
    mant = (std::uint64_t(1) << 63) | (frac << 11);
    exp15 = static_cast<std::uint16_t>(exp - 1023 + 16383);
  }
  exp15 |= sign;
  TExtended80 out{};
  for (int i = 0; i < 8; ++i) out[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(mant >> (8 * i));
  out[8] = static_cast<std::uint8_t>(exp15);
  out[9] = static_cast<std::uint8_t>(exp15 >> 8);
  return out;
}

double Extended80ToDouble(const TExtended80& b) {
  std::uint64_t mant = 0;
  for (int i = 0; i < 8; ++i) mant |= std::uint64_t(b[static_cast<std::size_t>(i)]) << (8 * i);
  int exp15 = b[8] | (b[9] << 8);
  std::uint64_t sign = (exp15 & 0x8000) ? (std::uint64_t(1) << 63) : 0;
  exp15 &= 0x7FFF;
  const std::uint64_t infBits = std::uint64_t(0x7FF) << 52;
  if (exp15 == 0x7FFF) {
    std::uint64_t payload = (mant << 1) >> 12;  // the 52 bits under the integer bit
    if ((mant << 1) == 0) return std::bit_cast<double>(sign | infBits);
    return std::bit_cast<double>(sign | infBits | (std::uint64_t(1) << 51) | payload);
  }
  if (mant == 0) return std::bit_cast<double>(sign);
  int e = (exp15 == 0 ? 1 : exp15) - 16383;  // value = mant x 2^(e - 63)
  int lead = std::countl_zero(mant);
  mant <<= lead;
  e -= lead;
  if (e > 1023) return std::bit_cast<double>(sign | infBits);
  // Keep 53 bits for a normal double, fewer for a denormal one; round the rest to even.
  int shift = e >= -1022 ? 11 : 11 + (-1022 - e);
  std::uint64_t kept;
  if (shift >= 65) {
    kept = 0;
  } else {
    unsigned __int128 wide = static_cast<unsigned __int128>(mant);
    kept = static_cast<std::uint64_t>(wide >> shift);
    unsigned __int128 rest = wide & ((static_cast<unsigned __int128>(1) << shift) - 1);
    unsigned __int128 half = static_cast<unsigned __int128>(1) << (shift - 1);
    if (rest > half || (rest == half && (kept & 1))) ++kept;
  }
  if (e >= -1022) {
    if (kept == (std::uint64_t(1) << 53)) {
      kept >>= 1;
      ++e;
      if (e > 1023) return std::bit_cast<double>(sign | infBits);
    }
    std::uint64_t bits = sign | (std::uint64_t(e + 1023) << 52) | (kept & ((std::uint64_t(1) << 52) - 1));
    return std::bit_cast<double>(bits);
  }
  return std::bit_cast<double>(sign | kept);  // a carry into bit 52 gives the smallest normal
}

// ---- Integers ----------------------------------------------------------------------------

std::string IntToStr(std::int64_t value) { return std::to_string(value); }
std::string UIntToStr(std::uint64_t value) { return std::to_string(value); }

std::string IntToHex(std::int64_t value, int digits) {
  static const char hex[] = "0123456789ABCDEF";
  std::uint64_t u = static_cast<std::uint64_t>(value);
  std::string out;
  do {
    out.insert(out.begin(), hex[u & 15]);
    u >>= 4;
  } while (u != 0);
  if (static_cast<int>(out.size()) < digits) out.insert(0, static_cast<std::size_t>(digits) - out.size(), '0');
  return out;
}

bool TryStrToInt64(const std::string& text, std::int64_t& result) {
  bool negative = false;
  std::uint64_t m = 0;
  if (!ParseInteger(text, negative, m)) return false;
  if (negative) {
    if (m > std::uint64_t(1) << 63) return false;
    result = static_cast<std::int64_t>(0 - m);
  } else {
    if (m > static_cast<std::uint64_t>(INT64_MAX)) return false;
    result = static_cast<std::int64_t>(m);
  }
  return true;
}

bool TryStrToUInt64(const std::string& text, std::uint64_t& result) {
  bool negative = false;
  std::uint64_t m = 0;
  if (!ParseInteger(text, negative, m) || (negative && m != 0)) return false;
  result = m;
  return true;
}

bool TryStrToInt(const std::string& text, int& result) {
  std::int64_t v = 0;
  if (!TryStrToInt64(text, v) || v < INT32_MIN || v > INT32_MAX) return false;
  result = static_cast<int>(v);
  return true;
}

int StrToInt(const std::string& text) {
  int v = 0;
  if (!TryStrToInt(text, v)) ThrowInvalidInteger(text);
  return v;
}

int StrToIntDef(const std::string& text, int defaultValue) {
  int v = 0;
  return TryStrToInt(text, v) ? v : defaultValue;
}

std::int64_t StrToInt64(const std::string& text) {
  std::int64_t v = 0;
  if (!TryStrToInt64(text, v)) ThrowInvalidInteger(text);
  return v;
}

std::int64_t StrToInt64Def(const std::string& text, std::int64_t defaultValue) {
  std::int64_t v = 0;
  return TryStrToInt64(text, v) ? v : defaultValue;
}

// ---- Floats ------------------------------------------------------------------------------

std::string FloatToStr(double value) { return FloatToStr(value, FormatSettings); }

std::string FloatToStr(double value, const TFormatSettings& settings) {
  return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
  return FloatToStrF(value, format, precision, digits, FormatSettings);
}

std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& settings) {
  if (!std::isfinite(value)) return SpecialFloatText(value);
  precision = std::clamp(precision, 1, 18);
  // 18 digits first, then rounding halves away from zero on the decimal digits.
  TDecimalText d = DoubleToDecimal(value, 18);
  return FormatDecimal(d, format, precision, digits, settings);
}

bool TryStrToFloat(const std::string& text, double& result, const TFormatSettings& settings) {
  std::string normal;
  if (!NormalizeFloatText(text, settings.DecimalSeparator, normal)) return false;
  // The "C" locale, whatever the process locale says about LC_NUMERIC; an underflow gives the
  // nearest denormal or zero, an overflow is not a value.
  static locale_t cLocale = newlocale(LC_ALL_MASK, "C", nullptr);
  double v = strtod_l(normal.c_str(), nullptr, cLocale);
  if (!std::isfinite(v)) return false;
  result = v;
  return true;
}

bool TryStrToFloat(const std::string& text, double& result) { return TryStrToFloat(text, result, FormatSettings); }

double StrToFloat(const std::string& text) {
  double v = 0;
  if (!TryStrToFloat(text, v)) ThrowInvalidFloat(text);
  return v;
}

double StrToFloatDef(const std::string& text, double defaultValue) {
  double v = 0;
  return TryStrToFloat(text, v) ? v : defaultValue;
}

namespace {

// One section of a float format, parsed.
struct FloatSection {
  std::string text;
  bool hasDigits = false;
  bool thousands = false;
  bool scientific = false;
  int intPlaceholders = 0;
  int minInt = 0;  // '0' placeholders from the first '0' to the point
  int minFrac = 0;
  int maxFrac = 0;
};

std::vector<std::string> SplitSections(const std::string& format) {
  std::vector<std::string> sections(1);
  char quote = 0;
  for (std::size_t i = 0; i < format.size(); ++i) {
    char c = format[i];
    if (quote) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '\\' && i + 1 < format.size()) {
      sections.back() += c;
      c = format[++i];
    } else if (c == ';') {
      if (sections.size() < 3) {
        sections.emplace_back();
        continue;
      }
      break;
    }
    sections.back() += c;
  }
  return sections;
}

bool IsExponentAt(const std::string& f, std::size_t i) {
  return (f[i] == 'E' || f[i] == 'e') && i + 1 < f.size() && (f[i + 1] == '+' || f[i + 1] == '-');
}

FloatSection ParseSection(const std::string& f) {
  FloatSection s;
  s.text = f;
  bool afterPoint = false;
  bool sawZero = false;
  char quote = 0;
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote) quote = 0;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '\\') {
      ++i;
    } else if (IsExponentAt(f, i)) {
      s.scientific = true;
      break;
    } else if (c == '0' || c == '#') {
      s.hasDigits = true;
      if (afterPoint) {
        ++s.maxFrac;
        if (c == '0') s.minFrac = s.maxFrac;
      } else {
        ++s.intPlaceholders;
        if (c == '0') sawZero = true;
        if (sawZero) ++s.minInt;
      }
    } else if (c == '.') {
      afterPoint = true;
    } else if (c == ',') {
      if (!afterPoint) s.thousands = true;
    }
  }
  return s;
}

std::string RenderSection(const FloatSection& sec, double magnitude, bool showMinus, const TFormatSettings& st) {
  const std::string& f = sec.text;
  std::string intDigits, fracDigits;
  int exponent = 0;
  if (sec.scientific) {
    int sig = std::clamp(std::max(sec.intPlaceholders, 1) + sec.maxFrac, 1, 18);
    TDecimalText d = DoubleToDecimal(magnitude, 18);
    RoundDecimalDigits(d, sig);
    int intCount = std::max(sec.intPlaceholders, 1);
    exponent = d.IsZero() ? 0 : d.Exponent - intCount;
    // Placeholders beyond the significant digits show zeros.
    std::string all = d.Digits;
    all.resize(static_cast<std::size_t>(sig), '0');
    all.resize(static_cast<std::size_t>(std::max(sig, intCount + sec.maxFrac)), '0');
    intDigits = all.substr(0, static_cast<std::size_t>(intCount));
    fracDigits = all.substr(static_cast<std::size_t>(intCount));
  } else {
    TDecimalText d = DoubleToDecimal(magnitude, 18);
    RoundDecimalAt(d, sec.maxFrac);
    for (int i = 0; i < d.Exponent; ++i)
      intDigits += i < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<std::size_t>(i)] : '0';
    for (int i = 0; i < sec.maxFrac; ++i) {
      int idx = d.Exponent + i;
      fracDigits +=
          (idx >= 0 && idx < static_cast<int>(d.Digits.size())) ? d.Digits[static_cast<std::size_t>(idx)] : '0';
    }
  }
  if (static_cast<int>(intDigits.size()) < sec.minInt)
    intDigits.insert(0, static_cast<std::size_t>(sec.minInt) - intDigits.size(), '0');
  while (static_cast<int>(fracDigits.size()) > sec.minFrac && !fracDigits.empty() && fracDigits.back() == '0')
    fracDigits.pop_back();
  if (showMinus && intDigits.find_first_not_of('0') == std::string::npos &&
      fracDigits.find_first_not_of('0') == std::string::npos && (exponent == 0 || true))
    showMinus = false;  // a value that shows as zero has no sign

  std::string out = showMinus ? "-" : "";
  int intTotal = static_cast<int>(intDigits.size());
  int intSeen = 0;
  std::size_t fracPos = 0;
  bool afterPoint = false;
  char quote = 0;
  auto emitIntDigit = [&](int index) {
    if (index < 0 || index >= intTotal) return;
    out += intDigits[static_cast<std::size_t>(index)];
    int remaining = intTotal - 1 - index;
    if (sec.thousands && remaining > 0 && remaining % 3 == 0 && !sec.scientific) out += st.ThousandSeparator;
  };
  for (std::size_t i = 0; i < f.size(); ++i) {
    char c = f[i];
    if (quote) {
      if (c == quote)
        quote = 0;
      else
        out += c;
      continue;
    }
    if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '\\' && i + 1 < f.size()) {
      out += f[++i];
    } else if (IsExponentAt(f, i)) {
      char sign = f[i + 1];
      i += 2;
      // The exponent's placeholders: each "0" is a digit always shown, a "#" one shown when needed.
      int minExp = 0;
      while (i < f.size() && (f[i] == '0' || f[i] == '#')) minExp += f[i++] == '0' ? 1 : 0;
      --i;
      out += c;
      if (exponent < 0)
        out += '-';
      else if (sign == '+')
        out += '+';
      std::string e = std::to_string(std::abs(exponent));
      if (static_cast<int>(e.size()) < minExp) e.insert(0, static_cast<std::size_t>(minExp) - e.size(), '0');
      out += e;
    } else if ((c == '0' || c == '#') && !afterPoint) {
      // The placeholders are right-aligned on the digits; the first takes any surplus.
      int placeholdersLeft = sec.intPlaceholders - intSeen;
      int firstIndex = intTotal - placeholdersLeft;
      if (intSeen == 0)
        for (int k = 0; k < firstIndex; ++k) emitIntDigit(k);
      if (firstIndex >= 0) emitIntDigit(firstIndex);
      ++intSeen;
    } else if ((c == '0' || c == '#') && afterPoint) {
      if (fracPos < fracDigits.size()) out += fracDigits[fracPos];
      ++fracPos;
    } else if (c == '.') {
      if (!afterPoint) {
        afterPoint = true;
        if (!fracDigits.empty()) out += st.DecimalSeparator;
      }
    } else if (c == ',') {
      // thousands flag, placed by the digits
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string FormatFloat(const std::string& format, double value) { return FormatFloat(format, value, FormatSettings); }

std::string FormatFloat(const std::string& format, double value, const TFormatSettings& st) {
  if (!std::isfinite(value)) return SpecialFloatText(value);
  if (format.empty()) return FloatToStr(value, st);
  std::vector<std::string> parts = SplitSections(format);
  FloatSection positive = ParseSection(parts[0]);
  bool negative = value < 0;
  double magnitude = std::fabs(value);
  // The zero section applies to values that show as zero in the positive section.
  if (parts.size() >= 3 && !parts[2].empty()) {
    TDecimalText d = DoubleToDecimal(magnitude, 18);
    if (!positive.scientific) RoundDecimalAt(d, positive.maxFrac);
    if (d.IsZero()) {
      FloatSection zero = ParseSection(parts[2]);
      return zero.hasDigits ? RenderSection(zero, 0.0, false, st) : RenderSection(zero, 0.0, false, st);
    }
  }
  if (negative && parts.size() >= 2 && !parts[1].empty())
    return RenderSection(ParseSection(parts[1]), magnitude, false, st);
  if (!positive.hasDigits) return RenderSection(positive, magnitude, false, st);
  return RenderSection(positive, magnitude, negative, st);
}

// ---- Currency text -----------------------------------------------------------------------

namespace {

std::string CurrencyPlainText(Currency value) {
  std::uint64_t m = value.Val < 0 ? 0 - static_cast<std::uint64_t>(value.Val) : static_cast<std::uint64_t>(value.Val);
  std::string digits = std::to_string(m);
  if (digits.size() < 5) digits.insert(0, 5 - digits.size(), '0');
  std::string text =
      (value.Val < 0 ? "-" : "") + digits.substr(0, digits.size() - 4) + "." + digits.substr(digits.size() - 4);
  return text;
}

}  // namespace

std::string CurrToStr(Currency value) { return CurrToStr(value, FormatSettings); }

std::string CurrToStr(Currency value, const TFormatSettings& settings) {
  return FormatDecimal(DecimalFromPlainText(CurrencyPlainText(value)), ffGeneral, 19, 0, settings);
}

std::string CurrToStrF(Currency value, TFloatFormat format, int digits) {
  return FormatDecimal(DecimalFromPlainText(CurrencyPlainText(value)), format, 19, digits, FormatSettings);
}

bool TryStrToCurr(const std::string& text, Currency& result, const TFormatSettings& settings) {
  std::string normal;
  if (!NormalizeFloatText(text, settings.DecimalSeparator, normal)) return false;
  if (normal.find('e') != std::string::npos) {
    double d = 0;
    if (!TryStrToFloat(text, d, settings)) return false;
    return Currency::TryFromDouble(d, result);
  }
  // Exact decimal: amount x 10000, the fifth decimal onwards rounded half to even.
  TDecimalText d = DecimalFromPlainText(normal);
  if (d.IsZero()) {
    result = Currency();
    return true;
  }
  int keep = d.Exponent + 4;
  if (keep > 19) return false;
  if (keep < 0) {
    result = Currency();
    return true;
  }
  std::string digits = d.Digits;
  bool roundUp = false;
  if (static_cast<int>(digits.size()) > keep) {
    std::string rest = digits.substr(static_cast<std::size_t>(keep));
    digits.resize(static_cast<std::size_t>(keep));
    bool exactHalf = rest[0] == '5' && rest.find_first_not_of('0', 1) == std::string::npos;
    int lastDigit = digits.empty() ? 0 : digits.back() - '0';
    roundUp = rest[0] > '5' || (rest[0] == '5' && (!exactHalf || (lastDigit & 1)));
  } else {
    digits.append(static_cast<std::size_t>(keep) - digits.size(), '0');
  }
  unsigned __int128 v = 0;
  for (char c : digits) v = v * 10 + static_cast<unsigned>(c - '0');
  if (roundUp) ++v;
  unsigned __int128 limit = static_cast<unsigned __int128>(INT64_MAX) + (d.Negative ? 1 : 0);
  if (v > limit) return false;
  result = Currency::FromRaw(d.Negative ? static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(v))
                                        : static_cast<std::int64_t>(v));
  return true;
}

bool TryStrToCurr(const std::string& text, Currency& result) { return TryStrToCurr(text, result, FormatSettings); }

Currency StrToCurr(const std::string& text) {
  Currency c;
  if (!TryStrToCurr(text, c)) ThrowInvalidFloat(text);
  return c;
}

Currency StrToCurrDef(const std::string& text, Currency defaultValue) {
  Currency c;
  return TryStrToCurr(text, c) ? c : defaultValue;
}

// ---- Format ------------------------------------------------------------------------------

std::string Format(const std::string& format, const std::vector<TVarRec>& args) {
  return Format(format, args, FormatSettings);
}

std::string Format(const std::string& format, const std::vector<TVarRec>& args, const TFormatSettings& st) {
  auto invalid = [&]() -> EConvertError {
    return EConvertError("Format '" + format + "' invalid or incompatible with argument");
  };
  std::string out;
  std::size_t argIndex = 0;
  std::size_t i = 0;
  // Widths, precisions and indexes beyond this are refused: a few bytes of format must not
  // make a piece of gigabytes (or overflow the count).
  constexpr std::int64_t kMaxFormatNumber = 65535;
  auto readNumber = [&](int& value) -> bool {
    if (i < format.size() && format[i] == '*') {
      ++i;
      if (argIndex >= args.size() || args[argIndex].kind() != TVarRec::vtInt64) throw invalid();
      const std::int64_t v = args[argIndex++].asInt();
      if (v > kMaxFormatNumber) throw invalid();
      value = static_cast<int>(std::max<std::int64_t>(v, -1));
      return true;
    }
    bool any = false;
    value = 0;
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') {
      value = value * 10 + (format[i++] - '0');
      if (value > kMaxFormatNumber) throw invalid();
      any = true;
    }
    return any;
  };
  while (i < format.size()) {
    char c = format[i++];
    if (c != '%') {
      out += c;
      continue;
    }
    if (i < format.size() && format[i] == '%') {
      out += '%';
      ++i;
      continue;
    }
    int width = -1, precision = -1, number = 0;
    bool left = false;
    std::size_t digitsEnd = i;
    while (digitsEnd < format.size() && format[digitsEnd] >= '0' && format[digitsEnd] <= '9') ++digitsEnd;
    if (digitsEnd > i && digitsEnd < format.size() && format[digitsEnd] == ':') {
      int index = 0;
      readNumber(index);
      argIndex = static_cast<std::size_t>(index);
      i = digitsEnd + 1;
    }
    if (i < format.size() && format[i] == '-') {
      left = true;
      ++i;
    }
    if (readNumber(number)) width = number;
    if (i < format.size() && format[i] == '.') {
      ++i;
      precision = readNumber(number) ? number : 0;
    }
    if (i >= format.size()) throw invalid();
    char type = static_cast<char>(std::tolower(static_cast<unsigned char>(format[i++])));
    if (argIndex >= args.size()) throw invalid();
    const TVarRec& a = args[argIndex++];
    bool isInt = a.kind() == TVarRec::vtInt64 || a.kind() == TVarRec::vtUInt64;
    auto asDouble = [&]() -> double {
      switch (a.kind()) {
        case TVarRec::vtDouble: return a.asDouble();
        case TVarRec::vtCurrency: return static_cast<double>(a.asInt()) / 10000.0;
        case TVarRec::vtInt64: return static_cast<double>(a.asInt());
        case TVarRec::vtUInt64: return static_cast<double>(a.asUInt());
        default: throw invalid();
      }
    };
    std::string piece;
    switch (type) {
      case 'd':
      case 'u': {
        if (!isInt) throw invalid();
        bool neg = a.kind() == TVarRec::vtInt64 && a.asInt() < 0;
        std::uint64_t m = a.kind() == TVarRec::vtUInt64 ? a.asUInt()
                          : neg                         ? 0 - static_cast<std::uint64_t>(a.asInt())
                                                        : static_cast<std::uint64_t>(a.asInt());
        if (type == 'u' && neg) {
          m = static_cast<std::uint64_t>(a.asInt());
          if (a.asInt() >= INT32_MIN) m &= 0xFFFFFFFFu;
          neg = false;
        }
        piece = std::to_string(m);
        if (precision > static_cast<int>(piece.size()))
          piece.insert(0, static_cast<std::size_t>(precision) - piece.size(), '0');
        if (neg) piece.insert(piece.begin(), '-');
        break;
      }
      case 'x': {
        if (!isInt) throw invalid();
        std::int64_t v = a.kind() == TVarRec::vtInt64 ? a.asInt() : static_cast<std::int64_t>(a.asUInt());
        if (a.kind() == TVarRec::vtInt64 && v < 0 && v >= INT32_MIN) v &= 0xFFFFFFFF;
        piece = IntToHex(v, std::max(precision, 0));
        break;
      }
      case 'p':
        if (a.kind() != TVarRec::vtPointer) throw invalid();
        piece = IntToHex(static_cast<std::int64_t>(a.asUInt()), 16);
        break;
      case 's':
        if (a.kind() != TVarRec::vtString) throw invalid();
        piece = a.asString();
        if (precision >= 0) piece.resize(Utf8OffsetOf(piece, static_cast<std::size_t>(precision)));
        break;
      case 'f': piece = FloatToStrF(asDouble(), ffFixed, 18, precision < 0 ? 2 : precision, st); break;
      case 'n': piece = FloatToStrF(asDouble(), ffNumber, 18, precision < 0 ? 2 : precision, st); break;
      case 'm':
        piece = FloatToStrF(asDouble(), ffCurrency, 18, precision < 0 ? st.CurrencyDecimals : precision, st);
        break;
      case 'g': piece = FloatToStrF(asDouble(), ffGeneral, precision <= 0 ? 15 : precision, 3, st); break;
      case 'e': piece = FloatToStrF(asDouble(), ffExponent, precision <= 0 ? 15 : precision, 3, st); break;
      default: throw invalid();
    }
    int chars = static_cast<int>(Utf8Length(piece));
    if (width > chars) {
      std::string pad(static_cast<std::size_t>(width - chars), ' ');
      piece = left ? piece + pad : pad + piece;
    }
    out += piece;
  }
  return out;
}

// ---- Strings -----------------------------------------------------------------------------

std::string Trim(const std::string& s) { return std::string(TrimView(s)); }

std::string TrimLeft(const std::string& s) {
  std::size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRight(const std::string& s) {
  std::size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string UpperCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

std::string AnsiUpperCase(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return Utf8UpperCase(s);
  return UpperCase(s);
}

std::string AnsiLowerCase(const std::string& s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return Utf8LowerCase(s);
  return LowerCase(s);
}

WideString WideUpperCase(const WideString& s) {
  QString q = QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toUpper();
  return WideString(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<std::size_t>(q.size()));
}

WideString WideLowerCase(const WideString& s) {
  QString q = QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toLower();
  return WideString(reinterpret_cast<const char16_t*>(q.utf16()), static_cast<std::size_t>(q.size()));
}

int CompareStr(const std::string& a, const std::string& b) {
  int r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

int CompareText(const std::string& a, const std::string& b) { return CompareStr(LowerCase(a), LowerCase(b)); }
bool SameStr(const std::string& a, const std::string& b) { return a == b; }
bool SameText(const std::string& a, const std::string& b) { return a.size() == b.size() && CompareText(a, b) == 0; }

namespace {

// Creating a collator is costly; keep one per thread and case mode, made again only when the
// collation locale of the settings changes.
QCollator& Collator(bool caseSensitive) {
  struct Cached {
    bool made = false;
    std::string locale;
    QCollator collator;
  };
  thread_local Cached cache[2];
  Cached& c = cache[caseSensitive ? 1 : 0];
  const std::string& name = FormatSettings.CollationLocale;
  if (!c.made || c.locale != name) {
    QLocale locale = name.empty() ? QLocale::system() : QLocale(QString::fromStdString(name));
    c.collator = QCollator(locale);
    c.collator.setCaseSensitivity(caseSensitive ? Qt::CaseSensitive : Qt::CaseInsensitive);
    c.locale = name;
    c.made = true;
  }
  return c.collator;
}

int Sign(int v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

}  // namespace

int AnsiCompareStr(const std::string& a, const std::string& b) {
  int r = Sign(Collator(true).compare(ToQ(a), ToQ(b)));
  return r != 0 ? r : CompareStr(a, b);  // texts the collation holds equal still differ
}

int AnsiCompareText(const std::string& a, const std::string& b) {
  return Sign(Collator(false).compare(ToQ(a), ToQ(b)));
}

bool AnsiSameStr(const std::string& a, const std::string& b) { return a == b; }
bool AnsiSameText(const std::string& a, const std::string& b) {
  return ToQ(a).compare(ToQ(b), Qt::CaseInsensitive) == 0;
}

std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags) {
  if (oldPattern.empty()) return s;
  bool all = (flags & rfReplaceAll) != 0;
  std::string out;
  if (!(flags & rfIgnoreCase)) {
    std::size_t from = 0;
    while (true) {
      std::size_t hit = s.find(oldPattern, from);
      if (hit == std::string::npos) break;
      out.append(s, from, hit - from);
      out += newPattern;
      from = hit + oldPattern.size();
      if (!all) break;
    }
    out.append(s, from, std::string::npos);
    return out;
  }
  // Case-folded search over UTF-16, mapped back to whole characters of the UTF-8 text.
  QString text = ToQ(s);
  QString pattern = ToQ(oldPattern);
  qsizetype from = 0;
  QString result;
  while (true) {
    qsizetype hit = text.indexOf(pattern, from, Qt::CaseInsensitive);
    if (hit < 0) break;
    result += text.mid(from, hit - from);
    result += ToQ(newPattern);
    from = hit + pattern.size();
    if (!all) break;
  }
  result += text.mid(from);
  return FromQ(result);
}

int Pos(const std::string& sub, const std::string& s, int offset) {
  if (sub.empty() || offset < 1) return 0;
  std::size_t hit = s.find(sub, static_cast<std::size_t>(offset - 1));
  return hit == std::string::npos ? 0 : static_cast<int>(hit) + 1;
}

std::string Copy(const std::string& s, int index, int count) {
  if (index < 1) index = 1;
  if (count <= 0 || static_cast<std::size_t>(index) > s.size()) return {};
  return s.substr(static_cast<std::size_t>(index - 1), static_cast<std::size_t>(count));
}

std::string AnsiQuotedStr(const std::string& s, char quote) {
  std::string out(1, quote);
  for (char c : s) {
    out += c;
    if (c == quote) out += c;
  }
  out += quote;
  return out;
}

std::string QuotedStr(const std::string& s) { return AnsiQuotedStr(s, '\''); }

std::string AnsiExtractQuotedStr(const std::string& s, std::size_t& pos, char quote) {
  if (pos >= s.size() || s[pos] != quote) return {};
  std::string out;
  std::size_t i = pos + 1;
  while (i < s.size()) {
    if (s[i] == quote) {
      if (i + 1 < s.size() && s[i + 1] == quote) {
        out += quote;
        i += 2;
        continue;
      }
      ++i;
      break;
    }
    out += s[i++];
  }
  pos = i;
  return out;
}

std::string AnsiDequotedStr(const std::string& s, char quote) {
  if (s.empty() || s[0] != quote) return s;
  std::size_t pos = 0;
  return AnsiExtractQuotedStr(s, pos, quote);
}

bool IsValidIdent(const std::string& ident, bool allowDots) {
  auto alpha = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; };
  auto alnum = [&](char c) { return alpha(c) || (c >= '0' && c <= '9'); };
  if (ident.empty() || !alpha(ident[0])) return false;
  for (std::size_t i = 1; i < ident.size(); ++i) {
    char c = ident[i];
    if (alnum(c)) continue;
    if (allowDots && c == '.' && i + 1 < ident.size() && alpha(ident[i + 1])) continue;
    return false;
  }
  return true;
}

// ---- File names and files -----------------------------------------------------------------

std::string ExtractFileName(const std::string& fileName) {
  std::size_t p = fileName.rfind(PathDelim);
  return p == std::string::npos ? fileName : fileName.substr(p + 1);
}

std::string ExtractFilePath(const std::string& fileName) {
  std::size_t p = fileName.rfind(PathDelim);
  return p == std::string::npos ? std::string() : fileName.substr(0, p + 1);
}

std::string ExtractFileDir(const std::string& fileName) {
  std::size_t p = fileName.rfind(PathDelim);
  if (p == std::string::npos) return {};
  return p == 0 ? std::string(1, PathDelim) : fileName.substr(0, p);
}

std::string ExtractFileExt(const std::string& fileName) {
  std::size_t dot = fileName.rfind('.');
  std::size_t slash = fileName.rfind(PathDelim);
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return fileName.substr(dot);
}

std::string ChangeFileExt(const std::string& fileName, const std::string& extension) {
  std::string ext = ExtractFileExt(fileName);
  return fileName.substr(0, fileName.size() - ext.size()) + extension;
}

std::string IncludeTrailingPathDelimiter(const std::string& path) {
  return (!path.empty() && path.back() == PathDelim) ? path : path + PathDelim;
}

std::string ExcludeTrailingPathDelimiter(const std::string& path) {
  return (path.size() > 1 && path.back() == PathDelim) ? path.substr(0, path.size() - 1) : path;
}

bool FileExists(const std::string& fileName) {
  std::error_code ec;
  return !fileName.empty() && std::filesystem::is_regular_file(fileName, ec);
}

bool DirectoryExists(const std::string& directory) {
  std::error_code ec;
  return !directory.empty() && std::filesystem::is_directory(directory, ec);
}

bool ForceDirectories(const std::string& directory) {
  if (directory.empty()) return false;
  std::error_code ec;
  std::filesystem::create_directories(directory, ec);
  return DirectoryExists(directory);
}

bool DeleteFile(const std::string& fileName) {
  std::error_code ec;
  return FileExists(fileName) && std::filesystem::remove(fileName, ec);
}

bool CopyFile(const std::string& existingFileName, const std::string& newFileName, bool failIfExists, unsigned rights) {
  int in = ::open(existingFileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st {};
  if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(in);
    return false;
  }
  // O_EXCL: the target is checked and created in one step, so a copy never overwrites.
  int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (failIfExists ? O_EXCL : O_TRUNC);
  int out = ::open(newFileName.c_str(), flags, static_cast<mode_t>(rights));
  if (out < 0) {
    ::close(in);
    return false;
  }
  bool ok = true;
  char buffer[1 << 16];
  while (ok) {
    ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    for (ssize_t done = 0; ok && done < n;) {
      ssize_t w = ::write(out, buffer + done, static_cast<std::size_t>(n - done));
      if (w < 0 && errno == EINTR) continue;
      if (w <= 0)
        ok = false;
      else
        done += w;
    }
  }
  ::close(in);
  if (::close(out) != 0) ok = false;
  if (!ok) ::unlink(newFileName.c_str());
  return ok;
}

namespace {
std::vector<std::string> CommandLine() {
  std::vector<std::string> args;
  std::FILE* f = std::fopen("/proc/self/cmdline", "rb");
  if (!f) return args;
  std::string arg;
  for (int c; (c = std::fgetc(f)) != EOF;) {
    if (c == 0) {
      args.push_back(arg);
      arg.clear();
    } else {
      arg += static_cast<char>(c);
    }
  }
  std::fclose(f);
  return args;
}
}  // namespace

std::string ParamStr(int index) {
  if (index == 0) {
    std::error_code ec;
    std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
  }
  std::vector<std::string> args = CommandLine();
  return index > 0 && static_cast<std::size_t>(index) < args.size() ? args[static_cast<std::size_t>(index)]
                                                                    : std::string();
}

int ParamCount() {
  std::size_t n = CommandLine().size();
  return n > 0 ? static_cast<int>(n - 1) : 0;
}
