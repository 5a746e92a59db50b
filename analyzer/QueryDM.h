#pragma once
// The query engine: runs one SQL statement at a time on the tool's attachment, directly or on a
// worker thread, fetches its result in packets, measures its times, binds its parameters, and
// keeps the per-table read counters and the index statistics the PLAN tree shows.

#include "analyzer/IBConnectionDM.h"
#include "platform/core/SysUtils.h"
#include "platform/core/UiThread.h"
#include "platform/db/DBClient.h"
#include "platform/ib/IBCustomDataSet.h"
#include "platform/ib/IBDatabaseInfo.h"
#include "platform/ib/IBSQL.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Timing

// round(ticks / frequency × 1000), halves to even; -1 when the frequency is not positive.
int TicksToMilliseconds(std::int64_t ticks, std::int64_t frequency);
// round(days × 24 × 60 × 60 × 1000), halves to even.
int DaysToMilliseconds(double days);

// A start or end stamp: the high-resolution counter, and the wall clock when it cannot be read.
struct TRunStamp {
  bool HasCounter = false;
  std::int64_t Counter = 0;
  TDateTime Time = 0;
  static TRunStamp Take();
};
int StampMilliseconds(const TRunStamp& start, const TRunStamp& end, std::int64_t frequency);

// ---------------------------------------------------------------------------------------------
// The worker

class TQueryThread {
public:
  enum { opPrepare = 0, opExecute = 1, opOpen = 2 };
  // Created suspended; Start runs it. It frees itself after its termination callback ran.
  TQueryThread(TIBDataSet* dataSet, int operation) : DataSet(dataSet), Operation(operation) {}
  TQueryThread(const TQueryThread&) = delete;
  TQueryThread& operator=(const TQueryThread&) = delete;

  TIBDataSet* DataSet;
  int Operation;
  int Milliseconds = 0;  // what the operation took (prepare and execute; open is not timed)
  // Runs on the user-interface thread after Execute has returned.
  std::function<void(TQueryThread* sender)> OnTerminate;
  // The exception that escaped Execute, if any.
  std::exception_ptr FatalException() const { return fFatal; }

  void Start(TUiThreadDispatcher& dispatcher);
  // User-interface thread: waits until Execute has returned (its end may still be queued).
  void WaitFor();
  // Only the thread's own end frees it.
  ~TQueryThread();

protected:
  void Execute();

private:
  std::thread fThread;
  std::exception_ptr fFatal;
};

// ---------------------------------------------------------------------------------------------
// The engine

// One statement parameter, or one remembered value: name, text value, null flag.
struct TParamLine {
  String Name;
  String Value;
  bool IsNull = true;
};

// Reads of one relation since the previous question.
struct TRelationReads {
  String RelationName;  // without trailing blanks
  std::int64_t Reads = 0;
};

class TdmQuery : public TdmIBConnection {
  VT_CLASS(TdmQuery, TdmIBConnection)
public:
  using TQueryEvent = std::function<void(TdmQuery* sender)>;

  explicit TdmQuery(TComponent* AOwner = nullptr);
  ~TdmQuery() override;

  // Components, owned by the module.
  TIBTransaction IBTransaction{this};
  TIBDataSet IBDataSet{this};
  TIBDatabaseInfo IBDatabaseInfo{this};
  TIBTransaction trxRelationIDToRelationName{this};
  TIBTransaction trxIndices{this};
  TIBSQL sqlRelationIDToRelationName{this};
  TIBSQL sqlIndices{this};
  TIBSQL sqlIndexSegments{this};
  TIBSQL sqlRecordCount{this};
  TIBSQL sqlSetStatistics{this};
  // The index statistics, one record per index name, ordered by X_INDEX_NAME.
  TClientDataSet dsIndices{this};

  // Callbacks, each skipped when empty. An EPlanParserError out of OnPrepared does not stop
  // the statement: the engine keeps it, runs the statement to its end (OnQueryComplete
  // included), and then raises it: out of PrepareOnly after the prepare, out of ExecuteSQL
  // after a direct run, and out of the worker's end (to the application's handler) after a
  // worker run. A run that fails reports its own error instead. Any other error of
  // OnPrepared stops the run.
  TQueryEvent OnPrepared;
  TQueryEvent OnGetParamValues;
  TQueryEvent OnFetchStart;
  TQueryEvent OnFetchProgress;
  std::function<void(TdmQuery* sender, const String& message)> OnError;
  // Fired when a run ends, unless it was cancelled before its rows were fetched: a fetch cut
  // short by Cancel completes with the rows fetched so far.
  TQueryEvent OnQueryComplete;

  // Where the worker's end is handled (the default dispatcher unless set).
  TUiThreadDispatcher* Dispatcher = nullptr;

