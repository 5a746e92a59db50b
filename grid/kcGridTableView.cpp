#include "grid/kcGridTableView.h"

#include "grid/kcGridTableController.h"

#include <algorithm>

#include "data/kcDataSummary.h"
#include "editors-extended/kcEditDataRegisteredRepositoryItems.h"
#include "grid/kcGridEditingController.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridNavigatorSite.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableViewData.h"
#include "platform/forms/Clipbrd.h"

// ---- Columns --------------------------------------------------------------------------------

template <class T>
void TkcGridColumnOptions::SetValue(T& AField, T AValue, TkcGridViewChangeKind AKind) {
  if (AField == AValue) return;
  AField = AValue;
  if (fColumn->GridView()) fColumn->GridView()->Changed(AKind);
}
// The setters in the header call it; an optimised build inlines it here and emits no copy.
template void TkcGridColumnOptions::SetValue<bool>(bool&, bool, TkcGridViewChangeKind);
template void TkcGridColumnOptions::SetValue<TkcGridItemShowEditButtons>(TkcGridItemShowEditButtons&,
                                                                         TkcGridItemShowEditButtons,
                                                                         TkcGridViewChangeKind);
template void TkcGridColumnOptions::SetValue<TkcGridItemSortByDisplayText>(TkcGridItemSortByDisplayText&,
                                                                           TkcGridItemSortByDisplayText,
                                                                           TkcGridViewChangeKind);

void TkcGridColumnOptions::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TkcGridColumnOptions*>(Source);
  if (!src) {
    TPersistent::Assign(Source);
    return;
  }
  SetEditing(src->fEditing);
  SetFiltering(src->fFiltering);
  SetFilteringMRUItemsList(src->fFilteringMRUItemsList);
  SetFocusing(src->fFocusing);
  SetGrouping(src->fGrouping);
  SetIncSearch(src->fIncSearch);
  SetMoving(src->fMoving);
  SetShowEditButtons(src->fShowEditButtons);
  SetSortByDisplayText(src->fSortByDisplayText);
  SetSorting(src->fSorting);
  SetHorzSizing(src->fHorzSizing);
  SetCellMerging(src->fCellMerging);
}

TkcGridColumn::TkcGridColumn(TkcGridTableView* AGridView)
    : fGridView(AGridView),
      fOptions(std::make_unique<TkcGridColumnOptions>(this)),
      fStyles(std::make_unique<TkcGridColumnStyles>(this)),
      fDataBinding(std::make_unique<TkcGridItemDataBinding>(this)),
      fSummary(std::make_unique<TkcGridColumnSummary>(this)) {}

TkcGridColumn::~TkcGridColumn() {
  SetRepositoryItem(nullptr);
  if (fGridView) fGridView->ColumnRemoved(this);
  ReleaseEditData();
}

bool TkcGridColumn::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcEditRepositoryItemListener>(this, IID, Obj) || TObject::GetInterface(IID, Obj);
}

int TkcGridColumn::Index() const { return fGridView->IndexOfColumn(this); }
void TkcGridColumn::SetIndex(int Value) { fGridView->ChangeColumnIndex(this, Value); }
int TkcGridColumn::VisibleIndex() const { return fGridView ? fGridView->VisibleIndexOfColumn(this) : -1; }
bool TkcGridColumn::IsLast() const {
  int i = VisibleIndex();
  return i >= 0 && i + 1 == fGridView->VisibleColumnCount();
}

bool TkcGridColumn::ActuallyVisible() const {
  return fVisible && !(fGridView && fGridView->Preview()->Column() == this);
}

int TkcGridColumn::ItemIndex() const {
  return fGridView->DataController()->GetItemIndexOfField(
      fGridView->DataController()->GetFieldByItem(const_cast<TkcGridColumn*>(this)));
}

void TkcGridColumn::SetCaption(const String& Value) {
  if (Value == fCaption) return;
  fCaption = Value;
  fIsCaptionAssigned = true;
  fGridView->Changed(vckLayout);
}

