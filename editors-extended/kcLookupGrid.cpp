#include "editors-extended/kcLookupGrid.h"

#include <algorithm>

#include "controls/kcClasses.h"
#include "controls/kcGraphics.h"
#include "data/kcDataStorage.h"
#include "editors-extended/kcEditDataRegisteredRepositoryItems.h"
#include "editors-extended/kcEditRegisteredRepositoryItems.h"
#include "editors/kcEditViewInfo.h"
#include "editors/kcTextEditViewInfo.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

namespace {
// The last cursor position any list saw: a list opening under a resting mouse keeps its focus.
TPoint gLastCursorPos{-1, -1};
constexpr int kAutoScrollInterval = 50;
}  // namespace

// ---- Column ---------------------------------------------------------------------------------

TkcLookupGridColumn::TkcLookupGridColumn(TCollection* ACollection) : TCollectionItem(ACollection) {
  fListener.Column = this;
  if (TkcCustomLookupGrid* grid = Grid()) {
    grid->BeginUpdate();
    grid->fDataController->AddItem(this);
    grid->InitializeColumnItem(Index());
    grid->EndUpdate();
  }
}

TkcLookupGridColumn::~TkcLookupGridColumn() {
  if (fRepositoryItem) fRepositoryItem->RemoveListener(&fListener);
  TkcCustomLookupGrid* grid = Grid();
  if (grid && !grid->fDestroying) {
    grid->BeginUpdate();
    grid->fDataController->RemoveItem(this);
    if (grid->fFocusedColumn == this) grid->fFocusedColumn = nullptr;
    grid->EndUpdate();
  }
}

TkcCustomLookupGrid* TkcLookupGridColumn::Grid() const {
  auto* columns = dynamic_cast<TkcLookupGridColumns*>(Collection());
  return columns ? columns->Grid() : nullptr;
}

void TkcLookupGridColumn::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcLookupGridColumn*>(Source);
  if (!source) return TCollectionItem::Assign(Source);
  if (Collection()) Collection()->BeginUpdate();
  RestoreDefaults();
  if (source->fCaptionAssigned) SetCaption(source->fCaption);
  fHeaderAlignment = source->fHeaderAlignment;
  SetMinWidth(source->fMinWidth);
  fFixed = source->fFixed;
  Sorting = source->Sorting;
  SetSortOrder(source->SortOrder());
  SetRepositoryItem(source->fRepositoryItem);
  if (source->fWidthAssigned) SetWidth(source->fWidth);
  if (Collection()) Collection()->EndUpdate();
}

String TkcLookupGridColumn::Caption() const { return fCaptionAssigned ? fCaption : GetDefaultCaption(); }

void TkcLookupGridColumn::SetCaption(const String& Value) {
  fCaption = Value;
  fCaptionAssigned = true;
  Changed(false);
}

void TkcLookupGridColumn::SetFixed(bool Value) {
  if (fFixed == Value) return;
  fFixed = Value;
  Changed(false);
}

void TkcLookupGridColumn::SetHeaderAlignment(TAlignment Value) {
  if (fHeaderAlignment == Value) return;
  fHeaderAlignment = Value;
  Changed(false);
}

void TkcLookupGridColumn::SetMinWidth(int Value) {
  Value = std::max(Value, 0);
  if (fMinWidth == Value) return;
  fMinWidth = Value;
  if (Width() < fMinWidth) SetWidth(fMinWidth);
  Changed(false);
}

void TkcLookupGridColumn::SetWidth(int Value) {
  fWidth = std::max(Value, fMinWidth);
  fWidthAssigned = true;
  Changed(false);
}

TkcDataSortOrder TkcLookupGridColumn::SortOrder() const {
  TkcCustomLookupGrid* grid = Grid();
  return grid ? grid->fDataController->GetItemSortOrder(Index()) : soNone;
}

void TkcLookupGridColumn::SetSortOrder(TkcDataSortOrder Value) {
  if (TkcCustomLookupGrid* grid = Grid()) grid->fDataController->SetItemSortOrder(Index(), Value);
}

void TkcLookupGridColumn::SetRepositoryItem(TkcEditRepositoryItem* Value) {
  if (fRepositoryItem == Value) return;
  if (fRepositoryItem) fRepositoryItem->RemoveListener(&fListener);
  fRepositoryItem = Value;
  if (fRepositoryItem) fRepositoryItem->AddListener(&fListener);
  Changed(false);
}

void TkcLookupGridColumn::RestoreDefaults() {
  fCaptionAssigned = fWidthAssigned = false;
  fHeaderAlignment = taLeftJustify;
  fMinWidth = 20;
  fFixed = false;
  Sorting = true;
  Changed(false);
}

TkcValueTypeClass TkcLookupGridColumn::ValueTypeClass() const {
  TkcCustomLookupGrid* grid = Grid();
  return grid ? grid->fDataController->GetItemValueTypeClass(Index()) : nullptr;
}

void TkcLookupGridColumn::SetValueTypeClass(TkcValueTypeClass Value) {
  if (TkcCustomLookupGrid* grid = Grid()) grid->fDataController->ChangeValueTypeClass(Index(), Value);
}

TkcEditRepositoryItem* TkcLookupGridColumn::GetDefaultRepositoryItem() {
  return GetEditDataRegisteredRepositoryItems()->FindDefaultItem();
}

