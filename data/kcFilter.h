#pragma once
// The filter model: a tree of groups (AND, OR, NOT AND, NOT OR) and conditions (an item, an
// operator kind, a value and a display value) with record evaluation, change batching, pruning,
// a binary stream (the .flt file form), a display text and an expression text, and the value
// list of a column's filter drop-down. Also the LIKE matcher and the display-text hook every
// filter word passes through.

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string_view>
#include <tuple>
#include <vector>

#include "data/kcDataUtils.h"
#include "platform/core/LikeMatch.h"

class TkcFilterCriteria;
class TkcCustomFilterCriteriaItem;
class TkcFilterCriteriaItemList;
class TkcFilterCriteriaItem;
class TkcFilterValueList;

// ---- Display-text hook -----------------------------------------------------------------------

using TkcDisplayTextHook = String (*)(const String& AText);
// Installs the process-wide hook (null removes it); the editors' start-up installs LocalizeText.
void SetFilterDisplayTextHook(TkcDisplayTextHook AHook);
TkcDisplayTextHook GetFilterDisplayTextHook();
// Text through the hook, or unchanged when none is installed.
String TranslateDisplayText(const String& Text);

// ---- LIKE ------------------------------------------------------------------------------------

// Whole Text against the whole Pattern, character by character (UTF-8 characters, never bytes),
// case-sensitive. A multi-character wildcard that is not the pattern's last character never
// matches an empty remainder ("%%" does not match "", "a%%" does not match "a"). EscapeChar 0
// means none; the filter model passes none. Runs in O(pattern x text) time at most.
bool MatchLikePattern(const String& Text, const String& Pattern, char32_t PercentChar, char32_t UnderscoreChar,
                      char32_t EscapeChar = 0);
// A LIKE pattern read once and matched against many texts with the rules of MatchLikePattern;
// with FoldCase each text character is compared by its upper case (the pattern is given in
// upper case, as the criteria prepare it). Matching reads the text in place and allocates
// nothing.
class TkcLikePattern {
public:
  void Prepare(std::string_view Pattern, char32_t PercentChar, char32_t UnderscoreChar, char32_t EscapeChar = 0,
               bool FoldCase = false);
  // Prepared from exactly this pattern and these rules.
  bool PreparedFor(std::string_view Pattern, char32_t PercentChar, char32_t UnderscoreChar, char32_t EscapeChar = 0,
                   bool FoldCase = false) const;
  // Prepared with these rules, whatever the pattern.
  bool PreparedWith(char32_t PercentChar, char32_t UnderscoreChar, char32_t EscapeChar = 0,
                    bool FoldCase = false) const;
  bool Matches(std::string_view Text) const { return fMatcher.Matches(Text); }

private:
  bool fPrepared = false;
  String fSource;
  TLikeMatcher::TRules fRules;
  TLikeMatcher fMatcher;
};

// Collapses every run of WildcardChar to one.
void CollapseDoubledWildcard(String& Text, char32_t WildcardChar);
// 0 like, 1 begins with, 2 ends with, 3 contains; Text loses the leading/trailing wildcard.
int ClassifyLikePattern(String& Text, char32_t WildcardChar);

// ---- Kinds and options -----------------------------------------------------------------------

enum TkcFilterOperatorKind : std::uint8_t {
  foEqual,
  foNotEqual,
  foLess,
  foLessEqual,
  foGreater,
  foGreaterEqual,
  foLike,
  foNotLike,
  foBetween,
  foNotBetween,
  foInList,
  foNotInList,
  foYesterday,
  foToday,
  foTomorrow,
  foLastWeek,
  foLastMonth,
  foLastYear,
  foThisWeek,
  foThisMonth,
  foThisYear,
  foNextWeek,
  foNextMonth,
  foNextYear,
  // Stored kinds that select the null tests directly.
  foNull,
  foNotNull
};
constexpr int kLastFilterOperatorKind = foNotNull;

