#include "platform/forms/StdCtrls.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/core/Clock.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsInternal.h"

namespace {
COLORREF Ref(TColor c) { return ColorToRGB(c); }
int Clamp(int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); }

void FillSolid(HDC dc, const RECT& r, TColor c) {
  HBRUSH b = CreateSolidBrush(Ref(c));
  FillRect(dc, &r, b);
  DeleteObject(b);
}
}  // namespace

// ---- TCustomLabel ---------------------------------------------------------------------------

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
  fWidth = 65;
  fHeight = 17;
  fControlStyle.Include(csOpaque);
  fControlStyle.Include(csReplicatable);
}

UINT TCustomLabel::TextFlags() const {
  UINT f = DT_EXPANDTABS;
  f |= fAlignment == taCenter ? DT_CENTER : fAlignment == taRightJustify ? DT_RIGHT : DT_LEFT;
  if (fWordWrap) f |= DT_WORDBREAK;
  if (!ShowAccelChar) f |= DT_NOPREFIX;
  return f;
}

void TCustomLabel::AdjustBounds() {
  if (!fAutoSize) return;
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  RECT r{0, 0, fWordWrap ? fWidth : 0, 0};
  String t = fText.empty() ? String(" ") : fText;
  DrawText(c.Handle(), t, &r, TextFlags() | DT_CALCRECT);
  int l = fLeft;
  if (fAlignment == taRightJustify && !fWordWrap) l = fLeft + fWidth - r.right;
  SetBounds(l, fTop, r.right, r.bottom);
}

void TCustomLabel::SetAlignment(TAlignment v) {
  fAlignment = v;
  Invalidate();
}
void TCustomLabel::SetLayout(TTextLayout v) {
  fLayout = v;
  Invalidate();
}
void TCustomLabel::SetAutoSize(bool v) {
  fAutoSize = v;
  AdjustBounds();
}
void TCustomLabel::SetWordWrap(bool v) {
  fWordWrap = v;
  AdjustBounds();
  Invalidate();
}
void TCustomLabel::SetTransparent(bool v) {
  fTransparent = v;
  if (v) fControlStyle.Exclude(csOpaque);
  else fControlStyle.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) {
    AdjustBounds();
    Invalidate();
    return;
  }
  TGraphicControl::Dispatch(m);
}

void TCustomLabel::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  if (!fTransparent) {
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  c->Brush()->SetStyle(bsClear);
  UINT flags = TextFlags();
  if (fLayout != tlTop) {
    RECT calc = r;
    DrawText(c->Handle(), fText, &calc, flags | DT_CALCRECT);
    int h = calc.bottom - calc.top;
    r.top += fLayout == tlCenter ? (r.bottom - r.top - h) / 2 : (r.bottom - r.top - h);
  }
  if (!Enabled()) {
    c->Font()->SetColor(clBtnHighlight);
    RECT s = r;
    OffsetRect(&s, 1, 1);
    DrawText(c->Handle(), fText, &s, flags);
    c->Font()->SetColor(clBtnShadow);
  }
  c->Handle();
  SetTextColor(c->Handle(), Ref(c->Font()->Color()));
  DrawText(c->Handle(), fText, &r, flags);
}

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
  if (fCharCase == TEditCharCase::ecUpperCase) t = Utf8UpperCase(t);
  else if (fCharCase == TEditCharCase::ecLowerCase) t = Utf8LowerCase(t);
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

void TCustomEdit::SetSelStart(int v) {
  EnsureText();
  fTypingRun = false;
  v = Clamp(v, 0, CharCount());
  fSelStart = fSelEnd = fAnchor = v;
  Invalidate();
}
void TCustomEdit::SetSelLength(int v) {
  EnsureText();
  fSelEnd = Clamp(fSelStart + v, fSelStart, CharCount());
  fAnchor = fSelStart;
  Invalidate();
}
String TCustomEdit::SelText() {
  EnsureText();
  return Utf8Copy(fText, fSelStart, fSelEnd - fSelStart);
}
void TCustomEdit::SetSelText(const String& v) { ReplaceSelection(v, false); }
void TCustomEdit::SelectAll() {
  EnsureText();
  fTypingRun = false;
  fSelStart = fAnchor = 0;
  fSelEnd = CharCount();
  Invalidate();
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
  if (fCharCase == TEditCharCase::ecUpperCase) ins = Utf8UpperCase(ins);
  else if (fCharCase == TEditCharCase::ecLowerCase) ins = Utf8LowerCase(ins);
  int selLen = fSelEnd - fSelStart;
  if (fMaxLength > 0) {
    int room = fMaxLength - (CharCount() - selLen);
    if (room <= 0) ins.clear();
    else if (static_cast<int>(Utf8Length(ins)) > room) ins = Utf8Copy(ins, 0, room);
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
}

int TCustomEdit::PosFromPoint(TPoint p) {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  String shown = DisplayText();
  std::vector<int> adv = GetCharAdvances(c.Handle(), shown);
  int x = fLeftMargin;
  for (int i = 0; i < fScroll && i < static_cast<int>(adv.size()); ++i) x -= adv[i];
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
  int x = fLeftMargin;
  for (int i = fScroll; i < pos && i < static_cast<int>(adv.size()); ++i) x += adv[i];
  for (int i = pos; i < fScroll && i < static_cast<int>(adv.size()); ++i) x -= adv[i];
  TEXTMETRIC tm;
  GetTextMetrics(c.Handle(), &tm);
  return TPoint{x, std::max(1, static_cast<int>(ClientHeight() - tm.tmHeight) / 2)};
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
  int x = fLeftMargin;
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
    SetCaretPos(fLeftMargin + span(fScroll, caret), y);
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
      {WM_KILLFOCUS, &TCustomEdit::WMKillFocus},
      {WM_LBUTTONDOWN, &TCustomEdit::WMLButtonDown},
      {WM_LBUTTONDBLCLK, &TCustomEdit::WMLButtonDblClk},
      {WM_MOUSEMOVE, &TCustomEdit::WMMouseMove},
      {WM_KEYDOWN, &TCustomEdit::WMKeyDown},
      {WM_CHAR, &TCustomEdit::WMChar},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomControl::Dispatch(m);
}

void TCustomEdit::WMGetTextLength(TMessage& m) {
  m.Result = static_cast<LRESULT>(GetText().size());
}

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
}

