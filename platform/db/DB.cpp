// The dataset: cursor, editing, bookmarks, locate, filter view, control disabling; data sources
// and links.
#include "platform/db/DB.h"

#include "platform/core/Utf8.h"

#include <algorithm>

void DatabaseError(const String& Message, TComponent* Component) {
  if (Component && !Component->Name().empty()) throw EDatabaseError(Component->Name() + ": " + Message);
  throw EDatabaseError(Message);
}

void DatabaseErrorFmt(const String& Message, const std::vector<TVarRec>& Args, TComponent* Component) {
  DatabaseError(Format(Message, Args), Component);
}

// ---- Field definitions ----------------------------------------------------------------------

TFieldDef& TFieldDefs::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return *fItems[static_cast<size_t>(Index)];
}

TFieldDef& TFieldDefs::Add(const String& Name, TFieldType DataType, int Size, bool Required) {
  if (IndexOf(Name) >= 0) DatabaseErrorFmt("Duplicate field name '%s'", {Name});
  auto d = std::make_unique<TFieldDef>();
  d->Name = Name;
  d->DataType = DataType;
  d->Size = Size;
  d->Required = Required;
  d->FieldNo = Count() + 1;
  fItems.push_back(std::move(d));
  return *fItems.back();
}

int TFieldDefs::IndexOf(const String& Name) const {
  for (int i = 0; i < Count(); ++i)
    if (AnsiSameText(fItems[static_cast<size_t>(i)]->Name, Name)) return i;
  return -1;
}

TFieldDef* TFieldDefs::Find(const String& Name) const {
  int i = IndexOf(Name);
  return i < 0 ? nullptr : fItems[static_cast<size_t>(i)].get();
}

// ---- The field list ---------------------------------------------------------------------------

TField* TFields::Fields(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", {Index}));
  return fList[static_cast<size_t>(Index)];
}

TField* TFields::FindField(const String& Name) const {
  for (TField* f : fList)
    if (AnsiSameText(f->FieldName(), Name)) return f;
  return nullptr;
}

TField* TFields::FieldByName(const String& Name) const {
  TField* f = FindField(Name);
  if (!f) DatabaseErrorFmt("Field '%s' not found", {Name}, fDataSet);
  return f;
}

TField* TFields::FieldByNumber(int FieldNo) const {
  for (TField* f : fList)
    if (f->FieldNo() == FieldNo) return f;
  return nullptr;
}

int TFields::IndexOf(const TField* Field) const {
  auto it = std::find(fList.begin(), fList.end(), Field);
  return it == fList.end() ? -1 : static_cast<int>(it - fList.begin());
}

void TFields::Add(TField* Field) {
  fList.push_back(Field);
  ++fStamp;
}

void TFields::Remove(TField* Field) {
  auto it = std::find(fList.begin(), fList.end(), Field);
  if (it != fList.end()) fList.erase(it);
  ++fStamp;
}

void TFields::Clear() {
  std::vector<TField*> list;
  list.swap(fList);
  ++fStamp;
  for (TField* f : list) {
    f->fDataSet = nullptr;
    f->Free();
  }
}

// ---- Blob streams -----------------------------------------------------------------------------

TBlobStream::TBlobStream(TField* Field, TBlobStreamMode Mode) : fField(Field), fMode(Mode) {
  if (Mode != bmWrite) {
    String s = Field->AsString();
    WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
    SetPosition(0);
  }
}

TBlobStream::~TBlobStream() {
  if (fMode == bmRead) return;
  try {
    fField->SetAsString(String(static_cast<const char*>(Memory()), static_cast<size_t>(Size())));
  } catch (...) {
    // A destructor cannot report; the value stays as it was.
  }
}

// ---- The dataset ----------------------------------------------------------------------------

namespace {
// Restores a value on leaving a scope (also on failure).
template <class T>
struct Restore {
  T& ref;
  T saved;
  explicit Restore(T& r) : ref(r), saved(r) {}
  ~Restore() { ref = saved; }
};

std::vector<String> SplitNames(const String& Names) {
  std::vector<String> out;
  size_t start = 0;
  while (start <= Names.size()) {
    size_t end = Names.find(';', start);
    if (end == String::npos) end = Names.size();
    String n = Trim(Names.substr(start, end - start));
    if (!n.empty()) out.push_back(n);
    start = end + 1;
  }
  return out;
}
}  // namespace

TDataSet::TDataSet(TComponent* AOwner) : TComponent(AOwner) {}

