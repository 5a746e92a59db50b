#include "editors-extended/kcRadioGroup.h"

#include <algorithm>

#include "controls/kcLocalize.h"
#include "data/kcDataUtils.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Forms.h"

// ---- The radio button --------------------------------------------------------------------------

TkcRadioButton::TkcRadioButton(TComponent* AOwner)
    : TRadioButton(AOwner), fLookAndFeel(std::make_unique<TkcLookAndFeel>(this)) {
  TControlStyle style = ControlStyle();
  style.Include(csDoubleClicks);
  SetControlStyle(style);
  fLookAndFeel->OnChanged = [this](TkcLookAndFeel*, TkcLookAndFeelValues) { Invalidate(); };
}

TkcRadioButton::~TkcRadioButton() { fLookAndFeel->OnChanged = nullptr; }

void TkcRadioButton::SetTransparent(bool Value) {
  if (fTransparent == Value) return;
  fTransparent = Value;
  Invalidate();
}

void TkcRadioButton::AdjustCaptionRect(TRect& ARect) {
  TRect m;
  if (IsInplace())
    m = TRect{5, 0, 1, 0};
  else if (CaptionAlignment == taLeftJustify)
    m = WordWrap ? TRect{5, -1, 2, 0} : TRect{2, -1, 6, 0};
  else
    m = WordWrap ? TRect{5, -1, 0, 0} : TRect{2, -1, 1, 0};
  ARect = TRect{ARect.left + m.left, ARect.top + m.top, ARect.right - m.right, ARect.bottom - m.bottom};
}

void TkcRadioButton::UpdateState(TShiftState AShift, const TPoint& P) {
  TkcRadioButtonState state;
  const bool inside = P.x >= 0 && P.y >= 0 && P.x < Width() && P.y < Height();
  if (!Enabled())
    state = rbsDisabled;
  else if (HandleAllocated() && GetCapture() == Handle())
    state = inside ? rbsPressed : rbsHot;
  else
    state = inside && !AShift.Contains(ssLeft) && !AShift.Contains(ssRight) && !AShift.Contains(ssMiddle) ? rbsHot
                                                                                                          : rbsNormal;
  if (state == fState) return;
  fState = state;
  if (HandleAllocated()) {
    TRect r = fGlyphRect;
    InflateRect(&r, 1, 1);
    ::InvalidateRect(Handle(), &r, FALSE);
  }
}

void TkcRadioButton::DrawBackground(TkcCanvas* ACanvas) {
  if (!fTransparent) ACanvas->FillRect(ClientRect(), Color());
}

void TkcRadioButton::Paint() {
  TkcCanvas canvas(Canvas());
  DrawBackground(&canvas);
  TkcLookAndFeelPainterClass painter = fLookAndFeel->Painter();
  const TSize glyph = painter->GetRadioButtonExtent();
  const int top = (Height() - glyph.cy) / 2;
  const int left = CaptionAlignment == taRightJustify ? (IsInplace() ? 0 : 1) : Width() - glyph.cx;
  fGlyphRect = Bounds(left, top, glyph.cx, glyph.cy);
  static constexpr TkcButtonState kStates[] = {kcbsDisabled, kcbsHot, kcbsNormal, kcbsPressed};
  painter->DrawRadioButton(&canvas, left, top, kStates[fState], Checked(), false,
                           fTransparent ? static_cast<TColor>(0x20000000) : Color(), Focused());
  TRect text = CaptionAlignment == taRightJustify ? TRect{fGlyphRect.right, 0, Width(), Height()}
                                                  : TRect{0, 0, fGlyphRect.left, Height()};
  AdjustCaptionRect(text);
  if (Caption().empty()) return;
  const bool groupButton = dynamic_cast<IkcContainerInnerControl*>(this) != nullptr;
  canvas.SetFont(Font());
  canvas.Font()->SetColor(Enabled() || groupButton ? Font()->Color() : clBtnShadow);
  canvas.Brush()->SetStyle(bsClear);
  const int flags = WordWrap ? kctfLeft | kctfVCenter | kctfShowPrefix | kctfWordBreak | kctfNoClip
                             : kctfLeft | kctfVCenter | kctfShowPrefix | kctfSingleLine;
  canvas.DrawText(Caption(), text, flags, Enabled() || groupButton);
  canvas.Brush()->SetStyle(bsSolid);
  if (Focused()) {
    TRect f = text;
    canvas.CalculateTextRect(Caption(), f, flags);
    InflateRect(&f, 1, 1);
    ++f.bottom;
    f.top = std::max<LONG>(f.top, 0);
    f.bottom = std::min<LONG>(f.bottom, Height());
    if (CaptionAlignment == taRightJustify) f.left = std::max<LONG>(f.left, fGlyphRect.right);
    f.right = std::min<LONG>(f.right, Width());
    canvas.DrawFocusRect(f);
  }
}

