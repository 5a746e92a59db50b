// The editor control: window messages, keys, mouse, focus, the clipboard, drag and drop,
// the key-table difference and the memo's edit messages.
#include <algorithm>
#include <cstring>

#include "editor/SxEditInternal.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdActns.h"
#include "platform/win/ShellApi.h"

namespace {

using namespace sxedit;

constexpr UINT EM_GETSELTEXT = WM_USER + 62;

bool IsKeyHeld(int vk) { return GetKeyState(vk) < 0; }

}  // namespace

UINT SxEditClipboardFormat() {
  static const UINT format = RegisterClipboardFormat(SX_EDIT_CLIPBOARD_FORMAT_NAME);
  return format;
}

bool SxEditReadClipboardBlock(const std::string& Block, TSxSelectionMode& Mode, String& Text) {
  if (Block.empty()) return false;
  const unsigned char m = static_cast<unsigned char>(Block[0]);
  Mode = m <= smColumn ? static_cast<TSxSelectionMode>(m) : smNormal;
  const std::size_t nul = Block.find('\0', 1);
  Text = Block.substr(1, nul == std::string::npos ? std::string::npos : nul - 1);
  return true;
}

// ---- window messages ----------------------------------------------------------------------

void TCustomSxEdit::WndProc(TMessage& Message) {
  // Alt+Backspace already ran its command; its system character is dropped.
  if (Message.Msg == WM_SYSCHAR && Message.WParam == 8 && (Message.LParam & (1 << 29))) return;
  TCustomControl::WndProc(Message);
}

LRESULT TCustomSxEdit::DialogCode() {
  LRESULT r = TCustomControl::DialogCode() | DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (WantTabs) r |= DLGC_WANTTAB;
  if (WantReturns) r |= DLGC_WANTALLKEYS;
  return r;
}

void TCustomSxEdit::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_PAINT:
      if (!m.WParam && HandleAllocated()) {
        // Paint reads the region's rectangles: BeginPaint leaves only their bounding box.
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        if (GetUpdateRgn(Handle(), rgn, FALSE) == COMPLEXREGION) fPaintRects = GetRegionRects(rgn);
        DeleteObject(rgn);
        try {
          TCustomControl::Dispatch(m);
        } catch (...) {
          fPaintRects.clear();
          throw;
        }
        fPaintRects.clear();
        return;
      }
      break;
    case WM_HSCROLL:
      if (m.LParam == 0) {
        HandleHScroll(m.WParam);
        m.Result = 0;
        return;
      }
      break;
    case WM_VSCROLL:
      if (m.LParam == 0) {
        HandleVScroll(m.WParam);
        m.Result = 0;
        return;
      }
      break;
    case WM_SETFOCUS:
      TCustomControl::Dispatch(m);
      ProcessCommand(ecFocusGained, 0, nullptr);
      InitializeCaret();
      if (fHideSelection && HasSelection()) InvalidateSelection();
      return;
    case WM_KILLFOCUS:
      TCustomControl::Dispatch(m);
      ProcessCommand(ecFocusLost, 0, nullptr);
      if (!Focused() && !CaretAlwaysShown) {
        HideCaretIfShown();
        DestroyCaret();
        if (fHideSelection && HasSelection()) InvalidateSelection();
      }
      return;
    case WM_CANCELMODE: return;
    case WM_TIMER:
      if (m.WParam == kFinishRowsTimer) {
        KillTimer(Handle(), kFinishRowsTimer);
        if (fWrapPlugin) fWrapPlugin->FinishSomeRows();
        m.Result = 0;
        return;
      }
      break;
    case WM_CAPTURECHANGED: fScrollTimer->SetEnabled(false); break;
    case WM_SETCURSOR:
      if (LOWORD(static_cast<std::uintptr_t>(m.LParam)) == HTCLIENT &&
          m.WParam == static_cast<WPARAM>(Handle().value) && !Designing()) {
        UpdateMouseCursor();
        m.Result = 1;
        return;
      }
      break;
    case WM_COPY:
      CopyToClipboard();
      m.Result = 1;
      return;
    case WM_CUT:
      if (!GetReadOnly()) CutToClipboard();
      m.Result = 1;
      return;
    case WM_PASTE:
      if (!GetReadOnly()) PasteFromClipboard();
      m.Result = 1;
      return;
    case WM_CLEAR:
      if (!GetReadOnly()) SetSelText(String());
      return;
    case WM_UNDO: Undo(); return;
    case WM_DROPFILES: {
      const HDROP drop(static_cast<std::uintptr_t>(m.WParam));
      std::vector<String> files;
      POINT pt{};
      if (fOptions & eoDropFiles) {
        const UINT count = DragQueryFile(drop, 0xFFFFFFFFu, nullptr, 0);
        for (UINT i = 0; i < count; ++i) {
          String path(DragQueryFile(drop, i, nullptr, 0), '\0');
          path.resize(DragQueryFile(drop, i, path.data(), static_cast<UINT>(path.size() + 1)));
          files.push_back(std::move(path));
        }
        DragQueryPoint(drop, &pt);
      }
      // The handle is freed before the handler runs, so a handler that throws leaks nothing.
      DragFinish(drop);
      m.Result = 0;
      if (!files.empty()) DropFiles(pt.x, pt.y, files);
      return;
    }
    case WM_GETTEXTLENGTH:
      m.Result = ControlState().Contains(csDocking) ? 0 : static_cast<LRESULT>(GetText().size());
      return;
    case WM_GETTEXT: {
      m.Result = 0;
      if (m.WParam == 0 || !m.LParam) return;
      const String t = GetText();
      // Cut at a character boundary so the buffer holds whole characters.
      std::size_t n = std::min<std::size_t>(t.size(), m.WParam - 1);
      while (n > 0 && !Utf8IsBoundary(t, n)) --n;
      std::memcpy(reinterpret_cast<char*>(m.LParam), t.data(), n);
      reinterpret_cast<char*>(m.LParam)[n] = 0;
      m.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_SETTEXT:
      m.Result = 0;
      fLines->SetText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
      m.Result = -1;
      return;
    default: break;
  }
  TCustomControl::Dispatch(m);
}

