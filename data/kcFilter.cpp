#include "data/kcFilter.h"

#include <algorithm>
#include <memory>

#include "platform/core/Utf8.h"

// ---- Display-text hook -----------------------------------------------------------------------

namespace {
TkcDisplayTextHook gDisplayTextHook = nullptr;
}

void SetFilterDisplayTextHook(TkcDisplayTextHook AHook) { gDisplayTextHook = AHook; }
TkcDisplayTextHook GetFilterDisplayTextHook() { return gDisplayTextHook; }

namespace {
// Runs `work` as one update of the criteria, so that its changes notify once; the update ends
// also when the work fails.
template <class F>
void InUpdate(TkcFilterCriteria& criteria, F&& work) {
  criteria.BeginUpdate();
  try {
    work();
  } catch (...) {
    criteria.EndUpdate();
    throw;
  }
  criteria.EndUpdate();
}
}  // namespace

String TranslateDisplayText(const String& Text) { return gDisplayTextHook ? gDisplayTextHook(Text) : Text; }

// ---- LIKE ------------------------------------------------------------------------------------

void TkcLikePattern::Prepare(std::string_view Pattern, char32_t PercentChar, char32_t UnderscoreChar,
                             char32_t EscapeChar, bool FoldCase) {
  fPrepared = false;
  fRules = {PercentChar, UnderscoreChar, EscapeChar, true, FoldCase};
  fMatcher.Prepare(Pattern, fRules);
  fSource.assign(Pattern);
  fPrepared = true;
}

bool TkcLikePattern::PreparedFor(std::string_view Pattern, char32_t PercentChar, char32_t UnderscoreChar,
                                 char32_t EscapeChar, bool FoldCase) const {
  return PreparedWith(PercentChar, UnderscoreChar, EscapeChar, FoldCase) && fSource == Pattern;
}

bool TkcLikePattern::PreparedWith(char32_t PercentChar, char32_t UnderscoreChar, char32_t EscapeChar,
                                  bool FoldCase) const {
  return fPrepared && fRules.Percent == PercentChar && fRules.Underscore == UnderscoreChar &&
         fRules.Escape == EscapeChar && fRules.FoldCase == FoldCase;
}

bool MatchLikePattern(const String& Text, const String& Pattern, char32_t PercentChar, char32_t UnderscoreChar,
                      char32_t EscapeChar) {
  TkcLikePattern pattern;
  pattern.Prepare(Pattern, PercentChar, UnderscoreChar, EscapeChar);
  return pattern.Matches(Text);
}

void CollapseDoubledWildcard(String& Text, char32_t WildcardChar) {
  String out;
  out.reserve(Text.size());
  bool previousWasWildcard = false;
  for (std::size_t pos = 0; pos < Text.size();) {
    std::size_t start = pos;
    char32_t c = Utf8Decode(Text, pos);
    bool wildcard = c == WildcardChar;
    if (!(wildcard && previousWasWildcard)) out.append(Text, start, pos - start);
    previousWasWildcard = wildcard;
  }
  Text = std::move(out);
}

int ClassifyLikePattern(String& Text, char32_t WildcardChar) {
  CollapseDoubledWildcard(Text, WildcardChar);
  std::u32string chars = Utf8ToUcs4(Text);
  if (chars.size() < 2) return 0;
  bool first = chars.front() == WildcardChar;
  bool last = chars.back() == WildcardChar;
  if (last) chars.pop_back();
  if (first) chars.erase(chars.begin());
  Text = Ucs4ToUtf8(chars);
  return (last ? 1 : 0) + (first ? 2 : 0);
}

// ---- Text routines ---------------------------------------------------------------------------

String ExtractSemicolonItem(const String& Text, int& Position) {
  int length = static_cast<int>(Text.size());
  int start = std::max(Position, 1);
  int i = start;
  while (i <= length && Text[static_cast<std::size_t>(i - 1)] != ';') ++i;
  String item = Trim(Text.substr(static_cast<std::size_t>(std::min(start, length + 1) - 1),
                                 static_cast<std::size_t>(std::max(i - start, 0))));
  Position = i <= length ? i + 1 : i;
  return item;
}

Variant SplitPairText(const String& Text) {
  int position = 1;
  String first = ExtractSemicolonItem(Text, position);
  String second = position <= static_cast<int>(Text.size()) ? ExtractSemicolonItem(Text, position) : String();
  return CreateVariantPair(first, second);
}

Variant SplitListText(const String& Text) {
  if (Text.empty()) return Variant("");
  std::vector<Variant> items;
  int position = 1;
  while (position <= static_cast<int>(Text.size())) items.emplace_back(ExtractSemicolonItem(Text, position));
  return Variant::MakeArray(std::move(items));
}

String ValueDisplayText(const Variant& Value) {
  return Value.IsNull() ? TranslateDisplayText("blank") : VarToStr(Value);
}

// ---- Operators -------------------------------------------------------------------------------

namespace {

// The integer kinds whose values all compare as signed 64-bit numbers.
bool IsInt64Kind(TVarType AType) {
  switch (AType) {
    case varShortInt:
    case varByte:
    case varSmallint:
    case varWord:
    case varInteger:
    case varLongWord:
    case varInt64: return true;
    default: return false;
  }
}

// The items of a list value: a scalar counts as a list of one.
std::vector<Variant> ListItems(const Variant& Value) {
  std::vector<Variant> items;
  if (Value.IsArray()) {
    for (int i = 0, n = Value.ArrayCount(); i < n; ++i) items.push_back(Value.GetItem(i));
  } else {
    items.push_back(Value);
  }
  return items;
}

bool IsPair(const Variant& Value) { return Value.IsArray() && Value.ArrayCount() == 2; }

}  // namespace

TkcFilterCriteria* TkcFilterOperator::Criteria() const { return fCriteriaItem->GetCriteria(); }

bool TkcFilterOperator::MatchesDataValue(const Variant& V, const Variant& C) {
  TkcFilterCriteria* criteria = Criteria();
  if (!criteria) return Matches(V, C);
  Variant& r = fCriteriaItem->fPreparedDataValue;
  criteria->PrepareValue(V, r);
  if (criteria->Options().Contains(fcoIgnoreNull) && !IsNullTest() && criteria->ValueIsNull(r)) return false;
  return Matches(r, C);
}

String TkcFilterOperator::FieldName() const { return fCriteriaItem->GetFieldName(); }

bool TkcFilterOperator::ShowsDescription() const {
  TkcFilterCriteria* criteria = Criteria();
  return criteria && criteria->Options().Contains(fcoShowOperatorDescription);
}

String TkcFilterOperator::FormattedValue(const Variant& Value) {
  String text;
  FormatValue(Value, text);
  return text;
}

String TkcFilterOperator::GetOwnExpression(const Variant& Value) { return FormattedValue(Value); }

void TkcFilterOperator::FormatValue(const Variant& Value, String& Text) {
  if (FormatArrayValue(Value, Text)) return;
  TkcFilterCriteria* criteria = Criteria();
  TVarType kind = Value.VarType() & varTypeMask;
  if (Value.IsArray()) {
    // No operator writes this array itself: list its items rather than fail the whole text.
    String items;
    for (const Variant& item : ListItems(Value)) items += (items.empty() ? "" : ", ") + FormattedValue(item);
    Text = "(" + items + ")";
  } else if (Value.IsStr()) {
    Text = QuotedStr(Value.AsString());
  } else if (IsDateVarType(kind)) {
    Text = "'" + (criteria ? criteria->DateValueText(Value) : VarToStr(Value)) + "'";
  } else if (kind == varBoolean) {
    Text = criteria ? criteria->BooleanValueText(Value) : VarToStr(Value);
  } else if (Value.IsNull()) {
    Text = "NULL";
  } else {
    Text = VarToStr(Value);
  }
  if (criteria) criteria->DoFormatFilterTextValue(fCriteriaItem, Value, Text);
}

