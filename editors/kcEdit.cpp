#include "editors/kcEdit.h"
#include "editors/kcEditControl.h"

#include <algorithm>

#include "data/kcFilter.h"

namespace {

std::vector<TkcCustomEditProperties*>& LiveProperties() {
  static std::vector<TkcCustomEditProperties*> list;
  return list;
}

String StripHotKeys(const String& ACaption) {
  String result;
  for (std::size_t i = 0; i < ACaption.size(); ++i) {
    if (ACaption[i] == '&') {
      if (i + 1 < ACaption.size() && ACaption[i + 1] == '&') {
        result += '&';
        ++i;
      }
      continue;
    }
    result += ACaption[i];
  }
  return result;
}

}  // namespace

// The editor framework's start-up: filter words go through the library's text translation
// from the first filter text on. Nothing removes the hook at exit.
const bool kcEditFilterHookInstalled = (SetFilterDisplayTextHook(&LocalizeText), true);

const std::vector<TkcCustomEditProperties*>& GetRegisteredEditProperties() { return LiveProperties(); }

TComponent* FindOwnerComponent(TPersistent* APersistent) {
  // The owner chain of persistents is reached through GetNamePath's owner, which is protected;
  // properties and their parts keep their owner in Owner().
  while (APersistent) {
    if (auto* component = dynamic_cast<TComponent*>(APersistent)) return component;
    if (auto* p = dynamic_cast<TkcInterfacedPersistent*>(APersistent))
      APersistent = p->Owner();
    else if (auto* item = dynamic_cast<TCollectionItem*>(APersistent))
      APersistent = item->Collection();
    else if (auto* collection = dynamic_cast<TCollection*>(APersistent))
      APersistent = collection->Owner();
    else
      return nullptr;
  }
  return nullptr;
}

// ---- Provider --------------------------------------------------------------------------------

TkcCustomEditDefaultValuesProvider::~TkcCustomEditDefaultValuesProvider() { DetachProperties(); }

void TkcCustomEditDefaultValuesProvider::DetachProperties() {
  const IkcEditDefaultValuesProvider* self = this;
  // A snapshot: clearing a provider may run code that creates or frees properties.
  const std::vector<TkcCustomEditProperties*> list = LiveProperties();
  for (TkcCustomEditProperties* p : list) {
    const auto& live = LiveProperties();
    if (std::find(live.begin(), live.end(), p) == live.end()) continue;
    IkcEditDefaultValuesProvider* provider = p->DefaultValuesProvider();
    if (provider && (provider == self || provider->GetInstance() == this)) p->ClearDefaultValuesProvider();
  }
}

bool TkcCustomEditDefaultValuesProvider::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcEditDefaultValuesProvider>(this, IID, Obj) ||
         TkcInterfacedPersistent::GetInterface(IID, Obj);
}

// ---- Alignment -------------------------------------------------------------------------------

void TkcEditAlignment::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcEditAlignment*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  fVert = source->fVert;
  fHorz = source->fHorz;
  fIsHorzAssigned = source->fIsHorzAssigned;
  DoChanged();
}

void TkcEditAlignment::SetHorz(TAlignment Value) {
  if (fIsHorzAssigned && fHorz == Value) return;
  fHorz = Value;
  fIsHorzAssigned = true;
  DoChanged();
}

void TkcEditAlignment::SetVert(TkcEditVertAlignment Value) {
  if (fVert == Value) return;
  fVert = Value;
  DoChanged();
}

void TkcEditAlignment::Reset() {
  fIsHorzAssigned = false;
  DoChanged();
}

void TkcEditAlignment::DoChanged() {
  if (OnChanged) OnChanged(this);
}

// ---- Assigned values ---------------------------------------------------------------------------

TkcCustomEditProperties* TkcCustomEditPropertiesValues::Properties() const {
  return dynamic_cast<TkcCustomEditProperties*>(fOwner);
}

void TkcCustomEditPropertiesValues::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomEditPropertiesValues*>(Source);
  if (!source) {
    TPersistent::Assign(Source);
    return;
  }
  SetReadOnly(source->fReadOnly);
}

void TkcCustomEditPropertiesValues::BeginUpdate() {
  if (auto* p = Properties()) p->BeginUpdate();
}

void TkcCustomEditPropertiesValues::EndUpdate() {
  if (auto* p = Properties()) p->EndUpdate(true);
}