TkcEditRepositoryItem* TkcLookupGridColumn::GetActualRepositoryItem() {
  if (fRepositoryItem) return fRepositoryItem;
  if (TkcEditRepositoryItem* item = GetDefaultRepositoryItem()) return item;
  if (!fInternalItem) fInternalItem = std::make_unique<TkcEditRepositoryTextItem>(nullptr);
  return fInternalItem.get();
}

TkcCustomEditProperties* TkcLookupGridColumn::GetActualProperties() { return GetActualRepositoryItem()->Properties(); }

bool TkcLookupGridColumn::IsDisplayTextKept() const {
  TkcCustomLookupGrid* grid = Grid();
  return grid && grid->fDataController->GetItemTextStored(Index());
}

std::unique_ptr<TkcCustomEditDefaultValuesProvider> TkcLookupGridColumn::CreateDefaultValuesProvider() {
  return std::make_unique<TkcLookupGridDefaultValuesProvider>(this);
}

TkcCustomEditDefaultValuesProvider* TkcLookupGridColumn::DefaultValuesProvider() {
  // Made on first use: a descendant column's kind of provider is not known in the constructor.
  if (!fProvider) {
    fProvider = CreateDefaultValuesProvider();
    BindProviderToField();
  }
  return fProvider.get();
}

TkcLookupGridDefaultValuesProvider::TkcLookupGridDefaultValuesProvider(TkcLookupGridColumn* AColumn)
    : TkcCustomEditDefaultValuesProvider(AColumn), fColumn(AColumn) {}

TkcEditStyle* TkcLookupGridColumn::EditStyle() {
  if (!fEditStyle) {
    fEditStyle = std::make_unique<TkcEditStyle>(nullptr, true, nullptr, cssNormal);
    fEditStyle->SetButtonTransparency(ebtHideInactive);
  }
  if (TkcCustomLookupGrid* grid = Grid()) fEditStyle->SetFont(grid->Font());
  return fEditStyle.get();
}

int TkcLookupGridColumn::CalculateCellHeight(TkcCanvas* ACanvas) {
  TkcLookupGridColumnProperties properties(this);
  return properties->GetEditSize(ACanvas, EditStyle(), true, Variant(), TkcEditSizeProperties{}).cy + 2;
}

bool TkcLookupGridDefaultValuesProvider::HasDisplayFormat(bool) { return fColumn->IsDisplayTextKept(); }

TkcLookupGridColumnProperties::TkcLookupGridColumnProperties(TkcLookupGridColumn* AColumn)
    : fProperties(AColumn->GetActualProperties()) {
  // Lending the provider is no change of the properties: their listeners are not told.
  fProperties->LockChanged(true);
  fProperties->SetDefaultValuesProvider(AColumn->DefaultValuesProvider());
  fProperties->LockChanged(false);
}

TkcLookupGridColumnProperties::~TkcLookupGridColumnProperties() {
  fProperties->LockChanged(true);
  fProperties->SetDefaultValuesProvider(nullptr);
  fProperties->LockChanged(false);
}

// ---- Columns and options --------------------------------------------------------------------

TkcLookupGridColumns::TkcLookupGridColumns(TkcCustomLookupGrid* AGrid, TCollectionItemClass AItemClass)
    : TCollection(AItemClass), fGrid(AGrid) {}

TPersistent* TkcLookupGridColumns::GetOwner() { return fGrid; }

void TkcLookupGridColumns::Update(TCollectionItem*) {
  if (!fGrid->fDestroying && !fGrid->ComponentState().Contains(csLoading)) fGrid->LayoutChanged();
}

void TkcLookupGridColumns::RestoreDefaults() {
  BeginUpdate();
  for (int i = 0; i < Count(); ++i) Items(i)->RestoreDefaults();
  EndUpdate();
}

void TkcLookupGridOptions::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcLookupGridOptions*>(Source);
  if (!source) return TPersistent::Assign(Source);
  fGrid->BeginUpdate();
  AnsiSort = source->AnsiSort;
  CaseInsensitive = source->CaseInsensitive;
  ColumnSorting = source->ColumnSorting;
  FocusRowOnMouseMove = source->FocusRowOnMouseMove;
  SetGridLines(source->fGridLines);
  SetRowSelect(source->fRowSelect);
  SetShowHeader(source->fShowHeader);
  fGrid->EndUpdate();
}

void TkcLookupGridOptions::Changed() {
  fGrid->LayoutChanged();
  if (OnChanged) OnChanged(this);
}

void TkcLookupGridOptions::SetGridLines(TkcGridLines Value) {
  if (fGridLines == Value) return;
  fGridLines = Value;
  Changed();
}

void TkcLookupGridOptions::SetRowSelect(bool Value) {
  if (fRowSelect == Value) return;
  fRowSelect = Value;
  if (Value) fGrid->SetFocusedColumn(nullptr);
  fGrid->LayoutChanged();
}

void TkcLookupGridOptions::SetShowHeader(bool Value) {
  if (fShowHeader == Value) return;
  fShowHeader = Value;
  Changed();
}

// ---- Text index -----------------------------------------------------------------------------

