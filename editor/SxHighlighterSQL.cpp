#include "editor/SxHighlighterSQL.h"

#include <algorithm>
#include <cctype>

namespace {

struct CharTables {
  std::array<bool, 128> identA{}, identB{};
  std::array<std::uint8_t, 128> valuesA{}, valuesB{};
  CharTables() {
    for (int c = 0; c < 128; ++c) {
      identA[c] = std::isalnum(c) || c == '_' || c == '#' || c == '$';
      identB[c] = identA[c] || c == '@';
      if (c == '_') valuesA[c] = 1;
      if (c >= 'a' && c <= 'z') valuesA[c] = static_cast<std::uint8_t>(c - 'a' + 2);
      if (c >= 'A' && c <= 'Z') valuesA[c] = static_cast<std::uint8_t>(c - 'A' + 2);
    }
    valuesB = valuesA;
    valuesB['@'] = 28;
  }
};

const CharTables& Tables() {
  static const CharTables tables;
  return tables;
}

bool UsesTableB(TSQLDialect d) { return d == sqlMSSQL7 || d == sqlMSSQL2K; }

struct Registration {
  Registration() { RegisterPlaceableHighlighter(TSxSQLSx::StaticClass()); }
} registration;

}  // namespace

TSxSQLSx::TSxSQLSx(TComponent* AOwner)
    : TSxCustomHighlighter(AOwner),
      fTableNames(std::make_unique<TStringList>()),
      fIdentTable(&Tables().identA),
      fLetterValues(&Tables().valuesA) {
  auto make = [this](const char* name, TSxFontStyles style) {
    auto* a = new TSxHighlighterAttributes(name);
    a->SetStyle(style);
    AddAttribute(a);
    return a;
  };
  CommentAttri = make("Comment", sxfsItalic);
  ConditionalCommentAttri = make("Conditional Comment", sxfsItalic);
  DataTypeAttri = make("Data Type", sxfsBold);
  DefaultPackageAttri = make("Default Packages", sxfsBold);
  DelimitedIdentifierAttri = make("Delimited Identifier", 0);
  ExceptionAttri = make("Exception", sxfsItalic);
  FunctionAttri = make("Function", sxfsBold);
  IdentifierAttri = make("Identifier", 0);
  KeyAttri = make("Reserved Word", sxfsBold);
  NumberAttri = make("Number", 0);
  PLSQLAttri = make("PL/SQL Reserved Word", sxfsBold);
  SpaceAttri = make("Space", 0);
  SQLPlusAttri = make("SQL*Plus Command", sxfsBold);
  StringAttri = make("String", 0);
  SymbolAttri = make("Symbol", 0);
  TableNameAttri = make("Table Name", 0);
  VariableAttri = make("Variable", 0);
  SetAttributesOnChange(TNotifyEvent(static_cast<TSxCustomHighlighter*>(this), &TSxSQLSx::DefHighlightChange));
  SetDefaultFilter(kDefaultFilter);
  fTableNames->OnChange = [this](TObject*) { InitializeKeywordLists(); };
  InitializeKeywordLists();
  fChars.push_back(0);
}

TSxSQLSx::~TSxSQLSx() { fTableNames->OnChange = nullptr; }

TSxHighlighterAttributes* TSxSQLSx::GetDefaultAttribute(int Index) const {
  switch (Index) {
    case 0: return CommentAttri;
    case 1: return IdentifierAttri;
    case 2: return KeyAttri;
    case 3: return StringAttri;
    case 4: return SpaceAttri;
    case 5: return SymbolAttri;
    default: return nullptr;
  }
}

TSxCharSet TSxSQLSx::GetIdentChars() const {
  TSxCharSet set = SxCharRange('0', '9') | SxCharRange('A', 'Z') | SxCharRange('a', 'z') | SxCharSet("_") |
                   SxCharRange(192, 214) | SxCharRange(216, 246) | SxCharRange(248, 255);
  if (UsesTableB(fDialect)) set.set('@');
  if (fDialect == sqlOracle) set |= SxCharSet("#$");
  return set;
}

