#pragma once
// Fields: TField and its classes by data type, the field list and blob streams (part of DB.h).

#include "platform/db/DBTypes.h"

// ---------------------------------------------------------------------------------------------
// Fields

class TField : public TComponent {
  VT_CLASS(TField, TComponent)
public:
  explicit TField(TComponent* AOwner);
  ~TField() override;

  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* Value);
  const String& FieldName() const { return fFieldName; }
  void SetFieldName(const String& Value);
  TFieldType DataType() const { return fDataType; }
  TFieldKind FieldKind() const { return fFieldKind; }
  void SetFieldKind(TFieldKind Value) { fFieldKind = Value; }
  int FieldNo() const { return fFieldNo; }  // 1-based; 0 for fields without storage
  int Index() const;                        // position in the dataset's Fields
  String DisplayLabel() const { return fDisplayLabel.empty() ? fFieldName : fDisplayLabel; }
  void SetDisplayLabel(const String& Value);
  String DisplayName() const { return DisplayLabel(); }
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment Value);
  int DisplayWidth() const { return fDisplayWidth >= 0 ? fDisplayWidth : DefaultDisplayWidth(); }
  void SetDisplayWidth(int Value);
  int Size() const { return fSize; }
  void SetSize(int Value);
  bool Required() const { return fRequired; }
  void SetRequired(bool Value) { fRequired = Value; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value) { fReadOnly = Value; }
  const String& EditMask() const { return fEditMask; }
  void SetEditMask(const String& Value) { fEditMask = Value; }
  const String& Origin() const { return fOrigin; }
  void SetOrigin(const String& Value) { fOrigin = Value; }
  virtual bool IsBlob() const { return false; }
  // The field can take a value now: writable dataset, not read-only, not calculated.
  bool CanModify() const;
  // Whether a typed character fits the field (digits and signs for numbers, any for text).
  virtual bool IsValidChar(char32_t C) const;

  // Lookup fields: the value of LookupResultField in LookupDataSet where LookupKeyFields match
  // the values of this dataset's KeyFields.
  bool Lookup() const { return fFieldKind == fkLookup; }
  void SetLookup(bool Value) { fFieldKind = Value ? fkLookup : fkData; }
  TDataSet* LookupDataSet() const { return fLookupDataSet; }
  void SetLookupDataSet(TDataSet* Value);
  String KeyFields, LookupKeyFields, LookupResultField;

  // Values. Null reads as "" / 0 / False; typed accessors that do not suit the field raise
  // EDatabaseError "Cannot access field 'X' as type T".
  bool IsNull() const;
  void Clear() { SetValue(::Null()); }
  virtual Variant Value() const;
  virtual void SetValue(const Variant& V);
  Variant AsVariant() const { return Value(); }
  void SetAsVariant(const Variant& V) { SetValue(V); }
  virtual String AsString() const;
  virtual void SetAsString(const String& V);
  virtual WideString AsWideString() const;
  virtual void SetAsWideString(const WideString& V);
  virtual int AsInteger() const;
  virtual void SetAsInteger(int V);
  virtual std::int64_t AsLargeInt() const;
  virtual void SetAsLargeInt(std::int64_t V);
  virtual double AsFloat() const;
  virtual void SetAsFloat(double V);
  virtual Currency AsCurrency() const;
  virtual void SetAsCurrency(Currency V);
  virtual bool AsBoolean() const;
  virtual void SetAsBoolean(bool V);
  virtual TDateTime AsDateTime() const;
  virtual void SetAsDateTime(TDateTime V);
  virtual TBcd AsBCD() const;
  virtual void SetAsBCD(const TBcd& V);
  virtual TSQLTimeStamp AsSQLTimeStamp() const;
  virtual void SetAsSQLTimeStamp(const TSQLTimeStamp& V);

  // Texts: OnGetText when assigned, else the type's own text (DisplayFormat / EditFormat).
  String Text() const { return GetTextOf(false); }
  void SetText(const String& V);
  String DisplayText() const { return GetTextOf(true); }
  TFieldGetTextEvent OnGetText;
  TFieldSetTextEvent OnSetText;
  TFieldNotifyEvent OnChange;
  TFieldNotifyEvent OnValidate;
  void FocusControl();

