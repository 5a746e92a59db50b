#include "platform/forms/ComCtrls.h"

#include <algorithm>

#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"
#include "platform/forms/FormsInternal.h"
#include "platform/forms/Menus.h"

namespace {
COLORREF Ref(TColor c) { return ColorToRGB(c); }

// A node text of megabytes (a whole statement) is measured and painted only as far as a
// row can show it; the node keeps its text.
constexpr std::size_t kShownNodeChars = 2048;
String ShownText(const String& text) {
  return text.size() <= kShownNodeChars ? text : Utf8Copy(text, 0, kShownNodeChars);
}
}  // namespace

// ---- TStatusBar -----------------------------------------------------------------------------

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
  fAlign = alBottom;
  fHeight = 19;
  fWidth = 200;
  fColor = clBtnFace;
  fParentColor = false;
}

TStatusPanel* TStatusBar::AddPanel() {
  fPanels.emplace_back();
  Invalidate();
  return &fPanels.back();
}
void TStatusBar::ClearPanels() {
  fPanels.clear();
  Invalidate();
}
void TStatusBar::SetSimplePanel(bool v) {
  fSimplePanel = v;
  Invalidate();
}
void TStatusBar::SetSimpleText(const String& v) {
  fSimpleText = v;
  Invalidate();
}
void TStatusBar::SetPanelText(int i, const String& text) {
  Panels(i)->Text = text;
  Invalidate();
}

TRect TStatusBar::PanelRect(int i) {
  TRect r = ClientRect();
  int x = 0;
  for (int k = 0; k < i; ++k) x += fPanels[k].Width;
  // The last panel takes the rest.
  int right = i == PanelCount() - 1 ? r.right : x + fPanels[i].Width;
  return TRect{x, 2, right - 2, r.bottom};
}

