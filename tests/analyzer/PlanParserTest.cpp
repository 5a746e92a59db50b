#include <gtest/gtest.h>

#include <climits>

#include "analyzer/PlanParser.h"
#include "analyzer/QueryDM.h"
#include "support/FbFixture.h"

namespace {

const char* const kRecursion =
    "Too much recursion in PLAN parser.  This is most likely caused by a bug in the parser, but it could "
    "conceivably be the result of a really complex PLAN.  Try increasing the \"Maximum parser recursion "
    "depth\" setting on the \"Advanced\" tab of the Options dialog.  If that does not fix the problem, "
    "it's probably a bug.  In case, please file a bug report.";

// One line per node below the statement, indented by level: E expression, J<kind> join,
// T<kind> table read, I index; the text after "|". A wrong Parent or Level shows as "!".
void DumpNode(const TPlanNode* node, std::string& out) {
  for (int i = 0; i < node->Children().Count(); ++i) {
    const TPlanNode* c = node->Children()[i];
    if (!out.empty()) out += "\n";
    out += std::string(2 * static_cast<std::size_t>(c->Level() - 1), ' ');
    if (c->Parent() != node || c->Level() != node->Level() + 1) out += "!";
    if (dynamic_cast<const TPlanExpressionNode*>(c))
      out += "E";
    else if (auto* j = dynamic_cast<const TPlanJoinTypeNode*>(c))
      out += "J" + std::to_string(j->JoinKind);
    else if (auto* t = dynamic_cast<const TPlanTableSpecifier*>(c))
      out += "T" + std::to_string(t->AccessKind);
    else if (dynamic_cast<const TPlanTableIndex*>(c))
      out += "I";
    else
      out += "?";
    out += "|" + c->Text();
    DumpNode(c, out);
  }
}

std::string Dump(const TPlanParser& parser) {
  std::string out;
  DumpNode(parser.Statement(), out);
  return out;
}

std::string Join(const std::set<String>& names) {
  std::string out;
  for (const auto& n : names) out += (out.empty() ? "" : ",") + n;
  return out;
}

struct TreeCase {
  const char* plan;
  const char* tree;
  const char* indexNames;
};

void ExpectTrees(const std::vector<TreeCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plan);
    TPlanParser parser;
    parser.SetPlanText(c.plan);
    parser.SetSQL("SELECT 1");
    ASSERT_NO_THROW(parser.Parse());
    EXPECT_EQ(parser.Statement()->Text(), "SELECT 1");
    EXPECT_EQ(parser.Statement()->Level(), 0);
    EXPECT_EQ(Dump(parser), c.tree);
    EXPECT_EQ(Join(parser.IndexNames()), c.indexNames);
  }
}

std::string ParseError(const std::string& plan, int maxDepth = 200) {
  TPlanParser parser;
  parser.SetMaxDepth(maxDepth);
  parser.SetPlanText(plan);
  try {
    parser.Parse();
  } catch (const EPlanParserError& e) {
    EXPECT_EQ(e.Plan(), plan);
    return e.Message();
  }
  return "(parsed)";
}

}  // namespace

