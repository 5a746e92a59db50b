#pragma once
// The SQL editor control: a windowed control of the platform that shows a TSxEditStringList on
// a fixed character grid with syntax colours, a gutter, a caret, three selection modes, undo
// and redo, key commands, mouse selection, the clipboard, drag and drop and word wrap.
//
// Positions: TBufferCoord (Char, Line) counts characters of a line's UTF-8 text, from 1;
// TDisplayPoint (Column, Row) is the screen grid after tab expansion and word wrap. One
// character is one cell.

#include <array>
#include <memory>
#include <vector>

#include "editor/SxEditHighlighter.h"
#include "editor/SxEditKbdHandler.h"
#include "editor/SxEditKeyCmds.h"
#include "editor/SxEditMiscClasses.h"
#include "editor/SxEditTextBuffer.h"
#include "editor/SxEditTypes.h"
#include "editor/SxEditUndo.h"
#include "editor/SxTextDrawer.h"
#include "platform/forms/Controls.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

VT_DECLARE_EXCEPTION(ESxEditError, Exception);

using TSxEditorOptions = std::uint32_t;
constexpr TSxEditorOptions eoAltSetsColumnMode = 1u << 0, eoAutoIndent = 1u << 1, eoAutoSizeMaxScrollWidth = 1u << 2,
                           eoDisableScrollArrows = 1u << 3, eoDragDropEditing = 1u << 4, eoDropFiles = 1u << 5,
                           eoEnhanceHomeKey = 1u << 6, eoEnhanceEndKey = 1u << 7, eoGroupUndo = 1u << 8,
                           eoHalfPageScroll = 1u << 9, eoHideShowScrollbars = 1u << 10, eoKeepCaretX = 1u << 11,
                           eoNoCaret = 1u << 12, eoNoSelection = 1u << 13, eoRightMouseMovesCursor = 1u << 14,
                           eoScrollByOneLess = 1u << 15, eoScrollHintFollows = 1u << 16, eoScrollPastEof = 1u << 17,
                           eoScrollPastEol = 1u << 18, eoShowScrollHint = 1u << 19, eoShowSpecialChars = 1u << 20,
                           eoSmartTabDelete = 1u << 21, eoSmartTabs = 1u << 22, eoSpecialLineDefaultFg = 1u << 23,
                           eoTabIndent = 1u << 24, eoTabsToSpaces = 1u << 25, eoTrimTrailingSpaces = 1u << 26;
constexpr TSxEditorOptions SX_DEFAULT_OPTIONS = 0x026C0192;

using TSxStatusChanges = std::uint16_t;
constexpr TSxStatusChanges scAll = 1 << 0, scCaretX = 1 << 1, scCaretY = 1 << 2, scLeftChar = 1 << 3,
                           scTopLine = 1 << 4, scInsertMode = 1 << 5, scModified = 1 << 6, scSelection = 1 << 7,
                           scReadOnly = 1 << 8;

using TSxStateFlags = std::uint16_t;
constexpr TSxStateFlags stCaretPending = 1 << 0, stScrollBarsPending = 1 << 1, stLinesChanging = 1 << 2,
                        stIgnoreNextChar = 1 << 3, stCaretShown = 1 << 4, stDoubleClicked = 1 << 5,
                        stGutterClickPending = 1 << 6, stWaitForDrag = 1 << 7, stGutterDragging = 1 << 8;

// Change reasons of the undo records.
enum TSxChangeReason : std::uint8_t {
  chInsert,
  chPaste,
  chDragDropInsert,
  chDeleteForward,
  chDelete,
  chLineBreak,
  chIndent,
  chUnindent,
  chDeleteNoSelect,
  chDeleteForwardNoSelect,
  chMarkerABegin,
  chMarkerAEnd,
  chPasteBegin,
  chPasteEnd,
  chMarkerBBegin,
  chMarkerBEnd,
  chMarkerCBegin,
  chMarkerCEnd,
  chCaret,
  chSelection,
  chNothing,
  chGroupBreak,
  chDeleteAll,
  chPadding
};

enum TSxEditCaretType { ctVerticalLine, ctHorizontalLine, ctHalfBlock, ctBlock };
enum TScrollHintFormat { shfTopLineOnly, shfTopToBottom };
enum TSxTransientType { ttBefore, ttAfter };
enum TSxReplaceAction { raCancel, raSkip, raReplace, raReplaceAll };

// Sent through the command pipeline by the control itself on focus changes.
constexpr TSxEditorCommand ecFocusGained = 480, ecFocusLost = 481;

