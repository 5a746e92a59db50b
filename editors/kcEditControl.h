#pragma once
// The edit control: a container that owns its properties (or uses a repository item's), holds
// the edit value, raises change events (recorded while locked and replayed at unlock), validates
// the display value and resets it on Escape. Text editors add an inner platform edit window.

#include <memory>
#include <vector>

#include "controls/kcContainer.h"
#include "editors/kcEdit.h"
#include "editors/kcEditErrors.h"
#include "editors/kcEditRepository.h"
#include "editors/kcEditViewInfo.h"

VT_DECLARE_EXCEPTION(EkcEditValidationError, EkcEditError);

class TkcCustomEdit;
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
  virtual TkcCustomEditPropertiesClass GetPropertiesClass() { return TkcCustomEditProperties::StaticClass(); }

  // Value.
  Variant EditValue() { return GetEditValue(); }
  void SetEditValue(const Variant& Value);
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
  // Takes the focus back without selecting the text (after a failed validation).
  virtual void SafelySetFocus() { SetFocus(); }
  virtual void DoEditKeyDown(WORD& Key, TShiftState Shift);
  virtual void DoEditKeyPress(char32_t& Key);
  virtual void DoEditKeyUp(WORD&, TShiftState) {}
  void DoAfterKeyDown(WORD& Key, TShiftState Shift);
  virtual void PropertiesChanged(TObject* Sender);
  virtual Variant GetDisplayValueForValidation() { return Variant(); }
  virtual void SetValidatedDisplayValue(const Variant&) {}
  // In-place activation: shows the editor and gives it the focus; by key, the typed
  // character is then sent on so that it is not lost.
  void Activate();
  void ActivateByKey(char32_t Key);
  virtual bool NeedsActivationKey(char32_t) { return true; }

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
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void DoEnter() override;
  void DoExit() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

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
  TkcEditChangeEventsCatcher fCatcher;
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
