#pragma once
// Laying an editor out without a window: a view data object, made by the properties for one
// style and one in-place flag, calculates a view info for bounds, mouse point and buttons:
// border, frame and client extents, the edit buttons' bounds, paint style, edge flags and
// states, and the popup border. Grid cells and edit controls lay out through the same code.

#include <memory>
#include <vector>

#include "editors/kcEditStyles.h"

struct TkcEditSizeProperties {
  int Height = -1;
  int MaxLineCount = 0;
  int Width = -1;
};

class TkcCustomEditViewInfo : public TkcContainerViewInfo {
  VT_CLASS(TkcCustomEditViewInfo, TkcContainerViewInfo)
public:
  std::vector<std::unique_ptr<TkcEditButtonViewInfo>> ButtonsInfo;
  TkcEditBorderStyle EditBorderStyle = ebsNone;
  TkcEditPopupBorderStyle PopupBorderStyle = epbsDefault;
  TRect InnerEditRect{};
  TColor TextColor = clWindowText;
  TFont* Font = nullptr;
  bool Enabled = true, Focused = false, IsInplace = false, Transparent = false;
  int PressedButton = -1, HotButton = -1;
  // 0 no hot tracking, 1 tracking, 2 tracking after focused or hot.
  int HotTrackValue = 0;

  // The background: border by style, the fill inside it (unless transparent), then the buttons.
  void DrawBackground(TkcCanvas* ACanvas) override;
  void DrawButtons(TkcCanvas* ACanvas);
  // The border and fill: the edit theme's frame, or the border of the edit border style.
  void DrawNativeBackground(TkcCanvas* ACanvas);
  void DrawPlainBackground(TkcCanvas* ACanvas);
  // Frame by paint style, then face and content (ellipsis, arrow, glyph or caption).
  virtual void DrawButton(TkcCanvas* ACanvas, int AButtonVisibleIndex);

  bool IsHotTrack() const;
  // The button under P (its view info index), -1 when none.
  int ButtonAt(POINT P) const;
  void OffsetBounds(int DX, int DY) override;
};

class TkcCustomEditViewData : public TPersistent {
  VT_CLASS(TkcCustomEditViewData, TPersistent)
public:
  TkcCustomEditViewData(TkcCustomEditProperties* AProperties, TkcCustomEditStyle* AStyle, bool AIsInplace);

  TkcCustomEditProperties* Properties;
  TkcCustomEditStyle* Style;
  IkcEditHost* Edit = nullptr;
  bool IsInplace;
  bool Enabled = true;
  bool Focused = false;
  bool PreviewMode = false;
  // Set by the grid for cells that draw their own borders.
  TRect InplaceBorderExtent{};
  TColor BackgroundColor = static_cast<TColor>(0x20000000);
  TColor TextColor = static_cast<TColor>(0x20000000);
  // The mouse button of the event being calculated (1 left, 2 right, 3 middle; 0 none).
  int Button = 0;
  // Bit 1: the caller wants text wrapped into rows where it does not fit one.
  int Flags = 0;
  TkcEditButtonsViewKind ButtonsViewKind() const { return Properties->ButtonsViewKind(); }

  virtual TkcCustomEditViewInfo* CreateViewInfo() { return new TkcCustomEditViewInfo; }
  virtual void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                         TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent);
  virtual TRect GetContentDefaultOffsets();
  virtual TkcEditBorderStyle GetBorderStyle();
  virtual TRect GetBorderExtent();
  virtual TRect GetFrameExtent();
  virtual TRect GetClientExtent(TkcCustomEditViewInfo* AViewInfo);
  virtual TColor GetBorderColor(TkcCustomEditViewInfo* AViewInfo);
  virtual bool CanPressButton(TkcCustomEditViewInfo*, int) { return true; }
  // Kinds whose button stays down by itself (a dropped-down popup) answer true.
  virtual bool IsButtonPressed(TkcCustomEditViewInfo*, int) { return false; }
  virtual TSize GetContentSize(TkcCanvas*, const Variant&, const TkcEditSizeProperties&) { return TSize{0, 0}; }
  virtual bool HasShadow();
  bool IsNativeStyle();
  TkcEditButtonStyle GetButtonPaintStyle();
  TkcEditPopupBorderStyle GetPopupBorderStyle();
  void CalculateButtonsViewInfo(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                                TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent);
  // The size of an editor for a value: the fixed part (borders, buttons) and the content.
  TSize CalculateEditSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize);

private:
  bool StretchesButtons() const;
  void StretchButtons(TkcCustomEditViewInfo* AViewInfo, int AFree);
  TkcContainerState fPreviousState;
  bool fHasPreviousState = false;
};

int GetEditBorderWidth(TkcEditBorderStyle AStyle);
