#include "editors/kcEditStyles.h"

namespace {

const char* const kEditValueNames[] = {"ButtonStyle", "ButtonTransparency", "PopupBorderStyle", "GradientButtons"};

// The default controller lives from start-up to exit; at exit the containers' reference to it
// goes first.
struct TDefaultEditStyleController {
  TDefaultEditStyleController() : controller(new TkcEditStyleController(nullptr)) {
    SetDefaultStyleControllerInstance(controller);
  }
  ~TDefaultEditStyleController() {
    SetDefaultStyleControllerInstance(nullptr);
    controller->Free();
  }
  TkcEditStyleController* controller;
};

TDefaultEditStyleController& DefaultController() {
  static TDefaultEditStyleController instance;
  return instance;
}

// Made at start-up, so that containers find it before any editor exists.
const bool kcDefaultEditStyleControllerMade = (DefaultController(), true);

}  // namespace

TkcEditStyleController* GetDefaultEditStyleController() { return DefaultController().controller; }

TkcCustomEditStyle::TkcCustomEditStyle(TPersistent* AOwner, bool AIsLightweight, TkcContainerStyle* AParentStyle,
                                       TkcContainerStyleState AState)
    : TkcContainerStyle(AOwner, AIsLightweight, AParentStyle, AState) {}

TkcCustomEditStyle* TkcCustomEditStyle::NormalStyle() { return static_cast<TkcCustomEditStyle*>(GetBaseStyle()); }

TkcStyleController* TkcCustomEditStyle::GetDefaultStyleController() {
  if (IsLightweight()) return nullptr;
  if (TkcContainer* container = GetContainer(); container && container->IsInplace()) return nullptr;
  return GetDefaultEditStyleController();
}

TkcContainerStyleValues TkcCustomEditStyle::GetCommonStyleValues() {
  TkcContainerStyleValues values = TkcContainerStyle::GetCommonStyleValues();
  values.Include(TkcContainerStyleValue(kcsvButtonTransparency));
  values.Include(TkcContainerStyleValue(kcsvPopupBorderStyle));
  values.Include(TkcContainerStyleValue(kcsvGradientButtons));
  return values;
}

bool TkcCustomEditStyle::GetStyleValueName(int AIndex, String& AName) {
  if (TkcContainerStyle::GetStyleValueName(AIndex, AName)) return true;
  if (AIndex < kcsvButtonStyle || AIndex > kcsvGradientButtons) return false;
  AName = kEditValueNames[AIndex - kcsvButtonStyle];
  return true;
}

bool TkcCustomEditStyle::IsValueAssigned(TkcContainerStyleValue AValue) {
  const int value = static_cast<int>(AValue);
  if (value < kcsvButtonStyle || value > kcsvGradientButtons) return TkcContainerStyle::IsValueAssigned(AValue);
  TkcCustomEditStyle* holder = value == kcsvButtonStyle ? this : NormalStyle();
  return holder->IsEditValueOwnAssigned(value) || holder->ControllerStyleAssigningEditValue(value) != nullptr;
}

TkcCustomEditStyle* TkcCustomEditStyle::ControllerStyleAssigningEditValue(int AValue) {
  TkcStyleController* controller = GetEffectiveStyleController();
  for (int depth = 0; controller && depth < 16; ++depth) {
    auto* style = dynamic_cast<TkcCustomEditStyle*>(controller->GetStyleForState(State()));
    if (!style) return nullptr;
    if (style->IsEditValueOwnAssigned(AValue)) return style;
    controller = style->GetEffectiveStyleController();
  }
  return nullptr;
}

template <class T>
T TkcCustomEditStyle::Read(int AValue, T TkcCustomEditStyle::*AField, T (TkcCustomEditStyle::*ADefault)()) {
  if (IsEditValueOwnAssigned(AValue)) return this->*AField;
  if (!IsLightweight())
    if (TkcCustomEditStyle* s = ControllerStyleAssigningEditValue(AValue)) return s->*AField;
  return (this->*ADefault)();
}

