#include "editors-extended/kcButtonEdit.h"

TkcCustomButtonEditProperties::TkcCustomButtonEditProperties(TPersistent* AOwner)
    : TkcCustomMaskEditProperties(AOwner) {
  Buttons()->Add()->SetKind(bkEllipsis);
}

TClass TkcCustomButtonEditProperties::GetContainerClass() { return TkcButtonEdit::StaticClass(); }
