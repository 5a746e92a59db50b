#pragma once
// The unbound data controller: the one object through which views reach their records. It owns
// the record storage and field list (kcDataFields), the provider that decides where records come
// from and runs the editing sequences, and the row engine that turns the records into rows
// (filtered, sorted, grouped), with focus, expansion and selection. Every change only marks bits
// in the row engine's change set; one update rebuilds what they call for and the controller then
// tells its views through notification objects, after the last EndUpdate.
//
// Scale: a million records are the working size. The row engine keeps the inverse of its record
// list (record -> list position) and a bitset of the selected records, sorts on keys extracted
// once per sort, filters with one compaction pass, and never scans the records per record.
// Everything runs on the user-interface thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "data/kcDataFields.h"
#include "data/kcDataStorage.h"
#include "data/kcDataUtils.h"
#include "data/kcFilter.h"
#include "platform/core/Classes.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Variants.h"

class TkcCustomDataController;
class TkcCustomDataControllerInfo;
class TkcCustomDataProvider;
class TkcDataControllerGroups;
class TkcDataControllerSearch;
class TkcDataSummary;
class TkcDataFilterCriteria;
class TkcDataFilterList;
class TkcCustomDataRelation;
class TkcCustomDataRelationList;
class TkcDataSelection;
class TkcSaveObject;
class TkcDataListenerLink;
class TkcDataControllerNotifier;
class TkcUpdateControlInfo;

using TkcCustomDataRelationClass = TClassOf<TkcCustomDataRelation, TkcCustomDataRelationList*, TObject*>;

VT_DECLARE_EXCEPTION(EkcInvalidDataControllerOperation, Exception);

// The controller's messages.
extern const char* const kcRecordIndexError;        // "RecordIndex out of range"
extern const char* const kcRowIndexError;           // "RowIndex out of range"
extern const char* const kcItemIndexError;          // "ItemIndex out of range"
extern const char* const kcItemExistsError;         // "Item already exists"
extern const char* const kcInvalidStreamFormat;     // "Invalid stream format"
extern const char* const kcNotSupportedInProvider;  // "This operation is not supported in provider mode"

// Runs AWork between ABegin and AEnd; AEnd runs also when AWork raises (paired locks).
template <class B, class W, class E>
void kcBracket(B&& ABegin, W&& AWork, E&& AEnd) {
  ABegin();
  try {
    AWork();
  } catch (...) {
    AEnd();
    throw;
  }
  AEnd();
}

// The record index that names no record (internal records have negative indexes, so -1 is one).
constexpr int kcNoRecordIndex = -2147483647;

// ---- Sorting and grouping lists -------------------------------------------------------------

enum TkcDataSortOrder : std::uint8_t { soNone, soAscending, soDescending };

struct TkcDataSortInfo {
  TkcCustomDataField* Field = nullptr;
  TkcDataSortOrder SortOrder = soNone;
};

class TkcSortingFieldList : public TObject {
  VT_CLASS(TkcSortingFieldList, TObject)
public:
  virtual void SetFieldSortOrder(TkcCustomDataField* AField, TkcDataSortOrder AOrder);

  void Add(TkcCustomDataField* AField, TkcDataSortOrder AOrder);
  void Insert(int AIndex, TkcCustomDataField* AField, TkcDataSortOrder AOrder);
  void Delete(int AIndex);
  void Remove(TkcCustomDataField* AField);
  void Clear();
  void Move(int ACurIndex, int ANewIndex);
  void SetEntryOrder(int AIndex, TkcDataSortOrder AOrder);
  void NotifyIfListed(TkcCustomDataField* AField);
  int Find(TkcCustomDataField* AField) const;
  int FieldSortIndex(TkcCustomDataField* AField) const { return Find(AField); }
  TkcDataSortOrder FieldSortOrder(TkcCustomDataField* AField) const;
  void AddMissingFrom(const TkcSortingFieldList* AList);
  int GetCount() const { return static_cast<int>(fItems.size()); }
  const TkcDataSortInfo& GetItem(int AIndex) const { return fItems.at(static_cast<std::size_t>(AIndex)); }

  std::function<void()> OnChanged;

protected:
  void Changed() {
    if (OnChanged) OnChanged();
  }
  std::vector<TkcDataSortInfo> fItems;
};

class TkcGroupingFieldList : public TkcSortingFieldList {
  VT_CLASS(TkcGroupingFieldList, TkcSortingFieldList)
public:
  // A grouping field is never unsorted: soNone stands for soAscending.
  void SetFieldSortOrder(TkcCustomDataField* AField, TkcDataSortOrder AOrder) override;
  void SetFieldGroupIndex(TkcCustomDataField* AField, int AGroupIndex);
  int FieldGroupIndex(TkcCustomDataField* AField) const { return Find(AField); }
  void SyncOrders(const TkcSortingFieldList* ASortingList);
};

// The quicksort of record index lists and group nodes between L and R (inclusive), middle
// pivot. The scans never leave [L, R] and the larger part is looped over instead of recursed
// into, so any compare (also one that is no strict order) stays in bounds and the stack stays
// logarithmic; the pivot is the median of the first, middle and last entries, and a part that
// keeps splitting badly is finished with a heap sort, so the time stays n log n.
using TkcListCompare = std::function<int(int AItem, int APivot)>;
void SortRecordList(std::vector<int>& AList, int L, int R, const TkcListCompare& ACompare);
void SortRecordList(int* AList, int L, int R, const TkcListCompare& ACompare);

// ---- Data groups and row numbering ----------------------------------------------------------

class TkcDataGroupInfo : public TObject {
  VT_CLASS(TkcDataGroupInfo, TObject)
public:
  int GroupRow = 0;
  bool IsExpanded = false;
  int GroupLevel = 0;
  // Last level: record list positions of its records; other levels: group list positions of
  // its descendants.
  int BeginIndex = 0;
  int EndIndex = -1;
  Variant SummaryValues;
  // The level's grouping value, read when the group was built: the saved expansion names groups
  // by it, since record indexes move with inserts, deletes and reloads before the next rebuild.
  Variant Value;
};

struct TkcRowInfo {
  bool Expanded = false;
  int Level = 0;
  int RecordListIndex = 0;
  int RecordIndex = -1;
};

class TkcDataGroups : public TObject {
  VT_CLASS(TkcDataGroups, TObject)
public:
  void AddField(TkcCustomDataField* AField) { fFields.push_back(AField); }
  TkcDataGroupInfo* AddGroup();
  void SetItem(int APosition, TkcDataGroupInfo* AGroup);
  // Hands the group out of the list without freeing it (reordering).
  TkcDataGroupInfo* Extract(int APosition);
  void Clear();
  TkcCustomDataField* GetField(int ALevel) const { return fFields.at(static_cast<std::size_t>(ALevel)); }
  int GetLevelCount() const { return static_cast<int>(fFields.size()); }
  TkcDataGroupInfo* GetItem(int APosition) const { return fItems.at(static_cast<std::size_t>(APosition)).get(); }
  int GetCount() const { return static_cast<int>(fItems.size()); }

  void SetExpanded(int ARowIndex, bool AExpanded, bool ARecursive);
  void SetAllExpanded(bool AExpanded);
  bool MakeVisible(int AGroupPosition, bool AExpandItself);
  void Renumber();

  // The group row shown at ARowIndex (AGroup its group), or -1 with the last group above it.
  int FindByRowIndex(int ARowIndex, TkcDataGroupInfo*& AGroup) const;
  TkcRowInfo GetRowInfo(int ARowIndex) const;
  int GetRowCount() const { return fItems.empty() ? 0 : fRowCount; }
  int GetGroupPosition(int ARowIndex, int ALevel) const;
  int GetRowGroupPosition(int ARowIndex) const { return GetGroupPosition(ARowIndex, -1); }
  int GetGroupPositionByRecordListIndex(int ARecordListIndex, int ALevel) const;
  int GetChildCount(int AGroupPosition) const;
  int GetChildGroupPosition(int AGroupPosition, int AIndex) const;
  int GetChildRecordListIndex(int AGroupPosition, int AIndex) const;
  int GetLevel(int AGroupPosition) const;
  bool IsVisible(int AGroupPosition) const;
  int GetTopLevelCount() const { return GetChildCount(-1); }
  int GetTopLevelGroupPosition(int AIndex) const { return GetChildGroupPosition(-1, AIndex); }
  // The nearest earlier group with a smaller level, -1 for a level-0 group.
  int GetParentPosition(int AGroupPosition) const;
  // The last-level group holding a record list position, -1 when none (binary search).
  int GetLastLevelGroupOf(int ARecordListIndex) const;
  // Marks the derived indexes (parents, last-level groups) for rebuilding.
  void Changed() { fIndexValid = false; }

private:
  void CheckIndex() const;
  int ShownGroupAt(int APosition) const;
  std::vector<TkcCustomDataField*> fFields;
  std::vector<std::unique_ptr<TkcDataGroupInfo>> fItems;
  int fRowCount = 0;
  mutable bool fIndexValid = false;
  mutable std::vector<int> fParents;
  mutable std::vector<int> fLastLevel;  // positions of the last-level groups, in list order
};

// ---- Focus, saved expansion, selection ------------------------------------------------------

class TkcDataFocusingInfo : public TObject {
  VT_CLASS(TkcDataFocusingInfo, TObject)
public:
  explicit TkcDataFocusingInfo(TkcCustomDataControllerInfo* AInfo) : fInfo(AInfo) {}
  void Assign(const TkcDataFocusingInfo& Source);
  void Clear();
  bool IsEqual(const TkcDataFocusingInfo& Other) const;
  void ResetFromController();
  void UpdateFromRow();

  bool Changed = false;
  int Level = -1;
  bool PrevNewItemRowFocused = false;
  int PrevRecordIndex = -1;
  int RecordIndex = -1;
  int RowIndex = -1;

private:
  TkcCustomDataControllerInfo* fInfo;
};

struct TkcDataExpandingInfo {
  int Level = 0;
  Variant Value;
  std::uint8_t State = 0;  // 1 expanded, 2 selected
};

class TkcDataExpandingInfos : public TObject {
  VT_CLASS(TkcDataExpandingInfos, TObject)
public:
  void AddField(TkcCustomDataField* AField);
  void AddItem(int ALevel, const Variant& AValue, std::uint8_t AState) { fItems.push_back({ALevel, AValue, AState}); }
  void ClearIfListed(TkcCustomDataField* AField);
  void Clear();
  void ClearFields() { fFields.clear(); }
  void ClearItems() { fItems.clear(); }
  int IndexOfField(TkcCustomDataField* AField) const;
  int GetCount() const { return static_cast<int>(fItems.size()); }
  int GetFieldCount() const { return static_cast<int>(fFields.size()); }
  TkcCustomDataField* GetField(int AIndex) const { return fFields.at(static_cast<std::size_t>(AIndex)); }
  const TkcDataExpandingInfo& GetItem(int AIndex) const { return fItems.at(static_cast<std::size_t>(AIndex)); }

