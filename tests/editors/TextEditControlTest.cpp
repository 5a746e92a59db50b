#include <gtest/gtest.h>

#include <vector>

#include "editors/kcEditRepository.h"
#include "editors/kcTextEditControl.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/StdCtrls.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct TextEditFixture {
  TFormsSession session;
  TPlainForm form;
  TkcTextEdit* edit;
  TEdit* other;
  int changes = 0, valueChanges = 0;
  TextEditFixture() {
    edit = new TkcTextEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->Properties()->OnChange = [this](TObject*) { ++changes; };
    edit->Properties()->OnEditValueChanged = [this](TObject*) { ++valueChanges; };
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(200, 10, 50, 20);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Leave() {
    other->SetFocus();
    session.ProcessMessages();
  }
  void Enter() {
    edit->SetFocus();
    session.ProcessMessages();
  }
};
}  // namespace

TEST(KcTextEdit, EditStylesAndInnerWindowFromTheKind) {
  TextEditFixture f;
  // The container's objects are of the edit's classes, not plain container ones.
  EXPECT_NE(dynamic_cast<TkcEditStyle*>(f.edit->Style()), nullptr);
  EXPECT_NE(dynamic_cast<TkcCustomEditViewInfo*>(f.edit->ViewInfo()), nullptr);
  ASSERT_NE(f.edit->InnerTextEdit(), nullptr);
  EXPECT_TRUE(f.edit->InnerTextEdit()->Focused());
  const TRect inner = f.edit->InnerTextEdit()->BoundsRect();
  EXPECT_TRUE(inner.left > 0 && inner.right < f.edit->Width());
}

// The edit's frame lies on its outer pixels, both painted and left visible by the window's
// shape: on screen each edge shows the frame colour of the calculated view info, which follows
// the focus.
TEST(KcTextEdit, BorderIsPaintedAndShownOnScreen) {
  TextEditFixture f;
  const int w = f.edit->Width(), h = f.edit->Height();
  TkcCustomEditViewInfo* info = f.edit->EditViewInfo();
  ASSERT_EQ(info->EditBorderStyle, ebsSingle);
  const TColor frameColor = info->BorderColor;
  const COLORREF frame = ColorToRGB(frameColor);
  ASSERT_NE(frame, ColorToRGB(info->BackgroundColor));
  const POINT edges[] = {{0, h / 2}, {w / 2, 0}, {w - 1, h / 2}, {w / 2, h - 1}};

  int frameCalls = 0;
  for (const GdiRecord& r : RecordPainting(f.edit))
    frameCalls += r.op == "FillRect" && r.brushColor == frame &&
                  (r.rect.left == 0 || r.rect.top == 0 || r.rect.right == w || r.rect.bottom == h);
  EXPECT_EQ(frameCalls, 4);

  const Surface s = f.session.Snapshot(f.edit->Handle());
  ASSERT_EQ(s.Width(), w);
  for (POINT p : edges) {
    const Pixel px = s.At(p.x, p.y);
    EXPECT_EQ(RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF), frame) << "screen " << p.x << "," << p.y;
  }
  // Leaving the editor takes the focus colour off its frame.
  f.Leave();
  EXPECT_NE(info->BorderColor, frameColor);
  f.edit->SetFocus();
  f.session.ProcessMessages();
  EXPECT_EQ(info->BorderColor, frameColor);
}

TEST(KcTextEdit, TypingChangesTheValueOnExitAndEscapeResets) {
  TextEditFixture f;
  f.edit->SetEditValue(Variant(String("ab")));
  EXPECT_EQ(f.valueChanges, 1);
  EXPECT_EQ(f.edit->Text(), "ab");
  f.edit->SelectAll();
  f.session.Type("héllo");
  EXPECT_EQ(f.edit->Text(), "héllo");
  EXPECT_EQ(f.changes, 5);
  EXPECT_TRUE(f.edit->ModifiedAfterEnter());
  // The value follows the text once it is validated (leaving the editor).
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "ab");
  EXPECT_EQ(VarToStr(f.edit->GetEditingValue()), "héllo");
  f.Leave();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "héllo");
  EXPECT_EQ(f.valueChanges, 2);

  // Escape after a change restores the value of entry and swallows its character.
  f.edit->SetFocus();
  f.session.ProcessMessages();
  char32_t pressed = 0;
  f.edit->OnKeyPress = [&](TObject*, char32_t& k) { pressed = k; };
  f.session.Type("x");
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(f.edit->Text(), "héllo");
  EXPECT_FALSE(f.edit->ModifiedAfterEnter());
  EXPECT_EQ(pressed, U'x');
  // Without a change Escape reaches OnKeyPress.
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(pressed, 27u);
}

