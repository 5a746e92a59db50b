#include "editors/kcTextEdit.h"
#include "editors/kcTextEditControl.h"

#include <algorithm>

#include "platform/core/DateUtils.h"
#include "platform/core/FMTBcd.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

namespace {

bool IsDateValue(const Variant& v) { return VarType(v) == varDate || VarType(v) == varSQLTimeStamp; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// ---- Helpers ---------------------------------------------------------------------------------

void ApplyCharCase(String& AText, TEditCharCase ACharCase) {
  if (ACharCase == TEditCharCase::ecUpperCase)
    AText = AnsiUpperCase(AText);
  else if (ACharCase == TEditCharCase::ecLowerCase)
    AText = AnsiLowerCase(AText);
}

void SplitExponent(String& AText, String& AExponent) {
  const std::size_t pos = AnsiUpperCase(AText).find('E');
  if (pos == String::npos) {
    AExponent.clear();
    return;
  }
  AExponent = AText.substr(pos);
  AText.erase(pos);
}

void RemoveThousandSeparators(String& AText) {
  const char separator = FormatSettings.ThousandSeparator;
  if (separator == '\0') return;
  AText.erase(std::remove(AText.begin(), AText.end(), separator), AText.end());
}

void NormalizeNumberText(String& AText) {
  const std::size_t first = AText.find_first_not_of(' ');
  if (first == String::npos) return;
  const std::size_t last = AText.find_last_not_of(' ');
  const String leading = AText.substr(0, first), trailing = AText.substr(last + 1);
  String number = AText.substr(first, last - first + 1);
  String exponent;
  SplitExponent(number, exponent);
  RemoveThousandSeparators(number);
  std::size_t p = number.find(FormatSettings.DecimalSeparator);
  if (p == String::npos) p = number.size();
  const char separator = FormatSettings.ThousandSeparator;
  if (separator != '\0') {
    int digits = 0;
    for (std::size_t i = p; i > 0 && IsDigit(number[i - 1]);) {
      --i;
      if (++digits % 3 == 0 && i > 0 && IsDigit(number[i - 1])) number.insert(i, 1, separator);
    }
  }
  AText = leading + number + exponent + trailing;
}

bool IsNumericText(String AText) {
  RemoveThousandSeparators(AText);
  double value = 0;
  return !AText.empty() && TryStrToFloat(AText, value);
}

// ---- Assigned values -------------------------------------------------------------------------

void TkcTextEditPropertiesValues::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TkcTextEditPropertiesValues*>(Source)) {
    BeginUpdate();
    TkcCustomEditPropertiesValues::Assign(Source);
    SetDisplayFormat(source->fDisplayFormat);
    SetEditFormat(source->fEditFormat);
    SetMaxLength(source->fMaxLength);
    SetMaxValue(source->fMaxValue);
    SetMinValue(source->fMinValue);
    EndUpdate();
    return;
  }
  TkcCustomEditPropertiesValues::Assign(Source);
}

void TkcTextEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TkcCustomEditPropertiesValues::RestoreDefaults();
  SetDisplayFormat(false);
  SetEditFormat(false);
  SetMaxLength(false);
  SetMaxValue(false);
  SetMinValue(false);
  EndUpdate();
}

void TkcTextEditPropertiesValues::SetMaxLength(bool Value) {
  if (fMaxLength == Value) return;
  fMaxLength = Value;
  if (auto* p = dynamic_cast<TkcCustomTextEditProperties*>(Properties())) p->MaxLengthChanged();
}

// ---- Properties ------------------------------------------------------------------------------

TkcCustomTextEditProperties::TkcCustomTextEditProperties(TPersistent* AOwner)
    : TkcCustomEditProperties(AOwner), fLookupItems(std::make_unique<TStringList>()) {
  fLookupItems->OnChange = [this](TObject*) { Changed(); };
  GetFormatController()->AddListener(this);
}

TkcCustomTextEditProperties::~TkcCustomTextEditProperties() {
  GetFormatController()->RemoveListener(this);
  fLookupItems->OnChange = nullptr;
}