void TkcLookupTextIndex::Build(TkcCustomDataController* AController, int AItemIndex) {
  const int rows = AController->GetRowCount();
  fEntries.clear();
  fEntries.reserve(static_cast<std::size_t>(rows));
  for (int row = 0; row < rows; ++row) {
    const int record = AController->GetRowInfo(row).RecordIndex;
    if (record < 0) continue;
    fEntries.emplace_back(AnsiUpperCase(AController->GetDisplayText(record, AItemIndex)), row);
  }
  std::sort(fEntries.begin(), fEntries.end());
  fSize = fEntries.size();
  fTree.assign(2 * std::max<std::size_t>(fSize, 1), INT_MAX);
  for (std::size_t i = 0; i < fSize; ++i) fTree[fSize + i] = fEntries[i].second;
  for (std::size_t i = fSize; i-- > 1;) fTree[i] = std::min(fTree[2 * i], fTree[2 * i + 1]);
  fItemIndex = AItemIndex;
  fBuilt = true;
}

int TkcLookupTextIndex::MinRow(std::size_t ALo, std::size_t AHi) const {
  int result = INT_MAX;
  for (ALo += fSize, AHi += fSize; ALo < AHi; ALo /= 2, AHi /= 2) {
    if (ALo & 1) result = std::min(result, fTree[ALo++]);
    if (AHi & 1) result = std::min(result, fTree[--AHi]);
  }
  return result;
}

int TkcLookupTextIndex::FindRow(const String& AText, bool APartial) const {
  if (!fBuilt || fSize == 0) return -1;
  const String key = AnsiUpperCase(AText);
  auto lo = std::lower_bound(fEntries.begin(), fEntries.end(), std::make_pair(key, INT_MIN));
  if (lo == fEntries.end()) return -1;
  if (!APartial || key.empty()) return lo->first == key ? lo->second : -1;
  // The texts beginning with the key follow each other from the first one not below it.
  auto hi = std::partition_point(lo, fEntries.end(),
                                 [&](const auto& e) { return e.first.compare(0, key.size(), key) == 0; });
  if (hi == lo) return -1;
  return MinRow(static_cast<std::size_t>(lo - fEntries.begin()), static_cast<std::size_t>(hi - fEntries.begin()));
}

// ---- Record ranks ---------------------------------------------------------------------------

void TkcLookupRecordRanks::Prepare(TkcCustomDataController* AController, int AItemIndex) {
  const int records = AController->GetRecordCount();
  if (fBuilt && fItemIndex == AItemIndex && static_cast<int>(fRanks.size()) == records) return;
  std::vector<std::pair<String, int>> entries;
  entries.reserve(static_cast<std::size_t>(records));
  for (int record = 0; record < records; ++record)
    entries.emplace_back(AnsiUpperCase(AController->GetDisplayText(record, AItemIndex)), record);
  std::sort(entries.begin(), entries.end());
  fTexts.resize(entries.size());
  fRanks.assign(entries.size(), 0);
  for (std::size_t i = 0; i < entries.size(); ++i) {
    fRanks[static_cast<std::size_t>(entries[i].second)] = static_cast<int>(i);
    fTexts[i] = std::move(entries[i].first);
  }
  fItemIndex = AItemIndex;
  fBuilt = true;
}

void TkcLookupRecordRanks::SetPrefix(const String& AText) {
  const String key = AnsiUpperCase(AText);
  const auto lo = std::lower_bound(fTexts.begin(), fTexts.end(), key);
  const auto hi =
      std::partition_point(lo, fTexts.end(), [&](const String& t) { return t.compare(0, key.size(), key) == 0; });
  fLo = static_cast<std::size_t>(lo - fTexts.begin());
  fHi = static_cast<std::size_t>(hi - fTexts.begin());
  fActive = true;
}

int TkcLookupRecordRanks::Accepts(int ARecordIndex) const {
  if (!fActive || !fBuilt || ARecordIndex < 0 || ARecordIndex >= static_cast<int>(fRanks.size())) return -1;
  const auto rank = static_cast<std::size_t>(fRanks[static_cast<std::size_t>(ARecordIndex)]);
  return rank >= fLo && rank < fHi ? 1 : 0;
}

// ---- Grid -----------------------------------------------------------------------------------

TkcCustomLookupGrid::TkcCustomLookupGrid(TComponent* AOwner)
    : TkcCustomLookupGrid(AOwner, std::make_unique<TkcDataController>(nullptr),
                          TCollectionItemClass::Of<TkcLookupGridColumn>()) {}

TkcCustomLookupGrid::TkcCustomLookupGrid(TComponent* AOwner, std::unique_ptr<TkcCustomDataController> AController,
                                         TCollectionItemClass AColumnClass)
    : TkcControl(AOwner), fDataController(std::move(AController)) {
  fDataController->OnUpdateControl = [this](TkcUpdateControlInfo* AInfo) { DataControllerNotification(AInfo); };
  fColumns = std::make_unique<TkcLookupGridColumns>(this, AColumnClass);
  fOptions = std::make_unique<TkcLookupGridOptions>(this);
  fAutoScrollTimer = std::make_unique<TkcTimer>(nullptr);
  fAutoScrollTimer->SetEnabled(false);
  fAutoScrollTimer->SetInterval(kAutoScrollInterval);
  fAutoScrollTimer->SetOnTimer(TNotifyEvent(this, &TkcCustomLookupGrid::AutoScrollTimer));
  SetParentColor(false);
  SetColor(clWindow);
  SetKeys({kArrows});
  SetBounds(Left(), Top(), 250, 200);
}

