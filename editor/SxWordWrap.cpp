#include "editor/SxWordWrap.h"

#include <algorithm>
#include <cstdint>

#include "platform/core/Utf8.h"

TSxWordWrapPlugin::TSxWordWrapPlugin(TCustomSxEdit* AOwner) : fEditor(AOwner) {
  if (!AOwner) throw Exception("TSxWordWrapPlugin must be owned by TCustomSxEdit");
  Reset();
}

void TSxWordWrapPlugin::Reset() {
  fMaxRowLength = fEditor->ColumnsInWindow();
  fMinRowLength = std::max(fMaxRowLength - fMaxRowLength / 3, 1);
  fBreakChars.reset();
  for (int c = 1; c < 256; ++c)
    if (c >= 128 || !fEditor->IsWordChar(static_cast<char32_t>(c))) fBreakChars.set(static_cast<std::size_t>(c));
  WrapAll();
}

void TSxWordWrapPlugin::SetRowLimits(int Max, int Min) {
  fMaxRowLength = Max;
  fMinRowLength = std::max(Min, 1);
  WrapAll();
}

void TSxWordWrapPlugin::DisplayChanged() {
  if (fEditor->ColumnsInWindow() != fMaxRowLength) Reset();
}

int TSxWordWrapPlugin::GetRowLength(int aRow) {
  FinishRows(aRow);
  if (aRow < 1 || aRow > RowCount()) throw EListError("List index out of bounds (" + std::to_string(aRow) + ")");
  return fRowLengths[static_cast<std::size_t>(aRow - 1)];
}

namespace {

template <class Text, class IsBreak>
void WrapCells(const Text& s, int n, int maxLen, int minLen, IsBreak isBreak, std::vector<int>& Rows) {
  int b = 0;
  int e = b + maxLen;
  while (e < n) {
    if (s[static_cast<std::size_t>(e)] == ' ' || s[static_cast<std::size_t>(e)] == '\t') {
      while (e < n && (s[static_cast<std::size_t>(e)] == ' ' || s[static_cast<std::size_t>(e)] == '\t')) ++e;
    } else {
      int k = e - 1;
      const int lowest = b + minLen;
      while (k >= lowest && !isBreak(k)) --k;
      if (k >= lowest) e = k + 1;
    }
    if (e <= b) e = b + 1;  // a row always takes at least one cell
    Rows.push_back(e - b);
    b = e;
    e = b + maxLen;
  }
  if (b < n || n == 0) Rows.push_back(n - b);
}

}  // namespace

void TSxWordWrapPlugin::WrapLine(int Index, std::vector<int>& Rows) {
  const int maxLen = std::max(fMaxRowLength, 1);
  TSxEditStringList* lines = fEditor->Lines();
  if (lines->IsPlainLine(Index)) {
    // ASCII without tabs: the line's bytes are its cells.
    const String& s = lines->LineRef(Index);
    WrapCells(s, static_cast<int>(s.size()), maxLen, fMinRowLength,
              [&](int i) { return fBreakChars[static_cast<unsigned char>(s[static_cast<std::size_t>(i)])]; }, Rows);
    return;
  }
  const std::u32string s = Utf8ToUcs4(lines->ExpandedString(Index));
  WrapCells(
      s, static_cast<int>(s.size()), maxLen, fMinRowLength,
      [&](int i) {
        const char32_t c = s[static_cast<std::size_t>(i)];
        return c < 256 ? fBreakChars[c] : !IsUnicodeWordChar(c);
      },
      Rows);
}

void TSxWordWrapPlugin::WrapAll() {
  fHintRow = -1;
  fPendingLine = -1;
  fLineOffsets.clear();
  fRowLengths.clear();
  const int count = fEditor->Lines()->Count();
  if (count == 0 || fMaxRowLength <= 0) return;
  fLineOffsets.reserve(static_cast<std::size_t>(count));
  std::vector<int> rows;
  for (int i = 0; i < count; ++i) {
    rows.clear();
    WrapLine(i, rows);
    fRowLengths.insert(fRowLengths.end(), rows.begin(), rows.end());
    fLineOffsets.push_back(static_cast<int>(fRowLengths.size()));
  }
}

int TSxWordWrapPlugin::ReWrapLine(int Index) {
  if (Index == fPendingLine) fPendingLine = -1;
  std::vector<int> rows;
  WrapLine(Index, rows);
  const int first = RowsBefore(Index);
  return ReplaceRows(Index, first, fLineOffsets[static_cast<std::size_t>(Index)] - first, rows);
}

