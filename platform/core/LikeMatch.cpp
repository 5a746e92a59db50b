#include "platform/core/LikeMatch.h"

#include <array>
#include <cstring>

#include "platform/core/Utf8.h"

namespace {

// One character of Text at Pos, decoded (and folded) the way Utf8Decode and UnicodeUpper do;
// ASCII needs neither call.
inline char32_t ReadChar(std::string_view Text, std::size_t& Pos, bool FoldCase) {
  auto b = static_cast<unsigned char>(Text[Pos]);
  if (b < 0x80) {
    ++Pos;
    return FoldCase && b >= 'a' && b <= 'z' ? static_cast<char32_t>(b - 32) : b;
  }
  char32_t c = Utf8Decode(Text, Pos);
  return FoldCase ? UnicodeUpper(c) : c;
}

// The ASCII characters that some other character's upper case is (dotless i is I), found once.
const std::array<bool, 128>& AsciiFoldTargets() {
  static const std::array<bool, 128> targets = [] {
    std::array<bool, 128> t{};
    for (char32_t c = 0x80; c <= 0x10FFFF; ++c) {
      if (c == 0xD800) c = 0xE000;
      char32_t u = UnicodeUpper(c);
      if (u < 0x80) t[u] = true;
    }
    return t;
  }();
  return targets;
}

inline std::size_t NextChar(std::string_view Text, std::size_t Pos) {
  return static_cast<unsigned char>(Text[Pos]) < 0x80 ? Pos + 1 : Utf8Next(Text, Pos);
}

}  // namespace

void TLikeMatcher::Prepare(std::string_view Pattern, const TRules& Rules) {
  enum TKind { Percent, Any, Literal };
  struct TToken {
    TKind Kind;
    char32_t Char;
  };
  std::vector<TToken> tokens;
  bool loneEscape = false;
  for (std::size_t pos = 0; pos < Pattern.size();) {
    char32_t c = Utf8Decode(Pattern, pos);
    if (Rules.Escape != 0 && c == Rules.Escape) {
      if (pos < Pattern.size())
        tokens.push_back({Literal, Utf8Decode(Pattern, pos)});
      else
        loneEscape = true;
    } else if (c == Rules.Percent) {
      tokens.push_back({Percent, c});
    } else if (c == Rules.Underscore) {
      tokens.push_back({Any, c});
    } else {
      tokens.push_back({Literal, c});
    }
  }

  fPieces.clear();
  fFoldCase = Rules.FoldCase;
  fShape = shNever;
  bool trailingPercent = !tokens.empty() && tokens.back().Kind == Percent;
  if (Rules.PercentNeedsRest && trailingPercent) {
    // After the wildcards only a lone escape, which matches nothing but the empty remainder
    // they refuse: no text matches.
    if (loneEscape) return;
    // A run of wildcards at the end needs one character: "x%%" reads as "x_%".
    std::size_t run = 0;
    while (run < tokens.size() && tokens[tokens.size() - 1 - run].Kind == Percent) ++run;
    if (run >= 2) {
      tokens.resize(tokens.size() - run);
      tokens.push_back({Any, 0});
      tokens.push_back({Percent, 0});
    }
  }
  // Every other wildcard is followed by a character to match, so a run of them means one.
  fPieces.emplace_back();
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (tokens[i].Kind == Percent) {
      if (i > 0 && tokens[i - 1].Kind == Percent) continue;
      fPieces.emplace_back();
    } else {
      fPieces.back().Chars.push_back(tokens[i].Kind == Any ? kAnyChar : tokens[i].Char);
    }
  }
  for (TPiece& piece : fPieces) {
    // Bytes stand for characters when no text byte can be read as a pattern character other
    // than by equal bytes: no case folding, no one-character wildcard, and no U+FFFD (which an
    // invalid text byte reads as).
    piece.Plain = !fFoldCase;
    for (char32_t c : piece.Chars) {
      if (c == kAnyChar || c == kReplacementChar)
        piece.Plain = false;
      else
        Utf8Append(piece.Bytes, c);
    }
    char32_t first = piece.Chars.empty() ? kAnyChar : piece.Chars.front();
    if (first < 0x80 && (!fFoldCase || !AsciiFoldTargets()[first])) {
      piece.FirstByte = static_cast<int>(first);
      if (fFoldCase && first >= 'A' && first <= 'Z') piece.FirstByteAlt = static_cast<int>(first + 32);
    }
  }
  const std::size_t last = fPieces.size() - 1;
  const bool firstEmpty = fPieces.front().Chars.empty(), lastEmpty = fPieces.back().Chars.empty();
  // A folded piece compares by bytes when every character is ASCII that no other character's
  // upper case is.
  auto byBytes = [&](const TPiece& piece) {
    if (piece.Plain) return true;
    if (!fFoldCase || piece.Bytes.size() != piece.Chars.size()) return false;
    for (char32_t c : piece.Chars)
      if (c >= 0x80 || AsciiFoldTargets()[c]) return false;
    return true;
  };
  const int folded = fFoldCase ? shEqualFolded - shEqual : 0;
  if (last == 0 && byBytes(fPieces[0]))
    fShape = static_cast<TShape>(shEqual + folded);
  else if (last == 1 && lastEmpty && !firstEmpty && byBytes(fPieces[0]))
    fShape = static_cast<TShape>(shPrefix + folded);
  else if (last == 1 && firstEmpty && !lastEmpty && byBytes(fPieces[1]))
    fShape = static_cast<TShape>(shSuffix + folded);
  else if (last == 2 && firstEmpty && lastEmpty && byBytes(fPieces[1]))
    fShape = static_cast<TShape>(shContains + folded);
  else
    fShape = shGeneral;
  if (fShape == shContainsFolded && fPieces[1].Bytes.empty()) fShape = shGeneral;
  fNeedle = fShape == shEqual || fShape == shPrefix || fShape == shEqualFolded || fShape == shPrefixFolded
                ? fPieces[0].Bytes
            : fShape == shGeneral ? std::string()
                                  : fPieces[1].Bytes;
}

