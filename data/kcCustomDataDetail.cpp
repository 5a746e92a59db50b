// Master-detail: relations, the detail object of each opened master record (kept in a hidden
// field of the object value type), the controller's detail modes, expansion and detail holders;
// and saving and restoring state by record key around wholesale reloads.

#include <algorithm>

#include "data/kcCustomData.h"

// ---- Relations -------------------------------------------------------------------------------------

TkcCustomDataRelation::TkcCustomDataRelation(TkcCustomDataRelationList* AList, TObject* AItem)
    : fItem(AItem), fRelationList(AList) {
  fRelationList->fItems.push_back(this);
  fRelationList->Changed(this);
}

TkcCustomDataRelation::~TkcCustomDataRelation() {
  // The template keeps its template state but no longer belongs to this master.
  if (fDetailDataController)
    fDetailDataController->SetMasterRelation(nullptr, fDetailDataController->IsDetailTemplate());
  if (fRelationList) fRelationList->Remove(this);
}

void TkcCustomDataRelation::Changed() {
  if (fRelationList) fRelationList->Changed(this);
}

TkcCustomDataController* TkcCustomDataRelation::GetDataController() const {
  return fRelationList ? fRelationList->DataController() : nullptr;
}

int TkcCustomDataRelation::GetIndex() const { return fRelationList ? fRelationList->IndexOf(this) : -1; }

TkcCustomDataRelationList::~TkcCustomDataRelationList() {
  fLockCount = 1;  // no change handling while the list goes
  while (!fItems.empty()) delete fItems.back();
}

TkcCustomDataRelation* TkcCustomDataRelationList::Add(TObject* AItem) {
  return fDataController->GetRelationClass().Create(this, AItem);
}

