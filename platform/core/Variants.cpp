#include "platform/core/Variants.h"

#include <cmath>
#include <functional>

#include "platform/core/DateUtils.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

struct VariantAccess {
  static const Variant::Payload& Value(const Variant& v) { return v.fValue; }
  static Variant Make(TVarType type, Variant::Payload payload) {
    Variant v;
    v.fType = type;
    v.fValue = std::move(payload);
    return v;
  }
  static std::shared_ptr<Variant::ArrayData> Array(const Variant& v) {
    return std::get<std::shared_ptr<Variant::ArrayData>>(v.fValue);
  }
  static Variant::ArrayData& MutableArray(Variant& v) {
    auto& p = std::get<std::shared_ptr<Variant::ArrayData>>(v.fValue);
    if (p.use_count() > 1) p = std::make_shared<Variant::ArrayData>(*p);
    return *p;
  }
};

namespace {

using I128 = __int128;

std::string KindName(TVarType t) {
  if (t & varArray) return "Array";
  switch (t) {
    case varEmpty: return "Empty";
    case varNull: return "Null";
    case varSmallint: return "Smallint";
    case varInteger: return "Integer";
    case varSingle: return "Single";
    case varDouble: return "Double";
    case varCurrency: return "Currency";
    case varDate: return "Date";
    case varOleStr: return "OleStr";
    case varBoolean: return "Boolean";
    case varVariant: return "Variant";
    case varUnknown: return "Unknown";
    case varShortInt: return "ShortInt";
    case varByte: return "Byte";
    case varWord: return "Word";
    case varLongWord: return "LongWord";
    case varInt64: return "Int64";
    case varUInt64: return "UInt64";
    case varString: return "String";
    case varFMTBcd: return "FMTBcd";
    case varSQLTimeStamp: return "SQLTimeStamp";
    default: return "Unknown";
  }
}

[[noreturn]] void CastError(TVarType from, TVarType to) {
  throw EVariantTypeCastError("Could not convert variant of type (" + KindName(from) + ") into type (" + KindName(to) +
                              ")");
}

[[noreturn]] void OverflowError(TVarType from, TVarType to) {
  throw EVariantOverflowError("Overflow while converting variant of type (" + KindName(from) + ") into type (" +
                              KindName(to) + ")");
}

bool IsIntKind(TVarType t) {
  switch (t) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varUInt64: return true;
    default: return false;
  }
}

// Integer kinds as a 128-bit value (uint64 included).
I128 IntValue(const Variant& v) {
  const auto& p = VariantAccess::Value(v);
  if (v.VarType() == varUInt64) return static_cast<I128>(std::get<std::uint64_t>(p));
  return static_cast<I128>(std::get<std::int64_t>(p));
}

double DoubleValue(const Variant& v) { return std::get<double>(VariantAccess::Value(v)); }

// Integer quotient x / n rounded half to even.
I128 DivRoundEven(I128 x, I128 n) {
  I128 q = x / n, r = x % n;
  I128 ar = r < 0 ? -r : r, an = n < 0 ? -n : n;
  if (2 * ar > an || (2 * ar == an && (q & 1))) q += ((x < 0) != (n < 0)) ? -1 : 1;
  return q;
}

// A date the calendar can show (years 1 to 9999); NaN is none.
bool DateInRange(double d) { return d >= MinDateTime - 1 && d < MaxDateTime + 1; }

// The text of a date: the date alone at midnight, the time alone on day 0, else both.
std::string DateText(TDateTime d) {
  int h, n, s, ms;
  DecodeTime(d, h, n, s, ms);
  bool noTime = h == 0 && n == 0 && s == 0 && ms == 0;
  if (noTime) return DateToStr(d);
  if (DateOf(d) == 0) return TimeToStr(d);
  return DateToStr(d) + " " + TimeToStr(d);
}

// A string read as a number: an int64 when it is an integer text, else a double.
Variant NumberFromText(const Variant& v) {
  std::string s = v.AsString();
  std::int64_t i = 0;
  if (TryStrToInt64(s, i)) return Variant(static_cast<long long>(i));
  double d = 0;
  if (TryStrToFloat(s, d)) return Variant(d);
  CastError(v.VarType(), varDouble);
}

