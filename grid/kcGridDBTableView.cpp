#include "grid/kcGridDBTableView.h"

#include <algorithm>
#include <unordered_set>

#include "controls/kcControlUtils.h"
#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridNavigatorSite.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableController.h"
#include "grid/kcGridTableViewData.h"

// ---- Names ----------------------------------------------------------------------------------

String GenerateGridItemName(const String& AViewName, const String& AFieldName, const String& AClassName,
                            const std::function<bool(const String&)>& AIsTaken) {
  String base;
  for (char c : AFieldName)
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_') base += c;
  if (base.empty() || (base[0] >= '0' && base[0] <= '9')) {
    String prefix = AClassName;
    if (prefix.rfind("TkcGrid", 0) == 0) prefix.erase(0, 7);
    base = prefix + base;
  }
  base = AViewName + base;
  // An empty field name numbers from the first try, so the bare prefix stays free.
  for (int n = AFieldName.empty() ? 1 : 0;; ++n) {
    String name = n ? base + std::to_string(n) : base;
    if (!AIsTaken(name)) return name;
  }
}

// ---- Data binding ---------------------------------------------------------------------------

TkcDBDataController* TkcGridItemDBDataBinding::DataController() const {
  return static_cast<TkcDBDataController*>(fItem->GridView()->DataController());
}

TField* TkcGridItemDBDataBinding::Field() const {
  int item = fItem->ItemIndex();
  return item < 0 ? nullptr : DataController()->GetItemDBField(item);
}

String TkcGridItemDBDataBinding::FieldName() const {
  int item = fItem->ItemIndex();
  return item < 0 ? String() : DataController()->GetItemFieldName(item);
}

void TkcGridItemDBDataBinding::SetFieldName(const String& Value) {
  int item = fItem->ItemIndex();
  if (item < 0 || Value == FieldName()) return;
  // The values picked for the old field mean nothing for the new one.
  fItem->DataBinding()->RecentFilterValues()->Clear();
  DataController()->SetItemFieldName(item, Value);
  fItem->GridView()->Changed(vckSize);
}

TkcEditRepositoryItem* TkcGridDBColumn::GetDefaultRepositoryItem() {
  return GetEditDBRegisteredRepositoryItems()->GetItemByField(fDataBinding.Field());
}

String TkcGridItemDBDataBinding::DefaultCaption() const {
  TField* field = Field();
  return field ? field->FieldName() : String();
}

String TkcGridItemDBDataBinding::FilterFieldCaption() const {
  TField* field = Field();
  return field ? field->DisplayName() : FieldName();
}

int TkcGridItemDBDataBinding::DefaultWidth(TField* AField) const {
  TField* field = AField ? AField : Field();
  int width = 64;
  if (field) {
    TkcCanvas* canvas = fItem->GridView()->ViewInfo()->Canvas();
    if (TFont* font = fItem->GetContentParams().Font) canvas->SetFont(font);
    width = canvas->TextWidth("0") * field->DisplayWidth() + 4;
    // The whole caption stays readable beside its filter button and sorting mark.
    // (Under a reload lock the column is not linked to its field yet: the field names it.)
    if (fItem->GridView()->OptionsView()->Header()) {
      const String caption = fItem->Caption();
      width = std::max(width, fItem->HeaderWidth(true, caption.empty() ? field->DisplayName() : caption));
    }
  }
  return std::max(width, fItem->MinWidth());
}

// ---- Data controller ------------------------------------------------------------------------

TkcGridDBDataController::TkcGridDBDataController(TkcGridDBTableView* AGridView)
    : TkcDBDataController(nullptr, TDeferCreation{}), fGridView(AGridView) {
  CreateOwnedObjects();
  OnUpdateControl = [this](TkcUpdateControlInfo* AInfo) { fGridView->DataControllerChanged(AInfo); };
}

TCollectionItemClass TkcGridDBDataController::GetSummaryItemClass() {
  return TkcGridDBTableSummaryItem::StaticClass();
}

