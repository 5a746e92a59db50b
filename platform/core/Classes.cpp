#include "platform/core/Classes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <numeric>

namespace {

String FormatInt(const char* format, long long data) {
  char buf[256];
  std::snprintf(buf, sizeof buf, format, data);
  return buf;
}

const char* const kListIndexError = "List index out of bounds (%d)";
const char* const kListCapacityError = "List capacity out of bounds (%d)";
const char* const kListCountError = "List count out of bounds (%d)";
const char* const kSortedListError = "Operation not allowed on sorted list";
const char* const kDuplicateString = "String list does not allow duplicates";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Objects and interfaces

bool TObject::GetInterface(const TGUID&, void**) { return false; }

void TObject::Free() {
  BeforeDestruction();
  delete this;
}

String GUIDToString(const TGUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.D1, g.D2, g.D3, g.D4[0],
                g.D4[1], g.D4[2], g.D4[3], g.D4[4], g.D4[5], g.D4[6], g.D4[7]);
  return buf;
}

bool Supports(TObject* Instance, const TGUID& IID, void** Intf) {
  void* p = nullptr;
  bool ok = Instance && Instance->GetInterface(IID, &p);
  if (Intf) *Intf = ok ? p : nullptr;
  return ok;
}

bool Supports(IInterface* Instance, const TGUID& IID, void** Intf) {
  void* p = nullptr;
  bool ok = Instance && Instance->QueryInterface(IID, &p);
  if (Intf) *Intf = ok ? p : nullptr;
  return ok;
}

bool TInterfacedObject::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IInterface>(this, IID, Obj);
}

// ---------------------------------------------------------------------------------------------
// TList

TList::~TList() { fItems.clear(); }

void TList::Error(const char* Format, int Data) { throw EListError(FormatInt(Format, Data)); }

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error(kListIndexError, Index);
}

int TList::Add(void* Item) {
  fItems.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error(kListIndexError, Index);
  fItems.insert(fItems.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = fItems[Index];
  fItems.erase(fItems.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* Item) {
  int i = IndexOf(Item);
  if (i < 0) return nullptr;
  void* result = fItems[i];
  fItems.erase(fItems.begin() + i);
  Notify(result, lnExtracted);
  return result;
}

void TList::Clear() {
  SetCount(0);
  fItems.shrink_to_fit();
}

int TList::IndexOf(const void* Item) const {
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i] == Item) return static_cast<int>(i);
  return -1;
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = fItems[CurIndex];
  fItems.erase(fItems.begin() + CurIndex);
  fItems.insert(fItems.begin() + NewIndex, item);
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(fItems[Index1], fItems[Index2]);
}

void TList::Sort(const TListSortCompare& Compare) {
  std::stable_sort(fItems.begin(), fItems.end(), [&](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Pack() { fItems.erase(std::remove(fItems.begin(), fItems.end(), nullptr), fItems.end()); }

void* TList::First() const { return Items(0); }
void* TList::Last() const { return Items(Count() - 1); }

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return fItems[Index];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* old = fItems[Index];
  if (old == Item) return;
  fItems[Index] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) Error(kListCountError, NewCount);
  if (NewCount > Count()) {
    fItems.resize(NewCount, nullptr);
  } else {
    while (Count() > NewCount) Delete(Count() - 1);
  }
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error(kListCapacityError, NewCapacity);
  if (NewCapacity > Capacity()) {
    fItems.reserve(NewCapacity);
  } else {
    fItems.shrink_to_fit();
  }
}

void TList::Assign(const TList& Source) {
  Clear();
  for (void* p : Source.fItems) Add(p);
}

TObjectList::~TObjectList() { Clear(); }

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (fOwnsObjects && Action == lnDeleted) FreeObject(static_cast<TObject*>(Ptr));
  TList::Notify(Ptr, Action);
}

// ---------------------------------------------------------------------------------------------
// TInterfaceList

void TInterfaceList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(kListIndexError, Index);
}

int TInterfaceList::Add(IInterface* Item) {
  fItems.push_back(Item);
  return Count() - 1;
}

void TInterfaceList::Insert(int Index, IInterface* Item) {
  if (Index < 0 || Index > Count()) TList::Error(kListIndexError, Index);
  fItems.insert(fItems.begin() + Index, Item);
}

void TInterfaceList::Delete(int Index) {
  CheckIndex(Index);
  fItems.erase(fItems.begin() + Index);
}

