#pragma once
// The geometry of an editor's drop-down window, without the window: border and client-edge
// widths, the client extent with the shadow and the system panel, the size grip and close
// button, which corner the grip takes against the owner and the work area, the size asked of
// the owner, and the sizing hit test.

#include "platform/core/WinTypes.h"
#include "platform/db/DB.h"

enum TkcEditPopupBorderStyle { epbsDefault, epbsSingle, epbsFrame3D, epbsFlat };
// The corner of the size grip; the system panel lies along the bottom edge for 2 and 3.
enum TkcSizeGripCorner { sgcTopLeft, sgcTopRight, sgcBottomLeft, sgcBottomRight };

constexpr int kcEditPopupShadowSize = 3;

int GetEditPopupBorderWidth(TkcEditPopupBorderStyle AStyle, bool ANativeStyle);
int GetEditPopupClientEdgeWidth(TkcEditPopupBorderStyle AStyle, bool ANativeStyle);

struct TkcEditPopupLayout {
  // Settings.
  TkcEditPopupBorderStyle BorderStyle = epbsDefault;
  bool ClientEdge = false;
  bool CloseButton = false;
  bool NativeStyle = false;
  bool Shadow = false;
  bool Sizeable = false;
  bool SysPanelStyle = false;
  int MinSysPanelHeight = 0;
  TkcSizeGripCorner SizeGripCorner = sgcBottomRight;
  TRect Bounds{};

  // Results of Calculate.
  TRect ClientExtent{};
  TRect ClientRect{};
  TRect SizingRegionBounds{};
  TRect SizeGripSizingRect{};
  TRect SizeGripRect{};
  TRect CloseButtonRect{};
  int SysPanelHeight = 0;
  int SizingOffset = 0;

  int GetSysPanelHeight() const;
  TRect CalculateClientExtent();
  void Calculate();
  // The popup's smallest size: the client extent, and room for the panel's parts.
  TSize GetMinSize();
  // True over a zone that resizes the popup; AHorzDir/AVertDir tell which edges move.
  bool GetSizingHitTest(int X, int Y, int& AHorzDir, int& AVertDir) const;
};

// The grip corner for a popup placed at P (its width AWidth) against the owner's screen bounds
// in the work area; AAlignment is the popup's horizontal alignment to the owner.
TkcSizeGripCorner CalculateSizeGripCorner(TAlignment AAlignment, POINT P, int AWidth, const TRect& AOwnerBounds,
                                          const TRect& AWorkArea);

// A popup with a shadow above its owner sits this much lower, so the shadow does not cover
// the owner.
int GetEditPopupShadowShift(bool AShadow, POINT P, const TRect& AOwnerBounds);

struct TkcEditPopupSizeRequest {
  bool AutoSize = false;
  SIZE ClientSize{};  // what the editor wants for its client area
  int PopupWidth = 0, PopupHeight = 0, MinWidth = 0, MinHeight = 0;
  bool Sizeable = false;
  int OwnerWidth = 0;
};
// The popup's size for the request, with the layout's extent and minimum.
SIZE CalculateEditPopupSize(TkcEditPopupLayout& ALayout, const TkcEditPopupSizeRequest& ARequest);
