// The data controller core: owned objects, options, update locks, change merging and
// notifications, items, records and values, loading, comparison, sorting and filtering API,
// rows, focus, selection and editing through the provider.

#include "data/kcCustomData.h"

#include "data/kcDataSummary.h"

#include <algorithm>
#include <cstring>

int DataControllerOptionsValue(TkcDataControllerOptions AOptions) {
  int value = 0;
  for (int i = 0; i <= static_cast<int>(dcoInsertOnNewItemRowFocusing); ++i)
    if (AOptions.Contains(static_cast<TkcDataControllerOption>(i))) value |= 1 << i;
  return value;
}

// ---- Search ---------------------------------------------------------------------------------------

void TkcDataControllerSearch::Cancel() {
  if (fLocked || !fDataController->Searching()) return;
  fDataController->SetSearchState(fDataController->SearchField(), false, String());
  fDataController->AddChanges(dccSearch);
}

int TkcDataControllerSearch::GetItemIndex() const {
  return fDataController->SearchField() ? fDataController->GetItemIndexOfField(fDataController->SearchField()) : -1;
}

bool TkcDataControllerSearch::GetSearching() const { return fDataController->Searching(); }
String TkcDataControllerSearch::GetSearchText() const { return fDataController->SearchText(); }

int TkcDataControllerSearch::FindFrom(int AFrom, int ATo, const String& AText, bool AForward) {
  const int count = fDataController->GetFilteredRecordCount();
  if (ATo == -1) ATo = AForward ? count - 1 : 0;
  const int item = GetItemIndex();
  for (int p = AFrom; AForward ? p <= ATo : p >= ATo; p += AForward ? 1 : -1) {
    if (p < 0 || p >= count) break;
    const int record = fDataController->GetFilteredRecordIndex(p);
    if (MatchTextCaseInsensitive(fDataController->GetSearchDisplayText(record, item), AText, true)) return p;
  }
  return -1;
}

void TkcDataControllerSearch::FocusFound(int APosition) {
  Lock();
  try {
    fDataController->FocusRecord(fDataController->GetFilteredRecordIndex(APosition));
    fDataController->ResetSelectionToFocused();
  } catch (...) {
    Unlock();
    throw;
  }
  Unlock();
}

bool TkcDataControllerSearch::Locate(int AItemIndex, const String& AText) {
  if (AText.empty() || fDataController->GetFilteredRecordCount() == 0) return false;
  TkcCustomDataField* field = fDataController->GetItemField(AItemIndex);
  fDataController->SetSearchState(field, fDataController->Searching(), fDataController->SearchText());
  bool found;
  if (fDataController->IsGridMode()) {
    found = fDataController->FindInSource(AText, true, false);
  } else {
    const int focused = fDataController->GetFocusedRecordIndex();
    const int start =
        focused >= 0 ? std::max(fDataController->DataControllerInfo()->GetRecordListIndex(focused), 0) : 0;
    int p = FindFrom(start, -1, AText, true);
    if (p < 0 && start > 0) p = FindFrom(0, start - 1, AText, true);
    found = p >= 0;
    if (found) FocusFound(p);
  }
  if (found) {
    fDataController->SetSearchState(field, true, AText);
    fDataController->AddChanges(dccSearch);
    fDataController->SelectFocusedRow();
  }
  return found;
}

bool TkcDataControllerSearch::LocateNext(bool AForward) {
  if (!fDataController->Searching() || fDataController->SearchText().empty() || !fDataController->SearchField() ||
      fDataController->GetFilteredRecordCount() == 0)
    return false;
  bool found;
  if (fDataController->IsGridMode()) {
    found = fDataController->FindInSource(fDataController->SearchText(), AForward, true);
  } else {
    const int focused = fDataController->GetFocusedRecordIndex();
    if (focused < 0) return false;
    int start = fDataController->DataControllerInfo()->GetRecordListIndex(focused) + (AForward ? 1 : -1);
    if (start < 0 || start >= fDataController->GetFilteredRecordCount()) return false;
    const int p = FindFrom(start, -1, fDataController->SearchText(), AForward);
    found = p >= 0;
    if (found) FocusFound(p);
  }
  if (found) fDataController->SelectFocusedRow();
  return found;
}

// ---- Filter bound to the controller ----------------------------------------------------------------

TkcCustomDataField* TkcDataFilterCriteriaItem::Field() const {
  // The criteria turn every item link into the controller's field (or nil) before a condition
  // is made, and a filter pass asks for it once per record: no dynamic cast here.
  return static_cast<TkcCustomDataField*>(ItemLink());
}

Variant TkcDataFilterCriteriaItem::GetDataValue(int ARecordIndex) {
  TkcCustomDataField* field = Field();
  if (!field) return Null();
  if (!fDataController) fDataController = static_cast<TkcDataFilterCriteria*>(GetCriteria())->DataController();
  return fDataController->GetFilterFieldValue(ARecordIndex, field);
}

String TkcDataFilterCriteriaItem::GetFieldCaption() {
  TkcCustomDataField* field = Field();
  if (!field || !field->ItemObject()) return String();
  return static_cast<TkcDataFilterCriteria*>(GetCriteria())
      ->DataController()
      ->GetFilterItemFieldCaption(field->ItemObject());
}

String TkcDataFilterCriteriaItem::GetFieldName() {
  TkcCustomDataField* field = Field();
  if (!field || !field->ItemObject()) return String();
  return static_cast<TkcDataFilterCriteria*>(GetCriteria())
      ->DataController()
      ->GetFilterItemFieldName(field->ItemObject());
}

TObject* TkcDataFilterCriteriaItem::GetItemLink() {
  TkcCustomDataField* field = Field();
  return field ? field->ItemObject() : nullptr;
}

TkcDataFilterCriteria::TkcDataFilterCriteria(TkcCustomDataController* AController) : fDataController(AController) {}

TkcDataFilterCriteria::~TkcDataFilterCriteria() {
  fDestroying = true;
  if (fDataController && fDataController->FilterList()) fDataController->FilterList()->Remove(this);
  fActive = false;
}

void TkcDataFilterCriteria::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcDataFilterCriteria*>(Source)) {
    kcBracket([this] { BeginUpdate(); },
              [&] {
                TkcFilterCriteria::Assign(Source);
                SetActive(s->Active());
              },
              [this] { EndUpdate(); });
    return;
  }
  TkcFilterCriteria::Assign(Source);
}

int TkcDataFilterCriteria::GetIDByItemLink(TObject* AItemLink) {
  auto* field = dynamic_cast<TkcCustomDataField*>(AItemLink);
  return field ? fDataController->GetItemID(field->ItemObject()) : -1;
}

TObject* TkcDataFilterCriteria::GetItemLinkByID(int AID) {
  TObject* item = fDataController->FindItemByID(AID);
  return item ? fDataController->GetFieldByItem(item) : nullptr;
}

TObject* TkcDataFilterCriteria::FieldOf(TObject* AItemLink) {
  if (!AItemLink || dynamic_cast<TkcCustomDataField*>(AItemLink)) return AItemLink;
  return fDataController->GetFieldByItem(AItemLink);
}

TkcFilterCriteriaItem* TkcDataFilterCriteria::AddItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink,
                                                      TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                                      const String& ADisplayValue) {
  return TkcFilterCriteria::AddItem(AParent, FieldOf(AItemLink), AOperatorKind, AValue, ADisplayValue);
}

TkcFilterCriteriaItem* TkcDataFilterCriteria::FindItemByItemLink(TObject* AItemLink) {
  return TkcFilterCriteria::FindItemByItemLink(FieldOf(AItemLink));
}

TkcFilterValueListClass TkcDataFilterCriteria::GetValueListClass() { return TkcDataFilterValueList::StaticClass(); }

TkcDataFilterValueList* TkcDataFilterCriteria::CreateValueList() {
  return static_cast<TkcDataFilterValueList*>(GetValueListClass().Create(this));
}

void TkcDataFilterCriteria::AssignEvents(TPersistent* Source) {
  TkcFilterCriteria::AssignEvents(Source);
  if (auto* s = dynamic_cast<TkcDataFilterCriteria*>(Source)) OnGetValueList = s->OnGetValueList;
}

void TkcDataFilterCriteria::DefineProperties(TFiler* Filer) {
  TkcFilterCriteria::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Criteria", [this](TStream* s) { ReadData(s); }, [this](TStream* s) { WriteData(s); }, HasData());
}

namespace {

// The first 16 bytes of a text from APos on as two big-endian numbers, zero-padded: two texts
// whose heads differ are ordered as their heads are (a shorter text's padding is never above the
// other's byte), so most compares of a sort need not read the texts.
std::uint64_t TextHead(std::string_view AText, std::size_t APos) {
  unsigned char bytes[8] = {};
  if (APos < AText.size()) std::memcpy(bytes, AText.data() + APos, std::min<std::size_t>(8, AText.size() - APos));
  std::uint64_t v = 0;
  for (unsigned char b : bytes) v = v << 8 | b;
  return v;
}

}  // namespace

