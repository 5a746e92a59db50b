#include "controls/kcClasses.h"

#include <algorithm>
#include <unordered_set>

#include "platform/core/Math.h"
#include "platform/core/Utf8.h"

// ---- TkcComponent ---------------------------------------------------------------------------

TkcComponent::~TkcComponent() { ClearObjectLinks(this); }

void TkcComponent::Loaded() {
  inherited::Loaded();
  RefreshFakeComponentLinks();
}

void TkcComponent::BeforeDestruction() {
  if (!IsDestroying()) Destroying();
}

void TkcComponent::RefreshFakeComponentLinks() {
  if (!IsDesigning() || IsDestroying() || !Owner()) return;
  std::vector<TComponent*> list;
  CollectFakeComponentLinks(list);
  TComponent** links[3] = {&FakeComponentLink1, &FakeComponentLink2, &FakeComponentLink3};
  for (std::size_t i = 0; i < 3; ++i) *links[i] = i < list.size() ? list[i] : nullptr;
}

// ---- Lists ----------------------------------------------------------------------------------

void TkcObjectList::Clear() {
  for (int i = 0; i < Count(); ++i) FreeObject(Items(i));
  TList::Clear();
}

void TkcOpenList::SetItems(int Index, void* Item) {
  if (Index < 0) TList::Error("List index out of bounds (%d)", Index);
  if (Count() < Index + 1) SetCount(Index + 1);
  TList::SetItems(Index, Item);
}

// ---- Helpers --------------------------------------------------------------------------------

namespace {
// Reaches the protected owner query of any persistent.
struct OwnerQuery : TPersistent {
  static TPersistent* Of(TPersistent* p) { return (p->*(&OwnerQuery::GetOwner))(); }
};
bool IsAsciiIdentChar(unsigned char c) { return std::isalnum(c) || c == '_'; }
}  // namespace

TPersistent* GetPersistentOwner(TPersistent* APersistent) {
  return APersistent ? OwnerQuery::Of(APersistent) : nullptr;
}

int RangeMidpoint(int ABound1, int ABound2) {
  std::int64_t sum = std::int64_t(ABound1) + ABound2;
  return static_cast<int>(sum >= 0 ? sum / 2 : -((-sum + 1) / 2));
}

bool IsMemoryStreamEqual(TMemoryStream* AStream1, TMemoryStream* AStream2) {
  std::int64_t size = AStream1->Size();
  if (size != AStream2->Size()) return false;
  return size == 0 || std::memcmp(AStream1->Memory(), AStream2->Memory(), static_cast<std::size_t>(size)) == 0;
}

void RenameComponentsByPrefix(TComponent* AComponent, TComponent* AOwner, const String& ANewPrefix,
                              const String& AOldPrefix, int ACount, const TkcGetSubComponentFunc& AGetSubComponent) {
  if (AComponent->ComponentState().Contains(csAncestor)) return;
  for (int i = 0; i < ACount; ++i) {
    TComponent* sub = AGetSubComponent(AComponent, i);
    if (!sub || sub->Owner() != AOwner) continue;
    const String& name = sub->Name();
    if (name.size() <= AOldPrefix.size() || !SameText(name.substr(0, AOldPrefix.size()), AOldPrefix)) continue;
    try {
      sub->SetName(ANewPrefix + name.substr(AOldPrefix.size()));
    } catch (const EComponentError&) {
      // The old name stays when the new one is taken or invalid.
    }
  }
}

void GenerateUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                                 const String& AClassPrefix, const String& ABaseName, String& AName) {
  // The candidate without its number is the same for every attempt.
  String base;
  for (std::size_t pos = 0; pos < ABaseName.size(); pos = Utf8Next(ABaseName, pos)) {
    if (Utf8CharLen(ABaseName, pos) == 1 && IsAsciiIdentChar(static_cast<unsigned char>(ABaseName[pos])))
      base += ABaseName[pos];
  }
  if (base.empty() || std::isdigit(static_cast<unsigned char>(base[0]))) {
    String className = AComponent->ClassName();
    String classPart;
    if (className.size() >= AClassPrefix.size() && SameText(className.substr(0, AClassPrefix.size()), AClassPrefix))
      classPart = className.substr(AClassPrefix.size());
    else
      classPart = !className.empty() && (className[0] == 'T' || className[0] == 't') ? className.substr(1) : className;
    base = classPart + base;
  }
  if (AParentComponent) base = AParentComponent->Name() + base;
  // The names taken, upper-cased once, so that many equal bases stay linear.
  std::unordered_set<String> taken;
  if (AOwner)
    for (int i = 0; i < AOwner->ComponentCount(); ++i) {
      TComponent* c = AOwner->Components(i);
      if (c != AComponent) taken.insert(UpperCase(c->Name()));
    }
  for (int number = ABaseName.empty() ? 1 : 0;; ++number) {
    String candidate = number > 0 ? base + IntToStr(number) : base;
    if (!taken.count(UpperCase(candidate))) {
      AName = candidate;
      return;
    }
  }
}

