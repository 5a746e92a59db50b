#include "editors-extended/kcDBLookupEdit.h"

#include <set>

#include "editors-extended/kcDBEdit.h"
#include "platform/core/Variants.h"

namespace {
const char* const kDefinedByLookupField = "Property already defined by lookup field";
const char* const kCircularDataLinks = "Circular datalinks are not allowed";
}  // namespace

// ---- Properties -----------------------------------------------------------------------------

TkcCustomDBLookupEditProperties::TkcCustomDBLookupEditProperties(TPersistent* AOwner)
    : TkcCustomLookupEditProperties(AOwner) {}

TkcCustomDBLookupEditProperties::~TkcCustomDBLookupEditProperties() {
  fBoundLookupField = nullptr;
  fFreeNotificator.reset();
  fLookupTextCache.reset();
  fLookupSource.reset();
}

void TkcCustomDBLookupEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomDBLookupEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    if (!IsDefinedByLookupField()) SetKeyFieldNames(source->KeyFieldNames());
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TkcCustomDBLookupEditProperties::ClearDefaultValuesProvider() {
  inherited::ClearDefaultValuesProvider();
  BeginUpdate();
  try {
    Changed();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TAlignment TkcCustomDBLookupEditProperties::GetDefaultHorzAlignment() {
  if (TField* field = GetListField()) return field->Alignment();
  return inherited::GetDefaultHorzAlignment();
}

TClass TkcCustomDBLookupEditProperties::GetContainerClass() { return TkcCustomDBLookupEdit::StaticClass(); }

void TkcCustomDBLookupEditProperties::Changed() {
  if (fLookupTextCache) fLookupTextCache->Clear();
  if (TkcDBDataController* dc = GetListDBDataController()) dc->DataModeController()->SetGridMode(IsGridMode());
  SyncLookupField();
  AddLookupResultColumn();
  inherited::Changed();
}

bool TkcCustomDBLookupEditProperties::IsProviderFormatUsed(bool AEditFocused) {
  // A lookup field's text is the field's own.
  return HasLookupField() || inherited::IsProviderFormatUsed(AEditFocused);
}

int TkcCustomDBLookupEditProperties::GetDefaultMaxLength() {
  if (TField* field = GetListField()) return field->Size();
  return inherited::GetDefaultMaxLength();
}

TClass TkcCustomDBLookupEditProperties::GetLookupDataClass() {
  return TkcCustomDBLookupEditLookupData::StaticClass();
}

int TkcCustomDBLookupEditProperties::FindRecordByText(int AItemIndex, const String& AText, bool APartial) {
  if (!IsGridMode()) return inherited::FindRecordByText(AItemIndex, AText, APartial);
  // Only a buffer of the list is loaded: the dataset finds the text.
  TkcDBDataController* dc = GetListDBDataController();
  if (!dc || AItemIndex == -1) return -1;
  int record = -1;
  BeginListNavigation();
  try {
    TDataSet* ds = dc->DataSet();
    if (ds && ds->Active()) {
      TLocateOptions options{loCaseInsensitive};
      if (APartial) options.Include(loPartialKey);
      if (ds->Locate(GetListColumnFieldName(AItemIndex), Variant(AText), options)) record = dc->GetFocusedRecordIndex();
    }
  } catch (const EVariantError&) {
    record = -1;
  } catch (const EDatabaseError&) {
    record = -1;
  } catch (...) {
    EndListNavigation();
    throw;
  }
  EndListNavigation();
  return record;
}

int TkcCustomDBLookupEditProperties::GetTextColumnIndex() {
  if (TField* field = GetLookupField(); field && !field->LookupResultField.empty())
    return IndexOfListColumn(field->LookupResultField);
  return inherited::GetTextColumnIndex();
}

void TkcCustomDBLookupEditProperties::GetKeyText(const Variant& AKey, String& AText) {
  AText.clear();
  TkcDBDataController* dc = GetListDBDataController();
  const int index = GetListIndex();
  if (index == -1 || !dc) return;
  if (!IsGridMode()) {
    const int record = FindRecordIndexByKey(AKey);
    if (record != -1) AText = dc->GetDisplayText(record, index);
    return;
  }
  // Painting many cells with the same keys must not move the dataset again for each.
  int position = 0;
  if (fLookupTextCache->Find(AKey, position)) {
    AText = fLookupTextCache->GetItem(position).DisplayText;
    return;
  }
  BeginListNavigation();
  try {
    TDataSet* ds = dc->DataSet();
    TField* field = GetListField();
    if (ds && ds->Active() && field && ds->Locate(KeyFieldNames(), AKey)) AText = field->AsString();
  } catch (const EVariantError&) {
    AText.clear();
  } catch (const EDatabaseError&) {
    AText.clear();
  } catch (...) {
    EndListNavigation();
    throw;
  }
  EndListNavigation();
  fLookupTextCache->Insert(position, AKey, AText);
}

bool TkcCustomDBLookupEditProperties::UsesIncrementalFiltering() {
  return !IsGridMode() && inherited::UsesIncrementalFiltering();
}

void TkcCustomDBLookupEditProperties::GetNullKey(Variant& AKey) {
  const std::size_t count = SplitFieldNames(KeyFieldNames()).size();
  if (count > 1)
    AKey = Variant::MakeArray(std::vector<Variant>(count, Null()));
  else
    AKey = Null();
}

bool TkcCustomDBLookupEditProperties::IsTextKey() {
  if (DropDownListStyle() != lsEditList) return false;
  const std::vector<String> names = SplitFieldNames(KeyFieldNames());
  TkcDBDataController* dc = GetListDBDataController();
  if (names.size() != 1 || !dc || !dc->DataSet()) return false;
  TField* field = dc->DataSet()->FindField(names[0]);
  return field && field == GetListField();
}

void TkcCustomDBLookupEditProperties::BeginListNavigation() {
  inherited::BeginListNavigation();
  if (!IsGridMode()) return;
  ++fGridModeNavigationCount;
  if (TkcDBDataController* dc = GetListDBDataController()) dc->BeginCursorNavigation();
}

void TkcCustomDBLookupEditProperties::EndListNavigation() {
  if (fGridModeNavigationCount > 0) {
    if (TkcDBDataController* dc = GetListDBDataController()) dc->EndCursorNavigation();
    --fGridModeNavigationCount;
  }
  inherited::EndListNavigation();
}

void TkcCustomDBLookupEditProperties::SetTextColumnIndex(int AIndex) {
  CheckNotDefinedByLookupField();
  inherited::SetTextColumnIndex(AIndex);
}

void TkcCustomDBLookupEditProperties::CheckNotDefinedByLookupField() {
  if (IsDefinedByLookupField() && !fSyncing) DatabaseError(kDefinedByLookupField);
}

void TkcCustomDBLookupEditProperties::SyncLookupField() {
  SetLookupField(GetLookupField());
  CheckCircularLink(GetListDataSource());
}

void TkcCustomDBLookupEditProperties::AddLookupResultColumn() {
  if (TField* field = GetLookupField(); field && !field->LookupResultField.empty())
    AddListColumn(field->LookupResultField);
}

TField* TkcCustomDBLookupEditProperties::GetBoundField() {
  auto* provider = dynamic_cast<TkcCustomDBEditDefaultValuesProvider*>(DefaultValuesProvider());
  return provider ? provider->Field() : nullptr;
}

TField* TkcCustomDBLookupEditProperties::GetLookupField() {
  TField* field = GetBoundField();
  // A field whose free notifications are running is only a component by now: ask it nothing more.
  if (!field || static_cast<TComponent*>(field)->ComponentState().Contains(csDestroying)) return nullptr;
  return field->Lookup() ? field : nullptr;
}

TField* TkcCustomDBLookupEditProperties::GetListField() {
  const int index = GetListIndex();
  return index == -1 ? nullptr : GetListColumnField(index);
}

int TkcCustomDBLookupEditProperties::FindRecordIndexByKey(const Variant& AKey) {
  TkcDBDataController* dc = GetListDBDataController();
  if (!dc) return -1;
  try {
    return dc->FindRecordIndexByKey(AKey);
  } catch (const EVariantError&) {
    return -1;
  }
}

void TkcCustomDBLookupEditProperties::SetLookupField(TField* AField) {
  if (AField == fBoundLookupField) return;
  if (fBoundLookupField && fFreeNotificator) fFreeNotificator->RemoveSender(fBoundLookupField);
  fBoundLookupField = AField;
  if (!AField) {
    // The list must not keep a source that goes with the field.
    if (fLookupSource && GetListDataSource() == fLookupSource.get()) SetListDataSource(nullptr);
    fLookupSource.reset();
    return;
  }
  if (!fLookupSource) fLookupSource = std::make_unique<TDataSource>(nullptr);
  if (!fFreeNotificator) {
    fFreeNotificator = std::make_unique<TkcFreeNotificator>(nullptr);
    fFreeNotificator->OnFreeNotification = [this](TComponent* Sender) { LookupFieldFreed(Sender); };
  }
  fFreeNotificator->AddSender(AField);
  fLookupSource->SetDataSet(AField->LookupDataSet());
  if (!GetListDBDataController()) return;
  fSyncing = true;
  try {
    SetListDataSource(fLookupSource.get());
    if (IndexOfListColumn(AField->LookupResultField) == -1) SetListFieldNames(AField->LookupResultField);
    SetKeyFieldNames(AField->LookupKeyFields);
    SetListFieldIndex(0);
  } catch (...) {
    fSyncing = false;
    throw;
  }
  fSyncing = false;
}

void TkcCustomDBLookupEditProperties::LookupFieldFreed(TComponent* Sender) {
  if (Sender != fBoundLookupField) return;
  // The notifier is in its own notification: it stays, only the field goes.
  fBoundLookupField = nullptr;
  if (fLookupSource && GetListDataSource() == fLookupSource.get()) SetListDataSource(nullptr);
  fLookupSource.reset();
}

void TkcCustomDBLookupEditProperties::CheckCircularLink(TDataSource* AListSource) {
  TField* field = GetBoundField();
  if (!field || !AListSource || !AListSource->DataSet()) return;
  TDataSet* list = AListSource->DataSet();
  // The edited dataset and its masters, each once (a master chain could loop).
  std::set<TDataSet*> seen;
  for (TDataSet* ds = field->DataSet(); ds && seen.insert(ds).second;) {
    if (ds == list) DatabaseError(kCircularDataLinks);
    TDataSource* master = ds->DataSource();
    ds = master ? master->DataSet() : nullptr;
  }
}

String TkcCustomDBLookupEditProperties::KeyFieldNames() {
  TkcDBDataController* dc = GetListDBDataController();
  return dc ? dc->KeyFieldNames() : String();
}

void TkcCustomDBLookupEditProperties::SetKeyFieldNames(const String& Value) {
  CheckNotDefinedByLookupField();
  if (TkcDBDataController* dc = GetListDBDataController()) dc->SetKeyFieldNames(Value);
}

String TkcCustomDBLookupEditProperties::ListFieldNames() {
  String names;
  for (int i = 0; i < GetListColumnCount(); ++i) {
    if (i > 0) names += ";";
    names += GetListColumnFieldName(i);
  }
  return names;
}

void TkcCustomDBLookupEditProperties::SetListFieldNames(const String& Value) {
  const String before = ListFieldNames();
  BeginListUpdate();
  try {
    SetListFieldNamesOfList(Value);
    AddLookupResultColumn();
    CheckTextColumnIndex();
  } catch (...) {
    EndListUpdate();
    throw;
  }
  EndListUpdate();
  if (ListFieldNames() != before) Changed();
}

TDataSource* TkcCustomDBLookupEditProperties::ListSource() {
  return IsDefinedByLookupField() ? nullptr : GetListDataSource();
}

void TkcCustomDBLookupEditProperties::SetListSource(TDataSource* Value) {
  CheckNotDefinedByLookupField();
  if (Value) CheckCircularLink(Value);
  SetListDataSource(Value);
  Changed();
}

void TkcCustomDBLookupEditProperties::SetGridMode(bool Value) {
  if (Value == IsGridMode()) return;
  if (Value)
    fLookupTextCache = std::make_unique<TkcLookupList>();
  else
    fLookupTextCache.reset();
  Changed();
}

// ---- Lookup data ----------------------------------------------------------------------------

void TkcCustomDBLookupEditLookupData::SetSelectedKeyFromRecord(int ARecordIndex) {
  TkcCustomDBLookupEditProperties* p = DBProperties();
  TkcDBDataController* dc = p->GetListDBDataController();
  if (ARecordIndex == -1 || !dc) {
    SetSelectedKey(Null());
    return;
  }
  try {
    SetSelectedKey(dc->GetRecordId(ARecordIndex));
  } catch (const EVariantError&) {
    SetSelectedKey(Null());
  }
}

void TkcCustomDBLookupEditLookupData::FocusSelectedKeyRecord() {
  TkcCustomDBLookupEditProperties* p = DBProperties();
  TkcDBDataController* dc = p->GetListDBDataController();
  if (!dc) return;
  p->BeginListNavigation();
  try {
    dc->LocateByKey(SelectedKey());
  } catch (const EVariantError&) {
  } catch (const EDatabaseError&) {
  } catch (...) {
    p->EndListNavigation();
    throw;
  }
  p->EndListNavigation();
}

// ---- Edit -----------------------------------------------------------------------------------

void TkcCustomDBLookupEdit::DoEditKeyPress(char32_t& Key) {
  // A character the list field does not take is not typed.
  if (Key >= 32)
    if (TField* field = ActiveProperties()->GetListField(); field && !field->IsValidChar(Key)) {
      Key = 0;
      return;
    }
  TkcCustomLookupEdit::DoEditKeyPress(Key);
}
