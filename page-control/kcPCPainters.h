#pragma once
// Tab painters: the base painter (clip stack, placing a tab's image and caption, captions
// cut with an ellipsis or drawn vertically, the rotated image cache), the colour maths and
// figure routines the styles share, the standard painter (navigator, tab pipeline, page
// frame) and the styles built on it.

#include <memory>
#include <vector>

#include "page-control/kcPC.h"

// ---- Colour maths and drawing routines ------------------------------------------------------

struct TkcHsb {
  long double Hue = 0, Saturation = 0, Brightness = 0;
};
TkcHsb ColorToHsb(TColor AColor);
TColor HsbToColor(long double AHue, long double ASaturation, long double ABrightness);
TColor LightenColor(TColor AColor, BYTE APercent);
// The button face raised by 20 per channel (computed once, when the painters start).
TColor LightFaceColor();
void UpdateLightFaceColor();
TkcCanvas* GetPaintersScreenCanvas();
// Tab controls count themselves so that the measuring canvas goes with the last one.
void TabControlCreated();
void TabControlDestroyed();
// Draws one-pixel lines on the sides in order (colour per side) and shrinks R past them.
void DrawBorderLines(TkcCanvas* ACanvas, TRect& R, const std::vector<TkcBorder>& ASides,
                     const std::vector<TColor>& AColors, bool AExcludeFromClip);
void GetOrientedRectSize(const TRect& R, bool AHorizontal, int& AWidth, int& AHeight);

// The side of a tab figure one outline segment lies on.
enum TLinePosition { lpL, lpLT, lpT, lpRT, lpR, lpRB, lpB, lpLB };
using TLinePositions = std::vector<TLinePosition>;
using TPoints = std::vector<TPoint>;
// The region of a figure whose segment i runs from point i to point i + 1 on side
// ALinePositions[i]: the segments on the left and top sides (ALeftTopSides) or on the right and
// bottom sides move one pixel inward first, so that the region covers what the outline
// encloses. The caller owns the region.
TkcRegion* CreateFigureRegion(TPoints APoints, const TLinePositions& ALinePositions, bool ALeftTopSides);
void AppendFigurePoints(TPoints& APoints, const TPoints& ANewPoints, TLinePositions& ALinePositions,
                        const TLinePositions& ANewLinePositions);

// ---- Rotated tab images ---------------------------------------------------------------------

class TkcPCImageList {
public:
  explicit TkcPCImageList(TkcCustomTabControl* AParent) : fParent(AParent) {}
  TCustomImageList* BaseImages() const { return fBaseImages; }
  void SetBaseImages(TCustomImageList* Value);
  // 0 none, 1 a quarter turn counter-clockwise, 2 clockwise.
  int RotationAngle() const { return fRotationAngle; }
  void SetRotationAngle(int Value);
  void Changed();
  TSize GetSize() const;
  TSize GetRotatedSize() const;
  void Draw(TkcCanvas* ACanvas, int X, int Y, int AIndex, bool AEnabled, TColor ABackgroundColor);
  TNotifyEvent OnChange;

private:
  struct TRotated {
    TColor Color = clNone;
    bool Enabled = true;
    std::unique_ptr<TBitmap> Bitmap;
    bool Valid = false;
  };
  TkcCustomTabControl* fParent;
  TCustomImageList* fBaseImages = nullptr;
  int fRotationAngle = 0;
  std::vector<TRotated> fRotatedImages;
};

// ---- The base painter -----------------------------------------------------------------------

struct TkcPCTabContentData {
  TRect ImageRect{}, TextRect{};
  int VisibleIndex = -1;
};

// Four margins (left, top, right, bottom) in the frame of tabs above the page.
using TkcPCMargins = TRect;

class TkcPCCustomPainter : public TObject {
  VT_CLASS(TkcPCCustomPainter, TObject)
public:
  explicit TkcPCCustomPainter(TkcCustomTabControl* AParent);
  ~TkcPCCustomPainter() override;
  virtual TkcPCPainterClass PainterClass() const = 0;

  // Class-level answers (hidden by each style).
  static bool ClassAllowRotate() { return true; }
  static TkcPCStyleID ClassStyleID() { return -1; }
  static String ClassStyleName() { return {}; }
  static bool ClassHasLookAndFeel(TkcLookAndFeel*) { return false; }
  static bool ClassIsDefaultForLookAndFeel(TkcLookAndFeel*) { return false; }
  virtual int GetStandardStyle() const { return 0; }
  virtual bool MirrorsTabContentOffsets() const { return true; }
  virtual bool AllowMultiSelectTabs() const { return false; }
  virtual bool MovesMainTabLine() const { return true; }
  virtual bool IsButtonStyle() const { return false; }