bool TkcDataFilterValueList::LoadStoredTexts(TkcCustomDataField* AField, int AItemIndex, bool& ABlanks) {
  auto* criteria = static_cast<TkcDataFilterCriteria*>(Criteria());
  TkcCustomDataController* c = criteria->DataController();
  // Ordered by the stored bytes, as the list orders byte strings; nothing listed or recently
  // used that a value could equal.
  if (!c->IsFilterValueStored(AField) || AField->ValueColumn()->ValueTypeClass() != TkcStringValueType::Class() ||
      SortByDisplayText() || criteria->Options().Contains(fcoCaseInsensitive) ||
      criteria->Options().Contains(fcoSoftNull) || MRUSeparatorIndex() >= 0 || FirstValueIndex() != GetCount())
    return false;
  // The records holding a text with where their texts lie, sorted by the text's head (the text
  // read only when the heads are equal), equal texts in record order.
  struct TEntry {
    std::uint64_t High, Low;
    const char* Text;
    std::uint32_t Size;
    int Record;
    std::string_view View() const { return {Text, Size}; }
  };
  std::vector<TEntry> entries;
  const int count = c->GetRecordCount();
  entries.reserve(static_cast<std::size_t>(count));
  {
    const TkcDataStorage::TRecordBuffers buffers = c->GetDataStorage()->RecordBuffers();
    const TkcValueDef* column = AField->ValueColumn();
    for (int r = 0; r < count; ++r) {
      std::string_view text;
      const std::uint8_t* data = TkcDataStorage::StoredDataIn(buffers[r], column);
      if (data && TkcStringValueType::StoredText(data, text))
        entries.push_back(
            {TextHead(text, 0), TextHead(text, 8), text.data(), static_cast<std::uint32_t>(text.size()), r});
      else
        ABlanks = true;
    }
  }
  auto compare = [](const TEntry& a, const TEntry& b) {
    if (a.High != b.High) return a.High < b.High ? -1 : 1;
    if (a.Low != b.Low) return a.Low < b.Low ? -1 : 1;
    if (a.Size <= 16 && b.Size <= 16 && a.Size == b.Size) return 0;
    const int r = a.View().compare(b.View());
    return r < 0 ? -1 : (r > 0 ? 1 : 0);
  };
  std::sort(entries.begin(), entries.end(), [&](const TEntry& a, const TEntry& b) {
    const int r = compare(a, b);
    return r < 0 || (r == 0 && a.Record < b.Record);
  });
  // The first record of each run of equal texts stands for it (its display text is listed).
  std::size_t distinct = 0;
  for (std::size_t i = 0; i < entries.size(); ++i)
    if (i == 0 || compare(entries[i], entries[distinct - 1]) != 0) entries[distinct++] = entries[i];
  entries.resize(distinct);
  // A full list keeps the distinct values met first, in record order.
  const int maxCount = criteria->MaxValueListCount();
  if (maxCount != 0) {
    const auto room = static_cast<std::size_t>(std::max(0, maxCount - GetCount()));
    if (room == 0) return true;
    if (room < entries.size()) {
      std::vector<int> met(entries.size());
      for (std::size_t i = 0; i < entries.size(); ++i) met[i] = entries[i].Record;
      std::nth_element(met.begin(), met.begin() + static_cast<std::ptrdiff_t>(room - 1), met.end());
      const int last = met[room - 1];
      std::erase_if(entries, [last](const TEntry& e) { return e.Record > last; });
    }
  }
  // Each listed text copied at the list's end, in list order; the texts ahead are fetched while
  // one is copied.
  const bool textIsDisplayText = c->IsFilterDisplayTextStoredText(AField);
  ReserveValueEntries(entries.size());
  std::size_t appended = 0;
  try {
    constexpr std::size_t kAhead = 8;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (i + kAhead < entries.size()) __builtin_prefetch(entries[i + kAhead].Text);
      std::string text(entries[i].View());
      String display = textIsDisplayText ? text : c->GetFilterDisplayText(entries[i].Record, AItemIndex);
      AppendValueEntry(Variant(std::move(text)), std::move(display));
      ++appended;
    }
  } catch (...) {
    DropLast(appended);
    throw;
  }
  return true;
}

void TkcDataFilterValueList::Load(int AItemIndex, bool AInitSortByDisplayText) {
  auto* criteria = static_cast<TkcDataFilterCriteria*>(Criteria());
  TkcCustomDataController* c = criteria->DataController();
  TkcCustomDataField* field = c->GetItemField(AItemIndex);
  Clear();
  if (AInitSortByDisplayText) SetSortByDisplayText(c->IsItemSortedByText(AItemIndex));
  Add(fviAll, Null(), TranslateDisplayText("(All)"), false);
  Add(fviCustom, Null(), TranslateDisplayText("(Custom...)"), false);
  bool blanks = c->IsGridMode();
  if (!c->IsGridMode() && !LoadStoredTexts(field, AItemIndex, blanks)) {
    // One sort for all values instead of one sorted insertion per record.
    std::vector<TkcFilterValueItem> values;
    const int count = c->GetRecordCount();
    values.reserve(static_cast<std::size_t>(count));
    for (int r = 0; r < count; ++r) {
      Variant v = c->GetFilterFieldValue(r, field);
      if (criteria->ValueIsNull(v))
        blanks = true;
      else
        values.push_back({fviValue, std::move(v), c->GetFilterDisplayText(r, AItemIndex)});
    }
    AddValues(values);
  }
  if (blanks) {
    Add(fviBlanks, Null(), TranslateDisplayText("(Blanks)"), false);
    Add(fviNonBlanks, Null(), TranslateDisplayText("(NonBlanks)"), false);
  }
  if (criteria->OnGetValueList) criteria->OnGetValueList(criteria, AItemIndex, this);
}

bool TkcDataFilterCriteria::IsFiltering() { return fActive && !IsEmpty() && !fDataController->IsGridMode(); }

void TkcDataFilterCriteria::SetActive(bool Value) {
  if (fActive == Value) return;
  fActive = Value;
  Changed();
}

void TkcDataFilterCriteria::DoChanged() {
  if (fDestroying || fDataController->FilterList()->Contains(this) || fDataController->IsDestroying() ||
      fDataController->IsLoading())
    return;
  if (!fDataController->Provider()->IsActive()) fDataController->PostIfEditing();
  fDataController->FilterChanged();
  if (OnChanged) OnChanged(this);
}

void TkcDataFilterList::Remove(TkcDataFilterCriteria* ACriteria) {
  auto it = std::find(fItems.begin(), fItems.end(), ACriteria);
  if (it != fItems.end()) fItems.erase(it);
}

bool TkcDataFilterList::Contains(const TkcDataFilterCriteria* ACriteria) const {
  return std::find(fItems.begin(), fItems.end(), ACriteria) != fItems.end();
}

void TkcDataFilterList::Clear() {
  while (!fItems.empty()) {
    TkcDataFilterCriteria* c = fItems.back();
    fItems.pop_back();
    delete c;
  }
}

void TkcDataFilterList::DropFieldConditions(TkcCustomDataField* AField) {
  for (auto* c : fItems) c->DropFieldConditions(AField);
}

// ---- Grouping interface -----------------------------------------------------------------------------

TkcCustomDataControllerInfo* TkcDataControllerGroups::DataControllerInfo() const {
  return fDataController->DataControllerInfo();
}
TkcDataGroups* TkcDataControllerGroups::DataGroups() const { return DataControllerInfo()->DataGroups(); }

void TkcDataControllerGroups::SetItemGroupIndex(int AItemIndex, int AGroupIndex) {
  TkcCustomDataField* field = fDataController->GetItemField(AItemIndex);
  const int current = DataControllerInfo()->GroupingFieldList()->FieldGroupIndex(field);
  if (current == AGroupIndex || (current < 0 && AGroupIndex < 0)) return;
  fDataController->PostIfEditing();
  fDataController->MarkGroupingChanged();
  DataControllerInfo()->ChangeFieldGrouping(field, AGroupIndex);
}

void TkcDataControllerGroups::ClearGrouping() {
  if (DataControllerInfo()->GroupingFieldList()->GetCount() > 0) {
    fDataController->PostIfEditing();
    fDataController->MarkGroupingChanged();
  }
  DataControllerInfo()->ClearGrouping();
}

int TkcDataControllerGroups::GetGroupingItemCount() const {
  return DataControllerInfo()->GroupingFieldList()->GetCount();
}

int TkcDataControllerGroups::GetGroupingItemIndex(int ALevel) const {
  return fDataController->GetItemIndexOfField(DataControllerInfo()->GroupingFieldList()->GetItem(ALevel).Field);
}

int TkcDataControllerGroups::GetItemGroupIndex(int AItemIndex) const {
  return DataControllerInfo()->GroupingFieldList()->FieldGroupIndex(fDataController->GetItemField(AItemIndex));
}

void TkcDataControllerGroups::SetRowExpanded(int ARowIndex, bool AExpanded, bool ARecursive) {
  DataControllerInfo()->ChangeExpanding(ARowIndex, AExpanded, ARecursive);
}
void TkcDataControllerGroups::CollapseAll() { DataControllerInfo()->CollapseAll(); }
void TkcDataControllerGroups::ExpandAll() { DataControllerInfo()->ExpandAll(); }
int TkcDataControllerGroups::GetRowGroupPosition(int ARowIndex) const {
  return DataGroups()->GetRowGroupPosition(ARowIndex);
}
int TkcDataControllerGroups::GetLevel(int AGroupPosition) const { return DataGroups()->GetLevel(AGroupPosition); }
int TkcDataControllerGroups::GetChildCount(int AGroupPosition) const {
  return DataGroups()->GetChildCount(AGroupPosition);
}
int TkcDataControllerGroups::GetChildGroupPosition(int AGroupPosition, int AIndex) const {
  return DataGroups()->GetChildGroupPosition(AGroupPosition, AIndex);
}

int TkcDataControllerGroups::GetChildRecordIndex(int AGroupPosition, int AIndex) const {
  const int p = DataGroups()->GetChildRecordListIndex(AGroupPosition, AIndex);
  return p < 0 ? -1 : DataControllerInfo()->GetRecordListItem(p);
}

bool TkcDataControllerGroups::IsRowInGroup(int ARowIndex, int AGroupRowIndex) const {
  if (!DataControllerInfo()->IsGrouped()) return false;
  const int row = GetRowGroupPosition(ARowIndex);
  const int group = GetRowGroupPosition(AGroupRowIndex);
  if (row < 0 || group < 0) return false;
  if (row == group) return true;
  TkcDataGroupInfo* g = DataGroups()->GetItem(group);
  if (g->GroupLevel == DataGroups()->GetLevelCount() - 1) return false;
  return DataGroups()->GetLevel(row) > g->GroupLevel && row >= g->BeginIndex && row <= g->EndIndex;
}

void TkcDataControllerGroups::CollectRecordIndexes(std::vector<int>& AList, int AGroupPosition) const {
  TkcDataGroups* groups = DataGroups();
  if (AGroupPosition < 0 || AGroupPosition >= groups->GetCount()) return;
  const int last = groups->GetLevelCount() - 1;
  TkcDataGroupInfo* g = groups->GetItem(AGroupPosition);
  auto addRecords = [&](TkcDataGroupInfo* leaf) {
    for (int p = leaf->BeginIndex; p <= leaf->EndIndex; ++p)
      AList.push_back(DataControllerInfo()->GetRecordListItem(p));
  };
  if (g->GroupLevel == last) {
    addRecords(g);
    return;
  }
  // Pre-order: the last-level groups of the range come in display order.
  for (int i = g->BeginIndex; i <= g->EndIndex; ++i)
    if (groups->GetItem(i)->GroupLevel == last) addRecords(groups->GetItem(i));
}

void TkcDataControllerGroups::CollectRowRecordIndexes(std::vector<int>& AList, int ARowIndex) const {
  CollectRecordIndexes(AList, GetRowGroupPosition(ARowIndex));
}

// ---- Controller: construction and destruction --------------------------------------------------------

TkcCustomDataController::TkcCustomDataController(TComponent* AOwner) : fOwner(AOwner) { CreateOwnedObjects(); }

TkcCustomDataController::TkcCustomDataController(TComponent* AOwner, TDeferCreation) : fOwner(AOwner) {}

