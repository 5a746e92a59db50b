#pragma once
// The object model the component code is written against: class references with virtual
// constructors, interfaces by GUID, events with identity, sets of enums, persistent objects,
// components in an ownership tree, collections, lists, string lists and byte streams.

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <string>
#include <tuple>
#include <type_traits>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/core/SysUtils.h"

class TObject;
class TPersistent;
class TComponent;
class TCollection;
class TCollectionItem;
class TStream;
class TFiler;

VT_DECLARE_EXCEPTION(EComponentError, Exception);
VT_DECLARE_EXCEPTION(EStringListError, EListError);
VT_DECLARE_EXCEPTION(EIntfCastError, Exception);

// ---------------------------------------------------------------------------------------------
// Class references

class TClassInfo;
using TClass = const TClassInfo*;

// What the program knows about a class at run time: its name, its parent and the constructors
// that can be called through a class reference ("virtual constructors").
class TClassInfo {
public:
  TClassInfo(const char* name, TClass parent) : fName(name), fParent(parent) {}
  TClassInfo(const TClassInfo&) = delete;
  TClassInfo& operator=(const TClassInfo&) = delete;

  const char* ClassName() const { return fName; }
  TClass ClassParent() const { return fParent; }
  // True for this class and every descendant of AClass.
  bool InheritsFrom(TClass AClass) const {
    for (TClass c = this; c; c = c->fParent)
      if (c == AClass) return true;
    return false;
  }

  // Constructors by signature; the class macro registers (), (TComponent*) and (TCollection*)
  // when the class has them, plus the one named by a `TConstructorArgs` tuple typedef.
  template <class... Args>
  bool HasConstructor() const { return FindFactory<Args...>() != nullptr; }
  template <class... Args>
  TObject* CreateInstance(Args... args) const {
    auto f = FindFactory<Args...>();
    if (!f) throw EAbstractError(std::string("Cannot create an instance of ") + fName);
    return f(std::forward<Args>(args)...);
  }

  template <class T, class... Args>
  void AddConstructor() {
    TObject* (*f)(Args...) = [](Args... a) -> TObject* { return new T(std::forward<Args>(a)...); };
    fFactories.push_back({&typeid(TObject * (Args...)), reinterpret_cast<void (*)()>(f)});
  }

private:
  template <class... Args>
  auto FindFactory() const -> TObject* (*)(Args...) {
    const std::type_info& sig = typeid(TObject * (Args...));
    for (const auto& e : fFactories)
      if (*e.signature == sig) return reinterpret_cast<TObject* (*)(Args...)>(e.fn);
    return nullptr;
  }
  struct Factory {
    const std::type_info* signature;
    void (*fn)();
  };
  const char* fName;
  TClass fParent;
  std::vector<Factory> fFactories;
};

namespace vt_detail {
template <class T, class Tuple>
struct CtorFromTuple;
template <class T, class... A>
struct CtorFromTuple<T, std::tuple<A...>> {
  static void Add(TClassInfo& info) {
    if constexpr (std::is_constructible_v<T, A...>) info.AddConstructor<T, A...>();
  }
};
template <class T>
concept HasCtorArgs = requires { typename T::TConstructorArgs; };

template <class T>
void RegisterConstructors(TClassInfo& info) {
  if constexpr (!std::is_abstract_v<T>) {
    if constexpr (std::is_constructible_v<T>) info.AddConstructor<T>();
    if constexpr (std::is_constructible_v<T, TComponent*>) info.AddConstructor<T, TComponent*>();
    if constexpr (std::is_constructible_v<T, TCollection*>) info.AddConstructor<T, TCollection*>();
    if constexpr (HasCtorArgs<T>) CtorFromTuple<T, typename T::TConstructorArgs>::Add(info);
  }
}
template <class T>
TClassInfo* MakeClassInfo(const char* name, TClass parent) {
  static TClassInfo info(name, parent);
  RegisterConstructors<T>(info);
  return &info;
}
}  // namespace vt_detail

