#pragma once
// The table view: columns over the view's own data controller, a header of column headers,
// data rows laid out only while they fit, grid lines drawn in one call, sorting and grouping
// through the columns, clipboard text and best fit.

#include <deque>

#include "data/kcCustomData.h"
#include "grid/kcGrid.h"
#include "grid/kcGridDataController.h"
#include "grid/kcGridTableOptions.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcGridItemDataBinding;
class TkcGridColumnSummary;
class TkcGridTableFiltering;
class TkcGridFilterBox;
class TkcCustomGridTableViewData;
class TkcGridTableController;
class TkcGridFilterViewInfo;

enum TkcGridLines { glBoth, glNone, glVertical, glHorizontal };

// ---- Hit tests ------------------------------------------------------------------------------

class TkcGridHeaderHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridHeaderHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 217; }
};

class TkcCustomGridColumnHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcCustomGridColumnHitTest, TkcCustomGridViewHitTest)
public:
  TkcGridColumn* Column = nullptr;
};

class TkcGridColumnHeaderHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 202; }
  TkcDragAndDropObjectClass DragAndDropObjectClass() const override;
};

class TkcGridColumnHeaderFilterButtonHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderFilterButtonHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 204; }
};

class TkcGridColumnHeaderHorzSizingEdgeHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderHorzSizingEdgeHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 203; }
  TCursor Cursor() const override { return crkcGridHorzSize; }
};

class TkcCustomGridRecord;

// A record held by kind and row (never by pointer), so the hit test outlives a refresh.
class TkcGridRecordHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridRecordHitTest, TkcCustomGridViewHitTest)
public:
  int RowIndex = -1;
  int HitRecordKind = 0;
  int HitTestCode() const override { return 106; }
  virtual bool ActsOnRecord() { return true; }
  // The record at the row now (nil when none); GridView's view data unless one was stored.
  TkcCustomGridRecord* GetGridRecord();
  void SetGridRecord(TkcCustomGridRecord* ARecord);
  TkcCustomGridTableViewData* HitViewData = nullptr;
};

class TkcGridRecordCellHitTest : public TkcGridRecordHitTest {
  VT_CLASS(TkcGridRecordCellHitTest, TkcGridRecordHitTest)
public:
  TkcGridColumn* Column = nullptr;
  int HitTestCode() const override { return 107; }
};

class TkcGridExpandButtonHitTest : public TkcGridRecordHitTest {
  VT_CLASS(TkcGridExpandButtonHitTest, TkcGridRecordHitTest)
public:
  int HitTestCode() const override { return 108; }
  // A click there expands or collapses instead of focusing.
  bool ActsOnRecord() override { return false; }
};

// ---- Columns --------------------------------------------------------------------------------

// Visual parameters a column may set; unset ones come from the view, then the painter.
struct TkcGridColumnStyle {
  TColor Color = clDefault;
  TColor TextColor = clDefault;
};

