#include "filter-builder/kcFilterExtendedEditHelpers.h"

#include "editors-extended/kcCalcEdit.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImageComboBox.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors/kcComboBox.h"
#include "platform/core/Utf8.h"
#include "editors-extended/kcTimeEdit.h"

TkcConditionOperators TkcFilterMemoHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                 bool) const {
  return TkcConditionOperators(0x780);
}

namespace {

int gInitCount = 0;

// Values chosen from a list: equal or not, blank or not, and in lists in the extended set.
TkcConditionOperators ChoiceOperators(bool AExtendedSet) {
  TkcConditionOperators result;
  result.Include(kcoEqual).Include(kcoNotEqual).Include(kcoBlanks).Include(kcoNonBlanks);
  if (AExtendedSet) result.Include(kcoInList).Include(kcoNotInList);
  return result;
}

// Numbers: the comparisons and blanks; ranges and lists in the extended set.
TkcConditionOperators NumberOperators(bool AExtendedSet) {
  TkcConditionOperators result = TkcConditionOperators::Range(kcoEqual, kcoGreaterEqual);
  result.Include(kcoBlanks).Include(kcoNonBlanks);
  if (AExtendedSet) result.Include(kcoBetween).Include(kcoNotBetween).Include(kcoInList).Include(kcoNotInList);
  return result;
}

}  // namespace

TkcFilterEditClass TkcFilterSpinEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcSpinEdit, TkcSpinEditProperties>();
}

TkcConditionOperators TkcFilterSpinEditHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                     bool AExtendedSet) const {
  return NumberOperators(AExtendedSet);
}

void TkcFilterSpinEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcFilterMaskEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  if (auto* spin = dynamic_cast<TkcCustomSpinEditProperties*>(AProperties)) spin->CanEdit = true;
}

TkcFilterEditClass TkcFilterTimeEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcTimeEdit, TkcTimeEditProperties>();
}

void TkcFilterTimeEditHelper::InitializeFilterEdit(IkcFilterEdit* AEdit,
                                                   TkcCustomEditProperties* ASourceProperties) const {
  TkcFilterSpinEditHelper::InitializeFilterEdit(AEdit, ASourceProperties);
  if (auto* edit = dynamic_cast<TkcTimeEdit*>(AEdit->GetFilterEditControl())) edit->SetTime(0);
}

TkcFilterEditClass TkcFilterDateEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcDateEdit, TkcDateEditProperties>();
}

TkcConditionOperators TkcFilterDateEditHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                     bool AExtendedSet) const {
  TkcConditionOperators result = TkcConditionOperators::Range(kcoEqual, kcoGreaterEqual);
  result.Include(kcoBlanks).Include(kcoNonBlanks);
  if (!AExtendedSet) return result;
  result.Include(kcoBetween).Include(kcoNotBetween).Include(kcoInList).Include(kcoNotInList);
  for (int op = kcoYesterday; op <= kcoNextYear; ++op) result.Include(static_cast<TkcConditionOperator>(op));
  return result;
}

void TkcFilterDateEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcFilterDropDownEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* date = dynamic_cast<TkcCustomDateEditProperties*>(AProperties);
  if (!date) return;
  date->SetDateButtons(TDateButtons{btnClear, btnToday});
  date->SetDateOnError(deNull);
  date->SetInputKind(ikRegExpr);
  date->SetSaveTime(true);
}

namespace {

TkcCustomComboBox* ComboOf(IkcFilterEdit* AEdit) {
  return AEdit ? dynamic_cast<TkcCustomComboBox*>(AEdit->GetFilterEditControl()) : nullptr;
}

// A fixed list of texts for the value editor, without the source's defaults and events.
void FillFixedList(const TkcCustomFilterEditHelper* AHelper, TkcCustomEditProperties* AProperties,
                   const std::vector<String>& ATexts) {
  auto* combo = dynamic_cast<TkcCustomComboBoxProperties*>(AProperties);
  if (!combo) return;
  combo->BeginUpdate();
  combo->Items()->Clear();
  for (const String& text : ATexts) combo->Items()->Add(text);
  combo->SetDropDownListStyle(lsFixedList);
  combo->ClearDefaultValuesProvider();
  AHelper->ClearPropertiesEvents(combo);
  combo->EndUpdate(true);
}

}  // namespace

TkcConditionOperators TkcFilterCheckBoxHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                     bool) const {
  return TkcConditionOperators(0x606);
}

void TkcFilterCheckBoxHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties, bool) const {
  auto* source = dynamic_cast<TkcCustomCheckBoxProperties*>(ASourceProperties);
  if (!source) return FillFixedList(this, AProperties, {});
  FillFixedList(this, AProperties,
                {WideToUtf8(source->GetDisplayText(source->ValueChecked())),
                 WideToUtf8(source->GetDisplayText(source->ValueUnchecked()))});
}

