#pragma once
// Typed record storage: the value types that store, compare, show and stream one value in a
// record buffer, the value columns that lay values out in a record, and the storage that keeps
// the records of a data controller.
//
// Memory layout choices (records are many, so every byte counts):
// - a record buffer holds a flags byte, an optional int32 record ID, a null bit per kept column
//   (set when a value is present; a byte per eight columns) and one slot per kept column: the
//   value's data area and, for columns keeping display texts, a 4-byte text slot;
// - a string keeps up to 11 bytes inside its 12-byte data area, a longer one in a heap block;
// - "holder" slots (wide strings, variants, display texts, owned objects) are 4-byte handles
//   into process-wide holder tables, never raw addresses: 0 means "no holder". Short display
//   texts (up to 12 bytes) live inside their 16-byte cell without a heap block;
// - buffers of one column list all have the list's record length and come from a block
//   allocator, so a million records cost a million fixed-size blocks, not a million heap
//   allocations.
// Data areas are unaligned: every access goes through memcpy.
// Like the rest of the data layer this runs on the user-interface thread only.

#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string_view>
#include <tuple>
#include <vector>

#include "platform/core/Classes.h"
#include "platform/core/FMTBcd.h"
#include "platform/core/Variants.h"

class TkcValueType;
class TkcValueDef;
class TkcValueDefs;
class TkcInternalValueDef;
class TkcInternalValueDefs;
class TkcDataStorage;

// A value type "class reference": the one stateless instance of a value type class.
using TkcValueTypeClass = const TkcValueType*;

// ---------------------------------------------------------------------------------------------
// Value types

// Base of the value types. Instances carry no state; each class has exactly one, reached with
// the class's static Class(). Data, P and TextBuffer point into a record buffer.
class TkcValueType : public TObject {
  VT_CLASS(TkcValueType, TObject)
public:
  static TkcValueTypeClass Class();

  virtual int CompareData(const void* Data1, const void* Data2) const;
  // Frees what the data area owns and zeroes the handle.
  virtual void ReleaseData(void* Data) const;
  // Frees the display-text holder, if any.
  virtual void ReleaseText(void* TextBuffer) const;
  virtual int DataSize() const { return 0; }
  virtual Variant LoadValue(const void* Data) const;
  // The text shown when no display text is kept.
  virtual String DefaultText(const void* Data) const;
  virtual String LoadText(const void* TextBuffer) const;
  virtual void StreamInValue(void* Data, TStream* Stream) const;
  virtual void StreamInText(void* TextBuffer, TStream* Stream) const;
  // Stores a non-null value.
  virtual void StoreValue(void* Data, const Variant& Value) const;
  virtual void StoreText(void* TextBuffer, const String& Text) const;
  virtual void StreamOutValue(const void* Data, TStream* Stream) const;
  virtual void StreamOutText(const void* TextBuffer, TStream* Stream) const;
  // The class name without a leading "Tkc" and without its first "ValueType".
  virtual String Caption() const;
  // Compares two values in the form ResolveCompareData gives.
  virtual int CompareRaw(const void* P1, const void* P2) const;
  virtual Variant LoadPreparedValue(const void* P) const;
  virtual TVarType VariantKind() const { return varVariant; }
  // Converts Value in place to VariantKind; false when the value cannot be converted.
  virtual bool TryConvert(Variant& Value) const;
  virtual bool IsTextType() const { return false; }
  // Turns a data address into the compared form (holder types: the holder's cell).
  virtual void ResolveCompareData(const void*& P) const;
};

#define KC_VALUE_TYPE(Name, Base)    \
  VT_CLASS(Name, Base)               \
public:                              \
  static TkcValueTypeClass Class() { \
    static const Name instance;      \
    return &instance;                \
  }                                  \
                                     \
private:

