#include "editors/kcEditViewInfo.h"

#include <algorithm>

namespace {

constexpr TColor kColorNotSet = static_cast<TColor>(0x20000000);

TRect Deflate(const TRect& R, const TRect& AExtent) {
  return TRect{R.left + AExtent.left, R.top + AExtent.top, R.right - AExtent.right, R.bottom - AExtent.bottom};
}

bool HoldsMouseButton(TShiftState AShift) {
  return AShift.Contains(ssLeft) || AShift.Contains(ssRight) || AShift.Contains(ssMiddle);
}

}  // namespace

int GetEditBorderWidth(TkcEditBorderStyle AStyle) {
  static constexpr int widths[] = {0, 1, 2, 2, 2, 1, 1};
  return widths[AStyle];
}

// ---- View info -------------------------------------------------------------------------------

bool TkcCustomEditViewInfo::IsHotTrack() const {
  return std::any_of(ButtonsInfo.begin(), ButtonsInfo.end(),
                     [](const auto& b) { return b->Data.State == ebsSelected; });
}

int TkcCustomEditViewInfo::ButtonAt(POINT P) const {
  for (std::size_t i = 0; i < ButtonsInfo.size(); ++i)
    if (PtInRect(&ButtonsInfo[i]->Bounds, P)) return static_cast<int>(i);
  return -1;
}

namespace {

TRect Shrunk(TRect R, int ADX, int ADY) {
  InflateRect(&R, -ADX, -ADY);
  return R;
}

void DrawButtonContent(TkcCanvas* ACanvas, const TkcEditButtonViewInfo& AButton, TRect R, TColor AFace, TColor AText,
                       TFont* AFont, bool AFillFace = true) {
  const TkcEditButtonViewInfoData& d = AButton.Data;
  const bool pressed = d.State == ebsPressed, disabled = d.State == ebsDisabled;
  const bool glyph = d.Kind == bkGlyph && AButton.Glyph && !AButton.Glyph->Empty();
  if (AFillFace && !glyph && !d.Transparent) ACanvas->FillRect(R, AFace);
  const int shift = pressed ? 1 : 0;
  // Disabled marks are drawn twice: highlight one pixel down and right, then shadow.
  auto twice = [&](auto draw) {
    if (disabled) {
      draw(1, clBtnHighlight);
      draw(0, clBtnShadow);
    } else {
      draw(0, AText);
    }
  };
  switch (d.Kind) {
    case bkEllipsis: {
      const int dot = GetEllipsisDotSize(R.right - R.left);
      const int width = 3 * dot + 2 * 2;
      const int x = R.left + (R.right - R.left - width) / 2 + shift;
      const int y = R.top + (R.bottom - R.top - dot) / 2 + shift;
      twice([&](int o, TColor c) {
        for (int i = 0; i < 3; ++i) {
          const int left = x + i * (dot + 2) + o;
          ACanvas->FillRect(TRect{left, y + o, left + dot, y + o + dot}, c);
        }
      });
      break;
    }
    case bkDown: {
      const TSize size = CalcArrowSize(
          TSize{AButton.Bounds.right - AButton.Bounds.left, AButton.Bounds.bottom - AButton.Bounds.top}, adDown);
      twice([&](int o, TColor c) {
        DrawArrows(
            ACanvas, size,
            TRect{AButton.Bounds.left + o, AButton.Bounds.top + o, AButton.Bounds.right + o, AButton.Bounds.bottom + o},
            c, pressed, false, adDown);
      });
      break;
    }
    case bkGlyph:
      if (glyph) {
        TBitmap* g = AButton.Glyph;
        const int x = R.left + (R.right - R.left - g->Width()) / 2 + shift;
        const int y = R.top + (R.bottom - R.top - g->Height()) / 2 + shift;
        if (AFillFace && !d.Transparent) ACanvas->FillRect(R, AFace);
        ACanvas->DrawGlyph(x, y, g, !disabled, AFace);
      }
      break;
    case bkText:
      if (!d.VisibleCaption.empty()) {
        if (AFont) ACanvas->SetFont(AFont);
        const TRect text = Shrunk(R, 1, d.IsInplace ? 0 : 1);
        twice([&](int o, TColor c) {
          ACanvas->Font()->SetColor(c);
          TRect t = text;
          OffsetRect(&t, o + shift, o + shift);
          ACanvas->DrawText(d.VisibleCaption, t, kctfHCenter | kctfVCenter | kctfSingleLine);
        });
      }
      break;
  }
}

}  // namespace

