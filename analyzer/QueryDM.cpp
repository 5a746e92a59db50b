#include "analyzer/QueryDM.h"

#include "analyzer/PlanParser.h"

#include "platform/core/Clock.h"
#include "platform/core/DateUtils.h"
#include "platform/core/Math.h"
#include "platform/ib/IBErrors.h"

#include <memory>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Timing

int TicksToMilliseconds(std::int64_t ticks, std::int64_t frequency) {
  if (frequency <= 0) return -1;
  return static_cast<int>(Round(static_cast<double>(ticks) / static_cast<double>(frequency) * 1000.0));
}

int DaysToMilliseconds(double days) { return static_cast<int>(Round(days * 24 * 60 * 60 * 1000)); }

TRunStamp TRunStamp::Take() {
  TRunStamp s;
  s.HasCounter = QueryPerformanceCounter(&s.Counter);
  if (!s.HasCounter) s.Time = Now();
  return s;
}

int StampMilliseconds(const TRunStamp& start, const TRunStamp& end, std::int64_t frequency) {
  if (start.HasCounter && end.HasCounter && frequency > 0)
    return TicksToMilliseconds(end.Counter - start.Counter, frequency);
  return DaysToMilliseconds(end.Time - start.Time);
}

namespace {
std::int64_t ReadFrequency() {
  std::int64_t f = 0;
  return QueryPerformanceFrequency(&f) ? f : 0;
}

// Commits after a failure: the failure, not an error of the commit, is what passes on.
void CommitAfterFailure(TIBTransaction& t) {
  try {
    if (t.InTransaction()) t.Commit();
  } catch (...) {}
}

// Runs `work` inside the transaction (started when needed) and commits afterwards, also when
// the work raised; then the work's error passes on.
template <class F>
void InTransaction(TIBTransaction& t, F work) {
  if (!t.InTransaction()) t.StartTransaction();
  try {
    work();
  } catch (...) {
    CommitAfterFailure(t);
    throw;
  }
  t.Commit();
}

void SetTransactionParams(TIBTransaction& t) {
  for (const char* p : {"read_committed", "rec_version", "nowait"}) t.Params().Add(p);
}

String ExceptionText(const std::exception_ptr& e) {
  try {
    std::rethrow_exception(e);
  } catch (const Exception& x) {
    return x.Message();
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "Unknown error";
  }
}
}  // namespace

// ---------------------------------------------------------------------------------------------
// Worker

TQueryThread::~TQueryThread() { WaitFor(); }

void TQueryThread::WaitFor() {
  if (fThread.joinable()) fThread.join();
}

void TQueryThread::Start(TUiThreadDispatcher& dispatcher) {
  TUiThreadDispatcher* d = &dispatcher;
  fThread = std::thread([this, d] {
    try {
      Execute();
    } catch (...) {
      fFatal = std::current_exception();
    }
    d->Post([this] {
      std::unique_ptr<TQueryThread> self(this);
      WaitFor();
      if (OnTerminate) OnTerminate(this);
    });
  });
}

void TQueryThread::Execute() {
  Milliseconds = 0;
  std::int64_t frequency = ReadFrequency();
  switch (Operation) {
    case opPrepare: {
      TRunStamp start = TRunStamp::Take();
      DataSet->Prepare();
      Milliseconds = StampMilliseconds(start, TRunStamp::Take(), frequency);
      break;
    }
    case opExecute: {
      TRunStamp start = TRunStamp::Take();
      DataSet->ExecSQL();
      Milliseconds = StampMilliseconds(start, TRunStamp::Take(), frequency);
      break;
    }
    case opOpen: DataSet->Open(); break;
    default: throw Exception(UndefinedQueryOperationText);
  }
}

// ---------------------------------------------------------------------------------------------
// Engine: creation

