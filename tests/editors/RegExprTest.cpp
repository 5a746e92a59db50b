#include <gtest/gtest.h>

#include <chrono>

#include "editors/kcRegExpr.h"
#include "platform/core/Classes.h"
#include "platform/core/FormatSettings.h"

namespace {

// Compiles Source and returns the text of every error, joined by " | "; "" when it compiled.
String CompileErrors(const String& Source) {
  TkcRegExpr r;
  try {
    r.Compile(Source);
  } catch (const EkcRegExprError& e) {
    String all;
    for (const auto& err : *e.Errors) all += (all.empty() ? "" : " | ") + err.Text();
    return all;
  }
  return "";
}

TEST(RegExprCompiler, EveryMessageWithItsPosition) {
  struct Case {
    const char* source;
    const char* errors;
  } cases[] = {
      {"(a|b", "Missing ')'"},
      {"a)", "Unnecessary ')'"},
      {")(", "Line1, Char1: Illegal ')' | The alternative should not be empty"},
      {"'abc", "Line1, Char4: Missing '''"},
      {"a\\ b", "Line1, Char3: The space character is not allowed after '\\'"},
      {"\\x4G", "Line1, Char4: Hexadecimal number expected but 'G' found"},
      {"\\x4", "Line1, Char3: Hexadecimal number expected"},
      {"[ab", "Line1, Char3: Missing ']'"},
      {"[a-", "Line1, Char3: Missing ']'"},
      {"a{1", "Line1, Char3: Missing '}'"},
      {"a{1x}", "Line1, Char4: Illegal 'x'"},
      {"a{'}", "Line1, Char3: Illegal '''"},
      {"|a", "Line1, Char1: The alternative should not be empty"},
      {"a|", "The alternative should not be empty"},
      {"(a|)", "Line1, Char4: The alternative should not be empty"},
      {"()", "Line1, Char2: The block should not be empty"},
      {"(a)(b)\\3", "Line1, Char7: Too big reference number"},
      {"(a\\2)", "Line1, Char3: Too big reference number"},
      {"*a", "Line1, Char1: Illegal quantifier '*'"},
      {"(a?)*", "Line1, Char5: The '*' quantifier cannot be applied here"},
      {"a*+", "Line1, Char3: The '+' quantifier cannot be applied here"},
      {"a{2,1}", "Line1, Char2: Incorrect parameter quantifier"},
      {"a{,1}", "Line1, Char2: Incorrect parameter quantifier"},
      {"a{1,2,3}", "Line1, Char2: Incorrect parameter quantifier"},
      {"{2}", "Line1, Char1: Incorrect parameter quantifier"},
      {"a?{2}", "Line1, Char3: The parameter quantifier cannot be applied here"},
      {"(a?){2,}", "Line1, Char5: The parameter quantifier cannot be applied here"},
      {"[z-a]", "Line1, Char4: The starting character of the subrange must be less than the finishing one"},
      {"[]", "Line1, Char2: Can't create empty enumeration"},
      {"[^]", "Line1, Char3: Can't create empty enumeration"},
      {"[a-c-e]", "Line1, Char5: Illegal '-'"},
      {"   ", "The source stream is empty"},
      {"", "The source stream is empty"},
      // every error of the expression is reported, not only the first
      {"|a|(b?)*",
       "Line1, Char1: The alternative should not be empty | "
       "Line1, Char8: The '*' quantifier cannot be applied here"},
      // CR LF and a lone LF both end a line
      {"a\r\n( b||c)", "Line2, Char5: The alternative should not be empty"},
      {"a\n( b||c)", "Line2, Char5: The alternative should not be empty"},
  };
  for (const auto& c : cases) EXPECT_EQ(CompileErrors(c.source), c.errors) << c.source;
}

TEST(RegExprCompiler, CountsTooLargeOrTooDeepAreRejectedNotBuilt) {
  EXPECT_EQ(CompileErrors("a{1001}"), "Line1, Char2: Incorrect parameter quantifier");
  EXPECT_EQ(CompileErrors("a{99999999999999999999}"), "Line1, Char2: Incorrect parameter quantifier");
  EXPECT_EQ(CompileErrors("(a{1,1000}){1,1000}"), "Line1, Char12: The expression is too complex");
  EXPECT_EQ(CompileErrors(String(5000, '(') + "a" + String(5000, ')')),
            "Line1, Char257: The expression is too complex");
  String plusses = "a+" + String(5000, '?');
  EXPECT_NE(CompileErrors(plusses), "");
  EXPECT_EQ(CompileErrors("a{0,1000}b"), "");
}

TEST(RegExprCompiler, DeepestAcceptedStructureIsBuiltWalkedAndFreed) {
  // 255 written groups around the longest count, then a copy of the whole: the structure nests
  // about 1250 levels deep, which linking, copying and freeing must survive.
  const String deep = String(255, '(') + "a{0,1000}" + String(255, ')');
  TkcRegExpr r;
  r.Compile(deep + "\\1");
  EXPECT_EQ(r.FilterText(String(2001, 'a')), String(2000, 'a'));
  EXPECT_TRUE(r.IsFinal());
  EXPECT_EQ(CompileErrors("(" + deep + "){1,40}"), "Line1, Char522: The expression is too complex");
}

TEST(RegExprCompiler, ParsedStructure) {
  struct Case {
    const char* source;
    const char* printed;
  } cases[] = {
      {"[a-]", "[a\\-]"},       {"[^a-c\\d.]", "[^a-c\\d.]"},
      {"a{3}", "(aaa)"},        {"a{2,}", "(aaa*)"},
      {"a{2,4}", "(aa(aa?)?)"}, {"a{0}b", "()b"},
      {"a+?", "(a+)?"},         {"(ab)\\1", "(ab)(ab)"},
      {"'it''s'", "it\\'s"},    {"\\x41\\.", "A\\."},
      {"a|b c", "a|bc"},
  };
  for (const auto& c : cases) {
    TkcRegExpr r;
    r.Compile(String(c.source));
    EXPECT_EQ(r.Print(), c.printed) << c.source;
  }
}

// Feeds Input one character at a time: "1" for an accepted character, "0" for a rejected one,
// then "F" or "-" for whether the text so far is complete.
String Feed(TkcRegExpr& r, const String& Input) {
  String trace;
  for (char32_t c : kcToChars(Input)) trace += r.Next(c) ? '1' : '0';
  return trace + (r.IsFinal() ? "F" : "-");
}

TEST(RegExprAutomaton, AcceptsAndRejectsCharacterByCharacter) {
  FormatSettingsScope scope;
  FormatSettings.DateSeparator = '.';
  FormatSettings.TimeSeparator = ':';
  FormatSettings.DecimalSeparator = ',';
  struct Case {
    const char* source;
    const char* input;
    const char* trace;
  } cases[] = {
      {"\\d\\d/\\d\\d", "12.34", "11111F"},
      {"\\d\\d/\\d\\d", "12/3", "1100-"},  // "/" is the locale's date separator
      {"\\d\\d:\\d\\d", "1:", "10-"},
      {"\\d+\\p\\d\\d", "12,50", "11111F"},
      {"(0?[1-9]|1[012])", "13", "10F"},  // "1" is a complete month, "3" cannot follow
      {"(0?[1-9]|1[012])", "09", "11F"},
      {"[^0-9]+", "ab1", "110F"},
      {"[a-cx-z]+", "byd", "110F"},  // a range may follow a range
      {"[a-c-]", "-", "1F"},
      {"\\w\\W\\s\\S", "_- x", "1111F"},
      {"a*", "", "F"},
      {"ab?c", "ac", "11F"},
      {"(a|b)+c", "abbac", "11111F"},
      {"x(a?)", "x", "1-"},  // the group must still be entered or passed
      {"x(a?)?", "x", "1F"},
      {"a{2,3}", "aaaa", "1110F"},
      {"(ab){2}", "abab", "1111F"},
      {"(a?b)+c", "babc", "1111F"},
      {"'Jan'|'Feb'", "Fex", "110-"},
      {"..", "éü", "11F"},  // one step per character, not per byte
  };
  for (const auto& c : cases) {
    TkcRegExpr r;
    r.Compile(String(c.source));
    EXPECT_TRUE(r.IsStart()) << c.source;
    EXPECT_EQ(Feed(r, c.input), c.trace) << c.source << " <- " << c.input;
  }
}

TEST(RegExprAutomaton, RejectedCharacterChangesNothingAndPrevStepsBack) {
  TkcRegExpr r;
  r.Compile(String("\\d\\d-\\d"));
  char32_t c = U'1';
  EXPECT_TRUE(r.Next(c));
  EXPECT_FALSE(r.IsStart());
  c = U'x';
  EXPECT_FALSE(r.Next(c));
  EXPECT_EQ(r.Automat()->HistoryCount(), 1);
  EXPECT_EQ(Feed(r, "2-3"), "111F");
  EXPECT_TRUE(r.Prev());
  EXPECT_FALSE(r.IsFinal());
  EXPECT_EQ(Feed(r, "4"), "1F");
  r.Reset();
  EXPECT_TRUE(r.IsStart());
  EXPECT_FALSE(r.Prev());
  EXPECT_EQ(r.FilterText("1a2-x3"), "12-3");
  EXPECT_TRUE(r.IsFinal());
}

TEST(RegExprAutomaton, CaseInsensitiveSymbolsTakeTheMaskCase) {
  TkcRegExpr r;
  r.SetCaseInsensitive(true);
  r.Compile(String("A[a-z]"));
  char32_t c = U'a';
  EXPECT_TRUE(r.Next(c));
  EXPECT_EQ(c, U'A');
  c = U'B';
  EXPECT_FALSE(r.Next(c));  // a subrange is case-sensitive always
  c = U'b';
  EXPECT_TRUE(r.Next(c));
  EXPECT_EQ(c, U'b');
  r.Reset();
  EXPECT_EQ(r.FilterText("xay"), "Ay");
  TkcRegExpr sensitive;
  sensitive.Compile(String("A"));
  c = U'a';
  EXPECT_FALSE(sensitive.Next(c));
}

TEST(RegExprAutomaton, ForcedCharactersAreAppendedAndRemoved) {
  FormatSettingsScope scope;
  FormatSettings.DateSeparator = '/';
  TkcRegExpr r;
  String appended, removed;
  r.OnCharAppended = [&](char32_t c) { appended += kcCharToStr(c); };
  r.OnCharRemoved = [&](char32_t c) { removed += kcCharToStr(c); };
  r.Compile(String("\\d\\d/\\d\\d"));
  r.SetUpdateOn(true);
  EXPECT_EQ(Feed(r, "1"), "1-");
  EXPECT_EQ(appended, "");
  EXPECT_EQ(Feed(r, "2"), "1-");
  EXPECT_EQ(appended, "/");
  EXPECT_TRUE(r.Prev());  // Backspace: the separator goes, then the second digit
  EXPECT_EQ(removed, "/");
  EXPECT_EQ(Feed(r, "3"), "1-");
  EXPECT_EQ(appended, "//");

  // Forced text at the start is appended on compile; a literal run is completed at once.
  TkcRegExpr p;
  String text;
  p.OnCharAppended = [&](char32_t c) { text += kcCharToStr(c); };
  p.SetUpdateOn(true);
  p.Compile(String("'ID-'\\d+' kg'"));
  EXPECT_EQ(text, "ID-");
  EXPECT_EQ(Feed(p, "7"), "1-");
  EXPECT_EQ(text, "ID-");  // after a digit, another digit or " kg" may follow
  EXPECT_EQ(Feed(p, " "), "1F");
  EXPECT_EQ(text, "ID-kg");
  char32_t g = U'g';
  EXPECT_FALSE(p.Next(g));
}

// A group that matches nothing at the end leaves what comes before it complete, and forced
// completion always ends, also on a loop that no final state ends.
TEST(RegExprAutomaton, EmptyGroupsAtTheEndAndForcedLoopsEnd) {
  for (const char* source : {"a+b{0}", "(a+\\1)", "ab{0}", "(a|b{0})+c{0}", "a+(b{0}){0}"}) {
    SCOPED_TRACE(source);
    String appended;
    TkcRegExpr r;
    try {
      r.Compile(String(source));
    } catch (const EkcRegExprError&) {
      continue;  // refused is as good as complete
    }
    r.OnCharAppended = [&](char32_t c) { appended += kcCharToStr(c); };
    r.SetUpdateOn(true);
    EXPECT_LE(appended.size(), 1u);
    char32_t a = U'a';
    if (!r.IsFinal()) {
      EXPECT_TRUE(r.Next(a));
    }
    EXPECT_TRUE(r.IsFinal()) << appended;
    EXPECT_LE(appended.size(), 2u);
  }
}

// A long forced run (a literal group repeated many times) completes in one pass, not in time
// growing with the square of its length.
TEST(RegExprAutomaton, LongForcedRunCompletesQuickly) {
  TkcRegExpr r;
  size_t appended = 0;
  r.OnCharAppended = [&](char32_t) { ++appended; };
  r.SetUpdateOn(true);
  const auto start = std::chrono::steady_clock::now();
  r.Compile(String("('abcdefghijklmnopqrs'){1000}x"));
  const auto took = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(appended, 19001u);
  EXPECT_TRUE(r.IsFinal());
  EXPECT_LT(took, std::chrono::seconds(2));
}

TEST(RegExprAutomaton, StateSetsStayBounded) {
  // Alternatives inside a repeated group would double a set per character with duplicates.
  TkcRegExpr r;
  r.Compile(String("((a|a)(a|a)|a)*b"));
  for (int i = 0; i < 200; ++i) {
    char32_t c = U'a';
    ASSERT_TRUE(r.Next(c));
  }
  EXPECT_LE(r.Automat()->CurrentStates().Count(), 8);
  EXPECT_EQ(Feed(r, "b"), "1F");

  // A count of many copies accepts exactly its maximum.
  TkcRegExpr big;
  big.Compile(String("a{0,1000}"));
  EXPECT_EQ(big.FilterText(String(1001, 'a')), String(1000, 'a'));
  EXPECT_TRUE(big.IsFinal());
  EXPECT_LE(big.Automat()->CurrentStates().Count(), 2);
}

TEST(RegExprObject, CompileFromStreamUseBeforeCompileAndRecompile) {
  TkcRegExpr r;
  EXPECT_THROW(r.IsFinal(), EkcEditError);
  try {
    char32_t c = U'a';
    r.Next(c);
    FAIL();
  } catch (const EkcEditError& e) {
    EXPECT_STREQ(e.what(), "Regular expression is not compiled");
  }
  try {
    r.Compile(static_cast<TStream*>(nullptr));
    FAIL();
  } catch (const EkcRegExprError& e) {
    ASSERT_EQ(e.Errors->size(), 1u);
    EXPECT_EQ((*e.Errors)[0].Text(), "The source stream is not assigned");
  }
  TStringStream s("\\d{2}");
  s.SetPosition(3);  // the whole stream is the source, wherever it stands
  r.Compile(&s);
  EXPECT_TRUE(r.IsCompiled());
  EXPECT_EQ(r.GetSource(), "\\d{2}");
  EXPECT_EQ(Feed(r, "12"), "11F");
  EXPECT_THROW(r.Compile(String("(")), EkcRegExprError);
  EXPECT_FALSE(r.IsCompiled());  // a failed compile leaves nothing compiled
  EXPECT_EQ(r.GetSource(), "");
  EXPECT_EQ(r.Errors().size(), 1u);
  r.Compile(String("x"));
  EXPECT_TRUE(r.Errors().empty());
  r.Clear();
  EXPECT_THROW(r.Reset(), EkcEditError);

  // the errors outlive the expression that raised them
  try {
    TkcRegExpr temporary;
    temporary.Compile(String("[z-a]"));
    FAIL();
  } catch (const EkcRegExprError& e) {
    ASSERT_EQ(e.Errors->size(), 1u);
    EXPECT_EQ((*e.Errors)[0].Line, 1);
  }
}

}  // namespace