  virtual int CalculateTabNormalWidth(TkcTab* ATab) = 0;
  virtual int CalculateTabNormalHeight() = 0;
  virtual void GetTabBoundsCorrection(int AVisibleIndex, TRect& ADeltas);
  virtual void DrawTabImageAndText(int AVisibleIndex);
  virtual void FillPageClientRect();
  virtual int GetNavigatorButtonsDistance(TkcPCNavigatorButton, TkcPCNavigatorButton) { return 0; }
  virtual int GetNavigatorTabsDistance() { return 0; }
  virtual int GetNavigatorSideOffset() { return 0; }
  virtual int GetNavigatorEndOffset() { return 0; }
  virtual TColor GetPageColor();
  virtual void GetPageClientRectOffset(TkcPCMargins& AMargins);
  virtual void GetTabLinesOffset(TkcPCMargins& AMargins);
  virtual void GetTabImageOffsets(int AVisibleIndex, int AOffsets[4]) = 0;
  virtual void GetTabImageOnlyOffsets(int AVisibleIndex, int AMargins[2]) = 0;
  virtual void GetTabTextOffsets(int AVisibleIndex, int AOffsets[4]) = 0;
  virtual int GetFrameWidth() { return 0; }
  virtual bool UsePageColorForTabs() { return false; }
  virtual int GetImageTextDistance(int AVisibleIndex) = 0;
  virtual int GetMinTabNormalWidth() = 0;
  virtual TColor GetTabColor(int AVisibleIndex) = 0;
  virtual TColor GetTabDefinedColor(int AVisibleIndex);
  virtual TkcRegion* GetTabClipRegion(int AVisibleIndex);
  virtual TkcRegionOperation GetTabClipRegionOperation(int) { return roIntersect; }
  virtual void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) = 0;
  virtual void GetTabsDistance(TPoint& ADistance) { ADistance = {0, 0}; }
  virtual void CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& ARegion) = 0;
  virtual void GetTabCutTextMargins(int AVisibleIndex, int AMargins[2]) = 0;
  virtual void PaintContent();
  virtual void SetTabContentRects(int AVisibleIndex, const TRect& AImageRect, const TRect& ATextRect) = 0;
  virtual void InvalidateTabRect(int AVisibleIndex);
  virtual bool IsNativePainting() { return false; }
  virtual bool GetNavigatorButtonAt(int X, int Y, TkcPCNavigatorButton& AButton) = 0;
  virtual bool IsPointInTab(int, int, int) { return true; }
  virtual bool IsTabDown(int AVisibleIndex) = 0;
  virtual bool IsTabTransparent(int) { return false; }
  virtual bool NeedsRedrawOnResize() { return IsNativePainting(); }
  virtual bool IsFrameVisible();
  virtual void Paint() { PaintContent(); }
  virtual void PaintNavigator() = 0;
  virtual void PaintPageClientArea();
  virtual void PaintFrame() = 0;
  virtual void PaintTabs() = 0;
  virtual void FillTextBitmapBackground(TBitmap*, const TRect&, int) {}
  virtual void InvalidateNavigatorButton(TkcPCNavigatorButton, TkcPCNavigatorButtonState) {}
  virtual void RepaintTab(int, TkcTabChangeKind) {}
  virtual void GetGoDialogButtonBounds(TRect& R) = 0;
  virtual void GetTabThemeParts(int, int& APart, int& AState) { APart = AState = 0; }
  // 3 for the main tab, 2 for the hot one, else 1.
  int GetTabThemeState(int AVisibleIndex);
  // The pane part's content margins (left, top, right, bottom).
  TRect GetThemedFrameOffsets();

  // Shared helpers.
  TkcCustomTabControl* ParentControl() const { return fParent; }
  TkcCanvas* Canvas() const;
  TkcTab* VisibleTab(int AVisibleIndex) const;
  void SaveClipRegion();
  void RestoreClipRegion();
  bool SetClipRect(const TRect& R, bool AIntersect);
  void DrawPolyline(const std::vector<TPoint>& APoints, TColor AColor, TkcCanvas* ACanvas = nullptr);
  static TPoint RotatePointToSide(const TRect& R, TPoint P, TkcTabPosition ASide);
  void DrawRotatedPolyline(const TRect& R, std::vector<TPoint> APoints, TColor AColor, TkcTabPosition ASide);
  static TRect InflateRotatedRect(const TRect& R, const TkcPCMargins& AMargins, TkcTabPosition ASide);
  TRect GetPageClientRect();
  TRect GetPageClientRectWithoutLines();
  bool CallDrawTabEvent(int AVisibleIndex);
  bool IsOwnerDrawn() const;
  bool HasTabImage(int AVisibleIndex);
  TSize GetImageSize() const;
  TSize GetRotatedImageSize() const;
  TColor GetHotTrackTextColor() const { return clBlue; }
  virtual TColor GetTabTextColor(int AVisibleIndex);
  int GetMaxTabTextHeight();
  // The single-line width of a tab's caption in its own font.
  int MeasureCaption(TkcTab* ATab);
  void InvalidateRectInControl(const TRect& R);
  void InvalidateTabFullRect(int AVisibleIndex);
  void ExcludeTabContentFromClip();
  void CalculateTabContentRects(int AVisibleIndex);
  int ClipStackDepth() const { return int(fClipRegionStack.size()); }
  TkcPCTabContentData TabContentData;
  TkcPCImageList* ImageList() const;

