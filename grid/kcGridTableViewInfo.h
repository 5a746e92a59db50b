#pragma once
// The table view's layout: the parts stacked above and below the records (group-by box, column
// header, footer), the indicator column at the left, and the records area with one row view
// info per visible row (data rows with their cells and preview, group rows). Rows are laid out
// only while they fit; scrolling by whole rows keeps the rows still in view and lays out only the
// uncovered ones. Data cells lay out and draw their values through their column's editor.

#include <deque>

#include "editors/kcEditViewInfo.h"
#include "grid/kcGrid.h"
#include "grid/kcGridDetailsSite.h"
#include "grid/kcGridTableOptions.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcGridTableViewInfo;
class TkcGridRowsViewInfo;
class TkcCustomGridRowViewInfo;
class TkcGridColumnHeaderViewInfo;
class TkcGridColumnContainerViewInfo;
class TkcGridFilterViewInfo;
class TkcNavigatorSiteViewInfo;

// Where a column was hit.
enum TkcGridColumnContainerKind { ckNone = 0, ckCustomizationForm = 1, ckHeader = 2, ckGroupByBox = 3, ckFooter = 4 };

// ---- Hit tests ------------------------------------------------------------------------------

class TkcGridGroupByBoxHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridGroupByBoxHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 201; }
};

class TkcGridHeaderHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridHeaderHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 217; }
};

class TkcGridFooterHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridFooterHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 205; }
};

class TkcGridGroupFooterHitTest : public TkcGridFooterHitTest {
  VT_CLASS(TkcGridGroupFooterHitTest, TkcGridFooterHitTest)
public:
  int HitTestCode() const override { return 207; }
};

class TkcGridIndicatorHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridIndicatorHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 215; }
};

class TkcCustomGridColumnHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcCustomGridColumnHitTest, TkcCustomGridViewHitTest)
public:
  TkcGridColumn* Column = nullptr;
  TkcGridColumnContainerKind ColumnContainerKind = ckNone;
};

class TkcGridColumnHeaderHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 202; }
  TkcDragAndDropObjectClass DragAndDropObjectClass() const override;
};

class TkcGridColumnHeaderHorzSizingEdgeHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderHorzSizingEdgeHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 203; }
  TCursor Cursor() const override { return crkcGridHorzSize; }
  TkcDragAndDropObjectClass DragAndDropObjectClass() const override;
};

class TkcGridColumnHeaderFilterButtonHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridColumnHeaderFilterButtonHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 204; }
};

class TkcGridFooterCellHitTest : public TkcCustomGridColumnHitTest {
  VT_CLASS(TkcGridFooterCellHitTest, TkcCustomGridColumnHitTest)
public:
  int HitTestCode() const override { return 206; }
};

class TkcGridGroupFooterCellHitTest : public TkcGridFooterCellHitTest {
  VT_CLASS(TkcGridGroupFooterCellHitTest, TkcGridFooterCellHitTest)
public:
  int HitTestCode() const override { return 208; }
};

class TkcCustomGridRecord;
class TkcCustomGridTableViewData;

// A record is kept by its row index and kind, never by pointer, so a hit test outlives a refresh.
class TkcGridRecordHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridRecordHitTest, TkcCustomGridViewHitTest)
public:
  int RowIndex = -1;
  // 0 an ordinary row, 1 the new-item row.
  int HitRecordKind = 0;
  int HitTestCode() const override { return 106; }
  // Whether a press there focuses and selects the record.
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
  bool ActsOnRecord() override { return false; }
  TkcCustomGridDragOpenInfo* CreateDragOpenInfo() override;
};

// Expands the record at a row of a table view (a master row's details, a group), not its
// children. Held by view and row: the records may be remade while the drag waits.
class TkcGridDragOpenInfoExpand : public TkcCustomGridDragOpenInfo {
  VT_CLASS(TkcGridDragOpenInfoExpand, TkcCustomGridDragOpenInfo)
public:
  TkcGridDragOpenInfoExpand(TkcGridTableView* AView, int ARowIndex) : GridView(AView), RowIndex(ARowIndex) {}
  TkcGridTableView* GridView;
  int RowIndex;
  bool Equals(TkcCustomGridDragOpenInfo* AInfo) override;
  void Run() override;
};

// Makes a level the active detail of a master row.
class TkcGridDragOpenInfoMasterDataRowTab : public TkcGridDragOpenInfoTab {
  VT_CLASS(TkcGridDragOpenInfoMasterDataRowTab, TkcGridDragOpenInfoTab)
public:
  TkcGridDragOpenInfoMasterDataRowTab(TkcGridLevel* ALevel, TkcGridTableView* AView, int ARowIndex)
      : TkcGridDragOpenInfoTab(ALevel), GridView(AView), RowIndex(ARowIndex) {}
  TkcGridTableView* GridView;
  int RowIndex;
  bool Equals(TkcCustomGridDragOpenInfo* AInfo) override;
  void Run() override;
};

