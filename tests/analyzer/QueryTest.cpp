// The query engine against the embedded engine (direct road, binding, read counters, index
// statistics, idle commit) and the loopback server (worker road and cancel).
#include "analyzer/PlanParser.h"
#include "analyzer/QueryDM.h"
#include "platform/ib/IBErrors.h"
#include "support/ExceptionText.h"
#include "support/FbFixture.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <memory>
#include <thread>

namespace {

struct Calls {
  int prepared = 0, params = 0, fetchStart = 0, progress = 0, complete = 0;
  std::vector<String> errors;
  std::vector<std::string> order;  // the callbacks as they came, runs of progress as one
  void Note(const char* name) {
    if (order.empty() || order.back() != name || order.back() != "progress") order.push_back(name);
  }
};

void Wire(TdmQuery& q, Calls& c) {
  q.OnGetParamValues = [&c](TdmQuery*) { ++c.params, c.Note("params"); };
  q.OnPrepared = [&c](TdmQuery*) { ++c.prepared, c.Note("prepared"); };
  q.OnFetchStart = [&c](TdmQuery*) { ++c.fetchStart, c.Note("fetchStart"); };
  q.OnFetchProgress = [&c](TdmQuery*) { ++c.progress, c.Note("progress"); };
  q.OnQueryComplete = [&c](TdmQuery*) { ++c.complete, c.Note("complete"); };
  q.OnError = [&c](TdmQuery*, const String& m) { c.errors.push_back(m), c.Note("error"); };
}

struct QueryBase : ::testing::Test {
  TIBDatabase db;
  TdmQuery q;
  Calls calls;
  void Attach(const std::string& name, const std::string& password = {}, int dialect = 3) {
    FbAttach(db, name, password, dialect);
    q.SetDatabase(&db);
    q.SetConnected(true);
    Wire(q, calls);
  }
  void Run(const std::string& sql) {
    q.SetSQL(sql);
    q.ExecuteSQL();
  }
  std::string Scalar(const std::string& sql) {
    TIBTransaction t;
    t.SetDefaultDatabase(&db);
    t.StartTransaction();
    TIBSQL s;
    s.SetDatabase(&db);
    s.SetTransaction(&t);
    s.SetSQL(sql);
    s.ExecQuery();
    std::string v = s.Fields(0).AsString();
    s.Close();
    t.Commit();
    return v;
  }
};

struct DbQuery : QueryBase {
  void SetUp() override { Attach(FbFixtureDatabase("query")); }
};

}  // namespace

TEST(QueryTiming, MillisecondsRoundHalvesToEven) {
  struct Case {
    std::int64_t ticks, freq;
    int ms;
  };
  for (Case c :
       {Case{5, 2000, 2}, Case{7, 2000, 4}, Case{3, 2000, 2}, Case{0, 2000, 0}, Case{1999, 1000000, 2}, Case{5, 0, -1}})
    EXPECT_EQ(TicksToMilliseconds(c.ticks, c.freq), c.ms) << c.ticks << "/" << c.freq;
  const double ms = 1.0 / 86400000.0;
  // Without the counter the wall clock measures.
  TRunStamp a, b;
  a.Time = 1.0;
  b.Time = 1.0 + 250 * ms;
  EXPECT_EQ(StampMilliseconds(a, b, 1000000), 250);
}

TEST(QueryThread, UnknownOperationEndsWithItsErrorOnTheUiThread) {
  TQueuedUiDispatcher ui;
  std::string message;
  std::thread::id endThread;
  auto* t = new TQueryThread(nullptr, 7);
  t->OnTerminate = [&](TQueryThread* w) {
    endThread = std::this_thread::get_id();
    try {
      std::rethrow_exception(w->FatalException());
    } catch (const Exception& e) {
      message = e.Message();
    }
  };
  t->Start(ui);
  for (int i = 0; i < 50 && message.empty(); ++i) ui.WaitAndProcess(100);
  EXPECT_EQ(message, "Undefined query operation in TQueryThread.Execute");
  EXPECT_EQ(endThread, std::this_thread::get_id());
}

TEST(QueryThread, WithoutAUserInterfaceDispatcherAWorkerRunFailsBeforeAnythingStarts) {
  TdmQuery q;  // this program has no window system, and no dispatcher is installed
  q.CancelEnabled = true;
  q.SetSQL("SELECT 1 FROM RDB$DATABASE");
  try {
    q.ExecuteSQL();
    ADD_FAILURE() << "ran without a dispatcher";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "No user-interface thread dispatcher is installed");
  }
  EXPECT_FALSE(q.Running());
}

TEST_F(DbQuery, SelectIsFetchedInPacketsWithTimesAndPlan) {
  q.PacketRecords = 150;
  Run("SELECT ID, NAME FROM A");
  EXPECT_EQ(q.Plan(), "PLAN (A NATURAL)");
  ASSERT_EQ(q.ResultDataSet(), &q.IBDataSet);
  EXPECT_EQ(q.IBDataSet.RecordCount(), 2000);
  // The open reads the first row; 13 packets of 150 and a last one of 49 follow.
  EXPECT_EQ(calls.progress, 14);
  EXPECT_EQ(calls.order, (std::vector<std::string>{"params", "prepared", "fetchStart", "progress", "complete"}));
  EXPECT_EQ(calls.complete, 1);
  EXPECT_GE(q.PrepareTime(), 0);
  EXPECT_GE(q.ExecutionTime(), 0);
  EXPECT_GE(q.FetchTime(), 0);
  EXPECT_EQ(q.RowsAffected(), -1);
  EXPECT_EQ(q.StatementHandle(), 0u);  // cleared for the fetch: nothing left to cancel
  // A SELECT keeps its transaction for the grid; the next run commits it.
  EXPECT_TRUE(q.IBTransaction.InTransaction());
  Run("UPDATE UPD SET X = 0 WHERE ID = 1");
  EXPECT_FALSE(q.IBTransaction.InTransaction());
}

