#pragma once
// Painters: every common element of the library (buttons, arrows, borders, check and radio
// buttons, headers, footers, indicators, filter buttons, expand buttons, level tabs, scroll-bar
// parts, splitters) and the default colours of the views are drawn through a painter of the
// control's look and feel. Painters hold no state; one instance per class stands for the class.
// Also the painters' shared resources: radio glyphs, indicator images, the check-box size and
// the half-tone page-area bitmaps.

#include <functional>
#include <memory>

#include "controls/kcGraphics.h"
#include "controls/kcLookAndFeel.h"
#include "platform/db/DB.h"

enum TkcButtonState { kcbsDefault, kcbsNormal, kcbsHot, kcbsPressed, kcbsDisabled };
enum TkcArrowDirection { adUp, adDown, adLeft, adRight };
enum TkcAlignmentVert { vaTop, vaBottom, vaCenter };
enum TkcScrollBarPart { sbpNone, sbpLineUp, sbpLineDown, sbpThumbnail, sbpPageUp, sbpPageDown };
// The owner's background drawing: answers whether it drew.
using TkcDrawBackgroundEvent = std::function<bool(TkcCanvas* ACanvas, const TRect& R)>;
using TkcArrowPoints = std::array<TPoint, 3>;

// Alignment to library text flags.
int KcAlignmentTextFlags(TAlignment AHorz, TkcAlignmentVert AVert, bool AMultiLine, bool AShowEndEllipsis);

// The default colours, with their base values.
#define KC_PAINTER_DEFAULT_COLORS(X)                                                                                   \
  X(GetContentDefaultColor, clWindow)                                                                                  \
  X(GetContentDefaultTextColor, clWindowText) X(GetFilterBoxDefaultColor, clBtnShadow) X(                              \
      GetFilterBoxDefaultTextColor, clBtnHighlight) X(GetDetailFrameDefaultColor, clBtnText)                           \
      X(GetFooterDefaultColor, clBtnFace) X(GetFooterDefaultTextColor, clBtnText) X(                                   \
          GetGridLineDefaultColor, clBtnShadow) X(GetGroupDefaultColor, clBtnFace)                                     \
          X(GetGroupDefaultTextColor, clBtnText) X(GetGroupByBoxDefaultColor, clBtnShadow) X(                          \
              GetGroupByBoxDefaultTextColor, clBtnFace) X(GetHeaderDefaultColor, clBtnFace)                            \
              X(GetHeaderDefaultTextColor, clBtnText) X(GetExtraDefaultColor1, clBtnShadow) X(                         \
                  GetExtraDefaultColor2, clBtnFace) X(GetExtraDefaultColor3, clBlue) X(GetInactiveDefaultColor,        \
                                                                                       clBtnFace)                      \
                  X(GetInactiveDefaultTextColor, clBtnText) X(GetPreviewDefaultTextColor, clBlue) X(                   \
                      GetCalendarHeaderDefaultColor, clBtnFace) X(GetCalendarSelectionDefaultColor, clHighlight)       \
                      X(GetCalendarSelectionDefaultTextColor, clHighlightText) X(GetExtraDefaultColor4, clWindow) X(   \
                          GetExtraDefaultColor5, clWindowText) X(GetSplitterBorderColor, clRed)                        \
                          X(GetExtraDefaultColor6, clBtnFace) X(GetExtraDefaultColor7, static_cast<TColor>(0xD5FFFF))  \
                              X(GetExtraDefaultColor8, clWindowText) X(GetSelectionDefaultColor, clHighlight) X(       \
                                  GetSelectionDefaultTextColor, clHighlightText) X(GetExtraDefaultColor9, clBtnFace)   \
                                  X(GetLevelTabDefaultColor, clBtnFace) X(GetLevelTabDefaultTextColor, clBtnText)      \
                                      X(GetLevelTabsBackgroundDefaultColor, clBtnFace)                                 \
                                          X(GetExtraDefaultColor10, clWhite) X(GetExtraDefaultColor11, clBlack) X(     \
                                              GetExtraDefaultColor12, clBtnFace) X(GetExtraDefaultColor13, clBtnText)  \
                                              X(GetExtraDefaultColor14, clWhite) X(GetExtraDefaultColor15, clBlack) X( \
                                                  GetExtraDefaultColor16, clBlack) X(GetExtraDefaultColor17, clBlack)  \
                                                  X(GetExtraDefaultColor18, static_cast<TColor>(0xCFCFCF))             \
                                                      X(GetExtraDefaultColor19, clWhite)                               \
                                                          X(GetExtraDefaultColor20, clBtnShadow)                       \
                                                              X(GetExtraDefaultColor21, static_cast<TColor>(0xF0CAA6)) \
                                                                  X(GetExtraDefaultColor22, clNavy)                    \
                                                                      X(GetExtraDefaultColor23, clBtnShadow)           \
                                                                          X(GetExtraDefaultColor24, clBtnShadow)