class TkcGridRowIndicatorHitTest : public TkcGridRecordHitTest {
  VT_CLASS(TkcGridRowIndicatorHitTest, TkcGridRecordHitTest)
public:
  bool MultiSelect = false;
  int HitTestCode() const override { return 213; }
  TCursor Cursor() const override { return MultiSelect ? crkcGridSelectRow : crDefault; }
};

class TkcGridRowSizingEdgeHitTest : public TkcGridRecordHitTest {
  VT_CLASS(TkcGridRowSizingEdgeHitTest, TkcGridRecordHitTest)
public:
  int HitTestCode() const override { return 214; }
  TCursor Cursor() const override { return crkcGridVertSize; }
  TkcDragAndDropObjectClass DragAndDropObjectClass() const override;
};

class TkcGridRowLevelIndentHitTest : public TkcGridRecordHitTest {
  VT_CLASS(TkcGridRowLevelIndentHitTest, TkcGridRecordHitTest)
public:
  int HitTestCode() const override { return 216; }
  bool ActsOnRecord() override { return false; }
};

class TkcGridPreviewHitTest : public TkcGridRecordCellHitTest {
  VT_CLASS(TkcGridPreviewHitTest, TkcGridRecordCellHitTest)
public:
  int HitTestCode() const override { return 231; }
};

// ---- Cells of the table view ----------------------------------------------------------------

class TkcGridTableCellViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcGridTableCellViewInfo, TkcCustomGridViewCellViewInfo)
public:
  explicit TkcGridTableCellViewInfo(TkcGridTableViewInfo* AViewInfo);
  TkcGridTableViewInfo* TableViewInfo() const { return fTableViewInfo; }
  TkcGridTableView* TableView() const;

private:
  TkcGridTableViewInfo* fTableViewInfo;
};

// A band at the top or bottom of the view.
class TkcCustomGridPartViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcCustomGridPartViewInfo, TkcGridTableCellViewInfo)
public:
  using TkcGridTableCellViewInfo::TkcGridTableCellViewInfo;
  int Height = 0;
  virtual bool IsBottom() const = 0;
  virtual bool IsFullWidth() const = 0;
  // Parts that scroll horizontally with the rows.
  virtual bool IsScrollable() const { return false; }
  virtual int CalculatePartHeight() = 0;
  virtual int CalculatePartWidth() { return 0; }
  void MainCalculate();
  virtual void PaintPart(TkcCanvas* ACanvas) { Paint(ACanvas); }
  virtual TkcCustomGridHitTest* GetPartHitTest(const TPoint& P) { return GetHitTest(P); }

protected:
  virtual void CalculateItems() {}
  virtual void ClearItems() {}
};

// A column header, also the base of the group-by box's headers and the footer's cells.
class TkcGridColumnHeaderAreaViewInfo;

class TkcGridColumnHeaderViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridColumnHeaderViewInfo, TkcGridTableCellViewInfo)
public:
  TkcGridColumnHeaderViewInfo(TkcGridColumnContainerViewInfo* AContainer, TkcGridColumn* AColumn);
  ~TkcGridColumnHeaderViewInfo() override;
  TkcGridColumnContainerViewInfo* Container;
  TkcGridColumn* Column;
  bool IsLast = false;
  TRect TextAreaBounds{};
  std::vector<std::unique_ptr<TkcGridColumnHeaderAreaViewInfo>> Areas;
  // The width the column is given: its width, with the group levels' indent on the first.
  virtual int ColumnWidth();
  int MinWidth();
  int MaxWidth();
  void CheckWidth(int& AWidth);
  // The width of its caption, areas and borders (group-by box headers are that wide).
  int ContentWidth();
  virtual bool CanPress() { return true; }
  bool IsPressed();
  TkcGridHitTestFactory GetHitTestClass() override;
  bool GetHotTrack() override { return CanPress(); }
  bool CaptureMouseOnPress() override { return CanPress(); }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  void GetTextAreaBounds(TRect& R) override { R = TextAreaBounds; }
  void Click() override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  TkcCustomGridHitTest* GetHeaderHitTest(const TPoint& P);
  void CreateAreas();

protected:
  String GetText() override;
  TAlignment GetAlignmentHorz() override;
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  bool GetShowEndEllipsis() override;
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
  void AfterCalculateBounds(TRect& R) override;
  void DoOffset(int DX, int DY) override;
  virtual bool HasAreas() { return true; }
};

class TkcGridColumnHeaderAreaViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridColumnHeaderAreaViewInfo, TkcGridTableCellViewInfo)
public:
  explicit TkcGridColumnHeaderAreaViewInfo(TkcGridColumnHeaderViewInfo* AHeader);
  TkcGridColumnHeaderViewInfo* Header;
  virtual bool OccupiesSpace() { return true; }
  virtual int AreaWidth() = 0;
  virtual int AreaHeight() = 0;
  virtual TAlignment AreaAlignment() { return taRightJustify; }
  // Places itself in the header and cuts its width off the text area when it takes space.
  void CalculateArea(const TRect& AHeaderBounds, TRect& ATextArea);

