#pragma once
// The tab control and the page control: tabs and the list of visible tabs, the layout of one
// scrolled line or several balanced lines of tabs on any side, the navigator (scroll arrows,
// go-to-tab button, close button) with its repeat timer, hot tracking, mouse and keys, and
// pages that follow their tabs.

#include <functional>
#include <memory>
#include <vector>

#include "controls/kcControlUtils.h"
#include "controls/kcControls.h"
#include "page-control/kcPCPaintersFactory.h"
#include "platform/forms/ImgList.h"

class TkcCustomTabControl;

// Whether the caption's accelerator (the character after a single "&") is ACharCode.
bool HasAccelerator(char32_t ACharCode, const String& ACaption);
class TkcTabs;
class TkcPCGoDialog;
class TkcPCImageList;
class TkcTabSheet;
class TkcPageControl;

enum TkcTabPosition { tpTop, tpBottom, tpLeft, tpRight };
enum TkcPCOption {
  pcoCloseButton,
  pcoFixedTabWidthWhenRotated,
  pcoGoDialog,
  pcoGradient,
  pcoGradientClientArea,
  pcoNoArrows,
  pcoRedrawOnResize,
  pcoSort,
  pcoTopToBottomText,
  pcoUsePageColorForTab
};
using TkcPCOptions = TSet<TkcPCOption, 10>;
inline const TkcPCOptions kcPCDefaultOptions{pcoGradient, pcoGradientClientArea, pcoRedrawOnResize};
enum TkcPCNavigatorButton { nbTopLeft, nbBottomRight, nbGoDialog, nbClose };
using TkcPCNavigatorButtons = TSet<TkcPCNavigatorButton, 4>;
enum TkcPCNavigatorPosition { npLeftTop, npLeftBottom, npRightTop, npRightBottom };
// 0 normal, 1 pressed, 2 hot, 3 disabled.
using TkcPCNavigatorButtonState = int;
enum TkcTabChangeKind {
  tckContent,
  tckColor,
  tckEnabled,
  tckFocus,
  tckHighlighted,
  tckHotTrack,
  tckMainTab,
  tckLayout,
  tckPressed,
  tckSelected,
  tckFocusedTab
};
enum TkcTabSlantKind { skCutCorner, skSlant };
enum TkcTabSlantPosition { spLeft, spRight };
using TkcTabSlantPositions = TSet<TkcTabSlantPosition, 2>;

// The tab band a painter reserves for the layout.
struct TkcPCTabsRegion {
  TRect Bounds{};
  int TopOrLeftPartExtension = 0;
  int BottomOrRightPartExtension = 0;
  int PartsGap = 0;
  int TabsLength = 0;
  TRect TabsBounds{};
};

struct TkcPCLineIndexBounds {
  int First = -1, Last = -1;
};
using TkcPCLineIndexBoundsArray = std::vector<TkcPCLineIndexBounds>;

