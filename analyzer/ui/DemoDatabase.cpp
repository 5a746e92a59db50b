#include "analyzer/ui/DemoDatabase.h"

#include <unistd.h>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "analyzer/Settings.h"
#include "platform/ib/IBDatabase.h"
#include "platform/ib/IBErrors.h"
#include "platform/ib/IBIntf.h"
#include "platform/ib/IBSQL.h"

namespace fs = std::filesystem;

const char* const DemoSQL =
    "SELECT P.CATEGORY, COUNT(*) AS LINE_COUNT, SUM(L.QUANTITY * L.PRICE) AS REVENUE\r\n"
    "FROM ORDERS O\r\n"
    "JOIN ORDER_LINES L ON L.ORDER_ID = O.ID\r\n"
    "JOIN PRODUCTS P ON P.ID = L.PRODUCT_ID\r\n"
    "WHERE O.ORDER_DATE >= DATE '2025-07-01' AND O.STATUS = 'SHIPPED'\r\n"
    "GROUP BY P.CATEGORY\r\n"
    "ORDER BY 3 DESC";

namespace {
String Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? String(v) : String();
}

// Tables first with their keys, then the rows, then the secondary indexes, so that their
// statistics describe the rows.
const char* const kSchema[] = {
    "CREATE TABLE CUSTOMERS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL, "
    "CITY VARCHAR(30), COUNTRY VARCHAR(20))",
    "CREATE TABLE PRODUCTS (ID INTEGER NOT NULL PRIMARY KEY, NAME VARCHAR(40) NOT NULL, "
    "CATEGORY VARCHAR(20), PRICE NUMERIC(10,2))",
    "CREATE TABLE ORDERS (ID INTEGER NOT NULL PRIMARY KEY, CUSTOMER_ID INTEGER NOT NULL, "
    "ORDER_DATE DATE NOT NULL, STATUS VARCHAR(10), TOTAL NUMERIC(12,2), "
    "CONSTRAINT FK_ORDERS_CUSTOMER FOREIGN KEY (CUSTOMER_ID) REFERENCES CUSTOMERS (ID))",
    "CREATE TABLE ORDER_LINES (ORDER_ID INTEGER NOT NULL, LINE_NO SMALLINT NOT NULL, "
    "PRODUCT_ID INTEGER NOT NULL, QUANTITY INTEGER, PRICE NUMERIC(10,2), "
    "CONSTRAINT PK_ORDER_LINES PRIMARY KEY (ORDER_ID, LINE_NO), "
    "CONSTRAINT FK_LINES_ORDER FOREIGN KEY (ORDER_ID) REFERENCES ORDERS (ID), "
    "CONSTRAINT FK_LINES_PRODUCT FOREIGN KEY (PRODUCT_ID) REFERENCES PRODUCTS (ID))",
};

const char* const kRows =
    "EXECUTE BLOCK AS\n"
    "  DECLARE I INTEGER = 1;\n"
    "  DECLARE L INTEGER;\n"
    "BEGIN\n"
    "  WHILE (I <= 2000) DO BEGIN\n"
    "    INSERT INTO CUSTOMERS VALUES (:I, 'Customer ' || :I, 'City ' || MOD(:I * 7, 150),\n"
    "      DECODE(MOD(:I, 5), 0, 'Norway', 1, 'Portugal', 2, 'Canada', 3, 'Japan', 'Chile'));\n"
    "    I = I + 1;\n"
    "  END\n"
    "  I = 1;\n"
    "  WHILE (I <= 500) DO BEGIN\n"
    "    INSERT INTO PRODUCTS VALUES (:I, 'Product ' || :I, 'Category ' || MOD(:I, 12), 5 + MOD(:I * 37, 400));\n"
    "    I = I + 1;\n"
    "  END\n"
    "  I = 1;\n"
    "  WHILE (I <= 20000) DO BEGIN\n"
    "    INSERT INTO ORDERS VALUES (:I, 1 + MOD(:I * 13, 2000), DATE '2024-01-01' + MOD(:I * 7, 730),\n"
    "      DECODE(MOD(:I, 10), 0, 'OPEN', 1, 'CANCELLED', 'SHIPPED'), 0);\n"
    "    L = 1;\n"
    "    WHILE (L <= 1 + MOD(:I, 4)) DO BEGIN\n"
    "      INSERT INTO ORDER_LINES VALUES (:I, :L, 1 + MOD(:I * 31 + :L * 17, 500), 1 + MOD(:I + :L, 9),\n"
    "        5 + MOD(:I * 11 + :L, 400));\n"
    "      L = L + 1;\n"
    "    END\n"
    "    I = I + 1;\n"
    "  END\n"
    "  UPDATE ORDERS O SET TOTAL = (SELECT SUM(QUANTITY * PRICE) FROM ORDER_LINES WHERE ORDER_ID = O.ID);\n"
    "END";