void TkcCustomEditViewInfo::DrawButton(TkcCanvas* ACanvas, int AButtonVisibleIndex) {
  TkcEditButtonViewInfo& b = *ButtonsInfo[static_cast<std::size_t>(AButtonVisibleIndex)];
  if (IsRectEmpty(&b.VisibleBounds)) return;
  TkcEditButtonViewInfoData& d = b.Data;
  const bool pressed = d.State == ebsPressed, hot = d.State == ebsSelected, disabled = d.State == ebsDisabled;
  TRect r = b.Bounds;
  TColor face = d.Transparent ? d.BackgroundColor : clBtnFace;
  TColor text = d.TextColor == static_cast<TColor>(0x20000000) ? TextColor : d.TextColor;
  // Clipped to what shows of it where it crosses the border.
  const bool crossesBorder = b.VisibleBounds != b.Bounds;
  const int saved = crossesBorder ? SaveDC(ACanvas->Handle()) : 0;
  if (crossesBorder) ACanvas->IntersectClipRect(b.VisibleBounds);
  struct Restore {
    HDC dc;
    int saved;
    ~Restore() {
      if (saved) RestoreDC(dc, saved);
    }
  } restore{ACanvas->Handle(), saved};
  if (d.NativePart != 0) {
    // The theme draws the frame (and a combo drop-down button's arrow); a push button's
    // content goes inside the theme's content rect.
    HTHEME theme = GetThemeHandle(d.ComboBoxStyle ? totComboBox : totButton);
    DrawThemeBackground(theme, ACanvas->Handle(), d.NativePart, d.NativeState, &b.Bounds, &b.VisibleBounds);
    if (d.ComboBoxStyle) return;
    RECT content = b.Bounds;
    GetThemeBackgroundContentRect(theme, ACanvas->Handle(), d.NativePart, d.NativeState, &b.Bounds, &content);
    return DrawButtonContent(ACanvas, b, content, face, text, Font, false);
  }
  TkcEditButtonStyle style = d.Style;
  if (style == btsSimple && (pressed || hot)) style = btsFlat;
  switch (style) {
    case bts3D:
      if (pressed) {
        ACanvas->FrameRect(r, clBtnShadow);
        r = Shrunk(r, 1, 1);
        ACanvas->FrameRect(r, face);
      } else {
        ACanvas->DrawTwoColorFrame(r, cl3DLight, cl3DDkShadow, kcAllBorders);
        r = Shrunk(r, 1, 1);
        ACanvas->DrawTwoColorFrame(r, clBtnHighlight, clBtnShadow, kcAllBorders);
      }
      r = Shrunk(r, 1, 1);
      break;
    case btsFlat:
      ACanvas->FrameRect(r, face, 1, TkcBorders{bLeft, bRight});
      r = Shrunk(r, 1, 0);
      ACanvas->DrawTwoColorFrame(r, pressed ? clBtnShadow : clBtnHighlight, pressed ? clBtnHighlight : clBtnShadow,
                                 kcAllBorders);
      r = Shrunk(r, 1, 1);
      break;
    case btsSimple:
      if (!d.Transparent) ACanvas->FrameRect(r, face);
      r = Shrunk(r, 1, 1);
      break;
    case btsHotFlat: {
      if (!d.Transparent) face = disabled ? clBtnFace : pressed ? clBtnText : hot ? clBtnShadow : clBtnFace;
      // The button next to the text area gets a whole ring; the others leave the side towards the text.
      const bool nextToText = d.LeftAlignment ? d.Rightmost : d.Leftmost;
      if (nextToText) {
        ACanvas->FrameRect(r, clBtnShadow);
      } else {
        ACanvas->FrameRect(r, clBtnShadow, 1,
                           d.LeftAlignment ? TkcBorders{bLeft, bTop, bBottom} : TkcBorders{bTop, bRight, bBottom});
        ACanvas->FrameRect(r, face, 1, d.LeftAlignment ? TkcBorders{bRight} : TkcBorders{bLeft});
      }
      r = Shrunk(r, 1, 1);
      text = (disabled || !(pressed || hot)) ? clBtnText : (d.Transparent && hot) ? clBtnShadow : clWindow;
      break;
    }
    case btsUltraFlat:
    case btsOffice11: {
      const bool office = style == btsOffice11;
      if (!d.Transparent) face = (disabled || !(pressed || hot)) ? clBtnFace : GetFlatButtonColor(pressed, office);
      if (disabled || !(pressed || hot)) {
        if (!Transparent) ACanvas->FrameRect(r, d.BackgroundColor);
      } else {
        ACanvas->FrameRect(r, GetHighlightBorderColor(office));
      }
      r = Shrunk(r, 1, 1);
      r = Shrunk(r, 1, 0);
      if (office && d.Gradient && !d.Transparent && !disabled) {
        // A vertical gradient over the button's column, the border's height (one pixel
        // shorter at each end while normal), shown inside the frame.
        TColor top, bottom;
        GetOffice11ButtonGradient(d.State, top, bottom);
        const int inset = (pressed || hot) ? 0 : 1;
        const TRect column{b.Bounds.left, BorderRect.top + inset, b.Bounds.right, BorderRect.bottom - inset};
        const int inner = SaveDC(ACanvas->Handle());
        ACanvas->IntersectClipRect(r);
        FillGradientRect(ACanvas->Handle(), column, top, bottom, false);
        RestoreDC(ACanvas->Handle(), inner);
        return DrawButtonContent(ACanvas, b, r, face, text, Font, false);
      }
      break;
    }
    default: break;
  }
  DrawButtonContent(ACanvas, b, r, face, text, Font);
}