void TkcCustomEditPropertiesValues::Changed() {
  if (auto* p = Properties()) p->Changed();
}

void TkcCustomEditPropertiesValues::RestoreDefaults() { SetReadOnly(false); }

void TkcCustomEditPropertiesValues::SetReadOnly(bool Value) { SetFlag(fReadOnly, Value); }

void TkcCustomEditPropertiesValues::SetFlag(bool& AFlag, bool AValue) {
  if (AFlag == AValue) return;
  AFlag = AValue;
  Changed();
}

// ---- Buttons ---------------------------------------------------------------------------------

TkcEditButton::TkcEditButton(TCollection* Collection) : TCollectionItem(Collection) {}

void TkcEditButton::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcEditButton*>(Source);
  if (!source) {
    TCollectionItem::Assign(Source);
    return;
  }
  if (Collection()) Collection()->BeginUpdate();
  fCaption = source->fCaption;
  fVisibleCaption = source->fVisibleCaption;
  fDefault = source->fDefault;
  fEnabled = source->fEnabled;
  if (source->fGlyph)
    Glyph()->Assign(source->fGlyph.get());
  else
    fGlyph.reset();
  fKind = source->fKind;
  fLeftAlignment = source->fLeftAlignment;
  fStretchable = source->fStretchable;
  fTextColor = source->fTextColor;
  fVisible = source->fVisible;
  fWidth = source->fWidth;
  Changed(false);
  if (Collection()) Collection()->EndUpdate();
}

void TkcEditButton::SetCaption(const String& Value) {
  if (fCaption == Value) return;
  fCaption = Value;
  fVisibleCaption = StripHotKeys(Value);
  Changed(false);
}

void TkcEditButton::SetDefault(bool Value) {
  if (fDefault == Value) return;
  if (Value && Collection()) {
    for (int i = 0; i < Collection()->Count(); ++i)
      if (auto* b = static_cast<TkcEditButton*>(Collection()->Items(i)); b != this) b->fDefault = false;
    fDefault = true;
    Changed(true);
    return;
  }
  fDefault = Value;
  Changed(false);
}

void TkcEditButton::SetEnabled(bool Value) { Set(fEnabled, Value); }

TBitmap* TkcEditButton::Glyph() {
  if (!fGlyph) {
    fGlyph = std::make_unique<TBitmap>();
    fGlyph->OnChange = [this](TObject*) { Changed(false); };
  }
  return fGlyph.get();
}

void TkcEditButton::SetGlyph(TBitmap* Value) {
  if (!Value) {
    if (!fGlyph) return;
    fGlyph.reset();
    Changed(false);
    return;
  }
  Glyph()->Assign(Value);
}

void TkcEditButton::SetKind(TkcEditButtonKind Value) { Set(fKind, Value); }
void TkcEditButton::SetLeftAlignment(bool Value) { Set(fLeftAlignment, Value); }
void TkcEditButton::SetStretchable(bool Value) { Set(fStretchable, Value); }
void TkcEditButton::SetTextColor(TColor Value) { Set(fTextColor, Value); }
void TkcEditButton::SetVisible(bool Value) { Set(fVisible, Value); }

void TkcEditButton::SetWidth(int Value) {
  if (fWidth < 0) return;
  Set(fWidth, Value);
}

TkcEditButtons::TkcEditButtons(TPersistent* AOwner)
    : TCollection(TCollectionItemClass::Of<TkcEditButton>()), fOwner(AOwner) {}

int TkcEditButtons::VisibleCount() const {
  int n = 0;
  for (int i = 0; i < Count(); ++i) n += Items(i)->Visible() ? 1 : 0;
  return n;
}

void TkcEditButtons::Update(TCollectionItem*) {
  if (OnChange) OnChange(this);
}

// ---- Properties ------------------------------------------------------------------------------

TkcCustomEditProperties::TkcCustomEditProperties(TPersistent* AOwner) : TkcInterfacedPersistent(AOwner) {
  LiveProperties().push_back(this);
  fFreeNotificator = std::make_unique<TkcFreeNotificator>(nullptr);
  fFreeNotificator->OnFreeNotification = [this](TComponent* AComponent) { FreeNotification(AComponent); };
  fAlignment = std::make_unique<TkcEditAlignment>(this);
  fAlignment->OnChanged = TNotifyEvent(this, &TkcCustomEditProperties::AlignmentChangedHandler);
  fButtons = std::make_unique<TkcEditButtons>(this);
  fButtons->OnChange = TNotifyEvent(this, &TkcCustomEditProperties::ButtonsChanged);
  fInnerAlignment = std::make_unique<TkcEditAlignment>(this);
  fUseLeftAlignmentOnEditing = true;  // the class default; kinds that differ set theirs
}

