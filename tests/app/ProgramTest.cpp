// The real program on the Qt shell: first start makes the demo database and remembers it, a
// newcomer connects with OK and runs the sample statement, and the program closes cleanly.
// With VT_SCREENSHOT_DIR set (under a real X server) it saves pictures of the window and its
// dialogs there.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "analyzer/QueryDM.h"
#include "analyzer/ServerConnectionDM.h"
#include "analyzer/Settings.h"
#include "analyzer/ui/DemoDatabase.h"
#include "analyzer/ui/MainForm.h"
#include "app/Program.h"
#include "grid/kcGridDBTableView.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/win/QtShell.h"

namespace fs = std::filesystem;

namespace {
String ShotDir() {
  const char* d = std::getenv("VT_SCREENSHOT_DIR");
  return d ? String(d) : String();
}

void Shot(const String& name) {
  if (ShotDir().empty()) return;
  // The window system shows the picture after some turns of the loop (which waits for it).
  bool due = false;
  TTimer wait(nullptr);
  wait.SetInterval(700);
  wait.SetOnTimer([&](TObject*) { due = true; });
  while (!due) Application->HandleMessage();
  const String cmd = "import -window root '" + ShotDir() + "/" + name + ".png'";
  if (std::system(cmd.c_str()) != 0) ADD_FAILURE() << cmd;
}

// While the next modal dialog runs: its picture, then `close` on it.
void WhenDialogShows(TComponent* owner, const String& name, std::function<void(TCustomForm*)> close) {
  auto* timer = new TTimer(owner);
  timer->SetInterval(300);
  timer->SetOnTimer([timer, name, close](TObject*) {
    TCustomForm* dialog = Screen->ActiveForm();
    if (!dialog || dialog == Application->MainForm()) return;
    timer->SetEnabled(false);
    Shot(name);
    close(dialog);
  });
}

void PressOK(TCustomForm* dialog) { dialog->SetModalResult(mrOk); }

// Real Qt key events posted to the window, as the window system sends them.
void PostCtrlKey(HWND top, const char* key) {
  QtShellPostKey(top, "Key_Control", true);
  QtShellPostKey(top, key, true);
  QtShellPostKey(top, key, false);
  QtShellPostKey(top, "Key_Control", false);
}

struct TFetchSeen {
  int starts = 0, packets = 0, paintsDuring = 0, packetRecords = 0, gridRows = 0;
  bool cancelled = false;
  String panelDuring, rowsAfter, fetchTime, stateAfter, nextRows;
};

// A statement of 1,000,000 rows. At its third packet the window system asks for a repaint and
// the user presses Ctrl+E (refused while fetching), then Ctrl+Q (Cancel); then the next
// statement runs.
void FetchMillionRowsAndCancel(TfrmMain* f, TFetchSeen& seen) {
  const HWND top = f->Handle();
  TdmQuery* q = f->dmQuery;
  const TdmQuery::TQueryEvent pump = q->OnFetchProgress, start = q->OnFetchStart;
  q->OnFetchStart = [&seen, start](TdmQuery* sender) {
    ++seen.starts;
    start(sender);
  };
  q->OnFetchProgress = [&seen, f, top, pump](TdmQuery* sender) {
    if (++seen.packets != 3) return pump(sender);
    const int before = QtShellHostPaintCount(top);
    QtShellPostRepaint(top);
    PostCtrlKey(top, "Key_E");
    PostCtrlKey(top, "Key_Q");
    seen.panelDuring = f->StatusBar->Panels(2)->Text;
    pump(sender);
    seen.paintsDuring = QtShellHostPaintCount(top) - before;
  };
  seen.packetRecords = q->PacketRecords;
  f->memSQL->SetText(
      "SELECT A.ORDER_ID, A.LINE_NO, B.ID, B.NAME FROM ORDER_LINES A CROSS JOIN CUSTOMERS B ROWS 1000000");
  f->actExecuteSQL->Execute();
  q->OnFetchProgress = pump;
  q->OnFetchStart = start;
  Application->ProcessMessages();
  seen.cancelled = q->Cancelled();
  seen.rowsAfter = f->StatusBar->Panels(1)->Text;
  seen.gridRows = f->dbgrdResultsDBTableView1->DataController()->GetRowCount();
  seen.fetchTime = f->edtFetchTime->Text();
  Application->DoIdle();
  const TAction* actions[] = {f->actConnect, f->actDisconnect, f->actPrepare, f->actExecuteSQL, f->actCancelQuery};
  for (int i = 0; i < 5; ++i) seen.stateAfter += actions[i]->Enabled() ? "CDPEX"[i] : '-';
  f->memSQL->SetText("SELECT COUNT(*) FROM CUSTOMERS");
  f->actExecuteSQL->Execute();
  seen.nextRows = f->StatusBar->Panels(1)->Text;
}
}  // namespace