void TCustomEdit::EMReplaceSel(TMessage& m) {
  ReplaceSelection(m.LParam ? reinterpret_cast<const char*>(m.LParam) : "", m.WParam != 0);
}

void TCustomEdit::EMCanUndo(TMessage& m) {
  m.Result = fHasUndo ? 1 : 0;
}

void TCustomEdit::EMGetModify(TMessage& m) {
  m.Result = Modified ? 1 : 0;
}

void TCustomEdit::EMSetModify(TMessage& m) {
  Modified = m.WParam != 0;
}

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

void TCustomEdit::WMGetFont(TMessage& m) {
  m.Result = static_cast<LRESULT>(Font()->Handle().value);
}

void TCustomEdit::EMEmptyUndoBuffer(TMessage&) {
  fHasUndo = false;
}

void TCustomEdit::EMSetReadOnly(TMessage& m) {
  SetReadOnly(m.WParam != 0);
  m.Result = 1;
}

void TCustomEdit::EMLimitText(TMessage& m) {
  fMaxLength = static_cast<int>(m.WParam);
}

void TCustomEdit::WMCut(TMessage&) {
  CutToClipboard();
}

void TCustomEdit::WMCopy(TMessage&) {
  CopyToClipboard();
}

void TCustomEdit::WMPaste(TMessage&) {
  PasteFromClipboard();
}

void TCustomEdit::WMClear(TMessage&) {
  ClearSelection();
}

void TCustomEdit::EMUndo(TMessage& m) {
  m.Result = fHasUndo ? 1 : 0;
  Undo();
}

void TCustomEdit::WMSetFocus(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (AutoSelect && !MultiLine() && !(GetKeyState(VK_LBUTTON) < 0)) SelectAll();
  Invalidate();
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
  if (m.WParam & MK_LBUTTON)
    MoveCaret(PosFromPoint(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}), true);
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
        CutToClipboard();
      } else {
        if (fSelEnd == fSelStart && fSelEnd < CharCount()) fSelEnd++;
        ReplaceSelection("", true);
      }
      break;
    case VK_INSERT:
      if (ctrl) CopyToClipboard();
      else if (shift) PasteFromClipboard();
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
    CopyToClipboard();
  } else if (ctrl && (ch == 22 || ch == U'v')) {
    PasteFromClipboard();
  } else if (ctrl && (ch == 24 || ch == U'x')) {
    CutToClipboard();
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
  if (t.size() >= 2 && t.compare(t.size() - 2, 2, "\r\n") == 0) t.resize(t.size() - 2);
  else if (!t.empty() && t.back() == '\n') t.pop_back();
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
      {EM_GETLINECOUNT, &TCustomMemo::EMGetLineCount},
      {EM_GETFIRSTVISIBLELINE, &TCustomMemo::EMGetFirstVisibleLine},
      {EM_LINESCROLL, &TCustomMemo::EMLineScroll},
      {EM_LINEINDEX, &TCustomMemo::EMLineIndex},
      {EM_GETLINE, &TCustomMemo::EMGetLine},
      {EM_CHARFROMPOS, &TCustomMemo::EMCharFromPos},
      {WM_VSCROLL, &TCustomMemo::WMVScroll},
      {WM_MOUSEWHEEL, &TCustomMemo::WMMouseWheel},
      {WM_KEYDOWN, &TCustomMemo::WMKeyDown},
      {WM_WINDOWPOSCHANGED, &TCustomMemo::WMWindowPosChanged},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomEdit::Dispatch(m);
}

void TCustomMemo::EMGetLineCount(TMessage& m) {
  m.Result = std::max(1, fLines->Count());
}

void TCustomMemo::EMGetFirstVisibleLine(TMessage& m) {
  m.Result = fScroll;
}

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

void TCustomMemo::WMVScroll(TMessage& m) {
  ScrollTo(fScroller.ScrollPos(m.WParam));
}

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

// ---- buttons --------------------------------------------------------------------------------

TButtonControl::TButtonControl(TComponent* AOwner) : TCustomControl(AOwner) {
  fTabStop = true;
  fParentColor = false;
  fColor = clBtnFace;
  fControlStyle.Exclude(csDoubleClicks);
}

void TButtonControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      if (CanFocus() && !Focused()) SetFocus();
      fDown = true;
      Invalidate();
      break;
    case WM_LBUTTONUP:
      fDown = false;
      Invalidate();
      break;
    case WM_KEYDOWN:
      if (m.WParam == VK_SPACE) {
        fDown = true;
        Invalidate();
      }
      break;
    case WM_KEYUP:
      if (m.WParam == VK_SPACE && fDown) {
        fDown = false;
        Invalidate();
        Toggle();
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
    case BM_CLICK:
      Toggle();
      return;
    case CM_DIALOGCHAR:
      return;
  }
  TCustomControl::Dispatch(m);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
  fWidth = 75;
  fHeight = 25;
}