enum TkcFilterBoolOperatorKind : std::uint8_t { fboAnd, fboOr, fboNotAnd, fboNotOr };

enum TkcFilterCriteriaOption {
  fcoCaseInsensitive,
  fcoShowOperatorDescription,
  fcoSoftNull,
  fcoSoftCompare,
  fcoIgnoreNull
};
using TkcFilterCriteriaOptions = TSet<TkcFilterCriteriaOption, 8>;

// ---- Text routines of the operators and the filter dialogs ----------------------------------

// From the 1-based Position, the text up to the next ";" (or the end), trimmed; Position moves
// past the ";".
String ExtractSemicolonItem(const String& Text, int& Position);
// [first, second] as strings; the second is "" when nothing follows the first ";".
Variant SplitPairText(const String& Text);
// Every ";"-separated item as a string; an empty Text gives "" (not an array).
Variant SplitListText(const String& Text);
// "blank" (translated) for Null, else the value's text.
String ValueDisplayText(const Variant& Value);

// ---- Operators -------------------------------------------------------------------------------

class TkcFilterOperator : public TObject {
  VT_CLASS(TkcFilterOperator, TObject)
public:
  using TConstructorArgs = std::tuple<TkcFilterCriteriaItem*>;
  explicit TkcFilterOperator(TkcFilterCriteriaItem* ACriteriaItem) : fCriteriaItem(ACriteriaItem) {}

  TkcFilterCriteriaItem* CriteriaItem() const { return fCriteriaItem; }
  TkcFilterCriteria* Criteria() const;

  virtual String GetOwnExpression(const Variant& Value);
  virtual void FormatValue(const Variant& Value, String& Text);
  virtual void AdjustDisplayValue(String& /*Text*/) {}
  virtual void Recalculate() {}
  virtual bool FormatArrayValue(const Variant& /*Value*/, String& /*Text*/) { return false; }
  virtual bool Matches(const Variant& R, const Variant& C) = 0;
  // A record's value as read (not yet prepared) against the condition's prepared value C:
  // prepares it (PrepareValue), leaves out a null one under fcoIgnoreNull, then Matches.
  virtual bool MatchesDataValue(const Variant& V, const Variant& C);
  virtual String GetDisplayWord() { return GetExpressionWord(); }
  virtual String GetExpressionWord() = 0;
  virtual bool AlwaysShowsWord() { return false; }
  virtual bool HasOwnExpression() { return false; }
  virtual bool IsNullTest() { return false; }

protected:
  String FormattedValue(const Variant& Value);
  String FieldName() const;
  bool ShowsDescription() const;

private:
  TkcFilterCriteriaItem* fCriteriaItem;
};

using TkcFilterOperatorClass = TClassOf<TkcFilterOperator, TkcFilterCriteriaItem*>;

#define VT_FILTER_OPERATOR(Name, Base) \
  VT_CLASS(Name, Base)                 \
public:                                \
  using Base::Base;

class TkcFilterEqualOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterEqualOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  String GetExpressionWord() override { return "="; }
  String GetDisplayWord() override;
  bool HasOwnExpression() override;
  String GetOwnExpression(const Variant& Value) override;
};

class TkcFilterNotEqualOperator : public TkcFilterEqualOperator {
  VT_FILTER_OPERATOR(TkcFilterNotEqualOperator, TkcFilterEqualOperator)
  bool Matches(const Variant& R, const Variant& C) override { return !inherited::Matches(R, C); }
  String GetExpressionWord() override { return "<>"; }
  String GetDisplayWord() override;
  String GetOwnExpression(const Variant& Value) override;
};

class TkcFilterLessOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterLessOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override { return CompareVariants(R, C) < 0; }
  String GetExpressionWord() override { return "<"; }
  String GetDisplayWord() override;
};

class TkcFilterLessEqualOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterLessEqualOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override { return CompareVariants(R, C) <= 0; }
  String GetExpressionWord() override { return "<="; }
  String GetDisplayWord() override;
};

class TkcFilterGreaterOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterGreaterOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override { return CompareVariants(R, C) > 0; }
  String GetExpressionWord() override { return ">"; }
  String GetDisplayWord() override;
};

class TkcFilterGreaterEqualOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterGreaterEqualOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override { return CompareVariants(R, C) >= 0; }
  String GetExpressionWord() override { return ">="; }
  String GetDisplayWord() override;
};

class TkcFilterLikeOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterLikeOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  // A text value is matched in place; its case is folded while matching instead of upper-casing
  // a copy (the same characters PrepareValue would make).
  bool MatchesDataValue(const Variant& V, const Variant& C) override;
  String GetExpressionWord() override { return "LIKE"; }
  String GetDisplayWord() override;
  void AdjustDisplayValue(String& Text) override;

protected:
  // ClassifyLikePattern of the condition's value text.
  int PatternKind() const;
  virtual bool Negated() const { return false; }

private:
  // A compared pattern, kept while it comes from the condition's prepared value of the same
  // criteria change (the value, the wildcards and the case option all change the criteria).
  struct TKeptPattern {
    TkcLikePattern Pattern;
    bool FromItem = false;
    std::uint64_t Generation = 0;
  };
  TKeptPattern& PatternFor(const Variant& C, bool FoldCase);
  TKeptPattern fPattern, fFoldedPattern;
  // What the record evaluation found for the current criteria change, so that a record needs
  // no look-up of the criteria: the pattern, and whether nulls are left out.
  TKeptPattern* fRecordPattern = nullptr;
  bool fRecordIgnoresNull = false, fRecordNegated = false;
};

class TkcFilterNotLikeOperator : public TkcFilterLikeOperator {
  VT_FILTER_OPERATOR(TkcFilterNotLikeOperator, TkcFilterLikeOperator)
  bool Matches(const Variant& R, const Variant& C) override { return !inherited::Matches(R, C); }
  String GetExpressionWord() override { return "NOT LIKE"; }
  bool Negated() const override { return true; }
  String GetDisplayWord() override;
  bool HasOwnExpression() override;
  String GetOwnExpression(const Variant& Value) override;
};

// A value that is not a two-item array (a damaged stream, a careless caller) matches nothing and
// is written as a plain value, instead of failing every refilter.
class TkcFilterBetweenOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterBetweenOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  String GetExpressionWord() override { return "BETWEEN"; }
  String GetDisplayWord() override;
  bool AlwaysShowsWord() override { return true; }
  bool HasOwnExpression() override;
  String GetOwnExpression(const Variant& Value) override;
  bool FormatArrayValue(const Variant& Value, String& Text) override;
  void AdjustDisplayValue(String& Text) override;
};

class TkcFilterNotBetweenOperator : public TkcFilterBetweenOperator {
  VT_FILTER_OPERATOR(TkcFilterNotBetweenOperator, TkcFilterBetweenOperator)
  bool Matches(const Variant& R, const Variant& C) override { return !inherited::Matches(R, C); }
  String GetExpressionWord() override { return "NOT BETWEEN"; }
  String GetDisplayWord() override;
  String GetOwnExpression(const Variant& Value) override;
};

// A scalar value counts as a one-item list.
class TkcFilterInListOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterInListOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  String GetExpressionWord() override { return "IN"; }
  String GetDisplayWord() override;
  bool AlwaysShowsWord() override { return true; }
  bool HasOwnExpression() override;
  String GetOwnExpression(const Variant& Value) override;
  bool FormatArrayValue(const Variant& Value, String& Text) override;
  void AdjustDisplayValue(String& Text) override;

private:
  String ItemText(const Variant& Item);
  bool fFormattingItem = false;
};

class TkcFilterNotInListOperator : public TkcFilterInListOperator {
  VT_FILTER_OPERATOR(TkcFilterNotInListOperator, TkcFilterInListOperator)
  bool Matches(const Variant& R, const Variant& C) override { return !inherited::Matches(R, C); }
  String GetExpressionWord() override { return "NOT IN"; }
  String GetDisplayWord() override;
  String GetOwnExpression(const Variant& Value) override;
};

