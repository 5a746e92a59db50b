#include "platform/ib/IBSQL.h"

#include "platform/core/NumberText.h"
#include "platform/core/Utf8.h"
#include "platform/ib/IBErrors.h"

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {
// Text that is not UTF-8 (a column of no declared set) is taken as Latin-1.
std::string Latin1ToUtf8(const char* p, size_t n) {
  std::string out;
  out.reserve(n * 2);
  for (size_t i = 0; i < n; ++i) Utf8Append(out, static_cast<unsigned char>(p[i]));
  return out;
}

// Bytes per character of the character sets whose text arrives as UTF-8.
int CharacterWidth(short subType) {
  switch (subType & 0xFF) {
    case 3: return 3;  // UNICODE_FSS
    case 4: return 4;  // UTF8
    default: return 1;
  }
}

template <typename T>
T Load(const char* p) {
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

std::string FormatScaled(std::int64_t v, int scale) {
  if (scale >= 0) return std::to_string(v);
  bool negative = v < 0;
  // Magnitude as unsigned, so that the smallest int64 survives.
  std::uint64_t m = negative ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  std::string digits = std::to_string(m);
  size_t places = static_cast<size_t>(-scale);
  if (digits.size() <= places) digits.insert(0, places - digits.size() + 1, '0');
  digits.insert(digits.size() - places, ".");
  return negative ? "-" + digits : digits;
}

std::string FormatDouble(double d) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.15g", d);
  return buffer;
}

// Days between the server's day zero (17 Nov 1858) and the framework's (30 Dec 1899).
constexpr int kDateOffset = 15018;
constexpr double kTimeUnitsPerDay = 864000000.0;

std::string FormatDateTime(TDateTime t, bool date, bool time) {
  // Civil date from days since 1970-01-01 (proleptic Gregorian).
  double whole = std::floor(t);
  long long days = static_cast<long long>(whole) - 25569;
  long long z = days + 719468, era = (z >= 0 ? z : z - 146096) / 146097;
  long long doe = z - era * 146097, yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  long long y = yoe + era * 400, doy = doe - (365 * yoe + yoe / 4 - yoe / 100), mp = (5 * doy + 2) / 153;
  long long d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
  long long ms = std::llround((t - whole) * 86400000.0);
  char buffer[64];
  std::string out;
  if (date) {
    std::snprintf(buffer, sizeof buffer, "%04lld-%02lld-%02lld", y, m, d);
    out = buffer;
  }
  if (time) {
    std::snprintf(buffer, sizeof buffer, "%02lld:%02lld:%02lld", ms / 3600000, ms / 60000 % 60, ms / 1000 % 60);
    if (!out.empty()) out += ' ';
    out += buffer;
  }
  return out;
}

[[noreturn]] void NotAnInteger(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid integer value");
}
[[noreturn]] void NotAFloat(const std::string& text) {
  throw EConvertError("'" + text + "' is not a valid floating point value");
}

bool StoredRange(short sqlType, std::int64_t& lo, std::int64_t& hi) {
  switch (sqlType) {
    case SQL_SHORT: lo = INT16_MIN, hi = INT16_MAX; return true;
    case SQL_LONG: lo = INT32_MIN, hi = INT32_MAX; return true;
    case SQL_INT64: lo = INT64_MIN, hi = INT64_MAX; return true;
    default: return false;
  }
}

// A decimal text of the platform's number form (blanks around, sign, locale separator,
// exponent) as an integer of `places` decimals, exactly; digits beyond them round halves away
// from zero, as the server rounds a text it assigns to a scaled number. False on overflow.
bool ScaledFromText(const std::string& text, int places, std::int64_t& result) {
  std::string plain = Trim(text);
  int exponent = 0;
  if (size_t e = plain.find_first_of("eE"); e != std::string::npos) {
    // The text is well formed: the exponent is a signed run of digits; a huge one only
    // saturates (a zero mantissa stays zero, anything else overflows).
    long long x = 0;
    size_t i = e + 1;
    bool negative = i < plain.size() && plain[i] == '-';
    if (i < plain.size() && (plain[i] == '-' || plain[i] == '+')) ++i;
    for (; i < plain.size(); ++i) x = std::min(x * 10 + (plain[i] - '0'), 100000LL);
    exponent = static_cast<int>(negative ? -x : x);
    plain.resize(e);
  }
  if (char sep = FormatSettings.DecimalSeparator; sep != '.') std::replace(plain.begin(), plain.end(), sep, '.');
  TDecimalText d = DecimalFromPlainText(plain);
  if (d.IsZero()) {
    result = 0;
    return true;
  }
  d.Exponent += exponent;
  RoundDecimalAt(d, places);
  if (d.IsZero()) {
    result = 0;
    return true;
  }
  int wholeDigits = d.Exponent + places;  // digits of the scaled integer
  if (wholeDigits > 19) return false;
  std::string digits = d.Digits;
  digits.resize(static_cast<size_t>(wholeDigits), '0');
  return TryStrToInt64((d.Negative ? "-" : "") + digits, result);
}

TIBColumnDesc Describe(const XSQLVAR& v) {
  TIBColumnDesc d;
  d.Name.assign(v.aliasname, static_cast<size_t>(v.aliasname_length));
  d.FieldName.assign(v.sqlname, static_cast<size_t>(v.sqlname_length));
  d.RelationName.assign(v.relname, static_cast<size_t>(v.relname_length));
  d.SQLType = static_cast<short>(v.sqltype & ~1);
  d.Nullable = (v.sqltype & 1) != 0;
  d.SubType = v.sqlsubtype;
  d.Scale = v.sqlscale;
  d.Length = v.sqllen;
  return d;
}

template <typename T>
void Store(char* out, T v) {
  std::memcpy(out, &v, sizeof v);
}

// Converts a parameter's text to the value its declared type holds and writes it in the type's
// own format to `out` (8 bytes at least). Numbers and truth values only: other types (texts,
// blobs, dates and times) answer false and go to the server as text, whose date and time
// literals we do not try to match. Raises EConvertError when the type cannot take the text.
bool EncodeParamText(const TIBColumnDesc& d, const std::string& text, char* out) {
  switch (d.SQLType) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      std::int64_t lo = 0, hi = 0, v = 0;
      StoredRange(d.SQLType, lo, hi);
      if (d.Scale >= 0) {
        if (!TryStrToInt64(text, v) || v < lo || v > hi) NotAnInteger(text);
      } else {
        double check = 0;
        if (!TryStrToFloat(text, check) || !ScaledFromText(text, -d.Scale, v) || v < lo || v > hi) NotAFloat(text);
      }
      if (d.SQLType == SQL_SHORT)
        Store(out, static_cast<std::int16_t>(v));
      else if (d.SQLType == SQL_LONG)
        Store(out, static_cast<std::int32_t>(v));
      else
        Store(out, v);
      return true;
    }
    case SQL_FLOAT: {
      double v = 0;
      if (!TryStrToFloat(text, v) || std::fabs(v) > FLT_MAX) NotAFloat(text);
      Store(out, static_cast<float>(v));
      return true;
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: Store(out, StrToFloat(text)); return true;
    case SQL_BOOLEAN: {
      // "True" or "False" or a leading part of either in any letter case, or 1 or 0.
      std::string u = UpperCase(Trim(text));
      auto startOf = [&](const char* word) { return !u.empty() && std::string(word).compare(0, u.size(), u) == 0; };
      bool v;
      if (startOf("TRUE") || u == "1")
        v = true;
      else if (startOf("FALSE") || u == "0")
        v = false;
      else
        throw EConvertError("'" + text + "' is not a valid boolean value");
      Store(out, static_cast<unsigned char>(v ? 1 : 0));
      return true;
    }
    default: return false;
  }
}
}  // namespace

