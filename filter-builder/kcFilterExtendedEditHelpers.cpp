#include "filter-builder/kcFilterExtendedEditHelpers.h"

#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcMemo.h"

TkcConditionOperators TkcFilterMemoHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                 bool) const {
  return TkcConditionOperators(0x780);
}

TkcConditionOperators TkcFilterCurrencyEditHelper::GetSupportedOperators(TkcCustomEditProperties*,
                                                                         TkcValueTypeClass, bool AExtendedSet) const {
  TkcConditionOperators result;
  for (TkcConditionOperator op : {kcoEqual, kcoNotEqual, kcoLess, kcoLessEqual, kcoGreater, kcoGreaterEqual,
                                  kcoBlanks, kcoNonBlanks})
    result.Include(op);
  if (AExtendedSet)
    for (TkcConditionOperator op : {kcoBetween, kcoNotBetween, kcoInList, kcoNotInList}) result.Include(op);
  return result;
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

namespace {
int gInitCount = 0;
// The pairs of this library's kinds, in registration order.
const std::vector<std::pair<TClass, TkcFilterEditHelperClass>>& Pairs() {
  static const std::vector<std::pair<TClass, TkcFilterEditHelperClass>> pairs = {
      {TkcHyperLinkEditProperties::StaticClass(), TkcFilterHyperLinkEditHelper::Class()},
      {TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class()},
      {TkcCurrencyEditProperties::StaticClass(), TkcFilterCurrencyEditHelper::Class()},
  };
  return pairs;
}
}

void RegisterExtendedFilterEditHelpers() {
  if (gInitCount++ != 0) return;
  RegisterStandardFilterEditHelpers();
  for (const auto& [properties, helper] : Pairs()) GetFilterEditsController()->Register(properties, helper);
}

void UnregisterExtendedFilterEditHelpers() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  // In reverse; the last removal may free the controller.
  for (auto it = Pairs().rbegin(); it != Pairs().rend(); ++it)
    if (FilterEditsControllerExists()) GetFilterEditsController()->Unregister(it->first, it->second);
}
