#include "editors-extended/kcHyperLinkEdit.h"

#include "controls/kcLocalize.h"
#include "platform/core/SysUtils.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Menus.h"
#include "platform/win/ShellApi.h"

TkcCustomHyperLinkEditProperties::TkcCustomHyperLinkEditProperties(TPersistent* AOwner)
    : TkcCustomTextEditProperties(AOwner), Prefix(DefaultPrefix()) {
  SetAutoSelect(false);
}

String TkcCustomHyperLinkEditProperties::DefaultPrefix() { return LocalizeText("http://"); }

void TkcCustomHyperLinkEditProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomHyperLinkEditProperties*>(Source);
  if (!source) return TkcCustomTextEditProperties::Assign(Source);
  BeginUpdate();
  try {
    TkcCustomTextEditProperties::Assign(Source);
    AutoComplete = source->AutoComplete;
    SetLinkColor(source->LinkColor());
    Prefix = source->Prefix;
    SetSingleClick(source->SingleClick());
    StartKey = source->StartKey;
    OnStartClick = source->OnStartClick;
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

String TkcCustomHyperLinkEditProperties::CompleteLink(const String& AText) {
  const String trimmed = Trim(AText);
  if (AutoComplete && !Prefix.empty() && !trimmed.empty() && trimmed.compare(0, Prefix.size(), Prefix) != 0)
    return Prefix + trimmed;
  return AText;
}

TClass TkcCustomHyperLinkEditProperties::GetContainerClass() { return TkcHyperLinkEdit::StaticClass(); }

int TkcCustomHyperLinkEditProperties::GetOperationSupport() {
  return TkcCustomTextEditProperties::GetOperationSupport() | (fSingleClick ? 1 : 0);
}

void TkcCustomHyperLinkEditProperties::ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError,
                                                            IkcEditHost* AEdit) {
  ADisplayValue = CompleteLink(VarToStr(ADisplayValue));
  TkcCustomTextEditProperties::ValidateDisplayValue(ADisplayValue, AErrorText, AError, AEdit);
}

TkcCustomEditViewData* TkcCustomHyperLinkEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                        bool APreviewMode) {
  auto* data = new TkcHyperLinkEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

// ---- Style and view data --------------------------------------------------------------------

TColor TkcHyperLinkStyle::GetTextColor() {
  auto* edit = dynamic_cast<TkcCustomHyperLinkEdit*>(GetContainer());
  return edit ? edit->ActiveProperties()->LinkColor() : clBlue;
}

TFontStyles TkcHyperLinkStyle::GetTextStyle() {
  TFontStyles style = TkcEditStyle::GetTextStyle();
  style.Include(fsUnderline);
  return style;
}

void TkcHyperLinkEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                         TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomTextEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  if (Edit) return;  // an editor's style already gives the link's look
  auto* info = static_cast<TkcHyperLinkEditViewInfo*>(AViewInfo);
  if (!info->LinkFont) info->LinkFont = std::make_unique<TFont>();
  if (info->Font) info->LinkFont->Assign(info->Font);
  TFontStyles style = info->LinkFont->Style();
  style.Include(fsUnderline);
  info->LinkFont->SetStyle(style);
  info->Font = info->LinkFont.get();
  // A selected cell keeps the selection's text colour.
  if (!info->IsHighlighted && TextColor == static_cast<TColor>(0x20000000))
    info->TextColor = static_cast<TkcCustomHyperLinkEditProperties*>(Properties)->LinkColor();
}

// ---- Edit control ---------------------------------------------------------------------------

void TkcCustomHyperLinkEdit::OpenLink() {
  bool handled = false;
  if (auto* own = static_cast<TkcCustomHyperLinkEditProperties*>(Properties()); own->OnStartClick) {
    own->OnStartClick(this);
    handled = true;
  }
  if (RepositoryItem()) {
    auto* p = static_cast<TkcCustomHyperLinkEditProperties*>(RepositoryItem()->Properties());
    if (p->OnStartClick) {
      p->OnStartClick(this);
      handled = true;
    }
  }
  if (handled) return;
  const String text = Text();
  if (Trim(text).empty()) return;
  // The text comes from data: a link that would start a program on this machine is not opened.
  const String link = ActiveProperties()->CompleteLink(text);
  if (IsShellLaunchTarget(link)) return;
  ShellExecute(HWND(), "OPEN", link, "", "", SW_SHOWMAXIMIZED);
}

void TkcCustomHyperLinkEdit::KeyDown(WORD& Key, TShiftState Shift) {
  const TShortCut sc = ShortCut(Key, Shift);
  if (sc != 0 && sc == ActiveProperties()->StartKey) {
    OpenLink();
    Key = 0;
    return;
  }
  TkcCustomTextEdit::KeyDown(Key, Shift);
}

void TkcCustomHyperLinkEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcCustomTextEdit::MouseDown(Button, Shift, X, Y);
  const POINT p{X, Y};
  if (Button == mbLeft && PtInRect(&ViewInfo()->ClientRect, p) && !ActiveProperties()->SingleClick() &&
      Shift.Contains(ssDouble))
    OpenLink();
}

void TkcCustomHyperLinkEdit::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TkcCustomTextEdit::MouseUp(Button, Shift, X, Y);
  const POINT p{X, Y};
  if (Button == mbLeft && PtInRect(&ViewInfo()->ClientRect, p) && ActiveProperties()->SingleClick() &&
      SelLength() == 0)
    OpenLink();
}

void TkcCustomHyperLinkEdit::SetLinkCursor(TCursor ACursor) {
  if (InnerEdit()) InnerEdit()->SetCursor(ACursor);
  SetCursor(ACursor);
  Screen->SetCursor(ACursor);
}

void TkcCustomHyperLinkEdit::ShowLinkCursor() {
  if (ActiveProperties()->SingleClick() && Cursor() == crDefault) {
    fSavedCursor = Cursor();
    SetLinkCursor(crHandPoint);
  }
}

void TkcCustomHyperLinkEdit::MouseEnter(TControl* AControl) {
  TkcCustomTextEdit::MouseEnter(AControl);
  ShowLinkCursor();
}

void TkcCustomHyperLinkEdit::ActivateByMouse(TShiftState Shift, int X, int Y, TkcCustomEditData*& AEditData) {
  if (IsInplace()) ShowLinkCursor();
  TkcCustomTextEdit::ActivateByMouse(Shift, X, Y, AEditData);
}

void TkcCustomHyperLinkEdit::MouseLeave(TControl* AControl) {
  TkcCustomTextEdit::MouseLeave(AControl);
  if (ActiveProperties()->SingleClick()) SetLinkCursor(fSavedCursor);
}

void TkcCustomHyperLinkEdit::PropertiesChanged(TObject* Sender) {
  TkcCustomTextEdit::PropertiesChanged(Sender);
  // The link colour lives in the properties: the text takes it again.
  ContainerStyleChanged(Style());
}

void TkcCustomHyperLinkEdit::SelectAll() {
  if (IsInplace() && ActiveProperties()->SingleClick()) return;
  TkcCustomTextEdit::SelectAll();
}
