#pragma once
// The table view: columns over the view's own data controller, a header of column headers,
// data rows laid out only while they fit, grid lines drawn in one call, sorting and grouping
// through the columns, clipboard text and best fit.

#include "data/kcCustomData.h"
#include "editors/kcEditRepository.h"
#include "grid/kcGrid.h"
#include "grid/kcGridDataController.h"
#include "grid/kcGridTableOptions.h"
#include "grid/kcGridTableViewInfo.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcGridTableController;
class TkcGridItemDataBinding;
class TkcGridColumnSummary;
class TkcGridTableFiltering;
class TkcGridFilterBox;
class TkcGridViewNavigator;
class TkcCustomGridTableViewData;
class TkcCustomGridRecord;

// ---- Columns --------------------------------------------------------------------------------

enum TkcGridItemShowEditButtons { isebDefault, isebNever, isebAlways };
enum TkcGridItemSortByDisplayText { isbtDefault, isbtOn, isbtOff };

class TkcGridColumnOptions : public TPersistent {
  VT_CLASS(TkcGridColumnOptions, TPersistent)
public:
  explicit TkcGridColumnOptions(TkcGridColumn* AColumn) : fColumn(AColumn) {}
  void Assign(TPersistent* Source) override;
  bool Editing() const { return fEditing; }
  void SetEditing(bool V) { SetValue(fEditing, V, vckProperty); }
  bool Filtering() const { return fFiltering; }
  void SetFiltering(bool V) { SetValue(fFiltering, V, vckLayout); }
  bool FilteringMRUItemsList() const { return fFilteringMRUItemsList; }
  void SetFilteringMRUItemsList(bool V) { SetValue(fFilteringMRUItemsList, V, vckProperty); }
  bool Focusing() const { return fFocusing; }
  void SetFocusing(bool V) { SetValue(fFocusing, V, vckProperty); }
  bool Grouping() const { return fGrouping; }
  void SetGrouping(bool V) { SetValue(fGrouping, V, vckProperty); }
  bool IncSearch() const { return fIncSearch; }
  void SetIncSearch(bool V) { SetValue(fIncSearch, V, vckProperty); }
  bool Moving() const { return fMoving; }
  void SetMoving(bool V) { SetValue(fMoving, V, vckProperty); }
  TkcGridItemShowEditButtons ShowEditButtons() const { return fShowEditButtons; }
  void SetShowEditButtons(TkcGridItemShowEditButtons V) { SetValue(fShowEditButtons, V, vckSize); }
  TkcGridItemSortByDisplayText SortByDisplayText() const { return fSortByDisplayText; }
  void SetSortByDisplayText(TkcGridItemSortByDisplayText V) { SetValue(fSortByDisplayText, V, vckProperty); }
  bool Sorting() const { return fSorting; }
  void SetSorting(bool V) { SetValue(fSorting, V, vckProperty); }
  bool HorzSizing() const { return fHorzSizing; }
  void SetHorzSizing(bool V) { SetValue(fHorzSizing, V, vckLayout); }
  // Adjacent cells with equal values show as one tall cell.
  bool CellMerging() const { return fCellMerging; }
  void SetCellMerging(bool V) { SetValue(fCellMerging, V, vckLayout); }

private:
  template <class T>
  void SetValue(T& AField, T AValue, TkcGridViewChangeKind AKind);
  TkcGridColumn* fColumn;
  bool fEditing = true, fFiltering = true, fFilteringMRUItemsList = true, fFocusing = true, fGrouping = true;
  bool fIncSearch = true, fMoving = true;
  TkcGridItemShowEditButtons fShowEditButtons = isebDefault;
  TkcGridItemSortByDisplayText fSortByDisplayText = isbtDefault;
  bool fSorting = true, fHorzSizing = true, fCellMerging = false;
};