TdmQuery::TdmQuery(TComponent* AOwner) : TdmIBConnection(AOwner) {
  IBTransaction.SetName("IBTransaction");
  IBDataSet.SetName("IBDataSet");
  IBDatabaseInfo.SetName("IBDatabaseInfo");
  trxRelationIDToRelationName.SetName("trxRelationIDToRelationName");
  trxIndices.SetName("trxIndices");
  sqlRelationIDToRelationName.SetName("sqlRelationIDToRelationName");
  sqlIndices.SetName("sqlIndices");
  sqlIndexSegments.SetName("sqlIndexSegments");
  sqlRecordCount.SetName("sqlRecordCount");
  sqlSetStatistics.SetName("sqlSetStatistics");
  dsIndices.SetName("dsIndices");

  for (TIBTransaction* t : {&IBTransaction, &trxRelationIDToRelationName, &trxIndices}) SetTransactionParams(*t);
  IBTransaction.SetIdleTimer(QueryIdleTimerMs);
  IBTransaction.AutoStopAction = saCommit;
  IBTransaction.DefaultAction = taCommit;
  IBTransaction.OnIdleTimer = [this](TIBTransaction*) { IBTransactionIdleTimer(); };
  IBDataSet.SetTransaction(&IBTransaction);
  IBDataSet.BeforeOpen = TDataSetNotifyEvent([this](TDataSet*) { IBDataSetBeforeOpen(); });
  IBDataSet.SetBufferChunks(10000);

  sqlRelationIDToRelationName.SetTransaction(&trxRelationIDToRelationName);
  sqlRelationIDToRelationName.SetSQL(
      "SELECT RDB$RELATION_NAME FROM RDB$RELATIONS WHERE RDB$RELATION_ID = :RELATION_ID");
  for (TIBSQL* q : {&sqlIndices, &sqlIndexSegments, &sqlRecordCount, &sqlSetStatistics}) q->SetTransaction(&trxIndices);
  sqlIndices.SetSQL(
      "SELECT RDB$RELATION_NAME, RDB$INDEX_TYPE, RDB$FOREIGN_KEY, RDB$SYSTEM_FLAG, RDB$DESCRIPTION, RDB$STATISTICS "
      "FROM RDB$INDICES WHERE RDB$INDEX_NAME = :INDEX_NAME");
  sqlIndexSegments.SetSQL(
      "SELECT RDB$FIELD_NAME FROM RDB$INDEX_SEGMENTS WHERE RDB$INDEX_NAME = :INDEX_NAME ORDER BY RDB$FIELD_POSITION");

  fRowsAffected = -1;
  fFrequency = ReadFrequency();
  CreateIndexStatisticsDataSet();
}

void TdmQuery::CreateIndexStatisticsDataSet() {
  TFieldDefs& defs = dsIndices.FieldDefs();
  defs.Add("INDEX_NAME", ftString, 31);
  defs.Add("RELATION_NAME", ftString, 31);
  defs.Add("RELATION_RECORD_COUNT", ftLargeint);  // COUNT(*) is 64-bit
  defs.Add("FIELD_NAMES", ftString, 310);
  defs.Add("SYSTEM_FLAG", ftBoolean);
  defs.Add("DESCRIPTION", ftMemo, 2048);
  defs.Add("SELECTIVITY", ftFloat);
  defs.Add("FOREIGN_KEY", ftString, 31);
  defs.Add("DESCENDING", ftBoolean);
  dsIndices.IndexDefs().Add("X_INDEX_NAME", "INDEX_NAME", {ixPrimary, ixUnique});
  dsIndices.SetIndexName("X_INDEX_NAME");
  dsIndices.CreateDataSet();
  static_cast<TFloatField*>(dsIndices.FieldByName("SELECTIVITY"))->SetDisplayFormat("###,###,###,###.0#");
}

TdmQuery::~TdmQuery() {
  // A worker still running uses the attachment and this module: wait for it, and let its end,
  // whenever the user-interface thread gets to it, only free the thread.
  if (fWorker) {
    fWorker->OnTerminate = nullptr;
    fWorker->WaitFor();
    fWorker = nullptr;
  }
  try {
    CommitIfActive();
  } catch (...) {}
}

// ---------------------------------------------------------------------------------------------
// Engine: running

namespace {
// SELECT … FOR UPDATE returns rows too.
bool ReturnsRows(int statementType) { return statementType == SQLSelect || statementType == SQLSelectForUpdate; }
}  // namespace

bool TdmQuery::IsSelect() const { return IBDataSet.Prepared() && ReturnsRows(IBDataSet.StatementType()); }

int TdmQuery::Milliseconds(const TRunStamp& from, const TRunStamp& to) const {
  return StampMilliseconds(from, to, fFrequency);
}

