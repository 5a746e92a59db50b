#pragma once
// A scroll bar window drawn entirely by the look-and-feel painter: its own parts, hit test,
// pressed and hot states, a repeat timer for arrows and page areas, and thumb tracking.

#include <memory>

#include "controls/kcControlUtils.h"
#include "controls/kcLookAndFeelPainters.h"
#include "platform/forms/StdCtrls.h"

enum TScrollBarKind { sbHorizontal, sbVertical };
using TScrollEvent = TEvent<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;

// (SM_CXVSCROLL, SM_CYHSCROLL): the width of a vertical bar and the height of a horizontal one.
TSize GetSystemScrollBarSize();

class TkcScrollBar : public TCustomControl {
  VT_CLASS(TkcScrollBar, TCustomControl)
public:
  explicit TkcScrollBar(TComponent* AOwner);
  ~TkcScrollBar() override;

  TScrollBarKind Kind() const { return fKind; }
  void SetKind(TScrollBarKind Value);
  int Min() const { return fMin; }
  int Max() const { return fMax; }
  int PageSize() const { return fPageSize; }
  int Position() const { return fPosition; }
  void SetMin(int Value) { SetScrollParams(Value, fMax, fPosition, fPageSize); }
  void SetMax(int Value) { SetScrollParams(fMin, Value, fPosition, fPageSize); }
  void SetPageSize(int Value) { SetScrollParams(fMin, fMax, fPosition, Value); }
  void SetPosition(int Value) { SetScrollParams(fMin, fMax, Value, fPageSize); }
  // Raises EInvalidOperation "Scrollbar property out of range" for AMax < AMin or a page larger
  // than the range, and keeps the old values.
  void SetScrollParams(int AMin, int AMax, int APosition, int APageSize, bool ARedraw = true);
  int SmallChange = 1;
  int LargeChange = 1;
  bool UnlimitedTracking = false;
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  void SetLookAndFeel(TkcLookAndFeel* Value) { fLookAndFeel->Assign(Value); }
  TkcLookAndFeelPainterClass GetPainter() const;

  TNotifyEvent OnChange;
  TScrollEvent OnScroll;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& Message) override;

  // Geometry (client coordinates), for the control that owns the bar and for tests.
  TkcScrollBarPart HitTest(const TPoint& P) const;
  TRect PartBounds(TkcScrollBarPart APart) const;
  TkcScrollBarPart PressedPart() const { return fPressedPart; }
  TkcScrollBarPart HotPart() const { return fHotPart; }
  TkcTimer* RepeatTimer() const { return fTimer.get(); }

protected:
  virtual void Change();
  virtual void Scroll(TScrollCode AScrollCode, int& AScrollPos);
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  virtual void MouseEnter(TControl* AControl);
  virtual void MouseLeave(TControl* AControl);
  void DoScroll(TScrollCode ACode);
  void CancelScroll();
  void CalculateLayout();

private:
  void CalculateMinThumbSize();
  void CalculateThumb();
  int PositionFromThumb() const;
  void ScrollPart(TkcScrollBarPart APart);
  void RepeatTimerTick(TObject*);
  void LookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues);
  void ThemeChanged();
  TkcButtonState PartState(TkcScrollBarPart APart) const;
  bool IsHorizontal() const { return fKind == sbHorizontal; }
  int TrackStart() const;
  int TrackEnd() const;

  TScrollBarKind fKind = sbHorizontal;
  int fMin = 0, fMax = 100, fPageSize = 0, fPosition = 0;
  std::unique_ptr<TBitmap> fBitmap;
  std::unique_ptr<TkcCanvas> fBitmapCanvas;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  std::unique_ptr<TkcThemeChangedNotificator> fThemeNotificator;
  std::unique_ptr<TkcTimer> fTimer;
  TkcScrollBarPart fPressedPart = sbpNone, fHotPart = sbpNone;
  int fMinThumbSize = 8;
  TRect fFirstButton{}, fSecondButton{}, fThumb{}, fPageBefore{}, fPageAfter{};
  TPoint fDownPoint{};
  int fDownPosition = 0;
  int fDownThumbStart = 0;
};
