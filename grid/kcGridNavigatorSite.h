#pragma once
// The table view's record navigator: its buttons act on the view's data controller, and the
// site cell left of the horizontal scroll bar draws it and hands it the mouse.

#include <memory>

#include "editors-extended/kcNavigator.h"
#include "grid/kcGrid.h"

class TkcGridTableView;

class TkcGridViewNavigator : public TObject, public IkcNavigatorOwner, public IkcNavigator {
  VT_CLASS(TkcGridViewNavigator, TObject)
public:
  explicit TkcGridViewNavigator(TkcGridTableView* AView);
  ~TkcGridViewNavigator() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  TkcNavigatorControlButtons* Buttons() { return &fButtons; }
  TkcNavigatorViewInfo* ViewInfo() const { return fViewInfo.get(); }
  // Where the buttons lie now; the site sets it at each layout.
  void SetBounds(const TRect& R);
  // The buttons' natural size for a strip of the given height.
  TSize CalculateSize(int AHeight);

  // IkcNavigatorOwner
  void NavigatorChanged(int AChangeType) override;
  TRect GetNavigatorBounds() override { return fBounds; }
  TkcCustomNavigatorButtons* GetNavigatorButtons() override { return &fButtons; }
  TCanvas* GetNavigatorCanvas() override;
  TWinControl* GetNavigatorControl() override;
  bool GetNavigatorFocused() override;
  TkcLookAndFeel* GetNavigatorLookAndFeel() override;
  TComponent* GetNavigatorOwner() override;
  bool GetNavigatorShowHint() override { return true; }
  bool GetNavigatorTabStop() override { return false; }
  void NavigatorStateChanged() override;
  void RefreshNavigator() override;

  // IkcNavigator
  bool CanDelete() override;
  bool CanEdit() override;
  bool CanInsert() override;
  bool IsActive() override;
  bool IsBof() override;
  bool IsBookmarkAvailable() override;
  bool IsEditing() override;
  bool IsEof() override;
  void ClearBookmark() override;
  void DoAction(int AButtonIndex) override;
  TkcNavigatorControlNotifier* GetNotifier() override { return nullptr; }

private:
  TkcGridTableView* fView;
  TkcNavigatorControlButtons fButtons;
  std::unique_ptr<TkcNavigatorViewInfo> fViewInfo;
  TRect fBounds{};
};

class TkcNavigatorSiteViewInfo : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TkcNavigatorSiteViewInfo, TkcCustomGridViewCellViewInfo)
public:
  explicit TkcNavigatorSiteViewInfo(TkcCustomGridViewInfo* AGridViewInfo);
  TkcGridTableView* TableView() const;
  TkcGridViewNavigator* Navigator() const;
  // The offset plus the buttons' width for a strip of the given height.
  int CalculateWidthFor(int AHeight);
  // Places the site; the buttons take its left part.
  void Place(const TRect& R);
  void PaintAll(TkcCanvas* ACanvas);

  bool GetVisible() override;
  bool GetHotTrack() override { return true; }
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TkcGridNavigatorHitTest>; }
  bool MouseDown(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  bool MouseMove(TkcCustomGridHitTest* AHitTest, TShiftState AShift) override;
  bool MouseUp(TkcCustomGridHitTest* AHitTest, TMouseButton AButton, TShiftState AShift) override;
  void MouseLeave() override;

protected:
  int CalculateHeight() override { return 0; }
  void GetViewParams(TkcVisualParams& P) override;
};
