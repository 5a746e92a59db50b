#pragma once
// Collections of persistent items (part of Classes.h).

#include "platform/core/Components.h"

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
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass ItemClass) : TCollection(ItemClass), fOwner(AOwner) {}

protected:
  TPersistent* GetOwner() override { return fOwner; }

private:
  TPersistent* fOwner;
};