protected:
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
};

class TkcGridColumnHeaderHorzSizingEdgeViewInfo : public TkcGridColumnHeaderAreaViewInfo {
  VT_CLASS(TkcGridColumnHeaderHorzSizingEdgeViewInfo, TkcGridColumnHeaderAreaViewInfo)
public:
  using TkcGridColumnHeaderAreaViewInfo::TkcGridColumnHeaderAreaViewInfo;
  bool OccupiesSpace() override { return false; }
  int AreaWidth() override { return 8; }
  int AreaHeight() override { return 0; }
  TkcGridHitTestFactory GetHitTestClass() override {
    return MakeGridHitTest<TkcGridColumnHeaderHorzSizingEdgeHitTest>;
  }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas*) override { return nullptr; }
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
};

class TkcGridColumnHeaderFilterButtonViewInfo : public TkcGridColumnHeaderAreaViewInfo {
  VT_CLASS(TkcGridColumnHeaderFilterButtonViewInfo, TkcGridColumnHeaderAreaViewInfo)
public:
  using TkcGridColumnHeaderAreaViewInfo::TkcGridColumnHeaderAreaViewInfo;
  int AreaWidth() override;
  int AreaHeight() override;
  bool GetHotTrack() override { return true; }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridColumnHeaderFilterButtonHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
};

class TkcGridColumnHeaderSortingMarkViewInfo : public TkcGridColumnHeaderAreaViewInfo {
  VT_CLASS(TkcGridColumnHeaderSortingMarkViewInfo, TkcGridColumnHeaderAreaViewInfo)
public:
  using TkcGridColumnHeaderAreaViewInfo::TkcGridColumnHeaderAreaViewInfo;
  int AreaWidth() override;
  int AreaHeight() override;
  bool GetVisibleForHitTest() override { return false; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
};

// A row of column headers: the header, the group-by box, the footer.
class TkcGridColumnContainerViewInfo : public TkcCustomGridPartViewInfo {
  VT_CLASS(TkcGridColumnContainerViewInfo, TkcCustomGridPartViewInfo)
public:
  using TkcCustomGridPartViewInfo::TkcCustomGridPartViewInfo;
  std::vector<std::unique_ptr<TkcGridColumnHeaderViewInfo>> Items;
  int ItemHeight = -1;
  virtual int ColumnCount() = 0;
  virtual TkcGridColumn* Column(int AIndex) = 0;
  virtual TkcGridColumnContainerKind Kind() const = 0;
  // The insertion position a column dropped at P would take; -1 when P is outside the zones.
  int GetInsertionZone(const TPoint& P);
  TkcGridColumnHeaderViewInfo* ItemOfColumn(TkcGridColumn* AColumn) const;
  void PaintPart(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetPartHitTest(const TPoint& P) override;

protected:
  virtual TkcGridColumnHeaderViewInfo* CreateItem(TkcGridColumn* AColumn);
  virtual TRect GetZonesAreaBounds();
  int CalculateItemHeight();
  void CreateItems();
  void ClearItems() override { Items.clear(); }
  void DoOffset(int DX, int DY) override;
};

class TkcGridHeaderViewInfo : public TkcGridColumnContainerViewInfo {
  VT_CLASS(TkcGridHeaderViewInfo, TkcGridColumnContainerViewInfo)
public:
  using TkcGridColumnContainerViewInfo::TkcGridColumnContainerViewInfo;
  bool IsBottom() const override { return false; }
  bool IsFullWidth() const override { return false; }
  bool IsScrollable() const override { return true; }
  int ColumnCount() override;
  TkcGridColumn* Column(int AIndex) override;
  TkcGridColumnContainerKind Kind() const override { return ckHeader; }
  bool GetVisible() override;
  int CalculatePartHeight() override;
  int CalculatePartWidth() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridHeaderHitTest>; }
  // The header lays its columns out also when hidden, so rows get their positions.
  void CalculateLayout();

protected:
  void CalculateItems() override;
  void GetViewParams(TkcVisualParams& P) override;
  TRect GetZonesAreaBounds() override;
  void CalculateColumnAutoWidths();
};

class TkcGridGroupByBoxViewInfo : public TkcGridColumnContainerViewInfo {
  VT_CLASS(TkcGridGroupByBoxViewInfo, TkcGridColumnContainerViewInfo)
public:
  using TkcGridColumnContainerViewInfo::TkcGridColumnContainerViewInfo;
  bool IsBottom() const override { return false; }
  bool IsFullWidth() const override { return true; }
  int ColumnCount() override;
  TkcGridColumn* Column(int AIndex) override;
  TkcGridColumnContainerKind Kind() const override { return ckGroupByBox; }
  bool GetVisible() override;
  int CalculatePartHeight() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridGroupByBoxHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  void PaintPart(TkcCanvas* ACanvas) override;

protected:
  String GetText() override;
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetTextAreaBounds(TRect& R) override;
  void GetViewParams(TkcVisualParams& P) override;
  void CalculateItems() override;
  TkcGridColumnHeaderViewInfo* CreateItem(TkcGridColumn* AColumn) override;
};

class TkcGridFooterViewInfo : public TkcGridColumnContainerViewInfo {
  VT_CLASS(TkcGridFooterViewInfo, TkcGridColumnContainerViewInfo)
public:
  using TkcGridColumnContainerViewInfo::TkcGridColumnContainerViewInfo;
  bool IsBottom() const override { return true; }
  bool IsFullWidth() const override { return false; }
  bool IsScrollable() const override { return true; }
  int ColumnCount() override;
  TkcGridColumn* Column(int AIndex) override;
  TkcGridColumnContainerKind Kind() const override { return ckFooter; }
  bool GetVisible() override;
  int CalculatePartHeight() override;
  int CalculatePartWidth() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFooterHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  int SeparatorWidth();
  TRect BordersBounds();

protected:
  void CalculateItems() override;
  void GetViewParams(TkcVisualParams& P) override;
  TkcGridColumnHeaderViewInfo* CreateItem(TkcGridColumn* AColumn) override;
};

// A footer cell shows the column's footer summary; a column without one shows no cell.
class TkcGridFooterCellViewInfo : public TkcGridColumnHeaderViewInfo {
  VT_CLASS(TkcGridFooterCellViewInfo, TkcGridColumnHeaderViewInfo)
public:
  using TkcGridColumnHeaderViewInfo::TkcGridColumnHeaderViewInfo;
  int SummaryItemIndex();
  bool CanPress() override { return false; }
  bool GetVisible() override { return Visible && SummaryItemIndex() >= 0; }
  TkcBorders GetBorders() override { return kcAllBorders; }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFooterCellHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  int ColumnWidth() override;

protected:
  String GetText() override;
  TAlignment GetAlignmentHorz() override;
  void GetViewParams(TkcVisualParams& P) override;
  bool HasAreas() override { return false; }
  void AfterCalculateBounds(TRect& R) override;
};

// ---- Indicator ------------------------------------------------------------------------------

class TkcGridIndicatorItemViewInfo;

class TkcGridIndicatorViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridIndicatorViewInfo, TkcGridTableCellViewInfo)
public:
  using TkcGridTableCellViewInfo::TkcGridTableCellViewInfo;
  ~TkcGridIndicatorViewInfo() override;
  // Kinds of an item.
  enum TKind { ikHeader, ikRow, ikFooter };
  std::vector<TkcGridIndicatorItemViewInfo*> Items;
  bool GetVisible() override;
  int Width();
  TkcGridIndicatorItemViewInfo* AddItemAt(int ATop, int AHeight, TKind AKind, TkcCustomGridRowViewInfo* ARow);
  void RemoveItem(TkcGridIndicatorItemViewInfo* AItem);
  void Place(int ALeft, int ATop, int AHeight);
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridIndicatorHitTest>; }
  TkcCustomGridHitTest* GetIndicatorHitTest(const TPoint& P);
  void PaintIndicator(TkcCanvas* ACanvas);