void TCustomSxEdit::SetFocus() {
  if (!fFocusControls.empty()) {
    ::SetFocus(fFocusControls.back());
    return;
  }
  TCustomControl::SetFocus();
}

// ---- keys ---------------------------------------------------------------------------------

TSxEditorCommand TCustomSxEdit::KeyToCommand(WORD Key, TShiftState Shift) {
  int i = fKeystrokes->FindKeycode2(fPendingKey, fPendingShift, Key, Shift);
  if (i < 0) i = fKeystrokes->FindKeycode(Key, Shift);
  const TSxEditorCommand cmd = i >= 0 ? fKeystrokes->Items(i)->Command() : ecNone;
  if (cmd != ecNone || Key < 30 || Key > 145) {
    fPendingKey = 0;
    fPendingShift = TShiftState{};
  } else {
    fPendingKey = Key;
    fPendingShift = Shift;
  }
  return cmd;
}

void TCustomSxEdit::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  fKbdHandler.ExecuteKeyDown(this, Key, Shift);
  if (Key == 0) return;
  const TSxEditorCommand cmd = KeyToCommand(Key, Shift);
  if (cmd != ecNone) {
    Key = 0;
    fStateFlags |= stIgnoreNextChar;
    ProcessCommand(cmd, 0, nullptr);
  } else {
    fStateFlags &= ~stIgnoreNextChar;
  }
}

void TCustomSxEdit::KeyUp(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyUp(Key, Shift);
  fKbdHandler.ExecuteKeyUp(this, Key, Shift);
}

void TCustomSxEdit::KeyPress(char32_t& Key) {
  if (fImeCharsToSkip >= 1) {
    --fImeCharsToSkip;
    return;
  }
  if (fStateFlags & stIgnoreNextChar) {
    fStateFlags &= ~stIgnoreNextChar;
    return;
  }
  TCustomControl::KeyPress(Key);
  fKbdHandler.ExecuteKeyPress(this, Key);
  ProcessCommand(ecChar, Key, nullptr);
}

// ---- mouse --------------------------------------------------------------------------------

void TCustomSxEdit::ComputeCaret(int X, int Y) {
  TDisplayPoint p = PixelsToNearestRowColumn(X, Y);
  p.Row = MinMax(p.Row, 1, std::max(DisplayRowCount(), 1));
  SetCaretDisplayPos(p);
}

