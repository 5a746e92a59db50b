#pragma once
// The borderless stay-on-top form that drop-downs derive from: placed against a rectangle of an
// owner control, below, above or beside it, flipped to the side with more room on the monitor's
// work area, sized to its children, framed, and closed when it or the application loses the
// activation.

#include <memory>

#include "controls/kcControlUtils.h"
#include "controls/kcGraphics.h"
#include "platform/forms/Forms.h"

class TkcPopupWindow : public TForm {
  VT_CLASS(TkcPopupWindow, TForm)
public:
  explicit TkcPopupWindow(TComponent* AOwner = nullptr);
  ~TkcPopupWindow() override;

  TControl* OwnerParent() const { return fOwnerParent; }
  void SetOwnerParent(TControl* Value);
  TRect OwnerBounds{};
  int PopupDirection = 1;  // 0 beside the owner, 1 above or below it
  int HorzAlignment = 0;   // 0, 1 centred, 2
  int VertAlignment = 2;   // 0, 1 centred, 2
  int PopupBorderStyle() const { return fPopupBorderStyle; }
  // 0 none, 1 flat frame, 2 single raised edge, 3 double raised edge.
  void SetPopupBorderStyle(int Value);
  int FrameSpacing = 0;
  TColor FlatFrameColor = clWindowText;
  bool AutoSizeToContent = true;
  TkcCanvas* KcCanvas() const { return fKcCanvas.get(); }

  virtual void CalculatePosition(TPoint& P);
  virtual void CalculateSize();
  virtual int GetEdgeWidth(int /*ASide*/) { return GetBorderWidth() + FrameSpacing; }
  virtual int GetBorderWidth();
  virtual void GetOwnerScreenBounds(TRect& R);
  virtual void InitPopup();
  virtual void DrawFrame();
  virtual void ClosePopup() { Hide(); }
  virtual void Popup();
  int GetHorizontalEdgesWidth() { return GetEdgeWidth(0) + GetEdgeWidth(2); }
  void Dispatch(TMessage& Message) override;

protected:
  void Deactivate() override;
  void PaintWindow(HDC dc) override;
  virtual void VisibleChanged() {}
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  std::unique_ptr<TkcCanvas> fKcCanvas;
  TControl* fOwnerParent = nullptr;
  int fPopupBorderStyle = 0;
  // The left and top offsets already applied to the children, so that showing again does not
  // move them (or grow the form) once more.
  int fAppliedLeft = 0, fAppliedTop = 0;
  HWND fPrevActiveWindow;
};
