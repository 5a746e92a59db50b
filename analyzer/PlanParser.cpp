#include "analyzer/PlanParser.h"

#include <algorithm>

namespace {

const char* const kTooMuchRecursion =
    "Too much recursion in PLAN parser.  This is most likely caused by a bug in the parser, but it could "
    "conceivably be the result of a really complex PLAN.  Try increasing the \"Maximum parser recursion "
    "depth\" setting on the \"Advanced\" tab of the Options dialog.  If that does not fix the problem, "
    "it's probably a bug.  In case, please file a bug report.";

bool IsBoundary(char c) { return c == '\0' || c == '\n' || c == '\r' || c == ' ' || c == '(' || c == ')' || c == ','; }

bool IsKeywordChar(char c) { return (c >= 'A' && c <= 'Z') || c == '(' || c == ','; }

bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Where an index name that starts at `from` ends: the server prints names unquoted, so a name
// holds blanks, quotes, "-", "$" or any UTF-8 letter and runs to the "," or ")" after it, or,
// in index order, to the blanks before "INDEX (".
std::size_t IndexNameEnd(std::string_view t, std::size_t from, bool beforeIndexList) {
  for (std::size_t i = from; i < t.size(); ++i) {
    const char c = t[i];
    if (c == ',' || c == ')') return i;
    if (beforeIndexList && IsTrimmed(c)) {
      std::size_t k = i;
      while (k < t.size() && IsTrimmed(t[k])) ++k;
      if (t.compare(k, 5, "INDEX") == 0) {
        k += 5;
        while (k < t.size() && IsTrimmed(t[k])) ++k;
        if (k < t.size() && t[k] == '(') return i;
      }
    }
  }
  return t.size();
}

// The name without its line breaks (a wrapped display) and its surrounding blanks.
String CleanIndexName(std::string_view name) {
  while (!name.empty() && IsTrimmed(name.front())) name.remove_prefix(1);
  while (!name.empty() && IsTrimmed(name.back())) name.remove_suffix(1);
  return TPlanParser::StripLineBreaks(name, false);
}

// Every nesting of the parse passes through ParsePlanExpression. Servers nest far less (a
// statement has at most a few hundred streams); a raised budget must not let a contrived
// text run the recursion off the stack.
constexpr int kMaxNesting = 1000;

}  // namespace

// ---- nodes ----

TPlanNode* TPlanNodes::Add(std::unique_ptr<TPlanNode> node) {
  fItems.push_back(std::move(node));
  return fItems.back().get();
}

TPlanNode::TPlanNode(TPlanNode* parent) : fParent(parent), fLevel(parent ? parent->Level() + 1 : 0) {}

// ---- parser ----

TPlanParser::TPlanParser() : fStatement(std::make_unique<TPlanStatementNode>(nullptr)) {}

String TPlanParser::StripLineBreaks(std::string_view text, bool replace) {
  String result;
  result.reserve(text.size());
  for (char c : text) {
    if (c == '\r' || c == '\n') {
      if (replace) result += ' ';
    } else {
      result += c;
    }
  }
  return result;
}

TPlanParser::TTokenMatch TPlanParser::FindFirstToken(std::initializer_list<std::string_view> tokens,
                                                     std::string_view text) {
  // A character starts at most one token; the few tokens are looked up by their first
  // character (no table on the stack: this runs inside the parser's recursion).
  auto startingWith = [&tokens](char c) -> std::string_view {
    for (std::string_view t : tokens)
      if (!t.empty() && t[0] == c) return t;
    return {};
  };

  const std::size_t n = text.size();
  std::size_t i = 0;  // 0-based here; reported positions are 1-based
  while (i < n && !IsKeywordChar(text[i])) ++i;

  std::string_view candidate;
  std::size_t start = 0;
  std::size_t matched = 0;
  while (i < n) {
    if (candidate.empty()) {
      if (i == 0 || IsBoundary(text[i - 1])) {
        std::string_view t = startingWith(text[i]);
        if (!t.empty()) {
          candidate = t;
          start = i;
          matched = 1;
        }
      }
    } else if (matched < candidate.size() && candidate[matched] == text[i]) {
      ++matched;
    } else {
      candidate = {};
      i = start;  // resumes one character after the candidate's start
    }
    ++i;
    if (!candidate.empty() && matched == candidate.size()) {
      if (i >= n || candidate == "(" || IsBoundary(text[i])) return {candidate, static_cast<int>(i) + 1};
    }
    if (i < n && !IsKeywordChar(text[i])) candidate = {};
  }
  return {};
}