void TkcGridColumn::SetWidth(int Value) {
  Value = std::max(Value, fMinWidth);
  if (Value == fWidth) return;
  fWidth = Value;
  fGridView->Changed(vckSize);
  if (fGridView->OnColumnSizeChanged) fGridView->OnColumnSizeChanged(fGridView, this);
}

void TkcGridColumn::SetMinWidth(int Value) {
  fMinWidth = std::max(0, Value);
  if (fWidth < fMinWidth) fWidth = fMinWidth;
  fGridView->Changed(vckSize);
}

void TkcGridColumn::SetVisible(bool Value) {
  if (fVisible == Value) return;
  fVisible = Value;
  fGridView->RefreshVisibleColumns();
  fGridView->Changed(vckSize);
}

void TkcGridColumn::SetAlignment(TAlignment Value) {
  fAlignment = Value;
  fIsAlignmentAssigned = true;
  fGridView->Changed(vckLayout);
}

void TkcGridColumn::SetHeaderAlignmentHorz(TAlignment Value) {
  fHeaderAlignmentHorz = Value;
  fGridView->Changed(vckLayout);
}

void TkcGridColumn::SetHeaderAlignmentVert(TkcAlignmentVert Value) {
  fHeaderAlignmentVert = Value;
  fGridView->Changed(vckLayout);
}

void TkcGridColumn::SetFooterAlignmentHorz(TAlignment Value) {
  fFooterAlignmentHorz = Value;
  fGridView->Changed(vckLayout);
}

TkcDataSortOrder TkcGridColumn::SortOrder() const { return fGridView->DataController()->GetItemSortOrder(ItemIndex()); }
void TkcGridColumn::SetSortOrder(TkcDataSortOrder Value) {
  if (Value == SortOrder()) return;
  fGridView->DataController()->SetItemSortOrder(ItemIndex(), Value);
}
int TkcGridColumn::GroupIndex() const { return fGridView->DataController()->Groups()->GetItemGroupIndex(ItemIndex()); }

void TkcGridColumn::SetGroupIndex(int Value) {
  int old = GroupIndex();
  if (Value == old) return;
  fGridView->BeginUpdate();
  try {
    if (old < 0 && Value >= 0) WasVisibleBeforeGrouping = fVisible;
    fGridView->DataController()->Groups()->SetItemGroupIndex(ItemIndex(), Value);
    // A grouped column leaves the columns while grouped (when the view hides grouped columns)
    // and comes back when ungrouped if it was shown before.
    if (fGridView->OptionsCustomize()->ColumnHidingOnGrouping()) {
      if (old < 0 && Value >= 0)
        SetVisible(false);
      else if (old >= 0 && Value < 0 && WasVisibleBeforeGrouping)
        SetVisible(true);
    }
  } catch (...) {
    fGridView->EndUpdate();
    throw;
  }
  fGridView->EndUpdate();
}

void TkcGridColumn::SetValueTypeClass(TkcValueTypeClass Value) {
  fGridView->DataController()->ChangeValueTypeClass(ItemIndex(), Value);
  PropertiesChanged();
}

TkcVisualParams TkcGridColumn::GetContentParams() { return fStyles->GetContentParams(-1); }

void TkcGridColumn::SetPropertiesClass(TkcCustomEditPropertiesClass Value) {
  if (Value == fPropertiesClass) return;
  fPropertiesClass = Value;
  ReleaseEditData();
  if (fProperties && fGridView && fGridView->Controller()) fGridView->TableController()->EditingController()->RemoveEdit(fProperties.get());
  fProperties.reset(Value ? Value.Create(nullptr) : nullptr);
  PropertiesChanged();
}

void TkcGridColumn::SetRepositoryItem(TkcEditRepositoryItem* Value) {
  if (Value == fRepositoryItem) return;
  if (fRepositoryItem) fRepositoryItem->RemoveListener(this);
  fRepositoryItem = Value;
  if (fRepositoryItem) fRepositoryItem->AddListener(this);
  PropertiesChanged();
}

void TkcGridColumn::ItemRemoved(TkcEditRepositoryItem* Sender) {
  if (Sender == fRepositoryItem) SetRepositoryItem(nullptr);
}

void TkcGridColumn::PropertiesChanged(TkcEditRepositoryItem*) { PropertiesChanged(); }

