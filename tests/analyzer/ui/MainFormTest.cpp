// The main window: its states and actions, the query display on the embedded engine, the
// error handler, history and files, printing; cancel and closing on the loopback server.

#include "MainFormTestUtil.h"

#include <chrono>
#include <thread>

#include "analyzer/QueryDM.h"
#include "analyzer/ServerConnectionDM.h"
#include "analyzer/ui/ConnectDialog.h"
#include "analyzer/ui/ParamDialog.h"
#include "analyzer/ui/PrintGeometry.h"
#include "editor/SxEdit.h"
#include "platform/gdi/GuiApplication.h"
#include "platform/gdi/Printers.h"
#include "platform/ib/IBErrors.h"
#include "platform/win/ShellApi.h"
#include "support/FbFixture.h"

namespace {

struct TWindow {
  TfrmMain* form;
  explicit TWindow(TWindowSession& s) : form(new TfrmMain(nullptr)) {
    (void)s;
    form->Show();
  }
  ~TWindow() { form->Free(); }
  TfrmMain* operator->() const { return form; }
  String Panel(int i) const { return form->StatusBar->Panels(i)->Text; }
};

// Which of the state-bound actions are on, as "CDPEX" letters (Connect, Disconnect, Prepare,
// Execute, Cancel) with "-" for off.
String Enabled(TfrmMain* f) {
  String s;
  s += f->actConnect->Enabled() ? 'C' : '-';
  s += f->actDisconnect->Enabled() ? 'D' : '-';
  s += f->actPrepare->Enabled() ? 'P' : '-';
  s += f->actExecuteSQL->Enabled() ? 'E' : '-';
  s += f->actCancelQuery->Enabled() ? 'X' : '-';
  return s;
}

// Connects through the dialog as a user would: the database name typed, Enter.
void ConnectByDialog(TWindowSession& s, TWindow& w, const String& database) {
  s.Script([&s, database] {
    s.QueueText(database);
    s.QueuePress(VK_RETURN);
  });
  w->actConnect->Execute();
}

void TypeSQL(TWindowSession& s, TWindow& w, const String& sql) {
  w->memSQL->SetText("");
  w->memSQL->Control()->SetFocus();
  s.Type(sql);
}

// Watches a fetch through the window's own pump: the rows the dataset holds at the first
// packet, and at packet `cancelAt` the user's Ctrl+Q, which the pump handles.
struct TFetchWatch {
  int packets = 0;
  int firstPacketRows = -1;
  TFetchWatch(TWindowSession& s, TfrmMain* f, int cancelAt) {
    TdmQuery::TQueryEvent pump = f->dmQuery->OnFetchProgress;
    f->dmQuery->OnFetchProgress = [this, &s, pump, cancelAt](TdmQuery* q) {
      if (++packets == 1) firstPacketRows = q->IBDataSet.RecordCount();
      if (packets == cancelAt) {
        s.QueueKey(VK_CONTROL, true);
        s.QueueKey('Q', true);
        s.QueueKey('Q', false);
        s.QueueKey(VK_CONTROL, false);
      }
      pump(q);
    };
  }
};

// After a fetch cancelled at the third of its packets of 100: the rows so far are the result.
void ExpectCutShortAfterThreePackets(TWindow& w, const TFetchWatch& watch) {
  TfrmMain* f = w.form;
  EXPECT_EQ(watch.firstPacketRows, 101) << "the rows come in packets, none read before";
  EXPECT_EQ(watch.packets, 3);
  EXPECT_TRUE(f->dmQuery->Cancelled());
  EXPECT_EQ(f->UIState(), usIdle);
  EXPECT_EQ(Enabled(f), "CDPE-");
  EXPECT_EQ(w.Panel(1), "Row count: 301");
  EXPECT_EQ(f->DataSource->DataSet(), f->dmQuery->ResultDataSet());
  EXPECT_EQ(f->dmQuery->IBDataSet.RecordCount(), 301) << "nothing read after the cancel";
  for (TLabeledEdit* e : {f->edtPrepareTime, f->edtExecutionTime, f->edtFetchTime})
    EXPECT_NE(e->Text().find(" ms."), String::npos) << e->Text();
  EXPECT_GT(f->Series2->Count(), 0) << "the reads of what was done";
}

}  // namespace

