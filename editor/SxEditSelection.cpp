// The editor control: the selection, the text of a selection, inserting text in the three
// modes, undo and redo replay.
#include <algorithm>

#include "editor/SxEditInternal.h"

namespace {

using namespace sxedit;

// Pieces of a text split at CR, LF or CR LF.
std::vector<String> SplitLines(const String& text) {
  std::vector<String> out;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      out.push_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
  }
  out.push_back(text.substr(start));
  return out;
}

// Trimming switched off for a scope: replay puts back texts as they were stored.
struct TrimOff {
  TSxEditorOptions& options;
  TSxEditorOptions saved;
  explicit TrimOff(TSxEditorOptions& o) : options(o), saved(o) { options &= ~eoTrimTrailingSpaces; }
  ~TrimOff() { options = (options & ~eoTrimTrailingSpaces) | (saved & eoTrimTrailingSpaces); }
  TrimOff(const TrimOff&) = delete;
  TrimOff& operator=(const TrimOff&) = delete;
};

// A replayed record added to the other list, with its exact line edits.
void AddReplayed(TSxEditUndoList* list, const TSxEditUndoItem& item, const String& text) {
  list->AddChange(item.ChangeReason, item.ChangeStartPos, item.ChangeEndPos, text, item.ChangeSelMode);
  if (!item.LineEdits.empty() && !list->IsLocked() && list->PeekItem()) {
    list->PeekItem()->LineEdits = item.LineEdits;
    list->PeekItem()->ChangeCaretPos = item.ChangeCaretPos;
  }
}

// The edit that turns `before` into `after` on one line: the differing middle between their
// common start and common end, cut at character boundaries.
TSxLineEdit DiffLine(int line, const String& before, const String& after) {
  const std::size_t n = std::min(before.size(), after.size());
  std::size_t p = 0;
  while (p < n && before[p] == after[p]) ++p;
  auto isTrail = [](char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; };
  while (p > 0 && ((p < before.size() && isTrail(before[p])) || (p < after.size() && isTrail(after[p])))) --p;
  std::size_t q = 0;
  while (q < n - p && before[before.size() - 1 - q] == after[after.size() - 1 - q]) ++q;
  while (q > 0 && isTrail(before[before.size() - q])) --q;
  return TSxLineEdit{line, SxCharCount(std::string_view(before).substr(0, p)) + 1,
                     before.substr(p, before.size() - p - q), after.substr(p, after.size() - p - q)};
}

}  // namespace

TBufferCoord TCustomSxEdit::BlockFirst() const {
  if (fSelEnd.Line < fSelBegin.Line || (fSelEnd.Line == fSelBegin.Line && fSelEnd.Char < fSelBegin.Char))
    return fSelEnd;
  return fSelBegin;
}

TBufferCoord TCustomSxEdit::BlockLast() const {
  if (fSelEnd.Line < fSelBegin.Line || (fSelEnd.Line == fSelBegin.Line && fSelEnd.Char < fSelBegin.Char))
    return fSelBegin;
  return fSelEnd;
}

bool TCustomSxEdit::HasSelection() const {
  return fSelBegin.Char != fSelEnd.Char || (fSelBegin.Line != fSelEnd.Line && fActiveSelMode != smColumn);
}

bool TCustomSxEdit::IsSelMultiLine() const { return fSelBegin.Line != fSelEnd.Line && fActiveSelMode != smColumn; }

bool TCustomSxEdit::SelSpansWholeLines() {
  return HasSelection() && BlockFirst().Char <= 1 && BlockLast().Char > LineLength(fCaretPos.Line);
}

bool TCustomSxEdit::IsPointInSelection(const TBufferCoord& Value) const {
  const TBufferCoord a = BlockFirst(), b = BlockLast();
  if (Value.Line < a.Line || Value.Line > b.Line || a == b) return false;
  switch (fActiveSelMode) {
    case smLine: return true;
    case smColumn: {
      const int lo = std::min(a.Char, b.Char), hi = std::max(a.Char, b.Char);
      return Value.Char >= lo && Value.Char < hi;
    }
    default: return (Value.Line > a.Line || Value.Char >= a.Char) && (Value.Line < b.Line || Value.Char < b.Char);
  }
}

void TCustomSxEdit::SetSelectionMode(TSxSelectionMode Value) {
  fSelectionMode = Value;
  SetActiveSelMode(Value);
}

void TCustomSxEdit::SetActiveSelMode(TSxSelectionMode Value) {
  if (fActiveSelMode == Value) return;
  if (HasSelection()) InvalidateSelection();
  fActiveSelMode = Value;
  if (HasSelection()) InvalidateSelection();
  StatusChanged(scSelection);
}

void TCustomSxEdit::SetSelBegin(TBufferCoord Value) {
  fActiveSelMode = fSelectionMode;
  Value.Char = std::max(Value.Char, 1);
  if (HasOption(eoScrollPastEol) && !fWrapPlugin)
    Value.Char = std::min(Value.Char, std::max(fMaxScrollWidth, fLines->LengthOfLongestLine()) + 1);
  Value.Line = MinMax(Value.Line, 1, std::max(fLines->Count(), 1));
  if (fActiveSelMode == smNormal) Value.Char = std::min(Value.Char, LineLength(Value.Line) + 1);
  const bool changed = !(Value == fSelBegin && Value == fSelEnd);
  if (HasSelection()) {
    const int a = std::min(Value.Line, BlockFirst().Line), b = std::max(Value.Line, BlockLast().Line);
    fSelBegin = Value;
    fSelEnd = Value;
    InvalidateLines(a, b);
  } else {
    fSelBegin = Value;
    fSelEnd = Value;
  }
  if (changed) StatusChanged(scSelection);
}