TEST(KcTextEdit, ChangeEventsLockedAreReplayedOnce) {
  TextEditFixture f;
  f.edit->LockChangeEvents(true);
  f.edit->SetEditValue(Variant(String("a")));
  f.edit->SetEditValue(Variant(String("b")));
  EXPECT_EQ(f.valueChanges, 0);
  f.edit->LockChangeEvents(false);
  EXPECT_EQ(f.valueChanges, 1);
  // An unlock that must not replay forgets the recorded events.
  f.edit->LockChangeEvents(true);
  f.edit->SetEditValue(Variant(String("c")));
  f.edit->LockChangeEvents(false, false);
  EXPECT_EQ(f.valueChanges, 1);
  // Setting the same value raises nothing.
  f.edit->SetEditValue(Variant(String("c")));
  EXPECT_EQ(f.valueChanges, 1);
}

TEST(KcTextEdit, MaxLengthCountsCharactersForTypingAndPaste) {
  TextEditFixture f;
  f.edit->Properties()->SetMaxLength(5);
  f.session.Type("äöü");
  Clipboard()->SetAsText("xyzuvw");
  SendMessage(f.edit->InnerTextEdit()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "äöüxy");
  // A paste into the full editor at its end is refused.
  SendMessage(f.edit->InnerTextEdit()->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "äöüxy");
  f.session.Type("q");
  EXPECT_EQ(f.edit->Text(), "äöüxy");
}

TEST(KcTextEdit, ReadOnlyRefusesTypingPasteAndCutButCopies) {
  TextEditFixture f;
  f.edit->SetEditValue(Variant(String("fixed")));
  f.edit->Properties()->SetReadOnly(true);
  f.edit->SelectAll();
  f.session.Type("zz");
  f.session.Key(VK_DELETE);
  Clipboard()->SetAsText("pasted");
  SendMessage(f.edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "fixed");
  f.edit->SelectAll();
  SendMessage(f.edit->Handle(), WM_CUT, 0, 0);
  EXPECT_EQ(f.edit->Text(), "fixed");
  EXPECT_EQ(Clipboard()->AsText(), "fixed");
  EXPECT_EQ(f.changes, 0);
}

TEST(KcTextEdit, ValidationErrorOnExitKeepsTheFocus) {
  TextEditFixture f;
  String raised;
  Application->OnException = [&](TObject*, Exception& e) { raised = e.Message(); };
  f.edit->Properties()->OnValidate = [](TObject*, Variant& v, String& text, bool& error) {
    if (VarToStr(v) == "bad") {
      error = true;
      text = "Not allowed";
    }
  };
  f.session.Type("bad");
  f.Leave();
  EXPECT_EQ(raised, "Not allowed");
  EXPECT_TRUE(f.edit->InnerTextEdit()->Focused());
  EXPECT_TRUE(VarIsNull(f.edit->EditValue()));
  EXPECT_EQ(f.edit->Text(), "bad");
  EXPECT_EQ(f.edit->SelText(), "bad");
  f.session.Key(VK_END);
  f.session.Key(VK_BACK, "\b");
  EXPECT_EQ(f.edit->Text(), "ba");
  f.Leave();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "ba");
}

// Leaving validates and stores first, then OnExit sees the new value; a refused value keeps
// the focus and fires neither OnExit nor OnEnter. An empty error text stays empty (no message),
// and a handler's replacement text is what the edit shows.
TEST(KcTextEdit, ExitOrderEmptyErrorTextsAndTheHandlersText) {
  TextEditFixture f;
  std::vector<String> events;
  f.edit->OnEnter = [&](TObject*) { events.push_back("enter"); };
  f.edit->OnExit = [&](TObject*) { events.push_back("exit " + VarToStr(f.edit->EditValue())); };
  String raised;
  int raisedCount = 0;
  Application->OnException = [&](TObject*, Exception& e) {
    raised = e.Message();
    ++raisedCount;
  };
  f.edit->Properties()->OnValidate = [](TObject*, Variant& v, String& text, bool& error) {
    const String typed = VarToStr(v);
    if (typed == "quiet") {
      error = true;
      text.clear();
    } else if (typed == "fix") {
      error = true;
      text = "Fixed";
      v = Variant(String("fixed"));
    }
  };
  f.session.Type("ok");
  f.Leave();
  EXPECT_EQ(events, std::vector<String>{"exit ok"});
  events.clear();
  f.Enter();
  EXPECT_EQ(events, std::vector<String>{"enter"});
  events.clear();
  f.session.Type("quiet");
  f.Leave();
  EXPECT_EQ(raisedCount, 0) << raised;
  EXPECT_TRUE(events.empty());
  EXPECT_TRUE(f.edit->InnerTextEdit()->Focused());
  EXPECT_EQ(f.edit->SelText(), "quiet");
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "ok");
  f.session.Type("fix");
  f.Leave();
  EXPECT_EQ(raised, "Fixed");
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(f.edit->Text(), "fixed");
  EXPECT_TRUE(f.edit->InnerTextEdit()->Focused());
}

