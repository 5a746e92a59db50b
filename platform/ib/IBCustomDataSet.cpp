// The statement dataset: field definitions from the output columns, rows fetched on demand into
// chunked storage.
#include "platform/ib/IBCustomDataSet.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t kArenaBlock = 1 << 20;

TFieldType FieldTypeOf(const TIBColumnDesc& c) {
  switch (c.SQLType) {
    case SQL_TEXT:
    case SQL_VARYING: return ftString;
    case SQL_BLOB: return c.SubType == 1 ? ftMemo : ftBlob;
    case SQL_SHORT: return c.Scale < 0 ? ftFMTBcd : ftSmallint;
    case SQL_LONG: return c.Scale < 0 ? ftFMTBcd : ftInteger;
    case SQL_INT64: return c.Scale < 0 ? ftFMTBcd : ftLargeint;
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: return ftFloat;
    case SQL_BOOLEAN: return ftBoolean;
    case SQL_TYPE_DATE: return ftDate;
    case SQL_TYPE_TIME: return ftTime;
    case SQL_TIMESTAMP: return ftDateTime;
    default: return ftString;  // shown as text
  }
}

// Bytes per character of a character set id (UTF8 4, UNICODE_FSS 3, others 1).
int BytesPerChar(short charSet) { return charSet == 4 ? 4 : charSet == 3 ? 3 : 1; }

bool IsTextType(TFieldType t) { return t == ftString || t == ftMemo || t == ftBlob; }

// "-12.50" from -1250 and scale -2.
std::string ScaledText(std::int64_t v, int scale) {
  bool neg = v < 0;
  std::uint64_t u = neg ? 0 - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  std::string digits = std::to_string(u);
  size_t decimals = static_cast<size_t>(-scale);
  if (digits.size() <= decimals) digits.insert(0, decimals - digits.size() + 1, '0');
  if (decimals > 0) digits.insert(digits.size() - decimals, 1, '.');
  return neg ? "-" + digits : digits;
}
}  // namespace

TIBDataSet::TIBDataSet(TComponent* AOwner) : TDataSet(AOwner) {}

TIBDataSet::~TIBDataSet() {
  try {
    Close();
  } catch (...) {
  }
}

void TIBDataSet::SetDatabase(TIBDatabase* Value) {
  CheckInactive();
  TIBDatabase* old = fStatement.Database();
  fStatement.SetDatabase(Value);
  IBLinkComponent(this, old, Value);
}

void TIBDataSet::SetTransaction(TIBTransaction* Value) {
  CheckInactive();
  TIBTransaction* old = fStatement.Transaction();
  fStatement.SetTransaction(Value);
  IBLinkComponent(this, old, Value);
}

void TIBDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  TDataSet::Notification(AComponent, Operation);
  // The rows fetched so far stay readable; no more can be fetched.
  if (Operation == opRemove) fStatement.ForgetLink(AComponent);
}

void TIBDataSet::SetSelectSQL(const String& Value) {
  Close();
  fStatement.SetSQL(Value);
}

void TIBDataSet::Prepare() {
  if (!fStatement.Prepared()) fStatement.Prepare();
}

void TIBDataSet::Unprepare() {
  Close();
  fStatement.Unprepare();
}

String TIBDataSet::Plan() {
  Prepare();
  return fStatement.Plan();
}

TIBParam& TIBDataSet::ParamByName(const String& Name) {
  Prepare();
  return fStatement.Params().ByName(Name);
}

void TIBDataSet::ExecSQL() {
  CheckInactive();
  Prepare();
  fStatement.ExecQuery();
  fStatement.Close();
}

void TIBDataSet::InternalInitFieldDefs() {
  Prepare();
  FieldDefs().Clear();
  for (int i = 0; i < fStatement.FieldCount(); ++i) {
    const TIBColumnDesc& c = fStatement.Column(i);
    String name = c.Name.empty() ? "F_" + IntToStr(i + 1) : c.Name;
    for (int n = 1; FieldDefs().IndexOf(name) >= 0; ++n) name = (c.Name.empty() ? "F" : c.Name) + "_" + IntToStr(n);
    TFieldType t = FieldTypeOf(c);
    int size = 0;
    if (t == ftString) size = std::max(1, c.Length / BytesPerChar(c.IsText() ? c.SubType : 0));
    if (t == ftFMTBcd) size = -c.Scale;
    TFieldDef& d = FieldDefs().Add(name, t, size, !c.Nullable);
    d.ReadOnly = true;
    if (t == ftFMTBcd) d.Precision = c.SQLType == SQL_SHORT ? 4 : c.SQLType == SQL_LONG ? 9 : 18;
  }
}

void TIBDataSet::InternalOpen() {
  Prepare();
  size_t n = static_cast<size_t>(fStatement.FieldCount());
  fRowSize = (n + 7) / 8 * 8 + n * sizeof(Slot);
  fRowCount = 0;
  fRowBlocks.clear();
  fArena.clear();
  fArenaUsed = fArenaSize = 0;
  fStatement.ExecQuery();
  bool select = fStatement.SQLType() == SQLSelect || fStatement.SQLType() == SQLSelectForUpdate;
  fExhausted = !select;
  if (!select && fStatement.HasCurrentRow()) StoreCurrentRow();
}

void TIBDataSet::InternalClose() {
  fStatement.Close();
  fRowBlocks.clear();
  fArena.clear();
  fArenaUsed = fArenaSize = 0;
  fRowCount = 0;
  fExhausted = true;
}

