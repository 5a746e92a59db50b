// The grid control, its levels, the views' update lock and changes, and the site window.

#include <algorithm>

#include "grid/kcGrid.h"
#include "grid/kcGridDataController.h"
#include "grid/kcGridDetailsSite.h"
#include "platform/forms/Forms.h"

// ---- Site -----------------------------------------------------------------------------------

TkcGridSite::TkcGridSite(TkcCustomGridViewInfo* AViewInfo) : TkcControl(nullptr), fViewInfo(AViewInfo) {
  SetKeys(TkcControlKeys{kArrows, kChars});
  SetParentColor(false);
}

TkcGridSite::~TkcGridSite() {
  // A site freed with its parent window leaves its view without one.
  if (fViewInfo->fSite == this) fViewInfo->fSite = nullptr;
}

void TkcGridSite::Paint() {
  if (IsParked()) return;
  // A paint that comes while the view is laid out (a detail window placed in it) is owed.
  if (fViewInfo->IsCalculating()) {
    fViewInfo->fPaintSkipped = true;
    return;
  }
  // What a drag draws straight onto the site leaves before the paint and comes back after it.
  TkcDragAndDropObject* drag =
      DragAndDropState() == ddsInProcess && HasDragAndDropObject() ? GetDragAndDropObject() : nullptr;
  if (drag) drag->SetDirty(true);
  fViewInfo->Painter()->Paint();
  if (drag) drag->SetDirty(false);
}

void TkcGridSite::SetParent(TWinControl* AParent) {
  if (AParent != Parent()) {
    TWinControl* old = Parent();
    if (AParent) LookAndFeel()->SetMasterLookAndFeel(GridView()->LookAndFeel());
    if (!AParent && old && GridView()->IsFocused() && !old->ComponentState().Contains(csDestroying) && old->CanFocus())
      old->SetFocus();
  }
  TkcControl::SetParent(AParent);
}

void TkcGridSite::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  bool sized = AWidth != Width() || AHeight != Height();
  TkcControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (sized) {
    TRect r = ClientRect();
    fClientWidth = r.right - r.left;
    fClientHeight = r.bottom - r.top;
  }
}

void TkcGridSite::WndProc(TMessage& Message) {
  TkcGridLinkScope link(this);
  Controller()->WndProc(Message);
  if (!link.Alive()) return;
  if ((Message.Msg == CN_KEYDOWN || Message.Msg == CN_SYSKEYDOWN || Message.Msg == CN_SYSCHAR) && GridView()->Grid() &&
      GridView()->Grid()->SendNotification(5, &Message))
    return;
  TkcControl::WndProc(Message);
}

void TkcGridSite::BoundsChanged() {
  if (!HandleAllocated()) return TkcControl::BoundsChanged();
  TRect r = ClientRect();
  int w = r.right - r.left, h = r.bottom - r.top;
  bool had = fClientWidth >= 0;
  bool changed = w != fClientWidth || h != fClientHeight;
  fClientWidth = w;
  fClientHeight = h;
  if (!fViewInfo->IsUpdatingSite() && had && changed) {
    bool allowed = true;
    for (TkcCustomGridView* v = GridView(); v; v = v->MasterGridView())
      allowed = allowed && v->ViewInfo()->IsCalculationAllowed();
    if (allowed) {
      GridView()->SiteSizeChanged(true, false);
    } else if (!fSizeTimer) {
      fSizeTimer = std::make_unique<TkcTimer>(nullptr);
      fSizeTimer->SetInterval(1);
      fSizeTimer->SetOnTimer([this](TObject* Sender) { DeferredSizeTimer(Sender); });
      fSizeTimer->SetEnabled(true);
    }
  }
  TkcControl::BoundsChanged();
}

void TkcGridSite::DeferredSizeTimer(TObject*) {
  fSizeTimer.reset();
  GridView()->SiteSizeChanged(false, false);
}

bool TkcGridSite::CanFocusOnClickAt(int X, int Y) {
  return TkcControl::CanFocusOnClickAt(X, Y) && Controller()->AllowsMouseAt(X, Y);
}
bool TkcGridSite::MayFocus() { return TkcControl::MayFocus() && Controller()->CanFocusView(); }
bool TkcGridSite::IsFocused() { return TkcControl::IsFocused() || Controller()->HasFocusedControls(); }

void TkcGridSite::FocusChanged() {
  TkcGridLinkScope link(this);
  TkcControl::FocusChanged();
  if (!link.Alive()) return;
  if (Focused()) GridView()->SetFocused(true);
  if (link.Alive() && GridView()->Grid()) GridView()->Grid()->ControlFocusChanged(GridView()->IsControlFocused());
}

