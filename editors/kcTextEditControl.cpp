#include "editors/kcTextEditControl.h"

#include <algorithm>

#include "editors/kcTextEditViewInfo.h"
#include "platform/core/FormatSettings.h"
#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"

// ---- Inner text edit ------------------------------------------------------------------------

TkcCustomInnerTextEdit::TkcCustomInnerTextEdit(TComponent* AOwner)
    : TCustomEdit(AOwner), fContainer(dynamic_cast<TkcCustomTextEdit*>(AOwner)) {
  SetParentColor(true);
  SetParentFont(false);
}

void TkcCustomInnerTextEdit::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TkcCustomInnerTextEdit::SetAlignment(TAlignment Value) {
  if (fContainer && fContainer->ActiveProperties()->UseLeftAlignmentOnEditing()) Value = taLeftJustify;
  if (fAlignment == Value) return;
  fAlignment = Value;
  inherited::SetAlignment(Value);
}

void TkcCustomInnerTextEdit::SetEchoMode(TkcEditEchoMode Value) {
  fEchoMode = Value;
  UpdatePasswordChar();
}

void TkcCustomInnerTextEdit::SetPasswordCharacter(char Value) {
  fPasswordChar = Value;
  UpdatePasswordChar();
}

void TkcCustomInnerTextEdit::UpdatePasswordChar() {
  SetPasswordChar(fEchoMode == eemPassword ? static_cast<char32_t>(fPasswordChar ? fPasswordChar : '*') : 0);
}

// Keys go to the editor first; only a key it leaves reaches the window.
void TkcCustomInnerTextEdit::KeyDown(WORD& Key, TShiftState Shift) {
  fKeyHandledByOwner = false;
  inherited::KeyDown(Key, Shift);
  if (Key != 0 && fContainer) fContainer->InnerKeyDown(Key, Shift);
  if (Key == 0) fKeyHandledByOwner = true;
}

void TkcCustomInnerTextEdit::KeyPress(char32_t& Key) {
  fKeyHandledByOwner = false;
  if (Key == VK_TAB) {
    Key = 0;
    return;
  }
  inherited::KeyPress(Key);
  if (Key != 0 && fContainer) fContainer->InnerKeyPress(Key);
  if (Key == 0) {
    fKeyHandledByOwner = true;
    return;
  }
  // A character the editor left to the window ends a shown completion.
  if (fContainer) fContainer->ResetFindSelection();
  if (fContainer && (Key == VK_RETURN || Key == VK_ESCAPE) &&
      (fContainer->IsInplace() || (Key == VK_RETURN && !fContainer->BeepOnEnter)))
    Key = 0;
}

void TkcCustomInnerTextEdit::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB) Key = 0;
  inherited::KeyUp(Key, Shift);
  if (Key != 0 && fContainer) fContainer->InnerKeyUp(Key, Shift);
}

void TkcCustomInnerTextEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (fContainer) fContainer->InnerMouseDownAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerTextEdit::MouseMove(TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  if (fContainer) fContainer->InnerMouseMoveAt(Shift, X + Left(), Y + Top());
}

void TkcCustomInnerTextEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (fContainer) fContainer->InnerMouseUpAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerTextEdit::DblClick() {
  inherited::DblClick();
  if (fContainer) fContainer->InnerEditDblClick();
}

void TkcCustomInnerTextEdit::Change() {
  inherited::Change();
  if (fContainer) fContainer->ChangeHandler(this);
}

bool ForwardInnerEditMessage(TCustomEdit* AInner, TkcCustomTextEdit* AContainer, TMessage& m,
                             const std::function<void()>& ADefault) {
  switch (m.Msg) {
    case WM_CUT:
      if (AInner->ReadOnly())
        AContainer->CopyToClipboard();
      else
        AContainer->CutToClipboard();
      return true;
    case WM_PASTE:
      if (!AInner->ReadOnly()) AContainer->PasteFromClipboard();
      return true;
    case WM_CLEAR:
      if (!AInner->ReadOnly()) AContainer->ClearSelection();
      return true;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ADefault();
      if (!AInner->ComponentState().Contains(csDestroying) && !AContainer->IsContainerDestroying())
        AContainer->FocusChanged();
      return true;
    default: return false;
  }
}

