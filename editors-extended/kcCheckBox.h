#pragma once
// The check box editor kind: an edit value stands for one of three states by the properties'
// checked, unchecked and grayed values; the states have display texts of their own.

#include <vector>

#include "controls/kcGraphics.h"
#include "editors/kcEdit.h"
#include "editors/kcEditStyles.h"
#include "platform/forms/Graphics.h"

enum TkcCheckBoxState { cbsUnchecked, cbsChecked, cbsGrayed };
enum TkcCheckBoxNullValueShowingStyle { nssUnchecked, nssInactive, nssGrayedChecked };
using TkcCheckStates = std::vector<TkcCheckBoxState>;

class TkcCustomCheckBoxProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomCheckBoxProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomCheckBoxProperties(TPersistent* AOwner);
  ~TkcCustomCheckBoxProperties() override;
  void Assign(TPersistent* Source) override;

  bool AllowGrayed() const { return fAllowGrayed; }
  void SetAllowGrayed(bool Value) { SetAndNotify(fAllowGrayed, Value); }
  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  bool IsCaptionAssigned() const { return fCaptionAssigned; }
  void ClearCaptionAssigned() { fCaptionAssigned = false; }
  const WideString& DisplayChecked() const { return fDisplayChecked; }
  void SetDisplayChecked(const WideString& Value) { SetAndNotify(fDisplayChecked, Value); }
  const WideString& DisplayUnchecked() const { return fDisplayUnchecked; }
  void SetDisplayUnchecked(const WideString& Value) { SetAndNotify(fDisplayUnchecked, Value); }
  const WideString& DisplayGrayed() const { return fDisplayGrayed; }
  void SetDisplayGrayed(const WideString& Value) { SetAndNotify(fDisplayGrayed, Value); }
  bool FullFocusRect() const { return fFullFocusRect; }
  void SetFullFocusRect(bool Value) { SetAndNotify(fFullFocusRect, Value); }
  // Made empty on first call; its changes are the properties' changes.
  TBitmap* GetGlyph();
  bool HasGlyph() const { return fGlyph != nullptr; }
  void SetGlyph(TBitmap* Value);
  int GlyphCount() const { return fGlyphCount; }
  void SetGlyphCount(int Value);
  bool MultiLine() const { return fMultiLine; }
  void SetMultiLine(bool Value) { SetAndNotify(fMultiLine, Value); }
  TkcCheckBoxNullValueShowingStyle NullStyle() const { return fNullStyle; }
  void SetNullStyle(TkcCheckBoxNullValueShowingStyle Value) { SetAndNotify(fNullStyle, Value); }
  bool UseAlignmentWhenInplace() const { return fUseAlignmentWhenInplace; }
  void SetUseAlignmentWhenInplace(bool Value) { SetAndNotify(fUseAlignmentWhenInplace, Value); }
  // A value is taken only when it differs from all three (checked and unchecked: never Null).
  const Variant& ValueChecked() const { return fValueChecked; }
  void SetValueChecked(const Variant& Value);
  const Variant& ValueUnchecked() const { return fValueUnchecked; }
  void SetValueUnchecked(const Variant& Value);
  const Variant& ValueGrayed() const { return fValueGrayed; }
  void SetValueGrayed(const Variant& Value);

  bool HasSeparateChangeEvents() override { return true; }
  bool IsEditValueComparable() override { return true; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  int GetSpecialFeatures() override;
  int GetOperationSupport() override { return 0x5AD; }
  bool IsActivationKey(char32_t ACh) override { return ACh == U' '; }
  bool IsEditValueValid(Variant& AEditValue, bool AEditFocused) override;
  // The state ordinal as an integer.
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  // The value of a state (a display value that is no state leaves AEditValue as it is).
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue);
  virtual bool IsCaptionShownInplace() { return false; }
  // Checked or unchecked when the value equals that value (a Boolean matches its text), else grayed.
  TkcCheckBoxState GetState(const Variant& AEditValue);
  bool IsValueOfOwn(const Variant& AValue);
  // The state a toggle leads to: unchecked, (grayed,) checked, unchecked; grayed goes to checked.
  TkcCheckBoxState NextState(TkcCheckBoxState AState) const;
  TClass GetContainerClass() override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;

