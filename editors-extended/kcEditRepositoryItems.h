#pragma once
// One repository item class per editor kind: each names its properties class (the text and
// mask items live with the editor framework).

#include "editors/kcEditRepository.h"

#define VT_EDIT_REPOSITORY_ITEM(Name)                                    \
  class Name : public TkcEditRepositoryItem {                            \
    VT_CLASS(Name, TkcEditRepositoryItem)                                \
  public:                                                                \
    explicit Name(TComponent* AOwner) : TkcEditRepositoryItem(AOwner) {} \
    TkcCustomEditPropertiesClass GetEditPropertiesClass() override;      \
  }

VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryButtonItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryImageItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryComboBoxItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryPopupItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryCalcItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryDateItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryCurrencyItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositorySpinItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryMemoItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryImageComboBoxItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryBlobItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryCheckBoxItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryTimeItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryMRUItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryHyperLinkItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryRadioGroupItem);
VT_EDIT_REPOSITORY_ITEM(TkcEditRepositoryLookupComboBoxItem);
