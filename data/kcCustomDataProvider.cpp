// The data provider: where records come from (the controller's storage, optionally fed by an
// external record source) and the edit, insert, post, cancel and delete sequences.

#include <algorithm>

#include "data/kcCustomData.h"
#include "data/kcDataSummary.h"

TkcCustomDataProvider::TkcCustomDataProvider(TkcCustomDataController* AController) : fDataController(AController) {}

TkcCustomDataProvider::~TkcCustomDataProvider() {
  DropSavedRecord();
  if (fRecordSource) {
    auto& list = fRecordSource->Providers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (fRecordSource->CurrentProvider == this) fRecordSource->CurrentProvider = nullptr;
  }
}

void TkcCustomDataProvider::SortBySource() {
  if (!fRecordSource) return;
  CallSource();
  fRecordSource->SortRecords();
}

bool TkcCustomDataProvider::SourceSortsItself() {
  if (!fRecordSource) return false;
  CallSource();
  return fRecordSource->SortsRecords();
}

bool TkcCustomDataProvider::SupportsRecordKeys() {
  if (!fRecordSource) return false;
  CallSource();
  return fRecordSource->HasRecordKeys();
}

bool TkcCustomDataProvider::CanDelete() { return fDataController->GetRecordCount() > 0; }

bool TkcCustomDataProvider::CanInitEditing(int ARecordIndex) {
  if (ARecordIndex != fEditingRecordIndex) fDataController->CheckRecordIndex(ARecordIndex);
  if (!IsEditing()) DoEditing();
  if (IsEditing()) BeginChanging();
  return true;
}

void TkcCustomDataProvider::UpdateData() {
  if (fInUpdateData) return;
  fInUpdateData = true;
  try {
    if (IsChanging()) fDataController->ApplyEditorValue();
  } catch (...) {
    fInUpdateData = false;
    throw;
  }
  fInUpdateData = false;
}

Variant TkcCustomDataProvider::GetEditValue(int ARecordIndex, TkcCustomDataField* AField, TkcDataEditValueSource) {
  if (ARecordIndex == kcNoRecordIndex) throw EkcInvalidDataControllerOperation(kcRecordIndexError);
  return fDataController->GetSourceValue(ARecordIndex, AField);
}

void TkcCustomDataProvider::PostEditingData() {
  UpdateData();
  EndChanging();
}

bool TkcCustomDataProvider::SetEditValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue,
                                         TkcDataEditValueSource AValueSource) {
  Variant value = AValue;
  if (AValueSource == evsText && !value.IsNull()) {
    try {
      if (value.AsString().empty()) value = Null();
    } catch (const EVariantTypeCastError&) {}
  }
  const int item = fDataController->GetItemIndexOfField(AField);
  fDataController->SetValue(ARecordIndex, item, value);
  MarkModified();
  return true;
}

void TkcCustomDataProvider::SetValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue) {
  fDataController->SetValue(ARecordIndex, fDataController->GetItemIndexOfField(AField), AValue);
}

void TkcCustomDataProvider::AssignDefaultValues(int ARecordIndex, const Variant& AGroupingValues) {
  TkcGroupingFieldList* grouping = fDataController->DataControllerInfo()->GroupingFieldList();
  if (grouping->GetCount() > 0 && fDataController->Options().Contains(dcoAssignGroupingValues) &&
      AGroupingValues.IsArray())
    for (int l = 0; l < grouping->GetCount() && l < AGroupingValues.ArrayCount(); ++l)
      SetValue(ARecordIndex, grouping->GetItem(l).Field, AGroupingValues.GetItem(l));
  fDataController->FireNewRecord(ARecordIndex);
}

void TkcCustomDataProvider::SaveEditingRecord() {
  if (fSavedRecordIndex == 0) fSavedRecordIndex = fDataController->GetDataStorage()->AddInternalRecord();
  fDataController->CopyRecordData(fEditingRecordIndex, fSavedRecordIndex);
}

void TkcCustomDataProvider::DropSavedRecord() {
  if (fSavedRecordIndex == 0) return;
  TkcDataStorage* storage = fDataController->GetDataStorage();
  if (storage && !storage->Destroying()) storage->DeleteRecord(fSavedRecordIndex);
  fSavedRecordIndex = 0;
}

