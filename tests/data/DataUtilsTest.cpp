// Locale helpers, variant ordering, the stream primitives and variant stream, the reusing
// collection and the lookup list.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "data/DataTestSupport.h"
#include "data/kcDataUtils.h"

namespace {

// ---- Locale helpers ---------------------------------------------------------------------------

TEST(DataUtils, CurrencyDisplayFormat) {
  struct Case {
    const char* symbol;
    int decimals;
    int position;
    const char* expected;
  } cases[] = {
      {"$", 2, 0, "$,0.00"},      {"$", 2, 1, ",0.00$"}, {"$", 2, 2, "$ ,0.00"}, {"kr.", 2, 3, ",0.00 kr'.'"},
      {"a,b", 1, 0, "a','b,0.0"}, {"", 2, 0, ",0.00"},   {"$", 0, 0, "$,0."},    {"$", 2, 7, ",0.00"},
  };
  for (const Case& c : cases) {
    FormatSettingsScope scope;
    FormatSettings.CurrencyString = c.symbol;
    FormatSettings.CurrencyDecimals = c.decimals;
    FormatSettings.CurrencyFormat = c.position;
    EXPECT_EQ(CurrencyDisplayFormat(), c.expected) << c.symbol << " " << c.position;
  }
}

TEST(DataUtils, DateAndTimeParts) {
  EXPECT_EQ(DatePart(45366.75), 45366.0);
  EXPECT_EQ(TimePart(45366.75), 0.75);
  // Truncation is toward zero before 1899-12-30.
  EXPECT_EQ(DatePart(-1.25), -1.0);
  EXPECT_EQ(TimePart(-1.25), -0.25);
}

TEST(DataUtils, WeekStartFollowsTheLocaleFirstDay) {
  FormatSettingsScope scope;
  FormatSettings.FirstDayOfWeek = 0;  // Monday
  EXPECT_EQ(LocaleFirstWeekDay(), 1);
  TDateTime sunday = EncodeDate(2024, 3, 17);
  EXPECT_EQ(WeekStartOf(sunday), EncodeDate(2024, 3, 11));
  EXPECT_EQ(WeekStartOf(EncodeDate(2024, 3, 11) + 15.0 / 24), EncodeDate(2024, 3, 11));
  FormatSettings.FirstDayOfWeek = 6;  // Sunday
  EXPECT_EQ(LocaleFirstWeekDay(), 0);
  EXPECT_EQ(WeekStartOf(EncodeDate(2024, 3, 16)), EncodeDate(2024, 3, 10));  // a Saturday
  EXPECT_EQ(WeekStartOf(sunday), sunday);
  FormatSettings.FirstDayOfWeek = 2;  // Wednesday; Monday the 11th is before it
  EXPECT_EQ(WeekStartOf(EncodeDate(2024, 3, 11)), EncodeDate(2024, 3, 6));
}

TEST(DataUtils, MatchTextCaseInsensitive) {
  EXPECT_TRUE(MatchTextCaseInsensitive("Hello", "he", true));
  EXPECT_FALSE(MatchTextCaseInsensitive("Hello", "he", false));
  EXPECT_TRUE(MatchTextCaseInsensitive("Hello", "HELLO", false));
  EXPECT_TRUE(MatchTextCaseInsensitive("", "", true));
  EXPECT_FALSE(MatchTextCaseInsensitive("x", "", true));
  EXPECT_FALSE(MatchTextCaseInsensitive("He", "hello", true));
  EXPECT_TRUE(MatchTextCaseInsensitive("Ärger", "äR", true));  // non-ASCII letters too
}

// ---- Variant ordering -------------------------------------------------------------------------

TEST(CompareVariants, ScalarsAcrossKinds) {
  struct Case {
    Variant a, b;
    int sign;
  } cases[] = {
      {Null(), Null(), 0},
      {Null(), Variant(0), -1},
      {Variant(0), Null(), 1},
      {Null(), Unassigned(), -1},
      {Variant(1), Variant(2), -1},
      {Variant(2), Variant(1), 1},
      {Variant(2), Variant(2.0), 0},
      {Variant("abc"), Variant("abd"), -1},
      {Variant("b"), Variant("A"), 1},  // ordinal, case-sensitive
      {Variant("10"), Variant(9), 1},   // text read as a number
      {Variant(Currency::FromRaw(15000)), Variant(1.5), 0},
      {Variant::FromDate(2), Variant::FromDate(1), 1},
      {Variant(u"x"), Variant("x"), 0},
      {Variant(std::nan("")), Variant(std::nan("")), 0},
  };
  for (const Case& c : cases) {
    int r = CompareVariants(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << VarDebugText(c.a) << " vs " << VarDebugText(c.b);
  }
}

TEST(CompareVariants, UncomparablePairsAreSmallerInBothOrders) {
  EXPECT_EQ(CompareVariants(Variant("abc"), Variant(1)), -1);
  EXPECT_EQ(CompareVariants(Variant(1), Variant("abc")), -1);
  EXPECT_EQ(CompareVariants(Variant("x"), Variant::FromDate(1)), -1);
  EXPECT_EQ(CompareVariants(Variant::FromDate(1), Variant("x")), -1);
}

TEST(CompareVariants, Arrays) {
  Variant three = Variant::MakeArray({1, 2, 3});
  Variant one = Variant::MakeArray({1});
  EXPECT_EQ(CompareVariants(three, one), 2);
  EXPECT_EQ(CompareVariants(one, three), -2);
  EXPECT_LT(CompareVariants(Variant::MakeArray({1, 2}), Variant::MakeArray({1, 3})), 0);
  EXPECT_EQ(CompareVariants(Variant::MakeArray({1, Null()}), Variant::MakeArray({1, Null()})), 0);
  EXPECT_EQ(CompareVariants(three, Variant(5)), 1);
  EXPECT_EQ(CompareVariants(Variant(5), three), -1);
  EXPECT_EQ(CompareVariants(three, Null()), 1);
  Variant nested1 = Variant::MakeArray({1, Variant::MakeArray({2, 3})});
  Variant nested2 = Variant::MakeArray({1, Variant::MakeArray({2, 4})});
  EXPECT_LT(CompareVariants(nested1, nested2), 0);
}

TEST(CompareVariants, EqualityAndTests) {
  EXPECT_TRUE(VariantsEqual(Variant(true), Variant("True")));
  EXPECT_FALSE(VariantsEqual(Variant(true), Variant(1)));
  EXPECT_FALSE(VariantsEqual(Variant(true), Variant(-1)));
  EXPECT_FALSE(VariantsEqual(Variant(true), Null()));
  EXPECT_TRUE(VariantsEqual(Null(), Null()));
  EXPECT_FALSE(VariantsEqual(Variant(true), Variant::MakeArray({1})));
  EXPECT_TRUE(VariantsEqual(Variant(1), Variant(1.0)));
  EXPECT_TRUE(VariantsSame(Variant(true), Variant(true)));

  struct SoftNull {
    Variant v;
    bool expected;
  } soft[] = {{Null(), true},        {Variant(""), true},   {Variant(u""), true},
              {Variant(" "), false}, {Unassigned(), false}, {Variant(0), false}};
  for (const SoftNull& s : soft) EXPECT_EQ(IsSoftNullVariant(s.v), s.expected) << VarDebugText(s.v);

  EXPECT_TRUE(IsDateVarType(varDate));
  EXPECT_TRUE(IsDateVarType(varSQLTimeStamp));
  EXPECT_FALSE(IsDateVarType(varDouble));
  EXPECT_TRUE(IsDateVariant(Variant::FromDate(1)));
  EXPECT_TRUE(IsNumericVariant(Variant(IntegerToBcd(5))));
  EXPECT_TRUE(IsNumericVariant(Variant(Currency(1))));
  EXPECT_FALSE(IsNumericVariant(Variant(true)));
  EXPECT_FALSE(IsNumericVariant(Variant("5")));
  EXPECT_TRUE(IsCurrencyVarType(varCurrency));
  EXPECT_TRUE(IsCurrencyVarType(varFMTBcd));
  EXPECT_FALSE(IsCurrencyVarType(varDouble));
}

TEST(CompareVariants, SmallArrays) {
  Variant a = CreateSingleVariantArray("a");
  AppendVariantArrayItem(a, "b");
  EXPECT_EQ(CompareVariants(a, Variant::MakeArray({"a", "b"})), 0);
  EXPECT_EQ(CompareVariants(CreateVariantPair(1, Null()), Variant::MakeArray({1, Null()})), 0);
  Variant none;
  AppendVariantArrayItem(none, 7);
  EXPECT_EQ(CompareVariants(none, Variant::MakeArray({7})), 0);
}

// ---- Stream primitives and the variant stream --------------------------------------------------

TEST(VariantStream, GoldenBytesPerKind) {
  String s255(255, 'x'), s256(256, 'y');
  struct Case {
    const char* name;
    Variant value;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"Null", Null(), {0x00}},
      {"Empty", Unassigned(), {0x0D}},
      {"127", Variant(127), {0x02, 0x7F}},
      {"-128", Variant(-128), {0x02, 0x80}},
      {"128", Variant(128), {0x03, 0x80, 0x00}},
      {"-129", Variant(-129), {0x03, 0x7F, 0xFF}},
      {"40000", Variant(40000), {0x04, 0x40, 0x9C, 0x00, 0x00}},
      {"uint8 200", Variant(std::uint8_t(200)), {0x03, 0xC8, 0x00}},
      {"[1, Null]", Variant::MakeArray({1, Null()}), {0x01, 0x02, 0x02, 0x02, 0x01, 0x00}},
      {"empty text", Variant(""), {0x06, 0x00}},
      {"empty wide", Variant(u""), {0x12, 0x00, 0x00, 0x00, 0x00}},
      {"wide ab", Variant(u"ab"), {0x12, 0x02, 0x00, 0x00, 0x00, 0x61, 0x00, 0x62, 0x00}},
      {"double 1", Variant(1.0), {0x05, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}},
      {"single 1", Variant(1.0f), {0x0F, 0x00, 0x00, 0x80, 0x3F}},
      {"currency 1.5", Variant(Currency::FromRaw(15000)), {0x10, 0x98, 0x3A, 0, 0, 0, 0, 0, 0}},
      {"date", Variant::FromDate(45366), {0x11, 0, 0, 0, 0, 0xC0, 0x26, 0xE6, 0x40}},
      {"False", Variant(false), {0x08}},
      {"True", Variant(true), {0x09}},
      {"int64 5", Variant::FromInt64(5), {0x06, 0x01, '5'}},
      {"word 7", Variant(std::uint16_t(7)), {0x06, 0x01, '7'}},
      {"ts", Variant(DateTimeToSQLTimeStamp(45366)), {0x11, 0, 0, 0, 0, 0xC0, 0x26, 0xE6, 0x40}},
  };
  for (const Case& c : cases) {
    TMemoryStream ms;
    StreamWriteVariant(&ms, c.value);
    EXPECT_EQ(StreamBytes(ms), c.bytes) << c.name;
  }
  TMemoryStream ms255, ms256;
  StreamWriteVariant(&ms255, Variant(s255));
  StreamWriteVariant(&ms256, Variant(s256));
  auto b255 = StreamBytes(ms255), b256 = StreamBytes(ms256);
  ASSERT_EQ(b255.size(), 257u);
  EXPECT_EQ(b255[0], 0x06);
  EXPECT_EQ(b255[1], 0xFF);
  ASSERT_EQ(b256.size(), 261u);
  EXPECT_EQ(std::vector<std::uint8_t>(b256.begin(), b256.begin() + 5),
            (std::vector<std::uint8_t>{0x0C, 0x00, 0x01, 0x00, 0x00}));
}

TEST(VariantStream, ReadsBackWithTheKindsOfTheTags) {
  struct Case {
    Variant written;
    TVarType kind;
    Variant expected;
  } cases[] = {
      {Variant(5), varShortInt, Variant(5)},
      {Variant(300), varSmallint, Variant(300)},
      {Variant(70000), varInteger, Variant(70000)},
      {Variant::FromInt64(5), varString, Variant("5")},
      {Variant(std::uint16_t(7)), varString, Variant("7")},
      {Variant(4000000000u), varString, Variant("4000000000")},
      {Variant(DateTimeToSQLTimeStamp(45366.5)), varDate, Variant::FromDate(45366.5)},
      {Variant(Currency::FromRaw(-12345)), varCurrency, Variant(Currency::FromRaw(-12345))},
      {Variant(u"wide ä"), varOleStr, Variant(u"wide ä")},
      {Variant(String(300, 'z')), varString, Variant(String(300, 'z'))},
      {Variant(true), varBoolean, Variant(true)},
      {Unassigned(), varEmpty, Unassigned()},
      {Variant(2.5f), varSingle, Variant(2.5f)},
  };
  for (const Case& c : cases) {
    TMemoryStream ms;
    StreamWriteVariant(&ms, c.written);
    ms.SetPosition(0);
    Variant back = StreamReadVariant(&ms);
    EXPECT_EQ(back.VarType(), c.kind) << VarDebugText(c.written);
    EXPECT_TRUE(back.EqualsWithType(c.expected.AsType(c.kind))) << VarDebugText(back);
    EXPECT_EQ(ms.Remaining(), 0);
  }
}

TEST(VariantStream, DoublesRoundTripBitExactly) {
  double values[] = {0.0,
                     -0.0,
                     1.0 / 3,
                     -1e308,
                     5e-324,
                     2.2250738585072014e-308,
                     123456.789,
                     std::numeric_limits<double>::infinity(),
                     -std::numeric_limits<double>::max()};
  for (double d : values) {
    TMemoryStream ms;
    StreamWriteVariant(&ms, Variant(d));
    ms.SetPosition(0);
    double back = StreamReadVariant(&ms).AsDouble();
    EXPECT_EQ(std::memcmp(&back, &d, sizeof d), 0) << d;
  }
}

TEST(VariantStream, BcdTravelsWithAPointWhateverTheLocale) {
  FormatSettingsScope scope;
  FormatSettings.DecimalSeparator = ',';
  TBcd bcd;
  ASSERT_TRUE(TryStrToBcd("1,5", bcd));
  TMemoryStream ms;
  StreamWriteVariant(&ms, Variant(bcd));
  EXPECT_EQ(StreamBytes(ms), (std::vector<std::uint8_t>{0x06, 0x03, '1', '.', '5'}));
}

TEST(VariantStream, ArraysNestAndRoundTrip) {
  Variant v = Variant::MakeArray({1, Variant::MakeArray({"a", Null()}), Variant::MakeArray({}), 2.5});
  TMemoryStream ms;
  StreamWriteVariant(&ms, v);
  ms.SetPosition(0);
  EXPECT_EQ(CompareVariants(StreamReadVariant(&ms), v), 0);
}

TEST(VariantStream, HostileInputFailsCleanly) {
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"tag 7", {0x07}},
      {"tag 10", {0x0A}},
      {"tag 11", {0x0B}},
      {"tag 14", {0x0E}},
      {"tag 19", {0x13}},
      {"tag 255", {0xFF}},
      {"empty stream", {}},
      {"short int32", {0x04, 0x01, 0x02}},
      {"short string", {0x06, 0x05, 'a', 'b'}},
      {"negative long string", {0x0C, 0xFF, 0xFF, 0xFF, 0xFF}},
      {"huge long string", {0x0C, 0xFF, 0xFF, 0xFF, 0x7F, 'a'}},
      {"huge wide string", {0x12, 0x00, 0x00, 0x00, 0x40}},
      {"negative array count", {0x01, 0x02, 0xFF}},
      {"huge array count", {0x01, 0x04, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}},
      {"array count tag not integer", {0x01, 0x06, 0x01, 0x00}},
      {"array cut short", {0x01, 0x02, 0x03, 0x02, 0x01}},
      {"short extended", {0x05, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    auto ms = MemoryStreamOf(c.bytes);
    try {
      StreamReadVariant(ms.get());
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error") << c.name;
    }
  }
  // Deep nesting is refused instead of exhausting the stack.
  std::vector<std::uint8_t> deep;
  for (int i = 0; i < 100000; ++i) deep.insert(deep.end(), {0x01, 0x02, 0x01});
  deep.push_back(0x00);
  auto ms = MemoryStreamOf(deep);
  EXPECT_THROW(StreamReadVariant(ms.get()), EReadError);
}

TEST(VariantStream, ValuesWithoutTextFailToWrite) {
  int object = 0;
  TMemoryStream ms;
  try {
    StreamWriteVariant(&ms, Variant::FromObject(&object));
    ADD_FAILURE() << "no error";
  } catch (const EWriteError& e) {
    EXPECT_STREQ(e.what(), "Stream write error");
  }
}

TEST(StreamPrimitives, GoldenBytesAndRoundTrip) {
  TMemoryStream ms;
  StreamWriteByte(&ms, 0xAB);
  StreamWriteBoolean(&ms, true);
  StreamWriteSmallInt(&ms, -2);
  StreamWriteWord(&ms, 0xFFFE);
  StreamWriteInteger(&ms, -1);
  StreamWriteLargeInt(&ms, 0x0102030405060708LL);
  StreamWriteCurrency(&ms, Currency::FromRaw(15000));
  StreamWriteDateTime(&ms, 1.0);
  StreamWriteExtended(&ms, 1.0);
  StreamWriteString(&ms, "ab");
  StreamWriteWideString(&ms, u"c");
  std::vector<std::uint8_t> expected = {
      0xAB, 0x01, 0xFE, 0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01, 0x98,
      0x3A, 0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0,    0xF0, 0x3F, 0,    0,    0,    0,
      0,    0,    0,    0x80, 0xFF, 0x3F, 0x02, 0,    0,    0,    'a',  'b',  0x01, 0,    0,    0,    'c',  0};
  EXPECT_EQ(StreamBytes(ms), expected);
  ms.SetPosition(0);
  EXPECT_EQ(StreamReadByte(&ms), 0xAB);
  EXPECT_TRUE(StreamReadBoolean(&ms));
  EXPECT_EQ(StreamReadSmallInt(&ms), -2);
  EXPECT_EQ(StreamReadWord(&ms), 0xFFFE);
  EXPECT_EQ(StreamReadInteger(&ms), -1);
  EXPECT_EQ(StreamReadLargeInt(&ms), 0x0102030405060708LL);
  EXPECT_EQ(StreamReadCurrency(&ms), Currency::FromRaw(15000));
  EXPECT_EQ(StreamReadDateTime(&ms), 1.0);
  EXPECT_EQ(StreamReadExtended(&ms), 1.0);
  EXPECT_EQ(StreamReadString(&ms), "ab");
  EXPECT_EQ(StreamReadWideString(&ms), u"c");
  EXPECT_THROW(StreamReadByte(&ms), EReadError);

  auto bools = MemoryStreamOf({0x00, 0x02});
  EXPECT_FALSE(StreamReadBoolean(bools.get()));
  EXPECT_TRUE(StreamReadBoolean(bools.get()));

  TMemoryStream rw;
  TkcWriter writer(&rw);
  writer.WriteInteger(7);
  writer.WriteString("xy");
  rw.SetPosition(0);
  TkcReader reader(&rw);
  EXPECT_EQ(reader.ReadInteger(), 7);
  EXPECT_EQ(reader.ReadString(), "xy");
}

// ---- TkcCollection ----------------------------------------------------------------------------

class TTestCollectionItem : public TCollectionItem {
  VT_CLASS(TTestCollectionItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  int Value = 0;
  void Assign(TPersistent* Source) override {
    if (auto* s = dynamic_cast<TTestCollectionItem*>(Source))
      Value = s->Value;
    else
      TCollectionItem::Assign(Source);
  }
};

class TCountingCollection : public TkcCollection {
  VT_CLASS(TCountingCollection, TkcCollection)
public:
  using TkcCollection::TkcCollection;
  int Updates = 0;

protected:
  void Update(TCollectionItem*) override { ++Updates; }
};

TEST(DataUtils, CollectionAssignReusesItems) {
  TCountingCollection target(TTestCollectionItem::StaticClass());
  TkcCollection source(TTestCollectionItem::StaticClass());
  for (int i = 0; i < 5; ++i) static_cast<TTestCollectionItem*>(target.Add())->Value = i;
  for (int i = 0; i < 3; ++i) static_cast<TTestCollectionItem*>(source.Add())->Value = 10 + i;
  TCollectionItem* first = target.Items(0);
  target.Updates = 0;
  target.Assign(&source);
  ASSERT_EQ(target.Count(), 3);
  EXPECT_EQ(target.Items(0), first);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(static_cast<TTestCollectionItem*>(target.Items(i))->Value, 10 + i);
  EXPECT_EQ(target.Updates, 1);

  // Growing adds items; two empty collections are left alone.
  TkcCollection bigger(TTestCollectionItem::StaticClass());
  bigger.Assign(&source);
  EXPECT_EQ(bigger.Count(), 3);
  TCountingCollection empty1(TTestCollectionItem::StaticClass());
  TkcCollection empty2(TTestCollectionItem::StaticClass());
  empty1.Assign(&empty2);
  EXPECT_EQ(empty1.Updates, 0);

  TStringList notACollection;
  EXPECT_THROW(target.Assign(&notACollection), EConvertError);
}

TEST(DataUtils, DataBindingDefaults) {
  TkcCustomDataBindingClass cls = TkcCustomDataBinding::StaticClass();
  std::unique_ptr<TkcCustomDataBinding> binding(cls.Create(nullptr, nullptr));
  EXPECT_TRUE(binding->CanModify());
  binding->SetReadOnly(true);
  EXPECT_FALSE(binding->CanModifyByKey());
  EXPECT_TRUE(binding->GetStoredValue(Unassigned(), false).IsNull());
  TObject* seen = nullptr;
  binding->OnHandlerB = [&](TObject* s) { seen = s; };
  binding->NotifyHandlerA(binding.get());  // unassigned: nothing happens
  binding->NotifyHandlerB(binding.get());
  EXPECT_EQ(seen, binding.get());
}

// ---- TkcLookupList ----------------------------------------------------------------------------

TEST(LookupList, SortedInsertAndFind) {
  TkcLookupList list;
  int index = -1;
  EXPECT_FALSE(list.Find(5, index));
  EXPECT_EQ(index, 0);
  for (int key : {5, 1, 3}) {
    ASSERT_FALSE(list.Find(key, index));
    list.Insert(index, key, "k" + IntToStr(key));
  }
  ASSERT_EQ(list.Count(), 3);
  EXPECT_EQ(list.GetItem(0).DisplayText, "k1");
  EXPECT_EQ(list.GetItem(2).DisplayText, "k5");
  EXPECT_FALSE(list.Find(4, index));
  EXPECT_EQ(index, 2);
  EXPECT_TRUE(list.Find(3, index));
  EXPECT_EQ(index, 1);
  ASSERT_FALSE(list.Find(Null(), index));
  EXPECT_EQ(index, 0);
  list.Insert(index, Null(), "none");
  EXPECT_TRUE(list.Find(Null(), index));
  EXPECT_EQ(index, 0);
  EXPECT_THROW(list.Insert(9, 1, ""), EListError);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
