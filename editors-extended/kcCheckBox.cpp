#include "editors-extended/kcCheckBox.h"

#include "data/kcDataUtils.h"
#include "editors/kcEditRepository.h"
#include "platform/core/Utf8.h"

TkcCustomCheckBoxProperties::TkcCustomCheckBoxProperties(TPersistent* AOwner)
    : TkcCustomEditProperties(AOwner),
      fDisplayChecked(Utf8ToWide(LocalizeText("True"))),
      fDisplayUnchecked(Utf8ToWide(LocalizeText("False"))) {}

TkcCustomCheckBoxProperties::~TkcCustomCheckBoxProperties() = default;

void TkcCustomCheckBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomCheckBoxProperties*>(Source);
  if (!source) {
    TkcCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomEditProperties::Assign(Source);
    SetAllowGrayed(source->AllowGrayed());
    SetDisplayChecked(source->DisplayChecked());
    SetDisplayUnchecked(source->DisplayUnchecked());
    SetDisplayGrayed(source->DisplayGrayed());
    SetFullFocusRect(source->FullFocusRect());
    SetGlyph(source->fGlyph.get());
    SetGlyphCount(source->GlyphCount());
    SetMultiLine(source->MultiLine());
    SetNullStyle(source->NullStyle());
    SetUseAlignmentWhenInplace(source->UseAlignmentWhenInplace());
    // Copied as a whole: one by one through the setters, which refuse a value equal to one of
    // the current three, a swap of the checked and unchecked values would be lost.
    const Variant checked = source->ValueChecked(), unchecked = source->ValueUnchecked();
    const Variant grayed = source->ValueGrayed();
    fValueChecked = checked;
    fValueUnchecked = unchecked;
    fValueGrayed = grayed;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomCheckBoxProperties::SetCaption(const String& Value) {
  fCaptionAssigned = true;
  SetAndNotify(fCaption, Value);
}

TBitmap* TkcCustomCheckBoxProperties::GetGlyph() {
  if (!fGlyph) {
    fGlyph = std::make_unique<TBitmap>();
    fGlyph->OnChange = TNotifyEvent(this, &TkcCustomCheckBoxProperties::GlyphChanged);
  }
  return fGlyph.get();
}

void TkcCustomCheckBoxProperties::SetGlyph(TBitmap* Value) {
  if (!Value) {
    if (!fGlyph) return;
    fGlyph.reset();
    Changed();
    return;
  }
  GetGlyph()->Assign(Value);
}

void TkcCustomCheckBoxProperties::SetGlyphCount(int Value) {
  if (fGlyphCount == Value) return;
  fGlyphCount = Value;
  if (fGlyph) Changed();
}

bool TkcCustomCheckBoxProperties::IsValueOfOwn(const Variant& AValue) {
  return !VarEqualsWithType(AValue, fValueChecked) && !VarEqualsWithType(AValue, fValueUnchecked) &&
         !VarEqualsWithType(AValue, fValueGrayed);
}

void TkcCustomCheckBoxProperties::SetValueChecked(const Variant& Value) {
  if (VarIsNull(Value) || !IsValueOfOwn(Value)) return;
  fValueChecked = Value;
  Changed();
}

void TkcCustomCheckBoxProperties::SetValueUnchecked(const Variant& Value) {
  if (VarIsNull(Value) || !IsValueOfOwn(Value)) return;
  fValueUnchecked = Value;
  Changed();
}

void TkcCustomCheckBoxProperties::SetValueGrayed(const Variant& Value) {
  if (!IsValueOfOwn(Value)) return;
  fValueGrayed = Value;
  Changed();
}

TkcCheckBoxState TkcCustomCheckBoxProperties::GetState(const Variant& AEditValue) {
  if (VariantsEqual(AEditValue, fValueChecked)) return cbsChecked;
  if (VariantsEqual(AEditValue, fValueUnchecked)) return cbsUnchecked;
  return cbsGrayed;
}

TkcCheckBoxState TkcCustomCheckBoxProperties::NextState(TkcCheckBoxState AState) const {
  switch (AState) {
    case cbsUnchecked: return fAllowGrayed ? cbsGrayed : cbsChecked;
    case cbsChecked: return cbsUnchecked;
    default: return cbsChecked;
  }
}

bool TkcCustomCheckBoxProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetState(AEditValue1) == GetState(AEditValue2);
}

WideString TkcCustomCheckBoxProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  switch (GetState(AEditValue)) {
    case cbsUnchecked: return fDisplayUnchecked;
    case cbsChecked: return fDisplayChecked;
    default: return fDisplayGrayed;
  }
}

int TkcCustomCheckBoxProperties::GetSpecialFeatures() {
  return TkcCustomEditProperties::GetSpecialFeatures() | (1 << 2);
}

bool TkcCustomCheckBoxProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  return TkcCustomEditProperties::IsEditValueValid(AEditValue, AEditFocused) && !IsValueOfOwn(AEditValue);
}

void TkcCustomCheckBoxProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) {
  ADisplayValue = Variant(static_cast<int>(GetState(AEditValue)));
}

void TkcCustomCheckBoxProperties::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  if (VarIsNull(ADisplayValue) || !VarIsOrdinal(ADisplayValue)) return;
  switch (ADisplayValue.AsInteger()) {
    case cbsUnchecked: AEditValue = fValueUnchecked; break;
    case cbsChecked: AEditValue = fValueChecked; break;
    case cbsGrayed: AEditValue = fValueGrayed; break;
    default: break;
  }
}
