#include "data/kcDataUtils.h"

#include <cmath>

#include "platform/core/FMTBcd.h"

// ---- Locale and date helpers -----------------------------------------------------------------

String CurrencyDisplayFormat() {
  const TFormatSettings& fs = FormatSettings;
  String format = ",0." + String(static_cast<std::size_t>(std::max(fs.CurrencyDecimals, 0)), '0');
  String symbol;
  for (char c : fs.CurrencyString) {
    // "," and "." would be read as format characters: quote them.
    if (c == ',' || c == '.')
      symbol += String("'") + c + "'";
    else
      symbol += c;
  }
  if (symbol.empty()) return format;
  switch (fs.CurrencyFormat) {
    case 0: return symbol + format;
    case 1: return format + symbol;
    case 2: return symbol + " " + format;
    case 3: return format + " " + symbol;
    default: return format;
  }
}

TDateTime DatePart(TDateTime Value) { return std::trunc(Value); }
TDateTime TimePart(TDateTime Value) { return Value - std::trunc(Value); }

int LocaleFirstWeekDay() {
  // The locale counts from Monday (0) to Sunday (6); ours from Sunday.
  int first = FormatSettings.FirstDayOfWeek;
  if (first < 0 || first > 6) first = 0;
  return (first + 1) % 7;
}

TDateTime WeekStartOf(TDateTime Value) {
  int f = LocaleFirstWeekDay();
  int d = DayOfWeek(Value) - 1;
  TDateTime date = DatePart(Value);
  return f <= d ? date - (d - f) : date - 7 + (f - d);
}

bool MatchTextCaseInsensitive(const String& Text, const String& SubText, bool Partial) {
  String text = AnsiUpperCase(Text);
  String sub = AnsiUpperCase(SubText);
  if (sub.empty()) return text.empty();
  if (!Partial) return text == sub;
  return text.size() >= sub.size() && text.compare(0, sub.size(), sub) == 0;
}

// ---- Variant comparison and tests -----------------------------------------------------------

namespace {

int CompareScalarVariants(const Variant& V1, const Variant& V2) {
  try {
    // One three-way compare (Null first) instead of an equality and then an order test.
    const int r = VarCompare(V1, V2);
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  } catch (const EVariantTypeCastError&) {
    return -1;
  }
}

}  // namespace

int CompareVariants(const Variant& V1, const Variant& V2) {
  bool a1 = V1.IsArray(), a2 = V2.IsArray();
  if (!a1 && !a2) return CompareScalarVariants(V1, V2);
  if (!a2) return 1;
  if (!a1) return -1;
  int d = V1.ArrayHighBound() - V2.ArrayHighBound();
  if (d != 0) return d;
  for (int i = 0, n = V1.ArrayCount(); i < n; ++i)
    if (int r = CompareVariants(V1.GetItem(i), V2.GetItem(i))) return r;
  return 0;
}

bool VariantsEqual(const Variant& V1, const Variant& V2) {
  if (V1.IsNull() || V2.IsNull() || (V1.VarType() != varBoolean && V2.VarType() != varBoolean))
    return CompareVariants(V1, V2) == 0;
  try {
    return V1.AsString() == V2.AsString();
  } catch (const EVariantTypeCastError&) {
    return false;
  }
}

bool VariantsSame(const Variant& V1, const Variant& V2) { return CompareVariants(V1, V2) == 0; }

bool IsDateVarType(TVarType AVarType) {
  TVarType t = AVarType & varTypeMask;
  return t == varDate || t == varSQLTimeStamp;
}

bool IsDateVariant(const Variant& V) { return !V.IsArray() && IsDateVarType(V.VarType()); }

bool IsNumericVariant(const Variant& V) { return V.IsNumeric(); }

bool IsSoftNullVariant(const Variant& V) {
  if (const std::string* text = V.StringPtr()) return text->empty();
  return V.IsNull() || (V.IsStr() && V.AsWideString().empty());
}

bool IsCurrencyVarType(TVarType AVarType) {
  TVarType t = AVarType & varTypeMask;
  return t == varCurrency || t == varFMTBcd;
}

