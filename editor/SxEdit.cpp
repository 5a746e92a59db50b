// The editor control: construction, properties, metrics and coordinates, caret, scrolling,
// painting, invalidation, following the line buffer, marks and bookmarks.
#include "editor/SxEdit.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "editor/SxEditInternal.h"
#include "editor/SxWordWrap.h"
#include "platform/core/Math.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"
#include "platform/win/ShellApi.h"

namespace {

THintWindow* gScrollHint = nullptr;

THintWindow* ScrollHintWindow() {
  if (!gScrollHint) gScrollHint = new THintWindow(Application);
  return gScrollHint;
}

bool IsBlank(char32_t c) { return c == ' ' || c == '\t'; }

// Lines at least this long keep their painted token runs while their text is unchanged, or,
// with a highlighter that can scan from inside a line, points where its scan can go on.
constexpr std::size_t kKeptRunsBytes = 4096;
// Characters between the points of a long line's scan.
constexpr int kScanStep = 128;
// How far a token looks past its end: a point this close before a change may no longer start
// a token.
constexpr int kScanMargin = 8;
// The margin in bytes at most (a character takes four at most).
constexpr std::size_t kScanMarginBytes = 4 * kScanMargin;

}  // namespace

// ---- construction -------------------------------------------------------------------------

TCustomSxEdit::TCustomSxEdit(TComponent* AOwner)
    : TCustomControl(AOwner),
      fLines(std::make_unique<TSxEditStringList>()),
      fUndoList(std::make_unique<TSxEditUndoList>()),
      fRedoList(std::make_unique<TSxEditUndoList>()),
      fKeystrokes(std::make_unique<TSxEditKeyStrokes>(this)),
      fGutter(std::make_unique<TSxGutter>()),
      fSelectedColor(std::make_unique<TSxSelectedColor>()),
      fBookMarkOpt(std::make_unique<TSxBookMarkOpt>(this)),
      fWordWrapGlyph(std::make_unique<TSxGlyph>("SxEditWrapped", clLime)),
      fMarks(std::make_unique<TSxEditMarkList>(this)),
      fFixedPitchFont(std::make_unique<TFont>()) {
  fFixedPitchFont->SetName("Courier New");
  fFixedPitchFont->SetSize(10);
  Font()->Assign(fFixedPitchFont.get());
  fTextDrawer = std::make_unique<TheTextDrawer>(TFontStyles{}, Font());
  fGutterWidth = fGutter->Width();
  fTextOffset = fGutterWidth + 2;
  SetBounds(0, 0, 200, 150);
  SetCursor(crIBeam);
  SetColor(clWindow);
  fParentColor = false;
  fParentFont = false;
  fControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csDoubleClicks, csOpaque, csNeedsBorderPaint};
  fTabStop = true;
  fBorderStyle = bsSingle;

  fLines->OnChange = [this](TObject* s) { LinesChanged(s); };
  fLines->OnChanging = [this](TObject* s) { LinesChanging(s); };
  fLines->OnCleared = [this](TObject* s) { ListCleared(s); };
  fLines->OnLinesDeleted = [this](TObject* s, int i, int n) { ListDeleted(s, i, n); };
  fLines->OnLinesInserted = [this](TObject* s, int i, int n) { ListInserted(s, i, n); };
  fLines->OnLinesChanged = [this](TObject* s, int i, int n) { ListPutted(s, i, n); };
  fUndoList->OnAddedUndo = [this](TSxEditUndoList* l) { ChangeRecorded(l); };
  fRedoList->OnAddedUndo = [this](TSxEditUndoList* l) { ChangeRecorded(l); };
  fSelectedColor->OnChange = [this](TObject*) { InvalidateSelection(); };
  fBookMarkOpt->OnChange = [this](TObject*) { InvalidateGutter(); };
  fMarks->OnChange = [this](TObject*) { InvalidateGutter(); };
  fGutter->OnChange = [this](TObject*) { GutterChanged(); };
  fWordWrapGlyph->OnChange = [this](TObject*) { InvalidateGutter(); };
  Font()->OnChange = [this](TObject*) {
    // A proportional font is replaced by the fixed-pitch one with its colour, size, style.
    HDC dc = CreateMeasureDC();
    HFONT f = CreateFontIndirect(Font()->LogFont());
    HFONT old = SelectObject(dc, f);
    TEXTMETRIC tm;
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteObject(f);
    DeleteDC(dc);
    if (tm.tmAveCharWidth != tm.tmMaxCharWidth && Font()->Pitch() != fpFixed) {
      auto onChange = Font()->OnChange;
      Font()->OnChange = nullptr;
      fFixedPitchFont->SetColor(Font()->Color());
      fFixedPitchFont->SetSize(Font()->Size());
      fFixedPitchFont->SetStyle(Font()->Style());
      fFixedPitchFont->SetName(Font()->Name());
      fFixedPitchFont->SetPitch(fpFixed);
      Font()->Assign(fFixedPitchFont.get());
      Font()->OnChange = onChange;
    }
    FontChanged();
    if (fGutter->ShowLineNumbers()) GutterChanged();
  };
  fAttrChangeHook = TNotifyEvent(this, 1, [this](TObject* s) { HighlighterAttrChanged(s); });

  fScrollTimer = new TTimer(this);
  fScrollTimer->SetEnabled(false);
  fScrollTimer->SetInterval(100);
  fScrollTimer->SetOnTimer([this](TObject* s) { ScrollTimerTick(s); });

  SetDefaultKeystrokes();
  FontChanged();
}

TCustomSxEdit::~TCustomSxEdit() {
  fLines->OnChange = nullptr;
  fLines->OnChanging = nullptr;
  fLines->OnCleared = nullptr;
  fLines->OnLinesDeleted = nullptr;
  fLines->OnLinesInserted = nullptr;
  fLines->OnLinesChanged = nullptr;
  fUndoList->OnAddedUndo = nullptr;
  fRedoList->OnAddedUndo = nullptr;
  fMarks->OnChange = nullptr;
  fGutter->OnChange = nullptr;
  Font()->OnChange = nullptr;
}

void TCustomSxEdit::BeforeDestruction() {
  SetHighlighter(nullptr);
  TCustomControl::BeforeDestruction();
}

void TCustomSxEdit::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.WindowClass.style &= ~(CS_HREDRAW | CS_VREDRAW);
  Params.Style |= WS_CLIPCHILDREN;
  if (fBorderStyle == bsSingle) {
    Params.Style &= ~WS_BORDER;
    Params.ExStyle |= WS_EX_CLIENTEDGE;
  }
  if (fOptions & eoDropFiles) Params.ExStyle |= WS_EX_ACCEPTFILES;
}

void TCustomSxEdit::CreateWnd() {
  fBarShown[0] = fBarShown[1] = -1;
  TCustomControl::CreateWnd();
  SizeOrFontChanged(true);
  UpdateScrollBars();
}

void TCustomSxEdit::DestroyWnd() {
  if (fScrollHintShown) {
    ScrollHintWindow()->ReleaseHandle();
    fScrollHintShown = false;
  }
  TCustomControl::DestroyWnd();
}

void TCustomSxEdit::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == fHighlighter) {
    fHighlighter = nullptr;
    if (!ComponentState().Contains(csDestroying)) HighlighterAttrChanged(this);
  }
  if (fBookMarkOpt && AComponent == fBookMarkOpt->BookmarkImages()) {
    fBookMarkOpt->SetBookmarkImages(nullptr);
    InvalidateGutter();
  }
}

// ---- simple properties --------------------------------------------------------------------

String TCustomSxEdit::LineAt(int Line) const {
  if (Line < 1 || Line > fLines->Count()) return String();
  return fLines->Get(Line - 1);
}

int TCustomSxEdit::LineLength(int Line) const {
  return Line < 1 || Line > fLines->Count() ? 0 : fLines->CharCount(Line - 1);
}

String TCustomSxEdit::GetText() { return fLines->Text(); }

void TCustomSxEdit::SetTextValue(const String& v) { fLines->SetText(v); }

String TCustomSxEdit::LineText() { return LineAt(fCaretPos.Line); }

void TCustomSxEdit::SetLineText(const String& Value) {
  if (fCaretPos.Line >= 1 && fCaretPos.Line <= std::max(fLines->Count(), 1)) {
    if (fCaretPos.Line > fLines->Count())
      fLines->Add(Value);
    else
      fLines->Put(fCaretPos.Line - 1, Value);
  }
}

void TCustomSxEdit::SetHighlighter(TSxCustomHighlighter* Value) {
  if (Value == fHighlighter) return;
  if (fHighlighter) {
    fHighlighter->UnhookAttrChangeEvent(fAttrChangeHook);
    fHighlighter->RemoveFreeNotification(this);
  }
  if (Value) {
    Value->HookAttrChangeEvent(fAttrChangeHook);
    Value->FreeNotification(this);
  }
  fHighlighter = Value;
  if (!ComponentState().Contains(csDestroying)) HighlighterAttrChanged(Value ? static_cast<TObject*>(Value) : this);
}

void TCustomSxEdit::SetOptions(TSxEditorOptions Value) {
  if (Value == fOptions) return;
  const TSxEditorOptions scrollBits = eoDisableScrollArrows | eoHideShowScrollbars | eoScrollPastEof | eoScrollPastEol;
  const TSxEditorOptions old = fOptions;
  fOptions = Value;
  if (!(old & eoScrollPastEol)) SetLeftColumn(fLeftColumn);
  if (!(old & eoScrollPastEof)) SetTopRow(fTopRow);
  SetCaretPosInternal(fCaretPos);
  if (fOptions & eoScrollPastEol) {
    const TBufferCoord b = BlockFirst(), e = BlockLast();
    SetSelBegin(b);
    SetSelEnd(e);
  }
  if ((old ^ fOptions) & eoShowSpecialChars) Invalidate();
  if (((old ^ fOptions) & eoDropFiles) && HandleAllocated()) DragAcceptFiles(Handle(), (fOptions & eoDropFiles) != 0);
  if ((old ^ fOptions) & scrollBits) UpdateScrollBars();
}

void TCustomSxEdit::SetReadOnly(bool Value) {
  if (fReadOnly == Value) return;
  fReadOnly = Value;
  StatusChanged(scReadOnly);
}

void TCustomSxEdit::SetInsertMode(bool Value) {
  if (fInsertMode == Value) return;
  fInsertMode = Value;
  if (!Designing()) InitializeCaret();
  StatusChanged(scInsertMode);
}

void TCustomSxEdit::SetTabWidth(int Value) {
  Value = MinMax(Value, 1, 256);
  if (Value == fTabWidth) return;
  fTabWidth = Value;
  fLines->SetTabWidth(Value);
  Invalidate();
  if (fWrapPlugin) {
    fWrapPlugin->Reset();
    InvalidateGutter();
  }
}

void TCustomSxEdit::SetRightEdge(int Value) {
  if (fRightEdge == Value) return;
  fRightEdge = Value;
  Invalidate();
}

void TCustomSxEdit::SetRightEdgeColor(TColor Value) {
  if (fRightEdgeColor == Value) return;
  fRightEdgeColor = Value;
  if (HandleAllocated()) {
    const int x = fTextOffset + fRightEdge * fCharWidth;
    InvalidateRect(RECT{x - 1, 0, x + 1, ClientHeight()}, false);
  }
}

void TCustomSxEdit::SetActiveLineColor(TColor Value) {
  if (fActiveLineColor == Value) return;
  fActiveLineColor = Value;
  InvalidateLine(fCaretPos.Line);
}

void TCustomSxEdit::SetMaxScrollWidth(int Value) {
  Value = MinMax(Value, 1, 2147483646);
  if (fMaxScrollWidth == Value) return;
  fMaxScrollWidth = Value;
  if (HasOption(eoScrollPastEol)) UpdateScrollBars();
}

void TCustomSxEdit::SetMaxUndo(int Value) {
  if (Value < 0) return;
  fUndoList->SetMaxUndoActions(Value);
  fRedoList->SetMaxUndoActions(Value);
}

void TCustomSxEdit::SetExtraLineSpacing(int Value) {
  fExtraLineSpacing = Value;
  FontChanged();
}

void TCustomSxEdit::SetHideSelection(bool Value) {
  if (fHideSelection == Value) return;
  fHideSelection = Value;
  InvalidateSelection();
}

void TCustomSxEdit::SetInsertCaret(TSxEditCaretType Value) {
  if (fInsertCaret == Value) return;
  fInsertCaret = Value;
  InitializeCaret();
}

void TCustomSxEdit::SetOverwriteCaret(TSxEditCaretType Value) {
  if (fOverwriteCaret == Value) return;
  fOverwriteCaret = Value;
  InitializeCaret();
}

