// The push button through the headless session: states from real mouse input, colours per
// state, glyph strips, the optimal size, drop-down kinds, and the painting per look and feel on
// the recording device context.

#include <gtest/gtest.h>

#include "editors-extended/kcButtons.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct ButtonFixture {
  TFormsSession session;
  TPlainForm form{200, 100};
  TkcButton* button;
  int clicks = 0;
  ButtonFixture() {
    RootLookAndFeel()->SetKind(lfUltraFlat);
    button = new TkcButton(&form);
    button->SetParent(&form);
    button->SetBounds(10, 10, 80, 24);
    button->SetCaption("&OK");
    button->OnClick = [this](TObject*) { ++clicks; };
    form.Show();
    session.ProcessMessages();
  }
  ~ButtonFixture() { RootLookAndFeel()->Reset(); }
  POINT Inside() { return TFormsSession::At(button, 40, 12); }
  POINT Outside() { return TFormsSession::At(button, 150, 60); }
};

}  // namespace

TEST(KcButton, StatesFollowTheMouse) {
  ButtonFixture f;
  // The form's only control has the focus: it shows as the default button.
  EXPECT_TRUE(f.button->Focused());
  EXPECT_EQ(f.button->GetState(), kcbsDefault);
  f.session.MoveTo(f.Inside());
  EXPECT_EQ(f.button->GetState(), kcbsHot);  // the ultra-flat painter tracks the mouse
  f.session.Press();
  EXPECT_EQ(f.button->GetState(), kcbsPressed);
  // Dragged off, the button comes up; released there, nothing is clicked.
  f.session.MoveTo(f.Outside());
  EXPECT_FALSE(f.button->IsDown());
  f.session.Release();
  EXPECT_EQ(f.clicks, 0);
  // The mouse tracking's poll notices that the mouse has left.
  f.session.Advance(30);
  EXPECT_FALSE(f.button->IsHot());
  f.session.Click(f.Inside());
  EXPECT_EQ(f.clicks, 1);
  EXPECT_EQ(f.button->GetState(), kcbsHot);
  f.button->SetEnabled(false);
  EXPECT_EQ(f.button->GetState(), kcbsDisabled);
  EXPECT_FALSE(f.button->IsHot());
}

TEST(KcButton, ColoursPerState) {
  ButtonFixture f;
  TkcButtonColors& c = f.button->Colors();
  c.SetColor(kcbsDefault, clRed);
  EXPECT_EQ(c.ColorOf(kcbsDefault), clRed);
  EXPECT_EQ(c.ColorOf(kcbsNormal), clRed);  // the normal state takes the Default colour
  EXPECT_EQ(c.ColorOf(kcbsHot), clDefault);
  EXPECT_EQ(c.ColorOf(kcbsPressed), clDefault);
  c.SetColor(kcbsNormal, clBlue);
  EXPECT_EQ(c.ColorOf(kcbsHot), clBlue);
  c.SetColor(kcbsNormal, clNone);
  EXPECT_FALSE(c.IsAssigned(kcbsNormal));
  EXPECT_EQ(c.Color(kcbsNormal), clDefault);
}

TEST(KcButton, GlyphStripsAndOptimalSize) {
  ButtonFixture f;
  struct Row {
    int w, h, numGlyphs, pressedImage, disabledImage;
  } rows[] = {{64, 16, 4, 2, 1}, {96, 16, 1, 0, 0}, {32, 16, 2, 0, 1}, {20, 16, 1, 0, 0}};
  for (const Row& r : rows) {
    TBitmap b;
    b.SetSize(r.w, r.h);
    f.button->SetNumGlyphs(1);
    f.button->SetGlyph(&b);
    EXPECT_EQ(f.button->NumGlyphs(), r.numGlyphs) << r.w;
    EXPECT_EQ(f.button->GlyphIndex(kcbsPressed), r.pressedImage) << r.w;
    EXPECT_EQ(f.button->GlyphIndex(kcbsDisabled), r.disabledImage) << r.w;
  }
  f.button->SetNumGlyphs(9);
  EXPECT_EQ(f.button->NumGlyphs(), 4);
  f.button->SetNumGlyphs(0);
  EXPECT_EQ(f.button->NumGlyphs(), 4);
  // "&OK" with 7-pixel glyphs and a 13-pixel line: 14 + 3 * 7 by 13 * 14 / 8.
  TSize s = f.button->GetOptimalSize();
  EXPECT_EQ(s.cx, 35);
  EXPECT_EQ(s.cy, 23);
}