protected:
  void GetViewParams(TkcVisualParams& P) override;
};

class TkcGridIndicatorItemViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridIndicatorItemViewInfo, TkcGridTableCellViewInfo)
public:
  TkcGridIndicatorItemViewInfo(TkcGridIndicatorViewInfo* AIndicator, TkcGridIndicatorViewInfo::TKind AKind,
                               TkcCustomGridRowViewInfo* ARow);
  ~TkcGridIndicatorItemViewInfo() override;
  TkcGridIndicatorViewInfo* Indicator;
  TkcGridIndicatorViewInfo::TKind Kind;
  TkcCustomGridRowViewInfo* Row;
  // 0 nothing, 1 focused, 2 editing, 3 inserting, 4 selected, 5 focused and selected.
  int IndicatorKind();
  TRect RowSizingEdgeBounds() const { return TRect{Bounds.left, Bounds.bottom - 4, Bounds.right, Bounds.bottom + 4}; }
  TkcGridHitTestFactory GetHitTestClass() override;
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetItemHitTest(const TPoint& P);
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  // The header's quick-customization mark reacts to the mouse.
  bool GetHotTrack() override;

protected:
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
};

// ---- Rows -----------------------------------------------------------------------------------

// A group footer under the last row of a group: the group's summaries, one cell per column.
class TkcGridRowFooterViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridRowFooterViewInfo, TkcGridTableCellViewInfo)
public:
  TkcGridRowFooterViewInfo(TkcCustomGridRowViewInfo* ARow, int ALevelIndex);
  TkcCustomGridRowViewInfo* Row;
  int LevelIndex;
  // The grouping level whose summaries it shows.
  int GroupLevel() const;
  std::vector<std::unique_ptr<TkcGridTableCellViewInfo>> Cells;
  int FooterHeight();
  void CalculateFooter(int ALeft, int ATop);
  void PaintFooter(TkcCanvas* ACanvas);
  TkcCustomGridHitTest* GetFooterHitTest(const TPoint& P);
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridGroupFooterHitTest>; }

