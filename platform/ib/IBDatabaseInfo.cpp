#include "platform/ib/IBDatabaseInfo.h"

#include "platform/ib/IBErrors.h"

namespace {
std::int64_t Little(const unsigned char* p, int n) {
  std::uint64_t v = 0;
  for (int i = n - 1; i >= 0; --i) v = (v << 8) | p[i];
  if (n < 8 && (p[n - 1] & 0x80)) v |= ~std::uint64_t(0) << (8 * n);  // sign-extend
  return static_cast<std::int64_t>(v);
}
}  // namespace

std::vector<std::pair<int, std::int64_t>> IBParseReadCounts(const char* answer, size_t size, char item) {
  std::vector<std::pair<int, std::int64_t>> counts;
  const auto* p = reinterpret_cast<const unsigned char*>(answer);
  if (size < 3 || static_cast<char>(p[0]) != item) return counts;
  size_t len = static_cast<size_t>(Little(p + 1, 2) & 0xFFFF);
  if (3 + len > size) len = size - 3;
  const unsigned char* body = p + 3;
  // The usual stride is 6 (id + 4-byte count); counts beyond 32 bits widen entries to 10.
  size_t stride = (len % 6 == 0) ? 6 : (len % 10 == 0) ? 10 : 6;
  for (size_t off = 0; off + stride <= len; off += stride) {
    int id = static_cast<int>(Little(body + off, 2) & 0xFFFF);
    counts.emplace_back(id, Little(body + off + 2, static_cast<int>(stride - 2)));
  }
  return counts;
}

std::vector<char> TIBDatabaseInfo::Query(char item) {
  if (!fDatabase) throw EIBClientError("Database not assigned");
  fDatabase->CheckActive();
  const TIBClientLibrary& ib = IBClient();
  // Read again with a larger buffer while the answer says it was cut short.
  for (size_t size = 20480; size <= 20480 * 64; size *= 4) {
    std::vector<char> buffer(size, '\0');
    ISC_STATUS_ARRAY status{};
    ib.isc_database_info(status, fDatabase->HandleAddress(), 1, &item,
                         static_cast<short>(std::min<size_t>(size, 32767)), buffer.data());
    IBCheck(status);
    if (buffer[0] != isc_info_truncated) return buffer;
    if (size >= 32767) return buffer;
  }
  return {};
}

std::vector<std::pair<int, std::int64_t>> TIBDatabaseInfo::ReadCounts(char item) {
  std::vector<char> answer = Query(item);
  return IBParseReadCounts(answer.data(), answer.size(), item);
}

const TStringList& TIBDatabaseInfo::AsLines(char item, TStringList& into) {
  auto counts = ReadCounts(item);
  into.BeginUpdate();
  into.Clear();
  for (const auto& [id, count] : counts) into.Add(std::to_string(id) + "=" + std::to_string(count));
  into.EndUpdate();
  return into;
}

const TStringList& TIBDatabaseInfo::ReadSeqCount() { return AsLines(isc_info_read_seq_count, fSeqCount); }
const TStringList& TIBDatabaseInfo::ReadIdxCount() { return AsLines(isc_info_read_idx_count, fIdxCount); }

void TIBDatabaseInfo::SetDatabase(TIBDatabase* database) {
  if (database == fDatabase) return;
  if (fDatabase) fDatabase->RemoveFreeNotification(this);
  fDatabase = database;
  if (fDatabase) fDatabase->FreeNotification(this);
}

void TIBDatabaseInfo::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fDatabase) fDatabase = nullptr;
}

int TIBDatabaseInfo::DBSQLDialect() {
  std::vector<char> answer = Query(isc_info_db_sql_dialect);
  if (answer.size() < 4 || answer[0] != isc_info_db_sql_dialect) return 1;
  const TIBClientLibrary& ib = IBClient();
  short len = static_cast<short>(ib.isc_vax_integer(answer.data() + 1, 2));
  return static_cast<int>(ib.isc_vax_integer(answer.data() + 3, len));
}