TSxHighlighterAttributes* TSxSQLSx::GetTokenAttribute() const {
  switch (fTokenID) {
    case sqtComment: return CommentAttri;
    case sqtDataType: return DataTypeAttri;
    case sqtDefaultPackage: return DefaultPackageAttri;
    case sqtException: return ExceptionAttri;
    case sqtFunction: return FunctionAttri;
    case sqtIdentifier: return IdentifierAttri;
    case sqtKey: return KeyAttri;
    case sqtNumber: return NumberAttri;
    case sqtSpace: return SpaceAttri;
    case sqtPLSQL: return PLSQLAttri;
    case sqtSQLPlus: return SQLPlusAttri;
    case sqtString: return StringAttri;
    case sqtSymbol: return SymbolAttri;
    case sqtTableName: return TableNameAttri;
    case sqtUnknown: return IdentifierAttri;
    case sqtVariable: return VariableAttri;
    case sqtConditionalComment: return ConditionalCommentAttri;
    case sqtDelimitedIdentifier: return DelimitedIdentifierAttri;
    default: return nullptr;
  }
}

String TSxSQLSx::GetTokenText() const {
  At(fRun);  // the token's end is read
  const std::size_t a = ByteAt(fTokenPos), b = ByteAt(fRun);
  return fText->substr(a, b - a);
}

void TSxSQLSx::Assign(TPersistent* Source) {
  inherited::Assign(Source);
  if (auto* src = dynamic_cast<TSxSQLSx*>(Source)) SetSQLDialect(src->SQLDialect());
}

// ---------------------------------------------------------------------------------------------
// Keyword table

unsigned TSxSQLSx::HashKey(const char32_t* p, int& Length) const {
  unsigned h = 0;
  Length = 0;
  while (IsIdentChar(*p)) {
    h = (2 * h + (*fLetterValues)[*p]) & 0xFFFFFF;
    ++p;
    ++Length;
  }
  return h & 0xFF;
}

void TSxSQLSx::AddKeyword(const String& AKeyword, TSxSQLTokenKind AKind) {
  const std::u32string word(AKeyword.begin(), AKeyword.end());  // the lists are ASCII
  int walked = 0;
  auto& chain = fKeywords[HashKey(word.c_str(), walked)];
  const int length = static_cast<int>(word.size());
  const String upper = UpperCase(AKeyword);
  auto pos = chain.end();
  for (auto it = chain.begin(); it != chain.end(); ++it) {
    if (UpperCase(it->Keyword) == upper) throw Exception("Keyword \"" + it->Keyword + "\" already in list");
    if (pos == chain.end() && length < it->Length) pos = it;
  }
  chain.insert(pos, TSxHashEntry{AKeyword, length, AKind});
}

TSxSQLTokenKind TSxSQLSx::IdentKind(const char32_t* p, int& Length) const {
  const auto& chain = fKeywords[HashKey(p, Length)];
  const auto& values = Tables().valuesA;  // digits, '#', '$', '@' all compare equal
  for (const auto& e : chain) {
    if (e.Length > Length) break;
    if (e.Length < Length) continue;
    int i = 0;
    for (; i < Length; ++i) {
      const char32_t c = p[i];
      const auto k = static_cast<unsigned char>(e.Keyword[static_cast<std::size_t>(i)]);
      if (values[k & 0x7F] != (c < 128 ? values[c] : 0)) break;
    }
    if (i == Length) return e.Kind;
  }
  return sqtIdentifier;
}