TkcCustomEditPropertiesValuesClass TkcCustomTextEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcTextEditPropertiesValues>();
}

void TkcCustomTextEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomTextEditProperties*>(Source);
  if (!source) {
    TkcCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomEditProperties::Assign(Source);
    SetCharCase(source->CharCase());
    EchoMode = source->EchoMode;
    SetFixedListSelection(source->FixedListSelection());
    fHideCursor = source->fHideCursor;
    HideSelection = source->HideSelection;
    ImmediateUpdateText = source->ImmediateUpdateText;
    IncrementalSearch = source->IncrementalSearch;
    MRUMode = source->MRUMode;
    ValidChars = source->ValidChars;
    SetLookupItemsSorted(false);
    fLookupItems->Assign(source->LookupItems());
    SetLookupItemsSorted(source->LookupItemsSorted());
    TkcTextEditPropertiesValues* own = AssignedValues();
    TkcTextEditPropertiesValues* theirs = source->AssignedValues();
    own->SetDisplayFormat(false);
    if (theirs->DisplayFormat()) SetDisplayFormat(source->DisplayFormat());
    own->SetEditFormat(false);
    if (theirs->EditFormat()) SetEditFormat(source->EditFormat());
    own->SetMaxLength(false);
    if (theirs->MaxLength()) SetMaxLength(source->MaxLength());
    own->SetMaxValue(false);
    if (theirs->MaxValue()) SetMaxValue(source->MaxValue());
    own->SetMinValue(false);
    if (theirs->MinValue()) SetMinValue(source->MinValue());
    OEMConvert = source->OEMConvert;
    PasswordChar = source->PasswordChar;
    UseDisplayFormatWhenEditing = source->UseDisplayFormatWhenEditing;
    OnNewLookupDisplayText = source->OnNewLookupDisplayText;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TkcCustomTextEditProperties::AlignmentChangedHandler(TObject* Sender) {
  BeginUpdate();
  TkcCustomEditProperties::AlignmentChangedHandler(Sender);
  EndUpdate(true);
}

void TkcCustomTextEditProperties::SetAlignment(TkcEditAlignment* Value) {
  BeginUpdate();
  TkcCustomEditProperties::SetAlignment(Value);
  EndUpdate(true);
}

String TkcCustomTextEditProperties::GetValidateErrorText(int AErrorKind) {
  if (AErrorKind == 1) return LocalizeText("Value out of bounds");
  return TkcCustomEditProperties::GetValidateErrorText(AErrorKind);
}

int TkcCustomTextEditProperties::GetOperationSupport() {
  return TkcCustomEditProperties::GetOperationSupport() | kcTextEditOperationSupport;
}

void TkcCustomTextEditProperties::FormatChanged() {
  fFormatChanging = true;
  try {
    Changed();
  } catch (...) {
    fFormatChanging = false;
    throw;
  }
  fFormatChanging = false;
}

// ---- Display text ----------------------------------------------------------------------------

WideString TkcCustomTextEditProperties::GetDisplayText(const Variant& AEditValue, bool, bool AIsInplace) {
  String text;
  if (IsValueFormattedBySource()) {
    text = VarToStr(AEditValue);
  } else {
    const bool focused = !AIsInplace && !IsDisplayFocusDependent();
    Variant display;
    ConvertEditValueForDisplay(AEditValue, focused, display);
    text = VarToStr(display);
  }
  PrepareDisplayText(text);
  return Utf8ToWide(text);
}

void TkcCustomTextEditProperties::ConvertEditValueForDisplay(const Variant& AEditValue, bool AEditFocused,
                                                             Variant& ADisplayValue) {
  Variant value = AEditValue;
  if (IsEditValueValid(value, AEditFocused))
    EditValueToDisplayValue(value, ADisplayValue, AEditFocused);
  else if (IsDateValue(value))
    ADisplayValue = DateTimeToStr(VarToDateTime(value));
  else
    ADisplayValue = VarToStr(value);
}

void TkcCustomTextEditProperties::PrepareDisplayText(String& AText) {
  if (EchoMode == eemPassword) {
    AText = String(Utf8Length(AText), PasswordChar == '\0' ? '*' : PasswordChar);
    return;
  }
  ApplyCharCase(AText, fCharCase);
}

bool TkcCustomTextEditProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  if (AEditValue.IsNull() || !AEditValue.IsStr()) return true;
  return IsDisplayTextValid(AEditValue, AEditFocused);
}

void TkcCustomTextEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                          bool AEditFocused) {
  if (!IsEditValueNumeric()) {
    ADisplayValue = VarToStr(AEditValue);
    return;
  }
  if (AEditValue.IsNull() || AEditValue.IsEmpty()) {
    ADisplayValue = String();
    return;
  }
  if (!AEditValue.IsNumeric() && !AEditValue.IsStr())
    throw EConvertError(LocalizeText("Could not convert to numeric value"));
  const String plain = VarToStr(AEditValue);
  if (AEditFocused) {
    bool isCurrency = false, hasCustomText = false;
    String format;
    GetEditFormatInfo(isCurrency, hasCustomText, format, nullptr);
    const int precision = DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultPrecision() : 15;
    TBcd bcd;
    if (isCurrency) {
      ADisplayValue =
          TryStrToBcd(plain, bcd) ? BcdToStrF(bcd, ffFixed, precision, FormatSettings.CurrencyDecimals) : plain;
      return;
    }
    if (!format.empty()) {
      ADisplayValue = FormatFloat(format, AEditValue.AsDouble());
      return;
    }
    String text = TryStrToBcd(plain, bcd) ? BcdToStrF(bcd, ffGeneral, precision, 0) : plain;
    if (IsThousandSeparatorShown(false)) NormalizeNumberText(text);
    ADisplayValue = text;
    return;
  }
  const String format = DisplayFormat();
  if (format.empty()) {
    ADisplayValue = plain;
    return;
  }
  // A text that is no number keeps its plain form: painting a cell never fails on it.
  try {
    ADisplayValue = FormatFloat(format, AEditValue.AsDouble());
  } catch (const EVariantError&) {
    ADisplayValue = plain;
  } catch (const EConvertError&) {
    ADisplayValue = plain;
  }
}

void TkcCustomTextEditProperties::GetEditFormatInfo(bool& AIsCurrency, bool& AHasCustomText, String& AFormat,
                                                    IkcEditHost* AEdit) {
  AIsCurrency = AHasCustomText = false;
  AFormat.clear();
  if (AssignedValues()->EditFormat()) {
    AFormat = fEditFormat;
    return;
  }
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  if ((!AEdit || !AEdit->IsEditInplace()) && provider && provider->HasCustomDisplayText()) {
    AHasCustomText = true;
    return;
  }
  if (provider && !provider->GetDefaultEditFormat().empty()) {
    AFormat = provider->GetDefaultEditFormat();
    return;
  }
  if (AssignedValues()->DisplayFormat())
    AFormat = fDisplayFormat;
  else if (provider && !provider->GetDefaultDisplayFormat().empty())
    AFormat = provider->GetDefaultDisplayFormat();
  else if (!GetDefaultDisplayFormat().empty())
    AFormat = GetDefaultDisplayFormat();
  else if (provider)
    AIsCurrency = !(GetProviderFormatSupport() & kcProviderFormatNoCurrency) && provider->IsCurrencyValue();
  if (!UseDisplayFormatWhenEditing) AFormat.clear();
}

bool TkcCustomTextEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return AnsiCompareStr(WideToUtf8(GetDisplayText(AEditValue1, true, true)),
                        WideToUtf8(GetDisplayText(AEditValue2, true, true))) == 0;
}

