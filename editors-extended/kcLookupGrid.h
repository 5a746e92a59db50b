#pragma once
// The lookup list grid: the small grid a lookup combo box shows in its drop-down. A header row
// and one row per row of its own data controller, one column per list column, keyboard and
// mouse navigation, sorting by header click, auto-scroll while the mouse is held outside the
// rows, and a close request to the owner on Enter or on releasing the mouse over a row.
// TkcLookupTextIndex finds the first row whose text equals or begins with a typed text in
// logarithmic time.

#include <memory>
#include <vector>

#include "controls/kcControlUtils.h"
#include "controls/kcControls.h"
#include "controls/kcLookAndFeelPainters.h"
#include "data/kcCustomData.h"
#include "editors/kcEdit.h"
#include "editors/kcEditRepository.h"
#include "editors/kcEditStyles.h"

class TkcCustomLookupGrid;
class TkcLookupGridColumn;

// A column's editor defaults: a display format is the data controller's, when it keeps the
// item's display texts.
class TkcLookupGridDefaultValuesProvider : public TkcCustomEditDefaultValuesProvider {
  VT_CLASS(TkcLookupGridDefaultValuesProvider, TkcCustomEditDefaultValuesProvider)
public:
  explicit TkcLookupGridDefaultValuesProvider(TkcLookupGridColumn* AColumn);
  bool HasDisplayFormat(bool AAcceptCurrency) override;

private:
  TkcLookupGridColumn* fColumn;
};

enum TkcLookupGridHitKind { lghtNone, lghtHeader, lghtCell };
struct TkcLookupGridHitTest {
  TkcLookupGridHitKind Kind = lghtNone;
  int RowIndex = -1, ColumnIndex = -1;
};

class TkcLookupGridColumn : public TCollectionItem {
  VT_CLASS(TkcLookupGridColumn, TCollectionItem)
public:
  explicit TkcLookupGridColumn(TCollection* ACollection);
  ~TkcLookupGridColumn() override;
  void Assign(TPersistent* Source) override;
  TkcCustomLookupGrid* Grid() const;

  String Caption() const;
  void SetCaption(const String& Value);
  bool Fixed() const { return fFixed; }
  void SetFixed(bool Value);
  TAlignment HeaderAlignment() const { return fHeaderAlignment; }
  void SetHeaderAlignment(TAlignment Value);
  int MinWidth() const { return fMinWidth; }
  // Negative is 0; a minimum above the width raises the width.
  void SetMinWidth(int Value);
  bool Sorting = true;
  TkcDataSortOrder SortOrder() const;
  void SetSortOrder(TkcDataSortOrder Value);
  TkcEditRepositoryItem* RepositoryItem() const { return fRepositoryItem; }
  void SetRepositoryItem(TkcEditRepositoryItem* Value);
  int Width() const { return fWidthAssigned ? fWidth : GetDefaultWidth(); }
  // Never below MinWidth.
  void SetWidth(int Value);
  void RestoreDefaults();
  // The type of the column's values in the data controller (any value by default).
  TkcValueTypeClass ValueTypeClass() const;
  void SetValueTypeClass(TkcValueTypeClass Value);

