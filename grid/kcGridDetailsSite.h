#pragma once
// The rectangle in which a level shows the view of its active child level: framed by the
// level's detail frame and, when the level asks for them, with a strip of tabs (one per visible
// child level) on the left or the top. The grid uses one for its root level; a tab is a cell
// that is measured, painted through the look-and-feel painter, hit-tested and, when clicked or
// its caption's accelerator is pressed, makes its level the active one.

#include "grid/kcGrid.h"

class TkcCustomGridDetailsSiteTabsViewInfo;
class TkcCustomGridDetailsSiteTabViewInfo;

class TkcCustomGridDetailsSiteViewInfo : public TObject {
  VT_CLASS(TkcCustomGridDetailsSiteViewInfo, TObject)
public:
  explicit TkcCustomGridDetailsSiteViewInfo(TkcGridLevel* ALevel);
  ~TkcCustomGridDetailsSiteViewInfo() override;
  // Makes the tab strip; a constructor cannot reach the subclass's choice of strip.
  void Init();

  TRect Bounds{};
  TkcGridLevel* Level() const { return fLevel; }
  TkcCustomGridDetailsSiteTabsViewInfo* TabsViewInfo() const { return fTabsViewInfo.get(); }
  bool FullyVisible() const { return fFullyVisible; }
  int NormalHeight() const { return fNormalHeight; }

  virtual int CalculateHeight();
  virtual int CalculateWidth();
  virtual TColor GetBackgroundColor();
  virtual TkcCanvas* GetCanvas() = 0;
  // Bounds less the tab strip, inset by the frame.
  virtual void GetClientBounds(TRect& R);
  virtual int GetEmptyClientHeight() { return 100; }
  virtual int GetEmptyClientWidth() { return 200; }
  virtual TColor GetFrameColor() { return fLevel->GetEffectiveDetailFrameColor(); }
  virtual int GetFrameWidth() { return fLevel->DetailFrameWidth(); }
  virtual int GetHeight() { return CalculateHeight(); }
  virtual int GetWidth() { return CalculateWidth(); }
  virtual TkcLookAndFeelPainterClass GetLookAndFeelPainter() = 0;
  virtual int GetMaxHeight() = 0;
  virtual int GetMaxNormalHeight() { return 0x7FFFFFFF; }
  virtual int GetMaxWidth() = 0;
  virtual int GetMinWidth() { return GetMaxWidth(); }
  virtual TFont* GetFont() { return nullptr; }
  // The view of the active child level; nil when there is none or it is being destroyed.
  TkcCustomGridView* GetActiveGridView();
  virtual TkcGridLevel* GetActiveLevel() = 0;
  virtual bool GetVisible() { return true; }
  virtual void InitTabHitTest(TkcCustomGridHitTest* AHitTest) = 0;
  virtual void ChangeActiveTab(TkcGridLevel* ALevel) = 0;
  virtual bool SupportsTabAccels() { return false; }
  virtual void VisibilityChanged(bool AVisible);

  void Calculate(int ALeft, int ATop);
  // The tab under the point, else the active view's hit test there; nil for none.
  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  // Frame, tab strip and background; the site's bounds are then left out of the clip.
  void Paint(TkcCanvas* ACanvas);

protected:
  virtual TkcCustomGridView* FindActiveGridView() = 0;
  virtual TkcCustomGridDetailsSiteTabsViewInfo* CreateTabsViewInfo();
  // The frame and the tab strip around the client area.
  int NonClientWidth();
  int NonClientHeight();

private:
  TkcGridLevel* fLevel;
  std::unique_ptr<TkcCustomGridDetailsSiteTabsViewInfo> fTabsViewInfo;
  bool fFullyVisible = true;
  int fNormalHeight = 0;
};

// The grid's root site: the top-level views fill the grid's client area.
class TkcGridTopDetailsSiteViewInfo : public TkcCustomGridDetailsSiteViewInfo {
  VT_CLASS(TkcGridTopDetailsSiteViewInfo, TkcCustomGridDetailsSiteViewInfo)
public:
  explicit TkcGridTopDetailsSiteViewInfo(TkcCustomGrid* AGrid);
  TkcCustomGrid* Grid() const { return fGrid; }
  int CalculateHeight() override { return GetMaxHeight(); }
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
  void VisibilityChanged(bool AVisible) override;

protected:
  TkcCustomGridView* FindActiveGridView() override;

private:
  TkcCustomGrid* fGrid;
};

