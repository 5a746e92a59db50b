// The server connection module: its rules with a scripted services manager, and the real
// embedded engine and loopback server.
#include "analyzer/ServerConnectionDM.h"
#include "platform/ib/IBErrors.h"
#include "platform/ib/IBSQL.h"
#include "support/FbFixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// A client whose services manager answers a scripted version text (what Firebird cannot give).
namespace fake {
std::string version;
std::vector<std::string> attachedNames;
ISC_STATUS Attach(ISC_STATUS* st, unsigned short len, const ISC_SCHAR* name, isc_svc_handle* h, unsigned short,
                  const ISC_SCHAR*) {
  attachedNames.emplace_back(name, len);
  *h = 1;
  st[0] = 1, st[1] = 0, st[2] = 0;
  return 0;
}
ISC_STATUS Detach(ISC_STATUS* st, isc_svc_handle* h) {
  *h = 0;
  st[0] = 1, st[1] = 0, st[2] = 0;
  return 0;
}
ISC_STATUS Query(ISC_STATUS* st, isc_svc_handle*, isc_resv_handle*, unsigned short, const ISC_SCHAR*, unsigned short,
                 const ISC_SCHAR*, unsigned short size, ISC_SCHAR* out) {
  std::memset(out, 0, size);
  out[0] = isc_info_svc_server_version;
  out[1] = static_cast<char>(version.size() & 0xFF);
  out[2] = static_cast<char>(version.size() >> 8);
  std::memcpy(out + 3, version.data(), version.size());
  out[3 + version.size()] = isc_info_end;
  st[0] = 1, st[1] = 0, st[2] = 0;
  return 0;
}
}  // namespace fake

struct ScriptedServices : ::testing::Test {
  TIBClientLibrary table;
  const TIBClientLibrary* previous = nullptr;
  void SetUp() override {
    table = IBClient();
    table.isc_service_attach = fake::Attach;
    table.isc_service_detach = fake::Detach;
    table.isc_service_query = fake::Query;
    previous = SetIBClientLibrary(&table);
    fake::attachedNames.clear();
  }
  void TearDown() override { SetIBClientLibrary(previous); }
};

}  // namespace

TEST(ServerConnection, ProtocolAndServerNameFromTheDatabaseName) {
  struct Case {
    const char* name;
    TProtocol protocol;
    const char* server;
  };
  const Case cases[] = {
      {"C:\\data\\x.gdb", Local, ""},
      {"srv:C:\\data\\x.gdb", TCP, "srv"},
      {"srv:/data/x.gdb", TCP, "srv"},
      {"\\\\srv\\d\\x.gdb", NamedPipe, "srv"},
      {"\\\\srv", NamedPipe, ""},
      {"srv:alias", Local, ""},
      {"srv@net:alias", SPX, "srv@net"},
      {"/var/db/x.fdb", Local, ""},
      {"employee", Local, ""},
      {"localhost/3051:/db.fdb", TCP, "localhost/3051"},
      {"inet://localhost/db.fdb", TCP, "localhost"},
      {"INET4://10.0.0.1:3051/var/x.fdb", TCP, "10.0.0.1:3051"},
      {"inet6://[::1]", TCP, "[::1]"},
      {"srv:", Local, ""},
      {"\\", Local, ""},
      {"", Local, ""},
  };
  for (const Case& c : cases) {
    TdmServerProperties dm;
    dm.SetDatabaseName(c.name);
    EXPECT_EQ(dm.Protocol(), c.protocol) << c.name;
    EXPECT_EQ(dm.ServerName(), c.server) << c.name;
  }
}