TkcCustomEditProperties* TkcGridColumn::GetProperties() {
  TkcCustomEditProperties* properties = nullptr;
  if (fRepositoryItem) {
    properties = fRepositoryItem->Properties();
  } else if (fProperties) {
    properties = fProperties.get();
  } else if (fGridView) {
    TkcEditRepositoryItem* item = GetDefaultRepositoryItem();
    properties = item ? item->Properties() : nullptr;
  }
  // Shared properties answer for the column that asks: its source's defaults (a lookup field's
  // list, a field's formats). Handing the provider over raises no change of the properties.
  if (properties && fDataBinding) {
    IkcEditDefaultValuesProvider* provider = fDataBinding->GetDefaultValuesProvider();
    if (provider && properties->DefaultValuesProvider() != provider) properties->SetDefaultValuesProvider(provider);
  }
  return properties;
}

TkcEditRepositoryItem* TkcGridColumn::GetDefaultRepositoryItem() {
  return GetEditDataRegisteredRepositoryItems()->GetItemByValueType(
      fGridView->DataController()->GetItemValueTypeClass(ItemIndex()));
}

void TkcGridColumn::PropertiesChanged() {
  fCachedViewData.reset();
  fCachedViewDataProperties = nullptr;
  if (fGridView && !fGridView->IsDestroying()) fGridView->Changed(vckSize);
}

void TkcGridColumn::ReleaseEditData() {
  fCachedViewData.reset();
  fCachedViewDataProperties = nullptr;
  fEditStyle.reset();
}

TkcEditStyle* TkcGridColumn::EditStyle() {
  if (!fEditStyle) fEditStyle = std::make_unique<TkcEditStyle>(nullptr, true, nullptr, cssNormal);
  return fEditStyle.get();
}

TkcCustomEditViewData* TkcGridColumn::CachedEditViewData() {
  TkcCustomEditProperties* properties = GetProperties();
  if (!properties) return nullptr;
  if (!fCachedViewData || fCachedViewDataProperties != properties) {
    fCachedViewData.reset(properties->CreateViewData(EditStyle(), true));
    fCachedViewDataProperties = properties;
  }
  return fCachedViewData.get();
}

int TkcGridColumn::CalculateDefaultCellHeight(TkcCanvas* ACanvas, TFont* AFont) {
  TkcCustomEditProperties* properties = GetProperties();
  if (!properties) return 0;
  EditStyle()->SetFont(AFont);
  int h = properties->GetEditSize(ACanvas, EditStyle(), true, Variant(), TkcEditSizeProperties{}).cy;
  return h ? h + 2 : 0;
}

bool TkcGridColumn::ShowButtons(bool AFocused) const {
  switch (fOptions->ShowEditButtons()) {
    case isebAlways: return true;
    case isebNever: return false;
    default: break;
  }
  switch (fGridView->OptionsView()->ShowEditButtons()) {
    case gsebAlways: return true;
    case gsebForFocusedRecord: return AFocused;
    default: return false;
  }
}

bool TkcGridColumn::CanSort() const {
  return fGridView->OptionsCustomize()->ColumnSorting() && fOptions->Sorting();
}
bool TkcGridColumn::CanGroup() const {
  return fGridView->OptionsCustomize()->ColumnGrouping() && fOptions->Grouping();
}
bool TkcGridColumn::CanMove() const { return fGridView->OptionsCustomize()->ColumnMoving() && fOptions->Moving(); }
bool TkcGridColumn::CanHide() const { return !(IsFirst() && IsLast()) && CanMove(); }
bool TkcGridColumn::CanHorzSize() const {
  return fGridView->OptionsCustomize()->ColumnHorzSizing() && fOptions->HorzSizing();
}
bool TkcGridColumn::CanFilter(bool AVisually) const {
  return fOptions->Filtering() && (!AVisually || fGridView->OptionsCustomize()->ColumnFiltering());
}

