// The list box's integral-height rule.

#include <gtest/gtest.h>

#include "editors/kcListBox.h"

namespace {

TEST(ListBox, IntegralHeightKeepsWholeItems) {
  auto fixed = [](int h) { return [h](int) { return h; }; };
  struct Case {
    int requested, borders, count, scrollWidth, clientWidth, expected;
  } cases[] = {
      {100, 0, 20, 0, 100, 91},    // seven items of 13
      {91, 0, 20, 0, 100, 91},     // already whole
      {5, 0, 20, 0, 100, 13},      // at least one item
      {100, 2, 20, 0, 100, 95},    // borders 2 + 2, then whole items
      {100, 0, 20, 200, 100, 95},  // six items and the horizontal scroll bar
      {100, 0, 3, 0, 100, 91},     // fewer items than fit: still whole rows
  };
  for (const auto& c : cases) {
    TkcIntegralHeightParams p;
    p.BorderTop = p.BorderBottom = c.borders;
    p.ItemCount = c.count;
    p.ScrollWidth = c.scrollWidth;
    p.ClientWidth = c.clientWidth;
    p.ItemHeight = fixed(13);
    EXPECT_EQ(CalculateIntegralHeight(c.requested, p), c.expected) << c.requested << " borders " << c.borders;
  }
  // Owner-measured items of different heights.
  TkcIntegralHeightParams p;
  p.ItemCount = 4;
  p.ItemHeight = [](int i) { return 10 * (i + 1); };
  EXPECT_EQ(CalculateIntegralHeight(50, p), 30);
  EXPECT_EQ(CalculateIntegralHeight(60, p), 60);
}

}  // namespace