void TStatusBar::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  c->Brush()->SetStyle(bsClear);
  c->TextExtent("");
  SetTextColor(dc, Ref(Font()->Color()));
  if (fSimplePanel) {
    RECT t{3, 2, r.right - 3, r.bottom};
    DrawText(dc, fSimpleText, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    return;
  }
  for (int i = 0; i < PanelCount(); ++i) {
    RECT p = PanelRect(i);
    RECT e = p;
    DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
    RECT t{p.left + 2, p.top + 1, p.right - 2, p.bottom - 1};
    UINT align = fPanels[i].Alignment == taCenter         ? DT_CENTER
                 : fPanels[i].Alignment == taRightJustify ? DT_RIGHT
                                                          : DT_LEFT;
    DrawText(dc, fPanels[i].Text, &t, align | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
}

// ---- TTabSheet, TPageControl ----------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
  fAlign = alClient;
  fVisible = false;
  fColor = clBtnFace;
  fParentColor = false;
}

TTabSheet::~TTabSheet() {
  if (fPageControl) fPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* v) {
  if (v == fPageControl) return;
  if (fPageControl) fPageControl->RemovePage(this);
  SetParent(v);
  if (v) v->InsertPage(this);
}

int TTabSheet::PageIndex() const {
  if (!fPageControl) return -1;
  auto& p = fPageControl->fPages;
  return static_cast<int>(std::find(p.begin(), p.end(), this) - p.begin());
}

int TTabSheet::TabIndex() const {
  if (!fPageControl || !fTabVisible) return -1;
  int n = 0;
  for (TTabSheet* s : fPageControl->fPages) {
    if (s == this) return n;
    if (s->fTabVisible) ++n;
  }
  return -1;
}

void TTabSheet::SetTabVisible(bool v) {
  fTabVisible = v;
  if (fPageControl) fPageControl->Invalidate();
}

TPageControl::TPageControl(TComponent* AOwner) : TCustomControl(AOwner) {
  fWidth = 289;
  fHeight = 193;
  fTabStop = true;
  fColor = clBtnFace;
  fParentColor = false;
  fControlStyle.Include(csAcceptsControls);
}

TPageControl::~TPageControl() {
  for (TTabSheet* s : fPages) s->fPageControl = nullptr;
}

void TPageControl::InsertPage(TTabSheet* p) {
  fPages.push_back(p);
  p->fPageControl = this;
  if (!fActivePage) SetActivePage(p);
  Invalidate();
}

void TPageControl::RemovePage(TTabSheet* p) {
  auto it = std::find(fPages.begin(), fPages.end(), p);
  if (it == fPages.end()) return;
  int index = static_cast<int>(it - fPages.begin());
  fPages.erase(it);
  p->fPageControl = nullptr;
  if (fActivePage == p) {
    fActivePage = nullptr;
    if (!fPages.empty()) SetActivePage(fPages[std::min(index, PageCount() - 1)]);
  }
  Invalidate();
}

int TPageControl::ActivePageIndex() const { return fActivePage ? fActivePage->PageIndex() : -1; }
void TPageControl::SetActivePageIndex(int i) { SetActivePage(i >= 0 && i < PageCount() ? fPages[i] : nullptr); }

void TPageControl::SetActivePage(TTabSheet* p) {
  if (p && p->fPageControl != this) return;
  if (p == fActivePage) return;
  TTabSheet* old = fActivePage;
  fActivePage = p;
  if (p) {
    p->BringToFront();
    p->SetVisible(true);
    if (p->OnShow) p->OnShow(p);
  }
  if (old) {
    old->SetVisible(false);
    if (old->OnHide) old->OnHide(old);
  }
  Realign();
  Invalidate();
}

bool TPageControl::ChangeByUser(TTabSheet* p) {
  if (!p || p == fActivePage) return false;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return false;
  SetActivePage(p);
  if (OnChange) OnChange(this);
  return true;
}

void TPageControl::SelectNextPage(bool forward) {
  int n = PageCount();
  if (n == 0) return;
  int start = ActivePageIndex();
  for (int k = 1; k <= n; ++k) {
    int i = ((start < 0 ? (forward ? -1 : 0) : start) + (forward ? k : -k) + n * 2) % n;
    if (fPages[i]->TabVisible()) {
      ChangeByUser(fPages[i]);
      return;
    }
  }
}

int TPageControl::TabRowHeight() {
  if (TabHeight > 0) return TabHeight;
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  return c.TextHeight("Qq") + 6;
}

TRect TPageControl::TabRect(int i) {
  if (i < 0 || i >= PageCount() || !fPages[i]->TabVisible()) return TRect{};
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  int x = 2;
  for (int k = 0; k < i; ++k)
    if (fPages[k]->TabVisible()) x += c.TextWidth(StripHotkey(fPages[k]->Caption())) + 12;
  int w = c.TextWidth(StripHotkey(fPages[i]->Caption())) + 12;
  return TRect{x, 2, x + w, 2 + TabRowHeight()};
}

int TPageControl::IndexOfTabAt(int X, int Y) {
  for (int i = 0; i < PageCount(); ++i) {
    TRect r = TabRect(i);
    if (PtInRect(&r, TPoint{X, Y})) return i;
  }
  return -1;
}

void TPageControl::AdjustClientRect(TRect& r) {
  TCustomControl::AdjustClientRect(r);
  r.top += TabRowHeight() + 2;
  InflateRect(&r, -2, -2);
  r.top += 0;
}

void TPageControl::Paint() {
  TCanvas* c = Canvas();
  TRect r = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(r);
  HDC dc = c->Handle();
  RECT body{0, TabRowHeight() + 2, r.right, r.bottom};
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  c->Brush()->SetStyle(bsClear);
  c->TextExtent("");
  SetTextColor(dc, Ref(Font()->Color()));
  for (int i = 0; i < PageCount(); ++i) {
    if (!fPages[i]->TabVisible()) continue;
    RECT t = TabRect(i);
    bool active = fPages[i] == fActivePage;
    if (active) InflateRect(&t, 2, 2);
    RECT e = t;
    DrawEdge(dc, &e, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    DrawText(dc, fPages[i]->Caption(), &t, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (active && Focused()) {
      RECT f = t;
      InflateRect(&f, -3, -3);
      DrawFocusRect(dc, &f);
    }
  }
}

void TPageControl::Dispatch(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      TCustomControl::Dispatch(m);
      int i = IndexOfTabAt(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      if (i >= 0) {
        ChangeByUser(fPages[i]);
        if (CanFocus() && !Focused()) SetFocus();
      }
      return;
    }
    case WM_KEYDOWN:
      TCustomControl::Dispatch(m);
      if (m.WParam == VK_LEFT || m.WParam == VK_RIGHT) SelectNextPage(m.WParam == VK_RIGHT);
      return;
    case CN_KEYDOWN:
      if (m.WParam == VK_TAB && GetKeyState(VK_CONTROL) < 0) {
        SelectNextPage(GetKeyState(VK_SHIFT) >= 0);
        m.Result = 1;
        return;
      }
      break;
  }
  TCustomControl::Dispatch(m);
}

// ---- TTreeNode ------------------------------------------------------------------------------

TTreeNode::~TTreeNode() {
  for (TTreeNode* c : fChildren) delete c;
}

TTreeView* TTreeNode::TreeView() const { return fOwner->Owner(); }

void TTreeNode::SetText(const String& v) {
  fText = v;
  fOwner->fOwner->Invalidate();
}
void TTreeNode::SetImageIndex(int v) {
  fImageIndex = v;
  fOwner->fOwner->Invalidate();
}
void TTreeNode::SetSelectedIndex(int v) {
  fSelectedIndex = v;
  fOwner->fOwner->Invalidate();
}

int TTreeNode::Index() const {
  const auto& s = const_cast<TTreeNodes*>(fOwner)->Siblings(fParent);
  return static_cast<int>(std::find(s.begin(), s.end(), this) - s.begin());
}
int TTreeNode::Level() const {
  int l = 0;
  for (TTreeNode* p = fParent; p; p = p->fParent) ++l;
  return l;
}
int TTreeNode::AbsoluteIndex() const {
  int i = 0;
  for (TTreeNode* n = fOwner->GetFirstNode(); n; n = n->GetNext(), ++i)
    if (n == this) return i;
  return -1;
}

TTreeNode* TTreeNode::GetNextSibling() const {
  const auto& s = const_cast<TTreeNodes*>(fOwner)->Siblings(fParent);
  int i = Index();
  return i + 1 < static_cast<int>(s.size()) ? s[i + 1] : nullptr;
}
TTreeNode* TTreeNode::GetPrevSibling() const {
  const auto& s = const_cast<TTreeNodes*>(fOwner)->Siblings(fParent);
  int i = Index();
  return i > 0 ? s[i - 1] : nullptr;
}
TTreeNode* TTreeNode::GetNext() const {
  if (!fChildren.empty()) return fChildren.front();
  for (const TTreeNode* n = this; n; n = n->fParent)
    if (TTreeNode* s = n->GetNextSibling()) return s;
  return nullptr;
}

void TTreeNode::SetExpanded(bool v) {
  if (v)
    Expand(false);
  else
    Collapse(false);
}
void TTreeNode::Expand(bool Recurse) {
  TreeView()->ExpandNode(this, true);
  if (Recurse)
    for (TTreeNode* c : std::vector<TTreeNode*>(fChildren)) c->Expand(true);
}
void TTreeNode::Collapse(bool Recurse) {
  TreeView()->ExpandNode(this, false);
  if (Recurse)
    for (TTreeNode* c : std::vector<TTreeNode*>(fChildren)) c->Collapse(true);
}

bool TTreeNode::Selected() const { return TreeView()->Selected() == this; }
void TTreeNode::SetSelected(bool v) {
  if (v)
    TreeView()->SetSelected(this);
  else if (Selected())
    TreeView()->SetSelected(nullptr);
}

bool TTreeNode::IsVisible() const {
  for (TTreeNode* p = fParent; p; p = p->fParent)
    if (!p->fExpanded) return false;
  return true;
}

void TTreeNode::MakeVisible() {
  for (TTreeNode* p = fParent; p; p = p->fParent)
    if (!p->fExpanded) p->Expand(false);
  TTreeView* tv = TreeView();
  const auto& rows = tv->VisibleNodes();
  auto it = std::find(rows.begin(), rows.end(), this);
  if (it != rows.end()) tv->MakeRowVisible(static_cast<int>(it - rows.begin()));
}

void TTreeNode::Delete() { fOwner->Delete(this); }
void TTreeNode::DeleteChildren() {
  while (!fChildren.empty()) fOwner->Delete(fChildren.back());
}

TRect TTreeNode::DisplayRect(bool TextOnly) {
  TTreeView* tv = TreeView();
  const auto& rows = tv->VisibleNodes();
  auto it = std::find(rows.begin(), rows.end(), this);
  if (it == rows.end()) return TRect{};
  int row = static_cast<int>(it - rows.begin()) - tv->fTopRow;
  int h = tv->RowHeight();
  TRect r{0, row * h, tv->ClientWidth(), row * h + h};
  if (TextOnly) {
    int x = (Level() + (tv->ShowRoot ? 1 : 0)) * tv->fIndent + (tv->fImages ? tv->fImages->Width() + 2 : 0) - tv->fLeft;
    TMeasureCanvas c;
    c.Font()->Assign(tv->Font());
    r.left = x;
    r.right = x + c.TextWidth(ShownText(fText)) + 4;
  }
  return r;
}

// ---- TTreeNodes -----------------------------------------------------------------------------

TTreeNodes::~TTreeNodes() {
  for (TTreeNode* n : fRoots) delete n;
}

TTreeNode* TTreeNodes::Item(int i) const {
  if (i < 0 || i >= fCount) throw EListError("List index out of bounds (" + IntToStr(i) + ")");
  TTreeNode* n = GetFirstNode();
  while (i-- > 0 && n) n = n->GetNext();
  return n;
}

void TTreeNodes::Changed() {
  if (fUpdate == 0)
    fOwner->NodesChanged();
  else
    fOwner->fRowsValid = false;
}

TTreeNode* TTreeNodes::AddObject(TTreeNode* sibling, const String& text, void* data) {
  return AddChildObject(sibling ? sibling->fParent : nullptr, text, data);
}

TTreeNode* TTreeNodes::AddChildObject(TTreeNode* parent, const String& text, void* data) {
  auto* n = new TTreeNode(this, parent);
  n->fText = text;
  n->Data = data;
  Siblings(parent).push_back(n);
  ++fCount;
  Changed();
  return n;
}

TTreeNode* TTreeNodes::AddChildFirst(TTreeNode* parent, const String& text) {
  auto* n = new TTreeNode(this, parent);
  n->fText = text;
  auto& s = Siblings(parent);
  s.insert(s.begin(), n);
  ++fCount;
  Changed();
  return n;
}

TTreeNode* TTreeNodes::Insert(TTreeNode* before, const String& text) {
  if (!before) return Add(nullptr, text);
  auto* n = new TTreeNode(this, before->fParent);
  n->fText = text;
  auto& s = Siblings(before->fParent);
  s.insert(s.begin() + before->Index(), n);
  ++fCount;
  Changed();
  return n;
}

void TTreeNodes::Delete(TTreeNode* node) {
  if (!node) return;
  fOwner->NodeDeleting(node);
  auto& s = Siblings(node->fParent);
  s.erase(std::remove(s.begin(), s.end(), node), s.end());
  int removed = 0;
  std::vector<TTreeNode*> stack{node};
  while (!stack.empty()) {
    TTreeNode* n = stack.back();
    stack.pop_back();
    ++removed;
    stack.insert(stack.end(), n->fChildren.begin(), n->fChildren.end());
  }
  fCount -= removed;
  delete node;
  Changed();
}

void TTreeNodes::Clear() {
  if (fRoots.empty()) return;
  fOwner->NodeDeleting(nullptr);
  for (TTreeNode* n : fRoots) delete n;
  fRoots.clear();
  fCount = 0;
  Changed();
}

void TTreeNodes::BeginUpdate() { ++fUpdate; }
void TTreeNodes::EndUpdate() {
  if (fUpdate > 0 && --fUpdate == 0) fOwner->NodesChanged();
}

// ---- TTreeView ------------------------------------------------------------------------------

TTreeView::TTreeView(TComponent* AOwner) : TCustomControl(AOwner), fItems(std::make_unique<TTreeNodes>(this)) {
  fWidth = 121;
  fHeight = 97;
  fTabStop = true;
  fColor = clWindow;
  fParentColor = false;
  fBorderStyle = bsSingle;
}

TTreeView::~TTreeView() {
  fSelected = nullptr;
  fItems.reset();
}

void TTreeView::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  p.Style |= WS_VSCROLL | WS_HSCROLL;
}

void TTreeView::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fImages) fImages = nullptr;
}

