#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Classes.h"

namespace {

// ---- class references --------------------------------------------------------------------

class TBase : public TObject {
  VT_CLASS(TBase, TObject)
public:
  TBase() = default;
};

class TDerived : public TBase {
  VT_CLASS(TDerived, TBase)
};

class TAbstract : public TObject {
  VT_CLASS(TAbstract, TObject)
public:
  virtual void Run() = 0;
};

TEST(ClassesClassInfo, NamesAncestryAndVirtualConstructor) {
  TDerived d;
  EXPECT_STREQ(d.ClassName(), "TDerived");
  EXPECT_TRUE(d.InheritsFrom(TBase::StaticClass()));
  EXPECT_TRUE(d.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(TBase::StaticClass()->InheritsFrom(TDerived::StaticClass()));
  EXPECT_EQ(TDerived::StaticClass()->ClassParent(), TBase::StaticClass());

  // Created through a reference typed as the base: the object is of the referenced class.
  TClassOf<TBase> cls = d.ClassType();
  TBase* made = cls.Create();
  EXPECT_STREQ(made->ClassName(), "TDerived");
  made->Free();

  EXPECT_FALSE(TAbstract::StaticClass()->HasConstructor<>());
  EXPECT_THROW(TClassOf<TObject>(TAbstract::StaticClass()).Create(), EAbstractError);
  EXPECT_THROW((TClassOf<TDerived>(TBase::StaticClass())), EInvalidCast);
}

// ---- interfaces ----------------------------------------------------------------------------

struct ISpeaker : IInterface {
  VT_INTERFACE("{61EEDA7D-88CC-45BF-8A00-5C25174D6501}")
  virtual std::string Speak() = 0;
};

class TSpeaker : public TInterfacedObject, public ISpeaker {
  VT_CLASS(TSpeaker, TInterfacedObject)
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override {
    return GetInterfaceOf<ISpeaker>(this, IID, Obj) || TInterfacedObject::GetInterface(IID, Obj);
  }
  std::string Speak() override { return "hi"; }
};

TEST(ClassesInterfaces, SupportsByGuid) {
  constexpr TGUID g = StringToGUID("{61EEDA7D-88CC-45BF-8A00-5C25174D6501}");
  EXPECT_EQ(g.D1, 0x61EEDA7Du);
  EXPECT_EQ(g.D4[7], 0x01);
  EXPECT_EQ(GUIDToString(g), "{61EEDA7D-88CC-45BF-8A00-5C25174D6501}");

  TSpeaker speaker;
  TDerived plain;
  ISpeaker* s = nullptr;
  ASSERT_TRUE(Supports(static_cast<TObject*>(&speaker), s));
  EXPECT_EQ(s->Speak(), "hi");
  EXPECT_FALSE(Supports(static_cast<TObject*>(&plain), s));
  EXPECT_EQ(s, nullptr);
  EXPECT_FALSE(Supports<ISpeaker>(static_cast<TObject*>(nullptr)));
}

// ---- events and sets -----------------------------------------------------------------------

struct TListener {
  int calls = 0;
  void Changed(TObject*) { ++calls; }
  void Other(TObject*) {}
};

TEST(ClassesEvents, IdentityComparesObjectAndMethod) {
  TListener a, b;
  TNotifyEvent e1(&a, &TListener::Changed), e2(&a, &TListener::Changed);
  TNotifyEvent e3(&b, &TListener::Changed), e4(&a, &TListener::Other);
  TNotifyEvent lambda = [](TObject*) {};
  EXPECT_TRUE(e1.SameMethod(e2));
  EXPECT_FALSE(e1.SameMethod(e3));
  EXPECT_FALSE(e1.SameMethod(e4));
  EXPECT_FALSE(lambda.SameMethod(TNotifyEvent([](TObject*) {})));
  e1(nullptr);
  EXPECT_EQ(a.calls, 1);
  struct TSub : TListener {};
  TSub sub;
  TNotifyEvent inherited(&sub, &TListener::Changed);  // a base method on a derived object
  EXPECT_TRUE(inherited.SameMethod(TNotifyEvent(static_cast<TListener*>(&sub), &TListener::Changed)));
  TNotifyEvent empty;
  EXPECT_FALSE(empty);
  EXPECT_TRUE(empty == nullptr);
}

TEST(ClassesSets, OperationsAndEquality) {
  TShiftState s{ssShift, ssCtrl};
  EXPECT_TRUE(s.Contains(ssShift));
  EXPECT_FALSE(s.Contains(ssAlt));
  EXPECT_EQ(s + TShiftState{ssAlt}, (TShiftState{ssShift, ssCtrl, ssAlt}));
  EXPECT_EQ(s - TShiftState{ssShift}, TShiftState{ssCtrl});
  EXPECT_EQ(s * (TShiftState{ssCtrl, ssLeft}), TShiftState{ssCtrl});
  EXPECT_TRUE(TShiftState{}.Empty());
  EXPECT_EQ(s.Count(), 2);
  EXPECT_TRUE(TShiftState{ssCtrl}.SubsetOf(s));
  s.Exclude(ssCtrl).Include(ssDouble);
  EXPECT_EQ(s, (TShiftState{ssShift, ssDouble}));
}

// ---- persistent and components -------------------------------------------------------------

class TPoint3 : public TPersistent {
  VT_CLASS(TPoint3, TPersistent)
public:
  int x = 0;
  void Assign(TPersistent* Source) override {
    if (auto* p = dynamic_cast<TPoint3*>(Source)) {
      x = p->x;
      return;
    }
    TPersistent::Assign(Source);
  }
};

TEST(ClassesPersistent, AssignKnownAndUnknownSources) {
  TPoint3 a, b;
  b.x = 7;
  a.Assign(&b);
  EXPECT_EQ(a.x, 7);
  TDerived* none = nullptr;
  (void)none;
  TStringList list;
  try {
    a.Assign(&list);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a TStringList to a TPoint3");
  }
  try {
    a.Assign(nullptr);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "Cannot assign a nil to a TPoint3");
  }
}

class TBlob : public TPersistent {
  VT_CLASS(TBlob, TPersistent)
public:
  std::string data;

protected:
  void DefineProperties(TFiler* Filer) override {
    Filer->DefineBinaryProperty(
        "Data", [this](TStream* s) { data = s->ReadAnsiString(); }, [this](TStream* s) { s->WriteAnsiString(data); },
        !data.empty());
  }
};

TEST(ClassesPersistent, BinaryPropertyRoundTrip) {
  TBlob a, b;
  a.data = "payload";
  TBinaryPropertyFiler fa(&a), fb(&b);
  ASSERT_NE(fa.Find("data"), nullptr);
  EXPECT_TRUE(fa.Find("Data")->HasData);
  EXPECT_FALSE(fb.Find("Data")->HasData);
  TMemoryStream m;
  fa.Find("Data")->WriteData(&m);
  m.SetPosition(0);
  fb.Find("Data")->ReadData(&m);
  EXPECT_EQ(b.data, "payload");
}

// Records what it is told and forgets a reference when told of its removal.
class TWatcher : public TComponent {
  VT_CLASS(TWatcher, TComponent)
public:
  using TComponent::TComponent;
  ~TWatcher() override {
    if (log) log->push_back("free " + Name());
  }
  TComponent* ref = nullptr;
  std::vector<std::string>* log = nullptr;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (log) log->push_back(Name() + (Operation == opInsert ? " +" : " -") + AComponent->Name());
    if (Operation == opRemove && AComponent == ref) ref = nullptr;
  }
};

