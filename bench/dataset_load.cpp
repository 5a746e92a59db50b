// A full load of 1,000,000 rows of five columns from the query engine's dataset on the embedded
// engine into the dataset-bound data controller. Prints the engine's fetch alone, fetch plus
// load, and the heap the loaded records take per row against the raw value bytes; the last line
// is the median of the per-pass ratios of fetch and load to the fetch of the same pass (the
// machine may be shared: a ratio of two medians can mislead).
//
//   bench_dataset_load [rows]   (default 1000000; the database is built in a scratch folder)

#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "analyzer/QueryDM.h"
#include "bench/BenchDatabase.h"
#include "data/kcDBData.h"

namespace fs = std::filesystem;

namespace {

const char* SelectText = "SELECT ID, NAME, V, D, N FROM BIG";

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

struct Result {
  double fetch, load;
  std::size_t heap;
};

// The engine fetches every row; then the controller loads them (timed apart).
Result Run(TIBDatabase& db, long expected) {
  Result r{};
  TdmQuery q;
  q.SetDatabase(&db);
  q.PacketRecords = 200;
  q.SetSQL(SelectText);
  auto start = std::chrono::steady_clock::now();
  q.ExecuteSQL();
  r.fetch = Seconds(start);
  if (q.IBDataSet.RecordCount() != expected) throw std::runtime_error("engine fetched too few rows");
  TDataSource source(nullptr);
  std::vector<std::unique_ptr<TObject>> items;
  const std::size_t heapBefore = HeapInUse();
  {
    TkcDBDataController dc(nullptr);
    const char* names[] = {"ID", "NAME", "V", "D", "N"};
    for (int i = 0; i < 5; ++i) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.SetItemFieldName(i, names[i]);
    }
    start = std::chrono::steady_clock::now();
    source.SetDataSet(&q.IBDataSet);
    dc.SetDataSource(&source);
    r.load = Seconds(start);
    r.heap = HeapInUse() - heapBefore;
    if (dc.GetRecordCount() != expected) throw std::runtime_error("controller loaded too few rows");
    dc.SetDataSource(nullptr);
  }
  source.SetDataSet(nullptr);
  q.CommitIfActive();
  return r;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string dir = (fs::temp_directory_path() / ("vt-bench-load-" + std::to_string(getpid()))).string();
  fs::create_directories(dir + "/lock");
  setenv("FIREBIRD_LOCK", (dir + "/lock").c_str(), 1);
  int rc = 0;
  try {
    std::string path = MakeBigTableDatabase(dir, rows);
    TIBDatabase db;
    db.SetDatabaseName(path);
    db.Params().SetValues("user_name", "SYSDBA");
    db.Params().SetValues("lc_ctype", "UTF8");
    db.Open();
    std::vector<double> ratios;
    std::size_t heap = 0;
    for (int pass = 0; pass < 5; ++pass) {
      Result r = Run(db, rows);
      ratios.push_back((r.fetch + r.load) / r.fetch);
      heap = r.heap;
      std::printf("pass %d: fetch %.3f s, load %.3f s\n", pass + 1, r.fetch, r.load);
    }
    db.Close();
    std::sort(ratios.begin(), ratios.end());
    // Raw value bytes per row: INTEGER 4, the text (about 11 bytes), DOUBLE 8, DATE 8, BIGINT 8.
    const double raw = 4 + 11 + 8 + 8 + 8;
    std::printf("heap per loaded row %.1f bytes, raw values %.0f bytes: %.2f (goal <= 2)\n",
                static_cast<double>(heap) / rows, raw, static_cast<double>(heap) / rows / raw);
    std::printf("ratio fetch and load / fetch alone: %.2f (goal <= 1.3)\n", ratios[ratios.size() / 2]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_dataset_load: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
