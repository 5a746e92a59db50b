#include "editors/kcMaskEditControl.h"

#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"

void TkcCustomMaskEdit::PropertiesChanged(TObject* Sender) {
  fMode = ActiveProperties()->CreateMaskMode(this);
  TkcCustomTextEdit::PropertiesChanged(Sender);
  UpdateValueText();
}

void TkcCustomMaskEdit::SetEditText(const String& AText) {
  // The mode's text is the user's change: it marks the edit modified and raises OnChange.
  fUserChange = true;
  try {
    InnerTextEdit()->SetText(AText);
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
  fMaskedTextShown = true;
}

void TkcCustomMaskEdit::SetSelection(int AStart, int ALength) {
  const bool was = fSelectionChanging;
  fSelectionChanging = true;
  try {
    InnerTextEdit()->SetSelStart(AStart);
    InnerTextEdit()->SetSelLength(ALength);
  } catch (...) {
    fSelectionChanging = was;
    throw;
  }
  fSelectionChanging = was;
}

int TkcCustomMaskEdit::GetCaretPos() {
  DWORD start = 0, end = 0;
  SendMessage(InnerTextEdit()->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return static_cast<int>(end);
}

void TkcCustomMaskEdit::SendKey(WORD AKey) {
  const bool was = fSending;
  fSending = true;
  SendMessage(InnerTextEdit()->Handle(), WM_KEYDOWN, AKey, 0);
  fSending = was;
}

void TkcCustomMaskEdit::SendChar(char32_t ACh) {
  const bool was = fSending;
  fSending = true;
  SendMessage(InnerTextEdit()->Handle(), WM_CHAR, static_cast<WPARAM>(ACh), 0);
  fSending = was;
}

String TkcCustomMaskEdit::EditValueDisplayText() {
  return WideToUtf8(ActiveProperties()->GetDisplayText(GetEditValue(), true, IsInplace()));
}

bool TkcCustomMaskEdit::ShowsMaskedText(bool AFocused) {
  return AFocused || !fMode || fMode->GetMaskKind() != emkStandard || ActiveProperties()->AlwaysShowBlanksAndLiterals();
}

void TkcCustomMaskEdit::UpdateValueText() {
  const String text = Text();
  fValueText = fMode && fMaskedTextShown ? fMode->GetValueText(text, true) : text;
}

void TkcCustomMaskEdit::ChangeHandler(TObject* Sender) {
  UpdateValueText();
  TkcCustomTextEdit::ChangeHandler(Sender);
}

void TkcCustomMaskEdit::SynchronizeDisplayValue() {
  fMaskedTextShown = ShowsMaskedText(GetEditFocused());
  TkcCustomTextEdit::SynchronizeDisplayValue();
  UpdateValueText();
  if (fMode && InnerEdit()) fMode->TextAssigned(Text());
}

void TkcCustomMaskEdit::SetInternalDisplayValue(const Variant& AValue) {
  if (!fMode || ComponentState().Contains(csLoading)) return TkcCustomTextEdit::SetInternalDisplayValue(AValue);
  const String text = VarToStr(AValue);
  const bool masked = ShowsMaskedText(GetEditFocused());
  const String shown = masked ? fMode->FormatText(text, true) : fMode->GetValueText(text, true);
  fMaskedTextShown = masked;
  TkcCustomTextEdit::SetInternalDisplayValue(Variant(shown));
  UpdateValueText();
  fMode->TextAssigned(Text());
}

void TkcCustomMaskEdit::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) {
  // The inner text may still be the focused (masked) one while the edit is being left.
  if (fMode && (fMaskedTextShown || ShowsMaskedText(AEditFocused))) {
    AEditValue = Variant(fMode->GetValueText(VarToStr(ADisplayValue), true));
    return;
  }
  TkcCustomTextEdit::DisplayValueToEditValue(ADisplayValue, AEditValue, AEditFocused);
}

String TkcCustomMaskEdit::InternalGetText() {
  if (!fMode) return TkcCustomTextEdit::InternalGetText();
  return fValueText;
}

bool TkcCustomMaskEdit::InternalSetText(const String& AText) {
  if (!fMode) return TkcCustomTextEdit::InternalSetText(AText);
  SetEditValue(Variant(AText));
  fValueText = VarToStr(GetEditValue());
  return true;
}

void TkcCustomMaskEdit::SetEditValueFromText() { SetInternalDisplayValue(Variant(Text())); }

void TkcCustomMaskEdit::Loaded() {
  TkcCustomTextEdit::Loaded();
  if (!fMode) return;
  LockChangeEvents(true);
  try {
    SetEditValueFromText();
  } catch (...) {
    LockChangeEvents(false);
    throw;
  }
  LockChangeEvents(false);
}

void TkcCustomMaskEdit::DoEnter() {
  TkcCustomTextEdit::DoEnter();
  if (fMode && Text().empty()) {
    fMode->ApplyEmptyValue();
    SetModified(false);
  }
  if (fMode && ActiveProperties()->AutoSelect() && !IsInplace()) fMode->PrepareSelectAll();
}

void TkcCustomMaskEdit::DblClick() {
  if (fMode) fMode->PrepareSelectAll();
  TkcCustomTextEdit::DblClick();
}

void TkcCustomMaskEdit::InnerEditDblClick() {
  if (fMode) fMode->PrepareSelectAll();
}

void TkcCustomMaskEdit::InnerEditMouseAction(bool ADrag) {
  if (!fMode) return;
  // A drag extends the selection as Shift and the arrows would.
  const bool was = fShiftDown;
  if (ADrag) fShiftDown = true;
  fMode->HandleMouseAction();
  fShiftDown = was;
}

void TkcCustomMaskEdit::SelChange(TObject* Sender) {
  TkcCustomTextEdit::SelChange(Sender);
  // The keys and characters the mode sends move the selection on its behalf.
  if (!fMode || fSelectionChanging || fSending) return;
  const bool was = fSelectionChanging;
  fSelectionChanging = true;
  try {
    fMode->HandleMouseAction();
  } catch (...) {
    fSelectionChanging = was;
    throw;
  }
  fSelectionChanging = was;
}

void TkcCustomMaskEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  // What the mode sends reaches the inner edit as it is.
  if (fSending) return;
  TkcCustomEditProperties* p = GetEffectiveProperties();
  const TShortCut s = ShortCut(Key, Shift);
  if (Key == 0 || !fMode || (p->ClearKey != 0 && s == p->ClearKey) ||
      (p->ClickKey != 0 && s == p->ClickKey))
    return TkcCustomTextEdit::DoEditKeyDown(Key, Shift);
  if (IsEditValueChangingKey(Key, Shift) && (IsReadOnly() || !DoEditing())) {
    DoAfterKeyDown(Key, Shift);
    Key = 0;
    return;
  }
  if (Key == VK_TAB) return TkcCustomTextEdit::DoEditKeyDown(Key, Shift);
  fShiftDown = Shift.Contains(ssShift);
  const bool shift = fShiftDown, ctrl = Shift.Contains(ssCtrl);
  bool pass = true;
  switch (Key) {
    case VK_UP:
    case VK_DOWN:
      if (HasPopupWindow()) break;
      DoAfterKeyDown(Key, Shift);
      Key = 0;
      return;
    case VK_LEFT:
    case VK_RIGHT: {
      if (ctrl) {
        // Ctrl+arrows go to the ends of the text, as Home and End.
        const WORD to = Key == VK_LEFT ? VK_HOME : VK_END;
        SendKey(to);
        if (to == VK_HOME)
          fMode->PressHome(shift);
        else
          fMode->PressEnd(shift);
        Key = 0;
        return;
      }
      const bool atEdge = Key == VK_LEFT ? fMode->IsCursorAtBegin() : fMode->IsCursorAtEnd();
      pass = Key == VK_LEFT ? fMode->PressLeft(shift) : fMode->PressRight(shift);
      if (!pass && atEdge) DoAfterKeyDown(Key, Shift);
      break;
    }
    case VK_DELETE:
      if (shift && SelLength() == 0) {
        // Shift+Delete without a selection is Backspace.
        if (fMode->PressBackspace()) SendChar(8);
        Key = 0;
        return;
      }
      if (!shift) pass = fMode->PressDelete();
      break;
    case VK_HOME: pass = fMode->PressHome(shift); break;
    case VK_END: pass = fMode->PressEnd(shift); break;
    default: break;
  }
  if (!pass) {
    Key = 0;
    return;
  }
  TkcCustomTextEdit::DoEditKeyDown(Key, Shift);
}

