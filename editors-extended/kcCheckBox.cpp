#include "editors-extended/kcCheckBox.h"

#include "controls/kcContainer.h"
#include "controls/kcLookAndFeel.h"
#include "controls/kcLookAndFeelPainters.h"
#include "data/kcDataUtils.h"
#include "editors/kcEditRepository.h"
#include "editors/kcEditUtils.h"
#include "platform/core/Utf8.h"
#include "platform/forms/ImgList.h"

TkcCustomCheckBoxProperties::TkcCustomCheckBoxProperties(TPersistent* AOwner)
    : TkcCustomEditProperties(AOwner),
      fDisplayChecked(Utf8ToWide(LocalizeText("True"))),
      fDisplayUnchecked(Utf8ToWide(LocalizeText("False"))) {}

TkcCustomCheckBoxProperties::~TkcCustomCheckBoxProperties() = default;

void TkcCustomCheckBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcCustomCheckBoxProperties*>(Source);
  if (!source) {
    TkcCustomEditProperties::Assign(Source);
    return;
  }
  BeginUpdate();
  try {
    TkcCustomEditProperties::Assign(Source);
    SetAllowGrayed(source->AllowGrayed());
    SetDisplayChecked(source->DisplayChecked());
    SetDisplayUnchecked(source->DisplayUnchecked());
    SetDisplayGrayed(source->DisplayGrayed());
    SetFullFocusRect(source->FullFocusRect());
    SetGlyph(source->fGlyph.get());
    SetGlyphCount(source->GlyphCount());
    SetMultiLine(source->MultiLine());
    SetNullStyle(source->NullStyle());
    SetUseAlignmentWhenInplace(source->UseAlignmentWhenInplace());
    // Copied as a whole: one by one through the setters, which refuse a value equal to one of
    // the current three, a swap of the checked and unchecked values would be lost.
    const Variant checked = source->ValueChecked(), unchecked = source->ValueUnchecked();
    const Variant grayed = source->ValueGrayed();
    fValueChecked = checked;
    fValueUnchecked = unchecked;
    fValueGrayed = grayed;
    Changed();
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TkcCustomCheckBoxProperties::SetCaption(const String& Value) {
  fCaptionAssigned = true;
  SetAndNotify(fCaption, Value);
}

TBitmap* TkcCustomCheckBoxProperties::GetGlyph() {
  if (!fGlyph) {
    fGlyph = std::make_unique<TBitmap>();
    fGlyph->OnChange = TNotifyEvent(this, &TkcCustomCheckBoxProperties::GlyphChanged);
  }
  return fGlyph.get();
}

void TkcCustomCheckBoxProperties::SetGlyph(TBitmap* Value) {
  if (!Value) {
    if (!fGlyph) return;
    fGlyph.reset();
    Changed();
    return;
  }
  GetGlyph()->Assign(Value);
}

void TkcCustomCheckBoxProperties::SetGlyphCount(int Value) {
  if (fGlyphCount == Value) return;
  fGlyphCount = Value;
  if (fGlyph) Changed();
}

bool TkcCustomCheckBoxProperties::IsValueOfOwn(const Variant& AValue) {
  return !VarEqualsWithType(AValue, fValueChecked) && !VarEqualsWithType(AValue, fValueUnchecked) &&
         !VarEqualsWithType(AValue, fValueGrayed);
}

void TkcCustomCheckBoxProperties::SetValueChecked(const Variant& Value) {
  if (VarIsNull(Value) || !IsValueOfOwn(Value)) return;
  fValueChecked = Value;
  Changed();
}

void TkcCustomCheckBoxProperties::SetValueUnchecked(const Variant& Value) {
  if (VarIsNull(Value) || !IsValueOfOwn(Value)) return;
  fValueUnchecked = Value;
  Changed();
}

void TkcCustomCheckBoxProperties::SetValueGrayed(const Variant& Value) {
  if (!IsValueOfOwn(Value)) return;
  fValueGrayed = Value;
  Changed();
}

TkcCheckBoxState TkcCustomCheckBoxProperties::GetState(const Variant& AEditValue) {
  if (VariantsEqual(AEditValue, fValueChecked)) return cbsChecked;
  if (VariantsEqual(AEditValue, fValueUnchecked)) return cbsUnchecked;
  return cbsGrayed;
}

TkcCheckBoxState TkcCustomCheckBoxProperties::NextState(TkcCheckBoxState AState) const {
  switch (AState) {
    case cbsUnchecked: return fAllowGrayed ? cbsGrayed : cbsChecked;
    case cbsChecked: return cbsUnchecked;
    default: return cbsChecked;
  }
}

bool TkcCustomCheckBoxProperties::CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) {
  return GetState(AEditValue1) == GetState(AEditValue2);
}

