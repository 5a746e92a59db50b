#include "platform/core/FMTBcd.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "platform/core/NumberText.h"

namespace {

// value = (Negative ? -1 : 1) x Digits x 10^-Scale; Digits without leading zeros, "" for zero.
struct Dec {
  bool Negative = false;
  std::string Digits;
  int Scale = 0;
};

void StripLeading(std::string& d) {
  std::size_t first = d.find_first_not_of('0');
  d.erase(0, first == std::string::npos ? d.size() : first);
}

Dec FromBcd(const TBcd& b) {
  Dec d;
  int precision = std::min<int>(b.Precision, 64);
  for (int i = 0; i < precision; ++i) {
    std::uint8_t byte = b.Fraction[i / 2];
    int nibble = (i % 2 == 0) ? (byte >> 4) : (byte & 0x0F);
    d.Digits += static_cast<char>('0' + std::min(nibble, 9));
  }
  d.Scale = b.SignSpecialPlaces & 0x3F;
  d.Negative = (b.SignSpecialPlaces & 0x80) != 0;
  StripLeading(d.Digits);
  if (d.Digits.empty()) d.Negative = false;
  return d;
}

// Drops the last `count` digits, rounding half away from zero.
void DropDigits(Dec& d, int count) {
  if (count <= 0) return;
  if (count > static_cast<int>(d.Digits.size())) {
    d.Digits.clear();
    d.Scale -= count;
    return;
  }
  bool up = d.Digits[d.Digits.size() - static_cast<std::size_t>(count)] >= '5';
  d.Digits.resize(d.Digits.size() - static_cast<std::size_t>(count));
  d.Scale -= count;
  if (up) {
    int i = static_cast<int>(d.Digits.size()) - 1;
    while (i >= 0 && d.Digits[static_cast<std::size_t>(i)] == '9') d.Digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0)
      ++d.Digits[static_cast<std::size_t>(i)];
    else
      d.Digits.insert(d.Digits.begin(), '1');
  }
}

void DropTrailingZeros(Dec& d) {
  while (d.Scale > 0 && !d.Digits.empty() && d.Digits.back() == '0') {
    d.Digits.pop_back();
    --d.Scale;
  }
  StripLeading(d.Digits);
  if (d.Digits.empty()) {
    d.Scale = 0;
    d.Negative = false;
  }
}

TBcd ToBcd(Dec d) {
  StripLeading(d.Digits);
  if (d.Scale < 0) {
    d.Digits.append(static_cast<std::size_t>(-d.Scale), '0');
    d.Scale = 0;
    StripLeading(d.Digits);
  }
  // Too many digits or decimals: give up decimals first; integer digits never.
  int excess = std::max(
      static_cast<int>(std::max<std::size_t>(d.Digits.size(), static_cast<std::size_t>(d.Scale))) - 64, d.Scale - 63);
  if (excess > 0) {
    if (excess > d.Scale) throw EBcdOverflowException("BCD overflow");
    DropDigits(d, excess);
    StripLeading(d.Digits);
    if (static_cast<int>(d.Digits.size()) > 64) throw EBcdOverflowException("BCD overflow");
  }
  if (d.Digits.empty()) d.Negative = false;
  std::string digits = d.Digits;
  int precision = std::max(static_cast<int>(digits.size()), d.Scale);
  if (precision == 0) precision = 1;
  digits.insert(0, static_cast<std::size_t>(precision) - digits.size(), '0');
  TBcd b;
  b.Precision = static_cast<std::uint8_t>(precision);
  b.SignSpecialPlaces = static_cast<std::uint8_t>(d.Scale | (d.Negative ? 0x80 : 0));
  for (int i = 0; i < precision; ++i) {
    std::uint8_t v = static_cast<std::uint8_t>(digits[static_cast<std::size_t>(i)] - '0');
    b.Fraction[i / 2] |= (i % 2 == 0) ? static_cast<std::uint8_t>(v << 4) : v;
  }
  return b;
}

// The digit strings of a and b at one scale.
void Align(const Dec& a, const Dec& b, std::string& da, std::string& db, int& scale) {
  scale = std::max(a.Scale, b.Scale);
  da = a.Digits + std::string(static_cast<std::size_t>(scale - a.Scale), '0');
  db = b.Digits + std::string(static_cast<std::size_t>(scale - b.Scale), '0');
  StripLeading(da);
  StripLeading(db);
}

