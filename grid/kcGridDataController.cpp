#include "grid/kcGridDataController.h"

#include "grid/kcGridTableView.h"

TkcGridDataController::TkcGridDataController(TkcGridTableView* AGridView)
    : TkcDataController(nullptr), fGridView(AGridView) {
  OnUpdateControl = [this](TkcUpdateControlInfo* AInfo) { fGridView->DataControllerChanged(AInfo); };
}

int TkcGridDataController::GetItemID(TObject* AItem) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  return column ? column->ID() : -1;
}
