#include "analyzer/ui/MainForm.h"

#include <unordered_map>

#include "analyzer/QueryDM.h"
#include "analyzer/ServerConnectionDM.h"
#include "analyzer/Settings.h"
#include "analyzer/ui/AboutDialog.h"
#include "analyzer/ui/ConnectDialog.h"
#include "analyzer/ui/Images.h"
#include "analyzer/ui/OptionsDialog.h"
#include "analyzer/ui/ParamDialog.h"
#include "analyzer/ui/PrintGeometry.h"
#include "analyzer/ui/UiUtils.h"
#include "grid/kcGridDBTableView.h"
#include "grid/kcGridFiltering.h"
#include "platform/gdi/Printers.h"
#include "platform/ib/IBErrors.h"
#include "platform/win/ShellApi.h"

namespace {
constexpr const char* kConnectHint = "Use File->Connect to connect to a database";

// GDS codes of an attachment that is gone: reading, writing, network, shutdown, lost.
constexpr long kBrokenConnectionCodes[] = {335544726, 335544727, 335544721, 335544856, 335544741};

bool IsBrokenConnection(const Exception& e) {
  const auto* ib = dynamic_cast<const EIBInterBaseError*>(&e);
  if (!ib) return false;
  if (ib->Message().find("Error writing data to the connection") != String::npos) return true;
  for (long code : kBrokenConnectionCodes)
    if (ib->IBErrorCode() == code) return true;
  return false;
}

bool IsSystemRelation(const String& name) {
  const String prefix = UpperCase(name.substr(0, 4));
  return prefix == "RDB$" || prefix == "MON$" || prefix == "SEC$";
}

TLabel* NewRightLabel(TComponent* owner, TWinControl* parent, const String& caption, int top) {
  auto* label = new TLabel(owner);
  label->SetParent(parent);
  label->SetAutoSize(false);
  label->SetAlignment(taRightJustify);
  label->SetBounds(4, top + 3, 92, 13);
  label->SetCaption(caption);
  return label;
}

template <class T>
T* NewDBControl(TComponent* owner, TWinControl* parent, TDataSource* source, const String& field, int top, int width,
                int height = 21) {
  auto* c = new T(owner);
  c->SetParent(parent);
  c->SetBounds(100, top, width, height);
  c->SetDataSource(source);
  c->SetDataField(field);
  c->SetReadOnly(true);
  c->SetColor(clBtnFace);
  c->SetParentColor(false);
  return c;
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation

TfrmMain::TfrmMain(TComponent* AOwner) : TForm(AOwner) {
  SetName("frmMain");
  SetCaption("InterBase Vantorelle");
  SetPosition(poScreenCenter);
  SetClientSize(657, 453);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  Application->OnException = [this](TObject*, Exception& e) { HandleAppException(e); };
  CreateComponents();
  UpdateHistoryActions();
  CreateDataModules();
  ActionManager->SetUsageCounts(-1);
  SetActivePage(0);
  UpdateRowCount();
  ChartReads->BackWall.Color = clBtnFace;
  pnlAnalysisIndex->SetParentBackground(true);
  OnShow = [this](TObject*) { FormShow(); };
  OnCloseQuery = [this](TObject*, bool& canClose) { FormCloseQuery(canClose); };
}

TfrmMain::~TfrmMain() = default;

void TfrmMain::BeforeDestruction() {
  Application->OnException = nullptr;
  treePlanAnalysis->OnChange = nullptr;
  treePlanAnalysis->Items()->Clear();
  if (dmServerProperties) dmServerProperties->OnChange = nullptr;
  memSQL.reset();
  // The modules go first (the engine commits what is open), while the window is whole.
  FreeAndNil(dmQuery);
  FreeAndNil(dmServerProperties);
  TForm::BeforeDestruction();
}

void TfrmMain::CreateComponents() {
  ImageList = new TImageList(this);
  LoadAnalyzerImages(ImageList);
  OpenDialog = new TOpenDialog(this);
  OpenDialog->Filter = "SQL files (*.sql)|*.sql|Text files (*.txt)|*.txt";
  OpenDialog->FilterIndex = 2;
  OpenDialog->DefaultExt = "*.txt";
  OpenDialog->Options =
      TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofFileMustExist, ofEnableSizing};
  SaveDialog = new TSaveDialog(this);
  SaveDialog->Filter = "SQL file (*.sql)|*.sql|Text file (*.txt)|*.txt";
  SaveDialog->FilterIndex = 2;
  SaveDialog->DefaultExt = "txt";
  SaveDialog->Options = TOpenOptions{ofOverwritePrompt, ofHideReadOnly, ofPathMustExist, ofEnableSizing};
  CreateActions();
  StatusBar = new TStatusBar(this);
  StatusBar->SetParent(this);
  StatusBar->SetAlign(alBottom);
  TStatusPanel* caret = StatusBar->AddPanel();
  caret->Width = 50;
  caret->Alignment = taCenter;
  caret->Text = "0: 0";
  StatusBar->AddPanel()->Width = 100;
  StatusBar->Panels(1)->Text = "Row count:";
  StatusBar->AddPanel()->Width = 50;
  StatusBar->Panels(2)->Text = kConnectHint;
  CreatePages();
}

void TfrmMain::CreateActions() {
  ActionManager = new TActionManager(this);
  ActionManager->Images = ImageList;
  auto action = [this](const String& caption, const String& category, TShortCut shortCut, int image, bool enabled,
                       void (TfrmMain::*handler)()) {
    TAction* a = NewAction(ActionManager, caption, shortCut);
    a->Category = category;
    a->SetImageIndex(image);
    a->SetEnabled(enabled);
    if (handler) a->OnExecute = [this, handler](TObject*) { (this->*handler)(); };
    return a;
  };
  auto ctrl = [](char key) { return MenuShortCut(static_cast<WORD>(key), TShiftState{ssCtrl}); };
  actConnect = action("Connect...", "File", 0, imgConnect, false, &TfrmMain::actConnectExecute);
  actDisconnect = action("Disconnect", "File", 0, imgDisconnect, false, &TfrmMain::actDisconnectExecute);
  actOpenSQL = action("Open SQL...", "File", 0, imgOpen, false, &TfrmMain::actOpenSQLExecute);
  actSaveSQL = action("Save SQL...", "File", 0, imgSave, false, &TfrmMain::actSaveSQLExecute);
  FilePrintSetup1 = new TFilePrintSetup(this);
  FilePrintSetup1->SetCaption("Print Set&up...");
  FilePrintSetup1->Category = "File";
  FilePrintSetup1->SetActionList(ActionManager);
  actFilePrint = action("Print", "File", 0, imgPrint, true, &TfrmMain::actFilePrintExecute);
  FileExit1 = new TFileExit(this);
  FileExit1->SetCaption("E&xit");
  FileExit1->Category = "File";
  FileExit1->SetActionList(ActionManager);
  actPrepare = action("Prepare", "Query", ctrl('R'), imgPrepare, false, &TfrmMain::actPrepareExecute);
  actExecuteSQL = action("Execute", "Query", ctrl('E'), imgExecute, false, &TfrmMain::actExecuteSQLExecute);
  actCancelQuery = action("Cancel", "Query", ctrl('Q'), imgCancel, false, &TfrmMain::actCancelQueryExecute);
  // Idle updates see the end of a cancelled run (and of a run whose end failed).
  actCancelQuery->OnUpdate = [this](TObject*) { UpdateRunEnd(); };
  actPrevious = action("Previous", "Query", ctrl('P'), imgPrevious, false, &TfrmMain::actPreviousExecute);
  actNext = action("Next", "Query", ctrl('N'), imgNext, false, &TfrmMain::actNextExecute);
  CustomizeDlg = new TCustomizeDlg(this);
  CustomizeDlg->ActionManager = ActionManager;
  CustomizeDlg->OnClose = [this](TObject*) {
    ConnectionChanged();
    UpdateHistoryActions();
  };
  CustomizeActionBars1 = new TCustomizeActionBars(this);
  CustomizeActionBars1->SetCaption("Customize...");
  CustomizeActionBars1->Category = "Tools";
  CustomizeActionBars1->CustomizeDlg = CustomizeDlg;
  CustomizeActionBars1->SetActionList(ActionManager);
  actOptions = action("Options...", "Tools", 0, imgOptions, false, &TfrmMain::actOptionsExecute);
  actSetIndexStatistics =
      action("Set Statistics", "Tools", 0, imgStatistics, false, &TfrmMain::actSetIndexStatisticsExecute);
  actHelpContents = action("Contents", "Help", 0, imgHelp, false, &TfrmMain::actHelpContentsExecute);
  actIBVantorelleWebSite =
      action("InterBase Vantorelle Web Site", "Help", 0, -1, true, &TfrmMain::actIBVantorelleWebSiteExecute);
  actHelpAbout = action("About", "Help", 0, imgAbout, false, &TfrmMain::actHelpAboutExecute);

  // The framework's edit actions, hidden, for controls other than the SQL editor.
  auto* hidden = new TActionList(this);
  auto fallback = [hidden](TCustomAction* a) {
    a->SetShortCut(0);
    a->SetVisible(false);
    a->SetActionList(hidden);
    return a;
  };
  EditUndo1 = static_cast<TEditUndo*>(fallback(new TEditUndo(this)));
  EditCut1 = static_cast<TEditCut*>(fallback(new TEditCut(this)));
  EditCopy1 = static_cast<TEditCopy*>(fallback(new TEditCopy(this)));
  EditPaste1 = static_cast<TEditPaste*>(fallback(new TEditPaste(this)));
  EditDelete1 = static_cast<TEditDelete*>(fallback(new TEditDelete(this)));
  EditSelectAll1 = static_cast<TEditSelectAll*>(fallback(new TEditSelectAll(this)));
  actSEUndo = action("Undo", "Edit", ctrl('Z'), imgUndo, true, nullptr);
  actSECut = action("Cut", "Edit", ctrl('X'), imgCut, true, nullptr);
  actSECopy = action("Copy", "Edit", ctrl('C'), imgCopy, true, nullptr);
  actSEPaste = action("Paste", "Edit", ctrl('V'), imgPaste, true, nullptr);
  actSEDelete = action("Delete", "Edit", 0, imgDelete, true, nullptr);
  actSESelectAll = action("Select All", "Edit", ctrl('A'), -1, true, nullptr);
  auto selected = [](TSQLEditorHost& e) { return !e.SelText().empty(); };
  EditingAction(actSEUndo, EditUndo1, &TSQLEditorHost::Undo, [](TSQLEditorHost& e) { return e.CanUndo(); });
  EditingAction(actSECut, EditCut1, &TSQLEditorHost::CutToClipboard, selected);
  EditingAction(actSECopy, EditCopy1, &TSQLEditorHost::CopyToClipboard, selected);
  EditingAction(actSEPaste, EditPaste1, &TSQLEditorHost::PasteFromClipboard,
                [](TSQLEditorHost& e) { return e.CanPaste(); });
  EditingAction(actSEDelete, EditDelete1, &TSQLEditorHost::ClearSelection, selected);
  EditingAction(actSESelectAll, EditSelectAll1, &TSQLEditorHost::SelectAll, [](TSQLEditorHost&) { return true; });

  ActionMainMenuBar = new TActionMainMenuBar(this);
  ActionMainMenuBar->SetParent(this);
  ActionMainMenuBar->SetAlign(alTop);
  ActionMainMenuBar->Font()->SetName("Tahoma");
  ActionMainMenuBar->SetParentFont(false);
  ActionMainMenuBar->SetActionManager(ActionManager);
  auto menu = [this](const String& caption, std::initializer_list<std::pair<TContainedAction*, const char*>> items) {
    TActionClientItem* top = ActionMainMenuBar->Items()->Add();
    top->Caption = caption;
    for (const auto& [a, text] : items) {
      TActionClientItem* item = top->Add();
      item->Action = a;
      item->Caption = a ? text : "-";
    }
  };
  menu("&File", {{actConnect, "&Connect..."},
                 {actDisconnect, "&Disconnect"},
                 {actOpenSQL, "&Open SQL..."},
                 {actSaveSQL, "&Save SQL..."},
                 {nullptr, ""},
                 {FilePrintSetup1, "Print Set&up..."},
                 {actFilePrint, "&Print"},
                 {nullptr, ""},
                 {FileExit1, "E&xit"}});
  menu("&Edit", {{actSEUndo, "&Undo"},
                 {nullptr, ""},
                 {actSECut, "&Cut"},
                 {actSECopy, "C&opy"},
                 {actSEPaste, "&Paste"},
                 {actSEDelete, "&Delete"},
                 {nullptr, ""},
                 {actSESelectAll, "&Select All"}});
  menu("&Query", {{actPrepare, "&Prepare"},
                  {actExecuteSQL, "&Execute"},
                  {actCancelQuery, "&Cancel"},
                  {actPrevious, "P&revious"},
                  {actNext, "&Next"}});
  menu("&Tools", {{actOptions, "&Options..."}, {actSetIndexStatistics, "&Set Statistics"}});
  menu("&Help", {{actHelpContents, "&Contents"},
                 {actIBVantorelleWebSite, "&InterBase Vantorelle Web Site"},
                 {actHelpAbout, "&About"}});

  atbrDatabase = new TActionToolBar(this);
  atbrDatabase->SetName("atbrDatabase");
  atbrDatabase->SetCaption("Database");
  atbrDatabase->SetParent(this);
  atbrDatabase->SetAlign(alTop);
  atbrDatabase->SetTop(ActionMainMenuBar->Height());
  atbrDatabase->SetActionManager(ActionManager);
  for (TAction* a : {actConnect, actDisconnect, actPrepare, actExecuteSQL, actCancelQuery, actPrevious, actNext}) {
    TActionClientItem* item = atbrDatabase->Items()->Add();
    item->Action = a;
  }

  pmnuEditor = new TPopupActionBar(this);
  for (TAction* a :
       {actSEUndo, static_cast<TAction*>(nullptr), actSECut, actSECopy, actSEPaste, actSEDelete, actSESelectAll})
    pmnuEditor->AddAction(a);
}

void TfrmMain::EditingAction(TAction* action, TBasicAction* fallback, void (TSQLEditorHost::*run)(),
                             bool (*enabled)(TSQLEditorHost&)) {
  auto* standard = static_cast<TCustomAction*>(fallback);
  action->OnExecute = [this, standard, run](TObject*) {
    if (SQLEditorActive()) {
      ((*memSQL).*run)();
      return;
    }
    if (FallbackEnabled(standard)) standard->ExecuteTarget(Screen->ActiveControl());
  };
  action->OnUpdate = [this, action, standard, enabled](TObject*) {
    bool on = FallbackEnabled(standard);
    if (SQLEditorActive()) on = on || enabled(*memSQL);
    action->SetEnabled(on);
  };
}

// A standard edit action is on only for a focused control it handles.
bool TfrmMain::FallbackEnabled(TCustomAction* standard) {
  TObject* target = Screen->ActiveControl();
  if (!target || !standard->HandlesTarget(target)) return false;
  standard->UpdateTarget(target);
  return standard->Enabled();
}

bool TfrmMain::SQLEditorActive() { return memSQL && ActiveControl() == memSQL->Control(); }

void TfrmMain::CreateDataModules() {
  dmServerProperties = new TdmServerProperties(this);
  dmServerProperties->OnChange = [this](TdmServerProperties*) { ConnectionChanged(); };
  dmQuery = new TdmQuery(this);
  dmQuery->OnPrepared = [this](TdmQuery*) { QueryPrepared(); };
  dmQuery->OnQueryComplete = [this](TdmQuery*) { QueryCompleted(); };
  dmQuery->OnFetchStart = [this](TdmQuery*) {
    SetUIState(usFetching);
    ShowTimes();
  };
  dmQuery->OnGetParamValues = [](TdmQuery* query) {
    TCursorGuard cursor(crDefault);
    ShowParamsDialog(query);
  };
  dmQuery->OnFetchProgress = [](TdmQuery*) { Application->ProcessMessages(); };
  dmQuery->OnError = [](TdmQuery*, const String& message) { ShowMessage(message); };
  dmQuery->SetDatabase(&dmServerProperties->IBDatabase);
  dmQuery->PacketRecords = 500;
  ConnectionChanged();
}

void TfrmMain::CreatePages() {
  PageControl = new TPageControl(this);
  PageControl->SetParent(this);
  PageControl->SetAlign(alClient);
  PageControl->HotTrack = true;
  auto page = [this](const char* name, const String& caption) {
    auto* sheet = new TTabSheet(this);
    sheet->SetName(name);
    sheet->SetPageControl(PageControl);
    sheet->SetCaption(caption);
    return sheet;
  };
  tshtSQL = page("tshtSQL", "SQL");
  tshtIndices = page("tshtIndices", "PLAN Analysis");
  tshtStatistics = page("tshtStatistics", "Statistics");
  PageControl->OnChange = [this](TObject*) {
    UpdatePrintCaption();
    UpdateCaretPanel();
  };
  CreateSQLPage();
  CreatePlanPage();
  CreateStatisticsPage();
}

void TfrmMain::CreateSQLPage() {
  pnlSQLEdit = new TPanel(this);
  pnlSQLEdit->SetParent(tshtSQL);
  pnlSQLEdit->SetAlign(alTop);
  pnlSQLEdit->SetHeight(297);
  pnlSQLEdit->SetBevelOuter(bvNone);
  pnlSQLEdit->SetCaption("");
  memSQL = std::make_unique<TSQLEditorHost>(pnlSQLEdit);
  memSQL->Control()->SetPopupMenu(pmnuEditor);
  memSQL->OnChange = [this] { memSQLChange(); };
  memSQL->OnCaretMoved = [this] { UpdateCaretPanel(); };
  splSQL = new TSplitter(this);
  splSQL->SetParent(tshtSQL);
  splSQL->SetAlign(alTop);
  splSQL->SetTop(297);
  splSQL->SetHeight(6);
  splSQL->Beveled = true;
  pnlPLANDisplay = new TPanel(this);
  pnlPLANDisplay->SetParent(tshtSQL);
  pnlPLANDisplay->SetAlign(alClient);
  pnlPLANDisplay->SetBevelOuter(bvNone);
  pnlPLANDisplay->SetCaption("");
  DataSource = new TDataSource(this);
  pnlResults = new TPanel(this);
  pnlResults->SetName("pnlResults");
  pnlResults->SetParent(pnlPLANDisplay);
  pnlResults->SetAlign(alClient);
  pnlResults->SetBevelOuter(bvLowered);
  pnlResults->SetCaption("");
  CreateResultGrid();
  sboResults = new TScrollBox(this);
  sboResults->SetParent(pnlPLANDisplay);
  sboResults->SetAlign(alClient);
  sboResults->SetBorderStyle(bsNone);
  sboResults->SetVisible(false);
  edtRowsAffected = new TLabeledEdit(this);
  edtRowsAffected->SetParent(sboResults);
  edtRowsAffected->SetLabelPosition(lpLeft);
  edtRowsAffected->EditLabel()->SetCaption("Rows Affected");
  edtRowsAffected->SetBounds(88, 12, 121, 21);
  AlignLeftLabeledEdits({edtRowsAffected}, 12, 400);
  edtRowsAffected->SetReadOnly(true);
}

void TfrmMain::CreateResultGrid() {
  dbgrdResults = new TkcGrid(this);
  dbgrdResults->SetName("dbgrdResults");
  dbgrdResults->SetParent(pnlResults);
  dbgrdResults->SetAlign(alClient);
  dbgrdResults->LookAndFeel()->SetKind(lfFlat);
  dbgrdResults->LookAndFeel()->SetNativeStyle(true);
  dbgrdResultsDBTableView1 = CreateGridView<TkcGridDBTableView>(this);
  dbgrdResultsDBTableView1->SetName("dbgrdResultsDBTableView1");
  dbgrdResultsDBTableView1->LookAndFeel()->SetMasterLookAndFeel(dbgrdResults->LookAndFeel());
  // Results are read, not edited or grouped: no group-by box, no editing, a plain selection;
  // the focused cell stays marked when the grid loses the focus.
  dbgrdResultsDBTableView1->OptionsView()->SetGroupByBox(false);
  dbgrdResultsDBTableView1->OptionsView()->SetGroupFooters(gfVisibleWhenExpanded);
  dbgrdResultsDBTableView1->Preview()->SetAutoHeight(false);
  dbgrdResultsDBTableView1->Preview()->SetMaxLineCount(2);
  dbgrdResultsDBTableView1->OptionsData()->SetEditing(false);
  dbgrdResultsDBTableView1->OptionsSelection()->SetHideFocusRectOnExit(false);
  dbgrdResultsDBTableView1->OptionsSelection()->SetInvertSelect(false);
  TkcGridDBDataController* dc = dbgrdResultsDBTableView1->DataController();
  dc->SetDataSource(DataSource);
  dc->Filter()->SetMaxValueListCount(1000);
  dbgrdResultsDBTableView1->Filtering()->SetItemPopupMaxDropDownItemCount(12);
  dbgrdResultsDBTableView1->NavigatorButtons.ConfirmDelete = false;
  dbgrdResultsLevel1 = dbgrdResults->Levels()->Add();
  dbgrdResultsLevel1->SetName("dbgrdResultsLevel1");
  dbgrdResultsLevel1->SetGridView(dbgrdResultsDBTableView1);
}

void TfrmMain::CreatePlanPage() {
  memPlan = new TRichEdit(this);
  memPlan->SetParent(tshtIndices);
  memPlan->SetAlign(alTop);
  memPlan->SetHeight(49);
  memPlan->SetReadOnly(true);
  memPlan->SetColor(clBtnFace);
  memPlan->SetParentColor(false);
  memPlan->SetScrollBars(ssBoth);
  memPlan->WordWrap = false;
  pnlTree = new TPanel(this);
  pnlTree->SetParent(tshtIndices);
  pnlTree->SetAlign(alLeft);
  pnlTree->SetWidth(249);
  pnlTree->SetBevelOuter(bvNone);
  pnlTree->SetCaption("");
  pnlIndexHint = new TPanel(this);
  pnlIndexHint->SetParent(pnlTree);
  pnlIndexHint->SetAlign(alBottom);
  pnlIndexHint->SetHeight(17);
  pnlIndexHint->SetBevelOuter(bvNone);
  pnlIndexHint->SetCaption("Click on an index for more information.");
  treePlanAnalysis = new TTreeView(this);
  treePlanAnalysis->SetParent(pnlTree);
  treePlanAnalysis->SetAlign(alClient);
  treePlanAnalysis->SetImages(ImageList);
  treePlanAnalysis->SetIndent(19);
  treePlanAnalysis->ReadOnly = true;
  treePlanAnalysis->HideSelection = false;
  treePlanAnalysis->OnChange = [this](TObject*, TTreeNode* node) { treePlanAnalysisChange(node); };
  splAnalysis = new TSplitter(this);
  splAnalysis->SetParent(tshtIndices);
  splAnalysis->SetAlign(alLeft);
  splAnalysis->SetLeft(250);
  splAnalysis->SetWidth(6);
  splAnalysis->Beveled = true;
  memAnalysisMemo = new TMemo(this);
  memAnalysisMemo->SetParent(tshtIndices);
  memAnalysisMemo->SetAlign(alClient);
  memAnalysisMemo->SetReadOnly(true);
  memAnalysisMemo->SetScrollBars(ssVertical);
  memAnalysisMemo->SetVisible(false);
  pnlAnalysisIndex = new TScrollBox(this);
  pnlAnalysisIndex->SetParent(tshtIndices);
  pnlAnalysisIndex->SetAlign(alClient);
  pnlAnalysisIndex->SetBorderStyle(bsNone);
  pnlAnalysisIndex->SetVisible(false);
  pnlAnalysisIndex->OnResize = [this](TObject*) { pnlAnalysisIndexResize(); };
  srcIndexStatistics = new TDataSource(this);
  auto* p = pnlAnalysisIndex;
  NewRightLabel(this, p, "Index name", 8);
  edtIndexName = NewDBControl<TDBEdit>(this, p, srcIndexStatistics, "INDEX_NAME", 8, 200);
  NewRightLabel(this, p, "Relation name", 34);
  edtRelationName = NewDBControl<TDBEdit>(this, p, srcIndexStatistics, "RELATION_NAME", 34, 200);
  NewRightLabel(this, p, "Field name(s)", 60);
  edtFieldNames = NewDBControl<TDBEdit>(this, p, srcIndexStatistics, "FIELD_NAMES", 60, 200);
  NewRightLabel(this, p, "Descending", 86);
  chkDescending = NewDBControl<TDBCheckBox>(this, p, srcIndexStatistics, "DESCENDING", 88, 17, 17);
  NewRightLabel(this, p, "System index", 110);
  chkSystemIndex = NewDBControl<TDBCheckBox>(this, p, srcIndexStatistics, "SYSTEM_FLAG", 112, 17, 17);
  NewRightLabel(this, p, "Foreign key", 134);
  edtForeignKey = NewDBControl<TDBEdit>(this, p, srcIndexStatistics, "FOREIGN_KEY", 134, 200);
  NewRightLabel(this, p, "Selectivity", 160);
  edtSelectivity = NewDBControl<TDBEdit>(this, p, srcIndexStatistics, "SELECTIVITY", 160, 110);
  btnSetStatistics = new TButton(this);
  btnSetStatistics->SetParent(p);
  btnSetStatistics->SetCaption("Set Statistics");
  btnSetStatistics->SetBounds(216, 158, 84, 25);
  btnSetStatistics->SetEnabled(false);
  btnSetStatistics->OnClick = [this](TObject*) { actSetIndexStatistics->Execute(); };
  NewRightLabel(this, p, "Description", 190);
  memDescription = NewDBControl<TDBMemo>(this, p, srcIndexStatistics, "DESCRIPTION", 190, 200, 60);
  memDescription->SetScrollBars(ssBoth);
}

void TfrmMain::CreateStatisticsPage() {
  auto* top = new TPanel(this);
  top->SetParent(tshtStatistics);
  top->SetAlign(alTop);
  top->SetHeight(41);
  top->SetBevelOuter(bvNone);
  top->SetCaption("");
  auto time = [this, top](const String& caption, int left) {
    auto* edit = new TLabeledEdit(this);
    edit->SetParent(top);
    edit->SetLabelPosition(lpLeft);
    edit->SetBounds(left, 10, 80, 21);
    edit->SetReadOnly(true);
    edit->EditLabel()->SetCaption(caption);
    return edit;
  };
  edtPrepareTime = time("Prepare time", 84);
  edtExecutionTime = time("Execution time", 262);
  edtFetchTime = time("Fetch time", 420);
  sboChart = new TScrollBox(this);
  sboChart->SetParent(tshtStatistics);
  sboChart->SetAlign(alClient);
  sboChart->SetBorderStyle(bsNone);
  ChartReads = new TChart(this);
  ChartReads->SetParent(sboChart);
  ChartReads->SetAlign(alClient);
  ChartReads->Title.Visible = false;
  ChartReads->View3D = false;
  ChartReads->AllowZoom = false;
  ChartReads->AllowPanning = pmVertical;
  ChartReads->BottomAxis.Title.Caption = "Reads";
  ChartReads->Legend.Visible = true;
  ChartReads->BackColor = clSilver;
  Series1 = new THorizBarSeries(this);
  Series1->Title = "Indexed";
  Series1->BarStyle = bsRectGradient;
  Series1->SetSeriesColor(clLime);
  Series1->Marks.Style = smsValue;
  ChartReads->AddSeries(Series1);
  Series2 = new THorizBarSeries(this);
  Series2->Title = "Sequential";
  Series2->SetSeriesColor(clGreen);
  Series2->Marks.Style = smsValue;
  Series2->Marks.BackColor = clYellow;
  ChartReads->AddSeries(Series2);
}

void TfrmMain::FormShow() {
  AlignLeftLabeledEdits({edtRowsAffected}, 12, 400);  // in the font the window shows
  pnlAnalysisIndexResize();
  SetCaption(Application->Title());
  LoadOptions();
}

String TfrmMain::SettingsFileName() {
  try {
    return GetSettingsFileName();
  } catch (Exception& e) {
    Application->ShowException(e);
    return String();
  }
}

void TfrmMain::LoadOptions() {
  for (TAction* a : {actConnect, actHelpAbout, actHelpContents, actOpenSQL, actOptions}) a->SetEnabled(true);
  const String fileName = SettingsFileName();
  TAnalyzerOptions o = fileName.empty() ? TAnalyzerOptions() : ReadOptions(fileName);
  WarnIfHigh = o.WarnIfHigh;
  WarningThreshold = o.WarningThreshold;
  ErrorThreshold = o.ErrorThreshold;
  IncludeSystemTables = o.IncludeSystemTables;
  EnableQueryCancellation = o.EnableQueryCancellation;
  PlanParser.SetMaxDepth(o.MaximumParserRecursionDepth);
  dmQuery->PacketRecords = o.PacketRecordsForFetching;
  UpdateCancelAbility();
}

// ---------------------------------------------------------------------------------------------
// States

void TfrmMain::SetUIState(TUIState state) {
  actSetIndexStatistics->SetEnabled(false);
  btnSetStatistics->SetEnabled(false);
  fUIState = state;
  const bool idle = state == usIdle;
  String panel;
  bool cancel = false;
  switch (state) {
    case usIdle: panel = dmServerProperties->DatabaseName(); break;
    case usFetching:
      panel = "Fetching result set...";
      cancel = true;
      break;
    case usDisconnected:
      ClearResults();
      panel = kConnectHint;
      break;
    case usRunning:
      panel = "Query running...";
      cancel = dmQuery->CancelEnabled;
      break;
  }
  StatusBar->SetPanelText(2, panel);
  actCancelQuery->SetEnabled(cancel);
  actConnect->SetEnabled(idle || state == usDisconnected);
  actDisconnect->SetEnabled(idle);
  actExecuteSQL->SetEnabled(idle);
  actPrepare->SetEnabled(idle);
  atbrDatabase->Invalidate();
}

void TfrmMain::ConnectionChanged() {
  const bool connected = dmServerProperties->Connected();
  dmQuery->SetConnected(connected);
  if (connected) {
    SetUIState(usIdle);
    UpdateCancelAbility();
    dmQuery->ServerAbove6 = dmServerProperties->ServerMajorVersion() > 6;
  } else {
    SetUIState(usDisconnected);
  }
}

void TfrmMain::UpdateCancelAbility() {
  // The flag keeps its value when the server cannot be asked.
  const bool can = EnableQueryCancellation && dmServerProperties->CanCancelQueries();
  dmQuery->CancelEnabled = can;
}

void TfrmMain::UpdateRunEnd() {
  if (dmQuery->Running()) return;
  if (fCancelling || fUIState == usRunning || fUIState == usFetching) {
    fCancelling = false;
    if (fUIState == usRunning || fUIState == usFetching)
      SetUIState(dmServerProperties->Connected() ? usIdle : usDisconnected);
  }
  if (fCloseWhenIdle) {
    fCloseWhenIdle = false;
    Close();
  }
}

namespace {
// The grid and the row count let go of the last statement's rows (its dataset is closed or
// about to be): no columns of fields that are gone, no count of rows no longer shown.
void ClearResultGrid(TfrmMain& f) {
  f.StatusBar->SetPanelText(1, "");
  f.DataSource->SetDataSet(nullptr);
  f.dbgrdResultsDBTableView1->ClearItems();
}
}  // namespace

void TfrmMain::ClearResults() {
  Series1->Clear();
  Series2->Clear();
  ClearResultGrid(*this);
  memPlan->SetText("");
  edtPrepareTime->SetText("");
  edtExecutionTime->SetText("");
  treePlanAnalysis->Items()->BeginUpdate();
  treePlanAnalysis->Items()->Clear();
  treePlanAnalysis->Items()->EndUpdate();
  treePlanAnalysisChange(nullptr);
  pnlAnalysisIndex->SetVisible(false);
  actSetIndexStatistics->SetEnabled(false);
  btnSetStatistics->SetEnabled(false);
}

void TfrmMain::SetActivePage(int index) {
  bool allow = true;
  if (PageControl->OnChanging) PageControl->OnChanging(PageControl, allow);
  if (!allow) return;
  PageControl->SetActivePageIndex(index);
  if (PageControl->OnChange) PageControl->OnChange(PageControl);
}

void TfrmMain::UpdateCaretPanel() {
  String text;
  if (PageControl->ActivePage() == tshtSQL) text = IntToStr(memSQL->CaretX()) + ": " + IntToStr(memSQL->CaretY());
  StatusBar->SetPanelText(0, text);
}

void TfrmMain::UpdateHistoryActions() {
  actPrevious->SetEnabled(SQLHistory.PreviousEnabled(HistoryIndex));
  actNext->SetEnabled(SQLHistory.NextEnabled(HistoryIndex));
  atbrDatabase->Invalidate();
}

void TfrmMain::memSQLChange() { actSaveSQL->SetEnabled(!memSQL->Text().empty()); }

void TfrmMain::HandleAppException(Exception& e) {
  if (IsBrokenConnection(e)) {
    // The attachment is gone: the window goes back to disconnected, and says why.
    dmServerProperties->ForceDisconnect();
    Application->ShowException(e);
    return;
  }
  if (auto* plan = dynamic_cast<EPlanParserError*>(&e)) {
    ::MessageBox(HandleAllocated() ? Handle() : HWND(), e.Message() + "\r\n\r\n" + plan->Plan(), Application->Title(),
                 MB_OK | MB_ICONERROR);
    return;
  }
  Application->ShowException(e);
}

void TfrmMain::FormCloseQuery(bool& canClose) {
  canClose = true;
  if (dmQuery->Running()) {
    // The run ends first: the window closes when its end has been handled.
    if (actCancelQuery->Enabled()) {
      try {
        actCancelQueryExecute();
      } catch (Exception& e) {
        Application->ShowException(e);
      }
    }
    fCloseWhenIdle = true;
    canClose = false;
    return;
  }
  try {
    actDisconnectExecute();
  } catch (Exception& e) {
    // Closing is never refused: the attachment goes, whatever its end said.
    dmServerProperties->ForceDisconnect();
  }
}

// ---------------------------------------------------------------------------------------------
// Actions

void TfrmMain::actConnectExecute() {
  TOwned<TdlgConnectToDB> dialog(new TdlgConnectToDB(nullptr));
  dialog->SetSettingsFileName(SettingsFileName());
  TdmServerProperties& server = *dmServerProperties;
  if (!server.DatabaseName().empty()) {
    dialog->SetDatabaseName(server.DatabaseName());
    dialog->SetPassword(server.Password());
    dialog->SetRole(server.Role());
    dialog->SetUserName(server.UserName());
    if (!server.CharacterSet().empty()) dialog->SetCharacterSet(server.CharacterSet());
  }
  if (dialog->ShowModal() != mrOk) return;
  server.SetConnected(false);
  server.SetDatabaseName(dialog->DatabaseName());
  server.SetPassword(dialog->Password());
  server.SetRole(dialog->Role());
  server.SetUserName(dialog->UserName());
  server.SetCharacterSet(dialog->CharacterSet());
  dialog.reset();
  server.SetConnected(true);
  if (server.Connected()) {
    SetActivePage(0);
    if (memSQL->Control()->CanFocus()) memSQL->Control()->SetFocus();
  }
}

void TfrmMain::actDisconnectExecute() {
  if (TDataSet* d = DataSource->DataSet()) d->Close();
  dmServerProperties->SetConnected(false);
  ClearResults();
}

void TfrmMain::actPrepareExecute() {
  if (!dmServerProperties->Connected()) {
    ConnectionChanged();
    return;
  }
  dmQuery->SetSQL(memSQL->Text());
  ClearResultGrid(*this);
  TCursorGuard cursor(crHourGlass);
  dmQuery->PrepareOnly();
}

void TfrmMain::actExecuteSQLExecute() {
  if (!dmServerProperties->Connected()) {
    ConnectionChanged();
    return;
  }
  dmQuery->SetSQL(memSQL->Text());
  ClearResultGrid(*this);
  const TCursor previous = Screen->Cursor();
  try {
    if (dmQuery->CancelEnabled)
      SetUIState(usRunning);
    else
      Screen->SetCursor(crHourGlass);
    dmQuery->ExecuteSQL();
  } catch (...) {
    Screen->SetCursor(previous);
    SetUIState(dmServerProperties->Connected() ? usIdle : usDisconnected);
    throw;
  }
  Screen->SetCursor(previous);
}

void TfrmMain::actCancelQueryExecute() {
  String message;
  dmQuery->CancelQuery(message);
  if (dmQuery->Running()) {
    // Nothing else may run on the attachment until the run's end has been handled.
    fCancelling = true;
    actCancelQuery->SetEnabled(false);
  } else {
    SetUIState(usIdle);
  }
  if (!message.empty()) throw Exception(message);
}

void TfrmMain::actPreviousExecute() {
  String text;
  if (SQLHistory.Previous(HistoryIndex, text)) memSQL->SetText(text);
  UpdateHistoryActions();
}

void TfrmMain::actNextExecute() {
  String text;
  if (SQLHistory.Next(HistoryIndex, text)) memSQL->SetText(text);
  UpdateHistoryActions();
}

void TfrmMain::actOpenSQLExecute() {
  if (OpenDialog->Execute()) memSQL->LoadFromFile(OpenDialog->FileName);
}

void TfrmMain::actSaveSQLExecute() {
  if (SaveDialog->Execute()) memSQL->SaveToFile(SaveDialog->FileName);
}

void TfrmMain::actOptionsExecute() {
  const String fileName = GetSettingsFileName();
  TOwned<TfrmOptions> dialog(new TfrmOptions(nullptr));
  dialog->SettingsFileName = fileName;
  if (dialog->ShowModal() == mrOk) {
    dialog.reset();
    LoadOptions();
  }
}

void TfrmMain::actSetIndexStatisticsExecute() {
  TTreeNode* node = treePlanAnalysis->Selected();
  auto* index = node ? dynamic_cast<TPlanTableIndex*>(static_cast<TPlanNode*>(node->Data)) : nullptr;
  if (!index || dmQuery->Running()) return;
  TCursorGuard cursor(crHourGlass);
  dmQuery->SetIndexStatistics(index->Text());
  srcIndexStatistics->SetDataSet(dmQuery->IndexStatistics());
  pnlAnalysisIndex->Repaint();
}

void TfrmMain::actFilePrintExecute() {
  const int page = PageControl->ActivePageIndex();
  TPrinter& printer = Printer();
  // Without a printer the job becomes a PDF file: the user is told where it went.
  const bool toDefaultFile = printer.PrinterCount() == 0 && printer.OutputFileName().empty();
  // The job's name tells the three prints apart ("... - PLAN Tree"); it also names their files.
  String what = actFilePrint->Caption();
  if (what.rfind("Print ", 0) == 0) what.erase(0, 6);
  const String title = Application->Title() + " - " + what;
  printer.SetTitle(title);
  if (page == 0)
    PrintSQLText(memSQL->Lines(), memSQL->Font(), title);
  else if (page == 1)
    PrintTree();
  else
    ChartReads->Print();
  if (toDefaultFile && !printer.LastOutputFile().empty())
    ShowMessage("No printer is installed: the printout was saved as \"" + printer.LastOutputFile() + "\".");
}

void TfrmMain::actHelpContentsExecute() {
  const String program = GetProgramFileName();
  ShellExecute(Handle(), "open", ExtractFilePath(program) + "Help/" + ChangeFileExt(ExtractFileName(program), ".html"),
               "", "", SW_SHOWNORMAL);
}

void TfrmMain::actIBVantorelleWebSiteExecute() {
  ShellExecute(Handle(), "open", VantorelleWebSite, "", "", SW_SHOWNORMAL);
}

void TfrmMain::actHelpAboutExecute() {
  TOwned<TdlgAbout> dialog(new TdlgAbout(nullptr));
  dialog->ShowModal();
}

// ---------------------------------------------------------------------------------------------
// Query display

void TfrmMain::QueryPrepared() {
  memPlan->SetText(dmQuery->Plan());
  const bool select = dmQuery->ResultDataSet() != nullptr;
  pnlResults->SetVisible(select);
  sboResults->SetVisible(!select);
  pnlAnalysisIndex->SetVisible(false);
  memAnalysisMemo->SetVisible(false);
  try {
    ParsePlanAndBuildTree();
  } catch (EPlanParserError& e) {
    // The statement still runs: the tree shows what was read, the message the whole PLAN.
    HandleAppException(e);
  }
  UpdateRowCount();
  Series1->Clear();
  Series2->Clear();
  ShowTimes();
  HistoryIndex = SQLHistory.Add(memSQL->LinesText());
  UpdateHistoryActions();
}

void TfrmMain::ParsePlanAndBuildTree() {
  String plan;
  TStrings* lines = memPlan->Lines();
  for (int i = 0; i < lines->Count(); ++i) plan += lines->Strings(i) + "\r\n";
  PlanParser.SetPlanText(plan);
  PlanParser.SetSQL(memSQL->LinesText());
  std::exception_ptr parseError;
  try {
    PlanParser.Parse();
  } catch (EPlanParserError&) {
    parseError = std::current_exception();
  }
  TTreeNodes* items = treePlanAnalysis->Items();
  items->BeginUpdate();
  try {
    items->Clear();
    AddPlanNode(PlanParser.Statement(), nullptr);
    treePlanAnalysis->FullExpand();
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
  if (items->Count() > 0) treePlanAnalysis->SetSelected(items->GetFirstNode());
  if (parseError) std::rethrow_exception(parseError);
}

void TfrmMain::AddPlanNode(TPlanNode* node, TTreeNode* parent) {
  TTreeNode* item = treePlanAnalysis->Items()->AddChildObject(parent, String(), node);
  String caption = node->Text();
  int image = -1;
  if (dynamic_cast<TPlanExpressionNode*>(node)) {
    image = imgClause;
  } else if (dynamic_cast<TPlanStatementNode*>(node)) {
    image = imgStatement;
    caption = "Query: " + TPlanParser::StripLineBreaks(node->Text(), true);
  } else if (auto* join = dynamic_cast<TPlanJoinTypeNode*>(node)) {
    image = join->JoinKind == 0 ? imgJoin : imgSortMerge;
  } else if (auto* table = dynamic_cast<TPlanTableSpecifier*>(node)) {
    static const char* const kinds[] = {"NATURAL", "INDEX", "ORDER"};
    static const int images[] = {imgNaturalRead, imgIndexRead, imgSortMerge};
    const int kind = table->AccessKind < 3 ? table->AccessKind : 0;
    image = images[kind];
    caption = "Table read: " + TPlanParser::StripLineBreaks(node->Text(), true) + " (" + kinds[kind] + ")";
  } else if (dynamic_cast<TPlanTableIndex*>(node)) {
    caption = "Index: " + TPlanParser::StripLineBreaks(node->Text(), true);
    if (WarnIfHigh) {
      // An index the system tables do not describe is marked, and the tree goes on.
      try {
        if (dmQuery->EnsureIndexStatistics(node->Text())) {
          TField* field = dmQuery->IndexStatistics()->FieldByName("SELECTIVITY");
          const double s = field->AsFloat();
          image = s > 0 && s < WarningThreshold ? imgIndexGood : s < ErrorThreshold ? imgIndexWarning : imgIndexError;
          caption += " (S: " + field->DisplayText() + ")";
        }
      } catch (Exception&) {
        image = imgIndexError;
      }
    }
  }
  item->SetText(caption);
  item->SetImageIndex(image);
  item->SetSelectedIndex(image);
  const TPlanNodes& children = node->Children();
  for (int i = 0; i < children.Count(); ++i) AddPlanNode(children[i], item);
}

void TfrmMain::treePlanAnalysisChange(TTreeNode* node) {
  TPlanNode* plan = node ? static_cast<TPlanNode*>(node->Data) : nullptr;
  if (auto* index = dynamic_cast<TPlanTableIndex*>(plan)) {
    // During a run the statistics come from what is known; the server is not asked.
    const bool known = dmQuery->EnsureIndexStatistics(index->Text());
    srcIndexStatistics->SetDataSet(known ? dmQuery->IndexStatistics() : nullptr);
    pnlAnalysisIndex->SetVisible(true);
    const bool canSet = !dmQuery->Running();
    actSetIndexStatistics->SetEnabled(canSet);
    btnSetStatistics->SetEnabled(canSet);
    memAnalysisMemo->SetVisible(false);
    pnlAnalysisIndex->Repaint();
  } else if (dynamic_cast<TPlanExpressionNode*>(plan) || dynamic_cast<TPlanStatementNode*>(plan)) {
    memAnalysisMemo->SetText(plan->Text());
    memAnalysisMemo->SetVisible(true);
    pnlAnalysisIndex->SetVisible(false);
  } else {
    pnlAnalysisIndex->SetVisible(false);
    memAnalysisMemo->SetVisible(false);
    actSetIndexStatistics->SetEnabled(false);
    btnSetStatistics->SetEnabled(false);
  }
}

void TfrmMain::pnlAnalysisIndexResize() {
  const int width =
      std::max(pnlAnalysisIndex->Width() - edtIndexName->Left() - edtIndexName->Height(), edtIndexName->Width());
  edtFieldNames->SetWidth(width);
  memDescription->SetWidth(width);
}

void TfrmMain::UpdateRowCount() {
  if (TDataSet* result = dmQuery->ResultDataSet()) {
    StatusBar->SetPanelText(1, "Row count: " + IntToStr(result->RecordCount()));
  } else {
    StatusBar->SetPanelText(1, "");
    const int rows = dmQuery->RowsAffected();
    edtRowsAffected->SetText(rows < 0 ? String() : IntToStr(rows));
  }
}

void TfrmMain::ShowTimes() {
  auto show = [](TLabeledEdit* edit, int ms) { edit->SetText(ms < 0 ? String() : IntToStr(ms) + " ms."); };
  show(edtPrepareTime, dmQuery->PrepareTime());
  show(edtExecutionTime, dmQuery->ExecutionTime());
  show(edtFetchTime, dmQuery->FetchTime());
}

void TfrmMain::FillReadChart() {
  Series1->Clear();
  Series2->Clear();
  const std::vector<TRelationReads> indexed = dmQuery->IndexedReads();
  const std::vector<TRelationReads> sequential = dmQuery->SequentialReads();
  auto hidden = [this](const String& name) { return !IncludeSystemTables && IsSystemRelation(name); };
  // The sequential entries by name (letter case ignored), each used once.
  std::unordered_multimap<String, std::size_t> byName;
  for (std::size_t i = 0; i < sequential.size(); ++i) byName.emplace(UpperCase(sequential[i].RelationName), i);
  std::vector<bool> used(sequential.size(), false);
  for (const TRelationReads& r : indexed) {
    std::size_t match = sequential.size();
    auto range = byName.equal_range(UpperCase(r.RelationName));
    for (auto it = range.first; it != range.second; ++it)
      if (!used[it->second] && it->second < match) match = it->second;
    if (match < sequential.size()) used[match] = true;
    if (hidden(r.RelationName)) continue;
    Series1->Add(static_cast<double>(r.Reads), r.RelationName, clLime);
    if (match < sequential.size())
      Series2->Add(static_cast<double>(sequential[match].Reads), sequential[match].RelationName, clGreen);
    else
      Series2->Add(0, r.RelationName, clGreen);
  }
  for (std::size_t i = 0; i < sequential.size(); ++i) {
    if (used[i] || hidden(sequential[i].RelationName)) continue;
    Series1->Add(0, sequential[i].RelationName, clLime);
    Series2->Add(static_cast<double>(sequential[i].Reads), sequential[i].RelationName, clGreen);
  }
}

void TfrmMain::QueryCompleted() {
  SetUIState(usIdle);
  UpdateRowCount();
  FillReadChart();
  // The result grid follows this data source; its columns are made anew from the fields.
  // One read of the rows: the dataset, the cleared columns and the new ones wait for the unlock.
  TkcGridDBDataController* dc = dbgrdResultsDBTableView1->DataController();
  dc->LockDataReload();
  try {
    DataSource->SetDataSet(dmQuery->ResultDataSet());
    if (DataSource->DataSet()) {
      dbgrdResultsDBTableView1->ClearItems();
      dc->CreateAllItems();
    }
  } catch (...) {
    dc->UnlockDataReload();
    throw;
  }
  dc->UnlockDataReload();
  ShowTimes();
}

void TfrmMain::UpdatePrintCaption() {
  static const char* const captions[] = {"Print SQL", "Print PLAN Tree", "Print Chart"};
  const int page = PageControl->ActivePageIndex();
  if (page >= 0 && page < 3) actFilePrint->SetCaption(captions[page]);
}

void TfrmMain::PrintTree() {
  TBitmap picture(treePlanAnalysis->Width(), treePlanAnalysis->Height());
  treePlanAnalysis->Perform(WM_PRINT, static_cast<WPARAM>(picture.Canvas()->Handle().value), PRF_CLIENT | PRF_CHILDREN);
  PrintBitmap(&picture);
}

void TfrmMain::PrintBitmap(TBitmap* bitmap) {
  TPrinter& printer = Printer();
  printer.BeginDoc();
  try {
    HDC dc = printer.Handle();
    TRect page, image;
    if (PrintBitmapRects(GetDeviceCaps(dc, LOGPIXELSX), GetDeviceCaps(dc, LOGPIXELSY), printer.PageWidth(),
                         printer.PageHeight(), bitmap->Width(), bitmap->Height(), page, image))
      StretchBlt(dc, image.left, image.top, image.right - image.left, image.bottom - image.top,
                 bitmap->Canvas()->Handle(), 0, 0, bitmap->Width(), bitmap->Height(), SRCCOPY);
  } catch (...) {
    printer.Abort();
    throw;
  }
  printer.EndDoc();
}
