#pragma once
// Lookup data of a text editor: the items typed text is completed from, the current item, the
// incremental search and the keyboard navigation through the items. The editor is reached
// through IkcTextEditLookupOwner and the drop-down list (when one is shown) through
// IkcEditLookupList, so the logic runs without windows.

#include "editors/kcTextEdit.h"

enum TkcEditLookupDirection { ldFirst, ldLast, ldNext, ldPrevious, ldPageUp, ldPageDown };

class IkcTextEditLookupOwner {
public:
  virtual ~IkcTextEditLookupOwner() = default;
  // The editor's effective properties.
  virtual TkcCustomTextEditProperties* GetLookupProperties() = 0;
  virtual String GetLookupEditText() = 0;
  // Whether the editor lets its value be changed now.
  virtual bool CanEditLookupValue() = 0;
  // While the editor updates its own text, the current key is not looked up again.
  virtual bool IsLookupInternalUpdate() = 0;
  virtual void SetLookupKeyFromNavigation(bool AValue) = 0;
};

// The list that shows the items in a popup.
class IkcEditLookupList {
public:
  virtual ~IkcEditLookupList() = default;
  virtual bool IsListVisible() = 0;
  virtual int ListItemIndex() = 0;
  virtual void SetListItemIndex(int AIndex) = 0;
  virtual void SetListItemCount(int ACount) = 0;
};

class TkcCustomTextEditLookupData : public TkcInterfacedPersistent {
  VT_CLASS(TkcCustomTextEditLookupData, TkcInterfacedPersistent)
public:
  using TConstructorArgs = std::tuple<IkcTextEditLookupOwner*>;
  explicit TkcCustomTextEditLookupData(IkcTextEditLookupOwner* AOwner)
      : TkcInterfacedPersistent(nullptr), fOwner(AOwner) {}

  // The interface the editor uses.
  void CloseUp() { SelectListItem(fCurrentKey); }
  virtual bool Find(const String& AText) { return IndexOf(AText) != -1; }
  Variant GetCurrentKey() const { return Variant(fCurrentKey); }
  String GetDisplayText(const Variant& AKey);
  virtual void Go(TkcEditLookupDirection ADirection, bool ACircular);
  bool IsEmpty() { return GetItemCount() == 0; }
  bool Locate(String& AText, String& ATail, bool ANext) { return Locate(AText, ATail, false, ANext); }
  virtual void ListChanged() { UpdateListItemCount(); }
  void SelectItem();
  void SetCurrentKey(const Variant& AKey);
  virtual void SynchronizeCurrentKey();

  virtual void GetItemDisplayText(int AIndex, String& AText);
  virtual int GetItemCount();
  virtual bool Locate(String& AText, String& ATail, bool AExact, bool ANext);
  virtual void UpdateListItemCount();

  int IndexOf(const String& AText);
  void SelectListItem(int AIndex);
  void SelectItemByIndex(int AIndex);

  int CurrentKey() const { return fCurrentKey; }
  int ItemIndex() const { return fItemIndex; }
  IkcEditLookupList* List() const { return fList; }
  void SetList(IkcEditLookupList* AList) { fList = AList; }
  TNotifyEvent OnCurrentKeyChanged;
  TNotifyEvent OnSelectItem;

protected:
  void DoSelectItem() {
    if (OnSelectItem) OnSelectItem(this);
  }
  TkcCustomTextEditProperties* Properties() { return fOwner->GetLookupProperties(); }

private:
  IkcTextEditLookupOwner* fOwner;
  IkcEditLookupList* fList = nullptr;
  int fCurrentKey = -1;
  int fItemIndex = -1;
};

using TkcCustomTextEditLookupDataClass = TClassOf<TkcCustomTextEditLookupData, IkcTextEditLookupOwner*>;
