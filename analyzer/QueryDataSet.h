#pragma once
// The statement's result as the query engine drives it: prepare, plan, open (with a hook just
// before the statement executes), forward moves that fetch as needed, and the record count.

#include "platform/ib/IBSQL.h"

#include <functional>
#include <string>

class TQueryDataSet {
public:
  TIBDatabase* Database() const { return fStatement.Database(); }
  void SetDatabase(TIBDatabase* d) { fStatement.SetDatabase(d); }
  TIBTransaction* Transaction() const { return fStatement.Transaction(); }
  void SetTransaction(TIBTransaction* t) { fStatement.SetTransaction(t); }
  const std::string& SQL() const { return fStatement.SQL(); }
  void SetSQL(const std::string& sql) { Close(); fStatement.SetSQL(sql); }

  void Prepare() { Close(); fStatement.Prepare(); }
  bool Prepared() const { return fStatement.Prepared(); }
  std::string Plan() { return fStatement.Plan(); }
  TIBSQLTypes StatementType() const { return fStatement.SQLType(); }
  isc_stmt_handle StatementHandle() const { return fStatement.Handle(); }
  TIBParams& Params() { return fStatement.Params(); }
  TIBStatement& Statement() { return fStatement; }

  // Runs just before the statement executes, on the thread that opens.
  std::function<void()> BeforeOpen;
  // Executes the statement; a SELECT is then on its first row (no row: empty).
  void Open();
  bool Active() const { return fActive; }
  void Close();
  // Runs a statement without a result set.
  void ExecSQL();
  // Moves up to `distance` records forward, fetching as needed; answers how many it moved.
  int MoveBy(int distance);
  void First() { fRecNo = fRecordCount > 0 ? 0 : -1; }
  int RecordCount() const { return fRecordCount; }
  int RowsAffected() { return fStatement.RowsAffected(); }
  void DisableControls() { ++fDisableCount; }
  void EnableControls() { if (fDisableCount > 0) --fDisableCount; }
  bool ControlsDisabled() const { return fDisableCount > 0; }

private:
  TIBStatement fStatement;
  bool fActive = false;
  bool fEof = true;
  int fRecordCount = 0;
  int fRecNo = -1;
  int fDisableCount = 0;
};
