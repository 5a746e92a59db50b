#pragma once
// The Office 2003 colour set: under one of the three colour schemes of the standard Luna theme
// the colours come from a fixed table per scheme, otherwise they are blended from the system
// colours. They are computed again on every system colour change.

#include "platform/forms/Graphics.h"

// 0 none, 1 normal colour (blue), 2 homestead (olive), 3 metallic (silver).
int GetOffice11ColorScheme();
bool IsLunaColorScheme();
// The scheme the current theme names (0 without themes or off the Luna theme).
int DetectOffice11Scheme();
void RecomputeOffice11Colors();
// Users of the colours count: the first computes them and loads the expand-button bitmaps.
void AddOffice11ColorsUser();
void RemoveOffice11ColorsUser();
// The 11 x 11 expand-button bitmaps (null while nobody uses the colours).
TBitmap* Office11ExpandButtonBitmap(bool AExpanded);
// The corner colours of the expand buttons.
constexpr TColor Office11ExpandButtonColor1 = static_cast<TColor>(RGB(158, 174, 191));
constexpr TColor Office11ExpandButtonColor2 = static_cast<TColor>(RGB(46, 70, 95));

extern TColor Office11GradientLightColor, Office11GradientDarkColor, Office11BackgroundColor,
    Office11LightBackgroundColor, Office11GroupByBoxColor, Office11HeaderDarkLineColor, Office11HeaderLightLineColor,
    Office11FilterBoxColor, Office11FilterBoxTextColor, Office11BorderColor, Office11SelectedBorderColor,
    Office11HotButtonColor, Office11HotButtonDarkColor, Office11PressedButtonColor, Office11PressedButtonDarkColor,
    Office11GlyphColor, Office11DisabledColor, Office11GroupRowColor, Office11SelectionColor, Office11ContentAltColor,
    Office11ElementBorderColor, Office11GroupRowTextColor, Office11GroupRowBandColor, Office11GroupRowLineColor;

// The names the tab painters use for the same colours.
inline TColor& Office11TabLightColor = Office11GradientLightColor;
inline TColor& Office11TabDarkColor = Office11GradientDarkColor;
inline TColor& Office11MainTabLightColor = Office11HotButtonColor;
inline TColor& Office11MainTabDarkColor = Office11HotButtonDarkColor;
inline TColor& Office11PressedLightColor = Office11PressedButtonColor;
inline TColor& Office11PressedDarkColor = Office11PressedButtonDarkColor;
inline TColor& Office11TextColor = Office11GlyphColor;
inline TColor& Office11DisabledTextColor = Office11DisabledColor;
inline TColor& Office11SeparatorDarkColor = Office11HeaderDarkLineColor;
inline TColor& Office11SeparatorLightColor = Office11HeaderLightLineColor;