void TCustomSxEdit::ComputeScroll(int X, int Y) {
  if (!MouseCapture() && !Dragging() && !IsDragging()) {
    fScrollTimer->SetEnabled(false);
    return;
  }
  RECT r{fGutterWidth, 0, fGutterWidth + fColumnsInWindow * fCharWidth, fRowsInWindow * fRowHeight};
  if (fBorderStyle == bsNone) {
    r.left += 2;
    r.top += 2;
    r.right -= 2;
    r.bottom -= 2;
  }
  if (X < r.left)
    fScrollDeltaX = (X - r.left) / fCharWidth - 1;
  else if (X >= r.right)
    fScrollDeltaX = (X - r.right) / fCharWidth + 1;
  else
    fScrollDeltaX = 0;
  if (Y < r.top)
    fScrollDeltaY = (Y - r.top) / fRowHeight - 1;
  else if (Y >= r.bottom)
    fScrollDeltaY = (Y - r.bottom) / fRowHeight + 1;
  else
    fScrollDeltaY = 0;
  fScrollTimer->SetEnabled(fScrollDeltaX != 0 || fScrollDeltaY != 0);
}

void TCustomSxEdit::ScrollTimerTick(TObject*) {
  POINT pt;
  GetCursorPos(&pt);
  const TPoint c = ScreenToClient(TPoint{pt.x, pt.y});
  TDisplayPoint p = PixelsToRowColumn(c.x, c.y);
  p.Row = MinMax(p.Row, 1, std::max(DisplayRowCount(), 1));
  if (fScrollDeltaX != 0) {
    SetLeftColumn(fLeftColumn + fScrollDeltaX);
    p.Column = fLeftColumn + (fScrollDeltaX > 0 ? fColumnsInWindow : 0);
  }
  if (fScrollDeltaY != 0) {
    SetTopRow(fTopRow + (IsKeyHeld(VK_SHIFT) ? fScrollDeltaY * fRowsInWindow : fScrollDeltaY));
    p.Row = fTopRow + (fScrollDeltaY > 0 ? fRowsInWindow - 1 : 0);
    p.Row = MinMax(p.Row, 1, std::max(DisplayRowCount(), 1));
  }
  const TBufferCoord b = DisplayToBufferPos(p);
  if (!(b == fCaretPos)) {
    PaintLockGuard lock(this);
    SetCaretPosInternal(b);
    if (MouseCapture()) SetSelEnd(fCaretPos);
  }
  ComputeScroll(c.x, c.y);
}

void TCustomSxEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const TBufferCoord oldBegin = fSelBegin, oldEnd = fSelEnd;
  bool wasSel = false;
  if (Button == mbLeft && HasSelection()) {
    wasSel = true;
    fMouseDownPos = TPoint{X, Y};
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
  if (Button == mbLeft && Shift.Contains(ssDouble)) return;
  fKbdHandler.ExecuteMouseDown(this, static_cast<int>(Button), Shift, X, Y);
  if (Button == mbRight) {
    if (!HasOption(eoRightMouseMovesCursor)) return;
    if (HasSelection() && IsPointInSelection(DisplayToBufferPos(PixelsToRowColumn(X, Y)))) return;
    InvalidateSelection();
    fSelEnd = fSelBegin;
  }
  bool mayDrag = false;
  if (Button == mbLeft || Button == mbRight) ComputeCaret(X, Y);
  if (Button == mbLeft) {
    fSelBegin = oldBegin;
    fSelEnd = oldEnd;
    SetMouseCapture(true);
    fStateFlags &= ~stWaitForDrag;
    if (wasSel && HasOption(eoDragDropEditing) && X >= fGutterWidth + 2 && fSelectionMode == smNormal &&
        IsPointInSelection(DisplayToBufferPos(PixelsToRowColumn(X, Y)))) {
      fStateFlags |= stWaitForDrag;
      mayDrag = true;
    }
  }
  if (!mayDrag && !(fStateFlags & stDoubleClicked)) {
    if (Shift.Contains(ssShift)) {
      SetSelEnd(fCaretPos);
    } else {
      if (HasOption(eoAltSetsColumnMode) && fActiveSelMode != smLine)
        SetSelectionMode(Shift.Contains(ssAlt) ? smColumn : smNormal);
      SetSelBegin(fCaretPos);
    }
  }
  if (X < fGutterWidth) fStateFlags |= stGutterClickPending;
  if ((fStateFlags & stGutterClickPending) && Button == mbRight) FireGutterClick(Button, X, Y);
  Update();
  SetFocus();
  if (HandleAllocated() && fFocusControls.empty()) ::SetFocus(Handle());
}

