#include "grid/kcGridEditingController.h"

#include "editors/kcTextEdit.h"
#include "grid/kcGridTableController.h"

TkcGridEditingController::TkcGridEditingController(TkcGridTableController* AController)
    : fController(AController), fTextProperties(std::make_unique<TkcTextEditProperties>(nullptr)) {}

TkcGridEditingController::~TkcGridEditingController() {
  fEditingItem = nullptr;
  fEdit = nullptr;
  fEditList.RemoveAll();
}

TkcCustomEditProperties* TkcGridEditingController::EditPropertiesOf(TkcGridColumn* AItem) {
  TkcCustomEditProperties* properties = AItem ? AItem->GetProperties() : nullptr;
  // A column with no kind at all (no registered default either) is still edited as text.
  return properties ? properties : fTextProperties.get();
}

TkcCustomEdit* TkcGridEditingController::GetEditFor(TkcGridColumn* AItem) {
  TkcCustomEditProperties* properties = EditPropertiesOf(AItem);
  // Properties freed and made again at the same address may be of another kind: the editor
  // kept for the old ones cannot serve them.
  if (TkcCustomEdit* kept = fEditList.FindEdit(properties);
      kept && kept != fEdit && kept->Properties()->ClassType() != properties->ClassType())
    fEditList.RemoveItem(properties);
  return fEditList.GetEdit(properties);
}

bool TkcGridEditingController::ShowEdit(TkcGridColumn* AItem, char32_t AKey) {
  if (IsEditing() && fEditingItem == AItem) return true;
  if (!PrepareEdit(AItem)) return false;
  if (AKey)
    fEdit->ActivateByKey(AKey);
  else
    fEdit->Activate();
  return true;
}

bool TkcGridEditingController::ShowEditByMouse(TkcGridColumn* AItem, TShiftState AShift, int X, int Y) {
  if (IsEditing() && fEditingItem == AItem) return true;
  if (!PrepareEdit(AItem)) return false;
  fEdit->ActivateByMouse(AShift, X, Y);
  return true;
}

bool TkcGridEditingController::PrepareEdit(TkcGridColumn* AItem) {
  TkcGridTableView* view = fController->TableView();
  TkcCustomDataController* dc = view->DataController();
  if (!AItem || !view->OptionsData()->Editing() || fHiding) return false;
  int row = dc->GetFocusedRowIndex();
  if (row < 0 || dc->GetRowInfo(row).Level < dc->Groups()->GetGroupingItemCount()) return false;
  int item = AItem->ItemIndex();
  if (IsEditing()) HideEdit(true);
  dc->StartEdit();
  if (!dc->InitItemEditing(item)) return false;
  TkcGridSite* site = view->Site();
  if (!site) return false;
  fEdit = GetEditFor(AItem);
  fEditProperties = EditPropertiesOf(AItem);
  // The editor follows the defaults of the item's source (a field's length, read-only state).
  fEdit->Properties()->SetDefaultValuesProvider(AItem->DataBinding()->GetDefaultValuesProvider());
  fEditingItem = AItem;
  fEditingRow = row;
  fEdit->SetParent(site);
  fEdit->OnKeyDown = [this](TObject* Sender, WORD& Key, TShiftState Shift) { EditKeyDown(Sender, Key, Shift); };
  fEdit->OnExit = [this](TObject* Sender) { EditExit(Sender); };
  fEdit->LockChangeEvents(true);
  fEdit->SetEditValue(dc->GetItemEditValue(item, dc->GetItemValueSource(item)));
  fEdit->LockChangeEvents(false, false);
  PlaceEdit();
  return true;
}

bool TkcGridEditingController::CheckEdit() {
  // The editor goes with the site it sits in when the grid is freed while editing.
  if (IsEditing() && fEditList.FindEdit(fEditProperties) != fEdit) {
    fEdit = nullptr;
    fEditProperties = nullptr;
    fEditingItem = nullptr;
    fEditingRow = -1;
  }
  return IsEditing();
}

void TkcGridEditingController::PlaceEdit() {
  if (!CheckEdit()) return;
  TkcGridTableViewInfo* info = fController->TableView()->TableViewInfo();
  TkcCustomGridRowViewInfo* row = info->RowByIndex(fEditingRow);
  if (row)
    for (auto& cell : row->Cells)
      if (auto* data = dynamic_cast<TkcGridDataCellViewInfo*>(cell.get()); data && data->Column == fEditingItem) {
        TRect r = data->Bounds;
        fEdit->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
        fEdit->SetVisible(true);
        return;
      }
  // A cell out of view parks its editor out of sight, so it keeps the input focus while the
  // grid scrolls.
  fEdit->SetLeft(30000);
}

