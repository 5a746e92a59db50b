#pragma once
// The data grid's core: the grid control with its levels and change queue, the views with
// their handlers (controller, painter, view info, view-info cache), the site window each view
// draws in, the hit tests with their process-wide cache, and the cell view infos that make up
// every visible element of a view.

#include <memory>
#include <typeindex>
#include <unordered_map>
#include <vector>

#include "controls/kcControlUtils.h"
#include "controls/kcGraphics.h"
#include "grid/kcGridCommon.h"

class TkcCustomGrid;
class TkcCustomGridView;
class TkcGridLevel;
class TkcGridSite;
class TkcCustomGridController;
class TkcCustomGridPainter;
class TkcCustomGridViewInfo;
class TkcCustomGridViewInfoCache;
class TkcCustomGridViewData;
class TkcCustomGridCellViewInfo;
class TkcGridTopDetailsSiteViewInfo;
class THintWindow;
class TForm;
class TkcCustomDataController;
class TkcCustomDataRelation;

// ---- Changes --------------------------------------------------------------------------------

class TkcCustomGridChange : public TObject {
  VT_CLASS(TkcCustomGridChange, TObject)
public:
  // The grid that runs the change; none for a change a view without grid runs at once.
  TkcCustomGrid* Grid = nullptr;
  virtual void Execute() = 0;
  // Whether AChange, pending too, makes this change unnecessary.
  virtual bool IsSupersededBy(TkcCustomGridChange*) { return false; }
  virtual bool CanBeDropped() { return true; }
  virtual bool Matches(TkcCustomGridChange* AChange) { return AChange->ClassType() == ClassType(); }
  virtual bool CanPostpone() { return true; }
  // Changes that may match share a key, so merging a long queue stays linear.
  virtual std::size_t MatchKey() const { return std::hash<const void*>()(ClassType()); }
};

class TkcCustomGridViewChange : public TkcCustomGridChange {
  VT_CLASS(TkcCustomGridViewChange, TkcCustomGridChange)
public:
  explicit TkcCustomGridViewChange(TkcCustomGridView* AView) : fView(AView) {}
  TkcCustomGridView* View() const { return fView; }
  bool Matches(TkcCustomGridChange* AChange) override;
  std::size_t MatchKey() const override;

private:
  TkcCustomGridView* fView;
};

class TkcGridLayoutChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridLayoutChange, TkcCustomGridViewChange)
public:
  using TkcCustomGridViewChange::TkcCustomGridViewChange;
  void Execute() override;
  bool IsSupersededBy(TkcCustomGridChange* AChange) override;
};

class TkcGridSizeChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridSizeChange, TkcCustomGridViewChange)
public:
  TkcGridSizeChange(TkcCustomGridView* AView, bool AUpdateGridViewOnly = false, bool AKeepMaster = false)
      : TkcCustomGridViewChange(AView), KeepMaster(AKeepMaster), UpdateGridViewOnly(AUpdateGridViewOnly) {}
  bool KeepMaster, UpdateGridViewOnly;
  void Execute() override;
  bool IsSupersededBy(TkcCustomGridChange* AChange) override;
  bool Matches(TkcCustomGridChange* AChange) override;
};

// A repaint of a view: a rectangle, a region (an owned copy) or, with neither, all of it.
class TkcGridViewChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridViewChange, TkcCustomGridViewChange)
public:
  explicit TkcGridViewChange(TkcCustomGridView* AView) : TkcCustomGridViewChange(AView) {}
  TkcGridViewChange(TkcCustomGridView* AView, const TRect& R) : TkcCustomGridViewChange(AView), fRect(R) {}
  TkcGridViewChange(TkcCustomGridView* AView, TkcRegion* ARegion);
  void Execute() override;
  bool IsSupersededBy(TkcCustomGridChange* AChange) override;
  bool Matches(TkcCustomGridChange* AChange) override;

private:
  TRect fRect{};
  std::unique_ptr<TkcRegion> fRegion;
};

class TkcGridControlFocusChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridControlFocusChange, TkcCustomGridViewChange)
public:
  using TkcCustomGridViewChange::TkcCustomGridViewChange;
  void Execute() override;
};

// The data of a view changed: never postponed, it runs at once and asks for a relayout, which
// waits and merges like any other.
class TkcGridDataChange : public TkcCustomGridViewChange {
  VT_CLASS(TkcGridDataChange, TkcCustomGridViewChange)
public:
  using TkcCustomGridViewChange::TkcCustomGridViewChange;
  bool CanPostpone() override { return false; }
  void Execute() override;
};

// ---- Hit tests ------------------------------------------------------------------------------

class TkcCustomGridHitTest : public TObject {
  VT_CLASS(TkcCustomGridHitTest, TObject)
public:
  ~TkcCustomGridHitTest() override;
  TPoint Pos{};
  TkcCustomGridCellViewInfo* ViewInfo() const { return fViewInfo; }
  void SetViewInfo(TkcCustomGridCellViewInfo* Value);
  virtual int HitTestCode() const { return -1; }
  virtual TCursor Cursor() const { return crDefault; }
  virtual TkcDragAndDropObjectClass DragAndDropObjectClass() const { return {}; }
  // What a drag held here opens after the grid's wait (a level tab, a collapsed record); nil for
  // nothing. The caller owns it.
  virtual TkcCustomGridDragOpenInfo* CreateDragOpenInfo() { return nullptr; }

private:
  friend class TkcCustomGridCellViewInfo;
  TkcCustomGridCellViewInfo* fViewInfo = nullptr;
};

class TkcGridNoneHitTest : public TkcCustomGridHitTest {
  VT_CLASS(TkcGridNoneHitTest, TkcCustomGridHitTest)
public:
  int HitTestCode() const override { return 0; }
};

class TkcCustomGridViewHitTest : public TkcCustomGridHitTest {
  VT_CLASS(TkcCustomGridViewHitTest, TkcCustomGridHitTest)
public:
  TkcCustomGridView* GridView = nullptr;
};

class TkcGridViewNoneHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridViewNoneHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 0; }
};

class TkcGridNavigatorHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridNavigatorHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 1; }
};

class TkcGridCustomizationFormHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TkcGridCustomizationFormHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 2; }
};

class TkcGridDetailsSiteTabHitTest : public TkcCustomGridHitTest {
  VT_CLASS(TkcGridDetailsSiteTabHitTest, TkcCustomGridHitTest)
public:
  TkcGridLevel* Level = nullptr;
  // The master view and row of a tab in a master row; none for the grid's own tabs.
  TkcCustomGridView* MasterView = nullptr;
  int MasterRowIndex = -1;
  int HitTestCode() const override { return 50; }
  TkcCustomGridDragOpenInfo* CreateDragOpenInfo() override;
};

// Activates a level of the grid's own tabs.
class TkcGridDragOpenInfoTab : public TkcCustomGridDragOpenInfo {
  VT_CLASS(TkcGridDragOpenInfoTab, TkcCustomGridDragOpenInfo)
public:
  explicit TkcGridDragOpenInfoTab(TkcGridLevel* ALevel) : Level(ALevel) {}
  TkcGridLevel* Level;
  bool Equals(TkcCustomGridDragOpenInfo* AInfo) override {
    return TkcCustomGridDragOpenInfo::Equals(AInfo) && static_cast<TkcGridDragOpenInfoTab*>(AInfo)->Level == Level;
  }
  void Run() override;
};

// The process-wide cache: one object per hit-test class, so a hit test is valid only until the
// next request of its class. Keep a copy of what must outlive that.
TkcCustomGridHitTest* GetGridHitTest(std::type_index AClass, TkcCustomGridHitTest* (*ACreate)(), const TPoint& P);
template <class T>
T* GetGridHitTest(const TPoint& P) {
  return static_cast<T*>(GetGridHitTest(
      typeid(T), []() -> TkcCustomGridHitTest* { return new T; }, P));
}
using TkcGridHitTestFactory = TkcCustomGridHitTest* (*)(const TPoint&);
template <class T>
TkcCustomGridHitTest* MakeGridHitTest(const TPoint& P) {
  return GetGridHitTest<T>(P);
}

// ---- Cells ----------------------------------------------------------------------------------

class TkcCustomGridCellPainter;

// One visible element: bounds, drawing parameters, text, its state under the mouse; it answers
// hit tests and paints through a painter made for one paint.
class TkcCustomGridCellViewInfo : public TObject, public IkcMouseTrackingCaller, public IkcMouseCaptureObject {
  VT_CLASS(TkcCustomGridCellViewInfo, TObject)
public:
  TkcCustomGridCellViewInfo() = default;
  ~TkcCustomGridCellViewInfo() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  bool Calculated = false;
  TAlignment AlignmentHorz = taLeftJustify;
  TkcAlignmentVert AlignmentVert = vaTop;
  TkcBorders Borders;
  TRect Bounds{};
  bool MultiLine = false, MultiLinePainting = false;
  TkcVisualParams Params;
  String Text;
  bool Visible = true;

  TkcCustomGridHitTest* HitTest() const { return fHitTest; }
  void SetHitTest(TkcCustomGridHitTest* Value);
  TkcGridCellState State() const { return fState; }
  void SetState(TkcGridCellState Value);
  TkcButtonState ButtonState() const { return CellStateToButtonState(fState); }

  void Calculate(int ALeft, int ATop, int AWidth = -1, int AHeight = -1);
  void CalculateBounds(const TRect& R);
  void Recalculate();
  void CalculateParamsIfNeeded();
  const TRect& ContentBounds();
  const TRect& ClientBounds();
  TRect GetVisibleBounds();
  TRect TextBounds();
  int TextWidth();
  int TextHeight();
  int TextWidthWithOffset() { return TextWidth() + 4; }
  int TextHeightWithOffset() { return TextHeight() + 4; }
  void Offset(int DX, int DY);
  void Invalidate();
  void Paint(TkcCanvas* ACanvas = nullptr);

  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  bool HasPoint(const TPoint& P) {
    TRect r = GetVisibleBounds();
    return PtInRect(&r, P);
  }
  virtual bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift);
  virtual bool MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState AShift);
  virtual bool MouseUp(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift);

  // IkcMouseTrackingCaller, IkcMouseCaptureObject
  void MouseLeave() override;
  void CaptureLost() override { SetState(gcsNormal); }

  virtual void BeforeRecalculation() { fParamsCalculated = false; }
  virtual void AfterRecalculation() {}
  virtual int GetBestFitWidth();
  virtual TkcCanvas* GetCanvas() = 0;
  virtual TkcControl* GetControl() { return nullptr; }
  virtual TkcGridHitTestFactory GetHitTestClass() { return nullptr; }
  // The painter for one paint; none paints nothing.
  virtual TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas);
  virtual bool GetHotTrack() { return false; }
  virtual TkcBorders GetBorders() { return {}; }
  virtual int GetBorderWidth(TkcBorder) { return 0; }
  virtual TColor GetBorderColor(TkcBorder) { return clNone; }
  virtual void GetBorderBounds(TkcBorder ASide, TRect& R);
  virtual bool GetVisible() { return Visible; }
  virtual bool GetVisibleForHitTest() { return GetVisible(); }
  virtual bool IsVisibleForPainting() { return GetVisible(); }
  virtual void GetAreaBounds(TRect& R) { R = {}; }
  virtual void GetTextAreaBounds(TRect& R);
  virtual int GetTextAttributes(bool AForPainting);
  virtual bool GetShowEndEllipsis() { return false; }
  virtual void GetFocusRect(TRect& R);
  virtual int GetFocusRectWidth() { return 2; }
  virtual bool GetFocused() { return false; }
  virtual TBitmap* GetBackgroundBitmap() { return Params.Bitmap; }
  virtual bool GetTransparent() { return GetBackgroundBitmap() != nullptr; }
  virtual bool HasBackground() { return true; }
  virtual bool InvalidateOnStateChange() { return true; }
  virtual bool CaptureMouseOnPress() { return false; }
  virtual void Click() {}