TEST(KcButton, GlyphAndCaptionLayout) {
  ButtonFixture f;
  TBitmap b;
  b.SetSize(16, 16);
  f.button->SetGlyph(&b);
  f.button->SetCaption("OK");  // 14 x 13
  TPoint g;
  TRect t;
  const TRect content{0, 0, 80, 24};
  f.button->CalcGlyphAndTextLayout(content, g, t);  // Margin -1: centred as a whole
  EXPECT_EQ(g.x, (80 - (16 + 4 + 14)) / 2);
  EXPECT_EQ(t.left, g.x + 16 + 4);
  EXPECT_EQ(g.y, 4);
  f.button->SetLayout(blGlyphRight);
  f.button->SetMargin(2);
  f.button->CalcGlyphAndTextLayout(content, g, t);
  EXPECT_EQ(g.x, 80 - 2 - 16);
  EXPECT_EQ(t.right, g.x - 4);
  f.button->SetLayout(blGlyphTop);
  f.button->SetMargin(-1);
  f.button->SetSpacing(-1);
  f.button->CalcGlyphAndTextLayout(content, g, t);  // both free: thirds of the spare height
  EXPECT_EQ(g.y, (24 - 16 - 13) / 3);
}

TEST(KcButton, DropDownWithoutMenuRaisesNoClick) {
  ButtonFixture f;
  f.button->SetKind(kcbkDropDown);
  bool asked = false;
  f.button->OnDropDownMenuPopup = [&](TObject*, TPopupMenu*& menu, bool&) {
    asked = true;
    EXPECT_EQ(menu, nullptr);
  };
  f.session.Click(f.Inside());
  EXPECT_TRUE(asked);
  EXPECT_EQ(f.clicks, 0);
  // The split kind clicks on its face.
  f.button->SetKind(kcbkDropDownButton);
  f.session.Click(f.Inside());
  EXPECT_EQ(f.clicks, 1);
}

TEST(KcButton, PaintsThroughThePainterOfItsLookAndFeel) {
  ButtonFixture f;
  f.button->Colors().SetColor(kcbsDefault, static_cast<TColor>(0x00FF00));
  // Standard: a raised 3D face in the assigned colour, the caption centred in the content.
  f.button->LookAndFeel()->SetKind(lfStandard);
  Surface s = f.session.Snapshot(f.form.Handle());
  COLORREF face = ColorFromPixel(s.At(10 + 40, 10 + 3)) & 0xFFFFFF;
  EXPECT_EQ(face, 0x00FF00u);
  EXPECT_NE(ColorFromPixel(s.At(10, 10)) & 0xFFFFFF, 0x00FF00u);  // the frame
  // Office 11 draws like the standard look without themes.
  f.button->LookAndFeel()->SetKind(lfOffice11);
  EXPECT_EQ(f.button->GetPainterClass(), TkcStandardLookAndFeelPainter::Instance());
  // Ultra flat: a one-pixel frame, no 3D edge; pressed gets the painter's own colour.
  f.button->LookAndFeel()->SetKind(lfUltraFlat);
  f.session.MoveTo(f.Inside());
  f.session.Press();
  s = f.session.Snapshot(f.form.Handle());
  EXPECT_NE(ColorFromPixel(s.At(10 + 40, 10 + 3)) & 0xFFFFFF, 0x00FF00u);
  f.session.Release();
  s = f.session.Snapshot(f.form.Handle());
  EXPECT_NE(ColorFromPixel(s.At(10 + 40, 10 + 3)) & 0xFFFFFF, 0x00FF00u);  // hot: the painter's hot colour
  f.session.MoveTo(f.Outside());
  f.session.Advance(30);
  s = f.session.Snapshot(f.form.Handle());
  EXPECT_EQ(ColorFromPixel(s.At(10 + 40, 10 + 3)) & 0xFFFFFF, 0x00FF00u);
}