TEST(ClassesComponent, OwnerFreesWhatItOwns) {
  std::vector<std::string> log;
  auto* owner = new TWatcher(nullptr);
  owner->SetName("Owner");
  auto* a = new TWatcher(owner);
  a->SetName("A");
  a->log = &log;
  auto* b = new TWatcher(owner);
  b->SetName("B");
  b->log = &log;
  auto* child = new TWatcher(a);
  child->SetName("Child");
  child->log = &log;
  EXPECT_EQ(owner->ComponentCount(), 2);
  EXPECT_EQ(owner->Components(1), b);
  EXPECT_EQ(owner->FindComponent("a"), a);
  EXPECT_EQ(b->ComponentIndex(), 1);
  log.clear();
  owner->Free();
  // Last first; an owned component's own destructor runs before it frees what it owns.
  EXPECT_EQ(log, (std::vector<std::string>{"free B", "free A", "free Child"}));
}

TEST(ClassesComponent, FreeNotificationReachesNonOwner) {
  auto* holder = new TWatcher(nullptr);
  auto* target = new TWatcher(nullptr);
  holder->ref = target;
  holder->FreeNotification(target);
  EXPECT_TRUE(holder->ComponentState().Contains(csFreeNotification));
  target->Free();
  EXPECT_EQ(holder->ref, nullptr);

  // After RemoveFreeNotification nothing is sent.
  auto* other = new TWatcher(nullptr);
  holder->ref = other;
  holder->FreeNotification(other);
  holder->RemoveFreeNotification(other);
  other->Free();
  EXPECT_NE(holder->ref, nullptr);
  holder->Free();
}

TEST(ClassesComponent, DestroyedOwnedComponentLeavesOwnerAndSiblingsHear) {
  std::vector<std::string> log;
  auto* owner = new TWatcher(nullptr);
  owner->SetName("Owner");
  owner->log = &log;
  auto* sibling = new TWatcher(owner);
  sibling->SetName("S");
  sibling->log = &log;
  auto* c = new TWatcher(owner);
  c->SetName("C");
  log.clear();
  c->Free();
  EXPECT_EQ(owner->ComponentCount(), 1);
  EXPECT_EQ(log, (std::vector<std::string>{"S -C", "Owner -C"}));
  log.clear();
  owner->Free();
}

