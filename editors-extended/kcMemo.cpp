#include "editors-extended/kcMemo.h"

#include "platform/forms/Clipbrd.h"

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

TClass TkcCustomMemoProperties::GetContainerClass() { return TkcMemo::StaticClass(); }

String NormalizeMemoLineBreaks(const String& AText) {
  String out;
  out.reserve(AText.size() + AText.size() / 8);
  for (std::size_t i = 0; i < AText.size(); ++i) {
    const char c = AText[i];
    if (c == '\r' && i + 1 < AText.size() && AText[i + 1] == '\n') {
      out += "\r\n";
      ++i;
    } else if (c == '\r' || c == '\n') {
      out += "\r\n";
    } else {
      out += c;
    }
  }
  return out;
}

// ---- Inner memo -----------------------------------------------------------------------------

TkcCustomInnerMemo::TkcCustomInnerMemo(TComponent* AOwner)
    : TCustomMemo(AOwner), fContainer(dynamic_cast<TkcCustomMemo*>(AOwner)) {
  SetParentColor(true);
  SetParentFont(false);
  AutoSelect = false;
  SetCursor(crIBeam);
}

void TkcCustomInnerMemo::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style &= ~(WS_BORDER | WS_DLGFRAME | WS_THICKFRAME);
  p.ExStyle &= ~WS_EX_CLIENTEDGE;
}

void TkcCustomInnerMemo::KeyDown(WORD& Key, TShiftState Shift) {
  fKeyHandledByOwner = false;
  inherited::KeyDown(Key, Shift);
  if (Key != 0 && fContainer) fContainer->InnerKeyDown(Key, Shift);
  if (Key == 0) fKeyHandledByOwner = true;
}

void TkcCustomInnerMemo::KeyPress(char32_t& Key) {
  fKeyHandledByOwner = false;
  if (fContainer) {
    const TShiftState shift = GetKeyState(VK_CONTROL) < 0 ? TShiftState{ssCtrl} : TShiftState{};
    // A return or tab the memo does not want is not typed (the host ends editing or moves on).
    if ((Key == U'\r' || Key == U'\n') && !fContainer->IsMemoKeyWanted(VK_RETURN, shift)) Key = 0;
    if (Key == U'\t' && !fContainer->ActiveProperties()->WantTabs()) Key = 0;
    if (Key == U'\n') Key = U'\r';
  }
  if (Key == 0) return;
  inherited::KeyPress(Key);
  if (Key != 0 && fContainer) fContainer->InnerKeyPress(Key);
  if (Key == 0) fKeyHandledByOwner = true;
}

void TkcCustomInnerMemo::KeyUp(WORD& Key, TShiftState Shift) {
  if (Key == VK_TAB && fContainer && !fContainer->ActiveProperties()->WantTabs()) Key = 0;
  inherited::KeyUp(Key, Shift);
  if (Key != 0 && fContainer) fContainer->InnerKeyUp(Key, Shift);
}

void TkcCustomInnerMemo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseDown(Button, Shift, X, Y);
  if (fContainer) fContainer->InnerMouseDownAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerMemo::MouseMove(TShiftState Shift, int X, int Y) {
  inherited::MouseMove(Shift, X, Y);
  if (fContainer) fContainer->InnerMouseMoveAt(Shift, X + Left(), Y + Top());
}

void TkcCustomInnerMemo::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  inherited::MouseUp(Button, Shift, X, Y);
  if (fContainer) fContainer->InnerMouseUpAt(Button, Shift, X + Left(), Y + Top());
}

void TkcCustomInnerMemo::Change() {
  inherited::Change();
  if (fContainer) fContainer->ChangeHandler(this);
}

