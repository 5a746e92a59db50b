#include "editors-extended/kcSpinEdit.h"

#include <cmath>
#include <limits>

#include "controls/kcLocalize.h"
#include "editors/kcEditUtils.h"

namespace {

using Wide = __int128;
constexpr int64_t kIntMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int64_t>::max();

int64_t SaturatedRound(double X) {
  if (std::isnan(X)) return 0;
  double r = std::nearbyint(X);  // the default rounding mode takes halves to even
  if (r >= 9223372036854775807.0) return kIntMax;
  if (r <= -9223372036854775808.0) return kIntMin;
  return static_cast<int64_t>(r);
}

// The distance from V to the bound B, or the type limit T when that distance would leave the
// type's range.
double FloatDiff(double B, double V, double T) {
  if ((B > 0 && V > 0) || (B < 0 && V < 0)) return B - V;
  double D = (T - B) + V;
  if ((D > 0 && V > 0) || (D < 0 && V < 0)) return T;
  return B - V;
}

}  // namespace

bool TkcSpinBounds::IsBoundDefined(int ABound) const {
  if (MaxValue > MinValue) return true;
  if (MaxValue == MinValue) return false;
  if (MinAssigned == MaxAssigned) return false;
  return ABound == 0 ? MinAssigned : MaxAssigned;
}

double SpinValueToDouble(const TkcSpinValue& V) {
  return std::holds_alternative<int64_t>(V) ? static_cast<double>(std::get<int64_t>(V)) : std::get<double>(V);
}

String SpinValueToText(const TkcSpinValue& V) {
  return std::holds_alternative<int64_t>(V) ? IntToStr(std::get<int64_t>(V)) : FloatToStr(std::get<double>(V));
}

bool TryTextToSpinValue(const String& AText, TkcSpinEditValueType AType, TkcSpinValue& AValue) {
  if (AType == vtInt) {
    int64_t v;
    String t = !AText.empty() && AText[0] == '+' ? AText.substr(1) : AText;
    if (t.empty() || t[0] == '+' || !TryStrToInt64(t, v)) return false;
    AValue = v;
    return true;
  }
  double d;
  if (!TryStrToFloat(AText, d) || !std::isfinite(d) || d < -kcSpinFloatLimit || d > kcSpinFloatLimit) return false;
  AValue = d;
  return true;
}

TkcSpinValue TkcSpinEngine::Convert(double AValue) const {
  if (ValueType == vtInt) return SaturatedRound(AValue);
  return AValue;
}

TkcSpinValue TkcSpinEngine::EffectiveMin() const {
  if (Bounds.IsBoundDefined(0)) return Convert(Bounds.MinValue);
  return ValueType == vtInt ? TkcSpinValue(kIntMin) : TkcSpinValue(-kcSpinFloatLimit);
}

TkcSpinValue TkcSpinEngine::EffectiveMax() const {
  if (Bounds.IsBoundDefined(1)) return Convert(Bounds.MaxValue);
  return ValueType == vtInt ? TkcSpinValue(kIntMax) : TkcSpinValue(kcSpinFloatLimit);
}

TkcSpinValue TkcSpinEngine::StepIncrement(int ADirection) const {
  double step = ADirection >= 2 ? LargeIncrement : Increment;
  TkcSpinValue i = Convert(step);
  if (!IsSpinUp(ADirection)) {
    if (auto* n = std::get_if<int64_t>(&i))
      *n = *n == kIntMin ? kIntMax : -*n;
    else
      i = -std::get<double>(i);
  }
  return i;
}

bool TkcSpinEngine::AddIncrement(TkcSpinValue& V, const TkcSpinValue& AIncrement) const {
  if (ValueType == vtInt) {
    // Exact in 128 bits, so no difference or sum can overflow.
    Wide v = std::holds_alternative<int64_t>(V) ? std::get<int64_t>(V) : SaturatedRound(std::get<double>(V));
    Wide i = std::holds_alternative<int64_t>(AIncrement) ? std::get<int64_t>(AIncrement)
                                                         : SaturatedRound(std::get<double>(AIncrement));
    Wide mn = std::get<int64_t>(EffectiveMin()), mx = std::get<int64_t>(EffectiveMax());
    Wide lmin = mn - v, lmax = mx - v;
    if (lmin <= i && i <= lmax) {
      V = static_cast<int64_t>(v + i);
      return true;
    }
    switch (Behaviour) {
      case sbbRefuse: return false;
      case sbbClamp: V = static_cast<int64_t>(i < lmin ? mn : mx); return true;
      case sbbWrap: {
        Wide r = i < lmin ? mx + i + 1 - lmin : mn + i - 1 - lmax;
        // A step longer than the range wraps more than once.
        Wide width = mx - mn + 1;
        if (r < mn || r > mx) r = mn + (((r - mn) % width) + width) % width;
        V = static_cast<int64_t>(r);
        return true;
      }
    }
    return false;
  }
  double v = SpinValueToDouble(V), i = SpinValueToDouble(AIncrement);
  double mn = std::get<double>(EffectiveMin()), mx = std::get<double>(EffectiveMax());
  double lmin = FloatDiff(mn, v, -kcSpinFloatLimit), lmax = FloatDiff(mx, v, kcSpinFloatLimit);
  if (lmin <= i && i <= lmax) {
    V = v + i;
    return true;
  }
  switch (Behaviour) {
    case sbbRefuse: return false;
    case sbbClamp: V = i < lmin ? mn : mx; return true;
    case sbbWrap: {
      double r = i < lmin ? mx + i + 1 - lmin : mn + i - 1 - lmax;
      double width = mx - mn;
      if ((r < mn || r > mx) && std::isfinite(width) && width > 0) {
        r = mn + std::fmod(r - mn, width);
        if (r < mn) r += width;
      }
      V = std::isfinite(r) ? std::min(std::max(r, mn), mx) : (i < lmin ? mx : mn);
      return true;
    }
  }
  return false;
}

