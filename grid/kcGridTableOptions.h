#pragma once
// The table view's option objects, preview options and styles. Every setter ignores an
// unchanged value; otherwise it stores the value (clamped where a field has a floor) and tells
// the view which kind of change it was: property (repaint only), layout or size.

#include "controls/kcControlUtils.h"
#include "controls/kcStyles.h"
#include "grid/kcGrid.h"

class TkcGridTableView;
class TkcGridColumn;

enum TkcGridGroupFootersMode { gfInvisible, gfVisibleWhenExpanded, gfAlwaysVisible };
enum TkcGridGroupRowStyle { grsStandard, grsOffice11 };
enum TkcGridShowEditButtons { gsebNever, gsebForFocusedRecord, gsebAlways };
enum TkcGridPreviewPlace { ppBottom, ppTop };
enum TkcGridDragFocusing { dfNone, dfDragOver, dfDragDrop };

class TkcGridTableViewOptions : public TPersistent {
  VT_CLASS(TkcGridTableViewOptions, TPersistent)
public:
  explicit TkcGridTableViewOptions(TkcGridTableView* AGridView) : fGridView(AGridView) {}
  TkcGridTableView* GridView() const { return fGridView; }

protected:
  void Changed(TkcGridViewChangeKind AKind);
  // Stores a changed value and reports the change; answers whether it changed.
  template <class T>
  bool SetValue(T& AField, T AValue, TkcGridViewChangeKind AKind) {
    if (AField == AValue) return false;
    AField = AValue;
    Changed(AKind);
    return true;
  }

private:
  TkcGridTableView* fGridView;
};

class TkcGridTableOptionsBehavior : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridTableOptionsBehavior, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool AlwaysShowEditor() const { return fAlwaysShowEditor; }
  void SetAlwaysShowEditor(bool V) { SetValue(fAlwaysShowEditor, V, vckProperty); }
  int BestFitMaxRecordCount() const { return fBestFitMaxRecordCount; }
  void SetBestFitMaxRecordCount(int V) { SetValue(fBestFitMaxRecordCount, std::max(0, V), vckProperty); }
  bool CellHints() const { return fCellHints; }
  void SetCellHints(bool V) { SetValue(fCellHints, V, vckProperty); }
  bool CopyCaptionsToClipboard() const { return fCopyCaptionsToClipboard; }
  void SetCopyCaptionsToClipboard(bool V) { SetValue(fCopyCaptionsToClipboard, V, vckProperty); }
  bool DragHighlighting() const { return fDragHighlighting; }
  void SetDragHighlighting(bool V) { SetValue(fDragHighlighting, V, vckProperty); }
  bool DragScrolling() const { return fDragScrolling; }
  void SetDragScrolling(bool V) { SetValue(fDragScrolling, V, vckProperty); }
  bool ImmediateEditor() const { return fImmediateEditor; }
  void SetImmediateEditor(bool V) { SetValue(fImmediateEditor, V, vckProperty); }
  bool IncSearch() const { return fIncSearch; }
  void SetIncSearch(bool V) { SetValue(fIncSearch, V, vckProperty); }
  bool ColumnHeaderHints() const { return fColumnHeaderHints; }
  void SetColumnHeaderHints(bool V) { SetValue(fColumnHeaderHints, V, vckProperty); }
  bool CopyPreviewToClipboard() const { return fCopyPreviewToClipboard; }
  void SetCopyPreviewToClipboard(bool V) { SetValue(fCopyPreviewToClipboard, V, vckProperty); }
  bool ExpandMasterRowOnDblClick() const { return fExpandMasterRowOnDblClick; }
  void SetExpandMasterRowOnDblClick(bool V) { SetValue(fExpandMasterRowOnDblClick, V, vckProperty); }
  // The column typing searches (the first visible one when none is set).
  TkcGridColumn* IncSearchItem() const { return fIncSearchItem; }
  void SetIncSearchItem(TkcGridColumn* V) { SetValue(fIncSearchItem, V, vckProperty); }
  bool FocusCellOnTab() const { return fFocusCellOnTab; }
  void SetFocusCellOnTab(bool V) { SetValue(fFocusCellOnTab, V, vckProperty); }
  bool FocusFirstCellOnNewRecord() const { return fFocusFirstCellOnNewRecord; }
  void SetFocusFirstCellOnNewRecord(bool V) { SetValue(fFocusFirstCellOnNewRecord, V, vckProperty); }
  bool GoToNextCellOnEnter() const { return fGoToNextCellOnEnter; }
  void SetGoToNextCellOnEnter(bool V) { SetValue(fGoToNextCellOnEnter, V, vckProperty); }
  bool PullFocusing() const { return fPullFocusing; }
  void SetPullFocusing(bool V) { SetValue(fPullFocusing, V, vckProperty); }

