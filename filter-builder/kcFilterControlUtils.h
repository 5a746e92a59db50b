#pragma once
// Condition operators of the filter builder and the Custom Filter dialog, and the filter edit
// helpers: per editor kind, the value editor to create for a condition, how its properties are
// set up from the column's, which operators the kind offers and how values move between a
// condition and the editor. Helpers are stateless: each class has one instance, reached with
// its static Class(), and every operation is asked of that instance.

#include <cstdint>
#include <functional>
#include <map>

#include "controls/kcClasses.h"
#include "data/kcDataStorage.h"
#include "data/kcFilter.h"
#include "editors/kcEdit.h"
#include "editors/kcEditRepository.h"

// ---- Operators -------------------------------------------------------------------------------

enum TkcConditionOperator : std::uint8_t {
  kcoNone,
  kcoEqual,
  kcoNotEqual,
  kcoLess,
  kcoLessEqual,
  kcoGreater,
  kcoGreaterEqual,
  kcoLike,
  kcoNotLike,
  kcoBlanks,
  kcoNonBlanks,
  kcoBetween,
  kcoNotBetween,
  kcoInList,
  kcoNotInList,
  kcoYesterday,
  kcoToday,
  kcoTomorrow,
  kcoLastWeek,
  kcoLastMonth,
  kcoLastYear,
  kcoThisWeek,
  kcoThisMonth,
  kcoThisYear,
  kcoNextWeek,
  kcoNextMonth,
  kcoNextYear
};
constexpr int kLastConditionOperator = kcoNextYear;

// A set of operators, bit n for operator n.
class TkcConditionOperators {
public:
  constexpr TkcConditionOperators() = default;
  constexpr explicit TkcConditionOperators(std::uint32_t ABits) : fBits(ABits) {}
  // Operators AFirst to ALast.
  static constexpr TkcConditionOperators Range(TkcConditionOperator AFirst, TkcConditionOperator ALast) {
    std::uint32_t bits = 0;
    for (int i = AFirst; i <= ALast; ++i) bits |= 1u << i;
    return TkcConditionOperators(bits);
  }
  constexpr bool Contains(TkcConditionOperator A) const { return (fBits >> A) & 1u; }
  constexpr TkcConditionOperators& Include(TkcConditionOperator A) {
    fBits |= 1u << A;
    return *this;
  }
  constexpr TkcConditionOperators& Exclude(TkcConditionOperator A) {
    fBits &= ~(1u << A);
    return *this;
  }
  constexpr TkcConditionOperators Without(TkcConditionOperators A) const {
    return TkcConditionOperators(fBits & ~A.fBits);
  }
  constexpr std::uint32_t Bits() const { return fBits; }
  constexpr bool Empty() const { return fBits == 0; }
  // The lowest operator of the set; kcoNone when empty.
  TkcConditionOperator First() const;
  constexpr bool operator==(const TkcConditionOperators&) const = default;

private:
  std::uint32_t fBits = 0;
};

constexpr TkcConditionOperators kcSimpleConditionOperators = TkcConditionOperators::Range(kcoEqual, kcoNonBlanks);
constexpr TkcConditionOperators kcExtendedConditionOperators = TkcConditionOperators::Range(kcoEqual, kcoNotInList);
constexpr TkcConditionOperators kcLikeConditionOperators = TkcConditionOperators::Range(kcoLike, kcoNotLike);

// The display text of an operator ("" for none), through the library's text lookup.
String GetConditionOperatorText(TkcConditionOperator AOperator);
// The criteria's operator kind of an operator (blank tests are equal / not equal with Null).
TkcFilterOperatorKind ConditionOperatorKind(TkcConditionOperator AOperator);
// The operator of a stored condition: equal and not equal with a null value are the blank tests.
TkcConditionOperator ConditionOperatorOf(TkcFilterOperatorKind AKind, bool AValueIsNull);
// Whether the operator takes values (blank tests and date periods take none).
bool ConditionOperatorHasValues(TkcConditionOperator AOperator);

class EkcFilterControlError : public Exception {
public:
  using Exception::Exception;
};
[[noreturn]] void RaiseFilterControlError(const String& AText);

// ---- Value editors ---------------------------------------------------------------------------

class TkcCustomEdit;

// What the helpers ask of a value editor; the edit controls implement it.
class IkcFilterEdit {
public:
  virtual ~IkcFilterEdit() = default;
  // The edit control itself (to parent, place and focus it).
  virtual TkcCustomEdit* GetFilterEditControl() = 0;
  // The properties in effect for the editor.
  virtual TkcCustomEditProperties* GetFilterEditProperties() = 0;
  virtual Variant GetFilterEditValue() = 0;
  virtual void SetFilterEditValue(const Variant& AValue) = 0;
};

// An edit class as the helpers name it: the class of its properties and how to create one.
struct TkcFilterEditClassInfo {
  TkcCustomEditPropertiesClass PropertiesClass;
  std::function<IkcFilterEdit*()> Create;
};
using TkcFilterEditClass = const TkcFilterEditClassInfo*;

// A value editor: an in-place edit control of one kind that answers the helpers itself.
template <class TEditControl>
class TkcFilterValueEdit : public TEditControl, public IkcFilterEdit {
public:
  TkcFilterValueEdit() : TEditControl(nullptr, true) {}
  TkcCustomEdit* GetFilterEditControl() override { return this; }
  TkcCustomEditProperties* GetFilterEditProperties() override { return this->ActiveProperties(); }
  Variant GetFilterEditValue() override { return this->EditValue(); }
  void SetFilterEditValue(const Variant& AValue) override { this->SetEditValue(AValue); }
};