protected:
  [[noreturn]] void AccessError(const char* TypeName) const;
  [[noreturn]] void RangeError(double Value, double Min, double Max) const;
  // The stored value (Null when null), and storing one after the checks.
  Variant RawValue() const;
  void SetRawValue(const Variant& V);
  virtual String GetText(bool DisplayText) const;
  virtual int DefaultDisplayWidth() const { return 10; }
  void SetDataType(TFieldType T) { fDataType = T; }
  void Changed();  // property change: dePropertyChange / layout change to the dataset
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TFields;
  String GetTextOf(bool Display) const;
  TDataSet* fDataSet = nullptr;
  TDataSet* fLookupDataSet = nullptr;
  String fFieldName, fDisplayLabel, fEditMask, fOrigin;
  TFieldType fDataType = ftUnknown;
  TFieldKind fFieldKind = fkData;
  int fFieldNo = 0;
  int fSize = 0;
  int fDisplayWidth = -1;
  bool fVisible = true;
  bool fRequired = false;
  bool fReadOnly = false;
  TAlignment fAlignment = taLeftJustify;
};

using TFieldClass = TClassOf<TField, TComponent*>;

class TStringField : public TField {
  VT_CLASS(TStringField, TField)
public:
  explicit TStringField(TComponent* AOwner);
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  int AsInteger() const override;
  void SetAsInteger(int V) override { SetAsString(IntToStr(V)); }
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t V) override { SetAsString(IntToStr(V)); }
  double AsFloat() const override;
  void SetAsFloat(double V) override { SetAsString(FloatToStr(V)); }
  bool AsBoolean() const override;
  void SetAsBoolean(bool V) override { SetAsString(V ? "T" : "F"); }
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime V) override { SetAsString(DateTimeToStr(V)); }
  bool FixedChar = false;

protected:
  int DefaultDisplayWidth() const override { return Size() > 0 ? Size() : 20; }
};

class TWideStringField : public TStringField {
  VT_CLASS(TWideStringField, TStringField)
public:
  explicit TWideStringField(TComponent* AOwner);
  Variant Value() const override;
};

class TNumericField : public TField {
  VT_CLASS(TNumericField, TField)
public:
  explicit TNumericField(TComponent* AOwner);
  const String& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const String& V);
  const String& EditFormat() const { return fEditFormat; }
  void SetEditFormat(const String& V);
  bool IsValidChar(char32_t C) const override;

private:
  String fDisplayFormat, fEditFormat;
};

// What the whole-number fields share: storage, conversions and bounds. Not a framework class:
// a 64-bit field is a number field but not an integer field (code that tests for integer
// fields by class leaves it out).
class TIntegralField : public TNumericField {
  VT_CLASS(TIntegralField, TNumericField)
public:
  explicit TIntegralField(TComponent* AOwner);
  std::int64_t MinValue() const { return fMin; }
  void SetMinValue(std::int64_t V) { fMin = V; }
  std::int64_t MaxValue() const { return fMax; }
  void SetMaxValue(std::int64_t V) { fMax = V; }
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  int AsInteger() const override;
  void SetAsInteger(int V) override { SetAsLargeInt(V); }
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t V) override;
  double AsFloat() const override { return static_cast<double>(AsLargeInt()); }
  void SetAsFloat(double V) override;
  Currency AsCurrency() const override { return Currency::FromRaw(AsLargeInt() * 10000); }
  void SetAsCurrency(Currency V) override { SetAsFloat(V.ToDouble()); }
  TBcd AsBCD() const override { return IntegerToBcd(AsLargeInt()); }

protected:
  String GetText(bool DisplayText) const override;
  // The type's own bounds (checked even when MinValue and MaxValue are 0).
  std::int64_t fLow = INT32_MIN, fHigh = INT32_MAX;

private:
  std::int64_t fMin = 0, fMax = 0;
};

class TIntegerField : public TIntegralField {
  VT_CLASS(TIntegerField, TIntegralField)
public:
  explicit TIntegerField(TComponent* AOwner);
};

