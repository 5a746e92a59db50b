// The mask expression compiler: lexer, parser with its error list, and the object that drives
// the automaton.
#include "editors/kcRegExpr.h"

#include <algorithm>

#include "platform/core/Classes.h"

namespace {

// Expansions stay within these bounds so that no mask can exhaust memory or the stack.
constexpr int64_t kMaxCount = 1000;    // largest n or m of a count
constexpr size_t kMaxStates = 100000;  // states of one expression
// The parser recurses once per parenthesis, with large frames: written groups nest at most this
// deep.
constexpr size_t kMaxNesting = 256;
// Linking, marking, copying and freeing recurse once per level of the built structure, with small
// frames; counts add one level per optional copy, so the structure may nest deeper than the text.
constexpr size_t kMaxDepth = 1280;

const char* const kMsgMissing = "Missing '%s'";
const char* const kMsgUnnecessary = "Unnecessary '%s'";
const char* const kMsgSpaceAfterBackslash = "The space character is not allowed after '\\'";
const char* const kMsgHexExpected = "Hexadecimal number expected";
const char* const kMsgHexExpectedBut = "Hexadecimal number expected but '%s' found";
const char* const kMsgIllegal = "Illegal '%s'";
const char* const kMsgEmptyAlt = "The alternative should not be empty";
const char* const kMsgEmptyBlock = "The block should not be empty";
const char* const kMsgBigReference = "Too big reference number";
const char* const kMsgStarHere = "The '*' quantifier cannot be applied here";
const char* const kMsgPlusHere = "The '+' quantifier cannot be applied here";
const char* const kMsgIllegalQuantifier = "Illegal quantifier '%s'";
const char* const kMsgIncorrectCount = "Incorrect parameter quantifier";
const char* const kMsgCountHere = "The parameter quantifier cannot be applied here";
const char* const kMsgIllegalInteger = "Illegal integer value";
const char* const kMsgEmptySet = "Can't create empty enumeration";
const char* const kMsgSubrange = "The starting character of the subrange must be less than the finishing one";
const char* const kMsgNoSource = "The source stream is not assigned";
const char* const kMsgEmptySource = "The source stream is empty";
const char* const kMsgTooComplex = "The expression is too complex";
const char* const kMsgNotCompiled = "Regular expression is not compiled";

String Fmt(const char* Pattern, const String& Arg) {
  String r = Pattern;
  auto p = r.find("%s");
  if (p != String::npos) r.replace(p, 2, Arg);
  return r;
}

bool IsBlank(char32_t c) { return c == 0 || c == U'\t' || c == U'\n' || c == U'\f' || c == U'\r' || c == U' '; }

bool IsHex(char32_t c) { return (c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'F') || (c >= U'a' && c <= U'f'); }

int HexValue(char32_t c) { return c <= U'9' ? int(c - U'0') : c <= U'F' ? int(c - U'A' + 10) : int(c - U'a' + 10); }

// ---- lexer -------------------------------------------------------------------------------

class TLexer {
public:
  TLexer(const kcChars& Source, std::vector<TkcLexem>& Lexems, TkcRegExprErrors& Errors)
      : fSrc(Source), fLexems(Lexems), fErrors(Errors) {}

  void Run() {
    int depth = 0;
    while (!AtEnd()) {
      char32_t c = Read();
      if (IsBlank(c)) continue;
      fStart = fChar;
      switch (c) {
        case U'\'': Quoted(); break;
        case U'(':
          ++depth;
          Add(TkcLexem::lkOperator, c);
          break;
        case U')':
          --depth;
          Add(TkcLexem::lkOperator, c);
          break;
        case U'*':
        case U'+':
        case U'?':
        case U'|': Add(TkcLexem::lkOperator, c); break;
        case U'.': Add(TkcLexem::lkAny, c); break;
        case U'/': Add(TkcLexem::lkDateSeparator, c); break;
        case U':': Add(TkcLexem::lkTimeSeparator, c); break;
        case U'[':
          Add(TkcLexem::lkOperator, c);
          Set();
          break;
        case U'{':
          Add(TkcLexem::lkOperator, c);
          Count();
          break;
        case U'\\': Escape(); break;
        default: Add(TkcLexem::lkSymbol, c); break;
      }
    }
    if (depth > 0) fErrors.emplace_back(0, 0, Fmt(kMsgMissing, ")"));
    if (depth < 0) fErrors.emplace_back(0, 0, Fmt(kMsgUnnecessary, ")"));
  }

private:
  bool AtEnd() const { return fIndex >= fSrc.size(); }

