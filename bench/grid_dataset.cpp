// A SELECT of 1,000,000 rows of five columns on the embedded engine shown in the database table
// view as the main window shows it: after the engine's fetch, the first screen (dataset bound,
// columns made, one load, laid out and painted), a header click that sorts by NAME, and the
// column filter drop-down on D (value list, then a value chosen). The same work is timed on the
// dataset controller alone (load, sort, value list and filter). Five passes (the two orders
// alternate); the ratios grid / controller, medians of the passes' ratios, come last, the worst
// on the last line.
//
//   bench_grid_dataset [rows]   (default 1000000; the database is built in a scratch folder)

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "analyzer/QueryDM.h"
#include "bench/BenchDatabase.h"
#include "bench/BenchTiming.h"
#include "grid/kcGridDBTableView.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace fs = std::filesystem;

namespace {

const char* SelectText = "SELECT ID, NAME, V, D, N FROM BIG";
const char* FieldNames[] = {"ID", "NAME", "V", "D", "N"};

struct Times {
  double load = 0, sort = 0, filter = 0;
};

std::unique_ptr<TdmQuery> Fetch(TIBDatabase& db, long expected) {
  auto q = std::make_unique<TdmQuery>();
  q->SetDatabase(&db);
  q->PacketRecords = 200;
  q->SetSQL(SelectText);
  q->ExecuteSQL();
  if (q->IBDataSet.RecordCount() != expected) throw std::runtime_error("engine fetched too few rows");
  return q;
}

// The first value entry of a column's filter list, applied as the column's condition.
void FilterOnFirstValue(TkcCustomDataController* dc, TObject* AItem, int AItemIndex) {
  std::unique_ptr<TkcDataFilterValueList> list(dc->Filter()->CreateValueList());
  list->Load(AItemIndex, false);
  const TkcFilterValueItem& entry = list->GetItem(list->FirstValueIndex());
  TkcDataFilterCriteria* filter = dc->Filter();
  filter->BeginUpdate();
  filter->SetActive(true);
  filter->RemoveItemByItemLink(AItem);
  filter->AddItem(filter->Root(), AItem, foEqual, entry.Value, entry.DisplayText);
  filter->EndUpdate();
}

Times RunController(TIBDatabase& db, long rows) {
  Times t;
  auto q = Fetch(db, rows);
  TDataSource source(nullptr);
  std::vector<std::unique_ptr<TObject>> items;
  {
    TkcDBDataController dc(nullptr);
    dc.Filter()->SetMaxValueListCount(1000);
    for (int i = 0; i < 5; ++i) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.SetItemFieldName(i, FieldNames[i]);
    }
    t.load = Seconds([&] {
      source.SetDataSet(&q->IBDataSet);
      dc.SetDataSource(&source);
    });
    if (dc.GetRecordCount() != rows) throw std::runtime_error("controller loaded too few rows");
    t.sort = Seconds([&] { dc.SetItemSortOrder(1, soAscending); });
    t.filter = Seconds([&] { FilterOnFirstValue(&dc, items[3].get(), 3); });
    if (dc.GetRowCount() == 0 || dc.GetRowCount() == rows) throw std::runtime_error("filter did not filter");
    dc.SetDataSource(nullptr);
  }
  source.SetDataSet(nullptr);
  q->CommitIfActive();
  return t;
}