// The shapes older servers print, each with the trailing CR LF the window passes.
TEST(PlanParser, ClassicShapes) {
  ExpectTrees({
      {"PLAN (A NATURAL)\r\n", "E|PLAN (A NATURAL)\n  T0|A", ""},
      {"PLAN JOIN (A NATURAL, B INDEX (IDX1, IDX2))\r\n",
       "E|PLAN JOIN (A NATURAL, B INDEX (IDX1, IDX2))\n  J0|JOIN\n    T0|A\n    T1| B\n      I|IDX1\n      I|IDX2",
       "IDX1,IDX2"},
      {"PLAN SORT ((A NATURAL))\r\n", "E|PLAN SORT ((A NATURAL))\n  J1|SORT\n    T0|A", ""},
      {"PLAN MERGE (SORT (A NATURAL), SORT (B NATURAL))\r\n",
       "E|PLAN MERGE (SORT (A NATURAL), SORT (B NATURAL))\n  J2|MERGE\n    J1|SORT\n      T0|A\n    J1|SORT\n"
       "      T0|B",
       ""},
      {"PLAN SORT (MERGE (SORT (A NATURAL), SORT (B NATURAL)))\r\n",
       "E|PLAN SORT (MERGE (SORT (A NATURAL), SORT (B NATURAL)))\n  J2|SORT MERGE\n    J1|SORT\n      T0|A\n"
       "    J1|SORT\n      T0|B",
       ""},
      {"PLAN (A ORDER IDX_A)\r\n", "E|PLAN (A ORDER IDX_A)\n  T2|A\n    I|IDX_A", "IDX_A"},
      {"PLAN (A ORDER \"My Idx\")", "E|PLAN (A ORDER \"My Idx\")\n  T2|A\n    I|My Idx", "My Idx"},
      {"PLAN (B INDEX (RDB$PRIMARY2))\r\nPLAN (A NATURAL)\r\n",
       "E|PLAN (B INDEX (RDB$PRIMARY2))\n  T1|B\n    I|RDB$PRIMARY2\nE|PLAN (A NATURAL)\n  T0|A", "RDB$PRIMARY2"},
      {"PLAN (\"My Tab\" NATURAL)", "E|PLAN (\"My Tab\" NATURAL)\n  T0|My Tab", ""},
      // A keyword inside a quoted alias belongs to the alias.
      {"PLAN (\"MY INDEX\" NATURAL)", "E|PLAN (\"MY INDEX\" NATURAL)\n  T0|MY INDEX", ""},
      {"PLAN (\"A ORDER B\" NATURAL)", "E|PLAN (\"A ORDER B\" NATURAL)\n  T0|A ORDER B", ""},
      // Lower case or glued to a letter: not a keyword.
      {"PLAN join (A NATURAL)", "E|PLAN join (A NATURAL)\n  T0|A", ""},
      {"PLAN XJOIN (A NATURAL)", "E|PLAN XJOIN (A NATURAL)\n  T0|A", ""},
      {"PLAN (A INDEX (B, A, B))", "E|PLAN (A INDEX (B, A, B))\n  T1|A\n    I|B\n    I|A\n    I|B", "A,B"},
      {"", "", ""},
      {"nothing here", "", ""},
      // A clause without the word PLAN starts at its first keyword's text.
      {"JOIN (A NATURAL, B NATURAL)", "E|JOIN (A NATURAL, B NATURAL)\n  J0|JOIN\n    T0|A\n    T0| B", ""},
  });
}

