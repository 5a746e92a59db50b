#pragma once
// Shared properties for many editors: a repository holds items, each owning one properties
// object that editors and grid columns use by reference and listen to. The registry of
// editor kinds names every kind's properties class with "Name|Description".

#include <vector>

#include "editors/kcEdit.h"

struct IkcEditRepositoryItemListener : IInterface {
  VT_INTERFACE("{4E27D642-022B-4CD2-AB96-64C7CF9B3299}")
  virtual void ItemRemoved(class TkcEditRepositoryItem* Sender) = 0;
  virtual void PropertiesChanged(class TkcEditRepositoryItem* Sender) = 0;

protected:
  ~IkcEditRepositoryItemListener() = default;
};

using TkcCustomEditPropertiesClass = TClassOf<TkcCustomEditProperties, TPersistent*>;

class TkcEditRepository;

class TkcEditRepositoryItem : public TComponent {
  VT_CLASS(TkcEditRepositoryItem, TComponent)
public:
  explicit TkcEditRepositoryItem(TComponent* AOwner);
  ~TkcEditRepositoryItem() override;
  // Makes the properties, of the class the item kind names.
  virtual TkcCustomEditPropertiesClass GetEditPropertiesClass();
  TkcCustomEditProperties* Properties();
  void SetProperties(TkcCustomEditProperties* Value) { Properties()->Assign(Value); }
  TkcEditRepository* Repository() const { return fRepository; }
  void SetRepository(TkcEditRepository* Value);
  virtual void AddListener(IkcEditRepositoryItemListener* AListener);
  virtual void RemoveListener(IkcEditRepositoryItemListener* AListener);
  int ListenerCount() const { return static_cast<int>(fListeners.size()); }
  // The repository's name and the item kind ("R1" + "TextItem").
  virtual String GetBaseName();
  bool HasParent() const { return fRepository != nullptr; }

protected:
  virtual void PropertiesChanged(TObject* Sender);

private:
  std::vector<IkcEditRepositoryItemListener*> fListeners;
  std::unique_ptr<TkcCustomEditProperties> fProperties;
  TkcEditRepository* fRepository = nullptr;
};
using TkcEditRepositoryItemClass = TClassOf<TkcEditRepositoryItem, TComponent*>;

class TkcEditRepositoryTextItem : public TkcEditRepositoryItem {
  VT_CLASS(TkcEditRepositoryTextItem, TkcEditRepositoryItem)
public:
  explicit TkcEditRepositoryTextItem(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {}
  TkcCustomEditPropertiesClass GetEditPropertiesClass() override;
};

class TkcEditRepositoryMaskItem : public TkcEditRepositoryItem {
  VT_CLASS(TkcEditRepositoryMaskItem, TkcEditRepositoryItem)
public:
  explicit TkcEditRepositoryMaskItem(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {}
  TkcCustomEditPropertiesClass GetEditPropertiesClass() override;
};

class TkcEditRepository : public TComponent {
  VT_CLASS(TkcEditRepository, TComponent)
public:
  explicit TkcEditRepository(TComponent* AOwner) : TComponent(AOwner) {}
  ~TkcEditRepository() override;
  virtual TkcEditRepositoryItem* AddNewItem(TkcEditRepositoryItemClass AItemClass);
  virtual TkcEditRepositoryItem* AddNewItemEx(TkcEditRepositoryItemClass AItemClass, TComponent* AOwner);
  // Frees every item, the last first.
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcEditRepositoryItem* Items(int Index) const { return fItems.at(static_cast<std::size_t>(Index)); }

private:
  friend class TkcEditRepositoryItem;
  void InsertItem(TkcEditRepositoryItem* AItem);
  void RemoveItem(TkcEditRepositoryItem* AItem);
  std::vector<TkcEditRepositoryItem*> fItems;
};

TkcEditRepository* GetDefaultEditRepository();
// The registry of editor kinds: sorted by name, no streaming registration.
TkcRegisteredClasses* GetEditPropertiesRegistry();

// Shared helpers of the editor kinds.
bool VarEqualsWithType(const Variant& V1, const Variant& V2);
bool IsSpaceChar(char32_t ACh);
void EnlargeSize(TSize& ASize, const TSize& AOther);