class TkcGridColumn : public TObject {
  VT_CLASS(TkcGridColumn, TObject)
public:
  explicit TkcGridColumn(TkcGridTableView* AGridView);
  ~TkcGridColumn() override;
  TkcGridTableView* GridView() const { return fGridView; }
  int ID() const { return fID; }
  // Position among all columns and among the visible ones (-1 when hidden).
  int Index() const;
  void SetIndex(int Value);
  int VisibleIndex() const;
  // An unassigned caption follows the column's default (a database column's field name).
  String Caption() const { return fIsCaptionAssigned ? fCaption : GetDefaultCaption(); }
  void SetCaption(const String& Value);
  bool IsCaptionAssigned() const { return fIsCaptionAssigned; }
  int Width() const { return fWidth; }
  void SetWidth(int Value);
  int MinWidth() const { return fMinWidth; }
  void SetMinWidth(int Value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment Value);
  TkcDataSortOrder SortOrder() const;
  void SetSortOrder(TkcDataSortOrder Value);
  int GroupIndex() const;
  void SetGroupIndex(int Value);
  void SetValueTypeClass(TkcValueTypeClass Value);
  TkcGridColumnStyle Style;
  TkcVisualParams GetContentParams();
  // The widest of the caption and every row's text, with the cell's offsets.
  int GetBestFitWidth();
  void ApplyBestFit() { SetWidth(GetBestFitWidth()); }
  int ItemIndex() const;  // the data controller's item index
  TkcGridItemDataBinding* DataBinding() const { return fDataBinding.get(); }
  TkcGridColumnSummary* Summary() const { return fSummary.get(); }
  // The column's filter drop-down offers the values last picked for it.
  bool FilteringMRUItemsList = true;
  bool WasVisibleBeforeGrouping = true;
  std::function<void(TkcGridColumn*, const Variant&, String&)> OnGetFilterDisplayText;
  std::function<void(TkcGridColumn*, TkcDataFilterValueList*)> OnGetFilterValues;

protected:
  virtual String GetDefaultCaption() const { return fCaption; }

private:
  friend class TkcGridTableView;
  TkcGridTableView* fGridView;
  int fID = -1;
  String fCaption;
  bool fIsCaptionAssigned = false, fVisible = true;
  int fWidth = 64, fMinWidth = 20;
  TAlignment fAlignment = taLeftJustify;
  std::unique_ptr<TkcGridItemDataBinding> fDataBinding;
  std::unique_ptr<TkcGridColumnSummary> fSummary;
};

// ---- View infos -----------------------------------------------------------------------------

class TkcGridTableViewInfo;

class TkcGridColumnHeaderViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcGridColumnHeaderViewInfo, TkcCustomGridViewCellViewInfo)
public:
  TkcGridColumnHeaderViewInfo(TkcCustomGridViewInfo* AOwner, TkcGridColumn* AColumn)
      : TkcCustomGridViewCellViewInfo(AOwner), Column(AColumn) {}
  TkcGridColumn* Column;
  bool IsLast = false;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridColumnHeaderHitTest>; }
  bool GetHotTrack() override { return true; }
  bool CaptureMouseOnPress() override { return true; }
  TkcCustomGridHitTest* GetHitTestAt(const TPoint& P);
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  void Click() override;
  // The filter drop-down button at the right (empty when the view has no column filtering).
  TRect FilterButtonBounds();
  // Shown while the header is hot or its column is filtered.
  bool IsFilterButtonVisible();

protected:
  String GetText() override { return Column->Caption(); }
  TAlignment GetAlignmentHorz() override { return Column->Alignment(); }
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
};

class TkcGridDataCellViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcGridDataCellViewInfo, TkcCustomGridViewCellViewInfo)
public:
  TkcGridDataCellViewInfo(TkcCustomGridViewInfo* AOwner, int ARowIndex, TkcGridColumn* AColumn, bool AIsLast)
      : TkcCustomGridViewCellViewInfo(AOwner), RowIndex(ARowIndex), Column(AColumn), fIsLast(AIsLast) {}
  int RowIndex;
  TkcGridColumn* Column;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridRecordCellHitTest>; }
  TkcBorders GetBorders() override;
  int GetBorderWidth(TkcBorder) override { return 1; }
  TColor GetBorderColor(TkcBorder) override;
  bool GetShowEndEllipsis() override { return true; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;

protected:
  String GetText() override;
  TAlignment GetAlignmentHorz() override { return Column->Alignment(); }
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;

private:
  bool fIsLast;
};

// One visible row: a group row (one cell with the group's text) or a data row (a cell per
// visible column).
class TkcGridRowViewInfo : public TObject {
  VT_CLASS(TkcGridRowViewInfo, TObject)
public:
  int RowIndex = -1;
  TRect Bounds{};
  bool IsGroup = false;
  std::vector<std::unique_ptr<TkcCustomGridViewCellViewInfo>> Cells;
  void Offset(int DY);
};