void TButton::SetDefault(bool v) {
  fDefault = v;
  Invalidate();
}

void TButton::Click() {
  if (fModalResult != 0)
    if (TCustomForm* f = GetParentForm()) f->SetModalResult(fModalResult);
  TButtonControl::Click();
}

void TButton::Dispatch(TMessage& m) {
  if (m.Msg == CM_DIALOGKEY) {
    TCustomForm* f = GetParentForm();
    TWinControl* active = f ? f->ActiveControl() : nullptr;
    bool otherButtonFocused = active && active != this && dynamic_cast<TButton*>(active);
    if (((m.WParam == VK_RETURN && (fDefault && !otherButtonFocused)) ||
         (m.WParam == VK_RETURN && active == this) || (m.WParam == VK_ESCAPE && fCancel)) &&
        CanFocus()) {
      Click();
      m.Result = 1;
      return;
    }
    return;
  }
  TButtonControl::Dispatch(m);
}

void TButton::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(r);
  HDC dc = c->Handle();
  if (fDefault || Focused()) {
    HBRUSH b = CreateSolidBrush(0);
    FrameRect(dc, &r, b);
    DeleteObject(b);
    r.left++, r.top++, r.right--, r.bottom--;
  }
  RECT e = r;
  DrawEdge(dc, &e, fDown ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
  c->Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
  c->Brush()->SetStyle(bsClear);
  c->TextExtent("");
  SetTextColor(dc, Ref(c->Font()->Color()));
  RECT t = r;
  if (fDown) OffsetRect(&t, 1, 1);
  DrawText(dc, fText, &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (Focused()) {
    RECT f = r;
    f.left += 3, f.top += 3, f.right -= 3, f.bottom -= 3;
    DrawFocusRect(dc, &f);
  }
}

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
  fWidth = 97;
  fHeight = 17;
  fParentColor = true;
  fControlStyle.Exclude(csClickEvents);  // the state change clicks
}

void TCustomCheckBox::SetState(TCheckBoxState v) {
  if (v == fState) return;
  fState = v;
  Invalidate();
  Click();
}

void TCustomCheckBox::Toggle() {
  switch (fState) {
    case cbUnchecked: SetState(AllowGrayed ? cbGrayed : cbChecked); break;
    case cbGrayed: SetState(cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
  }
}

void TCustomCheckBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case BM_GETCHECK:
      m.Result = fState == cbChecked ? BST_CHECKED : fState == cbGrayed ? BST_GRAYED : BST_UNCHECKED;
      return;
    case BM_SETCHECK:
      fState = m.WParam == BST_CHECKED ? cbChecked : m.WParam == BST_GRAYED ? cbGrayed : cbUnchecked;
      Invalidate();
      return;
    case WM_LBUTTONUP: {
      bool wasDown = fDown;
      TButtonControl::Dispatch(m);
      TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
      if (wasDown && p.x >= 0 && p.y >= 0 && p.x < fWidth && p.y < fHeight) Toggle();
      return;
    }
  }
  TButtonControl::Dispatch(m);
}

void TCustomCheckBox::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  int box = 13;
  int top = (r.bottom - box) / 2;
  RECT b = Bounds(0, top, box, box);
  UINT state = (IsRadio() ? DFCS_BUTTONRADIO : fState == cbGrayed ? DFCS_BUTTON3STATE : DFCS_BUTTONCHECK);
  if (fState != cbUnchecked) state |= DFCS_CHECKED;
  if (!Enabled()) state |= DFCS_INACTIVE;
  if (fDown) state |= DFCS_PUSHED;
  DrawFrameControl(dc, &b, DFC_BUTTON, state);
  c->Brush()->SetStyle(bsClear);
  c->TextExtent("");
  SetTextColor(dc, Ref(Enabled() ? Font()->Color() : clGrayText));
  RECT t{box + 4, 0, r.right, r.bottom};
  DrawText(dc, fText, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  if (Focused()) {
    RECT f = t;
    DrawText(dc, fText, &f, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_CALCRECT);
    f.top = (r.bottom - (f.bottom - f.top)) / 2 - 1;
    f.bottom = r.bottom - f.top;
    f.left -= 1, f.right += 1;
    DrawFocusRect(dc, &f);
  }
}

void TRadioButton::Toggle() {
  if (fState != cbChecked) SetState(cbChecked);
}

void TRadioButton::Dispatch(TMessage& m) {
  if (m.Msg == WM_SETFOCUS) {
    TCustomCheckBox::Dispatch(m);
    return;
  }
  TCustomCheckBox::Dispatch(m);
  if (fState == cbChecked && Parent() &&
      (m.Msg == BM_SETCHECK || m.Msg == WM_LBUTTONUP || m.Msg == WM_KEYUP || m.Msg == BM_CLICK)) {
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* other = dynamic_cast<TRadioButton*>(Parent()->Controls(i)); other && other != this)
        other->SetChecked(false);
  }
}

// ---- group box ------------------------------------------------------------------------------

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 185;
  fHeight = 105;
  fColor = clBtnFace;
  fControlStyle.Include(csAcceptsControls);
}

void TCustomGroupBox::AdjustClientRect(TRect& r) {
  TCustomControl::AdjustClientRect(r);
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  r.top += c.TextHeight("0");
  r.left += 2, r.right -= 2, r.bottom -= 2;
}

