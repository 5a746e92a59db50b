// Tabs, the tab list and the visible tab list.
#include <algorithm>

#include "controls/kcLocalize.h"
#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"

namespace {
[[noreturn]] void TabsError(const char* AClass, const char* AOperation, const String& AText) {
  throw Exception(String(AClass) + "." + AOperation + ": " + AText);
}
String BetweenText(int AIndex, int ALast) {
  return Format(LocalizeText("TabVisibleIndex (%d) must be between 0 and %d"), {AIndex, ALast});
}
}  // namespace

// ---- TkcTab ---------------------------------------------------------------------------------

TkcTab::TkcTab(TkcTabs* ATabs, int AIndex) : fImageIndex(AIndex), fIndex(AIndex), fTabs(ATabs) {}

TkcTab::~TkcTab() {
  bool hadFocus = IsFocused();
  fTabs->TabDestroying(fIndex);
  if (hadFocus) TabControl()->FocusedTabVisibleIndex = -1;
}

void TkcTab::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TkcTab*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetCaption(src->Caption());
  SetEnabled(src->Enabled());
  SetHighlighted(src->Highlighted());
  SetImageIndex(src->ImageIndex());
  fObject = src->Object();
  SetVisible(src->Visible());
  SetSelected(src->Selected());
}

TkcCustomTabControl* TkcTab::TabControl() const { return fTabs->Parent(); }
int TkcTab::VisibleIndex() const { return fVisible ? TabControl()->VisibleTabs()->IndexOf(fIndex) : -1; }
bool TkcTab::IsMainTab() const {
  int v = VisibleIndex();
  return v != -1 && v == TabControl()->MainTabVisibleIndex;
}
bool TkcTab::IsHotTrack() const {
  int v = VisibleIndex();
  return v != -1 && v == TabControl()->HotTrackTabVisibleIndex;
}
bool TkcTab::IsPressed() const {
  int v = VisibleIndex();
  return v != -1 && v == TabControl()->PressedTabVisibleIndex;
}
bool TkcTab::IsFocused() const {
  int v = VisibleIndex();
  return v != -1 && v == TabControl()->FocusedTabVisibleIndex;
}
bool TkcTab::RealEnabled() const { return TabControl()->Enabled() && fEnabled; }
bool TkcTab::RealVisible() const {
  TRect r = const_cast<TkcTab*>(this)->GetDisplayRect();
  return r.right > r.left && r.bottom > r.top;
}
int TkcTab::NormalLength() const { return TabControl()->Rotate() ? fTabs->NormalTabHeight : NormalWidth; }
int TkcTab::ImageIndex() const { return TabControl()->GetImageIndex(fIndex); }

void TkcTab::Changed(TkcTabChangeKind AKind) { fTabs->Changed(VisibleIndex(), AKind); }

void TkcTab::ImagesChanged() {
  if (fImageIndex != -1 && RealVisible()) Changed(tckContent);
}

void TkcTab::SetCaption(const String& Value) {
  if (fCaption == Value) return;
  if (!fVisible) {
    fCaption = Value;
    return;
  }
  TkcCustomTabControl* c = TabControl();
  bool wasShown = RealVisible();
  int oldWidth = NormalWidth;
  int oldRotated = c->RotatedTextWidth;
  fCaption = Value;
  bool layoutChanged;
  if (c->Painter() && !c->IsLoading()) NormalWidth = c->Painter()->CalculateTabNormalWidth(this);
  if (c->Rotate()) {
    // The widest caption decides the line thickness.
    int widest = 0;
    for (int i = 0; i < c->VisibleTabs()->Count(); ++i)
      widest = std::max(widest, c->VisibleTabs()->GetTab(i)->NormalWidth);
    layoutChanged = widest != oldRotated || NormalWidth != oldWidth;
  } else
    layoutChanged = NormalWidth != oldWidth;
  if (layoutChanged)
    Changed(tckLayout);
  else if (wasShown)
    Changed(tckContent);
}

void TkcTab::SetColor(TColor Value) {
  if (fColor == Value) return;
  fColor = Value;
  if (RealVisible()) Changed(tckColor);
}

void TkcTab::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  bool shown = RealVisible();
  fEnabled = Value;
  if (shown || RealVisible()) Changed(tckEnabled);
}

void TkcTab::SetHighlighted(bool Value) {
  if (fHighlighted == Value) return;
  bool shown = RealVisible();
  fHighlighted = Value;
  if (shown || RealVisible()) Changed(tckHighlighted);
}