  // State
  String SQL() const { return IBDataSet.SelectSQL(); }
  void SetSQL(const String& sql) { IBDataSet.SetSelectSQL(sql); }
  const String& Plan() const { return fPlan; }
  TDataSet* ResultDataSet() const { return fResultDataSet; }
  isc_stmt_handle StatementHandle() const { return fStatementHandle; }
  int PrepareTime() const { return fPrepareTime; }
  int ExecutionTime() const { return fExecutionTime; }
  // Also after a fetch cut short by Cancel: the time until it stopped.
  int FetchTime() const { return fFetchTime; }
  int RowsAffected() const { return fRowsAffected; }
  int PacketRecords = 500;
  bool Cancelled() const { return fCancelled; }
  bool CancelEnabled = false;
  bool ServerAbove6 = false;
  // A run is in progress: from ExecuteSQL until QueryDone has finished.
  bool Running() const { return fRunning; }

  void ExecuteSQL();
  void PrepareOnly();
  // Asks the server to stop the running statement; `message` is empty unless that failed.
  void CancelQuery(String& message);
  void CommitIfActive();

  // Parameters
  void BindParameters();
  void ClearAllParams();
  void ApplyRememberedParams();
  void RememberParams();
  const std::vector<TParamLine>& GetParamList();
  void SetParamValue(const String& name, const String& text, bool isNull);
  const std::vector<TParamLine>& RememberedParams() const { return fRemembered; }

  // Read counters
  void TakeReadBaseline();
  void RefreshCurrentCounts();
  const std::vector<TRelationReads>& IndexedReads();
  const std::vector<TRelationReads>& SequentialReads();
  void GetOperationCounts(int item, const std::vector<std::pair<int, std::int64_t>>& current,
                          std::vector<TRelationReads>& deltas);
  String RelationName(int id);
  void SetConnected(bool connected);

  // Index statistics. EnsureIndexStatistics makes the index's record the current record of
  // dsIndices, reading it from the server when it is not cached; it answers false only when
  // that would need the server while a worker runs (the window then shows no record).
  bool EnsureIndexStatistics(const String& indexName);
  TClientDataSet* IndexStatistics() { return &dsIndices; }
  void SetIndexStatistics(const String& indexName);

  // The steps, open for tests.
  void PrepareTimed();
  void AfterPrepare();
  void PrepareAndInspect();
  void IBDataSetBeforeOpen();
  void QueryDone(TQueryThread* worker);
  void FetchAll();
  void IBTransactionIdleTimer();
  void InternalCalculateIndexStatistics(const String& indexName);
  std::int64_t CounterFrequency() const { return fFrequency; }

private:
  void RunStatement();
  void ReleaseControls();
  bool IsSelect() const;
  int Milliseconds(const TRunStamp& from, const TRunStamp& to) const;
  std::int64_t StoreReads(std::map<int, std::int64_t>& baseline, int id, std::int64_t count);
  String QuoteName(const String& name) const;
  TParamLine* FindRemembered(const String& name);
  bool LocateIndex(const String& indexName);
  void CreateIndexStatisticsDataSet();
  void RaisePlanError();

  String fPlan;
  TDataSet* fResultDataSet = nullptr;
  isc_stmt_handle fStatementHandle = 0;
  int fPrepareTime = -1;
  int fExecutionTime = -1;
  int fFetchTime = -1;
  int fRowsAffected = -1;
  bool fCancelled = false;
  bool fRunning = false;
  bool fRunFailed = false;
  // The run holds the dataset's control notifications from its open to the end of its fetch,
  // so that a bound grid reads no rows the fetch has not brought.
  bool fControlsHeld = false;
  std::int64_t fFrequency = 0;
  TRunStamp fStart;
  TRunStamp fEnd;

  std::vector<TParamLine> fRemembered;
  std::vector<TParamLine> fParamList;

  std::vector<std::pair<int, std::int64_t>> fCurrentSequential;
  std::vector<std::pair<int, std::int64_t>> fCurrentIndexed;
  std::vector<TRelationReads> fSequentialDeltas;
  std::vector<TRelationReads> fIndexedDeltas;
  // Relation names and the two baselines are asked for every relation on every run and never
  // shown, so they are keyed maps; only the index statistics are a dataset, for the index panel.
  std::map<int, String> fRelationNames;
  std::map<int, std::int64_t> fOldSequentialReads;
  std::map<int, std::int64_t> fOldIndexedReads;
  TQueryThread* fWorker = nullptr;  // the running worker, until its end has been handled
  std::exception_ptr fPlanError;    // an unreadable PLAN, raised when the run has ended
};

// Shown by the worker for an operation code it does not know.
inline constexpr const char* UndefinedQueryOperationText = "Undefined query operation in TQueryThread.Execute";
// The server's answer to a cancel, which is never shown.
inline constexpr const char* OperationCancelledText = "operation was cancelled";
// The parameter dialog gives up after this long (the silent abort).
inline constexpr unsigned SetParameterValuesTimeoutMs = 900000;
// The query transaction is committed after this much idleness (one to two periods).
inline constexpr unsigned QueryIdleTimerMs = 300000;