// A byte string in its own 12-byte data area: up to 11 bytes in place after a length byte, a
// longer one in a heap block of its own.
class TkcStringValueType : public TkcValueType {
  KC_VALUE_TYPE(TkcStringValueType, TkcValueType)
public:
  int DataSize() const override { return 12; }
  TVarType VariantKind() const override { return varString; }
  bool IsTextType() const override { return true; }
  void ReleaseData(void* Data) const override;
  Variant LoadValue(const void* Data) const override;
  void StoreValue(void* Data, const Variant& Value) const override;
  void StreamInValue(void* Data, TStream* Stream) const override;
  void StreamOutValue(const void* Data, TStream* Stream) const override;
  int CompareRaw(const void* P1, const void* P2) const override;
  // The stored bytes, copied once (no variant between).
  String DefaultText(const void* Data) const override;
  // The text of a data area without a copy; false when it holds none (read as Null).
  static bool StoredText(const void* Data, std::string_view& AText);
};

// A wide string in a holder: the data area is its 4-byte handle.
class TkcWideStringValueType : public TkcStringValueType {
  KC_VALUE_TYPE(TkcWideStringValueType, TkcStringValueType)
public:
  int DataSize() const override { return 4; }
  TVarType VariantKind() const override { return varOleStr; }
  String DefaultText(const void* Data) const override { return TkcValueType::DefaultText(Data); }
  void ReleaseData(void* Data) const override;
  Variant LoadValue(const void* Data) const override;
  void StoreValue(void* Data, const Variant& Value) const override;
  void StreamInValue(void* Data, TStream* Stream) const override;
  void StreamOutValue(const void* Data, TStream* Stream) const override;
  int CompareRaw(const void* P1, const void* P2) const override;
  Variant LoadPreparedValue(const void* P) const override;
  void ResolveCompareData(const void*& P) const override;
};

// A value kept in place in the data area as one T of variant kind Kind. Self supplies the
// conversions as static functions: ToVariant(T), FromVariant(const Variant&) (a non-null value),
// Read(TStream*), Write(TStream*, T) and Compare(T, T).
template <class Self, class T, TVarType Kind>
class TkcScalarValueType : public TkcValueType {
public:
  int DataSize() const override { return static_cast<int>(sizeof(T)); }
  TVarType VariantKind() const override { return Kind; }
  Variant LoadValue(const void* Data) const override { return Self::ToVariant(Load(Data)); }
  void StoreValue(void* Data, const Variant& Value) const override { Store(Data, Self::FromVariant(Value)); }
  void StreamInValue(void* Data, TStream* Stream) const override { Store(Data, Self::Read(Stream)); }
  void StreamOutValue(const void* Data, TStream* Stream) const override { Self::Write(Stream, Load(Data)); }
  int CompareRaw(const void* P1, const void* P2) const override { return Self::Compare(Load(P1), Load(P2)); }

protected:
  static T Load(const void* Data) {
    T v;
    std::memcpy(&v, Data, sizeof(T));
    return v;
  }
  static void Store(void* Data, T V) { std::memcpy(Data, &V, sizeof(T)); }
};

// The conversions a scalar value type supplies to TkcScalarValueType.
#define KC_SCALAR_CONVERSIONS(T)              \
  static Variant ToVariant(T V);              \
  static T FromVariant(const Variant& Value); \
  static T Read(TStream* Stream);             \
  static void Write(TStream* Stream, T V);    \
  static int Compare(T A, T B);

class TkcSmallintValueType : public TkcScalarValueType<TkcSmallintValueType, std::int16_t, varSmallint> {
  KC_VALUE_TYPE(TkcSmallintValueType, TkcValueType)
public:
  KC_SCALAR_CONVERSIONS(std::int16_t)
};

class TkcIntegerValueType : public TkcScalarValueType<TkcIntegerValueType, std::int32_t, varInteger> {
  KC_VALUE_TYPE(TkcIntegerValueType, TkcValueType)
public:
  KC_SCALAR_CONVERSIONS(std::int32_t)
};

