#pragma once
// The table view bound to a dataset: its data controller is the dataset controller, its
// columns name dataset fields, and CreateAllItems makes one column per field.

#include "data/kcDBData.h"
#include "editors-extended/kcDBEdit.h"
#include "controls/kcClasses.h"
#include "grid/kcGridTableView.h"

class TkcGridDBTableView;
class TkcGridDBColumn;

// A column's link to its dataset field; the data controller keeps the name.
class TkcGridItemDBDataBinding : public TObject {
  VT_CLASS(TkcGridItemDBDataBinding, TObject)
public:
  explicit TkcGridItemDBDataBinding(TkcGridDBColumn* AItem) : fItem(AItem) {}
  TkcGridDBColumn* Item() const { return fItem; }
  TkcDBDataController* DataController() const;
  TField* Field() const;
  String FieldName() const;
  void SetFieldName(const String& Value);
  // The field's name, or empty without a field.
  String DefaultCaption() const;
  // Width of "0" times the field's display width, plus 4, in the content font.
  // The width the field asks for; AField stands in while the binding is not yet linked.
  int DefaultWidth(TField* AField = nullptr) const;
  String FilterFieldCaption() const;

private:
  TkcGridDBColumn* fItem;
};

class TkcGridDBColumn : public TkcGridColumn {
  VT_CLASS(TkcGridDBColumn, TkcGridColumn)
public:
  explicit TkcGridDBColumn(TkcGridTableView* AGridView) : TkcGridColumn(AGridView), fDataBinding(this) {}
  // The field link; the column's DataBinding (filter values and conditions) stays the base's.
  TkcGridItemDBDataBinding* DBDataBinding() { return &fDataBinding; }
  // The name CreateAllItems generates; unique among the owner's components and columns.
  String Name() const { return fName; }
  void SetName(const String& Value) { fName = Value; }

protected:
  String GetDefaultCaption() const override { return fDataBinding.DefaultCaption(); }
  // The editor kind registered for the field (a lookup field gets the lookup combo box).
  TkcEditRepositoryItem* GetDefaultRepositoryItem() override;

private:
  TkcGridItemDBDataBinding fDataBinding;
  String fName;
};

class TkcGridDBDataController : public TkcDBDataController,
                                public IkcGridDataControllerItemsSupport,
                                public IkcGridDataControllerViewLink {
  VT_CLASS(TkcGridDBDataController, TkcDBDataController)
public:
  explicit TkcGridDBDataController(TkcGridDBTableView* AGridView);
  // The base's destructor lets go of the dataset, which notifies: not this half-gone view's.
  ~TkcGridDBDataController() override { OnUpdateControl = nullptr; }
  // The view's summary classes: items and group links whose item link is a column.
  TCollectionItemClass GetSummaryItemClass() override;
  TCollectionItemClass GetSummaryGroupItemLinkClass() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  // One column per dataset field, in field order, under one view and reload lock; nothing
  // without a dataset.
  void CreateAllItems();

  // Scrolling by record numbers: grid mode on a dataset with sequenced record numbers.
  virtual bool IsSequencedScrollingAvailable();

  // IkcGridDataControllerItemsSupport
  void UpdateGridModeBufferCount() override { ApplyGridModeBufferCount(); }
  bool ScrollLine(bool AForward) override;
  bool ScrollPage(bool AForward) override;
  TClass GetItemDataBindingClass() override;
  TClass GetItemDefaultValuesProviderClass() override;
  void InitItemDefaultValuesProvider(TkcGridColumn* AItem, TkcCustomEditDefaultValuesProvider* AProvider) override;
  bool IsBOF() override;
  bool IsEOF() override;
  int GetScrollBarPosition() override;
  int GetScrollBarRecordCount() override;
  bool SetScrollBarPosition(int Value) override;

  // IkcGridDataControllerViewLink
  TkcCustomGridView* GetGridView() override;
  void CollectFakeComponentLinks(std::vector<TComponent*>& AList) override;
  void AssignData(TkcCustomDataController*) override {}
  void DeleteAllItems();

  TObject* CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) override {
    return GridCreateDetailHolder(ARelation, ARecordIndex);
  }
  TkcCustomDataController* GetDetailHolderDataController(TObject* AHolder) override {
    return GridDetailHolderDataController(AHolder);
  }
  // As the view's own data controller answers them.
  TObject* GetItem(int AItemIndex) override { return GetItemField(AItemIndex)->ItemObject(); }
  int GetItemID(TObject* AItem) override;
  TkcDataEditValueSource GetItemValueSource(int AItemIndex) override { return GridItemValueSource(GetItem(AItemIndex)); }
  void FilterChanged() override;
  void BeginOwnerUpdate() override;
  void EndOwnerUpdate() override;
  String GetFilterItemFieldCaption(TObject* AItem) override;
  int GetDefaultGridModeBufferCount() override;
  bool IsSynchronizationEnabled() override { return true; }
  // The navigator's buttons follow whether the dataset has a current record.
  void DataSetCurrentChanged(bool AValue) override;
  bool CanSelectRow(int ARowIndex) override;
  // Adds a condition on an item (replacing its others when asked) and answers it.
  TkcFilterCriteriaItem* AddItemToFilter(TkcFilterCriteriaItemList* AParent, TObject* AItem,
                                         TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                         String ADisplayText, bool AReplaceExistent);