TEST(ServerConnection, ParameterLinesInBothLists) {
  TdmServerProperties dm;
  dm.SetUserName("SYSDBA");
  dm.SetPassword("pw");
  dm.SetRole("READER");
  dm.SetCharacterSet("UTF8");
  EXPECT_EQ(dm.IBDatabase.Params().Text(),
            "user_name=SYSDBA\r\npassword=pw\r\nsql_role_name=READER\r\nlc_ctype=UTF8\r\n");
  EXPECT_EQ(dm.IBServerProperties.Params().Text(), "user_name=SYSDBA\r\npassword=pw\r\n");
  dm.SetRole("");
  EXPECT_EQ(dm.Role(), "");
  EXPECT_EQ(dm.IBDatabase.Params().IndexOfName("sql_role_name"), -1);
  dm.SetUserName("OTHER");
  EXPECT_EQ(dm.UserName(), "OTHER");
  EXPECT_EQ(dm.IBDatabase.Params().Strings(0), "user_name=OTHER");
  dm.Loaded();
  EXPECT_EQ(dm.IBDatabase.Params().Text(), "lc_ctype=UTF8\r\n");
  EXPECT_EQ(dm.IBServerProperties.Params().Count(), 0);
}

TEST_F(ScriptedServices, VersionNumbersAndCancelCapability) {
  struct Case {
    const char* version;
    const char* database;
    int major, minor;
    bool supports, can;
  };
  const Case cases[] = {
      {"WI-V6.5.0.28", "srv:C:\\x.gdb", 6, 5, true, true},
      {"LI-V7.1.0.131", "srv:/x.gdb", 7, 1, true, true},
      {"WI-V6.0.1.6", "srv:/x.gdb", 6, 0, false, false},
      {"WI-V6.4.0.0", "srv:/x.gdb", 6, 4, false, false},  // cancel starts at 6.5
      {"6.5", "srv:/x.gdb", 6, 0, false, false},          // a run reaching the end is not converted
      {"V0.0.7.2 x", "srv:/x.gdb", 7, 2, true, true},
      {"V99999999999.3 x", "srv:/x.gdb", 1, 3, false, false},  // not a valid integer: 1
      {"WI-V7.1.0.131", "srv:alias", 7, 1, true, false},       // local whatever the version
      {"WI-V7.1.0.131", "C:\\x.gdb", 7, 1, true, false},
      {"LI-V3.0.11.33637 Firebird 3.0", "inet://localhost/x.fdb", 3, 0, true, true},
      {"LI-V2.5.9.1 Firebird 2.5", "srv:/x.fdb", 2, 5, true, true},
      {"LI-V2.1.7.1 Firebird 2.1", "srv:/x.fdb", 2, 1, false, false},
      {"LI-V3.0.11.33637 Firebird 3.0", "/var/x.fdb", 3, 0, true, false},
  };
  for (const Case& c : cases) {
    fake::version = c.version;
    TdmServerProperties dm;
    dm.SetDatabaseName(c.database);
    EXPECT_EQ(dm.ServerMajorVersion(), c.major) << c.version;
    EXPECT_EQ(dm.ServerMinorVersion(), c.minor) << c.version;
    EXPECT_EQ(dm.SupportsQueryCancel(), c.supports) << c.version;
    EXPECT_EQ(dm.CanCancelQueries(), c.can) << c.version << " " << c.database;
    EXPECT_FALSE(dm.IBServerProperties.Active());
  }
  TdmServerProperties empty;
  EXPECT_FALSE(empty.CanCancelQueries());
}

TEST_F(ScriptedServices, ServiceNamesFollowTheProtocol) {
  fake::version = "LI-V3.0.11.33637 Firebird 3.0";
  for (const char* name : {"srv:/x.fdb", "inet://h:3051/x.fdb", "/x.fdb", "\\\\pipe\\x.gdb", "srv@net:a"}) {
    TdmServerProperties dm;
    dm.SetDatabaseName(name);
    dm.ServerVersion();
  }
  EXPECT_EQ(fake::attachedNames,
            (std::vector<std::string>{"srv:service_mgr", "inet://h:3051/service_mgr", "service_mgr",
                                      "\\\\pipe\\service_mgr", "srv@net@service_mgr"}));
}

