#pragma once
// The calc edit: a numeric text editor with a drop-down calculator whose display is the edit's
// own text box.

#include "editors-extended/kcCalc.h"
#include "editors/kcPopupEdit.h"

class TkcCustomCalcEditProperties : public TkcCustomPopupEditProperties {
  VT_CLASS(TkcCustomCalcEditProperties, TkcCustomPopupEditProperties)
public:
  explicit TkcCustomCalcEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  bool PostValueOnPopupClosed() override { return true; }
  bool PopupWindowCanShrinkToDesktop() override { return false; }

  bool BeepOnError = true;
  bool QuickClose = false;
  bool ScientificFormat = false;
  // Significant digits, 1 to 15.
  int Precision() const { return fPrecision; }
  void SetPrecision(int Value) { SetAndNotify(fPrecision, Value <= 0 || Value > 15 ? 15 : Value); }

private:
  int fPrecision = 15;
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
  String GetDisplayText() override;
  void SetDisplayText(const String& AText) override;

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

  bool CanDropDown() override { return !ActiveProperties()->ReadOnly(); }
  void DropDown() override;
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  // Whether typing the character keeps the text a number.
  bool IsValidChar(char32_t AKey);

protected:
  void DoEditKeyPress(char32_t& Key) override;
  void Initialize() override;
  void CreatePopupWindow() override;
  void PopupWindowClosed(TObject* Sender) override;

private:
  TkcPopupCalculator* fCalculator = nullptr;
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