bool TkcGridColumn::CompareValuesForCellMerging(TkcCustomEditProperties* AProperties1, const Variant& AValue1,
                                                TkcCustomEditProperties* AProperties2, const Variant& AValue2) {
  bool equal = AProperties1 == AProperties2 &&
               (AProperties1 ? AProperties1->CompareDisplayValues(AValue1, AValue2) : AValue1 == AValue2);
  if (OnCompareValuesForCellMerging)
    OnCompareValuesForCellMerging(this, AProperties1, AValue1, AProperties2, AValue2, equal);
  return equal;
}

int TkcGridColumn::FooterSummaryItemIndex() const {
  return fGridView->DataController()->Summary()->FooterSummaryItems()->IndexOfItemLink(const_cast<TkcGridColumn*>(this));
}

int TkcGridColumn::HeaderWidth(bool AAnySortOrder, const String& ACaption) const {
  TkcCanvas* canvas = fGridView->ViewInfo()->Canvas();
  // The header's own font, as its painter uses it.
  TFont* font = fGridView->Styles()->GetHeaderParams(const_cast<TkcGridColumn*>(this)).Font;
  if (!font) font = fGridView->Font();
  if (font) canvas->SetFont(font);
  TkcLookAndFeelPainterClass painter = fGridView->LookAndFeelPainter();
  int w = canvas->TextWidth(ACaption) + 4 + 2 * painter->GetHeaderBorderWidth();
  const bool mark = AAnySortOrder ? CanSort() : SortOrder() != soNone;
  if (mark) w += painter->GetSortingMarkAreaSize().cx;
  if (CanFilter(true)) w += painter->GetFilterDropDownButtonExtent().cx;
  if (mark || CanFilter(true)) w += 2;
  return w;
}

int TkcGridColumn::GetBestFitWidth() {
  TkcCanvas* canvas = fGridView->ViewInfo()->Canvas();
  int header = HeaderWidth(false);
  if (TFont* font = fGridView->Font()) canvas->SetFont(font);
  int widest = 0;
  TkcCustomDataController* dc = fGridView->DataController();
  int item = ItemIndex();
  int levels = dc->Groups()->GetGroupingItemCount();
  int first = 0, last = dc->GetRowCount() - 1;
  // A window of records from the top when the view caps the records measured.
  if (int cap = fGridView->OptionsBehavior()->BestFitMaxRecordCount()) {
    first = std::max(0, fGridView->TopRowIndex());
    last = std::min(last, first + cap - 1);
  }
  for (int row = first; row <= last; ++row) {
    TkcRowInfo info = dc->GetRowInfo(row);
    if (info.Level < levels) continue;
    widest = std::max(widest, canvas->TextWidth(dc->GetDisplayText(info.RecordIndex, item)));
  }
  // The cell's text offsets and its right grid line.
  int result = std::max({header, widest + 4 + 1, fMinWidth});
  return fBestFitMaxWidth ? std::min(result, std::max(fBestFitMaxWidth, fMinWidth)) : result;
}

// ---- View -----------------------------------------------------------------------------------

TkcCustomGridViewData* TkcGridTableView::CreateViewData() { return new TkcCustomGridTableViewData(this); }

TkcCustomGridTableViewData* TkcGridTableView::TableViewData() const {
  return static_cast<TkcCustomGridTableViewData*>(ViewData());
}

TkcGridTableController* TkcGridTableView::TableController() const {
  return static_cast<TkcGridTableController*>(Controller());
}

TkcCustomGridController* TkcGridTableView::CreateController() { return new TkcGridTableController(this); }

TkcGridTableView::TkcGridTableView(TComponent* AOwner) : TkcGridTableView(AOwner, nullptr) {}

TkcGridTableView::TkcGridTableView(TComponent* AOwner, TkcCustomDataController* ADataController)
    : TkcCustomGridView(AOwner),
      fDataController(ADataController ? ADataController : new TkcGridDataController(this)),
      fFiltering(std::make_unique<TkcGridTableFiltering>(this)),
      fFilterBox(std::make_unique<TkcGridFilterBox>(this)),
      fOptionsBehavior(std::make_unique<TkcGridTableOptionsBehavior>(this)),
      fOptionsCustomize(std::make_unique<TkcGridTableOptionsCustomize>(this)),
      fOptionsData(std::make_unique<TkcGridTableOptionsData>(this)),
      fOptionsSelection(std::make_unique<TkcGridTableOptionsSelection>(this)),
      fOptionsView(std::make_unique<TkcGridTableOptionsView>(this)),
      fPreview(std::make_unique<TkcGridPreview>(this)),
      fStyles(std::make_unique<TkcGridTableViewStyles>(this)) {}

