#include "editors-extended/kcCalcEdit.h"

#include "controls/kcLocalize.h"
#include "editors-extended/kcButtons.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

#include <algorithm>
#include <cmath>

void TkcCalcEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TkcTextEditPropertiesValues::Assign(Source);
  if (auto* source = dynamic_cast<TkcCalcEditPropertiesValues*>(Source)) SetPrecision(source->fPrecision);
  EndUpdate();
}

void TkcCalcEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TkcTextEditPropertiesValues::RestoreDefaults();
  SetPrecision(false);
  EndUpdate();
}

TkcCustomCalcEditProperties::TkcCustomCalcEditProperties(TPersistent* AOwner) : TkcCustomPopupEditProperties(AOwner) {
  fPopupSizeable = false;
  ImmediateDropDown = false;
  BeepOnError = true;
}

TkcCustomEditPropertiesValuesClass TkcCustomCalcEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcCalcEditPropertiesValues>();
}

void TkcCustomCalcEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomCalcEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    BeepOnError = source->BeepOnError;
    QuickClose = source->QuickClose;
    SetScientificFormat(source->fScientificFormat);
    SetUseThousandSeparator(source->fUseThousandSeparator);
    // Only an assigned precision travels; otherwise both follow their providers.
    AssignedValues()->SetPrecision(false);
    if (source->AssignedValues()->Precision()) SetPrecision(source->fPrecision);
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcCustomCalcEditProperties::GetContainerClass() { return TkcCalcEdit::StaticClass(); }

int TkcCustomCalcEditProperties::Precision() {
  int result = 15;
  if (AssignedValues()->Precision())
    result = fPrecision;
  else if (DefaultValuesProvider())
    result = DefaultValuesProvider()->GetDefaultPrecision();
  return result >= 16 ? 15 : result;
}

void TkcCustomCalcEditProperties::SetPrecision(int Value) {
  Value = std::clamp(Value, 0, 255);
  if (AssignedValues()->Precision() && fPrecision == Value) return;
  BeginUpdate();
  AssignedValues()->SetPrecision(true);
  fPrecision = Value;
  Changed();
  EndUpdate(true);
}

namespace {

bool IsEmptyValue(const Variant& AValue) {
  return AValue.IsNull() || AValue.IsEmpty() || (VarIsStr(AValue) && VarToStr(AValue).empty());
}

// Whether a number text has a digit other than 0 before its exponent.
bool HasNonZeroDigit(const String& AText) {
  for (char c : AText) {
    if (c == 'e' || c == 'E') break;
    if (c >= '1' && c <= '9') return true;
  }
  return false;
}

// Scientific notation shows its mantissa without trailing zeros, and without the separator
// when nothing is left after it.
String TidyMantissa(const String& AText) {
  String mantissa = AText, exponent;
  SplitExponent(mantissa, exponent);
  const std::size_t point = mantissa.find(FormatSettings.DecimalSeparator);
  if (point != String::npos) {
    std::size_t last = mantissa.find_last_not_of('0');
    if (last == point) --last;
    mantissa.erase(last + 1);
  }
  return mantissa + exponent;
}

}  // namespace

bool TkcCustomCalcEditProperties::TryTextToNumber(const String& AText, double& AValue) {
  String text = AText;
  RemoveThousandSeparators(text);
  double d = 0;
  AValue = 0;
  if (!TryStrToFloat(text, d)) return false;
  // A text whose digits are not all zero but that reads as 0 lies below what a double holds.
  if (d == 0 && HasNonZeroDigit(text)) return false;
  const double m = std::fabs(d);
  if (m != 0 && (m < 5e-324 || m > 1.7e308)) return false;
  AValue = d;
  return true;
}

String TkcCustomCalcEditProperties::FormatNumber(long double AValue) {
  const int precision = Precision() == 0 ? 15 : Precision();
  String text = FloatToStrF(static_cast<double>(AValue), fScientificFormat ? ffExponent : ffGeneral, precision, 0);
  if (fScientificFormat)
    text = TidyMantissa(text);
  else if (fUseThousandSeparator)
    NormalizeNumberText(text);
  return text;
}

bool TkcCustomCalcEditProperties::IsEditValueValid(Variant& AEditValue, bool) {
  if (IsEmptyValue(AEditValue) || AEditValue.IsNumeric() || VarType(AEditValue) == varFMTBcd) return true;
  double d = 0;
  return VarIsStr(AEditValue) && TryStrToFloat(VarToStr(AEditValue), d);
}

void TkcCustomCalcEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                          bool AEditFocused) {
  if (IsEmptyValue(AEditValue)) {
    ADisplayValue = Variant(String());
    return;
  }
  double d = 0;
  if (AEditValue.IsNumeric()) {
    d = AEditValue.AsDouble();
  } else if (!TryStrToFloat(VarToStr(AEditValue), d)) {
    // Painting never fails on a value that is no number: it shows as it stands.
    ADisplayValue = Variant(AEditFocused ? String() : VarToStr(AEditValue));
    return;
  }
  if (AEditFocused || !AssignedValues()->DisplayFormat())
    ADisplayValue = Variant(FormatNumber(d));
  else
    ADisplayValue = Variant(String(FormatFloat(TkcCustomTextEditProperties::DisplayFormat(), d)));
}

void TkcCustomCalcEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  AError = false;
  inherited::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

bool TkcCustomCalcEditProperties::IsProviderFormatUsed(bool AEditFocused) {
  if (AEditFocused || AssignedValues()->DisplayFormat()) return false;
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->HasDisplayFormat(true);
}

// ---- Popup calculator -----------------------------------------------------------------------

TkcLookAndFeelPainterClass TkcPopupCalculator::GetPainter() {
  if (!Edit) return TkcCustomCalculator::GetPainter();
  return GetButtonPainterClass(Edit->EditStyle()->LookAndFeel());
}