void TkcCustomDataProvider::RememberEditingNeighbours() {
  TkcCustomDataController* c = fDataController;
  fPrevRecordIndex = fNextRecordIndex = kcNoRecordIndex;
  const int row = c->GetFocusedRowIndex();
  if (row < 0) return;
  if (row < c->GetRowCount() - 1)
    fNextRecordIndex = c->GetRowInfo(row + 1).RecordIndex;
  else
    fPrevRecordIndex = c->GetRowInfo(row == 0 ? row : row - 1).RecordIndex;
}

void TkcCustomDataProvider::DoEdit() {
  TkcCustomDataController* c = fDataController;
  if (c->UseNewItemRowForEditing() && c->GetNewItemRowFocused() && !IsInserting()) {
    Insert();
    return;
  }
  fEditingRecordIndex = c->GetActiveRecordIndex();
  if (fEditingRecordIndex >= 0) RememberEditingNeighbours();
  if (fEditingRecordIndex == kcNoRecordIndex) return;
  if ((!IsActive() || c->IsSmartRefresh()) && !IsInserting()) SaveEditingRecord();
  c->AddChanges(dccUpdateRecord);
}

void TkcCustomDataProvider::DoInsert(bool AAppend) {
  TkcCustomDataController* c = fDataController;
  if (!IsActive() && IsInserting() && !IsChanging() && !IsModified()) return;
  if (IsEditing() && (IsChanging() || IsModified()) && !IsActive()) {
    if (IsChanging()) PostEditingData();
    Post();
  }
  c->FireBeforeInsert();
  c->BeginUpdate();
  try {
    // The template's grouping values are read before the new record exists: an insert shifts
    // the template's index on by one.
    int templ = -1;
    Variant groupValues;
    if (c->UseNewItemRowForEditing()) {
      templ = c->GetFocusedRecordIndex();
      if (templ < 0 && c->GetRowCount() > 0) templ = c->GetRowInfo(0).RecordIndex;
      groupValues = c->GetGroupValues(templ);
      fEditingRecordIndex = c->GetNewItemRowRecordIndex();
      fPrevRecordIndex = fNextRecordIndex = kcNoRecordIndex;
      c->SetNewItemRowFocused(true);
    } else {
      if (!AAppend) c->ClearSelection();
      if (IsGridMode()) {
        groupValues = c->GetGroupValues(templ);
        fEditingRecordIndex = c->GetCurrentRecordIndex();
      } else if (AAppend) {
        templ = c->GetLastRecordIndex();
        groupValues = c->GetGroupValues(templ);
        fEditingRecordIndex = c->AppendNewRecord();
        fPrevRecordIndex = templ >= 0 ? templ : kcNoRecordIndex;
        fNextRecordIndex = kcNoRecordIndex;
      } else {
        templ = c->GetFocusedRecordIndex();
        groupValues = c->GetGroupValues(templ);
        const int at = templ >= 0 ? templ : 0;
        fEditingRecordIndex = c->InsertNewRecord(at);
        fPrevRecordIndex = kcNoRecordIndex;
        fNextRecordIndex = templ >= 0 ? (at >= fEditingRecordIndex ? at + 1 : at) : kcNoRecordIndex;
        if (fNextRecordIndex >= c->GetRecordCount()) fNextRecordIndex = kcNoRecordIndex;
      }
    }
    AssignDefaultValues(fEditingRecordIndex, groupValues);
    fChanging = false;
    fInserting = true;
  } catch (...) {
    c->EndUpdate();
    throw;
  }
  c->EndUpdate();
  if (fEditingRecordIndex >= 0) c->FocusRecord(fEditingRecordIndex);
  c->FireAfterInsert();
}

