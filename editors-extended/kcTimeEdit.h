#pragma once
// The time edit: a time of day under a fixed mask (hours, minutes, seconds, an optional AM/PM
// designator), stepped by the part the caret is in. Its spin value is the seconds since
// midnight; its edit value a date-time whose date part is kept.

#include "editors-extended/kcSpinEdit.h"

enum TkcTimeEditTimeFormat { tfHourMinSec, tfHourMin, tfHour };
// The parts of a time text.
enum TkcTimePart { tpHour = 0, tpMin = 1, tpSec = 2, tpAMPM = 3 };

struct TkcTimeEditFormat {
  String DisplayFormat;
  String EditMask;
};

// The process-wide formats per time format and hour format; the 12-hour masks follow the locale
// (RebuildTimeEditMasks, which the properties run on every locale change).
const TkcTimeEditFormat& GetTimeEditFormat(TkcTimeEditTimeFormat ATimeFormat, bool AUse24HourFormat);
void RebuildTimeEditMasks();
// The designators in use: the locale's, or "AM" and "PM" when the locale leaves either empty
// (an empty designator would match every text and leave the mask without its zone).
void GetTimeEditDesignators(String& AAM, String& APM);

// What typing a character at a position of a time text does.
enum TkcTimeCharResult { tcrReject, tcrAccept, tcrConsumed };

class TkcCustomTimeEditProperties : public TkcCustomSpinEditProperties {
  VT_CLASS(TkcCustomTimeEditProperties, TkcCustomSpinEditProperties)
public:
  explicit TkcCustomTimeEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  bool AutoCorrectHours = true;
  bool ShowDate() const { return fShowDate; }
  void SetShowDate(bool Value) { SetAndNotify(fShowDate, Value); }
  TkcTimeEditTimeFormat TimeFormat() const { return fTimeFormat; }
  void SetTimeFormat(TkcTimeEditTimeFormat Value);
  bool Use24HourFormat() const { return fUse24HourFormat; }
  void SetUse24HourFormat(bool Value);
  bool UseTimeFormatWhenUnfocused() const { return fUseTimeFormatWhenUnfocused; }
  void SetUseTimeFormatWhenUnfocused(bool Value) { SetAndNotify(fUseTimeFormatWhenUnfocused, Value); }
  const String& DisplayFormatOfTime() const { return GetTimeEditFormat(fTimeFormat, fUse24HourFormat).DisplayFormat; }

  // Overrides of the text and spin kinds.
  int GetProviderFormatSupport() override { return 3; }
  bool IsEditValueNumeric() override { return false; }
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  bool IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;
  void GetDefaultDisplayValue(Variant& AValue) override;
  bool IsProviderFormatUsed(bool AEditFocused) override { return IsProviderFormatDefined(AEditFocused); }
  void FormatChanged() override;
  bool CanStepToBound() override { return false; }
  bool ChecksNumericText() override { return false; }
  bool KeepsSelectionOnSpin() override { return true; }
  Variant NormalizeValue(const Variant&) override { return Variant(0.0); }

  // The part at a 1-based text position.
  int GetTimePart(int APos);
  // 1-based start of a part.
  int GetTimePartStart(int APart) const { return APart == tpAMPM ? 10 - 3 * fTimeFormat : 3 * APart + 1; }
  int GetTimePartLength() const { return 2; }
  // The seconds since midnight a time text shows.
  int SecondsOfText(const String& AText);
  // The step of a spin direction for the part at a caret (0-based selection start) and value.
  double StepIncrement(int ADirection, int ASelStart, double AValue);
  // One spin step of a time text with the caret at ASelStart: the new text and the selection
  // shown afterwards; false when the step is refused (past midnight without Circular).
  bool Spin(const String& AText, int ASelStart, int ADirection, String& ANewText, int& ASelStartOut, int& ASelLength);
  // The edit value of a time text, on the date part ADate.
  Variant TextToTime(const String& AText, double ADate);
  // Typing AChar at the 0-based position APos of AText (see TkcTimeCharResult). On accept the
  // character (maybe replaced) goes to ACaret; on consume the text is changed and the caret
  // moved to ACaret.
  TkcTimeCharResult CharForPos(String& AText, int APos, char32_t& AChar, int& ACaret);
  // The time of day shown for a value.
  String FormatTime(double AValue);
  TClass GetContainerClass() override;

private:
  void ApplyEditMask();
  bool fShowDate = false;
  TkcTimeEditTimeFormat fTimeFormat = tfHourMinSec;
  bool fUse24HourFormat = true;
  bool fUseTimeFormatWhenUnfocused = true;
};

class TkcTimeEditProperties : public TkcCustomTimeEditProperties {
  VT_CLASS(TkcTimeEditProperties, TkcCustomTimeEditProperties)
public:
  explicit TkcTimeEditProperties(TPersistent* AOwner) : TkcCustomTimeEditProperties(AOwner) {}
};

// Typing into a two-digit time part: the part's text and 0-based offset (0 or 1) of the typed
// digit, the part's maximum (23, 12 or 59) and minimum (0, or 1 for 12-hour hours).
TkcTimeCharResult TimeDigitForPart(String& APart, int AOffset, char32_t& AChar, int AMin, int AMax, int& ANewOffset);

// ---- The control -------------------------------------------------------------------------------

// The time edit control: spins the part at the caret, types by the parts' rules and keeps the
// date part of the value it was given.
class TkcCustomTimeEdit : public TkcCustomSpinEdit {
  VT_CLASS(TkcCustomTimeEdit, TkcCustomSpinEdit)
public:
  explicit TkcCustomTimeEdit(TComponent* AOwner) : TkcCustomTimeEdit(AOwner, false) {}
  TkcCustomTimeEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomTimeEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomTimeEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomSpinEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomTimeEditProperties::StaticClass(); }
  TkcCustomTimeEditProperties* ActiveProperties() {
    return static_cast<TkcCustomTimeEditProperties*>(GetEffectiveProperties());
  }

  // The time of day (a fraction of a day); setting it keeps the date part, as a user's change.
  double Time();
  void SetTime(double Value);
  double DatePart() const { return fDatePart; }

  // The seconds of the shown time.
  Variant GetValue() override;
  void SetValue(const Variant& AValue) override;
  bool Spin(int ADirection) override;
  bool IsCharValidForPos(char32_t& AChar, int APos) override;
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void SynchronizeDisplayValue() override;
  void DoEditKeyPress(char32_t& Key) override;

protected:
  void Initialize() override;
  String ValueToText(const Variant& AValue) override;

private:
  void RememberDatePart();
  double fDatePart = 0;
};

class TkcTimeEdit : public TkcCustomTimeEdit {
  VT_CLASS(TkcTimeEdit, TkcCustomTimeEdit)
public:
  explicit TkcTimeEdit(TComponent* AOwner) : TkcTimeEdit(AOwner, false) {}
  TkcTimeEdit(TComponent* AOwner, bool AIsInplace) : TkcTimeEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcTimeEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTimeEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcTimeEditProperties::StaticClass(); }
  TkcTimeEditProperties* Properties() const {
    return static_cast<TkcTimeEditProperties*>(TkcCustomEdit::Properties());
  }
};