class TkcFilterNullOperator : public TkcFilterEqualOperator {
  VT_FILTER_OPERATOR(TkcFilterNullOperator, TkcFilterEqualOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  String GetDisplayWord() override;
  bool IsNullTest() override { return true; }
  void AdjustDisplayValue(String& Text) override;
};

class TkcFilterNotNullOperator : public TkcFilterNullOperator {
  VT_FILTER_OPERATOR(TkcFilterNotNullOperator, TkcFilterNullOperator)
  bool Matches(const Variant& R, const Variant& C) override { return !inherited::Matches(R, C); }
  String GetExpressionWord() override { return "<>"; }
  String GetDisplayWord() override;
};

// Date ranges [start, end) relative to today, computed by Recalculate.
class TkcFilterDateOperator : public TkcFilterOperator {
  VT_FILTER_OPERATOR(TkcFilterDateOperator, TkcFilterOperator)
  bool Matches(const Variant& R, const Variant& C) override;
  String GetExpressionWord() override { return GetDisplayWord(); }
  bool HasOwnExpression() override { return true; }
  String GetOwnExpression(const Variant& Value) override;
  void AdjustDisplayValue(String& Text) override { Text.clear(); }
  TDateTime RangeStart() const { return fStart; }
  TDateTime RangeEnd() const { return fEnd; }

protected:
  void SetRange(TDateTime AStart, TDateTime AEnd) {
    fStart = AStart;
    fEnd = AEnd;
  }

private:
  TDateTime fStart = 0;
  TDateTime fEnd = 0;
};

#define VT_FILTER_DATE_OPERATOR(Name)               \
  class Name : public TkcFilterDateOperator {       \
    VT_FILTER_OPERATOR(Name, TkcFilterDateOperator) \
    void Recalculate() override;                    \
    String GetDisplayWord() override;               \
  }
VT_FILTER_DATE_OPERATOR(TkcFilterYesterdayOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterTodayOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterTomorrowOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterLastWeekOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterLastMonthOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterLastYearOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterThisWeekOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterThisMonthOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterThisYearOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterNextWeekOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterNextMonthOperator);
VT_FILTER_DATE_OPERATOR(TkcFilterNextYearOperator);
#undef VT_FILTER_DATE_OPERATOR

// The operator class of a stored kind (kinds 24 and 25 are the null tests); null past them.
TkcFilterOperatorClass FilterOperatorClassOfKind(TkcFilterOperatorKind AKind);

// ---- Criteria items --------------------------------------------------------------------------

class TkcCustomFilterCriteriaItem : public TObject {
  VT_CLASS(TkcCustomFilterCriteriaItem, TObject)
public:
  explicit TkcCustomFilterCriteriaItem(TkcFilterCriteriaItemList* AParent) : fParent(AParent) {}
  // Takes the node out of its parent group (a change).
  ~TkcCustomFilterCriteriaItem() override;

  TkcFilterCriteriaItemList* Parent() const { return fParent; }
  virtual void Changed();
  virtual TkcFilterCriteria* GetCriteria();
  virtual bool IsItemList() = 0;
  virtual void ReadExtraData(TStream* /*Stream*/) {}
  virtual void WriteToStream(TStream* Stream);

private:
  friend class TkcFilterCriteria;
  friend class TkcFilterCriteriaItemList;
  TkcFilterCriteriaItemList* fParent;
  // IsItemList without a call, for the record evaluation's walk.
  bool fIsGroup = false;
};

class TkcFilterCriteriaItemList : public TkcCustomFilterCriteriaItem {
  VT_CLASS(TkcFilterCriteriaItemList, TkcCustomFilterCriteriaItem)
public:
  TkcFilterCriteriaItemList(TkcFilterCriteriaItemList* AParent, TkcFilterBoolOperatorKind AKind)
      : TkcCustomFilterCriteriaItem(AParent), fBoolOperatorKind(AKind) {
    fIsGroup = true;
  }
  ~TkcFilterCriteriaItemList() override;

