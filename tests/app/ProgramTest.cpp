// The real program on the Qt shell: first start makes the demo database and remembers it, a
// newcomer connects with OK and runs the sample statement, and the program closes cleanly.
// With VT_SCREENSHOT_DIR set (under a real X server) it saves pictures of the window and its
// dialogs there.

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include <unistd.h>

#include "analyzer/QueryDM.h"
#include "analyzer/ServerConnectionDM.h"
#include "analyzer/Settings.h"
#include "analyzer/ui/DemoDatabase.h"
#include "analyzer/ui/MainForm.h"
#include "analyzer/ui/OptionsDialog.h"
#include "app/Program.h"
#include "editors/kcTextEditViewInfo.h"
#include "grid/kcGridDBTableView.h"
#include "grid/kcGridPopups.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableViewInfo.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/gdi/Printers.h"
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

// A fresh user: settings, data and home folders of its own below `root` (the home without a
// documents folder).
void FreshUser(const fs::path& root) {
  fs::remove_all(root);
  fs::create_directories(root / "home");
  ::setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  ::setenv("HOME", (root / "home").c_str(), 1);
  if (ShotDir().empty()) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
}

// Labels that a user would see cut or out of line, below `root`, as "caption: what" lines: a
// label reaching out of its parent or touching its left edge, and a label above its control
// that does not stand 3 pixels above it as the labelled edits' labels do.
String LayoutFaults(TWinControl* root) {
  String faults;
  for (int i = 0; i < root->ControlCount(); ++i) {
    TControl* c = root->Controls(i);
    if (auto* w = dynamic_cast<TWinControl*>(c)) faults += LayoutFaults(w);
    auto* label = dynamic_cast<TCustomLabel*>(c);
    // A page or panel never shown has no size yet: nothing to judge there.
    if (!label || label->Caption().empty() || root->ClientWidth() <= 0) continue;
    if (label->Left() < 2 || label->Left() + label->Width() > root->ClientWidth())
      faults += label->Caption() + ": cut or touching the edge (" + std::to_string(label->Left()) + " + " +
                std::to_string(label->Width()) + " in " + std::to_string(root->ClientWidth()) + ")\n";
    TWinControl* focus = label->FocusControl;
    if (focus && focus->Parent() == root && focus->Top() > label->Top() &&
        label->Top() + label->Height() + 3 != focus->Top())
      faults += label->Caption() + ": out of line (" + std::to_string(focus->Top() - label->Top() - label->Height()) +
                " px above its control)\n";
  }
  return faults;
}

