#pragma once
// The spin edit's stepping engine: the value type, the effective bounds, the step of each spin
// direction and the overflow-safe step that clamps, refuses or wraps at the bounds; and the
// repeat of a held spin button (400 ms, then every 100 ms).

#include <cstdint>
#include <functional>
#include <variant>

#include "controls/kcControlUtils.h"
#include "editors/kcMaskEdit.h"

enum TkcSpinEditValueType { vtInt, vtFloat };
enum TkcSpinEditButtonsPosition { sbpHorzLeftRight, sbpHorzRight, sbpVert };
// What a step beyond a bound does.
enum TkcSpinBoundsBehaviour { sbbRefuse = 0, sbbClamp = 1, sbbWrap = 2 };

// A spin value of the value type: an integer for vtInt, a double for vtFloat.
using TkcSpinValue = std::variant<int64_t, double>;

constexpr double kcSpinFloatLimit = 1.7e308;

// The bounds as the properties give them: MinValue and MaxValue (0 when not set) and whether each
// one was assigned. A bound applies always when Max > Min, never when Max = Min, and when
// Max < Min only when it alone was assigned.
struct TkcSpinBounds {
  double MinValue = 0, MaxValue = 0;
  bool MinAssigned = false, MaxAssigned = false;
  bool IsBoundDefined(int ABound) const;  // 0 minimum, 1 maximum
};

// Directions are the spin buttons' indexes: 0 down, 1 up, 2 fast down, 3 fast up.
inline bool IsSpinUp(int ADirection) { return ADirection == 1 || ADirection == 3; }

class TkcSpinEngine {
public:
  TkcSpinEditValueType ValueType = vtInt;
  TkcSpinBounds Bounds;
  TkcSpinBoundsBehaviour Behaviour = sbbClamp;
  double Increment = 1.0, LargeIncrement = 10.0;

  // A double as a value of the value type (integers rounded halves to even, saturated).
  TkcSpinValue Convert(double AValue) const;
  TkcSpinValue EffectiveMin() const;
  TkcSpinValue EffectiveMax() const;
  // Increment for 0 and 1, LargeIncrement for 2 and 3, rounded for vtInt, negated downwards.
  TkcSpinValue StepIncrement(int ADirection) const;
  // V plus I inside the effective bounds; false when the bounds behaviour refuses the step.
  bool AddIncrement(TkcSpinValue& V, const TkcSpinValue& I) const;
  // The value after a step from V in a direction, or false for no step.
  bool GetNextValue(int ADirection, TkcSpinValue& V) const {
    return GetNextValue(ADirection, V, StepIncrement(ADirection));
  }
  bool GetNextValue(int ADirection, TkcSpinValue& V, const TkcSpinValue& AIncrement) const;
  // A value below the applying minimum becomes it, else one above the applying maximum.
  double ForceIntoBounds(double AValue) const;
  // The value clamped to the effective bounds.
  TkcSpinValue Clamp(const TkcSpinValue& V) const;
};

double SpinValueToDouble(const TkcSpinValue& V);
// The plain text of a value ("12", "2.5").
String SpinValueToText(const TkcSpinValue& V);
// A text as a value of the type: a signed 64-bit integer, or a locale number within ±1.7e308.
bool TryTextToSpinValue(const String& AText, TkcSpinEditValueType AType, TkcSpinValue& AValue);

// Steps a held button once at once, again after 400 ms and then every 100 ms until stopped.
class TkcSpinRepeater {
public:
  explicit TkcSpinRepeater(std::function<void(int)> AStep) : fStep(std::move(AStep)) {}
  ~TkcSpinRepeater();
  void Start(int ADirection);
  void Stop();
  bool Spinning() const { return fDirection >= 0; }
  int Direction() const { return fDirection; }

private:
  void Tick(TObject*);
  std::function<void(int)> fStep;
  TkcTimer* fTimer = nullptr;
  int fDirection = -1;
};

// ---- Properties -----------------------------------------------------------------------------

class TkcSpinEditPropertiesValues : public TkcTextEditPropertiesValues {
  VT_CLASS(TkcSpinEditPropertiesValues, TkcTextEditPropertiesValues)
public:
  explicit TkcSpinEditPropertiesValues(TPersistent* AOwner) : TkcTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool ValueType() const { return fValueType; }
  void SetValueType(bool Value) { SetFlag(fValueType, Value); }

private:
  bool fValueType = false;
};

class TkcCustomSpinEditProperties;

