#pragma once
// The filter helpers of the extended editor kinds, paired with their properties classes by
// this library's start-up (the editor kinds lie below it and cannot name their helpers). A
// kind without a pair of its own finds its nearest ancestor's: the blob editor the mask
// editor's, the image editor none. The MRU edit is paired with the plain text helper: its list
// is a history, not a choice of values.

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

// Dates: the comparisons and blanks; the extended set adds between, in lists and the twelve
// relative dates. Values are edited in a date edit that clears to no date.
class TkcFilterDateEditHelper : public TkcFilterDropDownEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterDateEditHelper, TkcFilterDropDownEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// Check boxes: equals, does not equal and the blank tests, the value chosen from the two
// display texts of the checked and unchecked values in a fixed list.
class TkcFilterCheckBoxHelper : public TkcFilterComboBoxHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterCheckBoxHelper, TkcFilterComboBoxHelper)
public:
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
  void ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties, Variant& AValue,
                       String& ADisplayText) const override;
  void WriteFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                        const Variant& AValue) const override;
  bool ShowsDisplayText() const override { return true; }
};

// Radio groups: the value chosen from the item captions in a fixed list (none: the default).
class TkcFilterRadioGroupHelper : public TkcFilterComboBoxHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterRadioGroupHelper, TkcFilterComboBoxHelper)
public:
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
  void ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties, Variant& AValue,
                       String& ADisplayText) const override;
  void WriteFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties,
                        const Variant& AValue) const override;
  bool ShowsDisplayText() const override { return true; }
};

// Amounts: the comparisons and blanks (ranges and lists in the extended set), never like.
class TkcFilterCurrencyEditHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterCurrencyEditHelper, TkcFilterTextEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  // A condition value is any amount, and may be blank.
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// Numbers typed or computed in a calc edit: the comparisons and blanks (ranges and lists in the
// extended set); "=" in its calculator closes the popup with the result.
class TkcFilterCalcEditHelper : public TkcFilterDropDownEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterCalcEditHelper, TkcFilterDropDownEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// A link filters as text, edited in a hyperlink edit.
class TkcFilterHyperLinkEditHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterHyperLinkEditHelper, TkcFilterTextEditHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
};

// Image combo boxes: equals, does not equal and the blank tests (in lists in the extended
// set), the value chosen from the source's items with their images.
class TkcFilterImageComboBoxHelper : public TkcFilterComboBoxHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterImageComboBoxHelper, TkcFilterComboBoxHelper)
public:
  TkcFilterEditClass GetFilterEditClass() const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
};

// Lookup combo boxes: equals, does not equal and the blank tests; the value is the chosen key,
// shown by its list text, picked in a fixed-list lookup combo box with a sizeable list.
class TkcFilterLookupComboBoxHelper : public TkcFilterComboBoxHelper {
  KC_FILTER_EDIT_HELPER(TkcFilterLookupComboBoxHelper, TkcFilterComboBoxHelper)
public:
  bool KeepsDefaultValuesProvider(TkcCustomEditProperties* ASourceProperties) const override;
  TkcFilterEditClass GetFilterEditClass() const override;
  void ReadFilterValue(IkcFilterEdit* AEdit, TkcCustomEditProperties* AEditProperties, Variant& AValue,
                       String& ADisplayText) const override;
  TkcConditionOperators GetSupportedOperators(TkcCustomEditProperties* AProperties, TkcValueTypeClass AValueTypeClass,
                                              bool AExtendedSet) const override;
  void InitializeProperties(TkcCustomEditProperties* AProperties, TkcCustomEditProperties* ASourceProperties,
                            bool AKeepButtons) const override;
  bool AcceptsValue(TkcValueTypeClass, Variant&) const override { return true; }
};

void RegisterExtendedFilterEditHelpers();
void UnregisterExtendedFilterEditHelpers();