  // Each character read advances the count; CR or a lone LF starts a new line.
  char32_t Read() {
    char32_t c = fSrc[fIndex++];
    ++fChar;
    if (c == U'\r') ++fLine;
    if (c == U'\n') {
      if (fIndex < 2 || fSrc[fIndex - 2] != U'\r') ++fLine;
      fChar = 0;
    }
    return c;
  }

  void Add(int32_t Kind, char32_t c) { Add(Kind, kcCharToStr(c)); }
  void Add(int32_t Kind, String Text) {
    TkcLexem l;
    l.Column = fStart;
    l.Kind = Kind;
    l.Line = fLine;
    l.Text = std::move(Text);
    fLexems.push_back(std::move(l));
  }
  void Error(const String& Message) { fErrors.emplace_back(fLine, fChar, Message); }

  void Quoted() {
    for (;;) {
      if (AtEnd()) {
        Error(Fmt(kMsgMissing, "'"));
        return;
      }
      char32_t c = Read();
      if (c == U'\'') {
        if (AtEnd() || fSrc[fIndex] != U'\'') return;
        Read();
      }
      fStart = fChar;
      Add(TkcLexem::lkSymbol, c);
    }
  }

  void Escape() {
    if (AtEnd()) {
      Add(TkcLexem::lkSymbol, U'\\');
      return;
    }
    char32_t c = Read();
    if (c >= U'1' && c <= U'9') return Add(TkcLexem::lkReference, c);
    if (IsBlank(c)) return Error(kMsgSpaceAfterBackslash);
    switch (c) {
      case U'x': {
        int value = 0;
        for (int k = 0; k < 2; ++k) {
          if (AtEnd()) return Error(kMsgHexExpected);
          char32_t h = Read();
          if (!IsHex(h)) return Error(Fmt(kMsgHexExpectedBut, kcCharToStr(h)));
          value = value * 16 + HexValue(h);
        }
        return Add(TkcLexem::lkSymbol, char32_t(value));
      }
      case U'a': return Add(TkcLexem::lkSymbol, char32_t(7));
      case U'e': return Add(TkcLexem::lkSymbol, char32_t(27));
      case U'f': return Add(TkcLexem::lkSymbol, char32_t(12));
      case U'n': return Add(TkcLexem::lkSymbol, char32_t(10));
      case U'r': return Add(TkcLexem::lkSymbol, char32_t(13));
      case U't': return Add(TkcLexem::lkSymbol, char32_t(9));
      case U'p': return Add(TkcLexem::lkSymbol, kcDecimalSeparator());
      case U'd': return Add(TkcLexem::lkDigit, c);
      case U'D': return Add(TkcLexem::lkNonDigit, c);
      case U'w': return Add(TkcLexem::lkWord, c);
      case U'W': return Add(TkcLexem::lkNonWord, c);
      case U's': return Add(TkcLexem::lkSpace, c);
      case U'S': return Add(TkcLexem::lkNonSpace, c);
      default: return Add(TkcLexem::lkSymbol, c);
    }
  }

  // The character after the blanks from here, or 0 with AtEnd at the end of the source.
  bool PeekNonBlank(char32_t& c) const {
    for (size_t i = fIndex; i < fSrc.size(); ++i)
      if (!IsBlank(fSrc[i])) {
        c = fSrc[i];
        return true;
      }
    return false;
  }

