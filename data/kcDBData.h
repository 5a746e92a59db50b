#pragma once
// The data controller bound to a dataset: each item names a dataset field (or several, separated
// by ";"), the provider loads every record of the dataset into the record storage through a
// data link that follows the dataset's changes, and key fields find records by their key values
// through a sorted key index rebuilt with every load.

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "data/kcCustomData.h"
#include "data/kcDataSummary.h"
#include "platform/db/DB.h"

class TkcDBDataController;
class TkcDBDataProvider;
class TkcDBDataModeController;

// The value type that holds a dataset field's values (the text type when there is no field).
TkcValueTypeClass GetValueTypeClassByField(TField* AField);

// ---- Field utilities ---------------------------------------------------------------------------

// ";"-separated field name lists, blanks around names ignored.
bool IsMultipleFieldNames(const String& ANames);
int GetFieldNamesCount(const String& ANames);
void GetFieldNames(const String& ANames, TStrings* AList);
std::vector<String> SplitFieldNames(const String& ANames);
// Null for a null field; a wide string field's value as a wide string.
Variant ReadFieldValue(TField* AField);
// A date-time field given a double goes through AsDateTime.
void WriteFieldValue(TField* AField, const Variant& AValue);
// Null for no field, the value for one, an array for several.
Variant ReadFieldsValue(const std::vector<TField*>& AFields);
void WriteFieldsValue(const std::vector<TField*>& AFields, const Variant& AValue);
bool CanModifyLookupField(TField* AField);
bool CanModifyField(TField* AField, bool AByValue);
// Whether display texts are kept next to the values (the field shows its own text).
bool NeedsFieldDisplayText(TField* AField, bool ADefault);
// A currency amount shown without a format of its own.
bool IsCurrencyField(TField* AField);
// The name a filter expression uses: the origin (unless ignored) or the field name, in
// brackets when it is no identifier (a "]" inside doubled, so a name cannot end the brackets).
String GetFilterFieldName(TField* AField, bool AIgnoreOrigin);
bool SameFieldName(const String& AName1, const String& AName2);

// ---- Adapters by dataset class -------------------------------------------------------------------

class TkcDBAdapterItem : public TObject {
  VT_CLASS(TkcDBAdapterItem, TObject)
public:
  using TConstructorArgs = std::tuple<TClass>;
  explicit TkcDBAdapterItem(TClass ADataSetClass) : fDataSetClass(ADataSetClass) {}
  TClass DataSetClass() const { return fDataSetClass; }

private:
  TClass fDataSetClass;
};
using TkcDBAdapterItemClass = TClassOf<TkcDBAdapterItem, TClass>;

class TkcDBAdapterList : public TObject {
  VT_CLASS(TkcDBAdapterList, TObject)
public:
  ~TkcDBAdapterList() override { Clear(); }
  // The adapter for the class or its nearest registered ancestor (searched from the end).
  virtual bool FindAdapter(TClass ADataSetClass, int& AIndex);
  virtual void RegisterAdapter(TClass ADataSetClass, TkcDBAdapterItemClass AAdapterClass);
  virtual void UnregisterAdapter(TClass ADataSetClass, TkcDBAdapterItemClass AAdapterClass);
  TkcDBAdapterItem* Items(int AIndex) const { return fItems.at(static_cast<std::size_t>(AIndex)); }
  int Count() const { return static_cast<int>(fItems.size()); }
  void Clear();

private:
  std::vector<TkcDBAdapterItem*> fItems;
};

// Query datasets write null tests as "IS" / "IS NOT".
class TkcFilterSQLNullOperator : public TkcFilterNullOperator {
  VT_CLASS(TkcFilterSQLNullOperator, TkcFilterNullOperator)
public:
  using TkcFilterNullOperator::TkcFilterNullOperator;
  String GetExpressionWord() override { return "IS"; }
};

class TkcFilterSQLNotNullOperator : public TkcFilterNotNullOperator {
  VT_CLASS(TkcFilterSQLNotNullOperator, TkcFilterNotNullOperator)
public:
  using TkcFilterNotNullOperator::TkcFilterNotNullOperator;
  String GetExpressionWord() override { return "IS NOT"; }
};

class TkcDBFilterOperatorAdapter : public TkcDBAdapterItem {
  VT_CLASS(TkcDBFilterOperatorAdapter, TkcDBAdapterItem)
public:
  using TkcDBAdapterItem::TkcDBAdapterItem;
  virtual void PrepareOperatorClass(TkcFilterCriteriaItem* AItem, TDataSet* ADataSet, TkcFilterOperatorClass& AClass);
};

// Created on first use, with TkcDBFilterOperatorAdapter registered for TDataSet.
TkcDBAdapterList* FilterOperatorAdapters();
TkcDBFilterOperatorAdapter* GetFilterOperatorAdapter(TDataSet* ADataSet);

