#include "grid/kcGrid.h"

#include "grid/kcGridCustomizationForm.h"

#include <algorithm>

#include "platform/forms/Forms.h"

// ---- Changes --------------------------------------------------------------------------------

bool TkcCustomGridViewChange::Matches(TkcCustomGridChange* AChange) {
  return TkcCustomGridChange::Matches(AChange) && static_cast<TkcCustomGridViewChange*>(AChange)->fView == fView;
}

std::size_t TkcCustomGridViewChange::MatchKey() const {
  return TkcCustomGridChange::MatchKey() * 31 + std::hash<const void*>()(fView);
}

void TkcGridLayoutChange::Execute() {
  TkcCustomGridView* view = View();
  if (!view) {
    if (Grid) {
      Grid->Calculate();
      Grid->InvalidateAll(true);
    }
  } else if (view->CanUpdateLayout() && view->Site()) {
    TRect r = view->Site()->BoundsRect();
    if (!IsRectEmpty(&r)) {
      view->ViewInfo()->MainCalculate(r);
      view->Painter()->Invalidate();
    }
  }
  if (Grid) Grid->DoLayoutChanged(view);
}

bool TkcGridLayoutChange::IsSupersededBy(TkcCustomGridChange* AChange) {
  auto* change = dynamic_cast<TkcCustomGridViewChange*>(AChange);
  if (!change) return false;
  if (change->ClassType() == TkcGridLayoutChange::StaticClass())
    return !change->View() || (View() && View()->HasAsMaster(change->View()));
  if (change->ClassType() == TkcGridSizeChange::StaticClass())
    return !change->View() || (View() && (View() == change->View() || View()->HasAsMaster(change->View())));
  return false;
}

void TkcGridSizeChange::Execute() {
  TkcCustomGridView* view = View();
  if (!view) {
    if (!Grid) return;
    if (TkcCustomGridView* active = Grid->ActiveView())
      active->SizeChanged(false, KeepMaster);
    else
      Grid->LayoutChanged();
    return;
  }
  if (!view->CanUpdateLayout()) return;
  if (view->ViewInfoCache()) view->ViewInfoCache()->UnassignValues(KeepMaster);
  if (!(UpdateGridViewOnly && KeepMaster)) {
    if (TkcCustomGridView* master = view->MasterGridView()) {
      if (!view->IsPattern()) master->SizeChanged(false, KeepMaster);
      return;
    }
    if (!view->IsPattern() && view->Grid()) {
      view->Grid()->LayoutChanged();
      return;
    }
  }
  view->LayoutChanged();
}

bool TkcGridSizeChange::IsSupersededBy(TkcCustomGridChange* AChange) {
  auto* change = dynamic_cast<TkcCustomGridViewChange*>(AChange);
  if (!change || change->View() != View()) return false;
  if (change->ClassType() == TkcGridSizeChange::StaticClass())
    return UpdateGridViewOnly && static_cast<TkcGridSizeChange*>(change)->KeepMaster == KeepMaster &&
           !static_cast<TkcGridSizeChange*>(change)->UpdateGridViewOnly;
  return change->ClassType() == TkcGridDataChange::StaticClass();
}

bool TkcGridSizeChange::Matches(TkcCustomGridChange* AChange) {
  if (!TkcCustomGridViewChange::Matches(AChange)) return false;
  auto* change = static_cast<TkcGridSizeChange*>(AChange);
  return change->KeepMaster == KeepMaster && change->UpdateGridViewOnly == UpdateGridViewOnly;
}

TkcGridViewChange::TkcGridViewChange(TkcCustomGridView* AView, TkcRegion* ARegion) : TkcCustomGridViewChange(AView) {
  if (ARegion) {
    fRegion = std::make_unique<TkcRegion>();
    fRegion->CombineWith(ARegion, roSet, false);
  }
}

void TkcGridViewChange::Execute() {
  TkcCustomGridView* view = View();
  if (!view) return;
  if (!IsRectEmpty(&fRect))
    view->Painter()->InvalidateRect(fRect);
  else if (fRegion)
    view->Painter()->InvalidateRegion(fRegion.get());
  else
    view->Painter()->Invalidate();
}

bool TkcGridViewChange::IsSupersededBy(TkcCustomGridChange* AChange) {
  auto* change = dynamic_cast<TkcCustomGridViewChange*>(AChange);
  return change && change->View() == View() &&
         (change->ClassType() == TkcGridLayoutChange::StaticClass() ||
          change->ClassType() == TkcGridSizeChange::StaticClass());
}

bool TkcGridViewChange::Matches(TkcCustomGridChange* AChange) {
  if (!TkcCustomGridViewChange::Matches(AChange)) return false;
  auto* change = static_cast<TkcGridViewChange*>(AChange);
  if (!fRegion && !change->fRegion) return EqualRect(&fRect, &change->fRect);
  return fRegion && change->fRegion && fRegion->SameAs(change->fRegion.get());
}

void TkcGridDataChange::Execute() {
  if (View()) View()->DataChanged();
}

void TkcGridControlFocusChange::Execute() {
  if (View() && View()->CanUpdateLayout()) View()->Controller()->ControlFocusChanged();
}

// ---- Hit tests ------------------------------------------------------------------------------

TkcCustomGridHitTest::~TkcCustomGridHitTest() { SetViewInfo(nullptr); }