int CompareMagnitude(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  int r = a.compare(b);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

std::string AddMagnitude(const std::string& a, const std::string& b) {
  std::string r;
  int carry = 0;
  for (std::size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
    int s = carry;
    if (i < a.size()) s += a[a.size() - 1 - i] - '0';
    if (i < b.size()) s += b[b.size() - 1 - i] - '0';
    r += static_cast<char>('0' + s % 10);
    carry = s / 10;
  }
  std::reverse(r.begin(), r.end());
  StripLeading(r);
  return r;
}

// a - b with a >= b.
std::string SubMagnitude(const std::string& a, const std::string& b) {
  std::string r;
  int borrow = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    int s = (a[a.size() - 1 - i] - '0') - borrow - (i < b.size() ? b[b.size() - 1 - i] - '0' : 0);
    borrow = s < 0;
    r += static_cast<char>('0' + (s + 10) % 10);
  }
  std::reverse(r.begin(), r.end());
  StripLeading(r);
  return r;
}

Dec Add(const Dec& a, const Dec& b) {
  std::string da, db;
  Dec r;
  Align(a, b, da, db, r.Scale);
  if (a.Negative == b.Negative) {
    r.Digits = AddMagnitude(da, db);
    r.Negative = a.Negative;
  } else if (CompareMagnitude(da, db) >= 0) {
    r.Digits = SubMagnitude(da, db);
    r.Negative = a.Negative;
  } else {
    r.Digits = SubMagnitude(db, da);
    r.Negative = b.Negative;
  }
  return r;
}

int Compare(const Dec& a, const Dec& b) {
  bool za = a.Digits.empty(), zb = b.Digits.empty();
  int sa = za ? 0 : a.Negative ? -1 : 1;
  int sb = zb ? 0 : b.Negative ? -1 : 1;
  if (sa != sb) return sa < sb ? -1 : 1;
  if (sa == 0) return 0;
  std::string da, db;
  int scale;
  Align(a, b, da, db, scale);
  int m = CompareMagnitude(da, db);
  return sa < 0 ? -m : m;
}