  void Set() {
    bool first = true;
    for (;;) {
      if (AtEnd()) return Error(Fmt(kMsgMissing, "]"));
      char32_t c = Read();
      if (IsBlank(c)) continue;
      fStart = fChar;
      bool wasFirst = first;
      first = false;
      switch (c) {
        case U'^': Add(wasFirst ? TkcLexem::lkOperator : TkcLexem::lkSymbol, c); break;
        case U']': return Add(TkcLexem::lkOperator, c);
        case U'\'': Quoted(); break;
        case U'/': Add(TkcLexem::lkDateSeparator, c); break;
        case U':': Add(TkcLexem::lkTimeSeparator, c); break;
        case U'.': Add(TkcLexem::lkAny, c); break;
        case U'\\': Escape(); break;
        case U'-': {
          if (wasFirst) {
            Add(TkcLexem::lkSymbol, c);
            break;
          }
          char32_t next;
          if (!PeekNonBlank(next)) {
            Add(TkcLexem::lkOperator, c);
            return Error(Fmt(kMsgMissing, "]"));
          }
          Add(next == U']' ? TkcLexem::lkSymbol : TkcLexem::lkOperator, c);
          break;
        }
        default: Add(TkcLexem::lkSymbol, c); break;
      }
    }
  }

  void Count() {
    for (;;) {
      if (AtEnd()) return Error(Fmt(kMsgMissing, "}"));
      char32_t c = Read();
      if (IsBlank(c)) continue;
      fStart = fChar;
      if (c >= U'0' && c <= U'9') {
        Add(TkcLexem::lkInteger, c);
        while (!AtEnd() && fSrc[fIndex] >= U'0' && fSrc[fIndex] <= U'9') fLexems.back().Text += char(Read());
      } else if (c == U',') {
        Add(TkcLexem::lkOperator, c);
      } else if (c == U'}') {
        return Add(TkcLexem::lkOperator, c);
      } else {
        Error(Fmt(kMsgIllegal, kcCharToStr(c)));
      }
    }
  }

  const kcChars& fSrc;
  std::vector<TkcLexem>& fLexems;
  TkcRegExprErrors& fErrors;
  size_t fIndex = 0;
  int32_t fLine = 1;
  int32_t fChar = 0;
  int32_t fStart = 0;  // where the token being read starts
};

// ---- parser ------------------------------------------------------------------------------

class TParser {
public:
  TParser(const std::vector<TkcLexem>& Lexems, TkcRegExprErrors& Errors) : fLex(Lexems), fErrors(Errors) {}

  TkcRegExprParserAlts Run() {
    TkcRegExprParserAlts alts;
    ParseAlts(alts, false);
    return alts;
  }

private:
  const TkcLexem* Peek() const { return fPos < fLex.size() ? &fLex[fPos] : nullptr; }
  static bool IsOp(const TkcLexem* l, const char* Op) { return l && l->Kind == TkcLexem::lkOperator && l->Text == Op; }
  void Error(const TkcLexem* At, const String& Message) {
    if (At)
      fErrors.emplace_back(At->Line, At->Column, Message);
    else
      fErrors.emplace_back(0, 0, Message);
  }
  // Stops parsing for good; the rest of the source cannot be built within bounds.
  void TooComplex(const TkcLexem* At) {
    Error(At, kMsgTooComplex);
    fAbort = true;
  }

