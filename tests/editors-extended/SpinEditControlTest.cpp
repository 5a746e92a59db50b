// The spin edit control in a headless session: keys, buttons held on the fake clock, typing
// rules, and the value it keeps.

#include <gtest/gtest.h>

#include "editors-extended/kcSpinEdit.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct SpinFixture {
  TFormsSession session;
  TPlainForm form;
  TkcSpinEdit* edit;
  SpinFixture() {
    edit = new TkcSpinEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->Properties()->SetValueType(vtInt);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  POINT ButtonCentre(int AIndex) {
    for (auto& b : edit->SpinViewInfo()->ButtonsInfo)
      if (b->Index == AIndex)
        return TFormsSession::At(edit, (b->Bounds.left + b->Bounds.right) / 2, (b->Bounds.top + b->Bounds.bottom) / 2);
    ADD_FAILURE() << "no button " << AIndex;
    return POINT{};
  }
};

TEST(KcSpinEdit, KeysStepWithinBounds) {
  SpinFixture f;
  f.edit->Properties()->SetMinValue(0);
  f.edit->Properties()->SetMaxValue(10);
  struct Step {
    WORD key;
    const char* text;
  } steps[] = {{VK_UP, "1"}, {VK_PRIOR, "10"}, {VK_UP, "10"}, {VK_DOWN, "9"}, {VK_NEXT, "0"}, {VK_DOWN, "0"}};
  for (const Step& s : steps) {
    f.session.Key(s.key);
    EXPECT_EQ(f.edit->Text(), s.text) << s.key;
  }
  f.edit->Properties()->Circular = true;
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.edit->Text(), "10") << "wraps";
  EXPECT_EQ(f.edit->Value().AsInt64(), 10);
  // The value reaches the edit value when the editor is left.
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(10, 50, 50, 21);
  other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->EditValue().AsInt64(), 10);
}

TEST(KcSpinEdit, HeldButtonRepeatsOnTheClock) {
  SpinFixture f;
  const POINT up = f.ButtonCentre(1);
  f.session.MoveTo(up);
  f.session.Press();
  EXPECT_EQ(f.edit->Text(), "1") << "one step at once";
  f.session.Advance(399);
  EXPECT_EQ(f.edit->Text(), "1");
  f.session.Advance(1);
  EXPECT_EQ(f.edit->Text(), "2");
  f.session.Advance(300);
  EXPECT_EQ(f.edit->Text(), "5");
  f.session.Release();
  f.session.Advance(500);
  EXPECT_EQ(f.edit->Text(), "5") << "stops on release";
  f.session.Click(f.ButtonCentre(0));
  EXPECT_EQ(f.edit->Text(), "4");
}

TEST(KcSpinEdit, TypingRulesAndCtrlIncrement) {
  SpinFixture f;
  f.edit->SelectAll();
  f.session.Type("4x2");
  EXPECT_EQ(f.edit->Text(), "42") << "a letter is refused";
  f.session.Key(VK_UP);
  EXPECT_EQ(f.edit->Text(), "43") << "steps from the typed text";
  f.edit->Properties()->UseCtrlIncrement = true;
  f.session.Key(VK_UP);
  EXPECT_EQ(f.edit->Text(), "43") << "without Ctrl the key is the text's";
  f.session.KeyDown(VK_CONTROL);
  f.session.Key(VK_UP);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(f.edit->Text(), "44");
  f.edit->Properties()->CanEdit = false;
  f.session.Type("7");
  EXPECT_EQ(f.edit->Text(), "44") << "no typing without CanEdit";
}

TEST(KcSpinEdit, ButtonsPaintArrowsByPosition) {
  SpinFixture f;
  f.edit->Properties()->SpinButtons()->SetShowFastButtons(true);
  f.edit->Properties()->SpinButtons()->SetPosition(sbpHorzLeftRight);
  f.session.ProcessMessages();
  TkcSpinEditViewInfo* info = f.edit->SpinViewInfo();
  ASSERT_EQ(info->ButtonsInfo.size(), 4u);
  TRect bounds[4];
  for (auto& b : info->ButtonsInfo) bounds[b->Index] = b->Bounds;
  // [fast down][down] text [up][fast up]
  EXPECT_LE(bounds[2].right, bounds[0].left + 1);
  EXPECT_LE(bounds[0].right, info->ClientRect.left);
  EXPECT_LE(info->ClientRect.right, bounds[1].left);
  EXPECT_LE(bounds[1].right, bounds[3].left);
  TBitmap bitmap(f.edit->Width(), f.edit->Height());
  TkcCanvas canvas(bitmap.Canvas());
  StartRecording(canvas.Handle());
  info->DrawButtons(&canvas);
  const std::vector<GdiRecord> calls = StopRecording(canvas.Handle());
  // Arrows are lines in the text colour inside their button: two arrows on the fast buttons.
  int lines[4] = {};
  for (const GdiRecord& c : calls) {
    if (c.op != "FillRect" || c.brushColor != ColorToRGB(clBtnText)) continue;
    for (int i = 0; i < 4; ++i) {
      POINT corner{c.rect.left, c.rect.top};
      if (PtInRect(&bounds[i], corner)) ++lines[i];
    }
  }
  EXPECT_GT(lines[0], 0);
  EXPECT_EQ(lines[1], lines[0]);
  EXPECT_EQ(lines[2], 2 * lines[0]);
  EXPECT_EQ(lines[3], 2 * lines[0]);
}

}  // namespace

namespace {

TEST(KcSpinEdit, GetValueHandlerReadsWords) {
  SpinFixture f;
  f.edit->Properties()->OnGetValue = [](TObject*, const String& AText, Variant& AValue, String&, bool& AError) {
    if (AText == "ten") {
      AValue = Variant(10);
      AError = false;
    }
  };
  f.edit->SelectAll();
  f.session.Type("ten");
  EXPECT_EQ(f.edit->Text(), "ten") << "letters pass with a handler";
  f.session.Key(VK_UP);
  EXPECT_EQ(f.edit->Text(), "11");
  f.edit->SelectAll();
  f.session.Type("ten");
  auto* other = new TEdit(&f.form);
  other->SetParent(&f.form);
  other->SetBounds(10, 50, 50, 21);
  other->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(f.edit->EditValue().AsInt64(), 10) << "validated through the handler";
}

// With the defaults a text that is no number is refused quietly on exit: the editor keeps the
// focus with its text selected, and no message is raised.
TEST(KcSpinEdit, NonNumberIsRefusedWithoutAMessage) {
  struct Case {
    TkcSpinEditValueType type;
    const char* text;
  } cases[] = {{vtInt, "-"}, {vtInt, "99999999999999999999"}, {vtFloat, "1e400"}};
  for (const Case& c : cases) {
    SpinFixture f;
    f.edit->Properties()->SetValueType(c.type);
    String raised;
    Application->OnException = [&](TObject*, Exception& e) { raised = e.Message(); };
    auto* other = new TEdit(&f.form);
    other->SetParent(&f.form);
    other->SetBounds(10, 50, 50, 21);
    f.edit->SelectAll();
    f.session.Type(c.text);
    const String typed = f.edit->Text();
    other->SetFocus();
    f.session.ProcessMessages();
    EXPECT_EQ(raised, "") << c.text;
    EXPECT_TRUE(f.edit->Focused()) << c.text;
    EXPECT_FALSE(other->Focused()) << c.text;
    EXPECT_EQ(f.edit->SelText(), typed) << c.text;
  }
}

}  // namespace