WideString TkcCustomCheckBoxProperties::GetDisplayText(const Variant& AEditValue, bool, bool) {
  switch (GetState(AEditValue)) {
    case cbsUnchecked: return fDisplayUnchecked;
    case cbsChecked: return fDisplayChecked;
    default: return fDisplayGrayed;
  }
}

int TkcCustomCheckBoxProperties::GetSpecialFeatures() {
  return TkcCustomEditProperties::GetSpecialFeatures() | (1 << 2);
}

bool TkcCustomCheckBoxProperties::IsEditValueValid(Variant& AEditValue, bool AEditFocused) {
  return TkcCustomEditProperties::IsEditValueValid(AEditValue, AEditFocused) && !IsValueOfOwn(AEditValue);
}

void TkcCustomCheckBoxProperties::EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool) {
  ADisplayValue = Variant(static_cast<int>(GetState(AEditValue)));
}

void TkcCustomCheckBoxProperties::DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue) {
  if (VarIsNull(ADisplayValue) || !VarIsOrdinal(ADisplayValue)) return;
  switch (ADisplayValue.AsInteger()) {
    case cbsUnchecked: AEditValue = fValueUnchecked; break;
    case cbsChecked: AEditValue = fValueChecked; break;
    case cbsGrayed: AEditValue = fValueGrayed; break;
    default: break;
  }
}

// ---- The check square ------------------------------------------------------------------------

TkcEditBorderStyle CheckBorderStyleByHotState(TkcEditBorderStyle AStyle, int AHotState) {
  if (AHotState != 2) return AStyle;
  switch (AStyle) {
    case ebsNone: return ebsFlat;
    case ebsSingle: return ebsThick;
    case ebsFlat: return ebs3D;
    default: return AStyle;
  }
}

int CalcCheckGlyphIndex(TkcCheckBoxState AState, TkcCheckButtonState AButtonState, int AGlyphCount) {
  int index = static_cast<int>(AState);
  if (AButtonState == kccbsPressed) index += 3;
  return index < AGlyphCount || index < 3 ? index : index % 3;
}

namespace {

bool IsGlyphUsable(TBitmap* AGlyph, int AGlyphCount) { return AGlyph && AGlyphCount > 0 && !AGlyph->Empty(); }

TkcContainerBorderStyle ContainerStyleOf(TkcEditBorderStyle AStyle) {
  return static_cast<TkcContainerBorderStyle>(AStyle);
}

// The mark of the system check box: where its checked image differs from its unchecked one.
HBITMAP CheckMarkMask() {
  static HBITMAP mask = [] {
    const TSize size = RootLookAndFeel()->Painter()->GetCheckBoxExtent();
    HBITMAP system = LoadBitmap(HINSTANCE(), OBM_CHECKBOXES);
    HDC src = CreateCompatibleDC(HDC());
    HBITMAP oldSrc = SelectObject(src, system);
    HBITMAP result = CreateBitmap(size.cx, size.cy, 1, 1, nullptr);
    HDC dst = CreateCompatibleDC(HDC());
    HBITMAP oldDst = SelectObject(dst, result);
    for (int y = 0; y < size.cy; ++y)
      for (int x = 0; x < size.cx; ++x)
        SetPixel(dst, x, y, GetPixel(src, x + size.cx, y) == GetPixel(src, x, y) ? 0xFFFFFF : 0);
    SelectObject(dst, oldDst);
    DeleteDC(dst);
    SelectObject(src, oldSrc);
    DeleteDC(src);
    DeleteObject(system);
    return result;
  }();
  return mask;
}

}  // namespace

