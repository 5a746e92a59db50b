// Drop-down window geometry: edges, extent, grip corner, size and sizing zones. The system
// metrics are the platform's defaults (scroll bars 17, caption buttons 18).

#include <gtest/gtest.h>

#include "editors/kcEditPopupLayout.h"
#include "platform/win/Windows.h"

namespace {

TEST(EditPopupLayout, EdgeWidthsAndClientExtent) {
  const int borders[] = {0, 1, 4, 2}, edges[] = {0, 2, 2, 1};
  for (int s = epbsDefault; s <= epbsFlat; ++s) {
    EXPECT_EQ(GetEditPopupBorderWidth(TkcEditPopupBorderStyle(s), false), borders[s]) << s;
    EXPECT_EQ(GetEditPopupClientEdgeWidth(TkcEditPopupBorderStyle(s), false), edges[s]) << s;
    EXPECT_EQ(GetEditPopupBorderWidth(TkcEditPopupBorderStyle(s), true), 1);
    EXPECT_EQ(GetEditPopupClientEdgeWidth(TkcEditPopupBorderStyle(s), true), 2);
  }
  TkcEditPopupLayout layout;
  layout.BorderStyle = epbsSingle;
  layout.ClientEdge = true;
  layout.Shadow = true;
  layout.SysPanelStyle = true;
  const int panel = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
  layout.SizeGripCorner = sgcBottomRight;
  EXPECT_EQ(layout.CalculateClientExtent(), (TRect{3, 3, 6, 6 + panel + 1}));
  layout.SizeGripCorner = sgcTopLeft;
  EXPECT_EQ(layout.CalculateClientExtent(), (TRect{3, 3 + panel + 1, 6, 6}));
  layout.MinSysPanelHeight = 40;
  EXPECT_EQ(layout.GetSysPanelHeight(), 40);
}

TEST(EditPopupLayout, GripCornerAgainstTheOwnerAndWorkArea) {
  const TRect work{0, 0, 1024, 768};
  struct Case {
    TAlignment alignment;
    POINT p;
    int width;
    TRect owner;
    TkcSizeGripCorner corner;
  } cases[] = {
      {taLeftJustify, {100, 221}, 200, {100, 200, 250, 221}, sgcBottomRight},
      {taLeftJustify, {824, 221}, 200, {900, 200, 1024, 221}, sgcBottomLeft},  // pushed left at the edge
      {taLeftJustify, {100, 100}, 200, {100, 200, 250, 221}, sgcTopRight},     // above the owner
      {taLeftJustify, {0, 221}, 200, {-20, 200, 150, 221}, sgcBottomRight},    // owner past the left edge
      {taRightJustify, {50, 221}, 200, {100, 200, 250, 221}, sgcBottomRight},  // more room on the right
      {taRightJustify, {700, 221}, 200, {750, 200, 900, 221}, sgcBottomLeft},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CalculateSizeGripCorner(c.alignment, c.p, c.width, c.owner, work), c.corner) << c.p.x << "," << c.p.y;
  EXPECT_EQ(GetEditPopupShadowShift(true, POINT{100, 100}, TRect{100, 200, 250, 221}), 3);
  EXPECT_EQ(GetEditPopupShadowShift(true, POINT{100, 221}, TRect{100, 200, 250, 221}), 0);
  EXPECT_EQ(GetEditPopupShadowShift(false, POINT{100, 100}, TRect{100, 200, 250, 221}), 0);
}

TEST(EditPopupLayout, SizeAndSizingZones) {
  TkcEditPopupLayout layout;
  layout.BorderStyle = epbsSingle;
  TkcEditPopupSizeRequest request;
  request.AutoSize = true;
  request.ClientSize = SIZE{300, 150};
  EXPECT_EQ(CalculateEditPopupSize(layout, request), (SIZE{302, 152}));
  request.AutoSize = false;
  request.OwnerWidth = 120;
  request.MinHeight = 60;
  EXPECT_EQ(CalculateEditPopupSize(layout, request), (SIZE{120, 60}));  // owner's width, least height
  request.Sizeable = true;
  request.MinWidth = 200;
  request.PopupHeight = 30;
  EXPECT_EQ(CalculateEditPopupSize(layout, request), (SIZE{200, 60}));

  // A sizeable popup with its grip bottom-left moves only its left and bottom edges.
  layout.Sizeable = true;
  layout.SysPanelStyle = true;
  layout.CloseButton = true;
  layout.SizeGripCorner = sgcBottomLeft;
  layout.Bounds = TRect{500, 300, 700, 450};
  layout.Calculate();
  const int grip = layout.GetSysPanelHeight() - 2;
  EXPECT_EQ(layout.SizeGripSizingRect, (TRect{1, 149 - grip, 1 + grip, 149}));
  EXPECT_EQ(layout.CloseButtonRect.right, 199 - 1 - 2);
  int h = 0, v = 0;
  EXPECT_TRUE(layout.GetSizingHitTest(5, 140, h, v));  // on the grip
  EXPECT_EQ(h, -1);
  EXPECT_EQ(v, 1);
  EXPECT_TRUE(layout.GetSizingHitTest(0, 50, h, v));  // left border
  EXPECT_EQ(h, -1);
  EXPECT_EQ(v, 0);
  EXPECT_FALSE(layout.GetSizingHitTest(199, 50, h, v));  // the right edge stays
  EXPECT_FALSE(layout.GetSizingHitTest(100, 75, h, v));  // inside
  const TSize min = layout.GetMinSize();
  EXPECT_EQ(min.cx, 2 + (layout.GetSysPanelHeight() - 4) + grip + 10);
}

}  // namespace
