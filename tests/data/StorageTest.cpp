#include <gtest/gtest.h>

#include "StorageTestSupport.h"
#include "data/kcDataStorage.h"
#include "platform/core/FormatSettings.h"

namespace {

TkcValueDef* AddColumn(TkcDataStorage& s, TkcValueTypeClass type, bool keepsText = false, bool kept = true) {
  return s.ValueDefs()->AddColumn(type, kept, keepsText, nullptr);
}

TEST(StorageLayout, ColumnsFollowTheHeaderOneAfterAnother) {
  TkcDataStorage s;
  s.SetUseRecordID(true);
  TkcValueDef* i = AddColumn(s, TkcIntegerValueType::Class());
  TkcValueDef* t = AddColumn(s, TkcStringValueType::Class(), true);
  TkcValueDef* b = AddColumn(s, TkcBooleanValueType::Class());
  // Header (flags, record ID), one byte of null bits, then the slots.
  EXPECT_EQ(i->ValueOffset(), 6);
  EXPECT_EQ(t->ValueOffset(), 10);
  EXPECT_EQ(b->ValueOffset(), 26);
  EXPECT_EQ(i->SlotSize(), 4);
  EXPECT_EQ(t->SlotSize(), 16);  // 12-byte string area, display text handle
  EXPECT_EQ(b->SlotSize(), 1);
  EXPECT_EQ(s.ValueDefs()->RecordLength(), 27);
  // Internal mirrors share the layout.
  EXPECT_EQ(s.InternalValueDefs()->Count(), 3);
  EXPECT_EQ(s.InternalValueDefs()->RecordLength(), 27);

  // A column not kept in the record takes no room while only stored values are kept.
  TkcDataStorage s2;
  s2.SetStoredValuesOnly(true);
  TkcValueDef* hidden = AddColumn(s2, TkcIntegerValueType::Class(), false, false);
  TkcValueDef* after = AddColumn(s2, TkcIntegerValueType::Class());
  EXPECT_EQ(hidden->SlotSize(), 0);
  EXPECT_EQ(after->ValueOffset(), 2);
  EXPECT_EQ(s2.ValueDefs()->KeptCount(), 1);
  s2.SetValue(s2.AppendRecord(), hidden, 5);
  EXPECT_TRUE(s2.GetValue(0, hidden).IsNull());
}

TEST(StorageRecords, BuffersAreCreatedOnFirstData) {
  TkcDataStorage s;
  TkcValueDef* c = AddColumn(s, TkcStringValueType::Class());
  EXPECT_EQ(s.RecordCount(), 0);
  s.SetRecordCount(3);
  EXPECT_FALSE(s.HasBuffer(1));
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
  EXPECT_EQ(s.GetDisplayText(1, c), "");
  s.SetValue(1, c, Null());
  EXPECT_TRUE(s.HasBuffer(1));
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
  s.SetValue(1, c, "abc");
  EXPECT_EQ(s.GetDisplayText(1, c), "abc");
  s.SetValue(1, c, Null());  // frees the text holder
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
  EXPECT_EQ(s.GetDisplayText(1, c), "");
  s.InsertRecord(0);
  s.SetValue(0, c, "first");
  EXPECT_EQ(s.GetValue(0, c), Variant("first"));
  s.DeleteRecord(0);
  EXPECT_EQ(s.RecordCount(), 3);
  s.SetRecordCount(-4);
  EXPECT_EQ(s.RecordCount(), 0);
}

TEST(StorageRecords, RecordIdsAreHandedOutOnce) {
  TkcDataStorage s;
  AddColumn(s, TkcIntegerValueType::Class());
  s.SetRecordCount(3);
  s.SetUseRecordID(true);  // existing records receive IDs
  EXPECT_EQ(s.GetRecordID(0), 1);
  EXPECT_EQ(s.GetRecordID(2), 3);
  s.AppendRecord();
  EXPECT_EQ(s.GetRecordID(3), 4);
  s.DeleteRecord(1);
  s.AppendRecord();
  EXPECT_EQ(s.GetRecordID(3), 5);  // not reused while records exist
  s.SetRecordCount(0);
  s.AppendRecord();
  EXPECT_EQ(s.GetRecordID(0), 1);

  TMemoryStream m;
  StorageSetBytes(m, {0x00, 0x0A, 0x00, 0x00, 0x00, 0x01});  // ID 10, Integer null
  s.ReadRecordFromStream(0, &m);
  EXPECT_EQ(s.GetRecordID(0), 10);
  EXPECT_EQ(s.GetRecordID(s.AppendRecord()), 11);
}

TEST(StorageInternalRecords, NegativeIndexesAreReused) {
  TkcDataStorage s;
  TkcValueDef* c = AddColumn(s, TkcIntegerValueType::Class());
  int cleared = 0;
  s.OnClearInternalRecords = [&](TkcDataStorage*) { ++cleared; };
  EXPECT_EQ(s.AddInternalRecord(), -1);
  EXPECT_EQ(s.AddInternalRecord(), -2);
  s.SetValue(-2, c, 9);  // through the internal mirror of c
  EXPECT_EQ(s.GetValue(-2, c), Variant(9));
  EXPECT_TRUE(s.GetValue(-1, c).IsNull());
  s.DeleteRecord(-1);
  EXPECT_EQ(s.AddInternalRecord(), -1);
  EXPECT_EQ(s.AddInternalRecord(), -3);
  s.ClearInternalRecords();
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(s.InternalRecordCount(), 0);
  EXPECT_EQ(s.AddInternalRecord(), -1);
}

TEST(StorageColumns, InsertAndRemoveKeepValuesFlagsAndIds) {
  TkcDataStorage s;
  s.SetUseRecordID(true);
  TkcValueDef* a = AddColumn(s, TkcIntegerValueType::Class());
  s.SetRecordCount(3);
  s.SetValue(0, a, 10);
  s.SetValue(2, a, 30);
  int internal = s.AddInternalRecord();
  s.SetValue(internal, a, 99);

  TkcValueDef* b = AddColumn(s, TkcStringValueType::Class(), true);
  EXPECT_EQ(s.GetValue(0, a), Variant(10));
  EXPECT_EQ(s.GetValue(2, a), Variant(30));
  EXPECT_TRUE(s.GetValue(0, b).IsNull());
  EXPECT_EQ(s.GetValue(internal, a), Variant(99));
  EXPECT_TRUE(s.GetValue(internal, b).IsNull());
  s.SetValue(2, b, "x");
  s.SetDisplayText(2, b, "shown x");
  s.SetValue(internal, b, "y");

  delete a;  // the first column: later bytes move down
  EXPECT_EQ(s.GetValue(2, b), Variant("x"));
  EXPECT_EQ(s.GetDisplayText(2, b), "shown x");
  EXPECT_EQ(s.GetValue(internal, b), Variant("y"));
  EXPECT_EQ(s.InternalValueDefs()->Count(), 1);

  // Removing the last kept column keeps the buffers' header: IDs and the in-use flag survive,
  // so the internal record is not handed out a second time.
  delete b;
  EXPECT_EQ(s.GetRecordID(1), 2);
  EXPECT_EQ(s.GetRecordID(2), 3);
  EXPECT_EQ(s.AddInternalRecord(), internal - 1);
  TkcValueDef* c = AddColumn(s, TkcFloatValueType::Class());
  EXPECT_TRUE(s.GetValue(0, c).IsNull());
  EXPECT_EQ(s.GetRecordID(0), 1);
}

TEST(StorageColumns, FlagChangesResizeTheSlotInEveryRecord) {
  TkcDataStorage s;
  TkcValueDef* a = AddColumn(s, TkcStringValueType::Class());
  TkcValueDef* b = AddColumn(s, TkcIntegerValueType::Class());
  s.SetRecordCount(3);
  for (int r = 0; r < 3; ++r) {
    s.SetValue(r, a, "a" + std::to_string(r));
    s.SetValue(r, b, r);
  }
  auto expectB = [&] {
    for (int r = 0; r < 3; ++r) EXPECT_EQ(s.GetValue(r, b), Variant(r)) << r;
  };
  a->SetKeepsDisplayText(true);  // grows the slot: the value stays, the text starts empty
  EXPECT_EQ(b->ValueOffset(), 18);
  EXPECT_EQ(s.GetValue(1, a), Variant("a1"));
  EXPECT_EQ(s.GetDisplayText(1, a), "");
  s.SetDisplayText(1, a, "shown");
  b->SetKeepsDisplayText(true);  // the last slot: its text must stay inside the record
  s.SetDisplayText(2, b, "two");
  expectB();
  EXPECT_EQ(s.GetDisplayText(1, a), "shown");
  a->SetKeepsDisplayText(false);
  EXPECT_EQ(s.GetDisplayText(1, a), "a1");
  EXPECT_EQ(s.GetDisplayText(2, b), "two");
  expectB();

  s.SetStoredValuesOnly(true);
  s.SetValue(0, a, "x");
  s.SetValue(0, b, 0);
  a->SetKeptInRecord(false);  // the slot goes, with its value
  EXPECT_EQ(a->SlotSize(), 0);
  EXPECT_TRUE(s.GetValue(0, a).IsNull());
  EXPECT_EQ(s.GetValue(0, b), Variant(0));
  a->SetKeptInRecord(true);
  EXPECT_TRUE(s.GetValue(0, a).IsNull());
  s.SetValue(0, a, "back");
  EXPECT_EQ(s.GetValue(0, a), Variant("back"));
  EXPECT_EQ(s.GetValue(0, b), Variant(0));
}

TEST(StorageColumns, LayoutSwitchesDropValues) {
  TkcDataStorage s;
  TkcValueDef* c = AddColumn(s, TkcStringValueType::Class());
  s.SetRecordCount(3);
  s.SetValue(1, c, "v");
  s.SetValue(s.AddInternalRecord(), c, "edited");
  int cleared = 0;
  s.OnClearInternalRecords = [&](TkcDataStorage*) { ++cleared; };
  s.SetUseRecordID(true);  // internal buffers have the old header: they go too, and the owner is told
  EXPECT_EQ(cleared, 1);
  EXPECT_EQ(s.InternalRecordCount(), 0);
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
  EXPECT_EQ(s.GetRecordID(0), 1);
  EXPECT_EQ(s.GetRecordID(2), 3);
  EXPECT_EQ(c->ValueOffset(), 6);  // after the longer header and the null bits
  s.SetValue(1, c, "w");
  s.SetStoredValuesOnly(true);
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
  EXPECT_EQ(s.GetRecordID(1), 5);  // fresh IDs: never one that was handed out already
}

TEST(StorageCompare, NullsFirstThenTheTypesOrder) {
  TkcDataStorage s;
  TkcValueDef* c = AddColumn(s, TkcStringValueType::Class());
  s.SetRecordCount(4);
  s.SetValue(1, c, "b");
  s.SetValue(2, c, "a");
  s.SetValue(3, c, Null());
  EXPECT_LT(s.CompareRecords(0, 1, c), 0);  // no buffer vs a value
  EXPECT_EQ(s.CompareRecords(0, 3, c), 0);  // no buffer vs null
  EXPECT_GT(s.CompareRecords(1, 2, c), 0);
  int internal = s.AddInternalRecord();
  s.SetValue(internal, c, "b");
  EXPECT_EQ(s.CompareRecords(internal, 1, c), 0);

  const void *p1 = nullptr, *p2 = nullptr;
  EXPECT_TRUE(s.GetCompareInfo(0, c, p1));
  EXPECT_TRUE(s.GetCompareInfo(3, c, p1));
  EXPECT_FALSE(s.GetCompareInfo(1, c, p1));
  EXPECT_FALSE(s.GetCompareInfo(2, c, p2));
  EXPECT_GT(c->CompareWithNulls(false, false, p1, p2), 0);
  EXPECT_LT(c->CompareWithNulls(true, false, p1, p2), 0);
}

TEST(StorageStream, RecordBytes) {
  TkcDataStorage s;
  TkcValueDef* c = AddColumn(s, TkcIntegerValueType::Class());
  s.SetRecordCount(3);
  s.SetValue(1, c, 7);
  s.SetValue(2, c, Null());
  const char* expected[] = {"01", "00 00 07 00 00 00", "00 01"};
  for (int i = 0; i < 3; ++i) {
    TMemoryStream m;
    s.WriteRecord(i, &m);
    EXPECT_EQ(StorageHex(m), expected[i]);
  }
  TMemoryStream m;
  c->WriteValueTo(nullptr, &m);
  EXPECT_EQ(StorageHex(m), "01");
  // Reading "no buffer" drops the record's values.
  StorageSetBytes(m, {0x01});
  s.ReadRecordFromStream(1, &m);
  EXPECT_FALSE(s.HasBuffer(1));
  EXPECT_TRUE(s.GetValue(1, c).IsNull());
}

TEST(StorageStream, RoundTripWithNullsTextsAndEveryType) {
  FormatSettingsScope scope(DefaultFormatSettings());
  struct Col {
    TkcValueTypeClass type;
    Variant value;
  } cols[] = {
      {TkcStringValueType::Class(), "a text longer than a cell, \xC3\xA9t\xC3\xA9"},
      {TkcWideStringValueType::Class(), u"wide"},
      {TkcSmallintValueType::Class(), -3},
      {TkcIntegerValueType::Class(), 123456},
      {TkcWordValueType::Class(), 65000},
      {TkcBooleanValueType::Class(), true},
      {TkcFloatValueType::Class(), 0.1},
      {TkcCurrencyValueType::Class(), Currency::FromRaw(-123456789)},
      {TkcDateTimeValueType::Class(), Variant::FromDate(45366.75)},
      {TkcLargeIntValueType::Class(), Variant::FromInt64(1LL << 40)},
      {TkcFMTBcdValueType::Class(), "3.14159265358979323846"},
      {TkcSQLTimeStampValueType::Class(), Variant::FromDate(45366.5)},
      {TkcVariantValueType::Class(), Variant::MakeArray({1, "two"})},
  };
  auto build = [&](TkcDataStorage& s) {
    s.SetUseRecordID(true);
    for (const Col& col : cols) AddColumn(s, col.type, col.type == TkcStringValueType::Class());
  };
  TkcDataStorage src;
  build(src);
  src.SetRecordCount(4);  // 0: every value, 1: all null, 2: no buffer, 3: alternate nulls
  for (int i = 0; i < src.ValueDefs()->Count(); ++i) {
    TkcValueDef* c = src.ValueDefs()->Items(i);
    src.SetValue(0, c, cols[i].value);
    src.SetValue(1, c, Null());
    src.SetValue(3, c, i % 2 ? cols[i].value : Null());
  }
  src.SetDisplayText(0, src.ValueDefs()->Items(0), "shown");
  src.SetDisplayText(1, src.ValueDefs()->Items(0), "null shown");
  src.DeleteRecord(2);
  src.InsertRecord(2);  // no buffer, but an ID
  TMemoryStream m;
  for (int i = 0; i < src.RecordCount(); ++i) src.WriteRecord(i, &m);

  TkcDataStorage dst;
  build(dst);
  dst.SetRecordCount(src.RecordCount());
  dst.SetValue(2, dst.ValueDefs()->Items(0), "stale");  // record 2 streams as "no buffer"
  m.SetPosition(0);
  for (int i = 0; i < dst.RecordCount(); ++i) dst.ReadRecordFromStream(i, &m);
  EXPECT_EQ(m.Position(), m.Size());
  for (int r = 0; r < 4; ++r) {
    for (int i = 0; i < src.ValueDefs()->Count(); ++i) {
      SCOPED_TRACE("record " + std::to_string(r) + " " + cols[i].type->Caption());
      Variant a = src.GetValue(r, src.ValueDefs()->Items(i));
      Variant b = dst.GetValue(r, dst.ValueDefs()->Items(i));
      EXPECT_EQ(a.IsNull(), b.IsNull());
      if (!a.IsNull()) {
        EXPECT_EQ(VarCompare(a, b), 0) << VarDebugText(b);
      }
      EXPECT_EQ(src.GetDisplayText(r, src.ValueDefs()->Items(i)), dst.GetDisplayText(r, dst.ValueDefs()->Items(i)));
    }
  }
  EXPECT_EQ(dst.GetRecordID(2), src.GetRecordID(2));
  EXPECT_EQ(dst.GetDisplayText(1, dst.ValueDefs()->Items(0)), "null shown");

  // A stream cut inside a record fails as a read error.
  TMemoryStream cut;
  m.SetPosition(0);
  cut.CopyFrom(&m, m.Size() - 3);
  cut.SetPosition(0);
  EXPECT_THROW(
      {
        for (int i = 0; i < dst.RecordCount(); ++i) dst.ReadRecordFromStream(i, &cut);
      },
      EReadError);
}

// A read that fails inside a record leaves no cell marked as holding a value it never got: the
// record ends as it was without a buffer, or with every value null.
TEST(StorageStream, FailedReadLeavesNoHalfRecord) {
  TkcDataStorage s;
  TkcValueDef* n = AddColumn(s, TkcIntegerValueType::Class());
  TkcValueDef* t = AddColumn(s, TkcStringValueType::Class());
  s.SetRecordCount(2);
  s.SetValue(0, n, 1);
  s.SetValue(0, t, "old");
  // Not null, the integer 9, then a text cell that is not null but whose string is cut.
  TMemoryStream m;
  StorageSetBytes(m, {0x00, 0x00, 0x09, 0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 'a'});
  for (int r : {0, 1}) {
    SCOPED_TRACE(r);
    m.SetPosition(0);
    EXPECT_THROW(s.ReadRecordFromStream(r, &m), EReadError);
    EXPECT_TRUE(s.GetValue(r, n).IsNull());
    EXPECT_TRUE(s.GetValue(r, t).IsNull());
    TMemoryStream out;
    s.WriteRecord(r, &out);
    EXPECT_EQ(StorageHex(out), r == 0 ? "00 01 01" : "01");
  }
}

// A variant column gives back the kind it stored.
TEST(StorageStream, VariantColumnKeepsIntegerKinds) {
  TkcDataStorage s;
  TkcValueDef* v = AddColumn(s, TkcVariantValueType::Class());
  const Variant values[] = {Variant(5), Variant(std::int16_t{-7}), Variant(std::int8_t{3}), Variant(70000),
                            Variant::MakeArray({Variant(1), Variant(std::int16_t{2})})};
  s.SetRecordCount(static_cast<int>(std::size(values)));
  for (int i = 0; i < s.RecordCount(); ++i) s.SetValue(i, v, values[i]);
  TMemoryStream m;
  for (int i = 0; i < s.RecordCount(); ++i) s.WriteRecord(i, &m);
  TkcDataStorage d;
  TkcValueDef* dv = AddColumn(d, TkcVariantValueType::Class());
  d.SetRecordCount(s.RecordCount());
  m.SetPosition(0);
  for (int i = 0; i < d.RecordCount(); ++i) d.ReadRecordFromStream(i, &m);
  for (int i = 0; i < d.RecordCount(); ++i) {
    Variant a = values[i], b = d.GetValue(i, dv);
    EXPECT_EQ(VarDebugText(a), VarDebugText(b));
    EXPECT_EQ(a.VarType(), b.VarType());
    if (a.IsArray()) {
      for (int k = 0; k < a.ArrayCount(); ++k) EXPECT_EQ(a.GetItem(k).VarType(), b.GetItem(k).VarType());
    }
  }
}

TEST(StorageStream, StreamingOrderAndStreamedFlag) {
  TkcDataStorage s;
  TkcValueDef* a = AddColumn(s, TkcBooleanValueType::Class());
  TkcValueDef* b = AddColumn(s, TkcSmallintValueType::Class());
  TkcValueDef* c = AddColumn(s, TkcIntegerValueType::Class());
  s.AppendRecord();
  s.SetValue(0, a, true);
  s.SetValue(0, b, 2);
  s.SetValue(0, c, 3);
  s.BeginStreaming([&](TkcValueDef* x, TkcValueDef* y) {
    return s.ValueDefs()->IndexOf(y) - s.ValueDefs()->IndexOf(x);  // reversed
  });
  EXPECT_EQ(s.ValueDefs()->Columns(0), c);
  b->SetStreamed(false);
  TMemoryStream m;
  s.WriteRecord(0, &m);
  EXPECT_EQ(StorageHex(m), "00 00 03 00 00 00 00 01");
  TkcValueDef* d = AddColumn(s, TkcBooleanValueType::Class());  // joins the order at its end
  EXPECT_EQ(s.ValueDefs()->Columns(3), d);
  s.EndStreaming();
  EXPECT_EQ(s.ValueDefs()->Columns(0), a);
}

class Reader : public TkcValueDefReader {
public:
  Variant GetValue(TkcValueDef* d) override { return d == skip ? Variant(-1) : Variant(d->ValueOffset()); }
  String GetDisplayText(TkcValueDef*) override { return "text"; }
  bool IsInternalColumn(TkcValueDef* d) override { return d == skip; }
  TkcValueDef* skip = nullptr;
};

TEST(StorageRecords, ReadRecordFromAReader) {
  TkcDataStorage s;
  TkcValueDef* a = AddColumn(s, TkcIntegerValueType::Class(), true);
  TkcValueDef* b = AddColumn(s, TkcIntegerValueType::Class());
  Reader reader;
  reader.skip = b;
  s.SetRecordCount(1);
  s.ReadRecord(0, &reader);
  EXPECT_EQ(s.GetValue(0, a), Variant(a->ValueOffset()));
  EXPECT_EQ(s.GetDisplayText(0, a), "text");
  EXPECT_TRUE(s.GetValue(0, b).IsNull());
  int seen = 0;
  s.ReadRecordFrom(0, 42, &reader, [&](TkcValueDef*, int record, TkcValueDefReader* r, int arg) {
    EXPECT_EQ(record, 0);
    EXPECT_EQ(r, &reader);
    EXPECT_EQ(arg, 42);
    ++seen;
  });
  EXPECT_EQ(seen, 2);
}

}  // namespace