bool TkcSpinEngine::GetNextValue(int ADirection, TkcSpinValue& V, const TkcSpinValue& AIncrement) const {
  double d = SpinValueToDouble(V);
  TkcSpinValue mn = EffectiveMin(), mx = EffectiveMax();
  bool up = IsSpinUp(ADirection);
  if (ValueType == vtInt && std::holds_alternative<int64_t>(V) ? std::get<int64_t>(V) < std::get<int64_t>(mn)
                                                               : d < SpinValueToDouble(mn)) {
    if (up)
      V = mn;
    else if (Behaviour == sbbWrap)
      V = mx;
    else
      return false;
  } else if (ValueType == vtInt && std::holds_alternative<int64_t>(V) ? std::get<int64_t>(V) > std::get<int64_t>(mx)
                                                                      : d > SpinValueToDouble(mx)) {
    if (!up)
      V = mx;
    else if (Behaviour == sbbWrap)
      V = mn;
    else
      return false;
  } else if (!AddIncrement(V, AIncrement)) {
    return false;
  }
  if (ValueType == vtInt && std::holds_alternative<double>(V)) V = SaturatedRound(std::get<double>(V));
  if (ValueType == vtFloat && std::holds_alternative<int64_t>(V)) V = static_cast<double>(std::get<int64_t>(V));
  return true;
}

double TkcSpinEngine::ForceIntoBounds(double AValue) const {
  if (Bounds.IsBoundDefined(0) && AValue < Bounds.MinValue) return Bounds.MinValue;
  if (Bounds.IsBoundDefined(1) && AValue > Bounds.MaxValue) return Bounds.MaxValue;
  return AValue;
}

TkcSpinValue TkcSpinEngine::Clamp(const TkcSpinValue& V) const {
  TkcSpinValue mn = EffectiveMin(), mx = EffectiveMax();
  if (ValueType == vtInt) {
    int64_t v = std::holds_alternative<int64_t>(V) ? std::get<int64_t>(V) : SaturatedRound(std::get<double>(V));
    return std::min(std::max(v, std::get<int64_t>(mn)), std::get<int64_t>(mx));
  }
  return std::min(std::max(SpinValueToDouble(V), std::get<double>(mn)), std::get<double>(mx));
}

// ---- Repeat ---------------------------------------------------------------------------------

TkcSpinRepeater::~TkcSpinRepeater() { Stop(); }

void TkcSpinRepeater::Start(int ADirection) {
  Stop();
  fDirection = ADirection;
  fStep(ADirection);
  if (fDirection < 0) return;  // the step itself stopped the repeat
  fTimer = new TkcTimer(nullptr);
  fTimer->SetInterval(400);
  fTimer->SetOnTimer([this](TObject* Sender) { Tick(Sender); });
  fTimer->SetEnabled(true);
}

void TkcSpinRepeater::Stop() {
  fDirection = -1;
  delete fTimer;
  fTimer = nullptr;
}

void TkcSpinRepeater::Tick(TObject*) {
  if (fTimer->Interval() == 400) fTimer->SetInterval(100);
  if (fDirection >= 0) fStep(fDirection);
}

// ---- Properties -----------------------------------------------------------------------------

void TkcSpinEditPropertiesValues::Assign(TPersistent* Source) {
  BeginUpdate();
  TkcTextEditPropertiesValues::Assign(Source);
  if (auto* source = dynamic_cast<TkcSpinEditPropertiesValues*>(Source)) SetValueType(source->fValueType);
  EndUpdate();
}