  std::uint8_t SaveStates = 0;

private:
  std::vector<TkcCustomDataField*> fFields;
  std::vector<TkcDataExpandingInfo> fItems;
};

struct TkcDataSelectionEntry {
  int Level = 0;         // -1: a group row
  int RecordValue = -1;  // data row: record index; group row: group position
  int RowIndex = -1;
};

// Selected rows in ascending row order, with a bitset of the selected records kept in step, so
// that "is this record selected" is O(1) whatever the selection's size.
class TkcDataSelection : public TObject {
  VT_CLASS(TkcDataSelection, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDataSelection(TkcCustomDataController* AController) : fDataController(AController) {}

  virtual void ClearAnchor() { fAnchorRowIndex = -1; }
  virtual void InsertEntry(int APosition, int ARowIndex, int ARecordValue, int ALevel);
  virtual void ClearEntries();
  virtual void DeleteEntry(int APosition);
  virtual void SetEntryCount(int ACount);
  virtual void Add(int APosition, int ARowIndex, int ARecordValue, int ALevel);
  virtual bool FindByRowIndex(int ARowIndex, int& APosition) const;

  void Clear();
  void ClearWithAnchor();
  void Delete(int APosition);
  int FindGroupEntry(int AGroupPosition) const;
  int FindRecordEntry(int ARecordIndex) const;
  bool IsRecordSelected(int ARecordIndex) const;
  bool IsRowSelected(int ARowIndex) const {
    int p;
    return FindByRowIndex(ARowIndex, p);
  }
  void SortByRowIndex();
  void RemoveFilteredOut();
  int GetCount() const { return static_cast<int>(fEntries.size()); }
  const TkcDataSelectionEntry& GetEntry(int APosition) const {
    return fEntries.at(static_cast<std::size_t>(APosition));
  }
  // Changes an entry's record value or row without a change notification (state restoring).
  void SetEntryRecordValue(int APosition, int ARecordValue);
  void SetEntryRowIndex(int APosition, int ARowIndex) {
    fEntries.at(static_cast<std::size_t>(APosition)).RowIndex = ARowIndex;
  }
  // Replaces all entries at once (one change notification).
  void ReplaceEntries(std::vector<TkcDataSelectionEntry> AEntries);
  // Deletes the entries AKeep refuses, keeping the order (one pass).
  void KeepEntries(const std::function<bool(const TkcDataSelectionEntry&)>& AKeep);
  int AnchorRowIndex() const { return fAnchorRowIndex; }
  void SetAnchorRowIndex(int Value) { fAnchorRowIndex = Value; }
  TkcCustomDataController* DataController() const { return fDataController; }

  std::function<void()> OnChanged;

protected:
  void Changed() {
    if (OnChanged) OnChanged();
  }
  void MarkRecord(const TkcDataSelectionEntry& AEntry, bool ASelected);
  std::vector<TkcDataSelectionEntry> fEntries;
  std::vector<TkcCustomDataField*> fFields;

private:
  int fAnchorRowIndex = -1;
  TkcCustomDataController* fDataController;
  std::vector<std::uint64_t> fSelectedRecords;  // bitset over record indexes
  int fSelectedRecordCount = 0;
};

using TkcDataSelectionClass = TClassOf<TkcDataSelection, TkcCustomDataController*>;

// ---- Notifications ----------------------------------------------------------------------------

class TkcUpdateControlInfo : public TObject {
  VT_CLASS(TkcUpdateControlInfo, TObject)
};

class TkcFocusedRecordChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcFocusedRecordChangedInfo, TkcUpdateControlInfo)
public:
  TkcFocusedRecordChangedInfo(int APrevRecord, int ARecord, int APrevRow, int ARow, bool ANewItemRowChanged)
      : PrevFocusedRecordIndex(APrevRecord),
        FocusedRecordIndex(ARecord),
        PrevFocusedRowIndex(APrevRow),
        FocusedRowIndex(ARow),
        NewItemRowFocusingChanged(ANewItemRowChanged) {}
  int PrevFocusedRecordIndex, FocusedRecordIndex, PrevFocusedRowIndex, FocusedRowIndex;
  bool NewItemRowFocusingChanged;
};

class TkcFocusedRowChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcFocusedRowChangedInfo, TkcUpdateControlInfo)
public:
  TkcFocusedRowChangedInfo(int APrevRow, int ARow) : PrevFocusedRowIndex(APrevRow), FocusedRowIndex(ARow) {}
  int PrevFocusedRowIndex, FocusedRowIndex;
};

class TkcUpdateRecordInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcUpdateRecordInfo, TkcUpdateControlInfo)
public:
  explicit TkcUpdateRecordInfo(int ARecordIndex) : RecordIndex(ARecordIndex) {}
  int RecordIndex;
};

class TkcSelectionChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcSelectionChangedInfo, TkcUpdateControlInfo)
public:
  TkcSelectionChangedInfo() = default;
  TkcSelectionChangedInfo(int ARow1, int ARow2);
  int GetCount() const { return static_cast<int>(fRows.size()); }
  int GetRowIndex(int APosition) const { return fRows.at(static_cast<std::size_t>(APosition)); }

private:
  std::vector<int> fRows;
};

// Data change kinds: 0 one value, 1 one record, 2 records added, 3 a record deleted, 4 all.
enum TkcDataChangeKind : std::uint8_t { dcField, dcRecord, dcNew, dcDeleted, dcTotal };

class TkcDataChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcDataChangedInfo, TkcUpdateControlInfo)
public:
  TkcDataChangedInfo(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex)
      : Kind(AKind), ItemIndex(AItemIndex), RecordIndex(ARecordIndex) {}
  TkcDataChangeKind Kind;
  int ItemIndex, RecordIndex;
};

class TkcLayoutChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcLayoutChangedInfo, TkcUpdateControlInfo)
};
class TkcBookmarkChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcBookmarkChangedInfo, TkcUpdateControlInfo)
};
class TkcSearchChangedInfo : public TkcUpdateControlInfo {
  VT_CLASS(TkcSearchChangedInfo, TkcUpdateControlInfo)
};

// ---- Locate objects and the notifier ----------------------------------------------------------

class TkcDataControllerLocateObject : public TObject {
  VT_CLASS(TkcDataControllerLocateObject, TObject)
public:
  explicit TkcDataControllerLocateObject(TkcCustomDataController* AController) : fDataController(AController) {}
  ~TkcDataControllerLocateObject() override { Clear(); }
  virtual void Clear();
  virtual int FindRecordIndex() = 0;
  void LoadFromReader(TkcValueDefReader* AReader);
  int InternalRecord() const { return fInternalRecord; }
  TkcCustomDataController* DataController() const { return fDataController; }

protected:
  TkcCustomDataController* fDataController;
  int fInternalRecord = 0;
};

class TkcDataControllerKeyLocateObject : public TkcDataControllerLocateObject {
  VT_CLASS(TkcDataControllerKeyLocateObject, TkcDataControllerLocateObject)
public:
  using TkcDataControllerLocateObject::TkcDataControllerLocateObject;
  int FindRecordIndex() override;
  std::vector<TkcCustomDataField*> KeyFields;
};

class TkcDataControllerGroupLocateObject : public TkcDataControllerLocateObject {
  VT_CLASS(TkcDataControllerGroupLocateObject, TkcDataControllerLocateObject)
public:
  explicit TkcDataControllerGroupLocateObject(TkcCustomDataController* AController);
  int FindRecordIndex() override;
  int Level() const { return fLevel; }
  void SetLevel(int Value);

private:
  int GroupedValuesOf(int ARecordIndex) const;
  std::vector<TkcCustomDataField*> fGroupingFields;
  std::vector<TkcCustomDataField*> fFindFields;
  int fLevel = -1;
  bool fFindByGroupOrder = true;
};

class TkcDataControllerNotifier : public TComponent {
  VT_CLASS(TkcDataControllerNotifier, TComponent)
public:
  explicit TkcDataControllerNotifier(TkcCustomDataController* AController)
      : TComponent(nullptr), fDataController(AController) {}

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TkcCustomDataController* fDataController;
};

// Held by callers that may see the controller freed by an event during a call.
class TkcDataListenerLink : public TObject {
  VT_CLASS(TkcDataListenerLink, TObject)
public:
  explicit TkcDataListenerLink(TkcCustomDataController* AController) : Ref(AController) {}
  TkcCustomDataController* Ref;
};

// ---- External record source and the provider ----------------------------------------------

// A record source supplied by the application: the controller then holds only a handle per
// record and reads values through the source.
class IkcRecordSource {
public:
  virtual int AddRecord() = 0;
  virtual void SortRecords() = 0;
  virtual void DropRecord(int AHandle) = 0;
  virtual bool RecordHasDetails(int ARecordIndex, int ARelationIndex) = 0;
  virtual String ReadItemText(int AHandle, int AItemHandle) = 0;
  // Points AValue at the value to compare; False counts as null.
  virtual bool ReadCompareValue(int AHandle, int AItemHandle, const void*& AValue) = 0;
  virtual int ItemHandleOf(int AItemIndex) = 0;
  virtual bool CanInsertBefore() = 0;
  virtual Variant ReadRecordKey(int AHandle) = 0;
  virtual Variant ReadItemValue(int AHandle, int AItemHandle) = 0;
  virtual int InsertRecordBefore(int AHandle) = 0;
  virtual bool SortsRecords() = 0;
  virtual bool StorageComparable() = 0;
  virtual bool ComparesRecords() = 0;
  virtual bool HasRecordKeys() = 0;
  virtual void RefreshRecords() = 0;
  virtual int CompareHandles(int AHandle1, int AHandle2, int AItemHandle) = 0;
  virtual void ChangeRecordCount(int ACount) = 0;
  virtual void WriteItemValue(int AHandle, int AItemHandle, const Variant& AValue) = 0;

  // The providers attached to this source and the one calling it now.
  std::vector<TkcCustomDataProvider*> Providers;
  TkcCustomDataProvider* CurrentProvider = nullptr;

protected:
  ~IkcRecordSource() = default;
};