TkcGridViewNavigator* TkcGridTableView::Navigator() {
  if (!fNavigator) fNavigator = std::make_unique<TkcGridViewNavigator>(this);
  return fNavigator.get();
}

TkcGridTableView::~TkcGridTableView() {
  if (Controller() && DataController()) TableController()->FinishEditingBeforeDestruction();
  // Also when freed without an owner (a detail view goes with its master record): its data
  // controller, freed last, must not reach the parts already gone.
  Destroying();
  Detach();
  fClearing = true;
  for (TkcGridColumn* c : fColumns) {
    c->fGridView = nullptr;
    delete c;
  }
  fColumns.clear();
  fVisibleColumns.clear();
  // The styles reach the view while they let their styles go.
  fStyles.reset();
}

TkcGridColumn* TkcGridTableView::CreateColumn() {
  TkcGridColumn* column = NewColumn();
  column->fID = fNextID++;
  fColumns.push_back(column);
  fDataController->AddItem(column);
  // Any value until a type is chosen: the column shows what it is given.
  fDataController->ChangeValueTypeClass(fDataController->GetItemCount() - 1, TkcVariantValueType::Class());
  RefreshVisibleColumns();
  Changed(vckSize);
  return column;
}

void TkcGridTableView::ColumnRemoved(TkcGridColumn* AColumn) {
  if (fClearing) return;
  if (Controller()) TableController()->ItemRemoved(AColumn);
  if (TableViewInfo()) TableViewInfo()->ColumnRemoved();
  if (AColumn->fID == fNextID - 1) --fNextID;
  fPreview->ColumnRemoved(AColumn);
  std::erase(fColumns, AColumn);
  // Before the data controller's change notice lays the view out again.
  RefreshVisibleColumns();
  fDataController->RemoveItem(AColumn);
  // Its conditions went from every history entry; those left empty go too.
  fFiltering->MRUItems()->DeleteEmptyItems();
  Changed(vckSize);
}

void TkcGridTableView::ClearItems() {
  BeginUpdate();
  fDataController->BeginUpdate();
  while (!fColumns.empty()) delete fColumns.back();
  fNextID = 0;
  fDataController->EndUpdate();
  EndUpdate();
}

int TkcGridTableView::IndexOfColumn(const TkcGridColumn* AColumn) const {
  auto it = std::find(fColumns.begin(), fColumns.end(), AColumn);
  return it == fColumns.end() ? -1 : static_cast<int>(it - fColumns.begin());
}

int TkcGridTableView::VisibleIndexOfColumn(const TkcGridColumn* AColumn) const {
  auto it = std::find(fVisibleColumns.begin(), fVisibleColumns.end(), AColumn);
  return it == fVisibleColumns.end() ? -1 : static_cast<int>(it - fVisibleColumns.begin());
}

void TkcGridTableView::ChangeColumnIndex(TkcGridColumn* AColumn, int AIndex) {
  int old = IndexOfColumn(AColumn);
  if (old < 0) return;
  AIndex = std::clamp(AIndex, 0, ColumnCount() - 1);
  if (AIndex == old) return;
  fColumns.erase(fColumns.begin() + old);
  fColumns.insert(fColumns.begin() + AIndex, AColumn);
  RefreshVisibleColumns();
  Changed(vckSize);
  if (OnColumnPosChanged) OnColumnPosChanged(this, AColumn);
}

TkcGridColumn* TkcGridTableView::FindColumnByID(int AID) const {
  for (TkcGridColumn* c : fColumns)
    if (c->fID == AID) return c;
  return nullptr;
}

void TkcGridTableView::RefreshVisibleColumns() {
  fVisibleColumns.clear();
  for (TkcGridColumn* c : fColumns)
    if (c->ActuallyVisible()) fVisibleColumns.push_back(c);
  if (Controller()) Controller()->RefreshCustomizationFormItems();
}

