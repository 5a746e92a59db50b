#include "grid/kcGridFiltering.h"

#include "filter-builder/kcFilterControlDialog.h"
#include "filter-builder/kcFilterDialog.h"
#include "grid/kcGridTableView.h"

namespace {

std::unique_ptr<TMemoryStream> CriteriaStream(TkcFilterCriteria* ACriteria) {
  auto stream = std::make_unique<TMemoryStream>();
  ACriteria->WriteData(stream.get());
  return stream;
}

bool SameCriteria(TkcFilterCriteria* A, TkcFilterCriteria* B) {
  std::unique_ptr<TMemoryStream> a = CriteriaStream(A), b = CriteriaStream(B);
  return IsMemoryStreamEqual(a.get(), b.get());
}

// What the filter builder sees of a view: its filterable columns and its data controller's
// filter. A column is known to the builder by its ID, as the filter's stored form knows it.
class TkcGridFilterBuilderLink : public TComponent, public IkcFilterControl {
public:
  explicit TkcGridFilterBuilderLink(TkcGridTableView* AView) : TComponent(nullptr), fView(AView) {
    for (int i = 0; i < AView->ColumnCount(); ++i)
      if (AView->Columns(i)->Options()->Filtering()) fColumns.push_back(AView->Columns(i));
  }
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override {
    return GetInterfaceOf<IkcFilterControl>(this, IID, Obj) || TComponent::GetInterface(IID, Obj);
  }
  String GetCaption(int AIndex) override { return fColumns.at(AIndex)->Caption(); }
  int GetCount() override { return static_cast<int>(fColumns.size()); }
  TkcFilterCriteria* GetCriteria() override { return fView->DataController()->Filter(); }
  TObject* GetItemLink(int AIndex) override {
    return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(fColumns.at(AIndex)->ID()));
  }
  String GetFieldName(int AIndex) override {
    return fView->DataController()->GetFilterItemFieldName(fColumns.at(AIndex));
  }
  TkcCustomEditProperties* GetProperties(int AIndex) override { return fColumns.at(AIndex)->GetProperties(); }
  TkcValueTypeClass GetValueType(int AIndex) override {
    return fColumns.at(AIndex)->DataBinding()->GetValueTypeClass();
  }

private:
  TkcGridTableView* fView;
  std::vector<TkcGridColumn*> fColumns;
};

}  // namespace

// ---- History entries ------------------------------------------------------------------------

TkcGridFilterMRUItem::TkcGridFilterMRUItem(TkcCustomDataController* ADataController, TkcFilterCriteria* ACriteria)
    : fFilter(ADataController->CreateFilterCriteria()) {
  fFilter->Assign(ACriteria);
}

TkcGridFilterMRUItem::~TkcGridFilterMRUItem() { delete fFilter; }

bool TkcGridFilterMRUItem::Equals(TkcMRUItem* AItem) {
  auto* other = dynamic_cast<TkcGridFilterMRUItem*>(AItem);
  return other && SameCriteria(fFilter, other->fFilter);
}

bool TkcGridFilterMRUItem::IsEqualToCriteria(TkcFilterCriteria* ACriteria) { return SameCriteria(fFilter, ACriteria); }

TMemoryStream* TkcGridFilterMRUItem::GetStream() { return CriteriaStream(fFilter).release(); }

void TkcGridFilterMRUItems::DeleteEmptyItems() {
  int old = Count();
  for (int i = Count() - 1; i >= 0; --i)
    if (Items(i)->Filter()->IsEmpty()) Delete(i);
  if (Count() != old) RefreshVisibleItems();
}

void TkcGridFilterMRUItems::RefreshVisibleItems() {
  int old = VisibleCount();
  fVisibleItems.clear();
  TkcDataFilterCriteria* active = fFiltering->TableView()->DataController()->Filter();
  // The active filter is written once, not once per entry.
  std::unique_ptr<TMemoryStream> activeStream = CriteriaStream(active);
  for (int i = 0; i < Count(); ++i) {
    std::unique_ptr<TMemoryStream> entry = CriteriaStream(Items(i)->Filter());
    if (!IsMemoryStreamEqual(entry.get(), activeStream.get())) fVisibleItems.push_back(Items(i));
  }
  if (VisibleCount() != old) fFiltering->MRUItemsVisibleCountChanged(old, VisibleCount());
}

// ---- Filter box -----------------------------------------------------------------------------

void TkcGridFilterBox::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TkcGridFilterBox*>(Source)) {
    SetCustomizeDialog(other->fCustomizeDialog);
    SetMRUItemsListDropDownCount(other->fMRUItemsListDropDownCount);
    SetPosition(other->fPosition);
    SetVisible(other->fVisible);
    return;
  }
  TkcCustomGridOptions::Assign(Source);
}

void TkcGridFilterBox::SetCustomizeDialog(bool Value) {
  if (fCustomizeDialog == Value) return;
  fCustomizeDialog = Value;
  Changed(vckLayout);
}

void TkcGridFilterBox::SetMRUItemsListDropDownCount(int Value) {
  Value = std::max(Value, 0);
  if (fMRUItemsListDropDownCount == Value) return;
  fMRUItemsListDropDownCount = Value;
  Changed(vckProperty);
}

void TkcGridFilterBox::SetPosition(TkcGridFilterPosition Value) {
  if (fPosition == Value) return;
  fPosition = Value;
  Changed(vckLayout);
}