// The strip of tabs; its size is measured once and kept.
class TkcCustomGridDetailsSiteTabsViewInfo : public TObject {
  VT_CLASS(TkcCustomGridDetailsSiteTabsViewInfo, TObject)
public:
  explicit TkcCustomGridDetailsSiteTabsViewInfo(TkcCustomGridDetailsSiteViewInfo* ASite);
  ~TkcCustomGridDetailsSiteTabsViewInfo() override;
  // Makes one tab per visible child level.
  void Init();

  TRect Bounds{};
  TkcCustomGridDetailsSiteViewInfo* Site() const { return fSite; }
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcCustomGridDetailsSiteTabViewInfo* Items(int AIndex) const {
    return fItems.at(static_cast<std::size_t>(AIndex)).get();
  }
  int Height();
  int Width();

  virtual int CalculateLength();
  virtual int CalculateThickness();
  virtual void AdjustSiteHeight(int&) {}
  virtual void AdjustSiteWidth(int&) {}
  virtual int GetTabOverlap() = 0;
  virtual TColor GetBackgroundColor();
  virtual bool IsVertical() = 0;
  virtual int GetTabExtentAlong(TkcCustomGridDetailsSiteTabViewInfo* ATab);
  virtual int GetTabExtentAcross(TkcCustomGridDetailsSiteTabViewInfo* ATab);
  virtual TkcBorders GetTabsAreaBorders() = 0;
  virtual void GetTabsAreaBounds(TRect& R) = 0;
  virtual void Calculate(const TRect& ABounds);
  virtual void AdjustClientBounds(TRect& R) = 0;
  TkcCustomGridHitTest* GetHitTest(const TPoint& P);
  bool ProcessDialogChar(char32_t AKey);
  void Paint(TkcCanvas* ACanvas);

protected:
  virtual TkcCustomGridDetailsSiteTabViewInfo* CreateTab(TkcGridLevel* ALevel, int AVisibleIndex) = 0;

private:
  TkcCustomGridDetailsSiteViewInfo* fSite;
  std::vector<std::unique_ptr<TkcCustomGridDetailsSiteTabViewInfo>> fItems;
  int fHeight = 0, fWidth = 0;
};

class TkcGridDetailsSiteLeftTabsViewInfo : public TkcCustomGridDetailsSiteTabsViewInfo {
  VT_CLASS(TkcGridDetailsSiteLeftTabsViewInfo, TkcCustomGridDetailsSiteTabsViewInfo)
public:
  using TkcCustomGridDetailsSiteTabsViewInfo::TkcCustomGridDetailsSiteTabsViewInfo;
  int GetTabOverlap() override { return 3; }
  bool IsVertical() override { return true; }
  TkcBorders GetTabsAreaBorders() override { return {bLeft, bTop, bBottom}; }
  void GetTabsAreaBounds(TRect& R) override;
  void Calculate(const TRect& ABounds) override;
  void AdjustClientBounds(TRect& R) override { R.left += Width(); }
  void AdjustSiteHeight(int& AHeight) override { AHeight = std::max(AHeight, Height()); }

protected:
  TkcCustomGridDetailsSiteTabViewInfo* CreateTab(TkcGridLevel* ALevel, int AVisibleIndex) override;
};

class TkcGridDetailsSiteTopTabsViewInfo : public TkcCustomGridDetailsSiteTabsViewInfo {
  VT_CLASS(TkcGridDetailsSiteTopTabsViewInfo, TkcCustomGridDetailsSiteTabsViewInfo)
public:
  using TkcCustomGridDetailsSiteTabsViewInfo::TkcCustomGridDetailsSiteTabsViewInfo;
  int GetTabOverlap() override { return 2; }
  bool IsVertical() override { return false; }
  TkcBorders GetTabsAreaBorders() override { return {bLeft, bTop, bRight}; }
  void GetTabsAreaBounds(TRect& R) override;
  void Calculate(const TRect& ABounds) override;
  void AdjustClientBounds(TRect& R) override { R.top += Height(); }
  void AdjustSiteWidth(int& AWidth) override { AWidth = std::max(AWidth, Width()); }

protected:
  TkcCustomGridDetailsSiteTabViewInfo* CreateTab(TkcGridLevel* ALevel, int AVisibleIndex) override;
};

