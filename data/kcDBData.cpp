#include "data/kcDBData.h"

#include <algorithm>

TkcValueTypeClass GetValueTypeClassByField(TField* AField) {
  if (!AField) return TkcStringValueType::Class();
  switch (AField->DataType()) {
    case ftString: return TkcStringValueType::Class();
    case ftSmallint: return TkcSmallintValueType::Class();
    case ftInteger:
    case ftAutoInc: return TkcIntegerValueType::Class();
    case ftWord: return TkcWordValueType::Class();
    case ftBoolean: return TkcBooleanValueType::Class();
    case ftFloat:
    case ftCurrency: return TkcFloatValueType::Class();
    case ftBCD: return TkcCurrencyValueType::Class();
    case ftDate:
    case ftTime:
    case ftDateTime: return TkcDateTimeValueType::Class();
    case ftWideString: return TkcWideStringValueType::Class();
    case ftLargeint: return TkcLargeIntValueType::Class();
    case ftFMTBcd: return TkcFMTBcdValueType::Class();
    default: return TkcVariantValueType::Class();
  }
}

// ---- Field utilities --------------------------------------------------------------------------------

std::vector<String> SplitFieldNames(const String& ANames) {
  std::vector<String> names;
  std::size_t start = 0;
  while (start <= ANames.size()) {
    std::size_t end = ANames.find(';', start);
    if (end == String::npos) end = ANames.size();
    String name = Trim(ANames.substr(start, end - start));
    if (!name.empty()) names.push_back(name);
    start = end + 1;
  }
  return names;
}

bool IsMultipleFieldNames(const String& ANames) { return SplitFieldNames(ANames).size() > 1; }
int GetFieldNamesCount(const String& ANames) { return static_cast<int>(SplitFieldNames(ANames).size()); }

void GetFieldNames(const String& ANames, TStrings* AList) {
  AList->Clear();
  for (const String& n : SplitFieldNames(ANames)) AList->Add(n);
}

Variant ReadFieldValue(TField* AField) {
  // One read of the value (a null field answers Null).
  Variant value = AField->Value();
  if (AField->FieldKind() == fkAggregate || value.IsNull()) return value;
  if (AField->DataType() == ftWideString && value.VarType() != varOleStr) return Variant(value.AsWideString());
  return value;
}

void WriteFieldValue(TField* AField, const Variant& AValue) {
  if (dynamic_cast<TDateTimeField*>(AField) && AValue.VarType() == varDouble)
    AField->SetAsDateTime(AValue.AsDouble());
  else
    AField->SetValue(AValue);
}

Variant ReadFieldsValue(const std::vector<TField*>& AFields) {
  if (AFields.empty()) return Null();
  if (AFields.size() == 1) return ReadFieldValue(AFields.front());
  Variant values = Variant::MakeArray(static_cast<int>(AFields.size()));
  for (std::size_t i = 0; i < AFields.size(); ++i) values.SetItem(static_cast<int>(i), ReadFieldValue(AFields[i]));
  return values;
}

void WriteFieldsValue(const std::vector<TField*>& AFields, const Variant& AValue) {
  if (AFields.size() == 1) {
    AFields.front()->SetValue(AValue);
    return;
  }
  for (std::size_t i = 0; i < AFields.size(); ++i)
    AFields[i]->SetValue(
        AValue.IsArray() && static_cast<int>(i) < AValue.ArrayCount() ? AValue.GetItem(static_cast<int>(i)) : Null());
}

bool CanModifyLookupField(TField* AField) {
  TDataSet* ds = AField->DataSet();
  if (!ds) return false;
  const std::vector<String> names = SplitFieldNames(AField->KeyFields);
  if (names.empty()) return false;
  for (const String& n : names) {
    TField* key = ds->FindField(n);
    if (!key || !key->CanModify()) return false;
  }
  return true;
}

namespace {
bool IsBinaryLikeType(TFieldType t) {
  return t == ftBytes || t == ftVarBytes || (t >= ftBlob && t <= ftCursor) || (t >= ftADT && t <= ftDataSet);
}
}  // namespace

bool CanModifyField(TField* AField, bool AByValue) {
  if (!AField->CanModify()) return false;
  if (AByValue) return true;
  return !IsBinaryLikeType(AField->DataType()) || static_cast<bool>(AField->OnSetText);
}

bool NeedsFieldDisplayText(TField* AField, bool ADefault) {
  if (AField->OnGetText || !AField->EditMask().empty()) return true;
  if (IsBinaryLikeType(AField->DataType()) || AField->DataType() == ftBoolean) return ADefault;
  if (auto* agg = dynamic_cast<TAggregateField*>(AField)) return !agg->DisplayFormat.empty() || agg->Currency;
  if (auto* n = dynamic_cast<TNumericField*>(AField)) {
    if (!n->DisplayFormat().empty() || !n->EditFormat().empty()) return true;
    if (auto* f = dynamic_cast<TFloatField*>(AField)) return f->Currency();
    if (auto* b = dynamic_cast<TBCDField*>(AField)) return b->Currency();
    if (auto* b = dynamic_cast<TFMTBCDField*>(AField)) return b->Currency();
    return false;
  }
  if (auto* d = dynamic_cast<TDateTimeField*>(AField)) return !d->DisplayFormat().empty();
  if (auto* t = dynamic_cast<TSQLTimeStampField*>(AField)) return !t->DisplayFormat().empty();
  return false;
}

bool IsCurrencyField(TField* AField) {
  auto* n = dynamic_cast<TNumericField*>(AField);
  if (!n || !n->DisplayFormat().empty() || AField->OnGetText) return false;
  if (auto* f = dynamic_cast<TFloatField*>(AField)) return f->Currency();
  if (auto* b = dynamic_cast<TBCDField*>(AField)) return b->Currency();
  if (auto* b = dynamic_cast<TFMTBCDField*>(AField)) return b->Currency();
  return false;
}

String GetFilterFieldName(TField* AField, bool AIgnoreOrigin) {
  if (!AField) return String();
  String name = AIgnoreOrigin ? String() : AField->Origin();
  if (!name.empty()) return name;
  name = AField->FieldName();
  if (IsValidIdent(name)) return name;
  String quoted = "[";
  for (char ch : name) {
    quoted += ch;
    if (ch == ']') quoted += ']';
  }
  return quoted + "]";
}

bool SameFieldName(const String& AName1, const String& AName2) {
  return AnsiUpperCase(AName1) == AnsiUpperCase(AName2);
}

// ---- Adapters -----------------------------------------------------------------------------------------

bool TkcDBAdapterList::FindAdapter(TClass ADataSetClass, int& AIndex) {
  AIndex = -1;
  for (int i = Count() - 1; i >= 0; --i) {
    TClass registered = Items(i)->DataSetClass();
    if (ADataSetClass->InheritsFrom(registered)) {
      AIndex = i;
      return true;
    }
    if (registered->InheritsFrom(ADataSetClass)) AIndex = i;
  }
  return false;
}

void TkcDBAdapterList::RegisterAdapter(TClass ADataSetClass, TkcDBAdapterItemClass AAdapterClass) {
  int index = -1;
  const bool ancestor = FindAdapter(ADataSetClass, index);
  TkcDBAdapterItem* item = AAdapterClass.Create(ADataSetClass);
  if (ancestor)
    fItems.insert(fItems.begin() + index + 1, item);
  else if (index >= 0)
    fItems.insert(fItems.begin() + index, item);
  else
    fItems.push_back(item);
}

void TkcDBAdapterList::UnregisterAdapter(TClass ADataSetClass, TkcDBAdapterItemClass AAdapterClass) {
  for (int i = Count() - 1; i >= 0; --i)
    if (Items(i)->DataSetClass() == ADataSetClass && Items(i)->ClassType() == AAdapterClass.ClassInfo()) {
      delete Items(i);
      fItems.erase(fItems.begin() + i);
    }
}

void TkcDBAdapterList::Clear() {
  while (!fItems.empty()) {
    delete fItems.back();
    fItems.pop_back();
  }
}

void TkcDBFilterOperatorAdapter::PrepareOperatorClass(TkcFilterCriteriaItem* /*AItem*/, TDataSet* ADataSet,
                                                      TkcFilterOperatorClass& AClass) {
  if (!ADataSet || !AClass) return;
  if (AnsiUpperCase(ADataSet->ClassName()).find("QUERY") == String::npos) return;
  if (AClass.InheritsFrom(TkcFilterNotNullOperator::StaticClass()))
    AClass = TkcFilterSQLNotNullOperator::StaticClass();
  else if (AClass.InheritsFrom(TkcFilterNullOperator::StaticClass()))
    AClass = TkcFilterSQLNullOperator::StaticClass();
}

namespace {
// A process-wide list, kept until the process ends, with one adapter registered for TDataSet.
TkcDBAdapterList* NewAdapterList(TkcDBAdapterItemClass AAdapterClass) {
  auto* list = new TkcDBAdapterList();
  list->RegisterAdapter(TDataSet::StaticClass(), AAdapterClass);
  return list;
}
}  // namespace

TkcDBAdapterList* FilterOperatorAdapters() {
  static TkcDBAdapterList* list = NewAdapterList(TkcDBFilterOperatorAdapter::StaticClass());
  return list;
}

TkcDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet) {
  if (!ADataSet) return nullptr;
  int index = -1;
  if (!FilterOperatorAdapters()->FindAdapter(ADataSet->ClassType(), index)) return nullptr;
  return dynamic_cast<TkcDBFilterOperatorAdapter*>(FilterOperatorAdapters()->Items(index));
}

// ---- Detail filter adapter -------------------------------------------------------------------------------

namespace {
Variant ItemOf(const Variant& AValues, std::size_t AIndex, std::size_t ACount) {
  if (ACount == 1 && !AValues.IsArray()) return AValues;
  return AValues.IsArray() && static_cast<int>(AIndex) < AValues.ArrayCount()
             ? AValues.GetItem(static_cast<int>(AIndex))
             : Null();
}
}  // namespace

bool TkcDBProviderDetailFilterAdapter::IsCurrentQuery(TDataSet* ADataSet, const String& AParamNames,
                                                      const Variant& AValues) {
  TStrings* params = ADataSet ? ADataSet->ParamsList() : nullptr;
  if (!params) return false;
  const std::vector<String> names = SplitFieldNames(AParamNames);
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (params->IndexOfName(names[i]) < 0) return false;
    const Variant value = ItemOf(AValues, i, names.size());
    const String text = params->Values(names[i]);
    if (value.IsNull() ? !text.empty() : !VariantsEqual(Variant(text), value)) return false;
  }
  return true;
}

void TkcDBProviderDetailFilterAdapter::ReopenDetailQuery(TDataSet* ADataSet, const String& AParamNames,
                                                         const Variant& AValues, bool& AReopened) {
  TStrings* params = ADataSet ? ADataSet->ParamsList() : nullptr;
  if (!params) return;
  if (IsCurrentQuery(ADataSet, AParamNames, AValues)) {
    ADataSet->First();
    return;
  }
  const std::vector<String> names = SplitFieldNames(AParamNames);
  kcBracket([ADataSet] { ADataSet->DisableControls(); },
            [&] {
              ADataSet->Close();
              for (std::size_t i = 0; i < names.size(); ++i) {
                const Variant value = ItemOf(AValues, i, names.size());
                params->SetValues(names[i], value.IsNull() ? String() : value.AsString());
              }
              ADataSet->Open();
            },
            [ADataSet] { ADataSet->EnableControls(); });
  AReopened = true;
}

void TkcDBProviderDetailFilterAdapter::SelectDetail(TDataSet* ADataSet, const String& AKeyFieldNames,
                                                    const Variant& AValues, bool ASQLMode, bool& AReopened) {
  if (ASQLMode)
    ReopenDetailQuery(ADataSet, AKeyFieldNames, AValues, AReopened);
  else if (ADataSet)
    ADataSet->Locate(AKeyFieldNames, AValues);
}

TkcDBAdapterList* DetailFilterAdapters() {
  static TkcDBAdapterList* list = NewAdapterList(TkcDBProviderDetailFilterAdapter::StaticClass());
  return list;
}

TkcDBProviderDetailFilterAdapter* TkcDBDataController::GetDetailFilterAdapter() {
  int index = -1;
  TDataSet* ds = DataSet();
  if (ds && DetailFilterAdapters()->FindAdapter(ds->ClassType(), index))
    if (auto* adapter = dynamic_cast<TkcDBProviderDetailFilterAdapter*>(DetailFilterAdapters()->Items(index)))
      return adapter;
  throw EkcInvalidDataControllerOperation("DetailFilterController not found");
}

bool TkcDBDataModeController::DetailIsCurrentQuery(const String& AKeyFieldNames, const Variant& AKeyValues) {
  if (OnDetailIsCurrentQuery)
    return OnDetailIsCurrentQuery(this, fDataController->DataSet(), AKeyFieldNames, AKeyValues);
  return fDataController->GetDetailFilterAdapter()->IsCurrentQuery(fDataController->DataSet(), AKeyFieldNames,
                                                                   AKeyValues);
}

void TkcDBDataModeController::DetailFirst(const String& AKeyFieldNames, const Variant& AKeyValues, bool& AReopened) {
  AReopened = false;
  if (OnDetailFirst) {
    OnDetailFirst(this, fDataController->DataSet(), AKeyFieldNames, AKeyValues, AReopened);
    return;
  }
  fDataController->GetDetailFilterAdapter()->SelectDetail(fDataController->DataSet(), AKeyFieldNames, AKeyValues,
                                                          DetailInSQLMode, AReopened);
}

