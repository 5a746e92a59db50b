#pragma once
// Small shared routines of the data layer: locale helpers (currency format, week start, case-
// insensitive matching), the one variant ordering used everywhere values are sorted or compared,
// the typed little-endian stream routines with the tagged variant stream, the reader/writer pair
// of the controller stream, a reusing collection, the data-binding base of the list editors and
// the sorted key -> text cache of the lookup editors.

#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/DateUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Variants.h"

// ---- Locale and date helpers -----------------------------------------------------------------

// A float format for currency amounts from the locale's symbol, decimals and symbol position,
// e.g. "$,0.00" or ",0.00 kr'.'".
String CurrencyDisplayFormat();
// The value truncated toward zero to whole days / its fractional part.
TDateTime DatePart(TDateTime Value);
TDateTime TimePart(TDateTime Value);
// 0 = Sunday .. 6 = Saturday.
int LocaleFirstWeekDay();
// The latest day on or before Value that is the locale's first day of the week (time 0).
TDateTime WeekStartOf(TDateTime Value);
// Upper-cased comparison: whole text, or (Partial) SubText as a prefix of Text.
bool MatchTextCaseInsensitive(const String& Text, const String& SubText, bool Partial);

// ---- Variant comparison and tests -----------------------------------------------------------

// Three-way order: Null first, a pair the variant type cannot compare counts as smaller (-1 in
// both orders), arrays by length (the difference of the high bounds is returned as it stands)
// and then item by item; an array sorts after a scalar.
int CompareVariants(const Variant& V1, const Variant& V2);
// As CompareVariants = 0, except that a Boolean is compared with the other value as text, so
// True equals "True" but not 1.
bool VariantsEqual(const Variant& V1, const Variant& V2);
bool VariantsSame(const Variant& V1, const Variant& V2);
bool IsDateVarType(TVarType AVarType);
bool IsDateVariant(const Variant& V);
bool IsNumericVariant(const Variant& V);
// Null or an empty string (Empty is not soft null).
bool IsSoftNullVariant(const Variant& V);
bool IsCurrencyVarType(TVarType AVarType);
Variant CreateVariantPair(const Variant& A, const Variant& B);
Variant CreateSingleVariantArray(const Variant& A);
// Replaces AArray by a copy with A appended (a value that is no array counts as no items).
void AppendVariantArrayItem(Variant& AArray, const Variant& A);

// ---- Stream primitives (little-endian, no padding) ------------------------------------------
// Reads fail with EReadError "Stream read error" when the stream ends early or a length does not
// fit the bytes that are left; writes fail with EWriteError "Stream write error".

std::uint8_t StreamReadByte(TStream* Stream);
void StreamWriteByte(TStream* Stream, std::uint8_t Value);
bool StreamReadBoolean(TStream* Stream);  // any non-zero byte is True
void StreamWriteBoolean(TStream* Stream, bool Value);
std::int16_t StreamReadSmallInt(TStream* Stream);
void StreamWriteSmallInt(TStream* Stream, std::int16_t Value);
std::uint16_t StreamReadWord(TStream* Stream);
void StreamWriteWord(TStream* Stream, std::uint16_t Value);
std::int32_t StreamReadInteger(TStream* Stream);
void StreamWriteInteger(TStream* Stream, std::int32_t Value);
std::int64_t StreamReadLargeInt(TStream* Stream);
void StreamWriteLargeInt(TStream* Stream, std::int64_t Value);
Currency StreamReadCurrency(TStream* Stream);
void StreamWriteCurrency(TStream* Stream, Currency Value);
TDateTime StreamReadDateTime(TStream* Stream);
void StreamWriteDateTime(TStream* Stream, TDateTime Value);
// 10-byte x87 extended, widened from / rounded to a double.
double StreamReadExtended(TStream* Stream);
void StreamWriteExtended(TStream* Stream, double Value);
// int32 byte count, then the bytes.
String StreamReadString(TStream* Stream);
void StreamWriteString(TStream* Stream, const String& Value);
// int32 count of UTF-16 units, then the units.
WideString StreamReadWideString(TStream* Stream);
void StreamWriteWideString(TStream* Stream, const WideString& Value);