  TkcFilterCriteria* GetCriteria() override;
  bool IsItemList() override { return true; }
  void WriteToStream(TStream* Stream) override;
  // Takes Node out of the children without freeing it; a change when it was there.
  virtual void Remove(TkcCustomFilterCriteriaItem* Node);

  TkcFilterCriteriaItem* AddItem(TObject* AItemLink, TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue);
  TkcFilterCriteriaItemList* AddItemList(TkcFilterBoolOperatorKind AKind);
  // Frees the children, last first, inside one update bracket.
  void Clear();
  int GetCount() const { return static_cast<int>(fItems.size()); }
  // Null outside 0..count-1.
  TkcCustomFilterCriteriaItem* GetItem(int Index) const;
  TkcFilterBoolOperatorKind BoolOperatorKind() const { return fBoolOperatorKind; }
  void SetBoolOperatorKind(TkcFilterBoolOperatorKind Value);
  // Set for the root group only.
  TkcFilterCriteria* Criteria() const { return fCriteria; }

private:
  friend class TkcFilterCriteria;
  TkcFilterBoolOperatorKind fBoolOperatorKind;
  TkcFilterCriteria* fCriteria = nullptr;
  std::vector<TkcCustomFilterCriteriaItem*> fItems;
};

class TkcFilterCriteriaItem : public TkcCustomFilterCriteriaItem {
  VT_CLASS(TkcFilterCriteriaItem, TkcCustomFilterCriteriaItem)
public:
  using TConstructorArgs = std::tuple<TkcFilterCriteriaItemList*, TObject*, TkcFilterOperatorKind, Variant, String>;
  TkcFilterCriteriaItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink, TkcFilterOperatorKind AOperatorKind,
                        Variant AValue, String ADisplayValue);
  ~TkcFilterCriteriaItem() override;

  // Completes construction once the object is whole (so that descendants' operator classes
  // apply): creates the operator and shows "blank" for an empty display value of a null test.
  // The criteria's AddItem runs it.
  virtual void AfterConstruction();

  bool IsItemList() override { return false; }
  void WriteToStream(TStream* Stream) override;
  virtual Variant GetDataValue(int ARecordIndex) = 0;
  // The record's value, either held by the source (returned in place) or read into Buffer;
  // by default GetDataValue into Buffer. Sources that hold their values override it, so that
  // evaluating a record copies nothing.
  virtual const Variant& GetDataValueRef(int ARecordIndex, Variant& Buffer);
  virtual String GetDisplayValue();
  virtual String GetValueText(bool IsDisplay);
  virtual String GetFieldCaption() = 0;
  virtual String GetFieldName() = 0;
  virtual TkcFilterOperatorClass GetFilterOperatorClass();
  virtual TObject* GetItemLink() { return fItemLink; }
  virtual void RecreateOperator();
  virtual bool ValueIsNull(const Variant& V);

  const String& DisplayValue() const { return fDisplayValue; }
  TObject* ItemLink() const { return fItemLink; }
  TkcFilterOperator* Operator() const { return fOperator; }
  TkcFilterOperatorKind OperatorKind() const { return fOperatorKind; }
  const Variant& Value() const { return fValue; }

private:
  friend class TkcFilterCriteria;
  friend class TkcFilterOperator;
  friend class TkcFilterLikeOperator;
  String fDisplayValue;
  TObject* fItemLink;
  TkcFilterOperator* fOperator = nullptr;
  TkcFilterOperatorKind fOperatorKind;
  Variant fValue;
  // The value as compared (PrepareValue), kept while the criteria do not change.
  Variant fPreparedValue;
  std::uint64_t fPreparedGeneration = 0;
  // Buffers of the record evaluation, kept so that their storage is reused.
  Variant fDataValue, fPreparedDataValue;
  // The record evaluation's own test of a condition of a built-in operator, chosen with the
  // prepared value: a LIKE over a text read in place, or an integer comparison, each without
  // the operator's general path. Any other value (a null, another kind) takes that path.
  enum TRecordTest : std::uint8_t { rtGeneral, rtLike, rtCompare };
  TRecordTest fRecordTest = rtGeneral;
  TkcFilterOperatorKind fRecordCompare = foEqual;
  bool fRecordNegated = false;
  bool fRecordIgnoresNull = false;
  std::int64_t fRecordConstant = 0;
  TkcLikePattern fRecordPattern;
};