// One column of the table view: binds one field of the view's data controller and chooses the
// editor that shows its cells (its own properties, a repository item's, or the default editor
// registered for the field's value type).
class TkcGridColumn : public TObject, public IkcEditRepositoryItemListener {
  VT_CLASS(TkcGridColumn, TObject)
public:
  explicit TkcGridColumn(TkcGridTableView* AGridView);
  ~TkcGridColumn() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TkcGridTableView* GridView() const { return fGridView; }
  int ID() const { return fID; }
  // Position among all columns and among the visible ones (-1 when hidden).
  int Index() const;
  void SetIndex(int Value);
  int VisibleIndex() const;
  bool IsFirst() const { return VisibleIndex() == 0; }
  bool IsLast() const;
  // An unassigned caption follows the column's default (a database column's field name).
  String Caption() const { return fIsCaptionAssigned ? fCaption : GetDefaultCaption(); }
  void SetCaption(const String& Value);
  bool IsCaptionAssigned() const { return fIsCaptionAssigned; }
  int Width() const { return fWidth; }
  void SetWidth(int Value);
  int MinWidth() const { return fMinWidth; }
  void SetMinWidth(int Value);
  int BestFitMaxWidth() const { return fBestFitMaxWidth; }
  void SetBestFitMaxWidth(int Value) { fBestFitMaxWidth = std::max(0, Value); }
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  // Shown in the column layout: visible and not the preview's column.
  bool ActuallyVisible() const;
  bool Hidden() const { return fHidden; }
  void SetHidden(bool Value) { fHidden = Value; }
  // Among the table controller's selected columns (cells selected several at a time).
  bool Selected() const { return fSelected; }
  void SetSelected(bool Value);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment Value);
  bool IsAlignmentAssigned() const { return fIsAlignmentAssigned; }
  TAlignment HeaderAlignmentHorz() const { return fHeaderAlignmentHorz; }
  void SetHeaderAlignmentHorz(TAlignment Value);
  TkcAlignmentVert HeaderAlignmentVert() const { return fHeaderAlignmentVert; }
  void SetHeaderAlignmentVert(TkcAlignmentVert Value);
  TAlignment FooterAlignmentHorz() const { return fFooterAlignmentHorz; }
  void SetFooterAlignmentHorz(TAlignment Value);
  TkcDataSortOrder SortOrder() const;
  void SetSortOrder(TkcDataSortOrder Value);
  int GroupIndex() const;
  void SetGroupIndex(int Value);
  void SetValueTypeClass(TkcValueTypeClass Value);
  TkcGridColumnOptions* Options() const { return fOptions.get(); }
  TkcGridColumnStyles* Styles() const { return fStyles.get(); }
  TkcVisualParams GetContentParams();

  // Editor properties.
  TkcCustomEditProperties* Properties() const { return fProperties.get(); }
  TkcCustomEditPropertiesClass PropertiesClass() const { return fPropertiesClass; }
  void SetPropertiesClass(TkcCustomEditPropertiesClass Value);
  TkcEditRepositoryItem* RepositoryItem() const { return fRepositoryItem; }
  void SetRepositoryItem(TkcEditRepositoryItem* Value);
  // The properties in effect: a repository item's, else the column's own, else the default
  // editor registered for the item (its value type; a dataset column: its field).
  TkcCustomEditProperties* GetProperties();
  void PropertiesChanged();
  // The cells' shared edit style, and one view data shared by the cells while the properties stay.
  TkcEditStyle* EditStyle();
  TkcCustomEditViewData* CachedEditViewData();
  // The height of a cell showing no value with this font: the editor's size, plus 2.
  int CalculateDefaultCellHeight(TkcCanvas* ACanvas, TFont* AFont);

  bool CanSort() const;
  bool CanGroup() const;
  bool CanMove() const;
  bool CanHide() const;
  bool CanHorzSize() const;
  bool CanFilter(bool AVisually) const;
  bool CanCellMerging() const { return fOptions->CellMerging(); }
  // Whether its cells show their editor's buttons, for a cell of the focused record or another.
  bool ShowButtons(bool AFocused) const;
  // Whether two cells of the column show the same value (for cell merging).
  bool CompareValuesForCellMerging(TkcCustomEditProperties* AProperties1, const Variant& AValue1,
                                   TkcCustomEditProperties* AProperties2, const Variant& AValue2);
  std::function<void(TkcGridColumn*, TkcCustomEditProperties*, const Variant&, TkcCustomEditProperties*,
                     const Variant&, bool&)>
      OnCompareValuesForCellMerging;
  // The width its header needs to show the whole caption beside its filter button and sorting
  // mark, with borders; with AAnySortOrder the mark counts whenever the column can be sorted
  // (a default width that stays enough once the user sorts), else only while it is sorted.
  int HeaderWidth(bool AAnySortOrder) const { return HeaderWidth(AAnySortOrder, Caption()); }
  int HeaderWidth(bool AAnySortOrder, const String& ACaption) const;
  // The widest of the header and every row's text, with the cell's offsets; capped by
  // BestFitMaxWidth when that is set.
  int GetBestFitWidth();
  void ApplyBestFit() { SetWidth(GetBestFitWidth()); }
  int ItemIndex() const;  // the data controller's item index
  // The footer summary item linked to this column, -1 when none.
  int FooterSummaryItemIndex() const;

  std::function<void(TkcGridColumn*, int ARowIndex, String& AText)> OnGetDisplayText;
  TkcGridItemDataBinding* DataBinding() const { return fDataBinding.get(); }
  TkcGridColumnSummary* Summary() const { return fSummary.get(); }
  // The column's filter drop-down offers the values last picked for it.
  bool FilteringMRUItemsList = true;
  bool WasVisibleBeforeGrouping = true;
  std::function<void(TkcGridColumn*, const Variant&, String&)> OnGetFilterDisplayText;
  std::function<void(TkcGridColumn*, TkcDataFilterValueList*)> OnGetFilterValues;