// The word-wrap layout as the control sees it.
class ISxEditBufferPlugin {
public:
  virtual ~ISxEditBufferPlugin() = default;
  virtual TDisplayPoint BufferToDisplayPos(const TBufferCoord& aPos) = 0;
  virtual TBufferCoord DisplayToBufferPos(const TDisplayPoint& aPos) = 0;
  virtual int RowCount() = 0;
  virtual int GetRowLength(int aRow) = 0;
  virtual int LinesInserted(int aIndex, int aCount) = 0;
  virtual int LinesDeleted(int aIndex, int aCount) = 0;
  virtual int LinesChanged(int aIndex, int aCount) = 0;
  // The rows (1-based, as laid now) that the last LinesChanged laid anew; the rows after them
  // show what they showed before, moved by the rows it added. False: not known.
  virtual bool LastChangedRows(int& First, int& Last) {
    (void)First;
    (void)Last;
    return false;
  }
  // The rows up to Row (1-based) and the row count become what a fresh layout gives: an edit
  // may leave a long line's rows below the window laid provisionally (RowCount counts them).
  virtual void FinishRows(int Row) { (void)Row; }
  // Some of the provisional rows laid for good, a slice per idle time.
  virtual void FinishSomeRows() {}
  virtual void DisplayChanged() = 0;
  virtual void Reset() = 0;
};

class TCustomSxEdit;
class TBasicAction;
using TPlaceMarkEvent = TEvent<void(TObject* Sender, TSxEditMark*& Mark)>;
using TProcessCommandEvent = TEvent<void(TObject* Sender, TSxEditorCommand& Command, char32_t& AChar, void* Data)>;
using TContextHelpEvent = TEvent<void(TObject* Sender, const String& Word)>;
using TDropFilesEvent = TEvent<void(TObject* Sender, int X, int Y, TStrings* AFiles)>;
using TGutterClickEvent = TEvent<void(TObject* Sender, TMouseButton Button, int X, int Y, int Line, TSxEditMark* Mark)>;
using TGutterGetTextEvent = TEvent<void(TObject* Sender, int aLine, String& aText)>;
using TGutterPaintEvent = TEvent<void(TObject* Sender, int aLine, int X, int Y)>;
using TMouseCursorEvent = TEvent<void(TObject* Sender, const TBufferCoord& aLineCharPos, TCursor& aCursor)>;
using TPaintEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas)>;
using TPaintTransient = TEvent<void(TObject* Sender, TCanvas* Canvas, TSxTransientType TransientType)>;
using TReplaceTextEvent = TEvent<void(TObject* Sender, const String& ASearch, const String& AReplace, int Line,
                                      int Column, TSxReplaceAction& Action)>;
using TScrollEvent = TEvent<void(TObject* Sender, int ScrollBar)>;
using TSpecialLineColorsEvent = TEvent<void(TObject* Sender, int Line, bool& Special, TColor& FG, TColor& BG)>;
using TStatusChangeEvent = TEvent<void(TObject* Sender, TSxStatusChanges Changes)>;

// The rectangles invalidated while the lines change, handed to the window when they are done.
// Few and apart: one bounding box of a change's rows and a gutter row far above them would
// repaint every row in between. A rectangle joins one whose bounding box with it is no larger
// than the two together; past the last slot, the one it grows least.
struct TSxPendingRects {
  std::array<RECT, 4> Rects{};
  int Count = 0;
  void Add(const RECT& R);
};

// A point inside a line where a token starts.
struct TLongLineScanPoint {
  int Char;  // 0-based
  std::size_t Byte;
  TSxRange Range;  // the state the token starts in
  // How an edit moves the points after it.
  struct Shift {
    int Chars = 0;
    std::ptrdiff_t Bytes = 0;
    void Apply(TLongLineScanPoint& p) const {
      p.Char += Chars;
      p.Byte = static_cast<std::size_t>(static_cast<std::ptrdiff_t>(p.Byte) + Bytes);
    }
    Shift& operator+=(const Shift& o) {
      Chars += o.Chars;
      Bytes += o.Bytes;
      return *this;
    }
  };
};

class TCustomSxEdit : public TCustomControl {
  VT_CLASS(TCustomSxEdit, TCustomControl)
public:
  explicit TCustomSxEdit(TComponent* AOwner);
  ~TCustomSxEdit() override;
  void BeforeDestruction() override;

