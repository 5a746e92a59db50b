// The standard controls: edit and memo.
#include "platform/forms/StdCtrls.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsInternal.h"
#include "platform/forms/StdCtrlsInternal.h"

using namespace stdctrls_detail;

// ---- TCustomEdit ----------------------------------------------------------------------------

TCustomEdit::TCustomEdit(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 121;
  fHeight = 21;
  fTabStop = true;
  fColor = clWindow;
  fParentColor = false;
  fBorderStyle = bsSingle;
  fCursor = crIBeam;
  fControlStyle.Exclude(csSetCaption);
  fControlStyle.Include(csDoubleClicks);
}

void TCustomEdit::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Caption.clear();
}

int TCustomEdit::CharCount() const { return static_cast<int>(Utf8Length(fText)); }

String TCustomEdit::DisplayText() const {
  if (!fPasswordChar) return fText;
  String s;
  for (int i = 0, n = CharCount(); i < n; ++i) Utf8Append(s, fPasswordChar);
  return s;
}

void TCustomEdit::Change() {
  Modified = true;
  if (OnChange) OnChange(this);
}

void TCustomEdit::SetTextValue(const String& v) {
  String t = v;
  if (fCharCase == TEditCharCase::ecUpperCase)
    t = Utf8UpperCase(t);
  else if (fCharCase == TEditCharCase::ecLowerCase)
    t = Utf8LowerCase(t);
  if (t == fText) return;
  fText = t;
  fSelStart = fSelEnd = fAnchor = 0;
  fHasUndo = fTypingRun = false;  // a text set by the program cannot be undone
  fCaretInView = true;
  fScroll = 0;
  Invalidate();
  Perform(CM_TEXTCHANGED, 0, 0);
  Change();
}

void TCustomEdit::SetReadOnly(bool v) {
  fReadOnly = v;
  Invalidate();
}
void TCustomEdit::SetPasswordChar(char32_t v) {
  fPasswordChar = v;
  Invalidate();
}
void TCustomEdit::SetCharCase(TEditCharCase v) {
  fCharCase = v;
  SetTextValue(fText);
}

void TCustomEdit::SelectionMoved(int AOldStart, int AOldEnd, int AOldAnchor) {
  if (fSelStart == AOldStart && fSelEnd == AOldEnd && fAnchor == AOldAnchor) return;
  if (OnSelChange) OnSelChange(this);
}

void TCustomEdit::SetSelStart(int v) {
  EnsureText();
  fTypingRun = false;
  v = Clamp(v, 0, CharCount());
  const int start = fSelStart, end = fSelEnd, anchor = fAnchor;
  fSelStart = fSelEnd = fAnchor = v;
  Invalidate();
  SelectionMoved(start, end, anchor);
}
void TCustomEdit::SetSelLength(int v) {
  EnsureText();
  const int start = fSelStart, end = fSelEnd, anchor = fAnchor;
  fSelEnd = Clamp(fSelStart + v, fSelStart, CharCount());
  fAnchor = fSelStart;
  Invalidate();
  SelectionMoved(start, end, anchor);
}
String TCustomEdit::SelText() {
  EnsureText();
  return Utf8Copy(fText, fSelStart, fSelEnd - fSelStart);
}
void TCustomEdit::SetSelText(const String& v) { ReplaceSelection(v, false); }
void TCustomEdit::SelectAll() {
  EnsureText();
  fTypingRun = false;
  const int start = fSelStart, end = fSelEnd, anchor = fAnchor;
  fSelStart = fAnchor = 0;
  fSelEnd = CharCount();
  Invalidate();
  SelectionMoved(start, end, anchor);
}
void TCustomEdit::ClearSelection() {
  if (fSelEnd > fSelStart) ReplaceSelection("", true);
}
void TCustomEdit::CopyToClipboard() {
  EnsureText();
  if (fSelEnd > fSelStart && !fPasswordChar) Clipboard()->SetAsText(SelText());
}
void TCustomEdit::CutToClipboard() {
  if (fReadOnly) return;
  CopyToClipboard();
  ClearSelection();
}
void TCustomEdit::PasteFromClipboard() {
  if (!fReadOnly) ReplaceSelection(Clipboard()->AsText(), true);
}
void TCustomEdit::Undo() {
  EnsureText();
  if (!fHasUndo) return;
  String t = fUndoText;
  fUndoText = fText;
  fText = t;
  fSelStart = fSelEnd = fAnchor = CharCount();
  Invalidate();
  Perform(CM_TEXTCHANGED, 0, 0);
  Change();
}