class TkcCustomDataProvider : public TObject {
  VT_CLASS(TkcCustomDataProvider, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcCustomDataProvider(TkcCustomDataController* AController);
  ~TkcCustomDataProvider() override;

  virtual void SortBySource();
  virtual bool IsCustomSourceSupported() { return true; }
  virtual bool SourceSortsItself();
  virtual bool IsGridMode() { return false; }
  virtual bool IsActive() { return false; }
  virtual bool IsOtherInsertPending() { return false; }
  virtual bool SupportsRecordKeys();
  virtual bool IsSyncMode() { return false; }
  virtual bool IsDataActive() { return fRecordSource != nullptr; }
  virtual bool HasFieldList() { return false; }
  virtual bool IsBOF() { return true; }
  virtual bool IsChanging() { return fChanging; }
  virtual bool IsEditing() { return fEditingRecordIndex != kcNoRecordIndex; }
  virtual bool IsEOF() { return true; }
  virtual bool IsGridModeUpdating() { return false; }
  virtual bool IsInserting() { return IsEditing() && fInserting; }
  virtual bool IsModified() { return fModified; }
  virtual bool IsReadOnly() { return !CanModify(); }
  virtual void SyncRecordPosition(int /*ARecordIndex*/) {}
  virtual void First() { fRecreatedFieldsAfterFirst = false; }
  virtual void Prior() {}
  virtual void Next() {}
  virtual void Last() {}
  virtual void MoveBy(int /*ADistance*/) {}
  virtual void Scroll(int /*ADistance*/) {}
  virtual void SavePosition() {}
  virtual void RestorePosition() {}
  virtual bool CanAppend() { return CanModify(); }
  virtual bool CanDelete();
  virtual bool CanInitEditing(int ARecordIndex);
  virtual bool CanInsert() { return CanModify(); }
  virtual bool CanModify() { return true; }
  virtual void Append() { DoInsert(true); }
  virtual void Cancel();
  virtual void UpdateData();
  virtual void Delete();
  virtual void DeleteRecords(std::vector<int>& AList);
  virtual void DeleteSelection();
  virtual void Edit() { DoEditing(); }
  virtual Variant GetEditValue(int ARecordIndex, TkcCustomDataField* AField, TkcDataEditValueSource AValueSource);
  virtual void Insert() { DoInsert(false); }
  virtual void Post();
  virtual void PostEditingData();
  virtual bool SetEditValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue,
                            TkcDataEditValueSource AValueSource);
  virtual void BeginDeleting();
  virtual void EndDeleting();
  virtual void SetValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue);
  virtual void AssignDefaultValues(int ARecordIndex, const Variant& AGroupingValues);
  virtual void DoEdit();
  virtual void DoInsert(bool AAppend);
  virtual void EndChanging() { fChanging = false; }
  virtual void ResetEditing();
  virtual void ResetModified() { fModified = false; }
  virtual void BeginChanging() { fChanging = true; }
  virtual void DoEditing() { DoEdit(); }
  virtual void MarkModified() { fModified = true; }
  virtual void LockLocate() { ++fLocateCount; }
  virtual void UnlockLocate() { --fLocateCount; }
  virtual void BeginFreeze() { ++fFreezeCount; }
  virtual void EndFreeze() { --fFreezeCount; }
  virtual int NewSourceRecord();
  virtual void DeleteSourceRecord(int ARecordIndex);
  virtual bool SourceHasDetails(int ARecordIndex, int ARelationIndex);
  virtual String GetDisplayText(int ARecordIndex, TkcCustomDataField* AField);
  virtual String GetExternalDisplayText(int /*ARecordIndex*/, TkcCustomDataField* /*AField*/) { return String(); }
  virtual Variant GetExternalValue(int /*ARecordIndex*/, TkcCustomDataField* /*AField*/) { return Null(); }
  virtual Variant GetRecordKey(int ARecordIndex);
  virtual int GetActiveRecordIndex() { return -1; }
  virtual Variant GetValue(int ARecordIndex, TkcCustomDataField* AField);
  virtual TkcValueDefReader* CreateValueDefReader() { return new TkcValueDefReader(); }
  virtual int InsertRecord(int ARecordIndex);
  virtual void LoadRecords() {}
  virtual int CompareRecords(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField);
  virtual int CustomCompareRecords(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField);
  virtual void SetDisplayText(int /*ARecordIndex*/, TkcCustomDataField* /*AField*/, const String& /*AText*/) {}
  virtual void SetRecordCount(int ACount);
  virtual void SetSourceValue(int ARecordIndex, TkcCustomDataField* AField, const Variant& AValue);
  virtual void ActiveChanged(bool AActive);
  virtual void DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex);
  virtual void LayoutChanged(int ADistance);
  virtual void StructureChanged(bool AFlag);

  // External record source
  void SetRecordSource(IkcRecordSource* ASource);
  IkcRecordSource* RecordSource() const { return fRecordSource; }
  int AppendSourceRecord(int AHandle);
  void DropSavedRecord();
  void SaveEditingRecord();
  // The rows next to the record being edited, which keep it in its place until the post.
  void RememberEditingNeighbours();
  void RefreshSource();
  // The record of a handle (hash lookup), -1 when absent.
  int RecordOfHandle(int AHandle);
  int HandleOfRecord(int ARecordIndex);

  TkcCustomDataController* DataController() const { return fDataController; }
  int EditingRecordIndex() const { return fEditingRecordIndex; }
  int PrevEditingNeighbour() const { return fPrevRecordIndex; }
  int NextEditingNeighbour() const { return fNextRecordIndex; }
  int InsertedRecordIndex() const { return fInsertedRecordIndex; }
  void SetInsertedRecordIndex(int Value) { fInsertedRecordIndex = Value; }
  int SavedRecordIndex() const { return fSavedRecordIndex; }
  int LocateCount() const { return fLocateCount; }
  int FreezeCount() const { return fFreezeCount; }
  bool ActiveChanging() const { return fActiveChanging; }
  bool DataChangedLocked() const { return fDataChangedLocked; }
  bool LoadAllNeeded() const { return fLoadAllNeeded; }
  void SetLoadAllNeeded(bool Value) { fLoadAllNeeded = Value; }
  bool RecreatedFieldsAfterFirst() const { return fRecreatedFieldsAfterFirst; }
  // Forgets internal records the storage dropped.
  void ForgetSavedRecord() { fSavedRecordIndex = 0; }
  void ClearEditingRecord() { fEditingRecordIndex = kcNoRecordIndex; }

protected:
  void CallSource() { fRecordSource->CurrentProvider = this; }
  void InvalidateHandles() { fHandleIndexValid = false; }

  TkcCustomDataController* fDataController;
  int fEditingRecordIndex = kcNoRecordIndex;
  int fPrevRecordIndex = kcNoRecordIndex;
  int fNextRecordIndex = kcNoRecordIndex;
  int fInsertedRecordIndex = -1;
  int fSavedRecordIndex = 0;
  bool fInserting = false, fChanging = false, fModified = false, fActiveChanging = false, fInUpdateData = false,
       fDataChangedLocked = false, fRecreatedFieldsAfterFirst = false, fLoadAllNeeded = false;
  int fLocateCount = 0, fFreezeCount = 0;
  IkcRecordSource* fRecordSource = nullptr;

private:
  friend class TkcCustomDataController;
  bool fHandleIndexValid = false;
  std::vector<std::pair<int, int>> fHandleIndex;  // (handle, record) sorted by handle
};

using TkcCustomDataProviderClass = TClassOf<TkcCustomDataProvider, TkcCustomDataController*>;

// ---- Row engine -----------------------------------------------------------------------------

// Change set bits of the row engine.
enum : std::uint16_t {
  ciLoad = 0x0001,
  ciGrouping = 0x0002,
  ciSorting = 0x0004,
  ciFocusedRow = 0x0008,
  ciView = 0x0010,
  ciExpanding = 0x0020,
  ciResetFocus = 0x0040,
  ciSelection = 0x0080,
  ciSummary = 0x0100,
  ciFocusedRecord = 0x0200,
};

// Keys of the total sorting entries, read once per sort or group build: typed integer keys,
// compared-form addresses in the storage, or values / display texts fetched through the
// controller. Indexed by record index, so they stay valid while the record list is permuted.
class TkcSortKeys;

class TkcCustomDataControllerInfo : public TObject {
  VT_CLASS(TkcCustomDataControllerInfo, TObject)
public:
  explicit TkcCustomDataControllerInfo(TkcCustomDataController* AController);
  ~TkcCustomDataControllerInfo() override;

  virtual void ValidateSelection();
  virtual void Update();

  // Change set and update
  void BeginUpdate() { ++fLockCount; }
  void EndUpdate();
  void CheckUpdate();
  void Refresh(bool ADataChanged = true);
  void ResetFocus();
  void SummaryChanged(bool ADisplayOnly);
  void ExpandingChanged() {
    fChanges |= ciExpanding;
    fExpanding = true;
  }
  void FocusedRecordChanged(bool AFlag);
  void MarkChanged(std::uint16_t AChanges) { fChanges |= AChanges; }
  std::uint16_t Changes() const { return fChanges; }
  int LockCount() const { return fLockCount; }
  bool InfoCalculation() const { return fInfoCalculation; }
  bool Focusing() const { return fFocusing; }
  bool InCanFocusedRowChanging() const { return fInCanFocusedRowChanging; }