// ---- Fields and the reader --------------------------------------------------------------------------

void TkcDBDataField::ComponentRemoved(TComponent* AComponent) {
  if (SharedField()) return;
  TkcCustomDataField::ComponentRemoved(AComponent);
  auto it = std::find(fDBFields.begin(), fDBFields.end(), AComponent);
  if (it == fDBFields.end()) return;
  // Unbound now; the rebuild follows from the dataset's own notice (closing, or its field list
  // changing), not from inside the field's destruction, when the dataset is half torn down.
  fDBFields.clear();
}

bool TkcDBDataField::CanModify(TkcDataEditValueSource AValueSource) {
  if (IsUnbound()) return TkcCustomDataField::CanModify(AValueSource);
  if (DBFields().size() != 1 || !TkcCustomDataField::CanModify(AValueSource)) return false;
  TField* f = DBFields().front();
  if (IsLookup()) {
    // A lookup value is changed through its key fields only.
    if (AValueSource != evsKey || SubFieldCount() == 0) return false;
    for (TkcDBDataField* sub : Owner()->fSubFields)
      if (!sub->DBField() || !CanModifyField(sub->DBField(), true)) return false;
    return true;
  }
  return f->FieldKind() == fkData && f->DataSet() && f->DataSet()->CanModify();
}

bool TkcDBDataField::HasInternalValues() {
  // Bound fields take their values from the dataset record; unbound ones keep theirs.
  return DBFields().empty();
}

Variant TkcDBDataField::ReadValue() const { return ReadFieldsValue(DBFields()); }

void TkcDBDataField::TakeOverColumn(TkcCustomDataField* ASource) {
  TkcCustomDataField::TakeOverColumn(ASource);
  // The heir of a column is bound as its owner was, with its sub-fields.
  if (auto* source = dynamic_cast<TkcDBDataField*>(ASource)) {
    fDBFields = std::move(source->fDBFields);
    source->fDBFields.clear();
    ClearSubFields();
    fSubFields = std::move(source->fSubFields);
    source->fSubFields.clear();
    for (TkcDBDataField* sub : fSubFields) sub->fParentField = this;
  }
}

TkcDBDataField::~TkcDBDataField() {
  if (fParentField) fParentField->RemoveSubField(this);
  ClearSubFields();
}

void TkcDBDataField::AddSubField(TkcDBDataField* AField) {
  if (std::find(fSubFields.begin(), fSubFields.end(), AField) != fSubFields.end()) return;
  if (AField->fParentField) throw EkcInvalidDataControllerOperation("ADataField.FParentField <> nil");
  fSubFields.push_back(AField);
  AField->fParentField = this;
}

void TkcDBDataField::RemoveSubField(TkcDBDataField* AField) {
  auto it = std::find(fSubFields.begin(), fSubFields.end(), AField);
  if (it == fSubFields.end()) return;
  fSubFields.erase(it);
  AField->fParentField = nullptr;
}

void TkcDBDataField::ClearSubFields() {
  while (!fSubFields.empty()) delete fSubFields.back();  // each one leaves the list itself
}

std::vector<TField*> TkcDBDataField::SubFieldDBFields() const {
  std::vector<TField*> fields;
  for (TkcDBDataField* sub : Owner()->fSubFields)
    if (TField* field = sub->DBField()) fields.push_back(field);
  return fields;
}

const TkcValueDefDBReader::TColumn& TkcValueDefDBReader::ColumnOf(TkcValueDef* AValueDef) {
  const std::size_t n = fColumns.size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = fNext + k < n ? fNext + k : fNext + k - n;
    if (fColumns[i].ValueDef == AValueDef) {
      fNext = i;
      return fColumns[i];
    }
  }
  TkcCustomDataField* field = FieldOfValueDef(AValueDef);
  fColumns.push_back({AValueDef, dynamic_cast<TkcDBDataField*>(field), field && field->HasInternalValues()});
  fNext = fColumns.size() - 1;
  return fColumns.back();
}

Variant TkcValueDefDBReader::GetValue(TkcValueDef* AValueDef) {
  if (TkcDBDataField* f = ColumnOf(AValueDef).Field; f && !f->DBFields().empty()) return f->ReadValue();
  return TkcValueDefReader::GetValue(AValueDef);
}

String TkcValueDefDBReader::GetDisplayText(TkcValueDef* AValueDef) {
  if (TkcDBDataField* f = ColumnOf(AValueDef).Field; f && f->DBField()) return f->DBField()->DisplayText();
  return TkcValueDefReader::GetDisplayText(AValueDef);
}

// ---- Data link -------------------------------------------------------------------------------------------

void TkcDBDataLink::ActiveChanged() {
  fProvider->SetActiveChanging(true);
  try {
    fProvider->ActiveChanged(Active());
  } catch (...) {
    fProvider->SetActiveChanging(false);
    throw;
  }
  fProvider->SetActiveChanging(false);
  auto* c = static_cast<TkcDBDataController*>(fProvider->DataController());
  if (c->IsLoading()) c->NoteActivatedWhileLoading();
}

void TkcDBDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
  TDataLink::DataEvent(Event, Info);
  if (Event == deDisabledStateChange && Info == 0) fLayoutChangePending = true;
}

void TkcDBDataLink::DataSetChanged() {
  if (fLayoutChangePending) {
    // Cleared first: a layout change while inserting comes back here as a plain data change.
    fLayoutChangePending = false;
    LayoutChanged();
    return;
  }
  TDataSet* ds = DataSet();
  if (!ds) return;
  if (fProvider->SmartDeleting()) return;  // the deleting provider removes the record itself
  // Another controller reads the dataset now: this one hears again once that one has loaded.
  if (fProvider->IsAnotherProviderBusy() ||
      static_cast<TkcDBDataController*>(fProvider->DataController())->IsDetailQueryStale())
    return;
  if (fProvider->IsGridMode()) {
    TkcCustomDataController* c = fProvider->DataController();
    kcBracket([c] { c->BeginOwnerUpdate(); },
              [this, ds] {
                fProvider->ReloadGridModeBuffer();
                if (ds->State() == dsInsert && !fProvider->HasSyncedInsert() && fProvider->CanSyncInsert() &&
                    !fInInsertSync)
                  InsertSync();
              },
              [c] { c->EndOwnerUpdate(); });
    return;
  }
  const TDataSetState state = ds->State();
  if (state == dsInsert && !fProvider->HasSyncedInsert() && fProvider->CanSyncInsert() && !fInInsertSync) {
    InsertSync();
    return;
  }
  if (state == dsEdit || state == dsInsert || state == dsSetKey) return;
  if (fProvider->IsDataSetLocating()) {
    // A controller moved the dataset itself (a locate, a read): the cursor moved, nothing changed.
    DataSetScrolled(0);
    return;
  }
  if (fProvider->IsSmartRefreshActive() && fProvider->RefreshUpdatedRecord()) {
    fProvider->ClearPostLocate();
    if (fProvider->DataChangedLocked())
      fProvider->EndChanging();
    else
      fProvider->ResetEditing();
  } else {
    fProvider->DataChanged(dcTotal, -1, -1);
    // The rows are read again; in sync mode the focus is the dataset's current row, not the
    // row focused before (a locate on the dataset sends this notice too).
    if (fProvider->IsSyncMode()) fProvider->DataController()->UpdateFocusing();
  }
  fProvider->ResetUpdatingRecord();
}

void TkcDBDataLink::EditingChanged() {
  if (Editing()) {
    if (fProvider->IsSmartRefreshActive()) fProvider->RememberUpdatingRecord();
    return;
  }
  // The dataset posted or cancelled, whoever asked: the controller edits nothing any more (its
  // change notice, which follows, reloads or refreshes the records).
  if (fProvider->EditingRecordIndex() != kcNoRecordIndex) fProvider->ResetEditing();
}

void TkcDBDataLink::InsertSync() {
  TDataSet* ds = DataSet();
  fInInsertSync = true;
  kcBracket([] {}, [&] { fProvider->DoInsert(ds->Eof() && !fProvider->ExplicitInsert()); },
            [this] { fInInsertSync = false; });
  fProvider->NoteSyncedInsert();
}

void TkcDBDataLink::FocusControl(TField** AField) {
  if (!AField || !*AField) return;
  TkcCustomDataController* c = fProvider->DataController();
  for (int i = 0; i < c->GetItemCount(); ++i) {
    auto* f = dynamic_cast<TkcDBDataField*>(c->GetItemField(i));
    if (!f || f->Internal() || f->DBField() != *AField) continue;
    bool done = false;
    c->FocusControl(i, done);
    if (done) *AField = nullptr;  // the framework stops looking for another control
    return;
  }
}

void TkcDBDataLink::RecordChanged(TField* /*AField*/) {
  const int record = fProvider->EditingRecordIndex();
  if (record < 0 || fProvider->IsGridMode() || !fProvider->IsEditing()) return;
  TkcCustomDataController* c = fProvider->DataController();
  if (record >= c->GetRecordCount()) return;
  fProvider->ReadRecordFromDataSet(record);
  c->DataChanged(dcRecord, -1, record);
}

void TkcDBDataLink::DataSetScrolled(int ADistance) { fProvider->LayoutChanged(ADistance); }

void TkcDBDataLink::LayoutChanged() {
  if (fProvider->SmartDeleting()) {
    fLayoutChangePending = false;
    return;
  }
  if (DataSet() && DataSet()->State() == dsInsert) {
    DataSetChanged();
    return;
  }
  fProvider->StructureChanged(true);
  fLayoutChangePending = false;
}

// ---- Provider --------------------------------------------------------------------------------------------

namespace {
// Every dataset provider of the process (the user-interface thread's only).
std::vector<TkcDBDataProvider*>& AllProviders() {
  static std::vector<TkcDBDataProvider*> providers;
  return providers;
}
}  // namespace

TkcDBDataProvider::TkcDBDataProvider(TkcCustomDataController* AController)
    : TkcCustomDataProvider(AController), fDataLink(std::make_unique<TkcDBDataLink>(this)) {
  AllProviders().push_back(this);
}

TkcDBDataProvider::~TkcDBDataProvider() {
  std::erase(AllProviders(), this);
  for (TkcDBDataProvider* p : AllProviders()) std::erase(p->fListeners, this);
  fDataLink->SetDataSource(nullptr);
}

std::vector<TkcDBDataProvider*> TkcDBDataProvider::ProvidersOnDataSet() const {
  std::vector<TkcDBDataProvider*> result;
  if (TDataSet* ds = DataSet())
    for (TkcDBDataProvider* p : AllProviders())
      if (p->DataSet() == ds) result.push_back(p);
  return result;
}

bool TkcDBDataProvider::IsAnotherProviderBusy() {
  for (TkcDBDataProvider* p : ProvidersOnDataSet()) {
    if (p == this || p->FreezeCount() == 0) continue;
    if (std::find(p->fListeners.begin(), p->fListeners.end(), this) == p->fListeners.end())
      p->fListeners.push_back(this);
    return true;
  }
  return false;
}

bool TkcDBDataProvider::IsDataSetLocating() {
  for (TkcDBDataProvider* p : ProvidersOnDataSet())
    if (p->FreezeCount() > 0 || p->fInNotify || p->LocateCount() > 0) return !fPostLocate;
  return false;
}

void TkcDBDataProvider::MarkPostLocate() {
  for (TkcDBDataProvider* p : ProvidersOnDataSet())
    if (!p->DataController()->IsDetailTemplate()) p->fPostLocate = true;
}

namespace {
bool IsDataSetEditing(TDataSet* ADataSet) {
  return ADataSet && ADataSet->Active() && (ADataSet->State() == dsEdit || ADataSet->State() == dsInsert);
}
}  // namespace

void TkcDBDataProvider::LockLocate() {
  TkcCustomDataProvider::LockLocate();
  if (IsDataSetEditing(DataSet())) MarkPostLocate();
}

void TkcDBDataProvider::BeginFreeze() {
  TkcCustomDataProvider::BeginFreeze();
  // The read's first move ends a pending edit by the dataset's own rules (a changed record is
  // posted, a refused post stops the read): what the user typed is never dropped.
  if (IsDataSetEditing(DataSet())) MarkPostLocate();
}

bool TkcDBDataProvider::IsDetailProviderFrozen() {
  for (TkcDBDataProvider* p : ProvidersOnDataSet())
    if (p->FreezeCount() > 0 && p->DataController()->GetDetailMode() != 0) return true;
  return false;
}

void TkcDBDataProvider::NotifyListeners() {
  if (fListeners.empty() || fInNotify) return;
  fInNotify = true;
  kcBracket([] {},
            [this] {
              while (!fListeners.empty()) {
                TkcDBDataProvider* p = fListeners.back();
                fListeners.pop_back();
                p->DataLink()->ReplayDataSetChanged();
              }
            },
            [this] { fInNotify = false; });
}

void TkcDBDataProvider::StructureChanged(bool AFlag) {
  // A detail reading the shared dataset re-lays it out for everyone: the others only re-bind.
  if (IsDetailProviderFrozen()) {
    if (IsDataActive()) fDataController->UpdateFields();
    return;
  }
  TkcCustomDataProvider::StructureChanged(AFlag);
}

