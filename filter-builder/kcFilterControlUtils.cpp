#include "filter-builder/kcFilterControlUtils.h"

#include <bit>

#include "controls/kcLocalize.h"
#include "editors/kcComboBox.h"
#include "editors/kcMaskEdit.h"
#include "editors/kcTextEdit.h"
#include "platform/core/Utf8.h"

namespace {

struct TOperatorInfo {
  const char* Text;
  TkcFilterOperatorKind Kind;
};

constexpr TOperatorInfo kOperators[kLastConditionOperator + 1] = {
    {"", foEqual},
    {"equals", foEqual},
    {"does not equal", foNotEqual},
    {"is less than", foLess},
    {"is less than or equal to", foLessEqual},
    {"is greater than", foGreater},
    {"is greater than or equal to", foGreaterEqual},
    {"like", foLike},
    {"not like", foNotLike},
    {"is blank", foEqual},
    {"is not blank", foNotEqual},
    {"between", foBetween},
    {"not between", foNotBetween},
    {"in", foInList},
    {"not in", foNotInList},
    {"is yesterday", foYesterday},
    {"is today", foToday},
    {"is tomorrow", foTomorrow},
    {"is last week", foLastWeek},
    {"is last month", foLastMonth},
    {"is last year", foLastYear},
    {"is this week", foThisWeek},
    {"is this month", foThisMonth},
    {"is this year", foThisYear},
    {"is next week", foNextWeek},
    {"is next month", foNextMonth},
    {"is next year", foNextYear},
};

TkcFilterEditsController* gController = nullptr;

}  // namespace

TkcConditionOperator TkcConditionOperators::First() const {
  return fBits ? static_cast<TkcConditionOperator>(std::countr_zero(fBits)) : kcoNone;
}

String GetConditionOperatorText(TkcConditionOperator AOperator) {
  if (AOperator == kcoNone || AOperator > kLastConditionOperator) return String();
  return LocalizeText(kOperators[AOperator].Text);
}

TkcFilterOperatorKind ConditionOperatorKind(TkcConditionOperator AOperator) {
  return AOperator <= kLastConditionOperator ? kOperators[AOperator].Kind : foEqual;
}

TkcConditionOperator ConditionOperatorOf(TkcFilterOperatorKind AKind, bool AValueIsNull) {
  switch (AKind) {
    case foEqual: return AValueIsNull ? kcoBlanks : kcoEqual;
    case foNotEqual: return AValueIsNull ? kcoNonBlanks : kcoNotEqual;
    case foNull: return kcoBlanks;
    case foNotNull: return kcoNonBlanks;
    default: break;
  }
  for (int i = kcoLess; i <= kLastConditionOperator; ++i)
    if (i != kcoBlanks && i != kcoNonBlanks && kOperators[i].Kind == AKind) return static_cast<TkcConditionOperator>(i);
  return kcoEqual;
}

bool ConditionOperatorHasValues(TkcConditionOperator AOperator) {
  return AOperator != kcoBlanks && AOperator != kcoNonBlanks && AOperator < kcoYesterday;
}

void RaiseFilterControlError(const String& AText) { throw EkcFilterControlError(AText); }

// ---- TkcCustomFilterEditHelper --------------------------------------------------------------

void TkcCustomFilterEditHelper::ClearPropertiesEvents(TkcCustomEditProperties* AProperties) const {
  AProperties->OnButtonClick = {};
  AProperties->OnChange = {};
  AProperties->OnEditValueChanged = {};
  AProperties->OnValidate = {};
}

void TkcCustomFilterEditHelper::InitializeFilterEdit(IkcFilterEdit* AEdit,
                                                     TkcCustomEditProperties* ASourceProperties) const {
  InitializeProperties(AEdit->GetFilterEditProperties(), ASourceProperties, KeepsEditButtons());
}

bool TkcCustomFilterEditHelper::KeepsDefaultValuesProvider(TkcCustomEditProperties*) const { return true; }

