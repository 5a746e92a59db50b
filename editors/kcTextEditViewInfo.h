#pragma once
// Text editors laid out and drawn without a window: the value's display text, its rectangle,
// flags and selection colours, the rows laid out once per calculation by the text layout engine
// and kept for painting, the content size for automatic sizing, and whether a cell's text is cut
// (so that it needs a hint).

#include "editors/kcEditTextUtils.h"
#include "editors/kcEditViewInfo.h"
#include "editors/kcTextEdit.h"

class TkcCustomTextEditViewInfo : public TkcCustomEditViewInfo {
  VT_CLASS(TkcCustomTextEditViewInfo, TkcCustomEditViewInfo)
public:
  String Text;
  TRect TextRect{};
  unsigned TextFlags = 0;
  int MaxLineCount = 0;
  int SelStart = 0, SelLength = 0;
  TColor SelTextColor = clHighlightText, SelBkColor = clHighlight;
  TkcTextEditingStyle EditingStyle = esEdit;
  bool IsHighlighted = false;
  // An edit's inner window shows the text; the view info does not draw it.
  bool HasVisibleInnerEdit = false;
  // The caller asked for the text wrapped into rows where it does not fit one; TextFlags then
  // become multi-row flags (from the single-row BaseTextFlags) when the text is laid out.
  bool WrapRequested = false;
  unsigned BaseTextFlags = 0;

  // The layout, made by the first DrawText after a calculation and kept.
  bool IsLaidOut = false;
  bool EllipsisForced = false;
  int RowCount = 0;
  TkcTextLayoutParams LayoutParams;
  TkcTextRows Rows;

  void DrawText(TkcCanvas* ACanvas);
  // Chooses single-row or wrapped flags for the current text (see WrapRequested).
  void PrepareWrappedLayout(TkcCanvas* ACanvas);
  void DrawBackground(TkcCanvas* ACanvas) override;
  void OffsetBounds(int DX, int DY) override;
  // True when P lies on the visible part of the text (ABounds: the visible area, empty for
  // the whole text rectangle) and the text does not fit there.
  bool NeedsHintInBounds(TkcCanvas* ACanvas, POINT P, const TRect& ABounds);
};

class TkcCustomTextEditViewData : public TkcCustomEditViewData {
  VT_CLASS(TkcCustomTextEditViewData, TkcCustomEditViewData)
public:
  TkcCustomTextEditViewData(TkcCustomTextEditProperties* AProperties, TkcCustomEditStyle* AStyle, bool AIsInplace);

  TkcCustomTextEditProperties* TextProperties() const { return static_cast<TkcCustomTextEditProperties*>(Properties); }
  // The selection to show in the drawn text, and its colours (0x20000000: not set).
  int SelStart = 0, SelLength = 0;
  TColor SelTextColorSetting = static_cast<TColor>(0x20000000);
  TColor SelBkColorSetting = static_cast<TColor>(0x20000000);
  bool EndEllipsis = false;
  int MaxLineCount = 0;

  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcCustomTextEditViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
  TSize GetContentSize(TkcCanvas* ACanvas, const Variant& AEditValue, const TkcEditSizeProperties& ASize) override;
  virtual String GetDisplayText(const Variant& AEditValue);
  unsigned GetDrawTextFlags();
  TRect GetTextOffsets();
  // Text and selection colours of the view info for a value.
  virtual void FillViewInfoValue(TkcCanvas* ACanvas, const Variant& AEditValue, TkcCustomTextEditViewInfo* AViewInfo);
  void SetSelectionColors(TkcCustomTextEditViewInfo* AViewInfo);
};