void TkcCustomGridHitTest::SetViewInfo(TkcCustomGridCellViewInfo* Value) {
  if (Value) {
    Value->SetHitTest(this);
  } else if (fViewInfo) {
    if (fViewInfo->fHitTest == this) fViewInfo->fHitTest = nullptr;
    fViewInfo = nullptr;
  }
}

TkcCustomGridHitTest* GetGridHitTest(std::type_index AClass, TkcCustomGridHitTest* (*ACreate)(), const TPoint& P) {
  // Kept for the life of the process: hit tests hold no platform resources.
  static auto* cache = new std::unordered_map<std::type_index, std::unique_ptr<TkcCustomGridHitTest>>;
  auto& slot = (*cache)[AClass];
  if (!slot) slot.reset(ACreate());
  slot->Pos = P;
  return slot.get();
}

// ---- Cells ----------------------------------------------------------------------------------

TkcCustomGridCellViewInfo::~TkcCustomGridCellViewInfo() {
  fIsDestroying = true;
  SetHitTest(nullptr);
  SetMouseCapture(false);
  SetState(gcsNormal);
  EndMouseTracking(this);
}

bool TkcCustomGridCellViewInfo::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcMouseTrackingCaller>(this, IID, Obj) ||
         GetInterfaceOf<IkcMouseCaptureObject>(this, IID, Obj) || TObject::GetInterface(IID, Obj);
}

void TkcCustomGridCellViewInfo::SetHitTest(TkcCustomGridHitTest* Value) {
  if (fHitTest == Value) return;
  if (fHitTest && fHitTest->fViewInfo == this) fHitTest->fViewInfo = nullptr;
  fHitTest = Value;
  if (Value) {
    if (Value->fViewInfo && Value->fViewInfo != this && Value->fViewInfo->fHitTest == Value)
      Value->fViewInfo->fHitTest = nullptr;
    Value->fViewInfo = this;
  }
}

void TkcCustomGridCellViewInfo::SetState(TkcGridCellState Value) {
  if (fState == Value) return;
  BeforeStateChange();
  fState = Value;
  StateChanged();
}

void TkcCustomGridCellViewInfo::StateChanged() {
  if (InvalidateOnStateChange()) Invalidate();
  if (fState == gcsNormal) {
    EndMouseTracking(this);
  } else if (fState == gcsHot) {
    if (TkcControl* control = GetControl(); control && !fIsDestroying) BeginMouseTracking(control, Bounds, this);
  }
  if (CaptureMouseOnPress() && fState == gcsPressed) SetMouseCapture(true);
}

void TkcCustomGridCellViewInfo::CalculateParamsIfNeeded() {
  if (fParamsCalculated || fCalculatingParams) return;
  fCalculatingParams = true;
  try {
    CalculateParams();
  } catch (...) {
    fCalculatingParams = false;
    fParamsCalculated = true;
    throw;
  }
  fCalculatingParams = false;
  fParamsCalculated = true;
}

void TkcCustomGridCellViewInfo::CalculateParams() {
  AlignmentHorz = GetAlignmentHorz();
  AlignmentVert = GetAlignmentVert();
  GetViewParams(Params);
  Borders = GetBorders();
  Text = GetText();
  MultiLine = GetMultiLine();
  MultiLinePainting = GetMultiLinePainting();
}

void TkcCustomGridCellViewInfo::Calculate(int ALeft, int ATop, int AWidth, int AHeight) {
  CalculateParamsIfNeeded();
  if (AWidth == -1) AWidth = CalculateWidth();
  if (AHeight == -1) AHeight = CalculateHeight();
  Bounds = TRect{ALeft, ATop, ALeft + AWidth, ATop + AHeight};
  AfterCalculateBounds(Bounds);
  Calculated = true;
}

void TkcCustomGridCellViewInfo::CalculateBounds(const TRect& R) {
  Calculate(R.left, R.top, std::max(0, R.right - R.left), std::max(0, R.bottom - R.top));
}

void TkcCustomGridCellViewInfo::Recalculate() {
  BeforeRecalculation();
  CalculateBounds(Bounds);
}

void TkcCustomGridCellViewInfo::AfterCalculateBounds(TRect&) { fContentBoundsValid = fClientBoundsValid = false; }

void TkcCustomGridCellViewInfo::CalculateContentBounds(TRect& R) {
  R = Bounds;
  if (Borders.Contains(bLeft)) R.left += GetBorderWidth(bLeft);
  if (Borders.Contains(bTop)) R.top += GetBorderWidth(bTop);
  if (Borders.Contains(bRight)) R.right -= GetBorderWidth(bRight);
  if (Borders.Contains(bBottom)) R.bottom -= GetBorderWidth(bBottom);
}

const TRect& TkcCustomGridCellViewInfo::ContentBounds() {
  if (!fContentBoundsValid) {
    CalculateContentBounds(fContentBounds);
    fContentBoundsValid = true;
  }
  return fContentBounds;
}

const TRect& TkcCustomGridCellViewInfo::ClientBounds() {
  if (!fClientBoundsValid) {
    CalculateClientBounds(fClientBounds);
    fClientBoundsValid = true;
  }
  return fClientBounds;
}

