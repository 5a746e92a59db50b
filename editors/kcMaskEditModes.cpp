#include "editors/kcMaskEditModes.h"

#include <algorithm>

#include "platform/win/Windows.h"

namespace {

int Length(IkcMaskEditHost* AEdit) { return static_cast<int>(kcToChars(AEdit->GetEditText()).size()); }

}  // namespace

// ---- Base ------------------------------------------------------------------------------------

void TkcMaskEditCustomMode::DoBeep() {
  if (fSettings.BeepOnError && fEdit) fEdit->Beep();
}

bool TkcMaskEditCustomMode::IsCursorAtBegin() { return fEdit && fEdit->GetCaretPos() == 0; }

bool TkcMaskEditCustomMode::IsCursorAtEnd() { return fEdit && fEdit->GetCaretPos() == Length(fEdit); }

void TkcMaskEditCustomMode::RefreshFromEditValue() {
  if (!fEdit) return;
  const String text = fEdit->IsFocused() ? FormatText(fEdit->GetEditText(), true) : fEdit->EditValueDisplayText();
  fEdit->SetEditText(text);
}

void TkcMaskEditCustomMode::ApplyEmptyValue() {
  if (!fEdit || !fNeedUpdateEditValue) return;
  fNeedUpdateEditValue = false;
  fEdit->SetEditValue(Variant(GetEmptyValueText()));
}

// ---- Standard mode ---------------------------------------------------------------------------

void TkcMaskEditStandardMode::CompileMask(const String& AMask) {
  fEditMask = AMask;
  if (AMask.find_first_not_of(' ') != String::npos) fMask.SetMask(AMask);
  fNeedUpdateEditValue = fEdit == nullptr;
}

String TkcMaskEditStandardMode::FormatText(const String& AText, bool ALiteralsInText) {
  String text = AText;
  fMask.FitText(text, true, ALiteralsInText);
  return text;
}

String TkcMaskEditStandardMode::GetValueText(const String& AText, bool ALiteralsInText) {
  String text = AText;
  fMask.FitText(text, fSettings.CharCase == TEditCharCase::ecNormal, ALiteralsInText);
  fMask.ExtractValue(text);
  return text;
}

bool TkcMaskEditStandardMode::IsTextValid(const String& AText) {
  String text = AText;
  if (fMask.IsFullyValid(text)) return true;
  return fSettings.IgnoreMaskBlank && AText == fMask.GetEmptyText();
}

bool TkcMaskEditStandardMode::IsLiteral(int APos) const {
  return APos >= 0 && APos < fMask.Count() &&
         dynamic_cast<const TkcStandardMaskLiteralItem*>(fMask.Items(APos)) != nullptr;
}

void TkcMaskEditStandardMode::SetCaret(int APos) {
  const int length = Length(fEdit);
  APos = std::clamp(APos, 0, length);
  fEdit->SetSelection(APos, APos < length ? 1 : 0);
}

void TkcMaskEditStandardMode::SelectCharAtCaret() {
  if (!fEdit || !fEdit->HasWindow() || fMask.Count() == 0 || fEdit->GetSelLength() > 0) return;
  SetCaret(fEdit->GetSelStart());
}

void TkcMaskEditStandardMode::ClearPositions(kcChars& AText, int AStart, int AEnd) {
  for (int i = std::max(AStart, 0); i < AEnd && i < static_cast<int>(AText.size()); ++i)
    if (!IsLiteral(i)) AText[static_cast<std::size_t>(i)] = GetBlankChar();
}

bool TkcMaskEditStandardMode::PressSymbol(char32_t& ACh) {
  kcChars text = kcToChars(fEdit->GetEditText());
  const int length = static_cast<int>(text.size());
  int pos = fEdit->GetSelStart();
  if (length == 0 || pos >= length) return false;
  const int selLength = fEdit->GetSelLength();
  if (IsLiteral(pos)) {
    if (selLength > 1) {
      ClearPositions(text, pos, pos + selLength);
      fEdit->SetEditText(kcFromChars(text));
    }
    while (pos < length && IsLiteral(pos)) ++pos;
    if (pos >= length) return false;
    SetCaret(pos);
    return PressSymbol(ACh);
  }
  char32_t c = ACh;
  const bool accepted = pos < fMask.Count() && fMask.Items(pos)->Check(c) && fEdit->IsCharValidForPos(c, pos + 1);
  if (!accepted || c == 0) {
    DoBeep();
    return false;
  }
  if (selLength > 1) ClearPositions(text, pos, pos + selLength);
  text[static_cast<std::size_t>(pos)] = c;
  fEdit->SetEditText(kcFromChars(text));
  SetCaret(pos);
  PressRight(false);
  return false;
}