TSxSQLTokenKind TSxSQLSx::WordKind(const String& AWord) const {
  std::u32string w;
  for (std::size_t i = 0; i < AWord.size(); i += static_cast<std::size_t>(SxCharBytes(AWord, i)))
    w.push_back(SxCharBytes(AWord, i) == 1 ? static_cast<unsigned char>(AWord[i]) : 0x80);
  int length = 0;
  const TSxSQLTokenKind kind = IdentKind(w.c_str(), length);
  return length == static_cast<int>(w.size()) ? kind : sqtIdentifier;
}

bool TSxSQLSx::IsKeyword(const String& AKeyword) const {
  switch (WordKind(AKeyword)) {
    case sqtDataType:
    case sqtDefaultPackage:
    case sqtException:
    case sqtFunction:
    case sqtKey:
    case sqtPLSQL: return true;
    default: return false;
  }
}

void TSxSQLSx::SetSQLDialect(TSQLDialect Value) {
  if (Value == fDialect) return;
  fDialect = Value;
  InitializeKeywordLists();
}

void TSxSQLSx::InitializeKeywordLists() {
  for (auto& chain : fKeywords) chain.clear();
  fIdentTable = UsesTableB(fDialect) ? &Tables().identB : &Tables().identA;
  fLetterValues = UsesTableB(fDialect) ? &Tables().valuesB : &Tables().valuesA;
  TSxCharSet wordChars = GetIdentChars();
  if (fDialect == sqlStandard) wordChars.set('-');
  for (const auto& list : SQLDialectWordLists(fDialect)) {
    const String text = list.Words;
    std::size_t i = 0;
    while (i < text.size()) {
      while (i < text.size() && !wordChars.test(static_cast<unsigned char>(text[i]))) ++i;
      std::size_t e = i;
      while (e < text.size() && wordChars.test(static_cast<unsigned char>(text[e]))) ++e;
      if (e > i) AddKeyword(text.substr(i, e - i), list.Kind);
      i = e;
    }
  }
  for (int i = 0; i < fTableNames->Count(); ++i) {
    const String name = fTableNames->Get(i);
    if (name.empty()) continue;
    std::u32string w(name.begin(), name.end());
    int walked = 0;
    const auto& chain = fKeywords[HashKey(w.c_str(), walked)];
    const String upper = UpperCase(name);
    bool found = false;
    for (const auto& e : chain) found = found || UpperCase(e.Keyword) == upper;
    if (!found) AddKeyword(name, sqtTableName);
  }
  DefHighlightChange(this);
}

// ---------------------------------------------------------------------------------------------
// Scanning

void TSxSQLSx::SetLine(const String& NewValue, int LineNumber) {
  fLine = NewValue;
  fText = &fLine;
  fLineNumber = LineNumber;
  fBase = 0;
  fBaseByte = 0;
  fReadByte = 0;
  fFirstWide = INT32_MAX;
  fReadAll = false;
  fChars.clear();
  fOffsets.clear();
  fChars.reserve(fLine.size() + 1);
  Fill(fLine.size());
  fRun = 0;
  Next();
}

bool TSxSQLSx::SetLineFrom(const String& Line, int LineNumber, int Char, std::size_t Byte, TSxRange Range) {
  fText = &Line;
  fLineNumber = LineNumber;
  fBase = Char;
  fBaseByte = Byte;
  fReadByte = Byte;
  fFirstWide = INT32_MAX;
  fReadAll = false;
  fChars.clear();
  fOffsets.clear();
  SetRange(Range);
  fRun = Char;
  Next();
  return true;
}

