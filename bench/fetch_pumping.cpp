// The cost of keeping the window alive during a fetch: 1,000,000 rows fetched by the query engine
// from an embedded database in packets of 200, with the window's pending messages handled after
// each packet (Application->ProcessMessages on the Qt shell, a form with a status bar shown)
// against the same fetch with nothing done between packets. The two run in turn for seven
// rounds (which goes first alternates); the time spent handling messages is shown too (on a
// busy machine the rounds vary more than pumping costs). The last line is the median of the
// per-round ratios.
//
//   bench_fetch_pumping [rows]   (default 1000000; the database is built in a scratch folder)

#include "BenchDatabase.h"
#include "BenchTiming.h"
#include "analyzer/QueryDM.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/win/QtShell.h"

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Seconds spent handling pending messages in the last pumped run, and how many times.
double gPumpSeconds = 0;
int gPumps = 0;

// One run as the window makes it: prepare, open, packets of 200, then the result freed.
void Fetch(TIBDatabase& db, long expected, bool pump) {
  TdmQuery q;
  q.SetDatabase(&db);
  q.PacketRecords = 200;
  gPumpSeconds = 0;
  gPumps = 0;
  if (pump)
    q.OnFetchProgress = [](TdmQuery*) {
      gPumpSeconds += Seconds([] { Application->ProcessMessages(); });
      ++gPumps;
    };
  q.SetSQL("SELECT ID, NAME, V, D, N FROM BIG");
  q.ExecuteSQL();
  if (q.IBDataSet.RecordCount() != expected)
    throw std::runtime_error("fetched " + std::to_string(q.IBDataSet.RecordCount()) + " rows");
  q.CommitIfActive();
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  std::string dir = (fs::temp_directory_path() / ("vt-bench-pump-" + std::to_string(getpid()))).string();
  fs::create_directories(dir + "/lock");
  setenv("FIREBIRD_LOCK", (dir + "/lock").c_str(), 1);
  int rc = 0;
  try {
    std::string path = MakeBigTableDatabase(dir, rows);
    EnsureShellApplication();
    InstallQtShell();
    Application->Initialize();
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 640, 480);
    auto* status = new TStatusBar(form);
    status->SetParent(form);
    status->AddPanel()->Text = "Fetching result set...";
    form->Show();
    Application->ProcessMessages();

    TIBDatabase db;
    db.SetDatabaseName(path);
    db.Params().SetValues("user_name", "SYSDBA");
    db.Params().SetValues("lc_ctype", "UTF8");
    db.Open();
    Fetch(db, rows, false);  // warms the page cache
    std::vector<double> ratios, shares;
    for (int round = 1; round <= 7; ++round) {
      double plain = 0, pumped = 0, inPumps = 0;
      int pumps = 0;
      auto runPumped = [&] {
        pumped = Seconds([&] { Fetch(db, rows, true); });
        inPumps = gPumpSeconds;
        pumps = gPumps;
      };
      if (round % 2) {
        plain = Seconds([&] { Fetch(db, rows, false); });
        runPumped();
      } else {
        runPumped();
        plain = Seconds([&] { Fetch(db, rows, false); });
      }
      ratios.push_back(pumped / plain);
      shares.push_back(inPumps / plain);
      std::printf("round %d: plain fetch %.3f s, pumped fetch %.3f s (%d pumps, %.1f ms in them), ratio %.3f\n",
                  round, plain, pumped, pumps, inPumps * 1000, ratios.back());
    }
    db.Close();
    form->Free();
    RemoveQtShell();
    std::printf("time handling messages / plain fetch (median): %.4f\n", Median(shares));
    std::printf("ratio pumped / plain fetch (median of 7 interleaved rounds' ratios): %.3f (goal at most 1.05)\n",
                Median(ratios));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_fetch_pumping: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