protected:
  void AdjustTextMargins(int AVisibleIndex, int AMargins[2], bool AHasImages);
  void DrawCaption(const String& ACaption, const TRect& R, bool AEnabled, TColor AColor);
  void DrawRotatedCaption(TkcTab* ATab, const TRect& R, bool AEnabled, TColor AColor);
  // Fills a caption bitmap (for the caption at ATextRect) with the gradient C1 to C2 that runs
  // over AGradientRect (control coordinates; along X when AAlongX), turned with a vertical
  // caption so that the bitmap shows, where it is drawn, what the body shows there.
  void FillCaptionBitmapGradient(TBitmap* ABitmap, const TRect& ATextRect, TRect AGradientRect, TColor C1, TColor C2,
                                 bool AAlongX);
  void RenderCaption(TkcCanvas* ACanvas, const String& ACaption, TRect R, bool AEnabled);

private:
  TkcCustomTabControl* fParent;
  std::vector<std::unique_ptr<TkcRegion>> fClipRegionStack;
};

// Fits a single-line caption into AWidth with an end ellipsis ("..." after whole characters):
// the text to show and its width; an empty text and 0 when even that does not fit.
String FitCaptionText(TkcCanvas* ACanvas, const String& ACaption, int AWidth, int& AFittedWidth);

// ---- The standard painter -------------------------------------------------------------------

struct TkcPCNavigatorButtonInfo {
  TColor BrushColor = clBtnText, PenColor = clBtnText;
  bool Enabled = true, SmallCloseGlyph = false;
};

class TkcPCStandardPainter : public TkcPCCustomPainter {
  VT_CLASS(TkcPCStandardPainter, TkcPCCustomPainter)
public:
  using TkcPCCustomPainter::TkcPCCustomPainter;
  struct TNavigatorButtonPosition {
    TkcPCNavigatorButton Button;
    TRect Bounds;
  };

  bool MirrorsTabContentOffsets() const override { return GetStandardStyle() == 0; }
  bool AllowMultiSelectTabs() const override { return GetStandardStyle() != 0; }
  bool IsButtonStyle() const override { return GetStandardStyle() != 0; }

