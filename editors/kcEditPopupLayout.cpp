#include "editors/kcEditPopupLayout.h"

#include <algorithm>

#include "platform/win/Windows.h"

int GetEditPopupBorderWidth(TkcEditPopupBorderStyle AStyle, bool ANativeStyle) {
  if (ANativeStyle) return 1;
  static constexpr int widths[] = {0, 1, 4, 2};
  return widths[AStyle];
}

int GetEditPopupClientEdgeWidth(TkcEditPopupBorderStyle AStyle, bool ANativeStyle) {
  if (ANativeStyle) return 2;
  static constexpr int widths[] = {0, 2, 2, 1};
  return widths[AStyle];
}

namespace {

bool PanelAtBottom(TkcSizeGripCorner ACorner) { return ACorner == sgcBottomLeft || ACorner == sgcBottomRight; }
bool GripAtRight(TkcSizeGripCorner ACorner) { return ACorner == sgcTopRight || ACorner == sgcBottomRight; }

}  // namespace

int TkcEditPopupLayout::GetSysPanelHeight() const {
  const int height = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
  return MinSysPanelHeight > 0 ? std::max(height, MinSysPanelHeight) : height;
}

TRect TkcEditPopupLayout::CalculateClientExtent() {
  const int border = GetEditPopupBorderWidth(BorderStyle, NativeStyle) +
                     (ClientEdge ? GetEditPopupClientEdgeWidth(BorderStyle, NativeStyle) : 0);
  TRect extent{border, border, border, border};
  if (Shadow) {
    extent.right += kcEditPopupShadowSize;
    extent.bottom += kcEditPopupShadowSize;
  }
  if (SysPanelStyle) {
    SysPanelHeight = GetSysPanelHeight();
    const int panel = SysPanelHeight + ((NativeStyle || BorderStyle == epbsSingle) ? 1 : 0);
    (PanelAtBottom(SizeGripCorner) ? extent.bottom : extent.top) += panel;
  } else {
    SysPanelHeight = 0;
  }
  SizingOffset = std::max(GetSystemMetrics(SM_CYHSCROLL), GetSystemMetrics(SM_CYSIZE));
  return extent;
}