protected:
  virtual void CalculateParams();
  virtual TAlignment GetAlignmentHorz() { return taLeftJustify; }
  virtual TkcAlignmentVert GetAlignmentVert() { return vaTop; }
  virtual void GetViewParams(TkcVisualParams&) {}
  virtual String GetText() { return {}; }
  virtual bool GetMultiLine() { return false; }
  virtual bool GetMultiLinePainting() { return MultiLine; }
  virtual int CalculateWidth() { return Bounds.right - Bounds.left; }
  virtual int CalculateHeight() { return Bounds.bottom - Bounds.top; }
  virtual void CalculateContentBounds(TRect& R);
  virtual void CalculateClientBounds(TRect& R) { R = ContentBounds(); }
  virtual void AfterCalculateBounds(TRect&);
  virtual bool HasHitTestPoint(const TPoint& P) { return HasPoint(P); }
  virtual void InitHitTest(TkcCustomGridHitTest* AHitTest) { AHitTest->SetViewInfo(this); }
  virtual void DoOffset(int DX, int DY);
  virtual void DoInvalidate();
  virtual void BeforeStateChange() {}
  virtual void StateChanged();
  bool IsDestroying() const { return fIsDestroying; }
  bool GetMouseCapture();
  void SetMouseCapture(bool Value);

private:
  friend class TkcCustomGridHitTest;
  bool fCalculatingParams = false, fParamsCalculated = false, fIsDestroying = false;
  TkcCustomGridHitTest* fHitTest = nullptr;
  TkcGridCellState fState = gcsNormal;
  TRect fContentBounds{}, fClientBounds{};
  bool fContentBoundsValid = false, fClientBoundsValid = false;
};

class TkcCustomGridViewCellViewInfo : public TkcCustomGridCellViewInfo {
  VT_CLASS(TkcCustomGridViewCellViewInfo, TkcCustomGridCellViewInfo)
public:
  explicit TkcCustomGridViewCellViewInfo(TkcCustomGridViewInfo* AGridViewInfo) : fGridViewInfo(AGridViewInfo) {}
  ~TkcCustomGridViewCellViewInfo() override;
  TkcCustomGridViewInfo* GridViewInfo() const { return fGridViewInfo; }
  TkcCustomGridView* GridView() const;
  TkcCanvas* GetCanvas() override;
  TkcControl* GetControl() override;

protected:
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;

private:
  TkcCustomGridViewInfo* fGridViewInfo;
};

class TkcCustomGridCellPainter : public TObject {
  VT_CLASS(TkcCustomGridCellPainter, TObject)
public:
  TkcCustomGridCellPainter(TkcCanvas* ACanvas, TkcCustomGridCellViewInfo* AViewInfo)
      : fCanvas(ACanvas), fViewInfo(AViewInfo) {}
  TkcCanvas* Canvas() const { return fCanvas; }
  TkcCustomGridCellViewInfo* ViewInfo() const { return fViewInfo; }
  void MainPaint();

protected:
  virtual bool CanPaint();
  virtual void BeforePaint() {}
  virtual void Paint();
  virtual void AfterPaint();
  virtual bool CanDrawFocusRect() { return true; }
  virtual bool ExcludeFromClipRect() { return false; }
  virtual void DoExcludeFromClipRect() { fCanvas->ExcludeClipRect(fViewInfo->Bounds); }
  virtual void DrawBackground();
  virtual void DrawBackgroundRect(const TRect& R);
  virtual void DrawBorders();
  virtual void DrawContent();
  virtual void DrawText();
  virtual void DrawFocusRect();

private:
  TkcCanvas* fCanvas;
  TkcCustomGridCellViewInfo* fViewInfo;
};

// ---- View handlers --------------------------------------------------------------------------

class TkcGridViewHandler : public TObject {
  VT_CLASS(TkcGridViewHandler, TObject)
public:
  explicit TkcGridViewHandler(TkcCustomGridView* AGridView) : fGridView(AGridView) {}
  TkcCustomGridView* GridView() const { return fGridView; }
  TkcCustomGrid* Grid() const;
  TkcCustomGridController* Controller() const;
  TkcCustomGridPainter* Painter() const;
  TkcCustomGridViewInfo* ViewInfo() const;
  TkcGridSite* Site() const;
  TkcLookAndFeelPainterClass LookAndFeelPainter() const;
  void BeginUpdate();
  void EndUpdate();

private:
  TkcCustomGridView* fGridView;
};

// What a view's input means: the site hands it every message. It passes the mouse to the cell
// under it (or the one holding the mouse), shows cell hints watched by a 100 ms timer, opens and
// closes the customization form and offers dialog characters to its master view.
class TkcCustomGridController : public TkcGridViewHandler {
  VT_CLASS(TkcCustomGridController, TkcGridViewHandler)
public:
  explicit TkcCustomGridController(TkcCustomGridView* AGridView);
  ~TkcCustomGridController() override;
  TkcCustomGridCellViewInfo* HotTrackCell() const { return fHotTrackCell; }
  bool LastClickDouble() const { return fLastClickDouble; }

  // Hints.
  virtual void CancelHint() { HideHint(); }
  virtual bool IsPointInHintArea(const TPoint& P);
  // The site's form is active, the site's window visible and under the cursor.
  virtual bool IsHintTargetActive();
  void ShowHint(const TRect& ABounds, const TRect& ATextArea, TkcCustomGridCellViewInfo* ACell, TFont* AFont,
                const String& AText);
  void HideHint();
  THintWindow* HintWindow() const { return fHintWindow.get(); }
  TkcCustomGridCellViewInfo* HintCell() const { return fHintCell; }
  const TRect& HintArea() const { return fHintArea; }