TSize GetCheckAreaSize(TBitmap* AGlyph, int AGlyphCount) {
  if (IsGlyphUsable(AGlyph, AGlyphCount)) return TSize{AGlyph->Width() / AGlyphCount, AGlyph->Height()};
  return RootLookAndFeel()->Painter()->GetCheckBoxExtent();
}

void DrawCheckMarkByMask(TkcCanvas* ACanvas, const TRect& ARect, TColor AColor) {
  HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, ARect.left, ARect.top, ARect.right, ARect.bottom);
  HDC maskDC = CreateCompatibleDC(dc);
  HBITMAP old = SelectObject(maskDC, CheckMarkMask());
  const TSize size = RootLookAndFeel()->Painter()->GetCheckBoxExtent();
  HBRUSH brush = CreateSolidBrush(ColorToRGB(AColor));
  HBRUSH oldBrush = SelectObject(dc, brush);
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkColor(dc, RGB(255, 255, 255));
  BitBlt(dc, ARect.left - 2, ARect.top - 2, size.cx, size.cy, maskDC, 0, 0, 0xB8074A);
  SelectObject(dc, oldBrush);
  DeleteObject(brush);
  SelectObject(maskDC, old);
  DeleteDC(maskDC);
  RestoreDC(dc, saved);
}