  // Rows and records
  void CheckRowIndex(int ARowIndex);
  int GetRowCount() const;
  TkcRowInfo GetRowInfo(int ARowIndex);
  int GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible);
  int GetNearestRowIndex(int ARowIndex);
  int GetRecordListCount() const { return static_cast<int>(fRecordList.size()); }
  int GetRecordListItem(int APosition) const { return fRecordList.at(static_cast<std::size_t>(APosition)); }
  // Inverse of the record list: O(1); -1 for a record filtered out (or any other index).
  int GetRecordListIndex(int ARecordIndex) const {
    if (ARecordIndex < 0 || ARecordIndex >= static_cast<int>(fRecordListIndex.size())) return -1;
    return fRecordListIndex[static_cast<std::size_t>(ARecordIndex)];
  }
  bool IsGrouped() const { return fDataGroups->GetCount() > 0; }
  bool IsGroupsAlwaysExpanded() const;
  bool IsSummaryForSelection() const;
  const std::vector<int>& RecordList() const { return fRecordList; }
  const std::vector<int>& RecordListIndex() const { return fRecordListIndex; }

  // Focus
  int GetFocusedRowIndex() const { return fFocusingInfo->RowIndex; }
  int GetFocusedRecordIndex() const;
  int GetPrevFocusedRowIndex() const { return fPrevFocusingInfo->RowIndex; }
  int GetPrevFocusedRecordIndex() const { return fPrevFocusingInfo->RecordIndex; }
  bool IsPrevFocusingChanged() const { return fPrevFocusingInfo->Changed; }
  bool CanFocusedRowChanging(int ARowIndex);
  void ChangeFocusedRow(int ARowIndex, bool AForce = false);
  void FocusRowAfterClear(int ARowIndex);
  void ChangeFocusedRowInOwnerUpdate(int ARowIndex);
  int LocateFocusedRow(bool AKeepCollapsed);
  void RefocusAfterCollapse();
  void FocusFirstRowIfNone();
  // After the previous state became the current one (notification sent).
  void SyncPrevFocusing() { fPrevFocusingInfo->Assign(*fFocusingInfo); }

  // Expansion
  void ChangeExpanding(int ARowIndex, bool AExpanded, bool ARecursive);
  void CollapseAll();
  void ExpandAll();

  // Selection
  void ChangeRowSelection(int ARowIndex, bool ASelect);
  // Selects every row of the range in one merge (O(rows + selected)).
  void SelectRowRange(int AFromRow, int AToRow);
  void ClearSelection();
  void ClearSelectionAnchor() { fSelection->ClearAnchor(); }
  int GetSelectedCount() const { return fSelection->GetCount(); }
  int GetSelectedRowIndex(int AIndex) const { return fSelection->GetEntry(AIndex).RowIndex; }
  bool IsRowSelected(int ARowIndex);
  void UpdateSelectionRows();

  // Sorting and grouping
  void ChangeFieldSorting(TkcCustomDataField* AField, TkcDataSortOrder AOrder);
  void ChangeSortIndex(TkcCustomDataField* AField, int AIndex);
  void ClearSorting(bool AKeepGrouped);
  void ChangeFieldGrouping(TkcCustomDataField* AField, int AGroupIndex);
  void ClearGrouping();
  void RemoveField(TkcCustomDataField* AField);
  void FieldChanged(TkcCustomDataField* AField);

  // Comparisons the locate objects share with the sort.
  void PrepareCompareModes(const std::vector<TkcDataSortInfo>& AInfos);
  void ResetCompareModes(const std::vector<TkcDataSortInfo>& AInfos);
  int CompareGroupRecords(int ARecordIndex1, int ARecordIndex2, int ALevel);

  TkcCustomDataController* DataController() const { return fDataController; }
  TkcDataGroups* DataGroups() const { return fDataGroups.get(); }
  TkcDataExpandingInfos* ExpandingInfos() const { return fExpandingInfos.get(); }
  TkcDataFocusingInfo* FocusingInfo() const { return fFocusingInfo.get(); }
  TkcDataFocusingInfo* PrevFocusingInfo() const { return fPrevFocusingInfo.get(); }
  TkcGroupingFieldList* GroupingFieldList() const { return fGroupingFieldList.get(); }
  TkcSortingFieldList* SortingFieldList() const { return fSortingFieldList.get(); }
  TkcSortingFieldList* TotalSortingFieldList() const { return fTotalSortingFieldList.get(); }
  TkcDataSelection* Selection() const { return fSelection.get(); }

private:
  void LoadRecordList();
  void Filter();
  void Sort();
  void BuildGroups();
  void FocusTopRowAfterSorting();
  void SaveState();
  void RestoreState();
  void RestoreSelectionRows(bool AGrouped);
  void Notify();
  void RebuildRecordListIndex();
  void BuildTotalSorting();
  int CompareRecords(int ARecordIndex1, int ARecordIndex2);
  int DataRowOfListPosition(int APosition, bool AMakeVisible);
  int RowOfSelectionEntry(const TkcDataSelectionEntry& AEntry);
  std::vector<TkcDataSortInfo> TotalSortInfos() const;

  TkcCustomDataController* fDataController;
  std::uint16_t fChanges = 0;
  std::unique_ptr<TkcDataGroups> fDataGroups;
  std::unique_ptr<TkcDataExpandingInfos> fExpandingInfos;
  bool fExpanding = false, fFocusing = false, fInCanFocusedRowChanging = false, fInfoCalculation = false;
  bool fGroupsSortedBySummary = false;
  std::unique_ptr<TkcDataFocusingInfo> fFocusingInfo, fPrevFocusingInfo;
  std::unique_ptr<TkcGroupingFieldList> fGroupingFieldList;
  std::unique_ptr<TkcSortingFieldList> fSortingFieldList, fTotalSortingFieldList;
  int fLockCount = 0;
  std::vector<int> fRecordList;
  std::vector<int> fRecordListIndex;  // record -> list position, -1 when absent
  std::unique_ptr<TkcDataSelection> fSelection;
  std::unique_ptr<TkcSortKeys> fKeys;  // alive between Sort and BuildGroups of one update
};

// ---- Search (the summary classes are in kcDataSummary.h) -------------------------------------

using TkcDataSummaryClass = TClassOf<TkcDataSummary, TkcCustomDataController*>;

class TkcDataControllerSearch : public TObject {
  VT_CLASS(TkcDataControllerSearch, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDataControllerSearch(TkcCustomDataController* AController) : fDataController(AController) {}
  virtual void FocusFound(int APosition);
  virtual int FindFrom(int AFrom, int ATo, const String& AText, bool AForward);
  virtual bool Locate(int AItemIndex, const String& AText);
  virtual bool LocateNext(bool AForward);
  virtual void Lock() { fLocked = true; }
  virtual void Unlock() { fLocked = false; }
  void Cancel();
  int GetItemIndex() const;
  bool GetSearching() const;
  String GetSearchText() const;
  TkcCustomDataController* DataController() const { return fDataController; }

private:
  TkcCustomDataController* fDataController;
  bool fLocked = false;
};
using TkcDataControllerSearchClass = TClassOf<TkcDataControllerSearch, TkcCustomDataController*>;

// ---- Filter bound to a controller ------------------------------------------------------------

class TkcDataFilterCriteriaItem : public TkcFilterCriteriaItem {
  VT_CLASS(TkcDataFilterCriteriaItem, TkcFilterCriteriaItem)
public:
  using TkcFilterCriteriaItem::TkcFilterCriteriaItem;
  Variant GetDataValue(int ARecordIndex) override;
  String GetFieldCaption() override;
  String GetFieldName() override;
  TObject* GetItemLink() override;
  TkcCustomDataField* Field() const;

private:
  TkcCustomDataController* fDataController = nullptr;  // found on first use (a condition stays in its criteria)
};

class TkcDataFilterValueList;
using TkcDataFilterGetValueListEvent =
    TEvent<void(TkcFilterCriteria* Sender, int AItemIndex, TkcDataFilterValueList* AValueList)>;

class TkcDataFilterCriteria : public TkcFilterCriteria {
  VT_CLASS(TkcDataFilterCriteria, TkcFilterCriteria)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDataFilterCriteria(TkcCustomDataController* AController);
  ~TkcDataFilterCriteria() override;

  void Assign(TPersistent* Source) override;
  int GetIDByItemLink(TObject* AItemLink) override;
  TkcFilterCriteriaItemClass GetItemClass() override { return TkcDataFilterCriteriaItem::StaticClass(); }
  TObject* GetItemLinkByID(int AID) override;
  void DoChanged() override;
  TkcFilterCriteriaItem* AddItem(TkcFilterCriteriaItemList* AParent, TObject* AItemLink,
                                 TkcFilterOperatorKind AOperatorKind, const Variant& AValue,
                                 const String& ADisplayValue) override;
  TkcFilterCriteriaItem* FindItemByItemLink(TObject* AItemLink) override;
  TkcFilterValueListClass GetValueListClass() override;
  void AssignEvents(TPersistent* Source) override;
  virtual TkcDataFilterValueList* CreateValueList();
  virtual bool IsFiltering();

  bool Active() const { return fActive; }
  void SetActive(bool Value);
  void DropFieldConditions(TkcCustomDataField* AField) { RemoveItemByItemLink(AField); }
  bool IsRecordAccepted(int ARecordIndex) { return EvaluateRecord(ARecordIndex); }
  TkcCustomDataController* DataController() const { return fDataController; }
  bool Destroying() const { return fDestroying; }

  TkcDataFilterGetValueListEvent OnGetValueList;

protected:
  // Clears Active without a change notice (a change that failed half-way).
  void DeactivateQuietly() { fActive = false; }
  // The conditions in a form: the binary property "Criteria", stored only with data.
  void DefineProperties(TFiler* Filer) override;

private:
  // An item object stands for its field.
  TObject* FieldOf(TObject* AItemLink);
  TkcCustomDataController* fDataController;
  bool fActive = false;
  bool fDestroying = false;
};
using TkcDataFilterCriteriaClass = TClassOf<TkcDataFilterCriteria, TkcCustomDataController*>;

// The values offered by a column's filter drop-down: the specials, then the distinct values of
// every record (filtered out or not), sorted, at most MaxValueListCount entries.
class TkcDataFilterValueList : public TkcFilterValueList {
  VT_CLASS(TkcDataFilterValueList, TkcFilterValueList)
public:
  using TkcFilterValueList::TkcFilterValueList;
  void Load(int AItemIndex, bool AInitSortByDisplayText) override;

private:
  // Byte strings kept in the storage are sorted in place and copied once per distinct value,
  // straight into the list's end (a text that is its own display text copied again, not
  // formatted); false (nothing done) for any other column or list.
  bool LoadStoredTexts(TkcCustomDataField* AField, int AItemIndex, bool& ABlanks);
};

// Extra criteria objects the controller creates for callers; owns them.
class TkcDataFilterList : public TObject {
  VT_CLASS(TkcDataFilterList, TObject)
public:
  ~TkcDataFilterList() override { Clear(); }
  void Add(TkcDataFilterCriteria* ACriteria) { fItems.push_back(ACriteria); }
  void Remove(TkcDataFilterCriteria* ACriteria);
  bool Contains(const TkcDataFilterCriteria* ACriteria) const;
  void Clear();
  void DropFieldConditions(TkcCustomDataField* AField);
  int GetCount() const { return static_cast<int>(fItems.size()); }
  TkcDataFilterCriteria* GetItem(int AIndex) const { return fItems.at(static_cast<std::size_t>(AIndex)); }

private:
  std::vector<TkcDataFilterCriteria*> fItems;
};

// ---- Grouping interface ----------------------------------------------------------------------

class TkcDataControllerGroups : public TObject {
  VT_CLASS(TkcDataControllerGroups, TObject)
public:
  explicit TkcDataControllerGroups(TkcCustomDataController* AController) : fDataController(AController) {}
  void SetItemGroupIndex(int AItemIndex, int AGroupIndex);
  void ClearGrouping();
  int GetGroupingItemCount() const;
  int GetGroupingItemIndex(int ALevel) const;
  int GetItemGroupIndex(int AItemIndex) const;
  void SetRowExpanded(int ARowIndex, bool AExpanded, bool ARecursive);
  void CollapseAll();
  void ExpandAll();
  int GetRowGroupPosition(int ARowIndex) const;
  int GetLevel(int AGroupPosition) const;
  int GetChildCount(int AGroupPosition) const;
  int GetChildGroupPosition(int AGroupPosition, int AIndex) const;
  int GetChildRecordIndex(int AGroupPosition, int AIndex) const;
  bool IsRowInGroup(int ARowIndex, int AGroupRowIndex) const;
  void CollectRecordIndexes(std::vector<int>& AList, int AGroupPosition) const;
  void CollectRowRecordIndexes(std::vector<int>& AList, int ARowIndex) const;
  TkcCustomDataControllerInfo* DataControllerInfo() const;
  TkcDataGroups* DataGroups() const;

private:
  TkcCustomDataController* fDataController;
};

// ---- The controller --------------------------------------------------------------------------

enum TkcDataControllerOption {
  dcoAnsiSort,
  dcoCaseInsensitive,
  dcoAssignGroupingValues,
  dcoAssignMasterDetailKeys,
  dcoSaveExpanding,
  dcoSortByDisplayText,
  dcoFocusTopRowAfterSorting,
  dcoGroupsAlwaysExpanded,
  dcoImmediatePost,
  dcoInsertOnNewItemRowFocusing
};
using TkcDataControllerOptions = TSet<TkcDataControllerOption, 16>;
// The set as its 16-bit value (dcoAnsiSort = 1, dcoCaseInsensitive = 2, ...).
int DataControllerOptionsValue(TkcDataControllerOptions AOptions);

// Pending notification flags.
enum : std::uint16_t {
  dccLayout = 0x0001,
  dccData = 0x0002,
  dccFocus = 0x0004,
  dccSelection = 0x0008,
  dccDetailExpanding = 0x0010,
  dccSummary = 0x0020,
  dccSearch = 0x0040,
  dccSorting = 0x0080,
  dccGrouping = 0x0100,
  dccDetailData = 0x0200,
  dccBookmark = 0x0400,
  dccUpdateRecord = 0x0800,
};

// Edit operations and edit state bits.
enum : int { dceoAppend = 1, dceoDelete = 2, dceoModify = 4, dceoInsert = 8, dceoShowEdit = 0x10 };
enum : int { dcesInserting = 1, dcesEditing = 2, dcesChanging = 4, dcesModified = 8 };

using TkcDataControllerNotifyEvent = TEvent<void(TkcCustomDataController* Sender)>;
using TkcDataControllerRecordEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex)>;
using TkcDataFilterRecordEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex, bool& Accept)>;
using TkcDataControllerCompareEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex1, int ARecordIndex2,
                                                  int AItemIndex, const Variant& V1, const Variant& V2, int& Compare)>;
using TkcDataRecordChangedEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex, int AItemIndex)>;
using TkcDataDetailExpandingEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex, bool& AAllow)>;
using TkcDataDetailExpandedEvent = TEvent<void(TkcCustomDataController* Sender, int ARecordIndex)>;
using TkcUpdateControlEvent = std::function<void(TkcUpdateControlInfo* AInfo)>;

// Field class reference used by CreateItemField / GetItemFieldClass.
using TkcCustomDataFieldClass = TClassOf<TkcCustomDataField, TkcCustomDataFieldList*>;

class TkcCustomDataController : public TInterfacedPersistent, public IkcDataFieldListOwner {
  VT_CLASS(TkcCustomDataController, TInterfacedPersistent)
public:
  explicit TkcCustomDataController(TComponent* AOwner);
  ~TkcCustomDataController() override;
  void BeforeDestruction() override;

  // IInterface: not counted, the owner frees the controller.
  int _AddRef() { return -1; }
  int _Release() { return -1; }

  // IkcDataFieldListOwner
  TkcDataStorage* GetDataStorage() override { return fDataStorage.get(); }
  bool IsProviderLocked() override;
  void NotifyProviderStructureChanged() override;

  // ---- virtual operations, in the order of the class ----
  void AssignTo(TPersistent* Dest) override { TPersistent::AssignTo(Dest); }
  void DefineProperties(TFiler* Filer) override { TPersistent::DefineProperties(Filer); }
  void Assign(TPersistent* Source) override;
  virtual TkcCustomDataField* CreateHiddenField();
  virtual TkcCustomDataField* CreateItemField();
  virtual int AppendRecordFromSource();
  virtual int GetActiveRecordIndex();
  virtual bool CanChangeDetailExpanding(int ARecordIndex, bool AExpand);
  virtual bool CanFocusRecord(int ARecordIndex);
  virtual bool CanSelectRow(int /*ARowIndex*/) { return true; }
  virtual void CheckBookmark(int ARecordIndex);
  virtual void FocusedRecordChanged() {}
  virtual void CheckEditingAfterRemoval(int ARecordIndex);
  virtual bool FinishDetailsEditing() { return true; }
  virtual bool CanFocusedRowChange() { return true; }
  virtual void CopyRecordData(int ASourceRecord, int ADestinationRecord);
  virtual void RecordAdded(int ARecordIndex);
  virtual void RecordRemoved(int ARecordIndex);
  virtual void DeleteRecordFromSource(int ARecordIndex);
  virtual void BeforeSendChanges() {}
  virtual void FireAfterCancel() {
    if (OnAfterCancel) OnAfterCancel(this);
  }
  virtual void FireAfterDelete() {
    if (OnAfterDelete) OnAfterDelete(this);
  }
  virtual void FireAfterInsert() {
    if (OnAfterInsert) OnAfterInsert(this);
  }
  virtual void FireAfterPost() {
    if (OnAfterPost) OnAfterPost(this);
  }
  virtual void FireBeforeCancel() {
    if (OnBeforeCancel) OnBeforeCancel(this);
  }
  virtual void FireBeforeDelete(int ARecordIndex) {
    if (OnBeforeDelete) OnBeforeDelete(this, ARecordIndex);
  }
  virtual void FireBeforeInsert() {
    if (OnBeforeInsert) OnBeforeInsert(this);
  }
  virtual void FireBeforePost() {
    if (OnBeforePost) OnBeforePost(this);
  }
  virtual bool DoFilterRecord(int ARecordIndex);
  virtual bool HasFilterRecordEvent() { return static_cast<bool>(fOnFilterRecord); }
  virtual void FireNewRecord(int ARecordIndex) {
    if (OnNewRecord) OnNewRecord(this, ARecordIndex);
  }
  virtual void DoDataChanged();
  virtual void DoDetailExpanding(int ARecordIndex, bool& AAllow) {
    if (OnDetailExpanding) OnDetailExpanding(this, ARecordIndex, AAllow);
  }
  virtual void DoDetailExpanded(int ARecordIndex) {
    if (OnDetailExpanded) OnDetailExpanded(this, ARecordIndex);
  }
  virtual void DoDetailCollapsing(int ARecordIndex, bool& AAllow) {
    if (OnDetailCollapsing) OnDetailCollapsing(this, ARecordIndex, AAllow);
  }
  virtual void DoDetailCollapsed(int ARecordIndex) {
    if (OnDetailCollapsed) OnDetailCollapsed(this, ARecordIndex);
  }
  virtual bool DoIncrementalFilterRecord(int ARecordIndex);
  virtual void AfterRecordRead(int ARecordIndex);
  virtual bool FindInSource(const String& /*AText*/, bool /*AForward*/, bool /*AFindNext*/) { return false; }
  virtual TObject* FindItemByID(int AID);
  virtual TObject* FindItemByItemID(TObject* AItem) { return FindItemByID(GetItemID(AItem)); }
  virtual int GetCurrentRecordIndex() { return GetFocusedRecordIndex(); }
  virtual TkcCustomDataProviderClass GetDataProviderClass();
  virtual TkcDataSelectionClass GetDataSelectionClass();
  virtual int GetEditOperations();
  virtual int GetEditState();
  virtual int GetDefaultActiveRelationIndex() { return 0; }
  virtual TkcCustomDataFieldClass GetItemFieldClass();
  virtual TkcDataFilterCriteriaClass GetFilterCriteriaClass();
  virtual String GetSourceDisplayText(int ARecordIndex, TkcCustomDataField* AField) override;
  virtual int GetItemID(TObject* /*AItem*/) { return -1; }
  virtual Variant GetRecordFieldsValue(int ARecordIndex, const std::vector<TkcCustomDataField*>& AFields);
  virtual Variant GetSourceValue(int ARecordIndex, TkcCustomDataField* AField) override;
  virtual void GetKeyFields(std::vector<TkcCustomDataField*>& /*AList*/) {}
  virtual int GetSourceCurrentRecordIndex();
  virtual TkcCustomDataRelationClass GetRelationClass();
  virtual TkcDataControllerSearchClass GetSearchClass();
  virtual TkcDataSummaryClass GetSummaryClass();
  virtual TCollectionItemClass GetSummaryItemClass();
  virtual TCollectionItemClass GetSummaryGroupItemLinkClass();
  virtual bool IsBookmarkInvalid(int ARecordIndex);
  virtual void ForgetBookmark() { fBookmarkRecordIndex = -1; }
  virtual void FocusBookmark() { FocusRecord(fBookmarkRecordIndex); }
  virtual bool StoreBookmark();
  virtual bool IsSourceField(TkcCustomDataField* AField);
  virtual bool IsDestroying();
  virtual bool IsSelectionByFocus() { return !fMultiSelect; }
  virtual bool IsImmediatePost();
  virtual bool IsKeyBased();
  virtual bool IsLoading();
  virtual bool NeedsStructureCheck() { return IsProviderMode() || fStructureRefreshed; }
  virtual bool IsProviderMode() override { return fProvider && fProvider->RecordSource() != nullptr; }
  virtual bool IsProviderRecordMode() { return false; }
  virtual bool IsSmartRefresh() { return false; }
  virtual bool CanUseStorage();
  virtual void LoadData();
  virtual bool IsGridModeReloadPending() { return IsGridMode() && fGridModeReloadPending; }
  virtual void AfterDataLoaded() {}
  virtual void RefreshField(TkcCustomDataField* /*AField*/) {}
  virtual void WriteRecordToSource(TkcValueDef* AValueDef, int ASourceRecord, int ADestinationRecord,
                                   TkcValueDefReader* AReader);
  virtual void ComponentRemoved(TComponent* AComponent);
  virtual void UpdateStructure();
  virtual bool IsSynchronizationEnabled() { return false; }
  virtual void DataLoaded();
  virtual void UpdateFields();
  virtual void UpdateFocusing();
  virtual void DetailStructureChanged();
  virtual bool UseRecordIDs() { return false; }
  virtual void ResetInternalRecords();
  virtual void FieldRemoved(TkcCustomDataField* AField) override;
  virtual void FilterChanged();
  virtual void SummaryChanged(bool ARegroup);
  virtual void ActiveChanged(bool AActive);
  virtual void DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex);
  virtual void DataScrolled(int /*ADistance*/) { UpdateFocusing(); }
  virtual void StructureChanged(bool AFlag);
  virtual void FocusedRowChanging(int /*ARowIndex*/) {}
  virtual void ItemValueTypeClassChanged(int /*AItemIndex*/) {}
  virtual void NotifyControl(TkcUpdateControlInfo* AInfo);
  virtual String GetSearchDisplayText(int ARecordIndex, int AItemIndex) {
    return GetDisplayText(ARecordIndex, AItemIndex);
  }
  virtual String GetFilterDisplayText(int ARecordIndex, int AItemIndex) {
    return GetDisplayText(ARecordIndex, AItemIndex);
  }
  virtual int CompareRecordsByField(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField);
  virtual int CompareRecordIndexes(int ARecordIndex1, int ARecordIndex2) {
    return ARecordIndex1 < ARecordIndex2 ? -1 : (ARecordIndex1 > ARecordIndex2 ? 1 : 0);
  }
  virtual int CompareRecordsBySortInfo(int ARecordIndex1, int ARecordIndex2, const TkcDataSortInfo& AInfo);
  virtual Variant GetCompareValue(int ARecordIndex, TkcCustomDataField* AField);
  virtual bool IsCompareByController(TkcCustomDataField* AField);
  virtual bool IsItemSortedByText(int AItemIndex);
  virtual bool NeedsLocaleCompare(TkcCustomDataField* AField);
  virtual bool IsFieldSortedByDisplayText(TkcCustomDataField* AField);
  virtual void BeginRecordsReading();
  virtual void EndRecordsReading();
  virtual int AppendRecordFrom(TkcValueDefReader* AReader, int AHandle = 0);
  virtual void BeginUnboundCopy() {}
  virtual void EndUnboundCopy() {}
  // (Create is the constructor.)
  virtual void BeginOwnerUpdate() { BeginUpdate(); }
  virtual void EndOwnerUpdate() { EndUpdate(); }
  virtual TkcDataFilterCriteria* CreateFilterCriteria();
  virtual TkcCustomDataField* AddItem(TObject* AItem);
  virtual bool RefreshItemSorting(int AItemIndex);
  virtual void Loaded();
  virtual void RemoveItem(TObject* AItem);
  virtual void UpdateItemIndexes();
  virtual bool ExecuteAction(TObject* /*AAction*/) { return false; }
  virtual bool UpdateAction(TObject* /*AAction*/) { return false; }
  virtual bool IsDataChangeListenersLocked() { return fDataChangeListenerLockCount != 0; }
  virtual void SetItemTextFlag(int AItemIndex, bool AFlag);
  virtual void ChangeTextStored(int AItemIndex, bool AFlag);
  virtual void ChangeValueTypeClass(int AItemIndex, TkcValueTypeClass AClass);
  virtual TObject* GetItem(int AItemIndex);
  virtual int GetItemCount() { return fFields->ItemCount(); }
  virtual bool ItemTextFlag(int /*AItemIndex*/) { return false; }
  virtual bool GetItemTextStored(int AItemIndex);
  virtual bool UseItemStoredText(int AItemIndex, bool /*AFlag*/) { return GetItemTextStored(AItemIndex); }
  virtual Variant GetGroupingFieldValue(int ARecordIndex, TkcCustomDataField* AField) {
    return GetSourceValue(ARecordIndex, AField);
  }
  virtual Variant GetGroupValues(int ARecordIndex);
  virtual String GetDisplayText(int ARecordIndex, int AItemIndex);
  virtual int GetRecordCount() { return fDataStorage->RecordCount(); }
  virtual Variant GetRecordId(int ARecordIndex);
  virtual Variant GetValue(int ARecordIndex, int AItemIndex);
  virtual void RefreshRows();
  virtual void SetDisplayText(int ARecordIndex, int AItemIndex, const String& AText);
  virtual void SetRecordCount(int ACount);
  virtual void SetValue(int ARecordIndex, int AItemIndex, const Variant& AValue);
  virtual void Append();
  virtual void Cancel();
  virtual bool InitItemEditing(int AItemIndex);
  virtual void FinishEditing() {}
  virtual void DeleteFocused();
  virtual void DeleteSelectedRecords();
  virtual void StartEdit();
  virtual void FocusControl(int /*AItemIndex*/, bool& ADone) { ADone = false; }
  virtual Variant GetItemEditValue(int AItemIndex, TkcDataEditValueSource AValueSource);
  virtual TkcDataEditValueSource GetItemValueSource(int /*AItemIndex*/) { return evsText; }
  virtual void Insert();
  virtual void Post();
  virtual void UpdateEditingRecord();
  virtual void RefreshData() {}
  virtual bool SetItemEditValue(int AItemIndex, const Variant& AValue, TkcDataEditValueSource AValueSource);
  virtual void ApplyEditorValue() {}
  virtual int GetEditingRecordIndex();
  virtual int GetNewItemRowRecordIndex();
  virtual TkcCustomDataController* GetMasterDataController();
  virtual int GetMasterRecordIndex() { return fMasterRecordIndex; }
  virtual TkcCustomDataRelation* GetMasterRelation() { return fMasterRelation; }
  virtual bool IsDetailMode() { return fMasterRelation != nullptr; }
  virtual TObject* CreateDetailHolder(TkcCustomDataRelation* /*ARelation*/, int /*ARecordIndex*/) { return nullptr; }
  virtual TkcCustomDataController* GetDetailHolderDataController(TObject* /*AHolder*/) { return nullptr; }
  virtual void ResetDetailRelation(TObject* ARelationItem);
  virtual void SetMasterRelationAndRecord(TkcCustomDataRelation* ARelation, int ARecordIndex);
  virtual void ForEachRow(bool ASelectedOnly, const std::function<void(int ARowIndex, const TkcRowInfo& AInfo)>& AProc);
  virtual bool FocusSelectedRow(int AIndex);
  virtual void RestoreSourcePosition() { fProvider->RestorePosition(); }
  virtual void SaveSourcePosition() { fProvider->SavePosition(); }
  virtual void SyncDetailDataSet() {}
  virtual bool IsBookmarkAvailable() { return fBookmarkRecordIndex != -1; }
  virtual bool IsBookmarkRow(int ARowIndex);
  virtual Variant GetFilterFieldValue(int ARecordIndex, TkcCustomDataField* AField) {
    return GetSourceValue(ARecordIndex, AField);
  }
  // Whether GetFilterFieldValue is the field's value kept in the storage (a filter pass may then
  // read the record buffers itself).
  virtual bool IsFilterValueStored(TkcCustomDataField* AField) {
    return !IsGridMode() && !IsProviderMode() && AField && AField->ValueColumn() &&
           AField->ValueColumn()->ValueDefs() == fDataStorage->ValueDefs();
  }
  // Whether GetFilterDisplayText of a record holding a text of AField is that text itself (a text
  // column kept in the storage without display texts of its own), so that a value list may take
  // the text it has read. A descendant giving other filter display texts (GetFilterDisplayText,
  // GetDisplayText or GetSourceDisplayText) says no.
  virtual bool IsFilterDisplayTextStoredText(TkcCustomDataField* AField) {
    return IsFilterValueStored(AField) && AField->ValueColumn()->ValueTypeClass() == TkcStringValueType::Class() &&
           !AField->ValueColumn()->KeepsDisplayText();
  }
  virtual String GetFilterItemFieldCaption(TObject* /*AItem*/) { return String(); }
  virtual String GetFilterItemFieldName(TObject* AItem) { return GetFilterItemFieldCaption(AItem); }
  virtual int FindRecordByDisplayText(int AStartPosition, int AItemIndex, const String& AText, bool APartial,
                                      bool AWrap, bool AForward);
  virtual String GetIncrementalFilterText() { return fIncrementalFilterText; }
  virtual bool HasIncrementalFilter() { return fIncrementalFilterField && !fIncrementalFilterText.empty(); }
  virtual void ResetIncrementalFilter();
  virtual int SetIncrementalFilter(int AItemIndex, const String& AText);
  virtual bool GetItemSortByDisplayText(int /*AItemIndex*/, bool /*ADefault*/) { return false; }
  virtual void ChangeRowSelection(int ARowIndex, bool ASelect);
  virtual TkcDataSelection* GetSelectionObject();
  virtual Variant GetRowIdentity(int ARowIndex) { return Variant(ARowIndex); }
  virtual int GetSelectedRowIndex(int AIndex);
  virtual int GetSelectionAnchorRowIndex();
  virtual bool HasSelectionAnchor() { return GetSelectionAnchorRowIndex() != -1; }
  virtual void SelectAll();
  virtual void SelectFromAnchor(int ARowIndex, bool AKeepSelection);
  virtual void SetSelectionAnchor(int ARowIndex);
  virtual void ResetSelectionToFocused();

  // ---- non-virtual interface ----
  TPersistent* GetOwner() override { return fOwner; }
  TComponent* Owner() const { return fOwner; }

  // Update locks and notifications
  void BeginUpdate();
  void EndUpdate();
  int GetLockCount() const { return fInfo->LockCount(); }
  bool IsRowInfoReady() const { return fInfo->LockCount() == 0 && !fInfo->InfoCalculation(); }
  void AddChanges(std::uint16_t AChanges);
  void CheckChanges();
  std::uint16_t PendingChanges() const { return fChanges; }
  void LockDataReload() { ++fDataReloadLockCount; }
  void UnlockDataReload();
  void LockDataChangeListeners() { ++fDataChangeListenerLockCount; }
  void UnlockDataChangeListeners() { --fDataChangeListenerLockCount; }
  void BeginKeysSaving();
  void EndKeysSaving();
  void AddDataChangedListener(const TNotifyEvent& AEvent) { fDataChangedListeners.push_back(AEvent); }
  void RemoveDataChangedListener(const TNotifyEvent& AEvent);
  TkcDataListenerLink* AddListenerLink();
  void RemoveListenerLink(TkcDataListenerLink* ALink);

  // Items and records
  void CheckItemIndex(int AItemIndex);
  void CheckRecordIndex(int ARecordIndex);
  TkcCustomDataField* GetItemField(int AItemIndex);
  TkcCustomDataField* GetFieldByItem(TObject* AItem) { return fFields->FieldByItem(AItem); }
  int GetItemIndexOfField(TkcCustomDataField* AField) const;
  TkcValueTypeClass GetItemValueTypeClass(int AItemIndex);
  int AppendNewRecord();
  int InsertNewRecord(int ARecordIndex);
  void RemoveRecord(int ARecordIndex);
  void ApplyStructureChange(bool AReloadFields);
  void CheckStructureChanged(bool AActive);
  void LoadAllRecords();
  bool IsUseRecordID();
  bool IsNewItemRowRecord(int ARecordIndex) const {
    return ARecordIndex < 0 && ARecordIndex == fNewItemRowRecordIndex && fNewItemRowRecordIndex != 0;
  }

  // Rows, focus, navigation, bookmark, selection
  int GetRowCount() { return fInfo->GetRowCount(); }
  TkcRowInfo GetRowInfo(int ARowIndex) { return fInfo->GetRowInfo(ARowIndex); }
  int GetRowIndexByRecordIndex(int ARecordIndex, bool AMakeVisible);
  int GetFilteredRecordCount() const { return fInfo->GetRecordListCount(); }
  int GetFilteredRecordIndex(int APosition) const { return fInfo->GetRecordListItem(APosition); }
  int GetLastRecordIndex();
  int GetFocusedRowIndex() const { return fInfo->GetFocusedRowIndex(); }
  int GetFocusedRecordIndex() const { return fInfo->GetFocusedRecordIndex(); }
  bool FocusRow(int ARowIndex);
  bool FocusRecord(int ARecordIndex);
  void EnsureFocusedRow();
  void MoveToFirstRow() { FocusRow(0); }
  void MoveToLastRow() { FocusRow(GetRowCount() - 1); }
  void MoveToNextRow() { FocusRow(GetFocusedRowIndex() + 1); }
  void MoveToPriorRow() { FocusRow(std::max(GetFocusedRowIndex() - 1, 0)); }
  void MoveFocusBy(int ADistance) { FocusRow(std::max(GetFocusedRowIndex() + ADistance, 0)); }
  bool IsGridMode() { return fProvider->IsGridMode(); }
  // Cursor moves made by the controller itself count as a locate for the providers.
  void BeginCursorNavigation() {
    ++fNavigationCount;
    fProvider->LockLocate();
  }
  void EndCursorNavigation() {
    fProvider->UnlockLocate();
    --fNavigationCount;
  }
  void SaveBookmark();
  void GotoBookmark();
  void ClearBookmark();
  int BookmarkRecordIndex() const { return fBookmarkRecordIndex; }
  bool MultiSelect() const { return fMultiSelect; }
  void SetMultiSelect(bool Value);
  void SetFocusedSelected(bool Value);
  int GetSelectedCount();
  bool IsRowSelected(int ARowIndex);
  void SelectRows(int AFromRow, int AToRow);
  void ClearSelection();
  void SelectFocusedRow();
  void UpdateSelectionSnapshot();

  // Editing
  bool IsEditing();
  void PostIfEditing() {
    if (IsEditing()) Post();
  }
  bool GetNewItemRowFocused();
  void SetNewItemRowFocused(bool Value);
  bool UseNewItemRowForEditing() const { return fUseNewItemRowForEditing; }
  void SetUseNewItemRowForEditing(bool Value);
  void ResetNewItemRowFocused();
  int RecordToFocusAfterDeletion() const { return fRecordToFocusAfterDeletion; }
  void SetRecordToFocusAfterDeletion(int Value) { fRecordToFocusAfterDeletion = Value; }
  void RestoreFocusAfterDelete();
  void DeleteFocusedRecord();
  void DeleteRecordList(std::vector<int>& AList);
  bool DeletingSelection() const { return fDeletingSelection; }
  void SetDeletingSelection(bool Value) { fDeletingSelection = Value; }

  // Sorting
  void SetItemSortIndex(int AItemIndex, int ASortIndex);
  void SetItemSortOrder(int AItemIndex, TkcDataSortOrder AOrder);
  TkcDataSortOrder GetItemSortOrder(int AItemIndex);
  int GetItemSortIndex(int AItemIndex);
  int GetSortingItemCount() const { return fInfo->SortingFieldList()->GetCount(); }
  int GetSortingItemIndex(int APosition);
  void ClearSorting(bool AKeepGroupedItems);
  int CompareStoredValues(int ARecordIndex1, int ARecordIndex2, TkcCustomDataField* AField);
  int CompareItemTexts(const String& AText1, const String& AText2);
  int GetSortingBySummaryItemIndex();
  void SetSortingBySummaryItemIndex(int AItemIndex);
  TkcDataSortOrder GetSortingBySummaryOrder();
  bool ChangeIncrementalFilterText(const String& AText);
  // Per-field compare mode of the current sort: -1 stored values, 1 values, 2 display texts.
  int FieldCompareMode(TkcCustomDataField* AField) const;
  void SetFieldCompareMode(TkcCustomDataField* AField, int AMode);
  bool ItemCustomCompare(TkcCustomDataField* AField) const;

  // Marks set by the sorting and grouping operations (they become notifications).
  void MarkSortingChanged() { fSortingChanged = true; }
  void MarkGroupingChanged() { fGroupingChanged = true; }
  bool SortingChangedMark() const { return fSortingChanged; }
  bool GroupingChangedMark() const { return fGroupingChanged; }
  bool LoadedWhileActivating() const { return fLoadedWhileActivating; }
  bool SummarySortChanged() const { return fSummarySortChanged; }
  bool RefocusMark() const { return fRefocus; }
  void SetRefocusMark(bool Value) { fRefocus = Value; }
  bool PostingMark() const { return fPosting; }
  void SetPostingMark(bool Value) { fPosting = Value; }
  bool InNotify() const { return fInNotify; }
  void ClearRowEngineMarks();

  // Search state
  TkcCustomDataField* SearchField() const { return fSearchField; }
  bool Searching() const { return fSearching; }
  const String& SearchText() const { return fSearchText; }
  void SetSearchState(TkcCustomDataField* AField, bool ASearching, const String& AText) {
    fSearchField = AField;
    fSearching = ASearching;
    fSearchText = AText;
  }

  // Master-detail
  TkcCustomDataRelationList* GetRelations();
  bool HasRelations() const;
  int GetDetailMode();
  bool IsDetailTemplate() { return GetDetailMode() == 1; }
  TkcCustomDataController* GetTopMasterController();
  TkcCustomDataController* GetDetailTemplateController();
  void SetMasterRelation(TkcCustomDataRelation* ARelation, bool AIsTemplate);
  void SetIsDetailTemplate(bool Value);
  int GetDetailActiveRelationIndex(int ARecordIndex);
  void SetDetailActiveRelationIndex(int ARecordIndex, int ARelationIndex);
  bool IsDetailExpanded(int ARecordIndex);
  bool SetDetailExpanded(int ARecordIndex, bool AExpanded);
  void CollapseAllDetails();
  bool HasDetailChildren(int ARecordIndex, int ARelationIndex);
  TObject* GetDetailHolder(int ARecordIndex, int ARelationIndex);
  bool HasDetailHolder(int ARecordIndex, int ARelationIndex);
  TkcCustomDataController* GetDetailDataController(int ARecordIndex, int ARelationIndex);
  void DiscardDetails(int ARecordIndex, int ARelationIndex);
  void DiscardAllDetails();
  void RefreshDetailHasChildren();
  void CheckMasterHasChildren();
  void DetachDetailControllers(TkcCustomDataRelation* ARelation);
  void ForEachDetailController(TkcCustomDataRelation* ARelation,
                               const std::function<void(TkcCustomDataController* AController)>& AProc);
  TkcCustomDataController* FocusedDetail() const { return fFocusedDetail; }
  // While a detail holder of a master record (or of this template's relation) is being made.
  bool IsCreatingDetailHolder() const { return fCreatingDetailHolder; }

  // The records as the "DataController1" stream: header, the value types of the stored columns
  // in item order, the record count and the records. Loading checks the whole stream before it
  // replaces anything, so a damaged stream leaves the records as they were.
  void SaveToStream(TStream* AStream);
  void LoadFromStream(TStream* AStream);

  // Owned objects
  TkcCustomDataFieldList* Fields() const { return fFields.get(); }
  TkcCustomDataProvider* Provider() const { return fProvider.get(); }
  TkcCustomDataControllerInfo* DataControllerInfo() const { return fInfo.get(); }
  TkcDataControllerGroups* Groups() const { return fGroups.get(); }
  TkcDataControllerSearch* Search() const { return fSearch.get(); }
  TkcDataSummary* Summary() const { return fSummary.get(); }
  void SetSummary(TkcDataSummary* Value);
  TkcDataFilterCriteria* Filter() const { return fFilter.get(); }
  void SetFilter(TkcDataFilterCriteria* Value) { fFilter->Assign(Value); }
  TkcDataFilterList* FilterList() const { return fFilterList.get(); }
  TkcDataControllerNotifier* Notifier() const { return fNotifier.get(); }
  TkcCustomDataField* HandleField() const { return fHandleField; }

  bool Active() const { return fActive; }
  TkcDataControllerOptions Options() const { return fOptions; }
  void SetOptions(TkcDataControllerOptions Value);
  const TkcDataFilterRecordEvent& OnFilterRecord() const { return fOnFilterRecord; }
  void SetOnFilterRecord(const TkcDataFilterRecordEvent& Value);
  // Runs RefreshRows (the public refresh).
  void Refresh() { RefreshRows(); }

  TkcDataControllerNotifyEvent OnAfterCancel, OnAfterInsert, OnAfterPost, OnBeforeCancel, OnBeforeInsert, OnBeforePost,
      OnAfterDelete;
  TkcDataControllerRecordEvent OnBeforeDelete, OnNewRecord;
  TkcDataControllerCompareEvent OnCompare;
  TNotifyEvent OnDataChanged, OnGroupingChanged, OnSortingChanged;
  TkcDataRecordChangedEvent OnRecordChanged;
  TkcDataDetailExpandingEvent OnDetailExpanding, OnDetailCollapsing;
  TkcDataDetailExpandedEvent OnDetailExpanded, OnDetailCollapsed;
  TkcUpdateControlEvent OnUpdateControl;