// Put inside the body of every class that takes part in the object model:
//   class TkcFoo : public TkcBar { VT_CLASS(TkcFoo, TkcBar) public: ... };
#define VT_CLASS(Name, Base)                                                                \
public:                                                                                     \
  using inherited = Base;                                                                   \
  static TClass StaticClass() {                                                             \
    static const TClassInfo* info = vt_detail::MakeClassInfo<Name>(#Name, Base::StaticClass()); \
    return info;                                                                            \
  }                                                                                         \
  TClass ClassType() const override { return StaticClass(); }                               \
                                                                                            \
private:

// A typed class reference ("class of Base" whose constructor takes Args).
template <class Base, class... Args>
class TClassOf {
public:
  TClassOf() = default;
  TClassOf(std::nullptr_t) {}
  // Any class reference of a descendant of Base converts; anything else raises EInvalidCast.
  TClassOf(TClass c) : fClass(c) {
    if (c && !c->InheritsFrom(Base::StaticClass()))
      throw EInvalidCast(std::string("Invalid class typecast: ") + c->ClassName());
  }
  template <class T>
  static TClassOf Of() { return TClassOf(T::StaticClass()); }

  TClass ClassInfo() const { return fClass; }
  operator TClass() const { return fClass; }
  explicit operator bool() const { return fClass != nullptr; }
  const char* ClassName() const { return fClass ? fClass->ClassName() : ""; }
  bool InheritsFrom(TClass c) const { return fClass && fClass->InheritsFrom(c); }
  Base* Create(Args... args) const {
    if (!fClass) throw EInvalidOperation("Cannot create an instance of an unassigned class");
    return static_cast<Base*>(fClass->CreateInstance<Args...>(std::forward<Args>(args)...));
  }
  friend bool operator==(const TClassOf& a, const TClassOf& b) { return a.fClass == b.fClass; }
  friend bool operator==(const TClassOf& a, TClass b) { return a.fClass == b; }

private:
  TClass fClass = nullptr;
};

// ---------------------------------------------------------------------------------------------
// Interfaces

struct TGUID {
  std::uint32_t D1 = 0;
  std::uint16_t D2 = 0;
  std::uint16_t D3 = 0;
  std::array<std::uint8_t, 8> D4{};
  friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
};

namespace vt_detail {
constexpr std::uint32_t HexDigit(char c) {
  return (c >= '0' && c <= '9')   ? std::uint32_t(c - '0')
         : (c >= 'a' && c <= 'f') ? std::uint32_t(c - 'a' + 10)
         : (c >= 'A' && c <= 'F') ? std::uint32_t(c - 'A' + 10)
                                  : throw "invalid GUID digit";
}
constexpr std::uint32_t HexValue(const char* s, int digits) {
  std::uint32_t v = 0;
  for (int i = 0; i < digits; ++i) v = (v << 4) | HexDigit(s[i]);
  return v;
}
}  // namespace vt_detail

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" at compile time.
constexpr TGUID StringToGUID(const char* s) {
  TGUID g;
  g.D1 = vt_detail::HexValue(s + 1, 8);
  g.D2 = static_cast<std::uint16_t>(vt_detail::HexValue(s + 10, 4));
  g.D3 = static_cast<std::uint16_t>(vt_detail::HexValue(s + 15, 4));
  g.D4[0] = static_cast<std::uint8_t>(vt_detail::HexValue(s + 20, 2));
  g.D4[1] = static_cast<std::uint8_t>(vt_detail::HexValue(s + 22, 2));
  for (int i = 0; i < 6; ++i) g.D4[2 + i] = static_cast<std::uint8_t>(vt_detail::HexValue(s + 25 + 2 * i, 2));
  return g;
}
String GUIDToString(const TGUID& g);

// Put inside an interface: struct IkcFoo : IInterface { VT_INTERFACE("{...}") virtual ... };
#define VT_INTERFACE(guid) \
public:                    \
  static constexpr TGUID IID = StringToGUID(guid);

// The root of every interface. No reference counting: objects are owned by their owners and
// interfaces are plain views of them.
class IInterface {
public:
  VT_INTERFACE("{00000000-0000-0000-C000-000000000046}")
  virtual bool QueryInterface(const TGUID& IID, void** Obj) = 0;

protected:
  ~IInterface() = default;
};

// ---------------------------------------------------------------------------------------------
// The root object

class TObject {
public:
  TObject() = default;
  TObject(const TObject&) = delete;
  TObject& operator=(const TObject&) = delete;
  virtual ~TObject() = default;

  static TClass StaticClass() {
    static const TClassInfo* info = vt_detail::MakeClassInfo<TObject>("TObject", nullptr);
    return info;
  }
  virtual TClass ClassType() const { return StaticClass(); }
  const char* ClassName() const { return ClassType()->ClassName(); }
  bool InheritsFrom(TClass AClass) const { return ClassType()->InheritsFrom(AClass); }
  // Answers the interface IID of this object in Obj; false when it has none.
  virtual bool GetInterface(const TGUID& IID, void** Obj);
  // Called by Free before the destructor chain runs, while the object is still whole.
  virtual void BeforeDestruction() {}
  // Frees the object: BeforeDestruction, then the destructor.
  void Free();
};

// Frees an object (null is allowed).
inline void FreeObject(TObject* obj) {
  if (obj) obj->Free();
}
template <class T>
void FreeAndNil(T*& obj) {
  T* t = obj;
  obj = nullptr;
  FreeObject(t);
}

// Answers in Obj the interface I for each listed interface that Self implements.
template <class... Is, class T>
bool GetInterfaceOf(T* Self, const TGUID& IID, void** Obj) {
  bool found = false;
  (void)((IID == Is::IID ? (*Obj = static_cast<Is*>(Self), found = true) : false) || ...);
  return found;
}

bool Supports(TObject* Instance, const TGUID& IID, void** Intf);
bool Supports(IInterface* Instance, const TGUID& IID, void** Intf);
template <class I>
bool Supports(TObject* Instance, I*& Intf) {
  void* p = nullptr;
  bool ok = Supports(Instance, I::IID, &p);
  Intf = ok ? static_cast<I*>(p) : nullptr;
  return ok;
}
template <class I>
bool Supports(IInterface* Instance, I*& Intf) {
  void* p = nullptr;
  bool ok = Supports(Instance, I::IID, &p);
  Intf = ok ? static_cast<I*>(p) : nullptr;
  return ok;
}
template <class I>
bool Supports(TObject* Instance) {
  I* p = nullptr;
  return Supports(Instance, p);
}

// An object implementing IInterface by its GetInterface.
class TInterfacedObject : public TObject, public IInterface {
  VT_CLASS(TInterfacedObject, TObject)
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
};

// ---------------------------------------------------------------------------------------------
// Events (method pointers)

// Who a handler is: the object and the method it runs. Handlers built from a plain callable
// have no identity and compare equal only to themselves being empty.
struct TMethodId {
  const void* Object = nullptr;
  std::array<unsigned char, 2 * sizeof(void*)> Code{};
  friend bool operator==(const TMethodId&, const TMethodId&) = default;
  bool IsAssigned() const { return *this != TMethodId{}; }
};

template <class Sig>
class TEvent;

template <class R, class... A>
class TEvent<R(A...)> {
public:
  TEvent() = default;
  TEvent(std::nullptr_t) {}
  // A plain callable (lambda), without identity.
  template <class F, class = std::enable_if_t<std::is_invocable_r_v<R, F&, A...> &&
                                              !std::is_same_v<std::decay_t<F>, TEvent>>>
  TEvent(F f) : fFn(std::move(f)) {}
  // A method of an object: it has an identity, so a listener can be removed by it.
  template <class O, class C, class M, class = std::enable_if_t<std::is_convertible_v<O*, C*>>>
  TEvent(O* object, M C::*method) {
    C* obj = object;
    fFn = [obj, method](A... a) -> R { return (obj->*method)(std::forward<A>(a)...); };
    static_assert(sizeof(method) <= sizeof(fId.Code), "method pointer too large");
    fId.Object = obj;
    std::memcpy(fId.Code.data(), &method, sizeof(method));
  }
  // A callable with an explicit identity (an object and a code of the caller's choosing).
  template <class F>
  TEvent(const void* obj, std::uintptr_t code, F f) : fFn(std::move(f)) {
    fId.Object = obj;
    std::memcpy(fId.Code.data(), &code, sizeof(code));
  }

  explicit operator bool() const { return static_cast<bool>(fFn); }
  R operator()(A... a) const { return fFn(std::forward<A>(a)...); }
  const TMethodId& Id() const { return fId; }
  // Same object and method (both must have an identity).
  bool SameMethod(const TEvent& other) const { return fId.IsAssigned() && fId == other.fId; }
  friend bool operator==(const TEvent& e, std::nullptr_t) { return !e.fFn; }

private:
  std::function<R(A...)> fFn;
  TMethodId fId;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

// ---------------------------------------------------------------------------------------------
// Sets of enums

template <class E, std::size_t N = 64>
class TSet {
public:
  constexpr TSet() = default;
  constexpr TSet(std::initializer_list<E> items) {
    for (E e : items) Include(e);
  }
  constexpr TSet& Include(E e) {
    auto i = Index(e);
    fWords[i / 64] |= std::uint64_t(1) << (i % 64);
    return *this;
  }
  constexpr TSet& Exclude(E e) {
    auto i = Index(e);
    fWords[i / 64] &= ~(std::uint64_t(1) << (i % 64));
    return *this;
  }
  constexpr bool Contains(E e) const {
    auto i = Index(e);
    return (fWords[i / 64] >> (i % 64)) & 1;
  }
  constexpr bool Empty() const {
    for (auto w : fWords)
      if (w) return false;
    return true;
  }
  constexpr int Count() const {
    int n = 0;
    for (auto w : fWords) n += std::popcount(w);
    return n;
  }
  constexpr void Clear() { fWords = {}; }
  // Every element of this set is in Other.
  constexpr bool SubsetOf(const TSet& Other) const { return (*this - Other).Empty(); }

  friend constexpr TSet operator+(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < W; ++i) a.fWords[i] |= b.fWords[i];
    return a;
  }
  friend constexpr TSet operator-(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < W; ++i) a.fWords[i] &= ~b.fWords[i];
    return a;
  }
  friend constexpr TSet operator*(TSet a, const TSet& b) {
    for (std::size_t i = 0; i < W; ++i) a.fWords[i] &= b.fWords[i];
    return a;
  }
  constexpr TSet& operator+=(const TSet& b) { return *this = *this + b; }
  constexpr TSet& operator-=(const TSet& b) { return *this = *this - b; }
  constexpr TSet& operator*=(const TSet& b) { return *this = *this * b; }
  friend constexpr bool operator==(const TSet&, const TSet&) = default;

private:
  static constexpr std::size_t W = (N + 63) / 64;
  static constexpr std::size_t Index(E e) {
    auto i = static_cast<std::size_t>(e);
    if (i >= N) throw EInvalidArgument("Set element out of range");
    return i;
  }
  std::array<std::uint64_t, W> fWords{};
};