class TkcWordValueType : public TkcScalarValueType<TkcWordValueType, std::uint16_t, varWord> {
  KC_VALUE_TYPE(TkcWordValueType, TkcValueType)
public:
  KC_SCALAR_CONVERSIONS(std::uint16_t)
};

class TkcBooleanValueType : public TkcScalarValueType<TkcBooleanValueType, std::uint8_t, varBoolean> {
  KC_VALUE_TYPE(TkcBooleanValueType, TkcValueType)
public:
  String DefaultText(const void* Data) const override;
  KC_SCALAR_CONVERSIONS(std::uint8_t)
};

class TkcFloatValueType : public TkcScalarValueType<TkcFloatValueType, double, varDouble> {
  KC_VALUE_TYPE(TkcFloatValueType, TkcValueType)
public:
  // 10-byte extended in the stream, 8-byte double in the record.
  KC_SCALAR_CONVERSIONS(double)
};

class TkcCurrencyValueType : public TkcScalarValueType<TkcCurrencyValueType, std::int64_t, varCurrency> {
  KC_VALUE_TYPE(TkcCurrencyValueType, TkcValueType)
public:
  KC_SCALAR_CONVERSIONS(std::int64_t)
};

class TkcDateTimeValueType : public TkcScalarValueType<TkcDateTimeValueType, double, varDate> {
  KC_VALUE_TYPE(TkcDateTimeValueType, TkcValueType)
public:
  String DefaultText(const void* Data) const override;
  KC_SCALAR_CONVERSIONS(double)
};

class TkcLargeIntValueType : public TkcScalarValueType<TkcLargeIntValueType, std::int64_t, varInt64> {
  KC_VALUE_TYPE(TkcLargeIntValueType, TkcValueType)
public:
  KC_SCALAR_CONVERSIONS(std::int64_t)
};

class TkcFMTBcdValueType : public TkcScalarValueType<TkcFMTBcdValueType, TBcd, varFMTBcd> {
  KC_VALUE_TYPE(TkcFMTBcdValueType, TkcValueType)
public:
  String DefaultText(const void* Data) const override;
  // The value travels as text; written with '.', read with '.' or ','.
  KC_SCALAR_CONVERSIONS(TBcd)
};

class TkcSQLTimeStampValueType : public TkcValueType {
  KC_VALUE_TYPE(TkcSQLTimeStampValueType, TkcValueType)
public:
  int DataSize() const override { return 16; }
  TVarType VariantKind() const override { return varSQLTimeStamp; }
  // A date value (not a time-stamp value).
  Variant LoadValue(const void* Data) const override;
  void StoreValue(void* Data, const Variant& Value) const override;
  int CompareRaw(const void* P1, const void* P2) const override;
};

class TkcVariantValueType : public TkcValueType {
  KC_VALUE_TYPE(TkcVariantValueType, TkcValueType)
public:
  int DataSize() const override { return 4; }
  void ReleaseData(void* Data) const override;
  Variant LoadValue(const void* Data) const override;
  void StoreValue(void* Data, const Variant& Value) const override;
  void StreamOutValue(const void* Data, TStream* Stream) const override;
  int CompareRaw(const void* P1, const void* P2) const override;
  Variant LoadPreparedValue(const void* P) const override;
  void ResolveCompareData(const void*& P) const override;
};

// Owns an object per value. The value is an integer handle of the object (0 for none):
// ObjectToValue hands an object over and answers its handle, ValueToObject finds it again.
// Storing a varUnknown variant (Variant::FromObject) hands its object over as well.
class TkcObjectValueType : public TkcIntegerValueType {
  KC_VALUE_TYPE(TkcObjectValueType, TkcIntegerValueType)
public:
  void ReleaseData(void* Data) const override;
  void StoreValue(void* Data, const Variant& Value) const override;
  void StreamInValue(void* Data, TStream* Stream) const override;
  void StreamOutValue(const void* Data, TStream* Stream) const override;

