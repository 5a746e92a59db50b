#pragma once
// Statements: the shared statement core (TIBStatement: prepare, type, plan, parameters by name,
// execute, fetch one row, rows affected, blobs) and TIBSQL, the plain statement component.

#include "platform/ib/IBDatabase.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// What the server describes of one output column.
struct TIBColumnDesc {
  std::string Name;       // the alias the statement gives the column
  std::string FieldName;  // the column's own name
  std::string RelationName;
  short SQLType = 0;  // without the nullable bit
  short SubType = 0;  // blob sub-type, or the character set of a text column
  short Scale = 0;
  short Length = 0;  // bytes of the data (without the length prefix of a VARCHAR)
  bool Nullable = false;
  bool IsText() const { return SQLType == SQL_TEXT || SQLType == SQL_VARYING; }
  bool IsBlob() const { return SQLType == SQL_BLOB; }
};

// A read-only view of one value: the server's bytes in the column's format (a VARCHAR without
// its length prefix; a blob as its content).
class TIBValue {
public:
  TIBValue() = default;
  TIBValue(const TIBColumnDesc* desc, const char* data, size_t size, bool isNull)
      : fDesc(desc), fData(data), fSize(size), fNull(isNull) {}
  bool IsNull() const { return fNull || !fDesc; }
  const TIBColumnDesc& Desc() const { return *fDesc; }
  // Texts are UTF-8: bytes that are not valid UTF-8 are read as Latin-1.
  std::string AsString() const;
  std::int64_t AsInt64() const;
  int AsInteger() const;
  double AsDouble() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  // The raw bytes (text, blob content, or the number as stored).
  std::string AsBytes() const { return std::string(Bytes()); }
  std::string_view Bytes() const { return IsNull() ? std::string_view() : std::string_view(fData, fSize); }

private:
  std::int64_t ScaledInt() const;
  const TIBColumnDesc* fDesc = nullptr;
  const char* fData = nullptr;
  size_t fSize = 0;
  bool fNull = true;
};

// One input parameter of a statement. Parameters of the same name share their value.
// A text set on a parameter of a numeric or boolean type is converted at once: a text the type
// cannot take raises EConvertError and leaves the value as it was.
class TIBParams;
class TIBParam {
public:
  const std::string& Name() const;
  bool IsNull() const;
  std::string AsString() const;
  void SetAsString(const std::string& value);
  void SetAsInteger(int value) { SetAsInt64(value); }
  void SetAsInt64(std::int64_t value);
  void SetAsDouble(double value);
  void Clear();  // null

private:
  friend class TIBParams;
  friend class TIBStatement;
  TIBParams* fOwner = nullptr;
  size_t fSlot = 0;
};

class TIBParams {
public:
  int Count() const { return static_cast<int>(fParams.size()); }
  TIBParam& operator[](int i) { return *fParams.at(static_cast<size_t>(i)); }
  // The first parameter of that name (letter case ignored); raises when there is none.
  TIBParam& ByName(const std::string& name);
  TIBParam* FindParam(const std::string& name);
  void ClearAll();
  // What the server describes of the i-th parameter (type, scale, length).
  const TIBColumnDesc& Desc(int i) const { return fDescs.at(static_cast<size_t>(i)); }

private:
  friend class TIBParam;
  friend class TIBStatement;
  enum class Kind { Null, Text, Int64, Double };
  struct Slot {
    std::string name;
    Kind kind = Kind::Null;
    std::string text;
    std::int64_t i = 0;
    double d = 0;
  };
  void Reset(const std::vector<std::string>& names, std::vector<TIBColumnDesc> descs);
  void CheckText(size_t slot, const std::string& value) const;
  std::vector<Slot> fSlots;
  std::vector<std::unique_ptr<TIBParam>> fParams;
  std::vector<TIBColumnDesc> fDescs;  // per parameter, in statement order
};

// Statement types the server reports.
enum TIBSQLTypes {
  SQLUnknown = 0,
  SQLSelect = 1,
  SQLInsert = 2,
  SQLUpdate = 3,
  SQLDelete = 4,
  SQLDDL = 5,
  SQLGetSegment = 6,
  SQLPutSegment = 7,
  SQLExecProcedure = 8,
  SQLStartTransaction = 9,
  SQLCommit = 10,
  SQLRollback = 11,
  SQLSelectForUpdate = 12,
  SQLSetGenerator = 13,
  SQLSavePoint = 14
};

// Turns ":name" and "?" placeholders into "?" and lists their names in order ("?" gets
// "PARAM_n", n counted from 1). Strings, quoted names and comments are skipped; so is everything
// from the first BEGIN on, where ":name" is a variable of a procedure body.
std::string IBPreprocessSQL(const std::string& sql, std::vector<std::string>& names);

