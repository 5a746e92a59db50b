// Fields: the base with its properties and texts, and the field classes with their conversions.
#include "platform/db/DB.h"

#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

#include <cmath>

const char* FieldTypeName(TFieldType t) {
  static const char* const names[] = {
      "Unknown",     "String",    "Smallint",  "Integer",       "Word",     "Boolean",      "Float",
      "Currency",    "BCD",       "Date",      "Time",          "DateTime", "Bytes",        "VarBytes",
      "AutoInc",     "Blob",      "Memo",      "Graphic",       "FmtMemo",  "ParadoxOle",   "DBaseOle",
      "TypedBinary", "Cursor",    "FixedChar", "WideString",    "Largeint", "ADT",          "Array",
      "Reference",   "DataSet",   "OraBlob",   "OraClob",       "Variant",  "Interface",    "IDispatch",
      "Guid",        "TimeStamp", "FMTBcd",    "FixedWideChar", "WideMemo", "OraTimeStamp", "OraInterval"};
  int i = static_cast<int>(t);
  return i >= 0 && i <= ftOraInterval ? names[i] : "Unknown";
}

TFieldClass DefaultFieldClass(TFieldType t) {
  switch (t) {
    case ftString:
    case ftFixedChar: return TFieldClass::Of<TStringField>();
    case ftWideString:
    case ftFixedWideChar: return TFieldClass::Of<TWideStringField>();
    case ftSmallint: return TFieldClass::Of<TSmallintField>();
    case ftInteger: return TFieldClass::Of<TIntegerField>();
    case ftWord: return TFieldClass::Of<TWordField>();
    case ftAutoInc: return TFieldClass::Of<TAutoIncField>();
    case ftLargeint: return TFieldClass::Of<TLargeintField>();
    case ftBoolean: return TFieldClass::Of<TBooleanField>();
    case ftFloat: return TFieldClass::Of<TFloatField>();
    case ftCurrency: return TFieldClass::Of<TCurrencyField>();
    case ftBCD: return TFieldClass::Of<TBCDField>();
    case ftFMTBcd: return TFieldClass::Of<TFMTBCDField>();
    case ftDate: return TFieldClass::Of<TDateField>();
    case ftTime: return TFieldClass::Of<TTimeField>();
    case ftDateTime: return TFieldClass::Of<TDateTimeField>();
    case ftTimeStamp: return TFieldClass::Of<TSQLTimeStampField>();
    case ftBytes: return TFieldClass::Of<TBytesField>();
    case ftVarBytes: return TFieldClass::Of<TVarBytesField>();
    case ftBlob:
    case ftTypedBinary:
    case ftOraBlob: return TFieldClass::Of<TBlobField>();
    case ftMemo:
    case ftFmtMemo:
    case ftOraClob: return TFieldClass::Of<TMemoField>();
    case ftWideMemo: return TFieldClass::Of<TWideMemoField>();
    case ftGraphic: return TFieldClass::Of<TGraphicField>();
    case ftVariant: return TFieldClass::Of<TVariantField>();
    default: return nullptr;
  }
}

// ---- TField -------------------------------------------------------------------------------------

TField::TField(TComponent* AOwner) : TComponent(AOwner) {}

TField::~TField() {
  if (fDataSet) {
    fDataSet->fFields.Remove(this);
    fDataSet->DataEvent(deFieldListChange, 0);
  }
}

void TField::SetDataSet(TDataSet* Value) {
  if (fDataSet == Value) return;
  if (Value) Value->CheckInactive();
  if (fDataSet) {
    fDataSet->CheckInactive();
    fDataSet->fFields.Remove(this);
  }
  if (Value && !fFieldName.empty() && Value->FindField(fFieldName))
    DatabaseErrorFmt("Duplicate field name '%s'", {fFieldName}, Value);
  fDataSet = Value;
  if (fDataSet) fDataSet->fFields.Add(this);
}

void TField::SetFieldName(const String& Value) {
  if (fDataSet) fDataSet->CheckInactive();
  fFieldName = Value;
}