void TCustomEdit::ReplaceSelection(const String& s, bool byUser, bool typing) {
  EnsureText();
  if (byUser && fReadOnly) return;
  String ins = s;
  if (!MultiLine()) {
    auto cut = ins.find_first_of("\r\n");
    if (cut != String::npos) ins.resize(cut);
  } else if (ins.find_first_of("\r\n") != String::npos) {
    // Every line break becomes CR LF (a lone LF, a lone CR, LF CR).
    String norm;
    norm.reserve(ins.size() + 8);
    for (std::size_t i = 0; i < ins.size(); ++i) {
      char c = ins[i];
      if (c == '\r' || c == '\n') {
        char other = c == '\r' ? '\n' : '\r';
        if (i + 1 < ins.size() && ins[i + 1] == other) ++i;
        norm += "\r\n";
      } else {
        norm += c;
      }
    }
    ins = std::move(norm);
  }
  if (fCharCase == TEditCharCase::ecUpperCase)
    ins = Utf8UpperCase(ins);
  else if (fCharCase == TEditCharCase::ecLowerCase)
    ins = Utf8LowerCase(ins);
  int selLen = fSelEnd - fSelStart;
  if (fMaxLength > 0) {
    int room = fMaxLength - (CharCount() - selLen);
    if (room <= 0)
      ins.clear();
    else if (static_cast<int>(Utf8Length(ins)) > room)
      ins = Utf8Copy(ins, 0, room);
  }
  if (ins.empty() && selLen == 0) return;
  if (!(typing && fTypingRun && selLen == 0)) {
    fUndoText = fText;
    fHasUndo = true;
  }
  fTypingRun = typing;
  fCaretInView = true;
  std::size_t a = Utf8OffsetOf(fText, fSelStart), b = Utf8OffsetOf(fText, fSelEnd);
  fText = fText.substr(0, a) + ins + fText.substr(b);
  fSelStart = fSelEnd = fAnchor = fSelStart + static_cast<int>(Utf8Length(ins));
  Invalidate();
  Perform(CM_TEXTCHANGED, 0, 0);
  Change();
}

void TCustomEdit::MoveCaret(int pos, bool extend) {
  EnsureText();
  fTypingRun = false;
  fCaretInView = true;
  pos = Clamp(pos, 0, CharCount());
  const int start = fSelStart, end = fSelEnd, anchor = fAnchor;
  if (extend) {
    fSelStart = std::min(fAnchor, pos);
    fSelEnd = std::max(fAnchor, pos);
    // the caret is at `pos`; keep the anchor
    if (pos < fAnchor) {
      fSelStart = pos;
      fSelEnd = fAnchor;
    }
  } else {
    fSelStart = fSelEnd = fAnchor = pos;
  }
  Invalidate();
  SelectionMoved(start, end, anchor);
}

int TCustomEdit::PosFromPoint(TPoint p) {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  String shown = DisplayText();
  std::vector<int> adv = GetCharAdvances(c.Handle(), shown);
  int first = 0;
  int x = TextOrigin(adv, first);
  for (int i = 0; i < first && i < static_cast<int>(adv.size()); ++i) x -= adv[i];
  for (int i = 0; i < static_cast<int>(adv.size()); ++i) {
    if (p.x < x + adv[i] / 2) return i;
    x += adv[i];
  }
  return static_cast<int>(adv.size());
}