TEST(GuiMainWindow, StatesActionsAndPanels) {
  TWindowSession s;
  TWindow w(s);
  // Started and shown, disconnected.
  EXPECT_EQ(w->Caption(), "InterBase Vantorelle");
  EXPECT_EQ(w.Panel(0), "1: 1");
  EXPECT_EQ(w.Panel(1), "");
  EXPECT_EQ(w.Panel(2), "Use File->Connect to connect to a database");
  EXPECT_EQ(Enabled(w.form), "C----");
  for (TAction* a : {w->actOpenSQL, w->actOptions, w->actHelpContents, w->actHelpAbout}) EXPECT_TRUE(a->Enabled());
  for (TAction* a : {w->actPrevious, w->actNext, w->actSaveSQL, w->actSetIndexStatistics})
    EXPECT_FALSE(a->Enabled()) << a->Caption();

  // The state table.
  struct Case {
    TUIState state;
    bool cancelEnabled;
    const char* panel;
    const char* actions;
  };
  for (Case c :
       {Case{usFetching, false, "Fetching result set...", "----X"}, Case{usRunning, true, "Query running...", "----X"},
        Case{usRunning, false, "Query running...", "-----"}, Case{usIdle, false, "", "CDPE-"},
        Case{usDisconnected, false, "Use File->Connect to connect to a database", "C----"}}) {
    w->dmQuery->CancelEnabled = c.cancelEnabled;
    w->actSetIndexStatistics->SetEnabled(true);
    w->SetUIState(c.state);
    EXPECT_EQ(w.Panel(2), c.panel) << c.state;
    EXPECT_EQ(Enabled(w.form), c.actions) << c.state;
    EXPECT_FALSE(w->actSetIndexStatistics->Enabled());
  }

  // Typing enables Save SQL and moves the caret panel; other pages show no caret.
  TypeSQL(s, w, "select 1\rfrom x");
  EXPECT_TRUE(w->actSaveSQL->Enabled());
  EXPECT_EQ(w.Panel(0), "7: 2");
  const char* captions[] = {"Print SQL", "Print PLAN Tree", "Print Chart"};
  for (int page : {1, 2, 0}) {
    w->SetActivePage(page);
    EXPECT_EQ(w->actFilePrint->Caption(), captions[page]);
    EXPECT_EQ(w.Panel(0), page == 0 ? "7: 2" : "");
  }
  // The editing actions follow the editor.
  w->memSQL->Control()->SetFocus();
  Application->DoIdle();
  EXPECT_FALSE(w->actSECopy->Enabled());
  EXPECT_TRUE(w->actSEUndo->Enabled());
  s.Ctrl('A');
  Application->DoIdle();
  EXPECT_TRUE(w->actSECopy->Enabled());
  w->actSEDelete->Execute();
  EXPECT_EQ(w->memSQL->Text(), "");
  w->actSEUndo->Execute();
  EXPECT_EQ(w->memSQL->Text(), "select 1\r\nfrom x");
}

// The menus as "caption|caption|-|..." per top entry, the items' own captions with their accelerators.
String MenuText(TActionClientItem* top) {
  String s = top->Caption + ":";
  for (int i = 0; i < top->Count(); ++i)
    s += (i ? "|" : "") + (top->Items(i)->Caption.empty() ? top->Items(i)->DisplayCaption() : top->Items(i)->Caption);
  return s;
}

