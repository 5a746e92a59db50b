#include "editors-extended/kcDateTimeEditorsRegister.h"

#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcTimeEdit.h"

namespace {
int gRegistered = 0;
}

TkcCustomEditPropertiesClass TkcEditRepositorySpinItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcSpinEditProperties>();
}

TkcCustomEditPropertiesClass TkcEditRepositoryTimeItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcTimeEditProperties>();
}

TkcCustomEditPropertiesClass TkcEditRepositoryDateItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcDateEditProperties>();
}

void RegisterDateTimeEditorKinds() {
  if (gRegistered++ > 0) return;
  // The registration texts are taken as they stand, not translated.
  TkcRegisteredClasses* r = GetEditPropertiesRegistry();
  r->Register(TkcSpinEditProperties::StaticClass(), "SpinEdit|Represents a spin editor");
  r->Register(TkcTimeEditProperties::StaticClass(), "TimeEdit|Represents an editor displaying time values");
  r->Register(TkcDateEditProperties::StaticClass(), "DateEdit|Represents an edit control with a dropdown calendar");
}

void UnregisterDateTimeEditorKinds() {
  if (gRegistered == 0 || --gRegistered > 0) return;
  TkcRegisteredClasses* r = GetEditPropertiesRegistry();
  r->Unregister(TkcDateEditProperties::StaticClass());
  r->Unregister(TkcTimeEditProperties::StaticClass());
  r->Unregister(TkcSpinEditProperties::StaticClass());
}