class TSmallintField : public TIntegerField {
  VT_CLASS(TSmallintField, TIntegerField)
public:
  explicit TSmallintField(TComponent* AOwner);
};
class TWordField : public TIntegerField {
  VT_CLASS(TWordField, TIntegerField)
public:
  explicit TWordField(TComponent* AOwner);
};
class TAutoIncField : public TIntegerField {
  VT_CLASS(TAutoIncField, TIntegerField)
public:
  explicit TAutoIncField(TComponent* AOwner);
};
// A 64-bit integer: no bounds of its own.
class TLargeintField : public TIntegralField {
  VT_CLASS(TLargeintField, TIntegralField)
public:
  explicit TLargeintField(TComponent* AOwner);
  int AsInteger() const override;

protected:
  int DefaultDisplayWidth() const override { return 15; }
};

class TFloatField : public TNumericField {
  VT_CLASS(TFloatField, TNumericField)
public:
  explicit TFloatField(TComponent* AOwner);
  bool Currency() const { return fCurrency; }
  void SetCurrency(bool V);
  int Precision() const { return fPrecision; }
  void SetPrecision(int V);
  double MinValue() const { return fMin; }
  void SetMinValue(double V) { fMin = V; }
  double MaxValue() const { return fMax; }
  void SetMaxValue(double V) { fMax = V; }
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  int AsInteger() const override;
  void SetAsInteger(int V) override { SetAsFloat(V); }
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t V) override { SetAsFloat(static_cast<double>(V)); }
  double AsFloat() const override;
  void SetAsFloat(double V) override;
  ::Currency AsCurrency() const override { return ::Currency::FromDouble(AsFloat()); }
  void SetAsCurrency(::Currency V) override { SetAsFloat(V.ToDouble()); }
  TBcd AsBCD() const override { return DoubleToBcd(AsFloat()); }

protected:
  String GetText(bool DisplayText) const override;

private:
  bool fCurrency = false;
  int fPrecision = 15;
  double fMin = 0, fMax = 0;
};

class TCurrencyField : public TFloatField {
  VT_CLASS(TCurrencyField, TFloatField)
public:
  explicit TCurrencyField(TComponent* AOwner);
};

// A fixed-point number held as Currency (four decimals).
class TBCDField : public TNumericField {
  VT_CLASS(TBCDField, TNumericField)
public:
  explicit TBCDField(TComponent* AOwner);
  bool Currency() const { return fCurrency; }
  void SetCurrency(bool V) {
    fCurrency = V;
    Changed();
  }
  int Precision() const { return fPrecision; }
  void SetPrecision(int V) { fPrecision = V; }
  ::Currency MinValue() const { return fMin; }
  void SetMinValue(::Currency V) { fMin = V; }
  ::Currency MaxValue() const { return fMax; }
  void SetMaxValue(::Currency V) { fMax = V; }
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  int AsInteger() const override;
  void SetAsInteger(int V) override { SetAsCurrency(::Currency(V)); }
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t V) override { SetAsCurrency(::Currency::FromRaw(V * 10000)); }
  double AsFloat() const override { return AsCurrency().ToDouble(); }
  void SetAsFloat(double V) override { SetAsCurrency(::Currency::FromDouble(V)); }
  ::Currency AsCurrency() const override;
  void SetAsCurrency(::Currency V) override;
  TBcd AsBCD() const override { return CurrencyToBcd(AsCurrency()); }
  void SetAsBCD(const TBcd& V) override;

protected:
  String GetText(bool DisplayText) const override;

private:
  bool fCurrency = false;
  int fPrecision = 18;
  ::Currency fMin, fMax;
};