void TkcCustomGridCellViewInfo::GetBorderBounds(TkcBorder ASide, TRect& R) {
  const TRect& c = ContentBounds();
  int w = GetBorderWidth(ASide);
  switch (ASide) {
    case bLeft: R = {c.left - w, c.top, c.left, c.bottom}; break;
    case bRight: R = {c.right, c.top, c.right + w, c.bottom}; break;
    case bTop: R = {c.left, c.top - w, c.right, c.top}; break;
    case bBottom: R = {c.left, c.bottom, c.right, c.bottom + w}; break;
  }
  if (ASide == bLeft || ASide == bRight) {
    if (Borders.Contains(bTop)) R.top -= GetBorderWidth(bTop);
    if (Borders.Contains(bBottom)) R.bottom += GetBorderWidth(bBottom);
  }
}

void TkcCustomGridCellViewInfo::GetTextAreaBounds(TRect& R) {
  R = ClientBounds();
  InflateRect(&R, -2, -2);
}

void TkcCustomGridCellViewInfo::GetFocusRect(TRect& R) {
  R = Bounds;
  InflateRect(&R, -1, -1);
}

TRect TkcCustomGridCellViewInfo::GetVisibleBounds() {
  TRect area;
  GetAreaBounds(area);
  if (IsRectEmpty(&area)) return Bounds;
  TRect r;
  IntersectRect(&r, &Bounds, &area);
  return r;
}

int TkcCustomGridCellViewInfo::GetTextAttributes(bool AForPainting) {
  return KcAlignmentTextFlags(AlignmentHorz, AlignmentVert, AForPainting ? MultiLinePainting : MultiLine,
                              GetShowEndEllipsis());
}

int TkcCustomGridCellViewInfo::TextWidth() {
  TkcCanvas* canvas = GetCanvas();
  if (!canvas) return 0;
  if (Params.Font) canvas->SetFont(Params.Font);
  return canvas->TextWidth(Text);
}

int TkcCustomGridCellViewInfo::TextHeight() {
  TkcCanvas* canvas = GetCanvas();
  if (!canvas) return 0;
  if (Params.Font) canvas->SetFont(Params.Font);
  TRect r;
  GetTextAreaBounds(r);
  int flags = (GetTextAttributes(false) & ~(kctfBottom | kctfVCenter)) | kctfTop;
  canvas->CalculateTextRect(Text, r, flags);
  return r.bottom - r.top;
}

TRect TkcCustomGridCellViewInfo::TextBounds() {
  TRect r;
  GetTextAreaBounds(r);
  int w = TextWidth();
  if (MultiLinePainting && r.right - r.left < w) return r;
  if (r.right - r.left > w) {
    if (AlignmentHorz == taRightJustify)
      r.left = r.right - w;
    else if (AlignmentHorz == taCenter)
      r.left = (r.left + r.right - w) / 2, r.right = r.left + w;
    else
      r.right = r.left + w;
  }
  return r;
}

int TkcCustomGridCellViewInfo::GetBestFitWidth() {
  int w = TextWidth() + 4;
  if (Borders.Contains(bLeft)) w += GetBorderWidth(bLeft);
  if (Borders.Contains(bRight)) w += GetBorderWidth(bRight);
  return w;
}

void TkcCustomGridCellViewInfo::DoOffset(int DX, int DY) {
  OffsetRect(&Bounds, DX, DY);
  if (fContentBoundsValid) OffsetRect(&fContentBounds, DX, DY);
  if (fClientBoundsValid) OffsetRect(&fClientBounds, DX, DY);
}

void TkcCustomGridCellViewInfo::Offset(int DX, int DY) {
  DoOffset(DX, DY);
  SetState(gcsNormal);
  MouseLeave();
}

void TkcCustomGridCellViewInfo::DoInvalidate() {
  if (TkcControl* control = GetControl()) control->InvalidateRect(Bounds, false);
}

void TkcCustomGridCellViewInfo::Invalidate() {
  if (!fIsDestroying) DoInvalidate();
}

TkcCustomGridCellPainter* TkcCustomGridCellViewInfo::CreatePainter(TkcCanvas* ACanvas) {
  return new TkcCustomGridCellPainter(ACanvas, this);
}

void TkcCustomGridCellViewInfo::Paint(TkcCanvas* ACanvas) {
  if (!IsVisibleForPainting()) return;
  TkcCanvas* canvas = ACanvas ? ACanvas : GetCanvas();
  if (!canvas) return;
  std::unique_ptr<TkcCustomGridCellPainter> painter(CreatePainter(canvas));
  if (painter) painter->MainPaint();
}

TkcCustomGridHitTest* TkcCustomGridCellViewInfo::GetHitTest(const TPoint& P) {
  TkcGridHitTestFactory factory = GetHitTestClass();
  if (!GetVisibleForHitTest() || !HasHitTestPoint(P) || !factory) return nullptr;
  TkcCustomGridHitTest* hit = factory(P);
  InitHitTest(hit);
  return hit;
}

bool TkcCustomGridCellViewInfo::GetMouseCapture() {
  TkcControl* control = GetControl();
  return control && control->MouseCaptureObject() == this;
}

void TkcCustomGridCellViewInfo::SetMouseCapture(bool Value) {
  TkcControl* control = GetControl();
  if (!control || Value == GetMouseCapture()) return;
  control->SetMouseCaptureObject(Value ? this : nullptr);
}