TEST(GuiMainWindow, MenusToolBarAndTheEditorsSetUp) {
  TWindowSession s;
  TWindow w(s);
  TActionClientItem* bar = w->ActionMainMenuBar->Items();
  const char* menus[] = {
      "&File:&Connect...|&Disconnect|&Open SQL...|&Save SQL...|-|Print Set&up...|&Print|-|E&xit",
      "&Edit:&Undo|-|&Cut|C&opy|&Paste|&Delete|-|&Select All",
      "&Query:&Prepare|&Execute|&Cancel|P&revious|&Next",
      "&Tools:&Options...|&Set Statistics",
      "&Help:&Contents|&InterBase Vantorelle Web Site|&About",
  };
  ASSERT_EQ(bar->Count(), 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(MenuText(bar->Items(i)), menus[i]);
  EXPECT_EQ(MenuText(w->atbrDatabase->Items()), ":Connect...|Disconnect|Prepare|Execute|Cancel|Previous|Next");
  String popup;
  for (int i = 0; i < w->pmnuEditor->Items()->Count(); ++i)
    popup += (i ? "|" : "") + w->pmnuEditor->Items()->Items(i)->Caption();
  EXPECT_EQ(popup, "Undo|-|Cut|Copy|Paste|Delete|Select All");

  auto* memo = dynamic_cast<TSxMemo*>(w->memSQL->Control());
  ASSERT_NE(memo, nullptr);
  EXPECT_EQ(memo->PopupMenu(), w->pmnuEditor);
  EXPECT_EQ(memo->Font()->Name(), "Courier New");
  EXPECT_EQ(memo->Font()->Size(), 10);
  EXPECT_EQ(memo->Options(), TSxEditorOptions(eoAutoIndent | eoDragDropEditing | eoScrollPastEol | eoShowScrollHint |
                                              eoTrimTrailingSpaces));
  EXPECT_FALSE(memo->Gutter()->Visible());
  EXPECT_EQ(memo->Gutter()->DigitCount(), 3);
  EXPECT_TRUE(memo->Gutter()->ShowLineNumbers());
  EXPECT_EQ(memo->Gutter()->Font()->Name(), "Terminal");
  // F1 stays the program's help; the editor's context help moved to Ctrl+F1.
  TSxEditKeyStrokes* keys = memo->Keystrokes();
  EXPECT_EQ(keys->FindShortcut(ShortCut(VK_F1, TShiftState{})), -1);
  const int help = keys->FindShortcut(ShortCut(VK_F1, TShiftState{ssCtrl}));
  ASSERT_GE(help, 0);
  EXPECT_EQ(keys->Items(help)->Command(), ecContextHelp);
}

TEST(GuiMainWindow, DamagedSettingsHelpAndWebPage) {
  TWindowSession s;
  // A settings file that is not one: the defaults, and the window works.
  const String settings = GetSettingsFileName();
  s.Write(settings, String("\x00\xFF[Selectivity\nWarningThreshold=\x01\x02\n\xC3", 28));
  TWindow w(s);
  EXPECT_EQ(w->WarningThreshold, 2);
  EXPECT_EQ(w->ErrorThreshold, 100);
  EXPECT_EQ(w->PlanParser.MaxDepth(), 200);
  EXPECT_TRUE(w->actConnect->Enabled());
  // Help and the web page go to the desktop's opener.
  std::vector<String> opened;
  TShellOpenProvider saved = SetShellOpenProvider([&](const String& f) {
    opened.push_back(f);
    return true;
  });
  w->actHelpContents->Execute();
  w->actIBVantorelleWebSite->Execute();
  SetShellOpenProvider(saved);
  ASSERT_EQ(opened.size(), 2u);
  EXPECT_EQ(opened[0], ExtractFilePath(GetProgramFileName()) + "Help/test_analyzer_ui.html");
  EXPECT_EQ(opened[1], VantorelleWebSite);
}

TEST(PrintGeometry, PageAndPictureRectangles) {
  TRect page, image;
  ASSERT_TRUE(PrintBitmapRects(600, 600, 5100, 6600, 300, 600, page, image));
  EXPECT_EQ(page, (TRect{600, 600, 4650, 6000}));
  EXPECT_EQ(image, (TRect{600, 600, 2475, 4350}));
  // Nothing to draw: no picture, or a printer without a resolution (no division by zero).
  EXPECT_FALSE(PrintBitmapRects(600, 600, 5100, 6600, 0, 600, page, image));
  EXPECT_FALSE(PrintBitmapRects(0, 0, 5100, 6600, 300, 600, page, image));
}

namespace {
// A window connected to the embedded fixture through the connect dialog.
struct DbWindow : ::testing::Test {
  TWindowSession s;
  std::unique_ptr<TWindow> w;
  String database;
  void SetUp() override {
    database = FbFixtureDatabase("query");
    Configure();
    w = std::make_unique<TWindow>(s);
    ConnectByDialog(s, *w, database);
    ASSERT_TRUE((*w)->dmServerProperties->Connected());
  }
  // Before the window reads its options.
  virtual void Configure() {}
  void TearDown() override {
    if (w && (*w)->dmServerProperties->Connected()) (*w)->actDisconnectExecute();
    w.reset();
  }
  TfrmMain* f() const { return w->form; }
  // Typed, then run as a menu item runs it: its error goes to the application's handler (and
  // a dialog it shows sees no modifier key held).
  void Execute(const String& sql) {
    TypeSQL(s, *w, sql);
    try {
      f()->actExecuteSQL->Execute();
    } catch (...) {
      Application->HandleException(nullptr, std::current_exception());
    }
  }
  void Prepare(const String& sql) {
    f()->memSQL->SetText(sql);
    f()->actPrepare->Execute();
  }
  // The bars of a series as "label=value".
  static std::vector<String> Bars(TChartSeries* series) {
    std::vector<String> bars;
    for (int i = 0; i < series->Count(); ++i)
      bars.push_back(series->XLabel(i) + "=" + std::to_string(static_cast<long long>(series->YValue(i))));
    return bars;
  }
};
}  // namespace

TEST_F(DbWindow, ConnectTypeExecuteShowsPlanTimesRowsThenDisconnect) {
  EXPECT_EQ(Enabled(f()), "CDPE-");
  EXPECT_EQ(w->Panel(2), database);
  EXPECT_EQ(f()->PageControl->ActivePageIndex(), 0);
  TypeSQL(s, *w, "SELECT ID, NAME FROM A WHERE V < 100");
  s.Ctrl('E');
  EXPECT_EQ(f()->UIState(), usIdle);
  EXPECT_EQ(w->Panel(1), "Row count: 99");
  EXPECT_EQ(f()->memPlan->Text(), "PLAN (A INDEX (IDX_A_V_DESC))");
  // The SQL as the lines joined with CR LF, each a blank in the caption.
  EXPECT_EQ(
      TreeLines(f()->treePlanAnalysis),
      (std::vector<String>{"19 Query: SELECT ID, NAME FROM A WHERE V < 100  ", "  23 PLAN (A INDEX (IDX_A_V_DESC))",
                           "    20 Table read: A (INDEX)", "      26 Index: IDX_A_V_DESC (S: .0)"}));
  for (TLabeledEdit* e : {f()->edtPrepareTime, f()->edtExecutionTime, f()->edtFetchTime})
    EXPECT_NE(e->Text().find(" ms."), String::npos) << e->Text();
  EXPECT_EQ(f()->DataSource->DataSet(), f()->dmQuery->ResultDataSet());
  EXPECT_TRUE(f()->actNext->Enabled());
  // A statement other than SELECT shows the affected rows instead of a row count.
  Execute("UPDATE UPD SET X = X WHERE ID <= 3");
  EXPECT_EQ(f()->edtRowsAffected->Text(), "3");
  EXPECT_TRUE(f()->sboResults->Visible());
  EXPECT_EQ(w->Panel(1), "");

  f()->actDisconnect->Execute();
  EXPECT_EQ(Enabled(f()), "C----");
  EXPECT_EQ(w->Panel(2), "Use File->Connect to connect to a database");
  EXPECT_EQ(f()->treePlanAnalysis->Items()->Count(), 0);
  EXPECT_EQ(f()->memPlan->Text(), "");
  EXPECT_EQ(f()->memSQL->Text(), "UPDATE UPD SET X = X WHERE ID <= 3") << "the statement stays";
}

namespace {
struct DbWindowMarks : DbWindow {
  void Configure() override {
    TAnalyzerOptions o;
    o.WarningThreshold = 2;
    o.ErrorThreshold = 30;
    o.IncludeSystemTables = false;
    WriteOptions(GetSettingsFileName(), o);
  }
};
}  // namespace

// A SELECT while the grid still shows the previous result: fetched in packets like the first,
// and Ctrl+Q during the fetch stops it with the rows so far shown; the next statement runs.
TEST_F(DbWindow, FetchRunsInPacketsAndCancelKeepsTheRowsSoFar) {
  Execute("SELECT ID FROM A");
  ASSERT_EQ(w->Panel(1), "Row count: 2000");
  ASSERT_EQ(f()->DataSource->DataSet(), f()->dmQuery->ResultDataSet());
  f()->dmQuery->PacketRecords = 100;
  TFetchWatch watch(s, f(), 3);
  Execute("SELECT ID, NAME FROM A");
  ExpectCutShortAfterThreePackets(*w, watch);
  Execute("SELECT COUNT(*) FROM B");
  EXPECT_FALSE(f()->dmQuery->Cancelled());
  EXPECT_EQ(w->Panel(1), "Row count: 1");
}

TEST_F(DbWindowMarks, PlanTreesImagesMarksAndSetStatistics) {
  // Statistics the server keeps: the primary key's (1 per row) and IDX_A_NAME's (50 names).
  for (const char* index : {"RDB$PRIMARY2", "IDX_A_NAME"}) f()->dmQuery->SetIndexStatistics(index);
  struct Case {
    const char* sql;
    std::vector<String> tree;  // below the statement node
  };
  const Case cases[] = {
      {"SELECT * FROM A WHERE NAME = 'N1'",
       {"  23 PLAN (A INDEX (IDX_A_NAME))", "    20 Table read: A (INDEX)", "      27 Index: IDX_A_NAME (S: 40.0)"}},
      {"SELECT * FROM A ORDER BY NAME",
       {"  23 PLAN (A ORDER IDX_A_NAME)", "    18 Table read: A (ORDER)", "      27 Index: IDX_A_NAME (S: 40.0)"}},
      {"SELECT * FROM A WHERE ID = 5",
       {"  23 PLAN (A INDEX (RDB$PRIMARY2))", "    20 Table read: A (INDEX)", "      25 Index: RDB$PRIMARY2 (S: 1.0)"}},
      {"SELECT * FROM A ORDER BY V + 0",
       {"  23 PLAN SORT (A NATURAL)", "    18 SORT", "      21 Table read: A (NATURAL)"}},
      {"SELECT A.ID FROM A JOIN B ON B.ID = A.B_ID",
       {"  23 PLAN JOIN (A NATURAL, B INDEX (RDB$PRIMARY1))", "    22 JOIN", "      21 Table read: A (NATURAL)",
        "      20 Table read:  B (INDEX)", "        26 Index: RDB$PRIMARY1 (S: .0)"}},
      {"SELECT A.ID FROM A JOIN B ON B.W + 0 = A.V + 0",
       {"  23 PLAN HASH (A NATURAL, B NATURAL)", "    18 HASH", "      21 Table read: A (NATURAL)",
        "      21 Table read:  B (NATURAL)"}},
  };
  for (const Case& c : cases) {
    Prepare(c.sql);
    std::vector<String> lines = TreeLines(f()->treePlanAnalysis);
    ASSERT_FALSE(lines.empty()) << c.sql;
    EXPECT_EQ(std::vector<String>(lines.begin() + 1, lines.end()), c.tree) << c.sql;
  }
  // MERGE appears in plans of other servers: the tree takes it from the PLAN text as well.
  f()->memPlan->SetText("PLAN MERGE (SORT (A NATURAL), SORT (B NATURAL))");
  f()->ParsePlanAndBuildTree();
  EXPECT_EQ(std::vector<String>(TreeLines(f()->treePlanAnalysis)).at(2), "    18 MERGE");

  // With warnings off: no image, no statistics in the caption.
  f()->WarnIfHigh = false;
  Prepare("SELECT * FROM A WHERE NAME = 'N1'");
  EXPECT_EQ(TreeLines(f()->treePlanAnalysis).back(), "      -1 Index: IDX_A_NAME");
  f()->WarnIfHigh = true;

  // Selecting the index shows its record; Set Statistics replaces it, the node keeps its caption.
  Prepare("SELECT * FROM B WHERE CODE = 'C1' AND W = 3");
  TTreeNode* index = f()->treePlanAnalysis->Items()->Item(f()->treePlanAnalysis->Items()->Count() - 1);
  EXPECT_EQ(index->Text(), "Index: IDX_B_CODE_W (S: .0)");
  f()->treePlanAnalysis->SetSelected(index);
  EXPECT_TRUE(f()->pnlAnalysisIndex->Visible());
  EXPECT_TRUE(f()->actSetIndexStatistics->Enabled());
  EXPECT_EQ(f()->edtFieldNames->Text(), "CODE, W");
  EXPECT_EQ(f()->edtSelectivity->Text(), ".0");
  f()->actSetIndexStatistics->Execute();
  EXPECT_EQ(f()->edtSelectivity->Text(), "1.0");
  EXPECT_EQ(f()->edtIndexName->Text(), "IDX_B_CODE_W");
  EXPECT_EQ(index->Text(), "Index: IDX_B_CODE_W (S: .0)");
  // The statement and clause nodes show their text in the text panel instead.
  f()->treePlanAnalysis->SetSelected(f()->treePlanAnalysis->Items()->GetFirstNode());
  EXPECT_FALSE(f()->pnlAnalysisIndex->Visible());
  EXPECT_EQ(f()->memAnalysisMemo->Text(), "SELECT * FROM B WHERE CODE = 'C1' AND W = 3\r\n");
}

TEST_F(DbWindowMarks, ChartHoldsTheReadsOfTheStatement) {
  Execute("SELECT COUNT(*) FROM A JOIN B ON B.ID = A.B_ID");
  // A is read in full, B once per row of A through its primary key; system tables are hidden.
  EXPECT_EQ(Bars(f()->Series1), (std::vector<String>{"B=2000", "A=0"}));
  EXPECT_EQ(Bars(f()->Series2), (std::vector<String>{"B=0", "A=2000"}));
  EXPECT_EQ(f()->Series1->ValueColor(0), clLime);
  EXPECT_EQ(f()->Series2->ValueColor(0), clGreen);
  // With system tables included, the reads of the system tables show as well.
  f()->IncludeSystemTables = true;
  Execute("SELECT COUNT(*) FROM RDB$RELATIONS");
  EXPECT_EQ(Bars(f()->Series2).size(), 1u);
  EXPECT_EQ(Bars(f()->Series2).at(0).rfind("RDB$RELATIONS=", 0), 0u);
  // A cancelled or failed run, and every prepare, leave the chart empty.
  Prepare("SELECT * FROM A");
  EXPECT_EQ(f()->Series1->Count(), 0);
}

TEST_F(DbWindow, ParameterDialogRowsRulesAndTimeout) {
  // One row for a name used twice; typing a value unchecks Null; OK runs with it.
  TdlgSetParameterValues* seen = nullptr;
  int rows = 0;
  s.Script([&] {
    seen = dynamic_cast<TdlgSetParameterValues*>(Screen->ActiveForm());
    ASSERT_TRUE(seen);
    rows = seen->RowCount();
    EXPECT_EQ(seen->Caption(), "Set Parameter Values");
    EXPECT_TRUE(seen->Rows(0)->chkNull->Checked());
    s.QueueText("10");
  });
  s.Script([&] {
    EXPECT_FALSE(seen->Rows(0)->chkNull->Checked());
    s.QueuePress(VK_RETURN);
  });
  Execute("SELECT ID FROM A WHERE ID < :N OR ID = :N + 1990");
  EXPECT_EQ(rows, 1);
  EXPECT_EQ(w->Panel(1), "Row count: 10");

  // The next time the row shows the confirmed value; left open for 15 minutes it gives up
  // silently: nothing runs, no message, the window is idle again and the statement kept.
  String shown;
  s.Script([&] {
    auto* d = dynamic_cast<TdlgSetParameterValues*>(Screen->ActiveForm());
    ASSERT_TRUE(d);
    shown = d->Rows(0)->edtValue->Text();
    s.Advance(SetParameterValuesTimeoutMs - 1);
  });
  s.Script([&] {
    auto* d = dynamic_cast<TdlgSetParameterValues*>(Screen->ActiveForm());
    ASSERT_TRUE(d) << "still open a millisecond before";
    s.Advance(1);
    PostMessage(d->Handle(), WM_NULL);  // the dialog's loop looks at its result again
  });
  const String sql = "SELECT ID FROM A WHERE ID < :N";
  const std::vector<String> bars = Bars(f()->Series1);
  Execute(sql);
  EXPECT_EQ(shown, "10");
  EXPECT_EQ(f()->UIState(), usIdle);
  EXPECT_EQ(Enabled(f()), "CDPE-");
  EXPECT_EQ(f()->memSQL->Text(), sql);
  EXPECT_EQ(Bars(f()->Series1), bars) << "nothing ran";

  // A text the parameter's type cannot take: a clear message, nothing runs, nothing is lost.
  String message;
  s.Script([&] {
    auto* d = dynamic_cast<TdlgSetParameterValues*>(Screen->ActiveForm());
    ASSERT_TRUE(d);
    d->Rows(0)->edtValue->SetText("abc");
    s.QueuePress(VK_RETURN);
  });
  s.Script([&] { message = s.AnswerMessage(); });
  Execute(sql);
  EXPECT_NE(message.find("abc"), String::npos) << message;
  EXPECT_EQ(f()->UIState(), usIdle);
  EXPECT_EQ(f()->memSQL->Text(), sql);

  // Null checked again empties the value; GetParamValue knows only its rows.
  TdlgSetParameterValues dialog(nullptr);
  dialog.AddParam("P", "5", false);
  dialog.AddParam("P", "6", false);
  EXPECT_EQ(dialog.RowCount(), 1);
  dialog.Rows(0)->chkNull->SetChecked(true);
  String value = "x";
  bool isNull = false;
  dialog.GetParamValue("P", value, isNull);
  EXPECT_EQ(value, "");
  EXPECT_TRUE(isNull);
  try {
    dialog.GetParamValue("Q", value, isNull);
    ADD_FAILURE() << "no error";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TdlgSetParameterValues.GetParamValue: Param \"Q\" unknown.");
  }
}