  // The customization form: its class comes from the view (none here), its first place is the
  // bottom-right corner of the site, 180 by 300 pixels.
  bool Customization() const { return fIsCustomizing; }
  void SetCustomization(bool Value);
  TForm* CustomizationForm() const { return fCustomizationForm; }
  TRect FormBounds{};
  void GetCustomizationFormBounds(TRect& R);
  virtual void CheckCustomizationFormBounds(TRect&) {}
  virtual void CustomizationChanged();
  virtual void RefreshCustomizationForm();
  void RefreshCustomizationFormItems();

  virtual bool AllowsMouseAt(int, int) { return true; }
  virtual bool CanFocusView() { return true; }
  virtual bool HasFocusedControls() { return false; }
  virtual bool IsHitTestOfView(TkcCustomGridHitTest* AHitTest);
  virtual bool IsDesignHitTest(TkcCustomGridHitTest* AHitTest) {
    return AHitTest && AHitTest->DragAndDropObjectClass() != TkcDragAndDropObjectClass{};
  }
  virtual TObject* GetPatternObject(TObject* AObject) { return AObject; }
  virtual bool IsDataFullyVisible(bool /*AFromMaster*/) { return true; }
  virtual void ControlFocusChanged() {}
  virtual void BeforeDataChange() {}
  virtual void BeforeKillFocus() {}
  virtual void CancelMouseOperations();
  // A detail view of this view took the focus: its master record becomes the focused one.
  virtual void DetailFocused(TkcCustomGridView* ADetail);
  virtual void FocusEntered() {}
  virtual void FocusLost() {}
  // The view takes the focus; the site takes the input focus when the grid has it.
  virtual void FocusView(bool ANotifyMaster);
  void FocusWithGuard(bool ANotifyMaster);
  bool IsFocusing() const { return fFocusingGuard; }
  // The view loses its focus; a view that is not visible takes its site off the grid.
  virtual void ViewDeactivated();
  virtual TCursor GetCursor(int X, int Y);
  virtual void KeyDown(WORD& Key, TShiftState Shift) { DoKeyDown(Key, Shift); }
  virtual void DoKeyDown(WORD&, TShiftState) {}
  virtual void KeyPress(char32_t&) {}
  virtual void KeyUp(WORD&, TShiftState) {}
  // An Alt+key the view or its masters take gets result 0.
  virtual void WndProc(TMessage& Message);
  // A detail view's Alt+key: the tabs of the detail's master row, then this view's own master.
  virtual bool ProcessDetailDialogChar(TkcCustomGridView* ADetail, char32_t AChar);
  virtual bool ProcessDialogChar(char32_t AChar);
  virtual void MouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y);
  virtual void MouseMove(TShiftState AShift, int X, int Y);
  virtual void MouseUp(TMouseButton AButton, TShiftState AShift, int X, int Y);
  virtual void InitScrollBarsParameters() {}
  virtual void Scroll(TScrollBarKind, TScrollCode, int&) {}
  virtual bool IsPixelScrollBar(TScrollBarKind) { return false; }
  virtual int GetMouseWheelScrollingKind() { return 0; }
  virtual void CheckCoordinates() {}
  void CheckCoordinatesGuarded();
  bool IsCheckingCoordinates() const { return fCoordinatesCheckActive; }
  void PostControlFocusChange();
  // Drag and drop: the table controller fills these in.
  virtual bool CanDrag(int, int) { return true; }
  virtual void BeforeStartDrag() {}
  virtual void AfterDragAndDrop(bool) {}
  virtual void EndDrag(TObject*, int, int) {}
  // A drag of the control library over the site: held over a tab or an expand button, it opens
  // that after the grid's waiting time.
  virtual void DragOver(TObject* ASource, int X, int Y, TDragState AState, bool& AAccept);
  virtual bool HasDragImages() { return false; }
  // A cell that goes away tells the controller, which must not touch it again.
  void CellRemoved(TkcCustomGridCellViewInfo* ACell);

private:
  void HintWatchTimer(TObject*);
  TkcCustomGridCellViewInfo* fHotTrackCell = nullptr;
  TkcCustomGridCellViewInfo* fPressedCell = nullptr;
  TkcCustomGridCellViewInfo* fCellInMouseDown = nullptr;
  bool fIsCustomizing = false, fCoordinatesCheckActive = false, fLastClickDouble = false, fFocusingGuard = false;
  TForm* fCustomizationForm = nullptr;
  TRect fHintArea{}, fHintTextBounds{};
  TkcCustomGridCellViewInfo* fHintCell = nullptr;
  std::unique_ptr<TkcTimer> fHintWatchTimer;
  std::unique_ptr<THintWindow> fHintWindow;
  String fHintText;
};

// Paints a view into its site: cells that paint an opaque rectangle take it out of the
// background region, and what is left is filled at the end.
class TkcCustomGridPainter : public TkcGridViewHandler {
  VT_CLASS(TkcCustomGridPainter, TkcGridViewHandler)
public:
  using TkcGridViewHandler::TkcGridViewHandler;
  TkcCanvas* Canvas() const { return fCanvas; }
  void Paint(TkcCanvas* ACanvas = nullptr, TkcCustomGridViewInfo* AViewInfo = nullptr);
  void ExcludeFromBackground(const TRect& R);
  virtual void Invalidate();
  virtual void InvalidateRect(const TRect& R);
  virtual void InvalidateRegion(TkcRegion* ARegion);

protected:
  TkcCustomGridViewInfo* PaintViewInfo() const { return fViewInfo; }
  virtual void BeforePaint();
  virtual void PaintContent() {}
  virtual void AfterPaint();
  virtual void DrawBackground();

private:
  std::unique_ptr<TkcRegion> fBackgroundRegion, fBeforePaintClipRegion;
  TkcCanvas* fCanvas = nullptr;
  TkcCustomGridViewInfo* fViewInfo = nullptr;
};

