#include "editors/kcEditControl.h"

#include "controls/kcGraphics.h"
#include "platform/forms/Forms.h"

TkcCustomEdit::TkcCustomEdit(TComponent* AOwner, bool AIsInplace)
    : TkcCustomEdit(AOwner, AIsInplace, TDeferCreation{}) {
  Initialize();
}

TkcCustomEdit::TkcCustomEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
    : TkcContainer(AOwner, TkcContainer::TDeferCreation{}), fIsInplace(AIsInplace) {
  fListener.Edit = this;
  fEditValue = Null();
}

TkcCustomEdit::~TkcCustomEdit() {
  if (fRepositoryItem) fRepositoryItem->RemoveListener(&fListener);
  if (fProperties) {
    fProperties->OnPropertiesChanged = nullptr;
    fProperties.reset();
  }
}

void TkcCustomEdit::Initialize() {
  if (fInitialized) return;
  fInitialized = true;
  fProperties.reset(GetPropertiesClass().Create(this));
  CreateContainerObjects();
  SetTabStop(true);
  if (TWinControl* inner = CreateInnerEdit()) {
    fInnerEdit = inner;
    inner->SetParent(this);
    inner->SetParentShowHint(false);
    SetInnerControl(inner);
  }
  fProperties->OnPropertiesChanged = TNotifyEvent(this, &TkcCustomEdit::PropertiesChanged);
}

bool TkcCustomEdit::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcEditHost>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

TkcContainerViewInfoClass TkcCustomEdit::GetViewInfoClass() {
  // The kind's view data knows its view info class.
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(nullptr, fIsInplace));
  std::unique_ptr<TkcCustomEditViewInfo> info(data->CreateViewInfo());
  return TkcContainerViewInfoClass(info->ClassType());
}

void TkcCustomEdit::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  if (!fProperties || !ViewInfo()) return inherited::CalculateViewInfo(P, AHotAllowed);
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), fIsInplace));
  data->Edit = this;
  data->Enabled = Enabled();
  data->Focused = Focused();
  TkcScreenCanvas canvas;
  data->Calculate(&canvas, TRect{0, 0, Width(), Height()}, P, TShiftState(), EditViewInfo(), false);
  // The frame and buttons lie around the inner edit; they show the new state.
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

void TkcCustomEdit::GetVisibleBounds(TRect& R) {
  TkcCustomEditViewInfo* info = fProperties ? EditViewInfo() : nullptr;
  // Without a frame the transparent border stays outside the window.
  if (!info || info->EditBorderStyle == ebsNone) return inherited::GetVisibleBounds(R);
  R = info->Bounds;
  if (info->Shadow) {
    R.right -= 3;
    R.bottom -= 3;
  }
}

// ---- Properties and repository item ------------------------------------------------------

TkcCustomEditProperties* TkcCustomEdit::GetEffectiveProperties() {
  return fRepositoryItem ? fRepositoryItem->Properties() : fProperties.get();
}

bool TkcCustomEdit::IsRepositoryItemAcceptable(TkcEditRepositoryItem* AItem) {
  return !AItem || AItem->GetEditPropertiesClass().InheritsFrom(GetPropertiesClass());
}

void TkcCustomEdit::SetRepositoryItem(TkcEditRepositoryItem* Value) {
  if (fRepositoryItem == Value) return;
  if (!IsRepositoryItemAcceptable(Value)) throw EkcEditError("The repository item is not acceptable");
  if (fRepositoryItem) {
    fRepositoryItem->RemoveListener(&fListener);
    fRepositoryItem->RemoveFreeNotification(this);
  }
  fRepositoryItem = Value;
  if (Value) {
    Value->AddListener(&fListener);
    Value->FreeNotification(this);
    fProperties->OnPropertiesChanged = nullptr;
    if (!ComponentState().Contains(csLoading) && !IsDestroying()) PropertiesChanged(Value->Properties());
  } else if (!ComponentState().Contains(csLoading) && !IsDestroying()) {
    fProperties->OnPropertiesChanged = TNotifyEvent(this, &TkcCustomEdit::PropertiesChanged);
    PropertiesChanged(fProperties.get());
  }
}

