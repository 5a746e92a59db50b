#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include "editors/kcMaskEditControl.h"
#include "editors/PicturePpm.h"

#include "platform/forms/Clipbrd.h"
#include "platform/forms/StdCtrls.h"
#include "platform/gdi/GuiApplication.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct MaskEditFixture {
  TFormsSession session;
  TPlainForm form;
  TkcMaskEdit* edit;
  TEdit* other;
  explicit MaskEditFixture(const String& AMask, TkcEditMaskKind AKind = emkStandard) {
    edit = new TkcMaskEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->Properties()->SetMaskKind(AKind);
    edit->Properties()->SetEditMask(AMask);
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
  void CtrlKey(WORD AKey) {
    session.KeyDown(VK_CONTROL);
    session.Key(AKey);
    session.KeyUp(VK_CONTROL);
  }
  void ShiftKey(WORD AKey) {
    session.KeyDown(VK_SHIFT);
    session.Key(AKey);
    session.KeyUp(VK_SHIFT);
  }
};
}  // namespace

TEST(KcMaskEdit, KeystrokesThroughTheClassicMask) {
  struct Case {
    const char* keys;
    const char* text;
  } cases[] = {
      {"12", "12_-__"},
      {"12345", "123-45"},
      {"1a2", "12_-__"},  // a letter is refused where a digit is wanted
      {"123456", "123-45"},
  };
  for (const Case& c : cases) {
    MaskEditFixture f("000-00;1;_");
    EXPECT_EQ(f.edit->Text(), "___-__");
    f.session.Type(c.keys);
    EXPECT_EQ(f.edit->Text(), c.text) << c.keys;
  }
}

TEST(KcMaskEdit, BackspaceAndPasteGoThroughTheMask) {
  MaskEditFixture f("000-00;1;_");
  f.session.Type("1234");
  f.session.Key(VK_BACK, "\b");
  EXPECT_EQ(f.edit->Text(), "123-__");
  Clipboard()->SetAsText("9x8");
  SendMessage(f.edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "123-98");
}

// A mask that does not store its literals: the value is the typed characters, the edit shows
// them under the mask while focused, and the value survives leaving and entering again.
TEST(KcMaskEdit, MaskWithoutLiteralsKeepsTheTypedValue) {
  MaskEditFixture f("(999) 000-0000;0;_");
  f.session.Type("1234567890");
  EXPECT_EQ(f.edit->Text(), "(123) 456-7890");
  EXPECT_EQ(f.edit->ValueText(), "1234567890");
  f.Leave();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "1234567890");
  EXPECT_EQ(f.edit->Text(), "1234567890");  // unfocused: the plain value
  f.Enter();
  EXPECT_EQ(f.edit->Text(), "(123) 456-7890");
  // A further edit is still a valid value and leaves the field.
  f.session.Key(VK_END);
  f.session.Key(VK_BACK, "\b");
  f.session.Type("1");
  EXPECT_EQ(f.edit->Text(), "(123) 456-7891");
  f.Leave();
  EXPECT_TRUE(f.other->Focused());
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "1234567891");
  // With the blanks and literals always shown the unfocused edit shows the masked text.
  f.edit->Properties()->SetAlwaysShowBlanksAndLiterals(true);
  f.Enter();
  f.session.Key(VK_END);
  f.session.Key(VK_BACK, "\b");
  f.session.Type("2");
  f.Leave();
  EXPECT_EQ(VarToStr(f.edit->EditValue()), "1234567892");
  EXPECT_EQ(f.edit->Text(), "(123) 456-7892");
}