enum TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem, 8>;

// ---------------------------------------------------------------------------------------------
// Lists

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
using TListSortCompare = std::function<int(void* Item1, void* Item2)>;

// A list of pointers. Errors raise EListError "List index out of bounds (%d)".
class TList : public TObject {
  VT_CLASS(TList, TObject)
public:
  TList() = default;
  ~TList() override;

  int Add(void* Item);
  void Insert(int Index, void* Item);
  void Delete(int Index);
  int Remove(void* Item);
  void* Extract(void* Item);
  virtual void Clear();
  int IndexOf(const void* Item) const;
  void Move(int CurIndex, int NewIndex);
  void Exchange(int Index1, int Index2);
  // Stable: items that compare equal keep their order.
  void Sort(const TListSortCompare& Compare);
  void Pack();  // removes the null items
  void* First() const;
  void* Last() const;
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }
  int Count() const { return static_cast<int>(fItems.size()); }
  void SetCount(int NewCount);
  int Capacity() const { return static_cast<int>(fItems.capacity()); }
  void SetCapacity(int NewCapacity);
  void Assign(const TList& Source);
  void** List() { return fItems.data(); }

  [[noreturn]] static void Error(const char* Format, int Data);

protected:
  virtual void Notify(void* /*Ptr*/, TListNotification /*Action*/) {}
  void CheckIndex(int Index) const;