// The edit class of value editors of the kind TEditControl with properties TProperties.
template <class TEditControl, class TProperties>
TkcFilterEditClass FilterEditClassOf() {
  static const TkcFilterEditClassInfo info{TProperties::StaticClass(), [] {
                                             return static_cast<IkcFilterEdit*>(new TkcFilterValueEdit<TEditControl>());
                                           }};
  return &info;
}

// The in-place edit list that hands out one cached editor per properties class.
class IkcFilterInplaceEditList {
public:
  virtual ~IkcFilterInplaceEditList() = default;
  // The cached editor of the class (made on first use).
  virtual IkcFilterEdit* GetEditOfClass(TkcFilterEditClass AClass) = 0;
  // Removes and frees the editor kept for AClass.
  virtual void RemoveItem(TkcCustomEditPropertiesClass AClass) = 0;
};

// ---- Helpers ---------------------------------------------------------------------------------

class TkcCustomFilterEditHelper;
using TkcFilterEditHelperClass = const TkcCustomFilterEditHelper*;

#define KC_FILTER_EDIT_HELPER(Name, Base)   \
  VT_CLASS(Name, Base)                      \
public:                                     \
  static TkcFilterEditHelperClass Class() { \
    static const Name instance;             \
    return &instance;                       \
  }                                         \
                                            \
private:

class TkcCustomFilterEditHelper : public TObject {
  KC_FILTER_EDIT_HELPER(TkcCustomFilterEditHelper, TObject)
public:
  virtual void ClearPropertiesEvents(TkcCustomEditProperties* AProperties) const;
  virtual void InitializeFilterEdit(IkcFilterEdit* AEdit, TkcCustomEditProperties* ASourceProperties) const;
  virtual bool KeepsDefaultValuesProvider(TkcCustomEditProperties* ASourceProperties) const;
  virtual bool KeepsEditButtons() const { return false; }
  virtual TkcFilterEditClass GetFilterEditClass() const { return nullptr; }
  virtual void ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties, Variant& AValue,
                               String& ADisplayText) const;
  virtual TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties,
                                                      TkcValueTypeClass AValueTypeClass, bool AExtendedSet) const;
  virtual void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                                    bool AKeepButtons) const;
  virtual bool AcceptsValue(TkcValueTypeClass AValueTypeClass, Variant& AValue) const;
  virtual void WriteFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties*, const Variant& AValue) const {
    AEdit->SetFilterEditValue(AValue);
  }
  virtual bool ShowsDisplayText() const { return false; }
};

// The helpers of the text editors; the other editor kinds derive theirs from these. A value
// editor is an in-place editor of the kind the helper names.
class TkcFilterTextEditHelper : public TkcCustomFilterEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterTextEditHelper, TkcCustomFilterEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  // Also drops the lookup's new-text handler.
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// A regular-expression mask edits filter values with its forced characters filled in; a masked
// editor offers no like (a pattern would not fit the mask).
class TkcFilterMaskEditHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterMaskEditHelper, TkcFilterTextEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
};

// Drop-down editors keep their drop-down button on value editors.
class TkcFilterDropDownEditHelper : public TkcFilterMaskEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterDropDownEditHelper, TkcFilterMaskEditHelper)
public:
  bool KeepsEditButtons() const override { return true; }
};

// A combo box edits filter values as a plain edit list: no glyph, eight rows, no opening while
// typing, no stepping by double click.
class TkcFilterComboBoxHelper : public TkcFilterDropDownEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterComboBoxHelper, TkcFilterDropDownEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// ---- Registry --------------------------------------------------------------------------------

// Helpers by editor properties class. A pair is kept under the immediate base of the
// properties class, so a kind's published class and its custom base share the helper, and a
// lookup answers the helper of the nearest registered ancestor.
class TkcFilterEditsController : public TkcRegisteredClassList {
  VT_CLASS(TkcFilterEditsController, TkcRegisteredClassList)
public:
  static TClass KeyClassOf(TClass APropertiesClass);
  void AddPair(TClass APropertiesClass, TClass AHelperClass) override;
  // Frees the controller when no pair is left: do not use it after this call.
  void RemovePairs(TClass APropertiesClass, TClass AHelperClass) override;
  void Register(TClass APropertiesClass, TkcFilterEditHelperClass AHelper);
  void Unregister(TClass APropertiesClass, TkcFilterEditHelperClass AHelper);
  // Null when no ancestor of the properties class is registered.
  TkcFilterEditHelperClass GetHelperClass(TClass APropertiesClass);

private:
  std::map<TClass, TkcFilterEditHelperClass> fHelpers;
};

// The one controller, created on first use.
TkcFilterEditsController* GetFilterEditsController();
// Whether a controller exists now (it is freed with its last pair).
bool FilterEditsControllerExists();
// The helpers of the editors library's kinds: text, mask and combo box.
void RegisterStandardFilterEditHelpers();
void UnregisterStandardFilterEditHelpers();

// A value editor for a condition: from the list when one is given, else a new one the caller
// owns; set up by the helper. Null when the helper names no edit class.
IkcFilterEdit* CreateFilterEdit(TkcFilterEditHelperClass AHelper, TkcCustomEditProperties* ASourceProperties,
                                IkcFilterInplaceEditList* AInplaceEditList = nullptr);
// Checks a typed value against the column's value type; AValue may be converted in place.
// EkcFilterControlError "Invalid value" when it does not suit.
void ValidateConditionValue(IkcFilterEdit* AEdit, Variant& AValue, TkcConditionOperator AOperator,
                            TkcValueTypeClass AValueTypeClass, TkcFilterEditHelperClass AHelper);