  // Alternatives until the end of the tokens, or until ")" inside a group.
  void ParseAlts(TkcRegExprParserAlts& Alts, bool InGroup) {
    bool first = true;
    while (!fAbort) {
      const TkcLexem* l = Peek();
      if (!l) {
        Error(nullptr, kMsgEmptyAlt);
        return;
      }
      if (IsOp(l, "|")) {
        Error(l, kMsgEmptyAlt);
        ++fPos;
        first = false;
        continue;
      }
      if (InGroup && IsOp(l, ")")) {
        Error(l, first ? kMsgEmptyBlock : kMsgEmptyAlt);
        ++fPos;
        return;
      }
      first = false;
      TkcRegExprParserAlt alt;
      ParseItems(alt, InGroup);
      if (!alt.empty()) Alts.push_back(std::move(alt));
      l = Peek();
      if (!l || fAbort) return;
      ++fPos;  // "|" or ")"
      if (IsOp(l, ")")) return;
    }
  }

  void ParseItems(TkcRegExprParserAlt& Alt, bool InGroup) {
    while (!fAbort) {
      const TkcLexem* l = Peek();
      if (!l || IsOp(l, "|") || (InGroup && IsOp(l, ")"))) return;
      ++fPos;
      switch (l->Kind) {
        case TkcLexem::lkOperator: Operator(Alt, l); break;
        case TkcLexem::lkInteger: Error(l, kMsgIllegalInteger); break;
        case TkcLexem::lkReference: Reference(Alt, l); break;
        default: AddSimple(Alt, ClassItem(l)); break;
      }
    }
  }

  // A symbol or class token as a character item.
  static std::unique_ptr<TkcRegExprItem> ClassItem(const TkcLexem* l) {
    switch (l->Kind) {
      case TkcLexem::lkSymbol: return std::make_unique<TkcRegExprSymbol>(kcToChars(l->Text)[0]);
      case TkcLexem::lkAny: return std::make_unique<TkcRegExprAll>();
      case TkcLexem::lkWord: return std::make_unique<TkcRegExprIdLetter>(false);
      case TkcLexem::lkNonWord: return std::make_unique<TkcRegExprIdLetter>(true);
      case TkcLexem::lkDigit: return std::make_unique<TkcRegExprDigit>(false);
      case TkcLexem::lkNonDigit: return std::make_unique<TkcRegExprDigit>(true);
      case TkcLexem::lkSpace: return std::make_unique<TkcRegExprSpace>(false);
      case TkcLexem::lkNonSpace: return std::make_unique<TkcRegExprSpace>(true);
      case TkcLexem::lkDateSeparator: return std::make_unique<TkcRegExprDateSeparator>();
      case TkcLexem::lkTimeSeparator: return std::make_unique<TkcRegExprTimeSeparator>();
      default: return nullptr;
    }
  }

  bool Grow(const TkcLexem* At, size_t States) {
    fStates += States;
    if (fStates <= kMaxStates) return true;
    TooComplex(At);
    return false;
  }

  void AddSimple(TkcRegExprParserAlt& Alt, std::unique_ptr<TkcRegExprItem> Item) {
    if (!Grow(nullptr, 1)) return;
    Alt.push_back(std::make_unique<TkcRegExprParserSimpleItem>(std::move(Item)));
  }

  void Operator(TkcRegExprParserAlt& Alt, const TkcLexem* l) {
    const String& op = l->Text;
    if (op == "(") return Group(Alt, l);
    if (op == "[") return SetItem(Alt, l);
    if (op == "{") return Count(Alt, l);
    if (op == "?" || op == "*" || op == "+") return Quantifier(Alt, l);
    Error(l, Fmt(kMsgIllegal, op));  // ")" at the top, "]", "}", "-", ",", "^"
  }

  void Group(TkcRegExprParserAlt& Alt, const TkcLexem* l) {
    if (fDepth + 1 > kMaxNesting) return TooComplex(l);
    if (!Grow(l, 2)) return;
    auto block = std::make_unique<TkcRegExprParserBlockItem>();
    fBlocks.push_back(block.get());
    ++fDepth;
    ParseAlts(block->Alts, true);
    --fDepth;
    block->Seal();
    if (!block->Alts.empty())
      Alt.push_back(std::move(block));
    else
      fGraveyard.push_back(std::move(block));  // references may still name it
  }