TEST_F(DbQuery, SelectForUpdateShowsItsRows) {
  Run("SELECT ID FROM UPD WHERE ID <= 4 FOR UPDATE");
  EXPECT_EQ(q.IBDataSet.StatementType(), SQLSelectForUpdate);
  ASSERT_EQ(q.ResultDataSet(), &q.IBDataSet);
  EXPECT_EQ(q.IBDataSet.RecordCount(), 4);
  EXPECT_EQ(calls.fetchStart, 1);
  EXPECT_EQ(q.RowsAffected(), -1);
  EXPECT_EQ(q.Plan(), "PLAN (UPD NATURAL)");
}

TEST_F(DbQuery, PacketRecordsZeroKeepsOnlyWhatTheOpenRead) {
  q.PacketRecords = 0;
  Run("SELECT ID FROM A");
  EXPECT_EQ(q.IBDataSet.RecordCount(), 1);
  EXPECT_EQ(calls.progress, 0);
  EXPECT_EQ(calls.complete, 1);
  // That is the result: a grid walking the dataset reads no further.
  q.IBDataSet.Last();
  EXPECT_EQ(q.IBDataSet.RecordCount(), 1);
}

TEST_F(DbQuery, StatementsOtherThanSelectReportRowsAffectedAndCommit) {
  struct Case {
    const char* sql;
    int rows;
    bool hasPlan;
  };
  const Case cases[] = {
      {"UPDATE UPD SET X = X + 1 WHERE ID <= 3", 3, true},
      {"INSERT INTO UPD VALUES (100, 1)", 1, false},
      {"DELETE FROM UPD WHERE ID = 100", 1, true},
      {"CREATE TABLE TMP_DDL (I INTEGER)", -1, false},
      // Inserts from a query have a plan; a statement returning values counts no rows.
      {"INSERT INTO UPD SELECT ID + 100, 0 FROM UPD WHERE ID <= 2", 2, true},
      {"DELETE FROM UPD WHERE ID = 101 RETURNING ID", -1, true},
      {"DELETE FROM UPD WHERE ID > 100", 1, true},
      // Typed as inserts, they also update and delete.
      {"UPDATE OR INSERT INTO UPD (ID, X) VALUES (1, 0) MATCHING (ID)", 1, true},
      {"MERGE INTO UPD U USING (SELECT ID FROM UPD WHERE ID <= 2 UNION ALL SELECT 300 FROM RDB$DATABASE) S "
       "ON U.ID = S.ID WHEN MATCHED AND U.ID = 1 THEN DELETE WHEN MATCHED THEN UPDATE SET X = X "
       "WHEN NOT MATCHED THEN INSERT VALUES (S.ID, 0)",
       3, true},
      {"INSERT INTO UPD VALUES (1, 1)", 1, false},
      {"DELETE FROM UPD WHERE ID = 300", 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.sql);
    Run(c.sql);
    EXPECT_EQ(q.RowsAffected(), c.rows);
    EXPECT_EQ(q.ResultDataSet(), nullptr);
    EXPECT_EQ(!q.Plan().empty(), c.hasPlan) << q.Plan();
    EXPECT_GE(q.ExecutionTime(), 0);
    EXPECT_EQ(q.FetchTime(), -1);
    EXPECT_FALSE(q.IBTransaction.InTransaction());
  }
  EXPECT_EQ(calls.complete, 11);
  EXPECT_EQ(calls.fetchStart, 0);
  EXPECT_EQ(Scalar("SELECT SUM(X) FROM UPD"), "3");
  Run("DROP TABLE TMP_DDL");
  Run("UPDATE UPD SET X = 0");
}

TEST_F(DbQuery, DirectRunErrorPassesOnAfterTheEndHandler) {
  const std::string before = Scalar("SELECT LIST(X) FROM UPD");
  q.SetSQL("UPDATE UPD SET X = 1 / (ID - ID)");
  try {
    q.ExecuteSQL();
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("divide by zero"), std::string::npos) << e.Message();
  }
  // The end handler ran (times, counters, completion) and committed; nothing was changed.
  EXPECT_FALSE(q.Running());
  EXPECT_EQ(calls.complete, 1);
  EXPECT_GE(q.ExecutionTime(), 0);
  EXPECT_EQ(q.RowsAffected(), -1);
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_EQ(Scalar("SELECT LIST(X) FROM UPD"), before);
  EXPECT_TRUE(calls.errors.empty());  // OnError is the worker's road only
}