// Equal and NotEqual.

bool TkcFilterEqualOperator::Matches(const Variant& R, const Variant& C) { return CompareVariants(R, C) == 0; }
String TkcFilterEqualOperator::GetDisplayWord() { return TranslateDisplayText("equals"); }
bool TkcFilterEqualOperator::HasOwnExpression() { return CriteriaItem()->Value().IsArray(); }

String TkcFilterEqualOperator::GetOwnExpression(const Variant& Value) {
  if (!Value.IsArray()) return inherited::GetOwnExpression(Value);
  String names = FieldName(), text;
  int position = 1;
  for (int i = 0, n = Value.ArrayCount(); i < n; ++i) {
    String name = ExtractSemicolonItem(names, position);
    if (i > 0) text += " AND ";
    text += "(" + name + " = " + FormattedValue(Value.GetItem(i)) + ")";
  }
  return text;
}

String TkcFilterNotEqualOperator::GetDisplayWord() { return TranslateDisplayText("does not equal"); }
String TkcFilterNotEqualOperator::GetOwnExpression(const Variant& Value) {
  return "NOT (" + inherited::GetOwnExpression(Value) + ")";
}

String TkcFilterLessOperator::GetDisplayWord() { return TranslateDisplayText("is less than"); }
String TkcFilterLessEqualOperator::GetDisplayWord() { return TranslateDisplayText("is less than or equal to"); }
String TkcFilterGreaterOperator::GetDisplayWord() { return TranslateDisplayText("is greater than"); }
String TkcFilterGreaterEqualOperator::GetDisplayWord() { return TranslateDisplayText("is greater than or equal to"); }

// Like and NotLike.

TkcFilterLikeOperator::TKeptPattern& TkcFilterLikeOperator::PatternFor(const Variant& C, bool FoldCase) {
  TkcFilterCriteria* criteria = Criteria();
  char32_t percent = criteria ? criteria->PercentWildcard() : U'%';
  char32_t underscore = criteria ? criteria->UnderscoreWildcard() : U'_';
  // The record evaluation passes the condition's prepared value, which stays while its
  // generation does: then the pattern needs neither reading nor comparing. Other callers' values
  // are compared with the kept pattern and read again only when they differ.
  TkcFilterCriteriaItem* item = CriteriaItem();
  TKeptPattern& kept = FoldCase ? fFoldedPattern : fPattern;
  const bool fromItem = &C == &item->fPreparedValue;
  if (!fromItem || !kept.FromItem || kept.Generation != item->fPreparedGeneration ||
      !kept.Pattern.PreparedWith(percent, underscore, 0, FoldCase)) {
    String pattern = VarToStr(C);
    kept.FromItem = false;  // stays so if preparing fails
    if (!kept.Pattern.PreparedFor(pattern, percent, underscore, 0, FoldCase))
      kept.Pattern.Prepare(pattern, percent, underscore, 0, FoldCase);
    kept.FromItem = fromItem && item->fPreparedGeneration != 0;
    kept.Generation = item->fPreparedGeneration;
  }
  return kept;
}

bool TkcFilterLikeOperator::Matches(const Variant& R, const Variant& C) {
  const TkcLikePattern& pattern = PatternFor(C, false).Pattern;
  if (const std::string* text = R.StringPtr()) return pattern.Matches(*text);
  return pattern.Matches(VarToStr(R));
}

bool TkcFilterLikeOperator::MatchesDataValue(const Variant& V, const Variant& C) {
  const std::string* text = V.StringPtr();
  TkcFilterCriteriaItem* item = CriteriaItem();
  // Within one criteria change the kept pattern still stands for the prepared value (any other
  // caller's pattern clears FromItem).
  if (text && fRecordPattern && fRecordPattern->FromItem && fRecordPattern->Generation == item->fPreparedGeneration &&
      &C == &item->fPreparedValue && !fRecordIgnoresNull)
    return fRecordPattern->Pattern.Matches(*text) != fRecordNegated;
  TkcFilterCriteria* criteria = Criteria();
  if (!text || !criteria) return inherited::MatchesDataValue(V, C);
  fRecordPattern = nullptr;
  TKeptPattern& kept = PatternFor(C, criteria->Options().Contains(fcoCaseInsensitive));
  fRecordPattern = &kept;
  fRecordIgnoresNull = criteria->Options().Contains(fcoIgnoreNull);
  fRecordNegated = Negated();
  // Upper case changes no text's emptiness, so the null test reads the value as it is.
  if (fRecordIgnoresNull && criteria->ValueIsNull(V)) return false;
  return kept.Pattern.Matches(*text) != fRecordNegated;
}

int TkcFilterLikeOperator::PatternKind() const {
  const Variant& value = CriteriaItem()->Value();
  if (value.IsArray()) return 0;
  String text = VarToStr(value);
  TkcFilterCriteria* criteria = Criteria();
  return ClassifyLikePattern(text, criteria ? criteria->PercentWildcard() : U'%');
}

String TkcFilterLikeOperator::GetDisplayWord() {
  switch (PatternKind()) {
    case 1: return TranslateDisplayText("begins with");
    case 2: return TranslateDisplayText("ends with");
    case 3: return TranslateDisplayText("contains");
    default: return TranslateDisplayText("like");
  }
}

void TkcFilterLikeOperator::AdjustDisplayValue(String& Text) {
  if (ShowsDescription()) ClassifyLikePattern(Text, Criteria()->PercentWildcard());
}

String TkcFilterNotLikeOperator::GetDisplayWord() {
  switch (PatternKind()) {
    case 1: return TranslateDisplayText("does not begin with");
    case 2: return TranslateDisplayText("does not end with");
    case 3: return TranslateDisplayText("does not contain");
    default: return TranslateDisplayText("not like");
  }
}

bool TkcFilterNotLikeOperator::HasOwnExpression() {
  TkcFilterCriteria* criteria = Criteria();
  return criteria && criteria->TranslateLike();
}

String TkcFilterNotLikeOperator::GetOwnExpression(const Variant& Value) {
  return " NOT (" + FieldName() + " LIKE " + FormattedValue(Value) + ")";
}

// Between and NotBetween.

bool TkcFilterBetweenOperator::Matches(const Variant& R, const Variant& C) {
  if (!IsPair(C)) return false;
  return CompareVariants(C.GetItem(0), R) <= 0 && CompareVariants(R, C.GetItem(1)) <= 0;
}

String TkcFilterBetweenOperator::GetDisplayWord() { return TranslateDisplayText("between"); }

bool TkcFilterBetweenOperator::HasOwnExpression() {
  TkcFilterCriteria* criteria = Criteria();
  return criteria && criteria->TranslateBetween() && IsPair(CriteriaItem()->Value());
}

String TkcFilterBetweenOperator::GetOwnExpression(const Variant& Value) {
  if (!IsPair(Value)) return inherited::GetOwnExpression(Value);
  String f = FieldName();
  return "(" + f + " >= " + FormattedValue(Value.GetItem(0)) + ") AND (" + f +
         " <= " + FormattedValue(Value.GetItem(1)) + ")";
}

bool TkcFilterBetweenOperator::FormatArrayValue(const Variant& Value, String& Text) {
  if (!IsPair(Value)) return false;
  Text = FormattedValue(Value.GetItem(0)) + " AND " + FormattedValue(Value.GetItem(1));
  return true;
}