TEST_F(DbWindow, ErrorsAreShownAndTheWindowGoesOn) {
  // A syntax error: its message, the window idle, the statement kept.
  String message;
  s.Script([&] { message = s.AnswerMessage(); });
  Execute("SELEC 1 FROM RDB$DATABASE");
  EXPECT_NE(message.find("Token unknown"), String::npos) << message;
  EXPECT_EQ(f()->UIState(), usIdle);
  EXPECT_EQ(f()->memSQL->Text(), "SELEC 1 FROM RDB$DATABASE");

  // A PLAN the parser cannot read: the message with the PLAN, error icon, the title.
  TMsgDlgType type = mtCustom;
  String caption;
  s.Script([&] {
    auto* box = dynamic_cast<TMessageForm*>(Screen->ActiveForm());
    ASSERT_TRUE(box);
    type = box->DlgType();
    caption = box->Caption();
    message = s.AnswerMessage();
  });
  EPlanParserError parse("TPlanParser.ParseTableSpecifier: Unknown token \"", "PLAN (\"A)");
  f()->HandleAppException(parse);
  EXPECT_EQ(message, "TPlanParser.ParseTableSpecifier: Unknown token \"\r\n\r\nPLAN (\"A)");
  EXPECT_EQ(type, mtError);
  EXPECT_EQ(caption, "InterBase Vantorelle");

  // A broken attachment: the window goes back to disconnected with its results cleared.
  Execute("SELECT ID FROM A");
  s.Script([&] { message = s.AnswerMessage(); });
  EIBInterBaseError broken("Error reading data from the connection.", -902, 335544726);
  f()->HandleAppException(broken);
  EXPECT_EQ(message, "Error reading data from the connection.");
  EXPECT_FALSE(f()->dmServerProperties->Connected());
  EXPECT_EQ(Enabled(f()), "C----");
  EXPECT_EQ(f()->treePlanAnalysis->Items()->Count(), 0);
  EXPECT_EQ(f()->memSQL->Text(), "SELECT ID FROM A");
}