void TkcDBDataProvider::First() {
  TkcCustomDataProvider::First();
  TDataSet* ds = DataSet();
  if (!ds) return;
  if (!IsDetail() || IsGridMode()) {
    ds->First();
    return;
  }
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (c->MasterDetailKeyValues().IsEmpty()) return;
  bool reopened = false;
  c->DataModeController()->DetailFirst(c->GetLinkedDetailKeyFieldNames(), c->MasterDetailKeyValues(), reopened);
  if (reopened) {
    // The reopened dataset has new fields and knows no earlier bookmark: the fields are bound
    // again (also by the details sharing it) and the read ends on the first detail row.
    if (fPositionLock > 0) fSavedBookmark = ds->Active() && ds->BookmarkAvailable() ? ds->Bookmark() : String();
    c->UpdateFields();
    if (TkcCustomDataRelation* relation = c->GetMasterRelation())
      c->ForEachDetailController(relation, [c](TkcCustomDataController* other) {
        if (other == c) return;
        other->UpdateFields();
        other->AddChanges(dccData);
      });
  }
  fDetailFirstRecNo = ds->Active() ? ds->RecNo() : 1;
  // A query reopened for this detail is positioned for it; a shared dataset read by locating
  // is current for the detail whose rows hold the cursor once the read ends.
  if (c->DataModeController()->DetailInSQLMode) SetDataSetCurrent(true);
}

bool TkcDBDataProvider::IsEOF() {
  TDataSet* ds = DataSet();
  if (!ds) return true;
  if (!IsDetail() || IsGridMode()) return ds->Eof();
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (c->MasterDetailKeyValues().IsEmpty() || ds->Eof()) return true;
  if (IsEditing()) return false;
  return !VariantsEqual(ReadFieldsValue(c->GetDetailKeyDataSetFields()), c->MasterDetailKeyValues());
}

bool TkcDBDataProvider::IsDetail() { return fDataController->GetDetailMode() == 2; }

bool TkcDBDataProvider::IsDataSetCurrent() { return !IsDetail() || fDataSetCurrent; }

void TkcDBDataProvider::SetDataSetCurrent(bool Value) {
  if (fDataSetCurrent == Value) return;
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (Value && c->GetMasterRelation() && IsDetail()) {
    // The dataset is positioned for this detail now: the others of the relation lose their focus.
    c->ForEachDetailController(c->GetMasterRelation(), [c](TkcCustomDataController* other) {
      auto* d = dynamic_cast<TkcDBDataController*>(other);
      if (!d || d == c || d->IsResettingDataSetCurrent()) return;
      d->SetResettingDataSetCurrent(true);
      kcBracket([] {},
                [d] {
                  d->Provider()->SetDataSetCurrent(false);
                  d->FocusRecord(-1);
                },
                [d] { d->SetResettingDataSetCurrent(false); });
    });
  }
  fDataSetCurrent = Value;
  c->DataSetCurrentChanged(Value);
}

bool TkcDBDataProvider::SourceHasDetails(int ARecordIndex, int ARelationIndex) {
  TkcCustomDataController* templ = fDataController->GetDetailTemplateController();
  if (!templ->HasRelations() || ARelationIndex < 0 || ARelationIndex >= templ->GetRelations()->GetCount())
    return TkcCustomDataProvider::SourceHasDetails(ARecordIndex, ARelationIndex);
  auto* relation = dynamic_cast<TkcDBDataRelation*>(templ->GetRelations()->GetItem(ARelationIndex));
  auto* detail = relation ? dynamic_cast<TkcDBDataController*>(relation->DetailDataController()) : nullptr;
  if (!detail) return TkcCustomDataProvider::SourceHasDetails(ARecordIndex, ARelationIndex);
  bool has = true;
  // A detail of a record asks its own relation of that index (its master key field).
  TkcCustomDataRelation* own = fDataController->HasRelations() &&
                                       ARelationIndex < fDataController->GetRelations()->GetCount()
                                   ? fDataController->GetRelations()->GetItem(ARelationIndex)
                                   : nullptr;
  auto* ownRelation = dynamic_cast<TkcDBDataRelation*>(own);
  const Variant values = ownRelation ? ownRelation->GetMasterKeyValues(ARecordIndex) : Unassigned();
  const String names = detail->GetLinkedDetailKeyFieldNames();
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (c->OnDetailHasChildren) {
    c->OnDetailHasChildren(c, ARecordIndex, ARelationIndex, names, values, has);
  } else if (!detail->DataModeController()->GridMode() && !detail->DataModeController()->DetailInSQLMode) {
    TDataSet* dds = detail->DataSet();
    if (!dds) {
      has = false;
    } else if (dds->Active()) {
      if (names.empty() || values.IsEmpty()) return false;
      TkcDBDataProvider* dp = detail->Provider();
      dp->BeginFreeze();
      dp->SavePosition();
      kcBracket([] {}, [&] { has = dds->Locate(names, values); },
                [dp] {
                  dp->RestorePosition();
                  dp->EndFreeze();
                });
    }
  } else {
    has = false;
  }
  return has;
}

void TkcDBDataProvider::Prior() {
  if (DataSet()) DataSet()->Prior();
}

void TkcDBDataProvider::Next() {
  if (DataSet()) DataSet()->Next();
}

void TkcDBDataProvider::Last() {
  if (DataSet()) DataSet()->Last();
}

void TkcDBDataProvider::MoveBy(int ADistance) {
  if (DataSet()) DataSet()->MoveBy(ADistance);
}

void TkcDBDataProvider::SavePosition() {
  if (fPositionLock++ > 0 || !DataSet() || !DataSet()->Active()) return;
  // Reading every record moves the cursor: the controls stay still and the cursor comes back.
  TDataSet* ds = DataSet();
  ds->DisableControls();
  fSavedBookmark = ds->BookmarkAvailable() ? ds->Bookmark() : String();
  // The walk drags the windows of the grid-mode buffers along: each buffer's row of the current
  // record is given back afterwards.
  fSavedBufferRows.clear();
  for (TkcDBDataProvider* p : ProvidersOnDataSet())
    if (p->IsGridMode() && p->DataLink()->Active())
      fSavedBufferRows.emplace_back(p, p->DataLink()->ActiveRecord());
}

void TkcDBDataProvider::RestorePosition() {
  if (--fPositionLock > 0 || !DataSet() || !DataSet()->Active()) return;
  TDataSet* ds = DataSet();
  try {
    if (!fSavedBookmark.empty() && ds->BookmarkValid(fSavedBookmark)) {
      ds->GotoBookmark(fSavedBookmark);
      const std::vector<TkcDBDataProvider*> others = ProvidersOnDataSet();
      for (const auto& [provider, row] : fSavedBufferRows) {
        if (std::find(others.begin(), others.end(), provider) == others.end()) continue;
        TkcDBDataLink* link = provider->DataLink();
        if (!link->Active()) continue;
        // Moving away and back by as far as the dataset really went puts the window's edge so
        // that the record comes back to its row.
        const int current = link->ActiveRecord();
        const int away = row < current ? link->BufferCount() - row - 1 : row > current ? -row : 0;
        if (away != 0) ds->MoveBy(-ds->MoveBy(away));
      }
    }
  } catch (const EDatabaseError&) {
    // The record went away meanwhile: the cursor stays where the load left it.
  }
  fSavedBookmark.clear();
  fSavedBufferRows.clear();
  ds->EnableControls();
}

// ---- Grid mode ---------------------------------------------------------------------------------------------

namespace {
TkcDBDataModeController* ModeOf(TkcCustomDataController* AController) {
  // Nil while the controller is being destroyed (its mode controller goes first).
  return static_cast<TkcDBDataController*>(AController)->DataModeController();
}
}  // namespace

bool TkcDBDataProvider::IsGridMode() {
  TkcDBDataModeController* mode = ModeOf(fDataController);
  TDataSet* ds = DataSet();
  return mode && mode->GridMode() && ds && !ds->IsUniDirectional() && !LoadAllNeeded() &&
         !fDataController->IsDetailTemplate();
}

int TkcDBDataProvider::GetGridModeBufferCount() {
  TkcDBDataModeController* mode = ModeOf(fDataController);
  const int count = mode ? mode->GridModeBufferCount() : 0;
  return count != 0 ? count : static_cast<TkcDBDataController*>(fDataController)->GetDefaultGridModeBufferCount();
}

void TkcDBDataProvider::LoadRecords() {
  if (!IsGridMode() || !fDataLink->Active()) return;
  fDataLink->SetBufferCount(GetGridModeBufferCount());
  fDataController->GetDataStorage()->SetRecordCount(fDataLink->RecordCount());
  fCurrentRecordIndex = fDataLink->ActiveRecord();
}

template <class R>
R TkcDBDataProvider::ReadBufferRow(int ARecordIndex, TkcCustomDataField* AField, R ANone, R (*ARead)(TkcDBDataField*)) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  TDataSet* ds = DataSet();
  if (!f || f->DBFields().empty() || !ds || !fDataLink->Active()) return ANone;
  if (ARecordIndex < 0 || ARecordIndex >= fDataLink->RecordCount())
    return IsInserting() ? ARead(f) : ANone;  // the new record being inserted
  const int saved = ds->ActiveRecordPos();
  fDataLink->SetActiveRecord(ARecordIndex);
  R result = ANone;
  kcBracket([] {}, [&] { result = ARead(f); }, [&] { ds->SetActiveRecordPos(saved); });
  return result;
}

Variant TkcDBDataProvider::GetExternalValue(int ARecordIndex, TkcCustomDataField* AField) {
  return ReadBufferRow<Variant>(ARecordIndex, AField, Null(), [](TkcDBDataField* f) { return f->ReadValue(); });
}

String TkcDBDataProvider::GetExternalDisplayText(int ARecordIndex, TkcCustomDataField* AField) {
  return ReadBufferRow<String>(ARecordIndex, AField, String(),
                               [](TkcDBDataField* f) { return f->DBField()->DisplayText(); });
}

void TkcDBDataProvider::ReloadGridModeBuffer() {
  if (!fDataLink->Active() || !IsGridMode()) return;
  const int previous = fDataController->GetDataStorage()->RecordCount();
  fDataLink->SetBufferCount(GetGridModeBufferCount());
  fCurrentRecordIndex = fDataLink->ActiveRecord();
  if (fDataLink->RecordCount() != previous || IsInserting()) {
    DataChanged(dcTotal, -1, -1);
  } else {
    // Same rows, other records or values in them: read live, so only the views need to know.
    if (fDataController->MultiSelect())
      static_cast<TkcDBDataController*>(fDataController)->Selection()->DropInvalidBookmarks();
    DataChanged(dcRecord, -1, -1);
    fDataController->UpdateFocusing();
  }
}

void TkcDBDataProvider::LayoutChanged(int ADistance) {
  if (IsGridMode()) {
    fCurrentRecordIndex = fDataLink->ActiveRecord();
    if (ADistance != 0) {
      auto* c = static_cast<TkcDBDataController*>(fDataController);
      kcBracket([c] { c->BeginUpdate(); },
                [&] {
                  c->BufferScrolled(ADistance);
                  // The rows show other records now.
                  c->AddChanges(dccData);
                  if (c->HasRelations()) c->CollapseAllDetails();
                },
                [c] { c->EndUpdate(); });
    }
  }
  TkcCustomDataProvider::LayoutChanged(ADistance);
}

void TkcDBDataProvider::Scroll(int ADistance) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ADistance == 0) return;
  if (!IsGridMode()) {
    ds->MoveBy(ADistance);
    return;
  }
  // The move starts from the buffer's top or bottom row.
  if (ADistance < 0)
    ADistance -= fDataLink->ActiveRecord();
  else
    ADistance += fDataLink->RecordCount() - fDataLink->ActiveRecord() - 1;
  ds->MoveBy(ADistance);
  fDataController->UpdateSelectionSnapshot();
  fDataController->SetFocusedSelected(true);
}

// ---- Smart refresh -----------------------------------------------------------------------------------------

bool TkcDBDataProvider::IsSmartRefreshActive() {
  TkcDBDataModeController* mode = ModeOf(fDataController);
  return mode && mode->SmartRefresh() && fDataController->IsKeyBased();
}

void TkcDBDataProvider::RememberUpdatingRecord() {
  TDataSet* ds = DataSet();
  fUpdatingInserting = ds && ds->State() == dsInsert;
  fUpdatingRecord = fUpdatingInserting
                        ? kcNoRecordIndex
                        : static_cast<TkcDBDataController*>(fDataController)->DataSetCurrentRecordIndex();
}

void TkcDBDataProvider::ReadRecordFromDataSet(int ARecordIndex) {
  std::unique_ptr<TkcValueDefReader> reader(CreateValueDefReader());
  fDataController->GetDataStorage()->ReadRecord(ARecordIndex, reader.get());
  fDataController->AfterRecordRead(ARecordIndex);
}