void TkcGridSite::DoCancelMode() {
  TkcControl::DoCancelMode();
  Controller()->CancelMouseOperations();
}

TCursor TkcGridSite::GetCurrentCursor(int X, int Y) {
  TCursor c = Controller()->GetCursor(X, Y);
  return c != crDefault ? c : TkcControl::GetCurrentCursor(X, Y);
}

int TkcGridSite::GetMouseWheelScrollingKind() { return Controller()->GetMouseWheelScrollingKind(); }
void TkcGridSite::InitScrollBarsParameters() { Controller()->InitScrollBarsParameters(); }
void TkcGridSite::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) {
  Controller()->Scroll(AKind, ACode, APos);
}
bool TkcGridSite::IsPixelScrollBar(TScrollBarKind AKind) { return Controller()->IsPixelScrollBar(AKind); }

void TkcGridSite::UpdateScrollBars() {
  if (fViewInfo->IsCalculating() || !GridView()->IsVisible()) return;
  TkcControl::UpdateScrollBars();
}

TRect TkcGridSite::GetHScrollBarBounds() {
  TRect r = TkcControl::GetHScrollBarBounds();
  r.left += std::min<LONG>(fViewInfo->NavigatorSiteWidth(r.bottom - r.top), r.right - r.left);
  return r;
}

void TkcGridSite::BeforeMouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  TkcGridLinkScope link(this);
  TkcControl::BeforeMouseDown(AButton, AShift, X, Y);
  if (link.Alive() && HandleAllocated()) Controller()->MouseDown(AButton, AShift, X, Y);
}

bool TkcGridSite::StartDragAndDrop(const TPoint& P) {
  TkcCustomGridHitTest* hit = fViewInfo->GetHitTest(P);
  TkcDragAndDropObjectClass objectClass = hit ? hit->DragAndDropObjectClass() : TkcDragAndDropObjectClass{};
  if (!objectClass) return false;
  FinishDragAndDrop(false);
  DragAndDropObjectClass = objectClass;
  if (auto* object = dynamic_cast<TkcCustomGridDragAndDropObject*>(GetDragAndDropObject())) object->Init(P, hit);
  return true;
}

void TkcGridSite::TakeOverDrag(TkcDragAndDropObjectClass AClass, const TPoint& P, TkcCustomGridHitTest* AHitTest) {
  FinishDragAndDrop(false);
  DragAndDropObjectClass = AClass;
  if (auto* object = dynamic_cast<TkcCustomGridDragAndDropObject*>(GetDragAndDropObject())) object->Init(P, AHitTest);
  BeginDragAndDrop();
  bool accepted = false;
  DragAndDrop(P, accepted);
}

TkcGridSite* TkcCustomGridDragAndDropObject::Site() const { return static_cast<TkcGridSite*>(Control()); }
TkcCustomGridViewInfo* TkcCustomGridDragAndDropObject::ViewInfo() const { return Site()->ViewInfo(); }
TkcCustomGridController* TkcCustomGridDragAndDropObject::Controller() const { return Site()->Controller(); }

void TkcCustomGridDragAndDropObject::AfterDragAndDrop(bool Accepted) {
  if (Accepted) Site()->Invalidate();
}

void TkcGridSite::MouseMove(TShiftState Shift, int X, int Y) {
  TkcGridLinkScope link(this);
  TkcControl::MouseMove(Shift, X, Y);
  if (link.Alive() && DragAndDropState() == ddsNone) Controller()->MouseMove(Shift, X, Y);
}

void TkcGridSite::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcGridLinkScope link(this);
  // A press that never became a drag is an ordinary click for the controller.
  if (DragAndDropState() == ddsInProcess) {
    TkcControl::MouseUp(Button, Shift, X, Y);
    if (link.Alive()) Controller()->MouseUp(Button, Shift, X, Y);
  } else {
    Controller()->MouseUp(Button, Shift, X, Y);
    if (link.Alive()) TkcControl::MouseUp(Button, Shift, X, Y);
  }
}

void TkcGridSite::MouseLeave(TControl* AControl) {
  TkcControl::MouseLeave(AControl);
  Controller()->CancelHint();
}

void TkcGridSite::KeyDown(WORD& Key, TShiftState Shift) {
  TkcControl::KeyDown(Key, Shift);
  Controller()->KeyDown(Key, Shift);
}

void TkcGridSite::KeyPress(char32_t& Key) {
  TkcControl::KeyPress(Key);
  Controller()->KeyPress(Key);
}