void TCustomSxEdit::SetScrollBars(TScrollStyle Value) {
  if (fScrollBars == Value) return;
  fScrollBars = Value;
  UpdateScrollBars();
  Invalidate();
}

void TCustomSxEdit::SetKeystrokes(TSxEditKeyStrokes* Value) {
  if (!Value)
    fKeystrokes->Clear();
  else
    fKeystrokes->Assign(Value);
}

bool TCustomSxEdit::Focusing() { return Focused() || CaretAlwaysShown; }

// ---- status and paint lock ----------------------------------------------------------------

void TCustomSxEdit::StatusChanged(TSxStatusChanges AChanges) {
  fPendingStatusChanges |= AChanges;
  if (fPaintLock == 0) FireStatusChange();
}

void TCustomSxEdit::FireStatusChange() {
  if (OnStatusChange) {
    const TSxStatusChanges changes = fPendingStatusChanges;
    fPendingStatusChanges = 0;
    OnStatusChange(this, changes);
  }
}

void TCustomSxEdit::DecPaintLock() {
  if (fPaintLock > 0) --fPaintLock;
  if (fPaintLock != 0) return;
  fScrollsInLock = 0;
  if (!HandleAllocated()) return;
  if (fStateFlags & stScrollBarsPending) UpdateScrollBars();
  if (fWrapPlugin && (fPendingStatusChanges & (scCaretX | scCaretY))) {
    TDisplayPoint p = CaretDisplayPos();
    if (fColumnsInWindow > 0 && p.Column > fColumnsInWindow + 1) {
      if (fCaretAtRowEnd) {
        fCaretAtRowEnd = false;
      } else if (fPendingStatusChanges & scCaretY) {
        p.Column = fColumnsInWindow + 1;
        fCaretPos = DisplayToBufferPos(p);
        fPendingStatusChanges |= scCaretX;
        UpdateLastCaretColumn();
      }
      fStateFlags |= stCaretPending;
    }
  }
  if (fStateFlags & stCaretPending) UpdateCaret();
  if (fPendingStatusChanges) FireStatusChange();
}

// ---- metrics ------------------------------------------------------------------------------

void TCustomSxEdit::RecalcCharExtent() {
  bool used[4] = {false, false, false, false};  // [], [italic], [bold], [bold, italic]
  bool any = false;
  if (fHighlighter && fHighlighter->GetAttribCount() > 0) {
    for (int i = 0; i < fHighlighter->GetAttribCount(); ++i) {
      const TSxFontStyles s = fHighlighter->GetAttribute(i)->Style();
      used[((s & sxfsBold) ? 2 : 0) + ((s & sxfsItalic) ? 1 : 0)] = true;
      any = true;
    }
  }
  if (!any) {
    const TFontStyles s = Font()->Style();
    used[(s.Contains(fsBold) ? 2 : 0) + (s.Contains(fsItalic) ? 1 : 0)] = true;
  }
  fRowHeight = 0;
  fCharWidth = 0;
  fTextDrawer->SetBaseFont(Font());
  static const TFontStyles styles[4] = {TFontStyles{}, TFontStyles{fsItalic}, TFontStyles{fsBold},
                                        TFontStyles{fsBold, fsItalic}};
  for (int i = 0; i < 4; ++i) {
    if (!used[i]) continue;
    fTextDrawer->SetBaseStyle(styles[i]);
    fRowHeight = std::max(fRowHeight, fTextDrawer->GetCharHeight());
    fCharWidth = std::max(fCharWidth, fTextDrawer->GetCharWidth());
  }
  fRowHeight += fExtraLineSpacing;
  if (fRowHeight < 1) fRowHeight = 1;
  if (fCharWidth < 1) fCharWidth = 1;
}

void TCustomSxEdit::FontChanged() {
  RecalcCharExtent();
  SizeOrFontChanged(true);
}

void TCustomSxEdit::SizeOrFontChanged(bool FontChanged) {
  if (!HandleAllocated() || fCharWidth == 0) return;
  fColumnsInWindow = std::max(ClientWidth() - fGutterWidth - 2, 0) / fCharWidth;
  fRowsInWindow = ClientHeight() / fRowHeight;
  if (fWrapPlugin) {
    fWrapPlugin->DisplayChanged();
    Invalidate();
  }
  if (FontChanged) {
    if (fGutter->ShowLineNumbers())
      GutterChanged();
    else
      UpdateScrollBars();
    InitializeCaret();
    fStateFlags &= ~stCaretPending;
    Invalidate();
  } else {
    UpdateScrollBars();
  }
  fStateFlags &= ~stScrollBarsPending;
  if (!HasOption(eoScrollPastEol)) SetLeftColumn(fLeftColumn);
  if (!HasOption(eoScrollPastEof)) SetTopRow(fTopRow);
}

void TCustomSxEdit::Resize() {
  TCustomControl::Resize();
  SizeOrFontChanged(false);
}

void TCustomSxEdit::GutterChanged() {
  if (ComponentState().Contains(csLoading)) return;
  if (fGutter->ShowLineNumbers() && fGutter->AutoSize()) {
    auto onChange = fGutter->OnChange;
    fGutter->OnChange = nullptr;
    fGutter->AutoSizeDigitCount(fLines->Count());
    fGutter->OnChange = onChange;
  }
  int w;
  if (fGutter->UseFontStyle()) {
    fTextDrawer->SetBaseFont(fGutter->Font());
    w = fGutter->RealGutterWidth(fTextDrawer->GetCharWidth());
    fTextDrawer->SetBaseFont(Font());
  } else {
    w = fGutter->RealGutterWidth(fCharWidth);
  }
  if (w == fGutterWidth)
    InvalidateGutter();
  else
    SetGutterWidth(w);
}

void TCustomSxEdit::SetGutterWidth(int Value) {
  Value = std::max(Value, 0);
  if (fGutterWidth == Value) return;
  fGutterWidth = Value;
  fTextOffset = fGutterWidth + 2 - (fLeftColumn - 1) * fCharWidth;
  if (HandleAllocated()) {
    fColumnsInWindow = std::max(ClientWidth() - fGutterWidth - 2, 0) / fCharWidth;
    if (fWrapPlugin) fWrapPlugin->Reset();
    UpdateScrollBars();
    Invalidate();
  }
}

void TCustomSxEdit::HighlighterAttrChanged(TObject* Sender) {
  fPaintRuns = TPaintRuns();
  fLongScan.Line = -1;
  fSpareScans.clear();
  RecalcCharExtent();
  if (Sender && dynamic_cast<TSxCustomHighlighter*>(Sender)) {
    fLines->BeginUpdate();
    try {
      RescanAll();
    } catch (...) {
      fLines->EndUpdate();
      throw;
    }
    fLines->EndUpdate();
  } else {
    Invalidate();
  }
  SizeOrFontChanged(true);
}

// ---- coordinates --------------------------------------------------------------------------

int TCustomSxEdit::DisplayRowCount() {
  if (fWrapPlugin) return fLines->Count() == 0 ? 0 : fWrapPlugin->RowCount();
  return fLines->Count();
}

TDisplayPoint TCustomSxEdit::PixelsToRowColumn(int aX, int aY) const {
  return {std::max(1, fLeftColumn + (aX - fGutterWidth - 2) / fCharWidth), std::max(1, fTopRow + aY / fRowHeight)};
}

TDisplayPoint TCustomSxEdit::PixelsToNearestRowColumn(int aX, int aY) const {
  if (aY >= fRowsInWindow * fRowHeight) aY = std::max(fRowsInWindow * fRowHeight - 1, 0);
  const double f = static_cast<double>(aX - fGutterWidth - 2) / fCharWidth;
  const int col = static_cast<int>(std::nearbyint(f));  // halves to even
  return {std::max(1, fLeftColumn + col), std::max(1, fTopRow + aY / fRowHeight)};
}

TPoint TCustomSxEdit::RowColumnToPixels(const TDisplayPoint& RowCol) const {
  return TPoint{(RowCol.Column - 1) * fCharWidth + fTextOffset, (RowCol.Row - fTopRow) * fRowHeight};
}

TDisplayPoint TCustomSxEdit::BufferToDisplayPos(const TBufferCoord& p) {
  TDisplayPoint r{p.Char, p.Line};
  if (p.Line >= 1 && p.Line <= fLines->Count()) r.Column = fLines->CharToColumn(p.Line - 1, p.Char);
  if (fWrapPlugin) r = fWrapPlugin->BufferToDisplayPos(BufferCoord(r.Column, r.Row));
  return r;
}

TBufferCoord TCustomSxEdit::DisplayToBufferPos(const TDisplayPoint& p) {
  TBufferCoord r{p.Column, p.Row};
  if (fWrapPlugin) r = fWrapPlugin->DisplayToBufferPos(p);
  if (r.Line >= 1 && r.Line <= fLines->Count()) r.Char = fLines->ColumnToChar(r.Line - 1, r.Char);
  return r;
}

int TCustomSxEdit::LineToRow(int aLine) {
  if (!fWrapPlugin) return aLine;
  return BufferToDisplayPos(BufferCoord(1, aLine)).Row;
}

int TCustomSxEdit::RowToLine(int aRow) {
  if (!fWrapPlugin) return aRow;
  return DisplayToBufferPos(DisplayCoord(1, aRow)).Line;
}

TDisplayPoint TCustomSxEdit::CaretDisplayPos() {
  TDisplayPoint p = BufferToDisplayPos(fCaretPos);
  if (fWrapPlugin && fCaretAtRowEnd) {
    if (p.Column == 1 && p.Row > 1) {
      p.Row -= 1;
      p.Column = fWrapPlugin->GetRowLength(p.Row) + 1;
    } else {
      fCaretAtRowEnd = false;
    }
  }
  return p;
}

bool TCustomSxEdit::CaretInView() {
  const TDisplayPoint p = CaretDisplayPos();
  return p.Column >= fLeftColumn && p.Column <= fLeftColumn + fColumnsInWindow && p.Row >= fTopRow &&
         p.Row <= fTopRow + fRowsInWindow;
}

// ---- caret --------------------------------------------------------------------------------

void TCustomSxEdit::SetCaretPosEx(bool EnsureVisible, TBufferCoord Value) {
  fCaretAtRowEnd = false;
  const bool hasWindow = HandleAllocated();
  if (hasWindow) FirePaintTransient(ttBefore);
  int limit = fWrapPlugin ? INT32_MAX : fMaxScrollWidth + 1;
  Value.Line = std::min(Value.Line, fLines->Count());
  if (Value.Line < 1) {
    Value.Line = 1;
    if (!HasOption(eoScrollPastEol)) limit = 1;
  } else if (!HasOption(eoScrollPastEol)) {
    limit = LineLength(Value.Line) + 1;
  } else if (!fWrapPlugin) {
    // Text longer than the scroll width stays reachable.
    limit = std::max(limit, LineLength(Value.Line) + 1);
  }
  if (Value.Char > limit && !(HasOption(eoScrollPastEol) && HasOption(eoAutoSizeMaxScrollWidth))) Value.Char = limit;
  if (Value.Char < 1) Value.Char = 1;
  if (Value == fCaretPos) {
    UpdateLastCaretColumn();
  } else {
    IncPaintLock();
    try {
      if (Value.Char != fCaretPos.Char) {
        fCaretPos.Char = Value.Char;
        StatusChanged(scCaretX);
      }
      if (Value.Line != fCaretPos.Line) {
        if (fActiveLineColor != clNone) {
          InvalidateLine(Value.Line);
          InvalidateLine(fCaretPos.Line);
        }
        fCaretPos.Line = Value.Line;
        StatusChanged(scCaretY);
      }
      UpdateLastCaretColumn();
      if (EnsureVisible) EnsureCaretVisible();
      fStateFlags |= stCaretPending | stScrollBarsPending;
    } catch (...) {
      DecPaintLock();
      throw;
    }
    DecPaintLock();
  }
  if (hasWindow) FirePaintTransient(ttAfter);
}

void TCustomSxEdit::PlaceCaret(const TBufferCoord& Value) {
  IncPaintLock();
  try {
    StatusChanged(scSelection);
    SetCaretPosEx(true, Value);
    if (HasSelection()) InvalidateSelection();
    fSelBegin = fCaretPos;
    fSelEnd = fCaretPos;
  } catch (...) {
    DecPaintLock();
    throw;
  }
  DecPaintLock();
}

void TCustomSxEdit::PlaceCaretAndSelection(const TBufferCoord& Caret, const TBufferCoord& Begin,
                                           const TBufferCoord& End) {
  const TSxSelectionMode mode = fActiveSelMode;
  IncPaintLock();
  try {
    SetCaretPosInternal(Caret);
    SetSelBegin(Begin);
    SetSelEnd(End);
  } catch (...) {
    fActiveSelMode = mode;
    DecPaintLock();
    throw;
  }
  fActiveSelMode = mode;
  DecPaintLock();
}