void TkcRadioButton::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case BM_SETCHECK:
      TRadioButton::Dispatch(Message);
      Invalidate();
      return;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_MOUSEMOVE: {
      TRadioButton::Dispatch(Message);
      const TPoint p{GET_X_LPARAM(Message.LParam), GET_Y_LPARAM(Message.LParam)};
      UpdateState(KeysToShiftState(static_cast<WORD>(Message.WParam)), p);
      return;
    }
    case CM_MOUSELEAVE:
      TRadioButton::Dispatch(Message);
      if (fState != rbsDisabled) {
        fState = rbsNormal;
        Invalidate();
      }
      return;
    case CM_ENABLEDCHANGED:
      fState = Enabled() ? rbsNormal : rbsDisabled;
      TRadioButton::Dispatch(Message);
      Invalidate();
      return;
    default: break;
  }
  TRadioButton::Dispatch(Message);
}

// ---- Items and properties ----------------------------------------------------------------------

void TkcRadioGroupItem::Assign(TPersistent* Source) {
  if (auto* source = dynamic_cast<TkcRadioGroupItem*>(Source)) fValue = source->fValue;
  TkcButtonGroupItem::Assign(Source);
}

void TkcRadioGroupItem::SetValue(const Variant& Value) {
  if (VarEqualsWithType(fValue, Value)) return;
  fValue = Value;
  Changed(false);
}

void TkcCustomRadioGroupProperties::Assign(TPersistent* Source) {
  BeginUpdate();
  try {
    TkcCustomButtonGroupProperties::Assign(Source);
    if (auto* source = dynamic_cast<TkcCustomRadioGroupProperties*>(Source)) {
      SetDefaultCaption(source->DefaultCaption());
      SetDefaultValue(source->DefaultValue());
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomRadioGroupProperties::SetDefaultValue(const Variant& Value) {
  if (VarEqualsWithType(fDefaultValue, Value)) return;
  fDefaultValue = Value;
  Changed();
}

std::unique_ptr<TkcButtonGroupItems> TkcCustomRadioGroupProperties::CreateItems() {
  return std::make_unique<TkcRadioGroupItems>(this, TkcRadioGroupItem::StaticClass());
}

int TkcCustomRadioGroupProperties::GetRadioGroupItemIndex(const Variant& AValue) {
  TkcRadioGroupItems* items = Items();
  for (int i = 0; i < items->Count(); ++i) {
    TkcRadioGroupItem* item = items->Items(i);
    if (!item) continue;
    if (VarIsNull(item->Value())) {
      if (AValue.IsNull() || AValue.IsEmpty() || AValue.IsArray()) continue;
      String text;
      try {
        text = VarToStr(AValue);
      } catch (const EVariantTypeCastError&) {
        continue;
      }
      if (item->Caption() == text) return i;
    } else if (VariantsEqual(item->Value(), AValue)) {
      return i;
    }
  }
  return -1;
}

Variant TkcCustomRadioGroupProperties::GetItemValue(int AIndex) {
  if (AIndex < 0 || AIndex >= Items()->Count()) return fDefaultValue;
  TkcRadioGroupItem* item = Items()->Items(AIndex);
  if (!item) return fDefaultValue;
  return VarIsNull(item->Value()) ? Variant(item->Caption()) : item->Value();
}

bool TkcCustomRadioGroupProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetRadioGroupItemIndex(AEditValue1) == GetRadioGroupItemIndex(AEditValue2);
}

WideString TkcCustomRadioGroupProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  const int index = GetRadioGroupItemIndex(AEditValue);
  return index < 0 ? fDefaultCaption : Utf8ToWide(Items()->Items(index)->Caption());
}

int TkcCustomRadioGroupProperties::GetOperationSupport() {
  return TkcCustomButtonGroupProperties::GetOperationSupport() | (1 << 4) | (1 << 9);
}

void TkcCustomRadioGroupProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue,
                                                            bool) {
  ADisplayValue = Variant(GetRadioGroupItemIndex(AEditValue));
}

