#pragma once
// The object model's base (part of Classes.h): class references with virtual constructors,
// interfaces by GUID, TObject, events with identity and sets of enums.

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
  bool HasConstructor() const {
    return FindFactory<Args...>() != nullptr;
  }
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
concept HasCtorArgs = requires {
  typename T::TConstructorArgs;
};

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
#define VT_CLASS(Name, Base)                                                                    \
public:                                                                                         \
  using inherited = Base;                                                                       \
  static TClass StaticClass() {                                                                 \
    static const TClassInfo* info = vt_detail::MakeClassInfo<Name>(#Name, Base::StaticClass()); \
    return info;                                                                                \
  }                                                                                             \
  TClass ClassType() const override { return StaticClass(); }                                   \
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
  static TClassOf Of() {
    return TClassOf(T::StaticClass());
  }

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
  template <class F,
            class = std::enable_if_t<std::is_invocable_r_v<R, F&, A...> && !std::is_same_v<std::decay_t<F>, TEvent>>>
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
