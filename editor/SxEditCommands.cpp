// The editor control: the command pipeline, caret movement, deleting, line breaks, typing,
// tabs and indentation, case change, words and bracket matching.
#include <algorithm>

#include "editor/SxEditInternal.h"

namespace {

using namespace sxedit;

// The character at the 1-based index, 0 past the end.
char32_t At(const std::u32string& s, int i) {
  return i >= 1 && i <= static_cast<int>(s.size()) ? s[static_cast<std::size_t>(i - 1)] : 0;
}
bool Blank(char32_t c) { return c == ' ' || c == '\t'; }

}  // namespace

// ---- pipeline -----------------------------------------------------------------------------

void TCustomSxEdit::FireProcessCommand(TSxEditorCommand& Command, char32_t& AChar, void* Data) {
  if (Command >= ecUserFirst) {
    if (OnProcessUserCommand) OnProcessUserCommand(this, Command, AChar, Data);
  } else if (OnProcessCommand) {
    OnProcessCommand(this, Command, AChar, Data);
  }
}

void TCustomSxEdit::FireCommandProcessed(TSxEditorCommand Command, char32_t AChar, void* Data) {
  if (OnCommandProcessed) OnCommandProcessed(this, Command, AChar, Data);
}

void TCustomSxEdit::ProcessCommand(TSxEditorCommand Command, char32_t AChar, void* Data) {
  FireProcessCommand(Command, AChar, Data);
  if (Command != ecNone && Command < ecUserFirst) RunCommand(Command, AChar, Data);
  FireCommandProcessed(Command, AChar, Data);
}

void TCustomSxEdit::RunCommand(TSxEditorCommand Command, char32_t AChar, void* Data) {
  PaintLockGuard lock(this);
  const bool ro = GetReadOnly();
  switch (Command) {
    case ecLeft:
    case ecSelLeft: MoveCaretHorizontally(-1, Command == ecSelLeft); break;
    case ecRight:
    case ecSelRight: MoveCaretHorizontally(1, Command == ecSelRight); break;
    case ecUp:
    case ecSelUp:
      MoveCaretVertically(-1, Command == ecSelUp);
      Update();
      break;
    case ecDown:
    case ecSelDown:
      MoveCaretVertically(1, Command == ecSelDown);
      Update();
      break;
    case ecWordLeft:
    case ecSelWordLeft: MoveCaretExtending(fCaretPos, PrevWordStart(), Command == ecSelWordLeft); break;
    case ecWordRight:
    case ecSelWordRight: MoveCaretExtending(fCaretPos, NextWordStart(), Command == ecSelWordRight); break;
    case ecLineStart:
    case ecSelLineStart: GoLineStart(Command == ecSelLineStart); break;
    case ecLineEnd:
    case ecSelLineEnd: GoLineEnd(Command == ecSelLineEnd); break;
    case ecPageUp:
    case ecPageDown:
    case ecSelPageUp:
    case ecSelPageDown: {
      int n = fRowsInWindow;
      if (HasOption(eoHalfPageScroll)) n >>= 1;
      if (HasOption(eoScrollByOneLess)) --n;
      if (Command == ecPageUp || Command == ecSelPageUp) n = -n;
      SetTopRow(fTopRow + n);
      MoveCaretVertically(n, Command == ecSelPageUp || Command == ecSelPageDown);
      Update();
      break;
    }
    case ecPageLeft:
    case ecSelPageLeft: MoveCaretHorizontally(-fColumnsInWindow, Command == ecSelPageLeft); break;
    case ecPageRight:
    case ecSelPageRight: MoveCaretHorizontally(fColumnsInWindow, Command == ecSelPageRight); break;
    case ecPageTop:
    case ecSelPageTop:
      MoveCaretExtending(fCaretPos, DisplayToBufferPos(DisplayCoord(CaretDisplayColumn(), fTopRow)),
                         Command == ecSelPageTop);
      Update();
      break;
    case ecPageBottom:
    case ecSelPageBottom:
      MoveCaretExtending(fCaretPos, DisplayToBufferPos(DisplayCoord(CaretDisplayColumn(), fTopRow + fRowsInWindow - 1)),
                         Command == ecSelPageBottom);
      Update();
      break;
    case ecEditorTop:
    case ecSelEditorTop:
      MoveCaretExtending(fCaretPos, BufferCoord(1, 1), Command == ecSelEditorTop);
      Update();
      break;
    case ecEditorBottom:
    case ecSelEditorBottom: {
      const int n = fLines->Count();
      const TBufferCoord p = n > 0 ? BufferCoord(LineLength(n) + 1, n) : BufferCoord(1, 1);
      MoveCaretExtending(fCaretPos, p, Command == ecSelEditorBottom);
      Update();
      break;
    }
    case ecGotoXY:
    case ecSelGotoXY:
      if (Data) MoveCaretExtending(fCaretPos, *static_cast<TBufferCoord*>(Data), Command == ecSelGotoXY);
      Update();
      break;
    case ecSelWord: SelectWordAt(fCaretPos); break;
    case ecSelectAll: SelectAll(); break;
    case ecCopy: CopyToClipboard(); break;
    case ecScrollUp:
    case ecScrollDown: {
      const int r = CaretDisplayRow();
      if (r >= fTopRow && r < fTopRow + fRowsInWindow) {
        SetTopRow(fTopRow + (Command == ecScrollUp ? -1 : 1));
        if (Command == ecScrollUp && r > fTopRow + fRowsInWindow - 1)
          MoveCaretVertically(fTopRow + fRowsInWindow - 1 - r, false);
        else if (Command == ecScrollDown && r < fTopRow)
          MoveCaretVertically(fTopRow - r, false);
      }
      EnsureCaretVisible();
      Update();
      break;
    }
    case ecScrollLeft:
      SetLeftColumn(fLeftColumn - 1);
      Update();
      break;
    case ecScrollRight:
      SetLeftColumn(fLeftColumn + 1);
      Update();
      break;
    case ecInsertMode: SetInsertMode(true); break;
    case ecOverwriteMode: SetInsertMode(false); break;
    case ecToggleMode: SetInsertMode(!fInsertMode); break;
    case ecNormalSelect: SetSelectionMode(smNormal); break;
    case ecColumnSelect: SetSelectionMode(smColumn); break;
    case ecLineSelect: SetSelectionMode(smLine); break;
    case ecMatchBracket: GoToMatchingBracket(); break;
    case ecContextHelp:
      if (OnContextHelp) OnContextHelp(this, WordAtCaret());
      break;
    case ecDeleteLastChar:
      if (ro) break;
      FirePaintTransientEx(ttBefore, true);
      try {
        DoBackspace();
      } catch (...) {
        FirePaintTransientEx(ttAfter, true);
        throw;
      }
      FirePaintTransientEx(ttAfter, true);
      break;
    case ecDeleteChar:
      if (ro) break;
      FirePaintTransient(ttBefore);
      DoDeleteChar();
      FirePaintTransient(ttAfter);
      break;
    case ecDeleteWord:
    case ecDeleteEOL:
      if (ro) break;
      FirePaintTransient(ttBefore);
      DoDeleteWordOrEol(Command);
      break;
    case ecDeleteLastWord:
    case ecDeleteBOL:
      if (ro) break;
      FirePaintTransient(ttBefore);
      DoDeleteLastWordOrBol(Command);
      FirePaintTransient(ttAfter);
      break;
    case ecDeleteLine:
      if (!ro) DoDeleteLine();
      break;
    case ecClearAll:
      if (!ro) ClearAll();
      break;
    case ecLineBreak:
    case ecInsertLine:
      if (!ro) DoLineBreak(Command == ecLineBreak);
      break;
    case ecChar:
      if (ro) break;
      DoTypeChar(AChar);
      FirePaintTransient(ttAfter);
      break;
    case ecImeStr:
      if (!ro && Data) DoImeStr(static_cast<const char*>(Data));
      break;
    case ecUndo:
      if (!ro) Undo();
      break;
    case ecRedo:
      if (!ro) Redo();
      break;
    case ecCut:
      if (!ro && HasSelection()) CutToClipboard();
      break;
    case ecPaste:
      if (!ro) PasteFromClipboard();
      break;
    case ecBlockIndent:
      if (!ro) IndentBlock();
      break;
    case ecBlockUnindent:
      if (!ro) UnindentBlock();
      break;
    case ecTab:
      if (!ro) InsertTab();
      break;
    case ecShiftTab:
      if (!ro) RemoveTab();
      break;
    case ecUpperCase:
    case ecLowerCase:
    case ecToggleCase:
    case ecTitleCase:
    case ecUpperCaseBlock:
    case ecLowerCaseBlock:
    case ecToggleCaseBlock:
      if (!ro) ChangeCase(Command);
      break;
    default:
      if (Command >= ecGotoMarker0 && Command <= ecGotoMarker9) {
        if (fBookMarkOpt->EnableKeys()) GotoBookmark(Command - ecGotoMarker0);
      } else if (Command >= ecSetMarker0 && Command <= ecSetMarker9) {
        if (fBookMarkOpt->EnableKeys()) {
          const int n = Command - ecSetMarker0;
          const TBufferCoord p = Data ? *static_cast<TBufferCoord*>(Data) : fCaretPos;
          if (TSxEditMark* m = Bookmarks(n)) {
            const bool moved = m->Line() != p.Line;
            ClearBookmark(n);
            if (moved) SetBookmark(n, p.Char, p.Line);
          } else {
            SetBookmark(n, p.Char, p.Line);
          }
        }
      }
      break;
  }
}