class TkcCustomGridDetailsSiteTabViewInfo : public TkcCustomGridCellViewInfo {
  VT_CLASS(TkcCustomGridDetailsSiteTabViewInfo, TkcCustomGridCellViewInfo)
public:
  TkcCustomGridDetailsSiteTabViewInfo(TkcCustomGridDetailsSiteTabsViewInfo* ATabs, TkcGridLevel* ALevel,
                                      int AVisibleIndex)
      : fTabs(ATabs), fLevel(ALevel), fVisibleIndex(AVisibleIndex) {}
  TkcCustomGridDetailsSiteTabsViewInfo* TabsViewInfo() const { return fTabs; }
  TkcGridLevel* Level() const { return fLevel; }
  int VisibleIndex() const { return fVisibleIndex; }
  bool IsActive() const;
  bool IsFirst() const { return fVisibleIndex == 0; }
  bool IsLast() const { return fVisibleIndex == fTabs->Count() - 1; }
  // Leading: the first tab or one after an inactive tab; trailing: the last or one before an
  // inactive tab.
  bool HasLeadingBorder() const;
  bool HasTrailingBorder() const;
  virtual TkcGridCellState GetTabState() { return IsActive() ? gcsPressed : State(); }
  // The tab's natural extents, borders included.
  int MeasureWidth() {
    CalculateParamsIfNeeded();
    return CalculateWidth();
  }
  int MeasureHeight() {
    CalculateParamsIfNeeded();
    return CalculateHeight();
  }
  virtual bool ProcessDialogChar(char32_t AKey);

  TkcBorders GetBorders() override = 0;
  int GetBorderWidth(TkcBorder) override;
  TkcCanvas* GetCanvas() override { return fTabs->Site()->GetCanvas(); }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridDetailsSiteTabHitTest>; }
  bool GetHotTrack() override { return false; }
  bool GetFocused() override { return false; }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  void GetTextAreaBounds(TRect& R) override;
  int GetTextAttributes(bool AForPainting) override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;

protected:
  // The tab's own extent without borders: the text and its offsets.
  int TextExtentHeight() { return TextHeight() + 4; }
  int TextExtentWidth() { return TextWidth() + 4 + 10; }
  String GetText() override { return fLevel->Caption(); }
  TAlignment GetAlignmentHorz() override { return taCenter; }
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;
  void InitHitTest(TkcCustomGridHitTest* AHitTest) override;
  int BorderWidthIf(TkcBorder ASide) { return Borders.Contains(ASide) ? GetBorderWidth(ASide) : 0; }

private:
  TkcCustomGridDetailsSiteTabsViewInfo* fTabs;
  TkcGridLevel* fLevel;
  int fVisibleIndex;
};

class TkcGridDetailsSiteLeftTabViewInfo : public TkcCustomGridDetailsSiteTabViewInfo {
  VT_CLASS(TkcGridDetailsSiteLeftTabViewInfo, TkcCustomGridDetailsSiteTabViewInfo)
public:
  using TkcCustomGridDetailsSiteTabViewInfo::TkcCustomGridDetailsSiteTabViewInfo;
  TkcBorders GetBorders() override;

protected:
  int CalculateHeight() override;
  int CalculateWidth() override;
  void AfterCalculateBounds(TRect& R) override;
};

class TkcGridDetailsSiteTopTabViewInfo : public TkcCustomGridDetailsSiteTabViewInfo {
  VT_CLASS(TkcGridDetailsSiteTopTabViewInfo, TkcCustomGridDetailsSiteTabViewInfo)
public:
  using TkcCustomGridDetailsSiteTabViewInfo::TkcCustomGridDetailsSiteTabViewInfo;
  TkcBorders GetBorders() override;

protected:
  int CalculateHeight() override;
  int CalculateWidth() override;
  void AfterCalculateBounds(TRect& R) override;
};
