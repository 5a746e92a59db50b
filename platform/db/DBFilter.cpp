// The dataset's filter expressions: parsed once when Filter is set, evaluated per record.
#include "platform/db/DB.h"

#include "platform/core/DateUtils.h"
#include "platform/core/LikeMatch.h"
#include "platform/core/Utf8.h"

#include <cctype>
#include <optional>

struct TDataSet::FilterExpr {
  enum Kind { Field, Const, Cmp, IsNull, Like, And, Or, Not } kind = Const;
  enum Op { Eq, Ne, Lt, Le, Gt, Ge } op = Eq;
  String name;          // Field
  Variant value;        // Const
  bool negate = false;  // IS NOT NULL, NOT LIKE
  std::shared_ptr<FilterExpr> a, b;
  std::vector<std::shared_ptr<FilterExpr>> items;  // And, Or: the whole chain, flat
  int id = 0;                                      // place in a pass's slots
  int count = 0;                                   // the root: how many nodes the tree has
};

namespace {

class FilterParser {
public:
  explicit FilterParser(const String& text) : s(text) {}
  String s;
  size_t p = 0;
  int depth = 0;  // open parentheses
  // Parsing and evaluating recurse once per parenthesis; chains of AND, OR and NOT do not.
  static constexpr int kMaxDepth = 256;

  [[noreturn]] void Fail() const { DatabaseErrorFmt("Filter expression incorrectly formed: %s", {s}); }
  void Blanks() {
    while (p < s.size() && static_cast<unsigned char>(s[p]) <= ' ') ++p;
  }
  bool Word(const char* w) {
    Blanks();
    size_t n = std::strlen(w);
    if (s.size() - p < n || !SameText(s.substr(p, n), w)) return false;
    if (p + n < s.size() && (std::isalnum(static_cast<unsigned char>(s[p + n])) || s[p + n] == '_')) return false;
    p += n;
    return true;
  }
  bool Sym(const char* w) {
    Blanks();
    size_t n = std::strlen(w);
    if (s.compare(p, n, w) != 0) return false;
    p += n;
    return true;
  }
};
}  // namespace

namespace {
using FE = std::shared_ptr<TDataSet::FilterExpr>;
}

// Recursive descent: or := and {OR and}; and := not {AND not}; not := NOT not | cmp;
// cmp := operand [op operand | IS [NOT] NULL | [NOT] LIKE operand]; operand := field | const | (or).
static FE ParseOr(FilterParser& P);

static FE Make(TDataSet::FilterExpr::Kind k) {
  auto e = std::make_shared<TDataSet::FilterExpr>();
  e->kind = k;
  return e;
}

static FE ParseOperand(FilterParser& P) {
  P.Blanks();
  if (P.p >= P.s.size()) P.Fail();
  char c = P.s[P.p];
  if (c == '(') {
    if (++P.depth > FilterParser::kMaxDepth)
      DatabaseErrorFmt("Filter expression nested more than %d levels deep: %s", {FilterParser::kMaxDepth, P.s});
    ++P.p;
    FE e = ParseOr(P);
    if (!P.Sym(")")) P.Fail();
    --P.depth;
    return e;
  }
  if (c == '\'' || c == '"') {
    String text = AnsiExtractQuotedStr(P.s, P.p, c);
    FE e = Make(TDataSet::FilterExpr::Const);
    e->value = text;
    return e;
  }
  if (c == '[') {
    String name;
    ++P.p;
    for (;;) {
      if (P.p >= P.s.size()) P.Fail();
      if (P.s[P.p] == ']') {
        if (P.p + 1 < P.s.size() && P.s[P.p + 1] == ']') {
          name += ']';
          P.p += 2;
          continue;
        }
        ++P.p;
        break;
      }
      name += P.s[P.p++];
    }
    FE e = Make(TDataSet::FilterExpr::Field);
    e->name = name;
    return e;
  }
  if (std::isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '+' || c == '.') {
    size_t start = P.p++;
    while (P.p < P.s.size() && (std::isdigit(static_cast<unsigned char>(P.s[P.p])) || P.s[P.p] == '.' ||
                                P.s[P.p] == 'e' || P.s[P.p] == 'E'))
      ++P.p;
    String num = P.s.substr(start, P.p - start);
    FE e = Make(TDataSet::FilterExpr::Const);
    std::int64_t i;
    if (TryStrToInt64(num, i)) {
      e->value = Variant::FromInt64(i);
    } else {
      TFormatSettings fs = FormatSettings;
      fs.DecimalSeparator = '.';
      double d;
      if (!TryStrToFloat(num, d, fs)) P.Fail();
      e->value = d;
    }
    return e;
  }
  if (P.Word("NULL")) {
    FE e = Make(TDataSet::FilterExpr::Const);
    e->value = Null();
    return e;
  }
  if (P.Word("TRUE") || P.Word("FALSE")) {
    FE e = Make(TDataSet::FilterExpr::Const);
    e->value = SameText(P.s.substr(P.p - 4, 4), "TRUE");
    return e;
  }
  size_t start = P.p;
  while (P.p < P.s.size() && (std::isalnum(static_cast<unsigned char>(P.s[P.p])) || P.s[P.p] == '_' ||
                              P.s[P.p] == '$' || static_cast<unsigned char>(P.s[P.p]) >= 0x80))
    ++P.p;
  if (P.p == start) P.Fail();
  FE e = Make(TDataSet::FilterExpr::Field);
  e->name = P.s.substr(start, P.p - start);
  return e;
}

