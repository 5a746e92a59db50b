#include "editors-extended/kcCheckListBox.h"

#include <algorithm>

#include "controls/kcLookAndFeelPainters.h"
#include "data/kcDataUtils.h"
#include "platform/core/SysUtils.h"
#include "platform/forms/Forms.h"

namespace {

// Item metrics in pixels.
constexpr int kCheckMargin = 1, kLeadingSpace = 0, kImageMargin = 1, kTextAreaGap = 1, kTextIndent = 2,
              kWidthCorrection = 3;

}  // namespace

// ---- Items -----------------------------------------------------------------------------------

TkcCustomInnerCheckListBox* TkcCheckListBoxItem::ListBox() const {
  auto* items = dynamic_cast<TkcCheckListBoxItems*>(Collection());
  return items ? items->ListBox() : nullptr;
}

void TkcCheckListBoxItem::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCheckListBoxItem*>(Source);
  if (!source) return TCollectionItem::Assign(Source);
  fEnabled = source->fEnabled;
  ImageIndex = source->ImageIndex;
  ItemObject = source->ItemObject;
  Tag = source->Tag;
  SetText(source->fText);
  SetState(source->fState);
}

void TkcCheckListBoxItem::SetText(const String& Value) {
  if (fText == Value) return;
  fText = Value;
  if (TkcCustomInnerCheckListBox* list = ListBox()) {
    if (Index() < list->Items()->Count()) list->Items()->SetStrings(Index(), Value);
    if (list->Owner()->Sorted()) list->Owner()->SortItems();
  }
  Changed(false);
}

void TkcCheckListBoxItem::SetEnabled(bool Value) {
  if (fEnabled == Value) return;
  fEnabled = Value;
  Changed(false);
}

void TkcCheckListBoxItem::SetState(TkcCheckBoxState Value) {
  TkcCustomInnerCheckListBox* list = ListBox();
  // The integer format has no grayed state.
  if (Value == cbsGrayed && list && list->Owner()->EditValueFormat() == cvfInteger) Value = cbsUnchecked;
  if (fState == Value) return;
  fState = Value;
  if (!list) return;
  list->InvalidateItem(Index());
  auto* items = static_cast<TkcCheckListBoxItems*>(Collection());
  if (items->StateLockCount == 0) list->Owner()->StatesToEditValue();
}

TkcCheckListBoxItems::TkcCheckListBoxItems(TkcCustomInnerCheckListBox* AListBox)
    : TOwnedCollection(AListBox, TkcCheckListBoxItem::StaticClass()), fListBox(AListBox) {}

int TkcCheckListBoxItems::IndexOfText(const String& AText) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i) && AnsiSameText(Items(i)->Text(), AText)) return i;
  return -1;
}

void TkcCheckListBoxItems::Update(TCollectionItem* Item) {
  if (fListBox->Owner()) fListBox->Owner()->ItemsChanged(Item);
}

// ---- The inner list ------------------------------------------------------------------------

TkcCustomInnerCheckListBox::TkcCustomInnerCheckListBox(TkcCustomCheckListBox* AOwner)
    : TkcCustomInnerListBox(AOwner), fOwner(AOwner), fItems(std::make_unique<TkcCheckListBoxItems>(this)) {
  SetStyle(lbOwnerDrawFixed);
}

TkcCustomInnerCheckListBox::~TkcCustomInnerCheckListBox() {
  TkcCustomCheckListBox* owner = fOwner;
  fOwner = nullptr;
  (void)owner;
  fItems.reset();
}

TBitmap* TkcCustomInnerCheckListBox::Glyph() {
  if (!fGlyph) {
    fGlyph = std::make_unique<TBitmap>();
    fGlyph->OnChange = [this](TObject*) { UpdateItemHeight(); };
  }
  return fGlyph.get();
}

TSize TkcCustomInnerCheckListBox::CheckSize() { return GetCheckAreaSize(fGlyph.get(), GlyphCount); }

int TkcCustomInnerCheckListBox::CheckBorderOffset() {
  if (fGlyph && GlyphCount > 0 && !fGlyph->Empty()) return 0;
  const TkcLookAndFeelKind kind = fOwner ? fOwner->LookAndFeel()->Kind() : lfStandard;
  return 2 - (kind == lfFlat || kind == lfStandard ? 2 : 1);
}

