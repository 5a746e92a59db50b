#pragma once
// The table view's data controller: the record store, filter, sorter and grouper of the data
// library, asking the owning view about its items; the binding of one item to its field (value
// type, defaults for its editor, its filter conditions and the values last picked for it); the
// unbound records as the form property "Data".

#include <memory>

#include "controls/kcClasses.h"
#include "data/kcCustomData.h"
#include "editors/kcEdit.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcGridItemDataBinding;
class TkcCustomGridView;

// What the table controller and navigator ask a data controller that may scroll a dataset
// itself; the unbound controller answers "not handled" everywhere.
struct IkcGridDataControllerItemsSupport : IInterface {
  VT_INTERFACE("{FEEE7E69-BD54-4B5D-BA0B-B6116B69C0CC}")
  virtual void UpdateGridModeBufferCount() = 0;
  virtual bool ScrollLine(bool AForward) = 0;
  virtual bool ScrollPage(bool AForward) = 0;
  virtual TClass GetItemDataBindingClass() = 0;
  virtual TClass GetItemDefaultValuesProviderClass() = 0;
  // Points an item's provider at what it answers for (a database controller: the field).
  virtual void InitItemDefaultValuesProvider(TkcGridColumn* AItem, TkcCustomEditDefaultValuesProvider* AProvider) = 0;
  virtual bool IsBOF() = 0;
  virtual bool IsEOF() = 0;
  virtual int GetScrollBarPosition() = 0;
  virtual int GetScrollBarRecordCount() = 0;
  virtual bool SetScrollBarPosition(int AValue) = 0;

protected:
  ~IkcGridDataControllerItemsSupport() = default;
};

// How the grid reaches the view of any data controller.
struct IkcGridDataControllerViewLink : IInterface {
  VT_INTERFACE("{B9ABDC6B-1A4A-4F11-A629-09B6FB9FB4BA}")
  virtual TkcCustomGridView* GetGridView() = 0;
  virtual void CollectFakeComponentLinks(std::vector<TComponent*>& AList) = 0;
  virtual void AssignData(TkcCustomDataController* ASource) = 0;

protected:
  ~IkcGridDataControllerViewLink() = default;
};

// The detail holder of a grid data controller's master record: the detail view the relation's
// level makes (a clone of the level's view), and that view's data controller.
TObject* GridCreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex);
TkcCustomDataController* GridDetailHolderDataController(TObject* AHolder);
// What a column's in-place editor edits, from its properties in effect (the text without any).
TkcDataEditValueSource GridItemValueSource(TObject* AItem);

class TkcGridDataController : public TkcDataController,
                              public IkcGridDataControllerItemsSupport,
                              public IkcGridDataControllerViewLink {
  VT_CLASS(TkcGridDataController, TkcDataController)
public:
  explicit TkcGridDataController(TkcGridTableView* AGridView);
  ~TkcGridDataController() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TkcGridTableView* GridView() const { return fGridView; }

  TObject* GetItem(int AItemIndex) override;
  int GetItemID(TObject* AItem) override;
  bool CanSelectRow(int ARowIndex) override;
  TCollectionItemClass GetSummaryItemClass() override;
  TCollectionItemClass GetSummaryGroupItemLinkClass() override;
  void FilterChanged() override;
  void ItemValueTypeClassChanged(int AItemIndex) override;
  void BeginOwnerUpdate() override;
  void EndOwnerUpdate() override;
  void Loaded() override;
  void FocusControl(int AItemIndex, bool& ADone) override;
  String GetFilterItemFieldCaption(TObject* AItem) override;
  bool GetItemSortByDisplayText(int AItemIndex, bool ADefault) override;
  TkcDataEditValueSource GetItemValueSource(int AItemIndex) override { return GridItemValueSource(GetItem(AItemIndex)); }
  void DefineProperties(TFiler* Filer) override;
  TObject* CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) override {
    return GridCreateDetailHolder(ARelation, ARecordIndex);
  }
  TkcCustomDataController* GetDetailHolderDataController(TObject* AHolder) override {
    return GridDetailHolderDataController(AHolder);
  }

  // The "Data" form property: an int32 byte count, then the records' stream. Reading checks the
  // count against what the stream holds before it takes anything.
  void ReadData(TStream* AStream);
  void WriteData(TStream* AStream);
  bool HasPendingData() const { return fPendingData != nullptr; }

  // IkcGridDataControllerItemsSupport
  void UpdateGridModeBufferCount() override {}
  bool ScrollLine(bool) override { return false; }
  bool ScrollPage(bool) override { return false; }
  TClass GetItemDataBindingClass() override;
  TClass GetItemDefaultValuesProviderClass() override;
  void InitItemDefaultValuesProvider(TkcGridColumn*, TkcCustomEditDefaultValuesProvider*) override {}
  bool IsBOF() override;
  bool IsEOF() override;
  int GetScrollBarPosition() override { return -1; }
  int GetScrollBarRecordCount() override { return -1; }
  bool SetScrollBarPosition(int) override { return false; }

  // IkcGridDataControllerViewLink
  TkcCustomGridView* GetGridView() override;
  void CollectFakeComponentLinks(std::vector<TComponent*>&) override {}
  void AssignData(TkcCustomDataController* ASource) override;

