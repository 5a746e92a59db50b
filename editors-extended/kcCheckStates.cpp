#include "editors-extended/kcCheckStates.h"

#include <algorithm>
#include <cmath>

#include "platform/core/Utf8.h"

namespace {

// A decimal number of at least one digit at APos, at most 2147483647.
bool ReadNumber(const String& S, std::size_t& APos, int& AResult) {
  std::int64_t n = 0;
  const std::size_t start = APos;
  while (APos < S.size() && S[APos] >= '0' && S[APos] <= '9') {
    n = n * 10 + (S[APos] - '0');
    if (n > 2147483647) return false;
    ++APos;
  }
  AResult = static_cast<int>(n);
  return APos > start;
}

struct TCaptionEntry {
  String Text;
  bool Checked;
  bool Used = false;
};

bool DecodeCaptions(const String& S, IkcCheckItemCaptions* AItems, TkcCheckStates& AStates) {
  std::vector<TCaptionEntry> entries;
  bool checked = false;
  std::size_t pos = 0;
  while (pos < S.size()) {
    if (S[pos] == ';') {
      if (checked) return false;
      checked = true;
      ++pos;
      continue;
    }
    int length;
    if (!ReadNumber(S, pos, length) || pos >= S.size() || S[pos] != ':') return false;
    ++pos;
    // The length counts characters of the caption.
    std::size_t end = pos;
    for (int k = 0; k < length; ++k) {
      if (end >= S.size()) return false;
      end = Utf8Next(S, end);
    }
    entries.push_back({S.substr(pos, end - pos), checked});
    pos = end;
  }
  std::stable_sort(entries.begin(), entries.end(),
                   [](const TCaptionEntry& a, const TCaptionEntry& b) { return a.Text < b.Text; });
  for (int i = 0; i < static_cast<int>(AStates.size()); ++i) {
    const String caption = AItems->GetCaption(i);
    for (TCaptionEntry& e : entries)
      if (!e.Used && AnsiSameText(e.Text, caption)) {
        e.Used = true;
        AStates[static_cast<std::size_t>(i)] = e.Checked ? cbsChecked : cbsGrayed;
        break;
      }
  }
  return std::all_of(entries.begin(), entries.end(), [](const TCaptionEntry& e) { return e.Used; });
}

bool DecodeIndices(const String& S, TkcCheckStates& AStates) {
  bool checked = false;
  bool needNumber = false;
  std::size_t pos = 0;
  while (pos < S.size()) {
    if (S[pos] == ';') {
      if (checked) return false;
      checked = true;
      needNumber = true;
      ++pos;
      continue;
    }
    int index;
    if (!ReadNumber(S, pos, index) || index >= static_cast<int>(AStates.size())) return false;
    needNumber = false;
    AStates[static_cast<std::size_t>(index)] = checked ? cbsChecked : cbsGrayed;
    if (pos < S.size() && S[pos] == ',') ++pos;
  }
  return !needNumber;
}

}  // namespace

Variant EncodeCheckStates(const TkcCheckStates& AStates, IkcCheckItemCaptions* AItems,
                          TkcCheckStatesValueFormat AFormat) {
  const int count = static_cast<int>(AStates.size());
  switch (AFormat) {
    case cvfCaptions:
    case cvfIndices: {
      String grayed, checked;
      for (int i = 0; i < count; ++i) {
        const TkcCheckBoxState s = AStates[static_cast<std::size_t>(i)];
        if (s == cbsUnchecked) continue;
        String& list = s == cbsChecked ? checked : grayed;
        if (AFormat == cvfCaptions) {
          const String caption = AItems->GetCaption(i);
          list += std::to_string(Utf8Length(caption)) + ":" + caption;
        } else {
          if (!list.empty()) list += ",";
          list += std::to_string(i);
        }
      }
      return Variant(checked.empty() ? grayed : grayed + ";" + checked);
    }
    case cvfInteger: {
      std::uint64_t bits = 0;
      for (int i = 0; i < std::min(count, 64); ++i)
        if (AStates[static_cast<std::size_t>(i)] == cbsChecked) bits |= std::uint64_t(1) << i;
      return Variant::FromInt64(static_cast<std::int64_t>(bits));
    }
    default: {
      String text;
      for (TkcCheckBoxState s : AStates) text += static_cast<char>('0' + s);
      return Variant(text);
    }
  }
}

bool DecodeCheckStates(const Variant& AValue, IkcCheckItemCaptions* AItems, TkcCheckStatesValueFormat AFormat,
                       TkcCheckStates& AStates) {
  AStates.assign(static_cast<std::size_t>(std::max(0, AItems->GetCount())), cbsUnchecked);
  bool valid = false;
  const bool isNull = VarIsNull(AValue);
  switch (AFormat) {
    case cvfCaptions: valid = isNull || (VarIsStr(AValue) && DecodeCaptions(VarToStr(AValue), AItems, AStates)); break;
    case cvfIndices: valid = isNull || (VarIsStr(AValue) && DecodeIndices(VarToStr(AValue), AStates)); break;
    case cvfInteger: {
      std::int64_t bits = 0;
      if (isNull)
        valid = true;
      else if (VarIsStr(AValue))
        valid = TryStrToInt64(VarToStr(AValue), bits);
      else if (VarIsNumeric(AValue) || VarType(AValue) == varDate) {
        try {
          bits = AValue.AsInt64();
          valid = true;
        } catch (const EVariantError&) {
          valid = false;
        }
      }
      if (valid)
        for (std::size_t i = 0; i < std::min<std::size_t>(AStates.size(), 64); ++i)
          AStates[i] = (static_cast<std::uint64_t>(bits) >> i) & 1 ? cbsChecked : cbsUnchecked;
      break;
    }
    default:
      if (isNull) {
        valid = true;
      } else if (VarIsStr(AValue)) {
        const String text = VarToStr(AValue);
        valid = true;
        for (std::size_t i = 0; i < std::min(text.size(), AStates.size()) && valid; ++i) {
          if (text[i] < '0' || text[i] > '2')
            valid = false;
          else
            AStates[i] = static_cast<TkcCheckBoxState>(text[i] - '0');
        }
      }
      break;
  }
  if (!valid) std::fill(AStates.begin(), AStates.end(), cbsUnchecked);
  return valid;
}

bool IsEmptyValue(const Variant& AValue) { return VarIsNull(AValue) || VarIsEmpty(AValue); }

bool IsIntegerText(const String& AText) {
  const String text = Trim(AText);
  int value;
  return !text.empty() && TryStrToInt(text, value);
}

bool IsFloatText(const String& AText) {
  const String text = Trim(AText);
  if (text.empty()) return false;
  const char separator = FormatSettings.DecimalSeparator;
  int separators = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c >= '0' && c <= '9') continue;
    if (c == '-' && i == 0) continue;
    if (c == separator && ++separators == 1) continue;
    return false;
  }
  double value;
  return TryStrToFloat(text, value) && std::fabs(value) <= 1.7E308;
}
