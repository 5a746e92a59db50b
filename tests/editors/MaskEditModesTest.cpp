// Masked typing: keystrokes through each mode into a model line edit, checking text and caret.

#include <gtest/gtest.h>

#include "editors/kcMaskEditModes.h"
#include "platform/core/FormatSettings.h"
#include "platform/win/Windows.h"

namespace {

// A single-line edit: text, selection and caret, with the platform edit's default key actions.
class TModelEdit : public IkcMaskEditHost {
public:
  String GetEditText() override { return kcFromChars(text); }
  void SetEditText(const String& AText) override {
    text = kcToChars(AText);
    Clamp();
  }
  int GetSelStart() override { return start; }
  int GetSelLength() override { return length; }
  void SetSelection(int AStart, int ALength) override {
    start = AStart;
    length = ALength;
    caret = AStart + ALength;
    Clamp();
  }
  int GetCaretPos() override { return caret; }
  void SendKey(WORD AKey) override {
    if (AKey == VK_DELETE) {
      if (length == 0 && start < int(text.size())) length = 1;
      Replace(U"");
    } else if (AKey == VK_LEFT) {
      SetSelection(length ? start : std::max(0, start - 1), 0);
    } else if (AKey == VK_RIGHT) {
      SetSelection(length ? start + length : std::min(int(text.size()), start + 1), 0);
    } else if (AKey == VK_HOME) {
      SetSelection(0, 0);
    } else if (AKey == VK_END) {
      SetSelection(int(text.size()), 0);
    }
  }
  void SendChar(char32_t ACh) override {
    if (ACh == U'\b') {
      if (length == 0 && start > 0) SetSelection(start - 1, 1);
      Replace(U"");
    } else {
      Replace(kcChars(1, ACh));
    }
  }
  void Beep() override { ++beeps; }
  bool IsCharValidForPos(char32_t&, int) override { return true; }
  bool HasWindow() override { return true; }
  bool IsFocused() override { return true; }
  String EditValueDisplayText() override { return String(); }
  void SetEditValue(const Variant& AValue) override { editValue = VarToStr(AValue); }

  kcChars text;
  int start = 0, length = 0, caret = 0, beeps = 0;
  String editValue;

private:
  void Replace(const kcChars& with) {
    text.replace(std::size_t(start), std::size_t(length), with);
    SetSelection(start + int(with.size()), 0);
  }
  void Clamp() {
    const int n = int(text.size());
    start = std::clamp(start, 0, n);
    length = std::clamp(length, 0, n - start);
    caret = std::clamp(caret, 0, n);
  }
};

// Feeds keys the way the mask edit does: the mode first, the edit's default when it allows.
// Keys: characters as themselves, '<' Left, '>' Right, '^' Home, '$' End, '#' Backspace, '~' Delete.
void Keys(TkcMaskEditCustomMode& mode, TModelEdit& edit, const std::u32string& keys) {
  for (char32_t k : keys) {
    switch (k) {
      case U'<':
        if (mode.PressLeft(false)) edit.SendKey(VK_LEFT);
        break;
      case U'>':
        if (mode.PressRight(false)) edit.SendKey(VK_RIGHT);
        break;
      case U'^':
        if (mode.PressHome(false)) edit.SendKey(VK_HOME);
        break;
      case U'$':
        if (mode.PressEnd(false)) edit.SendKey(VK_END);
        break;
      case U'#':
        if (mode.PressBackspace()) edit.SendChar(U'\b');
        break;
      case U'~':
        if (mode.PressDelete()) edit.SendKey(VK_DELETE);
        break;
      default: {
        char32_t c = k;
        if (mode.PressSymbol(c)) edit.SendChar(c);
      }
    }
  }
}

class MaskModesTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings.DateSeparator = '/';
  }
  void TearDown() override { FormatSettings = saved; }
  TFormatSettings saved;
  TkcMaskModeSettings settings{TEditCharCase::ecNormal, true, false, true};
};

