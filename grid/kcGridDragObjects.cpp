#include "grid/kcGridDragObjects.h"

#include "grid/kcGridCustomizationForm.h"

#include "grid/kcGridTableController.h"
#include "grid/kcGridTableView.h"

TkcGridTableView* TkcCustomGridTableDragObject::TableView() const {
  return static_cast<TkcGridTableView*>(Site()->GridView());
}

TkcGridTableViewInfo* TkcCustomGridTableDragObject::TableViewInfo() const { return TableView()->TableViewInfo(); }

// ---- Column moving --------------------------------------------------------------------------

TkcGridColumnHeaderMovingObject::~TkcGridColumnHeaderMovingObject() = default;

void TkcGridColumnHeaderMovingObject::Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridTableDragObject::Init(P, AHitTest);
  if (auto* hit = dynamic_cast<TkcCustomGridColumnHitTest*>(AHitTest)) {
    SourceItem = hit->Column;
    SourcePlace = hit->ColumnContainerKind;
  }
}

TkcGridColumnHeaderViewInfo* TkcGridColumnHeaderMovingObject::SourceViewInfo() {
  TkcGridTableViewInfo* info = TableViewInfo();
  return SourcePlace == dpGroupByBox ? info->GroupByBoxViewInfo()->ItemOfColumn(SourceItem)
                                     : info->HeaderViewInfo()->ItemOfColumn(SourceItem);
}

void TkcGridColumnHeaderMovingObject::BeginDragAndDrop() {
  // The press on the header becomes a drag: it no longer ends in a click.
  if (TkcCustomGridHitTest* hit = ViewInfo()->GetHitTest(StartPoint); hit && hit->ViewInfo())
    hit->ViewInfo()->SetState(gcsNormal);
  Controller()->CancelMouseOperations();
  // The form shows where a column carried into it goes.
  if (auto* form = dynamic_cast<TkcCustomGridTableCustomizationForm*>(Controller()->CustomizationForm()))
    form->ActivatePage(form->HiddenItemsPage());
  InitDragImage();
  Site()->Update();
  TkcCustomGridTableDragObject::BeginDragAndDrop();
}

void TkcGridColumnHeaderMovingObject::InitDragImage() {
  // The picture is held where the mouse took the item.
  if (SourcePlace == dpCustomizationForm) {
    auto* form = dynamic_cast<TkcCustomGridTableCustomizationForm*>(Controller()->CustomizationForm());
    TkcCustomGridItemsListBox* box = form ? form->HiddenItemsList() : nullptr;
    int index = box ? box->IndexOfItem(SourceItem) : -1;
    if (index < 0) return;
    TkcInnerListBox* inner = box->InnerListBox();
    TRect item = inner->ItemRect(index);
    int w = item.right - item.left, h = item.bottom - item.top;
    if (w <= 0 || h <= 0) return;
    fImage = std::make_unique<TBitmap>(w, h);
    box->PaintItem(fImage->Canvas(), TRect{0, 0, w, h}, SourceItem);
    TPoint origin = Site()->ScreenToClient(inner->ClientToScreen(TPoint{item.left, item.top}));
    HotSpot = TPoint{std::clamp<int>(StartPoint.x - origin.x, 0, w - 1), std::clamp<int>(StartPoint.y - origin.y, 0, h - 1)};
    return;
  }
  if (TkcGridColumnHeaderViewInfo* source = SourceViewInfo()) {
    TRect r = source->Bounds;
    int w = r.right - r.left, h = r.bottom - r.top;
    if (w > 0 && h > 0) {
      fImage = std::make_unique<TBitmap>(w, h);
      TkcCanvas canvas(fImage->Canvas());
      SetViewportOrgEx(canvas.Handle(), -r.left, -r.top, nullptr);
      source->Paint(&canvas);
      SetViewportOrgEx(canvas.Handle(), 0, 0, nullptr);
      HotSpot = TPoint{StartPoint.x - r.left, StartPoint.y - r.top};
    }
  }
}

bool TkcGridColumnHeaderMovingObject::IsOverCustomizationForm(const TPoint& P) {
  auto* form = dynamic_cast<TkcCustomGridCustomizationForm*>(Controller()->CustomizationForm());
  return form && form->ContainsScreenPoint(Site()->ClientToScreen(P));
}