class TkcTab : public TPersistent {
  VT_CLASS(TkcTab, TPersistent)
public:
  TkcTab(TkcTabs* ATabs, int AIndex);
  ~TkcTab() override;
  void Assign(TPersistent* Source) override;

  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  TColor Color() const { return fColor; }
  void SetColor(TColor Value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  bool Highlighted() const { return fHighlighted; }
  void SetHighlighted(bool Value);
  // The effective image index (through the control); the stored one is StoredImageIndex.
  int ImageIndex() const;
  int StoredImageIndex() const { return fImageIndex; }
  bool IsImageIndexStored() const { return fImageIndex != fIndex; }
  void SetImageIndex(int Value);
  bool Selected() const { return fSelected; }
  void SetSelected(bool Value);
  bool Visible() const { return fVisible; }
  void SetVisible(bool Value);
  TObject* Object() const { return fObject; }
  void SetObject(TObject* Value) { fObject = Value; }
  int Index() const { return fIndex; }
  TkcTabs* Tabs() const { return fTabs; }

  TkcCustomTabControl* TabControl() const;
  int VisibleIndex() const;
  bool IsMainTab() const;
  bool IsHotTrack() const;
  bool IsPressed() const;
  bool IsFocused() const;
  bool RealEnabled() const;
  bool RealVisible() const;
  int NormalLength() const;
  TRect GetNormalRect() const;
  TRect GetFullRect();
  TRect GetDisplayRect();
  TkcTabPosition RealPosition() const;
  int PaintingKind() const;
  void Changed(TkcTabChangeKind AKind);
  void ImagesChanged();

  // Layout results.
  TPoint NormalOrigin{};
  int NormalWidth = 0;
  TRect BoundsCorrection{};
  int LineIndex = 0;
  int DisplayLineIndex = 0;
  std::unique_ptr<TBitmap> RotatedTextCache;

private:
  friend class TkcTabs;
  friend class TkcCustomTabControl;
  String fCaption;
  TColor fColor = clDefault;
  bool fEnabled = true;
  bool fHighlighted = false;
  int fImageIndex;
  int fIndex;
  TObject* fObject = nullptr;
  bool fSelected = false;
  bool fVisible = true;
  TkcTabs* fTabs;
};

// The visible tabs' indexes, ascending.
class TkcVisibleTabList {
public:
  explicit TkcVisibleTabList(TkcCustomTabControl* AParent) : fParent(AParent) {}
  int Count() const { return int(fTabIndexes.size()); }
  TkcTab* GetTab(int AVisibleIndex) const;
  int IndexOf(int ATabIndex) const;
  bool Find(int ATabIndex, int& APosition) const;
  void Add(int ATabIndex);
  void Remove(int ATabIndex);
  void Rebuild();
  int TabIndexAt(int AVisibleIndex) const { return fTabIndexes[AVisibleIndex]; }

private:
  TkcCustomTabControl* fParent;
  std::vector<int> fTabIndexes;
};

class TkcTabs : public TObject {
  VT_CLASS(TkcTabs, TObject)
public:
  explicit TkcTabs(TkcCustomTabControl* AParent) : fParent(AParent) {}
  ~TkcTabs() override;

  int Count() const { return int(fTabItems.size()); }
  String Get(int Index) const;
  void Put(int Index, const String& S);
  TObject* GetObject(int Index) const;
  void PutObject(int Index, TObject* AObject);
  int Add(const String& S);
  void Insert(int Index, const String& S);
  void Delete(int Index);
  void Clear();
  void Move(int CurIndex, int NewIndex);
  TkcTab* GetTab(int Index) const;
  TkcTab* operator[](int Index) const { return GetTab(Index); }
  TkcTab* GetVisibleTab(int AVisibleIndex) const;
  int VisibleCount() const;
  int NormalTabHeight = 0;

  void Changed(int AVisibleIndex, TkcTabChangeKind AKind);
  void SetHotTrackTab(int AVisibleIndex);
  void UpdateMainTabVisibleIndex();
  void SetFocusedTab(int AVisibleIndex);
  void ImagesChanged();
  void FreeRotatedTextCaches();
  TkcCustomTabControl* Parent() const { return fParent; }

private:
  friend class TkcTab;
  void TabDestroying(int Index);
  [[noreturn]] void IndexError(const char* AOperation, int Index) const;
  void RenumberTabs(int AFirst, int ALast);
  void RemoveSlot(int Index);
  TkcCustomTabControl* fParent;
  std::vector<TkcTab*> fTabItems;
  bool fNotification = false;
  bool fUpdating = false;
};

class TkcTabSlants : public TPersistent {
  VT_CLASS(TkcTabSlants, TPersistent)
public:
  explicit TkcTabSlants(TPersistent* AOwner) : fOwner(AOwner) {}
  void Assign(TPersistent* Source) override;
  TkcTabSlantKind Kind() const { return fKind; }
  void SetKind(TkcTabSlantKind Value);
  TkcTabSlantPositions Positions() const { return fPositions; }
  void SetPositions(TkcTabSlantPositions Value);
  TNotifyEvent OnChange;

private:
  TPersistent* fOwner;
  TkcTabSlantKind fKind = skSlant;
  TkcTabSlantPositions fPositions{spLeft};
};

using TkcPCCanCloseEvent = TEvent<void(TObject* Sender, bool& ACanClose)>;
using TkcTabChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
using TkcDrawTabEvent = TEvent<void(TkcCustomTabControl* AControl, TkcTab* ATab, bool& DefaultDraw)>;
using TkcDrawTabExEvent = TEvent<void(TkcCustomTabControl* AControl, TkcTab* ATab, TFont* Font)>;
using TkcGetTabImageEvent = TEvent<void(TObject* Sender, int TabIndex, int& ImageIndex)>;

class TkcCustomTabControl : public TkcControl {
  VT_CLASS(TkcCustomTabControl, TkcControl)
public:
  explicit TkcCustomTabControl(TComponent* AOwner);
  ~TkcCustomTabControl() override;

