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
