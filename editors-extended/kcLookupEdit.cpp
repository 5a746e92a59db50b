#include "editors-extended/kcLookupEdit.h"

#include <algorithm>

#include "controls/kcLookAndFeel.h"
#include "data/kcDataUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

namespace {
// Holds a lock of the properties for a scope (released also when the scope raises).
template <void (TkcCustomLookupEditProperties::*Begin)(), void (TkcCustomLookupEditProperties::*End)()>
class TPropertiesScope {
public:
  explicit TPropertiesScope(TkcCustomLookupEditProperties* AProperties) : fProperties(AProperties) {
    (fProperties->*Begin)();
  }
  ~TPropertiesScope() { (fProperties->*End)(); }
  TPropertiesScope(const TPropertiesScope&) = delete;
  TPropertiesScope& operator=(const TPropertiesScope&) = delete;

private:
  TkcCustomLookupEditProperties* fProperties;
};
// The lookup lock: data changes the editor causes itself do not recalculate it.
using TLookupLock =
    TPropertiesScope<&TkcCustomLookupEditProperties::LockLookup, &TkcCustomLookupEditProperties::UnlockLookup>;
// The list's navigation lock, matched also when the move raises.
using TListNavigation = TPropertiesScope<&TkcCustomLookupEditProperties::BeginListNavigation,
                                         &TkcCustomLookupEditProperties::EndListNavigation>;

bool SameTextIgnoringCase(const String& A, const String& B) { return AnsiUpperCase(A) == AnsiUpperCase(B); }
}  // namespace

// ---- Properties -----------------------------------------------------------------------------

TkcCustomLookupEditProperties::TkcCustomLookupEditProperties(TPersistent* AOwner)
    : TkcCustomComboBoxProperties(AOwner) {
  SetDropDownListStyle(lsEditFixedList);
  PopupAutoSize = false;
  fPopupSizeable = false;
  fPopupHeight = 0;
  fPopupWidth = 0;
}

TkcCustomLookupEditProperties::~TkcCustomLookupEditProperties() = default;

void TkcCustomLookupEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomLookupEditProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    if (!IsDefinedByLookupField()) SetTextColumnIndex(source->GetTextColumnIndex());
    IncrementalFiltering = source->IncrementalFiltering;
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcCustomLookupEditProperties::GetContainerClass() { return TkcCustomLookupEdit::StaticClass(); }

int TkcCustomLookupEditProperties::GetOperationSupport() {
  // Bit 9: a column of this kind may be sorted by its text rather than by its key.
  int support = inherited::GetOperationSupport();
  if (!IsProviderFormatUsed(false)) support |= 0x200;
  return support;
}

void TkcCustomLookupEditProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                            bool AEditFocused) {
  if (IsTextKey() || (HasLookupField() && !AEditFocused)) {
    inherited::EditValueToDisplayValue(AEditValue, ADisplayValue, AEditFocused);
    return;
  }
  String text;
  GetKeyText(AEditValue, text);
  ADisplayValue = text;
}

bool TkcCustomLookupEditProperties::IsProviderFormatUsed(bool) { return IsTextKey(); }

bool TkcCustomLookupEditProperties::IsLookupItem(const String& AText) {
  const int index = GetListIndex();
  return index != -1 && GetListDataController() && FindRecordByText(index, AText, false) != -1;
}

TClass TkcCustomLookupEditProperties::GetLookupDataClass() { return TkcCustomLookupEditLookupData::StaticClass(); }

bool TkcCustomLookupEditProperties::IsPopupNavigationKey(WORD Key, TShiftState Shift) {
  switch (Key) {
    case VK_PRIOR:
    case VK_NEXT:
    case VK_UP:
    case VK_DOWN: return !Shift.Contains(ssAlt);
    case VK_HOME:
    case VK_END: return Shift.Contains(ssCtrl);
    default: return false;
  }
}

TWinControl* TkcCustomLookupEditProperties::GetListWindow() { return dynamic_cast<TWinControl*>(GetListControl()); }