using TkcFilterCriteriaItemClass =
    TClassOf<TkcFilterCriteriaItem, TkcFilterCriteriaItemList*, TObject*, TkcFilterOperatorKind, Variant, String>;

// ---- Criteria --------------------------------------------------------------------------------

using TkcFilterValueListClass = TClassOf<TkcFilterValueList, TkcFilterCriteria*>;

class TkcFilterCriteria : public TPersistent {
  VT_CLASS(TkcFilterCriteria, TPersistent)
public:
  // Nesting of groups read from a stream beyond this depth is refused as damaged.
  static constexpr int kMaxStreamDepth = 256;

  TkcFilterCriteria();
  ~TkcFilterCriteria() override;

  void Assign(TPersistent* Source) override;
  virtual void CheckChanges();
  virtual String BooleanValueText(const Variant& Value);
  virtual String DateValueText(const Variant& Value);
  virtual void DoFormatFilterTextValue(TkcFilterCriteriaItem* /*AItem*/, const Variant& /*Value*/, String& /*Text*/) {}
  virtual String GetFilterCaption() { return BuildFilterText(true); }
  virtual String BuildFilterText(bool IsDisplay);
  virtual String GetFilterText() { return BuildFilterText(false); }
  virtual int GetIDByItemLink(TObject* AItemLink) = 0;
  virtual TkcFilterCriteriaItemClass GetItemClass();
  virtual String GetItemText(TkcFilterCriteriaItem* AItem, bool IsDisplay);
  virtual String GetItemFieldText(TkcFilterCriteriaItem* AItem, bool IsDisplay);
  virtual String GetItemOperatorText(TkcFilterCriteriaItem* AItem, bool IsDisplay);
  virtual String GetItemValueText(TkcFilterCriteriaItem* AItem, bool IsDisplay);
  virtual TObject* GetItemLinkByID(int AID) = 0;
  virtual TkcFilterValueListClass GetValueListClass();
  virtual void PrepareOperators();
  virtual void PrepareValue(const Variant& Value, Variant& Result);
  virtual void EmptyHook() {}
  virtual void DoChanged();
  virtual void AssignEvents(TPersistent* Source);
  virtual void AssignItems(TkcFilterCriteria* Source);
  virtual TkcFilterCriteriaItem* AddItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink,
                                         TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                         const String& ADisplayValue);
  virtual void Changed();
  virtual TkcFilterCriteriaItem* FindItemByItemLink(TObject* AItemLink);
  virtual bool IsEmpty() { return fRoot->GetCount() == 0; }
  virtual void RestoreDefaults();
  virtual bool ValueIsNull(const Variant& Value);
  virtual void ReadData(TStream* Stream);
  virtual void WriteData(TStream* Stream);

  void BeginUpdate() { ++fLockCount; }
  void EndUpdate();
  void CancelUpdate() { --fLockCount; }
  int LockCount() const { return fLockCount; }
  void Clear();
  bool HasData() { return fRoot->BoolOperatorKind() != fboAnd || fRoot->GetCount() > 0; }
  void RemoveItemByItemLink(TObject* AItemLink);
  bool EvaluateRecord(int ARecordIndex);
  // The filter's one condition when it compares an integer value with an integer constant
  // (prepared now if needed): its item, comparison and constant, and whether the root negates
  // it; nil for any other filter. A non-null integer value passes exactly when the comparison
  // holds (xor AInverted).
  TkcFilterCriteriaItem* PreparedIntegerCompare(TkcFilterOperatorKind& AKind, std::int64_t& AConstant,
                                                bool& AInverted);
  // The filter's one condition when it is a prepared LIKE (or NOT LIKE) that takes Null values
  // its general way: its item and pattern; a text value passes exactly when the pattern matches
  // it xor ANegated xor AInverted. Nil for any other filter.
  TkcFilterCriteriaItem* PreparedLike(const TkcLikePattern*& APattern, bool& ANegated, bool& AInverted);

  TkcFilterCriteriaItemList* Root() const { return fRoot; }
  const String& DateTimeFormat() const { return fDateTimeFormat; }
  void SetDateTimeFormat(const String& Value);
  int MaxValueListCount() const { return fMaxValueListCount; }
  void SetMaxValueListCount(int Value) { fMaxValueListCount = Value; }
  TkcFilterCriteriaOptions Options() const { return fOptions; }
  void SetOptions(TkcFilterCriteriaOptions Value);
  char32_t PercentWildcard() const { return fPercentWildcard; }
  void SetPercentWildcard(char32_t Value);
  char32_t UnderscoreWildcard() const { return fUnderscoreWildcard; }
  void SetUnderscoreWildcard(char32_t Value);
  bool SupportedLike() const { return fSupportedLike; }
  void SetSupportedLike(bool Value) { fSupportedLike = Value; }
  bool TranslateBetween() const { return fTranslateBetween; }
  void SetTranslateBetween(bool Value) { fTranslateBetween = Value; }
  bool TranslateLike() const { return fTranslateLike; }
  void SetTranslateLike(bool Value) { fTranslateLike = Value; }
  bool TranslateIn() const { return fTranslateIn; }
  void SetTranslateIn(bool Value) { fTranslateIn = Value; }

  TNotifyEvent OnChanged;

  // Bumped by every change; conditions keep their prepared value while it stays.
  std::uint64_t ChangeGeneration() const { return fChangeGeneration; }