  virtual String GetDefaultCaption() const { return String(); }
  virtual int GetDefaultWidth() const { return 64; }
  // The item for the column when it names none: the default text item.
  virtual TkcEditRepositoryItem* GetDefaultRepositoryItem();
  // The item that draws and formats the cells: the own one, else the default one.
  TkcEditRepositoryItem* GetActualRepositoryItem();
  TkcCustomEditProperties* GetActualProperties();
  // Whether the data controller keeps the display texts of the column's item.
  bool IsDisplayTextKept() const;
  TkcCustomEditDefaultValuesProvider* DefaultValuesProvider();
  // Points the provider at the column's source of defaults (nothing for an unbound column).
  virtual void BindProviderToField() {}
  // The style its cells are laid out with: the grid's font, buttons only where active.
  TkcEditStyle* EditStyle();
  // The cell height the column's editor kind asks for an empty value.
  int CalculateCellHeight(TkcCanvas* ACanvas);

protected:
  virtual std::unique_ptr<TkcCustomEditDefaultValuesProvider> CreateDefaultValuesProvider();

private:
  struct TListener : IkcEditRepositoryItemListener {
    TkcLookupGridColumn* Column;
    bool QueryInterface(const TGUID& IID, void** Obj) override {
      return GetInterfaceOf<IkcEditRepositoryItemListener>(this, IID, Obj);
    }
    void ItemRemoved(TkcEditRepositoryItem*) override { Column->fRepositoryItem = nullptr; }
    void PropertiesChanged(TkcEditRepositoryItem*) override { Column->Changed(false); }
  };
  TListener fListener;
  String fCaption;
  bool fCaptionAssigned = false, fWidthAssigned = false;
  bool fFixed = false;
  TAlignment fHeaderAlignment = taLeftJustify;
  int fMinWidth = 20, fWidth = 64;
  TkcEditRepositoryItem* fRepositoryItem = nullptr;
  std::unique_ptr<TkcEditRepositoryItem> fInternalItem;
  std::unique_ptr<TkcCustomEditDefaultValuesProvider> fProvider;
  std::unique_ptr<TkcEditStyle> fEditStyle;
};

// While it lives, the column's actual properties answer with the column's defaults, so a
// repository item shared by several columns formats each column's cells with its own.
class TkcLookupGridColumnProperties {
public:
  explicit TkcLookupGridColumnProperties(TkcLookupGridColumn* AColumn);
  ~TkcLookupGridColumnProperties();
  TkcLookupGridColumnProperties(const TkcLookupGridColumnProperties&) = delete;
  TkcLookupGridColumnProperties& operator=(const TkcLookupGridColumnProperties&) = delete;
  TkcCustomEditProperties* operator->() const { return fProperties; }
  TkcCustomEditProperties* Get() const { return fProperties; }

private:
  TkcCustomEditProperties* fProperties;
};

class TkcLookupGridColumns : public TCollection {
  VT_CLASS(TkcLookupGridColumns, TCollection)
public:
  explicit TkcLookupGridColumns(TkcCustomLookupGrid* AGrid,
                                TCollectionItemClass AItemClass = TCollectionItemClass::Of<TkcLookupGridColumn>());
  TkcCustomLookupGrid* Grid() const { return fGrid; }
  TkcLookupGridColumn* Add() { return static_cast<TkcLookupGridColumn*>(TCollection::Add()); }
  TkcLookupGridColumn* Items(int AIndex) const {
    return static_cast<TkcLookupGridColumn*>(TCollection::Items(AIndex));
  }
  void RestoreDefaults();

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* Item) override;

private:
  TkcCustomLookupGrid* fGrid;
};

class TkcLookupGridOptions : public TPersistent {
  VT_CLASS(TkcLookupGridOptions, TPersistent)
public:
  explicit TkcLookupGridOptions(TkcCustomLookupGrid* AGrid) : fGrid(AGrid) {}
  void Assign(TPersistent* Source) override;
  bool AnsiSort = false;
  bool CaseInsensitive = false;
  bool ColumnSorting = true;
  bool FocusRowOnMouseMove = true;
  TkcGridLines GridLines() const { return fGridLines; }
  void SetGridLines(TkcGridLines Value);
  bool RowSelect() const { return fRowSelect; }
  void SetRowSelect(bool Value);
  bool ShowHeader() const { return fShowHeader; }
  void SetShowHeader(bool Value);
  TNotifyEvent OnChanged;

private:
  void Changed();
  TkcCustomLookupGrid* fGrid;
  TkcGridLines fGridLines = glBoth;
  bool fRowSelect = true;
  bool fShowHeader = true;
};