Variant CreateVariantPair(const Variant& A, const Variant& B) { return Variant::MakeArray({A, B}); }

Variant CreateSingleVariantArray(const Variant& A) { return Variant::MakeArray({A}); }

void AppendVariantArrayItem(Variant& AArray, const Variant& A) {
  std::vector<Variant> items;
  if (AArray.IsArray()) {
    items.reserve(static_cast<std::size_t>(AArray.ArrayCount()) + 1);
    for (int i = 0, n = AArray.ArrayCount(); i < n; ++i) items.push_back(AArray.GetItem(i));
  }
  items.push_back(A);
  AArray = Variant::MakeArray(std::move(items));
}

// ---- Stream primitives ------------------------------------------------------------------------

std::uint8_t StreamReadByte(TStream* Stream) { return Stream->ReadUInt8(); }
void StreamWriteByte(TStream* Stream, std::uint8_t Value) { Stream->WriteUInt8(Value); }
bool StreamReadBoolean(TStream* Stream) { return Stream->ReadUInt8() != 0; }
void StreamWriteBoolean(TStream* Stream, bool Value) { Stream->WriteUInt8(Value ? 1 : 0); }
std::int16_t StreamReadSmallInt(TStream* Stream) { return Stream->ReadInt16(); }
void StreamWriteSmallInt(TStream* Stream, std::int16_t Value) { Stream->WriteInt16(Value); }
std::uint16_t StreamReadWord(TStream* Stream) { return Stream->ReadUInt16(); }
void StreamWriteWord(TStream* Stream, std::uint16_t Value) { Stream->WriteUInt16(Value); }
std::int32_t StreamReadInteger(TStream* Stream) { return Stream->ReadInt32(); }
void StreamWriteInteger(TStream* Stream, std::int32_t Value) { Stream->WriteInt32(Value); }
std::int64_t StreamReadLargeInt(TStream* Stream) { return Stream->ReadInt64(); }
void StreamWriteLargeInt(TStream* Stream, std::int64_t Value) { Stream->WriteInt64(Value); }
Currency StreamReadCurrency(TStream* Stream) { return Currency::FromRaw(Stream->ReadInt64()); }
void StreamWriteCurrency(TStream* Stream, Currency Value) { Stream->WriteInt64(Value.Val); }
TDateTime StreamReadDateTime(TStream* Stream) { return Stream->ReadDouble(); }
void StreamWriteDateTime(TStream* Stream, TDateTime Value) { Stream->WriteDouble(Value); }

double StreamReadExtended(TStream* Stream) {
  TExtended80 bytes;
  Stream->ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  return Extended80ToDouble(bytes);
}

