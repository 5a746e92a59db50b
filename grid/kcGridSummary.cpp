#include "grid/kcGridSummary.h"

#include "grid/kcGridTableView.h"

void TkcGridColumnSummary::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TkcGridColumnSummary*>(Source)) {
    SetFooterKind(other->FooterKind());
    SetFooterFormat(other->FooterFormat());
    SetGroupFooterKind(other->GroupFooterKind());
    SetGroupFooterFormat(other->GroupFooterFormat());
    SetGroupKind(other->GroupKind());
    SetGroupFormat(other->GroupFormat());
    return;
  }
  TPersistent::Assign(Source);
}

int TkcGridColumnSummary::ItemIndex() const { return fColumn->ItemIndex(); }

TkcDataSummaryItems* TkcGridColumnSummary::Footer() const {
  return fColumn->GridView()->DataController()->Summary()->FooterSummaryItems();
}

TkcDataSummaryItems* TkcGridColumnSummary::Group() const {
  return fColumn->GridView()->DataController()->Summary()->DefaultGroupSummaryItems();
}

TkcSummaryKind TkcGridColumnSummary::Kind(TkcDataSummaryItems* AItems, TkcSummaryPosition APosition) const {
  return AItems->GetDataItemKind(ItemIndex(), APosition);
}

String TkcGridColumnSummary::Format(TkcDataSummaryItems* AItems, TkcSummaryPosition APosition) const {
  return AItems->GetDataItemFormat(ItemIndex(), APosition);
}

namespace {

// The table view a data controller answers for (its own or a database one).
TkcGridTableView* ViewOf(TkcCustomDataController* AController) {
  IkcGridDataControllerViewLink* link = nullptr;
  if (!AController || !Supports(static_cast<TObject*>(AController), link)) return nullptr;
  return dynamic_cast<TkcGridTableView*>(link->GetGridView());
}

}  // namespace

TkcGridColumn* TkcGridTableSummaryItem::Column() const { return dynamic_cast<TkcGridColumn*>(GetItemLink()); }
void TkcGridTableSummaryItem::SetColumn(TkcGridColumn* Value) { SetItemLink(Value); }
TkcGridTableView* TkcGridTableSummaryItem::GetGridView() { return ViewOf(GetDataController()); }

TkcGridColumn* TkcGridTableSummaryGroupItemLink::Column() const { return dynamic_cast<TkcGridColumn*>(GetItemLink()); }
void TkcGridTableSummaryGroupItemLink::SetColumn(TkcGridColumn* Value) { SetItemLink(Value); }
TkcGridTableView* TkcGridTableSummaryGroupItemLink::GetGridView() { return ViewOf(GetDataController()); }