void TdmQuery::CommitIfActive() {
  if (IBTransaction.InTransaction()) {
    IBDataSet.Close();
    IBTransaction.Commit();
  }
  fRowsAffected = -1;
}

void TdmQuery::PrepareTimed() {
  TRunStamp start = TRunStamp::Take();
  IBDataSet.Prepare();
  fStatementHandle = IBDataSet.Handle();
  TRunStamp end = TRunStamp::Take();
  fPrepareTime = Milliseconds(start, end);
}

void TdmQuery::AfterPrepare() {
  BindParameters();
  try {
    fPlan = IBDataSet.Plan();
  } catch (const EIBPlanError&) {
    fPlan.clear();
  }
  fRowsAffected = -1;
  fExecutionTime = -1;
  fFetchTime = -1;
  fResultDataSet = nullptr;
  fStatementHandle = IBDataSet.Handle();
  if (ReturnsRows(IBDataSet.StatementType())) fResultDataSet = &IBDataSet;
  fPlanError = nullptr;
  if (!OnPrepared) return;
  try {
    OnPrepared(this);
  } catch (const EPlanParserError&) {
    // A PLAN the window cannot read never stops the statement: the error is raised when the
    // run (or the prepare alone) has ended.
    fPlanError = std::current_exception();
  }
}

void TdmQuery::RaisePlanError() {
  std::exception_ptr error = std::exchange(fPlanError, nullptr);
  if (error) std::rethrow_exception(error);
}

void TdmQuery::PrepareAndInspect() {
  PrepareTimed();
  AfterPrepare();
}

void TdmQuery::PrepareOnly() {
  CommitIfActive();
  InTransaction(IBTransaction, [this] { PrepareAndInspect(); });
  RaisePlanError();
}

void TdmQuery::IBDataSetBeforeOpen() {
  TakeReadBaseline();
  fStart = TRunStamp::Take();
}

void TdmQuery::ExecuteSQL() {
  // Known before anything starts, so that a program without one fails with nothing begun.
  TUiThreadDispatcher* ui = CancelEnabled ? (Dispatcher ? Dispatcher : &DefaultUiThreadDispatcher()) : nullptr;
  CommitIfActive();
  fCancelled = false;
  IBTransaction.StartTransaction();
  try {
    PrepareAndInspect();
  } catch (...) {
    CommitAfterFailure(IBTransaction);
    throw;
  }
  fRunning = true;
  if (!CancelEnabled) {
    std::exception_ptr error;
    try {
      RunStatement();
    } catch (...) {
      error = std::current_exception();
    }
    fRunFailed = error != nullptr;
    if (error) fPlanError = nullptr;  // the run's own error is the one to show
    QueryDone(nullptr);
    if (error) std::rethrow_exception(error);
    return;
  }
  // The worker only opens; no notification of the dataset may reach controls from it.
  IBDataSet.DisableControls();
  fControlsHeld = true;
  fWorker = new TQueryThread(&IBDataSet, TQueryThread::opOpen);
  fWorker->OnTerminate = [this](TQueryThread* sender) { QueryDone(sender); };
  fWorker->Start(*ui);
}

void TdmQuery::RunStatement() {
  if (IsSelect()) {
    // Held until the fetch has ended (QueryDone): a grid still bound to the dataset would
    // otherwise read the whole result at once, with no packets and no way to cancel.
    IBDataSet.DisableControls();
    fControlsHeld = true;
    IBDataSet.Open();
  } else {
    TakeReadBaseline();
    fStart = TRunStamp::Take();
    IBDataSet.ExecSQL();
  }
}

void TdmQuery::ReleaseControls() {
  if (std::exchange(fControlsHeld, false)) IBDataSet.EnableControls();
}