// The window system's key presses and releases, one after another, as a user types them.
void TypeKeys(TfrmMain* f, std::initializer_list<std::pair<const char*, bool>> keys) {
  for (auto [key, down] : keys) {
    String text;
    if (down && std::strlen(key) == 5) text = String(1, static_cast<char>(std::tolower(key[4])));  // "Key_F"
    EXPECT_TRUE(QtShellSendKey(f->Handle(), key, down, text)) << key;
  }
  Application->ProcessMessages();
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

// What a newcomer meets after the first statement: the menus answer Alt and their letters, the
// grid and the row count show the state they belong to, and every print lands in a file of its
// own that the user is told about.
TEST(DbProgram, MenusResultsAndPrintsAsAUserMeetsThem) {
  const fs::path root = fs::temp_directory_path() / ("vt-newcomer-" + std::to_string(::getpid()));
  const char* home = std::getenv("HOME");
  const String oldHome = home ? home : "";
  FreshUser(root);
  struct TSeen {
    int columns = 0;
    String rows;
  };
  struct {
    bool connectedByMenu = false;
    TSeen executed, prepared, executedAgain, cancelledParams, disconnected;
    std::vector<String> files, messages;
    String cutCaptions = "?", cutCaptionsSorted = "?", cutCells, layout;
    int cellsWithButtons = 0;
    int printers = 0;
    String failure;
  } seen;
  char name[] = "vantorelle";
  char* argv[] = {name, nullptr};
  const int code = RunProgram(1, argv, [&](TfrmMain* f) {
    auto look = [f] {
      f->dbgrdResults->Update();
      return TSeen{f->dbgrdResultsDBTableView1->ColumnCount(), f->StatusBar->Panels(1)->Text};
    };
    try {
      // Alt+F opens the File menu, C chooses "&Connect...".
      WhenDialogShows(f, "dialog-connect-by-menu", [&](TCustomForm* d) {
        seen.layout += LayoutFaults(d);
        PressOK(d);
      });
      TypeKeys(f, {{"Key_Alt", true}, {"Key_F", true}, {"Key_F", false}, {"Key_Alt", false}, {"Key_C", true},
                   {"Key_C", false}});
      seen.connectedByMenu = f->dmServerProperties->Connected();
      if (!seen.connectedByMenu) f->actConnect->Execute();  // the rest still runs
      f->actExecuteSQL->Execute();
      seen.executed = look();
      // Each header shows its whole caption beside its filter button, also once sorted.
      TkcGridDBTableView* view = f->dbgrdResultsDBTableView1;
      TkcCanvas* canvas = view->ViewInfo()->Canvas();
      auto cutCaptions = [&] {
        String cut;
        f->dbgrdResults->Update();
        for (auto& h : view->TableViewInfo()->Headers()) {
          canvas->SetFont(h->Params.Font ? h->Params.Font : view->Font());
          const int room = h->TextAreaBounds.right - h->TextAreaBounds.left;
          if (room < canvas->TextWidth(h->Column->Caption()))
            cut += h->Column->Caption() + " (" + std::to_string(room) + " for " +
                   std::to_string(canvas->TextWidth(h->Column->Caption())) + " in " +
                   std::to_string(h->Column->Width()) + ") ";
        }
        return cut;
      };
      seen.cutCaptions = cutCaptions();
      for (int i = 0; i < view->ColumnCount(); ++i) view->Columns(i)->SetSortOrder(soAscending);
      seen.cutCaptionsSorted = cutCaptions();
      // Dates whole (their column is as wide as ten digits); drop-down buttons of the cells' editors only where the grid's options say.
      const String sample = f->memSQL->Text();
      f->memSQL->SetText("SELECT ID, ORDER_DATE, STATUS FROM ORDERS ORDER BY ID");
      f->actExecuteSQL->Execute();
      f->dbgrdResults->Update();
      for (int r = 0; r < view->TableViewInfo()->PartVisibleRowCount(); ++r)
        for (auto& cell : view->TableViewInfo()->Rows(r)->Cells) {
          auto* data = dynamic_cast<TkcGridDataCellViewInfo*>(cell.get());
          if (!data || data->Column->Caption() != "ORDER_DATE") continue;
          if (data->EditViewInfo && !data->EditViewInfo->ButtonsInfo.empty()) ++seen.cellsWithButtons;
          if (auto* text = dynamic_cast<TkcCustomTextEditViewInfo*>(data->EditViewInfo.get())) {
            canvas->SetFont(data->Params.Font ? data->Params.Font : view->Font());
            if (text->TextRect.right - text->TextRect.left < canvas->TextWidth(text->Text)) seen.cutCells += text->Text + " ";
          }
        }
      Shot("main-dates");
      f->memSQL->SetText(sample);
      f->actExecuteSQL->Execute();
      f->actPrepare->Execute();
      seen.prepared = look();
      Shot("main-prepared");
      WhenDialogShows(f, "dialog-options-checked", [&](TCustomForm* d) {
        // Each page as the user opens it.
        if (auto* options = dynamic_cast<TfrmOptions*>(d))
          for (int page = 0; page < options->PageControl->PageCount(); ++page) {
            options->PageControl->SetActivePageIndex(page);
            options->Update();
            seen.layout += LayoutFaults(d);
            Shot("dialog-options-page-" + std::to_string(page));
          }
        d->SetModalResult(mrCancel);
      });
      f->actOptions->Execute();
      f->actExecuteSQL->Execute();
      seen.executedAgain = look();
      // Prints of the three pages, twice the SQL: each its own file.
      seen.printers = Printer().PrinterCount();
      for (int page : {0, 0, 1, 2}) {
        f->SetActivePage(page);
        WhenDialogShows(f, "dialog-printed", [&](TCustomForm* d) {
          if (auto* m = dynamic_cast<TMessageForm*>(d)) seen.messages.push_back(m->MessageText());
          PressOK(d);
        });
        f->actFilePrint->Execute();
        seen.files.push_back(Printer().LastOutputFile());
      }
      f->SetActivePage(0);
      f->memSQL->SetText("SELECT * FROM ORDERS WHERE CUSTOMER_ID = :CUSTOMER AND STATUS = :STATUS");
      WhenDialogShows(f, "dialog-parameters-cancelled", [&](TCustomForm* d) {
        seen.layout += LayoutFaults(d);
        d->SetModalResult(mrCancel);
      });
      try {
        f->actExecuteSQL->Execute();
      } catch (EAbort&) {}
      seen.cancelledParams = look();
      // A statement without rows: the affected-row count's label.
      f->memSQL->SetText("UPDATE ORDERS SET STATUS = STATUS WHERE ID = 1");
      f->actExecuteSQL->Execute();
      seen.layout += LayoutFaults(f);
      Shot("main-rows-affected");
      f->memSQL->SetText(sample);
      f->actExecuteSQL->Execute();
      f->actDisconnect->Execute();
      seen.disconnected = look();
      Shot("main-disconnected");
    } catch (Exception& e) {
      seen.failure = e.Message();
    }
    f->FileExit1->Execute();
  });
  ::setenv("HOME", oldHome.c_str(), 1);
  EXPECT_EQ(code, 0);
  EXPECT_EQ(seen.failure, "");
  EXPECT_TRUE(seen.connectedByMenu);
  EXPECT_EQ(seen.layout, "");
  ASSERT_GT(seen.executed.columns, 0);
  EXPECT_EQ(seen.executed.rows.rfind("Row count: ", 0), 0u);
  EXPECT_NE(seen.executed.rows, "Row count: 0");
  EXPECT_EQ(seen.cutCaptions, "");
  EXPECT_EQ(seen.cutCaptionsSorted, "");
  EXPECT_EQ(seen.cutCells, "");
  EXPECT_EQ(seen.cellsWithButtons, 0);
  // Prepared, nothing fetched yet: no columns of the earlier rows, no earlier count.
  EXPECT_EQ(seen.prepared.columns, 0);
  EXPECT_EQ(seen.prepared.rows, "Row count: 0");
  EXPECT_EQ(seen.executedAgain.columns, seen.executed.columns);
  EXPECT_EQ(seen.executedAgain.rows, seen.executed.rows);
  EXPECT_EQ(seen.cancelledParams.columns, 0);
  EXPECT_EQ(seen.cancelledParams.rows, "");
  EXPECT_EQ(seen.disconnected.columns, 0);
  EXPECT_EQ(seen.disconnected.rows, "");
  if (seen.printers == 0) {
    // No documents folder in this home: it is made, and the user is told each file.
    const fs::path documents = root / "home" / "Documents";
    const std::vector<String> expected = {
        (documents / "InterBase Vantorelle - SQL.pdf").string(),
        (documents / "InterBase Vantorelle - SQL (2).pdf").string(),
        (documents / "InterBase Vantorelle - PLAN Tree.pdf").string(),
        (documents / "InterBase Vantorelle - Chart.pdf").string(),
    };
    EXPECT_EQ(seen.files, expected);
    ASSERT_EQ(seen.messages.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
      EXPECT_TRUE(fs::exists(expected[i])) << expected[i];
      EXPECT_NE(seen.messages[i].find("\"" + expected[i] + "\""), String::npos) << seen.messages[i];
    }
  }
  fs::remove_all(root);
}