void TkcCustomLookupEditProperties::StopListeningToData() {
  if (TkcCustomDataController* dc = GetListDataController())
    dc->RemoveDataChangedListener(TNotifyEvent(this, &TkcCustomLookupEditProperties::GridDataChanged));
}

void TkcCustomLookupEditProperties::StartListeningToData() {
  if (TkcCustomDataController* dc = GetListDataController())
    dc->AddDataChangedListener(TNotifyEvent(this, &TkcCustomLookupEditProperties::GridDataChanged));
}

int TkcCustomLookupEditProperties::FindRecordByText(int AItemIndex, const String& AText, bool APartial) {
  TkcCustomDataController* dc = GetListDataController();
  if (!dc || AItemIndex < 0 || AItemIndex >= dc->GetItemCount()) return -1;
  return dc->FindRecordByDisplayText(0, AItemIndex, AText, APartial && !AText.empty(), false, true);
}

int TkcCustomLookupEditProperties::GetListIndex() {
  const int count = GetListColumnCount();
  const int index = GetTextColumnIndex();
  return index < count ? index : count - 1;
}

void TkcCustomLookupEditProperties::GridDataChanged(TObject*) {
  if (fInGridDataChanged || IsLookupLocked() || IsListDataBusy()) return;
  if (TkcCustomDataController* dc = GetListDataController(); dc && dc->IsDataChangeListenersLocked()) return;
  fInGridDataChanged = true;
  try {
    Changed();
  } catch (...) {
    fInGridDataChanged = false;
    throw;
  }
  fInGridDataChanged = false;
}

bool TkcCustomLookupEditProperties::IsListDataBusy() {
  TkcCustomDataController* dc = GetListDataController();
  return dc && (dc->GetLockCount() > 0 || (dc->IsGridMode() && dc->IsEditing()));
}

void TkcCustomLookupEditProperties::BeginListNavigation() {
  if (TkcCustomDataController* dc = GetListDataController()) dc->LockDataChangeListeners();
}

void TkcCustomLookupEditProperties::EndListNavigation() {
  if (TkcCustomDataController* dc = GetListDataController()) dc->UnlockDataChangeListeners();
}

void TkcCustomLookupEditProperties::SetTextColumnIndex(int AIndex) {
  const int count = GetListColumnCount();
  AIndex = count == 0 ? 0 : std::clamp(AIndex, 0, count - 1);
  if (AIndex == fTextColumnIndex) return;
  fTextColumnIndex = AIndex;
  Changed();
}

void TkcCustomLookupEditProperties::CheckTextColumnIndex() {
  const int count = GetListColumnCount();
  if (fTextColumnIndex >= count) SetTextColumnIndex(count - 1);
}

void TkcCustomLookupEditProperties::DetachList() {
  if (TControl* list = GetListControl()) list->SetParent(nullptr);
}

// ---- Lookup data ----------------------------------------------------------------------------

TkcCustomLookupEditLookupData::TkcCustomLookupEditLookupData(IkcTextEditLookupOwner* AOwner)
    : TkcCustomTextEditLookupData(AOwner), fEditOwner(AOwner), fSelectedKey(Null()) {}

TkcCustomLookupEditProperties* TkcCustomLookupEditLookupData::Properties() {
  return static_cast<TkcCustomLookupEditProperties*>(fEditOwner->GetLookupProperties());
}

TkcCustomLookupEdit* TkcCustomLookupEditLookupData::Edit() const { return dynamic_cast<TkcCustomLookupEdit*>(fEditOwner); }

int TkcCustomLookupEditLookupData::GetItemCount() {
  TkcCustomDataController* dc = DataController();
  return dc && Properties()->GetListIndex() != -1 ? dc->GetRowCount() : 0;
}

void TkcCustomLookupEditLookupData::GetItemDisplayText(int AIndex, String& AText) {
  AText.clear();
  TkcCustomDataController* dc = DataController();
  const int index = Properties()->GetListIndex();
  if (!dc || index == -1 || AIndex < 0 || AIndex >= dc->GetRowCount()) return;
  AText = dc->GetDisplayText(dc->GetRowInfo(AIndex).RecordIndex, index);
}