// ---- TIBValue ----

std::int64_t TIBValue::ScaledInt() const {
  switch (fDesc->SQLType) {
    case SQL_SHORT: return Load<std::int16_t>(fData);
    case SQL_LONG: return Load<std::int32_t>(fData);
    case SQL_INT64: return Load<std::int64_t>(fData);
    default: return 0;
  }
}

std::string TIBValue::AsString() const {
  if (IsNull()) return {};
  switch (fDesc->SQLType) {
    case SQL_TEXT:
      if (int perChar = CharacterWidth(fDesc->SubType); perChar > 1 && Utf8IsValid(std::string_view(fData, fSize))) {
        // A CHAR(n) of a multi-byte set arrives padded to n times the widest character:
        // keep n characters.
        size_t chars = static_cast<size_t>(fDesc->Length / perChar), end = 0;
        const std::string_view text(fData, fSize);
        for (size_t k = 0; k < chars && end < fSize; ++k) end = Utf8Next(text, end);
        if (std::string(fData + end, fSize - end).find_first_not_of(' ') == std::string::npos)
          return std::string(fData, end);
        return std::string(fData, fSize);
      }
      [[fallthrough]];
    case SQL_VARYING:
    case SQL_BLOB:
      if (Utf8IsValid(std::string_view(fData, fSize))) return std::string(fData, fSize);
      return Latin1ToUtf8(fData, fSize);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: return FormatScaled(ScaledInt(), fDesc->Scale);
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return FormatDouble(AsDouble());
    case SQL_BOOLEAN: return AsBoolean() ? "True" : "False";
    case SQL_TYPE_DATE: return FormatDateTime(AsDateTime(), true, false);
    case SQL_TYPE_TIME: return FormatDateTime(AsDateTime(), false, true);
    case SQL_TIMESTAMP: return FormatDateTime(AsDateTime(), true, true);
    default: return {};
  }
}