void TkcSpinEditPropertiesValues::RestoreDefaults() {
  BeginUpdate();
  TkcTextEditPropertiesValues::RestoreDefaults();
  SetValueType(false);
  EndUpdate();
}

void TkcSpinEditButtons::SetPosition(TkcSpinEditButtonsPosition Value) {
  if (fPosition == Value) return;
  fPosition = Value;
  fOwner->Changed();
}

void TkcSpinEditButtons::SetShowFastButtons(bool Value) {
  if (fShowFastButtons == Value) return;
  fShowFastButtons = Value;
  fOwner->Changed();
}

TkcCustomSpinEditProperties::TkcCustomSpinEditProperties(TPersistent* AOwner) : TkcCustomMaskEditProperties(AOwner) {
  Buttons()->Add();
  Buttons()->Add();
}

void TkcCustomSpinEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomSpinEditProperties*>(Source);
  if (!source) {
    TkcCustomMaskEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  if (source->AssignedValues()->ValueType())
    SetValueType(source->fValueType);
  else
    AssignedValues()->SetValueType(false);
  TkcCustomMaskEditProperties::Assign(Source);
  CanEdit = source->CanEdit;
  Circular = source->Circular;
  ExceptionOnInvalidInput = source->ExceptionOnInvalidInput;
  SetIncrement(source->fIncrement);
  SetLargeIncrement(source->fLargeIncrement);
  fSpinButtons.SetPosition(source->fSpinButtons.Position());
  fSpinButtons.SetShowFastButtons(source->fSpinButtons.ShowFastButtons());
  UseCtrlIncrement = source->UseCtrlIncrement;
  OnGetValue = source->OnGetValue;
  EndUpdate();
}

void TkcCustomSpinEditProperties::Changed() {
  if (!IsChangeLocked()) {
    // Keep the buttons in step with the fast buttons: two, or four.
    bool locked = IsChangeLocked();
    LockChanged(true);
    if (fSpinButtons.ShowFastButtons() && Buttons()->Count() == 2) {
      Buttons()->Add();
      Buttons()->Add();
    } else if (!fSpinButtons.ShowFastButtons() && Buttons()->Count() == 4) {
      Buttons()->Delete(3);
      Buttons()->Delete(2);
    }
    LockChanged(locked);
  }
  TkcCustomMaskEditProperties::Changed();
}

TkcCustomEditPropertiesValuesClass TkcCustomSpinEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcSpinEditPropertiesValues>();
}

void TkcCustomSpinEditProperties::SetValueType(TkcSpinEditValueType Value) {
  if (AssignedValues()->ValueType() && fValueType == Value) return;
  fValueType = Value;
  AssignedValues()->SetValueType(true);
  Changed();
}

TkcSpinEditValueType TkcCustomSpinEditProperties::EffectiveValueType() {
  if (AssignedValues()->ValueType()) return fValueType;
  if (IkcEditDefaultValuesProvider* p = DefaultValuesProvider()) return p->IsFloatValue() ? vtFloat : vtInt;
  return vtFloat;
}

TkcSpinBoundsBehaviour TkcCustomSpinEditProperties::GetBoundsBehaviour() {
  if (Circular) return sbbWrap;
  return CanStepToBound() ? sbbClamp : sbbRefuse;
}

TkcSpinEngine TkcCustomSpinEditProperties::Engine() {
  TkcSpinEngine e;
  e.ValueType = EffectiveValueType();
  e.Bounds.MinValue = MinValue();
  e.Bounds.MaxValue = MaxValue();
  e.Bounds.MinAssigned = AssignedValues()->MinValue();
  e.Bounds.MaxAssigned = AssignedValues()->MaxValue();
  e.Behaviour = GetBoundsBehaviour();
  e.Increment = fIncrement;
  e.LargeIncrement = fLargeIncrement;
  return e;
}

bool TkcCustomSpinEditProperties::IsValidChar(char32_t& AChar, bool AHasGetValue) {
  if (AChar == U'.' || AChar == U',') AChar = char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator));
  if (!CanEdit) return AChar < 32 && AChar != 8;
  if (AHasGetValue || AChar < 32) return true;
  if ((AChar >= U'0' && AChar <= U'9') || AChar == U'+' || AChar == U'-' || AChar == U'e' || AChar == U'E') return true;
  if (EffectiveValueType() == vtFloat && AChar == char32_t(static_cast<unsigned char>(FormatSettings.DecimalSeparator)))
    return true;
  return AChar < 256 && ValidChars[AChar];
}

Variant TkcCustomSpinEditProperties::SpinValueToVariant(const TkcSpinValue& V) {
  if (std::holds_alternative<int64_t>(V)) return Variant::FromInt64(std::get<int64_t>(V));
  return Variant(std::get<double>(V));
}