void TkcCustomEditViewInfo::DrawButtons(TkcCanvas* ACanvas) {
  for (int i = 0; i < static_cast<int>(ButtonsInfo.size()); ++i) DrawButton(ACanvas, i);
}

void TkcCustomEditViewInfo::DrawBackground(TkcCanvas* ACanvas) {
  const HDC dc = ACanvas->Handle();
  // The buttons paint over their own rects, unless the theme shows what lies beneath them.
  const int saved = SaveDC(dc);
  if (ButtonsInfo.empty() || !ButtonsInfo[0]->Data.BackgroundPartiallyTransparent)
    for (const auto& b : ButtonsInfo) ACanvas->ExcludeClipRect(b->VisibleBounds);
  if (NativeStyle)
    DrawNativeBackground(ACanvas);
  else
    DrawPlainBackground(ACanvas);
  RestoreDC(dc, saved);
  DrawButtons(ACanvas);
}

void TkcCustomEditViewInfo::DrawNativeBackground(TkcCanvas* ACanvas) {
  HTHEME theme = GetThemeHandle(totEdit);
  if (IsInplace || EditBorderStyle == ebsNone || !theme) {
    if (!Transparent) ACanvas->FillRect(Bounds, BackgroundColor);
    return;
  }
  // The edit theme's frame, its content left to the background colour.
  const HDC dc = ACanvas->Handle();
  RECT content = Bounds;
  GetThemeBackgroundContentRect(theme, dc, 1, NativeState, &Bounds, &content);
  const int saved = SaveDC(dc);
  ACanvas->ExcludeClipRect(content);
  DrawThemeBackground(theme, dc, 1, NativeState, &Bounds, &Bounds);
  RestoreDC(dc, saved);
  if (!Transparent) ACanvas->FillRect(content, BackgroundColor);
}

