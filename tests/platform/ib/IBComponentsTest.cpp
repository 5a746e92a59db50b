// The access components against the embedded engine, and a few scripted client answers.
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBDatabaseInfo.h"
#include "platform/ib/IBErrors.h"
#include "platform/ib/IBSQL.h"
#include "platform/ib/IBServices.h"
#include "support/FbFixture.h"

#include <gtest/gtest.h>

namespace {

struct DbFixture : ::testing::Test {
  TIBDatabase db;
  TIBTransaction tr;
  void SetUp() override {
    FbAttach(db, FbFixtureDatabase("ib_basic"));
    tr.SetDefaultDatabase(&db);
    for (const char* p : {"read_committed", "rec_version", "nowait"}) tr.Params().Add(p);
    tr.StartTransaction();
  }
  // A statement on the fixture's attachment and transaction.
  void Bind(TIBSQL& q, const std::string& sql) {
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQL(sql);
  }
  std::string Scalar(const std::string& sql) {
    TIBSQL q;
    Bind(q, sql);
    q.ExecQuery();
    return q.Fields(0).AsString();
  }
};

std::string ErrorOf(const std::function<void()>& f, long* gds = nullptr) {
  try {
    f();
  } catch (const EIBError& e) {
    if (gds) *gds = e.IBErrorCode();
    return e.Message();
  }
  return "(no error)";
}

}  // namespace

TEST(DbClient, LoadsAndReportsAMissingLibraryOrSymbol) {
  EXPECT_TRUE(TryIBLoad());
  TIBClientLibrary table;
  std::string missing;
  EXPECT_FALSE(LoadIBClientLibrary("libvt-no-such-client.so", table, &missing));
  EXPECT_EQ(missing, "libvt-no-such-client.so");
  // A library without the entry points is no client either.
  EXPECT_FALSE(LoadIBClientLibrary("libc.so.6", table, &missing));
  EXPECT_EQ(missing, "isc_attach_database");
}

TEST_F(DbFixture, AttachesWithUserRoleCharacterSetAndDialect3) {
  db.Close();
  db.Params().SetValues("password", "anything");
  db.Params().SetValues("sql_role_name", "READER");
  db.SetSQLDialect(3);
  db.Open();
  tr.StartTransaction();
  EXPECT_EQ(db.SQLDialect(), 3);
  EXPECT_EQ(db.DBSQLDialect(), 3);
  EXPECT_EQ(Scalar("SELECT CURRENT_USER FROM RDB$DATABASE"), "SYSDBA");
  EXPECT_EQ(Scalar("SELECT TRIM(C.RDB$CHARACTER_SET_NAME) FROM MON$ATTACHMENTS M JOIN RDB$CHARACTER_SETS C "
                   "ON C.RDB$CHARACTER_SET_ID = M.MON$CHARACTER_SET_ID WHERE M.MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
            "UTF8");
}

TEST_F(DbFixture, EffectiveDialectIsTheLowerOne) {
  db.Close();
  db.SetSQLDialect(1);
  db.Open();
  EXPECT_EQ(db.SQLDialect(), 1);
  EXPECT_EQ(db.DBSQLDialect(), 3);
  db.Close();
  EXPECT_EQ(db.SQLDialect(), 1);
}

TEST(DbConnect, AttachErrorsCarryTheServerText) {
  std::string fixture = FbFixtureDatabase("ib_basic");
  struct Case {
    std::string name, param, value, expected;
    long gds;
  };
  const Case cases[] = {
      {fixture + ".missing", "", "", "I/O error during \"open\" operation for file", 335544344},
      {fixture, "lc_ctype", "XYZ", "bad parameters on attach or create database\r\nCHARACTER SET XYZ is not defined",
       335544325},
  };
  for (const Case& c : cases) {
    TIBDatabase db;
    db.SetDatabaseName(c.name);
    db.Params().SetValues("user_name", "SYSDBA");
    if (!c.param.empty()) db.Params().SetValues(c.param, c.value);
    long gds = 0;
    std::string text = ErrorOf([&] { db.Open(); }, &gds);
    EXPECT_NE(text.find(c.expected), std::string::npos) << text;
    EXPECT_EQ(gds, c.gds) << text;
    EXPECT_FALSE(db.Connected());
  }
  TIBDatabase bad;
  bad.SetDatabaseName(fixture);
  bad.Params().Add("no_such_item=1");
  EXPECT_EQ(ErrorOf([&] { bad.Open(); }), "DPB Constant (isc_dpb_no_such_item) is unknown");
}

TEST_F(DbFixture, ReadsEveryValueType) {
  TIBSQL q;
  Bind(q, "SELECT * FROM A ORDER BY ID");
  q.ExecQuery();
  ASSERT_FALSE(q.Eof());
  struct Cell {
    const char* field;
    const char* text;
  };
  const Cell row1[] = {{"ID", "1"},           {"NAME", "one"},        {"CODE", "c1   "},
                       {"AMOUNT", "12.50"},   {"RATIO", "0.25"},      {"BIG", "9000000000"},
                       {"FLAG", "True"},      {"BORN", "2024-02-29"}, {"STAMP", "2024-02-29 13:45:30"},
                       {"NOTE", "first note"}};
  for (const Cell& c : row1) EXPECT_EQ(q.FieldByName(c.field).AsString(), c.text) << c.field;
  EXPECT_EQ(q.FieldByName("BIG").AsInt64(), 9000000000LL);
  EXPECT_DOUBLE_EQ(q.FieldByName("AMOUNT").AsDouble(), 12.5);
  EXPECT_DOUBLE_EQ(q.FieldByName("BORN").AsDateTime(), 45351.0);  // 29 Feb 2024
  q.Next();
  EXPECT_EQ(q.FieldByName("AMOUNT").AsString(), "-0.05");
  EXPECT_TRUE(q.FieldByName("RATIO").IsNull());
  EXPECT_EQ(q.FieldByName("BIG").AsInteger(), 0);  // null reads as 0
  EXPECT_TRUE(q.FieldByName("NOTE").IsNull());
  q.Next();
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "Grüße");
  EXPECT_EQ(q.FieldByName("NOTE").AsString(), "ä");
  EXPECT_EQ(q.FieldByName("BORN").AsString(), "1858-11-17");
  EXPECT_EQ(q.FieldByName("AMOUNT").AsString(), "0.00");
  q.Next();
  EXPECT_TRUE(q.Eof());
  EXPECT_THROW(q.FieldByName("NOPE"), EIBClientError);
}