void TCustomSxEdit::SetSelEnd(TBufferCoord Value) {
  if (HasOption(eoNoSelection)) return;
  fActiveSelMode = fSelectionMode;
  Value.Char = std::max(Value.Char, 1);
  if (HasOption(eoScrollPastEol) && !fWrapPlugin)
    Value.Char = std::min(Value.Char, std::max(fMaxScrollWidth, fLines->LengthOfLongestLine()) + 1);
  Value.Line = MinMax(Value.Line, 1, std::max(fLines->Count(), 1));
  if (fActiveSelMode == smNormal) Value.Char = std::min(Value.Char, LineLength(Value.Line) + 1);
  if (Value == fSelEnd) return;
  if (fActiveSelMode != smColumn || Value.Char == fSelEnd.Char) {
    const int a = std::min(fSelEnd.Line, Value.Line), b = std::max(fSelEnd.Line, Value.Line);
    fSelEnd = Value;
    if (fActiveSelMode != smColumn || fSelBegin.Char != fSelEnd.Char) InvalidateLines(a, b);
  } else {
    const int a = std::min({fSelBegin.Line, fSelEnd.Line, Value.Line});
    const int b = std::max({fSelBegin.Line, fSelEnd.Line, Value.Line});
    InvalidateLines(a, b);
    fSelEnd = Value;
  }
  StatusChanged(scSelection);
}

void TCustomSxEdit::SelectAll() {
  const int count = fLines->Count();
  const TBufferCoord last = count > 0 ? BufferCoord(LineLength(count) + 1, count) : BufferCoord(1, 1);
  IncPaintLock();
  try {
    SetCaretPosInternal(last);
    SetSelBegin(BufferCoord(1, 1));
    SetSelEnd(last);
    StatusChanged(scSelection);
  } catch (...) {
    DecPaintLock();
    throw;
  }
  DecPaintLock();
}

String TCustomSxEdit::GetSelText() {
  if (!HasSelection()) return String();
  const TBufferCoord a = BlockFirst(), b = BlockLast();
  String out;
  switch (fActiveSelMode) {
    case smNormal:
      if (a.Line == b.Line) {
        const std::size_t x = fLines->CharOffset(a.Line - 1, a.Char), y = fLines->CharOffset(a.Line - 1, b.Char);
        return y > x ? fLines->LineRef(a.Line - 1).substr(x, y - x) : String();
      }
      out = Sub(LineAt(a.Line), a.Char);
      for (int l = a.Line + 1; l < b.Line; ++l) {
        out += "\r\n";
        out += LineAt(l);
      }
      out += "\r\n";
      out += Head(LineAt(b.Line), b.Char - 1);
      return out;
    case smLine:
      for (int l = a.Line; l <= b.Line; ++l) {
        out += LineAt(l);
        if (l < fLines->Count()) out += "\r\n";
      }
      return out;
    case smColumn: {
      TDisplayPoint p1 = BufferToDisplayPos(fSelBegin), p2 = BufferToDisplayPos(fSelEnd);
      const int c1 = std::min(p1.Column, p2.Column), c2 = std::max(p1.Column, p2.Column);
      const int r1 = std::min(p1.Row, p2.Row), r2 = std::max(p1.Row, p2.Row);
      for (int r = r1; r <= r2; ++r) {
        const TBufferCoord x1 = DisplayToBufferPos(DisplayCoord(c1, r)), x2 = DisplayToBufferPos(DisplayCoord(c2, r));
        const String line = LineAt(x1.Line);
        String piece = Sub(line, x1.Char, x2.Char - x1.Char);
        const int missing = (x2.Char - x1.Char) - Len(piece);
        if (missing > 0 && !HasOption(eoTrimTrailingSpaces)) piece.append(static_cast<std::size_t>(missing), ' ');
        out += piece;
        if (r < r2) out += "\r\n";
      }
      return out;
    }
  }
  return out;
}

String TCustomSxEdit::TrimTrailingBlanks(const String& Value) {
  std::size_t n = Value.size();
  while (n > 0 && (Value[n - 1] == ' ' || Value[n - 1] == '\t')) --n;
  return Value.substr(0, n);
}

void TCustomSxEdit::SetLineTrimmed(int Index, String Value) {
  if (HasOption(eoTrimTrailingSpaces)) {
    std::size_t n = Value.size();
    while (n > 0 && (Value[n - 1] == ' ' || Value[n - 1] == '\t')) --n;
    if (n < Value.size()) {
      String removed = Value.substr(n);
      Value.resize(n);
      fLines->PutText(Index, std::move(Value));
      fTrimmed.push_back(TSxLineEdit{Index + 1, fLines->CharCount(Index) + 1, std::move(removed), String()});
      return;
    }
  }
  fLines->PutText(Index, std::move(Value));
}

void TCustomSxEdit::RecordTrimmed() {
  if (fTrimmed.empty()) return;
  const std::vector<TSxLineEdit> trimmed = std::move(fTrimmed);
  fTrimmed.clear();
  // Undone first: the blanks come back before the change they followed is undone; redone
  // last, followed by the caret where the command left it.
  UndoBlockGuard block(this);
  for (const TSxLineEdit& t : trimmed)
    fUndoList->AddChange(chDeleteNoSelect, BufferCoord(t.Char, t.Line), BufferCoord(t.Char + Len(t.Removed), t.Line),
                         t.Removed, smNormal);
  fUndoList->AddChange(chCaret, fCaretPos, fCaretPos, String(), smNormal);
}

void TCustomSxEdit::RecordCaretAndSelection(bool CaretFirst) {
  // Undo replays the caret record before the selection record (placing the caret collapses
  // the selection); redo replays them in the order recorded.
  if (!CaretFirst) fUndoList->AddChange(chSelection, fSelBegin, fSelEnd, String(), fActiveSelMode);
  fUndoList->AddChange(chCaret, fCaretPos, fCaretPos, String(), fActiveSelMode);
  if (CaretFirst) fUndoList->AddChange(chSelection, fSelBegin, fSelEnd, String(), fActiveSelMode);
}

