#pragma once
// The filter bar of a table view: a full-width strip at the top or bottom with the text of the
// view's filter, a close button that clears it and an activate button that switches it off
// and on.

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
  // Places the bar and its buttons (close at left + 4, activate after it).
  void Place(const TRect& R);
  const std::vector<std::unique_ptr<TkcCustomGridFilterButtonViewInfo>>& Buttons() const { return fButtons; }
  TkcCustomGridHitTest* GetHitTestAt(const TPoint& P);
  void PaintAll(TkcCanvas* ACanvas);
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridFilterHitTest>; }
  void GetTextAreaBounds(TRect& R) override;

protected:
  String GetText() override;
  TkcAlignmentVert GetAlignmentVert() override { return vaCenter; }
  void GetViewParams(TkcVisualParams& P) override;

private:
  std::vector<std::unique_ptr<TkcCustomGridFilterButtonViewInfo>> fButtons;
};