// Positions a detail dataset on its master's key: by reopening it with new parameter values
// (SQL mode; a dataset with parameters) or by locating the key.
class TkcDBProviderDetailFilterAdapter : public TkcDBAdapterItem {
  VT_CLASS(TkcDBProviderDetailFilterAdapter, TkcDBAdapterItem)
public:
  using TkcDBAdapterItem::TkcDBAdapterItem;
  // The named parameters already hold the values (False for a dataset without parameters).
  virtual bool IsCurrentQuery(TDataSet* ADataSet, const String& AParamNames, const Variant& AValues);
  // Already current: First; otherwise closed, given the values and opened again.
  virtual void ReopenDetailQuery(TDataSet* ADataSet, const String& AParamNames, const Variant& AValues,
                                 bool& AReopened);
  virtual void SelectDetail(TDataSet* ADataSet, const String& AKeyFieldNames, const Variant& AValues, bool ASQLMode,
                            bool& AReopened);
};

// Created on first use, with TkcDBProviderDetailFilterAdapter registered for TDataSet.
TkcDBAdapterList* DetailFilterAdapters();

class TkcDBDataField : public TkcCustomDataField {
  VT_CLASS(TkcDBDataField, TkcCustomDataField)
public:
  using TkcCustomDataField::TkcCustomDataField;
  // Leaves its parent and frees its sub-fields.
  ~TkcDBDataField() override;
  void TakeOverColumn(TkcCustomDataField* ASource) override;
  void ComponentRemoved(TComponent* AComponent) override;
  bool CanModify(TkcDataEditValueSource AValueSource) override;
  bool IsUnbound() override { return !Internal() && fFieldName.empty() && fDBFields.empty() && ValueColumn(); }
  bool HasInternalValues() override;

  const String& FieldName() const { return fFieldName; }
  void SetFieldName(const String& Value) { fFieldName = Value; }
  // A field that shares another's column (the same name) answers with that field's binding.
  const TkcDBDataField* Owner() const {
    return SharedField() ? static_cast<const TkcDBDataField*>(SharedField()) : this;
  }
  // The first bound dataset field, nil when none.
  TField* DBField() const { return DBFields().empty() ? nullptr : DBFields().front(); }
  // All bound fields of a ";" list (one for a plain item).
  const std::vector<TField*>& DBFields() const { return Owner()->fDBFields; }
  void SetDBFields(std::vector<TField*> AFields) { fDBFields = std::move(AFields); }
  // The value of the current dataset record: one value, or an array for several fields.
  Variant ReadValue() const;
  // Bound to a lookup field: its key fields are sub-fields, which filtering, grouping and
  // editing by key use.
  bool IsLookup() const { return DBFields().size() == 1 && DBFields().front()->FieldKind() == fkLookup; }
  // Sub-fields are hidden fields of the controller owned by this one; "ADataField.FParentField
  // <> nil" for a field that has a parent already.
  void AddSubField(TkcDBDataField* AField);
  void RemoveSubField(TkcDBDataField* AField);
  void ClearSubFields();
  int SubFieldCount() const { return static_cast<int>(Owner()->fSubFields.size()); }
  TkcDBDataField* SubFields(int AIndex) const { return Owner()->fSubFields.at(static_cast<std::size_t>(AIndex)); }
  TkcDBDataField* ParentField() const { return fParentField; }
  // The dataset fields of the sub-fields that are bound.
  std::vector<TField*> SubFieldDBFields() const;

private:
  String fFieldName;
  std::vector<TField*> fDBFields;
  std::vector<TkcDBDataField*> fSubFields;
  TkcDBDataField* fParentField = nullptr;
};

class TkcValueDefDBReader : public TkcValueDefReader {
  VT_CLASS(TkcValueDefDBReader, TkcValueDefReader)
public:
  TkcValueDefDBReader() = default;
  Variant GetValue(TkcValueDef* AValueDef) override;
  String GetDisplayText(TkcValueDef* AValueDef) override;
  bool IsInternalColumn(TkcValueDef* AValueDef) override { return ColumnOf(AValueDef).Internal; }

private:
  // What a column reads from, found once per reader: a load asks for every column of every record.
  struct TColumn {
    TkcValueDef* ValueDef;
    TkcDBDataField* Field;  // null when the column's field is not a dataset field
    bool Internal;          // HasInternalValues of the column
  };
  const TColumn& ColumnOf(TkcValueDef* AValueDef);
  std::vector<TColumn> fColumns;
  std::size_t fNext = 0;  // where the next look-up starts: columns are read in their order
};