TPoint TCustomEdit::PointFromPos(int pos) {
  EnsureText();
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  std::vector<int> adv = GetCharAdvances(c.Handle(), DisplayText());
  int first = 0;
  int x = TextOrigin(adv, first);
  for (int i = first; i < pos && i < static_cast<int>(adv.size()); ++i) x += adv[i];
  for (int i = pos; i < first && i < static_cast<int>(adv.size()); ++i) x -= adv[i];
  TEXTMETRIC tm;
  GetTextMetrics(c.Handle(), &tm);
  return TPoint{x, std::max(1, static_cast<int>(ClientHeight() - tm.tmHeight) / 2)};
}

void TCustomEdit::SetAlignment(TAlignment v) {
  if (fAlignment == v) return;
  fAlignment = v;
  Invalidate();
}

int TCustomEdit::TextOrigin(const std::vector<int>& adv, int& first) {
  int room = ClientWidth() - fLeftMargin - fRightMargin;
  int total = 0;
  for (int a : adv) total += a;
  if (total > room) {
    first = fScroll;
    return fLeftMargin;
  }
  // A text that fits shows whole, placed by the alignment; a longer one scrolls from the left.
  first = 0;
  if (fAlignment == taRightJustify) return fLeftMargin + room - total;
  if (fAlignment == taCenter) return fLeftMargin + (room - total) / 2;
  return fLeftMargin;
}

void TCustomEdit::Paint() {
  EnsureText();
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
  c->FillRect(r);
  String shown = DisplayText();
  HDC dc = c->Handle();
  c->Font()->Assign(Font());
  c->TextExtent("");  // selects the objects
  std::vector<int> adv = GetCharAdvances(dc, shown);
  // Keep the caret in view.
  int caret = fSelEnd == fAnchor ? fSelStart : fSelEnd;
  int width = r.right - fLeftMargin - fRightMargin;
  if (caret < fScroll) fScroll = caret;
  auto span = [&](int a, int b) {
    int w = 0;
    for (int i = a; i < b && i < static_cast<int>(adv.size()); ++i) w += adv[i];
    return w;
  };
  while (fScroll < caret && span(fScroll, caret) > width) ++fScroll;
  TEXTMETRIC tm;
  GetTextMetrics(dc, &tm);
  int y = std::max(1, (r.bottom - tm.tmHeight) / 2);
  int x = TextOrigin(adv, fScroll);
  int n = static_cast<int>(adv.size());
  SetBkMode(dc, TRANSPARENT);
  bool showSel = Focused() || !HideSelection;
  for (int i = fScroll; i < n && x < r.right; ++i) {
    String ch = Utf8Copy(shown, i, 1);
    bool sel = showSel && i >= fSelStart && i < fSelEnd;
    if (sel) {
      RECT cr{x, y, x + adv[i], y + tm.tmHeight};
      FillSolid(dc, cr, clHighlight);
    }
    SetTextColor(dc, Ref(sel ? clHighlightText : Enabled() ? Font()->Color() : clGrayText));
    TextOut(dc, x, y, ch);
    x += adv[i];
  }
  if (Focused()) {
    CreateCaret(Handle(), HBITMAP(), 1, tm.tmHeight);
    SetCaretPos(TextOrigin(adv, fScroll) + span(fScroll, caret), y);
    ShowCaret(Handle());
  }
}