TDataSet::~TDataSet() {
  std::vector<TDataSource*> sources = fDataSources;
  for (TDataSource* s : sources) s->SetDataSet(nullptr);
  // Fields owned elsewhere stay alive, unbound; the ones this dataset owns go now, while the
  // list they leave still exists.
  std::vector<TField*> fields;
  for (int i = 0; i < fFields.Count(); ++i) fields.push_back(fFields[i]);
  for (TField* f : fields) {
    // Out of the list first: freeing a field notifies this dataset, which walks the list.
    fFields.Remove(f);
    f->fDataSet = nullptr;
    if (f->Owner() == this) f->Free();
  }
  fAggFields.Clear();
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckCanModify() const {
  if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", const_cast<TDataSet*>(this));
}

void TDataSet::CheckEditing() const {
  if (fState != dsEdit && fState != dsInsert)
    DatabaseError("Dataset not in edit or insert mode", const_cast<TDataSet*>(this));
}

void TDataSet::SetState(TDataSetState Value) {
  if (fState == Value) return;
  fState = Value;
  DataEvent(deUpdateState, 0);
}

void TDataSet::SetActive(bool Value) {
  if (Value == Active()) return;
  if (Value) {
    if (BeforeOpen) BeforeOpen(this);
    try {
      fState = dsOpening;
      InternalInitFieldDefs();
      InternalOpen();
      if (fFields.Count() == 0) CreateFields();
      BindFields(true);
      fFilterView.clear();
      fFilterScanned = 0;
      fCur = EnsureView(1) ? 0 : -1;
      fActivePos = fCur;
      fBof = true;
      fEof = fCur < 0;
      fModified = false;
      fState = dsInactive;
    } catch (...) {
      fState = dsInactive;
      try {
        InternalClose();
      } catch (...) {}
      if (fDefaultFields) fFields.Clear();
      throw;
    }
    SetState(dsBrowse);
    if (AfterOpen) AfterOpen(this);
  } else {
    if (BeforeClose) BeforeClose(this);
    fEditValues.clear();
    fInsertPos = -1;
    InternalClose();
    BindFields(false);
    if (fDefaultFields) {
      fFields.Clear();
      fDefaultFields = false;
    }
    fFilterView.clear();
    fFilterScanned = 0;
    fCur = fActivePos = -1;
    fBof = fEof = true;
    SetState(dsInactive);
    if (AfterClose) AfterClose(this);
  }
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fFieldDefs.Count(); ++i) {
    const TFieldDef& d = fFieldDefs[i];
    TFieldClass cls = DefaultFieldClass(d.DataType);
    if (!cls) continue;
    TField* f = cls.Create(this);
    f->fFieldName = d.Name;
    f->fSize = d.Size;
    f->fRequired = d.Required;
    f->fReadOnly = d.ReadOnly;
    if (d.Precision > 0) {
      if (auto* ff = dynamic_cast<TFloatField*>(f)) ff->SetPrecision(d.Precision);
      if (auto* bf = dynamic_cast<TBCDField*>(f)) bf->SetPrecision(d.Precision);
      if (auto* mf = dynamic_cast<TFMTBCDField*>(f)) mf->SetPrecision(d.Precision);
    }
    f->fDataSet = this;
    fFields.Add(f);
  }
  fDefaultFields = true;
}

void TDataSet::BindFields(bool Binding) {
  for (int i = 0; i < fFields.Count(); ++i) {
    TField* f = fFields[i];
    f->fFieldNo = 0;
    if (!Binding || f->FieldKind() != fkData) continue;
    TFieldDef* d = fFieldDefs.Find(f->FieldName());
    if (!d) DatabaseErrorFmt("Field '%s' not found", {f->FieldName()}, this);
    f->fFieldNo = d->FieldNo;
  }
}

void TDataSet::GetFieldList(std::vector<TField*>& List, const String& FieldNames) const {
  for (const String& n : SplitNames(FieldNames)) List.push_back(FieldByName(n));
}

void TDataSet::GetFieldNames(TStrings* List) const {
  List->Clear();
  if (fFields.Count() > 0) {
    for (int i = 0; i < fFields.Count(); ++i) List->Add(fFields[i]->FieldName());
  } else {
    for (int i = 0; i < fFieldDefs.Count(); ++i) List->Add(fFieldDefs[i].Name);
  }
}

Variant TDataSet::FieldValues(const String& FieldNames) const {
  std::vector<TField*> list;
  GetFieldList(list, FieldNames);
  if (list.size() == 1) return list[0]->Value();
  std::vector<Variant> items;
  for (TField* f : list) items.push_back(f->Value());
  return Variant::MakeArray(std::move(items));
}

void TDataSet::SetFieldValues(const String& FieldNames, const Variant& Value) {
  std::vector<TField*> list;
  GetFieldList(list, FieldNames);
  if (list.size() == 1 && !Value.IsArray()) {
    list[0]->SetValue(Value);
    return;
  }
  for (size_t i = 0; i < list.size(); ++i) list[i]->SetValue(Value.GetItem(static_cast<int>(i)));
}

// ---- The view ---------------------------------------------------------------------------------

bool TDataSet::FilterActive() const { return fFiltered && (fFilterExpr || OnFilterRecord); }