void TkcCustomMaskEdit::DoEditKeyPress(char32_t& Key) {
  if (fSending) return;
  if (!fMode || Key == 13 || Key == 3 || Key == 22 || Key == 24) return TkcCustomTextEdit::DoEditKeyPress(Key);
  if (Key == 9 || Key == 27) {
    Key = 0;
    return;
  }
  TkcCustomTextEdit::DoEditKeyPress(Key);
  if (Key == 0) return;
  bool pass = true;
  if (Key == 8)
    pass = fMode->PressBackspace();
  else if (Key >= 32)
    pass = fMode->PressSymbol(Key);
  if (!pass) Key = 0;
}

void TkcCustomMaskEdit::CutToClipboard() {
  if (!fMode || IsReadOnly()) return TkcCustomTextEdit::CutToClipboard();
  if (SelLength() == 0) return;
  CopyToClipboard();
  if (!DoEditing()) return;
  fUserChange = true;
  try {
    if (fMode->PressDelete()) SendChar(8);
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomMaskEdit::PasteFromClipboard() {
  if (IsReadOnly() || !fMode) return TkcCustomTextEdit::PasteFromClipboard();
  // A paste is typed through the mode character by character, so the mask filters it.
  const String text = Clipboard()->AsText();
  fMode->ClipboardTextLength = static_cast<int>(Utf8Length(text));
  fMode->PastePreparing();
  std::size_t pos = 0;
  while (pos < text.size()) {
    char32_t ch = Utf8Decode(text, pos);
    if (fMode->PressSymbol(ch) && ch != 0) SendChar(ch);
  }
  fMode->ClipboardTextLength = 0;
  fMode->PasteFinished();
}