  // Properties.
  bool Focusable() const { return fFocusable; }
  void SetFocusable(bool Value) { fFocusable = Value; }
  bool HideTabs() const { return fHideTabs; }
  void SetHideTabs(bool Value);
  bool HotTrack() const { return fHotTrack; }
  void SetHotTrack(bool Value);
  int ImageBorder() const { return fImageBorder; }
  void SetImageBorder(int Value);
  TCustomImageList* Images() const { return fImages; }
  void SetImages(TCustomImageList* Value);
  int MaxRotatedTabWidth() const { return fMaxRotatedTabWidth; }
  void SetMaxRotatedTabWidth(int Value);
  bool MultiLine() const { return fMultiLine; }
  void SetMultiLine(bool Value);
  TkcPCNavigatorPosition NavigatorPosition() const { return fNavigatorPosition; }
  void SetNavigatorPosition(TkcPCNavigatorPosition Value);
  TkcPCOptions Options() const { return fOptions; }
  void SetOptions(TkcPCOptions Value);
  bool OwnerDraw() const { return fOwnerDraw; }
  void SetOwnerDraw(bool Value);
  bool RaggedRight() const { return fRaggedRight; }
  void SetRaggedRight(bool Value);
  bool Rotate() const { return fRotate; }
  void SetRotate(bool Value);
  bool ScrollOpposite() const { return fScrollOpposite; }
  void SetScrollOpposite(bool Value);
  bool ShowFrame() const { return fShowFrame; }
  void SetShowFrame(bool Value);
  TkcPCStyleID Style() const { return fStyleID; }
  void SetStyle(TkcPCStyleID Value);
  int TabHeight() const { return fTabHeight; }
  void SetTabHeight(int Value);
  int TabIndex() const { return fTabIndex; }
  void SetTabIndex(int Value);
  // Without events or checks (a page control removing a page).
  void SetTabIndexDirect(int Value) { fTabIndex = Value; }
  TkcTabPosition TabPosition() const { return fTabPosition; }
  void SetTabPosition(TkcTabPosition Value);
  TkcTabSlants* TabSlants() const { return fTabSlants.get(); }
  int TabWidth() const { return fTabWidth; }
  void SetTabWidth(int Value);
  TkcTabs* Tabs() const { return fTabs.get(); }
  TkcVisibleTabList* VisibleTabs() const { return fVisibleTabs.get(); }
  TkcPCCustomPainter* Painter() const { return fPainter; }
  TkcPCImageList* ImageList() const { return fImageList.get(); }
  bool MultiSelect() const { return fMultiSelect; }
  void SetMultiSelect(bool Value) { fMultiSelect = Value; }

  TkcPCCanCloseEvent OnCanClose;
  TNotifyEvent OnChange;
  TkcTabChangingEvent OnChanging;
  TkcDrawTabEvent OnDrawTab;
  TkcDrawTabExEvent OnDrawTabEx;
  TkcGetTabImageEvent OnGetImageIndex;

  // State read by the tab list, the layout and the painters.
  int MainTabVisibleIndex = -1;
  int HotTrackTabVisibleIndex = -1;
  int PressedTabVisibleIndex = -1;
  int FocusedTabVisibleIndex = -1;
  TkcPCNavigatorButtons HotNavigatorButtons;
  TkcPCNavigatorButtons PressedNavigatorButton;
  TkcPCNavigatorButtonState NavigatorButtonStates[4] = {0, 0, 0, 0};
  bool GoDialogShowing() const { return fGoDialogShowing; }
  TkcPCGoDialog* GoDialog() const { return fGoDialog.get(); }
  TkcTimer* ScrollTimer() const { return fScrollTimer.get(); }

  // Layout state.
  TkcPCTabsRegion TabsRegion;
  TkcPCNavigatorButtons NavigatorButtons;
  int FirstShownTab = -1, LastShownTab = -1;
  bool LastTabFits = false;
  int LineCount = 0;
  int TopOrLeftPartLineCount = 0;
  int LineThickness = 0;
  int RotatedTextWidth = 0;
  TRect TopOrLeftPartRect{}, BottomOrRightPartRect{};

  // While loading (BeginLoading .. EndLoading) TabIndex is only stored and layouts wait.
  bool IsLoading() const { return ComponentState().Contains(csLoading); }