bool TkcCustomGridCellViewInfo::MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState) {
  if (AButton != mbLeft || !GetHotTrack() || !AHitTest || AHitTest->ViewInfo() != this) return false;
  SetState(gcsPressed);
  return true;
}

bool TkcCustomGridCellViewInfo::MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState) {
  if (!GetHotTrack()) return false;
  bool over = AHitTest && AHitTest->ViewInfo() == this;
  bool captured = GetMouseCapture();
  if (over)
    SetState(captured ? gcsPressed : gcsHot);
  else
    SetState(captured ? gcsHot : gcsNormal);
  return true;
}

bool TkcCustomGridCellViewInfo::MouseUp(TkcCustomGridHitTest*, TMouseButton AButton, TShiftState) {
  if (AButton != mbLeft) return false;
  TkcGridCellState old = fState;
  SetMouseCapture(false);
  SetState(gcsNormal);
  if (old == gcsPressed) Click();
  return old == gcsPressed;
}

void TkcCustomGridCellViewInfo::MouseLeave() {
  if (!GetMouseCapture() && fState == gcsHot) SetState(gcsNormal);
}

TkcCustomGridViewCellViewInfo::~TkcCustomGridViewCellViewInfo() {
  // A cell holding the site's mouse (a pressed header) lets it go while it can still be reached;
  // a drag under way keeps the mouse on the site.
  if (TkcGridSite* site = fGridViewInfo ? fGridViewInfo->Site() : nullptr; site && site->MouseCaptureObject() == this) {
    const bool dragging = site->DragAndDropState() == ddsInProcess;
    site->SetMouseCaptureObject(nullptr);
    if (dragging) site->SetMouseCapture(true);
  }
  if (fGridViewInfo) {
    fGridViewInfo->UnregisterCell(this);
    if (TkcCustomGridController* controller = fGridViewInfo->Controller()) controller->CellRemoved(this);
  }
}

TkcCustomGridView* TkcCustomGridViewCellViewInfo::GridView() const { return fGridViewInfo->GridView(); }
TkcCanvas* TkcCustomGridViewCellViewInfo::GetCanvas() { return fGridViewInfo->Canvas(); }
TkcControl* TkcCustomGridViewCellViewInfo::GetControl() { return fGridViewInfo->Site(); }

void TkcCustomGridViewCellViewInfo::InitHitTest(TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridCellViewInfo::InitHitTest(AHitTest);
  if (auto* viewHit = dynamic_cast<TkcCustomGridViewHitTest*>(AHitTest)) viewHit->GridView = GridView();
}

// ---- Cell painter ---------------------------------------------------------------------------

bool TkcCustomGridCellPainter::CanPaint() { return fCanvas->RectVisible(fViewInfo->Bounds); }

void TkcCustomGridCellPainter::MainPaint() {
  if (!CanPaint()) return;
  BeforePaint();
  Paint();
  AfterPaint();
  if (ExcludeFromClipRect()) DoExcludeFromClipRect();
}

void TkcCustomGridCellPainter::Paint() {
  TkcVisualParams saved = fViewInfo->Params;
  try {
    DrawContent();
  } catch (...) {
    fViewInfo->Params = saved;
    throw;
  }
  fViewInfo->Params = saved;
  DrawBorders();
}

void TkcCustomGridCellPainter::AfterPaint() {
  if (CanDrawFocusRect()) DrawFocusRect();
}

void TkcCustomGridCellPainter::DrawContent() {
  if (fViewInfo->HasBackground()) DrawBackground();
  DrawText();
}

void TkcCustomGridCellPainter::DrawBackground() { DrawBackgroundRect(fViewInfo->ContentBounds()); }

void TkcCustomGridCellPainter::DrawBackgroundRect(const TRect& R) {
  if (fViewInfo->GetTransparent()) {
    if (TBitmap* bitmap = fViewInfo->GetBackgroundBitmap()) fCanvas->FillRect(R, bitmap);
  } else {
    fCanvas->FillRect(R, fViewInfo->Params.Color);
  }
}

void TkcCustomGridCellPainter::DrawBorders() {
  for (TkcBorder side : {bLeft, bTop, bRight, bBottom}) {
    if (!fViewInfo->Borders.Contains(side)) continue;
    TRect r;
    fViewInfo->GetBorderBounds(side, r);
    fCanvas->FillRect(r, fViewInfo->GetBorderColor(side));
  }
}

void TkcCustomGridCellPainter::DrawText() {
  const String& text = fViewInfo->Text;
  if (text.empty()) return;
  if (fViewInfo->Params.Font) fCanvas->SetFont(fViewInfo->Params.Font);
  fCanvas->Font()->SetColor(fViewInfo->Params.TextColor);
  fCanvas->Brush()->SetStyle(bsClear);
  TRect r;
  fViewInfo->GetTextAreaBounds(r);
  fCanvas->DrawText(text, r, fViewInfo->GetTextAttributes(true));
  fCanvas->Brush()->SetStyle(bsSolid);
}

void TkcCustomGridCellPainter::DrawFocusRect() {
  if (!fViewInfo->GetFocused() || fCanvas != fViewInfo->GetCanvas()) return;
  TRect r;
  fViewInfo->GetFocusRect(r);
  for (int i = 0; i < fViewInfo->GetFocusRectWidth(); ++i) {
    fCanvas->DrawFocusRect(r);
    InflateRect(&r, -1, -1);
  }
}

// ---- Handlers -------------------------------------------------------------------------------