  // The handle of Object as an integer variant (0 for nil); the handle owns the object until
  // a value type's ReleaseData frees it (or ReleaseObject is called).
  static Variant ObjectToValue(TObject* Object);
  // The object of a handle value, nil for 0, Null or an unknown handle.
  static TObject* ValueToObject(const Variant& Value);
  // Frees the object of a handle that never reached a record.
  static void ReleaseObject(const Variant& Value);
};

// The process-wide list of value types, found by caption.
class TkcValueTypeClassList : public TObject {
  VT_CLASS(TkcValueTypeClassList, TObject)
public:
  void Register(TkcValueTypeClass AClass);
  void Unregister(TkcValueTypeClass AClass);
  // The first registered class whose Caption is Text (case-sensitive), nil when none.
  TkcValueTypeClass ItemByCaption(const String& Text) const;
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcValueTypeClass Items(int Index) const { return fItems.at(static_cast<std::size_t>(Index)); }

private:
  std::vector<TkcValueTypeClass> fItems;
};

// Created on first use with the fourteen value types registered.
TkcValueTypeClassList* GetValueTypeClassList();

// ---------------------------------------------------------------------------------------------
// Value columns

// Fills a whole record from outside.
class TkcValueDefReader : public TObject {
  VT_CLASS(TkcValueDefReader, TObject)
public:
  TkcValueDefReader() = default;
  virtual String GetDisplayText(TkcValueDef* AValueDef);
  virtual Variant GetValue(TkcValueDef* AValueDef);
  virtual bool IsInternalColumn(TkcValueDef* AValueDef);
};

class TkcValueDef : public TObject {
  VT_CLASS(TkcValueDef, TObject)
public:
  using TConstructorArgs = std::tuple<TkcValueDefs*, TkcValueTypeClass>;
  TkcValueDef(TkcValueDefs* AOwner, TkcValueTypeClass AValueTypeClass);
  // Removes the column from its list (and its slot from the records).
  ~TkcValueDef() override;

  virtual TObject* GetLinkedObject() const { return fLinkedObject; }
  virtual bool IsKeptInRecord() const;
  virtual void SetLinkedObject(TObject* Value) { fLinkedObject = Value; }
  virtual void Assign(TkcValueDef* Source);

  TkcValueDefs* ValueDefs() const { return fValueDefs; }
  TkcValueTypeClass ValueTypeClass() const { return fValueTypeClass; }
  int SlotSize() const { return fSlotSize; }
  int DataSize() const { return fDataSize; }
  int ValueOffset() const { return fValueOffset; }
  int NullByte() const { return fNullByte; }
  std::uint8_t NullMask() const { return fNullMask; }
  bool KeptInRecord() const { return fKeptInRecord; }
  void SetKeptInRecord(bool Value);
  // True only when the flag is set and the column is kept in the record.
  bool KeepsDisplayText() const { return fKeepsDisplayText && IsKeptInRecord(); }
  void SetKeepsDisplayText(bool Value);
  bool Streamed() const { return fStreamed; }
  void SetStreamed(bool Value) { fStreamed = Value; }
  bool IsTextType() const { return fValueTypeClass->IsTextType(); }

