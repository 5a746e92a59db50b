#include "grid/kcGridTableOptions.h"

#include "controls/kcOffice11.h"
#include "grid/kcGridTableView.h"

void TkcGridTableViewOptions::Changed(TkcGridViewChangeKind AKind) { fGridView->Changed(AKind); }

// ---- Customize ------------------------------------------------------------------------------

void TkcGridTableOptionsCustomize::SetGroupBySorting(bool V) {
  if (fGroupBySorting == V) return;
  TkcGridTableView* view = GridView();
  view->BeginUpdate();
  try {
    TkcCustomDataController* dc = view->DataController();
    for (int i = 0; i < view->ColumnCount(); ++i)
      if (view->Columns(i)->GroupIndex() >= 0) view->Columns(i)->SetVisible(true);
    dc->Groups()->ClearGrouping();
    dc->ClearSorting(false);
  } catch (...) {
    view->EndUpdate();
    throw;
  }
  view->EndUpdate();
  fGroupBySorting = V;
  Changed(vckProperty);
}

// ---- Selection ------------------------------------------------------------------------------

void TkcGridTableOptionsSelection::SetCellSelect(bool V) {
  if (fCellMultiSelect && !V) return;
  SetValue(fCellSelect, V, vckProperty);
}

void TkcGridTableOptionsSelection::SetInvertSelect(bool V) {
  if (fCellMultiSelect && V) return;
  SetValue(fInvertSelect, V, vckLayout);
}

bool TkcGridTableOptionsSelection::MultiSelect() const { return GridView()->DataController()->MultiSelect(); }

void TkcGridTableOptionsSelection::SetMultiSelect(bool V) {
  if (fCellMultiSelect && !V) return;
  if (MultiSelect() == V) return;
  GridView()->DataController()->SetMultiSelect(V);
  Changed(vckProperty);
}

void TkcGridTableOptionsSelection::SetCellMultiSelect(bool V) {
  if (fCellMultiSelect == V) return;
  fCellMultiSelect = V;
  SetCellSelect(true);
  SetInvertSelect(!V);
  SetMultiSelect(V);
  Changed(vckProperty);
}

// ---- View -----------------------------------------------------------------------------------

void TkcGridTableOptionsView::SetNewItemRow(bool V) {
  if (fNewItemRow == V) return;
  fNewItemRow = V;
  GridView()->NewItemRowChanged();
}

TColor TkcGridTableOptionsView::GetGridLineColor() const {
  return fGridLineColor != clDefault ? fGridLineColor : GridView()->LookAndFeelPainter()->GetGridLineDefaultColor();
}

TColor TkcGridTableOptionsView::GetNewItemRowSeparatorColor() const {
  return fNewItemRowSeparatorColor != clDefault ? fNewItemRowSeparatorColor
                                                : GridView()->LookAndFeelPainter()->GetHeaderDefaultColor();
}

TColor TkcGridTableOptionsView::GetRowSeparatorColor() const {
  return fRowSeparatorColor != clDefault ? fRowSeparatorColor
                                         : GridView()->LookAndFeelPainter()->GetRowSeparatorDefaultColor();
}

int TkcGridTableOptionsView::CheckDataRowHeight(int V) const {
  if (V <= 0) return 0;
  return std::max(V, GridView()->CalculateRowDefaultHeight());
}

int TkcGridTableOptionsView::CheckGroupRowHeight(int V) const {
  if (V <= 0) return 0;
  return std::max(V, GridView()->CalculateGroupRowDefaultHeight());
}

// ---- Preview --------------------------------------------------------------------------------

void TkcGridPreview::SetColumn(TkcGridColumn* V) {
  if (V && V->GridView() != GridView()) V = nullptr;
  if (fColumn == V) return;
  TkcGridTableView* view = GridView();
  view->BeginUpdate();
  fColumn = V;
  view->RefreshVisibleColumns();
  view->Changed(vckSize);
  view->EndUpdate();
}

// ---- Styles ---------------------------------------------------------------------------------