  // Layout.
  void CalculateLayout();
  void CalculateTabNormalSizes();
  void SetNavigatorButtons(TkcPCNavigatorButtons AButtons);
  TkcPCNavigatorButtons GetNavigatorButtonsForLayout(bool AAllTabsFit) const;
  void MakeTabVisible(int AVisibleIndex);
  void ScrollTabs(TkcPCNavigatorButton AButton);
  void ScrollTabsBy(int ACount);
  int GetTabAt(int X, int Y);
  TRect GetTabPartRect(int AVisibleIndex) const;
  void GetDisplayLineBounds(TkcPCLineIndexBoundsArray& ABounds);
  void GetPlacedRange(int& AFirst, int& ALast) const;
  static int NavigatorButtonCount(TkcPCNavigatorButtons AButtons) { return AButtons.Count(); }
  static TkcPCNavigatorButton FirstNavigatorButton(TkcPCNavigatorButtons AButtons);
  bool IsTabOrderReversed() const;
  bool IsLinesReversed() const;
  bool IsVerticalText() const;
  int GetTextDirection() const;
  int GetPaintingTextDirection() const;
  int TabGap() const;
  int LineGap() const;
  TRect GetPageClientRect();
  bool IsNavigatorButtonEnabled(TkcPCNavigatorButton AButton) const;
  void UpdateNavigatorButtonStates();
  void SetNavigatorButtonState(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonState AState);

  // Behaviour.
  virtual void DrawTabCustomContent(TkcCanvas*, TkcTab*) {}
  virtual bool CanCloseTab();
  virtual void CloseActiveTab();
  virtual bool SelectTabByAccelerator(char32_t ACharCode);
  virtual bool CanSelectTab(int ATabIndex);
  virtual TControl* GetActivePage() { return nullptr; }
  virtual int GetImageIndex(int ATabIndex);
  virtual TControl* GetTabPage(int) { return nullptr; }
  virtual void GoDialogTabSelected(int ATabIndex);
  virtual void ImagesChanged() { RequestLayout(); }
  virtual bool HandleKey(WORD& Key, TShiftState Shift);
  virtual void PrepareTabCanvasFont(TkcTab* ATab, TkcCanvas* ACanvas);
  virtual bool ActiveTabMustBeVisible() { return false; }
  virtual bool CanChange(int ANewTabIndex);
  virtual void Change();
  virtual void RequestLayout();
  void UpdateHotTrack(TShiftState AShift);
  void UpdateHotTrack();
  void ShowGoDialog();
  void TabClick(int AVisibleIndex, bool ACtrl);
  bool AreChangeEventsSuppressed() const;
  int ChangeEventLock = 0;
  bool InLayout() const { return fInLayout; }
  TRect GetControlRect() const { return Rect(0, 0, Width(), Height()); }
  void AdjustClientRect(TRect& Rect) override;
  bool CanFocus() override;
  void SetFocusedTabFromKey(int AVisibleIndex);

protected:
  void Paint() override;
  void Resize() override;
  void CreateWnd() override;
  void FontChanged() override;
  void FocusChanged() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseLeave(TControl* AControl) override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) override;
  void Dispatch(TMessage& Message) override;
  void RealignAndRepaint();

public:
  void Loaded() override;

protected:
private:
  friend class TkcTabs;
  friend class TkcTab;
  void ResetLayoutState();
  void CalculateMultiLineLayout();
  void CalculateSingleLineLayout();
  void DistributeTabsIntoLines(int ALength, int AGap);
  void BalanceLines(int AFirst, int ALast, int ALength, int AGap);
  void ArrangeTabsInLines();
  void StretchLine(int AFirst, int ALast, int AFree);
  void PlaceTabsInLine(int AFirst, int ALast, bool AForce);
  void FitSingleLine();
  void CalculateLineThickness();
  void ArrangeLines();
  void PlaceLines();
  void ClearUnshownNavigatorStates();
  void ScrollTimerHandler(TObject* Sender);
  void StopScrollTimer();
  bool IsButtonStyle() const;
  void ApplyStyle(TkcPCStyleID AStyleID);

