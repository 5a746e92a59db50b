#include "filter-builder/kcFilterExtendedEditHelpers.h"

#include "editors-extended/kcMemo.h"

TkcConditionOperators TkcFilterMemoHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass,
                                                                 bool) const {
  return TkcConditionOperators(0x780);
}

namespace {
int gInitCount = 0;
}

void RegisterExtendedFilterEditHelpers() {
  if (gInitCount++ != 0) return;
  RegisterStandardFilterEditHelpers();
  GetFilterEditsController()->Register(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
}

void UnregisterExtendedFilterEditHelpers() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  if (FilterEditsControllerExists())
    GetFilterEditsController()->Unregister(TkcMemoProperties::StaticClass(), TkcFilterMemoHelper::Class());
}