std::string_view TPlanParser::View(TRange r) const {
  if (r.Empty()) return {};
  return std::string_view(fPlanText).substr(r.Begin, r.End - r.Begin);
}

TPlanParser::TRange TPlanParser::CopyFrom(TRange r, std::ptrdiff_t p) const {
  if (p < 1) p = 1;
  std::size_t b = r.Begin + static_cast<std::size_t>(p - 1);
  if (b >= r.End) return {r.End, r.End};
  return {b, r.End};
}

char TPlanParser::At(TRange r, std::size_t offset) const {
  return offset < r.Length() ? fPlanText[r.Begin + offset] : '\0';
}

TPlanParser::TTokenMatch TPlanParser::Find(std::initializer_list<std::string_view> tokens, TRange r) const {
  return FindFirstToken(tokens, View(r));
}

void TPlanParser::Fail(std::string message) const { throw EPlanParserError(std::move(message), fPlanText); }

void TPlanParser::FailJoinText(std::string_view name) const {
  Fail("TPlanParser.ParsePlanJoin: Unrecognized Text: \"" + String(name) + "\"");
}

void TPlanParser::TakeUnit() {
  ++fUnitsUsed;
  if (fUnitCap > 0) {
    if (fUnitsUsed >= fUnitCap) Fail(kTooMuchRecursion);
  } else if (--fBudget == 0) {
    Fail(kTooMuchRecursion);
  }
}

template <class T>
T* TPlanParser::AddNode(TPlanNode* parent, String text) {
  auto node = std::make_unique<T>(parent);
  node->SetText(std::move(text));
  return static_cast<T*>(parent->Children().Add(std::move(node)));
}

void TPlanParser::Parse() {
  fBudget = fMaxDepth;
  fUnitsUsed = 0;
  fNesting = 0;
  // A parse that makes progress uses far fewer units than this; the cap ends one that does
  // not when the budget would never reach 0 (0 or below) or would first fill the memory.
  const std::int64_t cap = 100 + 16 * static_cast<std::int64_t>(fPlanText.size());
  fUnitCap = (fMaxDepth <= 0 || fMaxDepth > cap) ? cap : 0;
  fIndexNames.clear();
  fStatement->Children().Clear();
  fStatement->SetText(fSQL);

  TRange rest{0, fPlanText.size()};
  while (!rest.Empty()) {
    TakeUnit();
    TTokenMatch m = Find({"PLAN", "(", "MERGE", "JOIN", "SORT", "HASH"}, rest);
    if (m.Position < 0) {
      rest = {rest.End, rest.End};
      break;
    }
    const bool isPlan = m.Token == "PLAN";
    const std::ptrdiff_t end = isPlan ? m.Position : 0;
    const std::size_t clauseStart = isPlan ? rest.Begin + static_cast<std::size_t>(m.Position) - 5 : rest.Begin;
    auto* expression = AddNode<TPlanExpressionNode>(fStatement.get(), String());
    rest = ParsePlanExpression(expression, CopyFrom(rest, end + 1));
    const std::size_t clauseEnd = std::max(rest.Begin, clauseStart);
    expression->SetText(
        StripLineBreaks(std::string_view(fPlanText).substr(clauseStart, clauseEnd - clauseStart), true));
  }
}

TPlanParser::TRange TPlanParser::ParsePlanExpression(TPlanNode* node, TRange text) {
  TakeUnit();
  struct TNesting {
    int& Depth;
    explicit TNesting(int& depth) : Depth(++depth) {}
    ~TNesting() { --Depth; }
  } nesting(fNesting);
  if (fNesting > kMaxNesting) Fail(kTooMuchRecursion);
  TTokenMatch m = Find({"JOIN", "SORT", "MERGE", "(", "HASH"}, text);
  const std::ptrdiff_t p = m.Position;
  TRange rest = text;
  if (m.Token == "JOIN" || m.Token == "MERGE" || m.Token == "HASH") {
    rest = ParsePlanJoin(node, m.Token, CopyFrom(text, p + 1));
  } else if (m.Token == "SORT") {
    rest = ParseSort(node, CopyFrom(text, p - 4));
  } else if (m.Token == "(") {
    rest = ParsePlanItem(node, CopyFrom(text, p - 1));
  }
  return rest;
}