TkcCustomLookupGrid::~TkcCustomLookupGrid() {
  fDestroying = true;
  fAutoScrollTimer->SetEnabled(false);
  fDataController->OnUpdateControl = nullptr;
  fColumns->Clear();
}

void TkcCustomLookupGrid::InitializeColumnItem(int AItemIndex) {
  // Any value, until the owner names the type.
  fDataController->ChangeValueTypeClass(AItemIndex, TkcVariantValueType::Class());
}

void TkcCustomLookupGrid::BeginUpdate() {
  ++fLockCount;
  fDataController->BeginUpdate();
}

void TkcCustomLookupGrid::EndUpdate() {
  fDataController->EndUpdate();
  if (fLockCount > 0) --fLockCount;
  if (fLockCount == 0 && fPendingLayout) {
    fPendingLayout = false;
    FullRefresh();
  }
}

void TkcCustomLookupGrid::LayoutChanged() {
  fTextIndex.Invalidate();
  if (fDestroying) return;
  if (fLockCount > 0) {
    fPendingLayout = true;
    return;
  }
  FullRefresh();
}

void TkcCustomLookupGrid::SetPopupMode(bool Value) {
  if (fPopupMode == Value) return;
  fPopupMode = Value;
  LayoutChanged();
}

void TkcCustomLookupGrid::SetFocusedColumn(TkcLookupGridColumn* Value) {
  if (fOptions->RowSelect()) Value = nullptr;
  if (fFocusedColumn == Value) return;
  fFocusedColumn = Value;
  LayoutChanged();
}

void TkcCustomLookupGrid::DataControllerNotification(TkcUpdateControlInfo* AInfo) {
  if (fDestroying) return;
  if (auto* focused = dynamic_cast<TkcFocusedRowChangedInfo*>(AInfo)) {
    (void)focused;
    MakeFocusedRowVisible();
    Invalidate();
    return;
  }
  // The rows stay as they are: the text index holds (focus moved with a typed text).
  if (dynamic_cast<TkcSelectionChangedInfo*>(AInfo) || dynamic_cast<TkcFocusedRecordChangedInfo*>(AInfo) ||
      dynamic_cast<TkcBookmarkChangedInfo*>(AInfo) || dynamic_cast<TkcSearchChangedInfo*>(AInfo)) {
    Invalidate();
    return;
  }
  fTextIndex.Invalidate();
  if (dynamic_cast<TkcDataChangedInfo*>(AInfo))
    DataChanged();
  else
    DataLayoutChanged();
}

void TkcCustomLookupGrid::DataChanged() {
  LayoutChanged();
  if (OnDataChanged) OnDataChanged(this);
}

void TkcCustomLookupGrid::DataLayoutChanged() { LayoutChanged(); }

int TkcCustomLookupGrid::RowPitch() const {
  const TkcGridLines lines = fOptions->GridLines();
  return fRowHeight + (lines == glBoth || lines == glHorizontal ? 1 : 0);
}

void TkcCustomLookupGrid::Calculate() {
  const TRect client = GetClientBounds();
  TkcScreenCanvas canvas;
  canvas.SetFont(Font());
  const int fontHeight = canvas.TextHeight("Wg");
  TkcLookAndFeelPainterClass painter = LookAndFeel()->Painter();
  // Headers and column widths, spread over the client width.
  fHeaderArea = TRect{};
  fColumnBounds.clear();
  const int count = fColumns->Count();
  if (count > 0) {
    fHeaderArea = client;
    fHeaderArea.bottom = fHeaderArea.top + (fOptions->ShowHeader() ? painter->GetHeaderHeight(fontHeight) : 0);
    TkcAutoWidthObject widths(count);
    widths.AvailableWidth = client.right - client.left;
    for (int i = 0; i < count; ++i) {
      TkcAutoWidthItem* item = widths.NewItem();
      item->MinWidth = fColumns->Items(i)->MinWidth();
      item->Width = fColumns->Items(i)->Width();
      item->Fixed = fColumns->Items(i)->Fixed();
    }
    widths.Calculate();
    int x = client.left;
    for (int i = 0; i < count; ++i) {
      const int w = widths.ItemByIndex(i)->AutoWidth;
      fColumnBounds.push_back(TRect{x, fHeaderArea.top, x + w, fHeaderArea.bottom});
      x += w;
    }
    fHeaderArea.right = std::min<int>(fHeaderArea.right, x);
  }
  // Every row has the height of the tallest cell of an empty value.
  fRowHeight = 0;
  for (int i = 0; i < count; ++i) fRowHeight = std::max(fRowHeight, fColumns->Items(i)->CalculateCellHeight(&canvas));
  fRowArea = client;
  fRowArea.top = fHeaderArea.bottom;
  const int rows = count > 0 ? fDataController->GetRowCount() : 0;
  const int pitch = RowPitch();
  fPartialRowCount = fVisibleRowCount = 0;
  for (int row = fTopRowIndex, y = fRowArea.top; row < rows && y < client.bottom; ++row, y += pitch) {
    ++fPartialRowCount;
    if (y + fRowHeight <= client.bottom) ++fVisibleRowCount;
  }
  if (rows > 0 && fVisibleRowCount == 0) fVisibleRowCount = 1;
}