  std::unique_ptr<TkcTabs> fTabs;
  std::unique_ptr<TkcVisibleTabList> fVisibleTabs;
  std::unique_ptr<TkcTabSlants> fTabSlants;
  std::unique_ptr<TkcTimer> fScrollTimer;
  std::unique_ptr<TkcPCGoDialog> fGoDialog;
  std::unique_ptr<TkcPCImageList> fImageList;
  TkcPCCustomPainter* fPainter = nullptr;
  TkcPCStyleID fStyleID = 0;
  bool fFocusable = true, fHideTabs = false, fHotTrack = false, fMultiLine = false, fOwnerDraw = false;
  bool fRaggedRight = false, fRotate = false, fScrollOpposite = false, fShowFrame = false;
  int fImageBorder = 0, fMaxRotatedTabWidth = 0, fTabHeight = 0, fTabWidth = 0;
  TCustomImageList* fImages = nullptr;
  TkcPCNavigatorPosition fNavigatorPosition = npRightTop;
  TkcPCOptions fOptions = kcPCDefaultOptions;
  TkcTabPosition fTabPosition = tpTop;
  int fTabIndex = -1;
  bool fMultiSelect = false;
  bool fGoDialogShowing = false;
  bool fInLayout = false;
  bool fLayoutPending = false;
};

// A tab control with public properties.
class TkcTabControl : public TkcCustomTabControl {
  VT_CLASS(TkcTabControl, TkcCustomTabControl)
public:
  explicit TkcTabControl(TComponent* AOwner) : TkcCustomTabControl(AOwner) {}
};

using TkcPageChangingEvent = TEvent<void(TObject* Sender, TkcTabSheet* NewPage, bool& AllowChange)>;

// A page of a page control: a container shown while its tab is the active one.
class TkcTabSheet : public TCustomControl {
  VT_CLASS(TkcTabSheet, TCustomControl)
public:
  explicit TkcTabSheet(TComponent* AOwner);
  ~TkcTabSheet() override;
  TkcPageControl* PageControl() const { return fPageControl; }
  void SetPageControl(TkcPageControl* Value);
  bool TabVisible() const { return fTabVisible; }
  void SetTabVisible(bool Value);
  bool Highlighted() const { return fHighlighted; }
  void SetHighlighted(bool Value);
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int Value);
  int PageIndex() const;
  void SetPageIndex(int Value);
  TkcTab* Tab() const { return fTab; }
  // A parent other than a page control is refused silently.
  void SetParent(TWinControl* AParent) override;
  TNotifyEvent OnShow, OnHide;

protected:
  void Paint() override;
  void Dispatch(TMessage& Message) override;

private:
  friend class TkcPageControl;
  void UpdateTab();
  TkcPageControl* fPageControl = nullptr;
  TkcTab* fTab = nullptr;
  bool fTabVisible = true;
  bool fHighlighted = false;
  int fImageIndex = -1;
  bool fAssigning = false;
};

class TkcPageControl : public TkcCustomTabControl {
  VT_CLASS(TkcPageControl, TkcCustomTabControl)
public:
  explicit TkcPageControl(TComponent* AOwner);
  ~TkcPageControl() override;
  TkcTabSheet* ActivePage() const { return fActivePage; }
  void SetActivePage(TkcTabSheet* Value);
  int ActivePageIndex() const;
  int PageCount() const { return int(fPages.size()); }
  TkcTabSheet* Pages(int Index) const { return fPages.at(Index); }
  TkcTabSheet* FindNextPage(TkcTabSheet* ACurrent, bool AGoForward, bool ACheckTabVisible);
  void SelectNextPage(bool AGoForward, bool ACheckTabVisible = true);
  void UpdateTab(TkcTabSheet* APage);
  void UpdateTabs();
  TkcPageChangingEvent OnPageChanging;

  TControl* GetActivePage() override { return fActivePage; }
  TControl* GetTabPage(int ATabIndex) override;
  bool ActiveTabMustBeVisible() override { return true; }
  void CloseActiveTab() override;
  void ImagesChanged() override;
  void RequestLayout() override;
  bool CanChange(int ANewTabIndex) override;
  void Change() override;
  // A click focuses the page control only on the tab of the active page.
  bool CanFocusOnClickAt(int X, int Y) override;
  void Loaded() override;

private:
  friend class TkcTabSheet;
  void InsertPage(TkcTabSheet* APage);
  void RemovePage(TkcTabSheet* APage);
  void ChangeActivePage(TkcTabSheet* APage);
  bool PageChanging(TkcTabSheet* ANewPage);
  void ActivateTabIndexPage();
  TkcTabSheet* fActivePage = nullptr;
  std::vector<TkcTabSheet*> fPages;
  bool fPagesUpdating = false;
};
