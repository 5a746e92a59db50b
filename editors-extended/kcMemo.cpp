#include "editors-extended/kcMemo.h"

TkcCustomMemoProperties::TkcCustomMemoProperties(TPersistent* AOwner) : TkcCustomTextEditProperties(AOwner) {
  SetAutoSelect(false);
  InnerAlignment()->SetVert(taTopJustify);
}

void TkcCustomMemoProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomMemoProperties*>(Source);
  if (!source) {
    TkcCustomTextEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomTextEditProperties::Assign(Source);
    SetScrollBars(source->ScrollBars());
    SetVisibleLineCount(source->VisibleLineCount());
    SetWantReturns(source->WantReturns());
    SetWantTabs(source->WantTabs());
    SetWordWrap(source->WordWrap());
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

WideString TkcCustomMemoProperties::GetDisplayText(const Variant& AEditValue, bool AFullText, bool AIsInplace) {
  WideString text = TkcCustomTextEditProperties::GetDisplayText(AEditValue, true, AIsInplace);
  if (AFullText) return text;
  // Count characters, not UTF-16 units, and never keep half a surrogate pair.
  std::size_t pos = 0;
  for (int count = 0; pos < text.size() && count < kcMemoShortTextLength; ++count) {
    if (text[pos] == u'\r' || text[pos] == u'\n') break;
    pos += (text[pos] >= 0xD800 && text[pos] <= 0xDBFF && pos + 1 < text.size()) ? 2 : 1;
  }
  text.resize(pos);
  return text;
}

bool TkcCustomMemoProperties::IsProviderFormatUsed(bool) {
  IkcEditDefaultValuesProvider* provider = DefaultValuesProvider();
  return !(provider && provider->IsBlobValue());
}

int TkcCustomMemoProperties::GetDrawTextFlags() {
  int flags = 0x440;
  switch (Alignment()->Horz()) {
    case taCenter: flags |= 1; break;
    case taRightJustify: flags |= 2; break;
    default: break;
  }
  if (fWordWrap && fScrollBars != ssHorizontal && fScrollBars != ssBoth)
    flags |= 0x24100;
  else
    flags |= 0x4000;
  return flags;
}