int TkcCustomInnerCheckListBox::GetItemHeight() {
  TkcScreenCanvas canvas;
  canvas.SetFont(Font());
  int height = canvas.TextHeight("Zg");
  if (fOwner && fOwner->ShowChecks()) {
    const int square = CheckSize().cy - 2 * CheckBorderOffset();
    height = std::max(height, square + 2 * kCheckMargin);
  }
  if (fOwner && fOwner->HasImages()) height = std::max(height, fOwner->Images()->Height() + 2 * kImageMargin);
  return height;
}

int TkcCustomInnerCheckListBox::GetCheckAreaWidth() {
  int width = kLeadingSpace;
  const bool checks = fOwner && fOwner->ShowChecks(), images = fOwner && fOwner->HasImages();
  if (checks || images) width += kTextAreaGap;
  if (checks) width += CheckSize().cx - 2 * CheckBorderOffset() + 2 * kCheckMargin;
  if (images) width += fOwner->Images()->Width() + 2 * kImageMargin;
  return width;
}

TRect TkcCustomInnerCheckListBox::GetCheckRect(int AIndex) {
  if (!fOwner || !fOwner->ShowChecks() || AIndex < 0 || AIndex >= Count()) return TRect{};
  const TRect item = ItemRect(AIndex);
  const TSize size = CheckSize();
  const int offset = CheckBorderOffset();
  const int w = size.cx - 2 * offset, h = size.cy - 2 * offset;
  int left = item.left + kLeadingSpace + kCheckMargin;
  if (fOwner->HasImages() && fOwner->ImageLayout() == ilBeforeChecks)
    left += fOwner->Images()->Width() + 2 * kImageMargin;
  const int top = item.top + (item.bottom - item.top - h) / 2;
  return TRect{left, top, left + w, top + h};
}

int TkcCustomInnerCheckListBox::CheckIndexAt(int X, int Y) {
  const int index = ItemAtPos(TPoint{X, Y}, true);
  if (index < 0) return -1;
  TRect r = GetCheckRect(index);
  const POINT p{X, Y};
  return PtInRect(&r, p) ? index : -1;
}

void TkcCustomInnerCheckListBox::UpdateItemHeight() {
  if (!HandleAllocated()) return;
  SetItemHeight(GetItemHeight());
  Invalidate();
}

void TkcCustomInnerCheckListBox::InvalidateItem(int AIndex) {
  if (!HandleAllocated() || AIndex < 0 || AIndex >= Count()) return;
  TRect r = ItemRect(AIndex);
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TkcCustomInnerCheckListBox::InvalidateCheck(int AIndex) {
  if (!HandleAllocated() || AIndex < 0) return;
  TRect r = GetCheckRect(AIndex);
  InflateRect(&r, CheckBorderOffset(), CheckBorderOffset());
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TkcCustomInnerCheckListBox::SetHotAndPressed(int AHot, int APressed) {
  if (AHot != fHotCheck) {
    InvalidateCheck(fHotCheck);
    fHotCheck = AHot;
    InvalidateCheck(fHotCheck);
  }
  if (APressed != fPressedCheck) {
    InvalidateCheck(fPressedCheck);
    fPressedCheck = APressed;
    InvalidateCheck(fPressedCheck);
  }
}

void TkcCustomInnerCheckListBox::UpdateHotAndPressed(TShiftState AShift, int X, int Y) {
  const bool held = AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
  if (fCapturedCheck < 0) {
    SetHotAndPressed(held ? fHotCheck : CheckIndexAt(X, Y), fPressedCheck);
  } else {
    SetHotAndPressed(-1, CheckIndexAt(X, Y) == fCapturedCheck ? fCapturedCheck : -1);
  }
}

void TkcCustomInnerCheckListBox::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_LBUTTONDOWN || Message.Msg == WM_LBUTTONDBLCLK) {
    // The check under the press, and whether its item shows whole, before the list scrolls.
    const int x = GET_X_LPARAM(Message.LParam), y = GET_Y_LPARAM(Message.LParam);
    if (fOwner && !fOwner->ShowChecks() && !fOwner->CanChangeStates()) {
      SetFocus();
      return;
    }
    fDownCheck = CheckIndexAt(x, y);
    fDownItemFullyVisible = fDownCheck < 0 || ItemRect(fDownCheck).bottom <= ClientHeight();
  }
  TkcCustomInnerListBox::Dispatch(Message);
  if (Message.Msg == WM_VSCROLL || Message.Msg == WM_HSCROLL || Message.Msg == WM_MOUSEWHEEL) {
    const TPoint p = ScreenToClient(Mouse->CursorPos());
    UpdateHotAndPressed(GetShiftState(), p.x, p.y);
  }
  if (Message.Msg == CM_MOUSELEAVE) SetHotAndPressed(-1, fPressedCheck);
  if (Message.Msg == CM_FONTCHANGED) UpdateItemHeight();
}