// An exact decimal of up to 64 digits.
class TFMTBCDField : public TNumericField {
  VT_CLASS(TFMTBCDField, TNumericField)
public:
  explicit TFMTBCDField(TComponent* AOwner);
  bool Currency() const { return fCurrency; }
  void SetCurrency(bool V) {
    fCurrency = V;
    Changed();
  }
  int Precision() const { return fPrecision; }
  void SetPrecision(int V) { fPrecision = V; }
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  int AsInteger() const override;
  void SetAsInteger(int V) override { SetAsBCD(IntegerToBcd(V)); }
  std::int64_t AsLargeInt() const override;
  void SetAsLargeInt(std::int64_t V) override { SetAsBCD(IntegerToBcd(V)); }
  double AsFloat() const override;
  void SetAsFloat(double V) override { SetAsBCD(DoubleToBcd(V)); }
  ::Currency AsCurrency() const override;
  void SetAsCurrency(::Currency V) override { SetAsBCD(CurrencyToBcd(V)); }
  TBcd AsBCD() const override;
  void SetAsBCD(const TBcd& V) override;

protected:
  String GetText(bool DisplayText) const override;

private:
  bool fCurrency = false;
  int fPrecision = 15;
};

class TBooleanField : public TField {
  VT_CLASS(TBooleanField, TField)
public:
  explicit TBooleanField(TComponent* AOwner);
  // "True;False": the texts of the two values.
  const String& DisplayValues() const { return fDisplayValues; }
  void SetDisplayValues(const String& V);
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override;
  bool AsBoolean() const override;
  void SetAsBoolean(bool V) override;

protected:
  int DefaultDisplayWidth() const override { return 5; }

private:
  String fDisplayValues = "True;False", fTrue = "True", fFalse = "False";
};

class TDateTimeField : public TField {
  VT_CLASS(TDateTimeField, TField)
public:
  explicit TDateTimeField(TComponent* AOwner);
  const String& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const String& V);
  void SetValue(const Variant& V) override;
  String AsString() const override { return GetText(false); }
  void SetAsString(const String& V) override;
  double AsFloat() const override { return AsDateTime(); }
  void SetAsFloat(double V) override { SetAsDateTime(V); }
  TDateTime AsDateTime() const override;
  void SetAsDateTime(TDateTime V) override;
  TSQLTimeStamp AsSQLTimeStamp() const override { return DateTimeToSQLTimeStamp(AsDateTime()); }
  void SetAsSQLTimeStamp(const TSQLTimeStamp& V) override { SetAsDateTime(SQLTimeStampToDateTime(V)); }

protected:
  String GetText(bool DisplayText) const override;
  int DefaultDisplayWidth() const override { return 18; }
  virtual TDateTime Normalize(TDateTime V) const { return V; }

private:
  String fDisplayFormat;
};
class TDateField : public TDateTimeField {
  VT_CLASS(TDateField, TDateTimeField)
public:
  explicit TDateField(TComponent* AOwner);

protected:
  TDateTime Normalize(TDateTime V) const override { return DateOf(V); }
  int DefaultDisplayWidth() const override { return 10; }
};
class TTimeField : public TDateTimeField {
  VT_CLASS(TTimeField, TDateTimeField)
public:
  explicit TTimeField(TComponent* AOwner);

protected:
  TDateTime Normalize(TDateTime V) const override { return TimeOf(V); }
  int DefaultDisplayWidth() const override { return 10; }
};

class TSQLTimeStampField : public TField {
  VT_CLASS(TSQLTimeStampField, TField)
public:
  explicit TSQLTimeStampField(TComponent* AOwner);
  const String& DisplayFormat() const { return fDisplayFormat; }
  void SetDisplayFormat(const String& V) {
    fDisplayFormat = V;
    Changed();
  }
  void SetValue(const Variant& V) override;
  String AsString() const override { return GetText(false); }
  void SetAsString(const String& V) override;
  double AsFloat() const override { return AsDateTime(); }
  TDateTime AsDateTime() const override { return SQLTimeStampToDateTime(AsSQLTimeStamp()); }
  void SetAsDateTime(TDateTime V) override { SetAsSQLTimeStamp(DateTimeToSQLTimeStamp(V)); }
  TSQLTimeStamp AsSQLTimeStamp() const override;
  void SetAsSQLTimeStamp(const TSQLTimeStamp& V) override;

protected:
  String GetText(bool DisplayText) const override;
  int DefaultDisplayWidth() const override { return 18; }

private:
  String fDisplayFormat;
};

