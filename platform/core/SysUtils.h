#pragma once
// The run-time library's exception classes and basic string types.
// Strings are UTF-8 in std::string; wide strings are UTF-16 in std::u16string.

#include <array>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

using String = std::string;
using AnsiString = std::string;
using WideString = std::u16string;

// Base of every failure the system reports: a message text shown to the user as it stands.
class Exception : public std::exception {
public:
  explicit Exception(std::string message) : fMessage(std::move(message)) {}
  ~Exception() override = default;
  const char* what() const noexcept override { return fMessage.c_str(); }
  const std::string& Message() const { return fMessage; }
  void SetMessage(std::string message) { fMessage = std::move(message); }
  // The most-derived class name, as the framework's ClassName would give it.
  virtual const char* ClassName() const { return "Exception"; }

private:
  std::string fMessage;
};

#define VT_DECLARE_EXCEPTION(Name, Base)                     \
  class Name : public Base {                                 \
  public:                                                    \
    using Base::Base;                                        \
    const char* ClassName() const override { return #Name; } \
  }

// The silent abort: ends an operation without a message (a cancelled dialog, for instance).
class EAbort : public Exception {
public:
  EAbort() : Exception("Operation aborted") {}
  explicit EAbort(std::string message) : Exception(std::move(message)) {}
  const char* ClassName() const override { return "EAbort"; }
};

VT_DECLARE_EXCEPTION(EConvertError, Exception);
VT_DECLARE_EXCEPTION(EListError, Exception);
VT_DECLARE_EXCEPTION(EInvalidOperation, Exception);
VT_DECLARE_EXCEPTION(EInvalidArgument, Exception);
VT_DECLARE_EXCEPTION(EAbstractError, Exception);
VT_DECLARE_EXCEPTION(EInvalidCast, Exception);
VT_DECLARE_EXCEPTION(EOutOfResources, Exception);
VT_DECLARE_EXCEPTION(EOSError, Exception);
VT_DECLARE_EXCEPTION(EStreamError, Exception);
VT_DECLARE_EXCEPTION(EReadError, EStreamError);   // "Stream read error"
VT_DECLARE_EXCEPTION(EWriteError, EStreamError);  // "Stream write error"
VT_DECLARE_EXCEPTION(EFOpenError, EStreamError);
VT_DECLARE_EXCEPTION(EFCreateError, EStreamError);
VT_DECLARE_EXCEPTION(EIntError, Exception);
VT_DECLARE_EXCEPTION(EDivByZero, EIntError);    // "Division by zero"
VT_DECLARE_EXCEPTION(EIntOverflow, EIntError);  // "Integer overflow"
VT_DECLARE_EXCEPTION(EMathError, Exception);
VT_DECLARE_EXCEPTION(EZeroDivide, EMathError);  // "Floating point division by zero"
VT_DECLARE_EXCEPTION(EOverflow, EMathError);    // "Floating point overflow"

// Raises the silent abort.
[[noreturn]] inline void Abort() { throw EAbort(); }

#include "platform/core/DateUtils.h"
#include "platform/core/FormatSettings.h"

// ---- Currency: a fixed-point amount with four decimals, held as amount x 10000 -------------
struct Currency {
  std::int64_t Val = 0;  // the amount times 10000

  constexpr Currency() = default;
  constexpr Currency(int value) : Val(static_cast<std::int64_t>(value) * 10000) {}
  static constexpr Currency FromRaw(std::int64_t raw) {
    Currency c;
    c.Val = raw;
    return c;
  }
  // Rounds to four decimals, halves to even; EConvertError when out of range or not a number.
  static Currency FromDouble(double value);
  static bool TryFromDouble(double value, Currency& result);
  double ToDouble() const { return static_cast<double>(Val) / 10000.0; }

  friend constexpr bool operator==(Currency a, Currency b) { return a.Val == b.Val; }
  friend constexpr auto operator<=>(Currency a, Currency b) { return a.Val <=> b.Val; }
  friend constexpr Currency operator+(Currency a, Currency b) { return FromRaw(a.Val + b.Val); }
  friend constexpr Currency operator-(Currency a, Currency b) { return FromRaw(a.Val - b.Val); }
  constexpr Currency operator-() const { return FromRaw(-Val); }
};

// ---- Rounding (Round, Trunc and Frac are in Math.h) -----------------------------------
// Rounds halves to even; false when the result does not fit 64 bits or value is not a number.
bool TryRound(double value, std::int64_t& result);
double Int(double value);  // the integer part, as a double

// ---- 80-bit extended, the 10-byte x87 layout --------------------------------------------
// Bytes 0-7 hold the 64-bit significand with the explicit integer bit, bytes 8-9 the sign bit
// and the 15-bit exponent (bias 16383), little-endian. The converters do not rely on the
// compiler's long double.
using TExtended80 = std::array<std::uint8_t, 10>;
TExtended80 DoubleToExtended80(double value);
// Rounds to the nearest double (halves to even); out of range gives infinity or zero.
double Extended80ToDouble(const TExtended80& bytes);

// ---- Integers ----------------------------------------------------------------------------
std::string IntToStr(std::int64_t value);
std::string UIntToStr(std::uint64_t value);
// Upper-case hexadecimal, at least `digits` digits. Negative values are shown as 64-bit.
std::string IntToHex(std::int64_t value, int digits);
// Accepts blanks around, a sign, decimal digits or hexadecimal after "$", "0x" or "0X".
// Failures raise EConvertError ("'abc' is not a valid integer value").
int StrToInt(const std::string& text);
int StrToIntDef(const std::string& text, int defaultValue);
bool TryStrToInt(const std::string& text, int& result);
std::int64_t StrToInt64(const std::string& text);
std::int64_t StrToInt64Def(const std::string& text, std::int64_t defaultValue);
bool TryStrToInt64(const std::string& text, std::int64_t& result);
bool TryStrToUInt64(const std::string& text, std::uint64_t& result);

// ---- Floats --------------------------------------------------------------------------------
enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format with 15 significant digits and the locale decimal separator.
std::string FloatToStr(double value);
std::string FloatToStr(double value, const TFormatSettings& settings);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits);
std::string FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& settings);
// The framework's format language: 0 # . , E+ E- e+ e-, "..." and '...' literals, \ before a
// character, and up to three ';' sections (positive;negative;zero). A negative section shows
// the magnitude (put a '-' in it to show a sign).
std::string FormatFloat(const std::string& format, double value);
std::string FormatFloat(const std::string& format, double value, const TFormatSettings& settings);
// Accepts blanks around, a sign, digits with the locale decimal separator and an exponent;
// "INF"/"NAN" are not accepted. Failures raise EConvertError ("'x' is not a valid floating
// point value").
double StrToFloat(const std::string& text);
double StrToFloatDef(const std::string& text, double defaultValue);
bool TryStrToFloat(const std::string& text, double& result);
bool TryStrToFloat(const std::string& text, double& result, const TFormatSettings& settings);