TEST_F(DbWindow, APlanTheParserCannotReadStillRuns) {
  // A budget too small for the PLAN: the parser gives up part way.
  f()->PlanParser.SetMaxDepth(4);
  String message;
  s.Script([&] { message = s.AnswerMessage(); });
  Execute("SELECT COUNT(*) FROM A JOIN B ON B.ID = A.B_ID");
  EXPECT_EQ(message.rfind("Too much recursion in PLAN parser.", 0), 0u) << message;
  EXPECT_NE(message.find("\r\n\r\nPLAN JOIN (A NATURAL, B INDEX (RDB$PRIMARY1))"), String::npos) << message;
  // The tree shows what was read, and the statement ran.
  EXPECT_GE(f()->treePlanAnalysis->Items()->Count(), 2);
  EXPECT_EQ(w->Panel(1), "Row count: 1");
  EXPECT_EQ(f()->SQLHistory.Count(), 1);
}

TEST_F(DbWindow, HistoryStepsThroughPreparedStatements) {
  for (const char* sql : {"SELECT 1 FROM RDB$DATABASE", "SELECT 2 FROM RDB$DATABASE", "SELECT 1 FROM RDB$DATABASE"})
    Prepare(sql);
  EXPECT_EQ(f()->SQLHistory.Count(), 2);
  EXPECT_EQ(f()->HistoryIndex, 1);
  EXPECT_TRUE(f()->actPrevious->Enabled());
  EXPECT_TRUE(f()->actNext->Enabled());
  f()->actNext->Execute();
  EXPECT_EQ(f()->memSQL->Text(), "");
  EXPECT_FALSE(f()->actNext->Enabled());
  f()->actPrevious->Execute();
  EXPECT_EQ(f()->memSQL->Text(), "SELECT 1 FROM RDB$DATABASE");
  f()->actPrevious->Execute();
  EXPECT_EQ(f()->memSQL->Text(), "SELECT 2 FROM RDB$DATABASE");
  EXPECT_FALSE(f()->actPrevious->Enabled());
  EXPECT_TRUE(f()->actSaveSQL->Enabled());
}