void TCustomEdit::Dispatch(TMessage& m) {
  EnsureText();
  static constexpr TMessageMethod<TCustomEdit> kMessages[] = {
      {WM_GETTEXTLENGTH, &TCustomEdit::WMGetTextLength},
      {WM_GETTEXT, &TCustomEdit::WMGetText},
      {WM_SETTEXT, &TCustomEdit::WMSetText},
      {EM_GETSEL, &TCustomEdit::EMGetSel},
      {EM_SETSEL, &TCustomEdit::EMSetSel},
      {EM_REPLACESEL, &TCustomEdit::EMReplaceSel},
      {EM_CANUNDO, &TCustomEdit::EMCanUndo},
      {EM_UNDO, &TCustomEdit::EMUndo},
      {EM_GETMODIFY, &TCustomEdit::EMGetModify},
      {EM_SETMODIFY, &TCustomEdit::EMSetModify},
      {EM_SETMARGINS, &TCustomEdit::EMSetMargins},
      {EM_POSFROMCHAR, &TCustomEdit::EMPosFromChar},
      {EM_CHARFROMPOS, &TCustomEdit::EMCharFromPos},
      {WM_SETFONT, &TCustomEdit::WMSetFont},
      {WM_GETFONT, &TCustomEdit::WMGetFont},
      {EM_EMPTYUNDOBUFFER, &TCustomEdit::EMEmptyUndoBuffer},
      {EM_SETREADONLY, &TCustomEdit::EMSetReadOnly},
      {EM_LIMITTEXT, &TCustomEdit::EMLimitText},
      {WM_CUT, &TCustomEdit::WMCut},
      {WM_COPY, &TCustomEdit::WMCopy},
      {WM_PASTE, &TCustomEdit::WMPaste},
      {WM_CLEAR, &TCustomEdit::WMClear},
      {WM_UNDO, &TCustomEdit::EMUndo},
      {WM_SETFOCUS, &TCustomEdit::WMSetFocus},
      {CM_ENTER, &TCustomEdit::CMEnter},
      {WM_KILLFOCUS, &TCustomEdit::WMKillFocus},
      {WM_LBUTTONDOWN, &TCustomEdit::WMLButtonDown},
      {WM_LBUTTONDBLCLK, &TCustomEdit::WMLButtonDblClk},
      {WM_MOUSEMOVE, &TCustomEdit::WMMouseMove},
      {WM_KEYDOWN, &TCustomEdit::WMKeyDown},
      {WM_CHAR, &TCustomEdit::WMChar},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomControl::Dispatch(m);
}

void TCustomEdit::WMGetTextLength(TMessage& m) { m.Result = static_cast<LRESULT>(GetText().size()); }

void TCustomEdit::WMGetText(TMessage& m) {
  String t = GetText();
  if (m.WParam == 0) return;
  std::size_t n = std::min<std::size_t>(t.size(), m.WParam - 1);
  std::copy_n(t.data(), n, reinterpret_cast<char*>(m.LParam));
  reinterpret_cast<char*>(m.LParam)[n] = 0;
  m.Result = static_cast<LRESULT>(n);
}

void TCustomEdit::WMSetText(TMessage& m) {
  SetText(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "");
  m.Result = 1;
}

void TCustomEdit::EMGetSel(TMessage& m) {
  if (m.WParam) *reinterpret_cast<DWORD*>(m.WParam) = static_cast<DWORD>(fSelStart);
  if (m.LParam) *reinterpret_cast<DWORD*>(m.LParam) = static_cast<DWORD>(fSelEnd);
  m.Result = MAKELONG(static_cast<WORD>(fSelStart), static_cast<WORD>(fSelEnd));
}

void TCustomEdit::EMSetSel(TMessage& m) {
  int a = static_cast<int>(static_cast<std::intptr_t>(m.WParam)), b = static_cast<int>(m.LParam);
  int n = CharCount();
  const int start = fSelStart, end = fSelEnd, anchor = fAnchor;
  if (a < 0) {
    fSelStart = fSelEnd = fAnchor = fSelEnd;
  } else {
    if (b < 0 || b > n) b = n;
    a = std::min(a, n);
    fAnchor = a;
    fSelStart = std::min(a, b);
    fSelEnd = std::max(a, b);
  }
  Invalidate();
  SelectionMoved(start, end, anchor);
}

void TCustomEdit::EMReplaceSel(TMessage& m) {
  ReplaceSelection(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "", m.WParam != 0);
}

void TCustomEdit::EMCanUndo(TMessage& m) { m.Result = fHasUndo ? 1 : 0; }

void TCustomEdit::EMGetModify(TMessage& m) { m.Result = Modified ? 1 : 0; }

void TCustomEdit::EMSetModify(TMessage& m) { Modified = m.WParam != 0; }

void TCustomEdit::EMSetMargins(TMessage& m) {
  if (m.WParam & EC_LEFTMARGIN) fLeftMargin = LOWORD(static_cast<std::uintptr_t>(m.LParam));
  if (m.WParam & EC_RIGHTMARGIN) fRightMargin = HIWORD(static_cast<std::uintptr_t>(m.LParam));
  Invalidate();
}

void TCustomEdit::EMPosFromChar(TMessage& m) {
  TPoint p = PointFromPos(static_cast<int>(m.WParam));
  m.Result = MAKELONG(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

void TCustomEdit::EMCharFromPos(TMessage& m) {
  int pos = PosFromPoint(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
  m.Result = MAKELONG(static_cast<WORD>(pos), 0);
}

void TCustomEdit::WMSetFont(TMessage& m) {
  if (m.WParam) Font()->SetHandle(HFONT(static_cast<std::uintptr_t>(m.WParam)));
}

void TCustomEdit::WMGetFont(TMessage& m) { m.Result = static_cast<LRESULT>(Font()->Handle().value); }

void TCustomEdit::EMEmptyUndoBuffer(TMessage&) { fHasUndo = false; }

void TCustomEdit::EMSetReadOnly(TMessage& m) {
  SetReadOnly(m.WParam != 0);
  m.Result = 1;
}

void TCustomEdit::EMLimitText(TMessage& m) { fMaxLength = static_cast<int>(m.WParam); }

void TCustomEdit::WMCut(TMessage&) { CutToClipboard(); }

void TCustomEdit::WMCopy(TMessage&) { CopyToClipboard(); }

void TCustomEdit::WMPaste(TMessage&) { PasteFromClipboard(); }

void TCustomEdit::WMClear(TMessage&) { ClearSelection(); }

void TCustomEdit::EMUndo(TMessage& m) {
  m.Result = fHasUndo ? 1 : 0;
  Undo();
}

void TCustomEdit::WMSetFocus(TMessage& m) {
  TCustomControl::Dispatch(m);
  Invalidate();
}

// The text is selected when the edit becomes the form's active control, not each time its window
// gets the focus back (from a popup it opened, say), which would replace what is being typed.
void TCustomEdit::CMEnter(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (AutoSelect && !MultiLine() && !(GetKeyState(VK_LBUTTON) < 0)) SelectAll();
}

void TCustomEdit::WMKillFocus(TMessage& m) {
  DestroyCaret();
  Invalidate();
  TCustomControl::Dispatch(m);
}

void TCustomEdit::WMLButtonDown(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (!Focused() && CanFocus()) SetFocus();
  bool shift = GetKeyState(VK_SHIFT) < 0;
  MoveCaret(PosFromPoint(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}), shift);
}

void TCustomEdit::WMLButtonDblClk(TMessage& m) {
  TCustomControl::Dispatch(m);
  SelectAll();
}

void TCustomEdit::WMMouseMove(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (m.WParam & MK_LBUTTON) MoveCaret(PosFromPoint(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}), true);
}

void TCustomEdit::WMKeyDown(TMessage& m) {
  TCustomControl::Dispatch(m);  // OnKeyDown first; a cleared key stops here
  WORD key = static_cast<WORD>(m.WParam);
  bool shift = GetKeyState(VK_SHIFT) < 0, ctrl = GetKeyState(VK_CONTROL) < 0;
  int caret = (fSelEnd != fAnchor) ? fSelEnd : fSelStart;
  switch (key) {
    case VK_LEFT: MoveCaret(shift ? caret - 1 : (fSelEnd > fSelStart ? fSelStart : caret - 1), shift); break;
    case VK_RIGHT: MoveCaret(shift ? caret + 1 : (fSelEnd > fSelStart ? fSelEnd : caret + 1), shift); break;
    case VK_HOME: MoveCaret(0, shift); break;
    case VK_END: MoveCaret(CharCount(), shift); break;
    case VK_DELETE:
      if (fReadOnly) break;
      if (shift) {
        Perform(WM_CUT, 0, 0);
      } else {
        if (fSelEnd == fSelStart && fSelEnd < CharCount()) fSelEnd++;
        ReplaceSelection("", true);
      }
      break;
    case VK_INSERT:
      if (ctrl)
        Perform(WM_COPY, 0, 0);
      else if (shift)
        Perform(WM_PASTE, 0, 0);
      break;
  }
}

void TCustomEdit::WMChar(TMessage& m) {
  TCustomControl::Dispatch(m);  // OnKeyPress; a zero character stops here
  char32_t ch = static_cast<char32_t>(m.WParam);
  if (ch == 0) return;
  bool ctrl = GetKeyState(VK_CONTROL) < 0;
  if (ch == 8) {
    if (fReadOnly) return;
    if (fSelEnd == fSelStart && fSelStart > 0) fSelStart--;
    ReplaceSelection("", true);
  } else if (ctrl && (ch == 1 || ch == U'a' || ch == U'A')) {
    SelectAll();
  } else if (ctrl && (ch == 3 || ch == U'c')) {
    // The clipboard keys send the clipboard messages, as the system's edit does, so that a
    // control hooking them (a masked edit) handles the keys too.
    Perform(WM_COPY, 0, 0);
  } else if (ctrl && (ch == 22 || ch == U'v')) {
    Perform(WM_PASTE, 0, 0);
  } else if (ctrl && (ch == 24 || ch == U'x')) {
    Perform(WM_CUT, 0, 0);
  } else if (ctrl && (ch == 26 || ch == U'z')) {
    Undo();
  } else if (ch == '\r' && MultiLine()) {
    ReplaceSelection("\r\n", true);
  } else if (ch == '\t' && MultiLine()) {
    ReplaceSelection("\t", true);
  } else if (ch >= 32 && !ctrl) {
    ReplaceSelection(Utf8Encode(ch), true, true);
  }
}

// ---- TCustomMemo ----------------------------------------------------------------------------

TCustomMemo::TCustomMemo(TComponent* AOwner) : TCustomEdit(AOwner), fLines(std::make_unique<TStringList>()) {
  fWidth = 185;
  fHeight = 89;
  AutoSelect = false;
  fLines->OnChange = TNotifyEvent(this, &TCustomMemo::LinesChanged);
}
TCustomMemo::~TCustomMemo() { fLines->OnChange = nullptr; }

TStrings* TCustomMemo::Lines() { return fLines.get(); }

void TCustomMemo::LinesChanged(TObject*) {
  if (fSyncing) return;
  // Joining on every change would make adding N lines quadratic: the text is joined later.
  fTextDirty = true;
  fHasUndo = false;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TCustomMemo::EnsureText() {
  if (!fTextDirty) return;
  fTextDirty = false;
  String t = fLines->Text();
  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0)
    t.resize(t.size() - 2);
  else if (!t.empty() && t.back() == '\n')
    t.pop_back();
  fText = std::move(t);
  int n = CharCount();
  fSelStart = std::min(fSelStart, n);
  fSelEnd = std::min(fSelEnd, n);
  fAnchor = std::min(fAnchor, n);
}

String TCustomMemo::GetText() {
  EnsureText();
  return fText;
}

void TCustomMemo::SetTextValue(const String& v) {
  fTextDirty = false;
  fSyncing = true;
  try {
    fLines->SetText(v);
  } catch (...) {
    fSyncing = false;
    throw;
  }
  fSyncing = false;
  TCustomEdit::SetTextValue(v);
}

void TCustomMemo::Change() {
  if (!fSyncing) {
    fSyncing = true;
    fLines->SetText(fText);
    fSyncing = false;
  }
  TCustomEdit::Change();
}

void TCustomMemo::SetScrollBars(TScrollStyle v) {
  fScrollBars = v;
  RecreateWnd();
}

void TCustomMemo::CreateParams(TCreateParams& p) {
  TCustomEdit::CreateParams(p);
  if (fScrollBars == ssVertical || fScrollBars == ssBoth) p.Style |= WS_VSCROLL;
  if (fScrollBars == ssHorizontal || fScrollBars == ssBoth) p.Style |= WS_HSCROLL;
}

LRESULT TCustomMemo::DialogCode() {
  LRESULT r = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (WantReturns) r |= DLGC_WANTALLKEYS;
  if (WantTabs) r |= DLGC_WANTTAB;
  return r;
}

int TCustomMemo::LineHeight() {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  return c.TextHeight("Qq");
}

TPoint TCustomMemo::LineColOf(int pos) {
  EnsureText();
  int line = 0, col = 0, i = 0;
  for (std::size_t p = 0; p < fText.size() && i < pos; p = Utf8Next(fText, p), ++i) {
    if (fText[p] == '\n') {
      ++line;
      col = 0;
    } else if (fText[p] != '\r') {
      ++col;
    }
  }
  return TPoint{col, line};
}

TPoint TCustomMemo::CaretPos() { return LineColOf(fSelEnd != fAnchor ? fSelEnd : fSelStart); }

int TCustomMemo::PosOf(int line, int col) {
  EnsureText();
  int lines = fLines->Count();
  if (lines == 0) return 0;
  line = std::clamp(line, 0, lines - 1);
  int pos = 0;
  for (int i = 0; i < line; ++i) pos += static_cast<int>(Utf8Length((*fLines)[i])) + 2;
  return pos + std::clamp(col, 0, static_cast<int>(Utf8Length((*fLines)[line])));
}

int TCustomMemo::VisibleLines() { return std::max(1, ClientHeight() / std::max(LineHeight(), 1)); }

int TCustomMemo::PosFromPoint(TPoint p) {
  EnsureText();
  int line = fScroll + std::max(0, static_cast<int>(p.y) - 1) / std::max(LineHeight(), 1);
  if (fLines->Count() == 0) return 0;
  line = std::min(line, fLines->Count() - 1);
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  std::vector<int> adv = GetCharAdvances(c.Handle(), (*fLines)[line]);
  int x = fLeftMargin, col = 0;
  while (col < static_cast<int>(adv.size()) && p.x >= x + adv[col] / 2) x += adv[col++];
  return PosOf(line, col);
}

TPoint TCustomMemo::PointFromPos(int pos) {
  TPoint lc = LineColOf(pos);
  String line = lc.y < fLines->Count() ? (*fLines)[lc.y] : String();
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  SIZE s{};
  GetTextExtentPoint32(c.Handle(), Utf8Copy(line, 0, lc.x), &s);
  return TPoint{fLeftMargin + s.cx, 1 + (lc.y - fScroll) * LineHeight()};
}

void TCustomMemo::ScrollTo(int line) {
  line = std::clamp(line, 0, fScroller.LastTop());
  if (line == fScroll) return;
  fScroll = line;
  if (HandleAllocated()) {
    fScroller.UpdateBar();
    if (HWND parent = GetParent(Handle()))
      SendMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetWindowLong(Handle(), GWL_ID)), EN_VSCROLL),
                  static_cast<LPARAM>(Handle().value));
  }
  Invalidate();
}