  void Reference(TkcRegExprParserAlt& Alt, const TkcLexem* l) {
    size_t n = size_t(l->Text[0] - '0');
    if (n > fBlocks.size()) return Error(l, kMsgBigReference);
    const TkcRegExprParserBlockItem* block = fBlocks[n - 1];
    // a group still open is copied as parsed so far
    if (fDepth + block->Depth() > kMaxDepth) return TooComplex(l);
    if (!Grow(l, block->StateCount())) return;
    auto copy = block->Clone();
    auto* copied = static_cast<TkcRegExprParserBlockItem*>(copy.get());
    // An open group with no complete alternative yet has parsed nothing: its copy matches the
    // empty text (without an alternative it would match nothing and the mask could never end).
    if (copied->Alts.empty()) copied->Alts.emplace_back();
    copied->Seal();
    Alt.push_back(std::move(copy));
  }

  // Gives the last item a quantifier; an item that has one already is first wrapped in a group.
  bool ApplyQuantifier(std::unique_ptr<TkcRegExprParserItem>& Item, std::unique_ptr<TkcRegExprQuantifier> Q,
                       const TkcLexem* At) {
    if (!dynamic_cast<TkcRegExprSimpleQuantifier*>(Item->Quantifier.get())) {
      if (fDepth + Item->Depth() + 1 > kMaxDepth) {
        TooComplex(At);
        return false;
      }
      if (!Grow(At, 2)) return false;
      auto block = std::make_unique<TkcRegExprParserBlockItem>();
      TkcRegExprParserAlt alt;
      alt.push_back(std::move(Item));
      block->Alts.push_back(std::move(alt));
      block->Seal();
      Item = std::move(block);
    }
    Item->Quantifier = std::move(Q);
    return true;
  }

  void Quantifier(TkcRegExprParserAlt& Alt, const TkcLexem* l) {
    if (Alt.empty()) return Error(l, Fmt(kMsgIllegalQuantifier, l->Text));
    auto& last = Alt.back();
    std::unique_ptr<TkcRegExprQuantifier> q;
    if (l->Text == "?") {
      q = std::make_unique<TkcRegExprQuestionQuantifier>();
    } else {
      if (last->CanEmpty()) return Error(l, l->Text == "*" ? kMsgStarHere : kMsgPlusHere);
      if (l->Text == "*")
        q = std::make_unique<TkcRegExprStarQuantifier>();
      else
        q = std::make_unique<TkcRegExprPlusQuantifier>();
    }
    ApplyQuantifier(last, std::move(q), l);
  }

  // Reads a count up to its "}"; false when it is not one of n, "n," or "n,m" with m >= n.
  bool ReadCount(int64_t& N, int64_t& M, bool& Unbounded) {
    auto number = [&](int64_t& v) {
      const TkcLexem* l = Peek();
      if (!l || l->Kind != TkcLexem::lkInteger) return false;
      ++fPos;
      v = 0;
      for (char d : l->Text) {
        v = v * 10 + (d - '0');
        if (v > kMaxCount) v = kMaxCount + 1;  // too large, and never overflows
      }
      return true;
    };
    bool ok = number(N);
    Unbounded = false;
    M = N;
    if (ok) {
      if (IsOp(Peek(), "}")) {
        ++fPos;
        return N <= kMaxCount;
      }
      if (IsOp(Peek(), ",")) {
        ++fPos;
        if (IsOp(Peek(), "}")) {
          ++fPos;
          Unbounded = true;
          return N <= kMaxCount;
        }
        if (number(M) && IsOp(Peek(), "}")) {
          ++fPos;
          return M >= N && M <= kMaxCount;
        }
      }
    }
    while (Peek() && !IsOp(Peek(), "}")) ++fPos;
    if (Peek()) ++fPos;
    return false;
  }