template <class T>
void TkcCustomEditStyle::Write(int AValue, T TkcCustomEditStyle::*AField, T AValueToSet) {
  if (IsEditValueOwnAssigned(AValue) && this->*AField == AValueToSet) return;
  this->*AField = AValueToSet;
  fEditAssigned |= 1u << AValue;
  Changed();
}

TkcEditButtonStyle TkcCustomEditStyle::GetDefaultButtonStyle() {
  return IsBaseStyle() ? btsDefault : NormalStyle()->ButtonStyle();
}
TkcEditButtonTransparency TkcCustomEditStyle::GetDefaultButtonTransparency() {
  return IsBaseStyle() ? ebtNone : NormalStyle()->ButtonTransparency();
}
bool TkcCustomEditStyle::GetDefaultGradientButtons() {
  return IsBaseStyle() ? false : NormalStyle()->GradientButtons();
}
TkcEditPopupBorderStyle TkcCustomEditStyle::GetDefaultPopupBorderStyle() {
  return IsBaseStyle() ? epbsDefault : NormalStyle()->PopupBorderStyle();
}

TkcEditButtonStyle TkcCustomEditStyle::ButtonStyle() {
  return Read(kcsvButtonStyle, &TkcCustomEditStyle::fButtonStyle, &TkcCustomEditStyle::GetDefaultButtonStyle);
}
void TkcCustomEditStyle::SetButtonStyle(TkcEditButtonStyle Value) {
  Write(kcsvButtonStyle, &TkcCustomEditStyle::fButtonStyle, Value);
}

TkcEditButtonTransparency TkcCustomEditStyle::ButtonTransparency() {
  return Read(kcsvButtonTransparency, &TkcCustomEditStyle::fButtonTransparency,
              &TkcCustomEditStyle::GetDefaultButtonTransparency);
}
void TkcCustomEditStyle::SetButtonTransparency(TkcEditButtonTransparency Value) {
  NormalStyle()->Write(kcsvButtonTransparency, &TkcCustomEditStyle::fButtonTransparency, Value);
}

bool TkcCustomEditStyle::GradientButtons() {
  return Read(kcsvGradientButtons, &TkcCustomEditStyle::fGradientButtons,
              &TkcCustomEditStyle::GetDefaultGradientButtons);
}
void TkcCustomEditStyle::SetGradientButtons(bool Value) {
  NormalStyle()->Write(kcsvGradientButtons, &TkcCustomEditStyle::fGradientButtons, Value);
}

TkcEditPopupBorderStyle TkcCustomEditStyle::PopupBorderStyle() {
  return Read(kcsvPopupBorderStyle, &TkcCustomEditStyle::fPopupBorderStyle,
              &TkcCustomEditStyle::GetDefaultPopupBorderStyle);
}
void TkcCustomEditStyle::SetPopupBorderStyle(TkcEditPopupBorderStyle Value) {
  NormalStyle()->Write(kcsvPopupBorderStyle, &TkcCustomEditStyle::fPopupBorderStyle, Value);
}

bool TkcCustomEditStyle::PopupCloseButton() { return NormalStyle()->fPopupCloseButton; }
void TkcCustomEditStyle::SetPopupCloseButton(bool Value) {
  TkcCustomEditStyle* normal = NormalStyle();
  if (normal->fPopupCloseButton == Value) return;
  normal->fPopupCloseButton = Value;
  normal->Changed();
}

void TkcCustomEditStyle::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomEditStyle*>(Source);
  if (!source) {
    TkcContainerStyle::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    fButtonStyle = source->fButtonStyle;
    fButtonTransparency = source->fButtonTransparency;
    fGradientButtons = source->fGradientButtons;
    fPopupBorderStyle = source->fPopupBorderStyle;
    fPopupCloseButton = source->fPopupCloseButton;
    fEditAssigned = source->fEditAssigned;
    TkcContainerStyle::Assign(Source);
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
