// Parameter texts against the embedded engine: numbers and truth values are converted when the
// text is set (a text the type cannot take fails there), other types go to the server as text.
#include "platform/ib/IBErrors.h"
#include "platform/ib/IBSQL.h"
#include "support/FbFixture.h"

#include <gtest/gtest.h>

namespace {

struct ParamText : ::testing::Test {
  TIBDatabase db;
  TIBTransaction tr;
  void SetUp() override {
    FbAttach(db, FbFixtureDatabase("param_types"));
    tr.SetDefaultDatabase(&db);
    tr.StartTransaction();
  }
  void TearDown() override {
    if (tr.InTransaction()) tr.Rollback();
  }
  void Bind(TIBSQL& q, const std::string& sql) {
    q.SetDatabase(&db);
    q.SetTransaction(&tr);
    q.SetSQL(sql);
    q.Prepare();
  }
};

struct Case {
  const char* column;
  const char* text;
  const char* stored;  // what the column holds afterwards, when the text is taken
  const char* error;   // the conversion error, when it is not
};

const Case kCases[] = {
    // Whole numbers: blanks around allowed, the type's range checked.
    {"SI", " 12 ", "12", nullptr},
    {"SI", "-32768", "-32768", nullptr},
    {"SI", "32768", nullptr, "'32768' is not a valid integer value"},
    {"SI", "", nullptr, "'' is not a valid integer value"},
    {"I", "2147483647", "2147483647", nullptr},
    {"I", "2147483648", nullptr, "'2147483648' is not a valid integer value"},
    {"I", "abc", nullptr, "'abc' is not a valid integer value"},
    {"I", "1.5.7", nullptr, "'1.5.7' is not a valid integer value"},
    {"I", "1.5", nullptr, "'1.5' is not a valid integer value"},
    {"BI", "-9223372036854775808", "-9223372036854775808", nullptr},
    {"BI", "9223372036854775808", nullptr, "'9223372036854775808' is not a valid integer value"},
    // Scaled numbers: exact, further decimals rounded halves away from zero, range of the
    // stored integer checked.
    {"N92", "1.235", "1.24", nullptr},
    {"N92", "-1.235", "-1.24", nullptr},
    {"N92", "1.234", "1.23", nullptr},
    {"N92", " 12 ", "12.00", nullptr},
    {"N92", "1e2", "100.00", nullptr},
    {"N92", "0.004", "0.00", nullptr},
    {"N92", "21474836.47", "21474836.47", nullptr},
    {"N92", "21474836.48", nullptr, "'21474836.48' is not a valid floating point value"},
    {"N92", "1,5", nullptr, "'1,5' is not a valid floating point value"},
    {"N92", "", nullptr, "'' is not a valid floating point value"},
    {"N42", "327.67", "327.67", nullptr},
    {"N42", "327.68", nullptr, "'327.68' is not a valid floating point value"},
    {"N184", "12345678901234.5678", "12345678901234.5678", nullptr},
    {"N184", "-922337203685477.5808", "-922337203685477.5808", nullptr},
    {"N184", "922337203685477.5808", nullptr, "'922337203685477.5808' is not a valid floating point value"},
    // Floating point.
    {"F", "1.5", "1.5", nullptr},
    {"F", "1e39", nullptr, "'1e39' is not a valid floating point value"},
    {"D", "2.5e-3", "0.0025", nullptr},
    {"D", "1e400", nullptr, "'1e400' is not a valid floating point value"},
    {"D", "x", nullptr, "'x' is not a valid floating point value"},
    // Truth values.
    {"B", "True", "True", nullptr},
    {"B", " f ", "False", nullptr},
    {"B", "tru", "True", nullptr},
    {"B", "1", "True", nullptr},
    {"B", "0", "False", nullptr},
    {"B", "yes", nullptr, "'yes' is not a valid boolean value"},
    {"B", "", nullptr, "'' is not a valid boolean value"},
    // Texts, blobs, dates and times go as text: the server reads its own literals.
    {"V", "abc", "abc", nullptr},
    {"V", "", "", nullptr},
    {"T", "some text", "some text", nullptr},
    {"DT", "29.02.2024", "2024-02-29", nullptr},
    {"TS", "2024-02-29 13:45:30", "2024-02-29 13:45:30", nullptr},
};

}  // namespace

// One prepared statement per column runs all its texts, so each run binds again from the
// described type whatever the previous run sent.
TEST_F(ParamText, TextsAreConvertedToTheParameterTypeWhenSet) {
  std::string column;
  TIBSQL q;
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.column) + " <- '" + c.text + "'");
    if (column != c.column) {
      column = c.column;
      Bind(q, "INSERT INTO PT (" + column + ") VALUES (:P) RETURNING " + column);
    }
    TIBParam& p = q.Params().ByName("P");
    p.Clear();
    try {
      p.SetAsString(c.text);
      if (c.error) ADD_FAILURE() << "taken";
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.error ? c.error : "(taken)");
      EXPECT_TRUE(p.IsNull());  // the value stays as it was
      continue;
    }
    EXPECT_EQ(p.AsString(), c.text);  // the text as given, for the remembered values
    q.ExecQuery();
    EXPECT_EQ(q.Fields(0).AsString(), c.stored);
  }
}

TEST_F(ParamText, EveryPlaceOfANameMustTakeTheTextAndDatesAreTheServersToRefuse) {
  TIBSQL q;
  Bind(q, "INSERT INTO PT (V, I) VALUES (:P, :P) RETURNING V, I");
  try {
    q.Params().ByName("P").SetAsString("abc");
    ADD_FAILURE() << "taken";
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "'abc' is not a valid integer value");
  }
  q.Params().ByName("P").SetAsString(" 42");
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsString(), " 42");
  EXPECT_EQ(q.Fields(1).AsInt64(), 42);

  // A number set as a number still goes as one, to a text place too.
  q.Params().ByName("P").SetAsInteger(7);
  q.ExecQuery();
  EXPECT_EQ(q.Fields(0).AsString(), "7");
  EXPECT_EQ(q.Fields(1).AsInt64(), 7);

  Bind(q, "INSERT INTO PT (DT) VALUES (:P)");
  q.Params().ByName("P").SetAsString("2024-02-30");
  EXPECT_THROW(q.ExecQuery(), EIBError);
}