void TCustomSxEdit::MouseMove(TShiftState Shift, int X, int Y) {
  TCustomControl::MouseMove(Shift, X, Y);
  if (MouseCapture() && (fStateFlags & stWaitForDrag)) {
    if (std::abs(fMouseDownPos.x - X) >= GetSystemMetrics(SM_CXDRAG) ||
        std::abs(fMouseDownPos.y - Y) >= GetSystemMetrics(SM_CYDRAG)) {
      fStateFlags &= ~stWaitForDrag;
      BeginDrag(false);
    }
    return;
  }
  if (Shift.Contains(ssLeft) && MouseCapture()) {
    ComputeScroll(X, Y);
    TDisplayPoint p = PixelsToNearestRowColumn(X, Y);
    p.Row = MinMax(p.Row, 1, std::max(DisplayRowCount(), 1));
    if (fScrollDeltaX != 0) p.Column = CaretDisplayColumn();
    if (fScrollDeltaY != 0) p.Row = CaretDisplayRow();
    SetCaretPosInternal(DisplayToBufferPos(p));
    SetSelEnd(fCaretPos);
    if ((fStateFlags & stGutterClickPending) && fCaretPos.Line != fSelBegin.Line) fStateFlags |= stGutterDragging;
  }
}

void TCustomSxEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TCustomControl::MouseUp(Button, Shift, X, Y);
  fKbdHandler.ExecuteMouseUp(this, static_cast<int>(Button), Shift, X, Y);
  fScrollTimer->SetEnabled(false);
  if (Button == mbRight && Shift == TShiftState{ssRight} && PopupMenu()) return;
  SetMouseCapture(false);
  if ((fStateFlags & stGutterClickPending) && X < fGutterWidth && Button != mbRight) {
    FireGutterClick(Button, X, Y);
  } else if ((fStateFlags & stWaitForDrag) && !(fStateFlags & stDoubleClicked)) {
    ComputeCaret(X, Y);
    if (!Shift.Contains(ssShift)) SetSelBegin(fCaretPos);
    SetSelEnd(fCaretPos);
    fStateFlags &= ~stWaitForDrag;
  }
  fStateFlags &= ~(stDoubleClicked | stGutterClickPending | stGutterDragging);
}

void TCustomSxEdit::DblClick() {
  POINT pt;
  GetCursorPos(&pt);
  const TPoint c = ScreenToClient(TPoint{pt.x, pt.y});
  if (c.x >= fGutterWidth + 2) {
    if (!HasOption(eoNoSelection)) SelectWordAt(fCaretPos);
    TCustomControl::DblClick();
    fStateFlags |= stDoubleClicked;
    SetMouseCapture(false);
  } else {
    TCustomControl::DblClick();
  }
}

void TCustomSxEdit::UpdateMouseCursor() {
  POINT pt;
  GetCursorPos(&pt);
  const TPoint c = ScreenToClient(TPoint{pt.x, pt.y});
  TCursor cursor;
  if (c.x < fGutterWidth) {
    cursor = fGutter->Cursor();
  } else {
    const TBufferCoord b = DisplayToBufferPos(PixelsToRowColumn(c.x, c.y));
    if (HasOption(eoDragDropEditing) && !MouseCapture() && IsPointInSelection(b))
      cursor = crArrow;
    else
      cursor = Cursor();
    if (OnMouseCursor) OnMouseCursor(this, b, cursor);
    int k = cursor;
    fKbdHandler.ExecuteMouseCursor(this, b, k);
    cursor = static_cast<TCursor>(k);
  }
  ::SetCursor(Screen->Cursors(cursor));
}

// ---- clipboard ----------------------------------------------------------------------------