void TkcCustomInnerMemo::Dispatch(TMessage& m) {
  if (!fContainer) return inherited::Dispatch(m);
  if (ForwardInnerEditMessage(this, fContainer, m, [&] { inherited::Dispatch(m); })) return;
  switch (m.Msg) {
    case WM_GETDLGCODE: {
      inherited::Dispatch(m);
      // Ctrl+Enter is the memo's own line break when it does not want plain returns.
      const TShiftState shift = GetKeyState(VK_CONTROL) < 0 ? TShiftState{ssCtrl} : TShiftState{};
      if (fContainer->IsMemoKeyWanted(VK_RETURN, shift))
        m.Result |= DLGC_WANTALLKEYS;
      else
        m.Result &= ~static_cast<LRESULT>(DLGC_WANTALLKEYS);
      if (fContainer->ActiveProperties()->WantTabs() && !shift.Contains(ssCtrl))
        m.Result |= DLGC_WANTTAB;
      else
        m.Result &= ~static_cast<LRESULT>(DLGC_WANTTAB);
      return;
    }
    default: inherited::Dispatch(m);
  }
}

// ---- Memo -----------------------------------------------------------------------------------

void TkcCustomMemo::Initialize() {
  TkcCustomTextEdit::Initialize();
  SetBounds(Left(), Top(), 185, 89);
}

void TkcCustomMemo::AdjustInnerEditPosition() {
  TkcCustomInnerMemo* inner = InnerMemo();
  if (!inner || IsContainerDestroying() || !EditViewInfo()) return;
  const TRect r = EditViewInfo()->ClientRect;
  if (inner->BoundsRect() != r) inner->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

bool TkcCustomMemo::IsMemoKeyWanted(WORD Key, TShiftState Shift) {
  TkcCustomMemoProperties* p = ActiveProperties();
  if (Key == VK_RETURN) return p->WantReturns() != Shift.Contains(ssCtrl);
  if (Key == VK_TAB) return p->WantTabs();
  return false;
}

bool TkcCustomMemo::IsEditValueChangingKey(WORD Key, TShiftState Shift) {
  return TkcCustomTextEdit::IsEditValueChangingKey(Key, Shift) || IsMemoKeyWanted(Key, Shift);
}

bool TkcCustomMemo::IsEditValueChangingChar(char32_t Key) {
  if (Key == U'\r' || Key == U'\n' || Key == U'\t') {
    const TShiftState shift = GetKeyState(VK_CONTROL) < 0 ? TShiftState{ssCtrl} : TShiftState{};
    return IsMemoKeyWanted(Key == U'\t' ? VK_TAB : VK_RETURN, shift);
  }
  return TkcCustomTextEdit::IsEditValueChangingChar(Key);
}

void TkcCustomMemo::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  // A wanted Enter is a line break, not the end of editing; the arrows and pages move the
  // caret inside the memo rather than leaving it to the host.
  if (Key == VK_RETURN && IsMemoKeyWanted(Key, Shift)) {
    if (!DoEditing()) Key = 0;
    return;
  }
  TkcCustomEdit::DoEditKeyDown(Key, Shift);
  if (Key == 'A' && Shift.Contains(ssCtrl) && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt)) {
    if (Lines()->Count() == 0) return;
    SelectAll();
    DoAfterKeyDown(Key, Shift);
    Key = 0;
  }
}

void TkcCustomMemo::PasteFromClipboard() {
  if (IsReadOnly()) return;
  fUserChange = true;
  try {
    SetSelText(NormalizeMemoLineBreaks(Clipboard()->AsText()));
  } catch (...) {
    fUserChange = false;
    throw;
  }
  fUserChange = false;
}

void TkcCustomMemo::PropertiesChanged(TObject* Sender) {
  if (TkcCustomInnerMemo* inner = InnerMemo()) {
    TkcCustomMemoProperties* p = ActiveProperties();
    if (inner->ScrollBars() != p->ScrollBars()) {
      // The window is made again for the other scroll bars; the text stays.
      const String text = inner->Text();
      inner->SetScrollBars(p->ScrollBars());
      if (inner->Text() != text) inner->SetText(text);
    }
    inner->WantReturns = p->WantReturns();
    inner->WantTabs = p->WantTabs();
    const bool wrap = p->WordWrap() && p->ScrollBars() != ssHorizontal && p->ScrollBars() != ssBoth;
    if (inner->WordWrap != wrap) {
      inner->WordWrap = wrap;
      inner->Invalidate();
    }
  }
  TkcCustomTextEdit::PropertiesChanged(Sender);
}
