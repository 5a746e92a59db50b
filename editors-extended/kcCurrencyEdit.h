#pragma once
// Properties of the currency editor kind.

#include "editors/kcTextEdit.h"

class TkcCustomCurrencyEditProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomCurrencyEditProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomCurrencyEditProperties(TPersistent* AOwner) : TkcCustomTextEditProperties(AOwner) {}
};

class TkcCurrencyEditProperties : public TkcCustomCurrencyEditProperties {
  VT_CLASS(TkcCurrencyEditProperties, TkcCustomCurrencyEditProperties)
public:
  explicit TkcCurrencyEditProperties(TPersistent* AOwner) : TkcCustomCurrencyEditProperties(AOwner) {}
};
