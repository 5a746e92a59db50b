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

// Comparisons and blanks of amounts (ranges and lists in the extended set); never like.
class TkcFilterCurrencyEditHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterCurrencyEditHelper, TkcFilterTextEditHelper)
public:
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  // A condition value is any amount, and may be blank.
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// A link filters as text.
class TkcFilterHyperLinkEditHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterHyperLinkEditHelper, TkcFilterTextEditHelper)
};

void RegisterExtendedFilterEditHelpers();
void UnregisterExtendedFilterEditHelpers();