private:
  TkcGridDBTableView* fGridView;
  int fScrollBarPos = -1;
};

class TkcGridDBTableView : public TkcGridTableView {
  VT_CLASS(TkcGridDBTableView, TkcGridTableView)
public:
  explicit TkcGridDBTableView(TComponent* AOwner);
  TkcGridDBDataController* DataController() const {
    return static_cast<TkcGridDBDataController*>(TkcGridTableView::DataController());
  }
  TkcGridDBColumn* CreateColumn() { return static_cast<TkcGridDBColumn*>(TkcGridTableView::CreateColumn()); }
  TkcGridDBColumn* Columns(int AIndex) const {
    return static_cast<TkcGridDBColumn*>(TkcGridTableView::Columns(AIndex));
  }
  TkcGridDBColumn* GetColumnByFieldName(const String& AFieldName) const;

protected:
  TkcGridColumn* NewColumn() override { return new TkcGridDBColumn(this); }
  TkcCustomGridView* NewCloneView() override { return CreateGridView<TkcGridDBTableView>(nullptr); }
  void AssignPattern(TkcCustomGridView* APattern) override;
  void ConnectPatternData(TkcCustomGridView* APattern) override;
  void AssignColumnBinding(TkcGridColumn* AColumn, TkcGridColumn* ASource) override;
};

// An item's editor defaults taken from its dataset field (length, bounds, formats, read-only
// and required state); the data controller points it at the field whenever it is handed out.
class TkcGridDBDefaultValuesProvider : public TkcCustomDBEditDefaultValuesProvider {
  VT_CLASS(TkcGridDBDefaultValuesProvider, TkcCustomDBEditDefaultValuesProvider)
public:
  using TConstructorArgs = std::tuple<TkcGridItemDataBinding*>;
  explicit TkcGridDBDefaultValuesProvider(TkcGridItemDataBinding* AOwner);
  const String& FieldName() const { return fFieldName; }
  void SetFieldName(const String& Value) { fFieldName = Value; }
  // An item bound to no field keeps its value changeable.
  bool CanModifyValue() override;

private:
  String fFieldName;
};

// A summary of a database view: its item link is a column; a field no column shows is named
// by FieldName.
class TkcGridDBTableSummaryItem : public TkcDBDataSummaryItem {
  VT_CLASS(TkcGridDBTableSummaryItem, TkcDBDataSummaryItem)
public:
  using TkcDBDataSummaryItem::TkcDBDataSummaryItem;
  TkcGridDBColumn* Column() const;
  void SetColumn(TkcGridDBColumn* Value) { SetItemLink(Value); }
  TkcGridDBTableView* GetGridView();
};

// The component name CreateAllItems gives a column: the view's name, then the field name
// stripped to letters, digits and "_" (a class-derived prefix when that is empty or starts
// with a digit), then the first number that makes it unique (compared without case).
String GenerateGridItemName(const String& AViewName, const String& AFieldName, const String& AClassName,
                            const std::function<bool(const String&)>& AIsTaken);

// The view classes a grid level can bind, by description: "Table", then the database views
// ("DB Table") after every other one.
class TkcGridRegisteredViews : public TkcRegisteredClasses {
  VT_CLASS(TkcGridRegisteredViews, TkcRegisteredClasses)
public:
  TkcGridRegisteredViews();
  int CompareItems(int Index1, int Index2) override;
};

// The process-wide list, made with the table views registered on first use.
TkcGridRegisteredViews* GridRegisteredViews();