void TCustomGroupBox::Paint() {
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  int h = c->TextHeight("0");
  RECT frame{0, h / 2, r.right, r.bottom};
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  if (!fText.empty()) {
    RECT t{8, 0, r.right, h};
    DrawText(dc, fText, &t, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
    c->Brush()->SetColor(Color());
    c->FillRect(t);
    SetTextColor(dc, Ref(Font()->Color()));
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, fText, &t, DT_LEFT | DT_SINGLELINE);
  }
}

// ---- list box -------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TCustomControl(AOwner), fItems(std::make_unique<TStringList>()) {
  fWidth = 121;
  fHeight = 97;
  fTabStop = true;
  fColor = clWindow;
  fParentColor = false;
  fBorderStyle = bsSingle;
  fControlStyle.Exclude(csClickEvents);  // a selection change clicks (LBN_SELCHANGE)
  fItems->OnChange = TNotifyEvent(this, &TCustomListBox::ItemsChanged);
}
TCustomListBox::~TCustomListBox() { fItems->OnChange = nullptr; }

void TCustomListBox::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style |= WS_VSCROLL;
  if (fHorzExtent > 0) p.Style |= WS_HSCROLL;
}

int TCustomListBox::Count() const { return IsVirtual() ? fVirtualCount : fItems->Count(); }

void TCustomListBox::SetCount(int v) {
  if (!IsVirtual()) throw EInvalidOperation("Count can be set only in the virtual styles");
  fVirtualCount = std::max(v, 0);
  ItemsChanged(nullptr);
}

void TCustomListBox::SetStyle(TListBoxStyle v) {
  fStyle = v;
  ItemsChanged(nullptr);
}

void TCustomListBox::SetMultiSelect(bool v) {
  fMultiSelect = v;
  ClearSelection();
  if (fItemIndex >= 0) fSelected[fItemIndex] = true;
}

String TCustomListBox::ItemText(int i) {
  if (i < 0 || i >= Count()) return String();
  if (IsVirtual()) {
    String data;
    if (OnData) OnData(this, i, data);
    return data;
  }
  return (*fItems)[i];
}

void TCustomListBox::ItemsChanged(TObject*) {
  int n = Count();
  fSelected.assign(static_cast<std::size_t>(n), false);
  if (fItemIndex >= n) fItemIndex = -1;
  if (fItemIndex >= 0) fSelected[fItemIndex] = true;
  fTopIndex = std::clamp(fTopIndex, 0, std::max(0, n - 1));
  UpdateScrollBar();
  Invalidate();
}

int TCustomListBox::VisibleCount() { return std::max(1, ClientHeight() / std::max(fItemHeight, 1)); }

void TCustomListBox::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  fScroller.UpdateBar();
}

void TCustomListBox::SetItemIndex(int v) {
  if (v < -1 || v >= Count()) v = -1;
  if (!fMultiSelect) std::fill(fSelected.begin(), fSelected.end(), false);
  fItemIndex = v;
  fAnchorIndex = v;
  if (v >= 0) {
    if (!fMultiSelect) fSelected[v] = true;
    int top = fScroller.TopToShow(v);
    if (top != fTopIndex) SetTopIndex(top);
  }
  Invalidate();
}

void TCustomListBox::SetTopIndex(int v) {
  v = Clamp(v, 0, std::max(0, Count() - 1));
  if (v == fTopIndex) return;
  fTopIndex = v;
  UpdateScrollBar();
  Invalidate();
}

void TCustomListBox::SetItemHeight(int v) {
  if (v > 0) fItemHeight = v;
  UpdateScrollBar();
  Invalidate();
}

bool TCustomListBox::Selected(int i) const { return i >= 0 && i < static_cast<int>(fSelected.size()) && fSelected[i]; }
void TCustomListBox::SetSelected(int i, bool v) {
  if (i < 0 || i >= static_cast<int>(fSelected.size())) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
  if (!fMultiSelect) {
    if (v) SetItemIndex(i);
    else if (i == fItemIndex) SetItemIndex(-1);
    return;
  }
  fSelected[i] = v;
  Invalidate();
}

int TCustomListBox::SelCount() const {
  if (!fMultiSelect) return -1;
  return static_cast<int>(std::count(fSelected.begin(), fSelected.end(), true));
}

void TCustomListBox::ClearSelection() {
  std::fill(fSelected.begin(), fSelected.end(), false);
  if (!fMultiSelect) fItemIndex = -1;
  Invalidate();
}

void TCustomListBox::SelectAll() {
  if (!fMultiSelect) return;
  std::fill(fSelected.begin(), fSelected.end(), true);
  Invalidate();
}

void TCustomListBox::Clear() {
  if (IsVirtual()) {
    fVirtualCount = 0;
    ItemsChanged(nullptr);
  } else {
    fItems->Clear();
  }
}

int TCustomListBox::ItemAtPos(TPoint p, bool Existing) {
  if (p.y < 0) return -1;
  int i = fTopIndex + p.y / std::max(fItemHeight, 1);
  if (i >= Count()) return Existing ? -1 : Count();
  return i;
}

TRect TCustomListBox::ItemRect(int i) {
  int y = (i - fTopIndex) * fItemHeight;
  return TRect{0, y, ClientWidth(), y + fItemHeight};
}

int TCustomListBox::FindString(const String& prefix, int start) {
  int n = Count();
  if (n == 0) return -1;
  String p = Utf8LowerCase(prefix);
  for (int k = 1; k <= n; ++k) {
    int i = ((start < 0 ? -1 : start) + k) % n;
    if (Utf8LowerCase(ItemText(i)).rfind(p, 0) == 0) return i;
  }
  return -1;
}

