#pragma once
// Editor styles: the container style per state plus the values only editors have (button
// style and transparency, popup border, gradient buttons), read from the style, then from its
// controller's style of the same state, then from the defaults. One default edit style
// controller serves every stand-alone editor whose style names none.

#include "controls/kcContainer.h"
#include "editors/kcEditPopupLayout.h"
#include "editors/kcEditUtils.h"

enum TkcEditBorderStyle { ebsNone, ebsSingle, ebsThick, ebsFlat, ebs3D, ebsUltraFlat, ebsOffice11 };
enum TkcEditButtonTransparency { ebtNone, ebtInactive, ebtAlways, ebtHideInactive, ebtHideUnselected };

// The editor style values after the container's ten.
constexpr int kcsvButtonStyle = 10, kcsvButtonTransparency = 11, kcsvPopupBorderStyle = 12, kcsvGradientButtons = 13;

class TkcCustomEditStyle : public TkcContainerStyle {
  VT_CLASS(TkcCustomEditStyle, TkcContainerStyle)
public:
  TkcCustomEditStyle(TPersistent* AOwner, bool AIsLightweight, TkcContainerStyle* AParentStyle,
                     TkcContainerStyleState AState);
  void Assign(TPersistent* Source) override;

  TkcStyleController* GetDefaultStyleController() override;
  TkcContainerStyleValues GetCommonStyleValues() override;
  int GetStyleValueCount() override { return 14; }
  bool GetStyleValueName(int AIndex, String& AName) override;
  bool IsValueAssigned(TkcContainerStyleValue AValue) override;

  virtual TkcEditButtonStyle GetDefaultButtonStyle();
  virtual TkcEditButtonTransparency GetDefaultButtonTransparency();
  virtual bool GetDefaultGradientButtons();
  virtual TkcEditPopupBorderStyle GetDefaultPopupBorderStyle();

  TkcEditButtonStyle ButtonStyle();
  void SetButtonStyle(TkcEditButtonStyle Value);
  TkcEditButtonTransparency ButtonTransparency();
  void SetButtonTransparency(TkcEditButtonTransparency Value);
  bool GradientButtons();
  void SetGradientButtons(bool Value);
  TkcEditPopupBorderStyle PopupBorderStyle();
  void SetPopupBorderStyle(TkcEditPopupBorderStyle Value);
  bool PopupCloseButton();
  void SetPopupCloseButton(bool Value);
  TkcEditBorderStyle EditBorderStyle() { return static_cast<TkcEditBorderStyle>(BorderStyle()); }
  void SetEditBorderStyle(TkcEditBorderStyle Value) { SetBorderStyle(static_cast<TkcContainerBorderStyle>(Value)); }
  // Whether this style itself assigns an editor value.
  bool IsEditValueOwnAssigned(int AValue) const { return (fEditAssigned >> AValue) & 1; }

private:
  TkcCustomEditStyle* NormalStyle();
  // The style of the same state in the controller chain that assigns AValue, or null.
  TkcCustomEditStyle* ControllerStyleAssigningEditValue(int AValue);
  template <class T>
  T Read(int AValue, T TkcCustomEditStyle::*AField, T (TkcCustomEditStyle::*ADefault)());
  template <class T>
  void Write(int AValue, T TkcCustomEditStyle::*AField, T AValueToSet);

  TkcEditButtonStyle fButtonStyle = btsDefault;
  TkcEditButtonTransparency fButtonTransparency = ebtNone;
  bool fGradientButtons = false;
  TkcEditPopupBorderStyle fPopupBorderStyle = epbsDefault;
  bool fPopupCloseButton = true;
  unsigned fEditAssigned = 0;
};

class TkcEditStyle : public TkcCustomEditStyle {
  VT_CLASS(TkcEditStyle, TkcCustomEditStyle)
public:
  using TkcCustomEditStyle::TkcCustomEditStyle;
};

class TkcEditStyleController : public TkcStyleController {
  VT_CLASS(TkcEditStyleController, TkcStyleController)
public:
  explicit TkcEditStyleController(TComponent* AOwner) : TkcStyleController(AOwner) {}
  TkcContainerStyleClass GetContainerStyleClass() override { return TkcEditStyle::StaticClass(); }
  TkcEditStyle* Style() { return static_cast<TkcEditStyle*>(GetStyleForState(cssNormal)); }
  TkcEditStyle* StyleFocused() { return static_cast<TkcEditStyle*>(GetStyleForState(cssFocused)); }
  TkcEditStyle* StyleDisabled() { return static_cast<TkcEditStyle*>(GetStyleForState(cssDisabled)); }
  TkcEditStyle* StyleHot() { return static_cast<TkcEditStyle*>(GetStyleForState(cssHot)); }
};

// The process-wide default edit style controller (also every container's default controller),
// made at start-up and cleared at exit.
TkcEditStyleController* GetDefaultEditStyleController();