// Kept out of ParsePlanExpression, whose frame is on the stack once per nesting level. The text
// starts at the word SORT.
TPlanParser::TRange TPlanParser::ParseSort(TPlanNode* node, TRange text) {
  const std::size_t paren = View(text).find('(');
  const std::size_t open = paren == std::string_view::npos ? text.End : text.Begin + paren;
  std::size_t k = open + 1;
  while (k < text.End && IsTrimmed(fPlanText[k])) ++k;
  if (k >= text.End) return ParsePlanJoin(node, "SORT", {text.End, text.End});
  // Older servers wrap a sorted read list in parentheses of its own, SORT ((A NATURAL)), and
  // print a sort merge as SORT (MERGE (...)); the group's own ")" then closes after the inner
  // one. Any other SORT (...) holds a list of reads and groups, as SORT (A NATURAL, B NATURAL).
  std::string_view name = "SORT";
  TRange inner{text.End, text.End};
  if (k < text.End && fPlanText[k] == '(') {
    inner = {k, text.End};
  } else if (text.End - k > 5 && fPlanText.compare(k, 5, "MERGE") == 0) {
    std::size_t q = k + 5;
    while (q < text.End && IsTrimmed(fPlanText[q])) ++q;
    if (q < text.End && fPlanText[q] == '(') {
      inner = {q, text.End};
      name = "SORT MERGE";
    }
  }
  if (inner.Empty()) return ParsePlanJoin(node, "SORT", {open, text.End});
  TRange rest = ParsePlanJoin(node, name, inner);
  std::size_t r = rest.Begin;
  while (r < rest.End && IsTrimmed(fPlanText[r])) ++r;
  if (r < rest.End && fPlanText[r] == ')') rest.Begin = r + 1;
  return rest;
}

TPlanParser::TRange TPlanParser::ParsePlanJoin(TPlanNode* node, std::string_view name, TRange text) {
  TakeUnit();
  auto* join = AddNode<TPlanJoinTypeNode>(node, String(name));
  if (name == "JOIN")
    join->JoinKind = 0;
  else if (name == "SORT")
    join->JoinKind = 1;
  else if (name == "SORT MERGE" || name == "MERGE")
    join->JoinKind = 2;
  else if (name == "HASH")
    join->JoinKind = 3;
  else
    FailJoinText(name);
  return ParsePlanExpression(join, text);
}

TPlanParser::TRange TPlanParser::ParsePlanItem(TPlanNode* node, TRange text) {
  TakeUnit();
  TRange rest = CopyFrom(text, 2);  // drops the "("
  for (;;) {
    rest = ParseTableSpecifier(node, rest);
    if (At(rest, 0) != ',') break;
    // A list may end on an empty element, as in (T X NATURAL, ).
    std::size_t k = rest.Begin + 1;
    while (k < rest.End && IsTrimmed(fPlanText[k])) ++k;
    if (k < rest.End && fPlanText[k] == ')') {
      rest.Begin = k;
      break;
    }
  }
  if (At(rest, 0) == ')') rest.Begin += 1;
  return rest;
}

TPlanParser::TRange TPlanParser::ParseTableSpecifier(TPlanNode* node, TRange text) {
  TakeUnit();
  const std::ptrdiff_t start = At(text, 0) == ',' ? 2 : 1;
  const TRange element = CopyFrom(text, start);
  if (At(element, 0) != '"') {
    const TRange window{element.Begin, std::min(element.End, element.Begin + 6)};
    const TTokenMatch nested = Find({"JOIN", "SORT", "MERGE", "(", "HASH"}, window);
    if (nested.Token == "SORT") {
      const std::size_t word = element.Begin + static_cast<std::size_t>(nested.Position) - 5;
      return ParseSort(node, {word, element.End});
    }
    if (nested.Position >= 0) return ParsePlanJoin(node, nested.Token, CopyFrom(element, nested.Position));
  }
  return ParseTableRead(node, text, start);
}