std::int64_t TIBValue::AsInt64() const {
  if (IsNull()) return 0;
  switch (fDesc->SQLType) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
      std::int64_t v = ScaledInt();
      for (int s = fDesc->Scale; s < 0; ++s) v /= 10;
      return v;
    }
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return static_cast<std::int64_t>(std::llround(AsDouble()));
    case SQL_BOOLEAN: return AsBoolean() ? 1 : 0;
    case SQL_TEXT:
    case SQL_VARYING: {
      std::string s = AsString();
      try {
        size_t used = 0;
        long long v = std::stoll(s, &used);
        if (s.find_first_not_of(' ', used) == std::string::npos) return v;
      } catch (...) {}
      throw EConvertError("'" + s + "' is not a valid integer value");
    }
    default: throw EConvertError("Invalid type conversion");
  }
}

int TIBValue::AsInteger() const { return static_cast<int>(AsInt64()); }

double TIBValue::AsDouble() const {
  if (IsNull()) return 0;
  switch (fDesc->SQLType) {
    case SQL_FLOAT: return Load<float>(fData);
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return Load<double>(fData);
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: return static_cast<double>(ScaledInt()) * std::pow(10.0, fDesc->Scale);
    case SQL_TEXT:
    case SQL_VARYING: {
      std::string s = AsString();
      try {
        return std::stod(s);
      } catch (...) {
        throw EConvertError("'" + s + "' is not a valid floating point value");
      }
    }
    default: return static_cast<double>(AsInt64());
  }
}

bool TIBValue::AsBoolean() const {
  if (IsNull()) return false;
  if (fDesc->SQLType == SQL_BOOLEAN) return fData[0] != 0;
  return AsInt64() != 0;
}

TDateTime TIBValue::AsDateTime() const {
  if (IsNull()) return 0;
  switch (fDesc->SQLType) {
    case SQL_TYPE_DATE: return Load<ISC_DATE>(fData) - kDateOffset;
    case SQL_TYPE_TIME: return Load<ISC_TIME>(fData) / kTimeUnitsPerDay;
    case SQL_TIMESTAMP: {
      ISC_TIMESTAMP ts = Load<ISC_TIMESTAMP>(fData);
      return ts.timestamp_date - kDateOffset + ts.timestamp_time / kTimeUnitsPerDay;
    }
    default: return AsDouble();
  }
}

// ---- parameters ----

const std::string& TIBParam::Name() const { return fOwner->fSlots[fSlot].name; }
bool TIBParam::IsNull() const { return fOwner->fSlots[fSlot].kind == TIBParams::Kind::Null; }

std::string TIBParam::AsString() const {
  const auto& s = fOwner->fSlots[fSlot];
  switch (s.kind) {
    case TIBParams::Kind::Text: return s.text;
    case TIBParams::Kind::Int64: return std::to_string(s.i);
    case TIBParams::Kind::Double: return FormatDouble(s.d);
    default: return {};
  }
}