  int CalculateTabNormalWidth(TkcTab* ATab) override;
  int CalculateTabNormalHeight() override;
  void GetTabImageOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabTextOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabImageOnlyOffsets(int, int AMargins[2]) override { AMargins[0] = AMargins[1] = 0; }
  int GetFrameWidth() override { return 2; }
  int GetImageTextDistance(int) override { return 6; }
  int GetMinTabNormalWidth() override;
  void GetTabsDistance(TPoint& ADistance) override;
  void CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& ARegion) override;
  void SetTabContentRects(int, const TRect& AImageRect, const TRect& ATextRect) override;
  bool GetNavigatorButtonAt(int X, int Y, TkcPCNavigatorButton& AButton) override;
  bool IsTabDown(int AVisibleIndex) override;
  void Paint() override;
  void PaintNavigator() override;
  void PaintFrame() override;
  void PaintTabs() override;
  void InvalidateNavigatorButton(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonState) override;
  void RepaintTab(int AVisibleIndex, TkcTabChangeKind AChange) override;
  void GetGoDialogButtonBounds(TRect& R) override;

  virtual void PaintTab(int AVisibleIndex);
  virtual void GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo);
  virtual TRect CalculateNavigatorBounds(TkcPCNavigatorButtons AButtons);
  virtual void CalculateNavigatorButtons(TkcPCNavigatorButtons AButtons);
  virtual int GetNavigatorAreaLength(TkcPCNavigatorButtons AButtons);
  virtual TColor GetNavigatorButtonColor(TkcPCNavigatorButtonState) { return clBtnFace; }
  virtual TColor GetNavigatorGlyphColor(TkcPCNavigatorButtonState AState);
  virtual TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton);
  virtual int GetNavigatorButtonHeight() { return 20; }
  virtual int GetNavigatorButtonWidth(TkcPCNavigatorButton AButton);
  virtual int GetMinTabNormalHeight() { return GetStandardStyle() == 0 ? 18 : 20; }
  virtual int GetMinTabWidthBase() { return 42; }
  virtual TColor GetControlBackgroundColor();
  virtual int GetMinPageFrameSize() { return 2 * GetFrameWidth(); }
  virtual TRect GetTabsAreaMargins() { return {}; }
  virtual int GetContentTabNormalHeight();
  virtual void DrawNavigatorButton(TkcPCNavigatorButton AButton, TRect R);
  virtual void FillNavigatorButton(TRect& R, TkcPCNavigatorButtonState AState);
  virtual void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState);
  virtual void DrawPageFrame(TRect R);
  virtual void DrawTab(int AVisibleIndex) = 0;
  virtual void PrepareNativeTab(int) {}
  virtual void GetNavigatorButtonOrder(TkcPCNavigatorButtons AButtons, std::vector<TkcPCNavigatorButton>& AList);

  const std::vector<TNavigatorButtonPosition>& NavigatorButtonPositions() const { return fNavigatorButtons; }
  void DrawButtonBorder3D(const TRect& R, bool APressed, bool AThin = false);
  void DrawNavigatorGlyph(TkcPCNavigatorButton AButton, TPoint AOrigin, const TkcPCNavigatorButtonInfo& AInfo);
  TPoint GetNavigatorGlyphFixedOffset(TkcPCNavigatorButton AButton);
  TPoint GetNavigatorGlyphCentredOffset(TkcPCNavigatorButton AButton);
  void DrawTabFocusRect(int AVisibleIndex, TRect R);
  bool IsHorizontalTabs() const;
  int NavigatorButtonsLength(TkcPCNavigatorButtons AButtons);
  // Whether the navigator lies at the start of the strip (left, or top for vertical tabs).
  bool IsNavigatorAtStart() const;
  // Takes the navigator's length off the end of R where the navigator lies.
  void TakeNavigatorArea(TRect& R, int ALength) const;

protected:
  int ImagePart() const;
  std::vector<TNavigatorButtonPosition> fNavigatorButtons;
  TRect fNavigatorBounds{};
};

#define VT_PC_PAINTER(P) \
  TkcPCPainterClass PainterClass() const override { return TkcPCPainterClassOf<P>::Instance(); }

// ---- The Tabs style: three-dimensional notebook tabs joined to the page frame ----------------

class TkcPCTabsPainter : public TkcPCStandardPainter {
  VT_CLASS(TkcPCTabsPainter, TkcPCStandardPainter)
public:
  using TkcPCStandardPainter::TkcPCStandardPainter;
  VT_PC_PAINTER(TkcPCTabsPainter)
  static TkcPCStyleID ClassStyleID() { return 1; }
  static String ClassStyleName() { return "Tabs"; }
  static bool ClassHasLookAndFeel(TkcLookAndFeel* L);
  static bool ClassIsDefaultForLookAndFeel(TkcLookAndFeel* L) { return L && L->NativeStyle(); }

