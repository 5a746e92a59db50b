#pragma once
// The MRU edit: a combo box whose list holds the texts entered, most recent first, cut to a
// maximum length; an ellipsis button beside the drop-down button raises its own event.

#include "editors/kcComboBox.h"

class TkcCustomMRUEditProperties : public TkcCustomComboBoxProperties {
  VT_CLASS(TkcCustomMRUEditProperties, TkcCustomComboBoxProperties)
public:
  explicit TkcCustomMRUEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;
  void Changed() override;
  TClass GetContainerClass() override;
  // The list goes back to the properties an in-place editor was made from.
  void CopyDataTo(TkcCustomEditProperties* AProperties) override;

  // 0: no limit.
  int MaxItemCount() const { return fMaxItemCount; }
  void SetMaxItemCount(int Value);
  bool ShowEllipsis() const { return fShowEllipsis; }
  void SetShowEllipsis(bool Value);
  // The ellipsis button's click (the base event still reports every button).
  TNotifyEvent OnButtonClick;
  void RemoveExcessItems();

private:
  // The drop-down button and the ellipsis take their kinds again: the glyph, where there is
  // one, sits on the ellipsis while it is shown, else on the drop-down button.
  void UpdateButtonKinds();
  int fMaxItemCount = 0;
  bool fShowEllipsis = true;
  bool fUpdatingButtons = false;
};

class TkcMRUEditProperties : public TkcCustomMRUEditProperties {
  VT_CLASS(TkcMRUEditProperties, TkcCustomMRUEditProperties)
public:
  explicit TkcMRUEditProperties(TPersistent* AOwner) : TkcCustomMRUEditProperties(AOwner) {}
};

class TkcCustomMRUEdit : public TkcCustomComboBox {
  VT_CLASS(TkcCustomMRUEdit, TkcCustomComboBox)
public:
  explicit TkcCustomMRUEdit(TComponent* AOwner) : TkcCustomMRUEdit(AOwner, false) {}
  TkcCustomMRUEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomMRUEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomMRUEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomComboBox(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomMRUEditProperties::StaticClass(); }
  TkcCustomMRUEditProperties* ActiveProperties() {
    return static_cast<TkcCustomMRUEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomMRUEditProperties* Properties() const {
    return static_cast<TkcCustomMRUEditProperties*>(TkcCustomEdit::Properties());
  }
  // Moves the text to the top of the list, inserting it when new.
  void AddItem(const String& AText);
  void DoButtonClick(int AButtonVisibleIndex) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void SetValidatedDisplayValue(const Variant& AValue) override;

protected:
  // An item chosen in the list and accepted moves to the top (with ValidateOnEnter).
  void PopupWindowClosed(TObject* Sender) override;
};

class TkcMRUEdit : public TkcCustomMRUEdit {
  VT_CLASS(TkcMRUEdit, TkcCustomMRUEdit)
public:
  explicit TkcMRUEdit(TComponent* AOwner) : TkcMRUEdit(AOwner, false) {}
  TkcMRUEdit(TComponent* AOwner, bool AIsInplace) : TkcMRUEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcMRUEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomMRUEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcMRUEditProperties::StaticClass(); }
  TkcMRUEditProperties* Properties() const { return static_cast<TkcMRUEditProperties*>(TkcCustomEdit::Properties()); }
};