bool ParseDec(const std::string& text, char separator, Dec& d) {
  std::size_t i = 0, n = text.size();
  while (i < n && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  while (n > i && static_cast<unsigned char>(text[n - 1]) <= ' ') --n;
  d = Dec();
  if (i < n && (text[i] == '-' || text[i] == '+')) d.Negative = text[i++] == '-';
  bool point = false;
  int digits = 0;
  for (; i < n; ++i) {
    char c = text[i];
    if (c >= '0' && c <= '9') {
      d.Digits += c;
      ++digits;
      if (point) ++d.Scale;
    } else if (!point && (c == '.' || c == separator)) {
      point = true;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool negExp = false;
    if (i < n && (text[i] == '-' || text[i] == '+')) negExp = text[i++] == '-';
    int e = 0, ed = 0;
    while (i < n && text[i] >= '0' && text[i] <= '9' && ed < 5) e = e * 10 + (text[i++] - '0'), ++ed;
    if (ed == 0) return false;
    d.Scale += negExp ? e : -e;
  }
  if (i != n) return false;
  StripLeading(d.Digits);
  if (d.Digits.empty()) {
    d.Negative = false;
    d.Scale = 0;
  }
  return true;
}

std::string PlainText(const Dec& d, char separator) {
  if (d.Digits.empty()) return "0";
  std::string digits = d.Digits;
  if (static_cast<int>(digits.size()) <= d.Scale)
    digits.insert(0, static_cast<std::size_t>(d.Scale) - digits.size() + 1, '0');
  std::string out = d.Negative ? "-" : "";
  out += digits.substr(0, digits.size() - static_cast<std::size_t>(d.Scale));
  if (d.Scale > 0) out += separator + digits.substr(digits.size() - static_cast<std::size_t>(d.Scale));
  return out;
}

Dec Normalized(const TBcd& b) {
  Dec d = FromBcd(b);
  DropTrailingZeros(d);
  return d;
}

}  // namespace

int BcdPrecision(const TBcd& bcd) {
  Dec d = FromBcd(bcd);
  return std::max(static_cast<int>(d.Digits.size()), d.Scale);
}

int BcdScale(const TBcd& bcd) { return bcd.SignSpecialPlaces & 0x3F; }

bool IsBcdNegative(const TBcd& bcd) { return !FromBcd(bcd).Digits.empty() && (bcd.SignSpecialPlaces & 0x80); }

bool TryStrToBcd(const std::string& text, TBcd& result, const TFormatSettings& settings) {
  Dec d;
  if (!ParseDec(text, settings.DecimalSeparator, d)) return false;
  try {
    result = ToBcd(d);
  } catch (const EBcdOverflowException&) {
    return false;
  }
  return true;
}

bool TryStrToBcd(const std::string& text, TBcd& result) { return TryStrToBcd(text, result, FormatSettings); }

TBcd StrToBcd(const std::string& text) {
  Dec d;
  if (!ParseDec(text, FormatSettings.DecimalSeparator, d))
    throw EConvertError("'" + text + "' is not a valid BCD value");
  return ToBcd(d);
}

std::string BcdToStr(const TBcd& bcd) { return BcdToStr(bcd, FormatSettings); }

std::string BcdToStr(const TBcd& bcd, const TFormatSettings& settings) {
  return PlainText(Normalized(bcd), settings.DecimalSeparator);
}

std::string BcdToStrF(const TBcd& bcd, TFloatFormat format, int precision, int digits) {
  TDecimalText t = DecimalFromPlainText(PlainText(Normalized(bcd), '.'));
  return FormatDecimal(t, format, precision <= 0 ? 64 : precision, digits, FormatSettings);
}

TBcd IntegerToBcd(std::int64_t value) {
  Dec d;
  ParseDec(std::to_string(value), '.', d);
  return ToBcd(d);
}

std::int64_t BcdToInt64(const TBcd& bcd) {
  Dec d = FromBcd(bcd);
  std::string digits = d.Digits;
  digits.resize(digits.size() > static_cast<std::size_t>(d.Scale) ? digits.size() - static_cast<std::size_t>(d.Scale)
                                                                  : 0);
  if (digits.empty()) return 0;
  std::int64_t v = 0;
  std::string text = (d.Negative ? "-" : "") + digits;
  auto res = std::from_chars(text.data(), text.data() + text.size(), v);
  if (res.ec != std::errc()) throw EBcdOverflowException("BCD overflow");
  return v;
}

int BcdToInteger(const TBcd& bcd) {
  std::int64_t v = BcdToInt64(bcd);
  if (v < INT32_MIN || v > INT32_MAX) throw EBcdOverflowException("BCD overflow");
  return static_cast<int>(v);
}

TBcd DoubleToBcd(double value) {
  if (!std::isfinite(value)) throw EBcdException("Invalid BCD value");
  char buf[64];
  auto res = std::to_chars(buf, buf + sizeof buf, value);  // the shortest exact text
  Dec d;
  ParseDec(std::string(buf, res.ptr), '.', d);
  return ToBcd(d);
}

double BcdToDouble(const TBcd& bcd) {
  TFormatSettings c;
  double v = 0;
  TryStrToFloat(PlainText(FromBcd(bcd), '.'), v, c);
  return v;
}

TBcd CurrencyToBcd(Currency value) {
  Dec d;
  ParseDec(std::to_string(value.Val), '.', d);
  d.Scale = 4;
  DropTrailingZeros(d);
  return ToBcd(d);
}

bool CurrToBCD(Currency value, TBcd& result, int precision, int decimals) {
  return NormalizeBcd(CurrencyToBcd(value), result, precision, decimals);
}

bool BCDToCurr(const TBcd& bcd, Currency& result) {
  Dec d = FromBcd(bcd);
  if (d.Scale > 4) DropDigits(d, d.Scale - 4);
  std::string digits = d.Digits + std::string(static_cast<std::size_t>(4 - d.Scale), '0');
  StripLeading(digits);
  if (digits.empty()) {
    result = Currency();
    return true;
  }
  std::int64_t raw = 0;
  std::string text = (d.Negative ? "-" : "") + digits;
  auto res = std::from_chars(text.data(), text.data() + text.size(), raw);
  if (res.ec != std::errc()) return false;
  result = Currency::FromRaw(raw);
  return true;
}

int BcdCompare(const TBcd& a, const TBcd& b) { return Compare(FromBcd(a), FromBcd(b)); }

void BcdAdd(const TBcd& a, const TBcd& b, TBcd& result) { result = ToBcd(Add(FromBcd(a), FromBcd(b))); }

void BcdSubtract(const TBcd& a, const TBcd& b, TBcd& result) {
  Dec nb = FromBcd(b);
  nb.Negative = !nb.Negative;
  result = ToBcd(Add(FromBcd(a), nb));
}

void BcdMultiply(const TBcd& a, const TBcd& b, TBcd& result) {
  Dec x = Normalized(a), y = Normalized(b);
  Dec r;
  if (x.Digits.empty() || y.Digits.empty()) {
    result = ToBcd(r);
    return;
  }
  r.Negative = x.Negative != y.Negative;
  r.Scale = x.Scale + y.Scale;
  std::vector<int> acc(x.Digits.size() + y.Digits.size(), 0);
  for (std::size_t i = 0; i < x.Digits.size(); ++i)
    for (std::size_t j = 0; j < y.Digits.size(); ++j) acc[i + j + 1] += (x.Digits[i] - '0') * (y.Digits[j] - '0');
  for (std::size_t k = acc.size() - 1; k > 0; --k) {
    acc[k - 1] += acc[k] / 10;
    acc[k] %= 10;
  }
  for (int v : acc) r.Digits += static_cast<char>('0' + v);
  StripLeading(r.Digits);
  DropTrailingZeros(r);
  result = ToBcd(r);
}

void BcdDivide(const TBcd& dividend, const TBcd& divisor, TBcd& result) {
  Dec a = Normalized(dividend), b = Normalized(divisor);
  if (b.Digits.empty()) throw EZeroDivide("Floating point division by zero");
  Dec r;
  r.Negative = a.Negative != b.Negative;
  if (a.Digits.empty()) {
    result = ToBcd(r);
    return;
  }
  // Integer digits of the quotient, at most one more than this estimate.
  int intDigits = (static_cast<int>(a.Digits.size()) - a.Scale) - (static_cast<int>(b.Digits.size()) - b.Scale) + 1;
  int scale = std::clamp(64 - std::max(intDigits, 1), 0, 63);
  // a / b at `scale` decimals = (a.Digits x 10^k) / b.Digits with k = scale - a.Scale + b.Scale.
  int k = scale - a.Scale + b.Scale;
  std::string num = a.Digits;
  if (k >= 0)
    num.append(static_cast<std::size_t>(k), '0');
  else
    num.resize(num.size() > static_cast<std::size_t>(-k) ? num.size() - static_cast<std::size_t>(-k) : 0);
  std::string quotient, rem;
  for (char c : num) {
    rem += c;
    StripLeading(rem);
    int q = 0;
    while (CompareMagnitude(rem, b.Digits) >= 0) {
      rem = SubMagnitude(rem, b.Digits);
      ++q;
    }
    quotient += static_cast<char>('0' + q);
  }
  r.Digits = quotient;
  r.Scale = scale;
  StripLeading(r.Digits);
  // Truncate to 64 digits if the estimate was one short.
  if (static_cast<int>(r.Digits.size()) > 64 && r.Scale > 0) {
    int drop = std::min(static_cast<int>(r.Digits.size()) - 64, r.Scale);
    r.Digits.resize(r.Digits.size() - static_cast<std::size_t>(drop));
    r.Scale -= drop;
  }
  DropTrailingZeros(r);
  result = ToBcd(r);
}

void BcdDivide(const TBcd& dividend, std::int64_t divisor, TBcd& result) {
  BcdDivide(dividend, IntegerToBcd(divisor), result);
}

TBcd NormalizeBcd(const TBcd& bcd) { return ToBcd(Normalized(bcd)); }

bool NormalizeBcd(const TBcd& in, TBcd& out, int precision, int decimals) {
  Dec d = FromBcd(in);
  decimals = std::clamp(decimals, 0, 63);
  if (d.Scale > decimals) DropDigits(d, d.Scale - decimals);
  std::string digits = d.Digits + std::string(static_cast<std::size_t>(std::max(0, decimals - d.Scale)), '0');
  d.Digits = digits;
  d.Scale = decimals;
  StripLeading(d.Digits);
  if (static_cast<int>(d.Digits.size()) > std::min(precision, 64)) return false;
  TBcd b = ToBcd(d);
  // Keep the asked decimals, so that 1.5 normalized to 2 decimals shows as 1.50.
  out = b;
  return true;
}