TCollectionItemClass TkcGridDBDataController::GetSummaryGroupItemLinkClass() {
  return TkcGridTableSummaryGroupItemLink::StaticClass();
}

bool TkcGridDBDataController::CanSelectRow(int ARowIndex) { return CanSelectGridRow(fGridView, ARowIndex); }

bool TkcGridDBDataController::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcGridDataControllerItemsSupport, IkcGridDataControllerViewLink>(this, IID, Obj) ||
         TkcDBDataController::GetInterface(IID, Obj);
}

TClass TkcGridDBDataController::GetItemDataBindingClass() { return TkcGridItemDataBinding::StaticClass(); }

TClass TkcGridDBDataController::GetItemDefaultValuesProviderClass() {
  return TkcGridDBDefaultValuesProvider::StaticClass();
}

void TkcGridDBDataController::InitItemDefaultValuesProvider(TkcGridColumn* AItem,
                                                            TkcCustomEditDefaultValuesProvider* AProvider) {
  auto* provider = dynamic_cast<TkcGridDBDefaultValuesProvider*>(AProvider);
  auto* column = dynamic_cast<TkcGridDBColumn*>(AItem);
  if (!provider || !column) return;
  provider->SetDataSource(DataSource());
  provider->SetField(column->DBDataBinding()->Field());
  provider->SetFieldName(column->DBDataBinding()->FieldName());
}

TkcCustomGridView* TkcGridDBDataController::GetGridView() { return fGridView; }

void TkcGridDBDataController::CollectFakeComponentLinks(std::vector<TComponent*>& AList) {
  TDataSource* source = DataSource();
  TComponent* owner = source ? source->Owner() : nullptr;
  if (owner && owner != fGridView->Owner() && std::find(AList.begin(), AList.end(), owner) == AList.end())
    AList.push_back(owner);
}

void TkcGridDBDataController::FilterChanged() {
  TkcDBDataController::FilterChanged();
  if (TkcGridTableFiltering* filtering = fGridView->Filtering()) filtering->FilterChanged();
}

void TkcGridDBDataController::BeginOwnerUpdate() {
  fGridView->BeginUpdate();
  TkcDBDataController::BeginOwnerUpdate();
}

void TkcGridDBDataController::EndOwnerUpdate() {
  TkcDBDataController::EndOwnerUpdate();
  fGridView->EndUpdate();
}

String TkcGridDBDataController::GetFilterItemFieldCaption(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridDBColumn*>(AItem);
  return column ? column->DBDataBinding()->FilterFieldCaption() : String();
}

int TkcGridDBDataController::GetItemID(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  return column ? column->ID() : -1;
}

int TkcGridDBDataController::GetDefaultGridModeBufferCount() {
  // As many records as the rows can show whole, however many are loaded now.
  TkcGridTableViewInfo* info = fGridView->TableViewInfo();
  TRect records = info ? info->RecordsBounds() : TRect{};
  int count = info ? info->RowsFitting(records.bottom - records.top) : 0;
  return count > 0 ? count : TkcDBDataController::GetDefaultGridModeBufferCount();
}