private:
  TkcGridColumn* fIncSearchItem = nullptr;
  bool fFocusCellOnTab = false, fFocusFirstCellOnNewRecord = false, fGoToNextCellOnEnter = false;
  bool fPullFocusing = false;
  bool fAlwaysShowEditor = false;
  int fBestFitMaxRecordCount = 0;
  bool fCellHints = false, fCopyCaptionsToClipboard = true, fDragHighlighting = true, fDragScrolling = true;
  bool fImmediateEditor = true, fIncSearch = false;
  bool fColumnHeaderHints = true, fCopyPreviewToClipboard = true, fExpandMasterRowOnDblClick = true;
};

class TkcGridTableOptionsCustomize : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridTableOptionsCustomize, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool ColumnFiltering() const { return fColumnFiltering; }
  void SetColumnFiltering(bool V) { SetValue(fColumnFiltering, V, vckSize); }
  bool ColumnGrouping() const { return fColumnGrouping; }
  void SetColumnGrouping(bool V) { SetValue(fColumnGrouping, V, vckProperty); }
  bool ColumnHiding() const { return fColumnHiding; }
  void SetColumnHiding(bool V) { SetValue(fColumnHiding, V, vckProperty); }
  bool ColumnMoving() const { return fColumnMoving; }
  void SetColumnMoving(bool V) { SetValue(fColumnMoving, V, vckProperty); }
  bool ColumnSorting() const { return fColumnSorting; }
  void SetColumnSorting(bool V) { SetValue(fColumnSorting, V, vckProperty); }
  bool ColumnsQuickCustomization() const { return fColumnsQuickCustomization; }
  void SetColumnsQuickCustomization(bool V) { SetValue(fColumnsQuickCustomization, V, vckSize); }
  int ColumnsQuickCustomizationMaxDropDownCount() const { return fQuickMaxDropDownCount; }
  void SetColumnsQuickCustomizationMaxDropDownCount(int V) { SetValue(fQuickMaxDropDownCount, std::max(0, V), vckProperty); }
  bool ColumnHidingOnGrouping() const { return fColumnHidingOnGrouping; }
  void SetColumnHidingOnGrouping(bool V) { SetValue(fColumnHidingOnGrouping, V, vckProperty); }
  bool ColumnHorzSizing() const { return fColumnHorzSizing; }
  void SetColumnHorzSizing(bool V) { SetValue(fColumnHorzSizing, V, vckLayout); }
  bool DataRowSizing() const { return fDataRowSizing; }
  void SetDataRowSizing(bool V) { SetValue(fDataRowSizing, V, vckProperty); }
  bool GroupBySorting() const { return fGroupBySorting; }
  // Switching it ungroups every column (showing the grouped ones) and drops all sorting.
  void SetGroupBySorting(bool V);
  bool GroupRowSizing() const { return fGroupRowSizing; }
  void SetGroupRowSizing(bool V) { SetValue(fGroupRowSizing, V, vckProperty); }

private:
  bool fColumnFiltering = true, fColumnGrouping = true, fColumnHiding = false, fColumnMoving = true;
  bool fColumnSorting = true, fColumnsQuickCustomization = false;
  int fQuickMaxDropDownCount = 0;
  bool fColumnHidingOnGrouping = true, fColumnHorzSizing = true, fDataRowSizing = false, fGroupBySorting = false;
  bool fGroupRowSizing = false;
};