  static std::unique_ptr<TkcRegExprParserItem> Sealed(std::unique_ptr<TkcRegExprParserBlockItem> b) {
    b->Seal();
    return b;
  }

  void Count(TkcRegExprParserAlt& Alt, const TkcLexem* l) {
    int64_t n, m;
    bool unbounded;
    if (!ReadCount(n, m, unbounded) || Alt.empty()) return Error(l, kMsgIncorrectCount);
    auto& last = Alt.back();
    // a repetition of something that can match nothing would loop without consuming
    if (last->CanMissing() || (unbounded && last->CanEmpty())) return Error(l, kMsgCountHere);
    size_t copies = size_t(n) + (unbounded ? 1 : size_t(m - n));
    size_t chain = unbounded ? 1 : size_t(std::max<int64_t>(m - n, 1));
    if (fDepth + last->Depth() + chain + 1 > kMaxDepth) return TooComplex(l);
    if (!Grow(l, last->StateCount() * copies + 2 * chain + 2)) return;

    auto group = std::make_unique<TkcRegExprParserBlockItem>();
    TkcRegExprParserAlt seq;
    for (int64_t i = 0; i < n; ++i) seq.push_back(last->Clone());
    if (unbounded) {
      auto more = last->Clone();
      ApplyQuantifier(more, std::make_unique<TkcRegExprStarQuantifier>(), l);
      seq.push_back(std::move(more));
    } else if (m > n) {
      // (x (x (x?)?)?)? built from the innermost copy outwards
      std::unique_ptr<TkcRegExprParserItem> inner = last->Clone();
      ApplyQuantifier(inner, std::make_unique<TkcRegExprQuestionQuantifier>(), l);
      for (int64_t k = 1; k < m - n; ++k) {
        auto opt = std::make_unique<TkcRegExprParserBlockItem>();
        TkcRegExprParserAlt a;
        a.push_back(last->Clone());
        a.push_back(std::move(inner));
        opt->Alts.push_back(std::move(a));
        opt->Quantifier = std::make_unique<TkcRegExprQuestionQuantifier>();
        inner = Sealed(std::move(opt));
      }
      seq.push_back(std::move(inner));
    }
    group->Alts.push_back(std::move(seq));
    fGraveyard.push_back(std::move(last));  // references may still name it
    last = Sealed(std::move(group));
  }

  void SetItem(TkcRegExprParserAlt& Alt, const TkcLexem* open) {
    auto set = std::make_unique<TkcRegExprUserEnumeration>(false);
    if (IsOp(Peek(), "^")) {
      set->Inverse = true;
      ++fPos;
    }
    if (IsOp(Peek(), "]")) {
      Error(Peek(), kMsgEmptySet);
      ++fPos;
      return;
    }
    while (const TkcLexem* l = Peek()) {
      ++fPos;
      if (IsOp(l, "]")) {
        AddSimple(Alt, std::move(set));
        return;
      }
      if (IsOp(l, "-")) {  // a "-" right after a range, or with nothing before it
        Error(l, Fmt(kMsgIllegal, "-"));
        continue;
      }
      if (l->Kind == TkcLexem::lkSymbol) {
        char32_t start = kcToChars(l->Text)[0];
        if (IsOp(Peek(), "-")) {
          ++fPos;
          const TkcLexem* e = Peek();
          if (e && e->Kind == TkcLexem::lkSymbol) {
            ++fPos;
            char32_t finish = kcToChars(e->Text)[0];
            if (start >= finish) Error(e, kMsgSubrange);
            set->Items.push_back(std::make_unique<TkcRegExprSubrange>(start, finish));
          } else {
            Error(e ? e : l, Fmt(kMsgIllegal, "-"));
          }
          continue;
        }
        set->Items.push_back(std::make_unique<TkcRegExprSymbol>(start));
        continue;
      }
      if (auto item = ClassItem(l)) {
        set->Items.push_back(std::move(item));
        continue;
      }
      Error(l, Fmt(kMsgIllegal, l->Kind == TkcLexem::lkReference ? "\\" + l->Text : l->Text));
    }
    (void)open;  // the lexer reported the missing "]"
  }