class TkcDBDataLink : public TDataLink {
  VT_CLASS(TkcDBDataLink, TDataLink)
public:
  explicit TkcDBDataLink(TkcDBDataProvider* AProvider) : fProvider(AProvider) { VisualControl = true; }

protected:
  void ActiveChanged() override;
  void DataEvent(TDataEvent Event, std::intptr_t Info) override;
  void DataSetChanged() override;
  void DataSetScrolled(int ADistance) override;
  void LayoutChanged() override;
  // The record being edited shows the dataset's values as they change.
  void RecordChanged(TField* AField) override;
  // A field asks for the focus: the controller's item bound to it takes it when it can.
  void FocusControl(TField** AField) override;
  void EditingChanged() override;

public:
  // An insert started on the dataset (by any code) becomes a new controller row at the place
  // the dataset inserts, appended when the dataset appends.
  void InsertSync();
  void ReplayDataSetChanged() { DataSetChanged(); }

private:
  TkcDBDataProvider* fProvider;
  bool fLayoutChangePending = false, fInInsertSync = false;
};

using TkcDBDataModeControllerDetailFirstEvent =
    TEvent<void(TkcDBDataModeController* Sender, TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames,
                const Variant& AMasterDetailKeyValues, bool& AReopened)>;
using TkcDBDataModeControllerDetailIsCurrentQueryEvent =
    TEvent<bool(TkcDBDataModeController* Sender, TDataSet* ADataSet, const String& AMasterDetailKeyFieldNames,
                const Variant& AMasterDetailKeyValues)>;

// The settings of a dataset controller's data mode.
class TkcDBDataModeController : public TPersistent {
  VT_CLASS(TkcDBDataModeController, TPersistent)
public:
  explicit TkcDBDataModeController(TkcDBDataController* AController) : fDataController(AController) {}
  void Assign(TPersistent* Source) override;

  bool DetailInSQLMode = false;
  bool DetailInSyncMode = true;
  bool SyncInsert = true;
  // Grid mode: only a buffer of dataset records around the cursor is exposed, its values read
  // live from the dataset (not while grouped: grouping needs every record).
  bool GridMode() const { return fGridMode; }
  void SetGridMode(bool Value);
  // The buffer's size; 0 stands for the controller's default (100).
  int GridModeBufferCount() const { return fGridModeBufferCount; }
  void SetGridModeBufferCount(int Value);
  // With key fields (outside grid mode): a change of the dataset made through an edit, insert or
  // delete re-reads, adds or removes only that record instead of reloading all of them.
  bool SmartRefresh() const { return fSmartRefresh; }
  void SetSmartRefresh(bool Value);
  // The controller's focus and the dataset's current record move together.
  bool SyncMode() const { return fSyncMode; }
  void SetSyncMode(bool Value);

protected:
  TPersistent* GetOwner() override;

public:
  // A detail dataset positioned on its master's key: through the events when set, otherwise
  // through the detail filter adapter of the dataset's class.
  virtual bool DetailIsCurrentQuery(const String& AKeyFieldNames, const Variant& AKeyValues);
  virtual void DetailFirst(const String& AKeyFieldNames, const Variant& AKeyValues, bool& AReopened);
  TkcDBDataModeControllerDetailFirstEvent OnDetailFirst;
  TkcDBDataModeControllerDetailIsCurrentQueryEvent OnDetailIsCurrentQuery;

private:
  TkcDBDataController* fDataController;
  bool fGridMode = false, fSmartRefresh = false, fSyncMode = true;
  int fGridModeBufferCount = 0;
};

class TkcDBDataProvider : public TkcCustomDataProvider {
  VT_CLASS(TkcDBDataProvider, TkcCustomDataProvider)
public:
  explicit TkcDBDataProvider(TkcCustomDataController* AController);
  ~TkcDBDataProvider() override;

  bool IsCustomSourceSupported() override { return false; }
  bool IsGridMode() override;
  bool IsActive() override { return fDataLink->Active(); }
  bool IsDataActive() override { return IsActive(); }
  // A dataset with fields that is open or has persistent fields.
  bool HasFieldList() override;
  bool IsBOF() override { return !DataSet() || DataSet()->Bof(); }
  // A detail is at its end after the last row of its master record.
  bool IsEOF() override;
  void First() override;
  void Prior() override;
  void Next() override;
  void Last() override;
  void MoveBy(int ADistance) override;
  // Grid mode: moves the dataset past the buffer's top or bottom row by the distance.
  void Scroll(int ADistance) override;
  void SavePosition() override;
  void RestorePosition() override;
  // Ends a SavePosition leaving the cursor where it is now.
  void KeepPosition();
  bool CanModify() override { return DataSet() && DataSet()->CanModify() && !fDataLink->ReadOnly(); }
  // A dataset that cannot be changed has no records to delete either.
  bool CanDelete() override { return CanModify() && TkcCustomDataProvider::CanDelete(); }
  TkcValueDefReader* CreateValueDefReader() override { return new TkcValueDefDBReader(); }
  void ActiveChanged(bool AActive) override;
  int GetActiveRecordIndex() override;
  void LayoutChanged(int ADistance) override;
  // Grid mode: one storage record per buffer row; values are read from the dataset's buffer.
  void LoadRecords() override;
  Variant GetExternalValue(int ARecordIndex, TkcCustomDataField* AField) override;
  String GetExternalDisplayText(int ARecordIndex, TkcCustomDataField* AField) override;
  // Grid mode: the buffer follows the dataset after a change (a full reload only when the
  // number of buffer rows changed).
  void ReloadGridModeBuffer();
  int GetGridModeBufferCount();
  int GetBufferRecordCount() const { return fDataLink->RecordCount(); }
  // The controller record (in grid mode the buffer row) of the dataset's current record.
  int CurrentRecordIndex() const { return fCurrentRecordIndex; }