  void GetTabBoundsCorrection(int AVisibleIndex, TRect& ADeltas) override;
  void GetTabLinesOffset(TkcPCMargins& AMargins) override;
  void GetTabImageOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabTextOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabImageOnlyOffsets(int AVisibleIndex, int AMargins[2]) override;
  TColor GetTabColor(int AVisibleIndex) override;
  TkcRegion* GetTabClipRegion(int AVisibleIndex) override;
  TkcRegionOperation GetTabClipRegionOperation(int AVisibleIndex) override;
  void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) override;
  void GetTabCutTextMargins(int AVisibleIndex, int AMargins[2]) override { GetTabTextMargins(AVisibleIndex, AMargins); }
  void CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& ARegion) override;
  void InvalidateTabRect(int AVisibleIndex) override;
  bool IsFrameVisible() override { return true; }
  void PaintTabs() override;
  void RepaintTab(int AVisibleIndex, TkcTabChangeKind AChange) override;
  TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) override {
    return GetNavigatorGlyphFixedOffset(AButton);
  }
  int GetContentTabNormalHeight() override;
  void DrawTab(int AVisibleIndex) override;
  // Native (themed) drawing.
  bool IsNativePainting() override;
  void GetTabThemeParts(int AVisibleIndex, int& APart, int& AState) override;
  void GetPageClientRectOffset(TkcPCMargins& AMargins) override;
  void PaintPageClientArea() override;
  int GetNavigatorButtonHeight() override;
  int GetNavigatorButtonWidth(TkcPCNavigatorButton AButton) override;
  void DrawNavigatorButton(TkcPCNavigatorButton AButton, TRect R) override;
  void PrepareNativeTab(int AVisibleIndex) override;
  void DrawNativePane();

  virtual void GetTabCornerColors(int AVisibleIndex, TColor& C1, TColor& C2);
  virtual void DrawTabCorners(int AVisibleIndex, const TRect& F);
  virtual void DrawTabBorder(int AVisibleIndex, const TRect& F);

protected:
  TRect ExtendTowardPage(int AVisibleIndex, TRect R);
};

// ---- Buttons and FlatButtons: tabs drawn as push buttons, several may be selected -----------

class TkcPCButtonedPainter : public TkcPCStandardPainter {
  VT_CLASS(TkcPCButtonedPainter, TkcPCStandardPainter)
public:
  using TkcPCStandardPainter::TkcPCStandardPainter;
  void GetTabLinesOffset(TkcPCMargins& AMargins) override;
  TColor GetTabColor(int AVisibleIndex) override;
  void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) override;
  void GetTabCutTextMargins(int AVisibleIndex, int AMargins[2]) override { GetTabTextMargins(AVisibleIndex, AMargins); }
  bool IsTabDown(int AVisibleIndex) override;
  TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) override {
    return GetNavigatorGlyphFixedOffset(AButton);
  }
};

class TkcPCButtonsPainter : public TkcPCButtonedPainter {
  VT_CLASS(TkcPCButtonsPainter, TkcPCButtonedPainter)
public:
  using TkcPCButtonedPainter::TkcPCButtonedPainter;
  VT_PC_PAINTER(TkcPCButtonsPainter)
  static TkcPCStyleID ClassStyleID() { return 2; }
  static String ClassStyleName() { return "Buttons"; }
  int GetStandardStyle() const override { return 1; }
  bool IsTabDown(int AVisibleIndex) override;
  void DrawTab(int AVisibleIndex) override;
};

class TkcPCFlatButtonsPainter : public TkcPCButtonedPainter {
  VT_CLASS(TkcPCFlatButtonsPainter, TkcPCButtonedPainter)
public:
  using TkcPCButtonedPainter::TkcPCButtonedPainter;
  VT_PC_PAINTER(TkcPCFlatButtonsPainter)
  static TkcPCStyleID ClassStyleID() { return 3; }
  static String ClassStyleName() { return "FlatButtons"; }
  int GetStandardStyle() const override { return 2; }
  void PaintTab(int AVisibleIndex) override;
  void DrawTab(int AVisibleIndex) override;
};

// ---- ExtraFlat, UltraFlat and Office11: each line a band, the main tab framed -----------------

class TkcPCExtraFlatPainter : public TkcPCStandardPainter {
  VT_CLASS(TkcPCExtraFlatPainter, TkcPCStandardPainter)
public:
  using TkcPCStandardPainter::TkcPCStandardPainter;
  VT_PC_PAINTER(TkcPCExtraFlatPainter)
  static TkcPCStyleID ClassStyleID() { return 5; }
  static String ClassStyleName() { return "ExtraFlat"; }