const char* const kIndexes[] = {
    "CREATE INDEX IDX_CUSTOMERS_CITY ON CUSTOMERS (CITY)",
    "CREATE INDEX IDX_CUSTOMERS_NAME_UPPER ON CUSTOMERS COMPUTED BY (UPPER(NAME))",
    "CREATE INDEX IDX_ORDERS_DATE ON ORDERS (ORDER_DATE)",
    "CREATE INDEX IDX_ORDERS_STATUS ON ORDERS (STATUS)",
    "CREATE DESCENDING INDEX IDX_ORDERS_TOTAL_DESC ON ORDERS (TOTAL)",
    "CREATE INDEX IDX_PRODUCTS_CATEGORY ON PRODUCTS (CATEGORY, PRICE)",
    "COMMENT ON INDEX IDX_ORDERS_DATE IS 'Orders by the day they were placed'",
};

void CreateEmpty(const String& fileName) {
  ISC_STATUS_ARRAY status{};
  isc_db_handle db = 0;
  isc_tr_handle tr = 0;
  const String create =
      "CREATE DATABASE " + AnsiQuotedStr(fileName, '\'') + " USER 'SYSDBA' PAGE_SIZE 8192 DEFAULT CHARACTER SET UTF8";
  const TIBClientLibrary& ib = IBClient();
  ib.isc_dsql_execute_immediate(status, &db, &tr, 0, create.c_str(), 3, nullptr);
  IBCheck(status);
  ISC_STATUS_ARRAY detach{};
  ib.isc_detach_database(detach, &db);
}

void Fill(const String& fileName) {
  TIBDatabase database;
  database.SetDatabaseName(fileName);
  database.Params().Add("user_name=SYSDBA");
  database.LoginPrompt = false;
  database.SetSQLDialect(3);
  TIBTransaction transaction;
  transaction.SetDefaultDatabase(&database);
  TIBSQL sql;
  sql.SetDatabase(&database);
  sql.SetTransaction(&transaction);
  database.SetConnected(true);
  auto run = [&](const char* text) {
    if (!transaction.InTransaction()) transaction.StartTransaction();
    sql.Close();
    sql.SetSQL(text);
    sql.ExecQuery();
    sql.Close();
    transaction.Commit();
  };
  for (const char* s : kSchema) run(s);
  run(kRows);
  for (const char* s : kIndexes) run(s);
  // The keys' indexes were made before the rows: their statistics are brought up to date.
  std::vector<String> indexes;
  transaction.StartTransaction();
  sql.SetSQL("SELECT TRIM(RDB$INDEX_NAME) FROM RDB$INDICES WHERE COALESCE(RDB$SYSTEM_FLAG, 0) = 0");
  for (sql.ExecQuery(); !sql.Eof(); sql.Next()) indexes.push_back(sql.Fields(0).AsString());
  sql.Close();
  transaction.Commit();
  for (const String& index : indexes) run(("SET STATISTICS INDEX \"" + index + "\"").c_str());
  database.SetConnected(false);
}
}  // namespace

String GetUserDataFolder() {
  String base = Env("XDG_DATA_HOME");
  if (base.empty()) {
    const String home = Env("HOME");
    if (home.empty()) return String();
    base = home + "/.local/share";
  }
  return base + "/Kestrum/InterBase Vantorelle/";
}

String DemoDatabaseFileName() {
  const String folder = GetUserDataFolder();
  return folder.empty() ? String() : folder + "demo.fdb";
}

void EnsureDemoDatabase(const String& fileName) {
  if (fs::exists(fileName)) return;
  std::error_code ec;
  fs::create_directories(fs::path(fileName).parent_path(), ec);
  if (ec)
    throw Exception("Could not create folder \"" + fs::path(fileName).parent_path().string() + "\": " + ec.message());
  const String part = fileName + ".part";
  fs::remove(part, ec);
  try {
    CreateEmpty(part);
    Fill(part);
  } catch (...) {
    fs::remove(part, ec);
    throw;
  }
  fs::rename(part, fileName, ec);
  if (ec) throw Exception("Could not make the demo database \"" + fileName + "\": " + ec.message());
}

void RememberDemoConnection(const String& settingsFileName, const String& demoFileName) {
  std::unique_ptr<TMemIniFile> ini = LoadSettingsFile(settingsFileName);
  TRememberedConnections remembered;
  remembered.Load(*ini);
  if (remembered.Count() > 0) return;
  remembered.RememberDatabase = true;
  remembered.RememberUsername = true;
  remembered.Remember(-1, TRememberedConnection{demoFileName, "SYSDBA", String(), String(), "UTF8"}, true);
  remembered.Save(*ini);
  ini->UpdateFile();
}

void PrepareEmbeddedEngineLock() {
  if (!Env("FIREBIRD_LOCK").empty()) return;
  // The system's lock folder, when it can be used, is shared with other tools of this user.
  if (access("/tmp/firebird", R_OK | W_OK | X_OK) == 0 || !fs::exists("/tmp/firebird")) return;
  String folder = Env("XDG_RUNTIME_DIR");
  if (folder.empty()) {
    const String home = Env("HOME");
    folder = home.empty() ? String("/tmp/firebird-") + std::to_string(getuid()) : home + "/.cache";
  }
  folder += "/Kestrum/firebird-lock";
  std::error_code ec;
  fs::create_directories(folder, ec);
  setenv("FIREBIRD_LOCK", folder.c_str(), 1);
}