bool TkcMaskEditStandardMode::PressDelete() {
  kcChars text = kcToChars(fEdit->GetEditText());
  const int start = fEdit->GetSelStart();
  ClearPositions(text, start, start + std::max(fEdit->GetSelLength(), 1));
  fEdit->SetEditText(kcFromChars(text));
  SetCaret(start);
  return false;
}

bool TkcMaskEditStandardMode::PressBackspace() {
  if (fEdit->GetSelLength() <= 1) PressLeft(false);
  return PressDelete();
}

bool TkcMaskEditStandardMode::PressLeft(bool AShift) {
  const int start = fEdit->GetSelStart(), selLength = fEdit->GetSelLength();
  if (AShift) {
    if (selLength == 1) fEdit->SetSelection(start + 1, 0);
    return true;
  }
  if (selLength >= 2) {
    int pos = start;
    while (IsLiteral(pos)) ++pos;
    SetCaret(pos);
    return false;
  }
  int pos = start - 1;
  while (pos >= 0 && IsLiteral(pos)) --pos;
  SetCaret(pos < 0 ? start : pos);
  return false;
}

bool TkcMaskEditStandardMode::PressRight(bool AShift) {
  const int length = Length(fEdit);
  const int start = fEdit->GetSelStart(), selLength = fEdit->GetSelLength();
  if (AShift) {
    if (selLength == 1) fEdit->SetSelection(start, 0);
    return true;
  }
  if (selLength >= 2) {
    const int end = start + selLength;
    if (end >= length) {
      SetCaret(length);
      return false;
    }
    int pos = end - 1;
    while (pos > start && IsLiteral(pos)) --pos;
    SetCaret(pos);
    return false;
  }
  int pos = start + 1;
  while (pos < length && IsLiteral(pos)) ++pos;
  SetCaret(pos > length ? start : pos);
  return false;
}

bool TkcMaskEditStandardMode::PressHome(bool AShift) {
  if (AShift) return true;
  int pos = 0;
  const int length = Length(fEdit);
  while (pos < length && IsLiteral(pos)) ++pos;
  SetCaret(pos);
  return false;
}

bool TkcMaskEditStandardMode::PressEnd(bool AShift) {
  if (AShift) return true;
  SetCaret(Length(fEdit));
  return false;
}

void TkcMaskEditStandardMode::PastePreparing() {
  fPasteStart = fEdit->GetSelStart();
  fEdit->SetSelection(fPasteStart, ClipboardTextLength);
}

void TkcMaskEditStandardMode::PasteFinished() {
  const int length = Length(fEdit);
  int pos = std::clamp(fPasteStart + ClipboardTextLength, 0, std::max(length - 1, 0));
  while (pos < length - 1 && IsLiteral(pos)) ++pos;
  SetCaret(pos);
}

void TkcMaskEditStandardMode::RefreshFromEditValue() {
  TkcMaskEditCustomMode::RefreshFromEditValue();
  SelectCharAtCaret();
}

// ---- Regular-expression mode -----------------------------------------------------------------

TkcMaskEditRegExprMode::TkcMaskEditRegExprMode(IkcMaskEditHost* AEdit, const TkcMaskModeSettings& ASettings)
    : TkcMaskEditCustomMode(AEdit, ASettings) {}

void TkcMaskEditRegExprMode::CompileMask(const String& AMask) {
  fEditMask = AMask;
  fNeedUpdateEditValue = fEdit == nullptr;
  if (AMask.find_first_not_of(' ') == String::npos) return;
  fExpr.SetCaseInsensitive(fSettings.CaseInsensitive);
  try {
    fExpr.Compile(AMask);
  } catch (const EkcRegExprError& e) {
    String message = "Regular expression errors:";
    for (const TkcRegExprError& error : *e.Errors) message += "\r\n" + error.Text();
    throw EkcMaskEditError(message);
  }
  fHead.clear();
  fTail.clear();
}

std::unique_ptr<TkcRegExpr> TkcMaskEditRegExprMode::CreateExpression() {
  auto expr = std::make_unique<TkcRegExpr>();
  expr->SetCaseInsensitive(fSettings.CaseInsensitive);
  expr->Compile(fExpr.GetSource());
  return expr;
}

void TkcMaskEditRegExprMode::Synchronize() {
  const kcChars text = kcToChars(fEdit->GetEditText());
  if (!((fHead.empty() && fTail.empty() && !text.empty()) || fMouseAction)) return;
  fMouseAction = false;
  SplitAtCaret(text);
}

