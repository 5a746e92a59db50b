#pragma once
// Status bar with panels, page control with tab sheets, tree view, rich edit (text display).

#include <memory>
#include <vector>

#include "platform/forms/ImgList.h"
#include "platform/forms/StdCtrls.h"

// ---- status bar -----------------------------------------------------------------------------

class TStatusPanel {
public:
  String Text;
  int Width = 50;
  TAlignment Alignment = taLeftJustify;
};

class TStatusBar : public TCustomControl {
  VT_CLASS(TStatusBar, TCustomControl)
public:
  explicit TStatusBar(TComponent* AOwner);
  int PanelCount() const { return static_cast<int>(fPanels.size()); }
  TStatusPanel* Panels(int i) { return &fPanels.at(i); }
  TStatusPanel* AddPanel();
  void ClearPanels();
  bool SimplePanel() const { return fSimplePanel; }
  void SetSimplePanel(bool v);
  const String& SimpleText() const { return fSimpleText; }
  void SetSimpleText(const String& v);
  bool SizeGrip = true;
  // Sets a panel's text and repaints.
  void SetPanelText(int i, const String& text);
  // The rectangle of panel i (client coordinates).
  TRect PanelRect(int i);

protected:
  void Paint() override;

private:
  std::vector<TStatusPanel> fPanels;
  bool fSimplePanel = false;
  String fSimpleText;
};

// ---- page control ---------------------------------------------------------------------------

class TPageControl;

class TTabSheet : public TWinControl {
  VT_CLASS(TTabSheet, TWinControl)
public:
  explicit TTabSheet(TComponent* AOwner);
  ~TTabSheet() override;
  TPageControl* PageControl() const { return fPageControl; }
  void SetPageControl(TPageControl* v);
  int PageIndex() const;
  int TabIndex() const;
  bool TabVisible() const { return fTabVisible; }
  void SetTabVisible(bool v);
  int ImageIndex = -1;
  TNotifyEvent OnShow, OnHide;

private:
  friend class TPageControl;
  TPageControl* fPageControl = nullptr;
  bool fTabVisible = true;
};

using TTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;

class TPageControl : public TCustomControl {
  VT_CLASS(TPageControl, TCustomControl)
public:
  explicit TPageControl(TComponent* AOwner);
  ~TPageControl() override;
  int PageCount() const { return static_cast<int>(fPages.size()); }
  TTabSheet* Pages(int i) const { return fPages.at(i); }
  TTabSheet* ActivePage() const { return fActivePage; }
  // Changes the page without OnChanging/OnChange (as setting the property does).
  void SetActivePage(TTabSheet* p);
  int ActivePageIndex() const;
  void SetActivePageIndex(int i);
  // The next (previous) visible page; OnChanging may refuse.
  void SelectNextPage(bool GoForward);
  bool HotTrack = false;
  int TabHeight = 0;
  TCustomImageList* Images = nullptr;
  TRect TabRect(int i);
  int IndexOfTabAt(int X, int Y);
  TNotifyEvent OnChange;
  TTabChangingEvent OnChanging;
  void Dispatch(TMessage& m) override;

protected:
  void AdjustClientRect(TRect& r) override;
  void Paint() override;
  LRESULT DialogCode() override { return DLGC_WANTARROWS; }
  // A user's change: OnChanging, the change, OnChange.
  bool ChangeByUser(TTabSheet* p);

private:
  friend class TTabSheet;
  void InsertPage(TTabSheet* p);
  void RemovePage(TTabSheet* p);
  int TabRowHeight();
  std::vector<TTabSheet*> fPages;
  TTabSheet* fActivePage = nullptr;
};

// ---- tree view ------------------------------------------------------------------------------

class TTreeView;
class TTreeNodes;

class TTreeNode {
public:
  TTreeNode(TTreeNodes* owner, TTreeNode* parent) : fOwner(owner), fParent(parent) {}
  ~TTreeNode();
  TTreeNode(const TTreeNode&) = delete;
  TTreeNode& operator=(const TTreeNode&) = delete;

  const String& Text() const { return fText; }
  void SetText(const String& v);
  void* Data = nullptr;
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int v);
  int SelectedIndex() const { return fSelectedIndex; }
  void SetSelectedIndex(int v);
  int StateIndex = -1;
  TTreeNode* Parent() const { return fParent; }
  int Count() const { return static_cast<int>(fChildren.size()); }
  TTreeNode* Item(int i) const { return fChildren.at(i); }
  bool HasChildren() const { return !fChildren.empty(); }
  int Index() const;
  int Level() const;
  int AbsoluteIndex() const;
  bool Expanded() const { return fExpanded; }
  void SetExpanded(bool v);
  void Expand(bool Recurse);
  void Collapse(bool Recurse);
  bool Selected() const;
  void SetSelected(bool v);
  bool IsVisible() const;  // every ancestor expanded
  void MakeVisible();
  TTreeNode* GetFirstChild() const { return fChildren.empty() ? nullptr : fChildren.front(); }
  TTreeNode* GetLastChild() const { return fChildren.empty() ? nullptr : fChildren.back(); }
  TTreeNode* GetNextSibling() const;
  TTreeNode* GetPrevSibling() const;
  // Depth-first order over the whole tree.
  TTreeNode* GetNext() const;
  void Delete();
  void DeleteChildren();
  TTreeNodes* Owner() const { return fOwner; }
  TTreeView* TreeView() const;
  // Row rectangle (text only) in the tree's client coordinates; empty when not shown.
  TRect DisplayRect(bool TextOnly);