TEST_F(ScriptedServices, WritingUserOrPasswordDetachesTheServicesManagerFirst) {
  for (auto write : {&TdmServerProperties::SetUserName, &TdmServerProperties::SetPassword}) {
    TdmServerProperties dm;
    dm.SetDatabaseName("srv:/x.gdb");
    ASSERT_TRUE(dm.AttachServices());
    ASSERT_TRUE(dm.IBServerProperties.Active());
    (dm.*write)("SYSDBA");
    EXPECT_FALSE(dm.IBServerProperties.Active());
    EXPECT_EQ(dm.IBServerProperties.Params().Count(), 1);
  }
}

TEST_F(ScriptedServices, ClientWithoutServicesManagerCountsAsVersion5_6) {
  table.isc_service_attach = nullptr;
  fake::version = "WI-V7.1.0.131";
  TdmServerProperties dm;
  dm.SetDatabaseName("srv:/x.gdb");
  EXPECT_EQ(dm.ServerVersion(), "(Services manager not supported.)");
  EXPECT_EQ(dm.ServerMajorVersion(), 5);
  EXPECT_EQ(dm.ServerMinorVersion(), 6);
  EXPECT_FALSE(dm.CanCancelQueries());
}

TEST(DbServerConnection, EmbeddedConnectReportsTheVersionAndResetsOnEveryConnect) {
  TdmServerProperties dm;
  int changes = 0;
  dm.OnChange = [&](TdmServerProperties*) { ++changes; };
  dm.SetDatabaseName(FbFixtureDatabase("ib_basic"));
  dm.SetUserName("SYSDBA");
  dm.SetCharacterSet("UTF8");
  dm.IBDatabase.SetSQLDialect(1);  // the module asks for dialect 3 before every connect
  dm.SetConnected(true);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(dm.IBDatabase.SQLDialect(), 3);
  EXPECT_NE(dm.ServerVersion().find("Firebird 3.0"), std::string::npos) << dm.ServerVersion();
  EXPECT_EQ(dm.ServerMajorVersion(), 3);
  EXPECT_EQ(dm.ServerMinorVersion(), 0);
  EXPECT_EQ(dm.Protocol(), Local);
  EXPECT_TRUE(dm.SupportsQueryCancel());
  EXPECT_FALSE(dm.CanCancelQueries());
  dm.SetConnected(true);  // no change: nothing happens
  EXPECT_EQ(changes, 1);
  dm.SetConnected(false);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(dm.ServerMajorVersion(), 3);  // asked again, fetched again
  dm.ForceDisconnect();
  EXPECT_EQ(changes, 3);
  // A forced close of a live attachment announces itself once.
  dm.SetConnected(true);
  EXPECT_EQ(changes, 4);
  dm.ForceDisconnect();
  EXPECT_FALSE(dm.Connected());
  EXPECT_EQ(changes, 5);
}

TEST(DbServerConnection, OldDialectDatabaseLowersTheConnectionsDialect) {
  TdmServerProperties dm;
  dm.SetDatabaseName(FbFixtureDatabase("dialect1"));
  dm.SetUserName("SYSDBA");
  dm.SetConnected(true);  // asks for dialect 3
  EXPECT_EQ(dm.IBDatabase.DBSQLDialect(), 1);
  EXPECT_EQ(dm.IBDatabase.SQLDialect(), 1);
  TIBTransaction tr;
  tr.SetDefaultDatabase(&dm.IBDatabase);
  tr.StartTransaction();
  TIBSQL q;
  q.SetDatabase(&dm.IBDatabase);
  q.SetTransaction(&tr);
  q.SetSQL("SELECT COUNT(*) FROM T WHERE ID = \"1\"");  // a text in double quotes: dialect 1 only
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsString(), "1");
  q.Close();
  tr.Commit();
  dm.SetConnected(false);
  EXPECT_EQ(dm.IBDatabase.SQLDialect(), 3);  // the next database is asked for 3 again
}