void TCustomSxEdit::ClipboardWrite(const String& Text) {
  if (Text.empty()) return;
  std::string block;
  block.reserve(Text.size() + 2);
  block += static_cast<char>(fActiveSelMode);
  block += Text;
  block += '\0';
  Clipboard()->SetTextWithData(Text, SxEditClipboardFormat(), block);
}

void TCustomSxEdit::CopyToClipboard() {
  if (!HasSelection()) return;
  String text;
  if (fActiveSelMode == smColumn && HasOption(eoTrimTrailingSpaces)) {
    fOptions &= ~eoTrimTrailingSpaces;
    try {
      text = GetSelText();
    } catch (...) {
      fOptions |= eoTrimTrailingSpaces;
      throw;
    }
    fOptions |= eoTrimTrailingSpaces;
  } else {
    text = GetSelText();
  }
  ClipboardWrite(text);
}

void TCustomSxEdit::CutToClipboard() {
  if (GetReadOnly() || !HasSelection()) return;
  UndoBlockGuard block(this);
  ClipboardWrite(GetSelText());
  SetSelText(String());
}

bool TCustomSxEdit::CanPaste() const {
  return !GetReadOnly() && (Clipboard()->HasFormat(CF_TEXT) || Clipboard()->HasFormat(SxEditClipboardFormat()));
}

void TCustomSxEdit::PasteFromClipboard() {
  if (!CanPaste()) return;
  FirePaintTransient(ttBefore);
  {
    PaintLockGuard lock(this);
    UndoBlockGuard block(this);
    bool bracket = false;
    fTrimmed.clear();
    try {
      std::string data;
      TSxSelectionMode mode;
      String text;
      if (Clipboard()->GetData(SxEditClipboardFormat(), data) && SxEditReadClipboardBlock(data, mode, text)) {
        fUndoList->AddChange(chPasteBegin, BlockFirst(), BlockLast(), String(), smNormal);
        bracket = true;
        TBufferCoord start = fCaretPos;
        if (HasSelection()) {
          RecordSelectionDelete(chDelete, GetSelText());
          start = BlockFirst();
          const TBufferCoord last = BlockLast();
          fSelBegin = start;
          fSelEnd = last;
          if (fActiveSelMode == smLine) start.Char = 1;
        }
        SetSelTextPrimitive(mode, text, true);
        fActiveSelMode = mode;
        if (mode != smColumn) RecordInsertion(chPaste, start);
      } else if (Clipboard()->HasFormat(CF_TEXT)) {
        text = Clipboard()->AsText();
        fUndoList->AddChange(chPasteBegin, BlockFirst(), BlockLast(), String(), smNormal);
        bracket = true;
        if (HasSelection())
          RecordSelectionDelete(chDelete, GetSelText());
        else
          fActiveSelMode = fSelectionMode;
        const TBufferCoord start = HasSelection() ? BlockFirst() : fCaretPos;
        const TBufferCoord last = HasSelection() ? BlockLast() : fCaretPos;
        fSelBegin = start;
        fSelEnd = last;
        SetSelTextInMode(text);
        if (fActiveSelMode != smColumn) RecordInsertion(chPaste, start);
      }
    } catch (...) {
      if (bracket) fUndoList->AddChange(chPasteEnd, BlockFirst(), BlockLast(), String(), smNormal);
      throw;
    }
    if (bracket) fUndoList->AddChange(chPasteEnd, BlockFirst(), BlockLast(), String(), smNormal);
  }
  if (HasOption(eoHideShowScrollbars)) UpdateScrollBars();
  EnsureCaretVisible();
  StatusChanged(scSelection);
  FirePaintTransient(ttAfter);
}

// ---- drag and drop ------------------------------------------------------------------------

void TCustomSxEdit::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TCustomControl::DragOver(Source, X, Y, State, Accept);
  auto* src = dynamic_cast<TCustomSxEdit*>(Source);
  if (!src || GetReadOnly()) return;
  Accept = true;
  SetDragCursor(IsKeyHeld(VK_CONTROL) ? crMultiDrag : crDrag);
  if (src != this) {
    ComputeCaret(X, Y);
    return;
  }
  if (State != dsDragLeave) {
    TDisplayPoint p = PixelsToRowColumn(X, Y);
    p.Column = MinMax(p.Column, fLeftColumn, fLeftColumn + std::max(fColumnsInWindow - 1, 0));
    p.Row = MinMax(p.Row, fTopRow, fTopRow + std::max(fRowsInWindow - 1, 0));
    SetCaretPosInternal(DisplayToBufferPos(p));
    ComputeScroll(X, Y);
  } else {
    ComputeCaret(fMouseDownPos.x, fMouseDownPos.y);
  }
}