// The table read itself, out of ParseTableSpecifier's frame, which is on the stack once per
// nesting level: nothing below it nests again.
TPlanParser::TRange TPlanParser::ParseTableRead(TPlanNode* node, TRange text, std::ptrdiff_t start) {
  const TRange element = CopyFrom(text, start);
  String alias;
  TTokenMatch keyword;
  TRange searched = text;  // the keyword's position counts in this range
  if (At(element, 0) == '"') {
    const std::string_view e = View(element);
    const std::size_t close = e.find('"', 1);
    alias = String(e.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
    // The keyword follows the closing quote; a keyword inside the quotes is part of the alias.
    searched = close == std::string_view::npos ? TRange{element.End, element.End}
                                               : TRange{element.Begin + close + 1, element.End};
    keyword = Find({"NATURAL", "INDEX", "ORDER"}, searched);
  } else {
    keyword = Find({"NATURAL", "INDEX", "ORDER"}, text);
    if (keyword.Position < 0)
      Fail(
          "TPlanParser.ParsePlanItem: Unrecognized PLAN syntax -- \"NATURAL\", \"INDEX\" or \"ORDER\" not "
          "found after alias: " +
          String(View(text)));
    const std::ptrdiff_t keywordStart = keyword.Position - static_cast<std::ptrdiff_t>(keyword.Token.size());
    const std::ptrdiff_t aliasEnd = keywordStart - 2;  // the blank before the keyword is left out
    if (aliasEnd >= start)
      alias = String(
          View(text).substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(aliasEnd - start + 1)));
  }

  auto* table = AddNode<TPlanTableSpecifier>(node, std::move(alias));
  if (keyword.Token == "NATURAL") {
    table->AccessKind = 0;
    return CopyFrom(searched, keyword.Position);
  }
  if (keyword.Token == "INDEX") {
    table->AccessKind = 1;
    TRange after = CopyFrom(searched, keyword.Position);
    const std::size_t paren = View(after).find('(');
    return ParseIndexList(table,
                          paren == std::string_view::npos ? TRange{after.End, after.End} : CopyFrom(after, paren + 2));
  }
  if (keyword.Token == "ORDER") {
    table->AccessKind = 2;
    TRange at = CopyFrom(searched, keyword.Position);
    if (At(at, 0) == ' ') at.Begin += 1;
    const std::string_view a = View(at);
    String indexName;
    std::size_t next = IndexNameEnd(a, 0, true);
    if (!a.empty() && a[0] == '"') {
      // An old server's quoted name; an unclosed quote runs to where the name would end.
      const std::size_t close = a.find('"', 1);
      const std::size_t after = close == std::string_view::npos ? a.size() : close + 1;
      std::size_t j = after;
      while (j < a.size() && IsTrimmed(a[j])) ++j;
      const bool nameEnds = j == a.size() || a[j] == ',' || a[j] == ')' || a.compare(j, 5, "INDEX") == 0;
      if (close != std::string_view::npos && nameEnds) {
        indexName = StripLineBreaks(a.substr(1, close - 1), false);
        next = after;
      } else if (close == std::string_view::npos) {
        indexName = CleanIndexName(a.substr(1, next - 1));
      } else {
        indexName = CleanIndexName(a.substr(0, next));
      }
    } else {
      indexName = CleanIndexName(a.substr(0, next));
    }
    AddNode<TPlanTableIndex>(table, indexName);
    fIndexNames.insert(indexName);
    TRange rest = CopyFrom(at, static_cast<std::ptrdiff_t>(next) + 1);
    // A read in index order may also use indexes for its filter: ORDER X INDEX (Y, Z).
    std::size_t k = rest.Begin;
    while (k < rest.End && IsTrimmed(fPlanText[k])) ++k;
    if (k > rest.Begin && rest.End - k > 5 && fPlanText.compare(k, 5, "INDEX") == 0) {
      std::size_t q = k + 5;
      while (q < rest.End && IsTrimmed(fPlanText[q])) ++q;
      if (q < rest.End && fPlanText[q] == '(') return ParseIndexList(table, {q + 1, rest.End});
    }
    return rest;
  }
  Fail("TPlanParser.ParseTableSpecifier: Unknown token \"");
}

TPlanParser::TRange TPlanParser::ParseIndexList(TPlanNode* table, TRange list) {
  // An index list that runs to the end of the text ends there, without an empty name.
  do {
    if (list.Empty()) return list;
    list = ParseIndexName(table, list);
  } while (At(list, 0) != ')');
  return CopyFrom(list, 2);
}

TPlanParser::TRange TPlanParser::ParseIndexName(TPlanNode* table, TRange text) {
  TakeUnit();
  const std::string_view t = View(text);
  std::size_t start = !t.empty() && t[0] == ',' ? 1 : 0;
  while (start < t.size() && IsTrimmed(t[start])) ++start;
  // An entry that opens a parenthesis is no name: it adds an empty one and makes no progress,
  // so that the budget ends the parse.
  std::size_t e = start < t.size() && t[start] == '(' ? start : IndexNameEnd(t, start, false);
  const String name = CleanIndexName(t.substr(start, e - start));
  AddNode<TPlanTableIndex>(table, name);
  fIndexNames.insert(name);
  if (e < t.size() && t[e] == ',') ++e;
  TRange rest{std::min(text.Begin + e, text.End), text.End};
  while (!rest.Empty() && IsTrimmed(fPlanText[rest.Begin])) ++rest.Begin;
  while (!rest.Empty() && IsTrimmed(fPlanText[rest.End - 1])) --rest.End;
  if (rest.Empty()) rest = {rest.Begin, rest.Begin};
  return rest;
}