void TCustomSxEdit::RecordSelectionDelete(std::uint8_t Reason, const String& Text) {
  fUndoList->AddChange(Reason, fSelBegin, fSelEnd, Text, fActiveSelMode);
  fColumnDeleteRecord = fActiveSelMode == smColumn && !fUndoList->IsLocked() ? fUndoList->PeekItem() : nullptr;
}

void TCustomSxEdit::ApplyLineEdits(const std::vector<TSxLineEdit>& Edits, bool Forward) {
  fLines->BeginUpdate();
  try {
    for (std::size_t i = 0; i < Edits.size(); ++i) {
      const TSxLineEdit& e = Edits[Forward ? i : Edits.size() - 1 - i];
      const String& out = Forward ? e.Removed : e.Inserted;
      const String& in = Forward ? e.Inserted : e.Removed;
      if (e.Line < 1 || e.Line > fLines->Count()) continue;
      String line = fLines->Get(e.Line - 1);
      const std::size_t at = std::min(SxCharOffset(line, e.Char - 1), line.size());
      line.replace(at, std::min(out.size(), line.size() - at), in);
      fLines->Put(e.Line - 1, line);
    }
  } catch (...) {
    fLines->EndUpdate();
    throw;
  }
  fLines->EndUpdate();
}

int TCustomSxEdit::IndentWidth(std::string_view Line, bool ExpandTabs) const {
  if (!HasOption(eoAutoIndent)) return 0;
  int n = 0;
  for (unsigned char c : Line) {
    if (c < 1 || c > 32) break;
    n += c == '\t' && ExpandTabs ? fTabWidth : 1;
  }
  return n;
}

String TCustomSxEdit::MakeIndent(int Width, bool AllowTabs) const {
  if (Width <= 0) return String();
  if (AllowTabs && !HasOption(eoTabsToSpaces) && Width >= fTabWidth)
    return String(static_cast<std::size_t>(Width / fTabWidth), '\t') +
           String(static_cast<std::size_t>(Width % fTabWidth), ' ');
  return String(static_cast<std::size_t>(Width), ' ');
}

void TCustomSxEdit::JoinBrokenLine(const TSxLineEdit& Edit) {
  // The lines join where they are, the longer keeping its record, index and scan; the blanks
  // the next line's indent replaced go back between them.
  const int next = Edit.Line;
  if (next < 2 || next > fLines->Count()) return;
  fLines->BeginUpdate();
  try {
    const String& text = fLines->LineRef(next - 1);
    if (!Edit.Inserted.empty() && text.compare(0, Edit.Inserted.size(), Edit.Inserted) == 0)
      fLines->EditLine(next - 1, 0, Edit.Inserted.size(), std::string_view());
    fLines->JoinLines(next - 2, Edit.Removed);
  } catch (...) {
    fLines->EndUpdate();
    throw;
  }
  fLines->EndUpdate();
  ShiftMarksDeleted(next, 1);
}

void TCustomSxEdit::SetSelText(const String& Value) {
  BeginUndoBlock();
  try {
    fTrimmed.clear();
    if (HasSelection())
      RecordSelectionDelete(chDelete, GetSelText());
    else
      fActiveSelMode = fSelectionMode;
    // Without a selection the text goes in at the caret (which may stand past the line's end,
    // where the collapsed selection cannot).
    const TBufferCoord first = HasSelection() ? BlockFirst() : fCaretPos,
                       last = HasSelection() ? BlockLast() : fCaretPos;
    const TBufferCoord start = first;
    fSelBegin = first;
    fSelEnd = last;
    SetSelTextInMode(Value);
    if (!Value.empty() && fActiveSelMode != smColumn) RecordInsertion(chInsert, start);
    if (Value.empty()) RecordTrimmed();
  } catch (...) {
    EndUndoBlock();
    throw;
  }
  EndUndoBlock();
}

void TCustomSxEdit::RecordInsertion(std::uint8_t Reason, TBufferCoord Start) {
  // Blanks that carried the text to a caret past the line's end are recorded with it, so that
  // undo removes them and puts the caret back where it stood.
  if (fPadStart.Line == Start.Line && fPadStart.Char < Start.Char)
    fUndoList->AddChange(chPadding, Start, fPadStart, String(), smNormal);
  // Lines inserted in line mode went in front of the caret's line: as a record that is the
  // plain insertion from the start of that line to where the caret ended.
  if (fActiveSelMode == smLine) {
    Start.Char = 1;
    fUndoList->AddChange(Reason, Start, BlockLast(), String(), smNormal);
  } else {
    fUndoList->AddChange(Reason, Start, BlockLast(), String(), fActiveSelMode);
  }
  RecordTrimmed();
}

void TCustomSxEdit::ClearSelection() {
  // A read-only editor keeps its text, also through this call.
  if (HasSelection() && !GetReadOnly()) SetSelText(String());
}

void TCustomSxEdit::InsertColumnBlock(const TBufferCoord& Start, const TBufferCoord& End, const String& Text,
                                      bool Record) {
  PlaceCaretAndSelection(Start, Start, End);
  fActiveSelMode = smColumn;
  SetSelTextPrimitive(smColumn, Text, Record);
  StatusChanged(scSelection);
}