#define KC_DECLARE_PAINTER_COLOR(Name, Base) virtual TColor Name();

class TkcCustomLookAndFeelPainter : public TObject {
  VT_CLASS(TkcCustomLookAndFeelPainter, TObject)
public:
  static TkcCustomLookAndFeelPainter* Instance();

  virtual void DrawDropDownArrow(TkcCanvas* ACanvas, const TRect& R, TColor AColor);
  virtual void DrawContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                           TkcButtonState AState, TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                           bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                           TColor ABkColor, const TkcDrawBackgroundEvent& AOnDrawBackground,
                           bool AFlatBackground = false);
  virtual TRect GetFooterCellContentBounds(const TRect& R);
  virtual TRect GetFooterCellTextAreaBounds(const TRect& R);
  virtual int GetPainterStyleCode() { return 1; }
  KC_PAINTER_DEFAULT_COLORS(KC_DECLARE_PAINTER_COLOR)
  virtual TColor GetRowSeparatorDefaultColor() { return GetGridLineDefaultColor(); }

  // Arrows and buttons.
  static void CalculateArrowPoints(TRect R, TkcArrowPoints& P, TkcArrowDirection ADirection, bool AMakeSquare);
  virtual void DrawArrow(TkcCanvas* ACanvas, const TRect& R, TkcArrowDirection ADirection, TColor AColor);
  virtual void DrawArrowButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, TkcArrowDirection ADirection,
                               bool AIsButton = true);
  virtual void DrawButtonFaceAndBorder(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState);
  virtual void DrawStateArrow(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, TkcArrowDirection ADirection);
  virtual int GetBorderWidth() { return 0; }
  virtual void PaintControlBorder(TkcCanvas*, const TRect&) {}
  virtual TRect CalculateGroupButtonRect(const TRect& R, int /*ACount*/, int /*AIndex*/) { return R; }
  virtual int GetButtonBorderWidth(TkcButtonState = kcbsNormal) { return 0; }
  virtual TColor GetButtonFaceColor(TkcButtonState) { return clBtnFace; }
  virtual TRect GetButtonFocusRectangle(TkcCanvas* ACanvas, const TRect& R);
  virtual TRect GetButtonGroupBorderWidths(int ACount, int AIndex);
  virtual int GetButtonContentMargin() { return 0; }
  virtual int GetButtonPressedShift() { return 0; }
  virtual TColor GetButtonGlyphColor(TkcButtonState AState, TColor ADefault = clDefault);
  virtual TkcButtonState GetButtonGlyphState(TkcButtonState AState) { return AState; }
  virtual void DrawButton(TkcCanvas* ACanvas, const TRect& R, const String& ACaption, TkcButtonState AState,
                          bool ADrawBorder = true, TColor AColor = clDefault, TColor ATextColor = clDefault);
  virtual void DrawGroupButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, int AButtonCount,
                               int AButtonIndex, TColor ABorderColor);
  virtual void DrawButtonFrame(TkcCanvas*, const TRect&, TkcButtonState) {}
  virtual void DrawButtonGroupBorder(TkcCanvas*, const TRect&, bool /*AActive*/, bool /*AHot*/) {}

  // Expand buttons.
  virtual void PaintExpandButton(TkcCanvas*, const TRect&, bool /*AExpanded*/, TColor /*AColor*/ = clDefault) {}
  virtual bool IsExpandButtonDrawnFirst() { return true; }
  virtual void DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TkcButtonState AState);
  virtual void DrawSmallExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                                     TColor AColor = clDefault);
  virtual int GetExpandButtonExtent() { return 0; }
  virtual int GetGroupExpandButtonExtent() { return 15; }
  virtual bool IsButtonHotTrackingEnabled() { return false; }
  virtual bool HitTestGroupExpandButton(const TRect& R, const TPoint& P) { return PtInRect(&R, P); }
  virtual int GetSmallExpandButtonExtent() { return 9; }

  // Check and radio buttons.
  virtual int GetCheckBorderWidth() { return 2; }
  virtual TColor GetCheckButtonColor(TkcButtonState AState);
  virtual TSize GetCheckBoxExtent();
  virtual void DrawCheckFace(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AChecked, TColor AColor);
  virtual void DrawCheckFrame(TkcCanvas*, const TRect&, TkcButtonState) {}
  virtual void DrawCheckButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AChecked);
  virtual void DrawRadioButton(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState, bool AChecked,
                               bool AHighlighted, TColor ABackgroundColor = clDefault, bool AFocused = false);
  virtual TSize GetRadioButtonExtent();

  // Headers and sections.
  virtual void DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                          TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                          TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                          TFont* AFont, TColor ATextColor, TColor ABkColor,
                          const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false);
  virtual void DrawHeaderCell(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                              TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState,
                              TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert, bool AMultiLine,
                              bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                              TColor ABkColor, const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr);
  virtual void DrawHeaderBorder(TkcCanvas*, const TRect&, TkcBorders /*ANeighbors*/, TkcBorders /*ABorders*/) {}
  virtual void DrawHeaderPressed(TkcCanvas* ACanvas, const TRect& R) { ACanvas->InvertRect(R); }
  virtual void DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                           TkcBorders ANeighbors, TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                           TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                           TFont* AFont, TColor ATextColor, TColor ABkColor);
  virtual void DrawSectionBorder(TkcCanvas*, const TRect&, TkcBorders /*ABorders*/, TkcButtonState) {}
  virtual void DrawSectionContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds,
                                  TkcButtonState AState, TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                                  bool AMultiLine, bool AShowEndEllipsis, const String& AText, TFont* AFont,
                                  TColor ATextColor, TColor ABkColor);
  virtual void DrawSectionText(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, TAlignment AAlignmentHorz,
                               TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                               const String& AText, TFont* AFont, TColor ATextColor);
  virtual void DrawSortingMark(TkcCanvas*, const TRect&, bool /*AAscending*/) {}
  virtual TkcBorders GetHeaderBorders(TkcBorders /*ANeighbors*/) { return kcAllBorders; }
  virtual int GetHeaderBorderWidth() { return 0; }
  virtual TRect ExtendHeaderBounds(const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders);
  virtual TRect GetHeaderContentBounds(const TRect& R, TkcBorders ABorders);
  virtual bool GetExtraHeaderFlag() { return true; }
  virtual int GetHeaderHeight(int AFontHeight) { return AFontHeight + 2 * GetHeaderBorderWidth() + 4; }
  virtual int GetSectionBorderWidth(TkcButtonState) { return 1; }
  virtual TRect GetSectionTextAreaBounds(const TRect& R, TkcButtonState AState);
  virtual TRect GetSectionContentBounds(const TRect& R, TkcButtonState AState);
  virtual int GetHeaderWidth(TkcCanvas* ACanvas, TkcBorders ABorders, const String& AText, TFont* AFont);
  virtual bool GetExtraSortingFlag() { return false; }
  virtual TSize GetSortingMarkAreaSize() { return TSize{16, GetSortingMarkSize().cy}; }
  virtual TSize GetSortingMarkSize() { return TSize{0, 0}; }

  // Footers.
  virtual void DrawFooterCell(TkcCanvas* ACanvas, const TRect& R, TAlignment AAlignmentHorz,
                              TkcAlignmentVert AAlignmentVert, bool AMultiLine, const String& AText, TFont* AFont,
                              TColor ATextColor, TColor ABkColor,
                              const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr);
  virtual TkcBorders GetFooterBorders() { return kcAllBorders; }
  virtual int GetFooterBorderWidth() { return 0; }
  virtual int GetFooterCellContentOffset() { return 0; }
  virtual int GetFooterCellBorderWidth() { return 0; }
  virtual bool GetExtraFooterFlag() { return true; }
  virtual TColor GetFooterSeparatorColor() { return clBtnShadow; }
  virtual int GetFooterSeparatorWidth() { return 1; }
  virtual void DrawFooterBorder(TkcCanvas*, const TRect&) {}
  virtual void DrawFooterCellBorder(TkcCanvas*, const TRect&) {}
  virtual void DrawFooterSeparator(TkcCanvas* ACanvas, const TRect& R) {
    ACanvas->FillRect(R, GetFooterSeparatorColor());
  }

  // Filter box buttons.
  virtual void DrawFilterActivateButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AChecked) {
    DrawCheckButton(ACanvas, R, AState, AChecked);
  }
  virtual void DrawFilterCloseButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState);
  virtual void DrawFilterDropDownButton(TkcCanvas*, const TRect&, TkcButtonState, bool /*AIsActive*/) {}
  virtual TSize GetFilterActivateButtonExtent() { return TSize{13, 13}; }
  virtual TSize GetFilterCloseButtonExtent() { return TSize{16, 14}; }
  virtual TSize GetFilterDropDownButtonExtent() { return TSize{15, 0}; }
  virtual int GetPopupBorderStyle() { return 1; }

  // Level tabs.
  virtual void DrawLevelTab(TkcCanvas*, const TRect&, TkcBorders /*ABorders*/, const String& /*AText*/, TkcButtonState,
                            bool /*AVertical*/, TFont*, TColor /*ATextColor*/, TColor /*ABkColor*/,
                            bool /*AShowPrefix*/ = false) {}
  virtual void DrawLevelTabBorder(TkcCanvas*, const TRect&, TkcBorder /*ASide*/, TkcBorders, bool /*AVertical*/) {}
  virtual void DrawLevelTabsBackground(TkcCanvas*, const TRect&, TkcBorders, bool /*AVertical*/) {}
  virtual bool PaintsLevelTabContent() { return false; }
  virtual int GetExtraTabFlag() { return 0; }
  virtual int GetLevelTabBorderWidth() { return 0; }

  // Indicators (AKind 0 draws the cell only; K draws indicator image K - 1).
  virtual void DrawIndicatorItem(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                                 const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr);
  virtual void DrawIndicatorCell(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                                 const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr);
  virtual bool GetExtraIndicatorFlag() { return true; }

  // Scroll bars, headers with arrows, containers, tool buttons, splitters.
  virtual void PaintScrollBarPart(TkcCanvas*, bool /*AHorizontal*/, const TRect&, TkcScrollBarPart, TkcButtonState) {}
  // AArrows: 1 left, 2 right, 3 both.
  virtual void DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText, TkcBorders ANeighbors,
                                    const TkcVisualParams& AParams, int AArrows, int AArrowsOffset,
                                    const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr);
  virtual void DrawContainerBorder(TkcCanvas* ACanvas, const TRect& R) { PaintControlBorder(ACanvas, R); }
  virtual void DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) {
    DrawButton(ACanvas, R, "", AState);
  }
  virtual void DrawSplitter(TkcCanvas*, const TRect&, const TkcVisualParams&, bool /*AHorizontal*/) {}
  virtual int GetExtraMetric() { return 1; }

