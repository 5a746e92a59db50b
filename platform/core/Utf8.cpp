#include "platform/core/Utf8.h"

#include <cstring>

#include <QChar>
#include <QString>

namespace {

// Length of a well-formed sequence at S[Pos], or 0 when the bytes there are not one.
std::size_t ValidSequenceLength(std::string_view S, std::size_t Pos) {
  auto at = [&](std::size_t i) { return static_cast<unsigned char>(S[Pos + i]); };
  std::size_t left = S.size() - Pos;
  unsigned char b0 = at(0);
  if (b0 < 0x80) return 1;
  auto cont = [&](std::size_t i, unsigned char lo = 0x80, unsigned char hi = 0xBF) {
    return i < left && at(i) >= lo && at(i) <= hi;
  };
  if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
  if (b0 == 0xE0) return cont(1, 0xA0) && cont(2) ? 3 : 0;
  if ((b0 >= 0xE1 && b0 <= 0xEC) || b0 == 0xEE || b0 == 0xEF) return cont(1) && cont(2) ? 3 : 0;
  if (b0 == 0xED) return cont(1, 0x80, 0x9F) && cont(2) ? 3 : 0;  // no surrogates
  if (b0 == 0xF0) return cont(1, 0x90) && cont(2) && cont(3) ? 4 : 0;
  if (b0 >= 0xF1 && b0 <= 0xF3) return cont(1) && cont(2) && cont(3) ? 4 : 0;
  if (b0 == 0xF4) return cont(1, 0x80, 0x8F) && cont(2) && cont(3) ? 4 : 0;
  return 0;
}

bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

}  // namespace

std::size_t Utf8CharLen(std::string_view S, std::size_t Pos) {
  if (Pos >= S.size()) return 0;
  std::size_t n = ValidSequenceLength(S, Pos);
  return n ? n : 1;
}

std::size_t Utf8Next(std::string_view S, std::size_t Pos) {
  if (Pos >= S.size()) return S.size();
  return Pos + Utf8CharLen(S, Pos);
}

std::size_t Utf8Prev(std::string_view S, std::size_t Pos) {
  if (Pos == 0) return 0;
  if (Pos > S.size()) Pos = S.size();
  // A character is at most 4 bytes: look back for a start whose sequence ends exactly at Pos.
  for (std::size_t back = 2; back <= 4 && back <= Pos; ++back) {
    std::size_t start = Pos - back;
    if (IsContinuation(static_cast<unsigned char>(S[start]))) continue;
    if (ValidSequenceLength(S, start) == back) return start;
    break;
  }
  return Pos - 1;
}

bool Utf8IsBoundary(std::string_view S, std::size_t Pos) {
  if (Pos == 0 || Pos >= S.size()) return true;
  if (!IsContinuation(static_cast<unsigned char>(S[Pos]))) return true;
  // A continuation byte is a boundary only when it is not inside a valid sequence.
  for (std::size_t back = 1; back <= 3 && back <= Pos; ++back) {
    std::size_t start = Pos - back;
    if (IsContinuation(static_cast<unsigned char>(S[start]))) continue;
    return ValidSequenceLength(S, start) <= back;
  }
  return true;
}

std::size_t Utf8Length(std::string_view S) {
  std::size_t count = 0;
  for (std::size_t p = 0; p < S.size(); p = Utf8Next(S, p)) ++count;
  return count;
}

std::size_t Utf8OffsetOf(std::string_view S, std::size_t N) {
  std::size_t p = 0;
  while (N > 0 && p < S.size()) {
    p = Utf8Next(S, p);
    --N;
  }
  return p;
}

std::size_t Utf8IndexOf(std::string_view S, std::size_t Pos) {
  std::size_t index = 0;
  std::size_t p = 0;
  while (p < S.size()) {
    std::size_t next = Utf8Next(S, p);
    if (next > Pos) break;
    p = next;
    ++index;
  }
  return index;
}

std::string Utf8Copy(std::string_view S, std::size_t Start, std::size_t Count) {
  std::size_t from = Utf8OffsetOf(S, Start);
  std::size_t to = from;
  while (Count > 0 && to < S.size()) {
    to = Utf8Next(S, to);
    --Count;
  }
  return std::string(S.substr(from, to - from));
}