void TkcCustomEdit::TRepositoryListener::PropertiesChanged(TkcEditRepositoryItem* Sender) {
  if (!Edit->ComponentState().Contains(csLoading) && !Edit->IsDestroying())
    Edit->PropertiesChanged(Sender->Properties());
}

void TkcCustomEdit::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fRepositoryItem) ForgetRepositoryItem();
}

void TkcCustomEdit::ForgetRepositoryItem() {
  if (!fRepositoryItem) return;
  fRepositoryItem = nullptr;
  if (IsDestroying() || !fProperties) return;
  fProperties->OnPropertiesChanged = TNotifyEvent(this, &TkcCustomEdit::PropertiesChanged);
  PropertiesChanged(fProperties.get());
}

void TkcCustomEdit::PropertiesChanged(TObject*) {
  if (IsDestroying()) return;
  SynchronizeDisplayValue();
  if (HandleAllocated()) UpdateStateFromCursor(false);
}

// ---- Values and change events -------------------------------------------------------------

bool TkcCustomEdit::GetEditFocused() { return !GetEffectiveProperties()->IsDisplayFocusDependent() || Focused(); }

Variant TkcCustomEdit::GetEditingValue() {
  if (Focused() && !fValidated && fModifiedAfterEnter) {
    Variant v;
    DisplayValueToEditValue(GetDisplayValueForValidation(), v, true);
    return v;
  }
  return GetEditValue();
}

void TkcCustomEdit::SetModified(bool Value) {
  fModified = Value;
  if (!Value) fModifiedAfterEnter = false;
}

void TkcCustomEdit::SetModifiedAfterEnter(bool Value) {
  fModifiedAfterEnter = Value;
  if (Value) {
    fModified = true;
    fValidated = false;
  }
}

void TkcCustomEdit::PopModifiedState() {
  if (fModifiedStateStack.empty()) return;
  std::tie(fModified, fModifiedAfterEnter) = fModifiedStateStack.back();
  fModifiedStateStack.pop_back();
}

void TkcCustomEdit::SetEditValue(const Variant& Value) {
  if (fEditValueLockCount > 0) return;
  LockClick(true);
  try {
    if (!fUserChange || DoEditing()) InternalSetEditValue(Value, true);
  } catch (...) {
    LockClick(false);
    throw;
  }
  LockClick(false);
}

void TkcCustomEdit::InternalSetEditValue(const Variant& Value, bool) {
  if (fUserChange && !DoEditing()) return;
  TkcCustomEditProperties* p = GetEffectiveProperties();
  const bool changed =
      p->IsEditValueComparable() && (VarType(Value) != VarType(fEditValue) || !VarSameValue(Value, fEditValue));
  fEditValue = Value;
  SynchronizeDisplayValue();
  if (fUserChange)
    SetModifiedAfterEnter(true);
  else
    SetModified(false);
  if (changed) {
    DoEditValueChanged();
    if (!p->HasSeparateChangeEvents()) DoChange();
  }
}

bool TkcCustomEdit::CanModify() {
  if (fIsInplace) return GetEffectiveProperties()->CanModify();
  return !GetEffectiveProperties()->ReadOnly();
}

bool TkcCustomEdit::IsReadOnly() { return GetEffectiveProperties()->ReadOnly(); }

bool TkcCustomEdit::DoEditing() {
  if (fEditingGuard) return true;
  fEditingGuard = true;
  bool canEdit = CanModify();
  try {
    if (canEdit && OnEditing) {
      LockEditValueChanging(true);
      try {
        OnEditing(this, canEdit);
      } catch (...) {
        LockEditValueChanging(false);
        throw;
      }
      LockEditValueChanging(false);
    }
  } catch (...) {
    fEditingGuard = false;
    throw;
  }
  fEditingGuard = false;
  return canEdit;
}