int TkcCustomLookupGrid::NearestTopRowIndex(int AIndex) {
  // Rows from AIndex that leave room below are laid out backwards from the last row instead,
  // so the list stays full.
  const int rows = fDataController->GetRowCount();
  const int pitch = std::max(RowPitch(), 1);
  // Rows fully visible: the last one's grid line may be cut.
  const int height = fRowArea.bottom - fRowArea.top;
  const int fit = height < fRowHeight ? 1 : (height - fRowHeight) / pitch + 1;
  if (AIndex + fit > rows) AIndex = rows - fit;
  return std::max(AIndex, 0);
}

void TkcCustomLookupGrid::FullRefresh() {
  if (fDestroying) return;
  Calculate();
  fTopRowIndex = NearestTopRowIndex(fTopRowIndex);
  Calculate();
  // The scroll bar may come or go with the rows, changing the width the columns share.
  const bool barVisible = GetVScrollBarVisible();
  UpdateScrollBars();
  if (GetVScrollBarVisible() != barVisible) Calculate();
  Invalidate();
}

void TkcCustomLookupGrid::InitScrollBarsParameters() {
  const int rows = fColumns->Count() > 0 ? fDataController->GetRowCount() : 0;
  const int above = GetRowsAboveBuffer();
  SetScrollBarInfo(sbHorizontal, 0, 0, 1, 1, 0, false, true);
  SetScrollBarInfo(sbVertical, 0, above + rows + GetRowsBelowBuffer() - 1, 1, std::max(fVisibleRowCount, 1),
                   above + fTopRowIndex, true, true);
}

void TkcCustomLookupGrid::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) {
  if (AKind != sbVertical) return;
  const int page = std::max(fVisibleRowCount - 1, 1);
  const bool gridMode = fDataController->IsGridMode();
  switch (ACode) {
    case scLineUp: SetTopRowIndex(fTopRowIndex - 1); break;
    case scLineDown: SetTopRowIndex(fTopRowIndex + 1); break;
    case scPageUp: SetTopRowIndex(fTopRowIndex - page); break;
    case scPageDown: SetTopRowIndex(fTopRowIndex + page); break;
    case scPosition:
      if (gridMode) SetTopRowIndex(APosition - GetRowsAboveBuffer());
      else SetTopRowIndex(APosition);
      break;
    // In grid mode the buffer moves only when the thumb is let go.
    case scTrack:
      if (!gridMode) SetTopRowIndex(APosition);
      break;
    default: break;
  }
  APosition = GetRowsAboveBuffer() + fTopRowIndex;
}

int TkcCustomLookupGrid::GetRowsAboveBuffer() {
  return fDataController->IsGridMode() && !fDataController->Provider()->IsBOF() ? 1 : 0;
}

int TkcCustomLookupGrid::GetRowsBelowBuffer() {
  return fDataController->IsGridMode() && !fDataController->Provider()->IsEOF() ? 1 : 0;
}

bool TkcCustomLookupGrid::ScrollGridModeBuffer(int ADistance) {
  if (!fDataController->IsGridMode() || ADistance == 0) return false;
  TkcCustomDataProvider* provider = fDataController->Provider();
  if (ADistance > 0 ? provider->IsEOF() : provider->IsBOF()) return false;
  provider->Scroll(ADistance);
  return true;
}

TRect TkcCustomLookupGrid::ColumnBounds(int AColumnIndex) const {
  if (AColumnIndex < 0 || AColumnIndex >= static_cast<int>(fColumnBounds.size())) return TRect{};
  return fColumnBounds[static_cast<std::size_t>(AColumnIndex)];
}

TRect TkcCustomLookupGrid::RowBounds(int ARowIndex) const {
  const int offset = ARowIndex - fTopRowIndex;
  if (offset < 0 || offset >= fPartialRowCount) return TRect{};
  const int top = fRowArea.top + offset * RowPitch();
  return TRect{fRowArea.left, top, fRowArea.right, top + fRowHeight};
}

TkcLookupGridHitTest TkcCustomLookupGrid::HitTest(TPoint P) {
  TkcLookupGridHitTest result;
  const TRect client = GetClientBounds();
  if (!PtInRect(&client, P)) return result;
  if (PtInRect(&fHeaderArea, P)) {
    for (int i = 0; i < static_cast<int>(fColumnBounds.size()); ++i)
      if (PtInRect(&fColumnBounds[static_cast<std::size_t>(i)], P)) {
        result.Kind = lghtHeader;
        result.ColumnIndex = i;
        return result;
      }
    return result;
  }
  for (int row = fTopRowIndex; row < fTopRowIndex + fPartialRowCount; ++row) {
    const TRect r = RowBounds(row);
    if (P.y < r.top || P.y >= r.bottom + (RowPitch() - fRowHeight)) continue;
    result.RowIndex = row;
    for (int i = 0; i < static_cast<int>(fColumnBounds.size()); ++i) {
      const TRect& c = fColumnBounds[static_cast<std::size_t>(i)];
      if (P.x >= c.left && P.x < c.right) {
        result.Kind = lghtCell;
        result.ColumnIndex = i;
        break;
      }
    }
    break;
  }
  return result;
}