void TkcCustomInnerCheckListBox::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  TkcCustomInnerListBox::MouseDown(Button, Shift, X, Y);
  if (!link.Alive() || Button != mbLeft || fDownCheck < 0) return;
  TkcCheckListBoxItem* item = fItems->Items(fDownCheck);
  if (!item || !item->Enabled()) return;
  // A partly hidden item scrolls into view on this press: its check toggles now, not on release.
  if (!fDownItemFullyVisible) {
    Toggle(fDownCheck);
    return;
  }
  fCapturedCheck = fDownCheck;
  SetHotAndPressed(-1, fDownCheck);
}

void TkcCustomInnerCheckListBox::MouseMove(TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  TkcCustomInnerListBox::MouseMove(Shift, X, Y);
  if (link.Alive()) UpdateHotAndPressed(Shift, X, Y);
}

void TkcCustomInnerCheckListBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcObjectLinkScope link(this);
  TkcCustomInnerListBox::MouseUp(Button, Shift, X, Y);
  if (!link.Alive() || Button != mbLeft) return;
  const int pressed = fPressedCheck;
  fCapturedCheck = -1;
  SetHotAndPressed(fHotCheck, -1);
  if (pressed >= 0 && CheckIndexAt(X, Y) == pressed) {
    TkcCheckListBoxItem* item = fItems->Items(pressed);
    if (item && item->Enabled()) Toggle(pressed);
  }
  const bool held = Shift.Contains(ssLeft) || Shift.Contains(ssRight) || Shift.Contains(ssMiddle);
  SetHotAndPressed(held ? -1 : CheckIndexAt(X, Y), -1);
}

void TkcCustomInnerCheckListBox::KeyPress(char32_t& Key) {
  if (Key == U' ') Toggle(ItemIndex());
  if (fOwner && !fOwner->ShowChecks() && !fOwner->CanChangeStates() && Key >= 32) {
    Key = 0;
    return;
  }
  TkcCustomInnerListBox::KeyPress(Key);
}

void TkcCustomInnerCheckListBox::DblClick() {
  TkcObjectLinkScope link(this);
  TkcCustomInnerListBox::DblClick();
  if (!link.Alive() || !AllowDblClickToggle || fDownCheck >= 0) return;
  // On the text: the click on a check toggled already.
  const int index = ItemIndex();
  TkcCheckListBoxItem* item = index >= 0 ? fItems->Items(index) : nullptr;
  if (item && item->Enabled()) Toggle(index);
}

void TkcCustomInnerCheckListBox::Toggle(int AIndex) {
  if (AIndex < 0 || AIndex >= fItems->Count()) return;
  TkcCheckListBoxItem* item = fItems->Items(AIndex);
  if (!item || !item->Enabled()) return;
  if (fOwner && Focused() && !fOwner->CanChangeStates()) return;
  const TkcCheckBoxState previous = item->State();
  TkcCheckBoxState next = cbsChecked;
  if (previous == cbsUnchecked)
    next = AllowGrayed && fOwner && fOwner->EditValueFormat() != cvfInteger ? cbsGrayed : cbsChecked;
  else if (previous == cbsChecked)
    next = cbsUnchecked;
  item->SetState(next);
  DoClickCheck(AIndex, previous, next);
}

void TkcCustomInnerCheckListBox::DoClickCheck(int AIndex, TkcCheckBoxState APrevState, TkcCheckBoxState ANewState) {
  if (OnClickCheck) OnClickCheck(fOwner, AIndex, APrevState, ANewState);
}