// The shapes Firebird 3 prints.
TEST(PlanParser, FirebirdShapes) {
  ExpectTrees({
      {"\nPLAN (A NATURAL)", "E|PLAN (A NATURAL)\n  T0|A", ""},
      {"PLAN SORT (B NATURAL)", "E|PLAN SORT (B NATURAL)\n  J1|SORT\n    T0|B", ""},
      {"PLAN SORT (A NATURAL, B NATURAL)", "E|PLAN SORT (A NATURAL, B NATURAL)\n  J1|SORT\n    T0|A\n    T0| B", ""},
      {"PLAN HASH (A NATURAL, B NATURAL)", "E|PLAN HASH (A NATURAL, B NATURAL)\n  J3|HASH\n    T0|A\n    T0| B", ""},
      {"PLAN (A ORDER IDX_A_NAME INDEX (IDX_A_V))",
       "E|PLAN (A ORDER IDX_A_NAME INDEX (IDX_A_V))\n  T2|A\n    I|IDX_A_NAME\n    I|IDX_A_V", "IDX_A_NAME,IDX_A_V"},
      {"PLAN (A ORDER IDX_A_NAME INDEX (IDX_A_V, IDX_A_W))\nPLAN (B NATURAL)",
       "E|PLAN (A ORDER IDX_A_NAME INDEX (IDX_A_V, IDX_A_W))\n  T2|A\n    I|IDX_A_NAME\n    I|IDX_A_V\n"
       "    I|IDX_A_W\nE|PLAN (B NATURAL)\n  T0|B",
       "IDX_A_NAME,IDX_A_V,IDX_A_W"},
      {"PLAN (R RDB$DATABASE NATURAL, )", "E|PLAN (R RDB$DATABASE NATURAL, )\n  T0|R RDB$DATABASE", ""},
      {"PLAN SORT (JOIN (A NATURAL, B INDEX (RDB$PRIMARY2)))",
       "E|PLAN SORT (JOIN (A NATURAL, B INDEX (RDB$PRIMARY2)))\n  J1|SORT\n    J0|JOIN\n      T0|A\n"
       "      T1| B\n        I|RDB$PRIMARY2",
       "RDB$PRIMARY2"},
      {"PLAN SORT (HASH (A NATURAL, B NATURAL))",
       "E|PLAN SORT (HASH (A NATURAL, B NATURAL))\n  J1|SORT\n    J3|HASH\n      T0|A\n      T0| B", ""},
      {"PLAN JOIN (JOIN (B NATURAL, A INDEX (FK_A_B)), JOIN (A NATURAL, B INDEX (RDB$PRIMARY2)))",
       "E|PLAN JOIN (JOIN (B NATURAL, A INDEX (FK_A_B)), JOIN (A NATURAL, B INDEX (RDB$PRIMARY2)))\n  J0|JOIN\n"
       "    J0|JOIN\n      T0|B\n      T1| A\n        I|FK_A_B\n    J0|JOIN\n      T0|A\n      T1| B\n"
       "        I|RDB$PRIMARY2",
       "FK_A_B,RDB$PRIMARY2"},
      {"PLAN JOIN (VAB A INDEX (RDB$PRIMARY1), VAB B INDEX (RDB$PRIMARY2))",
       "E|PLAN JOIN (VAB A INDEX (RDB$PRIMARY1), VAB B INDEX (RDB$PRIMARY2))\n  J0|JOIN\n    T1|VAB A\n"
       "      I|RDB$PRIMARY1\n    T1| VAB B\n      I|RDB$PRIMARY2",
       "RDB$PRIMARY1,RDB$PRIMARY2"},
      {"PLAN JOIN (X A INDEX (IDX_A_V), B NATURAL)",
       "E|PLAN JOIN (X A INDEX (IDX_A_V), B NATURAL)\n  J0|JOIN\n    T1|X A\n      I|IDX_A_V\n    T0| B", "IDX_A_V"},
      // A sorted derived table in a join; a hash join over a nested join.
      {"PLAN JOIN (SORT (X A NATURAL), B INDEX (PK))",
       "E|PLAN JOIN (SORT (X A NATURAL), B INDEX (PK))\n  J0|JOIN\n    J1|SORT\n      T0|X A\n    T1| B\n"
       "      I|PK",
       "PK"},
      {"PLAN HASH (JOIN (A NATURAL, B INDEX (PK)), C NATURAL)",
       "E|PLAN HASH (JOIN (A NATURAL, B INDEX (PK)), C NATURAL)\n  J3|HASH\n    J0|JOIN\n      T0|A\n"
       "      T1| B\n        I|PK\n    T0| C",
       "PK"},
      {"\nPLAN (B INDEX (RDB$PRIMARY2))\nPLAN (C NATURAL)\nPLAN SORT (A NATURAL)",
       "E|PLAN (B INDEX (RDB$PRIMARY2))\n  T1|B\n    I|RDB$PRIMARY2\nE|PLAN (C NATURAL)\n  T0|C\n"
       "E|PLAN SORT (A NATURAL)\n  J1|SORT\n    T0|A",
       "RDB$PRIMARY2"},
  });
}

// Each read sits under exactly the groups whose parentheses enclose it, and a SORT list may
// open after any blanks or line breaks.
TEST(PlanParser, GroupsEndAtTheirParentheses) {
  ExpectTrees({
      {"PLAN JOIN (SORT (JOIN (X A NATURAL, X B INDEX (PK_B))), C INDEX (FK_C))",
       "E|PLAN JOIN (SORT (JOIN (X A NATURAL, X B INDEX (PK_B))), C INDEX (FK_C))\n  J0|JOIN\n    J1|SORT\n"
       "      J0|JOIN\n        T0|X A\n        T1| X B\n          I|PK_B\n    T1| C\n      I|FK_C",
       "FK_C,PK_B"},
      {"PLAN JOIN (SORT ((A NATURAL)), HASH (B NATURAL, C NATURAL), D NATURAL)",
       "E|PLAN JOIN (SORT ((A NATURAL)), HASH (B NATURAL, C NATURAL), D NATURAL)\n  J0|JOIN\n    J1|SORT\n"
       "      T0|A\n    J3|HASH\n      T0|B\n      T0| C\n    T0| D",
       ""},
      {"PLAN SORT (JOIN (A NATURAL, B NATURAL), C NATURAL)",
       "E|PLAN SORT (JOIN (A NATURAL, B NATURAL), C NATURAL)\n  J1|SORT\n    J0|JOIN\n      T0|A\n      T0| B\n"
       "    T0| C",
       ""},
      {"PLAN SORT (\r\n(A NATURAL))", "E|PLAN SORT (  (A NATURAL))\n  J1|SORT\n    T0|A", ""},
      {"PLAN SORT (\t(A NATURAL))", "E|PLAN SORT (\t(A NATURAL))\n  J1|SORT\n    T0|A", ""},
  });
}

