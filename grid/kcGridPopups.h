#pragma once
// The drop-downs a table view opens from its parts: the column filter list (special entries, the
// column's distinct values and recent ones), the filter bar's list of recent filters and the
// quick check list of the view's items.

#include <memory>

#include "controls/kcContainer.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/StdCtrls.h"

class TkcDataFilterValueList;
class TkcCheckListBox;

// A drop-down under a part of a view, closed by Esc, a choice or a click elsewhere.
class TkcCustomGridPopup : public TkcCustomPopupWindow {
  VT_CLASS(TkcCustomGridPopup, TkcCustomPopupWindow)
public:
  explicit TkcCustomGridPopup(TkcGridTableView* AView);
  TkcGridTableView* HostView() const { return fView; }
  // The owner part's width less the popup's frame: the narrowest the popup's content may be.
  int GetMinWidth();

private:
  TkcGridTableView* fView;
};

// A grid popup showing a list of entries.
class TkcCustomGridListPopup : public TkcCustomGridPopup {
  VT_CLASS(TkcCustomGridListPopup, TkcCustomGridPopup)
public:
  explicit TkcCustomGridListPopup(TkcGridTableView* AView);
  // The list of entries; Enter or a click chooses, Esc closes.
  TListBox* ListBox() const { return fListBox; }
  // Sizes the list: one line per entry up to AMaxVisible (0: all), as wide as the widest
  // entry, never narrower than the owner part.
  void AdjustListBox(int AMaxVisible, int AMinWidth);

protected:
  void InitPopup() override;
  virtual void DoAction(int AIndex) = 0;

private:
  void ListMouseUp(int X, int Y);
  TListBox* fListBox;
};

class TkcGridFilterPopup : public TkcCustomGridListPopup {
  VT_CLASS(TkcGridFilterPopup, TkcCustomGridListPopup)
public:
  explicit TkcGridFilterPopup(TkcGridTableView* AView);
  ~TkcGridFilterPopup() override;
  // Fills the list for the column and shows it under the column's header.
  void Popup(TkcGridColumn* AColumn);
  TkcGridColumn* FilterItem() const { return fFilterItem; }
  TkcDataFilterValueList* ValueList() const { return fValueList.get(); }
  // Applies the chosen entry to the view's filter: "(All)" removes the column's conditions,
  // "(Blanks)" / "(NonBlanks)" test for a blank value, a value filters on it (replacing the
  // column's other conditions), "(Custom...)" opens the custom filter dialog.
  void ApplyValue(int AIndex);
  void ClosePopup() override;
  // The column is going away: the popup forgets it.
  void ItemRemoved(TkcGridColumn* AColumn);

protected:
  void DoAction(int AIndex) override { ApplyValue(AIndex); }

private:
  TkcGridColumn* fFilterItem = nullptr;
  std::unique_ptr<TkcDataFilterValueList> fValueList;
};

// The filters last applied, newest first (the one in force is not listed); choosing one puts it
// in force again.
class TkcGridFilterMRUItemsPopup : public TkcCustomGridListPopup {
  VT_CLASS(TkcGridFilterMRUItemsPopup, TkcCustomGridListPopup)
public:
  using TkcCustomGridListPopup::TkcCustomGridListPopup;
  // Fills the list and shows it under the owner rectangle (site coordinates).
  void Popup(const TRect& AOwnerBounds);
  void ApplyItem(int AIndex);

protected:
  void DoAction(int AIndex) override { ApplyItem(AIndex); }
};

// A check list in a popup: each check applies at once and the popup stays open, so several
// entries can be changed; Esc closes it.
class TkcCustomGridCustomizationPopup : public TkcCustomGridPopup {
  VT_CLASS(TkcCustomGridCustomizationPopup, TkcCustomGridPopup)
public:
  explicit TkcCustomGridCustomizationPopup(TkcGridTableView* AView);
  TkcCheckListBox* CheckListBox() const { return fCheckListBox; }
  // Fills the list and shows it under the owner rectangle (site coordinates).
  void Popup(const TRect& AOwnerBounds);
  void ClosePopup() override;

protected:
  void InitPopup() override;
  virtual void AddItems() = 0;
  // As many entries as GetMaxDropDownCount allows (all for 0), as wide as the widest one with a
  // scroll bar's room when some are out of view.
  virtual void AdjustBounds();
  virtual void ItemCheckChanged(int AIndex, bool AChecked);
  virtual int GetMaxDropDownCount() = 0;
  virtual void SetItemChecked(TObject* AItem, bool AChecked) = 0;

private:
  TkcCheckListBox* fCheckListBox;
};

// The view's items that are not hidden from the user, in item order, checked while visible;
// a check shows or hides its item.
class TkcCustomGridItemsCustomizationPopup : public TkcCustomGridCustomizationPopup {
  VT_CLASS(TkcCustomGridItemsCustomizationPopup, TkcCustomGridCustomizationPopup)
public:
  using TkcCustomGridCustomizationPopup::TkcCustomGridCustomizationPopup;

protected:
  void AddItems() override;
  int GetMaxDropDownCount() override;
  void SetItemChecked(TObject* AItem, bool AChecked) override;
};
