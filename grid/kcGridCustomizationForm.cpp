#include "grid/kcGridCustomizationForm.h"

#include <algorithm>

#include "editors-extended/kcCheckListBox.h"
#include "grid/kcGridDragObjects.h"
#include "grid/kcGridTableView.h"

// ---- Form -----------------------------------------------------------------------------------

TkcCustomGridCustomizationForm::TkcCustomGridCustomizationForm(TkcCustomGridController* AController)
    : TForm(nullptr), fOwnerController(AController) {
  SetCaption("Customization");
  SetBorderStyle(bsSizeToolWin);
  if (TkcCustomGrid* grid = AController->Grid()) Font()->Assign(grid->Font());
}

TkcCustomGridCustomizationForm::~TkcCustomGridCustomizationForm() {
  fWatchTimer.reset();
  // Closed by the user (or freed by anyone but the controller): customization ends with it.
  if (fOwnerController->CustomizationForm() == this) fOwnerController->SetCustomization(false);
}

void TkcCustomGridCustomizationForm::Initialize() {
  CalculateConsts();
  CreateControls();
}

void TkcCustomGridCustomizationForm::CalculateConsts() { fSpacing = Canvas()->TextHeight("Qq") / 6; }

void TkcCustomGridCustomizationForm::CreateControls() {
  fPages = new TkcPageControl(this);
  fPages->SetAnchors({akLeft, akTop, akRight, akBottom});
  TRect r;
  GetPageControlBounds(r);
  fPages->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
  fPages->SetFocusable(false);
  fPages->SetHotTrack(true);
  fPages->LookAndFeel()->SetMasterLookAndFeel(GridView()->LookAndFeel());
  fPages->SetParent(this);
  CreatePages();
}

void TkcCustomGridCustomizationForm::GetContentBounds(TRect& R) {
  R = ClientRect();
  InflateRect(&R, -fSpacing, -fSpacing);
}

TkcTabSheet* TkcCustomGridCustomizationForm::AddPage(const String& ACaption, bool AVisible) {
  auto* page = new TkcTabSheet(this);
  page->SetCaption(ACaption);
  page->SetTabVisible(AVisible);
  page->SetPageControl(fPages);
  return page;
}

void TkcCustomGridCustomizationForm::ActivatePage(TkcTabSheet* APage) {
  if (APage && APage->TabVisible()) fPages->SetActivePage(APage);
}

bool TkcCustomGridCustomizationForm::ContainsScreenPoint(const TPoint& P) {
  if (!HandleAllocated() || !IsWindowVisible(Handle())) return false;
  RECT r{};
  GetWindowRect(Handle(), &r);
  return PtInRect(&r, P);
}

void TkcCustomGridCustomizationForm::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  // A popup owned by the site's window, so it stays above the grid and goes with it.
  Params.Style |= WS_POPUP;
  if (TkcGridSite* site = fOwnerController->Site(); site && site->HandleAllocated()) Params.WndParent = site->Handle();
}

void TkcCustomGridCustomizationForm::DoShow() {
  if (!fWatchTimer) {
    fWatchTimer = std::make_unique<TkcTimer>(nullptr);
    fWatchTimer->SetInterval(100);
    fWatchTimer->SetOnTimer(TNotifyEvent([this](TObject* S) { WatchTimerTick(S); }));
    fWatchTimer->SetEnabled(true);
  }
  TForm::DoShow();
}

void TkcCustomGridCustomizationForm::DoClose(TCloseAction& Action) {
  fWatchTimer.reset();
  TForm::DoClose(Action);
  Action = caFree;
}