TEST_F(ScriptedServices, ReconnectingToAnotherServerFetchesTheVersionAgain) {
  TdmServerProperties dm;
  dm.SetDatabaseName(FbFixtureDatabase("ib_basic"));
  dm.SetUserName("SYSDBA");
  fake::version = "WI-V6.5.0.28";
  dm.SetConnected(true);
  EXPECT_EQ(dm.ServerMinorVersion(), 5);
  dm.SetConnected(false);
  fake::version = "LI-V7.1.0.131";
  dm.SetConnected(true);
  EXPECT_EQ(dm.ServerVersion(), "LI-V7.1.0.131");
  EXPECT_EQ(dm.ServerMinorVersion(), 1);
  EXPECT_EQ(fake::attachedNames.size(), 2u);
  dm.SetConnected(false);
}

TEST(DbServerConnectionTcp, LoopbackServerVersionCancelAndForcedClose) {
  VT_REQUIRE_FB_SERVER();
  std::string database = FbServerFixtureDatabase("ib_basic");
  const std::string path = database.substr(database.find(':') + 1);
  const std::string inet = "inet://" + FbServerHost() + ":" + std::to_string(FbServerPort()) + "/" + path;
  for (const std::string& name : {database, inet}) {
    TdmServerProperties dm;
    int changes = 0;
    dm.OnChange = [&](TdmServerProperties*) { ++changes; };
    dm.SetDatabaseName(name);
    dm.SetUserName("SYSDBA");
    dm.SetPassword(FbSysdbaPassword());
    dm.SetRole("READER");
    dm.SetCharacterSet("UTF8");
    dm.SetConnected(true);
    EXPECT_EQ(dm.Protocol(), TCP) << name;
    EXPECT_NE(dm.ServerVersion().find("Firebird 3.0"), std::string::npos) << dm.ServerVersion();
    EXPECT_EQ(dm.ServerMajorVersion(), 3);
    EXPECT_TRUE(dm.CanCancelQueries()) << name;
    dm.ForceDisconnect();
    EXPECT_FALSE(dm.Connected());
    EXPECT_EQ(changes, 2);  // the connect and the forced close, each announced once
  }
}

TEST(DbServerConnectionTcp, AttachErrorsGiveTheServerMessages) {
  VT_REQUIRE_FB_SERVER();
  const std::string database = FbServerFixtureDatabase("ib_basic");
  struct Case {
    std::string name, password, charset, text;
    long gds;
    bool exact;
  };
  const Case cases[] = {
      {database, "wrong", "",
       "Your user name and password are not defined. Ask your database administrator to set up a Firebird login",
       335544472, true},
      {database + ".missing", FbSysdbaPassword(), "", "I/O error during \"open\" operation for file", 335544344, false},
      {database, FbSysdbaPassword(), "XYZ",
       "bad parameters on attach or create database\r\nCHARACTER SET XYZ is not defined", 335544325, true},
  };
  for (const Case& c : cases) {
    TdmServerProperties dm;
    dm.SetDatabaseName(c.name);
    dm.SetUserName("SYSDBA");
    dm.SetPassword(c.password);
    dm.SetCharacterSet(c.charset);
    try {
      dm.SetConnected(true);
      ADD_FAILURE() << "connected: " << c.name;
    } catch (const EIBError& e) {
      if (c.exact)
        EXPECT_EQ(e.Message(), c.text);
      else
        EXPECT_EQ(e.Message().find(c.text), 0u) << e.Message();
      EXPECT_EQ(e.IBErrorCode(), c.gds) << e.Message();
    }
    EXPECT_FALSE(dm.Connected());
  }
}