Variant TkcCustomSpinEditProperties::NormalizeValue(const Variant& AValue) {
  if (AValue.IsNull() || AValue.IsEmpty()) return SpinValueToVariant(Engine().Convert(0));
  if (!AValue.IsNumeric()) return AValue;
  return SpinValueToVariant(Engine().Convert(AValue.AsDouble()));
}

bool TkcCustomSpinEditProperties::IsEditValueValid(Variant& AEditValue, bool) {
  if (AEditValue.IsNull() || AEditValue.IsEmpty() || AEditValue.VarType() == varDate) return true;
  if (!AEditValue.IsNumeric() && !AEditValue.IsStr()) return false;
  TkcSpinValue v;
  if (!TryTextToSpinValue(Trim(AEditValue.AsString()), EffectiveValueType(), v)) return false;
  AEditValue = SpinValueToVariant(v);
  return true;
}

bool TkcCustomSpinEditProperties::IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) {
  if (!TkcCustomMaskEditProperties::IsDisplayTextValid(ADisplayValue, AEditFocused)) return false;
  if (!ChecksNumericText()) return true;
  String text = Trim(ADisplayValue.AsString());
  if (text.empty()) return true;
  TkcSpinValue v;
  if (!TryTextToSpinValue(text, EffectiveValueType(), v)) return false;
  ADisplayValue = SpinValueToText(v);
  return true;
}

void TkcCustomSpinEditProperties::GetDefaultDisplayValue(Variant& AValue) {
  TkcSpinEngine e = Engine();
  AValue = SpinValueToText(e.Convert(e.ForceIntoBounds(0)));
}

void TkcCustomSpinEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                       IkcEditHost* AEdit) {
  TkcSpinEngine e = Engine();
  String text = Trim(ADisplayValue.IsNull() ? String() : ADisplayValue.AsString());
  TkcSpinValue v = e.Convert(0);
  AError = false;
  if (text.empty()) {
    v = e.Convert(e.ForceIntoBounds(0));
  } else if (!TryTextToSpinValue(text, e.ValueType, v)) {
    // A handler may read what is no number.
    bool handlerError = true;
    Variant handled;
    String handlerText;
    if (OnGetValue) OnGetValue(AEdit ? AEdit->GetEditObject() : this, text, handled, handlerText, handlerError);
    if (!handlerError && handled.IsNumeric()) {
      v = e.ValueType == vtInt && VarIsOrdinal(handled) ? TkcSpinValue(handled.AsInt64()) : e.Convert(handled.AsDouble());
    } else {
      AError = true;
      AErrorText = !handlerText.empty() ? handlerText
                   : ExceptionOnInvalidInput ? LocalizeText("Invalid numeric value")
                                             : String();
    }
  }
  if (!AError) {
    TkcSpinValue clamped = e.Clamp(v);
    if (ExceptionOnInvalidInput) {
      if (SpinValueToDouble(clamped) != SpinValueToDouble(v)) {
        AError = true;
        AErrorText = LocalizeText("Value out of bounds");
      }
    } else {
      v = clamped;
    }
    if (!AError) ADisplayValue = SpinValueToText(v);
  }
  bool changedByUser = false;
  DoValidate(ADisplayValue, AErrorText, AError, AEdit, changedByUser);
}

// ---- Spin buttons layout --------------------------------------------------------------------

TkcSpinButtonsLayout CalculateSpinButtonsLayout(const TRect& ABounds, int AButtonWidth,
                                                TkcSpinEditButtonsPosition APosition, bool AShowFastButtons,
                                                bool ANative, int ANativeHalfHeight) {
  TkcSpinButtonsLayout l;
  TRect R = ABounds;
  int W = AButtonWidth, N = ANative ? 1 : 0, H;
  if (ANative) {
    H = ANativeHalfHeight;
  } else {
    TSize arrow = CalcArrowSize(TSize{W + 2, (R.bottom - R.top) / 2 + 2}, adUp);
    l.ArrowSize = arrow.cy;
    H = 4 * arrow.cy - 3;
  }
  int FW = (3 * H + 1) / 2;
  if (AShowFastButtons) {
    l.FastUp = TRect{R.right - FW, R.top, R.right, R.bottom};
    R.right -= FW;
  }
  if (APosition == sbpVert) {
    int h = R.bottom - R.top;
    l.Up = TRect{R.right - W, R.top, R.right, R.top + (h - N) / 2};
    l.Down = TRect{R.right - W, l.Up.bottom + N, R.right, R.bottom};
    R.right -= W;
    if (ANative) l.Separator = TRect{l.Up.left, l.Up.bottom, l.Up.right, l.Up.bottom + 1};
  } else {
    l.Up = TRect{R.right - H, R.top, R.right, R.bottom};
    R.right -= H + N;
  }
  if (APosition == sbpHorzLeftRight) {
    if (AShowFastButtons) {
      l.FastDown = TRect{R.left, R.top, R.left + FW, R.bottom};
      R.left += FW;
    }
    l.Down = TRect{R.left, R.top, R.left + H, R.bottom};
    R.left += H;
  } else {
    if (APosition == sbpHorzRight) {
      l.Down = TRect{R.right - H, R.top, R.right, R.bottom};
      R.right -= H;
      if (ANative) l.Separator = TRect{l.Down.right, l.Down.top, l.Down.right + 1, l.Down.bottom};
    }
    if (AShowFastButtons) {
      l.FastDown = TRect{R.right - FW, R.top, R.right, R.bottom};
      R.right -= FW;
    }
  }
  l.Remaining = R;
  return l;
}

