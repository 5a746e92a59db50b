#include "platform/forms/Menus.h"

#include <algorithm>

#include "platform/core/Utf8.h"
#include "platform/forms/ActnList.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsInternal.h"
#include "platform/forms/ImgList.h"

// ---- short cuts -----------------------------------------------------------------------------

TShortCut MenuShortCut(WORD Key, TShiftState Shift) { return (Key & 0xFF00) ? 0 : ShortCut(Key, Shift); }

void MenuShortCutToKey(TShortCut sc, WORD& Key, TShiftState& Shift) {
  ShortCutToKey(sc, Key, Shift);
  Key &= 0xFF;
}

TShortCut ShortCutFromMessage(const TMessage& m) {
  return MenuShortCut(static_cast<WORD>(m.WParam), KeyDataToShiftState());
}

String StripHotkey(const String& text) {
  String r;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        r += '&';
        ++i;
      }
      continue;
    }
    r += text[i];
  }
  return r;
}

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  if (fAction) fAction->RemoveFreeNotification(this);
  while (!fItems.empty()) {
    TMenuItem* i = fItems.back();
    fItems.pop_back();
    i->fParent = nullptr;
    i->Free();
  }
  if (fParent) fParent->Remove(this);
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }
void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item->fParent) throw EInvalidOperation("Menu inserted twice");
  index = std::clamp(index, 0, Count());
  fItems.insert(fItems.begin() + index, item);
  item->fParent = this;
}
void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(fItems.begin(), fItems.end(), item);
  if (it == fItems.end()) throw EInvalidOperation("Sub-menu is not in menu");
  fItems.erase(it);
  item->fParent = nullptr;
}
void TMenuItem::Delete(int index) {
  TMenuItem* i = Items(index);
  Remove(i);
}
void TMenuItem::Clear() {
  while (!fItems.empty()) {
    TMenuItem* i = fItems.back();
    fItems.pop_back();
    i->fParent = nullptr;
    i->Free();
  }
}
int TMenuItem::IndexOf(TMenuItem* item) const {
  auto it = std::find(fItems.begin(), fItems.end(), item);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}
TMenuItem* TMenuItem::Find(const String& caption) const {
  for (TMenuItem* i : fItems)
    if (SameText(StripHotkey(i->fCaption), StripHotkey(caption))) return i;
  return nullptr;
}

TBitmap* TMenuItem::Bitmap() {
  if (!fBitmap) fBitmap = std::make_unique<TBitmap>();
  return fBitmap.get();
}

void TMenuItem::SetAction(TBasicAction* a) {
  if (fAction) fAction->RemoveFreeNotification(this);
  fAction = a;
  if (a) {
    a->FreeNotification(this);
    fLinkedCaption = fCaption;  // the new action's caption replaces whatever the item had
    UpdateFromAction();
  }
}

void TMenuItem::UpdateFromAction() {
  auto* a = dynamic_cast<TCustomAction*>(fAction);
  if (!a) return;
  if (fCaption == fLinkedCaption) fCaption = a->Caption();
  fLinkedCaption = a->Caption();
  fEnabled = a->Enabled();
  fVisible = a->Visible();
  Checked = a->Checked();
  ShortCut = a->ShortCut();
  ImageIndex = a->ImageIndex();
  Hint = a->Hint();
}

void TMenuItem::Click() {
  if (!fEnabled) return;
  if (OnClick) {
    OnClick(this);
  } else if (fAction) {
    fAction->Execute();
  }
}

bool TMenuItem::ExecuteShortCut(TShortCut sc) {
  if (sc == 0) return false;
  for (TMenuItem* i : std::vector<TMenuItem*>(fItems)) {
    if (fAction) UpdateFromAction();
    i->UpdateFromAction();
    if (i->ShortCut == sc && i->fVisible) {
      if (!i->fEnabled) return false;
      i->Click();
      return true;
    }
    if (i->Count() && i->ExecuteShortCut(sc)) return true;
  }
  return false;
}

// ---- TMenu ----------------------------------------------------------------------------------

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), fItems(new TMenuItem(nullptr)) {}
TMenu::~TMenu() { fItems->Free(); }

bool TMenu::IsShortCut(TMessage& m) { return fItems->ExecuteShortCut(ShortCutFromMessage(m)); }

// ---- TPopupMenu -----------------------------------------------------------------------------

