#include "editors/kcEditControl.h"

#include "controls/kcGraphics.h"
#include "platform/core/Utf8.h"
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
  fDblClickTimer.reset();
  if (fRepositoryItem) fRepositoryItem->RemoveListener(&fListener);
  if (fProperties) {
    fProperties->OnPropertiesChanged = nullptr;
    if (!fIsInplace) fProperties->SetDefaultValuesProvider(nullptr);
  }
  // The binding owns the provider: no properties object may keep it.
  fDataBinding.reset();
  fProperties.reset();
}

// ---- Data binding and edit data --------------------------------------------------------------

TkcEditDataBinding::~TkcEditDataBinding() = default;

TPersistent* TkcEditDataBinding::GetOwner() { return fEdit; }

TkcCustomEditDefaultValuesProvider* TkcEditDataBinding::DefaultValuesProvider() {
  if (!fProvider)
    fProvider.reset(TClassOf<TkcCustomEditDefaultValuesProvider>(GetDefaultValuesProviderClass()).Create());
  return fProvider.get();
}

void TkcEditDataBinding::DefaultValuesChanged() {
  TkcCustomEditProperties* p = fEdit->GetEffectiveProperties();
  if (!fEdit->RepositoryItem()) return p->Changed();
  // Shared properties only record the change; this edit refreshes itself.
  p->BeginUpdate();
  try {
    p->Changed();
  } catch (...) {
    p->EndUpdate(false);
    throw;
  }
  p->EndUpdate(false);
  fEdit->PropertiesChanged(p);
}

Variant TkcEditDataBinding::GetDisplayValue() { return fEdit->GetDisplayValueForValidation(); }
bool TkcEditDataBinding::GetModified() { return fEdit->ModifiedAfterEnter(); }
Variant TkcEditDataBinding::GetStoredValue() { return fEdit->EditValue(); }
void TkcEditDataBinding::Reset() { fEdit->Reset(); }
void TkcEditDataBinding::ApplyDisplayText(const String& AText) { fEdit->SetInternalDisplayValue(Variant(AText)); }
bool TkcEditDataBinding::CanCheckValueBounds() { return fEdit->IsDesigning() || !fEdit->ModifiedAfterEnter(); }
void TkcEditDataBinding::UpdateDisplayValue() { fEdit->SynchronizeDisplayValue(); }

TkcCustomEditData::TkcCustomEditData(TkcCustomEdit* AEdit)
    : Edit(AEdit), fFreeNotificator(std::make_unique<TkcFreeNotificator>(nullptr)) {
  fFreeNotificator->OnFreeNotification = [this](TComponent* AComponent) {
    if (AComponent == Edit) Edit = nullptr;
  };
  if (AEdit) fFreeNotificator->AddSender(AEdit);
  Clear();
}

TkcCustomEditData::~TkcCustomEditData() {
  if (Edit) fFreeNotificator->RemoveSender(Edit);
}

void TkcCustomEditData::Clear() {
  Cleared = true;
  if (Edit && Edit->EditData() == this) {
    Edit->InitializeEditData();
    Cleared = false;
  }
}