// ---- caret movement -----------------------------------------------------------------------

void TCustomSxEdit::MoveCaretExtending(const TBufferCoord& Before, const TBufferCoord& After, bool Extend) {
  if (HasOption(eoGroupUndo) && fUndoList->CanUndo()) fUndoList->AddGroupBreak();
  PaintLockGuard lock(this);
  if (Extend) {
    if (!HasSelection()) SetSelBegin(Before);
    SetSelEnd(After);
  } else {
    SetSelBegin(After);
  }
  SetCaretPosInternal(After);
}

void TCustomSxEdit::MoveCaretHorizontally(int DX, bool Extend) {
  if (fWrapPlugin) {
    if (DX > 0 && fCaretAtRowEnd) {
      fCaretAtRowEnd = false;
      UpdateLastCaretColumn();
      UpdateCaret();
      return;
    }
    if (DX <= 0 && !fCaretAtRowEnd && fCaretPos.Char > 1 && CaretDisplayColumn() == 1) {
      fCaretAtRowEnd = true;
      UpdateLastCaretColumn();
      if (fLastCaretColumn > fColumnsInWindow + 1) {
        SetCaretDisplayPos(DisplayCoord(fColumnsInWindow + 1, CaretDisplayRow()));
      } else {
        UpdateCaret();
      }
      return;
    }
  }
  TBufferCoord dest = fCaretPos;
  const int len = LineLength(fCaretPos.Line);
  if (!HasOption(eoScrollPastEol) && DX == -1 && fCaretPos.Char == 1 && fCaretPos.Line > 1) {
    dest = BufferCoord(LineLength(fCaretPos.Line - 1) + 1, fCaretPos.Line - 1);
  } else if (!HasOption(eoScrollPastEol) && DX == 1 && fCaretPos.Char > len && fCaretPos.Line < fLines->Count()) {
    dest = BufferCoord(1, fCaretPos.Line + 1);
  } else {
    dest.Char = std::max(1, fCaretPos.Char + DX);
    if (DX > 0 && !HasOption(eoScrollPastEol)) dest.Char = std::min(dest.Char, len + 1);
  }
  // The anchor is the selection's start, or the caret when nothing is selected.
  MoveCaretExtending(HasSelection() ? fSelBegin : fCaretPos, dest, Extend);
  if (fWrapPlugin && DX > 0 && fCaretPos.Char <= LineLength(fCaretPos.Line)) {
    const TDisplayPoint p = BufferToDisplayPos(fCaretPos);
    if (p.Column == 1 && p.Row != LineToRow(fCaretPos.Line)) {
      fCaretAtRowEnd = true;
      UpdateLastCaretColumn();
    } else if (p.Column > fColumnsInWindow + 1) {
      SetCaretDisplayPos(DisplayCoord(1, p.Row + 1));
    }
  }
}

void TCustomSxEdit::MoveCaretVertically(int DY, bool Extend) {
  const TDisplayPoint p = CaretDisplayPos();
  TDisplayPoint dest{p.Column, p.Row + DY};
  if (DY >= 0) {
    if (RowToLine(dest.Row) > fLines->Count()) dest.Row = std::max(1, DisplayRowCount());
  } else if (dest.Row < 1) {
    dest.Row = 1;
  }
  if (HasOption(eoKeepCaretX) && dest.Row != p.Row) dest.Column = fLastCaretColumn;
  const TBufferCoord target = DisplayToBufferPos(dest);
  const bool stepAside = fMbcsStepAside;
  const int saved = fLastCaretColumn;
  PaintLockGuard lock(this);
  MoveCaretExtending(HasSelection() ? fSelBegin : fCaretPos, target, Extend);
  if (fWrapPlugin) {
    const TDisplayPoint now = BufferToDisplayPos(target);
    fCaretAtRowEnd = now.Column == 1 && now.Row != dest.Row;
  }
  fMbcsStepAside = stepAside;
  fLastCaretColumn = saved;
}

void TCustomSxEdit::GoLineStart(bool Extend) {
  int newChar = 1;
  const String line = LineText();
  if (HasOption(eoEnhanceHomeKey) && LineToRow(fCaretPos.Line) == CaretDisplayRow()) {
    const std::u32string s = Utf8ToUcs4(line);
    int last = static_cast<int>(s.size());
    if (fWrapPlugin) {
      const TDisplayPoint p = CaretDisplayPos();
      last = std::min(last, DisplayToBufferPos(DisplayCoord(fWrapPlugin->GetRowLength(p.Row) + 1, p.Row)).Char - 1);
    }
    int first = 1;
    while (first <= last && Blank(At(s, first))) ++first;
    if (first > last) first = 1;
    newChar = first >= fCaretPos.Char && fCaretPos.Char != 1 ? 1 : first;
  }
  TBufferCoord target{newChar, fCaretPos.Line};
  if (fWrapPlugin)
    target = DisplayToBufferPos(
        DisplayCoord(BufferToDisplayPos(BufferCoord(newChar, fCaretPos.Line)).Column, CaretDisplayRow()));
  MoveCaretExtending(fCaretPos, target, Extend);
}

void TCustomSxEdit::GoLineEnd(bool Extend) {
  const String& line = fLines->LineRef(fCaretPos.Line - 1);
  const int len = LineLength(fCaretPos.Line);
  int target = len + 1;
  bool enhanced = false;
  const int lastRow = fCaretPos.Line < fLines->Count() ? LineToRow(fCaretPos.Line + 1) - 1 : DisplayRowCount();
  if (HasOption(eoEnhanceEndKey) && (!fWrapPlugin || CaretDisplayRow() >= lastRow)) {
    // Blanks and tabs are single bytes: the trailing ones are counted from the end.
    int last = len;
    for (std::size_t i = line.size(); i > 0 && Blank(static_cast<unsigned char>(line[i - 1])); --i) --last;
    target = fCaretPos.Char == last + 1 ? len + 1 : last + 1;
    enhanced = true;
  }
  if (!fWrapPlugin) {
    MoveCaretExtending(fCaretPos, BufferCoord(target, fCaretPos.Line), Extend);
    return;
  }
  const int row = CaretDisplayRow();
  int col =
      enhanced ? BufferToDisplayPos(BufferCoord(target, fCaretPos.Line)).Column : fWrapPlugin->GetRowLength(row) + 1;
  col = std::min(col, fColumnsInWindow + 1);
  const TDisplayPoint dp{col, row};
  MoveCaretExtending(fCaretPos, DisplayToBufferPos(dp), Extend);
  SetCaretDisplayPos(dp);
}

// ---- deleting -----------------------------------------------------------------------------

namespace {
// Whether Upper, Blanks spaces and Lower joined end in a blank that trimming would take.
bool JoinEndsInBlank(const String& Upper, int Blanks, const String& Lower) {
  const String& last = !Lower.empty() || Blanks > 0 ? Lower : Upper;
  if (last.empty()) return Blanks > 0;
  return last.back() == ' ' || last.back() == '\t';
}
}  // namespace

void TCustomSxEdit::DeleteSelectionRecorded() {
  // Recorded first, inside a block so that the change is announced once it is made.
  UndoBlockGuard block(this);
  const String text = GetSelText();
  const TBufferCoord b = fSelBegin, e = fSelEnd;
  const bool forward = b.Line < e.Line || (b.Line == e.Line && b.Char < e.Char);
  fTrimmed.clear();
  RecordSelectionDelete(forward ? chDelete : chDeleteForward, text);
  SetSelTextInMode(String());
  RecordTrimmed();
}