  bool IsSmartRefreshActive();
  // Smart refresh: the record the dataset starts editing (or that an insert is under way) is
  // remembered; once the dataset is back in browse state, only that record is re-read, or the
  // posted new record added. False when the change cannot be told apart (the caller reloads).
  void RememberUpdatingRecord();
  bool RefreshUpdatedRecord();
  void ResetUpdatingRecord() {
    fUpdatingRecord = kcNoRecordIndex;
    fUpdatingInserting = false;
  }
  // A delete of our own in smart-refresh mode: the dataset's notices are not reloads.
  bool SmartDeleting() const { return fSmartDeleting; }
  // Fills the record from the dataset's current record.
  void ReadRecordFromDataSet(int ARecordIndex);
  // Editing runs on the dataset: its post or cancel reloads the records.
  void Edit() override;
  void Insert() override;
  void Append() override;
  void Post() override;
  void Cancel() override;
  void Delete() override;
  void DeleteRecords(std::vector<int>& AList) override;
  // Grid mode: the selected records are bookmarks, most of them outside the buffer; each one
  // is found and deleted, from the last to the first.
  void DeleteSelection() override;
  bool SetEditValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue,
                    TkcDataEditValueSource AValueSource) override;
  Variant GetEditValue(int ARecordIndex, TkcCustomDataField* AField, TkcDataEditValueSource AValueSource) override;
  bool IsEditing() override;
  bool IsInserting() override;
  bool IsModified() override { return DataSet() && DataSet()->Modified(); }
  bool IsSyncMode() override;
  bool CanInitEditing(int ARecordIndex) override;
  // A bound field's value goes into the dataset (a lookup's into its key fields).
  void SetValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue) override;
  // A new row's defaults go into the dataset, which the row then shows.
  void AssignDefaultValues(int ARecordIndex, const Variant& AGroupingValues) override;
  // Inserts on the dataset are mirrored as controller rows: sync mode, SyncInsert, and not a
  // detail template.
  bool CanSyncInsert();
  // The inserted row of a mirrored insert (kcNoRecordIndex when none).
  bool HasSyncedInsert() const { return fInserting && fEditingRecordIndex != kcNoRecordIndex; }
  void NoteSyncedInsert();
  bool ExplicitInsert() const { return fExplicitInsert; }
  // The dataset's record counts as changed only by values other than those a new record got
  // automatically (grouping values, the master record's key).
  bool IsDataSetModified();
  // The dataset's Cancel; a detail's appended row gives the cursor back to the detail's rows.
  void CancelDataSet();

  TkcDBDataLink* DataLink() const { return fDataLink.get(); }
  TDataSet* DataSet() const { return fDataLink->DataSet(); }
  void SetActiveChanging(bool Value) { fActiveChanging = Value; }

  // Several controllers on one dataset (the details of one relation share their dataset): a
  // change that one of them causes while it reads or locates is only a cursor move for the
  // others, and one that reaches a controller while another reads waits until that one ends.
  std::vector<TkcDBDataProvider*> ProvidersOnDataSet() const;
  // Another provider on the dataset is frozen (or locating, for a key-based controller): this
  // one is called back once it has loaded.
  bool IsAnotherProviderBusy();
  bool IsDataSetLocating();
  // A locate or read that starts while the dataset edits posts or cancels that edit: the change
  // notices that follow are changes for every provider on the dataset, not cursor moves, until
  // the records were read again.
  void MarkPostLocate();
  void ClearPostLocate() { fPostLocate = false; }
  bool PostLocate() const { return fPostLocate; }
  void LockLocate() override;
  // A pending edit of the dataset is cancelled before the dataset is read.
  void BeginFreeze() override;
  // A detail provider on the dataset reads it now.
  bool IsDetailProviderFrozen();
  // Replays the dataset's change notice for the waiting providers.
  void NotifyListeners();
  void StructureChanged(bool AFlag) override;

  // Master-detail: a detail reads only its master record's rows; of the details sharing one
  // dataset, at most one is current (the dataset is positioned for it).
  bool IsDetail();
  bool IsDataSetCurrent();
  void SetDataSetCurrent(bool Value);
  bool SourceHasDetails(int ARecordIndex, int ARelationIndex) override;
  // A detail's record r is the dataset's record at RecNo DetailFirstRecNo() + r (rows of one
  // master record are adjacent in the dataset's order).
  int DetailFirstRecNo() const { return fDetailFirstRecNo; }

