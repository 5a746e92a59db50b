#include "grid/kcGridDataController.h"

#include "data/kcDataUtils.h"
#include "grid/kcGridFiltering.h"
#include "grid/kcGridSummary.h"
#include "grid/kcGridTableView.h"
#include "grid/kcGridTableViewData.h"

// ---- Data controller ------------------------------------------------------------------------

TkcGridDataController::TkcGridDataController(TkcGridTableView* AGridView)
    : TkcDataController(nullptr, TDeferCreation{}), fGridView(AGridView) {
  CreateOwnedObjects();
  ActiveChanged(true);
  OnUpdateControl = [this](TkcUpdateControlInfo* AInfo) { fGridView->DataControllerChanged(AInfo); };
}

TkcGridDataController::~TkcGridDataController() = default;

bool TkcGridDataController::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcGridDataControllerItemsSupport, IkcGridDataControllerViewLink>(this, IID, Obj) ||
         TkcDataController::GetInterface(IID, Obj);
}

TObject* TkcGridDataController::GetItem(int AItemIndex) { return GetItemField(AItemIndex)->ItemObject(); }

int TkcGridDataController::GetItemID(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  return column ? column->ID() : -1;
}

bool TkcGridDataController::CanSelectRow(int ARowIndex) { return CanSelectGridRow(fGridView, ARowIndex); }

TCollectionItemClass TkcGridDataController::GetSummaryItemClass() { return TkcGridTableSummaryItem::StaticClass(); }

TCollectionItemClass TkcGridDataController::GetSummaryGroupItemLinkClass() {
  return TkcGridTableSummaryGroupItemLink::StaticClass();
}

void TkcGridDataController::FilterChanged() {
  TkcDataController::FilterChanged();
  if (TkcGridTableFiltering* filtering = fGridView->Filtering()) filtering->FilterChanged();
}

void TkcGridDataController::ItemValueTypeClassChanged(int AItemIndex) {
  TkcDataController::ItemValueTypeClassChanged(AItemIndex);
  fGridView->Changed(vckLayout);
}

void TkcGridDataController::BeginOwnerUpdate() {
  fGridView->BeginUpdate();
  TkcDataController::BeginOwnerUpdate();
}

void TkcGridDataController::EndOwnerUpdate() {
  TkcDataController::EndOwnerUpdate();
  fGridView->EndUpdate();
}

void TkcGridDataController::Loaded() {
  TkcDataController::Loaded();
  if (!fPendingData) return;
  // Released whether it loads or not: a damaged block must not be applied twice.
  std::unique_ptr<TMemoryStream> data = std::move(fPendingData);
  LoadFromStream(data.get());
}

void TkcGridDataController::FocusControl(int AItemIndex, bool& ADone) {
  TkcDataController::FocusControl(AItemIndex, ADone);
}

String TkcGridDataController::GetFilterItemFieldCaption(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  return column ? column->Caption() : String();
}

bool TkcGridDataController::GetItemSortByDisplayText(int, bool ADefault) { return ADefault; }

TkcDataEditValueSource GridItemValueSource(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  TkcCustomEditProperties* properties = column ? column->GetProperties() : nullptr;
  return properties ? properties->GetEditValueSource(true) : evsText;
}

void TkcGridDataController::DefineProperties(TFiler* Filer) {
  TkcDataController::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Data", [this](TStream* S) { ReadData(S); }, [this](TStream* S) { WriteData(S); }, GetRecordCount() > 0);
}

void TkcGridDataController::ReadData(TStream* AStream) {
  std::int32_t size = StreamReadInteger(AStream);
  // A damaged form must not make us allocate or read what is not there.
  if (size < 0 || size > AStream->Remaining()) throw EReadError("Stream read error");
  auto data = std::make_unique<TMemoryStream>();
  if (size > 0) data->CopyFrom(AStream, size);
  data->SetPosition(0);
  fPendingData = std::move(data);
}