void TkcCustomEditViewInfo::DrawPlainBackground(TkcCanvas* ACanvas) {
  TRect outer = Bounds;
  if (Shadow) {
    outer.right -= 3;
    outer.bottom -= 3;
    PaintContainerShadow(ACanvas, outer);
  }
  switch (EditBorderStyle) {
    case ebsSingle:
    case ebsThick: ACanvas->FrameRect(outer, BorderColor, GetEditBorderWidth(EditBorderStyle), Edges); break;
    case ebsFlat:
      ACanvas->DrawEdge(outer, true, false, Edges);
      ACanvas->FrameRect(Shrunk(outer, 1, 1), clBtnFace, 1, Edges);
      break;
    case ebs3D:
      ACanvas->DrawEdge(outer, true, false, Edges);
      ACanvas->DrawTwoColorFrame(Shrunk(outer, 1, 1), cl3DDkShadow, cl3DLight, Edges);
      break;
    default: break;
  }
  if (!Transparent) ACanvas->FillRect(BorderRect, BackgroundColor);
}

void TkcCustomEditViewInfo::OffsetBounds(int DX, int DY) {
  TkcContainerViewInfo::OffsetBounds(DX, DY);
  OffsetRect(&InnerEditRect, DX, DY);
  for (auto& b : ButtonsInfo) {
    OffsetRect(&b->Bounds, DX, DY);
    OffsetRect(&b->VisibleBounds, DX, DY);
  }
}

// ---- View data -------------------------------------------------------------------------------

TkcCustomEditViewData::TkcCustomEditViewData(TkcCustomEditProperties* AProperties, TkcCustomEditStyle* AStyle,
                                             bool AIsInplace)
    : Properties(AProperties), Style(AStyle), IsInplace(AIsInplace) {}

bool TkcCustomEditViewData::IsNativeStyle() {
  return Style && Style->LookAndFeel()->NativeStyle() && AreThemesAvailable();
}

bool TkcCustomEditViewData::HasShadow() { return Style && Style->Shadow() && !IsNativeStyle(); }

TRect TkcCustomEditViewData::GetContentDefaultOffsets() { return IsInplace ? TRect{1, 1, 1, 1} : TRect{1, 1, 1, 3}; }

TkcEditBorderStyle TkcCustomEditViewData::GetBorderStyle() {
  if (IsInplace) return ebsNone;
  const TkcEditBorderStyle style = Style->EditBorderStyle();
  return (style == ebsUltraFlat || style == ebsOffice11) ? ebsSingle : style;
}

TRect TkcCustomEditViewData::GetBorderExtent() {
  if (IsInplace) return InplaceBorderExtent;
  TRect extent{};
  auto* base = static_cast<TkcCustomEditStyle*>(Style->GetBaseStyle());
  if (Style->TransparentBorder()) {
    extent = TRect{2, 2, 2, 2};
  } else if (!Style->HasBorder() || (IsNativeStyle() && base->EditBorderStyle() == ebsNone)) {
    extent = TRect{};
  } else if (IsNativeStyle()) {
    extent = TRect{2, 2, 2, 2};
  } else {
    const int width = GetEditBorderWidth(GetBorderStyle());
    const TkcBorders edges = Style->Edges();
    extent = TRect{edges.Contains(bLeft) ? width : 0, edges.Contains(bTop) ? width : 0,
                   edges.Contains(bRight) ? width : 0, edges.Contains(bBottom) ? width : 0};
  }
  if (HasShadow()) {
    extent.right += 3;
    extent.bottom += 3;
  }
  return extent;
}

TRect TkcCustomEditViewData::GetFrameExtent() {
  if (IsInplace) return InplaceBorderExtent;
  if (!IsNativeStyle()) return GetBorderExtent();
  auto* base = static_cast<TkcCustomEditStyle*>(Style->GetBaseStyle());
  if (base->EditBorderStyle() == ebsNone && !Style->TransparentBorder()) return TRect{};
  if (base->EditBorderStyle() != ebsNone && GetThemeHandle(totEdit)) return GetThemeContentMargins(totEdit, 1, 1);
  return TRect{2, 2, 2, 2};
}