int TField::Index() const { return fDataSet ? fDataSet->fFields.IndexOf(this) : -1; }

void TField::Changed() {
  if (fDataSet && fDataSet->Active()) fDataSet->DataEvent(deLayoutChange, 0);
}

void TField::SetDisplayLabel(const String& Value) {
  fDisplayLabel = Value == fFieldName ? String() : Value;
  Changed();
}
void TField::SetVisible(bool Value) {
  if (fVisible == Value) return;
  fVisible = Value;
  Changed();
}
void TField::SetAlignment(TAlignment Value) {
  if (fAlignment == Value) return;
  fAlignment = Value;
  Changed();
}
void TField::SetDisplayWidth(int Value) {
  fDisplayWidth = Value;
  Changed();
}
void TField::SetSize(int Value) {
  if (fDataSet) fDataSet->CheckInactive();
  fSize = Value;
}

void TField::SetLookupDataSet(TDataSet* Value) {
  if (fLookupDataSet) fLookupDataSet->RemoveFreeNotification(this);
  fLookupDataSet = Value;
  if (Value) Value->FreeNotification(this);
}

void TField::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fLookupDataSet) fLookupDataSet = nullptr;
}

bool TField::CanModify() const { return !fReadOnly && fFieldKind == fkData && fDataSet && fDataSet->CanModify(); }

bool TField::IsValidChar(char32_t) const { return true; }

void TField::FocusControl() {
  if (!fDataSet || !fDataSet->Active()) return;
  TField* f = this;
  fDataSet->DataEvent(deFocusControl, reinterpret_cast<std::intptr_t>(&f));
}

void TField::AccessError(const char* TypeName) const {
  DatabaseErrorFmt("Cannot access field '%s' as type %s", {DisplayName(), TypeName});
}

void TField::RangeError(double Value, double Min, double Max) const {
  DatabaseErrorFmt("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                   {FloatToStr(Value), DisplayName(), FloatToStr(Min), FloatToStr(Max)});
}

Variant TField::RawValue() const {
  if (!fDataSet) return Null();
  Variant v = fDataSet->GetFieldValue(this);
  if (v.IsEmpty()) return Null();
  return v;  // moved, not copied (a text would be)
}

void TField::SetRawValue(const Variant& V) {
  if (!fDataSet) DatabaseErrorFmt("Field '%s' has no dataset", {DisplayName()});
  fDataSet->SetFieldValue(this, V.IsEmpty() ? Null() : V);
}

bool TField::IsNull() const { return VarIsNull(RawValue()); }
Variant TField::Value() const { return RawValue(); }
void TField::SetValue(const Variant& V) { SetRawValue(V); }

String TField::AsString() const { AccessError("String"); }
void TField::SetAsString(const String&) { AccessError("String"); }
WideString TField::AsWideString() const { return Utf8ToWide(AsString()); }
void TField::SetAsWideString(const WideString& V) { SetAsString(WideToUtf8(V)); }
int TField::AsInteger() const { AccessError("Integer"); }
void TField::SetAsInteger(int) { AccessError("Integer"); }
std::int64_t TField::AsLargeInt() const { AccessError("LargeInt"); }
void TField::SetAsLargeInt(std::int64_t) { AccessError("LargeInt"); }
double TField::AsFloat() const { AccessError("Float"); }
void TField::SetAsFloat(double) { AccessError("Float"); }
Currency TField::AsCurrency() const { return Currency::FromDouble(AsFloat()); }
void TField::SetAsCurrency(Currency V) { SetAsFloat(V.ToDouble()); }
bool TField::AsBoolean() const { AccessError("Boolean"); }
void TField::SetAsBoolean(bool) { AccessError("Boolean"); }
TDateTime TField::AsDateTime() const { AccessError("DateTime"); }
void TField::SetAsDateTime(TDateTime) { AccessError("DateTime"); }
TBcd TField::AsBCD() const { AccessError("BCD"); }
void TField::SetAsBCD(const TBcd&) { AccessError("BCD"); }
TSQLTimeStamp TField::AsSQLTimeStamp() const { AccessError("SQLTimeStamp"); }
void TField::SetAsSQLTimeStamp(const TSQLTimeStamp&) { AccessError("SQLTimeStamp"); }

String TField::GetText(bool) const { return IsNull() ? String() : AsString(); }

String TField::GetTextOf(bool Display) const {
  if (OnGetText) {
    String s;
    OnGetText(const_cast<TField*>(this), s, Display);
    return s;
  }
  return GetText(Display);
}

void TField::SetText(const String& V) {
  if (OnSetText)
    OnSetText(this, V);
  else
    SetAsString(V);
}

// ---- Strings ----------------------------------------------------------------------------------

TStringField::TStringField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftString);
  SetSize(20);
}