// The first row, in row order, whose text of one item equals or begins with a text (letter
// case ignored). Built once over the rows, answered by binary search and a minimum tree.
class TkcLookupTextIndex {
public:
  void Build(TkcCustomDataController* AController, int AItemIndex);
  bool IsBuiltFor(int AItemIndex) const { return fBuilt && fItemIndex == AItemIndex; }
  void Invalidate() { fBuilt = false; }
  // The row index, or -1. An empty text matches only an empty text.
  int FindRow(const String& AText, bool APartial) const;

private:
  int MinRow(std::size_t ALo, std::size_t AHi) const;
  std::vector<std::pair<String, int>> fEntries;  // (upper-cased text, row), sorted
  std::vector<int> fTree;                        // minimum rows over fEntries
  std::size_t fSize = 0;
  int fItemIndex = -1;
  bool fBuilt = false;
};

// The records of a list in the order of one item's text (letter case ignored). The records whose
// text begins with a text have ranks in one range, so a filter by a typed prefix asks each
// record for two comparisons of numbers instead of comparing its text. Built on first use after
// a change of the records (the owner invalidates it).
class TkcLookupRecordRanks {
public:
  void Invalidate() { fBuilt = false; }
  void Prepare(TkcCustomDataController* AController, int AItemIndex);
  // The records to accept: those whose text begins with the text.
  void SetPrefix(const String& AText);
  void ClearPrefix() { fActive = false; }
  // 1 accepted, 0 refused, -1 not known here (no prefix set, or not built for the records).
  int Accepts(int ARecordIndex) const;

private:
  std::vector<String> fTexts;  // upper-cased texts, sorted
  std::vector<int> fRanks;     // by record: the position of its text
  std::size_t fLo = 0, fHi = 0;
  int fItemIndex = -1;
  bool fBuilt = false, fActive = false;
};

using TkcLookupGridCloseRequestEvent = TEvent<void(TObject* Sender, bool AAccept)>;

class TkcCustomLookupGrid : public TkcControl {
  VT_CLASS(TkcCustomLookupGrid, TkcControl)
public:
  explicit TkcCustomLookupGrid(TComponent* AOwner);
  ~TkcCustomLookupGrid() override;
  // A descendant brings its own data controller and column class.
  TkcCustomLookupGrid(TComponent* AOwner, std::unique_ptr<TkcCustomDataController> AController,
                      TCollectionItemClass AColumnClass);

  TkcLookupGridColumns* Columns() const { return fColumns.get(); }
  TkcLookupGridOptions* Options() const { return fOptions.get(); }
  TkcCustomDataController* DataController() const { return fDataController.get(); }
  bool PopupMode() const { return fPopupMode; }
  void SetPopupMode(bool Value);
  void BeginUpdate();
  void EndUpdate();
  bool IsLocked() const { return fLockCount > 0; }

  // Layout (recalculated on every refresh).
  int TopRowIndex() const { return fTopRowIndex; }
  void SetTopRowIndex(int AIndex);
  int FocusedRowIndex() const { return fDataController->GetFocusedRowIndex(); }
  void FocusRow(int ARowIndex);
  TkcLookupGridColumn* FocusedColumn() const { return fFocusedColumn; }
  void SetFocusedColumn(TkcLookupGridColumn* Value);
  int RowHeight() const { return fRowHeight; }
  int RowPitch() const;
  int HeaderHeight() const { return fHeaderArea.bottom - fHeaderArea.top; }
  int VisibleRowCount() const { return fVisibleRowCount; }
  const TRect& HeaderArea() const { return fHeaderArea; }
  const TRect& RowArea() const { return fRowArea; }
  TRect ColumnBounds(int AColumnIndex) const;
  TRect RowBounds(int ARowIndex) const;
  TkcLookupGridHitTest HitTest(TPoint P);
  bool IsRowAtPoint(TPoint P) { return HitTest(P).RowIndex != -1; }
  // A height cut to whole rows (at least one), and the height of a number of rows; with the
  // header, without a border.
  int SnapHeight(int AHeight);
  int HeightForRows(int ARowCount);
  void MakeFocusedRowVisible();
  void FullRefresh();