int TCustomListBox::DoFindData(const String& Data) {
  if (IsVirtual()) return OnDataFind ? OnDataFind(this, Data) : -1;
  // The search starts at the current row, so typing more of its text keeps it.
  return FindString(Data, fItemIndex < 0 ? -1 : fItemIndex - 1);
}

void TCustomListBox::SelChanged() {
  if (HandleAllocated() && GetParent(Handle()) && (GetWindowLong(Handle(), GWL_STYLE) & WS_CHILD))
    SendMessage(GetParent(Handle()), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetWindowLong(Handle(), GWL_ID)), LBN_SELCHANGE),
                static_cast<LPARAM>(Handle().value));
  else
    Click();
}

void TCustomListBox::UserSelect(int index, bool shift, bool ctrl) {
  if (index < 0 || index >= Count()) return;
  std::vector<bool> before = fSelected;
  int oldIndex = fItemIndex;
  if (!fMultiSelect) {
    SetItemIndex(index);
  } else if (ExtendedSelect && shift) {
    int a = fAnchorIndex < 0 ? index : fAnchorIndex;
    if (!ctrl) std::fill(fSelected.begin(), fSelected.end(), false);
    for (int i = std::min(a, index); i <= std::max(a, index); ++i) fSelected[i] = true;
    fItemIndex = index;
  } else if (!ExtendedSelect || ctrl) {
    fSelected[index] = !fSelected[index];
    fItemIndex = fAnchorIndex = index;
  } else {
    std::fill(fSelected.begin(), fSelected.end(), false);
    fSelected[index] = true;
    fItemIndex = fAnchorIndex = index;
  }
  int top = forms_detail::TopToShow(fItemIndex, fTopIndex, VisibleCount());
  if (top != fTopIndex) SetTopIndex(top);
  Invalidate();
  if (before != fSelected || oldIndex != fItemIndex) SelChanged();
}

void TCustomListBox::DrawItem(int i, TRect r, TOwnerDrawState s) {
  if (OnDrawItem && fStyle != lbStandard && fStyle != lbVirtual) {
    OnDrawItem(this, i, r, s);
    return;
  }
  TCanvas* c = Canvas();
  c->Brush()->SetColor(s.Contains(odSelected) ? clHighlight : Color());
  c->FillRect(r);
  c->Brush()->SetStyle(bsClear);
  c->TextExtent("");
  SetTextColor(c->Handle(), Ref(s.Contains(odSelected) ? clHighlightText : Font()->Color()));
  c->TextOut(r.left + 2, r.top, ItemText(i));
  if (s.Contains(odFocused)) c->DrawFocusRect(r);
}

void TCustomListBox::Paint() {
  TCanvas* c = Canvas();
  TRect cr = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(cr);
  c->Font()->Assign(Font());
  for (int i = fTopIndex; i < Count(); ++i) {
    TRect r = ItemRect(i);
    if (r.top >= cr.bottom) break;
    TOwnerDrawState s;
    if (Selected(i)) s.Include(odSelected);
    if (i == fItemIndex && Focused()) s.Include(odFocused);
    DrawItem(i, r, s);
    c->Brush()->SetStyle(bsSolid);
  }
}

namespace {
// The text a message's LParam points to; empty for none.
String LParamText(const TMessage& m) { return String(m.LParam ? reinterpret_cast<const char*>(m.LParam) : ""); }
}  // namespace