void TkcCustomInnerCheckListBox::DrawItem(int Index, TRect Rect, TOwnerDrawState State) {
  TCanvas* c = Canvas();
  TkcCanvas canvas(c);
  canvas.SetFont(Font());
  TkcCheckListBoxItem* item = Index < fItems->Count() ? fItems->Items(Index) : nullptr;
  if (item) {
    const bool enabled = Enabled() && item->Enabled();
    if (fOwner->ShowChecks()) {
      const TkcCheckButtonState button = !enabled                ? kccbsDisabled
                                         : Index == fHotCheck     ? kccbsHot
                                         : Index == fPressedCheck ? kccbsPressed
                                                                  : kccbsNormal;
      TkcEditBorderStyle border = fOwner->CheckBorderStyle();
      if (border == ebsFlat && (button == kccbsHot || button == kccbsPressed)) border = ebs3D;
      TRect check = GetCheckRect(Index);
      InflateRect(&check, CheckBorderOffset(), CheckBorderOffset());
      PaintCheckArea(&canvas, check, item->State(), button, fGlyph.get(), GlyphCount, border, clBtnText, Color(), false,
                     false, false, nssGrayedChecked);
    }
    TCustomImageList* images = fOwner->Images();
    if (fOwner->HasImages() && item->ImageIndex >= 0 && item->ImageIndex < images->Count()) {
      int left = Rect.left + kLeadingSpace + kImageMargin;
      if (fOwner->ShowChecks() && fOwner->ImageLayout() == ilAfterChecks)
        left += CheckSize().cx - 2 * CheckBorderOffset() + 2 * kCheckMargin;
      const int top = Rect.top + (Rect.bottom - Rect.top - images->Height()) / 2;
      images->Draw(c, left, top, item->ImageIndex, enabled);
    }
    TRect text = Rect;
    text.left += GetCheckAreaWidth();
    const bool selected = State.Contains(odSelected);
    canvas.FillRect(text, selected ? clHighlight : Color());
    canvas.Font()->SetColor(selected ? clHighlightText : enabled ? Font()->Color() : clGrayText);
    canvas.Brush()->SetStyle(bsClear);
    TRect t = text;
    t.left += kTextIndent;
    canvas.DrawText(item->Text(), t, kctfLeft | kctfSingleLine | kctfVCenter);
    canvas.Brush()->SetStyle(bsSolid);
    if (State.Contains(odFocused) && Focused()) canvas.DrawFocusRect(text);
  }
  if (fOwner->OnDrawItem) fOwner->OnDrawItem(fOwner, Index, Rect, State);
}

// ---- The control -----------------------------------------------------------------------------

TkcCustomCheckListBox::TkcCustomCheckListBox(TComponent* AOwner) : TkcContainer(AOwner) {
  fEditValue = Variant::FromInt64(0);
  fInner = new TkcCustomInnerCheckListBox(this);
  fInner->Container = this;
  fInner->SetParent(this);
  SetInnerControl(fInner);
  fInner->LookAndFeel()->SetMasterLookAndFeel(Style()->LookAndFeel());
  SetBounds(Left(), Top(), 121, 97);
  SetTabStop(true);
  UpdateCheckLook();
}

TkcCustomCheckListBox::~TkcCustomCheckListBox() = default;

void TkcCustomCheckListBox::UpdateCheckLook() {
  switch (LookAndFeel()->Kind()) {
    case lfFlat: fCheckBorderStyle = ebsFlat; break;
    case lfStandard: fCheckBorderStyle = ebs3D; break;
    case lfOffice11: fCheckBorderStyle = ebsOffice11; break;
    default: fCheckBorderStyle = ebsUltraFlat; break;
  }
}

void TkcCustomCheckListBox::LookAndFeelChanged(TkcLookAndFeel* Sender, TkcLookAndFeelValues AChangedValues) {
  TkcContainer::LookAndFeelChanged(Sender, AChangedValues);
  UpdateCheckLook();
  fInner->UpdateItemHeight();
}

void TkcCustomCheckListBox::SetImages(TCustomImageList* Value) {
  if (fImages == Value) return;
  if (fImages) fImages->RemoveFreeNotification(this);
  fImages = Value;
  if (fImages) fImages->FreeNotification(this);
  fInner->UpdateItemHeight();
}

void TkcCustomCheckListBox::SetImageLayout(TkcCheckListBoxImageLayout Value) {
  if (fImageLayout == Value) return;
  fImageLayout = Value;
  if (fInner->HandleAllocated()) fInner->Invalidate();
}

