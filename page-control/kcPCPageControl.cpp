// The page control and its pages: a page per tab, the active page follows the selected tab
// and the other way round, with the changing protocol (OnChanging, OnPageChanging, OnChange).
#include <algorithm>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "platform/forms/Forms.h"
#include "platform/gdi/WinGdi.h"

// ---- TkcTabSheet ----------------------------------------------------------------------------

TkcTabSheet::TkcTabSheet(TComponent* AOwner) : TCustomControl(AOwner) {
  SetAlign(alClient);
  ControlStyle().Include(csAcceptsControls);
  SetVisible(false);
  SetTabStop(false);
  SetParentColor(true);
}

TkcTabSheet::~TkcTabSheet() {
  if (fPageControl) fPageControl->RemovePage(this);
}

void TkcTabSheet::SetPageControl(TkcPageControl* Value) {
  if (fPageControl == Value) return;
  if (fPageControl) fPageControl->RemovePage(this);
  if (Value) {
    Value->InsertPage(this);
    if (!Value->IsLoading() && !Value->ActivePage()) Value->SetActivePage(this);
  }
}

void TkcTabSheet::SetParent(TWinControl* AParent) {
  if (fAssigning) {
    TCustomControl::SetParent(AParent);
    return;
  }
  if (AParent && !dynamic_cast<TkcPageControl*>(AParent)) return;
  if (AParent == fPageControl) {
    TCustomControl::SetParent(AParent);
    return;
  }
  SetPageControl(static_cast<TkcPageControl*>(AParent));
}

void TkcTabSheet::UpdateTab() {
  if (fPageControl) fPageControl->UpdateTab(this);
}

void TkcTabSheet::SetTabVisible(bool Value) {
  if (fTabVisible == Value) return;
  fTabVisible = Value;
  UpdateTab();
}

void TkcTabSheet::SetHighlighted(bool Value) {
  if (fHighlighted == Value) return;
  fHighlighted = Value;
  UpdateTab();
}

void TkcTabSheet::SetImageIndex(int Value) {
  if (fImageIndex == Value) return;
  fImageIndex = Value;
  UpdateTab();
}

