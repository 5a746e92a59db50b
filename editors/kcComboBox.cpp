#include "editors/kcComboBox.h"

#include <algorithm>

#include "controls/kcControlUtils.h"
#include "editors/kcComboBoxLayout.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"

// ---- Properties -----------------------------------------------------------------------------

void TkcCustomComboBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomComboBoxProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    inherited::Assign(Source);
    fDropDownListStyle = source->fDropDownListStyle;
    fDropDownRows = source->fDropDownRows;
    fItemHeight = source->fItemHeight;
    Revertable = source->Revertable;
    OnDrawItem = source->OnDrawItem;
    OnMeasureItem = source->OnMeasureItem;
    Changed();
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcCustomComboBoxProperties::GetContainerClass() { return TkcComboBox::StaticClass(); }

TkcTextEditingStyle TkcCustomComboBoxProperties::GetEditingStyle() {
  switch (fDropDownListStyle) {
    case lsEditFixedList: return esEditList;
    case lsFixedList: return esFixedList;
    default: return esEdit;
  }
}

// ---- Popup window ---------------------------------------------------------------------------

void TkcComboBoxPopupWindow::CalculateSize() {
  TkcCustomDropDownEdit* edit = Edit();
  if (!edit) return;
  TkcEditPopupLayout& layout = PopupViewInfo()->Layout;
  layout.SizeGripCorner = sgcBottomRight;
  OwnerBounds = edit->GetPopupOwnerBounds();
  const int ownerWidth = OwnerBounds.right - OwnerBounds.left;
  const TRect e = layout.CalculateClientExtent();
  const TSize m = GetMinSize();
  SIZE c{};
  edit->GetPopupClientSize(c);
  const bool kept = edit->PopupSizeChanged() && Sizeable();
  int width;
  if (kept || (!PopupAutoSize && PopupWidth > 0))
    width = PopupWidth;
  else if (PopupAutoSize)
    width = std::max<int>(e.left + e.right + c.cx, ownerWidth);
  else
    width = ownerWidth;
  if (Sizeable() && MinWidth > 0) width = std::max(width, MinWidth);
  width = std::max<int>(width, m.cx);
  int height = (!kept && PopupHeight == 0) || (!Sizeable() && PopupAutoSize) ? e.top + e.bottom + c.cy : PopupHeight;
  if (Sizeable() && MinHeight > 0) height = std::max(height, MinHeight);
  height = std::max<int>(height, m.cy);
  SetBounds(Left(), Top(), width, height);
}

// ---- List box -------------------------------------------------------------------------------

TkcComboBoxListBox::TkcComboBoxListBox(TComponent* AOwner, TkcCustomComboBox* ACombo)
    : TkcCustomInnerListBox(AOwner), fCombo(ACombo) {
  SetStyle(lbOwnerDrawFixed);
  AutoComplete = false;
  SetTabStop(false);
}

String TkcComboBoxListBox::GetItemText(int AIndex) {
  String text;
  fCombo->LookupData()->GetItemDisplayText(AIndex, text);
  return text;
}

int TkcComboBoxListBox::GetItemHeight(int AIndex) {
  TkcCustomComboBoxProperties* p = fCombo->ActiveProperties();
  int height = p->ItemHeight();
  if (height <= 0) height = GetTextRowHeight();
  if (AIndex >= 0 && fCombo->IsOwnerMeasure()) fCombo->DoMeasureItem(AIndex, height);
  return std::max(height, 1);
}

int TkcComboBoxListBox::GetTextRowHeight() {
  TkcScreenCanvas canvas;
  canvas.SetFont(Font());
  return canvas.TextHeight("Wg");
}

int TkcComboBoxListBox::GetItemWidth(int AIndex) {
  TkcScreenCanvas canvas;
  canvas.SetFont(Font());
  return canvas.TextWidth(GetItemText(AIndex));
}

int TkcComboBoxListBox::GetItemsHeight(int ACount) {
  int height = 0;
  for (int i = 0; i < ACount; ++i) height += GetItemHeight(i);
  return height;
}

void TkcComboBoxListBox::ApplyItemSettings() { SetItemHeight(GetItemHeight(-1)); }

