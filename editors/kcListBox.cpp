#include "editors/kcListBox.h"

#include "controls/kcControlUtils.h"

#include <algorithm>

int CalculateIntegralHeight(int ARequestedHeight, const TkcIntegralHeightParams& AParams) {
  const int scrollWidth = AParams.ScrollWidth > 0 ? AParams.ScrollWidth + 4 : 0;
  // The height of the first n items, with the horizontal scroll bar when it would show.
  auto candidate = [&](long long sum, int n) {
    int client = AParams.ClientWidth;
    if (n < AParams.ItemCount) client -= AParams.VScrollBarWidth;
    return static_cast<int>(sum + (scrollWidth > 0 && client < scrollWidth ? AParams.HScrollBarHeight : 0));
  };
  long long sum = AParams.BorderTop + AParams.BorderBottom;
  long long previousSum = sum;
  for (int i = 0;; ++i) {
    previousSum = sum;
    // An item is at least one pixel high, so the walk always ends.
    sum += std::max(1, AParams.ItemHeight ? AParams.ItemHeight(i) : 1);
    const int height = candidate(sum, i + 1);
    if (height == ARequestedHeight) return height;
    if (height > ARequestedHeight) return i == 0 ? height : candidate(previousSum, i);
  }
}

// ---- Inner list box ------------------------------------------------------------------------

TkcListBox* TkcInnerListBox::ListBox() const { return dynamic_cast<TkcListBox*>(Container); }

bool TkcInnerListBox::CanFocus() {
  TkcListBox* box = ListBox();
  return box ? box->CanFocus() : inherited::CanFocus();
}

void TkcInnerListBox::Dispatch(TMessage& Message) {
  TkcListBox* box = ListBox();
  if (box && (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) &&
      !box->DataBinding()->CanModify()) {
    // Without the right to change, a press only focuses; the selection stays.
    if (CanFocus() && !Focused()) SetFocus();
    TShiftState shift = KeysToShiftState(static_cast<WORD>(Message.WParam));
    shift.Include(ssLeft);
    MouseDown(mbLeft, shift, GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam));
    return;
  }
  inherited::Dispatch(Message);
}

void TkcInnerListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TkcListBox* box = ListBox();
  if (box && box->DoDrawItem(Index, Rect, State)) return;
  inherited::DrawItem(Index, Rect, State);
}

void TkcInnerListBox::Click() {
  TkcListBox* box = ListBox();
  if (box && !box->DataBinding()->CanModify()) return;
  inherited::Click();
}

void TkcInnerListBox::CreateWnd() {
  inherited::CreateWnd();
  SetScrollBarsParameters();
}

// ---- List box ------------------------------------------------------------------------------

void TkcListBox::Initialize() {
  CreateContainerObjects();
  fDataBinding.reset(GetDataBindingClass().Create(this, this));
  fDataBinding->OnHandlerA = [this](TObject*) { DataChange(); };
  fDataBinding->OnHandlerB = [this](TObject*) { DataChange(); };
  fDataBinding->OnHandlerC = [this](TObject*) { UpdateData(); };
  fInnerListBox = GetInnerListBoxClass().Create(this);
  fInnerListBox->SetBorderStyle(bsNone);
  fInnerListBox->Container = this;
  fInnerListBox->SetParent(this);
  fInnerListBox->LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  SetInnerControl(fInnerListBox);
  SetBounds(Left(), Top(), 121, 97);
}

TkcListBox::~TkcListBox() { delete fInnerListBox; }

void TkcListBox::Notification(TComponent* AComponent, TOperation Operation) {
  inherited::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fInnerListBox) fInnerListBox = nullptr;
}

void TkcListBox::SetItems(TStrings* Value) {
  fInnerListBox->SetItems(Value);
  SetScrollBarsParameters();
}

void TkcListBox::SetItemHeight(int Value) {
  fInnerListBox->SetItemHeight(Value);
  AdjustBounds();
}

void TkcListBox::SetListStyle(TListBoxStyle Value) {
  fInnerListBox->SetStyle(Value);
  AdjustBounds();
}

void TkcListBox::SetScrollWidth(int Value) {
  if (fScrollWidth == Value) return;
  fScrollWidth = Value;
  if (fInnerListBox->HandleAllocated())
    SendMessage(fInnerListBox->Handle(), LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(Value), 0);
  AdjustBounds();
}

void TkcListBox::SetIntegralHeight(bool Value) {
  if (fIntegralHeight == Value) return;
  fIntegralHeight = Value;
  AdjustBounds();
}

int TkcListBox::ItemAtPos(const TPoint& P, bool AExisting) {
  return fInnerListBox->ItemAtPos(TPoint{P.x - fInnerListBox->Left(), P.y - fInnerListBox->Top()}, AExisting);
}