int TInterfaceList::Remove(IInterface* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

int TInterfaceList::IndexOf(const IInterface* Item) const {
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i] == Item) return static_cast<int>(i);
  return -1;
}

void TInterfaceList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(fItems[Index1], fItems[Index2]);
}

IInterface* TInterfaceList::Items(int Index) const {
  CheckIndex(Index);
  return fItems[Index];
}

void TInterfaceList::SetItems(int Index, IInterface* Item) {
  CheckIndex(Index);
  fItems[Index] = Item;
}

// ---------------------------------------------------------------------------------------------
// Persistent objects

void TFiler::CallDefineProperties(TPersistent* Instance, TFiler* Filer) { Instance->DefineProperties(Filer); }

TBinaryPropertyFiler::TBinaryPropertyFiler(TPersistent* Instance) { CallDefineProperties(Instance, this); }

void TBinaryPropertyFiler::DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData,
                                                bool HasData) {
  fProperties.push_back({Name, std::move(ReadData), std::move(WriteData), HasData});
}

const TBinaryPropertyFiler::Property* TBinaryPropertyFiler::Find(const String& Name) const {
  for (const auto& p : fProperties)
    if (SameText(p.Name, Name)) return &p;
  return nullptr;
}

void TPersistent::Assign(TPersistent* Source) {
  if (Source)
    Source->AssignTo(this);
  else
    AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* Dest) { Dest->AssignError(this); }

void TPersistent::AssignError(TPersistent* Source) {
  String source = Source ? Source->ClassName() : "nil";
  throw EConvertError("Cannot assign a " + source + " to a " + ClassName());
}

String TPersistent::GetNamePath() { return ClassName(); }

bool TInterfacedPersistent::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IInterface>(this, IID, Obj);
}

// ---------------------------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* AOwner) {
  if (AOwner) AOwner->InsertComponent(this);
}

TComponent::~TComponent() {
  Destroying();
  RemoveFreeNotifications();
  DestroyComponents();
  if (fOwner) fOwner->RemoveComponent(this);
}

bool TComponent::GetInterface(const TGUID& IID, void** Obj) { return GetInterfaceOf<IInterface>(this, IID, Obj); }

TComponent* TComponent::Components(int Index) const {
  if (Index < 0 || Index >= ComponentCount()) TList::Error(kListIndexError, Index);
  return fComponents[Index];
}

int TComponent::ComponentIndex() const {
  if (!fOwner) return -1;
  const auto& list = fOwner->fComponents;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int Value) {
  if (!fOwner) return;
  int cur = ComponentIndex();
  auto& list = fOwner->fComponents;
  Value = std::clamp(Value, 0, static_cast<int>(list.size()) - 1);
  if (cur < 0 || cur == Value) return;
  list.erase(list.begin() + cur);
  list.insert(list.begin() + Value, this);
}

TComponent* TComponent::FindComponent(const String& AName) const {
  if (AName.empty()) return nullptr;
  for (TComponent* c : fComponents)
    if (SameText(c->fName, AName)) return c;
  return nullptr;
}

void TComponent::InsertComponent(TComponent* AComponent) {
  AComponent->ValidateContainer(this);
  ValidateRename(AComponent, String(), AComponent->fName);
  Insert(AComponent);
  if (fComponentState.Contains(csDesigning)) AComponent->SetDesigning(true);
  Notification(AComponent, opInsert);
}

void TComponent::RemoveComponent(TComponent* AComponent) {
  ValidateRename(AComponent, AComponent->fName, String());
  Notification(AComponent, opRemove);
  Remove(AComponent);
}

void TComponent::Insert(TComponent* AComponent) {
  fComponents.push_back(AComponent);
  AComponent->fOwner = this;
}

void TComponent::Remove(TComponent* AComponent) {
  // Searched from the end: components are freed last first.
  auto it = std::find(fComponents.rbegin(), fComponents.rend(), AComponent);
  if (it != fComponents.rend()) fComponents.erase(std::next(it).base());
  AComponent->fOwner = nullptr;
}

void TComponent::DestroyComponents() {
  while (!fComponents.empty()) {
    TComponent* instance = fComponents.back();
    if (instance->fComponentState.Contains(csFreeNotification))
      RemoveComponent(instance);
    else
      Remove(instance);
    instance->Free();
  }
}

void TComponent::Destroying() {
  if (fComponentState.Contains(csDestroying)) return;
  fComponentState.Include(csDestroying);
  for (TComponent* c : fComponents) c->Destroying();
}

void TComponent::BeforeDestruction() {
  if (!fComponentState.Contains(csDestroying)) Destroying();
}