TkcCustomGrid* TkcGridViewHandler::Grid() const { return fGridView->Grid(); }
TkcCustomGridController* TkcGridViewHandler::Controller() const { return fGridView->Controller(); }
TkcCustomGridPainter* TkcGridViewHandler::Painter() const { return fGridView->Painter(); }
TkcCustomGridViewInfo* TkcGridViewHandler::ViewInfo() const { return fGridView->ViewInfo(); }
TkcGridSite* TkcGridViewHandler::Site() const { return fGridView->Site(); }
TkcLookAndFeelPainterClass TkcGridViewHandler::LookAndFeelPainter() const { return fGridView->LookAndFeelPainter(); }
void TkcGridViewHandler::BeginUpdate() { fGridView->BeginUpdate(); }
void TkcGridViewHandler::EndUpdate() { fGridView->EndUpdate(); }

// ---- Controller -----------------------------------------------------------------------------

TkcCustomGridController::TkcCustomGridController(TkcCustomGridView* AGridView) : TkcGridViewHandler(AGridView) {}

TkcCustomGridController::~TkcCustomGridController() {
  HideHint();
  if (fCustomizationForm) {
    TForm* form = fCustomizationForm;
    fCustomizationForm = nullptr;
    form->Free();
  }
}

// ---- Hints ----------------------------------------------------------------------------------

bool TkcCustomGridController::IsPointInHintArea(const TPoint& P) {
  if (fHintCell) return fHintCell->HasPoint(P);
  TRect area = fHintArea;
  if (IsRectEmpty(&area) && Site()) area = Site()->ClientRect();
  return PtInRect(&area, P);
}

bool TkcCustomGridController::IsHintTargetActive() {
  TkcGridSite* site = Site();
  if (!site || !site->HandleAllocated() || !IsWindowVisible(site->Handle())) return false;
  if (TCustomForm* form = site->GetParentForm(); form && !form->Active()) return false;
  POINT cursor{};
  GetCursorPos(&cursor);
  // The hint shows over the cell's text, so the mouse may be over the hint itself.
  HWND under = WindowFromPoint(cursor);
  return under == site->Handle() || (fHintWindow && fHintWindow->HandleAllocated() && under == fHintWindow->Handle());
}

void TkcCustomGridController::ShowHint(const TRect& ABounds, const TRect& ATextArea, TkcCustomGridCellViewInfo* ACell,
                                       TFont* AFont, const String& AText) {
  if (!IsHintTargetActive()) return;
  if (fHintWindow && IsWindowVisible(fHintWindow->Handle()) && fHintText == AText && fHintTextBounds == ATextArea)
    return;
  if (!fHintWindow) {
    fHintWindow = std::make_unique<THintWindow>(nullptr);
    fHintWindow->SetColor(Application->HintColor);
  } else if (fHintWindow->HandleAllocated() && IsWindowVisible(fHintWindow->Handle())) {
    fHintWindow->ReleaseHandle();
  }
  fHintTextBounds = ATextArea;
  fHintText = AText;
  if (AFont) fHintWindow->Font()->Assign(AFont);
  TRect r = fHintWindow->CalcHintRect(Screen->Width(), AText);
  OffsetRect(&r, ATextArea.left, ATextArea.top);
  r.right -= 6;
  r.bottom -= 2;
  TPoint origin = Site()->ClientToScreen(TPoint{0, 0});
  OffsetRect(&r, origin.x, origin.y);
  // Kept on the desktop.
  int screenWidth = Screen->Width(), screenHeight = Screen->Height();
  if (r.right > screenWidth) OffsetRect(&r, screenWidth - r.right, 0);
  if (r.bottom > screenHeight) OffsetRect(&r, 0, screenHeight - r.bottom);
  if (r.left < 0) OffsetRect(&r, -r.left, 0);
  if (r.top < 0) OffsetRect(&r, 0, -r.top);
  r.bottom -= 4;
  fHintWindow->ActivateHint(r, AText);
  fHintArea = ABounds;
  fHintCell = ACell;
  if (!fHintWatchTimer) {
    fHintWatchTimer = std::make_unique<TkcTimer>(nullptr);
    fHintWatchTimer->SetInterval(100);
    fHintWatchTimer->SetOnTimer(TNotifyEvent([this](TObject* S) { HintWatchTimer(S); }));
  }
  fHintWatchTimer->SetEnabled(true);
}

void TkcCustomGridController::HintWatchTimer(TObject*) {
  if (!IsHintTargetActive()) HideHint();
}

void TkcCustomGridController::HideHint() {
  if (fHintWatchTimer) fHintWatchTimer->SetEnabled(false);
  fHintCell = nullptr;
  fHintArea = TRect{};
  fHintText.clear();
  // Hidden, kept for the next hint.
  if (fHintWindow && fHintWindow->HandleAllocated()) fHintWindow->ReleaseHandle();
}

// ---- Customization form ---------------------------------------------------------------------

void TkcCustomGridController::SetCustomization(bool Value) {
  if (Value && (GridView()->IsPattern() || !Site() || !Site()->HandleAllocated())) return;
  if (fIsCustomizing == Value) return;
  fIsCustomizing = Value;
  CustomizationChanged();
}