void PaintCheckArea(TkcCanvas* ACanvas, const TRect& ACheckRect, TkcCheckBoxState AState,
                    TkcCheckButtonState AButtonState, TBitmap* AGlyph, int AGlyphCount, TkcEditBorderStyle ABorderStyle,
                    TColor ABorderColor, TColor ABackgroundColor, bool AIsBackgroundOpaque, bool AIsDesigning,
                    bool AIsFocused, TkcCheckBoxNullValueShowingStyle ANullStyle) {
  if (!AIsBackgroundOpaque) ABackgroundColor = clNone;
  if (AState == cbsGrayed && ANullStyle == nssUnchecked) AState = cbsUnchecked;
  const bool disabled = AButtonState == kccbsDisabled;

  if (IsGlyphUsable(AGlyph, AGlyphCount)) {
    const int imageWidth = AGlyph->Width() / AGlyphCount;
    const int w = ACheckRect.right - ACheckRect.left, h = ACheckRect.bottom - ACheckRect.top;
    TBitmap piece(w, h);
    const int index = CalcCheckGlyphIndex(AState, AButtonState, AGlyphCount);
    BitBlt(piece.Canvas()->Handle(), 0, 0, w, h, AGlyph->Canvas()->Handle(), index * imageWidth,
           (AGlyph->Height() - h) / 2, SRCCOPY);
    if (ABackgroundColor != clNone) ACanvas->FillRect(ACheckRect, ABackgroundColor);
    // Drawn by the glyph's transparent colour, greyed when disabled, as an image list draws.
    TCustomImageList list(nullptr);
    list.SetWidth(w);
    list.SetHeight(h);
    list.AddMasked(&piece, AGlyph->TransparentColor());
    list.Draw(ACanvas->Canvas(), ACheckRect.left, ACheckRect.top, 0, !disabled);
    return;
  }

  TRect r = ACheckRect;
  const int w = 2 - GetContainerBorderWidth(ContainerStyleOf(ABorderStyle));
  if (AIsBackgroundOpaque && w > 0) {
    ACanvas->FrameRect(r, ABackgroundColor, w);
    InflateRect(&r, -w, -w);
  }
  switch (ABorderStyle) {
    case ebsSingle: ACanvas->FrameRect(r, ABorderColor, 1); break;
    case ebsThick: ACanvas->FrameRect(r, ABorderColor, 2); break;
    case ebsFlat:
      ACanvas->DrawEdge(r, true, true);
      InflateRect(&r, -1, -1);
      ACanvas->FrameRect(r, clBtnFace, 1);
      break;
    case ebs3D:
      ACanvas->DrawEdge(r, true, true);
      InflateRect(&r, -1, -1);
      ACanvas->DrawTwoColorFrame(r, cl3DDkShadow, cl3DLight, kcAllBorders);
      break;
    case ebsUltraFlat:
    case ebsOffice11: {
      const bool office11 = ABorderStyle == ebsOffice11;
      TColor color = clBtnShadow;
      if (office11 && AButtonState == kccbsNormal && !AIsDesigning && !AIsFocused)
        color = clBtnText;
      else if (AButtonState == kccbsHot || AButtonState == kccbsPressed || (AIsDesigning && !disabled) ||
               (AButtonState == kccbsNormal && AIsFocused))
        color = GetHighlightBorderColor(office11);
      ACanvas->FrameRect(r, color, 1);
      break;
    }
    default: break;
  }

  TRect mark = ACheckRect;
  InflateRect(&mark, -2, -2);
  if (ABorderStyle == ebsUltraFlat || ABorderStyle == ebsOffice11) {
    const bool office11 = ABorderStyle == ebsOffice11;
    TColor fill = clWindow;
    if (disabled)
      fill = clBtnFace;
    else if (AButtonState == kccbsHot || AButtonState == kccbsPressed)
      fill = GetFlatButtonColor(AButtonState == kccbsPressed, office11);
    else if (AState == cbsGrayed && ANullStyle == nssInactive)
      fill = clBtnFace;
    ACanvas->FillRect(mark, fill);
    const bool markShown = AState == cbsChecked || (AState == cbsGrayed && ANullStyle == nssGrayedChecked);
    if (markShown) DrawCheckMarkByMask(ACanvas, mark, disabled || AState == cbsGrayed ? clBtnShadow : clBtnText);
    return;
  }
  UINT flags = DFCS_BUTTONCHECK;
  if (disabled) {
    flags |= DFCS_BUTTON3STATE | DFCS_PUSHED;
    flags |=
        AState == cbsChecked || (AState == cbsGrayed && ANullStyle == nssGrayedChecked) ? DFCS_CHECKED : DFCS_INACTIVE;
  } else {
    if (AState == cbsChecked) flags |= DFCS_CHECKED;
    if (AState == cbsGrayed) flags |= DFCS_BUTTON3STATE | (ANullStyle == nssInactive ? DFCS_INACTIVE : DFCS_CHECKED);
    if (AButtonState == kccbsPressed) flags |= DFCS_PUSHED;
  }
  if (ABorderStyle != ebs3D) flags |= DFCS_FLAT;
  HDC dc = ACanvas->Handle();
  const int saved = SaveDC(dc);
  IntersectClipRect(dc, mark.left, mark.top, mark.right, mark.bottom);
  TRect frame = ACheckRect;
  DrawFrameControl(dc, &frame, DFC_BUTTON, flags);
  RestoreDC(dc, saved);
}

// ---- The check box control ---------------------------------------------------------------------

#include "controls/kcControlUtils.h"
#include "platform/forms/Forms.h"

TClass TkcCustomCheckBoxProperties::GetContainerClass() { return TkcCheckBox::StaticClass(); }

TkcCustomEditViewData* TkcCustomCheckBoxProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                                   bool APreviewMode) {
  auto* data = new TkcCustomCheckBoxViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}