bool TDataSet::Accepts(int Rec, FilterPass& Pass) const {
  Restore<int> r1(fFilterRec);
  auto* self = const_cast<TDataSet*>(this);
  Restore<TDataSetState> r2(self->fState);
  fFilterRec = Rec;
  self->fState = dsFilter;
  bool accept = true;
  if (fFilterExpr) accept = EvalFilter(Pass);
  if (accept && OnFilterRecord) OnFilterRecord(self, accept);
  return accept;
}

void TDataSet::RebuildFilterView() {
  fFilterView.clear();
  fFilterScanned = 0;
  if (FilterActive()) ExtendFilterView();
}

int TDataSet::ViewCount() const {
  if (!Active() && fState != dsOpening) return 0;
  int n;
  if (FilterActive()) {
    ExtendFilterView();
    n = static_cast<int>(fFilterView.size());
  } else {
    n = InternalRecordCount();
  }
  return fState == dsInsert ? n + 1 : n;
}

bool TDataSet::EnsureView(int Count) const {
  auto* self = const_cast<TDataSet*>(this);
  while (ViewCount() < Count)
    if (!self->InternalFetchMore()) return ViewCount() >= Count;
  return true;
}

void TDataSet::FetchAll() const {
  auto* self = const_cast<TDataSet*>(this);
  while (self->InternalFetchMore()) {}
}

int TDataSet::RecOfView(int Pos) const {
  if (fState == dsInsert) {
    if (Pos == fInsertPos) return -1;
    if (Pos > fInsertPos) --Pos;
  }
  if (FilterActive()) {
    ExtendFilterView();
    return Pos >= 0 && Pos < static_cast<int>(fFilterView.size()) ? fFilterView[static_cast<size_t>(Pos)] : -1;
  }
  return Pos;
}

int TDataSet::ViewOfRec(int Rec) const {
  if (Rec < 0) return -1;
  int pos = Rec;
  if (FilterActive()) {
    ExtendFilterView();
    auto it = std::lower_bound(fFilterView.begin(), fFilterView.end(), Rec);
    if (it == fFilterView.end() || *it != Rec) return -1;
    pos = static_cast<int>(it - fFilterView.begin());
  }
  if (fState == dsInsert && pos >= fInsertPos) ++pos;
  return pos;
}

// ---- Values -------------------------------------------------------------------------------------

Variant TDataSet::GetFieldValue(const TField* Field) const {
  if (Field->FieldKind() == fkLookup) {
    TDataSet* lds = Field->LookupDataSet();
    if (!lds || !lds->Active()) return Null();
    std::vector<TField*> keys;
    GetFieldList(keys, Field->KeyFields);
    Variant kv;
    if (keys.size() == 1) {
      kv = keys[0]->Value();
    } else {
      std::vector<Variant> items;
      for (TField* k : keys) items.push_back(k->Value());
      kv = Variant::MakeArray(std::move(items));
    }
    if (VarIsNull(kv)) return Null();
    return lds->Lookup(Field->LookupKeyFields, kv, Field->LookupResultField);
  }
  int no = Field->FieldNo();
  if (no <= 0) return Null();
  if (fFilterRec >= 0) return InternalGetValue(fFilterRec, no);
  if (!Active() || fActivePos < 0) return Null();
  if ((fState == dsEdit || fState == dsInsert) && fActivePos == fCur) {
    return static_cast<size_t>(no) <= fEditValues.size() ? fEditValues[static_cast<size_t>(no - 1)] : Null();
  }
  int rec = RecOfView(fActivePos);
  if (rec < 0 || rec >= InternalRecordCount()) return Null();
  return InternalGetValue(rec, no);
}

Variant TDataSet::ReadValueAt(int Pos, const TField* Field) const {
  auto* self = const_cast<TDataSet*>(this);
  Restore<int> r(self->fActivePos);
  self->fActivePos = Pos;
  return GetFieldValue(Field);
}

void TDataSet::SetFieldValue(TField* Field, const Variant& Value) {
  CheckEditing();
  if (Field->FieldNo() <= 0 || Field->ReadOnly())
    DatabaseErrorFmt("Field '%s' cannot be modified", {Field->DisplayName()}, this);
  fActivePos = fCur;
  size_t i = static_cast<size_t>(Field->FieldNo() - 1);
  if (i >= fEditValues.size()) fEditValues.resize(i + 1, Null());
  if (Field->OnValidate) {
    Variant old = fEditValues[i];
    fEditValues[i] = Value;
    try {
      Field->OnValidate(Field);
    } catch (...) {
      fEditValues[i] = old;
      throw;
    }
  } else {
    fEditValues[i] = Value;
  }
  fModified = true;
  if (Field->OnChange) Field->OnChange(Field);
  DataEvent(deFieldChange, reinterpret_cast<std::intptr_t>(Field));
}

// ---- The cursor -------------------------------------------------------------------------------

bool TDataSet::IsEmpty() const {
  if (!Active()) return true;
  return !EnsureView(1);
}