void TkcGridColumnHeaderMovingObject::ShowImage(bool AShow, const TPoint& P) {
  TkcCanvas* canvas = ViewInfo()->Canvas();
  if (fImageVisible && fImageBackground) {
    canvas->CopyRect(fImageRect, fImageBackground->Canvas(),
                     TRect{0, 0, fImageRect.right - fImageRect.left, fImageRect.bottom - fImageRect.top});
    fImageVisible = false;
  }
  if (!AShow || !fImage) return;
  int w = fImage->Width(), h = fImage->Height();
  fImageRect = TRect{P.x - HotSpot.x, P.y - HotSpot.y, P.x - HotSpot.x + w, P.y - HotSpot.y + h};
  if (!fImageBackground) fImageBackground = std::make_unique<TBitmap>(w, h);
  fImageBackground->Canvas()->CopyRect(TRect{0, 0, w, h}, canvas->Canvas(), fImageRect);
  canvas->CopyRect(fImageRect, fImage->Canvas(), TRect{0, 0, w, h});
  fImageVisible = true;
}

bool TkcGridColumnHeaderMovingObject::CanRemove() {
  // An entry of the customization form has nothing to be removed from.
  if (!SourceItem || SourcePlace == dpCustomizationForm) return false;
  if (SourcePlace == dpGroupByBox) return SourceItem->CanGroup();
  // The open form is where hidden columns are found again, so hiding is safe then.
  return SourcePlace == dpHeader && SourceItem->CanHide() &&
         (TableView()->OptionsCustomize()->ColumnHiding() || Controller()->CustomizationForm());
}

bool TkcGridColumnHeaderMovingObject::IsValidDestination() {
  if (DestinationPlace == dpHeader) {
    if (SourcePlace == dpGroupByBox || !SourceItem->ActuallyVisible()) return true;
    int own = SourceItem->VisibleIndex();
    return DestinationZone != own && DestinationZone != own + 1;
  }
  if (DestinationPlace == dpGroupByBox) {
    int own = SourceItem->GroupIndex();
    if (own < 0) return true;
    return DestinationZone != own && DestinationZone != own + 1;
  }
  return false;
}

void TkcGridColumnHeaderMovingObject::DragAndDrop(const TPoint& P, bool& AAccepted) {
  TkcGridTableViewInfo* info = TableViewInfo();
  int place = dpNone, zone = -1;
  if (SourceItem && IsOverCustomizationForm(P)) {
    // Back into the form: where an entry came from, or where a header that can go is hidden.
    if (SourcePlace == dpCustomizationForm || CanRemove()) place = dpCustomizationForm;
  } else if (SourceItem) {
    if ((zone = info->GroupByBoxViewInfo()->GetInsertionZone(P)) >= 0)
      place = dpGroupByBox;
    else if ((zone = info->HeaderViewInfo()->GetInsertionZone(P)) >= 0)
      place = dpHeader;
    if (place == dpGroupByBox && !SourceItem->CanGroup()) place = dpNone, zone = -1;
  }
  // The picture goes first and comes back last, so neither leaves a trace of the other.
  ShowImage(false, P);
  if (place != DestinationPlace || zone != DestinationZone) {
    ShowArrows(false);
    DestinationPlace = place;
    DestinationZone = zone;
  }
  bool valid = place != dpNone && IsValidDestination();
  // A drop outside both containers still removes the column, but only a place that takes it
  // shows the arrow cursor.
  AAccepted = valid || place == dpCustomizationForm;
  Accepted = AAccepted || (place == dpNone && CanRemove());
  fArrowsWanted = valid;
  fImageWanted = true;
  if (!Dirty()) {
    ShowArrows(valid);
    ShowImage(true, P);
  }
  TkcCustomGridTableDragObject::DragAndDrop(P, AAccepted);
  CheckAutoScroll(P);
}

void TkcGridColumnHeaderMovingObject::CheckAutoScroll(const TPoint& P) {
  TkcGridTableViewInfo* info = TableViewInfo();
  TRect client = info->ClientBounds();
  int direction = 0;
  if (P.y >= info->Bounds.top && P.y < info->Bounds.bottom) {
    if (P.x < client.left + 15)
      direction = -1;
    else if (P.x >= client.right - 15)
      direction = 1;
  }
  if (direction == fAutoScrollDirection) return;
  fAutoScrollDirection = direction;
  // The timer is only switched: this may run inside its own tick.
  if (!fAutoScrollTimer) {
    fAutoScrollTimer = std::make_unique<TkcTimer>(nullptr);
    fAutoScrollTimer->SetInterval(35);
    fAutoScrollTimer->SetOnTimer(TNotifyEvent([this](TObject* S) { AutoScrollTimer(S); }));
  }
  fAutoScrollTimer->SetEnabled(direction != 0);
}