bool TkcDBDataProvider::RefreshUpdatedRecord() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active()) return false;
  TkcCustomDataController* c = fDataController;
  // The dataset and the controller held the same records before: one more is a posted insert,
  // as many is an edit (posted or cancelled), a cancelled insert or a cursor move (a locate,
  // First, Last); anything else is unknown.
  const int difference = ds->RecordCount() - c->GetRecordCount();
  if (fUpdatingRecord == kcNoRecordIndex && !fUpdatingInserting) {
    if (difference != 0) return false;
    c->UpdateFocusing();
    return true;
  }
  if (fUpdatingInserting && fUpdatingRecord >= 0 && fUpdatingRecord < c->GetRecordCount()) {
    // The insert showed as a row already: a post keeps it with the values the dataset stored,
    // a cancel removes it.
    if (difference == 0) {
      ReadRecordFromDataSet(fUpdatingRecord);
      c->DataChanged(dcRecord, -1, fUpdatingRecord);
    } else if (difference == -1) {
      c->RemoveRecord(fUpdatingRecord);
    } else {
      return false;
    }
    c->UpdateFocusing();
    return true;
  }
  if (fUpdatingInserting) {
    if (difference == 0) {
      c->UpdateFocusing();
      return true;
    }
    if (difference != 1) return false;
    const int r = c->GetDataStorage()->AppendRecord();
    ReadRecordFromDataSet(r);
    c->DataChanged(dcNew, -1, r);
    c->UpdateFocusing();
    return true;
  }
  if (difference != 0 || fUpdatingRecord < 0 || fUpdatingRecord >= c->GetRecordCount()) return false;
  // The cursor stays on the edited record, also when its key changed: it is re-read in place.
  ReadRecordFromDataSet(fUpdatingRecord);
  c->DataChanged(dcRecord, -1, fUpdatingRecord);
  c->UpdateFocusing();
  return true;
}

void TkcDBDataModeController::SetSmartRefresh(bool Value) {
  if (fSmartRefresh == Value) return;
  fSmartRefresh = Value;
  if (!fDataController->IsGridMode() && fDataController->Provider()->IsDataActive())
    fDataController->Provider()->LayoutChanged(0);
}

void TkcDBDataController::UpdateStructure() {
  if (!IsGridMode()) Provider()->DataLink()->SetBufferCount(1);
  TkcCustomDataController::UpdateStructure();
}

void TkcDBDataController::ApplyGridModeBufferCount() {
  if (IsGridMode()) Provider()->ReloadGridModeBuffer();
}

void TkcDBDataModeController::SetGridMode(bool Value) {
  if (fGridMode == Value) return;
  const bool was = fDataController->IsGridMode();
  fGridMode = Value;
  if (fDataController->IsGridMode() != was) fDataController->UpdateStructure();
}

void TkcDBDataModeController::SetGridModeBufferCount(int Value) {
  Value = std::max(Value, 0);
  if (fGridModeBufferCount == Value) return;
  fGridModeBufferCount = Value;
  fDataController->ApplyGridModeBufferCount();
}

void TkcDBDataProvider::KeepPosition() {
  if (--fPositionLock > 0 || !DataSet() || !DataSet()->Active()) return;
  fSavedBookmark.clear();
  fSavedBufferRows.clear();
  DataSet()->EnableControls();
}

void TkcDBDataProvider::ActiveChanged(bool AActive) {
  fDataController->ActiveChanged(AActive);
  ResetEditing();
}

// ---- Controller ------------------------------------------------------------------------------------------

TkcDBDataController::TkcDBDataController(TComponent* AOwner) : TkcCustomDataController(AOwner, TDeferCreation{}) {
  CreateOwnedObjects();
}

TkcDBDataController::~TkcDBDataController() {
  fDestroying = true;
  Provider()->DataLink()->SetDataSource(nullptr);
}

void TkcDBDataController::SetDataSource(TDataSource* Value) {
  if (Value == DataSource()) return;
  Provider()->DataLink()->SetDataSource(Value);
  if (!Value) ActiveChanged(false);
  DataSourceChanged();
}

bool TkcDBDataController::IsSourceField(TkcCustomDataField* AField) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  return (f && !f->DBFields().empty()) || TkcCustomDataController::IsSourceField(AField);
}

void TkcDBDataController::RefreshField(TkcCustomDataField* AField) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (!f || f->SharedField()) return;
  std::vector<TField*> bound;
  if (TDataSet* ds = DataSet(); ds && !f->FieldName().empty()) {
    // A name the dataset does not know leaves the field unbound.
    for (const String& name : SplitFieldNames(f->FieldName())) {
      TField* field = ds->FindField(name);
      if (!field) {
        bound.clear();
        break;
      }
      bound.push_back(field);
    }
  }
  f->SetDBFields(bound);
  for (TField* field : bound) field->FreeNotification(Notifier());
  TkcValueTypeClass type = bound.size() > 1 ? TkcVariantValueType::Class() : GetValueTypeClassByField(f->DBField());
  if (bound.empty() && f->ColumnTypeClass() && f->FieldName().empty())
    type = f->ColumnTypeClass();  // an unbound item keeps its type
  // A field with a display format or its own text keeps the display text the dataset shows.
  bool keepsText = false;
  if (TField* field = f->DBField())
    keepsText = NeedsFieldDisplayText(field, !f->Internal() && GetItemValueSource(GetItemIndexOfField(f)) == evsText);
  if (f->ColumnTypeClass() != type || f->KeepsText() != keepsText) {
    f->BeginColumnRebuild();
    f->SetKeepsText(keepsText);
    f->SetColumnTypeClass(type);
    f->EndColumnRebuild();
    if (!f->Internal()) ItemValueTypeClassChanged(GetItemIndexOfField(f));
    for (int i = 0; i < Fields()->Count(); ++i)  // the items sharing its column changed type too
      if (TkcCustomDataField* g = Fields()->Fields(i); g->SharedField() == f && !g->Internal())
        ItemValueTypeClassChanged(GetItemIndexOfField(g));
  }
  UpdateLookupKeyFields(f);
}

void TkcDBDataController::UpdateLookupKeyFields(TkcDBDataField* AField) {
  std::vector<String> names;
  if (AField->IsLookup() && !AField->ParentField()) names = SplitFieldNames(AField->DBField()->KeyFields);
  bool same = static_cast<int>(names.size()) == AField->SubFieldCount();
  for (std::size_t i = 0; same && i < names.size(); ++i)
    same = AField->SubFields(static_cast<int>(i))->FieldName() == names[i];
  if (same) return;
  // The field list's scan starts again when fields come or go, so the new sub-fields are bound
  // after their parent.
  AField->ClearSubFields();
  for (const String& name : names) {
    auto* sub = static_cast<TkcDBDataField*>(CreateHiddenField());
    AField->AddSubField(sub);
    sub->SetFieldName(name);
    ShareColumnByName(sub);
  }
}

bool TkcDBDataController::IsFilterValueStored(TkcCustomDataField* AField) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  return !(f && f->IsLookup()) && TkcCustomDataController::IsFilterValueStored(AField);
}

Variant TkcDBDataController::GetFilterFieldValue(int ARecordIndex, TkcCustomDataField* AField) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (!f || !f->IsLookup()) return TkcCustomDataController::GetFilterFieldValue(ARecordIndex, AField);
  const int n = f->SubFieldCount();
  if (n == 0) return Unassigned();
  if (n == 1) return TkcCustomDataController::GetFilterFieldValue(ARecordIndex, f->SubFields(0));
  Variant values = Variant::MakeArray(n);
  for (int i = 0; i < n; ++i)
    values.SetItem(i, TkcCustomDataController::GetFilterFieldValue(ARecordIndex, f->SubFields(i)));
  return values;
}

Variant TkcDBDataController::GetGroupingFieldValue(int ARecordIndex, TkcCustomDataField* AField) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (!f || !f->IsLookup() || f->SubFieldCount() == 0)
    return TkcCustomDataController::GetGroupingFieldValue(ARecordIndex, AField);
  const int n = f->SubFieldCount();
  if (n == 1) return TkcCustomDataController::GetGroupingFieldValue(ARecordIndex, f->SubFields(0));
  Variant values = Variant::MakeArray(n);
  for (int i = 0; i < n; ++i)
    values.SetItem(i, TkcCustomDataController::GetGroupingFieldValue(ARecordIndex, f->SubFields(i)));
  return values;
}

void TkcDBDataController::ChangeValueTypeClass(int AItemIndex, TkcValueTypeClass AClass) {
  auto* f = dynamic_cast<TkcDBDataField*>(GetItemField(AItemIndex));
  if (f && f->DBField()) return;  // the type follows the dataset field
  TkcCustomDataController::ChangeValueTypeClass(AItemIndex, AClass);
}

void TkcDBDataController::SetItemFieldName(int AItemIndex, const String& ANames) {
  auto* f = static_cast<TkcDBDataField*>(GetItemField(AItemIndex));
  if (f->FieldName() == ANames) return;
  AssignFieldNames(f, ANames);
}

void TkcDBDataController::AssignFieldNames(TkcDBDataField* AField, const String& ANames) {
  if (AField->FieldName() != ANames) {
    std::vector<TkcDBDataField*> sharers;
    for (int i = 0; i < Fields()->Count(); ++i)
      if (auto* g = dynamic_cast<TkcDBDataField*>(Fields()->Fields(i)); g && g != AField && g->SharedField() == AField)
        sharers.push_back(g);
    AField->SetFieldName(ANames);
    // They named the old name: each finds its column again (the first of them owns one now).
    for (TkcDBDataField* g : sharers) g->SetSharedField(nullptr);
    for (TkcDBDataField* g : sharers) ShareColumnByName(g);
  }
  ShareColumnByName(AField);
  StructureChanged(true);
}

void TkcDBDataController::ShareColumnByName(TkcDBDataField* AField) {
  TkcDBDataField* owner = nullptr;
  bool shared = false;  // others share this field's column: it stays their owner
  for (int i = 0; i < Fields()->Count(); ++i) {
    auto* g = dynamic_cast<TkcDBDataField*>(Fields()->Fields(i));
    if (!g || g == AField || g->ParentField() == AField) continue;  // its own sub-fields go with it
    if (g->SharedField() == AField) shared = true;
    if (!owner && !g->SharedField() && !AField->FieldName().empty() && !IsMultipleFieldNames(AField->FieldName()) &&
        !IsMultipleFieldNames(g->FieldName()) && SameFieldName(g->FieldName(), AField->FieldName()))
      owner = g;
  }
  if (shared) owner = nullptr;
  if (owner == AField->SharedField()) return;
  if (owner) AField->ClearSubFields();  // a sharing field uses its owner's
  AField->SetSharedField(owner);
}

String TkcDBDataController::GetItemFieldName(int AItemIndex) {
  return static_cast<TkcDBDataField*>(GetItemField(AItemIndex))->FieldName();
}

TField* TkcDBDataController::GetItemDBField(int AItemIndex) {
  return static_cast<TkcDBDataField*>(GetItemField(AItemIndex))->DBField();
}

void TkcDBDataController::SetKeyFieldNames(const String& Value) {
  if (Value == fKeyFieldNames) return;
  fKeyFieldNames = Value;
  if (Value.empty()) {
    TkcDBDataField* f = fKeyField;
    fKeyField = nullptr;
    delete f;
    AddChanges(dccData);
  } else {
    if (!fKeyField) fKeyField = static_cast<TkcDBDataField*>(CreateHiddenField());
    AssignFieldNames(fKeyField, Value);
  }
  fKeyIndexValid = false;
}

void TkcDBDataController::FieldRemoved(TkcCustomDataField* AField) {
  if (AField == fKeyField) fKeyField = nullptr;
  TkcCustomDataController::FieldRemoved(AField);
}

void TkcDBDataController::GetKeyFields(std::vector<TkcCustomDataField*>& AList) {
  if (fKeyField && !fKeyField->DBFields().empty()) AList.push_back(fKeyField);
}

Variant TkcDBDataController::GetRecordId(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) throw EkcInvalidDataControllerOperation(kcRecordIndexError);
  std::vector<TkcCustomDataField*> keys;
  GetKeyFields(keys);
  return keys.empty() ? Null() : GetRecordFieldsValue(ARecordIndex, keys);
}

void TkcDBDataController::DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  fKeyIndexValid = false;
  TkcCustomDataController::DataChanged(AKind, AItemIndex, ARecordIndex);
}

void TkcDBDataController::LoadData() {
  fKeyIndexValid = false;
  kcBracket([this] { BeginKeysSaving(); }, [this] { TkcCustomDataController::LoadData(); },
            [this] { EndKeysSaving(); });
  Provider()->ClearPostLocate();
}

void TkcDBDataController::RebuildKeyIndex() {
  fKeyIndex.clear();
  std::vector<TkcCustomDataField*> keys;
  GetKeyFields(keys);
  if (!keys.empty()) {
    const int count = GetRecordCount();
    fKeyIndex.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) fKeyIndex.emplace_back(GetRecordFieldsValue(r, keys), r);
    std::vector<int> order(fKeyIndex.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
    SortRecordList(order, 0, static_cast<int>(order.size()) - 1, [this](int a, int b) {
      const int c =
          CompareVariants(fKeyIndex[static_cast<std::size_t>(a)].first, fKeyIndex[static_cast<std::size_t>(b)].first);
      return c != 0 ? c : (a < b ? -1 : (a > b ? 1 : 0));
    });
    std::vector<std::pair<Variant, int>> sorted;
    sorted.reserve(order.size());
    for (int i : order) sorted.push_back(std::move(fKeyIndex[static_cast<std::size_t>(i)]));
    fKeyIndex.swap(sorted);
  }
  fKeyIndexValid = true;
}