int TSxWordWrapPlugin::ReplaceRows(int Index, int First, int Count, const std::vector<int>& Rows) {
  fHintRow = -1;
  const int diff = static_cast<int>(Rows.size()) - Count;
  if (diff > 0)
    fRowLengths.insert(fRowLengths.begin() + First, static_cast<std::size_t>(diff), 0);
  else if (diff < 0)
    fRowLengths.erase(fRowLengths.begin() + First, fRowLengths.begin() + First - diff);
  std::copy(Rows.begin(), Rows.end(), fRowLengths.begin() + First);
  if (diff != 0)
    for (std::size_t i = static_cast<std::size_t>(Index); i < fLineOffsets.size(); ++i) fLineOffsets[i] += diff;
  return diff;
}

int TSxWordWrapPlugin::LinesInserted(int aIndex, int aCount) {
  if (fMaxRowLength <= 0 || aCount <= 0) return 0;
  fHintRow = -1;
  // A provisional line keeps its rows: its text did not change.
  if (fPendingLine >= aIndex) fPendingLine += aCount;
  const int before = RowsBefore(aIndex);
  fLineOffsets.insert(fLineOffsets.begin() + aIndex, static_cast<std::size_t>(aCount), before);
  int added = 0;
  for (int i = aIndex; i < aIndex + aCount; ++i) added += ReWrapLine(i);
  return added;
}

int TSxWordWrapPlugin::LinesDeleted(int aIndex, int aCount) {
  if (fMaxRowLength <= 0 || aCount <= 0 || aIndex >= static_cast<int>(fLineOffsets.size())) return 0;
  aCount = std::min(aCount, static_cast<int>(fLineOffsets.size()) - aIndex);
  fHintRow = -1;
  if (fPendingLine >= aIndex + aCount)
    fPendingLine -= aCount;
  else if (fPendingLine >= aIndex)
    fPendingLine = -1;
  const int first = RowsBefore(aIndex);
  const int last = fLineOffsets[static_cast<std::size_t>(aIndex + aCount - 1)];
  const int removed = last - first;
  fRowLengths.erase(fRowLengths.begin() + first, fRowLengths.begin() + last);
  fLineOffsets.erase(fLineOffsets.begin() + aIndex, fLineOffsets.begin() + aIndex + aCount);
  for (std::size_t i = static_cast<std::size_t>(aIndex); i < fLineOffsets.size(); ++i) fLineOffsets[i] -= removed;
  return removed;
}

namespace {

// The cells of a line's tab-expanded text from a column on, expanded as far as they are read;
// cells before the column last given to Forget are dropped, so that laying many rows keeps only
// about one row's cells.
class TCellReader {
public:
  TCellReader(TSxEditStringList* Lines, int Index, int From) : fLines(Lines), fText(Lines->LineRef(Index)) {
    fPlain = Lines->IsPlainLine(Index);
    if (fPlain) return;
    // From the character whose cells hold the column.
    const int ch = Lines->ColumnToChar(Index, From + 1);
    fPos = Lines->CharOffset(Index, ch);
    fX = Lines->CharToColumn(Index, ch) - 1;
    fBase = fX;
  }
  char32_t operator[](int col) {
    if (fPlain) return static_cast<unsigned char>(fText[static_cast<std::size_t>(col)]);
    while (col - fBase >= static_cast<int>(fCells.size()) && fPos < fText.size()) Read();
    const auto k = static_cast<std::size_t>(col - fBase);
    return k < fCells.size() ? fCells[k] : U' ';
  }
  // The cells before the column are not read again.
  void Forget(int col) {
    const int drop = std::min(col - fBase, static_cast<int>(fCells.size()));
    if (drop < 4096) return;
    fCells.erase(0, static_cast<std::size_t>(drop));
    fBase += drop;
  }

private:
  void Read() {
    std::size_t next = fPos;
    const char32_t c = Utf8Decode(fText, next);
    if (next == fPos) next = fPos + 1;
    const int tw = fLines->TabWidth();
    const int w = c == '\t' ? (tw <= 1 ? 1 : tw - fX % tw) : 1;
    fCells.append(static_cast<std::size_t>(w), c == '\t' ? U' ' : c);
    fX += w;
    fPos = next;
  }
  TSxEditStringList* fLines;
  const String& fText;
  bool fPlain = true;
  std::u32string fCells;
  int fBase = 0, fX = 0;
  std::size_t fPos = 0;
};

}  // namespace

