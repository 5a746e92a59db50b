#include "editors/kcMaskEdit.h"
#include "editors/kcMaskEditControl.h"

namespace {

bool IsBlank(const String& AMask) { return AMask.find_first_not_of(" \t\r\n") == String::npos; }

}  // namespace

TkcCustomMaskEditProperties::TkcCustomMaskEditProperties(TPersistent* AOwner) : TkcCustomTextEditProperties(AOwner) {
  ValidateOnEnter = true;
}

TkcCustomMaskEditProperties::~TkcCustomMaskEditProperties() = default;

void TkcCustomMaskEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomMaskEditProperties*>(Source);
  if (!source) {
    TkcCustomTextEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomTextEditProperties::Assign(Source);
    fMaskKind = source->fMaskKind;
    fEditMask = source->EditMask();
    SetCaseInsensitive(source->fCaseInsensitive);
    fIgnoreMaskBlank = source->fIgnoreMaskBlank;
    fAlwaysShowBlanksAndLiterals = source->fAlwaysShowBlanksAndLiterals;
    Changed();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TkcCustomMaskEditProperties::SetCaseInsensitive(bool Value) {
  fCaseInsensitive = CharCase() != TEditCharCase::ecNormal ? true : Value;
  Changed();
}

void TkcCustomMaskEditProperties::SetCharCase(TEditCharCase Value) {
  BeginUpdate();
  TkcCustomTextEditProperties::SetCharCase(Value);
  if (Value != TEditCharCase::ecNormal) SetCaseInsensitive(true);
  EndUpdate(true);
}

String TkcCustomMaskEditProperties::EditMask() {
  if (fMaskKind == emkStandard && IsBlank(fEditMask) && DefaultValuesProvider())
    return DefaultValuesProvider()->GetDefaultEditMask();
  return fEditMask;
}

void TkcCustomMaskEditProperties::SetEditMask(const String& Value) {
  if (Value == EditMask()) {
    fEditMask = Value;
    return;
  }
  if (!IsBlank(Value)) NewMaskMode(fMaskKind, nullptr)->CompileMask(Value);  // raises for an invalid mask
  fEditMask = Value;
  Changed();
}

bool TkcCustomMaskEditProperties::IsMasked() { return !IsBlank(EditMask()); }

TkcMaskModeSettings TkcCustomMaskEditProperties::GetMaskModeSettings() {
  return TkcMaskModeSettings{CharCase(), fCaseInsensitive, fIgnoreMaskBlank, BeepOnError};
}

std::unique_ptr<TkcMaskEditCustomMode> TkcCustomMaskEditProperties::NewMaskMode(TkcEditMaskKind AKind,
                                                                                IkcMaskEditHost* AEdit) {
  return CreateMaskEditMode(AKind, AEdit, GetMaskModeSettings());
}

std::unique_ptr<TkcMaskEditCustomMode> TkcCustomMaskEditProperties::CreateMaskMode(IkcMaskEditHost* AEdit) {
  if (!IsMasked()) return nullptr;
  std::unique_ptr<TkcMaskEditCustomMode> mode = NewMaskMode(fMaskKind, AEdit);
  mode->CompileMask(EditMask());
  return mode;
}

TkcMaskEditCustomMode* TkcCustomMaskEditProperties::TempMode() {
  if (!fTempMode || fTempMode->GetMaskKind() != fMaskKind || fTempMode->EditMask() != EditMask())
    fTempMode = CreateMaskMode();
  return fTempMode.get();
}

void TkcCustomMaskEditProperties::Changed() {
  fTempMode.reset();
  TkcCustomTextEditProperties::Changed();
}

bool TkcCustomMaskEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  return IsMasked() || TkcCustomTextEditProperties::IsEditValueValid(AEditValue, AEditFocused);
}

void TkcCustomMaskEditProperties::MaxLengthChanged() {
  if (fMaxLengthLock) return;
  fMaxLengthLock = true;
  try {
    // A mask decides the length itself.
    if (IsMasked()) SetMaxLength(0);
    TkcCustomTextEditProperties::MaxLengthChanged();
  } catch (...) {
    fMaxLengthLock = false;
    throw;
  }
  fMaxLengthLock = false;
}

void TkcCustomMaskEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                          bool AEditFocused) {
  if (!IsMasked() || (!AEditFocused && DefaultValuesProvider() && DefaultValuesProvider()->HasDisplayFormat(true))) {
    TkcCustomTextEditProperties::EditValueToDisplayValue(AEditValue, ADisplayValue, AEditFocused);
    return;
  }
  TkcMaskEditCustomMode* mode = TempMode();
  const String text = VarToStr(AEditValue);
  if (AEditFocused || mode->GetMaskKind() != emkStandard || fAlwaysShowBlanksAndLiterals)
    ADisplayValue = mode->FormatText(text, false);
  else
    ADisplayValue = mode->GetValueText(text, false);
}

void TkcCustomMaskEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  if (!AError && IsMasked() && !TempMode()->IsTextValid(VarToStr(ADisplayValue))) {
    AError = true;
    AErrorText = LocalizeText("The edit value is invalid");
  }
  TkcCustomTextEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

TClass TkcCustomMaskEditProperties::GetContainerClass() { return TkcMaskEdit::StaticClass(); }