void TCustomSxEdit::SetCaretDisplayPos(const TDisplayPoint& aPos) {
  IncPaintLock();
  try {
    SetCaretPosInternal(DisplayToBufferPos(aPos));
    fCaretAtRowEnd = fWrapPlugin && aPos.Row <= fWrapPlugin->RowCount() &&
                     aPos.Column > fWrapPlugin->GetRowLength(aPos.Row) && CaretDisplayPos().Row != aPos.Row;
  } catch (...) {
    DecPaintLock();
    throw;
  }
  DecPaintLock();
  UpdateLastCaretColumn();
}

void TCustomSxEdit::UpdateLastCaretColumn() {
  fMbcsStepAside = false;
  fLastCaretColumn = CaretDisplayColumn();
}

void TCustomSxEdit::InitializeCaret() {
  if (!HandleAllocated()) return;
  const TSxEditCaretType ct = fInsertMode ? fInsertCaret : fOverwriteCaret;
  int cw, ch;
  switch (ct) {
    case ctHorizontalLine:
      cw = fCharWidth;
      ch = 2;
      fCaretOffset = TPoint{0, fRowHeight - 2};
      break;
    case ctHalfBlock:
      cw = fCharWidth;
      ch = (fRowHeight - 2) / 2;
      fCaretOffset = TPoint{0, ch};
      break;
    case ctBlock:
      cw = fCharWidth;
      ch = fRowHeight - 2;
      fCaretOffset = TPoint{0, 0};
      break;
    default:
      cw = 2;
      ch = fRowHeight - 2;
      fCaretOffset = TPoint{-1, 0};
      break;
  }
  fStateFlags &= ~stCaretShown;
  if (Focusing()) {
    CreateCaret(Handle(), HBITMAP(), cw, ch);
    UpdateCaret();
  }
}

void TCustomSxEdit::UpdateCaret() {
  if (fPaintLock > 0 || !HandleAllocated() || !Focusing()) {
    fStateFlags |= stCaretPending;
    return;
  }
  fStateFlags &= ~stCaretPending;
  TDisplayPoint p = CaretDisplayPos();
  if (fWrapPlugin && p.Column > fColumnsInWindow + 1) p.Column = fColumnsInWindow + 1;
  TPoint xy = RowColumnToPixels(p);
  xy.x += fCaretOffset.x;
  xy.y += fCaretOffset.y + 1;
  SetCaretPos(xy.x, xy.y);
  const TRect cr = ClientRect();
  if (xy.x >= cr.left + fGutterWidth && xy.x < cr.right && xy.y >= cr.top && xy.y < cr.bottom)
    ShowCaretIfHidden();
  else
    HideCaretIfShown();
}

void TCustomSxEdit::ShowCaretIfHidden() {
  if (HasOption(eoNoCaret) || (fStateFlags & stCaretShown)) return;
  if (ShowCaret(Handle())) fStateFlags |= stCaretShown;
}

void TCustomSxEdit::HideCaretIfShown() {
  if ((fStateFlags & stCaretShown) && HideCaret(Handle())) fStateFlags &= ~stCaretShown;
}

// ---- scrolling ----------------------------------------------------------------------------

void TCustomSxEdit::SetTopRow(int Value) {
  // A window reaching provisional rows, or the end, needs them laid for good.
  if (fWrapPlugin) fWrapPlugin->FinishRows(Value > INT32_MAX - fRowsInWindow ? INT32_MAX : Value + fRowsInWindow);
  const int count = DisplayRowCount();
  const int largest = HasOption(eoScrollPastEof) ? count : count - fRowsInWindow + 1;
  Value = std::max(1, std::min(Value, largest));
  if (Value == fTopRow) return;
  const int delta = fTopRow - Value;
  fTopRow = Value;
  if (HandleAllocated()) {
    // One scroll of the picture per paint lock: a long replay (undo of a block of many lines)
    // would otherwise move the whole picture once per line.
    if (std::abs(delta) < fRowsInWindow && !(fPaintLock > 0 && fScrollsInLock++ > 0))
      ScrollWindowEx(Handle(), 0, fRowHeight * delta, nullptr, nullptr, HRGN(), nullptr, SW_INVALIDATE);
    else
      Invalidate();
  }
  UpdateScrollBars();
  StatusChanged(scTopLine);
}

void TCustomSxEdit::SetLeftColumn(int Value) {
  int largest;
  if (!HasOption(eoScrollPastEol))
    largest = std::max(fLines->LengthOfLongestLine() - fColumnsInWindow + 1, 1);
  else if (HasOption(eoAutoSizeMaxScrollWidth))
    largest = 2147483647 - fColumnsInWindow;
  else
    largest = std::max(fMaxScrollWidth, fLines->LengthOfLongestLine() + 1) - fColumnsInWindow + 1;
  if (fWrapPlugin) Value = 1;
  Value = std::max(1, std::min(Value, largest));
  if (Value == fLeftColumn) return;
  const int delta = fLeftColumn - Value;
  const int oldEdgeX = fTextOffset + fRightEdge * fCharWidth;
  fLeftColumn = Value;
  fTextOffset = fGutterWidth + 2 - (fLeftColumn - 1) * fCharWidth;
  if (HandleAllocated()) {
    RECT r{fGutterWidth + 2, 0, ClientWidth(), ClientHeight()};
    if (std::abs(delta) < fColumnsInWindow && !(fPaintLock > 0 && fScrollsInLock++ > 0)) {
      ScrollWindowEx(Handle(), delta * fCharWidth, 0, &r, &r, HRGN(), nullptr, SW_INVALIDATE);
    } else {
      // A jump repaints the text: a later scroll in the same lock has no picture to move.
      if (fPaintLock > 0) ++fScrollsInLock;
      // Below the last line only the background and the right edge show: a jump repaints the
      // lines, and there only the edge where it was and where it is now (unless a paint handler
      // may draw there too).
      const LONG textBottom = static_cast<LONG>(DisplayRowCount() - fTopRow + 1) * fRowHeight;
      if (!OnPaint && textBottom >= 0 && textBottom < r.bottom) {
        InvalidateRect(RECT{r.left, r.top, r.right, textBottom}, false);
        if (fRightEdge > 0)
          for (const int x : {oldEdgeX, fTextOffset + fRightEdge * fCharWidth})
            if (x >= r.left && x < r.right) InvalidateRect(RECT{x, textBottom, x + 1, r.bottom}, false);
      } else {
        InvalidateRect(r, false);
      }
    }
  }
  if (HasOption(eoScrollPastEol) && HasOption(eoAutoSizeMaxScrollWidth) &&
      fLeftColumn + fColumnsInWindow > fMaxScrollWidth)
    SetMaxScrollWidth(fLeftColumn + fColumnsInWindow);
  else
    UpdateScrollBars();
  StatusChanged(scLeftChar);
}

void TCustomSxEdit::EnsureCaretVisibleEx(bool ForceToMiddle) {
  IncPaintLock();
  try {
    const TDisplayPoint p = CaretDisplayPos();
    if (p.Column < fLeftColumn)
      SetLeftColumn(p.Column);
    else if (fColumnsInWindow > 0 && p.Column >= fLeftColumn + fColumnsInWindow)
      SetLeftColumn(p.Column - fColumnsInWindow + 1);
    else
      SetLeftColumn(fLeftColumn);
    if (ForceToMiddle) {
      if (p.Row < fTopRow - 1) {
        SetTopRow(p.Row - fRowsInWindow / 2 < 0 ? 1 : p.Row - fRowsInWindow / 2 + 1);
      } else if (p.Row > fTopRow + fRowsInWindow - 2) {
        SetTopRow(p.Row - (fRowsInWindow - 1) + fRowsInWindow / 2);
      }
    } else {
      if (p.Row < fTopRow)
        SetTopRow(p.Row);
      else if (p.Row > fTopRow + std::max(1, fRowsInWindow) - 1)
        SetTopRow(p.Row - (fRowsInWindow - 1));
      else
        SetTopRow(fTopRow);
    }
  } catch (...) {
    DecPaintLock();
    throw;
  }
  DecPaintLock();
}

void TCustomSxEdit::SetWordWrap(bool Value) {
  if (Value == WordWrap()) return;
  Invalidate();
  const bool inView = CaretInView();
  const int topLine = RowToLine(fTopRow);
  if (Value) {
    fWrapPlugin = std::make_unique<TSxWordWrapPlugin>(this);
    SetLeftColumn(1);
  } else {
    fWrapPlugin.reset();
  }
  SetTopRow(LineToRow(topLine));
  UpdateScrollBars();
  if (HasOption(eoScrollPastEol)) {
    SetCaretPosInternal(fCaretPos);
    const TBufferCoord b = BlockFirst(), e = BlockLast();
    SetSelBegin(b);
    SetSelEnd(e);
  }
  if (inView) EnsureCaretVisible();
}

void TCustomSxEdit::UpdateScrollBars() {
  if (!HandleAllocated() || fPaintLock > 0) {
    fStateFlags |= stScrollBarsPending;
    return;
  }
  fStateFlags &= ~stScrollBarsPending;
  HWND h = Handle();
  auto hide = [&](int bar) {
    if (fBarShown[bar] != 0) ShowScrollBar(h, bar, FALSE);
    fBarShown[bar] = 0;
  };
  if (fScrollBars == ssNone) {
    hide(SB_HORZ);
    hide(SB_VERT);
    return;
  }
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  if (!HasOption(eoHideShowScrollbars)) si.fMask |= SIF_DISABLENOSCROLL;
  auto apply = [&](int bar, int m, int page, int pos) {
    bool unscaled = m <= 32767;
    if (unscaled) {
      si.nMin = 1;
      si.nMax = m;
      si.nPage = static_cast<UINT>(std::max(page, 0));
      si.nPos = pos;
    } else {
      si.nMin = 0;
      si.nMax = 32767;
      si.nPage = static_cast<UINT>(std::max(MulDiv(page, 32767, m), 0));
      si.nPos = MulDiv(pos, 32767, m);
    }
    const bool show = !(HasOption(eoHideShowScrollbars) && unscaled && page >= si.nMax);
    // Showing or hiding a bar changes the client area and repaints it all: only on a change.
    if (fBarShown[bar] != static_cast<int>(show)) {
      ShowScrollBar(h, bar, show ? TRUE : FALSE);
      fBarShown[bar] = show ? 1 : 0;
    }
    SetScrollInfo(h, bar, &si, TRUE);
    if (HasOption(eoDisableScrollArrows) || page >= m) {
      const bool atStart = pos <= 1,
                 atEnd = bar == SB_HORZ ? pos + page - 1 >= m : pos > 1 && DisplayRowCount() - pos - page == -1;
      if (pos > 1 || pos + page - 1 < m) {
        EnableScrollBar(h, static_cast<UINT>(bar), ESB_ENABLE_BOTH);
        if (atStart)
          EnableScrollBar(h, static_cast<UINT>(bar), ESB_DISABLE_LTUP);
        else if (atEnd)
          EnableScrollBar(h, static_cast<UINT>(bar), ESB_DISABLE_RTDN);
      } else {
        EnableScrollBar(h, static_cast<UINT>(bar), ESB_DISABLE_BOTH);
      }
    } else {
      EnableScrollBar(h, static_cast<UINT>(bar), ESB_ENABLE_BOTH);
    }
  };
  if ((fScrollBars == ssHorizontal || fScrollBars == ssBoth) && !fWrapPlugin) {
    const int m = HasOption(eoScrollPastEol) ? std::max(fMaxScrollWidth, fLines->LengthOfLongestLine() + 1)
                                             : std::max(fLines->LengthOfLongestLine(), 1);
    apply(SB_HORZ, m, fColumnsInWindow, fLeftColumn);
  } else {
    hide(SB_HORZ);
  }
  if (fScrollBars == ssVertical || fScrollBars == ssBoth) {
    int m = DisplayRowCount();
    if (HasOption(eoScrollPastEof)) m += fRowsInWindow - 1;
    apply(SB_VERT, std::max(m, 1), fRowsInWindow, fTopRow);
  } else {
    hide(SB_VERT);
  }
}

