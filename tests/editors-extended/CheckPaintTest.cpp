// The check square painted per border style and state, on a recording DC, and its glyph and
// border choices.

#include <gtest/gtest.h>

#include "editors-extended/kcCheckBox.h"
#include "platform/gdi/Surface.h"

namespace {

struct Painted {
  std::vector<GdiRecord> calls;
  TBitmap bitmap{20, 20};
  Painted(TkcCheckBoxState state, TkcCheckButtonState button, TkcEditBorderStyle style,
          TkcCheckBoxNullValueShowingStyle nullStyle = nssGrayedChecked, TBitmap* glyph = nullptr, int glyphs = 0) {
    TkcCanvas canvas(bitmap.Canvas());
    StartRecording(canvas.Handle());
    PaintCheckArea(&canvas, Rect(2, 2, 17, 17), state, button, glyph, glyphs, style, clRed, clWindow, true, false,
                   false, nullStyle);
    calls = StopRecording(canvas.Handle());
  }
  const GdiRecord* Find(const std::string& op) const {
    for (const auto& c : calls)
      if (c.op == op) return &c;
    return nullptr;
  }
  int Count(COLORREF c) {
    const Surface* s = BitmapSurface(bitmap.Handle());
    int n = 0;
    for (int i = 0; i < s->Width() * s->Height(); ++i) n += ColorFromPixel(s->Bits()[i]) == c;
    return n;
  }
};

TEST(CheckPaint, ClassicStylesUseTheFrameControl) {
  struct Case {
    TkcCheckBoxState state;
    TkcCheckButtonState button;
    TkcEditBorderStyle style;
    TkcCheckBoxNullValueShowingStyle nullStyle;
    UINT flags;
  } cases[] = {
      {cbsChecked, kccbsNormal, ebsSingle, nssGrayedChecked, DFCS_CHECKED | DFCS_FLAT},
      {cbsUnchecked, kccbsPressed, ebs3D, nssGrayedChecked, DFCS_PUSHED},
      {cbsGrayed, kccbsNormal, ebsFlat, nssInactive, DFCS_BUTTON3STATE | DFCS_INACTIVE | DFCS_FLAT},
      {cbsGrayed, kccbsHot, ebsThick, nssGrayedChecked, DFCS_BUTTON3STATE | DFCS_CHECKED | DFCS_FLAT},
      {cbsGrayed, kccbsNormal, ebsNone, nssUnchecked, DFCS_FLAT},
      {cbsChecked, kccbsDisabled, ebs3D, nssGrayedChecked, DFCS_BUTTON3STATE | DFCS_PUSHED | DFCS_CHECKED},
      {cbsUnchecked, kccbsDisabled, ebsSingle, nssGrayedChecked,
       DFCS_BUTTON3STATE | DFCS_PUSHED | DFCS_INACTIVE | DFCS_FLAT},
  };
  for (const Case& c : cases) {
    Painted p(c.state, c.button, c.style, c.nullStyle);
    const GdiRecord* frame = p.Find("DrawFrameControl");
    ASSERT_NE(frame, nullptr) << c.style;
    // The recording keeps the control type in the high word and the state in the low word.
    EXPECT_EQ(frame->flags >> 16, DFC_BUTTON);
    EXPECT_EQ(frame->flags & 0xFFFFu, c.flags | DFCS_BUTTONCHECK) << c.state << " " << c.button << " " << c.style;
  }
  Painted single(cbsChecked, kccbsNormal, ebsSingle);
  EXPECT_GT(single.Count(RGB(255, 0, 0)), 40) << "the border colour frames the square";
}

TEST(CheckPaint, FlatStylesDrawTheMarkThemselves) {
  Painted checked(cbsChecked, kccbsNormal, ebsOffice11);
  EXPECT_EQ(checked.Find("DrawFrameControl"), nullptr);
  const int mark = checked.Count(ColorToRGB(clBtnText));
  EXPECT_GT(mark, 10) << "the mark, plus the Office 11 frame in the text colour";
  Painted unchecked(cbsUnchecked, kccbsNormal, ebsOffice11);
  EXPECT_LT(unchecked.Count(ColorToRGB(clBtnText)), mark);
  Painted inactive(cbsGrayed, kccbsNormal, ebsUltraFlat, nssInactive);
  EXPECT_GT(inactive.Count(ColorToRGB(clBtnFace)), 50) << "an inactive null is filled with the face colour";
  EXPECT_EQ(inactive.Count(ColorToRGB(clBtnText)), 0);
  Painted grayed(cbsGrayed, kccbsNormal, ebsUltraFlat);
  EXPECT_GT(grayed.Count(ColorToRGB(clBtnShadow)), 10) << "a grayed mark in the shadow colour";
}

TEST(CheckPaint, GlyphStripsAndBorderChoices) {
  EXPECT_EQ(CalcCheckGlyphIndex(cbsGrayed, kccbsPressed, 6), 5);
  EXPECT_EQ(CalcCheckGlyphIndex(cbsGrayed, kccbsPressed, 3), 2) << "no pressed images: the normal ones";
  EXPECT_EQ(CalcCheckGlyphIndex(cbsChecked, kccbsHot, 3), 1);
  EXPECT_EQ(CheckBorderStyleByHotState(ebsNone, 2), ebsFlat);
  EXPECT_EQ(CheckBorderStyleByHotState(ebsSingle, 2), ebsThick);
  EXPECT_EQ(CheckBorderStyleByHotState(ebsFlat, 2), ebs3D);
  EXPECT_EQ(CheckBorderStyleByHotState(ebsFlat, 1), ebsFlat);
  EXPECT_EQ(CheckBorderStyleByHotState(ebsOffice11, 2), ebsOffice11);

  // A strip of three 15 x 15 images: white, blue, green, over a magenta transparent colour.
  TBitmap strip(45, 15);
  const TColor colours[] = {clWhite, clBlue, clLime};
  for (int i = 0; i < 3; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(Rect(i * 15, 0, i * 15 + 15, 15));
  }
  strip.SetTransparentColor(clFuchsia);
  EXPECT_EQ(GetCheckAreaSize(&strip, 3), (TSize{15, 15}));
  Painted p(cbsChecked, kccbsNormal, ebsSingle, nssGrayedChecked, &strip, 3);
  EXPECT_EQ(p.Find("DrawFrameControl"), nullptr);
  EXPECT_EQ(p.Count(RGB(0, 0, 255)), 15 * 15) << "the checked image, nothing else";
}

}  // namespace