int TDataSet::RecordCount() const { return Active() ? ViewCount() : 0; }

int TDataSet::RecNo() const { return Active() && fCur >= 0 ? fCur + 1 : 0; }

void TDataSet::SetRecNo(int Value) {
  CheckBrowseMode();
  if (Value < 1) Value = 1;
  EnsureView(Value);
  if (Value > ViewCount()) Value = ViewCount();
  if (Value == RecNo() || Value < 1) return;
  MoveBy(Value - RecNo());
}

void TDataSet::MoveTo(int Pos, TDataEvent Event, std::intptr_t Info) {
  fCur = Pos;
  fActivePos = Pos;
  DataEvent(Event, Info);
}

void TDataSet::First() {
  CheckBrowseMode();
  DoScrollEvent(BeforeScroll);
  int pos = EnsureView(1) ? 0 : -1;
  fBof = true;
  fEof = pos < 0;
  MoveTo(pos, deDataSetChange, 0);
  DoScrollEvent(AfterScroll);
}

void TDataSet::Last() {
  CheckBrowseMode();
  DoScrollEvent(BeforeScroll);
  FetchAll();
  int pos = ViewCount() - 1;
  fEof = true;
  fBof = pos < 0;
  MoveTo(pos, deDataSetChange, 0);
  DoScrollEvent(AfterScroll);
}

int TDataSet::MoveBy(int Distance) {
  CheckBrowseMode();
  if (Distance == 0) return 0;
  DoScrollEvent(BeforeScroll);
  int target = fCur;
  if (fCur < 0) {
    fBof = fEof = true;
  } else if (Distance > 0) {
    fBof = false;
    std::int64_t want = static_cast<std::int64_t>(fCur) + Distance;
    int limit = static_cast<int>(std::min<std::int64_t>(want, INT32_MAX - 1));
    EnsureView(limit + 1);
    int n = ViewCount();
    if (want >= n) {
      target = n - 1;
      fEof = true;
    } else {
      target = static_cast<int>(want);
    }
  } else {
    fEof = false;
    std::int64_t want = static_cast<std::int64_t>(fCur) + Distance;
    if (want < 0) {
      target = 0;
      fBof = true;
    } else {
      target = static_cast<int>(want);
    }
  }
  int moved = fCur < 0 ? 0 : target - fCur;
  MoveTo(target, deDataSetScroll, moved);
  DoScrollEvent(AfterScroll);
  return moved;
}

// ---- Bookmarks ----------------------------------------------------------------------------------

bool TDataSet::BookmarkAvailable() const { return Active() && fCur >= 0 && fState != dsInsert; }

// The bookmark of the active record: the current one, or the row a data link reads.
String TDataSet::Bookmark() const {
  if (!BookmarkAvailable() || fActivePos < 0) return String();
  int rec = RecOfView(fActivePos);
  return rec < 0 ? String() : InternalGetBookmark(rec);
}

bool TDataSet::BookmarkValid(const String& Value) const {
  if (!Active() || Value.empty()) return false;
  int rec = InternalFindBookmark(Value);
  return rec >= 0 && ViewOfRec(rec) >= 0;
}

void TDataSet::GotoBookmark(const String& Value) {
  CheckBrowseMode();
  int rec = Value.empty() ? -1 : InternalFindBookmark(Value);
  int pos = ViewOfRec(rec);
  if (pos < 0) DatabaseError("Record not found", this);
  DoScrollEvent(BeforeScroll);
  fBof = fEof = false;
  MoveTo(pos, deDataSetChange, 0);
  DoScrollEvent(AfterScroll);
}

int TDataSet::CompareBookmarks(const String& Bookmark1, const String& Bookmark2) const {
  if (Bookmark1.empty() || Bookmark2.empty()) {
    if (Bookmark1.empty() && Bookmark2.empty()) return 0;
    return Bookmark1.empty() ? -1 : 1;
  }
  int a = InternalFindBookmark(Bookmark1), b = InternalFindBookmark(Bookmark2);
  if (a < 0 || b < 0) {
    // A bookmark of a deleted record: order by the texts, so that the answer is still a
    // consistent order.
    int c = CompareStr(Bookmark1, Bookmark2);
    return c < 0 ? -1 : c > 0 ? 1 : 0;
  }
  return a < b ? -1 : a > b ? 1 : 0;
}

// ---- Editing ----------------------------------------------------------------------------------

void TDataSet::DoOnNewRecord() {
  if (OnNewRecord) OnNewRecord(this);
}

void TDataSet::Edit() {
  if (fState == dsEdit || fState == dsInsert) return;
  CheckActive();
  CheckCanModify();
  if (IsEmpty()) {
    Insert();
    return;
  }
  if (BeforeEdit) BeforeEdit(this);
  fEditRec = RecOfView(fCur);
  fEditValues.assign(static_cast<size_t>(fFieldDefs.Count()), Null());
  for (int i = 0; i < fFieldDefs.Count(); ++i) fEditValues[static_cast<size_t>(i)] = InternalGetValue(fEditRec, i + 1);
  fActivePos = fCur;
  fModified = false;
  SetState(dsEdit);
  DataEvent(deRecordChange, 0);
  if (AfterEdit) AfterEdit(this);
}