void TCustomSxEdit::SetSelTextPrimitive(TSxSelectionMode Mode, const String& Value, bool AddToUndo) {
  fPadStart = BufferCoord(0, 0);
  IncPaintLock();
  fLines->BeginUpdate();
  try {
    if (HasSelection()) {
      const TBufferCoord first = BlockFirst(), last = BlockLast();
      switch (fActiveSelMode) {
        case smNormal:
          if (fLines->Count() > 0 && first.Line == last.Line && first.Char - 1 <= LineLength(first.Line)) {
            // Inside one line: the line changes where it is, unless trimming would take blanks
            // the deletion leaves last.
            const String& cur = fLines->LineRef(first.Line - 1);
            const std::size_t x = fLines->CharOffset(first.Line - 1, first.Char);
            const std::size_t y = std::max(x, fLines->CharOffset(first.Line - 1, last.Char));
            const char end = y < cur.size() ? cur.back() : x > 0 ? cur[x - 1] : 'x';
            if (!(HasOption(eoScrollPastEol) && HasOption(eoTrimTrailingSpaces) && Value.empty()) ||
                (end != ' ' && end != '\t')) {
              fLines->EditLine(first.Line - 1, x, y - x, std::string_view());
              SetCaretPosInternal(first);
              break;
            }
          }
          if (fLines->Count() > 0 && last.Line == first.Line + 1 && last.Char == 1 && last.Line <= fLines->Count() &&
              first.Char - 1 == LineLength(first.Line)) {
            // A line break between two lines: the longer keeps its place, unless trimming
            // would take blanks the join leaves last.
            const String& low = fLines->LineRef(last.Line - 1);
            const String& end = low.empty() ? fLines->LineRef(first.Line - 1) : low;
            if (!(HasOption(eoScrollPastEol) && HasOption(eoTrimTrailingSpaces) && Value.empty()) || end.empty() ||
                (end.back() != ' ' && end.back() != '\t')) {
              fLines->JoinLines(first.Line - 1);
              SetCaretPosInternal(first);
              ShiftMarksDeleted(first.Line, 1);
              break;
            }
          }
          if (fLines->Count() > 0) {
            String joined = fLines->LineRef(first.Line - 1).substr(0, fLines->CharOffset(first.Line - 1, first.Char));
            const int firstLen = LineLength(first.Line);
            if (first.Char - 1 > firstLen) joined.append(static_cast<std::size_t>(first.Char - 1 - firstLen), ' ');
            joined += fLines->LineRef(last.Line - 1).substr(fLines->CharOffset(last.Line - 1, last.Char));
            if (last.Line > first.Line) fLines->DeleteLines(first.Line, last.Line - first.Line);
            // With text inserted next, blanks before the join are kept: they may be its
            // indentation, and undo puts the deleted text back after them.
            if (HasOption(eoScrollPastEol) && HasOption(eoTrimTrailingSpaces) && Value.empty())
              SetLineTrimmed(first.Line - 1, joined);
            else
              fLines->Put(first.Line - 1, joined);
          }
          SetCaretPosInternal(first);
          ShiftMarksDeleted(first.Line, last.Line - first.Line);
          break;
        case smLine:
          if (last.Line >= fLines->Count()) {
            fLines->Put(last.Line - 1, String());
            if (last.Line > first.Line) fLines->DeleteLines(first.Line - 1, last.Line - first.Line);
          } else {
            fLines->DeleteLines(first.Line - 1, last.Line - first.Line + 1);
          }
          SetCaretPosInternal(BufferCoord(1, first.Line));
          ShiftMarksDeleted(first.Line, last.Line - first.Line + 1);
          break;
        case smColumn: {
          // The block is the same display columns on every line, whatever tabs stand before it.
          int c1 = BufferToDisplayPos(fSelBegin).Column, c2 = BufferToDisplayPos(fSelEnd).Column;
          if (c2 < c1) std::swap(c1, c2);
          // What each line lost (trimmed blanks included) goes with the record, so that undo
          // puts back exactly that and no padding.
          std::vector<TSxLineEdit> edits;
          for (int l = first.Line; l <= last.Line; ++l) {
            const String s = LineAt(l);
            const int a = DisplayToBufferPos(DisplayCoord(c1, LineToRow(l))).Char;
            const int b = DisplayToBufferPos(DisplayCoord(c2, LineToRow(l))).Char;
            if (a > Len(s)) continue;
            SetLineTrimmed(l - 1, Head(s, a - 1) + Sub(s, b));
            edits.push_back(DiffLine(l, s, LineAt(l)));
          }
          fTrimmed.clear();
          SetCaretPosInternal(
              BufferCoord(DisplayToBufferPos(DisplayCoord(c1, LineToRow(fSelEnd.Line))).Char, fSelEnd.Line));
          if (fColumnDeleteRecord) {
            fColumnDeleteRecord->LineEdits = std::move(edits);
            fColumnDeleteRecord->ChangeCaretPos = fCaretPos;
          }
          fColumnDeleteRecord = nullptr;
          break;
        }
      }
      fSelBegin = fCaretPos;
      fSelEnd = fCaretPos;
    }
    if (!Value.empty()) {
      const std::vector<String> pieces = SplitLines(Value);
      const int startLine = fCaretPos.Line;
      const int startChar = fCaretPos.Char;
      int added = 0;
      if (fLines->Count() == 0) fLines->Add(String());
      switch (Mode) {
        case smNormal: {
          const String& line = fLines->LineRef(fCaretPos.Line - 1);
          const std::size_t cut = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char);
          const int lineLen = LineLength(fCaretPos.Line);
          const bool trim = HasOption(eoTrimTrailingSpaces);
          if (pieces.size() == 1 && !pieces[0].empty() && lineLen >= fCaretPos.Char - 1) {
            // One piece inside or at the end of the line: the line changes where it is, unless
            // it would end in blanks that trimming takes.
            const bool atEnd = cut == line.size();
            const char end = atEnd ? pieces[0].back() : line.back();
            if (!trim || (end != ' ' && end != '\t')) {
              fLines->EditLine(fCaretPos.Line - 1, cut, 0, pieces[0]);
              const int now = LineLength(fCaretPos.Line), rightChars = lineLen - (startChar - 1);
              fCaretPos.Char = trim && atEnd ? fLines->ExpandedLength(fCaretPos.Line - 1) + 1 : now - rightChars + 1;
              StatusChanged(scCaretX);
              break;
            }
          }
          if (pieces.size() == 2 && pieces[0].empty() && pieces[1].empty() && lineLen >= fCaretPos.Char - 1 &&
              !(trim && ((cut > 0 && (line[cut - 1] == ' ' || line[cut - 1] == '\t')) ||
                         (cut < line.size() && (line.back() == ' ' || line.back() == '\t'))))) {
            // A line break inside the line: the longer part stays where it is, nothing to trim.
            fLines->SplitLine(fCaretPos.Line - 1, cut);
            added = 1;
            ++fCaretPos.Line;
            fCaretPos.Char = 1;
            StatusChanged(scCaretY);
            StatusChanged(scCaretX);
            break;
          }
          String left = line.substr(0, cut);
          if (lineLen < fCaretPos.Char - 1) {
            fPadStart = BufferCoord(lineLen + 1, fCaretPos.Line);
            left.append(static_cast<std::size_t>(fCaretPos.Char - 1 - lineLen), ' ');
          }
          const String right = line.substr(cut);
          String stored;
          if (pieces.size() == 1) {
            stored = left + pieces[0] + right;
            SetLineTrimmed(fCaretPos.Line - 1, stored);
          } else {
            SetLineTrimmed(fCaretPos.Line - 1, left + pieces[0]);
            added = static_cast<int>(pieces.size()) - 1;
            fLines->InsertLines(fCaretPos.Line, added);
            for (std::size_t i = 1; i < pieces.size(); ++i) {
              ++fCaretPos.Line;
              stored = pieces[i] + (i + 1 == pieces.size() ? right : String());
              SetLineTrimmed(fCaretPos.Line - 1, stored);
            }
            StatusChanged(scCaretY);
          }
          const int now = LineLength(fCaretPos.Line);
          // Counted from the line's index and the blanks at the end, not by walking the line.
          const int rightChars = std::max(lineLen - (startChar - 1), 0);
          if (!HasOption(eoTrimTrailingSpaces)) {
            fCaretPos.Char = now - rightChars + 1;
          } else if (right.empty()) {
            // The column after the whole stored text, trimmed blanks included.
            int x = fLines->ExpandedLength(fCaretPos.Line - 1);
            for (std::size_t i = fLines->LineRef(fCaretPos.Line - 1).size(); i < stored.size(); ++i)
              x = stored[i] == '\t' && fTabWidth > 1 ? x + fTabWidth - x % fTabWidth : x + 1;
            fCaretPos.Char = x + 1;
          } else {
            std::size_t blanks = 0;
            while (blanks < right.size() && (right[right.size() - 1 - blanks] == ' ' || right[right.size() - 1 - blanks] == '\t'))
              ++blanks;
            fCaretPos.Char = now - (rightChars - static_cast<int>(blanks)) + 1;
          }
          StatusChanged(scCaretX);
          break;
        }
        case smLine: {
          fCaretPos.Char = 1;
          for (std::size_t i = 0; i + 1 < pieces.size(); ++i) {
            fLines->Insert(fCaretPos.Line - 1,
                           HasOption(eoTrimTrailingSpaces) ? TrimTrailingBlanks(pieces[i]) : pieces[i]);
            ++fCaretPos.Line;
            ++added;
            StatusChanged(scCaretY);
          }
          const String& lastPiece = pieces.back();
          if (fCaretPos.Line > fLines->Count()) {
            fLines->Add(lastPiece);
            ++added;
          } else {
            fLines->Put(fCaretPos.Line - 1, lastPiece + LineAt(fCaretPos.Line));
          }
          if (HasOption(eoTrimTrailingSpaces)) SetLineTrimmed(fCaretPos.Line - 1, LineAt(fCaretPos.Line));
          fCaretPos.Char = Len(lastPiece) + 1;
          StatusChanged(scCaretX);
          break;
        }
        case smColumn: {
          // Every row goes in at the caret's display column.
          const int column = BufferToDisplayPos(fCaretPos).Column;
          int at = fCaretPos.Char;
          for (std::size_t i = 0; i < pieces.size(); ++i) {
            if (i > 0) {
              ++fCaretPos.Line;
              StatusChanged(scCaretY);
            }
            const String& piece = pieces[i];
            const String before = LineAt(fCaretPos.Line);
            if (fCaretPos.Line > fLines->Count()) {
              if (AddToUndo) {
                const int prev = fCaretPos.Line - 1;
                fUndoList->AddChange(chLineBreak, BufferCoord(LineLength(prev) + 1, prev),
                                     BufferCoord(LineLength(prev) + 1, prev), String(), smNormal);
              }
              fLines->Add(String());
              ++added;
              at = column;
              SetLineTrimmed(fCaretPos.Line - 1, String(static_cast<std::size_t>(column - 1), ' ') + piece);
            } else {
              at = DisplayToBufferPos(DisplayCoord(column, LineToRow(fCaretPos.Line))).Char;
              if (!piece.empty()) {
                String s = LineAt(fCaretPos.Line);
                if (Len(s) < at - 1) s.append(static_cast<std::size_t>(at - 1 - Len(s)), ' ');
                SetLineTrimmed(fCaretPos.Line - 1, Head(s, at - 1) + piece + Sub(s, at));
              }
            }
            if (AddToUndo && !piece.empty()) {
              fUndoList->AddChange(chPaste, BufferCoord(at, fCaretPos.Line),
                                   BufferCoord(at + Len(piece), fCaretPos.Line), String(), fActiveSelMode);
              // The row's exact change, padding included, so undo leaves no blanks behind.
              if (!fUndoList->IsLocked() && fUndoList->PeekItem())
                fUndoList->PeekItem()->LineEdits = {DiffLine(fCaretPos.Line, before, LineAt(fCaretPos.Line))};
            }
          }
          fTrimmed.clear();
          fCaretPos.Char = at + Len(pieces.back());
          StatusChanged(scCaretX);
          break;
        }
      }
      if (added > 0) ShiftMarksInserted(startLine + (Mode == smNormal && startChar != 1 ? 1 : 0), added);
      SetCaretPosInternal(fCaretPos);
      // The selection collapses onto the end of the inserted text.
      fSelBegin = fCaretPos;
      fSelEnd = fCaretPos;
    }
    if (fCaretPos.Line < 1) fCaretPos.Line = 1;
  } catch (...) {
    fColumnDeleteRecord = nullptr;
    fLines->EndUpdate();
    DecPaintLock();
    throw;
  }
  fColumnDeleteRecord = nullptr;
  fLines->EndUpdate();
  DecPaintLock();
}