void TkcMaskEditRegExprMode::SplitAtCaret(const kcChars& text) {
  fExpr.Reset();
  fHead.clear();
  fTail = text;
  const int caret = std::min(fEdit->GetCaretPos(), static_cast<int>(text.size()));
  for (int i = 0; i < caret; ++i) {
    char32_t c = fTail.front();
    fExpr.Next(c);
    fHead.push_back(fTail.front());
    fTail.erase(0, 1);
  }
}

void TkcMaskEditRegExprMode::CutSelection() {
  fSelect.clear();
  fCut = false;
  const int start = fEdit->GetSelStart(), length = fEdit->GetSelLength();
  if (length <= 0) return;
  const int caret = static_cast<int>(fHead.size());
  if (start == caret) {
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), fTail.size());
    fSelect = fTail.substr(0, n);
    fTail.erase(0, n);
    fBeginCursor = true;
  } else {
    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(length), fHead.size());
    fSelect = fHead.substr(fHead.size() - n);
    for (std::size_t i = 0; i < n; ++i) fExpr.Prev();
    fHead.erase(fHead.size() - n);
    fBeginCursor = false;
  }
  fCut = true;
}

void TkcMaskEditRegExprMode::RemoveSelection() {
  CutSelection();
  fSelect.clear();
  fCut = false;
}

void TkcMaskEditRegExprMode::UndoCutSelection() {
  if (!fCut) return;
  if (fBeginCursor) {
    fTail = fSelect + fTail;
  } else {
    for (char32_t c : fSelect) {
      char32_t ch = c;
      fExpr.Next(ch);
      fHead.push_back(c);
    }
  }
  fSelect.clear();
  fCut = false;
}

bool TkcMaskEditRegExprMode::TailFits() {
  std::size_t fed = 0;
  for (char32_t c : fTail) {
    char32_t ch = c;
    if (!fExpr.Next(ch)) break;
    ++fed;
  }
  for (std::size_t i = 0; i < fed; ++i) fExpr.Prev();
  return fed == fTail.size();
}

void TkcMaskEditRegExprMode::DropTail() {
  fEdit->SetEditText(kcFromChars(fHead));
  fEdit->SetSelection(static_cast<int>(fHead.size()), 0);
  fTail.clear();
}

bool TkcMaskEditRegExprMode::PressSymbol(char32_t& ACh) {
  if (!fExpr.IsCompiled()) return true;  // no mask: plain editing
  Synchronize();
  CutSelection();
  char32_t c = ACh;
  if (!fExpr.Next(c)) {
    UndoCutSelection();
    DoBeep();
    return false;
  }
  fHead.push_back(c);
  ACh = c;
  const bool cut = fCut;
  fSelect.clear();
  fCut = false;
  if (TailFits()) return true;
  if (cut) fEdit->SendKey(VK_DELETE);
  fEdit->SendChar(c);
  DropTail();
  return false;
}

bool TkcMaskEditRegExprMode::KeepOrDropTail(bool ABackspace) {
  if (TailFits()) return true;  // the edit's own removal keeps text and automaton in step
  if (ABackspace)
    fEdit->SendChar(U'\b');
  else
    fEdit->SendKey(VK_DELETE);
  DropTail();
  return false;
}

bool TkcMaskEditRegExprMode::PressBackspace() {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  if (fEdit->GetSelLength() > 0) {
    RemoveSelection();
  } else {
    if (fHead.empty()) return false;
    fExpr.Prev();
    fHead.pop_back();
  }
  return KeepOrDropTail(true);
}

bool TkcMaskEditRegExprMode::PressDelete() {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  if (fEdit->GetSelLength() > 0) {
    RemoveSelection();
  } else {
    if (fTail.empty()) return false;
    fTail.erase(0, 1);
  }
  return KeepOrDropTail(false);
}

bool TkcMaskEditRegExprMode::PressLeft(bool AShift) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  const int start = fEdit->GetSelStart(), length = fEdit->GetSelLength();
  const int caret = static_cast<int>(fHead.size());
  int steps = 1;
  if (!AShift && length > 0) steps = start + length == caret ? length : 0;
  for (int i = 0; i < steps && !fHead.empty(); ++i) {
    fExpr.Prev();
    fTail.insert(fTail.begin(), fHead.back());
    fHead.pop_back();
  }
  return true;
}

bool TkcMaskEditRegExprMode::PressRight(bool AShift) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  const int start = fEdit->GetSelStart(), length = fEdit->GetSelLength();
  const int caret = static_cast<int>(fHead.size());
  int steps = 1;
  if (!AShift && length > 0) steps = start == caret ? length : 0;
  for (int i = 0; i < steps && !fTail.empty(); ++i) {
    char32_t c = fTail.front();
    fExpr.Next(c);
    fHead.push_back(fTail.front());
    fTail.erase(0, 1);
  }
  return true;
}

