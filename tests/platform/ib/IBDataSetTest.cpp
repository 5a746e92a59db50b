// The statement dataset on the embedded engine: fields and types, fetch on demand, navigation,
// links, and a statement that returns no rows.
#include "platform/ib/IBCustomDataSet.h"
#include "platform/ib/IBDatabase.h"
#include "support/FbFixture.h"

#include <gtest/gtest.h>

namespace {

struct IBDataSetFixture : ::testing::Test {
  TIBDatabase db;
  TIBTransaction tr;
  TIBDataSet ds{nullptr};
  void SetUp() override {
    FbAttach(db, FbFixtureDatabase("ib_basic"));
    tr.SetDefaultDatabase(&db);
    for (const char* p : {"read_committed", "rec_version", "nowait"}) tr.Params().Add(p);
    tr.StartTransaction();
    ds.SetDatabase(&db);
    ds.SetTransaction(&tr);
  }
  void TearDown() override { ds.Close(); }
};

class CountingLink : public TDataLink {
public:
  int changes = 0;

protected:
  void DataSetChanged() override { ++changes; }
};

}  // namespace

TEST_F(IBDataSetFixture, FieldsTakeTheColumnTypesAndValues) {
  ds.SetSelectSQL("SELECT ID, NAME, CODE, AMOUNT, RATIO, BIG, FLAG, BORN, STAMP, NOTE FROM A ORDER BY ID");
  ds.Open();
  struct Case {
    const char* name;
    TFieldType type;
    const char* classname;
    const char* first;  // AsString of row 1
  } cases[] = {
      {"ID", ftInteger, "TIntegerField", "1"},
      {"NAME", ftString, "TStringField", "one"},
      {"CODE", ftString, "TStringField", "c1   "},  // CHAR keeps its blanks
      {"AMOUNT", ftFMTBcd, "TFMTBCDField", "12.5"},
      {"RATIO", ftFloat, "TFloatField", "0.25"},
      {"BIG", ftLargeint, "TLargeintField", "9000000000"},
      {"FLAG", ftBoolean, "TBooleanField", "True"},
      {"BORN", ftDate, "TDateField", ""},
      {"STAMP", ftDateTime, "TDateTimeField", ""},
      {"NOTE", ftMemo, "TMemoField", "first note"},
  };
  ASSERT_EQ(ds.FieldCount(), 10);
  for (const Case& c : cases) {
    TField* f = ds.FieldByName(c.name);
    EXPECT_EQ(f->DataType(), c.type) << c.name;
    EXPECT_STREQ(f->ClassName(), c.classname) << c.name;
    if (*c.first) {
      EXPECT_EQ(f->AsString(), c.first) << c.name;
    }
  }
  EXPECT_EQ(ds.FieldByName("NAME")->Size(), 40);
  EXPECT_EQ(ds.FieldByName("AMOUNT")->Size(), 2);
  EXPECT_EQ(ds.FieldByName("BORN")->AsDateTime(), EncodeDate(2024, 2, 29));
  EXPECT_EQ(ds.FieldByName("STAMP")->AsDateTime(), EncodeDateTime(2024, 2, 29, 13, 45, 30, 0));
  EXPECT_FALSE(ds.CanModify());
  EXPECT_THROW(ds.Edit(), EDatabaseError);
  ds.Next();
  EXPECT_EQ(ds.FieldByName("AMOUNT")->AsString(), "-0.05");  // exact, no rounding to 4 places
  EXPECT_TRUE(ds.FieldByName("RATIO")->IsNull());
  EXPECT_FALSE(ds.FieldByName("FLAG")->AsBoolean());
  ds.Next();
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "Grüße");
  EXPECT_EQ(ds.FieldByName("NOTE")->AsString(), "ä");
  EXPECT_EQ(ds.FieldByName("BIG")->AsLargeInt(), -1);
  EXPECT_EQ(ds.FieldByName("BORN")->AsDateTime(), EncodeDate(1858, 11, 17));
  EXPECT_STRNE(ds.ClassName(), "");
  EXPECT_EQ(std::string(UpperCase(ds.ClassName())).find("QUERY"), std::string::npos);
}