void TkcGridTableView::NewItemRowChanged() {
  fDataController->SetUseNewItemRowForEditing(fOptionsView->NewItemRow());
  Changed(vckSize);
}

int TkcGridTableView::GroupingItemCount() { return fDataController->Groups()->GetGroupingItemCount(); }

TkcGridColumn* TkcGridTableView::GroupedColumns(int AIndex) {
  return static_cast<TkcGridColumn*>(fDataController->GetItem(fDataController->Groups()->GetGroupingItemIndex(AIndex)));
}

bool TkcGridTableView::IsRowGroup(int ARowIndex) {
  return fDataController->GetRowInfo(ARowIndex).Level < GroupingItemCount();
}

bool TkcGridTableView::DrawRecordFocused() {
  TkcGridSite* site = Site();
  return site && site->HandleAllocated() && site->Focused();
}

bool TkcGridTableView::DrawRecordSelected(int ARowIndex) {
  bool selected = fDataController->GetFocusedRowIndex() == ARowIndex || fDataController->IsRowSelected(ARowIndex);
  if (!selected) return false;
  return DrawRecordFocused() || !fOptionsSelection->HideSelection();
}

int TkcGridTableView::CalculateRowDefaultHeight() {
  TkcGridTableViewInfo* info = TableViewInfo();
  return info && info->RecordsViewInfo() ? info->RecordsViewInfo()->CalculateRowDefaultHeight() : 0;
}

int TkcGridTableView::CalculateGroupRowDefaultHeight() {
  TkcGridTableViewInfo* info = TableViewInfo();
  return info && info->RecordsViewInfo() ? info->RecordsViewInfo()->CalculateGroupRowDefaultHeight() : 0;
}

int TkcGridTableView::MaxLeftPos() const {
  TkcGridTableViewInfo* info = TableViewInfo();
  TRect client = info->ClientBounds();
  return std::max(0, info->DataWidth() - static_cast<int>(client.right - client.left));
}

int TkcGridTableView::LeftPos() const { return Controller() ? TableController()->LeftPos() : 0; }

void TkcGridTableView::SetLeftPos(int Value) {
  if (Controller()) TableController()->SetLeftPos(Value);
}

void TkcGridTableView::LeftPosChanged(int ADelta) {
  TkcGridTableViewInfo* info = TableViewInfo();
  if (!info->IsCalculated() || IsUpdateLocked()) {
    LayoutChanged();
    return;
  }
  // Columns coming into view get their cells; the pixels already drawn move.
  info->Recalculate();
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) {
    TRect scroll = info->ClientBounds();
    scroll.top = info->HeaderViewInfo()->Height ? info->HeaderViewInfo()->Bounds.top : scroll.top;
    if (info->FooterViewInfo()->Height) scroll.bottom = info->FooterViewInfo()->Bounds.bottom;
    TRect uncovered = scroll;
    if (std::abs(ADelta) < scroll.right - scroll.left && info->CanPixelScroll()) {
      site->ScrollWindow(ADelta, 0, scroll);
      if (ADelta < 0)
        uncovered.left = scroll.right + ADelta;
      else
        uncovered.right = scroll.left + ADelta;
    }
    site->InvalidateRect(uncovered, false);
    site->UpdateScrollBars();
  }
}

int TkcGridTableView::MaxTopRowIndex() const {
  int visible =
      TableViewInfo()->RowsFitting(TableViewInfo()->RecordsBounds().bottom - TableViewInfo()->RecordsBounds().top);
  return std::max(0, fDataController->GetRowCount() - std::max(visible, 1));
}

void TkcGridTableView::SetTopRowIndex(int Value) {
  Value = std::clamp(Value, 0, MaxTopRowIndex());
  if (Value == fTopRowIndex) return;
  int delta = Value - fTopRowIndex;
  fTopRowIndex = Value;
  TkcGridTableViewInfo* info = TableViewInfo();
  if (!info->IsCalculated() || IsUpdateLocked()) {
    LayoutChanged();
    return;
  }
  int distance = info->ScrollRows(delta);
  if (TkcGridSite* site = Site(); site && site->HandleAllocated()) {
    // The kept rows move by pixels and only the uncovered strip is painted, unless something
    // drawn over the records (a background bitmap, the indicator) forbids it.
    TRect scroll, invalidate;
    info->GetVertScrollRects(distance, scroll, invalidate);
    if (distance != 0 && info->CanPixelScroll()) {
      site->ScrollWindow(0, distance, scroll);
      site->InvalidateRect(invalidate, false);
    } else {
      site->Invalidate();
    }
    site->UpdateScrollBars();
  }
  if (OnTopRecordIndexChanged) OnTopRecordIndexChanged(this);
}

