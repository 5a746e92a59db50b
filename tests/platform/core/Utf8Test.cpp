#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Utf8.h"

namespace {

// "a", e-acute (2 bytes), euro (3 bytes), grinning face (4 bytes), "z".
const std::string kMixed = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";

TEST(Utf8Stepping, WholeCharactersForwardAndBack) {
  std::vector<std::size_t> forward;
  for (std::size_t p = 0; p < kMixed.size(); p = Utf8Next(kMixed, p)) forward.push_back(p);
  EXPECT_EQ(forward, (std::vector<std::size_t>{0, 1, 3, 6, 10}));
  std::vector<std::size_t> back;
  for (std::size_t p = kMixed.size(); p > 0;) back.push_back(p = Utf8Prev(kMixed, p));
  EXPECT_EQ(back, (std::vector<std::size_t>{10, 6, 3, 1, 0}));
  EXPECT_EQ(Utf8Length(kMixed), 5u);
  EXPECT_EQ(Utf8OffsetOf(kMixed, 3), 6u);
  EXPECT_EQ(Utf8OffsetOf(kMixed, 9), kMixed.size());
  EXPECT_EQ(Utf8IndexOf(kMixed, 7), 3u);  // inside the 4-byte character
  EXPECT_EQ(Utf8Copy(kMixed, 1, 2), "\xC3\xA9\xE2\x82\xAC");
  EXPECT_TRUE(Utf8IsBoundary(kMixed, 6));
  EXPECT_FALSE(Utf8IsBoundary(kMixed, 7));
}

TEST(Utf8Stepping, InvalidBytesAreSingleCharacters) {
  struct Case {
    const char* what;
    std::string bytes;
    std::size_t chars;
  };
  const Case cases[] = {
      {"lone continuation", "\x80", 1},
      {"truncated 3-byte", "\xE2\x82", 2},
      {"truncated 4-byte then ASCII", "\xF0\x9F\x98z", 4},
      {"overlong slash", "\xC0\xAF", 2},
      {"surrogate", "\xED\xA0\x80", 3},
      {"beyond U+10FFFF", "\xF4\x90\x80\x80", 4},
      {"FF byte",
       "a\xFF"
       "b",
       3},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(Utf8IsValid(c.bytes)) << c.what;
    EXPECT_EQ(Utf8Length(c.bytes), c.chars) << c.what;
    std::size_t back = 0;
    for (std::size_t p = c.bytes.size(); p > 0; p = Utf8Prev(c.bytes, p)) ++back;
    EXPECT_EQ(back, c.chars) << c.what;
    EXPECT_EQ(Utf8ToUcs4(c.bytes).size(), c.chars) << c.what;
  }
  std::size_t pos = 0;
  EXPECT_EQ(Utf8Decode("\xE2\x82", pos), kReplacementChar);
  EXPECT_EQ(pos, 1u);
  EXPECT_TRUE(Utf8IsValid(kMixed));
  // Long ASCII runs are checked eight bytes at a time: a bad byte anywhere still counts.
  for (std::size_t at = 0; at < 20; ++at) {
    std::string text(20, 'a');
    EXPECT_TRUE(Utf8IsValid(text + kMixed + text));
    text[at] = '\xFF';
    EXPECT_FALSE(Utf8IsValid(text)) << at;
  }
}

TEST(Utf8Conversion, WideAndUcs4RoundTrips) {
  WideString w = Utf8ToWide(kMixed);
  EXPECT_EQ(w.size(), 6u);  // the emoji is a surrogate pair
  EXPECT_EQ(WideToUtf8(w), kMixed);
  EXPECT_EQ(Ucs4ToUtf8(Utf8ToUcs4(kMixed)), kMixed);
  EXPECT_EQ(WideToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");  // lone surrogate
  EXPECT_EQ(Utf8Encode(0x110000), "\xEF\xBF\xBD");
  std::size_t pos = 0;
  EXPECT_EQ(Utf8Decode(kMixed, pos = 6), U'\U0001F600');
}

TEST(Utf8Case, MappingAndClasses) {
  EXPECT_EQ(Utf8UpperCase("stra\xC3\x9F"
                          "e \xC3\xA9t\xC3\xA9 \xD0\xB4"),
            "STRA\xC3\x9F"
            "E \xC3\x89T\xC3\x89 \xD0\x94");
  EXPECT_EQ(Utf8LowerCase("\xC3\x89T\xC3\x89 ABC"), "\xC3\xA9t\xC3\xA9 abc");
  EXPECT_EQ(Utf8UpperCase("a\xFF"
                          "b"),
            "A\xFF"
            "B");  // invalid bytes pass unchanged
  EXPECT_EQ(UnicodeUpper(U'\u00E9'), U'\u00C9');
  EXPECT_TRUE(IsUnicodeLetter(U'\u00E9'));
  EXPECT_TRUE(IsUnicodeLetter(U'\u0434'));
  EXPECT_FALSE(IsUnicodeLetter(U'_'));
  EXPECT_TRUE(IsUnicodeWordChar(U'_'));
  EXPECT_TRUE(IsUnicodeDigit(U'7'));
  EXPECT_TRUE(IsUnicodeSpace(U'\u00A0'));
  EXPECT_FALSE(IsUnicodeWordChar(U'('));
}

}  // namespace