void TCustomSxEdit::DoBackspace() {
  const TBufferCoord p0 = fCaretPos;
  int d = 0;
  String h;
  if (HasSelection()) {
    DeleteSelectionRecorded();
    EnsureCaretVisible();
    return;
  }
  fTrimmed.clear();
  const int len = LineLength(fCaretPos.Line);
  if (fCaretPos.Char >= 2 && fCaretPos.Char <= len + 1) {
    // The character before the caret goes where the line is, when it is no blank of the
    // indentation (the caret right after it unindents) and trimming would take nothing the
    // deletion leaves last.
    const String& cur = fLines->LineRef(fCaretPos.Line - 1);
    const std::size_t at = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char - 1);
    const std::size_t n = static_cast<std::size_t>(SxCharBytes(cur, at));
    const char last = at + n < cur.size() ? cur.back() : at > 0 ? cur[at - 1] : 'x';
    const bool unindents = Blank(static_cast<unsigned char>(cur[at])) && IndentWidth(cur, false) == fCaretPos.Char - 1;
    if (!unindents && (!HasOption(eoTrimTrailingSpaces) || (last != ' ' && last != '\t'))) {
      h = cur.substr(at, n);
      SetCaretChar(fCaretPos.Char - 1);
      fLines->EditLine(fCaretPos.Line - 1, at, n, std::string_view());
      UndoBlockGuard block(this);
      fUndoList->AddChange(chDeleteNoSelect, fCaretPos, p0, h, smNormal);
      RecordTrimmed();
      EnsureCaretVisible();
      return;
    }
  }
  if (fCaretPos.Char == 1 && fCaretPos.Line > 1 && fCaretPos.Line <= fLines->Count() &&
      !(HasOption(eoTrimTrailingSpaces) && JoinEndsInBlank(String(), 0, fLines->LineRef(fCaretPos.Line - 1)))) {
    // Joining with the line above where the longer line is: nothing to trim.
    const int old = fCaretPos.Line;
    SetCaretLine(old - 1);
    SetCaretChar(LineLength(old - 1) + 1);
    fLines->JoinLines(old - 2);
    ShiftMarksDeleted(old, 1);
    UndoBlockGuard block(this);
    fUndoList->AddChange(chDeleteNoSelect, fCaretPos, p0, "\r\n", smNormal);
    EnsureCaretVisible();
    return;
  }
  String t = LineText();
  auto indentOfLineAbove = [&](int below, bool expand) {
    for (int l = fCaretPos.Line - 1; l >= 1; --l) {
      const int s = IndentWidth(LineAt(l), expand);
      if (s < below) return s == below ? 0 : s;
    }
    return 0;
  };
  if (fCaretPos.Char > len + 1) {
    if (HasOption(eoSmartTabDelete) && len == 0) {
      int s = indentOfLineAbove(fCaretPos.Char - 1, HasOption(eoTrimTrailingSpaces));
      if (s == fCaretPos.Char - 1) s = 0;
      fCaretPos.Char = s + 1;
      UpdateLastCaretColumn();
      fStateFlags |= stCaretPending;
      StatusChanged(scCaretX);
    } else if (HasOption(eoSmartTabDelete)) {
      SetCaretChar(len + 1);
    } else {
      SetCaretChar(fCaretPos.Char - 1);
    }
  } else if (fCaretPos.Char == 1) {
    if (fCaretPos.Line == 1) return;
    const int old = fCaretPos.Line;
    SetCaretLine(old - 1);
    SetCaretChar(LineLength(old - 1) + 1);
    fLines->Delete(old - 1);
    ShiftMarksDeleted(old, 1);
    // Blanks the joined line ends in are trimmed and recorded, for undo to give them back.
    SetLineTrimmed(fCaretPos.Line - 1, LineText() + t);
    h = "\r\n";
  } else {
    const int n = IndentWidth(t, false);
    const std::size_t before = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char - 1);
    if (before < t.size() && Blank(static_cast<unsigned char>(t[before])) && fCaretPos.Char == n + 1 && n > 0) {
      int k;
      if (HasOption(eoSmartTabDelete)) {
        int sIndent = 0;
        for (int l = fCaretPos.Line - 1; l >= 1; --l) {
          const int w = IndentWidth(LineAt(l), false);
          if (w < n) {
            sIndent = w;
            break;
          }
        }
        k = n - sIndent;
        h = Head(t, k);
        t = Sub(t, k + 1);
      } else {
        const int col = CaretDisplayColumn();
        int tt = (col - 1) % fTabWidth;
        if (tt == 0) tt = fTabWidth;
        const std::u32string e = Utf8ToUcs4(fLines->ExpandedString(fCaretPos.Line - 1));
        k = 0;
        int cell = col - tt;
        while (k < fTabWidth && k < tt && At(e, cell + k) != '\t') ++k;
        if (cell + k <= static_cast<int>(e.size()) && At(e, cell + k) == '\t') ++k;
        k = std::min(k, n);
        if (k == n) {
          h = Head(t, k);
          t = Sub(t, k + 1);
        } else {
          h = Sub(t, n - k + 1, k);
          t = Head(t, n - k) + Sub(t, n + 1);
        }
      }
      SetLineTrimmed(fCaretPos.Line - 1, t);
      fCaretPos.Char -= k;
      UpdateLastCaretColumn();
      fStateFlags |= stCaretPending;
      StatusChanged(scCaretX);
    } else {
      SetCaretChar(fCaretPos.Char - 1);
      if (HasOption(eoTrimTrailingSpaces) && fLines->ExpandedLength(fCaretPos.Line - 1) != len)
        d = fLines->CharToColumn(fCaretPos.Line - 1, fCaretPos.Char);
      const std::size_t at = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char);
      const std::size_t bytes = static_cast<std::size_t>(SxCharBytes(t, at));
      h = t.substr(at, bytes);
      t.erase(at, bytes);
      const std::size_t size = t.size();
      SetLineTrimmed(fCaretPos.Line - 1, std::move(t));
      if (d != 0) {
        // The stored line is t, or t without its trailing blanks.
        if (fLines->LineRef(fCaretPos.Line - 1).size() == size)
          d = 0;
        else
          d -= fLines->CharToColumn(fCaretPos.Line - 1, fCaretPos.Char);
      }
    }
  }
  if (!(fCaretPos == p0)) {
    UndoBlockGuard block(this);
    fUndoList->AddChange(chDeleteNoSelect, fCaretPos, p0, h, smNormal);
    if (d != 0) {
      OptionOn on(fOptions, eoScrollPastEol);
      SetCaretChar(fCaretPos.Char + d);
    }
    RecordTrimmed();
  }
  EnsureCaretVisible();
}

void TCustomSxEdit::DoDeleteChar() {
  if (HasSelection()) {
    DeleteSelectionRecorded();
    return;
  }
  UpdateLastCaretColumn();
  fTrimmed.clear();
  const int len = LineLength(fCaretPos.Line);
  if (fCaretPos.Char <= len) {
    // The line changes where it is, unless trimming would take blanks the deletion leaves last.
    const String& cur = fLines->LineRef(fCaretPos.Line - 1);
    const std::size_t at = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char);
    const std::size_t n = static_cast<std::size_t>(SxCharBytes(cur, at));
    const char last = at + n < cur.size() ? cur.back() : at > 0 ? cur[at - 1] : 'x';
    if (!HasOption(eoTrimTrailingSpaces) || (last != ' ' && last != '\t')) {
      const String h = cur.substr(at, n);
      fLines->EditLine(fCaretPos.Line - 1, at, n, std::string_view());
      UndoBlockGuard block(this);
      fUndoList->AddChange(chDeleteForwardNoSelect, fCaretPos, BufferCoord(fCaretPos.Char + 1, fCaretPos.Line), h,
                           smNormal);
      RecordTrimmed();
      return;
    }
  }
  if (fCaretPos.Char > len && fCaretPos.Line < fLines->Count() &&
      !(HasOption(eoTrimTrailingSpaces) && JoinEndsInBlank(fLines->LineRef(fCaretPos.Line - 1), fCaretPos.Char - len - 1, fLines->LineRef(fCaretPos.Line)))) {
    // Joining with the line below where the longer line is: nothing to trim.
    UndoBlockGuard block(this);
    // The blanks that carry the next line to the caret's column are part of the step.
    if (fCaretPos.Char > len + 1)
      fUndoList->AddChange(chInsert, BufferCoord(len + 1, fCaretPos.Line), fCaretPos, String(), smNormal);
    fLines->JoinLines(fCaretPos.Line - 1, String(static_cast<std::size_t>(fCaretPos.Char - len - 1), ' '));
    ShiftMarksDeleted(fCaretPos.Line + 1, 1);
    fUndoList->AddChange(chDeleteForwardNoSelect, fCaretPos, BufferCoord(1, fCaretPos.Line + 1), "\r\n", smNormal);
    return;
  }
  String t = LineText();
  TBufferCoord end;
  String h;
  if (fCaretPos.Char <= len) {
    const std::size_t at = fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char);
    const std::size_t n = static_cast<std::size_t>(SxCharBytes(t, at));
    h = t.substr(at, n);
    t.erase(at, n);
    SetLineTrimmed(fCaretPos.Line - 1, std::move(t));
    end = BufferCoord(fCaretPos.Char + 1, fCaretPos.Line);
  } else if (fCaretPos.Line < fLines->Count()) {
    const String joined =
        t + String(static_cast<std::size_t>(fCaretPos.Char - len - 1), ' ') + LineAt(fCaretPos.Line + 1);
    UndoBlockGuard block(this);
    // The blanks that carry the next line to the caret's column are part of the step.
    if (fCaretPos.Char > len + 1)
      fUndoList->AddChange(chInsert, BufferCoord(len + 1, fCaretPos.Line), fCaretPos, String(), smNormal);
    fLines->BeginUpdate();
    SetLineTrimmed(fCaretPos.Line - 1, joined);
    fLines->Delete(fCaretPos.Line);
    fLines->EndUpdate();
    ShiftMarksDeleted(fCaretPos.Line + 1, 1);
    fUndoList->AddChange(chDeleteForwardNoSelect, fCaretPos, BufferCoord(1, fCaretPos.Line + 1), "\r\n", smNormal);
    RecordTrimmed();
    return;
  } else {
    return;
  }
  UndoBlockGuard block(this);
  fUndoList->AddChange(chDeleteForwardNoSelect, fCaretPos, end, h, smNormal);
  RecordTrimmed();
}