int TkcCustomRadioGroupProperties::GetColumnCount() const {
  return std::max(1, std::min(Columns(), Items()->Count()));
}

// ---- The radio group control -------------------------------------------------------------------

TClass TkcCustomRadioGroupProperties::GetContainerClass() { return TkcRadioGroup::StaticClass(); }

TkcCustomRadioGroupButton::TkcCustomRadioGroupButton(TkcCustomRadioGroup* AGroup)
    : TkcRadioButton(AGroup), fGroup(AGroup) {
  LookAndFeel()->SetMasterLookAndFeel(AGroup->Style()->LookAndFeel());
}

bool TkcCustomRadioGroupButton::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcContainerInnerControl>(this, IID, Obj) || TkcRadioButton::GetInterface(IID, Obj);
}

TkcContainer* TkcCustomRadioGroupButton::GetControlContainer() { return fGroup; }

bool TkcCustomRadioGroupButton::IsInplace() { return fGroup->IsInplace(); }

void TkcCustomRadioGroupButton::Click() {
  TkcRadioButton::Click();
  if (Checked()) fGroup->ButtonChosen(this);
}

void TkcCustomRadioGroupButton::KeyDown(WORD& Key, TShiftState Shift) {
  if (fGroup->HandleArrowKey(this, Key)) {
    Key = 0;
    return;
  }
  TkcRadioButton::KeyDown(Key, Shift);
}

void TkcCustomRadioGroupButton::Dispatch(TMessage& Message) {
  if (Message.Msg == WM_GETDLGCODE) {
    Message.Result = DLGC_WANTARROWS;
    return;
  }
  TkcRadioButton::Dispatch(Message);
  // A button that takes the focus is chosen.
  if (Message.Msg == WM_SETFOCUS && !Checked()) SetChecked(true);
}

void TkcCustomRadioGroup::Initialize() {
  TkcCustomButtonGroup::Initialize();
  TControlStyle style = ControlStyle();
  style.Exclude(csAcceptsControls);
  style.Include(csDoubleClicks);
  SetControlStyle(style);
}

TWinControl* TkcCustomRadioGroup::CreateButton() { return new TkcCustomRadioGroupButton(this); }

TkcButtonGroupItemMetrics TkcCustomRadioGroup::GetItemMetrics() {
  TkcButtonGroupItemMetrics m;
  const int inplace = IsInplace() ? 1 : 0;
  m.TextOffset = 3;
  m.MeasuringWidthAdjustment = inplace - 6;
  m.GlyphToTextGap = 7;
  m.OuterWidthReserve = 6 - 5 * inplace;
  m.LayoutLeftOffset = 6 - 5 * inplace;
  m.LayoutWidthAdjustment = 4 * inplace - 6;
  m.ColumnGap = 0;
  const TSize glyph = Style()->LookAndFeel()->Painter()->GetRadioButtonExtent();
  m.GlyphWidth = glyph.cx;
  m.GlyphHeight = glyph.cy;
  return m;
}

int TkcCustomRadioGroup::ItemIndex() {
  for (int i = 0; i < ButtonCount(); ++i)
    if (Buttons(i)->Checked()) return i;
  return ButtonCount() > 0 ? -1 : ActiveProperties()->GetRadioGroupItemIndex(EditValue());
}