String TkcCustomLookupEditLookupData::KeyText(const Variant& AKey) {
  String text;
  Properties()->GetKeyText(AKey, text);
  return text;
}

void TkcCustomLookupEditLookupData::FollowFocusedRow() {
  // Only a selected focused row is an item the editor may take.
  TkcCustomDataController* dc = DataController();
  int row = dc ? dc->GetFocusedRowIndex() : -1;
  if (row != -1 && !dc->IsRowSelected(row)) row = -1;
  SelectItemByIndex(row);
}

bool TkcCustomLookupEditLookupData::AdjustListHeight(SIZE& ASize, int AMaxHeight) {
  if (AMaxHeight > 0 && AMaxHeight < ASize.cy) ASize.cy = AMaxHeight;
  if (Properties()->CanSnapListHeight()) ASize.cy = Properties()->SnapListHeight(ASize.cy);
  return true;
}

void TkcCustomLookupEditLookupData::ListOpening() {
  TkcCustomLookupEditProperties* p = Properties();
  TLookupLock lock(p);
  p->BeginListNavigation();
  p->ListOpeningHook();
  p->SetListEvents(TkcLookupCloseRequestEvent(this, &TkcCustomLookupEditLookupData::ListCloseRequested),
                   TNotifyEvent(this, &TkcCustomLookupEditLookupData::ListRowChosen));
  if (TkcCustomLookupEdit* edit = Edit())
    p->InitializeListAppearance(edit->GetLookAndFeel(), edit->EditStyle()->GetColor(),
                                edit->EditStyle()->GetVisibleFont());
  p->ListShownHook();
  fListVisible = true;
  FocusSelectedKeyRecordAndShow();
  SyncWithEditText();
}

void TkcCustomLookupEditLookupData::ListClosed() {
  if (!fListVisible) return;
  TkcCustomLookupEditProperties* p = Properties();
  TLookupLock lock(p);
  ResetIncrementalFilter();
  fListVisible = false;
  p->SetListEvents(nullptr, nullptr);
  p->ReleaseListCapture();
  p->ListClosedHook();
  p->EndListNavigation();
}

SIZE TkcCustomLookupEditLookupData::GetPreferredListSize() {
  TkcCustomLookupEditProperties* p = Properties();
  TkcCustomDataController* dc = DataController();
  int rows = p->DropDownRows();
  if (dc) rows = std::min(rows, dc->GetRowCount());
  return SIZE{p->GetListWidth(), p->GetListHeightForRows(std::max(rows, 1))};
}

void TkcCustomLookupEditLookupData::PlaceList(const TRect& ARect) {
  TControl* list = Properties()->GetListControl();
  if (!list) return;
  list->SetBounds(ARect.left, ARect.top, ARect.right - ARect.left, ARect.bottom - ARect.top);
  if (auto* window = dynamic_cast<TWinControl*>(list)) window->HandleNeeded();
  Properties()->MakeFocusedRowVisible();
}

void TkcCustomLookupEditLookupData::PutListInto(TWinControl* AParent) {
  if (TControl* list = Properties()->GetListControl()) list->SetParent(AParent);
}

bool TkcCustomLookupEditLookupData::IsRowAtScreenPoint(TPoint P) {
  TControl* list = Properties()->GetListControl();
  return list && Properties()->IsRowAtPoint(list->ScreenToClient(P));
}

void TkcCustomLookupEditLookupData::WriteSelectedKey(const Variant& AKey) {
  fSelectedKey = AKey;
  FocusSelectedKeyRecordAndShow();
  FollowFocusedRow();
}