void TkcCustomEdit::ChangeHandler(TObject*) {
  if (Focused() || (InnerEditControl() && InnerEditControl()->Focused())) SetModifiedAfterEnter(true);
  DoChange();
}

void TkcCustomEdit::DoChange() {
  if (ComponentState().Contains(csLoading) || IsDestroying()) return;
  TkcCustomEditProperties* p = GetEffectiveProperties();
  if (fProperties->OnChange || p->OnChange) {
    if (AreChangeEventsLocked()) {
      fCatcher.OnChangeEvent = true;
    } else if (fIsInplace) {
      PushModifiedState();
      fModified = fModifiedAfterEnter = true;
      try {
        DoOnChange();
      } catch (...) {
        PopModifiedState();
        throw;
      }
      PopModifiedState();
    } else {
      DoOnChange();
    }
  }
  if (!p->HasSeparateChangeEvents() && !p->IsEditValueComparable()) DoEditValueChanged();
}

void TkcCustomEdit::DoEditValueChanged() {
  if (ComponentState().Contains(csLoading) || IsDestroying()) return;
  if (!fProperties->OnEditValueChanged && !GetEffectiveProperties()->OnEditValueChanged) return;
  if (AreChangeEventsLocked())
    fCatcher.OnEditValueChangedEvent = true;
  else
    DoOnEditValueChanged();
}

void TkcCustomEdit::DoOnChange() {
  if (fProperties->OnChange) fProperties->OnChange(this);
  if (fRepositoryItem && fRepositoryItem->Properties()->OnChange) fRepositoryItem->Properties()->OnChange(this);
}

void TkcCustomEdit::DoOnEditValueChanged() {
  if (fProperties->OnEditValueChanged) fProperties->OnEditValueChanged(this);
  TkcCustomEditProperties* item = GetRepositoryItemProperties();
  if (item && item->OnEditValueChanged) item->OnEditValueChanged(this);
}

void TkcCustomEdit::LockChangeEvents(bool ALock, bool AInvokeChangedOnUnlock) {
  if (ALock) {
    if (fCatcher.LockCount == 0) fCatcher.OnChangeEvent = fCatcher.OnEditValueChangedEvent = false;
    ++fCatcher.LockCount;
    return;
  }
  if (fCatcher.LockCount == 0 || --fCatcher.LockCount > 0) return;
  if (!AInvokeChangedOnUnlock || ComponentState().Contains(csLoading) || IsDestroying()) return;
  // Cleared first: a handler may change the value again.
  const bool change = fCatcher.OnChangeEvent, valueChanged = fCatcher.OnEditValueChangedEvent;
  fCatcher.OnChangeEvent = fCatcher.OnEditValueChangedEvent = false;
  if (change) DoOnChange();
  if (valueChanged) DoOnEditValueChanged();
}

// ---- Validation, reset, enter and exit ----------------------------------------------------

bool TkcCustomEdit::ValidateEdit(bool ARaiseException) {
  if (fValidateLockCount > 0 || fValidated || !fModifiedAfterEnter) return true;
  Variant display = GetDisplayValueForValidation();
  String errorText;
  bool error = false;
  TkcCustomEditProperties* p = GetEffectiveProperties();
  p->ValidateDisplayValue(display, errorText, error, this);
  if (error) {
    if (errorText.empty()) errorText = p->GetValidateErrorText(0);
    if (ARaiseException) HandleValidationError(errorText);
    return false;
  }
  SetValidatedDisplayValue(display);
  fValidated = true;
  return true;
}

