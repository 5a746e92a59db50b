#pragma once
// A table view's filtering options, the options of its filter box and the history of the
// filters last applied, newest first; the active filter never shows in its own history.

#include "grid/kcGrid.h"
#include "grid/kcGridDataController.h"

class TkcGridTableView;
class TkcGridColumn;
class TkcCustomGridTableFiltering;

// One applied filter, kept as a copy of its conditions.
class TkcGridFilterMRUItem : public TkcMRUItem {
  VT_CLASS(TkcGridFilterMRUItem, TkcMRUItem)
public:
  // Copies ACriteria into a criteria object of ADataController.
  TkcGridFilterMRUItem(TkcCustomDataController* ADataController, TkcFilterCriteria* ACriteria);
  ~TkcGridFilterMRUItem() override;
  TkcDataFilterCriteria* Filter() const { return fFilter; }
  // The same conditions, byte for byte in their stream form.
  bool Equals(TkcMRUItem* AItem) override;
  bool IsEqualToCriteria(TkcFilterCriteria* ACriteria);
  // A new stream holding the conditions; the caller frees it.
  TMemoryStream* GetStream();

private:
  TkcDataFilterCriteria* fFilter;
};

class TkcGridFilterMRUItems : public TkcMRUItems {
  VT_CLASS(TkcGridFilterMRUItems, TkcMRUItems)
public:
  explicit TkcGridFilterMRUItems(TkcCustomGridTableFiltering* AFiltering) : fFiltering(AFiltering) {}
  TkcCustomGridTableFiltering* Filtering() const { return fFiltering; }
  TkcGridFilterMRUItem* Items(int AIndex) const {
    return static_cast<TkcGridFilterMRUItem*>(TkcMRUItems::Items(AIndex));
  }
  int VisibleCount() const { return static_cast<int>(fVisibleItems.size()); }
  TkcGridFilterMRUItem* VisibleItems(int AIndex) const { return fVisibleItems.at(static_cast<std::size_t>(AIndex)); }
  // Entries whose conditions all went with a removed item are dropped.
  void DeleteEmptyItems();
  void RefreshVisibleItems();

private:
  TkcCustomGridTableFiltering* fFiltering;
  std::vector<TkcGridFilterMRUItem*> fVisibleItems;
};

enum TkcGridFilterPosition { fpTop, fpBottom };
enum TkcGridFilterVisible { fvNever, fvNonEmpty, fvAlways };

class TkcGridFilterBox : public TkcCustomGridOptions {
  VT_CLASS(TkcGridFilterBox, TkcCustomGridOptions)
public:
  using TkcCustomGridOptions::TkcCustomGridOptions;
  void Assign(TPersistent* Source) override;
  bool CustomizeDialog() const { return fCustomizeDialog; }
  void SetCustomizeDialog(bool Value);
  int MRUItemsListDropDownCount() const { return fMRUItemsListDropDownCount; }
  void SetMRUItemsListDropDownCount(int Value);
  TkcGridFilterPosition Position() const { return fPosition; }
  void SetPosition(TkcGridFilterPosition Value);
  TkcGridFilterVisible Visible() const { return fVisible; }
  void SetVisible(TkcGridFilterVisible Value);

private:
  bool fCustomizeDialog = true;
  int fMRUItemsListDropDownCount = 0;
  TkcGridFilterPosition fPosition = fpBottom;
  TkcGridFilterVisible fVisible = fvNonEmpty;
};

class TkcCustomGridTableFiltering : public TkcCustomGridOptions {
  VT_CLASS(TkcCustomGridTableFiltering, TkcCustomGridOptions)
public:
  explicit TkcCustomGridTableFiltering(TkcGridTableView* AGridView);
  ~TkcCustomGridTableFiltering() override;
  void Assign(TPersistent* Source) override;
  TkcGridTableView* TableView() const;

  bool MRUItemsList() const { return fMRUItemsList; }
  void SetMRUItemsList(bool Value);
  int MRUItemsListCount() const { return fMRUItemsListCount; }
  // The history keeps one entry more than it shows (room for the active filter); 0: unlimited.
  void SetMRUItemsListCount(int Value);
  TkcGridFilterMRUItems* MRUItems() const { return fMRUItems.get(); }

  bool ItemMRUItemsList() const { return fItemMRUItemsList; }
  void SetItemMRUItemsList(bool Value);
  int ItemMRUItemsListCount() const { return fItemMRUItemsListCount; }
  void SetItemMRUItemsListCount(int Value);
  int ItemPopupDropDownWidth() const { return fItemPopupDropDownWidth; }
  void SetItemPopupDropDownWidth(int Value);
  int ItemPopupMaxDropDownItemCount() const { return fItemPopupMaxDropDownItemCount; }
  void SetItemPopupMaxDropDownItemCount(int Value);

  virtual void FilterChanged();
  virtual bool IsMRUItemsListAvailable() { return fMRUItemsList && fMRUItems->VisibleCount() > 0; }
  virtual void MRUItemsVisibleCountChanged(int AOldCount, int ANewCount);

  // Records a filter (nil: the active one) unless it has no condition.
  void AddFilterToMRUItems(TkcFilterCriteria* ACriteria = nullptr);
  // Makes the filter active and records it.
  void ApplyFilter();
  // The filter dialogs: the simple one for a column, the filter builder without a column or for
  // a filter the simple one cannot show.
  void RunCustomizeDialog(TkcGridColumn* AItem = nullptr);

private:
  bool fItemMRUItemsList = true;
  int fItemMRUItemsListCount = 5, fItemPopupDropDownWidth = 0, fItemPopupMaxDropDownItemCount = 15;
  std::unique_ptr<TkcGridFilterMRUItems> fMRUItems;
  bool fMRUItemsList = true;
  int fMRUItemsListCount = 10;
};

// The table view's filtering, with its item settings under column names.
class TkcGridTableFiltering : public TkcCustomGridTableFiltering {
  VT_CLASS(TkcGridTableFiltering, TkcCustomGridTableFiltering)
public:
  using TkcCustomGridTableFiltering::TkcCustomGridTableFiltering;
  bool ColumnMRUItemsList() const { return ItemMRUItemsList(); }
  void SetColumnMRUItemsList(bool Value) { SetItemMRUItemsList(Value); }
  int ColumnMRUItemsListCount() const { return ItemMRUItemsListCount(); }
  void SetColumnMRUItemsListCount(int Value) { SetItemMRUItemsListCount(Value); }
  int ColumnPopupDropDownWidth() const { return ItemPopupDropDownWidth(); }
  void SetColumnPopupDropDownWidth(int Value) { SetItemPopupDropDownWidth(Value); }
  int ColumnPopupMaxDropDownItemCount() const { return ItemPopupMaxDropDownItemCount(); }
  void SetColumnPopupMaxDropDownItemCount(int Value) { SetItemPopupMaxDropDownItemCount(Value); }
};
