#pragma once
// The filter helpers of the extended editor kinds, paired with their properties classes by
// this library's start-up (the editor kinds lie below it and cannot name their helpers). A
// kind without a pair of its own finds its nearest ancestor's: the blob editor the mask
// editor's, the image editor none.

#include "filter-builder/kcFilterControlUtils.h"

// Like, not like, is blank and is not blank: what a memo can be filtered by.
class TkcFilterMemoHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterMemoHelper, TkcFilterTextEditHelper)
public:
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
};

// Numbers: the comparisons and blanks; the extended set adds between and in lists. Values are
// edited in a spin edit with its buttons.
class TkcFilterSpinEditHelper : public TkcFilterMaskEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterSpinEditHelper, TkcFilterMaskEditHelper)
public:
  bool KeepsEditButtons() const override { return true; }
  TkcFilterEditClass GetFilterEditClass() const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// Times: the spin edit's operators, edited in a time edit that starts at midnight.
class TkcFilterTimeEditHelper : public TkcFilterSpinEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterTimeEditHelper, TkcFilterSpinEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  void InitializeFilterEdit(IkcFilterEdit* AEdit, TkcCustomEditProperties* ASourceProperties) const override;
};

void RegisterExtendedFilterEditHelpers();
void UnregisterExtendedFilterEditHelpers();