protected:
  virtual String GetDefaultCaption() const { return fCaption; }
  virtual TkcEditRepositoryItem* GetDefaultRepositoryItem();
  void ItemRemoved(TkcEditRepositoryItem* Sender) override;
  void PropertiesChanged(TkcEditRepositoryItem* Sender) override;

private:
  friend class TkcGridTableView;
  void ReleaseEditData();
  TkcGridTableView* fGridView;
  int fID = -1;
  String fCaption;
  bool fIsCaptionAssigned = false, fVisible = true, fHidden = false, fSelected = false;
  int fWidth = 64, fMinWidth = 20, fBestFitMaxWidth = 0;
  TAlignment fAlignment = taLeftJustify, fHeaderAlignmentHorz = taLeftJustify, fFooterAlignmentHorz = taLeftJustify;
  bool fIsAlignmentAssigned = false;
  TkcAlignmentVert fHeaderAlignmentVert = vaCenter;
  std::unique_ptr<TkcGridColumnOptions> fOptions;
  std::unique_ptr<TkcGridColumnStyles> fStyles;
  std::unique_ptr<TkcCustomEditProperties> fProperties;
  TkcCustomEditPropertiesClass fPropertiesClass;
  TkcEditRepositoryItem* fRepositoryItem = nullptr;
  std::unique_ptr<TkcEditStyle> fEditStyle;
  std::unique_ptr<TkcCustomEditViewData> fCachedViewData;
  TkcCustomEditProperties* fCachedViewDataProperties = nullptr;
  std::unique_ptr<TkcGridItemDataBinding> fDataBinding;
  std::unique_ptr<TkcGridColumnSummary> fSummary;
};
// ---- The view -------------------------------------------------------------------------------

class TkcGridTableView : public TkcCustomGridView {
  VT_CLASS(TkcGridTableView, TkcCustomGridView)
public:
  explicit TkcGridTableView(TComponent* AOwner);
  ~TkcGridTableView() override;
  // The view's own data controller; a database view's is bound to a dataset.
  TkcCustomDataController* DataController() const { return fDataController.get(); }
  TkcCustomDataController* GetDataController() override { return fDataController.get(); }
  bool IsDetailVisible(TkcCustomGridView* ADetail) override;
  bool ProcessRecordDialogChar(TkcCustomGridView* ADetail, char32_t AKey) override;
  TkcCustomGridDragOpenInfo* CreateDetailTabDragOpenInfo(TkcGridLevel* ALevel, int ARowIndex) override;
  // The detail view shown in the master row of ARecordIndex (made on first need), or nil.
  TkcCustomGridView* GetDetailView(int ARecordIndex, int ARelationIndex);
  // The relation (child level index) a master record shows: its own choice while that level is
  // visible, else the first visible child level; -1 for none.
  int GetActiveDetailIndex(int ARecordIndex);
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
  TkcGridNavigatorButtons NavigatorButtons;
  // The record navigator shown left of the horizontal scroll bar; made on first use.
  TkcGridViewNavigator* Navigator();

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

