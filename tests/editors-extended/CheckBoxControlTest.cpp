// The check box control in a headless session: mouse and keyboard toggling, events, and what
// it paints.

#include <gtest/gtest.h>

#include "editors-extended/kcCheckBox.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct CheckBoxFixture {
  TFormsSession session;
  TPlainForm form;
  TkcCheckBox* box;
  int clicks = 0, changes = 0;
  CheckBoxFixture() {
    box = new TkcCheckBox(&form);
    box->SetParent(&form);
    box->SetBounds(10, 10, 121, 21);
    box->SetCaption("&Active");
    box->OnClick = [this](TObject*) { ++clicks; };
    box->Properties()->OnChange = [this](TObject*) { ++changes; };
    form.Show();
    session.ProcessMessages();
  }
  POINT Square() {
    const TRect& r = box->CheckViewInfo()->CheckRect;
    return TFormsSession::At(box, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

TEST(KcCheckBox, MouseTogglesOnReleaseOverTheControl) {
  CheckBoxFixture f;
  EXPECT_TRUE(VarEqualsWithType(f.box->EditValue(), Variant(false))) << "starts as the unchecked value";
  f.session.MoveTo(f.Square());
  f.session.Press();
  EXPECT_EQ(f.box->CheckViewInfo()->CheckButtonState, kccbsPressed);
  EXPECT_FALSE(f.box->Checked()) << "nothing before the release";
  f.session.Release();
  EXPECT_TRUE(f.box->Checked());
  EXPECT_EQ(f.box->CheckViewInfo()->CheckButtonState, kccbsHot);
  EXPECT_EQ(f.clicks, 1);
  EXPECT_EQ(f.changes, 1);
  // A fast second click is no double click: it toggles back.
  f.session.Click(f.Square());
  EXPECT_FALSE(f.box->Checked());
  EXPECT_EQ(f.clicks, 2);
  // Released outside: no toggle.
  f.session.MoveTo(f.Square());
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(f.box, 200, 100));
  f.session.Release();
  EXPECT_FALSE(f.box->Checked());
}

TEST(KcCheckBox, SpaceKeyAndGrayedCycle) {
  CheckBoxFixture f;
  f.box->Properties()->SetAllowGrayed(true);
  f.box->SetFocus();
  f.session.ProcessMessages();
  const TkcCheckBoxState cycle[] = {cbsGrayed, cbsChecked, cbsUnchecked};
  for (TkcCheckBoxState expected : cycle) {
    f.session.KeyDown(VK_SPACE, " ");
    EXPECT_EQ(f.box->CheckViewInfo()->CheckButtonState, kccbsPressed);
    f.session.KeyUp(VK_SPACE);
    EXPECT_EQ(f.box->State(), expected);
  }
  EXPECT_TRUE(VarIsNull(Variant(f.box->Properties()->ValueGrayed())));
  EXPECT_EQ(f.changes, 3);
  // Read-only: the user cannot change it, code can.
  f.box->Properties()->SetReadOnly(true);
  f.session.Key(VK_SPACE, " ");
  EXPECT_EQ(f.box->State(), cbsUnchecked);
  f.box->SetChecked(true);
  EXPECT_TRUE(f.box->Checked());
}

TEST(KcCheckBox, AcceleratorFocusesAndToggles) {
  CheckBoxFixture f;
  TMessage m{CM_DIALOGCHAR, 'a', 0, 0};
  f.box->Dispatch(m);
  EXPECT_EQ(m.Result, 1);
  EXPECT_TRUE(f.box->Focused());
  EXPECT_TRUE(f.box->Checked());
  TMessage other{CM_DIALOGCHAR, 'x', 0, 0};
  f.box->Dispatch(other);
  EXPECT_TRUE(f.box->Checked());
}

TEST(KcCheckBox, PaintsSquareCaptionAndFocus) {
  CheckBoxFixture f;
  f.box->SetChecked(true);
  f.box->SetFocus();
  f.session.ProcessMessages();
  TBitmap bitmap(f.box->Width(), f.box->Height());
  TkcCanvas canvas(bitmap.Canvas());
  StartRecording(canvas.Handle());
  f.box->CheckViewInfo()->Paint(&canvas);
  const std::vector<GdiRecord> calls = StopRecording(canvas.Handle());
  bool frame = false, caption = false, focus = false;
  const TRect square = f.box->CheckViewInfo()->CheckRect;
  for (const GdiRecord& c : calls) {
    // The flat styles draw the mark through its mask, the others through the frame control.
    if (c.op == "BitBlt" && c.flags == 0xB8074A) frame = true;
    if (c.op == "DrawFrameControl") frame = (c.flags & DFCS_CHECKED) != 0;
    if (c.op == "DrawText" && c.text == "&Active") caption = c.rect.left >= square.right;
    if (c.op == "DrawFocusRect") focus = true;
  }
  EXPECT_TRUE(frame) << "the checked square";
  EXPECT_TRUE(caption) << "the caption right of the square";
  EXPECT_TRUE(focus);
  // Right alignment puts the square at the right edge.
  f.box->Properties()->Alignment()->SetHorz(taRightJustify);
  f.session.ProcessMessages();
  EXPECT_GT(f.box->CheckViewInfo()->CheckRect.left, f.box->CheckViewInfo()->TextRect.right);
}

}  // namespace

namespace {

TEST(KcCheckBox, ImmediatePostHandsEachToggleOn) {
  TFormsSession session;
  TPlainForm form;
  auto* box = new TkcCheckBox(&form, true);
  box->SetParent(&form);
  box->SetBounds(10, 10, 60, 18);
  int posts = 0;
  box->OnPostEditValue = [&](TObject*) { ++posts; };
  box->Properties()->ImmediatePost = true;
  form.Show();
  box->SetFocus();
  session.ProcessMessages();
  session.Key(VK_SPACE, " ");
  EXPECT_TRUE(box->Checked());
  EXPECT_EQ(posts, 1);
  box->Properties()->ImmediatePost = false;
  session.Key(VK_SPACE, " ");
  EXPECT_FALSE(box->Checked());
  EXPECT_EQ(posts, 1);
}

}  // namespace
