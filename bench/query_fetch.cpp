// Fetching 1,000,000 rows of five columns (integer, varchar(30), numeric(18,4), date, double)
// from an embedded database: through the query engine (prepare, open, packets of 200 into the
// dataset's storage, then freeing it all) and through a bare isc_dsql_fetch loop over the same
// statement, interleaved for five rounds; the medians show the engine's own cost. The rows'
// memory kept by the dataset is set against the raw bytes of their values. The last line is
// the ratio to the bare loop.
//
//   bench_query_fetch [rows]   (default 1000000; the database is built in a scratch folder)

#include "analyzer/QueryDM.h"
#include "platform/ib/IBErrors.h"
#include "platform/ib/IBIntf.h"

#include <malloc.h>

#include <unistd.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char* SelectText = "SELECT ID, NAME, AMOUNT, SOLD_ON, V FROM BIG";
constexpr int kColumns = 5;

std::size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::string MakeDatabase(const std::string& dir, long rows) {
  std::string path = dir + "/bench.fdb";
  std::string script = dir + "/bench.isql";
  std::ofstream out(script);
  out << "SET SQL DIALECT 3;\n"
      << "CREATE DATABASE '" << path << "' USER 'SYSDBA' DEFAULT CHARACTER SET UTF8;\n"
      << "CREATE TABLE BIG (ID INTEGER NOT NULL, NAME VARCHAR(30), AMOUNT NUMERIC(18,4), SOLD_ON DATE,"
      << " V DOUBLE PRECISION);\nCOMMIT;\n"
      << "SET TERM ^;\nEXECUTE BLOCK AS DECLARE I INTEGER = 1; BEGIN\n"
      << "  WHILE (I <= " << rows << ") DO BEGIN INSERT INTO BIG VALUES (:I, 'customer ' || :I || ' of '"
      << " || MOD(:I, 97), :I * 1.2345, DATE '2020-01-01' + MOD(:I, 3000), :I * 0.5); I = I + 1; END\n"
      << "END^\nSET TERM ;^\nCOMMIT;\n";
  out.close();
  std::string command = "isql-fb -q -b -i '" + script + "' > '" + dir + "/bench.log' 2>&1";
  if (std::system(command.c_str()) != 0) throw std::runtime_error("isql-fb failed; see " + dir + "/bench.log");
  return path;
}

void Attach(TIBDatabase& db, const std::string& path) {
  db.SetDatabaseName(path);
  db.Params().SetValues("user_name", "SYSDBA");
  db.Params().SetValues("lc_ctype", "UTF8");
  db.Open();
}

