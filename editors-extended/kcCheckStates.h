#pragma once
// The states of a list of check items as one edit value and back, in four formats, and the
// small value checks used to validate such values.

#include "editors-extended/kcCheckBox.h"

enum TkcCheckStatesValueFormat { cvfCaptions, cvfIndices, cvfInteger, cvfStatesString };

// The items whose states are encoded: their count and captions.
struct IkcCheckItemCaptions {
  virtual int GetCount() = 0;
  virtual String GetCaption(int Index) = 0;

protected:
  ~IkcCheckItemCaptions() = default;
};

Variant EncodeCheckStates(const TkcCheckStates& AStates, IkcCheckItemCaptions* AItems,
                          TkcCheckStatesValueFormat AFormat);
// False (and every item unchecked) when the value is not understood.
bool DecodeCheckStates(const Variant& AValue, IkcCheckItemCaptions* AItems, TkcCheckStatesValueFormat AFormat,
                       TkcCheckStates& AStates);

bool IsEmptyValue(const Variant& AValue);
bool IsIntegerText(const String& AText);
// Digits, at most one locale decimal separator and a leading minus; no exponent or grouping.
bool IsFloatText(const String& AText);