void TkcTab::SetImageIndex(int Value) {
  if (Value < 0) Value = -1;
  if (fImageIndex == Value) return;
  fImageIndex = Value;
  if (RealVisible()) Changed(tckLayout);
}

void TkcTab::SetSelected(bool Value) {
  if (fSelected == Value) return;
  TkcCustomTabControl* c = TabControl();
  if (c->IsLoading()) {
    fSelected = Value;
    return;
  }
  if (Value) {
    bool multi = c->Painter() && c->Painter()->AllowMultiSelectTabs();
    if (!multi) {
      if (c->TabIndex() != fIndex) return;
    } else {
      for (int i = 0; i < fTabs->Count(); ++i)
        if (i != fIndex && fTabs->GetTab(i)->Selected()) {
          c->SetMultiSelect(true);
          break;
        }
    }
  }
  bool shown = RealVisible();
  fSelected = Value;
  if (shown || RealVisible()) Changed(tckSelected);
}

void TkcTab::SetVisible(bool Value) {
  if (fVisible == Value) return;
  TkcCustomTabControl* c = TabControl();
  if (Value) {
    c->VisibleTabs()->Add(fIndex);
    fVisible = true;
    Changed(tckLayout);
    return;
  }
  bool activeMustMove = c->TabIndex() == fIndex && c->ActiveTabMustBeVisible();
  bool wasShown = RealVisible();
  c->VisibleTabs()->Remove(fIndex);
  fVisible = false;
  if (wasShown || c->MultiLine())
    fTabs->Changed(-1, tckLayout);
  else if (!c->IsLoading())
    c->CalculateLayout();
  if (activeMustMove && c->MainTabVisibleIndex != -1 && c->MainTabVisibleIndex < c->VisibleTabs()->Count())
    c->SetTabIndex(c->VisibleTabs()->TabIndexAt(c->MainTabVisibleIndex));
}

TkcTabPosition TkcTab::RealPosition() const {
  TkcCustomTabControl* c = TabControl();
  bool before = DisplayLineIndex < c->TopOrLeftPartLineCount;
  bool horizontal = c->TabPosition() == tpTop || c->TabPosition() == tpBottom;
  if (horizontal) return before ? tpTop : tpBottom;
  return before ? tpLeft : tpRight;
}

int TkcTab::PaintingKind() const {
  static const int kinds[4][3] = {{1, 2, 3}, {10, 11, 12}, {6, 4, 5}, {9, 7, 8}};
  return kinds[RealPosition()][TabControl()->GetPaintingTextDirection()];
}

TRect TkcTab::GetNormalRect() const {
  TkcCustomTabControl* c = TabControl();
  int w, h;
  if (c->IsVerticalText()) {
    w = fTabs->NormalTabHeight;
    h = c->Rotate() ? c->LineThickness : NormalWidth;
  } else {
    w = c->Rotate() ? c->LineThickness : NormalWidth;
    h = fTabs->NormalTabHeight;
  }
  return Bounds(NormalOrigin.x, NormalOrigin.y, w, h);
}

TRect TkcTab::GetFullRect() {
  TRect r = GetNormalRect();
  TkcCustomTabControl* c = TabControl();
  BoundsCorrection = {};
  if (c->Painter()) c->Painter()->GetTabBoundsCorrection(VisibleIndex(), BoundsCorrection);
  r.left += BoundsCorrection.left;
  r.top += BoundsCorrection.top;
  r.right += BoundsCorrection.right;
  r.bottom += BoundsCorrection.bottom;
  return r;
}

TRect TkcTab::GetDisplayRect() {
  TkcCustomTabControl* c = TabControl();
  int v = VisibleIndex();
  if (v == -1 || c->LineCount == 0) return {};
  if (!c->MultiLine() && (c->FirstShownTab == -1 || v < c->FirstShownTab || v > c->LastShownTab)) return {};
  TRect part = DisplayLineIndex < c->TopOrLeftPartLineCount ? c->TopOrLeftPartRect : c->BottomOrRightPartRect;
  TRect full = GetFullRect();
  TRect r;
  if (!IntersectRect(&r, &full, &part)) return {};
  return r;
}

// ---- TkcVisibleTabList ----------------------------------------------------------------------

