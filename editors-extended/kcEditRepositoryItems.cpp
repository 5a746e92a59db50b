#include "editors-extended/kcEditRepositoryItems.h"

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCalcEdit.h"
#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors-extended/kcTimeEdit.h"
#include "editors/kcComboBox.h"
#include "editors/kcMaskEdit.h"
#include "editors/kcPopupEdit.h"

// One line per kind. A kind whose editor is not built yet names its nearest built ancestor,
// so that its columns still show and edit text.
#define VT_ITEM_PROPERTIES(Item, Properties) \
  TkcCustomEditPropertiesClass Item::GetEditPropertiesClass() { return TkcCustomEditPropertiesClass::Of<Properties>(); }

VT_ITEM_PROPERTIES(TkcEditRepositoryButtonItem, TkcButtonEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryImageItem, TkcImageProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryComboBoxItem, TkcComboBoxProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryPopupItem, TkcPopupEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryCalcItem, TkcCalcEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryDateItem, TkcDateEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryCurrencyItem, TkcCurrencyEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositorySpinItem, TkcSpinEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryMemoItem, TkcMemoProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryImageComboBoxItem, TkcMaskEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryBlobItem, TkcBlobEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryCheckBoxItem, TkcCheckBoxProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryTimeItem, TkcTimeEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryMRUItem, TkcMRUEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryHyperLinkItem, TkcHyperLinkEditProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryRadioGroupItem, TkcRadioGroupProperties)
VT_ITEM_PROPERTIES(TkcEditRepositoryLookupComboBoxItem, TkcLookupComboBoxProperties)
