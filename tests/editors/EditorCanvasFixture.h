#pragma once
// A fixture for layout and drawing tests of editors: fixed font metrics (characters 7 pixels
// wide, rows 13 high), one set of edit styles without native drawing, and a bitmap canvas.

#include <gtest/gtest.h>

#include <memory>

#include "editors/kcEditStyles.h"
#include "platform/gdi/FontMetrics.h"

class EditorCanvasFixture : public ::testing::Test {
protected:
  void SetUp() override {
    SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
    styles = std::make_unique<TkcContainerStyles>(nullptr, TkcEditStyle::StaticClass());
    style()->LookAndFeel()->SetNativeStyle(false);
    bitmap = std::make_unique<TBitmap>(200, 40);
    canvas = std::make_unique<TkcCanvas>(bitmap->Canvas());
  }
  void TearDown() override {
    canvas.reset();
    bitmap.reset();
    styles.reset();
    SetFontSource(nullptr);
  }
  TkcEditStyle* style() { return static_cast<TkcEditStyle*>(styles->Normal()); }
  std::unique_ptr<TkcContainerStyles> styles;
  std::unique_ptr<TBitmap> bitmap;
  std::unique_ptr<TkcCanvas> canvas;
};