TkcTab* TkcVisibleTabList::GetTab(int AVisibleIndex) const {
  if (fTabIndexes.empty()) TabsError("TkcVisibleTabList", "GetTab", LocalizeText("There are no visible tabs"));
  if (AVisibleIndex < 0 || AVisibleIndex >= Count())
    TabsError("TkcVisibleTabList", "GetTab", BetweenText(AVisibleIndex, Count() - 1));
  return fParent->Tabs()->GetTab(fTabIndexes[AVisibleIndex]);
}

bool TkcVisibleTabList::Find(int ATabIndex, int& APosition) const {
  auto it = std::lower_bound(fTabIndexes.begin(), fTabIndexes.end(), ATabIndex);
  APosition = int(it - fTabIndexes.begin());
  return it != fTabIndexes.end() && *it == ATabIndex;
}

int TkcVisibleTabList::IndexOf(int ATabIndex) const {
  int p;
  return Find(ATabIndex, p) ? p : -1;
}

void TkcVisibleTabList::Add(int ATabIndex) {
  int p;
  if (!Find(ATabIndex, p)) fTabIndexes.insert(fTabIndexes.begin() + p, ATabIndex);
}

void TkcVisibleTabList::Remove(int ATabIndex) {
  int p;
  if (Find(ATabIndex, p)) fTabIndexes.erase(fTabIndexes.begin() + p);
}

void TkcVisibleTabList::Rebuild() {
  fTabIndexes.clear();
  TkcTabs* tabs = fParent->Tabs();
  for (int i = 0; i < tabs->Count(); ++i)
    if (tabs->GetTab(i)->Visible()) fTabIndexes.push_back(i);
}

// ---- TkcTabs --------------------------------------------------------------------------------

TkcTabs::~TkcTabs() {
  fUpdating = true;
  for (int i = Count() - 1; i >= 0; --i) delete fTabItems[i];
  fTabItems.clear();
}

void TkcTabs::IndexError(const char* AOperation, int Index) const {
  TabsError("TkcTabs", AOperation, Format(LocalizeText("Tab's index (%d) out of bounds"), {Index}));
}

String TkcTabs::Get(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError("Get", Index);
  return fTabItems[Index]->Caption();
}

void TkcTabs::Put(int Index, const String& S) { GetTab(Index)->SetCaption(S); }
TObject* TkcTabs::GetObject(int Index) const { return GetTab(Index)->Object(); }
void TkcTabs::PutObject(int Index, TObject* AObject) { GetTab(Index)->SetObject(AObject); }

TkcTab* TkcTabs::GetTab(int Index) const {
  if (Index < 0 || Index >= Count()) IndexError("GetTab", Index);
  return fTabItems[Index];
}

TkcTab* TkcTabs::GetVisibleTab(int AVisibleIndex) const {
  int count = VisibleCount();
  if (AVisibleIndex < 0 || AVisibleIndex >= count)
    TabsError("TkcTabs", "GetVisibleTab", BetweenText(AVisibleIndex, count - 1));
  return fParent->VisibleTabs()->GetTab(AVisibleIndex);
}

int TkcTabs::VisibleCount() const { return fParent->VisibleTabs()->Count(); }

int TkcTabs::Add(const String& S) {
  Insert(Count(), S);
  return Count() - 1;
}

void TkcTabs::RenumberTabs(int AFirst, int ALast) {
  for (int i = AFirst; i <= ALast; ++i) fTabItems[i]->fIndex = i;
}

void TkcTabs::Insert(int Index, const String& S) {
  if (Index < 0 || Index > Count()) IndexError("Insert", Index);
  auto* tab = new TkcTab(this, Index);
  fTabItems.insert(fTabItems.begin() + Index, tab);
  RenumberTabs(Index, Count() - 1);
  tab->fCaption = S;
  if (!fParent->IsLoading() && fParent->TabIndex() == -1 && Count() == 1) fParent->fTabIndex = 0;
  fParent->VisibleTabs()->Rebuild();
  Changed(-1, tckLayout);
}

// A tab being freed by someone else drops its slot.
void TkcTabs::TabDestroying(int Index) {
  if (fUpdating) return;
  fNotification = true;
  RemoveSlot(Index);
  fNotification = false;
}

void TkcTabs::RemoveSlot(int Index) {
  fTabItems.erase(fTabItems.begin() + Index);
  RenumberTabs(Index, Count() - 1);
  fParent->VisibleTabs()->Rebuild();
  if (fParent->FocusedTabVisibleIndex >= fParent->VisibleTabs()->Count()) fParent->FocusedTabVisibleIndex = -1;
  Changed(-1, tckLayout);
}