TWideStringField::TWideStringField(TComponent* AOwner) : TStringField(AOwner) { SetDataType(ftWideString); }

Variant TWideStringField::Value() const {
  Variant v = RawValue();
  return v.IsNull() ? v : Variant(v.AsWideString());
}

void TStringField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else
    SetAsString(VarToStr(V));
}

String TStringField::AsString() const { return VarToStr(RawValue()); }

// Longer texts are cut to Size characters, never inside a character.
void TStringField::SetAsString(const String& V) {
  String s = V;
  if (Size() > 0 && Utf8Length(s) > static_cast<size_t>(Size())) s = Utf8Copy(s, 0, static_cast<size_t>(Size()));
  SetRawValue(s);
}

int TStringField::AsInteger() const { return StrToInt(AsString()); }
std::int64_t TStringField::AsLargeInt() const { return StrToInt64(AsString()); }
double TStringField::AsFloat() const { return StrToFloat(AsString()); }
TDateTime TStringField::AsDateTime() const { return StrToDateTime(AsString()); }

bool TStringField::AsBoolean() const {
  String s = AsString();
  if (s.empty()) return false;
  switch (s[0]) {
    case 'T':
    case 't':
    case 'Y':
    case 'y': return true;
    case 'F':
    case 'f':
    case 'N':
    case 'n': return false;
  }
  throw EConvertError(Format("'%s' is not a valid boolean value", {s}));
}

// ---- Numbers ----------------------------------------------------------------------------------

TNumericField::TNumericField(TComponent* AOwner) : TField(AOwner) { SetAlignment(taRightJustify); }

void TNumericField::SetDisplayFormat(const String& V) {
  fDisplayFormat = V;
  Changed();
}
void TNumericField::SetEditFormat(const String& V) {
  fEditFormat = V;
  Changed();
}

bool TNumericField::IsValidChar(char32_t C) const {
  const TFormatSettings& fs = ::FormatSettings;
  return (C >= '0' && C <= '9') || C == '+' || C == '-' || C == 'e' || C == 'E' ||
         C == static_cast<unsigned char>(fs.DecimalSeparator);
}

TIntegralField::TIntegralField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftInteger); }
TIntegerField::TIntegerField(TComponent* AOwner) : TIntegralField(AOwner) {}
TSmallintField::TSmallintField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftSmallint);
  fLow = INT16_MIN;
  fHigh = INT16_MAX;
}
TWordField::TWordField(TComponent* AOwner) : TIntegerField(AOwner) {
  SetDataType(ftWord);
  fLow = 0;
  fHigh = UINT16_MAX;
}
TAutoIncField::TAutoIncField(TComponent* AOwner) : TIntegerField(AOwner) { SetDataType(ftAutoInc); }
TLargeintField::TLargeintField(TComponent* AOwner) : TIntegralField(AOwner) {
  SetDataType(ftLargeint);
  fLow = INT64_MIN;
  fHigh = INT64_MAX;
}

int TLargeintField::AsInteger() const {
  std::int64_t v = AsLargeInt();
  if (v < INT32_MIN || v > INT32_MAX) RangeError(static_cast<double>(v), INT32_MIN, INT32_MAX);
  return static_cast<int>(v);
}