protected:
  void GetViewParams(TkcVisualParams& P) override;
  void DoOffset(int DX, int DY) override;
};

class TkcCustomGridRowViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcCustomGridRowViewInfo, TkcGridTableCellViewInfo)
public:
  TkcCustomGridRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex);
  ~TkcCustomGridRowViewInfo() override;
  TkcGridRowsViewInfo* RowsViewInfo;
  int RowIndex;
  int Level = 0;
  TkcGridIndicatorItemViewInfo* IndicatorItem = nullptr;
  // Group footers under the row, the innermost group's first.
  std::vector<std::unique_ptr<TkcGridRowFooterViewInfo>> Footers;
  virtual bool HasFooter(int ALevelIndex);
  // Whether the row is the last one of its group ALevelOffset levels out.
  bool IsLastInParentLevel(int ALevelOffset);
  int FootersHeight();
  // The row's cells: one per visible column for a data row (none where the column is off
  // screen), the group cell for a group row.
  std::vector<std::unique_ptr<TkcCustomGridViewCellViewInfo>> Cells;
  virtual bool IsGroup() const { return false; }
  virtual bool IsNewItemRow() const { return false; }
  // The data controller's record the row shows.
  virtual int RecordIndex();
  // The left of the row's content: the indents of its level.
  int ContentLeft();
  int LevelIndentWidth();
  bool IsFocused();
  bool IsSelected();
  virtual int CalculateRowHeight() = 0;
  virtual bool CanSize() { return false; }
  // A user's sizing to AHeight (0: back to the default height).
  virtual void SetRowHeight(int) {}
  int SeparatorWidth();
  virtual bool HasSeparator() { return true; }
  TRect SeparatorBounds();
  virtual bool HasLastHorzGridLine();
  TRect LastHorzGridLineBounds();
  virtual void CalculateRow(int ALeft, int ATop);
  virtual void PaintRow(TkcCanvas* ACanvas);
  virtual TkcCustomGridHitTest* GetRowHitTest(const TPoint& P);
  // Grid line strips of the row for the view's one poly-polyline.
  virtual void CollectGridLines(std::vector<POINT>& APoints);
  virtual TRect FocusRectBounds() { return Bounds; }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridRecordHitTest>; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas*) override { return nullptr; }

protected:
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
  void DoOffset(int DX, int DY) override;
  void GetViewParams(TkcVisualParams& P) override;
  void PaintLevelIndents(TkcCanvas* ACanvas);
};

class TkcGridDataRowViewInfo;

// A data cell lays out and draws its value through the column's editor.
class TkcGridDataCellViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridDataCellViewInfo, TkcGridTableCellViewInfo)
public:
  TkcGridDataCellViewInfo(TkcGridDataRowViewInfo* ARow, TkcGridColumn* AColumn, bool AIsLast);
  ~TkcGridDataCellViewInfo() override;
  TkcGridDataRowViewInfo* Row;
  TkcGridColumn* Column;
  bool IsLast;
  std::unique_ptr<TkcCustomEditViewInfo> EditViewInfo;
  int RowIndex() const;
  bool Selected = false;
  // Merging: this cell covers the equal cells below it, or is covered by the one above.
  bool IsMerged = false, IsMerging = false;
  std::vector<TkcGridDataCellViewInfo*> MergedCells;
  TkcGridDataCellViewInfo* MergingCell = nullptr;
  TRect UnmergedBounds{};
  void ResetMerging();
  // Takes in the equal cells of the rows below (from AFirst on) and grows over them.
  void CalculateMerging(const std::deque<std::unique_ptr<TkcCustomGridRowViewInfo>>& ARows, size_t AFirst);
  bool GetVisible() override { return !IsMerged && Visible; }
  bool GetVisibleForHitTest() override { return Visible; }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridRecordCellHitTest>; }
  TkcBorders GetBorders() override;
  int GetBorderWidth(TkcBorder) override { return 1; }
  TColor GetBorderColor(TkcBorder) override;
  bool GetShowEndEllipsis() override;
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  // The value the editor shows: the display text when the editor uses the data's format.
  Variant GetDisplayValue();
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;

protected:
  String GetText() override;
  TAlignment GetAlignmentHorz() override;
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
  void AfterCalculateBounds(TRect& R) override;
  void DoOffset(int DX, int DY) override;
  bool HasHitTestPoint(const TPoint& P) override;
  virtual TRect GetInplaceBorderExtent() { return TRect{1, 1, 1, 1}; }
  virtual int GetMaxLineCount();
  void CalculateEditViewInfo();
};