void TkcCustomGridCustomizationForm::WatchTimerTick(TObject*) {
  TCustomForm* mainForm = Application->MainForm();
  if (mainForm && mainForm != this && mainForm->HandleAllocated() && IsIconic(mainForm->Handle())) {
    if (HandleAllocated() && IsWindowVisible(Handle())) ShowWindow(Handle(), SW_HIDE);
    return;
  }
  TkcGridSite* site = fOwnerController->Site();
  if (!GridView()->IsVisible() || !site || !site->HandleAllocated() || !IsWindowVisible(site->Handle())) {
    // Freed once this tick is over (the timer running it belongs to the form); the form's
    // end switches customization off.
    fWatchTimer->SetEnabled(false);
    Release();
    return;
  }
  // Back after the application was restored, without taking the focus from the grid.
  if (HandleAllocated() && !IsWindowVisible(Handle())) ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

// ---- Items list boxes -----------------------------------------------------------------------

TkcCustomGridItemsInnerListBox::TkcCustomGridItemsInnerListBox(TComponent* AOwner) : TkcInnerListBox(AOwner) {
  SetSorted(true);
  SetStyle(lbOwnerDrawFixed);
}

TkcCustomGridItemsListBox* TkcCustomGridItemsInnerListBox::ItemsListBox() const {
  return static_cast<TkcCustomGridItemsListBox*>(ListBox());
}

void TkcCustomGridItemsInnerListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcInnerListBox::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || Shift.Contains(ssDouble)) return;
  fDragItemIndex = ItemAtPos(TPoint{X, Y}, true);
  fPressPoint = TPoint{X, Y};
  fDragging = false;
  if (fDragItemIndex >= 0) SetMouseCapture(true);
}

void TkcCustomGridItemsInnerListBox::MouseMove(TShiftState Shift, int X, int Y) {
  TkcInnerListBox::MouseMove(Shift, X, Y);
  if (fDragItemIndex < 0 || fDragging) return;
  if (IsInDragThreshold(fPressPoint, X, Y) && ItemAtPos(TPoint{X, Y}, true) == fDragItemIndex) return;
  SetItemIndex(fDragItemIndex);
  int index = fDragItemIndex;
  fDragging = true;
  Screen->SetCursor(crDrag);
  // The view's site carries the entry on as a column move, with its picture and arrows.
  TObject* item = index < Items()->Count() ? Items()->Objects(index) : nullptr;
  TPoint screen = ClientToScreen(TPoint{X, Y});
  if (item && ItemsListBox()->StartItemDrag(item, screen)) return;
}

void TkcCustomGridItemsInnerListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  int index = fDragItemIndex;
  bool dragging = fDragging;
  CancelDrag();
  TkcInnerListBox::MouseUp(Button, Shift, X, Y);
  if (!dragging || index < 0 || index >= Items()->Count()) return;
  TkcCustomGridItemsListBox* box = ItemsListBox();
  TkcGridSite* site = box->Form()->OwnerController()->Site();
  if (!site || !site->HandleAllocated()) return;
  TPoint p = site->ScreenToClient(ClientToScreen(TPoint{X, Y}));
  TRect client = site->ClientRect();
  if (!PtInRect(&client, p)) return;
  // May refill this list: the item is taken before.
  box->DropItem(Items()->Objects(index), p);
}

void TkcCustomGridItemsInnerListBox::KeyDown(WORD& Key, TShiftState Shift) {
  // Escape ends an entry's drag that the site carries on, as not accepted.
  if (Key == VK_ESCAPE)
    if (TkcGridSite* site = ItemsListBox()->Form()->OwnerController()->Site();
        site && site->DragAndDropState() == ddsInProcess) {
      site->FinishDragAndDrop(false);
      Key = 0;
      return;
    }
  TkcInnerListBox::KeyDown(Key, Shift);
}

void TkcCustomGridItemsInnerListBox::WndProc(TMessage& Message) {
  // The capture goes before the release arrives, so only a cancel-mode ends the drag early.
  if (Message.Msg == WM_CANCELMODE) CancelDrag();
  TkcInnerListBox::WndProc(Message);
}