void TkcEditPopupLayout::Calculate() {
  ClientExtent = CalculateClientExtent();
  const TRect at0{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  ClientRect = TRect{at0.left + ClientExtent.left, at0.top + ClientExtent.top, at0.right - ClientExtent.right,
                     at0.bottom - ClientExtent.bottom};
  const int inset = GetEditPopupBorderWidth(BorderStyle, NativeStyle) +
                    (!SysPanelStyle && ClientEdge ? GetEditPopupClientEdgeWidth(BorderStyle, NativeStyle) : 0);
  SizingRegionBounds = TRect{at0.left + inset, at0.top + inset, at0.right - inset, at0.bottom - inset};
  if (Shadow) {
    SizingRegionBounds.right -= kcEditPopupShadowSize;
    SizingRegionBounds.bottom -= kcEditPopupShadowSize;
  }
  SizeGripSizingRect = SizeGripRect = CloseButtonRect = TRect{};
  if (!SysPanelStyle) return;
  const TRect& s = SizingRegionBounds;
  const bool right = GripAtRight(SizeGripCorner), bottom = PanelAtBottom(SizeGripCorner);
  if (Sizeable) {
    const int size = GetSysPanelHeight() - 2;
    const int left = right ? s.right - size : s.left;
    const int top = bottom ? s.bottom - size : s.top;
    SizeGripSizingRect = TRect{left, top, left + size, top + size};
    // The drawn grip keeps two pixels from the outer sides.
    SizeGripRect = SizeGripSizingRect;
    OffsetRect(&SizeGripRect, right ? -2 : 2, bottom ? -2 : 2);
  }
  if (CloseButton) {
    const int size = GetSysPanelHeight() - 4;
    const int panelTop = bottom ? s.bottom - SysPanelHeight : s.top;
    const int top = panelTop + (SysPanelHeight - size) / 2;
    const int left = right ? s.left + 1 + 2 : s.right - 1 - 2 - size;
    CloseButtonRect = TRect{left, top, left + size, top + size};
  }
}

TSize TkcEditPopupLayout::GetMinSize() {
  const TRect extent = CalculateClientExtent();
  TSize size{extent.left + extent.right, extent.top + extent.bottom};
  if (Sizeable && SysPanelStyle)
    size.cx += (CloseButton ? GetSysPanelHeight() - 4 : 0) + (GetSysPanelHeight() - 2) + 10;
  return size;
}

bool TkcEditPopupLayout::GetSizingHitTest(int X, int Y, int& AHorzDir, int& AVertDir) const {
  AHorzDir = AVertDir = 0;
  if (!Sizeable) return false;
  const POINT p{X, Y};
  const TRect at0{0, 0, Bounds.right - Bounds.left, Bounds.bottom - Bounds.top};
  const bool right = GripAtRight(SizeGripCorner), bottom = PanelAtBottom(SizeGripCorner);
  if (PtInRect(&SizeGripSizingRect, p)) {
    AHorzDir = right ? 1 : -1;
    AVertDir = bottom ? 1 : -1;
    return true;
  }
  if (!PtInRect(&at0, p) || PtInRect(&SizingRegionBounds, p)) return false;
  // Only the two edges that meet at the grip's corner move.
  if (right ? X >= at0.right - SizingOffset : X < at0.left + SizingOffset) AHorzDir = right ? 1 : -1;
  if (bottom ? Y >= at0.bottom - SizingOffset : Y < at0.top + SizingOffset) AVertDir = bottom ? 1 : -1;
  return AHorzDir != 0 || AVertDir != 0;
}

TkcSizeGripCorner CalculateSizeGripCorner(TAlignment AAlignment, POINT P, int AWidth, const TRect& AOwnerBounds,
                                          const TRect& AWorkArea) {
  bool right = false;
  if (AAlignment == taLeftJustify && P.x == AOwnerBounds.left)
    right = true;
  else if (AOwnerBounds.left <= AWorkArea.left)
    right = true;
  else if (AAlignment == taCenter && P.x + AWidth != AOwnerBounds.right)
    right = true;
  else if (AAlignment == taRightJustify && AOwnerBounds.left - AWorkArea.left <= AWorkArea.right - AOwnerBounds.right)
    right = true;
  const bool bottom = P.y >= AOwnerBounds.bottom;
  if (bottom) return right ? sgcBottomRight : sgcBottomLeft;
  return right ? sgcTopRight : sgcTopLeft;
}

SIZE CalculateEditPopupSize(TkcEditPopupLayout& ALayout, const TkcEditPopupSizeRequest& ARequest) {
  ALayout.SizeGripCorner = sgcBottomRight;
  const TRect e = ALayout.CalculateClientExtent();
  const TSize m = ALayout.GetMinSize();
  SIZE size{};
  if (ARequest.AutoSize)
    size.cx = e.left + e.right + ARequest.ClientSize.cx;
  else
    size.cx = ARequest.PopupWidth != 0 ? ARequest.PopupWidth : ARequest.OwnerWidth;
  if (ARequest.Sizeable && ARequest.MinWidth > 0) size.cx = std::max<LONG>(size.cx, ARequest.MinWidth);
  size.cx = std::max<LONG>(size.cx, m.cx);
  if (ARequest.AutoSize)
    size.cy = e.top + e.bottom + ARequest.ClientSize.cy;
  else
    size.cy = ARequest.PopupHeight > 0 ? ARequest.PopupHeight : std::max<LONG>(ARequest.MinHeight, m.cy);
  if (ARequest.Sizeable && ARequest.MinHeight > 0) size.cy = std::max<LONG>(size.cy, ARequest.MinHeight);
  size.cy = std::max<LONG>(size.cy, m.cy);
  return size;
}

int GetEditPopupShadowShift(bool AShadow, POINT P, const TRect& AOwnerBounds) {
  return AShadow && P.y < AOwnerBounds.bottom ? kcEditPopupShadowSize : 0;
}
