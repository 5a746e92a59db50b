#pragma once
// Integer scaling and rounding as the drawing and formatting code expects them.

#include <cmath>
#include <cstdint>

// Number * Numerator / Denominator with a 64-bit product, rounded to nearest, halves away from
// zero; -1 when Denominator is 0 or the result does not fit an int.
int MulDiv(int Number, int Numerator, int Denominator);
// The same over 64-bit values with a 128-bit product; -1 when Denominator is 0, the result held
// to the 64-bit range. For spans of the whole int range (Max - Min + 1 needs 33 bits).
std::int64_t MulDiv64(std::int64_t Number, std::int64_t Numerator, std::int64_t Denominator);
// Nearest integer, halves to even (banker's rounding).
std::int64_t Round(double X);
// Toward zero.
std::int64_t Trunc(double X);
// X - Trunc(X), with the sign of X.
double Frac(double X);
// Rounds to 10^Digit (Digit -2: hundredths), halves away from zero.
double SimpleRoundTo(double Value, int Digit = -2);
// Doubles in a total order (-1, 0, 1): NaN equal to NaN and before every number, as variants
// order them, so that sorting by a float column never meets an inconsistent comparison.
// Inline: sorts call it once per comparison.
inline int CompareDoubles(double X, double Y) {
  const bool nx = std::isnan(X), ny = std::isnan(Y);
  if (nx || ny) return nx == ny ? 0 : nx ? -1 : 1;
  return X < Y ? -1 : X > Y ? 1 : 0;
}

template <class T>
constexpr T Min(T A, T B) {
  return B < A ? B : A;
}
template <class T>
constexpr T Max(T A, T B) {
  return A < B ? B : A;
}
template <class T>
constexpr bool InRange(T Value, T AMin, T AMax) {
  return !(Value < AMin) && !(AMax < Value);
}
template <class T>
constexpr T EnsureRange(T Value, T AMin, T AMax) {
  T Result = Value;
  if (Result < AMin) Result = AMin;
  if (AMax < Result) Result = AMax;
  return Result;
}