class TkcGridTableOptionsData : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridTableOptionsData, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool Appending() const { return fAppending; }
  void SetAppending(bool V) { SetValue(fAppending, V, vckProperty); }
  bool CancelOnExit() const { return fCancelOnExit; }
  void SetCancelOnExit(bool V) { SetValue(fCancelOnExit, V, vckProperty); }
  bool Deleting() const { return fDeleting; }
  void SetDeleting(bool V) { SetValue(fDeleting, V, vckProperty); }
  bool DeletingConfirmation() const { return fDeletingConfirmation; }
  void SetDeletingConfirmation(bool V) { SetValue(fDeletingConfirmation, V, vckProperty); }
  bool Editing() const { return fEditing; }
  void SetEditing(bool V) { SetValue(fEditing, V, vckProperty); }
  bool Inserting() const { return fInserting; }
  void SetInserting(bool V) { SetValue(fInserting, V, vckProperty); }

private:
  bool fAppending = false, fCancelOnExit = true, fDeleting = true, fDeletingConfirmation = true, fEditing = true;
  bool fInserting = true;
};

class TkcGridTableOptionsSelection : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridTableOptionsSelection, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool CellSelect() const { return fCellSelect; }
  void SetCellSelect(bool V);
  bool HideFocusRectOnExit() const { return fHideFocusRectOnExit; }
  void SetHideFocusRectOnExit(bool V) { SetValue(fHideFocusRectOnExit, V, vckLayout); }
  bool HideSelection() const { return fHideSelection; }
  void SetHideSelection(bool V) { SetValue(fHideSelection, V, vckLayout); }
  bool InvertSelect() const { return fInvertSelect; }
  void SetInvertSelect(bool V);
  // Kept by the data controller.
  bool MultiSelect() const;
  void SetMultiSelect(bool V);
  bool UnselectFocusedRecordOnExit() const { return fUnselectFocusedRecordOnExit; }
  void SetUnselectFocusedRecordOnExit(bool V) { SetValue(fUnselectFocusedRecordOnExit, V, vckProperty); }
  // Cell multi-selection forces cell selection, no inverted selection and multi-selection.
  bool CellMultiSelect() const { return fCellMultiSelect; }
  void SetCellMultiSelect(bool V);
  bool IsInvertSelectStored() const { return !fCellMultiSelect && !fInvertSelect; }
  bool IsMultiSelectStored() const { return !fCellMultiSelect && MultiSelect(); }

private:
  bool fCellSelect = true, fHideFocusRectOnExit = true, fHideSelection = false, fInvertSelect = true;
  bool fUnselectFocusedRecordOnExit = true, fCellMultiSelect = false;
};