TEST_F(DbQuery, PrepareOnlyNeverRuns) {
  q.SetSQL("UPDATE UPD SET X = 99");
  q.PrepareOnly();
  EXPECT_EQ(calls.prepared, 1);
  EXPECT_EQ(calls.complete, 0);
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_EQ(q.ExecutionTime(), -1);
  EXPECT_EQ(q.Plan(), "PLAN (UPD NATURAL)");
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM UPD WHERE X = 99"), "0");
}

TEST_F(DbQuery, PrepareOrPreparedHandlerErrorCommitsAndRunsNothing) {
  q.SetSQL("SELECT * FROM NO_SUCH_TABLE");
  try {
    q.ExecuteSQL();
    FAIL() << "no error";
  } catch (const EIBError& e) {
    EXPECT_NE(e.Message().find("Table unknown"), std::string::npos) << e.Message();
  }
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_EQ(calls.prepared, 0);

  // The window's prepared handler (a PLAN it cannot parse) stops the run too.
  q.OnPrepared = [](TdmQuery*) { throw Exception("bad plan"); };
  q.SetSQL("UPDATE UPD SET X = 7");
  EXPECT_THROW(q.ExecuteSQL(), Exception);
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_FALSE(q.Running());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM UPD WHERE X = 7"), "0");
  EXPECT_EQ(calls.complete, 0);
}

TEST_F(DbQuery, ParametersBindRememberedValuesByNameAndAskOncePerPrepare) {
  std::vector<std::vector<TParamLine>> seen;
  std::function<void(TdmQuery*)> answer;
  q.OnGetParamValues = [&](TdmQuery* m) {
    seen.push_back(m->GetParamList());
    if (answer) answer(m);
  };
  answer = [](TdmQuery* m) {
    m->SetParamValue("P", "5", false);
    m->SetParamValue("q", "", true);
  };
  Run("SELECT ID FROM A WHERE ID = :P OR ID = :P OR NAME = :Q");
  ASSERT_EQ(seen.size(), 1u);
  ASSERT_EQ(seen[0].size(), 3u);  // one line per occurrence; the dialog shows one row per name
  for (const TParamLine& l : seen[0]) EXPECT_TRUE(l.IsNull);
  EXPECT_EQ(q.IBDataSet.RecordCount(), 1);

  // Prepared again: the confirmed values come back, the null stays null; the shared name P
  // carries its value into another statement.
  answer = nullptr;
  Run("SELECT ID FROM A WHERE ID = :P OR ID = :P OR NAME = :Q");
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1][0].Value, "5");
  EXPECT_FALSE(seen[1][0].IsNull);
  EXPECT_TRUE(seen[1][2].IsNull);
  EXPECT_EQ(seen[1][2].Value, "");
  Run("SELECT ID FROM A WHERE ID < :p");
  EXPECT_EQ(seen[2][0].Value, "5");
  EXPECT_EQ(q.IBDataSet.RecordCount(), 4);

  // Cancel or the dialog's time-out: the silent abort; nothing runs, nothing is remembered.
  answer = [](TdmQuery* m) {
    m->SetParamValue("P", "1", false);
    throw EAbort();
  };
  q.SetSQL("UPDATE UPD SET X = 8 WHERE ID = :P");
  EXPECT_THROW(q.ExecuteSQL(), EAbort);
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM UPD WHERE X = 8"), "0");
  EXPECT_EQ(q.RememberedParams()[0].Value, "5");

  // A statement without parameters asks as well; the handler finds an empty list.
  answer = nullptr;
  Run("SELECT ID FROM B WHERE ID = 1");
  EXPECT_TRUE(seen.back().empty());

  // A name used twice is one value: both places receive what the dialog sets for it.
  answer = [](TdmQuery* m) { m->SetParamValue("R", "7", false); };
  Run("SELECT ID FROM A WHERE ID = :R AND V = :R");
  EXPECT_EQ(q.IBDataSet.RecordCount(), 1);
  EXPECT_EQ(q.IBDataSet.FieldByName("ID")->AsInteger(), 7);
}

TEST_F(DbQuery, ReadDeltasNameTheTablesReadIndexedAndSequentialApart) {
  auto find = [](const std::vector<TRelationReads>& list, const std::string& name) -> std::int64_t {
    for (const TRelationReads& r : list)
      if (r.RelationName == name) return r.Reads;
    return -1;
  };
  Run("SELECT COUNT(*) FROM A");
  EXPECT_EQ(find(q.SequentialReads(), "A"), 2000);
  EXPECT_EQ(find(q.IndexedReads(), "A"), -1);
  // Asking again without a run: nothing new.
  EXPECT_TRUE(q.SequentialReads().empty());
  EXPECT_TRUE(q.IndexedReads().empty());

  Run("SELECT A.ID FROM A JOIN B ON B.ID = A.B_ID WHERE A.ID <= 10");
  const auto indexed = q.IndexedReads();
  const auto sequential = q.SequentialReads();
  EXPECT_EQ(find(indexed, "A"), 10);
  EXPECT_EQ(find(indexed, "B"), 10);
  EXPECT_EQ(find(sequential, "A"), -1);
  for (const TRelationReads& r : indexed) EXPECT_GT(r.Reads, 0);

  // Read both ways: listed in both lists.
  Run("SELECT ID FROM A WHERE ID <= 5 UNION ALL SELECT ID FROM A");
  EXPECT_EQ(find(q.IndexedReads(), "A"), 5);
  EXPECT_EQ(find(q.SequentialReads(), "A"), 2000);

  try {
    std::vector<TRelationReads> out;
    q.GetOperationCounts(25, {}, out);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TdmMain.GetOperationCounts: Unknown DBInfoCommand \"25\"");
  }
  try {
    q.RelationName(31999);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "RDB$RELATION_NAME not found for RDB$RELATION_ID 31999");
  }
  EXPECT_FALSE(q.trxRelationIDToRelationName.InTransaction());
}

