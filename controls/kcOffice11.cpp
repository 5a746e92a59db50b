#include "controls/kcOffice11.h"

#include <memory>

#include "controls/kcGraphics.h"
#include "controls/kcThemeManager.h"

TColor Office11GradientLightColor, Office11GradientDarkColor, Office11BackgroundColor, Office11LightBackgroundColor,
    Office11GroupByBoxColor, Office11HeaderDarkLineColor, Office11HeaderLightLineColor, Office11FilterBoxColor,
    Office11FilterBoxTextColor, Office11BorderColor, Office11SelectedBorderColor, Office11HotButtonColor,
    Office11HotButtonDarkColor, Office11PressedButtonColor, Office11PressedButtonDarkColor, Office11GlyphColor,
    Office11DisabledColor, Office11GroupRowColor, Office11SelectionColor, Office11ContentAltColor,
    Office11ElementBorderColor, Office11GroupRowTextColor, Office11GroupRowBandColor, Office11GroupRowLineColor;

namespace {

// The entries of the scheme tables that a colour takes (0xBBGGRR); the others are unused here.
struct SchemeEntry {
  int entry;
  TColor colors[3];
};
constexpr SchemeEntry kSchemeTable[] = {
    {0, {0xFEECDD, 0xDEF7F4, 0xFAF4F3}},  {1, {0xE2A981, 0x91C6B7, 0xB59799}},  {2, {0xF5BE9E, 0xA7D9D9, 0xE5D7D7}},
    {3, {0xF9DAC3, 0xE4F0F2, 0xF7F3F3}},  {4, {0x913500, 0x6B7760, 0x927476}},  {11, {0xE0A47B, 0x8FC4B5, 0xB09193}},
    {14, {0xCB8C6A, 0x588060, 0x8F6D6E}}, {15, {0xFFF9F1, 0xDEF7F4, 0xFFFFFF}}, {16, {0xC9662A, 0x5E8674, 0x99797A}},
    {18, {0x962D00, 0x5E8D75, 0x947C7C}}, {21, {0x800000, 0x385D3F, 0x6F4B4B}}, {22, {0xCCF4FF, 0xCCF4FF, 0xCCF4FF}},
    {23, {0x91D0FF, 0x91D0FF, 0x91D0FF}}, {24, {0x8ED3FF, 0x8ED3FF, 0x8ED3FF}}, {25, {0x4E91FE, 0x4E91FE, 0x4E91FE}},
    {30, {0x000000, 0x000000, 0x000000}}, {31, {0x8D8D8D, 0x8D8D8D, 0x8D8D8D}}, {32, {0xFBDABE, 0x91BAAF, 0xEBE5E5}},
    {33, {0x94E6FB, 0x94E6FB, 0x94E6FB}}, {34, {0xFADAC4, 0xE4F1F2, 0xF7F3F3}}, {35, {0x962D00, 0x588060, 0x947C7C}},
    {36, {0xB96837, 0x548973, 0x916F70}},
};

int gScheme = 0;
int gUsers = 0;
TBitmap* gPlus = nullptr;
TBitmap* gMinus = nullptr;

TColor Entry(int entry) {
  for (const auto& e : kSchemeTable)
    if (e.entry == entry) return e.colors[gScheme - 1];
  return clNone;
}

void FreeBitmaps() {
  delete gPlus;
  delete gMinus;
  gPlus = gMinus = nullptr;
}

void LoadBitmaps() {
  FreeBitmaps();
  gPlus = new TBitmap;
  gPlus->LoadFromResourceName(HINSTANCE(), "KCEXPANDBUTTON_PLUS");
  gMinus = new TBitmap;
  gMinus->LoadFromResourceName(HINSTANCE(), "KCEXPANDBUTTON_MINUS");
}

}  // namespace

int GetOffice11ColorScheme() { return gScheme; }
bool IsLunaColorScheme() { return AreThemesAvailable() && gScheme != 0; }

int DetectOffice11Scheme() {
  std::u16string color;
  if (CurrentThemeFileName(&color) != u"LUNA.MSSTYLES") return 0;
  if (color == u"NORMALCOLOR") return 1;
  if (color == u"HOMESTEAD") return 2;
  if (color == u"METALLIC") return 3;
  return 0;
}

void RecomputeOffice11Colors() {
  gScheme = DetectOffice11Scheme();
  const bool luna = gScheme != 0;
  auto pick = [luna](int entry, TColor otherwise) { return luna ? Entry(entry) : otherwise; };
  auto hot = [] { return GetNearestScreenColor(BlendSystemColors(-2, 30, 72)); };
  auto pressed = [] { return GetNearestScreenColor(BlendSystemColors(14, 44, 40)); };
  Office11GradientLightColor = pick(0, MixColors(clBtnFace, clWindow, 22));
  Office11GradientDarkColor = pick(1, MixColors(clBtnFace, clWindow, 96));
  Office11BackgroundColor = pick(2, clBtnFace);
  Office11LightBackgroundColor = pick(3, MixColors(clBtnFace, clWindow, 20));
  Office11GroupByBoxColor = luna ? MixColors(Entry(4), Entry(11), 50) : MixColors(clBtnShadow, clBtnFace, 50);
  Office11HeaderDarkLineColor = pick(14, MixColors(clBtnShadow, clWindow, 70));
  Office11HeaderLightLineColor = pick(15, clWhite);
  Office11FilterBoxColor = pick(16, clBtnShadow);
  Office11FilterBoxTextColor = luna ? clWhite : clBtnHighlight;
  Office11BorderColor = pick(18, clBtnShadow);
  Office11SelectedBorderColor = pick(21, clHighlight);
  Office11HotButtonColor = pick(22, hot());
  Office11HotButtonDarkColor = pick(23, hot());
  Office11PressedButtonColor = pick(24, pressed());
  Office11PressedButtonDarkColor = pick(25, pressed());
  Office11GlyphColor = pick(30, clBtnText);
  Office11DisabledColor = pick(31, clGrayText);
  Office11GroupRowColor = pick(32, clBtnFace);
  Office11SelectionColor = pick(33, BlendSystemColors(41, 11, 48));
  Office11ContentAltColor = pick(34, clBtnFace);
  Office11ElementBorderColor = pick(35, clBtnShadow);
  Office11GroupRowTextColor = pick(36, clBtnShadow);
  Office11GroupRowBandColor = luna ? static_cast<TColor>(0xC9EEFD) : clBtnFace;
  Office11GroupRowLineColor = pick(11, clBtnShadow);
  if (gUsers > 0) LoadBitmaps();
}

void AddOffice11ColorsUser() {
  if (gUsers == 0) {
    ++gUsers;  // the bitmaps load with the colours
    RecomputeOffice11Colors();
    return;
  }
  ++gUsers;
}

void RemoveOffice11ColorsUser() {
  if (gUsers == 0) return;
  if (--gUsers == 0) FreeBitmaps();
}

TBitmap* Office11ExpandButtonBitmap(bool AExpanded) { return AExpanded ? gMinus : gPlus; }
