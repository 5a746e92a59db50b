#pragma once
// The edit control: a container that owns its properties (or uses a repository item's), holds
// the edit value, raises change events (recorded while locked and replayed at unlock), validates
// the display value and resets it on Escape. Text editors add an inner platform edit window.

#include <memory>
#include <vector>

#include "controls/kcContainer.h"
#include "controls/kcControlUtils.h"
#include "editors/kcEdit.h"
#include "editors/kcEditErrors.h"
#include "editors/kcEditRepository.h"
#include "editors/kcEditViewInfo.h"

VT_DECLARE_EXCEPTION(EkcEditValidationError, EkcEditError);

class TkcCustomEdit;
class TkcCustomEditData;
using TkcEditEditingEvent = TEvent<void(TObject* Sender, bool& CanEdit)>;
using TkcEditAfterKeyDownEvent = TEvent<void(TObject* Sender, WORD& Key, TShiftState Shift)>;

// The two change events recorded while an edit's change events are locked.
class TkcEditChangeEventsCatcher : public TObject {
  VT_CLASS(TkcEditChangeEventsCatcher, TObject)
public:
  int LockCount = 0;
  bool OnChangeEvent = false;
  bool OnEditValueChangedEvent = false;
};

// Links an edit to the source of its value and owns that source's defaults provider. The base
// binding has no source: data is always available, editing always allowed, nothing is stored.
class TkcEditDataBinding : public TPersistent {
  VT_CLASS(TkcEditDataBinding, TPersistent)
public:
  using TConstructorArgs = std::tuple<TkcCustomEdit*>;
  explicit TkcEditDataBinding(TkcCustomEdit* AEdit) : fEdit(AEdit) {}
  ~TkcEditDataBinding() override;
  TkcCustomEdit* Edit() const { return fEdit; }

  // The source's defaults changed: the edit's properties and the edit follow.
  virtual void DefaultValuesChanged();
  virtual Variant GetDisplayValue();
  virtual bool GetModified();
  virtual Variant GetStoredValue();
  virtual void Reset();
  virtual void ApplyDisplayText(const String& AText);
  // Puts the source into edit mode; false when it refuses.
  virtual bool SetEditMode() { return true; }
  virtual void StoreValue(const Variant&) {}
  // Text editors check their bounds only while the user has not changed the value.
  virtual bool CanCheckValueBounds();
  virtual bool ExecuteAction(TBasicAction*) { return false; }
  virtual bool UpdateAction(TBasicAction*) { return false; }
  virtual void UpdateDisplayValue();
  // Called when the edit is loaded, named or first parented.
  virtual void Reconnect() {}
  virtual TClass GetDefaultValuesProviderClass() { return TkcCustomEditDefaultValuesProvider::StaticClass(); }

  // The owned provider (made on first use, of the class the binding names).
  TkcCustomEditDefaultValuesProvider* DefaultValuesProvider();
  IkcEditDefaultValuesProvider* GetIDefaultValuesProvider() { return DefaultValuesProvider(); }
  bool IsDataSourceActive() { return DefaultValuesProvider()->IsSourceActive(); }

protected:
  TPersistent* GetOwner() override;

private:
  TkcCustomEdit* fEdit;
  std::unique_ptr<TkcCustomEditDefaultValuesProvider> fProvider;
};
using TkcEditDataBindingClass = TClassOf<TkcEditDataBinding, TkcCustomEdit*>;

// State an in-place editor keeps across its activations (the grid holds one per column). It
// outlives the editor: when the editor is freed, Edit becomes null.
class TkcCustomEditData : public TObject {
  VT_CLASS(TkcCustomEditData, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomEdit*>;
  explicit TkcCustomEditData(TkcCustomEdit* AEdit);
  ~TkcCustomEditData() override;
  // Marks the data cleared; an edit that still uses it initializes it again at once.
  void Clear();
  bool Cleared = false;
  TkcCustomEdit* Edit = nullptr;

private:
  std::unique_ptr<TkcFreeNotificator> fFreeNotificator;
};
using TkcCustomEditDataClass = TClassOf<TkcCustomEditData, TkcCustomEdit*>;

class TkcCustomEdit : public TkcContainer, public IkcEditHost {
  VT_CLASS(TkcCustomEdit, TkcContainer)
public:
  // A descendant constructs with TDeferCreation and calls Initialize in its own constructor:
  // the properties, styles and view info are of classes only the descendant knows.
  using TDeferCreation = TkcContainer::TDeferCreation;
  // Every edit class has the (owner, in place) constructor: in-place editors are made by class.
  using TConstructorArgs = std::tuple<TComponent*, bool>;
  explicit TkcCustomEdit(TComponent* AOwner) : TkcCustomEdit(AOwner, false) {}
  TkcCustomEdit(TComponent* AOwner, bool AIsInplace);
  TkcCustomEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation);
  ~TkcCustomEdit() override;
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;