TEST_F(DbFixture, ParametersByNameShareTheirValue) {
  TIBSQL q;
  Bind(q, "SELECT COUNT(*) FROM A WHERE ID = :Id OR ID = :ID + 1 OR NAME = ? OR ':x' = :\"Odd\"");
  q.Prepare();
  ASSERT_EQ(q.Params().Count(), 4);
  EXPECT_EQ(q.Params()[2].Name(), "PARAM_1");
  EXPECT_EQ(q.Params()[3].Name(), "Odd");
  q.Params().ByName("id").SetAsInteger(1);
  EXPECT_EQ(q.Params()[1].AsString(), "1");
  q.Params()[2].SetAsString("three");
  q.Params()[3].SetAsString("y");
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsInt64(), 2);  // IDs 1 and 2
  q.Params().ClearAll();
  EXPECT_TRUE(q.Params().ByName("ID").IsNull());
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsInt64(), 0);
  // A text an integer cannot take fails when it is set, and the value stays as it was.
  try {
    q.Params().ByName("ID").SetAsString("abc");
    ADD_FAILURE() << "no error";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
  EXPECT_TRUE(q.Params().ByName("ID").IsNull());
  EXPECT_THROW(q.Params().ByName("missing"), EIBClientError);
}

TEST(DbPreprocess, PlaceholdersOutsideStringsCommentsAndBodies) {
  struct Case {
    const char* sql;
    const char* out;
    std::vector<std::string> names;
  };
  const Case cases[] = {
      {"select :a, :b_1, ? from t", "select ?, ?, ? from t", {"a", "b_1", "PARAM_1"}},
      {"select ':a', \":b\" -- :c\n /* :d */ from t", "select ':a', \":b\" -- :c\n /* :d */ from t", {}},
      {"select 'it''s :a' from t where x = :x", "select 'it''s :a' from t where x = ?", {"x"}},
      {"execute block as declare v int; begin v = :v; end", "execute block as declare v int; begin v = :v; end", {}},
      {"select 'unterminated :a", "select 'unterminated :a", {}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> names;
    EXPECT_EQ(IBPreprocessSQL(c.sql, names), c.out) << c.sql;
    EXPECT_EQ(names, c.names) << c.sql;
  }
}

TEST_F(DbFixture, StatementTypePlanAndRowsAffected) {
  struct Case {
    const char* sql;
    TIBSQLTypes type;
    const char* plan;
    int rows;
  };
  const Case cases[] = {
      {"SELECT ID FROM A", SQLSelect, "PLAN (A NATURAL)", -1},
      {"SELECT ID FROM A WHERE NAME = 'x'", SQLSelect, "PLAN (A INDEX (IDX_A_NAME))", -1},
      {"SELECT ID FROM A FOR UPDATE", SQLSelectForUpdate, "PLAN (A NATURAL)", -1},
      {"UPDATE A SET RATIO = RATIO WHERE ID < 3", SQLUpdate, "PLAN (A INDEX (RDB$PRIMARY1))", 2},
      {"DELETE FROM A WHERE ID = 99", SQLDelete, "PLAN (A INDEX (RDB$PRIMARY1))", 0},
      {"INSERT INTO A (ID) SELECT ID + 10 FROM A", SQLInsert, "PLAN (A NATURAL)", 3},
      {"CREATE TABLE T_DDL (X INTEGER)", SQLDDL, "", -1},
  };
  for (const Case& c : cases) {
    TIBSQL q;
    Bind(q, c.sql);
    q.Prepare();
    EXPECT_EQ(q.SQLType(), c.type) << c.sql;
    EXPECT_EQ(q.Plan(), c.plan) << c.sql;
    q.ExecQuery();
    EXPECT_EQ(q.RowsAffected(), c.rows) << c.sql;
  }
  // An INSERT with VALUES has no plan: the answer does not carry the item.
  TIBSQL ins;
  Bind(ins, "INSERT INTO A (ID) VALUES (100)");
  EXPECT_THROW(ins.Plan(), EIBPlanError);
  tr.Rollback();
}

TEST_F(DbFixture, PrepareErrorsCarryTheServerLines) {
  TIBSQL q;
  Bind(q, "SELECT * FROM NO_SUCH_TABLE");
  EXPECT_EQ(ErrorOf([&] { q.Prepare(); }),
            "Dynamic SQL Error\r\nSQL error code = -204\r\nTable unknown\r\nNO_SUCH_TABLE\r\nAt line 1, column 15");
}

TEST_F(DbFixture, IdleTickCommitsOnlyWithoutActivity) {
  int fired = 0;
  tr.OnIdleTimer = [&](TIBTransaction*) { ++fired; };
  Scalar("SELECT 1 FROM RDB$DATABASE");
  tr.IdleTimerTick();  // a call since the start: only noted
  EXPECT_TRUE(tr.InTransaction());
  tr.CallStarted();  // a call still running counts as activity on every tick
  tr.IdleTimerTick();
  tr.IdleTimerTick();
  EXPECT_TRUE(tr.InTransaction());
  tr.CallEnded();
  tr.IdleTimerTick();
  EXPECT_TRUE(tr.InTransaction());
  EXPECT_EQ(fired, 0);
  tr.IdleTimerTick();
  EXPECT_FALSE(tr.InTransaction());
  EXPECT_EQ(fired, 1);
}

TEST_F(DbFixture, IdleTimerRunsThroughTheInstalledTimer) {
  std::function<void()> tick;
  unsigned interval = 0;
  int stopped = 0;
  SetIBTimerStarter([&](unsigned ms, std::function<void()> t) {
    interval = ms;
    tick = std::move(t);
    return std::function<void()>([&] { ++stopped; });
  });
  tr.Commit();
  tr.SetIdleTimer(300000);
  tr.StartTransaction();
  EXPECT_EQ(interval, 300000u);
  ASSERT_TRUE(tick);
  tick();
  EXPECT_FALSE(tr.InTransaction());
  EXPECT_EQ(stopped, 1);
  SetIBTimerStarter(nullptr);
}

TEST_F(DbFixture, ForceCloseEndsEverythingAndNotifies) {
  TIBSQL q;
  Bind(q, "SELECT ID FROM A");
  q.ExecQuery();
  int after = 0;
  db.AfterDisconnect = [&](TIBDatabase*) { ++after; };
  db.ForceClose();
  EXPECT_FALSE(db.Connected());
  EXPECT_FALSE(tr.InTransaction());
  EXPECT_FALSE(q.Statement().Prepared());
  EXPECT_EQ(after, 1);
  db.ForceClose();  // nothing left to close
  EXPECT_EQ(after, 1);
}

// Freeing an attachment ends its transactions and statements, and every component that
// referred to it forgets it: with separate owners (free notification), with one owner, and when
// that owner frees the attachment before the others.
TEST(DbComponents, FreeingTheAttachmentReachesEveryComponentThatUsesIt) {
  enum Mode { SeparateOwners, SameOwner, OwnerFreesAll };
  for (Mode mode : {SeparateOwners, SameOwner, OwnerFreesAll}) {
    auto* owner = new TComponent(nullptr);
    TComponent* other = mode == SeparateOwners ? nullptr : owner;
    auto* tr = new TIBTransaction(other);
    auto* q = new TIBSQL(other);
    auto* info = new TIBDatabaseInfo(other);
    auto* db = new TIBDatabase(owner);  // created last: an owner frees it first
    db->SetName("IBDatabase");
    db->SetDatabaseName(FbFixtureDatabase("ib_basic"));
    db->Params().SetValues("user_name", "SYSDBA");
    db->Open();
    EXPECT_EQ(owner->FindComponent("IBDatabase"), db);
    tr->SetDefaultDatabase(db);
    tr->StartTransaction();
    q->SetDatabase(db);
    q->SetTransaction(tr);
    q->SetSQL("SELECT ID FROM A");
    q->ExecQuery();
    info->SetDatabase(db);
    if (mode == OwnerFreesAll) {
      owner->Free();
      continue;
    }
    db->Free();
    EXPECT_EQ(tr->DefaultDatabase(), nullptr) << mode;
    EXPECT_FALSE(tr->InTransaction());
    EXPECT_EQ(q->Database(), nullptr);
    EXPECT_FALSE(q->Statement().Prepared());
    EXPECT_EQ(info->Database(), nullptr);
    EXPECT_THROW(q->ExecQuery(), EIBClientError);
    EXPECT_THROW(tr->StartTransaction(), EIBClientError);
    if (mode == SeparateOwners)
      for (TComponent* c : {static_cast<TComponent*>(info), static_cast<TComponent*>(q), static_cast<TComponent*>(tr)})
        c->Free();
    owner->Free();
  }
}

TEST_F(DbFixture, CommitClosesCursorsButKeepsStatementsPrepared) {
  TIBSQL q;
  Bind(q, "SELECT ID FROM A");
  q.ExecQuery();
  tr.Commit();
  EXPECT_FALSE(q.Statement().Open());
  EXPECT_TRUE(q.Statement().Prepared());
  tr.StartTransaction();
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsInteger(), 1);
}

