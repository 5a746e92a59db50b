#pragma once
// The dataset model: datasets (TDataSet) with their states, cursor, editing, bookmarks, locate,
// filters and events; fields (TField and its classes by data type); field definitions;
// data sources and data links with the numbered data events.
//
// A dataset is a random-access sequence of records in the dataset's current order. A subclass
// supplies the records from its own storage through the Internal... operations (values are read
// per cell, nothing is copied into a generic buffer) and may fetch more records on demand. The
// base adds, on top of the subclass's order: the cursor, the edit buffer (the current record
// while editing, or the new record while inserting, shown at its place in the sequence), the
// filter (a list of the passing records, extended as records arrive), and the data links, each
// with its own window of BufferCount records around the cursor.
//
// The shared declarations and the fields have headers of their own; this one brings them.

#include "platform/db/DBFields.h"
#include "platform/db/DBTypes.h"

// ---------------------------------------------------------------------------------------------
// The dataset

class TDataSet : public TComponent {
  VT_CLASS(TDataSet, TComponent)
public:
  explicit TDataSet(TComponent* AOwner);
  ~TDataSet() override;

  // Opening and closing.
  bool Active() const { return fState != dsInactive; }
  void SetActive(bool Value);
  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  TDataSetState State() const { return fState; }
  // Re-reads the records (the cursor stays on the same record when it still exists).
  void Refresh();

  // Fields.
  TFieldDefs& FieldDefs() { return fFieldDefs; }
  TFields& Fields() { return fFields; }
  TFields& AggFields() { return fAggFields; }
  int FieldCount() const { return fFields.Count(); }
  bool DefaultFields() const { return fDefaultFields; }
  TField* FindField(const String& Name) const { return fFields.FindField(Name); }
  TField* FieldByName(const String& Name) const { return fFields.FieldByName(Name); }
  // The fields of a ";"-separated name list; "Field 'X' not found" for a missing one.
  void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
  void GetFieldNames(TStrings* List) const;
  // One field's value, or a variant array for several names.
  Variant FieldValues(const String& FieldNames) const;
  void SetFieldValues(const String& FieldNames, const Variant& Value);

  // The cursor.
  void First();
  void Last();
  void Next() { MoveBy(1); }
  void Prior() { MoveBy(-1); }
  // Moves up to Distance records; answers how many it moved (negative when backwards).
  int MoveBy(int Distance);
  bool Bof() const { return fBof; }
  bool Eof() const { return fEof; }
  bool IsEmpty() const;
  // The records fetched so far (after the filter; the new record of an insert counts).
  int RecordCount() const;
  int RecNo() const;  // 1-based; 0 when empty or closed
  void SetRecNo(int Value);
  virtual bool IsSequenced() const { return true; }
  virtual bool IsUniDirectional() const { return false; }

  // Bookmarks: opaque texts that stay valid while their record exists.
  String Bookmark() const;
  void SetBookmark(const String& Value) { GotoBookmark(Value); }
  bool BookmarkAvailable() const;
  bool BookmarkValid(const String& Value) const;
  void GotoBookmark(const String& Value);
  // <0, 0, >0 by the records' places in the current order; an empty bookmark sorts first.
  int CompareBookmarks(const String& Bookmark1, const String& Bookmark2) const;

  // Editing.
  void Edit();
  void Insert();
  void Append();
  void Post();
  void Cancel();
  void Delete();
  void CheckBrowseMode();
  void UpdateRecord();
  bool Modified() const { return fModified; }
  bool CanModify() const { return Active() && !fReadOnly && InternalCanModify(); }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value) { fReadOnly = Value; }
  // Appends/inserts a record with the given values (Empty items leave a field unset) and posts.
  void AppendRecord(const std::vector<Variant>& Values);
  void InsertRecord(const std::vector<Variant>& Values);

  // Searching.
  bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options = {});
  Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

  // Filtering: Filter (an expression) and OnFilterRecord both apply while Filtered is True.
  const String& Filter() const { return fFilterText; }
  void SetFilter(const String& Value);
  bool Filtered() const { return fFiltered; }
  void SetFiltered(bool Value);
  TFilterOptions FilterOptions() const { return fFilterOptions; }
  void SetFilterOptions(TFilterOptions Value);
  TFilterRecordEvent OnFilterRecord;
  // Call after changing the condition of OnFilterRecord.
  void RefilterRecords();
  struct FilterExpr;  // a parsed filter (opaque)
  // What one pass of a filter over the records resolves once (opaque): the fields it names and
  // its quoted constants as numbers, dates and texts.
  struct FilterPass;

  // Data-aware controls.
  void DisableControls();
  void EnableControls();
  bool ControlsDisabled() const { return fDisableCount != 0; }
  TDataSource* DataSource() const { return nullptr; }  // master source (none)

  TStream* CreateBlobStream(TField* Field, TBlobStreamMode Mode);
  // Parameter values by name, when the dataset has them (the base has none).
  virtual TStrings* ParamsList() { return nullptr; }

  TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeInsert, AfterInsert, BeforeEdit, AfterEdit,
      BeforePost, AfterPost, BeforeCancel, AfterCancel, BeforeDelete, AfterDelete, BeforeScroll, AfterScroll,
      BeforeRefresh, AfterRefresh, OnNewRecord, OnCalcFields;

  // The record the fields read (a link sets it to read another row of its window).
  int ActiveRecordPos() const { return fActivePos; }
  void SetActiveRecordPos(int Pos) { fActivePos = Pos; }
  int CurrentPos() const { return fCur; }

  // Field values (used by the fields).
  Variant GetFieldValue(const TField* Field) const;
  void SetFieldValue(TField* Field, const Variant& Value);
  void DataEvent(TDataEvent Event, std::intptr_t Info);