// ---- View data and view info ------------------------------------------------------------------

#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"

TClass TkcCustomSpinEditProperties::GetContainerClass() { return TkcSpinEdit::StaticClass(); }

TkcCustomEditViewData* TkcCustomSpinEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* data = new TkcSpinEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

namespace {

bool HoldsButton(TShiftState AShift) {
  return AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
}

}  // namespace

void TkcSpinEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                    TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomTextEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcSpinEditViewInfo*>(AViewInfo);
  auto* p = static_cast<TkcCustomSpinEditProperties*>(Properties);
  info->ButtonsPosition = p->SpinButtons()->Position();
  if (info->ButtonsInfo.empty()) return;
  const TRect frameExtent = GetFrameExtent();
  const TRect area{ABounds.left + frameExtent.left, ABounds.top + frameExtent.top, ABounds.right - frameExtent.right,
                   ABounds.bottom - frameExtent.bottom};
  const TRect& last = info->ButtonsInfo.back()->Bounds;
  int width = last.right - last.left;
  if (width <= 0) width = std::max(0, (int)(area.bottom - area.top) / 2 + 4);
  const TkcSpinButtonsLayout l = CalculateSpinButtonsLayout(area, width, info->ButtonsPosition,
                                                            p->SpinButtons()->ShowFastButtons(), false, 0);
  info->ArrowSize = l.ArrowSize;
  const TRect byIndex[] = {l.Down, l.Up, l.FastDown, l.FastUp};
  info->PressedButton = info->HotButton = -1;
  for (std::size_t v = 0; v < info->ButtonsInfo.size(); ++v) {
    TkcEditButtonViewInfo& b = *info->ButtonsInfo[v];
    b.Bounds = b.Index >= 0 && b.Index < 4 ? byIndex[b.Index] : TRect{};
    IntersectRect(&b.VisibleBounds, &b.Bounds, &info->BorderRect);
    b.Data.LeftAlignment = info->ButtonsPosition == sbpHorzLeftRight && (b.Index == 0 || b.Index == 2);
    TkcEditButtonState s = ebsNormal;
    const bool over = PtInRect(&b.Bounds, P);
    if (b.Data.State == ebsDisabled || !Enabled)
      s = ebsDisabled;
    else if (KeyHeldButton == b.Index + 1)
      s = ebsPressed;
    else if (over && AIsMouseEvent && AShift.Contains(ssLeft) && KeyHeldButton == 0)
      s = ebsPressed;
    else if (over && !HoldsButton(AShift))
      s = ebsSelected;
    b.Data.State = s;
    if (s == ebsPressed) info->PressedButton = static_cast<int>(v);
    if (s == ebsSelected) info->HotButton = static_cast<int>(v);
  }
  // The text keeps its own padding where no button took its side.
  if (l.Remaining.left != area.left) info->ClientRect.left = l.Remaining.left;
  info->ClientRect.right = std::min(info->ClientRect.right, l.Remaining.right);
  if (l.Remaining.right > info->ClientRect.right && l.Remaining.right == area.right)
    info->ClientRect.right = l.Remaining.right - (area.right - info->BorderRect.right);
  info->InnerEditRect = info->ClientRect;
  info->TextRect = info->ClientRect;
}