class TkcGridTableViewInfo : public TkcCustomGridViewInfo {
  VT_CLASS(TkcGridTableViewInfo, TkcCustomGridViewInfo)
public:
  explicit TkcGridTableViewInfo(TkcCustomGridView* AGridView);
  ~TkcGridTableViewInfo() override;
  TkcGridTableView* TableView() const;
  int HeaderHeight() const { return fHeaderHeight; }
  int RowHeight() const { return fRowHeight; }
  TRect HeaderBounds() const { return fHeaderBounds; }
  TRect RecordsBounds() const { return fRecordsBounds; }
  int DataWidth() const { return fDataWidth; }
  // Rows that fit wholly, and those at least partly visible.
  int VisibleRowCount() const { return fVisibleRowCount; }
  int PartVisibleRowCount() const { return static_cast<int>(fRows.size()); }
  const std::vector<std::unique_ptr<TkcGridColumnHeaderViewInfo>>& Headers() const { return fHeaders; }
  TkcGridRowViewInfo* Rows(int AIndex) const { return fRows.at(static_cast<size_t>(AIndex)).get(); }
  TkcGridRowViewInfo* RowByIndex(int ARowIndex) const;
  // Row view infos made since the view info was created (reuse on scroll keeps this low).
  int RowsCreated() const { return fRowsCreated; }
  // The rows that fit in a height; never divides by a row height of 0.
  int RowsFitting(int AHeight) const { return fRowHeight > 0 ? std::max(AHeight / fRowHeight, 0) : 0; }
  // Moves the rows still in view by ADelta rows and lays out only the new ones.
  void ScrollRows(int ADelta);
  bool HasNoData() const;
  void PaintCells(TkcCanvas* ACanvas) override;
  // The filter bar while it is shown, else nil.
  TkcGridFilterViewInfo* FilterViewInfo() const { return fFilter.get(); }

protected:
  void Calculate() override;
  void DestroyViewInfos(bool) override;
  TkcCustomGridHitTest* GetDefaultHitTest(const TPoint& P) override;

private:
  std::unique_ptr<TkcGridRowViewInfo> CreateRow(int ARowIndex, int ATop);
  void CalculateRowHeight();
  void CollectGridLines(std::vector<POINT>& APoints);
  int fHeaderHeight = 0, fRowHeight = 0, fDataWidth = 0, fVisibleRowCount = 0, fRowsCreated = 0;
  TRect fHeaderBounds{}, fRecordsBounds{};
  std::vector<std::unique_ptr<TkcGridColumnHeaderViewInfo>> fHeaders;
  std::deque<std::unique_ptr<TkcGridRowViewInfo>> fRows;
  std::unique_ptr<TkcGridFilterViewInfo> fFilter;
};

class TkcGridTablePainter : public TkcCustomGridPainter {
  VT_CLASS(TkcGridTablePainter, TkcCustomGridPainter)
public:
  using TkcCustomGridPainter::TkcCustomGridPainter;

protected:
  void PaintContent() override { PaintViewInfo()->PaintCells(Canvas()); }
  void DrawBackground() override;
};

// ---- The view -------------------------------------------------------------------------------

class TkcGridTableView : public TkcCustomGridView {
  VT_CLASS(TkcGridTableView, TkcCustomGridView)
public:
  explicit TkcGridTableView(TComponent* AOwner);
  ~TkcGridTableView() override;
  // The view's own data controller; a database view's is bound to a dataset.
  TkcCustomDataController* DataController() const { return fDataController.get(); }
  TkcGridTableViewInfo* TableViewInfo() const { return static_cast<TkcGridTableViewInfo*>(ViewInfo()); }
  TkcGridTableController* TableController() const;
  TkcCustomGridTableViewData* TableViewData() const;
  TkcGridTableFiltering* Filtering() const { return fFiltering.get(); }
  TkcGridFilterBox* FilterBox() const { return fFilterBox.get(); }
  // The name a stored layout knows the view by; with one, columns are stored by their IDs.
  String StoringName;
  std::function<void(TkcGridTableView*, TkcCustomGridRecord*, bool&AAllow)> OnCanFocusRecord, OnCanSelectRecord;
  std::function<void(TkcGridTableView*, TkcCustomGridRecord* APrev, TkcCustomGridRecord* AFocused, bool ANewItemRow)>
      OnFocusedRecordChanged;
  std::function<void(TkcGridTableView*, TkcGridColumn*, bool& ADone)> OnFilterDialogShow;
  std::function<void(TkcGridTableView*, bool& ADone)> OnFilterCustomization;
  TNotifyEvent OnFilterControlDialogShow;
  // A column was shown, hidden or moved by the user.
  std::function<void(TkcGridTableView*, TkcGridColumn*)> OnColumnPosChanged;