void TCustomSxEdit::ClearAll() {
  fLines->Clear();
  fMarks->Clear();
  fBookmarks.fill(nullptr);  // the marks they referred to are gone with the list
  ClearUndo();
  SetModified(false);
}

void TCustomSxEdit::ClearUndo() {
  fUndoList->Clear();
  fRedoList->Clear();
}

// ---- undo and redo ------------------------------------------------------------------------

void TCustomSxEdit::SetModified(bool Value) {
  if (fModified == Value) return;
  fModified = Value;
  if (!Value && HasOption(eoGroupUndo) && fUndoList->CanUndo()) fUndoList->AddGroupBreak();
  fUndoList->SetInitialState(!Value);
  StatusChanged(scModified);
}

void TCustomSxEdit::SyncModified() {
  const bool v = !fUndoList->GetInitialState();
  if (fModified == v) return;
  fModified = v;
  StatusChanged(scModified);
}

void TCustomSxEdit::ChangeRecorded(TSxEditUndoList* List) {
  SyncModified();
  if (List == fUndoList.get() && !fUndoList->InsideRedo() && fUndoList->LastChangeReason() != crGroupBreak)
    fRedoList->Clear();
  if (List->BlockCount() == 0) FireChange();
}

namespace {
bool IsEndMarker(int r) { return r == chMarkerAEnd || r == chPasteEnd || r == chMarkerBEnd || r == chMarkerCEnd; }
bool IsBeginMarker(int r) {
  return r == chMarkerABegin || r == chPasteBegin || r == chMarkerBBegin || r == chMarkerCBegin;
}
}  // namespace

