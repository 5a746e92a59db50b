// The combo box list: preferred size in rows and resizing in whole rows (rows 13 pixels high).

#include <gtest/gtest.h>

#include "editors/kcComboBoxLayout.h"

namespace {

TkcComboListMetrics Items(int count) {
  TkcComboListMetrics m;
  m.ItemCount = count;
  m.ItemHeight = [](int) { return 13; };
  m.ItemWidth = [](int i) { return 40 + (i % 5) * 10; };  // the widest is 80
  return m;
}

TEST(ComboBoxLayout, PreferredSizeInRows) {
  int scrollWidth = 0;
  EXPECT_EQ(CalculateComboListPreferredSize(Items(20), 8, 0, scrollWidth), (SIZE{84 + 17, 8 * 13}));
  EXPECT_EQ(scrollWidth, 84);
  EXPECT_EQ(CalculateComboListPreferredSize(Items(3), 8, 0, scrollWidth), (SIZE{64, 3 * 13}));  // no scroll bar
  EXPECT_EQ(CalculateComboListPreferredSize(Items(3), 8, 50, scrollWidth), (SIZE{64, 3 * 13 + 17}));
}

TEST(ComboBoxLayout, ResizingKeepsWholeRows) {
  struct Case {
    int requested, current, maxHeight, expected;
  } cases[] = {
      {70, 104, 0, 78},      // shrinking: the first row count that covers the request
      {110, 104, 0, 104},    // growing a little: the last whole row that fits
      {117, 104, 0, 117},    // exactly nine rows
      {200, 104, 150, 143},  // limited by the room for the popup
      {1000, 104, 0, 260},   // never more than every item
  };
  for (const auto& c : cases) {
    SIZE size{120, c.requested};
    FitComboListSizeToRows(Items(20), size, SIZE{120, c.current}, c.maxHeight, 84);
    EXPECT_EQ(size.cy, c.expected) << c.requested << " from " << c.current;
  }
  SIZE same{120, 104};
  FitComboListSizeToRows(Items(20), same, SIZE{120, 104}, 0, 84);
  EXPECT_EQ(same.cy, 104);
}

}  // namespace