void TTreeView::SetImages(TCustomImageList* v) {
  fImages = v;
  if (v) v->FreeNotification(this);
  Invalidate();
}

void TTreeView::SetIndent(int v) {
  fIndent = std::max(v, 0);
  Invalidate();
}

int TTreeView::RowHeight() {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  int h = c.TextHeight("Qq") + 3;
  if (fImages) h = std::max(h, fImages->Height() + 1);
  return h;
}

const std::vector<TTreeNode*>& TTreeView::VisibleNodes() {
  if (!fRowsValid) {
    fRows.clear();
    // Depth-first over expanded nodes only: linear in the rows shown.
    std::vector<std::pair<const std::vector<TTreeNode*>*, std::size_t>> stack{{&fItems->fRoots, 0}};
    while (!stack.empty()) {
      auto& [list, i] = stack.back();
      if (i >= list->size()) {
        stack.pop_back();
        continue;
      }
      TTreeNode* n = (*list)[i++];
      fRows.push_back(n);
      if (n->fExpanded && !n->fChildren.empty()) stack.push_back({&n->fChildren, 0});
    }
    fRowsValid = true;
  }
  return fRows;
}

int TTreeView::VisibleRowCount() { return std::max(1, ClientHeight() / std::max(RowHeight(), 1)); }