class TkcGridTableOptionsView : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridTableOptionsView, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool CellAutoHeight() const { return fCellAutoHeight; }
  void SetCellAutoHeight(bool V) { SetValue(fCellAutoHeight, V, vckSize); }
  bool CellEndEllipsis() const { return fCellEndEllipsis; }
  void SetCellEndEllipsis(bool V) { SetValue(fCellEndEllipsis, V, vckLayout); }
  int CellTextMaxLineCount() const { return fCellTextMaxLineCount; }
  void SetCellTextMaxLineCount(int V) { SetValue(fCellTextMaxLineCount, std::max(0, V), vckSize); }
  bool FocusRect() const { return fFocusRect; }
  void SetFocusRect(bool V) { SetValue(fFocusRect, V, vckLayout); }
  bool HeaderAutoHeight() const { return fHeaderAutoHeight; }
  void SetHeaderAutoHeight(bool V) { SetValue(fHeaderAutoHeight, V, vckLayout); }
  bool HeaderEndEllipsis() const { return fHeaderEndEllipsis; }
  void SetHeaderEndEllipsis(bool V) { SetValue(fHeaderEndEllipsis, V, vckLayout); }
  bool Navigator() const { return fNavigator; }
  void SetNavigator(bool V) { SetValue(fNavigator, V, vckSize); }
  int NavigatorOffset() const { return fNavigatorOffset; }
  void SetNavigatorOffset(int V) { SetValue(fNavigatorOffset, std::max(0, V), vckSize); }
  TkcGridShowEditButtons ShowEditButtons() const { return fShowEditButtons; }
  void SetShowEditButtons(TkcGridShowEditButtons V) { SetValue(fShowEditButtons, V, vckSize); }

  bool ColumnAutoWidth() const { return fColumnAutoWidth; }
  void SetColumnAutoWidth(bool V) { SetValue(fColumnAutoWidth, V, vckSize); }
  int DataRowHeight() const { return fDataRowHeight; }
  void SetDataRowHeight(int V) { SetValue(fDataRowHeight, CheckDataRowHeight(V), vckSize); }
  bool ExpandButtonsForEmptyDetails() const { return fExpandButtonsForEmptyDetails; }
  void SetExpandButtonsForEmptyDetails(bool V) { SetValue(fExpandButtonsForEmptyDetails, V, vckLayout); }
  bool Footer() const { return fFooter; }
  void SetFooter(bool V) { SetValue(fFooter, V, vckSize); }
  bool FooterAutoHeight() const { return fFooterAutoHeight; }
  void SetFooterAutoHeight(bool V) { SetValue(fFooterAutoHeight, V, vckSize); }
  TColor GridLineColor() const { return fGridLineColor; }
  void SetGridLineColor(TColor V) { SetValue(fGridLineColor, V, vckLayout); }
  TkcGridLines GridLines() const { return fGridLines; }
  void SetGridLines(TkcGridLines V) { SetValue(fGridLines, V, vckSize); }
  bool GroupByBox() const { return fGroupByBox; }
  void SetGroupByBox(bool V) { SetValue(fGroupByBox, V, vckSize); }
  TkcGridGroupFootersMode GroupFooters() const { return fGroupFooters; }
  void SetGroupFooters(TkcGridGroupFootersMode V) { SetValue(fGroupFooters, V, vckSize); }
  int GroupRowHeight() const { return fGroupRowHeight; }
  void SetGroupRowHeight(int V) { SetValue(fGroupRowHeight, CheckGroupRowHeight(V), vckSize); }
  TkcGridGroupRowStyle GroupRowStyle() const { return fGroupRowStyle; }
  void SetGroupRowStyle(TkcGridGroupRowStyle V) { SetValue(fGroupRowStyle, V, vckSize); }
  bool Header() const { return fHeader; }
  void SetHeader(bool V) { SetValue(fHeader, V, vckSize); }
  int HeaderHeight() const { return fHeaderHeight; }
  void SetHeaderHeight(int V) { SetValue(fHeaderHeight, std::max(0, V), vckSize); }
  bool Indicator() const { return fIndicator; }
  void SetIndicator(bool V) { SetValue(fIndicator, V, vckSize); }
  int IndicatorWidth() const { return fIndicatorWidth; }
  void SetIndicatorWidth(int V) { SetValue(fIndicatorWidth, std::max(0, V), vckSize); }
  bool NewItemRow() const { return fNewItemRow; }
  void SetNewItemRow(bool V);
  String NewItemRowInfoText() const { return fNewItemRowInfoText; }
  void SetNewItemRowInfoText(const String& V) { SetValue(fNewItemRowInfoText, V, vckLayout); }
  TColor NewItemRowSeparatorColor() const { return fNewItemRowSeparatorColor; }
  void SetNewItemRowSeparatorColor(TColor V) { SetValue(fNewItemRowSeparatorColor, V, vckLayout); }
  int NewItemRowSeparatorWidth() const { return fNewItemRowSeparatorWidth; }
  void SetNewItemRowSeparatorWidth(int V) { SetValue(fNewItemRowSeparatorWidth, std::max(2, V), vckSize); }
  TColor RowSeparatorColor() const { return fRowSeparatorColor; }
  void SetRowSeparatorColor(TColor V) { SetValue(fRowSeparatorColor, V, vckLayout); }
  int RowSeparatorWidth() const { return fRowSeparatorWidth; }
  void SetRowSeparatorWidth(int V) { SetValue(fRowSeparatorWidth, std::max(0, V), vckSize); }

  // The colours in effect: the assigned one, else the look-and-feel painter's default.
  TColor GetGridLineColor() const;
  TColor GetNewItemRowSeparatorColor() const;
  TColor GetRowSeparatorColor() const;
  // 0 is automatic; a positive height below the default row height is raised to it.
  virtual int CheckDataRowHeight(int V) const;
  virtual int CheckGroupRowHeight(int V) const;

