#include "grid/kcGridNavigatorSite.h"

#include <algorithm>

#include "data/kcDBData.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"

// ---- TkcGridViewNavigator --------------------------------------------------------------------

TkcGridViewNavigator::TkcGridViewNavigator(TkcGridTableView* AView) : fView(AView), fButtons(this) {
  fButtons.OnGetNavigator = [this]() -> IkcNavigator* { return this; };
  fViewInfo = std::make_unique<TkcNavigatorViewInfo>(this, false);
}

TkcGridViewNavigator::~TkcGridViewNavigator() = default;

bool TkcGridViewNavigator::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcNavigatorOwner>(this, IID, Obj) || GetInterfaceOf<IkcNavigator>(this, IID, Obj) ||
         TObject::GetInterface(IID, Obj);
}

void TkcGridViewNavigator::SetBounds(const TRect& R) {
  if (EqualRect(&R, &fBounds)) return;
  fBounds = R;
  fViewInfo->MakeDirty();
}

TSize TkcGridViewNavigator::CalculateSize(int AHeight) {
  // Asked with no width the buttons keep their own widths.
  const TRect saved = fBounds;
  fBounds = TRect{0, 0, 0, AHeight};
  int width = 0, height = AHeight;
  fViewInfo->CalculateBounds(width, height, false);
  fBounds = saved;
  fViewInfo->MakeDirty();
  return TSize{width, height};
}

void TkcGridViewNavigator::NavigatorChanged(int AChangeType) {
  if (AChangeType == 1)
    fView->LayoutChanged();
  else
    RefreshNavigator();
}

TCanvas* TkcGridViewNavigator::GetNavigatorCanvas() {
  TkcGridSite* site = fView->Site();
  return site ? site->Canvas()->Canvas() : nullptr;
}

TWinControl* TkcGridViewNavigator::GetNavigatorControl() { return fView->Site(); }

bool TkcGridViewNavigator::GetNavigatorFocused() { return fView->IsFocused(); }

TkcLookAndFeel* TkcGridViewNavigator::GetNavigatorLookAndFeel() { return fView->LookAndFeel(); }

TComponent* TkcGridViewNavigator::GetNavigatorOwner() { return fView; }

void TkcGridViewNavigator::NavigatorStateChanged() { RefreshNavigator(); }

void TkcGridViewNavigator::RefreshNavigator() {
  fViewInfo->MakeDirty();
  TkcGridSite* site = fView->Site();
  if (site && site->HandleAllocated() && fBounds.right > fBounds.left) InvalidateRect(site->Handle(), &fBounds, false);
}

bool TkcGridViewNavigator::CanDelete() {
  return fView->TableController()->CanDelete(true) && fView->DataController()->GetFocusedRowIndex() >= 0;
}

bool TkcGridViewNavigator::CanEdit() {
  TkcCustomDataController* dc = fView->DataController();
  return fView->OptionsData()->Editing() && (dc->GetEditOperations() & dceoModify) && dc->GetFocusedRowIndex() >= 0;
}

bool TkcGridViewNavigator::CanInsert() { return fView->TableController()->CanInsert(true); }

bool TkcGridViewNavigator::IsActive() {
  // An unbound view always has its data; a bound one only while its dataset is open.
  TkcCustomDataProvider* provider = fView->DataController()->Provider();
  return dynamic_cast<TkcDBDataProvider*>(provider) ? provider->IsActive() : true;
}

bool TkcGridViewNavigator::IsBof() {
  TkcCustomDataController* dc = fView->DataController();
  if (auto* support = dynamic_cast<IkcGridDataControllerItemsSupport*>(dc)) return support->IsBOF();
  return dc->GetFocusedRowIndex() <= 0;
}

bool TkcGridViewNavigator::IsEof() {
  TkcCustomDataController* dc = fView->DataController();
  if (auto* support = dynamic_cast<IkcGridDataControllerItemsSupport*>(dc)) return support->IsEOF();
  return dc->GetFocusedRowIndex() >= dc->GetRowCount() - 1;
}

bool TkcGridViewNavigator::IsBookmarkAvailable() { return fView->DataController()->BookmarkRecordIndex() >= 0; }

bool TkcGridViewNavigator::IsEditing() { return fView->DataController()->IsEditing(); }

void TkcGridViewNavigator::ClearBookmark() { fView->DataController()->ClearBookmark(); }