bool TIBDataSet::InternalFetchMore() {
  if (fExhausted) return false;
  if (!fStatement.Open() || !fStatement.FetchNext()) {
    fExhausted = true;
    fStatement.Close();
    return false;
  }
  StoreCurrentRow();
  return true;
}

void TIBDataSet::FetchAll() {
  CheckActive();
  while (InternalFetchMore()) {
  }
  Resync();
}

char* TIBDataSet::RowAt(int Row) const {
  size_t per = static_cast<size_t>(fBufferChunks);
  size_t r = static_cast<size_t>(Row);
  return fRowBlocks[r / per].get() + (r % per) * fRowSize;
}

void TIBDataSet::PutText(Slot& s, const std::string& text) {
  s.length = text.size();
  if (text.empty()) {
    s.text.chunk = s.text.offset = 0;
    return;
  }
  if (fArena.empty() || fArenaSize - fArenaUsed < text.size()) {
    size_t size = std::max(kArenaBlock, text.size());
    fArena.push_back(std::make_unique<char[]>(size));
    fArenaSize = size;
    fArenaUsed = 0;
  }
  std::memcpy(fArena.back().get() + fArenaUsed, text.data(), text.size());
  s.text.chunk = static_cast<std::uint32_t>(fArena.size() - 1);
  s.text.offset = static_cast<std::uint32_t>(fArenaUsed);
  fArenaUsed += text.size();
}

void TIBDataSet::StoreCurrentRow() {
  size_t per = static_cast<size_t>(fBufferChunks);
  if (static_cast<size_t>(fRowCount) % per == 0 && static_cast<size_t>(fRowCount) / per >= fRowBlocks.size())
    fRowBlocks.push_back(std::make_unique<char[]>(per * fRowSize));
  char* row = RowAt(fRowCount);
  int n = fStatement.FieldCount();
  Slot* slots = reinterpret_cast<Slot*>(row + (static_cast<size_t>(n) + 7) / 8 * 8);
  for (int i = 0; i < n; ++i) {
    TIBValue v = fStatement.Value(i);
    Slot& s = slots[i];
    s.i = 0;
    s.length = 0;
    row[i] = v.IsNull() ? 1 : 0;
    if (v.IsNull()) continue;
    const TIBColumnDesc& c = v.Desc();
    switch (FieldTypeOf(c)) {
      case ftString:
      case ftMemo: PutText(s, v.AsString()); break;
      case ftBlob: PutText(s, v.AsBytes()); break;
      case ftFMTBcd: {
        std::string raw = v.AsBytes();
        if (raw.size() == 2) s.i = *reinterpret_cast<const std::int16_t*>(raw.data());
        else if (raw.size() == 4) s.i = *reinterpret_cast<const std::int32_t*>(raw.data());
        else if (raw.size() == 8) std::memcpy(&s.i, raw.data(), 8);
        break;
      }
      case ftSmallint:
      case ftInteger:
      case ftLargeint: s.i = v.AsInt64(); break;
      case ftBoolean: s.i = v.AsBoolean() ? 1 : 0; break;
      case ftFloat: s.d = v.AsDouble(); break;
      case ftDate:
      case ftTime:
      case ftDateTime: s.d = v.AsDateTime(); break;
      default: PutText(s, v.AsString()); break;
    }
  }
  ++fRowCount;
}

Variant TIBDataSet::InternalGetValue(int Rec, int FieldNo) const {
  if (Rec < 0 || Rec >= fRowCount || FieldNo < 1 || FieldNo > fStatement.FieldCount()) return Null();
  const char* row = RowAt(Rec);
  int n = fStatement.FieldCount();
  if (row[FieldNo - 1]) return Null();
  const Slot& s = reinterpret_cast<const Slot*>(row + (static_cast<size_t>(n) + 7) / 8 * 8)[FieldNo - 1];
  const TIBColumnDesc& c = fStatement.Column(FieldNo - 1);
  TFieldType t = FieldTypeOf(c);
  if (IsTextType(t) || t == ftString) {
    if (s.length == 0) return String();
    return String(fArena[s.text.chunk].get() + s.text.offset, static_cast<size_t>(s.length));
  }
  switch (t) {
    case ftSmallint:
    case ftInteger: return static_cast<int>(s.i);
    case ftLargeint: return Variant::FromInt64(s.i);
    case ftFMTBcd: {
      TFormatSettings fs = FormatSettings;
      fs.DecimalSeparator = '.';
      TBcd b;
      TryStrToBcd(ScaledText(s.i, c.Scale), b, fs);
      return VarFMTBcdCreate(b);
    }
    case ftBoolean: return s.i != 0;
    case ftFloat: return s.d;
    case ftDate:
    case ftTime:
    case ftDateTime: return Variant::FromDate(s.d);
    default: return Null();
  }
}

String TIBDataSet::InternalGetBookmark(int Rec) const {
  std::int32_t r = Rec;
  String b(sizeof r, '\0');
  std::memcpy(b.data(), &r, sizeof r);
  return b;
}

int TIBDataSet::InternalFindBookmark(const String& Bookmark) const {
  std::int32_t r;
  if (Bookmark.size() != sizeof r) return -1;
  std::memcpy(&r, Bookmark.data(), sizeof r);
  return r >= 0 && r < fRowCount ? r : -1;
}