class TkcGridPreviewCellViewInfo : public TkcGridDataCellViewInfo {
  VT_CLASS(TkcGridPreviewCellViewInfo, TkcGridDataCellViewInfo)
public:
  using TkcGridDataCellViewInfo::TkcGridDataCellViewInfo;
  int PreviewHeight();
  TkcBorders GetBorders() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridPreviewHitTest>; }

protected:
  void GetViewParams(TkcVisualParams& P) override;
  TRect GetInplaceBorderExtent() override;
  int GetMaxLineCount() override;
  TAlignment GetAlignmentHorz() override { return taLeftJustify; }
  TkcAlignmentVert GetAlignmentVert() override { return vaTop; }
};

class TkcGridDataRowViewInfo : public TkcCustomGridRowViewInfo {
  VT_CLASS(TkcGridDataRowViewInfo, TkcCustomGridRowViewInfo)
public:
  using TkcCustomGridRowViewInfo::TkcCustomGridRowViewInfo;
  std::unique_ptr<TkcGridPreviewCellViewInfo> Preview;
  TRect CellsAreaBounds{};
  int CellHeight = 0;
  int CalculateRowHeight() override;
  bool CanSize() override;
  void SetRowHeight(int AHeight) override;
  void CalculateRow(int ALeft, int ATop) override;
  void PaintRow(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetRowHitTest(const TPoint& P) override;
  TkcGridDataCellViewInfo* CellOf(TkcGridColumn* AColumn) const;
  // What a master row adds below and left of the cells.
  virtual int DetailsHeight() { return 0; }
  virtual int CellsIndent() { return 0; }

protected:
  void DoOffset(int DX, int DY) override;
};

class TkcGridMasterDataRowViewInfo;

// The details site of a master row: the active detail view of the row's record with a tab per
// visible child level, placed right of the expand-button cell under the row's cells.
class TkcGridDetailsSiteViewInfo : public TkcCustomGridDetailsSiteViewInfo {
  VT_CLASS(TkcGridDetailsSiteViewInfo, TkcCustomGridDetailsSiteViewInfo)
public:
  explicit TkcGridDetailsSiteViewInfo(TkcGridMasterDataRowViewInfo* ARow);
  ~TkcGridDetailsSiteViewInfo() override;
  TkcGridMasterDataRowViewInfo* MasterDataRowViewInfo() const { return fRow; }
  // Measured once per layout of the row.
  int GetHeight() override;
  int CalculateWidth() override { return GetMaxWidth(); }
  TColor GetBackgroundColor() override;
  TkcCanvas* GetCanvas() override;
  TkcLookAndFeelPainterClass GetLookAndFeelPainter() override;
  int GetMaxHeight() override;
  int GetMaxWidth() override;
  TFont* GetFont() override;
  TkcGridLevel* GetActiveLevel() override;
  void InitTabHitTest(TkcCustomGridHitTest* AHitTest) override;
  void ChangeActiveTab(TkcGridLevel* ALevel) override;
  bool SupportsTabAccels() override { return true; }

protected:
  TkcCustomGridView* FindActiveGridView() override;

private:
  TkcGridMasterDataRowViewInfo* fRow;
  int fHeight = -1;
};

// A data row of a view with detail levels: the cells move right by one level indent, an
// expand-button cell runs down the row's left, and when expanded the details site lies under
// the cells.
class TkcGridMasterDataRowViewInfo : public TkcGridDataRowViewInfo {
  VT_CLASS(TkcGridMasterDataRowViewInfo, TkcGridDataRowViewInfo)
public:
  TkcGridMasterDataRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex);
  ~TkcGridMasterDataRowViewInfo() override;
  std::unique_ptr<TkcGridDetailsSiteViewInfo> DetailsSite;
  TRect ExpandButtonBounds{}, ExpandCellBounds{};
  // The room below the cells down to the records' bottom: the most the details may take.
  int RestHeight = 0;
  bool Expanded();
  bool CanExpand();
  // Expands a collapsed record and collapses an expanded one; the row goes with the relayout.
  void ToggleExpanded();
  int CalculateRowHeight() override;
  void CalculateRow(int ALeft, int ATop) override;
  void PaintRow(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetRowHitTest(const TPoint& P) override;
  void CollectGridLines(std::vector<POINT>& APoints) override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  int DetailsHeight() override { return fDetailsHeight; }
  int CellsIndent() override;

protected:
  void DoOffset(int DX, int DY) override;

private:
  int fDetailsHeight = 0;
};

// The row above the records where a new record is typed: an info text until it is focused.
class TkcGridNewItemRowViewInfo : public TkcGridDataRowViewInfo {
  VT_CLASS(TkcGridNewItemRowViewInfo, TkcGridDataRowViewInfo)
public:
  explicit TkcGridNewItemRowViewInfo(TkcGridRowsViewInfo* ARows);
  bool IsNewItemRow() const override { return true; }
  int RecordIndex() override;
  bool ShowInfoText();
  TRect SeparatorStripBounds();
  int CalculateRowHeight() override;
  bool HasLastHorzGridLine() override { return false; }
  bool CanSize() override { return false; }
  void PaintRow(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetRowHitTest(const TPoint& P) override;
  void CollectGridLines(std::vector<POINT>& APoints) override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;

protected:
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
};

class TkcGridGroupCellViewInfo : public TkcGridTableCellViewInfo {
  VT_CLASS(TkcGridGroupCellViewInfo, TkcGridTableCellViewInfo)
public:
  explicit TkcGridGroupCellViewInfo(TkcCustomGridRowViewInfo* ARow);
  TkcCustomGridRowViewInfo* Row;
  TkcBorders GetBorders() override;
  int GetBorderWidth(TkcBorder ASide) override;
  TColor GetBorderColor(TkcBorder ASide) override;
  void GetTextAreaBounds(TRect& R) override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridRecordHitTest>; }
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;

protected:
  String GetText() override;
  TkcAlignmentVert GetAlignmentVert() override;
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
};

class TkcGridGroupRowViewInfo : public TkcCustomGridRowViewInfo {
  VT_CLASS(TkcGridGroupRowViewInfo, TkcCustomGridRowViewInfo)
public:
  TkcGridGroupRowViewInfo(TkcGridRowsViewInfo* ARows, int ARowIndex);
  TkcGridGroupCellViewInfo* GroupCell() const { return static_cast<TkcGridGroupCellViewInfo*>(Cells[0].get()); }
  TRect ExpandButtonBounds{};
  bool IsGroup() const override { return true; }
  bool Expanded();
  bool CanExpand();
  // Expands a collapsed group and collapses an expanded one.
  void ToggleExpanded();
  bool HasFooter(int ALevelIndex) override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  int CalculateRowHeight() override;
  bool CanSize() override;
  void SetRowHeight(int AHeight) override;
  bool HasSeparator() override;
  void CalculateRow(int ALeft, int ATop) override;
  void PaintRow(TkcCanvas* ACanvas) override;
  TkcCustomGridHitTest* GetRowHitTest(const TPoint& P) override;
  void CollectGridLines(std::vector<POINT>& APoints) override;

protected:
  void DoOffset(int DX, int DY) override;
};

// The records area: rows stacked from the top row down.
class TkcGridRowsViewInfo : public TObject {
  VT_CLASS(TkcGridRowsViewInfo, TObject)
public:
  explicit TkcGridRowsViewInfo(TkcGridTableViewInfo* AViewInfo) : GridViewInfo(AViewInfo) {}
  TkcGridTableViewInfo* GridViewInfo;
  TRect Bounds{}, ContentBounds{};
  int RowHeight = 0, DataRowHeight = 0, GroupRowHeight = 0;
  int VisibleCount = 0;
  std::deque<std::unique_ptr<TkcCustomGridRowViewInfo>> Items;
  // Above the records while the view shows the new-item row.
  std::unique_ptr<TkcGridNewItemRowViewInfo> NewItemRow;
  int RowsCreated = 0;
  int PartVisibleCount() const { return static_cast<int>(Items.size()); }
  void CalculateConstants();
  int CalculateRowDefaultHeight();
  int CalculateGroupRowDefaultHeight();
  void MainCalculate();
  // Keeps the rows still in view, moved by ADelta rows, and lays out only the uncovered ones;
  // answers the pixel distance the kept rows moved (0 when all were laid out anew).
  int OffsetRecords(int ADelta);
  bool CanDataRowSizing();
  // Cells of merging columns take in the equal cells below them, over the rows laid out.
  void CalculateMerging();
  int SeparatorWidth();
  bool HasLastHorzGridLine(TkcCustomGridRowViewInfo* ARow);
  TkcCustomGridRowViewInfo* RowByIndex(int ARowIndex) const;
  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  void Paint(TkcCanvas* ACanvas);
  int ItemsOffset = 0;

private:
  std::unique_ptr<TkcCustomGridRowViewInfo> CreateRow(int ARowIndex, int ATop);
  void CountVisible();
};

// ---- The whole view -------------------------------------------------------------------------

class TkcGridTableViewInfo : public TkcCustomGridViewInfo {
  VT_CLASS(TkcGridTableViewInfo, TkcCustomGridViewInfo)
public:
  explicit TkcGridTableViewInfo(TkcCustomGridView* AGridView);
  ~TkcGridTableViewInfo() override;
  TkcGridTableView* TableView() const;
  TkcGridGroupByBoxViewInfo* GroupByBoxViewInfo() const { return fGroupByBox.get(); }
  TkcGridHeaderViewInfo* HeaderViewInfo() const { return fHeader.get(); }
  TkcGridFooterViewInfo* FooterViewInfo() const { return fFooter.get(); }
  TkcGridIndicatorViewInfo* IndicatorViewInfo() const { return fIndicator.get(); }
  TkcGridRowsViewInfo* RecordsViewInfo() const { return fRows.get(); }
  // The filter bar while it is shown, else nil.
  TkcGridFilterViewInfo* FilterViewInfo() const { return fFilter.get(); }
  // The navigator site while the view shows its navigator, else nil.
  TkcNavigatorSiteViewInfo* NavigatorSiteViewInfo() const { return fNavigatorSite.get(); }
  int NavigatorSiteWidth(int AHeight) override;
  const std::vector<TkcCustomGridPartViewInfo*>& Parts() const { return fParts; }