void TCustomSxEdit::DragDrop(TObject* Source, int X, int Y) {
  auto* src = dynamic_cast<TCustomSxEdit*>(Source);
  if (GetReadOnly() || !src || !src->HasSelection()) {
    TCustomControl::DragDrop(Source, X, Y);
    return;
  }
  PaintLockGuard lock(this);
  TCustomControl::DragDrop(Source, X, Y);
  ComputeCaret(X, Y);
  TBufferCoord d = fCaretPos;
  bool move, after = false;
  if (src == this) {
    move = !IsKeyHeld(VK_CONTROL);
    const TBufferCoord b1 = BlockFirst(), b2 = BlockLast();
    after = d.Line > b2.Line || (d.Line == b2.Line && (d.Char > b2.Char || (!move && d.Char == b2.Char)));
    const bool before = d.Line < b1.Line || (d.Line == b1.Line && (d.Char < b1.Char || (!move && d.Char == b1.Char)));
    if (!after && !before) return;
  } else {
    // A read-only source keeps its text: the drop copies.
    move = IsKeyHeld(VK_SHIFT) && !src->GetReadOnly();
  }
  UndoBlockGuard block(this);
  const String text = src->GetSelText();
  if (move) {
    if (src == this) {
      const TBufferCoord b1 = BlockFirst(), b2 = BlockLast();
      SetSelText(String());
      if (after && d.Line == b2.Line) d.Char -= b1.Line == b2.Line ? b2.Char - b1.Char : b2.Char - 1;
      if (after && b2.Line > b1.Line) d.Line -= b2.Line - b1.Line;
    } else {
      src->SetSelText(String());
    }
  }
  {
    const TSxEditorOptions saved = fOptions;
    fOptions |= eoScrollPastEol;
    try {
      SetCaretPosInternal(d);
      SetSelBegin(d);
      LockUndoLists();
      SetSelText(text);
      UnlockUndoLists();
    } catch (...) {
      UnlockUndoLists();
      fOptions = saved;
      throw;
    }
    fOptions = saved;
  }
  fUndoList->AddChange(src == this ? chDragDropInsert : chInsert, d, BlockLast(), GetSelText(), fActiveSelMode);
  SetSelEnd(fCaretPos);
  ProcessCommand(ecSelGotoXY, 0, &d);
}

void TCustomSxEdit::DragCanceled() {
  fScrollTimer->SetEnabled(false);
  TCustomControl::DragCanceled();
}

bool TCustomSxEdit::ExecuteAction(TBasicAction* Action) {
  if (!dynamic_cast<TEditAction*>(Action) || !Focused()) return TCustomControl::ExecuteAction(Action);
  if (dynamic_cast<TEditCut*>(Action))
    CutToClipboard();
  else if (dynamic_cast<TEditCopy*>(Action))
    CopyToClipboard();
  else if (dynamic_cast<TEditPaste*>(Action))
    PasteFromClipboard();
  else if (dynamic_cast<TEditDelete*>(Action))
    ClearSelection();
  else if (dynamic_cast<TEditUndo*>(Action))
    Undo();
  else if (dynamic_cast<TEditSelectAll*>(Action))
    SelectAll();
  else
    return TCustomControl::ExecuteAction(Action);
  return true;
}

bool TCustomSxEdit::UpdateAction(TBasicAction* Action) {
  auto* a = dynamic_cast<TEditAction*>(Action);
  if (!a || !Focused()) return TCustomControl::UpdateAction(Action);
  if (dynamic_cast<TEditCut*>(a) || dynamic_cast<TEditDelete*>(a))
    a->SetEnabled(HasSelection() && !GetReadOnly());
  else if (dynamic_cast<TEditCopy*>(a))
    a->SetEnabled(HasSelection());
  else if (dynamic_cast<TEditPaste*>(a))
    a->SetEnabled(CanPaste());
  else if (dynamic_cast<TEditUndo*>(a))
    a->SetEnabled(CanUndo());
  else if (dynamic_cast<TEditSelectAll*>(a))
    a->SetEnabled(fLines->Count() > 1 || (fLines->Count() == 1 && !fLines->Get(0).empty()));
  else
    return TCustomControl::UpdateAction(Action);
  return true;
}