void TIntegralField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else if (V.IsFloat() || V.VarType() == varCurrency || V.VarType() == varFMTBcd)
    SetAsFloat(V.AsDouble());
  else
    SetAsLargeInt(V.AsInt64());
}

std::int64_t TIntegralField::AsLargeInt() const {
  Variant v = RawValue();
  return v.IsNull() ? 0 : v.AsInt64();
}

int TIntegralField::AsInteger() const { return static_cast<int>(AsLargeInt()); }

String TIntegralField::AsString() const {
  Variant v = RawValue();
  return v.IsNull() ? String() : IntToStr(v.AsInt64());
}

void TIntegralField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  std::int64_t i;
  if (!TryStrToInt64(V, i)) DatabaseErrorFmt("'%s' is not a valid integer value for field '%s'", {V, DisplayName()});
  SetAsLargeInt(i);
}

void TIntegralField::SetAsLargeInt(std::int64_t V) {
  bool bounded = fMin != 0 || fMax != 0;
  std::int64_t lo = bounded ? fMin : fLow, hi = bounded ? fMax : fHigh;
  if (V < lo || V > hi) {
    if (fLow == INT64_MIN && !bounded) {
      // no bounds at all
    } else {
      DatabaseErrorFmt("%s is not a valid value for field '%s'. The allowed range is %s to %s",
                       {IntToStr(V), DisplayName(), IntToStr(lo), IntToStr(hi)});
    }
  }
  if (DataType() == ftLargeint)
    SetRawValue(Variant::FromInt64(V));
  else
    SetRawValue(static_cast<int>(V));
}

void TIntegralField::SetAsFloat(double V) {
  std::int64_t i;
  if (!TryRound(V, i)) RangeError(V, static_cast<double>(fLow), static_cast<double>(fHigh));
  SetAsLargeInt(i);
}

String TIntegralField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  const String& fmt = DisplayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (fmt.empty()) return IntToStr(v.AsInt64());
  return FormatFloat(fmt, static_cast<double>(v.AsInt64()));
}

TFloatField::TFloatField(TComponent* AOwner) : TNumericField(AOwner) { SetDataType(ftFloat); }
TCurrencyField::TCurrencyField(TComponent* AOwner) : TFloatField(AOwner) {
  SetDataType(ftCurrency);
  SetCurrency(true);
}

void TFloatField::SetCurrency(bool V) {
  fCurrency = V;
  Changed();
}

void TFloatField::SetPrecision(int V) {
  fPrecision = V < 2 ? 2 : V > 15 ? 15 : V;
  Changed();
}

void TFloatField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsFloat(V.AsDouble());
}

double TFloatField::AsFloat() const {
  Variant v = RawValue();
  return v.IsNull() ? 0.0 : v.AsDouble();
}

int TFloatField::AsInteger() const {
  std::int64_t i = AsLargeInt();
  if (i < INT32_MIN || i > INT32_MAX) RangeError(AsFloat(), INT32_MIN, INT32_MAX);
  return static_cast<int>(i);
}

std::int64_t TFloatField::AsLargeInt() const {
  std::int64_t i;
  double d = AsFloat();
  if (!TryRound(d, i)) RangeError(d, -9.2e18, 9.2e18);
  return i;
}

String TFloatField::AsString() const {
  Variant v = RawValue();
  return v.IsNull() ? String() : FloatToStr(v.AsDouble());
}

void TFloatField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  double d;
  if (!TryStrToFloat(V, d))
    DatabaseErrorFmt("'%s' is not a valid floating point value for field '%s'", {V, DisplayName()});
  SetAsFloat(d);
}

void TFloatField::SetAsFloat(double V) {
  if (std::isnan(V) || std::isinf(V))
    throw EConvertError(Format("'%s' is not a valid floating point value", {FloatToStr(V)}));
  if ((fMin != 0 || fMax != 0) && (V < fMin || V > fMax)) RangeError(V, fMin, fMax);
  SetRawValue(V);
}

