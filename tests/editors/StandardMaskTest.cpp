#include <gtest/gtest.h>

#include "editors/kcStandardMask.h"

namespace {

struct FitCase {
  const char* mask;
  const char* text;
  bool converted;
  bool literalsInText;
  const char* expected;
};

TEST(StandardMask, FitText) {
  const FitCase cases[] = {
      {">LL", "ab", true, false, "AB"},
      {">LL", "ab", false, false, "ab"},
      {"<LL", "AB", true, false, "ab"},
      {"><>LL", "aB", true, false, "aB"},  // "<>" keeps the typed case
      {">L<>L", "ab", true, false, "Ab"},
      {"!999", "12", true, false, "_12"},  // fitted from the right end
      {"000-00;0;*", "12345", true, false, "123-45"},
      {"000-00;0;*", "123-45", true, true, "123-45"},
      {"000-00;1;_", "12345", true, false, "123-45"},
      {"000", "1a2", true, false, "12_"},  // rejected character keeps the position
      {"L0", "5", true, false, "_5"},      // first accepting position wins
      {"000", "1 3", true, false, "1_3"},  // a blank leaves the position empty
      {"#99", "-12", true, false, "-12"},
      {"CcC", "x y", true, false, "x y"},  // any-character positions take a space
      {"\\(000\\)000", "1234", true, false, "(123)4__"},
      {"99/99", "1231", true, false, "12/31"},
      {"aa", "é1", true, false, "1_"},        // letters are ASCII letters
      {"CC", "éü", true, false, "éü"},        // one position per character
      {"99\\;1", "12", true, false, "12;1"},  // escaped ';' is a literal
  };
  for (const auto& c : cases) {
    TkcStandardMask m;
    m.SetMask(c.mask);
    String text = c.text;
    m.FitText(text, c.converted, c.literalsInText);
    EXPECT_EQ(text, c.expected) << c.mask << " <- " << c.text;
  }
}

struct MaskCase {
  const char* mask;
  const char* emptyText;
  const char* emptyValue;
  bool save;
  char32_t blank;
  int count;
};

TEST(StandardMask, SyntaxAndEmptyForms) {
  const MaskCase cases[] = {
      {"000-00;0;*", "***-**", "     ", false, U'*', 6},
      {"000-00;1", "___-__", "   -  ", true, U'_', 6},
      {"00;0", "__", "  ", false, U'_', 2},
      {"00\\", "__", "  ", true, U'_', 2},      // trailing backslash adds nothing
      {"0;1;", "_;1;", " ;1;", true, U'_', 4},  // ';' not in a closing form is literal
      {"0;2;x", "_;2;x", " ;2;x", true, U'_', 5},
      {"!#0", "__", "  ", true, U'_', 2},
      {"", "", "", true, U'_', 0},
  };
  for (const auto& c : cases) {
    TkcStandardMask m;
    m.SetMask(c.mask);
    EXPECT_EQ(m.GetEmptyText(), c.emptyText) << c.mask;
    EXPECT_EQ(m.GetEmptyValue(), c.emptyValue) << c.mask;
    EXPECT_EQ(m.SaveLiteralCharacters(), c.save) << c.mask;
    EXPECT_EQ(m.Blank(), c.blank) << c.mask;
    EXPECT_EQ(m.Count(), c.count) << c.mask;
    EXPECT_EQ(m.Mask(), c.mask);
  }
  TkcStandardMask m;
  m.SetMask("!0;0;*");
  m.SetMask("0");  // a new mask starts from the defaults
  EXPECT_FALSE(m.Leading());
  EXPECT_TRUE(m.SaveLiteralCharacters());
  EXPECT_EQ(m.Blank(), U'_');
}

TEST(StandardMask, ExtractValue) {
  TkcStandardMask m;
  m.SetMask("000-00;0;*");
  String t = "123-45";
  m.ExtractValue(t);
  EXPECT_EQ(t, "12345");
  t = "1*3-4";  // shorter text: only its characters count
  m.ExtractValue(t);
  EXPECT_EQ(t, "1 34");
  m.SetMask("000-00;1;_");
  t = "12_-4_";
  m.ExtractValue(t);
  EXPECT_EQ(t, "12 -4 ");
}

TEST(StandardMask, IsFullyValid) {
  struct Case {
    const char* mask;
    const char* text;
    bool valid;
    const char* after;
  } cases[] = {
      {"000-00;0;*", "123-4*", false, nullptr},
      {"000-00;0;*", "123-45", true, "123-45"},
      {"000-00;0;*", "123-4", false, nullptr},  // one character short
      {"099", "1_ ", true, "1_ "},              // optional positions may stay blank
      {"099", "_11", false, nullptr},           // a required one may not
      {"###", "+-_", true, "+-_"},
      {">LL", "ab", true, "AB"},  // converted in place
      {"0x0", "1y2", false, nullptr},
  };
  for (const auto& c : cases) {
    TkcStandardMask m;
    m.SetMask(c.mask);
    String t = c.text;
    EXPECT_EQ(m.IsFullyValid(t), c.valid) << c.mask << " " << c.text;
    if (c.after) {
      EXPECT_EQ(t, c.after) << c.mask;
    }
  }
}

}  // namespace