void TkcCustomDataController::CreateOwnedObjects() {
  fDataStorage = std::make_unique<TkcDataStorage>();
  fGroups = std::make_unique<TkcDataControllerGroups>(this);
  fFields = std::make_unique<TkcCustomDataFieldList>(this);
  fFilterList = std::make_unique<TkcDataFilterList>();
  fFilter.reset(GetFilterCriteriaClass().Create(this));
  fSearch.reset(GetSearchClass().Create(this));
  fSummary.reset(GetSummaryClass().Create(this));
  fProvider.reset(GetDataProviderClass().Create(this));
  fInfo = std::make_unique<TkcCustomDataControllerInfo>(this);
  fNotifier = std::make_unique<TkcDataControllerNotifier>(this);
  fDataStorage->OnClearInternalRecords = [this](TkcDataStorage*) { ResetInternalRecords(); };
  fDataStorage->SetUseRecordID(IsUseRecordID());
  fOptions = {dcoAssignGroupingValues, dcoAssignMasterDetailKeys, dcoSaveExpanding};
}

void TkcCustomDataController::BeforeDestruction() {
  fDestroying = true;
  TInterfacedPersistent::BeforeDestruction();
}

TkcCustomDataController::~TkcCustomDataController() {
  fDestroying = true;
  // A template that goes before its master leaves the relation without a template.
  if (fMasterRelation && fMasterRelation->fDetailDataController == this)
    fMasterRelation->fDetailDataController = nullptr;
  fNotifier.reset();
  fRelations.reset();
  fInfo.reset();
  fSummary.reset();
  fFilter.reset();
  fFilterList.reset();
  fDataStorage->ClearRecords(true);
  fGroups.reset();
  fFields.reset();
  fDataStorage.reset();
  fProvider.reset();
  fSearch.reset();
  fDataChangedListeners.clear();
  for (auto* link : fListenerLinks) link->Ref = nullptr;
  fListenerLinks.clear();
}

TkcDataController::TkcDataController(TComponent* AOwner) : TkcCustomDataController(AOwner) { ActiveChanged(true); }

TkcCustomDataProviderClass TkcCustomDataController::GetDataProviderClass() {
  return TkcCustomDataProvider::StaticClass();
}
TkcDataSelectionClass TkcCustomDataController::GetDataSelectionClass() { return TkcDataSelection::StaticClass(); }
TkcCustomDataFieldClass TkcCustomDataController::GetItemFieldClass() { return TkcCustomDataField::StaticClass(); }
TkcDataFilterCriteriaClass TkcCustomDataController::GetFilterCriteriaClass() {
  return TkcDataFilterCriteria::StaticClass();
}
TkcCustomDataRelationClass TkcCustomDataController::GetRelationClass() { return TkcCustomDataRelation::StaticClass(); }
TkcDataControllerSearchClass TkcCustomDataController::GetSearchClass() {
  return TkcDataControllerSearch::StaticClass();
}
TkcDataSummaryClass TkcCustomDataController::GetSummaryClass() { return TkcDataSummary::StaticClass(); }
TCollectionItemClass TkcCustomDataController::GetSummaryItemClass() { return TkcDataSummaryItem::StaticClass(); }
TCollectionItemClass TkcCustomDataController::GetSummaryGroupItemLinkClass() {
  return TkcDataSummaryGroupItemLink::StaticClass();
}
void TkcCustomDataController::SetSummary(TkcDataSummary* Value) { fSummary->Assign(Value); }

void TkcCustomDataController::Assign(TPersistent* Source) {
  auto* s = dynamic_cast<TkcCustomDataController*>(Source);
  if (!s) {
    TPersistent::Assign(Source);
    return;
  }
  SetOptions(s->Options());
  fFilter->Assign(s->Filter());
  fSummary->Assign(s->Summary());
  OnAfterCancel = s->OnAfterCancel;
  OnAfterDelete = s->OnAfterDelete;
  OnAfterInsert = s->OnAfterInsert;
  OnAfterPost = s->OnAfterPost;
  OnBeforeCancel = s->OnBeforeCancel;
  OnBeforeDelete = s->OnBeforeDelete;
  OnBeforeInsert = s->OnBeforeInsert;
  OnBeforePost = s->OnBeforePost;
  SetOnFilterRecord(s->OnFilterRecord());
  OnNewRecord = s->OnNewRecord;
  OnCompare = s->OnCompare;
  OnDataChanged = s->OnDataChanged;
  OnDetailCollapsed = s->OnDetailCollapsed;
  OnDetailCollapsing = s->OnDetailCollapsing;
  OnDetailExpanded = s->OnDetailExpanded;
  OnDetailExpanding = s->OnDetailExpanding;
  OnGroupingChanged = s->OnGroupingChanged;
  OnRecordChanged = s->OnRecordChanged;
  OnSortingChanged = s->OnSortingChanged;
}

bool TkcCustomDataController::IsDestroying() {
  return fDestroying || (fOwner && fOwner->ComponentState().Contains(csDestroying));
}

bool TkcCustomDataController::IsLoading() { return fOwner && fOwner->ComponentState().Contains(csLoading); }

bool TkcCustomDataController::IsProviderLocked() { return fProvider && fProvider->FreezeCount() != 0; }

void TkcCustomDataController::NotifyProviderStructureChanged() {
  if (fProvider) fProvider->StructureChanged(true);
}

void TkcCustomDataController::SetOptions(TkcDataControllerOptions Value) {
  if (Value == fOptions) return;
  fOptions = Value;
  RefreshRows();
}

void TkcCustomDataController::SetOnFilterRecord(const TkcDataFilterRecordEvent& Value) {
  if (!Value && !fOnFilterRecord) return;
  fOnFilterRecord = Value;
  fFilter->Changed();
}

// ---- Update locks and notifications -------------------------------------------------------------------

void TkcCustomDataController::BeginUpdate() { fInfo->BeginUpdate(); }

void TkcCustomDataController::EndUpdate() {
  fInfo->EndUpdate();
  CheckChanges();
}

void TkcCustomDataController::AddChanges(std::uint16_t AChanges) {
  fChanges |= AChanges;
  CheckChanges();
}

void TkcCustomDataController::CheckChanges() {
  if (!fInfo || fInfo->LockCount() > 0 || fInfo->InfoCalculation()) return;
  BeforeSendChanges();
  if (fChanges == 0) return;
  if (fGridModeReloadPending) {
    fGridModeReloadPending = false;
    StructureChanged(true);
  }
  SendChanges();
}

void TkcCustomDataController::NotifyControl(TkcUpdateControlInfo* AInfo) {
  std::unique_ptr<TkcUpdateControlInfo> owned(AInfo);
  if (!OnUpdateControl) return;
  const bool wasInNotify = fInNotify;
  fInNotify = true;
  try {
    OnUpdateControl(AInfo);
  } catch (...) {
    fInNotify = wasInNotify;
    throw;
  }
  fInNotify = wasInNotify;
}

void TkcCustomDataController::SendSelectionChanged() {
  const int count = GetSelectedCount();
  const int row = count == 1 ? GetSelectedRowIndex(0) : -1;
  if (count <= 1 && fSelectionSnapshotCount <= 1)
    NotifyControl(new TkcSelectionChangedInfo(fSelectionSnapshotRow, row));
  else
    NotifyControl(new TkcSelectionChangedInfo(-1, -1));
  fSelectionSnapshotCount = count;
  fSelectionSnapshotRow = row;
}

void TkcCustomDataController::UpdateSelectionSnapshot() {
  if (fSelectionSnapshotCount == 1) {
    fSelectionSnapshotCount = GetSelectedCount();
    fSelectionSnapshotRow = fSelectionSnapshotCount == 1 ? GetSelectedRowIndex(0) : -1;
  }
}

void TkcCustomDataController::SendChanges() {
  const std::uint16_t changes = fChanges;
  fChanges = 0;
  // (1) data, else layout, else one record
  if (changes & dccData) {
    TkcDataChangeKind kind = fPendingKind;
    int item = fPendingItem, record = fPendingRecord;
    if (kind == dcField && item == -1) kind = dcRecord;
    if (kind < dcNew && record == -1 && !IsNewItemRowRecord(record)) kind = dcTotal;
    fPendingKind = dcTotal;
    fPendingItem = fPendingRecord = -1;
    NotifyControl(new TkcDataChangedInfo(kind, item, record));
    DoDataChanged();
  } else if (changes & (dccLayout | dccDetailExpanding | dccSummary)) {
    NotifyControl(new TkcLayoutChangedInfo());
  } else if (changes & dccUpdateRecord) {
    fSearch->Cancel();
    NotifyControl(new TkcUpdateRecordInfo(GetFocusedRecordIndex()));
  }
  // (2) focus
  if (changes & dccFocus) {
    TkcDataFocusingInfo* prev = fInfo->PrevFocusingInfo();
    TkcDataFocusingInfo* cur = fInfo->FocusingInfo();
    const int prevRow = prev->RowIndex, row = cur->RowIndex;
    const int prevRecord = prev->RecordIndex, record = cur->RecordIndex;
    const bool newItemRowChanged = prev->Changed;
    fInfo->SyncPrevFocusing();
    if (prevRow != row) NotifyControl(new TkcFocusedRowChangedInfo(prevRow, row));
    if (prevRecord >= 0 || record >= 0 || newItemRowChanged)
      NotifyControl(new TkcFocusedRecordChangedInfo(prevRecord, record, prevRow, row, newItemRowChanged));
    fSearch->Cancel();
  }
  if (changes & dccSelection) SendSelectionChanged();
  if (changes & dccSearch) NotifyControl(new TkcSearchChangedInfo());
  if (changes & dccBookmark) NotifyControl(new TkcBookmarkChangedInfo());
  const bool reading = fOwner && fOwner->ComponentState().Contains(csReading);
  if ((changes & dccGrouping) && !reading && OnGroupingChanged) OnGroupingChanged(this);
  if ((changes & dccSorting) && !reading && !fInSortingChanged && OnSortingChanged) {
    fInSortingChanged = true;
    try {
      OnSortingChanged(this);
    } catch (...) {
      fInSortingChanged = false;
      throw;
    }
    fInSortingChanged = false;
  }
  // A detail on its way out (its master clearing its records) moves no focus: the master would
  // make the detail again into records that are being freed.
  if ((changes & dccDetailData) && !IsDestroying() && GetMasterRecordIndex() >= 0 && GetMasterRelation()) {
    if (TkcCustomDataController* templ = GetMasterRelation()->DetailDataController()) templ->UpdateFocusing();
  }
}