void TkcGridDBDataController::CreateAllItems() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  ShowHourglassCursor();
  fGridView->BeginUpdate();
  LockDataReload();
  try {
    // Names already in use, lower-cased once, so many columns stay linear.
    std::unordered_set<String> taken;
    if (TComponent* owner = fGridView->Owner())
      for (int i = 0; i < owner->ComponentCount(); ++i) taken.insert(AnsiLowerCase(owner->Components(i)->Name()));
    for (int i = 0; i < fGridView->ColumnCount(); ++i) taken.insert(AnsiLowerCase(fGridView->Columns(i)->Name()));
    auto isTaken = [&](const String& AName) { return taken.count(AnsiLowerCase(AName)) != 0; };
    TFields& fields = ds->Fields();
    for (int i = 0; i < fields.Count(); ++i) {
      TField* field = fields.Fields(i);
      TkcGridDBColumn* column = fGridView->CreateColumn();
      column->DBDataBinding()->SetFieldName(field->FieldName());
      String name = GenerateGridItemName(fGridView->Name(), field->FieldName(),
                                         TkcGridDBColumn::StaticClass()->ClassName(), isTaken);
      column->SetName(name);
      taken.insert(AnsiLowerCase(name));
      column->SetVisible(field->Visible());
      // Numbers stand right-aligned as their fields show them.
      column->SetAlignment(field->Alignment());
    }
  } catch (...) {
    UnlockDataReload();
    fGridView->EndUpdate();
    HideHourglassCursor();
    throw;
  }
  UnlockDataReload();
  // Widths come from the dataset's fields: under a caller's reload lock the bindings are not
  // linked yet.
  for (int i = 0; i < fGridView->ColumnCount(); ++i) {
    TkcGridDBColumn* column = fGridView->Columns(i);
    if (TField* field = ds->FindField(column->DBDataBinding()->FieldName()))
      column->SetWidth(column->DBDataBinding()->DefaultWidth(field));
  }
  fGridView->EndUpdate();
  HideHourglassCursor();
}

void TkcGridDBDataController::DataSetCurrentChanged(bool AValue) {
  TkcDBDataController::DataSetCurrentChanged(AValue);
  if (fGridView->OptionsView()->Navigator()) fGridView->Navigator()->RefreshNavigator();
}

void TkcGridDBDataController::DeleteAllItems() { fGridView->ClearItems(); }

bool TkcGridDBDataController::IsSequencedScrollingAvailable() {
  TDataSet* ds = DataSet();
  return IsGridMode() && ds && ds->Active() && ds->IsSequenced();
}

bool TkcGridDBDataController::ScrollLine(bool AForward) {
  if (!IsSequencedScrollingAvailable()) return false;
  fGridView->TableController()->FocusNextRecord(AForward);
  return true;
}

bool TkcGridDBDataController::ScrollPage(bool AForward) {
  if (!IsSequencedScrollingAvailable()) return false;
  fGridView->TableController()->FocusNextPage(AForward);
  return true;
}

int TkcGridDBDataController::GetScrollBarPosition() {
  if (!IsSequencedScrollingAvailable()) return -1;
  // While a record is being inserted its position is not the dataset's.
  if (!Provider()->IsInserting()) fScrollBarPos = DataSet()->RecNo() - 1;
  return fScrollBarPos;
}

int TkcGridDBDataController::GetScrollBarRecordCount() {
  if (!IsSequencedScrollingAvailable()) return -1;
  return DataSet()->RecordCount() + std::max(fGridView->TableViewInfo()->VisibleRowCount(), 1) - 1;
}

bool TkcGridDBDataController::SetScrollBarPosition(int Value) {
  if (!IsSequencedScrollingAvailable()) return false;
  DataSet()->SetRecNo(Value + 1);
  return true;
}

bool TkcGridDBDataController::IsBOF() {
  if (IsSequencedScrollingAvailable()) return DataSet()->RecNo() <= 1;
  return GetFocusedRowIndex() <= 0;
}

bool TkcGridDBDataController::IsEOF() {
  if (IsSequencedScrollingAvailable()) return DataSet()->RecNo() >= DataSet()->RecordCount();
  return GetFocusedRowIndex() >= GetRowCount() - 1;
}

TkcFilterCriteriaItem* TkcGridDBDataController::AddItemToFilter(TkcFilterCriteriaItemList* AParent, TObject* AItem,
                                                                TkcFilterOperatorKind AOperatorKind,
                                                                const Variant& AValue, String ADisplayText,
                                                                bool AReplaceExistent) {
  if (ADisplayText.empty()) ADisplayText = AValue.IsNull() ? String() : AValue.AsString();
  Filter()->BeginUpdate();
  TkcFilterCriteriaItem* result = nullptr;
  try {
    if (AReplaceExistent) Filter()->RemoveItemByItemLink(AItem);
    result = Filter()->AddItem(AParent, AItem, AOperatorKind, AValue, ADisplayText);
  } catch (...) {
    Filter()->EndUpdate();
    throw;
  }
  Filter()->EndUpdate();
  return result;
}

