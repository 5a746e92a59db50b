#pragma once
// Timers, panels, bevels, images, paint boxes, splitters and labeled edits.

#include "platform/forms/StdCtrls.h"

// Ticks on the window layer's timers (the fake clock in tests). An exception from OnTimer
// goes to the application's handler.
class TTimer : public TComponent {
  VT_CLASS(TTimer, TComponent)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool v);
  UINT Interval() const { return fInterval; }
  void SetInterval(UINT v);
  TNotifyEvent OnTimer() const { return fOnTimer; }
  void SetOnTimer(TNotifyEvent e);

private:
  void UpdateTimer();
  void WndProc(TMessage& m);
  bool fEnabled = true;
  UINT fInterval = 1000;
  TNotifyEvent fOnTimer;
  HWND fWindow;
};

enum TPanelBevel { pbNone = bvNone, pbLowered = bvLowered, pbRaised = bvRaised };

class TCustomPanel : public TCustomControl {
  VT_CLASS(TCustomPanel, TCustomControl)
public:
  explicit TCustomPanel(TComponent* AOwner);
  TBevelCut BevelInner() const { return fBevelInner; }
  void SetBevelInner(TBevelCut v);
  TBevelCut BevelOuter() const { return fBevelOuter; }
  void SetBevelOuter(TBevelCut v);
  int BevelWidth() const { return fBevelWidth; }
  void SetBevelWidth(int v);
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment v);
  bool FullRepaint = true;
  void SetBorderStyle(TBorderStyle v) { TWinControl::SetBorderStyle(v); }

protected:
  void AdjustClientRect(TRect& r) override;
  void Paint() override;
  TBevelCut fBevelInner = bvNone, fBevelOuter = bvRaised;
  int fBevelWidth = 1;
  TAlignment fAlignment = taCenter;
};

class TPanel : public TCustomPanel {
  VT_CLASS(TPanel, TCustomPanel)
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
};

enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };
enum TBevelStyle { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
  VT_CLASS(TBevel, TGraphicControl)
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return fShape; }
  void SetShape(TBevelShape v);
  TBevelStyle Style() const { return fStyle; }
  void SetStyle(TBevelStyle v);

protected:
  void Paint() override;

private:
  TBevelShape fShape = bsBox;
  TBevelStyle fStyle = bsLowered;
};

class TImage : public TGraphicControl {
  VT_CLASS(TImage, TGraphicControl)
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() { return fPicture.get(); }
  bool Center() const { return fCenter; }
  void SetCenter(bool v);
  bool Stretch() const { return fStretch; }
  void SetStretch(bool v);
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool v);
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool v);

protected:
  void Paint() override;

private:
  void PictureChanged(TObject*);
  std::unique_ptr<TPicture> fPicture;
  bool fCenter = false, fStretch = false, fTransparent = false, fAutoSize = false;
};

class TPaintBox : public TGraphicControl {
  VT_CLASS(TPaintBox, TGraphicControl)
public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

enum TResizeStyle { rsNone, rsLine, rsUpdate, rsPattern };
using TCanResizeEvent = TEvent<void(TObject* Sender, int& NewSize, bool& Accept)>;

// Drags the edge of the control aligned beside it; the control keeps at least MinSize, and so
// does the space left for the client-aligned control.
class TSplitter : public TGraphicControl {
  VT_CLASS(TSplitter, TGraphicControl)
public:
  explicit TSplitter(TComponent* AOwner);
  bool Beveled = false;
  int MinSize = 30;
  TResizeStyle ResizeStyle = rsPattern;
  bool AutoSnap = true;
  TCanResizeEvent OnCanResize;
  TNotifyEvent OnMoved;
  // The control the splitter resizes (null when none is beside it).
  TControl* FindControl();

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Dispatch(TMessage& m) override;

private:
  void UpdateSize(TPoint screen);
  TControl* fControl = nullptr;
  TPoint fDownPos;
  int fStartSize = 0;
  bool fDragging = false;
};

enum TLabelPosition { lpAbove, lpBelow, lpLeft, lpRight };

// The label of a labelled edit: when its text or font changes its size, the edit places it again,
// so that it keeps its distance from the edit.
class TBoundLabel : public TCustomLabel {
  VT_CLASS(TBoundLabel, TCustomLabel)
public:
  explicit TBoundLabel(TComponent* AOwner) : TCustomLabel(AOwner) {}
  void Dispatch(TMessage& m) override;
};

// An edit with a label kept beside it on the same parent.
class TLabeledEdit : public TCustomEdit {
  VT_CLASS(TLabeledEdit, TCustomEdit)
public:
  explicit TLabeledEdit(TComponent* AOwner);
  ~TLabeledEdit() override;
  TBoundLabel* EditLabel() const { return fLabel; }
  TLabelPosition LabelPosition() const { return fLabelPosition; }
  void SetLabelPosition(TLabelPosition v);
  int LabelSpacing() const { return fLabelSpacing; }
  void SetLabelSpacing(int v);
  void SetParent(TWinControl* AParent) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void Dispatch(TMessage& m) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TBoundLabel;
  void PlaceLabel();
  TBoundLabel* fLabel;
  TLabelPosition fLabelPosition = lpAbove;
  int fLabelSpacing = 3;
};