int TTreeView::ContentWidth() {
  TMeasureCanvas c;
  c.Font()->Assign(Font());
  const int imageW = fImages ? fImages->Width() + 2 : 0;
  int width = 0;
  for (TTreeNode* n : VisibleNodes())
    width = std::max(width, (n->Level() + (ShowRoot ? 1 : 0)) * fIndent + imageW + c.TextWidth(ShownText(n->fText)) + 4);
  return width;
}

void TTreeView::UpdateScrollBar() {
  if (!HandleAllocated()) return;
  fScroller.UpdateBar();
  // Rows wider than the view scroll sideways.
  const int content = ContentWidth();
  fLeft = std::clamp(fLeft, 0, std::max(0, content - ClientWidth()));
  SCROLLINFO si;
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = std::max(0, content - 1);
  si.nPage = static_cast<UINT>(std::max(ClientWidth(), 0));
  si.nPos = fLeft;
  SetScrollInfo(Handle(), SB_HORZ, &si, TRUE);
}

void TTreeView::NodesChanged() {
  fRowsValid = false;
  int rows = static_cast<int>(VisibleNodes().size());
  fTopRow = std::clamp(fTopRow, 0, std::max(0, rows - 1));
  UpdateScrollBar();
  Invalidate();
}

void TTreeView::NodeDeleting(TTreeNode* n) {
  if (!fSelected) return;
  bool inside = !n;
  for (TTreeNode* p = fSelected; p && !inside; p = p->fParent)
    if (p == n) inside = true;
  if (inside) {
    fSelected = nullptr;
    if (!(ComponentState().Contains(csDestroying)) && OnChange) OnChange(this, nullptr);
  }
  if (n && OnDeletion) OnDeletion(this, n);
}