void TkcCustomEdit::Initialize() {
  if (fInitialized) return;
  fInitialized = true;
  fProperties.reset(GetPropertiesClass().Create(this));
  CreateContainerObjects();
  SetTabStop(true);
  fDataBinding.reset(GetDataBindingClass().Create(this));
  fAutoSize = !fIsInplace;
  fDblClickTimer = std::make_unique<TkcTimer>(nullptr);
  fDblClickTimer->SetEnabled(false);
  fDblClickTimer->SetInterval(GetDblClickInterval());
  fDblClickTimer->SetOnTimer(TNotifyEvent(this, &TkcCustomEdit::DblClickTimerTimer));
  if (!fIsInplace) fProperties->SetDefaultValuesProvider(fDataBinding->GetIDefaultValuesProvider());
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
  // A button stays held only while this edit has the capture.
  if (!MouseCapture()) fCapturedButton = -1;
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), fIsInplace));
  data->Edit = this;
  data->Enabled = Enabled();
  data->Focused = Focused();
  data->Button = fCalcButton;
  TkcScreenCanvas canvas;
  data->Calculate(&canvas, TRect{0, 0, Width(), Height()}, P, fCalcShift, EditViewInfo(), fCalcMouseEvent);
  // The frame and buttons lie around the inner edit; they show the new state.
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool TkcCustomEdit::UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) {
  if (!fProperties || !ViewInfo()) return inherited::UpdateContainerState(P, AButton, AShift, AIsMouseEvent);
  TkcCustomEditViewInfo* info = EditViewInfo();
  const int prevPressed = info->PressedButton, prevHot = info->HotButton;
  fCalcShift = AShift;
  fCalcButton = AButton;
  fCalcMouseEvent = AIsMouseEvent;
  TkcObjectLinkScope link(this);
  bool result = false;
  try {
    result = inherited::UpdateContainerState(P, AButton, AShift, AIsMouseEvent);
  } catch (...) {
    if (link.Alive()) fCalcShift = TShiftState(), fCalcButton = 0, fCalcMouseEvent = false;
    throw;
  }
  if (!link.Alive()) return result;
  fCalcShift = TShiftState();
  fCalcButton = 0;
  fCalcMouseEvent = false;
  if (AIsMouseEvent) ProcessViewInfoChanges(prevPressed, prevHot);
  return result;
}

void TkcCustomEdit::ProcessViewInfoChanges(int APrevPressed, int APrevHot) {
  TkcCustomEditViewInfo* info = EditViewInfo();
  const int pressed = info->PressedButton, hot = info->HotButton;
  if (pressed == APrevPressed && hot == APrevHot) return;
  TkcObjectLinkScope link(this);
  if (APrevPressed != -1 && pressed != APrevPressed) {
    DoButtonUp(APrevPressed);
    // Released over the button: that is its click.
    if (link.Alive() && hot == APrevPressed) DoButtonClick(APrevPressed);
  }
  if (link.Alive() && pressed != -1 && APrevPressed == -1) DoButtonDown(pressed);
}

int TkcCustomEdit::GetButtonIndexAt(const TPoint& P) {
  TkcCustomEditViewInfo* info = fProperties ? EditViewInfo() : nullptr;
  return info ? info->ButtonAt(POINT{P.x, P.y}) : -1;
}

void TkcCustomEdit::DoButtonClick(int AButtonVisibleIndex) {
  TkcCustomEditViewInfo* info = EditViewInfo();
  if (AButtonVisibleIndex < 0 || AButtonVisibleIndex >= static_cast<int>(info->ButtonsInfo.size())) return;
  const int index = info->ButtonsInfo[static_cast<std::size_t>(AButtonVisibleIndex)]->Index;
  TkcObjectLinkScope link(this);
  if (fProperties->OnButtonClick) fProperties->OnButtonClick(this, index);
  if (!link.Alive()) return;
  TkcCustomEditProperties* item = GetRepositoryItemProperties();
  if (item && item->OnButtonClick) item->OnButtonClick(this, index);
}

void TkcCustomEdit::DoClick() {
  TkcCustomEditViewInfo* info = EditViewInfo();
  for (std::size_t i = 0; i < info->ButtonsInfo.size(); ++i)
    if (info->ButtonsInfo[i]->Data.Default) return DoButtonClick(static_cast<int>(i));
}

namespace {

// The hot key of a caption: the character after a single "&" ("&&" shows one "&").
char32_t CaptionAccelerator(const String& ACaption) {
  for (std::size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != '&') continue;
    if (ACaption[i + 1] == '&') {
      ++i;
      continue;
    }
    std::size_t at = i + 1;
    return Utf8Decode(ACaption, at);
  }
  return 0;
}

bool HasDefaultButton(TkcCustomEditProperties* AProperties) {
  TkcEditButtons* buttons = AProperties->Buttons();
  for (int i = 0; i < buttons->Count(); ++i)
    if (buttons->Items(i)->Default() && buttons->Items(i)->Visible()) return true;
  return false;
}

}  // namespace

void TkcCustomEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case CM_DIALOGCHAR: {
      // The first enabled button whose caption has the character as its hot key is clicked.
      const String typed = AnsiUpperCase(Utf8Encode(static_cast<char32_t>(Message.WParam)));
      TkcCustomEditViewInfo* info = fProperties ? EditViewInfo() : nullptr;
      for (std::size_t i = 0; info && i < info->ButtonsInfo.size(); ++i) {
        const TkcEditButtonViewInfo& b = *info->ButtonsInfo[i];
        const char32_t accel = CaptionAccelerator(b.Data.Caption);
        if (b.Data.State == ebsDisabled || !accel || AnsiUpperCase(Utf8Encode(accel)) != typed) continue;
        DoButtonClick(static_cast<int>(i));
        Message.Result = 1;
        return;
      }
      break;
    }
    case CM_SHOWINGCHANGED:
      inherited::Dispatch(Message);
      if (Showing()) AdjustBounds();
      return;
    case WM_COPY: CopyToClipboard(); return;
    case WM_CUT:
    case WM_PASTE: {
      const bool user = fUserChange;
      fUserChange = true;
      try {
        if (Message.Msg == WM_PASTE) {
          if (!IsReadOnly()) PasteFromClipboard();
        } else if (IsReadOnly()) {
          CopyToClipboard();
        } else {
          CutToClipboard();
        }
      } catch (...) {
        fUserChange = user;
        throw;
      }
      fUserChange = user;
      return;
    }
    default: break;
  }
  inherited::Dispatch(Message);
}

// ---- Mouse and the double click ------------------------------------------------------------

void TkcCustomEdit::DblClickTimerTimer(TObject*) { fDblClickTimer->SetEnabled(false); }

bool TkcCustomEdit::IsDblClickTimerEnabled() const { return fDblClickTimer && fDblClickTimer->Enabled(); }

void TkcCustomEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  // The second press of a click that opened the editor is its double click.
  if (Button == mbLeft && fDblClickTimer && fDblClickTimer->Enabled()) {
    fDblClickTimer->SetEnabled(false);
    if (GetButtonIndexAt(TPoint{X, Y}) == -1) {
      DblClick();
      if (!link.Alive()) return;
    }
  }
  inherited::MouseDown(Button, Shift, X, Y);
  if (!link.Alive() || Button != mbLeft || !MouseCapture()) return;
  const int index = GetButtonIndexAt(TPoint{X, Y});
  if (index >= 0 && EditViewInfo()->ButtonsInfo[static_cast<std::size_t>(index)]->Data.State == ebsPressed)
    fCapturedButton = index;
}

void TkcCustomEdit::Click() {
  if (IsDestroying() || fClickLockCount > 0 || ComponentState().Contains(csLoading)) return;
  inherited::Click();
}

void TkcCustomEdit::DblClick() {
  const TPoint p = HandleAllocated() ? ScreenToClient(Mouse->CursorPos()) : TPoint{-1, -1};
  if (GetButtonIndexAt(p) == -1) return inherited::DblClick();
  // On a button a double click is another press of it.
  TShiftState shift = GetShiftState();
  shift.Include(ssLeft);
  TkcObjectLinkScope link(this);
  MouseDown(mbLeft, shift, p.x, p.y);
  if (link.Alive()) Click();
}

// ---- Auto size -----------------------------------------------------------------------------

void TkcCustomEdit::GetEditSizeProperties(TkcEditSizeProperties& AProperties) {
  AProperties = TkcEditSizeProperties{};
  AProperties.MaxLineCount = 1;
  AProperties.Width = Width();
}

bool TkcCustomEdit::GetAutoSize(TSize& ASize) {
  if (!fProperties || !CanAutoSize() || ComponentState().Contains(csLoading) || IsContainerDestroying()) return false;
  const TAlign align = Align();
  const bool width = CanAutoWidth() && align != alTop && align != alBottom && align != alClient && align != alCustom;
  const bool height = align != alLeft && align != alRight && align != alClient && align != alCustom;
  if (!width && !height) return false;
  TkcEditSizeProperties sizeProperties;
  GetEditSizeProperties(sizeProperties);
  if (width) sizeProperties.Width = -1;
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), fIsInplace));
  data->Edit = this;
  data->Enabled = Enabled();
  data->Focused = Focused();
  TkcScreenCanvas canvas;
  const TSize size = data->CalculateEditSize(&canvas, fEditValue, sizeProperties);
  ASize = TSize{width ? size.cx : -1, height ? size.cy : -1};
  return true;
}

