#pragma once
// Properties of the blob editor kind: a button that shows a blob's kind and opens it in a popup.

#include "editors/kcMaskEdit.h"

class TkcCustomBlobEditProperties : public TkcCustomMaskEditProperties {
  VT_CLASS(TkcCustomBlobEditProperties, TkcCustomMaskEditProperties)
public:
  explicit TkcCustomBlobEditProperties(TPersistent* AOwner) : TkcCustomMaskEditProperties(AOwner) {}
};

class TkcBlobEditProperties : public TkcCustomBlobEditProperties {
  VT_CLASS(TkcBlobEditProperties, TkcCustomBlobEditProperties)
public:
  explicit TkcBlobEditProperties(TPersistent* AOwner) : TkcCustomBlobEditProperties(AOwner) {}
};