void TkcCustomRadioGroup::CheckButton(int AIndex) {
  fCheckingButtons = true;
  struct Clear {
    bool& flag;
    ~Clear() { flag = false; }
  } clear{fCheckingButtons};
  for (int i = 0; i < ButtonCount(); ++i) Buttons(i)->SetChecked(i == AIndex);
  fCheckedIndex = AIndex;
}

void TkcCustomRadioGroup::SetItemIndex(int Value) {
  const int count = ActiveProperties()->Items()->Count();
  const int index = std::clamp(Value, -1, count - 1);
  fPendingIndex = index;
  struct Clear {
    int& index;
    ~Clear() { index = -2; }
  } clear{fPendingIndex};
  SetEditValue(ActiveProperties()->GetItemValue(index));
}

void TkcCustomRadioGroup::SynchronizeDisplayValue() {
  const int index = fPendingIndex >= -1 ? fPendingIndex : ActiveProperties()->GetRadioGroupItemIndex(EditValue());
  if (ButtonCount() == 0) return;
  // The button the user clicked is checked already; the choice changes only now.
  const int checked = fCheckedIndex;
  CheckButton(index);
  if (checked != index && !ComponentState().Contains(csLoading)) DoChange();
  UpdateStateFromCursor(false);
}

void TkcCustomRadioGroup::ButtonChosen(TkcCustomRadioGroupButton* AButton) {
  if (fCheckingButtons || IsDestroying()) return;
  const int index = IndexOfButton(AButton);
  LockChangeEvents(true);
  fUserChange = true;
  bool allowed = true;
  try {
    allowed = DoEditing();
    if (allowed) SetItemIndex(index);
  } catch (...) {
    fUserChange = false;
    LockChangeEvents(false);
    throw;
  }
  fUserChange = false;
  LockChangeEvents(false);
  if (!allowed) {
    // Refused: the choice goes back to the value's item.
    CheckButton(ActiveProperties()->GetRadioGroupItemIndex(EditValue()));
    return;
  }
  if (ActiveProperties()->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) PostEditValue(false);
}

void TkcCustomRadioGroup::UpdateButtons() {
  if (fUpdatingButtons) return;
  TkcCustomButtonGroup::UpdateButtons();
  if (ComponentState().Contains(csReading)) return;
  TkcRadioGroupItems* items = ActiveProperties()->Items();
  for (int i = 0; i < ButtonCount() && i < items->Count(); ++i) {
    if (!items->Items(i)) continue;
    Buttons(i)->SetCaption(items->Items(i)->Caption());
    Buttons(i)->WordWrap = ActiveProperties()->WordWrap();
  }
  CheckButton(ActiveProperties()->GetRadioGroupItemIndex(EditValue()));
}

void TkcCustomRadioGroup::UpdateButtonStyles() {
  TkcCustomButtonGroup::UpdateButtonStyles();
  for (int i = 0; i < ButtonCount(); ++i) {
    Buttons(i)->SetTransparent(ActiveProperties()->Transparent());
    if (!Buttons(i)->Enabled()) Buttons(i)->Font()->SetColor(StyleDisabled()->TextColor());
  }
}

void TkcCustomRadioGroup::Dispatch(TMessage& Message) {
  TkcCustomButtonGroup::Dispatch(Message);
  // Entering the group enters its chosen button; with none chosen the group keeps the focus
  // until an arrow key chooses.
  if (Message.Msg == WM_SETFOCUS && !IsDestroying()) {
    const int index = ItemIndex();
    if (index >= 0 && index < ButtonCount() && Buttons(index)->CanFocus()) Buttons(index)->SetFocus();
  }
}

bool TkcCustomRadioGroup::IsContainerFocused() {
  for (int i = 0; i < ButtonCount(); ++i)
    if (Buttons(i)->Focused()) return false;
  return TkcCustomButtonGroup::Focused();
}
