#pragma once
// The variant: one value of any of the kinds below, with value semantics (arrays are shared and
// copied on write, so copying a variant is cheap).
//
// Rules of comparison and conversion (pinned by the Variant* tests):
// - Strings compare ordinally (byte order of UTF-8, which is code-point order), case-sensitive;
//   a byte string and a wide string compare as UTF-8.
// - A string met with a number is read as a number with the locale decimal separator; met with a
//   date or time stamp it is read as a date-time by the locale formats. Text that does not read
//   raises EVariantTypeCastError (the conversion error, which callers may catch on its own).
// - Boolean True is -1 as a number, False 0. True equals -1 and any non-zero number converts to
//   True, but a Boolean compared with a number compares the numbers: True == 1 is false.
// - Empty behaves as 0, "" or False against the other operand; two Empty values are equal.
//   Empty is not Null.
// - Null equals only Null and sorts before every other value (Empty included) in VarCompare.
// - NaN equals NaN and sorts after Null and before every other number, so that sorting is stable.
// - Arrays compare item by item, then the shorter first; an array met with a scalar raises
//   EVariantTypeCastError.
// - Double -> integer and double -> currency round halves to even; out of range raises
//   EVariantOverflowError (a conversion error).
// - Double -> text: general format, 15 significant digits. Date -> text: the date alone when the
//   time is 0, the time alone when the date is 0 (1899-12-30), else both (short date, long time).
// - Addition (for sums): Null with anything is Null; Empty is 0; integers add exactly (int32,
//   widened to int64 when needed); currency stays currency, a date stays a date, BCD stays BCD,
//   otherwise the sum is a double. Strings are read as numbers (never concatenated).
// - Division: currency / integer stays currency, BCD / number stays BCD, anything else gives a
//   double. Division by zero raises EZeroDivide.

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include "platform/core/FMTBcd.h"
#include "platform/core/SqlTimSt.h"
#include "platform/core/SysUtils.h"

// The framework's kind codes.
using TVarType = std::uint16_t;
constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;  // int16
constexpr TVarType varInteger = 0x0003;   // int32
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;  // wide string (UTF-16)
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;   // "any kind", as a type code only
constexpr TVarType varUnknown = 0x000D;   // an object reference (not owned)
constexpr TVarType varShortInt = 0x0010;  // int8
constexpr TVarType varByte = 0x0011;      // uint8
constexpr TVarType varWord = 0x0012;      // uint16
constexpr TVarType varLongWord = 0x0013;  // uint32
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varUInt64 = 0x0015;
constexpr TVarType varString = 0x0100;        // byte string (UTF-8)
constexpr TVarType varFMTBcd = 0x0110;        // custom kind: TBcd
constexpr TVarType varSQLTimeStamp = 0x0111;  // custom kind: TSQLTimeStamp
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;  // with varVariant: a 1-D array of variants
constexpr TVarType varByRef = 0x4000;  // never set by this type; masked away where tested

VT_DECLARE_EXCEPTION(EVariantError, Exception);
// The conversion error: a value that cannot be converted to the kind asked for.
VT_DECLARE_EXCEPTION(EVariantTypeCastError, EVariantError);  // "Could not convert variant ..."
VT_DECLARE_EXCEPTION(EVariantOverflowError, EVariantTypeCastError);
// Misuse of arrays: not an array, index out of bounds, bad bounds.
VT_DECLARE_EXCEPTION(EVariantArrayError, EVariantError);
VT_DECLARE_EXCEPTION(EVariantBadIndexError, EVariantArrayError);  // "Variant or safe array index out of bounds"
// An operation that the kinds do not support (for example adding objects).
VT_DECLARE_EXCEPTION(EVariantInvalidOpError, EVariantError);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };

class Variant {
public:
  Variant() = default;  // Empty
  Variant(bool v);
  Variant(std::int8_t v);
  Variant(std::uint8_t v);
  Variant(std::int16_t v);
  Variant(std::uint16_t v);
  Variant(int v);
  Variant(unsigned v);
  Variant(long v);                // int32 when it fits, else int64
  Variant(long long v);           // int32 when it fits, else int64
  Variant(unsigned long v);       // uint64
  Variant(unsigned long long v);  // uint64
  Variant(float v);
  Variant(double v);
  Variant(Currency v);
  Variant(const char* v);
  Variant(std::string v);
  Variant(std::string_view v);
  Variant(WideString v);
  Variant(const char16_t* v);
  Variant(const TBcd& v);
  Variant(const TSQLTimeStamp& v);
  Variant(std::nullptr_t) = delete;  // use Null() or Unassigned()

  // Explicit kinds that C++ types cannot tell apart.
  static Variant FromDate(TDateTime value);
  static Variant FromInt64(std::int64_t value);  // always varInt64
  static Variant FromObject(void* object);       // varUnknown
  static Variant MakeNull();
  // A 1-D array [0 .. count-1] of Empty items.
  static Variant MakeArray(int count);
  static Variant MakeArray(std::initializer_list<Variant> items);
  static Variant MakeArray(std::vector<Variant> items);