void TkcFilterCheckBoxHelper::ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                                              Variant& AValue, String& ADisplayText) const {
  auto* source = dynamic_cast<TkcCustomCheckBoxProperties*>(AEditProperties);
  TkcCustomComboBox* combo = ComboOf(AEdit);
  const int index = combo ? combo->ItemIndex() : -1;
  if (!source || index < 0 || index > 1) {
    AValue = Null();
    ADisplayText.clear();
    return;
  }
  AValue = index == 0 ? source->ValueChecked() : source->ValueUnchecked();
  ADisplayText = WideToUtf8(source->GetDisplayText(AValue));
}

void TkcFilterCheckBoxHelper::WriteFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                                               const Variant& AValue) const {
  auto* source = dynamic_cast<TkcCustomCheckBoxProperties*>(AEditProperties);
  TkcCustomComboBox* combo = ComboOf(AEdit);
  if (!source || !combo) return;
  const TkcCheckBoxState state = source->GetState(AValue);
  combo->SetItemIndex(state == cbsChecked ? 0 : state == cbsUnchecked ? 1 : -1);
}

TkcConditionOperators TkcFilterRadioGroupHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                       bool AExtendedSet) const {
  return ChoiceOperators(AExtendedSet);
}

void TkcFilterRadioGroupHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                     TkcCustomEditProperties* ASourceProperties, bool) const {
  std::vector<String> captions;
  if (auto* source = dynamic_cast<TkcCustomRadioGroupProperties*>(ASourceProperties))
    for (int i = 0; i < source->Items()->Count(); ++i)
      captions.push_back(source->Items()->Items(i) ? source->Items()->Items(i)->Caption() : String());
  FillFixedList(this, AProperties, captions);
}

void TkcFilterRadioGroupHelper::ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                                                Variant& AValue, String& ADisplayText) const {
  auto* source = dynamic_cast<TkcCustomRadioGroupProperties*>(AEditProperties);
  TkcCustomComboBox* combo = ComboOf(AEdit);
  if (!source) {
    AValue = Null();
    ADisplayText.clear();
    return;
  }
  const int index = combo ? combo->ItemIndex() : -1;
  AValue = source->GetItemValue(index);
  ADisplayText = index < 0 || !source->Items()->Items(index) ? WideToUtf8(source->DefaultCaption())
                                                              : source->Items()->Items(index)->Caption();
}

void TkcFilterRadioGroupHelper::WriteFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                                                 const Variant& AValue) const {
  auto* source = dynamic_cast<TkcCustomRadioGroupProperties*>(AEditProperties);
  if (TkcCustomComboBox* combo = ComboOf(AEdit); source && combo) combo->SetItemIndex(source->GetRadioGroupItemIndex(AValue));
}

TkcFilterEditClass TkcFilterCurrencyEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcCurrencyEdit, TkcCurrencyEditProperties>();
}

TkcConditionOperators TkcFilterCurrencyEditHelper::GetSupportedOperators(TkcCustomEditProperties*,
                                                                         TkcValueTypeClass, bool AExtendedSet) const {
  return NumberOperators(AExtendedSet);
}

void TkcFilterCurrencyEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                       TkcCustomEditProperties* ASourceProperties,
                                                       bool AKeepButtons) const {
  TkcFilterTextEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* currency = dynamic_cast<TkcCustomCurrencyEditProperties*>(AProperties);
  if (!currency) return;
  currency->SetMinValue(0);
  currency->SetMaxValue(0);
  currency->SetNullable(true);
  currency->SetNullString(String());
}

TkcFilterEditClass TkcFilterCalcEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcCalcEdit, TkcCalcEditProperties>();
}

TkcConditionOperators TkcFilterCalcEditHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                     bool AExtendedSet) const {
  return NumberOperators(AExtendedSet);
}

void TkcFilterCalcEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcFilterMaskEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  if (auto* calc = dynamic_cast<TkcCustomCalcEditProperties*>(AProperties)) calc->QuickClose = true;
}

TkcFilterEditClass TkcFilterHyperLinkEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcHyperLinkEdit, TkcHyperLinkEditProperties>();
}

TkcFilterEditClass TkcFilterImageComboBoxHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcImageComboBox, TkcImageComboBoxProperties>();
}

TkcConditionOperators TkcFilterImageComboBoxHelper::GetSupportedOperators(TkcCustomEditProperties*,
                                                                          TkcValueTypeClass, bool AExtendedSet) const {
  return ChoiceOperators(AExtendedSet);
}

void TkcFilterImageComboBoxHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                        TkcCustomEditProperties* ASourceProperties,
                                                        bool AKeepButtons) const {
  TkcFilterComboBoxHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* combo = dynamic_cast<TkcCustomImageComboBoxProperties*>(AProperties);
  if (!combo) return;
  combo->SetDropDownListStyle(lsFixedList);
  combo->ImmediateDropDown = true;
  combo->SetShowDescriptions(true);
}

bool TkcFilterLookupComboBoxHelper::KeepsDefaultValuesProvider(TkcCustomEditProperties* ASourceProperties) const {
  // A lookup field defines the list: the value editor needs the field too.
  auto* source = dynamic_cast<TkcCustomLookupEditProperties*>(ASourceProperties);
  return source && source->IsDefinedByLookupField();
}

TkcFilterEditClass TkcFilterLookupComboBoxHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcLookupComboBox, TkcLookupComboBoxProperties>();
}

void TkcFilterLookupComboBoxHelper::ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties*, Variant& AValue,
                                                    String& ADisplayText) const {
  AValue = AEdit->GetFilterEditValue();
  ADisplayText.clear();
  if (auto* edit = dynamic_cast<TkcCustomLookupEdit*>(AEdit->GetFilterEditControl()))
    ADisplayText = edit->LookupEditData()->KeyText(AValue);
}

TkcConditionOperators TkcFilterLookupComboBoxHelper::GetSupportedOperators(TkcCustomEditProperties*,
                                                                           TkcValueTypeClass, bool) const {
  return ChoiceOperators(false);
}

void TkcFilterLookupComboBoxHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                         TkcCustomEditProperties* ASourceProperties,
                                                         bool AKeepButtons) const {
  TkcFilterComboBoxHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* lookup = dynamic_cast<TkcCustomLookupEditProperties*>(AProperties);
  if (!lookup) return;
  lookup->SetDropDownAutoSize(true);
  lookup->SetDropDownListStyle(lsFixedList);
  lookup->SetDropDownSizeable(true);
  lookup->IncrementalFiltering = true;
}

void RegisterExtendedFilterEditHelpers() {
  if (gInitCount++ != 0) return;
  RegisterStandardFilterEditHelpers();
  GetFilterEditsController()->Register(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
  GetFilterEditsController()->Register(TkcSpinEditProperties::StaticClass(), TkcFilterSpinEditHelper::Class());
  GetFilterEditsController()->Register(TkcTimeEditProperties::StaticClass(), TkcFilterTimeEditHelper::Class());
  GetFilterEditsController()->Register(TkcDateEditProperties::StaticClass(), TkcFilterDateEditHelper::Class());
  GetFilterEditsController()->Register(TkcCheckBoxProperties::StaticClass(), TkcFilterCheckBoxHelper::Class());
  GetFilterEditsController()->Register(TkcRadioGroupProperties::StaticClass(), TkcFilterRadioGroupHelper::Class());
  GetFilterEditsController()->Register(TkcHyperLinkEditProperties::StaticClass(), TkcFilterHyperLinkEditHelper::Class());
  GetFilterEditsController()->Register(TkcCurrencyEditProperties::StaticClass(), TkcFilterCurrencyEditHelper::Class());
  GetFilterEditsController()->Register(TkcImageComboBoxProperties::StaticClass(), TkcFilterImageComboBoxHelper::Class());
  GetFilterEditsController()->Register(TkcCalcEditProperties::StaticClass(), TkcFilterCalcEditHelper::Class());
  GetFilterEditsController()->Register(TkcMRUEditProperties::StaticClass(), TkcFilterTextEditHelper::Class());
  GetFilterEditsController()->Register(TkcLookupComboBoxProperties::StaticClass(),
                                       TkcFilterLookupComboBoxHelper::Class());
}

void UnregisterExtendedFilterEditHelpers() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  if (!FilterEditsControllerExists()) return;
  // In reverse order of the registration; the last pair gone frees the controller.
  GetFilterEditsController()->Unregister(TkcLookupComboBoxProperties::StaticClass(),
                                         TkcFilterLookupComboBoxHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcMRUEditProperties::StaticClass(), TkcFilterTextEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcCalcEditProperties::StaticClass(), TkcFilterCalcEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcImageComboBoxProperties::StaticClass(),
                                         TkcFilterImageComboBoxHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcCurrencyEditProperties::StaticClass(),
                                         TkcFilterCurrencyEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcHyperLinkEditProperties::StaticClass(),
                                         TkcFilterHyperLinkEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcRadioGroupProperties::StaticClass(), TkcFilterRadioGroupHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcCheckBoxProperties::StaticClass(), TkcFilterCheckBoxHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcDateEditProperties::StaticClass(), TkcFilterDateEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcTimeEditProperties::StaticClass(), TkcFilterTimeEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcSpinEditProperties::StaticClass(), TkcFilterSpinEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
}
