#pragma once
// The button edit: the masked text editor with one ellipsis button preset; the application
// answers the button through the properties' OnButtonClick (the edit control raises it for a
// click on the button, or the click key when the button is the default one).

#include "editors/kcMaskEdit.h"
#include "editors/kcMaskEditControl.h"

class TkcCustomButtonEditProperties : public TkcCustomMaskEditProperties {
  VT_CLASS(TkcCustomButtonEditProperties, TkcCustomMaskEditProperties)
public:
  explicit TkcCustomButtonEditProperties(TPersistent* AOwner);
  TClass GetContainerClass() override;
};

class TkcButtonEditProperties : public TkcCustomButtonEditProperties {
  VT_CLASS(TkcButtonEditProperties, TkcCustomButtonEditProperties)
public:
  explicit TkcButtonEditProperties(TPersistent* AOwner) : TkcCustomButtonEditProperties(AOwner) {}
};

class TkcCustomButtonEdit : public TkcCustomMaskEdit {
  VT_CLASS(TkcCustomButtonEdit, TkcCustomMaskEdit)
public:
  explicit TkcCustomButtonEdit(TComponent* AOwner) : TkcCustomButtonEdit(AOwner, false) {}
  TkcCustomButtonEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomButtonEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomButtonEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomMaskEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomButtonEditProperties::StaticClass(); }
};

class TkcButtonEdit : public TkcCustomButtonEdit {
  VT_CLASS(TkcButtonEdit, TkcCustomButtonEdit)
public:
  explicit TkcButtonEdit(TComponent* AOwner) : TkcButtonEdit(AOwner, false) {}
  TkcButtonEdit(TComponent* AOwner, bool AIsInplace) : TkcButtonEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcButtonEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomButtonEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcButtonEditProperties::StaticClass(); }
  TkcButtonEditProperties* Properties() const {
    return static_cast<TkcButtonEditProperties*>(TkcCustomEdit::Properties());
  }
};