void TkcGridDataController::WriteData(TStream* AStream) {
  TMemoryStream data;
  SaveToStream(&data);
  StreamWriteInteger(AStream, static_cast<std::int32_t>(data.Size()));
  data.SetPosition(0);
  AStream->CopyFrom(&data, data.Size());
}

TClass TkcGridDataController::GetItemDataBindingClass() { return TkcGridItemDataBinding::StaticClass(); }

TClass TkcGridDataController::GetItemDefaultValuesProviderClass() {
  return TkcGridDefaultValuesProvider::StaticClass();
}

bool TkcGridDataController::IsBOF() { return GetFocusedRowIndex() <= 0; }

bool TkcGridDataController::IsEOF() {
  int row = GetFocusedRowIndex();
  return row < 0 || row >= GetRowCount() - 1;
}

TkcCustomGridView* TkcGridDataController::GetGridView() { return fGridView; }

void TkcGridDataController::AssignData(TkcCustomDataController* ASource) {
  TMemoryStream data;
  ASource->SaveToStream(&data);
  data.SetPosition(0);
  LoadFromStream(&data);
}

// ---- Default values provider ----------------------------------------------------------------

TkcGridDefaultValuesProvider::TkcGridDefaultValuesProvider(TkcGridItemDataBinding* AOwner)
    : TkcCustomEditDefaultValuesProvider(AOwner), fBinding(AOwner) {}

bool TkcGridDefaultValuesProvider::HasDisplayFormat(bool) { return false; }

// ---- Recently picked filter values ----------------------------------------------------------

bool TkcGridFilterMRUValueItem::Equals(TkcMRUItem* AItem) {
  auto* other = dynamic_cast<TkcGridFilterMRUValueItem*>(AItem);
  return other && CompareVariants(FilterValue, other->FilterValue) == 0;
}

void TkcGridFilterMRUValueItems::AddItemsTo(TkcFilterValueList* AList) {
  for (int i = 0; i < Count(); ++i) AList->Add(fviMRU, Items(i)->FilterValue, Items(i)->FilterText, false);
}

// ---- Item data binding ----------------------------------------------------------------------

TkcGridItemDataBinding::TkcGridItemDataBinding(TkcGridColumn* AItem) : fItem(AItem) {
  if (IkcGridDataControllerItemsSupport* support = nullptr; Supports(static_cast<TObject*>(DataController()), support))
    fValuesProvider.reset(static_cast<TkcCustomEditDefaultValuesProvider*>(
        support->GetItemDefaultValuesProviderClass()->CreateInstance<TkcGridItemDataBinding*>(this)));
  fRecentFilterValues = std::make_unique<TkcGridFilterMRUValueItems>();
  if (TkcGridTableFiltering* filtering = AItem->GridView()->Filtering())
    fRecentFilterValues->SetMaxCount(filtering->ItemMRUItemsListCount());
}

TkcGridItemDataBinding::~TkcGridItemDataBinding() = default;

IkcEditDefaultValuesProvider* TkcGridItemDataBinding::GetDefaultValuesProvider() const {
  if (!fValuesProvider) return nullptr;
  if (IkcGridDataControllerItemsSupport* support = nullptr; Supports(static_cast<TObject*>(DataController()), support))
    support->InitItemDefaultValuesProvider(fItem, fValuesProvider.get());
  return fValuesProvider.get();
}

void TkcGridItemDataBinding::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TkcGridItemDataBinding*>(Source)) {
    fLinkedObject = other->fLinkedObject;
    SetValueTypeClass(other->GetValueTypeClass());
    return;
  }
  TPersistent::Assign(Source);
}

TkcCustomDataController* TkcGridItemDataBinding::DataController() const { return fItem->GridView()->DataController(); }

int TkcGridItemDataBinding::ItemIndex() const { return fItem->ItemIndex(); }

TkcValueTypeClass TkcGridItemDataBinding::GetDefaultValueTypeClass() { return TkcStringValueType::Class(); }

TkcValueTypeClass TkcGridItemDataBinding::GetValueTypeClass() const {
  return DataController()->GetItemValueTypeClass(ItemIndex());
}