TRect TkcCustomEditViewData::GetClientExtent(TkcCustomEditViewInfo* AViewInfo) {
  TRect extent = GetBorderExtent();
  if (ButtonsViewKind() == bvkButtonsOnly && !AViewInfo->ButtonsInfo.empty()) {
    const TRect frame = GetFrameExtent();
    extent.left = frame.left;
    extent.right = frame.right;
  }
  const TRect& bounds = AViewInfo->Bounds;
  for (const auto& b : AViewInfo->ButtonsInfo) {
    if (IsRectEmpty(&b->Bounds)) continue;
    if (b->Data.LeftAlignment)
      extent.left = std::max<LONG>(extent.left, b->Bounds.right - bounds.left);
    else
      extent.right = std::max<LONG>(extent.right, bounds.right - b->Bounds.left);
  }
  return extent;
}

TColor TkcCustomEditViewData::GetBorderColor(TkcCustomEditViewInfo* AViewInfo) {
  const TkcEditBorderStyle style = Style->EditBorderStyle();
  if (style != ebsUltraFlat && style != ebsOffice11) return Style->BorderColor();
  const bool hot = AViewInfo->ContainerState.Contains(csHotTrack) && Style->HotTrack();
  if (Focused || hot) return GetHighlightBorderColor(style == ebsOffice11);
  return clBtnShadow;
}

TkcEditButtonStyle TkcCustomEditViewData::GetButtonPaintStyle() {
  const TkcEditButtonStyle style = Style->ButtonStyle();
  if (style != btsDefault) return style;
  if (IsInplace) {
    switch (Style->LookAndFeel()->Kind()) {
      case lfFlat: return btsFlat;
      case lfStandard: return bts3D;
      case lfUltraFlat: return btsUltraFlat;
      default: return btsOffice11;
    }
  }
  static constexpr TkcEditButtonStyle byBorder[] = {btsSimple, btsHotFlat,   bts3D,      btsFlat,
                                                    bts3D,     btsUltraFlat, btsOffice11};
  return byBorder[Style->EditBorderStyle()];
}

TkcEditPopupBorderStyle TkcCustomEditViewData::GetPopupBorderStyle() {
  const TkcEditPopupBorderStyle style = Style->PopupBorderStyle();
  if (style != epbsDefault) return style;
  if (IsInplace)
    return Style->LookAndFeel()->Kind() == lfFlat       ? epbsFlat
           : Style->LookAndFeel()->Kind() == lfStandard ? epbsFrame3D
                                                        : epbsSingle;
  const TkcEditBorderStyle border = Style->EditBorderStyle();
  return (border == ebsNone || border == ebsFlat) ? epbsFlat : epbsSingle;
}

bool TkcCustomEditViewData::StretchesButtons() const {
  const TkcEditButtonsViewKind kind = Properties->ButtonsViewKind();
  return IsInplace ? kind != bvkNormal : kind == bvkButtonsOnly;
}