protected:
  // The plus/minus sign of expand buttons.
  static void DrawExpandSign(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor);
  // The engraved sorting mark in a light and a dark pen colour.
  void DrawEngravedSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending, TColor ALight, TColor ADark);
  void DrawHeaderArrows(TkcCanvas* ACanvas, TRect R, int AArrows, int AArrowsOffset);
  void DrawTriangle(TkcCanvas* ACanvas, const TkcArrowPoints& P, TColor AColor);
};

class TkcStandardLookAndFeelPainter : public TkcCustomLookAndFeelPainter {
  VT_CLASS(TkcStandardLookAndFeelPainter, TkcCustomLookAndFeelPainter)
public:
  static TkcStandardLookAndFeelPainter* Instance();
  int GetPainterStyleCode() override { return 1; }
  int GetBorderWidth() override { return 2; }
  void PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) override;
  int GetButtonBorderWidth(TkcButtonState AState = kcbsNormal) override { return AState == kcbsDefault ? 3 : 2; }
  int GetButtonContentMargin() override { return 1; }
  int GetButtonPressedShift() override { return 1; }
  void DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) override;
  int GetExpandButtonExtent() override { return 12; }
  void DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TkcButtonState AState) override;
  void DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders) override;
  void DrawSectionBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, TkcButtonState AState) override;
  int GetSectionBorderWidth(TkcButtonState AState) override { return AState == kcbsPressed ? 1 : 2; }
  void DrawSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending) override {
    DrawEngravedSortingMark(ACanvas, R, AAscending, clBtnHighlight, clBtnShadow);
  }
  int GetHeaderBorderWidth() override { return 1; }
  TSize GetSortingMarkSize() override { return TSize{8, 7}; }
  int GetFooterBorderWidth() override { return 1; }
  int GetFooterCellContentOffset() override { return 1; }
  int GetFooterCellBorderWidth() override { return 1; }
  void DrawFooterBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->DrawEdge(R, false, false); }
  void DrawFooterCellBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->DrawEdge(R, true, true); }
  void DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AIsActive) override;
  void DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TkcBorders ABorders,
                          bool AVertical) override;
  void DrawLevelTabsBackground(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, bool) override {
    ACanvas->DrawEdge(R, false, false, ABorders);
  }
  int GetLevelTabBorderWidth() override { return 1; }
  void PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R, TkcScrollBarPart APart,
                          TkcButtonState AState) override;
  void DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText, TkcBorders ANeighbors,
                            const TkcVisualParams& AParams, int AArrows, int AArrowsOffset,
                            const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  TColor GetExtraDefaultColor7() override { return clWindow; }
  void DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams, bool AHorizontal) override;
};