bool TSxWordWrapPlugin::ReWrapEdit(int Index, int& Diff) {
  // Only the rows from the first one that reads the changed cells are laid again, until a row
  // starts where an old one started in cells the change did not move differently: rows depend
  // only on the cells from their start on.
  TSxEditStringList* lines = fEditor->Lines();
  const TSxInLineEdit& e = lines->LastLineEdit();
  if (e.Line != Index || e.Serial != lines->TextSerial()) return false;
  // One line at a time has provisional rows: another's edit lays its own line whole, leaving
  // them as they are (a bridge here would take the other line's place and leave its rows
  // unfinished for good).
  if (fPendingLine >= 0 && fPendingLine != Index) return false;
  const int first = RowsBefore(Index), end = fLineOffsets[static_cast<std::size_t>(Index)];
  if (end - first < 8) return false;  // a short line is laid whole
  const int maxLen = std::max(fMaxRowLength, 1);
  int oldN = 0;
  for (int r = first; r < end; ++r) oldN += fRowLengths[static_cast<std::size_t>(r)];
  const int n = lines->ExpandedLength(Index), shift = n - oldN;
  const int editCol = lines->CharToColumn(Index, e.Char + 1) - 1;
  // Past the first tab after the change, old and new cells agree moved by the change of the
  // line's width.
  int same = lines->CharToColumn(Index, e.Char + e.NewChars + 1) - 1;
  if (!lines->IsPlainLine(Index)) {
    const String& text = lines->LineRef(Index);
    const std::size_t from = e.Byte + e.NewBytes, tab = text.find('\t', from);
    if (tab != String::npos)
      same = lines->CharToColumn(Index, e.Char + e.NewChars + SxCharCount(std::string_view(text).substr(from, tab - from)) + 2) - 1;
  }
  // The first row that reads the change's cells, and where it starts.
  int r0 = first, b = 0;
  {
    int start = 0, r = first;
    // From the row last looked up, or the nearest row before it that does not read the change
    // (then no row before it does), when that is nearer than the line's start.
    if (fHintRow > first && fHintRow < end && fHintBefore - editCol < editCol) {
      r = fHintRow;
      start = fHintBefore;
      while (r > first && start + maxLen >= editCol) start -= fRowLengths[static_cast<std::size_t>(--r)];
      r0 = r;
      b = start;
    }
    for (; r < end; ++r) {
      // A row reads maxLen cells on, and through blanks to the next row's start.
      const int len = fRowLengths[static_cast<std::size_t>(r)];
      if (std::max(start + maxLen, start + len) >= editCol) break;
      start += len;
      r0 = r + 1;
      b = start;
    }
  }
  // An edit in or after the provisional rows lays them too.
  const int bridge = fPendingLine == Index ? first + fPendingRow : end;
  if (r0 > bridge) {
    r0 = bridge;
    b = fPendingStart;
  }
  if (r0 >= end) return false;
  // The window's rows, its partly shown last row and the one below it (painting asks whether a
  // line ends there) are laid now; the rest of a long line that never lays out as before can
  // wait until it is asked for (FinishRows) or the control is idle.
  const int horizon = std::max(fEditor->TopRow() + fEditor->RowsInWindow(), r0 + 1) + 2;
  Diff = Relay(Index, r0, b, shift, std::max(same, editCol), horizon);
  return true;
}

