#include "editors-extended/kcCalc.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "controls/kcGraphics.h"
#include "controls/kcLocalize.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Math.h"
#include "platform/core/SysUtils.h"
#include "platform/forms/Clipbrd.h"

namespace {

constexpr TColor kMaroon = static_cast<TColor>(0x000080), kRed = static_cast<TColor>(0x0000FF),
                 kBlue = static_cast<TColor>(0xFF0000), kNavy = static_cast<TColor>(0x800000);

bool IsOperator(TkcCalculatorButton b) { return b >= cbtDivide && b <= cbtAdd; }

String RemoveAll(String AText, const String& APart) {
  if (APart.empty()) return AText;
  for (std::size_t p = AText.find(APart); p != String::npos; p = AText.find(APart, p)) AText.erase(p, APart.size());
  return AText;
}

}  // namespace

TkcCalculatorButton CalculatorButtonOfKey(WORD AKey, TShiftState AShift) {
  const bool ctrl = AShift.Contains(ssCtrl);
  switch (AKey) {
    case VK_RETURN: return cbtEquals;
    case VK_ESCAPE: return cbtClear;
    case VK_DELETE: return cbtCancelEntry;
    case VK_F9: return cbtSign;
    case 'C': return ctrl ? cbtNone : cbtClear;
    case 'R': return ctrl ? cbtMemoryRecall : cbtReciprocal;
    case 'L': return ctrl ? cbtMemoryClear : cbtNone;
    case 'M': return ctrl ? cbtMemoryStore : cbtNone;
    case 'P': return ctrl ? cbtMemoryAdd : cbtNone;
    default: return cbtNone;
  }
}

TkcCalculatorButton CalculatorButtonOfChar(char32_t AChar) {
  if (AChar >= U'0' && AChar <= U'9') return static_cast<TkcCalculatorButton>(cbtDigit0 + (AChar - U'0'));
  switch (AChar) {
    case 8: return cbtBack;
    case U'.':
    case U',': return cbtDecimal;
    case U'/': return cbtDivide;
    case U'*': return cbtMultiply;
    case U'-': return cbtSubtract;
    case U'+': return cbtAdd;
    case U'@': return cbtSqrt;
    case U'%': return cbtPercent;
    case U'=': return cbtEquals;
    default: return cbtNone;
  }
}

TkcCustomCalculator::TkcCustomCalculator(TComponent* AOwner) : TkcControl(AOwner) {
  TControlStyle s = ControlStyle();
  s.Include(csCaptureMouse);
  s.Include(csOpaque);
  s.Exclude(csDoubleClicks);
  SetControlStyle(s);
  SetParentColor(false);
  SetColor(clBtnFace);
  SetTabStop(true);
  SetKeys({kAll, kArrows, kChars, kTab});
  static const char* const captions[] = {"Back", "CE", "C", "MC", "MR", "MS", "M+", "0", "1", "2", "3", "4", "5", "6",
                                         "7",    "8",  "9", "+/-", "", "/", "*", "-", "+", "sqrt", "%", "1/x", "="};
  for (int i = 0; i < cbtNone; ++i) {
    fButtons[i].Caption = captions[i];
    const auto b = static_cast<TkcCalculatorButton>(i);
    fButtons[i].TextColor = b <= cbtClear                                ? kMaroon
                            : b <= cbtMemoryAdd                          ? kRed
                            : b <= cbtDecimal                            ? kBlue
                            : b <= cbtAdd || b == cbtEquals              ? kRed
                                                                         : kNavy;
  }
  fButtons[cbtDecimal].Caption = String(1, FormatSettings.DecimalSeparator);
  // A new calculator has its nominal size; the size rule applies from the first resize on.
  fInLayout = true;
  SetBounds(Left(), Top(), 198, 131);
  fInLayout = false;
  CalculateLayout();
}