  const std::vector<TkcLexem>& fLex;
  TkcRegExprErrors& fErrors;
  size_t fPos = 0;
  size_t fDepth = 0;
  size_t fStates = 0;
  bool fAbort = false;
  std::vector<TkcRegExprParserBlockItem*> fBlocks;
  std::vector<std::unique_ptr<TkcRegExprParserItem>> fGraveyard;
};

}  // namespace

// ---- quantifiers and parser items --------------------------------------------------------

std::unique_ptr<TkcRegExprQuantifier> TkcRegExprSimpleQuantifier::Clone() const {
  return std::make_unique<TkcRegExprSimpleQuantifier>();
}
std::unique_ptr<TkcRegExprQuantifier> TkcRegExprQuestionQuantifier::Clone() const {
  return std::make_unique<TkcRegExprQuestionQuantifier>();
}
std::unique_ptr<TkcRegExprQuantifier> TkcRegExprStarQuantifier::Clone() const {
  return std::make_unique<TkcRegExprStarQuantifier>();
}
std::unique_ptr<TkcRegExprQuantifier> TkcRegExprPlusQuantifier::Clone() const {
  return std::make_unique<TkcRegExprPlusQuantifier>();
}

TkcRegExprParserItem::TkcRegExprParserItem() : Quantifier(std::make_unique<TkcRegExprSimpleQuantifier>()) {}

TkcRegExprParserSimpleItem::TkcRegExprParserSimpleItem(std::unique_ptr<TkcRegExprItem> Item)
    : State(std::make_unique<TkcRegExprSimpleState>(std::move(Item))) {}

std::unique_ptr<TkcRegExprParserItem> TkcRegExprParserSimpleItem::Clone() const {
  auto r = std::make_unique<TkcRegExprParserSimpleItem>(State->Item ? State->Item->Clone() : nullptr);
  r->Quantifier = Quantifier->Clone();
  return r;
}

String TkcRegExprParserSimpleItem::Print() const {
  return (State->Item ? State->Item->Print() : String()) + Quantifier->Print();
}

TkcRegExprParserBlockItem::TkcRegExprParserBlockItem()
    : Entry(std::make_unique<TkcRegExprBlockState>()), Exit(std::make_unique<TkcRegExprBlockState>()) {}

void TkcRegExprParserBlockItem::Seal() {
  fStateCount = 2;
  fDepth = 1;
  for (const auto& alt : Alts)
    for (const auto& item : alt) {
      fStateCount += item->StateCount();
      fDepth = std::max(fDepth, item->Depth() + 1);
    }
}

size_t TkcRegExprParserBlockItem::StateCount() const { return fStateCount; }
size_t TkcRegExprParserBlockItem::Depth() const { return fDepth; }

bool TkcRegExprParserBlockItem::CanEmpty() const {
  if (CanMissing()) return true;
  return std::any_of(Alts.begin(), Alts.end(), [](const TkcRegExprParserAlt& alt) {
    return std::all_of(alt.begin(), alt.end(), [](const auto& item) { return item->CanEmpty(); });
  });
}

std::unique_ptr<TkcRegExprParserItem> TkcRegExprParserBlockItem::Clone() const {
  auto r = std::make_unique<TkcRegExprParserBlockItem>();
  for (const auto& alt : Alts) {
    TkcRegExprParserAlt copy;
    for (const auto& item : alt) copy.push_back(item->Clone());
    r->Alts.push_back(std::move(copy));
  }
  r->Quantifier = Quantifier->Clone();
  r->fStateCount = fStateCount;
  r->fDepth = fDepth;
  return r;
}