void TkcCustomCheckListBox::Notification(TComponent* AComponent, TOperation Operation) {
  TkcContainer::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == fImages) {
    fImages = nullptr;
    if (!IsDestroying()) fInner->UpdateItemHeight();
  }
}

void TkcCustomCheckListBox::DoEditValueChanged() {
  if (OnEditValueChanged) OnEditValueChanged(this);
}

void TkcCustomCheckListBox::StatesToEditValue() {
  TkcCheckStates states;
  states.reserve(static_cast<std::size_t>(Items()->Count()));
  for (int i = 0; i < Items()->Count(); ++i) states.push_back(Items()->Items(i) ? Items()->Items(i)->State() : cbsUnchecked);
  Variant value;
  if (OnCheckStatesToEditValue)
    OnCheckStatesToEditValue(this, states, value);
  else
    value = EncodeCheckStates(states, Items(), fEditValueFormat);
  const Variant old = fEditValue;
  fEditValue = value;
  fEditValueFromStates = true;
  if (!VarEqualsWithType(old, value)) DoEditValueChanged();
}

void TkcCustomCheckListBox::EditValueToStates() {
  TkcCheckStates states(static_cast<std::size_t>(Items()->Count()), cbsUnchecked);
  if (OnEditValueToCheckStates)
    OnEditValueToCheckStates(this, fEditValue, states);
  else
    DecodeCheckStates(fEditValue, Items(), fEditValueFormat, states);
  ++Items()->StateLockCount;
  try {
    for (int i = 0; i < Items()->Count() && i < static_cast<int>(states.size()); ++i)
      if (Items()->Items(i)) Items()->Items(i)->SetState(states[static_cast<std::size_t>(i)]);
  } catch (...) {
    --Items()->StateLockCount;
    throw;
  }
  --Items()->StateLockCount;
}

void TkcCustomCheckListBox::SetEditValue(const Variant& Value) {
  fEditValueFromStates = false;
  const Variant old = fEditValue;
  fEditValue = Value;
  EditValueToStates();
  if (!VarEqualsWithType(old, Value)) DoEditValueChanged();
}

void TkcCustomCheckListBox::SetEditValueFormat(TkcCheckStatesValueFormat Value) {
  if (fEditValueFormat == Value) return;
  fEditValueFormat = Value;
  if (fEditValueFromStates) {
    if (Value == cvfInteger) {
      ++Items()->StateLockCount;
      for (int i = 0; i < Items()->Count(); ++i)
        if (Items()->Items(i) && Items()->Items(i)->State() == cbsGrayed) Items()->Items(i)->SetState(cbsUnchecked);
      --Items()->StateLockCount;
    }
    StatesToEditValue();
  } else {
    EditValueToStates();
  }
}

void TkcCustomCheckListBox::ItemsChanged(TCollectionItem* AItem) {
  if (fSorting || IsDestroying()) return;
  TStrings* strings = fInner->Items();
  strings->BeginUpdate();
  while (strings->Count() < Items()->Count()) strings->Add(String());
  while (strings->Count() > Items()->Count()) strings->Delete(strings->Count() - 1);
  strings->EndUpdate();
  if (!AItem) {
    for (int i = 0; i < Items()->Count(); ++i)
      if (Items()->Items(i)) strings->SetStrings(i, Items()->Items(i)->Text());
    if (fSorted) SortItems();
    if (fInner->HandleAllocated()) fInner->Invalidate();
  } else {
    fInner->InvalidateItem(AItem->Index());
  }
  if (fEditValueFromStates)
    StatesToEditValue();
  else
    EditValueToStates();
}

void TkcCustomCheckListBox::SortItems() {
  if (fSorting) return;
  fSorting = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fSorting};
  std::vector<TkcCheckListBoxItem*> order;
  for (int i = 0; i < Items()->Count(); ++i)
    if (Items()->Items(i)) order.push_back(Items()->Items(i));
  std::stable_sort(order.begin(), order.end(), [](TkcCheckListBoxItem* a, TkcCheckListBoxItem* b) {
    return AnsiCompareText(a->Text(), b->Text()) < 0;
  });
  Items()->BeginUpdate();
  for (int i = 0; i < static_cast<int>(order.size()); ++i) order[static_cast<std::size_t>(i)]->SetIndex(i);
  Items()->EndUpdate();
  for (int i = 0; i < Items()->Count(); ++i)
    if (Items()->Items(i)) fInner->Items()->SetStrings(i, Items()->Items(i)->Text());
  if (fInner->HandleAllocated()) fInner->Invalidate();
}