private:
  friend class TTreeNodes;
  friend class TTreeView;
  TTreeNodes* fOwner;
  TTreeNode* fParent;
  std::vector<TTreeNode*> fChildren;
  String fText;
  int fImageIndex = -1, fSelectedIndex = -1;
  bool fExpanded = false;
};

class TTreeNodes {
public:
  explicit TTreeNodes(TTreeView* owner) : fOwner(owner) {}
  ~TTreeNodes();
  int Count() const { return fCount; }
  // The node at a depth-first position.
  TTreeNode* Item(int i) const;
  TTreeNode* GetFirstNode() const { return fRoots.empty() ? nullptr : fRoots.front(); }
  // Add: a sibling at the end of `sibling`'s level (null: a root). AddChild: the last child.
  TTreeNode* Add(TTreeNode* sibling, const String& text) { return AddObject(sibling, text, nullptr); }
  TTreeNode* AddObject(TTreeNode* sibling, const String& text, void* data);
  TTreeNode* AddChild(TTreeNode* parent, const String& text) { return AddChildObject(parent, text, nullptr); }
  TTreeNode* AddChildObject(TTreeNode* parent, const String& text, void* data);
  TTreeNode* AddChildFirst(TTreeNode* parent, const String& text);
  TTreeNode* Insert(TTreeNode* before, const String& text);
  void Delete(TTreeNode* node);
  void Clear();
  void BeginUpdate();
  void EndUpdate();
  TTreeView* Owner() const { return fOwner; }
  int RootCount() const { return static_cast<int>(fRoots.size()); }
  TTreeNode* Roots(int i) const { return fRoots.at(i); }

private:
  friend class TTreeNode;
  friend class TTreeView;
  std::vector<TTreeNode*>& Siblings(TTreeNode* parent) { return parent ? parent->fChildren : fRoots; }
  void Changed();
  TTreeView* fOwner;
  std::vector<TTreeNode*> fRoots;
  int fCount = 0;
  int fUpdate = 0;
};

using TTVChangedEvent = TEvent<void(TObject* Sender, TTreeNode* Node)>;
using TTVChangingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowChange)>;
using TTVExpandingEvent = TEvent<void(TObject* Sender, TTreeNode* Node, bool& AllowExpansion)>;

// Nodes with images, lines, expand buttons, selection, keyboard and mouse; prints through
// WM_PRINT like any window of this layer.
class TTreeView : public TCustomControl {
  VT_CLASS(TTreeView, TCustomControl)
public:
  explicit TTreeView(TComponent* AOwner);
  ~TTreeView() override;
  TTreeNodes* Items() { return fItems.get(); }
  TTreeNode* Selected() const { return fSelected; }
  void SetSelected(TTreeNode* n);
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* v);
  int Indent() const { return fIndent; }
  void SetIndent(int v);
  bool ReadOnly = true;
  bool ShowLines = true, ShowRoot = true, ShowButtons = true, HideSelection = true, RowSelect = false;
  bool AutoExpand = false;
  TTreeNode* TopItem() const;
  void SetTopItem(TTreeNode* n);
  void FullExpand();
  void FullCollapse();
  TTreeNode* GetNodeAt(int X, int Y);
  int RowHeight();
  // Visible rows (expanded paths), top to bottom.
  const std::vector<TTreeNode*>& VisibleNodes();
  TTVChangedEvent OnChange;
  TTVChangingEvent OnChanging;
  TTVExpandingEvent OnExpanding, OnCollapsing;
  TTVChangedEvent OnExpanded, OnCollapsed, OnDeletion;
  void Dispatch(TMessage& m) override;

protected:
  // Message methods (see TControl::Dispatch).
  void WMLButtonDown(TMessage& m);
  void WMKeyDown(TMessage& m);
  void WMVScroll(TMessage& m);
  void WMHScroll(TMessage& m);
  void WMMouseWheel(TMessage& m);
  void WMFocusChanged(TMessage& m);
  void WMWindowPosChanged(TMessage& m);
  void CreateParams(TCreateParams& p) override;
  void Paint() override;
  LRESULT DialogCode() override { return DLGC_WANTARROWS | DLGC_WANTCHARS; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TTreeNode;
  friend class TTreeNodes;
  void NodesChanged();
  void NodeDeleting(TTreeNode* n);
  bool ExpandNode(TTreeNode* n, bool expand);
  void MakeRowVisible(int row);
  void UpdateScrollBar();
  int VisibleRowCount();
  // The width of the widest visible row (lines, image and text), in pixels.
  int ContentWidth();
  std::unique_ptr<TTreeNodes> fItems;
  TTreeNode* fSelected = nullptr;
  TCustomImageList* fImages = nullptr;
  int fIndent = 19;
  int fTopRow = 0;
  int fLeft = 0;  // pixels scrolled to the left
  TRowScroller fScroller{this, fTopRow, [this] { return static_cast<int>(VisibleNodes().size()); },
                         [this] { return VisibleRowCount(); }};
  std::vector<TTreeNode*> fRows;
  bool fRowsValid = false;
};

// ---- rich edit ------------------------------------------------------------------------------

// A memo that shows text (read-only use); its text reads back as the lines joined by CR LF.
class TRichEdit : public TCustomMemo {
  VT_CLASS(TRichEdit, TCustomMemo)
public:
  explicit TRichEdit(TComponent* AOwner);
  bool PlainText = true;

protected:
  void Paint() override;
};