// Reads a text that is no number: the handler may deliver a value and clear AError.
using TkcSpinEditGetValueEvent =
    TEvent<void(TObject* Sender, const String& AText, Variant& AValue, String& AErrorText, bool& AError)>;

class TkcSpinEditButtons {
public:
  explicit TkcSpinEditButtons(TkcCustomSpinEditProperties* AOwner) : fOwner(AOwner) {}
  TkcSpinEditButtonsPosition Position() const { return fPosition; }
  void SetPosition(TkcSpinEditButtonsPosition Value);
  bool ShowFastButtons() const { return fShowFastButtons; }
  void SetShowFastButtons(bool Value);

private:
  TkcCustomSpinEditProperties* fOwner;
  TkcSpinEditButtonsPosition fPosition = sbpVert;
  bool fShowFastButtons = false;
};

// The spin edit's properties: value type, increments, bounds behaviour, the spin buttons (two, or
// four with the fast ones), and the numeric text checks and validation.
class TkcCustomSpinEditProperties : public TkcCustomMaskEditProperties {
  VT_CLASS(TkcCustomSpinEditProperties, TkcCustomMaskEditProperties)
public:
  explicit TkcCustomSpinEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void Changed() override;
  TkcCustomEditPropertiesValuesClass GetAssignedValuesClass() override;
  bool IsEditValueNumeric() override { return true; }
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) override;
  void GetDefaultDisplayValue(Variant& AValue) override;
  bool IsProviderFormatUsed(bool AEditFocused) override { return !AEditFocused && !AssignedValues()->DisplayFormat(); }
  // Validates a display text: a text that is no number is an error (with an empty message
  // unless ExceptionOnInvalidInput), a number out of bounds is clamped (or "Value out of bounds").
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;

  virtual bool CanStepToBound() { return true; }
  virtual bool ChecksNumericText() { return true; }
  virtual bool KeepsSelectionOnSpin() { return false; }
  TkcSpinBoundsBehaviour GetBoundsBehaviour();
  TkcSpinEditValueType EffectiveValueType();
  // The stepping engine set up from these properties.
  TkcSpinEngine Engine();
  // Whether a typed character may enter the text ('.' and ',' become the locale's decimal
  // separator first). AHasGetValue: a handler reads texts that are no numbers.
  bool IsValidChar(char32_t& AChar, bool AHasGetValue = false);
  // Null and Empty become 0; then the value type.
  virtual Variant NormalizeValue(const Variant& AValue);
  Variant SpinValueToVariant(const TkcSpinValue& V);

  TkcSpinEditPropertiesValues* AssignedValues() {
    return static_cast<TkcSpinEditPropertiesValues*>(TkcCustomEditProperties::AssignedValues());
  }
  bool CanEdit = true;
  bool Circular = false;
  bool ExceptionOnInvalidInput = false;
  double Increment() const { return fIncrement; }
  void SetIncrement(double Value) { SetAndNotify(fIncrement, Value); }
  double LargeIncrement() const { return fLargeIncrement; }
  void SetLargeIncrement(double Value) { SetAndNotify(fLargeIncrement, Value); }
  bool UseCtrlIncrement = false;
  TkcSpinEditGetValueEvent OnGetValue;
  TkcSpinEditValueType ValueType() { return EffectiveValueType(); }
  void SetValueType(TkcSpinEditValueType Value);
  TkcSpinEditButtons* SpinButtons() { return &fSpinButtons; }
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;

private:
  double fIncrement = 1.0, fLargeIncrement = 10.0;
  TkcSpinEditValueType fValueType = vtFloat;
  TkcSpinEditButtons fSpinButtons{this};
};

class TkcSpinEditProperties : public TkcCustomSpinEditProperties {
  VT_CLASS(TkcSpinEditProperties, TkcCustomSpinEditProperties)
public:
  explicit TkcSpinEditProperties(TPersistent* AOwner) : TkcCustomSpinEditProperties(AOwner) {}
};

// ---- Spin buttons layout --------------------------------------------------------------------

struct TkcSpinButtonsLayout {
  TRect Down{}, Up{}, FastDown{}, FastUp{};
  TRect Separator{};  // the native separator line (empty when none)
  TRect Remaining{};  // what is left for the text
  int ArrowSize = 0;
};