  // ---- state and properties ----
  TSxEditStringList* Lines() const { return fLines.get(); }
  void SetLines(TStrings* Value) { fLines->Assign(Value); }
  // Lines joined by CR LF, without one after the last line.
  String GetText() override;
  void SetTextValue(const String& v) override;
  String LineText();
  void SetLineText(const String& Value);
  TSxCustomHighlighter* Highlighter() const { return fHighlighter; }
  void SetHighlighter(TSxCustomHighlighter* Value);
  TSxEditorOptions Options() const { return fOptions; }
  void SetOptions(TSxEditorOptions Value);
  bool HasOption(TSxEditorOptions o) const { return (fOptions & o) != 0; }
  virtual bool GetReadOnly() const { return fReadOnly; }
  virtual void SetReadOnly(bool Value);
  bool InsertMode() const { return fInsertMode; }
  void SetInsertMode(bool Value);
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value);
  int RightEdge() const { return fRightEdge; }
  void SetRightEdge(int Value);
  TColor RightEdgeColor() const { return fRightEdgeColor; }
  void SetRightEdgeColor(TColor Value);
  TColor ActiveLineColor() const { return fActiveLineColor; }
  void SetActiveLineColor(TColor Value);
  int MaxScrollWidth() const { return fMaxScrollWidth; }
  void SetMaxScrollWidth(int Value);
  int MaxUndo() const { return fUndoList->MaxUndoActions(); }
  void SetMaxUndo(int Value);
  int ExtraLineSpacing() const { return fExtraLineSpacing; }
  void SetExtraLineSpacing(int Value);
  bool HideSelection() const { return fHideSelection; }
  void SetHideSelection(bool Value);
  TSxEditCaretType InsertCaret() const { return fInsertCaret; }
  void SetInsertCaret(TSxEditCaretType Value);
  TSxEditCaretType OverwriteCaret() const { return fOverwriteCaret; }
  void SetOverwriteCaret(TSxEditCaretType Value);
  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  TColor ScrollHintColor = clInfoBk;
  TScrollHintFormat ScrollHintFormat = shfTopLineOnly;
  bool WantReturns = true, WantTabs = false;
  bool CaretAlwaysShown = false;
  TSxSelectionMode SelectionMode() const { return fSelectionMode; }
  void SetSelectionMode(TSxSelectionMode Value);
  TSxSelectionMode ActiveSelMode() const { return fActiveSelMode; }
  void SetActiveSelMode(TSxSelectionMode Value);
  bool WordWrap() const { return fWrapPlugin != nullptr; }
  void SetWordWrap(bool Value);
  ISxEditBufferPlugin* WrapPlugin() const { return fWrapPlugin.get(); }
  TSxGutter* Gutter() const { return fGutter.get(); }
  void SetGutter(TSxGutter* Value) { fGutter->Assign(Value); }
  TSxSelectedColor* SelectedColor() const { return fSelectedColor.get(); }
  TSxBookMarkOpt* BookMarkOptions() const { return fBookMarkOpt.get(); }
  TSxGlyph* WordWrapGlyph() const { return fWordWrapGlyph.get(); }
  TSxEditKeyStrokes* Keystrokes() const { return fKeystrokes.get(); }
  void SetKeystrokes(TSxEditKeyStrokes* Value);
  TSxEditUndoList* UndoList() const { return fUndoList.get(); }
  TSxEditUndoList* RedoList() const { return fRedoList.get(); }
  TSxEditMarkList* Marks() const { return fMarks.get(); }
  TSxEditMark* Bookmarks(int n) const { return n >= 0 && n < 10 ? fBookmarks[static_cast<std::size_t>(n)] : nullptr; }
  TSxEditKbdHandler* KbdHandler() { return &fKbdHandler; }
  TheTextDrawer* TextDrawer() const { return fTextDrawer.get(); }
  TSxStateFlags StateFlags() const { return fStateFlags; }
  bool Modified() const { return fModified; }
  void SetModified(bool Value);
  TTimer* ScrollTimer() const { return fScrollTimer; }
  std::vector<HWND>& FocusControls() { return fFocusControls; }
  TFont* FixedPitchFont() const { return fFixedPitchFont.get(); }

  // ---- metrics and coordinates ----
  int CharWidth() const { return fCharWidth; }
  int RowHeight() const { return fRowHeight; }
  int ColumnsInWindow() const { return fColumnsInWindow; }
  int RowsInWindow() const { return fRowsInWindow; }
  int GutterWidth() const { return fGutterWidth; }
  int TextOffset() const { return fTextOffset; }
  int TopRow() const { return fTopRow; }
  void SetTopRow(int Value);
  int LeftColumn() const { return fLeftColumn; }
  void SetLeftColumn(int Value);
  int DisplayRowCount();
  TDisplayPoint CaretDisplayPos();
  int CaretDisplayColumn() { return CaretDisplayPos().Column; }
  int CaretDisplayRow() { return CaretDisplayPos().Row; }
  TDisplayPoint PixelsToRowColumn(int aX, int aY) const;
  TDisplayPoint PixelsToNearestRowColumn(int aX, int aY) const;
  TPoint RowColumnToPixels(const TDisplayPoint& RowCol) const;
  TDisplayPoint BufferToDisplayPos(const TBufferCoord& p);
  TBufferCoord DisplayToBufferPos(const TDisplayPoint& p);
  int LineToRow(int aLine);
  int RowToLine(int aRow);
  bool CaretInView();
  void EnsureCaretVisible() { EnsureCaretVisibleEx(false); }
  void EnsureCaretVisibleEx(bool ForceToMiddle);
  bool CaretAtRowEnd() const { return fCaretAtRowEnd; }

  // ---- caret ----
  TBufferCoord CaretPos() const { return fCaretPos; }
  void SetCaretPosInternal(const TBufferCoord& Value) { SetCaretPosEx(true, Value); }
  void SetCaretChar(int Value) { SetCaretPosInternal(BufferCoord(Value, fCaretPos.Line)); }
  void SetCaretLine(int Value) { SetCaretPosInternal(BufferCoord(fCaretPos.Char, Value)); }
  virtual void SetCaretPosEx(bool EnsureVisible, TBufferCoord Value);
  virtual void PlaceCaret(const TBufferCoord& Value);
  void PlaceCaretAndSelection(const TBufferCoord& Caret, const TBufferCoord& Begin, const TBufferCoord& End);
  void SetCaretDisplayPos(const TDisplayPoint& aPos);
  void UpdateLastCaretColumn();
  int LastCaretColumn() const { return fLastCaretColumn; }

  // ---- painting ----
  void IncPaintLock() { ++fPaintLock; }
  void DecPaintLock();
  int PaintLock() const { return fPaintLock; }
  void InvalidateLines(int FirstLine, int LastLine);
  void InvalidateLine(int Line);
  // Display rows, clipped to the window.
  void InvalidateRows(int FirstRow, int LastRow);
  // With word wrap, an edit inside one line repaints only the rows whose text or colours it
  // changed (and all below when it added or removed rows); false when that is not known.
  bool InvalidateEditedRows(int Index, int RowsAdded);
  // From the word-wrap layout: rows left provisional are to be finished when the application
  // is idle; rows [FirstRow, LastRow] were laid again later, adding RowsAdded rows.
  void WrapRowsDeferred();
  void WrapRowsRelaid(int FirstRow, int LastRow, int RowsAdded);
  void InvalidateGutterLines(int FirstLine, int LastLine);
  // Display rows of the gutter, clipped to the window.
  void InvalidateGutterRows(int FirstRow, int LastRow);
  void InvalidateGutter() { InvalidateGutterLines(-1, -1); }
  void InvalidateSelection();
  virtual void InvalidateRect(const RECT& aRect, bool aErase);

  // ---- selection and text ----
  TBufferCoord BlockFirst() const;
  TBufferCoord BlockLast() const;
  TBufferCoord SelBegin() const { return fSelBegin; }
  TBufferCoord SelEnd() const { return fSelEnd; }
  void SetSelBegin(TBufferCoord Value);
  void SetSelEnd(TBufferCoord Value);
  bool HasSelection() const;
  bool IsSelMultiLine() const;
  bool SelSpansWholeLines();
  bool IsPointInSelection(const TBufferCoord& Value) const;
  String GetSelText();
  void SetSelText(const String& Value);
  void SetSelTextPrimitive(TSxSelectionMode Mode, const String& Value, bool AddToUndo);
  void SetSelTextInMode(const String& Value) { SetSelTextPrimitive(fActiveSelMode, Value, true); }
  void SelectAll();
  void ClearSelection();
  void ClearAll();
  void ClearUndo();
  void SelectWordAt(TBufferCoord Value);
  String WordAtCaret();
  // Without its trailing blanks and tabs.
  static String TrimTrailingBlanks(const String& Value);
  void SetLineTrimmed(int Index, String Value);
  int IndentWidth(std::string_view Line, bool ExpandTabs) const;
  String MakeIndent(int Width, bool AllowTabs) const;

  // ---- undo ----
  void BeginUndoBlock() { fUndoList->BeginBlock(); }
  void EndUndoBlock() { fUndoList->EndBlock(); }
  void LockUndoLists() {
    fUndoList->Lock();
    fRedoList->Lock();
  }
  void UnlockUndoLists() {
    fUndoList->Unlock();
    fRedoList->Unlock();
  }
  bool CanUndo() const { return !GetReadOnly() && fUndoList->CanUndo(); }
  bool CanRedo() const { return !GetReadOnly() && fRedoList->CanUndo(); }
  void Undo();
  void Redo();

  // ---- commands ----
  virtual void ProcessCommand(TSxEditorCommand Command, char32_t AChar, void* Data);
  virtual void RunCommand(TSxEditorCommand Command, char32_t AChar, void* Data);
  TSxEditorCommand KeyToCommand(WORD Key, TShiftState Shift);

  // ---- words and brackets ----
  virtual TBufferCoord NextWordStartFrom(const TBufferCoord& Pos);
  virtual TBufferCoord WordBeginAt(const TBufferCoord& Pos);
  virtual TBufferCoord WordEndAt(const TBufferCoord& Pos);
  virtual TBufferCoord PrevWordStartFrom(const TBufferCoord& Pos);
  virtual TBufferCoord NextWordStart() { return NextWordStartFrom(fCaretPos); }
  virtual TBufferCoord CaretWordBegin() { return WordBeginAt(fCaretPos); }
  virtual TBufferCoord CaretWordEnd() { return WordEndAt(fCaretPos); }
  virtual TBufferCoord PrevWordStart() { return PrevWordStartFrom(fCaretPos); }
  bool IsWordChar(char32_t c) const;
  TSxCharSet IdentChars() const;
  virtual TBufferCoord MatchingBracketAt(const TBufferCoord& Pos);
  virtual TBufferCoord MatchingBracket() { return MatchingBracketAt(fCaretPos); }
  virtual void GoToMatchingBracket();
  bool TokenAt(const TBufferCoord& Pos, String& Token, TSxHighlighterAttributes*& Attri, int& TokenKind, int& Start);

  // ---- marks and bookmarks ----
  void SetBookmark(int Number, int Char, int Line);
  void ClearBookmark(int Number);
  void GotoBookmark(int Number);
  void ShiftMarksInserted(int FirstLine, int Count);
  void ShiftMarksDeleted(int FirstLine, int Count);

  // ---- clipboard ----
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  bool CanPaste() const;

  // ---- tabs, indentation and case ----
  static String ToggleCaseText(const String& Text);

  // ---- status ----
  void StatusChanged(TSxStatusChanges AChanges);

  // ---- events ----
  TNotifyEvent OnChange;
  TPlaceMarkEvent OnClearBookmark, OnPlaceBookmark;
  TProcessCommandEvent OnCommandProcessed, OnProcessCommand, OnProcessUserCommand;
  TContextHelpEvent OnContextHelp;
  TDropFilesEvent OnDropFiles;
  TGutterClickEvent OnGutterClick;
  TGutterGetTextEvent OnGutterGetText;
  TGutterPaintEvent OnGutterPaint;
  TMouseCursorEvent OnMouseCursor;
  TPaintEvent OnPaint;
  TPaintTransient OnPaintTransient;
  TReplaceTextEvent OnReplaceText;
  TScrollEvent OnScroll;
  TSpecialLineColorsEvent OnSpecialLineColors;
  TStatusChangeEvent OnStatusChange;

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void SetFocus() override;
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  void DragCanceled() override;
  // The key-table difference against the default table, as a form stores it: bindings the
  // table adds and bindings of the default it removes; applying it rebuilds the table.
  void GetKeystrokeDelta(TSxEditKeyStrokes& Added, TSxEditKeyStrokes& Removed) const;
  void ApplyKeystrokeDelta(const TSxEditKeyStrokes& Added, const TSxEditKeyStrokes& Removed);
  // The framework's standard edit actions (cut, copy, paste, delete, undo, select all) run on
  // this editor while it is focused; other actions as any control.
  bool ExecuteAction(TBasicAction* Action) override;
  bool UpdateAction(TBasicAction* Action) override;
  // Files dropped on the window (full paths).
  void DropFiles(int X, int Y, const std::vector<String>& Files);

  // Keys and mouse as the window receives them (public for the input layer and tests).
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void ScrollTimerTick(TObject* Sender);

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void DestroyWnd() override;
  void Paint() override;
  // Paints what the DC's clip box holds, gutter and text, without the paint events.
  void PaintClipBox();
  void Resize() override;
  void DblClick() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  LRESULT DialogCode() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

  virtual void FireChange() {
    if (OnChange) OnChange(this);
  }
  virtual void LinesChanged(TObject* Sender);
  virtual void PaintGutter(const RECT& AClip, int aFirstRow, int aLastRow);
  virtual void PaintTextLines(RECT AClip, int aFirstRow, int aLastRow, int FirstCol, int LastCol);
  virtual void UpdateMouseCursor();
  virtual void FireClearBookmark(TSxEditMark*& Mark);
  virtual void FirePlaceBookmark(TSxEditMark*& Mark);
  virtual void FireGutterClick(TMouseButton Button, int X, int Y);
  virtual void FireCommandProcessed(TSxEditorCommand Command, char32_t AChar, void* Data);
  virtual void FireProcessCommand(TSxEditorCommand& Command, char32_t& AChar, void* Data);
  virtual void FirePaint();
  virtual void FirePaintTransientEx(TSxTransientType TransientType, bool Lock);
  void FirePaintTransient(TSxTransientType TransientType) { FirePaintTransientEx(TransientType, false); }
  virtual bool FireSpecialLineColors(int Line, TColor& Foreground, TColor& Background);
  virtual void FireStatusChange();
  virtual void SetDefaultKeystrokes() { fKeystrokes->ResetDefaults(); }

  // Caret and metrics.
  void InitializeCaret();
  void UpdateCaret();
  void ShowCaretIfHidden();
  void HideCaretIfShown();
  void RecalcCharExtent();
  void FontChanged();
  void SizeOrFontChanged(bool FontChanged);
  void GutterChanged();
  void SetGutterWidth(int Value);
  void HighlighterAttrChanged(TObject* Sender);
  void UpdateScrollBars();
  void ComputeCaret(int X, int Y);
  void ComputeScroll(int X, int Y);
  void HandleHScroll(WPARAM wParam);
  void HandleVScroll(WPARAM wParam);
  void ShowScrollHint();

  // Line buffer callbacks.
  void LinesChanging(TObject* Sender);
  void ListCleared(TObject* Sender);
  void ListDeleted(TObject* Sender, int Index, int Count);
  void ListInserted(TObject* Sender, int Index, int Count);
  void ListPutted(TObject* Sender, int Index, int Count);
  // Invalidates R, or adds it to the pending rectangle while the lines are changing.
  void InvalidateOrDefer(const RECT& R);
  int RescanFrom(int Index, int Last);
  // The scan of a very long line (see TLongLineScan): valid for the line's present text and
  // start range, scanned whole when it is not; false when the line is short or the highlighter
  // scans lines from their start only.
  bool LongLineScan(int Index, TSxRange Start);
  // Follows an edit inside the scanned long line: rescans from the point before it until the
  // scan agrees with the old one again.
  void LongLineEdited(int Index);
  // Scans on from the highlighter's present token, putting new points at Tail, to the line's
  // end or until a token starts at one of the old points from Tail on in the same state (true:
  // the rest is as before). With an edit at EditChar, notes what may be coloured differently.
  bool LongLineScanOn(std::size_t Tail, int EditChar = -1, std::size_t Stale = 0);
  void MarkRangesDirty(int First, int Last);
  void RescanDirtyRanges();
  void RescanAll();

  // Editing.
  // Enter inside a line's text without a copy of the line; false when it takes the long way.
  bool SplitInPlace(bool MoveCaret);
  // Undo of a line break: joins the line before Edit.Line with it, undoing Edit on it first.
  void JoinBrokenLine(const TSxLineEdit& Edit);
  void InsertColumnBlock(const TBufferCoord& Start, const TBufferCoord& End, const String& Text, bool Record);
  void MoveCaretHorizontally(int DX, bool Extend);
  void MoveCaretVertically(int DY, bool Extend);
  void MoveCaretExtending(const TBufferCoord& Before, const TBufferCoord& After, bool Extend);
  void GoLineStart(bool Extend);
  void GoLineEnd(bool Extend);
  void DeleteSelectionRecorded();
  void DoBackspace();
  void DoDeleteChar();
  void DoDeleteWordOrEol(TSxEditorCommand Command);
  void DoDeleteLastWordOrBol(TSxEditorCommand Command);
  void DoDeleteLine();
  void DoLineBreak(bool MoveCaret);
  void DoTypeChar(char32_t C);
  void DoImeStr(const String& S);
  void InsertTab();
  void RemoveTab();
  void IndentBlock();
  void UnindentBlock();
  void ChangeCase(TSxEditorCommand Cmd);
  int UnindentPieceLength(const String& Text) const;
  void UndoOne(TSxEditUndoItem& Item);
  void RedoOne(TSxEditUndoItem& Item);
  void ChangeRecorded(TSxEditUndoList* List);
  // Records text just inserted from Start to the end of the (collapsed) selection.
  void RecordInsertion(std::uint8_t Reason, TBufferCoord Start);
  // Records the deletion of the selection (made before the deletion itself); a column
  // deletion then keeps the exact line edits it makes with this record.
  void RecordSelectionDelete(std::uint8_t Reason, const String& Text);
  // Blanks and tabs that trimming took from a line's end during the present command are
  // recorded as deleted (and the caret where the command left it), so undo gives them back.
  void RecordTrimmed();
  // The caret and the selection as they are, for a step whose replay would not give them back:
  // before the change (selection first, so undo ends with it), or after it (caret first).
  void RecordCaretAndSelection(bool CaretFirst);
  void ApplyLineEdits(const std::vector<TSxLineEdit>& Edits, bool Forward);
  void SyncModified();
  void ClipboardWrite(const String& Text);

  // Line access in characters.
  int LineLength(int Line) const;  // characters of the 1-based line, 0 when missing
  String LineAt(int Line) const;   // text of the 1-based line, empty when missing
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  bool Focusing();

  std::unique_ptr<TSxEditStringList> fLines;
  std::unique_ptr<TSxEditUndoList> fUndoList, fRedoList;
  std::unique_ptr<TSxEditKeyStrokes> fKeystrokes;
  std::unique_ptr<TSxGutter> fGutter;
  std::unique_ptr<TSxSelectedColor> fSelectedColor;
  std::unique_ptr<TSxBookMarkOpt> fBookMarkOpt;
  std::unique_ptr<TSxGlyph> fWordWrapGlyph;
  std::unique_ptr<TSxEditMarkList> fMarks;
  std::unique_ptr<TFont> fFixedPitchFont;
  std::unique_ptr<TheTextDrawer> fTextDrawer;
  std::unique_ptr<TSxInternalImage> fInternalImages;
  std::unique_ptr<ISxEditBufferPlugin> fWrapPlugin;
  std::array<TSxEditMark*, 10> fBookmarks{};
  TSxEditKbdHandler fKbdHandler;
  TSxCustomHighlighter* fHighlighter = nullptr;
  TTimer* fScrollTimer = nullptr;
  std::vector<HWND> fFocusControls;

  TBufferCoord fSelBegin{1, 1}, fSelEnd{1, 1}, fCaretPos{1, 1};
  int fLastCaretColumn = 1;
  bool fMbcsStepAside = false;
  int fColumnsInWindow = 0, fCharWidth = 0, fRowsInWindow = 0, fRowHeight = 0;
  int fLeftColumn = 1, fTopRow = 1, fMaxScrollWidth = 1024, fPaintLock = 0;
  bool fReadOnly = false, fInsertMode = true, fModified = false, fHideSelection = false;
  bool fCaretAtRowEnd = false, fThumbTracking = false;
  int fRightEdge = 80;
  TColor fRightEdgeColor = clSilver, fActiveLineColor = clNone;
  TScrollStyle fScrollBars = ssBoth;
  int fTextOffset = 0, fGutterWidth = 0, fExtraLineSpacing = 0, fTabWidth = 8;
  TSxEditCaretType fInsertCaret = ctVerticalLine, fOverwriteCaret = ctBlock;
  TPoint fCaretOffset;
  TSxPendingRects fPendingInvalid;
  // The update region's rectangles while a WM_PAINT with a region of several is handled.
  std::vector<RECT> fPaintRects;
  TSxStateFlags fStateFlags = 0;
  TSxEditorOptions fOptions = SX_DEFAULT_OPTIONS;
  TSxStatusChanges fPendingStatusChanges = 0;
  WORD fPendingKey = 0;
  TShiftState fPendingShift;
  int fImeCharsToSkip = 0;
  TPoint fMouseDownPos;
  int fWheelRemainder = 0;
  int fScrollDeltaX = 0, fScrollDeltaY = 0;
  int fTransientLock = 0;
  TSxSelectionMode fSelectionMode = smNormal, fActiveSelMode = smNormal;
  TNotifyEvent fAttrChangeHook;
  bool fScrollHintShown = false;
  int fBarShown[2] = {-1, -1};
  int fDirtyFirst = -1, fDirtyLast = -1;
  int fScrollsInLock =
      0;  // picture scrolls made inside the present paint lock  // lines whose highlighter ranges wait for a rescan  // horizontal, vertical: -1 unknown, 0 hidden, 1 shown
  TBufferCoord fPadStart{0, 0};  // where the last insertion's padding began, if any
  TSxEditUndoItem* fColumnDeleteRecord = nullptr;  // the record a column deletion completes
  // The token colours of a line as runs of columns, as painting scans them.
  struct TPaintRuns {
    struct Run {
      int From, To;
      TSxHighlighterAttributes* Attr;
    };
    int Line = 0;
    std::uint64_t Stamp = 0;  // the line buffer's change stamp they were scanned at
    std::vector<Run> Runs;
    TSxHighlighterAttributes* Last = nullptr;
    bool Stopped = false;  // scanning stopped past the painted columns
    int EndCol = -1;       // where a NUL stopped the scanner, -1 when it reached the end
  };
  TPaintRuns fPaintRuns;  // of the last long line painted
  // Where the highlighter stood inside one very long line, about every few hundred
  // characters, so that a change or a paint there scans from the nearest point before it
  // instead of from the line's start.
  struct TLongLineScan {
    using Point = TLongLineScanPoint;
    int Line = -1;  // 0-based; -1: none
    std::uint64_t Serial = 0;  // the line buffer's text serial it was made for
    TSxRange Start = 0;  // the range the line was scanned from
    // The first one at the line's start; only the present scan's may owe a shift.
    TSxOwedShiftList<Point, Point::Shift> Points;
    TSxRange EndRange = 0;  // the range at the line's end
    int EndChar = 0;  // where scanning stopped: the line's end or a NUL
    TSxHighlighterAttributes* LastAttr = nullptr;  // the line's last token's attribute
    // The characters (0-based, of the text at ChangedSerial) whose colours the last edit inside
    // the line may have changed; ChangedTo INT32_MAX: to the line's end.
    int ChangedFrom = 0, ChangedTo = 0;
    std::uint64_t ChangedSerial = 0;
    // Points from the line's start are right but the scan of the rest is not made yet (the
    // first part of a line that was broken in two).
    bool Partial = false;
    // The points after the first were scanned from another start state: the line is scanned
    // again from its start until it agrees with them.
    bool StartGuessed = false;
    // The line is being broken in two and is about to lose its first bytes to the line above.
    std::size_t LosingHead = 0;
  };
  TLongLineScan fLongScan;
  // Scans of other long lines, the most recently used first: painting several of them, or
  // breaking one in two, does not scan each whole again and again.
  std::vector<TLongLineScan> fSpareScans;
  static constexpr std::size_t kSpareScans = 7;
  // The kept scan of the line made at the text serial; null when there is none.
  TLongLineScan* SpareScan(int Line, std::uint64_t Serial);
  // Keeps a scan among the spares, first, in place of another of its line.
  void KeepSpareScan(TLongLineScan&& Scan);
  // Keeps the present scan among the spares, when it is valid.
  void ParkLongScan();
  // The scans follow Deleted lines at Index replaced by Inserted ones: a scan moves with its
  // line, or is forgotten when its line went or other changes came between. Current: the
  // present scan too, else only the spares.
  void FollowLongScans(int Index, int Inserted, int Deleted, bool Current = true);
  // A long line inserted next to the scanned line it was cut from takes the scan's points of
  // that part.
  void SeedCutScan(int Index);
  std::vector<TLongLineScanPoint> fFreshPoints;  // kept for its storage
  // The blanks trimmed stores took from lines' ends since the command began, in order: undo
  // gives them back.
  std::vector<TSxLineEdit> fTrimmed;
};

class TSxEdit : public TCustomSxEdit {
  VT_CLASS(TSxEdit, TCustomSxEdit)
public:
  explicit TSxEdit(TComponent* AOwner) : TCustomSxEdit(AOwner) {}
};

// The editor control with the platform's edit-control messages.
class TSxMemo : public TSxEdit {
  VT_CLASS(TSxMemo, TSxEdit)
public:
  explicit TSxMemo(TComponent* AOwner) : TSxEdit(AOwner) {}
  int PosToCharIndex(const TBufferCoord& Pos) const;
  TBufferCoord CharIndexToPos(int Index) const;
  int SelStartIndex();
  void SetSelStartIndex(int Value);
  int SelEndIndex();
  void SetSelEndIndex(int Value);
  void Dispatch(TMessage& Message) override;
};

// The name the private clipboard format of editor blocks is registered under.
constexpr const char* SX_EDIT_CLIPBOARD_FORMAT_NAME = "SxEdit Control Block Type";
UINT SxEditClipboardFormat();
// The text of the private block (mode byte, text, NUL); unknown modes read as normal, a
// missing NUL ends the text at the block's end.
bool SxEditReadClipboardBlock(const std::string& Block, TSxSelectionMode& Mode, String& Text);