void TkcCustomEditViewData::Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                      TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) {
  AShift.Exclude(ssShift);
  AShift.Exclude(ssAlt);
  AShift.Exclude(ssCtrl);
  // The container state: disabled, else focused or normal, and hot under the mouse.
  TkcContainerState state;
  if (!Enabled) {
    state.Include(csDisabled);
  } else {
    state.Include(Focused ? csActive : csNormal);
    const TRect area = Deflate(ABounds, IsInplace ? InplaceBorderExtent : TRect{});
    if (PtInRect(&area, P) && (!HoldsMouseButton(AShift) || (Edit && Edit->IsEditMouseCaptured())))
      state.Include(csHotTrack);
  }
  AViewInfo->ContainerState = state;
  AViewInfo->HotTrackValue = 0;
  if (Style->HotTrack() && !IsInplace)
    AViewInfo->HotTrackValue =
        fHasPreviousState && (fPreviousState.Contains(csActive) || fPreviousState.Contains(csHotTrack)) ? 2 : 1;
  fPreviousState = state;
  fHasPreviousState = true;

  const bool native = IsNativeStyle();
  AViewInfo->EditBorderStyle = (IsInplace || !native)
                                   ? GetBorderStyle()
                                   : static_cast<TkcCustomEditStyle*>(Style->GetBaseStyle())->EditBorderStyle();
  AViewInfo->Bounds = ABounds;
  AViewInfo->Enabled = Enabled;
  AViewInfo->Focused = Focused;
  AViewInfo->IsInplace = IsInplace;
  AViewInfo->Edges = Style->Edges();
  AViewInfo->Font = Style->GetVisibleFont();
  AViewInfo->Shadow = !IsInplace && HasShadow();
  AViewInfo->NativeStyle = native;
  if (native) {
    // The edit theme's state: read-only, focused, hot, normal or disabled.
    const bool readOnly = Properties->ReadOnly();
    AViewInfo->NativeState = !Enabled                              ? 4
                             : readOnly                            ? 6
                             : Focused                             ? 5
                             : state.Contains(csHotTrack)          ? 2
                                                                   : 1;
  }
  AViewInfo->BorderRect = Deflate(ABounds, GetBorderExtent());
  if (!IsInplace) AViewInfo->BorderColor = GetBorderColor(AViewInfo);
  AViewInfo->TextColor = TextColor != kColorNotSet ? TextColor : Style->TextColor();
  AViewInfo->BackgroundColor = BackgroundColor != kColorNotSet ? BackgroundColor : Style->Color();
  CalculateButtonsViewInfo(ACanvas, ABounds, P, AShift, AViewInfo, AIsMouseEvent);
  AViewInfo->ClientRect = Deflate(ABounds, GetClientExtent(AViewInfo));
  AViewInfo->InnerEditRect = AViewInfo->ClientRect;
  AViewInfo->PopupBorderStyle = GetPopupBorderStyle();
}