void TCustomSxEdit::DropFiles(int X, int Y, const std::vector<String>& Files) {
  if (!OnDropFiles) return;
  TStringList list;
  for (const String& f : Files) list.Add(f);
  OnDropFiles(this, X, Y, &list);
}

// ---- key-table difference -----------------------------------------------------------------

void TCustomSxEdit::GetKeystrokeDelta(TSxEditKeyStrokes& Added, TSxEditKeyStrokes& Removed) const {
  TSxEditKeyStrokes reference(nullptr);
  reference.ResetDefaults();
  auto has = [](const TSxEditKeyStrokes& t, const TSxEditKeyStroke* k) {
    const int i = t.FindShortcut2(k->GetShortCut(), k->GetShortCut2());
    return i >= 0 && t.Items(i)->Command() == k->Command();
  };
  auto copy = [](TSxEditKeyStrokes& t, const TSxEditKeyStroke* k) {
    TSxEditKeyStroke* n = t.Add();
    n->SetKey(k->Key());
    n->SetShift(k->Shift());
    n->SetKey2(k->Key2());
    n->SetShift2(k->Shift2());
    n->SetCommand(k->Command());
  };
  Added.Clear();
  Removed.Clear();
  for (int i = 0; i < fKeystrokes->Count(); ++i)
    if (!has(reference, fKeystrokes->Items(i))) copy(Added, fKeystrokes->Items(i));
  for (int i = 0; i < reference.Count(); ++i)
    if (!has(*fKeystrokes, reference.Items(i))) copy(Removed, reference.Items(i));
}

void TCustomSxEdit::ApplyKeystrokeDelta(const TSxEditKeyStrokes& Added, const TSxEditKeyStrokes& Removed) {
  for (int i = 0; i < Removed.Count(); ++i) {
    const TSxEditKeyStroke* k = Removed.Items(i);
    const int j = fKeystrokes->FindShortcut2(k->GetShortCut(), k->GetShortCut2());
    if (j >= 0 && fKeystrokes->Items(j)->Command() == k->Command()) fKeystrokes->Delete(j);
  }
  for (int i = 0; i < Added.Count(); ++i) {
    const TSxEditKeyStroke* k = Added.Items(i);
    TSxEditKeyStroke* n = fKeystrokes->Add();
    n->SetKey(k->Key());
    n->SetShift(k->Shift());
    n->SetKey2(k->Key2());
    n->SetShift2(k->Shift2());
    n->SetCommand(k->Command());
  }
}

// ---- memo messages ------------------------------------------------------------------------

int TSxMemo::PosToCharIndex(const TBufferCoord& Pos) const {
  const int count = fLines->Count();
  const int line = std::min(Pos.Line, count);
  long long index = 0;
  for (int l = 1; l < line; ++l) index += SxCharCount(fLines->Get(l - 1)) + 2;
  index += Pos.Char - 1;
  return static_cast<int>(std::min<long long>(index, INT32_MAX));
}

TBufferCoord TSxMemo::CharIndexToPos(int Index) const {
  long long s = 0;
  for (int l = 1; l <= fLines->Count(); ++l) {
    const int len = SxCharCount(fLines->Get(l - 1));
    if (Index < s + len + 2) return BufferCoord(static_cast<int>(Index - s + 1), l);
    s += len + 2;
  }
  return BufferCoord(1, fLines->Count() + 1);
}

int TSxMemo::SelStartIndex() { return PosToCharIndex(HasSelection() ? BlockFirst() : fCaretPos); }

void TSxMemo::SetSelStartIndex(int Value) {
  HandleNeeded();
  SetCaretPosInternal(CharIndexToPos(Value));
  SetSelBegin(fCaretPos);
}

int TSxMemo::SelEndIndex() { return PosToCharIndex(HasSelection() ? BlockLast() : fCaretPos); }

void TSxMemo::SetSelEndIndex(int Value) {
  HandleNeeded();
  TCustomSxEdit::SetSelEnd(CharIndexToPos(Value));
}