void TCustomSxEdit::DoDeleteWordOrEol(TSxEditorCommand Command) {
  const String t = LineText();
  const int len = Len(t);
  TBufferCoord w;
  if (Command == ecDeleteEOL) {
    w = BufferCoord(len + 1, fCaretPos.Line);
  } else {
    w = CaretWordEnd();
    std::u32string x = Utf8ToUcs4(t);
    if (w.Char < fCaretPos.Char || (w.Char == fCaretPos.Char && fCaretPos.Line < fLines->Count())) {
      if (w.Char > len) {
        if (fCaretPos.Line >= fLines->Count()) return;
        w = BufferCoord(1, fCaretPos.Line + 1);
        x = Utf8ToUcs4(LineAt(w.Line));
      } else if (At(x, w.Char) != ' ') {
        ++w.Char;
      }
    }
    while (w.Char <= static_cast<int>(x.size()) && Blank(At(x, w.Char))) ++w.Char;
  }
  const TBufferCoord caret = fCaretPos;
  if (w.Line == caret.Line && w.Char <= caret.Char) return;  // nothing after the caret
  UndoBlockGuard block(this);
  if (caret.Char > len + 1) {
    // The joined text starts at the caret's column: the blanks that carry it there are part
    // of the step, so undo and redo see them.
    fLines->Put(caret.Line - 1, t + String(static_cast<std::size_t>(caret.Char - len - 1), ' '));
    fUndoList->AddChange(chInsert, BufferCoord(len + 1, caret.Line), caret, String(), smNormal);
  }
  SetSelBegin(caret);
  SetSelEnd(w);
  SetActiveSelMode(smNormal);
  const String h = GetSelText();
  fTrimmed.clear();
  SetSelTextInMode(String());
  fUndoList->AddChange(chDeleteForwardNoSelect, caret, w, h, smNormal);
  SetCaretPosInternal(caret);
  RecordTrimmed();
}

void TCustomSxEdit::DoDeleteLastWordOrBol(TSxEditorCommand Command) {
  const TBufferCoord p0 = fCaretPos;
  const TBufferCoord w = Command == ecDeleteLastWord ? PrevWordStart() : BufferCoord(1, fCaretPos.Line);
  if (w == fCaretPos) return;
  SetSelBegin(fCaretPos);
  SetSelEnd(w);
  SetActiveSelMode(smNormal);
  const String h = GetSelText();
  UndoBlockGuard block(this);
  fTrimmed.clear();
  SetSelTextInMode(String());
  fUndoList->AddChange(chDeleteNoSelect, w, p0, h, smNormal);
  SetCaretPosInternal(w);
  RecordTrimmed();
}

void TCustomSxEdit::DoDeleteLine() {
  if (fLines->Count() == 0) return;
  if (fCaretPos.Line >= fLines->Count() && LineText().empty()) return;
  FirePaintTransient(ttBefore);
  if (HasSelection()) SetSelBegin(fCaretPos);
  const String h = LineText();
  const int line = fCaretPos.Line;
  if (line >= fLines->Count()) {
    fLines->Put(line - 1, String());
    fUndoList->AddChange(chDeleteForwardNoSelect, BufferCoord(1, line), BufferCoord(Len(h) + 1, line), h, smNormal);
  } else {
    fLines->Delete(line - 1);
    fUndoList->AddChange(chDeleteForwardNoSelect, BufferCoord(1, line), BufferCoord(1, line + 1), h + "\r\n", smNormal);
    ShiftMarksDeleted(line, 1);
  }
  SetCaretPosInternal(BufferCoord(1, line));
}

// ---- line breaks and typing ---------------------------------------------------------------

namespace {
// A break's record keeps no copy of the text it moved: the moved text is the next line's,
// whose start Inserted (an indent) took the place of Removed (blanks that trimming took off the
// first part). Undo joins the lines where they are; redo breaks again at the record's place.
void NoteBreakEdit(TSxEditUndoList& List, int Line, String Removed, String Inserted) {
  if (List.IsLocked() || !List.PeekItem() || List.PeekItem()->ChangeReason != chLineBreak) return;
  List.PeekItem()->LineEdits = {TSxLineEdit{Line, 1, std::move(Removed), std::move(Inserted)}};
}
}  // namespace

bool TCustomSxEdit::SplitInPlace(bool MoveCaret) {
  // The caret inside the line's text: the line breaks where it is, the longer part keeping its
  // record, index and scan.
  const int l = fCaretPos.Line;
  const String& line = fLines->LineRef(l - 1);
  const std::size_t cut = fLines->CharOffset(l - 1, fCaretPos.Char);
  // Blanks that trimming takes from the end of the first part go with the rest.
  std::size_t at = cut;
  if (HasOption(eoTrimTrailingSpaces))
    while (at > 0 && (line[at - 1] == ' ' || line[at - 1] == '\t')) --at;
  if (at == 0) return false;
  // The indent of the first part (read only as far as its leading blanks go).
  const String indent = MakeIndent(IndentWidth(std::string_view(line).substr(0, cut), true), true);
  const String trimmed = line.substr(at, cut - at);
  const int kept = fCaretPos.Char - 1 - static_cast<int>(cut - at);
  // Broken at the caret, the blanks then cut off the first part's end: neither part moves for them.
  fLines->SplitLine(l - 1, cut);
  if (cut > at) fLines->EditLine(l - 1, at, cut - at, std::string_view());
  if (!indent.empty()) fLines->EditLine(l, 0, 0, indent);
  if (cut > at) {
    fTrimmed.assign(1, TSxLineEdit{l, kept + 1, trimmed, String()});
    fUndoList->AddChange(chLineBreak, BufferCoord(kept + 1, l), BufferCoord(kept + 1, l), String(), smNormal);
    if (!fUndoList->IsLocked()) fUndoList->PeekItem()->ChangeCaretPos = fCaretPos;
  } else {
    fUndoList->AddChange(chLineBreak, fCaretPos, fCaretPos, String(), smNormal);
  }
  NoteBreakEdit(*fUndoList, l + 1, trimmed, indent);
  if (MoveCaret) SetCaretPosInternal(BufferCoord(static_cast<int>(indent.size()) + 1, l + 1));
  return true;
}