bool TTreeView::ExpandNode(TTreeNode* n, bool expand) {
  if (n->fExpanded == expand) return true;
  bool allow = true;
  if (expand && OnExpanding) OnExpanding(this, n, allow);
  if (!expand && OnCollapsing) OnCollapsing(this, n, allow);
  if (!allow) return false;
  n->fExpanded = expand;
  if (!expand && fSelected && fSelected != n) {
    // A collapsed branch hands its selection to the collapsed node.
    for (TTreeNode* p = fSelected->fParent; p; p = p->fParent)
      if (p == n) {
        SetSelected(n);
        break;
      }
  }
  NodesChanged();
  if (expand && OnExpanded) OnExpanded(this, n);
  if (!expand && OnCollapsed) OnCollapsed(this, n);
  return true;
}

void TTreeView::SetSelected(TTreeNode* n) {
  if (n == fSelected) return;
  bool allow = true;
  if (OnChanging) OnChanging(this, n, allow);
  if (!allow) return;
  fSelected = n;
  if (n) n->MakeVisible();
  Invalidate();
  if (OnChange) OnChange(this, n);
}

TTreeNode* TTreeView::TopItem() const {
  auto& rows = const_cast<TTreeView*>(this)->VisibleNodes();
  return fTopRow < static_cast<int>(rows.size()) ? rows[fTopRow] : nullptr;
}

