#pragma once
// LIKE patterns: a multi-character wildcard, a one-character wildcard, an optional escape;
// matched over whole UTF-8 characters (an invalid byte is one character that reads as U+FFFD).
// A pattern is read once; matching reads the text in place, allocates nothing and takes the
// cheapest road its shape allows: equality, prefix, suffix, one substring, or a walk over the
// pieces between the multi-character wildcards (leftmost occurrence of each, the last one held
// to the end), which never takes more than pattern length times text length steps.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class TLikeMatcher {
public:
  struct TRules {
    char32_t Percent = U'%';
    char32_t Underscore = U'_';
    char32_t Escape = 0;  // 0: none. A lone escape at the end ends the pattern.
    // A multi-character wildcard that is not the pattern's last character never matches an
    // empty remainder ("a%%" does not match "a"; a lone escape after it counts as a character).
    bool PercentNeedsRest = false;
    // Each text character is compared by its UnicodeUpper; the pattern is taken as given, so
    // the caller passes it in upper case.
    bool FoldCase = false;
  };

  void Prepare(std::string_view Pattern, const TRules& Rules);
  // Inlined: a filter pass calls it once per record.
  [[gnu::always_inline]] bool Matches(std::string_view Text) const {
    switch (fShape) {
      case shNever: return false;
      case shEqual: return Text == fNeedle;
      case shPrefix: return Text.starts_with(fNeedle);
      case shSuffix: return Text.ends_with(fNeedle);
      case shContains: return Text.find(fNeedle) != std::string_view::npos;
      case shEqualFolded: return Text.size() == fNeedle.size() && EqualFolded(Text.data());
      case shPrefixFolded: return Text.size() >= fNeedle.size() && EqualFolded(Text.data());
      case shSuffixFolded:
        return Text.size() >= fNeedle.size() && EqualFolded(Text.data() + Text.size() - fNeedle.size());
      case shContainsFolded: return ContainsFolded(Text);
      default: return MatchesPieces(Text);
    }
  }

private:
  static constexpr char32_t kAnyChar = 0x110000;  // no character decodes to it
  struct TPiece {
    std::u32string Chars;  // kAnyChar for a one-character wildcard
    std::string Bytes;     // the characters as UTF-8, compared by bytes when Plain
    bool Plain = false;
    // When the piece can only start at an ASCII byte: that byte (and its lower case when
    // folding), else -1. ASCII bytes are always whole characters, so a byte search finds starts.
    int FirstByte = -1, FirstByteAlt = -1;
  };
  // The folded shapes compare bytes with ASCII case folding: their needle is ASCII without a
  // character that some non-ASCII character's upper case is (dotless i is I), so no other text
  // character can match a needle character, and each text byte is folded alone.
  enum TShape : std::uint8_t {
    shNever,
    shEqual,
    shPrefix,
    shSuffix,
    shContains,
    shEqualFolded,
    shPrefixFolded,
    shSuffixFolded,
    shContainsFolded,
    shGeneral
  };
  static char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }
  // The needle's length of Text (at least that long) equals the needle, folded.
  bool EqualFolded(const char* Text) const {
    for (std::size_t i = 0; i < fNeedle.size(); ++i)
      if (UpperAscii(Text[i]) != fNeedle[i]) return false;
    return true;
  }
  bool ContainsFolded(std::string_view Text) const;

  bool MatchesPieces(std::string_view Text) const;
  bool PieceAt(const TPiece& Piece, std::string_view Text, std::size_t Pos, std::size_t& End) const;
  bool FindPiece(const TPiece& Piece, std::string_view Text, std::size_t& Pos, std::size_t Limit) const;
  bool LastPieceStart(const TPiece& Piece, std::string_view Text, std::size_t From, std::size_t& Start) const;

  // The pieces between the multi-character wildcards: one more than there are wildcards.
  std::vector<TPiece> fPieces;
  TShape fShape = shNever;
  std::string fNeedle;  // the one piece of the equality, prefix, suffix and substring shapes
  bool fFoldCase = false;
};