void StreamWriteExtended(TStream* Stream, double Value) {
  TExtended80 bytes = DoubleToExtended80(Value);
  Stream->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

String StreamReadString(TStream* Stream) { return Stream->ReadAnsiString(); }
void StreamWriteString(TStream* Stream, const String& Value) { Stream->WriteAnsiString(Value); }
WideString StreamReadWideString(TStream* Stream) { return Stream->ReadWideString(); }
void StreamWriteWideString(TStream* Stream, const WideString& Value) { Stream->WriteWideString(Value); }

// ---- Variant stream -------------------------------------------------------------------------

namespace {

enum : std::uint8_t {
  vaNull = 0,
  vaList = 1,
  vaInt8 = 2,
  vaInt16 = 3,
  vaInt32 = 4,
  vaExtended = 5,
  vaString = 6,
  vaFalse = 8,
  vaTrue = 9,
  vaLString = 12,
  vaNil = 13,
  vaSingle = 15,
  vaCurrency = 16,
  vaDate = 17,
  vaWString = 18,
};

[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void WriteError() { throw EWriteError("Stream write error"); }

void WriteTaggedInteger(TStream* Stream, std::int32_t Value) {
  if (Value >= -128 && Value <= 127) {
    Stream->WriteUInt8(vaInt8);
    Stream->WriteInt8(static_cast<std::int8_t>(Value));
  } else if (Value >= -32768 && Value <= 32767) {
    Stream->WriteUInt8(vaInt16);
    Stream->WriteInt16(static_cast<std::int16_t>(Value));
  } else {
    Stream->WriteUInt8(vaInt32);
    Stream->WriteInt32(Value);
  }
}

void WriteByteString(TStream* Stream, const String& Text) {
  if (Text.size() <= 255) {
    Stream->WriteUInt8(vaString);
    Stream->WriteUInt8(static_cast<std::uint8_t>(Text.size()));
    Stream->WriteBuffer(Text.data(), static_cast<std::int64_t>(Text.size()));
  } else {
    Stream->WriteUInt8(vaLString);
    Stream->WriteAnsiString(Text);
  }
}

// The text a kind without a tag of its own travels as; BCD with "." so that the stream does not
// depend on the locale it was written under.
String TextForStream(const Variant& Value) {
  try {
    if (Value.VarType() == varFMTBcd) {
      TFormatSettings fs = FormatSettings;
      fs.DecimalSeparator = '.';
      return BcdToStr(Value.AsBcd(), fs);
    }
    return Value.AsString();
  } catch (const std::exception&) {
    WriteError();
  }
}

void WriteVariant(TStream* Stream, const Variant& Value, int Depth, bool KeepIntegerKinds) {
  if (Value.IsArray()) {
    if (VarArrayDimCount(Value) != 1 || Depth >= kMaxStreamVariantDepth) WriteError();
    Stream->WriteUInt8(vaList);
    WriteTaggedInteger(Stream, Value.ArrayCount());
    for (int i = 0, n = Value.ArrayCount(); i < n; ++i)
      WriteVariant(Stream, Value.GetItem(i), Depth + 1, KeepIntegerKinds);
    return;
  }
  const int kind = Value.VarType() & varTypeMask;
  if (KeepIntegerKinds && (kind == varSmallint || kind == varInteger)) {
    // The tag of the kind's own width, so that it reads back as that kind.
    if (kind == varSmallint) {
      Stream->WriteUInt8(vaInt16);
      Stream->WriteInt16(static_cast<std::int16_t>(Value.AsInteger()));
    } else {
      Stream->WriteUInt8(vaInt32);
      Stream->WriteInt32(Value.AsInteger());
    }
    return;
  }
  switch (kind) {
    case varShortInt:
    case varByte:
    case varSmallint:
    case varInteger: WriteTaggedInteger(Stream, Value.AsInteger()); return;
    case varSingle:
      Stream->WriteUInt8(vaSingle);
      Stream->WriteSingle(static_cast<float>(Value.AsDouble()));
      return;
    case varDouble:
      Stream->WriteUInt8(vaExtended);
      StreamWriteExtended(Stream, Value.AsDouble());
      return;
    case varCurrency:
      Stream->WriteUInt8(vaCurrency);
      StreamWriteCurrency(Stream, Value.AsCurrency());
      return;
    case varDate:
    case varSQLTimeStamp:
      Stream->WriteUInt8(vaDate);
      Stream->WriteDouble(Value.AsDateTime());
      return;
    case varOleStr:
      Stream->WriteUInt8(vaWString);
      Stream->WriteWideString(Value.AsWideString());
      return;
    case varBoolean: Stream->WriteUInt8(Value.AsBoolean() ? vaTrue : vaFalse); return;
    case varString: WriteByteString(Stream, Value.AsString()); return;
    case varEmpty: Stream->WriteUInt8(vaNil); return;
    case varNull: Stream->WriteUInt8(vaNull); return;
    default: WriteByteString(Stream, TextForStream(Value)); return;
  }
}

Variant ReadVariant(TStream* Stream, int Depth) {
  std::uint8_t tag = Stream->ReadUInt8();
  switch (tag) {
    case vaNull: return Null();
    case vaList: {
      // Nesting and counts are bounded by what is left in the stream: a damaged or hostile
      // stream must fail cleanly, never recurse without end or allocate hugely.
      if (Depth >= kMaxStreamVariantDepth) ReadError();
      std::int64_t count;
      switch (Stream->ReadUInt8()) {
        case vaInt8: count = Stream->ReadInt8(); break;
        case vaInt16: count = Stream->ReadInt16(); break;
        case vaInt32: count = Stream->ReadInt32(); break;
        default: ReadError();
      }
      if (count < 0 || count > Stream->Remaining()) ReadError();
      std::vector<Variant> items;
      items.reserve(static_cast<std::size_t>(count));
      for (std::int64_t i = 0; i < count; ++i) items.push_back(ReadVariant(Stream, Depth + 1));
      return Variant::MakeArray(std::move(items));
    }
    case vaInt8: return Variant(Stream->ReadInt8());
    case vaInt16: return Variant(Stream->ReadInt16());
    case vaInt32: return Variant(static_cast<int>(Stream->ReadInt32()));
    case vaExtended: return Variant(StreamReadExtended(Stream));
    case vaString: {
      std::uint8_t length = Stream->ReadUInt8();
      String s(length, '\0');
      Stream->ReadBuffer(s.data(), length);
      return Variant(std::move(s));
    }
    case vaFalse: return Variant(false);
    case vaTrue: return Variant(true);
    case vaLString: return Variant(Stream->ReadAnsiString());
    case vaNil: return Unassigned();
    case vaSingle: return Variant(Stream->ReadSingle());
    case vaCurrency: return Variant(StreamReadCurrency(Stream));
    case vaDate: return Variant::FromDate(Stream->ReadDouble());
    case vaWString: return Variant(Stream->ReadWideString());
    default: ReadError();
  }
}

}  // namespace

Variant StreamReadVariant(TStream* Stream) { return ReadVariant(Stream, 0); }
void StreamWriteVariant(TStream* Stream, const Variant& Value, bool KeepIntegerKinds) {
  WriteVariant(Stream, Value, 0, KeepIntegerKinds);
}

// ---- TkcCollection --------------------------------------------------------------------------

void TkcCollection::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TCollection*>(Source);
  if (!source) {
    TCollection::Assign(Source);
    return;
  }
  if (Count() == 0 && source->Count() == 0) return;
  BeginUpdate();
  try {
    for (int i = 0; i < source->Count(); ++i) {
      TCollectionItem* item = i < Count() ? Items(i) : Add();
      item->Assign(source->Items(i));
    }
    while (Count() > source->Count()) Delete(Count() - 1);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TkcCustomDataBinding -------------------------------------------------------------------

void TkcCustomDataBinding::SetVisualControl(TComponent* AControl) {
  if (AControl == fVisualControl) return;
  fVisualControl = AControl;
  VisualControlChanged();
}

void TkcCustomDataBinding::NotifyHandlerA(TObject* Sender) {
  if (OnHandlerA) OnHandlerA(Sender);
}

void TkcCustomDataBinding::NotifyHandlerB(TObject* Sender) {
  if (OnHandlerB) OnHandlerB(Sender);
}

void TkcCustomDataBinding::NotifyHandlerC(TObject* Sender) {
  if (OnHandlerC) OnHandlerC(Sender);
}

// ---- TkcLookupList --------------------------------------------------------------------------

bool TkcLookupList::Find(const Variant& Value, int& Index) const {
  int low = 0, high = Count() - 1;
  while (low <= high) {
    int mid = low + (high - low) / 2;
    int c = CompareVariants(fItems[static_cast<std::size_t>(mid)].Value, Value);
    if (c == 0) {
      Index = mid;
      return true;
    }
    if (c < 0)
      low = mid + 1;
    else
      high = mid - 1;
  }
  Index = low;
  return false;
}

void TkcLookupList::Insert(int Index, const Variant& Value, const String& DisplayText) {
  if (Index < 0 || Index > Count()) TList::Error("List index out of bounds (%d)", Index);
  fItems.insert(fItems.begin() + Index, TkcLookupListItem{Value, DisplayText});
}

const TkcLookupListItem& TkcLookupList::GetItem(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error("List index out of bounds (%d)", Index);
  return fItems[static_cast<std::size_t>(Index)];
}
