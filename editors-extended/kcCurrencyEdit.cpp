#include "editors-extended/kcCurrencyEdit.h"

#include <cmath>

#include "editors/kcFormats.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"

void TkcCurrencyEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TkcTextEditPropertiesValues::Assign(Source);
  if (auto* source = dynamic_cast<TkcCurrencyEditPropertiesValues*>(Source)) SetDecimalPlaces(source->fDecimalPlaces);
  EndUpdate();
}

void TkcCurrencyEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TkcTextEditPropertiesValues::RestoreDefaults();
  SetDecimalPlaces(false);
  EndUpdate();
}

TkcCustomCurrencyEditProperties::TkcCustomCurrencyEditProperties(TPersistent* AOwner)
    : TkcCustomTextEditProperties(AOwner) {
  ValidateOnEnter = true;
}

void TkcCustomCurrencyEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomCurrencyEditProperties*>(Source);
  if (!source) return TkcCustomTextEditProperties::Assign(Source);
  BeginUpdate();
  try {
    TkcCustomTextEditProperties::Assign(Source);
    // Only an assigned count travels; otherwise both follow the locale.
    AssignedValues()->SetDecimalPlaces(false);
    if (source->AssignedValues()->DecimalPlaces()) SetDecimalPlaces(source->fDecimalPlaces);
    SetNullable(source->Nullable());
    SetNullString(source->NullString());
    SetUseThousandSeparator(source->UseThousandSeparator());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

TkcCustomEditPropertiesValuesClass TkcCustomCurrencyEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcCurrencyEditPropertiesValues>();
}

int TkcCustomCurrencyEditProperties::DecimalPlaces() {
  return AssignedValues()->DecimalPlaces() ? fDecimalPlaces : FormatSettings.CurrencyDecimals;
}

void TkcCustomCurrencyEditProperties::SetDecimalPlaces(int Value) {
  if (AssignedValues()->DecimalPlaces() && fDecimalPlaces == Value) return;
  BeginUpdate();
  AssignedValues()->SetDecimalPlaces(true);
  fDecimalPlaces = Value;
  Changed();
  EndUpdate(true);
}

void TkcCustomCurrencyEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                           IkcEditHost* AEdit) {
  AError = false;
  TkcCustomTextEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

TClass TkcCustomCurrencyEditProperties::GetContainerClass() { return TkcCurrencyEdit::StaticClass(); }

void TkcCustomCurrencyEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                              bool AEditFocused) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty()) {
    if (AEditFocused)
      ADisplayValue = String();
    else if (fNullable)
      ADisplayValue = fNullString;
    else
      TkcCustomTextEditProperties::EditValueToDisplayValue(Variant(0.0), ADisplayValue, false);
    return;
  }
  try {
    TkcCustomTextEditProperties::EditValueToDisplayValue(AEditValue, ADisplayValue, AEditFocused);
  } catch (const EConvertError&) {
    ADisplayValue = AEditFocused ? String() : VarToStr(AEditValue);
  } catch (const EVariantError&) {
    ADisplayValue = AEditFocused ? String() : VarToStr(AEditValue);
  }
}

bool TkcCustomCurrencyEditProperties::IsProviderFormatUsed(bool AEditFocused) {
  if (AEditFocused) return false;
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return provider && provider->HasCustomDisplayText();
}

String TkcCustomCurrencyEditProperties::GetDefaultDisplayFormat() {
  return GetFormatController()->CurrencyDisplayFormat();
}

bool TkcCustomCurrencyEditProperties::TryTextToNumber(const String& AText, double& AValue) {
  String text = AText;
  RemoveThousandSeparators(text);
  double value = 0;
  if (TryStrToFloat(text, value) && (value == 0 || (std::fabs(value) >= 5.0e-324 && std::fabs(value) <= 1.7e308))) {
    AValue = value;
    return true;
  }
  AValue = 0;
  return false;
}

bool TkcCustomCurrencyEditProperties::CheckNumberText(const String& AText) {
  const std::size_t point = AText.find(FormatSettings.DecimalSeparator);
  if (point != String::npos) {
    int digits = 0;
    for (std::size_t i = point + 1; i < AText.size() && AText[i] != 'E' && AText[i] != 'e'; ++i)
      digits += AText[i] >= '0' && AText[i] <= '9';
    if (digits > DecimalPlaces()) return false;
  }
  double value;
  return TryTextToNumber(AText, value);
}