void TCustomListBox::Dispatch(TMessage& m) {
  static constexpr TMessageMethod<TCustomListBox> kMessages[] = {
      {LB_GETCOUNT, &TCustomListBox::LBGetCount},
      {LB_GETCURSEL, &TCustomListBox::LBGetCurSel},
      {LB_SETCURSEL, &TCustomListBox::LBSetCurSel},
      {LB_ADDSTRING, &TCustomListBox::LBAddString},
      {LB_INSERTSTRING, &TCustomListBox::LBInsertString},
      {LB_DELETESTRING, &TCustomListBox::LBDeleteString},
      {LB_RESETCONTENT, &TCustomListBox::LBResetContent},
      {LB_GETTEXT, &TCustomListBox::LBGetText},
      {LB_GETTEXTLEN, &TCustomListBox::LBGetTextLen},
      {LB_FINDSTRING, &TCustomListBox::LBFindString},
      {LB_SELECTSTRING, &TCustomListBox::LBSelectString},
      {LB_GETSEL, &TCustomListBox::LBGetSel},
      {LB_SETSEL, &TCustomListBox::LBSetSel},
      {LB_SELITEMRANGE, &TCustomListBox::LBSelItemRange},
      {LB_GETSELCOUNT, &TCustomListBox::LBGetSelCount},
      {LB_GETTOPINDEX, &TCustomListBox::LBGetTopIndex},
      {LB_SETTOPINDEX, &TCustomListBox::LBSetTopIndex},
      {LB_SETCARETINDEX, &TCustomListBox::LBSetCaretIndex},
      {LB_GETCARETINDEX, &TCustomListBox::LBGetCaretIndex},
      {LB_SETITEMHEIGHT, &TCustomListBox::LBSetItemHeight},
      {LB_GETITEMHEIGHT, &TCustomListBox::LBGetItemHeight},
      {LB_GETITEMRECT, &TCustomListBox::LBGetItemRect},
      {LB_GETITEMDATA, &TCustomListBox::LBGetItemData},
      {LB_SETITEMDATA, &TCustomListBox::LBSetItemData},
      {LB_SETCOUNT, &TCustomListBox::LBSetCount},
      {LB_SETHORIZONTALEXTENT, &TCustomListBox::LBSetHorizontalExtent},
      {LB_ITEMFROMPOINT, &TCustomListBox::LBItemFromPoint},
      {CN_COMMAND, &TCustomListBox::CNCommand},
      {WM_LBUTTONDOWN, &TCustomListBox::WMLButtonDown},
      {WM_LBUTTONDBLCLK, &TCustomListBox::WMLButtonDown},
      {WM_MOUSEMOVE, &TCustomListBox::WMMouseMove},
      {WM_KEYDOWN, &TCustomListBox::WMKeyDown},
      {WM_CHAR, &TCustomListBox::WMChar},
      {WM_VSCROLL, &TCustomListBox::WMVScroll},
      {WM_MOUSEWHEEL, &TCustomListBox::WMMouseWheel},
      {WM_WINDOWPOSCHANGED, &TCustomListBox::WMWindowPosChanged},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomControl::Dispatch(m);
}

void TCustomListBox::LBGetCount(TMessage& m) {
  const int n = Count();
  m.Result = n;
}

void TCustomListBox::LBGetCurSel(TMessage& m) {
  m.Result = fItemIndex;
}

void TCustomListBox::LBSetCurSel(TMessage& m) {
  SetItemIndex(static_cast<int>(static_cast<std::intptr_t>(m.WParam)));
  m.Result = fItemIndex < 0 && static_cast<std::intptr_t>(m.WParam) != -1 ? LB_ERR : fItemIndex;
}

void TCustomListBox::LBAddString(TMessage& m) {
  m.Result = fItems->Add(LParamText(m));
}

void TCustomListBox::LBInsertString(TMessage& m) {
  int at = static_cast<int>(static_cast<std::intptr_t>(m.WParam));
  if (at < 0 || at > fItems->Count()) at = fItems->Count();
  fItems->Insert(at, LParamText(m));
  m.Result = at;
}

void TCustomListBox::LBDeleteString(TMessage& m) {
  int at = static_cast<int>(m.WParam);
  if (at < 0 || at >= fItems->Count()) {
    m.Result = LB_ERR;
    return;
  }
  fItems->Delete(at);
  m.Result = fItems->Count();
}

void TCustomListBox::LBResetContent(TMessage&) {
  Clear();
}

void TCustomListBox::LBGetText(TMessage& m) {
  const int n = Count();
  int i = static_cast<int>(m.WParam);
  if (i < 0 || i >= n) {
    m.Result = LB_ERR;
    return;
  }
  String t = ItemText(i);
  std::memcpy(reinterpret_cast<char*>(m.LParam), t.c_str(), t.size() + 1);
  m.Result = static_cast<LRESULT>(t.size());
}

void TCustomListBox::LBGetTextLen(TMessage& m) {
  const int n = Count();
  int i = static_cast<int>(m.WParam);
  m.Result = i < 0 || i >= n ? LB_ERR : static_cast<LRESULT>(ItemText(i).size());
}

void TCustomListBox::LBFindString(TMessage& m) {
  m.Result = FindString(LParamText(m), static_cast<int>(static_cast<std::intptr_t>(m.WParam)));
}

void TCustomListBox::LBSelectString(TMessage& m) {
  int i = FindString(LParamText(m), static_cast<int>(static_cast<std::intptr_t>(m.WParam)));
  if (i >= 0) SetItemIndex(i);
  m.Result = i;
}

void TCustomListBox::LBGetSel(TMessage& m) {
  const int n = Count();
  int i = static_cast<int>(m.WParam);
  m.Result = i < 0 || i >= n ? LB_ERR : Selected(i) ? 1 : 0;
}

void TCustomListBox::LBSetSel(TMessage& m) {
  const int n = Count();
  int i = static_cast<int>(static_cast<std::intptr_t>(m.LParam));
  if (!fMultiSelect) {
    m.Result = LB_ERR;
    return;
  }
  if (i == -1) std::fill(fSelected.begin(), fSelected.end(), m.WParam != 0);
  else if (i >= 0 && i < n) fSelected[i] = m.WParam != 0;
  Invalidate();
}

void TCustomListBox::LBSelItemRange(TMessage& m) {
  const int n = Count();
  if (!fMultiSelect) {
    m.Result = LB_ERR;
    return;
  }
  int a = LOWORD(static_cast<std::uintptr_t>(m.LParam)), b = HIWORD(static_cast<std::uintptr_t>(m.LParam));
  for (int i = std::min(a, b); i <= std::max(a, b) && i < n; ++i) fSelected[i] = m.WParam != 0;
  Invalidate();
}

void TCustomListBox::LBGetSelCount(TMessage& m) {
  m.Result = fMultiSelect ? SelCount() : LB_ERR;
}

void TCustomListBox::LBGetTopIndex(TMessage& m) {
  m.Result = fTopIndex;
}

void TCustomListBox::LBSetTopIndex(TMessage& m) {
  SetTopIndex(static_cast<int>(m.WParam));
}

void TCustomListBox::LBSetCaretIndex(TMessage& m) {
  const int n = Count();
  if (static_cast<int>(m.WParam) >= 0 && static_cast<int>(m.WParam) < n) {
    fItemIndex = static_cast<int>(m.WParam);
    Invalidate();
  }
}

void TCustomListBox::LBGetCaretIndex(TMessage& m) {
  m.Result = fItemIndex;
}

void TCustomListBox::LBSetItemHeight(TMessage& m) {
  SetItemHeight(LOWORD(static_cast<std::uintptr_t>(m.LParam)));
}

void TCustomListBox::LBGetItemHeight(TMessage& m) {
  m.Result = fItemHeight;
}

void TCustomListBox::LBGetItemRect(TMessage& m) {
  const int n = Count();
  int i = static_cast<int>(m.WParam);
  if (i < 0 || i >= n || !m.LParam) {
    m.Result = LB_ERR;
    return;
  }
  *reinterpret_cast<RECT*>(m.LParam) = ItemRect(i);
  m.Result = 1;
}

void TCustomListBox::LBGetItemData(TMessage& m) {
  int i = static_cast<int>(m.WParam);
  m.Result = i < 0 || i >= fItems->Count() ? LB_ERR : reinterpret_cast<LRESULT>(fItems->Objects(i));
}

void TCustomListBox::LBSetItemData(TMessage& m) {
  int i = static_cast<int>(m.WParam);
  if (i < 0 || i >= fItems->Count()) {
    m.Result = LB_ERR;
    return;
  }
  fItems->PutObject(i, reinterpret_cast<TObject*>(m.LParam));
}

void TCustomListBox::LBSetCount(TMessage& m) {
  if (!IsVirtual()) {
    m.Result = LB_ERR;
    return;
  }
  SetCount(static_cast<int>(m.WParam));
}

void TCustomListBox::LBSetHorizontalExtent(TMessage& m) {
  fHorzExtent = static_cast<int>(m.WParam);
  if (HandleAllocated()) {
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE;
    si.nMax = std::max(0, fHorzExtent - 1);
    si.nPage = static_cast<UINT>(ClientWidth());
    SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
  }
}

void TCustomListBox::LBItemFromPoint(TMessage& m) {
  const int n = Count();
  int i = ItemAtPos(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}, false);
  bool outside = i >= n;
  m.Result = MAKELONG(static_cast<WORD>(std::min(i, std::max(n - 1, 0))), outside ? 1 : 0);
}