std::string CurrToStr(Currency value);  // general format, locale decimal separator
std::string CurrToStr(Currency value, const TFormatSettings& settings);
std::string CurrToStrF(Currency value, TFloatFormat format, int digits);
Currency StrToCurr(const std::string& text);
Currency StrToCurrDef(const std::string& text, Currency defaultValue);
bool TryStrToCurr(const std::string& text, Currency& result);
bool TryStrToCurr(const std::string& text, Currency& result, const TFormatSettings& settings);

// ---- Format: printf-like --------------------------------------------------------------
// %[index:][-][width][.precision]type with type d u x s f g e n m p and %%; width and precision
// may be '*' (taken from the arguments). Bad formats or arguments raise EConvertError
// ("Format '%s' invalid or incompatible with argument").
class TVarRec {
public:
  enum Kind { vtInt64, vtUInt64, vtDouble, vtString, vtCurrency, vtPointer };
  TVarRec(int v) : fKind(vtInt64), fInt(v) {}
  TVarRec(long v) : fKind(vtInt64), fInt(v) {}
  TVarRec(long long v) : fKind(vtInt64), fInt(v) {}
  TVarRec(unsigned v) : fKind(vtUInt64), fUInt(v) {}
  TVarRec(unsigned long v) : fKind(vtUInt64), fUInt(v) {}
  TVarRec(unsigned long long v) : fKind(vtUInt64), fUInt(v) {}
  TVarRec(double v) : fKind(vtDouble), fDouble(v) {}
  TVarRec(Currency v) : fKind(vtCurrency), fInt(v.Val) {}
  TVarRec(const char* v) : fKind(vtString), fString(v ? v : "") {}
  TVarRec(std::string v) : fKind(vtString), fString(std::move(v)) {}
  TVarRec(std::string_view v) : fKind(vtString), fString(v) {}
  TVarRec(const void* v) : fKind(vtPointer), fUInt(reinterpret_cast<std::uintptr_t>(v)) {}
  Kind kind() const { return fKind; }
  std::int64_t asInt() const { return fInt; }
  std::uint64_t asUInt() const { return fUInt; }
  double asDouble() const { return fDouble; }
  const std::string& asString() const { return fString; }

private:
  Kind fKind;
  std::int64_t fInt = 0;
  std::uint64_t fUInt = 0;
  double fDouble = 0;
  std::string fString;
};
std::string Format(const std::string& format, const std::vector<TVarRec>& args);
std::string Format(const std::string& format, const std::vector<TVarRec>& args, const TFormatSettings& settings);