void TkcCustomCheckBoxViewInfo::OffsetBounds(int DX, int DY) {
  TkcCustomTextEditViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&CheckRect, DX, DY);
  if (!IsRectEmpty(&FocusRect)) OffsetRect(&FocusRect, DX, DY);
}

void TkcCustomCheckBoxViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  if (!Transparent) ACanvas->FillRect(Bounds, BackgroundColor);
  PaintCheckArea(ACanvas, CheckRect, State, CheckButtonState, IsGlyphUsable ? Glyph : nullptr, GlyphCount,
                 CheckBorderStyle, clBtnText, BackgroundColor, !Transparent, IsDesigning, Focused, NullStyle);
  if (Alignment != taCenter && !Text.empty() && !IsRectEmpty(&TextRect)) {
    if (Font) ACanvas->SetFont(Font);
    ACanvas->Font()->SetColor(TextColor);
    ACanvas->Brush()->SetStyle(bsClear);
    // Embossed only when nothing chose the disabled colour.
    ACanvas->DrawText(Text, TextRect, static_cast<int>(TextFlags), Enabled || IsTextColorAssigned);
    ACanvas->Brush()->SetStyle(bsSolid);
  }
  if (!IsRectEmpty(&FocusRect)) ACanvas->DrawFocusRect(FocusRect);
}

int TkcCustomCheckBoxViewData::GetCaptionTextFlags(TAlignment ASquareAlignment) {
  int flags = ASquareAlignment == taCenter ? kctfHCenter : kctfLeft;
  flags |= kctfShowPrefix;
  const bool multiLine = CheckProperties()->MultiLine();
  flags |= multiLine ? (kctfWordBreak | kctfNoClip) : kctfSingleLine;
  flags |= multiLine && !IsInplace ? kctfTop : kctfVCenter;
  return flags;
}

void TkcCustomCheckBoxViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                          TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  TkcCustomEditViewData::Calculate(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  auto* info = static_cast<TkcCustomCheckBoxViewInfo*>(AViewInfo);
  TkcCustomCheckBoxProperties* p = CheckProperties();
  const bool captionInplace = p->IsCaptionShownInplace();
  info->Text = Caption;
  info->IsDesigning = IsDesigning;
  info->Alignment = IsInplace && !captionInplace && !p->UseAlignmentWhenInplace() && Caption.empty()
                        ? taCenter
                        : p->Alignment()->Horz();
  info->CheckBorderStyle = CheckBorderStyleByHotState(Style->EditBorderStyle(), AViewInfo->HotTrackValue);
  info->Glyph = p->HasGlyph() ? p->GetGlyph() : nullptr;
  info->GlyphCount = p->GlyphCount();
  info->NullStyle = p->NullStyle();
  info->IsGlyphUsable = info->Glyph && info->GlyphCount > 0 && !info->Glyph->Empty();
  info->CheckBorderOffset =
      info->IsGlyphUsable ? 0 : 2 - GetContainerBorderWidth(static_cast<TkcContainerBorderStyle>(info->CheckBorderStyle));
  info->TextFlags = static_cast<unsigned>(GetCaptionTextFlags(info->Alignment));

  TRect text = info->ClientRect, square = info->ClientRect;
  if (IsInplace) {
    if (info->Alignment == taLeftJustify) {
      text.right -= 2;
      if (!captionInplace) square.left += 2;
    } else if (info->Alignment == taRightJustify) {
      text.left += 2;
      if (!captionInplace) square.right -= 2;
    }
    const TRect offsets = GetContentDefaultOffsets();
    text.top += offsets.top;
    text.bottom -= offsets.bottom;
  } else {
    InflateRect(&text, -2, -2);
    if (!captionInplace) --text.top;
    InflateRect(&square, -2, -2);
  }
  const TSize size = GetCheckAreaSize(info->Glyph, info->GlyphCount);
  if (size.cy < square.bottom - square.top) {
    square.top += (square.bottom - square.top - size.cy) / 2;
    square.bottom = square.top + size.cy;
  }
  if (size.cx < square.right - square.left) {
    switch (info->Alignment) {
      case taCenter:
        square.left += (square.right - square.left - size.cx) / 2;
        square.right = square.left + size.cx;
        break;
      case taLeftJustify:
        square.right = square.left + size.cx;
        text.left = square.right + 3;
        break;
      default:
        square.left = square.right - size.cx;
        text.right = square.left - 3 - (IsInplace && captionInplace ? 1 : 0);
        break;
    }
  } else {
    text.right = text.left;
  }
  ++text.right;
  ++text.bottom;
  info->CheckRect = square;
  info->TextRect = text;

  if (!Enabled)
    info->CheckButtonState = kccbsDisabled;
  else if (KeyHeld)
    info->CheckButtonState = kccbsPressed;
  else if (!IsDesigning && PtInRect(&info->BorderRect, P)) {
    const bool anyButton = AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
    const bool leftOnly = AShift.Contains(ssLeft) && !AShift.Contains(ssRight) && !AShift.Contains(ssMiddle);
    if (!anyButton)
      info->CheckButtonState = kccbsHot;
    else if (leftOnly && (AIsMouseEvent || WasPressed))
      info->CheckButtonState = kccbsPressed;
    else
      info->CheckButtonState = kccbsNormal;
  } else {
    info->CheckButtonState = kccbsNormal;
  }
  info->IsTextColorAssigned = Style->IsValueAssigned(csvTextColor);
  if (!Enabled && !info->IsTextColorAssigned) info->TextColor = clBtnShadow;
  CalculateFocusRect(ACanvas, info);
}