class TkcFlatLookAndFeelPainter : public TkcCustomLookAndFeelPainter {
  VT_CLASS(TkcFlatLookAndFeelPainter, TkcCustomLookAndFeelPainter)
public:
  static TkcFlatLookAndFeelPainter* Instance();
  int GetPainterStyleCode() override { return 0; }
  int GetBorderWidth() override { return 1; }
  void PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->DrawEdge(R, true, true); }
  int GetButtonBorderWidth(TkcButtonState AState = kcbsNormal) override { return AState == kcbsDefault ? 2 : 1; }
  int GetButtonContentMargin() override { return 1; }
  int GetButtonPressedShift() override { return 1; }
  void DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) override;
  int GetExpandButtonExtent() override { return 11; }
  void DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders) override {
    TkcStandardLookAndFeelPainter::Instance()->DrawHeaderBorder(ACanvas, R, ANeighbors, ABorders);
  }
  void DrawSectionBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, TkcButtonState AState) override;
  void DrawSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending) override {
    DrawEngravedSortingMark(ACanvas, R, AAscending, clBtnHighlight, clBtnShadow);
  }
  int GetHeaderBorderWidth() override { return 1; }
  TSize GetSortingMarkSize() override { return TSize{8, 7}; }
  int GetFooterBorderWidth() override { return 1; }
  int GetFooterCellContentOffset() override { return 1; }
  int GetFooterCellBorderWidth() override { return 1; }
  void DrawFooterBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->DrawEdge(R, false, false); }
  void DrawFooterCellBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->DrawEdge(R, true, true); }
  void DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AIsActive) override {
    TkcStandardLookAndFeelPainter::Instance()->DrawFilterDropDownButton(ACanvas, R, AState, AIsActive);
  }
  void DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TkcBorders ABorders,
                          bool AVertical) override {
    TkcStandardLookAndFeelPainter::Instance()->DrawLevelTabBorder(ACanvas, R, ASide, ABorders, AVertical);
  }
  void DrawLevelTabsBackground(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, bool) override {
    ACanvas->DrawEdge(R, false, false, ABorders);
  }
  int GetLevelTabBorderWidth() override { return 1; }
  void PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R, TkcScrollBarPart APart,
                          TkcButtonState AState) override;
  void DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams, bool AHorizontal) override;
};

