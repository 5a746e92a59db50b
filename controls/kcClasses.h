#pragma once
// The base of the component library: persistent objects that know their owner, components
// with design-time link slots, lists, naming helpers for sub-components, the two class
// registries, auto-width distribution, weak object links, the free notificator and
// most-recently-used lists.

#include <functional>
#include <vector>

#include "controls/kcLocalize.h"
#include "platform/core/Classes.h"
#include "platform/core/WinTypes.h"

// ---- Persistent and component -------------------------------------------------------------

class TkcInterfacedPersistent : public TInterfacedPersistent {
  VT_CLASS(TkcInterfacedPersistent, TInterfacedPersistent)
public:
  using TConstructorArgs = std::tuple<TPersistent*>;
  explicit TkcInterfacedPersistent(TPersistent* AOwner) : fOwner(AOwner) {}
  TPersistent* Owner() const { return fOwner; }

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  TPersistent* fOwner;
};

class TkcComponent : public TComponent {
  VT_CLASS(TkcComponent, TComponent)
public:
  explicit TkcComponent(TComponent* AOwner) : TComponent(AOwner) {}
  ~TkcComponent() override;

  bool IsDesigning() const { return ComponentState().Contains(csDesigning); }
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }
  void Loaded() override;
  void BeforeDestruction() override;

  TComponent* FakeComponentLink1 = nullptr;
  TComponent* FakeComponentLink2 = nullptr;
  TComponent* FakeComponentLink3 = nullptr;

protected:
  virtual void CollectFakeComponentLinks(std::vector<TComponent*>& /*AList*/) {}
  void RefreshFakeComponentLinks();
};

// A list of objects that it frees on Clear (in index order).
class TkcObjectList : public TList {
  VT_CLASS(TkcObjectList, TList)
public:
  ~TkcObjectList() override { Clear(); }
  void Clear() override;
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
};

// A list whose Items setter grows the list to reach the index (new slots are null).
class TkcOpenList : public TList {
  VT_CLASS(TkcOpenList, TList)
public:
  void* Items(int Index) const { return TList::Items(Index); }
  void SetItems(int Index, void* Item);
};

TPersistent* GetPersistentOwner(TPersistent* APersistent);
inline TSize MakeSize(int cx, int cy) { return TSize{cx, cy}; }
// The floor of (ABound1 + ABound2) / 2 for any signs.
int RangeMidpoint(int ABound1, int ABound2);
bool IsMemoryStreamEqual(TMemoryStream* AStream1, TMemoryStream* AStream2);

using TkcGetSubComponentFunc = std::function<TComponent*(TComponent* AComponent, int Index)>;
// Replaces AOldPrefix by ANewPrefix in the names of the sub-components owned by AOwner.
void RenameComponentsByPrefix(TComponent* AComponent, TComponent* AOwner, const String& ANewPrefix,
                              const String& AOldPrefix, int ACount, const TkcGetSubComponentFunc& AGetSubComponent);
// A name for a new sub-component, unique (case-insensitively) among AOwner's components.
void GenerateUniqueComponentName(TComponent* AOwner, TComponent* AParentComponent, TComponent* AComponent,
                                 const String& AClassPrefix, const String& ABaseName, String& AName);

// ---- Registered class lists -----------------------------------------------------------------

class TkcRegisteredClassListItemData : public TObject {
  VT_CLASS(TkcRegisteredClassListItemData, TObject)
public:
  TClass ItemClass = nullptr;
  TClass RegisteredClass = nullptr;
};

// Maps item classes to registered classes; a lookup finds the nearest registered ancestor.
class TkcRegisteredClassList : public TObject {
  VT_CLASS(TkcRegisteredClassList, TObject)
public:
  ~TkcRegisteredClassList() override;
  virtual bool Find(TClass AItemClass, int& Index);
  virtual void AddPair(TClass AItemClass, TClass ARegisteredClass);
  virtual void RemovePairs(TClass AItemClass, TClass ARegisteredClass);
  TClass FindRegisteredClass(TClass AItemClass);
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcRegisteredClassListItemData* Items(int Index) const { return fItems.at(Index); }

private:
  std::vector<TkcRegisteredClassListItemData*> fItems;
};

