#pragma once
// The dataset model: datasets (TDataSet) with their states, cursor, editing, bookmarks, locate,
// filters and events; fields (TField and its classes by data type); field definitions;
// data sources and data links with the numbered data events.
//
// A dataset is a random-access sequence of records in the dataset's current order. A subclass
// supplies the records from its own storage through the Internal... operations (values are read
// per cell, nothing is copied into a generic buffer) and may fetch more records on demand. The
// base adds, on top of the subclass's order: the cursor, the edit buffer (the current record
// while editing, or the new record while inserting, shown at its place in the sequence), the
// filter (a list of the passing records, extended as records arrive), and the data links, each
// with its own window of BufferCount records around the cursor.

#include "platform/core/Alignment.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Variants.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class TDataSet;
class TField;
class TFields;
class TDataSource;
class TDataLink;

VT_DECLARE_EXCEPTION(EDatabaseError, Exception);

// Raises EDatabaseError; with a named component the text is "Name: Message".
[[noreturn]] void DatabaseError(const String& Message, TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& Message, const std::vector<TVarRec>& Args,
                                   TComponent* Component = nullptr);

// Field types, numbered as the framework numbers them. The ranges ftBlob..ftTypedBinary
// (binary and text blobs), ftBlob..ftCursor and ftADT..ftDataSet stay contiguous.
enum TFieldType {
  ftUnknown, ftString, ftSmallint, ftInteger, ftWord, ftBoolean, ftFloat, ftCurrency, ftBCD,
  ftDate, ftTime, ftDateTime, ftBytes, ftVarBytes, ftAutoInc, ftBlob, ftMemo, ftGraphic,
  ftFmtMemo, ftParadoxOle, ftDBaseOle, ftTypedBinary, ftCursor, ftFixedChar, ftWideString,
  ftLargeint, ftADT, ftArray, ftReference, ftDataSet, ftOraBlob, ftOraClob, ftVariant,
  ftInterface, ftIDispatch, ftGuid, ftTimeStamp, ftFMTBcd, ftFixedWideChar, ftWideMemo,
  ftOraTimeStamp, ftOraInterval
};
static_assert(ftOraInterval == 41, "field type ordinals are fixed");
const char* FieldTypeName(TFieldType t);  // "String", "Integer", ...

enum TDataSetState {
  dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
  dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};

// The data events sent to data sources and links; the numbers are fixed.
enum TDataEvent {
  deFieldChange = 0, deRecordChange = 1, deDataSetChange = 2, deDataSetScroll = 3,
  deLayoutChange = 4, deUpdateRecord = 5, deUpdateState = 6, deCheckBrowseMode = 7,
  dePropertyChange = 8, deFieldListChange = 9, deFocusControl = 10, deParentScroll = 11,
  deConnectChange = 12, deReconcileError = 13, deDisabledStateChange = 14
};

enum TFieldKind { fkData, fkCalculated, fkLookup, fkInternalCalc, fkAggregate };
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption, 2>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption, 2>;
enum TBlobStreamMode { bmRead, bmWrite, bmReadWrite };
enum TGetMode { gmCurrent, gmNext, gmPrior };

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;
using TFieldNotifyEvent = TEvent<void(TField* Sender)>;
using TFieldGetTextEvent = TEvent<void(TField* Sender, String& Text, bool DisplayText)>;
using TFieldSetTextEvent = TEvent<void(TField* Sender, const String& Text)>;

// ---------------------------------------------------------------------------------------------
// Field definitions: what the dataset's storage holds, from which default fields are made.

class TFieldDef {
public:
  String Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;
  int Precision = 0;
  bool Required = false;
  bool ReadOnly = false;
  int FieldNo = 0;  // 1-based position in the record
};