// Cut copies the selection and blanks its positions: the text keeps the mask and typing goes on.
TEST(KcMaskEdit, CutBlanksTheSelectedPositions) {
  {
    MaskEditFixture f("000-00;1;_");
    f.session.Type("12345");
    f.edit->SelectAll();
    f.CtrlKey('X');
    EXPECT_EQ(Clipboard()->AsText(), "123-45");
    EXPECT_EQ(f.edit->Text(), "___-__");
    f.session.Key(VK_HOME);
    f.session.Type("98765");
    EXPECT_EQ(f.edit->Text(), "987-65");
    f.edit->SetSelStart(1);
    f.edit->SetSelLength(2);
    SendMessage(f.edit->InnerTextEdit()->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(Clipboard()->AsText(), "87");
    EXPECT_EQ(f.edit->Text(), "9__-65");
  }
  {
    MaskEditFixture f("\\d+-\\d+", emkRegExpr);
    f.session.Type("12-34");
    f.edit->SetSelStart(3);
    f.edit->SetSelLength(2);
    f.CtrlKey('X');
    EXPECT_EQ(Clipboard()->AsText(), "34");
    EXPECT_EQ(f.edit->Text(), "12-");
    f.session.Type("5");
    EXPECT_EQ(f.edit->Text(), "12-5");
  }
}

// The keys the mask edit gives a meaning of its own, with both mask kinds.
TEST(KcMaskEdit, NavigationAndDeletionKeys) {
  for (TkcEditMaskKind kind : {emkStandard, emkRegExpr}) {
    const bool standard = kind == emkStandard;
    MaskEditFixture f(standard ? "000-00;1;_" : "\\d+-\\d+", kind);
    f.session.Type(standard ? "12345" : "12-45");
    int afterKeys = 0;
    f.edit->OnAfterKeyDown = [&](TObject*, WORD&, TShiftState) { ++afterKeys; };
    f.session.Key(VK_UP);
    f.session.Key(VK_DOWN);
    EXPECT_EQ(afterKeys, 2) << kind;
    f.CtrlKey(VK_LEFT);
    EXPECT_EQ(f.edit->SelStart(), 0) << kind;
    f.CtrlKey(VK_RIGHT);
    EXPECT_EQ(f.edit->SelStart(), standard ? 6 : 5) << kind;
    EXPECT_EQ(f.edit->SelLength(), 0) << kind;
    // Right at the end goes on to the host where the mode keeps the key.
    afterKeys = 0;
    f.session.Key(VK_RIGHT);
    EXPECT_EQ(afterKeys, standard ? 1 : 0) << kind;
    // Shift+Delete without a selection is Backspace.
    f.ShiftKey(VK_DELETE);
    EXPECT_EQ(f.edit->Text(), standard ? "123-4_" : "12-4") << kind;
  }
}

// The mouse and the double click reach the mode: a click selects the character at the caret in
// the classic mask; in a regular expression a click makes the next key start from the caret,
// and a double click takes the whole text in before it is selected.
TEST(KcMaskEdit, MouseReachesTheMode) {
  {
    MaskEditFixture f("000-00;1;_");
    f.session.Type("123");
    f.session.Click(TFormsSession::At(f.edit, 14, 10));
    EXPECT_EQ(f.edit->SelLength(), 1);
  }
  {
    MaskEditFixture f("\\d+", emkRegExpr);
    f.session.Type("12345");
    auto* mode = dynamic_cast<TkcMaskEditRegExprMode*>(f.edit->Mode());
    ASSERT_NE(mode, nullptr);
    f.session.Click(TFormsSession::At(f.edit, 14, 10));
    const int caret = f.edit->SelStart();
    ASSERT_LT(caret, 4);
    f.session.Key(VK_RIGHT);
    EXPECT_EQ(mode->Head().size(), static_cast<std::size_t>(caret + 1));
    EXPECT_EQ(mode->Head().size() + mode->Tail().size(), 5u);
    f.session.Key(VK_HOME);
    EXPECT_TRUE(mode->Head().empty());
    f.session.Clock().AdvanceMs(1000);
    SendMessage(f.edit->InnerTextEdit()->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(10, 5));
    f.session.ProcessMessages();
    EXPECT_EQ(mode->Head().size(), 5u);
  }
}

// A selection moved by code or by keys reaches the mode as a click does: the classic mask
// selects the character at a bare caret, a regular expression takes the next key from where the
// caret now is. What the mode moves itself does not come back to it.
TEST(KcMaskEdit, SelectionChangesReachTheMode) {
  using Move = std::function<void(MaskEditFixture&, int)>;
  const Move setSelStart = [](MaskEditFixture& f, int at) { f.edit->SetSelStart(at); };
  const Move emSetSel = [](MaskEditFixture& f, int at) {
    SendMessage(f.edit->InnerTextEdit()->Handle(), EM_SETSEL, static_cast<WPARAM>(at), at);
  };
  const Move shiftHome = [](MaskEditFixture& f, int) {
    f.session.Key(VK_HOME);
    f.ShiftKey(VK_HOME);
  };
  const Move ctrlA = [](MaskEditFixture& f, int) {
    f.session.Key(VK_LEFT);
    f.session.Key(VK_LEFT);
    f.CtrlKey('A');
  };
  struct Case {
    const char* what;
    TkcEditMaskKind kind;
    const char* mask;
    const char* typed;
    Move move;
    int at;
    int selLength;  // after the move
    const char* then;
    const char* text;
  } cases[] = {
      {"SelStart", emkStandard, "000-00;1;_", "12345", setSelStart, 4, 1, "9", "123-95"},
      {"EM_SETSEL", emkStandard, "000-00;1;_", "12345", emSetSel, 2, 1, "7", "127-45"},
      {"Shift+Home at the start", emkStandard, "000-00;1;_", "12345", shiftHome, 0, 1, "9", "923-45"},
      {"SelStart", emkRegExpr, "[a-z]+\\d+", "ab12", setSelStart, 1, 0, "c", "acb12"},
      {"EM_SETSEL", emkRegExpr, "[a-z]+\\d", "ab1", emSetSel, 2, 0, "5", "ab5"},  // the tail no longer fits
      {"Ctrl+A", emkRegExpr, "[a-z]+\\d+", "ab12", ctrlA, 0, 4, "c", "c"},
  };
  for (const Case& c : cases) {
    MaskEditFixture f(c.mask, c.kind);
    f.session.Type(c.typed);
    c.move(f, c.at);
    EXPECT_EQ(f.edit->SelLength(), c.selLength) << c.what << " " << c.mask;
    f.session.Type(c.then);
    EXPECT_EQ(f.edit->Text(), c.text) << c.what << " " << c.mask;
    if (auto* mode = dynamic_cast<TkcMaskEditRegExprMode*>(f.edit->Mode())) {
      EXPECT_EQ(kcFromChars(mode->Head() + mode->Tail()), c.text) << c.what;
      EXPECT_FALSE(mode->MouseAction()) << c.what << ": the mode's own caret move came back to it";
    }
  }
}

// From outside (the window text and the control's Text) the edit reads as the value its text
// stands for and takes a text as its value, shown through the mask, focused or not.
TEST(KcMaskEdit, WindowTextIsTheValue) {
  struct Case {
    TkcEditMaskKind kind;
    const char* mask;
    const char* set;
    const char* focused;    // shown while focused
    const char* unfocused;  // shown after leaving
  } cases[] = {
      {emkStandard, "(999) 000-0000;0;_", "1234567890", "(123) 456-7890", "1234567890"},
      {emkStandard, "000-00;1;_", "123-45", "123-45", "123-45"},
      {emkRegExpr, "[a-z]+\\d+", "ab12", "ab12", "ab12"},
  };
  auto windowText = [](TkcMaskEdit* e) {
    char buffer[64] = {};
    const LRESULT n = SendMessage(e->Handle(), WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    EXPECT_EQ(SendMessage(e->Handle(), WM_GETTEXTLENGTH, 0, 0), n);
    return String(buffer, static_cast<std::size_t>(n));
  };
  for (const Case& c : cases) {
    MaskEditFixture f(c.mask, c.kind);
    EXPECT_EQ(SendMessage(f.edit->Handle(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.set)), 1) << c.mask;
    EXPECT_EQ(VarToStr(f.edit->EditValue()), c.set) << c.mask;
    EXPECT_EQ(f.edit->Text(), c.focused) << c.mask;
    EXPECT_EQ(windowText(f.edit), c.set) << c.mask;
    f.Leave();
    EXPECT_EQ(f.edit->Text(), c.unfocused) << c.mask;
    EXPECT_EQ(windowText(f.edit), c.set) << c.mask;
    EXPECT_EQ(static_cast<TControl*>(f.edit)->Text(), c.set) << c.mask;
    // The control's Text takes a value too, and typing changes what it reads.
    static_cast<TControl*>(f.edit)->SetText(c.set);
    f.Enter();
    f.session.Key(VK_END);
    f.session.Key(VK_BACK, "\b");
    f.session.Type("9");
    String expected = c.set;
    expected.back() = '9';
    EXPECT_EQ(windowText(f.edit), expected) << c.mask;
  }
}

// With VT_SCREENSHOT_DIR set, a picture of a text edit and a mask edit with installed fonts
// (a PPM file), for looking at what the editors draw.
TEST(KcMaskEdit, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  EnsureGuiApplication();
  TTestSession session;
  TPlainForm form(260, 80);
  auto* text = new TkcTextEdit(&form);
  text->SetParent(&form);
  text->SetBounds(10, 10, 150, 21);
  text->SetEditValue(Variant(String("Vantorelle")));
  auto* mask = new TkcMaskEdit(&form);
  mask->SetParent(&form);
  mask->SetBounds(10, 40, 150, 21);
  mask->Properties()->SetEditMask("000-00;1;_");
  form.Show();
  mask->SetFocus();
  session.ProcessMessages();
  session.Type("123");
  SavePicturePpm(session.Snapshot(form.Handle()), String(dir) + "/editors.ppm");
}