class TkcUltraFlatLookAndFeelPainter : public TkcCustomLookAndFeelPainter {
  VT_CLASS(TkcUltraFlatLookAndFeelPainter, TkcCustomLookAndFeelPainter)
public:
  static TkcUltraFlatLookAndFeelPainter* Instance();
  int GetPainterStyleCode() override { return 2; }
  int GetBorderWidth() override { return 1; }
  void PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->FrameRect(R, clBtnShadow); }
  int GetButtonBorderWidth(TkcButtonState AState = kcbsNormal) override { return AState == kcbsDefault ? 2 : 1; }
  TColor GetButtonFaceColor(TkcButtonState AState) override;
  TRect GetButtonFocusRectangle(TkcCanvas* ACanvas, const TRect& R) override;
  TRect GetButtonGroupBorderWidths(int ACount, int AIndex) override;
  TColor GetButtonGlyphColor(TkcButtonState AState, TColor ADefault = clDefault) override;
  TkcButtonState GetButtonGlyphState(TkcButtonState) override { return kcbsNormal; }
  int GetButtonContentMargin() override { return 2; }
  int GetButtonPressedShift() override { return 0; }
  void DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawGroupButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, int AButtonCount, int AButtonIndex,
                       TColor ABorderColor) override;
  void DrawButtonGroupBorder(TkcCanvas* ACanvas, const TRect& R, bool AActive, bool AHot) override;
  void PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) override;
  int GetExpandButtonExtent() override { return 11; }
  bool IsButtonHotTrackingEnabled() override { return true; }
  void DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders) override;
  void DrawHeaderCell(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                      TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                      TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                      TFont* AFont, TColor ATextColor, TColor ABkColor,
                      const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  void DrawSectionBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, TkcButtonState AState) override {
    ACanvas->FrameRect(R, AState == kcbsDisabled ? clBtnShadow : clBlack, 1, ABorders);
  }
  void DrawSectionContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcButtonState AState,
                          TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert, bool AMultiLine,
                          bool AShowEndEllipsis, const String& AText, TFont* AFont, TColor ATextColor,
                          TColor ABkColor) override;
  void DrawSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending) override {
    DrawEngravedSortingMark(ACanvas, R, AAscending, clBtnShadow, clBtnShadow);
  }
  TSize GetSortingMarkSize() override { return TSize{7, 8}; }
  TkcBorders GetHeaderBorders(TkcBorders ANeighbors) override;
  int GetHeaderBorderWidth() override { return 1; }
  TkcBorders GetFooterBorders() override { return TkcBorders{bRight, bBottom}; }
  int GetFooterBorderWidth() override { return 1; }
  int GetFooterCellContentOffset() override { return 1; }
  int GetFooterCellBorderWidth() override { return 2; }
  void DrawFooterBorder(TkcCanvas* ACanvas, const TRect& R) override {
    ACanvas->FrameRect(R, GetFooterSeparatorColor(), 1, TkcBorders{bRight, bBottom});
  }
  void DrawFooterCellBorder(TkcCanvas* ACanvas, const TRect& R) override {
    ACanvas->FrameRect(R, GetFooterSeparatorColor());
  }
  void DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AIsActive) override;
  TSize GetFilterCloseButtonExtent() override { return TSize{16, 15}; }
  void DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TkcBorders ABorders,
                          bool AVertical) override;
  void DrawLevelTabsBackground(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, bool) override {
    ACanvas->FrameRect(R, GetLevelTabBorderColor(), GetLevelTabBorderWidth(), ABorders);
  }
  int GetLevelTabBorderWidth() override { return 1; }
  void PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R, TkcScrollBarPart APart,
                          TkcButtonState AState) override;
  void DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override {
    DrawButton(ACanvas, R, "", AState, AState == kcbsHot || AState == kcbsPressed);
  }
  TColor GetSplitterBorderColor() override { return clBtnShadow; }
  void DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams, bool AHorizontal) override;

  virtual TColor GetFilterDropDownButtonBorderColor(TkcButtonState AState) {
    return AState == kcbsNormal ? clBtnShadow : clHighlight;
  }
  virtual TColor GetLevelTabBorderColor() { return clBtnShadow; }
  virtual TColor GetLevelTabSideColor() { return clBtnText; }
  virtual TColor GetHotBorderColor() { return clHighlight; }
};

