#pragma once
// Information about an attachment: the per-relation read counters and the database's dialect.

#include "platform/ib/IBDatabase.h"

#include <cstdint>
#include <utility>
#include <vector>

class TIBDatabaseInfo : public TComponent {
  VT_CLASS(TIBDatabaseInfo, TComponent)
public:
  explicit TIBDatabaseInfo(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  TIBDatabase* Database() const { return fDatabase; }
  void SetDatabase(TIBDatabase* database);

  // Cumulative reads of this attachment, one (relation id, count) per relation with reads.
  std::vector<std::pair<int, std::int64_t>> ReadCounts(char item);
  // The same as "id=count" lines: items 23 (sequential) and 24 (indexed). The list belongs to
  // the component and is read again on every call.
  const TStringList& ReadSeqCount();
  const TStringList& ReadIdxCount();
  int DBSQLDialect();

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::vector<char> Query(char item);
  const TStringList& AsLines(char item, TStringList& into);
  TIBDatabase* fDatabase = nullptr;
  TStringList fSeqCount;
  TStringList fIdxCount;
};

// Parses the answer to a read-counter item: entries of a 2-byte relation id and a count of 4
// bytes (8 bytes for counts beyond 32 bits). Exposed for tests of odd answers.
std::vector<std::pair<int, std::int64_t>> IBParseReadCounts(const char* answer, size_t size, char item);
