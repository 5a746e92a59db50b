#pragma once
// The SQL highlighter: splits a line into tokens with rules chosen by the token's first
// character, classifies words with a hashed keyword table filled from the dialect's word
// lists, and carries open comments and strings from line to line in its range.

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "editor/SxEditHighlighter.h"

enum TSxSQLTokenKind : std::uint8_t {
  sqtComment,
  sqtDataType,
  sqtDefaultPackage,
  sqtException,
  sqtFunction,
  sqtIdentifier,
  sqtKey,
  sqtNull,
  sqtNumber,
  sqtSpace,
  sqtPLSQL,
  sqtSQLPlus,
  sqtString,
  sqtSymbol,
  sqtTableName,
  sqtUnknown,
  sqtVariable,
  sqtConditionalComment,
  sqtDelimitedIdentifier
};

enum TSxSQLRangeState : std::uint8_t { srsUnknown, srsComment, srsString, srsConditionalComment };

enum TSQLDialect : std::uint8_t {
  sqlStandard,
  sqlInterbase6,
  sqlMSSQL7,
  sqlMySQL,
  sqlOracle,
  sqlSybase,
  sqlIngres,
  sqlMSSQL2K
};

// One word list of a dialect: its words, separated by commas, and the kind they get.
struct TSxSQLWordList {
  TSxSQLTokenKind Kind;
  const char* Words;
};
// The dialect's lists in the order they fill the keyword table.
std::vector<TSxSQLWordList> SQLDialectWordLists(TSQLDialect Dialect);
// The dialect's preview text, lines joined by CR LF.
String SQLDialectSampleSource(TSQLDialect Dialect);

// A chained keyword entry; chains are ordered by length, shortest first.
struct TSxHashEntry {
  String Keyword;
  int Length;
  TSxSQLTokenKind Kind;
};

class TSxSQLSx : public TSxCustomHighlighter {
  VT_CLASS(TSxSQLSx, TSxCustomHighlighter)
public:
  explicit TSxSQLSx(TComponent* AOwner);
  ~TSxSQLSx() override;

  TSxHighlighterAttributes* GetDefaultAttribute(int Index) const override;
  TSxCharSet GetIdentChars() const override;
  String GetSampleSource() const override { return SQLDialectSampleSource(fDialect); }
  bool IsFilterStored() const override { return GetDefaultFilter() != kDefaultFilter; }
  String GetLanguageName() const override { return "SQL"; }

  bool AtLineEnd() const override { return fTokenID == sqtNull; }
  TSxRange GetRange() const override { return fRange; }
  String GetTokenText() const override;
  TSxHighlighterAttributes* GetTokenAttribute() const override;
  int GetTokenKind() const override { return fTokenID; }
  int GetTokenPos() const override { return fTokenPos; }
  bool IsKeyword(const String& AKeyword) const override;
  void Next() override;
  void SetLine(const String& NewValue, int LineNumber) override;
  bool SetLineFrom(const String& Line, int LineNumber, int Char, std::size_t Byte, TSxRange Range) override;
  // A value that is no state of this scanner (a line never scanned keeps -1) starts fresh.
  void SetRange(TSxRange Value) override {
    fRange = Value >= srsUnknown && Value <= srsConditionalComment ? static_cast<TSxSQLRangeState>(Value) : srsUnknown;
  }
  void ResetRange() override { fRange = srsUnknown; }
  void Assign(TPersistent* Source) override;

  TSQLDialect SQLDialect() const { return fDialect; }
  void SetSQLDialect(TSQLDialect Value);
  TStrings* TableNames() const { return fTableNames.get(); }
  void SetTableNames(TStrings* Value) { fTableNames->Assign(Value); }
  // Raises Exception 'Keyword "%s" already in list' for a word already in the table.
  void AddKeyword(const String& AKeyword, TSxSQLTokenKind AKind);
  // The kind the keyword table gives a word; sqtIdentifier when it has none.
  TSxSQLTokenKind WordKind(const String& AWord) const;

