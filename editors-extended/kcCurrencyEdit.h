#pragma once
// The currency editor kind: a numeric text editor for money amounts. Its empty value is Null or
// 0, it shows the locale's currency format, and typing keeps the text a number with at most
// DecimalPlaces digits after the decimal separator.

#include "editors/kcTextEdit.h"
#include "editors/kcTextEditControl.h"

// Which currency edit settings are set explicitly (besides the text editor's).
class TkcCurrencyEditPropertiesValues : public TkcTextEditPropertiesValues {
  VT_CLASS(TkcCurrencyEditPropertiesValues, TkcTextEditPropertiesValues)
public:
  explicit TkcCurrencyEditPropertiesValues(TPersistent* AOwner) : TkcTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool DecimalPlaces() const { return fDecimalPlaces; }
  void SetDecimalPlaces(bool Value) { SetFlag(fDecimalPlaces, Value); }

private:
  bool fDecimalPlaces = false;
};

class TkcCustomCurrencyEditProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomCurrencyEditProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomCurrencyEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  TkcCustomEditPropertiesValuesClass GetAssignedValuesClass() override;
  TkcCurrencyEditPropertiesValues* AssignedValues() {
    return static_cast<TkcCurrencyEditPropertiesValues*>(TkcCustomEditProperties::AssignedValues());
  }
  // The locale's currency decimals until assigned.
  int DecimalPlaces();
  void SetDecimalPlaces(int Value);
  bool Nullable() const { return fNullable; }
  void SetNullable(bool Value) { SetAndNotify(fNullable, Value); }
  const String& NullString() const { return fNullString; }
  void SetNullString(const String& Value) { SetAndNotify(fNullString, Value); }
  bool UseThousandSeparator() const { return fUseThousandSeparator; }
  void SetUseThousandSeparator(bool Value) { SetAndNotify(fUseThousandSeparator, Value); }

  int GetProviderFormatSupport() override { return 3; }
  TClass GetContainerClass() override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  String GetDefaultDisplayFormat() override;
  bool IsThousandSeparatorShown(bool AEditing) override { return !AEditing && fUseThousandSeparator; }
  bool IsEditValueNumeric() override { return true; }
  bool IsDisplayTextValid(Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;

  // A text as a number: thousand separators dropped, then read; only 0 and magnitudes in the
  // range of a double count.
  static bool TryTextToNumber(const String& AText, double& AValue);
  // Whether a text is a number with at most DecimalPlaces digits after the decimal separator
  // (the exponent's digits do not count).
  bool CheckNumberText(const String& AText);
  // The edit value of a display text: empty, NullString or no number give the empty value
  // (Null when nullable, else 0).
  Variant DisplayTextToValue(const String& AText);
  // Whether editing the text by replacing the selection with the character keeps it valid.
  bool IsValidChar(char32_t AKey, const String& AText, int ASelStart, int ASelLength, bool AEditFocused);

private:
  int fDecimalPlaces = 2;
  bool fNullable = true;
  String fNullString;
  bool fUseThousandSeparator = false;
};

class TkcCurrencyEditProperties : public TkcCustomCurrencyEditProperties {
  VT_CLASS(TkcCurrencyEditProperties, TkcCustomCurrencyEditProperties)
public:
  explicit TkcCurrencyEditProperties(TPersistent* AOwner) : TkcCustomCurrencyEditProperties(AOwner) {}
};

class TkcCustomCurrencyEdit : public TkcCustomTextEdit {
  VT_CLASS(TkcCustomCurrencyEdit, TkcCustomTextEdit)
public:
  explicit TkcCustomCurrencyEdit(TComponent* AOwner) : TkcCustomCurrencyEdit(AOwner, false) {}
  TkcCustomCurrencyEdit(TComponent* AOwner, bool AIsInplace)
      : TkcCustomCurrencyEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomCurrencyEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomCurrencyEditProperties::StaticClass();
  }
  TkcCustomCurrencyEditProperties* ActiveProperties() {
    return static_cast<TkcCustomCurrencyEditProperties*>(GetEffectiveProperties());
  }
  // 0 for the empty value; setting clamps to the defined bounds.
  double Value();
  void SetValue(double AValue);

  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void DoEditKeyPress(char32_t& Key) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  // A value outside the bounds becomes the bound it passed; the empty value stays empty.
  void CheckEditorValueBounds() override;

private:
  double BoundedValue(double AValue);
};

class TkcCurrencyEdit : public TkcCustomCurrencyEdit {
  VT_CLASS(TkcCurrencyEdit, TkcCustomCurrencyEdit)
public:
  explicit TkcCurrencyEdit(TComponent* AOwner) : TkcCurrencyEdit(AOwner, false) {}
  TkcCurrencyEdit(TComponent* AOwner, bool AIsInplace) : TkcCurrencyEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCurrencyEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomCurrencyEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCurrencyEditProperties::StaticClass(); }
  TkcCurrencyEditProperties* Properties() const {
    return static_cast<TkcCurrencyEditProperties*>(TkcCustomEdit::Properties());
  }
};
