#pragma once
// Information about an attachment: the per-relation read counters and the database's dialect.

#include "platform/ib/IBDatabase.h"

#include <cstdint>
#include <utility>
#include <vector>

class TIBDatabaseInfo {
public:
  TIBDatabase* Database() const { return fDatabase; }
  void SetDatabase(TIBDatabase* database) { fDatabase = database; }

  // Cumulative reads of this attachment, one (relation id, count) per relation with reads.
  std::vector<std::pair<int, std::int64_t>> ReadCounts(char item);
  // The same as "id=count" lines: items 23 (sequential) and 24 (indexed).
  TIBParamList ReadSeqCount();
  TIBParamList ReadIdxCount();
  int DBSQLDialect();

private:
  std::vector<char> Query(char item);
  TIBDatabase* fDatabase = nullptr;
};

// Parses the answer to a read-counter item: entries of a 2-byte relation id and a count of 4
// bytes (8 bytes for counts beyond 32 bits). Exposed for tests of odd answers.
std::vector<std::pair<int, std::int64_t>> IBParseReadCounts(const char* answer, size_t size, char item);