// The server prints index names unquoted: blanks, lower case, "$", "-", quotes and any UTF-8
// letter belong to the name, which runs to its "," or ")" (in index order, to " INDEX (").
TEST(PlanParser, IndexNamesAsPrinted) {
  ExpectTrees({
      {"PLAN (P INDEX (IDX_\u00dc, IDX-X, IDX\"Q, idx lower, A$B))",
       "E|PLAN (P INDEX (IDX_\u00dc, IDX-X, IDX\"Q, idx lower, A$B))\n  T1|P\n    I|IDX_\u00dc\n    I|IDX-X\n"
       "    I|IDX\"Q\n    I|idx lower\n    I|A$B",
       "A$B,IDX\"Q,IDX-X,IDX_\u00dc,idx lower"},
      {"PLAN (P ORDER IDX_\u00dc INDEX (IDX-X))",
       "E|PLAN (P ORDER IDX_\u00dc INDEX (IDX-X))\n  T2|P\n    I|IDX_\u00dc\n    I|IDX-X", "IDX-X,IDX_\u00dc"},
      {"PLAN JOIN (D C ORDER IDX\"Q, D P ORDER my idx)",
       "E|PLAN JOIN (D C ORDER IDX\"Q, D P ORDER my idx)\n  J0|JOIN\n    T2|D C\n      I|IDX\"Q\n    T2| D P\n"
       "      I|my idx",
       "IDX\"Q,my idx"},
      {"PLAN (A ORDER \"X\"Y)", "E|PLAN (A ORDER \"X\"Y)\n  T2|A\n    I|\"X\"Y", "\"X\"Y"},
      {"PLAN (A INDEX ( X ,Y\r\n))", "E|PLAN (A INDEX ( X ,Y  ))\n  T1|A\n    I|X\n    I|Y", "X,Y"},
  });
}

// Texts that end where the scanner still expects something: the parse ends at the end of the
// text, and a failure is only ever the parser's own error.
TEST(PlanParser, TruncatedTexts) {
  ExpectTrees({
      {"PLAN", "E|PLAN", ""},
      {"PLAN (A INDEX", "E|PLAN (A INDEX\n  T1|A", ""},
      {"PLAN (A INDEX (", "E|PLAN (A INDEX (\n  T1|A", ""},
      {"PLAN (A INDEX (X", "E|PLAN (A INDEX (X\n  T1|A\n    I|X", "X"},
      {"PLAN (A INDEX (X,", "E|PLAN (A INDEX (X,\n  T1|A\n    I|X", "X"},
      {"PLAN (A ORDER", "E|PLAN (A ORDER\n  T2|A\n    I|", ""},
      {"PLAN (A ORDER \"X", "E|PLAN (A ORDER \"X\n  T2|A\n    I|X", "X"},
      {"PLAN (A ORDER X INDEX (", "E|PLAN (A ORDER X INDEX (\n  T2|A\n    I|X", "X"},
      {"PLAN SORT (", "E|PLAN SORT (\n  J1|SORT", ""},
      {"PLAN JOIN", "E|PLAN JOIN\n  J0|JOIN", ""},
  });
  for (const char* plan : {"PLAN (", "PLAN (\"A", "PLAN (\"A\"", "(", ",", "PLAN (A", "PLAN SORT", "PLAN (A,"}) {
    SCOPED_TRACE(plan);
    TPlanParser parser;
    parser.SetPlanText(plan);
    try {
      parser.Parse();
    } catch (const EPlanParserError&) {}
  }
}

