#include "editors/kcMaskEditControl.h"

#include "platform/core/Utf8.h"
#include "platform/forms/Clipbrd.h"

void TkcCustomMaskEdit::PropertiesChanged(TObject* Sender) {
  fMode = ActiveProperties()->CreateMaskMode(this);
  TkcCustomTextEdit::PropertiesChanged(Sender);
}

void TkcCustomMaskEdit::SetText(const String& AText) {
  // The mode's text is the user's change: it marks the edit modified and raises OnChange.
  fUserChange = true;
  try {
    InnerTextEdit()->SetText(AText);
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomMaskEdit::SetSelection(int AStart, int ALength) {
  InnerTextEdit()->SetSelStart(AStart);
  InnerTextEdit()->SetSelLength(ALength);
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

void TkcCustomMaskEdit::DoEnter() {
  TkcCustomTextEdit::DoEnter();
  if (fMode && Text().empty()) {
    fMode->ApplyEmptyValue();
    SetModified(false);
  }
}

void TkcCustomMaskEdit::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomTextEdit::DoEditKeyDown(Key, Shift);
  if (Key == 0 || fSending || !fMode || IsReadOnly()) return;
  const bool shift = Shift.Contains(ssShift);
  bool pass = true;
  switch (Key) {
    case VK_DELETE: pass = fMode->PressDelete(); break;
    case VK_HOME: pass = fMode->PressHome(shift); break;
    case VK_END: pass = fMode->PressEnd(shift); break;
    case VK_LEFT: pass = fMode->PressLeft(shift); break;
    case VK_RIGHT: pass = fMode->PressRight(shift); break;
    default: break;
  }
  if (!pass) Key = 0;
}

void TkcCustomMaskEdit::DoEditKeyPress(char32_t& Key) {
  TkcCustomTextEdit::DoEditKeyPress(Key);
  if (Key == 0 || fSending || !fMode) return;
  bool pass = true;
  if (Key == 8)
    pass = fMode->PressBackspace();
  else if (Key >= 32)
    pass = fMode->PressSymbol(Key);
  if (!pass) Key = 0;
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
