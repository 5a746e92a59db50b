#include "grid/kcGridPopups.h"

#include <algorithm>

#include "controls/kcControlUtils.h"
#include "editors-extended/kcCheckListBox.h"
#include "grid/kcGridFiltering.h"
#include "platform/forms/Forms.h"

// ---- Base -----------------------------------------------------------------------------------

TkcCustomGridPopup::TkcCustomGridPopup(TkcGridTableView* AView) : TkcCustomPopupWindow(AView->Site()), fView(AView) {
  // The drop-down runs inside the application's own loop, not a nested one.
  ModalLoop = false;
  SetOwnerParent(AView->Site());
  SetPopupBorderStyle(1);
}

int TkcCustomGridPopup::GetMinWidth() { return OwnerBounds.right - OwnerBounds.left - GetHorizontalEdgesWidth(); }

TkcCustomGridListPopup::TkcCustomGridListPopup(TkcGridTableView* AView)
    : TkcCustomGridPopup(AView), fListBox(new TListBox(this)) {
  fListBox->SetParent(this);
  fListBox->AutoComplete = false;
  fListBox->OnMouseUp = [this](TObject*, TMouseButton AButton, TShiftState, int X, int Y) {
    if (AButton == mbLeft) ListMouseUp(X, Y);
  };
  // The entry under the mouse is the one Enter or a release would choose.
  fListBox->OnMouseMove = [this](TObject*, TShiftState, int X, int Y) {
    int index = fListBox->ItemAtPos(TPoint{X, Y}, true);
    if (index >= 0 && index != fListBox->ItemIndex()) fListBox->SetItemIndex(index);
  };
  fListBox->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (Key == VK_RETURN) {
      Key = 0;
      DoAction(fListBox->ItemIndex());
    } else if (Key == VK_ESCAPE) {
      Key = 0;
      ClosePopup();
    }
  };
}

void TkcCustomGridListPopup::InitPopup() {
  TkcCustomPopupWindow::InitPopup();
  if (TFont* font = HostView()->Font()) fListBox->SetFont(font);
}

void TkcCustomGridListPopup::ListMouseUp(int X, int Y) {
  int index = fListBox->ItemAtPos(TPoint{X, Y}, true);
  if (index >= 0) DoAction(index);
}

void TkcCustomGridListPopup::AdjustListBox(int AMaxVisible, int AMinWidth, int AMaxWidth, int AVertPadding) {
  KcCanvas()->SetFont(fListBox->Font());
  int itemHeight = KcCanvas()->TextHeight("Qq") + 2 * AVertPadding;
  fListBox->SetItemHeight(itemHeight);
  int count = fListBox->Items()->Count();
  int visible = AMaxVisible > 0 ? std::min(count, AMaxVisible) : count;
  int width = 0;
  for (int i = 0; i < count; ++i) width = std::max(width, KcCanvas()->TextWidth(fListBox->Items()->Strings(i)));
  width += 2 + 2;
  if (AMaxWidth > 0) width = std::min(width, AMaxWidth);
  if (visible < count) width += GetSystemMetrics(SM_CXVSCROLL);
  // The widths above are of the list's inside: its frame comes on top (as wide as it is high,
  // there being no horizontal bar), or the widest entry loses its end.
  int frame = fListBox->Height() - fListBox->ClientHeight();
  width = std::max(width + frame, AMinWidth - GetHorizontalEdgesWidth());
  fListBox->SetBounds(0, 0, width, std::max(visible, 1) * itemHeight + frame);
}

// ---- Column filter --------------------------------------------------------------------------

TkcGridFilterPopup::TkcGridFilterPopup(TkcGridTableView* AView) : TkcCustomGridListPopup(AView) {
  // Drawn here so that the line before the recent values shows as a separator.
  ListBox()->SetStyle(lbOwnerDrawFixed);
  ListBox()->OnDrawItem = [this](TWinControl*, int AIndex, TRect R, TOwnerDrawState AState) {
    DrawItem(AIndex, R, AState);
  };
}

void TkcGridFilterPopup::DrawItem(int AIndex, const TRect& R, TOwnerDrawState AState) {
  TCanvas* c = ListBox()->Canvas();
  bool selected = AState.Contains(odSelected);
  c->Brush()->SetColor(selected ? clHighlight : ListBox()->Color());
  c->FillRect(R);
  if (fValueList && AIndex < fValueList->GetCount() && fValueList->GetItem(AIndex).Kind == fviMRUSeparator) {
    // Two lines across the entry, 2 pixels apart.
    int y = (R.top + R.bottom - 3) / 2;
    c->Brush()->SetColor(clBtnShadow);
    c->FillRect(TRect{R.left, y, R.right, y + 1});
    c->FillRect(TRect{R.left, y + 2, R.right, y + 3});
    return;
  }
  c->Brush()->SetStyle(bsClear);
  const String& text = ListBox()->Items()->Strings(AIndex);
  c->Font()->SetColor(selected ? clHighlightText : ListBox()->Font()->Color());
  c->TextOut(R.left + 2, (R.top + R.bottom - c->TextHeight(text)) / 2, text);
  c->Brush()->SetStyle(bsSolid);
  if (AState.Contains(odFocused)) c->DrawFocusRect(R);
}

