// What an editor's view info draws for each look and feel, read from a recording device
// context: button frames by paint style, the Office 2003 gradient buttons, and the themed
// edit frame and buttons when the look and feel is native.

#include <gtest/gtest.h>

#include <set>

#include "controls/kcOffice11.h"
#include "editors/kcEditUtils.h"
#include "editors/kcEditViewInfo.h"
#include "tests/controls/FakeTheme.h"
#include "tests/editors/EditorCanvasFixture.h"

namespace {

class EditPaintingTest : public EditorCanvasFixture {
protected:
  void SetUp() override {
    EditorCanvasFixture::SetUp();
    properties = std::make_unique<TkcCustomEditProperties>(nullptr);
    properties->Buttons()->Add()->SetKind(bkEllipsis);
    style()->SetColor(clWindow);
    AddOffice11ColorsUser();
  }
  void TearDown() override {
    RemoveOffice11ColorsUser();
    properties.reset();
    EditorCanvasFixture::TearDown();
  }
  // Calculates over (0, 0, 200, 21) with the mouse at P (a press when APressed) and paints.
  std::vector<GdiRecord> Paint(bool AInplace, POINT P = {-1, -1}, bool APressed = false) {
    std::unique_ptr<TkcCustomEditViewData> data(properties->CreateViewData(style(), AInplace));
    data->Button = APressed ? 1 : 0;
    info = std::make_unique<TkcCustomEditViewInfo>();
    data->Calculate(canvas.get(), TRect{0, 0, 200, 21}, P, APressed ? TShiftState{ssLeft} : TShiftState{}, info.get(),
                    APressed);
    const HDC dc = canvas->Handle();
    StartRecording(dc);
    info->DrawBackground(canvas.get());
    return StopRecording(dc);
  }
  const TRect& ButtonBounds() { return info->ButtonsInfo[0]->Bounds; }
  // The colours filled inside the button.
  std::set<COLORREF> ButtonFills(const std::vector<GdiRecord>& ACalls) {
    std::set<COLORREF> colors;
    const TRect& b = ButtonBounds();
    for (const GdiRecord& r : ACalls)
      if (r.op == "FillRect" && r.rect.left >= b.left && r.rect.right <= b.right) colors.insert(r.brushColor);
    return colors;
  }
  std::unique_ptr<TkcCustomEditProperties> properties;
  std::unique_ptr<TkcCustomEditViewInfo> info;
};

}  // namespace

TEST_F(EditPaintingTest, InplaceButtonsFollowTheLookAndFeel) {
  const COLORREF highlight = ColorToRGB(clBtnHighlight), shadow = ColorToRGB(clBtnShadow),
                 dkShadow = ColorToRGB(cl3DDkShadow), face = ColorToRGB(clBtnFace), dots = ColorToRGB(clBtnText);
  struct Case {
    TkcLookAndFeelKind kind;
    TkcEditButtonStyle paintStyle;
    std::set<COLORREF> expected;  // colours the normal button's frame, face and dots use
  } cases[] = {
      {lfFlat, btsFlat, {face, highlight, shadow, dots}},
      {lfStandard, bts3D, {face, highlight, shadow, dkShadow, ColorToRGB(cl3DLight), dots}},
      // Framed in the editor's background colour.
      {lfUltraFlat, btsUltraFlat, {face, ColorToRGB(clWindow), dots}},
      {lfOffice11, btsOffice11, {face, ColorToRGB(clWindow), dots}},
  };
  for (const Case& c : cases) {
    style()->LookAndFeel()->SetKind(c.kind);
    const auto calls = Paint(true);
    EXPECT_EQ(info->ButtonsInfo[0]->Data.Style, c.paintStyle) << c.kind;
    EXPECT_EQ(ButtonFills(calls), c.expected) << c.kind;
  }
  // Hot, the flat look's button is framed in the highlight border colour and filled with the hot colour.
  style()->LookAndFeel()->SetKind(lfUltraFlat);
  const auto hot = Paint(true, POINT{190, 10});
  EXPECT_EQ(info->ButtonsInfo[0]->Data.State, ebsSelected);
  EXPECT_TRUE(ButtonFills(hot).count(ColorToRGB(GetHighlightBorderColor(false))));
  EXPECT_TRUE(ButtonFills(hot).count(ColorToRGB(GetFlatButtonColor(false, false))));
}

