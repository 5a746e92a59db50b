#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/core/Math.h"
#include "platform/core/SysUtils.h"

namespace {

TEST(MathMulDiv, RoundsHalvesAwayFromZero) {
  struct Case {
    int n, num, den, expect;
  };
  const Case cases[] = {
      {5, 1, 2, 3},
      {-5, 1, 2, -3},
      {5, -1, 2, -3},
      {-5, -1, 2, 3},
      {7, 1, 3, 2},
      {8, 1, 3, 3},
      {-7, 1, 3, -2},
      {3, 1, 4, 1},
      {100, 3, 0, -1},
      {0, 5, 7, 0},
      {65536, 65536, 65536, 65536},
      {2000000000, 2, 4, 1000000000},  // the product exceeds 32 bits
      {INT32_MAX, 2, 1, -1},           // the result does not fit
      {INT32_MIN, 1, 1, INT32_MIN},
      {INT32_MIN, -1, 1, -1},
      {1, 1, -2, -1},
      {3, 5, 10, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(MulDiv(c.n, c.num, c.den), c.expect) << c.n << "*" << c.num << "/" << c.den;
}

TEST(MathRound, HalvesToEvenAndTruncation) {
  struct Case {
    double x;
    std::int64_t round, trunc;
  };
  const Case cases[] = {
      {0.5, 0, 0},    {1.5, 2, 1},    {2.5, 2, 2},    {-0.5, 0, 0},   {-1.5, -2, -1},
      {-2.5, -2, -2}, {2.4999, 2, 2}, {2.5001, 3, 2}, {-2.7, -3, -2}, {1e15 + 0.5, 1000000000000000, 1000000000000000},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Round(c.x), c.round) << c.x;
    EXPECT_EQ(Trunc(c.x), c.trunc) << c.x;
  }
  EXPECT_DOUBLE_EQ(Frac(-2.75), -0.75);
  EXPECT_THROW(Round(std::nan("")), EInvalidOperation);
  EXPECT_THROW(Trunc(1e30), EInvalidOperation);
}

TEST(MathHelpers, RangesAndSimpleRoundTo) {
  EXPECT_EQ(EnsureRange(5, 0, 3), 3);
  EXPECT_EQ(EnsureRange(-5, 0, 3), 0);
  EXPECT_TRUE(InRange(3, 0, 3));
  EXPECT_FALSE(InRange(4, 0, 3));
  EXPECT_EQ(Min(2, -1), -1);
  EXPECT_EQ(Max(2.0, 3.5), 3.5);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1.235), 1.24);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(-1.235), -1.24);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(1250, 2), 1300);
  EXPECT_DOUBLE_EQ(SimpleRoundTo(2.5, 0), 3);
}

TEST(MathHelpers, CompareDoublesIsATotalOrderWithNaNFirst) {
  const double nan = std::nan("");
  struct Case {
    double x, y;
    int want;
  };
  for (const Case& c : {Case{1, 2, -1}, Case{2, 1, 1}, Case{-0.0, 0.0, 0}, Case{nan, nan, 0}, Case{nan, -1e308, -1},
                        Case{-1e308, nan, 1}})
    EXPECT_EQ(CompareDoubles(c.x, c.y), c.want) << c.x << " " << c.y;
}

}  // namespace