int TkcDBDataController::FindRecordIndexByKey(const Variant& AKey) {
  std::vector<TkcCustomDataField*> keys;
  GetKeyFields(keys);
  if (keys.empty()) return -1;
  if (IsGridMode()) {
    // Only the buffer's records are known: a scan of at most the buffer's rows.
    for (int r = 0; r < GetRecordCount(); ++r)
      if (VariantsSame(GetRecordFieldsValue(r, keys), AKey)) return r;
    return -1;
  }
  // Several key fields want an array of as many values.
  if (fKeyField->DBFields().size() > 1 &&
      (!AKey.IsArray() || AKey.ArrayCount() != static_cast<int>(fKeyField->DBFields().size())))
    return -1;
  if (!fKeyIndexValid || static_cast<int>(fKeyIndex.size()) != GetRecordCount()) RebuildKeyIndex();
  auto it = std::lower_bound(
      fKeyIndex.begin(), fKeyIndex.end(), AKey,
      [](const std::pair<Variant, int>& e, const Variant& k) { return CompareVariants(e.first, k) < 0; });
  for (; it != fKeyIndex.end() && CompareVariants(it->first, AKey) == 0; ++it)
    if (VariantsEqual(it->first, AKey)) return it->second;
  return -1;
}

bool TkcDBDataController::LocateByKey(const Variant& AKey) {
  const int record = FindRecordIndexByKey(AKey);
  if (record == -1 && IsGridMode()) {
    // The record may lie outside the buffer: the dataset finds it and the buffer follows.
    TDataSet* ds = DataSet();
    bool found = false;
    kcBracket([this] { Provider()->LockLocate(); }, [&] { found = ds && ds->Locate(KeyFieldNames(), AKey); },
              [this] { Provider()->UnlockLocate(); });
    if (found) {
      UpdateFocusing();
      SetFocusedSelected(true);
    }
    return found;
  }
  return FocusRecord(record) && record >= 0;
}

// ---- Filtering through the dataset -----------------------------------------------------------------------

TkcFilterOperatorClass TkcDBDataFilterCriteriaItem::GetFilterOperatorClass() {
  TkcFilterOperatorClass c = TkcDataFilterCriteriaItem::GetFilterOperatorClass();
  auto* criteria = static_cast<TkcDataFilterCriteria*>(GetCriteria());
  auto* controller = dynamic_cast<TkcDBDataController*>(criteria ? criteria->DataController() : nullptr);
  TDataSet* ds = controller ? controller->DataSet() : nullptr;
  if (TkcDBFilterOperatorAdapter* adapter = GetFilterOperatorAdapter(ds)) adapter->PrepareOperatorClass(this, ds, c);
  return c;
}

bool TkcDBDataFilterCriteria::DataSetFilterInForce() const {
  auto* controller = dynamic_cast<TkcDBDataController*>(DataController());
  return fAutoDataSetFilter && !(controller && controller->Provider()->IsSmartRefreshActive());
}

TDataSet* TkcDBDataFilterCriteria::DataSet() const {
  auto* controller = dynamic_cast<TkcDBDataController*>(DataController());
  return controller ? controller->DataSet() : nullptr;
}

void TkcDBDataFilterCriteria::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDBDataFilterCriteria*>(Source)) {
    kcBracket([this] { BeginUpdate(); },
              [&] {
                TkcDataFilterCriteria::Assign(Source);
                SetAutoDataSetFilter(s->AutoDataSetFilter());
                SetIgnoreOrigin(s->IgnoreOrigin());
              },
              [this] { EndUpdate(); });
    return;
  }
  TkcDataFilterCriteria::Assign(Source);
}

void TkcDBDataFilterCriteria::AssignEvents(TPersistent* Source) {
  TkcDataFilterCriteria::AssignEvents(Source);
  if (auto* s = dynamic_cast<TkcDBDataFilterCriteria*>(Source)) {
    OnBeforeChange = s->OnBeforeChange;
    OnFormatFilterTextValue = s->OnFormatFilterTextValue;
  }
}

void TkcDBDataFilterCriteria::RestoreDefaults() {
  kcBracket([this] { BeginUpdate(); },
            [this] {
              TkcDataFilterCriteria::RestoreDefaults();
              SetAutoDataSetFilter(false);
              SetIgnoreOrigin(true);
            },
            [this] { EndUpdate(); });
}

void TkcDBDataFilterCriteria::DoFormatFilterTextValue(TkcFilterCriteriaItem*, const Variant& AValue, String& AText) {
  if (OnFormatFilterTextValue) OnFormatFilterTextValue(this, AValue, AText);
}

void TkcDBDataFilterCriteria::SetAutoDataSetFilter(bool Value) {
  if (fAutoDataSetFilter == Value) return;
  fAutoDataSetFilter = Value;
  Changed();
}

void TkcDBDataFilterCriteria::SetIgnoreOrigin(bool Value) {
  if (fIgnoreOrigin == Value) return;
  fIgnoreOrigin = Value;
  Changed();
}

bool TkcDBDataFilterCriteria::IsFiltering() {
  return TkcDataFilterCriteria::IsFiltering() && !OnBeforeChange && !DataSetFilterInForce();
}

void TkcDBDataFilterCriteria::DoChanged() {
  TkcCustomDataController* c = DataController();
  if (c->FilterList()->Contains(this)) return;
  if (!Destroying() && !c->IsDestroying()) {
    TDataSet* ds = DataSet();
    if (ds && (ds->State() == dsEdit || ds->State() == dsInsert || ds->State() == dsSetKey)) {
      try {
        c->FinishEditing();
      } catch (...) {
        DeactivateQuietly();
        throw;
      }
    }
    if (OnBeforeChange && !c->IsLoading()) OnBeforeChange(this, ds, GetFilterText());
    if (DataSetFilterInForce() && ds) {
      const String text = GetFilterText();
      const TFilterOptions options =
          Options().Contains(fcoCaseInsensitive) ? TFilterOptions{foCaseInsensitive} : TFilterOptions{};
      const bool filtered = Active() && !text.empty();
      if (ds->Filter() != text || ds->FilterOptions() != options || ds->Filtered() != filtered) {
        kcBracket([ds] { ds->DisableControls(); },
                  [&] {
                    ds->SetFilter(text);
                    ds->SetFilterOptions(options);
                    ds->SetFiltered(filtered);
                  },
                  [ds] { ds->EnableControls(); });
      }
    }
  }
  TkcDataFilterCriteria::DoChanged();
}

String TkcDBDataController::GetFilterItemFieldName(TObject* AItem) {
  auto* f = dynamic_cast<TkcDBDataField*>(GetFieldByItem(AItem));
  if (!f || !f->DBField()) return String();
  const bool ignoreOrigin = Filter()->IgnoreOrigin();
  String names;
  for (TField* field : f->IsLookup() ? f->SubFieldDBFields() : f->DBFields()) {
    if (!names.empty()) names += ";";
    names += GetFilterFieldName(field, ignoreOrigin);
  }
  return names;
}

void TkcDBDataController::FinishEditing() {
  TDataSet* ds = DataSet();
  if (ds && (ds->State() == dsEdit || ds->State() == dsInsert)) {
    // A new record that got only automatic values is dropped, not posted.
    if (ds->State() == dsInsert && !Provider()->IsDataSetModified())
      ds->Cancel();
    else
      ds->Post();
  }
  FinishDetailsEditing();
}

void TkcDBDataController::SetFieldNamesOf(const String& ANames, TkcDBDataField*& AField) {
  if (ANames.empty()) {
    TkcDBDataField* f = AField;
    AField = nullptr;
    delete f;
    AddChanges(dccData);
    return;
  }
  if (!AField) AField = static_cast<TkcDBDataField*>(CreateHiddenField());
  AssignFieldNames(AField, ANames);
}

// ---- Summary items of dataset fields ---------------------------------------------------------------------

TkcDBDataSummaryItem::~TkcDBDataSummaryItem() {
  TkcDBDataField* f = fField;
  fField = nullptr;
  delete f;
}

void TkcDBDataSummaryItem::SetFieldName(const String& Value) {
  if (fFieldName == Value) return;
  fFieldName = Value;
  auto* c = dynamic_cast<TkcDBDataController*>(GetDataController());
  if (c) c->SetFieldNamesOf(Value, fField);
  Changed(true);
}

void TkcDBDataSummaryItem::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDBDataSummaryItem*>(Source)) {
    kcBracket(
        [this] {
          if (Collection()) Collection()->BeginUpdate();
        },
        [&] {
          TkcDataSummaryItem::Assign(Source);
          SetFieldName(s->FieldName());
        },
        [this] {
          if (Collection()) Collection()->EndUpdate();
        });
    return;
  }
  TkcDataSummaryItem::Assign(Source);
}

bool TkcDBDataSummaryItem::IsCurrency(TVarType AVarType) {
  auto* f = dynamic_cast<TkcDBDataField*>(GetField());
  if (f && f->DBField()) return IsCurrencyField(f->DBField());
  return TkcDataSummaryItem::IsCurrency(AVarType);
}

// ---- Editing through the dataset --------------------------------------------------------------------------

bool TkcDBDataController::MoveDataSetToRecord(int ARecordIndex) {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) return false;
  if (IsGridMode()) {
    // A buffer row: the dataset moves by the rows between it and the current one.
    ds->MoveBy(ARecordIndex - Provider()->CurrentRecordIndex());
    return true;
  }
  // With key fields the record is found by its key; otherwise by its place in the dataset.
  std::vector<TkcCustomDataField*> keys;
  GetKeyFields(keys);
  if (!keys.empty()) return ds->Locate(KeyFieldNames(), GetRecordId(ARecordIndex));
  const int recNo = ARecordIndex + (GetDetailMode() == 2 ? Provider()->DetailFirstRecNo() : 1);
  if (ds->RecNo() != recNo) ds->SetRecNo(recNo);
  return ds->RecNo() == recNo;
}

int TkcDBDataProvider::GetActiveRecordIndex() {
  if (HasSyncedInsert() && IsInserting() && !IsGridMode()) return fEditingRecordIndex;
  return static_cast<TkcDBDataController*>(fDataController)->DataSetCurrentRecordIndex();
}

bool TkcDBDataProvider::CanSyncInsert() {
  TkcDBDataModeController* mode = ModeOf(fDataController);
  // Of the details sharing a dataset, only the current one shows the new row.
  return mode && mode->SyncInsert && IsSyncMode() && !fDataController->IsDetailTemplate() && IsDataSetCurrent();
}

void TkcDBDataProvider::NoteSyncedInsert() {
  // Smart refresh keeps the new row once the dataset posts it (or drops it on a cancel).
  if (HasSyncedInsert() && IsSmartRefreshActive()) {
    fUpdatingInserting = true;
    fUpdatingRecord = fEditingRecordIndex;
  }
}

void TkcDBDataProvider::SetValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (!f || f->DBFields().empty() || !IsEditing()) {
    TkcCustomDataProvider::SetValue(ARecordIndex, AField, AValue);
    return;
  }
  const std::vector<TField*> fields = f->IsLookup() ? f->SubFieldDBFields() : f->DBFields();
  WriteFieldsValue(fields, AValue);
  for (TField* field : fields)
    if (std::find(fAssignedFields.begin(), fAssignedFields.end(), field) == fAssignedFields.end())
      fAssignedFields.push_back(field);
}

void TkcDBDataProvider::AssignDefaultValues(int ARecordIndex, const Variant& AGroupingValues) {
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  fAssignedFields.clear();
  TkcCustomDataProvider::AssignDefaultValues(ARecordIndex, AGroupingValues);
  // A new detail row belongs to its master record.
  if (IsInserting() && IsDetail() && c->Options().Contains(dcoAssignMasterDetailKeys) &&
      !c->MasterDetailKeyValues().IsEmpty()) {
    const std::vector<TField*> keys = c->GetDetailKeyDataSetFields();
    if (!keys.empty()) {
      WriteFieldsValue(keys, c->MasterDetailKeyValues());
      for (TField* key : keys)
        if (std::find(fAssignedFields.begin(), fAssignedFields.end(), key) == fAssignedFields.end())
          fAssignedFields.push_back(key);
    }
  }
  c->InitInsertingRecord(ARecordIndex);
  if (ARecordIndex >= 0 && ARecordIndex < fDataController->GetRecordCount() && !IsGridMode())
    ReadRecordFromDataSet(ARecordIndex);
}

bool TkcDBDataProvider::IsDataSetModified() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Modified()) return false;
  if (fAssignedFields.empty() || ds->State() != dsInsert) return true;
  for (int i = 0; i < ds->Fields().Count(); ++i) {
    TField* field = ds->Fields().Fields(i);
    if (field->FieldKind() != fkData ||
        std::find(fAssignedFields.begin(), fAssignedFields.end(), field) != fAssignedFields.end())
      continue;
    if (!field->IsNull()) return true;
  }
  return false;
}

bool TkcDBDataProvider::IsSyncMode() {
  TkcDBDataModeController* mode = ModeOf(fDataController);
  TDataSet* ds = DataSet();
  if (!mode || !ds || !ds->Active() || ds->IsUniDirectional() || !(IsGridMode() || mode->SyncMode())) return false;
  if (!IsDetail()) return true;
  // A detail follows the shared dataset only while it can find its rows in it.
  if (!mode->DetailInSyncMode || (mode->DetailInSQLMode && !fDataSetCurrent)) return false;
  return IsGridMode() || fDataController->IsKeyBased();
}