  int CalculateTabNormalWidth(TkcTab* ATab) override;
  int GetMinTabNormalWidth() override;
  int CalculateTabNormalHeight() override;
  void GetTabBoundsCorrection(int AVisibleIndex, TRect& ADeltas) override;
  void GetTabImageOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabTextOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) override;
  void GetTabCutTextMargins(int AVisibleIndex, int AMargins[2]) override { GetTabTextMargins(AVisibleIndex, AMargins); }
  void GetTabsDistance(TPoint& ADistance) override;
  int GetFrameWidth() override { return 1; }
  TColor GetPageColor() override;
  void GetPageClientRectOffset(TkcPCMargins& AMargins) override;
  void GetTabLinesOffset(TkcPCMargins& AMargins) override;
  TColor GetTabColor(int AVisibleIndex) override;
  int GetMinTabNormalHeight() override { return 17; }
  TColor GetControlBackgroundColor() override { return clBtnFace; }
  void CalculateTabsRegion(TkcPCNavigatorButtons AButtons, TkcPCTabsRegion& ARegion) override;
  void PaintContent() override;
  void PaintPageClientArea() override;
  void PaintFrame() override;
  void PaintTabs() override;
  void DrawTab(int AVisibleIndex) override;
  void RepaintTab(int AVisibleIndex, TkcTabChangeKind AChange) override;
  int GetNavigatorButtonHeight() override { return 13; }
  int GetNavigatorButtonWidth(TkcPCNavigatorButton) override { return 13; }
  int GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) override;
  int GetNavigatorSideOffset() override { return 6; }
  int GetNavigatorEndOffset() override { return HasPageFrameInset() ? GetFrameWidth() + 1 : 1; }
  void GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TkcPCNavigatorButtonState AState) override;
  TColor GetNavigatorGlyphColor(TkcPCNavigatorButtonState AState) override;
  TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) override;
  void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) override;

  virtual int GetLineBorderWidth() { return 3; }
  virtual TRect GetMainTabFocusBounds(int AVisibleIndex);
  virtual TPoint GetTabSeparatorInsets() { return {2, 2}; }
  virtual void FillTabBackground(const TRect& R, int AVisibleIndex);
  virtual void AdjustPageClientRectOffset(TkcPCMargins& AMargins);
  virtual TColor GetPageBandColor();
  virtual TRect GetPageBandRect();
  virtual TRect GetTabBandRect(int AVisibleIndex);
  virtual int GetTabSeparatorWidth() { return 1; }
  virtual bool HasPageFrameInset() { return false; }
  virtual void GetMainTabBorderColors(TColor& C1, TColor& C2) { C1 = clWhite, C2 = clBlack; }
  virtual void DrawMainTabBorder(TRect& R, int AVisibleIndex);
  virtual void DrawTabSeparator(const TRect& R);
  virtual std::vector<TColor> LineBorderColors(int ADisplayLine);
  void DrawLineBorder(TRect R, int ADisplayLine);
  TkcBorders FrameSides();

protected:
  bool IsStripReversed() const;
};

class TkcPCUltraFlatPainter : public TkcPCExtraFlatPainter {
  VT_CLASS(TkcPCUltraFlatPainter, TkcPCExtraFlatPainter)
public:
  using TkcPCExtraFlatPainter::TkcPCExtraFlatPainter;
  VT_PC_PAINTER(TkcPCUltraFlatPainter)
  static TkcPCStyleID ClassStyleID() { return 6; }
  static String ClassStyleName() { return "UltraFlat"; }
  static bool ClassHasLookAndFeel(TkcLookAndFeel* L);
  int GetNavigatorButtonHeight() override { return 15; }
  int GetNavigatorButtonWidth(TkcPCNavigatorButton AButton) override;
  int GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) override;
  int GetNavigatorSideOffset() override { return 3; }
  void GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TkcPCNavigatorButtonState AState) override;
  TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) override {
    return GetNavigatorGlyphCentredOffset(AButton);
  }
  void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) override;
  void PaintFrame() override;
  TRect GetMainTabFocusBounds(int AVisibleIndex) override;
  void GetMainTabBorderColors(TColor& C1, TColor& C2) override { C1 = C2 = clBlack; }
  std::vector<TColor> LineBorderColors(int ADisplayLine) override;
};

class TkcPCOffice11Painter : public TkcPCUltraFlatPainter {
  VT_CLASS(TkcPCOffice11Painter, TkcPCUltraFlatPainter)
public:
  using TkcPCUltraFlatPainter::TkcPCUltraFlatPainter;
  VT_PC_PAINTER(TkcPCOffice11Painter)
  static TkcPCStyleID ClassStyleID() { return 8; }
  static String ClassStyleName() { return "Office11"; }
  static bool ClassHasLookAndFeel(TkcLookAndFeel* L);
  TColor GetTabColor(int AVisibleIndex) override;
  bool IsTabTransparent(int AVisibleIndex) override;
  bool NeedsRedrawOnResize() override;
  int GetLineBorderWidth() override { return 1; }
  int GetTabSeparatorWidth() override { return 2; }
  TPoint GetTabSeparatorInsets() override;
  bool HasPageFrameInset() override { return IsFrameVisible(); }
  TColor GetControlBackgroundColor() override { return GetFrameColor(); }
  TColor GetNavigatorGlyphColor(TkcPCNavigatorButtonState AState) override;
  void FillNavigatorButton(TRect& R, TkcPCNavigatorButtonState AState) override;
  void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) override;
  void AdjustPageClientRectOffset(TkcPCMargins& AMargins) override;
  void PaintPageClientArea() override;
  void PaintFrame() override;
  void FillPageClientRect() override;
  void FillTabBackground(const TRect& R, int AVisibleIndex) override;
  TColor GetPageBandColor() override;
  TRect GetPageBandRect() override;
  void GetMainTabBorderColors(TColor& C1, TColor& C2) override { C1 = C2 = GetFrameColor(); }
  void FillTextBitmapBackground(TBitmap* ABitmap, const TRect& ATextRect, int AVisibleIndex) override;
  void DrawTabSeparator(const TRect& R) override;
  std::vector<TColor> LineBorderColors(int) override { return {GetFrameColor()}; }
  virtual TColor GetFrameColor();

