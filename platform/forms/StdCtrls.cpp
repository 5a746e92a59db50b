// The standard controls: label, buttons, check boxes, radio buttons and group box (edits in
// StdCtrlsEdit.cpp, lists in StdCtrlsList.cpp).
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
  if (v)
    fControlStyle.Exclude(csOpaque);
  else
    fControlStyle.Include(csOpaque);
  Invalidate();
}

void TCustomLabel::Dispatch(TMessage& m) {
  if (m.Msg == CM_TEXTCHANGED || m.Msg == CM_FONTCHANGED) {
    AdjustBounds();
    Invalidate();
    return;
  }
  if (m.Msg == CM_DIALOGCHAR) {
    // The label's accelerator focuses the control it names.
    if (FocusControl && Enabled() && ShowAccelChar && IsAccel(static_cast<char32_t>(m.WParam), fText) &&
        FocusControl->CanFocus()) {
      FocusControl->SetFocus();
      m.Result = 1;
    }
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
    case WM_KILLFOCUS: Invalidate(); break;
    case BM_CLICK: Toggle(); return;
    case CM_DIALOGCHAR:
      if (IsAccel(static_cast<char32_t>(m.WParam), fText) && CanFocus()) {
        SetFocus();
        if (Focused()) Toggle();
        m.Result = 1;
      }
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
    if (((m.WParam == VK_RETURN && (fDefault && !otherButtonFocused)) || (m.WParam == VK_RETURN && active == this) ||
         (m.WParam == VK_ESCAPE && fCancel)) &&
        CanFocus()) {
      Click();
      m.Result = 1;
      return;
    }
    return;
  }
  if (m.Msg == CM_DIALOGCHAR) {
    // A push button's accelerator clicks it where it is; the focus stays.
    if (IsAccel(static_cast<char32_t>(m.WParam), fText) && CanFocus()) {
      Click();
      m.Result = 1;
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
      (m.Msg == BM_SETCHECK || m.Msg == WM_LBUTTONUP || m.Msg == WM_KEYUP || m.Msg == BM_CLICK ||
       m.Msg == CM_DIALOGCHAR)) {
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