TEST_F(DbQuery, IndexStatisticsFromTheSystemTablesCachedUntilSetStatistics) {
  TClientDataSet* ds = q.IndexStatistics();
  ASSERT_EQ(ds, &q.dsIndices);
  EXPECT_TRUE(ds->Active());
  auto F = [&](const char* name) { return ds->FieldByName(name); };
  struct Case {
    const char* index;
    const char* fields;
    bool descending;
    bool hasForeignKey;
  };
  for (Case c : {Case{"IDX_B_CODE_W", "CODE, W", false, false}, Case{"IDX_A_V_DESC", "V", true, false},
                 Case{"FK_A_B", "B_ID", false, true}}) {
    SCOPED_TRACE(c.index);
    EXPECT_TRUE(q.EnsureIndexStatistics(c.index));
    EXPECT_EQ(F("INDEX_NAME")->AsString(), c.index);
    EXPECT_EQ(F("FIELD_NAMES")->AsString(), c.fields);
    EXPECT_EQ(F("DESCENDING")->AsBoolean(), c.descending);
    EXPECT_EQ(!F("FOREIGN_KEY")->AsString().empty(), c.hasForeignKey);
    EXPECT_FALSE(F("SYSTEM_FLAG")->AsBoolean());
  }
  EXPECT_EQ(TrimRight(F("FOREIGN_KEY")->AsString()),
            Scalar("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$RELATION_CONSTRAINTS WHERE RDB$RELATION_NAME = 'B' "
                   "AND RDB$CONSTRAINT_TYPE = 'PRIMARY KEY'"));
  EXPECT_EQ(TrimRight(F("RELATION_NAME")->AsString()), "A");
  EXPECT_FALSE(q.trxIndices.InTransaction());
  // Kept in index-name order; a known name is found again without the server.
  EXPECT_EQ(ds->RecordCount(), 3);
  ds->First();
  EXPECT_EQ(F("INDEX_NAME")->AsString(), "FK_A_B");
  EXPECT_TRUE(q.EnsureIndexStatistics("IDX_B_CODE_W"));
  EXPECT_EQ(F("INDEX_NAME")->AsString(), "IDX_B_CODE_W");

  // Built before the table was filled: the server has no statistic yet.
  q.EnsureIndexStatistics("IDX_A_NAME");
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 2000);
  EXPECT_EQ(F("SELECTIVITY")->AsFloat(), 0);
  EXPECT_EQ(F("DESCRIPTION")->AsString(), "names of A");
  // Cached: a second question does not count again.
  Run("INSERT INTO A VALUES (5000, 'N1', 1, 1)");
  q.EnsureIndexStatistics("IDX_A_NAME");
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 2000);
  // SET STATISTICS replaces the record: a fresh count and 1/50 of it, shown as the panel shows it.
  q.SetIndexStatistics("IDX_A_NAME");
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_EQ(F("INDEX_NAME")->AsString(), "IDX_A_NAME");
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 2001);
  EXPECT_NEAR(F("SELECTIVITY")->AsFloat(), 2001.0 / 50, 1e-6);
  EXPECT_EQ(F("SELECTIVITY")->DisplayText(), "40.02");
  EXPECT_FALSE(ds->ControlsDisabled());
  Run("DELETE FROM A WHERE ID = 5000");

  try {
    q.EnsureIndexStatistics("NO_SUCH");
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "TdmMain.InternalCalculateIndexStatistics: Unknown index \"NO_SUCH\"");
  }
  EXPECT_FALSE(q.trxIndices.InTransaction());
  EXPECT_EQ(ds->State(), dsBrowse);
  EXPECT_EQ(ds->RecordCount(), 4);

  // A failing SET STATISTICS leaves the shown record in place.
  q.EnsureIndexStatistics("IDX_B_CODE_W");
  EXPECT_THROW(q.SetIndexStatistics("NO_SUCH"), EIBError);
  q.EnsureIndexStatistics("IDX_A_NAME");
  EXPECT_THROW(q.SetIndexStatistics("IDX_A_NAME\" NO"), EIBError);
  EXPECT_EQ(F("INDEX_NAME")->AsString(), "IDX_A_NAME");
  EXPECT_EQ(ds->RecordCount(), 4);
  EXPECT_FALSE(ds->ControlsDisabled());

  // Disconnecting empties the caches: another database may use the same index names.
  q.ServerAbove6 = true;
  q.SetConnected(false);
  EXPECT_EQ(ds->RecordCount(), 0);
  EXPECT_TRUE(ds->Active());
  EXPECT_EQ(q.IBTransaction.AutoStopAction, saCommitRetaining);  // for the next connection's idle end
  q.ServerAbove6 = false;
  q.SetConnected(false);
  EXPECT_EQ(q.IBTransaction.AutoStopAction, saCommit);
}

