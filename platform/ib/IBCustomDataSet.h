#pragma once
// TIBDataSet: a read-only dataset over one statement. Rows are fetched when the cursor or a
// data link needs them (RecordCount is the rows fetched so far) and kept in compact chunked
// storage: fixed-size row slots packed into large blocks, texts and blobs in an arena of large
// blocks, so that a row costs no heap allocation of its own.
//
// Field types by column: CHAR/VARCHAR ftString, text BLOB ftMemo, other BLOB ftBlob,
// SMALLINT ftSmallint, INTEGER ftInteger, BIGINT ftLargeint, NUMERIC/DECIMAL ftFMTBcd (exact,
// Size = the scale), FLOAT/DOUBLE ftFloat, BOOLEAN ftBoolean, DATE ftDate, TIME ftTime,
// TIMESTAMP ftDateTime. Output names that repeat get "_1", "_2"... so that every field has its
// own name.
//
// A row is the null flags (a bit per column) and then each column in turn: numbers, dates and
// Booleans as the server's own bytes (read with the same conversions as a fetched value), a text
// as the 8-byte place of its length and bytes in the arena.

#include "platform/db/DB.h"
#include "platform/ib/IBSQL.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

class TIBDataSet : public TDataSet {
  VT_CLASS(TIBDataSet, TDataSet)
public:
  explicit TIBDataSet(TComponent* AOwner);
  ~TIBDataSet() override;

  TIBDatabase* Database() const { return fStatement.Database(); }
  void SetDatabase(TIBDatabase* Value);
  TIBTransaction* Transaction() const { return fStatement.Transaction(); }
  void SetTransaction(TIBTransaction* Value);
  const String& SelectSQL() const { return fStatement.SQL(); }
  void SetSelectSQL(const String& Value);  // closes and unprepares

  void Prepare();
  bool Prepared() const { return fStatement.Prepared(); }
  void Unprepare();
  String Plan();
  TIBSQLTypes StatementType() const { return fStatement.SQLType(); }
  isc_stmt_handle Handle() const { return fStatement.Handle(); }
  TIBParams& Params() { return fStatement.Params(); }
  TIBParam& ParamByName(const String& Name);
  // Runs a statement that returns no rows (Open does that too, for such a statement).
  void ExecSQL();
  int RowsAffected() { return fStatement.RowsAffected(); }
  // Rows per storage block.
  int BufferChunks() const { return fBufferChunks; }
  void SetBufferChunks(int Value) { fBufferChunks = Value < 1 ? 1 : Value; }
  // Fetches the remaining rows.
  void FetchAll();
  // Ends the server's cursor: the rows fetched so far stay, no more are fetched.
  void CloseCursor();
  TIBStatement& Statement() { return fStatement; }

  bool IsSequenced() const override { return false; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void InternalInitFieldDefs() override;
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRecordCount() const override { return fRowCount; }
  bool InternalFetchMore() override;
  Variant InternalGetValue(int Rec, int FieldNo) const override;
  String InternalGetBookmark(int Rec) const override;
  int InternalFindBookmark(const String& Bookmark) const override;

private:
  // How one column is kept in a row.
  struct TColumnPlan {
    enum TKind : std::uint8_t { Fixed, RawText, Text } Kind;  // RawText: bytes as fetched when valid UTF-8
    std::uint32_t Offset;                                     // in the row
    std::uint32_t Size;                                       // of a fixed value
    TFieldType Type;
  };
  void StoreCurrentRow();
  char* RowAt(int Row) const;
  // Appends a length and the bytes to the arena; answers their place.
  std::uint64_t PutText(std::string_view Text);
  std::string_view TextAt(std::uint64_t Place) const;

  TIBStatement fStatement;
  int fBufferChunks = 1000;
  int fRowCount = 0;
  size_t fRowSize = 0;  // null flags, then the columns
  std::vector<TColumnPlan> fPlan;
  std::vector<std::unique_ptr<char[]>> fRowBlocks;
  std::vector<std::unique_ptr<char[]>> fArena;
  size_t fArenaUsed = 0;  // in the last arena block
  size_t fArenaSize = 0;  // of the last arena block
  bool fExhausted = true;
};
