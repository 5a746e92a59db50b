#include "editors-extended/kcCalcEdit.h"

#include "controls/kcLocalize.h"
#include "platform/core/SysUtils.h"

#include <algorithm>
#include <cmath>

TkcCustomCalcEditProperties::TkcCustomCalcEditProperties(TPersistent* AOwner) : TkcCustomPopupEditProperties(AOwner) {
  fPopupSizeable = false;
  ImmediateDropDown = false;
}

void TkcCustomCalcEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomCalcEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    BeepOnError = source->BeepOnError;
    QuickClose = source->QuickClose;
    ScientificFormat = source->ScientificFormat;
    fPrecision = source->fPrecision;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcCustomCalcEditProperties::GetContainerClass() { return TkcCalcEdit::StaticClass(); }

void TkcCustomCalcEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty() || (VarIsStr(AEditValue) && VarToStr(AEditValue).empty())) {
    ADisplayValue = Variant(String());
    return;
  }
  double d = 0;
  if (!AEditValue.IsNumeric() && !TryStrToFloat(VarToStr(AEditValue), d)) {
    ADisplayValue = Variant(String());
    return;
  }
  if (AEditValue.IsNumeric()) d = AEditValue.AsDouble();
  ADisplayValue = Variant(String(FloatToStrF(d, ScientificFormat ? ffExponent : ffGeneral, fPrecision, 0)));
}

// ---- Popup calculator -----------------------------------------------------------------------

String TkcPopupCalculator::GetDisplayText() { return Edit ? Edit->Text() : String(); }

void TkcPopupCalculator::SetDisplayText(const String& AText) {
  if (!Edit || !Edit->DoEditing()) return;
  Edit->InnerTextEdit()->SetText(AText);
  Edit->SetModifiedAfterEnter(true);
}

void TkcPopupCalculator::KeyDown(WORD& Key, TShiftState Shift) {
  const WORD key = Key;
  TkcCustomCalculator::KeyDown(Key, Shift);
  if (key == VK_RETURN) HidePopup(crEnter);
  else if (key == VK_ESCAPE) HidePopup(crCancel);
  else if ((key == VK_UP || key == VK_DOWN) && Shift == TShiftState{ssAlt}) HidePopup(crClose);
  else if (key == VK_F4 && !Shift.Contains(ssAlt)) HidePopup(crClose);
}

void TkcPopupCalculator::KeyPress(char32_t& Key) {
  const char32_t key = Key;
  TkcCustomCalculator::KeyPress(Key);
  if (key == U'=' && Edit && Edit->ActiveProperties()->QuickClose) HidePopup(crEnter);
}

// ---- The edit -------------------------------------------------------------------------------

TkcCustomCalcEdit::~TkcCustomCalcEdit() {
  if (Properties()->PopupControl() == fCalculator) Properties()->SetPopupControl(nullptr);
  delete fCalculator;
}

void TkcCustomCalcEdit::Initialize() {
  TkcCustomPopupEdit::Initialize();
  SetEditValue(Variant(0.0));  // a new calc edit holds 0, not Null
  fCalculator = new TkcPopupCalculator(nullptr);
  fCalculator->Edit = this;
  fCalculator->SetVisible(false);
  fCalculator->SetAutoFontSize(false);
  fCalculator->OnHidePopup = [this](TObject*, TkcEditCloseUpReason AReason) { ClosePopupWithReason(AReason); };
  Properties()->SetPopupControl(fCalculator);
}

double TkcCustomCalcEdit::Value() {
  const Variant v = EditValue();
  if (v.IsNull() || v.IsEmpty() || (VarIsStr(v) && VarToStr(v).empty())) return 0;
  if (v.IsNumeric()) return v.AsDouble();
  double d = 0;
  return TryStrToFloat(VarToStr(v), d) ? d : 0;
}

void TkcCustomCalcEdit::SetValue(double AValue) { SetEditValue(Variant(AValue)); }

void TkcCustomCalcEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  const String text = Trim(VarToStr(ADisplayValue));
  double d = 0;
  if (text.empty() || !TryStrToFloat(text, d)) AEditValue = Null();
  else AEditValue = Variant(d);
}

bool TkcCustomCalcEdit::IsValidChar(char32_t AKey) {
  const char decimal = FormatSettings.DecimalSeparator;
  const bool digit = AKey >= U'0' && AKey <= U'9';
  if (!digit && AKey != U'+' && AKey != U'-' && AKey != U'e' && AKey != U'E' && AKey != char32_t(decimal))
    return false;
  String text = Text();
  const std::size_t start = std::min<std::size_t>(static_cast<std::size_t>(std::max(SelStart(), 0)), text.size());
  text.erase(start, static_cast<std::size_t>(std::max(SelLength(), 0)));
  if (AKey == U'-' && text.empty()) return true;
  text.insert(start, 1, static_cast<char>(AKey));
  double d = 0;
  if (!TryStrToFloat(text, d)) return false;
  const double m = std::fabs(d);
  return m == 0 || (m >= 5e-324 && m <= 1.7e308);
}

void TkcCustomCalcEdit::DoEditKeyPress(char32_t& Key) {
  if (Key == U'.' || Key == U',') Key = static_cast<unsigned char>(FormatSettings.DecimalSeparator);
  if (Key >= 32 && !IsValidChar(Key)) {
    Key = 0;
    if (ActiveProperties()->BeepOnError) MessageBeep(0);
    return;
  }
  TkcCustomPopupEdit::DoEditKeyPress(Key);
}

void TkcCustomCalcEdit::DropDown() {
  ActiveProperties()->SetPopupControl(fCalculator);
  fCalculator->Precision = ActiveProperties()->Precision();
  fCalculator->BeepOnError = ActiveProperties()->BeepOnError;
  TkcCustomPopupEdit::DropDown();
}

void TkcCustomCalcEdit::CreatePopupWindow() {
  TkcCustomPopupEdit::CreatePopupWindow();
  if (PopupWindow()) PopupWindow()->ModalLoop = false;
}

void TkcCustomCalcEdit::PopupWindowClosed(TObject* Sender) {
  // An error shown at closing leaves no number behind.
  if (Text() == LocalizeText("Error")) {
    fUserChange = true;
    SetInternalEditValue(Variant(0));
    fUserChange = false;
  }
  TkcCustomPopupEdit::PopupWindowClosed(Sender);
}