void TkcCustomDataProvider::Post() {
  TkcCustomDataController* c = fDataController;
  c->BeginOwnerUpdate();
  bool posted = false;
  int record = -1;
  try {
    UpdateData();
    if (!IsInserting() || IsModified()) {
      c->FireBeforePost();
      record = fEditingRecordIndex;
      if (IsInserting() && c->UseNewItemRowForEditing() && fEditingRecordIndex != kcNoRecordIndex &&
          c->IsNewItemRowRecord(fEditingRecordIndex)) {
        if (fRecordSource) fDataChangedLocked = true;
        try {
          fInsertedRecordIndex = c->AppendNewRecord();
        } catch (...) {
          fDataChangedLocked = false;
          throw;
        }
        fDataChangedLocked = false;
        c->CopyRecordData(fEditingRecordIndex, fInsertedRecordIndex);
        record = fInsertedRecordIndex;
      }
      ResetEditing();
      posted = true;
    } else {
      Cancel();
    }
    c->DataChanged(dcRecord, -1, record);
  } catch (...) {
    c->EndOwnerUpdate();
    throw;
  }
  c->EndOwnerUpdate();
  if (posted) c->FireAfterPost();
}

void TkcCustomDataProvider::Cancel() {
  TkcCustomDataController* c = fDataController;
  c->FireBeforeCancel();
  c->BeginUpdate();
  try {
    const int editing = fEditingRecordIndex;
    if (editing != kcNoRecordIndex && (editing >= 0 || c->IsNewItemRowRecord(editing))) {
      if (IsInserting()) {
        const int focused = c->GetFocusedRecordIndex();
        fEditingRecordIndex = kcNoRecordIndex;
        if (editing >= 0) c->RemoveRecord(editing);
        if (!c->fInCancel && focused >= c->GetRecordCount() && c->GetRecordCount() > 0)
          c->FocusRecord(c->GetRecordCount() - 1);
      } else if (fSavedRecordIndex != 0) {
        c->CopyRecordData(fSavedRecordIndex, editing);
      }
    }
    ResetEditing();
  } catch (...) {
    c->EndUpdate();
    throw;
  }
  c->EndUpdate();
  c->FireAfterCancel();
}

void TkcCustomDataProvider::ResetEditing() {
  if (fEditingRecordIndex != kcNoRecordIndex && fDataController->IsNewItemRowRecord(fEditingRecordIndex)) {
    fDataController->GetDataStorage()->DeleteRecord(fEditingRecordIndex);
    fDataController->fNewItemRowRecordIndex = 0;
  }
  fEditingRecordIndex = fPrevRecordIndex = fNextRecordIndex = kcNoRecordIndex;
  fInserting = fChanging = fModified = false;
  DropSavedRecord();
}

void TkcCustomDataProvider::Delete() {
  TkcCustomDataController* c = fDataController;
  const int record = c->GetFocusedRecordIndex();
  if (record < 0) return;
  c->FireBeforeDelete(record);
  const bool keys = c->IsProviderMode();
  if (keys) c->BeginKeysSaving();
  try {
    c->RemoveRecord(record);
    if (c->RecordToFocusAfterDeletion() == -1 && c->GetFocusedRecordIndex() < 0) c->SetRecordToFocusAfterDeletion(-1);
    c->RestoreFocusAfterDelete();
  } catch (...) {
    if (keys) c->EndKeysSaving();
    throw;
  }
  if (keys) c->EndKeysSaving();
  c->FireAfterDelete();
}

void TkcCustomDataProvider::DeleteRecords(std::vector<int>& AList) {
  TkcCustomDataController* c = fDataController;
  const bool keys = fRecordSource != nullptr;
  if (keys) c->BeginKeysSaving();
  try {
    c->BeginOwnerUpdate();
    try {
      for (auto it = AList.rbegin(); it != AList.rend(); ++it) {
        c->FireBeforeDelete(*it);
        c->RemoveRecord(*it);
        c->FireAfterDelete();
      }
      if (c->DeletingSelection()) c->ClearSelection();
    } catch (...) {
      c->EndOwnerUpdate();
      throw;
    }
    c->EndOwnerUpdate();
    c->RestoreFocusAfterDelete();
  } catch (...) {
    if (keys) c->EndKeysSaving();
    throw;
  }
  if (keys) c->EndKeysSaving();
}