void TkcCustomDataController::DoDataChanged() {
  if (IsDestroying()) return;
  if (!OnDataChanged && !OnRecordChanged && fDataChangedListeners.empty()) return;
  if (IsLoading()) {
    fDataChangedWhileLoading = true;
    return;
  }
  fDataChangedWhileLoading = false;
  if (OnRecordChanged && fPendingKind < dcNew && (fPendingRecord != -1 || IsNewItemRowRecord(fPendingRecord)))
    OnRecordChanged(this, fPendingRecord, fPendingItem);
  if (OnDataChanged) OnDataChanged(this);
  if (IsGridMode() && fProvider->LocateCount() > 0) return;
  const auto listeners = fDataChangedListeners;
  for (const auto& l : listeners) l(this);
}

void TkcCustomDataController::Loaded() {
  if (fDataChangedWhileLoading) DoDataChanged();
}

void TkcCustomDataController::DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) {
  const bool recordPending = fPendingRecord != -1 || IsNewItemRowRecord(fPendingRecord);
  if (recordPending && ARecordIndex != fPendingRecord) {
    fPendingKind = dcTotal;
    fPendingItem = AItemIndex;
  } else if (AKind != dcField || fPendingItem == -1 || fPendingItem == AItemIndex || fPendingKind != dcField) {
    fPendingKind = (fPendingKind == dcTotal && recordPending) ? dcTotal : AKind;
    fPendingItem = AItemIndex;
  } else {
    fPendingKind = dcRecord;
    fPendingItem = -1;
  }
  fPendingRecord = ARecordIndex;
  if (AKind == dcTotal) {
    ApplyStructureChange(false);
  } else {
    if (AKind == dcNew || AKind == dcDeleted) fInfo->FocusedRecordChanged(false);
    BeginUpdate();
    try {
      fInfo->Refresh(true);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
  }
  CheckMasterHasChildren();
}

void TkcCustomDataController::RemoveDataChangedListener(const TNotifyEvent& AEvent) {
  for (auto it = fDataChangedListeners.begin(); it != fDataChangedListeners.end(); ++it)
    if (it->SameMethod(AEvent)) {
      fDataChangedListeners.erase(it);
      return;
    }
}

TkcDataListenerLink* TkcCustomDataController::AddListenerLink() {
  auto* link = new TkcDataListenerLink(this);
  fListenerLinks.push_back(link);
  return link;
}

void TkcCustomDataController::RemoveListenerLink(TkcDataListenerLink* ALink) {
  auto it = std::find(fListenerLinks.begin(), fListenerLinks.end(), ALink);
  if (it != fListenerLinks.end()) fListenerLinks.erase(it);
  delete ALink;
}

void TkcCustomDataController::UnlockDataReload() {
  if (--fDataReloadLockCount == 0 && fDataReloadPending) {
    fDataReloadPending = false;
    StructureChanged(true);
  }
}

void TkcCustomDataController::BeginKeysSaving() {
  if (fKeysSavingCount++ == 0) {
    BeginOwnerUpdate();
    fSaveObject = std::make_unique<TkcSaveObject>();
    fSaveObject->Save(this);
  }
}

void TkcCustomDataController::EndKeysSaving() {
  if (--fKeysSavingCount != 0) return;
  kcBracket([] {},
            [this] {
              if (fSaveObject) fSaveObject->Restore(this);
            },
            [this] {
              fSaveObject.reset();
              EndOwnerUpdate();
            });
}

void TkcCustomDataController::ClearRowEngineMarks() {
  fSortingChanged = fGroupingChanged = fLoadedWhileActivating = fRefocus = fSummarySortChanged = false;
}

// ---- Items ----------------------------------------------------------------------------------------------

void TkcCustomDataController::CheckItemIndex(int AItemIndex) {
  if (AItemIndex < 0 || AItemIndex >= GetItemCount()) throw EkcInvalidDataControllerOperation(kcItemIndexError);
}

TkcCustomDataField* TkcCustomDataController::GetItemField(int AItemIndex) {
  CheckItemIndex(AItemIndex);
  return fFields->Fields(AItemIndex);
}

int TkcCustomDataController::GetItemIndexOfField(TkcCustomDataField* AField) const {
  const int i = fFields->IndexOf(AField);
  return i < fFields->ItemCount() ? i : -1;
}

TObject* TkcCustomDataController::GetItem(int /*AItemIndex*/) { throw EAbstractError("Abstract error"); }

TkcCustomDataField* TkcCustomDataController::CreateItemField() {
  TkcCustomDataField* f = GetItemFieldClass().Create(fFields.get());
  fFields->Add(f);
  return f;
}

TkcCustomDataField* TkcCustomDataController::CreateHiddenField() {
  TkcCustomDataField* f = GetItemFieldClass().Create(fFields.get());
  f->SetInternal(true);
  fFields->Add(f);
  return f;
}

TkcCustomDataField* TkcCustomDataController::AddItem(TObject* AItem) {
  if (AItem && fFields->FieldByItem(AItem)) throw EkcInvalidDataControllerOperation(kcItemExistsError);
  TkcCustomDataField* f = CreateItemField();
  f->SetItemObject(AItem);
  return f;
}

void TkcCustomDataController::RemoveItem(TObject* AItem) {
  TkcCustomDataField* f = fFields->FieldByItem(AItem);
  if (!f) return;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              fInfo->RemoveField(f);
              delete f;
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::UpdateItemIndexes() {
  for (int i = 0; i < GetItemCount(); ++i)
    if (TkcCustomDataField* f = fFields->FieldByItem(GetItem(i))) f->SetPosition(i);
  AddChanges(dccLayout);
}

TObject* TkcCustomDataController::FindItemByID(int AID) {
  for (int i = 0; i < GetItemCount(); ++i) {
    TObject* item = fFields->Fields(i)->ItemObject();
    if (GetItemID(item) == AID) return item;
  }
  return nullptr;
}

TkcValueTypeClass TkcCustomDataController::GetItemValueTypeClass(int AItemIndex) {
  return GetItemField(AItemIndex)->ColumnTypeClass();
}

void TkcCustomDataController::ChangeValueTypeClass(int AItemIndex, TkcValueTypeClass AClass) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (f->ColumnTypeClass() == AClass) return;
  f->SetColumnTypeClass(AClass);
  if (IsProviderMode()) UpdateStructure();
  fInfo->FieldChanged(f);
  ItemValueTypeClassChanged(AItemIndex);
}

bool TkcCustomDataController::GetItemTextStored(int AItemIndex) { return GetItemField(AItemIndex)->KeepsText(); }

void TkcCustomDataController::ChangeTextStored(int AItemIndex, bool AFlag) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (f->KeepsText() == AFlag) return;
  f->SetKeepsText(AFlag);
  fInfo->FieldChanged(f);
}

void TkcCustomDataController::SetItemTextFlag(int AItemIndex, bool AFlag) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (AFlag == ItemTextFlag(AItemIndex)) return;
  auto it = std::find(fCustomCompareFields.begin(), fCustomCompareFields.end(), f);
  if (AFlag && it == fCustomCompareFields.end()) fCustomCompareFields.push_back(f);
  if (!AFlag && it != fCustomCompareFields.end()) fCustomCompareFields.erase(it);
  fInfo->FieldChanged(f);
}

bool TkcCustomDataController::ItemCustomCompare(TkcCustomDataField* AField) const {
  return std::find(fCustomCompareFields.begin(), fCustomCompareFields.end(), AField) != fCustomCompareFields.end();
}

void TkcCustomDataController::FieldRemoved(TkcCustomDataField* AField) {
  if (fHandleField == AField) fHandleField = nullptr;
  if (fRelations) fRelations->FieldRemoved(AField);
  if (fFilterList) fFilterList->DropFieldConditions(AField);
  if (fFilter && !fFilter->Destroying()) fFilter->DropFieldConditions(AField);
  if (fSummary) fSummary->RemoveField(AField);
  if (fIncrementalFilterField == AField) ResetIncrementalFilter();
  if (fSortBySummaryField == AField) fSortBySummaryField = nullptr;
  if (fSearchField == AField) {
    fSearch->Cancel();
    fSearchField = nullptr;
  }
  auto it = std::find(fCustomCompareFields.begin(), fCustomCompareFields.end(), AField);
  if (it != fCustomCompareFields.end()) fCustomCompareFields.erase(it);
  if (fInfo) fInfo->RemoveField(AField);
}

void TkcCustomDataController::ComponentRemoved(TComponent* AComponent) { fFields->ComponentRemoved(AComponent); }

// ---- Records ----------------------------------------------------------------------------------------------

void TkcCustomDataController::CheckRecordIndex(int ARecordIndex) {
  if (ARecordIndex >= 0 && ARecordIndex < GetRecordCount()) return;
  if (ARecordIndex < 0 && (ARecordIndex == GetNewItemRowRecordIndex() ||
                           (fProvider->SavedRecordIndex() != 0 && ARecordIndex == fProvider->SavedRecordIndex())))
    return;
  throw EkcInvalidDataControllerOperation(kcRecordIndexError);
}

bool TkcCustomDataController::CanUseStorage() { return fProvider->IsCustomSourceSupported() && !IsProviderMode(); }

bool TkcCustomDataController::IsUseRecordID() { return CanUseStorage() && UseRecordIDs(); }

void TkcCustomDataController::SetRecordCount(int ACount) {
  if (IsGridMode()) return;
  ACount = std::max(ACount, 0);
  if (ACount == GetRecordCount()) return;
  if (IsProviderMode()) {
    fProvider->SetRecordCount(ACount);
    return;
  }
  const int before = GetRecordCount();
  fDataStorage->SetRecordCount(ACount);
  CheckEditingAfterRemoval(-1);
  DataChanged(ACount > before ? dcNew : dcDeleted, -1, -1);
}

int TkcCustomDataController::AppendNewRecord() {
  if (IsProviderRecordMode()) return AppendRecordFromSource();
  if (IsProviderMode()) return fProvider->NewSourceRecord();
  const int r = fDataStorage->AppendRecord();
  DataChanged(dcNew, -1, -1);
  return r;
}

int TkcCustomDataController::InsertNewRecord(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex > GetRecordCount()) throw EkcInvalidDataControllerOperation(kcRecordIndexError);
  if (IsProviderRecordMode()) return AppendRecordFromSource();
  if (IsProviderMode()) return fProvider->InsertRecord(ARecordIndex);
  fDataStorage->InsertRecord(ARecordIndex);
  RecordAdded(ARecordIndex);
  // Focus and selection name records by index: later records moved up by one.
  TkcDataFocusingInfo* focus = fInfo->FocusingInfo();
  if (focus->RecordIndex >= ARecordIndex) ++focus->RecordIndex;
  TkcDataSelection* selection = fInfo->Selection();
  for (int i = 0; i < selection->GetCount(); ++i) {
    const auto& e = selection->GetEntry(i);
    if (e.Level != -1 && e.RecordValue >= ARecordIndex) selection->SetEntryRecordValue(i, e.RecordValue + 1);
  }
  if (fBookmarkRecordIndex >= ARecordIndex) ++fBookmarkRecordIndex;
  DataChanged(dcNew, -1, -1);
  return ARecordIndex;
}

