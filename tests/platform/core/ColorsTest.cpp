#include <gtest/gtest.h>

#include "platform/core/Colors.h"

namespace {

TEST(ColorsToRGB, SystemColoursThroughTheTable) {
  ResetSysColors();
  EXPECT_EQ(clBtnFace, static_cast<TColor>(0xFF00000F));
  EXPECT_EQ(clMenuBar, static_cast<TColor>(0xFF00001E));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(212, 208, 200));
  EXPECT_EQ(ColorToRGB(clWindow), RGB(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clHighlight), RGB(10, 36, 106));
  EXPECT_EQ(ColorToRGB(clRed), 0x0000FFu);
  EXPECT_EQ(ColorToRGB(clNone), 0x1FFFFFFFu);
  EXPECT_EQ(GetSysColor(99), 0u);
  EXPECT_TRUE(IsSystemColor(cl3DDkShadow));
  EXPECT_FALSE(IsSystemColor(clDefault));

  SetSysColor(COLOR_BTNFACE, RGB(1, 2, 3));
  EXPECT_EQ(ColorToRGB(clBtnFace), RGB(1, 2, 3));
  ResetSysColors();
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(212, 208, 200));
}

}  // namespace