protected:
  // ---- what a subclass supplies -------------------------------------------------------------
  virtual void InternalInitFieldDefs() {}
  virtual void InternalOpen() = 0;
  virtual void InternalClose() = 0;
  // Records available now, in the dataset's order.
  virtual int InternalRecordCount() const = 0;
  // Reads more records; false when there are no more.
  virtual bool InternalFetchMore() { return false; }
  // The value of field FieldNo (1-based) of record Rec; Null when null.
  virtual Variant InternalGetValue(int Rec, int FieldNo) const = 0;
  virtual String InternalGetBookmark(int Rec) const = 0;
  virtual int InternalFindBookmark(const String& Bookmark) const = 0;  // -1 when invalid
  virtual bool InternalCanModify() const { return false; }
  // Stores a new record (Rec = -1, placed before record Before, or at the end for Before =
  // count) or changes record Rec; answers where the record now is in the order.
  virtual int InternalPost(int Rec, int Before, const std::vector<Variant>& Values);
  virtual void InternalDelete(int Rec);
  // The record matching the key values from record From on, or -1; -2 when this subclass has
  // no faster way than the base's scan.
  virtual int InternalLocate(const std::vector<TField*>& /*Fields*/, const Variant& /*KeyValues*/,
                             TLocateOptions /*Options*/) const {
    return -2;
  }
  virtual void InternalRefresh() {}
  virtual void DoOnNewRecord();
  // Whether a record passes a value comparison of Locate.
  static bool KeyMatches(const Variant& Value, const Variant& Key, TLocateOptions Options);
  // Creates fields from the field definitions when none were made beforehand.
  void CreateFields();
  void BindFields(bool Binding);
  void CheckActive() const;
  void CheckInactive() const;
  // Re-reads after the subclass changed its records underneath (order or content).
  void Resync();
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TField;
  friend class TDataSource;
  friend class TDataLink;
  // The filter language: comparisons (= <> < <= > >=), IS [NOT] NULL, LIKE with % and _,
  // AND, OR, NOT and parentheses over field names (bare or in [brackets], "]]" for "]"),
  // quoted texts ('' for ') and numbers. A text ending in * matches as a prefix unless
  // foNoPartialCompare. Syntax errors raise EDatabaseError.
  static std::shared_ptr<FilterExpr> ParseFilterText(const String& Text);
  bool EvalFilter(FilterPass& Pass) const;

  // The view: the subclass's records, filtered, with the new record of an insert shown.
  int ViewCount() const;             // without fetching
  bool EnsureView(int Count) const;  // fetches until Count records are visible
  void FetchAll() const;
  int RecOfView(int Pos) const;  // -1 for the new record
  int ViewOfRec(int Rec) const;  // -1 when filtered out
  bool Accepts(int Rec, FilterPass& Pass) const;
  void ExtendFilterView() const;
  void RebuildFilterView();
  bool FilterActive() const;

  void SetState(TDataSetState Value);
  void DoScrollEvent(const TDataSetNotifyEvent& E) {
    if (E) E(this);
  }
  // Insert and Append: a new record at the cursor or after the last one.
  void StartInsert(bool atEnd);
  void MoveTo(int Pos, TDataEvent Event, std::intptr_t Info);
  void CheckCanModify() const;
  void CheckEditing() const;
  void InternalCancelEdit();
  int LocateRecord(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options,
                   std::vector<TField*>& Fields) const;
  Variant ReadValueAt(int Pos, const TField* Field) const;
  void AddDataSource(TDataSource* S);
  void RemoveDataSource(TDataSource* S);
  void SendEvent(TDataEvent Event, std::intptr_t Info);
  void SyncLinkWindows();

  TDataSetState fState = dsInactive;
  TFieldDefs fFieldDefs;
  TFields fFields{this};
  TFields fAggFields{this};
  bool fDefaultFields = false;
  bool fReadOnly = false;
  bool fBof = true, fEof = true;
  bool fModified = false;
  int fCur = -1;                     // view position of the current record
  int fActivePos = -1;               // view position the fields read
  int fInsertPos = -1;               // view position of the new record while inserting
  int fEditRec = -1;                 // the record being edited
  std::vector<Variant> fEditValues;  // by FieldNo - 1
  String fFilterText;
  bool fFiltered = false;
  TFilterOptions fFilterOptions;
  std::shared_ptr<FilterExpr> fFilterExpr;
  mutable std::vector<int> fFilterView;  // passing records, ascending
  mutable int fFilterScanned = 0;        // records tested so far
  mutable int fFilterRec = -1;           // the record the fields read while filtering
  int fDisableCount = 0;
  TDataSetState fDisableState = dsInactive;
  TDataEvent fEnableEvent = deDataSetChange;  // what EnableControls sends
  std::vector<TDataSource*> fDataSources;
  int fInternalOp = 0;
};