// ---- Default values provider ----------------------------------------------------------------

TkcGridDBDefaultValuesProvider::TkcGridDBDefaultValuesProvider(TkcGridItemDataBinding* AOwner)
    : TkcCustomDBEditDefaultValuesProvider(AOwner) {}

bool TkcGridDBDefaultValuesProvider::CanModifyValue() {
  return fFieldName.empty() || TkcCustomDBEditDefaultValuesProvider::CanModifyValue();
}

// ---- Summary items --------------------------------------------------------------------------

TkcGridDBColumn* TkcGridDBTableSummaryItem::Column() const { return dynamic_cast<TkcGridDBColumn*>(GetItemLink()); }

TkcGridDBTableView* TkcGridDBTableSummaryItem::GetGridView() {
  auto* dc = dynamic_cast<TkcGridDBDataController*>(GetDataController());
  return dc ? static_cast<TkcGridDBTableView*>(dc->GetGridView()) : nullptr;
}

// ---- View -----------------------------------------------------------------------------------

TkcGridDBTableView::TkcGridDBTableView(TComponent* AOwner)
    : TkcGridTableView(AOwner, new TkcGridDBDataController(this)) {}

void TkcGridDBTableView::AssignPattern(TkcCustomGridView* APattern) {
  // A detail clone reads the pattern's dataset by the same keys.
  if (auto* pattern = dynamic_cast<TkcGridDBTableView*>(APattern)) {
    TkcGridDBDataController* from = pattern->DataController();
    TkcGridDBDataController* to = DataController();
    to->DataModeController()->Assign(from->DataModeController());
    to->SetKeyFieldNames(from->KeyFieldNames());
    to->SetDetailKeyFieldNames(from->DetailKeyFieldNames());
    to->SetMasterKeyFieldNames(from->MasterKeyFieldNames());
  }
  TkcGridTableView::AssignPattern(APattern);
}

void TkcGridDBTableView::ConnectPatternData(TkcCustomGridView* APattern) {
  if (auto* pattern = dynamic_cast<TkcGridDBTableView*>(APattern))
    DataController()->SetDataSource(pattern->DataController()->DataSource());
}

void TkcGridDBTableView::AssignColumnBinding(TkcGridColumn* AColumn, TkcGridColumn* ASource) {
  if (auto* source = dynamic_cast<TkcGridDBColumn*>(ASource))
    static_cast<TkcGridDBColumn*>(AColumn)->DBDataBinding()->SetFieldName(source->DBDataBinding()->FieldName());
}

TkcGridDBColumn* TkcGridDBTableView::GetColumnByFieldName(const String& AFieldName) const {
  for (int i = 0; i < ColumnCount(); ++i)
    if (AnsiSameText(Columns(i)->DBDataBinding()->FieldName(), AFieldName)) return Columns(i);
  return nullptr;
}

// ---- Registered views -----------------------------------------------------------------------

TkcGridRegisteredViews::TkcGridRegisteredViews() : TkcRegisteredClasses(true) { SetSorted(true); }

int TkcGridRegisteredViews::CompareItems(int Index1, int Index2) {
  auto isDB = [this](int AIndex) { return GetItemDescription(AIndex).rfind("DB", 0) == 0; };
  if (isDB(Index1) != isDB(Index2)) return isDB(Index1) ? 1 : -1;
  return TkcRegisteredClasses::CompareItems(Index1, Index2);
}

TkcGridRegisteredViews* GridRegisteredViews() {
  static std::unique_ptr<TkcGridRegisteredViews> registry = [] {
    auto r = std::make_unique<TkcGridRegisteredViews>();
    r->Register(TkcGridDBTableView::StaticClass(), "DB Table");
    r->Register(TkcGridTableView::StaticClass(), "Table");
    return r;
  }();
  return registry.get();
}