// Bytes of a binary value; the text of a blob is its content.
class TBinaryField : public TField {
  VT_CLASS(TBinaryField, TField)
public:
  explicit TBinaryField(TComponent* AOwner);
  void SetValue(const Variant& V) override;
  String AsString() const override;
  void SetAsString(const String& V) override { SetRawValue(String(V)); }

protected:
  String GetText(bool DisplayText) const override;
};
class TBytesField : public TBinaryField {
  VT_CLASS(TBytesField, TBinaryField)
public:
  explicit TBytesField(TComponent* AOwner);
};
class TVarBytesField : public TBytesField {
  VT_CLASS(TVarBytesField, TBytesField)
public:
  explicit TVarBytesField(TComponent* AOwner);
};

class TBlobField : public TBinaryField {
  VT_CLASS(TBlobField, TBinaryField)
public:
  explicit TBlobField(TComponent* AOwner);
  bool IsBlob() const override { return true; }
  int BlobSize() const { return static_cast<int>(AsString().size()); }
  void LoadFromStream(TStream* Stream);
  void SaveToStream(TStream* Stream);

protected:
  // "(BLOB)" for a value, "(blob)" for none; memos show "(MEMO)" / "(memo)".
  String GetText(bool DisplayText) const override;
};
class TMemoField : public TBlobField {
  VT_CLASS(TMemoField, TBlobField)
public:
  explicit TMemoField(TComponent* AOwner);
};
class TWideMemoField : public TMemoField {
  VT_CLASS(TWideMemoField, TMemoField)
public:
  explicit TWideMemoField(TComponent* AOwner);
};
class TGraphicField : public TBlobField {
  VT_CLASS(TGraphicField, TBlobField)
public:
  explicit TGraphicField(TComponent* AOwner);
};

class TVariantField : public TField {
  VT_CLASS(TVariantField, TField)
public:
  explicit TVariantField(TComponent* AOwner);
  String AsString() const override { return VarToStr(RawValue()); }
  void SetAsString(const String& V) override { SetRawValue(V); }
  int AsInteger() const override;
  double AsFloat() const override;
  bool AsBoolean() const override;
  TDateTime AsDateTime() const override;
};

// An aggregate's result (a value only; the dataset does not compute aggregates).
class TAggregateField : public TField {
  VT_CLASS(TAggregateField, TField)
public:
  explicit TAggregateField(TComponent* AOwner);
  Variant Value() const override { return fValue; }
  void SetValue(const Variant& V) override { fValue = V; }
  String AsString() const override { return VarToStr(fValue); }
  bool Currency = false;
  String DisplayFormat;
  String Expression;

private:
  Variant fValue = ::Null();
};

// The field class that a dataset creates for a field type (null for unsupported types).
TFieldClass DefaultFieldClass(TFieldType t);

// The dataset's fields in index order.
class TFields {
public:
  explicit TFields(TDataSet* ADataSet) : fDataSet(ADataSet) {}
  int Count() const { return static_cast<int>(fList.size()); }
  TField* Fields(int Index) const;
  TField* operator[](int Index) const { return Fields(Index); }
  TField* FindField(const String& Name) const;    // letter case ignored
  TField* FieldByName(const String& Name) const;  // "Field 'X' not found"
  TField* FieldByNumber(int FieldNo) const;
  int IndexOf(const TField* Field) const;
  void Add(TField* Field);
  void Remove(TField* Field);
  void Clear();  // frees the fields
  TDataSet* DataSet() const { return fDataSet; }

private:
  friend class TDataSet;
  TDataSet* fDataSet;
  std::vector<TField*> fList;
  unsigned fStamp = 0;  // changes whenever a field joins or leaves the list
};

// A stream over a blob field's value; written back when a writing stream is freed.
class TBlobStream : public TMemoryStream {
  VT_CLASS(TBlobStream, TMemoryStream)
public:
  TBlobStream(TField* Field, TBlobStreamMode Mode);
  ~TBlobStream() override;

private:
  TField* fField;
  TBlobStreamMode fMode;
};