TkcCustomEditProperties::~TkcCustomEditProperties() {
  fDefaultValuesProvider = nullptr;
  fButtons->OnChange = nullptr;
  fButtons.reset();
  auto& list = LiveProperties();
  list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

TkcCustomEditPropertiesValues* TkcCustomEditProperties::AssignedValues() {
  if (!fAssignedValues) fAssignedValues.reset(GetAssignedValuesClass().Create(this));
  return fAssignedValues.get();
}

TkcCustomEditPropertiesValuesClass TkcCustomEditProperties::GetAssignedValuesClass() {
  return TkcCustomEditPropertiesValuesClass::Of<TkcCustomEditPropertiesValues>();
}

void TkcCustomEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomEditProperties*>(Source);
  if (!source) {
    TkcInterfacedPersistent::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    SetAutoSelect(source->AutoSelect());
    fButtons->Assign(source->Buttons());
    SetButtonsViewKind(source->ButtonsViewKind());
    BeepOnError = source->BeepOnError;
    ClearKey = source->ClearKey;
    ClickKey = source->ClickKey;
    SetUseLeftAlignmentOnEditing(source->UseLeftAlignmentOnEditing());
    fDefaultValuesProvider = source->fDefaultValuesProvider;
    SetAlignment(source->Alignment());
    AssignedValues()->SetReadOnly(false);
    if (source->AssignedValues()->ReadOnly()) SetReadOnly(source->ReadOnly());
    ImmediatePost = source->ImmediatePost;
    SetTransparent(source->Transparent());
    UseMouseWheel = source->UseMouseWheel;
    ValidateOnEnter = source->ValidateOnEnter;
    OnButtonClick = source->OnButtonClick;
    OnChange = source->OnChange;
    OnEditValueChanged = source->OnEditValueChanged;
    OnValidate = source->OnValidate;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

void TkcCustomEditProperties::BeginUpdate() {
  if (fUpdateCount == 0) fChangedOccurred = false;
  ++fUpdateCount;
}

void TkcCustomEditProperties::EndUpdate(bool AInvokeChanged) {
  if (fUpdateCount < 1) return;
  --fUpdateCount;
  if (fUpdateCount == 0 && AInvokeChanged && fChangedOccurred) Changed();
}

bool TkcCustomEditProperties::CanNotify() {
  if (IsChangeLocked()) return false;
  auto* owner = dynamic_cast<TComponent*>(Owner());
  return !(owner && owner->ComponentState().Contains(csDestroying));
}

void TkcCustomEditProperties::Changed() {
  if (!CanNotify()) {
    fChangedOccurred = true;
    return;
  }
  if (OnPropertiesChanged) OnPropertiesChanged(this);
}

TkcEditAlignment* TkcCustomEditProperties::Alignment() {
  fAlignment->OnChanged = nullptr;
  fAlignment->Assign(fInnerAlignment.get());
  const bool innerStored = fInnerAlignment->IsHorzStored() || fInnerAlignment->IsVertStored();
  TComponent* component = FindOwnerComponent(this);
  const bool writing = component && component->ComponentState().Contains(csWriting);
  if (!(innerStored && writing) && !fInnerAlignment->IsHorzAssigned()) fAlignment->fHorz = GetDefaultHorzAlignment();
  fAlignment->OnChanged = TNotifyEvent(this, &TkcCustomEditProperties::AlignmentChangedHandler);
  return fAlignment.get();
}

void TkcCustomEditProperties::AlignmentChangedHandler(TObject*) {
  fInnerAlignment->Assign(fAlignment.get());
  Changed();
}

void TkcCustomEditProperties::SetAlignment(TkcEditAlignment* Value) {
  fInnerAlignment->Assign(Value);
  Changed();
}

void TkcCustomEditProperties::ButtonsChanged(TObject*) { Changed(); }

TAlignment TkcCustomEditProperties::GetDefaultHorzAlignment() {
  return fDefaultValuesProvider ? fDefaultValuesProvider->GetDefaultAlignment() : fInnerAlignment->Horz();
}

bool TkcCustomEditProperties::ReadOnly() {
  if (AssignedValues()->ReadOnly()) return fReadOnly;
  return fDefaultValuesProvider ? fDefaultValuesProvider->GetDefaultReadOnly() : false;
}

void TkcCustomEditProperties::SetReadOnly(bool Value) {
  if (AssignedValues()->ReadOnly() && fReadOnly == Value) return;
  BeginUpdate();
  AssignedValues()->SetReadOnly(true);
  fReadOnly = Value;
  Changed();
  EndUpdate(true);
}

void TkcCustomEditProperties::SetDefaultValuesProvider(IkcEditDefaultValuesProvider* AProvider) {
  fDefaultValuesProvider = AProvider;
  // Only an edit control reacts at once; shared properties learn of it from their owner.
  if (Owner() && Supports<IkcEditHost>(Owner())) Changed();
}

bool TkcCustomEditProperties::CanModify() {
  if (AssignedValues()->ReadOnly() && !fReadOnly) return true;
  if (ReadOnly()) return false;
  if (fDefaultValuesProvider)
    return fDefaultValuesProvider->CanModifyValue() && fDefaultValuesProvider->CanEnterEditMode();
  return true;
}

bool TkcCustomEditProperties::IsProviderFormatDefined(bool AEditFocused) {
  const int support = GetProviderFormatSupport();
  if (AEditFocused || !(support & kcProviderFormatDisplay) || !fDefaultValuesProvider) return false;
  return fDefaultValuesProvider->HasDisplayFormat(!(support & kcProviderFormatNoCurrency));
}

bool TkcCustomEditProperties::IsValueFormattedBySource() {
  const int support = GetProviderFormatSupport();
  return (support & kcProviderFormatDisplay) && !IsProviderFormatUsed(true) && IsProviderFormatUsed(false) &&
         fDefaultValuesProvider && fDefaultValuesProvider->HasDisplayFormat(!(support & kcProviderFormatNoCurrency));
}

String TkcCustomEditProperties::GetValidateErrorText(int) {
  return LocalizeText("Invalid input value. Use escape key to abandon changes");
}

bool TkcCustomEditProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  Variant a, b;
  EditValueToDisplayValue(AEditValue1, a, false);
  EditValueToDisplayValue(AEditValue2, b, false);
  return a == b;
}

WideString TkcCustomEditProperties::GetDisplayText(const Variant&, bool, bool) { return WideString(); }

int TkcCustomEditProperties::GetOperationSupport() { return fButtons->Count() > 0 ? kcEditOperationButtons : 0; }

void TkcCustomEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) {
  ADisplayValue = AEditValue;
}