void TkcCustomLookupEditLookupData::Navigate(TkcLookupNavigation ADirection, bool ACircular) {
  TkcCustomDataController* dc = DataController();
  if (!dc || dc->GetRowCount() == 0) return;
  TkcCustomLookupEditProperties* p = Properties();
  {
    TLookupLock lock(p);
    ResetIncrementalFilter();
    AdjustPopupHeight();
    TListNavigation navigation(p);
    const int last = dc->GetRowCount() - 1;
    if (ADirection == lnFirst) {
      dc->FocusRow(0);
    } else if (ADirection == lnLast) {
      dc->FocusRow(last);
    } else {
      FocusSelectedKeyRecordAndShow();
      const int focused = dc->GetFocusedRowIndex();
      const int rows = p->DropDownRows();
      int target;
      if (ADirection == lnNext || ADirection == lnPageDown)
        target = ACircular && focused == last ? 0 : focused + (ADirection == lnNext ? 1 : rows);
      else if (focused == -1)
        target = 0;
      else
        target = ACircular && focused == 0 ? last : focused - (ADirection == lnPrior ? 1 : rows);
      dc->FocusRow(std::clamp(target, 0, last));
    }
  }
  SetSelectedKeyFromRecord(dc->GetFocusedRecordIndex());
  if (dc->GetFocusedRecordIndex() != -1) dc->SetFocusedSelected(true);
  FollowFocusedRow();
  DoItemChosen();
}

bool TkcCustomLookupEditLookupData::IsListEmpty() { return GetItemCount() == 0; }

int TkcCustomLookupEditLookupData::FilteringSearch(const String& AText, int AListIndex) {
  TkcCustomDataController* dc = DataController();
  int record;
  if (!AText.empty()) {
    const String previous = dc->HasIncrementalFilter() ? dc->GetIncrementalFilterText() : String();
    record = dc->SetIncrementalFilter(AListIndex, AText);
    if (dc->GetFilteredRecordCount() == 0) {
      // Nothing begins with the text: the list keeps what it showed, unless free text is allowed.
      if (Properties()->DropDownListStyle() != lsEditList) {
        if (previous.empty())
          dc->ResetIncrementalFilter();
        else
          dc->SetIncrementalFilter(AListIndex, previous);
      }
      record = -1;
    }
  } else {
    ResetIncrementalFilter();
    record = Properties()->FindRecordByText(AListIndex, AText, true);
  }
  AdjustPopupHeight();
  return record;
}

bool TkcCustomLookupEditLookupData::Locate(String& AText, String& ATail, bool, bool) {
  TkcCustomLookupEditProperties* p = Properties();
  TkcCustomDataController* dc = DataController();
  const int index = p->GetListIndex();
  if (index == -1 || !dc) return false;
  TLookupLock lock(p);
  // Every keystroke searches from the first row: the index answers without a scan.
  const int record = fListVisible && p->UsesIncrementalFiltering() ? FilteringSearch(AText, index)
                                                                   : p->FindRecordByText(index, AText, true);
  if (!TakeRecord(record)) return false;
  // The typed part takes the list text's spelling; the rest is shown selected behind the caret.
  const String text = dc->GetDisplayText(record, index);
  AText = Utf8Copy(text, 0, Utf8Length(AText));
  ATail = text.substr(AText.size());
  return true;
}

bool TkcCustomLookupEditLookupData::TakeRecord(int ARecordIndex) {
  TkcCustomDataController* dc = DataController();
  if (ARecordIndex != -1) {
    dc->FocusRecord(ARecordIndex);
    SetSelectedKeyFromRecord(ARecordIndex);
  }
  dc->SetFocusedSelected(ARecordIndex != -1);
  FollowFocusedRow();
  return ARecordIndex != -1;
}

void TkcCustomLookupEditLookupData::CommitFocusedRow() {
  if (!HasSingleFocusedSelection()) return;
  SetSelectedKeyFromRecord(DataController()->GetFocusedRecordIndex());
  FollowFocusedRow();
  DoItemChosen();
}

void TkcCustomLookupEditLookupData::EditTextChanged() {
  TkcCustomLookupEdit* edit = Edit();
  if (!edit || !edit->HasPopupWindow()) return;
  TLookupLock lock(Properties());
  SyncWithEditText();
}

void TkcCustomLookupEditLookupData::DoItemChosen() { DoSelectItem(); }

void TkcCustomLookupEditLookupData::SetSelectedKeyFromRecord(int ARecordIndex) { fSelectedKey = Variant(ARecordIndex); }