  // Places the slot at Offset (the null bit is placed by the list's LayOut).
  void Layout(int& Offset);
  // Record buffers; a nil buffer counts as all-null where noted.
  bool IsNullAt(const std::uint8_t* R) const { return (R[fNullByte] & fNullMask) == 0; }
  bool IsNullInRecord(const std::uint8_t* R) const { return R == nullptr || fNullMask == 0 || IsNullAt(R); }
  void MarkNull(std::uint8_t* R, bool IsNull);
  Variant FetchValue(const std::uint8_t* R) const;
  void PutValue(std::uint8_t* R, const Variant& Value);
  String FetchText(const std::uint8_t* R) const;
  void PutText(std::uint8_t* R, const String& Text);
  void ReleaseValues(std::uint8_t* R);
  int CompareInRecords(const std::uint8_t* R1, const std::uint8_t* R2) const;
  int CompareWithNulls(bool IsNull1, bool IsNull2, const void* P1, const void* P2) const;
  void WriteValueTo(const std::uint8_t* R, TStream* Stream) const;
  void ReadValueFrom(std::uint8_t* R, TStream* Stream);
  void WriteTextTo(const std::uint8_t* R, TStream* Stream) const;
  void ReadTextFrom(std::uint8_t* R, TStream* Stream);

  std::uint8_t* DataAt(std::uint8_t* R) const { return R + fValueOffset; }
  const std::uint8_t* DataAt(const std::uint8_t* R) const { return R + fValueOffset; }
  std::uint8_t* TextAt(std::uint8_t* R) const { return R + fValueOffset + fDataSize; }
  const std::uint8_t* TextAt(const std::uint8_t* R) const { return R + fValueOffset + fDataSize; }

private:
  friend class TkcValueDefs;
  friend class TkcDataStorage;
  int fSlotSize = 0;
  int fDataSize = 0;
  bool fKeptInRecord = true;
  TObject* fLinkedObject = nullptr;
  int fValueOffset = 0;
  int fNullByte = 0;           // offset of the byte holding the null bit
  std::uint8_t fNullMask = 0;  // the null bit; 0 when the column has no slot
  bool fStreamed = true;
  bool fKeepsDisplayText = false;
  TkcValueDefs* fValueDefs = nullptr;
  TkcValueTypeClass fValueTypeClass = nullptr;
};

using TkcValueDefClass = TClassOf<TkcValueDef, TkcValueDefs*, TkcValueTypeClass>;

class TkcValueDefs : public TObject {
  VT_CLASS(TkcValueDefs, TObject)
public:
  explicit TkcValueDefs(TkcDataStorage* AStorage);
  ~TkcValueDefs() override;

  virtual void ColumnChanged(TkcValueDef* AColumn, bool AResyncNeeded);
  // The class of this list's columns.
  virtual TkcValueDefClass ColumnClass() const;
  virtual void LayOut(int AFirstOffset);

  TkcValueDef* AddColumn(TkcValueTypeClass AValueTypeClass, bool AKeptInRecord, bool AKeepsDisplayText,
                         TObject* ALinkedObject);
  // Removes the column's slot from the records and the column from the list (it is not freed).
  void RemoveColumn(TkcValueDef* AColumn);
  void ClearColumns();
  int Count() const { return static_cast<int>(fItems.size()); }
  // In the streaming order while the storage holds one.
  TkcValueDef* Columns(int Index) const;
  // In list order, whatever the streaming order.
  TkcValueDef* Items(int Index) const { return fItems.at(static_cast<std::size_t>(Index)); }
  int IndexOf(const TkcValueDef* AColumn) const;
  int KeptCount() const;
  int FirstOffset() const { return fFirstOffset; }
  int RecordLength() const { return fRecordLength; }
  TkcDataStorage* Storage() const { return fStorage; }

private:
  friend class TkcValueDef;
  friend class TkcDataStorage;
  TkcDataStorage* fStorage;
  std::vector<TkcValueDef*> fItems;
  int fFirstOffset = 0;
  int fRecordLength = 0;
};

class TkcInternalValueDef : public TkcValueDef {
  VT_CLASS(TkcInternalValueDef, TkcValueDef)
public:
  using TkcValueDef::TkcValueDef;
  TObject* GetLinkedObject() const override;
  bool IsKeptInRecord() const override { return true; }
  TkcValueDef* SourceColumn() const;
};

