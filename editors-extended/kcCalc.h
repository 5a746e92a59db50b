#pragma once
// The calculator: a keypad control over a four-function engine on long double values, with a
// one-value memory, square root, reciprocal, percent and sign change. It has no display of its
// own: the display text is read and written through two virtual operations, so a host (the
// calc edit's popup) lends it its text box.

#include <array>

#include "controls/kcControls.h"
#include "controls/kcLookAndFeelPainters.h"
#include "editors/kcEdit.h"

enum TkcCalculatorButton {
  cbtBack, cbtCancelEntry, cbtClear, cbtMemoryClear, cbtMemoryRecall, cbtMemoryStore, cbtMemoryAdd,
  cbtDigit0, cbtDigit1, cbtDigit2, cbtDigit3, cbtDigit4, cbtDigit5, cbtDigit6, cbtDigit7, cbtDigit8, cbtDigit9,
  cbtSign, cbtDecimal, cbtDivide, cbtMultiply, cbtSubtract, cbtAdd, cbtSqrt, cbtPercent, cbtReciprocal, cbtEquals,
  cbtNone
};
enum TkcCalculatorStatus { cstStart, cstEntering, cstError };
enum TkcCalculatorBorderStyle { cbsNoBorder, cbsSingleBorder };

struct TkcCalculatorButtonInfo {
  String Caption;
  TColor TextColor = clBlack;
  TRect Bounds{};
  bool Down = false;
  bool Disabled = false;
};

using TkcCalculatorButtonClickEvent = TEvent<void(TObject* Sender, TkcCalculatorButton& AButton)>;
using TkcCalculatorHidePopupEvent = TEvent<void(TObject* Sender, TkcEditCloseUpReason AReason)>;

class TkcCustomCalculator : public TkcControl {
  VT_CLASS(TkcCustomCalculator, TkcControl)
public:
  explicit TkcCustomCalculator(TComponent* AOwner);

  // Engine.
  void ExecuteButton(TkcCalculatorButton AButton);
  // The display as a number: 0 in the error state; a display that is no number raises the
  // conversion error.
  long double GetValue();
  void SetValue(long double AValue);
  void ClearAll();
  void SetError();
  void ResetEngine();
  void CopyToClipboard();
  void PasteFromClipboard();
  TkcCalculatorStatus Status() const { return fStatus; }
  TkcCalculatorButton PendingOperator() const { return fOperator; }
  long double Memory() const { return fMemory; }
  int Precision = 15;
  bool BeepOnError = true;

  // Layout and painting.
  bool AutoFontSize() const { return fAutoFontSize; }
  void SetAutoFontSize(bool Value);
  TkcCalculatorBorderStyle BorderStyle() const { return fBorderStyle; }
  void SetBorderStyle(TkcCalculatorBorderStyle Value);
  bool FocusRectVisible = true;
  void CalculateSize(int& AWidth, int& AHeight);
  void CalculateLayout();
  TkcCalculatorButton ButtonAtPoint(int X, int Y) const;
  const TkcCalculatorButtonInfo& ButtonInfo(TkcCalculatorButton AButton) const { return fButtons[AButton]; }
  TkcCalculatorButton PressedButton() const { return fPressedButton; }
  int FontSize() const { return fFontSize; }

  virtual TkcLookAndFeelPainterClass GetPainter() { return TkcStandardLookAndFeelPainter::Instance(); }
  virtual String GetDisplayText() { return String(); }
  virtual void SetDisplayText(const String&) {}
  virtual void HidePopup(TkcEditCloseUpReason AReason);

  TkcCalculatorButtonClickEvent OnButtonClick;
  TNotifyEvent OnResult;
  TNotifyEvent OnDisplayChange;
  TkcCalculatorHidePopupEvent OnHidePopup;

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  bool HasScrollBars() override { return false; }
  void FontChanged() override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseLeave(TControl* AControl) override;
  void FocusChanged() override;
  // Presses a button from the keyboard (every one but Back runs at once) and releases it.
  void PressButton(TkcCalculatorButton AButton);
  void ReleaseButton();
  bool fIsPopup = false;

private:
  void BeginNumber();
  void RunButton(TkcCalculatorButton AButton);
  // A computed result: one that overflows the displayable range is an error, not a number.
  void SetResult(long double AValue);
  void UpdateMemoryButtons();
  void InvalidateButton(TkcCalculatorButton AButton);
  void DrawButton(TkcCanvas* ACanvas, TkcCalculatorButton AButton);
  std::array<TkcCalculatorButtonInfo, cbtNone> fButtons;
  TkcCalculatorStatus fStatus = cstStart;
  TkcCalculatorButton fOperator = cbtEquals;
  long double fOperand = 0, fMemory = 0;
  bool fAutoFontSize = true;
  TkcCalculatorBorderStyle fBorderStyle = cbsNoBorder;
  int fFontSize = 8, fButtonWidth = 28, fButtonHeight = 22, fLargeButtonWidth = 47, fXOffset = 3, fYOffset = 3;
  int fCalcWidth = 198, fCalcHeight = 131;
  TkcCalculatorButton fDownButton = cbtNone, fActiveButton = cbtNone, fPressedButton = cbtNone;
  bool fTracking = false;
  bool fInLayout = false;
};

class TkcCalculator : public TkcCustomCalculator {
  VT_CLASS(TkcCalculator, TkcCustomCalculator)
public:
  explicit TkcCalculator(TComponent* AOwner) : TkcCustomCalculator(AOwner) {}
};

// The button a key or a typed character stands for (cbtNone: none).
TkcCalculatorButton CalculatorButtonOfKey(WORD AKey, TShiftState AShift);
TkcCalculatorButton CalculatorButtonOfChar(char32_t AChar);