void TkcGridSite::KeyUp(WORD& Key, TShiftState Shift) {
  TkcControl::KeyUp(Key, Shift);
  Controller()->KeyUp(Key, Shift);
}

void TkcGridSite::DoEnter() {
  TkcControl::DoEnter();
  Controller()->FocusEntered();
}

void TkcGridSite::DoExit() {
  Controller()->FocusLost();
  TkcControl::DoExit();
}

// ---- View -----------------------------------------------------------------------------------

TkcCustomGridView::TkcCustomGridView(TComponent* AOwner)
    : TkcComponent(AOwner), fLookAndFeel(std::make_unique<TkcLookAndFeel>(this)) {}

TkcCustomGridView::~TkcCustomGridView() {
  Detach();
  // Clones outlive their pattern (their master's data controller owns them).
  for (TkcCustomGridView* clone : fClones) clone->fPatternView = nullptr;
  fClones.clear();
  if (fPatternView) std::erase(fPatternView->fClones, this);
  fPatternView = nullptr;
  if (fViewInfo) fViewInfo->BeforeDestruction();
  fViewInfo.reset();
  fViewInfoCache.reset();
  fPainter.reset();
  fController.reset();
  fViewData.reset();
}

void TkcCustomGridView::Detach() {
  if (fLevel && fLevel->GridView() == this) fLevel->SetGridView(nullptr);
  SetGrid(nullptr);
}

void TkcCustomGridView::Init() {
  fViewData.reset(CreateViewData());
  fController.reset(CreateController());
  fPainter.reset(CreatePainter());
  fViewInfoCache.reset(CreateViewInfoCache());
  fViewInfo.reset(CreateViewInfo());
  fViewInfo->Init();
}

void TkcCustomGridView::DataChanged() {
  if (fViewData) {
    int count = fViewData->GetRecordCount();
    if (fViewInfoCache) fViewInfoCache->SetCount(count);
    fViewData->Refresh(count);
  }
  SizeChanged();
}

void TkcCustomGridView::BeforeDestruction() {
  TkcComponent::BeforeDestruction();
  if (fGrid) fGrid->RemoveViewChanges(this);
}

void TkcCustomGridView::SetGrid(TkcCustomGrid* Value) {
  if (fGrid == Value) return;
  if (fGrid) {
    fGrid->ViewRemoved(this);
    if (Site() && Site()->Parent() == fGrid) Site()->SetParent(nullptr);
  }
  fGrid = Value;
  if (fGrid) fGrid->ViewAdded(this);
}

bool TkcCustomGridView::HasVisibleDetails() const { return fLevel && fLevel->VisibleCount() > 0; }

TkcCustomGridView* TkcCustomGridView::CreateClone(TkcCustomGridView* AMaster, TkcCustomDataRelation* ARelation,
                                                  int AMasterRecordIndex) {
  std::unique_ptr<TkcCustomGridView> clone(NewCloneView());
  if (!clone || !clone->GetDataController()) return nullptr;
  clone->fPatternView = this;
  clone->SetMasterGridView(AMaster, false);
  clone->AssignPattern(this);
  TkcCustomDataController* dc = clone->GetDataController();
  if (TkcCustomDataController* patternDC = GetDataController(); patternDC && patternDC->HasRelations())
    dc->GetRelations()->Assign(patternDC->GetRelations());
  dc->SetMasterRelationAndRecord(ARelation, AMasterRecordIndex);
  clone->ConnectPatternData(this);
  clone->SetLevel(fLevel);
  clone->SetGrid(AMaster ? AMaster->Grid() : fGrid);
  fClones.push_back(clone.get());
  return clone.release();
}

bool TkcCustomGridView::HasAsMaster(TkcCustomGridView* AView) const {
  for (TkcCustomGridView* v = fMasterGridView; v; v = v->fMasterGridView)
    if (v == AView) return true;
  return false;
}

TkcLookAndFeelPainterClass TkcCustomGridView::LookAndFeelPainter() const { return fLookAndFeel->Painter(); }

TFont* TkcCustomGridView::Font() const {
  if (fGrid) return fGrid->Font();
  return Site() ? Site()->Font() : nullptr;
}

void TkcCustomGridView::SetBackgroundColor(TColor Value) {
  if (fBackgroundColor == Value) return;
  fBackgroundColor = Value;
  Changed(vckProperty);
}

bool TkcCustomGridView::IsVisible() {
  if (!fGrid || IsDestroying()) return false;
  if (fMasterGridView) return fMasterGridView->IsDetailVisible(this) && fMasterGridView->IsVisible();
  return fGrid->ActiveView() == this && fGrid->HandleAllocated();
}