class TFieldDefs {
public:
  int Count() const { return static_cast<int>(fItems.size()); }
  TFieldDef& Items(int Index) const;
  TFieldDef& operator[](int Index) const { return Items(Index); }
  TFieldDef& Add(const String& Name, TFieldType DataType, int Size = 0, bool Required = false);
  TFieldDef* Find(const String& Name) const;  // letter case ignored; null when absent
  int IndexOf(const String& Name) const;
  void Clear() { fItems.clear(); }

private:
  std::vector<std::unique_ptr<TFieldDef>> fItems;
};

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
  void SetCurrency(bool V) { fCurrency = V; Changed(); }
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
  void SetCurrency(bool V) { fCurrency = V; Changed(); }
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
  void SetDisplayFormat(const String& V) { fDisplayFormat = V; Changed(); }
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
  TField* FindField(const String& Name) const;  // letter case ignored
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

// ---------------------------------------------------------------------------------------------
// The dataset

class TDataSet : public TComponent {
  VT_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  // Opening and closing.
  bool Active() const { return fState != dsInactive; }
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return fState; }
  // Re-reads the records (the cursor stays on the same record when it still exists).
  void Refresh();

  // Fields.
  TFieldDefs& FieldDefs() { return fFieldDefs; }
  TFields& Fields() { return fFields; }
  TFields& AggFields() { return fAggFields; }
  int FieldCount() const { return fFields.Count(); }
  bool DefaultFields() const { return fDefaultFields; }
  TField* FindField(const String& Name) const { return fFields.FindField(Name); }
  TField* FieldByName(const String& Name) const { return fFields.FieldByName(Name); }
  // The fields of a ";"-separated name list; "Field 'X' not found" for a missing one.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  void GetFieldNames(TStrings* List) const;
  // One field's value, or a variant array for several names.
  Variant FieldValues(const String& FieldNames) const;
  void SetFieldValues(const String& FieldNames, const Variant& Value);

  // The cursor.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to Distance records; answers how many it moved (negative when backwards).
  int MoveBy(int Distance);
  bool Bof() const { return fBof; }
  bool Eof() const { return fEof; }
  bool IsEmpty() const;
  // The records fetched so far (after the filter; the new record of an insert counts).
  int RecordCount() const;
  int RecNo() const;  // 1-based; 0 when empty or closed
  void SetRecNo(int Value);
  virtual bool IsSequenced() const { return true; }
  virtual bool IsUniDirectional() const { return false; }

  // Bookmarks: opaque texts that stay valid while their record exists.
  String Bookmark() const;
  void SetBookmark(const String& Value) { GotoBookmark(Value); }
  bool BookmarkAvailable() const;
  bool BookmarkValid(const String& Value) const;
  void GotoBookmark(const String& Value);
  // <0, 0, >0 by the records' places in the current order; an empty bookmark sorts first.
  int CompareBookmarks(const String& Bookmark1, const String& Bookmark2) const;

  // Editing.
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  bool Modified() const { return fModified; }
  bool CanModify() const { return Active() && !fReadOnly && InternalCanModify(); }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value) { fReadOnly = Value; }
  // Appends/inserts a record with the given values (Empty items leave a field unset) and posts.
  void AppendRecord(const std::vector<Variant>& Values);
  void InsertRecord(const std::vector<Variant>& Values);

  // Searching.
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options = {});
  Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

  // Filtering: Filter (an expression) and OnFilterRecord both apply while Filtered is True.
  const String& Filter() const { return fFilterText; }
  void SetFilter(const String& Value);
  bool Filtered() const { return fFiltered; }
  void SetFiltered(bool Value);
  TFilterOptions FilterOptions() const { return fFilterOptions; }
  void SetFilterOptions(TFilterOptions Value);
  TFilterRecordEvent OnFilterRecord;
  // Call after changing the condition of OnFilterRecord.
  void RefilterRecords();
  struct FilterExpr;  // a parsed filter (opaque)
  // What one pass of a filter over the records resolves once (opaque): the fields it names and
  // its quoted constants as numbers, dates and texts.
  struct FilterPass;

  // Data-aware controls.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return fDisableCount != 0; }
  TDataSource* DataSource() const { return nullptr; }  // master source (none)

  TStream* CreateBlobStream(TField* Field, TBlobStreamMode Mode);
  // Parameter values by name, when the dataset has them (the base has none).
  virtual TStrings* ParamsList() { return nullptr; }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert,
      BeforeEdit, AfterEdit, BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete,
      AfterDelete, BeforeScroll, AfterScroll, BeforeRefresh, AfterRefresh, OnNewRecord,
      OnCalcFields;

  // The record the fields read (a link sets it to read another row of its window).
  int ActiveRecordPos() const { return fActivePos; }
  void SetActiveRecordPos(int Pos) { fActivePos = Pos; }
  int CurrentPos() const { return fCur; }

  // Field values (used by the fields).
  Variant GetFieldValue(const TField* Field) const;
  void SetFieldValue(TField* Field, const Variant& Value);
  void DataEvent(TDataEvent Event, std::intptr_t Info);