void TkcCustomFilterEditHelper::ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                                                Variant& AValue, String& ADisplayText) const {
  AValue = AEdit->GetFilterEditValue();
  ADisplayText = WideToUtf8(AEditProperties->GetDisplayText(AValue, false, true));
}

TkcConditionOperators TkcCustomFilterEditHelper::GetSupportedOperators(TkcCustomEditProperties*,
                                                                       TkcValueTypeClass AValueTypeClass,
                                                                       bool AExtendedSet) const {
  TkcConditionOperators result = AExtendedSet ? kcExtendedConditionOperators : kcSimpleConditionOperators;
  if (!AValueTypeClass || !AValueTypeClass->IsTextType()) result = result.Without(kcLikeConditionOperators);
  return result;
}

void TkcCustomFilterEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                     TkcCustomEditProperties* ASourceProperties,
                                                     bool AKeepButtons) const {
  AProperties->BeginUpdate();
  try {
    AProperties->Assign(ASourceProperties);
    AProperties->Alignment()->SetHorz(taLeftJustify);
    AProperties->Alignment()->SetVert(taTopJustify);
    AProperties->BeepOnError = false;
    if (!AKeepButtons) AProperties->Buttons()->Clear();
    AProperties->SetReadOnly(false);
    AProperties->ValidateOnEnter = true;
    if (!KeepsDefaultValuesProvider(ASourceProperties)) AProperties->SetDefaultValuesProvider(nullptr);
    ClearPropertiesEvents(AProperties);
  } catch (...) {
    AProperties->EndUpdate(true);
    throw;
  }
  AProperties->EndUpdate(true);
}

TkcFilterEditClass TkcFilterTextEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcTextEdit, TkcTextEditProperties>();
}

TkcFilterEditClass TkcFilterMaskEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcMaskEdit, TkcMaskEditProperties>();
}

TkcFilterEditClass TkcFilterComboBoxHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcComboBox, TkcComboBoxProperties>();
}

void TkcFilterComboBoxHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcFilterMaskEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* combo = dynamic_cast<TkcCustomComboBoxProperties*>(AProperties);
  if (!combo) return;
  combo->BeginUpdate();
  combo->SetButtonGlyph(nullptr);
  combo->SetDropDownRows(8);
  combo->SetDropDownListStyle(lsEditList);
  combo->ImmediateDropDown = false;
  combo->SetPopupAlignment(taLeftJustify);
  combo->Revertable = false;
  combo->EndUpdate(true);
}

void TkcFilterTextEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcCustomFilterEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  if (auto* text = dynamic_cast<TkcCustomTextEditProperties*>(AProperties)) text->OnNewLookupDisplayText = nullptr;
}

void TkcFilterMaskEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* ASourceProperties,
                                                   bool AKeepButtons) const {
  TkcFilterTextEditHelper::InitializeProperties(AProperties, ASourceProperties, AKeepButtons);
  auto* mask = dynamic_cast<TkcCustomMaskEditProperties*>(AProperties);
  if (!mask) return;
  if (mask->MaskKind() == emkRegExpr) mask->SetMaskKind(emkRegExprEx);
  mask->SetAutoSelect(!mask->IsMasked());
}

TkcConditionOperators TkcFilterMaskEditHelper::GetSupportedOperators(TkcCustomEditProperties* AProperties,
                                                                     TkcValueTypeClass AValueTypeClass,
                                                                     bool AExtendedSet) const {
  TkcConditionOperators result =
      TkcFilterTextEditHelper::GetSupportedOperators(AProperties, AValueTypeClass, AExtendedSet);
  auto* mask = dynamic_cast<TkcCustomMaskEditProperties*>(AProperties);
  return mask && mask->IsMasked() ? result.Without(kcLikeConditionOperators) : result;
}

bool TkcCustomFilterEditHelper::AcceptsValue(TkcValueTypeClass AValueTypeClass, Variant& AValue) const {
  return AValueTypeClass->TryConvert(AValue);
}

// ---- TkcFilterEditsController ---------------------------------------------------------------