void TTreeView::SetTopItem(TTreeNode* n) {
  const auto& rows = VisibleNodes();
  auto it = std::find(rows.begin(), rows.end(), n);
  if (it == rows.end()) return;
  fTopRow = static_cast<int>(it - rows.begin());
  UpdateScrollBar();
  Invalidate();
}

void TTreeView::MakeRowVisible(int row) {
  fTopRow = fScroller.TopToShow(row);
  UpdateScrollBar();
  Invalidate();
}

void TTreeView::FullExpand() {
  fItems->BeginUpdate();
  for (TTreeNode* n = fItems->GetFirstNode(); n; n = n->GetNext())
    if (n->HasChildren()) n->fExpanded = true;
  fItems->EndUpdate();
}

void TTreeView::FullCollapse() {
  fItems->BeginUpdate();
  for (TTreeNode* n = fItems->GetFirstNode(); n; n = n->GetNext()) n->fExpanded = false;
  fTopRow = 0;
  if (fSelected && fSelected->fParent) {
    TTreeNode* root = fSelected;
    while (root->fParent) root = root->fParent;
    fSelected = root;
  }
  fItems->EndUpdate();
}

TTreeNode* TTreeView::GetNodeAt(int, int Y) {
  if (Y < 0) return nullptr;
  int row = fTopRow + Y / std::max(RowHeight(), 1);
  const auto& rows = VisibleNodes();
  return row < static_cast<int>(rows.size()) ? rows[row] : nullptr;
}

