#include "editors-extended/kcLookupDBGrid.h"

#include <algorithm>

#include "controls/kcGraphics.h"
#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "platform/db/DBFields.h"

// ---- Column ---------------------------------------------------------------------------------

TkcDBDataController* TkcLookupDBGridColumn::Controller() const {
  TkcCustomLookupGrid* grid = Grid();
  return grid ? static_cast<TkcDBDataController*>(grid->DataController()) : nullptr;
}

void TkcLookupDBGridColumn::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TkcLookupDBGridColumn*>(Source)) SetFieldName(source->FieldName());
  TkcLookupGridColumn::Assign(Source);
}

String TkcLookupDBGridColumn::FieldName() const {
  TkcDBDataController* dc = Controller();
  return dc ? dc->GetItemFieldName(Index()) : String();
}

void TkcLookupDBGridColumn::SetFieldName(const String& Value) {
  if (TkcDBDataController* dc = Controller()) dc->SetItemFieldName(Index(), Value);
  BindProviderToField();
  Changed(false);
}

TField* TkcLookupDBGridColumn::Field() const {
  TkcDBDataController* dc = Controller();
  return dc ? dc->GetItemDBField(Index()) : nullptr;
}

String TkcLookupDBGridColumn::GetDefaultCaption() const {
  TField* field = Field();
  return field ? field->DisplayName() : FieldName();
}

int TkcLookupDBGridColumn::GetDefaultWidth() const {
  TField* field = Field();
  TkcCustomLookupGrid* grid = Grid();
  if (!field || !grid) return std::max(TkcLookupGridColumn::GetDefaultWidth(), MinWidth());
  TkcScreenCanvas canvas;
  canvas.SetFont(grid->Font());
  int width = canvas.TextWidth("0") * field->DisplayWidth() + 4;
  if (grid->Options()->ShowHeader())
    width = std::max(width, grid->LookAndFeel()->Painter()->GetHeaderWidth(&canvas, kcAllBorders, Caption(),
                                                                           grid->Font()));
  return std::max(width, MinWidth());
}

TkcEditRepositoryItem* TkcLookupDBGridColumn::GetDefaultRepositoryItem() {
  return GetEditDBRegisteredRepositoryItems()->GetItemByField(Field());
}

std::unique_ptr<TkcCustomEditDefaultValuesProvider> TkcLookupDBGridColumn::CreateDefaultValuesProvider() {
  return std::make_unique<TkcLookupDBGridDefaultValuesProvider>(this);
}

void TkcLookupDBGridColumn::BindProviderToField() {
  static_cast<TkcCustomDBEditDefaultValuesProvider*>(DefaultValuesProvider())->SetField(Field());
}

// ---- Data controller ------------------------------------------------------------------------

int TkcLookupGridDBDataController::SetIncrementalFilter(int AItemIndex, const String& AText) {
  // Outside grid mode every record is loaded: ranks answer the filter pass.
  if (!AText.empty() && !IsGridMode()) {
    fRanks.Prepare(this, AItemIndex);
    fRanks.SetPrefix(AText);
  } else {
    fRanks.ClearPrefix();
  }
  return TkcDBDataController::SetIncrementalFilter(AItemIndex, AText);
}

void TkcLookupGridDBDataController::ResetIncrementalFilter() {
  fRanks.ClearPrefix();
  TkcDBDataController::ResetIncrementalFilter();
}

bool TkcLookupGridDBDataController::DoIncrementalFilterRecord(int ARecordIndex) {
  const int accepted = fRanks.Accepts(ARecordIndex);
  return accepted < 0 ? TkcDBDataController::DoIncrementalFilterRecord(ARecordIndex) : accepted == 1;
}

void TkcLookupGridDBDataController::LoadData() {
  fRanks.Invalidate();
  TkcDBDataController::LoadData();
}

void TkcLookupGridDBDataController::DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  fRanks.Invalidate();
  TkcDBDataController::DataChanged(AKind, AItemIndex, ARecordIndex);
}

// ---- Grid -----------------------------------------------------------------------------------

TkcCustomLookupDBGrid::TkcCustomLookupDBGrid(TComponent* AOwner)
    : TkcCustomLookupGrid(AOwner, std::make_unique<TkcLookupGridDBDataController>(nullptr),
                          TCollectionItemClass::Of<TkcLookupDBGridColumn>()) {
  // The list follows its own focus, not the dataset's current record.
  DBDataController()->DataModeController()->SetSyncMode(false);
  DBDataController()->DataModeController()->SyncInsert = false;
}

void TkcCustomLookupDBGrid::InitializeColumnItem(int) {}

void TkcCustomLookupDBGrid::DataChanged() {
  for (int i = 0; i < Columns()->Count(); ++i) Column(i)->BindProviderToField();
  TkcCustomLookupGrid::DataChanged();
}

void TkcCustomLookupDBGrid::DataLayoutChanged() {
  // The fields may be others now.
  for (int i = 0; i < Columns()->Count(); ++i) Column(i)->BindProviderToField();
  TkcCustomLookupGrid::DataLayoutChanged();
}

bool TkcCustomLookupDBGrid::IsSequencedScrolling() const {
  TDataSet* ds = DBDataController()->DataSet();
  return DBDataController()->IsGridMode() && ds && ds->Active() && ds->IsSequenced();
}

void TkcCustomLookupDBGrid::InitScrollBarsParameters() {
  if (!IsSequencedScrolling()) return TkcCustomLookupGrid::InitScrollBarsParameters();
  TDataSet* ds = DBDataController()->DataSet();
  const int visible = std::max(VisibleRowCount(), 1);
  SetScrollBarInfo(sbHorizontal, 0, 0, 1, 1, 0, false, true);
  SetScrollBarInfo(sbVertical, 0, ds->RecordCount() + visible - 2, 1, visible, ds->RecNo() - 1, true, true);
}

void TkcCustomLookupDBGrid::Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) {
  if (AKind != sbVertical || !IsSequencedScrolling()) return TkcCustomLookupGrid::Scroll(AKind, ACode, APosition);
  switch (ACode) {
    case scLineUp: MoveFocusVertically(-1); break;
    case scLineDown: MoveFocusVertically(1); break;
    case scPageUp: PageUp(); break;
    case scPageDown: PageDown(); break;
    case scPosition: DBDataController()->DataSet()->SetRecNo(APosition + 1); break;
    default: break;
  }
  APosition = DBDataController()->DataSet()->RecNo() - 1;
}

TkcLookupDBGridColumn* TkcCustomLookupDBGrid::ColumnByFieldName(const String& AName) const {
  for (int i = 0; i < Columns()->Count(); ++i)
    if (SameText(Column(i)->FieldName(), AName)) return Column(i);
  return nullptr;
}

void TkcCustomLookupDBGrid::SetFieldNames(const std::vector<String>& ANames) {
  BeginUpdate();
  try {
    for (const String& name : ANames) static_cast<TkcLookupDBGridColumn*>(Columns()->Add())->SetFieldName(name);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomLookupDBGrid::SetListFieldNames(const String& ANames) {
  BeginUpdate();
  try {
    Columns()->Clear();
    SetFieldNames(SplitFieldNames(ANames));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}