void TkcGridColumnHeaderMovingObject::AutoScrollTimer(TObject*) {
  TkcGridTableView* view = TableView();
  int before = view->LeftPos();
  // What the drag draws leaves the screen while the columns move under it.
  SetDirty(true);
  view->SetLeftPos(before + 10 * fAutoScrollDirection);
  Site()->Update();
  // The insertion place under the mouse follows the columns.
  bool accepted = false;
  DragAndDrop(CurMousePos, accepted);
}

TCursor TkcGridColumnHeaderMovingObject::GetDragAndDropCursor(bool AAccepted) {
  // Where nothing takes the column, a release removes it when it can go.
  if (AAccepted) return crArrow;
  return CanRemove() ? crkcGridRemove : crkcGridNoDrop;
}

void TkcGridColumnHeaderMovingObject::EndDragAndDrop(bool AAccepted) {
  fAutoScrollDirection = 0;
  if (fAutoScrollTimer) fAutoScrollTimer->SetEnabled(false);
  fArrowsWanted = fImageWanted = false;
  ShowImage(false, TPoint{});
  ShowArrows(false);
  TkcCustomGridTableDragObject::EndDragAndDrop(AAccepted);
  if (!AAccepted || !Accepted || !SourceItem) return;
  TkcGridTableView* view = TableView();
  TkcGridColumn* column = SourceItem;
  int oldIndex = column->Index(), oldGroup = column->GroupIndex();
  bool oldVisible = column->Visible();
  TkcCustomGrid* grid = view->Grid();
  if (grid) grid->BeginUpdate();
  view->BeginUpdate();
  try {
    if (DestinationPlace == dpHeader && IsValidDestination()) {
      int count = view->VisibleColumnCount();
      int index;
      if (DestinationZone >= count) {
        index = view->ColumnCount() - 1;
      } else {
        index = view->VisibleColumns(DestinationZone)->Index();
        if (column->Index() < index) --index;
      }
      if (SourcePlace == dpGroupByBox && column->CanGroup()) column->SetGroupIndex(-1);
      column->SetIndex(index);
      column->SetVisible(true);
    } else if (DestinationPlace == dpGroupByBox && IsValidDestination()) {
      int index = DestinationZone;
      if (oldGroup >= 0 && oldGroup < index) --index;
      column->SetGroupIndex(index);
    } else if (DestinationPlace == dpNone || DestinationPlace == dpCustomizationForm) {
      if (SourcePlace == dpHeader && column->CanHide()) {
        column->SetVisible(false);
      } else if (SourcePlace == dpGroupByBox) {
        column->SetGroupIndex(-1);
        // Back among the columns unless it went to the form, hiding is what the user may do with
        // it, or the form is open to take it.
        bool keepHidden = DestinationPlace == dpCustomizationForm ||
                          (view->OptionsCustomize()->ColumnHiding() && column->CanHide()) ||
                          Controller()->CustomizationForm();
        if (keepHidden) column->SetVisible(false);
      }
    }
  } catch (...) {
    view->EndUpdate();
    if (grid) grid->EndUpdate();
    throw;
  }
  view->EndUpdate();
  if (grid) grid->EndUpdate();
  bool changed =
      column->Index() != oldIndex || column->GroupIndex() != oldGroup || column->Visible() != oldVisible;
  if (column->GroupIndex() != oldGroup)
    static_cast<TkcGridTableController*>(view->Controller())->MakeFocusedRowVisible();
  if (changed && view->OnColumnPosChanged) view->OnColumnPosChanged(view, column);
}