private:
  void Gradient(const TRect& R, TColor C1, TColor C2);
};

// ---- Flat: the Tabs style with thinner lines ------------------------------------------------

class TkcPCFlatPainter : public TkcPCTabsPainter {
  VT_CLASS(TkcPCFlatPainter, TkcPCTabsPainter)
public:
  using TkcPCTabsPainter::TkcPCTabsPainter;
  VT_PC_PAINTER(TkcPCFlatPainter)
  static TkcPCStyleID ClassStyleID() { return 7; }
  static String ClassStyleName() { return "Flat"; }
  static bool ClassHasLookAndFeel(TkcLookAndFeel* L);
  static bool ClassIsDefaultForLookAndFeel(TkcLookAndFeel*) { return false; }
  int GetFrameWidth() override { return 1; }
  TkcRegion* GetTabClipRegion(int AVisibleIndex) override;
  TkcRegionOperation GetTabClipRegionOperation(int) override { return roIntersect; }
  TPoint GetNavigatorGlyphOffset(TkcPCNavigatorButton AButton) override;
  int GetNavigatorButtonHeight() override { return TkcPCTabsPainter::GetNavigatorButtonHeight() - 2; }
  int GetNavigatorButtonWidth(TkcPCNavigatorButton B) override {
    return TkcPCTabsPainter::GetNavigatorButtonWidth(B) - 2;
  }
  void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) override;
  void DrawPageFrame(TRect R) override;
  void DrawTabBorder(int AVisibleIndex, const TRect& F) override;
};

// ---- Slanted and OneNote: polygonal tabs that overlap their neighbours -----------------------

class TkcPCSlantedPainter : public TkcPCStandardPainter {
  VT_CLASS(TkcPCSlantedPainter, TkcPCStandardPainter)
public:
  using TkcPCStandardPainter::TkcPCStandardPainter;
  VT_PC_PAINTER(TkcPCSlantedPainter)
  static TkcPCStyleID ClassStyleID() { return 9; }
  static String ClassStyleName() { return "Slanted"; }