int TSxWordWrapPlugin::Relay(int Index, int R0, int B, int Shift, int SyncFrom, int Horizon) {
  TSxEditStringList* lines = fEditor->Lines();
  const int end = fLineOffsets[static_cast<std::size_t>(Index)], n = lines->ExpandedLength(Index);
  const int maxLen = std::max(fMaxRowLength, 1), minLen = fMinRowLength;
  // The provisional layout's bridge row: its start is no old row start to stop at.
  const int bridge = fPendingLine == Index ? RowsBefore(Index) + fPendingRow : -1;
  // The old rows after R0 and where they start.
  int oldRow = R0, oldStart = B;
  TCellReader s(lines, Index, B);
  auto isBreak = [&](int i) {
    const char32_t c = s[i];
    return c < 256 ? fBreakChars[c] : !IsUnicodeWordChar(c);
  };
  std::vector<int> rows;
  bool synced = false, bridged = false;
  int b = B, e2 = b + maxLen;
  while (e2 < n) {
    if (s[e2] == ' ' || s[e2] == '\t') {
      while (e2 < n && (s[e2] == ' ' || s[e2] == '\t')) ++e2;
    } else {
      int k = e2 - 1;
      const int lowest = b + minLen;
      while (k >= lowest && !isBreak(k)) --k;
      if (k >= lowest) e2 = k + 1;
    }
    if (e2 <= b) e2 = b + 1;
    rows.push_back(e2 - b);
    b = e2;
    e2 = b + maxLen;
    s.Forget(b);
    if (b < SyncFrom) continue;
    while (oldRow < end && oldStart + Shift < b) oldStart += fRowLengths[static_cast<std::size_t>(oldRow++)];
    if (oldRow >= end) continue;
    if (oldStart + Shift == b && oldRow != bridge) {
      synced = true;
      break;
    }
    // Past the old bridge, the old rows from the next start on are kept; one bridge row
    // covers the cells up to it.
    if (oldRow > bridge && R0 + static_cast<int>(rows.size()) >= Horizon) {
      // The bridge takes in as many old rows as the change added: the row count, and with it
      // the scroll bar, changes only when the rows are finished.
      int len = oldStart + Shift - b;
      while (static_cast<int>(rows.size()) + 1 > oldRow - R0 && oldRow < end)
        len += fRowLengths[static_cast<std::size_t>(oldRow++)];
      rows.push_back(len);
      bridged = true;
      break;
    }
  }
  if (!synced && !bridged) {
    if (b < n || n == 0) rows.push_back(n - b);
    oldRow = end;
  }
  const int diff = ReplaceRows(Index, R0, oldRow - R0, rows);
  // The caret's row is looked up next: from the first row laid.
  fHintRow = R0;
  fHintBefore = B;
  if (bridged) {
    fPendingLine = Index;
    fPendingRow = R0 + static_cast<int>(rows.size()) - 1 - RowsBefore(Index);
    fPendingStart = b;
    fEditor->WrapRowsDeferred();
  } else if (bridge >= 0 && synced && oldRow < bridge) {
    // Stopped before the bridge: it moved with the rows and cells the change added.
    fPendingRow += diff;
    fPendingStart += Shift;
  } else if (bridge >= 0) {
    fPendingLine = -1;
  }
  fChangedFirst = R0 + 1;
  fChangedLast = R0 + static_cast<int>(rows.size());
  return diff;
}

void TSxWordWrapPlugin::FinishRows(int Row) {
  // Laid on a window past the row: scrolling on a row at a time does not lay rows each time.
  const int ahead = std::max(fEditor->RowsInWindow(), 1);
  if (fPendingLine >= 0 && Row > RowsBefore(fPendingLine) + fPendingRow) Finish(Row > INT32_MAX - ahead ? INT32_MAX : Row + ahead);
}

void TSxWordWrapPlugin::FinishSomeRows() {
  // Slices of 32 windows' rows: an idle time stays short, and a keystroke coming in waits little.
  if (fPendingLine >= 0)
    Finish(RowsBefore(fPendingLine) + fPendingRow + 32 * std::max(fEditor->RowsInWindow(), 1));
}

void TSxWordWrapPlugin::Finish(int Horizon) {
  const int index = fPendingLine;
  const int first = RowsBefore(index), r0 = first + fPendingRow, end = fLineOffsets[static_cast<std::size_t>(index)];
  // The rows still add up to the line: finished from the bridge on. (Else the line is laid whole.)
  int cells = fPendingStart;
  for (int r = r0; r < end; ++r) cells += fRowLengths[static_cast<std::size_t>(r)];
  const int changedFirst = fChangedFirst, changedLast = fChangedLast;
  int diff, from = r0, last;
  if (cells == fEditor->Lines()->ExpandedLength(index)) {
    diff = Relay(index, r0, fPendingStart, 0, 0, Horizon);
    last = fChangedLast;
  } else {
    diff = ReWrapLine(index);
    from = first;
    last = fLineOffsets[static_cast<std::size_t>(index)];
  }
  // LastChangedRows still answers for the last LinesChanged.
  fChangedFirst = changedFirst;
  fChangedLast = changedLast;
  fEditor->WrapRowsRelaid(from + 1, last, diff);
}