protected:
  // ---- what a subclass supplies -------------------------------------------------------------
  virtual void InternalInitFieldDefs() {}
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  // Records available now, in the dataset's order.
  virtual int InternalRecordCount() const = 0;
  // Reads more records; false when there are no more.
  virtual bool InternalFetchMore() { return false; }
  // The value of field FieldNo (1-based) of record Rec; Null when null.
  virtual Variant InternalGetValue(int Rec, int FieldNo) const = 0;
  virtual String InternalGetBookmark(int Rec) const = 0;
  virtual int InternalFindBookmark(const String& Bookmark) const = 0;  // -1 when invalid
  virtual bool InternalCanModify() const { return false; }
  // Stores a new record (Rec = -1, placed before record Before, or at the end for Before =
  // count) or changes record Rec; answers where the record now is in the order.
  virtual int InternalPost(int Rec, int Before, const std::vector<Variant>& Values);
  virtual void InternalDelete(int Rec);
  // The record matching the key values from record From on, or -1; -2 when this subclass has
  // no faster way than the base's scan.
  virtual int InternalLocate(const std::vector<TField*>& /*Fields*/, const Variant& /*KeyValues*/,
                             TLocateOptions /*Options*/) const {
    return -2;
  }
  virtual void InternalRefresh() {}
  virtual void DoOnNewRecord();
  // Whether a record passes a value comparison of Locate.
  static bool KeyMatches(const Variant& Value, const Variant& Key, TLocateOptions Options);
  // Creates fields from the field definitions when none were made beforehand.
  void CreateFields();
  void BindFields(bool Binding);
  void CheckActive() const;
  void CheckInactive() const;
  // Re-reads after the subclass changed its records underneath (order or content).
  void Resync();
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  // The filter language: comparisons (= <> < <= > >=), IS [NOT] NULL, LIKE with % and _,
  // AND, OR, NOT and parentheses over field names (bare or in [brackets], "]]" for "]"),
  // quoted texts ('' for ') and numbers. A text ending in * matches as a prefix unless
  // foNoPartialCompare. Syntax errors raise EDatabaseError.
  static std::shared_ptr<FilterExpr> ParseFilterText(const String& Text);
  bool EvalFilter(FilterPass& Pass) const;

  // The view: the subclass's records, filtered, with the new record of an insert shown.
  int ViewCount() const;                   // without fetching
  bool EnsureView(int Count) const;        // fetches until Count records are visible
  void FetchAll() const;
  int RecOfView(int Pos) const;            // -1 for the new record
  int ViewOfRec(int Rec) const;            // -1 when filtered out
  bool Accepts(int Rec, FilterPass& Pass) const;
  void ExtendFilterView() const;
  void RebuildFilterView();
  bool FilterActive() const;

  void SetState(TDataSetState Value);
  void DoScrollEvent(const TDataSetNotifyEvent& E) { if (E) E(this); }
  // Insert and Append: a new record at the cursor or after the last one.
  void StartInsert(bool atEnd);
  void MoveTo(int Pos, TDataEvent Event, std::intptr_t Info);
  void CheckCanModify() const;
  void CheckEditing() const;
  void InternalCancelEdit();
  int LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                   std::vector<TField*>& Fields) const;
  Variant ReadValueAt(int Pos, const TField* Field) const;
  void AddDataSource(TDataSource* S);
  void RemoveDataSource(TDataSource* S);
  void SendEvent(TDataEvent Event, std::intptr_t Info);
  void SyncLinkWindows();

  TDataSetState fState = dsInactive;
  TFieldDefs fFieldDefs;
  TFields fFields{this};
  TFields fAggFields{this};
  bool fDefaultFields = false;
  bool fReadOnly = false;
  bool fBof = true, fEof = true;
  bool fModified = false;
  int fCur = -1;        // view position of the current record
  int fActivePos = -1;  // view position the fields read
  int fInsertPos = -1;  // view position of the new record while inserting
  int fEditRec = -1;    // the record being edited
  std::vector<Variant> fEditValues;  // by FieldNo - 1
  String fFilterText;
  bool fFiltered = false;
  TFilterOptions fFilterOptions;
  std::shared_ptr<FilterExpr> fFilterExpr;
  mutable std::vector<int> fFilterView;  // passing records, ascending
  mutable int fFilterScanned = 0;        // records tested so far
  mutable int fFilterRec = -1;           // the record the fields read while filtering
  int fDisableCount = 0;
  TDataSetState fDisableState = dsInactive;
  TDataEvent fEnableEvent = deDataSetChange;  // what EnableControls sends
  std::vector<TDataSource*> fDataSources;
  int fInternalOp = 0;
};

