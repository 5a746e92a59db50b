#include <gtest/gtest.h>

#include "tests/data/DataControllerTestSupport.h"
#include "tests/data/DataTestSupport.h"

namespace {

// Items 0 = Integer, 1 = String; three records, the second never received data.
struct StreamFixture : ControllerFixture {
  StreamFixture() : ControllerFixture({TkcIntegerValueType::Class(), TkcStringValueType::Class()}) {
    dc.BeginUpdate();
    dc.SetRecordCount(3);
    dc.SetValue(0, 0, Variant(7));
    dc.SetValue(0, 1, Variant("ab"));
    dc.SetValue(2, 1, Variant("x"));
    dc.EndUpdate();
  }
};

const std::vector<std::uint8_t> kWorkedExample = {
    0x0F, 0,    0,    0,    'D',  'a', 't',  'a',  'C', 'o', 'n', 't', 'r', 'o', 'l', 'l', 'e', 'r', '1',  // header
    0x02, 0,    0,    0,                                                                                   // N
    0x13, 0,    0,    0,    'T',  'k', 'c',  'I',  'n', 't', 'e', 'g', 'e', 'r', 'V', 'a', 'l', 'u', 'e',
    'T',  'y',  'p',  'e',  0x12, 0,   0,    0,    'T', 'k', 'c', 'S', 't', 'r', 'i', 'n', 'g', 'V', 'a',
    'l',  'u',  'e',  'T',  'y',  'p', 'e',  0x03, 0,   0,   0,              // R
    0x00, 0x00, 0x07, 0,    0,    0,   0x00, 0x02, 0,   0,   0,   'a', 'b',  // record 0
    0x01,                                                                    // record 1: no buffer
    0x00, 0x01, 0x00, 0x01, 0,    0,   0,    'x',                            // record 2: Integer null
};

TEST(DataControllerStream, WritesTheDocumentedLayoutAndReadsItBack) {
  StreamFixture f;
  TMemoryStream out;
  f.dc.SaveToStream(&out);
  EXPECT_EQ(StreamBytes(out), kWorkedExample);

  ControllerFixture g({TkcIntegerValueType::Class(), TkcStringValueType::Class()});
  g.Load({{Variant(1), Variant("old")},
          {Variant(2), Variant("old")},
          {Variant(3), Variant("old")},
          {Variant(4), Variant("old")}});
  auto in = MemoryStreamOf(kWorkedExample);
  g.dc.LoadFromStream(in.get());
  ASSERT_EQ(g.dc.GetRecordCount(), 3);
  EXPECT_EQ(g.dc.GetValue(0, 0).AsInteger(), 7);
  EXPECT_EQ(g.dc.GetValue(0, 1).AsString(), "ab");
  EXPECT_TRUE(g.dc.GetValue(1, 0).IsNull());
  EXPECT_TRUE(g.dc.GetValue(2, 0).IsNull());
  EXPECT_EQ(g.dc.GetValue(2, 1).AsString(), "x");
  EXPECT_EQ(g.dc.GetFilteredRecordCount(), 3);
  // An empty controller writes R = 0; loading it removes every record.
  ControllerFixture empty({TkcIntegerValueType::Class(), TkcStringValueType::Class()});
  TMemoryStream none;
  empty.dc.SaveToStream(&none);
  none.SetPosition(0);
  g.dc.LoadFromStream(&none);
  EXPECT_EQ(g.dc.GetRecordCount(), 0);
}

TEST(DataControllerStream, DamagedStreamsFailAndLeaveTheRecords) {
  struct Case {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> damage;
    bool formatError;  // "Invalid stream format" rather than the read error
  } cases[] = {
      {"truncated in a record", [](auto& b) { b.resize(b.size() - 1); }, false},
      {"truncated in the header", [](auto& b) { b.resize(10); }, false},
      {"lower-case header", [](auto& b) { b[4] = 'd'; }, true},
      {"column count", [](auto& b) { b[19] = 3; }, true},
      {"class name", [](auto& b) { b[30] = 'X'; }, true},
      {"absurd record count",
       [](auto& b) {
         b[68] = 0xFF;
         b[69] = 0xFF;
         b[70] = 0xFF;
         b[71] = 0x7F;
       },
       false},
      {"negative record count", [](auto& b) { b[71] = 0x80; }, false},
      {"absurd string length",
       [](auto& b) {
         b[79] = 0xFF;
         b[80] = 0xFF;
         b[81] = 0xFF;
         b[82] = 0x7F;
       },
       false},
      {"late record damaged", [](auto& b) { b[b.size() - 5] = 0x09; }, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto bytes = kWorkedExample;
    c.damage(bytes);
    StreamFixture f;
    f.dc.SetValue(1, 0, Variant(42));
    auto in = MemoryStreamOf(bytes);
    try {
      f.dc.LoadFromStream(in.get());
      ADD_FAILURE() << "no error";
    } catch (const EkcInvalidDataControllerOperation& e) {
      EXPECT_TRUE(c.formatError) << e.what();
      EXPECT_STREQ(e.what(), "Invalid stream format");
    } catch (const EReadError& e) {
      EXPECT_FALSE(c.formatError);
      EXPECT_STREQ(e.what(), "Stream read error");
    }
    ASSERT_EQ(f.dc.GetRecordCount(), 3);
    EXPECT_EQ(f.dc.GetValue(0, 0).AsInteger(), 7);
    EXPECT_EQ(f.dc.GetValue(1, 0).AsInteger(), 42);
    EXPECT_EQ(f.dc.GetValue(2, 1).AsString(), "x");
  }
}

TEST(DataControllerStream, ItemOrderDecidesAndInternalFieldsStayOut) {
  StreamFixture f;
  f.dc.CreateHiddenField()->SetColumnTypeClass(TkcIntegerValueType::Class());
  TMemoryStream out;
  f.dc.SaveToStream(&out);
  EXPECT_EQ(StreamBytes(out), kWorkedExample);  // the hidden column takes no part
  // Swapped items of different types are refused; of equal types they load in the new order.
  ControllerFixture swapped({TkcStringValueType::Class(), TkcIntegerValueType::Class()});
  out.SetPosition(0);
  EXPECT_THROW(swapped.dc.LoadFromStream(&out), EkcInvalidDataControllerOperation);
}

}  // namespace