int TkcCustomDataController::AppendRecordFromSource() {
  std::unique_ptr<TkcValueDefReader> reader(fProvider->CreateValueDefReader());
  const int r = fDataStorage->AppendRecord();
  fDataStorage->ReadRecord(r, reader.get());
  DataChanged(dcNew, -1, -1);
  return r;
}

void TkcCustomDataController::DeleteRecordFromSource(int ARecordIndex) {
  if (IsProviderMode()) fProvider->DeleteSourceRecord(ARecordIndex);
  fDataStorage->DeleteRecord(ARecordIndex);
}

void TkcCustomDataController::RemoveRecord(int ARecordIndex) {
  CheckRecordIndex(ARecordIndex);
  if (fProvider->EditingRecordIndex() == ARecordIndex) fProvider->ClearEditingRecord();
  if (IsProviderMode() && ARecordIndex >= 0) {
    fProvider->DeleteSourceRecord(ARecordIndex);
    return;
  }
  fDataStorage->DeleteRecord(ARecordIndex);
  if (ARecordIndex >= 0) {
    RecordRemoved(ARecordIndex);
    // Focus, selection and bookmark name records by index: later records moved down by one.
    TkcDataFocusingInfo* focus = fInfo->FocusingInfo();
    if (focus->RecordIndex == ARecordIndex)
      focus->RecordIndex = -1;
    else if (focus->RecordIndex > ARecordIndex)
      --focus->RecordIndex;
    TkcDataSelection* selection = fInfo->Selection();
    selection->KeepEntries(
        [ARecordIndex](const TkcDataSelectionEntry& e) { return e.Level == -1 || e.RecordValue != ARecordIndex; });
    for (int i = 0; i < selection->GetCount(); ++i) {
      const auto& e = selection->GetEntry(i);
      if (e.Level != -1 && e.RecordValue > ARecordIndex) selection->SetEntryRecordValue(i, e.RecordValue - 1);
    }
    CheckBookmark(ARecordIndex);
    if (fBookmarkRecordIndex > ARecordIndex) --fBookmarkRecordIndex;
  }
  if (ARecordIndex == fNewItemRowRecordIndex) fNewItemRowRecordIndex = 0;
  DataChanged(dcDeleted, -1, -1);
}

void TkcCustomDataController::CheckEditingAfterRemoval(int ARecordIndex) {
  const int editing = fProvider->EditingRecordIndex();
  if (ARecordIndex != -1 && ARecordIndex > editing) return;
  if (editing >= GetRecordCount()) fProvider->ResetEditing();
}

Variant TkcCustomDataController::GetRecordId(int ARecordIndex) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) throw EkcInvalidDataControllerOperation(kcRecordIndexError);
  if (fDataStorage->UseRecordID()) return Variant(fDataStorage->GetRecordID(ARecordIndex));
  if (IsProviderMode() && fProvider->SupportsRecordKeys()) return fProvider->GetRecordKey(ARecordIndex);
  return Null();
}

Variant TkcCustomDataController::GetGroupValues(int ARecordIndex) {
  TkcGroupingFieldList* list = fInfo->GroupingFieldList();
  Variant values = Variant::MakeArray(list->GetCount());
  const bool valid = ARecordIndex >= 0 && ARecordIndex < GetRecordCount();
  for (int l = 0; l < list->GetCount(); ++l)
    values.SetItem(l, valid ? GetGroupingFieldValue(ARecordIndex, list->GetItem(l).Field) : Null());
  return values;
}

// ---- Values -----------------------------------------------------------------------------------------------

bool TkcCustomDataController::IsSourceField(TkcCustomDataField* AField) {
  if (!AField->Internal()) return true;
  return AField->SharedField() && !AField->SharedField()->Internal();
}

Variant TkcCustomDataController::GetLocalValue(int ARecordIndex, TkcCustomDataField* AField) {
  if (IsGridMode() && IsSourceField(AField)) return fProvider->GetExternalValue(ARecordIndex, AField);
  if (TkcValueDef* column = AField->ValueColumn()) return fDataStorage->GetValue(ARecordIndex, column);
  return Null();
}

String TkcCustomDataController::GetLocalDisplayText(int ARecordIndex, TkcCustomDataField* AField) {
  if (IsGridMode() && IsSourceField(AField)) return fProvider->GetExternalDisplayText(ARecordIndex, AField);
  if (TkcValueDef* column = AField->ValueColumn()) return fDataStorage->GetDisplayText(ARecordIndex, column);
  return String();
}

Variant TkcCustomDataController::GetSourceValue(int ARecordIndex, TkcCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsSourceField(AField)) return fProvider->GetValue(ARecordIndex, AField);
  return GetLocalValue(ARecordIndex, AField);
}

String TkcCustomDataController::GetSourceDisplayText(int ARecordIndex, TkcCustomDataField* AField) {
  if (ARecordIndex >= 0 && IsProviderMode() && IsSourceField(AField))
    return fProvider->GetDisplayText(ARecordIndex, AField);
  return GetLocalDisplayText(ARecordIndex, AField);
}

Variant TkcCustomDataController::GetValue(int ARecordIndex, int AItemIndex) {
  CheckRecordIndex(ARecordIndex);
  return GetSourceValue(ARecordIndex, GetItemField(AItemIndex));
}

String TkcCustomDataController::GetDisplayText(int ARecordIndex, int AItemIndex) {
  CheckRecordIndex(ARecordIndex);
  return GetSourceDisplayText(ARecordIndex, GetItemField(AItemIndex));
}