void TkcCustomGridView::BeginUpdate() {
  ++fLockCount;
  if (fGrid) fGrid->BeginUpdate();
}

void TkcCustomGridView::EndUpdate() {
  if (fLockCount == 0) return;
  if (--fLockCount == 0 && fChangePending) {
    fChangePending = false;
    fChangingAtUnlock = true;
    try {
      DoChanged();
    } catch (...) {
      fChangingAtUnlock = false;
      if (fGrid) fGrid->EndUpdate();
      throw;
    }
    fChangingAtUnlock = false;
  }
  if (fGrid) fGrid->EndUpdate();
}

void TkcCustomGridView::Changed(TkcCustomGridChange* AChange) {
  if (!fGrid) {
    std::unique_ptr<TkcCustomGridChange> owned(AChange);
    owned->Grid = nullptr;
    owned->Execute();
    return;
  }
  fGrid->AddChange(AChange);
}

void TkcCustomGridView::Changed(TkcGridViewChangeKind AKind) {
  fChangedKind = std::max(fChangedKind, AKind);
  if (fLockCount > 0) {
    fChangePending = true;
    return;
  }
  DoChanged();
}

void TkcCustomGridView::DoChanged() {
  TkcGridViewChangeKind kind = fChangedKind;
  fChangedKind = vckProperty;
  switch (kind) {
    case vckSize: SizeChanged(); break;
    case vckLayout: LayoutChanged(); break;
    default: ViewChanged(); break;
  }
}

void TkcCustomGridView::LayoutChanged() { Changed(new TkcGridLayoutChange(this)); }
void TkcCustomGridView::SizeChanged(bool AUpdateGridViewOnly, bool AKeepMaster) {
  Changed(new TkcGridSizeChange(this, AUpdateGridViewOnly, AKeepMaster));
}
void TkcCustomGridView::ViewChanged() { Changed(new TkcGridViewChange(this)); }
void TkcCustomGridView::ViewChanged(const TRect& R) { Changed(new TkcGridViewChange(this, R)); }
void TkcCustomGridView::ViewChanged(TkcRegion* ARegion) { Changed(new TkcGridViewChange(this, ARegion)); }

void TkcCustomGridView::SiteSizeChanged(bool AImmediately, bool AKeepMaster) {
  if (AImmediately && fViewInfo->IsCalculationAllowed() && Site()) {
    if (fViewInfoCache) fViewInfoCache->UnassignValues(AKeepMaster);
    fViewInfo->Recalculate();
    fPainter->Invalidate();
  } else {
    SizeChanged(true, AKeepMaster);
  }
}

bool TkcCustomGridView::IsFocused() const { return fGrid && fGrid->FocusedView() == this; }

void TkcCustomGridView::SetFocused(bool Value) {
  if (!fGrid) return;
  if (Value)
    fGrid->SetFocusedView(this);
  else if (IsFocused())
    fGrid->SetFocusedView(nullptr);
}

bool TkcCustomGridView::IsControlFocused() const { return fGrid && fGrid->Focused(); }

// ---- Levels ---------------------------------------------------------------------------------

TkcGridLevel::TkcGridLevel(TComponent* AOwner) : TkcComponent(AOwner) {}

TkcGridLevel::~TkcGridLevel() {
  // The master's detail views of this level go with its relation, before the level does.
  if (fParent) fParent->RemoveDataRelation(this);
  for (TkcGridLevel* child : fItems) {
    RemoveDataRelation(child);
    child->fParent = nullptr;
    delete child;
  }
  if (fGridView) {
    if (TkcCustomDataController* dc = fGridView->GetDataController(); dc && fDataRelation)
      dc->SetMasterRelation(nullptr, true);
    fGridView->SetLevel(nullptr);
  }
  if (fParent) std::erase(fParent->fItems, this);
  if (fControl && fControl->ActiveLevel() == this) fControl->LevelRemoved(this);
}

int TkcGridLevel::Index() const {
  if (!fParent) return -1;
  auto it = std::find(fParent->fItems.begin(), fParent->fItems.end(), this);
  return static_cast<int>(it - fParent->fItems.begin());
}

int TkcGridLevel::Level() const {
  int depth = -1;
  for (const TkcGridLevel* p = fParent; p; p = p->fParent) ++depth;
  return depth;
}