// Operand prepared for arithmetic: strings read as numbers, Booleans and Empty as integers,
// time stamps as dates.
Variant ArithmeticOperand(const Variant& v) {
  switch (v.VarType()) {
    case varEmpty: return Variant(0);
    case varBoolean: return Variant(v.AsBoolean() ? -1 : 0);
    case varString:
    case varOleStr: return NumberFromText(v);
    case varSQLTimeStamp: return Variant::FromDate(v.AsDateTime());
    default:
      if (v.IsArray() || v.VarType() == varUnknown) CastError(v.VarType(), varDouble);
      return v;
  }
}

Variant IntResult(I128 r, TVarType from) {
  if (r >= INT32_MIN && r <= INT32_MAX) return Variant(static_cast<int>(r));
  if (r >= INT64_MIN && r <= INT64_MAX) return Variant::FromInt64(static_cast<std::int64_t>(r));
  if (r >= 0 && r <= static_cast<I128>(UINT64_MAX)) return Variant(static_cast<unsigned long long>(r));
  OverflowError(from, varInt64);
}

Variant CurrencyResult(I128 raw, TVarType from) {
  if (raw < INT64_MIN || raw > INT64_MAX) OverflowError(from, varCurrency);
  return Variant(Currency::FromRaw(static_cast<std::int64_t>(raw)));
}

enum class Op { Add, Sub };

Variant AddSub(const Variant& a0, const Variant& b0, Op op) {
  if (a0.IsNull() || b0.IsNull()) return Null();
  Variant a = ArithmeticOperand(a0), b = ArithmeticOperand(b0);
  TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varFMTBcd || tb == varFMTBcd) {
    TBcd r;
    if (op == Op::Add)
      BcdAdd(a.AsBcd(), b.AsBcd(), r);
    else
      BcdSubtract(a.AsBcd(), b.AsBcd(), r);
    return Variant(r);
  }
  bool date = ta == varDate || tb == varDate;
  bool floating = date || a.IsFloat() || b.IsFloat();
  if (floating) {
    double r = op == Op::Add ? a.AsDouble() + b.AsDouble() : a.AsDouble() - b.AsDouble();
    return date ? Variant::FromDate(r) : Variant(r);
  }
  if (ta == varCurrency || tb == varCurrency) {
    I128 x = ta == varCurrency ? a.AsCurrency().Val : IntValue(a) * 10000;
    I128 y = tb == varCurrency ? b.AsCurrency().Val : IntValue(b) * 10000;
    return CurrencyResult(op == Op::Add ? x + y : x - y, ta);
  }
  I128 r = op == Op::Add ? IntValue(a) + IntValue(b) : IntValue(a) - IntValue(b);
  return IntResult(r, ta);
}