void TDataSet::Insert() { StartInsert(false); }

void TDataSet::Append() { StartInsert(true); }

void TDataSet::StartInsert(bool atEnd) {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify();
  if (BeforeInsert) BeforeInsert(this);
  DoScrollEvent(BeforeScroll);
  if (atEnd) FetchAll();
  fInsertPos = atEnd ? ViewCount() : std::max(fCur, 0);
  fEditRec = -1;
  fEditValues.assign(static_cast<size_t>(fFieldDefs.Count()), Null());
  fCur = fActivePos = fInsertPos;
  fBof = false;
  fEof = atEnd;
  SetState(dsInsert);
  DoOnNewRecord();
  fModified = false;
  DataEvent(deDataSetChange, 0);
  if (AfterInsert) AfterInsert(this);
  DoScrollEvent(AfterScroll);
}

void TDataSet::UpdateRecord() {
  CheckEditing();
  DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
  CheckActive();
  CheckEditing();
  UpdateRecord();
  if (BeforePost) BeforePost(this);
  for (int i = 0; i < fFields.Count(); ++i) {
    TField* f = fFields[i];
    if (f->Required() && f->FieldKind() == fkData && f->FieldNo() > 0 && f->IsNull())
      DatabaseErrorFmt("Field '%s' must have a value", {f->DisplayName()}, this);
  }
  int rec;
  bool inserting = fState == dsInsert;
  if (inserting) {
    int before;
    int baseCount = ViewCount() - 1;
    if (fInsertPos >= baseCount) {
      before = InternalRecordCount();
    } else {
      Restore<TDataSetState> r(fState);
      fState = dsBrowse;
      before = RecOfView(fInsertPos);
    }
    rec = InternalPost(-1, before, fEditValues);
  } else {
    rec = InternalPost(fEditRec, -1, fEditValues);
  }
  int oldPos = fCur;
  fState = dsBrowse;  // the event goes out below, once the cursor is right
  fEditValues.clear();
  fInsertPos = fEditRec = -1;
  fModified = false;
  RebuildFilterView();
  int pos = ViewOfRec(rec);
  int n = ViewCount();
  if (pos < 0) pos = std::min(oldPos, n - 1);
  fCur = fActivePos = pos;
  fBof = fEof = false;
  if (n == 0) fBof = fEof = true;
  DataEvent(deUpdateState, 0);
  DataEvent(deDataSetChange, 0);
  if (AfterPost) AfterPost(this);
}

void TDataSet::InternalCancelEdit() {
  bool inserting = fState == dsInsert;
  int insertPos = fInsertPos;
  fState = dsBrowse;
  fEditValues.clear();
  fInsertPos = fEditRec = -1;
  fModified = false;
  if (inserting) {
    int n = ViewCount();
    fCur = std::min(insertPos, n - 1);
    fActivePos = fCur;
    fBof = fCur <= 0 && n == 0;
    fEof = n == 0 || insertPos >= n;
  }
  fActivePos = fCur;
}

void TDataSet::Cancel() {
  if (fState != dsEdit && fState != dsInsert) return;
  if (BeforeCancel) BeforeCancel(this);
  InternalCancelEdit();
  DataEvent(deUpdateState, 0);
  DataEvent(deDataSetChange, 0);
  if (AfterCancel) AfterCancel(this);
}

void TDataSet::Delete() {
  CheckActive();
  if (fState == dsInsert) {
    Cancel();
    return;
  }
  if (IsEmpty()) DatabaseError("Cannot perform this operation on an empty dataset", this);
  CheckCanModify();
  DataEvent(deCheckBrowseMode, 0);
  if (BeforeDelete) BeforeDelete(this);
  DoScrollEvent(BeforeScroll);
  int rec = fState == dsEdit ? fEditRec : RecOfView(fCur);
  InternalDelete(rec);
  bool wasEditing = fState == dsEdit;
  fState = dsBrowse;
  fEditValues.clear();
  fEditRec = -1;
  fModified = false;
  RebuildFilterView();
  int n = ViewCount();
  if (!EnsureView(fCur + 1)) n = ViewCount();
  n = ViewCount();
  fCur = fActivePos = std::min(fCur, n - 1);
  fBof = n == 0;
  fEof = n == 0;
  if (wasEditing) DataEvent(deUpdateState, 0);
  DataEvent(deDataSetChange, 0);
  if (AfterDelete) AfterDelete(this);
  DoScrollEvent(AfterScroll);
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(deCheckBrowseMode, 0);
  if (fState == dsEdit || fState == dsInsert) {
    UpdateRecord();
    if (fModified)
      Post();
    else
      Cancel();
  }
}