void TkcCustomGridItemsInnerListBox::CancelDrag() {
  bool dragging = fDragging;
  fDragItemIndex = -1;
  fDragging = false;
  if (dragging) Screen->SetCursor(crDefault);
  if (MouseCapture()) SetMouseCapture(false);
}

TkcCustomGridItemsListBox::TkcCustomGridItemsListBox(TkcCustomGridCustomizationForm* AForm)
    : TkcListBox(AForm, TDeferCreation{}), fForm(AForm) {
  Initialize();
  for (TkcContainerStyle* style : {Style(), StyleFocused(), StyleHot()}) {
    style->SetBorderStyle(cbsNone);
    style->SetHotTrack(false);
    style->SetTransparentBorder(false);
  }
  Style()->LookAndFeel()->SetMasterLookAndFeel(AForm->GridView()->LookAndFeel());
  SetParentFont(true);
  SetListStyle(lbOwnerDrawFixed);
  SetSorted(true);
}

TObject* TkcCustomGridItemsListBox::GetFocusedObject() {
  int i = ItemIndex();
  return i >= 0 ? Items()->Objects(i) : nullptr;
}

int TkcCustomGridItemsListBox::IndexOfItem(TObject* AItem) { return Items()->IndexOfObject(AItem); }

void TkcCustomGridItemsListBox::PaintItem(TCanvas* ACanvas, const TRect& R, TObject* AItem) {
  int i = IndexOfItem(AItem);
  if (i < 0) return;
  ACanvas->Brush()->SetColor(Style()->Color());
  ACanvas->Font()->Assign(Font());
  DrawItem(ACanvas, R, false, i);
}

void TkcCustomGridItemsListBox::RefreshItems() {
  if (InnerListBox()->HandleAllocated()) SetItemHeight(GetItemHeight());
}

bool TkcCustomGridItemsListBox::DoDrawItem(int AIndex, const TRect& ARect, TOwnerDrawState AState) {
  DrawItem(InnerListBox()->Canvas(), ARect, AState.Contains(odSelected), AIndex);
  return true;
}

TkcGridTableColumnsListBox::TkcGridTableColumnsListBox(TkcCustomGridCustomizationForm* AForm)
    : TkcCustomGridItemsListBox(AForm) {
  Style()->SetColor(clBtnFace);
}

TkcGridTableView* TkcGridTableColumnsListBox::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

int TkcGridTableColumnsListBox::GetItemHeight() {
  TCanvas* canvas = InnerListBox()->Canvas();
  canvas->Font()->Assign(Font());
  return canvas->TextHeight("Qq") + 4 + 2 * GridView()->LookAndFeelPainter()->GetHeaderBorderWidth();
}

void TkcGridTableColumnsListBox::DrawItem(TCanvas* ACanvas, const TRect& R, bool AFocused, int AIndex) {
  TkcLookAndFeelPainterClass painter = GridView()->LookAndFeelPainter();
  int border = painter->GetHeaderBorderWidth();
  TRect bounds = R;
  InflateRect(&bounds, -border, -border);
  TRect text = bounds;
  InflateRect(&text, -2, 0);
  TkcCanvas canvas(ACanvas);
  canvas.Font()->Assign(Font());
  canvas.Font()->SetColor(clBtnText);
  painter->DrawHeader(&canvas, R, text, {}, painter->GetHeaderBorders({}), kcbsNormal, taLeftJustify, vaCenter, false,
                      true, Items()->Strings(AIndex), canvas.Font(), clBtnText, clBtnFace);
  if (AFocused) painter->DrawHeaderPressed(&canvas, bounds);
}

void TkcGridTableColumnsListBox::RefreshItems() {
  TkcCustomGridItemsListBox::RefreshItems();
  TkcGridTableView* view = TableView();
  TStrings* items = Items();
  items->BeginUpdate();
  items->Clear();
  if (view->OptionsCustomize()->ColumnMoving())
    for (int i = 0; i < view->ColumnCount(); ++i)
      if (TkcGridColumn* c = view->Columns(i); c->Options()->Moving() && !c->Hidden() && !c->Visible())
        items->AddObject(c->Caption(), c);
  items->EndUpdate();
}