  // Properties and repository item.
  TkcCustomEditProperties* Properties() const { return fProperties.get(); }
  TkcCustomEditProperties* ActiveProperties() { return GetEffectiveProperties(); }
  TkcCustomEditProperties* GetEffectiveProperties();
  TkcEditRepositoryItem* RepositoryItem() const { return fRepositoryItem; }
  void SetRepositoryItem(TkcEditRepositoryItem* Value);
  virtual bool IsRepositoryItemAcceptable(TkcEditRepositoryItem* AItem);
  // Before another repository item (or none) gives the properties: what the edit keeps of the
  // current ones is let go.
  virtual void RepositoryItemAssigning() {}
  virtual TkcCustomEditPropertiesClass GetPropertiesClass() { return TkcCustomEditProperties::StaticClass(); }

  // Value.
  Variant EditValue() { return GetEditValue(); }
  void SetEditValue(const Variant& Value);
  // The same without the click lock: a kind whose value change is its click raises it.
  void SetInternalEditValue(const Variant& Value);
  virtual Variant GetEditValue() { return fEditValue; }
  Variant GetEditingValue();
  void Clear() { SetEditValue(Null()); }
  bool EditModified() const { return fModified; }
  bool ModifiedAfterEnter() const { return fModifiedAfterEnter; }
  void SetModified(bool Value);
  void SetModifiedAfterEnter(bool Value);
  void PushModifiedState() { fModifiedStateStack.push_back({fModified, fModifiedAfterEnter}); }
  void PopModifiedState();
  bool IsValidated() const { return fValidated; }

  // Locks.
  void LockChangeEvents(bool ALock, bool AInvokeChangedOnUnlock = true);
  bool AreChangeEventsLocked() const { return fCatcher.LockCount > 0; }
  void LockClick(bool ALock) { Count(fClickLockCount, ALock); }
  void LockEditValueChanging(bool ALock) { Count(fEditValueLockCount, ALock); }
  void LockValidate(bool ALock) { Count(fValidateLockCount, ALock); }

  // Validation: true when the display value is valid; an invalid one raises
  // EkcEditValidationError (after the focus went back) when ARaiseException is set.
  bool ValidateEdit(bool ARaiseException);
  virtual void Reset();
  bool IsInplace() override { return fIsInplace; }
  virtual bool IsReadOnly();
  virtual bool CanModify();
  // The link to the value's source and its defaults (see TkcEditDataBinding).
  TkcEditDataBinding* DataBinding() const { return fDataBinding.get(); }
  virtual TkcEditDataBindingClass GetDataBindingClass() { return TkcEditDataBinding::StaticClass(); }
  // Whether the value can be stored: the binding reports a modified value, not while designing.
  bool CanPostEditValue();
  // Stores the value through the binding (stand-alone) or tells the grid (in place).
  void PostEditValue(bool AValidate = false);
  bool IsPosting() const { return fIsPosting; }
  bool DoEditing();
  bool IsEditingByUser() const { return fUserChange; }

  // Operations the kinds override.
  virtual void ChangeHandler(TObject* Sender);
  virtual void SynchronizeDisplayValue() {}
  virtual void SynchronizeEditValue() {}
  virtual void UpdateDrawValue() {}
  virtual void CopyToClipboard() {}
  virtual void CutToClipboard() {}
  virtual void PasteFromClipboard() {}
  virtual void SelectAll() {}
  virtual bool IsInnerEditVisible() { return false; }
  virtual bool WantNavigationKeys() { return false; }
  virtual bool IsEditValueChangingKey(WORD, TShiftState) { return false; }
  virtual bool IsEditValueChangingChar(char32_t) { return false; }
  virtual void HandleValidationError(const String& AErrorText);
  // After a refused value: the text the validation left (an OnValidate handler's) is shown.
  void ShowRefusedDisplayValue(const Variant& ADisplayValue);
  // Takes the focus back without selecting the text (after a failed validation).
  virtual void SafelySetFocus() { SetFocus(); }
  virtual void DoEditKeyDown(WORD& Key, TShiftState Shift);
  virtual void DoEditKeyPress(char32_t& Key);
  virtual void DoEditKeyUp(WORD&, TShiftState) {}
  void DoAfterKeyDown(WORD& Key, TShiftState Shift);
  virtual void PropertiesChanged(TObject* Sender);
  virtual Variant GetDisplayValueForValidation() { return Variant(); }
  virtual void SetValidatedDisplayValue(const Variant&) {}
  // Shows a display value as it is (no conversion, no events).
  virtual void SetInternalDisplayValue(const Variant&) {}
  // In-place activation: shows the editor and gives it the focus; by key, the typed
  // character is then sent on so that it is not lost.
  void Activate();
  void Activate(TkcCustomEditData*& AEditData);
  void ActivateByKey(char32_t Key);
  void ActivateByKey(char32_t Key, TkcCustomEditData*& AEditData);
  // A click that opens the editor (X, Y in the parent's client coordinates) reaches it as a
  // press (or a release without ssLeft); a second press within the double-click time becomes
  // the editor's double click. Kinds may prepare for the click first (both forms come here).
  virtual void ActivateByMouse(TShiftState Shift, int X, int Y, TkcCustomEditData*& AEditData);
  // The same for an editor that keeps its own edit data (no in-place list holds it).
  void ActivateByMouse(TShiftState Shift, int X, int Y);
  virtual bool NeedsActivationKey(char32_t) { return true; }
  virtual TkcCustomEditDataClass GetEditDataClass() { return TkcCustomEditDataClass(); }
  virtual void InitializeEditData() {}
  TkcCustomEditData* EditData() const { return fEditData; }
  bool IsDblClickTimerEnabled() const;