static FE ParseCmp(FilterParser& P) {
  FE left = ParseOperand(P);
  using K = TDataSet::FilterExpr;
  if (P.Word("IS")) {
    FE e = Make(K::IsNull);
    e->negate = P.Word("NOT");
    if (!P.Word("NULL")) P.Fail();
    e->a = left;
    return e;
  }
  size_t save = P.p;
  bool neg = P.Word("NOT");
  if (P.Word("LIKE")) {
    FE e = Make(K::Like);
    e->negate = neg;
    e->a = left;
    e->b = ParseOperand(P);
    return e;
  }
  P.p = save;
  static const struct {
    const char* sym;
    K::Op op;
  } ops[] = {{"<>", K::Ne}, {"<=", K::Le}, {">=", K::Ge}, {"=", K::Eq}, {"<", K::Lt}, {">", K::Gt}};
  for (const auto& o : ops)
    if (P.Sym(o.sym)) {
      FE e = Make(K::Cmp);
      e->op = o.op;
      e->a = left;
      e->b = ParseOperand(P);
      return e;
    }
  return left;
}

static FE ParseNot(FilterParser& P) {
  // NOT NOT x is x: a run of NOTs is counted, not nested.
  bool negate = false;
  while (P.Word("NOT")) negate = !negate;
  FE e = ParseCmp(P);
  if (!negate) return e;
  FE n = Make(TDataSet::FilterExpr::Not);
  n->a = e;
  return n;
}

// A chain a AND b AND c … (or OR) is one node holding its operands.
static FE ParseChain(FilterParser& P, const char* word, TDataSet::FilterExpr::Kind kind, FE (*operand)(FilterParser&)) {
  FE first = operand(P);
  if (!P.Word(word)) return first;
  FE e = Make(kind);
  e->items.push_back(first);
  do e->items.push_back(operand(P));
  while (P.Word(word));
  return e;
}

static FE ParseAnd(FilterParser& P) { return ParseChain(P, "AND", TDataSet::FilterExpr::And, ParseNot); }

static FE ParseOr(FilterParser& P) { return ParseChain(P, "OR", TDataSet::FilterExpr::Or, ParseAnd); }

std::shared_ptr<TDataSet::FilterExpr> TDataSet::ParseFilterText(const String& Text) {
  FilterParser P(Text);
  FE e = ParseOr(P);
  P.Blanks();
  if (P.p != P.s.size()) P.Fail();
  std::vector<FilterExpr*> todo{e.get()};
  while (!todo.empty()) {
    FilterExpr* x = todo.back();
    todo.pop_back();
    x->id = e->count++;
    if (x->a) todo.push_back(x->a.get());
    if (x->b) todo.push_back(x->b.get());
    for (const auto& item : x->items) todo.push_back(item.get());
  }
  return e;
}

namespace {
bool IsDateKind(const Variant& v) { return v.VarType() == varDate || v.VarType() == varSQLTimeStamp; }
}  // namespace