void TCustomSxEdit::HandleHScroll(WPARAM wParam) {
  const int code = LOWORD(static_cast<std::uintptr_t>(wParam));
  const int page = HasOption(eoScrollByOneLess) ? fColumnsInWindow - 1 : fColumnsInWindow;
  const int extent = HasOption(eoScrollPastEol) ? std::max(fMaxScrollWidth, fLines->LengthOfLongestLine() + 1)
                                                : std::max(fLines->LengthOfLongestLine(), 1);
  switch (code) {
    case SB_LINELEFT: SetLeftColumn(fLeftColumn - 1); break;
    case SB_LINERIGHT: SetLeftColumn(fLeftColumn + 1); break;
    case SB_PAGELEFT: SetLeftColumn(fLeftColumn - page); break;
    case SB_PAGERIGHT: SetLeftColumn(fLeftColumn + page); break;
    case SB_LEFT: SetLeftColumn(1); break;
    case SB_RIGHT:
      SetLeftColumn(HasOption(eoScrollPastEol) ? fMaxScrollWidth - fColumnsInWindow + 1
                                               : fLines->LengthOfLongestLine());
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      fThumbTracking = true;
      int pos = HIWORD(static_cast<std::uintptr_t>(wParam));
      if (extent >= 32768) pos = static_cast<int>(static_cast<long long>(pos) * extent / 32767);
      SetLeftColumn(pos);
      break;
    }
    case SB_ENDSCROLL: fThumbTracking = false; break;
    default: break;
  }
  if (OnScroll) OnScroll(this, SB_HORZ);
}

void TCustomSxEdit::HandleVScroll(WPARAM wParam) {
  const int code = LOWORD(static_cast<std::uintptr_t>(wParam));
  const int page = HasOption(eoScrollByOneLess) ? fRowsInWindow - 1 : fRowsInWindow;
  // The bar's positions are in rows of the whole text.
  if (fWrapPlugin) fWrapPlugin->FinishRows(INT32_MAX);
  switch (code) {
    case SB_LINEUP: SetTopRow(fTopRow - 1); break;
    case SB_LINEDOWN: SetTopRow(fTopRow + 1); break;
    case SB_PAGEUP: SetTopRow(fTopRow - page); break;
    case SB_PAGEDOWN: SetTopRow(fTopRow + page); break;
    case SB_TOP: SetTopRow(1); break;
    case SB_BOTTOM: SetTopRow(DisplayRowCount()); break;
    case SB_ENDSCROLL:
      fThumbTracking = false;
      if (HasOption(eoShowScrollHint) && fScrollHintShown) {
        ScrollHintWindow()->ReleaseHandle();
        fScrollHintShown = false;
      }
      break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      fThumbTracking = true;
      const int count = DisplayRowCount();
      int pos = HIWORD(static_cast<std::uintptr_t>(wParam));
      if (count >= 32768) pos = static_cast<int>(static_cast<long long>(count + fRowsInWindow - 1) * pos / 32767);
      SetTopRow(pos);
      if (HasOption(eoShowScrollHint)) ShowScrollHint();
      break;
    }
    default: break;
  }
  Update();
  if (OnScroll) OnScroll(this, SB_VERT);
}

void TCustomSxEdit::ShowScrollHint() {
  THintWindow* hint = ScrollHintWindow();
  hint->SetColor(ScrollHintColor);
  String text;
  if (ScrollHintFormat == shfTopToBottom)
    text = std::to_string(RowToLine(fTopRow)) + " - " +
           std::to_string(RowToLine(fTopRow + std::min(fRowsInWindow, DisplayRowCount() - fTopRow)));
  else
    text = "Top Line: " + std::to_string(RowToLine(fTopRow));
  TRect r = hint->CalcHintRect(200, text);
  const int w = r.right - r.left, h = r.bottom - r.top;
  int y = 10;
  if (HasOption(eoScrollHintFollows)) {
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    GetScrollInfo(Handle(), SB_VERT, &si);
    const int b = GetSystemMetrics(SM_CYVSCROLL);
    y = b +
        static_cast<int>(
            std::lround(static_cast<double>(ClientHeight() - 2 * b) * si.nTrackPos / std::max(si.nMax, 1))) +
        h / 2;
  }
  const TPoint p = ClientToScreen(TPoint{ClientWidth() - w - 4, y});
  hint->ActivateHint(Bounds(p.x, p.y, w, h), text);
  hint->Update();
  fScrollHintShown = true;
}

bool TCustomSxEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TCustomControl::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (Designing()) return false;
  int step;
  if (Shift.Contains(ssCtrl) && HasOption(eoHalfPageScroll)) {
    step = fRowsInWindow >> 1;
  } else {
    UINT lines = 3;
    SystemParametersInfo(SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    step = static_cast<int>(lines);
    if (lines == 0xFFFFFFFFu) step = -1;
  }
  fWheelRemainder += WheelDelta;
  const int clicks = fWheelRemainder / 120;
  fWheelRemainder %= 120;
  if (step == -1 || step > fRowsInWindow) step = fRowsInWindow;
  SetTopRow(fTopRow - clicks * step);
  Update();
  if (OnScroll) OnScroll(this, SB_VERT);
  return true;
}

// ---- invalidation -------------------------------------------------------------------------

void TCustomSxEdit::InvalidateRect(const RECT& aRect, bool aErase) {
  if (HandleAllocated()) ::InvalidateRect(Handle(), &aRect, aErase ? TRUE : FALSE);
}

namespace {
long long Area(const RECT& r) { return static_cast<long long>(r.right - r.left) * (r.bottom - r.top); }
RECT Bounds(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right), std::max(a.bottom, b.bottom)};
}
}  // namespace

void TSxPendingRects::Add(const RECT& R) {
  if (R.right <= R.left || R.bottom <= R.top) return;
  int best = -1;
  long long growth = 0;
  for (int i = 0; i < Count; ++i) {
    RECT& r = Rects[static_cast<std::size_t>(i)];
    const long long g = Area(Bounds(r, R)) - Area(r);
    if (g <= Area(R)) {
      r = Bounds(r, R);
      return;
    }
    if (best < 0 || g < growth) {
      best = i;
      growth = g;
    }
  }
  if (Count < static_cast<int>(Rects.size())) {
    Rects[static_cast<std::size_t>(Count++)] = R;
  } else {
    RECT& r = Rects[static_cast<std::size_t>(best)];
    r = Bounds(r, R);
  }
}

void TCustomSxEdit::InvalidateOrDefer(const RECT& R) {
  if (fStateFlags & stLinesChanging)
    fPendingInvalid.Add(R);
  else
    InvalidateRect(R, false);
}

void TCustomSxEdit::InvalidateLines(int FirstLine, int LastLine) {
  if (!Visible() || !HandleAllocated()) return;
  if (FirstLine == -1 && LastLine == -1) {
    const RECT r{fGutterWidth, 0, ClientWidth(), ClientHeight()};
    InvalidateOrDefer(r);
    return;
  }
  FirstLine = std::max(FirstLine, 1);
  LastLine = std::max(LastLine, 1);
  if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
  int a = FirstLine, b = LastLine;
  if (b >= fLines->Count()) {
    b = fTopRow + fRowsInWindow;
    if (fWrapPlugin) a = LineToRow(a);
  } else if (fWrapPlugin) {
    a = LineToRow(a);
    b = LineToRow(b + 1) - 1;
  }
  InvalidateRows(a, b);
}

void TCustomSxEdit::InvalidateRows(int FirstRow, int LastRow) {
  if (!Visible() || !HandleAllocated()) return;
  const int a = std::max(FirstRow, fTopRow), b = std::min(LastRow, fTopRow + fRowsInWindow);
  if (b < a) return;
  const RECT r{fGutterWidth, (a - fTopRow) * fRowHeight, ClientWidth(), (b - fTopRow + 1) * fRowHeight};
  InvalidateOrDefer(r);
}

bool TCustomSxEdit::InvalidateEditedRows(int Index, int RowsAdded) {
  int first = 0, last = 0;
  if (!fWrapPlugin || !fWrapPlugin->LastChangedRows(first, last)) return false;
  if (fHighlighter) {
    // Colours change only where the long line's rescan found them changed.
    const TLongLineScan& ls = fLongScan;
    if (ls.Line != Index || ls.ChangedSerial != fLines->TextSerial()) return false;
    // The row of the cell at the 0-based column.
    auto rowOf = [&](int col) { return fWrapPlugin->BufferToDisplayPos(BufferCoord(col + 1, Index + 1)).Row; };
    first = std::min(first, rowOf(fLines->CharToColumn(Index, ls.ChangedFrom + 1) - 1));
    if (ls.ChangedTo == INT32_MAX)
      last = INT32_MAX;
    else if (ls.ChangedTo > ls.ChangedFrom) {
      // A change reaching below the window is not looked up there: those rows may be provisional.
      const int col = fLines->CharToColumn(Index, ls.ChangedTo + 1) - 2;
      const TBufferCoord below = fWrapPlugin->DisplayToBufferPos(DisplayCoord(1, fTopRow + fRowsInWindow + 1));
      last = below.Line == Index + 1 && col + 1 >= below.Char ? INT32_MAX : std::max(last, rowOf(col));
    }
  }
  // Rows added or removed move every row below.
  InvalidateRows(first, RowsAdded != 0 ? INT32_MAX : last);
  return true;
}

void TCustomSxEdit::WrapRowsDeferred() {
  if (HandleAllocated()) SetTimer(Handle(), sxedit::kFinishRowsTimer, 0);
}

void TCustomSxEdit::WrapRowsRelaid(int FirstRow, int LastRow, int RowsAdded) {
  if (RowsAdded == 0) {
    InvalidateRows(FirstRow, LastRow);
    return;
  }
  // Rows added or removed move every row below, and their line numbers.
  InvalidateRows(FirstRow, INT32_MAX);
  InvalidateGutterRows(LastRow + 1 - std::max(RowsAdded, 0), INT32_MAX);
  UpdateScrollBars();
}

void TCustomSxEdit::InvalidateLine(int Line) {
  if (!HandleAllocated() || Line < 1 || Line > fLines->Count() || !Visible()) return;
  if (fWrapPlugin) {
    InvalidateLines(Line, Line);
    return;
  }
  if (Line < fTopRow || Line > fTopRow + fRowsInWindow) return;
  const RECT r{fGutterWidth, (Line - fTopRow) * fRowHeight, ClientWidth(), (Line - fTopRow + 1) * fRowHeight};
  InvalidateOrDefer(r);
}

void TCustomSxEdit::InvalidateGutterLines(int FirstLine, int LastLine) {
  if (!Visible() || !HandleAllocated()) return;
  RECT r;
  if (FirstLine == -1 && LastLine == -1) {
    r = RECT{0, 0, fGutterWidth, ClientHeight()};
  } else {
    FirstLine = std::max(FirstLine, 1);
    LastLine = std::max(LastLine, 1);
    if (LastLine < FirstLine) std::swap(FirstLine, LastLine);
    int a = FirstLine, b = LastLine;
    if (fWrapPlugin) {
      a = LineToRow(a);
      b = b > fLines->Count() ? fTopRow + fRowsInWindow : LineToRow(b);
    }
    InvalidateGutterRows(a, b);
    return;
  }
  InvalidateOrDefer(r);
}

void TCustomSxEdit::InvalidateGutterRows(int FirstRow, int LastRow) {
  if (!Visible() || !HandleAllocated()) return;
  const int a = std::max(FirstRow, fTopRow), b = std::min(LastRow, fTopRow + fRowsInWindow);
  if (b < a) return;
  InvalidateOrDefer(RECT{0, (a - fTopRow) * fRowHeight, fGutterWidth, (b - fTopRow + 1) * fRowHeight});
}

void TCustomSxEdit::InvalidateSelection() { InvalidateLines(BlockFirst().Line, BlockLast().Line); }

// ---- painting -----------------------------------------------------------------------------

void TCustomSxEdit::FirePaint() {
  if (!OnPaint) return;
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  OnPaint(this, Canvas());
}

void TCustomSxEdit::FirePaintTransientEx(TSxTransientType TransientType, bool Lock) {
  const bool fire = fTransientLock == 0 || (Lock && TransientType == ttAfter && fTransientLock == 1);
  if (Lock) {
    if (TransientType == ttBefore)
      ++fTransientLock;
    else if (fTransientLock > 0)
      --fTransientLock;
  }
  if (!fire || !OnPaintTransient || !HandleAllocated()) return;
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  HideCaretIfShown();
  OnPaintTransient(this, Canvas(), TransientType);
  ShowCaretIfHidden();
}

bool TCustomSxEdit::FireSpecialLineColors(int Line, TColor& Foreground, TColor& Background) {
  bool special = false;
  if (OnSpecialLineColors) OnSpecialLineColors(this, Line, special, Foreground, Background);
  return special;
}