void TCustomListBox::CNCommand(TMessage& m) {
  if (HIWORD(m.WParam) == LBN_SELCHANGE) Click();
}

void TCustomListBox::WMLButtonDown(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (CanFocus() && !Focused()) SetFocus();
  int i = ItemAtPos(TPoint{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)}, true);
  if (i >= 0) UserSelect(i, (m.WParam & MK_SHIFT) != 0, (m.WParam & MK_CONTROL) != 0);
}

void TCustomListBox::WMMouseMove(TMessage& m) {
  const int n = Count();
  TCustomControl::Dispatch(m);
  if ((m.WParam & MK_LBUTTON) && GetCapture() == Handle() && !fMultiSelect) {
    int y = GET_Y_LPARAM(m.LParam);
    int i = ItemAtPos(TPoint{GET_X_LPARAM(m.LParam), std::max(0, y)}, true);
    if (y >= ClientHeight()) i = std::min(n - 1, fTopIndex + VisibleCount());
    if (y < 0) i = std::max(0, fTopIndex - 1);
    if (i >= 0 && i != fItemIndex) UserSelect(i, false, false);
  }
}

void TCustomListBox::WMKeyDown(TMessage& m) {
  const int n = Count();
  TCustomControl::Dispatch(m);
  if (m.WParam == 0 || n == 0) return;
  int i = fItemIndex;
  switch (m.WParam) {
    case VK_UP: i = std::max(0, i - 1); break;
    case VK_DOWN: i = std::min(n - 1, i + 1); break;
    case VK_HOME: i = 0; break;
    case VK_END: i = n - 1; break;
    case VK_PRIOR: i = std::max(0, i - VisibleCount() + 1); break;
    case VK_NEXT: i = std::min(n - 1, std::max(i, 0) + VisibleCount() - 1); break;
    case VK_SPACE:
      if (fMultiSelect && fItemIndex >= 0) UserSelect(fItemIndex, false, true);
      return;
    default: return;
  }
  UserSelect(i, GetKeyState(VK_SHIFT) < 0, false);
}

void TCustomListBox::WMChar(TMessage& m) {
  TCustomControl::Dispatch(m);
  char32_t ch = static_cast<char32_t>(m.WParam);
  if (!AutoComplete || ch < 32 || (ch == ' ' && fMultiSelect)) return;
  DWORD now = GetTickCount();
  if (now - fLastKeyTime > AutoCompleteDelay) fSearch.clear();
  fLastKeyTime = now;
  fSearch += Utf8Encode(ch);
  int i = DoFindData(fSearch);
  // The same letter again steps to the next row starting with it.
  String one = Utf8Encode(ch);
  bool sameLetter = true;
  for (std::size_t p = 0; p < fSearch.size(); p += one.size())
    if (fSearch.compare(p, one.size(), one) != 0) sameLetter = false;
  if (i < 0 && sameLetter && !IsVirtual()) i = FindString(one, fItemIndex);
  if (i >= 0) UserSelect(i, false, false);
}

void TCustomListBox::WMVScroll(TMessage& m) {
  SetTopIndex(fScroller.ScrollPos(m.WParam));
}

void TCustomListBox::WMMouseWheel(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (!m.Result) SetTopIndex(fScroller.WheelPos(m.WParam));
  m.Result = 1;
}

void TCustomListBox::WMWindowPosChanged(TMessage& m) {
  TCustomControl::Dispatch(m);
  UpdateScrollBar();
}

// ---- combo box ------------------------------------------------------------------------------