// ---------------------------------------------------------------------------------------------
// Data sources and links

class TDataSource : public TComponent {
  VT_CLASS(TDataSource, TComponent)
public:
  explicit TDataSource(TComponent* AOwner);
  ~TDataSource() override;
  TDataSet* DataSet() const { return fDataSet; }
  void SetDataSet(TDataSet* Value);
  TDataSetState State() const { return fDataSet ? fDataSet->State() : dsInactive; }
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  bool AutoEdit = true;
  // Starts editing when AutoEdit is set and the dataset is browsing.
  void Edit();
  TNotifyEvent OnStateChange;
  TEvent<void(TObject* Sender, TField* Field)> OnDataChange;
  TNotifyEvent OnUpdateData;
  int DataLinkCount() const { return static_cast<int>(fLinks.size()); }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TDataSet;
  friend class TDataLink;
  void DataEvent(TDataEvent Event, std::intptr_t Info);
  TDataSet* fDataSet = nullptr;
  bool fEnabled = true;
  std::vector<TDataLink*> fLinks;
};

class TDataLink : public TPersistent {
  VT_CLASS(TDataLink, TPersistent)
public:
  TDataLink();
  ~TDataLink() override;
  TDataSource* DataSource() const { return fDataSource; }
  void SetDataSource(TDataSource* Value);
  TDataSet* DataSet() const { return fDataSource ? fDataSource->DataSet() : nullptr; }
  bool Active() const { return fActive; }
  bool Editing() const { return fEditing; }
  bool ReadOnly() const { return fReadOnly; }
  void SetReadOnly(bool Value);
  bool VisualControl = false;
  // The row of the window the fields read, 0 .. RecordCount - 1.
  int ActiveRecord() const;
  void SetActiveRecord(int Value);
  int BufferCount() const { return fBufferCount; }
  void SetBufferCount(int Value);
  // The records in this link's window.
  int RecordCount() const;
  bool Edit();  // starts editing when possible; answers Editing
  void UpdateRecord();
  virtual bool ExecuteAction(TObject* /*Action*/) { return false; }
  virtual bool UpdateAction(TObject* /*Action*/) { return false; }

protected:
  // The notifications, in this order of the framework's table.
  virtual void ActiveChanged() {}
  virtual void CheckBrowseMode() {}
  virtual void DataEvent(TDataEvent Event, std::intptr_t Info);
  virtual void DataSetChanged() { RecordChanged(nullptr); }
  virtual void DataSetScrolled(int /*Distance*/) { DataSetChanged(); }
  virtual void EditingChanged() {}
  virtual void FocusControl(TField** /*Field*/) {}
  virtual void LayoutChanged() { DataSetChanged(); }
  virtual void RecordChanged(TField* /*Field*/) {}
  virtual void UpdateData() {}
  int FirstRecord() const { return fFirst; }

private:
  friend class TDataSource;
  friend class TDataSet;
  void UpdateState();
  int UpdateRange();  // the window's move
  TDataSource* fDataSource = nullptr;
  bool fActive = false;
  bool fEditing = false;
  bool fReadOnly = false;
  bool fUpdating = false;
  int fBufferCount = 1;
  int fFirst = 0;
};