private:
  // Visits the conditions depth first in child order until AVisit answers true; that condition.
  TkcFilterCriteriaItem* ForEachCondition(const std::function<bool(TkcFilterCriteriaItem*)>& AVisit);
  String GroupText(TkcFilterCriteriaItemList* AGroup, bool IsDisplay);
  bool EvaluateGroup(TkcFilterCriteriaItemList* AGroup, int ARecordIndex);
  bool EvaluateItem(TkcFilterCriteriaItem* AItem, int ARecordIndex);
  // The condition's prepared value and record test for the current change.
  void PrepareItem(TkcFilterCriteriaItem* AItem);
  // The prepared record test of a value, when it has one for the value's kind.
  bool TestPrepared(TkcFilterCriteriaItem* AItem, const Variant& AValue, bool& AResult);
  // The rest of a record's test: preparing the condition, or the operator's general path.
  [[gnu::noinline]] bool EvaluateItemValue(TkcFilterCriteriaItem* AItem, const Variant& AValue);
  void ReadNodes(TStream* Stream, TkcFilterCriteriaItemList* AGroup, std::int32_t ACount, int ADepth);
  void PruneGroup(TkcFilterCriteriaItemList* AGroup);

  bool fChanged = false;
  String fDateTimeFormat;
  int fLockCount = 0;
  int fMaxValueListCount = 0;
  TkcFilterCriteriaOptions fOptions;
  char32_t fPercentWildcard = U'%';
  TkcFilterCriteriaItemList* fRoot;
  bool fSupportedLike = true;
  bool fTranslateBetween = false;
  bool fTranslateLike = false;
  bool fTranslateIn = false;
  char32_t fUnderscoreWildcard = U'_';
  std::uint64_t fChangeGeneration = 1;
};

// ---- Filter value list -----------------------------------------------------------------------