void TkcCustomLookupEditLookupData::FocusSelectedKeyRecord() {
  TkcCustomDataController* dc = DataController();
  if (!dc) return;
  const int record = fSelectedKey.IsOrdinal() ? fSelectedKey.AsInteger() : -1;
  if (record >= 0 && record < dc->GetRecordCount())
    dc->FocusRecord(record);
  else
    dc->FocusRow(-1);
}

void TkcCustomLookupEditLookupData::ListCloseRequested(TObject*, bool AAccept) {
  TkcCustomLookupEdit* edit = Edit();
  if (!edit) return;
  // The row the mouse was released on is the one chosen.
  if (AAccept && DataController() && DataController()->GetFocusedRowIndex() != -1)
    DataController()->SetFocusedSelected(true);
  edit->CloseUp(AAccept ? crEnter : crCancel);
}

bool TkcCustomLookupEditLookupData::HasSingleFocusedSelection() {
  TkcCustomDataController* dc = DataController();
  if (!dc) return false;
  const int row = dc->GetFocusedRowIndex();
  return row != -1 && dc->GetSelectedCount() == 1 && dc->IsRowSelected(row);
}

bool TkcCustomLookupEditLookupData::LocateExact(const String& AText) {
  TkcCustomDataController* dc = DataController();
  const int index = Properties()->GetListIndex();
  if (index == -1 || !dc) return false;
  return TakeRecord(Properties()->FindRecordByText(index, AText, false));
}

void TkcCustomLookupEditLookupData::ResetIncrementalFilter() {
  if (TkcCustomDataController* dc = DataController()) dc->ResetIncrementalFilter();
}

void TkcCustomLookupEditLookupData::FocusSelectedKeyRecordAndShow() {
  FocusSelectedKeyRecord();
  Properties()->MakeFocusedRowVisible();
}

void TkcCustomLookupEditLookupData::SyncWithEditText() {
  TkcCustomLookupEditProperties* p = Properties();
  if (p->InGridDataChanged()) return;
  const String text = fEditOwner->GetLookupEditText();
  TkcCustomDataController* dc = DataController();
  // The filter is what was typed; a text that no longer begins with it (deleted, pasted)
  // filters anew. A completion shown behind the typed text does not narrow the list.
  if (fListVisible && p->UsesIncrementalFiltering() && dc && dc->HasIncrementalFilter() &&
      !MatchTextCaseInsensitive(text, dc->GetIncrementalFilterText(), true) && dc->ChangeIncrementalFilterText(text))
    AdjustPopupHeight();
  const int index = p->GetListIndex();
  bool selected = false;
  if (dc && index != -1) {
    const int record = dc->GetFocusedRecordIndex();
    if (record != -1) selected = SameTextIgnoringCase(dc->GetDisplayText(record, index), text);
    if (!selected || !fListVisible) {
      const int found = p->FindRecordByText(index, text, false);
      if (found != -1) {
        dc->FocusRecord(found);
        SetSelectedKeyFromRecord(found);
        selected = true;
      }
    }
  }
  if (dc) dc->SetFocusedSelected(selected);
  FollowFocusedRow();
}

void TkcCustomLookupEditLookupData::AdjustPopupHeight() {
  TkcCustomLookupEdit* edit = Edit();
  TkcCustomDataController* dc = DataController();
  if (!fListVisible || !edit || !edit->HasPopupWindow() || !dc) return;
  TkcCustomLookupEditProperties* p = Properties();
  const int rows = std::max(std::min(dc->GetRowCount(), p->DropDownRows()), 1);
  const int height = p->GetListHeightForRows(rows);
  TControl* list = p->GetListControl();
  if (!list || height == list->ClientHeight()) return;
  if (!edit->PopupSizeChanged()) edit->ResetPopupHeight();
  edit->InitializePopupWindow();
}

// ---- Edit -----------------------------------------------------------------------------------

TkcCustomLookupEdit::~TkcCustomLookupEdit() {
  if (TkcCustomLookupEditLookupData* data = LookupEditData(); data && data->ListVisible()) data->ListClosed();
  // A window frees its children: the lists (the properties' own, also one of properties used
  // before) leave the popup before it goes.
  if (TkcCustomEditPopupWindow* popup = PopupWindow())
    while (popup->ControlCount() > 0) popup->Controls(popup->ControlCount() - 1)->SetParent(nullptr);
}