void TkcCustomDataProvider::DeleteSelection() {
  TkcCustomDataController* c = fDataController;
  std::vector<int> records;
  for (int i = 0; i < c->GetSelectedCount(); ++i) {
    const int row = c->GetSelectedRowIndex(i);
    if (row < 0) continue;
    TkcRowInfo info = c->GetRowInfo(row);
    if (info.Level < c->DataControllerInfo()->DataGroups()->GetLevelCount())
      c->Groups()->CollectRowRecordIndexes(records, row);
    else
      records.push_back(info.RecordIndex);
  }
  c->SetDeletingSelection(true);
  try {
    c->DeleteRecordList(records);
  } catch (...) {
    c->SetDeletingSelection(false);
    throw;
  }
  c->SetDeletingSelection(false);
}

void TkcCustomDataProvider::BeginDeleting() {
  TkcCustomDataController* c = fDataController;
  if (IsGridMode()) return;
  const int row = c->GetFocusedRowIndex();
  if (row < 0) return;
  const bool focusedGoes = !c->MultiSelect() || c->IsRowSelected(row) || c->GetSelectedCount() == 0;
  if (focusedGoes) {
    const int next = c->DataControllerInfo()->GetNearestRowIndex(row);
    c->SetRecordToFocusAfterDeletion(next >= 0 ? c->GetRowInfo(next).RecordIndex : -1);
  } else {
    c->SetRecordToFocusAfterDeletion(c->GetRowInfo(row).RecordIndex);
  }
}

void TkcCustomDataProvider::EndDeleting() { fDataController->SetRecordToFocusAfterDeletion(-1); }

// ---- External record source ---------------------------------------------------------------------------

void TkcCustomDataProvider::SetRecordSource(IkcRecordSource* ASource) {
  if (!IsCustomSourceSupported() || ASource == fRecordSource) return;
  if (fRecordSource) {
    auto& list = fRecordSource->Providers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (fRecordSource->CurrentProvider == this) fRecordSource->CurrentProvider = nullptr;
  }
  fRecordSource = ASource;
  InvalidateHandles();
  if (fRecordSource) fRecordSource->Providers.push_back(this);
  if (!fDataController->IsLoading()) fDataController->UpdateStructure();
}

int TkcCustomDataProvider::HandleOfRecord(int ARecordIndex) {
  TkcCustomDataField* f = fDataController->HandleField();
  if (!f || !f->ValueColumn()) return 0;
  Variant v = fDataController->GetDataStorage()->GetValue(ARecordIndex, f->ValueColumn());
  return v.IsNull() ? 0 : v.AsInteger();
}

int TkcCustomDataProvider::RecordOfHandle(int AHandle) {
  if (!fHandleIndexValid) {
    fHandleIndex.clear();
    const int count = fDataController->GetRecordCount();
    fHandleIndex.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) fHandleIndex.emplace_back(HandleOfRecord(r), r);
    std::sort(fHandleIndex.begin(), fHandleIndex.end());
    fHandleIndexValid = true;
  }
  auto it = std::lower_bound(fHandleIndex.begin(), fHandleIndex.end(), std::make_pair(AHandle, -1));
  return it != fHandleIndex.end() && it->first == AHandle ? it->second : -1;
}

int TkcCustomDataProvider::AppendSourceRecord(int AHandle) {
  TkcDataStorage* storage = fDataController->GetDataStorage();
  const int r = storage->AppendRecord();
  if (TkcCustomDataField* f = fDataController->HandleField())
    if (f->ValueColumn()) storage->SetValue(r, f->ValueColumn(), Variant(AHandle));
  if (fHandleIndexValid) {
    auto entry = std::make_pair(AHandle, r);
    fHandleIndex.insert(std::lower_bound(fHandleIndex.begin(), fHandleIndex.end(), entry), entry);
  }
  return r;
}

void TkcCustomDataProvider::RefreshSource() {
  if (!fRecordSource) return;
  InvalidateHandles();
  CallSource();
  fRecordSource->RefreshRecords();
}

int TkcCustomDataProvider::NewSourceRecord() {
  if (!fRecordSource) return -1;
  CallSource();
  const int handle = fRecordSource->AddRecord();
  return RecordOfHandle(handle);
}

void TkcCustomDataProvider::DeleteSourceRecord(int ARecordIndex) {
  if (!fRecordSource) return;
  CallSource();
  fRecordSource->DropRecord(HandleOfRecord(ARecordIndex));
  InvalidateHandles();
}