bool TkcCustomTextEditProperties::ChangeSelText(const String& AEditText, int ASelStart, int ASelLength,
                                                const String& AText, bool AInnerEditing, bool AEditFocused,
                                                String& ANewText, int& ANewSelStart) {
  const TkcTextEditingStyle style = GetEditingStyle();
  if (AInnerEditing && style == esNoEdit) return false;
  const int length = static_cast<int>(Utf8Length(AEditText));
  if (style == esFixedList || style == esNoEdit) {
    ASelStart = 0;
    ASelLength = length;
  }
  ASelStart = std::clamp(ASelStart, 0, length);
  ASelLength = std::clamp(ASelLength, 0, length - ASelStart);
  const String head = Utf8Copy(AEditText, 0, static_cast<std::size_t>(ASelStart));
  const String tail = Utf8Copy(AEditText, static_cast<std::size_t>(ASelStart + ASelLength));
  const int maxLength = MaxLength();
  String text;
  if (AInnerEditing && (style == esEdit || style == esNoEdit) && maxLength > 0) {
    const String part = Utf8Copy(head + AText, 0, static_cast<std::size_t>(maxLength));
    const int kept = static_cast<int>(Utf8Length(part));
    if (kept < ASelStart || (!AText.empty() && kept == ASelStart)) return false;
    ANewSelStart = kept;
    text = Utf8Copy(part + tail, 0, static_cast<std::size_t>(maxLength));
  } else {
    text = style == esFixedList ? AText : head + AText + tail;
    ANewSelStart = (style == esFixedList ? 0 : ASelStart) + static_cast<int>(Utf8Length(AText));
  }
  Variant value = text;
  if (!IsDisplayTextValid(value, AEditFocused)) return false;
  ANewText = VarToStr(value);
  return true;
}

// ---- Lookup items and validity ---------------------------------------------------------------

bool TkcCustomTextEditProperties::IsLookupItem(const String& AText) {
  const String key = AnsiUpperCase(AText);
  for (int i = 0; i < fLookupItems->Count(); ++i)
    if (AnsiUpperCase(fLookupItems->Strings(i)) == key) return true;
  return false;
}

bool TkcCustomTextEditProperties::IsDisplayTextValid(Variant& ADisplayValue, bool) {
  String text = VarToStr(ADisplayValue);
  if (!text.empty()) {
    const TkcTextEditingStyle style = GetEditingStyle();
    if ((style == esEditList || style == esFixedList) && UseLookupData() && !IsLookupItem(text)) return false;
  }
  ApplyCharCase(text, fCharCase);
  ADisplayValue = text;
  return true;
}

// ---- Bounds ----------------------------------------------------------------------------------

// A bound the user set alone holds alone: an unassigned bound (0 unless the data source gives
// one) never turns into a second limit. With both or neither set, bounds hold when the range
// is not empty, as data sources give 0..0 for "none".
bool TkcCustomTextEditProperties::IsValueBoundDefined(int ABound) {
  const bool minAssigned = AssignedValues()->MinValue(), maxAssigned = AssignedValues()->MaxValue();
  if (minAssigned != maxAssigned) return ABound == 0 ? minAssigned : maxAssigned;
  return MaxValue() > MinValue();
}

bool TkcCustomTextEditProperties::IsValueBoundsDefined() {
  return AssignedValues()->MinValue() != AssignedValues()->MaxValue() || MaxValue() > MinValue();
}

void TkcCustomTextEditProperties::CheckValueBounds(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                   IkcEditHost* AEdit) {
  if (!AEdit) return;
  Variant value;
  AEdit->DisplayValueToEditValue(ADisplayValue, value, AEdit->IsEditFocused());
  double number = 0;
  if (value.IsNumeric())
    number = value.AsDouble();
  else if (IsDateValue(value))
    number = VarToDateTime(value);
  else
    return;
  if ((IsValueBoundDefined(0) && number < MinValue()) || (IsValueBoundDefined(1) && number > MaxValue())) {
    AError = true;
    AErrorText = GetValidateErrorText(1);
  }
}

void TkcCustomTextEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  if (IsEditValueNumeric() && IsValueBoundsDefined()) CheckValueBounds(ADisplayValue, AErrorText, AError, AEdit);
  TkcCustomEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

// ---- Property accessors ----------------------------------------------------------------------