int TkcTabSheet::PageIndex() const {
  if (!fPageControl) return -1;
  auto& pages = fPageControl->fPages;
  return int(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TkcTabSheet::SetPageIndex(int Value) {
  if (!fPageControl) return;
  TkcPageControl* pc = fPageControl;
  int last = pc->PageCount() - 1;
  if (Value > last)
    throw EListError(Format("%d is an invalid PageIndex value.  PageIndex must be between 0 and %d", {Value, last}));
  if (Value < 0) throw EListError(Format("List index out of bounds (%d)", {Value}));
  int old = PageIndex();
  if (old == Value) return;
  pc->fPages.erase(pc->fPages.begin() + old);
  pc->fPages.insert(pc->fPages.begin() + Value, this);
  pc->Tabs()->Move(old, Value);
  for (int i = 0; i < pc->PageCount(); ++i) pc->fPages[i]->fTab = pc->Tabs()->GetTab(i);
  UpdateTab();
  ++pc->ChangeEventLock;
  pc->SetTabIndex(pc->ActivePageIndex());
  --pc->ChangeEventLock;
}

// A page erases its background through its page control's painter (a style may fill the page
// with a gradient or the theme's pane), drawn in the control's coordinates on the page.
void TkcTabSheet::Paint() {
  TkcPageControl* pc = fPageControl;
  if (!pc || !pc->Painter()) {
    TkcCanvas(Canvas()).FillRect(ClientRect(), Color());
    return;
  }
  TkcCanvas* canvas = pc->Canvas();
  TCanvas* own = canvas->Canvas();
  HDC dc = Canvas()->Handle();
  POINT old{};
  OffsetViewportOrgEx(dc, -Left(), -Top(), &old);
  canvas->SetCanvas(Canvas());
  try {
    if (pc->Painter()->IsNativePainting()) {
      TRect r = pc->Painter()->GetPageClientRectWithoutLines();
      InflateRect(&r, 2, 2);
      DrawThemeBackground(GetThemeHandle(totTab), dc, 9, 0, &r, nullptr);
    } else
      pc->Painter()->FillPageClientRect();
  } catch (...) {
    canvas->SetCanvas(own);
    SetViewportOrgEx(dc, old.x, old.y, nullptr);
    throw;
  }
  canvas->SetCanvas(own);
  SetViewportOrgEx(dc, old.x, old.y, nullptr);
}

void TkcTabSheet::Dispatch(TMessage& Message) {
  TCustomControl::Dispatch(Message);
  switch (Message.Msg) {
    case CM_TEXTCHANGED:
    case CM_ENABLEDCHANGED: UpdateTab(); break;
    case CM_COLORCHANGED:
      if (fPageControl && fTab) fPageControl->RequestLayout();
      Invalidate();
      break;
    case CM_SHOWINGCHANGED:
      if (Showing()) {
        if (OnShow) OnShow(this);
      } else if (OnHide)
        OnHide(this);
      break;
  }
}

// ---- TkcPageControl -------------------------------------------------------------------------

TkcPageControl::TkcPageControl(TComponent* AOwner) : TkcCustomTabControl(AOwner) {}

TkcPageControl::~TkcPageControl() {
  for (TkcTabSheet* p : fPages) {
    p->fPageControl = nullptr;
    p->fTab = nullptr;
  }
  fPages.clear();
}

int TkcPageControl::ActivePageIndex() const { return fActivePage ? fActivePage->PageIndex() : -1; }

TControl* TkcPageControl::GetTabPage(int ATabIndex) {
  return ATabIndex >= 0 && ATabIndex < PageCount() ? fPages[ATabIndex] : nullptr;
}

void TkcPageControl::InsertPage(TkcTabSheet* APage) {
  if (Parent()) HandleNeeded();
  fPagesUpdating = true;
  fPages.push_back(APage);
  APage->fPageControl = this;
  APage->fAssigning = true;
  APage->SetParent(this);
  APage->fAssigning = false;
  Tabs()->Add(APage->Caption());
  fPagesUpdating = false;
  APage->fTab = Tabs()->GetTab(PageCount() - 1);
  UpdateTab(APage);
}

void TkcPageControl::RemovePage(TkcTabSheet* APage) {
  auto it = std::find(fPages.begin(), fPages.end(), APage);
  if (it == fPages.end()) return;
  TkcTabSheet* next = FindNextPage(APage, true, !IsDesigning());
  if (next == APage) next = nullptr;
  int index = int(it - fPages.begin());
  bool wasActive = fActivePage == APage;
  Tabs()->Delete(index);
  fPages.erase(it);
  for (int i = 0; i < PageCount(); ++i) fPages[i]->fTab = Tabs()->GetTab(i);
  APage->fTab = nullptr;
  if (wasActive) fActivePage = nullptr;
  if (IsDestroying()) {  // the pages go with the control: nothing to activate
    APage->fPageControl = nullptr;
    return;
  }
  SetTabIndexDirect(-1);
  if (wasActive || !next)
    SetActivePage(next);
  else {
    ++ChangeEventLock;
    SetTabIndex(ActivePageIndex());
    --ChangeEventLock;
  }
  APage->fPageControl = nullptr;
  APage->fAssigning = true;
  if (!APage->ComponentState().Contains(csDestroying)) APage->SetParent(nullptr);
  APage->fAssigning = false;
}

TkcTabSheet* TkcPageControl::FindNextPage(TkcTabSheet* ACurrent, bool AGoForward, bool ACheckTabVisible) {
  int count = PageCount();
  if (count == 0) return nullptr;
  auto it = std::find(fPages.begin(), fPages.end(), ACurrent);
  int start = it == fPages.end() ? (AGoForward ? count - 1 : 0) : int(it - fPages.begin());
  int i = start;
  do {
    i = AGoForward ? (i + 1) % count : (i + count - 1) % count;
    TkcTabSheet* p = fPages[i];
    if (!ACheckTabVisible || (p->TabVisible() && p->Enabled())) return p;
  } while (i != start);
  return fPages[i];
}

void TkcPageControl::SelectNextPage(bool AGoForward, bool ACheckTabVisible) {
  TkcTabSheet* p = FindNextPage(fActivePage, AGoForward, ACheckTabVisible);
  if (p && p != fActivePage) SetActivePage(p);
}

void TkcPageControl::UpdateTab(TkcTabSheet* APage) {
  if (IsLoading() || !APage->fTab) return;
  TkcTab* t = APage->fTab;
  t->SetCaption(APage->Caption());
  t->SetEnabled(APage->Enabled());
  t->SetImageIndex(APage->ImageIndex());
  t->SetHighlighted(APage->Highlighted());
  t->SetVisible(APage->TabVisible());
  if (APage == fActivePage) SetTabIndex(APage->TabVisible() ? t->Index() : -1);
  if (!APage->TabVisible() && APage == fActivePage) {
    // The active page lost its tab: the next page with a visible tab takes over.
    TkcTabSheet* next = FindNextPage(APage, true, true);
    SetActivePage(next && next != APage && next->TabVisible() ? next : nullptr);
  }
}

void TkcPageControl::UpdateTabs() {
  for (TkcTabSheet* p : fPages) UpdateTab(p);
}

void TkcPageControl::SetActivePage(TkcTabSheet* Value) {
  if (Value && Value->PageControl() != this) return;
  ChangeActivePage(Value);
  if (fActivePage == Value) {
    ++ChangeEventLock;
    if (Value)
      SetTabIndex(Value->TabVisible() ? Value->Tab()->Index() : -1);
    else
      SetTabIndex(-1);
    --ChangeEventLock;
  }
}

bool TkcPageControl::PageChanging(TkcTabSheet* ANewPage) {
  bool allow = true;
  if (!AreChangeEventsSuppressed() && OnPageChanging) OnPageChanging(this, ANewPage, allow);
  return allow;
}

bool TkcPageControl::CanChange(int ANewTabIndex) {
  if (!TkcCustomTabControl::CanChange(ANewTabIndex)) return false;
  if (ANewTabIndex != -1) return PageChanging(fPages[ANewTabIndex]);
  return true;
}

void TkcPageControl::ActivateTabIndexPage() { SetActivePage(TabIndex() == -1 ? nullptr : fPages[TabIndex()]); }

void TkcPageControl::Change() {
  ++ChangeEventLock;
  try {
    ActivateTabIndexPage();
  } catch (...) {
    --ChangeEventLock;
    throw;
  }
  --ChangeEventLock;
  TkcCustomTabControl::Change();
}

void TkcPageControl::ChangeActivePage(TkcTabSheet* APage) {
  if (fActivePage == APage || !PageChanging(APage)) return;
  TCustomForm* form = GetParentForm();
  TWinControl* focusTarget = nullptr;
  if (form && fActivePage && fActivePage->ContainsControl(form->ActiveControl())) {
    form->SetActiveControl(fActivePage);
    if (form->ActiveControl() != fActivePage) {
      SetTabIndex(fActivePage->Tab() ? fActivePage->Tab()->Index() : -1);
      return;
    }
  }
  if (APage && form && fActivePage && form->ActiveControl() == fActivePage)
    focusTarget = (APage->Enabled() && Visible() && Enabled() && Parent() && Parent()->CanFocus())
                      ? static_cast<TWinControl*>(APage)
                      : this;
  TkcTabSheet* old = fActivePage;
  if (old) old->SetVisible(false);
  if (APage) {
    APage->BringToFront();
    APage->SetVisible(true);
    APage->Invalidate();
  }
  if (focusTarget && form) form->SetActiveControl(focusTarget);
  fActivePage = APage;
  if (!AreChangeEventsSuppressed() && OnChange) OnChange(this);
  if (form && fActivePage && form->ActiveControl() == fActivePage) fActivePage->SelectNext(nullptr, true, true);
}

void TkcPageControl::CloseActiveTab() {
  // OnCanClose may have left no active page.
  if (fActivePage) delete fActivePage;
}

void TkcPageControl::ImagesChanged() {
  if (fPagesUpdating) return;
  for (int i = 0; i < PageCount(); ++i)
    if (fPages[i]->Tab()) fPages[i]->Tab()->SetImageIndex(fPages[i]->ImageIndex());
  RequestLayout();
}

void TkcPageControl::RequestLayout() {
  TkcCustomTabControl::RequestLayout();
  if (fActivePage) fActivePage->Invalidate();
}

bool TkcPageControl::CanFocusOnClickAt(int X, int Y) {
  if (!TkcCustomTabControl::CanFocusOnClickAt(X, Y)) return false;
  int v = GetTabAt(X, Y);
  return v != -1 && fActivePage && fActivePage->Tab() && VisibleTabs()->GetTab(v) == fActivePage->Tab();
}

void TkcPageControl::Loaded() {
  TkcCustomTabControl::Loaded();
  UpdateTabs();
  if (!IsDesigning() && fActivePage && !fActivePage->Enabled()) SetActivePage(nullptr);
}