void TCustomSxEdit::Undo() {
  if (GetReadOnly()) return;
  if (TSxEditUndoItem* top = fUndoList->PeekItem(); top && top->ChangeReason == crGroupBreak) {
    auto item = fUndoList->PopItem();
    fRedoList->PushItem(std::move(item));
  }
  int lastChange = fUndoList->LastChangeReason();
  const bool bracket = IsEndMarker(lastChange);
  TSxEditUndoItem* top = fUndoList->PeekItem();
  if (!top) return;
  const int number = top->ChangeNumber;
  const int savedBlock = fRedoList->BlockChangeNumber();
  fRedoList->SetBlockChangeNumber(number);
  try {
    IncPaintLock();
    while (true) {
      auto item = fUndoList->PopItem();
      UndoOne(*item);
      TSxEditUndoItem* next = fUndoList->PeekItem();
      if (!next) break;
      if (bracket) {
        if (next->ChangeReason == lastChange - 1) break;
      } else if (!(next->ChangeNumber == number || (HasOption(eoGroupUndo) && next->ChangeReason == lastChange &&
                                                    lastChange != chIndent && lastChange != chUnindent))) {
        break;
      }
      lastChange = next->ChangeReason;
    }
    if (bracket) {
      if (TSxEditUndoItem* next = fUndoList->PeekItem(); next && IsBeginMarker(next->ChangeReason)) {
        auto item = fUndoList->PopItem();
        UndoOne(*item);
        SyncModified();
      }
    }
  } catch (...) {
    fRedoList->SetBlockChangeNumber(savedBlock);
    DecPaintLock();
    throw;
  }
  fRedoList->SetBlockChangeNumber(savedBlock);
  DecPaintLock();
}

void TCustomSxEdit::Redo() {
  if (GetReadOnly()) return;
  TSxEditUndoItem* top = fRedoList->PeekItem();
  if (!top) return;
  int lastChange = top->ChangeReason;
  const bool bracket = IsBeginMarker(lastChange);
  const int number = top->ChangeNumber;
  const int savedBlock = fUndoList->BlockChangeNumber();
  fUndoList->SetBlockChangeNumber(number);
  try {
    IncPaintLock();
    while (true) {
      auto item = fRedoList->PopItem();
      RedoOne(*item);
      TSxEditUndoItem* next = fRedoList->PeekItem();
      if (!next) break;
      if (bracket) {
        if (next->ChangeReason == lastChange + 1) break;
      } else if (!(next->ChangeNumber == number || (HasOption(eoGroupUndo) && next->ChangeReason == lastChange &&
                                                    lastChange != chIndent && lastChange != chUnindent))) {
        break;
      }
      lastChange = next->ChangeReason;
    }
    if (bracket) {
      if (TSxEditUndoItem* next = fRedoList->PeekItem(); next && IsEndMarker(next->ChangeReason)) {
        auto item = fRedoList->PopItem();
        RedoOne(*item);
      }
    }
    if (TSxEditUndoItem* next = fRedoList->PeekItem(); next && next->ChangeReason == crGroupBreak) {
      auto item = fRedoList->PopItem();
      fUndoList->PushItem(std::move(item));
    }
    // After the group break moved, so that redoing back to a saved state reads as unmodified.
    SyncModified();
  } catch (...) {
    fUndoList->SetBlockChangeNumber(savedBlock);
    DecPaintLock();
    throw;
  }
  fUndoList->SetBlockChangeNumber(savedBlock);
  DecPaintLock();
}