Times RunGrid(TTestSession& session, TIBDatabase& db, long rows) {
  Times t;
  auto q = Fetch(db, rows);
  TDataSource source(nullptr);
  {
    TForm form(nullptr);
    form.SetBounds(0, 0, 660, 500);
    auto* grid = new TkcGrid(&form);
    auto* view = CreateGridView<TkcGridDBTableView>(&form);
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(0, 0, 640, 480);
    TkcGridDBDataController* dc = view->DataController();
    dc->SetDataSource(&source);
    dc->Filter()->SetMaxValueListCount(1000);
    form.Show();
    session.ProcessMessages();
    TBitmap bitmap(640, 480);
    TkcCanvas canvas(bitmap.Canvas());
    auto paint = [&] {
      session.ProcessMessages();
      view->Painter()->Paint(&canvas);
    };
    // As the main window does after a run: one reload for the dataset and the new columns.
    t.load = Seconds([&] {
      dc->LockDataReload();
      source.SetDataSet(&q->IBDataSet);
      view->ClearItems();
      dc->CreateAllItems();
      dc->UnlockDataReload();
      paint();
    });
    if (dc->GetRecordCount() != rows || view->ColumnCount() != 5) throw std::runtime_error("grid loaded too few rows");
    TkcGridColumnHeaderViewInfo* header = view->TableViewInfo()->Headers()[1].get();
    POINT p = view->Site()->ClientToScreen(TPoint{header->Bounds.left + 5, header->Bounds.top + 5});
    t.sort = Seconds([&] {
      session.Click(p);
      paint();
    });
    if (view->Columns(1)->SortOrder() != soAscending) throw std::runtime_error("header click did not sort");
    t.filter = Seconds([&] {
      TkcGridFilterPopup* popup = view->TableController()->FilterPopup();
      popup->Popup(view->Columns(3));
      popup->ApplyValue(popup->ValueList()->FirstValueIndex());
      paint();
    });
    if (dc->GetRowCount() == 0 || dc->GetRowCount() == rows) throw std::runtime_error("filter did not filter");
    dc->SetDataSource(nullptr);
  }
  source.SetDataSet(nullptr);
  q->CommitIfActive();
  return t;
}

}  // namespace

int main(int argc, char** argv) {
  long rows = argc > 1 ? std::atol(argv[1]) : 1000000;
  std::string dir = (fs::temp_directory_path() / ("vt-bench-grid-" + std::to_string(getpid()))).string();
  fs::create_directories(dir + "/lock");
  setenv("FIREBIRD_LOCK", (dir + "/lock").c_str(), 1);
  int rc = 0;
  try {
    std::string path = MakeBigTableDatabase(dir, rows);
    TTestSession session;
    SetFontSource(std::make_shared<FixedFontSource>());
    TIBDatabase db;
    db.SetDatabaseName(path);
    db.Params().SetValues("user_name", "SYSDBA");
    db.Params().SetValues("lc_ctype", "UTF8");
    db.Open();
    std::vector<double> c[3], g[3];
    for (int pass = 0; pass < 5; ++pass) {
      Times a = pass % 2 ? RunGrid(session, db, rows) : RunController(db, rows);
      Times b = pass % 2 ? RunController(db, rows) : RunGrid(session, db, rows);
      Times& ctl = pass % 2 ? b : a;
      Times& grd = pass % 2 ? a : b;
      c[0].push_back(ctl.load), c[1].push_back(ctl.sort), c[2].push_back(ctl.filter);
      g[0].push_back(grd.load), g[1].push_back(grd.sort), g[2].push_back(grd.filter);
      std::printf("pass %d: controller load %.3f sort %.3f filter %.3f s; grid first screen %.3f sort %.3f filter %.3f s\n",
                  pass + 1, ctl.load, ctl.sort, ctl.filter, grd.load, grd.sort, grd.filter);
    }
    db.Close();
    SetFontSource(nullptr);
    const char* names[] = {"first screen / load", "header click / sort", "filter drop-down / filter"};
    double worst = 0;
    for (int i = 0; i < 3; ++i) {
      // Each pass's two runs share the machine's state of the moment: their ratio is what counts.
      std::vector<double> ratios;
      for (std::size_t k = 0; k < g[i].size(); ++k) ratios.push_back(g[i][k] / c[i][k]);
      double ratio = Median(ratios);
      worst = std::max(worst, ratio);
      std::printf("%-26s grid %.3f s, controller %.3f s: ratio %.2f (median of the passes' ratios)\n", names[i],
                  Median(g[i]), Median(c[i]), ratio);
    }
    std::printf("worst ratio grid / controller (1.00: the grid adds nothing): %.2f\n", worst);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_grid_dataset: %s\n", e.what());
    rc = 1;
  }
  std::error_code ec;
  fs::remove_all(dir, ec);
  return rc;
}