void TkcCustomLookupEdit::Initialize() {
  TkcCustomComboBox::Initialize();
  SetBounds(Left(), Top(), 145, Height());
}

void TkcCustomLookupEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) {
  TkcCustomLookupEditProperties* p = ActiveProperties();
  if (p->IsTextKey()) {
    AEditValue = ADisplayValue;
    return;
  }
  TkcCustomLookupEditLookupData* data = LookupEditData();
  // The selected record keeps its key when its text is shown (even if another record has the
  // same text); another text is looked up, and a text no record has is the null key.
  const String text = VarToStr(ADisplayValue);
  if (data->KeyText(data->SelectedKey()) == text || data->LocateExact(text))
    AEditValue = data->SelectedKey();
  else
    p->GetNullKey(AEditValue);
}

void TkcCustomLookupEdit::SynchronizeDisplayValue() {
  TkcCustomComboBox::SynchronizeDisplayValue();
  TkcCustomLookupEditLookupData* data = LookupEditData();
  if (!data) return;
  // The shown value is the selected one, so that navigation goes on from it.
  if (HasPopupWindow())
    data->WriteSelectedKey(GetEditValue());
  else
    data->SetSelectedKey(GetEditValue());
}

void TkcCustomLookupEdit::ApplySelectedLookupItem(TObject*) {
  TkcCustomLookupEditLookupData* data = LookupEditData();
  const String text = data->KeyText(data->SelectedKey());
  LockChangeEvents(true);
  try {
    if (Focused()) {
      // As if typed: the key is taken when the editor validates, Escape brings the old back.
      if (text != Text()) InnerTextEdit()->SetText(text);
      SelectAll();
      SetModified(true);
    } else {
      const Variant key = data->SelectedKey();
      const Variant current = GetEditValue();
      if (VarType(key) != VarType(current) || !VarSameValue(key, current)) SetEditValue(key);
    }
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomLookupEdit::RepositoryItemAssigning() {
  // The list of the properties used so far waits hidden in the popup: it leaves it, or it would
  // be shown with the next properties' list.
  if (HasPopupWindow()) CloseUp(crCancel);
  ActiveProperties()->DetachList();
}

void TkcCustomLookupEdit::DropDown() {
  TkcCustomComboBox::DropDown();
  if (TkcCustomLookupEditLookupData* data = LookupEditData()) data->WriteSelectedKey(GetEditValue());
}

void TkcCustomLookupEdit::CloseUp(TkcEditCloseUpReason AReason) {
  // An accepting close takes the chosen row's key before the editor takes the item.
  if (HasPopupWindow() && (AReason == crEnter || AReason == crClose || AReason == crTab) && UsesLookupData())
    ChangeLookupKey([](TkcCustomTextEditLookupData* ALookup) {
      static_cast<TkcCustomLookupEditLookupData*>(ALookup)->CommitFocusedRow();
    });
  TkcCustomComboBox::CloseUp(AReason);
}

void TkcCustomLookupEdit::GetPopupClientSize(SIZE& ASize) { ASize = LookupEditData()->GetPreferredListSize(); }

void TkcCustomLookupEdit::InitializeLookupData() {
  if (!UsesLookupData() || IsDesigning() || !PopupWindow()) return;
  TkcCustomLookupEditLookupData* data = LookupEditData();
  data->PutListInto(PopupWindow());
  // The popup is set up again when its height follows the rows: the list is open already.
  if (!data->ListVisible()) data->ListOpening();
}

void TkcCustomLookupEdit::PositionPopupWindowChildren(const TRect& AClientRect) {
  LookupEditData()->PlaceList(AClientRect);
}

bool TkcCustomLookupEdit::CanResizePopupClient(SIZE& ASize, int AMaxHeight) {
  return LookupEditData()->AdjustListHeight(ASize, AMaxHeight);
}

void TkcCustomLookupEdit::DoDeinitPopup() {
  TkcCustomComboBox::DoDeinitPopup();
  if (TkcCustomLookupEditLookupData* data = LookupEditData()) data->ListClosed();
}