void TkcCustomCheckListBox::SetShowChecks(bool Value) {
  if (fShowChecks == Value) return;
  fShowChecks = Value;
  fInner->UpdateItemHeight();
}

void TkcCustomCheckListBox::SetSorted(bool Value) {
  if (fSorted == Value) return;
  fSorted = Value;
  if (Value) SortItems();
}

void TkcCustomCheckListBox::SetIntegralHeight(bool Value) {
  if (fIntegralHeight == Value) return;
  fIntegralHeight = Value;
  if (Value) SetHeight(Height());
}

int TkcCustomCheckListBox::GetItemWidth(int AIndex) {
  TRect extent;
  GetBorderExtent(extent);
  TkcScreenCanvas canvas;
  canvas.SetFont(fInner->Font());
  const TkcCheckListBoxItem* item = Items()->Items(AIndex);
  return extent.left + extent.right + fInner->GetCheckAreaWidth() + kWidthCorrection +
         (item ? canvas.TextWidth(item->Text()) : 0);
}

int TkcCustomCheckListBox::CalculateOptimalWidth() {
  TRect extent;
  GetBorderExtent(extent);
  int widest = 0;
  TkcScreenCanvas canvas;
  canvas.SetFont(fInner->Font());
  for (int i = 0; i < Items()->Count(); ++i)
    if (Items()->Items(i)) widest = std::max(widest, canvas.TextWidth(Items()->Items(i)->Text()));
  return extent.left + extent.right + fInner->GetCheckAreaWidth() + kWidthCorrection + widest;
}

int TkcCustomCheckListBox::GetHeightForRows(int ARowCount) {
  TRect extent;
  GetBorderExtent(extent);
  return ARowCount * fInner->GetItemHeight() + extent.top + extent.bottom;
}

int TkcCustomCheckListBox::IntegralHeightFor(int AHeight) {
  TRect extent;
  GetBorderExtent(extent);
  const int itemHeight = std::max(1, fInner->GetItemHeight());
  const int base = extent.top + extent.bottom;
  const int scrollBar = GetSystemMetrics(SM_CYHSCROLL), vScrollBar = GetSystemMetrics(SM_CXVSCROLL);
  const int count = Items()->Count();
  auto candidate = [&](int rows) {
    int height = base + rows * itemHeight;
    const int textWidth = Width() - extent.left - extent.right - (count > rows ? vScrollBar : 0);
    if (ScrollWidth > 0 && textWidth < ScrollWidth + 4) height += scrollBar;
    return height;
  };
  int rows = 1, best = candidate(1);
  // The largest whole number of rows that fits the request (at least one).
  while (true) {
    const int next = candidate(rows + 1);
    if (next > AHeight) break;
    best = next;
    ++rows;
  }
  return best;
}

bool TkcCustomCheckListBox::CanResize(int& NewWidth, int& NewHeight) {
  if (fIntegralHeight && !ComponentState().Contains(csLoading) && Align() != alLeft && Align() != alRight &&
      Align() != alClient)
    NewHeight = IntegralHeightFor(NewHeight);
  return TkcContainer::CanResize(NewWidth, NewHeight);
}

bool TkcCustomCheckListBox::IsValueValid(const Variant& AValue, bool AAllowEmpty) {
  if (AValue.IsNull() || AValue.IsEmpty()) return AAllowEmpty;
  if (AValue.IsNumeric()) return true;
  if (!AValue.IsStr()) return false;
  const String text = AValue.AsString();
  return IsIntegerText(text) || IsFloatText(text);
}

void TkcCustomCheckListBox::Dispatch(TMessage& Message) {
  // The list messages reach the inner list.
  if (Message.Msg >= LB_ADDSTRING && Message.Msg <= 0x1B0 && fInner->HandleAllocated()) {
    Message.Result = SendMessage(fInner->Handle(), Message.Msg, Message.WParam, Message.LParam);
    return;
  }
  TkcContainer::Dispatch(Message);
  if (Message.Msg == WM_CREATE || Message.Msg == CM_SHOWINGCHANGED) fInner->UpdateItemHeight();
}