namespace {
// Whether the region's rectangles are painted one by one: when their bounding box is more than
// twice their area. Each pass has its own costs, so a region of many is painted as its box.
bool PaintApart(const std::vector<RECT>& Rects) {
  if (Rects.size() < 2 || Rects.size() > 8) return false;
  long long area = 0;
  RECT box = Rects.front();
  for (const RECT& r : Rects) {
    area += Area(r);
    box = Bounds(box, r);
  }
  return Area(box) > 2 * area;
}
}  // namespace

void TCustomSxEdit::Paint() {
  HideCaretIfShown();
  try {
    // Each rectangle of a region on its own: an edit deep in a wrapped line invalidates its rows
    // and its first row's gutter, and their bounding box would repaint every row in between.
    if (PaintApart(fPaintRects)) {
      HDC dc = Canvas()->Handle();
      for (const RECT& r : fPaintRects) {
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        try {
          PaintClipBox();
        } catch (...) {
          RestoreDC(dc, saved);
          throw;
        }
        RestoreDC(dc, saved);
      }
    } else {
      PaintClipBox();
    }
    FirePaint();
    FirePaintTransient(ttAfter);
  } catch (...) {
    UpdateCaret();
    throw;
  }
  UpdateCaret();
}

void TCustomSxEdit::PaintClipBox() {
  RECT clip;
  GetClipBox(Canvas()->Handle(), &clip);
  const int textLeft = fGutterWidth + 2;
  const int firstCol = clip.left > textLeft ? fLeftColumn + (clip.left - textLeft) / fCharWidth : fLeftColumn;
  const int lastCol = fLeftColumn + (clip.right - textLeft + fCharWidth - 1) / fCharWidth;
  const int firstRow = std::max(fTopRow, fTopRow + clip.top / fRowHeight);
  // The painted rows and the one below them (is a painted line's last row the last?) are final.
  if (fWrapPlugin) fWrapPlugin->FinishRows(fTopRow + (clip.bottom + fRowHeight - 1) / fRowHeight + 1);
  const int lastRow = MinMax(fTopRow + (clip.bottom + fRowHeight - 1) / fRowHeight, 1, std::max(DisplayRowCount(), 1));
  if (clip.left < fGutterWidth) {
    RECT g = clip;
    g.right = fGutterWidth;
    PaintGutter(g, firstRow, lastRow);
  }
  if (fGutterWidth < clip.right) {
    RECT t = clip;
    t.left = std::max(clip.left, static_cast<LONG>(fGutterWidth));
    PaintTextLines(t, firstRow, lastRow, firstCol, lastCol);
  }
}

void TCustomSxEdit::PaintGutter(const RECT& AClip, int aFirstRow, int aLastRow) {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const int firstLine = RowToLine(aFirstRow), lastLine = RowToLine(aLastRow);
  if (fGutter->Gradient())
    GradientFill(dc, fGutter->GradientStartColor(), fGutter->GradientEndColor(), fGutter->GradientSteps(),
                 RECT{0, 0, fGutterWidth, ClientHeight()}, false);
  c->Brush()->SetColor(fGutter->Color());
  if (fGutter->ShowLineNumbers()) {
    if (fGutter->UseFontStyle())
      fTextDrawer->SetBaseFont(fGutter->Font());
    else
      fTextDrawer->SetStyle({});
    fTextDrawer->BeginDrawing(dc);
    try {
      fTextDrawer->SetForeColor(fGutter->UseFontStyle() ? fGutter->Font()->Color() : Font()->Color());
      fTextDrawer->SetBackColor(fGutter->Color());
      RECT lr{AClip.left, 0, std::max(AClip.right, static_cast<LONG>(fGutterWidth - 2)), 0};
      int prevBottom = (aFirstRow - fTopRow) * fRowHeight;
      for (int line = firstLine; line <= lastLine && line <= std::max(fLines->Count(), 1); ++line) {
        const int row = LineToRow(line);
        const int top = (row - fTopRow) * fRowHeight;
        if (fWrapPlugin && !fGutter->Gradient() && top > prevBottom) {
          RECT band{AClip.left, prevBottom, AClip.right, top};
          c->FillRect(band);
        }
        lr.top = top;
        lr.bottom = top + fRowHeight;
        prevBottom = lr.bottom;
        String s = fGutter->FormatLineNumber(line);
        if (OnGutterGetText) OnGutterGetText(this, line, s);
        SIZE ext{};
        GetTextExtentPoint32(dc, s, &ext);
        const int x = fGutterWidth - fGutter->RightOffset() - 2 - ext.cx;
        const int y = top + (fRowHeight - ext.cy) / 2;
        if (fGutter->Gradient()) {
          SetBkMode(dc, TRANSPARENT);
          fTextDrawer->ExtTextOut(x, y, ETO_CLIPPED, &lr, s);
          SetBkMode(dc, OPAQUE);
        } else {
          fTextDrawer->ExtTextOut(x, y, ETO_OPAQUE | ETO_CLIPPED, &lr, s);
        }
      }
      if (!fGutter->Gradient() && prevBottom < AClip.bottom) {
        RECT rest{AClip.left, prevBottom, AClip.right, AClip.bottom};
        c->FillRect(rest);
      }
    } catch (...) {
      fTextDrawer->EndDrawing();
      if (fGutter->UseFontStyle()) fTextDrawer->SetBaseFont(Font());
      throw;
    }
    fTextDrawer->EndDrawing();
    if (fGutter->UseFontStyle()) fTextDrawer->SetBaseFont(Font());
  } else if (!fGutter->Gradient()) {
    c->FillRect(AClip);
  }
  if (fWrapPlugin && fWordWrapGlyph->Visible()) {
    for (int row = aFirstRow; row <= aLastRow; ++row)
      if (LineToRow(RowToLine(row)) != row)
        fWordWrapGlyph->Draw(c, fGutterWidth - fGutter->RightOffset() - 2 - fWordWrapGlyph->Width(),
                             (row - fTopRow) * fRowHeight, fRowHeight);
  }
  if (fGutter->BorderStyle() != gbsNone && AClip.right >= fGutterWidth - 2) {
    c->Pen()->SetColor(fGutter->BorderColor());
    c->Pen()->SetWidth(1);
    if (fGutter->BorderStyle() == gbsMiddle) {
      c->MoveTo(fGutterWidth - 2, AClip.top);
      c->LineTo(fGutterWidth - 2, AClip.bottom);
      c->Pen()->SetColor(fGutter->Color());
    }
    c->MoveTo(fGutterWidth - 1, AClip.top);
    c->LineTo(fGutterWidth - 1, AClip.bottom);
  }
  bool marksDrawn = false;
  if (fBookMarkOpt->GlyphsVisible() && fMarks->Count() > 0 && lastLine >= firstLine) {
    marksDrawn = true;
    std::vector<int> offsets(static_cast<std::size_t>(aLastRow - aFirstRow + 1), 0);
    auto drawMark = [&](TSxEditMark* m, int& o, int row) {
      const int y = (row - fTopRow) * fRowHeight;
      TCustomImageList* images = fBookMarkOpt->BookmarkImages();
      if (images && !m->InternalImage()) {
        if (m->ImageIndex() >= 0 && m->ImageIndex() < images->Count()) {
          if (m->IsBookmark() == fBookMarkOpt->DrawBookmarksFirst())
            o = 0;
          else if (o == 0)
            o = fBookMarkOpt->Xoffset();
          images->Draw(c, fBookMarkOpt->LeftMargin() + o, y, m->ImageIndex());
          o += fBookMarkOpt->Xoffset();
        }
      } else if (m->ImageIndex() >= 0 && m->ImageIndex() <= 9) {
        if (!fInternalImages) fInternalImages = std::make_unique<TSxInternalImage>("SxEditInternalImages", 10);
        if (o == 0) fInternalImages->Draw(c, m->ImageIndex(), fBookMarkOpt->LeftMargin(), y, fRowHeight);
        o += fBookMarkOpt->Xoffset();
      }
    };
    bool second = false;
    for (int pass = 0; pass < 2; ++pass) {
      if (pass == 1 && !second) break;
      for (int i = 0; i < fMarks->Count(); ++i) {
        TSxEditMark* m = fMarks->Items(i);
        if (!m->Visible() || m->Line() < firstLine || m->Line() > lastLine) continue;
        const bool first = m->IsBookmark() == fBookMarkOpt->DrawBookmarksFirst();
        if (first != (pass == 0)) {
          second = true;
          continue;
        }
        const int row = LineToRow(m->Line());
        if (row < aFirstRow || row > aLastRow) continue;
        drawMark(m, offsets[static_cast<std::size_t>(row - aFirstRow)], row);
      }
    }
    if (OnGutterPaint)
      for (int line = firstLine; line <= lastLine; ++line) {
        const int row = LineToRow(line);
        const int o = row >= aFirstRow && row <= aLastRow ? offsets[static_cast<std::size_t>(row - aFirstRow)] : 0;
        OnGutterPaint(this, line, o, (row - fTopRow) * fRowHeight);
      }
  }
  if (!marksDrawn && OnGutterPaint)
    for (int line = firstLine; line <= lastLine; ++line)
      OnGutterPaint(this, line, 0, (LineToRow(line) - fTopRow) * fRowHeight);
}

namespace {

// One cell of a painted row.
struct Cell {
  char32_t ch = ' ';
  TFontStyles style;
  TColor fg = clNone, bg = clNone;
  bool blank = true;
  bool sel = false;
  bool tabMark = false;  // the middle of a tab's span, with special characters shown
  bool fill = false;     // past the row's text: filled, not drawn as text
};

}  // namespace