void TdmQuery::QueryDone(TQueryThread* worker) {
  fEnd = TRunStamp::Take();
  fExecutionTime = Milliseconds(fStart, fEnd);
  bool failed = fRunFailed;
  fRunFailed = false;
  if (worker) {
    fWorker = nullptr;
    if (worker->FatalException()) {
      failed = true;
      String message = ExceptionText(worker->FatalException());
      if (message != OperationCancelledText && OnError) OnError(this, message);
    }
  }
  bool select = IsSelect();
  try {
    bool fetched = false;
    if (!failed && !fCancelled) {
      if (select) {
        fStatementHandle = 0;
        IBDataSet.Open();
        if (OnFetchStart) OnFetchStart(this);
        FetchAll();
        fetched = true;
      } else {
        fRowsAffected = IBDataSet.RowsAffected();
      }
    }
    // The grid takes the rows now: those fetched, and none more (a SELECT cancelled after its
    // open keeps only what the open read).
    if (select && IBDataSet.Active()) IBDataSet.CloseCursor();
    ReleaseControls();
    // A close during the fetch may have ended the attachment: then there is nothing to show.
    const bool attached = Database() && Database()->Connected();
    if (attached) RefreshCurrentCounts();
    if ((!fCancelled || (fetched && attached && IBDataSet.Active())) && OnQueryComplete) OnQueryComplete(this);
  } catch (...) {
    fRunning = false;
    try {
      ReleaseControls();
    } catch (...) {}
    if (!select) CommitAfterFailure(IBTransaction);
    throw;
  }
  fRunning = false;
  if (IBTransaction.InTransaction() && !select) IBTransaction.Commit();
  RaisePlanError();
}

void TdmQuery::FetchAll() {
  IBDataSet.DisableControls();
  try {
    while (!fCancelled) {
      if (IBDataSet.MoveBy(PacketRecords) <= 0) break;
      if (OnFetchProgress) OnFetchProgress(this);
    }
    // What the packets brought is the result, also when Cancel cut it short (or packets of no
    // rows fetched nothing): nothing reads further, a grid bound to the dataset included.
    if (IBDataSet.Active()) {
      IBDataSet.CloseCursor();
      fFetchTime = Milliseconds(fEnd, TRunStamp::Take());
      IBDataSet.First();
    } else {
      fFetchTime = -1;
    }
  } catch (...) {
    IBDataSet.EnableControls();
    throw;
  }
  IBDataSet.EnableControls();
}

void TdmQuery::CancelQuery(String& message) {
  message.clear();
  if (CancelEnabled && fStatementHandle != 0 && Database() && Database()->Connected()) {
    // The server cancels whatever runs on the attachment; with nothing running it says so,
    // which is no failure.
    ISC_STATUS_ARRAY status{};
    isc_db_handle handle = Database()->Handle();
    ISC_STATUS rc = IBClient().fb_cancel_operation(status, &handle, fb_cancel_raise);
    if (rc != 0 && IBStatusFailed(status) && status[1] != ibeNothingToCancel) message = IBSQLCodeMessage(status);
  }
  fCancelled = true;
}

void TdmQuery::IBTransactionIdleTimer() {
  if (IBTransaction.AutoStopAction == saCommit) {
    IBDataSet.Close();
    fRowsAffected = -1;
  }
}

// ---------------------------------------------------------------------------------------------
// Parameters

TParamLine* TdmQuery::FindRemembered(const String& name) {
  for (TParamLine& l : fRemembered)
    if (SameText(l.Name, name)) return &l;
  return nullptr;
}

void TdmQuery::BindParameters() {
  ClearAllParams();
  ApplyRememberedParams();
  if (OnGetParamValues) OnGetParamValues(this);
  RememberParams();
}

void TdmQuery::ClearAllParams() { IBDataSet.Params().ClearAll(); }

void TdmQuery::ApplyRememberedParams() {
  TIBParams& params = IBDataSet.Params();
  for (int i = 0; i < params.Count(); ++i) {
    const TParamLine* line = FindRemembered(params[i].Name());
    if (!line || line->IsNull) continue;
    // A value remembered from a parameter of another type that this one cannot take: the
    // parameter stays null and the dialog asks for it, rather than failing every prepare
    // before the user could give another value.
    try {
      params[i].SetAsString(line->Value);
    } catch (const EConvertError&) {}
  }
}

void TdmQuery::RememberParams() {
  TIBParams& params = IBDataSet.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TIBParam& p = params[i];
    bool isNull = p.IsNull();
    String value = isNull ? String() : p.AsString();
    if (TParamLine* line = FindRemembered(p.Name())) {
      line->Name = p.Name();
      line->Value = value;
      line->IsNull = isNull;
    } else {
      fRemembered.push_back({p.Name(), value, isNull});
    }
  }
}

