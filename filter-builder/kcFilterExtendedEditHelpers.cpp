#include "filter-builder/kcFilterExtendedEditHelpers.h"

#include "editors-extended/kcMemo.h"
#include "editors-extended/kcTimeEdit.h"

TkcConditionOperators TkcFilterMemoHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                 bool) const {
  return TkcConditionOperators(0x780);
}

namespace {

int gInitCount = 0;

}  // namespace

TkcFilterEditClass TkcFilterSpinEditHelper::GetFilterEditClass() const {
  return FilterEditClassOf<TkcSpinEdit, TkcSpinEditProperties>();
}

TkcConditionOperators TkcFilterSpinEditHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                     bool AExtendedSet) const {
  TkcConditionOperators result = TkcConditionOperators::Range(kcoEqual, kcoGreaterEqual);
  result.Include(kcoBlanks).Include(kcoNonBlanks);
  if (AExtendedSet) result.Include(kcoBetween).Include(kcoNotBetween).Include(kcoInList).Include(kcoNotInList);
  return result;
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

void RegisterExtendedFilterEditHelpers() {
  if (gInitCount++ != 0) return;
  RegisterStandardFilterEditHelpers();
  GetFilterEditsController()->Register(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
  GetFilterEditsController()->Register(TkcSpinEditProperties::StaticClass(), TkcFilterSpinEditHelper::Class());
  GetFilterEditsController()->Register(TkcTimeEditProperties::StaticClass(), TkcFilterTimeEditHelper::Class());
}

void UnregisterExtendedFilterEditHelpers() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  if (!FilterEditsControllerExists()) return;
  // In reverse order of the registration; the last pair gone frees the controller.
  GetFilterEditsController()->Unregister(TkcTimeEditProperties::StaticClass(), TkcFilterTimeEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcSpinEditProperties::StaticClass(), TkcFilterSpinEditHelper::Class());
  if (!FilterEditsControllerExists()) return;
  GetFilterEditsController()->Unregister(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
}