void TCustomMemo::Paint() {
  EnsureText();
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Enabled() ? Color() : clBtnFace);
  c->FillRect(r);
  c->Font()->Assign(Font());
  HDC dc = c->Handle();
  c->TextExtent("");
  int lh = LineHeight();
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, Ref(Font()->Color()));
  TPoint caret = CaretPos();
  if (fCaretInView) {
    fCaretInView = false;
    fScroll = fScroller.TopToShow(caret.y);
  }
  fScroll = std::clamp(fScroll, 0, std::max(0, fLines->Count() - 1));
  if (GetWindowLong(Handle(), GWL_STYLE) & WS_VSCROLL) fScroller.UpdateBar();
  int y = 1;
  for (int i = fScroll; i < fLines->Count() && y < r.bottom; ++i, y += lh) {
    RECT lr{fLeftMargin, y, r.right - fRightMargin, y + lh};
    DrawText(dc, (*fLines)[i], &lr, DT_LEFT | DT_NOPREFIX | DT_EXPANDTABS | DT_SINGLELINE);
  }
  if (Focused()) {
    String line = caret.y < fLines->Count() ? (*fLines)[caret.y] : String();
    SIZE s{};
    GetTextExtentPoint32(dc, Utf8Copy(line, 0, caret.x), &s);
    CreateCaret(Handle(), HBITMAP(), 1, lh);
    SetCaretPos(fLeftMargin + s.cx, 1 + (caret.y - fScroll) * lh);
    ShowCaret(Handle());
  }
}