TClass TkcFilterEditsController::KeyClassOf(TClass APropertiesClass) {
  return APropertiesClass->ClassParent() ? APropertiesClass->ClassParent() : APropertiesClass;
}

void TkcFilterEditsController::AddPair(TClass APropertiesClass, TClass AHelperClass) {
  TkcRegisteredClassList::AddPair(KeyClassOf(APropertiesClass), AHelperClass);
}

void TkcFilterEditsController::RemovePairs(TClass APropertiesClass, TClass AHelperClass) {
  TkcRegisteredClassList::RemovePairs(KeyClassOf(APropertiesClass), AHelperClass);
  if (Count() == 0) {
    if (gController == this) gController = nullptr;
    delete this;
  }
}

void TkcFilterEditsController::Register(TClass APropertiesClass, TkcFilterEditHelperClass AHelper) {
  fHelpers[AHelper->ClassType()] = AHelper;
  AddPair(APropertiesClass, AHelper->ClassType());
}

void TkcFilterEditsController::Unregister(TClass APropertiesClass, TkcFilterEditHelperClass AHelper) {
  RemovePairs(APropertiesClass, AHelper->ClassType());
}

TkcFilterEditHelperClass TkcFilterEditsController::GetHelperClass(TClass APropertiesClass) {
  if (!APropertiesClass) return nullptr;
  TClass helper = FindRegisteredClass(KeyClassOf(APropertiesClass));
  if (!helper) return nullptr;
  auto it = fHelpers.find(helper);
  return it == fHelpers.end() ? nullptr : it->second;
}

TkcFilterEditsController* GetFilterEditsController() {
  if (!gController) gController = new TkcFilterEditsController;
  return gController;
}

bool FilterEditsControllerExists() { return gController != nullptr; }

void RegisterStandardFilterEditHelpers() {
  auto* controller = GetFilterEditsController();
  if (controller->GetHelperClass(TkcTextEditProperties::StaticClass())) return;
  controller->Register(TkcTextEditProperties::StaticClass(), TkcFilterTextEditHelper::Class());
  controller->Register(TkcMaskEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class());
  controller->Register(TkcComboBoxProperties::StaticClass(), TkcFilterComboBoxHelper::Class());
}

void UnregisterStandardFilterEditHelpers() {
  if (!gController) return;
  // The last removal may free the controller.
  gController->Unregister(TkcComboBoxProperties::StaticClass(), TkcFilterComboBoxHelper::Class());
  if (gController) gController->Unregister(TkcMaskEditProperties::StaticClass(), TkcFilterMaskEditHelper::Class());
  if (gController) gController->Unregister(TkcTextEditProperties::StaticClass(), TkcFilterTextEditHelper::Class());
}

// ---- Value editors --------------------------------------------------------------------------

IkcFilterEdit* CreateFilterEdit(TkcFilterEditHelperClass AHelper, TkcCustomEditProperties* ASourceProperties,
                                IkcFilterInplaceEditList* AInplaceEditList) {
  TkcFilterEditClass editClass = AHelper->GetFilterEditClass();
  if (!editClass) return nullptr;
  IkcFilterEdit* edit =
      AInplaceEditList ? AInplaceEditList->GetEditOfClass(editClass) : editClass->Create();
  AHelper->InitializeFilterEdit(edit, ASourceProperties);
  return edit;
}

void ValidateConditionValue(IkcFilterEdit*, Variant& AValue, TkcConditionOperator AOperator,
                            TkcValueTypeClass AValueTypeClass, TkcFilterEditHelperClass AHelper) {
  if (!AValueTypeClass) return;
  if (AValue.IsStr() && VarToStr(AValue).empty() && !AValueTypeClass->IsTextType()) AValue = Null();
  if (AValue.IsNull() || AOperator == kcoLike || AOperator == kcoNotLike) return;
  bool accepted = false;
  try {
    accepted = AHelper->AcceptsValue(AValueTypeClass, AValue);
  } catch (const Exception&) {
    accepted = false;
  }
  if (!accepted) RaiseFilterControlError(LocalizeText("Invalid value"));
}
