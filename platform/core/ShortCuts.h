#pragma once
// Short cuts: one 16-bit value per key with modifiers, shared by menus, actions and the editor's
// key commands. The key code is in the low 13 bits; scShift, scCtrl and scAlt add the modifiers.

#include <cstdint>

#include "platform/core/Classes.h"
#include "platform/core/WinTypes.h"

using TShortCut = std::uint16_t;
constexpr TShortCut scNone = 0, scShift = 0x2000, scCtrl = 0x4000, scAlt = 0x8000;

// The short cut of a key with modifiers (0 when the key does not fit the 13 bits), and back.
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// The name of a key code ("A", "F5", "PgDn", ...); empty for keys without one.
String ShortCutKeyName(WORD Key);
// "Ctrl+Shift+Z"-style text (modifiers in the order Shift, Ctrl, Alt); empty for 0 and for keys
// without a name. TextToShortCut reads it back (modifiers in any order, any case; 0 for text
// that is not a short cut).
String ShortCutToText(TShortCut ShortCut);
TShortCut TextToShortCut(const String& Text);
