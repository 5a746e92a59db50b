#include "platform/core/ShortCuts.h"

#include "platform/core/SysUtils.h"

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key & 0xE000) return 0;  // not a key code
  TShortCut sc = Key;
  if (Shift.Contains(ssShift)) sc |= scShift;
  if (Shift.Contains(ssCtrl)) sc |= scCtrl;
  if (Shift.Contains(ssAlt)) sc |= scAlt;
  return sc;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
  Key = ShortCut & 0x1FFF;
  Shift = {};
  if (ShortCut & scShift) Shift.Include(ssShift);
  if (ShortCut & scCtrl) Shift.Include(ssCtrl);
  if (ShortCut & scAlt) Shift.Include(ssAlt);
}

String ShortCutKeyName(WORD Key) {
  static const struct {
    WORD vk;
    const char* name;
  } names[] = {{8, "BkSp"},  {9, "Tab"},    {13, "Enter"}, {27, "Esc"},  {32, "Space"},
               {33, "PgUp"}, {34, "PgDn"},  {35, "End"},   {36, "Home"}, {37, "Left"},
               {38, "Up"},   {39, "Right"}, {40, "Down"},  {45, "Ins"},  {46, "Del"}};
  for (const auto& n : names)
    if (n.vk == Key) return n.name;
  if ((Key >= '0' && Key <= '9') || (Key >= 'A' && Key <= 'Z')) return String(1, static_cast<char>(Key));
  if (Key >= 112 && Key <= 135) return "F" + std::to_string(Key - 111);
  return String();
}

String ShortCutToText(TShortCut ShortCut) {
  if (ShortCut == 0) return String();
  String name = ShortCutKeyName(ShortCut & 0xFF);
  if (name.empty()) return String();
  String text;
  if (ShortCut & scShift) text += "Shift+";
  if (ShortCut & scCtrl) text += "Ctrl+";
  if (ShortCut & scAlt) text += "Alt+";
  return text + name;
}

TShortCut TextToShortCut(const String& Text) {
  String rest = Text;
  TShortCut mods = 0;
  for (;;) {
    if (rest.size() > 6 && SameText(rest.substr(0, 6), "Shift+"))
      mods |= scShift, rest = rest.substr(6);
    else if (rest.size() > 5 && SameText(rest.substr(0, 5), "Ctrl+"))
      mods |= scCtrl, rest = rest.substr(5);
    else if (rest.size() > 4 && SameText(rest.substr(0, 4), "Alt+"))
      mods |= scAlt, rest = rest.substr(4);
    else
      break;
  }
  for (WORD k = 8; k < 255; ++k)
    if (String name = ShortCutKeyName(k); !name.empty() && SameText(name, rest))
      return static_cast<TShortCut>(k | mods);
  return 0;
}