// The menu's window: one row per visible item; a click or Enter chooses, Escape or a click
// outside (capture) closes.
class TPopupMenu::TMenuWindow : public TCustomControl {
public:
  TMenuWindow(TPopupMenu* menu) : TCustomControl(nullptr), fMenu(menu) {
    fVisible = false;
    fColor = clMenu;
    fParentColor = false;
    fParentFont = false;
    fFont->Assign(Screen->MenuFont());
  }
  void CreateParams(TCreateParams& p) override {
    TCustomControl::CreateParams(p);
    p.Style = WS_POPUP | WS_BORDER;
    p.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
    p.WndParent = HWND();
  }
  std::vector<TMenuItem*> Rows() {
    std::vector<TMenuItem*> r;
    for (int i = 0; i < fMenu->Items()->Count(); ++i) {
      TMenuItem* it = fMenu->Items()->Items(i);
      it->UpdateFromAction();
      if (it->Visible()) r.push_back(it);
    }
    return r;
  }
  int RowHeight(TMenuItem* i) { return i->IsLine() ? 8 : 20; }
  void Layout(int x, int y) {
    TMeasureCanvas c;
    c.Font()->Assign(Font());
    int w = 80, h = 2;
    for (TMenuItem* i : Rows()) {
      String sc = MenuShortCutToText(i->ShortCut);
      w = std::max(w, 30 + c.TextWidth(StripHotkey(i->Caption())) + (sc.empty() ? 0 : 30 + c.TextWidth(sc)) + 20);
      h += RowHeight(i);
    }
    SetBounds(x, y, w, h);
  }
  int RowAt(int y) {
    int top = 1, idx = 0;
    for (TMenuItem* i : Rows()) {
      int h = RowHeight(i);
      if (y >= top && y < top + h) return i->IsLine() ? -1 : idx;
      top += h;
      ++idx;
    }
    return -1;
  }
  void Choose(int idx) {
    auto rows = Rows();
    if (idx < 0 || idx >= static_cast<int>(rows.size()) || !rows[idx]->Enabled()) return;
    fMenu->fChosen = rows[idx];
    fMenu->CloseMenu();
  }
  void Move(int dir) {
    auto rows = Rows();
    int n = static_cast<int>(rows.size());
    for (int k = 1; k <= n; ++k) {
      int i = ((fHot < 0 ? (dir > 0 ? -1 : n) : fHot) + dir * k % n + n * 2) % n;
      if (!rows[i]->IsLine() && rows[i]->Enabled()) {
        fHot = i;
        break;
      }
    }
    Invalidate();
  }
  void Paint() override {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush()->SetColor(clMenu);
    c->FillRect(r);
    int top = 1, idx = 0;
    for (TMenuItem* i : Rows()) {
      int h = RowHeight(i);
      TRect row{1, top, r.right - 1, top + h};
      if (i->IsLine()) {
        RECT line{row.left + 2, top + 3, row.right - 2, top + 5};
        DrawEdge(c->Handle(), &line, EDGE_ETCHED, BF_TOP);
      } else {
        bool hot = idx == fHot;
        c->Brush()->SetColor(hot ? clHighlight : clMenu);
        c->FillRect(row);
        c->Brush()->SetStyle(bsClear);
        c->Font()->SetColor(!i->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
        if (i->Checked) c->TextOut(row.left + 6, top + 3, i->RadioItem ? "\xE2\x80\xA2" : "\xE2\x9C\x93");
        if (fMenu->Images && i->ImageIndex >= 0)
          fMenu->Images->Draw(c, row.left + 2, top + 2, i->ImageIndex, i->Enabled());
        RECT tr{row.left + 26, top, row.right - 8, top + h};
        c->TextExtent("");
        SetTextColor(c->Handle(), ColorToRGB(c->Font()->Color()));
        DrawText(c->Handle(), i->Caption(), &tr, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        String sc = MenuShortCutToText(i->ShortCut);
        if (!sc.empty()) DrawText(c->Handle(), sc, &tr, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        c->Brush()->SetStyle(bsSolid);
      }
      top += h;
      ++idx;
    }
  }
  void Dispatch(TMessage& m) override {
    switch (m.Msg) {
      case WM_MOUSEMOVE: {
        int i = RowAt(GET_Y_LPARAM(m.LParam));
        if (i != fHot) {
          fHot = i;
          Invalidate();
        }
        return;
      }
      case WM_LBUTTONDOWN:
      case WM_RBUTTONDOWN: {
        TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (p.x < 0 || p.y < 0 || p.x >= fWidth || p.y >= fHeight) fMenu->CloseMenu();
        return;
      }
      case WM_LBUTTONUP:
      case WM_RBUTTONUP: {
        TPoint p{GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam)};
        if (p.x >= 0 && p.y >= 0 && p.x < fWidth && p.y < fHeight) Choose(RowAt(p.y));
        return;
      }
      case WM_KEYDOWN:
      case WM_SYSKEYDOWN:  // with Alt still held after Alt+letter opened the menu
        switch (m.WParam) {
          case VK_ESCAPE: fMenu->CloseMenu(); return;
          case VK_UP: Move(-1); return;
          case VK_DOWN: Move(1); return;
          case VK_RETURN: Choose(fHot); return;
        }
        return;
      case WM_CHAR:
      case WM_SYSCHAR: {
        // The accelerator letter chooses its item.
        auto rows = Rows();
        char32_t ch = UnicodeUpper(static_cast<char32_t>(m.WParam));
        for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
          const String& cap = rows[i]->Caption();
          auto amp = cap.find('&');
          if (amp != String::npos && amp + 1 < cap.size()) {
            std::size_t pos = amp + 1;
            if (UnicodeUpper(Utf8Decode(cap, pos)) == ch) {
              Choose(i);
              return;
            }
          }
        }
        return;
      }
      case WM_CAPTURECHANGED:
        if (!fMenu->fClosed && GetCapture() != Handle()) fMenu->CloseMenu();
        return;
    }
    TCustomControl::Dispatch(m);
  }
  TPopupMenu* fMenu;
  int fHot = -1;
};

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
TPopupMenu::~TPopupMenu() {
  if (fWindow) fWindow->Free();
}

HWND TPopupMenu::WindowHandle() const {
  return fWindow && !fClosed && fWindow->HandleAllocated() ? fWindow->Handle() : HWND();
}

void TPopupMenu::CloseMenu() {
  if (fClosed) return;
  fClosed = true;
  if (fWindow && fWindow->HandleAllocated()) {
    if (GetCapture() == fWindow->Handle()) ReleaseCapture();
    ShowWindow(fWindow->Handle(), SW_HIDE);
  }
}

void TPopupMenu::Popup(int X, int Y) {
  fPopupPoint = TPoint{X, Y};
  if (OnPopup) OnPopup(this);
  if (!fClosed) return;
  if (!fWindow) fWindow = new TMenuWindow(this);
  fWindow->fHot = -1;
  fWindow->Layout(X, Y);
  if (Alignment == paRight)
    fWindow->SetLeft(X - fWindow->Width());
  else if (Alignment == paCenter)
    fWindow->SetLeft(X - fWindow->Width() / 2);
  fChosen = nullptr;
  fClosed = false;
  HWND h = fWindow->Handle();
  ShowWindow(h, SW_SHOWNA);
  SetCapture(h);
  // Keys go to the menu while it is shown.
  HWND oldFocus = GetFocus();
  SetFocus(h);
  try {
    while (!fClosed && !Application->Terminated()) Application->HandleMessage();
  } catch (...) {
    CloseMenu();
    throw;
  }
  CloseMenu();
  if (oldFocus && IsWindow(oldFocus)) SetFocus(oldFocus);
  if (OnClose) OnClose(this);
  if (TMenuItem* chosen = fChosen) {
    fChosen = nullptr;
    chosen->Click();
  }
}

// ---- the control model's short cut path -----------------------------------------------------

namespace forms_detail {

TComponent* MenuComponent(TPopupMenu* menu) { return menu; }

bool IsPopupShortCut(TControl* control, TMessage& m) {
  for (TControl* c = control; c; c = c->Parent())
    if (TPopupMenu* p = c->PopupMenu(); p && p->IsShortCut(m)) return true;
  return false;
}

bool PopupControlMenu(TControl* control, TPoint screen) {
  TPopupMenu* p = control->PopupMenu();
  if (!p || !p->AutoPopup) return false;
  p->PopupComponent = control;
  p->Popup(screen.x, screen.y);
  return true;
}

bool IsShortCutForForm(TWinControl* control, TMessage& m) {
  TCustomForm* form = control->GetParentForm();
  if (!form) return false;
  if (form->IsShortCut(m)) return true;
  if (form->Menu() && form->Menu()->IsShortCut(m)) return true;
  if (MainMenuBarShortCut(form, m)) return true;
  TShortCut sc = ShortCutFromMessage(m);
  for (int i = 0; i < form->ComponentCount(); ++i)
    if (auto* list = dynamic_cast<TCustomActionList*>(form->Components(i)); list && list->IsShortCut(sc)) return true;
  return false;
}

}  // namespace forms_detail