void TkcCustomEditViewData::CalculateButtonsViewInfo(TkcCanvas* ACanvas, const TRect& ABounds, POINT P,
                                                     TShiftState AShift, TkcCustomEditViewInfo* AViewInfo,
                                                     bool AIsMouseEvent) {
  TkcEditButtons* buttons = Properties->Buttons();
  const int visibleCount = buttons->VisibleCount();
  const TkcEditButtonTransparency transparency = Style->ButtonTransparency();
  const bool hot = AViewInfo->ContainerState.Contains(csHotTrack);
  // The pressed button of the previous calculation stays pressed while the left button is held.
  const int prevPressed = AIsMouseEvent ? AViewInfo->PressedButton : -1;
  std::vector<TkcEditButtonState> prevStates;
  for (const auto& b : AViewInfo->ButtonsInfo) prevStates.push_back(b->Data.State);
  AViewInfo->ButtonsInfo.clear();
  AViewInfo->PressedButton = AViewInfo->HotButton = -1;
  if (visibleCount == 0 || (!Focused && transparency == ebtHideInactive) ||
      (!Focused && !hot && transparency == ebtHideUnselected))
    return;
  AViewInfo->ButtonsInfo.resize(static_cast<std::size_t>(visibleCount));
  const TkcEditButtonStyle paintStyle = GetButtonPaintStyle();
  TRect area = Deflate(ABounds, GetFrameExtent());
  int leftOuter = -1, leftInner = -1, rightOuter = -1, rightInner = -1;
  int visible = visibleCount;
  for (int i = buttons->Count() - 1; i >= 0; --i) {
    TkcEditButton* button = buttons->Items(i);
    if (!button->Visible()) continue;
    --visible;
    auto info = std::make_unique<TkcEditButtonViewInfo>();
    TkcEditButtonViewInfoData& d = info->Data;
    d.Kind = button->Kind();
    d.Caption = button->Caption();
    d.VisibleCaption = button->VisibleCaption();
    d.TextColor = button->TextColor();
    d.Default = button->Default();
    d.IsInplace = IsInplace;
    d.LeftAlignment = button->LeftAlignment();
    d.Style = paintStyle;
    d.ComboBoxStyle = visibleCount == 1 && button->Kind() == bkDown;
    d.BackgroundColor = AViewInfo->BackgroundColor;
    d.Gradient = Style->GradientButtons();
    d.NativeStyle = IsNativeStyle();
    info->Glyph = button->HasGlyph() ? button->Glyph() : nullptr;
    info->Index = i;
    info->Stretchable = button->Stretchable();
    info->Width = button->Width();
    const int areaWidth = std::max<int>(0, area.right - area.left);
    const int width = std::min(CalcEditButtonWidth(ACanvas, info.get()), areaWidth);
    if (areaWidth == 0 || width == 0) {
      info->Bounds = TRect{};
    } else if (d.LeftAlignment) {
      info->Bounds = TRect{area.left, area.top, area.left + width, area.bottom};
      area.left += width;
      if (leftOuter < 0) leftOuter = visible;
      leftInner = visible;
    } else {
      info->Bounds = TRect{area.right - width, area.top, area.right, area.bottom};
      area.right -= width;
      if (rightOuter < 0) rightOuter = visible;
      rightInner = visible;
    }
    info->VisibleBounds = info->Bounds;
    AViewInfo->ButtonsInfo[static_cast<std::size_t>(visible)] = std::move(info);
  }
  const bool stretch = StretchesButtons() && area.right - area.left > 0;
  if (stretch) StretchButtons(AViewInfo, area.right - area.left);

  const int captured = Edit ? Edit->GetCapturedButtonIndex() : -1;
  const bool designing = Edit && Edit->IsEditDesigning();
  const TShiftState leftOnly{ssLeft}, leftDouble{ssLeft, ssDouble};
  const bool leftHeld = AShift == leftOnly || AShift == leftDouble;
  for (int v = 0; v < visibleCount; ++v) {
    TkcEditButtonViewInfo* info = AViewInfo->ButtonsInfo[static_cast<std::size_t>(v)].get();
    TkcEditButton* button = buttons->Items(info->Index);
    const bool over = !designing && PtInRect(&info->Bounds, P);
    const bool wasNormal = static_cast<std::size_t>(v) < prevStates.size() &&
                           prevStates[static_cast<std::size_t>(v)] == ebsNormal;
    TkcEditButtonState s = ebsNormal;
    if (!Enabled || !button->Enabled()) {
      s = ebsDisabled;
    } else if (IsButtonPressed(AViewInfo, v)) {
      s = ebsPressed;
    } else if (over) {
      const bool leftPress = AIsMouseEvent && Button == 1;
      if (leftHeld && ((leftPress && CanPressButton(AViewInfo, v)) || prevPressed == v))
        s = ebsPressed;
      // A drag back onto the button held under the capture presses it again.
      else if (leftHeld && AIsMouseEvent && Button == 0 && captured == v && wasNormal && CanPressButton(AViewInfo, v))
        s = ebsPressed;
      else if (!HoldsMouseButton(AShift))
        s = ebsSelected;
    }
    info->Data.State = s;
    CalculateButtonNativeInfo(info);
    if (s == ebsPressed) AViewInfo->PressedButton = v;
    if (s == ebsSelected) AViewInfo->HotButton = v;
    const bool selected = s == ebsPressed || s == ebsSelected;
    info->Data.Transparent = transparency == ebtAlways || (transparency == ebtInactive && !selected);
  }

  // Edge flags: the outermost buttons of each side, and the innermost towards the text.
  auto at = [&](int v) { return AViewInfo->ButtonsInfo[static_cast<std::size_t>(v)].get(); };
  if (leftOuter >= 0) at(leftOuter)->Data.Leftmost = true;
  if (rightOuter >= 0) at(rightOuter)->Data.Rightmost = true;
  const bool bothSides = leftOuter >= 0 && rightOuter >= 0;
  if (!(stretch && bothSides)) {
    if (leftInner >= 0) at(leftInner)->Data.Rightmost = true;
    if (rightInner >= 0) at(rightInner)->Data.Leftmost = true;
  }
  if (stretch)
    for (auto& b : AViewInfo->ButtonsInfo) b->Data.LeftAlignment = false;
}