void TkcComboBoxListBox::SetListItemIndex(int AIndex) {
  // Moved by the editor, the highlight stays under a mouse that has not moved yet.
  if (!fHotTracking) fCombo->ListMouseTracking = true;
  SetItemIndex(AIndex);
}

void TkcComboBoxListBox::SetListItemCount(int ACount) {
  // The rows carry the item texts, so that measuring, drawing and searching agree.
  Items()->BeginUpdate();
  Items()->Clear();
  for (int i = 0; i < ACount; ++i) Items()->Add(GetItemText(i));
  Items()->EndUpdate();
}

void TkcComboBoxListBox::Dispatch(TMessage& Message) {
  if (Message.Msg != WM_LBUTTONDOWN && Message.Msg != WM_LBUTTONDBLCLK) return inherited::Dispatch(Message);
  // The list selects without taking the focus: the keys stay with the editor.
  TCustomControl::Dispatch(Message);
  const int i = ItemAtPos(TPoint{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)}, true);
  if (i >= 0) fCombo->LookupData()->SelectListItem(i);
}

void TkcComboBoxListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TkcCanvas canvas(Canvas());
  if (fCombo->IsOwnerDraw() && fCombo->DoDrawItem(&canvas, Index, Rect, State)) return;
  inherited::DrawItem(Index, Rect, State);
}

void TkcComboBoxListBox::MouseMove(TShiftState Shift, int X, int Y) {
  // The first move after the combo placed the highlight keeps it.
  if (fCombo->ListMouseTracking) {
    fCombo->ListMouseTracking = false;
    return;
  }
  inherited::MouseMove(Shift, X, Y);
  if (!HotTrack || (HandleAllocated() && GetCapture() == Handle() && !Shift.Contains(ssLeft))) return;
  const int i = ItemAtPos(TPoint{X, Y}, true);
  if (i < 0 || i == ItemIndex()) return;
  fHotTracking = true;
  fCombo->LookupData()->SelectListItem(i);
  fHotTracking = false;
}

void TkcComboBoxListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  const int i = ItemAtPos(TPoint{X, Y}, true);
  if (i < 0) return;
  if (GetCaptureControl() == this) SetCaptureControl(nullptr);
  fCombo->LookupData()->SelectListItem(i);
  fCombo->CloseUp(crEnter);
}

// ---- Combo box ------------------------------------------------------------------------------

TkcCustomComboBox::TkcCustomComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
    : TkcCustomDropDownEdit(AOwner, AIsInplace, TDeferCreation{}) {}

TkcCustomComboBox::~TkcCustomComboBox() {
  if (LookupData()) LookupData()->SetList(nullptr);
  if (fList) fList->RemoveFreeNotification(this);
}

void TkcCustomComboBox::Initialize() {
  TkcCustomDropDownEdit::Initialize();
  TControlStyle style = ControlStyle();
  style.Exclude(csClickEvents);
  SetControlStyle(style);
}

void TkcCustomComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= LookupData()->GetItemCount()) return;
  LookupData()->SetCurrentKey(Variant(Value));
  if (Value == -1 && !Text().empty()) {
    LockChangeEvents(true);
    try {
      TkcCustomTextEdit::SetText(String());
    } catch (...) {
      LockChangeEvents(false);
      throw;
    }
    LockChangeEvents(false);
  }
}

TWinControl* TkcCustomComboBox::GetLookupActiveControl() { return fList; }

void TkcCustomComboBox::Notification(TComponent* AComponent, TOperation Operation) {
  TkcCustomDropDownEdit::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fList) {
    fList = nullptr;
    LookupData()->SetList(nullptr);
  }
}

TkcComboBoxListBox* TkcCustomComboBox::CreateListBox() { return new TkcComboBoxListBox(PopupWindow(), this); }

void TkcCustomComboBox::InitializeLookupData() {
  if (!UsesLookupData() || IsDesigning() || !PopupWindow()) return;
  if (!fList) {
    fList = CreateListBox();
    fList->FreeNotification(this);
  }
  fList->SetColor(EditStyle()->GetColor());
  fList->SetFont(EditStyle()->GetVisibleFont());
  fList->SetParent(PopupWindow());
  LookupData()->SetList(fList);
  fList->ApplyItemSettings();
  LookupData()->UpdateListItemCount();
  fList->SetItemIndex(LookupData()->ItemIndex());
  LookupData()->SynchronizeCurrentKey();
  LookupData()->SelectListItem(LookupData()->CurrentKey());
}

