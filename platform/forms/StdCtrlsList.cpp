// The standard controls: list box and combo box.
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

// ---- list box -------------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* AOwner) : TCustomControl(AOwner), fItems(std::make_unique<TStringList>()) {
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
  if (i < 0 || i >= static_cast<int>(fSelected.size()))
    throw EListError("List index out of bounds (" + IntToStr(i) + ")");
  if (!fMultiSelect) {
    if (v)
      SetItemIndex(i);
    else if (i == fItemIndex)
      SetItemIndex(-1);
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
    SendMessage(GetParent(Handle()), WM_COMMAND,
                MAKEWPARAM(static_cast<WORD>(GetWindowLong(Handle(), GWL_ID)), LBN_SELCHANGE),
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
  // The canvas sets its font's colour at each drawing call, so the colour goes through the font.
  c->Font()->SetColor(s.Contains(odSelected) ? clHighlightText : Font()->Color());
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

void TCustomListBox::LBGetCurSel(TMessage& m) { m.Result = fItemIndex; }

void TCustomListBox::LBSetCurSel(TMessage& m) {
  SetItemIndex(static_cast<int>(static_cast<std::intptr_t>(m.WParam)));
  m.Result = fItemIndex < 0 && static_cast<std::intptr_t>(m.WParam) != -1 ? LB_ERR : fItemIndex;
}

void TCustomListBox::LBAddString(TMessage& m) { m.Result = fItems->Add(LParamText(m)); }

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

void TCustomListBox::LBResetContent(TMessage&) { Clear(); }

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
  if (i == -1)
    std::fill(fSelected.begin(), fSelected.end(), m.WParam != 0);
  else if (i >= 0 && i < n)
    fSelected[i] = m.WParam != 0;
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

void TCustomListBox::LBGetSelCount(TMessage& m) { m.Result = fMultiSelect ? SelCount() : LB_ERR; }

void TCustomListBox::LBGetTopIndex(TMessage& m) { m.Result = fTopIndex; }

void TCustomListBox::LBSetTopIndex(TMessage& m) { SetTopIndex(static_cast<int>(m.WParam)); }

void TCustomListBox::LBSetCaretIndex(TMessage& m) {
  const int n = Count();
  if (static_cast<int>(m.WParam) >= 0 && static_cast<int>(m.WParam) < n) {
    fItemIndex = static_cast<int>(m.WParam);
    Invalidate();
  }
}

void TCustomListBox::LBGetCaretIndex(TMessage& m) { m.Result = fItemIndex; }

void TCustomListBox::LBSetItemHeight(TMessage& m) { SetItemHeight(LOWORD(static_cast<std::uintptr_t>(m.LParam))); }

void TCustomListBox::LBGetItemHeight(TMessage& m) { m.Result = fItemHeight; }

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

void TCustomListBox::WMVScroll(TMessage& m) { SetTopIndex(fScroller.ScrollPos(m.WParam)); }

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
  static constexpr TMessageMethod<TCustomComboBox> kMessages[] = {
      {WM_SYSKEYDOWN, &TCustomComboBox::WMKeyDown},  {WM_KEYDOWN, &TCustomComboBox::WMKeyDown},
      {WM_CHAR, &TCustomComboBox::WMChar},           {WM_LBUTTONDOWN, &TCustomComboBox::WMLButtonDown},
      {WM_KILLFOCUS, &TCustomComboBox::WMKillFocus},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomEdit::Dispatch(m);
}

void TCustomComboBox::WMKeyDown(TMessage& m) {
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
  TCustomEdit::Dispatch(m);
}

void TCustomComboBox::WMChar(TMessage& m) {
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
  TCustomEdit::Dispatch(m);
}

void TCustomComboBox::WMLButtonDown(TMessage& m) {
  if (fStyle == csDropDownList || GET_X_LPARAM(m.LParam) >= ClientWidth() - 17) {
    TCustomControl::Dispatch(m);
    if (CanFocus() && !Focused()) SetFocus();
    SetDroppedDown(!fDropped);
    return;
  }
  TCustomEdit::Dispatch(m);
}

void TCustomComboBox::WMKillFocus(TMessage& m) {
  if (fDropped) SetDroppedDown(false);
  TCustomEdit::Dispatch(m);
}