TkcGridLevel* TkcGridLevel::Add() {
  auto* level = new TkcGridLevel(nullptr);
  level->fParent = this;
  level->fControl = fControl;
  fItems.push_back(level);
  CreateDataRelation(level);
  if (fControl && IsRoot() && !fControl->ActiveLevel()) fControl->SetActiveLevel(level);
  Changed();
  return level;
}

void TkcGridLevel::CreateDataRelation(TkcGridLevel* AChild) {
  if (IsRoot() || !fGridView || AChild->fDataRelation) return;
  TkcCustomDataController* dc = fGridView->GetDataController();
  if (!dc) return;
  AChild->fDataRelation = dc->GetRelations()->Add(AChild);
  AChild->SetDataRelation();
}

void TkcGridLevel::RemoveDataRelation(TkcGridLevel* AChild) {
  TkcCustomDataRelation* relation = AChild->fDataRelation;
  if (!relation) return;
  AChild->fDataRelation = nullptr;
  // The master's detail views go first, while nothing is laid out: a relation taken away
  // tells each of them, and a relayout between would make them again.
  if (fControl) fControl->BeginUpdate();
  try {
    if (TkcCustomDataController* dc = relation->GetDataController()) dc->DiscardAllDetails();
    delete relation;
  } catch (...) {
    if (fControl) fControl->EndUpdate();
    throw;
  }
  if (fControl) fControl->EndUpdate();
}

void TkcGridLevel::SetDataRelation() {
  // A top level's view is no detail of anything.
  if (!fGridView || !fParent || fParent->IsRoot()) return;
  if (TkcCustomDataController* dc = fGridView->GetDataController())
    dc->SetMasterRelation(fVisible ? fDataRelation : nullptr, true);
}

TkcCustomGridView* TkcGridLevel::CreateDetailView(TkcCustomDataRelation* ARelation, int AMasterRecordIndex) {
  if (!fGridView || !fVisible || !fControl) return nullptr;
  TkcCustomGridView* master = nullptr;
  if (auto* link = dynamic_cast<IkcGridDataControllerViewLink*>(ARelation->GetDataController()))
    master = link->GetGridView();
  return fGridView->CreateClone(master, ARelation, AMasterRecordIndex);
}

void TkcGridLevel::SetGridView(TkcCustomGridView* Value) {
  if (fGridView == Value) return;
  // Unbound first, so the relayout its leaving causes no longer finds it.
  TkcCustomGridView* old = fGridView;
  if (old) {
    for (TkcGridLevel* child : fItems) RemoveDataRelation(child);
    if (TkcCustomDataController* dc = old->GetDataController(); dc && fDataRelation)
      dc->SetMasterRelation(nullptr, true);
  }
  fGridView = Value;
  if (old) {
    old->SetLevel(nullptr);
    old->SetGrid(nullptr);
    old->fIsPattern = false;
  }
  if (Value) {
    if (Value->Level()) Value->Level()->SetGridView(nullptr);
    Value->SetLevel(this);
    Value->SetGrid(fControl);
    // A view below a top level is only a pattern: its records are shown by its clones.
    Value->fIsPattern = fParent && !fParent->IsRoot();
    SetDataRelation();
    for (TkcGridLevel* child : fItems) CreateDataRelation(child);
  }
  Changed();
}

void TkcGridLevel::SetCaption(const String& Value) {
  if (fCaption == Value) return;
  fCaption = Value;
  Changed();
}

void TkcGridLevel::SetVisible(bool Value) {
  if (fVisible == Value) return;
  fVisible = Value;
  SetDataRelation();
  Changed();
}

void TkcGridLevel::SetMaxDetailHeight(int Value) {
  fMaxDetailHeight = std::max(0, Value);
  Changed();
}

int TkcGridLevel::CheckHeight(int Value) const {
  if (Value < 0) return 0;
  return fMaxDetailHeight != 0 && Value > fMaxDetailHeight ? fMaxDetailHeight : Value;
}

void TkcGridLevel::SetDetailFrameWidth(int Value) {
  fDetailFrameWidth = std::max(0, Value);
  Changed();
}

void TkcGridLevel::SetDetailFrameColor(TColor Value) {
  if (fDetailFrameColor == Value) return;
  fDetailFrameColor = Value;
  if (fControl) fControl->Invalidate();
}

TColor TkcGridLevel::GetEffectiveDetailFrameColor() const {
  if (fDetailFrameColor != clDefault) return fDetailFrameColor;
  return fControl ? fControl->LookAndFeel()->Painter()->GetDetailFrameDefaultColor() : clBtnText;
}

void TkcGridLevel::SetDetailTabsPosition(TkcGridDetailTabsPosition Value) {
  if (fDetailTabsPosition == Value) return;
  fDetailTabsPosition = Value;
  Changed();
}