private:
  void StartInsert(bool AAppend);
  // Reads a bound field at a buffer row (the dataset's active record put back afterwards).
  template <class R>
  R ReadBufferRow(int ARecordIndex, TkcCustomDataField* AField, R ANone, R (*ARead)(TkcDBDataField*));
  std::unique_ptr<TkcDBDataLink> fDataLink;
  std::vector<TkcDBDataProvider*> fListeners;
  bool fInNotify = false, fDataSetCurrent = false, fPostLocate = false;
  int fDetailFirstRecNo = 1;
  int fCurrentRecordIndex = -1;
  int fUpdatingRecord = kcNoRecordIndex;
  bool fUpdatingInserting = false, fSmartDeleting = false, fExplicitInsert = false;
  std::vector<TField*> fAssignedFields;
  String fSavedBookmark;
  std::vector<std::pair<TkcDBDataProvider*, int>> fSavedBufferRows;  // grid-mode buffers: (provider, row)
  int fPositionLock = 0;
};

// ---- Grid-mode selection ------------------------------------------------------------------------------

// In grid mode a row shows another record after each scroll, so the selection is kept as the
// dataset's bookmarks, in the dataset's order (one base entry per bookmark). Outside grid mode it
// is the base selection.
class TkcDBDataSelection : public TkcDataSelection {
  VT_CLASS(TkcDBDataSelection, TkcDataSelection)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDBDataSelection(TkcCustomDataController* AController) : TkcDataSelection(AController) {}
  void ClearAnchor() override;
  void InsertEntry(int APosition, int ARowIndex, int ARecordValue, int ALevel) override;
  void ClearEntries() override;
  void DeleteEntry(int APosition) override;
  // Grid mode: the row's bookmark found by binary search (the position where it would go).
  bool FindByRowIndex(int ARowIndex, int& APosition) const override;

  bool FindBookmark(const String& ABookmark, int& APosition) const;
  // Every record of the dataset the controller lets select.
  void SelectAllInGridMode();
  // The records from the anchor to the bookmark (either way round); with AKeep they join the
  // selection, in one merge of two sorted lists, so a range of n records costs n compares.
  void SelectBookmarkRange(const String& ABookmark, bool AKeep);
  // Drops bookmarks whose records the dataset no longer has; answers whether any went.
  bool DropInvalidBookmarks();
  const std::vector<String>& Bookmarks() const { return fBookmarks; }
  const String& AnchorBookmark() const { return fAnchorBookmark; }
  void SetAnchorBookmark(const String& Value) { fAnchorBookmark = Value; }

private:
  bool InGridMode() const;
  int CompareBookmarks(const String& A, const String& B) const;
  void SyncEntryCount();
  // Runs a walk over the dataset with its position saved and given back; then the base
  // selection holds one entry per bookmark.
  void WalkDataSet(const std::function<void()>& AWork);
  std::vector<String> fBookmarks;
  String fAnchorBookmark;
  bool fSelectAll = false;
};

// ---- Filtering through the dataset, summary items of dataset fields ----------------------------------

class TkcDBDataFilterCriteriaItem : public TkcDataFilterCriteriaItem {
  VT_CLASS(TkcDBDataFilterCriteriaItem, TkcDataFilterCriteriaItem)
public:
  using TkcDataFilterCriteriaItem::TkcDataFilterCriteriaItem;
  // Query datasets get the SQL null operators.
  TkcFilterOperatorClass GetFilterOperatorClass() override;
};

class TkcDBDataFilterCriteria;
using TkcDBDataFilterBeforeChangeEvent =
    TEvent<void(TkcDBDataFilterCriteria* Sender, TDataSet* ADataSet, const String& AFilterText)>;
using TkcDBDataFilterFormatFilterTextValueEvent =
    TEvent<void(TkcDBDataFilterCriteria* Sender, const Variant& AValue, String& ADisplayValue)>;

// A filter that can also be written into the dataset's own Filter (AutoDataSetFilter) or handed
// to the application (OnBeforeChange); then the controller filters nothing in memory.
class TkcDBDataFilterCriteria : public TkcDataFilterCriteria {
  VT_CLASS(TkcDBDataFilterCriteria, TkcDataFilterCriteria)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDBDataFilterCriteria(TkcCustomDataController* AController) : TkcDataFilterCriteria(AController) {}
  void Assign(TPersistent* Source) override;
  void AssignEvents(TPersistent* Source) override;
  void RestoreDefaults() override;
  void DoFormatFilterTextValue(TkcFilterCriteriaItem* AItem, const Variant& AValue, String& AText) override;
  TkcFilterCriteriaItemClass GetItemClass() override { return TkcDBDataFilterCriteriaItem::StaticClass(); }
  bool IsFiltering() override;
  void DoChanged() override;