TEST_F(MaskModesTest, StandardMaskTyping) {
  struct Case {
    const char* mask;
    std::u32string keys;
    const char* text;
    int selStart, selLength, beeps;
  } cases[] = {
      {"\\(000\\)000;1;_", U"^", "(___)___", 1, 1, 0},  // Home skips the leading literal
      {"\\(000\\)000;1;_", U"^1234", "(123)4__", 6, 1, 0},
      {"\\(000\\)000;1;_", U"^1234#", "(123)___", 5, 1, 0},       // Backspace blanks, never shortens
      {"\\(000\\)000;1;_", U"^12a", "(12_)___", 3, 1, 1},         // a refused letter beeps
      {"\\(000\\)000;1;_", U"^123>>>", "(123)___", 8, 0, 0},      // up to the end, not past it
      {"\\(000\\)000;1;_", U"^123<<<<", "(123)___", 1, 1, 0},     // Left stops at the first position
      {"\\(000\\)000;1;_", U"^12345678$9", "(123)456", 8, 0, 0},  // nothing is typed at the end
      {"\\(000\\)000;1;_", U"^123~", "(123)___", 5, 1, 0},
      {"000-00;0;*", U"^123456", "123-45", 6, 0, 0},  // the literal is jumped over
  };
  for (const auto& c : cases) {
    TModelEdit edit;
    TkcMaskEditStandardMode mode(&edit, settings);
    mode.CompileMask(c.mask);
    edit.SetEditText(mode.FormatText("", false));
    Keys(mode, edit, c.keys);
    const std::string label = std::string(c.mask) + " keys " + kcFromChars(c.keys);
    EXPECT_EQ(edit.GetEditText(), c.text) << label;
    EXPECT_EQ(edit.start, c.selStart) << label;
    EXPECT_EQ(edit.length, c.selLength) << label;
    EXPECT_EQ(edit.beeps, c.beeps) << label;
  }
}

TEST_F(MaskModesTest, StandardMaskLiteralPositionAndValidity) {
  TModelEdit edit;
  TkcMaskEditStandardMode mode(&edit, settings);
  mode.CompileMask("\\(000\\)000;1;_");
  edit.SetEditText("(12_)___");
  edit.SetSelection(4, 1);  // on ")"
  Keys(mode, edit, U"7");
  EXPECT_EQ(edit.GetEditText(), "(12_)7__");
  EXPECT_FALSE(mode.IsTextValid("(123)4__"));
  EXPECT_TRUE(mode.IsTextValid("(123)456"));
  EXPECT_FALSE(mode.IsTextValid("(___)___"));
  TkcMaskModeSettings ignore = settings;
  ignore.IgnoreMaskBlank = true;
  mode.SetSettings(ignore);
  EXPECT_TRUE(mode.IsTextValid("(___)___"));
  EXPECT_EQ(mode.GetValueText("(123)456", true), "(123)456");

  // Paste: the selection grows to the pasted length and the caret lands after it.
  edit.SetEditText("(___)___");
  edit.SetSelection(1, 1);
  mode.ClipboardTextLength = 3;
  mode.PastePreparing();
  EXPECT_EQ(edit.length, 3);
  edit.SetEditText("(987)___");
  mode.PasteFinished();
  EXPECT_EQ(edit.start, 5);  // past the literal after the pasted digits
}