private:
  bool fCellAutoHeight = false, fCellEndEllipsis = false;
  int fCellTextMaxLineCount = 0;
  bool fFocusRect = true, fHeaderAutoHeight = false, fHeaderEndEllipsis = false, fNavigator = false;
  int fNavigatorOffset = 50;
  TkcGridShowEditButtons fShowEditButtons = gsebNever;
  bool fColumnAutoWidth = false;
  int fDataRowHeight = 0;
  bool fExpandButtonsForEmptyDetails = true, fFooter = false, fFooterAutoHeight = false;
  TColor fGridLineColor = clDefault;
  TkcGridLines fGridLines = glBoth;
  bool fGroupByBox = true;
  TkcGridGroupFootersMode fGroupFooters = gfInvisible;
  int fGroupRowHeight = 0;
  TkcGridGroupRowStyle fGroupRowStyle = grsStandard;
  bool fHeader = true;
  int fHeaderHeight = 0;
  bool fIndicator = false;
  int fIndicatorWidth = 12;
  bool fNewItemRow = false;
  String fNewItemRowInfoText = "Click here to add a new row";
  TColor fNewItemRowSeparatorColor = clDefault;
  int fNewItemRowSeparatorWidth = 6;
  TColor fRowSeparatorColor = clDefault;
  int fRowSeparatorWidth = 0;
};

// The preview row under (or above) each data row shows one column's text across the row.
class TkcGridPreview : public TkcGridTableViewOptions {
  VT_CLASS(TkcGridPreview, TkcGridTableViewOptions)
public:
  using TkcGridTableViewOptions::TkcGridTableViewOptions;
  bool Active() const { return fVisible && fColumn; }
  bool AutoHeight() const { return fAutoHeight; }
  void SetAutoHeight(bool V) { SetPreviewValue(fAutoHeight, V); }
  TkcGridColumn* Column() const { return fColumn; }
  // A column of another view counts as none; the preview column leaves the column layout.
  void SetColumn(TkcGridColumn* V);
  int LeftIndent() const { return fLeftIndent; }
  void SetLeftIndent(int V) { SetPreviewValue(fLeftIndent, std::max(0, V)); }
  int MaxLineCount() const { return fMaxLineCount; }
  void SetMaxLineCount(int V) { SetPreviewValue(fMaxLineCount, std::max(0, V)); }
  TkcGridPreviewPlace Place() const { return fPlace; }
  void SetPlace(TkcGridPreviewPlace V) { SetPreviewValue(fPlace, V); }
  int RightIndent() const { return fRightIndent; }
  void SetRightIndent(int V) { SetPreviewValue(fRightIndent, std::max(0, V)); }
  bool Visible() const { return fVisible; }
  void SetVisible(bool V) { SetValue(fVisible, V, vckSize); }
  // The column is going away.
  void ColumnRemoved(TkcGridColumn* AColumn) {
    if (fColumn == AColumn) fColumn = nullptr;
  }

private:
  template <class T>
  void SetPreviewValue(T& AField, T AValue) {
    SetValue(AField, AValue, fVisible ? vckSize : vckProperty);
  }
  bool fAutoHeight = true;
  TkcGridColumn* fColumn = nullptr;
  int fLeftIndent = 20, fMaxLineCount = 3;
  TkcGridPreviewPlace fPlace = ppBottom;
  int fRightIndent = 5;
  bool fVisible = false;
};

struct TkcGridNavigatorButtons {
  bool ConfirmDelete = true;
};

// The record and column a cell style is asked for.
class TkcGridDataCellPos : public TObject {
  VT_CLASS(TkcGridDataCellPos, TObject)
public:
  TkcGridDataCellPos(int ARowIndex, TkcGridColumn* AItem) : RowIndex(ARowIndex), Item(AItem) {}
  int RowIndex;
  TkcGridColumn* Item;
};

// Style slots of the table view.
enum : int {
  gsiBackground = 0,
  gsiContent = 1,
  gsiContentEven = 2,
  gsiContentOdd = 3,
  gsiFilterBox = 4,
  gsiInactive = 5,
  gsiIncSearch = 6,
  gsiSelection = 7,
  gsiFooter = 8,
  gsiGroup = 9,
  gsiGroupByBox = 10,
  gsiHeader = 11,
  gsiNewItemRowInfoText = 12,
  gsiIndicator = 13,
  gsiPreview = 14
};

// A row index of -1 stands for no record.
using TkcGridGetCellStyleEvent = std::function<void(TkcGridTableView*, int ARowIndex, TkcGridColumn*, TkcStyle*&)>;
using TkcGridGetGroupStyleEvent = std::function<void(TkcGridTableView*, int ARowIndex, int ALevel, TkcStyle*&)>;
using TkcGridGetHeaderStyleEvent = std::function<void(TkcGridTableView*, TkcGridColumn*, TkcStyle*&)>;