private:
  std::vector<void*> fItems;
};

// A list of objects that frees them on Delete, Clear and its own destruction when it owns them.
class TObjectList : public TList {
  VT_CLASS(TObjectList, TList)
public:
  explicit TObjectList(bool AOwnsObjects = true) : fOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;
  int Add(TObject* Obj) { return TList::Add(Obj); }
  void Insert(int Index, TObject* Obj) { TList::Insert(Index, Obj); }
  int Remove(TObject* Obj) { return TList::Remove(Obj); }
  TObject* Extract(TObject* Obj) { return static_cast<TObject*>(TList::Extract(Obj)); }
  int IndexOf(const TObject* Obj) const { return TList::IndexOf(Obj); }
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  TObject* operator[](int Index) const { return Items(Index); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  bool OwnsObjects() const { return fOwnsObjects; }
  void SetOwnsObjects(bool v) { fOwnsObjects = v; }

protected:
  void Notify(void* Ptr, TListNotification Action) override;

private:
  bool fOwnsObjects;
};

class TInterfaceList : public TObject {
  VT_CLASS(TInterfaceList, TObject)
public:
  int Add(IInterface* Item);
  void Insert(int Index, IInterface* Item);
  void Delete(int Index);
  int Remove(IInterface* Item);
  int IndexOf(const IInterface* Item) const;
  void Exchange(int Index1, int Index2);
  void Clear() { fItems.clear(); }
  IInterface* Items(int Index) const;
  void SetItems(int Index, IInterface* Item);
  IInterface* operator[](int Index) const { return Items(Index); }
  IInterface* First() const { return Items(0); }
  IInterface* Last() const { return Items(Count() - 1); }
  int Count() const { return static_cast<int>(fItems.size()); }

private:
  void CheckIndex(int Index) const;
  std::vector<IInterface*> fItems;
};

// ---------------------------------------------------------------------------------------------
// Persistent objects

using TStreamProc = std::function<void(TStream* Stream)>;

// Receives the extra properties an object stores besides its published ones.
class TFiler {
public:
  virtual ~TFiler() = default;
  virtual void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) = 0;
  // The object the stored one is compared with (null: none).
  TPersistent* Ancestor() const { return fAncestor; }
  void SetAncestor(TPersistent* v) { fAncestor = v; }

protected:
  static void CallDefineProperties(TPersistent* Instance, TFiler* Filer);

private:
  TPersistent* fAncestor = nullptr;
};

