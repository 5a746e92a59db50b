// The memo editor as a window: typed lines, Enter and Tab by its settings, Ctrl+A, paste with
// line breaks and the length limit, scroll bars changed at run time.

#include <gtest/gtest.h>

#include "editors-extended/kcMemo.h"
#include "platform/forms/Clipbrd.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct MemoFixture {
  TFormsSession session;
  TPlainForm form;
  TkcMemo* memo;
  TEdit* other;
  MemoFixture() {
    memo = new TkcMemo(&form);
    memo->SetParent(&form);
    memo->SetLeft(10);
    memo->SetTop(10);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(250, 10, 50, 20);
    form.Show();
    memo->SetFocus();
    session.ProcessMessages();
  }
  void CtrlKey(WORD vk, const char* text = "") {
    session.KeyDown(VK_CONTROL);
    session.Key(vk, text);
    session.KeyUp(VK_CONTROL);
  }
  String Value() { return VarToStr(memo->EditValue()); }
};
}  // namespace

TEST(KcMemo, SizeAndInnerWindowAreTheMemos) {
  MemoFixture f;
  EXPECT_EQ(f.memo->Width(), 185);
  EXPECT_EQ(f.memo->Height(), 89);
  EXPECT_NE(dynamic_cast<TkcCustomInnerMemo*>(f.memo->InnerEditControl()), nullptr);
  EXPECT_TRUE(f.memo->InnerMemo()->Focused());
  // In-place editors of the kind are memos.
  EXPECT_EQ(f.memo->Properties()->GetContainerClass(), TkcMemo::StaticClass());
}

TEST(KcMemo, EnterAndTabFollowTheSettings) {
  MemoFixture f;
  f.session.Type("ab");
  f.session.Key(VK_RETURN, "\r");
  f.session.Type("cd");
  EXPECT_EQ(f.memo->Text(), "ab\r\ncd");
  EXPECT_EQ(f.memo->Lines()->Count(), 2);
  // Without WantTabs Tab leaves the memo and types nothing.
  f.session.Key(VK_TAB, "\t");
  EXPECT_EQ(f.memo->Text(), "ab\r\ncd");
  EXPECT_TRUE(f.other->Focused());
  EXPECT_EQ(f.Value(), "ab\r\ncd") << "leaving validates the typed text into the value";

  // Settings changed while the memo is not being edited; then Tab types a tab, Enter
  // nothing, Ctrl+Enter the line break.
  f.memo->Properties()->SetWantTabs(true);
  f.memo->Properties()->SetWantReturns(false);
  f.memo->SetFocus();
  f.session.ProcessMessages();
  f.memo->SetSelStart(static_cast<int>(f.memo->Text().size()));
  f.session.Key(VK_TAB, "\t");
  EXPECT_EQ(f.memo->Text(), "ab\r\ncd\t");
  EXPECT_TRUE(f.memo->InnerMemo()->Focused());
  f.session.Key(VK_RETURN, "\r");
  EXPECT_EQ(f.memo->Text(), "ab\r\ncd\t");
  f.CtrlKey(VK_RETURN, "\n");
  EXPECT_EQ(f.memo->Text(), "ab\r\ncd\t\r\n");
}

TEST(KcMemo, CtrlASelectsAllAndPasteKeepsLineBreaksAndLimit) {
  MemoFixture f;
  f.CtrlKey('A');
  EXPECT_EQ(f.memo->SelLength(), 0) << "an empty memo has nothing to select";
  f.memo->SetEditValue(Variant(String("one\r\ntwo")));
  f.CtrlKey('A');
  EXPECT_EQ(f.memo->SelLength(), 8);

  // LF CR is two line breaks; a lone LF is one.
  f.memo->SetSelStart(static_cast<int>(f.memo->Text().size()));
  Clipboard()->SetAsText("x\n\ry\nz");
  SendMessage(f.memo->InnerMemo()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.memo->Text(), "one\r\ntwox\r\n\r\ny\r\nz");

  // The limit counts characters: three typed, five pasted, two fit.
  f.memo->SetEditValue(Variant(String("äöü")));
  f.memo->Properties()->SetMaxLength(5);
  f.memo->SetSelStart(3);
  Clipboard()->SetAsText("vwxyz");
  SendMessage(f.memo->InnerMemo()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.memo->Text(), "äöüvw");
}

TEST(KcMemo, ScrollBarsChangedAtRunTimeKeepTheText) {
  MemoFixture f;
  f.memo->SetEditValue(Variant(String("l1\r\nl2\r\nl3")));
  f.memo->Properties()->SetScrollBars(ssBoth);
  EXPECT_EQ(f.memo->InnerMemo()->ScrollBars(), ssBoth);
  EXPECT_FALSE(f.memo->InnerMemo()->WordWrap) << "a horizontal scroll bar turns wrapping off";
  EXPECT_EQ(f.memo->Text(), "l1\r\nl2\r\nl3");
  EXPECT_EQ(f.memo->Properties()->GetDrawTextFlags() & 0x24100, 0x4000);
}

// The memo draws every line of its value, not only the first.
TEST(KcMemo, PaintsEveryLine) {
  MemoFixture f;
  f.memo->SetEditValue(Variant(String("first\r\nsecond\r\nthird")));
  f.session.ProcessMessages();
  TkcCustomInnerMemo* inner = f.memo->InnerMemo();
  std::vector<int> tops;
  for (const GdiRecord& r : RecordPainting(inner))
    for (const char* line : {"first", "second", "third"})
      if (r.text == line) tops.push_back(r.rect.top);
  ASSERT_EQ(tops.size(), 3u);
  EXPECT_LT(tops[0], tops[1]);
  EXPECT_LT(tops[1], tops[2]);
}
