#pragma once
// The program's one window: the SQL editor, the PLAN tree with its index statistics, the read
// chart and times; the actions that connect, prepare, run and cancel; the dialogs.

#include <memory>

#include "analyzer/PlanParser.h"
#include "analyzer/SQLHistory.h"
#include "analyzer/ui/SQLEditorHost.h"
#include "platform/forms/ActnMan.h"
#include "platform/forms/Chart.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/DBCtrls.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdActns.h"

class TdmServerProperties;
class TdmQuery;
class TkcGrid;
class TkcGridLevel;
class TkcGridDBTableView;

enum TUIState { usIdle = 0, usFetching = 1, usDisconnected = 2, usRunning = 3 };

class TfrmMain : public TForm {
  VT_CLASS(TfrmMain, TForm)
public:
  explicit TfrmMain(TComponent* AOwner);
  ~TfrmMain() override;
  // The modules and the editor go while the window is whole.
  void BeforeDestruction() override;

  // Modules
  TdmServerProperties* dmServerProperties = nullptr;
  TdmQuery* dmQuery = nullptr;
  TPlanParser PlanParser;
  TSQLHistory SQLHistory;
  int HistoryIndex = -1;

  // Actions
  TImageList* ImageList;
  TActionManager* ActionManager;
  TAction *actConnect, *actDisconnect, *actOpenSQL, *actSaveSQL, *actFilePrint;
  TFilePrintSetup* FilePrintSetup1;
  TFileExit* FileExit1;
  TAction *actPrepare, *actExecuteSQL, *actCancelQuery, *actPrevious, *actNext;
  TCustomizeActionBars* CustomizeActionBars1;
  TCustomizeDlg* CustomizeDlg;
  TAction *actOptions, *actSetIndexStatistics, *actHelpContents, *actIBVantorelleWebSite, *actHelpAbout;
  TAction *actSEUndo, *actSECut, *actSECopy, *actSEPaste, *actSEDelete, *actSESelectAll;
  TEditUndo* EditUndo1;
  TEditCut* EditCut1;
  TEditCopy* EditCopy1;
  TEditPaste* EditPaste1;
  TEditDelete* EditDelete1;
  TEditSelectAll* EditSelectAll1;
  TActionMainMenuBar* ActionMainMenuBar;
  TActionToolBar* atbrDatabase;
  TPopupActionBar* pmnuEditor;
  TOpenDialog* OpenDialog;
  TSaveDialog* SaveDialog;

  // Pages
  TPageControl* PageControl;
  TTabSheet *tshtSQL, *tshtIndices, *tshtStatistics;
  TStatusBar* StatusBar;
  // SQL page
  TPanel* pnlSQLEdit;
  std::unique_ptr<TSQLEditorHost> memSQL;
  TSplitter* splSQL;
  TPanel* pnlPLANDisplay;
  // The result grid: one level, one database table view bound to DataSource; its columns are
  // made anew from the fields after each run.
  TPanel* pnlResults;
  TDataSource* DataSource;
  TkcGrid* dbgrdResults;
  TkcGridLevel* dbgrdResultsLevel1;
  TkcGridDBTableView* dbgrdResultsDBTableView1;
  TScrollBox* sboResults;
  TLabeledEdit* edtRowsAffected;
  // PLAN Analysis page
  TRichEdit* memPlan;
  TPanel* pnlTree;
  TTreeView* treePlanAnalysis;
  TPanel* pnlIndexHint;
  TSplitter* splAnalysis;
  TMemo* memAnalysisMemo;
  TScrollBox* pnlAnalysisIndex;
  TDataSource* srcIndexStatistics;
  TDBEdit *edtIndexName, *edtRelationName, *edtFieldNames, *edtForeignKey, *edtSelectivity;
  TDBCheckBox *chkDescending, *chkSystemIndex;
  TDBMemo* memDescription;
  TButton* btnSetStatistics;
  // Statistics page
  TLabeledEdit *edtPrepareTime, *edtExecutionTime, *edtFetchTime;
  TScrollBox* sboChart;
  TChart* ChartReads;
  THorizBarSeries *Series1, *Series2;

  // Options as last read.
  bool WarnIfHigh = true;
  int WarningThreshold = 2;
  int ErrorThreshold = 100;
  bool IncludeSystemTables = true;
  bool EnableQueryCancellation = true;

  TUIState UIState() const { return fUIState; }
  void SetUIState(TUIState state);
  void SetActivePage(int index);
  void ConnectionChanged();
  void UpdateCancelAbility();
  void UpdateCaretPanel();
  void UpdateHistoryActions();
  void ClearResults();
  void LoadOptions();
  void HandleAppException(Exception& e);

  // Query display
  void QueryPrepared();
  void QueryCompleted();
  void ParsePlanAndBuildTree();
  void UpdateRowCount();
  void ShowTimes();
  void FillReadChart();
  void UpdatePrintCaption();
  void treePlanAnalysisChange(TTreeNode* node);
  void pnlAnalysisIndexResize();
  void PrintTree();
  // The tree's picture on one printed page; nothing is drawn for an empty picture.
  void PrintBitmap(TBitmap* bitmap);

  // Where the settings are; "" when its folder cannot be made (the error is shown).
  String SettingsFileName();

  // The action handlers.
  void actConnectExecute();
  void actDisconnectExecute();
  void actPrepareExecute();
  void actExecuteSQLExecute();
  void actCancelQueryExecute();
  void actPreviousExecute();
  void actNextExecute();
  void actOpenSQLExecute();
  void actSaveSQLExecute();
  void actOptionsExecute();
  void actSetIndexStatisticsExecute();
  void actFilePrintExecute();
  void actHelpContentsExecute();
  void actIBVantorelleWebSiteExecute();
  void actHelpAboutExecute();

protected:
  void CreateComponents();
  void CreateActions();
  void CreateDataModules();
  void CreatePages();
  void CreateSQLPage();
  void CreateResultGrid();
  void CreatePlanPage();
  void CreateStatisticsPage();
  void AddPlanNode(TPlanNode* node, TTreeNode* parent);
  void FormShow();
  void FormCloseQuery(bool& canClose);
  void EditingAction(TAction* action, TBasicAction* fallback, void (TSQLEditorHost::*run)(),
                     bool (*enabled)(TSQLEditorHost&));
  bool SQLEditorActive();
  bool FallbackEnabled(TCustomAction* standard);
  void memSQLChange();
  void UpdateRunEnd();

private:
  TUIState fUIState = usDisconnected;
  // A cancelled worker run: the window waits for its end before anything else may run.
  bool fCancelling = false;
  // The window was asked to close while a run was going on: it closes when the run ends.
  bool fCloseWhenIdle = false;
};

// The web page the Help menu opens.
inline constexpr const char* VantorelleWebSite = "https://vantorelle.example.org/";