String TkcCustomTextEditProperties::DisplayFormat() {
  if (AssignedValues()->DisplayFormat()) return fDisplayFormat;
  if (DefaultValuesProvider() && !DefaultValuesProvider()->GetDefaultDisplayFormat().empty())
    return DefaultValuesProvider()->GetDefaultDisplayFormat();
  return GetDefaultDisplayFormat();
}

void TkcCustomTextEditProperties::SetDisplayFormat(const String& Value) {
  if (AssignedValues()->DisplayFormat() && fDisplayFormat == Value) return;
  BeginUpdate();
  AssignedValues()->SetDisplayFormat(true);
  fDisplayFormat = Value;
  Changed();
  EndUpdate(true);
}

String TkcCustomTextEditProperties::EditFormat() {
  bool isCurrency = false, hasCustomText = false;
  String format;
  GetEditFormatInfo(isCurrency, hasCustomText, format, nullptr);
  return format;
}

void TkcCustomTextEditProperties::SetEditFormat(const String& Value) {
  if (AssignedValues()->EditFormat() && fEditFormat == Value) return;
  BeginUpdate();
  AssignedValues()->SetEditFormat(true);
  fEditFormat = Value;
  Changed();
  EndUpdate(true);
}

void TkcCustomTextEditProperties::SetFixedListSelection(bool Value) {
  if (fFixedListSelection == Value) return;
  fFixedListSelection = Value;
  if (GetEditingStyle() == esFixedList) Changed();
}

int TkcCustomTextEditProperties::GetDefaultMaxLength() {
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMaxLength() : 0;
}

int TkcCustomTextEditProperties::MaxLength() {
  return AssignedValues()->MaxLength() ? fMaxLength : GetDefaultMaxLength();
}

void TkcCustomTextEditProperties::SetMaxLength(int Value) {
  if (Value < 0) Value = 0;
  if (AssignedValues()->MaxLength() && fMaxLength == Value) return;
  BeginUpdate();
  fMaxLength = Value;
  if (AssignedValues()->MaxLength())
    MaxLengthChanged();
  else
    AssignedValues()->SetMaxLength(true);
  EndUpdate(true);
}

double TkcCustomTextEditProperties::MaxValue() {
  if (AssignedValues()->MaxValue()) return fMaxValue;
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMaxValue() : 0;
}

void TkcCustomTextEditProperties::SetMaxValue(double Value) {
  if (AssignedValues()->MaxValue() && fMaxValue == Value) return;
  BeginUpdate();
  AssignedValues()->SetMaxValue(true);
  fMaxValue = Value;
  Changed();
  EndUpdate(true);
}

double TkcCustomTextEditProperties::MinValue() {
  if (AssignedValues()->MinValue()) return fMinValue;
  return DefaultValuesProvider() ? DefaultValuesProvider()->GetDefaultMinValue() : 0;
}

void TkcCustomTextEditProperties::SetMinValue(double Value) {
  if (AssignedValues()->MinValue() && fMinValue == Value) return;
  BeginUpdate();
  AssignedValues()->SetMinValue(true);
  fMinValue = Value;
  Changed();
  EndUpdate(true);
}

TkcTextEditViewStyle TkcCustomTextEditProperties::ViewStyle() {
  switch (ButtonsViewKind()) {
    case bvkButtonsOnly: return vsButtonsOnly;
    case bvkButtonsAutoWidth: return vsButtonsAutoWidth;
    default: return fHideCursor ? vsHideCursor : vsNormal;
  }
}

void TkcCustomTextEditProperties::SetViewStyle(TkcTextEditViewStyle Value) {
  if (ViewStyle() == Value) return;
  BeginUpdate();
  SetButtonsViewKind(Value == vsButtonsOnly        ? bvkButtonsOnly
                     : Value == vsButtonsAutoWidth ? bvkButtonsAutoWidth
                                                   : bvkNormal);
  fHideCursor = Value != vsNormal;
  Changed();
  EndUpdate(true);
}

TClass TkcCustomTextEditProperties::GetContainerClass() { return TkcTextEdit::StaticClass(); }