int TkcCustomLookupGrid::HeightForRows(int ARowCount) { return HeaderHeight() + ARowCount * RowPitch(); }

int TkcCustomLookupGrid::SnapHeight(int AHeight) {
  const int pitch = std::max(RowPitch(), 1);
  int n = (AHeight - HeaderHeight()) / pitch;
  n = std::min(std::max(n, 1), fDataController->GetRowCount());
  return HeaderHeight() + std::max(n, 1) * pitch;
}

void TkcCustomLookupGrid::SetTopRowIndex(int AIndex) {
  int rows = fDataController->GetRowCount();
  if (fDataController->IsGridMode()) {
    // The rows are the dataset's buffer: an index outside it moves the buffer instead.
    const int lastPageTop = std::max(rows - fVisibleRowCount, 0);
    if (AIndex < 0) {
      ScrollGridModeBuffer(AIndex);
      AIndex = 0;
    } else if (AIndex > lastPageTop) {
      ScrollGridModeBuffer(AIndex - lastPageTop);
      AIndex = lastPageTop;
    }
    rows = fDataController->GetRowCount();
  }
  AIndex = std::clamp(AIndex, 0, std::max(rows - 1, 0));
  AIndex = NearestTopRowIndex(AIndex);
  if (AIndex == fTopRowIndex) {
    // A moved buffer shows other records under the same top row.
    UpdateScrollBars();
    return;
  }
  fTopRowIndex = AIndex;
  Calculate();
  UpdateScrollBars();
  Invalidate();
}

void TkcCustomLookupGrid::MakeFocusedRowVisible() {
  const int row = FocusedRowIndex();
  if (row < 0 || fVisibleRowCount == 0) return;
  if (row < fTopRowIndex)
    SetTopRowIndex(row);
  else if (row > fTopRowIndex + fVisibleRowCount - 1)
    SetTopRowIndex(row - fVisibleRowCount + 1);
}

void TkcCustomLookupGrid::FocusRow(int ARowIndex) {
  const int rows = fDataController->GetRowCount();
  if (rows == 0) return;
  fDataController->FocusRow(std::clamp(ARowIndex, 0, rows - 1));
  MakeFocusedRowVisible();
  Invalidate();
}

int TkcCustomLookupGrid::FindRowByText(int AItemIndex, const String& AText, bool APartial) {
  if (AItemIndex < 0 || AItemIndex >= fColumns->Count()) return -1;
  if (!fTextIndex.IsBuiltFor(AItemIndex)) fTextIndex.Build(fDataController.get(), AItemIndex);
  return fTextIndex.FindRow(AText, APartial);
}

bool TkcCustomLookupGrid::LocateByPrefix(int AItemIndex, const String& AText) {
  const int row = FindRowByText(AItemIndex, AText, true);
  if (row < 0) return false;
  FocusRow(row);
  return true;
}

void TkcCustomLookupGrid::DoCloseRequest(bool AAccept) {
  if (OnCloseRequest) OnCloseRequest(this, AAccept);
}

void TkcCustomLookupGrid::RememberCursorPos() {
  POINT p;
  GetCursorPos(&p);
  gLastCursorPos = TPoint{p.x, p.y};
}

// ---- Keys and mouse -------------------------------------------------------------------------

void TkcCustomLookupGrid::MoveFocusVertically(int ADelta) {
  const int rows = fDataController->GetRowCount();
  if (rows == 0) return;
  // At the buffer's edge the dataset moves on by a record and the focus follows it.
  const int row = FocusedRowIndex();
  if ((ADelta == 1 || ADelta == -1) && row == (ADelta > 0 ? rows - 1 : 0) && ScrollGridModeBuffer(ADelta > 0 ? 1 : -1)) {
    MakeFocusedRowVisible();
    fDataController->ChangeRowSelection(FocusedRowIndex(), true);
    return;
  }
  FocusRow(std::clamp(FocusedRowIndex() + ADelta, 0, rows - 1));
  fDataController->ChangeRowSelection(FocusedRowIndex(), true);
}

void TkcCustomLookupGrid::PageUp() {
  MakeFocusedRowVisible();
  if (FocusedRowIndex() == fTopRowIndex) SetTopRowIndex(fTopRowIndex - std::max(fVisibleRowCount - 1, 1));
  FocusRow(fTopRowIndex);
}

void TkcCustomLookupGrid::PageDown() {
  MakeFocusedRowVisible();
  const int last = fTopRowIndex + fVisibleRowCount - 1;
  if (FocusedRowIndex() == last) SetTopRowIndex(fTopRowIndex + std::max(fVisibleRowCount - 1, 1));
  FocusRow(fTopRowIndex + fVisibleRowCount - 1);
}

