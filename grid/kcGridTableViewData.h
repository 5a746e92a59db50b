#pragma once
// The records of a table view: light objects over the data controller's rows, made when a row
// is first asked for and dropped at every data change, so no record outlives the numbering it
// was made for. Also the changes a table view posts for its records and focus, and the hit
// tests of its records and filter box; a record hit test holds its record by kind and row, so
// it stays valid across a refresh.

#include <unordered_map>

#include "grid/kcGrid.h"
#include "grid/kcGridDataController.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcCustomGridRowViewInfo;
class TkcCustomGridTableViewData;

// Record kinds a hit test or change names: an ordinary row or the new-item row.
constexpr int kcGridRecordKindRow = 0, kcGridRecordKindNewItem = 1;

class TkcCustomGridRecord : public TObject {
  VT_CLASS(TkcCustomGridRecord, TObject)
public:
  TkcCustomGridRecord(TkcCustomGridTableViewData* AViewData, const TkcRowInfo& ARowInfo, int AIndex)
      : Index(AIndex), RowInfo(ARowInfo), fViewData(AViewData) {}

  // Set when the numeric-pad plus, minus or star expanded or collapsed the record, so that the
  // character of the same key stroke is swallowed.
  bool KeyExpandPending = false;
  int Index;
  TkcRowInfo RowInfo;

  virtual void RefreshRecordInfo();
  // A data row of a view with visible detail levels is a master row: it expands to show the
  // detail view of its record.
  virtual bool GetExpandable();
  virtual bool GetExpanded();
  bool IsMasterRecord();
  // A group row's record: it expands to show its group.
  bool IsGroupRecord();
  virtual bool GetHasCells() { return false; }
  virtual bool GetIsData() { return true; }
  virtual bool GetIsFirst() { return Index == 0; }
  virtual bool GetIsLast();
  virtual bool GetIsParent() { return false; }
  // The record of the nearest row above at a lower level; nil at level 0 of a top-level view.
  virtual TkcCustomGridRecord* GetParentRecord();
  virtual bool GetSelected();
  virtual bool GetVisible();
  virtual void SetSelected(bool Value);
  virtual String GetDisplayText(int AItemIndex);
  virtual int GetValueCount();
  virtual Variant GetValue(int AItemIndex);
  virtual void SetDisplayText(int AItemIndex, const String& AText);
  virtual void SetValue(int AItemIndex, const Variant& AValue);
  virtual bool CanFocus();
  virtual bool CanFocusCells() { return true; }
  // Posts a repaint of the record, or of one item's cell.
  virtual void Invalidate(TkcGridColumn* AItem = nullptr);
  virtual void KeyDown(WORD& AKey, TShiftState AShift);
  virtual void KeyPress(char32_t& AKey);

  TkcCustomGridTableViewData* ViewData() const { return fViewData; }
  TkcGridTableView* GridView() const;
  TkcCustomDataController* DataController() const;
  int Level() const { return RowInfo.Level; }
  int RecordIndex() const { return RowInfo.RecordIndex; }
  // The row laid out on screen for this record, nil when it is not.
  TkcCustomGridRowViewInfo* ViewInfo() const;
  bool HasViewInfo() const { return ViewInfo() != nullptr; }
  bool IsNewItemRecord() const;
  bool IsEditing() const;
  bool Focused() const;
  void SetFocused(bool Value);
  bool IsValid() const;
  void SetRowExpanded(bool Value);
  void ExpandRow(bool ARecursive);
  void CollapseRow(bool ARecursive);
  void MakeVisible();
  bool IsLastInParentLevel(int ALevelOffset);
  int GetLastParentLevelCount();
  void ProcessKeyPress(char32_t& AKey);

protected:
  virtual void DoExpand(bool ARecursive);
  virtual void DoCollapse(bool ARecursive);

private:
  TkcCustomGridTableViewData* fViewData;
};

class TkcCustomGridTableViewData : public TkcCustomGridViewData {
  VT_CLASS(TkcCustomGridTableViewData, TkcCustomGridViewData)
public:
  explicit TkcCustomGridTableViewData(TkcGridTableView* AView);
  ~TkcCustomGridTableViewData() override;
  TkcGridTableView* TableView() const;
  TkcCustomDataController* DataController() const;