  int HeaderHeight() const;
  int RowHeight() const { return fRows ? fRows->DataRowHeight : 0; }
  TRect HeaderBounds() const;
  TRect RecordsBounds() const { return fRows ? fRows->Bounds : TRect{}; }
  int DataWidth() const { return fDataWidth; }
  int ExpandButtonIndent() const { return 3; }
  int LevelIndent() const { return fLevelIndent; }
  int GridLineWidth() const { return 1; }
  TColor GridLineColor() const;
  int VisualLevelCount();
  int VisualLevel(int ALevel);
  int TotalLevelIndent() { return VisualLevelCount() * fLevelIndent; }
  TkcBorders GetCellBorders(bool AIsRightMost, bool AIsBottom);
  int LeftPos() const;
  // Rows that fit wholly, and those at least partly visible.
  int VisibleRowCount() const { return fRows ? fRows->VisibleCount : 0; }
  int PartVisibleRowCount() const { return fRows ? fRows->PartVisibleCount() : 0; }
  const std::vector<std::unique_ptr<TkcGridColumnHeaderViewInfo>>& Headers() const { return fHeader->Items; }
  TkcCustomGridRowViewInfo* Rows(int AIndex) const { return fRows->Items.at(static_cast<size_t>(AIndex)).get(); }
  TkcCustomGridRowViewInfo* RowByIndex(int ARowIndex) const { return fRows ? fRows->RowByIndex(ARowIndex) : nullptr; }
  // Row view infos made since the view info was created (reuse on scroll keeps this low).
  int RowsCreated() const { return fRowsCreated; }
  int RowsFitting(int AHeight) const;
  // Moves the rows still in view by ADelta rows and lays out only the new ones; answers the
  // pixels the kept rows moved.
  int ScrollRows(int ADelta);
  bool HasNoData() const;
  void PaintCells(TkcCanvas* ACanvas) override;
  // The band of the rows (the new-item row included) across the whole view; rows and their
  // indicator items are painted inside it.
  TRect RecordsAreaBounds();
  void GetVertScrollRects(int ADistance, TRect& AScroll, TRect& AInvalidate);
  // Whether the records can be moved by pixels on a scroll instead of painted anew.
  bool CanPixelScroll();
  void AddPart(TkcCustomGridPartViewInfo* APart) { fParts.push_back(APart); }
  // A column goes: every cell that may show it goes too, until the next layout.
  void ColumnRemoved();
  void CalculateNavigatorSite();
  TRect GetPartBounds(TkcCustomGridPartViewInfo* APart);
  // A detail view is shown when a master row placed it in the last layout.
  bool IsDetailShown(TkcCustomGridView* ADetail) const;
  void DetailShown(TkcCustomGridView* ADetail) { fShownDetails.push_back(ADetail); }
  // The height the view needs for all its rows within AMaxSize.
  int GetHeight(const TPoint& AMaxSize, bool& AFullyVisible) override;

protected:
  void CreateViewInfos() override;
  void DestroyViewInfos(bool AIsRecreating) override;
  void Calculate() override;
  void GetClientBounds(TRect& R) override;
  TkcCustomGridHitTest* GetDefaultHitTest(const TPoint& P) override;

private:
  friend class TkcGridRowsViewInfo;
  std::unique_ptr<TkcGridGroupByBoxViewInfo> fGroupByBox;
  std::unique_ptr<TkcGridHeaderViewInfo> fHeader;
  std::unique_ptr<TkcGridFooterViewInfo> fFooter;
  std::unique_ptr<TkcGridIndicatorViewInfo> fIndicator;
  std::unique_ptr<TkcGridRowsViewInfo> fRows;
  std::unique_ptr<TkcGridFilterViewInfo> fFilter;
  std::unique_ptr<TkcNavigatorSiteViewInfo> fNavigatorSite;
  // The filter bar's strip at the top (under the group-by box) or at the bottom.
  int fFilterTopHeight = 0, fFilterBottomHeight = 0;
  std::vector<TkcCustomGridPartViewInfo*> fParts;
  int fDataWidth = 0, fLevelIndent = 0, fRowsCreated = 0;
  bool fCalculatingParts = false;
  std::vector<TkcCustomGridView*> fShownDetails;
  void HideDetailsNotShown(const std::vector<TkcCustomGridView*>& AShownBefore);
};

class TkcGridTablePainter : public TkcCustomGridPainter {
  VT_CLASS(TkcGridTablePainter, TkcCustomGridPainter)
public:
  using TkcCustomGridPainter::TkcCustomGridPainter;

protected:
  void PaintContent() override { PaintViewInfo()->PaintCells(Canvas()); }
  void DrawBackground() override;
};