void TCustomSxEdit::DoLineBreak(bool MoveCaret) {
  UndoBlockGuard block(this);
  if (HasSelection()) {
    const String h = GetSelText();
    fTrimmed.clear();
    RecordSelectionDelete(chDelete, h);
    SetSelTextInMode(String());
    RecordTrimmed();
  }
  const TBufferCoord p0 = fCaretPos;
  const int len = LineLength(fCaretPos.Line);
  const int l = fCaretPos.Line;
  const bool atCol1 = fCaretPos.Char == 1;
  fLines->BeginUpdate();
  try {
    if (len > 0 && fCaretPos.Char > 1 && fCaretPos.Char <= len && SplitInPlace(MoveCaret)) {
      // Broken where it stands.
    } else if (len == 0) {
      if (fLines->Count() == 0) fLines->Add(String());
      int s = 0;
      if (HasOption(eoAutoIndent))
        for (int k = l; k >= 1; --k)
          if (!LineAt(k).empty()) {
            s = IndentWidth(LineAt(k), true);
            break;
          }
      fLines->Insert(l - 1, String());
      fUndoList->AddChange(chLineBreak, fCaretPos, fCaretPos, String(), smNormal);
      if (MoveCaret) {
        SetCaretChar(s + 1);
        SetCaretLine(l + 1);
      }
    } else if (fCaretPos.Char > len) {
      const String t = LineText();
      const int s = HasOption(eoAutoIndent) ? IndentWidth(t, false) : 0;
      fLines->Insert(l, String());
      if (MoveCaret) {
        if (s > 0) fLines->Put(l, Head(t, s));
        SetCaretPosInternal(BufferCoord(s + 1, l + 1));
      }
      fUndoList->AddChange(chLineBreak, p0, p0, String(), smNormal);
    } else if (fCaretPos.Char == 1) {
      fLines->Insert(l - 1, String());
      fUndoList->AddChange(chLineBreak, fCaretPos, fCaretPos, String(), smNormal);
      NoteBreakEdit(*fUndoList, l + 1, String(), String());
      if (MoveCaret) SetCaretLine(l + 1);
    } else {
      const String t = LineText();
      const String left = Head(t, fCaretPos.Char - 1), right = Sub(t, fCaretPos.Char);
      const int w = IndentWidth(left, true);
      const String indent = MakeIndent(w, true);
      fLines->Insert(l, indent + right);
      SetLineTrimmed(l - 1, left);
      // Blanks that trimming took from the end of the first part are recorded as moved with
      // the rest, so that undo puts them back as they were (a tab stays a tab).
      const int kept = Len(LineAt(l));
      if (kept < Len(left)) {
        fUndoList->AddChange(chLineBreak, BufferCoord(kept + 1, l), BufferCoord(kept + 1, l), String(), smNormal);
        if (!fUndoList->IsLocked()) fUndoList->PeekItem()->ChangeCaretPos = p0;
      } else
        fUndoList->AddChange(chLineBreak, fCaretPos, fCaretPos, String(), smNormal);
      NoteBreakEdit(*fUndoList, l + 1, Sub(left, kept + 1), indent);
      if (MoveCaret) SetCaretPosInternal(BufferCoord(Len(indent) + 1, l + 1));
    }
  } catch (...) {
    fLines->EndUpdate();
    throw;
  }
  fLines->EndUpdate();
  // A break that moved the caret records where it went, so that redo replays the same
  // command (Enter or the line opened above the caret).
  if (MoveCaret)
    if (TSxEditUndoItem* item = fUndoList->PeekItem(); item && item->ChangeReason == chLineBreak)
      item->ChangeEndPos = fCaretPos;
  ShiftMarksInserted(l + 1 - (atCol1 ? 1 : 0), 1);
  SetSelBegin(fCaretPos);
  SetSelEnd(fCaretPos);
  EnsureCaretVisible();
  UpdateLastCaretColumn();
}

void TCustomSxEdit::DoTypeChar(char32_t C) {
  if (C < 32 || C == 127) return;
  const String cs = Utf8Encode(C);
  fTrimmed.clear();
  if (HasSelection()) {
    UndoBlockGuard block(this);
    const String h = GetSelText();
    TBufferCoord start = BlockFirst();
    if (fActiveSelMode == smLine) start.Char = 1;
    RecordSelectionDelete(chDelete, h);
    SetSelTextInMode(cs);
    if (fActiveSelMode != smColumn) RecordInsertion(chInsert, start);
    return;
  }
  const TBufferCoord p0 = fCaretPos;
  const int len = LineLength(fCaretPos.Line);
  if (fInsertMode && fCaretPos.Char <= len && C != ' ' && C != '\t') {
    // Inside the line's text: the line changes where it is, without a copy. A line that ends
    // in blanks goes the long way, which trims them.
    const String& cur = fLines->LineRef(fCaretPos.Line - 1);
    if (!HasOption(eoTrimTrailingSpaces) || (cur.back() != ' ' && cur.back() != '\t')) {
      OptionOn on(fOptions, eoScrollPastEol);
      fLines->EditLine(fCaretPos.Line - 1, fLines->CharOffset(fCaretPos.Line - 1, fCaretPos.Char), 0, cs);
      SetCaretChar(fCaretPos.Char + 1);
      fUndoList->AddChange(chInsert, p0, fCaretPos, String(), smNormal);
      if (fCaretPos.Char >= fLeftColumn + fColumnsInWindow && fColumnsInWindow > 0)
        SetLeftColumn(fLeftColumn + std::min(fColumnsInWindow - 1, 25));
      return;
    }
  }
  String t = LineText();
  // Past the line's end there is nothing to overwrite: the character is added as in insert
  // mode, with its fill, so that undo removes exactly what was added.
  const bool insert = fInsertMode || fCaretPos.Char > len;
  String fillText;
  if (fCaretPos.Char > len + 1) {
    const int need = fCaretPos.Char - len - 1;
    fillText = len == 0 ? MakeIndent(need, true) : String(static_cast<std::size_t>(need), ' ');
    t += fillText;
  }
  const int p = Len(fillText);
  OptionOn on(fOptions, eoScrollPastEol);
  if (insert) {
    if (!fWrapPlugin && !HasOption(eoAutoSizeMaxScrollWidth) &&
        fCaretPos.Char > std::max(fMaxScrollWidth, fLines->LengthOfLongestLine() + 1))
      return;
    const int at = p > 0 ? len + p + 1 : fCaretPos.Char;  // with fill, C goes after it
    const bool lineWasEmpty = len == 0;
    t.insert(p > 0 ? t.size() : fLines->CharOffset(fCaretPos.Line - 1, at), cs);
    int newChar;
    const bool blankTyped = C == ' ' || C == '\t';
    if (fLines->Count() == 0) fLines->Add(String());
    // A line of blanks only is stored empty (trimmed): the caret goes after the blanks.
    const bool blanksOnly = t.find_first_not_of(" \t") == String::npos;
    if (HasOption(eoTrimTrailingSpaces) && blankTyped && blanksOnly)
      newChar = GetExpandedLength(t, fTabWidth) + 1;
    else if (!lineWasEmpty)
      newChar = fCaretPos.Char + 1;
    else
      newChar = Len(t) + 1;
    SetLineTrimmed(fCaretPos.Line - 1, std::move(t));
    const TBufferCoord cPos{at, fCaretPos.Line};
    SetCaretChar(p > 0 ? at + 1 : newChar);
    if (p == 0 && fTrimmed.empty()) {
      fUndoList->AddChange(chInsert, p0, fCaretPos, String(), smNormal);
    } else {
      // With the fill, and the blanks trimming took from the line's end for undo to give back.
      UndoBlockGuard block(this);
      if (p > 0) fUndoList->AddChange(chPadding, cPos, BufferCoord(len + 1, fCaretPos.Line), String(), smNormal);
      fUndoList->AddChange(chInsert, p > 0 ? cPos : p0, fCaretPos, String(), smNormal);
      RecordTrimmed();
    }
  } else {
    if (fLines->Count() == 0) fLines->Add(String());
    const String h = Sub(t, fCaretPos.Char, 1);
    t = Head(t, fCaretPos.Char - 1) + cs + Sub(t, fCaretPos.Char + 1);
    SetLineTrimmed(fCaretPos.Line - 1, t);
    // Overwriting is recorded as the removal and the insertion it is, so that redo replaces
    // the character again instead of inserting before it.
    UndoBlockGuard block(this);
    fUndoList->AddChange(chDeleteForwardNoSelect, p0, BufferCoord(p0.Char + 1, p0.Line), h, smNormal);
    fUndoList->AddChange(chInsert, p0, BufferCoord(fCaretPos.Char + 1, fCaretPos.Line), String(), smNormal);
    SetCaretChar(fCaretPos.Char + 1);
    RecordTrimmed();
  }
  if (fCaretPos.Char >= fLeftColumn + fColumnsInWindow && fColumnsInWindow > 0)
    SetLeftColumn(fLeftColumn + std::min(fColumnsInWindow - 1, 25));
}