namespace {
// The fixture on every road there is: the embedded engine, and the loopback server by its
// host/port name and its inet:// name when it runs.
std::vector<std::string> AttachRoads() {
  std::vector<std::string> names{FbFixtureDatabase("ib_basic")};
  if (FbServerAvailable()) {
    std::string database = FbServerFixtureDatabase("ib_basic");
    names.push_back(database);
    names.push_back("inet://" + FbServerHost() + ":" + std::to_string(FbServerPort()) + "/" +
                    database.substr(database.find(':') + 1));
  }
  return names;
}

void Login(TdmServerProperties& dm, const std::string& name) {
  dm.SetDatabaseName(name);
  dm.SetUserName("SYSDBA");
  if (name.find(':') != std::string::npos) dm.SetPassword(FbSysdbaPassword());
}

std::string Scalar(TIBDatabase& db, TIBTransaction& tr, const std::string& sql) {
  TIBSQL q;
  q.SetDatabase(&db);
  q.SetTransaction(&tr);
  q.SetSQL(sql);
  q.ExecQuery();
  return q.Fields(0).AsString();
}
}  // namespace

TEST(DbServerConnection, AttachSendsUserRoleCharacterSetAndDialect3) {
  for (const std::string& name : AttachRoads()) {
    TdmServerProperties dm;
    Login(dm, name);
    dm.SetRole("READER");
    dm.SetCharacterSet("UTF8");
    dm.SetConnected(true);
    TIBTransaction tr;
    tr.SetDefaultDatabase(&dm.IBDatabase);
    tr.StartTransaction();
    EXPECT_EQ(dm.IBDatabase.SQLDialect(), 3) << name;
    EXPECT_EQ(
        Scalar(dm.IBDatabase, tr,
               "SELECT CURRENT_USER || '/' || CURRENT_ROLE || '/' || TRIM(C.RDB$CHARACTER_SET_NAME) "
               "FROM MON$ATTACHMENTS M JOIN RDB$CHARACTER_SETS C ON C.RDB$CHARACTER_SET_ID = M.MON$CHARACTER_SET_ID "
               "WHERE M.MON$ATTACHMENT_ID = CURRENT_CONNECTION"),
        "SYSDBA/READER/UTF8")
        << name;
    tr.Commit();
  }
}

TEST(DbServerConnection, ForceDisconnectAfterTheAttachmentWasKilled) {
  for (const std::string& name : AttachRoads()) {
    TdmServerProperties dm;
    int changes = 0;
    dm.OnChange = [&](TdmServerProperties*) { ++changes; };
    Login(dm, name);
    dm.SetConnected(true);
    TIBTransaction tr;
    tr.SetDefaultDatabase(&dm.IBDatabase);
    tr.StartTransaction();
    TIBSQL cursor;
    cursor.SetDatabase(&dm.IBDatabase);
    cursor.SetTransaction(&tr);
    cursor.SetSQL("SELECT ID FROM A");
    cursor.ExecQuery();
    const std::string id = Scalar(dm.IBDatabase, tr, "SELECT CURRENT_CONNECTION FROM RDB$DATABASE");
    {  // an administrator ends the attachment from elsewhere
      TdmServerProperties admin;
      Login(admin, name);
      admin.SetConnected(true);
      TIBTransaction t;
      t.SetDefaultDatabase(&admin.IBDatabase);
      t.StartTransaction();
      TIBSQL kill;
      kill.SetDatabase(&admin.IBDatabase);
      kill.SetTransaction(&t);
      kill.SetSQL("DELETE FROM MON$ATTACHMENTS WHERE MON$ATTACHMENT_ID = " + id);
      kill.ExecQuery();
      t.Commit();
    }
    EXPECT_THROW(Scalar(dm.IBDatabase, tr, "SELECT 1 FROM RDB$DATABASE"), EIBError) << name;
    EXPECT_NO_THROW(dm.ForceDisconnect()) << name;
    EXPECT_FALSE(dm.Connected());
    EXPECT_FALSE(tr.InTransaction());
    EXPECT_FALSE(cursor.Statement().Prepared());
    EXPECT_EQ(changes, 2);  // the connect and the forced close, each announced once
    dm.SetConnected(true);  // the module is usable again
    EXPECT_EQ(dm.ServerMajorVersion(), 3) << name;
    dm.SetConnected(false);
  }
}