void TIBParam::SetAsString(const std::string& value) {
  fOwner->CheckText(fSlot, value);
  auto& s = fOwner->fSlots[fSlot];
  s.kind = TIBParams::Kind::Text;
  s.text = value;
}

void TIBParam::SetAsInt64(std::int64_t value) {
  auto& s = fOwner->fSlots[fSlot];
  s.kind = TIBParams::Kind::Int64;
  s.i = value;
}

void TIBParam::SetAsDouble(double value) {
  auto& s = fOwner->fSlots[fSlot];
  s.kind = TIBParams::Kind::Double;
  s.d = value;
}

void TIBParam::Clear() { fOwner->fSlots[fSlot].kind = TIBParams::Kind::Null; }

TIBParam* TIBParams::FindParam(const std::string& name) {
  for (auto& p : fParams)
    if (SameText(p->Name(), name)) return p.get();
  return nullptr;
}

TIBParam& TIBParams::ByName(const std::string& name) {
  if (TIBParam* p = FindParam(name)) return *p;
  throw EIBClientError("Field \"" + name + "\" not found");
}

void TIBParams::ClearAll() {
  for (auto& s : fSlots) s.kind = Kind::Null;
}

// Every place of the name must take the text, each as its own type.
void TIBParams::CheckText(size_t slot, const std::string& value) const {
  char scratch[16];
  for (size_t p = 0; p < fParams.size(); ++p)
    if (fParams[p]->fSlot == slot) EncodeParamText(fDescs[p], value, scratch);
}

void TIBParams::Reset(const std::vector<std::string>& names, std::vector<TIBColumnDesc> descs) {
  fSlots.clear();
  fParams.clear();
  descs.resize(names.size());
  fDescs = std::move(descs);
  for (const std::string& name : names) {
    size_t slot = fSlots.size();
    for (size_t i = 0; i < fSlots.size(); ++i)
      if (SameText(fSlots[i].name, name)) slot = i;
    if (slot == fSlots.size()) {
      Slot fresh;
      fresh.name = name;
      fSlots.push_back(std::move(fresh));
    }
    auto p = std::make_unique<TIBParam>();
    p->fOwner = this;
    p->fSlot = slot;
    fParams.push_back(std::move(p));
  }
}