String TFloatField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  double d = v.AsDouble();
  const String& fmt = DisplayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!fmt.empty()) return FormatFloat(fmt, d);
  if (DisplayText && fCurrency) return FloatToStrF(d, ffCurrency, fPrecision, ::FormatSettings.CurrencyDecimals);
  return FloatToStrF(d, ffGeneral, fPrecision, 0);
}

TBCDField::TBCDField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftBCD);
  SetSize(4);
}

void TBCDField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsCurrency(V.AsCurrency());
}

Currency TBCDField::AsCurrency() const {
  Variant v = RawValue();
  return v.IsNull() ? Currency() : v.AsCurrency();
}

int TBCDField::AsInteger() const {
  std::int64_t i = AsLargeInt();
  if (i < INT32_MIN || i > INT32_MAX) RangeError(static_cast<double>(i), INT32_MIN, INT32_MAX);
  return static_cast<int>(i);
}

std::int64_t TBCDField::AsLargeInt() const {
  std::int64_t i;
  if (!TryRound(AsCurrency().ToDouble(), i)) i = AsCurrency().Val / 10000;
  return i;
}

String TBCDField::AsString() const {
  Variant v = RawValue();
  return v.IsNull() ? String() : CurrToStr(v.AsCurrency());
}

void TBCDField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  SetAsCurrency(StrToCurr(V));
}

void TBCDField::SetAsCurrency(::Currency V) {
  if ((fMin.Val != 0 || fMax.Val != 0) && (V < fMin || V > fMax))
    RangeError(V.ToDouble(), fMin.ToDouble(), fMax.ToDouble());
  SetRawValue(V);
}

void TBCDField::SetAsBCD(const TBcd& V) {
  ::Currency c;
  if (!BCDToCurr(V, c)) throw EConvertError(Format("'%s' is not a valid BCD value", {BcdToStr(V)}));
  SetAsCurrency(c);
}

String TBCDField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  ::Currency c = v.AsCurrency();
  const String& fmt = DisplayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!fmt.empty()) return FormatFloat(fmt, c.ToDouble());
  if (DisplayText && fCurrency) return CurrToStrF(c, ffCurrency, ::FormatSettings.CurrencyDecimals);
  return CurrToStr(c);
}

TFMTBCDField::TFMTBCDField(TComponent* AOwner) : TNumericField(AOwner) {
  SetDataType(ftFMTBcd);
  SetSize(8);
}

void TFMTBCDField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsBCD(V.AsBcd());
}

TBcd TFMTBCDField::AsBCD() const {
  Variant v = RawValue();
  return v.IsNull() ? IntegerToBcd(0) : v.AsBcd();
}

void TFMTBCDField::SetAsBCD(const TBcd& V) { SetRawValue(VarFMTBcdCreate(V)); }

String TFMTBCDField::AsString() const {
  Variant v = RawValue();
  return v.IsNull() ? String() : BcdToStr(v.AsBcd());
}

void TFMTBCDField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  TBcd b;
  if (!TryStrToBcd(V, b)) throw EConvertError(Format("'%s' is not a valid BCD value", {V}));
  SetAsBCD(b);
}

int TFMTBCDField::AsInteger() const { return BcdToInteger(AsBCD()); }
std::int64_t TFMTBCDField::AsLargeInt() const { return BcdToInt64(AsBCD()); }
double TFMTBCDField::AsFloat() const { return BcdToDouble(AsBCD()); }
Currency TFMTBCDField::AsCurrency() const {
  ::Currency c;
  if (!BCDToCurr(AsBCD(), c)) RangeError(AsFloat(), -922337203685477.5807, 922337203685477.5807);
  return c;
}

String TFMTBCDField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  const String& fmt = DisplayText || EditFormat().empty() ? DisplayFormat() : EditFormat();
  if (!fmt.empty()) return FormatFloat(fmt, BcdToDouble(v.AsBcd()));
  return BcdToStr(v.AsBcd());
}

// ---- Boolean ----------------------------------------------------------------------------------

