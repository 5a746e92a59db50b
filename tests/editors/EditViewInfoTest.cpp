// Editor layout without a window: border and content extents, button layout and paint styles.

#include <gtest/gtest.h>

#include <memory>

#include "EditorCanvasFixture.h"
#include "editors/kcEditViewInfo.h"
#include "platform/win/Windows.h"

namespace {

class EditViewInfoTest : public EditorCanvasFixture {
protected:
  void SetUp() override {
    EditorCanvasFixture::SetUp();
    style()->SetTransparentBorder(false);
    style()->SetEditBorderStyle(ebsSingle);
  }
  std::unique_ptr<TkcCustomEditViewData> Data(bool inplace) {
    return std::unique_ptr<TkcCustomEditViewData>(properties.CreateViewData(style(), inplace));
  }
  TkcCustomEditProperties properties{nullptr};
};

TEST_F(EditViewInfoTest, BorderExtentsAndContentOffsets) {
  struct Case {
    TkcEditBorderStyle border;
    bool shadow, transparent;
    TRect extent;
  } cases[] = {
      {ebsSingle, false, false, {1, 1, 1, 1}},   {ebsSingle, true, false, {1, 1, 4, 4}},
      {ebsSingle, false, true, {2, 2, 2, 2}},    {ebsThick, false, true, {2, 2, 2, 2}},
      {ebsNone, false, false, {0, 0, 0, 0}},     {ebs3D, false, false, {2, 2, 2, 2}},
      {ebsOffice11, false, false, {1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    style()->SetEditBorderStyle(c.border);
    style()->SetShadow(c.shadow);
    style()->SetTransparentBorder(c.transparent);
    EXPECT_EQ(Data(false)->GetBorderExtent(), c.extent) << c.border << " " << c.shadow << " " << c.transparent;
  }
  style()->SetShadow(false);
  style()->SetTransparentBorder(false);
  style()->SetEditBorderStyle(ebsSingle);
  style()->SetEdges(TkcBorders{bLeft, bBottom});
  EXPECT_EQ(Data(false)->GetBorderExtent(), (TRect{1, 0, 0, 1}));
  EXPECT_EQ(Data(false)->GetContentDefaultOffsets(), (TRect{1, 1, 1, 3}));
  EXPECT_EQ(Data(true)->GetContentDefaultOffsets(), (TRect{1, 1, 1, 1}));
  EXPECT_EQ(Data(true)->GetBorderStyle(), ebsNone);
  EXPECT_EQ(Data(true)->GetBorderExtent(), (TRect{0, 0, 0, 0}));
}

TEST_F(EditViewInfoTest, ButtonPaintStylePerLookAndFeel) {
  EXPECT_EQ(Data(false)->GetButtonPaintStyle(), btsHotFlat);
  const std::pair<TkcLookAndFeelKind, TkcEditButtonStyle> inplace[] = {
      {lfFlat, btsFlat}, {lfStandard, bts3D}, {lfUltraFlat, btsUltraFlat}, {lfOffice11, btsOffice11}};
  for (auto [kind, expected] : inplace) {
    style()->LookAndFeel()->SetKind(kind);
    EXPECT_EQ(Data(true)->GetButtonPaintStyle(), expected) << kind;
  }
  const std::pair<TkcEditBorderStyle, TkcEditButtonStyle> standAlone[] = {
      {ebsNone, btsSimple}, {ebsThick, bts3D}, {ebsFlat, btsFlat}, {ebsUltraFlat, btsUltraFlat}};
  for (auto [border, expected] : standAlone) {
    style()->SetEditBorderStyle(border);
    EXPECT_EQ(Data(false)->GetButtonPaintStyle(), expected) << border;
  }
  style()->SetButtonStyle(bts3D);
  EXPECT_EQ(Data(true)->GetButtonPaintStyle(), bts3D);
}

TEST_F(EditViewInfoTest, ButtonsLayOutFromTheRight) {
  for (int i = 0; i < 3; ++i) properties.Buttons()->Add()->SetWidth(17);
  auto data = Data(false);
  data->Focused = true;
  TkcCustomEditViewInfo info;
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  ASSERT_EQ(info.ButtonsInfo.size(), 3u);
  EXPECT_EQ(info.ButtonsInfo[2]->Bounds, (TRect{182, 1, 199, 20}));
  EXPECT_EQ(info.ButtonsInfo[1]->Bounds, (TRect{165, 1, 182, 20}));
  EXPECT_EQ(info.ButtonsInfo[0]->Bounds, (TRect{148, 1, 165, 20}));
  EXPECT_TRUE(info.ButtonsInfo[2]->Data.Rightmost);
  EXPECT_TRUE(info.ButtonsInfo[0]->Data.Leftmost);
  EXPECT_FALSE(info.ButtonsInfo[1]->Data.Leftmost || info.ButtonsInfo[1]->Data.Rightmost);
  EXPECT_EQ(info.ClientRect, (TRect{1, 1, 148, 20}));
  EXPECT_EQ(info.BorderRect, (TRect{1, 1, 199, 20}));

  // Hot and pressed under the mouse.
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{170, 10}, TShiftState{}, &info, false);
  EXPECT_EQ(info.HotButton, 1);
  EXPECT_EQ(info.ButtonsInfo[1]->Data.State, ebsSelected);
  data->Button = 1;  // a left-button press
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{190, 10}, TShiftState{ssLeft}, &info, true);
  EXPECT_EQ(info.PressedButton, 2);

  // A narrow area: the first placed button is cut, the others get nothing.
  data->Calculate(canvas.get(), TRect{0, 0, 12, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  EXPECT_EQ(info.ButtonsInfo[2]->Bounds, (TRect{1, 1, 11, 20}));
  EXPECT_TRUE(IsRectEmpty(&info.ButtonsInfo[1]->Bounds));
  EXPECT_TRUE(IsRectEmpty(&info.ButtonsInfo[0]->Bounds));

  // Hidden while not focused.
  style()->SetButtonTransparency(ebtHideInactive);
  data->Focused = false;
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  EXPECT_TRUE(info.ButtonsInfo.empty());
  data->Focused = true;
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  EXPECT_EQ(info.ButtonsInfo.size(), 3u);
}

TEST_F(EditViewInfoTest, LeftButtonsStretchingAndEditSize) {
  properties.Buttons()->Add()->SetLeftAlignment(true);  // default width: the scroll-bar size
  properties.Buttons()->Add()->SetWidth(20);
  auto data = Data(false);
  TkcCustomEditViewInfo info;
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  const int w = GetSystemMetrics(SM_CYHSCROLL);
  EXPECT_EQ(info.ButtonsInfo[0]->Bounds, (TRect{1, 1, 1 + w, 20}));
  EXPECT_EQ(info.ClientRect.left, 1 + w);
  EXPECT_EQ(info.ClientRect.right, 179);

  // Buttons only: the free space goes to the buttons in proportion to their widths.
  properties.SetButtonsViewKind(bvkButtonsOnly);
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  EXPECT_EQ(info.ButtonsInfo[0]->Bounds.left, 1);
  EXPECT_EQ(info.ButtonsInfo[1]->Bounds.right, 199);
  EXPECT_EQ(info.ButtonsInfo[0]->Bounds.right, info.ButtonsInfo[1]->Bounds.left);  // nothing left over
  properties.SetButtonsViewKind(bvkNormal);

  const TSize size = data->CalculateEditSize(canvas.get(), Variant(), TkcEditSizeProperties{});
  EXPECT_EQ(size.cx, 2 + w + 20);  // borders and buttons; the base kind has no content
  EXPECT_EQ(size.cy, 2);
}

}  // namespace

namespace {

class EditPaintTest : public EditorCanvasFixture {
protected:
  COLORREF At(int x, int y) { return ColorFromPixel(bitmap->Pixels()->At(x, y)) & 0xFFFFFF; }
  int Count(const TRect& r, TColor c) {
    int n = 0;
    for (int y = r.top; y < r.bottom; ++y)
      for (int x = r.left; x < r.right; ++x) n += At(x, y) == ColorToRGB(c);
    return n;
  }
  TkcCustomEditProperties properties{nullptr};
};

TEST_F(EditPaintTest, BorderBackgroundAndDropDownButton) {
  style()->SetTransparentBorder(false);
  style()->SetEditBorderStyle(ebsSingle);
  style()->SetBorderColor(clBlack);
  properties.Buttons()->Add();  // a drop-down arrow
  std::unique_ptr<TkcCustomEditViewData> data(properties.CreateViewData(style(), false));
  TkcCustomEditViewInfo info;
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{-1, -1}, TShiftState{}, &info, false);
  canvas->FillRect(TRect{0, 0, 200, 40}, clRed);
  info.DrawBackground(canvas.get());
  EXPECT_EQ(At(0, 0), 0u);
  EXPECT_EQ(At(199, 20), 0u);
  EXPECT_EQ(At(20, 10), ColorToRGB(style()->Color()));
  const TRect button = info.ButtonsInfo[0]->Bounds;
  EXPECT_EQ(button, (TRect{182, 1, 199, 20}));
  EXPECT_EQ(At(button.left, 10), ColorToRGB(clBtnShadow));  // the ring next to the text
  EXPECT_GT(Count(button, clBtnText), 0);                   // the arrow
  EXPECT_EQ(Count(TRect{0, 0, 200, 21}, clRed), 0);         // everything painted

  // Pressed, the hot-flat face turns dark and the arrow light.
  data->Button = 1;  // a left-button press
  data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, POINT{190, 10}, TShiftState{ssLeft}, &info, true);
  info.DrawBackground(canvas.get());
  EXPECT_GT(Count(button, clBtnText), 20);
  EXPECT_GT(Count(button, clWindow), 0);
}

TEST_F(EditPaintTest, EllipsisDotsAndDisabledButtons) {
  style()->SetTransparentBorder(false);
  properties.Buttons()->Add()->SetKind(bkEllipsis);
  std::unique_ptr<TkcCustomEditViewData> data(properties.CreateViewData(style(), true));
  TkcCustomEditViewInfo info;
  data->Calculate(canvas.get(), TRect{0, 0, 100, 20}, POINT{-1, -1}, TShiftState{}, &info, false);
  info.DrawBackground(canvas.get());
  const TRect button = info.ButtonsInfo[0]->Bounds;
  EXPECT_EQ(Count(button, clBtnText), 3 * 2 * 2);  // three dots of 2 x 2 in a wide button
  data->Enabled = false;
  data->Calculate(canvas.get(), TRect{0, 0, 100, 20}, POINT{-1, -1}, TShiftState{}, &info, false);
  info.DrawBackground(canvas.get());
  EXPECT_EQ(Count(button, clBtnText), 0);
  EXPECT_GT(Count(button, clBtnHighlight), 0);
}

}  // namespace