bool TkcGridColumnHeaderMovingObject::GetArrowsPlace(TRect& R) {
  TkcGridTableViewInfo* info = TableViewInfo();
  if (DestinationPlace == dpHeader) {
    auto& items = info->HeaderViewInfo()->Items;
    TRect header = info->HeaderViewInfo()->Bounds;
    int x;
    if (items.empty())
      x = header.left;
    else if (DestinationZone < static_cast<int>(items.size()))
      x = items[static_cast<size_t>(DestinationZone)]->Bounds.left;
    else
      x = items.back()->Bounds.right;
    TRect client = info->ClientBounds();
    x = std::clamp<int>(x, client.left, client.right - 1);
    R = TRect{x, header.top, x + 1, header.bottom};
  } else if (DestinationPlace == dpGroupByBox) {
    TkcGridGroupByBoxViewInfo* box = info->GroupByBoxViewInfo();
    auto& items = box->Items;
    if (items.empty()) {
      R = TRect{box->Bounds.left + 6, box->Bounds.top + 8, box->Bounds.left + 7, box->Bounds.bottom - 8};
    } else if (DestinationZone < static_cast<int>(items.size())) {
      TRect b = items[static_cast<size_t>(DestinationZone)]->Bounds;
      if (DestinationZone != 0) OffsetRect(&b, 0, -(box->ItemHeight / 2 / 2));
      R = TRect{b.left - 2, b.top, b.left - 1, b.bottom};
    } else {
      TRect b = items.back()->Bounds;
      R = TRect{b.right + 2, b.top, b.right + 3, b.bottom};
    }
  } else {
    return false;
  }
  // A place past an edge of the view (the last grouped header beyond its right, a header taller
  // than the room left) is marked at that edge, where the arrows can still be seen.
  const TRect& clip = info->Bounds;
  R.left = std::clamp<int>(R.left, clip.left, clip.right - 1);
  R.right = std::clamp<int>(R.right, clip.left, clip.right - 1);
  R.top = std::clamp<int>(R.top, clip.top, clip.bottom - 1);
  R.bottom = std::clamp<int>(R.bottom, clip.top, clip.bottom - 1);
  return true;
}

void TkcGridColumnHeaderMovingObject::DirtyChanged() {
  // Dirty while the site paints: nothing of the drag stays on the screen; clean again, what the
  // drag shows comes back over the new picture.
  ShowImage(false, CurMousePos);
  ShowArrows(!Dirty() && fArrowsWanted);
  if (!Dirty() && fImageWanted) ShowImage(true, CurMousePos);
}

void TkcGridColumnHeaderMovingObject::ShowArrows(bool AShow) {
  TRect place;
  if (AShow && !GetArrowsPlace(place)) AShow = false;
  if (AShow == fArrowsVisible && !(AShow && !EqualRect(&place, &fArrowsRect))) return;
  TkcCanvas* canvas = ViewInfo()->Canvas();
  if (fArrowsVisible && fArrowsBackground) {
    // Back what lay under the arrows.
    TRect r = fArrowsRect;
    canvas->CopyRect(r, fArrowsBackground->Canvas(), TRect{0, 0, r.right - r.left, r.bottom - r.top});
    fArrowsVisible = false;
  }
  if (!AShow) return;
  // The down arrow above the place and the up arrow below it, 11 pixels wide, 9 high.
  TRect down{place.left - 5, place.top - 9, place.left + 6, place.top};
  TRect up{place.left - 5, place.bottom, place.left + 6, place.bottom + 9};
  fArrowsRect = TRect{down.left, down.top, up.right, up.bottom};
  fArrowsBackground = std::make_unique<TBitmap>(fArrowsRect.right - fArrowsRect.left,
                                                fArrowsRect.bottom - fArrowsRect.top);
  fArrowsBackground->Canvas()->CopyRect(TRect{0, 0, fArrowsRect.right - fArrowsRect.left,
                                              fArrowsRect.bottom - fArrowsRect.top},
                                        canvas->Canvas(), fArrowsRect);
  canvas->Brush()->SetColor(static_cast<TColor>(0x00FF00));
  canvas->Pen()->SetColor(clBlack);
  auto arrow = [&](const TRect& r, bool pointsDown) {
    int L = r.left, T = r.top, R = r.right, B = r.bottom;
    if (pointsDown)
      canvas->Polygon({{L + 3, T}, {R - 4, T}, {R - 4, T + 3}, {R - 1, T + 3}, {L + 5, B - 1}, {L, T + 3}, {L + 3, T + 3}});
    else
      canvas->Polygon({{L + 3, B - 1}, {R - 4, B - 1}, {R - 4, B - 4}, {R - 1, B - 4}, {L + 5, T}, {L, B - 4}, {L + 3, B - 4}});
  };
  arrow(down, true);
  arrow(up, false);
  fArrowsVisible = true;
}

// ---- Sizing ---------------------------------------------------------------------------------

void TkcCustomGridSizingObject::Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridTableDragObject::Init(P, AHitTest);
  DestPoint = P;
}

TCursor TkcCustomGridSizingObject::GetDragAndDropCursor(bool) {
  return IsHorizontalSizing() ? crkcGridHorzSize : crkcGridVertSize;
}

TRect TkcCustomGridSizingObject::GetSizingMarkBounds() {
  TRect item = GetSizingItemBounds();
  TkcGridTableViewInfo* info = TableViewInfo();
  int size = GetCurrentSize();
  if (IsHorizontalSizing()) {
    // Down through the rows, above the footer and a filter bar at the bottom.
    int bottom = info->ClientBounds().bottom;
    return TRect{item.left + size - 1, item.top, item.left + size, bottom};
  }
  return TRect{info->Bounds.left, item.top + size - 1, info->Bounds.right, item.top + size};
}