TEST_F(IBDataSetFixture, FetchesOnDemandAndCountsFetchedRows) {
  // 2000 rows (50 x 40), stored in blocks of 100 rows.
  ds.SetSelectSQL(
      "WITH RECURSIVE R(N) AS (SELECT 0 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 49) "
      "SELECT A.N * 40 + B.N + 1 AS N, 'row ' || (A.N * 40 + B.N + 1) AS T, A.N * 40 + B.N + 1 AS N "
      "FROM R A CROSS JOIN R B WHERE B.N < 40 ORDER BY 1");
  ds.SetBufferChunks(100);
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 1);                 // only what the cursor needed
  EXPECT_EQ(ds.Fields()[2]->FieldName(), "N_1");  // repeated names are told apart
  EXPECT_EQ(ds.MoveBy(499), 499);
  EXPECT_EQ(ds.RecordCount(), 500);
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "row 500");
  String bm = ds.Bookmark();
  TDataSource src(nullptr);
  CountingLink link;
  link.SetBufferCount(50);
  link.SetDataSource(&src);
  src.SetDataSet(&ds);  // the window of 50 reads ahead
  EXPECT_EQ(link.RecordCount(), 50);
  ds.Last();
  EXPECT_EQ(ds.RecordCount(), 2000);
  EXPECT_TRUE(ds.Eof());
  EXPECT_EQ(ds.FieldByName("N")->AsInteger(), 2000);
  ds.GotoBookmark(bm);
  EXPECT_EQ(ds.FieldByName("N")->AsInteger(), 500);
  EXPECT_TRUE(ds.Locate("T", "row 1234"));
  EXPECT_EQ(ds.RecNo(), 1234);
  ds.SetFilter("N > 1990");
  ds.SetFiltered(true);
  EXPECT_EQ(ds.RecordCount(), 10);
  ds.SetFiltered(false);
  src.SetDataSet(nullptr);
  ds.Close();
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 1);
}

TEST_F(IBDataSetFixture, PlanParamsAndStatementsWithoutRows) {
  ds.SetSelectSQL("SELECT NAME FROM A WHERE ID = :ID");
  ds.Prepare();
  EXPECT_EQ(ds.StatementType(), SQLSelect);
  EXPECT_NE(ds.Plan().find("PLAN"), std::string::npos);
  ds.ParamByName("ID").SetAsInteger(2);
  ds.Open();
  EXPECT_EQ(ds.RecordCount(), 1);
  EXPECT_EQ(ds.FieldByName("NAME")->AsString(), "two");
  ds.Next();
  EXPECT_TRUE(ds.Eof());
  ds.Close();
  // Opening an UPDATE runs it.
  ds.SetSelectSQL("UPDATE A SET CODE = CODE WHERE ID < 3");
  ds.Open();
  EXPECT_EQ(ds.RowsAffected(), 2);
  EXPECT_TRUE(ds.IsEmpty());
  EXPECT_EQ(ds.FieldCount(), 0);
  ds.Close();
  ds.SetSelectSQL("SELECT X FROM NO_SUCH_TABLE");
  EXPECT_THROW(ds.Open(), Exception);
  EXPECT_FALSE(ds.Active());
  tr.Rollback();
}

TEST_F(IBDataSetFixture, RowsKeepNullsOfManyColumnsAndTextsOfEveryLength) {
  // Null flags past the first eight columns, an empty text, a length of two bytes in the arena,
  // and a text longer than an arena block.
  ds.SetSelectSQL(
      "SELECT 1 AS C1, 2 AS C2, 3 AS C3, 4 AS C4, 5 AS C5, 6 AS C6, 7 AS C7, 8 AS C8, "
      "CAST(NULL AS INTEGER) AS C9, CAST(NULL AS VARCHAR(5)) AS C10, '' AS EMPTY, "
      "LPAD('', 200, 'w') AS WIDE, 9 AS C13 FROM RDB$DATABASE");
  ds.Open();
  EXPECT_EQ(ds.FieldByName("C8")->AsInteger(), 8);
  EXPECT_TRUE(ds.FieldByName("C9")->IsNull());
  EXPECT_TRUE(ds.FieldByName("C10")->IsNull());
  EXPECT_FALSE(ds.FieldByName("EMPTY")->IsNull());
  EXPECT_EQ(ds.FieldByName("EMPTY")->AsString(), "");
  EXPECT_EQ(ds.FieldByName("WIDE")->AsString(), std::string(200, 'w'));
  EXPECT_EQ(ds.FieldByName("C13")->AsInteger(), 9);
  ds.Close();

  ds.SetSelectSQL(
      "WITH RECURSIVE R(N) AS (SELECT 1 FROM RDB$DATABASE UNION ALL SELECT N + 1 FROM R WHERE N < 1000) "
      "SELECT 'before' AS T FROM RDB$DATABASE UNION ALL "
      "SELECT CAST(LIST(LPAD('', 40, 'z'), '') AS BLOB SUB_TYPE TEXT) FROM R A CROSS JOIN R B "
      "WHERE B.N <= 30 UNION ALL SELECT 'after' FROM RDB$DATABASE");
  ds.Open();
  ds.FetchAll();
  ASSERT_EQ(ds.RecordCount(), 3);
  ds.First();
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "before");
  ds.Next();
  EXPECT_EQ(ds.FieldByName("T")->AsString(), std::string(1200000, 'z'));
  ds.Next();
  EXPECT_EQ(ds.FieldByName("T")->AsString(), "after");
}