void TDataSet::AppendRecord(const std::vector<Variant>& Values) {
  Append();
  for (size_t i = 0; i < Values.size() && i < static_cast<size_t>(fFields.Count()); ++i)
    if (!Values[i].IsEmpty()) fFields[static_cast<int>(i)]->SetValue(Values[i]);
  Post();
}

void TDataSet::InsertRecord(const std::vector<Variant>& Values) {
  Insert();
  for (size_t i = 0; i < Values.size() && i < static_cast<size_t>(fFields.Count()); ++i)
    if (!Values[i].IsEmpty()) fFields[static_cast<int>(i)]->SetValue(Values[i]);
  Post();
}

int TDataSet::InternalPost(int, int, const std::vector<Variant>&) {
  DatabaseError("Cannot modify a read-only dataset", this);
}

void TDataSet::InternalDelete(int) { DatabaseError("Cannot modify a read-only dataset", this); }

void TDataSet::Refresh() {
  CheckBrowseMode();
  if (BeforeRefresh) BeforeRefresh(this);
  String bm = Bookmark();
  InternalRefresh();
  RebuildFilterView();
  int pos = bm.empty() ? -1 : ViewOfRec(InternalFindBookmark(bm));
  int n = EnsureView(1) ? ViewCount() : 0;
  if (pos < 0) pos = std::min(std::max(fCur, 0), n - 1);
  fCur = fActivePos = pos;
  fBof = fEof = n == 0;
  DataEvent(deDataSetChange, 0);
  if (AfterRefresh) AfterRefresh(this);
}

void TDataSet::Resync() {
  if (!Active()) return;
  RebuildFilterView();
  int n = EnsureView(std::max(fCur, 0) + 1) ? ViewCount() : ViewCount();
  fCur = fActivePos = std::min(std::max(fCur, n > 0 ? 0 : -1), n - 1);
  fBof = n == 0 || (fBof && fCur == 0);
  fEof = n == 0;
  DataEvent(deDataSetChange, 0);
}

// ---- Searching ------------------------------------------------------------------------------

bool TDataSet::KeyMatches(const Variant& Value, const Variant& Key, TLocateOptions Options) {
  if (VarIsClear(Key)) return VarIsClear(Value);
  if (VarIsClear(Value)) return false;
  if (Value.IsStr()) {
    String v = VarToStr(Value), k = VarToStr(Key);
    if (Options.Contains(loCaseInsensitive)) {
      v = Utf8UpperCase(v);
      k = Utf8UpperCase(k);
    }
    if (Options.Contains(loPartialKey)) return v.compare(0, k.size(), k) == 0;
    return v == k;
  }
  try {
    return VarSameValue(Value, Key);
  } catch (const EVariantError&) {
    return false;
  }
}

int TDataSet::LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                           std::vector<TField*>& Fields) const {
  GetFieldList(Fields, KeyFields);
  if (Fields.empty()) return -1;
  if (Fields.size() > 1 && (!KeyValues.IsArray() || KeyValues.ArrayCount() < static_cast<int>(Fields.size())))
    DatabaseError("Locate needs one value per key field", const_cast<TDataSet*>(this));
  if (!FilterActive()) {
    int rec = InternalLocate(Fields, KeyValues, Options);
    if (rec != -2) return ViewOfRec(rec);
  }
  for (int pos = 0; EnsureView(pos + 1); ++pos) {
    bool match = true;
    for (size_t i = 0; i < Fields.size() && match; ++i) {
      const Variant& key =
          Fields.size() == 1 && !KeyValues.IsArray() ? KeyValues : KeyValues.GetItem(static_cast<int>(i));
      match = KeyMatches(ReadValueAt(pos, Fields[i]), key, Options);
    }
    if (match) return pos;
  }
  return -1;
}

bool TDataSet::Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options) {
  CheckBrowseMode();
  std::vector<TField*> fields;
  int pos = LocateRecord(KeyFields, KeyValues, Options, fields);
  if (pos < 0) return false;
  DoScrollEvent(BeforeScroll);
  fBof = fEof = false;
  MoveTo(pos, deDataSetChange, 0);
  DoScrollEvent(AfterScroll);
  return true;
}

Variant TDataSet::Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields) {
  CheckActive();
  std::vector<TField*> fields;
  int pos = LocateRecord(KeyFields, KeyValues, {}, fields);
  if (pos < 0) return Null();
  std::vector<TField*> result;
  GetFieldList(result, ResultFields);
  if (result.size() == 1) return ReadValueAt(pos, result[0]);
  std::vector<Variant> items;
  for (TField* f : result) items.push_back(ReadValueAt(pos, f));
  return Variant::MakeArray(std::move(items));
}

// ---- Filters --------------------------------------------------------------------------------