void TkcCustomEditViewData::StretchButtons(TkcCustomEditViewInfo* AViewInfo, int AFree) {
  auto& infos = AViewInfo->ButtonsInfo;
  const bool anyStretchable = std::any_of(infos.begin(), infos.end(), [](const auto& b) { return b->Stretchable; });
  auto takes = [&](const TkcEditButtonViewInfo& b) { return !anyStretchable || b.Stretchable; };
  long long sum = 0;
  int lowest = -1;
  for (int v = 0; v < static_cast<int>(infos.size()); ++v)
    if (takes(*infos[static_cast<std::size_t>(v)])) {
      sum += infos[static_cast<std::size_t>(v)]->Bounds.right - infos[static_cast<std::size_t>(v)]->Bounds.left;
      if (lowest < 0) lowest = v;
    }
  if (sum <= 0) return;
  int rest = AFree;
  for (int v = static_cast<int>(infos.size()) - 1; v >= 0; --v) {
    TkcEditButtonViewInfo& b = *infos[static_cast<std::size_t>(v)];
    if (!takes(b)) continue;
    const int width = b.Bounds.right - b.Bounds.left;
    const int grow = v == lowest ? rest : static_cast<int>(width * static_cast<long long>(AFree) / sum);
    rest -= grow;
    const bool left = b.Data.LeftAlignment;
    if (left)
      b.Bounds.right += grow;
    else
      b.Bounds.left -= grow;
    b.VisibleBounds = b.Bounds;
    // The buttons further in on the same side move by as much.
    for (int w = v - 1; w >= 0; --w) {
      TkcEditButtonViewInfo& other = *infos[static_cast<std::size_t>(w)];
      if (other.Data.LeftAlignment != left) continue;
      OffsetRect(&other.Bounds, left ? grow : -grow, 0);
      other.VisibleBounds = other.Bounds;
    }
  }
}

TSize TkcCustomEditViewData::CalculateEditSize(TkcCanvas* ACanvas, const Variant& AEditValue,
                                               const TkcEditSizeProperties& ASize) {
  std::unique_ptr<TkcCustomEditViewInfo> info(CreateViewInfo());
  constexpr int kLarge = 0x3FFFFFFF;
  Calculate(ACanvas, TRect{0, 0, kLarge, kLarge}, POINT{-1, -1}, TShiftState{}, info.get(), false);
  const TSize fixed{kLarge - (info->ClientRect.right - info->ClientRect.left),
                    kLarge - (info->ClientRect.bottom - info->ClientRect.top)};
  // The tallest glyph (or in place, text) button needs its own height besides the content.
  int minContentHeight = 0;
  const TRect frame = GetFrameExtent();
  for (const auto& b : info->ButtonsInfo) {
    int h = 0;
    if (b->Data.Kind == bkGlyph && b->Glyph && !b->Glyph->Empty())
      h = b->Glyph->Height();
    else if (IsInplace && b->Data.Kind == bkText && !b->Data.VisibleCaption.empty() && ACanvas)
      h = ACanvas->TextHeight(b->Data.VisibleCaption);
    if (h > 0)
      minContentHeight = std::max(minContentHeight,
                                  h + frame.top + frame.bottom + GetEditButtonVertFramePart(b->Data.Style) - fixed.cy);
  }
  TkcEditSizeProperties content = ASize;
  bool clipped = false;
  if (ASize.Width >= 0) {
    content.Width = ASize.Width - fixed.cx;
    if (content.Width < 0) {
      content.Width = 0;
      clipped = true;
    }
  }
  TSize size = GetContentSize(ACanvas, AEditValue, content);
  size.cy = std::max<LONG>(size.cy, minContentHeight);
  return TSize{clipped ? ASize.Width : fixed.cx + size.cx, fixed.cy + size.cy};
}

TSize TkcCustomEditProperties::GetEditSize(TkcCanvas* ACanvas, TkcCustomEditStyle* AStyle, bool AIsInplace,
                                           const Variant& AEditValue,
                                           const TkcEditSizeProperties& AEditSizeProperties) {
  std::unique_ptr<TkcCustomEditViewData> data(CreateViewData(AStyle, AIsInplace));
  return data->CalculateEditSize(ACanvas, AEditValue, AEditSizeProperties);
}

// The properties' factory of view data.
TkcCustomEditViewData* TkcCustomEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                               bool APreviewMode) {
  auto* data = new TkcCustomEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}