void TkcCustomEdit::HandleValidationError(const String& AErrorText) {
  // The focus goes back to the edit before the message is shown, so the user can correct it.
  if (!fRefocusGuard && CanFocus()) {
    fRefocusGuard = true;
    try {
      SafelySetFocus();
    } catch (...) {
      fRefocusGuard = false;
      throw;
    }
    fRefocusGuard = false;
  }
  throw EkcEditValidationError(AErrorText);
}

void TkcCustomEdit::Reset() {
  LockChangeEvents(true);
  try {
    InternalSetEditValue(fPrevEditValue, false);
    fValidated = true;
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomEdit::DoEnter() {
  // Coming back after a failed validation keeps the entry state and the user's text.
  if (fRefocusGuard) return inherited::DoEnter();
  fPrevEditValue = fEditValue;
  fValidated = true;
  fModifiedAfterEnter = false;
  // Kinds show their values differently while focused (edit formats, mask blanks).
  if (GetEffectiveProperties()->IsDisplayFocusDependent()) {
    SynchronizeDisplayValue();
    SetModified(false);
  }
  inherited::DoEnter();
}

void TkcCustomEdit::DoExit() {
  if (fRefocusGuard) return;
  inherited::DoExit();
  ValidateEdit(true);
  if (GetEffectiveProperties()->IsDisplayFocusDependent()) SynchronizeDisplayValue();
}

void TkcCustomEdit::FocusInnerControl() {
  if (fInnerEdit && fInnerEdit->CanFocus()) fInnerEdit->SetFocus();
}

void TkcCustomEdit::Activate() {
  SetVisible(true);
  if (HandleAllocated() && CanFocus()) {
    SetFocus();
    if (GetEffectiveProperties()->AutoSelect()) SelectAll();
  }
  SynchronizeDisplayValue();
  SetModified(false);
}

void TkcCustomEdit::ActivateByKey(char32_t Key) {
  Activate();
  if (NeedsActivationKey(Key)) SendMessage(GetInnerOrSelf()->Handle(), WM_CHAR, static_cast<WPARAM>(Key), 0);
}

// ---- Keys ----------------------------------------------------------------------------------

void TkcCustomEdit::KeyDown(WORD& Key, TShiftState Shift) {
  fEscapeSwallowed = false;
  inherited::KeyDown(Key, Shift);
  if (Key != 0) DoEditKeyDown(Key, Shift);
}

void TkcCustomEdit::DoAfterKeyDown(WORD& Key, TShiftState Shift) {
  if (OnAfterKeyDown) OnAfterKeyDown(this, Key, Shift);
}

void TkcCustomEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  if (Key == 0) return;
  TkcCustomEditProperties* p = GetEffectiveProperties();
  const TShortCut s = ShortCut(Key, Shift);
  if (p->ClearKey != 0 && s == p->ClearKey) {
    LockChangeEvents(true);
    fUserChange = true;
    try {
      SetEditValue(Null());
    } catch (...) {
      fUserChange = false;
      LockChangeEvents(false);
      throw;
    }
    fUserChange = false;
    fValidated = true;
    LockChangeEvents(false);
    Key = 0;
    return;
  }
  if (IsEditValueChangingKey(Key, Shift) && !DoEditing()) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  switch (Key) {
    case VK_RETURN:
      if (p->ValidateOnEnter) {
        Key = 0;
        LockChangeEvents(true);
        try {
          ValidateEdit(true);
        } catch (...) {
          LockChangeEvents(false);
          throw;
        }
        LockChangeEvents(false);
      }
      break;
    case VK_ESCAPE:
      if (fModifiedAfterEnter) {
        Reset();
        fEscapeSwallowed = true;
        Key = 0;
      }
      break;
    default: break;
  }
  if (Key >= VK_PRIOR && Key <= VK_DOWN && !WantNavigationKeys()) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
  }
}

void TkcCustomEdit::KeyPress(char32_t& Key) {
  if (Key == 27 && fEscapeSwallowed) {
    fEscapeSwallowed = false;
    Key = 0;
    return;
  }
  inherited::KeyPress(Key);
  if (Key != 0) DoEditKeyPress(Key);
}

