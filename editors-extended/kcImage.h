#pragma once
// Properties of the image editor kind: a picture held as its stream.

#include "editors/kcEdit.h"

class TkcCustomImageProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomImageProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomImageProperties(TPersistent* AOwner) : TkcCustomEditProperties(AOwner) {}
};

class TkcImageProperties : public TkcCustomImageProperties {
  VT_CLASS(TkcImageProperties, TkcCustomImageProperties)
public:
  explicit TkcImageProperties(TPersistent* AOwner) : TkcCustomImageProperties(AOwner) {}
};
