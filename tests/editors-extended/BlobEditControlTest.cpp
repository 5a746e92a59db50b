// The blob editor's popup in a headless session: the memo holds the whole value, and the value
// comes back only when the popup closes with acceptance.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEditControl.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct BlobEditFixture {
  TFormsSession session;
  TPlainForm form{600, 400};
  TkcBlobEdit* edit;
  BlobEditFixture() {
    edit = new TkcBlobEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 150, 21);
    edit->Properties()->SetBlobEditKind(bekMemo);
    edit->SetEditValue(Variant(String("first\r\nsecond")));
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Open() {
    session.Key(VK_F4);
    session.ProcessMessages();
    ASSERT_TRUE(edit->DroppedDown());
    ASSERT_NE(edit->PopupMemo(), nullptr);
    EXPECT_EQ(edit->PopupMemo()->Text(), Value()) << "the whole value";
  }
  String Value() { return VarToStr(edit->EditValue()); }
};

TEST(KcBlobEditControl, OkButtonPostsTheMemoAndEscapeDropsIt) {
  BlobEditFixture f;
  f.Open();
  ASSERT_NE(f.edit->OkButton(), nullptr);
  EXPECT_FALSE(f.edit->OkButton()->Enabled()) << "nothing changed yet";
  f.session.Type("Z");
  f.session.ProcessMessages();
  EXPECT_TRUE(f.edit->OkButton()->Enabled());
  const String typed = f.edit->PopupMemo()->Text();
  EXPECT_NE(typed, "first\r\nsecond");
  TkcButton* ok = f.edit->OkButton();
  f.session.Click(TFormsSession::At(ok, ok->Width() / 2, ok->Height() / 2));
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.Value(), typed);

  // Escape closes without taking the change, whatever AlwaysSaveData says.
  f.Open();
  f.session.Type("Q");
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.Value(), typed);
}

TEST(KcBlobEditControl, ClosingKeysPostByAlwaysSaveData) {
  struct Case {
    bool alwaysSave, wantReturns, ctrl;
    WORD key;
    bool posted;
  } cases[] = {
      {true, true, true, VK_RETURN, true},    // Ctrl+Enter accepts
      {false, true, true, VK_RETURN, true},
      {false, false, false, VK_RETURN, true},  // Enter closes when the memo takes no returns
      {true, true, false, VK_F4, true},       // F4 keeps a change only with AlwaysSaveData
      {false, true, false, VK_F4, false},
  };
  for (const Case& c : cases) {
    BlobEditFixture f;
    f.edit->Properties()->AlwaysSaveData = c.alwaysSave;
    f.edit->Properties()->MemoWantReturns = c.wantReturns;
    f.Open();
    f.session.Type("Z");
    if (c.ctrl) f.session.KeyDown(VK_CONTROL);
    f.session.Key(c.key);
    if (c.ctrl) f.session.KeyUp(VK_CONTROL);
    f.session.ProcessMessages();
    EXPECT_FALSE(f.edit->DroppedDown()) << c.key << " " << c.alwaysSave;
    EXPECT_EQ(f.Value() != "first\r\nsecond", c.posted) << c.key << " " << c.alwaysSave << " " << c.wantReturns;
  }
}

}  // namespace