class TkcOffice11LookAndFeelPainter : public TkcUltraFlatLookAndFeelPainter {
  VT_CLASS(TkcOffice11LookAndFeelPainter, TkcUltraFlatLookAndFeelPainter)
public:
  static TkcOffice11LookAndFeelPainter* Instance();
  int GetPainterStyleCode() override { return 4; }
  TColor GetFilterBoxDefaultColor() override;
  TColor GetFilterBoxDefaultTextColor() override;
  TColor GetFooterDefaultColor() override;
  TColor GetFooterDefaultTextColor() override { return GetHeaderDefaultTextColor(); }
  TColor GetGroupDefaultColor() override;
  TColor GetGroupByBoxDefaultColor() override;
  TColor GetGroupByBoxDefaultTextColor() override;
  TColor GetHeaderDefaultColor() override { return GetHeaderMiddleColor(); }
  TColor GetExtraDefaultColor1() override { return GetGroupByBoxDefaultColor(); }
  TColor GetCalendarHeaderDefaultColor() override;
  TColor GetCalendarSelectionDefaultColor() override;
  TColor GetCalendarSelectionDefaultTextColor() override { return clWindowText; }
  TColor GetSplitterBorderColor() override;
  TColor GetExtraDefaultColor6() override;
  TColor GetLevelTabDefaultColor() override;
  TColor GetLevelTabsBackgroundDefaultColor() override { return GetLevelTabDefaultColor(); }
  TColor GetExtraDefaultColor12() override;
  TColor GetExtraDefaultColor14() override { return GetExtraDefaultColor6(); }
  TColor GetHotBorderColor() override;
  void PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) override;
  TColor GetButtonFaceColor(TkcButtonState AState) override;
  TColor GetButtonGlyphColor(TkcButtonState AState, TColor ADefault = clDefault) override;
  void DrawButtonFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) override;
  bool IsExpandButtonDrawnFirst() override { return false; }
  void DrawSmallExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor, TColor) override {
    PaintExpandButton(ACanvas, R, AExpanded);
  }
  int GetExpandButtonExtent() override { return 11; }
  int GetSmallExpandButtonExtent() override { return GetExpandButtonExtent(); }
  TColor GetCheckButtonColor(TkcButtonState AState) override;
  TColor GetFilterDropDownButtonBorderColor(TkcButtonState AState) override;
  TColor GetLevelTabBorderColor() override { return GetHeaderDarkLineColor(); }
  void DrawContent(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcButtonState AState,
                   TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                   const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                   const TkcDrawBackgroundEvent& AOnDrawBackground, bool AFlatBackground = false) override;
  void DrawHeaderBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorders ANeighbors, TkcBorders ABorders) override;
  void DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                  TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                  TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                  const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false) override;
  void DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                   TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                   TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                   TFont* AFont, TColor ATextColor, TColor ABkColor) override;
  void DrawSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending) override {
    DrawEngravedSortingMark(ACanvas, R, AAscending, GetHeaderLightLineColor(), GetHeaderDarkLineColor());
  }
  TkcBorders GetHeaderBorders(TkcBorders) override { return kcAllBorders; }
  int GetHeaderBorderWidth() override { return 1; }
  bool GetExtraSortingFlag() override { return true; }
  TColor GetFooterSeparatorColor() override { return GetHeaderDarkLineColor(); }
  void PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R, TkcScrollBarPart APart,
                          TkcButtonState AState) override;
  void DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText, TkcBorders ANeighbors,
                            const TkcVisualParams& AParams, int AArrows, int AArrowsOffset,
                            const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  void DrawContainerBorder(TkcCanvas* ACanvas, const TRect& R) override {
    ACanvas->FrameRect(R, GetSplitterBorderColor());
  }
  void DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;

  virtual TColor GetHeaderBottomColor();
  virtual TColor GetHeaderDarkLineColor();
  virtual TColor GetHeaderLightLineColor();
  virtual TColor GetHeaderMiddleColor();
};