void TSxSQLSx::Fill(std::size_t k) const {
  const String& line = *fText;
  const std::size_t size = line.size();
  if (fReadAll) return;
  // A scan from inside a line reads on in steps, so that it costs what it reaches.
  const std::size_t want = std::max(k + 1, fChars.size() + 256);
  while (fChars.size() < want && fReadByte < size) {
    const auto c = static_cast<unsigned char>(line[fReadByte]);
    if (c < 0x80 && fFirstWide == INT32_MAX) {
      fChars.push_back(c);
      ++fReadByte;
      continue;
    }
    if (fFirstWide == INT32_MAX) fFirstWide = static_cast<int>(fChars.size());
    const int n = SxCharBytes(line, fReadByte);
    // Any character outside ASCII scans as one unknown character, as a byte 128..255 would.
    fChars.push_back(n == 1 ? c : 0x80);
    fOffsets.push_back(fReadByte);
    fReadByte += static_cast<std::size_t>(n);
  }
  if (fReadByte >= size && fChars.size() < want) {
    fReadAll = true;
    fChars.push_back(0);
    if (fFirstWide != INT32_MAX) fOffsets.push_back(size);
  }
}

void TSxSQLSx::Forget() {
  const int drop = fRun - fBase;
  // A line read whole at once (SetLine) is not cut: its rest would move at every cut.
  if (fReadAll) return;
  At(fRun);
  const auto k = static_cast<std::size_t>(drop);
  if (k >= fChars.size()) return;
  const std::size_t byte = ByteAt(fRun);
  fChars.erase(fChars.begin(), fChars.begin() + drop);
  if (fFirstWide != INT32_MAX) {
    if (drop >= fFirstWide) {
      fOffsets.erase(fOffsets.begin(), fOffsets.begin() + (drop - fFirstWide));
      fFirstWide = 0;
    } else {
      fFirstWide -= drop;
    }
  }
  fBase = fRun;
  fBaseByte = byte;
}

// Past the "*/" that closes the comment (leaving the comment), or to the end of the line.
void TSxSQLSx::RunToCommentEnd() {
  while (!AtEol(fRun)) {
    if (At(fRun) == '*' && At(fRun + 1) == '/') {
      fRun += 2;
      fRange = srsUnknown;
      return;
    }
    ++fRun;
  }
}

void TSxSQLSx::CommentOpen() {
  const bool conditional = fDialect == sqlMySQL && At(fRun + 2) == '!';
  fTokenID = conditional ? sqtConditionalComment : sqtComment;
  fRange = conditional ? srsConditionalComment : srsComment;
  fRun += 2;
  RunToCommentEnd();
}

void TSxSQLSx::CommentContinue() {
  const char32_t c = At(fRun);
  if (c == 0) {
    fTokenID = sqtNull;
    return;
  }
  if (c == '\n' || c == '\r') {
    fTokenID = sqtSpace;
    fRun += c == '\r' && At(fRun + 1) == '\n' ? 2 : 1;
    return;
  }
  fTokenID = fRange == srsConditionalComment ? sqtConditionalComment : sqtComment;
  RunToCommentEnd();
}

void TSxSQLSx::StringRule() {
  if (At(fRun) == 0) {
    fTokenID = sqtNull;
    return;
  }
  fTokenID = sqtString;
  const bool mysql = fDialect == sqlMySQL;
  if (fRun > 0 || fRange != srsString || At(fRun) != '\'') {
    fRange = srsString;
    do {
      ++fRun;
    } while (!(AtEol(fRun) || (At(fRun) == '\'' && !(mysql && At(fRun - 1) == '\\'))));
  }
  if (At(fRun) == '\'') {
    ++fRun;
    fRange = srsUnknown;
  }
}

void TSxSQLSx::DelimitedUntil(char32_t close) {
  fTokenID = sqtDelimitedIdentifier;
  ++fRun;
  while (!AtEol(fRun)) {
    if (At(fRun) == close) {
      if (At(fRun + 1) == close) {
        fRun += 2;
        continue;
      }
      ++fRun;
      return;
    }
    ++fRun;
  }
}

void TSxSQLSx::WordRule() {
  int length = 0;
  int e = fRun;
  while (IsIdentChar(At(e))) ++e;  // the word is read whole
  fTokenID = IdentKind(fChars.data() + (fRun - fBase), length);
  fRun += length > 0 ? length : 1;
  if (fTokenID == sqtComment) ToEol();
}