void TkcCustomDataController::SetValue(int ARecordIndex, int AItemIndex, const Variant& AValue) {
  CheckRecordIndex(ARecordIndex);
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (IsGridMode()) return;
  if (IsProviderMode() && ARecordIndex >= 0)
    fProvider->SetSourceValue(ARecordIndex, f, AValue);
  else if (TkcValueDef* column = f->ValueColumn())
    fDataStorage->SetValue(ARecordIndex, column, AValue);
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

void TkcCustomDataController::SetDisplayText(int ARecordIndex, int AItemIndex, const String& AText) {
  CheckRecordIndex(ARecordIndex);
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (IsGridMode()) return;
  if (IsProviderMode() && ARecordIndex >= 0)
    fProvider->SetDisplayText(ARecordIndex, f, AText);
  else if (TkcValueDef* column = f->ValueColumn())
    fDataStorage->SetDisplayText(ARecordIndex, column, AText);
  DataChanged(dcField, AItemIndex, ARecordIndex);
}

Variant TkcCustomDataController::GetRecordFieldsValue(int ARecordIndex,
                                                      const std::vector<TkcCustomDataField*>& AFields) {
  if (AFields.empty()) return IsProviderMode() ? fProvider->GetRecordKey(ARecordIndex) : Null();
  if (AFields.size() == 1) return GetSourceValue(ARecordIndex, AFields[0]);
  Variant values = Variant::MakeArray(static_cast<int>(AFields.size()));
  for (std::size_t i = 0; i < AFields.size(); ++i)
    values.SetItem(static_cast<int>(i), GetSourceValue(ARecordIndex, AFields[i]));
  return values;
}

Variant TkcCustomDataController::GetCompareValue(int ARecordIndex, TkcCustomDataField* AField) {
  if (FieldCompareMode(AField) == 2) return Variant(GetSourceDisplayText(ARecordIndex, AField));
  return GetSourceValue(ARecordIndex, AField);
}

// ---- Structure and loading ----------------------------------------------------------------------------------

void TkcCustomDataController::UpdateStructure() {
  kcBracket([this] { BeginOwnerUpdate(); },
            [this] {
              fProvider->ResetEditing();
              if (!CanUseStorage()) fDataStorage->Clear(false);
              ForgetBookmark();
              fInfo->Refresh(true);
              CheckBookmark(-1);
              fDataStorage->SetStoredValuesOnly(IsProviderMode() || IsGridMode());
              fDataStorage->SetUseRecordID(IsUseRecordID());
              if (IsProviderMode()) {
                if (!fHandleField) {
                  fHandleField = CreateHiddenField();
                  fHandleField->SetColumnTypeClass(TkcIntegerValueType::Class());
                }
              } else if (fHandleField) {
                TkcCustomDataField* f = fHandleField;
                fHandleField = nullptr;
                delete f;
              }
              fStructureRefreshed = true;
              StructureChanged(true);
            },
            [this] { EndOwnerUpdate(); });
}

void TkcCustomDataController::StructureChanged(bool /*AFlag*/) { CheckStructureChanged(fProvider->IsDataActive()); }

void TkcCustomDataController::CheckStructureChanged(bool AActive) {
  if (fInStructureCheck) return;
  if (fInfo->LockCount() > 0 && IsGridMode()) {
    fGridModeReloadPending = true;
    return;
  }
  if (NeedsStructureCheck()) ApplyStructureChange(AActive);
}

void TkcCustomDataController::ApplyStructureChange(bool AReloadFields) {
  fInStructureCheck = true;
  kcBracket([this] { BeginOwnerUpdate(); },
            [&] {
              if (NeedsStructureCheck()) {
                // While reloading is locked the one reload waits for the unlock: a structure
                // built field by field reads the records once, not once per field.
                if (fDataReloadLockCount > 0) {
                  fDataReloadPending = true;
                } else {
                  if (AReloadFields || fProvider->HasFieldList()) UpdateFields();
                  if (!IsGridModeReloadPending()) LoadData();
                }
              }
              fInfo->Refresh(true);
            },
            [this] {
              fInStructureCheck = false;
              fStructureRefreshed = false;
              EndOwnerUpdate();
            });
}

void TkcCustomDataController::UpdateFields() {
  std::vector<TkcCustomDataField*> updated;
  bool restart = true;
  while (restart) {
    restart = false;
    for (int i = 0; i < fFields->Count(); ++i) {
      TkcCustomDataField* f = fFields->Fields(i);
      if (std::find(updated.begin(), updated.end(), f) != updated.end()) continue;
      const int before = fFields->Count();
      RefreshField(f);
      updated.push_back(f);
      if (fFields->Count() != before || fFields->IndexOf(f) < 0) {
        // A field went away during the scan: start again from the first field.
        std::vector<TkcCustomDataField*> alive;
        for (auto* u : updated)
          if (fFields->IndexOf(u) >= 0) alive.push_back(u);
        updated.swap(alive);
        restart = true;
        break;
      }
    }
  }
}

void TkcCustomDataController::LoadData() {
  fDataStorage->Clear(fProvider->DataChangedLocked());
  if (fProvider->IsDataActive() && !IsProviderRecordMode()) {
    if (!(GetMasterRelation() && GetMasterRecordIndex() == -1 && !IsProviderMode())) LoadAllRecords();
    AfterLoadData();
  }
  AddChanges(dccData);
  DataLoaded();
}

void TkcCustomDataController::AfterLoadData() {
  fInfo->Refresh(true);
  UpdateFocusing();
}

void TkcCustomDataController::DataLoaded() {
  if (GetMasterRelation() && GetMasterRecordIndex() >= 0) AddChanges(dccDetailData);
  AfterDataLoaded();
}

void TkcCustomDataController::LoadAllRecords() {
  if (fProvider->IsGridMode()) {
    fDataStorage->BeginLoad();
    kcBracket([] {}, [this] { fProvider->LoadRecords(); }, [this] { fDataStorage->EndLoad(); });
    return;
  }
  fProvider->BeginFreeze();
  kcBracket([] {},
            [this] {
              fProvider->SavePosition();
              fProvider->First();
              if (fProvider->RecreatedFieldsAfterFirst()) UpdateFields();
              fDataStorage->BeginLoad();
              kcBracket([] {},
                        [this] {
                          if (IsProviderMode()) {
                            fProvider->RefreshSource();
                          } else {
                            std::unique_ptr<TkcValueDefReader> reader(fProvider->CreateValueDefReader());
                            while (!fProvider->IsEOF()) {
                              const int r = fDataStorage->AppendRecord();
                              fDataStorage->ReadRecord(r, reader.get());
                              AfterRecordRead(r);
                              fProvider->Next();
                            }
                          }
                        },
                        [this] { fDataStorage->EndLoad(); });
              fLoadedWhileActivating = fProvider->ActiveChanging();
            },
            [this] {
              fProvider->RestorePosition();
              fProvider->EndFreeze();
            });
}

void TkcCustomDataController::AfterRecordRead(int ARecordIndex) { fProvider->SyncRecordPosition(ARecordIndex); }

int TkcCustomDataController::AppendRecordFrom(TkcValueDefReader* AReader, int AHandle) {
  if (IsProviderMode()) return fProvider->AppendSourceRecord(AHandle);
  const int r = fDataStorage->AppendRecord();
  fDataStorage->ReadRecord(r, AReader);
  AfterRecordRead(r);
  return r;
}

void TkcCustomDataController::BeginRecordsReading() {
  fProvider->BeginFreeze();
  fProvider->SavePosition();
  fDataStorage->BeginLoad();
}

void TkcCustomDataController::EndRecordsReading() {
  fDataStorage->EndLoad();
  fProvider->RestorePosition();
  fProvider->EndFreeze();
  UpdateFocusing();
  fInfo->Refresh(true);
}

void TkcCustomDataController::CopyRecordData(int ASourceRecord, int ADestinationRecord) {
  TkcValueDefRecordReader reader(this, ASourceRecord);
  if (IsProviderMode() && ADestinationRecord >= 0) {
    TkcValueDefs* defs = fDataStorage->ValueDefs();
    for (int i = 0; i < defs->Count(); ++i)
      WriteRecordToSource(defs->Items(i), ASourceRecord, ADestinationRecord, &reader);
  } else {
    fDataStorage->ReadRecord(ADestinationRecord, &reader);
  }
  if (ADestinationRecord >= 0) DataChanged(dcRecord, -1, -1);
}

void TkcCustomDataController::WriteRecordToSource(TkcValueDef* AValueDef, int /*ASourceRecord*/, int ADestinationRecord,
                                                  TkcValueDefReader* AReader) {
  if (AReader->IsInternalColumn(AValueDef)) return;
  TkcCustomDataField* field = FieldOfValueDef(AValueDef);
  if (!field) return;
  fProvider->SetSourceValue(ADestinationRecord, field, AReader->GetValue(AValueDef));
  if (AValueDef->KeepsDisplayText())
    fProvider->SetDisplayText(ADestinationRecord, field, AReader->GetDisplayText(AValueDef));
}

void TkcCustomDataController::ResetInternalRecords() {
  fNewItemRowRecordIndex = 0;
  if (fProvider) fProvider->ForgetSavedRecord();
}

void TkcCustomDataController::ActiveChanged(bool AActive) {
  fActive = AActive;
  CheckStructureChanged(fProvider->IsDataActive());
  CheckMasterHasChildren();
}

void TkcCustomDataController::RecordAdded(int ARecordIndex) {
  // Detail controllers held for later masters follow their record.
  if (!HasRelations()) return;
  for (int r = ARecordIndex + 1; r < GetRecordCount(); ++r)
    for (int i = 0; i < fRelations->GetCount(); ++i)
      if (TkcCustomDataController* d = GetDetailDataController(r, i)) d->fMasterRecordIndex = r;
}

void TkcCustomDataController::RecordRemoved(int ARecordIndex) {
  CheckEditingAfterRemoval(ARecordIndex);
  if (!HasRelations()) return;
  for (int r = ARecordIndex; r < GetRecordCount(); ++r)
    for (int i = 0; i < fRelations->GetCount(); ++i)
      if (TkcCustomDataController* d = GetDetailDataController(r, i)) d->fMasterRecordIndex = r;
}

void TkcCustomDataController::UpdateFocusing() {
  if (fProvider->LocateCount() > 0 && fInfo->Focusing()) return;
  fInfo->ResetFocus();
}

void TkcCustomDataController::RefreshRows() {
  BeginUpdate();
  kcBracket([] {}, [this] { fInfo->Refresh(true); }, [this] { EndUpdate(); });
}

// ---- Comparison, sorting and filtering --------------------------------------------------------------------

int TkcCustomDataController::FieldCompareMode(TkcCustomDataField* AField) const {
  const int i = fFields->IndexOf(AField);
  return i >= 0 && static_cast<std::size_t>(i) < fCompareModes.size() ? fCompareModes[static_cast<std::size_t>(i)] : 0;
}

void TkcCustomDataController::SetFieldCompareMode(TkcCustomDataField* AField, int AMode) {
  const int i = fFields->IndexOf(AField);
  if (i < 0) return;
  if (static_cast<std::size_t>(i) >= fCompareModes.size())
    fCompareModes.resize(static_cast<std::size_t>(fFields->Count()), 0);
  fCompareModes[static_cast<std::size_t>(i)] = static_cast<std::int8_t>(AMode);
}

bool TkcCustomDataController::NeedsLocaleCompare(TkcCustomDataField* AField) {
  return (fOptions.Contains(dcoAnsiSort) || fOptions.Contains(dcoCaseInsensitive)) && AField->ValueColumn() &&
         AField->ValueColumn()->IsTextType();
}

bool TkcCustomDataController::IsFieldSortedByDisplayText(TkcCustomDataField* AField) {
  if (AField->Internal()) return false;
  const int item = GetItemIndexOfField(AField);
  return item >= 0 && GetItemSortByDisplayText(item, fOptions.Contains(dcoSortByDisplayText));
}

bool TkcCustomDataController::IsItemSortedByText(int AItemIndex) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  return GetItemSortByDisplayText(AItemIndex, true) ||
         (fOptions.Contains(dcoAnsiSort) && f->ValueColumn() && f->ValueColumn()->IsTextType());
}

bool TkcCustomDataController::IsCompareByController(TkcCustomDataField* AField) {
  const int mode = FieldCompareMode(AField);
  if (mode != 0) return mode > 0;
  if (ItemCustomCompare(AField) || NeedsLocaleCompare(AField) || IsFieldSortedByDisplayText(AField)) return true;
  return IsProviderMode() && !fProvider->RecordSource()->StorageComparable();
}

int TkcCustomDataController::CompareStoredValues(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField) {
  TkcValueDef* column = AField->ValueColumn();
  if (!column && !IsProviderMode()) return 0;
  if (IsProviderMode()) return fProvider->CompareRecords(ARecordIndex1, ARecordIndex2, AField);
  return fDataStorage->CompareRecords(ARecordIndex1, ARecordIndex2, column);
}

int TkcCustomDataController::CompareItemTexts(const String& AText1, const String& AText2) {
  const bool ansi = fOptions.Contains(dcoAnsiSort), nocase = fOptions.Contains(dcoCaseInsensitive);
  int r;
  if (ansi && nocase)
    r = AnsiCompareText(AText1, AText2);
  else if (ansi)
    r = AnsiCompareStr(AText1, AText2);
  else if (nocase)
    r = AnsiUpperCase(AText1).compare(AnsiUpperCase(AText2));
  else
    return CompareVariants(Variant(AText1), Variant(AText2));
  return r < 0 ? -1 : (r > 0 ? 1 : 0);
}

int TkcCustomDataController::CompareRecordsByField(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField) {
  const bool byEvent = static_cast<bool>(OnCompare) && !AField->Internal();
  if (byEvent || IsCompareByController(AField)) {
    if (!byEvent && IsProviderMode() && fProvider->RecordSource()->ComparesRecords() && ARecordIndex1 >= 0 &&
        ARecordIndex2 >= 0)
      return fProvider->CustomCompareRecords(ARecordIndex1, ARecordIndex2, AField);
    const Variant v1 = GetCompareValue(ARecordIndex1, AField);
    const Variant v2 = GetCompareValue(ARecordIndex2, AField);
    if (byEvent) {
      int result = 0;
      OnCompare(this, ARecordIndex1, ARecordIndex2, GetItemIndexOfField(AField), v1, v2, result);
      return result;
    }
    if (v1.IsStr() && v2.IsStr()) return CompareItemTexts(v1.AsString(), v2.AsString());
    return CompareVariants(v1, v2);
  }
  return CompareStoredValues(ARecordIndex1, ARecordIndex2, AField);
}

int TkcCustomDataController::CompareRecordsBySortInfo(int ARecordIndex1, int ARecordIndex2,
                                                      const TkcDataSortInfo& AInfo) {
  const int r = CompareRecordsByField(ARecordIndex1, ARecordIndex2, AInfo.Field);
  return AInfo.SortOrder == soDescending ? -r : r;
}