TEST(PlanParser, ErrorMessages) {
  EXPECT_EQ(ParseError("PLAN (a natural)\r\n"),
            "TPlanParser.ParsePlanItem: Unrecognized PLAN syntax -- \"NATURAL\", \"INDEX\" or \"ORDER\" not found "
            "after alias: a natural)\r\n");
  EXPECT_EQ(ParseError("PLAN ((A NATURAL))"), "TPlanParser.ParsePlanJoin: Unrecognized Text: \"(\"");
  EXPECT_EQ(ParseError("PLAN (\"A\" FOO)"), "TPlanParser.ParseTableSpecifier: Unknown token \"");
  EXPECT_EQ(ParseError("PLAN (A INDEX ((X))"), kRecursion);

  // A failed parse leaves the tree as far as it was built; the next parse replaces it.
  TPlanParser parser;
  parser.SetPlanText("PLAN JOIN (A NATURAL, B INDEX (I1), c natural)");
  EXPECT_THROW(parser.Parse(), EPlanParserError);
  EXPECT_EQ(Dump(parser), "E|\n  J0|JOIN\n    T0|A\n    T1| B\n      I|I1");
  parser.SetPlanText("PLAN (C NATURAL)");
  parser.Parse();
  EXPECT_EQ(Dump(parser), "E|PLAN (C NATURAL)\n  T0|C");
  EXPECT_TRUE(parser.IndexNames().empty());
}

TEST(PlanParser, Budget) {
  auto joinOf = [](int tables) {
    std::string plan = "PLAN JOIN (";
    for (int i = 0; i < tables; ++i) plan += (i ? ", T" : "T") + std::to_string(i) + " NATURAL";
    return plan + ")\r\n";
  };
  // The three-table join takes 9 units: a budget of 10 is enough, 9 is not.
  EXPECT_EQ(ParseError(joinOf(3), 10), "(parsed)");
  EXPECT_EQ(ParseError(joinOf(3), 9), kRecursion);
  EXPECT_EQ(ParseError(joinOf(20), 10), kRecursion);
  EXPECT_EQ(ParseError("PLAN (A NATURAL)", 1), kRecursion);
  // A budget that never reaches 0, or one too large to reach, still ends a parse that makes
  // no progress; one that makes progress is not cut short.
  for (int depth : {0, -1, INT_MIN, INT_MAX}) {
    SCOPED_TRACE(depth);
    EXPECT_EQ(ParseError("PLAN (A INDEX ((X))", depth), kRecursion);
    EXPECT_EQ(ParseError(joinOf(500), depth), "(parsed)");
  }
}

// Nesting as deep as a server's PLAN can hold parses; a contrived deeper text ends with the
// recursion message instead of running off the stack, however large the budget.
TEST(PlanParser, DeepNesting) {
  auto nested = [](int depth) {
    std::string plan = "PLAN ";
    for (int i = 0; i < depth; ++i) plan += "JOIN (T NATURAL, ";
    plan += "X NATURAL";
    return plan + std::string(static_cast<std::size_t>(depth), ')');
  };
  TPlanParser parser;
  parser.SetMaxDepth(INT_MAX);
  parser.SetPlanText(nested(900));
  parser.Parse();
  const TPlanNode* node = parser.Statement()->Children()[0];
  while (node->Children().Count() > 0) node = node->Children()[node->Children().Count() - 1];
  EXPECT_EQ(node->Text(), " X");
  EXPECT_EQ(node->Level(), 902);

  std::string joins = "PLAN ";
  for (int i = 0; i < 20000; ++i) joins += "JOIN ";
  for (const std::string& plan : {nested(5000), joins}) EXPECT_EQ(ParseError(plan, INT_MAX), kRecursion);
}

TEST(PlanParser, LongPlanParsesCompletely) {
  std::string plan;
  for (int i = 0; i < 2000; ++i) plan += "PLAN SORT (JOIN (A NATURAL, B INDEX (IDX" + std::to_string(i) + ")))\n";
  TPlanParser parser;
  parser.SetMaxDepth(INT_MAX);
  parser.SetPlanText(plan);
  parser.Parse();
  EXPECT_EQ(parser.Statement()->Children().Count(), 2000);
  EXPECT_EQ(parser.IndexNames().size(), 2000u);
}