  // Edit buttons: pressed under the mouse capture, clicked on release over them.
  int CapturedButton() const { return fCapturedButton; }
  int GetButtonIndexAt(const TPoint& P);
  // Clicks the default button (ClickKey).
  virtual void DoClick();
  virtual void DoButtonClick(int AButtonVisibleIndex);
  virtual void DoButtonDown(int) {}
  virtual void DoButtonUp(int) {}
  bool IsClickLocked() const { return fClickLockCount > 0; }

  // Auto size: the editor takes the size its kind needs for the value.
  bool AutoSize() const { return fAutoSize; }
  void SetAutoSize(bool Value);
  virtual bool CanAutoSize() { return !fIsInplace && fAutoSize; }
  virtual bool CanAutoWidth() { return GetEffectiveProperties()->ButtonsViewKind() == bvkButtonsAutoWidth; }
  virtual void GetEditSizeProperties(TkcEditSizeProperties& AProperties);

  // IkcEditHost.
  TObject* GetEditObject() override { return this; }
  TkcCustomEditProperties* GetOwnProperties() override { return fProperties.get(); }
  TkcCustomEditProperties* GetRepositoryItemProperties() override {
    return fRepositoryItem ? fRepositoryItem->Properties() : nullptr;
  }
  Variant GetEditDisplayValue() override { return GetDisplayValueForValidation(); }
  bool IsEditFocused() override { return GetEditFocused(); }
  bool IsEditInplace() override { return fIsInplace; }
  bool IsEditDesigning() override { return IsDesigning(); }
  bool IsEditModifiedAfterEnter() override { return fModifiedAfterEnter; }
  int GetCapturedButtonIndex() override { return MouseCapture() ? fCapturedButton : -1; }
  bool IsEditMouseCaptured() override { return MouseCapture(); }
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) override {
    AEditValue = ADisplayValue;
  }
  bool GetEditFocused();

  // Overrides of the container.
  TkcContainerStyleClass GetContainerStyleClass() override { return TkcEditStyle::StaticClass(); }
  TkcContainerViewInfoClass GetViewInfoClass() override;
  bool IsTabKeyIgnored() override { return true; }
  void FocusInnerControl() override;
  TkcCustomEditStyle* EditStyle() { return static_cast<TkcCustomEditStyle*>(Style()); }
  TkcCustomEditViewInfo* EditViewInfo() { return static_cast<TkcCustomEditViewInfo*>(ViewInfo()); }
  void CalculateViewInfo(const TPoint& P, bool AHotAllowed) override;
  bool UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) override;
  void AdjustBounds() override;
  // Places the inner edit window (on the client rectangle here).
  virtual void AdjustInnerEditPosition();
  // The window's shape: the edit frame lies on the outer bounds, not where a container's would.
  void GetVisibleBounds(TRect& R) override;

  TkcEditEditingEvent OnEditing;
  TkcEditAfterKeyDownEvent OnAfterKeyDown;
  TNotifyEvent OnPostEditValue;

