#pragma once
// The word-wrap layout of the editor: how many display rows each line takes and how long each
// row is, in cells of the tab-expanded line. Row lengths are full integers, so a text area of
// any width wraps.

#include <cstdint>
#include <vector>

#include "editor/SxEdit.h"

class TSxWordWrapPlugin : public ISxEditBufferPlugin {
public:
  explicit TSxWordWrapPlugin(TCustomSxEdit* AOwner);

  TDisplayPoint BufferToDisplayPos(const TBufferCoord& aPos) override;
  TBufferCoord DisplayToBufferPos(const TDisplayPoint& aPos) override;
  int RowCount() override { return fLineOffsets.empty() ? 0 : fLineOffsets.back(); }
  int GetRowLength(int aRow) override;
  int LinesInserted(int aIndex, int aCount) override;
  int LinesDeleted(int aIndex, int aCount) override;
  int LinesChanged(int aIndex, int aCount) override;
  bool LastChangedRows(int& First, int& Last) override;
  void FinishRows(int Row) override;
  void FinishSomeRows() override;
  void DisplayChanged() override;
  void Reset() override;

  int MaxRowLength() const { return fMaxRowLength; }
  int MinRowLength() const { return fMinRowLength; }
  // For tests: the layout from explicit limits; whether rows are left provisional.
  void SetRowLimits(int Max, int Min);
  bool HasProvisionalRows() const { return fPendingLine >= 0; }
  // The first provisional row (1-based, the bridge row), 0 when none.
  int FirstProvisionalRow() const { return fPendingLine >= 0 ? RowsBefore(fPendingLine) + fPendingRow + 1 : 0; }

private:
  // The row lengths of the line at the 0-based index.
  void WrapLine(int Index, std::vector<int>& Rows);
  int RowsBefore(int LineIndex) const {
    return LineIndex == 0 ? 0 : fLineOffsets[static_cast<std::size_t>(LineIndex - 1)];
  }
  void WrapAll();
  int ReWrapLine(int Index);
  // Rows [First, First + Count) of line Index become Rows; answers the rows added.
  int ReplaceRows(int Index, int First, int Count, const std::vector<int>& Rows);
  // Lays again only the rows a change inside the line (the line buffer's last edit) touched;
  // false when it was not such a change. Diff: rows added.
  bool ReWrapEdit(int Index, int& Diff);
  // Lays line Index again from its row R0 (0-based among all rows), which starts at the line's
  // cell B, until a row starts where an old one did at or after cell SyncFrom (old cells from
  // there sit Shift cells further now), or, once the rows reach row Horizon, up to a bridge row
  // before the next old row. Answers the rows added.
  int Relay(int Index, int R0, int B, int Shift, int SyncFrom, int Horizon);
  // Lays the provisional rows for good, or those up to row Horizon (then a bridge row after
  // them joins the rest).
  void Finish(int Horizon = INT32_MAX);

  TCustomSxEdit* fEditor;
  std::vector<int> fLineOffsets;  // rows up to and including each line
  std::vector<int> fRowLengths;   // one per display row
  int fMaxRowLength = 0, fMinRowLength = 0;
  int fChangedFirst = 0, fChangedLast = -1;  // LastChangedRows; none while Last < First
  // The last row found inside a line (0-based, -1: none) and the line's cells before it: the
  // next look-up in the same line walks from there, so painting the rows of a window deep in
  // a very long line does not sum its rows from the line's start for each row.
  int fHintRow = -1, fHintBefore = 0;
  TSxCharSet fBreakChars;
  // Where an edit stopped laying a long line far below the window: from the bridge row on
  // (its row index inside the line, its first cell), the line's rows are provisional. The
  // bridge ends where the next old row started; the old rows after it lay their cells as a
  // fresh layout from their own starts would. -1: none.
  int fPendingLine = -1, fPendingRow = 0, fPendingStart = 0;
};