// A filer that collects the binary properties of an object, to write or read them by name.
class TBinaryPropertyFiler : public TFiler {
public:
  struct Property {
    String Name;
    TStreamProc ReadData;
    TStreamProc WriteData;
    bool HasData = false;
  };
  explicit TBinaryPropertyFiler(TPersistent* Instance);
  void DefineBinaryProperty(const String& Name, TStreamProc ReadData, TStreamProc WriteData, bool HasData) override;
  const std::vector<Property>& Properties() const { return fProperties; }
  const Property* Find(const String& Name) const;

private:
  std::vector<Property> fProperties;
};

class TPersistent : public TObject {
  VT_CLASS(TPersistent, TObject)
public:
  // Copies Source into this object; raises EConvertError "Cannot assign a %s to a %s" when
  // neither side knows how.
  virtual void Assign(TPersistent* Source);
  virtual String GetNamePath();

protected:
  friend class TFiler;
  virtual void AssignTo(TPersistent* Dest);
  virtual void DefineProperties(TFiler* /*Filer*/) {}
  virtual TPersistent* GetOwner() { return nullptr; }
  [[noreturn]] void AssignError(TPersistent* Source);
};

class TInterfacedPersistent : public TPersistent, public IInterface {
  VT_CLASS(TInterfacedPersistent, TPersistent)
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
};

// ---------------------------------------------------------------------------------------------
// Components

enum TComponentStateItem {
  csLoading,
  csReading,
  csWriting,
  csDestroying,
  csDesigning,
  csAncestor,
  csUpdating,
  csFixups,
  csFreeNotification,
  csInline,
  csDesignInstance
};
using TComponentState = TSet<TComponentStateItem, 16>;

enum TOperation { opInsert, opRemove };

// A component lives in an ownership tree: its owner frees it, and it frees what it owns.
class TComponent : public TPersistent, public IInterface {
  VT_CLASS(TComponent, TPersistent)
public:
  explicit TComponent(TComponent* AOwner);
  ~TComponent() override;

  TComponent* Owner() const { return fOwner; }
  TComponent* Components(int Index) const;
  int ComponentCount() const { return static_cast<int>(fComponents.size()); }
  int ComponentIndex() const;
  void SetComponentIndex(int Value);
  TComponent* FindComponent(const String& AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);
  void DestroyComponents();
  void Destroying();
  void BeforeDestruction() override;

  const String& Name() const { return fName; }
  // Raises EComponentError for a name that is not an identifier or is taken by a sibling.
  virtual void SetName(const String& NewName);
  TComponentState ComponentState() const { return fComponentState; }
  std::intptr_t Tag() const { return fTag; }
  void SetTag(std::intptr_t v) { fTag = v; }

  // Asks to be told (Notification opRemove) when AComponent is destroyed.
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Marks the component as being loaded; Loaded ends it.
  void BeginLoading();
  // Ends reading and calls Loaded.
  void EndLoading();
  virtual void Loaded();
  // Marks the component as being changed as a whole (csUpdating); Updated ends it.
  virtual void Updating() { fComponentState.Include(csUpdating); }
  virtual void Updated() { fComponentState.Exclude(csUpdating); }
  void SetDesigning(bool Value, bool SetChildren = true);
  void SetAncestor(bool Value);

  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  String GetNamePath() override { return fName; }

protected:
  virtual void Notification(TComponent* AComponent, TOperation Operation);
  virtual void ValidateRename(TComponent* AComponent, const String& CurName, const String& NewName);
  virtual void ValidateInsert(TComponent* /*AComponent*/) {}
  virtual void ValidateContainer(TComponent* AComponent) { AComponent->ValidateInsert(this); }
  TPersistent* GetOwner() override { return fOwner; }
  void SetComponentState(TComponentState v) { fComponentState = v; }
  void IncludeState(TComponentStateItem s) { fComponentState.Include(s); }
  void ExcludeState(TComponentStateItem s) { fComponentState.Exclude(s); }
  // Sets the name without the checks (used while reading).
  void ChangeName(const String& NewName) { fName = NewName; }

private:
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);
  void RemoveNotification(TComponent* AComponent);
  void RemoveFreeNotifications();

  TComponent* fOwner = nullptr;
  String fName;
  std::intptr_t fTag = 0;
  TComponentState fComponentState;
  std::vector<TComponent*> fComponents;
  std::vector<TComponent*> fFreeNotifies;
};

using TComponentClass = TClassOf<TComponent, TComponent*>;

