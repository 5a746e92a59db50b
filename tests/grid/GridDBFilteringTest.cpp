// The database table view's filtering: its history hides the active filter as the unbound
// view's does, and its rows ask the view whether they may be selected.

#include "grid/kcGridFiltering.h"
#include "grid/kcGridTableViewData.h"
#include "tests/grid/GridDBTestSupport.h"

TEST(GridDBFiltering, HistoryHidesTheActiveFilterAndRowsAskTheView) {
  DBGridFixture f(4, 150, [](int r) { return "n" + std::to_string(r); });
  f.view->DataController()->CreateAllItems();
  f.session.ProcessMessages();
  TkcGridTableFiltering* filtering = f.view->Filtering();
  for (int id : {1, 2}) {
    f.dc()->Filter()->Clear();
    static_cast<TkcGridColumn*>(f.view->Columns(0))->DataBinding()->AddToFilter(nullptr, foEqual, Variant(id));
    filtering->ApplyFilter();
  }
  EXPECT_EQ(filtering->MRUItems()->Count(), 2);
  EXPECT_EQ(filtering->MRUItems()->VisibleCount(), 1);
  f.dc()->Filter()->Clear();
  EXPECT_EQ(filtering->MRUItems()->VisibleCount(), 2);

  f.view->OnCanSelectRecord = [](TkcGridTableView*, TkcCustomGridRecord* r, bool& allow) { allow = r->Index != 1; };
  EXPECT_TRUE(f.dc()->CanSelectRow(0));
  EXPECT_FALSE(f.dc()->CanSelectRow(1));
}
