#pragma once
// The spin edit's stepping engine: the value type, the effective bounds, the step of each spin
// direction and the overflow-safe step that clamps, refuses or wraps at the bounds; and the
// repeat of a held spin button (400 ms, then every 100 ms).

#include <cstdint>
#include <functional>
#include <variant>

#include "controls/kcControlUtils.h"

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
  bool GetNextValue(int ADirection, TkcSpinValue& V) const { return GetNextValue(ADirection, V, StepIncrement(ADirection)); }
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
