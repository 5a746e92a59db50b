#pragma once
// The drop-downs a table view opens from its parts: the column filter list (special entries, the
// column's distinct values and recent ones) and the filter bar's list of recent filters.

#include <memory>

#include "controls/kcContainer.h"
#include "grid/kcGridTableView.h"
#include "platform/forms/StdCtrls.h"

class TkcDataFilterValueList;

// A drop-down under a part of a view, closed by Esc, a choice or a click elsewhere.
class TkcCustomGridPopup : public TkcCustomPopupWindow {
  VT_CLASS(TkcCustomGridPopup, TkcCustomPopupWindow)
public:
  explicit TkcCustomGridPopup(TkcGridTableView* AView);
  TkcGridTableView* HostView() const { return fView; }
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
  TkcGridTableView* fView;
  TListBox* fListBox;
};

class TkcGridFilterPopup : public TkcCustomGridPopup {
  VT_CLASS(TkcGridFilterPopup, TkcCustomGridPopup)
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
class TkcGridFilterMRUItemsPopup : public TkcCustomGridPopup {
  VT_CLASS(TkcGridFilterMRUItemsPopup, TkcCustomGridPopup)
public:
  using TkcCustomGridPopup::TkcCustomGridPopup;
  // Fills the list and shows it under the owner rectangle (site coordinates).
  void Popup(const TRect& AOwnerBounds);
  void ApplyItem(int AIndex);

protected:
  void DoAction(int AIndex) override { ApplyItem(AIndex); }
};