// The engine's road: ExecuteSQL on the user-interface thread, fetched in packets of 200, and
// the result freed at the end. Kept reports the heap the fetched rows hold.
double ThroughEngine(TIBDatabase& db, long expected, double& kept) {
  auto start = std::chrono::steady_clock::now();
  auto* q = new TdmQuery;
  q->SetDatabase(&db);
  q->PacketRecords = 200;
  q->SetSQL(SelectText);
  std::size_t heapBefore = HeapInUse();
  q->ExecuteSQL();
  kept = static_cast<double>(HeapInUse() - heapBefore);
  std::printf("  engine: prepare %d ms, execution %d ms, fetch %d ms\n", q->PrepareTime(), q->ExecutionTime(),
              q->FetchTime());
  if (q->IBDataSet.RecordCount() != expected)
    throw std::runtime_error("engine fetched " + std::to_string(q->IBDataSet.RecordCount()) + " rows");
  q->CommitIfActive();
  delete q;
  return Seconds(start);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// The same statement with the client library alone: one buffer per column, fetch until the end.
// Raw reports the bytes of the values themselves (a VARCHAR by its length).
double BareFetch(TIBDatabase& db, long expected, double& raw) {
  const TIBClientLibrary& ib = IBClient();
  TIBTransaction t;
  t.SetDefaultDatabase(&db);
  // The engine's own transaction kind, so that only the engine's work differs.
  for (const char* p : {"read_committed", "rec_version", "nowait"}) t.Params().Add(p);
  t.StartTransaction();
  ISC_STATUS_ARRAY status{};
  auto start = std::chrono::steady_clock::now();
  isc_stmt_handle stmt = 0;
  ib.isc_dsql_allocate_statement(status, db.HandleAddress(), &stmt);
  IBCheck(status);
  std::unique_ptr<char[]> area(new char[XSQLDA_LENGTH(kColumns)]());
  XSQLDA* da = reinterpret_cast<XSQLDA*>(area.get());
  da->version = SQLDA_VERSION1;
  da->sqln = kColumns;
  ib.isc_dsql_prepare(status, t.HandleAddress(), &stmt, 0, SelectText, 3, da);
  IBCheck(status);
  std::vector<std::vector<char>> buffers(static_cast<size_t>(da->sqld));
  std::vector<short> nulls(static_cast<size_t>(da->sqld));
  for (int i = 0; i < da->sqld; ++i) {
    XSQLVAR& v = da->sqlvar[i];
    buffers[static_cast<size_t>(i)].resize(static_cast<size_t>(v.sqllen) + 2);
    v.sqldata = buffers[static_cast<size_t>(i)].data();
    v.sqlind = &nulls[static_cast<size_t>(i)];
  }
  ib.isc_dsql_execute(status, t.HandleAddress(), &stmt, 1, nullptr);
  IBCheck(status);
  long rows = 0;
  long long checksum = 0;
  raw = 0;
  while (ib.isc_dsql_fetch(status, &stmt, 1, da) == 0) {
    ++rows;
    checksum += *reinterpret_cast<const ISC_LONG*>(da->sqlvar[0].sqldata);
    for (int i = 0; i < da->sqld; ++i) {
      const XSQLVAR& v = da->sqlvar[i];
      if ((v.sqltype & ~1) == SQL_VARYING)
        raw += *reinterpret_cast<const unsigned short*>(v.sqldata);
      else
        raw += v.sqllen;
    }
  }
  IBCheck(status);
  ib.isc_dsql_free_statement(status, &stmt, DSQL_drop);
  double s = Seconds(start);
  t.Commit();
  if (rows != expected) throw std::runtime_error("bare loop fetched " + std::to_string(rows) + " rows");
  if (checksum == 0) std::printf("  (empty checksum)\n");
  return s;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string dir = (fs::temp_directory_path() / ("vt-bench-query-" + std::to_string(getpid()))).string();
  fs::create_directories(dir + "/lock");
  setenv("FIREBIRD_LOCK", (dir + "/lock").c_str(), 1);
  int rc = 0;
  try {
    auto built = std::chrono::steady_clock::now();
    std::string path = MakeDatabase(dir, rows);
    std::printf("database of %ld rows built in %.2f s\n", rows, Seconds(built));
    TIBDatabase db;
    Attach(db, path);
    // A first pass warms the page cache for both roads.
    double raw = 0, kept = 0;
    BareFetch(db, rows, raw);
    std::vector<double> engine, bare;
    for (int round = 1; round <= 5; ++round) {
      engine.push_back(ThroughEngine(db, rows, kept));
      bare.push_back(BareFetch(db, rows, raw));
      std::printf("round %d: engine %.3f s, bare isc_dsql_fetch %.3f s\n", round, engine.back(), bare.back());
    }
    double e = Median(engine), b = Median(bare);
    std::printf("medians: engine %.3f s (%.0f rows/s), bare loop %.3f s (%.0f rows/s)\n", e, rows / e, b, rows / b);
    std::printf("memory kept per row: %.1f bytes; raw value bytes per row: %.1f; ratio %.2f (goal 1.5)\n", kept / rows,
                raw / rows, kept / raw);
    std::printf("ratio engine / bare loop (medians of 5 interleaved rounds, freeing included): %.2f (goal 1.1)\n",
                e / b);
    db.Close();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_query_fetch: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