// The drop-down: a list box on a non-activating popup window.
class TCustomComboBox::TDropList : public TCustomListBox {
public:
  TDropList(TCustomComboBox* combo) : TCustomListBox(nullptr), fCombo(combo) {
    fVisible = false;
    fTabStop = false;
  }
  void CreateParams(TCreateParams& p) override {
    TCustomListBox::CreateParams(p);
    p.Style = WS_POPUP | WS_BORDER | WS_VSCROLL;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    p.WndParent = HWND();
  }
  void Dispatch(TMessage& m) override {
    if (m.Msg == WM_LBUTTONUP) {
      TCustomListBox::Dispatch(m);
      fCombo->ListClosed(ItemIndex());
      return;
    }
    TCustomListBox::Dispatch(m);
  }
  TCustomComboBox* fCombo;
};

TCustomComboBox::TCustomComboBox(TComponent* AOwner) : TCustomEdit(AOwner), fItems(std::make_unique<TStringList>()) {
  fWidth = 145;
  fHeight = 21;
}
TCustomComboBox::~TCustomComboBox() {
  if (fList) fList->Free();
}

void TCustomComboBox::SetStyle(TComboBoxStyle v) {
  fStyle = v;
  fCursor = v == csDropDownList ? crDefault : crIBeam;
  Invalidate();
}

LRESULT TCustomComboBox::DialogCode() {
  LRESULT r = DLGC_WANTARROWS | DLGC_WANTCHARS;
  if (fDropped) r |= DLGC_WANTALLKEYS;
  return r;
}

void TCustomComboBox::SetItemIndex(int v) {
  if (v < -1 || v >= fItems->Count()) v = -1;
  fItemIndex = v;
  String t = v >= 0 ? (*fItems)[v] : String();
  if (t != fText) {
    fText = t;
    fSelStart = fSelEnd = fAnchor = 0;
    Perform(CM_TEXTCHANGED, 0, 0);
  }
  Invalidate();
}

void TCustomComboBox::Change() {
  fItemIndex = fItems->IndexOf(fText);
  TCustomEdit::Change();
}

void TCustomComboBox::SetDroppedDown(bool v) {
  if (v == fDropped) return;
  if (v) {
    if (OnDropDown) OnDropDown(this);
    if (!fList) fList = new TDropList(this);
    fList->Items()->Assign(fItems.get());
    fList->Font()->Assign(Font());
    int rows = std::max(1, std::min(DropDownCount, fItems->Count()));
    TPoint p = ClientToScreen(TPoint{0, fHeight});
    fList->SetBounds(p.x, p.y, fWidth, rows * fList->ItemHeight() + 2);
    fList->SetItemIndex(fItemIndex);
    fList->HandleNeeded();
    ShowWindow(fList->Handle(), SW_SHOWNA);
    fDropped = true;
  } else {
    if (fList && fList->HandleAllocated()) ShowWindow(fList->Handle(), SW_HIDE);
    fDropped = false;
    if (OnCloseUp) OnCloseUp(this);
  }
  Invalidate();
}

void TCustomComboBox::ListClosed(int chosen) {
  SetDroppedDown(false);
  if (chosen >= 0 && chosen != fItemIndex) {
    SetItemIndex(chosen);
    Change();
    if (OnSelect) OnSelect(this);
  }
}

void TCustomComboBox::Paint() {
  TCustomEdit::Paint();
  TCanvas* c = Canvas();
  RECT r = ClientRect();
  RECT b{r.right - 17, 0, r.right, r.bottom};
  DrawFrameControl(c->Handle(), &b, DFC_SCROLL, DFCS_SCROLLCOMBOBOX | (fDropped ? DFCS_PUSHED : 0));
}

void TCustomComboBox::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_SYSKEYDOWN:
    case WM_KEYDOWN: {
      WORD key = static_cast<WORD>(m.WParam);
      bool alt = GetKeyState(VK_MENU) < 0;
      if ((key == VK_DOWN && alt) || key == VK_F4) {
        SetDroppedDown(!fDropped);
        return;
      }
      if (fDropped && (key == VK_RETURN || key == VK_ESCAPE)) {
        ListClosed(key == VK_RETURN ? fList->ItemIndex() : -1);
        return;
      }
      if (key == VK_UP || key == VK_DOWN) {
        TCustomControl::Dispatch(m);
        int base = fDropped ? fList->ItemIndex() : fItemIndex;
        int i = Clamp(base + (key == VK_UP ? -1 : 1), 0, fItems->Count() - 1);
        if (fDropped) {
          fList->SetItemIndex(i);
        } else if (fItems->Count() > 0 && i != fItemIndex) {
          SetItemIndex(i);
          Change();
          if (OnSelect) OnSelect(this);
        }
        return;
      }
      break;
    }
    case WM_CHAR:
      if (fStyle == csDropDownList) {
        TCustomControl::Dispatch(m);
        char32_t ch = static_cast<char32_t>(m.WParam);
        if (ch < 32) return;
        String prefix = Utf8LowerCase(Utf8Encode(ch));
        for (int k = 1; k <= fItems->Count(); ++k) {
          int i = (fItemIndex + k) % fItems->Count();
          if (Utf8LowerCase((*fItems)[i]).rfind(prefix, 0) == 0) {
            SetItemIndex(i);
            Change();
            if (OnSelect) OnSelect(this);
            break;
          }
        }
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      if (fStyle == csDropDownList || GET_X_LPARAM(m.LParam) >= ClientWidth() - 17) {
        TCustomControl::Dispatch(m);
        if (CanFocus() && !Focused()) SetFocus();
        SetDroppedDown(!fDropped);
        return;
      }
      break;
    case WM_KILLFOCUS:
      if (fDropped) SetDroppedDown(false);
      break;
  }
  TCustomEdit::Dispatch(m);
}