TEST(StorageRecords, ManyRecordsKeepTheirValuesThroughDeletesAndColumnChanges) {
  // Past the growing chunks of the block allocator, with freed blocks handed out again.
  TkcDataStorage s;
  TkcValueDef* n = AddColumn(s, TkcIntegerValueType::Class());
  TkcValueDef* t = AddColumn(s, TkcStringValueType::Class());
  const int count = 40000;
  s.SetRecordCount(count);
  for (int r = 0; r < count; ++r) {
    s.SetValue(r, n, r);
    s.SetValue(r, t, r % 3 ? Variant("r" + std::to_string(r)) : Variant(std::string(20, 'a') + std::to_string(r)));
  }
  for (int r = count - 1; r >= 0; r -= 7) s.DeleteRecord(r);
  for (int k = 0; k < 100; ++k) {
    s.InsertRecord(k * 50);
    s.SetValue(k * 50, n, -k);
  }
  TkcValueDef* b = AddColumn(s, TkcBooleanValueType::Class());  // every buffer moves to a longer block
  int expected = 0, checked = 0;
  for (int r = 0; r < s.RecordCount(); ++r) {
    Variant v = s.GetValue(r, n);
    if (v.AsInteger() <= 0 && s.GetValue(r, t).IsNull()) continue;  // one of the inserted records
    while ((count - 1 - expected) % 7 == 0) ++expected;             // one of the deleted ones
    ASSERT_EQ(v.AsInteger(), expected) << r;
    ASSERT_EQ(s.GetValue(r, t).AsString(),
              expected % 3 ? "r" + std::to_string(expected) : std::string(20, 'a') + std::to_string(expected));
    EXPECT_TRUE(s.GetValue(r, b).IsNull());
    ++expected;
    ++checked;
  }
  EXPECT_EQ(checked, count - (count + 6) / 7);
}