  // The kind code (varArray | varVariant for arrays).
  TVarType VarType() const { return fType; }
  bool IsEmpty() const { return fType == varEmpty; }
  bool IsNull() const { return fType == varNull; }
  bool IsArray() const { return (fType & varArray) != 0; }
  bool IsNumeric() const;  // integer, floating, currency or BCD kinds (not Boolean)
  bool IsOrdinal() const;  // integer kinds
  bool IsFloat() const;    // single or double
  bool IsStr() const { return fType == varString || fType == varOleStr; }

  // Arrays; EVariantArrayError when this is not an array, EVariantBadIndexError out of bounds.
  int ArrayLowBound() const;
  int ArrayHighBound() const;
  int ArrayCount() const;
  const Variant& GetItem(int index) const;
  void SetItem(int index, Variant value);  // copies a shared array first
  const Variant& operator[](int index) const { return GetItem(index); }

  // Conversions; EVariantTypeCastError (or EVariantOverflowError) when impossible.
  std::string AsString() const;
  // The text of a varString value in place, without a copy; null for every other kind.
  const std::string* StringPtr() const { return fType == varString ? std::get_if<std::string>(&fValue) : nullptr; }
  WideString AsWideString() const;
  int AsInteger() const;
  std::int64_t AsInt64() const;
  double AsDouble() const;
  Currency AsCurrency() const;  // rounded to four decimals
  TDateTime AsDateTime() const;
  bool AsBoolean() const;
  TBcd AsBcd() const;
  TSQLTimeStamp AsSQLTimeStamp() const;
  void* AsObject() const;

  // The value converted to `kind` (Null stays Null for varNull/varVariant; Empty gives the
  // kind's zero value).
  Variant AsType(TVarType kind) const;

  // Same kind and same value (strings by bytes, doubles by bits except NaN equal to NaN).
  bool EqualsWithType(const Variant& other) const;

  friend bool operator==(const Variant& a, const Variant& b);
  friend bool operator<(const Variant& a, const Variant& b);

private:
  using ArrayData = std::vector<Variant>;
  using Payload = std::variant<std::monostate, std::int64_t, std::uint64_t, double, Currency, bool, std::string,
                               WideString, TBcd, TSQLTimeStamp, std::shared_ptr<ArrayData>, void*>;
  TVarType fType = varEmpty;
  Payload fValue;

  friend struct VariantAccess;
};

inline Variant Unassigned() { return Variant(); }
inline Variant Null() { return Variant::MakeNull(); }

// The kind code without the by-reference flag.
inline TVarType VarType(const Variant& v) { return v.VarType(); }
inline bool VarIsNull(const Variant& v) { return v.IsNull(); }
inline bool VarIsEmpty(const Variant& v) { return v.IsEmpty(); }
inline bool VarIsArray(const Variant& v) { return v.IsArray(); }
bool VarIsNumeric(const Variant& v);
bool VarIsOrdinal(const Variant& v);
bool VarIsFloat(const Variant& v);
bool VarIsStr(const Variant& v);
// Null or Empty.
bool VarIsClear(const Variant& v);

Variant VarArrayCreate(int lowBound, int highBound);  // lowBound must be 0
Variant VarArrayOf(std::initializer_list<Variant> items);
int VarArrayDimCount(const Variant& v);  // 1 for arrays, 0 otherwise
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);

Variant VarAsType(const Variant& v, TVarType kind);
// The text of a value, "" for Null (AsString would raise).
std::string VarToStr(const Variant& v);
std::string VarToStrDef(const Variant& v, const std::string& defaultValue);
WideString VarToWideStr(const Variant& v);
TDateTime VarToDateTime(const Variant& v);
Variant VarFMTBcdCreate(const TBcd& value);
Variant VarSQLTimeStampCreate(const TSQLTimeStamp& value);
Variant VarSQLTimeStampCreate(TDateTime value);
TBcd VarToBcd(const Variant& v);
TSQLTimeStamp VarToSQLTimeStamp(const Variant& v);

// <0, 0, >0 by the rules above (a total order for sorting: Null first, NaN next).
int VarCompare(const Variant& a, const Variant& b);
// Equal by the rules above.
bool VarSameValue(const Variant& a, const Variant& b);
// vrNotEqual when one side is Null and the other is not; else by VarCompare.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

Variant VarAdd(const Variant& a, const Variant& b);
Variant VarSub(const Variant& a, const Variant& b);
Variant VarDiv(const Variant& a, const Variant& b);
inline Variant operator+(const Variant& a, const Variant& b) { return VarAdd(a, b); }
inline Variant operator-(const Variant& a, const Variant& b) { return VarSub(a, b); }
inline Variant operator/(const Variant& a, const Variant& b) { return VarDiv(a, b); }
inline bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
inline bool operator>(const Variant& a, const Variant& b) { return b < a; }
inline bool operator<=(const Variant& a, const Variant& b) { return !(b < a); }
inline bool operator>=(const Variant& a, const Variant& b) { return !(a < b); }

// A readable form for test failures, e.g. "varInteger 5".
std::string VarDebugText(const Variant& v);