int Sign(I128 v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

// The zero value of the other operand's kind, standing in for Empty.
Variant EmptyAs(const Variant& other) {
  switch (other.VarType()) {
    case varString: return Variant(std::string());
    case varOleStr: return Variant(WideString());
    case varBoolean: return Variant(false);
    case varDate:
    case varSQLTimeStamp: return Variant::FromDate(0);
    case varCurrency: return Variant(Currency());
    case varFMTBcd: return Variant(IntegerToBcd(0));
    case varUnknown: return Variant::FromObject(nullptr);
    default: return Variant(0);
  }
}

int CompareScalars(const Variant& a, const Variant& b) {
  TVarType ta = a.VarType(), tb = b.VarType();
  if (ta == varUnknown || tb == varUnknown) {
    if (ta != tb) CastError(ta == varUnknown ? tb : ta, varUnknown);
    return std::less<void*>()(a.AsObject(), b.AsObject()) ? -1 : a.AsObject() == b.AsObject() ? 0 : 1;
  }
  if (ta == varString && tb == varString) {
    // Byte strings compare in place: sorting a million texts copies none of them.
    int r = std::get<std::string>(VariantAccess::Value(a)).compare(std::get<std::string>(VariantAccess::Value(b)));
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  if (a.IsStr() && b.IsStr()) {
    int r = a.AsString().compare(b.AsString());
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  if (a.IsStr() || b.IsStr()) {
    const Variant& s = a.IsStr() ? a : b;
    const Variant& o = a.IsStr() ? b : a;
    int flip = a.IsStr() ? 1 : -1;
    Variant converted;
    switch (o.VarType()) {
      case varDate:
      case varSQLTimeStamp: converted = Variant::FromDate(s.AsDateTime()); break;
      case varBoolean: converted = Variant(s.AsBoolean()); break;
      case varFMTBcd: converted = Variant(s.AsBcd()); break;
      default: converted = NumberFromText(s); break;
    }
    return flip * CompareScalars(converted, o);
  }
  if (ta == varSQLTimeStamp && tb == varSQLTimeStamp) {
    auto r = a.AsSQLTimeStamp() <=> b.AsSQLTimeStamp();
    return r < 0 ? -1 : r > 0 ? 1 : 0;
  }
  if (ta == varBoolean && tb == varBoolean)
    return Sign(static_cast<int>(a.AsBoolean()) - static_cast<int>(b.AsBoolean()));
  // NaN first, before the BCD path (a BCD has no NaN).
  bool nanA = (a.IsFloat() || ta == varDate) && std::isnan(DoubleValue(a));
  bool nanB = (b.IsFloat() || tb == varDate) && std::isnan(DoubleValue(b));
  if (nanA || nanB) return nanA == nanB ? 0 : nanA ? -1 : 1;
  if (ta == varFMTBcd || tb == varFMTBcd) return BcdCompare(a.AsBcd(), b.AsBcd());
  auto intLike = [](const Variant& v) { return IsIntKind(v.VarType()) || v.VarType() == varBoolean; };
  if (intLike(a) && intLike(b)) {
    I128 x = a.VarType() == varBoolean ? (a.AsBoolean() ? -1 : 0) : IntValue(a);
    I128 y = b.VarType() == varBoolean ? (b.AsBoolean() ? -1 : 0) : IntValue(b);
    return Sign(x - y);
  }
  if ((ta == varCurrency || intLike(a)) && (tb == varCurrency || intLike(b))) {
    // 128 bits: the whole uint64 range orders against currency without overflow.
    auto scaled = [](const Variant& v) -> I128 {
      if (v.VarType() == varCurrency) return v.AsCurrency().Val;
      return (v.VarType() == varBoolean ? (v.AsBoolean() ? -1 : 0) : IntValue(v)) * 10000;
    };
    I128 x = scaled(a), y = scaled(b);
    return Sign(x - y);
  }
  return CompareDoubles(a.AsDouble(), b.AsDouble());
}

}  // namespace

// ---- Construction -----------------------------------------------------------------------------

Variant::Variant(bool v) : fType(varBoolean), fValue(v) {}
Variant::Variant(std::int8_t v) : fType(varShortInt), fValue(std::int64_t(v)) {}
Variant::Variant(std::uint8_t v) : fType(varByte), fValue(std::int64_t(v)) {}
Variant::Variant(std::int16_t v) : fType(varSmallint), fValue(std::int64_t(v)) {}
Variant::Variant(std::uint16_t v) : fType(varWord), fValue(std::int64_t(v)) {}
Variant::Variant(int v) : fType(varInteger), fValue(std::int64_t(v)) {}
Variant::Variant(unsigned v) : fType(varLongWord), fValue(std::int64_t(v)) {}
Variant::Variant(long v) : Variant(static_cast<long long>(v)) {}
Variant::Variant(long long v)
    : fType(v >= INT32_MIN && v <= INT32_MAX ? varInteger : varInt64), fValue(std::int64_t(v)) {}
Variant::Variant(unsigned long v) : Variant(static_cast<unsigned long long>(v)) {}
Variant::Variant(unsigned long long v) : fType(varUInt64), fValue(std::uint64_t(v)) {}
Variant::Variant(float v) : fType(varSingle), fValue(double(v)) {}
Variant::Variant(double v) : fType(varDouble), fValue(v) {}
Variant::Variant(Currency v) : fType(varCurrency), fValue(v) {}
Variant::Variant(const char* v) : fType(varString), fValue(std::string(v ? v : "")) {}
Variant::Variant(std::string v) : fType(varString), fValue(std::move(v)) {}
Variant::Variant(std::string_view v) : fType(varString), fValue(std::string(v)) {}
Variant::Variant(WideString v) : fType(varOleStr), fValue(std::move(v)) {}
Variant::Variant(const char16_t* v) : fType(varOleStr), fValue(WideString(v ? v : u"")) {}
Variant::Variant(const TBcd& v) : fType(varFMTBcd), fValue(v) {}
Variant::Variant(const TSQLTimeStamp& v) : fType(varSQLTimeStamp), fValue(v) {}

Variant Variant::FromDate(TDateTime value) { return VariantAccess::Make(varDate, value); }
Variant Variant::FromInt64(std::int64_t value) { return VariantAccess::Make(varInt64, value); }
Variant Variant::FromObject(void* object) { return VariantAccess::Make(varUnknown, object); }
Variant Variant::MakeNull() { return VariantAccess::Make(varNull, std::monostate()); }

Variant Variant::MakeArray(int count) {
  if (count < 0) throw EVariantArrayError("Invalid variant array bounds");
  return VariantAccess::Make(varArray | varVariant, std::make_shared<ArrayData>(static_cast<std::size_t>(count)));
}

Variant Variant::MakeArray(std::initializer_list<Variant> items) {
  return VariantAccess::Make(varArray | varVariant, std::make_shared<ArrayData>(items));
}

Variant Variant::MakeArray(std::vector<Variant> items) {
  return VariantAccess::Make(varArray | varVariant, std::make_shared<ArrayData>(std::move(items)));
}

bool Variant::IsOrdinal() const { return IsIntKind(fType); }
bool Variant::IsFloat() const { return fType == varSingle || fType == varDouble; }
bool Variant::IsNumeric() const { return IsOrdinal() || IsFloat() || fType == varCurrency || fType == varFMTBcd; }

// ---- Arrays ---------------------------------------------------------------------------

int Variant::ArrayLowBound() const {
  if (!IsArray()) throw EVariantArrayError("Variant is not an array");
  return 0;
}

int Variant::ArrayHighBound() const { return ArrayCount() - 1; }

int Variant::ArrayCount() const {
  if (!IsArray()) throw EVariantArrayError("Variant is not an array");
  return static_cast<int>(std::get<std::shared_ptr<ArrayData>>(fValue)->size());
}

const Variant& Variant::GetItem(int index) const {
  if (!IsArray()) throw EVariantArrayError("Variant is not an array");
  const ArrayData& items = *std::get<std::shared_ptr<ArrayData>>(fValue);
  if (index < 0 || static_cast<std::size_t>(index) >= items.size())
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return items[static_cast<std::size_t>(index)];
}

void Variant::SetItem(int index, Variant value) {
  if (!IsArray()) throw EVariantArrayError("Variant is not an array");
  ArrayData& items = VariantAccess::MutableArray(*this);
  if (index < 0 || static_cast<std::size_t>(index) >= items.size())
    throw EVariantBadIndexError("Variant or safe array index out of bounds");
  items[static_cast<std::size_t>(index)] = std::move(value);
}

// ---- Conversions -------------------------------------------------------------------------

std::string Variant::AsString() const {
  switch (fType) {
    case varEmpty: return {};
    case varBoolean: return std::get<bool>(fValue) ? "True" : "False";
    case varUInt64: return UIntToStr(std::get<std::uint64_t>(fValue));
    case varSingle: return FloatToStrF(std::get<double>(fValue), ffGeneral, 7, 0);
    case varDouble: return FloatToStr(std::get<double>(fValue));
    case varCurrency: return CurrToStr(std::get<Currency>(fValue));
    case varDate: {
      // A date outside the calendar has no text; showing it as 12/30/1899 would be a wrong value.
      double d = std::get<double>(fValue);
      if (!DateInRange(d)) OverflowError(fType, varString);
      return DateText(d);
    }
    case varString: return std::get<std::string>(fValue);
    case varOleStr: return WideToUtf8(std::get<WideString>(fValue));
    case varFMTBcd: return BcdToStr(std::get<TBcd>(fValue));
    case varSQLTimeStamp: return DateText(AsDateTime());
    default:
      if (IsOrdinal()) return IntToStr(std::get<std::int64_t>(fValue));
      CastError(fType, varString);
  }
}

WideString Variant::AsWideString() const {
  if (fType == varOleStr) return std::get<WideString>(fValue);
  try {
    return Utf8ToWide(AsString());
  } catch (const EVariantTypeCastError&) {
    CastError(fType, varOleStr);
  }
}

std::int64_t Variant::AsInt64() const {
  switch (fType) {
    case varEmpty: return 0;
    case varBoolean: return std::get<bool>(fValue) ? -1 : 0;
    case varUInt64: {
      std::uint64_t u = std::get<std::uint64_t>(fValue);
      if (u > static_cast<std::uint64_t>(INT64_MAX)) OverflowError(fType, varInt64);
      return static_cast<std::int64_t>(u);
    }
    case varCurrency: return static_cast<std::int64_t>(DivRoundEven(std::get<Currency>(fValue).Val, 10000));
    case varString:
    case varOleStr: {
      std::string s = AsString();
      std::int64_t i = 0;
      if (TryStrToInt64(s, i)) return i;
      double d = 0;
      if (!TryStrToFloat(s, d)) CastError(fType, varInt64);
      if (!TryRound(d, i)) OverflowError(fType, varInt64);
      return i;
    }
    case varFMTBcd: {
      const TBcd& b = std::get<TBcd>(fValue);
      if (BcdScale(b) == 0) {
        try {
          return BcdToInt64(b);
        } catch (const EBcdException&) {
          OverflowError(fType, varInt64);
        }
      }
      [[fallthrough]];
    }
    case varSingle:
    case varDouble:
    case varDate:
    case varSQLTimeStamp: {
      std::int64_t i = 0;
      if (!TryRound(AsDouble(), i)) OverflowError(fType, varInt64);
      return i;
    }
    default:
      if (IsOrdinal()) return std::get<std::int64_t>(fValue);
      CastError(fType, varInt64);
  }
}

int Variant::AsInteger() const {
  std::int64_t v = AsInt64();
  if (v < INT32_MIN || v > INT32_MAX) OverflowError(fType, varInteger);
  return static_cast<int>(v);
}

double Variant::AsDouble() const {
  switch (fType) {
    case varEmpty: return 0;
    case varBoolean: return std::get<bool>(fValue) ? -1 : 0;
    case varUInt64: return static_cast<double>(std::get<std::uint64_t>(fValue));
    case varSingle:
    case varDouble:
    case varDate: return std::get<double>(fValue);
    case varCurrency: return std::get<Currency>(fValue).ToDouble();
    case varString:
    case varOleStr: {
      double d = 0;
      if (!TryStrToFloat(AsString(), d)) CastError(fType, varDouble);
      return d;
    }
    case varFMTBcd: return BcdToDouble(std::get<TBcd>(fValue));
    case varSQLTimeStamp: return AsDateTime();
    default:
      if (IsOrdinal()) return static_cast<double>(std::get<std::int64_t>(fValue));
      CastError(fType, varDouble);
  }
}

Currency Variant::AsCurrency() const {
  switch (fType) {
    case varCurrency: return std::get<Currency>(fValue);
    case varString:
    case varOleStr: {
      Currency c;
      if (!TryStrToCurr(AsString(), c)) CastError(fType, varCurrency);
      return c;
    }
    case varFMTBcd: {
      Currency c;
      if (!BCDToCurr(std::get<TBcd>(fValue), c)) OverflowError(fType, varCurrency);
      return c;
    }
    default:
      if (IsOrdinal() || fType == varBoolean || fType == varEmpty) {
        I128 raw = static_cast<I128>(fType == varUInt64 ? static_cast<I128>(std::get<std::uint64_t>(fValue))
                                                        : static_cast<I128>(AsInt64())) *
                   10000;
        if (raw < INT64_MIN || raw > INT64_MAX) OverflowError(fType, varCurrency);
        return Currency::FromRaw(static_cast<std::int64_t>(raw));
      }
      Currency c;
      if (!Currency::TryFromDouble(AsDouble(), c)) OverflowError(fType, varCurrency);
      return c;
  }
}

TDateTime Variant::AsDateTime() const {
  switch (fType) {
    case varDate: return std::get<double>(fValue);
    case varString:
    case varOleStr: {
      TDateTime d = 0;
      if (!TryStrToDateTime(AsString(), d)) CastError(fType, varDate);
      return d;
    }
    case varSQLTimeStamp: {
      const TSQLTimeStamp& ts = std::get<TSQLTimeStamp>(fValue);
      if (!IsValidSQLTimeStamp(ts) && !(ts == TSQLTimeStamp{})) CastError(fType, varDate);
      return SQLTimeStampToDateTime(ts);
    }
    default: {
      double d = AsDouble();
      if (!DateInRange(d)) OverflowError(fType, varDate);
      return d;
    }
  }
}

bool Variant::AsBoolean() const {
  switch (fType) {
    case varEmpty: return false;
    case varBoolean: return std::get<bool>(fValue);
    case varString:
    case varOleStr: {
      std::string s = Trim(AsString());
      if (SameText(s, "True")) return true;
      if (SameText(s, "False")) return false;
      double d = 0;
      if (!TryStrToFloat(s, d)) CastError(fType, varBoolean);
      return d != 0;
    }
    case varFMTBcd: return BcdCompare(std::get<TBcd>(fValue), IntegerToBcd(0)) != 0;
    case varCurrency: return std::get<Currency>(fValue).Val != 0;
    case varUInt64: return std::get<std::uint64_t>(fValue) != 0;
    case varSingle:
    case varDouble:
    case varDate: return std::get<double>(fValue) != 0;
    default:
      if (IsOrdinal()) return std::get<std::int64_t>(fValue) != 0;
      CastError(fType, varBoolean);
  }
}

TBcd Variant::AsBcd() const {
  switch (fType) {
    case varFMTBcd: return std::get<TBcd>(fValue);
    case varCurrency: return CurrencyToBcd(std::get<Currency>(fValue));
    case varUInt64: return StrToBcd(UIntToStr(std::get<std::uint64_t>(fValue)));
    case varString:
    case varOleStr: {
      TBcd b;
      if (!TryStrToBcd(AsString(), b)) CastError(fType, varFMTBcd);
      return b;
    }
    case varSingle:
    case varDouble:
    case varDate:
    case varSQLTimeStamp: {
      double d = AsDouble();
      if (!std::isfinite(d)) CastError(fType, varFMTBcd);
      return DoubleToBcd(d);
    }
    default:
      if (IsOrdinal() || fType == varBoolean || fType == varEmpty) return IntegerToBcd(AsInt64());
      CastError(fType, varFMTBcd);
  }
}

TSQLTimeStamp Variant::AsSQLTimeStamp() const {
  if (fType == varSQLTimeStamp) return std::get<TSQLTimeStamp>(fValue);
  if (fType == varString || fType == varOleStr) {
    TSQLTimeStamp ts;
    if (!TryStrToSQLTimeStamp(AsString(), ts)) CastError(fType, varSQLTimeStamp);
    return ts;
  }
  TDateTime d = AsDateTime();
  if (!DateInRange(d)) OverflowError(fType, varSQLTimeStamp);
  return DateTimeToSQLTimeStamp(d);
}

void* Variant::AsObject() const {
  if (fType == varUnknown) return std::get<void*>(fValue);
  if (fType == varEmpty) return nullptr;
  CastError(fType, varUnknown);
}

Variant Variant::AsType(TVarType kind) const {
  if (kind == varVariant || kind == fType) return *this;
  if (kind == varEmpty) return Variant();
  if (kind == varNull) return Null();
  if (fType == varNull || IsArray() || (kind & varArray)) CastError(fType, kind);
  auto ranged = [&](std::int64_t lo, std::int64_t hi) {
    std::int64_t v = AsInt64();
    if (v < lo || v > hi) OverflowError(fType, kind);
    return VariantAccess::Make(kind, v);
  };
  switch (kind) {
    case varShortInt: return ranged(INT8_MIN, INT8_MAX);
    case varByte: return ranged(0, UINT8_MAX);
    case varSmallint: return ranged(INT16_MIN, INT16_MAX);
    case varWord: return ranged(0, UINT16_MAX);
    case varInteger: return ranged(INT32_MIN, INT32_MAX);
    case varLongWord: return ranged(0, UINT32_MAX);
    case varInt64: return VariantAccess::Make(varInt64, AsInt64());
    case varUInt64: {
      if (fType == varUInt64) return *this;
      std::int64_t v = AsInt64();
      if (v < 0) OverflowError(fType, kind);
      return Variant(static_cast<unsigned long long>(v));
    }
    case varSingle: {
      double d = AsDouble();
      float f = static_cast<float>(d);
      if (std::isfinite(d) && !std::isfinite(f)) OverflowError(fType, kind);
      return Variant(f);
    }
    case varDouble: return Variant(AsDouble());
    case varCurrency: return Variant(AsCurrency());
    case varDate: return FromDate(AsDateTime());
    case varBoolean: return Variant(AsBoolean());
    case varString: return Variant(AsString());
    case varOleStr: return Variant(AsWideString());
    case varFMTBcd: return Variant(AsBcd());
    case varSQLTimeStamp: return Variant(AsSQLTimeStamp());
    case varUnknown: return FromObject(AsObject());
    default: CastError(fType, kind);
  }
}

bool Variant::EqualsWithType(const Variant& other) const {
  if (fType != other.fType) return false;
  if (IsArray()) {
    const ArrayData& x = *std::get<std::shared_ptr<ArrayData>>(fValue);
    const ArrayData& y = *std::get<std::shared_ptr<ArrayData>>(other.fValue);
    if (x.size() != y.size()) return false;
    for (std::size_t i = 0; i < x.size(); ++i)
      if (!x[i].EqualsWithType(y[i])) return false;
    return true;
  }
  switch (fType) {
    case varSingle:
    case varDouble:
    case varDate: {
      double x = std::get<double>(fValue), y = std::get<double>(other.fValue);
      return x == y || (std::isnan(x) && std::isnan(y));
    }
    case varFMTBcd: return BcdCompare(std::get<TBcd>(fValue), std::get<TBcd>(other.fValue)) == 0;
    default: return fValue == other.fValue;
  }
}

// ---- Free functions --------------------------------------------------------------------

bool VarIsNumeric(const Variant& v) { return v.IsNumeric(); }
bool VarIsOrdinal(const Variant& v) { return v.IsOrdinal(); }
bool VarIsFloat(const Variant& v) { return v.IsFloat(); }
bool VarIsStr(const Variant& v) { return v.IsStr(); }
bool VarIsClear(const Variant& v) { return v.IsNull() || v.IsEmpty(); }

Variant VarArrayCreate(int lowBound, int highBound) {
  if (lowBound != 0 || highBound < -1) throw EVariantArrayError("Invalid variant array bounds");
  return Variant::MakeArray(highBound + 1);
}

Variant VarArrayOf(std::initializer_list<Variant> items) { return Variant::MakeArray(items); }
int VarArrayDimCount(const Variant& v) { return v.IsArray() ? 1 : 0; }

int VarArrayLowBound(const Variant& v, int dim) {
  if (dim != 1) throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return v.ArrayLowBound();
}

int VarArrayHighBound(const Variant& v, int dim) {
  if (dim != 1) throw EVariantBadIndexError("Variant or safe array index out of bounds");
  return v.ArrayHighBound();
}

Variant VarAsType(const Variant& v, TVarType kind) { return v.AsType(kind); }
std::string VarToStr(const Variant& v) { return v.IsNull() ? std::string() : v.AsString(); }
std::string VarToStrDef(const Variant& v, const std::string& defaultValue) {
  return v.IsNull() ? defaultValue : v.AsString();
}
WideString VarToWideStr(const Variant& v) { return v.IsNull() ? WideString() : v.AsWideString(); }
TDateTime VarToDateTime(const Variant& v) { return v.AsDateTime(); }
Variant VarFMTBcdCreate(const TBcd& value) { return Variant(value); }
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& value) { return Variant(value); }
Variant VarSQLTimeStampCreate(TDateTime value) { return Variant(DateTimeToSQLTimeStamp(value)); }
TBcd VarToBcd(const Variant& v) { return v.AsBcd(); }
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v) { return v.AsSQLTimeStamp(); }