void TkcCustomCheckBoxViewData::CalculateFocusRect(TkcCanvas* ACanvas, TkcCustomCheckBoxViewInfo* AViewInfo) {
  AViewInfo->FocusRect = TRect{};
  const bool captionShown = !IsInplace || CheckProperties()->IsCaptionShownInplace();
  const bool centred = AViewInfo->Alignment == taCenter;
  if (!Focused || (centred ? captionShown : !captionShown)) return;
  TRect r;
  if (centred) {
    r = AViewInfo->ClientRect;
    InflateRect(&r, -1, -1);
    r.top = std::max(r.top, AViewInfo->ClientRect.top);
    r.bottom = std::min(r.bottom, AViewInfo->ClientRect.bottom);
  } else {
    if (AViewInfo->Text.empty() || IsRectEmpty(&AViewInfo->TextRect)) return;
    r = AViewInfo->TextRect;
    if (!CheckProperties()->FullFocusRect() && ACanvas) {
      if (AViewInfo->Font) ACanvas->SetFont(AViewInfo->Font);
      ACanvas->CalculateTextRect(AViewInfo->Text, r, static_cast<int>(AViewInfo->TextFlags));
    }
    InflateRect(&r, 1, 1);
    TRect limit = AViewInfo->TextRect;
    InflateRect(&limit, 1, 1);
    if (IsInplace) {
      limit.top += 2;
      limit.bottom -= 2;
    }
    limit.right = std::min(limit.right, AViewInfo->BorderRect.right - 1);
    IntersectRect(&r, &r, &limit);
  }
  AViewInfo->FocusRect = r;
}

void TkcCustomCheckBoxViewData::FillViewInfoValue(TkcCustomCheckBoxViewInfo* AViewInfo, const Variant& AEditValue) {
  AViewInfo->State = PreviewMode ? cbsChecked : CheckProperties()->GetState(AEditValue);
  if (IsInplace && !CheckProperties()->IsCaptionShownInplace()) AViewInfo->Text.clear();
}