// The layout of a whole view inside its site; it owns the site.
class TkcCustomGridViewInfo : public TkcGridViewHandler {
  VT_CLASS(TkcCustomGridViewInfo, TkcGridViewHandler)
public:
  explicit TkcCustomGridViewInfo(TkcCustomGridView* AGridView);
  ~TkcCustomGridViewInfo() override;
  // Makes the site and the cells' holders; the view runs it once its handlers exist.
  void Init();
  void BeforeDestruction() override;

  static constexpr int ParkedLeft = 30000;
  TRect Bounds{};
  TPoint MousePos{0x7FFFFFFF, 0x7FFFFFFF};
  bool CheckCoordinatesAfterCalculate = true, SiteDetachAllowed = true;
  TkcGridSite* Site() const { return fSite; }
  TkcCanvas* Canvas() const;
  bool IsCalculating() const { return fIsCalculating; }
  bool IsCalculated() const { return !IsRectEmpty(&Bounds); }
  bool IsUpdatingSite() const { return fIsUpdatingSite; }
  bool IsCalculationAllowed() const { return !fIsCalculating && !fIsUpdatingSite; }
  TRect ClientBounds();
  void SetAssignedClientBounds(const TRect& R) { fAssignedClientBounds = R, fIsClientBoundsAssigned = true; }
  int GetFontHeight(TFont* AFont);
  void MainCalculate(const TRect& ABounds);
  void Recalculate();
  void RecreateViewInfos();
  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  void RegisterCell(TkcCustomGridCellViewInfo* ACell) { fRegisteredCells.push_back(ACell); }
  bool IsCellRegistered(TkcCustomGridCellViewInfo* ACell) const;
  void UnregisterCell(TkcCustomGridCellViewInfo* ACell, bool AAll = true);
  void UpdateSite(bool AShow);
  // The height the view needs within AMaxSize, and whether it then shows all of its data; the
  // width it needs. A plain view takes what it is given.
  virtual int GetHeight(const TPoint& AMaxSize, bool& AFullyVisible) {
    AFullyVisible = true;
    return AMaxSize.y;
  }
  virtual int GetWidth(const TPoint& AMaxSize) { return AMaxSize.x; }
  virtual bool IsInternalUse() { return false; }
  virtual void ControlFocusChanged() {}
  // The cells in painting and hit-testing order (the base has none).
  virtual void PaintCells(TkcCanvas*) {}

protected:
  virtual void CreateViewInfos() {}
  virtual void DestroyViewInfos(bool /*AIsRecreating*/) {}
  virtual void Calculate() {}
  virtual void BeforeCalculating();
  virtual void AfterCalculating();
  virtual void GetClientBounds(TRect& R) { R = Bounds; }
  virtual bool CanDetachSite();
  virtual TkcCustomGridHitTest* GetDefaultHitTest(const TPoint& P);
  // The width taken from the left of the horizontal scroll bar for a strip of the given height.
  virtual int NavigatorSiteWidth(int /*AHeight*/) { return 0; }
  virtual TkcGridSite* CreateSite();
  void RememberMousePos();

private:
  friend class TkcGridSite;
  TkcGridSite* fSite = nullptr;
  std::vector<TkcCustomGridCellViewInfo*> fRegisteredCells;
  TRect fAssignedClientBounds{};
  bool fIsClientBoundsAssigned = false, fIsCalculating = false, fIsUpdatingSite = false;
  bool fRecalculatingForBars = false, fPaintSkipped = false;
};

// Values per record that survive from one layout pass to the next; items are made on demand,
// so a view over many records keeps only those it has laid out.
class TkcCustomGridViewInfoCacheItem : public TObject {
  VT_CLASS(TkcCustomGridViewInfoCacheItem, TObject)
public:
  TkcCustomGridViewInfoCacheItem(TkcCustomGridViewInfoCache* AOwner, int AIndex) : Owner(AOwner), Index(AIndex) {}
  TkcCustomGridViewInfoCache* Owner;
  int Index;
  virtual void UnassignValues(bool /*AKeepMaster*/) {}
};

class TkcCustomGridViewInfoCache : public TkcGridViewHandler {
  VT_CLASS(TkcCustomGridViewInfoCache, TkcGridViewHandler)
public:
  using TkcGridViewHandler::TkcGridViewHandler;
  int Count() const { return fCount; }
  // Frees every item, also when the count stays.
  void SetCount(int Value);
  TkcCustomGridViewInfoCacheItem* Items(int AIndex) const;
  TkcCustomGridViewInfoCacheItem* GetItem(int AIndex);
  void Clear() { SetCount(0); }
  virtual void UnassignValues(bool AKeepMaster);

protected:
  virtual TkcCustomGridViewInfoCacheItem* CreateItem(int AIndex) = 0;

private:
  int fCount = 0;
  std::unordered_map<int, std::unique_ptr<TkcCustomGridViewInfoCacheItem>> fItems;
  bool fIsUnassigningValues = false;
};

// A drag started in a view's site: it learns where it started and from which hit test.
class TkcCustomGridDragAndDropObject : public TkcDragAndDropObject {
  VT_CLASS(TkcCustomGridDragAndDropObject, TkcDragAndDropObject)
public:
  using TkcDragAndDropObject::TkcDragAndDropObject;
  TPoint StartPoint{};
  virtual void Init(const TPoint& P, TkcCustomGridHitTest*) { StartPoint = P; }
  TkcGridSite* Site() const;
  TkcCustomGridViewInfo* ViewInfo() const;
  TkcCustomGridController* Controller() const;
  void AfterDragAndDrop(bool Accepted) override;
};

// The view's records as the rest of the view sees them; made lazily by the table-like views.
class TkcCustomGridViewData : public TkcGridViewHandler {
  VT_CLASS(TkcCustomGridViewData, TkcGridViewHandler)
public:
  using TkcGridViewHandler::TkcGridViewHandler;
  // The data controller reports a change of its rows: every record made so far goes.
  virtual void Refresh(int /*ARecordCount*/) {}
  virtual int GetRecordCount() { return 0; }
};