void TkcCustomDataController::SetItemSortIndex(int AItemIndex, int ASortIndex) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (GetItemSortIndex(AItemIndex) == ASortIndex) return;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              TkcGroupingFieldList* grouping = fInfo->GroupingFieldList();
              if (grouping->Find(f) >= 0 && GetItemSortOrder(AItemIndex) == soAscending && ASortIndex == -1) {
                SetItemSortOrder(AItemIndex, soNone);
                return;
              }
              if (fInfo->SortingFieldList()->Find(f) < 0) SetItemSortOrder(AItemIndex, GetItemSortOrder(AItemIndex));
              if (GetItemSortOrder(AItemIndex) != soNone) fInfo->ChangeSortIndex(f, ASortIndex);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::SetItemSortOrder(int AItemIndex, TkcDataSortOrder AOrder) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  TkcSortingFieldList* sorting = fInfo->SortingFieldList();
  if (sorting->Find(f) >= 0 ? sorting->FieldSortOrder(f) == AOrder
                            : (AOrder == soNone && fInfo->GroupingFieldList()->Find(f) < 0))
    return;
  PostIfEditing();
  fSortingChanged = true;
  BeginUpdate();
  kcBracket([] {}, [&] { fInfo->ChangeFieldSorting(f, AOrder); }, [this] { EndUpdate(); });
}

TkcDataSortOrder TkcCustomDataController::GetItemSortOrder(int AItemIndex) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  TkcDataSortOrder order = fInfo->SortingFieldList()->FieldSortOrder(f);
  return order != soNone ? order : fInfo->GroupingFieldList()->FieldSortOrder(f);
}

int TkcCustomDataController::GetItemSortIndex(int AItemIndex) {
  return fInfo->SortingFieldList()->Find(GetItemField(AItemIndex));
}

int TkcCustomDataController::GetSortingItemIndex(int APosition) {
  return GetItemIndexOfField(fInfo->SortingFieldList()->GetItem(APosition).Field);
}

void TkcCustomDataController::ClearSorting(bool AKeepGroupedItems) { fInfo->ClearSorting(AKeepGroupedItems); }

bool TkcCustomDataController::RefreshItemSorting(int AItemIndex) {
  if (AItemIndex == -1 || GetItemSortOrder(AItemIndex) != soNone) {
    RefreshRows();
    return true;
  }
  return false;
}

int TkcCustomDataController::GetSortingBySummaryItemIndex() {
  return fSortBySummaryField ? GetItemIndexOfField(fSortBySummaryField) : -1;
}

void TkcCustomDataController::SetSortingBySummaryItemIndex(int AItemIndex) {
  if (AItemIndex == GetSortingBySummaryItemIndex()) return;
  fSortBySummaryField = AItemIndex == -1 ? nullptr : GetItemField(AItemIndex);
  fSummarySortChanged = true;
  AddChanges(dccGrouping);
}

TkcDataSortOrder TkcCustomDataController::GetSortingBySummaryOrder() {
  const int item = GetSortingBySummaryItemIndex();
  return item == -1 ? soNone : GetItemSortOrder(item);
}

bool TkcCustomDataController::DoFilterRecord(int ARecordIndex) {
  bool accept = true;
  if (fOnFilterRecord) fOnFilterRecord(this, ARecordIndex, accept);
  return accept;
}

bool TkcCustomDataController::DoIncrementalFilterRecord(int ARecordIndex) {
  return MatchTextCaseInsensitive(GetSourceDisplayText(ARecordIndex, fIncrementalFilterField), fIncrementalFilterText,
                                  true);
}

TkcDataFilterCriteria* TkcCustomDataController::CreateFilterCriteria() {
  TkcDataFilterCriteria* c = GetFilterCriteriaClass().Create(this);
  fFilterList->Add(c);
  return c;
}

void TkcCustomDataController::FilterChanged() {
  fRefilterAfterPost = true;
  Cancel();
  RefreshRows();
  CheckBookmark(-1);
  UpdateSelectionSnapshot();
}

void TkcCustomDataController::SummaryChanged(bool /*ARegroup*/) { fInfo->SummaryChanged(false); }

int TkcCustomDataController::SetIncrementalFilter(int AItemIndex, const String& AText) {
  fIncrementalFilterField = GetItemField(AItemIndex);
  fIncrementalFilterText = AText;
  RefreshRows();
  return GetFilteredRecordCount() > 0 ? GetFilteredRecordIndex(0) : -1;
}

void TkcCustomDataController::ResetIncrementalFilter() {
  if (!HasIncrementalFilter()) return;
  fIncrementalFilterField = nullptr;
  fIncrementalFilterText.clear();
  if (!IsDestroying()) RefreshRows();
}

bool TkcCustomDataController::ChangeIncrementalFilterText(const String& AText) {
  if (!HasIncrementalFilter() || AText == fIncrementalFilterText) return false;
  SetIncrementalFilter(GetItemIndexOfField(fIncrementalFilterField), AText);
  return true;
}

int TkcCustomDataController::FindRecordByDisplayText(int AStartPosition, int AItemIndex, const String& AText,
                                                     bool APartial, bool AWrap, bool AForward) {
  CheckItemIndex(AItemIndex);
  const int count = GetFilteredRecordCount();
  if (AStartPosition < 0 || AStartPosition >= count) return -1;
  auto matches = [&](int p) {
    const int r = GetFilteredRecordIndex(p);
    return MatchTextCaseInsensitive(GetSearchDisplayText(r, AItemIndex), AText, APartial);
  };
  if (AForward) {
    for (int p = AStartPosition; p < count; ++p)
      if (matches(p)) return GetFilteredRecordIndex(p);
    if (AWrap && AStartPosition != 0)
      for (int p = 0; p < AStartPosition; ++p)
        if (matches(p)) return GetFilteredRecordIndex(p);
  } else {
    for (int p = AStartPosition; p >= 0; --p)
      if (matches(p)) return GetFilteredRecordIndex(p);
    // A backward search wraps unless it started at the last position (which it has covered).
    if (AWrap && AStartPosition != count - 1)
      for (int p = count - 1; p > AStartPosition; --p)
        if (matches(p)) return GetFilteredRecordIndex(p);
  }
  return -1;
}

// ---- Rows, focus, bookmark and selection --------------------------------------------------------------------

int TkcCustomDataController::GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible) {
  CheckRecordIndex(ARecordIndex);
  return fInfo->GetRowIndexByRecordIndex(ARecordIndex, AMakeVisible);
}

int TkcCustomDataController::GetLastRecordIndex() {
  const int rows = GetRowCount();
  return rows > 0 ? GetRowInfo(rows - 1).RecordIndex : -1;
}

bool TkcCustomDataController::FocusRow(int ARowIndex) {
  if (fProvider->IsSyncMode() && !fProvider->IsInserting() && ARowIndex != GetFocusedRowIndex() &&
      !CanFocusedRowChange())
    return false;
  if (ARowIndex != GetFocusedRowIndex()) FinishDetailsEditing();
  fInfo->ChangeFocusedRow(ARowIndex);
  return true;
}

bool TkcCustomDataController::FocusRecord(int ARecordIndex) {
  return FocusRow(GetRowIndexByRecordIndex(ARecordIndex, true));
}

void TkcCustomDataController::EnsureFocusedRow() {
  if (GetFocusedRowIndex() < 0 && !GetNewItemRowFocused() && GetRowCount() > 0) FocusRow(0);
}

bool TkcCustomDataController::FocusSelectedRow(int AIndex) {
  const int row = GetSelectedRowIndex(AIndex);
  FocusRow(row);
  return row >= 0 && GetFocusedRowIndex() == row;
}

int TkcCustomDataController::GetSourceCurrentRecordIndex() {
  if (fProvider->IsActive() && fProvider->IsSyncMode()) return fProvider->GetActiveRecordIndex();
  return GetFocusedRecordIndex();
}

bool TkcCustomDataController::CanFocusRecord(int ARecordIndex) {
  if (!fProvider->IsActive() && ARecordIndex != fProvider->EditingRecordIndex()) PostIfEditing();
  return true;
}

void TkcCustomDataController::ForEachRow(bool ASelectedOnly, const std::function<void(int, const TkcRowInfo&)>& AProc) {
  if (ASelectedOnly) {
    for (int i = 0; i < GetSelectedCount(); ++i) {
      const int row = GetSelectedRowIndex(i);
      AProc(row, GetRowInfo(row));
    }
  } else {
    for (int row = 0; row < GetRowCount(); ++row) AProc(row, GetRowInfo(row));
  }
}

bool TkcCustomDataController::StoreBookmark() {
  const int record = GetFocusedRecordIndex();
  if (record == fBookmarkRecordIndex) return false;
  fBookmarkRecordIndex = record;
  return true;
}

void TkcCustomDataController::SaveBookmark() {
  if (StoreBookmark()) AddChanges(dccBookmark);
}

void TkcCustomDataController::GotoBookmark() {
  if (IsBookmarkAvailable()) FocusBookmark();
}

void TkcCustomDataController::ClearBookmark() {
  const bool was = IsBookmarkAvailable();
  ForgetBookmark();
  if (was != IsBookmarkAvailable()) AddChanges(dccBookmark);
}

bool TkcCustomDataController::IsBookmarkRow(int ARowIndex) {
  return IsBookmarkAvailable() && GetRowInfo(ARowIndex).RecordIndex == fBookmarkRecordIndex;
}

bool TkcCustomDataController::IsBookmarkInvalid(int ARecordIndex) {
  if (ARecordIndex != -1 && ARecordIndex == fBookmarkRecordIndex) return true;
  return fInfo->GetRecordListIndex(fBookmarkRecordIndex) < 0;
}

void TkcCustomDataController::CheckBookmark(int ARecordIndex) {
  if (IsBookmarkAvailable() && IsBookmarkInvalid(ARecordIndex)) {
    ForgetBookmark();
    AddChanges(dccBookmark);
  }
}

void TkcCustomDataController::SetMultiSelect(bool Value) {
  if (fMultiSelect == Value) return;
  fMultiSelect = Value;
  fFocusedSelected = true;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              if (!Value)
                ClearSelection();
              else if (GetFocusedRowIndex() >= 0)
                ChangeRowSelection(GetFocusedRowIndex(), true);
            },
            [this] { EndUpdate(); });
  if (fSummary->CountsSelection()) fInfo->SummaryChanged(false);
}

void TkcCustomDataController::SetFocusedSelected(bool Value) {
  if (fMultiSelect || fFocusedSelected == Value) return;
  fFocusedSelected = Value;
  if (GetFocusedRowIndex() >= 0) {
    fSelectionSnapshotCount = 1;
    fSelectionSnapshotRow = GetFocusedRowIndex();
    AddChanges(dccSelection);
  }
}

int TkcCustomDataController::GetSelectedCount() {
  if (fMultiSelect) return fInfo->GetSelectedCount();
  return fFocusedSelected && GetFocusedRowIndex() >= 0 ? 1 : 0;
}

int TkcCustomDataController::GetSelectedRowIndex(int AIndex) {
  if (fMultiSelect) return fInfo->GetSelectedRowIndex(AIndex);
  return AIndex == 0 && fFocusedSelected ? GetFocusedRowIndex() : -1;
}