void TkcCustomComboBox::PositionPopupWindowChildren(const TRect& AClientRect) {
  if (fList && fList->Parent() == PopupWindow())
    fList->SetBounds(AClientRect.left, AClientRect.top, AClientRect.right - AClientRect.left,
                     AClientRect.bottom - AClientRect.top);
}

void TkcCustomComboBox::SetupPopupWindow() {
  TkcCustomDropDownEdit::SetupPopupWindow();
  PopupWindow()->SetSysPanelStyle(ActiveProperties()->PopupSizeable());
}

TkcComboListMetrics TkcCustomComboBox::ListMetrics() {
  TkcComboListMetrics metrics;
  metrics.ItemCount = LookupData()->GetItemCount();
  metrics.ItemHeight = [this](int i) { return fList->GetItemHeight(i); };
  metrics.ItemWidth = [this](int i) { return fList->GetItemWidth(i); };
  metrics.VScrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
  metrics.HScrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);
  return metrics;
}

void TkcCustomComboBox::GetPopupClientSize(SIZE& ASize) {
  ASize = SIZE{0, 0};
  if (!fList) return;
  TkcCustomComboBoxProperties* p = ActiveProperties();
  TkcCustomEditPopupWindow* w = PopupWindow();
  const TRect e = w->PopupViewInfo()->Layout.CalculateClientExtent();
  TRect r = GetPopupOwnerBounds();
  if (Parent()) {
    const TPoint a = Parent()->ClientToScreen(TPoint{r.left, r.top});
    OffsetRect(&r, a.x - r.left, a.y - r.top);
  }
  const TRect work = GetDesktopWorkArea(TPoint{r.left, r.top});
  int widthLimit;
  if (p->PopupSizeable() || p->PopupAutoSize)
    widthLimit = work.right - work.left - (e.left + e.right);
  else
    widthLimit = (p->PopupWidth() >= 1 ? p->PopupWidth() : r.right - r.left) - (e.left + e.right);
  const TkcComboListMetrics metrics = ListMetrics();
  int scrollWidth = 0;
  ASize = CalculateComboListPreferredSize(metrics, p->DropDownRows(), widthLimit, scrollWidth);
  if (fList->HandleAllocated()) SendMessage(fList->Handle(), LB_SETHORIZONTALEXTENT, scrollWidth, 0);
}

bool TkcCustomComboBox::CanResizePopupClient(SIZE& ASize, int AMaxHeight) {
  if (!fList) return true;
  const TkcComboListMetrics metrics = ListMetrics();
  int widest = 0;
  for (int i = 0; i < metrics.ItemCount; ++i) widest = std::max(widest, metrics.ItemWidth(i));
  FitComboListSizeToRows(metrics, ASize, SIZE{fList->Width(), fList->Height()}, AMaxHeight, widest + 4);
  return true;
}

void TkcCustomComboBox::PopupWindowShown(TObject* Sender) {
  TkcCustomDropDownEdit::PopupWindowShown(Sender);
  if (!fList || !fList->HandleAllocated()) return;
  // With the mouse already over the list, its first move keeps the current item highlighted.
  TRect r = fList->ClientRect();
  ListMouseTracking = PtInRect(&r, fList->ScreenToClient(Mouse->CursorPos()));
}

void TkcCustomComboBox::LookupSelectItem(TObject*) {
  const int key = LookupData()->CurrentKey();
  if (key < 0) return;
  const String text = LookupData()->GetDisplayText(Variant(key));
  fApplyingItem = true;
  LockChangeEvents(true);
  try {
    if (Focused()) {
      // As if typed: the value is taken when it validates, and Escape brings the old back.
      InnerTextEdit()->SetText(text);
      SelectAll();
      SetModified(true);
    } else {
      // The text edit's SetText: the mask host's one only shows a text.
      TkcCustomTextEdit::SetText(text);
    }
  } catch (...) {
    fApplyingItem = false;
    LockChangeEvents(false);
    throw;
  }
  fApplyingItem = false;
  LockChangeEvents(false);
}

