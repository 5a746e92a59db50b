// Group box captions and the button group's items, columns, layout and arrow keys.

#include <gtest/gtest.h>

#include "editors-extended/kcGroupBox.h"
#include "platform/win/Windows.h"

namespace {

TEST(GroupBox, CaptionRectanglePerAlignment) {
  const TSize text{40, 13};  // T = 40, U = 13 in a 185 x 105 group
  const std::pair<TkcCaptionAlignment, TRect> cases[] = {
      {alTopLeft, Rect(8, 0, 48, 13)},         {alTopCenter, Rect(72, 0, 112, 13)},
      {alTopRight, Rect(137, 0, 177, 13)},     {alBottomLeft, Rect(8, 90, 48, 103)},
      {alCenterCenter, Rect(72, 46, 112, 59)}, {alLeftTop, Rect(-1, 8, 12, 48)},
      {alLeftCenter, Rect(-1, 33, 12, 73)},    {alLeftBottom, Rect(-1, 57, 12, 97)},
      {alRightTop, Rect(173, 8, 186, 48)},     {alRightCenter, Rect(173, 32, 186, 72)},
      {alRightBottom, Rect(173, 57, 186, 97)},
  };
  for (const auto& [alignment, expected] : cases)
    EXPECT_EQ(CalculateGroupCaptionRect(alignment, text, 185, 105, false), expected) << alignment;
  EXPECT_EQ(CalculateGroupCaptionRect(alTopRight, text, 185, 105, true), Rect(134, 0, 174, 13)) << "shadow";
  EXPECT_EQ(CalculateGroupCaptionRect(alTopLeft, TSize{0, 13}, 185, 105, false), TRect{}) << "empty caption";
  EXPECT_TRUE(IsVerticalCaption(alRightCenter));
  EXPECT_FALSE(IsVerticalCaption(alCenterCenter));
}

TEST(ButtonGroup, ColumnsNeverStayEmpty) {
  TkcCustomButtonGroupProperties p(nullptr);
  EXPECT_EQ(p.GetColumnCount(), 0);
  for (const char* c : {"A", "B", "C", "D", "E"}) p.Items()->Add()->SetCaption(c);
  p.SetColumns(4);
  EXPECT_EQ(p.GetColumnCount(), 3) << "5 items in 4 columns: 2, 2 and 1";
  EXPECT_EQ(p.GetRowCount(), 2);
  p.SetColumns(0);
  EXPECT_EQ(p.Columns(), 1);
  EXPECT_EQ(p.Items()->GetCaption(4), "E");

  int changes = 0;
  p.OnPropertiesChanged = [&changes](TObject*) { ++changes; };
  p.Items()->Items(1)->SetCaption("Bee");
  EXPECT_EQ(changes, 1) << "an item's change is the properties' change";
  TkcCustomButtonGroupProperties q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.Items()->Count(), 5);
  EXPECT_EQ(q.Items()->Items(1)->Caption(), "Bee");
}

TEST(ButtonGroup, LayoutFillsColumnsTopToBottom) {
  TkcButtonGroupItemMetrics m;
  m.ColumnGap = 4;
  // 5 items, 3 columns of (180 - 2 gaps) / 3 = 57, rows of 2 in a client 91 high.
  const TRect bounds = Rect(0, 0, 190, 105), extent = Rect(5, 10, 5, 4);
  EXPECT_EQ(LayoutButtonGroupItem(0, 5, 3, bounds, extent, m), Rect(5, 10, 62, 55));
  EXPECT_EQ(LayoutButtonGroupItem(1, 5, 3, bounds, extent, m), Rect(5, 55, 62, 100));
  EXPECT_EQ(LayoutButtonGroupItem(4, 5, 3, bounds, extent, m), Rect(127, 10, 184, 55));
}

TEST(ButtonGroup, ArrowKeys) {
  // 5 items in 3 columns: [0 1] [2 3] [4].
  struct Case {
    int from;
    WORD key;
    int to;
  } cases[] = {{0, VK_DOWN, 1},  {1, VK_DOWN, 1},  {4, VK_DOWN, 4},  {1, VK_UP, 0},
               {0, VK_UP, 0},    {0, VK_RIGHT, 2}, {2, VK_RIGHT, 4}, {3, VK_RIGHT, 3},
               {4, VK_RIGHT, 4}, {4, VK_LEFT, 2},  {1, VK_LEFT, 1},  {-1, VK_DOWN, -1}};
  for (const Case& c : cases) EXPECT_EQ(ButtonGroupArrowTarget(c.from, 5, 3, c.key), c.to) << c.from << " " << c.key;
}

}  // namespace