int TkcGridLevel::VisibleCount() const {
  return static_cast<int>(std::count_if(fItems.begin(), fItems.end(), [](TkcGridLevel* l) { return l->Visible(); }));
}

TkcGridLevel* TkcGridLevel::VisibleItems(int AIndex) const {
  for (TkcGridLevel* l : fItems)
    if (l->Visible() && AIndex-- == 0) return l;
  return nullptr;
}

void TkcGridLevel::Changed() {
  if (fControl) fControl->SizeChanged();
}

// ---- Grid -----------------------------------------------------------------------------------

TkcCustomGrid::TkcCustomGrid(TComponent* AOwner)
    : TkcControl(AOwner), fRootLevel(std::make_unique<TkcGridLevel>(nullptr)) {
  RegisterGridCursors();
  fRootLevel->fControl = this;
  fRootLevel->fDetailFrameWidth = 0;
  SetBounds(0, 0, 250, 200);
  SetTabStop(true);
  SetScrollBars(ssNone);
}

TkcCustomGrid::~TkcCustomGrid() {
  fChanges.clear();
  fDetailsSite.reset();
  // The views' sites belong to their views, not to this window.
  for (TkcCustomGridView* view : fViews)
    if (TkcGridSite* site = view->Site(); site && site->Parent() == this) site->SetParent(nullptr);
  fRootLevel.reset();
  for (TkcCustomGridView* view : std::vector<TkcCustomGridView*>(fViews)) view->SetGrid(nullptr);
}

void TkcCustomGrid::BeforeDestruction() {
  fChanges.clear();
  TkcControl::BeforeDestruction();
}

void TkcCustomGrid::SetActiveLevel(TkcGridLevel* Value) {
  if (fActiveLevel == Value) return;
  fActiveLevel = Value;
  if (OnActiveTabChanged) OnActiveTabChanged(this);
  SizeChanged();
}

TkcCustomGridView* TkcCustomGrid::ActiveView() const { return fActiveLevel ? fActiveLevel->GridView() : nullptr; }

void TkcCustomGrid::SetFocusedView(TkcCustomGridView* Value) {
  if (fFocusedView == Value) return;
  TkcCustomGridView* old = fFocusedView;
  fFocusedView = Value;
  if (old) old->ViewChanged();
  if (Value) Value->ViewChanged();
  // The masters of a focused detail view follow it, outermost last.
  for (TkcCustomGridView* detail = Value; detail && detail->MasterGridView(); detail = detail->MasterGridView())
    detail->MasterGridView()->Controller()->DetailFocused(detail);
}

void TkcCustomGridController::DetailFocused(TkcCustomGridView* ADetail) {
  TkcCustomDataController* dc = GridView()->GetDataController();
  TkcCustomDataController* detail = ADetail->GetDataController();
  if (!dc || !detail) return;
  int record = detail->GetMasterRecordIndex();
  if (record >= 0 && record < dc->GetRecordCount() && dc->GetFocusedRecordIndex() != record) dc->FocusRecord(record);
}

void TkcCustomGrid::ViewAdded(TkcCustomGridView* AView) {
  if (std::find(fViews.begin(), fViews.end(), AView) == fViews.end()) fViews.push_back(AView);
  SizeChanged();
}

void TkcCustomGrid::ViewRemoved(TkcCustomGridView* AView) {
  RemoveViewChanges(AView);
  std::erase(fViews, AView);
  if (fFocusedView == AView) fFocusedView = nullptr;
  if (!ComponentState().Contains(csDestroying)) SizeChanged();
}

void TkcCustomGrid::EndUpdate() {
  if (fLockCount == 0) return;
  if (--fLockCount == 0) ProcessChanges();
}

void TkcCustomGrid::CancelUpdate() {
  if (fLockCount == 0) return;
  if (--fLockCount == 0) fChanges.clear();
}

void TkcCustomGrid::AddChange(TkcCustomGridChange* AChange) {
  if (AChange->CanPostpone() && fLockCount > 0)
    fChanges.emplace_back(AChange);
  else
    ExecuteChange(AChange);
}

void TkcCustomGrid::ExecuteChange(TkcCustomGridChange* AChange) {
  std::unique_ptr<TkcCustomGridChange> owned(AChange);
  if (ComponentState().Contains(csDestroying)) return;
  owned->Grid = this;
  owned->Execute();
}