bool TkcGridTableColumnsListBox::StartItemDrag(TObject* AItem, const TPoint& AScreenPoint) {
  TkcGridTableView* view = TableView();
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  TkcGridSite* site = view->Site();
  if (!column || view->IndexOfColumn(column) < 0 || !site || !site->HandleAllocated()) return false;
  static_cast<TkcCustomGridItemsInnerListBox*>(InnerListBox())->CancelDrag();
  TPoint p = site->ScreenToClient(AScreenPoint);
  auto* hit = GetGridHitTest<TkcGridColumnHeaderHitTest>(p);
  hit->SetViewInfo(nullptr);
  hit->GridView = view;
  hit->Column = column;
  hit->ColumnContainerKind = ckCustomizationForm;
  site->TakeOverDrag(TkcDragAndDropObjectClass::Of<TkcGridColumnHeaderMovingObject>(), p, hit);
  return true;
}

void TkcGridTableColumnsListBox::DropItem(TObject* AItem, const TPoint& ASitePoint) {
  TkcGridTableView* view = TableView();
  auto* column = static_cast<TkcGridColumn*>(AItem);
  if (view->IndexOfColumn(column) < 0) return;
  // Dropped on a header: the column goes before it, or after it past its middle.
  int index = -1;
  for (const auto& header : view->TableViewInfo()->Headers())
    if (ASitePoint.x >= header->Bounds.left && ASitePoint.x < header->Bounds.right) {
      index = header->Column->Index();
      if (ASitePoint.x >= (header->Bounds.left + header->Bounds.right) / 2) ++index;
      break;
    }
  view->BeginUpdate();
  if (index >= 0) view->ChangeColumnIndex(column, index > column->Index() ? index - 1 : index);
  column->SetVisible(true);
  view->EndUpdate();
}

// ---- Table customization form ---------------------------------------------------------------

void TkcCustomGridTableCustomizationForm::CreatePages() {
  TkcCustomGridCustomizationForm::CreatePages();
  fHiddenItemsPage = AddPage(GetItemsPageCaption(), GetItemsPageVisible());
}

void TkcCustomGridTableCustomizationForm::CreateControls() {
  TkcCustomGridCustomizationForm::CreateControls();
  fHiddenItemsList = CreateItemsListBox();
  fHiddenItemsList->SetAlign(alClient);
  fHiddenItemsList->SetParent(fHiddenItemsPage);
  fHiddenItemsList->RefreshItems();
}

void TkcCustomGridTableCustomizationForm::RefreshItems() {
  TkcCustomGridCustomizationForm::RefreshItems();
  if (fHiddenItemsList) fHiddenItemsList->RefreshItems();
}

TkcGridTableCustomizationForm::TkcGridTableCustomizationForm(TkcCustomGridController* AController)
    : TkcCustomGridTableCustomizationForm(AController) {
  Initialize();
}

TkcCustomGridItemsListBox* TkcGridTableCustomizationForm::CreateItemsListBox() {
  return new TkcGridTableColumnsListBox(this);
}

bool TkcGridTableCustomizationForm::GetItemsPageVisible() {
  return static_cast<TkcGridTableView*>(GridView())->OptionsCustomize()->ColumnMoving();
}

TForm* TkcGridTableView::CreateCustomizationForm() { return new TkcGridTableCustomizationForm(Controller()); }

// ---- Columns popup --------------------------------------------------------------------------

void TkcGridColumnsCustomizationPopup::SetItemChecked(TObject* AItem, bool AChecked) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  if (!column || HostView()->IndexOfColumn(column) < 0) return;
  TkcCustomGridItemsCustomizationPopup::SetItemChecked(AItem, AChecked);
  if (HostView()->OnColumnPosChanged) HostView()->OnColumnPosChanged(HostView(), column);
}