const std::vector<TParamLine>& TdmQuery::GetParamList() {
  fParamList.clear();
  TIBParams& params = IBDataSet.Params();
  for (int i = 0; i < params.Count(); ++i) {
    TIBParam& p = params[i];
    bool isNull = p.IsNull();
    fParamList.push_back({p.Name(), isNull ? String() : p.AsString(), isNull});
  }
  return fParamList;
}

void TdmQuery::SetParamValue(const String& name, const String& text, bool isNull) {
  TIBParam& p = IBDataSet.Params().ByName(name);
  if (isNull)
    p.Clear();
  else
    p.SetAsString(text);
}

// ---------------------------------------------------------------------------------------------
// Read counters

void TdmQuery::RefreshCurrentCounts() {
  fCurrentSequential = IBDatabaseInfo.ReadCounts(isc_info_read_seq_count);
  fCurrentIndexed = IBDatabaseInfo.ReadCounts(isc_info_read_idx_count);
}

void TdmQuery::TakeReadBaseline() {
  RefreshCurrentCounts();
  for (const auto& [id, count] : fCurrentSequential) fOldSequentialReads[id] = count;
  for (const auto& [id, count] : fCurrentIndexed) fOldIndexedReads[id] = count;
}

const std::vector<TRelationReads>& TdmQuery::IndexedReads() {
  GetOperationCounts(isc_info_read_idx_count, fCurrentIndexed, fIndexedDeltas);
  return fIndexedDeltas;
}

const std::vector<TRelationReads>& TdmQuery::SequentialReads() {
  GetOperationCounts(isc_info_read_seq_count, fCurrentSequential, fSequentialDeltas);
  return fSequentialDeltas;
}

std::int64_t TdmQuery::StoreReads(std::map<int, std::int64_t>& baseline, int id, std::int64_t count) {
  auto [it, inserted] = baseline.try_emplace(id, 0);
  std::int64_t old = it->second;
  it->second = count;
  return count - old;
}

void TdmQuery::GetOperationCounts(int item, const std::vector<std::pair<int, std::int64_t>>& current,
                                  std::vector<TRelationReads>& deltas) {
  std::map<int, std::int64_t>* baseline = nullptr;
  if (item == isc_info_read_seq_count)
    baseline = &fOldSequentialReads;
  else if (item == isc_info_read_idx_count)
    baseline = &fOldIndexedReads;
  else
    throw Exception("TdmMain.GetOperationCounts: Unknown DBInfoCommand \"" + IntToStr(item) + "\"");
  deltas.clear();
  for (const auto& [id, count] : current) {
    std::int64_t delta = StoreReads(*baseline, id, count);
    String name = TrimRight(RelationName(id));
    if (delta > 0) deltas.push_back({name, delta});
  }
}

String TdmQuery::RelationName(int id) {
  auto it = fRelationNames.find(id);
  if (it != fRelationNames.end()) return it->second;
  String name;
  InTransaction(trxRelationIDToRelationName, [&] {
    TIBSQL& q = sqlRelationIDToRelationName;
    q.Close();
    if (Database() && Database()->SQLDialect() < 2)
      q.ParamByName("RELATION_ID").SetAsInteger(id);
    else
      q.ParamByName("RELATION_ID").SetAsInt64(id);
    q.ExecQuery();
    if (q.Eof()) {
      q.Close();
      throw Exception("RDB$RELATION_NAME not found for RDB$RELATION_ID " + IntToStr(id));
    }
    name = q.FieldByName("RDB$RELATION_NAME").AsString();
    q.Close();
  });
  fRelationNames.emplace(id, name);
  return name;
}

void TdmQuery::SetConnected(bool connected) {
  if (connected) {
    TakeReadBaseline();
    return;
  }
  fSequentialDeltas.clear();
  fIndexedDeltas.clear();
  fRelationNames.clear();
  fOldSequentialReads.clear();
  fOldIndexedReads.clear();
  // The next attachment may be another database, where the same index names mean other indexes.
  dsIndices.EmptyDataSet();
  IBTransaction.AutoStopAction = ServerAbove6 ? saCommitRetaining : saCommit;
}

// ---------------------------------------------------------------------------------------------
// Index statistics

String TdmQuery::QuoteName(const String& name) const {
  if (Database() && Database()->SQLDialect() >= 2) return AnsiQuotedStr(name, '"');
  return name;
}

