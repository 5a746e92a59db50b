#include "editors/kcStandardMask.h"

namespace {

bool IsAsciiLetter(char32_t c) { return (c >= U'A' && c <= U'Z') || (c >= U'a' && c <= U'z'); }
bool IsAsciiDigit(char32_t c) { return c >= U'0' && c <= U'9'; }

}  // namespace

bool TkcStandardMaskManyItem::Check(char32_t& Ch) const {
  bool result = Accepts(Ch);
  if (CaseControl == ccUpper)
    Ch = kcUpperChar(Ch);
  else if (CaseControl == ccLower)
    Ch = kcLowerChar(Ch);
  return result;
}

bool TkcStandardMaskAlphaItem::Accepts(char32_t Ch) const { return IsAsciiLetter(Ch); }

bool TkcStandardMaskAlphaNumericItem::Accepts(char32_t Ch) const { return IsAsciiLetter(Ch) || IsAsciiDigit(Ch); }

bool TkcStandardMaskNumericSymbolItem::Accepts(char32_t Ch) const {
  return IsAsciiDigit(Ch) || Ch == U'+' || Ch == U'-';
}

void TkcStandardMask::Clear() {
  fMask.clear();
  fLeading = false;
  fSaveLiteralCharacters = true;
  fBlank = U'_';
  fItems.clear();
}

void TkcStandardMask::SetMask(const String& AMask) {
  Clear();
  fMask = AMask;
  kcChars m = kcToChars(AMask);
  if (!m.empty() && m[0] == U'!') {
    fLeading = true;
    m.erase(0, 1);
  }
  Parse(m);
}

void TkcStandardMask::Parse(const kcChars& M) {
  uint8_t caseControl = TkcStandardMaskManyItem::ccUnchanged;
  auto literal = [&](char32_t c) { fItems.push_back(std::make_unique<TkcStandardMaskLiteralItem>(c)); };
  auto many = [&](auto* item) { fItems.emplace_back(item); };
  size_t n = M.size();
  for (size_t i = 0; i < n; ++i) {
    char32_t c = M[i];
    switch (c) {
      case U'>': caseControl = TkcStandardMaskManyItem::ccUpper; break;
      case U'<':
        if (i + 1 < n && M[i + 1] == U'>') {
          caseControl = TkcStandardMaskManyItem::ccUnchanged;
          ++i;
        } else {
          caseControl = TkcStandardMaskManyItem::ccLower;
        }
        break;
      case U'\\':
        if (i + 1 < n) literal(M[++i]);
        break;
      case U'L': many(new TkcStandardMaskAlphaItem(caseControl, false)); break;
      case U'l': many(new TkcStandardMaskAlphaItem(caseControl, true)); break;
      case U'A': many(new TkcStandardMaskAlphaNumericItem(caseControl, false)); break;
      case U'a': many(new TkcStandardMaskAlphaNumericItem(caseControl, true)); break;
      case U'C': many(new TkcStandardMaskASCIIItem(caseControl, false)); break;
      case U'c': many(new TkcStandardMaskASCIIItem(caseControl, true)); break;
      case U'0': many(new TkcStandardMaskNumericItem(caseControl, false)); break;
      case U'9': many(new TkcStandardMaskNumericItem(caseControl, true)); break;
      case U'#': many(new TkcStandardMaskNumericSymbolItem(caseControl)); break;
      case U'/': literal(kcDateSeparator()); break;
      case U':': literal(kcTimeSeparator()); break;
      case U';': {
        bool flag = i + 1 < n && (M[i + 1] == U'0' || M[i + 1] == U'1');
        if (flag && i + 2 == n) {
          fSaveLiteralCharacters = M[i + 1] != U'0';
          return;
        }
        if (flag && i + 4 == n && M[i + 2] == U';') {
          fSaveLiteralCharacters = M[i + 1] != U'0';
          fBlank = M[i + 3];
          return;
        }
        literal(c);
        break;
      }
      default: literal(c); break;
    }
  }
}

bool TkcStandardMask::IsMany(size_t i) const {
  return dynamic_cast<const TkcStandardMaskManyItem*>(fItems[i].get()) != nullptr;
}

String TkcStandardMask::GetEmptyText() const {
  kcChars r;
  for (const auto& item : fItems) {
    auto* lit = dynamic_cast<const TkcStandardMaskLiteralItem*>(item.get());
    r.push_back(lit ? lit->Literal : fBlank);
  }
  return kcFromChars(r);
}

String TkcStandardMask::GetEmptyValue() const {
  kcChars r;
  for (const auto& item : fItems) {
    auto* lit = dynamic_cast<const TkcStandardMaskLiteralItem*>(item.get());
    if (!lit)
      r.push_back(U' ');
    else if (fSaveLiteralCharacters)
      r.push_back(lit->Literal);
  }
  return kcFromChars(r);
}

void TkcStandardMask::FitText(String& Text, bool UseConvertedChar, bool LiteralsInText) const {
  kcChars result = kcToChars(GetEmptyText());
  kcChars text = kcToChars(Text);
  const long count = long(fItems.size());
  const long step = fLeading ? -1 : 1;
  long pos = fLeading ? count - 1 : 0;
  const bool keepLiterals = fSaveLiteralCharacters || LiteralsInText;
  const long n = long(text.size());
  for (long k = 0; k < n; ++k) {
    const char32_t c = text[size_t(fLeading ? n - 1 - k : k)];
    for (long p = pos; p >= 0 && p < count; p += step) {
      const bool many = IsMany(size_t(p));
      if (!many && !keepLiterals) continue;
      char32_t converted = c;
      if (fItems[size_t(p)]->Check(converted)) {
        result[size_t(p)] = UseConvertedChar ? converted : c;
        pos = p + step;
        break;
      }
      if (many && (c == fBlank || c == U' ')) {
        pos = p + step;
        break;
      }
    }
  }
  Text = kcFromChars(result);
}

void TkcStandardMask::ExtractValue(String& Text) const {
  kcChars text = kcToChars(Text);
  kcChars value;
  size_t n = std::min(text.size(), fItems.size());
  for (size_t i = 0; i < n; ++i) {
    if (IsMany(i))
      value.push_back(text[i] == fBlank ? U' ' : text[i]);
    else if (fSaveLiteralCharacters)
      value.push_back(text[i]);
  }
  Text = kcFromChars(value);
}

bool TkcStandardMask::IsFullyValid(String& Text) const {
  kcChars text = kcToChars(Text);
  if (text.size() != fItems.size()) return false;
  bool valid = true;
  for (size_t i = 0; i < text.size() && valid; ++i) {
    char32_t c = text[i];
    if (fItems[i]->Check(c)) {
      text[i] = c;
      continue;
    }
    auto* many = dynamic_cast<const TkcStandardMaskManyItem*>(fItems[i].get());
    valid = many && many->Optional && (text[i] == fBlank || text[i] == U' ');
  }
  Text = kcFromChars(text);
  return valid;
}