void TkcSpinEditViewInfo::DrawButton(TkcCanvas* ACanvas, int AButtonVisibleIndex) {
  TkcEditButtonViewInfo& b = *ButtonsInfo[static_cast<std::size_t>(AButtonVisibleIndex)];
  if (IsRectEmpty(&b.VisibleBounds)) return;
  // The frame and face as for a glyph button without a glyph, then the arrows.
  const TkcEditButtonKind kind = b.Data.Kind;
  TBitmap* glyph = b.Glyph;
  b.Data.Kind = bkGlyph;
  b.Glyph = nullptr;
  TkcCustomTextEditViewInfo::DrawButton(ACanvas, AButtonVisibleIndex);
  b.Data.Kind = kind;
  b.Glyph = glyph;
  TkcArrowDirection direction;
  const bool fast = b.Index >= 2;
  if (fast)
    direction = b.Index == 2 ? adLeft : adRight;
  else if (ButtonsPosition == sbpVert)
    direction = b.Index == 0 ? adDown : adUp;
  else
    direction = b.Index == 0 ? adLeft : adRight;
  const bool pressed = b.Data.State == ebsPressed;
  const bool hotFlat = b.Data.Style == btsHotFlat && (pressed || b.Data.State == ebsSelected);
  TRect r = b.Bounds;
  InflateRect(&r, -1, -1);
  const TSize size = ArrowSize > 0 ? (direction == adLeft || direction == adRight ? TSize{ArrowSize, 2 * ArrowSize - 1}
                                                                                   : TSize{2 * ArrowSize - 1, ArrowSize})
                                   : CalcArrowSize(TSize{r.right - r.left, r.bottom - r.top}, direction);
  if (b.Data.State == ebsDisabled) {
    TRect shifted = r;
    OffsetRect(&shifted, 1, 1);
    DrawArrows(ACanvas, size, shifted, clBtnHighlight, false, fast, direction);
    DrawArrows(ACanvas, size, r, clBtnShadow, false, fast, direction);
  } else {
    DrawArrows(ACanvas, size, r, hotFlat ? clBtnHighlight : clBtnText, pressed, fast, direction);
  }
}

// ---- The control ----------------------------------------------------------------------------

TkcCustomSpinEdit::~TkcCustomSpinEdit() { fRepeater.Stop(); }

void TkcCustomSpinEdit::Initialize() {
  TkcCustomMaskEdit::Initialize();
  fInternalValue = Variant::FromInt64(0);
  SetEditValue(Variant::FromInt64(0));
}

TkcSpinValue TkcCustomSpinEdit::ToSpinValue(const Variant& AValue) {
  TkcSpinEngine e = ActiveProperties()->Engine();
  if (AValue.IsNumeric()) {
    if (e.ValueType == vtInt && VarIsOrdinal(AValue)) return AValue.AsInt64();
    return e.Convert(AValue.AsDouble());
  }
  return e.Convert(0);
}

bool TkcCustomSpinEdit::TextToValue(const String& AText, bool ARaiseException, String& AErrorText, Variant& AValue) {
  TkcCustomSpinEditProperties* p = ActiveProperties();
  TkcSpinEngine e = p->Engine();
  AValue = Null();
  const String text = Trim(AText);
  if (text.empty()) {
    // A required field never holds Null: its empty text is 0 within the bounds.
    IkcEditDefaultValuesProvider* provider = p->DefaultValuesProvider();
    if (provider && provider->GetDefaultRequired()) AValue = p->SpinValueToVariant(e.Convert(e.ForceIntoBounds(0)));
    return true;
  }
  TkcSpinValue v;
  if (TryTextToSpinValue(text, e.ValueType, v)) {
    AValue = p->SpinValueToVariant(v);
    return true;
  }
  // The handlers may read what is no number (the own properties' first, then the item's).
  bool error = true;
  AErrorText.clear();
  for (TkcCustomEditProperties* props : {TkcCustomEdit::GetOwnProperties(), GetRepositoryItemProperties()}) {
    auto* spin = dynamic_cast<TkcCustomSpinEditProperties*>(props);
    if (!spin || !spin->OnGetValue) continue;
    try {
      spin->OnGetValue(this, text, AValue, AErrorText, error);
    } catch (const Exception& E) {
      if (ARaiseException) throw;
      AErrorText = E.Message();
      AValue = fInternalValue;
      return false;
    }
  }
  if (!error) {
    AValue = AValue.IsNumeric() ? p->SpinValueToVariant(ToSpinValue(AValue)) : AValue;
    return true;
  }
  if (AErrorText.empty() || !p->ExceptionOnInvalidInput)
    AErrorText = p->ExceptionOnInvalidInput ? LocalizeText("Invalid numeric value") : String();
  if (ARaiseException && p->ExceptionOnInvalidInput) throw EkcEditError(AErrorText);
  AValue = fInternalValue;
  return false;
}

void TkcCustomSpinEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  String error;
  TextToValue(VarIsNull(ADisplayValue) ? String() : VarToStr(ADisplayValue), true, error, AEditValue);
}

Variant TkcCustomSpinEdit::GetValue() {
  TkcCustomSpinEditProperties* p = ActiveProperties();
  Variant v;
  if (Focused()) {
    if (fTextEdited) {
      String error;
      TextToValue(Text(), true, error, v);
    } else {
      v = fInternalValue;
    }
    if (!v.IsNumeric()) v = Variant::FromInt64(0);
  } else {
    v = EditValue();
    if (!v.IsNumeric() && !v.IsStr()) {
      TkcSpinEngine e = p->Engine();
      v = p->SpinValueToVariant(e.Convert(e.ForceIntoBounds(0)));
    }
  }
  return v.IsStr() ? v : p->SpinValueToVariant(ToSpinValue(v));
}

