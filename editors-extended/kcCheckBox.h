#pragma once
// Properties of the check box editor kind.

#include "editors/kcEdit.h"

class TkcCustomCheckBoxProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomCheckBoxProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomCheckBoxProperties(TPersistent* AOwner) : TkcCustomEditProperties(AOwner) {}
};

class TkcCheckBoxProperties : public TkcCustomCheckBoxProperties {
  VT_CLASS(TkcCheckBoxProperties, TkcCustomCheckBoxProperties)
public:
  explicit TkcCheckBoxProperties(TPersistent* AOwner) : TkcCustomCheckBoxProperties(AOwner) {}
};