std::string IBPreprocessSQL(const std::string& sql, std::vector<std::string>& names) {
  names.clear();
  std::string out;
  out.reserve(sql.size());
  auto identChar = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$'; };
  size_t i = 0, n = sql.size();
  int unnamed = 0;
  while (i < n) {
    char c = sql[i];
    if (c == '\'' || c == '"') {  // string or quoted name, doubled quotes inside
      size_t j = i + 1;
      while (j < n) {
        if (sql[j] == c) {
          if (j + 1 < n && sql[j + 1] == c) {
            j += 2;
            continue;
          }
          break;
        }
        ++j;
      }
      j = std::min(j + 1, n);
      out.append(sql, i, j - i);
      i = j;
    } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
      size_t j = sql.find('\n', i);
      j = j == std::string::npos ? n : j;
      out.append(sql, i, j - i);
      i = j;
    } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
      size_t j = sql.find("*/", i + 2);
      j = j == std::string::npos ? n : j + 2;
      out.append(sql, i, j - i);
      i = j;
    } else if (identChar(c)) {
      size_t j = i;
      while (j < n && identChar(sql[j])) ++j;
      std::string word = sql.substr(i, j - i);
      out += word;
      i = j;
      if (UpperCase(word) == "BEGIN") {  // a procedure body: its ":name" are variables
        out.append(sql, i, n - i);
        break;
      }
    } else if (c == '?') {
      names.push_back("PARAM_" + std::to_string(++unnamed));
      out += '?';
      ++i;
    } else if (c == ':' && i + 1 < n && (identChar(sql[i + 1]) || sql[i + 1] == '"')) {
      size_t j = i + 1;
      std::string name;
      if (sql[j] == '"') {
        size_t e = sql.find('"', j + 1);
        e = e == std::string::npos ? n : e;
        name = sql.substr(j + 1, e - j - 1);
        j = std::min(e + 1, n);
      } else {
        while (j < n && identChar(sql[j])) ++j;
        name = sql.substr(i + 1, j - i - 1);
      }
      names.push_back(name);
      out += '?';
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

// ---- TIBStatement ----

struct TIBStatement::Sqlda {
  std::vector<char> raw;
  std::vector<char> data;
  std::vector<short> nulls;
  explicit Sqlda(int n) : raw(XSQLDA_LENGTH(std::max(n, 1)), 0) {
    da()->version = SQLDA_VERSION1;
    da()->sqln = static_cast<ISC_SHORT>(std::max(n, 1));
  }
  XSQLDA* da() { return reinterpret_cast<XSQLDA*>(raw.data()); }
  XSQLVAR& var(int i) { return da()->sqlvar[i]; }
  // Gives every column a buffer of its described size.
  void AllocateBuffers() {
    int n = da()->sqld;
    size_t total = 0;
    std::vector<size_t> offsets(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
      XSQLVAR& v = var(i);
      size_t size = static_cast<size_t>(v.sqllen) + ((v.sqltype & ~1) == SQL_VARYING ? 2 : 0);
      offsets[static_cast<size_t>(i)] = total;
      total += (size + 7) & ~size_t(7);
    }
    data.assign(total + 8, 0);
    nulls.assign(static_cast<size_t>(n), 0);
    for (int i = 0; i < n; ++i) {
      var(i).sqldata = data.data() + offsets[static_cast<size_t>(i)];
      var(i).sqlind = &nulls[static_cast<size_t>(i)];
    }
  }
};

TIBStatement::TIBStatement() = default;

TIBStatement::~TIBStatement() {
  try {
    Unprepare();
  } catch (...) {}
  if (fDatabase) fDatabase->RemoveClient(this);
  if (fTransaction) fTransaction->RemoveClient(this);
}

void TIBStatement::SetDatabase(TIBDatabase* database) {
  if (database == fDatabase) return;
  Unprepare();
  if (fDatabase) fDatabase->RemoveClient(this);
  fDatabase = database;
  if (fDatabase) fDatabase->AddClient(this);
}

void TIBStatement::SetTransaction(TIBTransaction* transaction) {
  if (transaction == fTransaction) return;
  Close();
  if (fTransaction) fTransaction->RemoveClient(this);
  fTransaction = transaction;
  if (fTransaction) fTransaction->AddClient(this);
}

void TIBStatement::SetSQL(const std::string& sql) {
  Unprepare();
  fSQL = sql;
}

void TIBStatement::CheckPrepared() const {
  if (!fHandle) throw EIBClientError("Statement not prepared");
}

void TIBStatement::Prepare() {
  Unprepare();
  if (!fDatabase) throw EIBClientError("Database not assigned");
  if (!fTransaction) throw EIBClientError("Transaction not assigned");
  fDatabase->CheckActive();
  fTransaction->CheckInTransaction();
  if (fSQL.find_first_not_of(" \t\r\n") == std::string::npos) throw EIBClientError("Empty query");
  std::vector<std::string> names;
  fProcessedSQL = IBPreprocessSQL(fSQL, names);
  const TIBClientLibrary& ib = IBClient();
  TIBCallGuard guard(fTransaction);
  ISC_STATUS_ARRAY status{};
  isc_stmt_handle handle = 0;
  ib.isc_dsql_allocate_statement(status, fDatabase->HandleAddress(), &handle);
  IBCheck(status);
  fHandle = handle;
  try {
    auto out = std::make_unique<Sqlda>(1);
    unsigned short dialect = static_cast<unsigned short>(fDatabase->SQLDialect());
    ib.isc_dsql_prepare(status, fTransaction->HandleAddress(), &fHandle, 0, fProcessedSQL.c_str(), dialect, out->da());
    IBCheck(status);
    fType = static_cast<TIBSQLTypes>(InfoInt(isc_info_sql_stmt_type));
    int columns = out->da()->sqld;
    if (columns > out->da()->sqln) {
      out = std::make_unique<Sqlda>(columns);
      ib.isc_dsql_describe(status, &fHandle, 1, out->da());
      IBCheck(status);
    }
    out->AllocateBuffers();
    fColumns.clear();
    for (int i = 0; i < columns; ++i) fColumns.push_back(Describe(out->var(i)));
    fOut = std::move(out);
    auto in = std::make_unique<Sqlda>(static_cast<int>(names.size()));
    ib.isc_dsql_describe_bind(status, &fHandle, 1, in->da());
    IBCheck(status);
    if (in->da()->sqld > in->da()->sqln) {
      in = std::make_unique<Sqlda>(in->da()->sqld);
      ib.isc_dsql_describe_bind(status, &fHandle, 1, in->da());
      IBCheck(status);
    }
    // The server counts the placeholders; a name list of another length would misbind.
    names.resize(static_cast<size_t>(in->da()->sqld));
    for (size_t k = 0; k < names.size(); ++k)
      if (names[k].empty()) names[k] = "PARAM_" + std::to_string(k + 1);
    in->AllocateBuffers();
    std::vector<TIBColumnDesc> descs;
    for (int i = 0; i < in->da()->sqld; ++i) descs.push_back(Describe(in->var(i)));
    fInDescribed.assign(in->da()->sqlvar, in->da()->sqlvar + in->da()->sqld);
    fIn = std::move(in);
    fParams.Reset(names, std::move(descs));
  } catch (...) {
    Unprepare();
    throw;
  }
}

void TIBStatement::Unprepare() {
  fCursorOpen = false;
  fHasRow = false;
  if (fHandle) {
    ISC_STATUS_ARRAY status{};
    IBClient().isc_dsql_free_statement(status, &fHandle, DSQL_drop);
    fHandle = 0;
  }
  fType = SQLUnknown;
  fColumns.clear();
  fOut.reset();
  fIn.reset();
  fInDescribed.clear();
  fBlobs.clear();
}

ISC_LONG TIBStatement::InfoInt(char item) {
  const TIBClientLibrary& ib = IBClient();
  ISC_STATUS_ARRAY status{};
  char answer[16] = {};
  ib.isc_dsql_sql_info(status, &fHandle, 1, &item, sizeof answer, answer);
  IBCheck(status);
  if (answer[0] != item) return 0;
  short len = static_cast<short>(ib.isc_vax_integer(answer + 1, 2));
  return ib.isc_vax_integer(answer + 3, len);
}

std::string TIBStatement::Plan() {
  CheckPrepared();
  switch (fType) {
    case SQLSelect:
    case SQLUpdate:
    case SQLDelete:
    case SQLSelectForUpdate:
    case SQLInsert:
    case SQLExecProcedure: break;  // INSERT…SELECT, MERGE, RETURNING have plans too
    default: return {};
  }
  const TIBClientLibrary& ib = IBClient();
  TIBCallGuard guard(fTransaction);
  std::vector<char> buffer(16385, '\0');
  char item = isc_info_sql_get_plan;
  ISC_STATUS_ARRAY status{};
  ib.isc_dsql_sql_info(status, &fHandle, 1, &item, static_cast<short>(buffer.size()), buffer.data());
  IBCheck(status);
  if (buffer[0] != isc_info_sql_get_plan) throw EIBPlanError("Unable to retrieve the PLAN of the statement");
  size_t len = static_cast<unsigned short>(ib.isc_vax_integer(buffer.data() + 1, 2));
  len = std::min(len, buffer.size() - 3);
  std::string plan(buffer.data() + 3, len);
  size_t b = plan.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) return {};
  size_t e = plan.find_last_not_of(" \t\r\n");
  return plan.substr(b, e - b + 1);
}