void TkcCustomGridController::GetCustomizationFormBounds(TRect& R) {
  if (!IsRectEmpty(&FormBounds)) {
    R = FormBounds;
    return;
  }
  TRect client = Site()->ClientRect();
  TPoint corner = Site()->ClientToScreen(TPoint{client.right, client.bottom});
  R = TRect{corner.x - 180, corner.y - 300, corner.x, corner.y};
  CheckCustomizationFormBounds(R);
}

void TkcCustomGridController::CustomizationChanged() {
  if (fIsCustomizing) {
    fCustomizationForm = GridView()->CreateCustomizationForm();
    if (fCustomizationForm) {
      TRect r;
      GetCustomizationFormBounds(r);
      fCustomizationForm->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
      fCustomizationForm->Show();
    }
  } else if (fCustomizationForm) {
    TForm* form = fCustomizationForm;
    fCustomizationForm = nullptr;
    if (!form->ComponentState().Contains(csDestroying)) form->Free();
  }
  if (TkcCustomGrid* grid = Grid(); grid && grid->OnCustomization) grid->OnCustomization(grid, GridView());
  GridView()->LayoutChanged();
}

void TkcCustomGridController::RefreshCustomizationForm() {
  if (auto* form = dynamic_cast<TkcCustomGridCustomizationForm*>(fCustomizationForm)) form->RefreshLayout();
}

void TkcCustomGridController::RefreshCustomizationFormItems() {
  if (auto* form = dynamic_cast<TkcCustomGridCustomizationForm*>(fCustomizationForm)) form->RefreshItems();
}

// ---- Focus, dialog characters and coordinates -----------------------------------------------

bool TkcCustomGridController::IsHitTestOfView(TkcCustomGridHitTest* AHitTest) {
  auto* viewHit = dynamic_cast<TkcCustomGridViewHitTest*>(AHitTest);
  return !viewHit || !viewHit->GridView || viewHit->GridView == GridView();
}

void TkcCustomGridController::FocusView(bool ANotifyMaster) {
  GridView()->SetFocused(true);
  GridView()->ViewChanged();
  if (TkcCustomGrid* grid = Grid(); grid && grid->Focused() && Site() && Site()->CanFocus()) Site()->SetFocus();
  if (ANotifyMaster && GridView()->MasterGridView())
    GridView()->MasterGridView()->Controller()->DetailFocused(GridView());
}

namespace {

// Sets a flag for a scope and puts its old value back, also when the scope throws.
struct TFlagScope {
  explicit TFlagScope(bool& AFlag) : fFlag(AFlag), fOld(AFlag) { AFlag = true; }
  ~TFlagScope() { fFlag = fOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& fFlag;
  bool fOld;
};

}  // namespace

void TkcCustomGridController::FocusWithGuard(bool ANotifyMaster) {
  TFlagScope guard(fFocusingGuard);
  FocusView(ANotifyMaster);
}

void TkcCustomGridController::ViewDeactivated() {
  BeforeDataChange();
  GridView()->SetFocused(false);
  if (!GridView()->IsVisible() && Site()) Site()->SetParent(nullptr);
}

bool TkcCustomGridController::ProcessDialogChar(char32_t AChar) {
  if (GridView()->ProcessRecordDialogChar(nullptr, AChar)) return true;
  TkcCustomGridView* master = GridView()->MasterGridView();
  return master && master->Controller()->ProcessDetailDialogChar(GridView(), AChar);
}

bool TkcCustomGridController::ProcessDetailDialogChar(TkcCustomGridView* ADetail, char32_t AChar) {
  if (GridView()->ProcessRecordDialogChar(ADetail, AChar)) return true;
  TkcCustomGridView* master = GridView()->MasterGridView();
  return master && master->Controller()->ProcessDetailDialogChar(GridView(), AChar);
}

void TkcCustomGridController::WndProc(TMessage& Message) {
  if ((Message.Msg == CN_SYSCHAR || Message.Msg == WM_SYSCHAR) && ProcessDialogChar(char32_t(Message.WParam)))
    Message.Result = 0;
}

void TkcCustomGridController::CheckCoordinatesGuarded() {
  TFlagScope guard(fCoordinatesCheckActive);
  CheckCoordinates();
}

void TkcCustomGridController::PostControlFocusChange() {
  if (TkcCustomGrid* grid = Grid()) grid->AddChange(new TkcGridControlFocusChange(GridView()));
}

void TkcCustomGridController::CellRemoved(TkcCustomGridCellViewInfo* ACell) {
  if (fHintCell == ACell) HideHint();
  if (fHotTrackCell == ACell) fHotTrackCell = nullptr;
  if (fPressedCell == ACell) fPressedCell = nullptr;
  if (fCellInMouseDown == ACell) fCellInMouseDown = nullptr;
}

void TkcCustomGridController::CancelMouseOperations() {
  if (fHotTrackCell) fHotTrackCell->SetState(gcsNormal);
  fHotTrackCell = fPressedCell = nullptr;
}

TCursor TkcCustomGridController::GetCursor(int X, int Y) {
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  return hit ? hit->Cursor() : crDefault;
}

void TkcCustomGridController::MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  fLastClickDouble = AShift.Contains(ssDouble);
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  TkcCustomGridCellViewInfo* cell = hit ? hit->ViewInfo() : nullptr;
  if (!cell) return;
  // A press may lay the view out again and free the cell (a double click that fits a column, a
  // press that focuses the new-item row): only a cell that outlives its press stays pressed.
  fCellInMouseDown = cell;
  const bool pressed = cell->MouseDown(hit, AButton, AShift);
  if (pressed && fCellInMouseDown == cell) fPressedCell = cell;
  fCellInMouseDown = nullptr;
}