private:
  TkcGridTableView* fGridView;
  std::unique_ptr<TMemoryStream> fPendingData;
};

// The defaults an item's editor takes from the data: a display format comes from the field.
class TkcGridDefaultValuesProvider : public TkcCustomEditDefaultValuesProvider {
  VT_CLASS(TkcGridDefaultValuesProvider, TkcCustomEditDefaultValuesProvider)
public:
  using TConstructorArgs = std::tuple<TkcGridItemDataBinding*>;
  explicit TkcGridDefaultValuesProvider(TkcGridItemDataBinding* AOwner);
  bool HasDisplayFormat(bool AAcceptCurrency) override;

private:
  TkcGridItemDataBinding* fBinding;
};

// One filter value a user picked for an item; equal when the values are.
class TkcGridFilterMRUValueItem : public TkcMRUItem {
  VT_CLASS(TkcGridFilterMRUValueItem, TkcMRUItem)
public:
  TkcGridFilterMRUValueItem(const Variant& AValue, const String& AText) : FilterValue(AValue), FilterText(AText) {}
  Variant FilterValue;
  String FilterText;
  bool Equals(TkcMRUItem* AItem) override;
};

class TkcGridFilterMRUValueItems : public TkcMRUItems {
  VT_CLASS(TkcGridFilterMRUValueItems, TkcMRUItems)
public:
  void Add(const Variant& AValue, const String& AText) {
    TkcMRUItems::Add(new TkcGridFilterMRUValueItem(AValue, AText));
  }
  TkcGridFilterMRUValueItem* Items(int AIndex) const {
    return static_cast<TkcGridFilterMRUValueItem*>(TkcMRUItems::Items(AIndex));
  }
  // Every entry, newest first, as a recently used entry of the list.
  void AddItemsTo(TkcFilterValueList* AList);
};

// Ties one item to its field of the view's data controller.
class TkcGridItemDataBinding : public TPersistent {
  VT_CLASS(TkcGridItemDataBinding, TPersistent)
public:
  explicit TkcGridItemDataBinding(TkcGridColumn* AItem);
  ~TkcGridItemDataBinding() override;
  void Assign(TPersistent* Source) override;

  TkcGridColumn* Item() const { return fItem; }
  TkcCustomDataController* DataController() const;
  TObject* LinkedObject() const { return fLinkedObject; }
  void SetLinkedObject(TObject* Value) { fLinkedObject = Value; }
  // The provider made from the data controller's class (none without items support).
  TkcCustomEditDefaultValuesProvider* ValuesProvider() const { return fValuesProvider.get(); }
  // The provider, pointed at the item's present source first.
  IkcEditDefaultValuesProvider* GetDefaultValuesProvider() const;
  TkcGridFilterMRUValueItems* RecentFilterValues() const { return fRecentFilterValues.get(); }

  virtual TkcValueTypeClass GetDefaultValueTypeClass();
  virtual void GetFilterFieldName(String& AName) { AName.clear(); }
  virtual void GetDefaultCaption(String& ACaption) { ACaption.clear(); }
  virtual int GetDefaultWidth() { return 64; }
  bool ShouldStoreValueType() { return GetValueTypeClass() != GetDefaultValueTypeClass(); }

  TkcValueTypeClass GetValueTypeClass() const;
  void SetValueTypeClass(TkcValueTypeClass Value);
  // The caption of the value type; setting an unknown caption hands nil to the controller.
  String ValueType() const;
  void SetValueType(const String& Value);

  TkcDataFilterCriteria* GetFilterCriteria() const;
  TkcFilterCriteriaItem* GetFilterCriteriaItem() const;
  bool Filtered() const { return GetFilterCriteriaItem() != nullptr; }
  // Only switching off does something: every condition of the item goes.
  void SetFiltered(bool Value);
  TkcFilterCriteriaItem* AddToFilter(TkcFilterCriteriaItemList* AParent, TkcFilterOperatorKind AOperatorKind,
                                     const Variant& AValue, String ADisplayText = String(),
                                     bool AReplaceExisting = false);
  void GetFilterDisplayText(const Variant& AValue, String& ADisplayText);
  // The specials and distinct values of the filtered records; with AValuesOnly only the values,
  // else followed by the values last picked.
  void GetFilterValues(TkcDataFilterValueList* AValueList, bool AValuesOnly, bool AUseItemTextOrder);
  void GetFilterStrings(TStrings* AStrings, TkcDataFilterValueList* AValueList);

private:
  int ItemIndex() const;
  TkcGridColumn* fItem;
  TObject* fLinkedObject = nullptr;
  std::unique_ptr<TkcCustomEditDefaultValuesProvider> fValuesProvider;
  std::unique_ptr<TkcGridFilterMRUValueItems> fRecentFilterValues;
};