class TkcInternalValueDefs : public TkcValueDefs {
  VT_CLASS(TkcInternalValueDefs, TkcValueDefs)
public:
  using TkcValueDefs::TkcValueDefs;
  TkcValueDefClass ColumnClass() const override;
  // The internal column mirroring AColumn, searched from the last one; nil when none.
  TkcInternalValueDef* FindByLinkedObject(TObject* AColumn) const;
  void RemoveByLinkedObject(TObject* AColumn);
};

// ---------------------------------------------------------------------------------------------
// Record storage

// Fixed-size blocks for the record buffers of one column list, named by 32-bit handles (0 is
// none), so that naming a record costs 4 bytes. Chunks grow with the storage up to 16384 blocks.
class TkcRecordBlocks {
public:
  explicit TkcRecordBlocks(int ABlockSize = 1) : fBlockSize(ABlockSize) {}
  TkcRecordBlocks(const TkcRecordBlocks&) = delete;
  TkcRecordBlocks& operator=(const TkcRecordBlocks&) = delete;
  TkcRecordBlocks(TkcRecordBlocks&&) = default;
  TkcRecordBlocks& operator=(TkcRecordBlocks&&) = default;
  // A zero-filled block.
  std::uint32_t Allocate();
  void Free(std::uint32_t Block);
  // The chunk table's address and the block size by value: a loop holding a copy keeps them in
  // registers, where the blocks' own fields are read again after each store through a pointer.
  struct TView {
    const std::unique_ptr<std::uint8_t[]>* Chunks;
    std::size_t BlockSize;
    std::uint8_t* At(std::uint32_t Block) const {
      if (Block == 0) return nullptr;
      std::size_t chunk, offset;
      ChunkOf(Block - 1, chunk, offset);
      return Chunks[chunk].get() + offset * BlockSize;
    }
  };
  TView View() const { return {fChunks.data(), static_cast<std::size_t>(fBlockSize)}; }
  // The block's bytes; null for handle 0. Inline: loops over every record read through it.
  std::uint8_t* At(std::uint32_t Block) const { return View().At(Block); }
  int BlockSize() const { return fBlockSize; }

private:
  // Chunk k holds 16 << min(k, 10) blocks: the first ten double, the rest stay at 16384.
  static constexpr std::uint32_t kFirstChunkBlocks = 16, kDoublings = 10;
  static constexpr std::uint32_t kDoubledBlocks = kFirstChunkBlocks * ((1u << kDoublings) - 1);
  static constexpr std::uint32_t kLastChunkBlocks = kFirstChunkBlocks << kDoublings;
  static void ChunkOf(std::uint32_t Index, std::size_t& Chunk, std::size_t& Offset) {
    if (Index < kDoubledBlocks) {
      Chunk = static_cast<std::size_t>(std::bit_width(Index / kFirstChunkBlocks + 1) - 1);
      Offset = Index - kFirstChunkBlocks * ((1u << Chunk) - 1);
    } else {
      Chunk = kDoublings + (Index - kDoubledBlocks) / kLastChunkBlocks;
      Offset = (Index - kDoubledBlocks) % kLastChunkBlocks;
    }
  }

  int fBlockSize;
  std::vector<std::unique_ptr<std::uint8_t[]>> fChunks;
  std::uint32_t fCount = 0;  // blocks handed out of the chunks
  std::vector<std::uint32_t> fFree;
};

using TkcValueDefReadProc =
    std::function<void(TkcValueDef* AValueDef, int ARecordIndex, TkcValueDefReader* AReader, int AArgument)>;
using TkcValueDefCompareProc = std::function<int(TkcValueDef* Item1, TkcValueDef* Item2)>;

class TkcDataStorage : public TObject {
  VT_CLASS(TkcDataStorage, TObject)
public:
  TkcDataStorage();
  ~TkcDataStorage() override;

  virtual void InitStructure(TkcValueDefs* AValueDefs);
  virtual void ColumnsChanged(TkcValueDef* AColumn, bool AResyncNeeded);
  virtual TkcValueDefs* ColumnListOf(int ARecordIndex) const;