void TkcCustomDataRelationList::Assign(TkcCustomDataRelationList* Source) {
  kcBracket([this] { BeginUpdate(); },
            [&] {
              Clear();
              for (auto* r : Source->fItems) Add(r->Item())->Assign(r);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataRelationList::EndUpdate() {
  --fLockCount;
  Changed(nullptr);
}

void TkcCustomDataRelationList::Clear() {
  kcBracket([this] { BeginUpdate(); },
            [this] {
              while (!fItems.empty()) delete fItems.back();
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataRelationList::Move(int ACurIndex, int ANewIndex) {
  if (ACurIndex == ANewIndex) return;
  TkcCustomDataRelation* r = GetItem(ACurIndex);
  fItems.erase(fItems.begin() + ACurIndex);
  fItems.insert(fItems.begin() + std::clamp(ANewIndex, 0, GetCount()), r);
  Changed(nullptr);
}

TkcCustomDataRelation* TkcCustomDataRelationList::FindByItem(TObject* AItem) const {
  for (auto* r : fItems)
    if (r->Item() == AItem) return r;
  return nullptr;
}

int TkcCustomDataRelationList::IndexOf(const TkcCustomDataRelation* ARelation) const {
  auto it = std::find(fItems.begin(), fItems.end(), ARelation);
  return it == fItems.end() ? -1 : static_cast<int>(it - fItems.begin());
}

void TkcCustomDataRelationList::Remove(TkcCustomDataRelation* ARelation) {
  const int index = IndexOf(ARelation);
  if (index < 0) return;
  if (fDetailField) {
    for (int r = 0; r < fDataController->GetRecordCount(); ++r)
      if (TkcDetailObject* d = PeekDetailObject(r))
        if (TkcCustomDataController* detail = fDataController->GetDetailHolderDataController(d->GetLinkObject(index)))
          detail->SetMasterRelationAndRecord(nullptr, -1);
  }
  fItems.erase(fItems.begin() + index);
  ARelation->fRelationList = nullptr;
  Changed(ARelation);
}

void TkcCustomDataRelationList::Changed(TkcCustomDataRelation* ARelation) {
  if (fLockCount == 0) Update(ARelation);
}

void TkcCustomDataRelationList::Update(TkcCustomDataRelation* /*ARelation*/) {
  TkcCustomDataController* c = fDataController;
  kcBracket([c] { c->BeginUpdate(); },
            [&] {
              if (fItems.empty()) {
                if (fDetailField) {
                  TkcCustomDataField* f = fDetailField;
                  fDetailField = nullptr;
                  delete f;
                }
              } else if (fDetailField) {
                c->DiscardAllDetails();
              } else {
                fDetailField = c->CreateHiddenField();
                fDetailField->SetColumnTypeClass(TkcObjectValueType::Class());
              }
              c->DetailStructureChanged();
            },
            [c] { c->EndUpdate(); });
}

void TkcCustomDataRelationList::FieldRemoved(TkcCustomDataField* AField) {
  if (fDetailField == AField) fDetailField = nullptr;
  for (auto* r : fItems) r->FieldRemoved(AField);
}

TkcDetailObject* TkcCustomDataRelationList::PeekDetailObject(int ARecordIndex) const {
  if (!fDetailField || !fDetailField->ValueColumn()) return nullptr;
  const Variant v = fDataController->GetDataStorage()->GetValue(ARecordIndex, fDetailField->ValueColumn());
  return dynamic_cast<TkcDetailObject*>(TkcObjectValueType::ValueToObject(v));
}

TkcDetailObject* TkcCustomDataRelationList::GetDetailObject(int ARecordIndex) {
  fDataController->CheckRecordIndex(ARecordIndex);
  if (!fDetailField || !fDetailField->ValueColumn()) return nullptr;
  TkcCustomDataController* pattern =
      fDataController->GetMasterRelation() && fDataController->GetMasterRelation()->DetailDataController()
          ? fDataController->GetMasterRelation()->DetailDataController()
          : fDataController;
  TkcCustomDataRelationList* relations = pattern->HasRelations() ? pattern->GetRelations() : this;
  bool anyTemplate = false;
  for (auto* r : relations->fItems) anyTemplate = anyTemplate || r->DetailDataController();
  TkcDetailObject* detail = PeekDetailObject(ARecordIndex);
  if (anyTemplate) {
    if (!detail) {
      detail = new TkcDetailObject();
      detail->ActiveRelationIndex = fDataController->GetDefaultActiveRelationIndex();
      fDataController->GetDataStorage()->SetValue(ARecordIndex, fDetailField->ValueColumn(),
                                                  TkcObjectValueType::ObjectToValue(detail));
    }
    detail->Normalize(relations, pattern);
    return detail;
  }
  if (detail) {
    for (int i = 0; i < detail->InfoCount(); ++i)
      if (TkcCustomDataController* d = fDataController->GetDetailHolderDataController(detail->GetLinkObject(i)))
        d->SetMasterRelationAndRecord(nullptr, -1);
    fDataController->GetDataStorage()->SetValue(ARecordIndex, fDetailField->ValueColumn(), Null());
  }
  return nullptr;
}

bool TkcCustomDataRelationList::ClearDetailObject(int ARecordIndex, int ARelationIndex) {
  fDataController->CheckRecordIndex(ARecordIndex);
  TkcDetailObject* detail = PeekDetailObject(ARecordIndex);
  if (!detail) return false;
  if (ARelationIndex == -1)
    detail->ClearInfoObjects();
  else
    detail->ClearInfoObject(ARelationIndex);
  return true;
}

bool TkcCustomDataRelationList::HasDetailHolder(int ARecordIndex, int ARelationIndex) {
  fDataController->CheckRecordIndex(ARecordIndex);
  TkcDetailObject* detail = PeekDetailObject(ARecordIndex);
  if (!detail) return false;
  if (ARelationIndex == -1) return !detail->IsEmpty();
  return detail->GetLinkObject(ARelationIndex) != nullptr;
}

// ---- Detail objects ---------------------------------------------------------------------------------

TkcDetailInfoObject* TkcDetailObject::GetInfoObject(int AIndex) const {
  return AIndex >= 0 && AIndex < InfoCount() ? fInfos[static_cast<std::size_t>(AIndex)] : nullptr;
}

TObject* TkcDetailObject::GetLinkObject(int AIndex) const {
  TkcDetailInfoObject* info = GetInfoObject(AIndex);
  return info ? info->Holder : nullptr;
}

void TkcDetailObject::SetInfoObject(int AIndex, TkcDetailInfoObject* AInfo) {
  if (AIndex >= InfoCount()) fInfos.resize(static_cast<std::size_t>(AIndex) + 1, nullptr);
  delete fInfos[static_cast<std::size_t>(AIndex)];
  fInfos[static_cast<std::size_t>(AIndex)] = AInfo;
}

void TkcDetailObject::SetLinkObject(int AIndex, TObject* AHolder) {
  if (!GetInfoObject(AIndex)) SetInfoObject(AIndex, new TkcDetailInfoObject());
  fInfos[static_cast<std::size_t>(AIndex)]->Holder = AHolder;
}

bool TkcDetailObject::IsEmpty() const {
  for (auto* info : fInfos)
    if (info && info->Holder) return false;
  return true;
}

bool TkcDetailObject::ResetHasChildren() {
  bool any = false;
  for (auto* info : fInfos)
    if (info && info->HasChildrenKnown) {
      info->HasChildrenKnown = false;
      any = true;
    }
  return any;
}

void TkcDetailObject::ClearInfoObject(int AIndex) {
  if (AIndex < 0 || AIndex >= InfoCount()) return;
  TkcDetailInfoObject* info = fInfos[static_cast<std::size_t>(AIndex)];
  fInfos[static_cast<std::size_t>(AIndex)] = nullptr;
  delete info;
}

void TkcDetailObject::ClearInfoObjects() {
  for (int i = 0; i < InfoCount(); ++i) ClearInfoObject(i);
  fInfos.clear();
}

void TkcDetailObject::Normalize(TkcCustomDataRelationList* ARelations, TkcCustomDataController* /*APattern*/) {
  const int count = ARelations->GetCount();
  if (InfoCount() < count) fInfos.resize(static_cast<std::size_t>(count), nullptr);
  if (count == 0) {
    ActiveRelationIndex = -1;
    return;
  }
  ActiveRelationIndex = std::clamp(ActiveRelationIndex, 0, count - 1);
  if (!ARelations->GetItem(ActiveRelationIndex)->DetailDataController())
    for (int i = 0; i < count; ++i)
      if (ARelations->GetItem(i)->DetailDataController()) {
        ActiveRelationIndex = i;
        break;
      }
}

// ---- The controller's side --------------------------------------------------------------------------

bool TkcCustomDataController::HasRelations() const { return fRelations && fRelations->GetCount() > 0; }

TkcCustomDataRelationList* TkcCustomDataController::GetRelations() {
  if (!fRelations) fRelations = std::make_unique<TkcCustomDataRelationList>(this);
  return fRelations.get();
}

TkcCustomDataController* TkcCustomDataController::GetMasterDataController() {
  return fMasterRelation ? fMasterRelation->GetDataController() : nullptr;
}

int TkcCustomDataController::GetDetailMode() {
  if (fMasterRelation) return fMasterRecordIndex != -1 ? 2 : 1;
  return fDetailTemplateMark ? 1 : 0;
}

TkcCustomDataController* TkcCustomDataController::GetTopMasterController() {
  TkcCustomDataController* c = this;
  while (TkcCustomDataController* m = c->GetMasterDataController()) c = m;
  return c;
}

TkcCustomDataController* TkcCustomDataController::GetDetailTemplateController() {
  if (!fMasterRelation) return this;
  return fMasterRelation->DetailDataController() ? fMasterRelation->DetailDataController() : this;
}

void TkcCustomDataController::SetMasterRelationAndRecord(TkcCustomDataRelation* ARelation, int ARecordIndex) {
  if (!ARelation && !fMasterRelation && ARecordIndex == -1 && fMasterRecordIndex == -1) return;
  kcBracket([this] { BeginUpdate(); },
            [&] {
              if (fMasterRelation) {
                if (fMasterRelation->fDetailDataController == this && ARecordIndex == -1)
                  fMasterRelation->fDetailDataController = nullptr;
                else
                  fProvider->SetRecordSource(nullptr);
                if (TkcCustomDataController* master = GetMasterDataController())
                  if (master->fFocusedDetail == this) master->fFocusedDetail = nullptr;
              }
              fMasterRelation = ARelation;
              if (ARelation && ARecordIndex == -1) {
                // A relation has one template: the one it had no longer belongs to it, so it does
                // not keep a relation that may be freed without telling it.
                if (TkcCustomDataController* old = ARelation->fDetailDataController; old && old != this)
                  old->fMasterRelation = nullptr;
                ARelation->fDetailDataController = this;
                ARelation->Changed();
              } else if (ARelation) {
                if (TkcCustomDataController* templ = GetDetailTemplateController(); templ != this)
                  fProvider->SetRecordSource(templ->Provider()->RecordSource());
                if (TkcCustomDataController* master = GetMasterDataController()) master->fFocusedDetail = this;
              }
              fMasterRecordIndex = ARecordIndex;
              StructureChanged(true);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::SetMasterRelation(TkcCustomDataRelation* ARelation, bool AIsTemplate) {
  kcBracket([this] { BeginUpdate(); },
            [&] {
              SetMasterRelationAndRecord(ARelation, -1);
              SetIsDetailTemplate(AIsTemplate);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::SetIsDetailTemplate(bool Value) {
  const int before = GetDetailMode();
  fDetailTemplateMark = Value;
  if (GetDetailMode() != before && !IsDestroying()) UpdateStructure();
}

int TkcCustomDataController::GetDetailActiveRelationIndex(int ARecordIndex) {
  if (!HasRelations()) return -1;
  TkcDetailObject* d = fRelations->GetDetailObject(ARecordIndex);
  return d ? d->ActiveRelationIndex : -1;
}

void TkcCustomDataController::SetDetailActiveRelationIndex(int ARecordIndex, int ARelationIndex) {
  if (GetDetailActiveRelationIndex(ARecordIndex) == ARelationIndex) return;
  FinishEditing();
  if (TkcDetailObject* d = HasRelations() ? fRelations->GetDetailObject(ARecordIndex) : nullptr) {
    d->ActiveRelationIndex = ARelationIndex;
    AddChanges(dccDetailExpanding);
  }
}

bool TkcCustomDataController::IsDetailExpanded(int ARecordIndex) {
  TkcDetailObject* d = HasRelations() ? fRelations->GetDetailObject(ARecordIndex) : nullptr;
  return d && d->Expanded;
}

bool TkcCustomDataController::CanChangeDetailExpanding(int ARecordIndex, bool AExpand) {
  bool allow = true;
  if (AExpand)
    DoDetailExpanding(ARecordIndex, allow);
  else
    DoDetailCollapsing(ARecordIndex, allow);
  return allow;
}

bool TkcCustomDataController::SetDetailExpanded(int ARecordIndex, bool AExpanded) {
  if (ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) return false;
  if (IsDetailExpanded(ARecordIndex) == AExpanded) return false;
  FinishEditing();
  TkcDetailObject* d = HasRelations() ? fRelations->GetDetailObject(ARecordIndex) : nullptr;
  if (!d || !CanChangeDetailExpanding(ARecordIndex, AExpanded)) return false;
  d = fRelations->GetDetailObject(ARecordIndex);  // an event may have changed the records
  if (!d) return false;
  d->Expanded = AExpanded;
  TkcCustomDataController* master = GetMasterDataController();
  if (!master || master->GetLockCount() == 0) AddChanges(dccDetailExpanding);
  if (AExpanded)
    DoDetailExpanded(ARecordIndex);
  else
    DoDetailCollapsed(ARecordIndex);
  return true;
}

void TkcCustomDataController::CollapseAllDetails() {
  FinishEditing();
  if (!HasRelations()) return;
  kcBracket([this] { BeginUpdate(); },
            [this] {
              for (int r = 0; r < GetRecordCount(); ++r) {
                DiscardDetails(r, -1);
                if (TkcDetailObject* d = fRelations->PeekDetailObject(r)) {
                  d->Expanded = false;
                  AddChanges(dccDetailExpanding);
                }
              }
            },
            [this] { EndUpdate(); });
}

bool TkcCustomDataController::HasDetailChildren(int ARecordIndex, int ARelationIndex) {
  if (TkcCustomDataController* detail = GetDetailDataController(ARecordIndex, ARelationIndex))
    return detail->GetRecordCount() > 0;
  if (!(IsProviderMode() || fProvider->IsActive() || fActive)) return false;
  TkcDetailObject* d = HasRelations() ? fRelations->GetDetailObject(ARecordIndex) : nullptr;
  if (!d) return true;
  if (!d->GetInfoObject(ARelationIndex)) d->SetInfoObject(ARelationIndex, new TkcDetailInfoObject());
  TkcDetailInfoObject* info = d->GetInfoObject(ARelationIndex);
  if (!info->HasChildrenKnown) {
    info->HasChildren = fProvider->SourceHasDetails(ARecordIndex, ARelationIndex);
    info->HasChildrenKnown = true;
  }
  return info->HasChildren;
}

TObject* TkcCustomDataController::GetDetailHolder(int ARecordIndex, int ARelationIndex) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    TkcDetailObject* d = HasRelations() ? fRelations->GetDetailObject(ARecordIndex) : nullptr;
    if (!d) return nullptr;
    if (TObject* holder = d->GetLinkObject(ARelationIndex)) return holder;
    TkcCustomDataController* templ = GetDetailTemplateController();
    if (fCreatingDetailHolder || (templ && templ->fCreatingDetailHolder)) return nullptr;
    if (ARelationIndex < 0 || ARelationIndex >= fRelations->GetCount()) return nullptr;
    TObject* holder = nullptr;
    kcBracket(
        [&] {
          fCreatingDetailHolder = true;
          if (templ) templ->fCreatingDetailHolder = true;
        },
        [&] { holder = CreateDetailHolder(fRelations->GetItem(ARelationIndex), ARecordIndex); },
        [&] {
          fCreatingDetailHolder = false;
          if (templ) templ->fCreatingDetailHolder = false;
        });
    fFocusedDetail = nullptr;
    // Creating may reload the records: the holder is kept only when its record is still there.
    if (holder && (ARecordIndex >= GetRecordCount() || fRelations->PeekDetailObject(ARecordIndex) != d)) {
      delete holder;
      holder = nullptr;
    }
    if (holder) {
      d->SetLinkObject(ARelationIndex, holder);
      return holder;
    }
  }
  return nullptr;
}

bool TkcCustomDataController::HasDetailHolder(int ARecordIndex, int ARelationIndex) {
  return HasRelations() && fRelations->HasDetailHolder(ARecordIndex, ARelationIndex);
}

TkcCustomDataController* TkcCustomDataController::GetDetailDataController(int ARecordIndex, int ARelationIndex) {
  if (!HasRelations() || ARecordIndex < 0 || ARecordIndex >= GetRecordCount()) return nullptr;
  TkcDetailObject* d = fRelations->PeekDetailObject(ARecordIndex);
  return d ? GetDetailHolderDataController(d->GetLinkObject(ARelationIndex)) : nullptr;
}

void TkcCustomDataController::DiscardDetails(int ARecordIndex, int ARelationIndex) {
  if (!HasRelations()) return;
  TkcDetailObject* d = fRelations->PeekDetailObject(ARecordIndex);
  if (!d) return;
  const bool had = ARelationIndex == -1 ? !d->IsEmpty() : d->GetLinkObject(ARelationIndex) != nullptr;
  fRelations->ClearDetailObject(ARecordIndex, ARelationIndex);
  if (had) AddChanges(dccDetailExpanding);
}

void TkcCustomDataController::DiscardAllDetails() {
  kcBracket([this] { BeginUpdate(); },
            [this] {
              for (int r = 0; r < GetRecordCount(); ++r) DiscardDetails(r, -1);
            },
            [this] { EndUpdate(); });
}

void TkcCustomDataController::RefreshDetailHasChildren() {
  if (!HasRelations()) return;
  bool any = false;
  for (int r = 0; r < GetRecordCount(); ++r)
    if (TkcDetailObject* d = fRelations->PeekDetailObject(r)) any = d->ResetHasChildren() || any;
  if (any) AddChanges(dccLayout);
}

void TkcCustomDataController::CheckMasterHasChildren() {
  TkcCustomDataController* master = GetMasterDataController();
  if (!master || !(IsProviderMode() || fProvider->IsActive() || fActive)) return;
  if (fProvider->IsInserting() || fProvider->IsEditing()) return;
  master->RefreshDetailHasChildren();
}

void TkcCustomDataController::DetachDetailControllers(TkcCustomDataRelation* ARelation) {
  if (!HasRelations()) return;
  const int index = fRelations->IndexOf(ARelation);
  for (int r = 0; r < GetRecordCount(); ++r)
    if (TkcCustomDataController* detail = GetDetailDataController(r, index))
      detail->SetMasterRelationAndRecord(nullptr, -1);
}

void TkcCustomDataController::ResetDetailRelation(TObject* ARelationItem) {
  if (HasRelations() && fRelations->FindByItem(ARelationItem)) {
    DiscardAllDetails();
    return;
  }
  if (!HasRelations()) return;
  for (int r = 0; r < GetRecordCount(); ++r)
    for (int i = 0; i < fRelations->GetCount(); ++i)
      if (TkcCustomDataController* detail = GetDetailDataController(r, i)) detail->ResetDetailRelation(ARelationItem);
}

void TkcCustomDataController::DetailStructureChanged() {
  if (IsDestroying()) return;
  if (GetDetailMode() == 1 && fMasterRelation) {
    GetTopMasterController()->ResetDetailRelation(fMasterRelation->Item());
    return;
  }
  AddChanges(dccData);
}

void TkcCustomDataController::ForEachDetailController(TkcCustomDataRelation* ARelation,
                                                      const std::function<void(TkcCustomDataController*)>& AProc) {
  // The relation indexes from the top master down to the relation.
  std::vector<int> path;
  for (TkcCustomDataRelation* r = ARelation; r;
       r = r->GetDataController() ? r->GetDataController()->GetMasterRelation() : nullptr) {
    path.insert(path.begin(), r->GetIndex());
    if (!r->GetDataController()) break;
  }
  std::vector<TkcCustomDataController*> level{GetTopMasterController()};
  for (int index : path) {
    std::vector<TkcCustomDataController*> next;
    for (TkcCustomDataController* c : level) {
      bool any = false;
      for (int r = 0; r < c->GetRecordCount(); ++r)
        if (TkcCustomDataController* d = c->GetDetailDataController(r, index)) {
          next.push_back(d);
          any = true;
        }
      if (!any && c->fFocusedDetail) next.push_back(c->fFocusedDetail);
    }
    level.swap(next);
  }
  for (TkcCustomDataController* c : level) AProc(c);
}

// ---- Saving and restoring by record key --------------------------------------------------------------

TkcDetailKeyInfo::~TkcDetailKeyInfo() { delete SubDetail; }

void TkcKeys::Clear() {
  for (auto* info : fKeyInfos) FreeKeyInfo(info);
  fKeyInfos.clear();
}

void TkcKeys::Save(TkcCustomDataController* AController) {
  Clear();
  fDataController = AController;
  fKeyFields.clear();
  AController->GetKeyFields(fKeyFields);
  SaveKeys();
  // Sorted by key (stable: equal keys keep their saving order, so FindKey finds the first).
  std::vector<int> order(fKeyInfos.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  SortRecordList(order, 0, static_cast<int>(order.size()) - 1, [this](int a, int b) {
    const int r =
        CompareVariants(fKeyInfos[static_cast<std::size_t>(a)]->Key, fKeyInfos[static_cast<std::size_t>(b)]->Key);
    return r != 0 ? r : (a < b ? -1 : (a > b ? 1 : 0));
  });
  std::vector<TkcKeyInfo*> sorted;
  sorted.reserve(order.size());
  for (int i : order) sorted.push_back(fKeyInfos[static_cast<std::size_t>(i)]);
  fKeyInfos.swap(sorted);
}

void TkcKeys::Restore(TkcCustomDataController* AController) {
  fDataController = AController;
  fKeyFields.clear();
  AController->GetKeyFields(fKeyFields);
  if (!fKeyInfos.empty()) {
    RestoreKeys();
    Clear();
  }
}

bool TkcKeys::FindKey(int ARecordIndex, int& APosition) {
  const Variant key = fDataController->GetRecordFieldsValue(ARecordIndex, fKeyFields);
  auto it = std::lower_bound(fKeyInfos.begin(), fKeyInfos.end(), key,
                             [](TkcKeyInfo* info, const Variant& k) { return CompareVariants(info->Key, k) < 0; });
  for (; it != fKeyInfos.end() && CompareVariants((*it)->Key, key) == 0; ++it)
    if (VariantsSame((*it)->Key, key)) {
      APosition = static_cast<int>(it - fKeyInfos.begin());
      return true;
    }
  return false;
}

void TkcKeys::Delete(int APosition) {
  FreeKeyInfo(fKeyInfos.at(static_cast<std::size_t>(APosition)));
  fKeyInfos.erase(fKeyInfos.begin() + APosition);
}

void TkcDetailKeys::SaveKeys() {
  TkcCustomDataController* c = fDataController;
  if (!c->HasRelations()) return;
  for (int r = 0; r < c->GetRecordCount(); ++r) {
    if (!c->IsDetailExpanded(r)) continue;
    auto* info = new TkcDetailKeyInfo();
    info->Key = c->GetRecordFieldsValue(r, fKeyFields);
    info->ActiveRelationIndex = c->GetDetailActiveRelationIndex(r);
    info->SubDetail = new TkcSaveObject();
    fKeyInfos.push_back(info);
    TkcCustomDataController* detail = c->GetDetailDataController(r, info->ActiveRelationIndex);
    if (detail && detail->ClassType()->InheritsFrom(c->ClassType())) info->SubDetail->Save(detail);
  }
}

void TkcDetailKeys::RestoreKeys() {
  TkcCustomDataController* c = fDataController;
  if (!c->HasRelations()) return;
  for (int r = 0; r < c->GetRecordCount(); ++r) {
    int pos = -1;
    if (!FindKey(r, pos)) continue;
    auto* info = static_cast<TkcDetailKeyInfo*>(Item(pos));
    c->SetDetailExpanded(r, true);
    c->SetDetailActiveRelationIndex(r, info->ActiveRelationIndex);
    TkcCustomDataController* detail = c->GetDetailDataController(r, info->ActiveRelationIndex);
    if (info->SubDetail && detail && detail->ClassType()->InheritsFrom(c->ClassType()))
      info->SubDetail->Restore(detail);
  }
}

void TkcSelectedKeys::SaveKeys() {
  TkcCustomDataController* c = fDataController;
  TkcDataSelection* selection = c->GetSelectionObject();
  for (int i = 0; i < selection->GetCount(); ++i) {
    const auto& e = selection->GetEntry(i);
    if (e.Level == -1 || e.RecordValue < 0 || e.RecordValue >= c->GetRecordCount()) continue;
    auto* info = new TkcSelectedKeyInfo();
    info->Key = c->GetRecordFieldsValue(e.RecordValue, fKeyFields);
    info->SelectedPosition = i;
    fKeyInfos.push_back(info);
  }
}

void TkcSelectedKeys::RestoreKeys() {
  TkcCustomDataController* c = fDataController;
  TkcDataSelection* selection = c->GetSelectionObject();
  if (selection->GetCount() == 0) return;
  // Found records take their entries; an info whose key several records share goes to the first.
  std::vector<std::uint8_t> used(fKeyInfos.size(), 0);
  std::vector<int> newRecord(static_cast<std::size_t>(selection->GetCount()), -1);
  for (int r = 0; r < c->GetRecordCount(); ++r) {
    int pos = -1;
    if (!FindKey(r, pos)) continue;
    // The first info of this key not taken yet (infos of one key are adjacent).
    const Variant& key = Item(pos)->Key;
    while (pos < Count() && used[static_cast<std::size_t>(pos)] && VariantsSame(Item(pos)->Key, key)) ++pos;
    if (pos >= Count() || used[static_cast<std::size_t>(pos)] || !VariantsSame(Item(pos)->Key, key)) continue;
    used[static_cast<std::size_t>(pos)] = 1;
    const int entry = static_cast<TkcSelectedKeyInfo*>(Item(pos))->SelectedPosition;
    if (entry >= 0 && entry < selection->GetCount()) newRecord[static_cast<std::size_t>(entry)] = r;
  }
  for (int i = 0; i < selection->GetCount(); ++i)
    if (selection->GetEntry(i).Level != -1) selection->SetEntryRecordValue(i, newRecord[static_cast<std::size_t>(i)]);
  selection->KeepEntries([](const TkcDataSelectionEntry& e) { return e.Level == -1 || e.RecordValue != -1; });
  c->DataControllerInfo()->ExpandingChanged();
}

void TkcSaveObject::Save(TkcCustomDataController* AController) {
  if (AController->IsDestroying() || !AController->IsKeyBased()) return;
  DetailKeys.Save(AController);
  SelectedKeys.Save(AController);
}

void TkcSaveObject::Restore(TkcCustomDataController* AController) {
  if (AController->IsDestroying()) return;
  if (AController->IsKeyBased()) {
    DetailKeys.Restore(AController);
    SelectedKeys.Restore(AController);
  } else {
    AController->DataControllerInfo()->ValidateSelection();
    AController->CheckBookmark(-1);
  }
}