void TkcTabs::Delete(int Index) {
  if (fUpdating) return;
  if (Index < 0 || Index >= Count()) IndexError("Delete", Index);
  fUpdating = true;
  delete fTabItems[Index];
  fUpdating = false;
  RemoveSlot(Index);
}

void TkcTabs::Clear() {
  if (fTabItems.empty()) return;
  fUpdating = true;
  for (int i = Count() - 1; i >= 0; --i) delete fTabItems[i];
  fTabItems.clear();
  fUpdating = false;
  fParent->FocusedTabVisibleIndex = -1;
  fParent->VisibleTabs()->Rebuild();
  Changed(-1, tckLayout);
}

void TkcTabs::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  TkcTab* t = GetTab(CurIndex);
  GetTab(NewIndex);
  fTabItems.erase(fTabItems.begin() + CurIndex);
  fTabItems.insert(fTabItems.begin() + NewIndex, t);
  RenumberTabs(std::min(CurIndex, NewIndex), std::max(CurIndex, NewIndex));
  fParent->VisibleTabs()->Rebuild();
  Changed(-1, tckLayout);
}

void TkcTabs::Changed(int AVisibleIndex, TkcTabChangeKind AKind) {
  if (fParent->IsLoading() || fParent->IsDestroying()) return;
  if (AVisibleIndex == -1 || AKind == tckLayout)
    fParent->RequestLayout();
  else if (fParent->Painter())
    fParent->Painter()->RepaintTab(AVisibleIndex, AKind);
}

void TkcTabs::SetHotTrackTab(int AVisibleIndex) {
  int old = fParent->HotTrackTabVisibleIndex;
  if (old == AVisibleIndex) return;
  fParent->HotTrackTabVisibleIndex = AVisibleIndex;
  if (old != -1 && old < VisibleCount()) Changed(old, tckHotTrack);
  if (AVisibleIndex != -1) Changed(AVisibleIndex, tckHotTrack);
}

void TkcTabs::UpdateMainTabVisibleIndex() {
  int result = -1;
  TkcVisibleTabList* v = fParent->VisibleTabs();
  if (fParent->TabIndex() != -1 && v->Count() > 0) {
    v->Find(fParent->TabIndex(), result);
    if (result >= v->Count()) result = v->Count() - 1;
  }
  int old = fParent->MainTabVisibleIndex;
  if (old >= v->Count()) old = -1;
  if (result == old && result == fParent->MainTabVisibleIndex) return;
  fParent->MainTabVisibleIndex = result;
  if (old != -1) Changed(old, tckMainTab);
  if (result != -1) Changed(result, tckMainTab);
  fParent->UpdateNavigatorButtonStates();
}

void TkcTabs::SetFocusedTab(int AVisibleIndex) {
  if (AVisibleIndex < 0 || AVisibleIndex >= VisibleCount()) AVisibleIndex = -1;
  int old = fParent->FocusedTabVisibleIndex;
  if (old != AVisibleIndex) {
    fParent->FocusedTabVisibleIndex = AVisibleIndex;
    if (old != -1 && old < VisibleCount()) Changed(old, tckFocusedTab);
    if (AVisibleIndex != -1) Changed(AVisibleIndex, tckFocusedTab);
  }
  if (AVisibleIndex != -1 && !fParent->MultiLine()) {
    fParent->MakeTabVisible(AVisibleIndex);
    fParent->RequestLayout();
    fParent->UpdateHotTrack();
  }
}

void TkcTabs::ImagesChanged() {
  for (TkcTab* t : fTabItems) t->ImagesChanged();
}

void TkcTabs::FreeRotatedTextCaches() {
  for (TkcTab* t : fTabItems) t->RotatedTextCache.reset();
}

// ---- TkcTabSlants ---------------------------------------------------------------------------

void TkcTabSlants::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcTabSlants*>(Source)) {
    SetKind(s->Kind());
    SetPositions(s->Positions());
  } else
    TPersistent::Assign(Source);
}

void TkcTabSlants::SetKind(TkcTabSlantKind Value) {
  if (fKind == Value) return;
  fKind = Value;
  if (OnChange) OnChange(this);
}

void TkcTabSlants::SetPositions(TkcTabSlantPositions Value) {
  if (fPositions == Value) return;
  fPositions = Value;
  if (OnChange) OnChange(this);
}