// ---------------------------------------------------------------------------------------------
// Collections

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollectionItem : public TPersistent {
  VT_CLASS(TCollectionItem, TPersistent)
public:
  explicit TCollectionItem(TCollection* Collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return fCollection; }
  virtual void SetCollection(TCollection* Value);
  int ID() const { return fID; }
  int Index() const;
  virtual void SetIndex(int Value);
  virtual String DisplayName() { return ClassName(); }
  virtual void SetDisplayName(const String& /*Value*/) { Changed(false); }
  String GetNamePath() override;

protected:
  // Tells the collection: the whole collection (AllItems) or only this item changed.
  void Changed(bool AllItems);
  TPersistent* GetOwner() override;

private:
  friend class TCollection;
  TCollection* fCollection = nullptr;
  int fID = 0;
};

using TCollectionItemClass = TClassOf<TCollectionItem, TCollection*>;

class TCollection : public TPersistent {
  VT_CLASS(TCollection, TPersistent)
public:
  explicit TCollection(TCollectionItemClass ItemClass);
  ~TCollection() override;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* Items(int Index) const;
  void SetItems(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }
  int Count() const { return static_cast<int>(fItems.size()); }
  TCollectionItem* FindItemID(int ID) const;
  TCollectionItemClass ItemClass() const { return fItemClass; }
  TPersistent* Owner() { return GetOwner(); }
  virtual void BeginUpdate() { ++fUpdateCount; }
  virtual void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }
  void Assign(TPersistent* Source) override;
  String GetNamePath() override;
  // Moves the item at CurIndex to NewIndex.
  void Move(int CurIndex, int NewIndex);

protected:
  friend class TCollectionItem;
  // Called when an item (or, with null, the whole collection) changed outside an update.
  virtual void Update(TCollectionItem* /*Item*/) {}
  void Changed();
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}
  virtual void Added(TCollectionItem* /*Item*/) {}
  virtual void Deleting(TCollectionItem* /*Item*/) {}
  virtual void SetItemName(TCollectionItem* /*Item*/) {}

private:
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);

  TCollectionItemClass fItemClass;
  std::vector<TCollectionItem*> fItems;
  int fUpdateCount = 0;
  int fNextID = 0;
};

// A collection whose owner is given (the framework's owned collection).
class TOwnedCollection : public TCollection {
  VT_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass)
      : TCollection(ItemClass), fOwner(AOwner) {}

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  TPersistent* fOwner;
};

// ---------------------------------------------------------------------------------------------
// String lists

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStrings : public TPersistent {
  VT_CLASS(TStrings, TPersistent)
public:
  String Strings(int Index) const { return Get(Index); }
  void SetStrings(int Index, const String& S) { Put(Index, S); }
  String operator[](int Index) const { return Get(Index); }
  TObject* Objects(int Index) const { return GetObject(Index); }
  void SetObjects(int Index, TObject* Obj) { PutObject(Index, Obj); }
  int Count() const { return GetCount(); }
  int Capacity() const { return GetCapacity(); }
  void SetCapacity(int NewCapacity) { DoSetCapacity(NewCapacity); }

  virtual int Add(const String& S);
  virtual int AddObject(const String& S, TObject* Obj);
  void Append(const String& S) { Add(S); }
  virtual void AddStrings(TStrings* Strings);
  void AddStrings(const std::vector<String>& Strings);
  void Assign(TPersistent* Source) override;
  virtual void Clear() = 0;
  virtual void Delete(int Index) = 0;
  virtual void Exchange(int Index1, int Index2);
  virtual void Move(int CurIndex, int NewIndex);
  virtual int IndexOf(const String& S) const;
  int IndexOfName(const String& Name) const;
  int IndexOfObject(const TObject* Obj) const;
  virtual void Insert(int Index, const String& S) = 0;
  void InsertObject(int Index, const String& S, TObject* Obj);
  bool Equals(const TStrings* Strings) const;

  // name=value lines
  String Names(int Index) const;
  String Values(const String& Name) const;
  void SetValues(const String& Name, const String& Value);
  String ValueFromIndex(int Index) const;
  void SetValueFromIndex(int Index, const String& Value);
  char NameValueSeparator() const { return fNameValueSeparator; }
  void SetNameValueSeparator(char c) { fNameValueSeparator = c; }

  // Lines joined by CR LF (each line ends with one); setting splits at CR LF, LF or CR.
  virtual String Text() const;
  virtual void SetText(const String& Value);
  String CommaText() const;
  void SetCommaText(const String& Value);
  String DelimitedText() const;
  void SetDelimitedText(const String& Value);
  char Delimiter() const { return fDelimiter; }
  void SetDelimiter(char c) { fDelimiter = c; }
  char QuoteChar() const { return fQuoteChar; }
  void SetQuoteChar(char c) { fQuoteChar = c; }
  bool StrictDelimiter() const { return fStrictDelimiter; }
  void SetStrictDelimiter(bool v) { fStrictDelimiter = v; }
  std::vector<String> ToVector() const;

  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return fUpdateCount; }

  virtual void LoadFromFile(const String& FileName);
  virtual void SaveToFile(const String& FileName);
  virtual void LoadFromStream(TStream* Stream);
  virtual void SaveToStream(TStream* Stream);

  // The underlying operations a descendant provides.
  virtual String Get(int Index) const = 0;
  virtual void Put(int Index, const String& S);
  virtual TObject* GetObject(int /*Index*/) const { return nullptr; }
  virtual void PutObject(int /*Index*/, TObject* /*Obj*/) {}
  virtual int GetCount() const = 0;