void TkcCustomLookupGrid::KeyDown(WORD& Key, TShiftState Shift) {
  TkcControl::KeyDown(Key, Shift);
  const bool rows = Shift.Contains(ssCtrl) || fOptions->RowSelect();
  const int columns = fColumns->Count();
  const int column = fFocusedColumn ? fFocusedColumn->Index() : -1;
  switch (Key) {
    case VK_RETURN: DoCloseRequest(FocusedRowIndex() != -1); break;
    case VK_PRIOR: PageUp(); break;
    case VK_NEXT: PageDown(); break;
    case VK_HOME:
      if (rows)
        MoveFocusVertically(-FocusedRowIndex());
      else if (columns > 0)
        SetFocusedColumn(fColumns->Items(0));
      break;
    case VK_END:
      if (rows)
        MoveFocusVertically(fDataController->GetRowCount());
      else if (columns > 0)
        SetFocusedColumn(fColumns->Items(columns - 1));
      break;
    case VK_LEFT:
    case VK_RIGHT:
      if (columns > 0 && !fOptions->RowSelect())
        SetFocusedColumn(fColumns->Items(std::clamp(column + (Key == VK_LEFT ? -1 : 1), 0, columns - 1)));
      break;
    case VK_UP: MoveFocusVertically(-1); break;
    case VK_DOWN: MoveFocusVertically(1); break;
    default: return;
  }
  Key = 0;
}

void TkcCustomLookupGrid::HeaderPressed(int AColumnIndex, TShiftState AShift) {
  if (!fOptions->ColumnSorting || AColumnIndex < 0 || AColumnIndex >= fColumns->Count()) return;
  TkcLookupGridColumn* column = fColumns->Items(AColumnIndex);
  if (!column->Sorting) return;
  BeginUpdate();
  try {
    if (AShift.Contains(ssCtrl)) {
      column->SetSortOrder(soNone);
    } else {
      const TkcDataSortOrder was = column->SortOrder();
      if (!AShift.Contains(ssShift)) fDataController->ClearSorting(false);
      column->SetSortOrder(was == soAscending ? soDescending : soAscending);
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  MakeFocusedRowVisible();
}

void TkcCustomLookupGrid::CellPressed(int ARowIndex, int AColumnIndex) {
  if (ARowIndex != -1) FocusRow(ARowIndex);
  if (AColumnIndex != -1) SetFocusedColumn(fColumns->Items(AColumnIndex));
}

void TkcCustomLookupGrid::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseDown(Button, Shift, X, Y);
  const TkcLookupGridHitTest hit = HitTest(TPoint{X, Y});
  if (hit.Kind == lghtHeader) {
    HeaderPressed(hit.ColumnIndex, Shift);
  } else if (hit.Kind == lghtCell) {
    CellPressed(hit.RowIndex, hit.ColumnIndex);
    fPressed = true;
  }
}

void TkcCustomLookupGrid::MouseMove(TShiftState Shift, int X, int Y) {
  TkcControl::MouseMove(Shift, X, Y);
  POINT screen;
  GetCursorPos(&screen);
  if (TPoint{screen.x, screen.y} == gLastCursorPos) return;
  gLastCursorPos = TPoint{screen.x, screen.y};
  const bool captured = GetCapture() == Handle();
  if (!captured && !(fPopupMode && fOptions->FocusRowOnMouseMove)) return;
  if (fPressed && captured && (Y < fRowArea.top || Y >= fRowArea.bottom)) {
    SetAutoScrollDirection(Y < fRowArea.top ? 1 : 2);
    return;
  }
  SetAutoScrollDirection(0);
  const TkcLookupGridHitTest hit = HitTest(TPoint{X, Y});
  if (hit.Kind == lghtCell) {
    FocusRow(hit.RowIndex);
    fDataController->ChangeRowSelection(hit.RowIndex, true);
  }
}

void TkcCustomLookupGrid::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseUp(Button, Shift, X, Y);
  SetAutoScrollDirection(0);
  if (!fPressed) return;
  fPressed = false;
  DoCloseRequest(HitTest(TPoint{X, Y}).Kind == lghtCell);
}

void TkcCustomLookupGrid::DoCancelMode() {
  TkcControl::DoCancelMode();
  SetAutoScrollDirection(0);
  fPressed = false;
}

void TkcCustomLookupGrid::SetAutoScrollDirection(int ADirection) {
  if (fAutoScrollDirection == ADirection) return;
  fAutoScrollDirection = ADirection;
  fAutoScrollTimer->SetEnabled(false);
  if (ADirection != 0) fAutoScrollTimer->SetEnabled(true);
}

void TkcCustomLookupGrid::AutoScrollTimer(TObject*) {
  const int rows = fDataController->GetRowCount();
  if (rows == 0) return;
  const int row = fAutoScrollDirection == 1 ? fTopRowIndex - 1 : fTopRowIndex + fVisibleRowCount;
  FocusRow(std::clamp(row, 0, rows - 1));
  fDataController->ChangeRowSelection(FocusedRowIndex(), false);
}

void TkcCustomLookupGrid::FocusChanged() {
  TkcControl::FocusChanged();
  Invalidate();
}

void TkcCustomLookupGrid::Resize() {
  TkcControl::Resize();
  LayoutChanged();
}

int TkcCustomLookupGrid::GetBorderSize() { return fPopupMode ? 0 : LookAndFeel()->Painter()->GetBorderWidth(); }

void TkcCustomLookupGrid::LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) {
  TkcControl::LookAndFeelChanged(Sender, AChangedValues);
  LayoutChanged();
}

void TkcCustomLookupGrid::FontChanged() {
  TkcControl::FontChanged();
  LayoutChanged();
}

// ---- Painting -------------------------------------------------------------------------------