void TCustomMemo::Dispatch(TMessage& m) {
  EnsureText();
  static constexpr TMessageMethod<TCustomMemo> kMessages[] = {
      {EM_GETLINECOUNT, &TCustomMemo::EMGetLineCount}, {EM_GETFIRSTVISIBLELINE, &TCustomMemo::EMGetFirstVisibleLine},
      {EM_LINESCROLL, &TCustomMemo::EMLineScroll},     {EM_LINEINDEX, &TCustomMemo::EMLineIndex},
      {EM_GETLINE, &TCustomMemo::EMGetLine},           {EM_CHARFROMPOS, &TCustomMemo::EMCharFromPos},
      {WM_VSCROLL, &TCustomMemo::WMVScroll},           {WM_MOUSEWHEEL, &TCustomMemo::WMMouseWheel},
      {WM_KEYDOWN, &TCustomMemo::WMKeyDown},           {WM_WINDOWPOSCHANGED, &TCustomMemo::WMWindowPosChanged},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomEdit::Dispatch(m);
}

void TCustomMemo::EMGetLineCount(TMessage& m) { m.Result = std::max(1, fLines->Count()); }

void TCustomMemo::EMGetFirstVisibleLine(TMessage& m) { m.Result = fScroll; }

void TCustomMemo::EMLineScroll(TMessage& m) {
  ScrollTo(fScroll + static_cast<int>(m.LParam));
  m.Result = 1;
}

void TCustomMemo::EMLineIndex(TMessage& m) {
  int line = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
  if (line < 0) line = CaretPos().y;
  m.Result = line > std::max(0, fLines->Count() - 1) ? -1 : PosOf(line, 0);
}

void TCustomMemo::EMGetLine(TMessage& m) {
  int line = static_cast<int>(m.WParam);
  auto* buf = reinterpret_cast<char*>(m.LParam);
  if (!buf || line < 0 || line >= fLines->Count()) {
    m.Result = 0;
    return;
  }
  WORD room = 0;
  std::memcpy(&room, buf, sizeof room);  // the first word holds the buffer's size
  String t = (*fLines)[line];
  std::size_t n = std::min<std::size_t>(t.size(), room);
  std::memcpy(buf, t.data(), n);
  m.Result = static_cast<LRESULT>(n);
}

void TCustomMemo::EMCharFromPos(TMessage& m) {
  int pos = PosFromPoint(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)});
  m.Result = MAKELONG(static_cast<WORD>(pos), static_cast<WORD>(LineColOf(pos).y));
}