void TkcFilterBetweenOperator::AdjustDisplayValue(String& Text) {
  Variant pair = SplitPairText(Text);
  Text =
      ValueDisplayText(pair.GetItem(0)) + " " + TranslateDisplayText("and") + " " + ValueDisplayText(pair.GetItem(1));
}

String TkcFilterNotBetweenOperator::GetDisplayWord() { return TranslateDisplayText("not between"); }
String TkcFilterNotBetweenOperator::GetOwnExpression(const Variant& Value) {
  return "NOT (" + inherited::GetOwnExpression(Value) + ")";
}

// InList and NotInList.

bool TkcFilterInListOperator::Matches(const Variant& R, const Variant& C) {
  // The variant type's own equality: an uncomparable pair is a conversion error here.
  for (const Variant& item : ListItems(C))
    if (R == item) return true;
  return false;
}

String TkcFilterInListOperator::GetDisplayWord() { return TranslateDisplayText("in"); }

bool TkcFilterInListOperator::HasOwnExpression() {
  TkcFilterCriteria* criteria = Criteria();
  return criteria && criteria->TranslateIn();
}

String TkcFilterInListOperator::GetOwnExpression(const Variant& Value) {
  String f = FieldName(), text;
  for (const Variant& item : ListItems(Value)) {
    if (!text.empty()) text += " OR ";
    text += "(" + f + " = " + ItemText(item) + ")";
  }
  return text;
}

String TkcFilterInListOperator::ItemText(const Variant& Item) {
  // Items are formatted as plain values, never as lists of their own.
  bool saved = fFormattingItem;
  fFormattingItem = true;
  String text;
  try {
    text = FormattedValue(Item);
  } catch (...) {
    fFormattingItem = saved;
    throw;
  }
  fFormattingItem = saved;
  return text;
}

bool TkcFilterInListOperator::FormatArrayValue(const Variant& Value, String& Text) {
  // A scalar is a list of one, so the expression stays "F IN (v)" as it matches.
  if (fFormattingItem) return false;
  String items;
  for (const Variant& item : ListItems(Value)) items += (items.empty() ? "" : ", ") + ItemText(item);
  Text = "(" + items + ")";
  return true;
}

void TkcFilterInListOperator::AdjustDisplayValue(String& Text) {
  Variant list = SplitListText(Text);
  String items;
  if (list.IsArray()) {
    for (int i = 0, n = list.ArrayCount(); i < n; ++i) items += (i > 0 ? ", " : "") + ValueDisplayText(list.GetItem(i));
  } else {
    items = ValueDisplayText(list);
  }
  Text = "(" + items + ")";
}

String TkcFilterNotInListOperator::GetDisplayWord() { return TranslateDisplayText("not in"); }
String TkcFilterNotInListOperator::GetOwnExpression(const Variant& Value) {
  return "NOT (" + inherited::GetOwnExpression(Value) + ")";
}

// Null and NotNull.

bool TkcFilterNullOperator::Matches(const Variant& R, const Variant& /*C*/) { return CriteriaItem()->ValueIsNull(R); }
String TkcFilterNullOperator::GetDisplayWord() { return TranslateDisplayText("is blank"); }
void TkcFilterNullOperator::AdjustDisplayValue(String& Text) {
  if (ShowsDescription()) Text.clear();
}
String TkcFilterNotNullOperator::GetDisplayWord() { return TranslateDisplayText("is not blank"); }

// Date ranges.

bool TkcFilterDateOperator::Matches(const Variant& R, const Variant& /*C*/) {
  if (CriteriaItem()->ValueIsNull(R)) return false;
  // Compared by the variant type, so a text that is no date is a conversion error.
  return !(R < Variant::FromDate(fStart)) && R < Variant::FromDate(fEnd);
}

String TkcFilterDateOperator::GetOwnExpression(const Variant& /*Value*/) {
  String f = FieldName();
  return "(" + f + " >= " + FormattedValue(Variant::FromDate(fStart)) + ") AND (" + f + " < " +
         FormattedValue(Variant::FromDate(fEnd)) + ")";
}

namespace {

TDateTime FirstOfMonth(TDateTime Today, int MonthOffset) {
  int y, m, d;
  DecodeDate(Today, y, m, d);
  int months = y * 12 + (m - 1) + MonthOffset;
  return EncodeDate(months / 12, months % 12 + 1, 1);
}

TDateTime FirstOfYear(TDateTime Today, int YearOffset) {
  int y, m, d;
  DecodeDate(Today, y, m, d);
  return EncodeDate(y + YearOffset, 1, 1);
}

}  // namespace

#define VT_DATE_OPERATOR_BODY(Name, Word, StartExpr, EndExpr) \
  void Name::Recalculate() {                                  \
    TDateTime T = Date();                                     \
    TDateTime W = WeekStartOf(T);                             \
    (void)W;                                                  \
    SetRange(StartExpr, EndExpr);                             \
  }                                                           \
  String Name::GetDisplayWord() { return TranslateDisplayText(Word); }

VT_DATE_OPERATOR_BODY(TkcFilterYesterdayOperator, "is yesterday", T - 1, T)
VT_DATE_OPERATOR_BODY(TkcFilterTodayOperator, "is today", T, T + 1)
VT_DATE_OPERATOR_BODY(TkcFilterTomorrowOperator, "is tomorrow", T + 1, T + 2)
VT_DATE_OPERATOR_BODY(TkcFilterLastWeekOperator, "is last week", W - 7, W)
VT_DATE_OPERATOR_BODY(TkcFilterLastMonthOperator, "is last month", FirstOfMonth(T, -1), FirstOfMonth(T, 0))
VT_DATE_OPERATOR_BODY(TkcFilterLastYearOperator, "is last year", FirstOfYear(T, -1), FirstOfYear(T, 0))
VT_DATE_OPERATOR_BODY(TkcFilterThisWeekOperator, "is this week", W, W + 7)
VT_DATE_OPERATOR_BODY(TkcFilterThisMonthOperator, "is this month", FirstOfMonth(T, 0), FirstOfMonth(T, 1))
VT_DATE_OPERATOR_BODY(TkcFilterThisYearOperator, "is this year", FirstOfYear(T, 0), FirstOfYear(T, 1))
VT_DATE_OPERATOR_BODY(TkcFilterNextWeekOperator, "is next week", W + 7, W + 14)
VT_DATE_OPERATOR_BODY(TkcFilterNextMonthOperator, "is next month", FirstOfMonth(T, 1), FirstOfMonth(T, 2))
VT_DATE_OPERATOR_BODY(TkcFilterNextYearOperator, "is next year", FirstOfYear(T, 1), FirstOfYear(T, 2))
#undef VT_DATE_OPERATOR_BODY

TkcFilterOperatorClass FilterOperatorClassOfKind(TkcFilterOperatorKind AKind) {
  static const TClass classes[] = {
      TkcFilterEqualOperator::StaticClass(),     TkcFilterNotEqualOperator::StaticClass(),
      TkcFilterLessOperator::StaticClass(),      TkcFilterLessEqualOperator::StaticClass(),
      TkcFilterGreaterOperator::StaticClass(),   TkcFilterGreaterEqualOperator::StaticClass(),
      TkcFilterLikeOperator::StaticClass(),      TkcFilterNotLikeOperator::StaticClass(),
      TkcFilterBetweenOperator::StaticClass(),   TkcFilterNotBetweenOperator::StaticClass(),
      TkcFilterInListOperator::StaticClass(),    TkcFilterNotInListOperator::StaticClass(),
      TkcFilterYesterdayOperator::StaticClass(), TkcFilterTodayOperator::StaticClass(),
      TkcFilterTomorrowOperator::StaticClass(),  TkcFilterLastWeekOperator::StaticClass(),
      TkcFilterLastMonthOperator::StaticClass(), TkcFilterLastYearOperator::StaticClass(),
      TkcFilterThisWeekOperator::StaticClass(),  TkcFilterThisMonthOperator::StaticClass(),
      TkcFilterThisYearOperator::StaticClass(),  TkcFilterNextWeekOperator::StaticClass(),
      TkcFilterNextMonthOperator::StaticClass(), TkcFilterNextYearOperator::StaticClass(),
      TkcFilterNullOperator::StaticClass(),      TkcFilterNotNullOperator::StaticClass(),
  };
  if (AKind > kLastFilterOperatorKind) return nullptr;
  return classes[AKind];
}

