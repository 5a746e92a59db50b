#include "platform/forms/ActnMan.h"

#include <algorithm>

#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

// ---- client items ---------------------------------------------------------------------------

TActionClientItem* TActionClientItem::Add() {
  fItems.push_back(std::make_unique<TActionClientItem>());
  return fItems.back().get();
}

String TActionClientItem::DisplayCaption() const {
  if (!Caption.empty()) return Caption;
  if (auto* a = dynamic_cast<TCustomAction*>(Action)) return a->Caption();
  return Caption;
}

bool TActionClientItem::Enabled() const {
  auto* a = dynamic_cast<TCustomAction*>(Action);
  return !a || a->Enabled();
}

void TActionClientItem::SetUsageCountRecursive(int count) {
  UsageCount = count;
  for (auto& i : fItems) i->SetUsageCountRecursive(count);
}

void FillMenuFromClients(TMenuItem* target, TActionClientItem* source) {
  target->Clear();
  for (int i = 0; i < source->Count(); ++i) {
    TActionClientItem* c = source->Items(i);
    if (!c->Visible) continue;
    auto* m = new TMenuItem(nullptr);
    if (c->Action) m->SetAction(c->Action);
    // An item's own caption (with its accelerator) is what the menu shows.
    if (!c->Action || !c->Caption.empty()) m->SetCaption(c->Caption);
    if (c->Count()) FillMenuFromClients(m, c);
    target->Add(m);
  }
}

// ---- TActionManager -------------------------------------------------------------------------

TActionManager::~TActionManager() {
  for (auto& b : fBars)
    if (b->ActionBar) b->ActionBar->SetActionManager(nullptr);
}

TActionBarItem* TActionManager::AddActionBar(TCustomActionBar* bar) {
  fBars.push_back(std::make_unique<TActionBarItem>());
  fBars.back()->ActionBar = bar;
  TActionBarItem* item = fBars.back().get();
  if (bar && bar->ActionManager() != this) bar->SetActionManager(this);
  return item;
}

void TActionManager::RemoveActionBar(TCustomActionBar* bar) {
  fBars.erase(std::remove_if(fBars.begin(), fBars.end(), [bar](auto& b) { return b->ActionBar == bar; }), fBars.end());
}

void TActionManager::SetUsageCounts(int count) {
  for (auto& b : fBars) b->Items.SetUsageCountRecursive(count);
}

// ---- TCustomActionBar -----------------------------------------------------------------------

TCustomActionBar::TCustomActionBar(TComponent* AOwner) : TCustomControl(AOwner) {
  fAlign = alTop;
  fHeight = 24;
  fColor = clBtnFace;
  fParentColor = false;
}

TCustomActionBar::~TCustomActionBar() {
  if (fManager) fManager->RemoveActionBar(this);
}

void TCustomActionBar::SetActionManager(TActionManager* m) {
  if (m == fManager) return;
  if (fManager) fManager->RemoveActionBar(this);
  fManager = m;
  fItem = nullptr;
  if (m) {
    m->FreeNotification(this);
    for (int i = 0; i < m->ActionBarCount(); ++i)
      if (m->ActionBars(i)->ActionBar == this) fItem = m->ActionBars(i);
    if (!fItem) fItem = m->AddActionBar(this);
  }
  Invalidate();
}

void TCustomActionBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fManager) {
    fManager = nullptr;
    fItem = nullptr;
  }
}

int TCustomActionBar::ItemWidth(TActionClientItem* item) {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  return c.TextWidth(StripHotkey(item->DisplayCaption())) + 14;
}

std::vector<std::pair<TActionClientItem*, TRect>> TCustomActionBar::Layout() {
  std::vector<std::pair<TActionClientItem*, TRect>> r;
  if (!Items()) return r;
  int x = 2;
  for (int i = 0; i < Items()->Count(); ++i) {
    TActionClientItem* it = Items()->Items(i);
    if (auto* a = dynamic_cast<TCustomAction*>(it->Action); a && !a->Visible()) continue;
    if (!it->Visible) continue;
    int w = it->IsSeparator() ? 6 : ItemWidth(it);
    r.push_back({it, TRect{x, 1, x + w, fHeight - 1}});
    x += w;
  }
  return r;
}