void TkcCustomGrid::RemoveViewChanges(TkcCustomGridView* AView) {
  auto ofView = [AView](const std::unique_ptr<TkcCustomGridChange>& c) {
    auto* vc = dynamic_cast<TkcCustomGridViewChange*>(c.get());
    return vc && vc->View() == AView;
  };
  std::erase_if(fChanges, ofView);
  // A view freed by a change being run (a detail view with its master record) takes the rest
  // of its changes of that run too.
  if (fProcessing)
    for (auto& change : *fProcessing)
      if (change && ofView(change)) change.reset();
}

void TkcCustomGrid::ProcessChanges() {
  std::vector<std::unique_ptr<TkcCustomGridChange>> pending;
  pending.swap(fChanges);
  // Equal repeats are dropped; candidates are found by key, so a long queue merges in linear time.
  std::vector<std::unique_ptr<TkcCustomGridChange>> list;
  std::unordered_multimap<std::size_t, TkcCustomGridChange*> seen;
  for (auto& change : pending) {
    bool dropped = false;
    if (change->CanBeDropped()) {
      auto [from, to] = seen.equal_range(change->MatchKey());
      for (auto it = from; it != to && !dropped; ++it) dropped = it->second->Matches(change.get());
    }
    if (dropped) continue;
    seen.emplace(change->MatchKey(), change.get());
    list.push_back(std::move(change));
  }
  // Changes another pending change makes redundant: forward, then backward.
  for (size_t i = 0; i < list.size();) {
    bool superseded = false;
    for (size_t j = i + 1; j < list.size() && !superseded; ++j) superseded = list[i]->IsSupersededBy(list[j].get());
    if (superseded)
      list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
    else
      ++i;
  }
  for (size_t i = list.size(); i-- > 0;) {
    for (size_t j = i; j-- > 0;) {
      if (list[i]->IsSupersededBy(list[j].get())) {
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        break;
      }
    }
  }
  bool several = list.size() > 1;
  if (several) BeginUpdate();
  auto* outer = fProcessing;
  fProcessing = &list;
  try {
    for (auto& change : list)
      if (change) ExecuteChange(change.release());
  } catch (...) {
    fProcessing = outer;
    if (several) EndUpdate();
    throw;
  }
  fProcessing = outer;
  if (several) EndUpdate();
}

void TkcCustomGrid::LayoutChanged() { AddChange(new TkcGridLayoutChange(nullptr)); }
void TkcCustomGrid::SizeChanged() { AddChange(new TkcGridSizeChange(nullptr)); }

void TkcCustomGrid::Calculate() {
  // Views leaving a grid that is being destroyed ask for a layout after its levels are gone.
  if (!fRootLevel) return;
  TkcCustomGridView* active = ActiveView();
  for (TkcCustomGridView* view : fViews)
    if (view != active && !view->MasterGridView() && view->ViewInfo()) view->ViewInfo()->UpdateSite(false);
  fDetailsSite = std::make_unique<TkcGridTopDetailsSiteViewInfo>(this);
  fDetailsSite->Init();
  fDetailsSite->Calculate(0, 0);
  Invalidate();
}

void TkcCustomGrid::InvalidateAll(bool AInvalidateSites) {
  Invalidate();
  if (!AInvalidateSites) return;
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* site = dynamic_cast<TkcGridSite*>(Controls(i)); site && site->HandleAllocated()) site->Invalidate();
}

void TkcCustomGrid::BoundsChanged() {
  TkcControl::BoundsChanged();
  if (HandleAllocated()) SizeChanged();
}

void TkcCustomGrid::Paint() {
  TkcControl::Paint();
  if (!ActiveView()) Canvas()->FillRect(GetClientBounds(), clBtnFace);
  if (fDetailsSite) fDetailsSite->Paint(Canvas());
}

void TkcCustomGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseDown(Button, Shift, X, Y);
  if (!fDetailsSite) return;
  if (auto* tab = dynamic_cast<TkcGridDetailsSiteTabHitTest*>(fDetailsSite->GetHitTest(TPoint{X, Y})))
    if (tab->ViewInfo()) tab->ViewInfo()->MouseDown(tab, Button, Shift);
}

void TkcCustomGrid::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR && fDetailsSite && fDetailsSite->TabsViewInfo() &&
      fDetailsSite->TabsViewInfo()->ProcessDialogChar(char32_t(Message.WParam))) {
    Message.Result = 1;
    return;
  }
  TkcControl::Dispatch(Message);
}

void TkcCustomGrid::FocusChanged() {
  TkcControl::FocusChanged();
  ControlFocusChanged(Focused());
}