protected:
  // A descendant whose class operations answer other classes constructs the base with this tag
  // and calls CreateOwnedObjects from its own constructor (C++ constructors cannot reach the
  // descendant's overrides).
  struct TDeferCreation {};
  TkcCustomDataController(TComponent* AOwner, TDeferCreation);
  void CreateOwnedObjects();
  void SendChanges();
  void SendSelectionChanged();
  bool fDestroying = false;

private:
  friend class TkcCustomDataControllerInfo;
  friend class TkcCustomDataProvider;
  void AfterLoadData();
  // Marks the columns that take part in the stream and answers their count.
  int MarkStreamedColumns();
  void BeginColumnStreaming();
  Variant GetLocalValue(int ARecordIndex, TkcCustomDataField* AField);
  String GetLocalDisplayText(int ARecordIndex, TkcCustomDataField* AField);

  TComponent* fOwner;
  std::vector<TNotifyEvent> fDataChangedListeners;
  std::unique_ptr<TkcDataStorage> fDataStorage;
  std::unique_ptr<TkcDataControllerGroups> fGroups;
  std::unique_ptr<TkcCustomDataFieldList> fFields;
  std::unique_ptr<TkcDataFilterList> fFilterList;
  std::unique_ptr<TkcDataFilterCriteria> fFilter;
  std::unique_ptr<TkcDataControllerSearch> fSearch;
  std::unique_ptr<TkcDataSummary> fSummary;
  std::unique_ptr<TkcCustomDataProvider> fProvider;
  std::unique_ptr<TkcCustomDataControllerInfo> fInfo;
  std::unique_ptr<TkcDataControllerNotifier> fNotifier;
  std::vector<TkcDataListenerLink*> fListenerLinks;
  std::unique_ptr<TkcSaveObject> fSaveObject;
  std::unique_ptr<TkcCustomDataRelationList> fRelations;
  TkcCustomDataController* fFocusedDetail = nullptr;
  bool fDetailTemplateMark = false, fCreatingDetailHolder = false;
  TkcCustomDataField* fHandleField = nullptr;

  bool fActive = false;
  int fBookmarkRecordIndex = -1;
  TkcDataControllerOptions fOptions;
  std::uint16_t fChanges = 0;
  TkcDataChangeKind fPendingKind = dcTotal;
  int fPendingItem = -1, fPendingRecord = -1;
  bool fMultiSelect = false, fFocusedSelected = true;
  bool fNewItemRowFocused = false, fUseNewItemRowForEditing = false;
  int fNewItemRowRecordIndex = 0;
  TkcCustomDataField* fIncrementalFilterField = nullptr;
  String fIncrementalFilterText;
  TkcCustomDataField* fSortBySummaryField = nullptr;
  TkcCustomDataRelation* fMasterRelation = nullptr;
  int fMasterRecordIndex = -1;
  int fDataReloadLockCount = 0, fDataChangeListenerLockCount = 0, fKeysSavingCount = 0, fNavigationCount = 0;
  bool fInCancel = false, fInNotify = false, fInSortingChanged = false, fInStructureCheck = false;
  bool fDataReloadPending = false, fGridModeReloadPending = false, fStructureRefreshed = false;
  bool fSortingChanged = false, fGroupingChanged = false, fLoadedWhileActivating = false, fSummarySortChanged = false;
  bool fRefocus = false, fPosting = false, fRefilterAfterPost = false, fDeletingSelection = false;
  bool fDataChangedWhileLoading = false;
  int fRecordToFocusAfterDeletion = -1;
  int fSelectionSnapshotCount = 0, fSelectionSnapshotRow = -1;
  TkcCustomDataField* fSearchField = nullptr;
  bool fSearching = false;
  String fSearchText;
  TkcDataFilterRecordEvent fOnFilterRecord;
  // Per-field state, indexed by the field's position in the field list.
  std::vector<std::int8_t> fCompareModes;
  std::vector<TkcCustomDataField*> fCustomCompareFields;
};

