#pragma once
// The calc edit: a numeric text editor with a drop-down calculator whose display is the edit's
// own text box.

#include "editors-extended/kcCalc.h"
#include "editors/kcPopupEdit.h"

// Which calc edit settings are set explicitly (besides the text editor's).
class TkcCalcEditPropertiesValues : public TkcTextEditPropertiesValues {
  VT_CLASS(TkcCalcEditPropertiesValues, TkcTextEditPropertiesValues)
public:
  explicit TkcCalcEditPropertiesValues(TPersistent* AOwner) : TkcTextEditPropertiesValues(AOwner) {}
  void Assign(TPersistent* Source) override;
  void RestoreDefaults() override;
  bool Precision() const { return fPrecision; }
  void SetPrecision(bool Value) { SetFlag(fPrecision, Value); }

private:
  bool fPrecision = false;
};

class TkcCustomCalcEditProperties : public TkcCustomPopupEditProperties {
  VT_CLASS(TkcCustomCalcEditProperties, TkcCustomPopupEditProperties)
public:
  explicit TkcCustomCalcEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TkcCustomEditPropertiesValuesClass GetAssignedValuesClass() override;
  TClass GetContainerClass() override;
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  bool IsThousandSeparatorShown(bool) override { return fUseThousandSeparator && !fScientificFormat; }
  bool IsDisplayTextValid(Variant&, bool) override { return true; }
  bool PostValueOnPopupClosed() override { return true; }
  bool PopupWindowCanShrinkToDesktop() override { return false; }

  TkcCalcEditPropertiesValues* AssignedValues() {
    return static_cast<TkcCalcEditPropertiesValues*>(TkcCustomEditProperties::AssignedValues());
  }
  // Significant digits: the assigned count, else the provider's, else 15; 16 and more read as
  // 15. An assigned 0 formats with 15 digits (the calculator then works with its minimum).
  int Precision();
  void SetPrecision(int Value);
  bool QuickClose = false;
  bool ScientificFormat() const { return fScientificFormat; }
  void SetScientificFormat(bool Value) { SetAndNotify(fScientificFormat, Value); }
  // Groups the integer digits (not in scientific notation).
  bool UseThousandSeparator() const { return fUseThousandSeparator; }
  void SetUseThousandSeparator(bool Value) { SetAndNotify(fUseThousandSeparator, Value); }

  // The text of a number as the editor shows it while focused (or with no display format).
  String FormatNumber(long double AValue);
  // A text as a number: thousand separators dropped; false for no number or one outside the
  // range a double holds (the smallest denormals and an underflow count as outside).
  static bool TryTextToNumber(const String& AText, double& AValue);

private:
  int fPrecision = 15;
  bool fScientificFormat = false;
  bool fUseThousandSeparator = false;
};

class TkcCalcEditProperties : public TkcCustomCalcEditProperties {
  VT_CLASS(TkcCalcEditProperties, TkcCustomCalcEditProperties)
public:
  explicit TkcCalcEditProperties(TPersistent* AOwner) : TkcCustomCalcEditProperties(AOwner) {}
};

class TkcCustomCalcEdit;

// The calculator in the popup: its display is the edit's text.
class TkcPopupCalculator : public TkcCustomCalculator {
  VT_CLASS(TkcPopupCalculator, TkcCustomCalculator)
public:
  explicit TkcPopupCalculator(TComponent* AOwner) : TkcCustomCalculator(AOwner) { fIsPopup = true; }
  TkcCustomCalcEdit* Edit = nullptr;
  // The keypad draws in the edit's look and feel, as its push buttons would.
  TkcLookAndFeelPainterClass GetPainter() override;
  String GetDisplayText() override;
  void SetDisplayText(const String& AText) override;
  void ResetPressedButton() { ReleaseButton(); }

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
};

class TkcCustomCalcEdit : public TkcCustomPopupEdit {
  VT_CLASS(TkcCustomCalcEdit, TkcCustomPopupEdit)
public:
  explicit TkcCustomCalcEdit(TComponent* AOwner) : TkcCustomCalcEdit(AOwner, false) {}
  TkcCustomCalcEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomCalcEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomCalcEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomCalcEdit() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomCalcEditProperties::StaticClass(); }
  TkcCustomCalcEditProperties* ActiveProperties() {
    return static_cast<TkcCustomCalcEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomCalcEditProperties* Properties() const {
    return static_cast<TkcCustomCalcEditProperties*>(TkcCustomEdit::Properties());
  }
  TkcPopupCalculator* Calculator() const { return fCalculator; }
  // 0 for no value.
  double Value();
  void SetValue(double AValue);

  bool CanDropDown() override;
  void DoInitPopup() override;
  void SetupPopupWindow() override;
  void DropDown() override;
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  // Whether typing the character keeps the text a number.
  bool IsValidChar(char32_t AKey);
  // Escape in the calculator: the text and modified state the popup found come back.
  void CancelPopupChanges();

protected:
  void DoEditKeyPress(char32_t& Key) override;
  void Initialize() override;
  void CreatePopupWindow() override;
  void PopupWindowShown(TObject* Sender) override;
  void PopupWindowClosed(TObject* Sender) override;

private:
  TkcPopupCalculator* fCalculator = nullptr;
  String fTextAtPopup;
  bool fModifiedAtPopup = false, fModifiedAfterEnterAtPopup = false;
};

class TkcCalcEdit : public TkcCustomCalcEdit {
  VT_CLASS(TkcCalcEdit, TkcCustomCalcEdit)
public:
  explicit TkcCalcEdit(TComponent* AOwner) : TkcCalcEdit(AOwner, false) {}
  TkcCalcEdit(TComponent* AOwner, bool AIsInplace) : TkcCalcEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcCalcEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomCalcEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCalcEditProperties::StaticClass(); }
  TkcCalcEditProperties* Properties() const {
    return static_cast<TkcCalcEditProperties*>(TkcCustomEdit::Properties());
  }
};