TEST_F(MaskModesTest, RegularExpressionTyping) {
  TModelEdit edit;
  TkcMaskEditRegExprMode mode(&edit, settings);
  mode.CompileMask("(ab|cd)e");
  Keys(mode, edit, U"abx");
  EXPECT_EQ(edit.GetEditText(), "ab");
  EXPECT_EQ(edit.beeps, 1);
  Keys(mode, edit, U"e");
  EXPECT_EQ(edit.GetEditText(), "abe");
  EXPECT_TRUE(mode.IsTextValid("abe"));
  EXPECT_FALSE(mode.IsTextValid("ab"));
  // Typing at the start what the rest cannot follow removes the rest.
  Keys(mode, edit, U"^c");
  EXPECT_EQ(edit.GetEditText(), "c");
  EXPECT_EQ(edit.start, 1);
  Keys(mode, edit, U"de#");
  EXPECT_EQ(edit.GetEditText(), "cd");
  // Backspace in the middle keeps a tail that still fits.
  TModelEdit e2;
  TkcMaskEditRegExprMode digits(&e2, settings);
  digits.CompileMask("\\d+-\\d");
  Keys(digits, e2, U"123-4<<#");
  EXPECT_EQ(e2.GetEditText(), "12-4");
  Keys(digits, e2, U"#");
  EXPECT_EQ(e2.GetEditText(), "1-4");
  Keys(digits, e2, U"#");  // "-4" cannot start the text: it goes too
  EXPECT_EQ(e2.GetEditText(), "");
  EXPECT_EQ(digits.FormatText("1a2-b3", false), "12-3");
  EXPECT_TRUE(digits.IsTextValid(""));

  try {
    digits.CompileMask("(a|b");
    FAIL() << "an invalid mask was accepted";
  } catch (const EkcMaskEditError& e) {
    EXPECT_STREQ(e.what(), "Regular expression errors:\r\nMissing ')'");
  }
}

TEST_F(MaskModesTest, ExtendedModeFillsInForcedCharacters) {
  TModelEdit edit;
  TkcMaskEditRegExprExMode mode(&edit, settings);
  mode.CompileMask("\\d\\d/\\d\\d");
  Keys(mode, edit, U"12");
  EXPECT_EQ(edit.GetEditText(), "12/");
  EXPECT_EQ(edit.start, 3);
  Keys(mode, edit, U"#");
  EXPECT_EQ(edit.GetEditText(), "1");
  Keys(mode, edit, U"234");
  EXPECT_EQ(edit.GetEditText(), "12/34");
  EXPECT_TRUE(mode.IsTextValid("12/34"));
  EXPECT_EQ(mode.FormatText("1234", false), "12/34");

  TModelEdit bracketed;
  TkcMaskEditRegExprExMode prefix(&bracketed, settings);
  prefix.CompileMask("\\(\\d\\d\\)");
  EXPECT_EQ(prefix.GetEmptyValueText(), "(");
  EXPECT_TRUE(prefix.IsTextValid("("));
  Keys(prefix, bracketed, U"7");
  EXPECT_EQ(bracketed.GetEditText(), "(7");
  Keys(prefix, bracketed, U"#");
  EXPECT_EQ(bracketed.GetEditText(), "(");
  Keys(prefix, bracketed, U"#");  // the forced start stays
  EXPECT_EQ(bracketed.GetEditText(), "(");
  EXPECT_EQ(bracketed.beeps, 1);
  Keys(prefix, bracketed, U"12");
  EXPECT_EQ(bracketed.GetEditText(), "(12)");
}

TEST_F(MaskModesTest, ModeWithoutAnEditFormatsAndFillsTheEmptyValueLater) {
  TkcMaskEditStandardMode mode(nullptr, settings);
  mode.CompileMask("000-00;0;*");
  EXPECT_TRUE(mode.NeedUpdateEditValue());
  EXPECT_EQ(mode.FormatText("12345", false), "123-45");
  EXPECT_EQ(mode.GetEmptyValueText(), "     ");
  auto attached = CreateMaskEditMode(emkRegExprEx, nullptr, settings);
  attached->CompileMask("\\(\\d\\)");
  TModelEdit edit;
  attached->SetEdit(&edit);
  attached->ApplyEmptyValue();
  EXPECT_EQ(edit.editValue, "(");
  attached->ApplyEmptyValue();  // once only
  edit.editValue.clear();
  attached->ApplyEmptyValue();
  EXPECT_EQ(edit.editValue, "");
}

}  // namespace
