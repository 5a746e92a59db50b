// The statement dataset: field definitions from the output columns, rows fetched on demand into
// chunked storage.
#include "platform/ib/IBCustomDataSet.h"

#include <algorithm>
#include <cstring>

#include "platform/core/Utf8.h"

namespace {
constexpr size_t kArenaBlock = 1 << 20;

template <class T>
T Load(const char* P) {
  T v;
  std::memcpy(&v, P, sizeof(T));
  return v;
}

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
  } catch (...) {}
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
  fPlan.clear();
  size_t offset = (n + 7) / 8;
  for (size_t i = 0; i < n; ++i) {
    const TIBColumnDesc& c = fStatement.Column(static_cast<int>(i));
    TColumnPlan plan{TColumnPlan::Fixed, static_cast<std::uint32_t>(offset), 0, FieldTypeOf(c)};
    switch (plan.Type) {
      case ftSmallint:
      case ftInteger:
      case ftLargeint:
      case ftFMTBcd:
      case ftFloat:
      case ftBoolean:
      case ftDate:
      case ftTime:
      case ftDateTime: plan.Size = static_cast<std::uint32_t>(c.Length); break;
      default:
        plan.Kind = c.SQLType == SQL_VARYING || c.IsBlob() ? TColumnPlan::RawText : TColumnPlan::Text;
        plan.Size = sizeof(std::uint64_t);
        break;
    }
    offset += plan.Size;
    fPlan.push_back(plan);
  }
  fRowSize = offset;
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
  while (InternalFetchMore()) {}
  Resync();
}

void TIBDataSet::CloseCursor() {
  fExhausted = true;
  if (fStatement.Open()) fStatement.Close();
}

char* TIBDataSet::RowAt(int Row) const {
  size_t per = static_cast<size_t>(fBufferChunks);
  size_t r = static_cast<size_t>(Row);
  return fRowBlocks[r / per].get() + (r % per) * fRowSize;
}

std::uint64_t TIBDataSet::PutText(std::string_view Text) {
  unsigned char length[10];
  size_t lengthBytes = 0;
  for (std::uint64_t v = Text.size();; v >>= 7) {
    length[lengthBytes++] = static_cast<unsigned char>((v & 0x7F) | (v >= 0x80 ? 0x80 : 0));
    if (v < 0x80) break;
  }
  size_t need = lengthBytes + Text.size();
  if (fArena.empty() || fArenaSize - fArenaUsed < need) {
    size_t size = std::max(kArenaBlock, need);
    fArena.push_back(std::make_unique_for_overwrite<char[]>(size));
    fArenaSize = size;
    fArenaUsed = 0;
  }
  char* at = fArena.back().get() + fArenaUsed;
  std::memcpy(at, length, lengthBytes);
  if (!Text.empty()) std::memcpy(at + lengthBytes, Text.data(), Text.size());
  std::uint64_t place = (static_cast<std::uint64_t>(fArena.size() - 1) << 32) | fArenaUsed;
  fArenaUsed += need;
  return place;
}

std::string_view TIBDataSet::TextAt(std::uint64_t Place) const {
  const auto* at = reinterpret_cast<const unsigned char*>(fArena[Place >> 32].get() + (Place & 0xFFFFFFFFu));
  std::uint64_t length = 0;
  for (int shift = 0;; shift += 7) {
    unsigned char b = *at++;
    length |= static_cast<std::uint64_t>(b & 0x7F) << shift;
    if (!(b & 0x80)) break;
  }
  return {reinterpret_cast<const char*>(at), static_cast<size_t>(length)};
}

void TIBDataSet::StoreCurrentRow() {
  size_t per = static_cast<size_t>(fBufferChunks);
  if (static_cast<size_t>(fRowCount) % per == 0 && static_cast<size_t>(fRowCount) / per >= fRowBlocks.size())
    fRowBlocks.push_back(std::make_unique_for_overwrite<char[]>(per * fRowSize));
  char* row = RowAt(fRowCount);
  std::memset(row, 0, fRowSize);
  for (size_t i = 0; i < fPlan.size(); ++i) {
    const TColumnPlan& plan = fPlan[i];
    TIBValue v = fStatement.Value(static_cast<int>(i));
    if (v.IsNull()) {
      row[i / 8] = static_cast<char>(row[i / 8] | (1 << (i % 8)));
      continue;
    }
    std::string_view bytes = v.Bytes();
    std::uint64_t place = 0;
    switch (plan.Kind) {
      case TColumnPlan::Fixed:
        std::memcpy(row + plan.Offset, bytes.data(), std::min<size_t>(bytes.size(), plan.Size));
        continue;
      case TColumnPlan::RawText:
        // Binary blobs as they are; texts as they are when they are UTF-8 already.
        if (plan.Type == ftBlob || Utf8IsValid(bytes)) {
          place = PutText(bytes);
          break;
        }
        [[fallthrough]];
      case TColumnPlan::Text: place = PutText(v.AsString()); break;
    }
    std::memcpy(row + plan.Offset, &place, sizeof place);
  }
  ++fRowCount;
}

Variant TIBDataSet::InternalGetValue(int Rec, int FieldNo) const {
  if (Rec < 0 || Rec >= fRowCount || FieldNo < 1 || FieldNo > static_cast<int>(fPlan.size())) return Null();
  const char* row = RowAt(Rec);
  size_t i = static_cast<size_t>(FieldNo - 1);
  if (row[i / 8] & (1 << (i % 8))) return Null();
  const TColumnPlan& plan = fPlan[i];
  if (plan.Kind != TColumnPlan::Fixed) {
    std::uint64_t place;
    std::memcpy(&place, row + plan.Offset, sizeof place);
    return String(TextAt(place));
  }
  // The kept bytes are the server's: read them as the fetched value was read.
  const TIBColumnDesc& c = fStatement.Column(FieldNo - 1);
  TIBValue v(&c, row + plan.Offset, plan.Size, false);
  switch (plan.Type) {
    case ftSmallint:
    case ftInteger: return static_cast<int>(v.AsInt64());
    case ftLargeint: return Variant::FromInt64(v.AsInt64());
    case ftFMTBcd: {
      std::int64_t raw = 0;
      if (plan.Size == 2)
        raw = Load<std::int16_t>(row + plan.Offset);
      else if (plan.Size == 4)
        raw = Load<std::int32_t>(row + plan.Offset);
      else if (plan.Size == 8)
        raw = Load<std::int64_t>(row + plan.Offset);
      TFormatSettings fs = FormatSettings;
      fs.DecimalSeparator = '.';
      TBcd b;
      TryStrToBcd(ScaledText(raw, c.Scale), b, fs);
      return VarFMTBcdCreate(b);
    }
    case ftBoolean: return v.AsBoolean();
    case ftFloat: return v.AsDouble();
    case ftDate:
    case ftTime:
    case ftDateTime: return Variant::FromDate(v.AsDateTime());
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
