#pragma once
// The lookup editor without a source: a combo box whose value is the key of a record of a list
// (a data controller shown in a drop-down list control) and whose text is one column of that
// record. Typing searches that column, by prefix or (while the list is shown) by filtering the
// list; leaving the editor turns the text back into a key. The concrete kind supplies the list
// control and its data controller through the properties' list operations.

#include "data/kcCustomData.h"
#include "editors/kcComboBox.h"

class TkcCustomLookupEdit;

// The navigation directions of the list (the text editor sends them for its keys).
enum TkcLookupNavigation { lnFirst, lnLast, lnNext, lnPrior, lnPageUp, lnPageDown };

using TkcLookupCloseRequestEvent = TEvent<void(TObject* Sender, bool AAccept)>;

class TkcCustomLookupEditProperties : public TkcCustomComboBoxProperties {
  VT_CLASS(TkcCustomLookupEditProperties, TkcCustomComboBoxProperties)
public:
  explicit TkcCustomLookupEditProperties(TPersistent* AOwner);
  ~TkcCustomLookupEditProperties() override;
  void Assign(TPersistent* Source) override;
  int GetProviderFormatSupport() override { return 0; }
  bool IsDisplayFocusDependent() override { return false; }
  TClass GetContainerClass() override;
  int GetOperationSupport() override;
  bool IsEditValueValid(Variant&, bool) override { return true; }
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  bool IsLookupItem(const String& AText) override;
  TClass GetLookupDataClass() override;
  bool IsPopupNavigationKey(WORD Key, TShiftState Shift) override;

  // The list, as the concrete kind supplies it (neutral answers here).
  virtual TWinControl* GetListWindow();
  virtual bool CanSnapListHeight() { return true; }
  virtual int GetListColumnCount() { return 0; }
  virtual TControl* GetListControl() { return nullptr; }
  virtual TkcCustomDataController* GetListDataController() { return nullptr; }
  virtual int GetListWidth() { return 0; }
  virtual int SnapListHeight(int AHeight) { return AHeight; }
  virtual int GetListHeightForRows(int) { return 0; }
  virtual bool IsRowAtPoint(TPoint) { return false; }
  virtual void ListClosedHook() {}
  virtual void ListDroppedDownHook(const String&) {}
  // The list's close request (accepting or not); an empty handler detaches it.
  virtual void SetListEvents(const TkcLookupCloseRequestEvent&, const TNotifyEvent&) {}
  virtual void ListOpeningHook() {}
  virtual void InitializeListAppearance(TkcLookAndFeel*, TColor, TFont*) {}
  virtual void ListShownHook() {}
  virtual void MakeFocusedRowVisible() {}
  virtual void ReleaseListCapture() {}
  virtual void StopListeningToData();
  // The first record, in row order, whose text of an item equals (APartial: begins with) a text,
  // letter case ignored; -1 when none. An empty text matches only an empty text.
  virtual int FindRecordByText(int AItemIndex, const String& AText, bool APartial);
  virtual int GetTextColumnIndex() { return fTextColumnIndex; }
  virtual void GetKeyText(const Variant&, String& AText) { AText.clear(); }
  virtual bool UsesIncrementalFiltering() { return IncrementalFiltering; }
  // The list column that gives the text: -1 without columns.
  virtual int GetListIndex();
  virtual void GetNullKey(Variant& AKey) { AKey = Null(); }
  virtual void GridDataChanged(TObject* Sender);
  virtual void StartListeningToData();
  bool IsLookupLocked() const { return fLockCount != 0; }
  virtual bool IsListDataBusy();
  // The typed text is the key itself.
  virtual bool IsTextKey() { return false; }
  // The list's data-change listeners ignore the editor's own navigation.
  virtual void BeginListNavigation();
  virtual void SetTextColumnIndex(int AIndex);
  virtual void EndListNavigation();
  virtual void DetachList();
  virtual bool IsDefinedByLookupField() { return HasLookupField(); }
  virtual bool HasLookupField() { return false; }

  void CheckTextColumnIndex();
  void LockLookup() { ++fLockCount; }
  void UnlockLookup() { --fLockCount; }
  bool InGridDataChanged() const { return fInGridDataChanged; }
  int TextColumnIndex() const { return fTextColumnIndex; }
  bool IncrementalFiltering = true;

  // Published names of the drop-down settings.
  bool DropDownAutoSize() const { return PopupAutoSize; }
  void SetDropDownAutoSize(bool Value) { PopupAutoSize = Value; }
  int DropDownHeight() const { return PopupHeight(); }
  void SetDropDownHeight(int Value) { SetPopupHeight(Value); }

private:
  int fTextColumnIndex = 0;
  int fLockCount = 0;
  bool fInGridDataChanged = false;
};