enum TkcFilterValueItemKind : std::uint8_t {
  fviAll,           // "(All)"
  fviCustom,        // "(Custom...)"
  fviBlanks,        // "(Blanks)"
  fviNonBlanks,     // "(NonBlanks)"
  fviUser,          // added by the application
  fviValue,         // a value of the column
  fviMRU,           // a recently used filter value
  fviMRUSeparator,  // after the recently used values
};

struct TkcFilterValueItem {
  TkcFilterValueItemKind Kind = fviValue;
  Variant Value;
  String DisplayText;
};

class TkcFilterValueList : public TObject {
  VT_CLASS(TkcFilterValueList, TObject)
public:
  using TConstructorArgs = std::tuple<TkcFilterCriteria*>;
  explicit TkcFilterValueList(TkcFilterCriteria* ACriteria) : fCriteria(ACriteria) {}

  virtual int Compare(int Index, const Variant& Value, const String& DisplayText);
  virtual void Add(TkcFilterValueItemKind Kind, const Variant& Value, const String& DisplayText, bool Append);
  // Adds value entries (kind 5, whatever Kind the given entries hold) with the same result as one
  // Add(fviValue, Value, DisplayText, false) per entry in order: duplicates and values equal to a
  // recently used entry are skipped and MaxValueListCount keeps the first distinct values met.
  // Sorts once instead of one list insertion per value, so a million distinct values load in
  // O(n log n). Uses the list's own ordering (that of the base Compare).
  void AddValues(const std::vector<TkcFilterValueItem>& AValues);
  // Room for ACount more entries.
  void ReserveValueEntries(std::size_t ACount) { fItems.reserve(fItems.size() + ACount); }
  // Appends a value entry without Add's search, for a caller that knows it distinct, in the
  // list's order after every listed value and not recently used (what Add would then add).
  void AppendValueEntry(Variant&& AValue, String&& ADisplayText) {
    fItems.emplace_back(fviValue, std::move(AValue), std::move(ADisplayText));
  }
  // Drops the last ACount entries (those a failed load appended).
  void DropLast(std::size_t ACount) { fItems.resize(fItems.size() - std::min(ACount, fItems.size())); }
  virtual void Clear() { fItems.clear(); }
  // Recently used entries first, then a binary search over the value entries; Index is the
  // first equal entry or the insertion point.
  virtual bool Find(const Variant& Value, const String& DisplayText, int& Index);
  virtual int GetIndexByCriteriaItem(TkcFilterCriteriaItem* AItem);
  // Fills the list from a data source; the data controller's list overrides it.
  virtual void Load(int /*AItemIndex*/, bool /*AInitSortByDisplayText*/) {}

  TkcFilterCriteria* Criteria() const { return fCriteria; }
  int GetCount() const { return static_cast<int>(fItems.size()); }
  const TkcFilterValueItem& GetItem(int Index) const;
  void Delete(int Index);
  // The first entry of a kind, -1 when none.
  int IndexOfKind(TkcFilterValueItemKind Kind) const;
  // The first value entry, or the count when none.
  int FirstValueIndex() const;
  // The separator after a leading run of recently used entries, -1 when none.
  int MRUSeparatorIndex() const;
  bool SortByDisplayText() const { return fSortByDisplayText; }
  void SetSortByDisplayText(bool Value) { fSortByDisplayText = Value; }

private:
  // What an entry is ordered by: its prepared value, or its display text (upper-cased when the
  // criteria ignore case) when the list sorts by display text.
  struct TSortKey {
    Variant Value;
    String Text;
  };
  TSortKey SortKeyOf(const Variant& Value, const String& DisplayText) const;
  int CompareSortKeys(const TSortKey& A, const TSortKey& B) const;
  void InsertItem(int Index, TkcFilterValueItemKind Kind, const Variant& Value, const String& DisplayText);

  TkcFilterCriteria* fCriteria;
  std::vector<TkcFilterValueItem> fItems;
  bool fSortByDisplayText = false;
};