void TCustomMemo::WMVScroll(TMessage& m) { ScrollTo(fScroller.ScrollPos(m.WParam)); }

void TCustomMemo::WMMouseWheel(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (!m.Result) ScrollTo(fScroller.WheelPos(m.WParam));
  m.Result = 1;
}

void TCustomMemo::WMKeyDown(TMessage& m) {
  if (m.WParam == VK_UP || m.WParam == VK_DOWN || m.WParam == VK_PRIOR || m.WParam == VK_NEXT ||
      ((m.WParam == VK_HOME || m.WParam == VK_END) && GetKeyState(VK_CONTROL) >= 0)) {
    TCustomControl::Dispatch(m);
    TPoint cp = CaretPos();
    int line = cp.y, col = cp.x;
    switch (m.WParam) {
      case VK_UP: line -= 1; break;
      case VK_DOWN: line += 1; break;
      case VK_PRIOR: line -= VisibleLines(); break;
      case VK_NEXT: line += VisibleLines(); break;
      case VK_HOME: col = 0; break;
      case VK_END: col = INT_MAX / 2; break;
    }
    if (line < 0 || line >= fLines->Count()) {
      if (m.WParam == VK_UP || m.WParam == VK_DOWN) return;
      line = std::clamp(line, 0, std::max(0, fLines->Count() - 1));
    }
    MoveCaret(PosOf(line, col), GetKeyState(VK_SHIFT) < 0);
    return;
  }
  TCustomEdit::Dispatch(m);
}

void TCustomMemo::WMWindowPosChanged(TMessage& m) {
  TCustomEdit::Dispatch(m);
  Invalidate();
}