TkcGridFilterPopup::~TkcGridFilterPopup() = default;

void TkcGridFilterPopup::Popup(TkcGridColumn* AColumn) {
  TkcGridTableView* view = HostView();
  TkcCustomDataController* dc = view->DataController();
  if (IsShown()) ClosePopup();
  fFilterItem = AColumn;
  ShowHourglassCursor();
  try {
    fValueList.reset(dc->Filter()->CreateValueList());
    // The specials, the distinct values and the values last picked, as the column shows them.
    AColumn->DataBinding()->GetFilterStrings(ListBox()->Items(), fValueList.get());
    int selected = -1;
    TkcFilterCriteriaItem* current = dc->Filter()->FindItemByItemLink(AColumn);
    // The entry that stands for the column's condition: a value, or a test for blank.
    for (int i = 0; current && i < fValueList->GetCount(); ++i) {
      const TkcFilterValueItem& entry = fValueList->GetItem(i);
      const bool equal = current->OperatorKind() == foEqual, blank = current->Value().IsNull();
      if ((entry.Kind == fviValue && equal && !blank && VariantsEqual(entry.Value, current->Value())) ||
          (entry.Kind == fviBlanks && equal && blank) ||
          (entry.Kind == fviNonBlanks && current->OperatorKind() == foNotEqual && blank))
        selected = i;
    }
    // Under the column's header, never narrower than it.
    OwnerBounds = TRect{};
    for (auto& header : view->TableViewInfo()->Headers())
      if (header->Column == AColumn) OwnerBounds = header->Bounds;
    AdjustListBox(view->Filtering()->ColumnPopupMaxDropDownItemCount(), OwnerBounds.right - OwnerBounds.left,
                  view->Filtering()->ColumnPopupDropDownWidth());
    ListBox()->SetItemIndex(selected >= 0 ? selected : 0);
  } catch (...) {
    HideHourglassCursor();
    throw;
  }
  HideHourglassCursor();
  ShowPopup(ListBox());
}

void TkcGridFilterPopup::ClosePopup() {
  TkcCustomGridListPopup::ClosePopup();
  ListBox()->Items()->Clear();
}

void TkcGridFilterPopup::ItemRemoved(TkcGridColumn* AColumn) {
  if (AColumn != fFilterItem) return;
  fFilterItem = nullptr;
  if (IsShown()) ClosePopup();
}

void TkcGridFilterPopup::ApplyValue(int AIndex) {
  if (!fFilterItem || !fValueList || AIndex < 0 || AIndex >= fValueList->GetCount()) return;
  TkcGridColumn* column = fFilterItem;
  TkcFilterValueItem entry = fValueList->GetItem(AIndex);
  // The line between the recent values and the rest is no choice.
  if (entry.Kind == fviMRUSeparator) return;
  TkcCustomDataController* dc = HostView()->DataController();
  TkcDataFilterCriteria* filter = dc->Filter();
  ClosePopup();
  if (entry.Kind == fviCustom) {
    HostView()->Filtering()->RunCustomizeDialog(column);
    return;
  }
  TkcGridItemDataBinding* binding = column->DataBinding();
  filter->BeginUpdate();
  try {
    if (entry.Kind > fviCustom) filter->SetActive(true);
    switch (entry.Kind) {
      case fviAll: binding->SetFiltered(false); break;
      case fviBlanks:
      case fviNonBlanks:
        binding->AddToFilter(filter->Root(), entry.Kind == fviBlanks ? foEqual : foNotEqual, Null(), "blank", true);
        break;
      case fviValue:
      case fviMRU:
        binding->AddToFilter(filter->Root(), foEqual, entry.Value, entry.DisplayText, true);
        binding->RecentFilterValues()->Add(entry.Value, entry.DisplayText);
        break;
      default: break;
    }
  } catch (...) {
    filter->EndUpdate();
    throw;
  }
  filter->EndUpdate();
  if (entry.Kind != fviUser) HostView()->Filtering()->AddFilterToMRUItems();
  HostView()->LayoutChanged();
}

// ---- Recent filters -------------------------------------------------------------------------