void TkcCustomInnerTextEdit::Dispatch(TMessage& m) {
  if (!fContainer || !ForwardInnerEditMessage(this, fContainer, m, [&] { inherited::Dispatch(m); }))
    inherited::Dispatch(m);
  // The window places its caret after the mouse events it raised: the editor hears of it last.
  if (fContainer && (m.Msg == WM_LBUTTONDOWN || (m.Msg == WM_MOUSEMOVE && (m.WParam & MK_LBUTTON))))
    fContainer->InnerEditMouseAction(m.Msg == WM_MOUSEMOVE);
}

// ---- Text edit ------------------------------------------------------------------------------

namespace {

// Sets a flag for a scope (also left by an exception).
class TFlagScope {
public:
  TFlagScope(bool& AFlag, bool AValue) : fFlag(AFlag), fOld(AFlag) { AFlag = AValue; }
  ~TFlagScope() { fFlag = fOld; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

private:
  bool& fFlag;
  bool fOld;
};

// Holds a lock of the edit for a scope.
template <void (TkcCustomEdit::*Lock)(bool)>
class TEditLock {
public:
  explicit TEditLock(TkcCustomEdit* AEdit) : fEdit(AEdit) { (fEdit->*Lock)(true); }
  ~TEditLock() { (fEdit->*Lock)(false); }
  TEditLock(const TEditLock&) = delete;
  TEditLock& operator=(const TEditLock&) = delete;

private:
  TkcCustomEdit* fEdit;
};
using TClickLock = TEditLock<&TkcCustomEdit::LockClick>;


}  // namespace


TkcCustomTextEdit::~TkcCustomTextEdit() = default;

void TkcCustomTextEdit::Initialize() {
  TkcCustomEdit::Initialize();
  if (TClass lookup = Properties()->GetLookupDataClass()) {
    fLookupData.reset(TkcCustomTextEditLookupDataClass(lookup).Create(this));
    fLookupData->OnSelectItem = TNotifyEvent(this, &TkcCustomTextEdit::ApplySelectedLookupItem);
  }
  InnerEdit()->SetColor(clWindow);
  InnerEdit()->OnSelChange = TNotifyEvent(this, &TkcCustomTextEdit::SelChange);
  SetBounds(Left(), Top(), 121, 21);
  PropertiesChanged(GetEffectiveProperties());
}

String TkcCustomTextEdit::Text() {
  if (!InnerEdit()) return fTextOnDestroy;
  return InnerEdit()->Text();
}

void TkcCustomTextEdit::SetText(const String& Value) {
  Variant display = Value;
  if (!ActiveProperties()->IsDisplayTextValid(display, GetEditFocused())) return;
  Variant value;
  DisplayValueToEditValue(display, value, GetEditFocused());
  SetEditValue(value);
}

bool TkcCustomTextEdit::InternalSetText(const String& AText) {
  const String before = Text();
  SetText(AText);
  return Text() == AText || before != Text();
}

void TkcCustomTextEdit::ShowDisplayText(const String& AText) {
  const bool was = fSynchronizingDisplay;
  fSynchronizingDisplay = true;
  try {
    InnerEdit()->SetText(AText);
  } catch (...) {
    fSynchronizingDisplay = was;
    throw;
  }
  fSynchronizingDisplay = was;
}

void TkcCustomTextEdit::SynchronizeDisplayValue() {
  if (!InnerEdit()) return;
  TkcCustomTextEditProperties* p = ActiveProperties();
  Variant display;
  Variant value = GetEditValue();
  const bool focused = GetEditFocused();
  if (p->CanValidate()) {
    if (p->IsEditValueValid(value, focused) || Focused()) {
      p->EditValueToDisplayValue(value, display, focused);
    } else {
      try {
        display = VarToStr(value);
      } catch (const EVariantTypeCastError&) {
        display = String();
      }
    }
  } else {
    p->EditValueToDisplayValue(value, display, focused);
  }
  PushModifiedState();
  try {
    ShowDisplayText(VarToStr(display));
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
  ResetFindSelection();
  UpdateDrawValue();
}

void TkcCustomTextEdit::SynchronizeEditValue() { SetValidatedDisplayValue(Variant(Text())); }

void TkcCustomTextEdit::SetValidatedDisplayValue(const Variant& AValue) {
  TkcCustomTextEditProperties* p = ActiveProperties();
  // A free text that is no lookup item is announced (so the owner may add it to the items).
  if (p->GetEditingStyle() == esEdit && UseLookupData() && !fLookupData->Find(VarToStr(AValue))) {
    TkcObjectLinkScope link(this);
    if (Properties()->OnNewLookupDisplayText) Properties()->OnNewLookupDisplayText(this, VarToStr(AValue));
    if (!link.Alive()) return;
    auto* item = static_cast<TkcCustomTextEditProperties*>(GetRepositoryItemProperties());
    if (item && item->OnNewLookupDisplayText) item->OnNewLookupDisplayText(this, VarToStr(AValue));
    if (!link.Alive()) return;
  }
  Variant value;
  DisplayValueToEditValue(AValue, value, GetEditFocused());
  // The text the validation may have changed is shown, not re-entered as the user's change.
  if (VarToStr(AValue) != Text()) ShowDisplayText(VarToStr(AValue));
  const Variant old = TkcCustomEdit::GetEditValue();
  const bool changed = p->IsEditValueComparable() && (VarType(old) != VarType(value) || !VarSameValue(old, value));
  SetStoredEditValue(value);
  if (changed) {
    DoEditValueChanged();
    if (!p->HasSeparateChangeEvents()) DoChange();
  }
}

void TkcCustomTextEdit::ChangeHandler(TObject* Sender) {
  if (fSynchronizingDisplay || fRegrouping) return;
  LockChangeEvents(true);
  try {
    TkcCustomEdit::ChangeHandler(Sender);
    TkcCustomTextEditProperties* p = ActiveProperties();
    if (Focused() && p->IsEditValueNumeric() && p->IsThousandSeparatorShown(false)) ReformatThousandSeparators();
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomTextEdit::ReformatThousandSeparators() {
  // The caret keeps its place among the characters that are not separators.
  const char separator = FormatSettings.ThousandSeparator;
  const String text = Text();
  const std::size_t caret = Utf8OffsetOf(text, static_cast<std::size_t>(SelStart()));
  const auto kept = static_cast<std::size_t>(std::count_if(
      text.begin(), text.begin() + static_cast<std::ptrdiff_t>(caret), [&](char c) { return c != separator; }));
  String grouped = text;
  NormalizeNumberText(grouped);
  if (grouped == text || !IsNumericText(grouped)) return;
  TFlagScope regrouping(fRegrouping, true);
  SetInternalDisplayValue(Variant(grouped));
  std::size_t at = 0, seen = 0;
  while (at < grouped.size() && seen < kept) {
    if (grouped[at] != separator) ++seen;
    ++at;
  }
  SetSelStart(static_cast<int>(Utf8Length(std::string_view(grouped).substr(0, at))));
}

void TkcCustomTextEdit::SafelySetFocus() {
  TCustomEdit* inner = InnerEdit();
  const bool autoSelect = inner->AutoSelect;
  inner->AutoSelect = false;
  try {
    SetFocus();
  } catch (...) {
    inner->AutoSelect = autoSelect;
    throw;
  }
  inner->AutoSelect = autoSelect;
}

bool TkcCustomTextEdit::IsEditValueChangingKey(WORD Key, TShiftState Shift) {
  return TkcCustomEdit::IsEditValueChangingKey(Key, Shift) || Key == VK_DELETE;
}

bool TkcCustomTextEdit::IsEditValueChangingChar(char32_t Key) {
  return Key == 8 || Key == 22 || Key == 24 || Key >= 32;
}


void TkcCustomTextEdit::NavigateLookup(TkcEditLookupDirection ADirection) {
  // The events of the move are raised once, after it.
  LockChangeEvents(true);
  try {
    TFlagScope navigating(fIsNavigatingLookup, true);
    const int old = fLookupData->CurrentKey();
    {
      TClickLock clicks(this);
      fLookupData->Go(ADirection, false);
    }
    if (fLookupData->CurrentKey() != old) {
      SetModifiedAfterEnter(true);
      Click();
      if (ActiveProperties()->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) PostEditValue(false);
    }
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomTextEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomTextEditProperties* p = ActiveProperties();
  const TkcTextEditingStyle style = p->GetEditingStyle();
  const TShortCut s = ShortCut(Key, Shift);
  // A fixed list has no caret to move and no text to delete.
  if (style == esFixedList && (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_DELETE) && s != p->ClearKey &&
      s != p->ClickKey) {
    fFindSelection = false;
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  const bool wasFindSelection = fFindSelection;
  TkcCustomEdit::DoEditKeyDown(Key, Shift);
  if (Key == 0) {
    if (s == ShortCut(VK_RETURN, TShiftState()) && wasFindSelection) SelectAll();
    return;
  }
  const bool shift = Shift.Contains(ssShift);
  switch (Key) {
    case VK_LEFT:
    case VK_RIGHT:
      fFindSelection = false;
      // A selection collapses to the side the arrow points at.
      if (SelLength() > 0 && !shift) {
        if (Key == VK_RIGHT) SetSelStart(SelStart() + SelLength());
        SetSelLength(0);
        Key = 0;
      }
      return;
    case VK_DELETE:
      if (style == esEditList) {
        DoAfterKeyDown(Key, Shift);
        Key = 0;
      } else {
        fFindSelection = false;
      }
      return;
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_UP:
    case VK_DOWN: {
      const bool endOrHome = Key == VK_END || Key == VK_HOME;
      if ((!endOrHome || style == esFixedList) && UseLookupData() && CanNavigateLookupItems(false) &&
          !fLookupData->IsEmpty()) {
        const bool ctrl = Shift.Contains(ssCtrl);
        TkcEditLookupDirection direction = ldNext;
        switch (Key) {
          case VK_PRIOR: direction = ctrl ? ldFirst : ldPageUp; break;
          case VK_NEXT: direction = ctrl ? ldLast : ldPageDown; break;
          case VK_END: direction = ldLast; break;
          case VK_HOME: direction = ldFirst; break;
          case VK_UP: direction = ldPrevious; break;
          default: break;
        }
        NavigateLookup(direction);
        Key = 0;
        return;
      }
      if (endOrHome) {
        if (Key == VK_END && SelLength() == 0 && style != esFixedList) fFindSelection = false;
        return;
      }
      // The rest belongs to whoever hosts the editor (the grid moves between cells).
      DoAfterKeyDown(Key, Shift);
      Key = 0;
      return;
    }
    default: return;
  }
}

bool TkcCustomTextEdit::LocateTyped(String APrefix) {
  String tail;
  const bool found = fLookupData->Locate(APrefix, tail, false);
  fFindSelection = found;
  const TkcTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (found) {
    // The prefix as the item spells it, and the rest of the item selected.
    SetInternalDisplayValue(Variant(APrefix + tail));
    SetSelStart(static_cast<int>(Utf8Length(APrefix)));
    SetSelLength(static_cast<int>(Utf8Length(tail)));
  } else if (APrefix.empty() && style != esFixedList) {
    SetInternalDisplayValue(Variant(String()));
  }
  UpdateDrawValue();
  return found;
}

void TkcCustomTextEdit::DoEditKeyPress(char32_t& Key) {
  TkcCustomEdit::DoEditKeyPress(Key);
  if (Key == 0) return;
  fLookupKeyFromNavigation = false;
  TkcCustomTextEditProperties* p = ActiveProperties();
  const TkcTextEditingStyle style = p->GetEditingStyle();
  if (style == esFixedList && Key == VK_BACK && !p->FixedListSelection()) {
    fFindSelection = false;
    Key = 0;
    return;
  }
  if (!UseLookupData()) return;
  const bool searchActive = style == esEditList || style == esFixedList || (style == esEdit && p->IncrementalSearch);
  if (!searchActive || (Key != VK_BACK && Key < 32)) return;
  const int oldKey = fLookupData->CurrentKey();
  const bool wasFindSelection = fFindSelection;
  bool searched = false, found = false;
  {
    TClickLock clicks(this);
    const String text = Text();
    const int length = static_cast<int>(Utf8Length(text));
    if (Key == VK_BACK) {
      // Backspace takes the last typed character off the completed prefix and searches again.
      if (style == esEditList && !text.empty() && !fFindSelection) {
        SetSelLength(length - SelStart());
        fFindSelection = true;
      }
      if (fFindSelection) {
        const int start = SelStart();
        fLookupKeyFromNavigation = true;
        found = LocateTyped(Utf8Copy(text, 0, start > 0 ? static_cast<std::size_t>(start - 1) : 0));
        searched = true;
      }
      if (style == esFixedList) Key = 0;
    } else {
      const int selStart = SelStart(), selLength = SelLength();
      const bool applies = style == esEditList || style == esFixedList || (selLength == 0 && selStart == length) ||
                           fFindSelection || selLength > 0;
      if (applies) {
        fLookupKeyFromNavigation = true;
        const String typed = Utf8Encode(Key);
        String prefix;
        if (selLength > 0) {
          prefix = Utf8Copy(text, 0, static_cast<std::size_t>(selStart)) + typed;
        } else if (style == esEdit) {
          prefix = Utf8Copy(text, 0, static_cast<std::size_t>(selStart)) + typed +
                   Utf8Copy(text, static_cast<std::size_t>(selStart));
        } else if (style == esFixedList && fFindSelection) {
          found = LocateTyped(text + typed);
          searched = true;
          prefix = typed;
        } else {
          prefix = typed;
        }
        if (!found) {
          found = LocateTyped(prefix);
          searched = true;
        }
        if (!found && style == esFixedList && !p->FixedListSelection() && prefix != typed) found = LocateTyped(typed);
      }
    }
    if (searched && !found && (style == esEditList || style == esFixedList)) {
      Key = 0;
      if (style == esEditList ? !Text().empty() : (p->FixedListSelection() && wasFindSelection))
        fFindSelection = true;
    }
  }
  if (fLookupData->CurrentKey() != oldKey) {
    SetModifiedAfterEnter(true);
    Click();
  }
  if (found) Key = 0;
}

void TkcCustomTextEdit::SetInternalDisplayValue(const Variant& AValue) {
  // The user's change: the editor hears of it as of typing.
  const String text = VarToStr(AValue);
  if (text != Text()) InnerEdit()->SetText(text);
}

void TkcCustomTextEdit::DoExit() {
  TkcCustomEdit::DoExit();
  fFindSelection = false;
}

bool TkcCustomTextEdit::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
  if (TkcCustomEdit::DoMouseWheel(Shift, WheelDelta, MousePos)) return true;
  if (!CanNavigateLookupItems(true) || HasPopupWindow() || !UseLookupData() || fLookupData->IsEmpty()) return false;
  if (!(!IsInplace() || ActiveProperties()->UseMouseWheel || Shift.Contains(ssCtrl))) return false;
  if (DoEditing()) NavigateLookup(WheelDelta > 0 ? ldPrevious : ldNext);
  return true;
}

void TkcCustomTextEdit::GetEditSizeProperties(TkcEditSizeProperties& AProperties) {
  AProperties = TkcEditSizeProperties{};
  AProperties.MaxLineCount = 1;
}

Variant TkcCustomTextEdit::LookupKeyToEditValue(const Variant& AKey) {
  Variant value;
  DisplayValueToEditValue(Variant(fLookupData->GetDisplayText(AKey)), value, false);
  return value;
}

void TkcCustomTextEdit::ApplySelectedLookupItem(TObject*) {
  const Variant value = LookupKeyToEditValue(fLookupData->GetCurrentKey());
  const Variant current = GetEditValue();
  const bool differ = VarType(value) != VarType(current) || !VarSameValue(value, current);
  if (differ && !DoEditing()) return;
  PushModifiedState();
  try {
    InternalSetEditValue(value, false);
  } catch (...) {
    PopModifiedState();
    throw;
  }
  PopModifiedState();
  if (differ) SetModifiedAfterEnter(true);
  SelectAll();
  if (HandleAllocated()) UpdateStateFromCursor(false);
}

int TkcCustomTextEdit::ItemIndex() { return fLookupData ? fLookupData->CurrentKey() : -1; }

void TkcCustomTextEdit::SetItemIndex(int AIndex) {
  if (!fLookupData) return;
  const int old = ItemIndex();
  {
    TClickLock clicks(this);
    fLookupData->SetCurrentKey(Variant(AIndex));
    const Variant value = LookupKeyToEditValue(fLookupData->GetCurrentKey());
    const Variant current = GetEditValue();
    if (VarType(value) != VarType(current) || !VarSameValue(value, current)) SetEditValue(value);
  }
  if (ItemIndex() != old) {
    SetModified(false);
    Click();
  }
}

void TkcCustomTextEdit::SetSelText(const String& Value) {
  TCustomEdit* inner = InnerEdit();
  String text;
  int caret = 0;
  if (!ActiveProperties()->ChangeSelText(Text(), inner->SelStart(), inner->SelLength(), Value, fUserChange,
                                         GetEditFocused(), text, caret))
    return;
  if (fUserChange && !DoEditing()) return;
  inner->SetText(text);
  inner->SetSelStart(caret);
  inner->SetSelLength(0);
}

void TkcCustomTextEdit::ClearSelection() {
  if (IsReadOnly()) return;
  fUserChange = true;
  try {
    SetSelText(String());
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomTextEdit::CutToClipboard() {
  if (IsReadOnly()) return CopyToClipboard();
  if (SelLength() == 0) return;
  CopyToClipboard();
  ClearSelection();
}

void TkcCustomTextEdit::PasteFromClipboard() {
  if (IsReadOnly()) return;
  fUserChange = true;
  try {
    SetSelText(Clipboard()->AsText());
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomTextEdit::PropertiesChanged(TObject* Sender) {
  TCustomEdit* inner = InnerEdit();
  if (inner) {
    TkcCustomTextEditProperties* p = ActiveProperties();
    if (auto* single = dynamic_cast<TkcCustomInnerTextEdit*>(inner)) {
      single->SetAlignment(p->Alignment()->Horz());
      single->SetEchoMode(p->EchoMode);
      single->SetPasswordCharacter(p->PasswordChar);
    }
    inner->AutoSelect = p->AutoSelect() && !IsInplace();
    inner->SetCharCase(p->CharCase());
    inner->HideSelection = p->HideSelection;
    inner->SetMaxLength(p->MaxLength());
    inner->SetReadOnly(IsReadOnly());
  }
  if (UseLookupData()) {
    fLookupData->ListChanged();
    if (!fLookupKeyFromNavigation) fLookupData->SynchronizeCurrentKey();
  }
  CheckEditValue();
  TkcCustomEdit::PropertiesChanged(Sender);
}

void TkcCustomTextEdit::CheckEditValue() {
  TkcCustomTextEditProperties* p = ActiveProperties();
  if (DataBinding()->IsDataSourceActive() && p->IsEditValueNumeric() && InnerEdit() && p->IsValueBoundsDefined())
    CheckEditorValueBounds();
}

void TkcCustomTextEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT: {
      // Whole characters only: a cut never leaves half of a character in the buffer.
      Message.Result = 0;
      if (Message.WParam < 1 || !Message.LParam) return;
      const String t = InternalGetText();
      std::size_t n = std::min<std::size_t>(t.size(), Message.WParam - 1);
      while (n > 0 && !Utf8IsBoundary(t, n)) --n;
      char* out = reinterpret_cast<char*>(Message.LParam);
      std::copy_n(t.data(), n, out);
      out[n] = 0;
      Message.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_GETTEXTLENGTH: Message.Result = static_cast<LRESULT>(InternalGetText().size()); return;
    case WM_SETTEXT:
      if (fSettingText) return TkcCustomEdit::Dispatch(Message);
      fSettingText = true;
      try {
        Message.Result = InternalSetText(Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "") ? 1 : 0;
      } catch (...) {
        fSettingText = false;
        throw;
      }
      fSettingText = false;
      return;
    case WM_CUT:
      fUserChange = true;
      try {
        CutToClipboard();
      } catch (...) {
        fUserChange = false;
        throw;
      }
      fUserChange = false;
      return;
    case WM_COPY: CopyToClipboard(); return;
    case WM_PASTE: PasteFromClipboard(); return;
    case WM_CLEAR: ClearSelection(); return;
    default: TkcCustomEdit::Dispatch(Message);
  }
}

// ---- Text shown by the view info --------------------------------------------------------------

bool TkcCustomTextEdit::IsInnerEditVisible() {
  if (!InnerEdit() || IsDesigning()) return false;
  // The list styles keep showing their text (and its completion) in the inner window.
  const TkcTextEditingStyle style = ActiveProperties()->GetEditingStyle();
  if (style != esEdit && style != esEditList) return true;
  if (ActiveProperties()->Alignment()->Horz() == taLeftJustify || Focused()) return true;
  TCustomForm* form = GetParentForm();
  return form && (form->ActiveControl() == this || form->ActiveControl() == InnerEdit());
}

void TkcCustomTextEdit::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  TkcCustomEdit::CalculateViewInfo(P, AHotAllowed);
  TCustomEdit* inner = InnerEdit();
  if (!inner || IsContainerDestroying()) return;
  const bool visible = IsInnerEditVisible();
  if (auto* info = dynamic_cast<TkcCustomTextEditViewInfo*>(EditViewInfo())) info->HasVisibleInnerEdit = visible;
  if (inner->Visible() != visible) inner->SetVisible(visible);
  if (!visible) UpdateDrawValue();
}

void TkcCustomTextEdit::UpdateDrawValue() {
  auto* info = dynamic_cast<TkcCustomTextEditViewInfo*>(EditViewInfo());
  if (!info || !InnerEdit()) return;
  String text = Text();
  ActiveProperties()->PrepareDisplayText(text);
  if (info->Text == text) return;
  info->Text = text;
  info->IsLaidOut = false;
  if (HandleAllocated()) Invalidate();
}

void TkcCustomTextEdit::AdjustInnerEditPosition() {
  TCustomEdit* inner = InnerEdit();
  if (!inner || IsContainerDestroying()) return;
  TkcScreenCanvas canvas;
  canvas.SetFont(inner->Font());
  TEXTMETRIC metrics{};
  GetTextMetrics(canvas.Canvas()->Handle(), &metrics);
  const int h = std::max<int>(canvas.TextHeight("Qq"), metrics.tmHeight);
  const TRect& r = EditViewInfo()->ClientRect;
  std::unique_ptr<TkcCustomEditViewData> data(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  const TRect o = data->GetContentDefaultOffsets();
  const int height = r.bottom - r.top;
  int top = r.top + o.top;
  switch (ActiveProperties()->Alignment()->Vert()) {
    case taBottomJustify: top = r.bottom - h - o.bottom; break;
    case taVCenter: top = r.top + o.top + (height - h - o.top - o.bottom) / 2; break;
    default: break;
  }
  top = std::max<int>(top, r.top + o.top);
  const TRect bounds{r.left + o.left, top, r.right - o.right + 1, top + h};
  if (inner->BoundsRect() != bounds) inner->SetBounds(bounds.left, bounds.top, bounds.right - bounds.left, h);
}