bool TkcDBDataProvider::IsEditing() {
  TDataSet* ds = DataSet();
  return ds && (ds->State() == dsEdit || ds->State() == dsInsert);
}

bool TkcDBDataProvider::IsInserting() { return DataSet() && DataSet()->State() == dsInsert; }

void TkcDBDataProvider::Edit() {
  TDataSet* ds = DataSet();
  if (!ds || IsEditing()) return;
  const int record = fDataController->GetFocusedRecordIndex();
  if (record < 0 || !static_cast<TkcDBDataController*>(fDataController)->MoveDataSetToRecord(record)) return;
  ds->Edit();
  fEditingRecordIndex = record;
  fInserting = false;
  // The values before the edit and the rows next to it keep the record in its group and its
  // place until the post, as unbound.
  if (IsEditing()) {
    RememberEditingNeighbours();
    SaveEditingRecord();
  }
}

void TkcDBDataProvider::Insert() { StartInsert(false); }
void TkcDBDataProvider::Append() { StartInsert(true); }

void TkcDBDataProvider::StartInsert(bool AAppend) {
  TDataSet* ds = DataSet();
  if (!ds) return;
  const int record = fDataController->GetFocusedRecordIndex();
  if (!AAppend && record >= 0) static_cast<TkcDBDataController*>(fDataController)->MoveDataSetToRecord(record);
  // A detail's new row is this detail's: the shared dataset is positioned for it from now on.
  if (IsDetail()) SetDataSetCurrent(true);
  if (CanSyncInsert()) {
    // The dataset's notice mirrors the insert as a new row (the insert's events go out there).
    fExplicitInsert = !AAppend;
    kcBracket([] {},
              [&] {
                if (AAppend)
                  ds->Append();
                else
                  ds->Insert();
              },
              [this] { fExplicitInsert = false; });
    return;
  }
  fDataController->FireBeforeInsert();
  if (AAppend)
    ds->Append();
  else
    ds->Insert();
  fInserting = true;
  fDataController->FireAfterInsert();
}

bool TkcDBDataProvider::CanInitEditing(int ARecordIndex) {
  if (!IsEditing()) {
    if (ARecordIndex < 0) return false;
    fDataController->FocusRecord(ARecordIndex);
    Edit();
  }
  if (IsEditing()) BeginChanging();
  return IsEditing();
}

Variant TkcDBDataProvider::GetEditValue(int ARecordIndex, TkcCustomDataField* AField,
                                        TkcDataEditValueSource AValueSource) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (IsEditing() && f && !f->DBFields().empty())
    return ReadFieldsValue(f->IsLookup() && AValueSource == evsKey ? f->SubFieldDBFields() : f->DBFields());
  return TkcCustomDataProvider::GetEditValue(ARecordIndex, AField, AValueSource);
}

bool TkcDBDataProvider::SetEditValue(int /*ARecordIndex*/, TkcCustomDataField* AField, const Variant& AValue,
                                     TkcDataEditValueSource AValueSource) {
  auto* f = dynamic_cast<TkcDBDataField*>(AField);
  if (!f || f->DBFields().empty() || !IsEditing()) return false;
  Variant value = AValue;
  if (AValueSource == evsText && value.IsStr() && value.AsString().empty()) value = Null();
  if (f->IsLookup()) {
    // The lookup shows what its key fields find: only a key can be written.
    const std::vector<TField*> keys = f->SubFieldDBFields();
    if (AValueSource != evsKey || keys.empty()) return false;
    WriteFieldsValue(keys, value);
  } else {
    WriteFieldsValue(f->DBFields(), value);
  }
  MarkModified();
  return true;
}

void TkcDBDataProvider::Post() {
  TDataSet* ds = DataSet();
  if (!ds || !IsEditing()) return;
  fDataController->FireBeforePost();
  // A refused post leaves the dataset editing with its message; nothing typed is lost.
  ds->Post();
  ResetEditing();
  fDataController->FireAfterPost();
}

void TkcDBDataProvider::Cancel() {
  TDataSet* ds = DataSet();
  if (!ds || !IsEditing()) return;
  fDataController->FireBeforeCancel();
  CancelDataSet();
  ResetEditing();
  fDataController->FireAfterCancel();
}

void TkcDBDataProvider::CancelDataSet() {
  TDataSet* ds = DataSet();
  if (!ds) return;
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (!IsDetail() || !IsEOF() || c->KeyFieldNames().empty()) {
    ds->Cancel();
    return;
  }
  // A row appended to a detail stands at the end of the shared dataset: after the cancel the
  // cursor goes back to the detail's own last row, not to another master record's.
  const int last = c->GetRowCount() - (HasSyncedInsert() ? 2 : 1);  // the new row is the last one
  const int record = last >= 0 ? c->GetRowInfo(last).RecordIndex : -1;
  const Variant key = record >= 0 ? c->GetRecordId(record) : Unassigned();
  kcBracket([ds] { ds->DisableControls(); },
            [&] {
              ds->Cancel();
              if (!key.IsEmpty()) ds->Locate(c->KeyFieldNames(), key);
            },
            [ds] { ds->EnableControls(); });
}

void TkcDBDataProvider::Delete() {
  TDataSet* ds = DataSet();
  const int record = fDataController->GetFocusedRecordIndex();
  if (!ds || record < 0) return;
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (!c->MoveDataSetToRecord(record)) return;
  c->FireBeforeDelete(record);
  if (IsSmartRefreshActive()) {
    kcBracket(
        [&] {
          fSmartDeleting = true;
          ds->DisableControls();
        },
        [ds] { ds->Delete(); },
        [&] {
          ds->EnableControls();
          fSmartDeleting = false;
        });
    // Only the deleted record leaves the controller.
    c->RemoveRecord(record);
    c->UpdateFocusing();
  } else {
    ds->Delete();
  }
  c->RestoreFocusAfterDelete();
  c->FireAfterDelete();
}

void TkcDBDataProvider::DeleteRecords(std::vector<int>& AList) {
  TDataSet* ds = DataSet();
  if (!ds) return;
  auto* c = static_cast<TkcDBDataController*>(fDataController);
  if (IsSmartRefreshActive()) {
    // Each record is found by its key; the deleted ones then leave the controller, the others
    // stay loaded.
    std::vector<int> list = AList;
    std::sort(list.begin(), list.end());
    list.erase(std::unique(list.begin(), list.end()), list.end());
    std::vector<Variant> keys;
    for (int r : list) keys.push_back(c->GetRecordId(r));
    std::vector<int> deleted;
    kcBracket(
        [&] {
          fSmartDeleting = true;
          ds->DisableControls();
        },
        [&] {
          for (std::size_t i = list.size(); i-- > 0;) {
            if (!ds->Locate(c->KeyFieldNames(), keys[i])) continue;
            c->FireBeforeDelete(list[i]);
            ds->Delete();
            deleted.push_back(list[i]);
            c->FireAfterDelete();
          }
        },
        [&] {
          ds->EnableControls();
          fSmartDeleting = false;
          kcBracket([c] { c->BeginUpdate(); },
                    [&] {
                      for (int r : deleted) c->RemoveRecord(r);  // descending: earlier indexes stay valid
                      c->UpdateFocusing();
                    },
                    [c] { c->EndUpdate(); });
        });
    c->RestoreFocusAfterDelete();
    return;
  }
  // Deleting moves the later records up: the list goes from the last record to the first.
  kcBracket([ds] { ds->DisableControls(); },
            [&] {
              for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
                if (!c->MoveDataSetToRecord(*it)) continue;
                c->FireBeforeDelete(*it);
                ds->Delete();
                c->FireAfterDelete();
              }
            },
            [ds] { ds->EnableControls(); });
  c->RestoreFocusAfterDelete();
}

void TkcDBDataProvider::DeleteSelection() {
  TDataSet* ds = DataSet();
  if (!IsGridMode() || !ds) {
    TkcCustomDataProvider::DeleteSelection();
    return;
  }
  TkcDBDataSelection* selection = static_cast<TkcDBDataController*>(fDataController)->Selection();
  kcBracket([ds] { ds->DisableControls(); },
            [&] {
              for (int i = static_cast<int>(selection->Bookmarks().size()) - 1; i >= 0; --i) {
                const String bookmark = selection->Bookmarks()[static_cast<std::size_t>(i)];
                if (!bookmark.empty() && ds->BookmarkValid(bookmark)) {
                  ds->GotoBookmark(bookmark);
                  ds->Delete();
                }
                selection->DeleteEntry(i);
              }
            },
            [ds] { ds->EnableControls(); });
}

// ---- Data mode and sync mode ------------------------------------------------------------------------------

void TkcDBDataModeController::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDBDataModeController*>(Source)) {
    DetailInSQLMode = s->DetailInSQLMode;
    DetailInSyncMode = s->DetailInSyncMode;
    SetGridMode(s->GridMode());
    SetGridModeBufferCount(s->GridModeBufferCount());
    SetSmartRefresh(s->SmartRefresh());
    SyncInsert = s->SyncInsert;
    SetSyncMode(s->SyncMode());
    OnDetailFirst = s->OnDetailFirst;
    OnDetailIsCurrentQuery = s->OnDetailIsCurrentQuery;
    return;
  }
  TPersistent::Assign(Source);
}

TPersistent* TkcDBDataModeController::GetOwner() { return fDataController; }

void TkcDBDataModeController::SetSyncMode(bool Value) {
  if (fSyncMode == Value) return;
  fSyncMode = Value;
  if (fDataController->Provider()->IsDataActive()) fDataController->Provider()->LayoutChanged(0);
}

int TkcDBDataController::DataSetCurrentRecordIndex() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active() || ds->IsEmpty() || ds->State() == dsInsert) return -1;
  if (IsGridMode()) return Provider()->CurrentRecordIndex();
  std::vector<TkcCustomDataField*> keys;
  GetKeyFields(keys);
  if (!keys.empty()) return FindRecordIndexByKey(ReadFieldsValue(fKeyField->DBFields()));
  const int record = ds->RecNo() - (GetDetailMode() == 2 ? Provider()->DetailFirstRecNo() : 1);
  return record >= 0 && record < GetRecordCount() ? record : -1;
}

int TkcDBDataController::GetCurrentRecordIndex() {
  if (IsGridMode()) return Provider()->DataLink()->ActiveRecord();
  return Provider()->IsSyncMode() ? DataSetCurrentRecordIndex() : TkcCustomDataController::GetCurrentRecordIndex();
}

bool TkcDBDataController::CanFocusRecord(int ARecordIndex) {
  if (!TkcCustomDataController::CanFocusRecord(ARecordIndex)) return false;
  if (!Provider()->IsActive() || ARecordIndex < 0) return true;
  if (Provider()->IsInserting() && ARecordIndex == Provider()->EditingRecordIndex()) return true;
  // A detail query is reopened for this detail's master record before its rows are visited.
  if (GetDetailMode() == 2 && fDataModeController->DetailInSyncMode) {
    if (fResettingDataSetCurrent) return true;
    CheckDetailQuery();
  }
  if (!Provider()->IsSyncMode()) return true;
  if (ARecordIndex == DataSetCurrentRecordIndex()) return true;
  // The cursor move scrolls the dataset; its notice must not move the focus meanwhile.
  bool moved = false;
  kcBracket([this] { BeginCursorNavigation(); }, [&] { moved = MoveDataSetToRecord(ARecordIndex); },
            [this] { EndCursorNavigation(); });
  return moved;
}

void TkcDBDataController::RefreshData() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active()) return;
  ds->Refresh();
  // Smart refresh takes the dataset's notice for a cursor move: the records are read again here.
  if (IsSmartRefresh()) DataChanged(dcTotal, -1, -1);
}

bool TkcDBDataController::UseItemStoredText(int AItemIndex, bool AFlag) {
  TField* field = GetItemDBField(AItemIndex);
  if (AFlag && field && IsCurrencyField(field)) return false;
  return TkcCustomDataController::UseItemStoredText(AItemIndex, AFlag);
}

// ---- Assignment and dataset access -------------------------------------------------------------------------

void TkcDBDataController::Assign(TPersistent* Source) {
  TkcCustomDataController::Assign(Source);
  if (auto* s = dynamic_cast<TkcDBDataController*>(Source)) {
    fDataModeController->Assign(s->DataModeController());
    SetDataSource(s->DataSource());
    SetKeyFieldNames(s->KeyFieldNames());
    SetDetailKeyFieldNames(s->DetailKeyFieldNames());
    SetMasterKeyFieldNames(s->MasterKeyFieldNames());
    OnDetailHasChildren = s->OnDetailHasChildren;
  }
}

int TkcDBDataController::GetDataSetRecordCount() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->RecordCount() : 0;
}

int TkcDBDataController::GetDataSetRecNo() {
  TDataSet* ds = DataSet();
  return ds && ds->Active() ? ds->RecNo() : -1;
}

void TkcDBDataController::SetDataSetRecNo(int Value) {
  if (TDataSet* ds = DataSet()) ds->SetRecNo(Value);
}

std::vector<TField*> TkcDBDataController::GetKeyDataSetFields() {
  std::vector<TField*> fields;
  if (!fKeyField) return fields;
  const std::vector<String> names = SplitFieldNames(fKeyField->FieldName());
  if (fKeyField->DBFields().size() != names.size()) throw EkcInvalidDataControllerOperation("Key Field not found");
  return fKeyField->DBFields();
}