TRect TkcListBox::ItemRect(int AIndex) {
  TRect r = fInnerListBox->ItemRect(AIndex);
  OffsetRect(&r, fInnerListBox->Left(), fInnerListBox->Top());
  return r;
}

bool TkcListBox::DoDrawItem(int AIndex, const TRect& ARect, TOwnerDrawState AState) {
  if (!OnDrawItem) return false;
  OnDrawItem(this, AIndex, ARect, AState);
  return true;
}

void TkcListBox::DataChange() {
  // The item showing the bound value is selected; without data, none.
  if (!fDataBinding->CanReadValue()) return SetItemIndex(-1);
  SetItemIndex(Items()->IndexOf(VarToStr(fDataBinding->GetStoredValue(Null(), false))));
}

void TkcListBox::UpdateData() { fDataBinding->UpdateData(); }

void TkcListBox::KeyDown(WORD& Key, TShiftState Shift) {
  inherited::KeyDown(Key, Shift);
  if (Key >= VK_PRIOR && Key <= VK_DOWN && !fDataBinding->CanModify()) Key = 0;
}

void TkcListBox::KeyPress(char32_t& Key) {
  inherited::KeyPress(Key);
  if (IsTextChar(Key) && !fDataBinding->CanModify()) Key = 0;
  if (Key == VK_ESCAPE) DataChange();
}

void TkcListBox::DoExit() {
  if (!IsContainerDestroying() && !fExiting) {
    fExiting = true;
    try {
      fDataBinding->UpdateData();
    } catch (...) {
      fExiting = false;
      SetFocus();
      throw;
    }
    fExiting = false;
  }
  inherited::DoExit();
}

int TkcListBox::GetIntegralHeight(int AHeight, int AWidth) {
  TRect border;
  GetBorderExtent(border);
  TkcIntegralHeightParams p;
  p.BorderTop = border.top;
  p.BorderBottom = border.bottom;
  p.ClientWidth = AWidth - border.left - border.right;
  p.ScrollWidth = fScrollWidth;
  p.VScrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
  p.HScrollBarHeight = GetSystemMetrics(SM_CYHSCROLL);
  p.ItemCount = fInnerListBox->Count();
  const TListBoxStyle style = ListStyle();
  const int itemHeight = ItemHeight();
  int fontHeight = 0;
  if (style == lbStandard || style == lbVirtual) {
    TkcScreenCanvas canvas;
    fontHeight = canvas.FontHeight(fInnerListBox->Font());
  }
  p.ItemHeight = [&](int i) {
    if (style == lbStandard || style == lbVirtual) return fontHeight;
    int h = itemHeight;
    if (style == lbOwnerDrawVariable && i < p.ItemCount && OnMeasureItem) OnMeasureItem(this, i, h);
    return h;
  };
  return CalculateIntegralHeight(AHeight, p);
}

bool TkcListBox::CanResize(int& NewWidth, int& NewHeight) {
  const TAlign align = Align();
  if (fInnerListBox && fIntegralHeight && !ComponentState().Contains(csLoading) &&
      (align == alNone || align == alTop || align == alBottom))
    NewHeight = GetIntegralHeight(NewHeight, NewWidth);
  return inherited::CanResize(NewWidth, NewHeight);
}

void TkcListBox::AdjustBounds() {
  if (!fInnerListBox) return inherited::AdjustBounds();
  const TAlign align = Align();
  if (fIntegralHeight && !ComponentState().Contains(csLoading) &&
      (align == alNone || align == alTop || align == alBottom)) {
    const int h = GetIntegralHeight(Height(), Width());
    if (h != Height()) SetBounds(Left(), Top(), Width(), h);
  }
  const TRect before = fInnerListBox->BoundsRect();
  inherited::AdjustBounds();
  // Mouse moves queued for the old place would select under a pointer that did not move.
  if (fInnerListBox->BoundsRect() != before && fInnerListBox->HandleAllocated())
    RemoveMessages(fInnerListBox->Handle(), WM_MOUSEMOVE, WM_MOUSEMOVE, true);
}

void TkcListBox::Dispatch(TMessage& Message) {
  // The list-box messages are the inner list box's.
  if (Message.Msg >= LB_ADDSTRING && Message.Msg <= 0x1B0 && fInnerListBox) {
    Message.Result = SendMessage(fInnerListBox->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  inherited::Dispatch(Message);
  if (Message.Msg == WM_COMMAND && HIWORD(Message.WParam) == LBN_SELCHANGE && fInnerListBox)
    fInnerListBox->SetScrollBarsParameters();
}