void TkcCustomEdit::AdjustBounds() {
  TSize size;
  if (HandleAllocated() && GetAutoSize(size)) {
    const int w = size.cx >= 0 ? size.cx : Width(), h = size.cy >= 0 ? size.cy : Height();
    if (w != Width() || h != Height()) SetBounds(Left(), Top(), w, h);
  }
  AdjustInnerEditPosition();
}

void TkcCustomEdit::AdjustInnerEditPosition() { inherited::AdjustBounds(); }

bool TkcCustomEdit::CanResize(int& NewWidth, int& NewHeight) {
  TSize size;
  if (GetAutoSize(size)) {
    if (size.cx >= 0) NewWidth = size.cx;
    if (size.cy >= 0) NewHeight = size.cy;
  }
  return inherited::CanResize(NewWidth, NewHeight);
}

void TkcCustomEdit::SetAutoSize(bool Value) {
  if (fIsInplace || fAutoSize == Value) return;
  fAutoSize = Value;
  if (Value) AdjustBounds();
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
  if (!fRepositoryItem) return fProperties.get();
  // Shared item properties answer with the defaults of this edit's source.
  TkcCustomEditProperties* p = fRepositoryItem->Properties();
  if (fDataBinding && p->DefaultValuesProvider() != fDataBinding->GetIDefaultValuesProvider())
    p->SetDefaultValuesProvider(fDataBinding->GetIDefaultValuesProvider());
  return p;
}

bool TkcCustomEdit::IsRepositoryItemAcceptable(TkcEditRepositoryItem* AItem) {
  return !AItem || AItem->GetEditPropertiesClass().InheritsFrom(GetPropertiesClass());
}