int TCustomActionBar::ItemAt(int X, int Y) {
  auto l = Layout();
  for (std::size_t i = 0; i < l.size(); ++i)
    if (PtInRect(&l[i].second, TPoint{X, Y}) && !l[i].first->IsSeparator()) return static_cast<int>(i);
  return -1;
}

void TCustomActionBar::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  auto l = Layout();
  TCustomImageList* images = fManager ? fManager->Images : nullptr;
  for (std::size_t i = 0; i < l.size(); ++i) {
    auto [item, rect] = l[i];
    if (item->IsSeparator()) {
      RECT s{rect.left + 2, rect.top + 2, rect.left + 4, rect.bottom - 2};
      DrawEdge(dc, &s, EDGE_ETCHED, BF_LEFT);
      continue;
    }
    if (static_cast<int>(i) == fHot && item->Enabled()) {
      c->Brush()->SetColor(clHighlight);
      c->FillRect(rect);
    }
    auto* a = dynamic_cast<TCustomAction*>(item->Action);
    bool imageOnly = dynamic_cast<TActionToolBar*>(this) && images && a && a->ImageIndex() >= 0;
    if (imageOnly) {
      images->Draw(c, rect.left + 3, rect.top + (rect.bottom - rect.top - images->Height()) / 2, a->ImageIndex(),
                   item->Enabled());
    } else {
      c->Brush()->SetStyle(bsClear);
      c->TextExtent("");
      SetTextColor(dc, ColorToRGB(!item->Enabled()              ? clGrayText
                                  : static_cast<int>(i) == fHot ? clHighlightText
                                                                : Font()->Color()));
      RECT t = rect;
      DrawText(dc, item->DisplayCaption(), &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    c->Brush()->SetStyle(bsSolid);
  }
}

void TCustomActionBar::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_MOUSEMOVE: {
      int i = ItemAt(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (i != fHot) {
        fHot = i;
        Invalidate();
      }
      break;
    }
    case CM_MOUSELEAVE:
      if (fHot != -1) {
        fHot = -1;
        Invalidate();
      }
      break;
    case WM_LBUTTONUP: {
      TCustomControl::Dispatch(m);
      int i = ItemAt(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (i >= 0) {
        auto l = Layout();
        if (l[i].first->Enabled()) ItemClicked(i, l[i].first);
      }
      return;
    }
  }
  TCustomControl::Dispatch(m);
}

// ---- TActionMainMenuBar ---------------------------------------------------------------------

TActionMainMenuBar::TActionMainMenuBar(TComponent* AOwner) : TCustomActionBar(AOwner) { fHeight = 22; }
TActionMainMenuBar::~TActionMainMenuBar() {
  if (fMenu) fMenu->Free();
}

void TActionMainMenuBar::DropDown(int index) {
  auto l = Layout();
  if (index < 0 || index >= static_cast<int>(l.size())) return;
  TActionClientItem* item = l[index].first;
  if (!item->Count()) {
    if (item->Action) item->Action->Execute();
    return;
  }
  if (!fMenu) fMenu = new TPopupMenu(nullptr);
  fMenu->Images = fManager ? fManager->Images : nullptr;
  FillMenuFromClients(fMenu->Items(), item);
  fHot = index;
  Invalidate();
  TPoint p = ClientToScreen(TPoint{l[index].second.left, l[index].second.bottom});
  fMenu->Popup(p.x, p.y);
  fHot = -1;
  Invalidate();
}

void TActionMainMenuBar::ItemClicked(int index, TActionClientItem*) { DropDown(index); }

void TActionMainMenuBar::Dispatch(TMessage& m) {
  if (m.Msg == WM_LBUTTONDOWN) {
    TCustomControl::Dispatch(m);
    int i = ItemAt(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
    if (i >= 0) {
      ReleaseCapture();
      DropDown(i);
    }
    return;
  }
  if (m.Msg == WM_LBUTTONUP) {
    TCustomControl::Dispatch(m);
    return;
  }
  TCustomActionBar::Dispatch(m);
}

// Alt and a caption's accelerator letter drop that entry down (the form's short cut path).
namespace {
bool MainMenuBarAccelerator(TCustomForm* form, TMessage& m) {
  if (GetKeyState(VK_MENU) >= 0) return false;
  char32_t key = UnicodeUpper(static_cast<char32_t>(m.WParam));
  for (int i = 0; i < form->ComponentCount(); ++i) {
    auto* bar = dynamic_cast<TActionMainMenuBar*>(form->Components(i));
    if (!bar || !bar->Visible()) continue;
    auto l = bar->Layout();
    for (std::size_t k = 0; k < l.size(); ++k) {
      String cap = l[k].first->DisplayCaption();
      auto amp = cap.find('&');
      if (amp == String::npos || amp + 1 >= cap.size()) continue;
      std::size_t pos = amp + 1;
      if (UnicodeUpper(Utf8Decode(cap, pos)) == key) {
        bar->DropDown(static_cast<int>(k));
        return true;
      }
    }
  }
  return false;
}
}  // namespace

// ---- TActionToolBar -------------------------------------------------------------------------

TActionToolBar::TActionToolBar(TComponent* AOwner) : TCustomActionBar(AOwner) { fHeight = 26; }

int TActionToolBar::ItemWidth(TActionClientItem* item) {
  auto* a = dynamic_cast<TCustomAction*>(item->Action);
  if (fManager && fManager->Images && a && a->ImageIndex() >= 0) return fManager->Images->Width() + 7;
  return TCustomActionBar::ItemWidth(item);
}

void TActionToolBar::ItemClicked(int, TActionClientItem* item) {
  if (item->Action) item->Action->Execute();
}

// ---- TPopupActionBar ------------------------------------------------------------------------

TMenuItem* TPopupActionBar::AddAction(TBasicAction* action) {
  auto* m = new TMenuItem(this);
  if (action)
    m->SetAction(action);
  else
    m->SetCaption("-");
  Items()->Add(m);
  return m;
}

// ---- customize ------------------------------------------------------------------------------

void TCustomizeDlg::Show() {
  auto* f = new TForm(nullptr);
  fForm = f;
  f->SetCaption("Customize");
  f->SetBorderStyle(bsDialog);
  f->SetPosition(poMainFormCenter);
  f->SetClientSize(360, 300);
  auto* list = new TListBox(f);
  list->SetParent(f);
  list->SetBounds(8, 8, 344, 248);
  if (ActionManager) {
    TStringList lines;
    for (int i = 0; i < ActionManager->ActionCount(); ++i) {
      auto* a = dynamic_cast<TCustomAction*>(ActionManager->Actions(i));
      if (!a) continue;
      String sc = MenuShortCutToText(a->ShortCut());
      lines.Add((a->Category.empty() ? String("(No Category)") : a->Category) + ": " + StripHotkey(a->Caption()) +
                (sc.empty() ? String() : "  " + sc));
    }
    list->Items()->Assign(&lines);
  }
  auto* close = new TButton(f);
  close->SetParent(f);
  close->SetCaption("Close");
  close->SetBounds(277, 266, 75, 25);
  close->SetModalResult(mrOk);
  close->SetDefault(true);
  close->SetCancel(true);
  try {
    f->ShowModal();
  } catch (...) {
    fForm = nullptr;
    f->Free();
    throw;
  }
  fForm = nullptr;
  f->Free();
  if (OnClose) OnClose(this);
}

TCustomizeActionBars::TCustomizeActionBars(TComponent* AOwner) : TAction(AOwner) { SetCaption("&Customize..."); }
void TCustomizeActionBars::ExecuteTarget(TObject*) {
  if (CustomizeDlg) CustomizeDlg->Show();
}

namespace forms_detail {
bool MainMenuBarShortCut(TCustomForm* form, TMessage& m) { return MainMenuBarAccelerator(form, m); }
}  // namespace forms_detail