// ---- TkcRegisteredClassList -----------------------------------------------------------------

TkcRegisteredClassList::~TkcRegisteredClassList() {
  for (auto* item : fItems) delete item;
}

bool TkcRegisteredClassList::Find(TClass AItemClass, int& Index) {
  for (int i = Count() - 1; i >= 0; --i) {
    TClass itemClass = fItems[i]->ItemClass;
    if (AItemClass->InheritsFrom(itemClass)) {
      Index = i;
      return true;
    }
    if (itemClass->InheritsFrom(AItemClass)) Index = i;
  }
  return false;
}

void TkcRegisteredClassList::AddPair(TClass AItemClass, TClass ARegisteredClass) {
  auto* item = new TkcRegisteredClassListItemData;
  item->ItemClass = AItemClass;
  item->RegisteredClass = ARegisteredClass;
  int index = -1;
  if (Find(AItemClass, index))
    fItems.insert(fItems.begin() + index + 1, item);
  else if (index != -1)
    fItems.insert(fItems.begin() + index, item);
  else
    fItems.push_back(item);
}

void TkcRegisteredClassList::RemovePairs(TClass AItemClass, TClass ARegisteredClass) {
  for (int i = Count() - 1; i >= 0; --i)
    if (fItems[i]->ItemClass == AItemClass && fItems[i]->RegisteredClass == ARegisteredClass) {
      delete fItems[i];
      fItems.erase(fItems.begin() + i);
    }
}

TClass TkcRegisteredClassList::FindRegisteredClass(TClass AItemClass) {
  int index = -1;
  return Find(AItemClass, index) ? fItems[index]->RegisteredClass : nullptr;
}

// ---- TkcRegisteredClasses -------------------------------------------------------------------

TkcRegisteredClasses::TkcRegisteredClasses(bool ARegisterWithStreaming)
    : fRegisterWithStreaming(ARegisterWithStreaming) {}

TkcRegisteredClasses::~TkcRegisteredClasses() { Clear(); }

int TkcRegisteredClasses::CompareItems(int Index1, int Index2) {
  return AnsiCompareText(GetItemDescription(Index1), GetItemDescription(Index2));
}