void TIBStatement::BindParams() {
  for (int i = 0; i < fIn->da()->sqld; ++i) {
    XSQLVAR& v = fIn->var(i);
    v = fInDescribed[static_cast<size_t>(i)];  // each run starts from the described type and buffer
    TIBParams::Slot& s = fParams.fSlots[fParams.fParams[static_cast<size_t>(i)]->fSlot];
    short declared = static_cast<short>(v.sqltype & ~1);
    short& indicator = fIn->nulls[static_cast<size_t>(i)];
    indicator = 0;
    v.sqltype = static_cast<ISC_SHORT>(declared | 1);
    // Texts of numbers and truth values go converted in the parameter's own type (they were
    // checked when set); other values go as text or as a number, and the server converts them.
    switch (s.kind) {
      case TIBParams::Kind::Null: indicator = -1; break;
      case TIBParams::Kind::Text:
        if (EncodeParamText(fParams.fDescs[static_cast<size_t>(i)], s.text, v.sqldata)) break;
        if (declared != SQL_TEXT && declared != SQL_VARYING && declared != SQL_BLOB) v.sqlsubtype = 0;
        v.sqltype = SQL_TEXT | 1;
        v.sqlscale = 0;
        v.sqllen = static_cast<ISC_SHORT>(std::min<size_t>(s.text.size(), 32767));
        v.sqldata = s.text.data();
        break;
      case TIBParams::Kind::Int64:
        v.sqltype = SQL_INT64 | 1;
        v.sqlscale = 0;
        v.sqllen = sizeof(std::int64_t);
        v.sqldata = reinterpret_cast<char*>(&s.i);
        break;
      case TIBParams::Kind::Double:
        v.sqltype = SQL_DOUBLE | 1;
        v.sqlscale = 0;
        v.sqllen = sizeof(double);
        v.sqldata = reinterpret_cast<char*>(&s.d);
        break;
    }
    v.sqlind = &indicator;
  }
}