void TkcCustomGridController::MouseMove(TShiftState AShift, int X, int Y) {
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  TkcCustomGridCellViewInfo* cell = hit ? hit->ViewInfo() : nullptr;
  // A cell holding the mouse capture is the only one that hears of moves.
  if (auto* captured = Site() ? dynamic_cast<TkcCustomGridCellViewInfo*>(Site()->MouseCaptureObject()) : nullptr) {
    captured->MouseMove(hit, AShift);
    return;
  }
  // The cell the mouse left hears of the move first, so it can go back to normal.
  TkcCustomGridCellViewInfo* pressed = fPressedCell;
  if (pressed && pressed != cell) pressed->MouseMove(hit, AShift);
  if (fHotTrackCell && fHotTrackCell != cell && fHotTrackCell != pressed) fHotTrackCell->MouseMove(hit, AShift);
  fHotTrackCell = nullptr;
  if (cell && cell->MouseMove(hit, AShift)) fHotTrackCell = cell;
}

void TkcCustomGridController::MouseUp(TMouseButton AButton, TShiftState AShift, int X, int Y) {
  TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(TPoint{X, Y});
  TkcCustomGridCellViewInfo* cell = fPressedCell ? fPressedCell : (hit ? hit->ViewInfo() : nullptr);
  fPressedCell = nullptr;
  if (cell) cell->MouseUp(hit, AButton, AShift);
  if (cell && hit && hit->ViewInfo() == cell) cell->MouseMove(hit, AShift);
}

// ---- View painter ---------------------------------------------------------------------------

void TkcCustomGridPainter::Paint(TkcCanvas* ACanvas, TkcCustomGridViewInfo* AViewInfo) {
  fCanvas = ACanvas ? ACanvas : GridView()->ViewInfo()->Canvas();
  fViewInfo = AViewInfo ? AViewInfo : GridView()->ViewInfo();
  try {
    BeforePaint();
    PaintContent();
    AfterPaint();
  } catch (...) {
    fBackgroundRegion.reset();
    fBeforePaintClipRegion.reset();
    fCanvas = nullptr;
    fViewInfo = nullptr;
    throw;
  }
  fCanvas = nullptr;
  fViewInfo = nullptr;
}

void TkcCustomGridPainter::BeforePaint() {
  fBeforePaintClipRegion.reset(fCanvas->GetClipRegion());
  fBackgroundRegion = std::make_unique<TkcRegion>(fViewInfo->Bounds);
}

void TkcCustomGridPainter::AfterPaint() {
  DrawBackground();
  fBackgroundRegion.reset();
  fCanvas->SetClipRegion(fBeforePaintClipRegion.release(), roSet);
}

void TkcCustomGridPainter::ExcludeFromBackground(const TRect& R) {
  if (fBackgroundRegion) fBackgroundRegion->CombineWith(new TkcRegion(R), roSubtract);
}

void TkcCustomGridPainter::DrawBackground() {
  if (!fBackgroundRegion || fBackgroundRegion->IsEmpty()) return;
  auto* region = new TkcRegion();
  region->CombineWith(fBackgroundRegion.get(), roSet, false);
  fCanvas->SetClipRegion(region, roIntersect);
  fCanvas->FillRect(fBackgroundRegion->BoundsRect(), GridView()->BackgroundColor());
}

void TkcCustomGridPainter::Invalidate() {
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) site->InvalidateRect(site->ClientRect(), false);
}

void TkcCustomGridPainter::InvalidateRect(const TRect& R) {
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) site->InvalidateRect(R, false);
}

void TkcCustomGridPainter::InvalidateRegion(TkcRegion* ARegion) {
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) site->InvalidateRegion(ARegion, false);
}

// ---- View info ------------------------------------------------------------------------------

TkcCustomGridViewInfo::TkcCustomGridViewInfo(TkcCustomGridView* AGridView) : TkcGridViewHandler(AGridView) {}

TkcCustomGridViewInfo::~TkcCustomGridViewInfo() { delete fSite; }

void TkcCustomGridViewInfo::Init() {
  fSite = CreateSite();
  CreateViewInfos();
}

TkcGridSite* TkcCustomGridViewInfo::CreateSite() { return new TkcGridSite(this); }

void TkcCustomGridViewInfo::BeforeDestruction() { DestroyViewInfos(false); }

TkcCanvas* TkcCustomGridViewInfo::Canvas() const { return fSite ? fSite->GetDrawingCanvas() : nullptr; }

TRect TkcCustomGridViewInfo::ClientBounds() {
  if (fIsClientBoundsAssigned) return fAssignedClientBounds;
  TRect r;
  GetClientBounds(r);
  return r;
}

int TkcCustomGridViewInfo::GetFontHeight(TFont* AFont) {
  TkcCanvas* canvas = Canvas();
  if (AFont) canvas->SetFont(AFont);
  return canvas->TextHeight("Qq");
}

void TkcCustomGridViewInfo::RememberMousePos() {
  if (!fSite || fSite->IsParked()) return;
  if (fSite->HandleAllocated()) {
    POINT p;
    GetCursorPos(&p);
    MousePos = fSite->ScreenToClient(TPoint{p.x, p.y});
  } else {
    MousePos = {0x7FFFFFFF, 0x7FFFFFFF};
  }
}