  // Records
  int RecordCount() const { return static_cast<int>(fRecords.size()); }
  void SetRecordCount(int Value);
  int AppendRecord();
  void InsertRecord(int AIndex);
  void DeleteRecord(int AIndex);
  int AddInternalRecord();
  void ClearInternalRecords();
  void ClearRecords(bool ARemoveRecords);
  void Clear(bool AKeepInternal);
  void BeginLoad() {}
  void EndLoad() {}
  // Whether the record has a buffer (a negative index: the internal record).
  bool HasBuffer(int ARecordIndex) const;
  int InternalRecordCount() const { return static_cast<int>(fInternalRecords.size()); }

  // Values (an ordinary column used with an internal record stands for its internal mirror)
  Variant GetValue(int ARecordIndex, TkcValueDef* AValueDef) const;
  void SetValue(int ARecordIndex, TkcValueDef* AValueDef, const Variant& Value);
  String GetDisplayText(int ARecordIndex, TkcValueDef* AValueDef) const;
  void SetDisplayText(int ARecordIndex, TkcValueDef* AValueDef, const String& Value);
  int GetRecordID(int ARecordIndex);
  void SetRecordID(int ARecordIndex, int Value);
  int CompareRecords(int ARecordIndex1, int ARecordIndex2, TkcValueDef* AValueDef) const;
  // True for a null value (P unused); otherwise P is the value in compared form.
  bool GetCompareInfo(int ARecordIndex, TkcValueDef* AValueDef, const void*& P) const;
  // The data area of an ordinary record's value in an ordinary kept column (unaligned), nil for
  // a null value: for loops that read many values of one column without a variant each.
  const std::uint8_t* StoredData(int ARecordIndex, const TkcValueDef* AValueDef) const {
    return StoredDataIn(RecordBuffer(ARecordIndex), AValueDef);
  }
  // The same in two steps, for loops that read several columns of each record: the ordinary
  // record's buffer (nil when it has none), then a value's data area in it.
  const std::uint8_t* RecordBuffer(int ARecordIndex) const {
    return fBlocks.At(fRecords[static_cast<std::size_t>(ARecordIndex)]);
  }
  // The ordinary records' buffers by value, for a loop over many records (valid until records
  // are added or removed).
  struct TRecordBuffers {
    const std::uint32_t* Records;
    TkcRecordBlocks::TView Blocks;
    const std::uint8_t* operator[](int ARecordIndex) const {
      return Blocks.At(Records[static_cast<std::size_t>(ARecordIndex)]);
    }
  };
  TRecordBuffers RecordBuffers() const { return {fRecords.data(), fBlocks.View()}; }
  static const std::uint8_t* StoredDataIn(const std::uint8_t* ABuffer, const TkcValueDef* AValueDef) {
    return !ABuffer || AValueDef->IsNullInRecord(ABuffer) ? nullptr : AValueDef->DataAt(ABuffer);
  }
  // An integer column's values packed in record order: a loop over one column of every record
  // reads 5 bytes a record instead of whole records. Built on first use, kept in step with every
  // write of a value and every record added or removed, dropped when the records are cleared or
  // the layout changes.
  struct TPackedInts {
    std::vector<std::int32_t> Values;  // 0 where the record holds no value
    std::vector<std::uint8_t> Has;     // 1 where it holds one
  };
  // Nil unless the column is an ordinary kept column of 32-bit, 16-bit or unsigned 16-bit
  // integers.
  const TPackedInts* PackedInts(const TkcValueDef* AColumn) const;
  void ReadRecord(int ARecordIndex, TkcValueDefReader* AReader);
  void ReadRecordFrom(int ARecordIndex, int AArgument, TkcValueDefReader* AReader,
                      const TkcValueDefReadProc& ACallback);