void TCustomSxEdit::DoImeStr(const String& S) {
  if (S.empty()) return;
  fTrimmed.clear();
  if (HasSelection()) {
    {
      UndoBlockGuard block(this);
      const String h = GetSelText();
      TBufferCoord start = BlockFirst();
      if (fActiveSelMode == smLine) start.Char = 1;
      RecordSelectionDelete(chDelete, h);
      SetSelTextInMode(S);
      if (fActiveSelMode != smColumn) RecordInsertion(chInsert, start);
    }
    InvalidateGutter();
    return;
  }
  String t = LineText();
  const int n = Len(S);
  const int len = Len(t);
  // Past the line's end the string is added, its padding with it, as one recorded insertion.
  const bool insert = fInsertMode || fCaretPos.Char > len;
  if (len < fCaretPos.Char - 1) t.append(static_cast<std::size_t>(fCaretPos.Char - 1 - len), ' ');
  OptionOn on(fOptions, eoScrollPastEol);
  const TBufferCoord start{std::min(fCaretPos.Char, len + 1), fCaretPos.Line};
  String h;
  if (!insert) {
    h = Sub(t, fCaretPos.Char, n);
    t = Head(t, fCaretPos.Char - 1) + Sub(t, fCaretPos.Char + n);
  }
  t = Head(t, fCaretPos.Char - 1) + S + Sub(t, fCaretPos.Char);
  if (fLines->Count() == 0) fLines->Add(String());
  SetLineTrimmed(fCaretPos.Line - 1, t);
  SetCaretChar(fCaretPos.Char + n);
  UndoBlockGuard block(this);
  if (!insert && !h.empty())
    fUndoList->AddChange(chDeleteForwardNoSelect, start, BufferCoord(start.Char + Len(h), start.Line), h, smNormal);
  fUndoList->AddChange(chInsert, start, fCaretPos, String(), smNormal);
  RecordTrimmed();
  if (fCaretPos.Char >= fLeftColumn + fColumnsInWindow && fColumnsInWindow > 0)
    SetLeftColumn(fLeftColumn + std::min(fColumnsInWindow - 1, 25));
}

// ---- tabs, indentation, case ----------------------------------------------------------------

void TCustomSxEdit::InsertTab() {
  if (HasOption(eoTabIndent) && (IsSelMultiLine() || SelSpansWholeLines())) {
    const bool whole = SelSpansWholeLines();
    IndentBlock();
    if (whole) {
      if (fSelBegin.Char < fSelEnd.Char)
        fSelBegin.Char = 1;
      else
        fSelEnd.Char = 1;
    }
    return;
  }
  int n = 0;
  int targetCol = 0;
  bool hasTarget = false;
  const int c = CaretDisplayColumn();
  if (HasOption(eoSmartTabs) && fCaretPos.Line >= 2 && fCaretPos.Line <= fLines->Count()) {
    for (int l = fCaretPos.Line - 1; l >= 1; --l) {
      const int m = DisplayToBufferPos(DisplayCoord(c, LineToRow(l))).Char;
      const std::u32string s = Utf8ToUcs4(LineAt(l));
      if (static_cast<int>(s.size()) >= m) {
        int k = m;
        while (k <= static_cast<int>(s.size()) && !Blank(At(s, k))) ++k;
        while (k <= static_cast<int>(s.size()) && Blank(At(s, k))) ++k;
        n = k - m;
        hasTarget = true;
        targetCol = BufferToDisplayPos(BufferCoord(m + n, l)).Column;
        break;
      }
    }
  }
  UndoBlockGuard block(this);
  if (HasSelection()) {
    fTrimmed.clear();
    RecordSelectionDelete(chDelete, GetSelText());
    SetSelTextInMode(String());
    RecordTrimmed();
  }
  const TBufferCoord start = fCaretPos;
  fActiveSelMode = smNormal;  // the tab goes in at the caret, whatever mode new selections take
  if (n == 0) n = HasOption(eoTabsToSpaces) ? fTabWidth - (start.Char - 1) % fTabWidth : fTabWidth;
  String text;
  int newChar;
  const String line = LineText();
  if (HasOption(eoTabsToSpaces)) {
    text = String(static_cast<std::size_t>(n), ' ');
    newChar = start.Char + n;
  } else if (HasOption(eoTrimTrailingSpaces) && start.Char > Len(line)) {
    const int to = hasTarget ? targetCol : c + fTabWidth - (c - 1) % fTabWidth;
    newChar = start.Char + (to - c);
  } else {
    if (hasTarget) {
      bool textBefore = false;
      for (unsigned char ch : Head(line, start.Char - 1))
        if (ch > 32) textBefore = true;
      int tabs = 1, blanks = 0;
      if (!textBefore) {
        int g = targetCol - c;
        const int toStop = fTabWidth - (c - 1) % fTabWidth;
        tabs = 0;
        if (g >= toStop) {
          ++tabs;
          g -= toStop;
        }
        tabs += std::max(g, 0) / fTabWidth;
        blanks = std::max(g, 0) % fTabWidth;
      }
      text = String(static_cast<std::size_t>(tabs), '\t') + String(static_cast<std::size_t>(blanks), ' ');
    } else {
      text = String(1, '\t');
    }
    newChar = start.Char + (HasOption(eoTrimTrailingSpaces) && TrimTrailingBlanks(line).empty()
                                ? GetExpandedLength(text, fTabWidth)
                                : Len(text));
  }
  if (!text.empty()) {
    SetSelTextInMode(text);
    if (fActiveSelMode != smColumn) RecordInsertion(chInsert, start);
  }
  OptionOn on(fOptions, eoScrollPastEol);
  SetCaretChar(newChar);
  EnsureCaretVisible();
}

void TCustomSxEdit::RemoveTab() {
  if (HasOption(eoTabIndent) && (IsSelMultiLine() || SelSpansWholeLines())) {
    UnindentBlock();
    return;
  }
  int x = fCaretPos.Char;
  if (HasOption(eoSmartTabs) && x > 1 && fCaretPos.Line >= 2 && fCaretPos.Line <= fLines->Count()) {
    for (int l = fCaretPos.Line - 1; l >= 1; --l) {
      const std::u32string s = Utf8ToUcs4(LineAt(l));
      if (static_cast<int>(s.size()) >= x - 1) {
        int k = x - 1;
        while (k > 1 && Blank(At(s, k))) --k;
        while (k > 1 && !Blank(At(s, k - 1))) --k;
        // Only blanks and tabs between that word and the caret are removed.
        const std::u32string own = Utf8ToUcs4(LineText());
        bool blanks = true;
        for (int i = std::max(k, 1); i < fCaretPos.Char && i <= static_cast<int>(own.size()); ++i)
          if (!Blank(At(own, i))) blanks = false;
        if (blanks) x = std::max(k, 1);
        break;
      }
    }
  }
  const String t = LineText();
  const std::u32string s = Utf8ToUcs4(t);
  if (x == fCaretPos.Char) {
    const int p = std::max(((fCaretPos.Char - 2) / fTabWidth) * fTabWidth + 1, 1);
    // Also at the line end only blanks or one tab go: text before the caret is never removed;
    // when there are none, the caret just moves back to the tab stop.
    if (p < x && At(s, fCaretPos.Char - 1) == '\t') {
      x = fCaretPos.Char - 1;
    } else {
      while (x > p && At(s, x - 1) == ' ') --x;
    }
    if (x == fCaretPos.Char && fCaretPos.Char > static_cast<int>(s.size()) && p < fCaretPos.Char) {
      SetCaretChar(p);
      return;
    }
  }
  if (x == fCaretPos.Char || x < 1) return;
  const TBufferCoord before = fCaretPos;
  if (x > static_cast<int>(s.size())) {
    // Only virtual space lies between: the caret just moves.
    SetCaretChar(x);
    return;
  }
  SetSelBegin(BufferCoord(x, fCaretPos.Line));
  SetSelEnd(before);
  SetActiveSelMode(smNormal);
  const String h = GetSelText();
  UndoBlockGuard block(this);
  fTrimmed.clear();
  SetSelTextInMode(String());
  fUndoList->AddChange(chDeleteNoSelect, BufferCoord(x, before.Line), before, h, smNormal);
  SetCaretChar(x);
  RecordTrimmed();
}

int TCustomSxEdit::UnindentPieceLength(const String& Text) const {
  if (!Text.empty() && Text[0] == '\t') return 1;
  int n = 0;
  while (n < static_cast<int>(Text.size()) && n < fTabWidth && Text[static_cast<std::size_t>(n)] == ' ') ++n;
  if (n < fTabWidth && n < static_cast<int>(Text.size()) && Text[static_cast<std::size_t>(n)] == '\t') ++n;
  return n;
}