void TkcGridFilterBox::SetVisible(TkcGridFilterVisible Value) {
  if (fVisible == Value) return;
  fVisible = Value;
  Changed(vckSize);
}

// ---- Filtering ------------------------------------------------------------------------------

TkcCustomGridTableFiltering::TkcCustomGridTableFiltering(TkcGridTableView* AGridView)
    : TkcCustomGridOptions(AGridView), fMRUItems(std::make_unique<TkcGridFilterMRUItems>(this)) {
  fMRUItems->SetMaxCount(fMRUItemsListCount + 1);
}

TkcCustomGridTableFiltering::~TkcCustomGridTableFiltering() = default;

TkcGridTableView* TkcCustomGridTableFiltering::TableView() const { return static_cast<TkcGridTableView*>(GridView()); }

void TkcCustomGridTableFiltering::Assign(TPersistent* Source) {
  if (auto* other = dynamic_cast<TkcCustomGridTableFiltering*>(Source)) {
    SetItemMRUItemsList(other->fItemMRUItemsList);
    SetItemMRUItemsListCount(other->fItemMRUItemsListCount);
    SetItemPopupDropDownWidth(other->fItemPopupDropDownWidth);
    SetItemPopupMaxDropDownItemCount(other->fItemPopupMaxDropDownItemCount);
    SetMRUItemsList(other->fMRUItemsList);
    SetMRUItemsListCount(other->fMRUItemsListCount);
    return;
  }
  TkcCustomGridOptions::Assign(Source);
}

void TkcCustomGridTableFiltering::SetMRUItemsList(bool Value) {
  if (fMRUItemsList == Value) return;
  fMRUItemsList = Value;
  Changed(vckSize);
}

void TkcCustomGridTableFiltering::SetMRUItemsListCount(int Value) {
  Value = std::max(Value, 0);
  if (fMRUItemsListCount == Value) return;
  fMRUItemsListCount = Value;
  fMRUItems->SetMaxCount(Value != 0 ? Value + 1 : 0);
  fMRUItems->RefreshVisibleItems();
  Changed(vckProperty);
}

void TkcCustomGridTableFiltering::SetItemMRUItemsList(bool Value) {
  if (fItemMRUItemsList == Value) return;
  fItemMRUItemsList = Value;
  Changed(vckProperty);
}

void TkcCustomGridTableFiltering::SetItemMRUItemsListCount(int Value) {
  Value = std::max(Value, 0);
  if (fItemMRUItemsListCount == Value) return;
  fItemMRUItemsListCount = Value;
  TkcGridTableView* view = TableView();
  for (int i = 0; i < view->ColumnCount(); ++i)
    view->Columns(i)->DataBinding()->RecentFilterValues()->SetMaxCount(Value);
  Changed(vckProperty);
}

void TkcCustomGridTableFiltering::SetItemPopupDropDownWidth(int Value) {
  Value = std::max(Value, 0);
  if (fItemPopupDropDownWidth == Value) return;
  fItemPopupDropDownWidth = Value;
  Changed(vckProperty);
}

void TkcCustomGridTableFiltering::SetItemPopupMaxDropDownItemCount(int Value) {
  Value = std::max(Value, 0);
  if (fItemPopupMaxDropDownItemCount == Value) return;
  fItemPopupMaxDropDownItemCount = Value;
  Changed(vckProperty);
}

void TkcCustomGridTableFiltering::FilterChanged() { fMRUItems->RefreshVisibleItems(); }

void TkcCustomGridTableFiltering::MRUItemsVisibleCountChanged(int AOldCount, int ANewCount) {
  // The filter box shows its history button only while there is history to show.
  if (fMRUItemsList && (AOldCount == 0 || ANewCount == 0)) Changed(vckSize);
}

void TkcCustomGridTableFiltering::AddFilterToMRUItems(TkcFilterCriteria* ACriteria) {
  TkcCustomDataController* dc = TableView()->DataController();
  if (!ACriteria) ACriteria = dc->Filter();
  if (ACriteria->IsEmpty()) return;
  fMRUItems->Add(new TkcGridFilterMRUItem(dc, ACriteria));
  fMRUItems->RefreshVisibleItems();
}

void TkcCustomGridTableFiltering::ApplyFilter() {
  TableView()->DataController()->Filter()->SetActive(true);
  AddFilterToMRUItems();
}

void TkcCustomGridTableFiltering::RunCustomizeDialog(TkcGridColumn* AItem) {
  TkcGridTableView* view = TableView();
  bool done = false;
  if (view->OnFilterDialogShow) view->OnFilterDialogShow(view, AItem, done);
  if (done) return;
  TkcDataFilterCriteria* filter = view->DataController()->Filter();
  if (!AItem || IsComplexFilter(filter)) {
    if (view->OnFilterCustomization) view->OnFilterCustomization(view, done);
    if (done) return;
    TkcGridFilterBuilderLink link(view);
    ExecuteFilterControlDialog(&link, view->LookAndFeel(), clDefault, view->Font(), String(),
                               view->OnFilterControlDialogShow, TNotifyEvent([this](TObject*) { ApplyFilter(); }));
    return;
  }
  if (ExecuteFilterDialog(filter, AItem, AItem->GetProperties(), view->Font(), view->LookAndFeel(),
                          AItem->DataBinding()->GetValueTypeClass(), AItem->Caption())) {
    filter->SetActive(true);
    AddFilterToMRUItems();
  }
}