void TkcCustomComboBox::ChangeHandler(TObject* Sender) {
  const int previous = LookupData()->CurrentKey();
  TkcObjectLinkScope link(this);
  auto keyChanged = [&] {
    if (link.Alive() && LookupData()->CurrentKey() != previous) {
      SetModified(true);
      Click();
    }
  };
  try {
    LockClick(true);
    TkcCustomDropDownEdit::ChangeHandler(Sender);
    LockClick(false);
    if (!link.Alive()) return;
    // The current item follows the text where the text must be an item, and while the list
    // shows it.
    const TkcTextEditingStyle style = ActiveProperties()->GetEditingStyle();
    if (!fApplyingItem && (HasPopupWindow() || style == esEditList || style == esFixedList))
      LookupData()->SynchronizeCurrentKey();
  } catch (...) {
    fApplyingItem = false;
    keyChanged();
    throw;
  }
  keyChanged();
}

void TkcCustomComboBox::DblClick() {
  TkcObjectLinkScope link(this);
  TkcCustomDropDownEdit::DblClick();
  if (!link.Alive() || HasPopupWindow() || !ActiveProperties()->Revertable || IsReadOnly()) return;
  const int previous = LookupData()->CurrentKey();
  LockChangeEvents(true);
  try {
    LookupData()->Go(ldNext, true);
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
  if (LookupData()->CurrentKey() != previous) PostImmediately();
}

void TkcCustomComboBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  const bool inner = InnerMouseDown;
  TkcObjectLinkScope link(this);
  TkcCustomDropDownEdit::MouseDown(Button, Shift, X, Y);
  // The inner edit keeps its double clicks to itself: the editor hears of them here.
  if (link.Alive() && inner && Button == mbLeft && Shift.Contains(ssDouble)) DblClick();
}

void TkcCustomComboBox::MouseMove(TShiftState Shift, int X, int Y) {
  TkcCustomDropDownEdit::MouseMove(Shift, X, Y);
  // Dragging from the editor into the open list selects the item under the mouse; the
  // release there takes it.
  if (!HasPopupWindow() || !fList || !fList->HandleAllocated() || !Shift.Contains(ssLeft)) return;
  HWND capture = GetCapture();
  if (!capture || !IsWindowOfControl(this, capture, true)) return;
  const TPoint p = fList->ScreenToClient(ClientToScreen(TPoint{X, Y}));
  TRect r = fList->ClientRect();
  if (!PtInRect(&r, p)) return;
  SendMessage(fList->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
}

bool TkcCustomComboBox::IsOwnerDraw() {
  auto* item = dynamic_cast<TkcCustomComboBoxProperties*>(GetRepositoryItemProperties());
  return Properties()->OnDrawItem || (item && item->OnDrawItem);
}

bool TkcCustomComboBox::IsOwnerMeasure() {
  auto* item = dynamic_cast<TkcCustomComboBoxProperties*>(GetRepositoryItemProperties());
  return Properties()->OnMeasureItem || (item && item->OnMeasureItem);
}

bool TkcCustomComboBox::DoDrawItem(TkcCanvas* ACanvas, int AIndex, const TRect& ARect, TOwnerDrawState AState) {
  bool drawn = false;
  if (Properties()->OnDrawItem) {
    Properties()->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
    drawn = true;
  }
  auto* item = dynamic_cast<TkcCustomComboBoxProperties*>(GetRepositoryItemProperties());
  if (item && item->OnDrawItem) {
    item->OnDrawItem(this, ACanvas, AIndex, ARect, AState);
    drawn = true;
  }
  return drawn;
}

void TkcCustomComboBox::DoMeasureItem(int AIndex, int& AHeight) {
  if (Properties()->OnMeasureItem) Properties()->OnMeasureItem(this, AIndex, AHeight);
  auto* item = dynamic_cast<TkcCustomComboBoxProperties*>(GetRepositoryItemProperties());
  if (item && item->OnMeasureItem) item->OnMeasureItem(this, AIndex, AHeight);
}

void TkcCustomComboBox::ResetPopupHeight() {
  TkcCustomDropDownEditData* data = DropDownEditData();
  if (IsInplace() && ActiveProperties()->PopupSizeable() && data)
    data->PopupHeight = 0;
  else
    ActiveProperties()->SetPopupHeight(0);
}