void TCustomSxEdit::PaintTextLines(RECT AClip, int aFirstRow, int aLastRow, int FirstCol, int LastCol) {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  const int firstLine = RowToLine(aFirstRow), lastLine = RowToLine(aLastRow);
  const int edgeX = fTextOffset + fRightEdge * fCharWidth;
  const bool drawEdge = fRightEdge > 0 && edgeX >= AClip.left && edgeX <= AClip.right;
  const TColor fontColor = Font()->Color();
  auto editorBG = [&](bool caretLine) -> TColor {
    if (caretLine && fActiveLineColor != clNone) return fActiveLineColor;
    if (fHighlighter) {
      TSxHighlighterAttributes* ws = fHighlighter->GetDefaultAttribute(1);
      if (ws && ws->Background() != clNone) return ws->Background();
    }
    return Color();
  };
  auto fill = [&](const RECT& r, TColor color) {
    if (r.right <= r.left || r.bottom <= r.top) return;
    c->Brush()->SetColor(color);
    c->FillRect(r);
  };
  if (AClip.left < fGutterWidth + 2) {
    fill(RECT{std::max(AClip.left, static_cast<LONG>(fGutterWidth)), AClip.top, fGutterWidth + 2, AClip.bottom},
         editorBG(false));
    AClip.left = fGutterWidth + 2;
  }
  int bottom = AClip.top;
  const int count = fLines->Count();
  if (count > 0 && aLastRow >= aFirstRow && firstLine <= count) {
    // The selection in display positions.
    bool hasSel = HasSelection() && !(fHideSelection && !Focused());
    TDisplayPoint s1, s2;
    TBufferCoord b1 = BlockFirst(), b2 = BlockLast();
    if (hasSel && (b2.Line < firstLine || b1.Line > lastLine)) hasSel = false;
    if (hasSel) {
      if (fActiveSelMode == smColumn) {
        s1 = BufferToDisplayPos(fSelBegin);
        s2 = BufferToDisplayPos(fSelEnd);
        if (s1.Row > s2.Row) std::swap(s1.Row, s2.Row);
        if (s2.Column < s1.Column) std::swap(s1.Column, s2.Column);
      } else if (fActiveSelMode == smLine) {
        s1 = DisplayCoord(1, LineToRow(b1.Line));
        s2 = DisplayCoord(1, b2.Line < count ? LineToRow(b2.Line + 1) - 1 : DisplayRowCount());
      } else {
        s1 = BufferToDisplayPos(b1);
        s2 = BufferToDisplayPos(b2);
      }
    }
    fTextDrawer->SetStyle(Font()->Style());
    fTextDrawer->BeginDrawing(dc);
    try {
      // Storage reused by every line, row and run of the paint.
      std::vector<Cell> cells, lineCells;
      String run;
      for (int line = firstLine; line <= lastLine && line <= count; ++line) {
        const String& text = fLines->LineRef(line - 1);
        const bool caretLine = line == fCaretPos.Line;
        TColor lineFG = fontColor, lineBG = editorBG(caretLine);
        const bool special = FireSpecialLineColors(line, lineFG, lineBG);
        const TColor selFG = special ? lineBG : fSelectedColor->Foreground();
        const TColor selBG = special ? lineFG : fSelectedColor->Background();
        // The rows of the line that are painted.
        const int firstRowOfLine = LineToRow(line);
        // A line that goes on below the painted rows is not asked where it ends: its later rows
        // may be provisional.
        const int lastRowOfLine = line == lastLine && fWrapPlugin && RowToLine(aLastRow + 1) == line ? aLastRow + 1
                                  : line < count ? LineToRow(line + 1) - 1
                                                 : std::max(DisplayRowCount(), firstRowOfLine);
        const int paintFrom = std::max(firstRowOfLine, aFirstRow), paintTo = std::min(lastRowOfLine, aLastRow);
        if (paintFrom > paintTo) continue;
        // Only the expanded columns [winFrom, winTo) that the painted rows show become cells, so
        // a very long line costs no more to paint than its visible part.
        int winFrom = FirstCol - 1, winTo = LastCol + 1;
        if (fWrapPlugin) {
          winFrom += fWrapPlugin->DisplayToBufferPos(DisplayCoord(1, paintFrom)).Char - 1;
          winTo += fWrapPlugin->DisplayToBufferPos(DisplayCoord(1, paintTo)).Char - 1;
        }
        // Walks the line once, character by character: its column, byte and character index.
        struct Walker {
          const String& s;
          int tabWidth;
          std::size_t pos = 0;
          int ci = 0, x = 0;
          // The column of character index `target` (0-based), or of the line's end.
          int ColumnOf(int target) {
            if (target < ci) return -1;
            while (ci < target && pos < s.size()) {
              x = s[pos] == '\t' ? x + tabWidth - x % tabWidth : x + 1;
              pos += static_cast<std::size_t>(SxCharBytes(s, pos));
              ++ci;
            }
            return x;
          }
        };
        // Cells of the window, in the colours of the tokens.
        lineCells.clear();
        Walker build{text, fTabWidth};
        if (winFrom > 0) {
          // Straight to the character at the window's first column, through the line's index.
          const int chars = fLines->CharCount(line - 1);
          const int first = fLines->ColumnToChar(line - 1, winFrom + 1);
          if (first > chars) {
            build.pos = text.size();
            build.ci = chars;
            build.x = fLines->ExpandedLength(line - 1);
          } else {
            build.pos = fLines->CharOffset(line - 1, first);
            build.ci = first - 1;
            build.x = fLines->CharToColumn(line - 1, first) - 1;
          }
        }
        while (build.pos < text.size() && build.x < winTo) {
          std::size_t next = build.pos;
          const char32_t ch = Utf8Decode(text, next);
          if (next == build.pos) next = build.pos + 1;
          const int w = ch == '\t' ? fTabWidth - build.x % fTabWidth : 1;
          for (int k = 0; k < w; ++k) {
            if (build.x + k < winFrom) continue;
            Cell cell;
            cell.ch = ch == '\t' ? U' ' : ch;
            cell.blank = IsBlank(ch);
            cell.fg = lineFG;
            cell.bg = lineBG;
            cell.style = Font()->Style();
            if (ch == '\t' && HasOption(eoShowSpecialChars) && k == (w - 1) / 2) cell.tabMark = true;
            if (ch == ' ' && HasOption(eoShowSpecialChars)) cell.ch = U'\u00B7';
            lineCells.push_back(cell);
          }
          build.x += w;
          build.pos = next;
          ++build.ci;
        }
        const bool lineEndShown = build.pos >= text.size() && build.x >= winFrom && build.x < winTo;
        auto cellAt = [&](int col) -> Cell* {
          const int k = col - winFrom;
          return k >= 0 && k < static_cast<int>(lineCells.size()) ? &lineCells[static_cast<std::size_t>(k)] : nullptr;
        };
        TColor endFG = lineFG, endBG = lineBG;
        if (fHighlighter && fHighlighter->Enabled()) {
          if (line == 1)
            fHighlighter->ResetRange();
          else
            fHighlighter->SetRange(fLines->Range(line - 1));
          // The line's tokens as column runs, up to the window's end; a long line keeps all of
          // them while its text is unchanged, so moving the caret on it scans it no more.
          const bool keep = text.size() >= kKeptRunsBytes;
          TPaintRuns local;
          TPaintRuns& runs = keep ? fPaintRuns : local;
          const TSxRange start = line == 1 ? 0 : fLines->Range(line - 1);
          if (keep && LongLineScan(line - 1, start)) {
            // Scanned from the last point before the window to the window's end.
            runs.Runs.clear();
            runs.Line = 0;
            runs.Stopped = false;
            const auto& pts = fLongScan.Points;
            const int firstChar = winFrom > 0 ? fLines->ColumnToChar(line - 1, winFrom + 1) - 1 : 0;
            const TLongLineScanPoint p = pts.At(
                pts.CountBefore([firstChar](const TLongLineScanPoint& q) { return q.Char <= firstChar; }, 1) - 1);
            if (p.Char < fLongScan.EndChar && fHighlighter->SetLineFrom(text, line, p.Char, p.Byte, p.Range)) {
              Walker cols{text, fTabWidth, p.Byte, p.Char, fLines->CharToColumn(line - 1, p.Char + 1) - 1};
              while (!fHighlighter->AtLineEnd()) {
                const int pos = fHighlighter->GetTokenPos();
                const int from = cols.ColumnOf(pos);
                if (from >= winTo) break;
                const int len = SxCharCount(fHighlighter->GetTokenText());
                runs.Runs.push_back(TPaintRuns::Run{from, cols.ColumnOf(pos + len), fHighlighter->GetTokenAttribute()});
                fHighlighter->Next();
              }
            }
            runs.Last = fLongScan.LastAttr;
            runs.EndCol = fLongScan.EndChar < fLines->CharCount(line - 1)
                              ? fLines->CharToColumn(line - 1, fLongScan.EndChar + 1) - 1
                              : -1;
          } else if (!keep || runs.Line != line || runs.Stamp != fLines->ChangeStamp()) {
            // Cleared, not replaced: the runs' storage is reused from one change to the next.
            runs.Runs.clear();
            runs.Last = nullptr;
            runs.Stopped = false;
            runs.EndCol = -1;
            runs.Line = line;
            runs.Stamp = fLines->ChangeStamp();
            fHighlighter->SetLine(text, line);
            int endPos = 0;
            Walker cols{text, fTabWidth};
            while (!fHighlighter->AtLineEnd()) {
              const int pos = fHighlighter->GetTokenPos();
              const int len = SxCharCount(fHighlighter->GetTokenText());
              TSxHighlighterAttributes* a = fHighlighter->GetTokenAttribute();
              runs.Last = a;
              const int from = cols.ColumnOf(pos);
              if (!keep && from >= winTo) {
                // Past the window: the rest of the line is not painted.
                runs.Stopped = true;
                break;
              }
              runs.Runs.push_back(TPaintRuns::Run{from, cols.ColumnOf(pos + len), a});
              endPos = pos + len;
              fHighlighter->Next();
            }
            // A NUL stops the scanner: the rest takes the colours of the last comment or blanks.
            if (!runs.Stopped) {
              const int endCol = cols.ColumnOf(endPos);
              if (cols.pos < text.size()) runs.EndCol = endCol;
            }
          }
          // The runs that reach into the window.
          auto run = std::lower_bound(runs.Runs.begin(), runs.Runs.end(), winFrom,
                                      [](const TPaintRuns::Run& r, int col) { return r.To <= col; });
          for (; run != runs.Runs.end() && run->From < winTo; ++run) {
            TSxHighlighterAttributes* a = run->Attr;
            if (!a) continue;
            for (int k = std::max(run->From, winFrom); k < std::min(run->To, winTo); ++k) {
              Cell* cell = cellAt(k);
              if (!cell) break;
              cell->style = SxFontStyles(a->Style());
              cell->bg = a->Background() == clNone || (caretLine && fActiveLineColor != clNone) ? lineBG : a->Background();
              cell->fg = a->Foreground() == clNone ? fontColor : a->Foreground();
            }
          }
          TSxHighlighterAttributes* last = runs.Last;
          TSxHighlighterAttributes* restAttr =
              last && last == fHighlighter->GetDefaultAttribute(0) ? last : fHighlighter->GetDefaultAttribute(1);
          if (restAttr) {
            endFG = restAttr->Foreground() == clNone ? fontColor : restAttr->Foreground();
            endBG = restAttr->Background() == clNone || (caretLine && fActiveLineColor != clNone)
                        ? lineBG
                        : restAttr->Background();
          }
          if (runs.EndCol >= 0)
            for (int k = std::max(runs.EndCol, winFrom); k < winTo; ++k) {
              Cell* cell = cellAt(k);
              if (!cell) break;
              cell->fg = endFG;
              cell->bg = endBG;
            }
        }
        if (special) {
          for (Cell& cell : lineCells) {
            cell.bg = lineBG;
            if (!HasOption(eoSpecialLineDefaultFg)) cell.fg = lineFG;
          }
        }
        if (HasOption(eoShowSpecialChars) && lineEndShown) {
          Cell p;
          p.ch = U'\u00B6';
          p.blank = false;
          p.fg = endFG;
          p.bg = endBG;
          p.style = Font()->Style();
          lineCells.push_back(p);
        }
        for (int row = paintFrom; row <= paintTo; ++row) {
          int rowStart = 0;  // the line's column shown at display column 1
          if (fWrapPlugin) rowStart = fWrapPlugin->DisplayToBufferPos(DisplayCoord(1, row)).Char - 1;
          int rowLen = INT32_MAX;
          if (fWrapPlugin && row <= fWrapPlugin->RowCount()) rowLen = fWrapPlugin->GetRowLength(row);
          if (fWrapPlugin && row == lastRowOfLine) rowLen = INT32_MAX;
          // Selection columns of this row.
          int selFrom = 0, selTo = 0;
          if (hasSel && row >= s1.Row && row <= s2.Row) {
            if (fActiveSelMode == smColumn) {
              selFrom = s1.Column;
              selTo = s2.Column;
            } else if (fActiveSelMode == smLine) {
              selFrom = FirstCol;
              selTo = LastCol + 1;
            } else {
              selFrom = row == s1.Row ? s1.Column : FirstCol;
              selTo = row == s2.Row ? s2.Column : LastCol + 1;
            }
          }
          const int y = (row - fTopRow) * fRowHeight;
          cells.clear();
          for (int col = FirstCol; col <= LastCol; ++col) {
            const int k = rowStart + col - 1 - winFrom;
            Cell cell;
            const bool inRow = col - 1 < rowLen;
            if (inRow && k >= 0 && k < static_cast<int>(lineCells.size())) {
              cell = lineCells[static_cast<std::size_t>(k)];
            } else {
              cell.fg = lineFG;
              cell.bg = lineBG;
              cell.style = Font()->Style();
              cell.ch = ' ';
            }
            cell.fill = !(inRow && k >= 0 && k < static_cast<int>(lineCells.size()));
            cell.sel = col >= selFrom && col < selTo;
            if (cell.sel) {
              cell.fg = selFG;
              cell.bg = selBG;
            }
            cells.push_back(cell);
          }
          // Runs of cells drawn with one text output each.
          std::size_t i = 0;
          while (i < cells.size()) {
            const Cell& head = cells[i];
            std::size_t j = i + 1;
            if (head.fill) {
              while (j < cells.size() && cells[j].fill && cells[j].bg == head.bg) ++j;
              const int x = fTextOffset + (FirstCol + static_cast<int>(i) - 1) * fCharWidth;
              fill(RECT{std::max(x, static_cast<int>(AClip.left)), y,
                        std::min(x + static_cast<int>(j - i) * fCharWidth, static_cast<int>(AClip.right)),
                        y + fRowHeight},
                   head.bg);
              i = j;
              continue;
            }
            const bool lineStyle = head.style.Contains(fsUnderline) || head.style.Contains(fsStrikeOut);
            while (j < cells.size()) {
              const Cell& n = cells[j];
              if (n.fill || n.bg != head.bg || n.sel != head.sel) break;
              if (n.blank && !lineStyle && !n.style.Contains(fsUnderline) && !n.style.Contains(fsStrikeOut)) {
                ++j;
                continue;
              }
              if (!(n.style == head.style) || n.fg != head.fg) break;
              ++j;
            }
            run.clear();
            for (std::size_t k = i; k < j; ++k) Utf8Append(run, cells[k].ch);
            const int x = fTextOffset + (FirstCol + static_cast<int>(i) - 1) * fCharWidth;
            RECT rr{std::max(x, static_cast<int>(AClip.left)), y,
                    std::min(x + static_cast<int>(j - i) * fCharWidth, static_cast<int>(AClip.right)), y + fRowHeight};
            fTextDrawer->SetStyle(head.style);
            fTextDrawer->SetForeColor(head.fg);
            fTextDrawer->SetBackColor(head.bg);
            // The canvas's fills may have set the device's colours behind the drawer's back.
            ::SetTextColor(dc, ColorToRGB(head.fg));
            ::SetBkColor(dc, ColorToRGB(head.bg));
            fTextDrawer->ExtTextOut(x, y, ETO_OPAQUE | ETO_CLIPPED, &rr, run);
            for (std::size_t k = i; k < j; ++k)
              if (cells[k].tabMark) {
                SetBkMode(dc, TRANSPARENT);
                const int mx = fTextOffset + (FirstCol + static_cast<int>(k) - 1) * fCharWidth;
                RECT mr{mx, y, mx + fCharWidth, y + fRowHeight};
                fTextDrawer->ExtTextOut(mx, y, ETO_CLIPPED, &mr, "\xC2\xBB");
                SetBkMode(dc, OPAQUE);
              }
            i = j;
          }
          const int rowRight = fTextOffset + LastCol * fCharWidth;
          if (rowRight < AClip.right) fill(RECT{rowRight, y, AClip.right, y + fRowHeight}, lineBG);
          if (drawEdge) {
            c->Pen()->SetColor(fRightEdgeColor);
            c->Pen()->SetWidth(1);
            c->MoveTo(edgeX, y);
            c->LineTo(edgeX, y + fRowHeight + 1);
          }
          bottom = y + fRowHeight;
        }
      }
    } catch (...) {
      fTextDrawer->EndDrawing();
      throw;
    }
    fTextDrawer->EndDrawing();
    // The drawer gave the DC its saved state back, taking away the pen the canvas had selected.
    c->Refresh();
  }
  if (bottom < AClip.bottom) {
    fill(RECT{AClip.left, bottom, AClip.right, AClip.bottom}, editorBG(false));
    if (drawEdge) {
      c->Pen()->SetColor(fRightEdgeColor);
      c->Pen()->SetWidth(1);
      c->MoveTo(edgeX, bottom);
      c->LineTo(edgeX, AClip.bottom);
    }
  }
}