private:
  void GlyphChanged(TObject*) { Changed(); }
  bool fAllowGrayed = false;
  bool fCaptionAssigned = false;
  bool fFullFocusRect = false;
  bool fMultiLine = false;
  bool fUseAlignmentWhenInplace = false;
  int fGlyphCount = 6;
  String fCaption;
  WideString fDisplayChecked, fDisplayUnchecked, fDisplayGrayed;
  std::unique_ptr<TBitmap> fGlyph;
  TkcCheckBoxNullValueShowingStyle fNullStyle = nssGrayedChecked;
  Variant fValueChecked = true, fValueUnchecked = false, fValueGrayed = Null();
};

class TkcCheckBoxProperties : public TkcCustomCheckBoxProperties {
  VT_CLASS(TkcCheckBoxProperties, TkcCustomCheckBoxProperties)
public:
  explicit TkcCheckBoxProperties(TPersistent* AOwner) : TkcCustomCheckBoxProperties(AOwner) {}
};

// ---- The check square ------------------------------------------------------------------------

// Check button states: normal, hot, pressed, disabled.
enum TkcCheckButtonState { kccbsNormal, kccbsHot, kccbsPressed, kccbsDisabled };

// The square's border by the edit's border style and its hot state (0 none, 1 not hot, 2 hot).
TkcEditBorderStyle CheckBorderStyleByHotState(TkcEditBorderStyle AStyle, int AHotState);
// The image of a strip of unchecked, checked, grayed (and the same pressed) images.
int CalcCheckGlyphIndex(TkcCheckBoxState AState, TkcCheckButtonState AButtonState, int AGlyphCount);
// The square's size: a glyph strip's image, else the painter's check box extent.
TSize GetCheckAreaSize(TBitmap* AGlyph, int AGlyphCount);
// The check mark in AColor over ARect (the system check mark, as a mask).
void DrawCheckMarkByMask(TkcCanvas* ACanvas, const TRect& ARect, TColor AColor);
// One check square: a glyph strip's image, or border, background and mark in a border style.
void PaintCheckArea(TkcCanvas* ACanvas, const TRect& ACheckRect, TkcCheckBoxState AState,
                    TkcCheckButtonState AButtonState, TBitmap* AGlyph, int AGlyphCount, TkcEditBorderStyle ABorderStyle,
                    TColor ABorderColor, TColor ABackgroundColor, bool AIsBackgroundOpaque, bool AIsDesigning,
                    bool AIsFocused, TkcCheckBoxNullValueShowingStyle ANullStyle);

// Whether AKey is the accelerator ('&' before it, case ignored) of a control's caption.
bool IsCaptionAccelerator(char32_t AKey, const String& ACaption);

// ---- The check box control ---------------------------------------------------------------------

#include "editors/kcEditControl.h"
#include "editors/kcTextEditViewInfo.h"

class TkcCustomCheckBoxViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcCustomCheckBoxViewInfo, TkcCustomTextEditViewInfo)
public:
  TAlignment Alignment = taLeftJustify;  // of the square: left, right or centred
  int CheckBorderOffset = 0;
  TkcEditBorderStyle CheckBorderStyle = ebs3D;
  TBitmap* Glyph = nullptr;
  int GlyphCount = 0;
  TRect CheckRect{};
  TkcCheckButtonState CheckButtonState = kccbsNormal;
  TRect FocusRect{};
  bool IsGlyphUsable = false;
  bool IsTextColorAssigned = false;
  bool IsDesigning = false;
  TkcCheckBoxNullValueShowingStyle NullStyle = nssGrayedChecked;
  TkcCheckBoxState State = cbsUnchecked;

  void DrawBackground(TkcCanvas* ACanvas) override;
  void OffsetBounds(int DX, int DY) override;
};