bool TLikeMatcher::ContainsFolded(std::string_view Text) const {
  const std::size_t n = fNeedle.size();
  if (Text.size() < n) return false;
  const char* data = Text.data();
  const char first = fNeedle[0];
  const std::size_t end = Text.size() - n;
  if (first >= 'A' && first <= 'Z') {
    // Setting the 0x20 bit makes a letter of either case the lower-case one.
    const char lower = static_cast<char>(first | 0x20);
    for (std::size_t t = 0; t <= end; ++t)
      if ((data[t] | 0x20) == lower && EqualFolded(data + t)) return true;
    return false;
  }
  for (std::size_t t = 0; t <= end; ++t)
    if (data[t] == first && EqualFolded(data + t)) return true;
  return false;
}

// A plain piece's bytes found in the text start at a character boundary: the first byte of a
// UTF-8 character is never a continuation byte, so no character of the text can span it.

bool TLikeMatcher::PieceAt(const TPiece& Piece, std::string_view Text, std::size_t Pos, std::size_t& End) const {
  if (Piece.Plain) {
    if (Text.size() - Pos < Piece.Bytes.size() ||
        std::memcmp(Text.data() + Pos, Piece.Bytes.data(), Piece.Bytes.size()) != 0)
      return false;
    End = Pos + Piece.Bytes.size();
    return true;
  }
  for (char32_t c : Piece.Chars) {
    if (Pos >= Text.size()) return false;
    char32_t t = ReadChar(Text, Pos, fFoldCase);
    if (c != kAnyChar && c != t) return false;
  }
  End = Pos;
  return true;
}

// The leftmost occurrence at or after Pos that ends by Limit (a character boundary); Pos moves
// past it.
bool TLikeMatcher::FindPiece(const TPiece& Piece, std::string_view Text, std::size_t& Pos, std::size_t Limit) const {
  Text = Text.substr(0, Limit);
  if (Piece.Plain) {
    std::size_t found = Text.find(Piece.Bytes, Pos);
    if (found == std::string_view::npos) return false;
    Pos = found + Piece.Bytes.size();
    return true;
  }
  std::size_t end;
  const char* data = Text.data();
  if (Piece.FirstByteAlt >= 0) {
    // A letter in either case: setting the 0x20 bit makes both the lower-case one.
    const auto lower = static_cast<unsigned char>(Piece.FirstByteAlt);
    for (std::size_t t = Pos; t < Text.size(); ++t) {
      if ((static_cast<unsigned char>(data[t]) | 0x20) != lower) continue;
      if (PieceAt(Piece, Text, t, end)) {
        Pos = end;
        return true;
      }
    }
    return false;
  }
  if (Piece.FirstByte >= 0) {
    for (std::size_t t = Pos; t < Text.size(); ++t) {
      const void* hit = std::memchr(data + t, Piece.FirstByte, Text.size() - t);
      if (!hit) return false;
      t = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
      if (PieceAt(Piece, Text, t, end)) {
        Pos = end;
        return true;
      }
    }
    return false;
  }
  for (std::size_t t = Pos; t < Text.size(); t = NextChar(Text, t)) {
    if (PieceAt(Piece, Text, t, end)) {
      Pos = end;
      return true;
    }
  }
  return false;
}

// Where the last piece starts when it ends the text, at or after From.
bool TLikeMatcher::LastPieceStart(const TPiece& Piece, std::string_view Text, std::size_t From,
                                  std::size_t& Start) const {
  std::size_t end;
  if (Piece.Plain) {
    if (Text.size() - From < Piece.Bytes.size()) return false;
    Start = Text.size() - Piece.Bytes.size();
    return PieceAt(Piece, Text, Start, end);
  }
  std::size_t count = 0;
  for (std::size_t t = From; t < Text.size(); t = NextChar(Text, t)) ++count;
  if (count < Piece.Chars.size()) return false;
  Start = From;
  for (std::size_t skip = count - Piece.Chars.size(); skip > 0; --skip) Start = NextChar(Text, Start);
  return PieceAt(Piece, Text, Start, end);
}

bool TLikeMatcher::MatchesPieces(std::string_view Text) const {
  std::size_t pos = 0;
  if (!fPieces.front().Chars.empty() && !PieceAt(fPieces.front(), Text, 0, pos)) return false;
  const std::size_t last = fPieces.size() - 1;
  if (last == 0) return pos == Text.size();
  std::size_t limit = Text.size();
  if (!fPieces[last].Chars.empty() && !LastPieceStart(fPieces[last], Text, pos, limit)) return false;
  // Each piece between wildcards at its leftmost place leaves the most room to the next.
  for (std::size_t i = 1; i < last; ++i)
    if (!FindPiece(fPieces[i], Text, pos, limit)) return false;
  return true;
}