void TkcCustomSpinEdit::SetValue(const Variant& AValue) {
  if (!AValue.IsNumeric()) return;
  Variant v = AValue;
  if (!ActiveProperties()->IsEditValueValid(v, GetEditFocused())) return;
  SetEditValue(v);
}

String TkcCustomSpinEdit::ValueToText(const Variant& AValue) {
  Variant display;
  ActiveProperties()->EditValueToDisplayValue(AValue, display, GetEditFocused());
  return VarToStr(display);
}

bool TkcCustomSpinEdit::Spin(int ADirection) {
  LockChangeEvents(true);
  struct Unlock {
    TkcCustomSpinEdit* e;
    ~Unlock() { e->LockChangeEvents(false); }
  } unlock{this};
  if (!DoEditing()) return false;
  TkcCustomSpinEditProperties* p = ActiveProperties();
  TkcSpinEngine e = p->Engine();
  TkcSpinValue v = ToSpinValue(GetValue());
  if (!e.GetNextValue(ADirection, v)) return false;
  const Variant value = p->SpinValueToVariant(v);
  const String oldText = Text();
  const int selStart = SelStart(), selLength = SelLength();
  const String text = ValueToText(value);
  fInternalValue = value;
  fTextEdited = false;
  InnerTextEdit()->SetText(text);
  fTextEdited = false;
  if (text == oldText) return false;
  SetModifiedAfterEnter(true);
  if (p->KeepsSelectionOnSpin()) {
    SetSelStart(selStart);
    SetSelLength(selLength);
  } else {
    SetSelStart(static_cast<int>(Utf8Length(text)));
  }
  if (p->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) {
    PostEditValue(false);
    SynchronizeDisplayValue();
  }
  return true;
}

void TkcCustomSpinEdit::RepeatStep(int ADirection) {
  // The mouse repeats only while its button stays pressed; a key repeats while held.
  if (fKeyHeldButton == 0) {
    TkcSpinEditViewInfo* info = SpinViewInfo();
    const int pressed = info->PressedButton;
    if (pressed < 0 || info->ButtonsInfo[static_cast<std::size_t>(pressed)]->Index != ADirection) return;
  }
  TkcObjectLinkScope link(this);
  Spin(ADirection);
}

void TkcCustomSpinEdit::DoButtonDown(int AButtonVisibleIndex) {
  if (fKeyHeldButton != 0) return;
  const auto& buttons = SpinViewInfo()->ButtonsInfo;
  if (AButtonVisibleIndex < 0 || AButtonVisibleIndex >= static_cast<int>(buttons.size())) return;
  const int AButtonIndex = buttons[static_cast<std::size_t>(AButtonVisibleIndex)]->Index;
  if (IsReadOnly()) {
    Spin(AButtonIndex);
    return;
  }
  fRepeater.Start(AButtonIndex);
}

void TkcCustomSpinEdit::StopSpinning() {
  const bool keyHeld = fKeyHeldButton != 0;
  fKeyHeldButton = 0;
  fRepeater.Stop();
  if (keyHeld) UpdateStateFromCursor(false);
  if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
}

void TkcCustomSpinEdit::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  if (!Properties() || !ViewInfo()) return TkcContainer::CalculateViewInfo(P, AHotAllowed);
  std::unique_ptr<TkcCustomEditViewData> base(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  auto* data = static_cast<TkcSpinEditViewData*>(base.get());
  data->Edit = this;
  data->Enabled = Enabled();
  data->Focused = Focused();
  data->KeyHeldButton = fKeyHeldButton;
  TkcScreenCanvas canvas;
  data->Calculate(&canvas, TRect{0, 0, Width(), Height()}, P, fShift, EditViewInfo(), fIsMouseEvent);
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool TkcCustomSpinEdit::UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) {
  fShift = AShift;
  fIsMouseEvent = AIsMouseEvent;
  TkcObjectLinkScope link(this);
  const bool result = TkcCustomMaskEdit::UpdateContainerState(P, AButton, AShift, AIsMouseEvent);
  fIsMouseEvent = false;
  if (!link.Alive()) return result;
  // A newly pressed button reaches DoButtonDown through the base's view-info comparison.
  const int pressed = SpinViewInfo()->PressedButton;
  if (pressed < 0 && fKeyHeldButton == 0 && fRepeater.Spinning() && !AShift.Contains(ssLeft)) {
    StopSpinning();
  }
  return result;
}

