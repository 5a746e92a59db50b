// Stored-value conversions and cell-state mapping.

#include <gtest/gtest.h>

#include "grid/kcGridCommon.h"

namespace {

std::string Bytes(TMemoryStream& s) {
  return std::string(static_cast<const char*>(s.Memory()), static_cast<size_t>(s.Size()));
}

}  // namespace

TEST(GridConversions, HexText) {
  TMemoryStream s;
  EXPECT_EQ(StreamToHexText(nullptr), "");
  EXPECT_EQ(StreamToHexText(&s), "");
  s.WriteBuffer("\xFF\x01\xAB", 3);
  EXPECT_EQ(StreamToHexText(&s), "Hex:FF01AB");
  EXPECT_EQ(s.Position(), 3);  // the caller's position is kept

  struct Case {
    const char* text;
    std::string bytes;
  } cases[] = {
      {"Hex:ff", "\xFF"}, {"Hex:Ff0a", "\xFF\x0A"}, {"Hex:F", ""},  // five characters: nothing
      {"ABCDFF", "\xFF"}, {"Hex:FF1", "\xFF"},      {"", ""},       // prefix dropped unchecked; odd digit ignored
  };
  for (const Case& c : cases) {
    TMemoryStream out;
    HexTextToStream(c.text, &out);
    EXPECT_EQ(Bytes(out), c.bytes) << c.text;
  }
  TMemoryStream out;
  HexTextToStream("Hex:00", nullptr);
  EXPECT_THROW(HexTextToStream("Hex:0G", &out), EkcHexStringConvertError);
  try {
    HexTextToStream("Hex:G0", &out);
  } catch (const EkcHexStringConvertError& e) {
    EXPECT_EQ(e.Message(), "");
  }
}

TEST(GridConversions, Booleans) {
  EXPECT_TRUE(TextToBoolean("tRuE"));
  EXPECT_TRUE(TextToBoolean("TRUE"));
  EXPECT_FALSE(TextToBoolean("FALSE"));
  EXPECT_FALSE(TextToBoolean("false"));
  for (const char* bad : {"yes", "", "1", "TRUE "}) EXPECT_THROW(TextToBoolean(bad), EPropertyConvertError) << bad;
}

TEST(GridConversions, CellStatesAndOffsets) {
  EXPECT_EQ(CellStateToButtonState(gcsNormal), kcbsNormal);
  EXPECT_EQ(CellStateToButtonState(gcsHot), kcbsHot);
  EXPECT_EQ(CellStateToButtonState(gcsPressed | 0x80), kcbsPressed);
  int w = 10;
  AddCellTextOffsets(w);
  EXPECT_EQ(w, 14);
}