// ---- Site -----------------------------------------------------------------------------------

// The child window a view draws in; every input goes to the view's controller.
class TkcGridSite : public TkcControl {
  VT_CLASS(TkcGridSite, TkcControl)
public:
  explicit TkcGridSite(TkcCustomGridViewInfo* AViewInfo);
  ~TkcGridSite() override;
  TkcCustomGridViewInfo* ViewInfo() const { return fViewInfo; }
  TkcCustomGridView* GridView() const { return fViewInfo->GridView(); }
  TkcCustomGridController* Controller() const { return fViewInfo->Controller(); }
  bool IsParked() const { return Left() == TkcCustomGridViewInfo::ParkedLeft; }

  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void WndProc(TMessage& Message) override;
  void BoundsChanged() override;
  bool CanFocusOnClickAt(int X, int Y) override;
  bool MayFocus() override;
  bool IsFocused() override;
  void FocusChanged() override;
  void DoCancelMode() override;
  TCursor GetCurrentCursor(int X, int Y) override;
  bool IsDesigning() const override { return false; }
  bool AllowDragAtDesignTime(int, int, TShiftState) override { return false; }
  int GetMouseWheelScrollingKind() override;
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APos) override;
  bool IsPixelScrollBar(TScrollBarKind AKind) override;
  void UpdateScrollBars() override;
  TRect GetHScrollBarBounds() override;
  // The whole strip under the client area, navigator included.
  TRect ScrollBarStrip() { return TkcControl::GetHScrollBarBounds(); }
  void BeforeMouseDown(TMouseButton AButton, TShiftState AShift, int X, int Y) override;
  void MouseLeave(TControl* AControl) override;
  // A drag starts where the hit test names a drag object class.
  bool StartDragAndDrop(const TPoint& P) override;
  // A drag that began elsewhere (an entry of the customization form) goes on here as a drag of
  // AClass, started at the site point P for AHitTest; the site takes the mouse.
  void TakeOverDrag(TkcDragAndDropObjectClass AClass, const TPoint& P, TkcCustomGridHitTest* AHitTest);
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;

protected:
  void Paint() override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;

private:
  void DeferredSizeTimer(TObject*);
  TkcCustomGridViewInfo* fViewInfo;
  std::unique_ptr<TkcTimer> fSizeTimer;
  int fClientWidth = -1, fClientHeight = -1;
};

// ---- Views ----------------------------------------------------------------------------------

// 0 property, 1 layout, 2 size.
enum TkcGridViewChangeKind { vckProperty, vckLayout, vckSize };

// A view of data in the grid: the factory of its handlers, its update lock and its changes.
class TkcCustomGridView : public TkcComponent {
  VT_CLASS(TkcCustomGridView, TkcComponent)
public:
  // The customization form of this kind of view; none by default.
  virtual TForm* CreateCustomizationForm() { return nullptr; }
  explicit TkcCustomGridView(TComponent* AOwner);
  ~TkcCustomGridView() override;
  // Creates the handlers through the virtual factory (a constructor cannot reach overrides).
  void Init();
  void BeforeDestruction() override;
  // Leaves its level and grid; the most derived destructor runs it first, so no relayout
  // reaches a view that is partly destroyed.
  void Detach();

  TkcCustomGrid* Grid() const { return fGrid; }
  void SetGrid(TkcCustomGrid* Value);
  TkcGridLevel* Level() const { return fLevel; }
  void SetLevel(TkcGridLevel* Value) { fLevel = Value; }
  TkcCustomGridView* MasterGridView() const { return fMasterGridView; }
  bool HasAsMaster(TkcCustomGridView* AView) const;
  bool IsPattern() const { return fIsPattern; }
  bool IsDetail() const { return fMasterGridView != nullptr; }
  // The records this view shows; none for a view without data.
  virtual TkcCustomDataController* GetDataController() { return nullptr; }
  // Detail views of master records are clones of the view their level binds (the pattern):
  // made per master record, owned by the master's data controller, never shown themselves.
  TkcCustomGridView* PatternGridView() { return fPatternView ? fPatternView : this; }
  bool IsClone() const { return fPatternView != nullptr; }
  int CloneCount() const { return static_cast<int>(fClones.size()); }
  TkcCustomGridView* Clones(int AIndex) const { return fClones.at(static_cast<size_t>(AIndex)); }
  // A new view of this view's class with its settings, the detail of AMaster's record at
  // AMasterRecordIndex through ARelation; nil for a view that cannot be cloned.
  TkcCustomGridView* CreateClone(TkcCustomGridView* AMaster, TkcCustomDataRelation* ARelation, int AMasterRecordIndex);
  // An Alt+key for the level tabs of a master row: the row of ADetail, or of the focused
  // record when ADetail is nil. Answers whether a tab took it.
  virtual bool ProcessRecordDialogChar(TkcCustomGridView*, char32_t) { return false; }
  // Whether ADetail, a clone whose master is this view, is shown in its master row now.
  virtual bool IsDetailVisible(TkcCustomGridView*) { return false; }
  // The drag opening of ALevel's tab in the master row at ARowIndex; nil when it has none.
  virtual TkcCustomGridDragOpenInfo* CreateDetailTabDragOpenInfo(TkcGridLevel*, int) { return nullptr; }
  // Whether the view's level has visible child levels: its rows are then master rows.
  bool HasVisibleDetails() const;
  TkcCustomGridController* Controller() const { return fController.get(); }
  TkcCustomGridPainter* Painter() const { return fPainter.get(); }
  TkcCustomGridViewInfo* ViewInfo() const { return fViewInfo.get(); }
  TkcCustomGridViewInfoCache* ViewInfoCache() const { return fViewInfoCache.get(); }
  TkcCustomGridViewData* ViewData() const { return fViewData.get(); }
  // The data change: the cache and the view data follow the new record count.
  virtual void DataChanged();
  TkcGridSite* Site() const { return fViewInfo ? fViewInfo->Site() : nullptr; }
  TkcLookAndFeelPainterClass LookAndFeelPainter() const;
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  TFont* Font() const;
  TColor BackgroundColor() const { return fBackgroundColor; }
  void SetBackgroundColor(TColor Value);

