#pragma once
// The table view's drags: moving a column header within the header, into or out of the group-by
// box; sizing a column by its header's right edge; sizing rows by the bottom edge of a row's
// indicator cell. Feedback goes straight onto the site: two insertion arrows over a saved
// background, and an inverted sizing mark.

#include "grid/kcGrid.h"

class TkcGridTableView;
class TkcGridTableViewInfo;
class TkcGridColumn;
class TkcGridColumnHeaderViewInfo;
class TkcCustomGridRowViewInfo;

class TkcCustomGridTableDragObject : public TkcCustomGridDragAndDropObject {
  VT_CLASS(TkcCustomGridTableDragObject, TkcCustomGridDragAndDropObject)
public:
  using TkcCustomGridDragAndDropObject::TkcCustomGridDragAndDropObject;
  TkcGridTableView* TableView() const;
  TkcGridTableViewInfo* TableViewInfo() const;
  // Whether the last position was a place to drop on.
  bool Accepted = false;
};

class TkcGridColumnHeaderMovingObject : public TkcCustomGridTableDragObject {
  VT_CLASS(TkcGridColumnHeaderMovingObject, TkcCustomGridTableDragObject)
public:
  using TkcCustomGridTableDragObject::TkcCustomGridTableDragObject;
  ~TkcGridColumnHeaderMovingObject() override;
  // 0 nowhere, 1 the customization form, 2 header, 3 group-by box.
  enum TPlace { dpNone = 0, dpCustomizationForm = 1, dpHeader = 2, dpGroupByBox = 3 };
  TkcGridColumn* SourceItem = nullptr;
  int SourcePlace = dpNone;
  int DestinationPlace = dpNone;
  int DestinationZone = -1;
  // Where the arrows stand (empty while hidden).
  TRect ArrowsBounds() const { return fArrowsVisible ? fArrowsRect : TRect{}; }
  // Where the picture of the dragged header is drawn (empty while hidden).
  TRect ImageBounds() const { return fImageVisible ? fImageRect : TRect{}; }
  // The mouse's place inside the picture: where it held the header.
  TPoint HotSpot{};
  void Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) override;
  void BeginDragAndDrop() override;
  void DragAndDrop(const TPoint& P, bool& AAccepted) override;
  void EndDragAndDrop(bool AAccepted) override;
  TCursor GetDragAndDropCursor(bool AAccepted) override;
  void DirtyChanged() override;
  bool CanRemove();

private:
  bool IsValidDestination();
  bool IsOverCustomizationForm(const TPoint& P);
  // Near the left or right edge of the scrolled columns the view scrolls sideways every 35 ms
  // while the mouse stays there: -1 left, 1 right, 0 not.
  void CheckAutoScroll(const TPoint& P);
  void AutoScrollTimer(TObject*);
  int fAutoScrollDirection = 0;
  std::unique_ptr<TkcTimer> fAutoScrollTimer;
  // The picture of the dragged item: its header, or its entry in the customization form.
  void InitDragImage();
  // The insertion place the arrows mark, kept inside the view.
  bool GetArrowsPlace(TRect& R);
  void ShowArrows(bool AShow);
  void ShowImage(bool AShow, const TPoint& P);
  TkcGridColumnHeaderViewInfo* SourceViewInfo();
  bool fArrowsVisible = false, fImageVisible = false;
  // What the drag shows when the site is not being painted.
  bool fArrowsWanted = false, fImageWanted = false;
  TRect fImageRect{};
  std::unique_ptr<TBitmap> fImage, fImageBackground;
  TRect fArrowsRect{};
  std::unique_ptr<TBitmap> fArrowsBackground;
};

// Moving an edge: a column's width or a row's height.
class TkcCustomGridSizingObject : public TkcCustomGridTableDragObject {
  VT_CLASS(TkcCustomGridSizingObject, TkcCustomGridTableDragObject)
public:
  using TkcCustomGridTableDragObject::TkcCustomGridTableDragObject;
  TPoint DestPoint{};
  int StartSize = 0;
  bool GetImmediateStart() override { return true; }
  virtual bool IsHorizontalSizing() { return true; }
  virtual TRect GetSizingItemBounds() = 0;
  virtual int CheckSize(int ASize) { return ASize; }
  int GetDeltaSize() { return IsHorizontalSizing() ? DestPoint.x - StartPoint.x : DestPoint.y - StartPoint.y; }
  int GetCurrentSize() { return CheckSize(StartSize + GetDeltaSize()); }
  TRect GetSizingMarkBounds();
  TCursor GetDragAndDropCursor(bool AAccepted) override;
  void Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) override;
  void DragAndDrop(const TPoint& P, bool& AAccepted) override;
  void BeginDragAndDrop() override;
  void EndDragAndDrop(bool AAccepted) override;
  void DirtyChanged() override;

private:
  void ShowMark(bool AShow);
  bool fMarkVisible = false;
  TRect fMarkRect{};
};

class TkcGridColumnHorzSizingObject : public TkcCustomGridSizingObject {
  VT_CLASS(TkcGridColumnHorzSizingObject, TkcCustomGridSizingObject)
public:
  using TkcCustomGridSizingObject::TkcCustomGridSizingObject;
  TkcGridColumn* Column = nullptr;
  void Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) override;
  TRect GetSizingItemBounds() override;
  int CheckSize(int ASize) override;
  void EndDragAndDrop(bool AAccepted) override;

private:
  TkcGridColumnHeaderViewInfo* Header();
};

class TkcGridRowSizingObject : public TkcCustomGridSizingObject {
  VT_CLASS(TkcGridRowSizingObject, TkcCustomGridSizingObject)
public:
  using TkcCustomGridSizingObject::TkcCustomGridSizingObject;
  int RowIndex = -1;
  bool IsHorizontalSizing() override { return false; }
  void Init(const TPoint& P, TkcCustomGridHitTest* AHitTest) override;
  TRect GetSizingItemBounds() override;
  int CheckSize(int ASize) override { return std::max(ASize, 1); }
  void EndDragAndDrop(bool AAccepted) override;

private:
  TkcCustomGridRowViewInfo* Row();
};

// Column header drags start a header moving object.
using TkcGridColumnMovingObject = TkcGridColumnHeaderMovingObject;