void TSxSQLSx::VariableRule() {
  const char32_t c = At(fRun);
  if (UsesTableB(fDialect) && c == '@' && At(fRun + 1) == '@') {
    WordRule();
  } else if ((fDialect == sqlMySQL || fDialect == sqlOracle) && c == '@') {
    fTokenID = sqtSymbol;
    ++fRun;
  } else if (fDialect != sqlOracle && fDialect != sqlIngres && c == ':') {
    fTokenID = sqtSymbol;
    ++fRun;
  } else {
    fTokenID = sqtVariable;
    ++fRun;
    while (IsIdentChar(At(fRun))) ++fRun;
  }
}

void TSxSQLSx::Next() {
  fTokenPos = fRun;
  if (fRun - fBase >= kKeptUnits) Forget();
  if (fRange == srsComment || fRange == srsConditionalComment) {
    CommentContinue();
    return;
  }
  if (fRange == srsString) {
    StringRule();
    return;
  }
  const char32_t c = At(fRun);
  auto symbol = [&](int n) {
    fTokenID = sqtSymbol;
    fRun += n;
  };
  auto next = [&](int k) { return At(fRun + k); };
  switch (c) {
    case 0: fTokenID = sqtNull; return;
    case '\n':
      fTokenID = sqtSpace;
      ++fRun;
      return;
    case '\r':
      fTokenID = sqtSpace;
      fRun += next(1) == '\n' ? 2 : 1;
      return;
    case '!':
    case '%':
    case '*':
    case '^': symbol(next(1) == '=' ? 2 : 1); return;
    case '"': DelimitedUntil('"'); return;
    case '#':
      if (fDialect == sqlMySQL) {
        fTokenID = sqtComment;
        ToEol();
      } else {
        fTokenID = sqtUnknown;
        ++fRun;
      }
      return;
    case '&': symbol(next(1) == '&' || next(1) == '=' ? 2 : 1); return;
    case '\'': StringRule(); return;
    case '+': symbol(next(1) == '+' || next(1) == '=' ? 2 : 1); return;
    case '-':
      if (next(1) == '-') {
        fTokenID = sqtComment;
        ToEol();
      } else {
        symbol(1);
      }
      return;
    case '/':
      if (next(1) == '*')
        CommentOpen();
      else
        symbol(next(1) == '=' ? 2 : 1);
      return;
    case ':':
    case '@': VariableRule(); return;
    case '<':
      if (next(1) == '<')
        symbol(next(2) == '=' ? 3 : 2);
      else
        symbol(next(1) == '=' ? 2 : 1);
      return;
    case '=':
    case '>': symbol(next(1) == '=' || next(1) == '>' ? 2 : 1); return;
    case '[':
      if (UsesTableB(fDialect))
        DelimitedUntil(']');
      else
        symbol(1);
      return;
    case '`':
      if (fDialect == sqlMySQL) {
        DelimitedUntil('`');
      } else {
        fTokenID = sqtUnknown;
        ++fRun;
      }
      return;
    case '|': symbol(next(1) == '=' || next(1) == '|' ? 2 : 1); return;
    default: break;
  }
  if (c < 33) {
    fTokenID = sqtSpace;
    do {
      ++fRun;
    } while (At(fRun) >= 1 && At(fRun) <= 32 && At(fRun) != '\n' && At(fRun) != '\r');
  } else if (c >= '0' && c <= '9') {
    fTokenID = sqtNumber;
    ++fRun;
    for (;;) {
      const char32_t d = At(fRun);
      if (d == '.' && At(fRun + 1) == '.') break;
      if (!((d >= '0' && d <= '9') || d == '-' || d == '.')) break;
      ++fRun;
    }
  } else if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_') {
    WordRule();
  } else if (c == '$' || c == '\\' || c >= 127) {
    fTokenID = sqtUnknown;
    ++fRun;
  } else {
    symbol(1);
  }
}