int TSxWordWrapPlugin::LinesChanged(int aIndex, int aCount) {
  fChangedFirst = 0;
  fChangedLast = -1;
  if (fMaxRowLength <= 0) return 0;
  int diff = 0;
  if (aCount == 1 && aIndex < static_cast<int>(fLineOffsets.size()) && ReWrapEdit(aIndex, diff)) return diff;
  const int end = std::min(aIndex + aCount, static_cast<int>(fLineOffsets.size()));
  for (int i = aIndex; i < end; ++i) diff += ReWrapLine(i);
  if (aIndex < end) {
    fChangedFirst = RowsBefore(aIndex) + 1;
    fChangedLast = fLineOffsets[static_cast<std::size_t>(end - 1)];
  }
  return diff;
}

bool TSxWordWrapPlugin::LastChangedRows(int& First, int& Last) {
  if (fChangedLast < fChangedFirst) return false;
  First = fChangedFirst;
  Last = fChangedLast;
  return true;
}

TDisplayPoint TSxWordWrapPlugin::BufferToDisplayPos(const TBufferCoord& aPos) {
  // Positions in or after the provisional rows are read from the finished layout: in the line,
  // laid up to the position's row; below it, the line's row count must be final.
  if (fPendingLine >= 0 && aPos.Line - 1 > fPendingLine) Finish();
  while (fPendingLine >= 0 && aPos.Line - 1 == fPendingLine && aPos.Char > fPendingStart) {
    // A row before the line's last one takes more than the shortest row's cells.
    const long long row = RowsBefore(fPendingLine) + fPendingRow + 1LL + (aPos.Char - fPendingStart) / std::max(fMinRowLength, 1);
    FinishRows(static_cast<int>(std::min<long long>(row, INT32_MAX)));
  }
  const int lines = static_cast<int>(fLineOffsets.size());
  if (aPos.Line > lines) return DisplayCoord(aPos.Char, RowCount() + (aPos.Line - lines));
  if (aPos.Line < 1) return DisplayCoord(aPos.Char, aPos.Line);
  const int first = RowsBefore(aPos.Line - 1), end = fLineOffsets[static_cast<std::size_t>(aPos.Line - 1)];
  int total = 0, r = first;
  // From the row last looked up, back from it when the position is nearer to it than to the
  // line's start.
  if (fHintRow >= first && fHintRow < end && fHintBefore - aPos.Char < aPos.Char) {
    r = fHintRow;
    total = fHintBefore;
    while (r > first && aPos.Char <= total) total -= fRowLengths[static_cast<std::size_t>(--r)];
  }
  for (; r < end; ++r) {
    const int len = fRowLengths[static_cast<std::size_t>(r)];
    // Past the line's text: on its last row.
    if (aPos.Char <= total + len || r == end - 1) {
      fHintRow = r;
      fHintBefore = total;
      return DisplayCoord(aPos.Char - total, r + 1);
    }
    total += len;
  }
  return DisplayCoord(aPos.Char, first + 1);
}

TBufferCoord TSxWordWrapPlugin::DisplayToBufferPos(const TDisplayPoint& aPos) {
  FinishRows(aPos.Row);
  const int rows = RowCount();
  const int lines = static_cast<int>(fLineOffsets.size());
  if (aPos.Row > rows) return BufferCoord(aPos.Column, aPos.Row - rows + lines);
  if (aPos.Row < 1) return BufferCoord(aPos.Column, aPos.Row);
  // The line whose rows hold the row: the first offset at or above it.
  const auto it = std::lower_bound(fLineOffsets.begin(), fLineOffsets.end(), aPos.Row);
  const int index = static_cast<int>(it - fLineOffsets.begin());
  const int first = RowsBefore(index);
  int before = 0, r = first;
  if (fHintRow >= first && fHintRow <= aPos.Row - 1) {
    r = fHintRow;
    before = fHintBefore;
  }
  for (; r < aPos.Row - 1; ++r) before += fRowLengths[static_cast<std::size_t>(r)];
  fHintRow = aPos.Row - 1;
  fHintBefore = before;
  const bool lastRow = aPos.Row == fLineOffsets[static_cast<std::size_t>(index)];
  const int limit = lastRow ? std::max(fMaxRowLength, fRowLengths[static_cast<std::size_t>(aPos.Row - 1)]) + 1
                            : fRowLengths[static_cast<std::size_t>(aPos.Row - 1)] + 1;
  return BufferCoord(std::min(aPos.Column, limit) + before, index + 1);
}