// ---- following the line buffer ------------------------------------------------------------

void TCustomSxEdit::LinesChanging(TObject*) { fStateFlags |= stLinesChanging; }

void TCustomSxEdit::LinesChanged(TObject*) {
  fStateFlags &= ~stLinesChanging;
  RescanDirtyRanges();
  if (!HandleAllocated()) return;
  UpdateScrollBars();
  const TSxSelectionMode mode = fActiveSelMode;
  SetSelBegin(fCaretPos);
  fActiveSelMode = mode;
  for (int i = 0; i < fPendingInvalid.Count; ++i) InvalidateRect(fPendingInvalid.Rects[static_cast<std::size_t>(i)], false);
  fPendingInvalid.Count = 0;
  if (fGutter->ShowLineNumbers() && fGutter->AutoSize()) fGutter->AutoSizeDigitCount(fLines->Count());
  if (!HasOption(eoScrollPastEof)) SetTopRow(fTopRow);
}

void TCustomSxEdit::ListCleared(TObject*) {
  fLongScan.Line = -1;
  fSpareScans.clear();
  fDirtyFirst = fDirtyLast = -1;
  if (fWrapPlugin) fWrapPlugin->Reset();
  ClearUndo();
  fPendingInvalid.Count = 0;
  Invalidate();
  PlaceCaret(BufferCoord(1, 1));
  SetTopRow(1);
  SetLeftColumn(1);
  StatusChanged(scAll);
}

int TCustomSxEdit::RescanFrom(int Index, int Last) {
  if (!fHighlighter || fLines->Count() == 0) return Index;
  return SxScanRanges(fHighlighter, fLines.get(), Index, std::max(Index, Last),
                      [this](int Line, TSxRange Start, TSxRange& End) {
                        if (!LongLineScan(Line, Start)) return false;
                        End = fLongScan.EndRange;
                        return true;
                      });
}

bool TCustomSxEdit::LongLineScan(int Index, TSxRange Start) {
  if (!fHighlighter || Index < 0 || Index >= fLines->Count()) return false;
  const String& text = fLines->LineRef(Index);
  if (text.size() < kKeptRunsBytes) return false;
  TLongLineScan& ls = fLongScan;
  const std::uint64_t serial = fLines->TextSerial();
  if (ls.Line != Index || ls.Serial != serial) {
    TLongLineScan found;
    if (TLongLineScan* kept = SpareScan(Index, serial)) {
      found = std::move(*kept);
      fSpareScans.erase(fSpareScans.begin() + (kept - fSpareScans.data()));
    }
    ParkLongScan();
    ls = std::move(found);
  }
  if (ls.Line == Index) {
    if (ls.Partial) {
      // The points so far are right: scanned on from the last one.
      const TLongLineScanPoint p = ls.Points.At(ls.Points.size() - 1);
      if (ls.Start == Start && fHighlighter->SetLineFrom(text, Index, p.Char, p.Byte, p.Range)) {
        ls.Partial = false;
        LongLineScanOn(ls.Points.size());
        return true;
      }
    } else if (ls.Start == Start && !ls.StartGuessed) {
      return true;
    } else if (fHighlighter->SetLineFrom(text, Index, 0, 0, Start)) {
      // Another start state: scanned again from the start until it agrees with the old scan.
      ls.Points.List[0].Range = Start;
      ls.Start = Start;
      ls.StartGuessed = false;
      LongLineScanOn(1);
      return true;
    }
  }
  ls = TLongLineScan();
  if (!fHighlighter->SetLineFrom(text, Index, 0, 0, Start)) return false;
  ls.Points.List.push_back({0, 0, Start});
  ls.Line = Index;
  ls.Serial = serial;
  ls.Start = Start;
  LongLineScanOn(1);
  return true;
}

TCustomSxEdit::TLongLineScan* TCustomSxEdit::SpareScan(int Line, std::uint64_t Serial) {
  const auto kept = std::find_if(fSpareScans.begin(), fSpareScans.end(),
                                 [&](const TLongLineScan& s) { return s.Line == Line && s.Serial == Serial; });
  return kept == fSpareScans.end() ? nullptr : &*kept;
}

void TCustomSxEdit::KeepSpareScan(TLongLineScan&& Scan) {
  Scan.Points.Settle();
  const int line = Scan.Line;
  std::erase_if(fSpareScans, [&](const TLongLineScan& s) { return s.Line == line; });
  fSpareScans.insert(fSpareScans.begin(), std::move(Scan));
  if (fSpareScans.size() > kSpareScans) fSpareScans.pop_back();
}

void TCustomSxEdit::ParkLongScan() {
  TLongLineScan& ls = fLongScan;
  if (ls.Line < 0 || ls.Serial != fLines->TextSerial()) return;
  KeepSpareScan(std::move(ls));
  ls = TLongLineScan();
}

void TCustomSxEdit::FollowLongScans(int Index, int Inserted, int Deleted, bool Current) {
  const std::uint64_t serial = fLines->TextSerial();
  auto follow = [&](TLongLineScan& ls) {
    if (ls.Line < 0) return;
    if (ls.Serial + 1 != serial || (ls.Line >= Index && ls.Line < Index + Deleted)) {
      ls.Line = -1;
      return;
    }
    if (ls.Line >= Index) ls.Line += Inserted - Deleted;
    ls.Serial = serial;
  };
  if (Current) follow(fLongScan);
  for (TLongLineScan& s : fSpareScans) follow(s);
  std::erase_if(fSpareScans, [](const TLongLineScan& s) { return s.Line < 0; });
}

void TCustomSxEdit::SeedCutScan(int Index) {
  TLongLineScan& ls = fLongScan;
  if (!fHighlighter || ls.Line < 0 || ls.Partial || ls.Serial != fLines->TextSerial()) return;
  if (ls.Line != Index + 1 && ls.Line != Index - 1) return;
  const String& part = fLines->LineRef(Index);
  const String& whole = fLines->LineRef(ls.Line);
  if (part.size() < kKeptRunsBytes || part.size() >= whole.size()) return;
  ls.Points.Settle();
  // A line the buffer cut from the scanned one is its part; another is compared with it.
  const bool cut = fLines->CuttingFrom() == ls.Line;
  TLongLineScan e;
  e.Line = Index;
  e.Serial = ls.Serial;
  if (ls.Line == Index + 1) {
    // The first part: the points well before its end, the rest scanned when it is needed.
    if (!cut && whole.compare(0, part.size(), part) != 0) return;
    const auto end =
        std::lower_bound(ls.Points.List.begin(), ls.Points.List.end(), part.size(),
                         [](const TLongLineScanPoint& p, std::size_t b) { return p.Byte + kScanMarginBytes < b; });
    e.Points.List.assign(ls.Points.List.begin(), end);
    e.Start = ls.Start;
    e.Partial = true;
    fLongScan.LosingHead = part.size();
  } else {
    // The last part: the points after the cut, moved; its start state is known only when the
    // line before it is scanned, and the scan from there agrees with them where it can.
    const std::size_t at = whole.size() - part.size();
    if (!cut && whole.compare(at, part.size(), part) != 0) return;
    const auto after = std::upper_bound(ls.Points.List.begin(), ls.Points.List.end(), at,
                                        [](std::size_t b, const TLongLineScanPoint& p) { return b < p.Byte; });
    const TLongLineScanPoint& before = *(after - 1);
    int cutChars = before.Char;
    for (std::size_t b = before.Byte; b < at; ++b) cutChars += (static_cast<unsigned char>(whole[b]) & 0xC0) != 0x80;
    if (ls.EndChar <= cutChars) return;  // the scan stopped before the cut
    e.Points.List.reserve(static_cast<std::size_t>(ls.Points.List.end() - after) + 1);
    e.Points.List.push_back({0, 0, ls.Start});
    for (auto it = after; it != ls.Points.List.end(); ++it)
      e.Points.List.push_back({it->Char - cutChars, it->Byte - at, it->Range});
    e.Start = ls.Start;
    e.StartGuessed = true;
    e.EndRange = ls.EndRange;
    e.EndChar = ls.EndChar - cutChars;
    e.LastAttr = ls.LastAttr;
  }
  KeepSpareScan(std::move(e));
}

bool TCustomSxEdit::LongLineScanOn(std::size_t Tail, int EditChar, std::size_t Stale) {
  // Points from Tail on are the old scan's (moved with the text), the first Stale of them no
  // longer right; new ones take the place of those the scan passes.
  TLongLineScan& ls = fLongScan;
  auto& pts = ls.Points;
  TSxCustomHighlighter* hl = fHighlighter;
  std::vector<TLongLineScanPoint>& fresh = fFreshPoints;
  fresh.clear();
  int lastPoint = pts.At(Tail - 1).Char;
  std::size_t k = Tail + Stale;
  TSxHighlighterAttributes* attr = nullptr;
  // Tokens that end before the character in front of the edit are scanned as before; the one
  // before the token holding that character is taken too, for a scanner that looked ahead.
  int tokenStart = hl->GetTokenPos(), prevStart = tokenStart;
  ls.ChangedFrom = EditChar < 0 ? -1 : INT32_MAX;
  while (!hl->AtLineEnd()) {
    attr = hl->GetTokenAttribute();
    const TSxRange r = hl->GetRange();
    hl->Next();
    const int pos = hl->GetTokenPos();
    if (ls.ChangedFrom == INT32_MAX && pos >= EditChar) ls.ChangedFrom = prevStart;
    prevStart = tokenStart;
    tokenStart = pos;
    while (k < pts.size() && pts.At(k).Char < pos) ++k;
    if (k < pts.size() && pts.At(k).Char == pos && pts.At(k).Range == r) {
      // The scan agrees with the old one from here on. The new points take the place of the
      // old ones before k; a last new one goes when it would lengthen the list and the points
      // around it stay under two steps apart (else the points after it would move at each
      // keystroke typed in one place).
      if (fresh.size() > k - Tail &&
          pos - (fresh.size() > 1 ? fresh[fresh.size() - 2].Char : pts.At(Tail - 1).Char) < 2 * kScanStep)
        fresh.pop_back();
      pts.Replace(Tail, k - Tail, fresh);
      ls.ChangedFrom = std::min(ls.ChangedFrom, prevStart);
      ls.ChangedTo = pos;
      return true;
    }
    if (pos >= lastPoint + kScanStep && !hl->AtLineEnd()) {
      fresh.push_back({pos, fLines->CharOffset(ls.Line, pos + 1), r});
      lastPoint = pos;
    }
  }
  pts.Replace(Tail, pts.size() - Tail, fresh);
  ls.ChangedFrom = std::min(ls.ChangedFrom, prevStart);
  ls.ChangedTo = INT32_MAX;
  ls.EndRange = hl->GetRange();
  ls.EndChar = hl->GetTokenPos();
  ls.LastAttr = attr;
  return false;
}