int VarCompare(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
  if (a.IsArray() || b.IsArray()) {
    if (!a.IsArray() || !b.IsArray()) CastError(a.IsArray() ? b.VarType() : a.VarType(), varArray | varVariant);
    int n = std::min(a.ArrayCount(), b.ArrayCount());
    for (int i = 0; i < n; ++i)
      if (int r = VarCompare(a.GetItem(i), b.GetItem(i))) return r;
    return a.ArrayCount() < b.ArrayCount() ? -1 : a.ArrayCount() > b.ArrayCount() ? 1 : 0;
  }
  if (a.IsEmpty() || b.IsEmpty()) {
    if (a.IsEmpty() && b.IsEmpty()) return 0;
    return a.IsEmpty() ? CompareScalars(EmptyAs(b), b) : CompareScalars(a, EmptyAs(a));
  }
  return CompareScalars(a, b);
}

bool VarSameValue(const Variant& a, const Variant& b) { return VarCompare(a, b) == 0; }

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
  if (a.IsNull() != b.IsNull()) return vrNotEqual;
  int r = VarCompare(a, b);
  return r < 0 ? vrLessThan : r > 0 ? vrGreaterThan : vrEqual;
}

bool operator==(const Variant& a, const Variant& b) { return VarSameValue(a, b); }
bool operator<(const Variant& a, const Variant& b) { return VarCompare(a, b) < 0; }