bool TkcMaskEditRegExprMode::PressHome(bool) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  fTail = fHead + fTail;
  fHead.clear();
  fExpr.Reset();
  return true;
}

bool TkcMaskEditRegExprMode::PressEnd(bool) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  for (char32_t c : fTail) {
    char32_t ch = c;
    fExpr.Next(ch);
    fHead.push_back(c);
  }
  fTail.clear();
  return true;
}

void TkcMaskEditRegExprMode::PrepareSelectAll() { PressEnd(false); }

bool TkcMaskEditRegExprMode::IsTextValid(const String& AText) {
  if (AText.empty()) return true;
  if (!fExpr.IsCompiled()) return true;
  std::unique_ptr<TkcRegExpr> expr = CreateExpression();
  for (char32_t c : kcToChars(AText))
    if (!expr->Next(c)) return false;
  return fSettings.IgnoreMaskBlank || expr->IsFinal();
}

String TkcMaskEditRegExprMode::FormatText(const String& AText, bool) {
  if (!fExpr.IsCompiled()) return AText;
  fExpr.Reset();
  const String result = fExpr.FilterText(AText);
  fExpr.Reset();
  fHead.clear();
  fTail.clear();
  return result;
}

void TkcMaskEditRegExprMode::PastePreparing() { fPasteStart = fEdit->GetSelStart(); }

void TkcMaskEditRegExprMode::TextAssigned(const String& AText) {
  if (!fExpr.IsCompiled()) return;
  fExpr.Reset();
  const kcChars text = kcToChars(AText);
  fHead.clear();
  fTail = text;
  if (ClipboardTextLength > 0) {
    const std::size_t n = std::min(text.size(), static_cast<std::size_t>(fPasteStart + ClipboardTextLength));
    for (std::size_t i = 0; i < n; ++i) {
      char32_t c = text[i];
      fExpr.Next(c);
    }
    fHead = text.substr(0, n);
    fTail = text.substr(n);
    ClipboardTextLength = 0;
  }
}

void TkcMaskEditRegExprMode::RefreshFromEditValue() {
  TkcMaskEditCustomMode::RefreshFromEditValue();
  if (!fEdit || !fExpr.IsCompiled()) return;
  fHead = kcToChars(fEdit->GetEditText());
  fTail.clear();
  fEdit->SetSelection(static_cast<int>(fHead.size()), 0);
  fExpr.Reset();
  for (char32_t c : fHead) {
    char32_t ch = c;
    fExpr.Next(ch);
  }
}

// ---- Extended mode ---------------------------------------------------------------------------

TkcMaskEditRegExprExMode::TkcMaskEditRegExprExMode(IkcMaskEditHost* AEdit, const TkcMaskModeSettings& ASettings)
    : TkcMaskEditRegExprMode(AEdit, ASettings) {
  fExpr.OnCharAppended = [this](char32_t c) { fUpdate.push_back(c); };
  fExpr.OnCharRemoved = [this](char32_t) { ++fDeleteNumber; };
}

// Stepping the live automaton over the tail would fill in forced characters on the way, so
// the tail is tried on a fresh expression behind the head instead.
bool TkcMaskEditRegExprExMode::TailFits() {
  if (fTail.empty()) return true;
  std::unique_ptr<TkcRegExpr> expr = CreateExpression();
  for (char32_t c : fHead + fTail)
    if (!expr->Next(c)) return false;
  return true;
}

void TkcMaskEditRegExprExMode::SkipForced() {
  fUpdate.clear();
  fExpr.SetUpdateOn(true);  // fills the forced run at this point into fUpdate
  const kcChars forced = fUpdate;
  fUpdate.clear();
  bool moved = false;
  for (char32_t c : forced) {
    if (!fTail.empty() && fTail.front() == c) {
      fTail.erase(0, 1);
    } else if (fTail.empty()) {
      fEdit->SendChar(c);
    } else {
      break;
    }
    fHead.push_back(c);
    moved = true;
  }
  if (moved) fEdit->SetSelection(static_cast<int>(fHead.size()), 0);
}

// An empty head and tail also resynchronise an empty text, so that the forced start is filled in.
void TkcMaskEditRegExprExMode::Synchronize() {
  const kcChars text = kcToChars(fEdit->GetEditText());
  if (!((fHead.empty() && fTail.empty()) || fMouseAction)) return;
  fMouseAction = false;
  fExpr.SetUpdateOn(false);
  SplitAtCaret(text);
  SkipForced();
}