TkcGridColumn* TkcGridTableView::GetGroupRowColumn(int ARowIndex) {
  int item = fDataController->Groups()->GetGroupingItemIndex(fDataController->GetRowInfo(ARowIndex).Level);
  return static_cast<TkcGridColumn*>(fDataController->GetItem(item));
}

String TkcGridTableView::GetGroupRowText(int ARowIndex) {
  TkcGridColumn* column = GetGroupRowColumn(ARowIndex);
  String text = column->Caption() + " : " +
                fDataController->GetDisplayText(fDataController->GetRowInfo(ARowIndex).RecordIndex, column->ItemIndex());
  // The group's summaries follow the value, when it has any.
  String summary = fDataController->Summary()->GetGroupSummaryText(ARowIndex);
  if (!summary.empty()) text += " " + summary;
  return text;
}

String TkcGridTableView::GetCopyText(bool AWithCaptions, bool ASelectedOnly,
                                     const std::vector<TkcGridColumn*>& AColumns) {
  const std::vector<TkcGridColumn*>& columns = AColumns.empty() ? fVisibleColumns : AColumns;
  if (columns.empty()) return AWithCaptions ? "\r\n" : "";
  String text;
  std::vector<int> items;
  for (TkcGridColumn* c : columns) items.push_back(c->ItemIndex());
  if (AWithCaptions) {
    for (size_t i = 0; i < columns.size(); ++i) {
      if (i) text += '\t';
      text += columns[i]->Caption();
    }
    text += "\r\n";
  }
  int levels = fDataController->Groups()->GetGroupingItemCount();
  bool first = true;
  // Rows are separated by count, never by what their texts end with, so an empty first row or
  // a text ending in a line break keeps every row apart.
  fDataController->ForEachRow(ASelectedOnly, [&](int ARowIndex, const TkcRowInfo& AInfo) {
    if (!first) text += "\r\n";
    first = false;
    if (AInfo.Level < levels) {
      text += GetGroupRowText(ARowIndex);
      return;
    }
    for (size_t i = 0; i < items.size(); ++i) {
      if (i) text += '\t';
      text += fDataController->GetDisplayText(AInfo.RecordIndex, items[i]);
    }
  });
  return text;
}

void TkcGridTableView::CopyToClipboard(bool AWithCaptions, bool ASelectedOnly,
                                       const std::vector<TkcGridColumn*>& AColumns) {
  Clipboard()->SetAsText(GetCopyText(AWithCaptions, ASelectedOnly, AColumns));
}

void TkcGridTableView::DataControllerChanged(TkcUpdateControlInfo* AInfo) {
  if (IsDestroying()) return;
  // A detail view's changes reach its master, whose relayout may free this view: they run once
  // the notice is handled, when nothing of this view is used any more.
  TkcCustomGrid* grid = IsClone() ? Grid() : nullptr;
  if (!grid) {
    HandleDataControllerChange(AInfo);
    return;
  }
  grid->BeginUpdate();
  try {
    HandleDataControllerChange(AInfo);
  } catch (...) {
    grid->EndUpdate();
    throw;
  }
  grid->EndUpdate();
}

void TkcGridTableView::HandleDataControllerChange(TkcUpdateControlInfo* AInfo) {
  if (auto* focus = dynamic_cast<TkcFocusedRecordChangedInfo*>(AInfo))
    Changed(new TkcGridFocusedRecordChange(this, focus->NewItemRowFocusingChanged, focus->FocusedRowIndex,
                                           focus->PrevFocusedRowIndex));
  if (dynamic_cast<TkcFocusedRowChangedInfo*>(AInfo) || dynamic_cast<TkcFocusedRecordChangedInfo*>(AInfo) ||
      dynamic_cast<TkcSelectionChangedInfo*>(AInfo)) {
    // The colours of the rows come with their layout, which covers only the visible rows.
    LayoutChanged();
    return;
  }
  fTopRowIndex = std::clamp(fTopRowIndex, 0, std::max(0, fDataController->GetRowCount() - 1));
  Changed(new TkcGridDataChange(this));
}

