#include "filter-builder/kcFilterExtendedEditHelpers.h"

#include <memory>

#include "editors-extended/kcMemo.h"
#include "editors-extended/kcTimeEdit.h"

TkcConditionOperators TkcFilterMemoHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                 bool) const {
  return TkcConditionOperators(0x780);
}

namespace {

int gInitCount = 0;

// A value editor of the filter dialogs: an in-place edit control of one kind.
template <class TEdit>
class TkcFilterEditOf : public IkcFilterEdit {
public:
  TkcFilterEditOf() : fEdit(new TEdit(nullptr, true)) {}
  TEdit* Edit() const { return fEdit.get(); }
  TkcCustomEditProperties* GetFilterEditProperties() override { return fEdit->ActiveProperties(); }
  Variant GetFilterEditValue() override { return fEdit->EditValue(); }
  void SetFilterEditValue(const Variant& AValue) override { fEdit->SetEditValue(AValue); }

private:
  std::unique_ptr<TEdit> fEdit;
};

template <class TEdit, class TProperties>
TkcFilterEditClass FilterEditClassOf() {
  static const TkcFilterEditClassInfo info{TkcCustomEditPropertiesClass::Of<TProperties>(),
                                           [] { return static_cast<IkcFilterEdit*>(new TkcFilterEditOf<TEdit>); }};
  return &info;
}

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
  if (auto* edit = dynamic_cast<TkcFilterEditOf<TkcTimeEdit>*>(AEdit)) edit->Edit()->SetTime(0);
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