TEST_F(DbFixture, ReadCountersFollowTheReads) {
  TIBDatabaseInfo info;
  info.SetDatabase(&db);
  int id = std::stoi(Scalar("SELECT RDB$RELATION_ID FROM RDB$RELATIONS WHERE RDB$RELATION_NAME = 'A'"));
  std::string key = std::to_string(id);
  std::string before = info.ReadSeqCount().Values(key);
  Scalar("SELECT COUNT(*) FROM A");
  std::string after = info.ReadSeqCount().Values(key);
  EXPECT_EQ(std::stoll(after) - (before.empty() ? 0 : std::stoll(before)), 3);
  Scalar("SELECT NAME FROM A WHERE ID = 2");
  EXPECT_FALSE(info.ReadIdxCount().Values(key).empty());
  EXPECT_EQ(info.DBSQLDialect(), 3);
}

TEST(DbReadCounts, ParsesOddAnswersSafely) {
  const char item = isc_info_read_seq_count;
  struct Case {
    std::string answer;
    std::vector<std::pair<int, std::int64_t>> expected;
  };
  const Case cases[] = {
      {std::string("\x17\x0c\x00\x00\x00\x56\x00\x00\x00\x01\x00\x02\x00\x00\x00\x01", 16), {{0, 86}, {1, 2}}},
      // Counts beyond 32 bits widen the entry to 10 bytes.
      {std::string("\x17\x0a\x00\x80\x00\x00\x00\x00\x00\x01\x00\x00\x00", 13), {{128, 4294967296LL}}},
      {std::string("\x02", 1), {}},                                          // truncated
      {std::string("\x17\xff\x00\x80\x00\x05\x00\x00\x00", 9), {{128, 5}}},  // length past the end
  };
  for (const Case& c : cases) EXPECT_EQ(IBParseReadCounts(c.answer.data(), c.answer.size(), item), c.expected);
}