// The controller of grid views without a dataset: always active.
class TkcDataController : public TkcCustomDataController {
  VT_CLASS(TkcDataController, TkcCustomDataController)
public:
  explicit TkcDataController(TComponent* AOwner);

protected:
  // For descendants whose class operations answer other classes: they call
  // CreateOwnedObjects and ActiveChanged(true) from their own constructor.
  TkcDataController(TComponent* AOwner, TDeferCreation) : TkcCustomDataController(AOwner, TDeferCreation{}) {}
};

// ---- Master-detail --------------------------------------------------------------------------

class TkcCustomDataRelationList;

// A detail relation: an item of the master's owner and, once set up, a template detail controller.
class TkcCustomDataRelation : public TObject {
  VT_CLASS(TkcCustomDataRelation, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataRelationList*, TObject*>;
  TkcCustomDataRelation(TkcCustomDataRelationList* AList, TObject* AItem);
  ~TkcCustomDataRelation() override;
  virtual void FieldRemoved(TkcCustomDataField* /*AField*/) {}
  virtual void Assign(TkcCustomDataRelation* /*Source*/) {}

  void Changed();
  TkcCustomDataController* GetDataController() const;
  int GetIndex() const;
  TObject* Item() const { return fItem; }
  TkcCustomDataController* DetailDataController() const { return fDetailDataController; }
  TkcCustomDataRelationList* RelationList() const { return fRelationList; }

private:
  friend class TkcCustomDataController;
  friend class TkcCustomDataRelationList;
  TkcCustomDataController* fDetailDataController = nullptr;
  TObject* fItem;
  TkcCustomDataRelationList* fRelationList;
};

// Per relation of an opened master record: the detail holder (owned) and the cached answer
// whether the record has detail rows.
class TkcDetailInfoObject : public TObject {
  VT_CLASS(TkcDetailInfoObject, TObject)
public:
  ~TkcDetailInfoObject() override { delete Holder; }
  TObject* Holder = nullptr;
  bool HasChildren = false;
  bool HasChildrenKnown = false;
};

// One per opened master record, kept in the record's hidden field.
class TkcDetailObject : public TObject {
  VT_CLASS(TkcDetailObject, TObject)
public:
  ~TkcDetailObject() override { ClearInfoObjects(); }
  TkcDetailInfoObject* GetInfoObject(int AIndex) const;
  TObject* GetLinkObject(int AIndex) const;
  void SetInfoObject(int AIndex, TkcDetailInfoObject* AInfo);
  void SetLinkObject(int AIndex, TObject* AHolder);
  bool IsEmpty() const;
  bool ResetHasChildren();
  void ClearInfoObjects();
  // Frees one relation's info object (its holder with it).
  void ClearInfoObject(int AIndex);
  int InfoCount() const { return static_cast<int>(fInfos.size()); }
  void Normalize(TkcCustomDataRelationList* ARelations, TkcCustomDataController* APattern);