TEST_F(DbQuery, NamesAreQuotedByDialectWithEmbeddedQuotesDoubled) {
  auto F = [&](const char* name) { return q.IndexStatistics()->FieldByName(name); };
  ASSERT_TRUE(q.EnsureIndexStatistics("I\"X"));
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 3);
  const String stored = F("RELATION_NAME")->AsString();
  EXPECT_EQ(TrimRight(stored), "Q\"T");
  EXPECT_EQ(q.sqlRecordCount.SQL(), "SELECT COUNT(*) AS RECORD_COUNT FROM \"Q\"\"T" + stored.substr(3) + "\"");
  q.SetIndexStatistics("I\"X");
  EXPECT_EQ(q.sqlSetStatistics.SQL(), "SET STATISTICS INDEX \"I\"\"X\"");
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 3);

  // Dialect 1: bare names.
  q.SetConnected(false);
  db.Close();
  db.SetSQLDialect(1);
  db.Open();
  q.SetConnected(true);
  q.EnsureIndexStatistics("IDX_B_CODE_W");
  EXPECT_EQ(TrimRight(q.sqlRecordCount.SQL()), "SELECT COUNT(*) AS RECORD_COUNT FROM B");
  EXPECT_EQ(F("RELATION_RECORD_COUNT")->AsLargeInt(), 200);
  q.SetIndexStatistics("IDX_B_CODE_W");
  EXPECT_EQ(q.sqlSetStatistics.SQL(), "SET STATISTICS INDEX IDX_B_CODE_W");
}

TEST_F(DbQuery, CancelWithoutARunningStatementIsQuiet) {
  String message = "x";
  q.CancelQuery(message);  // cancellation off: no server call
  EXPECT_EQ(message, "");
  EXPECT_TRUE(q.Cancelled());
  // Cancellation on but nothing running: the server's "nothing to cancel" is no failure.
  q.CancelEnabled = true;
  q.SetSQL("SELECT ID FROM A");
  q.PrepareOnly();
  ASSERT_NE(q.StatementHandle(), 0u);
  message = "x";
  q.CancelQuery(message);
  EXPECT_EQ(message, "");
  q.CancelEnabled = false;
  Run("SELECT COUNT(*) FROM B");
  EXPECT_EQ(calls.complete, 1);
}

// A cancel the server refuses: Firebird only ever answers "nothing to cancel", so the refusal
// and its texts are scripted on top of the real client.
namespace refusedcancel {
int calls = 0, line = 0;
ISC_STATUS Cancel(ISC_STATUS* st, isc_db_handle*, ISC_USHORT) {
  ++calls;
  line = 0;
  st[0] = isc_arg_gds, st[1] = 335544721, st[2] = isc_arg_end;
  return st[1];
}
ISC_LONG SqlCode(const ISC_STATUS*) { return -901; }
void SqlInterprete(short, ISC_SCHAR* buffer, short) { std::strcpy(buffer, "X"); }
ISC_LONG Interpret(ISC_SCHAR* buffer, unsigned int, const ISC_STATUS**) {
  const char* lines[] = {"A", "B"};
  if (line >= 2) return 0;
  std::strcpy(buffer, lines[line++]);
  return 1;
}
}  // namespace refusedcancel

TEST_F(DbQuery, RefusedCancelGivesTheSQLCodeMessageAndStillCountsAsCancelled) {
  TIBClientLibrary table = IBClient();
  table.fb_cancel_operation = refusedcancel::Cancel;
  table.isc_sqlcode = refusedcancel::SqlCode;
  table.isc_sql_interprete = refusedcancel::SqlInterprete;
  table.fb_interpret = refusedcancel::Interpret;
  q.SetSQL("SELECT ID FROM A");
  q.PrepareOnly();
  ASSERT_NE(q.StatementHandle(), 0u);
  const TIBClientLibrary* previous = SetIBClientLibrary(&table);
  struct Case {
    bool enabled;
    const char* message;
    int calls;
  };
  const Case cases[] = {{true, "SQL code: -901\n\rX\n\rA\n\rB", 1}, {false, "", 0}};
  for (const Case& c : cases) {
    refusedcancel::calls = 0;
    q.CancelEnabled = c.enabled;
    String message = "x";
    q.CancelQuery(message);
    EXPECT_EQ(message, c.message);
    EXPECT_EQ(refusedcancel::calls, c.calls);
    EXPECT_TRUE(q.Cancelled());
  }
  SetIBClientLibrary(previous);
  // A run's fetch clears the handle: nothing is left on the server to cancel.
  q.CancelEnabled = false;
  Run("SELECT ID FROM B");
  ASSERT_EQ(q.StatementHandle(), 0u);
  SetIBClientLibrary(&table);
  refusedcancel::calls = 0;
  q.CancelEnabled = true;
  String message = "x";
  q.CancelQuery(message);
  SetIBClientLibrary(previous);
  q.CancelEnabled = false;
  EXPECT_EQ(message, "");
  EXPECT_EQ(refusedcancel::calls, 0);
}

