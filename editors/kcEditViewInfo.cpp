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

TRect TkcCustomEditViewData::GetContentDefaultOffsets() {
  return IsInplace ? TRect{1, 1, 1, 1} : TRect{1, 1, 1, 3};
}

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
  static constexpr TkcEditButtonStyle byBorder[] = {btsSimple, btsHotFlat, bts3D,         btsFlat,
                                                    bts3D,     btsUltraFlat, btsOffice11};
  return byBorder[Style->EditBorderStyle()];
}

TkcEditPopupBorderStyle TkcCustomEditViewData::GetPopupBorderStyle() {
  const TkcEditPopupBorderStyle style = Style->PopupBorderStyle();
  if (style != epbsDefault) return style;
  if (IsInplace) return Style->LookAndFeel()->Kind() == lfFlat       ? epbsFlat
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
    if (PtInRect(&area, P) && !HoldsMouseButton(AShift)) state.Include(csHotTrack);
  }
  AViewInfo->ContainerState = state;
  AViewInfo->HotTrackValue = 0;
  if (Style->HotTrack() && !IsInplace)
    AViewInfo->HotTrackValue =
        fHasPreviousState && (fPreviousState.Contains(csActive) || fPreviousState.Contains(csHotTrack)) ? 2 : 1;
  fPreviousState = state;
  fHasPreviousState = true;

  const bool native = IsNativeStyle();
  AViewInfo->EditBorderStyle =
      (IsInplace || !native) ? GetBorderStyle()
                             : static_cast<TkcCustomEditStyle*>(Style->GetBaseStyle())->EditBorderStyle();
  AViewInfo->Bounds = ABounds;
  AViewInfo->Enabled = Enabled;
  AViewInfo->Focused = Focused;
  AViewInfo->IsInplace = IsInplace;
  AViewInfo->Edges = Style->Edges();
  AViewInfo->Font = Style->GetVisibleFont();
  AViewInfo->Shadow = !IsInplace && HasShadow();
  AViewInfo->NativeStyle = native;
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

  for (int v = 0; v < visibleCount; ++v) {
    TkcEditButtonViewInfo* info = AViewInfo->ButtonsInfo[static_cast<std::size_t>(v)].get();
    TkcEditButton* button = buttons->Items(info->Index);
    const bool over = PtInRect(&info->Bounds, P);
    TShiftState leftOnly{ssLeft}, leftDouble{ssLeft, ssDouble};
    TkcEditButtonState s = ebsNormal;
    if (!Enabled || !button->Enabled())
      s = ebsDisabled;
    else if (over && AIsMouseEvent && (AShift == leftOnly || AShift == leftDouble) && CanPressButton(AViewInfo, v))
      s = ebsPressed;
    else if (over && !HoldsMouseButton(AShift))
      s = ebsSelected;
    info->Data.State = s;
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
      minContentHeight = std::max(minContentHeight, h + frame.top + frame.bottom +
                                                        GetEditButtonVertFramePart(b->Data.Style) - fixed.cy);
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

// The properties' factory of view data.
TkcCustomEditViewData* TkcCustomEditProperties::CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace,
                                                               bool APreviewMode) {
  auto* data = new TkcCustomEditViewData(this, AStyle, AIsInplace);
  data->PreviewMode = APreviewMode;
  return data;
}