  bool AutoDataSetFilter() const { return fAutoDataSetFilter; }
  void SetAutoDataSetFilter(bool Value);
  bool IgnoreOrigin() const { return fIgnoreOrigin; }
  void SetIgnoreOrigin(bool Value);

  TkcDBDataFilterBeforeChangeEvent OnBeforeChange;
  TkcDBDataFilterFormatFilterTextValueEvent OnFormatFilterTextValue;

private:
  TDataSet* DataSet() const;
  // The filter goes into the dataset: AutoDataSetFilter, unless smart refresh is active (a
  // record re-read in place would not be filtered again).
  bool DataSetFilterInForce() const;
  bool fAutoDataSetFilter = false;
  bool fIgnoreOrigin = true;
};

// A summary item that may total a dataset field no item shows (FieldName).
class TkcDBDataSummaryItem : public TkcDataSummaryItem {
  VT_CLASS(TkcDBDataSummaryItem, TkcDataSummaryItem)
public:
  using TkcDataSummaryItem::TkcDataSummaryItem;
  ~TkcDBDataSummaryItem() override;
  void Assign(TPersistent* Source) override;
  TkcCustomDataField* GetField() override { return fField ? fField : TkcDataSummaryItem::GetField(); }
  bool CanCalculate() override { return fField != nullptr || TkcDataSummaryItem::CanCalculate(); }
  bool IsCurrency(TVarType AVarType) override;
  const String& FieldName() const { return fFieldName; }
  void SetFieldName(const String& Value);

private:
  String fFieldName;
  TkcDBDataField* fField = nullptr;
};

// ---- Master-detail ---------------------------------------------------------------------------------

// A relation whose master records find their detail rows by key: MasterKeyFieldNames (fields of
// the master dataset) and DetailKeyFieldNames (of the detail dataset), both set on the
// relation's template detail controller.
class TkcDBDataRelation : public TkcCustomDataRelation {
  VT_CLASS(TkcDBDataRelation, TkcCustomDataRelation)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataRelationList*, TObject*>;
  using TkcCustomDataRelation::TkcCustomDataRelation;
  ~TkcDBDataRelation() override;
  void FieldRemoved(TkcCustomDataField* AField) override;
  bool HasKeyLink();
  // The master record's key values (Unassigned without a key link).
  Variant GetMasterKeyValues(int AMasterRecordIndex);
  String GetDetailKeyFieldNames();
  String GetMasterKeyFieldNames();
  void ReportKeyFieldNamesChanged();
  // A hidden field of the master controller named after the master key fields.
  TkcDBDataField*& MasterKeyField() { return fMasterKeyField; }
  // The relation's template detail controller (for a relation of a detail of a record, the one
  // of the same relation of the master's template); nil when it is no dataset controller.
  TkcDBDataController* TemplateController();

private:
  TkcDBDataField* fMasterKeyField = nullptr;
};

using TkcDBDataDetailHasChildrenEvent =
    TEvent<void(TkcDBDataController* Sender, int ARecordIndex, int ARelationIndex, const String& ADetailKeyFieldNames,
                const Variant& AMasterDetailKeyValues, bool& AHasChildren)>;

class TkcDBDataController : public TkcCustomDataController {
  VT_CLASS(TkcDBDataController, TkcCustomDataController)
public:
  explicit TkcDBDataController(TComponent* AOwner);
  // For a descendant whose class choices (summary items, filter) need its own object: it calls
  // CreateOwnedObjects in its constructor.
  TkcDBDataController(TComponent* AOwner, TDeferCreation) : TkcCustomDataController(AOwner, TDeferCreation{}) {}
  ~TkcDBDataController() override;

  TkcCustomDataProviderClass GetDataProviderClass() override { return TkcDBDataProvider::StaticClass(); }
  TkcDataSelectionClass GetDataSelectionClass() override { return TkcDBDataSelection::StaticClass(); }
  TkcDBDataSelection* Selection() const { return static_cast<TkcDBDataSelection*>(DataControllerInfo()->Selection()); }

