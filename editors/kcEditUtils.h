#pragma once
// Drawing helpers of the editors and grid cells: a cache of solid brushes (system colours use
// the system brushes), fills and one-pixel borders, arrows, edit-button widths and frame parts,
// text-flag conversion, the colours of flat and Office 2003 buttons, and the painter of a kind.

#include <vector>

#include "controls/kcGraphics.h"
#include "controls/kcLookAndFeelPainters.h"
#include "editors/kcEdit.h"
#include "platform/forms/ImgList.h"

// A cache of solid brushes by colour, ordered by the colour's value; when full, the least used
// entry makes room. A system palette change empties it.
class TkcSolidBrushCache : public TObject {
  VT_CLASS(TkcSolidBrushCache, TObject)
public:
  explicit TkcSolidBrushCache(int AMaxDepth = 128);
  ~TkcSolidBrushCache() override;
  HBRUSH GetBrush(TColor AColor);
  void Clear();
  int Depth() const { return static_cast<int>(fEntries.size()); }
  int MaxDepth() const { return fMaxDepth; }
  bool Contains(TColor AColor) const;

private:
  struct Entry {
    DWORD Color;
    HBRUSH Brush;
    int Count;
  };
  std::vector<Entry> fEntries;
  int fMaxDepth;
  std::unique_ptr<TkcSystemPaletteChangedNotifier> fNotifier;
};

TkcSolidBrushCache* GetSolidBrushCache();
HBRUSH GetSolidBrush(TColor AColor);
void FillRectByColor(HDC ADC, const TRect& ARect, TColor AColor);
// Fills ARect except AInnerRect as four bands (left and right full height, top, bottom).
void FillRectExcluding(HDC ADC, const TRect& ARect, const TRect& AInnerRect, HBRUSH ABrush);
// One-pixel lines on the named sides (left, right, top, bottom), each shrinking ARect.
void DrawBorders(TkcCanvas* ACanvas, TRect& ARect, TkcBorders ABorders, TColor AColor);

// The size of an arrow for an area: width half the smaller side, odd; height half the width
// plus one; swapped for left and right.
TSize CalcArrowSize(const TSize& ASize, TkcArrowDirection ADirection);
// One arrow (two in a row with ADouble) of ASize, centred in ARect, one pixel right and down
// when pressed.
void DrawArrows(TkcCanvas* ACanvas, const TSize& ASize, const TRect& ARect, TColor AColor, bool APressed, bool ADouble,
                TkcArrowDirection ADirection);
// Dot size of an ellipsis button of that content width.
int GetEllipsisDotSize(int AWidth);

// Editor text flags from platform DrawText flags and back.
int ConvertDrawTextFlags(UINT ADrawTextFlags);
UINT ConvertEditTextFlags(int AFlags);

TColor GetHotLightColor();
TColor GetHighlightBorderColor(bool AOffice11);
TColor GetFlatButtonColor(bool APressed, bool AOffice11);
TkcLookAndFeelPainterClass SelectPainterClass(bool ANativeStyle, TkcLookAndFeelKind AKind);

// ---- Edit buttons as laid out ----------------------------------------------------------------

enum TkcEditButtonState { ebsDisabled, ebsNormal, ebsPressed, ebsSelected };
enum TkcEditButtonStyle { btsDefault, bts3D, btsFlat, btsSimple, btsHotFlat, btsUltraFlat, btsOffice11 };

struct TkcEditButtonViewInfoData {
  TColor BackgroundColor = clBtnFace;
  String Caption;
  bool Default = false;
  bool Gradient = false;
  bool IsInplace = false;
  TkcEditButtonKind Kind = bkDown;
  bool LeftAlignment = false;
  bool Leftmost = false;
  bool NativeStyle = false;
  bool Rightmost = false;
  TkcEditButtonState State = ebsNormal;
  TkcEditButtonStyle Style = btsDefault;
  TColor TextColor = clBtnText;
  bool Transparent = false;
  String VisibleCaption;
  bool BackgroundPartiallyTransparent = false;
  bool ComboBoxStyle = false;
  int NativePart = 0;
  int NativeState = 0;
};

class TkcEditButtonViewInfo : public TPersistent {
  VT_CLASS(TkcEditButtonViewInfo, TPersistent)
public:
  void Assign(TPersistent* Source) override;
  TRect Bounds{};
  TkcEditButtonViewInfoData Data;
  TBitmap* Glyph = nullptr;  // not owned
  bool HasBackground = false;
  int Index = -1;
  TRect VisibleBounds{};
  bool Stretchable = true;
  int Width = 0;
};

// The vertical frame part of a button of a paint style, and the horizontal one of a
// non-native button.
int GetEditButtonVertFramePart(TkcEditButtonStyle AStyle);
constexpr int kcEditButtonHorzFramePart = 4;
int CalcEditButtonWidth(TkcCanvas* ACanvas, TkcEditButtonViewInfo* AViewInfo);
// The theme part and state of a native button (combo drop-down button for the combo-box style,
// else push button) from its state; 0 and 0 when it is not native or no theme opens.
void CalculateButtonNativeInfo(TkcEditButtonViewInfo* AViewInfo);
// The margins of a theme part's content rect, measured on a 100 x 100 rect (none without a theme).
TRect GetThemeContentMargins(TkcThemedObjectType AType, int APart, int AState);
// The vertical two-colour gradient of an Office 2003 button in a state (not disabled).
void GetOffice11ButtonGradient(TkcEditButtonState AState, TColor& ATop, TColor& ABottom);
// Draws an image of a list at AImageRect's top-left corner, cut to AClip. Transparent, the
// list draws it directly; otherwise it is composed on an image-sized bitmap filled with the
// background colour (so its transparent parts show that colour) and AClip is then excluded
// from the canvas's clip region, so a background painted next leaves the image alone. Disabled
// images take the list's disabled look. An index outside the list draws nothing.
void DrawImageListImage(TkcCanvas* ACanvas, TCustomImageList* AImages, int AIndex, const TRect& AImageRect,
                        const TRect& AClip, bool ATransparent, TColor ABackgroundColor, bool AEnabled);