void TkcCustomGridViewInfo::BeforeCalculating() { RememberMousePos(); }

void TkcCustomGridViewInfo::AfterCalculating() {
  if (IsInternalUse()) return;
  if (fSite && fSite->HandleAllocated()) {
    fSite->UpdateScrollBars();
    // A scroll bar that came or went changes the client area: lay out once more for it.
    if (fSite->GetClientBounds() != Bounds && !fRecalculatingForBars) {
      fRecalculatingForBars = true;
      try {
        MainCalculate(fSite->BoundsRect());
      } catch (...) {
        fRecalculatingForBars = false;
        throw;
      }
      fRecalculatingForBars = false;
      return;
    }
  }
  if (CheckCoordinatesAfterCalculate) Controller()->CheckCoordinates();
}

void TkcCustomGridViewInfo::MainCalculate(const TRect& ABounds) {
  if (fIsCalculating || !fSite) return;
  BeforeCalculating();
  fIsCalculating = true;
  try {
    fSite->SetBoundsRect(ABounds);
    Bounds = fSite->GetClientBounds();
    Calculate();
  } catch (...) {
    fIsCalculating = false;
    AfterCalculating();
    throw;
  }
  fIsCalculating = false;
  if (fPaintSkipped) {
    fPaintSkipped = false;
    Painter()->Invalidate();
  }
  AfterCalculating();
  if (!IsInternalUse()) {
    fIsUpdatingSite = true;
    UpdateSite(GridView()->IsVisible());
    fIsUpdatingSite = false;
  }
}

void TkcCustomGridViewInfo::Recalculate() {
  if (fSite) MainCalculate(fSite->BoundsRect());
}

void TkcCustomGridViewInfo::RecreateViewInfos() {
  fIsClientBoundsAssigned = false;
  DestroyViewInfos(true);
  CreateViewInfos();
}

bool TkcCustomGridViewInfo::CanDetachSite() {
  TkcCustomGridView* view = GridView();
  if (!view->Grid() || view->IsDestroying()) return true;
  if (!SiteDetachAllowed || fSite->IsFocused()) return false;
  TkcCustomGridView* focused = view->Grid()->FocusedView();
  if (!focused || !focused->Site()) return true;
  for (TWinControl* p = focused->Site(); p; p = p->Parent())
    if (p == fSite) return false;
  return true;
}

void TkcCustomGridViewInfo::UpdateSite(bool AShow) {
  if (!fSite) return;
  RememberMousePos();
  TkcCustomGridView* view = GridView();
  if (AShow) {
    TWinControl* container = view->MasterGridView() ? static_cast<TWinControl*>(view->MasterGridView()->Site())
                                                    : static_cast<TWinControl*>(view->Grid());
    fSite->SetParent(container);
  } else if (!CanDetachSite()) {
    fSite->SetBounds(ParkedLeft, fSite->Top(), fSite->Width(), fSite->Height());
  } else {
    fSite->SetParent(nullptr);
  }
}

TkcCustomGridHitTest* TkcCustomGridViewInfo::GetDefaultHitTest(const TPoint& P) {
  auto* hit = GetGridHitTest<TkcGridViewNoneHitTest>(P);
  hit->SetViewInfo(nullptr);
  hit->GridView = GridView();
  return hit;
}

TkcCustomGridHitTest* TkcCustomGridViewInfo::GetHitTest(const TPoint& P) { return GetDefaultHitTest(P); }

bool TkcCustomGridViewInfo::IsCellRegistered(TkcCustomGridCellViewInfo* ACell) const {
  return std::find(fRegisteredCells.begin(), fRegisteredCells.end(), ACell) != fRegisteredCells.end();
}

void TkcCustomGridViewInfo::UnregisterCell(TkcCustomGridCellViewInfo* ACell, bool AAll) {
  if (AAll) {
    std::erase(fRegisteredCells, ACell);
  } else if (auto it = std::find(fRegisteredCells.begin(), fRegisteredCells.end(), ACell);
             it != fRegisteredCells.end()) {
    fRegisteredCells.erase(it);
  }
}

// ---- View-info cache ------------------------------------------------------------------------

void TkcCustomGridViewInfoCache::SetCount(int Value) {
  fItems.clear();
  fCount = std::max(0, Value);
}

TkcCustomGridViewInfoCacheItem* TkcCustomGridViewInfoCache::Items(int AIndex) const {
  auto it = fItems.find(AIndex);
  return it == fItems.end() ? nullptr : it->second.get();
}

TkcCustomGridViewInfoCacheItem* TkcCustomGridViewInfoCache::GetItem(int AIndex) {
  if (AIndex < 0 || AIndex >= fCount) throw EListError("List index out of bounds (" + std::to_string(AIndex) + ")");
  auto& slot = fItems[AIndex];
  if (!slot) slot.reset(CreateItem(AIndex));
  return slot.get();
}

void TkcCustomGridViewInfoCache::UnassignValues(bool AKeepMaster) {
  if (fIsUnassigningValues) return;
  fIsUnassigningValues = true;
  for (auto& [index, item] : fItems) item->UnassignValues(AKeepMaster);
  fIsUnassigningValues = false;
}
