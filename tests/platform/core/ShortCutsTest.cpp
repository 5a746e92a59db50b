// Short cuts: the one encoding and key-name table of menus, actions and editor key commands.

#include <gtest/gtest.h>

#include "platform/core/ShortCuts.h"

TEST(ShortCuts, TextsRoundTripAndUnknownKeysHaveNone) {
  struct Case {
    TShortCut sc;
    const char* text;
  };
  for (const Case& c : {Case{ShortCut('Z', TShiftState{ssCtrl, ssShift}), "Shift+Ctrl+Z"},
                        Case{ShortCut(0x74, TShiftState{ssAlt}), "Alt+F5"}, Case{ShortCut(34, {}), "PgDn"},
                        Case{ShortCut(8, TShiftState{ssCtrl}), "Ctrl+BkSp"}, Case{scNone, ""}}) {
    EXPECT_EQ(ShortCutToText(c.sc), c.text);
    if (c.sc) {
      EXPECT_EQ(TextToShortCut(c.text), c.sc) << c.text;
    }
  }
  EXPECT_EQ(TextToShortCut("ctrl+shift+z"), ShortCut('Z', TShiftState{ssCtrl, ssShift}));  // any order and case
  EXPECT_EQ(TextToShortCut("Ctrl+"), 0);
  EXPECT_EQ(TextToShortCut("Ctrl+Nothing"), 0);
  EXPECT_EQ(ShortCutToText(ShortCut(0xBA, TShiftState{ssCtrl})), "");  // a key without a name
  EXPECT_EQ(ShortCut(0x2000, {}), 0);                                  // not a key code
  WORD key = 0;
  TShiftState shift;
  ShortCutToKey(ShortCut(0x1234, TShiftState{ssAlt}), key, shift);
  EXPECT_EQ(key, 0x1234);
  EXPECT_EQ(shift, TShiftState{ssAlt});
}