bool TkcMaskEditRegExprExMode::PressHome(bool AShift) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  fTail = fHead + fTail;
  fHead.clear();
  fExpr.SetUpdateOn(false);
  fExpr.Reset();
  fEdit->SetSelection(0, 0);
  SkipForced();
  (void)AShift;
  return false;
}

void TkcMaskEditRegExprExMode::CompileMask(const String& AMask) {
  TkcMaskEditRegExprMode::CompileMask(AMask);
  fUpdate.clear();
}

String TkcMaskEditRegExprExMode::GetEmptyValueText() {
  if (!fExpr.IsCompiled()) return String();
  std::unique_ptr<TkcRegExpr> expr = CreateExpression();
  kcChars forced;
  expr->OnCharAppended = [&forced](char32_t c) { forced.push_back(c); };
  expr->SetUpdateOn(true);
  return kcFromChars(forced);
}

String TkcMaskEditRegExprExMode::FormatText(const String& AText, bool) {
  if (!fExpr.IsCompiled()) return AText;
  std::unique_ptr<TkcRegExpr> expr = CreateExpression();
  kcChars appended, result;
  expr->OnCharAppended = [&appended](char32_t c) { appended.push_back(c); };
  expr->SetUpdateOn(true);
  result = appended;
  for (char32_t c : kcToChars(AText)) {
    appended.clear();
    char32_t ch = c;
    if (!expr->Next(ch)) continue;
    result.push_back(ch);
    result += appended;
  }
  return kcFromChars(result);
}

bool TkcMaskEditRegExprExMode::IsTextValid(const String& AText) {
  if (AText == GetEmptyValueText()) return true;
  return TkcMaskEditRegExprMode::IsTextValid(AText);
}

bool TkcMaskEditRegExprExMode::PressSymbol(char32_t& ACh) {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  fUpdate.clear();
  fDeleteNumber = 0;
  CutSelection();
  char32_t c = ACh;
  if (!fExpr.Next(c)) {
    UndoCutSelection();
    DoBeep();
    return false;
  }
  const kcChars forced = fUpdate;
  fHead.push_back(c);
  fHead += forced;
  if (fCut) fEdit->SendKey(VK_DELETE);
  fSelect.clear();
  fCut = false;
  fEdit->SendChar(c);
  for (char32_t f : forced) fEdit->SendChar(f);
  fUpdate.clear();
  if (!TailFits()) DropTail();
  return false;
}

bool TkcMaskEditRegExprExMode::PressBackspace() {
  if (!fExpr.IsCompiled()) return true;
  Synchronize();
  if (fEdit->GetSelLength() > 0) return TkcMaskEditRegExprMode::PressBackspace();
  if (fHead.empty() || fExpr.IsStart() || kcFromChars(fHead) == GetEmptyValueText()) {
    DoBeep();  // the forced start stays
    return false;
  }
  fDeleteNumber = 0;
  fExpr.Prev();
  const int count = std::min(fDeleteNumber + 1, static_cast<int>(fHead.size()));
  fHead.erase(fHead.size() - static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) fEdit->SendChar(U'\b');
  if (!TailFits()) DropTail();
  return false;
}

void TkcMaskEditRegExprExMode::TextAssigned(const String& AText) {
  if (!fExpr.IsCompiled()) return;
  fExpr.SetUpdateOn(false);
  fExpr.Reset();
  fHead.clear();
  for (char32_t c : kcToChars(AText)) {
    char32_t ch = c;
    if (fExpr.Next(ch)) fHead.push_back(ch);
  }
  fUpdate.clear();
  fExpr.SetUpdateOn(true);
  fHead += fUpdate;
  fUpdate.clear();
  fTail.clear();
  ClipboardTextLength = 0;
}

void TkcMaskEditRegExprExMode::ApplyEmptyValue() {
  if (!fEdit || !fNeedUpdateEditValue) return;
  fNeedUpdateEditValue = false;
  fEdit->SetEditValue(Variant(GetEmptyValueText()));
}

std::unique_ptr<TkcMaskEditCustomMode> CreateMaskEditMode(TkcEditMaskKind AKind, IkcMaskEditHost* AEdit,
                                                          const TkcMaskModeSettings& ASettings) {
  switch (AKind) {
    case emkRegExpr: return std::make_unique<TkcMaskEditRegExprMode>(AEdit, ASettings);
    case emkRegExprEx: return std::make_unique<TkcMaskEditRegExprExMode>(AEdit, ASettings);
    default: return std::make_unique<TkcMaskEditStandardMode>(AEdit, ASettings);
  }
}