protected:
  virtual int GetCapacity() const { return GetCount(); }
  virtual void DoSetCapacity(int /*NewCapacity*/) {}
  // Called with true at the outermost BeginUpdate and false at the matching EndUpdate.
  virtual void SetUpdateState(bool /*Updating*/) {}
  virtual int CompareStrings(const String& S1, const String& S2) const;
  [[noreturn]] void Error(const char* Format, int Data) const;

private:
  String DelimitedTextWith(char delimiter, char quote) const;
  void SetDelimitedTextWith(const String& Value, char delimiter, char quote, bool strict);
  int fUpdateCount = 0;
  char fNameValueSeparator = '=';
  char fDelimiter = ',';
  char fQuoteChar = '"';
  bool fStrictDelimiter = false;
};

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* List, int Index1, int Index2)>;

class TStringList : public TStrings {
  VT_CLASS(TStringList, TStrings)
public:
  TStringList() = default;
  ~TStringList() override;

  int Add(const String& S) override;
  int AddObject(const String& S, TObject* Obj) override;
  void Clear() override;
  void Delete(int Index) override;
  void Exchange(int Index1, int Index2) override;
  void Insert(int Index, const String& S) override;
  void InsertItem(int Index, const String& S, TObject* Obj);
  int IndexOf(const String& S) const override;
  // Binary search of a sorted list: true when found; Index is the match or the insert position.
  virtual bool Find(const String& S, int& Index) const;
  virtual void Sort();
  // Stable sort by Compare; the list is not sorted afterwards.
  virtual void CustomSort(const TStringListSortCompare& Compare);

  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  TDuplicates Duplicates() const { return fDuplicates; }
  void SetDuplicates(TDuplicates v) { fDuplicates = v; }
  bool CaseSensitive() const { return fCaseSensitive; }
  void SetCaseSensitive(bool Value);
  // Objects are freed on Delete, Clear and destruction when the list owns them.
  bool OwnsObjects() const { return fOwnsObjects; }
  void SetOwnsObjects(bool v) { fOwnsObjects = v; }

  String Get(int Index) const override;
  void Put(int Index, const String& S) override;
  TObject* GetObject(int Index) const override;
  void PutObject(int Index, TObject* Obj) override;
  int GetCount() const override { return static_cast<int>(fList.size()); }

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

protected:
  int GetCapacity() const override { return static_cast<int>(fList.capacity()); }
  void DoSetCapacity(int NewCapacity) override;
  void SetUpdateState(bool Updating) override;
  int CompareStrings(const String& S1, const String& S2) const override;
  virtual void Changed();
  virtual void Changing();

private:
  struct Item {
    String S;
    TObject* Obj = nullptr;
  };
  void CheckIndex(int Index) const;
  std::vector<Item> fList;
  bool fSorted = false;
  TDuplicates fDuplicates = dupIgnore;
  bool fCaseSensitive = false;
  bool fOwnsObjects = false;
  bool fUpdating = false;
};

// ---------------------------------------------------------------------------------------------
// Streams

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };
constexpr int soFromBeginning = 0;
constexpr int soFromCurrent = 1;
constexpr int soFromEnd = 2;