// Held for one pass over the records, so nothing in it outlives the fields it names. A slot per
// node of the expression: the field of a name, found on first use, and what a constant reads as.
struct TDataSet::FilterPass {
  struct Slot {
    TField* field = nullptr;
    signed char num = -1, date = -1;  // a quoted constant as a number / a date: -1 not tried yet
    double numValue = 0, dateValue = 0;
    bool hasText = false, hasPattern = false;
    String text;           // the constant as text (upper case when the case is ignored)
    TLikeMatcher pattern;  // the same read as a LIKE pattern
  };
  std::shared_ptr<const FilterExpr> expr;  // held, so that a new filter set meanwhile is seen as new
  unsigned fieldStamp = 0;
  bool caseInsensitive = false, partial = true;
  std::vector<Slot> slots;
  // Quoted numbers with a dot whatever the locale, and yyyy-mm-dd [hh:nn[:ss]] dates; made
  // when first needed.
  std::optional<TFormatSettings> dot, iso;

  // Starts over when the expression, the options or the field list changed since the last record.
  void Track(const std::shared_ptr<FilterExpr>& E, TFilterOptions Options, unsigned Stamp) {
    bool ci = Options.Contains(foCaseInsensitive), part = !Options.Contains(foNoPartialCompare);
    if (expr == E && fieldStamp == Stamp && caseInsensitive == ci && partial == part) return;
    expr = E;
    fieldStamp = Stamp;
    caseInsensitive = ci;
    partial = part;
    slots.assign(static_cast<size_t>(E->count), Slot{});
  }

  // A value read as a number for comparing with Other: quoted texts in a filter stand for dates
  // (as the locale writes them, or yyyy-mm-dd [hh:nn[:ss]]) and numbers when compared with those.
  bool TextAsNumber(const String& text, double& out) {
    if (TryStrToFloat(text, out)) return true;
    if (!dot) {
      dot = FormatSettings;
      dot->DecimalSeparator = '.';
    }
    return TryStrToFloat(text, out, *dot);
  }
  bool TextAsDate(const String& text, double& out) {
    TDateTime d;
    if (!TryStrToDateTime(text, d)) {
      if (!iso) {
        iso = FormatSettings;
        iso->ShortDateFormat = "yyyy/MM/dd";
        iso->DateSeparator = '-';
        iso->TimeSeparator = ':';
      }
      if (!TryStrToDateTime(text, d, *iso)) return false;
    }
    out = d;
    return true;
  }
  bool AsValueOfKind(const FilterExpr& E, const Variant& v, const Variant& Other, double& out) {
    const Variant& kind = v.IsStr() ? Other : v;
    bool numeric = kind.IsNumeric();
    if (!numeric && !IsDateKind(kind)) return false;
    if (!v.IsStr()) {
      out = IsDateKind(v) ? v.AsDateTime() : v.AsDouble();
      return true;
    }
    if (E.kind != FilterExpr::Const) {
      String text = Trim(VarToStr(v));
      return numeric ? TextAsNumber(text, out) : TextAsDate(text, out);
    }
    Slot& s = slots[static_cast<size_t>(E.id)];
    signed char& known = numeric ? s.num : s.date;
    double& value = numeric ? s.numValue : s.dateValue;
    if (known < 0) {
      String text = Trim(VarToStr(v));
      known = (numeric ? TextAsNumber(text, value) : TextAsDate(text, value)) ? 1 : 0;
    }
    out = value;
    return known == 1;
  }
  // A value as text for comparing and matching; a constant's is made once.
  const String& Text(const FilterExpr& E, const Variant& v, String& tmp) {
    if (E.kind == FilterExpr::Const) {
      Slot& s = slots[static_cast<size_t>(E.id)];
      if (!s.hasText) {
        s.text = caseInsensitive ? Utf8UpperCase(VarToStr(v)) : VarToStr(v);
        s.hasText = true;
      }
      return s.text;
    }
    tmp = caseInsensitive ? Utf8UpperCase(VarToStr(v)) : VarToStr(v);
    return tmp;
  }
  // LIKE: % any run of characters, _ one character; with the case ignored each text character
  // is compared by its upper case against the upper-cased pattern.
  const TLikeMatcher& Pattern(const FilterExpr& E, const Variant& v, TLikeMatcher& tmp) {
    TLikeMatcher::TRules rules;
    rules.FoldCase = caseInsensitive;
    String t;
    if (E.kind != FilterExpr::Const) {
      tmp.Prepare(Text(E, v, t), rules);
      return tmp;
    }
    Slot& s = slots[static_cast<size_t>(E.id)];
    if (!s.hasPattern) {
      s.pattern.Prepare(Text(E, v, t), rules);
      s.hasPattern = true;
    }
    return s.pattern;
  }
};