  int CalculateTabNormalWidth(TkcTab* ATab) override;
  void FillPageClientRect() override;
  int GetNavigatorButtonsDistance(TkcPCNavigatorButton B1, TkcPCNavigatorButton B2) override;
  int GetNavigatorTabsDistance() override { return 1; }
  int GetNavigatorSideOffset() override { return 1; }
  int GetNavigatorEndOffset() override { return 0; }
  void GetPageClientRectOffset(TkcPCMargins& AMargins) override;
  void GetTabImageOffsets(int AVisibleIndex, int AOffsets[4]) override;
  void GetTabTextOffsets(int AVisibleIndex, int AOffsets[4]) override;
  int GetFrameWidth() override { return 1; }
  bool UsePageColorForTabs() override { return true; }
  int GetImageTextDistance(int) override { return 3; }
  TColor GetTabColor(int AVisibleIndex) override;
  TkcRegion* GetTabClipRegion(int AVisibleIndex) override;
  void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) override;
  void GetTabCutTextMargins(int AVisibleIndex, int AMargins[2]) override { GetTabTextMargins(AVisibleIndex, AMargins); }
  void GetTabsDistance(TPoint& ADistance) override;
  bool IsPointInTab(int AVisibleIndex, int X, int Y) override;
  bool IsTabDown(int) override { return false; }
  void PaintFrame() override;
  void PaintTabs() override;
  void GetNavigatorGlyphInfo(TkcPCNavigatorButton AButton, TkcPCNavigatorButtonInfo& AInfo) override;
  TColor GetNavigatorButtonColor(TkcPCNavigatorButtonState AState) override;
  TColor GetNavigatorGlyphColor(TkcPCNavigatorButtonState AState) override;
  int GetNavigatorButtonHeight() override { return 17; }
  int GetNavigatorButtonWidth(TkcPCNavigatorButton AButton) override;
  int GetMinTabNormalHeight() override { return 0; }
  TRect GetTabsAreaMargins() override;
  int GetContentTabNormalHeight() override;
  void DrawNavigatorButtonBorder(TRect& R, TkcPCNavigatorButtonState AState) override;
  void DrawTab(int AVisibleIndex) override;
  void FillTextBitmapBackground(TBitmap* ABitmap, const TRect& ATextRect, int AVisibleIndex) override;

  virtual bool UsesHotGradientForMainTab() { return false; }
  virtual void GetTabGradientColors(int AVisibleIndex, TColor& C1, TColor& C2);
  virtual int GetSlantSize();
  virtual int GetMinSlantedTabWidth();
  virtual TColor GetOutlineColor() { return clBtnShadow; }
  virtual TkcTabSlantPositions GetSlantPositions();
  // The outline in the frame of tabs on top (L = left, B = bottom of the full rectangle), open at
  // the page side, with the side of each segment.
  virtual void GetTabFigure(int AVisibleIndex, TPoints& APoints, TLinePositions& ALinePositions);
  // The inner region clips the body; the outer one is the tab's clip and hit-test shape.
  virtual TkcRegion* GetTabRegion(int AVisibleIndex, bool AInner);
  // The outline's points turned to the tab's real side.
  TPoints RotatedFigure(int AVisibleIndex, TPoints APoints);
  virtual void DrawTabOutline(int AVisibleIndex);
  virtual void DrawHotTabMark(int AVisibleIndex);
  virtual void DrawMainTabJoin(int AVisibleIndex);
  int GetTabMinContentWidth(int AVisibleIndex);
  // The tabs' normal height as the layout measured it (once, before the widths, which depend on
  // it through the slant); measured here only before a first layout.
  int LaidOutTabHeight();
  TRect GetMainTabJoinRect(int AVisibleIndex);
  void DrawLineBorders(int AFirst, int ALast, bool AOutermost, bool ANextToPage);
};

class TkcPCOneNotePainter : public TkcPCSlantedPainter {
  VT_CLASS(TkcPCOneNotePainter, TkcPCSlantedPainter)
public:
  using TkcPCSlantedPainter::TkcPCSlantedPainter;
  VT_PC_PAINTER(TkcPCOneNotePainter)
  static TkcPCStyleID ClassStyleID() { return 10; }
  static String ClassStyleName() { return "OneNote"; }
  static bool ClassAllowRotate() { return false; }
  int GetNavigatorSideOffset() override { return 0; }
  void GetTabImageOffsets(int, int O[4]) override { O[0] = 0, O[1] = 3, O[2] = 0, O[3] = 1; }
  void GetTabTextOffsets(int, int O[4]) override { O[0] = 0, O[1] = 4, O[2] = 0, O[3] = 1; }
  void GetTabTextMargins(int AVisibleIndex, int AMargins[2]) override;
  void GetTabsDistance(TPoint& ADistance) override;
  TRect GetTabsAreaMargins() override;
  bool UsesHotGradientForMainTab() override { return true; }
  int GetSlantSize() override { return LaidOutTabHeight() + 2; }
  int GetMinSlantedTabWidth() override { return GetSlantSize() + 4; }
  TColor GetOutlineColor() override;
  TkcTabSlantPositions GetSlantPositions() override { return {spLeft}; }
  void GetTabFigure(int AVisibleIndex, TPoints& APoints, TLinePositions& ALinePositions) override;
  TkcRegion* GetTabRegion(int AVisibleIndex, bool AInner) override;
  void DrawTabOutline(int AVisibleIndex) override;
  void DrawHotTabMark(int) override {}
  void DrawMainTabJoin(int AVisibleIndex) override;
  // The colour a pixel of the control shows under the tabs: the tab there, else the control's.
  TColor GetTabColorUnderPoint(TPoint P);
};

// The four OneNote outline colours of the current Office 2003 scheme: selected tab border (and
// frame), other tab border, hot tab, base colour of other tabs.
struct TkcOneNoteColors {
  TColor SelectedBorder, Border, Hot, Base;
};
const TkcOneNoteColors& OneNoteColors();
void LoadOneNoteColors();