  // Layout switches
  bool StoredValuesOnly() const { return fStoredValuesOnly; }
  void SetStoredValuesOnly(bool Value);
  bool UseRecordID() const { return fUseRecordID; }
  void SetUseRecordID(bool Value);
  int NextRecordID() const { return fRecordIDCounter; }

  // Record stream
  void BeginStreaming(const TkcValueDefCompareProc& ACompareFunction);
  void EndStreaming();
  bool IsStreaming() const { return fStreamingOrder != nullptr; }
  void WriteRecord(int AIndex, TStream* Stream);
  void ReadRecordFromStream(int AIndex, TStream* Stream);

  TkcValueDefs* ValueDefs() const { return fValueDefs.get(); }
  TkcInternalValueDefs* InternalValueDefs() const { return fInternalValueDefs.get(); }
  bool Destroying() const { return fDestroying; }

  std::function<void(TkcDataStorage*)> OnClearInternalRecords;

  // Column changes, called by the column lists.
  void InsertColumn(int AIndex, TkcValueDef* AColumn);
  void RemoveColumn(TkcValueDef* AColumn);
  // After a column's kept or display-text flag changed: gives its slot the new size in every
  // record of its kind (a value stays while the column stays kept; a dropped text is freed).
  void ResizeColumnSlot(TkcValueDef* AColumn);

private:
  friend class TkcValueDefs;
  std::uint8_t* Buffer(int ARecordIndex) const;
  std::uint32_t& HandleRef(int ARecordIndex);
  std::uint8_t* CheckBuffer(int ARecordIndex);
  // The column to use for the record: an internal record's mirror of an ordinary column.
  TkcValueDef* ColumnFor(int ARecordIndex, TkcValueDef* AValueDef) const;
  TkcRecordBlocks& BlocksOf(const TkcValueDefs* AList);
  std::vector<std::uint32_t>& BuffersOf(const TkcValueDefs* AList);
  void FreeBuffer(std::uint32_t& AHandle, const TkcValueDefs* AList);
  // Moves every buffer of the list into blocks of ANewLength, ACopy filling each new buffer.
  void RebuildBuffers(const TkcValueDefs* AList, int ANewLength,
                      const std::function<void(std::uint8_t* From, std::uint8_t* To)>& ACopy);
  void ReleaseRecordValues(std::uint8_t* ABuffer, const TkcValueDefs* AList);
  void AssignRecordID(int ARecordIndex);
  void AssignAllRecordIDs();
  void ChangeLayout(bool& AFlag, bool Value);
  int HeaderSize() const { return fUseRecordID ? 5 : 1; }
  // Packed columns: all dropped, or one record's entries read again after its values changed.
  void DropPacked() { fPacked.clear(); }
  void RepackRecord(int ARecordIndex);
  // Reads the record's packed entries again when it goes, however the write ended.
  struct TRepackGuard {
    TkcDataStorage* Storage;
    int Record;
    ~TRepackGuard() { Storage->RepackRecord(Record); }
  };
  struct TPacked {
    const TkcValueDef* Column;
    int Form;  // 0 int32, 1 int16, 2 uint16
    TPackedInts Data;
  };
  mutable std::vector<std::unique_ptr<TPacked>> fPacked;

  bool fDestroying = false;
  std::vector<std::uint32_t> fInternalRecords;  // block handles
  std::unique_ptr<TkcInternalValueDefs> fInternalValueDefs;
  bool fStoredValuesOnly = false;
  std::vector<std::uint32_t> fRecords;  // block handles
  int fRecordIDCounter = 1;
  bool fUseRecordID = false;
  std::unique_ptr<TkcValueDefs> fValueDefs;
  std::unique_ptr<std::vector<TkcValueDef*>> fStreamingOrder;
  TkcRecordBlocks fBlocks;
  TkcRecordBlocks fInternalBlocks;
};

// Record flag: an internal record in use.
constexpr std::uint8_t kcRecordInUse = 0x01;
