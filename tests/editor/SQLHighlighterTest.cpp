#include <gtest/gtest.h>

#include <random>

#include "editor/SxEditTextBuffer.h"
#include "editor/SxHighlighterSQL.h"

namespace {

const char* KindName(int k) {
  static const char* names[] = {"Comment", "DataType", "DefaultPackage", "Exception", "Function",
                                "Ident",   "Key",      "Null",           "Number",    "Space",
                                "PLSQL",   "SQLPlus",  "String",         "Symbol",    "Table",
                                "Unknown", "Var",      "CondComment",    "DelimIdent"};
  return names[k];
}

// One text line per source line: "Kind'text' Kind'text' ... |range".
std::string Dump(TSxSQLSx& hl, const std::vector<std::string>& lines) {
  std::string out;
  hl.ResetRange();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    hl.SetLine(lines[i], static_cast<int>(i));
    while (!hl.AtLineEnd()) {
      out += std::string(KindName(hl.GetTokenKind())) + "'" + hl.GetTokenText() + "' ";
      hl.Next();
    }
    out += "|" + std::to_string(hl.GetRange()) + "\n";
  }
  return out;
}

struct Golden {
  TSQLDialect dialect;
  std::vector<std::string> lines;
  const char* expected;
};

}  // namespace

TEST(SxSQLSx, TokenStreamsPerDialect) {
  const Golden cases[] = {
      {sqlInterbase6, {"SELECT --x"}, "Key'SELECT' Space' ' Comment'--x' |0\n"},
      {sqlInterbase6, {":P_MSG @x"}, "Symbol':' Ident'P_MSG' Space' ' Var'@x' |0\n"},
      {sqlInterbase6,
       {"1-2-3 1..5 1.5.x"},
       "Number'1-2-3' Space' ' Number'1' Symbol'.' Symbol'.' Number'5' Space' ' Number'1.5.' Ident'x' |0\n"},
      {sqlInterbase6, {"'a''b' 'it\\'s'"}, "String''a'' String''b'' Space' ' String''it\\'' Ident's' String''' |2\n"},
      {sqlInterbase6,
       {"x /* c", "d */ y", "/*/ z */"},
       "Ident'x' Space' ' Comment'/* c' |1\nComment'd */' Space' ' Ident'y' |0\nComment'/*/ z */' |0\n"},
      {sqlInterbase6, {"/* a", "", "*/x"}, "Comment'/* a' |1\n|1\nComment'*/' Ident'x' |0\n"},
      {sqlInterbase6, {"'open", "still", "'x"}, "String''open' |2\nString'still' |2\nString''' Ident'x' |0\n"},
      {sqlInterbase6, {"'open", "", "x'"}, "String''open' |2\n|2\nString'x'' |0\n"},
      {sqlInterbase6, {"\"My \"\"T\"\" x\" \"open"}, "DelimIdent'\"My \"\"T\"\" x\"' Space' ' DelimIdent'\"open' |0\n"},
      {sqlInterbase6,
       {"GEN_ID VARCHAR SUSPEND EMPLOYEE"},
       "Function'GEN_ID' Space' ' DataType'VARCHAR' Space' ' Key'SUSPEND' Space' ' Ident'EMPLOYEE' |0\n"},
      {sqlInterbase6,
       {"a<<=b<<c<=d<e>=f>>g==h=>i||j|=k&&l&m!=n"},
       "Ident'a' Symbol'<<=' Ident'b' Symbol'<<' Ident'c' Symbol'<=' Ident'd' Symbol'<' Ident'e' Symbol'>=' "
       "Ident'f' Symbol'>>' Ident'g' Symbol'==' Ident'h' Symbol'=>' Ident'i' Symbol'||' Ident'j' Symbol'|=' "
       "Ident'k' Symbol'&&' Ident'l' Symbol'&' Ident'm' Symbol'!=' Ident'n' |0\n"},
      {sqlInterbase6,
       {"# $ ` [x] \\ \xC3\xA9t\xC3\xA9"},
       "Unknown'#' Space' ' Unknown'$' Space' ' Unknown'`' Space' ' Symbol'[' Ident'x' Symbol']' Space' ' "
       "Unknown'\\' Space' ' Unknown'\xC3\xA9' Ident't' Unknown'\xC3\xA9' |0\n"},
      // A multi-byte character cut off by the line end is still one character; the scan stops at the end.
      {sqlInterbase6,
       {"a\xC3", "'\xE2\x82", "\xF0"},
       "Ident'a' Unknown'\xC3' |0\nString''\xE2\x82' |2\nString'\xF0' |2\n"},
      {sqlOracle,
       {":P_MSG @x", "REM hello there", "rem"},
       "Var':P_MSG' Space' ' Symbol'@' Ident'x' |0\nComment'REM hello there' |0\nComment'rem' |0\n"},
      {sqlOracle,
       {"DBMS_OUTPUT NO_DATA_FOUND NVL PROMPT ELSIF"},
       "DefaultPackage'DBMS_OUTPUT' Space' ' Exception'NO_DATA_FOUND' Space' ' Function'NVL' Space' ' SQLPlus'PROMPT' "
       "Space' ' PLSQL'ELSIF' |0\n"},
      {sqlMySQL,
       {"'a\\'b' # x", "`a``b` /*!40 x", "y */ @v"},
       "String''a\\'b'' Space' ' Comment'# x' |0\nDelimIdent'`a``b`' Space' ' CondComment'/*!40 x' |3\n"
       "CondComment'y */' Space' ' Symbol'@' Ident'v' |0\n"},
      {sqlMSSQL7,
       {"[a]]b] @@ERROR @x :y"},
       "DelimIdent'[a]]b]' Space' ' Function'@@ERROR' Space' ' Var'@x' Space' ' Symbol':' Ident'y' |0\n"},
      {sqlMSSQL2K, {"[open @@IDENTITY"}, "DelimIdent'[open @@IDENTITY' |0\n"},
      {sqlIngres, {":h SELECT"}, "Var':h' Space' ' Key'SELECT' |0\n"},
      {sqlStandard, {"END-EXEC BEGIN_X"}, "Key'END' Symbol'-' Key'EXEC' Space' ' Ident'BEGIN_X' |0\n"},
      {sqlSybase, {"\tSELECT\x01x"}, "Space'\t' Key'SELECT' Space'\x01' Ident'x' |0\n"},
  };
  for (const auto& c : cases) {
    TSxSQLSx hl(nullptr);
    hl.SetSQLDialect(c.dialect);
    EXPECT_EQ(Dump(hl, c.lines), c.expected) << "dialect " << int(c.dialect) << ": " << c.lines[0];
  }
}

