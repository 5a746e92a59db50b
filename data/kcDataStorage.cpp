#include "data/kcDataStorage.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
#include <string_view>

#include "data/kcDataUtils.h"
#include "platform/core/FMTBcd.h"
#include "platform/core/Math.h"
#include "platform/core/SqlTimSt.h"

namespace {

// ---- Unaligned access to data areas ------------------------------------------------------------

template <class T>
T Get(const void* P) {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}
template <class T>
void Put(void* P, T v) {
  std::memcpy(P, &v, sizeof(T));
}

template <class T>
int ThreeWay(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

// ---- Holder tables ----------------------------------------------------------------------------
// Holders are cells in process-wide tables addressed by 32-bit handles (index + 1, 0 = none).
// Cells sit in fixed-size chunks, so growing a table never moves or copies the cells.

template <class T>
class THolderTable {
public:
  static constexpr std::uint32_t kChunkBits = 12;
  static constexpr std::uint32_t kChunkSize = 1u << kChunkBits;

  std::uint32_t Allocate() {
    if (!fFree.empty()) {
      std::uint32_t h = fFree.back();
      fFree.pop_back();
      return h;
    }
    if ((fCount & (kChunkSize - 1)) == 0) fChunks.push_back(std::make_unique<T[]>(kChunkSize));
    return ++fCount;
  }
  T& At(std::uint32_t h) { return fChunks[(h - 1) >> kChunkBits][(h - 1) & (kChunkSize - 1)]; }
  bool IsValid(std::uint32_t h) const { return h != 0 && h <= fCount; }
  void Release(std::uint32_t h) {
    At(h) = T();
    fFree.push_back(h);
    if (fFree.size() == fCount) {
      // The last holder went away (a storage was cleared): give the memory back.
      fChunks.clear();
      fFree.clear();
      fFree.shrink_to_fit();
      fCount = 0;
    }
  }

private:
  std::vector<std::unique_ptr<T[]>> fChunks;
  std::vector<std::uint32_t> fFree;
  std::uint32_t fCount = 0;
};

// A byte string in 16 bytes: up to 12 bytes inline, longer ones in a heap block.
class StringCell {
public:
  StringCell() = default;
  StringCell(const StringCell&) = delete;
  StringCell& operator=(const StringCell&) = delete;
  StringCell& operator=(StringCell&& other) noexcept {
    if (this != &other) {
      FreeHeap();
      fSize = other.fSize;
      std::memcpy(fData, other.fData, sizeof(fData));
      other.fSize = 0;
    }
    return *this;
  }
  ~StringCell() { FreeHeap(); }

  void Assign(std::string_view s) {
    FreeHeap();
    fSize = static_cast<std::uint32_t>(s.size());
    if (fSize <= kInline) {
      std::memcpy(fData, s.data(), s.size());
    } else {
      char* p = new char[s.size()];
      std::memcpy(p, s.data(), s.size());
      std::memcpy(fData + 4, &p, sizeof(p));
    }
  }
  std::string_view View() const {
    if (fSize <= kInline) return {fData, fSize};
    return {HeapPtr(), fSize};
  }

private:
  static constexpr std::uint32_t kInline = 12;
  char* HeapPtr() const {
    char* p;
    std::memcpy(&p, fData + 4, sizeof(p));
    return p;
  }
  void FreeHeap() {
    if (fSize > kInline) delete[] HeapPtr();
    fSize = 0;
  }
  std::uint32_t fSize = 0;
  char fData[12];
};
static_assert(sizeof(StringCell) == 16, "a string cell is 16 bytes");

THolderTable<StringCell>& Strings() {
  static THolderTable<StringCell> table;
  return table;
}
THolderTable<WideString>& WideStrings() {
  static THolderTable<WideString> table;
  return table;
}
THolderTable<Variant>& Variants() {
  static THolderTable<Variant> table;
  return table;
}
THolderTable<TObject*>& Objects() {
  static THolderTable<TObject*> table;
  return table;
}

std::uint32_t HandleAt(const void* Data) { return Get<std::uint32_t>(Data); }

// The holder whose handle a slot holds: nil when none / created when missing / freed.
template <class T>
const T* HolderOf(THolderTable<T>& table, const void* Data) {
  std::uint32_t h = HandleAt(Data);
  return h ? &table.At(h) : nullptr;
}
template <class T>
T& HolderAt(THolderTable<T>& table, void* Data) {
  std::uint32_t h = HandleAt(Data);
  if (h == 0) {
    h = table.Allocate();
    Put(Data, h);
  }
  return table.At(h);
}
template <class T>
void ReleaseHolder(THolderTable<T>& table, void* Data) {
  if (std::uint32_t h = HandleAt(Data)) {
    Put<std::uint32_t>(Data, 0);
    table.Release(h);
  }
}

StringCell& StringCellAt(void* Data) { return HolderAt(Strings(), Data); }
const StringCell* StringCellOf(const void* Data) { return HolderOf(Strings(), Data); }

TFormatSettings DotSettings() {
  TFormatSettings s = FormatSettings;
  s.DecimalSeparator = '.';
  s.ThousandSeparator = ',';
  return s;
}

}  // namespace

// ---- TkcValueType --------------------------------------------------------------------------------

TkcValueTypeClass TkcValueType::Class() {
  static const TkcValueType instance;
  return &instance;
}

int TkcValueType::CompareData(const void* Data1, const void* Data2) const {
  ResolveCompareData(Data1);
  ResolveCompareData(Data2);
  return CompareRaw(Data1, Data2);
}

void TkcValueType::ReleaseData(void*) const {}

void TkcValueType::ReleaseText(void* TextBuffer) const { ReleaseHolder(Strings(), TextBuffer); }

Variant TkcValueType::LoadValue(const void*) const { return Null(); }

String TkcValueType::DefaultText(const void* Data) const {
  try {
    return VarToStr(LoadValue(Data));
  } catch (const EVariantTypeCastError&) {
    return String();
  }
}

String TkcValueType::LoadText(const void* TextBuffer) const {
  const StringCell* cell = StringCellOf(TextBuffer);
  return cell ? String(cell->View()) : String();
}

void TkcValueType::StreamInValue(void* Data, TStream* Stream) const { StoreValue(Data, StreamReadVariant(Stream)); }

void TkcValueType::StreamInText(void* TextBuffer, TStream* Stream) const {
  StoreText(TextBuffer, StreamReadString(Stream));
}

void TkcValueType::StoreValue(void*, const Variant&) const {}

void TkcValueType::StoreText(void* TextBuffer, const String& Text) const { StringCellAt(TextBuffer).Assign(Text); }

void TkcValueType::StreamOutValue(const void* Data, TStream* Stream) const {
  StreamWriteVariant(Stream, LoadValue(Data));
}

void TkcValueType::StreamOutText(const void* TextBuffer, TStream* Stream) const {
  StreamWriteString(Stream, LoadText(TextBuffer));
}

String TkcValueType::Caption() const {
  String name = ClassName();
  if (name.rfind("Tkc", 0) == 0) name.erase(0, 3);
  auto pos = name.find("ValueType");
  if (pos != String::npos) name.erase(pos, 9);
  return name;
}

int TkcValueType::CompareRaw(const void* P1, const void* P2) const {
  return CompareVariants(LoadPreparedValue(P1), LoadPreparedValue(P2));
}

Variant TkcValueType::LoadPreparedValue(const void* P) const { return LoadValue(P); }

bool TkcValueType::TryConvert(Variant& Value) const {
  if (Value.IsNull() || VariantKind() == varVariant) return true;
  try {
    Value = VarAsType(Value, VariantKind());
    return true;
  } catch (const EVariantTypeCastError&) {
    return false;
  } catch (const EConvertError&) {  // text that is no number or date
    return false;
  }
}

void TkcValueType::ResolveCompareData(const void*&) const {}

// ---- String and WideString -------------------------------------------------------------------

namespace {
constexpr std::size_t kSlotInline = 11;
constexpr unsigned char kSlotOnHeap = 0xFF;

// A string data area starts with 0 when it holds no string (read as null, ordered first, as a
// missing holder is), with 1 + the length of up to 11 bytes that follow, or with the heap
// marker and (at offset 4) the address of a block holding the 32-bit length and the bytes.
bool SlotHasText(const void* Data) { return *static_cast<const unsigned char*>(Data) != 0; }

std::string_view SlotText(const void* Data) {
  auto* p = static_cast<const unsigned char*>(Data);
  if (p[0] != kSlotOnHeap) return {reinterpret_cast<const char*>(p + 1), p[0] == 0 ? 0u : p[0] - 1u};
  const char* block = Get<const char*>(p + 4);
  return {block + 4, Get<std::uint32_t>(block)};
}

void FreeSlotText(void* Data) {
  auto* p = static_cast<unsigned char*>(Data);
  if (p[0] == kSlotOnHeap) delete[] Get<char*>(p + 4);
  std::memset(p, 0, 12);
}

void AssignSlotText(void* Data, std::string_view Text) {
  unsigned char slot[12] = {};
  if (Text.size() <= kSlotInline) {
    slot[0] = static_cast<unsigned char>(Text.size() + 1);
    if (!Text.empty()) std::memcpy(slot + 1, Text.data(), Text.size());
  } else {
    char* block = new char[4 + Text.size()];
    Put(block, static_cast<std::uint32_t>(Text.size()));
    std::memcpy(block + 4, Text.data(), Text.size());
    slot[0] = kSlotOnHeap;
    Put(slot + 4, block);
  }
  FreeSlotText(Data);  // after the copy: Text may be this slot's own
  std::memcpy(Data, slot, sizeof slot);
}
}  // namespace

void TkcStringValueType::ReleaseData(void* Data) const { FreeSlotText(Data); }

bool TkcStringValueType::StoredText(const void* Data, std::string_view& AText) {
  if (!SlotHasText(Data)) return false;
  AText = SlotText(Data);
  return true;
}

String TkcStringValueType::DefaultText(const void* Data) const {
  return SlotHasText(Data) ? String(SlotText(Data)) : String();
}

Variant TkcStringValueType::LoadValue(const void* Data) const {
  return SlotHasText(Data) ? Variant(std::string(SlotText(Data))) : Null();
}

void TkcStringValueType::StoreValue(void* Data, const Variant& Value) const {
  if (const std::string* text = Value.StringPtr()) {
    AssignSlotText(Data, *text);
    return;
  }
  AssignSlotText(Data, VarToStr(Value));
}

void TkcStringValueType::StreamInValue(void* Data, TStream* Stream) const {
  String text = StreamReadString(Stream);
  AssignSlotText(Data, text);
}

void TkcStringValueType::StreamOutValue(const void* Data, TStream* Stream) const {
  StreamWriteString(Stream, String(SlotText(Data)));
}

int TkcStringValueType::CompareRaw(const void* P1, const void* P2) const {
  if (!SlotHasText(P1) || !SlotHasText(P2)) return (SlotHasText(P1) ? 1 : 0) - (SlotHasText(P2) ? 1 : 0);
  int c = SlotText(P1).compare(SlotText(P2));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

namespace {
const WideString* WideOf(const void* Data) { return HolderOf(WideStrings(), Data); }
WideString& WideAt(void* Data) { return HolderAt(WideStrings(), Data); }
}  // namespace

void TkcWideStringValueType::ReleaseData(void* Data) const { ReleaseHolder(WideStrings(), Data); }

Variant TkcWideStringValueType::LoadValue(const void* Data) const {
  const WideString* w = WideOf(Data);
  return w ? Variant(*w) : Null();
}

void TkcWideStringValueType::StoreValue(void* Data, const Variant& Value) const {
  WideString text = VarToWideStr(Value);
  WideAt(Data) = std::move(text);
}

void TkcWideStringValueType::StreamInValue(void* Data, TStream* Stream) const {
  WideString text = StreamReadWideString(Stream);
  WideAt(Data) = std::move(text);
}

void TkcWideStringValueType::StreamOutValue(const void* Data, TStream* Stream) const {
  const WideString* w = WideOf(Data);
  StreamWriteWideString(Stream, w ? *w : WideString());
}

void TkcWideStringValueType::ResolveCompareData(const void*& P) const { P = WideOf(P); }

int TkcWideStringValueType::CompareRaw(const void* P1, const void* P2) const {
  if (!P1 || !P2) return (P1 ? 1 : 0) - (P2 ? 1 : 0);
  int c = static_cast<const WideString*>(P1)->compare(*static_cast<const WideString*>(P2));
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

Variant TkcWideStringValueType::LoadPreparedValue(const void* P) const {
  return P ? Variant(*static_cast<const WideString*>(P)) : Null();
}

// ---- Integers, Boolean, Float, Currency, DateTime, LargeInt, FMTBcd -------------------------

Variant TkcSmallintValueType::ToVariant(std::int16_t V) { return Variant(V); }
std::int16_t TkcSmallintValueType::FromVariant(const Variant& Value) {
  return static_cast<std::int16_t>(Value.AsInteger());
}
std::int16_t TkcSmallintValueType::Read(TStream* Stream) { return StreamReadSmallInt(Stream); }
void TkcSmallintValueType::Write(TStream* Stream, std::int16_t V) { StreamWriteSmallInt(Stream, V); }
int TkcSmallintValueType::Compare(std::int16_t A, std::int16_t B) { return A - B; }

Variant TkcIntegerValueType::ToVariant(std::int32_t V) { return Variant(V); }
std::int32_t TkcIntegerValueType::FromVariant(const Variant& Value) {
  return static_cast<std::int32_t>(Value.AsInteger());
}
std::int32_t TkcIntegerValueType::Read(TStream* Stream) { return StreamReadInteger(Stream); }
void TkcIntegerValueType::Write(TStream* Stream, std::int32_t V) { StreamWriteInteger(Stream, V); }
int TkcIntegerValueType::Compare(std::int32_t A, std::int32_t B) { return ThreeWay(A, B); }

Variant TkcWordValueType::ToVariant(std::uint16_t V) { return Variant(V); }
std::uint16_t TkcWordValueType::FromVariant(const Variant& Value) {
  return static_cast<std::uint16_t>(Value.AsInteger());
}
std::uint16_t TkcWordValueType::Read(TStream* Stream) { return StreamReadWord(Stream); }
void TkcWordValueType::Write(TStream* Stream, std::uint16_t V) { StreamWriteWord(Stream, V); }
int TkcWordValueType::Compare(std::uint16_t A, std::uint16_t B) { return A - B; }

Variant TkcBooleanValueType::ToVariant(std::uint8_t V) { return Variant(V != 0); }
std::uint8_t TkcBooleanValueType::FromVariant(const Variant& Value) { return Value.AsBoolean() ? 1 : 0; }
std::uint8_t TkcBooleanValueType::Read(TStream* Stream) { return StreamReadBoolean(Stream) ? 1 : 0; }
void TkcBooleanValueType::Write(TStream* Stream, std::uint8_t V) { StreamWriteBoolean(Stream, V != 0); }
int TkcBooleanValueType::Compare(std::uint8_t A, std::uint8_t B) { return (A != 0) - (B != 0); }
String TkcBooleanValueType::DefaultText(const void* Data) const { return Load(Data) != 0 ? "True" : "False"; }

Variant TkcFloatValueType::ToVariant(double V) { return Variant(V); }
double TkcFloatValueType::FromVariant(const Variant& Value) { return Value.AsDouble(); }
// The stream holds 10 bytes; they are rounded to the 8-byte double of the record, never copied
// over the slot that follows.
double TkcFloatValueType::Read(TStream* Stream) { return StreamReadExtended(Stream); }
void TkcFloatValueType::Write(TStream* Stream, double V) { StreamWriteExtended(Stream, V); }
int TkcFloatValueType::Compare(double A, double B) { return CompareDoubles(A, B); }

Variant TkcCurrencyValueType::ToVariant(std::int64_t V) { return Variant(Currency::FromRaw(V)); }
std::int64_t TkcCurrencyValueType::FromVariant(const Variant& Value) { return Value.AsCurrency().Val; }
std::int64_t TkcCurrencyValueType::Read(TStream* Stream) { return StreamReadCurrency(Stream).Val; }
void TkcCurrencyValueType::Write(TStream* Stream, std::int64_t V) { StreamWriteCurrency(Stream, Currency::FromRaw(V)); }
int TkcCurrencyValueType::Compare(std::int64_t A, std::int64_t B) { return ThreeWay(A, B); }

Variant TkcDateTimeValueType::ToVariant(double V) { return Variant::FromDate(V); }
double TkcDateTimeValueType::FromVariant(const Variant& Value) { return static_cast<double>(Value.AsDateTime()); }
double TkcDateTimeValueType::Read(TStream* Stream) { return static_cast<double>(StreamReadDateTime(Stream)); }
void TkcDateTimeValueType::Write(TStream* Stream, double V) { StreamWriteDateTime(Stream, V); }
int TkcDateTimeValueType::Compare(double A, double B) { return CompareDoubles(A, B); }
String TkcDateTimeValueType::DefaultText(const void* Data) const {
  try {
    return VarToStr(LoadValue(Data));
  } catch (const EVariantTypeCastError&) {
    return DateTimeToStr(Load(Data));
  }
}

Variant TkcLargeIntValueType::ToVariant(std::int64_t V) { return Variant::FromInt64(V); }
std::int64_t TkcLargeIntValueType::FromVariant(const Variant& Value) { return Value.AsInt64(); }
std::int64_t TkcLargeIntValueType::Read(TStream* Stream) { return StreamReadLargeInt(Stream); }
void TkcLargeIntValueType::Write(TStream* Stream, std::int64_t V) { StreamWriteLargeInt(Stream, V); }
int TkcLargeIntValueType::Compare(std::int64_t A, std::int64_t B) { return ThreeWay(A, B); }

Variant TkcFMTBcdValueType::ToVariant(TBcd V) { return VarFMTBcdCreate(V); }
TBcd TkcFMTBcdValueType::FromVariant(const Variant& Value) { return VarToBcd(Value); }
TBcd TkcFMTBcdValueType::Read(TStream* Stream) {
  Variant v = StreamReadVariant(Stream);
  if (v.IsStr()) {
    // Written with '.', but streams of older builds used the writer's locale separator.
    String text = v.AsString();
    TBcd bcd;
    TFormatSettings comma = DotSettings();
    comma.DecimalSeparator = ',';
    comma.ThousandSeparator = '.';
    if (TryStrToBcd(text, bcd, DotSettings()) || TryStrToBcd(text, bcd, comma)) return bcd;
  }
  return FromVariant(v);
}
void TkcFMTBcdValueType::Write(TStream* Stream, TBcd V) {
  StreamWriteVariant(Stream, Variant(BcdToStr(V, DotSettings())));
}
int TkcFMTBcdValueType::Compare(TBcd A, TBcd B) {
  int c = BcdCompare(A, B);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}
String TkcFMTBcdValueType::DefaultText(const void* Data) const { return BcdToStrF(Load(Data), ffGeneral, 0, 0); }

// ---- SQLTimeStamp -----------------------------------------------------------------------------

Variant TkcSQLTimeStampValueType::LoadValue(const void* Data) const {
  return Variant::FromDate(SQLTimeStampToDateTime(Get<TSQLTimeStamp>(Data)));
}
void TkcSQLTimeStampValueType::StoreValue(void* Data, const Variant& Value) const {
  TSQLTimeStamp ts = VarToSQLTimeStamp(Value);
  // An invalid time stamp would fail every later read of the record.
  if (!IsValidSQLTimeStamp(ts))
    throw EVariantOverflowError("Overflow while converting variant into type (SQLTimeStamp)");
  Put(Data, ts);
}
int TkcSQLTimeStampValueType::CompareRaw(const void* P1, const void* P2) const {
  auto c = Get<TSQLTimeStamp>(P1) <=> Get<TSQLTimeStamp>(P2);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- Variant and Object ---------------------------------------------------------------------

namespace {
const Variant* VariantOf(const void* Data) { return HolderOf(Variants(), Data); }
}  // namespace

void TkcVariantValueType::ReleaseData(void* Data) const { ReleaseHolder(Variants(), Data); }
Variant TkcVariantValueType::LoadValue(const void* Data) const {
  const Variant* v = VariantOf(Data);
  return v ? *v : Null();
}
void TkcVariantValueType::StoreValue(void* Data, const Variant& Value) const { HolderAt(Variants(), Data) = Value; }
void TkcVariantValueType::StreamOutValue(const void* Data, TStream* Stream) const {
  StreamWriteVariant(Stream, LoadValue(Data), true);  // a stored Integer reads back as an Integer
}
void TkcVariantValueType::ResolveCompareData(const void*& P) const { P = VariantOf(P); }
int TkcVariantValueType::CompareRaw(const void* P1, const void* P2) const {
  if (!P1 || !P2) return (P1 ? 1 : 0) - (P2 ? 1 : 0);
  return CompareVariants(*static_cast<const Variant*>(P1), *static_cast<const Variant*>(P2));
}
Variant TkcVariantValueType::LoadPreparedValue(const void* P) const {
  return P ? *static_cast<const Variant*>(P) : Null();
}

Variant TkcObjectValueType::ObjectToValue(TObject* Object) {
  if (!Object) return Variant(0);
  std::uint32_t h = Objects().Allocate();
  Objects().At(h) = Object;
  return Variant(static_cast<int>(h));
}

TObject* TkcObjectValueType::ValueToObject(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty()) return nullptr;
  auto h = static_cast<std::uint32_t>(Value.AsInteger());
  return Objects().IsValid(h) ? Objects().At(h) : nullptr;
}

void TkcObjectValueType::ReleaseObject(const Variant& Value) {
  if (Value.IsNull() || Value.IsEmpty()) return;
  auto h = static_cast<std::uint32_t>(Value.AsInteger());
  if (!Objects().IsValid(h) || !Objects().At(h)) return;
  TObject* object = Objects().At(h);
  Objects().Release(h);
  delete object;
}

void TkcObjectValueType::ReleaseData(void* Data) const {
  ReleaseObject(Variant(static_cast<int>(HandleAt(Data))));
  Put<std::uint32_t>(Data, 0);
}

void TkcObjectValueType::StoreValue(void* Data, const Variant& Value) const {
  if (Value.VarType() == varUnknown) {
    Put(Data, static_cast<std::int32_t>(ObjectToValue(static_cast<TObject*>(Value.AsObject())).AsInteger()));
    return;
  }
  TkcIntegerValueType::StoreValue(Data, Value);
}

// Objects do not travel.
void TkcObjectValueType::StreamInValue(void*, TStream*) const {}
void TkcObjectValueType::StreamOutValue(const void*, TStream*) const {}

// ---- Registry -----------------------------------------------------------------------------------

void TkcValueTypeClassList::Register(TkcValueTypeClass AClass) {
  if (std::find(fItems.begin(), fItems.end(), AClass) == fItems.end()) fItems.push_back(AClass);
}

void TkcValueTypeClassList::Unregister(TkcValueTypeClass AClass) {
  fItems.erase(std::remove(fItems.begin(), fItems.end(), AClass), fItems.end());
}

TkcValueTypeClass TkcValueTypeClassList::ItemByCaption(const String& Text) const {
  for (TkcValueTypeClass c : fItems)
    if (c->Caption() == Text) return c;
  return nullptr;
}

TkcValueTypeClassList* GetValueTypeClassList() {
  static std::unique_ptr<TkcValueTypeClassList> list = [] {
    auto l = std::make_unique<TkcValueTypeClassList>();
    for (TkcValueTypeClass c :
         {TkcStringValueType::Class(), TkcWideStringValueType::Class(), TkcSmallintValueType::Class(),
          TkcIntegerValueType::Class(), TkcWordValueType::Class(), TkcBooleanValueType::Class(),
          TkcFloatValueType::Class(), TkcCurrencyValueType::Class(), TkcDateTimeValueType::Class(),
          TkcLargeIntValueType::Class(), TkcFMTBcdValueType::Class(), TkcSQLTimeStampValueType::Class(),
          TkcVariantValueType::Class(), TkcObjectValueType::Class()})
      l->Register(c);
    return l;
  }();
  return list.get();
}

// ---- TkcValueDefReader ----------------------------------------------------------------------

String TkcValueDefReader::GetDisplayText(TkcValueDef*) { return String(); }
Variant TkcValueDefReader::GetValue(TkcValueDef*) { return Null(); }
bool TkcValueDefReader::IsInternalColumn(TkcValueDef*) { return false; }

// ---- TkcValueDef ------------------------------------------------------------------------------

TkcValueDef::TkcValueDef(TkcValueDefs* AOwner, TkcValueTypeClass AValueTypeClass)
    : fValueDefs(AOwner), fValueTypeClass(AValueTypeClass) {}

TkcValueDef::~TkcValueDef() {
  if (fValueDefs && fValueDefs->IndexOf(this) >= 0) fValueDefs->RemoveColumn(this);
}

bool TkcValueDef::IsKeptInRecord() const { return fKeptInRecord || !fValueDefs->Storage()->StoredValuesOnly(); }

void TkcValueDef::Assign(TkcValueDef* Source) {
  fKeptInRecord = Source->IsKeptInRecord();
  fKeepsDisplayText = Source->KeepsDisplayText();
}

void TkcValueDef::SetKeptInRecord(bool Value) {
  if (fKeptInRecord == Value) return;
  fKeptInRecord = Value;
  fValueDefs->fStorage->ResizeColumnSlot(this);
  fValueDefs->ColumnChanged(this, false);
}

void TkcValueDef::SetKeepsDisplayText(bool Value) {
  if (fKeepsDisplayText == Value) return;
  fKeepsDisplayText = Value;
  fValueDefs->fStorage->ResizeColumnSlot(this);
  fValueDefs->ColumnChanged(this, true);
}

void TkcValueDef::Layout(int& Offset) {
  fDataSize = fValueTypeClass->DataSize();
  fValueOffset = Offset;
  fSlotSize = IsKeptInRecord() ? fDataSize + (KeepsDisplayText() ? 4 : 0) : 0;
  Offset += fSlotSize;
}

void TkcValueDef::MarkNull(std::uint8_t* R, bool IsNull) {
  if (fNullMask == 0) return;
  if (IsNull) {
    if (!IsNullAt(R)) {
      fValueTypeClass->ReleaseData(DataAt(R));
      std::memset(DataAt(R), 0, static_cast<std::size_t>(fDataSize));
    }
    R[fNullByte] = static_cast<std::uint8_t>(R[fNullByte] & ~fNullMask);
  } else {
    R[fNullByte] = static_cast<std::uint8_t>(R[fNullByte] | fNullMask);
  }
}

Variant TkcValueDef::FetchValue(const std::uint8_t* R) const {
  if (IsNullInRecord(R)) return Null();
  return fValueTypeClass->LoadValue(DataAt(R));
}

void TkcValueDef::PutValue(std::uint8_t* R, const Variant& Value) {
  if (fNullMask == 0) return;
  if (Value.IsNull()) {
    MarkNull(R, true);
    return;
  }
  MarkNull(R, false);
  fValueTypeClass->StoreValue(DataAt(R), Value);
}

String TkcValueDef::FetchText(const std::uint8_t* R) const {
  if (R == nullptr || fNullMask == 0) return String();
  if (KeepsDisplayText()) return fValueTypeClass->LoadText(TextAt(R));
  if (IsNullAt(R)) return String();
  return fValueTypeClass->DefaultText(DataAt(R));
}

void TkcValueDef::PutText(std::uint8_t* R, const String& Text) {
  if (KeepsDisplayText()) fValueTypeClass->StoreText(TextAt(R), Text);
}

void TkcValueDef::ReleaseValues(std::uint8_t* R) {
  if (fNullMask == 0) return;
  if (!IsNullAt(R)) fValueTypeClass->ReleaseData(DataAt(R));
  if (KeepsDisplayText()) fValueTypeClass->ReleaseText(TextAt(R));
}

int TkcValueDef::CompareInRecords(const std::uint8_t* R1, const std::uint8_t* R2) const {
  const bool n1 = IsNullInRecord(R1), n2 = IsNullInRecord(R2);
  if (n1 || n2) return (n1 ? 0 : 1) - (n2 ? 0 : 1);
  return fValueTypeClass->CompareData(DataAt(R1), DataAt(R2));
}

int TkcValueDef::CompareWithNulls(bool IsNull1, bool IsNull2, const void* P1, const void* P2) const {
  if (IsNull1 || IsNull2) return (IsNull1 ? 0 : 1) - (IsNull2 ? 0 : 1);
  return fValueTypeClass->CompareRaw(P1, P2);
}

void TkcValueDef::WriteValueTo(const std::uint8_t* R, TStream* Stream) const {
  const bool isNull = IsNullInRecord(R);
  StreamWriteByte(Stream, isNull ? 1 : 0);
  if (!isNull) fValueTypeClass->StreamOutValue(DataAt(R), Stream);
}

void TkcValueDef::ReadValueFrom(std::uint8_t* R, TStream* Stream) {
  const bool isNull = StreamReadByte(Stream) != 0;
  if (fNullMask == 0) {
    // No room in the record: the value is read past and dropped.
    if (!isNull) {
      std::vector<std::uint8_t> scratch(static_cast<std::size_t>(fDataSize) + 1, 0);
      fValueTypeClass->StreamInValue(scratch.data(), Stream);
      fValueTypeClass->ReleaseData(scratch.data());
    }
    return;
  }
  if (isNull) {
    MarkNull(R, true);
    return;
  }
  // Marked only once the value is read: a failed read leaves the cell as it was.
  fValueTypeClass->StreamInValue(DataAt(R), Stream);
  MarkNull(R, false);
}

void TkcValueDef::WriteTextTo(const std::uint8_t* R, TStream* Stream) const {
  if (KeepsDisplayText()) fValueTypeClass->StreamOutText(TextAt(R), Stream);
}

void TkcValueDef::ReadTextFrom(std::uint8_t* R, TStream* Stream) {
  if (KeepsDisplayText()) fValueTypeClass->StreamInText(TextAt(R), Stream);
}

// ---- TkcValueDefs ---------------------------------------------------------------------------

namespace {
// Where a column lies in a record of its list.
struct TkcRecordPlace {
  int NullByte = 0;
  std::uint8_t NullMask = 0;  // 0: no slot
  int Offset = 0;
  int SlotSize = 0;
};

// Lays the columns out after AFirstOffset (the null bits, then the slots in column order);
// answers the record length.
int PlanRecord(const std::vector<TkcValueDef*>& AColumns, int AFirstOffset, std::vector<TkcRecordPlace>& APlaces) {
  int kept = 0;
  for (TkcValueDef* column : AColumns) kept += column->IsKeptInRecord() ? 1 : 0;
  int offset = AFirstOffset + (kept + 7) / 8, bit = 0;
  APlaces.clear();
  for (TkcValueDef* column : AColumns) {
    TkcRecordPlace place;
    place.Offset = offset;
    if (column->IsKeptInRecord()) {
      place.NullByte = AFirstOffset + bit / 8;
      place.NullMask = static_cast<std::uint8_t>(1u << (bit % 8));
      ++bit;
      place.SlotSize = column->ValueTypeClass()->DataSize() + (column->KeepsDisplayText() ? 4 : 0);
      offset += place.SlotSize;
    }
    APlaces.push_back(place);
  }
  return offset;
}

// The places the columns have now.
std::vector<TkcRecordPlace> CurrentPlaces(const std::vector<TkcValueDef*>& AColumns) {
  std::vector<TkcRecordPlace> places;
  for (TkcValueDef* column : AColumns)
    places.push_back({column->NullByte(), column->NullMask(), column->ValueOffset(), column->SlotSize()});
  return places;
}

// Carries a column's null bit and its first Bytes slot bytes from one layout to the other.
void CarryColumn(const std::uint8_t* From, const TkcRecordPlace& Old, std::uint8_t* To, const TkcRecordPlace& New,
                 int Bytes) {
  if ((From[Old.NullByte] & Old.NullMask) != 0)
    To[New.NullByte] = static_cast<std::uint8_t>(To[New.NullByte] | New.NullMask);
  std::memcpy(To + New.Offset, From + Old.Offset, static_cast<std::size_t>(Bytes));
}
}  // namespace

TkcValueDefs::TkcValueDefs(TkcDataStorage* AStorage) : fStorage(AStorage) {}

TkcValueDefs::~TkcValueDefs() { ClearColumns(); }

void TkcValueDefs::ColumnChanged(TkcValueDef* AColumn, bool AResyncNeeded) {
  fStorage->ColumnsChanged(AColumn, AResyncNeeded);
}

TkcValueDefClass TkcValueDefs::ColumnClass() const { return TkcValueDef::StaticClass(); }

void TkcValueDefs::LayOut(int AFirstOffset) {
  std::vector<TkcRecordPlace> places;
  fFirstOffset = AFirstOffset;
  fRecordLength = PlanRecord(fItems, AFirstOffset, places);
  for (std::size_t i = 0; i < fItems.size(); ++i) {
    TkcValueDef* column = fItems[i];
    column->fDataSize = column->ValueTypeClass()->DataSize();
    column->fValueOffset = places[i].Offset;
    column->fSlotSize = places[i].SlotSize;
    column->fNullByte = places[i].NullByte;
    column->fNullMask = places[i].NullMask;
  }
}

TkcValueDef* TkcValueDefs::AddColumn(TkcValueTypeClass AValueTypeClass, bool AKeptInRecord, bool AKeepsDisplayText,
                                     TObject* ALinkedObject) {
  TkcValueDef* column = ColumnClass().Create(this, AValueTypeClass);
  column->SetLinkedObject(ALinkedObject);
  column->fKeptInRecord = AKeptInRecord;
  column->fKeepsDisplayText = AKeepsDisplayText;
  int offset = 0;
  column->Layout(offset);
  fStorage->InsertColumn(Count(), column);
  fItems.push_back(column);
  if (fStorage->fStreamingOrder && this == fStorage->fValueDefs.get()) fStorage->fStreamingOrder->push_back(column);
  fStorage->InitStructure(this);
  return column;
}

void TkcValueDefs::RemoveColumn(TkcValueDef* AColumn) {
  int index = IndexOf(AColumn);
  if (index < 0) return;
  fStorage->RemoveColumn(AColumn);
  fItems.erase(fItems.begin() + index);
  if (fStorage->fStreamingOrder) {
    auto& order = *fStorage->fStreamingOrder;
    order.erase(std::remove(order.begin(), order.end(), AColumn), order.end());
  }
  fStorage->InitStructure(this);
}

void TkcValueDefs::ClearColumns() {
  while (!fItems.empty()) delete fItems.back();
}

TkcValueDef* TkcValueDefs::Columns(int Index) const {
  if (fStorage->fStreamingOrder && this == fStorage->fValueDefs.get())
    return fStorage->fStreamingOrder->at(static_cast<std::size_t>(Index));
  return fItems.at(static_cast<std::size_t>(Index));
}

int TkcValueDefs::IndexOf(const TkcValueDef* AColumn) const {
  auto it = std::find(fItems.begin(), fItems.end(), AColumn);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

int TkcValueDefs::KeptCount() const {
  return static_cast<int>(
      std::count_if(fItems.begin(), fItems.end(), [](TkcValueDef* c) { return c->IsKeptInRecord(); }));
}

// ---- Internal columns -----------------------------------------------------------------------

TObject* TkcInternalValueDef::GetLinkedObject() const {
  TkcValueDef* source = SourceColumn();
  return source ? source->GetLinkedObject() : nullptr;
}

TkcValueDef* TkcInternalValueDef::SourceColumn() const {
  return dynamic_cast<TkcValueDef*>(TkcValueDef::GetLinkedObject());
}

TkcValueDefClass TkcInternalValueDefs::ColumnClass() const { return TkcInternalValueDef::StaticClass(); }

TkcInternalValueDef* TkcInternalValueDefs::FindByLinkedObject(TObject* AColumn) const {
  for (int i = Count() - 1; i >= 0; --i) {
    auto* column = static_cast<TkcInternalValueDef*>(Items(i));
    if (column->SourceColumn() == AColumn) return column;
  }
  return nullptr;
}

void TkcInternalValueDefs::RemoveByLinkedObject(TObject* AColumn) { delete FindByLinkedObject(AColumn); }

// ---- TkcRecordBlocks ------------------------------------------------------------------------

std::uint32_t TkcRecordBlocks::Allocate() {
  std::uint32_t handle;
  if (!fFree.empty()) {
    handle = fFree.back();
    fFree.pop_back();
  } else {
    std::size_t chunk, offset;
    ChunkOf(fCount, chunk, offset);
    if (chunk == fChunks.size()) {
      std::size_t blocks = kFirstChunkBlocks << std::min<std::size_t>(chunk, kDoublings);
      fChunks.push_back(std::make_unique_for_overwrite<std::uint8_t[]>(blocks * static_cast<std::size_t>(fBlockSize)));
    }
    handle = ++fCount;
  }
  std::memset(At(handle), 0, static_cast<std::size_t>(fBlockSize));
  return handle;
}

void TkcRecordBlocks::Free(std::uint32_t Block) {
  if (Block) fFree.push_back(Block);
}

// ---- TkcDataStorage -------------------------------------------------------------------------

TkcDataStorage::TkcDataStorage() {
  fInternalValueDefs = std::make_unique<TkcInternalValueDefs>(this);
  InitStructure(fInternalValueDefs.get());
  fValueDefs = std::make_unique<TkcValueDefs>(this);
  InitStructure(fValueDefs.get());
}

TkcDataStorage::~TkcDataStorage() {
  fDestroying = true;
  Clear(false);
  fStreamingOrder.reset();
  // The ordinary columns go first: each takes its internal mirror with it.
  fValueDefs->ClearColumns();
  fInternalValueDefs->ClearColumns();
}

void TkcDataStorage::InitStructure(TkcValueDefs* AValueDefs) {
  DropPacked();
  AValueDefs->LayOut(HeaderSize());
  TkcRecordBlocks& blocks = BlocksOf(AValueDefs);
  if (blocks.BlockSize() != AValueDefs->RecordLength()) {
    // Only reached with no live buffers of the list (column changes re-allocate them first).
    blocks = TkcRecordBlocks(AValueDefs->RecordLength());
  }
}

void TkcDataStorage::ColumnsChanged(TkcValueDef*, bool) { DropPacked(); }

TkcValueDefs* TkcDataStorage::ColumnListOf(int ARecordIndex) const {
  return ARecordIndex < 0 ? static_cast<TkcValueDefs*>(fInternalValueDefs.get()) : fValueDefs.get();
}

TkcRecordBlocks& TkcDataStorage::BlocksOf(const TkcValueDefs* AList) {
  return AList == fInternalValueDefs.get() ? fInternalBlocks : fBlocks;
}

std::vector<std::uint32_t>& TkcDataStorage::BuffersOf(const TkcValueDefs* AList) {
  return AList == fInternalValueDefs.get() ? fInternalRecords : fRecords;
}

std::uint8_t* TkcDataStorage::Buffer(int ARecordIndex) const {
  if (ARecordIndex < 0) {
    auto p = static_cast<std::size_t>(-(ARecordIndex + 1));
    return p < fInternalRecords.size() ? fInternalBlocks.At(fInternalRecords[p]) : nullptr;
  }
  return fBlocks.At(fRecords.at(static_cast<std::size_t>(ARecordIndex)));
}

std::uint32_t& TkcDataStorage::HandleRef(int ARecordIndex) {
  if (ARecordIndex < 0) return fInternalRecords.at(static_cast<std::size_t>(-(ARecordIndex + 1)));
  return fRecords.at(static_cast<std::size_t>(ARecordIndex));
}

std::uint8_t* TkcDataStorage::CheckBuffer(int ARecordIndex) {
  std::uint32_t& handle = HandleRef(ARecordIndex);
  TkcRecordBlocks& blocks = BlocksOf(ColumnListOf(ARecordIndex));
  if (!handle) handle = blocks.Allocate();
  return blocks.At(handle);
}

bool TkcDataStorage::HasBuffer(int ARecordIndex) const { return Buffer(ARecordIndex) != nullptr; }

void TkcDataStorage::ReleaseRecordValues(std::uint8_t* ABuffer, const TkcValueDefs* AList) {
  for (int i = 0; i < AList->Count(); ++i) AList->Items(i)->ReleaseValues(ABuffer);
}

void TkcDataStorage::FreeBuffer(std::uint32_t& AHandle, const TkcValueDefs* AList) {
  if (!AHandle) return;
  TkcRecordBlocks& blocks = BlocksOf(AList);
  ReleaseRecordValues(blocks.At(AHandle), AList);
  blocks.Free(AHandle);
  AHandle = 0;
}

void TkcDataStorage::RebuildBuffers(const TkcValueDefs* AList, int ANewLength,
                                    const std::function<void(std::uint8_t* From, std::uint8_t* To)>& ACopy) {
  DropPacked();
  TkcRecordBlocks& blocks = BlocksOf(AList);
  TkcRecordBlocks newBlocks(ANewLength);
  for (std::uint32_t& handle : BuffersOf(AList)) {
    if (!handle) continue;
    std::uint32_t moved = newBlocks.Allocate();
    ACopy(blocks.At(handle), newBlocks.At(moved));
    handle = moved;
  }
  blocks = std::move(newBlocks);
}

void TkcDataStorage::SetRecordCount(int Value) {
  Value = std::max(Value, 0);
  while (RecordCount() < Value) AppendRecord();
  while (RecordCount() > Value) DeleteRecord(RecordCount() - 1);
}

int TkcDataStorage::AppendRecord() {
  fRecords.push_back(0);
  // A record without a buffer holds no value.
  for (const auto& packed : fPacked) {
    packed->Data.Values.push_back(0);
    packed->Data.Has.push_back(0);
  }
  int index = RecordCount() - 1;
  AssignRecordID(index);
  return index;
}

void TkcDataStorage::InsertRecord(int AIndex) {
  AIndex = std::clamp(AIndex, 0, RecordCount());
  fRecords.insert(fRecords.begin() + AIndex, 0);
  for (const auto& packed : fPacked) {
    packed->Data.Values.insert(packed->Data.Values.begin() + AIndex, 0);
    packed->Data.Has.insert(packed->Data.Has.begin() + AIndex, 0);
  }
  AssignRecordID(AIndex);
}

void TkcDataStorage::DeleteRecord(int AIndex) {
  if (AIndex < 0) {
    auto p = static_cast<std::size_t>(-(AIndex + 1));
    if (p < fInternalRecords.size()) FreeBuffer(fInternalRecords[p], fInternalValueDefs.get());
    return;
  }
  FreeBuffer(fRecords.at(static_cast<std::size_t>(AIndex)), fValueDefs.get());
  fRecords.erase(fRecords.begin() + AIndex);
  for (const auto& packed : fPacked) {
    packed->Data.Values.erase(packed->Data.Values.begin() + AIndex);
    packed->Data.Has.erase(packed->Data.Has.begin() + AIndex);
  }
  if (fRecords.empty()) fRecordIDCounter = 1;
}

int TkcDataStorage::AddInternalRecord() {
  std::size_t p = 0;
  while (p < fInternalRecords.size() && fInternalRecords[p] &&
         (fInternalBlocks.At(fInternalRecords[p])[0] & kcRecordInUse))
    ++p;
  if (p == fInternalRecords.size()) fInternalRecords.push_back(0);
  int index = -static_cast<int>(p) - 1;
  CheckBuffer(index)[0] |= kcRecordInUse;
  return index;
}

void TkcDataStorage::ClearInternalRecords() {
  for (auto& buffer : fInternalRecords) FreeBuffer(buffer, fInternalValueDefs.get());
  fInternalRecords.clear();
  if (OnClearInternalRecords) OnClearInternalRecords(this);
}

void TkcDataStorage::ClearRecords(bool ARemoveRecords) {
  DropPacked();
  for (auto& buffer : fRecords) FreeBuffer(buffer, fValueDefs.get());
  if (ARemoveRecords) {
    fRecords.clear();
    fRecords.shrink_to_fit();
    fBlocks = TkcRecordBlocks(fValueDefs->RecordLength());
  }
  if (fRecords.empty()) fRecordIDCounter = 1;
  AssignAllRecordIDs();
}

void TkcDataStorage::Clear(bool AKeepInternal) {
  if (!AKeepInternal) ClearInternalRecords();
  ClearRecords(true);
}

void TkcDataStorage::AssignRecordID(int ARecordIndex) {
  if (!fUseRecordID) return;
  if (GetRecordID(ARecordIndex) == 0) SetRecordID(ARecordIndex, fRecordIDCounter++);
}

void TkcDataStorage::AssignAllRecordIDs() {
  if (!fUseRecordID) return;
  for (int i = 0; i < RecordCount(); ++i) AssignRecordID(i);
}

TkcValueDef* TkcDataStorage::ColumnFor(int ARecordIndex, TkcValueDef* AValueDef) const {
  if (ARecordIndex < 0 && AValueDef && AValueDef->ValueDefs() != fInternalValueDefs.get())
    return fInternalValueDefs->FindByLinkedObject(AValueDef);
  return AValueDef;
}

Variant TkcDataStorage::GetValue(int ARecordIndex, TkcValueDef* AValueDef) const {
  TkcValueDef* column = ColumnFor(ARecordIndex, AValueDef);
  std::uint8_t* buffer = Buffer(ARecordIndex);
  if (!column || !buffer) return Null();
  return column->FetchValue(buffer);
}

void TkcDataStorage::SetValue(int ARecordIndex, TkcValueDef* AValueDef, const Variant& Value) {
  TkcValueDef* column = ColumnFor(ARecordIndex, AValueDef);
  if (!column) return;
  TRepackGuard repack{this, ARecordIndex};
  column->PutValue(CheckBuffer(ARecordIndex), Value);
}

String TkcDataStorage::GetDisplayText(int ARecordIndex, TkcValueDef* AValueDef) const {
  TkcValueDef* column = ColumnFor(ARecordIndex, AValueDef);
  std::uint8_t* buffer = Buffer(ARecordIndex);
  if (!column || !buffer) return String();
  return column->FetchText(buffer);
}

void TkcDataStorage::SetDisplayText(int ARecordIndex, TkcValueDef* AValueDef, const String& Value) {
  TkcValueDef* column = ColumnFor(ARecordIndex, AValueDef);
  if (!column) return;
  TRepackGuard repack{this, ARecordIndex};
  column->PutText(CheckBuffer(ARecordIndex), Value);
}

int TkcDataStorage::GetRecordID(int ARecordIndex) {
  if (!fUseRecordID) return 0;
  return Get<std::int32_t>(CheckBuffer(ARecordIndex) + 1);
}

void TkcDataStorage::SetRecordID(int ARecordIndex, int Value) {
  if (!fUseRecordID) return;
  Put<std::int32_t>(CheckBuffer(ARecordIndex) + 1, Value);
}

int TkcDataStorage::CompareRecords(int ARecordIndex1, int ARecordIndex2, TkcValueDef* AValueDef) const {
  TkcValueDef* c1 = ColumnFor(ARecordIndex1, AValueDef);
  TkcValueDef* c2 = ColumnFor(ARecordIndex2, AValueDef);
  if (c1 == c2) return c1 ? c1->CompareInRecords(Buffer(ARecordIndex1), Buffer(ARecordIndex2)) : 0;
  // An internal record against an ordinary one: the two slots lie in different layouts.
  const void *p1 = nullptr, *p2 = nullptr;
  bool n1 = GetCompareInfo(ARecordIndex1, AValueDef, p1);
  bool n2 = GetCompareInfo(ARecordIndex2, AValueDef, p2);
  return AValueDef->CompareWithNulls(n1, n2, p1, p2);
}

bool TkcDataStorage::GetCompareInfo(int ARecordIndex, TkcValueDef* AValueDef, const void*& P) const {
  TkcValueDef* column = ColumnFor(ARecordIndex, AValueDef);
  std::uint8_t* buffer = Buffer(ARecordIndex);
  if (!column || !buffer || column->IsNullInRecord(buffer)) return true;
  P = column->DataAt(buffer);
  column->ValueTypeClass()->ResolveCompareData(P);
  return false;
}

namespace {

std::int32_t LoadPackedInt(int AForm, const std::uint8_t* AData) {
  if (AForm == 0) return Get<std::int32_t>(AData);
  if (AForm == 1) return Get<std::int16_t>(AData);
  return Get<std::uint16_t>(AData);
}

}  // namespace

const TkcDataStorage::TPackedInts* TkcDataStorage::PackedInts(const TkcValueDef* AColumn) const {
  if (!AColumn || AColumn->ValueDefs() != fValueDefs.get()) return nullptr;
  for (const auto& packed : fPacked)
    if (packed->Column == AColumn) return &packed->Data;
  const TkcValueTypeClass type = AColumn->ValueTypeClass();
  int form;
  if (type == TkcIntegerValueType::Class())
    form = 0;
  else if (type == TkcSmallintValueType::Class())
    form = 1;
  else if (type == TkcWordValueType::Class())
    form = 2;
  else
    return nullptr;
  auto packed = std::make_unique<TPacked>(TPacked{AColumn, form, {}});
  const std::size_t count = fRecords.size();
  packed->Data.Values.resize(count);
  packed->Data.Has.resize(count);
  const TRecordBuffers buffers = RecordBuffers();
  const int nullByte = AColumn->NullByte(), offset = AColumn->ValueOffset();
  const std::uint8_t mask = AColumn->NullMask();
  for (std::size_t r = 0; r < count; ++r) {
    const std::uint8_t* buffer = buffers[static_cast<int>(r)];
    // A column not kept in the record (no null bit) holds no value.
    const bool has = buffer && (buffer[nullByte] & mask) != 0;
    packed->Data.Has[r] = has;
    packed->Data.Values[r] = has ? LoadPackedInt(form, buffer + offset) : 0;
  }
  fPacked.push_back(std::move(packed));
  return &fPacked.back()->Data;
}

void TkcDataStorage::RepackRecord(int ARecordIndex) {
  if (ARecordIndex < 0 || fPacked.empty()) return;
  const auto r = static_cast<std::size_t>(ARecordIndex);
  const std::uint8_t* buffer = Buffer(ARecordIndex);
  for (const auto& packed : fPacked) {
    const TkcValueDef* column = packed->Column;
    const bool has = !column->IsNullInRecord(buffer);
    packed->Data.Has.at(r) = has;
    packed->Data.Values.at(r) = has ? LoadPackedInt(packed->Form, column->DataAt(buffer)) : 0;
  }
}

void TkcDataStorage::ReadRecord(int ARecordIndex, TkcValueDefReader* AReader) {
  TRepackGuard repack{this, ARecordIndex};
  std::uint8_t* buffer = CheckBuffer(ARecordIndex);
  TkcValueDefs* list = ColumnListOf(ARecordIndex);
  for (int i = 0; i < list->Count(); ++i) {
    TkcValueDef* column = list->Items(i);
    if (AReader->IsInternalColumn(column)) continue;
    column->PutValue(buffer, AReader->GetValue(column));
    if (column->KeepsDisplayText()) column->PutText(buffer, AReader->GetDisplayText(column));
  }
}

void TkcDataStorage::ReadRecordFrom(int ARecordIndex, int AArgument, TkcValueDefReader* AReader,
                                    const TkcValueDefReadProc& ACallback) {
  TkcValueDefs* list = ColumnListOf(ARecordIndex);
  // The callback may write through any path: the record's entries are read again after it.
  TRepackGuard repack{this, ARecordIndex};
  for (int i = 0; i < list->Count(); ++i) ACallback(list->Items(i), ARecordIndex, AReader, AArgument);
}

void TkcDataStorage::ChangeLayout(bool& AFlag, bool Value) {
  if (AFlag == Value) return;
  DropPacked();
  for (auto& buffer : fRecords) FreeBuffer(buffer, fValueDefs.get());
  fBlocks = TkcRecordBlocks(1);
  AFlag = Value;
  InitStructure(fValueDefs.get());
  InitStructure(fInternalValueDefs.get());
  AssignAllRecordIDs();
}

void TkcDataStorage::SetStoredValuesOnly(bool Value) { ChangeLayout(fStoredValuesOnly, Value); }

void TkcDataStorage::SetUseRecordID(bool Value) {
  if (fUseRecordID != Value && !fInternalRecords.empty()) {
    // Internal buffers would keep the old header; they are dropped like the ordinary ones.
    ClearInternalRecords();
  }
  ChangeLayout(fUseRecordID, Value);
}

// A column change moves every buffer of the list to the new layout: the header as it is, then
// each column's null bit and slot from its old place to its new one.

void TkcDataStorage::InsertColumn(int AIndex, TkcValueDef* AColumn) {
  DropPacked();
  TkcValueDefs* list = AColumn->ValueDefs();
  if (list == fValueDefs.get())
    fInternalValueDefs->AddColumn(AColumn->ValueTypeClass(), true, AColumn->fKeepsDisplayText, AColumn);
  if (!AColumn->IsKeptInRecord()) return;
  const std::vector<TkcValueDef*>& columns = list->fItems;
  const std::size_t at = std::min<std::size_t>(static_cast<std::size_t>(std::max(AIndex, 0)), columns.size());
  std::vector<TkcValueDef*> order = columns;
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(at), AColumn);
  std::vector<TkcRecordPlace> places;
  const int length = PlanRecord(order, list->FirstOffset(), places);
  const std::vector<TkcRecordPlace> old = CurrentPlaces(columns);
  const int header = list->FirstOffset();
  RebuildBuffers(list, length, [&](std::uint8_t* buffer, std::uint8_t* grown) {
    std::memcpy(grown, buffer, static_cast<std::size_t>(header));
    for (std::size_t i = 0; i < old.size(); ++i)
      if (old[i].NullMask) CarryColumn(buffer, old[i], grown, places[i < at ? i : i + 1], old[i].SlotSize);
  });
}

void TkcDataStorage::RemoveColumn(TkcValueDef* AColumn) {
  DropPacked();
  TkcValueDefs* list = AColumn->ValueDefs();
  if (list == fValueDefs.get() && !fDestroying) fInternalValueDefs->RemoveByLinkedObject(AColumn);
  if (AColumn->NullMask() == 0) return;
  const std::vector<TkcValueDef*>& columns = list->fItems;
  std::vector<TkcValueDef*> order;
  for (TkcValueDef* column : columns)
    if (column != AColumn) order.push_back(column);
  std::vector<TkcRecordPlace> places;
  const int length = PlanRecord(order, list->FirstOffset(), places);
  const std::vector<TkcRecordPlace> old = CurrentPlaces(columns);
  const int header = list->FirstOffset();
  // Even when this was the last kept column the buffers stay (shrunk to the header): internal
  // records keep their in-use flag and records keep their IDs.
  RebuildBuffers(list, length, [&](std::uint8_t* buffer, std::uint8_t* shrunk) {
    AColumn->ReleaseValues(buffer);
    std::memcpy(shrunk, buffer, static_cast<std::size_t>(header));
    for (std::size_t i = 0, j = 0; i < old.size(); ++i) {
      if (columns[i] == AColumn) continue;
      if (old[i].NullMask) CarryColumn(buffer, old[i], shrunk, places[j], old[i].SlotSize);
      ++j;
    }
  });
}

void TkcDataStorage::ResizeColumnSlot(TkcValueDef* AColumn) {
  DropPacked();
  TkcValueDefs* list = AColumn->ValueDefs();
  const int index = list->IndexOf(AColumn);
  if (index < 0) return;
  const std::vector<TkcValueDef*>& columns = list->fItems;
  std::vector<TkcRecordPlace> places;
  const int length = PlanRecord(columns, list->FirstOffset(), places);
  const std::vector<TkcRecordPlace> old = CurrentPlaces(columns);
  const auto i = static_cast<std::size_t>(index);
  if (places[i].NullMask != 0 || old[i].NullMask != 0) {
    if ((places[i].NullMask != 0) != (old[i].NullMask != 0) || places[i].SlotSize != old[i].SlotSize) {
      const int dataSize = AColumn->DataSize();
      const bool oldText = old[i].NullMask && old[i].SlotSize == dataSize + 4;
      const bool keepValue = old[i].NullMask && places[i].NullMask;
      const TkcValueTypeClass type = AColumn->ValueTypeClass();
      const int header = list->FirstOffset();
      RebuildBuffers(list, length, [&](std::uint8_t* buffer, std::uint8_t* resized) {
        std::memcpy(resized, buffer, static_cast<std::size_t>(header));
        for (std::size_t k = 0; k < old.size(); ++k) {
          if (k == i) continue;
          if (old[k].NullMask) CarryColumn(buffer, old[k], resized, places[k], old[k].SlotSize);
        }
        // The value stays while the column stays kept; a display text starts empty.
        if (keepValue)
          CarryColumn(buffer, old[i], resized, places[i], dataSize);
        else if (old[i].NullMask && (buffer[old[i].NullByte] & old[i].NullMask))
          type->ReleaseData(buffer + old[i].Offset);
        if (oldText) type->ReleaseText(buffer + old[i].Offset + dataSize);
      });
    }
  }
  InitStructure(list);
}

void TkcDataStorage::BeginStreaming(const TkcValueDefCompareProc& ACompareFunction) {
  auto order = std::make_unique<std::vector<TkcValueDef*>>(fValueDefs->fItems);
  if (ACompareFunction)
    std::stable_sort(order->begin(), order->end(),
                     [&](TkcValueDef* a, TkcValueDef* b) { return ACompareFunction(a, b) < 0; });
  fStreamingOrder = std::move(order);
}

void TkcDataStorage::EndStreaming() { fStreamingOrder.reset(); }

void TkcDataStorage::WriteRecord(int AIndex, TStream* Stream) {
  std::uint8_t* buffer = Buffer(AIndex);
  StreamWriteByte(Stream, buffer ? 0 : 1);
  if (!buffer) return;
  if (fUseRecordID) StreamWriteInteger(Stream, GetRecordID(AIndex));
  for (int i = 0; i < fValueDefs->Count(); ++i) {
    TkcValueDef* column = fValueDefs->Columns(i);
    if (!column->Streamed()) continue;
    column->WriteValueTo(buffer, Stream);
    column->WriteTextTo(buffer, Stream);
  }
}

void TkcDataStorage::ReadRecordFromStream(int AIndex, TStream* Stream) {
  // Whatever the stream holds or however it ends, the record's entries are read again.
  TRepackGuard repack{this, AIndex};
  if (StreamReadByte(Stream) != 0) {
    FreeBuffer(HandleRef(AIndex), fValueDefs.get());
    return;
  }
  const bool hadBuffer = Buffer(AIndex) != nullptr;
  std::uint8_t* buffer = CheckBuffer(AIndex);
  try {
    if (fUseRecordID) {
      int id = StreamReadInteger(Stream);
      SetRecordID(AIndex, id);
      if (fRecordIDCounter <= id && id < INT32_MAX) fRecordIDCounter = id + 1;
    }
    for (int i = 0; i < fValueDefs->Count(); ++i) {
      TkcValueDef* column = fValueDefs->Columns(i);
      if (!column->Streamed()) continue;
      column->ReadValueFrom(buffer, Stream);
      column->ReadTextFrom(buffer, Stream);
    }
  } catch (...) {
    // Half a record is no record: it ends as it was without a buffer, or with every value null.
    if (!hadBuffer) {
      FreeBuffer(HandleRef(AIndex), fValueDefs.get());
    } else {
      for (int i = 0; i < fValueDefs->Count(); ++i) fValueDefs->Columns(i)->MarkNull(buffer, true);
    }
    throw;
  }
}