TBooleanField::TBooleanField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftBoolean); }

void TBooleanField::SetDisplayValues(const String& V) {
  size_t p = V.find(';');
  String t = p == String::npos ? V : V.substr(0, p);
  String f = p == String::npos ? String() : V.substr(p + 1);
  if (t.empty() && f.empty()) DatabaseErrorFmt("Invalid format string: '%s'", {V});
  fDisplayValues = V;
  fTrue = t;
  fFalse = f;
  Changed();
}

void TBooleanField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsBoolean(V.AsBoolean());
}

bool TBooleanField::AsBoolean() const {
  Variant v = RawValue();
  return !v.IsNull() && v.AsBoolean();
}

void TBooleanField::SetAsBoolean(bool V) { SetRawValue(V); }

String TBooleanField::AsString() const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  return v.AsBoolean() ? fTrue : fFalse;
}

// Either display text, or a leading part of it, in any letter case.
void TBooleanField::SetAsString(const String& V) {
  String u = Utf8UpperCase(Trim(V));
  if (u.empty()) {
    SetRawValue(Null());
    return;
  }
  auto starts = [&](const String& full) {
    String f = Utf8UpperCase(full);
    return !f.empty() && f.compare(0, u.size(), u) == 0;
  };
  if (starts(fTrue))
    SetAsBoolean(true);
  else if (starts(fFalse))
    SetAsBoolean(false);
  else
    DatabaseErrorFmt("'%s' is not a valid boolean value for field '%s'", {V, DisplayName()});
}

// ---- Dates ------------------------------------------------------------------------------------

TDateTimeField::TDateTimeField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftDateTime); }
TDateField::TDateField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftDate); }
TTimeField::TTimeField(TComponent* AOwner) : TDateTimeField(AOwner) { SetDataType(ftTime); }

void TDateTimeField::SetDisplayFormat(const String& V) {
  fDisplayFormat = V;
  Changed();
}

void TDateTimeField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsDateTime(V.AsDateTime());
}

TDateTime TDateTimeField::AsDateTime() const {
  Variant v = RawValue();
  return v.IsNull() ? 0.0 : v.AsDateTime();
}

void TDateTimeField::SetAsDateTime(TDateTime V) { SetRawValue(Variant::FromDate(Normalize(V))); }

void TDateTimeField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  TDateTime d;
  bool ok = DataType() == ftDate   ? TryStrToDate(V, d)
            : DataType() == ftTime ? TryStrToTime(V, d)
                                   : TryStrToDateTime(V, d);
  if (!ok) throw EConvertError(Format("'%s' is not a valid date and time", {V}));
  SetAsDateTime(d);
}

String TDateTimeField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  TDateTime d = v.AsDateTime();
  if (DisplayText && !fDisplayFormat.empty()) return FormatDateTime(fDisplayFormat, d);
  switch (DataType()) {
    case ftDate: return DateToStr(d);
    case ftTime: return TimeToStr(d);
    default: return DateTimeToStr(d);
  }
}

TSQLTimeStampField::TSQLTimeStampField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftTimeStamp);
  SetSize(16);
}

void TSQLTimeStampField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else if (V.IsStr())
    SetAsString(VarToStr(V));
  else
    SetAsSQLTimeStamp(V.AsSQLTimeStamp());
}

TSQLTimeStamp TSQLTimeStampField::AsSQLTimeStamp() const {
  Variant v = RawValue();
  return v.IsNull() ? TSQLTimeStamp{} : v.AsSQLTimeStamp();
}

void TSQLTimeStampField::SetAsSQLTimeStamp(const TSQLTimeStamp& V) { SetRawValue(VarSQLTimeStampCreate(V)); }

void TSQLTimeStampField::SetAsString(const String& V) {
  if (Trim(V).empty()) {
    SetRawValue(Null());
    return;
  }
  SetAsSQLTimeStamp(StrToSQLTimeStamp(V));
}