TEST(SxSQLSx, SampleSourceOfInterbase6) {
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  TSxEditStringList lines;
  lines.SetText(hl.GetSampleSource());
  ASSERT_EQ(lines.Count(), 9);
  std::vector<std::string> v;
  for (int i = 0; i < lines.Count(); ++i) v.push_back(lines[i]);
  EXPECT_EQ(Dump(hl, v),
            "Comment'/* Interbase sample source */' |0\n"
            "Key'SET' Space' ' Ident'TERM' Space' ' Symbol'!' Symbol'!' Space' ' Symbol';' |0\n"
            "|0\n"
            "Key'CREATE' Space' ' Key'PROCEDURE' Space' ' Ident'HelloWorld' Symbol'(' Ident'P_MSG' Space' ' "
            "DataType'VARCHAR' Symbol'(' Number'80' Symbol')' Symbol')' Space' ' Key'AS' |0\n"
            "Key'BEGIN' |0\n"
            "Space'  ' Key'EXECUTE' Space' ' Key'PROCEDURE' Space' ' Ident'WRITELN' Symbol'(' Symbol':' Ident'P_MSG' "
            "Symbol')' Symbol';' |0\n"
            "Key'END' Space' ' Symbol'!' Symbol'!' |0\n"
            "|0\n"
            "Key'SET' Space' ' Ident'TERM' Space' ' Symbol';' Space' ' Symbol'!' Symbol'!' |0\n");
}