TEST_F(DbWindow, SqlFilesOpenSaveAndRefuse) {
  String chosen;
  SetFileDialogProvider([&](TOpenDialog& d) {
    d.FileName = chosen;
    return true;
  });
  // A file with LF breaks loads, and saves back in its own style.
  chosen = s.Path("q.sql");
  s.Write(chosen, "SELECT *\nFROM A\n");
  f()->actOpenSQL->Execute();
  EXPECT_EQ(f()->memSQL->Lines()->Count(), 3);
  EXPECT_EQ(f()->memSQL->Lines()->Strings(1), "FROM A");
  f()->actSaveSQL->Execute();
  EXPECT_EQ(s.Read(chosen), "SELECT *\nFROM A\n");
  // A file that is not text is refused with a message; the editor keeps its text.
  chosen = s.Path("image.bin");
  s.Write(chosen, String("\x89PNG\0\0\0\rIHDR", 12));
  String message;
  s.Script([&] { message = s.AnswerMessage(); });
  try {
    f()->actOpenSQL->Execute();
  } catch (Exception& e) {
    Application->HandleException(nullptr, std::current_exception());
  }
  EXPECT_NE(message.find("is not a text file"), String::npos) << message;
  EXPECT_EQ(f()->memSQL->Lines()->Strings(1), "FROM A");
  // A save that cannot be written keeps the previous file.
  chosen = s.Path("q.sql");
  f()->memSQL->SetText("SELECT 2");
  std::filesystem::permissions(s.root, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
  bool failed = false;
  try {
    f()->actSaveSQL->Execute();
  } catch (Exception&) {
    failed = true;
  }
  std::filesystem::permissions(s.root, std::filesystem::perms::owner_all);
  if (::geteuid() != 0) {
    EXPECT_TRUE(failed);
  }
  if (failed) {
    EXPECT_EQ(s.Read(chosen), "SELECT *\nFROM A\n");
  }
  // A name typed without an extension is saved as a text file; opening it back takes the same.
  chosen = s.Path("plain");
  f()->actSaveSQL->Execute();
  EXPECT_EQ(s.Read(s.Path("plain.txt")).rfind("SELECT 2", 0), 0u);
  f()->memSQL->SetText("");
  f()->actOpenSQL->Execute();
  EXPECT_EQ(f()->memSQL->Lines()->Strings(0), "SELECT 2");
}

TEST_F(DbWindow, PrintsEachPageToPdf) {
  // The installed fonts, so that the printed text is text.
  EnsureGuiApplication();
  SetFontSource(nullptr);
  Execute("SELECT COUNT(*) FROM A");
  auto print = [&](int page, const String& name) {
    f()->SetActivePage(page);
    const String pdf = s.Path(name);
    Printer().SetOutputFileName(pdf);
    f()->actFilePrint->Execute();
    Printer().SetOutputFileName("");
    const String text = s.Path(name + ".txt");
    EXPECT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + text + "'").c_str()), 0);
    return s.Read(text);
  };
  auto pages = [](const String& text) { return std::count(text.begin(), text.end(), '\f'); };
  const String sql = print(0, "sql.pdf");
  EXPECT_NE(sql.find("SELECT COUNT(*) FROM A"), String::npos) << sql;
  EXPECT_EQ(pages(sql), 1);
  // The tree and the chart are pictures: one page each, no text.
  EXPECT_EQ(pages(print(1, "tree.pdf")), 1);
  EXPECT_EQ(pages(print(2, "chart.pdf")), 1);
  // A long statement runs over to more pages.
  String lines;
  for (int i = 0; i < 150; ++i) lines += "-- line " + std::to_string(i) + "\r\n";
  f()->memSQL->SetText(lines + "SELECT 1 FROM RDB$DATABASE");
  const String longer = print(0, "long.pdf");
  EXPECT_EQ(pages(longer), 3);
  EXPECT_NE(longer.find("-- line 149"), String::npos);
}