class TkcGridTableViewStyles : public TkcStyles {
  VT_CLASS(TkcGridTableViewStyles, TkcStyles)
public:
  // A view's styles, or (by class reference, owned by a sheet) a sheet's, which has no view.
  using TConstructorArgs = std::tuple<TPersistent*>;
  explicit TkcGridTableViewStyles(TkcGridTableView* AGridView);
  explicit TkcGridTableViewStyles(TPersistent* AOwner) : TkcStyles(AOwner), fGridView(nullptr) {}
  TkcGridTableView* GridView() const { return fGridView; }
  TkcStyle* Style(int AIndex) { return GetIndexedStyle(AIndex); }
  void SetStyle(int AIndex, TkcStyle* AStyle) { SetIndexedStyle(AIndex, AStyle); }
  TkcStyle* Content() { return Style(gsiContent); }
  void SetContent(TkcStyle* V) { SetStyle(gsiContent, V); }

  TkcVisualParams GetDefaultVisualParams(int Index, TObject* AData) override;
  // Content of a record: its even/odd style when set, else Content, with the handler's style over them.
  TkcVisualParams GetContentParams(int ARowIndex, TkcGridColumn* AItem);
  // A data cell: the column's content style over the record's content.
  TkcVisualParams GetDataCellParams(int ARowIndex, TkcGridColumn* AItem);
  // What a data cell shows: the selection (or inactive) style when drawn selected.
  TkcVisualParams GetDataCellVisualParams(int ARowIndex, TkcGridColumn* AItem, bool ASelected, bool AGridFocused);
  TkcVisualParams GetFooterParams(int ARowIndex, TkcGridColumn* AColumn, int ALevel);
  TkcVisualParams GetGroupParams(int ARowIndex, int ALevel);
  TkcVisualParams GetHeaderParams(TkcGridColumn* AColumn);
  TkcVisualParams GetPreviewParams(int ARowIndex, TkcGridColumn* AItem);

  TkcGridGetCellStyleEvent OnGetContentStyle, OnGetFooterStyle, OnGetPreviewStyle;
  TkcGridGetGroupStyleEvent OnGetGroupStyle;
  TkcGridGetHeaderStyleEvent OnGetHeaderStyle;

protected:
  void Changed(int Index) override;

private:
  TkcGridTableView* fGridView;
};

// Styles several table views share: each view's styles take from the sheet every slot they do
// not set themselves.
class TkcGridTableViewStyleSheet : public TkcCustomStyleSheet {
  VT_CLASS(TkcGridTableViewStyleSheet, TkcCustomStyleSheet)
public:
  explicit TkcGridTableViewStyleSheet(TComponent* AOwner) : TkcCustomStyleSheet(AOwner) {}
  TkcCustomStylesClass GetSheetStylesClass() override { return TkcGridTableViewStyles::StaticClass(); }
  TkcGridTableViewStyles* Styles() { return static_cast<TkcGridTableViewStyles*>(TkcCustomStyleSheet::Styles()); }
  void SetStyles(TkcGridTableViewStyles* Value) { TkcCustomStyleSheet::SetStyles(Value); }
};

// A column's own content style over the view's.
class TkcGridColumnStyles : public TkcStyles {
  VT_CLASS(TkcGridColumnStyles, TkcStyles)
public:
  explicit TkcGridColumnStyles(TkcGridColumn* AColumn);
  TkcStyle* Content() { return GetIndexedStyle(0); }
  void SetContent(TkcStyle* V) { SetIndexedStyle(0, V); }
  TkcStyle* Header() { return GetIndexedStyle(1); }
  void SetHeader(TkcStyle* V) { SetIndexedStyle(1, V); }
  TkcStyle* Footer() { return GetIndexedStyle(2); }
  void SetFooter(TkcStyle* V) { SetIndexedStyle(2, V); }
  TkcVisualParams GetDefaultVisualParams(int Index, TObject* AData) override;
  // The record's content with the handler's style over it.
  TkcVisualParams GetContentParams(int ARowIndex);
  TkcGridGetCellStyleEvent OnGetContentStyle;

protected:
  void Changed(int Index) override;

private:
  TkcGridColumn* fColumn;
};