TkcGridTableViewStyles::TkcGridTableViewStyles(TkcGridTableView* AGridView)
    : TkcStyles(nullptr), fGridView(AGridView) {}

void TkcGridTableViewStyles::Changed(int) {
  // A sheet's styles tell the views that use the sheet, through the sheet.
  if (!IsDestroying() && fGridView) fGridView->Changed(vckLayout);
}

namespace {
TkcVisualParams Colored(TkcVisualParams P, TColor AColor, TColor ATextColor) {
  P.Color = AColor;
  P.TextColor = ATextColor;
  return P;
}
}  // namespace

TkcVisualParams TkcGridTableViewStyles::GetDefaultVisualParams(int Index, TObject* AData) {
  TkcVisualParams p = TkcStyles::GetDefaultVisualParams(Index, AData);
  if (!fGridView) return p;
  p.Font = fGridView->Font();
  TkcLookAndFeelPainterClass painter = fGridView->LookAndFeelPainter();
  auto* pos = dynamic_cast<TkcGridDataCellPos*>(AData);
  switch (Index) {
    case gsiBackground: return Colored(p, fGridView->BackgroundColor(), painter->GetContentDefaultTextColor());
    case gsiContent: return Colored(p, painter->GetContentDefaultColor(), painter->GetContentDefaultTextColor());
    case gsiContentEven:
    case gsiContentOdd: return GetVisualParams(gsiContent, AData);
    case gsiFilterBox: return Colored(p, painter->GetFilterBoxDefaultColor(), painter->GetFilterBoxDefaultTextColor());
    case gsiInactive:
      if (pos) p = GetDataCellParams(pos->RowIndex, pos->Item);
      return Colored(p, painter->GetInactiveDefaultColor(), painter->GetInactiveDefaultTextColor());
    case gsiIncSearch: return Colored(p, clNone, clNone);
    case gsiSelection:
      if (pos) p = GetDataCellParams(pos->RowIndex, pos->Item);
      return Colored(p, painter->GetSelectionDefaultColor(), painter->GetSelectionDefaultTextColor());
    case gsiFooter: return Colored(p, painter->GetFooterDefaultColor(), painter->GetFooterDefaultTextColor());
    case gsiGroup:
      if (pos) p = GetContentParams(pos->RowIndex, nullptr);
      if (fGridView->OptionsView()->GroupRowStyle() == grsOffice11)
        return pos ? Colored(p, clWindow, Office11GroupRowTextColor) : Colored(p, Office11GroupRowBandColor, p.TextColor);
      return Colored(p, painter->GetGroupDefaultColor(), painter->GetGroupDefaultTextColor());
    case gsiGroupByBox:
      return Colored(p, painter->GetGroupByBoxDefaultColor(), painter->GetGroupByBoxDefaultTextColor());
    case gsiHeader:
    case gsiIndicator: return Colored(p, painter->GetHeaderDefaultColor(), painter->GetHeaderDefaultTextColor());
    case gsiNewItemRowInfoText:
      p = GetContentParams(pos ? pos->RowIndex : -1, nullptr);
      p.TextColor = clGrayText;
      return p;
    case gsiPreview:
      p = GetContentParams(pos ? pos->RowIndex : -1, fGridView->Preview()->Column());
      p.TextColor = painter->GetPreviewDefaultTextColor();
      return p;
    default: return p;
  }
}

TkcVisualParams TkcGridTableViewStyles::GetContentParams(int ARowIndex, TkcGridColumn* AItem) {
  if (AItem && AItem == fGridView->Preview()->Column()) return GetPreviewParams(ARowIndex, AItem);
  TkcStyle* style = nullptr;
  if (ARowIndex >= 0 && OnGetContentStyle) OnGetContentStyle(fGridView, ARowIndex, AItem, style);
  if (ARowIndex >= 0) {
    int index = ARowIndex % 2 == 0 ? gsiContentEven : gsiContentOdd;
    if (GetStyleByIndex(index)) {
      TkcGridDataCellPos pos(ARowIndex, AItem);
      return GetVisualParams(index, &pos, style);
    }
  }
  TkcGridDataCellPos pos(ARowIndex, AItem);
  return GetVisualParams(gsiContent, &pos, style);
}

