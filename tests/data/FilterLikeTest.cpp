// The LIKE matcher, wildcard classification and the display-text hook.

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "data/FilterTestSupport.h"
#include "data/kcFilter.h"
#include "platform/core/Utf8.h"
#include "platform/db/DBClient.h"
#include "support/LikeReference.h"

namespace {

TEST(FilterLike, PatternTable) {
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  } cases[] = {
      {"abc%", "abc", true},
      {"abc%", "abcdef", true},
      {"abc%", "xabc", false},
      {"%abc", "xxabc", true},
      {"%abc", "abcx", false},
      {"%b%", "abc", true},
      {"a_c", "abc", true},
      {"a_c", "ac", false},
      {"a_c", "abbc", false},
      {"%", "", true},
      {"%", "anything", true},
      {"", "", true},
      {"", "a", false},
      {"%_", "", false},
      {"%_", "a", true},
      {"a%", "a", true},
      {"a%%", "a", false},
      {"%%a", "a", true},
      {"%%", "", false},
      {"%%", "a", true},
      {"ABC%", "abc", false},
      {"a%b%c", "aXbYc", true},
      {"a%b%c", "aXcYb", false},
      // Characters, not bytes.
      {"ä_c", "äbc", true},
      {"_", "ä", true},
      {"_", "ää", false},
      {"%ö", "xyö", true},
      {"__", "€", false},
      {"a_", "a日", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchLikePattern(c.text, c.pattern, U'%', U'_'), c.matches) << c.pattern << " / " << c.text;
}

TEST(FilterLike, OtherWildcardsAndEscapes) {
  EXPECT_TRUE(MatchLikePattern("abc", "a*", U'*', U'?'));
  EXPECT_TRUE(MatchLikePattern("a%c", "a%c", U'*', U'?'));  // % is a plain character here
  EXPECT_TRUE(MatchLikePattern("abc", "a?c", U'*', U'?'));
  struct Case {
    const char* pattern;
    const char* text;
    bool matches;
  } cases[] = {
      {"a\\%b", "a%b", true}, {"a\\%b", "axb", false}, {"a\\_", "a_", true},
      {"a\\_", "ab", false},  {"ab\\", "ab", true},    {"a\\\\", "a\\", true},
      {"\\a%", "abc", true},  {"%\\%", "50%", true},   {"%\\%", "50", false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchLikePattern(c.text, c.pattern, U'%', U'_', U'\\'), c.matches) << c.pattern << " / " << c.text;
}

TEST(FilterLike, AgreesWithTheBacktrackingWalk) {
  std::mt19937 rng(12345);
  const char32_t patternChars[] = {U'a', U'b', U'%', U'_', U'\\'};
  const char32_t textChars[] = {U'a', U'b', U'%', U'_', U'\\'};
  for (int n = 0; n < 20000; ++n) {
    std::u32string p, t;
    for (int i = rng() % 7; i > 0; --i) p += patternChars[rng() % 5];
    for (int i = rng() % 7; i > 0; --i) t += textChars[rng() % 5];
    for (char32_t esc : {char32_t(0), U'\\'}) {
      bool expected = ReferenceLike(t, 0, p, 0, esc);
      ASSERT_EQ(MatchLikePattern(Ucs4ToUtf8(t), Ucs4ToUtf8(p), U'%', U'_', esc), expected)
          << Ucs4ToUtf8(p) << " / " << Ucs4ToUtf8(t) << " escape " << int(esc);
    }
  }
}

TEST(FilterLike, APreparedPatternAgreesOverManyTexts) {
  // One pattern object across texts of every length, so its kept buffers are reused.
  std::mt19937 rng(777);
  const char32_t chars[] = {U'a', U'b', U'%', U'_', U'\\', U'\u00e4'};
  TkcLikePattern pattern;
  for (int n = 0; n < 2000; ++n) {
    std::u32string p;
    for (int i = rng() % 7; i > 0; --i) p += chars[rng() % 6];
    char32_t esc = n % 2 ? U'\\' : 0;
    pattern.Prepare(Ucs4ToUtf8(p), U'%', U'_', esc);
    ASSERT_TRUE(pattern.PreparedFor(Ucs4ToUtf8(p), U'%', U'_', esc));
    for (int k = 0; k < 20; ++k) {
      std::u32string t;
      for (int i = rng() % 9; i > 0; --i) t += chars[rng() % 6];
      ASSERT_EQ(pattern.Matches(Ucs4ToUtf8(t)), ReferenceLike(t, 0, p, 0, esc))
          << Ucs4ToUtf8(p) << " / " << Ucs4ToUtf8(t) << " escape " << int(esc);
    }
  }
}

TEST(FilterLike, ConditionFollowsChangesAfterAFirstEvaluation) {
  TTestCriteria criteria;
  TkcFilterCriteriaItem* item = criteria.AddItem(nullptr, criteria.Name(), foLike, "a*c", "a*c");
  EXPECT_TRUE(criteria.Passes("a*c"));
  EXPECT_FALSE(criteria.Passes("abbc"));
  criteria.SetPercentWildcard(U'*');
  EXPECT_TRUE(criteria.Passes("abbc"));
  EXPECT_FALSE(criteria.Passes("a*"));
  criteria.SetPercentWildcard(U'%');
  criteria.SetUnderscoreWildcard(U'*');
  EXPECT_TRUE(criteria.Passes("abc"));  // "*" now stands for one character
  EXPECT_FALSE(criteria.Passes("abbc"));

  criteria.RestoreDefaults();
  delete item;
  criteria.AddItem(nullptr, criteria.Name(), foLike, "ab%", "ab%");
  EXPECT_FALSE(criteria.Passes("ABC"));
  criteria.SetOptions({fcoCaseInsensitive});
  EXPECT_TRUE(criteria.Passes("ABC"));
  EXPECT_TRUE(criteria.Passes("abc"));
  criteria.SetOptions({});
  EXPECT_FALSE(criteria.Passes("ABC"));

  // A caller's own value is matched as given, also between record evaluations.
  TkcFilterOperator* op = criteria.FindItemByItemLink(criteria.Name())->Operator();
  EXPECT_TRUE(op->Matches("xyz", "x%"));
  EXPECT_FALSE(op->Matches("abc", "x%"));
  EXPECT_TRUE(criteria.Passes("abc"));
  EXPECT_TRUE(op->Matches("xyz", "%z"));
}

// The record evaluation's short road for one LIKE keeps the root's negation, NOT LIKE, folded
// case and values that are not texts.
TEST(FilterLike, OneConditionAtTheRootKeepsEveryRule) {
  struct Case {
    TkcFilterOperatorKind op;
    TkcFilterBoolOperatorKind root;
    bool nocase;
    Variant value;
    bool passes;
  } cases[] = {
      {foLike, fboAnd, false, Variant("xabcx"), true},     {foLike, fboNotAnd, false, Variant("xabcx"), false},
      {foNotLike, fboAnd, false, Variant("xabcx"), false}, {foNotLike, fboNotOr, false, Variant("xyz"), false},
      {foLike, fboAnd, true, Variant("xABcx"), true},      {foLike, fboAnd, false, Variant("xABcx"), false},
      {foLike, fboAnd, false, Variant(12), false},         {foLike, fboNotAnd, false, Variant(12), true},
  };
  for (const Case& c : cases) {
    TTestCriteria criteria;
    criteria.Root()->SetBoolOperatorKind(c.root);
    criteria.SetOptions(c.nocase ? TkcFilterCriteriaOptions{fcoCaseInsensitive} : TkcFilterCriteriaOptions{});
    criteria.AddItem(nullptr, criteria.Name(), c.op, "%abc%", "%abc%");
    criteria.Passes(Variant("warm-up"));  // the first evaluation prepares the condition
    EXPECT_EQ(criteria.Passes(c.value), c.passes) << VarToStr(c.value) << " op " << c.op << " root " << c.root;
  }
}

TEST(FilterLike, TheDatasetFilterAgreesWhereTheRulesAreTheSame) {
  // The rules differ only for a wildcard before an empty remainder, which these patterns avoid.
  const char* texts[] = {"abc",
                         "xabcx",
                         "ABC",
                         "a\xC3\xA4"
                         "c",
                         "\xC3\x84"
                         "BC",
                         "th\xC4\xB1s",
                         "THIS",
                         "",
                         "a_c",
                         "50%"};
  const char* patterns[] = {"abc", "abc%",       "%abc", "%abc%", "a_c",  "%_%", "_\xC3\xA4%",
                            "%IS", "%\xC3\xA4%", "%b%c", "%",     "a%c%", "__"};
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("T", ftString, 20);
  ds.CreateDataSet();
  for (const char* t : texts) ds.AppendRecord({Variant(t)});
  for (bool caseInsensitive : {false, true}) {
    ds.SetFilterOptions(caseInsensitive ? TFilterOptions{foCaseInsensitive} : TFilterOptions{});
    for (const char* p : patterns) {
      TTestCriteria criteria;
      criteria.SetOptions(caseInsensitive ? TkcFilterCriteriaOptions{fcoCaseInsensitive} : TkcFilterCriteriaOptions{});
      criteria.AddItem(nullptr, criteria.Name(), foLike, p, p);
      std::vector<String> expected, got;
      for (const char* t : texts)
        if (criteria.Passes(t)) expected.push_back(t);
      ds.SetFiltered(false);
      ds.SetFilter(String("T LIKE ") + QuotedStr(p));
      ds.SetFiltered(true);
      for (ds.First(); !ds.Eof(); ds.Next()) got.push_back(ds.FieldByName("T")->AsString());
      EXPECT_EQ(got, expected) << p << (caseInsensitive ? " (case ignored)" : "");
    }
  }
}

TEST(FilterLike, ManyWildcardsOnALongTextStayFast) {
  String text(20000, 'a');
  auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(MatchLikePattern(text, "%a%a%a%a%a%a%a%a%b", U'%', U'_'));
  EXPECT_TRUE(MatchLikePattern(text + "b", "%a%a%a%a%a%a%a%a%b", U'%', U'_'));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(FilterLike, ClassifyAndCollapse) {
  struct Case {
    const char* pattern;
    int kind;
    const char* rest;
  } cases[] = {
      {"%abc%", 3, "abc"}, {"abc%", 1, "abc"}, {"%abc", 2, "abc"}, {"a%%%", 1, "a"}, {"%", 0, "%"},
      {"%%", 0, "%"},      {"ab", 0, "ab"},    {"%ä", 2, "ä"},     {"", 0, ""},      {"a%%b", 0, "a%b"},
  };
  for (const Case& c : cases) {
    String text = c.pattern;
    EXPECT_EQ(ClassifyLikePattern(text, U'%'), c.kind) << c.pattern;
    EXPECT_EQ(text, c.rest) << c.pattern;
  }
  String text = "**a***b*";
  CollapseDoubledWildcard(text, U'*');
  EXPECT_EQ(text, "*a*b*");
}

String Shout(const String& s) { return "<" + s + ">"; }

TEST(FilterLike, DisplayTextHook) {
  ASSERT_EQ(GetFilterDisplayTextHook(), nullptr);
  EXPECT_EQ(TranslateDisplayText("blank"), "blank");
  SetFilterDisplayTextHook(&Shout);
  EXPECT_EQ(TranslateDisplayText("blank"), "<blank>");
  EXPECT_EQ(ValueDisplayText(Null()), "<blank>");
  SetFilterDisplayTextHook(nullptr);
  EXPECT_EQ(TranslateDisplayText("and"), "and");
}

TEST(FilterLike, SemicolonTexts) {
  int position = 1;
  String text = " a ; b;;c";
  EXPECT_EQ(ExtractSemicolonItem(text, position), "a");
  EXPECT_EQ(position, 5);
  EXPECT_EQ(ExtractSemicolonItem(text, position), "b");
  EXPECT_EQ(ExtractSemicolonItem(text, position), "");
  EXPECT_EQ(ExtractSemicolonItem(text, position), "c");
  EXPECT_EQ(position, 10);
  EXPECT_EQ(ExtractSemicolonItem(text, position), "");

  Variant pair = SplitPairText("1;5");
  EXPECT_EQ(pair.GetItem(0).AsString(), "1");
  EXPECT_EQ(pair.GetItem(1).AsString(), "5");
  EXPECT_EQ(SplitPairText("7").GetItem(1).AsString(), "");
  Variant list = SplitListText("a; b ;c");
  ASSERT_EQ(list.ArrayCount(), 3);
  EXPECT_EQ(list.GetItem(1).AsString(), "b");
  Variant empty = SplitListText("");
  EXPECT_FALSE(empty.IsArray());
  EXPECT_EQ(empty.AsString(), "");
}

}  // namespace
