#pragma once
// The table view's data controller: the record store, filter, sorter and grouper of the data
// library, asking the owning view about its items.

#include "data/kcCustomData.h"

class TkcGridTableView;

class TkcGridDataController : public TkcDataController {
  VT_CLASS(TkcGridDataController, TkcDataController)
public:
  explicit TkcGridDataController(TkcGridTableView* AGridView);
  TkcGridTableView* GridView() const { return fGridView; }
  TObject* GetItem(int AItemIndex) override { return GetItemField(AItemIndex)->ItemObject(); }
  int GetItemID(TObject* AItem) override;

private:
  TkcGridTableView* fGridView;
};