class TkcCustomCheckBoxViewData : public TkcCustomEditViewData {
  VT_CLASS(TkcCustomCheckBoxViewData, TkcCustomEditViewData)
public:
  TkcCustomCheckBoxViewData(TkcCustomCheckBoxProperties* AProperties, TkcCustomEditStyle* AStyle, bool AIsInplace)
      : TkcCustomEditViewData(AProperties, AStyle, AIsInplace) {}
  TkcCustomCheckBoxProperties* CheckProperties() const {
    return static_cast<TkcCustomCheckBoxProperties*>(Properties);
  }
  // The caption (the control's text) and whether the space key holds the square down.
  String Caption;
  bool KeyHeld = false;
  // The square was pressed before this calculation (a held button keeps it pressed).
  bool WasPressed = false;
  bool IsDesigning = false;

  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcCustomCheckBoxViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TkcEditBorderStyle GetBorderStyle() override { return ebsNone; }
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  virtual int GetCaptionTextFlags(TAlignment ASquareAlignment);
  // The state of a value, the caption shown in place and the focus rectangle.
  void FillViewInfoValue(TkcCustomCheckBoxViewInfo* AViewInfo, const Variant& AEditValue);
  void CalculateFocusRect(TkcCanvas* ACanvas, TkcCustomCheckBoxViewInfo* AViewInfo);
};

class TkcCheckBoxStyle : public TkcEditStyle {
  VT_CLASS(TkcCheckBoxStyle, TkcEditStyle)
public:
  using TkcEditStyle::TkcEditStyle;
  bool HasBorder() override { return false; }
};

class TkcCustomCheckBox : public TkcCustomEdit {
  VT_CLASS(TkcCustomCheckBox, TkcCustomEdit)
public:
  explicit TkcCustomCheckBox(TComponent* AOwner) : TkcCustomCheckBox(AOwner, false) {}
  TkcCustomCheckBox(TComponent* AOwner, bool AIsInplace) : TkcCustomCheckBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomCheckBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomEdit(AOwner, AIsInplace, TDeferCreation{}) {}

  TkcCustomCheckBoxProperties* ActiveProperties() {
    return static_cast<TkcCustomCheckBoxProperties*>(GetEffectiveProperties());
  }
  TkcCustomCheckBoxProperties* Properties() const {
    return static_cast<TkcCustomCheckBoxProperties*>(TkcCustomEdit::Properties());
  }
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomCheckBoxProperties::StaticClass(); }
  TkcContainerStyleClass GetContainerStyleClass() override { return TkcCheckBoxStyle::StaticClass(); }
  TkcCustomCheckBoxViewInfo* CheckViewInfo() { return static_cast<TkcCustomCheckBoxViewInfo*>(ViewInfo()); }

  bool Checked() { return State() == cbsChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbsChecked : cbsUnchecked); }
  TkcCheckBoxState State() { return ActiveProperties()->GetState(EditValue()); }
  void SetState(TkcCheckBoxState Value);
  // One user toggle: unchecked, (grayed,) checked, unchecked.
  virtual void Toggle();
  void ClearValue() { SetChecked(false); }

  void CalculateViewInfo(const TPoint& P, bool AHotAllowed) override;
  bool UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) override;
  bool DefaultParentColor() override { return true; }
  void SynchronizeDisplayValue() override;
  void PropertiesChanged(TObject* Sender) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void DoEditKeyUp(WORD& Key, TShiftState Shift) override;
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize() override;
  void DoExit() override;
  void CreateParams(TCreateParams& Params) override;

private:
  void InvalidateCheck();
  bool fKeyHeld = false;
  bool fStateKnown = false;
  TkcCheckBoxState fShownState = cbsUnchecked;
  TShiftState fShift;
  bool fIsMouseEvent = false;
};

class TkcCheckBox : public TkcCustomCheckBox {
  VT_CLASS(TkcCheckBox, TkcCustomCheckBox)
public:
  explicit TkcCheckBox(TComponent* AOwner) : TkcCheckBox(AOwner, false) {}
  TkcCheckBox(TComponent* AOwner, bool AIsInplace) : TkcCheckBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCheckBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomCheckBox(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCheckBoxProperties::StaticClass(); }
  TkcCheckBoxProperties* Properties() const {
    return static_cast<TkcCheckBoxProperties*>(TkcCustomEdit::Properties());
  }
};