  // The first row whose text of an item equals (or with APartial begins with) a text.
  int FindRowByText(int AItemIndex, const String& AText, bool APartial);
  // Focuses and shows the first row whose text begins with the text; false when none.
  bool LocateByPrefix(int AItemIndex, const String& AText);

  TkcLookupGridCloseRequestEvent OnCloseRequest;
  TNotifyEvent OnDataChanged;

  // The look and feel's border, none in a drop-down (the popup window frames it).
  int GetBorderSize() override;

  // The vertical bar shows the rows; the horizontal one is never shown.
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) override;

  // Memorises the cursor so that a list opening under a resting mouse keeps its focus.
  static void RememberCursorPos();

protected:
  void Paint() override;
  void Resize() override;
  void FontChanged() override;
  void LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) override;

  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  bool AllowMouseDownWhenNotFocused() override { return true; }
  // In a drop-down the keys stay with the editor: a click does not take the focus.
  bool CanFocusOnClick() override { return !fPopupMode && TkcControl::CanFocusOnClick(); }
  void FocusChanged() override;
  void DoCancelMode() override;
  virtual void HeaderPressed(int AColumnIndex, TShiftState AShift);
  // Grid mode: a row stands for the records before (after) the buffer when the dataset is not
  // at its first (last) record, so the scroll bar reaches them.
  int GetRowsAboveBuffer();
  int GetRowsBelowBuffer();
  // Grid mode: moves the dataset's buffer past its edge; false when at the dataset's end.
  bool ScrollGridModeBuffer(int ADistance);
  void PageUp();
  void PageDown();
  void MoveFocusVertically(int ADelta);
  virtual void CellPressed(int ARowIndex, int AColumnIndex);
  void DoCloseRequest(bool AAccept);
  // Prepares the data controller's item of a new column.
  virtual void InitializeColumnItem(int AItemIndex);
  // The records or the items changed.
  virtual void DataChanged();
  virtual void DataLayoutChanged();

private:
  friend class TkcLookupGridColumn;
  friend class TkcLookupGridColumns;
  friend class TkcLookupGridOptions;
  void LayoutChanged();
  void Calculate();
  void DataControllerNotification(TkcUpdateControlInfo* AInfo);
  void SetAutoScrollDirection(int ADirection);
  void AutoScrollTimer(TObject* Sender);
  void PaintHeaders(TkcCanvas* ACanvas, TkcLookAndFeelPainterClass APainter);
  void PaintRows(TkcCanvas* ACanvas, TkcLookAndFeelPainterClass APainter);
  int NearestTopRowIndex(int AIndex);

  std::unique_ptr<TkcLookupGridColumns> fColumns;
  std::unique_ptr<TkcLookupGridOptions> fOptions;
  std::unique_ptr<TkcCustomDataController> fDataController;
  std::unique_ptr<TkcTimer> fAutoScrollTimer;
  TkcLookupTextIndex fTextIndex;
  TkcLookupGridColumn* fFocusedColumn = nullptr;
  bool fPopupMode = false;
  bool fPressed = false;
  bool fPendingLayout = false;
  bool fDestroying = false;
  int fLockCount = 0;
  int fAutoScrollDirection = 0;
  int fTopRowIndex = 0;
  int fRowHeight = 18;
  int fVisibleRowCount = 0, fPartialRowCount = 0;
  TRect fHeaderArea{}, fRowArea{};
  std::vector<TRect> fColumnBounds;
};

class TkcLookupGrid : public TkcCustomLookupGrid {
  VT_CLASS(TkcLookupGrid, TkcCustomLookupGrid)
public:
  explicit TkcLookupGrid(TComponent* AOwner) : TkcCustomLookupGrid(AOwner) {}
};