void TIBStatement::ExecQuery() {
  CheckPrepared();
  Close();
  fTransaction->CheckInTransaction();
  const TIBClientLibrary& ib = IBClient();
  TIBCallGuard guard(fTransaction);
  BindParams();
  ISC_STATUS_ARRAY status{};
  XSQLDA* in = fIn->da()->sqld > 0 ? fIn->da() : nullptr;
  if (fType == SQLSelect || fType == SQLSelectForUpdate) {
    ib.isc_dsql_execute(status, fTransaction->HandleAddress(), &fHandle, 1, in);
    IBCheck(status);
    fCursorOpen = true;
  } else {
    XSQLDA* out = fOut->da()->sqld > 0 ? fOut->da() : nullptr;
    ib.isc_dsql_execute2(status, fTransaction->HandleAddress(), &fHandle, 1, in, out);
    IBCheck(status);
    if (out) AfterRowFetched();
  }
}

bool TIBStatement::FetchNext() {
  if (!fCursorOpen) return false;
  TIBCallGuard guard(fTransaction);
  ISC_STATUS_ARRAY status{};
  ISC_STATUS rc = IBClient().isc_dsql_fetch(status, &fHandle, 1, fOut->da());
  if (rc == 100) {
    fHasRow = false;
    return false;
  }
  IBCheck(status);
  AfterRowFetched();
  return true;
}

void TIBStatement::AfterRowFetched() {
  fHasRow = true;
  // Only blob columns hold anything here: the others are read from the row's own buffers.
  fBlobs.resize(fColumns.size());
  for (size_t i = 0; i < fColumns.size(); ++i) {
    if (!fColumns[i].IsBlob()) continue;
    if (fOut->nulls[i] >= 0)
      fBlobs[i] = ReadBlob(Load<ISC_QUAD>(fOut->var(static_cast<int>(i)).sqldata));
    else
      fBlobs[i].clear();
  }
}

std::string TIBStatement::ReadBlob(const ISC_QUAD& id) {
  const TIBClientLibrary& ib = IBClient();
  ISC_STATUS_ARRAY status{};
  isc_blob_handle blob = 0;
  ISC_QUAD quad = id;
  ib.isc_open_blob2(status, fDatabase->HandleAddress(), fTransaction->HandleAddress(), &blob, &quad, 0, nullptr);
  IBCheck(status);
  std::string content;
  char buffer[32768];
  for (;;) {
    unsigned short got = 0;
    ISC_STATUS rc = ib.isc_get_segment(status, &blob, &got, sizeof buffer, buffer);
    if (rc == 0 || rc == isc_segment) {
      content.append(buffer, got);
      continue;
    }
    if (rc == isc_segstr_eof) break;
    ISC_STATUS_ARRAY ignored{};
    ib.isc_close_blob(ignored, &blob);
    IBCheck(status);
  }
  ib.isc_close_blob(status, &blob);
  return content;
}

void TIBStatement::Close() {
  fHasRow = false;
  if (!fCursorOpen) return;
  fCursorOpen = false;
  ISC_STATUS_ARRAY status{};
  IBClient().isc_dsql_free_statement(status, &fHandle, DSQL_close);
}