// The statement core inside TIBSQL and TIBDataSet. Its database and transaction must outlive it,
// or the component around it must tell it (ForgetLink) when they are freed.
class TIBStatement : public TIBDatabaseClient {
public:
  TIBStatement();
  ~TIBStatement() override;
  TIBStatement(const TIBStatement&) = delete;
  TIBStatement& operator=(const TIBStatement&) = delete;

  TIBDatabase* Database() const { return fDatabase; }
  void SetDatabase(TIBDatabase* database);
  TIBTransaction* Transaction() const { return fTransaction; }
  void SetTransaction(TIBTransaction* transaction);
  const std::string& SQL() const { return fSQL; }
  void SetSQL(const std::string& sql);  // unprepares

  void Prepare();
  bool Prepared() const { return fHandle != 0; }
  void Unprepare();
  isc_stmt_handle Handle() const { return fHandle; }
  TIBSQLTypes SQLType() const { return fType; }
  // The server's PLAN, trimmed; empty for statement types without one. EIBPlanError when the
  // answer does not carry the plan.
  std::string Plan();
  TIBParams& Params() { return fParams; }

  // Runs the statement; a SELECT opens its cursor.
  void ExecQuery();
  bool Open() const { return fCursorOpen; }
  // Fetches the next row into the current row; false at the end.
  bool FetchNext();
  // Rows of an executed procedure with outputs are the single current row.
  bool HasCurrentRow() const { return fHasRow; }
  void Close();
  // Inserted, updated or deleted rows by statement type; -1 for other statements.
  int RowsAffected();

  int FieldCount() const { return static_cast<int>(fColumns.size()); }
  const TIBColumnDesc& Column(int i) const { return fColumns.at(static_cast<size_t>(i)); }
  int FieldIndex(const std::string& name) const;  // -1 when missing
  TIBValue Value(int i) const;                    // of the current row

  void DatabaseClosing(bool force) override;
  void TransactionEnding() override { Close(); }
  // The database or transaction `gone` is being freed: drop the link without calling it. The
  // attachment or transaction has already dropped this statement's handles when it closed.
  void ForgetLink(const TComponent* gone);

private:
  struct Sqlda;
  void CheckPrepared() const;
  void BindParams();
  void AfterRowFetched();
  std::string ReadBlob(const ISC_QUAD& id);
  ISC_LONG InfoInt(char item);

  TIBDatabase* fDatabase = nullptr;
  TIBTransaction* fTransaction = nullptr;
  std::string fSQL;
  std::string fProcessedSQL;
  isc_stmt_handle fHandle = 0;
  TIBSQLTypes fType = SQLUnknown;
  bool fCursorOpen = false;
  bool fHasRow = false;
  TIBParams fParams;
  std::vector<TIBColumnDesc> fColumns;
  std::unique_ptr<Sqlda> fOut;
  std::unique_ptr<Sqlda> fIn;
  std::vector<XSQLVAR> fInDescribed;  // the input variables as described, with their own buffers
  std::vector<std::string> fBlobs;    // content of the current row's blob columns
};

// Moves `self`'s free notification from the component it linked to onto the new one.
void IBLinkComponent(TComponent* self, TComponent* oldLink, TComponent* newLink);

// A column of the current row of a TIBSQL, by name.
using TIBSQLField = TIBValue;

class TIBSQL : public TComponent {
  VT_CLASS(TIBSQL, TComponent)
public:
  explicit TIBSQL(TComponent* AOwner = nullptr) : TComponent(AOwner) {}

  TIBDatabase* Database() const { return fStatement.Database(); }
  void SetDatabase(TIBDatabase* d);
  TIBTransaction* Transaction() const { return fStatement.Transaction(); }
  void SetTransaction(TIBTransaction* t);
  const std::string& SQL() const { return fStatement.SQL(); }
  void SetSQL(const std::string& sql) { fStatement.SetSQL(sql); }
  TIBParams& Params() { return fStatement.Params(); }
  TIBParam& ParamByName(const std::string& name) {
    Prepare();
    return fStatement.Params().ByName(name);
  }

  void Prepare() {
    if (!fStatement.Prepared()) fStatement.Prepare();
  }
  std::string Plan() {
    Prepare();
    return fStatement.Plan();
  }
  TIBSQLTypes SQLType() const { return fStatement.SQLType(); }
  // Runs the statement; a SELECT is positioned on its first row (Eof when there is none).
  void ExecQuery();
  bool Eof() const { return fEof; }
  void Next();
  void Close() {
    fStatement.Close();
    fEof = true;
  }
  int RowsAffected() { return fStatement.RowsAffected(); }
  int FieldCount() const { return fStatement.FieldCount(); }
  TIBSQLField Fields(int i) const { return fStatement.Value(i); }
  TIBSQLField FieldByName(const std::string& name) const;
  TIBStatement& Statement() { return fStatement; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TIBStatement fStatement;
  bool fEof = true;
};