String TSQLTimeStampField::GetText(bool DisplayText) const {
  Variant v = RawValue();
  if (v.IsNull()) return String();
  TSQLTimeStamp ts = v.AsSQLTimeStamp();
  if (DisplayText && !fDisplayFormat.empty()) return SQLTimeStampToStr(fDisplayFormat, ts);
  return SQLTimeStampToStr("", ts);
}

// ---- Binary and blobs ---------------------------------------------------------------------------

TBinaryField::TBinaryField(TComponent* AOwner) : TField(AOwner) {}
TBytesField::TBytesField(TComponent* AOwner) : TBinaryField(AOwner) {
  SetDataType(ftBytes);
  SetSize(16);
}
TVarBytesField::TVarBytesField(TComponent* AOwner) : TBytesField(AOwner) { SetDataType(ftVarBytes); }

void TBinaryField::SetValue(const Variant& V) {
  if (VarIsClear(V))
    SetRawValue(Null());
  else
    SetRawValue(VarToStr(V));
}

String TBinaryField::AsString() const { return VarToStr(RawValue()); }

String TBinaryField::GetText(bool) const { return IsNull() ? String() : "(" + String(FieldTypeName(DataType())) + ")"; }

TBlobField::TBlobField(TComponent* AOwner) : TBinaryField(AOwner) {
  SetDataType(ftBlob);
  SetSize(0);
}
TMemoField::TMemoField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftMemo); }
TWideMemoField::TWideMemoField(TComponent* AOwner) : TMemoField(AOwner) { SetDataType(ftWideMemo); }
TGraphicField::TGraphicField(TComponent* AOwner) : TBlobField(AOwner) { SetDataType(ftGraphic); }

String TBlobField::GetText(bool DisplayText) const {
  if (!DisplayText && (DataType() == ftMemo || DataType() == ftWideMemo || DataType() == ftFmtMemo)) return AsString();
  String name = UpperCase(FieldTypeName(DataType()));
  if (DataType() == ftWideMemo || DataType() == ftFmtMemo) name = "MEMO";
  if (DataType() == ftTypedBinary || DataType() == ftOraBlob) name = "BLOB";
  return IsNull() || AsString().empty() ? "(" + LowerCase(name) + ")" : "(" + name + ")";
}

void TBlobField::LoadFromStream(TStream* Stream) {
  String s(static_cast<size_t>(Stream->Remaining()), '\0');
  Stream->ReadBuffer(s.data(), static_cast<std::int64_t>(s.size()));
  SetAsString(s);
}

void TBlobField::SaveToStream(TStream* Stream) {
  String s = AsString();
  Stream->WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
}

// ---- Variant and aggregate ----------------------------------------------------------------------

TVariantField::TVariantField(TComponent* AOwner) : TField(AOwner) { SetDataType(ftVariant); }

namespace {
template <class T, class F>
T VariantAccess(const TField* field, const Variant& v, F read, const char* type) {
  if (v.IsNull()) return T{};
  try {
    return read(v);
  } catch (const EVariantError&) {
    DatabaseErrorFmt("Cannot access field '%s' as type %s", {field->DisplayName(), type});
  }
}
}  // namespace

int TVariantField::AsInteger() const {
  return VariantAccess<int>(
      this, RawValue(), [](const Variant& v) { return v.AsInteger(); }, "Integer");
}
double TVariantField::AsFloat() const {
  return VariantAccess<double>(
      this, RawValue(), [](const Variant& v) { return v.AsDouble(); }, "Float");
}
bool TVariantField::AsBoolean() const {
  return VariantAccess<bool>(
      this, RawValue(), [](const Variant& v) { return v.AsBoolean(); }, "Boolean");
}
TDateTime TVariantField::AsDateTime() const {
  return VariantAccess<TDateTime>(
      this, RawValue(), [](const Variant& v) { return v.AsDateTime(); }, "DateTime");
}

TAggregateField::TAggregateField(TComponent* AOwner) : TField(AOwner) {
  SetDataType(ftUnknown);
  SetFieldKind(fkAggregate);
}