bool TkcCustomCurrencyEditProperties::IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) {
  if (!AEditFocused) return true;
  bool isCurrency = false, hasCustomText = false;
  String format;
  GetEditFormatInfo(isCurrency, hasCustomText, format, nullptr);
  if (!format.empty() || hasCustomText) return true;
  const String text = VarToStr(ADisplayValue);
  // Clearing the editor (or typing the text of Null) is how the user empties the value.
  if (Trim(text).empty() || (fNullable && text == fNullString)) return true;
  double value;
  return TryTextToNumber(text, value);
}

Variant TkcCustomCurrencyEditProperties::DisplayTextToValue(const String& AText) {
  double value = 0;
  if (!AText.empty() && AText != fNullString && TryTextToNumber(AText, value)) return Variant(value);
  return fNullable ? Null() : Variant(0.0);
}

bool TkcCustomCurrencyEditProperties::IsValidChar(char32_t AKey, const String& AText, int ASelStart, int ASelLength,
                                                  bool AEditFocused) {
  const bool numeric = (AKey >= U'0' && AKey <= U'9') || AKey == U'+' || AKey == U'-' || AKey == U'e' ||
                       AKey == U'E' || AKey == static_cast<char32_t>(FormatSettings.DecimalSeparator);
  const bool thousand = fUseThousandSeparator && AKey == static_cast<char32_t>(FormatSettings.ThousandSeparator);
  if (!numeric && !thousand) return false;
  bool isCurrency = false, hasCustomText = false;
  String format;
  GetEditFormatInfo(isCurrency, hasCustomText, format, nullptr);
  if ((!format.empty() || hasCustomText) && AEditFocused && !CheckNumberText(AText)) return true;
  const String result = Utf8Copy(AText, 0, static_cast<std::size_t>(ASelStart)) + Utf8Encode(AKey) +
                        Utf8Copy(AText, static_cast<std::size_t>(ASelStart + ASelLength));
  return result == "-" || CheckNumberText(result);
}

// ---- Edit control ---------------------------------------------------------------------------

void TkcCustomCurrencyEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  AEditValue = ActiveProperties()->DisplayTextToValue(VarToStr(ADisplayValue));
}

double TkcCustomCurrencyEdit::Value() {
  const Variant v = EditValue();
  if (v.IsNull() || v.IsEmpty()) return 0;
  if (v.IsStr()) return StrToCurrDef(VarToStr(v), Currency()).ToDouble();
  return v.AsDouble();
}

double TkcCustomCurrencyEdit::BoundedValue(double AValue) {
  TkcCustomCurrencyEditProperties* p = ActiveProperties();
  if (p->IsValueBoundDefined(0) && AValue < p->MinValue()) return p->MinValue();
  if (p->IsValueBoundDefined(1) && AValue > p->MaxValue()) return p->MaxValue();
  return AValue;
}

void TkcCustomCurrencyEdit::SetValue(double AValue) { SetEditValue(Variant(BoundedValue(AValue))); }

void TkcCustomCurrencyEdit::CheckEditorValueBounds() {
  // An empty amount is no amount below the minimum: it is not turned into one.
  const Variant v = EditValue();
  if (v.IsNull() || v.IsEmpty()) return;
  const double value = Value();
  if (BoundedValue(value) != value) SetValue(value);
}

void TkcCustomCurrencyEdit::DoEditKeyPress(char32_t& Key) {
  TkcCustomCurrencyEditProperties* p = ActiveProperties();
  const bool thousand = p->UseThousandSeparator() && Key == static_cast<char32_t>(FormatSettings.ThousandSeparator);
  if (!thousand && (Key == U'.' || Key == U','))
    Key = static_cast<char32_t>(FormatSettings.DecimalSeparator);
  if (Key >= 32 && !p->IsValidChar(Key, Text(), SelStart(), SelLength(), GetEditFocused())) {
    Key = 0;
    if (p->BeepOnError) MessageBeep(0);
    return;
  }
  TkcCustomTextEdit::DoEditKeyPress(Key);
}

void TkcCustomCurrencyEdit::PasteFromClipboard() {
  if (!CanModify()) return;
  TkcCustomTextEdit::PasteFromClipboard();
}

void TkcCustomCurrencyEdit::PropertiesChanged(TObject* Sender) {
  if (!GetEditFocused() && InnerEdit()) SynchronizeDisplayValue();
  TkcCustomTextEdit::PropertiesChanged(Sender);
}