void TkcCustomEdit::DoEditKeyPress(char32_t& Key) {
  if (IsEditValueChangingChar(Key) && !DoEditing()) Key = 0;
}

void TkcCustomEdit::KeyUp(WORD& Key, TShiftState Shift) {
  inherited::KeyUp(Key, Shift);
  if (Key != 0) DoEditKeyUp(Key, Shift);
}

// ---- In-place editor list ------------------------------------------------------------------

class TkcInplaceEditList::TNotifier : public TComponent {
public:
  explicit TNotifier(TkcInplaceEditList* AList) : TComponent(nullptr), fList(AList) {}
  void Notification(TComponent* AComponent, TOperation Operation) override {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove) fList->Forget(AComponent);
  }

private:
  TkcInplaceEditList* fList;
};

TkcInplaceEditList::TkcInplaceEditList() : fNotifier(std::make_unique<TNotifier>(this)) {}

TkcInplaceEditList::~TkcInplaceEditList() { RemoveAll(); }

TkcCustomEdit* TkcInplaceEditList::Add(TkcCustomEdit* AEdit, TkcCustomEditProperties* AProperties) {
  fItems.emplace_back(AEdit, AProperties);
  AEdit->FreeNotification(fNotifier.get());
  return AEdit;
}

void TkcInplaceEditList::Forget(TComponent* AEdit) {
  std::erase_if(fItems, [AEdit](const auto& AItem) { return AItem.first == AEdit; });
}

TkcCustomEdit* TkcInplaceEditList::CreateEdit(TClass AContainerClass) {
  TkcCustomEdit* edit = TkcCustomEditClass(AContainerClass).Create(nullptr, true);
  edit->SetVisible(false);
  return edit;
}

int TkcInplaceEditList::IndexOfProperties(TkcCustomEditProperties* AProperties) const {
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].second == AProperties) return static_cast<int>(i);
  return -1;
}

TkcCustomEdit* TkcInplaceEditList::FindEdit(TkcCustomEditProperties* AProperties) {
  const int index = IndexOfProperties(AProperties);
  return index < 0 ? nullptr : fItems[static_cast<std::size_t>(index)].first;
}

TkcCustomEdit* TkcInplaceEditList::GetEdit(TkcCustomEditProperties* AProperties) {
  TkcCustomEdit* edit = FindEdit(AProperties);
  if (!edit) {
    edit = Add(CreateEdit(AProperties->GetContainerClass()), AProperties);
  }
  // The editor always matches the current properties; the assignment raises no edit events.
  edit->LockChangeEvents(true);
  try {
    edit->Properties()->Assign(AProperties);
  } catch (...) {
    edit->LockChangeEvents(false, false);
    throw;
  }
  edit->LockChangeEvents(false, false);
  return edit;
}

TkcCustomEdit* TkcInplaceEditList::GetEditByPropertiesClass(TClass APropertiesClass) {
  for (auto& [edit, properties] : fItems)
    if (edit->Properties()->ClassType() == APropertiesClass) return edit;
  std::unique_ptr<TkcCustomEditProperties> probe(TkcCustomEditPropertiesClass(APropertiesClass).Create(nullptr));
  TkcCustomEdit* edit = CreateEdit(probe->GetContainerClass());
  return Add(edit, edit->Properties());
}

void TkcInplaceEditList::RemoveItemAt(int AIndex) {
  if (AIndex < 0 || AIndex >= Count()) return;
  TkcCustomEdit* edit = fItems[static_cast<std::size_t>(AIndex)].first;
  fItems.erase(fItems.begin() + AIndex);
  edit->RemoveFreeNotification(fNotifier.get());
  edit->SetParent(nullptr);
  delete edit;
}

void TkcInplaceEditList::RemoveAll() {
  while (!fItems.empty()) RemoveItemAt(Count() - 1);
}