String TkcRegExprParserBlockItem::Print() const {
  String r = "(";
  for (size_t i = 0; i < Alts.size(); ++i) {
    if (i) r += "|";
    for (const auto& item : Alts[i]) r += item->Print();
  }
  return r + ")" + Quantifier->Print();
}

// ---- errors ------------------------------------------------------------------------------

String TkcRegExprError::Text() const {
  String r;
  if (Line > 0) {
    r = "Line" + std::to_string(Line);
    if (Char > 0) r += ", Char" + std::to_string(Char);
    r += ": ";
  }
  return r + Message;
}

// ---- the expression object ---------------------------------------------------------------

TkcRegExpr::TkcRegExpr() = default;
TkcRegExpr::~TkcRegExpr() = default;

void TkcRegExpr::Clear() {
  fSource.clear();
  fLexems.clear();
  fErrors.clear();
  fAutomat.reset();
  fCompiled = false;
  fLine = 1;
}

void TkcRegExpr::Compile(TStream* Source) {
  if (!fFirstExpr) Clear();
  fFirstExpr = false;
  if (!Source) {
    fErrors.emplace_back(0, 0, kMsgNoSource);
    throw EkcRegExprError(&fErrors);
  }
  String text;
  Source->SetPosition(0);
  text.resize(size_t(Source->Size()));
  if (!text.empty()) text.resize(size_t(Source->Read(text.data(), int64_t(text.size()))));
  DoCompile(text);
}

void TkcRegExpr::Compile(const String& Source) {
  if (!fFirstExpr) Clear();
  fFirstExpr = false;
  DoCompile(Source);
}

void TkcRegExpr::DoCompile(const String& Source) {
  fSource = Source;
  kcChars src = kcToChars(Source);
  if (std::all_of(src.begin(), src.end(), IsBlank)) {
    fErrors.emplace_back(0, 0, kMsgEmptySource);
    throw EkcRegExprError(&fErrors);
  }
  TLexer(src, fLexems, fErrors).Run();
  if (!fErrors.empty()) throw EkcRegExprError(&fErrors);
  TkcRegExprParserAlts alts = TParser(fLexems, fErrors).Run();
  if (!fErrors.empty()) throw EkcRegExprError(&fErrors);
  fAutomat = std::make_unique<TkcRegExprAutomat>(std::move(alts), this);
  fCompiled = true;
  if (fUpdateOn) fAutomat->AutoCompleteForward();
}

void TkcRegExpr::CheckCompiled() const {
  if (!fCompiled) throw EkcEditError(kMsgNotCompiled);
}

bool TkcRegExpr::IsFinal() const {
  CheckCompiled();
  return fAutomat->IsFinal();
}

bool TkcRegExpr::IsStart() const {
  CheckCompiled();
  return fAutomat->IsStart();
}

bool TkcRegExpr::Next(char32_t& Ch) {
  CheckCompiled();
  if (!fAutomat->Next(Ch, fCaseInsensitive)) return false;
  if (fUpdateOn && !fAutomat->IsFinal()) fAutomat->AutoCompleteForward();
  return true;
}

bool TkcRegExpr::Prev() {
  CheckCompiled();
  if (fUpdateOn) fAutomat->StepBackForced();
  return fAutomat->Prev();
}

void TkcRegExpr::Reset() {
  CheckCompiled();
  fAutomat->Reset();
}

String TkcRegExpr::FilterText(const String& Text) {
  CheckCompiled();
  kcChars accepted;
  for (char32_t c : kcToChars(Text))
    if (fAutomat->Next(c, fCaseInsensitive)) accepted.push_back(c);
  return kcFromChars(accepted);
}

void TkcRegExpr::SetUpdateOn(bool Value) {
  fUpdateOn = Value;
  if (fCompiled && Value) fAutomat->AutoCompleteForward();
}

String TkcRegExpr::Print() const {
  CheckCompiled();
  return fAutomat->Print();
}
