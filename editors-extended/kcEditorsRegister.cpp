#include "editors-extended/kcEditorsRegister.h"

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtonEdit.h"
#include "editors-extended/kcCalcEdit.h"
#include "editors-extended/kcCheckBox.h"
#include "editors-extended/kcCurrencyEdit.h"
#include "editors-extended/kcDBLookupComboBox.h"
#include "editors-extended/kcDateEdit.h"
#include "editors-extended/kcEditDBRegisteredRepositoryItems.h"
#include "editors-extended/kcEditDataRegisteredRepositoryItems.h"
#include "editors-extended/kcHyperLinkEdit.h"
#include "editors-extended/kcImage.h"
#include "editors-extended/kcImageComboBox.h"
#include "editors-extended/kcMRUEdit.h"
#include "editors-extended/kcMemo.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors-extended/kcTimeEdit.h"

const std::vector<TkcEditorKindRegistration>& GetExtendedEditorKinds() {
  static const std::vector<TkcEditorKindRegistration> kinds = {
      {TkcCheckBoxProperties::StaticClass(), "CheckBox|Represents a check box control that allows selecting an option"},
      {TkcHyperLinkEditProperties::StaticClass(), "HyperLink|Represents a text editor with hyperlink functionality"},
      {TkcSpinEditProperties::StaticClass(), "SpinEdit|Represents a spin editor"},
      {TkcTimeEditProperties::StaticClass(), "TimeEdit|Represents an editor displaying time values"},
      {TkcMemoProperties::StaticClass(), "Memo|Represents an edit control that allows editing memo data"},
      {TkcImageProperties::StaticClass(), "Image|Represents an image editor"},
      {TkcBlobEditProperties::StaticClass(), "BlobEdit|Represents the BLOB editor"},
      {TkcCurrencyEditProperties::StaticClass(), "CurrencyEdit|Represents an editor enabling editing currency data"},
      {TkcDateEditProperties::StaticClass(), "DateEdit|Represents an edit control with a dropdown calendar"},
      {TkcRadioGroupProperties::StaticClass(), "RadioGroup|Represents a group of radio buttons"},
      {TkcButtonEditProperties::StaticClass(), "ButtonEdit|Represents an edit control with embedded buttons"},
      {TkcImageComboBoxProperties::StaticClass(),
       "ImageComboBox|Represents an editor displaying the list of images and text strings within the dropdown window"},
      {TkcCalcEditProperties::StaticClass(), "CalcEdit|Represents an edit control with a dropdown calculator window"},
      {TkcLookupComboBoxProperties::StaticClass(), "LookupComboBox|Represents a lookup combo box control"},
      {TkcMRUEditProperties::StaticClass(), "MRUEdit|Represents a text editor displaying the list of most recently used items (MRU) within a dropdown window"},
  };
  return kinds;
}

namespace {
int gInitCount = 0;
}

void InitializeExtendedEditors() {
  if (gInitCount++ != 0) return;
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  for (const TkcEditorKindRegistration& kind : GetExtendedEditorKinds())
    if (registry->FindByClassName(kind.PropertiesClass->ClassName()) == nullptr)
      registry->Register(kind.PropertiesClass, kind.Text);
  InitializeEditDataRegisteredRepositoryItems();
  InitializeEditDBRegisteredRepositoryItems();
}

// The properties registry keeps its kinds to the end of the process.
void FinalizeExtendedEditors() {
  if (gInitCount == 0 || --gInitCount != 0) return;
  FinalizeEditDBRegisteredRepositoryItems();
  FinalizeEditDataRegisteredRepositoryItems();
}