TEST(SxSQLSx, SampleSourcesOpenWithTheirDialectsLine) {
  const char* first[] = {"-- ANSI SQL sample source",         "/* Interbase sample source */",
                         "/* SQL Server 7 example source */", "/* MySQL sample source*/",
                         "PROMPT Oracle sample source",       "/* SyBase example source */",
                         "/* Ingres example source */",       "/* SQL Server2000 example source */"};
  for (int d = sqlStandard; d <= sqlMSSQL2K; ++d) {
    const String sample = SQLDialectSampleSource(static_cast<TSQLDialect>(d));
    EXPECT_EQ(sample.substr(0, sample.find("\r\n")), first[d]) << d;
  }
}

TEST(SxSQLSx, DialectsAndKeywordTable) {
  TSxSQLSx hl(nullptr);
  EXPECT_EQ(hl.SQLDialect(), sqlStandard);
  EXPECT_EQ(hl.GetLanguageName(), "SQL");
  EXPECT_FALSE(hl.IsFilterStored());
  int notified = 0;
  hl.HookAttrChangeEvent(TNotifyEvent(&hl, 1, [&](TObject*) { ++notified; }));
  hl.SetSQLDialect(sqlInterbase6);
  EXPECT_EQ(notified, 1);
  hl.SetSQLDialect(sqlInterbase6);  // the same dialect: no rebuild, no notification
  EXPECT_EQ(notified, 1);
  EXPECT_EQ(hl.WordKind("GEN_ID"), sqtFunction);
  EXPECT_EQ(hl.WordKind("varchar"), sqtDataType);
  EXPECT_EQ(hl.WordKind("SUSPEND"), sqtKey);
  EXPECT_TRUE(hl.IsKeyword("suspend"));
  EXPECT_FALSE(hl.IsKeyword("EMPLOYEE"));
  // Table names: a name already a keyword keeps its kind; names differing in case count once;
  // digits compare equal, so T2 matches the table T1.
  hl.TableNames()->Add("EMPLOYEE");
  hl.TableNames()->Add("employee");
  hl.TableNames()->Add("USER");
  hl.TableNames()->Add("T1");
  EXPECT_EQ(hl.WordKind("EMPLOYEE"), sqtTableName);
  EXPECT_EQ(hl.WordKind("USER"), sqtKey);
  EXPECT_EQ(hl.WordKind("T2"), sqtTableName);
  EXPECT_FALSE(hl.IsKeyword("EMPLOYEE"));
  // A range that is no scanner state (a line never scanned keeps -1) scans as a fresh line.
  for (TSxRange r : {TSxRange(-1), TSxRange(255), TSxRange(4)}) {
    hl.SetRange(r);
    hl.SetLine("a", 0);
    EXPECT_EQ(hl.GetTokenKind(), sqtIdentifier);
    hl.NextToEol();
    EXPECT_EQ(hl.GetRange(), srsUnknown) << r;
  }
  try {
    hl.AddKeyword("select", sqtKey);
    FAIL() << "duplicate accepted";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Keyword \"SELECT\" already in list");
  }
}

TEST(SxSQLSx, WordListsHaveNoDuplicatesAndInterbaseCountsExact) {
  for (int d = sqlStandard; d <= sqlMSSQL2K; ++d) {
    TSxSQLSx hl(nullptr);
    EXPECT_NO_THROW(hl.SetSQLDialect(static_cast<TSQLDialect>(d))) << d;
    for (const auto& list : SQLDialectWordLists(static_cast<TSQLDialect>(d)))
      EXPECT_GT(std::string(list.Words).size(), 0u);
  }
  std::vector<std::size_t> counts;
  for (const auto& list : SQLDialectWordLists(sqlInterbase6)) {
    TStringList words;
    words.SetCommaText(list.Words);
    counts.push_back(static_cast<std::size_t>(words.Count()));
  }
  EXPECT_EQ(counts, (std::vector<std::size_t>{13, 8, 251}));
  const auto oracle = SQLDialectWordLists(sqlOracle);
  ASSERT_EQ(oracle.size(), 8u);
  EXPECT_STREQ(oracle[4].Words, "REM,REMA,REMAR,REMARK");
}