// ---- Criteria items --------------------------------------------------------------------------

TkcCustomFilterCriteriaItem::~TkcCustomFilterCriteriaItem() {
  if (fParent) fParent->Remove(this);
}

void TkcCustomFilterCriteriaItem::Changed() {
  if (TkcFilterCriteria* criteria = GetCriteria()) criteria->Changed();
}

TkcFilterCriteria* TkcCustomFilterCriteriaItem::GetCriteria() { return fParent ? fParent->GetCriteria() : nullptr; }

void TkcCustomFilterCriteriaItem::WriteToStream(TStream* Stream) { StreamWriteBoolean(Stream, IsItemList()); }

TkcFilterCriteriaItemList::~TkcFilterCriteriaItemList() { Clear(); }

TkcFilterCriteria* TkcFilterCriteriaItemList::GetCriteria() {
  return fCriteria ? fCriteria : TkcCustomFilterCriteriaItem::GetCriteria();
}

void TkcFilterCriteriaItemList::WriteToStream(TStream* Stream) {
  TkcCustomFilterCriteriaItem::WriteToStream(Stream);
  StreamWriteByte(Stream, fBoolOperatorKind);
  StreamWriteInteger(Stream, GetCount());
  for (TkcCustomFilterCriteriaItem* item : fItems) item->WriteToStream(Stream);
}

void TkcFilterCriteriaItemList::Remove(TkcCustomFilterCriteriaItem* Node) {
  auto it = std::find(fItems.begin(), fItems.end(), Node);
  if (it == fItems.end()) return;
  fItems.erase(it);
  Changed();
}

TkcFilterCriteriaItem* TkcFilterCriteriaItemList::AddItem(TObject* AItemLink, TkcFilterOperatorKind AOperatorKind,
                                                          const Variant& AValue, const String& ADisplayValue) {
  TkcFilterCriteria* criteria = GetCriteria();
  if (!criteria) throw EInvalidOperation("Filter group without criteria");
  return criteria->AddItem(this, AItemLink, AOperatorKind, AValue, ADisplayValue);
}

TkcFilterCriteriaItemList* TkcFilterCriteriaItemList::AddItemList(TkcFilterBoolOperatorKind AKind) {
  auto* group = new TkcFilterCriteriaItemList(this, AKind);
  fItems.push_back(group);
  Changed();
  return group;
}

void TkcFilterCriteriaItemList::Clear() {
  TkcFilterCriteria* criteria = GetCriteria();
  if (criteria) criteria->BeginUpdate();
  try {
    while (!fItems.empty()) delete fItems.back();  // each takes itself out
  } catch (...) {
    if (criteria) criteria->EndUpdate();
    throw;
  }
  if (criteria) criteria->EndUpdate();
}

TkcCustomFilterCriteriaItem* TkcFilterCriteriaItemList::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) return nullptr;
  return fItems[static_cast<std::size_t>(Index)];
}

void TkcFilterCriteriaItemList::SetBoolOperatorKind(TkcFilterBoolOperatorKind Value) {
  if (Value == fBoolOperatorKind) return;
  fBoolOperatorKind = Value;
  Changed();
}

TkcFilterCriteriaItem::TkcFilterCriteriaItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink,
                                             TkcFilterOperatorKind AOperatorKind, Variant AValue, String ADisplayValue)
    : TkcCustomFilterCriteriaItem(AParent),
      fDisplayValue(std::move(ADisplayValue)),
      fItemLink(AItemLink),
      fOperatorKind(AOperatorKind),
      fValue(std::move(AValue)) {}

TkcFilterCriteriaItem::~TkcFilterCriteriaItem() { delete fOperator; }

void TkcFilterCriteriaItem::AfterConstruction() {
  RecreateOperator();
  if (fOperator && fOperator->InheritsFrom(TkcFilterNullOperator::StaticClass()) && fDisplayValue.empty())
    fDisplayValue = TranslateDisplayText("blank");
}

void TkcFilterCriteriaItem::WriteToStream(TStream* Stream) {
  TkcCustomFilterCriteriaItem::WriteToStream(Stream);
  StreamWriteByte(Stream, fOperatorKind);
  StreamWriteString(Stream, fDisplayValue);
  TkcFilterCriteria* criteria = GetCriteria();
  StreamWriteInteger(Stream, criteria ? criteria->GetIDByItemLink(fItemLink) : -1);
  StreamWriteVariant(Stream, fValue);
}

String TkcFilterCriteriaItem::GetDisplayValue() {
  String text = fDisplayValue;
  if (fOperator) fOperator->AdjustDisplayValue(text);
  return text;
}

String TkcFilterCriteriaItem::GetValueText(bool IsDisplay) {
  if (IsDisplay) return GetDisplayValue();
  String text;
  if (fOperator) fOperator->FormatValue(fValue, text);
  return text;
}

TkcFilterOperatorClass TkcFilterCriteriaItem::GetFilterOperatorClass() {
  switch (fOperatorKind) {
    case foEqual:
    case foLike:
      if (ValueIsNull(fValue)) return TkcFilterNullOperator::StaticClass();
      break;
    case foNotEqual:
    case foNotLike:
      if (ValueIsNull(fValue)) return TkcFilterNotNullOperator::StaticClass();
      break;
    default: break;
  }
  return FilterOperatorClassOfKind(fOperatorKind);
}

void TkcFilterCriteriaItem::RecreateOperator() {
  delete fOperator;
  fOperator = nullptr;
  TkcFilterOperatorClass cls = GetFilterOperatorClass();
  if (!cls) throw EInvalidOperation("Unknown filter operator kind " + IntToStr(fOperatorKind));
  fOperator = cls.Create(this);
  Changed();
}

const Variant& TkcFilterCriteriaItem::GetDataValueRef(int ARecordIndex, Variant& Buffer) {
  return Buffer = GetDataValue(ARecordIndex);
}

bool TkcFilterCriteriaItem::ValueIsNull(const Variant& V) {
  TkcFilterCriteria* criteria = GetCriteria();
  return criteria ? criteria->ValueIsNull(V) : V.IsNull();
}

// ---- Criteria --------------------------------------------------------------------------------

TkcFilterCriteria::TkcFilterCriteria() : fRoot(new TkcFilterCriteriaItemList(nullptr, fboAnd)) {
  fRoot->fCriteria = this;
}

TkcFilterCriteria::~TkcFilterCriteria() {
  // Held for good, so that freeing the tree reports nothing to a half-destroyed owner.
  ++fLockCount;
  delete fRoot;
}

void TkcFilterCriteria::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcFilterCriteria*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  InUpdate(*this, [&] {
    SetDateTimeFormat(source->fDateTimeFormat);
    fMaxValueListCount = source->fMaxValueListCount;
    SetOptions(source->fOptions);
    SetPercentWildcard(source->fPercentWildcard);
    fTranslateBetween = source->fTranslateBetween;
    fTranslateLike = source->fTranslateLike;
    fTranslateIn = source->fTranslateIn;
    fSupportedLike = source->fSupportedLike;
    SetUnderscoreWildcard(source->fUnderscoreWildcard);
    AssignItems(source);
    AssignEvents(source);
  });
}