void TCustomSxEdit::UndoOne(TSxEditUndoItem& Item) {
  // Undo puts back the texts as they were stored: trimming them again would take away
  // indentation that an intermediate step left at a line's end.
  TrimOff trimOff(fOptions);
  // Selections set while replaying take the record's mode; the mode for new selections
  // stays the user's.
  const TSxSelectionMode userMode = fSelectionMode;
  fSelectionMode = Item.ChangeSelMode;
  fActiveSelMode = Item.ChangeSelMode;
  IncPaintLock();
  OptionOn scrollPastEol(fOptions, eoScrollPastEol);
  try {
    const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
    switch (Item.ChangeReason) {
      case chInsert:
      case chPaste:
      case chDragDropInsert: {
        if (!Item.LineEdits.empty()) {
          ApplyLineEdits(Item.LineEdits, false);
          AddReplayed(fRedoList.get(), Item, String());
          PlaceCaret(start);
          break;
        }
        PlaceCaretAndSelection(start, start, end);
        fActiveSelMode = Item.ChangeSelMode;
        const String kept = GetSelText();
        SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
        fRedoList->AddChange(Item.ChangeReason, start, end, kept, Item.ChangeSelMode);
        PlaceCaret(start);
        break;
      }
      case chDeleteForward:
      case chDelete:
      case chDeleteNoSelect:
      case chDeleteForwardNoSelect:
      case chDeleteAll: {
        TBufferCoord at = Item.ChangeSelMode == smColumn
                              ? BufferCoord(std::min(start.Char, end.Char), std::min(start.Line, end.Line))
                              : MinPoint(start, end);
        if (!Item.LineEdits.empty()) {
          ApplyLineEdits(Item.LineEdits, false);
        } else {
          if ((Item.ChangeReason == chDeleteForward || Item.ChangeReason == chDeleteForwardNoSelect) &&
              at.Line > fLines->Count()) {
            SetCaretPosInternal(BufferCoord(1, fLines->Count()));
            fLines->Add(String());
          }
          PlaceCaret(at);
          fActiveSelMode = Item.ChangeSelMode;
          SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
        }
        // Back where the caret stood before the deletion: at the end of a selection (made in
        // either direction), before text deleted forward, after text deleted backward.
        const TBufferCoord final = Item.ChangeReason == chDeleteForwardNoSelect ? start : end;
        if (Item.ChangeReason == chDeleteNoSelect || Item.ChangeReason == chDeleteForwardNoSelect) {
          PlaceCaret(final);
        } else {
          SetCaretPosInternal(final);
          SetSelBegin(start);
          SetSelEnd(end);
        }
        AddReplayed(fRedoList.get(), Item, String());
        if (Item.ChangeReason == chDeleteAll) {
          SetCaretPosInternal(BufferCoord(1, 1));
          fSelEnd = BufferCoord(1, 1);
        }
        EnsureCaretVisible();
        break;
      }
      case chLineBreak: {
        PlaceCaret(start);
        // Where the caret stood before the break, when trimming moved blanks before it with the
        // rest: redo breaks the line there again.
        const TBufferCoord before = Item.ChangeCaretPos.Line > 0 ? Item.ChangeCaretPos : start;
        // A break that left the caret where it was stays one for redo (its start and end agree).
        fRedoList->AddChange(Item.ChangeReason, before, start == end ? before : end, String(), Item.ChangeSelMode);
        if (!Item.LineEdits.empty()) {
          JoinBrokenLine(Item.LineEdits.front());
          PlaceCaret(before);
          break;
        }
        // A break that moved no text (past the line's end, on an empty line, a row a column
        // paste added): the line after the caret's goes.
        fLines->BeginUpdate();
        SetLineTrimmed(fCaretPos.Line - 1, LineAt(fCaretPos.Line));
        if (fCaretPos.Line < fLines->Count()) fLines->Delete(fCaretPos.Line);
        fLines->EndUpdate();
        ShiftMarksDeleted(fCaretPos.Line + 1, 1);
        PlaceCaret(before);
        break;
      }
      case chIndent:
        fRedoList->AddChange(Item.ChangeReason, start, end, Item.ChangeStr, Item.ChangeSelMode);
        PlaceCaretAndSelection(end, start, end);
        break;
      case chUnindent: {
        AddReplayed(fRedoList.get(), Item, Item.ChangeStr);
        const int col = Item.ChangeSelMode == smColumn ? std::min(start.Char, end.Char) : 1;
        if (!Item.LineEdits.empty())
          ApplyLineEdits(Item.LineEdits, false);
        else
          InsertColumnBlock(BufferCoord(col, start.Line), BufferCoord(col, end.Line), Item.ChangeStr, false);
        fActiveSelMode = Item.ChangeSelMode;
        PlaceCaretAndSelection(start, start, end);
        fActiveSelMode = Item.ChangeSelMode;
        break;
      }
      case chCaret:
        fRedoList->AddChange(chCaret, fCaretPos, fCaretPos, String(), fActiveSelMode);
        PlaceCaret(start);
        break;
      case chSelection:
        fRedoList->AddChange(chSelection, fSelBegin, fSelEnd, String(), fActiveSelMode);
        fSelBegin = start;
        fSelEnd = end;
        InvalidateLines(start.Line, end.Line);
        StatusChanged(scSelection);
        break;
      case chPadding: {
        PlaceCaretAndSelection(start, start, end);
        fActiveSelMode = Item.ChangeSelMode;
        const String kept = GetSelText();
        fRedoList->AddChange(Item.ChangeReason, start, end, kept, Item.ChangeSelMode);
        SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
        PlaceCaret(start);
        break;
      }
      default:
        // Markers and group breaks only bracket a step; they are kept for redo.
        fRedoList->AddChange(Item.ChangeReason, start, end, Item.ChangeStr, Item.ChangeSelMode);
        break;
    }
  } catch (...) {
    fSelectionMode = userMode;
    DecPaintLock();
    throw;
  }
  fSelectionMode = userMode;
  DecPaintLock();
}