void TkcCustomGridSizingObject::ShowMark(bool AShow) {
  if (AShow == fMarkVisible) return;
  if (AShow) fMarkRect = GetSizingMarkBounds();
  ViewInfo()->Canvas()->InvertRect(fMarkRect);
  fMarkVisible = AShow;
}

void TkcCustomGridSizingObject::DirtyChanged() { ShowMark(!Dirty()); }

void TkcCustomGridSizingObject::BeginDragAndDrop() {
  Controller()->CancelMouseOperations();
  TkcCustomGridTableDragObject::BeginDragAndDrop();
}

void TkcCustomGridSizingObject::DragAndDrop(const TPoint& P, bool& AAccepted) {
  TPoint next = DestPoint;
  (IsHorizontalSizing() ? next.x : next.y) = IsHorizontalSizing() ? P.x : P.y;
  if (next.x != DestPoint.x || next.y != DestPoint.y) {
    ShowMark(false);
    DestPoint = next;
  }
  Accepted = AAccepted = true;
  TkcCustomGridTableDragObject::DragAndDrop(P, AAccepted);
  ShowMark(true);
}

void TkcCustomGridSizingObject::EndDragAndDrop(bool AAccepted) {
  ShowMark(false);
  TkcCustomGridTableDragObject::EndDragAndDrop(AAccepted);
}

TkcGridColumnHeaderViewInfo* TkcGridColumnHorzSizingObject::Header() {
  return TableViewInfo()->HeaderViewInfo()->ItemOfColumn(Column);
}

void TkcGridColumnHorzSizingObject::Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridSizingObject::Init(P, AHitTest);
  if (auto* hit = dynamic_cast<TkcCustomGridColumnHitTest*>(AHitTest)) Column = hit->Column;
  if (TkcGridColumnHeaderViewInfo* h = Header()) StartSize = h->Bounds.right - h->Bounds.left;
}

TRect TkcGridColumnHorzSizingObject::GetSizingItemBounds() {
  TkcGridColumnHeaderViewInfo* h = Header();
  return h ? h->Bounds : TRect{};
}

int TkcGridColumnHorzSizingObject::CheckSize(int ASize) {
  if (TkcGridColumnHeaderViewInfo* h = Header()) h->CheckWidth(ASize);
  return ASize;
}

void TkcGridColumnHorzSizingObject::EndDragAndDrop(bool AAccepted) {
  int size = GetCurrentSize();
  TkcCustomGridSizingObject::EndDragAndDrop(AAccepted);
  if (!AAccepted || !Column || size == StartSize) return;
  TkcGridTableView* view = TableView();
  TkcGridTableViewInfo* info = TableViewInfo();
  int indent = info->TotalLevelIndent();
  view->BeginUpdate();
  try {
    // In auto-width mode every column keeps the width it shows now, so the spread starts there.
    if (view->OptionsView()->ColumnAutoWidth())
      for (auto& header : info->HeaderViewInfo()->Items)
        if (header->Column != Column)
          header->Column->SetWidth(header->Bounds.right - header->Bounds.left - (header->Column->IsFirst() ? indent : 0));
    // The first column's header also holds the group levels' indent.
    Column->SetWidth(size - (Column->IsFirst() ? indent : 0));
  } catch (...) {
    view->EndUpdate();
    throw;
  }
  view->EndUpdate();
}

TkcCustomGridRowViewInfo* TkcGridRowSizingObject::Row() { return TableViewInfo()->RowByIndex(RowIndex); }

void TkcGridRowSizingObject::Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) {
  TkcCustomGridSizingObject::Init(P, AHitTest);
  if (auto* hit = dynamic_cast<TkcGridRecordHitTest*>(AHitTest)) RowIndex = hit->RowIndex;
  if (TkcCustomGridRowViewInfo* row = Row()) StartSize = row->Bounds.bottom - row->Bounds.top;
}

TRect TkcGridRowSizingObject::GetSizingItemBounds() {
  TkcCustomGridRowViewInfo* row = Row();
  return row ? row->Bounds : TRect{};
}

void TkcGridRowSizingObject::EndDragAndDrop(bool AAccepted) {
  int size = GetCurrentSize();
  TkcCustomGridSizingObject::EndDragAndDrop(AAccepted);
  if (!AAccepted) return;
  if (TkcCustomGridRowViewInfo* row = Row()) row->SetRowHeight(size);
}
