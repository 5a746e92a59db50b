// The dataset's filter expressions: parsed once when Filter is set, evaluated per record.
#include "platform/db/DB.h"

#include "platform/core/DateUtils.h"
#include "platform/core/Utf8.h"

#include <cctype>

struct TDataSet::FilterExpr {
  enum Kind { Field, Const, Cmp, IsNull, Like, And, Or, Not } kind = Const;
  enum Op { Eq, Ne, Lt, Le, Gt, Ge } op = Eq;
  String name;     // Field
  Variant value;   // Const
  bool negate = false;  // IS NOT NULL, NOT LIKE
  std::shared_ptr<FilterExpr> a, b;
};

namespace {


class FilterParser {
public:
  explicit FilterParser(const String& text) : s(text) {}
  String s;
  size_t p = 0;

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
    ++P.p;
    FE e = ParseOr(P);
    if (!P.Sym(")")) P.Fail();
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
  if (P.Word("NOT")) {
    FE e = Make(TDataSet::FilterExpr::Not);
    e->a = ParseNot(P);
    return e;
  }
  return ParseCmp(P);
}

static FE ParseAnd(FilterParser& P) {
  FE left = ParseNot(P);
  while (P.Word("AND")) {
    FE e = Make(TDataSet::FilterExpr::And);
    e->a = left;
    e->b = ParseNot(P);
    left = e;
  }
  return left;
}

static FE ParseOr(FilterParser& P) {
  FE left = ParseAnd(P);
  while (P.Word("OR")) {
    FE e = Make(TDataSet::FilterExpr::Or);
    e->a = left;
    e->b = ParseAnd(P);
    left = e;
  }
  return left;
}

std::shared_ptr<TDataSet::FilterExpr> TDataSet::ParseFilterText(const String& Text) {
  FilterParser P(Text);
  FE e = ParseOr(P);
  P.Blanks();
  if (P.p != P.s.size()) P.Fail();
  return e;
}

namespace {
// LIKE over characters: % any run, _ one character. On a mismatch only the last % takes one
// more character, which is enough (an earlier % could only do what the later one does), so
// the match takes at most text length times pattern length steps.
bool LikeMatch(const std::u32string& s, const std::u32string& pat) {
  size_t i = 0, j = 0;
  size_t star = std::u32string::npos, mark = 0;
  while (i < s.size()) {
    if (j < pat.size() && pat[j] == U'%') {
      star = j++;
      mark = i;
    } else if (j < pat.size() && (pat[j] == U'_' || pat[j] == s[i])) {
      ++i;
      ++j;
    } else if (star != std::u32string::npos) {
      j = star + 1;
      i = ++mark;
    } else {
      return false;
    }
  }
  while (j < pat.size() && pat[j] == U'%') ++j;
  return j == pat.size();
}
}  // namespace

namespace {
bool IsDateKind(const Variant& v) { return v.VarType() == varDate || v.VarType() == varSQLTimeStamp; }

// A value read as a number for comparing with Other: quoted texts in a filter stand for dates
// (as the locale writes them, or yyyy-mm-dd [hh:nn[:ss]]) and numbers when compared with those.
bool AsValueOfKind(const Variant& v, const Variant& Other, double& out) {
  const Variant& kind = v.IsStr() ? Other : v;
  if (!IsDateKind(kind) && !kind.IsNumeric()) return false;
  if (!v.IsStr()) {
    out = IsDateKind(v) ? v.AsDateTime() : v.AsDouble();
    return true;
  }
  String text = Trim(VarToStr(v));
  if (kind.IsNumeric()) {
    TFormatSettings fs = FormatSettings;
    fs.DecimalSeparator = '.';
    return TryStrToFloat(text, out) || TryStrToFloat(text, out, fs);
  }
  TDateTime d;
  TFormatSettings iso = FormatSettings;
  iso.ShortDateFormat = "yyyy/MM/dd";
  iso.DateSeparator = '-';
  iso.TimeSeparator = ':';
  if (!TryStrToDateTime(text, d) && !TryStrToDateTime(text, d, iso)) return false;
  out = d;
  return true;
}

struct Evaluator {
  const TDataSet* ds;
  bool caseInsensitive;
  bool partial;

  Variant Value(const TDataSet::FilterExpr& e) const {
    if (e.kind == TDataSet::FilterExpr::Field) return ds->FieldByName(e.name)->Value();
    if (e.kind == TDataSet::FilterExpr::Const) return e.value;
    return Eval(e);
  }

  bool Compare(const TDataSet::FilterExpr& e) const {
    using K = TDataSet::FilterExpr;
    Variant a = Value(*e.a), b = Value(*e.b);
    if (VarIsNull(a) || VarIsNull(b)) {
      // Only "= NULL" / "<> NULL" have an answer; other comparisons with null fail.
      bool bothNull = VarIsNull(a) && VarIsNull(b);
      return e.op == K::Eq ? bothNull : e.op == K::Ne ? !bothNull : false;
    }
    int c;
    double x, y;
    if (a.IsStr() != b.IsStr() && AsValueOfKind(a, b, x) && AsValueOfKind(b, a, y)) {
      c = x < y ? -1 : x > y ? 1 : 0;
    } else if (a.IsStr() || b.IsStr()) {
      String x = VarToStr(a), y = VarToStr(b);
      if (caseInsensitive) {
        x = Utf8UpperCase(x);
        y = Utf8UpperCase(y);
      }
      if (partial && e.b->kind == K::Const && !y.empty() && y.back() == '*' && (e.op == K::Eq || e.op == K::Ne)) {
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

  bool Eval(const TDataSet::FilterExpr& e) const {
    using K = TDataSet::FilterExpr;
    switch (e.kind) {
      case K::And: return Eval(*e.a) && Eval(*e.b);
      case K::Or: return Eval(*e.a) || Eval(*e.b);
      case K::Not: return !Eval(*e.a);
      case K::Cmp: return Compare(e);
      case K::IsNull: return VarIsNull(Value(*e.a)) != e.negate;
      case K::Like: {
        Variant a = Value(*e.a), b = Value(*e.b);
        if (VarIsNull(a) || VarIsNull(b)) return false;
        String x = VarToStr(a), y = VarToStr(b);
        if (caseInsensitive) {
          x = Utf8UpperCase(x);
          y = Utf8UpperCase(y);
        }
        return LikeMatch(Utf8ToUcs4(x), Utf8ToUcs4(y)) != e.negate;
      }
      case K::Field: {
        Variant v = Value(e);
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

bool TDataSet::EvalFilter(const FilterExpr& E) const {
  Evaluator ev{this, fFilterOptions.Contains(foCaseInsensitive), !fFilterOptions.Contains(foNoPartialCompare)};
  return ev.Eval(E);
}