// ---------------------------------------------------------------------------------------------
// Data sources and links

class TDataSource : public TComponent {
  VT_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* Value);
  TDataSetState State() const { return fDataSet ? fDataSet->State() : dsInactive; }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  bool AutoEdit = true;
  // Starts editing when AutoEdit is set and the dataset is browsing.
  void Edit();
  TNotifyEvent OnStateChange;
  TEvent<void(TObject* Sender, TField* Field)> OnDataChange;
  TNotifyEvent OnUpdateData;
  int DataLinkCount() const { return static_cast<int>(fLinks.size()); }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event, std::intptr_t Info);
  TDataSet* fDataSet = nullptr;
  bool fEnabled = true;
  std::vector<TDataLink*> fLinks;
};

class TDataLink : public TPersistent {
  VT_CLASS(TDataLink, TPersistent)
public:
  TDataLink();
  ~TDataLink() override;
  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const { return fDataSource ? fDataSource->DataSet() : nullptr; }
  bool Active() const { return fActive; }
  bool Editing() const { return fEditing; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value);
  bool VisualControl = false;
  // The row of the window the fields read, 0 .. RecordCount - 1.
  int ActiveRecord() const;
  void SetActiveRecord(int Value);
  int BufferCount() const { return fBufferCount; }
  void SetBufferCount(int Value);
  // The records in this link's window.
  int RecordCount() const;
  bool Edit();  // starts editing when possible; answers Editing
  void UpdateRecord();
  virtual bool ExecuteAction(TObject* /*Action*/) { return false; }
  virtual bool UpdateAction(TObject* /*Action*/) { return false; }

protected:
  // The notifications, in this order of the framework's table.
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}
  int FirstRecord() const { return fFirst; }

private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  int UpdateRange();  // the window's move
  TDataSource* fDataSource = nullptr;
  bool fActive = false;
  bool fEditing = false;
  bool fReadOnly = false;
  bool fUpdating = false;
  int fBufferCount = 1;
  int fFirst = 0;
};