  TSxHighlighterAttributes* CommentAttri;
  TSxHighlighterAttributes* ConditionalCommentAttri;
  TSxHighlighterAttributes* DataTypeAttri;
  TSxHighlighterAttributes* DefaultPackageAttri;
  TSxHighlighterAttributes* DelimitedIdentifierAttri;
  TSxHighlighterAttributes* ExceptionAttri;
  TSxHighlighterAttributes* FunctionAttri;
  TSxHighlighterAttributes* IdentifierAttri;
  TSxHighlighterAttributes* KeyAttri;
  TSxHighlighterAttributes* NumberAttri;
  TSxHighlighterAttributes* PLSQLAttri;
  TSxHighlighterAttributes* SpaceAttri;
  TSxHighlighterAttributes* SQLPlusAttri;
  TSxHighlighterAttributes* StringAttri;
  TSxHighlighterAttributes* SymbolAttri;
  TSxHighlighterAttributes* TableNameAttri;
  TSxHighlighterAttributes* VariableAttri;

  static constexpr const char* kDefaultFilter = "SQL Files (*.sql)|*.sql";

private:
  void InitializeKeywordLists();
  // Hash of the identifier characters at p; Length gets their count.
  unsigned HashKey(const char32_t* p, int& Length) const;
  TSxSQLTokenKind IdentKind(const char32_t* p, int& Length) const;
  bool IsIdentChar(char32_t c) const { return c < 128 && (*fIdentTable)[c]; }
  char32_t At(int i) const {
    const auto k = static_cast<std::size_t>(i - fBase);
    if (k >= fChars.size()) Fill(k);
    return k < fChars.size() ? fChars[k] : 0;
  }
  // Reads the line's characters on until unit k (relative to fBase) is there or the line ends.
  void Fill(std::size_t k) const;
  // A scan reading a line in steps forgets what lies before the token it starts: a scan of a
  // very long line would otherwise hold units and offsets for all of it (megabytes written
  // each time the line is scanned).
  void Forget();
  static constexpr int kKeptUnits = 4096;
  std::size_t ByteAt(int i) const {
    const int k = i - fBase;
    return k < fFirstWide ? fBaseByte + static_cast<std::size_t>(k) : fOffsets[static_cast<std::size_t>(k - fFirstWide)];
  }
  bool AtEol(int i) const {
    const char32_t c = At(i);
    return c == 0 || c == '\n' || c == '\r';
  }
  void ToEol() {
    while (!AtEol(fRun)) ++fRun;
  }
  void CommentOpen();
  void CommentContinue();
  void RunToCommentEnd();
  void StringRule();
  void DelimitedUntil(char32_t close);
  void VariableRule();
  void WordRule();

  TSxSQLRangeState fRange = srsUnknown;
  // The line from character fBase on, one unit per character, NUL-terminated once read to
  // its end; a scan from inside a long line reads only as far as it gets, and fBase follows it.
  mutable std::vector<char32_t> fChars;
  mutable std::vector<std::size_t> fOffsets;  // byte offset of each unit from fFirstWide on
  mutable int fFirstWide = INT32_MAX;         // the first unit that is not one byte
  mutable std::size_t fReadByte = 0;          // where reading goes on
  mutable bool fReadAll = false;              // the terminating NUL is there
  int fBase = 0;
  std::size_t fBaseByte = 0;
  String fLine;                     // the copy SetLine keeps
  const String* fText = &fLine;     // the line scanned
  int fLineNumber = 0;
  int fRun = 0;
  int fTokenPos = 0;
  TSxSQLTokenKind fTokenID = sqtNull;
  std::array<std::vector<TSxHashEntry>, 256> fKeywords;
  std::unique_ptr<TStringList> fTableNames;
  TSQLDialect fDialect = sqlStandard;
  const std::array<bool, 128>* fIdentTable;
  const std::array<std::uint8_t, 128>* fLetterValues;
};