Variant TkcDBDataController::GetDataSetKeyValues() { return ReadFieldsValue(GetKeyDataSetFields()); }

// ---- Grid-mode selection ------------------------------------------------------------------------------------

namespace {
const char* const kcNotInGridMode = "DataController not in GridMode";
}

bool TkcDBDataSelection::InGridMode() const { return DataController()->IsGridMode(); }

int TkcDBDataSelection::CompareBookmarks(const String& A, const String& B) const {
  auto* provider = static_cast<TkcDBDataProvider*>(DataController()->Provider());
  TDataSet* ds = provider->DataSet();
  return ds && provider->DataLink()->Active() ? ds->CompareBookmarks(A, B) : -1;
}

void TkcDBDataSelection::ClearAnchor() {
  TkcDataSelection::ClearAnchor();
  fAnchorBookmark.clear();
}

void TkcDBDataSelection::InsertEntry(int APosition, int ARowIndex, int ARecordValue, int ALevel) {
  TkcDataSelection::InsertEntry(APosition, ARowIndex, ARecordValue, ALevel);
  if (!InGridMode() || fSelectAll) return;
  String bookmark = static_cast<TkcDBDataController*>(DataController())->GetRowBookmark(ARowIndex);
  if (APosition < 0 || APosition >= static_cast<int>(fBookmarks.size()))
    fBookmarks.push_back(std::move(bookmark));
  else
    fBookmarks.insert(fBookmarks.begin() + APosition, std::move(bookmark));
}

void TkcDBDataSelection::ClearEntries() {
  TkcDataSelection::ClearEntries();
  fBookmarks.clear();
}

void TkcDBDataSelection::DeleteEntry(int APosition) {
  if (InGridMode() && !fSelectAll && APosition >= 0 && APosition < static_cast<int>(fBookmarks.size())) {
    if (fBookmarks[static_cast<std::size_t>(APosition)] == fAnchorBookmark) ClearAnchor();
    fBookmarks.erase(fBookmarks.begin() + APosition);
  }
  TkcDataSelection::DeleteEntry(APosition);
}

bool TkcDBDataSelection::FindByRowIndex(int ARowIndex, int& APosition) const {
  if (!InGridMode()) return TkcDataSelection::FindByRowIndex(ARowIndex, APosition);
  return FindBookmark(static_cast<TkcDBDataController*>(DataController())->GetRowBookmark(ARowIndex), APosition);
}

bool TkcDBDataSelection::FindBookmark(const String& ABookmark, int& APosition) const {
  auto it = std::lower_bound(fBookmarks.begin(), fBookmarks.end(), ABookmark,
                             [this](const String& e, const String& b) { return CompareBookmarks(e, b) < 0; });
  APosition = static_cast<int>(it - fBookmarks.begin());
  return it != fBookmarks.end() && CompareBookmarks(*it, ABookmark) == 0;
}

void TkcDBDataSelection::SyncEntryCount() {
  fSelectAll = true;
  kcBracket([] {},
            [this] {
              if (GetCount() > static_cast<int>(fBookmarks.size())) TkcDataSelection::ClearEntries();
              SetEntryCount(static_cast<int>(fBookmarks.size()));
            },
            [this] { fSelectAll = false; });
}

void TkcDBDataSelection::SelectAllInGridMode() {
  auto* c = static_cast<TkcDBDataController*>(DataController());
  TDataSet* ds = c->DataSet();
  if (!InGridMode() || !ds) return;
  WalkDataSet([&] {
    std::vector<String> all;
    ds->First();
    while (!ds->Eof()) {
      if (c->CanSelectRow(-1)) all.push_back(ds->Bookmark());
      ds->Next();
    }
    fBookmarks.swap(all);
  });
}

void TkcDBDataSelection::WalkDataSet(const std::function<void()>& AWork) {
  TkcDBDataProvider* provider = static_cast<TkcDBDataController*>(DataController())->Provider();
  provider->BeginFreeze();
  provider->SavePosition();
  bool done = false;
  kcBracket([] {},
            [&] {
              AWork();
              done = true;
            },
            [&] {
              if (!done) fBookmarks.clear();  // a walk that failed half-way selects nothing
              SyncEntryCount();
              provider->RestorePosition();
              provider->EndFreeze();
            });
  Changed();
}

void TkcDBDataSelection::SelectBookmarkRange(const String& ABookmark, bool AKeep) {
  auto* c = static_cast<TkcDBDataController*>(DataController());
  TDataSet* ds = c->DataSet();
  if (!InGridMode() || !ds || ds->State() == dsInsert) return;
  String from = fAnchorBookmark.empty() ? ABookmark : fAnchorBookmark, to = ABookmark;
  if (CompareBookmarks(from, to) > 0) std::swap(from, to);
  WalkDataSet([&] {
    // The walk runs forward, so the range comes out sorted.
    std::vector<String> range;
    ds->GotoBookmark(from);
    for (;;) {
      String bookmark = ds->Bookmark();
      const bool last = CompareBookmarks(bookmark, to) >= 0;
      if (c->CanSelectRow(-1)) range.push_back(std::move(bookmark));
      if (last) break;
      ds->Next();
      if (ds->Eof()) break;
    }
    if (!AKeep || fBookmarks.empty()) {
      fBookmarks.swap(range);
    } else {
      std::vector<String> merged;
      merged.reserve(fBookmarks.size() + range.size());
      std::size_t i = 0, j = 0;
      while (i < fBookmarks.size() && j < range.size()) {
        const int order = CompareBookmarks(fBookmarks[i], range[j]);
        if (order < 0) {
          merged.push_back(std::move(fBookmarks[i++]));
        } else {
          if (order == 0) ++i;  // selected already: kept once
          merged.push_back(std::move(range[j++]));
        }
      }
      for (; i < fBookmarks.size(); ++i) merged.push_back(std::move(fBookmarks[i]));
      for (; j < range.size(); ++j) merged.push_back(std::move(range[j]));
      fBookmarks.swap(merged);
    }
  });
}

bool TkcDBDataSelection::DropInvalidBookmarks() {
  TDataSet* ds = static_cast<TkcDBDataController*>(DataController())->DataSet();
  if (!InGridMode() || !ds) return false;
  const std::size_t before = fBookmarks.size();
  std::erase_if(fBookmarks, [&](const String& b) {
    if (!b.empty() && ds->BookmarkValid(b)) return false;
    if (b == fAnchorBookmark) fAnchorBookmark.clear();
    return true;
  });
  if (fBookmarks.size() == before) return false;
  SyncEntryCount();
  Changed();
  return true;
}

String TkcDBDataController::GetRowBookmark(int ARowIndex) {
  TDataSet* ds = DataSet();
  if (!IsGridMode() || !ds || ARowIndex < 0 || ARowIndex >= Provider()->GetBufferRecordCount()) return String();
  const int saved = ds->ActiveRecordPos();
  String bookmark;
  kcBracket([&] { Provider()->DataLink()->SetActiveRecord(ARowIndex); }, [&] { bookmark = ds->Bookmark(); },
            [&] { ds->SetActiveRecordPos(saved); });
  return bookmark;
}

Variant TkcDBDataController::GetRowIdentity(int ARowIndex) {
  if (!IsGridMode()) return TkcCustomDataController::GetRowIdentity(ARowIndex);
  return Variant(GetRowBookmark(ARowIndex));
}

String TkcDBDataController::GetSelectedBookmark(int AIndex) {
  if (!IsGridMode()) throw EkcInvalidDataControllerOperation(kcNotInGridMode);
  if (!MultiSelect()) return GetRowBookmark(GetFocusedRowIndex());
  return Selection()->Bookmarks().at(static_cast<std::size_t>(AIndex));
}

String TkcDBDataController::GetAnchorBookmark() {
  if (!IsGridMode()) throw EkcInvalidDataControllerOperation(kcNotInGridMode);
  return Selection()->AnchorBookmark();
}

int TkcDBDataController::GetSelectedRowIndex(int AIndex) {
  if (!IsGridMode() || !MultiSelect()) return TkcCustomDataController::GetSelectedRowIndex(AIndex);
  const String& bookmark = Selection()->Bookmarks().at(static_cast<std::size_t>(AIndex));
  const int rows = Provider()->GetBufferRecordCount();
  TDataSet* ds = DataSet();
  if (rows == 0 || ds->CompareBookmarks(bookmark, GetRowBookmark(0)) < 0 ||
      ds->CompareBookmarks(bookmark, GetRowBookmark(rows - 1)) > 0)
    return -1;
  for (int r = 0; r < rows; ++r)
    if (ds->CompareBookmarks(bookmark, GetRowBookmark(r)) == 0) return r;
  return -1;
}

int TkcDBDataController::GetSelectionAnchorRowIndex() {
  return IsGridMode() ? -1 : TkcCustomDataController::GetSelectionAnchorRowIndex();
}

bool TkcDBDataController::HasSelectionAnchor() {
  return IsGridMode() ? !Selection()->AnchorBookmark().empty() : TkcCustomDataController::HasSelectionAnchor();
}

void TkcDBDataController::SelectAll() {
  if (IsGridMode())
    Selection()->SelectAllInGridMode();
  else
    TkcCustomDataController::SelectAll();
}

void TkcDBDataController::SelectFromAnchor(int ARowIndex, bool AKeepSelection) {
  if (!IsGridMode()) {
    TkcCustomDataController::SelectFromAnchor(ARowIndex, AKeepSelection);
    return;
  }
  DataControllerInfo()->CheckRowIndex(ARowIndex);
  if (HasSelectionAnchor()) Selection()->SelectBookmarkRange(GetRowBookmark(ARowIndex), AKeepSelection);
}

void TkcDBDataController::SetSelectionAnchor(int ARowIndex) {
  if (!IsGridMode()) {
    TkcCustomDataController::SetSelectionAnchor(ARowIndex);
    return;
  }
  DataControllerInfo()->CheckRowIndex(ARowIndex);
  Selection()->SetAnchorBookmark(GetRowBookmark(ARowIndex));
}

// ---- Grid-mode bookmark -------------------------------------------------------------------------------------

bool TkcDBDataController::IsBookmarkAvailable() {
  return IsGridMode() ? !fGridModeBookmark.empty() : TkcCustomDataController::IsBookmarkAvailable();
}

bool TkcDBDataController::IsBookmarkRow(int ARowIndex) {
  if (!IsGridMode()) return TkcCustomDataController::IsBookmarkRow(ARowIndex);
  TDataSet* ds = DataSet();
  return !fGridModeBookmark.empty() && ds && ds->CompareBookmarks(GetRowBookmark(ARowIndex), fGridModeBookmark) == 0;
}

bool TkcDBDataController::IsBookmarkInvalid(int ARecordIndex) {
  if (!IsGridMode()) return TkcCustomDataController::IsBookmarkInvalid(ARecordIndex);
  TDataSet* ds = DataSet();
  return !ds || !ds->BookmarkValid(fGridModeBookmark);
}

void TkcDBDataController::ForgetBookmark() {
  fGridModeBookmark.clear();
  TkcCustomDataController::ForgetBookmark();
}

void TkcDBDataController::FocusBookmark() {
  if (!IsGridMode()) {
    TkcCustomDataController::FocusBookmark();
    return;
  }
  if (TDataSet* ds = DataSet()) {
    ds->GotoBookmark(fGridModeBookmark);
    UpdateSelectionSnapshot();
  }
}

bool TkcDBDataController::StoreBookmark() {
  if (!IsGridMode()) return TkcCustomDataController::StoreBookmark();
  TDataSet* ds = DataSet();
  if (!ds) return false;
  const String current = ds->Bookmark();
  if (!fGridModeBookmark.empty() && ds->CompareBookmarks(current, fGridModeBookmark) == 0) return false;
  fGridModeBookmark = current;
  return true;
}

// ---- Grid-mode incremental search ---------------------------------------------------------------------------

bool TkcDBDataController::FindInSource(const String& AText, bool AForward, bool AFindNext) {
  TDataSet* ds = DataSet();
  auto* field = dynamic_cast<TkcDBDataField*>(SearchField());
  if (!ds || IsEditing() || !ds->Active() || (ds->Bof() && ds->Eof()) || !field || !field->DBField()) return false;
  auto matches = [&] { return MatchTextCaseInsensitive(field->DBField()->DisplayText(), AText, true); };
  if (!AFindNext && matches()) {
    UpdateFocusing();
    return true;
  }
  TkcDBDataProvider* provider = Provider();
  bool found = false;
  // The focus follows the moved dataset as part of the search, which must not end it: the
  // notices go out before the search is unlocked.
  kcBracket(
      [this] {
        Search()->Lock();
        BeginUpdate();
      },
      [&] {
        provider->BeginFreeze();
        provider->SavePosition();
        kcBracket([] {},
                  [&] {
                    const String start = ds->Bookmark();
                    for (;;) {
                      const String before = ds->Bookmark();
                      if (AForward)
                        ds->Next();
                      else
                        ds->Prior();
                      if (ds->CompareBookmarks(ds->Bookmark(), before) == 0) {  // at the end: wrap, unless continuing
                        if (AFindNext) break;
                        if (AForward)
                          ds->First();
                        else
                          ds->Last();
                      }
                      if (ds->CompareBookmarks(ds->Bookmark(), start) == 0) break;  // round once
                      if (matches()) {
                        found = true;
                        break;
                      }
                    }
                  },
                  [&] {
                    if (found)
                      provider->KeepPosition();
                    else
                      provider->RestorePosition();
                    provider->EndFreeze();
                  });
        if (found) {
          UpdateFocusing();
          UpdateSelectionSnapshot();
        }
      },
      [this] {
        EndUpdate();
        Search()->Unlock();
      });
  return found;
}