void TkcGridViewNavigator::DoAction(int AButtonIndex) {
  TkcGridTableController* controller = fView->TableController();
  TkcCustomDataController* dc = fView->DataController();
  // The record buttons move as the keys do (in grid mode past the dataset's buffer too); a
  // step or a page under multi-selection selects the record it reaches alone.
  auto selectReached = [&] {
    if (!controller->IsMultiSelectActive() || dc->GetFocusedRowIndex() < 0) return;
    dc->SetSelectionAnchor(dc->GetFocusedRowIndex());
    controller->SelectOnlyFocused();
  };
  switch (AButtonIndex) {
    case NBDI_FIRST: controller->GoToFirst(); break;
    case NBDI_PRIORPAGE: controller->FocusNextPage(false); selectReached(); break;
    case NBDI_PRIOR: controller->GoToPrev(); selectReached(); break;
    case NBDI_NEXT: controller->GoToNext(); selectReached(); break;
    case NBDI_NEXTPAGE: controller->FocusNextPage(true); selectReached(); break;
    case NBDI_LAST: controller->GoToLast(); break;
    case NBDI_INSERT: controller->CreateNewRecord(false); break;
    case NBDI_DELETE: controller->DeleteSelection(); break;
    case NBDI_EDIT:
      dc->StartEdit();
      controller->ShowEdit();
      break;
    case NBDI_POST: controller->HideEdit(true); dc->Post(); break;
    case NBDI_CANCEL: controller->HideEdit(false); dc->Cancel(); break;
    case NBDI_REFRESH: controller->HideEdit(true); dc->RefreshData(); break;
    case NBDI_SAVEBOOKMARK: dc->SaveBookmark(); break;
    case NBDI_GOTOBOOKMARK: dc->GotoBookmark(); break;
    case NBDI_FILTER: fView->Filtering()->RunCustomizeDialog(); break;
    default: break;
  }
  controller->MakeFocusedRowVisible();
}

// ---- TkcNavigatorSiteViewInfo ----------------------------------------------------------------

TkcNavigatorSiteViewInfo::TkcNavigatorSiteViewInfo(TkcCustomGridViewInfo* AGridViewInfo)
    : TkcCustomGridViewCellViewInfo(AGridViewInfo) {}

TkcGridTableView* TkcNavigatorSiteViewInfo::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

TkcGridViewNavigator* TkcNavigatorSiteViewInfo::Navigator() const { return TableView()->Navigator(); }

bool TkcNavigatorSiteViewInfo::GetVisible() { return TableView()->OptionsView()->Navigator(); }

int TkcNavigatorSiteViewInfo::CalculateWidthFor(int AHeight) {
  return TableView()->OptionsView()->NavigatorOffset() + Navigator()->CalculateSize(AHeight).cx;
}

void TkcNavigatorSiteViewInfo::Place(const TRect& R) {
  CalculateBounds(R);
  TRect buttons = R;
  buttons.right = std::max<LONG>(R.left, R.right - TableView()->OptionsView()->NavigatorOffset());
  Navigator()->SetBounds(buttons);
}

void TkcNavigatorSiteViewInfo::PaintAll(TkcCanvas* ACanvas) {
  // The buttons and their border first; the site's face fills what they leave.
  Navigator()->ViewInfo()->Paint();
  const TRect buttons = Navigator()->GetNavigatorBounds();
  const int saved = SaveDC(ACanvas->Handle());
  ExcludeClipRect(ACanvas->Handle(), buttons.left, buttons.top, buttons.right, buttons.bottom);
  Paint(ACanvas);
  RestoreDC(ACanvas->Handle(), saved);
}

void TkcNavigatorSiteViewInfo::GetViewParams(TkcVisualParams& P) { P.Color = clBtnFace; }

bool TkcNavigatorSiteViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  TkcCustomGridViewCellViewInfo::MouseDown(AHitTest, AButton, AShift);
  if (AButton == mbLeft) Navigator()->ViewInfo()->MouseDown(AHitTest->Pos.x, AHitTest->Pos.y);
  return true;
}

bool TkcNavigatorSiteViewInfo::MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState AShift) {
  TkcCustomGridViewCellViewInfo::MouseMove(AHitTest, AShift);
  Navigator()->ViewInfo()->MouseMove(AHitTest->Pos.x, AHitTest->Pos.y);
  return true;
}

bool TkcNavigatorSiteViewInfo::MouseUp(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) {
  TkcCustomGridViewCellViewInfo::MouseUp(AHitTest, AButton, AShift);
  if (AButton == mbLeft) Navigator()->ViewInfo()->MouseUp();
  return true;
}

void TkcNavigatorSiteViewInfo::MouseLeave() {
  TkcCustomGridViewCellViewInfo::MouseLeave();
  // No button stays hot once the mouse has left the site.
  Navigator()->ViewInfo()->MouseMove(-1, -1);
}