// The lookup data: the text editor's incremental search and navigation over the list's data
// controller. The editor's current item (CurrentKey) follows the focused row so that the
// editor sees a change; the value is SelectedKey.
class TkcCustomLookupEditLookupData : public TkcCustomTextEditLookupData {
  VT_CLASS(TkcCustomLookupEditLookupData, TkcCustomTextEditLookupData)
public:
  explicit TkcCustomLookupEditLookupData(IkcTextEditLookupOwner* AOwner);

  // The text editor's interface.
  bool Find(const String& AText) override { return Properties()->IsLookupItem(AText); }
  int GetItemCount() override;
  void GetItemDisplayText(int AIndex, String& AText) override;
  bool Locate(String& AText, String& ATail, bool AExact, bool ANext) override;
  void ListChanged() override {}
  void UpdateListItemCount() override {}
  void SynchronizeCurrentKey() override { EditTextChanged(); }
  void Go(TkcEditLookupDirection ADirection, bool ACircular) override {
    Navigate(static_cast<TkcLookupNavigation>(ADirection), ACircular);
  }

  // The list's life in the popup.
  bool AdjustListHeight(SIZE& ASize, int AMaxHeight);
  void ListOpening();
  void ListClosed();
  void ListDroppedDown(const String& AText) { Properties()->ListDroppedDownHook(AText); }
  SIZE GetPreferredListSize();
  void PlaceList(const TRect& ARect);
  void PutListInto(TWinControl* AParent);
  bool IsRowAtScreenPoint(TPoint P);

  const Variant& SelectedKey() const { return fSelectedKey; }
  void WriteSelectedKey(const Variant& AKey);
  // The key alone, without moving the list.
  void SetSelectedKey(const Variant& AKey) { fSelectedKey = AKey; }
  String KeyText(const Variant& AKey);
  void Navigate(TkcLookupNavigation ADirection, bool ACircular);
  bool IsListEmpty();
  bool ListVisible() const { return fListVisible; }
  void CommitFocusedRow();
  void EditTextChanged();
  // Finds the record whose text equals a text and makes its key the selected one.
  bool LocateExact(const String& AText);

  virtual void SetSelectedKeyFromRecord(int ARecordIndex);
  virtual void FocusSelectedKeyRecord();

protected:
  TkcCustomLookupEditProperties* Properties();
  TkcCustomLookupEdit* Edit() const;
  TkcCustomDataController* DataController() { return Properties()->GetListDataController(); }
  void DoItemChosen();
  bool HasSingleFocusedSelection();
  void ResetIncrementalFilter();
  void FocusSelectedKeyRecordAndShow();
  void SyncWithEditText();
  void AdjustPopupHeight();
  // The editor's current item follows the focused row.
  void FollowFocusedRow();
  // Focuses a found record and selects its key, or marks the focused row not chosen; false
  // for no record (-1).
  bool TakeRecord(int ARecordIndex);
  void ListCloseRequested(TObject* Sender, bool AAccept);
  void ListRowChosen(TObject*) { CommitFocusedRow(); }

private:
  int FilteringSearch(const String& AText, int AListIndex);
  IkcTextEditLookupOwner* fEditOwner;
  bool fListVisible = false;
  Variant fSelectedKey;
};

class TkcCustomLookupEdit : public TkcCustomComboBox {
  VT_CLASS(TkcCustomLookupEdit, TkcCustomComboBox)
public:
  explicit TkcCustomLookupEdit(TComponent* AOwner) : TkcCustomLookupEdit(AOwner, false) {}
  TkcCustomLookupEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomLookupEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomLookupEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomComboBox(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomLookupEdit() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomLookupEditProperties::StaticClass(); }
  TkcCustomLookupEditProperties* ActiveProperties() {
    return static_cast<TkcCustomLookupEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomLookupEditLookupData* LookupEditData() {
    return static_cast<TkcCustomLookupEditLookupData*>(TkcCustomTextEdit::LookupData());
  }

  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  void SynchronizeDisplayValue() override;
  void ApplySelectedLookupItem(TObject* Sender) override;
  Variant LookupKeyToEditValue(const Variant&) override { return LookupEditData()->SelectedKey(); }
  void DropDown() override;
  void CloseUp(TkcEditCloseUpReason AReason) override;
  TWinControl* GetLookupActiveControl() override { return ActiveProperties()->GetListWindow(); }
  void GetPopupClientSize(SIZE& ASize) override;
  void InitializeLookupData() override;
  void PositionPopupWindowChildren(const TRect& AClientRect) override;
  bool CanResizePopupClient(SIZE& ASize, int AMaxHeight) override;
  void DoDeinitPopup() override;
  void RepositoryItemAssigning() override;

protected:
  void Initialize() override;
};