TEST(StorageColumns, NullBitsFollowColumnsAcrossBytes) {
  // Ten columns take two bytes of null bits; removing, adding and resizing columns moves the
  // bits with their columns, also across the byte boundary.
  TkcDataStorage s;
  std::vector<TkcValueDef*> cols;
  for (int c = 0; c < 10; ++c) cols.push_back(AddColumn(s, TkcIntegerValueType::Class()));
  s.SetRecordCount(12);
  auto present = [](int r, int c) { return (r + c) % 3 != 0; };
  for (int r = 0; r < 12; ++r)
    for (int c = 0; c < 10; ++c)
      s.SetValue(r, cols[static_cast<size_t>(c)], present(r, c) ? Variant(r * 100 + c) : Null());
  auto check = [&](const char* step) {
    for (int r = 0; r < 12; ++r)
      for (int c = 0; c < 10; ++c) {
        TkcValueDef* col = cols[static_cast<size_t>(c)];
        if (!col) continue;
        Variant v = s.GetValue(r, col);
        if (present(r, c))
          EXPECT_EQ(v, Variant(r * 100 + c)) << step << " r" << r << " c" << c;
        else
          EXPECT_TRUE(v.IsNull()) << step << " r" << r << " c" << c;
      }
  };
  delete cols[2];
  cols[2] = nullptr;
  check("removed");
  TkcValueDef* extra = AddColumn(s, TkcIntegerValueType::Class());
  for (int r = 0; r < 12; ++r) EXPECT_TRUE(s.GetValue(r, extra).IsNull());
  check("added");
  cols[8]->SetKeepsDisplayText(true);
  cols[0]->SetKeepsDisplayText(true);
  check("resized");
  delete cols[0];
  cols[0] = nullptr;
  check("first removed");
}