  int ActiveRelationIndex = -1;
  bool Expanded = false;

private:
  std::vector<TkcDetailInfoObject*> fInfos;
};

class TkcCustomDataRelationList : public TObject {
  VT_CLASS(TkcCustomDataRelationList, TObject)
public:
  explicit TkcCustomDataRelationList(TkcCustomDataController* AController) : fDataController(AController) {}
  ~TkcCustomDataRelationList() override;
  TkcCustomDataRelation* Add(TObject* AItem);
  void Assign(TkcCustomDataRelationList* Source);
  void BeginUpdate() { ++fLockCount; }
  void EndUpdate();
  void Clear();
  void Move(int ACurIndex, int ANewIndex);
  TkcCustomDataRelation* FindByItem(TObject* AItem) const;
  int GetCount() const { return static_cast<int>(fItems.size()); }
  TkcCustomDataRelation* GetItem(int AIndex) const { return fItems.at(static_cast<std::size_t>(AIndex)); }
  int IndexOf(const TkcCustomDataRelation* ARelation) const;
  void Remove(TkcCustomDataRelation* ARelation);
  void Changed(TkcCustomDataRelation* ARelation);
  void Update(TkcCustomDataRelation* ARelation);
  void FieldRemoved(TkcCustomDataField* AField);
  TkcDetailObject* GetDetailObject(int ARecordIndex);
  // The detail object a record has now, without creating one; nil when none.
  TkcDetailObject* PeekDetailObject(int ARecordIndex) const;
  bool ClearDetailObject(int ARecordIndex, int ARelationIndex);
  bool HasDetailHolder(int ARecordIndex, int ARelationIndex);
  TkcCustomDataField* DetailField() const { return fDetailField; }
  TkcCustomDataController* DataController() const { return fDataController; }

private:
  friend class TkcCustomDataRelation;
  TkcCustomDataController* fDataController;
  TkcCustomDataField* fDetailField = nullptr;
  std::vector<TkcCustomDataRelation*> fItems;
  int fLockCount = 0;
};

// ---- Saving state by record key --------------------------------------------------------------

class TkcKeyInfo : public TObject {
  VT_CLASS(TkcKeyInfo, TObject)
public:
  Variant Key;
};

class TkcSelectedKeyInfo : public TkcKeyInfo {
  VT_CLASS(TkcSelectedKeyInfo, TkcKeyInfo)
public:
  int SelectedPosition = -1;
};

class TkcSaveObject;

class TkcDetailKeyInfo : public TkcKeyInfo {
  VT_CLASS(TkcDetailKeyInfo, TkcKeyInfo)
public:
  ~TkcDetailKeyInfo() override;
  int ActiveRelationIndex = -1;
  TkcSaveObject* SubDetail = nullptr;  // owned
};

// Key infos sorted by key; a record is found again by binary search on its key, so restoring
// is n log k, not n x k.
class TkcKeys : public TObject {
  VT_CLASS(TkcKeys, TObject)
public:
  ~TkcKeys() override { Clear(); }
  virtual void RestoreKeys() {}
  virtual void SaveKeys() {}
  virtual void FreeKeyInfo(TkcKeyInfo* AInfo) { delete AInfo; }
  virtual void Clear();
  void Save(TkcCustomDataController* AController);
  void Restore(TkcCustomDataController* AController);
  // The first key info (in list order) whose key is the record's key.
  bool FindKey(int ARecordIndex, int& APosition);
  void Delete(int APosition);
  int Count() const { return static_cast<int>(fKeyInfos.size()); }
  TkcKeyInfo* Item(int AIndex) const { return fKeyInfos.at(static_cast<std::size_t>(AIndex)); }
  TkcCustomDataController* DataController() const { return fDataController; }

protected:
  TkcCustomDataController* fDataController = nullptr;
  std::vector<TkcCustomDataField*> fKeyFields;
  std::vector<TkcKeyInfo*> fKeyInfos;
};

class TkcDetailKeys : public TkcKeys {
  VT_CLASS(TkcDetailKeys, TkcKeys)
public:
  void RestoreKeys() override;
  void SaveKeys() override;
};

class TkcSelectedKeys : public TkcKeys {
  VT_CLASS(TkcSelectedKeys, TkcKeys)
public:
  void RestoreKeys() override;
  void SaveKeys() override;
};

class TkcSaveObject : public TObject {
  VT_CLASS(TkcSaveObject, TObject)
public:
  virtual void Save(TkcCustomDataController* AController);
  virtual void Restore(TkcCustomDataController* AController);
  TkcDetailKeys DetailKeys;
  TkcSelectedKeys SelectedKeys;
};