int TIBStatement::RowsAffected() {
  // UPDATE OR INSERT and MERGE are typed as inserts but also update and delete: every statement
  // that changes rows counts all three kinds (a plain one has only its own kind).
  if (fType != SQLInsert && fType != SQLUpdate && fType != SQLDelete) return -1;
  CheckPrepared();
  const TIBClientLibrary& ib = IBClient();
  char item = isc_info_sql_records;
  char answer[128] = {};
  ISC_STATUS_ARRAY status{};
  ib.isc_dsql_sql_info(status, &fHandle, 1, &item, sizeof answer, answer);
  IBCheck(status);
  if (answer[0] != isc_info_sql_records) return -1;
  int total = static_cast<int>(ib.isc_vax_integer(answer + 1, 2));
  const char* p = answer + 3;
  const char* end = answer + std::min<int>(3 + total, sizeof answer);
  std::int64_t rows = 0;
  while (p + 3 <= end && *p != isc_info_end) {
    int code = static_cast<unsigned char>(*p);
    int len = static_cast<int>(ib.isc_vax_integer(p + 1, 2));
    if (p + 3 + len > end) break;
    if (code == isc_info_req_insert_count || code == isc_info_req_update_count || code == isc_info_req_delete_count)
      rows += ib.isc_vax_integer(p + 3, static_cast<short>(len));
    p += 3 + len;
  }
  return static_cast<int>(std::min<std::int64_t>(rows, INT_MAX));
}

int TIBStatement::FieldIndex(const std::string& name) const {
  for (size_t i = 0; i < fColumns.size(); ++i)
    if (SameText(fColumns[i].Name, name)) return static_cast<int>(i);
  return -1;
}

TIBValue TIBStatement::Value(int i) const {
  if (!fHasRow) throw EIBClientError("No current record");
  const TIBColumnDesc& d = fColumns.at(static_cast<size_t>(i));
  XSQLVAR& v = fOut->var(i);
  bool isNull = fOut->nulls[static_cast<size_t>(i)] < 0;
  if (d.IsBlob()) {
    const std::string& b = fBlobs[static_cast<size_t>(i)];
    return TIBValue(&d, b.data(), b.size(), isNull);
  }
  if (d.SQLType == SQL_VARYING) {
    unsigned short len = Load<unsigned short>(v.sqldata);
    return TIBValue(&d, v.sqldata + 2, len, isNull);
  }
  return TIBValue(&d, v.sqldata, static_cast<size_t>(v.sqllen), isNull);
}

void TIBStatement::DatabaseClosing(bool force) {
  if (force) {
    // The handles die with the attachment; no server call on a broken connection.
    fHandle = 0;
  }
  Unprepare();
}

void TIBStatement::ForgetLink(const TComponent* gone) {
  if (!gone) return;
  if (gone == fTransaction) {
    fCursorOpen = false;
    fHasRow = false;
    fTransaction = nullptr;
  }
  if (gone == fDatabase) {
    fHandle = 0;
    Unprepare();
    fDatabase = nullptr;
  }
}

// Keeps free notification on the statement's database and transaction in step with its links.
void IBLinkComponent(TComponent* self, TComponent* oldLink, TComponent* newLink) {
  if (oldLink == newLink) return;
  if (oldLink) oldLink->RemoveFreeNotification(self);
  if (newLink) newLink->FreeNotification(self);
}

// ---- TIBSQL ----

void TIBSQL::SetDatabase(TIBDatabase* d) {
  TIBDatabase* old = Database();
  fStatement.SetDatabase(d);
  IBLinkComponent(this, old, d);
}

void TIBSQL::SetTransaction(TIBTransaction* t) {
  TIBTransaction* old = Transaction();
  fStatement.SetTransaction(t);
  fEof = true;
  IBLinkComponent(this, old, t);
}

void TIBSQL::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove) fStatement.ForgetLink(AComponent);
}

void TIBSQL::ExecQuery() {
  Prepare();
  fStatement.ExecQuery();
  fEof = true;
  if (fStatement.Open()) fEof = !fStatement.FetchNext();
}

void TIBSQL::Next() {
  if (!fEof) fEof = !fStatement.FetchNext();
}

TIBSQLField TIBSQL::FieldByName(const std::string& name) const {
  int i = fStatement.FieldIndex(name);
  if (i < 0) throw EIBClientError("Field \"" + name + "\" not found");
  return fStatement.Value(i);
}
