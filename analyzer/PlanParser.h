#pragma once
// The PLAN text of a prepared statement as a tree: statement, one expression per PLAN clause,
// join types, table reads and the indexes they use.

#include <cstddef>
#include <memory>
#include <set>
#include <string_view>
#include <vector>

#include "platform/core/SysUtils.h"
#include "platform/core/WinTypes.h"

class TPlanNode;

// An owning, ordered list of child nodes; freeing the list frees the subtrees.
class TPlanNodes {
public:
  int Count() const { return static_cast<int>(fItems.size()); }
  TPlanNode* Items(int index) const { return fItems.at(static_cast<std::size_t>(index)).get(); }
  TPlanNode* operator[](int index) const { return Items(index); }
  TPlanNode* Add(std::unique_ptr<TPlanNode> node);
  void Clear() { fItems.clear(); }

private:
  std::vector<std::unique_ptr<TPlanNode>> fItems;
};

class TPlanNode {
public:
  explicit TPlanNode(TPlanNode* parent);
  virtual ~TPlanNode() = default;
  TPlanNode(const TPlanNode&) = delete;
  TPlanNode& operator=(const TPlanNode&) = delete;

  const String& Text() const { return fText; }
  void SetText(String text) { fText = std::move(text); }
  TPlanNode* Parent() const { return fParent; }
  std::int32_t Level() const { return fLevel; }
  TPlanNodes& Children() { return fChildren; }
  const TPlanNodes& Children() const { return fChildren; }

private:
  String fText;
  TPlanNode* fParent;
  std::int32_t fLevel;
  TPlanNodes fChildren;
};

// Root: the SQL text; one expression node per PLAN clause below it.
class TPlanStatementNode : public TPlanNode {
public:
  using TPlanNode::TPlanNode;
};

// One PLAN clause, from the word PLAN to its end, line breaks as blanks.
class TPlanExpressionNode : public TPlanNode {
public:
  using TPlanNode::TPlanNode;
};

// "JOIN" 0, "SORT" 1, "MERGE" and "SORT MERGE" 2, "HASH" 3.
class TPlanJoinTypeNode : public TPlanNode {
public:
  using TPlanNode::TPlanNode;
  BYTE JoinKind = 0;
};

// A table read; the text is the alias. NATURAL 0, INDEX 1, ORDER 2.
class TPlanTableSpecifier : public TPlanNode {
public:
  using TPlanNode::TPlanNode;
  BYTE AccessKind = 0;
};

// An index named by a table read.
class TPlanTableIndex : public TPlanNode {
public:
  using TPlanNode::TPlanNode;
};

class EPlanParserError : public Exception {
public:
  EPlanParserError(std::string message, String plan) : Exception(std::move(message)), fPlan(std::move(plan)) {}
  const char* ClassName() const override { return "EPlanParserError"; }
  // The PLAN text that was being parsed.
  const String& Plan() const { return fPlan; }

private:
  String fPlan;
};

class TPlanParser {
public:
  TPlanParser();

  void Parse();

  const String& PlanText() const { return fPlanText; }
  void SetPlanText(String text) { fPlanText = std::move(text); }
  const String& SQL() const { return fSQL; }
  void SetSQL(String sql) { fSQL = std::move(sql); }
  std::int32_t MaxDepth() const { return fMaxDepth; }
  void SetMaxDepth(std::int32_t depth) { fMaxDepth = depth; }
  TPlanStatementNode* Statement() const { return fStatement.get(); }
  // Sorted, without duplicates: every index name met in the last parse.
  const std::set<String>& IndexNames() const { return fIndexNames; }

  // Every CR and LF turned into a blank (replace) or removed.
  static String StripLineBreaks(std::string_view text, bool replace);

  // The first of the tokens found in the text, as a keyword at a word start (and, except "(",
  // a word end), and the 1-based position just after it; an empty token and -1 when none.
  // The tokens' first characters must differ.
  struct TTokenMatch {
    std::string_view Token;
    int Position = -1;
  };
  static TTokenMatch FindFirstToken(std::initializer_list<std::string_view> tokens, std::string_view text);

private:
  // A piece of the PLAN text: [Begin, End) in byte offsets. The routines hand such ranges to
  // each other instead of copies, so that a long PLAN stays linear.
  struct TRange {
    std::size_t Begin;
    std::size_t End;
    bool Empty() const { return Begin >= End; }
    std::size_t Length() const { return Empty() ? 0 : End - Begin; }
  };

  std::string_view View(TRange r) const;
  // The text from the 1-based position p of r (empty when p lies past its end).
  TRange CopyFrom(TRange r, std::ptrdiff_t p) const;
  char At(TRange r, std::size_t offset) const;  // 0-based; NUL past the end
  TTokenMatch Find(std::initializer_list<std::string_view> tokens, TRange r) const;

  void TakeUnit();
  [[noreturn]] void Fail(std::string message) const;
  [[noreturn, gnu::noinline]] void FailJoinText(std::string_view name) const;
  template <class T>
  T* AddNode(TPlanNode* parent, String text);

  TRange ParsePlanExpression(TPlanNode* node, TRange text);
  TRange ParsePlanJoin(TPlanNode* node, std::string_view name, TRange text);
  TRange ParsePlanItem(TPlanNode* node, TRange text);
  TRange ParseTableSpecifier(TPlanNode* node, TRange text);
  // Out of line: they keep the frames of the nesting routines small.
  [[gnu::noinline]] TRange ParseSort(TPlanNode* node, TRange text);
  [[gnu::noinline]] TRange ParseTableRead(TPlanNode* node, TRange text, std::ptrdiff_t start);
  TRange ParseIndexList(TPlanNode* table, TRange list);
  TRange ParseIndexName(TPlanNode* table, TRange text);

  String fPlanText;
  String fSQL;
  std::int32_t fMaxDepth = 200;
  std::unique_ptr<TPlanStatementNode> fStatement;
  std::set<String> fIndexNames;

  std::int64_t fBudget = 0;
  std::int64_t fUnitsUsed = 0;
  std::int64_t fUnitCap = 0;  // 0: no cap
  int fNesting = 0;
};