void TkcCustomCalculator::CreateParams(TCreateParams& Params) {
  TkcControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | WS_TABSTOP;
  Params.WindowClass.style &= ~CS_DBLCLKS;
  if (!fIsPopup && fBorderStyle == cbsSingleBorder) Params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TkcCustomCalculator::SetAutoFontSize(bool Value) {
  if (fAutoFontSize == Value) return;
  fAutoFontSize = Value;
  SetBounds(Left(), Top(), Width(), Height());
  Invalidate();
}

void TkcCustomCalculator::SetBorderStyle(TkcCalculatorBorderStyle Value) {
  if (fBorderStyle == Value) return;
  fBorderStyle = Value;
  RecreateWnd();
}

void TkcCustomCalculator::HidePopup(TkcEditCloseUpReason AReason) {
  if (OnHidePopup) OnHidePopup(this, AReason);
}

// ---- Engine ---------------------------------------------------------------------------------

long double TkcCustomCalculator::GetValue() {
  if (fStatus == cstError) return 0;
  String text = Trim(GetDisplayText());
  if (text.empty()) text = "0";
  text = RemoveAll(text, String(1, FormatSettings.ThousandSeparator));
  return StrToFloat(text);
}

void TkcCustomCalculator::SetValue(long double AValue) {
  const String text = FloatToStrF(static_cast<double>(AValue), ffGeneral, std::max(2, Precision), 0);
  if (text == GetDisplayText()) return;
  SetDisplayText(text);
  if (OnDisplayChange) OnDisplayChange(this);
}

void TkcCustomCalculator::SetResult(long double AValue) {
  if (!std::isfinite(AValue) || std::fabs(AValue) > static_cast<long double>(DBL_MAX))
    SetError();
  else
    SetValue(AValue);
}

void TkcCustomCalculator::SetError() {
  fStatus = cstError;
  SetDisplayText(LocalizeText("Error"));
  if (BeepOnError) MessageBeep(0);
}

void TkcCustomCalculator::ClearAll() {
  fStatus = cstStart;
  SetValue(0);
  fOperator = cbtEquals;
}

void TkcCustomCalculator::ResetEngine() {
  fOperator = cbtEquals;
  fStatus = cstStart;
  fMemory = 0;
}

void TkcCustomCalculator::BeginNumber() {
  if (fStatus != cstStart) return;
  fStatus = cstEntering;
  SetDisplayText("0");
}

void TkcCustomCalculator::UpdateMemoryButtons() {
  const bool empty = fMemory == 0;
  fButtons[cbtMemoryClear].Disabled = empty;
  fButtons[cbtMemoryRecall].Disabled = empty;
  InvalidateButton(cbtMemoryClear);
  InvalidateButton(cbtMemoryRecall);
}

void TkcCustomCalculator::ExecuteButton(TkcCalculatorButton AButton) {
  if (OnButtonClick) OnButtonClick(this, AButton);
  if (AButton == cbtNone) return;
  if (fStatus == cstError && AButton != cbtCancelEntry && AButton != cbtClear) {
    SetError();
    return;
  }
  // A display the user typed into may be no number (a lone "-"): the button then shows the
  // error instead of failing from a key or mouse handler.
  try {
    RunButton(AButton);
  } catch (const EConvertError&) {
    SetError();
  }
}

void TkcCustomCalculator::RunButton(TkcCalculatorButton AButton) {
  const char decimal = FormatSettings.DecimalSeparator;
  switch (AButton) {
    case cbtDecimal: {
      BeginNumber();
      const String text = GetDisplayText();
      if (text.find(decimal) == String::npos) SetDisplayText(text + decimal);
      break;
    }
    case cbtBack: {
      BeginNumber();
      const String text = GetDisplayText();
      if (text.size() <= 1 || (text.size() == 2 && text[0] == '-'))
        SetDisplayText("0");
      else
        SetDisplayText(text.substr(0, text.size() - 1));
      break;
    }
    case cbtSign: SetResult(-GetValue()); break;
    case cbtSqrt:
    case cbtReciprocal: {
      fStatus = IsOperator(fOperator) ? cstEntering : cstStart;
      const long double x = GetValue();
      if (AButton == cbtSqrt ? x < 0 : x == 0)
        SetError();
      else
        SetResult(AButton == cbtSqrt ? std::sqrt(x) : 1 / x);
      break;
    }
    case cbtDivide:
    case cbtMultiply:
    case cbtSubtract:
    case cbtAdd:
    case cbtPercent:
    case cbtEquals: {
      if (fStatus == cstEntering) {
        fStatus = cstStart;
        long double y = GetValue();
        if (AButton == cbtPercent) {
          if (fOperator == cbtDivide || fOperator == cbtMultiply)
            y = y / 100;
          else if (fOperator == cbtSubtract || fOperator == cbtAdd)
            y = fOperand * y / 100;
        }
        switch (fOperator) {
          case cbtDivide:
            if (y == 0)
              SetError();
            else
              SetResult(fOperand / y);
            break;
          case cbtMultiply: SetResult(fOperand * y); break;
          case cbtSubtract: SetResult(fOperand - y); break;
          case cbtAdd: SetResult(fOperand + y); break;
          default: break;
        }
      }
      fOperator = AButton;
      fOperand = GetValue();
      if ((AButton == cbtPercent || AButton == cbtEquals) && OnResult) OnResult(this);
      break;
    }
    case cbtCancelEntry:
    case cbtClear: ClearAll(); break;
    case cbtMemoryClear:
      fMemory = 0;
      UpdateMemoryButtons();
      break;
    case cbtMemoryAdd:
    case cbtMemoryStore:
      fStatus = cstStart;
      fMemory = AButton == cbtMemoryAdd ? fMemory + GetValue() : GetValue();
      UpdateMemoryButtons();
      break;
    case cbtMemoryRecall:
      fStatus = cstStart;
      BeginNumber();
      // M+ can sum past what a display shows: recalling that is an error, not "INF".
      SetResult(fMemory);
      break;
    default: {  // a digit
      BeginNumber();
      String text = GetDisplayText();
      if (text == "0") text.clear();
      const std::size_t limit = (text.find('-') != String::npos ? 1 : 0) + std::max(2, Precision);
      if (text.size() < limit)
        SetDisplayText(text + static_cast<char>('0' + (AButton - cbtDigit0)));
      else if (BeepOnError)
        MessageBeep(0);
      break;
    }
  }
}

void TkcCustomCalculator::CopyToClipboard() { Clipboard()->SetAsText(GetDisplayText()); }

void TkcCustomCalculator::PasteFromClipboard() {
  if (!Clipboard()->HasText()) return;
  try {
    const String text = Trim(RemoveAll(Clipboard()->AsText(), FormatSettings.CurrencyString));
    SetValue(StrToFloat(text));
    fStatus = cstEntering;
  } catch (const Exception&) {
    SetValue(0);
  }
}

// ---- Layout ---------------------------------------------------------------------------------

void TkcCustomCalculator::CalculateSize(int& AWidth, int& AHeight) {
  int h;
  if (fAutoFontSize) {
    const int available = std::min(AHeight, MulDiv(AWidth, 131, 198));
    auto total = [](int x) { return 5 * x + 6 * MulDiv(x, 3, 22); };
    h = 22;
    while (std::abs(total(h + 1) - available) < std::abs(total(h) - available)) ++h;
  } else {
    TkcScreenCanvas canvas;
    canvas.SetFont(Font());
    h = 2 * canvas.TextHeight("Qq");
  }
  fButtonHeight = h;
  fButtonWidth = MulDiv(h, 28, 22);
  fXOffset = fYOffset = MulDiv(h, 3, 22);
  fLargeButtonWidth = MulDiv(fButtonWidth, 17, 10);
  fFontSize = MulDiv(h, 8, 22);
  AHeight = fCalcHeight = 5 * h + 6 * fYOffset;
  AWidth = fCalcWidth = 6 * fButtonWidth + 8 * fXOffset + 4;
  CalculateLayout();
}

void TkcCustomCalculator::CalculateLayout() {
  const int x = fXOffset, y = fYOffset, w = fButtonWidth, h = fButtonHeight, L = fLargeButtonWidth;
  auto rowTop = [&](int r) { return r * (y + h) + y; };
  auto rowBottom = [&](int r) { return (r + 1) * (y + h); };
  const TkcCalculatorButton memory[] = {cbtMemoryClear, cbtMemoryRecall, cbtMemoryStore, cbtMemoryAdd};
  for (int r = 1; r <= 4; ++r) fButtons[memory[r - 1]].Bounds = Rect(x, rowTop(r), x + w, rowBottom(r));
  const int x0 = w + 2 * x + 4;
  static const TkcCalculatorButton grid[4][5] = {
      {cbtDigit7, cbtDigit8, cbtDigit9, cbtDivide, cbtSqrt},
      {cbtDigit4, cbtDigit5, cbtDigit6, cbtMultiply, cbtPercent},
      {cbtDigit1, cbtDigit2, cbtDigit3, cbtSubtract, cbtReciprocal},
      {cbtDigit0, cbtSign, cbtDecimal, cbtAdd, cbtEquals}};
  for (int r = 1; r <= 4; ++r)
    for (int c = 0; c < 5; ++c)
      fButtons[grid[r - 1][c]].Bounds = Rect(x + x0 + c * (x + w), rowTop(r), x0 + (c + 1) * (x + w), rowBottom(r));
  const int right = x0 + 5 * (x + w);
  fButtons[cbtClear].Bounds = Rect(right - L, y, right, y + h);
  fButtons[cbtCancelEntry].Bounds = Rect(right - L - y - L, y, right - L - y, y + h);
  fButtons[cbtBack].Bounds = Rect(right - 3 * L - 2 * y, y, right - 2 * L - 2 * y, y + h);
  ResetEngine();
  UpdateMemoryButtons();
}

TkcCalculatorButton TkcCustomCalculator::ButtonAtPoint(int X, int Y) const {
  const POINT p{X, Y};
  for (int i = 0; i < cbtNone; ++i)
    if (PtInRect(&fButtons[i].Bounds, p)) return static_cast<TkcCalculatorButton>(i);
  return cbtNone;
}

bool TkcCustomCalculator::CanResize(int& NewWidth, int& NewHeight) {
  if (fInLayout) return TkcControl::CanResize(NewWidth, NewHeight);
  fInLayout = true;
  // The keypad fills the client area: a border is no room for buttons.
  const int borderWidth = Width() - ClientWidth(), borderHeight = Height() - ClientHeight();
  int width = NewWidth - borderWidth, height = NewHeight - borderHeight;
  CalculateSize(width, height);
  NewWidth = width + borderWidth;
  NewHeight = height + borderHeight;
  fInLayout = false;
  return TkcControl::CanResize(NewWidth, NewHeight);
}

void TkcCustomCalculator::FontChanged() {
  TkcControl::FontChanged();
  if (!ComponentState().Contains(csLoading)) SetParentFont(false);
  if (!fAutoFontSize) SetBounds(Left(), Top(), Width(), Height());
  Invalidate();
}

// ---- Painting -------------------------------------------------------------------------------

void TkcCustomCalculator::InvalidateButton(TkcCalculatorButton AButton) {
  if (AButton == cbtNone || !HandleAllocated()) return;
  RECT r = fButtons[AButton].Bounds;
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TkcCustomCalculator::DrawButton(TkcCanvas* ACanvas, TkcCalculatorButton AButton) {
  TkcCalculatorButtonInfo& b = fButtons[AButton];
  TkcButtonState state = kcbsNormal;
  if (b.Disabled || !Enabled())
    state = kcbsDisabled;
  else if (b.Down)
    state = kcbsPressed;
  else if (AButton == fActiveButton && AButton != fDownButton)
    state = kcbsHot;
  else if (AButton == cbtEquals && Focused())
    state = kcbsDefault;
  TkcLookAndFeelPainterClass painter = GetPainter();
  painter->DrawButton(ACanvas, b.Bounds, "", state);
  TRect text = b.Bounds;
  if (state == kcbsPressed) {
    const int shift = painter->GetButtonPressedShift();
    OffsetRect(&text, shift, shift);
  }
  ACanvas->Font()->SetColor(b.TextColor);
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->DrawText(b.Caption, text, kctfHCenter | kctfVCenter | kctfSingleLine, state != kcbsDisabled);
  ACanvas->Brush()->SetStyle(bsSolid);
  if (AButton == cbtEquals && Focused() && FocusRectVisible) {
    TRect focus = b.Bounds;
    InflateRect(&focus, -3, -3);
    ACanvas->DrawFocusRect(focus);
  }
}

void TkcCustomCalculator::Paint() {
  TkcCanvas* c = Canvas();
  c->FillRect(fIsPopup ? TRect(ClientRect()) : GetBounds(), Color());
  c->SetFont(Font());
  if (fAutoFontSize) {
    c->Font()->SetSize(fFontSize);
    TFontStyles style = c->Font()->Style();
    if (fFontSize >= 10)
      style.Include(fsBold);
    else
      style.Exclude(fsBold);
    c->Font()->SetStyle(style);
  }
  for (int i = 0; i < cbtNone; ++i)
    if (c->RectVisible(fButtons[i].Bounds)) DrawButton(c, static_cast<TkcCalculatorButton>(i));
}

void TkcCustomCalculator::FocusChanged() {
  TkcControl::FocusChanged();
  InvalidateButton(cbtEquals);
}

// ---- Keyboard and mouse ---------------------------------------------------------------------

void TkcCustomCalculator::PressButton(TkcCalculatorButton AButton) {
  if (AButton == cbtNone || AButton == fPressedButton) return;
  ReleaseButton();
  fPressedButton = AButton;
  fButtons[AButton].Down = true;
  InvalidateButton(AButton);
  if (HandleAllocated()) UpdateWindow(Handle());
  if (AButton != cbtBack) ExecuteButton(AButton);
}

void TkcCustomCalculator::ReleaseButton() {
  if (fPressedButton == cbtNone) return;
  fButtons[fPressedButton].Down = false;
  InvalidateButton(fPressedButton);
  fPressedButton = cbtNone;
}

void TkcCustomCalculator::KeyDown(WORD& Key, TShiftState Shift) {
  TkcControl::KeyDown(Key, Shift);
  if (Key == 0) return;
  const TkcCalculatorButton b = CalculatorButtonOfKey(Key, Shift);
  if (b != cbtNone && b != fPressedButton) PressButton(b);
}

void TkcCustomCalculator::KeyPress(char32_t& Key) {
  TkcControl::KeyPress(Key);
  if (Key == 22) PasteFromClipboard();
  if (Key == 3) CopyToClipboard();
  const TkcCalculatorButton b = CalculatorButtonOfChar(Key);
  if (b != cbtNone && b != fPressedButton) PressButton(b);
  // A held Backspace repeats: it runs on every character it types.
  if (fPressedButton == cbtBack) ExecuteButton(cbtBack);
}

void TkcCustomCalculator::KeyUp(WORD& Key, TShiftState Shift) {
  TkcControl::KeyUp(Key, Shift);
  ReleaseButton();
}

void TkcCustomCalculator::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (!fIsPopup && CanFocus() && !Focused()) SetFocus();
  TkcControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const TkcCalculatorButton b = ButtonAtPoint(X, Y);
  if (b == cbtNone || fButtons[b].Disabled) return;
  fTracking = true;
  SetCapture(Handle());
  fDownButton = b;
  fButtons[b].Down = true;
  InvalidateButton(b);
}

void TkcCustomCalculator::MouseMove(TShiftState Shift, int X, int Y) {
  TkcControl::MouseMove(Shift, X, Y);
  const TkcCalculatorButton at = ButtonAtPoint(X, Y);
  if (fTracking) {
    const bool down = at == fDownButton;
    if (fButtons[fDownButton].Down != down) {
      fButtons[fDownButton].Down = down;
      InvalidateButton(fDownButton);
    }
    return;
  }
  if (!GetPainter()->IsButtonHotTrackingEnabled() || !Enabled() || at == fActiveButton) return;
  const TkcCalculatorButton old = fActiveButton;
  fActiveButton = at;
  if (old != cbtNone && !fButtons[old].Disabled) InvalidateButton(old);
  if (at != cbtNone && !fButtons[at].Disabled) InvalidateButton(at);
}

void TkcCustomCalculator::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcControl::MouseUp(Button, Shift, X, Y);
  if (!fTracking) return;
  fTracking = false;
  ReleaseCapture();
  const TkcCalculatorButton b = fDownButton;
  fDownButton = cbtNone;
  const bool wasDown = fButtons[b].Down;
  fButtons[b].Down = false;
  InvalidateButton(b);
  if (wasDown && Button == mbLeft) ExecuteButton(b);
}

void TkcCustomCalculator::MouseLeave(TControl* AControl) {
  TkcControl::MouseLeave(AControl);
  if (fActiveButton == cbtNone || !GetPainter()->IsButtonHotTrackingEnabled()) return;
  const TkcCalculatorButton old = fActiveButton;
  fActiveButton = cbtNone;
  InvalidateButton(old);
}