void TkcCustomEditProperties::RestoreDefaults() {
  BeginUpdate();
  fInnerAlignment->Reset();
  AssignedValues()->RestoreDefaults();
  // A reset alignment shows differently even when no assigned flag changed.
  Changed();
  EndUpdate(true);
}

void TkcCustomEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                   IkcEditHost* AEdit) {
  if (!CanValidate()) return;
  if (AErrorText.empty()) AErrorText = GetValidateErrorText(0);
  bool changedByUser = false;
  DoValidate(ADisplayValue, AErrorText, AError, AEdit, changedByUser);
}

void TkcCustomEditProperties::DoValidate(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit,
                                         bool& ADisplayValueChangedByUser) {
  ADisplayValueChangedByUser = false;
  if (!AEdit) return;
  TkcCustomEditProperties* own = AEdit->GetOwnProperties();
  TkcCustomEditProperties* item = AEdit->GetRepositoryItemProperties();
  const bool ownHandler = own && own->OnValidate;
  const bool itemHandler = item && item->OnValidate;
  if (!ownHandler && !itemHandler) return;
  const Variant kept = ADisplayValue;
  TObject* sender = AEdit->GetEditObject();
  if (ownHandler) own->OnValidate(sender, ADisplayValue, AErrorText, AError);
  if (itemHandler) item->OnValidate(sender, ADisplayValue, AErrorText, AError);
  if (!AError) return;
  ADisplayValueChangedByUser = VarToStr(ADisplayValue) != VarToStr(kept);
  if (!ADisplayValueChangedByUser) ADisplayValue = AEdit->GetEditDisplayValue();
}

TClass TkcCustomEditProperties::GetContainerClass() { return TkcCustomEdit::StaticClass(); }