void TDataSet::SetFilter(const String& Value) {
  auto expr = Trim(Value).empty() ? nullptr : ParseFilterText(Value);
  fFilterText = Value;
  fFilterExpr = expr;
  if (Active() && fFiltered) RefilterRecords();
}

void TDataSet::SetFiltered(bool Value) {
  if (fFiltered == Value) return;
  if (Active()) CheckBrowseMode();
  fFiltered = Value;
  if (Active()) RefilterRecords();
}

void TDataSet::SetFilterOptions(TFilterOptions Value) {
  if (fFilterOptions == Value) return;
  fFilterOptions = Value;
  if (Active() && fFiltered) RefilterRecords();
}

void TDataSet::RefilterRecords() {
  if (!Active()) return;
  CheckBrowseMode();
  RebuildFilterView();
  First();
}

// ---- Notifications ----------------------------------------------------------------------------

void TDataSet::DisableControls() {
  if (fDisableCount == 0) {
    fDisableState = fState;
    fEnableEvent = deDataSetChange;
    SendEvent(deDisabledStateChange, 1);
  }
  ++fDisableCount;
}

// The controls hear one change for whatever happened meanwhile, even when nothing did: a
// layout change when the fields may have been re-created (closed or re-laid out meanwhile).
void TDataSet::EnableControls() {
  if (fDisableCount == 0) return;
  if (--fDisableCount != 0) return;
  SendEvent(deDisabledStateChange, 0);
  if (fDisableState != fState) SendEvent(deUpdateState, 0);
  if (fDisableState != dsInactive && fState != dsInactive) SendEvent(fEnableEvent, 0);
  fEnableEvent = deDataSetChange;
}

void TDataSet::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (fDisableCount > 0) {
    switch (Event) {
      case deLayoutChange:
        fEnableEvent = deLayoutChange;
        SyncLinkWindows();
        return;
      case deFieldChange:
      case deRecordChange:
      case deDataSetChange:
      case deDataSetScroll: SyncLinkWindows(); return;
      case deUpdateState:
        if (fState == dsInactive) fEnableEvent = deLayoutChange;
        return;
      default: break;
    }
  }
  SendEvent(Event, Info);
}

// While the controls are disabled the links hear nothing, but their windows still follow the
// cursor, so that ActiveRecord stays a row of the window (a reader may save and restore it).
void TDataSet::SyncLinkWindows() {
  for (TDataSource* s : fDataSources)
    for (TDataLink* l : s->fLinks)
      if (l->fActive) l->UpdateRange();
}

void TDataSet::SendEvent(TDataEvent Event, std::intptr_t Info) {
  // A source may leave (or others come) while it hears the event: the others are called from a
  // copy, those that left are skipped. One source needs no copy (it is called once either way);
  // a cursor walk sends an event per record.
  if (fDataSources.size() == 1) {
    fDataSources.front()->DataEvent(Event, Info);
    return;
  }
  std::vector<TDataSource*> sources = fDataSources;
  for (TDataSource* s : sources)
    if (std::find(fDataSources.begin(), fDataSources.end(), s) != fDataSources.end()) s->DataEvent(Event, Info);
}

void TDataSet::AddDataSource(TDataSource* S) { fDataSources.push_back(S); }

void TDataSet::RemoveDataSource(TDataSource* S) {
  auto it = std::find(fDataSources.begin(), fDataSources.end(), S);
  if (it != fDataSources.end()) fDataSources.erase(it);
}

void TDataSet::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  for (int i = 0; i < fFields.Count(); ++i)
    if (fFields[i]->fLookupDataSet == AComponent) fFields[i]->fLookupDataSet = nullptr;
}

TStream* TDataSet::CreateBlobStream(TField* Field, TBlobStreamMode Mode) {
  if (Mode != bmRead) CheckEditing();
  return new TBlobStream(Field, Mode);
}

// ---- Data sources -----------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* AOwner) : TComponent(AOwner) {}

TDataSource::~TDataSource() {
  SetDataSet(nullptr);
  std::vector<TDataLink*> links = fLinks;
  for (TDataLink* l : links) l->SetDataSource(nullptr);
}

void TDataSource::SetDataSet(TDataSet* Value) {
  if (fDataSet == Value) return;
  if (fDataSet) {
    fDataSet->RemoveDataSource(this);
    fDataSet->RemoveFreeNotification(this);
  }
  fDataSet = Value;
  if (fDataSet) {
    fDataSet->AddDataSource(this);
    fDataSet->FreeNotification(this);
  }
  std::vector<TDataLink*> links = fLinks;
  for (TDataLink* l : links) l->UpdateState();
  if (OnStateChange) OnStateChange(this);
}

void TDataSource::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  std::vector<TDataLink*> links = fLinks;
  for (TDataLink* l : links) l->UpdateState();
}

void TDataSource::Edit() {
  if (AutoEdit && fDataSet && fDataSet->State() == dsBrowse) fDataSet->Edit();
}