TEST(DbServices, LocalServicesManagerGivesTheVersion) {
  FbScratchDir();
  TIBServerProperties svc;
  svc.Params().SetValues("user_name", "SYSDBA");
  svc.SetActive(true);
  svc.FetchVersionInfo();
  svc.SetActive(false);
  EXPECT_NE(svc.VersionInfo().ServerVersion.find("Firebird 3.0"), std::string::npos) << svc.VersionInfo().ServerVersion;
  struct Case {
    TProtocol p;
    const char* server;
    const char* name;
  };
  const Case names[] = {{Local, "x", "service_mgr"},
                        {TCP, "srv", "srv:service_mgr"},
                        {TCP, "srv:3051", "inet://srv:3051/service_mgr"},
                        {SPX, "srv", "srv@service_mgr"},
                        {NamedPipe, "srv", "\\\\srv\\service_mgr"}};
  for (const Case& c : names) {
    svc.Protocol = c.p;
    svc.ServerName = c.server;
    EXPECT_EQ(svc.ServiceName(), c.name);
  }
}

TEST(DbErrors, SQLCodeMessageHasTheLinesAfterLineFeedAndCarriageReturn) {
  ISC_STATUS status[] = {isc_arg_gds, 335544794, isc_arg_end};  // operation was cancelled
  std::string text = IBSQLCodeMessage(status);
  EXPECT_EQ(text.rfind("SQL code: -901\n\r", 0), 0u) << text;
  EXPECT_NE(text.find("\n\roperation was cancelled"), std::string::npos) << text;
  EXPECT_EQ(IBStatusText(status), "operation was cancelled");
}