void TkcCustomGrid::ControlFocusChanged(bool) {
  if (fFocusedView) AddChange(new TkcGridControlFocusChange(fFocusedView));
  // Detail views shown in master rows draw their selection in the colours of the grid's focus
  // too.
  for (TkcCustomGridView* view : std::vector<TkcCustomGridView*>(fViews))
    if (view != fFocusedView && view->IsDetail() && view->IsVisible()) AddChange(new TkcGridControlFocusChange(view));
}

TkcCustomGridHitTest* TkcCustomGrid::GetHitTest(const TPoint& P) {
  if (fDetailsSite && fDetailsSite->TabsViewInfo())
    if (TkcCustomGridHitTest* hit = fDetailsSite->TabsViewInfo()->GetHitTest(P)) return hit;
  TkcCustomGridView* view = ActiveView();
  if (view && view->Site() && view->Site()->Parent() == this && !view->Site()->IsParked()) {
    TRect r = view->Site()->BoundsRect();
    if (PtInRect(&r, P)) return view->ViewInfo()->GetHitTest(TPoint{P.x - r.left, P.y - r.top});
  }
  return GetGridHitTest<TkcGridNoneHitTest>(P);
}

// ---- Drag opening ---------------------------------------------------------------------------

TkcCustomGridDragOpenInfo* TkcGridDetailsSiteTabHitTest::CreateDragOpenInfo() {
  if (!Level) return nullptr;
  if (MasterView) return MasterView->CreateDetailTabDragOpenInfo(Level, MasterRowIndex);
  return new TkcGridDragOpenInfoTab(Level);
}

void TkcGridDragOpenInfoTab::Run() {
  if (Level->Control()) Level->Control()->SetActiveLevel(Level);
}

void TkcCustomGridController::DragOver(TObject*, int X, int Y, TDragState AState, bool&) {
  TkcCustomGrid* grid = Grid();
  if (!grid) return;
  TkcCustomGridHitTest* hit = AState != dsDragLeave && grid->DragOpening() ? ViewInfo()->GetHitTest(TPoint{X, Y}) : nullptr;
  if (TkcCustomGridDragOpenInfo* info = hit ? hit->CreateDragOpenInfo() : nullptr)
    grid->StartDragOpen(info);
  else
    grid->StopDragOpen();
}

void TkcGridSite::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TkcControl::DragOver(Source, X, Y, State, Accept);
  Controller()->DragOver(Source, X, Y, State, Accept);
}

void TkcGridSite::DragDrop(TObject* Source, int X, int Y) {
  if (TkcCustomGrid* grid = GridView()->Grid()) grid->StopDragOpen();
  TkcControl::DragDrop(Source, X, Y);
}

void TkcCustomGrid::DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) {
  TkcControl::DragOver(Source, X, Y, State, Accept);
  TkcCustomGridHitTest* hit = State != dsDragLeave && fDragOpening ? GetHitTest(TPoint{X, Y}) : nullptr;
  if (TkcCustomGridDragOpenInfo* info = hit ? hit->CreateDragOpenInfo() : nullptr)
    StartDragOpen(info);
  else
    StopDragOpen();
}

void TkcCustomGrid::DragDrop(TObject* Source, int X, int Y) {
  StopDragOpen();
  TkcControl::DragDrop(Source, X, Y);
}

void TkcCustomGrid::StartDragOpen(TkcCustomGridDragOpenInfo* AInfo) {
  std::unique_ptr<TkcCustomGridDragOpenInfo> info(AInfo);
  if (fDragOpenInfo && fDragOpenInfo->Equals(info.get())) return;
  fDragOpenInfo = std::move(info);
  if (!fDragOpenTimer) {
    fDragOpenTimer = std::make_unique<TkcTimer>(nullptr);
    fDragOpenTimer->SetOnTimer(TNotifyEvent([this](TObject* S) { DragOpenTimer(S); }));
  }
  fDragOpenTimer->SetEnabled(false);
  fDragOpenTimer->SetInterval(static_cast<UINT>(fDragOpeningWaitTime));
  fDragOpenTimer->SetEnabled(true);
}

void TkcCustomGrid::StopDragOpen() {
  // The timer stays (it may be the one whose tick is running); only its wait ends.
  if (fDragOpenTimer) fDragOpenTimer->SetEnabled(false);
  fDragOpenInfo.reset();
}

void TkcCustomGrid::DragOpenTimer(TObject*) {
  // Taken before it runs: what it opens may start another wait.
  std::unique_ptr<TkcCustomGridDragOpenInfo> info = std::move(fDragOpenInfo);
  StopDragOpen();
  if (info) info->Run();
}