void TkcGridEditingController::UpdateValue() {
  if (!CheckEdit()) return;
  // The editor validates its text first; a refused value raises and stays in the editor.
  fEdit->ValidateEdit(true);
  if (!fEdit->EditModified() && !fEdit->ModifiedAfterEnter()) return;
  TkcCustomDataController* dc = fController->TableView()->DataController();
  int item = fEditingItem->ItemIndex();
  dc->SetItemEditValue(item, fEdit->EditValue(), dc->GetItemValueSource(item));
}

void TkcGridEditingController::HideEdit(bool ASave) {
  if (!CheckEdit() || fHiding) return;
  TkcGridTableView* view = fController->TableView();
  TkcCustomDataController* dc = view->DataController();
  fHiding = true;
  try {
    // Accepted, the value goes into the record, which stays in edit so that more of its cells
    // can change; it is posted when the focus leaves the row (or by the data's own rules).
    // Abandoned, only the editor's value goes: what other cells wrote stays in the record.
    if (ASave) {
      UpdateValue();
      if (dc->IsEditing()) dc->UpdateEditingRecord();
      // What the editor learnt while editing (an MRU list) goes back to the column's kind.
      fEdit->Properties()->CopyDataTo(fEditProperties);
    }
  } catch (...) {
    fHiding = false;
    throw;
  }
  TkcCustomEdit* edit = DetachEdit();
  bool hadFocus = edit->GetEditFocused();
  edit->SetVisible(false);
  if (hadFocus && view->Site() && view->Site()->CanFocus()) view->Site()->SetFocus();
  fHiding = false;
  view->LayoutChanged();
}

TkcCustomEdit* TkcGridEditingController::DetachEdit() {
  TkcCustomEdit* edit = fEdit;
  fEditingItem = nullptr;
  fEdit = nullptr;
  fEditProperties = nullptr;
  fEditingRow = -1;
  edit->OnKeyDown = nullptr;
  edit->OnExit = nullptr;
  return edit;
}

void TkcGridEditingController::ItemRemoved(TkcGridColumn* AItem) {
  // The editor's value has no column to go to; what other cells wrote stays in the record.
  if (CheckEdit() && AItem == fEditingItem) DetachEdit()->SetVisible(false);
  // Its own properties go with it; an editor kept for them would never be found again.
  if (AItem && AItem->Properties()) fEditList.RemoveItem(AItem->Properties());
}

void TkcGridEditingController::RemoveEdit(TkcCustomEditProperties* AProperties) {
  if (!AProperties) return;
  if (CheckEdit() && fEditProperties == AProperties) DetachEdit()->SetVisible(false);
  fEditList.RemoveItem(AProperties);
}

void TkcGridEditingController::EditKeyDown(TObject*, WORD& Key, TShiftState Shift) {
  switch (Key) {
    case VK_RETURN: {
      Key = 0;
      HideEdit(true);
      if (IsEditing()) break;
      // On to the next cell's editor when Enter walks the cells; else the editor comes back
      // when the view always shows one.
      TkcGridTableView* view = fController->TableView();
      if (view->OptionsBehavior()->GoToNextCellOnEnter() && (Shift.Empty() || Shift == TShiftState{ssShift})) {
        if (fController->FocusNextCell(Shift.Empty())) fController->ShowEdit();
      } else {
        fController->CheckEditing();
      }
      break;
    }
    case VK_DELETE:
      // Ctrl+Delete deletes the record; Delete alone stays with the editor.
      if (Shift != TShiftState{ssCtrl}) return;
      {
        WORD k = Key;
        Key = 0;
        fController->KeyDown(k, Shift);
      }
      break;
    case VK_ESCAPE: {
      // Esc drops what the editor holds. An editor left as it was hands the key on to the
      // grid, which cancels the record; its editor comes back (AlwaysShowEditor) only after
      // that, so that it shows the record's own value.
      const bool modified = fEdit->ModifiedAfterEnter();
      WORD k = Key;
      Key = 0;
      HideEdit(false);
      if (!modified) fController->KeyDown(k, Shift);
      fController->CheckEditing();
      break;
    }
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_TAB: {
      if (Shift.Contains(ssAlt)) return;
      HideEdit(true);
      WORD k = Key;
      Key = 0;
      fController->KeyDown(k, Shift);
      break;
    }
    default: break;
  }
}

void TkcGridEditingController::EditExit(TObject*) {
  // Leaving the editor for another control keeps what was typed.
  if (IsEditing() && !fHiding) HideEdit(true);
}