void TCustomSxEdit::IndentBlock() {
  if (!HasSelection()) return;
  TBufferCoord bb = BlockFirst(), be = BlockLast();
  const TSxSelectionMode mode = fActiveSelMode;
  const int e = be.Char == 1 ? be.Line - 1 : be.Line;
  const String unit = HasOption(eoTabsToSpaces) ? String(static_cast<std::size_t>(fTabWidth), ' ') : String("\t");
  const int u = Len(unit);
  const int x = be.Char == 1 ? 1 : fCaretPos.Char + (HasOption(eoTabsToSpaces) ? fTabWidth : 1);
  String block;
  block.reserve(static_cast<std::size_t>(std::max(e - bb.Line + 1, 0)) * (unit.size() + 2));
  for (int l = bb.Line; l <= e; ++l) {
    block += unit;
    if (l < e) block += "\r\n";
  }
  // Caret and selection before and after are part of the step: the rows' replay moves both.
  UndoBlockGuard whole(this);
  RecordCaretAndSelection(false);
  try {
    UndoBlockGuard undo(this);
    const int col = mode == smColumn ? std::min(bb.Char, be.Char) : 1;
    InsertColumnBlock(BufferCoord(col, bb.Line), BufferCoord(col, bb.Line), block, true);
    fUndoList->AddChange(chIndent, bb, be, String(), smColumn);
    fUndoList->AddChange(chIndent, BufferCoord(bb.Char + u, bb.Line), BufferCoord(be.Char + u, be.Line), String(),
                         smColumn);
  } catch (...) {
    if (be.Char > 1) be.Char += u;
    PlaceCaretAndSelection(BufferCoord(x, fCaretPos.Line), BufferCoord(bb.Char + u, bb.Line), be);
    fActiveSelMode = mode;
    throw;
  }
  if (be.Char > 1) be.Char += u;
  const int caretLine = fCaretPos.Line;
  fActiveSelMode = mode;
  fSelectionMode = fSelectionMode;
  PlaceCaretAndSelection(BufferCoord(x, caretLine > e && be.Char == 1 ? be.Line : std::min(caretLine, be.Line)),
                         BufferCoord(bb.Char + u, bb.Line), be);
  fActiveSelMode = mode;
  RecordCaretAndSelection(true);
}

void TCustomSxEdit::UnindentBlock() {
  if (!HasSelection()) return;
  const TBufferCoord bb = BlockFirst(), be = BlockLast();
  const TSxSelectionMode mode = fActiveSelMode;
  const int e = be.Char == 1 ? be.Line - 1 : be.Line;
  int x = fCaretPos.Char;
  std::vector<int> k;
  String pieces;
  bool something = false;
  UndoBlockGuard whole(this);
  for (int l = bb.Line; l <= e; ++l) {
    const String line = LineAt(l);
    const int from = mode == smColumn ? std::min({bb.Char - 1, be.Char - 1, Len(line)}) : 0;
    const String examined = Sub(line, from + 1);
    const int n = UnindentPieceLength(examined);
    k.push_back(n);
    if (!examined.empty() && (examined[0] == '\t' || examined[0] == ' ')) something = true;
    pieces += Head(examined, n);
    if (l < e) pieces += "\r\n";
    if (l == fCaretPos.Line && x != 1) x -= n;
  }
  if (something) {
    // Caret and selection before and after are part of the step, as for a block indent.
    RecordCaretAndSelection(false);
    const int r = mode == smColumn ? std::min(bb.Char, be.Char) : 1;
    std::vector<TSxLineEdit> edits;
    fLines->BeginUpdate();
    for (int l = bb.Line; l <= e; ++l) {
      const int n = k[static_cast<std::size_t>(l - bb.Line)];
      if (n == 0) continue;
      const String line = LineAt(l);
      edits.push_back(TSxLineEdit{l, r, Sub(line, r, n), String()});
      fLines->Put(l - 1, Head(line, r - 1) + Sub(line, r + n));
    }
    fLines->EndUpdate();
    fUndoList->AddChange(chUnindent, bb, be, pieces, mode);
    // The exact removals go with the record: putting the pieces back by display column would
    // miss where tabs stand before the block.
    if (!fUndoList->IsLocked() && fUndoList->PeekItem()) fUndoList->PeekItem()->LineEdits = std::move(edits);
  }
  const int kFirst = k.empty() ? 0 : k.front();
  const int kLast = k.empty() || be.Line > e ? 0 : k.back();
  if (mode == smColumn)
    PlaceCaretAndSelection(fCaretPos, bb, be);
  else
    PlaceCaretAndSelection(BufferCoord(std::max(x, 1), fCaretPos.Line),
                           BufferCoord(std::max(bb.Char - kFirst, 1), bb.Line),
                           BufferCoord(std::max(be.Char - kLast, 1), be.Line));
  fActiveSelMode = mode;
  if (something) RecordCaretAndSelection(true);
}

String TCustomSxEdit::ToggleCaseText(const String& Text) {
  String out;
  out.reserve(Text.size());
  std::size_t pos = 0;
  while (pos < Text.size()) {
    const std::size_t start = pos;
    const char32_t c = Utf8Decode(Text, pos);
    if (pos == start) ++pos;
    const char32_t up = UnicodeUpper(c);
    Utf8Append(out, c == up ? UnicodeLower(c) : up);
  }
  return out;
}

void TCustomSxEdit::ChangeCase(TSxEditorCommand Cmd) {
  const bool hadSel = HasSelection();
  const TBufferCoord s1 = BlockFirst(), s2 = BlockLast(), p0 = fCaretPos;
  const bool word = Cmd == ecUpperCase || Cmd == ecLowerCase || Cmd == ecToggleCase || Cmd == ecTitleCase;
  auto finish = [&]() {
    if (!word && hadSel) {
      SetSelBegin(s1);
      SetSelEnd(s2);
    }
    if (hadSel || word) PlaceCaret(p0);
  };
  try {
    if (word) {
      SelectWordAt(fCaretPos);
      for (int tries = 0; tries < 2 && !HasSelection(); ++tries) {
        SetCaretPosInternal(PrevWordStart());
        SelectWordAt(fCaretPos);
      }
    } else if (!hadSel) {
      if (fCaretPos.Char > LineLength(fCaretPos.Line)) {
        if (fCaretPos.Line < fLines->Count()) SetCaretPosInternal(BufferCoord(1, fCaretPos.Line + 1));
        return;
      }
      MoveCaretHorizontally(1, true);
    }
    const String w = GetSelText();
    if (!w.empty()) {
      String n;
      switch (Cmd) {
        case ecUpperCase:
        case ecUpperCaseBlock: n = Utf8UpperCase(w); break;
        case ecLowerCase:
        case ecLowerCaseBlock: n = Utf8LowerCase(w); break;
        case ecToggleCase:
        case ecToggleCaseBlock: n = ToggleCaseText(w); break;
        default: {
          const std::size_t first = Utf8CharLen(w, 0);
          n = Utf8UpperCase(w.substr(0, first)) + Utf8LowerCase(w.substr(first));
          break;
        }
      }
      UndoBlockGuard undo(this);
      fUndoList->AddChange(chSelection, hadSel ? s1 : p0, hadSel ? s2 : p0, String(), fActiveSelMode);
      fUndoList->AddChange(chCaret, p0, p0, String(), fActiveSelMode);
      SetSelText(n);
    }
  } catch (...) {
    finish();
    throw;
  }
  finish();
}

// ---- words and brackets -------------------------------------------------------------------

TSxCharSet TCustomSxEdit::IdentChars() const {
  if (fHighlighter) return fHighlighter->GetIdentChars();
  return SxCharRange(33, 255);
}

bool TCustomSxEdit::IsWordChar(char32_t c) const {
  if (c >= 128) return IsUnicodeWordChar(c);
  TSxCharSet ident, breaks;
  if (fHighlighter) {
    ident = fHighlighter->GetIdentChars();
    breaks = fHighlighter->WordBreakChars();
  } else {
    ident = SxCharSet("0123456789_") | SxCharRange('A', 'Z') | SxCharRange('a', 'z');
    breaks = SxCharSet("!\"'()*+,-./:;=?[\\]^{|}");
  }
  return ident[c] && !breaks[c];
}

TBufferCoord TCustomSxEdit::NextWordStartFrom(const TBufferCoord& Pos) {
  if (Pos.Line < 1 || Pos.Line > fLines->Count()) return Pos;
  // Steps forward from the position only: a long line is not decoded whole.
  struct Cursor {
    const String& s;
    std::size_t pos;
    char32_t Peek() const {
      std::size_t p = pos;
      return pos < s.size() ? Utf8Decode(s, p) : 0;
    }
    void Step() { pos += static_cast<std::size_t>(SxCharBytes(s, pos)); }
  };
  const int n = LineLength(Pos.Line);
  int c = Pos.Char;
  if (c >= n) {
    if (Pos.Line >= fLines->Count()) return Pos;
    Cursor next{fLines->LineRef(Pos.Line), 0};
    const int m = LineLength(Pos.Line + 1);
    int k = 1;
    for (; k <= m && !IsWordChar(next.Peek()); ++k) next.Step();
    return BufferCoord(k <= m ? k : 1, Pos.Line + 1);
  }
  if (c < 1) c = 1;
  Cursor at{fLines->LineRef(Pos.Line - 1), fLines->CharOffset(Pos.Line - 1, c)};
  if (IsWordChar(at.Peek()))
    for (; c <= n && IsWordChar(at.Peek()); ++c) at.Step();
  for (; c <= n && !IsWordChar(at.Peek()); ++c) at.Step();
  return BufferCoord(c > n ? n + 1 : c, Pos.Line);
}