void TkcFilterCriteria::CheckChanges() {
  if (!fChanged || fLockCount != 0) return;
  fChanged = false;
  PrepareOperators();
  DoChanged();
}

String TkcFilterCriteria::BooleanValueText(const Variant& Value) { return VarToStr(Value); }

String TkcFilterCriteria::DateValueText(const Variant& Value) {
  if (fDateTimeFormat.empty()) return VarToStr(Value);
  return FormatDateTime(fDateTimeFormat, Value.AsDateTime());
}

String TkcFilterCriteria::GroupText(TkcFilterCriteriaItemList* AGroup, bool IsDisplay) {
  TkcFilterBoolOperatorKind kind = AGroup->BoolOperatorKind();
  bool isAnd = kind == fboAnd || kind == fboNotAnd;
  String word = IsDisplay ? TranslateDisplayText(isAnd ? "and" : "or") : String(isAnd ? "AND" : "OR");
  String text;
  for (int i = 0, n = AGroup->GetCount(); i < n; ++i) {
    TkcCustomFilterCriteriaItem* child = AGroup->GetItem(i);
    if (i > 0) text += " " + word + " ";
    if (child->IsItemList())
      text += "(" + GroupText(static_cast<TkcFilterCriteriaItemList*>(child), IsDisplay) + ")";
    else
      text += "(" + GetItemText(static_cast<TkcFilterCriteriaItem*>(child), IsDisplay) + ")";
  }
  if (kind == fboNotAnd || kind == fboNotOr)
    text = (IsDisplay ? TranslateDisplayText("not") : String("NOT")) + " (" + text + ")";
  return text;
}

String TkcFilterCriteria::BuildFilterText(bool IsDisplay) { return GroupText(fRoot, IsDisplay); }

TkcFilterCriteriaItemClass TkcFilterCriteria::GetItemClass() { return TkcFilterCriteriaItem::StaticClass(); }

String TkcFilterCriteria::GetItemText(TkcFilterCriteriaItem* AItem, bool IsDisplay) {
  if (!IsDisplay && AItem->Operator()->HasOwnExpression()) return AItem->Operator()->GetOwnExpression(AItem->Value());
  String text = GetItemFieldText(AItem, IsDisplay) + " " + GetItemOperatorText(AItem, IsDisplay);
  String value = GetItemValueText(AItem, IsDisplay);
  if (!value.empty()) text += " " + value;
  return text;
}

String TkcFilterCriteria::GetItemFieldText(TkcFilterCriteriaItem* AItem, bool IsDisplay) {
  return IsDisplay ? AItem->GetFieldCaption() : AItem->GetFieldName();
}

String TkcFilterCriteria::GetItemOperatorText(TkcFilterCriteriaItem* AItem, bool IsDisplay) {
  TkcFilterOperator* op = AItem->Operator();
  if (IsDisplay && (op->AlwaysShowsWord() || fOptions.Contains(fcoShowOperatorDescription)))
    return op->GetDisplayWord();
  return op->GetExpressionWord();
}

String TkcFilterCriteria::GetItemValueText(TkcFilterCriteriaItem* AItem, bool IsDisplay) {
  return AItem->GetValueText(IsDisplay);
}

TkcFilterValueListClass TkcFilterCriteria::GetValueListClass() { return TkcFilterValueList::StaticClass(); }

void TkcFilterCriteria::PrepareOperators() {
  ForEachCondition([](TkcFilterCriteriaItem* AItem) {
    AItem->Operator()->Recalculate();
    return false;
  });
}

void TkcFilterCriteria::PrepareValue(const Variant& Value, Variant& Result) {
  TVarType kind = Value.VarType() & varTypeMask;
  if (Value.IsArray()) {
    std::vector<Variant> items;
    items.reserve(static_cast<std::size_t>(Value.ArrayCount()));
    for (int i = 0, n = Value.ArrayCount(); i < n; ++i) {
      Variant prepared;
      PrepareValue(Value.GetItem(i), prepared);
      items.push_back(std::move(prepared));
    }
    Result = Variant::MakeArray(std::move(items));
  } else if (kind == varCurrency) {
    Result = Variant(Value.AsDouble());
  } else if (Value.IsStr() && fOptions.Contains(fcoCaseInsensitive)) {
    Result =
        kind == varOleStr ? Variant(WideUpperCase(Value.AsWideString())) : Variant(AnsiUpperCase(Value.AsString()));
  } else {
    Result = Value;
  }
}

void TkcFilterCriteria::DoChanged() {
  if (OnChanged) OnChanged(this);
}

void TkcFilterCriteria::AssignEvents(TPersistent* Source) {
  if (auto* source = dynamic_cast<TkcFilterCriteria*>(Source)) OnChanged = source->OnChanged;
}

void TkcFilterCriteria::AssignItems(TkcFilterCriteria* Source) {
  TMemoryStream mine, theirs;
  WriteData(&mine);
  Source->WriteData(&theirs);
  if (mine.Size() == theirs.Size() &&
      std::equal(static_cast<const char*>(mine.Memory()), static_cast<const char*>(mine.Memory()) + mine.Size(),
                 static_cast<const char*>(theirs.Memory())))
    return;
  InUpdate(*this, [&] {
    Clear();
    theirs.SetPosition(0);
    ReadData(&theirs);
  });
}

TkcFilterCriteriaItem* TkcFilterCriteria::AddItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                  TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                  const String& ADisplayValue) {
  TkcFilterCriteriaItem* item = nullptr;
  InUpdate(*this, [&] {
    TkcFilterCriteriaItemList* parent = AParent ? AParent : fRoot;
    std::unique_ptr<TkcFilterCriteriaItem> created(
        GetItemClass().Create(parent, AItemLink, AOperatorKind, Variant(AValue), String(ADisplayValue)));
    created->AfterConstruction();
    parent->fItems.push_back(created.get());
    item = created.release();
  });
  return item;
}

void TkcFilterCriteria::Changed() {
  ++fChangeGeneration;
  fChanged = true;
  CheckChanges();
}

TkcFilterCriteriaItem* TkcFilterCriteria::ForEachCondition(const std::function<bool(TkcFilterCriteriaItem*)>& AVisit) {
  // Depth first in child order, with an explicit stack so that deep trees need no call stack.
  std::vector<std::pair<TkcFilterCriteriaItemList*, int>> stack{{fRoot, 0}};
  while (!stack.empty()) {
    auto& [group, index] = stack.back();
    if (index >= group->GetCount()) {
      stack.pop_back();
      continue;
    }
    TkcCustomFilterCriteriaItem* child = group->GetItem(index++);
    if (child->IsItemList()) {
      stack.emplace_back(static_cast<TkcFilterCriteriaItemList*>(child), 0);
    } else {
      auto* item = static_cast<TkcFilterCriteriaItem*>(child);
      if (AVisit(item)) return item;
    }
  }
  return nullptr;
}

TkcFilterCriteriaItem* TkcFilterCriteria::FindItemByItemLink(TObject* AItemLink) {
  return ForEachCondition([AItemLink](TkcFilterCriteriaItem* AItem) { return AItem->ItemLink() == AItemLink; });
}

void TkcFilterCriteria::RestoreDefaults() {
  BeginUpdate();
  SetOptions({});
  SetPercentWildcard(U'%');
  fSupportedLike = true;
  fTranslateBetween = fTranslateLike = fTranslateIn = false;
  SetUnderscoreWildcard(U'_');
  EndUpdate();
}