void TkcCustomLookupGrid::PaintHeaders(TkcCanvas* ACanvas, TkcLookAndFeelPainterClass APainter) {
  if (!fOptions->ShowHeader()) return;
  const int count = static_cast<int>(fColumnBounds.size());
  for (int i = 0; i < count; ++i) {
    TkcLookupGridColumn* column = fColumns->Items(i);
    const TRect& r = fColumnBounds[static_cast<std::size_t>(i)];
    TkcBorders neighbors;
    if (i > 0) neighbors.Include(bLeft);
    if (i < count - 1) neighbors.Include(bRight);
    TRect text = r;
    InflateRect(&text, -2, -2);
    const TkcDataSortOrder order = column->SortOrder();
    if (order != soNone) text.right -= APainter->GetSortingMarkAreaSize().cx;
    APainter->DrawHeader(ACanvas, r, text, neighbors, APainter->GetHeaderBorders(neighbors), kcbsNormal,
                         column->HeaderAlignment(), vaCenter, false, true, column->Caption(), Font(),
                         APainter->GetHeaderDefaultTextColor(), APainter->GetHeaderDefaultColor());
    if (order != soNone) {
      const TSize mark = APainter->GetSortingMarkAreaSize();
      APainter->DrawSortingMark(ACanvas, TRect{text.right, r.top, text.right + mark.cx, r.bottom},
                                order == soAscending);
    }
  }
}

void TkcCustomLookupGrid::PaintRows(TkcCanvas* ACanvas, TkcLookAndFeelPainterClass APainter) {
  const TkcGridLines lines = fOptions->GridLines();
  const bool vertical = lines == glBoth || lines == glVertical;
  const bool horizontal = lines == glBoth || lines == glHorizontal;
  const int focusedRow = FocusedRowIndex();
  const int focusedColumn = fFocusedColumn ? fFocusedColumn->Index() : -1;
  const int firstRow = fTopRowIndex, endRow = fTopRowIndex + fPartialRowCount;
  const int last = static_cast<int>(fColumnBounds.size()) - 1;
  // Column by column: columns sharing a repository item lend it their defaults in turn.
  for (int i = 0; i <= last; ++i) {
    TkcLookupGridColumn* column = fColumns->Items(i);
    TkcLookupGridColumnProperties properties(column);
    TkcEditStyle* style = column->EditStyle();
    std::unique_ptr<TkcCustomEditViewData> data(properties->CreateViewData(style, true));
    // Kinds that take their text from the source show the controller's display text.
    const bool displayText = properties->IsProviderFormatUsed(false);
    for (int row = firstRow; row < endRow; ++row) {
      const TRect r = RowBounds(row);
      const int record = fDataController->GetRowInfo(row).RecordIndex;
      TRect cell{fColumnBounds[static_cast<std::size_t>(i)].left, r.top,
                 fColumnBounds[static_cast<std::size_t>(i)].right, r.bottom};
      // Any grid lines close the row on the right, after the last column.
      if ((vertical && i < last) || (lines != glNone && i == last)) {
        ACanvas->FillRect(TRect{cell.right - 1, cell.top, cell.right, cell.bottom}, clBtnFace);
        --cell.right;
      }
      const bool highlighted = row == focusedRow && fDataController->IsRowSelected(row) && i != focusedColumn;
      style->SetColor(highlighted ? APainter->GetSelectionDefaultColor() : Color());
      style->SetTextColor(highlighted ? APainter->GetSelectionDefaultTextColor() : Font()->Color());
      const Variant value =
          displayText ? Variant(fDataController->GetDisplayText(record, i)) : fDataController->GetValue(record, i);
      std::unique_ptr<TkcCustomEditViewInfo> info(data->CreateViewInfo());
      if (auto* text = dynamic_cast<TkcCustomTextEditViewData*>(data.get()))
        if (auto* textInfo = dynamic_cast<TkcCustomTextEditViewInfo*>(info.get()))
          text->FillViewInfoValue(ACanvas, value, textInfo);
      TRect content = cell;
      InflateRect(&content, -1, -1);
      data->Calculate(ACanvas, content, POINT{-1, -1}, TShiftState{}, info.get(), false);
      info->Paint(ACanvas);
      // The editor draws inside the frame it would have in place; the frame takes its colour.
      ACanvas->FrameRect(cell, info->BackgroundColor);
    }
  }
  for (int row = firstRow; row < endRow; ++row) {
    const TRect r = RowBounds(row);
    // Vertical lines alone still close the list below its last row when room is left there.
    const bool bottomLine = horizontal || (lines == glVertical && row == fDataController->GetRowCount() - 1 &&
                                           r.bottom < GetClientBounds().bottom);
    if (bottomLine) ACanvas->FillRect(TRect{r.left, r.bottom, fHeaderArea.right, r.bottom + 1}, clBtnFace);
    if (row == focusedRow && (Focused() || fPopupMode)) {
      TRect focus{r.left, r.top, fHeaderArea.right, r.bottom};
      ACanvas->DrawFocusRect(focus);
    }
  }
}

void TkcCustomLookupGrid::Paint() {
  TkcCanvas* c = Canvas();
  TkcLookAndFeelPainterClass painter = LookAndFeel()->Painter();
  if (GetBorderSize() != 0) {
    painter->PaintControlBorder(c, GetBounds());
    c->IntersectClipRect(GetClientBounds());
  }
  c->FillRect(GetClientBounds(), Color());
  PaintHeaders(c, painter);
  PaintRows(c, painter);
}