TEST(DbProgram, FirstStartConnectExecuteAndClose) {
  const fs::path root = fs::temp_directory_path() / ("vt-program-" + std::to_string(::getpid()));
  fs::remove_all(root);
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  if (ShotDir().empty()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

  struct {
    String database, rows, firstNode, firstCell, firstValue;
    int treeNodes = 0, bars = 0, fields = 0, columns = 0, gridRows = 0, shownRows = 0;
    bool connected = false;
    String failure;
    TFetchSeen fetch;
  } seen;
  char name[] = "vantorelle";
  char* argv[] = {name, nullptr};
  const int code = RunProgram(1, argv, [&](TfrmMain* f) {
    try {
      Shot("main-start");
      WhenDialogShows(f, "dialog-connect", PressOK);
      f->actConnect->Execute();
      seen.connected = f->dmServerProperties->Connected();
      seen.database = f->dmServerProperties->DatabaseName();
      Shot("main-connected");
      f->actExecuteSQL->Execute();
      seen.rows = f->StatusBar->Panels(1)->Text;
      seen.treeNodes = f->treePlanAnalysis->Items()->Count();
      seen.firstNode = seen.treeNodes ? f->treePlanAnalysis->Items()->GetFirstNode()->Text() : String();
      seen.bars = f->Series1->Count();
      // The grid: a column per field and the rows, the first laid out with the first record.
      TkcGridDBTableView* view = f->dbgrdResultsDBTableView1;
      f->dbgrdResults->Update();
      if (TDataSet* ds = f->DataSource->DataSet()) {
        seen.fields = ds->Fields().Count();
        ds->First();
        seen.firstValue = ds->Fields().Fields(0)->DisplayText();
      }
      seen.columns = view->ColumnCount();
      seen.gridRows = view->DataController()->GetRowCount();
      seen.shownRows = view->TableViewInfo()->PartVisibleRowCount();
      if (seen.shownRows && !view->TableViewInfo()->Rows(0)->Cells.empty())
        seen.firstCell = view->TableViewInfo()->Rows(0)->Cells[0]->Text;
      Shot("main-executed");
      if (!ShotDir().empty() && view->ColumnCount()) {
        // The first column's filter drop-down, then the rows it leaves.
        TkcGridFilterPopup* popup = view->TableController()->FilterPopup();
        popup->Popup(view->Columns(0));
        Shot("grid-filter-popup");
        popup->ApplyValue(popup->ValueList()->FirstValueIndex());
        Shot("grid-filtered");
        view->DataController()->Filter()->Clear();
      }
      f->SetActivePage(1);
      // An index node, for the index panel.
      for (int i = 0; i < f->treePlanAnalysis->Items()->Count(); ++i) {
        TTreeNode* n = f->treePlanAnalysis->Items()->Item(i);
        if (n->Text().rfind("Index: ", 0) == 0) {
          f->treePlanAnalysis->SetSelected(n);
          break;
        }
      }
      Shot("main-plan");
      f->SetActivePage(2);
      Shot("main-statistics");
      f->SetActivePage(0);
      FetchMillionRowsAndCancel(f, seen.fetch);
      if (!ShotDir().empty()) {
        WhenDialogShows(f, "dialog-options", [](TCustomForm* d) { d->SetModalResult(mrCancel); });
        f->actOptions->Execute();
        WhenDialogShows(f, "dialog-about", PressOK);
        f->actHelpAbout->Execute();
        f->memSQL->SetText("SELECT * FROM ORDERS WHERE CUSTOMER_ID = :CUSTOMER AND STATUS = :STATUS");
        WhenDialogShows(f, "dialog-parameters", [](TCustomForm* d) { d->SetModalResult(mrCancel); });
        try {
          f->actExecuteSQL->Execute();
        } catch (EAbort&) {}
      }
    } catch (Exception& e) {
      seen.failure = e.Message();
    }
    f->FileExit1->Execute();
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen.failure, "");
  EXPECT_TRUE(seen.connected);
  EXPECT_EQ(seen.database, DemoDatabaseFileName());
  EXPECT_TRUE(fs::exists(DemoDatabaseFileName()));
  EXPECT_EQ(seen.rows.rfind("Row count: ", 0), 0u) << seen.rows;
  EXPECT_NE(seen.rows, "Row count: 0");
  EXPECT_GE(seen.treeNodes, 5);
  EXPECT_EQ(seen.firstNode.rfind("Query: SELECT P.CATEGORY", 0), 0u) << seen.firstNode;
  EXPECT_GE(seen.bars, 3) << "orders, their lines and products are read";
  EXPECT_GT(seen.fields, 0);
  EXPECT_EQ(seen.columns, seen.fields);
  EXPECT_EQ("Row count: " + std::to_string(seen.gridRows), seen.rows);
  EXPECT_GT(seen.shownRows, 0);
  EXPECT_EQ(seen.firstCell, seen.firstValue);
  // The million-row fetch: what the window system sent during it was handled then.
  const TFetchSeen& fetch = seen.fetch;
  EXPECT_EQ(fetch.starts, 1) << "Ctrl+E during the fetch is refused, not run inside it";
  EXPECT_EQ(fetch.packets, 3) << "Ctrl+Q handled during the fetch stops it before the next packet";
  EXPECT_GT(fetch.paintsDuring, 0) << "the window repainted during the fetch";
  EXPECT_EQ(fetch.panelDuring, "Fetching result set...");
  EXPECT_TRUE(fetch.cancelled);
  EXPECT_EQ(fetch.rowsAfter, "Row count: " + std::to_string(3 * fetch.packetRecords + 1));
  EXPECT_EQ(fetch.gridRows, 3 * fetch.packetRecords + 1);
  EXPECT_NE(fetch.fetchTime.find(" ms."), String::npos) << fetch.fetchTime;
  EXPECT_EQ(fetch.stateAfter, "CDPE-") << "Connect, Disconnect, Prepare, Execute on; Cancel off";
  EXPECT_EQ(fetch.nextRows, "Row count: 1") << "the next statement runs";
  // The settings file remembers the demo database, privately.
  const String settings = GetSettingsFileName();
  TRememberedConnections remembered;
  remembered.LoadFromFile(settings);
  ASSERT_EQ(remembered.Count(), 1);
  EXPECT_EQ(remembered.Items(0).DatabaseName, DemoDatabaseFileName());
  EXPECT_EQ(fs::status(settings).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
  fs::remove_all(root);
}