bool TkcFilterCriteria::ValueIsNull(const Variant& Value) {
  return fOptions.Contains(fcoSoftNull) ? IsSoftNullVariant(Value) : Value.IsNull();
}

void TkcFilterCriteria::WriteData(TStream* Stream) {
  StreamWriteInteger(Stream, -1);
  StreamWriteByte(Stream, fRoot->BoolOperatorKind());
  StreamWriteInteger(Stream, fRoot->GetCount());
  for (int i = 0; i < fRoot->GetCount(); ++i) fRoot->GetItem(i)->WriteToStream(Stream);
}

namespace {
[[noreturn]] void FilterReadError() { throw EReadError("Stream read error"); }

TkcFilterBoolOperatorKind ReadBoolKind(TStream* Stream) {
  std::uint8_t kind = StreamReadByte(Stream);
  if (kind > fboNotOr) FilterReadError();
  return static_cast<TkcFilterBoolOperatorKind>(kind);
}

std::int32_t ReadCount(TStream* Stream) {
  std::int32_t count = StreamReadInteger(Stream);
  // Every node takes at least one byte.
  if (count < 0 || count > Stream->Remaining()) FilterReadError();
  return count;
}
}  // namespace

void TkcFilterCriteria::ReadNodes(TStream* Stream, TkcFilterCriteriaItemList* AGroup, std::int32_t ACount, int ADepth) {
  for (std::int32_t i = 0; i < ACount; ++i) {
    TkcCustomFilterCriteriaItem* node;
    if (StreamReadByte(Stream) != 0) {
      if (ADepth >= kMaxStreamDepth) FilterReadError();
      auto* group = AGroup->AddItemList(ReadBoolKind(Stream));
      ReadNodes(Stream, group, ReadCount(Stream), ADepth + 1);
      node = group;
    } else {
      std::uint8_t kind = StreamReadByte(Stream);
      if (kind > kLastFilterOperatorKind) FilterReadError();
      String displayValue = StreamReadString(Stream);
      std::int32_t id = StreamReadInteger(Stream);
      Variant value = StreamReadVariant(Stream);
      node = AddItem(AGroup, GetItemLinkByID(id), static_cast<TkcFilterOperatorKind>(kind), value, displayValue);
    }
    node->ReadExtraData(Stream);
  }
}

void TkcFilterCriteria::ReadData(TStream* Stream) {
  InUpdate(*this, [&] {
    Clear();
    std::int32_t count = StreamReadInteger(Stream);
    if (count == -1) {
      fRoot->SetBoolOperatorKind(ReadBoolKind(Stream));
      count = ReadCount(Stream);
    } else if (count < 0 || count > Stream->Remaining()) {
      FilterReadError();
    }
    ReadNodes(Stream, fRoot, count, 1);
  });
}

void TkcFilterCriteria::EndUpdate() {
  --fLockCount;
  CheckChanges();
}

void TkcFilterCriteria::Clear() {
  InUpdate(*this, [&] {
    fRoot->Clear();
    fRoot->SetBoolOperatorKind(fboAnd);
  });
}

void TkcFilterCriteria::SetDateTimeFormat(const String& Value) {
  if (Value == fDateTimeFormat) return;
  fDateTimeFormat = Value;
  Changed();
}

void TkcFilterCriteria::SetOptions(TkcFilterCriteriaOptions Value) {
  if (Value == fOptions) return;
  fOptions = Value;
  Changed();
}

void TkcFilterCriteria::SetPercentWildcard(char32_t Value) {
  if (Value == fPercentWildcard) return;
  fPercentWildcard = Value;
  Changed();
}

void TkcFilterCriteria::SetUnderscoreWildcard(char32_t Value) {
  if (Value == fUnderscoreWildcard) return;
  fUnderscoreWildcard = Value;
  Changed();
}

void TkcFilterCriteria::PruneGroup(TkcFilterCriteriaItemList* AGroup) {
  if (AGroup == fRoot) return;
  if (AGroup->GetCount() == 0) {
    // An emptied group goes, and so do the groups it leaves empty above it.
    while (AGroup != fRoot && AGroup->GetCount() == 0) {
      TkcFilterCriteriaItemList* parent = AGroup->Parent();
      delete AGroup;
      AGroup = parent;
    }
    return;
  }
  // Only AND and OR groups of one child are dissolved: a NOT group keeps its negation.
  if (AGroup->GetCount() != 1 || (AGroup->BoolOperatorKind() != fboAnd && AGroup->BoolOperatorKind() != fboOr)) return;
  TkcFilterCriteriaItemList* parent = AGroup->Parent();
  TkcCustomFilterCriteriaItem* child = AGroup->GetItem(0);
  AGroup->Remove(child);
  parent->fItems.push_back(child);
  child->fParent = parent;
  parent->Changed();
  delete AGroup;
}