void TkcCustomEdit::SetRepositoryItem(TkcEditRepositoryItem* Value) {
  if (fRepositoryItem == Value) return;
  if (!IsRepositoryItemAcceptable(Value)) throw EkcEditError("The repository item is not acceptable");
  RepositoryItemAssigning();
  if (fRepositoryItem) {
    fRepositoryItem->RemoveListener(&fListener);
    fRepositoryItem->RemoveFreeNotification(this);
  }
  fRepositoryItem = Value;
  if (Value) {
    Value->AddListener(&fListener);
    Value->FreeNotification(this);
    fProperties->SetDefaultValuesProvider(nullptr);
    fProperties->OnPropertiesChanged = nullptr;
    if (!ComponentState().Contains(csLoading) && !IsDestroying()) PropertiesChanged(Value->Properties());
  } else if (!ComponentState().Contains(csLoading) && !IsDestroying()) {
    fProperties->OnPropertiesChanged = TNotifyEvent(this, &TkcCustomEdit::PropertiesChanged);
    fProperties->SetDefaultValuesProvider(fDataBinding->GetIDefaultValuesProvider());
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
  if (!fIsInplace) fProperties->SetDefaultValuesProvider(fDataBinding->GetIDefaultValuesProvider());
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

void TkcCustomEdit::SetInternalEditValue(const Variant& Value) {
  if (fEditValueLockCount > 0) return;
  if (!fUserChange || DoEditing()) InternalSetEditValue(Value, true);
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
  TkcCustomEditProperties* p = GetEffectiveProperties();
  if (fIsInplace) return p->CanModify();
  if (p->AssignedValues()->ReadOnly()) return !p->ReadOnly();
  IkcEditDefaultValuesProvider* provider = fDataBinding->GetIDefaultValuesProvider();
  return provider->CanModifyValue() && provider->CanEnterEditMode();
}

bool TkcCustomEdit::IsReadOnly() {
  return GetEffectiveProperties()->ReadOnly() || (fDataBinding && !fDataBinding->IsDataSourceActive());
}

bool TkcCustomEdit::CanPostEditValue() { return fDataBinding->GetModified() && !IsDesigning(); }

void TkcCustomEdit::PostEditValue(bool AValidate) {
  if (AValidate) {
    const bool user = fUserChange;
    fUserChange = false;
    bool valid = false;
    try {
      valid = ValidateEdit(true);
    } catch (...) {
      fUserChange = user;
      throw;
    }
    fUserChange = user;
    if (!valid) return;
  }
  fIsPosting = true;
  try {
    if (fIsInplace) {
      if (OnPostEditValue) OnPostEditValue(this);
      SetModified(false);
    } else {
      fDataBinding->StoreValue(fEditValue);
    }
  } catch (...) {
    fIsPosting = false;
    if (!fIsInplace) {
      HandleValidationError(String());
      throw;
    }
    // The host's failure must not escape the editor, but it is not lost either: the user
    // sees it and the value stays modified.
    Application->HandleException(this);
    return;
  }
  fIsPosting = false;
}

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
    // A stand-alone edit's source must enter its edit mode too.
    if (canEdit && !fIsInplace) {
      LockEditValueChanging(true);
      try {
        canEdit = fDataBinding->SetEditMode();
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
    // An empty error text stays empty: the edit takes the focus back and beeps, no message.
    try {
      if (ARaiseException) HandleValidationError(errorText);
    } catch (...) {
      ShowRefusedDisplayValue(display);
      throw;
    }
    ShowRefusedDisplayValue(display);
    return false;
  }
  SetValidatedDisplayValue(display);
  fValidated = true;
  return true;
}

void TkcCustomEdit::ShowRefusedDisplayValue(const Variant& ADisplayValue) {
  // An OnValidate handler may have put another text in place of the refused one.
  if (VarToStr(ADisplayValue) == VarToStr(GetDisplayValueForValidation())) return;
  SetInternalDisplayValue(ADisplayValue);
  if (!HandleAllocated() || !IsWindowVisible(Handle())) return;
  SelectAll();
  if (!IsInnerEditVisible()) UpdateDrawValue();
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
    // The whole refused text is selected, ready to be typed over.
    SelectAll();
  }
  if (GetEffectiveProperties()->BeepOnError) MessageBeep(0);
  if (!AErrorText.empty()) throw EkcEditValidationError(AErrorText);
}

void TkcCustomEdit::Reset() {
  LockChangeEvents(true);
  try {
    // The source's value when the edit shows a field, else the value of entry.
    const bool fieldBased = fDataBinding->GetIDefaultValuesProvider()->IsFieldBased();
    InternalSetEditValue(fieldBased ? fDataBinding->GetStoredValue() : fPrevEditValue, false);
    fValidated = true;
    fModified = true;
    SelectAll();
    if (GetEffectiveProperties()->ImmediatePost && CanPostEditValue()) PostEditValue(false);
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomEdit::DoEnter() {
  // Coming back after a failed validation is no new entry: the entry state, the user's text
  // and OnEnter stay as they were.
  if (fRefocusGuard) return;
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
  if (fRefocusGuard || IsContainerDestroying()) return;
  // The value is validated and stored before OnExit, which sees the new value; a refused value
  // keeps the focus in the edit and nothing else happens.
  const bool user = fUserChange;
  fUserChange = false;
  try {
    const bool modified = fModifiedAfterEnter;
    if (modified) {
      LockChangeEvents(true);
      bool valid = false;
      try {
        valid = ValidateEdit(true);
      } catch (...) {
        LockChangeEvents(false);
        throw;
      }
      LockChangeEvents(false);
      if (!valid) {
        // Refused without a message: the focus change stops here as it does with one.
        fUserChange = user;
        Abort();
      }
    }
    // A stand-alone edit stores what the user changed when he leaves it.
    if (modified && !fIsInplace && CanPostEditValue()) PostEditValue(false);
    if (GetEffectiveProperties()->IsDisplayFocusDependent()) SynchronizeDisplayValue();
  } catch (...) {
    fUserChange = user;
    throw;
  }
  fUserChange = user;
  inherited::DoExit();
  fModifiedAfterEnter = false;
}

void TkcCustomEdit::FocusInnerControl() {
  if (fInnerEdit && fInnerEdit->CanFocus()) fInnerEdit->SetFocus();
}

void TkcCustomEdit::Activate() {
  TkcCustomEditData* data = fOwnEditData.get();
  Activate(data);
  if (data != fOwnEditData.get()) fOwnEditData.reset(data);
}

void TkcCustomEdit::Activate(TkcCustomEditData*& AEditData) {
  if (!AEditData && GetEditDataClass()) AEditData = GetEditDataClass().Create(this);
  fEditData = AEditData;
  if (fEditData && fEditData->Cleared) {
    InitializeEditData();
    fEditData->Cleared = false;
  }
  SetVisible(true);
  if (HandleAllocated() && CanFocus()) {
    SetFocus();
    if (GetEffectiveProperties()->AutoSelect()) SelectAll();
  }
  SynchronizeDisplayValue();
  SetModified(false);
}

void TkcCustomEdit::ActivateByKey(char32_t Key) {
  TkcCustomEditData* data = fOwnEditData.get();
  ActivateByKey(Key, data);
  if (data != fOwnEditData.get()) fOwnEditData.reset(data);
}

void TkcCustomEdit::ActivateByKey(char32_t Key, TkcCustomEditData*& AEditData) {
  Activate(AEditData);
  if (NeedsActivationKey(Key)) SendMessage(GetInnerOrSelf()->Handle(), WM_CHAR, static_cast<WPARAM>(Key), 0);
}

void TkcCustomEdit::ActivateByMouse(TShiftState Shift, int X, int Y) {
  TkcCustomEditData* data = fOwnEditData.get();
  ActivateByMouse(Shift, X, Y, data);
  if (data != fOwnEditData.get()) fOwnEditData.reset(data);
}

void TkcCustomEdit::ActivateByMouse(TShiftState Shift, int X, int Y, TkcCustomEditData*& AEditData) {
  Activate(AEditData);
  if (!HandleAllocated()) return;
  TPoint p{X, Y};
  if (Parent()) p = ScreenToClient(Parent()->ClientToScreen(p));
  WPARAM keys = 0;
  if (Shift.Contains(ssShift)) keys |= MK_SHIFT;
  if (Shift.Contains(ssCtrl)) keys |= MK_CONTROL;
  if (Shift.Contains(ssLeft)) keys |= MK_LBUTTON;
  if (Shift.Contains(ssRight)) keys |= MK_RBUTTON;
  if (Shift.Contains(ssMiddle)) keys |= MK_MBUTTON;
  const LPARAM point = MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
  TkcObjectLinkScope link(this);
  if (Shift.Contains(ssLeft)) {
    SendMessage(Handle(), WM_LBUTTONDOWN, keys, point);
    // The press that opened the editor may be over already.
    if (link.Alive() && MouseCapture() && GetKeyState(VK_LBUTTON) >= 0) SetMouseCapture(false);
  } else {
    SendMessage(Handle(), WM_LBUTTONUP, keys, point);
  }
  if (link.Alive()) fDblClickTimer->SetEnabled(true);
}

// ---- Keys ----------------------------------------------------------------------------------

void TkcCustomEdit::KeyDown(WORD& Key, TShiftState Shift) {
  fEscapeSwallowed = false;
  if (!IsInternalKey(Key, Shift)) inherited::KeyDown(Key, Shift);
  if (Key != 0) DoEditKeyDown(Key, Shift);
}

bool TkcCustomEdit::IsInternalKey(WORD Key, TShiftState Shift) {
  TkcCustomEditProperties* p = GetEffectiveProperties();
  return p->ClickKey != 0 && ShortCut(Key, Shift) == p->ClickKey && HasDefaultButton(p);
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
  if (p->ClickKey != 0 && s == p->ClickKey && HasDefaultButton(p)) {
    // Its character must not reach the text.
    if (HandleAllocated()) {
      MSG m;
      for (HWND w : {Handle(), GetInnerOrSelf()->Handle()})
        while (PeekMessage(&m, w, WM_CHAR, WM_CHAR, PM_REMOVE)) {
        }
    }
    DoClick();
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
          if (ValidateEdit(true) && CanPostEditValue()) PostEditValue(false);
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