// The dialog confirmed a value the parameter's type cannot take: the conversion error comes
// while the values are set and passes on like any other binding error: the transaction is
// committed, nothing runs, no later callback fires, nothing is remembered.
TEST_F(DbQuery, AValueTheParameterCannotTakeFailsTheBindingAndChangesNothing) {
  const std::pair<const char*, const char*> cases[] = {
      {"", "'' is not a valid integer value"},
      {"abc", "'abc' is not a valid integer value"},
      {"1.5.7", "'1.5.7' is not a valid integer value"},
  };
  for (const auto& [value, message] : cases) {
    SCOPED_TRACE(value);
    calls = Calls();
    q.OnGetParamValues = [value](TdmQuery* m) { m->SetParamValue("P", value, false); };
    q.SetSQL("UPDATE UPD SET X = 9 WHERE ID = :P");
    try {
      q.ExecuteSQL();
      ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), message);
    }
    EXPECT_EQ(calls.prepared, 0);
    EXPECT_EQ(calls.complete, 0);
    EXPECT_FALSE(q.Running());
    EXPECT_FALSE(q.IBTransaction.InTransaction());
    EXPECT_EQ(q.RowsAffected(), -1);
    EXPECT_TRUE(q.RememberedParams().empty());
  }
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM UPD WHERE X = 9"), "0");

  // A value remembered from a text parameter of the same name that an integer cannot take:
  // the parameter stays null for the dialog, which gives another value.
  q.OnGetParamValues = [](TdmQuery* m) { m->SetParamValue("P", "N1", false); };
  Run("SELECT ID FROM A WHERE NAME = :P");
  std::vector<TParamLine> shown;
  q.OnGetParamValues = [&shown](TdmQuery* m) {
    shown = m->GetParamList();
    m->SetParamValue("P", " 3 ", false);
  };
  Run("UPDATE UPD SET X = 9 WHERE ID = :P");
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_TRUE(shown[0].IsNull);
  EXPECT_EQ(q.RowsAffected(), 1);
  EXPECT_EQ(q.RememberedParams()[0].Value, " 3 ");
}

// A close that reaches the engine inside the fetch (the window cancels, then the attachment
// goes): the steps after the fetch must not touch the closed dataset or attachment.
TEST_F(DbQuery, AttachmentClosedDuringTheFetchEndsTheRunQuietly) {
  q.PacketRecords = 100;
  q.OnFetchProgress = [&](TdmQuery* m) {
    ++calls.progress;
    String message;
    m->CancelQuery(message);
    db.ForceClose();
  };
  EXPECT_NO_THROW(Run("SELECT ID FROM A"));
  EXPECT_EQ(calls.progress, 1);
  EXPECT_EQ(calls.complete, 0);  // nothing to show without the attachment
  EXPECT_FALSE(q.Running());
  q.SetConnected(false);
  db.Open();
  q.SetConnected(true);
  q.OnFetchProgress = nullptr;
  Run("SELECT COUNT(*) FROM B");
  EXPECT_EQ(calls.complete, 1);
}

TEST_F(DbQuery, IdleTransactionIsCommittedAfterAFullQuietPeriod) {
  std::function<void()> tick;
  unsigned interval = 0;
  SetIBTimerStarter([&](unsigned ms, std::function<void()> f) {
    interval = ms;
    tick = std::move(f);
    return std::function<void()>([&] { tick = nullptr; });
  });
  Run("SELECT ID FROM A");
  ASSERT_TRUE(tick);
  EXPECT_EQ(interval, 300000u);
  EXPECT_TRUE(q.IBDataSet.Active());
  tick();  // the fetch was activity since the timer started: only noted
  EXPECT_TRUE(q.IBTransaction.InTransaction());
  tick();  // a whole quiet period: commit, the result closes
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_FALSE(q.IBDataSet.Active());
  EXPECT_EQ(q.RowsAffected(), -1);
  SetIBTimerStarter(nullptr);
}

TEST(IBConnectionModule, HandsTheAttachmentToEveryOwnedComponent) {
  TdmQuery q;
  auto* extra = new TIBSQL(&q);  // added after the module was made
  {
    TIBDatabase db;
    q.SetDatabase(&db);
    EXPECT_EQ(q.Database(), &db);
    EXPECT_EQ(q.IBDataSet.Database(), &db);
    EXPECT_EQ(q.IBTransaction.DefaultDatabase(), &db);
    EXPECT_EQ(q.trxIndices.DefaultDatabase(), &db);
    EXPECT_EQ(q.IBDatabaseInfo.Database(), &db);
    EXPECT_EQ(q.sqlSetStatistics.Database(), &db);
    EXPECT_EQ(extra->Database(), &db);
    // The same attachment again is not handed on.
    extra->SetDatabase(nullptr);
    q.SetDatabase(&db);
    EXPECT_EQ(extra->Database(), nullptr);
  }
  // A freed attachment is forgotten.
  EXPECT_EQ(q.Database(), nullptr);
  EXPECT_EQ(q.FindComponent("dsIndices"), &q.dsIndices);
}

// ---- the worker road, on the loopback server ----