// ---- Strings -------------------------------------------------------------------------------
// Blanks and control characters (bytes <= ' ') are trimmed.
std::string Trim(const std::string& s);
std::string TrimLeft(const std::string& s);
std::string TrimRight(const std::string& s);
// ASCII letters only.
std::string UpperCase(const std::string& s);
std::string LowerCase(const std::string& s);
// Every Unicode letter; the string is UTF-8.
std::string AnsiUpperCase(const std::string& s);
std::string AnsiLowerCase(const std::string& s);
WideString WideUpperCase(const WideString& s);
WideString WideLowerCase(const WideString& s);
// Ordinal byte comparison (<0, 0, >0); CompareText ignores ASCII case.
int CompareStr(const std::string& a, const std::string& b);
int CompareText(const std::string& a, const std::string& b);
bool SameStr(const std::string& a, const std::string& b);
bool SameText(const std::string& a, const std::string& b);
// Collation of the system locale (case-sensitive / insensitive).
int AnsiCompareStr(const std::string& a, const std::string& b);
int AnsiCompareText(const std::string& a, const std::string& b);
bool AnsiSameStr(const std::string& a, const std::string& b);
bool AnsiSameText(const std::string& a, const std::string& b);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
using TReplaceFlags = int;
// rfIgnoreCase compares with Unicode case folding; the replaced ranges are whole characters.
std::string StringReplace(const std::string& s, const std::string& oldPattern, const std::string& newPattern,
                          TReplaceFlags flags);

// 1-based byte position of sub in s, 0 when absent (or when sub is empty).
int Pos(const std::string& sub, const std::string& s, int offset = 1);
// Bytes [index, index + count) counted from 1, clipped to the string.
std::string Copy(const std::string& s, int index, int count);
// Character counts and copies of UTF-8 text are in Utf8.h (Utf8Length, Utf8Copy).

// 'text' with embedded quotes doubled.
std::string QuotedStr(const std::string& s);
std::string AnsiQuotedStr(const std::string& s, char quote);
// Removes the quotes and undoubles embedded ones when s starts with `quote`; text after the
// closing quote is dropped. Otherwise s is returned unchanged.
std::string AnsiDequotedStr(const std::string& s, char quote);
// Like AnsiDequotedStr but reads from `pos` (0-based) and moves it past the closing quote.
std::string AnsiExtractQuotedStr(const std::string& s, std::size_t& pos, char quote);

// A letter or '_', then letters, digits or '_' (ASCII).
bool IsValidIdent(const std::string& ident, bool allowDots = false);

// ---- File names and files -------------------------------------------------------------
constexpr char PathDelim = '/';
std::string ExtractFileName(const std::string& fileName);
std::string ExtractFilePath(const std::string& fileName);  // with the trailing delimiter
std::string ExtractFileDir(const std::string& fileName);   // without it
std::string ExtractFileExt(const std::string& fileName);   // with the dot, "" when none
std::string ChangeFileExt(const std::string& fileName, const std::string& extension);
std::string IncludeTrailingPathDelimiter(const std::string& path);
std::string ExcludeTrailingPathDelimiter(const std::string& path);
bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& directory);
// Creates the folder and its missing parents; false when that fails.
bool ForceDirectories(const std::string& directory);
bool DeleteFile(const std::string& fileName);
// Copies a regular file. With failIfExists an existing target is never touched (false); the
// copy is created with `rights` (before the umask) and removed again when copying fails.
bool CopyFile(const std::string& existingFileName, const std::string& newFileName, bool failIfExists,
              unsigned rights = 0666);

// ---- Program -------------------------------------------------------------------------------
// The program file's full path for 0, the command-line arguments for 1 .. ParamCount(); ""
// outside that range.
std::string ParamStr(int index);
int ParamCount();