namespace {
// A window connected to the loopback server, where statements run on the worker and cancel.
struct ServerWindow : ::testing::Test {
  TWindowSession s;
  std::unique_ptr<TWindow> w;
  void SetUp() override {
    VT_REQUIRE_FB_SERVER();
    const String database = FbServerFixtureDatabase("query");
    w = std::make_unique<TWindow>(s);
    TfrmMain* f = w->form;
    s.Script([&s = s, database] {
      auto* d = dynamic_cast<TdlgConnectToDB*>(Screen->ActiveForm());
      ASSERT_TRUE(d);
      d->SetDatabaseName(database);
      d->SetUserName("SYSDBA");
      d->SetPassword(FbSysdbaPassword());
      s.QueuePress(VK_RETURN);
    });
    f->actConnect->Execute();
    ASSERT_TRUE(f->dmServerProperties->Connected());
    ASSERT_TRUE(f->dmQuery->CancelEnabled);
  }
  void TearDown() override {
    if (w && w->form->dmServerProperties->Connected()) w->form->actDisconnectExecute();
    w.reset();
  }
  // The message loop with idle updates, until `done` or 20 s.
  template <class F>
  void Until(F done) {
    for (int i = 0; i < 1000 && !done(); ++i) {
      s.ProcessMessages();
      Application->DoIdle();
      if (!done()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_TRUE(done());
  }
};
}  // namespace

TEST_F(ServerWindow, CancelDuringALongQueryKeepsTheWindowWaitingForItsEnd) {
  TfrmMain* f = w->form;
  f->memSQL->SetText("SELECT COUNT(*) FROM A A1, A A2, A A3");
  f->actExecuteSQL->Execute();
  EXPECT_EQ(f->UIState(), usRunning);
  EXPECT_EQ(w->Panel(2), "Query running...");
  EXPECT_EQ(Enabled(f), "----X");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Until the statement reaches the server there is nothing to cancel: ask until it ends.
  Until([&] {
    if (f->actCancelQuery->Enabled() || f->dmQuery->Running()) {
      String message;
      f->dmQuery->CancelQuery(message);
      if (f->UIState() == usRunning && f->actCancelQuery->Enabled()) f->actCancelQuery->Execute();
      EXPECT_EQ(Enabled(f).substr(0, 4), "----") << "nothing else runs before the worker's end";
    }
    return !f->dmQuery->Running() && f->UIState() == usIdle;
  });
  EXPECT_EQ(Enabled(f), "CDPE-");
  EXPECT_EQ(f->Series1->Count(), 0) << "a cancelled run fills no chart";
  // The attachment is still usable.
  f->memSQL->SetText("SELECT COUNT(*) FROM B");
  f->actExecuteSQL->Execute();
  Until([&] { return !f->dmQuery->Running() && f->UIState() == usIdle; });
  EXPECT_EQ(w->Panel(1), "Row count: 1");
}

// The worker's end fetches in packets too, and Cancel stops that fetch.
TEST_F(ServerWindow, FetchAfterTheWorkerRunsInPacketsAndCancelKeepsTheRowsSoFar) {
  TfrmMain* f = w->form;
  auto run = [&](const String& sql) {
    f->memSQL->SetText(sql);
    f->actExecuteSQL->Execute();
    Until([&] { return !f->dmQuery->Running() && f->UIState() == usIdle; });
  };
  run("SELECT ID FROM A");
  ASSERT_EQ(w->Panel(1), "Row count: 2000");
  f->dmQuery->PacketRecords = 100;
  TFetchWatch watch(s, f, 3);
  run("SELECT ID, NAME FROM A");
  ExpectCutShortAfterThreePackets(*w, watch);
  run("SELECT COUNT(*) FROM B");
  EXPECT_EQ(w->Panel(1), "Row count: 1");
}

TEST_F(ServerWindow, ClosingDuringARunCancelsItThenDisconnectsAndCloses) {
  TfrmMain* f = w->form;
  Application->SetMainForm(f);
  f->memSQL->SetText("SELECT COUNT(*) FROM A A1, A A2, A A3");
  f->actExecuteSQL->Execute();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  f->Close();
  EXPECT_TRUE(f->Visible()) << "the run ends first";
  Until([&] {
    if (f->dmQuery->Running()) {
      String message;
      f->dmQuery->CancelQuery(message);
    }
    return !f->Visible();
  });
  EXPECT_FALSE(f->dmServerProperties->Connected());
  Application->SetMainForm(nullptr);
  Application->SetTerminated(false);
}

TEST(DbMainWindow, AFailedConnectIsShownAndWhatWasTypedStays) {
  TWindowSession s;
  TWindow w(s);
  const String notADatabase = s.Path("notes.fdb");
  s.Write(notADatabase, "these are notes, not a database\n");
  String message;
  s.Script([&s, notADatabase] {
    s.QueueText(notADatabase);
    s.QueuePress(VK_RETURN);
  });
  s.Script([&] { message = s.AnswerMessage(); });
  try {
    w->actConnect->Execute();
  } catch (...) {
    Application->HandleException(nullptr, std::current_exception());
  }
  EXPECT_FALSE(message.empty());
  EXPECT_FALSE(w->dmServerProperties->Connected());
  EXPECT_EQ(Enabled(w.form), "C----");
  // The next Connect starts from what was typed.
  String shown;
  s.Script([&] {
    auto* d = dynamic_cast<TdlgConnectToDB*>(Screen->ActiveForm());
    ASSERT_TRUE(d);
    shown = d->DatabaseName();
    s.QueuePress(VK_ESCAPE);
  });
  w->actConnect->Execute();
  EXPECT_EQ(shown, notADatabase);
}