  void BeginUpdate();
  void EndUpdate();
  bool IsUpdateLocked() const { return fLockCount > 0; }
  virtual bool CanUpdateLayout() { return !IsDestroying() && (fLockCount == 0 || fChangingAtUnlock); }
  virtual bool IsVisible();
  void Changed(TkcCustomGridChange* AChange);
  void Changed(TkcGridViewChangeKind AKind);
  void LayoutChanged();
  void SizeChanged(bool AUpdateGridViewOnly = false, bool AKeepMaster = false);
  void ViewChanged();
  void ViewChanged(const TRect& R);
  void ViewChanged(TkcRegion* ARegion);
  void SiteSizeChanged(bool AImmediately, bool AKeepMaster);
  bool IsFocused() const;
  void SetFocused(bool Value);
  bool IsControlFocused() const;
  bool IsDestroying() const { return ComponentState().Contains(csDestroying); }

protected:
  virtual TkcCustomGridController* CreateController() { return new TkcCustomGridController(this); }
  virtual TkcCustomGridPainter* CreatePainter() { return new TkcCustomGridPainter(this); }
  virtual TkcCustomGridViewInfo* CreateViewInfo() { return new TkcCustomGridViewInfo(this); }
  virtual TkcCustomGridViewInfoCache* CreateViewInfoCache() { return nullptr; }
  virtual TkcCustomGridViewData* CreateViewData() { return nullptr; }
  // A new, empty view of this class for a clone; nil when the class has no clones.
  virtual TkcCustomGridView* NewCloneView() { return nullptr; }
  // Takes APattern's settings (columns, options, data binding) into a new clone.
  virtual void AssignPattern(TkcCustomGridView*) {}
  // Connects a new clone to APattern's data once it is bound to its master record, so it reads
  // only that record's rows.
  virtual void ConnectPatternData(TkcCustomGridView*) {}
  void SetMasterGridView(TkcCustomGridView* AMaster, bool AIsPattern = false) {
    fMasterGridView = AMaster;
    fIsPattern = AIsPattern;
  }

private:
  void DoChanged();
  friend class TkcGridLevel;
  TkcCustomGrid* fGrid = nullptr;
  TkcGridLevel* fLevel = nullptr;
  TkcCustomGridView* fMasterGridView = nullptr;
  bool fIsPattern = false;
  TkcCustomGridView* fPatternView = nullptr;
  std::vector<TkcCustomGridView*> fClones;
  std::unique_ptr<TkcCustomGridController> fController;
  std::unique_ptr<TkcCustomGridPainter> fPainter;
  std::unique_ptr<TkcCustomGridViewInfo> fViewInfo;
  std::unique_ptr<TkcCustomGridViewInfoCache> fViewInfoCache;
  std::unique_ptr<TkcCustomGridViewData> fViewData;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  TColor fBackgroundColor = clWindow;
  int fLockCount = 0;
  TkcGridViewChangeKind fChangedKind = vckProperty;
  bool fChangePending = false, fChangingAtUnlock = false;
};

// A group of a view's options: each change tells the view what it needs (a repaint, a layout or
// a size calculation).
class TkcCustomGridOptions : public TPersistent {
  VT_CLASS(TkcCustomGridOptions, TPersistent)
public:
  explicit TkcCustomGridOptions(TkcCustomGridView* AGridView) : fGridView(AGridView) {}
  TkcCustomGridView* GridView() const { return fGridView; }
  void Changed(TkcGridViewChangeKind AKind) {
    if (fGridView) fGridView->Changed(AKind);
  }

protected:
  TPersistent* GetOwner() override { return fGridView; }

private:
  TkcCustomGridView* fGridView;
};

template <class T>
T* CreateGridView(TComponent* AOwner) {
  T* view = new T(AOwner);
  view->Init();
  return view;
}

// ---- Levels ---------------------------------------------------------------------------------

enum TkcGridDetailTabsPosition { dtpNone, dtpLeft, dtpTop };

// One node of the grid's level tree; it binds one view.
class TkcGridLevel : public TkcComponent {
  VT_CLASS(TkcGridLevel, TkcComponent)
public:
  explicit TkcGridLevel(TComponent* AOwner);
  ~TkcGridLevel() override;
  TkcCustomGrid* Control() const { return fControl; }
  TkcGridLevel* Parent() const { return fParent; }
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcGridLevel* Items(int AIndex) const { return fItems.at(AIndex); }
  int Index() const;
  // The depth below the root: 0 for a top level.
  int Level() const;
  bool IsRoot() const { return fParent == nullptr; }
  TkcGridLevel* Add();
  TkcCustomGridView* GridView() const { return fGridView; }
  void SetGridView(TkcCustomGridView* Value);
  String Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  int MaxDetailHeight() const { return fMaxDetailHeight; }
  void SetMaxDetailHeight(int Value);
  int CheckHeight(int Value) const;
  int DetailFrameWidth() const { return fDetailFrameWidth; }
  void SetDetailFrameWidth(int Value);
  // clDefault: the look and feel's detail frame colour.
  TColor DetailFrameColor() const { return fDetailFrameColor; }
  void SetDetailFrameColor(TColor Value);
  TColor GetEffectiveDetailFrameColor() const;
  // Where the child levels show as tabs, if at all.
  TkcGridDetailTabsPosition DetailTabsPosition() const { return fDetailTabsPosition; }
  void SetDetailTabsPosition(TkcGridDetailTabsPosition Value);
  int VisibleCount() const;
  TkcGridLevel* VisibleItems(int AIndex) const;
  // The relation in the parent level's view's data controller that stands for this level; nil
  // without a parent view.
  TkcCustomDataRelation* DataRelation() const { return fDataRelation; }
  // The detail view of a master record: a clone of this level's view, nil when the level is
  // hidden or has no view. The master's data controller owns it.
  TkcCustomGridView* CreateDetailView(TkcCustomDataRelation* ARelation, int AMasterRecordIndex);

private:
  friend class TkcCustomGrid;
  void Changed();
  void CreateDataRelation(TkcGridLevel* AChild);
  void RemoveDataRelation(TkcGridLevel* AChild);
  // The view's data controller becomes the template of this level's relation (or of none).
  void SetDataRelation();
  TkcCustomDataRelation* fDataRelation = nullptr;
  TkcCustomGrid* fControl = nullptr;
  TkcGridLevel* fParent = nullptr;
  std::vector<TkcGridLevel*> fItems;
  TkcCustomGridView* fGridView = nullptr;
  String fCaption;
  bool fVisible = true;
  int fMaxDetailHeight = 0, fDetailFrameWidth = 1;
  TColor fDetailFrameColor = clDefault;
  TkcGridDetailTabsPosition fDetailTabsPosition = dtpNone;
};