// Classes with "Name|Description" texts, optionally sorted by name.
class TkcRegisteredClasses : public TObject {
  VT_CLASS(TkcRegisteredClasses, TObject)
public:
  explicit TkcRegisteredClasses(bool ARegisterWithStreaming = false);
  ~TkcRegisteredClasses() override;
  virtual int CompareItems(int Index1, int Index2);
  virtual void Sort();
  void Register(TClass AClass, const String& ADescription);
  void Unregister(TClass AClass);
  void Clear();
  TClass FindByClassName(const String& AName) const;
  String GetItemDescription(int Index) const;
  int Count() const { return static_cast<int>(fItems.size()); }
  TClass Items(int Index) const { return fItems.at(Index).Class; }
  String Text(int Index) const { return fItems.at(Index).Text; }
  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  bool RegisterWithStreaming() const { return fRegisterWithStreaming; }

private:
  struct Item {
    String Text;
    TClass Class;
  };
  std::vector<Item> fItems;
  bool fSorted = false;
  bool fRegisterWithStreaming;
};

// ---- Auto width -----------------------------------------------------------------------------

class TkcAutoWidthItem : public TObject {
  VT_CLASS(TkcAutoWidthItem, TObject)
public:
  int Width = 0;
  int MinWidth = 0;
  bool Fixed = false;
  int AutoWidth = -1;
};

// Spreads AvailableWidth over the items, keeping fixed ones and never going below a minimum.
class TkcAutoWidthObject : public TObject {
  VT_CLASS(TkcAutoWidthObject, TObject)
public:
  explicit TkcAutoWidthObject(int ACount = 0);
  ~TkcAutoWidthObject() override;
  void Calculate();
  TkcAutoWidthItem* NewItem();
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcAutoWidthItem* ItemByIndex(int Index) const { return fItems.at(Index); }
  std::int64_t Width() const;  // the sum may exceed the int range
  int AvailableWidth = 0;

private:
  std::vector<TkcAutoWidthItem*> fItems;
};

// ---- Object links ---------------------------------------------------------------------------

// A weak reference: LinkTarget becomes null when the object is destroyed (its class calls
// ClearObjectLinks on destruction). Links live in an intrusive list, so removing one is O(1).
struct TkcObjectLink {
  TObject* LinkTarget = nullptr;
  TkcObjectLink* Prev = nullptr;
  TkcObjectLink* Next = nullptr;
};

TkcObjectLink* AddObjectLink(TObject* AObject);
void RemoveObjectLink(TkcObjectLink* ALink);
void ClearObjectLinks(TObject* AObject);
// Whether the link controller exists (it lives while links are outstanding).
bool ObjectLinkControllerExists();

// A link held for one scope (also left by an exception): Alive() tells whether the object is
// still there after code that may have freed it.
class TkcObjectLinkScope {
public:
  explicit TkcObjectLinkScope(TObject* AObject) : fLink(AddObjectLink(AObject)) {}
  ~TkcObjectLinkScope() { RemoveObjectLink(fLink); }
  TkcObjectLinkScope(const TkcObjectLinkScope&) = delete;
  TkcObjectLinkScope& operator=(const TkcObjectLinkScope&) = delete;
  bool Alive() const { return fLink->LinkTarget != nullptr; }

private:
  TkcObjectLink* fLink;
};

// Relays the free notifications of other components to an event.
class TkcFreeNotificator : public TComponent {
  VT_CLASS(TkcFreeNotificator, TComponent)
public:
  explicit TkcFreeNotificator(TComponent* AOwner) : TComponent(AOwner) {}
  void AddSender(TComponent* AComponent);
  void RemoveSender(TComponent* AComponent);
  TEvent<void(TComponent* Sender)> OnFreeNotification;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

// ---- Most recently used -----------------------------------------------------------------------

class TkcMRUItem : public TObject {
  VT_CLASS(TkcMRUItem, TObject)
public:
  virtual bool Equals(TkcMRUItem* AItem) = 0;
};

// Items newest first; MaxCount 0 means unlimited.
class TkcMRUItems : public TObject {
  VT_CLASS(TkcMRUItems, TObject)
public:
  TkcMRUItems() = default;
  ~TkcMRUItems() override { Clear(); }
  // Takes AItem: an equal item already present moves to the front and AItem is freed.
  void Add(TkcMRUItem* AItem);
  void Delete(int Index);
  void Clear();
  int IndexOf(TkcMRUItem* AItem) const;
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcMRUItem* Items(int Index) const { return fItems.at(Index); }
  int MaxCount() const { return fMaxCount; }
  void SetMaxCount(int Value);

private:
  void DeleteSurplus();
  std::vector<TkcMRUItem*> fItems;
  int fMaxCount = 0;
};