namespace {
// A PLAN the window cannot read: the statement still runs to its end, then the error comes
// with its PLAN; a failing run reports its own error.
TEST_F(DbQuery, UnreadablePlanNeverStopsPrepareOrExecute) {
  auto badPlan = [this](TdmQuery* sender) {
    ++calls.prepared;
    throw EPlanParserError("unreadable", sender->Plan());
  };
  q.OnPrepared = badPlan;
  q.SetSQL("UPDATE UPD SET X = 5 WHERE ID <= 2");
  try {
    q.ExecuteSQL();
    FAIL() << "no error";
  } catch (const EPlanParserError& e) {
    EXPECT_EQ(e.Plan(), "PLAN (UPD NATURAL)");
  }
  EXPECT_EQ(calls.complete, 1);
  EXPECT_EQ(q.RowsAffected(), 2);
  EXPECT_FALSE(q.Running());
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM UPD WHERE X = 5"), "2");

  q.SetSQL("SELECT ID FROM A");
  EXPECT_THROW(q.ExecuteSQL(), EPlanParserError);
  EXPECT_EQ(q.IBDataSet.RecordCount(), 2000);
  EXPECT_EQ(calls.complete, 2);

  EXPECT_THROW(q.PrepareOnly(), EPlanParserError);
  EXPECT_TRUE(q.IBDataSet.Prepared());
  EXPECT_EQ(calls.prepared, 3);

  q.SetSQL("UPDATE UPD SET X = 1 / (ID - ID)");
  EXPECT_THROW(q.ExecuteSQL(), EIBError);
  // Nothing is left over for the next run.
  q.OnPrepared = nullptr;
  q.SetSQL("UPDATE UPD SET X = 0");
  EXPECT_NO_THROW(q.ExecuteSQL());
}

struct ServerQuery : QueryBase {
  // The user-interface thread's queue, and the test its loop: an error of a queued call goes
  // to `handled`, as the application's handler would get it.
  TQueuedUiDispatcher ui;
  struct {
    std::vector<String> messages;
  } handled;
  void SetUp() override {
    VT_REQUIRE_FB_SERVER();
    Attach(FbServerFixtureDatabase("query"), FbSysdbaPassword());
    q.CancelEnabled = true;
    q.Dispatcher = &ui;
  }
  void ProcessMessages() {
    for (;;) {
      try {
        ui.ProcessPending();
        return;
      } catch (...) {
        handled.messages.push_back(ExceptionText(std::current_exception()));
      }
    }
  }
  // The user-interface loop, until the worker's end has been handled.
  void WaitDone() {
    for (int i = 0; i < 3000 && q.Running(); ++i) {
      ProcessMessages();
      if (q.Running()) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(q.Running());
  }
  // Until the statement runs on the server there is nothing to cancel; ask until it ends.
  void CancelUntilDone() {
    for (int i = 0; i < 100 && q.Running(); ++i) {
      String message;
      q.CancelQuery(message);
      EXPECT_EQ(message, "");
      for (int k = 0; k < 5 && q.Running(); ++k) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        ProcessMessages();
      }
    }
    WaitDone();
  }
};
}  // namespace

TEST_F(ServerQuery, WorkerRunsSelectAndUpdateAndEndsOnTheUiThread) {
  q.PacketRecords = 500;
  std::thread::id completedOn;
  q.OnQueryComplete = [&](TdmQuery*) {
    ++calls.complete;
    completedOn = std::this_thread::get_id();
  };
  Run("SELECT ID FROM A");
  EXPECT_TRUE(q.Running());
  WaitDone();
  EXPECT_EQ(calls.complete, 1);
  EXPECT_EQ(completedOn, std::this_thread::get_id());
  EXPECT_EQ(q.IBDataSet.RecordCount(), 2000);
  EXPECT_EQ(calls.progress, 4);
  EXPECT_GE(q.ExecutionTime(), 0);
  EXPECT_TRUE(calls.errors.empty());

  Run("UPDATE UPD SET X = 1 WHERE ID IN (4, 5, 6)");
  WaitDone();
  EXPECT_EQ(q.RowsAffected(), 3);
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  Run("UPDATE UPD SET X = 0");
  WaitDone();

  // Another error of the worker is reported with its text, and the run still completes.
  Run("SELECT 1 / 0 FROM RDB$DATABASE");
  WaitDone();
  ASSERT_EQ(calls.errors.size(), 1u);
  EXPECT_NE(calls.errors[0].find("divide by zero"), std::string::npos) << calls.errors[0];
  EXPECT_EQ(calls.complete, 4);

  // An error inside the end handler reaches the application's handler like any other error.
  q.OnFetchStart = [](TdmQuery*) { throw Exception("fetch failed"); };
  Run("SELECT ID FROM B");
  WaitDone();
  EXPECT_EQ(handled.messages, (std::vector<String>{"fetch failed"}));
  EXPECT_TRUE(q.IBTransaction.InTransaction());  // a SELECT keeps its transaction
}

TEST_F(ServerQuery, UnreadablePlanIsRaisedAfterTheWorkerRun) {
  q.OnPrepared = [](TdmQuery* sender) { throw EPlanParserError("unreadable", sender->Plan()); };
  Run("SELECT ID FROM A");
  WaitDone();
  EXPECT_EQ(q.IBDataSet.RecordCount(), 2000);
  EXPECT_EQ(calls.complete, 1);
  EXPECT_EQ(handled.messages, (std::vector<String>{"unreadable"}));
}