class TStream : public TObject {
  VT_CLASS(TStream, TObject)
public:
  // Reads up to Count bytes; answers how many were read.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  // Writes up to Count bytes; answers how many were written.
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;
  std::int64_t Seek(std::int64_t Offset, int Origin) { return Seek(Offset, static_cast<TSeekOrigin>(Origin)); }

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize);
  // Bytes between the position and the end.
  std::int64_t Remaining() { return Size() - Position(); }

  // Exactly Count bytes or EReadError "Stream read error" / EWriteError "Stream write error".
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  // Copies Count bytes from Source (0: all of Source from its start); answers the count.
  std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

  // Little-endian primitives.
  std::int8_t ReadInt8() { return Get<std::int8_t>(); }
  std::uint8_t ReadUInt8() { return Get<std::uint8_t>(); }
  std::int16_t ReadInt16() { return Get<std::int16_t>(); }
  std::uint16_t ReadUInt16() { return Get<std::uint16_t>(); }
  std::int32_t ReadInt32() { return Get<std::int32_t>(); }
  std::uint32_t ReadUInt32() { return Get<std::uint32_t>(); }
  std::int64_t ReadInt64() { return Get<std::int64_t>(); }
  std::uint64_t ReadUInt64() { return Get<std::uint64_t>(); }
  float ReadSingle() { return Get<float>(); }
  double ReadDouble() { return Get<double>(); }
  bool ReadBoolean() { return Get<std::uint8_t>() != 0; }
  // An int32 byte length, then the bytes.
  String ReadAnsiString();
  // An int32 character count, then the UTF-16 units.
  WideString ReadWideString();

  void WriteInt8(std::int8_t v) { Put(v); }
  void WriteUInt8(std::uint8_t v) { Put(v); }
  void WriteInt16(std::int16_t v) { Put(v); }
  void WriteUInt16(std::uint16_t v) { Put(v); }
  void WriteInt32(std::int32_t v) { Put(v); }
  void WriteUInt32(std::uint32_t v) { Put(v); }
  void WriteInt64(std::int64_t v) { Put(v); }
  void WriteUInt64(std::uint64_t v) { Put(v); }
  void WriteSingle(float v) { Put(v); }
  void WriteDouble(double v) { Put(v); }
  void WriteBoolean(bool v) { Put(static_cast<std::uint8_t>(v ? 1 : 0)); }
  void WriteAnsiString(const String& s);
  void WriteWideString(const WideString& s);

  // Reads an int32 length and checks that Length items of ItemSize bytes remain in the stream.
  std::int32_t ReadLength(std::int64_t ItemSize);

private:
  template <class T>
  T Get() {
    unsigned char b[sizeof(T)];
    ReadBuffer(b, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(b, b + sizeof(T));
    T v;
    std::memcpy(&v, b, sizeof(T));
    return v;
  }
  template <class T>
  void Put(T v) {
    unsigned char b[sizeof(T)];
    std::memcpy(b, &v, sizeof(T));
    if constexpr (std::endian::native == std::endian::big) std::reverse(b, b + sizeof(T));
    WriteBuffer(b, sizeof(T));
  }
};

class TMemoryStream : public TStream {
  VT_CLASS(TMemoryStream, TStream)
public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  std::int64_t Size() override { return static_cast<std::int64_t>(fData.size()); }
  void SetSize(std::int64_t NewSize) override;
  void* Memory() { return fData.data(); }
  const void* Memory() const { return fData.data(); }
  void Clear();
  void LoadFromStream(TStream* Stream);
  void LoadFromFile(const String& FileName);
  void SaveToStream(TStream* Stream);
  void SaveToFile(const String& FileName);

private:
  std::vector<std::uint8_t> fData;
  std::int64_t fPosition = 0;
};

// True when both memory streams have the same size and bytes.
bool IsMemoryStreamEqual(const TMemoryStream* AStream1, const TMemoryStream* AStream2);

// File modes: one of the open modes, or'ed with one share flag (accepted, not enforced).
constexpr std::uint16_t fmCreate = 0xFF00;
constexpr std::uint16_t fmOpenRead = 0x0000;
constexpr std::uint16_t fmOpenWrite = 0x0001;
constexpr std::uint16_t fmOpenReadWrite = 0x0002;
constexpr std::uint16_t fmShareCompat = 0x0000;
constexpr std::uint16_t fmShareExclusive = 0x0010;
constexpr std::uint16_t fmShareDenyWrite = 0x0020;
constexpr std::uint16_t fmShareDenyRead = 0x0030;
constexpr std::uint16_t fmShareDenyNone = 0x0040;

// A stream on a file. Opening raises EFOpenError "Cannot open file "%s". %s", creating
// EFCreateError "Cannot create file "%s". %s" (the second %s is the system's reason).
class TFileStream : public TStream {
  VT_CLASS(TFileStream, TStream)
public:
  // Rights: the permission bits of a created file (before the umask).
  TFileStream(const String& FileName, std::uint16_t Mode, unsigned Rights = 0666);
  ~TFileStream() override;
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  void SetSize(std::int64_t NewSize) override;
  const String& FileName() const { return fFileName; }
  int Handle() const { return fHandle; }

private:
  String fFileName;
  int fHandle = -1;
};

// A stream over a string of bytes.
class TStringStream : public TStream {
  VT_CLASS(TStringStream, TStream)
public:
  explicit TStringStream(String AString = String()) : fData(std::move(AString)) {}
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  using TStream::Seek;
  std::int64_t Size() override { return static_cast<std::int64_t>(fData.size()); }
  void SetSize(std::int64_t NewSize) override;
  const String& DataString() const { return fData; }
  // Raw text, without a length: up to Count bytes from the position / written at the position.
  String ReadString(std::int64_t Count);
  void WriteString(const String& S) { WriteBuffer(S.data(), static_cast<std::int64_t>(S.size())); }

private:
  String fData;
  std::int64_t fPosition = 0;
};