void TTreeView::Paint() {
  TCanvas* c = Canvas();
  TRect cr = ClientRect();
  c->Brush()->SetColor(Color());
  c->FillRect(cr);
  c->Font()->Assign(Font());
  HDC dc = c->Handle();
  c->TextExtent("");
  const auto& rows = VisibleNodes();
  int h = RowHeight();
  int imageW = fImages ? fImages->Width() + 2 : 0;
  HPEN dotted = CreatePen(PS_DOT, 1, Ref(clGray));
  for (int r = fTopRow; r < static_cast<int>(rows.size()); ++r) {
    int y = (r - fTopRow) * h;
    if (y >= cr.bottom) break;
    TTreeNode* n = rows[r];
    int level = n->Level() + (ShowRoot ? 1 : 0);
    int x = level * fIndent - fLeft;
    int mid = y + h / 2;
    if (ShowLines && level > 0) {
      HPEN old = SelectObject(dc, dotted);
      int lx = x - fIndent / 2;
      MoveToEx(dc, lx, mid, nullptr);
      LineTo(dc, x, mid);
      MoveToEx(dc, lx, y, nullptr);
      LineTo(dc, lx, n->GetNextSibling() ? y + h : mid);
      // the ancestors' continuing lines
      int ax = lx - fIndent;
      for (TTreeNode* p = n->fParent; p && ax > -fLeft; p = p->fParent, ax -= fIndent)
        if (p->GetNextSibling()) {
          MoveToEx(dc, ax, y, nullptr);
          LineTo(dc, ax, y + h);
        }
      SelectObject(dc, old);
    }
    if (ShowButtons && n->HasChildren() && level > 0) {
      int bx = x - fIndent / 2;
      RECT b{bx - 4, mid - 4, bx + 5, mid + 5};
      c->Brush()->SetColor(Color());
      c->Pen()->SetColor(clGray);
      c->Rectangle(b);
      c->Pen()->SetColor(clBlack);
      c->MoveTo(bx - 2, mid);
      c->LineTo(bx + 3, mid);
      if (!n->fExpanded) {
        c->MoveTo(bx, mid - 2);
        c->LineTo(bx, mid + 3);
      }
    }
    bool sel = n == fSelected && (Focused() || !HideSelection);
    if (fImages) {
      int idx = n == fSelected && n->fSelectedIndex >= 0 ? n->fSelectedIndex : n->fImageIndex;
      fImages->Draw(c, x, y + (h - fImages->Height()) / 2, idx);
    }
    int tx = x + imageW;
    String shown = ShownText(n->fText);
    TRect tr{tx, y, tx + c->TextWidth(shown) + 4, y + h};
    if (RowSelect) tr.right = cr.right;
    c->Brush()->SetColor(sel ? clHighlight : Color());
    if (sel || n == fSelected) c->FillRect(tr);
    c->Brush()->SetStyle(bsClear);
    c->TextExtent("");
    SetTextColor(dc, Ref(sel ? clHighlightText : Font()->Color()));
    TextOut(dc, tx + 2, y + (h - c->TextHeight("Qq")) / 2, shown);
    if (n == fSelected && Focused()) DrawFocusRect(dc, &tr);
    c->Brush()->SetStyle(bsSolid);
  }
  DeleteObject(dotted);
}

void TTreeView::Dispatch(TMessage& m) {
  static constexpr TMessageMethod<TTreeView> kMessages[] = {
      {WM_LBUTTONDOWN, &TTreeView::WMLButtonDown}, {WM_LBUTTONDBLCLK, &TTreeView::WMLButtonDown},
      {WM_KEYDOWN, &TTreeView::WMKeyDown},         {WM_VSCROLL, &TTreeView::WMVScroll},
      {WM_HSCROLL, &TTreeView::WMHScroll},
      {WM_MOUSEWHEEL, &TTreeView::WMMouseWheel},   {WM_SETFOCUS, &TTreeView::WMFocusChanged},
      {WM_KILLFOCUS, &TTreeView::WMFocusChanged},  {WM_WINDOWPOSCHANGED, &TTreeView::WMWindowPosChanged},
  };
  if (!DispatchMessageMethod(*this, kMessages, m)) TCustomControl::Dispatch(m);
}

