#include "platform/forms/Mask.h"

#include "platform/core/Utf8.h"

void TCustomMaskEdit::SetEditMask(const String& v) {
  fEditMask = v;
  fSlots.clear();
  fSaveLiterals = true;
  // The mask is what comes before the first unescaped ';'.
  String mask = v;
  std::size_t cut = String::npos;
  for (std::size_t i = 0; i < v.size(); ++i) {
    if (v[i] == '\\') {
      ++i;
      continue;
    }
    if (v[i] == ';') {
      cut = i;
      break;
    }
  }
  if (cut != String::npos) {
    mask = v.substr(0, cut);
    String rest = v.substr(cut + 1);
    if (!rest.empty() && rest[0] == '0') fSaveLiterals = false;
  }
  std::vector<char32_t> chars = [&] {
    std::vector<char32_t> r;
    for (char32_t c : Utf8ToUcs4(mask)) r.push_back(c);
    return r;
  }();
  for (std::size_t i = 0; i < chars.size(); ++i) {
    char32_t c = chars[i];
    switch (c) {
      case '9':
      case '0':
      case '#':
      case 'L':
      case 'l':
      case 'A':
      case 'a':
      case 'C':
      case 'c': fSlots.push_back({static_cast<char>(c), 0}); break;
      case '>':
      case '<':
      case '!': break;  // case and alignment switches: not used here
      case '\\':
        if (i + 1 < chars.size()) fSlots.push_back({0, chars[++i]});
        break;
      default: fSlots.push_back({0, c});
    }
  }
  fMaxLength = fSlots.empty() ? 0 : static_cast<int>(fSlots.size());
  Invalidate();
}

bool TCustomMaskEdit::Accepts(const Slot& s, char32_t c) const {
  switch (s.kind) {
    case '9':
    case '0': return c >= '0' && c <= '9';
    case '#': return (c >= '0' && c <= '9') || c == '+' || c == '-';
    case 'L':
    case 'l': return IsUnicodeLetter(c);
    case 'A':
    case 'a': return IsUnicodeLetter(c) || IsUnicodeDigit(c);
    case 'C':
    case 'c': return c >= 32;
    default: return c == s.literal;
  }
}

String TCustomMaskEdit::GetText() {
  if (fSlots.empty() || fSaveLiterals) return fText;
  String out;
  std::size_t i = 0;
  for (char32_t c : Utf8ToUcs4(fText)) {
    if (i >= fSlots.size() || fSlots[i].kind != 0) Utf8Append(out, c);
    ++i;
  }
  return out;
}

void TCustomMaskEdit::Dispatch(TMessage& m) {
  if (m.Msg == WM_CHAR && !fSlots.empty()) {
    char32_t c = static_cast<char32_t>(m.WParam);
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    if (c >= 32 && !ctrl && !fReadOnly) {
      // Literals at the caret come first; then the character must fit its position.
      int pos = fSelStart;
      String add;
      while (pos < static_cast<int>(fSlots.size()) && fSlots[pos].kind == 0 && c != fSlots[pos].literal) {
        Utf8Append(add, fSlots[pos].literal);
        ++pos;
      }
      int remaining = static_cast<int>(fSlots.size()) - (CharCount() - (fSelEnd - fSelStart));
      if (pos >= static_cast<int>(fSlots.size()) || !Accepts(fSlots[pos], c) ||
          remaining < static_cast<int>(Utf8Length(add)) + 1) {
        MessageBeep(0);
        return;
      }
      Utf8Append(add, c);
      ReplaceSelection(add, true, true);
      return;
    }
  }
  TCustomEdit::Dispatch(m);
}