protected:
  // Makes the properties, the container's objects and the inner edit (see TDeferCreation).
  virtual void Initialize();
  virtual TWinControl* CreateInnerEdit() { return nullptr; }
  void InternalSetEditValue(const Variant& Value, bool AValidateEditValue);
  // Stores a value taken from the display (no display update, no events).
  void SetStoredEditValue(const Variant& Value) { fEditValue = Value; }
  void DoChange();
  void DoEditValueChanged();
  virtual void DoOnChange();
  virtual void DoOnEditValueChanged();
  void KeyDown(WORD& Key, TShiftState Shift) override;
  // A key the editor keeps from its OnKeyDown handler (the grid's): the click key of a default button.
  virtual bool IsInternalKey(WORD Key, TShiftState Shift);
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Click() override;
  void DblClick() override;
  bool CanResize(int& NewWidth, int& NewHeight) override;
  void Dispatch(TMessage& Message) override;
  // Pressed and hot buttons changed: a release over the pressed button clicks it.
  virtual void ProcessViewInfoChanges(int APrevPressed, int APrevHot);
  // The size the kind needs for the value, or false when the edit does not size itself.
  bool GetAutoSize(TSize& ASize);

  // Set while the user changes the value (typing, keys, clipboard).
  bool fUserChange = false;
  bool fValidated = true;

private:
  struct TRepositoryListener : IkcEditRepositoryItemListener {
    TkcCustomEdit* Edit;
    bool QueryInterface(const TGUID& IID, void** Obj) override {
      return GetInterfaceOf<IkcEditRepositoryItemListener>(this, IID, Obj);
    }
    void ItemRemoved(TkcEditRepositoryItem*) override { Edit->ForgetRepositoryItem(); }
    void PropertiesChanged(TkcEditRepositoryItem* Sender) override;
  };
  // The item is going: the own properties are in force again.
  void ForgetRepositoryItem();
  static void Count(int& ACounter, bool ALock) {
    if (ALock)
      ++ACounter;
    else if (ACounter > 0)
      --ACounter;
  }
  void DblClickTimerTimer(TObject*);
  TkcEditChangeEventsCatcher fCatcher;
  std::unique_ptr<TkcEditDataBinding> fDataBinding;
  std::unique_ptr<TkcTimer> fDblClickTimer;
  TkcCustomEditData* fEditData = nullptr;
  // Edit data made for an activation without a caller to keep them (no in-place list).
  std::unique_ptr<TkcCustomEditData> fOwnEditData;
  // The mouse state of the calculation under way (see UpdateContainerState).
  TShiftState fCalcShift;
  int fCalcButton = 0;
  bool fCalcMouseEvent = false;
  int fCapturedButton = -1;
  bool fAutoSize = true;
  bool fIsPosting = false;
  TRepositoryListener fListener;
  std::unique_ptr<TkcCustomEditProperties> fProperties;
  TkcEditRepositoryItem* fRepositoryItem = nullptr;
  TWinControl* fInnerEdit = nullptr;
  Variant fEditValue;
  Variant fPrevEditValue;
  std::vector<std::pair<bool, bool>> fModifiedStateStack;
  int fClickLockCount = 0, fEditValueLockCount = 0, fValidateLockCount = 0;
  bool fIsInplace = false;
  bool fModified = false, fModifiedAfterEnter = false;
  bool fEditingGuard = false;
  bool fEscapeSwallowed = false;
  bool fRefocusGuard = false;
  bool fInitialized = false;

public:
  TWinControl* InnerEditControl() const { return fInnerEdit; }
};

using TkcCustomEditClass = TClassOf<TkcCustomEdit, TComponent*, bool>;

// One hidden in-place editor per properties object (grid columns, filter values); the list
// owns the editors, not the properties.
class TkcInplaceEditList : public TObject {
  VT_CLASS(TkcInplaceEditList, TObject)
public:
  TkcInplaceEditList();
  ~TkcInplaceEditList() override;
  // The editor for AProperties (made on first use), its own properties assigned from them.
  TkcCustomEdit* GetEdit(TkcCustomEditProperties* AProperties);
  TkcCustomEdit* GetEditByPropertiesClass(TClass APropertiesClass);
  TkcCustomEdit* FindEdit(TkcCustomEditProperties* AProperties);
  int IndexOfProperties(TkcCustomEditProperties* AProperties) const;
  void RemoveItem(TkcCustomEditProperties* AProperties) { RemoveItemAt(IndexOfProperties(AProperties)); }
  void RemoveItemAt(int AIndex);
  void RemoveAll();
  int Count() const { return static_cast<int>(fItems.size()); }

protected:
  virtual TkcCustomEdit* CreateEdit(TClass AContainerClass);

private:
  // An editor freed elsewhere (with the window it was placed in) leaves the list.
  class TNotifier;
  TkcCustomEdit* Add(TkcCustomEdit* AEdit, TkcCustomEditProperties* AProperties);
  void Forget(TComponent* AEdit);
  std::unique_ptr<TNotifier> fNotifier;
  std::vector<std::pair<TkcCustomEdit*, TkcCustomEditProperties*>> fItems;
};