// ---- Grid -----------------------------------------------------------------------------------

class TkcCustomGrid : public TkcControl {
  VT_CLASS(TkcCustomGrid, TkcControl)
public:
  explicit TkcCustomGrid(TComponent* AOwner);
  ~TkcCustomGrid() override;
  void BeforeDestruction() override;

  TkcGridLevel* Levels() const { return fRootLevel.get(); }
  TkcGridLevel* ActiveLevel() const { return fActiveLevel; }
  void SetActiveLevel(TkcGridLevel* Value);
  TkcCustomGridView* ActiveView() const;
  TkcCustomGridView* FocusedView() const { return fFocusedView; }
  void SetFocusedView(TkcCustomGridView* Value);
  int DragOpeningWaitTime() const { return fDragOpeningWaitTime; }
  void SetDragOpeningWaitTime(int Value) { fDragOpeningWaitTime = std::max(0, Value); }
  bool DragOpening() const { return fDragOpening; }
  void SetDragOpening(bool Value) { fDragOpening = Value; }
  // A drag held over a place: the same place again keeps the running wait, another restarts it;
  // when the wait is over the info runs. The grid owns AInfo.
  void StartDragOpen(TkcCustomGridDragOpenInfo* AInfo);
  void StopDragOpen();
  TkcCustomGridDragOpenInfo* PendingDragOpen() const { return fDragOpenInfo.get(); }
  void DragOver(TObject* Source, int X, int Y, TDragState State, bool& Accept) override;
  void DragDrop(TObject* Source, int X, int Y) override;
  std::function<void(TkcCustomGrid*, TkcCustomGridView*)> OnLayoutChanged;
  std::function<void(TkcCustomGrid*)> OnActiveTabChanged;
  // A view's customization form was opened or closed.
  std::function<void(TkcCustomGrid*, TkcCustomGridView*)> OnCustomization;

  // The change queue.
  void BeginUpdate() { ++fLockCount; }
  void EndUpdate();
  void CancelUpdate();
  bool IsUpdateLocked() const { return fLockCount > 0; }
  void AddChange(TkcCustomGridChange* AChange);
  void ExecuteChange(TkcCustomGridChange* AChange);
  void RemoveViewChanges(TkcCustomGridView* AView);
  int PendingChangeCount() const { return static_cast<int>(fChanges.size()); }

  void LayoutChanged();
  void SizeChanged();
  void Calculate();
  // Repaints the grid window and, with AInvalidateSites, every view site in it: a layout of
  // the whole grid changes what the sites show even where their bounds stay.
  void InvalidateAll(bool AInvalidateSites);
  void DoLayoutChanged(TkcCustomGridView* AView) {
    if (OnLayoutChanged) OnLayoutChanged(this, AView);
  }
  void ControlFocusChanged(bool AFocused);
  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  // The root level's site, remade at each layout; nil before the first.
  TkcGridTopDetailsSiteViewInfo* DetailsSite() const { return fDetailsSite.get(); }
  // Lets the owner see a view's key and popup notifications; answers whether one handled it.
  std::function<bool(int, TMessage*)> OnNotification;
  bool SendNotification(int AKind, TMessage* AMessage) { return OnNotification && OnNotification(AKind, AMessage); }

  void ViewAdded(TkcCustomGridView* AView);
  void LevelRemoved(TkcGridLevel* ALevel) {
    if (fActiveLevel == ALevel) fActiveLevel = nullptr;
  }
  void ViewRemoved(TkcCustomGridView* AView);

protected:
  void BoundsChanged() override;
  void Paint() override;
  void FocusChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Dispatch(TMessage& Message) override;

private:
  void ProcessChanges();
  std::unique_ptr<TkcGridTopDetailsSiteViewInfo> fDetailsSite;
  std::unique_ptr<TkcGridLevel> fRootLevel;
  TkcGridLevel* fActiveLevel = nullptr;
  TkcCustomGridView* fFocusedView = nullptr;
  std::vector<TkcCustomGridView*> fViews;
  std::vector<std::unique_ptr<TkcCustomGridChange>> fChanges;
  // The changes of the run in progress, while one is.
  std::vector<std::unique_ptr<TkcCustomGridChange>>* fProcessing = nullptr;
  int fLockCount = 0;
  int fDragOpeningWaitTime = 800;
  bool fDragOpening = true;
  std::unique_ptr<TkcCustomGridDragOpenInfo> fDragOpenInfo;
  std::unique_ptr<TkcTimer> fDragOpenTimer;
  void DragOpenTimer(TObject*);
};

class TkcGrid : public TkcCustomGrid {
  VT_CLASS(TkcGrid, TkcCustomGrid)
public:
  using TkcCustomGrid::TkcCustomGrid;
};