TkcVisualParams TkcGridTableViewStyles::GetDataCellParams(int ARowIndex, TkcGridColumn* AItem) {
  if (!AItem) return GetContentParams(ARowIndex, nullptr);
  return AItem->Styles()->GetContentParams(ARowIndex);
}

TkcVisualParams TkcGridTableViewStyles::GetDataCellVisualParams(int ARowIndex, TkcGridColumn* AItem, bool ASelected,
                                                                bool AGridFocused) {
  if (!ASelected) return GetDataCellParams(ARowIndex, AItem);
  TkcGridDataCellPos pos(ARowIndex, AItem);
  return GetVisualParams(AGridFocused ? gsiSelection : gsiInactive, &pos);
}

TkcVisualParams TkcGridTableViewStyles::GetFooterParams(int ARowIndex, TkcGridColumn* AColumn, int ALevel) {
  TkcStyle* style = nullptr;
  if (OnGetFooterStyle) OnGetFooterStyle(fGridView, ARowIndex, AColumn, style);
  (void)ALevel;
  if (!style && AColumn) style = AColumn->Styles()->Footer();
  return GetVisualParams(gsiFooter, nullptr, style);
}

TkcVisualParams TkcGridTableViewStyles::GetGroupParams(int ARowIndex, int ALevel) {
  if (ARowIndex >= 0) ALevel = fGridView->DataController()->GetRowInfo(ARowIndex).Level;
  TkcStyle* style = nullptr;
  if (OnGetGroupStyle) OnGetGroupStyle(fGridView, ARowIndex, ALevel, style);
  if (ARowIndex < 0) return GetVisualParams(gsiGroup, nullptr, style);
  TkcGridDataCellPos pos(ARowIndex, nullptr);
  return GetVisualParams(gsiGroup, &pos, style);
}

TkcVisualParams TkcGridTableViewStyles::GetHeaderParams(TkcGridColumn* AColumn) {
  TkcStyle* style = nullptr;
  if (OnGetHeaderStyle) OnGetHeaderStyle(fGridView, AColumn, style);
  if (!style && AColumn) style = AColumn->Styles()->Header();
  return GetVisualParams(gsiHeader, nullptr, style);
}

TkcVisualParams TkcGridTableViewStyles::GetPreviewParams(int ARowIndex, TkcGridColumn* AItem) {
  TkcStyle* style = nullptr;
  if (OnGetPreviewStyle) OnGetPreviewStyle(fGridView, ARowIndex, AItem, style);
  TkcGridDataCellPos pos(ARowIndex, AItem);
  return GetVisualParams(gsiPreview, ARowIndex >= 0 ? &pos : nullptr, style);
}

TkcGridColumnStyles::TkcGridColumnStyles(TkcGridColumn* AColumn) : TkcStyles(nullptr), fColumn(AColumn) {}

void TkcGridColumnStyles::Changed(int) {
  if (!IsDestroying() && fColumn->GridView()) fColumn->GridView()->Changed(vckLayout);
}

TkcVisualParams TkcGridColumnStyles::GetDefaultVisualParams(int Index, TObject* AData) {
  if (Index != 0 || !fColumn->GridView()) return TkcStyles::GetDefaultVisualParams(Index, AData);
  auto* pos = dynamic_cast<TkcGridDataCellPos*>(AData);
  return fColumn->GridView()->Styles()->GetContentParams(pos ? pos->RowIndex : -1, fColumn);
}

TkcVisualParams TkcGridColumnStyles::GetContentParams(int ARowIndex) {
  TkcStyle* style = nullptr;
  if (ARowIndex >= 0 && OnGetContentStyle && fColumn->GridView())
    OnGetContentStyle(fColumn->GridView(), ARowIndex, fColumn, style);
  TkcGridDataCellPos pos(ARowIndex, fColumn);
  return GetVisualParams(0, &pos, style);
}