TEST(KcTextEdit, GetTextCopiesWholeCharactersIntoSmallBuffers) {
  TextEditFixture f;
  f.edit->SetEditValue(Variant(String("añb")));
  char buffer[8] = "zzzzzzz";
  EXPECT_EQ(SendMessage(f.edit->Handle(), WM_GETTEXT, 1, reinterpret_cast<LPARAM>(buffer)), 0);
  EXPECT_STREQ(buffer, "");
  // "a" plus half of "ñ" would fit in 2 bytes: only "a" is copied.
  EXPECT_EQ(SendMessage(f.edit->Handle(), WM_GETTEXT, 3, reinterpret_cast<LPARAM>(buffer)), 1);
  EXPECT_STREQ(buffer, "a");
  EXPECT_EQ(SendMessage(f.edit->Handle(), WM_GETTEXTLENGTH, 0, 0), 4);
}

TEST(KcTextEdit, RepositoryItemPropertiesAreSharedAndChecked) {
  TextEditFixture f;
  TkcEditRepository repository(nullptr);
  auto* item = repository.AddNewItem(TkcEditRepositoryTextItem::StaticClass());
  f.edit->SetRepositoryItem(item);
  EXPECT_EQ(f.edit->GetEffectiveProperties(), item->Properties());
  static_cast<TkcTextEditProperties*>(item->Properties())->SetMaxLength(2);
  f.session.Type("abc");
  EXPECT_EQ(f.edit->Text(), "ab");
  // An item of another kind is refused and the edit keeps its item.
  auto* mask = repository.AddNewItem(TkcEditRepositoryMaskItem::StaticClass());
  try {
    f.edit->SetRepositoryItem(mask);
    ADD_FAILURE() << "accepted";
  } catch (const EkcEditError& e) {
    EXPECT_EQ(e.Message(), "The repository item is not acceptable");
  }
  EXPECT_EQ(f.edit->RepositoryItem(), item);
  // A freed item is forgotten; the own properties are in force again.
  delete item;
  EXPECT_EQ(f.edit->RepositoryItem(), nullptr);
  EXPECT_EQ(f.edit->GetEffectiveProperties(), f.edit->Properties());
}

TEST(KcInplaceEditList, OneEditorPerPropertiesKeptInStepAndActivatedByKey) {
  TFormsSession session;
  TPlainForm form;
  TkcInplaceEditList list;
  TkcTextEditProperties first(nullptr), second(nullptr);
  first.SetMaxLength(3);
  TkcCustomEdit* a = list.GetEdit(&first);
  TkcCustomEdit* b = list.GetEdit(&second);
  ASSERT_NE(dynamic_cast<TkcTextEdit*>(a), nullptr);
  EXPECT_NE(a, b);
  EXPECT_TRUE(a->IsInplace());
  EXPECT_FALSE(a->Visible());
  first.SetMaxLength(2);
  EXPECT_EQ(list.GetEdit(&first), a);  // the same editor, its properties assigned again
  EXPECT_EQ(static_cast<TkcTextEdit*>(a)->Properties()->MaxLength(), 2);
  EXPECT_EQ(list.GetEditByPropertiesClass(TkcTextEditProperties::StaticClass()), a);

  // Activated by a typed key, the character reaches the text (the grid's first keystroke).
  a->SetParent(&form);
  a->SetBounds(5, 5, 100, 20);
  form.Show();
  session.ProcessMessages();
  a->ActivateByKey(U'x');
  session.Type("yz");
  EXPECT_EQ(static_cast<TkcTextEdit*>(a)->Text(), "xy");
  EXPECT_TRUE(a->Visible());

  TkcTextEditProperties unknown(nullptr);
  list.RemoveItem(&unknown);  // nothing to remove
  EXPECT_EQ(list.Count(), 2);
  list.RemoveItem(&first);
  EXPECT_EQ(list.FindEdit(&first), nullptr);
  EXPECT_EQ(list.Count(), 1);
}