void TkcFilterCriteria::RemoveItemByItemLink(TObject* AItemLink) {
  BeginUpdate();
  bool removed = false;
  try {
    while (TkcFilterCriteriaItem* item = FindItemByItemLink(AItemLink)) {
      TkcFilterCriteriaItemList* group = item->Parent();
      delete item;
      removed = true;
      PruneGroup(group);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  if (removed)
    EndUpdate();
  else
    CancelUpdate();
}

bool TkcFilterCriteria::EvaluateRecord(int ARecordIndex) {
  // The usual filter, one condition at the root, needs no group walk.
  const std::vector<TkcCustomFilterCriteriaItem*>& children = fRoot->fItems;
  if (children.size() == 1 && !children[0]->fIsGroup) {
    auto* item = static_cast<TkcFilterCriteriaItem*>(children[0]);
    const TkcFilterBoolOperatorKind kind = fRoot->BoolOperatorKind();
    const bool inverted = !(kind == fboAnd || kind == fboOr);
    // A prepared LIKE over a text value goes straight to the matcher: a filter pass runs this
    // once per record, and each step less lets the reads of the next records overlap.
    if (item->fRecordTest == TkcFilterCriteriaItem::rtLike && !item->fRecordIgnoresNull &&
        item->fPreparedGeneration == fChangeGeneration) {
      const std::string* text = nullptr;
      try {
        text = item->GetDataValueRef(ARecordIndex, item->fDataValue).StringPtr();
      } catch (const EVariantTypeCastError&) {
        if (fOptions.Contains(fcoSoftCompare)) return inverted;
        throw;
      }
      if (text) return (item->fRecordPattern.Matches(*text) != item->fRecordNegated) != inverted;
    }
    return EvaluateItem(item, ARecordIndex) != inverted;
  }
  return EvaluateGroup(fRoot, ARecordIndex);
}

TkcFilterCriteriaItem* TkcFilterCriteria::PreparedIntegerCompare(TkcFilterOperatorKind& AKind,
                                                                  std::int64_t& AConstant, bool& AInverted) {
  const std::vector<TkcCustomFilterCriteriaItem*>& children = fRoot->fItems;
  if (children.size() != 1 || children[0]->fIsGroup) return nullptr;
  auto* item = static_cast<TkcFilterCriteriaItem*>(children[0]);
  if (item->fPreparedGeneration != fChangeGeneration) PrepareItem(item);
  if (item->fRecordTest != TkcFilterCriteriaItem::rtCompare) return nullptr;
  const TkcFilterBoolOperatorKind kind = fRoot->BoolOperatorKind();
  AInverted = !(kind == fboAnd || kind == fboOr);
  AKind = item->fRecordCompare;
  AConstant = item->fRecordConstant;
  return item;
}

TkcFilterCriteriaItem* TkcFilterCriteria::PreparedLike(const TkcLikePattern*& APattern, bool& ANegated,
                                                        bool& AInverted) {
  const std::vector<TkcCustomFilterCriteriaItem*>& children = fRoot->fItems;
  if (children.size() != 1 || children[0]->fIsGroup) return nullptr;
  auto* item = static_cast<TkcFilterCriteriaItem*>(children[0]);
  if (item->fPreparedGeneration != fChangeGeneration) PrepareItem(item);
  if (item->fRecordTest != TkcFilterCriteriaItem::rtLike || item->fRecordIgnoresNull) return nullptr;
  const TkcFilterBoolOperatorKind kind = fRoot->BoolOperatorKind();
  AInverted = !(kind == fboAnd || kind == fboOr);
  ANegated = item->fRecordNegated;
  APattern = &item->fRecordPattern;
  return item;
}

bool TkcFilterCriteria::EvaluateGroup(TkcFilterCriteriaItemList* AGroup, int ARecordIndex) {
  TkcFilterBoolOperatorKind kind = AGroup->BoolOperatorKind();
  bool result = true;
  const std::vector<TkcCustomFilterCriteriaItem*>& children = AGroup->fItems;
  for (std::size_t i = 0, n = children.size(); i < n; ++i) {
    TkcCustomFilterCriteriaItem* child = children[i];
    bool x = child->fIsGroup ? EvaluateGroup(static_cast<TkcFilterCriteriaItemList*>(child), ARecordIndex)
                             : EvaluateItem(static_cast<TkcFilterCriteriaItem*>(child), ARecordIndex);
    if (i == 0) {
      result = kind == fboAnd || kind == fboOr ? x : !x;
      continue;
    }
    switch (kind) {
      case fboAnd: result = result && x; break;
      case fboOr: result = result || x; break;
      case fboNotAnd: result = result || !x; break;
      case fboNotOr: result = result && !x; break;
    }
  }
  return result;
}

void TkcFilterCriteria::PrepareItem(TkcFilterCriteriaItem* AItem) {
  AItem->fPreparedGeneration = 0;  // no generation while the value is being replaced
  AItem->fRecordTest = TkcFilterCriteriaItem::rtGeneral;
  PrepareValue(AItem->Value(), AItem->fPreparedValue);
  const Variant& c = AItem->fPreparedValue;
  // Only the operators' own classes: a descendant may match otherwise.
  const TClass cls = AItem->Operator()->ClassType();
  AItem->fRecordIgnoresNull = fOptions.Contains(fcoIgnoreNull);
  if ((cls == TkcFilterLikeOperator::StaticClass() || cls == TkcFilterNotLikeOperator::StaticClass()) && c.IsStr()) {
    AItem->fRecordPattern.Prepare(VarToStr(c), fPercentWildcard, fUnderscoreWildcard, 0,
                                  fOptions.Contains(fcoCaseInsensitive));
    AItem->fRecordNegated = cls == TkcFilterNotLikeOperator::StaticClass();
    AItem->fRecordTest = TkcFilterCriteriaItem::rtLike;
  } else if (IsInt64Kind(c.VarType())) {
    static const std::pair<TClass, TkcFilterOperatorKind> kCompares[] = {
        {TkcFilterEqualOperator::StaticClass(), foEqual},
        {TkcFilterNotEqualOperator::StaticClass(), foNotEqual},
        {TkcFilterLessOperator::StaticClass(), foLess},
        {TkcFilterLessEqualOperator::StaticClass(), foLessEqual},
        {TkcFilterGreaterOperator::StaticClass(), foGreater},
        {TkcFilterGreaterEqualOperator::StaticClass(), foGreaterEqual}};
    for (const auto& [compareClass, kind] : kCompares) {
      if (cls != compareClass) continue;
      AItem->fRecordConstant = c.AsInt64();
      AItem->fRecordCompare = kind;
      AItem->fRecordTest = TkcFilterCriteriaItem::rtCompare;
    }
  }
  AItem->fPreparedGeneration = fChangeGeneration;
}

inline bool TkcFilterCriteria::TestPrepared(TkcFilterCriteriaItem* AItem, const Variant& AValue, bool& AResult) {
  switch (AItem->fRecordTest) {
    case TkcFilterCriteriaItem::rtLike:
      // Case is folded while matching: the same characters PrepareValue would make.
      if (const std::string* text = AValue.StringPtr()) {
        AResult = !(AItem->fRecordIgnoresNull && ValueIsNull(AValue)) &&
                  AItem->fRecordPattern.Matches(*text) != AItem->fRecordNegated;
        return true;
      }
      return false;
    case TkcFilterCriteriaItem::rtCompare:
      if (IsInt64Kind(AValue.VarType())) {
        if (AItem->fRecordIgnoresNull && ValueIsNull(AValue)) {
          AResult = false;
          return true;
        }
        const std::int64_t v = AValue.AsInt64(), c = AItem->fRecordConstant;
        switch (AItem->fRecordCompare) {
          case foEqual: AResult = v == c; break;
          case foNotEqual: AResult = v != c; break;
          case foLess: AResult = v < c; break;
          case foLessEqual: AResult = v <= c; break;
          case foGreater: AResult = v > c; break;
          default: AResult = v >= c; break;
        }
        return true;
      }
      return false;
    default: return false;
  }
}

bool TkcFilterCriteria::EvaluateItem(TkcFilterCriteriaItem* AItem, int ARecordIndex) {
  try {
    const Variant& value = AItem->GetDataValueRef(ARecordIndex, AItem->fDataValue);
    bool result;
    if (AItem->fPreparedGeneration == fChangeGeneration && TestPrepared(AItem, value, result)) return result;
    return EvaluateItemValue(AItem, value);
  } catch (const EVariantTypeCastError&) {
    if (fOptions.Contains(fcoSoftCompare)) return false;
    throw;
  }
}

bool TkcFilterCriteria::EvaluateItemValue(TkcFilterCriteriaItem* AItem, const Variant& AValue) {
  if (AItem->fPreparedGeneration != fChangeGeneration) {
    PrepareItem(AItem);
    bool result;
    if (TestPrepared(AItem, AValue, result)) return result;
  }
  return AItem->Operator()->MatchesDataValue(AValue, AItem->fPreparedValue);
}

// ---- Filter value list -----------------------------------------------------------------------

TkcFilterValueList::TSortKey TkcFilterValueList::SortKeyOf(const Variant& Value, const String& DisplayText) const {
  TSortKey key;
  if (fSortByDisplayText)
    key.Text = fCriteria->Options().Contains(fcoCaseInsensitive) ? AnsiUpperCase(DisplayText) : DisplayText;
  else
    fCriteria->PrepareValue(Value, key.Value);
  return key;
}

int TkcFilterValueList::CompareSortKeys(const TSortKey& A, const TSortKey& B) const {
  return fSortByDisplayText ? AnsiCompareStr(A.Text, B.Text) : CompareVariants(A.Value, B.Value);
}

int TkcFilterValueList::Compare(int Index, const Variant& Value, const String& DisplayText) {
  const TkcFilterValueItem& item = fItems[static_cast<std::size_t>(Index)];
  return CompareSortKeys(SortKeyOf(item.Value, item.DisplayText), SortKeyOf(Value, DisplayText));
}

namespace {

// Stable bottom-up merge sort of indices. Variant orderings are not strict weak orders (an
// uncomparable pair is "smaller" both ways), so no standard sort may be given one; this one only
// ever reads inside its ranges.
template <class TLess>
void StableSortIndices(std::vector<std::size_t>& Indices, TLess Less) {
  std::vector<std::size_t> buffer(Indices.size());
  for (std::size_t width = 1; width < Indices.size(); width *= 2) {
    for (std::size_t low = 0; low < Indices.size(); low += 2 * width) {
      std::size_t mid = std::min(low + width, Indices.size());
      std::size_t high = std::min(low + 2 * width, Indices.size());
      std::size_t i = low, j = mid, k = low;
      while (i < mid && j < high) buffer[k++] = Less(Indices[j], Indices[i]) ? Indices[j++] : Indices[i++];
      while (i < mid) buffer[k++] = Indices[i++];
      while (j < high) buffer[k++] = Indices[j++];
    }
    Indices.swap(buffer);
  }
}

}  // namespace

void TkcFilterValueList::AddValues(const std::vector<TkcFilterValueItem>& AValues) {
  const int maxCount = fCriteria->MaxValueListCount();
  if (AValues.empty() || (maxCount != 0 && GetCount() >= maxCount)) return;
  const std::size_t room = maxCount == 0 ? AValues.size() : static_cast<std::size_t>(maxCount - GetCount());

  std::vector<TSortKey> keys;
  keys.reserve(AValues.size());
  for (const TkcFilterValueItem& v : AValues) keys.push_back(SortKeyOf(v.Value, v.DisplayText));
  std::vector<std::size_t> order(AValues.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  StableSortIndices(order, [&](std::size_t a, std::size_t b) { return CompareSortKeys(keys[a], keys[b]) < 0; });

  // The entries a new value may equal: the recently used ones and the values already listed.
  std::vector<TSortKey> recent, listed;
  for (int i = 0, separator = MRUSeparatorIndex(); i < separator; ++i)
    recent.push_back(
        SortKeyOf(fItems[static_cast<std::size_t>(i)].Value, fItems[static_cast<std::size_t>(i)].DisplayText));
  const int first = FirstValueIndex();
  for (int i = first; i < GetCount(); ++i)
    listed.push_back(
        SortKeyOf(fItems[static_cast<std::size_t>(i)].Value, fItems[static_cast<std::size_t>(i)].DisplayText));
  auto isListed = [&](const TSortKey& key) {
    for (const TSortKey& r : recent)
      if (CompareSortKeys(r, key) == 0) return true;
    std::size_t low = 0, high = listed.size();
    while (low < high) {
      std::size_t mid = low + (high - low) / 2;
      int c = CompareSortKeys(listed[mid], key);
      if (c == 0) return true;
      if (c < 0)
        low = mid + 1;
      else
        high = mid;
    }
    return false;
  };

  // One value per run of equal ones: the first met, which the stable sort put first. Adding one by
  // one keeps the first `room` new values in the order they are met.
  std::vector<char> candidate(AValues.size(), 0);
  for (std::size_t i = 0; i < order.size();) {
    std::size_t run = i + 1;
    while (run < order.size() && CompareSortKeys(keys[order[i]], keys[order[run]]) == 0) ++run;
    if (!isListed(keys[order[i]])) candidate[order[i]] = 1;
    i = run;
  }
  std::size_t taken = 0;
  for (std::size_t i = 0; i < candidate.size(); ++i)
    if (candidate[i]) {
      if (taken < room)
        ++taken;
      else
        candidate[i] = 0;
    }
  if (taken == 0) return;

  // Merge the new values into the listed ones; both are in list order.
  std::vector<TkcFilterValueItem> merged(fItems.begin(), fItems.begin() + first);
  merged.reserve(fItems.size() + taken);
  std::size_t e = 0;
  for (std::size_t index : order) {
    if (!candidate[index]) continue;
    while (e < listed.size() && CompareSortKeys(listed[e], keys[index]) < 0)
      merged.push_back(std::move(fItems[static_cast<std::size_t>(first) + e++]));
    merged.push_back(TkcFilterValueItem{fviValue, AValues[index].Value, AValues[index].DisplayText});
  }
  for (; e < listed.size(); ++e) merged.push_back(std::move(fItems[static_cast<std::size_t>(first) + e]));
  fItems = std::move(merged);
}

void TkcFilterValueList::InsertItem(int Index, TkcFilterValueItemKind Kind, const Variant& Value,
                                    const String& DisplayText) {
  fItems.insert(fItems.begin() + Index, TkcFilterValueItem{Kind, Value, DisplayText});
}

void TkcFilterValueList::Add(TkcFilterValueItemKind Kind, const Variant& Value, const String& DisplayText,
                             bool Append) {
  int index;
  switch (Kind) {
    case fviMRU:
      index = MRUSeparatorIndex();
      if (index < 0) {
        InsertItem(0, fviMRUSeparator, Null(), String());
        index = 0;
      }
      break;
    case fviValue:
      if (Append) {
        index = GetCount();
        break;
      }
      if (fCriteria->MaxValueListCount() != 0 && GetCount() >= fCriteria->MaxValueListCount()) return;
      if (Find(Value, DisplayText, index)) return;
      break;
    default: index = FirstValueIndex(); break;
  }
  InsertItem(index, Kind, Value, DisplayText);
}

bool TkcFilterValueList::Find(const Variant& Value, const String& DisplayText, int& Index) {
  int separator = MRUSeparatorIndex();
  for (int i = 0; i < separator; ++i)
    if (Compare(i, Value, DisplayText) == 0) {
      Index = i;
      return true;
    }
  int low = FirstValueIndex(), high = GetCount() - 1;
  bool found = false;
  while (low <= high) {
    int mid = static_cast<int>((static_cast<unsigned>(low) + static_cast<unsigned>(high)) / 2);
    int c = Compare(mid, Value, DisplayText);
    if (c < 0) {
      low = mid + 1;
    } else {
      high = mid - 1;
      if (c == 0) {
        found = true;
        low = mid;
      }
    }
  }
  Index = low;
  return found;
}

int TkcFilterValueList::GetIndexByCriteriaItem(TkcFilterCriteriaItem* AItem) {
  if (!AItem) return IndexOfKind(fviAll);
  TkcFilterOperatorKind kind = AItem->OperatorKind();
  if (AItem->ValueIsNull(AItem->Value()) && (kind == foEqual || kind == foNotEqual))
    return IndexOfKind(kind == foEqual ? fviBlanks : fviNonBlanks);
  int index;
  if (AItem->Parent() == fCriteria->Root() && kind == foEqual && Find(AItem->Value(), AItem->DisplayValue(), index))
    return index;
  return IndexOfKind(fviCustom);
}

const TkcFilterValueItem& TkcFilterValueList::GetItem(int Index) const {
  if (Index < 0 || Index >= GetCount()) TList::Error("List index out of bounds (%d)", Index);
  return fItems[static_cast<std::size_t>(Index)];
}

void TkcFilterValueList::Delete(int Index) {
  if (Index < 0 || Index >= GetCount()) TList::Error("List index out of bounds (%d)", Index);
  fItems.erase(fItems.begin() + Index);
}

int TkcFilterValueList::IndexOfKind(TkcFilterValueItemKind Kind) const {
  for (int i = 0; i < GetCount(); ++i)
    if (fItems[static_cast<std::size_t>(i)].Kind == Kind) return i;
  return -1;
}

int TkcFilterValueList::FirstValueIndex() const {
  int i = IndexOfKind(fviValue);
  return i < 0 ? GetCount() : i;
}

int TkcFilterValueList::MRUSeparatorIndex() const {
  int i = 0;
  while (i < GetCount() && fItems[static_cast<std::size_t>(i)].Kind == fviMRU) ++i;
  return i < GetCount() && fItems[static_cast<std::size_t>(i)].Kind == fviMRUSeparator ? i : -1;
}