Variant VarAdd(const Variant& a, const Variant& b) { return AddSub(a, b, Op::Add); }
Variant VarSub(const Variant& a, const Variant& b) { return AddSub(a, b, Op::Sub); }

Variant VarDiv(const Variant& a0, const Variant& b0) {
  if (a0.IsNull() || b0.IsNull()) return Null();
  Variant a = ArithmeticOperand(a0), b = ArithmeticOperand(b0);
  TVarType ta = a.VarType(), tb = b.VarType();
  bool zero = tb == varFMTBcd ? BcdCompare(b.AsBcd(), IntegerToBcd(0)) == 0 : b.AsDouble() == 0;
  if (zero) throw EZeroDivide("Floating point division by zero");
  if (ta == varFMTBcd || tb == varFMTBcd) {
    TBcd r;
    BcdDivide(a.AsBcd(), b.AsBcd(), r);
    return Variant(r);
  }
  if (ta == varCurrency && b.IsOrdinal()) return CurrencyResult(DivRoundEven(a.AsCurrency().Val, IntValue(b)), ta);
  return Variant(a.AsDouble() / b.AsDouble());
}

std::string VarDebugText(const Variant& v) {
  std::string text;
  if (v.IsArray()) {
    text = "[";
    for (int i = 0; i < v.ArrayCount(); ++i) text += (i ? ", " : "") + VarDebugText(v.GetItem(i));
    return text + "]";
  }
  try {
    text = v.IsNull() ? std::string() : v.AsString();
  } catch (const Exception&) {
    text = "?";
  }
  return "var" + KindName(v.VarType()) + (text.empty() ? "" : " " + text);
}
