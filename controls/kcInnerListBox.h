#pragma once
// The list box a list container puts inside its border: the platform's list box for items,
// selection and keys, with two look-and-feel scroll bars laid over its own, events passed on to
// the container in container coordinates, incremental search by typing, and focus changes
// reported to the container.

#include <memory>

#include "controls/kcContainer.h"
#include "platform/forms/StdCtrls.h"

class TkcCustomInnerListBox : public TListBox, public IkcContainerInnerControl {
  VT_CLASS(TkcCustomInnerListBox, TListBox)
public:
  explicit TkcCustomInnerListBox(TComponent* AOwner);
  ~TkcCustomInnerListBox() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TWinControl* GetControl() override { return this; }
  TkcContainer* GetControlContainer() override { return GetContainerOfControl(Container); }

  TkcContainer* Container = nullptr;
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  TkcScrollBar* HScrollBar() const { return fHScrollBar; }
  TkcScrollBar* VScrollBar() const { return fVScrollBar; }
  const String& SearchText() const { return fSearchText; }

  virtual void DoAutoComplete(char32_t& Key);
  virtual void LookAndFeelChanged(TkcLookAndFeel*, TkcLookAndFeelValues) {
    if (HandleAllocated()) Invalidate();
  }
  virtual bool NeedDrawFocusRect() { return !OnDrawItem; }
  virtual void SetScrollBarsParameters();
  // The corner between the two embedded bars, in the list box's window coordinates (empty
  // unless both show).
  void GetScrollBarsCornerRect(TRect& R);

  void WndProc(TMessage& Message) override;
  void Dispatch(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;

protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void Click() override;
  void DblClick() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void HScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  void VScrollBarScroll(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos);
  std::unique_ptr<TkcCanvas> fCanvas;
  TkcScrollBar* fHScrollBar = nullptr;
  TkcScrollBar* fVScrollBar = nullptr;
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  String fSearchText;
  DWORD fLastKeyTime = 0;
  int fScrollBarsLockCount = 0;
  bool fScrollBarsCalculating = false;
  bool fRedrawLocked = false;
};