TEST(ClassesComponent, NamingRulesAndStates) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  auto* b = new TComponent(&owner);
  a->SetName("Edit1");
  EXPECT_THROW(b->SetName("edit1"), EComponentError);
  try {
    b->SetName("1abc");
    FAIL();
  } catch (const EComponentError& e) {
    EXPECT_STREQ(e.what(), "'1abc' is not a valid component name");
  }
  b->SetName("Edit2");
  a->SetName("EDIT1");  // renaming to itself with another case is fine
  EXPECT_EQ(a->Name(), "EDIT1");

  a->BeginLoading();
  EXPECT_TRUE(a->ComponentState().Contains(csLoading));
  a->EndLoading();
  EXPECT_FALSE(a->ComponentState().Contains(csLoading));
  EXPECT_FALSE(a->ComponentState().Contains(csReading));
  owner.SetDesigning(true);
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
}

// ---- collections ---------------------------------------------------------------------------

class TNamedItem : public TCollectionItem {
  VT_CLASS(TNamedItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  std::string name;
  void Assign(TPersistent* Source) override {
    if (auto* i = dynamic_cast<TNamedItem*>(Source)) {
      name = i->name;
      return;
    }
    TCollectionItem::Assign(Source);
  }
  void Rename(const std::string& n) {
    name = n;
    Changed(false);
  }
};

class TWatchedCollection : public TCollection {
  VT_CLASS(TWatchedCollection, TCollection)
public:
  TWatchedCollection() : TCollection(TNamedItem::StaticClass()) {}
  std::vector<TCollectionItem*> updates;

protected:
  void Update(TCollectionItem* Item) override { updates.push_back(Item); }
};

TEST(ClassesCollection, ItemsIdsIndexesAndUpdates) {
  TWatchedCollection c;
  auto* a = static_cast<TNamedItem*>(c.Add());
  auto* b = static_cast<TNamedItem*>(c.Add());
  auto* x = static_cast<TNamedItem*>(c.Insert(0));
  EXPECT_STREQ(a->ClassName(), "TNamedItem");
  EXPECT_EQ(c.Count(), 3);
  EXPECT_EQ(x->Index(), 0);
  EXPECT_EQ(a->Index(), 1);
  EXPECT_EQ(x->ID(), 2);
  EXPECT_EQ(c.FindItemID(1), b);
  EXPECT_EQ(c.Owner(), nullptr);

  c.updates.clear();
  b->Rename("b");
  EXPECT_EQ(c.updates, std::vector<TCollectionItem*>{b});

  c.updates.clear();
  c.BeginUpdate();
  b->Rename("bb");
  c.Delete(0);
  EXPECT_TRUE(c.updates.empty());
  c.EndUpdate();
  EXPECT_EQ(c.updates, std::vector<TCollectionItem*>{nullptr});

  TWatchedCollection copy;
  copy.Assign(&c);
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(static_cast<TNamedItem*>(copy.Items(1))->name, "bb");

  delete a;  // an item freed on its own leaves its collection
  EXPECT_EQ(c.Count(), 1);
  EXPECT_THROW(c.Items(5), EListError);
}

// ---- pointer lists -------------------------------------------------------------------------

TEST(ClassesList, OperationsAndErrors) {
  int v[5] = {0, 1, 2, 3, 4};
  TList l;
  for (int i = 4; i >= 0; --i) l.Add(&v[i]);
  l.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
  EXPECT_EQ(l.First(), &v[0]);
  EXPECT_EQ(l.Last(), &v[4]);
  l.Move(0, 4);
  EXPECT_EQ(l[4], &v[0]);
  l.Exchange(0, 1);
  EXPECT_EQ(l[0], &v[2]);
  EXPECT_EQ(l.Extract(&v[3]), &v[3]);
  EXPECT_EQ(l.IndexOf(&v[3]), -1);
  EXPECT_EQ(l.Remove(&v[2]), 0);
  EXPECT_EQ(l.Count(), 3);
  try {
    l.Delete(3);
    FAIL();
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (3)");
  }
  EXPECT_THROW(l.Insert(-1, nullptr), EListError);
  EXPECT_THROW(l.SetCapacity(1), EListError);
  TList empty;
  EXPECT_THROW(empty.First(), EListError);
}

class TCounted : public TObject {
  VT_CLASS(TCounted, TObject)
public:
  explicit TCounted(int& n) : fN(n) { ++fN; }
  ~TCounted() override { --fN; }

private:
  int& fN;
};

TEST(ClassesList, ObjectListOwnsDeleteFreesExtractDoesNot) {
  int alive = 0;
  TCounted* kept = nullptr;
  {
    TObjectList l;
    for (int i = 0; i < 4; ++i) l.Add(new TCounted(alive));
    l.Delete(0);
    EXPECT_EQ(alive, 3);
    kept = static_cast<TCounted*>(l.Extract(l[0]));
    EXPECT_EQ(alive, 3);
    l.Remove(l[0]);
    EXPECT_EQ(alive, 2);
  }
  EXPECT_EQ(alive, 1);
  delete kept;
  TObjectList notOwning(false);
  TCounted c(alive);
  notOwning.Add(&c);
  notOwning.Clear();
  EXPECT_EQ(alive, 1);
}

}  // namespace