void TkcCustomSpinEdit::SynchronizeDisplayValue() {
  TkcCustomSpinEditProperties* p = ActiveProperties();
  Variant value = EditValue();
  if (p->IsEditValueValid(value, GetEditFocused())) {
    fInternalValue = p->NormalizeValue(value);
  } else {
    TkcSpinEngine e = p->Engine();
    fInternalValue = p->SpinValueToVariant(e.Convert(e.ForceIntoBounds(0)));
  }
  TkcCustomMaskEdit::SynchronizeDisplayValue();
  fTextEdited = false;
}

void TkcCustomSpinEdit::SynchronizeEditValue() {
  TkcCustomMaskEdit::SynchronizeEditValue();
  fInternalValue = EditValue();
}

void TkcCustomSpinEdit::ChangeHandler(TObject* Sender) {
  fTextEdited = fTextEdited || fTypingPending;
  TkcCustomMaskEdit::ChangeHandler(Sender);
  fTypingPending = false;
}

void TkcCustomSpinEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  fTypingPending = false;
  TkcCustomSpinEditProperties* p = ActiveProperties();
  const bool stepKey = Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT;
  if (stepKey && (!p->UseCtrlIncrement || Shift.Contains(ssCtrl))) {
    if (!ModifiedAfterEnter() && !DoEditing()) {
      Key = 0;
      return;
    }
    const int direction = Key == VK_UP ? 1 : Key == VK_DOWN ? 0 : Key == VK_PRIOR ? 3 : 2;
    if (fKeyHeldButton != direction + 1) {
      fKeyHeldButton = direction + 1;
      UpdateStateFromCursor(false);
    }
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    TkcObjectLinkScope link(this);
    Spin(direction);
    if (link.Alive()) Key = 0;
    return;
  }
  StopSpinning();
  if (Key != VK_ESCAPE) fTypingPending = true;
  if (!p->CanEdit && IsEditValueChangingKey(Key, Shift)) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  TkcCustomMaskEdit::DoEditKeyDown(Key, Shift);
}

void TkcCustomSpinEdit::DoEditKeyPress(char32_t& Key) {
  if (Key == U'.' || Key == U',') {
    const String sep(1, FormatSettings.DecimalSeparator);
    Key = static_cast<unsigned char>(sep[0]);
  }
  if (Key >= 32 || Key == U'\b') {
    if (ActiveProperties()->IsValidChar(Key, static_cast<bool>(ActiveProperties()->OnGetValue)) &&
        (ActiveProperties()->CanEdit || Key < 32)) {
      fTypingPending = true;
    } else {
      Key = 0;
      if (ActiveProperties()->BeepOnError) MessageBeep(0);
      return;
    }
  }
  TkcCustomMaskEdit::DoEditKeyPress(Key);
}

void TkcCustomSpinEdit::DoEditKeyUp(WORD& Key, TShiftState Shift) {
  fTypingPending = false;
  TkcCustomMaskEdit::DoEditKeyUp(Key, Shift);
  if (Key == VK_UP || Key == VK_DOWN || Key == VK_PRIOR || Key == VK_NEXT) StopSpinning();
}

void TkcCustomSpinEdit::CutToClipboard() {
  if (!ActiveProperties()->CanEdit) return;
  TkcCustomMaskEdit::CutToClipboard();
}

void TkcCustomSpinEdit::PasteFromClipboard() {
  if (!ActiveProperties()->CanEdit) return;
  fTypingPending = true;
  TkcCustomMaskEdit::PasteFromClipboard();
  fTypingPending = false;
}

void TkcCustomSpinEdit::PropertiesChanged(TObject* Sender) {
  TkcCustomMaskEdit::PropertiesChanged(Sender);
  if (IsDesigning() || !ModifiedAfterEnter() || IsDestroying()) return;
  // A value outside new bounds is brought inside them.
  TkcSpinEngine e = ActiveProperties()->Engine();
  const double v = SpinValueToDouble(ToSpinValue(GetValue()));
  const double forced = e.ForceIntoBounds(v);
  if (forced != v) SetValue(ActiveProperties()->SpinValueToVariant(e.Convert(forced)));
}

void TkcCustomSpinEdit::FocusChanged() {
  TkcCustomMaskEdit::FocusChanged();
  StopSpinning();
}

bool TkcCustomSpinEdit::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
  if (TkcCustomMaskEdit::DoMouseWheelDown(Shift, MousePos)) return true;
  if (!Focused() || !ActiveProperties()->UseMouseWheel) return false;
  Spin(0);
  return true;
}

bool TkcCustomSpinEdit::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
  if (TkcCustomMaskEdit::DoMouseWheelUp(Shift, MousePos)) return true;
  if (!Focused() || !ActiveProperties()->UseMouseWheel) return false;
  Spin(1);
  return true;
}