void TSxMemo::Dispatch(TMessage& m) {
  // Packed 16-bit results saturate instead of wrapping.
  auto w16 = [](long long v) { return static_cast<WORD>(std::clamp<long long>(v, 0, 0xFFFF)); };
  switch (m.Msg) {
    case EM_GETSEL: {
      const int s = SelStartIndex(), e = SelEndIndex();
      if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = static_cast<DWORD>(s);
      if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = static_cast<DWORD>(e);
      m.Result = MAKELONG(w16(s), w16(e));
      return;
    }
    case EM_SETSEL:
      SetSelStartIndex(static_cast<int>(static_cast<std::intptr_t>(m.WParam)));
      SetSelEndIndex(static_cast<int>(m.LParam));
      return;
    case EM_GETMODIFY: m.Result = Modified() ? 1 : 0; return;
    case EM_SETMODIFY: SetModified(m.WParam != 0); return;
    case EM_GETLINECOUNT: m.Result = fLines->Count(); return;
    case EM_GETSELTEXT: {
      m.Result = 0;
      if (!m.LParam) return;
      const String t = GetSelText();
      std::memcpy(reinterpret_cast<char*>(m.LParam), t.c_str(), t.size() + 1);
      m.Result = static_cast<LRESULT>(t.size());
      return;
    }
    case EM_REPLACESEL: {
      if (GetReadOnly()) return;
      const bool canUndo = m.WParam != 0;
      const String text = m.LParam ? reinterpret_cast<const char*>(m.LParam) : "";
      FirePaintTransient(ttBefore);
      {
        UndoBlockGuard block(this);
        if (HasSelection() && canUndo)
          fUndoList->AddChange(chDelete, BlockFirst(), BlockLast(), GetSelText(), fSelectionMode);
        const TBufferCoord start = BlockFirst(), last = BlockLast();
        SetSelBegin(start);
        TCustomSxEdit::SetSelEnd(last);
        LockUndoLists();
        try {
          SetSelText(text);
        } catch (...) {
          UnlockUndoLists();
          throw;
        }
        UnlockUndoLists();
        if (canUndo) fUndoList->AddChange(chPaste, start, BlockLast(), GetSelText(), smNormal);
      }
      EnsureCaretVisible();
      StatusChanged(scSelection);
      FirePaintTransient(ttAfter);
      return;
    }
    case EM_GETLINE: {
      m.Result = 0;
      const int index = static_cast<int>(m.WParam);
      if (!m.LParam || index < 0 || index >= fLines->Count()) return;
      auto* buffer = reinterpret_cast<char*>(m.LParam);
      WORD size;
      std::memcpy(&size, buffer, sizeof size);
      const String line = fLines->Get(index);
      std::size_t n = std::min<std::size_t>(line.size(), size);
      while (n > 0 && !Utf8IsBoundary(line, n)) --n;
      std::memcpy(buffer, line.data(), n);
      if (n < size) buffer[n] = 0;
      m.Result = static_cast<LRESULT>(n);
      return;
    }
    case EM_CANUNDO: m.Result = CanUndo() ? 1 : 0; return;
    case EM_UNDO:
      m.Result = CanUndo() ? 1 : 0;
      Undo();
      return;
    case EM_GETFIRSTVISIBLELINE: m.Result = fTopRow; return;
    case EM_CHARFROMPOS: {
      const int x = static_cast<short>(LOWORD(static_cast<std::uintptr_t>(m.LParam)));
      const int y = static_cast<short>(HIWORD(static_cast<std::uintptr_t>(m.LParam)));
      TBufferCoord p = DisplayToBufferPos(PixelsToRowColumn(x, y));
      const int l = p.Line - 1;
      if (l >= 0 && l < fLines->Count())
        p.Char = std::min(p.Char, SxCharCount(fLines->Get(l)) + 1);
      else
        p.Char = 1;
      long long index = p.Char;
      for (int k = 0; k < std::min(l, fLines->Count()); ++k) index += SxCharCount(fLines->Get(k)) + 2;
      m.Result = MAKELONG(w16(index), w16(l));
      return;
    }
    default: break;
  }
  TSxEdit::Dispatch(m);
}