void TCustomSxEdit::LongLineEdited(int Index) {
  TLongLineScan& ls = fLongScan;
  const std::uint64_t serial = fLines->TextSerial();
  if (ls.Line != Index)
    // The edited line's kept scan becomes the present one.
    if (TLongLineScan* kept = SpareScan(Index, serial - 1)) {
      ls.Points.Settle();
      std::swap(*kept, ls);
    }
  // The other kept scans follow, as if the line were replaced: its own goes.
  FollowLongScans(Index, 1, 1, false);
  if (ls.Line < 0) return;
  const TSxInLineEdit& e = fLines->LastLineEdit();
  const bool losingHead = ls.LosingHead != 0 && Index == ls.Line && e.Line == Index && e.Byte == 0 &&
                          e.OldBytes == ls.LosingHead && e.NewBytes == 0;
  ls.LosingHead = 0;
  if (ls.Serial + 1 != serial || !fHighlighter) {
    ls.Line = -1;
    return;
  }
  if (Index != ls.Line) {
    ls.Serial = serial;  // another line changed
    return;
  }
  const String& text = fLines->LineRef(Index);
  if (e.Line != Index || e.Serial != serial || text.size() < kKeptRunsBytes) {
    ls.Line = -1;
    return;
  }
  // From the last point well before the change; the points after it move with the text, those
  // inside it (Stale of them after k0) are scanned again.
  auto& pts = ls.Points;
  std::size_t k0 = pts.CountBefore([&](const TLongLineScanPoint& p) { return p.Char <= e.Char - kScanMargin; }, 1) - 1;
  const int dChar = e.NewChars - e.OldChars;
  const std::ptrdiff_t dByte = static_cast<std::ptrdiff_t>(e.NewBytes) - static_cast<std::ptrdiff_t>(e.OldBytes);
  const std::size_t first =
      pts.CountBefore([&](const TLongLineScanPoint& p) { return p.Char < e.Char + e.OldChars; }, k0 + 1);
  const std::size_t stale = first - (k0 + 1);
  pts.Move(first, {dChar, dByte});
  if (k0 == 0) {
    // From the line's start, in the state the line starts in now (a line joined to its end
    // starts as that line did).
    const TSxRange start = Index == 0 ? 0 : fLines->Range(Index);
    if (start != -1) pts.List[0].Range = ls.Start = start;
    if (e.Byte == 0 && e.OldBytes == 0 && Index > 0) {
      // The line above joined in front: its scan's points are right for its text, and the
      // rescan goes from the last of them until it agrees with the old points.
      const String& prev = fLines->LineRef(Index - 1);
      const TLongLineScan* kept = SpareScan(Index - 1, serial);
      if (kept && !kept->Partial && !kept->StartGuessed && kept->Start == pts.List[0].Range &&
          prev.size() <= e.NewBytes && (e.Joined < 0 || text.compare(0, prev.size(), prev) == 0)) {
        std::size_t n = 1;
        while (n < kept->Points.size() && kept->Points.List[n].Byte + kScanMarginBytes < prev.size()) ++n;
        pts.Replace(0, 1, {kept->Points.List.data(), n});
        k0 = n - 1;
      }
    }
  }
  const TLongLineScanPoint from = pts.At(k0);
  ls.Serial = serial;
  int endChar = ls.EndChar;
  if (e.OldBytes == 0 && e.Byte + e.NewBytes == text.size() && Index + 1 < fLines->Count()) {
    // The next line joined to the end: its scan's points, moved, are where the rescan can
    // agree with it.
    const String& next = fLines->LineRef(Index + 1);
    const TLongLineScan* kept = SpareScan(Index + 1, serial);
    if (kept && !kept->Partial && !kept->StartGuessed && next.size() <= e.NewBytes &&
        (e.Joined > 0 || text.compare(text.size() - next.size(), next.size(), next) == 0)) {
      const std::size_t byte = text.size() - next.size();
      const int chr = e.Char + e.NewChars - fLines->CharCount(Index + 1);
      pts.Settle();
      pts.List.reserve(pts.size() + kept->Points.size());
      for (const TLongLineScanPoint& p : kept->Points.List) pts.List.push_back({p.Char + chr, p.Byte + byte, p.Range});
      endChar = chr + kept->EndChar - dChar;
      ls.EndRange = kept->EndRange;
      ls.LastAttr = kept->LastAttr;
    }
  }
  if (losingHead) {
    // Its start state is known only when the line above is scanned: the scan from the start
    // then agrees with the moved points where it can.
    ls.StartGuessed = true;
    ls.EndChar = endChar + dChar;
    pts.Replace(k0 + 1, stale, {});
    return;
  }
  if (!fHighlighter->SetLineFrom(text, Index, from.Char, from.Byte, from.Range)) {
    ls.Line = -1;
    return;
  }
  if (LongLineScanOn(k0 + 1, e.Char, stale)) ls.EndChar = endChar + dChar;
  ls.ChangedSerial = serial;
}

void TCustomSxEdit::RescanAll() {
  if (!fHighlighter || fLines->Count() == 0) return;
  RescanFrom(0, fLines->Count() - 1);
}

void TCustomSxEdit::MarkRangesDirty(int First, int Last) {
  fDirtyFirst = fDirtyFirst < 0 ? First : std::min(fDirtyFirst, First);
  fDirtyLast = std::max(fDirtyLast, Last);
}

void TCustomSxEdit::RescanDirtyRanges() {
  if (fDirtyFirst < 0) return;
  const int count = fLines->Count();
  const int first = std::min(fDirtyFirst, std::max(count - 1, 0));
  const int last = std::min(fDirtyLast, count - 1);
  fDirtyFirst = fDirtyLast = -1;
  if (!fHighlighter || count == 0) return;
  const int scanned = RescanFrom(first, std::max(first, last));
  // Lines whose colours changed through a changed start state are repainted too.
  if (scanned > last) InvalidateLines(last + 2, scanned + 1);
}

void TCustomSxEdit::ListInserted(TObject*, int Index, int Count) {
  // The scanned long lines move down; a line cut from one of them takes its points.
  FollowLongScans(Index, Count, 0);
  if (Count == 1) SeedCutScan(Index);
  if (fHighlighter && fLines->Count() > 0) {
    // Inside an update the ranges are scanned once when it ends: one scan per changed line
    // would rescan new lines to the end of the block each time.
    if (fDirtyLast >= Index) fDirtyLast += Count;
    if (fDirtyFirst > Index) fDirtyFirst += Count;
    MarkRangesDirty(Index, Index + Count - 1);
    if (!(fStateFlags & stLinesChanging)) RescanDirtyRanges();
  }
  if (fWrapPlugin) fWrapPlugin->LinesInserted(Index, Count);
  InvalidateLines(Index + 1, INT32_MAX);
  InvalidateGutterLines(Index + 1, INT32_MAX);
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    const int len = fLines->ExpandedLength(Index);
    if (len > fMaxScrollWidth) SetMaxScrollWidth(len);
  }
}

void TCustomSxEdit::ListDeleted(TObject*, int Index, int Count) {
  FollowLongScans(Index, 0, Count);
  if (fHighlighter && fLines->Count() > 0) {
    if (fDirtyLast >= Index + Count)
      fDirtyLast -= Count;
    else if (fDirtyLast >= Index)
      fDirtyLast = Index;
    if (fDirtyFirst > Index) fDirtyFirst = Index;
    MarkRangesDirty(std::max(Index - 1, 0), Index);
    if (!(fStateFlags & stLinesChanging)) RescanDirtyRanges();
  }
  if (fWrapPlugin) fWrapPlugin->LinesDeleted(Index, Count);
  InvalidateLines(Index + 1, INT32_MAX);
  InvalidateGutterLines(Index + 1, INT32_MAX);
}

void TCustomSxEdit::ListPutted(TObject*, int Index, int Count) {
  int last = Index + Count - 1;
  LongLineEdited(Index);
  bool rowsDone = false;
  if (fWrapPlugin) {
    const int added = fWrapPlugin->LinesChanged(Index, Count);
    int first = 0, last = 0;
    if (added == 0)
      InvalidateGutterLines(Index + 1, Index + Count);
    else if (Count == 1 && fWrapPlugin->LastChangedRows(first, last))
      // The gutter changes where rows of other lines moved: from the rows the line gained on.
      InvalidateGutterRows(last + 1 - std::max(added, 0), INT32_MAX);
    else
      InvalidateGutterLines(Index + 1, INT32_MAX);
    rowsDone = Count == 1 && InvalidateEditedRows(Index, added);
  }
  if (fHighlighter) {
    MarkRangesDirty(Index, last);
    if (!(fStateFlags & stLinesChanging)) RescanDirtyRanges();
  }
  if (!rowsDone) InvalidateLines(Index + 1, last + 1);
  if (HasOption(eoAutoSizeMaxScrollWidth)) {
    const int len = fLines->ExpandedLength(Index);
    if (len > fMaxScrollWidth) SetMaxScrollWidth(len);
  }
}

// ---- marks and bookmarks ------------------------------------------------------------------

void TCustomSxEdit::FirePlaceBookmark(TSxEditMark*& Mark) {
  if (OnPlaceBookmark) OnPlaceBookmark(this, Mark);
}

void TCustomSxEdit::FireClearBookmark(TSxEditMark*& Mark) {
  if (OnClearBookmark) OnClearBookmark(this, Mark);
}

void TCustomSxEdit::SetBookmark(int Number, int Char, int Line) {
  if (Number < 0 || Number > 9 || Line < 1 || Line > std::max(fLines->Count(), 1)) return;
  auto* mark = new TSxEditMark(this);
  mark->SetLine(Line);
  mark->SetChar(Char);
  mark->SetImageIndex(Number);
  mark->SetBookmarkNumber(Number);
  mark->SetVisible(true);
  mark->SetInternalImage(fBookMarkOpt->BookmarkImages() == nullptr);
  FirePlaceBookmark(mark);
  if (!mark) return;  // the handler took it
  if (fBookmarks[static_cast<std::size_t>(Number)]) ClearBookmark(Number);
  fBookmarks[static_cast<std::size_t>(Number)] = mark;
  fMarks->Add(mark);
}

void TCustomSxEdit::ClearBookmark(int Number) {
  if (Number < 0 || Number > 9) return;
  TSxEditMark*& slot = fBookmarks[static_cast<std::size_t>(Number)];
  if (!slot) return;
  TSxEditMark* mark = slot;
  FireClearBookmark(mark);
  fMarks->Remove(slot);
  delete slot;
  slot = nullptr;
}

void TCustomSxEdit::GotoBookmark(int Number) {
  if (Number < 0 || Number > 9) return;
  TSxEditMark* mark = fBookmarks[static_cast<std::size_t>(Number)];
  if (!mark || mark->Line() > fLines->Count()) return;
  IncPaintLock();
  try {
    SetCaretPosEx(false, BufferCoord(mark->Char(), mark->Line()));
    EnsureCaretVisibleEx(true);
    if (HasSelection()) InvalidateSelection();
    fSelBegin = fCaretPos;
    fSelEnd = fCaretPos;
    StatusChanged(scSelection);
  } catch (...) {
    DecPaintLock();
    throw;
  }
  DecPaintLock();
}

void TCustomSxEdit::ShiftMarksInserted(int FirstLine, int Count) {
  for (int i = 0; i < fMarks->Count(); ++i) {
    TSxEditMark* m = fMarks->Items(i);
    if (m->Line() >= FirstLine) m->SetLine(m->Line() + Count);
  }
}

void TCustomSxEdit::ShiftMarksDeleted(int FirstLine, int Count) {
  for (int i = 0; i < fMarks->Count(); ++i) {
    TSxEditMark* m = fMarks->Items(i);
    if (m->Line() >= FirstLine + Count)
      m->SetLine(m->Line() - Count);
    else if (m->Line() > FirstLine)
      m->SetLine(FirstLine);
  }
}

void TCustomSxEdit::FireGutterClick(TMouseButton Button, int X, int Y) {
  if (!OnGutterClick) return;
  const int line = RowToLine(PixelsToRowColumn(X, Y).Row);
  if (line > fLines->Count()) return;
  TSxEditMark* hit = nullptr;
  int offset = 0;
  for (TSxEditMark* m : fMarks->GetMarksForLine(line)) {
    if (X < offset + fBookMarkOpt->Xoffset()) {
      hit = m;
      break;
    }
    offset += fBookMarkOpt->Xoffset();
  }
  OnGutterClick(this, Button, X, Y, line, hit);
}
