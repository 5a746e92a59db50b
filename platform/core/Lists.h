#pragma once
// Lists of pointers, owned objects and interfaces (part of Classes.h).

#include "platform/core/ObjectModel.h"

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