void TkcRegisteredClasses::Sort() {
  // Sort a permutation through CompareItems, then apply it.
  std::vector<int> order(fItems.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = static_cast<int>(i);
  std::stable_sort(order.begin(), order.end(), [this](int a, int b) { return CompareItems(a, b) < 0; });
  std::vector<Item> sorted;
  sorted.reserve(fItems.size());
  for (int i : order) sorted.push_back(fItems[i]);
  fItems = std::move(sorted);
}

void TkcRegisteredClasses::Register(TClass AClass, const String& ADescription) {
  for (const Item& item : fItems)
    if (item.Class == AClass) return;
  fItems.push_back({ADescription, AClass});
  if (fSorted) Sort();
  // Streaming has no class registry of its own here: classes are found by their TClass.
}

void TkcRegisteredClasses::Unregister(TClass AClass) {
  auto it = std::find_if(fItems.begin(), fItems.end(), [AClass](const Item& i) { return i.Class == AClass; });
  if (it != fItems.end()) fItems.erase(it);
}

void TkcRegisteredClasses::Clear() { fItems.clear(); }

TClass TkcRegisteredClasses::FindByClassName(const String& AName) const {
  for (const Item& item : fItems)
    if (AName == item.Class->ClassName()) return item.Class;
  return nullptr;
}

String TkcRegisteredClasses::GetItemDescription(int Index) const {
  const String& text = fItems.at(Index).Text;
  auto bar = text.find('|');
  return bar == String::npos ? text : text.substr(0, bar);
}

void TkcRegisteredClasses::SetSorted(bool Value) {
  if (fSorted == Value) return;
  fSorted = Value;
  if (fSorted) Sort();
}

// ---- TkcAutoWidthObject ---------------------------------------------------------------------

TkcAutoWidthObject::TkcAutoWidthObject(int ACount) { fItems.reserve(std::max(ACount, 0)); }

TkcAutoWidthObject::~TkcAutoWidthObject() {
  for (auto* item : fItems) delete item;
}

TkcAutoWidthItem* TkcAutoWidthObject::NewItem() {
  fItems.push_back(new TkcAutoWidthItem);
  return fItems.back();
}

std::int64_t TkcAutoWidthObject::Width() const {
  std::int64_t sum = 0;
  for (auto* item : fItems) sum += item->Width;
  return sum;
}

void TkcAutoWidthObject::Calculate() {
  // In 64 bits: the widths of a few wide items may sum beyond the int range.
  std::int64_t availRest = AvailableWidth;
  std::int64_t widthRest = Width();
  for (auto* item : fItems)
    if (item->Fixed) {
      item->AutoWidth = item->Width;
      availRest -= item->AutoWidth;
      widthRest -= item->Width;
    }
  bool finalPass = false;
  while (widthRest != 0) {
    std::int64_t avail = availRest, total = widthRest, offset = 0;
    bool pinned = false;
    for (auto* item : fItems) {
      if (item->AutoWidth != -1) continue;
      // The running shares add up to avail, so each lies within the int range avail came from.
      const std::int64_t share = MulDiv64(offset + item->Width, avail, total) - MulDiv64(offset, avail, total);
      if (finalPass) {
        item->AutoWidth = static_cast<int>(share);
      } else if (item->MinWidth >= share) {
        item->AutoWidth = item->MinWidth;
        availRest -= item->AutoWidth;
        widthRest -= item->Width;
        pinned = true;
      }
      offset += item->Width;
    }
    if (finalPass) break;
    if (!pinned) finalPass = true;
  }
  // Items whose widths sum to nothing get no share: they take their minimum, never -1.
  for (auto* item : fItems)
    if (item->AutoWidth == -1) item->AutoWidth = item->MinWidth;
}

// ---- Object links ---------------------------------------------------------------------------

namespace {
struct LinkController {
  TkcObjectLink* Head = nullptr;
  TkcObjectLink* Tail = nullptr;
};
LinkController* gLinkController = nullptr;
int gLinkUsage = 0;

void Unlink(TkcObjectLink* link) {
  (link->Prev ? link->Prev->Next : gLinkController->Head) = link->Next;
  (link->Next ? link->Next->Prev : gLinkController->Tail) = link->Prev;
  link->Prev = link->Next = nullptr;
}
}  // namespace

TkcObjectLink* AddObjectLink(TObject* AObject) {
  ++gLinkUsage;
  if (!gLinkController) gLinkController = new LinkController;
  auto* link = new TkcObjectLink;
  link->LinkTarget = AObject;
  link->Prev = gLinkController->Tail;
  (gLinkController->Tail ? gLinkController->Tail->Next : gLinkController->Head) = link;
  gLinkController->Tail = link;
  return link;
}

void RemoveObjectLink(TkcObjectLink* ALink) {
  if (!ALink) return;
  // Whatever its target (nil too): a link still in the list leaves it before it is freed.
  if (ALink->Prev || ALink->Next || gLinkController->Head == ALink) Unlink(ALink);
  delete ALink;
  if (--gLinkUsage == 0) {
    delete gLinkController;
    gLinkController = nullptr;
  }
}

void ClearObjectLinks(TObject* AObject) {
  if (!gLinkController) return;
  for (TkcObjectLink* link = gLinkController->Tail; link;) {
    TkcObjectLink* prev = link->Prev;
    if (link->LinkTarget == AObject) {
      link->LinkTarget = nullptr;
      Unlink(link);
    }
    link = prev;
  }
}

bool ObjectLinkControllerExists() { return gLinkController != nullptr; }

// ---- TkcFreeNotificator ---------------------------------------------------------------------

void TkcFreeNotificator::AddSender(TComponent* AComponent) {
  if (AComponent) AComponent->FreeNotification(this);
}

void TkcFreeNotificator::RemoveSender(TComponent* AComponent) {
  if (AComponent) AComponent->RemoveFreeNotification(this);
}

void TkcFreeNotificator::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && OnFreeNotification) OnFreeNotification(AComponent);
}

// ---- TkcMRUItems ----------------------------------------------------------------------------

void TkcMRUItems::Add(TkcMRUItem* AItem) {
  int index = IndexOf(AItem);
  if (index >= 0) {
    TkcMRUItem* found = fItems[index];
    fItems.erase(fItems.begin() + index);
    fItems.insert(fItems.begin(), found);
    delete AItem;
  } else {
    fItems.insert(fItems.begin(), AItem);
    DeleteSurplus();
  }
}

void TkcMRUItems::Delete(int Index) {
  TkcMRUItem* item = fItems.at(Index);
  fItems.erase(fItems.begin() + Index);
  delete item;
}

void TkcMRUItems::Clear() {
  while (!fItems.empty()) Delete(Count() - 1);
}

int TkcMRUItems::IndexOf(TkcMRUItem* AItem) const {
  for (int i = 0; i < Count(); ++i)
    if (fItems[i]->Equals(AItem)) return i;
  return -1;
}

void TkcMRUItems::SetMaxCount(int Value) {
  Value = std::max(Value, 0);
  if (fMaxCount == Value) return;
  fMaxCount = Value;
  DeleteSurplus();
}

void TkcMRUItems::DeleteSurplus() {
  if (fMaxCount == 0) return;
  while (Count() > fMaxCount) Delete(Count() - 1);
}