void TTreeView::WMLButtonDown(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (CanFocus() && !Focused()) SetFocus();
  int x = GET_X_LPARAM(m.LParam) + fLeft, y = GET_Y_LPARAM(m.LParam);
  TTreeNode* n = GetNodeAt(x, y);
  if (!n) return;
  int level = n->Level() + (ShowRoot ? 1 : 0);
  int buttonX = level * fIndent - fIndent / 2;
  if (n->HasChildren() && (std::abs(x - buttonX) <= 5 || m.Msg == WM_LBUTTONDBLCLK)) {
    n->SetExpanded(!n->fExpanded);
    if (m.Msg == WM_LBUTTONDBLCLK) return;
  }
  if (x >= level * fIndent - (ShowButtons ? 0 : fIndent)) SetSelected(n);
}

void TTreeView::WMKeyDown(TMessage& m) {
  TCustomControl::Dispatch(m);
  const auto& rows = VisibleNodes();
  if (rows.empty()) return;
  auto it = std::find(rows.begin(), rows.end(), fSelected);
  int row = it == rows.end() ? -1 : static_cast<int>(it - rows.begin());
  switch (m.WParam) {
    case VK_UP: SetSelected(rows[std::max(0, row - 1)]); break;
    case VK_DOWN: SetSelected(rows[std::min(static_cast<int>(rows.size()) - 1, row + 1)]); break;
    case VK_HOME: SetSelected(rows.front()); break;
    case VK_END: SetSelected(rows.back()); break;
    case VK_NEXT: SetSelected(rows[std::min(static_cast<int>(rows.size()) - 1, row + VisibleRowCount())]); break;
    case VK_PRIOR: SetSelected(rows[std::max(0, row - VisibleRowCount())]); break;
    case VK_RIGHT:
      if (fSelected && fSelected->HasChildren()) {
        if (!fSelected->fExpanded)
          fSelected->Expand(false);
        else
          SetSelected(fSelected->GetFirstChild());
      }
      break;
    case VK_LEFT:
      if (fSelected) {
        if (fSelected->fExpanded)
          fSelected->Collapse(false);
        else if (fSelected->fParent)
          SetSelected(fSelected->fParent);
      }
      break;
    case VK_ADD:
      if (fSelected) fSelected->Expand(false);
      break;
    case VK_SUBTRACT:
      if (fSelected) fSelected->Collapse(false);
      break;
    case VK_MULTIPLY:
      if (fSelected) fSelected->Expand(true);
      break;
  }
}

void TTreeView::WMVScroll(TMessage& m) {
  fTopRow = std::clamp(fScroller.ScrollPos(m.WParam), 0, fScroller.LastTop());
  UpdateScrollBar();
  Invalidate();
}

void TTreeView::WMHScroll(TMessage& m) {
  const int last = std::max(0, ContentWidth() - ClientWidth());
  fLeft = std::clamp(ScrollMessagePos(this, SB_HORZ, m.WParam, fLeft, 8, std::max(ClientWidth(), 1), last), 0, last);
  UpdateScrollBar();
  Invalidate();
}

void TTreeView::WMMouseWheel(TMessage& m) {
  TCustomControl::Dispatch(m);
  if (m.Result) return;
  fTopRow = std::clamp(fScroller.WheelPos(m.WParam), 0, fScroller.LastTop());
  UpdateScrollBar();
  Invalidate();
  m.Result = 1;
}

void TTreeView::WMFocusChanged(TMessage& m) {
  Invalidate();
  TCustomControl::Dispatch(m);
}

void TTreeView::WMWindowPosChanged(TMessage& m) {
  TCustomControl::Dispatch(m);
  UpdateScrollBar();
}

// ---- TRichEdit ------------------------------------------------------------------------------

TRichEdit::TRichEdit(TComponent* AOwner) : TCustomMemo(AOwner) {
  fHeight = 89;
  fWidth = 185;
}

void TRichEdit::Paint() { TCustomMemo::Paint(); }