// One tagged variant. Integers come back in the smallest kind that holds them, SQL time stamps as
// dates, 64-bit and unsigned 16/32-bit integers and BCD numbers as their text (BCD written with
// a "." decimal separator whatever the locale, so streams move between locales).
// Unknown tags, negative or oversized counts and arrays nested deeper than
// kMaxStreamVariantDepth fail with "Stream read error".
constexpr int kMaxStreamVariantDepth = 256;
Variant StreamReadVariant(TStream* Stream);
// Integers are written with the smallest tag that holds them (they read back as the smallest
// kind); KeepIntegerKinds writes 16- and 32-bit integers with their own width's tag instead.
void StreamWriteVariant(TStream* Stream, const Variant& Value, bool KeepIntegerKinds = false);

// The reader and writer of the data-controller stream; they hold the stream, not own it.
class TkcFiler : public TObject {
  VT_CLASS(TkcFiler, TObject)
public:
  explicit TkcFiler(TStream* AStream) : fStream(AStream) {}
  TStream* Stream() const { return fStream; }

private:
  TStream* fStream;
};

class TkcReader : public TkcFiler {
  VT_CLASS(TkcReader, TkcFiler)
public:
  using TkcFiler::TkcFiler;
  std::int32_t ReadInteger() { return StreamReadInteger(Stream()); }
  String ReadString() { return StreamReadString(Stream()); }
};

class TkcWriter : public TkcFiler {
  VT_CLASS(TkcWriter, TkcFiler)
public:
  using TkcFiler::TkcFiler;
  void WriteInteger(std::int32_t Value) { StreamWriteInteger(Stream(), Value); }
  void WriteString(const String& Text) { StreamWriteString(Stream(), Text); }
};

// ---- Collection whose Assign reuses the items it has -----------------------------------------

class TkcCollection : public TCollection {
  VT_CLASS(TkcCollection, TCollection)
public:
  using TCollection::TCollection;
  // Items at overlapping positions keep their identity and are reassigned; surplus items are
  // deleted from the last; two empty collections are left alone (no update bracket).
  void Assign(TPersistent* Source) override;
};

// ---- Data-binding base of the list editors ---------------------------------------------------

class TkcCustomDataBinding : public TPersistent {
  VT_CLASS(TkcCustomDataBinding, TPersistent)
public:
  using TConstructorArgs = std::tuple<TComponent*, TComponent*>;
  TkcCustomDataBinding(TComponent* AOwner, TComponent* ADataComponent)
      : fDataComponent(ADataComponent), fOwner(AOwner) {}

  TComponent* DataComponent() const { return fDataComponent; }
  TComponent* VisualControl() const { return fVisualControl; }
  void SetVisualControl(TComponent* AControl);

  virtual void NotifyHandlerA(TObject* Sender);
  virtual void NotifyHandlerB(TObject* Sender);
  virtual bool IsRefreshPending() { return false; }
  virtual bool GetReadOnly() { return fReadOnly; }
  virtual void SetReadOnly(bool Value) { fReadOnly = Value; }
  virtual void NotifyHandlerC(TObject* Sender);
  virtual void VisualControlChanged() {}
  virtual bool CanModify() { return !GetReadOnly(); }
  virtual bool ExecuteAction(TObject* /*Action*/) { return false; }
  virtual Variant GetStoredValue(const Variant& /*A*/, bool /*B*/) { return Null(); }
  virtual bool CanReadValue() { return true; }
  virtual bool IsValueLocked() { return false; }
  virtual void UpdateDisplayValue() {}
  virtual bool CanModifyByKey() { return CanModify(); }
  virtual void DataSetChanged() {}
  virtual bool UpdateAction(TObject* /*Action*/) { return false; }
  virtual void UpdateData() {}

  TNotifyEvent OnHandlerA;
  TNotifyEvent OnHandlerB;
  TNotifyEvent OnHandlerC;

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  TComponent* fDataComponent;
  TComponent* fOwner;
  bool fReadOnly = false;
  TComponent* fVisualControl = nullptr;
};

using TkcCustomDataBindingClass = TClassOf<TkcCustomDataBinding, TComponent*, TComponent*>;

// ---- Lookup list: key values with their display texts, sorted by CompareVariants -------------

struct TkcLookupListItem {
  Variant Value;
  String DisplayText;
};

class TkcLookupList : public TObject {
  VT_CLASS(TkcLookupList, TObject)
public:
  void Clear() { fItems.clear(); }
  // Binary search; Index is the match or the insertion point.
  bool Find(const Variant& Value, int& Index) const;
  // Inserts at Index (callers pass the index Find gave); EListError out of 0..Count.
  void Insert(int Index, const Variant& Value, const String& DisplayText);
  const TkcLookupListItem& GetItem(int Index) const;
  int Count() const { return static_cast<int>(fItems.size()); }

private:
  std::vector<TkcLookupListItem> fItems;
};