bool TkcCustomDataController::IsRowSelected(int ARowIndex) {
  if (fMultiSelect) return fInfo->IsRowSelected(ARowIndex);
  return fFocusedSelected && ARowIndex == GetFocusedRowIndex();
}

void TkcCustomDataController::ChangeRowSelection(int ARowIndex, bool ASelect) {
  if (fMultiSelect) fInfo->ChangeRowSelection(ARowIndex, ASelect);
}

void TkcCustomDataController::SelectRows(int AFromRow, int AToRow) {
  if (!fMultiSelect) return;
  kcBracket([this] { BeginUpdate(); }, [&] { fInfo->SelectRowRange(AFromRow, AToRow); }, [this] { EndUpdate(); });
}

void TkcCustomDataController::SelectAll() {
  if (GetRowCount() > 0) SelectRows(0, GetRowCount() - 1);
}

void TkcCustomDataController::SetSelectionAnchor(int ARowIndex) {
  if (ARowIndex < 0 || ARowIndex >= GetRowCount()) throw EkcInvalidDataControllerOperation(kcRowIndexError);
  fInfo->Selection()->SetAnchorRowIndex(ARowIndex);
}

int TkcCustomDataController::GetSelectionAnchorRowIndex() { return fInfo->Selection()->AnchorRowIndex(); }

void TkcCustomDataController::SelectFromAnchor(int ARowIndex, bool AKeepSelection) {
  if (!HasSelectionAnchor()) return;
  const int anchor = GetSelectionAnchorRowIndex();
  kcBracket([this] { BeginUpdate(); },
            [&] {
              if (!AKeepSelection) ClearSelection();
              SelectRows(anchor, ARowIndex);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::ClearSelection() {
  BeginUpdate();
  kcBracket([] {}, [this] { fInfo->ClearSelection(); }, [this] { EndUpdate(); });
}

void TkcCustomDataController::SelectFocusedRow() {
  if (fMultiSelect) ResetSelectionToFocused();
}

void TkcCustomDataController::ResetSelectionToFocused() {
  kcBracket([this] { BeginUpdate(); },
            [&] {
              ClearSelection();
              if (GetFocusedRowIndex() >= 0) SelectRows(GetFocusedRowIndex(), GetFocusedRowIndex());
            },
            [this] { EndUpdate(); });
}

TkcDataSelection* TkcCustomDataController::GetSelectionObject() { return fInfo->Selection(); }

// ---- Editing --------------------------------------------------------------------------------------------------

int TkcCustomDataController::GetActiveRecordIndex() {
  if (GetNewItemRowFocused()) return GetNewItemRowRecordIndex();
  if (GetFocusedRowIndex() < 0) return kcNoRecordIndex;
  return GetFocusedRecordIndex();
}

int TkcCustomDataController::GetEditingRecordIndex() {
  return fProvider->IsEditing() ? fProvider->EditingRecordIndex() : GetActiveRecordIndex();
}

int TkcCustomDataController::GetNewItemRowRecordIndex() {
  if (fNewItemRowRecordIndex == 0) fNewItemRowRecordIndex = fDataStorage->AddInternalRecord();
  return fNewItemRowRecordIndex;
}

bool TkcCustomDataController::IsEditing() {
  return (GetEditState() & (dcesInserting | dcesEditing)) && fProvider->EditingRecordIndex() != kcNoRecordIndex;
}

int TkcCustomDataController::GetEditOperations() {
  int ops = 0;
  if (fProvider->CanAppend()) ops |= dceoAppend;
  if (fProvider->CanDelete()) ops |= dceoDelete;
  if (fProvider->CanModify()) ops |= dceoModify;
  if (fProvider->CanInsert()) ops |= dceoInsert;
  if (!fProvider->IsActive() || fProvider->IsSyncMode()) ops |= dceoShowEdit;
  return ops;
}

int TkcCustomDataController::GetEditState() {
  if (!fProvider->IsEditing()) return 0;
  int state = fProvider->IsInserting() ? dcesInserting : dcesEditing;
  if (fProvider->IsChanging()) state |= dcesChanging;
  if (fProvider->IsModified()) state |= dcesModified;
  return state;
}

bool TkcCustomDataController::IsImmediatePost() {
  return fOptions.Contains(dcoImmediatePost) || fProvider->IsReadOnly();
}

bool TkcCustomDataController::IsKeyBased() { return IsProviderMode() && fProvider->SupportsRecordKeys(); }

void TkcCustomDataController::Append() {
  if (fProvider->CanAppend()) fProvider->Append();
}

void TkcCustomDataController::Insert() {
  if (fProvider->CanInsert()) fProvider->Insert();
}

void TkcCustomDataController::StartEdit() {
  if (fProvider->CanModify()) fProvider->Edit();
}

void TkcCustomDataController::Post() {
  fRefilterAfterPost = true;
  fPosting = true;
  TkcDataListenerLink* link = AddListenerLink();
  try {
    if (fProvider->IsEditing()) fProvider->Post();
  } catch (...) {
    if (link->Ref) {
      fPosting = false;
      RemoveListenerLink(link);
    } else {
      delete link;
    }
    throw;
  }
  if (link->Ref) {
    fProvider->SetInsertedRecordIndex(-1);
    fPosting = false;
    RemoveListenerLink(link);
  } else {
    delete link;
  }
}

void TkcCustomDataController::Cancel() {
  if (fInCancel) return;
  fInCancel = true;
  try {
    int row = GetFocusedRowIndex();
    if (fProvider->IsEditing()) fProvider->Cancel();
    row = std::min(row, GetRowCount() - 1);
    if (!fInfo->InCanFocusedRowChanging()) FocusRow(row);
  } catch (...) {
    fInCancel = false;
    throw;
  }
  fInCancel = false;
}

void TkcCustomDataController::UpdateEditingRecord() { fProvider->PostEditingData(); }

bool TkcCustomDataController::InitItemEditing(int AItemIndex) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (!fProvider->CanModify() && !f->IsUnbound()) return false;
  if (!f->CanModify(GetItemValueSource(AItemIndex))) return false;
  return fProvider->CanInitEditing(GetEditingRecordIndex());
}

Variant TkcCustomDataController::GetItemEditValue(int AItemIndex, TkcDataEditValueSource AValueSource) {
  TkcCustomDataField* f = GetItemField(AItemIndex);
  if (fUseNewItemRowForEditing && GetNewItemRowFocused() && !fProvider->IsEditing()) return Null();
  return fProvider->GetEditValue(GetEditingRecordIndex(), f, AValueSource);
}

bool TkcCustomDataController::SetItemEditValue(int AItemIndex, const Variant& AValue,
                                               TkcDataEditValueSource AValueSource) {
  if (!InitItemEditing(AItemIndex)) return false;
  if (!fProvider->SetEditValue(GetEditingRecordIndex(), GetItemField(AItemIndex), AValue, AValueSource)) return false;
  if (IsImmediatePost()) Post();
  return true;
}

bool TkcCustomDataController::GetNewItemRowFocused() {
  return fNewItemRowFocused && fUseNewItemRowForEditing && GetFocusedRecordIndex() < 0;
}

void TkcCustomDataController::SetNewItemRowFocused(bool Value) {
  if (fNewItemRowFocused == Value) return;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              if (Value)
                FocusRow(-1);
              else if (!IsDestroying())
                Post();
              fInfo->FocusedRecordChanged(true);
              fNewItemRowFocused = Value;
            },
            [this] { EndUpdate(); });
  if (fOptions.Contains(dcoInsertOnNewItemRowFocusing) && GetNewItemRowFocused() && !fProvider->IsInserting()) Insert();
}

void TkcCustomDataController::SetUseNewItemRowForEditing(bool Value) {
  if (fUseNewItemRowForEditing == Value) return;
  Cancel();
  ClearSelection();
  fUseNewItemRowForEditing = Value;
  AddChanges(dccData);
}

void TkcCustomDataController::ResetNewItemRowFocused() {
  if (fNewItemRowFocused) fInfo->PrevFocusingInfo()->Changed = true;
  fNewItemRowFocused = false;
}

void TkcCustomDataController::RestoreFocusAfterDelete() {
  if (fRecordToFocusAfterDeletion == -1) {
    if (fInfo->LockCount() == 0 && GetFocusedRecordIndex() < 0) {
      const int last = GetLastRecordIndex();
      if (last >= 0) FocusRecord(last);
    }
  } else if (fRecordToFocusAfterDeletion >= 0 && fRecordToFocusAfterDeletion < GetRecordCount()) {
    FocusRecord(fRecordToFocusAfterDeletion);
  }
}

void TkcCustomDataController::DeleteFocused() {
  const int row = GetFocusedRowIndex();
  if (row < 0 || !fProvider->CanDelete()) return;
  fProvider->BeginDeleting();
  kcBracket([] {},
            [&] {
              if (GetRowInfo(row).Level < fInfo->DataGroups()->GetLevelCount()) {
                std::vector<int> records;
                fGroups->CollectRowRecordIndexes(records, row);
                DeleteRecordList(records);
              } else {
                DeleteFocusedRecord();
              }
              ClearSelection();
            },
            [this] { fProvider->EndDeleting(); });
}

void TkcCustomDataController::DeleteSelectedRecords() {
  if (GetSelectedCount() == 0 || !fProvider->CanDelete()) return;
  fProvider->BeginDeleting();
  kcBracket([] {},
            [this] {
              if (IsSelectionByFocus())
                DeleteFocusedRecord();
              else
                fProvider->DeleteSelection();
            },
            [this] { fProvider->EndDeleting(); });
}

void TkcCustomDataController::DeleteFocusedRecord() {
  const int focused = GetFocusedRecordIndex();
  if (fRecordToFocusAfterDeletion >= focused && fRecordToFocusAfterDeletion >= 0) --fRecordToFocusAfterDeletion;
  try {
    fProvider->Delete();
  } catch (...) {
    fRecordToFocusAfterDeletion = focused;
    throw;
  }
}

void TkcCustomDataController::DeleteRecordList(std::vector<int>& AList) {
  std::sort(AList.begin(), AList.end());
  AList.erase(std::unique(AList.begin(), AList.end()), AList.end());
  if (fRecordToFocusAfterDeletion >= 0) {
    const auto below = std::upper_bound(AList.begin(), AList.end(), fRecordToFocusAfterDeletion) - AList.begin();
    fRecordToFocusAfterDeletion -= static_cast<int>(below);
  }
  const int focused = GetFocusedRecordIndex();
  try {
    fProvider->DeleteRecords(AList);
  } catch (...) {
    fRecordToFocusAfterDeletion = focused;
    throw;
  }
}
