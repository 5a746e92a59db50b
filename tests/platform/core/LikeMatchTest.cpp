// The LIKE matcher's fast roads (equality, prefix, suffix, substring, the walk over pieces)
// against a plain backtracking walk over decoded characters.

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "platform/core/LikeMatch.h"
#include "platform/core/Utf8.h"
#include "support/LikeReference.h"

namespace {

bool Reference(const std::string& text, const std::string& pattern, char32_t esc, bool needsRest, bool fold) {
  return ReferenceLike(Utf8ToUcs4(fold ? Utf8UpperCase(text) : text), 0, Utf8ToUcs4(pattern), 0, esc, needsRest);
}

// Characters of one to four bytes, one that folds to ASCII, an invalid byte, U+FFFD, the
// wildcards and the escape.
const char* const kPieces[] = {"a",
                               "b",
                               "A",
                               "B",
                               "\xC3\xA4" /* a umlaut */,
                               "\xC3\x84",
                               "\xE2\x82\xAC" /* euro */,
                               "\xF0\x9D\x84\x9E" /* clef */,
                               "\xC4\xB1" /* dotless i */,
                               "I",
                               "\xFF",
                               "\xEF\xBF\xBD" /* U+FFFD */,
                               "%",
                               "_",
                               "\\"};

std::string RandomText(std::mt19937& rng, int maxChars, int firstPiece, int pieceCount) {
  std::string s;
  for (int n = static_cast<int>(rng() % static_cast<unsigned>(maxChars + 1)); n > 0; --n)
    s += kPieces[firstPiece + static_cast<int>(rng() % static_cast<unsigned>(pieceCount))];
  return s;
}

TEST(LikeMatch, EveryRoadAgreesWithTheBacktrackingWalk) {
  std::mt19937 rng(20261210);
  constexpr int kAll = sizeof(kPieces) / sizeof(kPieces[0]);
  TLikeMatcher matcher;
  for (int n = 0; n < 6000; ++n) {
    // Mostly plain pieces wrapped into the shapes with roads of their own, sometimes any mix.
    std::string core = RandomText(rng, 4, 0, n % 3 ? kAll - 3 : kAll);
    std::string pattern;
    switch (n % 6) {
      case 0: pattern = core; break;
      case 1: pattern = core + "%"; break;
      case 2: pattern = "%" + core; break;
      case 3: pattern = "%" + core + "%"; break;
      case 4: pattern = core + "%" + RandomText(rng, 2, 0, kAll - 3) + "%" + RandomText(rng, 2, 0, kAll); break;
      default: pattern = RandomText(rng, 7, 0, kAll); break;
    }
    for (int rules = 0; rules < 8; ++rules) {
      TLikeMatcher::TRules r;
      r.Escape = rules & 1 ? U'\\' : 0;
      r.PercentNeedsRest = (rules & 2) != 0;
      r.FoldCase = (rules & 4) != 0;
      const std::string p = r.FoldCase ? Utf8UpperCase(pattern) : pattern;
      matcher.Prepare(p, r);
      for (int k = 0; k < 6; ++k) {
        std::string text = RandomText(rng, 8, 0, kAll);
        if (k == 0) text = RandomText(rng, 2, 0, kAll) + core + RandomText(rng, 2, 0, kAll);
        ASSERT_EQ(matcher.Matches(text), Reference(text, p, r.Escape, r.PercentNeedsRest, r.FoldCase))
            << "pattern [" << p << "] text [" << text << "] escape " << (r.Escape != 0) << " needs rest "
            << r.PercentNeedsRest << " fold " << r.FoldCase;
      }
    }
  }
}

TEST(LikeMatch, RulesAtTheEdges) {
  struct Case {
    const char* pattern;
    const char* text;
    bool needsRest, matches;
  } cases[] = {
      {"a%%", "a", true, false},
      {"a%%", "a", false, true},
      {"%%", "", true, false},
      {"%%", "", false, true},
      {"a%%", "ab", true, true},
      {"%\\", "x", true, false},
      {"a\\", "a", true, true},
      {"%a%", "a", true, true},
      {"_%_", "\xE2\x82\xAC\xE2\x82\xAC", true, true},
      {"%\xE2\x82", "\xE2\x82\xAC", false, false},  // two invalid bytes: two characters
      {"%\xEF\xBF\xBD", "x\xFF", false, true},      // an invalid byte reads as U+FFFD
  };
  for (const Case& c : cases) {
    TLikeMatcher m;
    TLikeMatcher::TRules r;
    r.Escape = U'\\';
    r.PercentNeedsRest = c.needsRest;
    m.Prepare(c.pattern, r);
    EXPECT_EQ(m.Matches(c.text), c.matches) << c.pattern << " / " << c.text << " needs rest " << c.needsRest;
  }
  TLikeMatcher folded;
  TLikeMatcher::TRules r;
  r.FoldCase = true;
  folded.Prepare("%IS%", r);
  EXPECT_TRUE(folded.Matches("th\xC4\xB1s"));  // dotless i folds to I
  EXPECT_TRUE(folded.Matches("xiSx"));
  EXPECT_FALSE(folded.Matches("i s"));
}

}  // namespace