TBufferCoord TCustomSxEdit::PrevWordStartFrom(const TBufferCoord& Pos) {
  if (Pos.Line < 1 || Pos.Line > fLines->Count()) return Pos;
  const std::u32string s = Utf8ToUcs4(LineAt(Pos.Line));
  const int n = static_cast<int>(s.size());
  int c = std::min(Pos.Char, n + 1);
  if (c <= 1) {
    if (Pos.Line == 1) return Pos;
    return BufferCoord(LineLength(Pos.Line - 1) + 1, Pos.Line - 1);
  }
  int k = c - 1;
  while (k >= 1 && !IsWordChar(At(s, k))) --k;
  if (k < 1) {
    if (Pos.Line == 1) return BufferCoord(1, 1);
    return BufferCoord(LineLength(Pos.Line - 1) + 1, Pos.Line - 1);
  }
  while (k >= 1 && IsWordChar(At(s, k))) --k;
  return BufferCoord(k + 1, Pos.Line);
}

TBufferCoord TCustomSxEdit::WordBeginAt(const TBufferCoord& Pos) {
  if (Pos.Line < 1 || Pos.Line > fLines->Count()) return Pos;
  const std::u32string s = Utf8ToUcs4(LineAt(Pos.Line));
  int c = std::min(Pos.Char, static_cast<int>(s.size()) + 1);
  if (c > 1 && IsWordChar(At(s, c - 1)))
    while (c > 1 && IsWordChar(At(s, c - 1))) --c;
  return BufferCoord(c, Pos.Line);
}

TBufferCoord TCustomSxEdit::WordEndAt(const TBufferCoord& Pos) {
  if (Pos.Line < 1 || Pos.Line > fLines->Count()) return Pos;
  const std::u32string s = Utf8ToUcs4(LineAt(Pos.Line));
  const int n = static_cast<int>(s.size());
  int c = std::max(Pos.Char, 1);
  while (c <= n && IsWordChar(At(s, c))) ++c;
  return BufferCoord(c > n ? n + 1 : c, Pos.Line);
}

void TCustomSxEdit::SelectWordAt(TBufferCoord Value) {
  Value.Char = std::max(Value.Char, 1);
  if (HasOption(eoScrollPastEol) && !fWrapPlugin) Value.Char = std::min(Value.Char, fMaxScrollWidth + 1);
  Value.Line = MinMax(Value.Line, 1, std::max(fLines->Count(), 1));
  const std::u32string s = Utf8ToUcs4(LineAt(Value.Line));
  const int n = static_cast<int>(s.size());
  if (Value.Char > n + 1) {
    SetCaretPosInternal(BufferCoord(n + 1, Value.Line));
    return;
  }
  // Word characters run together; any other character breaks, except that a run of letters
  // of another script or of equal non-word class stays together.
  auto cls = [&](char32_t c) -> int {
    if (c == 0 || IsUnicodeSpace(c)) return 0;
    if (IsWordChar(c)) return 1;
    return 2;
  };
  const int base = cls(At(s, Value.Char));
  auto breaks = [&](int i) { return cls(At(s, i)) != 1 || base != 1; };
  int end = Value.Char;
  while (end <= n && !breaks(end)) ++end;
  int start = Value.Char;
  while (start > 1 && !breaks(start - 1)) --start;
  if (base != 1) start = end = Value.Char;
  PlaceCaretAndSelection(BufferCoord(end, Value.Line), BufferCoord(start, Value.Line), BufferCoord(end, Value.Line));
  InvalidateLine(Value.Line);
  StatusChanged(scSelection);
}

String TCustomSxEdit::WordAtCaret() {
  const TBufferCoord a = CaretWordBegin(), b = CaretWordEnd();
  return Sub(LineAt(fCaretPos.Line), a.Char, b.Char - a.Char);
}

bool TCustomSxEdit::TokenAt(const TBufferCoord& Pos, String& Token, TSxHighlighterAttributes*& Attri, int& TokenKind,
                            int& Start) {
  Token.clear();
  Attri = nullptr;
  TokenKind = 0;
  Start = 0;
  if (!fHighlighter || Pos.Line < 1 || Pos.Line > fLines->Count()) return false;
  if (Pos.Line == 1)
    fHighlighter->ResetRange();
  else
    fHighlighter->SetRange(fLines->Range(Pos.Line - 1));
  const String line = fLines->Get(Pos.Line - 1);
  fHighlighter->SetLine(line, Pos.Line);
  if (Pos.Char < 1 || Pos.Char > Len(line)) return false;
  while (!fHighlighter->AtLineEnd()) {
    const int start = fHighlighter->GetTokenPos();
    const String text = fHighlighter->GetTokenText();
    if (Pos.Char >= start + 1 && Pos.Char < start + 1 + Len(text)) {
      Token = text;
      Attri = fHighlighter->GetTokenAttribute();
      TokenKind = fHighlighter->GetTokenKind();
      Start = start + 1;
      return true;
    }
    fHighlighter->Next();
  }
  return false;
}

TBufferCoord TCustomSxEdit::MatchingBracketAt(const TBufferCoord& Pos) {
  static const char32_t brackets[8] = {'(', ')', '[', ']', '{', '}', '<', '>'};
  if (Pos.Line < 1 || Pos.Line > fLines->Count()) return BufferCoord(0, 0);
  std::u32string s = Utf8ToUcs4(LineAt(Pos.Line));
  if (static_cast<int>(s.size()) < Pos.Char || Pos.Char < 1) return BufferCoord(0, 0);
  int idx = -1;
  for (int i = 0; i < 8; ++i)
    if (s[static_cast<std::size_t>(Pos.Char - 1)] == brackets[i]) idx = i;
  if (idx < 0) return BufferCoord(0, 0);
  const char32_t b = brackets[idx], partner = brackets[idx ^ 1];
  // Each visited line is scanned once; a bracket in a comment or a string does not count.
  std::vector<std::pair<int, int>> skipped;  // 1-based [from, to) character spans per line
  int scannedLine = 0;
  TSxHighlighterAttributes* commentAttr = fHighlighter ? fHighlighter->GetDefaultAttribute(0) : nullptr;
  TSxHighlighterAttributes* stringAttr = fHighlighter ? fHighlighter->GetDefaultAttribute(3) : nullptr;
  auto counts = [&](int line, int ch) {
    if (!fHighlighter) return true;
    if (scannedLine != line) {
      scannedLine = line;
      skipped.clear();
      if (line == 1)
        fHighlighter->ResetRange();
      else
        fHighlighter->SetRange(fLines->Range(line - 1));
      fHighlighter->SetLine(fLines->Get(line - 1), line);
      while (!fHighlighter->AtLineEnd()) {
        TSxHighlighterAttributes* a = fHighlighter->GetTokenAttribute();
        if (a && (a == commentAttr || a == stringAttr)) {
          const int st = fHighlighter->GetTokenPos() + 1;
          skipped.emplace_back(st, st + Len(fHighlighter->GetTokenText()));
        }
        fHighlighter->Next();
      }
    }
    for (auto& [from, to] : skipped)
      if (ch >= from && ch < to) return false;
    return true;
  };
  int depth = 1;
  int line = Pos.Line, p = Pos.Char;
  if (idx % 2 == 1) {
    while (true) {
      --p;
      while (p < 1) {
        if (line == 1) return BufferCoord(0, 0);
        --line;
        s = Utf8ToUcs4(LineAt(line));
        p = static_cast<int>(s.size());
      }
      const char32_t c = s[static_cast<std::size_t>(p - 1)];
      if ((c == b || c == partner) && counts(line, p)) {
        depth += c == b ? 1 : -1;
        if (depth == 0) return BufferCoord(p, line);
      }
    }
  }
  while (true) {
    ++p;
    while (p > static_cast<int>(s.size())) {
      if (line >= fLines->Count()) return BufferCoord(0, 0);
      ++line;
      s = Utf8ToUcs4(LineAt(line));
      p = 1;
    }
    const char32_t c = s[static_cast<std::size_t>(p - 1)];
    if ((c == b || c == partner) && counts(line, p)) {
      depth += c == b ? 1 : -1;
      if (depth == 0) return BufferCoord(p, line);
    }
  }
}

void TCustomSxEdit::GoToMatchingBracket() {
  const TBufferCoord p = MatchingBracket();
  if (p.Char > 0 && p.Line > 0) SetCaretPosInternal(p);
}