void TkcGridItemDataBinding::SetValueTypeClass(TkcValueTypeClass Value) {
  DataController()->ChangeValueTypeClass(ItemIndex(), Value);
}

String TkcGridItemDataBinding::ValueType() const {
  TkcValueTypeClass type = GetValueTypeClass();
  return type ? type->Caption() : String();
}

void TkcGridItemDataBinding::SetValueType(const String& Value) {
  if (Value == ValueType()) return;
  SetValueTypeClass(GetValueTypeClassList()->ItemByCaption(Value));
}

TkcDataFilterCriteria* TkcGridItemDataBinding::GetFilterCriteria() const { return DataController()->Filter(); }

TkcFilterCriteriaItem* TkcGridItemDataBinding::GetFilterCriteriaItem() const {
  return GetFilterCriteria()->FindItemByItemLink(fItem);
}

void TkcGridItemDataBinding::SetFiltered(bool Value) {
  if (!Value) GetFilterCriteria()->RemoveItemByItemLink(fItem);
}

void TkcGridItemDataBinding::GetFilterDisplayText(const Variant& AValue, String& ADisplayText) {
  if (fItem->OnGetFilterDisplayText) fItem->OnGetFilterDisplayText(fItem, AValue, ADisplayText);
}

TkcFilterCriteriaItem* TkcGridItemDataBinding::AddToFilter(TkcFilterCriteriaItemList* AParent,
                                                           TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                           String ADisplayText, bool AReplaceExisting) {
  if (ADisplayText.empty() && !AValue.IsNull()) ADisplayText = VarToStr(AValue);
  GetFilterDisplayText(AValue, ADisplayText);
  TkcDataFilterCriteria* criteria = GetFilterCriteria();
  criteria->BeginUpdate();
  try {
    if (AReplaceExisting) criteria->RemoveItemByItemLink(fItem);
    TkcFilterCriteriaItem* item = criteria->AddItem(AParent, fItem, AOperatorKind, AValue, ADisplayText);
    criteria->EndUpdate();
    return item;
  } catch (...) {
    criteria->EndUpdate();
    throw;
  }
}

void TkcGridItemDataBinding::GetFilterValues(TkcDataFilterValueList* AValueList, bool AValuesOnly,
                                             bool AUseItemTextOrder) {
  AValueList->Load(ItemIndex(), AUseItemTextOrder);
  if (fItem->OnGetFilterValues) fItem->OnGetFilterValues(fItem, AValueList);
  if (AValuesOnly) {
    for (int i = AValueList->GetCount() - 1; i >= 0; --i)
      if (AValueList->GetItem(i).Kind != fviValue) AValueList->Delete(i);
    return;
  }
  TkcGridTableFiltering* filtering = fItem->GridView()->Filtering();
  if (filtering && filtering->ItemMRUItemsList() && fItem->FilteringMRUItemsList)
    fRecentFilterValues->AddItemsTo(AValueList);
}

void TkcGridItemDataBinding::GetFilterStrings(TStrings* AStrings, TkcDataFilterValueList* AValueList) {
  GetFilterValues(AValueList, false, true);
  AStrings->BeginUpdate();
  try {
    AStrings->Clear();
    for (int i = 0; i < AValueList->GetCount(); ++i) {
      const TkcFilterValueItem& entry = AValueList->GetItem(i);
      String text = entry.DisplayText;
      GetFilterDisplayText(entry.Value, text);
      AStrings->Add(text);
    }
  } catch (...) {
    AStrings->EndUpdate();
    throw;
  }
  AStrings->EndUpdate();
}

// ---- Detail holders -------------------------------------------------------------------------

TObject* GridCreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) {
  auto* level = ARelation ? dynamic_cast<TkcGridLevel*>(ARelation->Item()) : nullptr;
  return level ? level->CreateDetailView(ARelation, ARecordIndex) : nullptr;
}

TkcCustomDataController* GridDetailHolderDataController(TObject* AHolder) {
  auto* view = dynamic_cast<TkcCustomGridView*>(AHolder);
  return view ? view->GetDataController() : nullptr;
}