class TkcWinXPLookAndFeelPainter : public TkcStandardLookAndFeelPainter {
  VT_CLASS(TkcWinXPLookAndFeelPainter, TkcStandardLookAndFeelPainter)
public:
  static TkcWinXPLookAndFeelPainter* Instance();
  int GetPainterStyleCode() override { return 3; }
  int GetBorderWidth() override;
  void PaintControlBorder(TkcCanvas* ACanvas, const TRect& R) override;
  void DrawArrowButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, TkcArrowDirection ADirection,
                       bool AIsButton = true) override;
  void DrawButtonFaceAndBorder(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  TRect CalculateGroupButtonRect(const TRect& R, int ACount, int AIndex) override;
  int GetButtonBorderWidth(TkcButtonState AState = kcbsNormal) override;
  TColor GetButtonFaceColor(TkcButtonState AState) override;
  TRect GetButtonFocusRectangle(TkcCanvas* ACanvas, const TRect& R) override;
  TRect GetButtonGroupBorderWidths(int ACount, int AIndex) override;
  TColor GetButtonGlyphColor(TkcButtonState AState, TColor ADefault = clDefault) override;
  int GetButtonContentMargin() override { return 2; }
  int GetButtonPressedShift() override { return 0; }
  bool IsButtonHotTrackingEnabled() override { return true; }
  void DrawButton(TkcCanvas* ACanvas, const TRect& R, const String& ACaption, TkcButtonState AState,
                  bool ADrawBorder = true, TColor AColor = clDefault, TColor ATextColor = clDefault) override;
  void PaintExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor AColor = clDefault) override;
  bool IsExpandButtonDrawnFirst() override { return false; }
  void DrawGroupExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TkcButtonState AState) override;
  void DrawSmallExpandButton(TkcCanvas* ACanvas, const TRect& R, bool AExpanded, TColor ABorderColor,
                             TColor AColor = clDefault) override;
  int GetExpandButtonExtent() override;
  int GetGroupExpandButtonExtent() override;
  bool HitTestGroupExpandButton(const TRect& R, const TPoint& P) override;
  int GetSmallExpandButtonExtent() override;
  int GetCheckBorderWidth() override;
  TSize GetCheckBoxExtent() override;
  void DrawCheckFace(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AChecked, TColor AColor) override;
  void DrawCheckFrame(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawRadioButton(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState, bool AChecked, bool AHighlighted,
                       TColor ABackgroundColor = clDefault, bool AFocused = false) override;
  TSize GetRadioButtonExtent() override;
  void DrawHeader(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                  TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                  TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                  TFont* AFont, TColor ATextColor, TColor ABkColor,
                  const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr, bool AIsLast = false) override;
  void DrawHeaderPressed(TkcCanvas*, const TRect&) override {}
  void DrawSection(TkcCanvas* ACanvas, const TRect& ABounds, const TRect& ATextAreaBounds, TkcBorders ANeighbors,
                   TkcBorders ABorders, TkcButtonState AState, TAlignment AAlignmentHorz,
                   TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis, const String& AText,
                   TFont* AFont, TColor ATextColor, TColor ABkColor) override;
  void DrawSortingMark(TkcCanvas* ACanvas, const TRect& R, bool AAscending) override {
    TkcUltraFlatLookAndFeelPainter::Instance()->DrawSortingMark(ACanvas, R, AAscending);
  }
  TSize GetSortingMarkSize() override { return TSize{7, 8}; }
  int GetHeaderBorderWidth() override;
  int GetSectionBorderWidth(TkcButtonState) override { return GetHeaderBorderWidth(); }
  TRect GetSectionContentBounds(const TRect& R, TkcButtonState AState) override;
  bool GetExtraHeaderFlag() override { return false; }
  bool GetExtraSortingFlag() override { return true; }
  void DrawFooterBorder(TkcCanvas* ACanvas, const TRect& R) override;
  void DrawFooterCell(TkcCanvas* ACanvas, const TRect& R, TAlignment AAlignmentHorz, TkcAlignmentVert AAlignmentVert,
                      bool AMultiLine, const String& AText, TFont* AFont, TColor ATextColor, TColor ABkColor,
                      const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  int GetFooterCellContentOffset() override;
  bool GetExtraFooterFlag() override { return false; }
  void DrawFilterCloseButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  void DrawFilterDropDownButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState, bool AIsActive) override;
  TSize GetFilterActivateButtonExtent() override;
  TSize GetFilterCloseButtonExtent() override;
  void DrawLevelTab(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, const String& AText, TkcButtonState AState,
                    bool AVertical, TFont* AFont, TColor ATextColor, TColor ABkColor,
                    bool AShowPrefix = false) override;
  void DrawLevelTabBorder(TkcCanvas* ACanvas, const TRect& R, TkcBorder ASide, TkcBorders ABorders,
                          bool AVertical) override;
  void DrawLevelTabsBackground(TkcCanvas* ACanvas, const TRect& R, TkcBorders ABorders, bool AVertical) override;
  bool PaintsLevelTabContent() override;
  int GetExtraTabFlag() override;
  int GetLevelTabBorderWidth() override { return 1; }
  void DrawIndicatorItem(TkcCanvas* ACanvas, const TRect& R, int AKind, TColor ABkColor,
                         const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  void PaintScrollBarPart(TkcCanvas* ACanvas, bool AHorizontal, const TRect& R, TkcScrollBarPart APart,
                          TkcButtonState AState) override;
  void DrawHeaderWithArrows(TkcCanvas* ACanvas, const TRect& R, const String& AText, TkcBorders ANeighbors,
                            const TkcVisualParams& AParams, int AArrows, int AArrowsOffset,
                            const TkcDrawBackgroundEvent& AOnDrawBackground = nullptr) override;
  void DrawToolButton(TkcCanvas* ACanvas, const TRect& R, TkcButtonState AState) override;
  TColor GetSplitterBorderColor() override;
  void DrawSplitter(TkcCanvas* ACanvas, const TRect& R, const TkcVisualParams& AParams, bool AHorizontal) override;
  TColor GetExtraDefaultColor7() override { return static_cast<TColor>(0xD5FFFF); }

  virtual void DrawThemeContent(TkcCanvas* ACanvas, HTHEME ATheme, int APart, int AState, const TRect& ABounds,
                                const TRect& ATextAreaBounds, TAlignment AAlignmentHorz,
                                TkcAlignmentVert AAlignmentVert, bool AMultiLine, bool AShowEndEllipsis,
                                bool AShowPrefix, const String& AText, TFont* AFont, TColor ATextColor,
                                TColor ABkColor);
};

// The painter of a kind (not the native one).
TkcLookAndFeelPainterClass PainterOfKind(TkcLookAndFeelKind AKind);
// The push-button theme state of a button state.
int GetPushButtonThemeState(TkcButtonState AState);

// ---- Painter resources ----------------------------------------------------------------------

// The key of a radio glyph: State (1 normal .. 4 disabled), kind, checked, focused, highlighted.
int RadioGlyphKey(int AState, TkcLookAndFeelKind AKind, bool AChecked, bool AFocused, bool AHighlighted);

// The cache of pre-rendered radio glyphs for every kind and state.
class TkcRadioButtonImageList : public TObject {
  VT_CLASS(TkcRadioButtonImageList, TObject)
public:
  TkcRadioButtonImageList();
  ~TkcRadioButtonImageList() override;
  void Prepare();
  void Reset();
  void Draw(TkcCanvas* ACanvas, int X, int Y, TkcButtonState AState, TkcLookAndFeelKind AKind, bool AChecked,
            bool AFocused, bool AHighlighted, TColor ABackgroundColor);
  TSize GlyphSize() const { return TSize{fCircleWidth, fCircleHeight}; }
  int ImageIndex(int AKey) const { return AKey < static_cast<int>(fIndexes.size()) ? fIndexes[AKey] : -1; }
  int ImageCount() const;
  // The colour-map index (0..6) of a glyph pixel.
  int PatternAt(int X, int Y) const { return fPattern[static_cast<std::size_t>(Y) * fCircleWidth + X]; }

private:
  void Measure();
  void BuildPattern();
  HIMAGELIST fImages;
  HBITMAP fMask;
  std::vector<int> fIndexes;
  std::vector<int> fPattern;
  int fCircleLeft = 0, fCircleTop = 0, fCircleWidth = 0, fCircleHeight = 0;
  int fDotLeft = 0, fDotTop = 0, fDotRight = 0, fDotBottom = 0;
};

TkcRadioButtonImageList* GetRadioButtonImages();
// The row indicator images (arrow, edit pencil, insert star, multi-dot, multi-arrow, filter).
HIMAGELIST GetIndicatorImages();
// The system check-box size: a quarter of the width and a third of the height of its bitmap.
TSize GetSystemCheckBoxSize();
// The 8 x 8 half-tone bitmaps of scroll-bar page areas; refreshed from the system colours.
TBitmap* GetPageAreaBitmap(bool APressed);
void RefreshPageAreaBitmaps();
