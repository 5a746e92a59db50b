#include "editors/kcTextEditControl.h"

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
  if (HandleAllocated()) RecreateWnd();
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
}

// ---- Text edit ------------------------------------------------------------------------------

TkcCustomTextEdit::~TkcCustomTextEdit() = default;

void TkcCustomTextEdit::Initialize() {
  TkcCustomEdit::Initialize();
  InnerEdit()->SetColor(clWindow);
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
  UpdateDrawValue();
}

void TkcCustomTextEdit::SynchronizeEditValue() { SetValidatedDisplayValue(Variant(Text())); }

void TkcCustomTextEdit::SetValidatedDisplayValue(const Variant& AValue) {
  TkcCustomTextEditProperties* p = ActiveProperties();
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
  if (fSynchronizingDisplay) return;
  LockChangeEvents(true);
  try {
    TkcCustomEdit::ChangeHandler(Sender);
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
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

void TkcCustomTextEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomEdit::DoEditKeyDown(Key, Shift);
  // Left, Right, Home and End move the caret in the window; the rest of the navigation keys
  // belong to whoever hosts the editor (the grid moves between cells).
  if (Key == VK_PRIOR || Key == VK_NEXT || Key == VK_UP || Key == VK_DOWN) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
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
  TkcCustomEdit::PropertiesChanged(Sender);
}

void TkcCustomTextEdit::Dispatch(TMessage& Message) {
  switch (Message.Msg) {
    case WM_GETTEXT: {
      // Whole characters only: a cut never leaves half of a character in the buffer.
      Message.Result = 0;
      if (Message.WParam < 1 || !Message.LParam) return;
      const String t = Text();
      std::size_t n = std::min<std::size_t>(t.size(), Message.WParam - 1);
      while (n > 0 && !Utf8IsBoundary(t, n)) --n;
      char* out = reinterpret_cast<char*>(Message.LParam);
      std::copy_n(t.data(), n, out);
      out[n] = 0;
      Message.Result = static_cast<LRESULT>(n);
      return;
    }
    case WM_GETTEXTLENGTH: Message.Result = static_cast<LRESULT>(Text().size()); return;
    case WM_SETTEXT:
      if (fSettingText) return TkcCustomEdit::Dispatch(Message);
      fSettingText = true;
      try {
        const String before = Text();
        const String t = Message.LParam ? reinterpret_cast<const char*>(Message.LParam) : "";
        SetText(t);
        Message.Result = Text() == t || before != Text() ? 1 : 0;
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