// The packed copy of an integer column gives what the records hold after every kind of change,
// each made after the copy was taken.
TEST(StoragePackedInts, FollowEveryChange) {
  TkcDataStorage s;
  TkcValueDef* i = AddColumn(s, TkcIntegerValueType::Class(), true);
  TkcValueDef* h = AddColumn(s, TkcSmallintValueType::Class());
  TkcValueDef* w = AddColumn(s, TkcWordValueType::Class());
  TkcValueDef* t = AddColumn(s, TkcStringValueType::Class());
  TkcValueDef* gone = AddColumn(s, TkcIntegerValueType::Class(), false, false);  // not kept: never a value
  EXPECT_EQ(s.PackedInts(t), nullptr);
  EXPECT_EQ(s.PackedInts(AddColumn(s, TkcFloatValueType::Class())), nullptr);
  auto fill = [&] {
    s.SetRecordCount(6);
    for (int r = 0; r < 6; ++r) {
      if (r == 4) continue;  // no buffer
      s.SetValue(r, i, r % 3 ? Variant(r * 1000000 - 2) : Null());
      s.SetValue(r, h, Variant(-r * 100));
      s.SetValue(r, w, Variant(60000 + r));
      s.SetValue(r, t, "t");
    }
  };
  Reader reader;
  TMemoryStream record;
  const std::vector<std::pair<const char*, std::function<void()>>> changes = {
      {"value", [&] { s.SetValue(1, i, 77); }},
      {"null", [&] { s.SetValue(2, h, Null()); }},
      {"first value of a record without a buffer", [&] { s.SetValue(4, w, 5); }},
      {"text", [&] { s.SetDisplayText(0, i, "shown"); }},
      {"refused value", [&] { EXPECT_ANY_THROW(s.SetValue(1, i, "not a number")); }},
      {"insert", [&] { s.InsertRecord(0); }},
      {"delete", [&] { s.DeleteRecord(1); }},
      {"append", [&] { s.SetValue(s.AppendRecord(), i, 5); }},
      {"fewer records", [&] { s.SetRecordCount(3); }},
      {"read from a reader", [&] { s.ReadRecord(0, &reader); }},
      {"read through a callback",
       [&] {
         s.ReadRecordFrom(2, 0, &reader, [&](TkcValueDef* c, int r, TkcValueDefReader*, int) {
           if (c == h) s.SetValue(r, h, 12);
         });
       }},
      {"read from a stream",
       [&] {
         s.WriteRecord(1, &record);
         record.SetPosition(0);
         s.ReadRecordFromStream(2, &record);
       }},
      {"column added", [&] { AddColumn(s, TkcBooleanValueType::Class()); }},
      {"column removed", [&] { delete t; t = nullptr; }},
      {"record IDs", [&] { s.SetUseRecordID(true); }},
      {"cleared", [&] { s.ClearRecords(true); }},
  };
  for (const auto& [name, change] : changes) {
    SCOPED_TRACE(name);
    if (s.RecordCount() == 0) fill();
    for (TkcValueDef* c : {i, h, w, gone}) ASSERT_NE(s.PackedInts(c), nullptr);
    change();
    for (TkcValueDef* c : {i, h, w, gone}) {
      const TkcDataStorage::TPackedInts* p = s.PackedInts(c);
      ASSERT_NE(p, nullptr);
      ASSERT_EQ(p->Values.size(), static_cast<std::size_t>(s.RecordCount()));
      for (int r = 0; r < s.RecordCount(); ++r) {
        const Variant v = s.GetValue(r, c);
        EXPECT_EQ(p->Has[static_cast<std::size_t>(r)] != 0, !v.IsNull()) << r;
        if (!v.IsNull()) {
          EXPECT_EQ(p->Values[static_cast<std::size_t>(r)], v.AsInteger()) << r;
        }
      }
    }
  }
}
