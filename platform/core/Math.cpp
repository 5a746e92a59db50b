#include "platform/core/Math.h"

#include <cmath>
#include <limits>

#include "platform/core/SysUtils.h"

namespace {
// The value must be a finite number whose integer part fits 64 bits.
double CheckedForInt64(double X) {
  if (!std::isfinite(X) || X >= 9223372036854775808.0 || X < -9223372036854775808.0)
    throw EInvalidOperation("Invalid floating point operation");
  return X;
}
}  // namespace

int MulDiv(int Number, int Numerator, int Denominator) {
  if (Denominator == 0) return -1;
  std::int64_t product = static_cast<std::int64_t>(Number) * Numerator;
  std::int64_t d = Denominator;
  bool negative = (product < 0) != (d < 0);
  // |product| <= 2^62 and |d| <= 2^31: the magnitudes fit without overflow.
  std::uint64_t p = product < 0 ? 0 - static_cast<std::uint64_t>(product) : static_cast<std::uint64_t>(product);
  std::uint64_t q = d < 0 ? 0 - static_cast<std::uint64_t>(d) : static_cast<std::uint64_t>(d);
  std::uint64_t result = (p + q / 2) / q;  // halves away from zero
  if (result > static_cast<std::uint64_t>(std::numeric_limits<int>::max()) + (negative ? 1 : 0)) return -1;
  return negative ? static_cast<int>(-static_cast<std::int64_t>(result)) : static_cast<int>(result);
}

std::int64_t MulDiv64(std::int64_t Number, std::int64_t Numerator, std::int64_t Denominator) {
  if (Denominator == 0) return -1;
  using Wide = __int128;
  const Wide product = static_cast<Wide>(Number) * Numerator;
  const bool negative = (product < 0) != (Denominator < 0);
  const Wide p = product < 0 ? -product : product;
  const Wide q = Denominator < 0 ? -static_cast<Wide>(Denominator) : static_cast<Wide>(Denominator);
  const Wide result = (p + q / 2) / q;  // halves away from zero
  const Wide limit = negative ? -static_cast<Wide>(std::numeric_limits<std::int64_t>::min())
                              : static_cast<Wide>(std::numeric_limits<std::int64_t>::max());
  const Wide held = result > limit ? limit : result;
  return static_cast<std::int64_t>(negative ? -held : held);
}

std::int64_t Round(double X) { return static_cast<std::int64_t>(CheckedForInt64(std::nearbyint(X))); }

std::int64_t Trunc(double X) { return static_cast<std::int64_t>(CheckedForInt64(std::trunc(X))); }

double Frac(double X) { return X - std::trunc(X); }

double SimpleRoundTo(double Value, int Digit) {
  double factor = std::pow(10.0, Digit);
  double scaled = Value / factor;
  return (Value < 0 ? std::trunc(scaled - 0.5) : std::trunc(scaled + 0.5)) * factor;
}