// ---- Loading ---------------------------------------------------------------------------------------------

bool TkcDBDataProvider::HasFieldList() {
  TDataSet* ds = DataSet();
  return ds && ds->FieldCount() > 0 && (ds->Active() || !ds->DefaultFields());
}

void TkcDBDataController::Loaded() {
  if (!fLoaded && Provider()->HasFieldList()) StructureChanged(true);
  TkcCustomDataController::Loaded();
  fLoaded = true;
}

// ---- Master-detail ----------------------------------------------------------------------------------------

TkcDBDataRelation::~TkcDBDataRelation() {
  TkcDBDataField* f = fMasterKeyField;
  fMasterKeyField = nullptr;
  delete f;
}

void TkcDBDataRelation::FieldRemoved(TkcCustomDataField* AField) {
  if (AField == fMasterKeyField) fMasterKeyField = nullptr;
}

TkcDBDataController* TkcDBDataRelation::TemplateController() {
  if (TkcCustomDataController* templ = DetailDataController()) return dynamic_cast<TkcDBDataController*>(templ);
  // A relation of a detail of a record: its template is that of the same relation of the
  // master's template (so a detail of a detail is keyed too).
  TkcCustomDataController* master = GetDataController();
  TkcCustomDataController* masterTemplate = master ? master->GetDetailTemplateController() : nullptr;
  const int index = GetIndex();
  if (!masterTemplate || masterTemplate == master || !masterTemplate->HasRelations() || index < 0 ||
      index >= masterTemplate->GetRelations()->GetCount())
    return nullptr;
  return dynamic_cast<TkcDBDataController*>(masterTemplate->GetRelations()->GetItem(index)->DetailDataController());
}

String TkcDBDataRelation::GetDetailKeyFieldNames() {
  TkcDBDataController* templ = TemplateController();
  return templ ? templ->DetailKeyFieldNames() : String();
}

String TkcDBDataRelation::GetMasterKeyFieldNames() {
  TkcDBDataController* templ = TemplateController();
  return templ ? templ->MasterKeyFieldNames() : String();
}

bool TkcDBDataRelation::HasKeyLink() { return fMasterKeyField && !GetDetailKeyFieldNames().empty(); }

Variant TkcDBDataRelation::GetMasterKeyValues(int AMasterRecordIndex) {
  TkcCustomDataController* master = GetDataController();
  if (!master || AMasterRecordIndex < 0 || AMasterRecordIndex >= master->GetRecordCount())
    throw EkcInvalidDataControllerOperation(kcRecordIndexError);
  if (!HasKeyLink()) return Unassigned();
  return master->GetRecordFieldsValue(AMasterRecordIndex, {fMasterKeyField});
}

void TkcDBDataRelation::ReportKeyFieldNamesChanged() {
  TkcCustomDataController* master = GetDataController();
  if (master && master->GetDetailMode() == 2) return;
  Changed();
}

void TkcDBDataController::SetDetailKeyFieldNames(const String& Value) {
  if (fDetailKeyFieldNames == Value) return;
  fDetailKeyFieldNames = Value;
  if (auto* relation = dynamic_cast<TkcDBDataRelation*>(GetMasterRelation())) relation->ReportKeyFieldNamesChanged();
}

void TkcDBDataController::SetMasterKeyFieldNames(const String& Value) {
  if (fMasterKeyFieldNames == Value) return;
  fMasterKeyFieldNames = Value;
  if (auto* relation = dynamic_cast<TkcDBDataRelation*>(GetMasterRelation())) relation->ReportKeyFieldNamesChanged();
}

String TkcDBDataController::GetLinkedDetailKeyFieldNames() const {
  return fMasterKeyFieldNames.empty() ? String() : fDetailKeyFieldNames;
}

std::vector<TField*> TkcDBDataController::GetDetailKeyDataSetFields() {
  std::vector<TField*> fields;
  if (TDataSet* ds = DataSet())
    for (const String& name : SplitFieldNames(GetLinkedDetailKeyFieldNames()))
      if (TField* field = ds->FindField(name)) fields.push_back(field);
  return fields;
}

void TkcDBDataController::SetMasterRelationAndRecord(TkcCustomDataRelation* ARelation, int ARecordIndex) {
  kcBracket([this] { BeginUpdate(); },
            [&] {
              // Known before the load that the base step asks for, which reads only these rows.
              auto* relation = dynamic_cast<TkcDBDataRelation*>(ARelation);
              fMasterDetailKeyValues =
                  relation && ARecordIndex != -1 ? relation->GetMasterKeyValues(ARecordIndex) : Unassigned();
              TkcCustomDataController::SetMasterRelationAndRecord(ARelation, ARecordIndex);
              // Relations made before the master was known find their template now.
              RefreshMasterKeyFields();
            },
            [this] { EndUpdate(); });
}

void TkcDBDataController::DetailStructureChanged() {
  TkcCustomDataController::DetailStructureChanged();
  RefreshMasterKeyFields();
}

void TkcDBDataController::RefreshMasterKeyFields() {
  if (IsDestroying() || !HasRelations()) return;
  // Each relation's master key field follows its template's master key names.
  TkcCustomDataRelationList* relations = GetRelations();
  for (int i = 0; i < relations->GetCount(); ++i)
    if (auto* relation = dynamic_cast<TkcDBDataRelation*>(relations->GetItem(i))) {
      const String names = relation->GetMasterKeyFieldNames();
      if (!relation->MasterKeyField() || relation->MasterKeyField()->FieldName() != names)
        SetFieldNamesOf(names, relation->MasterKeyField());
    }
}

void TkcDBDataController::FocusedRecordChanged() {
  TkcCustomDataController::FocusedRecordChanged();
  if (GetFocusedRecordIndex() < 0 || fResettingDataSetCurrent) return;
  fResettingDataSetCurrent = true;
  kcBracket([] {}, [this] { Provider()->SetDataSetCurrent(true); }, [this] { fResettingDataSetCurrent = false; });
}

bool TkcDBDataController::CanFocusedRowChange() {
  if (fResettingDataSetCurrent) return true;
  TkcCustomDataController* master = dynamic_cast<TkcDBDataRelation*>(GetMasterRelation()) ? GetMasterDataController()
                                                                                          : nullptr;
  if (!master) return TkcCustomDataController::CanFocusedRowChange();
  if (!master->CanFocusedRowChange()) return false;
  // Finishing an edit may free either controller (an event of the application).
  TkcDataListenerLink* masterLink = master->AddListenerLink();
  TkcDataListenerLink* link = AddListenerLink();
  bool alive = false;
  kcBracket([] {},
            [&] {
              master->FinishEditing();
              if (masterLink->Ref && link->Ref) FinishEditing();
              alive = masterLink->Ref && link->Ref;
            },
            [&] {
              if (masterLink->Ref) master->RemoveListenerLink(masterLink);
              if (link->Ref) RemoveListenerLink(link);
            });
  return alive;
}

bool TkcDBDataController::CanChangeDetailExpanding(int ARecordIndex, bool AExpand) {
  if (AExpand && IsGridMode()) {
    // In grid mode a record's detail is read while the dataset stands on it.
    if (GetFocusedRecordIndex() != ARecordIndex) FocusRecord(ARecordIndex);
    if (GetFocusedRecordIndex() != ARecordIndex) FocusRecord(ARecordIndex);
    if (GetFocusedRecordIndex() != ARecordIndex) return false;
  }
  return TkcCustomDataController::CanChangeDetailExpanding(ARecordIndex, AExpand);
}

void TkcDBDataController::SyncDetailDataSet() {
  if (GetDetailMode() == 2 && fDataModeController->DetailInSyncMode) CheckDetailQuery();
}

void TkcDBDataController::AfterDataLoaded() {
  TkcCustomDataController::AfterDataLoaded();
  TDataSet* ds = DataSet();
  if (GetDetailMode() == 2 && !fDataModeController->DetailInSQLMode && ds && ds->Active() &&
      !fMasterDetailKeyValues.IsEmpty() &&
      VariantsEqual(ReadFieldsValue(GetDetailKeyDataSetFields()), fMasterDetailKeyValues))
    Provider()->SetDataSetCurrent(true);
  Provider()->NotifyListeners();
}

bool TkcDBDataController::IsDetailQueryStale() {
  if (GetDetailMode() != 2 || !fDataModeController->DetailInSQLMode) return false;
  if (!fDataModeController->DetailInSyncMode) return true;
  if (Provider()->IsDataSetCurrent() || fMasterDetailKeyValues.IsEmpty()) return false;
  return !VariantsEqual(ReadFieldsValue(GetDetailKeyDataSetFields()), fMasterDetailKeyValues);
}

void TkcDBDataController::CheckDetailQuery() {
  if (GetDetailMode() != 2 || !fDataModeController->DetailInSQLMode || !DataSet()) return;
  if (fDataModeController->DetailIsCurrentQuery(GetLinkedDetailKeyFieldNames(), fMasterDetailKeyValues)) return;
  TkcDBDataProvider* provider = Provider();
  kcBracket(
      [&] {
        provider->BeginFreeze();
        fCheckingCurrentQuery = true;
      },
      [provider] {
        provider->SavePosition();
        kcBracket([] {}, [provider] { provider->First(); }, [provider] { provider->RestorePosition(); });
      },
      [&] {
        fCheckingCurrentQuery = false;
        provider->EndFreeze();
      });
}

// A detail being made reads the shared dataset and gives its cursor back: that is no move of
// the user's to follow, so the master keeps its focus.
void TkcDBDataController::UpdateFocusing() {
  TkcCustomDataController::UpdateFocusing();
  if (GetDetailMode() == 1 && Provider()->IsSyncMode() && !IsLoading() && !Provider()->ActiveChanging() &&
      !Provider()->IsDataSetLocating() && !fUpdatingDataSetPosition && !fSyncingMasterFocus &&
      !IsCreatingDetailHolder() && !(GetMasterDataController() && GetMasterDataController()->IsCreatingDetailHolder()))
    SyncMasterFocus();
}

void TkcDBDataController::SyncMasterFocus() {
  auto* relation = dynamic_cast<TkcDBDataRelation*>(GetMasterRelation());
  auto* master = dynamic_cast<TkcDBDataController*>(GetMasterDataController());
  // A master or detail on its way out expands nothing: what it made now would outlive it.
  if (IsDestroying() || !master || master->IsDestroying()) return;
  const String detailNames = GetLinkedDetailKeyFieldNames();
  if (!relation || !master || detailNames.empty() || !Provider()->IsSyncMode()) return;
  for (TkcDBDataController* m = master; m; m = dynamic_cast<TkcDBDataController*>(m->GetMasterDataController()))
    if (!m->IsKeyBased() || !m->Provider()->IsSyncMode() || m->IsEditing() || m->fUpdatingDataSetPosition) return;
  TDataSet* masterDataSet = master->DataSet();
  TDataSet* ds = DataSet();
  if (!masterDataSet || !ds || ds->IsEmpty() || ds->State() != dsBrowse) return;
  std::vector<TField*> masterFields;
  for (const String& name : SplitFieldNames(fMasterKeyFieldNames))
    if (TField* field = masterDataSet->FindField(name)) masterFields.push_back(field);
  const std::vector<TField*> detailFields = GetDetailKeyDataSetFields();
  if (masterFields.empty() || masterFields.size() != detailFields.size()) return;
  kcBracket(
      [&] {
        master->fUpdatingDataSetPosition = true;
        fSyncingMasterFocus = true;
      },
      [&] {
        const Variant detailValues = ReadFieldsValue(detailFields);
        bool matched = VariantsEqual(detailValues, ReadFieldsValue(masterFields));
        if (!matched)
          kcBracket([master] { master->Provider()->LockLocate(); },
                    [&] { matched = masterDataSet->Locate(fMasterKeyFieldNames, detailValues); },
                    [master] { master->Provider()->UnlockLocate(); });
        if (!matched) return;
        // The master's own master follows first, then the master record shows this detail.
        master->fUpdatingDataSetPosition = false;
        master->UpdateFocusing();
        master->fUpdatingDataSetPosition = true;
        const int record = master->GetFocusedRecordIndex();
        if (record < 0) return;
        master->SetDetailExpanded(record, true);
        const int active = master->GetDetailActiveRelationIndex(record);
        auto* shown = dynamic_cast<TkcDBDataController*>(master->GetDetailDataController(record, active));
        if (active != relation->GetIndex() &&
            !(shown && VariantsEqual(shown->MasterDetailKeyValues(), relation->GetMasterKeyValues(record))))
          master->SetDetailActiveRelationIndex(record, relation->GetIndex());
        master->GetDetailHolder(record, relation->GetIndex());
        master->DataLoaded();
      },
      [&] {
        master->fUpdatingDataSetPosition = false;
        fSyncingMasterFocus = false;
      });
}