bool TkcCustomDataProvider::SourceHasDetails(int ARecordIndex, int ARelationIndex) {
  if (!fRecordSource) return false;
  CallSource();
  return fRecordSource->RecordHasDetails(ARecordIndex, ARelationIndex);
}

String TkcCustomDataProvider::GetDisplayText(int ARecordIndex, TkcCustomDataField* AField) {
  if (!fRecordSource) return String();
  CallSource();
  return fRecordSource->ReadItemText(HandleOfRecord(ARecordIndex),
                                     fRecordSource->ItemHandleOf(fDataController->Fields()->IndexOf(AField)));
}

Variant TkcCustomDataProvider::GetRecordKey(int ARecordIndex) {
  if (!fRecordSource) return Null();
  CallSource();
  return fRecordSource->ReadRecordKey(HandleOfRecord(ARecordIndex));
}

Variant TkcCustomDataProvider::GetValue(int ARecordIndex, TkcCustomDataField* AField) {
  if (!fRecordSource) return Null();
  CallSource();
  return fRecordSource->ReadItemValue(HandleOfRecord(ARecordIndex),
                                      fRecordSource->ItemHandleOf(fDataController->Fields()->IndexOf(AField)));
}

int TkcCustomDataProvider::InsertRecord(int ARecordIndex) {
  if (!fRecordSource) return -1;
  CallSource();
  int handle;
  if (fRecordSource->CanInsertBefore() && ARecordIndex < fDataController->GetRecordCount())
    handle = fRecordSource->InsertRecordBefore(HandleOfRecord(ARecordIndex));
  else
    handle = fRecordSource->AddRecord();
  InvalidateHandles();
  return RecordOfHandle(handle);
}

int TkcCustomDataProvider::CompareRecords(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField) {
  TkcDataStorage* storage = fDataController->GetDataStorage();
  TkcValueDef* column = AField->ValueColumn();
  if (ARecordIndex1 < 0 && ARecordIndex2 < 0)
    return column ? storage->CompareRecords(ARecordIndex1, ARecordIndex2, column) : 0;
  if (!column || !fRecordSource) return 0;
  const int item = fRecordSource->ItemHandleOf(fDataController->Fields()->IndexOf(AField));
  auto read = [&](int r, const void*& p) -> bool {
    if (r < 0) return !storage->GetCompareInfo(r, column, p);
    CallSource();
    return fRecordSource->ReadCompareValue(HandleOfRecord(r), item, p);
  };
  const void *p1 = nullptr, *p2 = nullptr;
  const bool has1 = read(ARecordIndex1, p1), has2 = read(ARecordIndex2, p2);
  return column->CompareWithNulls(!has1, !has2, p1, p2);
}

int TkcCustomDataProvider::CustomCompareRecords(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField) {
  CallSource();
  return fRecordSource->CompareHandles(HandleOfRecord(ARecordIndex1), HandleOfRecord(ARecordIndex2),
                                       fRecordSource->ItemHandleOf(fDataController->Fields()->IndexOf(AField)));
}

void TkcCustomDataProvider::SetRecordCount(int ACount) {
  if (!fRecordSource) return;
  CallSource();
  fRecordSource->ChangeRecordCount(ACount);
  InvalidateHandles();
}

void TkcCustomDataProvider::SetSourceValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue) {
  if (!fRecordSource) return;
  CallSource();
  fRecordSource->WriteItemValue(HandleOfRecord(ARecordIndex),
                                fRecordSource->ItemHandleOf(fDataController->Fields()->IndexOf(AField)), AValue);
}

void TkcCustomDataProvider::ActiveChanged(bool AActive) {
  fDataController->ActiveChanged(AActive);
  ResetEditing();
}

void TkcCustomDataProvider::DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  if (fFreezeCount == 0) fDataController->DataChanged(AKind, AItemIndex, ARecordIndex);
  if (fDataChangedLocked)
    EndChanging();
  else
    ResetEditing();
}

void TkcCustomDataProvider::LayoutChanged(int ADistance) {
  fDataController->DataScrolled(ADistance);
  EndChanging();
}

void TkcCustomDataProvider::StructureChanged(bool AFlag) { fDataController->StructureChanged(AFlag); }