bool TdmQuery::LocateIndex(const String& indexName) { return dsIndices.Locate("INDEX_NAME", indexName); }

bool TdmQuery::EnsureIndexStatistics(const String& indexName) {
  if (LocateIndex(indexName)) return true;
  // While the worker runs, a call on the attachment would wait for the statement to end.
  if (fWorker) return false;
  InternalCalculateIndexStatistics(indexName);
  return true;
}

void TdmQuery::InternalCalculateIndexStatistics(const String& indexName) {
  auto field = [this](const char* name) { return dsIndices.FieldByName(name); };
  try {
    InTransaction(trxIndices, [&] {
      sqlIndices.Close();
      sqlIndices.ParamByName("INDEX_NAME").SetAsString(indexName);
      sqlIndices.ExecQuery();
      if (sqlIndices.Eof()) {
        sqlIndices.Close();
        throw Exception("TdmMain.InternalCalculateIndexStatistics: Unknown index \"" + indexName + "\"");
      }
      // NULL flags and statistics count as 0.
      dsIndices.Append();
      field("INDEX_NAME")->SetAsString(indexName);
      field("RELATION_NAME")->SetAsString(sqlIndices.FieldByName("RDB$RELATION_NAME").AsString());
      TIBValue flag = sqlIndices.FieldByName("RDB$SYSTEM_FLAG");
      field("SYSTEM_FLAG")->SetAsBoolean(!flag.IsNull() && flag.AsInteger() != 0);
      TIBValue type = sqlIndices.FieldByName("RDB$INDEX_TYPE");
      field("DESCENDING")->SetAsBoolean(!type.IsNull() && type.AsInteger() == 1);
      field("DESCRIPTION")->SetAsString(sqlIndices.FieldByName("RDB$DESCRIPTION").AsString());
      field("FOREIGN_KEY")->SetAsString(sqlIndices.FieldByName("RDB$FOREIGN_KEY").AsString());
      TIBValue stat = sqlIndices.FieldByName("RDB$STATISTICS");
      double statistic = stat.IsNull() ? 0 : stat.AsDouble();
      sqlIndices.Close();

      sqlIndexSegments.Close();
      sqlIndexSegments.ParamByName("INDEX_NAME").SetAsString(indexName);
      sqlIndexSegments.ExecQuery();
      String fieldNames;
      for (bool first = true; !sqlIndexSegments.Eof(); sqlIndexSegments.Next(), first = false) {
        if (!first) fieldNames += ", ";
        fieldNames += TrimRight(sqlIndexSegments.FieldByName("RDB$FIELD_NAME").AsString());
      }
      sqlIndexSegments.Close();
      field("FIELD_NAMES")->SetAsString(fieldNames);

      // The relation name as the record keeps it (trailing blanks are insignificant when quoted).
      sqlRecordCount.Close();
      sqlRecordCount.SetSQL("SELECT COUNT(*) AS RECORD_COUNT FROM " + QuoteName(field("RELATION_NAME")->AsString()));
      sqlRecordCount.ExecQuery();
      std::int64_t recordCount = sqlRecordCount.FieldByName("RECORD_COUNT").AsInt64();
      sqlRecordCount.Close();
      field("RELATION_RECORD_COUNT")->SetAsLargeInt(recordCount);
      field("SELECTIVITY")->SetAsFloat(statistic * static_cast<double>(recordCount));
      dsIndices.Post();
    });
  } catch (...) {
    if (dsIndices.State() == dsInsert) dsIndices.Cancel();
    throw;
  }
}

void TdmQuery::SetIndexStatistics(const String& indexName) {
  dsIndices.DisableControls();
  try {
    // The server's statement first: when it fails, the record shown stays as it was.
    try {
      InTransaction(trxIndices, [&] {
        sqlSetStatistics.Close();
        sqlSetStatistics.SetSQL("SET STATISTICS INDEX " + QuoteName(indexName));
        sqlSetStatistics.ExecQuery();
      });
    } catch (...) {
      LocateIndex(indexName);
      throw;
    }
    if (LocateIndex(indexName)) dsIndices.Delete();
    InternalCalculateIndexStatistics(indexName);
  } catch (...) {
    dsIndices.EnableControls();
    throw;
  }
  dsIndices.EnableControls();
}