  // Options, preview and styles.
  TkcGridTableOptionsBehavior* OptionsBehavior() const { return fOptionsBehavior.get(); }
  TkcGridTableOptionsCustomize* OptionsCustomize() const { return fOptionsCustomize.get(); }
  TkcGridTableOptionsData* OptionsData() const { return fOptionsData.get(); }
  TkcGridTableOptionsSelection* OptionsSelection() const { return fOptionsSelection.get(); }
  TkcGridTableOptionsView* OptionsView() const { return fOptionsView.get(); }
  TkcGridPreview* Preview() const { return fPreview.get(); }
  TkcGridTableViewStyles* Styles() const { return fStyles.get(); }
  // Shorthands of the view options.
  bool ShowHeader() const { return fOptionsView->Header(); }
  void SetShowHeader(bool Value) { fOptionsView->SetHeader(Value); }
  TkcGridLines GridLines() const { return fOptionsView->GridLines(); }
  void SetGridLines(TkcGridLines Value) { fOptionsView->SetGridLines(Value); }
  TColor GridLineColor() const { return fOptionsView->GridLineColor(); }
  void SetGridLineColor(TColor Value) { fOptionsView->SetGridLineColor(Value); }
  int DataRowHeight() const { return fOptionsView->DataRowHeight(); }
  void SetDataRowHeight(int Value) { fOptionsView->SetDataRowHeight(Value); }
  int HeaderHeight() const { return fOptionsView->HeaderHeight(); }
  void SetHeaderHeight(int Value) { fOptionsView->SetHeaderHeight(Value); }
  // The default heights of a data row and of a group row with the current fonts.
  int CalculateRowDefaultHeight();
  int CalculateGroupRowDefaultHeight();
  void NewItemRowChanged();
  // Whether a row is drawn selected and whether the view shows the focus as its own.
  bool DrawRecordSelected(int ARowIndex);
  bool DrawRecordFocused();
  bool IsRowGroup(int ARowIndex);
  int GroupingItemCount();
  TkcGridColumn* GroupedColumns(int AIndex);
  int GroupedColumnCount() { return GroupingItemCount(); }

  std::function<void(TkcGridTableView*, TkcGridColumn*)> OnColumnHeaderClick, OnColumnPosChanged,
      OnColumnSizeChanged;
  std::function<void(TkcGridTableView*, TkcCanvas*, TkcCustomGridCellViewInfo*, bool&)> OnCustomDrawCell,
      OnCustomDrawColumnHeader, OnCustomDrawFooterCell, OnCustomDrawGroupCell, OnCustomDrawIndicatorCell;
  std::function<void(TkcGridTableView*, int ARowIndex, TkcGridColumn*, int& AHeight)> OnGetCellHeight;
  std::function<void(TkcGridTableView*)> OnTopRecordIndexChanged;
  // The registered name of the view class.
  static constexpr const char* ViewClassName = "Table";

  // The controller's horizontal scroll position in pixels (0 before there is one).
  int LeftPos() const;
  void SetLeftPos(int Value);
  int MaxLeftPos() const;
  // The controller moved the position by ADelta pixels.
  void LeftPosChanged(int ADelta);
  int TopRowIndex() const { return fTopRowIndex; }
  void SetTopRowIndex(int Value);
  int MaxTopRowIndex() const;

  // AColumns: the columns to copy, in view order (none: the visible ones).
  String GetCopyText(bool AWithCaptions, bool ASelectedOnly, const std::vector<TkcGridColumn*>& AColumns = {});
  void CopyToClipboard(bool AWithCaptions, bool ASelectedOnly, const std::vector<TkcGridColumn*>& AColumns = {});
  // The column a group row groups by, and its text: "caption : value" and the group summary.
  TkcGridColumn* GetGroupRowColumn(int ARowIndex);
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
  TkcCustomGridView* NewCloneView() override { return CreateGridView<TkcGridTableView>(nullptr); }
  void AssignPattern(TkcCustomGridView* APattern) override;
  // A clone's column takes what its pattern column says about the data it shows.
  virtual void AssignColumnBinding(TkcGridColumn*, TkcGridColumn*) {}

private:
  friend class TkcGridColumn;
  void ColumnRemoved(TkcGridColumn* AColumn);
  void HandleDataControllerChange(TkcUpdateControlInfo* AInfo);
  friend class TkcGridPreview;
  void RefreshVisibleColumns();
  std::unique_ptr<TkcCustomDataController> fDataController;
  // After the data controller, so they go first (history entries hold its criteria).
  std::unique_ptr<TkcGridTableFiltering> fFiltering;
  std::unique_ptr<TkcGridFilterBox> fFilterBox;
  std::unique_ptr<TkcGridViewNavigator> fNavigator;
  std::unique_ptr<TkcGridTableOptionsBehavior> fOptionsBehavior;
  std::unique_ptr<TkcGridTableOptionsCustomize> fOptionsCustomize;
  std::unique_ptr<TkcGridTableOptionsData> fOptionsData;
  std::unique_ptr<TkcGridTableOptionsSelection> fOptionsSelection;
  std::unique_ptr<TkcGridTableOptionsView> fOptionsView;
  std::unique_ptr<TkcGridPreview> fPreview;
  std::unique_ptr<TkcGridTableViewStyles> fStyles;
  std::vector<TkcGridColumn*> fColumns, fVisibleColumns;
  int fNextID = 0;
  int fTopRowIndex = 0;
  bool fClearing = false;
};