namespace {
struct Evaluator {
  using K = TDataSet::FilterExpr;
  const TDataSet* ds;
  TDataSet::FilterPass& pass;

  // A field's value is read into Tmp; a constant is used in place.
  const Variant& Value(const K& e, Variant& Tmp) const {
    if (e.kind == K::Field) {
      TField*& f = pass.slots[static_cast<size_t>(e.id)].field;
      if (!f) f = ds->FieldByName(e.name);
      return Tmp = f->Value();
    }
    if (e.kind == K::Const) return e.value;
    return Tmp = Eval(e);
  }

  bool Compare(const K& e) const {
    Variant ta, tb;
    const Variant& a = Value(*e.a, ta);
    const Variant& b = Value(*e.b, tb);
    if (VarIsNull(a) || VarIsNull(b)) {
      // Only "= NULL" / "<> NULL" have an answer; other comparisons with null fail.
      bool bothNull = VarIsNull(a) && VarIsNull(b);
      return e.op == K::Eq ? bothNull : e.op == K::Ne ? !bothNull : false;
    }
    int c;
    double x, y;
    if (a.IsStr() != b.IsStr() && pass.AsValueOfKind(*e.a, a, b, x) && pass.AsValueOfKind(*e.b, b, a, y)) {
      c = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.IsStr() || b.IsStr()) {
      String sa, sb;
      const String& x = pass.Text(*e.a, a, sa);
      const String& y = pass.Text(*e.b, b, sb);
      if (pass.partial && e.b->kind == K::Const && !y.empty() && y.back() == '*' && (e.op == K::Eq || e.op == K::Ne)) {
        bool m = x.compare(0, y.size() - 1, y, 0, y.size() - 1) == 0;
        return e.op == K::Eq ? m : !m;
      }
      c = x.compare(y);
    } else {
      try {
        c = VarCompare(a, b);
      } catch (const EVariantError&) {
        return false;
      }
    }
    switch (e.op) {
      case K::Eq: return c == 0;
      case K::Ne: return c != 0;
      case K::Lt: return c < 0;
      case K::Le: return c <= 0;
      case K::Gt: return c > 0;
      case K::Ge: return c >= 0;
    }
    return false;
  }

  bool Eval(const K& e) const {
    switch (e.kind) {
      case K::And:
        for (const auto& item : e.items)
          if (!Eval(*item)) return false;
        return true;
      case K::Or:
        for (const auto& item : e.items)
          if (Eval(*item)) return true;
        return false;
      case K::Not: return !Eval(*e.a);
      case K::Cmp: return Compare(e);
      case K::IsNull: {
        Variant t;
        return VarIsNull(Value(*e.a, t)) != e.negate;
      }
      case K::Like: {
        Variant ta, tb;
        const Variant& a = Value(*e.a, ta);
        const Variant& b = Value(*e.b, tb);
        if (VarIsNull(a) || VarIsNull(b)) return false;
        TLikeMatcher pb;
        const TLikeMatcher& pattern = pass.Pattern(*e.b, b, pb);
        if (const std::string* text = a.StringPtr()) return pattern.Matches(*text) != e.negate;
        return pattern.Matches(VarToStr(a)) != e.negate;
      }
      case K::Field: {
        Variant t;
        const Variant& v = Value(e, t);
        try {
          return !VarIsNull(v) && v.AsBoolean();
        } catch (const EVariantError&) {
          return false;
        }
      }
      case K::Const: return !VarIsClear(e.value) && e.value.AsBoolean();
    }
    return false;
  }
};
}  // namespace

bool TDataSet::EvalFilter(FilterPass& Pass) const {
  Pass.Track(fFilterExpr, fFilterOptions, fFields.fStamp);
  return Evaluator{this, Pass}.Eval(*fFilterExpr);
}

// Tests the records that arrived since the last call, in one pass.
void TDataSet::ExtendFilterView() const {
  int n = InternalRecordCount();
  if (fFilterScanned >= n) return;
  FilterPass pass;
  for (; fFilterScanned < n; ++fFilterScanned)
    if (Accepts(fFilterScanned, pass)) fFilterView.push_back(fFilterScanned);
}