String TkcPopupCalculator::GetDisplayText() { return Edit ? Edit->Text() : String(); }

void TkcPopupCalculator::SetDisplayText(const String& AText) {
  if (!Edit || !Edit->DoEditing()) return;
  Edit->InnerTextEdit()->SetText(AText);
  Edit->SetModifiedAfterEnter(true);
}

void TkcPopupCalculator::KeyDown(WORD& Key, TShiftState Shift) {
  // Escape cancels: it must not clear the display (the edit's text) on its way out.
  if (Key == VK_ESCAPE) {
    Key = 0;
    if (Edit) Edit->CancelPopupChanges();
    HidePopup(crCancel);
    return;
  }
  const WORD key = Key;
  TkcCustomCalculator::KeyDown(Key, Shift);
  if (key == VK_TAB && Edit) {
    WORD tab = key;
    Edit->DoEditKeyDown(tab, Shift);
  } else if (key == VK_RETURN) {
    HidePopup(crEnter);
  } else if ((key == VK_UP || key == VK_DOWN) && Shift == TShiftState{ssAlt}) {
    HidePopup(crClose);
  } else if (key == VK_INSERT && Shift == TShiftState{ssShift}) {
    PasteFromClipboard();
  } else if (key == VK_INSERT && Shift == TShiftState{ssCtrl}) {
    CopyToClipboard();
  } else if (key == VK_F4 && !Shift.Contains(ssAlt)) {
    HidePopup(crClose);
  }
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
  if (IsEmptyValue(v)) return 0;
  if (v.IsNumeric()) return v.AsDouble();
  double d = 0;
  return TryStrToFloat(VarToStr(v), d) ? d : 0;
}

void TkcCustomCalcEdit::SetValue(double AValue) {
  fUserChange = true;
  try {
    SetInternalEditValue(Variant(AValue));
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomCalcEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  String text = VarToStr(ADisplayValue);
  TkcCustomCalcEditProperties* p = ActiveProperties();
  if (!p->ScientificFormat() && p->UseThousandSeparator()) RemoveThousandSeparators(text);
  text = Trim(text);
  double d = 0;
  if (text.empty() || !TryStrToFloat(text, d))
    AEditValue = Null();
  else
    AEditValue = Variant(d);
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
  return TkcCustomCalcEditProperties::TryTextToNumber(text, d);
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

bool TkcCustomCalcEdit::CanDropDown() {
  return !ActiveProperties()->ReadOnly() && DataBinding()->IsDataSourceActive();
}

void TkcCustomCalcEdit::DoInitPopup() {
  TkcCustomPopupEdit::DoInitPopup();
  ActiveProperties()->SetPopupControl(fCalculator);
}

void TkcCustomCalcEdit::DropDown() {
  ActiveProperties()->SetPopupControl(fCalculator);
  fCalculator->Precision = ActiveProperties()->Precision();
  fCalculator->BeepOnError = ActiveProperties()->BeepOnError;
  TkcCustomPopupEdit::DropDown();
}

void TkcCustomCalcEdit::SetupPopupWindow() {
  TkcCustomPopupEdit::SetupPopupWindow();
  // The keypad takes its size from the editor's font.
  fCalculator->HandleNeeded();
  if (TFont* font = GetActiveStyle()->GetVisibleFont()) fCalculator->SetFont(font);
  // Laying the keypad out also starts the engine afresh: nothing pending, no error.
  int width = 0, height = 0;
  fCalculator->CalculateSize(width, height);
  fCalculator->SetBounds(fCalculator->Left(), fCalculator->Top(), width, height);
}

void TkcCustomCalcEdit::CreatePopupWindow() {
  TkcCustomPopupEdit::CreatePopupWindow();
  if (PopupWindow()) PopupWindow()->ModalLoop = false;
}

void TkcCustomCalcEdit::PopupWindowShown(TObject* Sender) {
  fTextAtPopup = Text();
  fModifiedAtPopup = EditModified();
  fModifiedAfterEnterAtPopup = ModifiedAfterEnter();
  TkcCustomPopupEdit::PopupWindowShown(Sender);
  fCalculator->ResetPressedButton();
}

void TkcCustomCalcEdit::CancelPopupChanges() {
  if (Text() == fTextAtPopup) return;
  InnerTextEdit()->SetText(fTextAtPopup);
  SetModified(fModifiedAtPopup);
  SetModifiedAfterEnter(fModifiedAfterEnterAtPopup);
}

void TkcCustomCalcEdit::PopupWindowClosed(TObject* Sender) {
  // An error shown at closing leaves no number behind.
  if (Text() == LocalizeText("Error")) {
    fUserChange = true;
    SetInternalEditValue(Variant(0));
    fUserChange = false;
  }
  if (ActiveProperties()->AutoSelect())
    SelectAll();
  else
    SetSelStart(static_cast<int>(Utf8Length(Text())));
  TkcCustomPopupEdit::PopupWindowClosed(Sender);
}

void TkcCustomCalcEdit::PasteFromClipboard() {
  if (DoEditing()) fCalculator->PasteFromClipboard();
}

void TkcCustomCalcEdit::PropertiesChanged(TObject* Sender) {
  TkcCustomCalcEditProperties* p = ActiveProperties();
  if (p->FormatChanging() || !InnerEdit()) return TkcCustomPopupEdit::PropertiesChanged(Sender);
  TkcCustomPopupEdit::PropertiesChanged(Sender);
  if (!fCalculator) return;
  fCalculator->BeepOnError = p->BeepOnError;
  fCalculator->Precision = p->Precision();
  p->LockChanged(true);
  p->SetPopupControl(fCalculator);
  p->LockChanged(false);
}