void TCustomSxEdit::RedoOne(TSxEditUndoItem& Item) {
  // Selections set while replaying take the record's mode; the mode for new selections
  // stays the user's.
  const TSxSelectionMode userMode = fSelectionMode;
  fSelectionMode = Item.ChangeSelMode;
  fActiveSelMode = Item.ChangeSelMode;
  IncPaintLock();
  OptionOn scrollPastEol(fOptions, eoScrollPastEol);
  fUndoList->SetInsideRedo(true);
  try {
    const TBufferCoord start = Item.ChangeStartPos, end = Item.ChangeEndPos;
    switch (Item.ChangeReason) {
      case chInsert:
      case chPaste:
      case chDragDropInsert: {
        // Trimming blanks is replayed by its own record, which follows this one.
        TrimOff trimOff(fOptions);
        if (!Item.LineEdits.empty()) {
          ApplyLineEdits(Item.LineEdits, true);
          PlaceCaret(end);
        } else {
          PlaceCaret(start);
          fActiveSelMode = Item.ChangeSelMode;
          SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
          SetCaretPosInternal(end);
        }
        AddReplayed(fUndoList.get(), Item, String());
        if (Item.ChangeReason == chDragDropInsert) {
          SetSelBegin(start);
          SetSelEnd(end);
        }
        break;
      }
      case chDeleteForward:
      case chDelete:
      case chDeleteNoSelect:
      case chDeleteForwardNoSelect: {
        // Trimming blanks is replayed by its own record, which follows this one.
        TrimOff trimOff(fOptions);
        if (!Item.LineEdits.empty()) {
          // Exactly the recorded edits, and the caret where the deletion left it.
          fActiveSelMode = Item.ChangeSelMode;
          PlaceCaretAndSelection(start, start, end);
          fActiveSelMode = Item.ChangeSelMode;
          AddReplayed(fUndoList.get(), Item, GetSelText());
          ApplyLineEdits(Item.LineEdits, true);
          PlaceCaret(Item.ChangeCaretPos.Line > 0 ? Item.ChangeCaretPos : MinPoint(start, end));
          break;
        }
        PlaceCaretAndSelection(start, start, end);
        fActiveSelMode = Item.ChangeSelMode;
        fUndoList->AddChange(Item.ChangeReason, start, end, GetSelText(), Item.ChangeSelMode);
        SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
        // The deleted span collapses onto its earlier end, where the caret stood after the
        // deletion itself.
        PlaceCaret(Item.ChangeSelMode == smColumn
                       ? BufferCoord(std::min(start.Char, end.Char), std::min(start.Line, end.Line))
                       : MinPoint(start, end));
        break;
      }
      case chLineBreak:
        PlaceCaret(start);
        DoLineBreak(!(start == end));
        break;
      case chIndent:
        fUndoList->AddChange(Item.ChangeReason, start, end, Item.ChangeStr, Item.ChangeSelMode);
        PlaceCaretAndSelection(end, start, end);
        break;
      case chUnindent: {
        AddReplayed(fUndoList.get(), Item, Item.ChangeStr);
        const int col = Item.ChangeSelMode == smColumn ? std::min(start.Char, end.Char) : 1;
        const std::vector<String> pieces = SplitLines(Item.ChangeStr);
        if (!Item.LineEdits.empty()) ApplyLineEdits(Item.LineEdits, true);
        fLines->BeginUpdate();
        for (std::size_t i = 0; Item.LineEdits.empty() && i < pieces.size(); ++i) {
          const int line = start.Line + static_cast<int>(i);
          const String s = LineAt(line);
          if (line > fLines->Count()) break;
          fLines->Put(line - 1, Head(s, col - 1) + Sub(s, col + Len(pieces[i])));
        }
        fLines->EndUpdate();
        if (Item.ChangeSelMode == smColumn)
          PlaceCaretAndSelection(start, start, end);
        else
          PlaceCaretAndSelection(BufferCoord(start.Char - fTabWidth, start.Line),
                                 BufferCoord(start.Char - fTabWidth, start.Line),
                                 BufferCoord(end.Char - Len(pieces.back()), end.Line));
        break;
      }
      case chCaret:
        fUndoList->AddChange(chCaret, fCaretPos, fCaretPos, String(), fActiveSelMode);
        PlaceCaret(start);
        break;
      case chSelection:
        fUndoList->AddChange(chSelection, fSelBegin, fSelEnd, String(), fActiveSelMode);
        fSelBegin = start;
        fSelEnd = end;
        InvalidateLines(start.Line, end.Line);
        StatusChanged(scSelection);
        break;
      case chPadding: {
        fUndoList->AddChange(chPadding, start, end, String(), Item.ChangeSelMode);
        PlaceCaret(end);
        // The fill stands alone until the next record puts its text after it: not trimmed.
        const TSxEditorOptions saved = fOptions;
        fOptions &= ~eoTrimTrailingSpaces;
        try {
          SetSelTextPrimitive(Item.ChangeSelMode, Item.ChangeStr, false);
        } catch (...) {
          fOptions = saved;
          throw;
        }
        fOptions = saved;
        PlaceCaret(start);
        break;
      }
      default: fUndoList->AddChange(Item.ChangeReason, start, end, Item.ChangeStr, Item.ChangeSelMode); break;
    }
  } catch (...) {
    fSelectionMode = userMode;
    fUndoList->SetInsideRedo(false);
    DecPaintLock();
    throw;
  }
  fSelectionMode = userMode;
  fUndoList->SetInsideRedo(false);
  DecPaintLock();
}
