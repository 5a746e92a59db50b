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