TEST_F(ServerQuery, CancelStopsALongWorkerRunSilentlyAndTheAttachmentStaysUsable) {
  Run("SELECT COUNT(*) FROM A A1, A A2, A A3");
  ASSERT_TRUE(q.Running());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  // Meanwhile the window asks only the cache: a server call would wait for the whole run.
  auto asked = std::chrono::steady_clock::now();
  EXPECT_FALSE(q.EnsureIndexStatistics("IDX_B_CODE_W"));
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(100));
  CancelUntilDone();
  EXPECT_TRUE(q.Cancelled());
  EXPECT_TRUE(calls.errors.empty());
  EXPECT_TRUE(handled.messages.empty());
  EXPECT_EQ(calls.complete, 0);
  EXPECT_EQ(calls.fetchStart, 0);
  EXPECT_EQ(q.FetchTime(), -1);

  // A statement other than SELECT is committed after its cancel, with nothing changed.
  Run("UPDATE UPD SET X = (SELECT COUNT(*) FROM A A1, A A2, A A3) WHERE ID = 1");
  ASSERT_TRUE(q.Running());
  CancelUntilDone();
  EXPECT_FALSE(q.IBTransaction.InTransaction());
  EXPECT_EQ(q.RowsAffected(), -1);
  EXPECT_EQ(Scalar("SELECT X FROM UPD WHERE ID = 1"), "0");
  EXPECT_TRUE(calls.errors.empty());

  Run("SELECT COUNT(*) FROM B");
  WaitDone();
  EXPECT_EQ(calls.complete, 1);
  EXPECT_TRUE(calls.errors.empty());
  ASSERT_TRUE(q.EnsureIndexStatistics("IDX_B_CODE_W"));
  EXPECT_EQ(q.IndexStatistics()->FieldByName("FIELD_NAMES")->AsString(), "CODE, W");
}

// The worker's open is one long client call: idle ticks meanwhile must not commit the
// transaction it runs in, and the run ends with its result.
TEST_F(ServerQuery, IdleTicksDuringAWorkerRunLeaveItsTransactionAlone) {
  std::function<void()> tick;
  SetIBTimerStarter([&](unsigned, std::function<void()> f) {
    tick = std::move(f);
    return std::function<void()>([&] { tick = nullptr; });
  });
  Run("SELECT COUNT(*) FROM A A1, A A2 WHERE A1.NAME || A2.NAME <> ''");
  ASSERT_TRUE(tick);
  int ticks = 0;
  for (; ticks < 4 && q.Running(); ++ticks) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (tick) tick();
  }
  EXPECT_TRUE(q.Running()) << "the statement ended before the idle ticks";
  EXPECT_TRUE(q.IBTransaction.InTransaction());
  WaitDone();
  SetIBTimerStarter(nullptr);
  EXPECT_TRUE(calls.errors.empty()) << calls.errors[0];
  EXPECT_TRUE(handled.messages.empty());
  EXPECT_EQ(calls.complete, 1);
  EXPECT_EQ(q.IBDataSet.Fields()[0]->AsLargeInt(), 4000000);
  q.CommitIfActive();  // stops the timer while `tick` still lives
}

TEST_F(ServerQuery, CancelDuringTheFetchStopsBeforeTheNextPacket) {
  // Cancel is a click the window handles while the fetch lets pending messages through.
  String message = "x";
  q.PacketRecords = 100;
  q.OnFetchStart = [&](TdmQuery*) {
    ++calls.fetchStart;
    // The handle was cleared for the fetch: no server call.
    ui.Post([&] { q.CancelQuery(message); });
  };
  q.OnFetchProgress = [&](TdmQuery*) {
    ++calls.progress;
    ProcessMessages();
  };
  Run("SELECT A.ID FROM A, B");
  WaitDone();
  EXPECT_EQ(message, "");
  EXPECT_TRUE(q.Cancelled());
  EXPECT_EQ(calls.progress, 1);
  // The rows so far are the result, with the time the fetch took; nothing is read after it.
  EXPECT_EQ(q.IBDataSet.RecordCount(), 101);
  EXPECT_GE(q.FetchTime(), 0);
  EXPECT_EQ(calls.complete, 1);
  q.IBDataSet.Last();
  EXPECT_EQ(q.IBDataSet.RecordCount(), 101);
  EXPECT_TRUE(handled.messages.empty());
  // The attachment goes on.
  q.OnFetchStart = nullptr;
  Run("SELECT COUNT(*) FROM B");
  WaitDone();
  EXPECT_FALSE(q.Cancelled());
  EXPECT_EQ(q.IBDataSet.Fields()[0]->AsString(), "200");
}

TEST_F(ServerQuery, AnEngineFreedDuringAWorkerRunWaitsForItAndItsLateEndDoesNothing) {
  auto other = std::make_unique<TdmQuery>();
  other->SetDatabase(&db);
  other->CancelEnabled = true;
  other->Dispatcher = &ui;
  bool completed = false;
  other->OnQueryComplete = [&](TdmQuery*) { completed = true; };
  other->SetSQL("SELECT COUNT(*) FROM A A1, A A2, A A3");
  other->ExecuteSQL();
  ASSERT_TRUE(other->Running());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  for (int i = 0; i < 5; ++i) {  // until the statement runs there is nothing to cancel
    String message;
    other->CancelQuery(message);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  other.reset();  // waits for the worker, which ends with the cancel
  for (int i = 0; i < 10; ++i) {
    ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_FALSE(completed);
  EXPECT_TRUE(handled.messages.empty());
  Run("SELECT COUNT(*) FROM B");
  WaitDone();
  EXPECT_EQ(calls.complete, 1);
}