void TDataSource::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fDataSet) {
    fDataSet = nullptr;
    std::vector<TDataLink*> links = fLinks;
    for (TDataLink* l : links) l->UpdateState();
  }
}

void TDataSource::DataEvent(TDataEvent Event, std::intptr_t Info) {
  switch (Event) {
    case deUpdateState:
      if (OnStateChange) OnStateChange(this);
      break;
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll:
    case deLayoutChange:
      if (OnDataChange) OnDataChange(this, Event == deFieldChange ? reinterpret_cast<TField*>(Info) : nullptr);
      break;
    case deUpdateRecord:
      if (OnUpdateData) OnUpdateData(this);
      break;
    default: break;
  }
  if (fLinks.size() == 1) {  // as in TDataSet::SendEvent: no copy for one
    fLinks.front()->DataEvent(Event, Info);
    return;
  }
  std::vector<TDataLink*> links = fLinks;
  for (TDataLink* l : links)
    if (std::find(fLinks.begin(), fLinks.end(), l) != fLinks.end()) l->DataEvent(Event, Info);
}

// ---- Data links ---------------------------------------------------------------------------------

TDataLink::TDataLink() = default;

TDataLink::~TDataLink() {
  if (fDataSource) {
    auto& v = fDataSource->fLinks;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
}

void TDataLink::SetDataSource(TDataSource* Value) {
  if (fDataSource == Value) return;
  if (fDataSource) {
    auto& v = fDataSource->fLinks;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  fDataSource = Value;
  if (fDataSource) fDataSource->fLinks.push_back(this);
  UpdateState();
}

void TDataLink::SetReadOnly(bool Value) {
  if (fReadOnly == Value) return;
  fReadOnly = Value;
  UpdateState();
}

void TDataLink::UpdateState() {
  TDataSet* ds = DataSet();
  bool active = fDataSource && fDataSource->Enabled() && ds && ds->Active();
  if (active != fActive) {
    fActive = active;
    fFirst = 0;
    if (active) UpdateRange();
    ActiveChanged();
  }
  bool editing = fActive && !fReadOnly && (ds->State() == dsEdit || ds->State() == dsInsert);
  if (editing != fEditing) {
    fEditing = editing;
    EditingChanged();
  }
}

int TDataLink::UpdateRange() {
  TDataSet* ds = DataSet();
  if (!ds || !ds->Active()) {
    fFirst = 0;
    return 0;
  }
  int old = fFirst;
  int cur = ds->fCur;
  if (cur < 0) {
    fFirst = 0;
  } else {
    if (cur < fFirst) fFirst = cur;
    if (cur >= fFirst + fBufferCount) fFirst = cur - fBufferCount + 1;
    // Keep the window full when records exist below it.
    ds->EnsureView(fFirst + fBufferCount);
    int count = ds->ViewCount();
    if (fFirst + fBufferCount > count) fFirst = std::max(0, std::min(fFirst, count - fBufferCount));
  }
  return fFirst - old;
}

int TDataLink::ActiveRecord() const {
  TDataSet* ds = DataSet();
  if (!fActive || !ds || ds->fActivePos < 0) return 0;
  return ds->fActivePos - fFirst;
}

void TDataLink::SetActiveRecord(int Value) {
  TDataSet* ds = DataSet();
  if (fActive && ds) ds->fActivePos = fFirst + Value;
}

void TDataLink::SetBufferCount(int Value) {
  fBufferCount = std::max(1, Value);
  if (fActive) UpdateRange();
}

int TDataLink::RecordCount() const {
  TDataSet* ds = DataSet();
  if (!fActive || !ds) return 0;
  return std::max(0, std::min(fBufferCount, ds->ViewCount() - fFirst));
}

bool TDataLink::Edit() {
  if (!fReadOnly && fDataSource) fDataSource->Edit();
  return fEditing;
}

void TDataLink::UpdateRecord() {
  fUpdating = true;
  try {
    UpdateData();
  } catch (...) {
    fUpdating = false;
    throw;
  }
  fUpdating = false;
}

void TDataLink::DataEvent(TDataEvent Event, std::intptr_t Info) {
  if (Event == deUpdateState) {
    UpdateState();
    return;
  }
  if (!fActive) return;
  switch (Event) {
    case deFieldChange:
    case deRecordChange:
      if (!fUpdating) RecordChanged(reinterpret_cast<TField*>(Info));
      break;
    case deDataSetChange:
      UpdateRange();
      DataSetChanged();
      break;
    case deLayoutChange:
      UpdateRange();
      LayoutChanged();
      break;
    case deDataSetScroll: DataSetScrolled(UpdateRange()); break;
    case deUpdateRecord: UpdateRecord(); break;
    case deCheckBrowseMode: CheckBrowseMode(); break;
    case deFocusControl: FocusControl(reinterpret_cast<TField**>(Info)); break;
    default: break;
  }
}