void TkcGridFilterMRUItemsPopup::Popup(const TRect& AOwnerBounds) {
  TkcGridFilterMRUItems* mru = HostView()->Filtering()->MRUItems();
  TStrings* items = ListBox()->Items();
  items->BeginUpdate();
  items->Clear();
  for (int i = 0; i < mru->VisibleCount(); ++i) items->Add(mru->VisibleItems(i)->Filter()->GetFilterCaption());
  items->EndUpdate();
  if (items->Count() == 0) return;
  OwnerBounds = AOwnerBounds;
  // The filters' texts stand a little apart.
  AdjustListBox(HostView()->FilterBox()->MRUItemsListDropDownCount(), 0, 0, 2);
  ListBox()->SetItemIndex(0);
  ShowPopup(ListBox());
}

void TkcGridFilterMRUItemsPopup::ApplyItem(int AIndex) {
  TkcGridFilterMRUItems* mru = HostView()->Filtering()->MRUItems();
  if (AIndex < 0 || AIndex >= mru->VisibleCount()) return;
  TkcGridFilterMRUItem* item = mru->VisibleItems(AIndex);
  ClosePopup();
  TkcDataFilterCriteria* filter = HostView()->DataController()->Filter();
  filter->BeginUpdate();
  try {
    filter->Assign(item->Filter());
    filter->SetActive(true);
  } catch (...) {
    filter->EndUpdate();
    throw;
  }
  filter->EndUpdate();
  HostView()->Filtering()->AddFilterToMRUItems();
  HostView()->SizeChanged();
}

// ---- Quick customization --------------------------------------------------------------------

TkcCustomGridCustomizationPopup::TkcCustomGridCustomizationPopup(TkcGridTableView* AView)
    : TkcCustomGridPopup(AView), fCheckListBox(new TkcCheckListBox(this)) {
  fCheckListBox->SetParent(this);
  fCheckListBox->InnerCheckListBox()->OnClickCheck = [this](TObject*, int AIndex, TkcCheckBoxState,
                                                            TkcCheckBoxState ANewState) {
    ItemCheckChanged(AIndex, ANewState == cbsChecked);
  };
  fCheckListBox->InnerCheckListBox()->OnKeyDown = [this](TObject*, WORD& Key, TShiftState) {
    if (Key != VK_ESCAPE) return;
    Key = 0;
    ClosePopup();
  };
}

void TkcCustomGridCustomizationPopup::Popup(const TRect& AOwnerBounds) {
  if (IsShown()) ClosePopup();
  OwnerBounds = AOwnerBounds;
  ShowPopup(fCheckListBox);
}

void TkcCustomGridCustomizationPopup::InitPopup() {
  TkcCustomGridPopup::InitPopup();
  if (TFont* font = HostView()->Font()) fCheckListBox->SetFont(font);
  AddItems();
  AdjustBounds();
}

void TkcCustomGridCustomizationPopup::ClosePopup() {
  TkcCustomGridPopup::ClosePopup();
  fCheckListBox->Items()->Clear();
}

void TkcCustomGridCustomizationPopup::AdjustBounds() {
  int count = fCheckListBox->Items()->Count();
  int limit = GetMaxDropDownCount();
  int visible = limit > 0 ? std::min(limit, count) : count;
  int width = fCheckListBox->CalculateOptimalWidth();
  if (visible < count) width += GetSystemMetrics(SM_CXVSCROLL);
  width = std::max(width, GetMinWidth());
  fCheckListBox->SetBounds(0, 0, width, fCheckListBox->GetHeightForRows(std::max(visible, 1)));
}

void TkcCustomGridCustomizationPopup::ItemCheckChanged(int AIndex, bool AChecked) {
  if (TkcCheckListBoxItem* item = fCheckListBox->Items()->Items(AIndex)) SetItemChecked(item->ItemObject, AChecked);
}

void TkcCustomGridItemsCustomizationPopup::AddItems() {
  TkcGridTableView* view = HostView();
  TkcCheckListBoxItems* items = CheckListBox()->Items();
  items->BeginUpdate();
  try {
    items->Clear();
    for (int i = 0; i < view->ColumnCount(); ++i) {
      TkcGridColumn* column = view->Columns(i);
      if (column->Hidden()) continue;
      TkcCheckListBoxItem* item = items->Add();
      item->SetText(column->Caption());
      item->ItemObject = column;
      item->SetChecked(column->Visible());
    }
  } catch (...) {
    items->EndUpdate();
    throw;
  }
  items->EndUpdate();
}

int TkcCustomGridItemsCustomizationPopup::GetMaxDropDownCount() {
  return HostView()->OptionsCustomize()->ColumnsQuickCustomizationMaxDropDownCount();
}

void TkcCustomGridItemsCustomizationPopup::SetItemChecked(TObject* AItem, bool AChecked) {
  auto* column = dynamic_cast<TkcGridColumn*>(AItem);
  // An entry whose column went away while the list was open changes nothing.
  if (!column || HostView()->IndexOfColumn(column) < 0) return;
  column->SetVisible(AChecked);
}