void TComponent::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == opRemove && AComponent) RemoveFreeNotification(AComponent);
  // Owned components hear it too; a handler may free components, so the index is re-checked.
  int i = ComponentCount() - 1;
  while (i >= 0) {
    fComponents[i]->Notification(AComponent, Operation);
    --i;
    if (i >= ComponentCount()) i = ComponentCount() - 1;
  }
}

void TComponent::FreeNotification(TComponent* AComponent) {
  if (!AComponent || AComponent == this) return;
  // Components of the same owner hear of each other through the owner.
  if (!fOwner || AComponent->fOwner != fOwner) {
    if (std::find(fFreeNotifies.begin(), fFreeNotifies.end(), AComponent) == fFreeNotifies.end()) {
      fFreeNotifies.push_back(AComponent);
      AComponent->FreeNotification(this);
    }
  }
  fComponentState.Include(csFreeNotification);
}

void TComponent::RemoveNotification(TComponent* AComponent) {
  auto it = std::find(fFreeNotifies.begin(), fFreeNotifies.end(), AComponent);
  if (it != fFreeNotifies.end()) fFreeNotifies.erase(it);
}

void TComponent::RemoveFreeNotification(TComponent* AComponent) {
  RemoveNotification(AComponent);
  AComponent->RemoveNotification(this);
}

void TComponent::RemoveFreeNotifications() {
  while (!fFreeNotifies.empty()) {
    TComponent* other = fFreeNotifies.back();
    fFreeNotifies.pop_back();
    other->Notification(this, opRemove);
  }
}

void TComponent::ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName) {
  if (AComponent && !SameText(CurName, NewName) && !NewName.empty() && FindComponent(NewName))
    throw EComponentError("A component named " + NewName + " already exists");
}

void TComponent::SetName(const String& NewName) {
  if (fName == NewName) return;
  if (!NewName.empty() && !IsValidIdent(NewName))
    throw EComponentError("'" + NewName + "' is not a valid component name");
  if (fOwner)
    fOwner->ValidateRename(this, fName, NewName);
  else
    ValidateRename(nullptr, fName, NewName);
  ChangeName(NewName);
}

void TComponent::BeginLoading() {
  fComponentState.Include(csLoading);
  fComponentState.Include(csReading);
}

void TComponent::EndLoading() {
  fComponentState.Exclude(csReading);
  Loaded();
}

void TComponent::Loaded() { fComponentState.Exclude(csLoading); }

void TComponent::SetDesigning(bool Value, bool SetChildren) {
  if (Value)
    fComponentState.Include(csDesigning);
  else
    fComponentState.Exclude(csDesigning);
  if (SetChildren)
    for (TComponent* c : fComponents) c->SetDesigning(Value, true);
}

void TComponent::SetAncestor(bool Value) {
  if (Value)
    fComponentState.Include(csAncestor);
  else
    fComponentState.Exclude(csAncestor);
  for (TComponent* c : fComponents) c->SetAncestor(Value);
}

// ---------------------------------------------------------------------------------------------
// Collections

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() { SetCollection(nullptr); }

void TCollectionItem::SetCollection(TCollection* Value) {
  if (fCollection == Value) return;
  if (fCollection) fCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!fCollection) return -1;
  const auto& items = fCollection->fItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  int cur = Index();
  if (cur < 0 || cur == Value) return;
  auto& items = fCollection->fItems;
  if (Value < 0 || Value >= static_cast<int>(items.size())) TList::Error(kListIndexError, Value);
  items.erase(items.begin() + cur);
  items.insert(items.begin() + Value, this);
  Changed(true);
}

void TCollectionItem::Changed(bool AllItems) {
  if (fCollection && fCollection->fUpdateCount == 0) fCollection->Update(AllItems ? nullptr : this);
}

TPersistent* TCollectionItem::GetOwner() { return fCollection; }

String TCollectionItem::GetNamePath() {
  if (!fCollection) return ClassName();
  return fCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TCollection::TCollection(TCollectionItemClass ItemClass) : fItemClass(ItemClass) {}

TCollection::~TCollection() {
  fUpdateCount = 1;
  Clear();
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = fItemClass.Create(this);
  Added(item);
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  TCollectionItem* item = Add();
  item->SetIndex(Index);
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  Deleting(item);
  item->Free();
}

void TCollection::Clear() {
  if (fItems.empty()) return;
  BeginUpdate();
  while (!fItems.empty()) fItems.back()->Free();
  EndUpdate();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error(kListIndexError, Index);
  return fItems[Index];
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : fItems)
    if (item->fID == ID) return item;
  return nullptr;
}