TEST(SxSQLSx, AttributesAndAssign) {
  TSxSQLSx a(nullptr), b(nullptr);
  EXPECT_EQ(a.GetAttribCount(), 17);
  EXPECT_EQ(a.GetAttribute(0)->Name(), "Comment");
  EXPECT_EQ(a.CommentAttri->Style(), sxfsItalic);
  EXPECT_EQ(a.GetDefaultAttribute(2), a.KeyAttri);
  EXPECT_EQ(a.GetDefaultAttribute(6), nullptr);
  TSxHighlighterAttributes* changed = nullptr;
  int calls = 0;
  b.HookAttrChangeEvent(TNotifyEvent(&b, 1, [&](TObject* s) {
    changed = dynamic_cast<TSxHighlighterAttributes*>(s);
    ++calls;
  }));
  b.CommentAttri->SetForeground(clNavy);
  EXPECT_EQ(changed, b.CommentAttri);
  b.CommentAttri->SetForeground(clNavy);
  EXPECT_EQ(calls, 1);
  EXPECT_TRUE(b.CommentAttri->IsForegroundStored());
  a.NumberAttri->SetForeground(clNavy);
  a.SetSQLDialect(sqlMySQL);
  a.SetDefaultFilter("SQL files (*.sql)|*.sql");
  b.Assign(&a);
  EXPECT_EQ(b.NumberAttri->Foreground(), clNavy);
  EXPECT_EQ(b.CommentAttri->Foreground(), clNone);
  EXPECT_EQ(b.SQLDialect(), sqlMySQL);
  EXPECT_EQ(b.GetDefaultFilter(), "SQL files (*.sql)|*.sql");
  EXPECT_TRUE(b.IsFilterStored());
}

// Any bytes: the tokens of a line tile it exactly, and the range stays in 0..3.
TEST(SxSQLSx, TokensTileEveryLine) {
  std::mt19937 rng(7);
  const std::string alphabet = "ab_1.-/*'\"`[]@:#$!<=>|&+ \t\\\xC3\xA9\x80\xFF";
  for (int d = sqlStandard; d <= sqlMSSQL2K; ++d) {
    TSxSQLSx hl(nullptr);
    hl.SetSQLDialect(static_cast<TSQLDialect>(d));
    hl.ResetRange();
    for (int n = 0; n < 400; ++n) {
      std::string line;
      const int len = static_cast<int>(rng() % 24);
      for (int i = 0; i < len; ++i) line += alphabet[rng() % alphabet.size()];
      hl.SetLine(line, n);
      std::string joined;
      int pos = 0, guard = 0;
      while (!hl.AtLineEnd() && ++guard < 1000) {
        ASSERT_EQ(hl.GetTokenPos(), pos) << line;
        const std::string t = hl.GetTokenText();
        ASSERT_FALSE(t.empty()) << line;
        joined += t;
        pos += SxCharCount(t);
        hl.Next();
      }
      ASSERT_LT(guard, 1000) << line;
      EXPECT_EQ(joined, line) << "dialect " << d;
      EXPECT_LE(static_cast<unsigned>(hl.GetRange()), 3u);
    }
  }
}

// After random edits, ranges kept up to date incrementally equal a full rescan.
TEST(SxSQLSx, IncrementalRescanEqualsFullRescan) {
  std::mt19937 rng(11);
  const char* pieces[] = {"/*", "*/", "'", "x", " ", "--", "/*!", "y'z"};
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlMySQL);
  TSxEditStringList lines;
  for (int i = 0; i < 60; ++i) lines.Add("select a from t" + std::to_string(i));
  SxScanRanges(&hl, &lines, 0, lines.Count() - 1);
  for (int step = 0; step < 400; ++step) {
    const int op = static_cast<int>(rng() % 4);
    const int i = static_cast<int>(rng() % static_cast<unsigned>(lines.Count()));
    if (op == 0) {
      std::string s = lines[i];
      s.insert(rng() % (s.size() + 1), pieces[rng() % 8]);
      lines.Put(i, s);
      SxScanRanges(&hl, &lines, i, i);
    } else if (op == 1) {
      lines.Insert(i, pieces[rng() % 8]);
      SxScanRanges(&hl, &lines, i, i);
    } else if (op == 2 && lines.Count() > 2) {
      lines.Delete(i);
      // The line now at i starts where line i - 1 ends.
      SxScanRanges(&hl, &lines, i - 1, i);
    } else {
      lines.InsertLines(i, 2);
      lines.Put(i, pieces[rng() % 8]);
      SxScanRanges(&hl, &lines, i, i + 1);
    }
    TSxEditStringList fresh;
    fresh.SetText(lines.Text());
    SxScanRanges(&hl, &fresh, 0, fresh.Count() - 1);
    ASSERT_EQ(fresh.Count(), lines.Count());
    for (int k = 0; k < lines.Count(); ++k)
      ASSERT_EQ(lines.Range(k), fresh.Range(k)) << "step " << step << " line " << k;
  }
}