// ---- Detail views ---------------------------------------------------------------------------

void TkcGridTableView::AssignPattern(TkcCustomGridView* APattern) {
  auto* pattern = dynamic_cast<TkcGridTableView*>(APattern);
  if (!pattern) return;
  BeginUpdate();
  try {
    ClearItems();
    for (int i = 0; i < pattern->ColumnCount(); ++i) {
      TkcGridColumn* source = pattern->Columns(i);
      TkcGridColumn* column = CreateColumn();
      AssignColumnBinding(column, source);
      if (source->IsCaptionAssigned()) column->SetCaption(source->Caption());
      column->SetMinWidth(source->MinWidth());
      column->SetWidth(source->Width());
      if (source->IsAlignmentAssigned()) column->SetAlignment(source->Alignment());
      column->SetVisible(source->Visible());
      column->SetHidden(source->Hidden());
    }
    TkcGridTableOptionsView* from = pattern->OptionsView();
    TkcGridTableOptionsView* to = OptionsView();
    to->SetHeader(from->Header());
    to->SetGroupByBox(from->GroupByBox());
    to->SetFooter(from->Footer());
    to->SetIndicator(from->Indicator());
    to->SetGridLines(from->GridLines());
    to->SetDataRowHeight(from->DataRowHeight());
    to->SetColumnAutoWidth(from->ColumnAutoWidth());
    to->SetNewItemRow(from->NewItemRow());
    to->SetExpandButtonsForEmptyDetails(from->ExpandButtonsForEmptyDetails());
    LookAndFeel()->SetKind(pattern->LookAndFeel()->Kind());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TkcGridTableView::GetActiveDetailIndex(int ARecordIndex) {
  TkcGridLevel* level = Level();
  if (!level || level->VisibleCount() == 0) return -1;
  int index = fDataController->GetDetailActiveRelationIndex(ARecordIndex);
  if (index >= 0 && index < level->Count() && level->Items(index)->Visible()) return index;
  return level->VisibleItems(0)->Index();
}

TkcCustomGridView* TkcGridTableView::GetDetailView(int ARecordIndex, int ARelationIndex) {
  if (ARelationIndex < 0 || !fDataController->HasRelations()) return nullptr;
  return dynamic_cast<TkcCustomGridView*>(fDataController->GetDetailHolder(ARecordIndex, ARelationIndex));
}

bool TkcGridTableView::IsDetailVisible(TkcCustomGridView* ADetail) {
  return ADetail && ADetail->MasterGridView() == this && TableViewInfo() && TableViewInfo()->IsDetailShown(ADetail);
}

TkcCustomGridDragOpenInfo* TkcGridTableView::CreateDetailTabDragOpenInfo(TkcGridLevel* ALevel, int ARowIndex) {
  return new TkcGridDragOpenInfoMasterDataRowTab(ALevel, this, ARowIndex);
}


bool TkcGridTableView::ProcessRecordDialogChar(TkcCustomGridView* ADetail, char32_t AKey) {
  TkcCustomDataController* detail = ADetail ? ADetail->GetDataController() : nullptr;
  int record = ADetail ? (detail ? detail->GetMasterRecordIndex() : -1) : fDataController->GetFocusedRecordIndex();
  TkcGridTableViewInfo* info = TableViewInfo();
  if (record < 0 || !info) return false;
  auto* row = dynamic_cast<TkcGridMasterDataRowViewInfo*>(
      info->RowByIndex(fDataController->GetRowIndexByRecordIndex(record, false)));
  TkcCustomGridDetailsSiteTabsViewInfo* tabs = row && row->DetailsSite ? row->DetailsSite->TabsViewInfo() : nullptr;
  return tabs && tabs->ProcessDialogChar(AKey);
}