void TCollection::EndUpdate() {
  if (fUpdateCount > 0) --fUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (fUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TCollection*>(Source)) {
    BeginUpdate();
    try {
      Clear();
      for (TCollectionItem* item : src->fItems) Add()->Assign(item);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

String TCollection::GetNamePath() {
  TPersistent* owner = GetOwner();
  return owner ? owner->GetNamePath() : String(ClassName());
}

void TCollection::Move(int CurIndex, int NewIndex) { Items(CurIndex)->SetIndex(NewIndex); }

void TCollection::InsertItem(TCollectionItem* Item) {
  fItems.push_back(Item);
  Item->fCollection = this;
  Item->fID = fNextID++;
  SetItemName(Item);
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  auto it = std::find(fItems.rbegin(), fItems.rend(), Item);
  if (it != fItems.rend()) fItems.erase(std::next(it).base());
  Item->fCollection = nullptr;
  Changed();
}

// ---------------------------------------------------------------------------------------------
// TStrings

void TStrings::Error(const char* Format, int Data) const { throw EStringListError(FormatInt(Format, Data)); }

int TStrings::Add(const String& S) {
  int result = GetCount();
  Insert(result, S);
  return result;
}

int TStrings::AddObject(const String& S, TObject* Obj) {
  int result = Add(S);
  PutObject(result, Obj);
  return result;
}

void TStrings::AddStrings(TStrings* Strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < Strings->Count(); ++i) AddObject(Strings->Get(i), Strings->GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::AddStrings(const std::vector<String>& Strings) {
  BeginUpdate();
  try {
    for (const auto& s : Strings) Add(s);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TStrings*>(Source)) {
    BeginUpdate();
    try {
      Clear();
      fNameValueSeparator = src->fNameValueSeparator;
      fDelimiter = src->fDelimiter;
      fQuoteChar = src->fQuoteChar;
      fStrictDelimiter = src->fStrictDelimiter;
      AddStrings(src);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::Put(int Index, const String& S) {
  TObject* obj = GetObject(Index);
  Delete(Index);
  InsertObject(Index, S, obj);
}

void TStrings::Exchange(int Index1, int Index2) {
  BeginUpdate();
  try {
    String s = Get(Index1);
    TObject* o = GetObject(Index1);
    Put(Index1, Get(Index2));
    PutObject(Index1, GetObject(Index2));
    Put(Index2, s);
    PutObject(Index2, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  BeginUpdate();
  try {
    String s = Get(CurIndex);
    TObject* o = GetObject(CurIndex);
    // Detached first, so that an owning list does not free the object being moved.
    PutObject(CurIndex, nullptr);
    Delete(CurIndex);
    InsertObject(NewIndex, s, o);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const String& S) const {
  for (int i = 0, n = GetCount(); i < n; ++i)
    if (CompareStrings(Get(i), S) == 0) return i;
  return -1;
}

int TStrings::IndexOfName(const String& Name) const {
  for (int i = 0, n = GetCount(); i < n; ++i) {
    String s = Get(i);
    auto p = s.find(fNameValueSeparator);
    if (p != String::npos && CompareStrings(s.substr(0, p), Name) == 0) return i;
  }
  return -1;
}

int TStrings::IndexOfObject(const TObject* Obj) const {
  for (int i = 0, n = GetCount(); i < n; ++i)
    if (GetObject(i) == Obj) return i;
  return -1;
}

void TStrings::InsertObject(int Index, const String& S, TObject* Obj) {
  Insert(Index, S);
  PutObject(Index, Obj);
}

bool TStrings::Equals(const TStrings* Strings) const {
  int n = GetCount();
  if (!Strings || n != Strings->GetCount()) return false;
  for (int i = 0; i < n; ++i)
    if (Get(i) != Strings->Get(i)) return false;
  return true;
}

String TStrings::Names(int Index) const {
  String s = Get(Index);
  auto p = s.find(fNameValueSeparator);
  return p == String::npos ? String() : s.substr(0, p);
}

String TStrings::Values(const String& Name) const {
  int i = IndexOfName(Name);
  return i >= 0 ? ValueFromIndex(i) : String();
}

void TStrings::SetValues(const String& Name, const String& Value) {
  int i = IndexOfName(Name);
  if (!Value.empty()) {
    if (i < 0) i = Add(String());
    Put(i, Name + fNameValueSeparator + Value);
  } else if (i >= 0) {
    Delete(i);
  }
}

String TStrings::ValueFromIndex(int Index) const {
  if (Index < 0) return String();
  String s = Get(Index);
  auto p = s.find(fNameValueSeparator);
  return p == String::npos ? String() : s.substr(p + 1);
}

void TStrings::SetValueFromIndex(int Index, const String& Value) {
  if (!Value.empty()) {
    if (Index < 0) Index = Add(String());
    Put(Index, Names(Index) + fNameValueSeparator + Value);
  } else if (Index >= 0) {
    Delete(Index);
  }
}

String TStrings::Text() const {
  String result;
  int n = GetCount();
  std::vector<String> lines;
  lines.reserve(n);
  std::size_t total = 0;
  for (int i = 0; i < n; ++i) {
    lines.push_back(Get(i));
    total += lines.back().size() + 2;
  }
  result.reserve(total);
  for (const auto& s : lines) {
    result += s;
    result += "\r\n";
  }
  return result;
}

void TStrings::SetText(const String& Value) {
  BeginUpdate();
  try {
    Clear();
    std::size_t p = 0, n = Value.size();
    while (p < n) {
      std::size_t start = p;
      while (p < n && Value[p] != '\r' && Value[p] != '\n') ++p;
      Add(Value.substr(start, p - start));
      if (p < n && Value[p] == '\r') ++p;
      if (p < n && Value[p] == '\n') ++p;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::DelimitedTextWith(char delimiter, char quote) const {
  int n = GetCount();
  if (n == 1 && Get(0).empty()) return String(2, quote);
  String result;
  for (int i = 0; i < n; ++i) {
    String s = Get(i);
    bool needsQuotes = false;
    for (char ch : s) {
      auto c = static_cast<unsigned char>(ch);
      if (ch == quote || ch == delimiter || c == 0 || (!fStrictDelimiter && c <= ' ')) {
        needsQuotes = true;
        break;
      }
    }
    if (needsQuotes) s = AnsiQuotedStr(s, quote);
    if (i > 0) result += delimiter;
    result += s;
  }
  return result;
}

void TStrings::SetDelimitedTextWith(const String& Value, char delimiter, char quote, bool strict) {
  auto isBlank = [](char ch) {
    auto c = static_cast<unsigned char>(ch);
    return c >= 1 && c <= ' ';
  };
  BeginUpdate();
  try {
    Clear();
    std::size_t p = 0, n = Value.size();
    auto skipBlanks = [&] {
      if (!strict)
        while (p < n && isBlank(Value[p])) ++p;
    };
    skipBlanks();
    while (p < n) {
      String s;
      if (Value[p] == quote) {
        s = AnsiExtractQuotedStr(Value, p, quote);
      } else {
        std::size_t start = p;
        while (p < n && Value[p] != delimiter && (strict || !isBlank(Value[p]))) ++p;
        s = Value.substr(start, p - start);
      }
      Add(s);
      skipBlanks();
      if (p < n && Value[p] == delimiter) {
        ++p;
        if (p == n) Add(String());
        skipBlanks();
      }
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TStrings::CommaText() const { return DelimitedTextWith(',', '"'); }
void TStrings::SetCommaText(const String& Value) { SetDelimitedTextWith(Value, ',', '"', false); }
String TStrings::DelimitedText() const { return DelimitedTextWith(fDelimiter, fQuoteChar); }
void TStrings::SetDelimitedText(const String& Value) {
  SetDelimitedTextWith(Value, fDelimiter, fQuoteChar, fStrictDelimiter);
}

std::vector<String> TStrings::ToVector() const {
  std::vector<String> v;
  int n = GetCount();
  v.reserve(n);
  for (int i = 0; i < n; ++i) v.push_back(Get(i));
  return v;
}

void TStrings::BeginUpdate() {
  if (fUpdateCount == 0) SetUpdateState(true);
  ++fUpdateCount;
}

void TStrings::EndUpdate() {
  if (fUpdateCount <= 0) return;
  if (--fUpdateCount == 0) SetUpdateState(false);
}

void TStrings::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TStrings::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

void TStrings::LoadFromStream(TStream* Stream) {
  std::int64_t size = Stream->Remaining();
  String text(static_cast<std::size_t>(std::max<std::int64_t>(size, 0)), '\0');
  Stream->ReadBuffer(text.data(), static_cast<std::int64_t>(text.size()));
  // A UTF-8 byte order mark is not part of the text.
  if (text.size() >= 3 && text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
  SetText(text);
}

void TStrings::SaveToStream(TStream* Stream) {
  String text = Text();
  Stream->WriteBuffer(text.data(), static_cast<std::int64_t>(text.size()));
}

int TStrings::CompareStrings(const String& S1, const String& S2) const { return AnsiCompareText(S1, S2); }

// ---------------------------------------------------------------------------------------------
// TStringList

TStringList::~TStringList() {
  OnChange = nullptr;
  OnChanging = nullptr;
  if (fOwnsObjects)
    for (auto& item : fList) FreeAndNil(item.Obj);
}

void TStringList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= GetCount()) Error(kListIndexError, Index);
}

void TStringList::Changed() {
  if (UpdateCount() == 0 && OnChange) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0 && OnChanging) OnChanging(this);
}

void TStringList::SetUpdateState(bool Updating) {
  fUpdating = Updating;
  if (Updating) {
    if (OnChanging) OnChanging(this);
  } else if (OnChange) {
    OnChange(this);
  }
}

int TStringList::Add(const String& S) { return AddObject(S, nullptr); }

int TStringList::AddObject(const String& S, TObject* Obj) {
  int index;
  if (!fSorted) {
    index = GetCount();
  } else if (Find(S, index)) {
    switch (fDuplicates) {
      case dupIgnore: return index;
      case dupError: throw EStringListError(kDuplicateString);
      case dupAccept: break;
    }
  }
  InsertItem(index, S, Obj);
  return index;
}

void TStringList::InsertItem(int Index, const String& S, TObject* Obj) {
  Changing();
  fList.insert(fList.begin() + Index, Item{S, Obj});
  Changed();
}

void TStringList::Insert(int Index, const String& S) {
  if (fSorted) throw EStringListError(kSortedListError);
  if (Index < 0 || Index > GetCount()) Error(kListIndexError, Index);
  InsertItem(Index, S, nullptr);
}

void TStringList::Clear() {
  if (fList.empty()) return;
  Changing();
  std::vector<Item> old;
  old.swap(fList);
  if (fOwnsObjects)
    for (auto& item : old) FreeAndNil(item.Obj);
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  Changing();
  TObject* obj = fList[Index].Obj;
  fList.erase(fList.begin() + Index);
  if (fOwnsObjects) FreeObject(obj);
  Changed();
}

void TStringList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  Changing();
  std::swap(fList[Index1], fList[Index2]);
  Changed();
}

bool TStringList::Find(const String& S, int& Index) const {
  // The first of equal entries, so that duplicates are found and added in a stable place.
  int lo = 0, hi = GetCount();
  while (lo < hi) {
    int mid = lo + (hi - lo) / 2;
    if (CompareStrings(fList[mid].S, S) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  Index = lo;
  return lo < GetCount() && CompareStrings(fList[lo].S, S) == 0;
}

int TStringList::IndexOf(const String& S) const {
  if (!fSorted) return TStrings::IndexOf(S);
  int index;
  return Find(S, index) ? index : -1;
}

void TStringList::Sort() {
  CustomSort([](TStringList* list, int a, int b) { return list->CompareStrings(list->fList[a].S, list->fList[b].S); });
}

void TStringList::CustomSort(const TStringListSortCompare& Compare) {
  if (fSorted || GetCount() <= 1) return;
  Changing();
  // The comparer sees the list unchanged while the order is worked out.
  std::vector<int> order(fList.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return Compare(this, a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(fList.size());
  for (int i : order) sorted.push_back(std::move(fList[i]));
  fList.swap(sorted);
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (fSorted == Value) return;
  if (Value) Sort();
  fSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (fCaseSensitive == Value) return;
  fCaseSensitive = Value;
  // A sorted list is sorted again for the new comparison, or Find would miss entries.
  if (fSorted) {
    fSorted = false;
    Sort();
    fSorted = true;
  }
}

String TStringList::Get(int Index) const {
  CheckIndex(Index);
  return fList[Index].S;
}

void TStringList::Put(int Index, const String& S) {
  if (fSorted) throw EStringListError(kSortedListError);
  CheckIndex(Index);
  Changing();
  fList[Index].S = S;
  Changed();
}

TObject* TStringList::GetObject(int Index) const {
  CheckIndex(Index);
  return fList[Index].Obj;
}

void TStringList::PutObject(int Index, TObject* Obj) {
  CheckIndex(Index);
  Changing();
  fList[Index].Obj = Obj;
  Changed();
}

void TStringList::DoSetCapacity(int NewCapacity) {
  if (NewCapacity < GetCount()) Error(kListCapacityError, NewCapacity);
  fList.reserve(NewCapacity);
}

int TStringList::CompareStrings(const String& S1, const String& S2) const {
  return fCaseSensitive ? AnsiCompareStr(S1, S2) : AnsiCompareText(S1, S2);
}

// ---------------------------------------------------------------------------------------------
// Streams

namespace {
[[noreturn]] void ReadError() { throw EReadError("Stream read error"); }
[[noreturn]] void WriteError() { throw EWriteError("Stream write error"); }
}  // namespace

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soCurrent);
  std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(std::int64_t) {}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  if (Count < 0) ReadError();
  if (Count != 0 && Read(Buffer, Count) != Count) ReadError();
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  if (Count < 0) WriteError();
  if (Count != 0 && Write(Buffer, Count) != Count) WriteError();
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count) {
  if (Count <= 0) {
    Source->SetPosition(0);
    Count = Source->Size();
  }
  std::int64_t left = Count;
  std::vector<unsigned char> buffer(static_cast<std::size_t>(std::min<std::int64_t>(left, 1 << 16)));
  while (left > 0) {
    auto n = std::min<std::int64_t>(left, static_cast<std::int64_t>(buffer.size()));
    Source->ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return Count;
}

std::int32_t TStream::ReadLength(std::int64_t ItemSize) {
  std::int32_t length = ReadInt32();
  // Checked against what is left, so that a damaged length never allocates hugely.
  if (length < 0 || static_cast<std::int64_t>(length) * ItemSize > Remaining()) ReadError();
  return length;
}

String TStream::ReadAnsiString() {
  std::int32_t length = ReadLength(1);
  String s(static_cast<std::size_t>(length), '\0');
  ReadBuffer(s.data(), length);
  return s;
}

WideString TStream::ReadWideString() {
  std::int32_t length = ReadLength(2);
  std::vector<unsigned char> bytes(static_cast<std::size_t>(length) * 2);
  ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  WideString s(static_cast<std::size_t>(length), u'\0');
  for (std::int32_t i = 0; i < length; ++i) s[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  return s;
}

void TStream::WriteAnsiString(const String& s) {
  if (s.size() > static_cast<std::size_t>(INT32_MAX)) WriteError();
  WriteInt32(static_cast<std::int32_t>(s.size()));
  WriteBuffer(s.data(), static_cast<std::int64_t>(s.size()));
}

void TStream::WriteWideString(const WideString& s) {
  if (s.size() > static_cast<std::size_t>(INT32_MAX / 2)) WriteError();
  std::vector<unsigned char> bytes(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    bytes[2 * i] = static_cast<unsigned char>(s[i] & 0xFF);
    bytes[2 * i + 1] = static_cast<unsigned char>(s[i] >> 8);
  }
  WriteInt32(static_cast<std::int32_t>(s.size()));
  WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

namespace {
std::int64_t SeekTarget(std::int64_t pos, std::int64_t size, std::int64_t offset, TSeekOrigin origin) {
  switch (origin) {
    case soBeginning: return offset;
    case soCurrent: return pos + offset;
    case soEnd: return size + offset;
  }
  return pos;
}

// Reading and writing at a position of a byte buffer (a vector or a string) that grows on write.
template <class Buffer>
std::int64_t BufferRead(const Buffer& data, std::int64_t& pos, void* out, std::int64_t count) {
  auto size = static_cast<std::int64_t>(data.size());
  if (count <= 0 || pos < 0 || pos >= size) return 0;
  std::int64_t n = std::min(count, size - pos);
  std::memcpy(out, data.data() + pos, static_cast<std::size_t>(n));
  pos += n;
  return n;
}

template <class Buffer>
std::int64_t BufferWrite(Buffer& data, std::int64_t& pos, const void* in, std::int64_t count) {
  if (count <= 0 || pos < 0) return 0;
  std::int64_t end = pos + count;
  if (end > static_cast<std::int64_t>(data.size())) data.resize(static_cast<std::size_t>(end));
  std::memcpy(data.data() + pos, in, static_cast<std::size_t>(count));
  pos = end;
  return count;
}

template <class Buffer>
void BufferSetSize(Buffer& data, std::int64_t& pos, std::int64_t newSize) {
  if (newSize < 0) newSize = 0;
  data.resize(static_cast<std::size_t>(newSize));
  if (pos > newSize) pos = newSize;
}
}  // namespace

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  return BufferRead(fData, fPosition, Buffer, Count);
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  return BufferWrite(fData, fPosition, Buffer, Count);
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  fPosition = SeekTarget(fPosition, Size(), Offset, Origin);
  return fPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) { BufferSetSize(fData, fPosition, NewSize); }

void TMemoryStream::Clear() {
  fData.clear();
  fData.shrink_to_fit();
  fPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream) {
  Stream->SetPosition(0);
  std::int64_t count = Stream->Size();
  SetSize(count);
  if (count != 0) Stream->ReadBuffer(fData.data(), count);
}

void TMemoryStream::LoadFromFile(const String& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TMemoryStream::SaveToStream(TStream* Stream) {
  if (!fData.empty()) Stream->WriteBuffer(fData.data(), Size());
}

void TMemoryStream::SaveToFile(const String& FileName) {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(&stream);
}

bool IsMemoryStreamEqual(const TMemoryStream* AStream1, const TMemoryStream* AStream2) {
  if (!AStream1 || !AStream2) return AStream1 == AStream2;
  auto* a = const_cast<TMemoryStream*>(AStream1);
  auto* b = const_cast<TMemoryStream*>(AStream2);
  std::int64_t size = a->Size();
  return size == b->Size() && (size == 0 || std::memcmp(a->Memory(), b->Memory(), static_cast<std::size_t>(size)) == 0);
}

TFileStream::TFileStream(const String& FileName, std::uint16_t Mode, unsigned Rights) : fFileName(FileName) {
  bool create = (Mode & fmCreate) == fmCreate;
  int flags = O_CLOEXEC;
  if (create) {
    flags |= O_RDWR | O_CREAT | O_TRUNC;
  } else {
    switch (Mode & 3) {
      case fmOpenWrite: flags |= O_WRONLY; break;
      case fmOpenReadWrite: flags |= O_RDWR; break;
      default: flags |= O_RDONLY; break;
    }
  }
  fHandle = ::open(FileName.c_str(), flags, static_cast<mode_t>(Rights));
  int err = errno;
  if (fHandle >= 0) {
    struct stat st {};
    if (::fstat(fHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
      ::close(fHandle);
      fHandle = -1;
      err = EISDIR;
    }
  }
  if (fHandle < 0) {
    String reason = std::strerror(err);
    if (create) throw EFCreateError("Cannot create file \"" + FileName + "\". " + reason);
    throw EFOpenError("Cannot open file \"" + FileName + "\". " + reason);
  }
}

TFileStream::~TFileStream() {
  if (fHandle >= 0) ::close(fHandle);
}

std::int64_t TFileStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  auto* p = static_cast<unsigned char*>(Buffer);
  while (done < Count) {
    ssize_t n = ::read(fHandle, p + done, static_cast<std::size_t>(std::min<std::int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Write(const void* Buffer, std::int64_t Count) {
  std::int64_t done = 0;
  auto* p = static_cast<const unsigned char*>(Buffer);
  while (done < Count) {
    ssize_t n = ::write(fHandle, p + done, static_cast<std::size_t>(std::min<std::int64_t>(Count - done, 1 << 30)));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += n;
  }
  return done;
}

std::int64_t TFileStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soCurrent ? SEEK_CUR : Origin == soEnd ? SEEK_END : SEEK_SET;
  return ::lseek(fHandle, static_cast<off_t>(Offset), whence);
}

void TFileStream::SetSize(std::int64_t NewSize) {
  std::int64_t pos = Position();
  if (::ftruncate(fHandle, static_cast<off_t>(NewSize)) != 0) throw EStreamError("Error setting stream size");
  if (pos > NewSize) Seek(NewSize, soBeginning);
}

std::int64_t TStringStream::Read(void* Buffer, std::int64_t Count) {
  return BufferRead(fData, fPosition, Buffer, Count);
}

std::int64_t TStringStream::Write(const void* Buffer, std::int64_t Count) {
  return BufferWrite(fData, fPosition, Buffer, Count);
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  fPosition = SeekTarget(fPosition, Size(), Offset, Origin);
  return fPosition;
}

void TStringStream::SetSize(std::int64_t NewSize) { BufferSetSize(fData, fPosition, NewSize); }

String TStringStream::ReadString(std::int64_t Count) {
  String s(static_cast<std::size_t>(std::clamp<std::int64_t>(std::min(Count, Remaining()), 0, INT64_MAX)), '\0');
  s.resize(static_cast<std::size_t>(Read(s.data(), static_cast<std::int64_t>(s.size()))));
  return s;
}