TSize TkcCustomCheckBoxViewData::GetContentSize(TkcCanvas* ACanvas, const Variant&, const TkcEditSizeProperties&) {
  TSize size = GetCheckAreaSize(CheckProperties()->HasGlyph() ? CheckProperties()->GetGlyph() : nullptr,
                                CheckProperties()->GlyphCount());
  const String text = StripHotkeyPrefix(Caption);
  if (!text.empty() && ACanvas) {
    size.cx += 5 + ACanvas->TextWidth(text);
    size.cy = std::max<int>(size.cy, ACanvas->TextHeight(text));
  }
  size.cx += 4;
  size.cy += 4;
  return size;
}

// ---- Control ---------------------------------------------------------------------------------

void TkcCustomCheckBox::Initialize() {
  TkcCustomEdit::Initialize();
  SetWidth(121);
  SetParentColor(true);
  Variant value;
  ActiveProperties()->DisplayValueToEditValue(Variant(static_cast<int>(cbsUnchecked)), value);
  SetEditValue(value);
}

void TkcCustomCheckBox::CreateParams(TCreateParams& Params) {
  TkcCustomEdit::CreateParams(Params);
  // A fast second click toggles again instead of becoming a double click.
  Params.WindowClass.style &= ~CS_DBLCLKS;
}

void TkcCustomCheckBox::CalculateViewInfo(const TPoint& P, bool AHotAllowed) {
  if (!Properties() || !ViewInfo()) return TkcContainer::CalculateViewInfo(P, AHotAllowed);
  std::unique_ptr<TkcCustomEditViewData> base(GetEffectiveProperties()->CreateViewData(EditStyle(), IsInplace()));
  auto* data = static_cast<TkcCustomCheckBoxViewData*>(base.get());
  data->Edit = this;
  data->Enabled = Enabled();
  data->Focused = Focused();
  data->Caption = Caption();
  data->KeyHeld = fKeyHeld;
  data->IsDesigning = IsDesigning();
  data->WasPressed = CheckViewInfo()->CheckButtonState == kccbsPressed;
  TkcScreenCanvas canvas;
  data->Calculate(&canvas, TRect{0, 0, Width(), Height()}, P, fShift, EditViewInfo(), fIsMouseEvent);
  data->FillViewInfoValue(CheckViewInfo(), EditValue());
  if (HandleAllocated()) ::InvalidateRect(Handle(), nullptr, FALSE);
}

bool TkcCustomCheckBox::UpdateContainerState(const TPoint& P, int AButton, TShiftState AShift, bool AIsMouseEvent) {
  const TkcCheckButtonState before = CheckViewInfo()->CheckButtonState;
  fShift = AShift;
  fIsMouseEvent = AIsMouseEvent && AButton != 0;
  TkcObjectLinkScope link(this);
  const bool result = TkcContainer::UpdateContainerState(P, AButton, AShift, AIsMouseEvent);
  fIsMouseEvent = false;
  if (!link.Alive()) return result;
  // Released over the control: the square goes from pressed to hot.
  if (AIsMouseEvent && !fKeyHeld && before == kccbsPressed && CheckViewInfo()->CheckButtonState == kccbsHot) Toggle();
  return result;
}

void TkcCustomCheckBox::SetState(TkcCheckBoxState Value) {
  if (ComponentState().Contains(csLoading)) {
    Variant value = EditValue();
    ActiveProperties()->DisplayValueToEditValue(Variant(static_cast<int>(Value)), value);
    SetStoredEditValue(value);
    return;
  }
  if (Value == State()) return;
  Variant value = EditValue();
  ActiveProperties()->DisplayValueToEditValue(Variant(static_cast<int>(Value)), value);
  SetInternalEditValue(value);
}

void TkcCustomCheckBox::SynchronizeDisplayValue() {
  const TkcCheckBoxState state = State();
  if (fStateKnown && state == fShownState) return;
  const bool report = fStateKnown;
  fStateKnown = true;
  fShownState = state;
  CheckViewInfo()->State = state;
  InvalidateCheck();
  if (!report || ComponentState().Contains(csLoading) || IsDestroying()) return;
  TkcObjectLinkScope link(this);
  Click();
  if (link.Alive()) DoChange();
}