  // Kind 1: the new-item record; kind 0: the record of a valid row, else nil.
  virtual TkcCustomGridRecord* RecordOfKind(int AKind, int AIndex);
  virtual int KindOfRecord(TkcCustomGridRecord* ARecord) {
    return ARecord && ARecord == fNewItemRecord.get() ? kcGridRecordKindNewItem : kcGridRecordKindRow;
  }
  virtual bool HasNewItemRecord() { return false; }
  virtual void CollapseAll(bool ARecursive);
  virtual void ExpandAll(bool ARecursive);
  void Refresh(int ARecordCount) override;
  int GetRecordCount() override;

  TkcCustomGridRecord* GetRecord(int AIndex);
  // Nil outside 0 .. count - 1.
  TkcCustomGridRecord* RecordAtRow(int AIndex) { return IsRowIndexValid(AIndex) ? GetRecord(AIndex) : nullptr; }
  bool IsRowIndexValid(int AIndex) { return AIndex >= 0 && AIndex < fRecordCount; }
  TkcCustomGridRecord* GetRecordByRecordIndex(int ARecordIndex);
  TkcCustomGridRecord* NewItemRecord() const { return fNewItemRecord.get(); }
  TkcCustomGridRecord* RecordInEdit() const { return fRecordInEdit; }
  // Records made since the last refresh (they are made only for rows asked for).
  int CreatedRecordCount() const { return static_cast<int>(fRecords.size()); }
  void UpdateRecordInEdit();
  void CheckNewItemRecord();
  // After a change that keeps the row numbering: the records reread their row information.
  void RefreshRecords();

protected:
  // The record of a row; the table view's own rows override it.
  virtual TkcCustomGridRecord* CreateRecord(const TkcRowInfo& ARowInfo, int AIndex);
  virtual TkcCustomGridRecord* CreateNewItemRecord() { return nullptr; }

private:
  void FreeRecords();
  // Only the records asked for are kept, by row: a refresh after each fetched packet then costs
  // what was made, not the row count.
  std::unordered_map<int, std::unique_ptr<TkcCustomGridRecord>> fRecords;
  std::unique_ptr<TkcCustomGridRecord> fNewItemRecord;
  TkcCustomGridRecord* fRecordInEdit = nullptr;
  int fRecordCount = 0;
};

// Whether the view's OnCanSelectRecord handler lets the row be selected (yes without one).
bool CanSelectGridRow(TkcGridTableView* AView, int ARowIndex);

// ---- Changes --------------------------------------------------------------------------------

// One record, or one cell of it, needs repainting; dropped when the view is laid out anyway.
class TkcGridRecordChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridRecordChange, TkcCustomGridViewChange)
public:
  TkcGridRecordChange(TkcCustomGridView* AView, TkcGridColumn* AItem, int ARowIndex, int ARecordKind)
      : TkcCustomGridViewChange(AView),
        ChangedItem(AItem),
        ChangedRowIndex(ARowIndex),
        ChangedRecordKind(ARecordKind) {}
  TkcGridColumn* ChangedItem;
  int ChangedRowIndex;
  // Held by kind and row, never by pointer: the records may be remade before the change runs.
  int ChangedRecordKind;
  void Execute() override;
  bool IsSupersededBy(TkcCustomGridChange* AChange) override;
  bool Matches(TkcCustomGridChange* AChange) override;
  std::size_t MatchKey() const override;
};

class TkcGridFocusedRecordChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridFocusedRecordChange, TkcCustomGridViewChange)
public:
  TkcGridFocusedRecordChange(TkcCustomGridView* AView, bool ANewItemRowChanged, int ANewRowIndex, int APrevRowIndex)
      : TkcCustomGridViewChange(AView),
        PrevRowIndex(APrevRowIndex),
        NewRowIndex(ANewRowIndex),
        NewItemRowChanged(ANewItemRowChanged) {}
  int PrevRowIndex, NewRowIndex;
  bool NewItemRowChanged;
  void Execute() override;
};

// ---- Hit tests ------------------------------------------------------------------------------

class TkcGridFilterHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFilterHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 101; }
};

class TkcGridFilterActivateButtonHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFilterActivateButtonHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 102; }
};

class TkcGridFilterCloseButtonHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFilterCloseButtonHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 103; }
};

class TkcGridFilterDropDownButtonHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFilterDropDownButtonHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 104; }
};

class TkcGridFilterCustomizeButtonHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFilterCustomizeButtonHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 105; }
};