// A line inserted in the middle rescans only as far as the ranges require.
TEST(SxSQLSx, InsertRescansOnlyWhatRangesRequire) {
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  TSxEditStringList lines;
  for (int i = 0; i < 1000; ++i) lines.Add("SELECT * FROM T WHERE A = 'x' -- note");
  EXPECT_EQ(SxScanRanges(&hl, &lines, 0, lines.Count() - 1), 999);
  lines.Insert(500, "UPDATE T SET A = 1");
  EXPECT_EQ(SxScanRanges(&hl, &lines, 500, 500), 500);  // 499 re-read for the start state, then 500
  lines.Insert(600, "/* open");
  EXPECT_EQ(SxScanRanges(&hl, &lines, 600, 600), 1001);  // everything below is now comment
  EXPECT_EQ(lines.Range(1001), srsComment);
  lines.Put(600, "/* closed */");
  EXPECT_EQ(SxScanRanges(&hl, &lines, 600, 600), 1001);
  EXPECT_EQ(lines.Range(1001), srsUnknown);
}

// A long line read in steps (from its start or from inside it) forgets what lies behind the
// scan; its tokens stay those of the line read whole: one-byte and multi-byte text, the first
// multi-byte character before and after a forgotten part, a string and a comment across one.
TEST(SxSQLSx, ScanInStepsOfALongLineEqualsWholeLineScan) {
  auto repeat = [](const std::string& piece, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += piece;
    return s;
  };
  const std::string wide = repeat("\xC3\x84.\xC3\x8E" "D '\xE6\x97\xA5\xE6\x9C\xAC' \xC3\xB6\tFROM ", 900);
  const std::string lines[] = {
      repeat("SELECT A.ID, 'x' FROM T1 ", 900),
      wide,
      repeat("SELECT X ", 1000) + wide,
      repeat("X ", 2050) + wide,  // read already when the scan first forgets
      "A '" + std::string(10000, 'x') + "\xC3\xA9' B " + wide,
      "/*" + repeat("\xC3\xA9 ", 6000) + "*/ SELECT " + repeat("\xC3\xB6 X ", 3000),
      "X '" + repeat("\xE6\x97\xA5", 9000),
  };
  struct Token {
    int Pos;
    std::size_t Byte;
    TSxRange Before, After;
    int Kind;
    std::string Text;
    bool operator==(const Token&) const = default;
  };
  auto scan = [](TSxSQLSx& hl, TSxRange before, std::size_t byte) {
    std::vector<Token> out;
    while (!hl.AtLineEnd()) {
      out.push_back({hl.GetTokenPos(), byte, before, hl.GetRange(), hl.GetTokenKind(), hl.GetTokenText()});
      byte += out.back().Text.size();
      before = hl.GetRange();
      hl.Next();
    }
    return out;
  };
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  for (std::size_t n = 0; n < std::size(lines); ++n) {
    const std::string& line = lines[n];
    hl.ResetRange();
    hl.SetLine(line, 0);
    const std::vector<Token> whole = scan(hl, srsUnknown, 0);
    for (const std::size_t from : {std::size_t{0}, whole.size() / 3, whole.size() - 2}) {
      const Token& t = whole[from];
      ASSERT_TRUE(hl.SetLineFrom(line, 0, t.Pos, t.Byte, t.Before));
      const std::vector<Token> steps = scan(hl, t.Before, t.Byte);
      ASSERT_EQ(steps.size(), whole.size() - from) << "line " << n << " from token " << from;
      for (std::size_t k = 0; k < steps.size(); ++k)
        ASSERT_TRUE(steps[k] == whole[from + k]) << "line " << n << " from token " << from << ", token " << from + k;
    }
  }
}
