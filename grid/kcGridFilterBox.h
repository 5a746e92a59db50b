#pragma once
// The filter bar of a table view: a full-width strip at the top or bottom with the text of the
// view's filter, a close button that clears it, an activate button that switches it off and
// on, a customize button that opens the filter builder and a drop-down of recent filters.

#include <memory>
#include <vector>

#include "grid/kcGrid.h"
#include "grid/kcGridTableViewData.h"

class TkcGridTableView;
class TkcGridFilterViewInfo;
class TkcDataFilterCriteria;

class TkcCustomGridFilterButtonViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcCustomGridFilterButtonViewInfo, TkcCustomGridViewCellViewInfo)
public:
  TkcCustomGridFilterButtonViewInfo(TkcGridFilterViewInfo* AFilter);
  TkcGridFilterViewInfo* FilterViewInfo() const { return fFilter; }
  virtual TSize Extent() = 0;
  virtual bool IsAlignedRight() { return false; }
  bool CaptureMouseOnPress() override { return true; }
  bool GetHotTrack() override { return true; }
  bool GetVisible() override;
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;
  // Draws the button over its bounds through the look and feel.
  virtual void DrawButton(TkcCanvas* ACanvas) = 0;

protected:
  TkcDataFilterCriteria* Filter() const;

private:
  TkcGridFilterViewInfo* fFilter;
};

class TkcGridFilterCloseButtonViewInfo : public TkcCustomGridFilterButtonViewInfo {
  VT_CLASS(TkcGridFilterCloseButtonViewInfo, TkcCustomGridFilterButtonViewInfo)
public:
  using TkcCustomGridFilterButtonViewInfo::TkcCustomGridFilterButtonViewInfo;
  TSize Extent() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterCloseButtonHitTest>; }
  void DrawButton(TkcCanvas* ACanvas) override;
  void Click() override;  // clears the filter
};

class TkcGridFilterActivateButtonViewInfo : public TkcCustomGridFilterButtonViewInfo {
  VT_CLASS(TkcGridFilterActivateButtonViewInfo, TkcCustomGridFilterButtonViewInfo)
public:
  using TkcCustomGridFilterButtonViewInfo::TkcCustomGridFilterButtonViewInfo;
  TSize Extent() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterActivateButtonHitTest>; }
  void DrawButton(TkcCanvas* ACanvas) override;  // checked while the filter is active
  void Click() override;                         // switches the filter off and on
};

// "Customize...": a push button at the right end, shown while the filter box offers the
// dialog; it opens the filter builder for the whole filter.
class TkcGridFilterCustomizeButtonViewInfo : public TkcCustomGridFilterButtonViewInfo {
  VT_CLASS(TkcGridFilterCustomizeButtonViewInfo, TkcCustomGridFilterButtonViewInfo)
public:
  using TkcCustomGridFilterButtonViewInfo::TkcCustomGridFilterButtonViewInfo;
  // The caption's size with its offsets, the button's content margins and borders.
  TSize Extent() override;
  bool IsAlignedRight() override { return true; }
  bool GetVisible() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterCustomizeButtonHitTest>; }
  void DrawButton(TkcCanvas* ACanvas) override;
  void Click() override;

private:
  int BorderWidth();
};

// Shown while the view's filter history has entries to offer; it drops the history down.
class TkcGridFilterDropDownButtonViewInfo : public TkcCustomGridFilterButtonViewInfo {
  VT_CLASS(TkcGridFilterDropDownButtonViewInfo, TkcCustomGridFilterButtonViewInfo)
public:
  using TkcCustomGridFilterButtonViewInfo::TkcCustomGridFilterButtonViewInfo;
  TSize Extent() override;
  bool IsAlignedRight() override { return true; }
  bool GetVisible() override;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterDropDownButtonHitTest>; }
  void DrawButton(TkcCanvas* ACanvas) override;
  void Click() override;
};

class TkcGridFilterViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcGridFilterViewInfo, TkcCustomGridViewCellViewInfo)
public:
  explicit TkcGridFilterViewInfo(TkcCustomGridViewInfo* AGridViewInfo);
  ~TkcGridFilterViewInfo() override;
  TkcGridTableView* TableView() const;
  TkcDataFilterCriteria* Filter() const;
  // Shown always, never, or while the filter has conditions.
  bool IsShown();
  // Text height + 10, or the buttons' height + 8 when that is more.
  int CalculateHeight() override;
  // Places the bar and its buttons: close at left + 4 and activate after it, customize at
  // right - 4 and the drop-down left of it (or close after a short filter text).
  void Place(const TRect& R);
  const std::vector<std::unique_ptr<TkcCustomGridFilterButtonViewInfo>>& Buttons() const { return fButtons; }
  TkcCustomGridHitTest* GetHitTestAt(const TPoint& P);
  void PaintAll(TkcCanvas* ACanvas);
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterHitTest>; }
  void GetTextAreaBounds(TRect& R) override;
  // While there are recent filters to offer, the filter's text reacts to the mouse (underlined
  // while hot or pressed) and a click on it drops them down like the drop-down button.
  bool GetHotTrack() override;
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  bool MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState AShift) override;
  void Click() override;
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;

protected:
  String GetText() override;
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;

private:
  // Only the text's own extent reacts, not the rest of the bar.
  bool IsOverText(TkcCustomGridHitTest* AHitTest);
  std::vector<std::unique_ptr<TkcCustomGridFilterButtonViewInfo>> fButtons;
};