char32_t Utf8Decode(std::string_view S, std::size_t& Pos) {
  if (Pos >= S.size()) return 0;
  std::size_t n = ValidSequenceLength(S, Pos);
  auto b = [&](std::size_t i) { return static_cast<char32_t>(static_cast<unsigned char>(S[Pos + i])); };
  char32_t c;
  switch (n) {
    case 1: c = b(0); break;
    case 2: c = ((b(0) & 0x1F) << 6) | (b(1) & 0x3F); break;
    case 3: c = ((b(0) & 0x0F) << 12) | ((b(1) & 0x3F) << 6) | (b(2) & 0x3F); break;
    case 4: c = ((b(0) & 0x07) << 18) | ((b(1) & 0x3F) << 12) | ((b(2) & 0x3F) << 6) | (b(3) & 0x3F); break;
    default: Pos += 1; return kReplacementChar;
  }
  Pos += n;
  return c;
}

void Utf8Append(std::string& Out, char32_t C) {
  if (C > 0x10FFFF || (C >= 0xD800 && C <= 0xDFFF)) C = kReplacementChar;
  if (C < 0x80) {
    Out += static_cast<char>(C);
  } else if (C < 0x800) {
    Out += static_cast<char>(0xC0 | (C >> 6));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else if (C < 0x10000) {
    Out += static_cast<char>(0xE0 | (C >> 12));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (C >> 18));
    Out += static_cast<char>(0x80 | ((C >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((C >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (C & 0x3F));
  }
}

std::string Utf8Encode(char32_t C) {
  std::string s;
  Utf8Append(s, C);
  return s;
}

bool Utf8IsValid(std::string_view S) {
  for (std::size_t p = 0; p < S.size();) {
    // Eight ASCII bytes at a time: most texts are mostly ASCII.
    if (S.size() - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, S.data() + p, sizeof word);
      if ((word & 0x8080808080808080ull) == 0) {
        p += 8;
        continue;
      }
    }
    std::size_t n = ValidSequenceLength(S, p);
    if (!n) return false;
    p += n;
  }
  return true;
}

WideString Utf8ToWide(std::string_view S) {
  WideString w;
  w.reserve(S.size());
  for (std::size_t p = 0; p < S.size();) {
    char32_t c = Utf8Decode(S, p);
    if (c >= 0x10000) {
      c -= 0x10000;
      w += static_cast<char16_t>(0xD800 + (c >> 10));
      w += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
    } else {
      w += static_cast<char16_t>(c);
    }
  }
  return w;
}

std::string WideToUtf8(std::u16string_view W) {
  std::string s;
  s.reserve(W.size());
  for (std::size_t i = 0; i < W.size(); ++i) {
    char32_t c = W[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < W.size() && W[i + 1] >= 0xDC00 && W[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (W[i + 1] - 0xDC00);
      ++i;
    }
    Utf8Append(s, c);  // a lone surrogate becomes U+FFFD
  }
  return s;
}

UCS4String Utf8ToUcs4(std::string_view S) {
  UCS4String u;
  u.reserve(S.size());
  for (std::size_t p = 0; p < S.size();) u += Utf8Decode(S, p);
  return u;
}

std::string Ucs4ToUtf8(std::u32string_view U) {
  std::string s;
  s.reserve(U.size());
  for (char32_t c : U) Utf8Append(s, c);
  return s;
}

char32_t UnicodeUpper(char32_t C) {
  if (C < 0x80) return (C >= 'a' && C <= 'z') ? C - 32 : C;
  return QChar::toUpper(C);
}

char32_t UnicodeLower(char32_t C) {
  if (C < 0x80) return (C >= 'A' && C <= 'Z') ? C + 32 : C;
  return QChar::toLower(C);
}

namespace {
// Maps character by character, so that invalid bytes pass through unchanged.
template <class Map>
std::string MapCase(std::string_view S, Map map) {
  std::string out;
  out.reserve(S.size());
  for (std::size_t p = 0; p < S.size();) {
    std::size_t n = ValidSequenceLength(S, p);
    if (n == 0) {
      out += S[p++];
      continue;
    }
    std::size_t q = p;
    Utf8Append(out, map(Utf8Decode(S, q)));
    p = q;
  }
  return out;
}
}  // namespace

std::string Utf8UpperCase(std::string_view S) { return MapCase(S, UnicodeUpper); }
std::string Utf8LowerCase(std::string_view S) { return MapCase(S, UnicodeLower); }

bool IsUnicodeLetter(char32_t C) {
  if (C < 0x80) return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z');
  return QChar::isLetter(C);
}

bool IsUnicodeDigit(char32_t C) {
  if (C < 0x80) return C >= '0' && C <= '9';
  return QChar::isDigit(C);
}

bool IsUnicodeSpace(char32_t C) {
  if (C < 0x80) return C == ' ' || (C >= 9 && C <= 13);
  return QChar::isSpace(C);
}

bool IsUnicodeWordChar(char32_t C) { return C == '_' || IsUnicodeLetter(C) || IsUnicodeDigit(C); }