  // Grid mode: the selection and its anchor are dataset bookmarks; rows are the buffer's.
  Variant GetRowIdentity(int ARowIndex) override;
  int GetSelectedRowIndex(int AIndex) override;
  int GetSelectionAnchorRowIndex() override;
  bool HasSelectionAnchor() override;
  void SelectAll() override;
  void SelectFromAnchor(int ARowIndex, bool AKeepSelection) override;
  void SetSelectionAnchor(int ARowIndex) override;
  // The bookmark of a buffer row (empty outside grid mode).
  String GetRowBookmark(int ARowIndex);
  // "DataController not in GridMode" outside grid mode.
  String GetSelectedBookmark(int AIndex);
  String GetAnchorBookmark();
  // Grid mode: the bookmark is the dataset's bookmark of the record (empty = none).
  bool IsBookmarkAvailable() override;
  bool IsBookmarkRow(int ARowIndex) override;
  bool IsBookmarkInvalid(int ARecordIndex) override;
  void ForgetBookmark() override;
  void FocusBookmark() override;
  bool StoreBookmark() override;
  // Grid mode's incremental search moves the dataset itself: records whose text of the searched
  // item begins with the text (case ignored), forward or backward; a search that does not
  // continue from the next record wraps at the dataset's end.
  bool FindInSource(const String& AText, bool AForward, bool AFindNext) override;
  TkcCustomDataFieldClass GetItemFieldClass() override { return TkcDBDataField::StaticClass(); }
  bool NeedsStructureCheck() override { return true; }
  bool IsSmartRefresh() override { return Provider()->IsSmartRefreshActive(); }
  // Rebuilds the structure once loading ends, unless the data link already did it when it
  // became active during loading.
  void Loaded() override;
  void NoteActivatedWhileLoading() { fLoaded = true; }
  bool IsSourceField(TkcCustomDataField* AField) override;
  void RefreshField(TkcCustomDataField* AField) override;
  void ChangeValueTypeClass(int AItemIndex, TkcValueTypeClass AClass) override;
  void GetKeyFields(std::vector<TkcCustomDataField*>& AList) override;
  // Keys identify records only when all of them are loaded (not in grid mode).
  bool IsKeyBased() override { return fKeyField != nullptr && DataSet() != nullptr && !IsGridMode(); }
  void UpdateStructure() override;
  // The buffer size used when the mode controller's is 0.
  virtual int GetDefaultGridModeBufferCount() { return 100; }
  // The buffer's rows now show other records (grid mode).
  virtual void BufferScrolled(int /*ADistance*/) {}
  // Reloads the grid-mode buffer for a new buffer size.
  void ApplyGridModeBufferCount();
  // "DetailFilterController not found" when no adapter is registered for the dataset's class.
  virtual TkcDBProviderDetailFilterAdapter* GetDetailFilterAdapter();
  void LoadData() override;
  void DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) override;
  Variant GetRecordId(int ARecordIndex) override;
  void FieldRemoved(TkcCustomDataField* AField) override;
  TkcDataFilterCriteriaClass GetFilterCriteriaClass() override { return TkcDBDataFilterCriteria::StaticClass(); }
  TCollectionItemClass GetSummaryItemClass() override { return TkcDBDataSummaryItem::StaticClass(); }
  String GetFilterItemFieldName(TObject* AItem) override;
  // A lookup item filters and groups by its key fields' values (an array for several).
  Variant GetFilterFieldValue(int ARecordIndex, TkcCustomDataField* AField) override;
  bool IsFilterValueStored(TkcCustomDataField* AField) override;
  Variant GetGroupingFieldValue(int ARecordIndex, TkcCustomDataField* AField) override;
  // Posts an edit or insert of the dataset.
  void FinishEditing() override;
  // Re-reads the dataset (its change notice reloads the records).
  void RefreshData() override;
  // A currency field shown without its own format keeps no stored text.
  bool UseItemStoredText(int AItemIndex, bool AFlag) override;
  TkcDBDataFilterCriteria* Filter() const {
    return static_cast<TkcDBDataFilterCriteria*>(TkcCustomDataController::Filter());
  }
  // A hidden field for a ";" list of dataset field names (created, renamed or freed).
  void SetFieldNamesOf(const String& ANames, TkcDBDataField*& AField);
  // Puts the dataset's cursor on the record (loaded records follow the dataset's order);
  // false for no record.
  bool MoveDataSetToRecord(int ARecordIndex);

  void Assign(TPersistent* Source) override;
  // Actions the controller does not handle go to its data link (dataset actions).
  bool ExecuteAction(TObject* AAction) override {
    return TkcCustomDataController::ExecuteAction(AAction) || Provider()->DataLink()->ExecuteAction(AAction);
  }
  bool UpdateAction(TObject* AAction) override {
    return TkcCustomDataController::UpdateAction(AAction) || Provider()->DataLink()->UpdateAction(AAction);
  }
  int GetDataSetRecordCount();
  // -1 when the dataset is closed or missing.
  int GetDataSetRecNo();
  void SetDataSetRecNo(int Value);
  // The dataset fields of the key; "Key Field not found" for a key name the dataset lacks.
  std::vector<TField*> GetKeyDataSetFields();
  // The key of the dataset's current record.
  Variant GetDataSetKeyValues();

  // Sync mode: the focused record follows the dataset's cursor and moves it (before the focus
  // changes, so the row engine finds the dataset on the new record).
  bool CanFocusRecord(int ARecordIndex) override;
  int GetCurrentRecordIndex() override;
  // The record of the dataset's current record (by key, else by place), -1 when none.
  int DataSetCurrentRecordIndex();
  TkcDBDataModeController* DataModeController() const { return fDataModeController.get(); }

  TDataSource* DataSource() const { return Provider()->DataLink()->DataSource(); }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const { return Provider()->DataSet(); }
  TkcDBDataProvider* Provider() const { return static_cast<TkcDBDataProvider*>(TkcCustomDataController::Provider()); }

  // Items name dataset fields.
  void SetItemFieldName(int AItemIndex, const String& ANames);
  String GetItemFieldName(int AItemIndex);
  TField* GetItemDBField(int AItemIndex);

  // Hooks for descendants: the provider became current or not, the data source changed, a new
  // record got its defaults.
  virtual void DataSetCurrentChanged(bool /*AValue*/) {}
  virtual void DataSourceChanged() {}
  virtual void InitInsertingRecord(int /*ARecordIndex*/) {}

  // Master-detail (set on a relation's template detail controller).
  TkcCustomDataRelationClass GetRelationClass() override { return TkcDBDataRelation::StaticClass(); }
  const String& DetailKeyFieldNames() const { return fDetailKeyFieldNames; }
  void SetDetailKeyFieldNames(const String& Value);
  const String& MasterKeyFieldNames() const { return fMasterKeyFieldNames; }
  void SetMasterKeyFieldNames(const String& Value);
  // The detail key names when the master key names are set too, else empty (no link).
  String GetLinkedDetailKeyFieldNames() const;
  // The key values of the master record of a detail (Unassigned when none).
  const Variant& MasterDetailKeyValues() const { return fMasterDetailKeyValues; }
  void SetMasterRelationAndRecord(TkcCustomDataRelation* ARelation, int ARecordIndex) override;
  void DetailStructureChanged() override;
  // Each dataset relation's hidden master key field follows its template's master key names.
  void RefreshMasterKeyFields();
  void FocusedRecordChanged() override;
  bool CanFocusedRowChange() override;
  bool CanChangeDetailExpanding(int ARecordIndex, bool AExpand) override;
  void SyncDetailDataSet() override;
  void AfterDataLoaded() override;
  void UpdateFocusing() override;
  // A detail query (SQL mode) whose parameters are not its master record's key any more.
  bool IsDetailQueryStale();
  // SQL mode: reopens the detail query for the master record's key when it is not current.
  void CheckDetailQuery();
  // The master's focus follows the shared detail dataset: the master record of the dataset's
  // current detail row is focused and its detail expanded (run for a detail template).
  void SyncMasterFocus();
  bool IsResettingDataSetCurrent() const { return fResettingDataSetCurrent; }
  void SetResettingDataSetCurrent(bool Value) { fResettingDataSetCurrent = Value; }
  bool IsCheckingCurrentQuery() const { return fCheckingCurrentQuery; }
  // The dataset fields of the linked detail key names (those the dataset has).
  std::vector<TField*> GetDetailKeyDataSetFields();
  TkcDBDataDetailHasChildrenEvent OnDetailHasChildren;

  // Key fields (";" list) identify records across reloads and for LocateByKey.
  const String& KeyFieldNames() const { return fKeyFieldNames; }
  void SetKeyFieldNames(const String& Value);
  // The record whose key equals AKey (a value, or an array for several key fields), -1 when
  // none; a binary search over the key index of the last load.
  int FindRecordIndexByKey(const Variant& AKey);
  // Focuses the record of the key; a key that no record has removes the focus.
  bool LocateByKey(const Variant& AKey);

private:
  // A lookup field gets one sub-field per key field (re-made when its key fields change); any
  // other field has none.
  void UpdateLookupKeyFields(TkcDBDataField* AField);
  // Gives the field its names; a field naming one dataset field that an earlier field of the
  // list names too shares that field's column (the fields that shared its own look again).
  void AssignFieldNames(TkcDBDataField* AField, const String& ANames);
  void ShareColumnByName(TkcDBDataField* AField);
  void RebuildKeyIndex();
  String fKeyFieldNames;
  TkcDBDataField* fKeyField = nullptr;
  std::vector<std::pair<Variant, int>> fKeyIndex;  // (key, record) sorted by key, then record
  std::unique_ptr<TkcDBDataModeController> fDataModeController = std::make_unique<TkcDBDataModeController>(this);
  bool fKeyIndexValid = false;
  String fGridModeBookmark;
  bool fLoaded = false;
  String fDetailKeyFieldNames, fMasterKeyFieldNames;
  Variant fMasterDetailKeyValues;
  bool fResettingDataSetCurrent = false, fCheckingCurrentQuery = false, fUpdatingDataSetPosition = false,
       fSyncingMasterFocus = false;
};