// Lays the spin buttons out in the button area R: AButtonWidth is the edit-button width, and
// with ANative the theme's half height AHalfHeight is used instead of the arrow size.
TkcSpinButtonsLayout CalculateSpinButtonsLayout(const TRect& R, int AButtonWidth, TkcSpinEditButtonsPosition APosition,
                                                bool AShowFastButtons, bool ANative, int ANativeHalfHeight);

// ---- View data, view info and the control ------------------------------------------------------

#include "editors/kcMaskEditControl.h"
#include "editors/kcTextEditViewInfo.h"

class TkcSpinEditViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcSpinEditViewInfo, TkcCustomTextEditViewInfo)
public:
  int ArrowSize = 0;
  TkcSpinEditButtonsPosition ButtonsPosition = sbpVert;
  // The frame by the button style, then the arrows of the button's direction.
  void DrawButton(TkcCanvas* ACanvas, int AButtonVisibleIndex) override;
};

class TkcSpinEditViewData : public TkcCustomTextEditViewData {
  VT_CLASS(TkcSpinEditViewData, TkcCustomTextEditViewData)
public:
  using TkcCustomTextEditViewData::TkcCustomTextEditViewData;
  // The spin button a key holds (its index + 1), 0 when none.
  int KeyHeldButton = 0;
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcSpinEditViewInfo; }
  bool CanPressButton(TkcCustomEditViewInfo*, int) override { return KeyHeldButton == 0; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
};

class TkcCustomSpinEdit : public TkcCustomMaskEdit {
  VT_CLASS(TkcCustomSpinEdit, TkcCustomMaskEdit)
public:
  explicit TkcCustomSpinEdit(TComponent* AOwner) : TkcCustomSpinEdit(AOwner, false) {}
  TkcCustomSpinEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomSpinEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomSpinEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomMaskEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomSpinEdit() override;
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomSpinEditProperties::StaticClass(); }
  TkcCustomSpinEditProperties* ActiveProperties() {
    return static_cast<TkcCustomSpinEditProperties*>(GetEffectiveProperties());
  }
  TkcSpinEditViewInfo* SpinViewInfo() { return static_cast<TkcSpinEditViewInfo*>(ViewInfo()); }

  // The value the editor holds now: the typed text while focused and edited, else the value.
  virtual Variant GetValue();
  // A number the properties accept becomes the edit value; anything else is ignored.
  virtual void SetValue(const Variant& AValue);
  Variant Value() { return GetValue(); }
  // One step in a direction (0 down, 1 up, 2 fast down, 3 fast up); true when the text changed.
  virtual bool Spin(int ADirection);
  void StopSpinning();
  bool IsSpinning() const { return fRepeater.Spinning() || fKeyHeldButton != 0; }
  int KeyHeldButton() const { return fKeyHeldButton; }

  void CalculateViewInfo(const TPoint& P, bool AHotAllowed) override;
  bool UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void ChangeHandler(TObject* Sender) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void DoEditKeyUp(WORD& Key, TShiftState Shift) override;
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PropertiesChanged(TObject* Sender) override;
  void FocusChanged() override;

protected:
  void Initialize() override;
  void DoButtonDown(int AButtonVisibleIndex) override;
  virtual String ValueToText(const Variant& AValue);
  // A text as a value (Null for an empty text); false when it is no number.
  bool TextToValue(const String& AText, bool ARaiseException, String& AErrorText, Variant& AValue);
  bool DoMouseWheelDown(TShiftState Shift, TPoint MousePos) override;
  bool DoMouseWheelUp(TShiftState Shift, TPoint MousePos) override;
  TkcSpinValue ToSpinValue(const Variant& AValue);
  Variant fInternalValue;

private:
  void RepeatStep(int ADirection);
  TkcSpinRepeater fRepeater{[this](int ADirection) { RepeatStep(ADirection); }};
  bool fTextEdited = false;
  bool fTypingPending = false;
  int fKeyHeldButton = 0;
  TShiftState fShift;
  bool fIsMouseEvent = false;
};

class TkcSpinEdit : public TkcCustomSpinEdit {
  VT_CLASS(TkcSpinEdit, TkcCustomSpinEdit)
public:
  explicit TkcSpinEdit(TComponent* AOwner) : TkcSpinEdit(AOwner, false) {}
  TkcSpinEdit(TComponent* AOwner, bool AIsInplace) : TkcSpinEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcSpinEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomSpinEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcSpinEditProperties::StaticClass(); }
  TkcSpinEditProperties* Properties() const {
    return static_cast<TkcSpinEditProperties*>(TkcCustomEdit::Properties());
  }
};