void TkcCustomCheckBox::Toggle() {
  LockChangeEvents(true);
  fUserChange = true;
  try {
    SetState(ActiveProperties()->NextState(State()));
  } catch (...) {
    fUserChange = false;
    LockChangeEvents(false);
    throw;
  }
  fUserChange = false;
  LockChangeEvents(false);
  if (ActiveProperties()->ImmediatePost && CanPostEditValue() && ValidateEdit(true)) PostEditValue(false);
}

void TkcCustomCheckBox::PropertiesChanged(TObject* Sender) {
  if (IsDestroying()) return;
  TkcCustomCheckBoxProperties* p = Properties();
  if (p->IsCaptionAssigned()) {
    p->ClearCaptionAssigned();
    SetCaption(p->Caption());
  }
  TkcCustomEdit::PropertiesChanged(Sender);
}

void TkcCustomCheckBox::InvalidateCheck() {
  if (!HandleAllocated()) return;
  TRect r = CheckViewInfo()->CheckRect;
  ::InvalidateRect(Handle(), &r, FALSE);
}

void TkcCustomCheckBox::DoEditKeyDown(WORD& Key, TShiftState Shift) {
  TkcCustomEdit::DoEditKeyDown(Key, Shift);
  if (Key != VK_SPACE) return;
  const TkcCheckButtonState s = CheckViewInfo()->CheckButtonState;
  if (s == kccbsNormal || s == kccbsHot) {
    fKeyHeld = true;
    UpdateStateFromCursor(false);
    Key = 0;
  }
}

void TkcCustomCheckBox::DoEditKeyPress(char32_t& Key) {
  TkcCustomEdit::DoEditKeyPress(Key);
  if (Key == U' ' && IsInplace() && CheckViewInfo()->CheckButtonState == kccbsNormal) {
    Toggle();
    Key = 0;
  }
}

void TkcCustomCheckBox::DoEditKeyUp(WORD& Key, TShiftState Shift) {
  TkcCustomEdit::DoEditKeyUp(Key, Shift);
  if (Key != VK_SPACE || !fKeyHeld) return;
  fKeyHeld = false;
  TkcObjectLinkScope link(this);
  UpdateStateFromCursor(false);
  if (link.Alive()) Toggle();
}

void TkcCustomCheckBox::DoExit() {
  if (fKeyHeld) {
    fKeyHeld = false;
    UpdateStateFromCursor(false);
  }
  TkcCustomEdit::DoExit();
}

bool IsCaptionAccelerator(char32_t AKey, const String& ACaption) {
  auto lower = [](char32_t c) { return c < 0x80 ? static_cast<char32_t>(std::tolower(static_cast<int>(c))) : c; };
  for (std::size_t i = 0; i + 1 < ACaption.size(); ++i) {
    if (ACaption[i] != '&') continue;
    if (ACaption[i + 1] == '&') {
      ++i;
      continue;
    }
    return AKey != 0 && lower(AKey) == lower(static_cast<unsigned char>(ACaption[i + 1]));
  }
  return false;
}

void TkcCustomCheckBox::Dispatch(TMessage& Message) {
  if (Message.Msg == CM_DIALOGCHAR) {
    if (IsCaptionAccelerator(static_cast<char32_t>(Message.WParam), Caption()) && CanFocus()) {
      SetFocus();
      if (Focused()) Toggle();
      Message.Result = 1;
      return;
    }
  }
  if (Message.Msg == WM_LBUTTONUP) {
    // The state change raises Click; the framework's click on release would be a second one.
    TControlState state = ControlState();
    state.Exclude(csClicked);
    SetControlState(state);
  }
  if (Message.Msg == CM_TEXTCHANGED) {
    TkcCustomEdit::Dispatch(Message);
    UpdateStateFromCursor(false);
    return;
  }
  TkcCustomEdit::Dispatch(Message);
}