  TkcGridColumn* CreateColumn();
  void ClearItems();
  int ColumnCount() const { return static_cast<int>(fColumns.size()); }
  TkcGridColumn* Columns(int AIndex) const { return fColumns.at(static_cast<size_t>(AIndex)); }
  int VisibleColumnCount() const { return static_cast<int>(fVisibleColumns.size()); }
  TkcGridColumn* VisibleColumns(int AIndex) const { return fVisibleColumns.at(static_cast<size_t>(AIndex)); }
  int IndexOfColumn(const TkcGridColumn* AColumn) const;
  int VisibleIndexOfColumn(const TkcGridColumn* AColumn) const;
  void ChangeColumnIndex(TkcGridColumn* AColumn, int AIndex);
  TkcGridColumn* FindColumnByID(int AID) const;

  // Options.
  bool ShowHeader() const { return fShowHeader; }
  void SetShowHeader(bool Value);
  TkcGridLines GridLines() const { return fGridLines; }
  void SetGridLines(TkcGridLines Value);
  TColor GridLineColor() const { return fGridLineColor; }
  void SetGridLineColor(TColor Value);
  int DataRowHeight() const { return fDataRowHeight; }
  void SetDataRowHeight(int Value);
  int HeaderHeight() const { return fHeaderHeight; }
  void SetHeaderHeight(int Value);
  // View-wide content parameters under the columns' own.
  TkcGridColumnStyle ContentStyle;
  TkcGridTableOptionsData OptionsData;
  TkcGridTableOptionsBehavior OptionsBehavior;
  TkcGridTableOptionsCustomize OptionsCustomize;
  TkcGridNavigatorButtons NavigatorButtons;
  const TkcGridTableOptionsSelection& OptionsSelection() const { return fOptionsSelection; }
  // Multi-select turns the data controller's on or off with it.
  void SetOptionsSelection(const TkcGridTableOptionsSelection& Value);

  int TopRowIndex() const { return fTopRowIndex; }
  // The controller's horizontal scroll position (0 before there is one).
  int LeftPos() const;
  void SetTopRowIndex(int Value);
  int MaxTopRowIndex() const;

  String GetCopyText(bool AWithCaptions, bool ASelectedOnly);
  void CopyToClipboard(bool AWithCaptions, bool ASelectedOnly);
  // The group row's text: the grouped column's caption and the value.
  String GetGroupRowText(int ARowIndex);
  void DataControllerChanged(TkcUpdateControlInfo* AInfo);

protected:
  // A descendant hands in its own kind of data controller, which the view then owns.
  TkcGridTableView(TComponent* AOwner, TkcCustomDataController* ADataController);
  TkcCustomGridController* CreateController() override;
  TForm* CreateCustomizationForm() override;
  // The kind of column CreateColumn makes.
  virtual TkcGridColumn* NewColumn() { return new TkcGridColumn(this); }
  TkcCustomGridPainter* CreatePainter() override { return new TkcGridTablePainter(this); }
  TkcCustomGridViewInfo* CreateViewInfo() override { return new TkcGridTableViewInfo(this); }
  TkcCustomGridViewData* CreateViewData() override;

private:
  friend class TkcGridColumn;
  void ColumnRemoved(TkcGridColumn* AColumn);
  void RefreshVisibleColumns();
  std::unique_ptr<TkcCustomDataController> fDataController;
  // After the data controller, so they go first (history entries hold its criteria).
  std::unique_ptr<TkcGridTableFiltering> fFiltering;
  std::unique_ptr<TkcGridFilterBox> fFilterBox;

  TkcGridTableOptionsSelection fOptionsSelection;
  std::vector<TkcGridColumn*> fColumns, fVisibleColumns;
  int fNextID = 0;
  bool fShowHeader = true;
  TkcGridLines fGridLines = glBoth;
  TColor fGridLineColor = clDefault;
  int fDataRowHeight = 0, fHeaderHeight = 0, fTopRowIndex = 0;
  bool fClearing = false;
};