TEST_F(EditPaintingTest, GradientButtonsOfTheOffice2003Look) {
  style()->LookAndFeel()->SetKind(lfOffice11);
  style()->SetGradientButtons(true);
  const auto normal = Paint(true);
  TColor top, bottom;
  GetOffice11ButtonGradient(ebsNormal, top, bottom);
  // The gradient runs from the light colour at the top to the dark one at the bottom, over
  // the button's column less one pixel at each end.
  std::vector<GdiRecord> bands;
  for (const GdiRecord& r : normal)
    if (r.op == "FillRect" && r.rect.left == ButtonBounds().left && r.rect.right == ButtonBounds().right &&
        r.brushColor != ColorToRGB(clWindow))  // not the frame
      bands.push_back(r);
  ASSERT_GT(bands.size(), 2u);
  EXPECT_EQ(bands.front().brushColor, ColorToRGB(top));
  EXPECT_EQ(bands.front().rect.top, 1);
  EXPECT_EQ(bands.back().brushColor, ColorToRGB(bottom));
  EXPECT_EQ(bands.back().rect.bottom, 20);
  EXPECT_FALSE(ButtonFills(normal).count(ColorToRGB(clBtnFace)));
  // Pressed, the pressed pair fills the whole height.
  const auto pressed = Paint(true, POINT{190, 10}, true);
  ASSERT_EQ(info->ButtonsInfo[0]->Data.State, ebsPressed);
  GetOffice11ButtonGradient(ebsPressed, top, bottom);
  EXPECT_TRUE(ButtonFills(pressed).count(ColorToRGB(top)));
  EXPECT_TRUE(ButtonFills(pressed).count(ColorToRGB(bottom)));
  // Without gradient buttons the face is one colour.
  style()->SetGradientButtons(false);
  GetOffice11ButtonGradient(ebsNormal, top, bottom);
  const auto plain = ButtonFills(Paint(true));
  EXPECT_FALSE(plain.count(ColorToRGB(bottom)));
  EXPECT_TRUE(plain.count(ColorToRGB(clBtnFace)));
}

TEST_F(EditPaintingTest, NativeLookDrawsThemedFrameAndButtons) {
  TFakeTheme theme;
  TThemeScope scope(&theme);
  style()->LookAndFeel()->SetNativeStyle(true);
  properties->Buttons()->Items(0)->SetKind(bkDown);  // alone and down: a combo drop-down button
  Paint(false);
  ASSERT_EQ(theme.Calls.size(), 2u);
  EXPECT_EQ(theme.Calls[0].classList, u"Edit");
  EXPECT_EQ(theme.Calls[0].state, 1);
  EXPECT_EQ(theme.Calls[1].classList, u"ComboBox");
  EXPECT_EQ(theme.Calls[1].part, 1);
  EXPECT_EQ(theme.Calls[1].state, 1);
  // The buttons lie inside the theme's content margins.
  EXPECT_EQ(ButtonBounds().top, theme.Inset);
  EXPECT_EQ(ButtonBounds().right, 200 - theme.Inset);

  // Button states map to theme states: hot 2, pressed 3; the read-only edit frame is state 6.
  theme.Calls.clear();
  Paint(false, POINT{190, 10});
  EXPECT_EQ(theme.Calls.back().state, 2);
  theme.Calls.clear();
  Paint(false, POINT{190, 10}, true);
  EXPECT_EQ(theme.Calls.back().state, 3);
  properties->SetReadOnly(true);
  theme.Calls.clear();
  Paint(false);
  EXPECT_EQ(theme.Calls.front().state, 6);

  // Two buttons are push buttons, and their content (the ellipsis) is drawn over the theme.
  properties->Buttons()->Add()->SetKind(bkEllipsis);
  theme.Calls.clear();
  Paint(false);
  EXPECT_EQ(theme.Calls.back().classList, u"Button");
}