TEST(PlanParser, StripLineBreaks) {
  EXPECT_EQ(TPlanParser::StripLineBreaks("A\r\nB\nC\rD", true), "A  B C D");
  EXPECT_EQ(TPlanParser::StripLineBreaks("A\r\nB\nC\rD", false), "ABCD");
}

TEST(PlanParser, FindFirstToken) {
  struct Case {
    std::initializer_list<std::string_view> tokens;
    const char* text;
    const char* token;
    int position;
  };
  const Case cases[] = {
      {{"JOIN"}, "JOINED JOIN (", "JOIN", 12},
      {{"("}, "A(B", "", -1},
      {{"("}, "A (B", "(", 4},
      {{"JOIN"}, "JOIN1 JOIN", "JOIN", 11},
      {{"NATURAL", "INDEX", "ORDER"}, "A natural)", "", -1},
      {{"NATURAL", "INDEX", "ORDER"}, "X NATURE, Y ORDER Z", "ORDER", 18},
      {{"JOIN", "("}, "JO,(", "(", 5},
      {{"SORT"}, "", "", -1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    auto m = TPlanParser::FindFirstToken(c.tokens, c.text);
    EXPECT_EQ(m.Token, c.token);
    EXPECT_EQ(m.Position, c.position);
  }
}

// Plans the embedded engine prints for the shapes of tests/fixtures/plans.sql.
TEST(PlanParser, EnginePlans) {
  TIBDatabase db;
  db.SetDatabaseName(FbFixtureDatabase("plans"));
  db.Params().SetValues("user_name", "SYSDBA");
  db.Params().SetValues("lc_ctype", "UTF8");
  db.Open();
  TdmQuery q;
  q.SetDatabase(&db);
  q.SetConnected(true);
  struct Case {
    const char* sql;
    const char* plan;
    const char* tree;
  };
  const Case cases[] = {
      {"SELECT * FROM P WHERE NAME = 'x' AND V = 2 ORDER BY ID",
       "PLAN (P ORDER RDB$PRIMARY1 INDEX (IDX-X, IDX_\u00dc))",
       "E|PLAN (P ORDER RDB$PRIMARY1 INDEX (IDX-X, IDX_\u00dc))\n  T2|P\n    I|RDB$PRIMARY1\n    I|IDX-X\n"
       "    I|IDX_\u00dc"},
      {"SELECT * FROM N WHERE X = 1", "PLAN (N INDEX (idx lower))",
       "E|PLAN (N INDEX (idx lower))\n  T1|N\n    I|idx lower"},
      {"SELECT * FROM P WHERE V > 1 ORDER BY NAME", "PLAN (P ORDER IDX_\u00dc INDEX (IDX-X))",
       "E|PLAN (P ORDER IDX_\u00dc INDEX (IDX-X))\n  T2|P\n    I|IDX_\u00dc\n    I|IDX-X"},
      {"SELECT * FROM VPC WHERE W = 1", "PLAN JOIN (VPC C INDEX (IDX\"Q), VPC P INDEX (RDB$PRIMARY1))",
       "E|PLAN JOIN (VPC C INDEX (IDX\"Q), VPC P INDEX (RDB$PRIMARY1))\n  J0|JOIN\n    T1|VPC C\n      I|IDX\"Q\n"
       "    T1| VPC P\n      I|RDB$PRIMARY1"},
      {"SELECT * FROM (SELECT FIRST 5 P.ID, C.W FROM P JOIN C ON C.P_ID = P.ID ORDER BY C.W + 0) D "
       "JOIN C ON C.ID = D.ID JOIN N ON N.X = C.W",
       "PLAN JOIN (JOIN (SORT (JOIN (D C NATURAL, D P INDEX (RDB$PRIMARY1))), C INDEX (RDB$PRIMARY2)), "
       "N INDEX (idx lower))",
       "E|PLAN JOIN (JOIN (SORT (JOIN (D C NATURAL, D P INDEX (RDB$PRIMARY1))), C INDEX (RDB$PRIMARY2)), "
       "N INDEX (idx lower))\n  J0|JOIN\n    J0|JOIN\n      J1|SORT\n        J0|JOIN\n          T0|D C\n"
       "          T1| D P\n            I|RDB$PRIMARY1\n      T1| C\n        I|RDB$PRIMARY2\n    T1| N\n"
       "      I|idx lower"},
      {"SELECT * FROM (SELECT FIRST 5 P.ID FROM P JOIN C ON C.P_ID = P.ID ORDER BY C.W) D "
       "JOIN C ON C.ID = D.ID JOIN N ON N.ID = C.ID",
       "PLAN HASH (N NATURAL, JOIN (JOIN (D C ORDER IDX\"Q, D P INDEX (RDB$PRIMARY1)), C INDEX (RDB$PRIMARY2)))",
       "E|PLAN HASH (N NATURAL, JOIN (JOIN (D C ORDER IDX\"Q, D P INDEX (RDB$PRIMARY1)), C INDEX (RDB$PRIMARY2)))\n"
       "  J3|HASH\n    T0|N\n    J0|JOIN\n      J0|JOIN\n        T2|D C\n          I|IDX\"Q\n        T1| D P\n"
       "          I|RDB$PRIMARY1\n      T1| C\n        I|RDB$PRIMARY2"},
      {"SELECT * FROM (SELECT FIRST 5 ID FROM (SELECT ID FROM P UNION SELECT ID FROM C) ORDER BY 1) D "
       "JOIN P ON P.ID = D.ID",
       "PLAN JOIN (SORT (SORT (D P NATURAL, D C NATURAL)), P INDEX (RDB$PRIMARY1))",
       "E|PLAN JOIN (SORT (SORT (D P NATURAL, D C NATURAL)), P INDEX (RDB$PRIMARY1))\n  J0|JOIN\n    J1|SORT\n"
       "      J1|SORT\n        T0|D P\n        T0| D C\n    T1| P\n      I|RDB$PRIMARY1"},
      {"SELECT * FROM (SELECT ID FROM P UNION SELECT ID FROM C) U JOIN N ON N.ID = U.ID",
       "PLAN HASH (N NATURAL, SORT (U P NATURAL, U C NATURAL))",
       "E|PLAN HASH (N NATURAL, SORT (U P NATURAL, U C NATURAL))\n  J3|HASH\n    T0|N\n    J1|SORT\n"
       "      T0|U P\n      T0| U C"},
      {"SELECT * FROM (SELECT FIRST 5 * FROM N ORDER BY X + 0) D JOIN P ON P.ID = D.ID JOIN C ON C.P_ID = P.ID",
       "PLAN JOIN (SORT (D N NATURAL), JOIN (P INDEX (RDB$PRIMARY1), C INDEX (FK_C_P)))",
       "E|PLAN JOIN (SORT (D N NATURAL), JOIN (P INDEX (RDB$PRIMARY1), C INDEX (FK_C_P)))\n  J0|JOIN\n    J1|SORT\n"
       "      T0|D N\n    J0|JOIN\n      T1|P\n        I|RDB$PRIMARY1\n      T1| C\n        I|FK_C_P"},
      {"SELECT * FROM P WHERE P.ID IN (SELECT P_ID FROM C WHERE W = 1) ORDER BY V + 0",
       "PLAN (C INDEX (FK_C_P, IDX\"Q))\nPLAN SORT (P NATURAL)",
       "E|PLAN (C INDEX (FK_C_P, IDX\"Q))\n  T1|C\n    I|FK_C_P\n    I|IDX\"Q\nE|PLAN SORT (P NATURAL)\n  J1|SORT\n"
       "    T0|P"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    q.SetSQL(c.sql);
    q.PrepareOnly();
    ASSERT_EQ(q.Plan(), c.plan);
    TPlanParser parser;
    parser.SetPlanText(q.Plan());
    ASSERT_NO_THROW(parser.Parse());
    EXPECT_EQ(Dump(parser), c.tree);
    // Every name reaches the statistics query as the server knows it.
    for (const String& name : parser.IndexNames()) {
      EXPECT_NO_THROW(q.EnsureIndexStatistics(name)) << name;
      EXPECT_EQ(q.IndexStatistics()->FieldByName("INDEX_NAME")->AsString(), name);
    }
  }
}
