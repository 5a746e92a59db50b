#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "StorageTestSupport.h"
#include "data/kcDataStorage.h"
#include "platform/core/FormatSettings.h"

namespace {

// One data area with a guard region behind it, released at the end.
struct Area {
  explicit Area(TkcValueTypeClass t) : type(t) {
    std::memset(bytes, 0xEE, sizeof bytes);
    std::memset(bytes, 0, static_cast<std::size_t>(t->DataSize()));
  }
  ~Area() { type->ReleaseData(bytes); }
  void Store(const Variant& v) { type->StoreValue(bytes, v); }
  Variant Load() const { return type->LoadValue(bytes); }
  TkcValueTypeClass type;
  alignas(8) std::uint8_t bytes[48];
};

int Sign(int v) { return (v > 0) - (v < 0); }

TEST(ValueTypeRegistry, CaptionsClassNamesAndLookup) {
  const char* expected[][2] = {{"String", "TkcStringValueType"},     {"WideString", "TkcWideStringValueType"},
                               {"Smallint", "TkcSmallintValueType"}, {"Integer", "TkcIntegerValueType"},
                               {"Word", "TkcWordValueType"},         {"Boolean", "TkcBooleanValueType"},
                               {"Float", "TkcFloatValueType"},       {"Currency", "TkcCurrencyValueType"},
                               {"DateTime", "TkcDateTimeValueType"}, {"LargeInt", "TkcLargeIntValueType"},
                               {"FMTBcd", "TkcFMTBcdValueType"},     {"SQLTimeStamp", "TkcSQLTimeStampValueType"},
                               {"Variant", "TkcVariantValueType"},   {"Object", "TkcObjectValueType"}};
  TkcValueTypeClassList* list = GetValueTypeClassList();
  ASSERT_EQ(list->Count(), 14);
  for (int i = 0; i < 14; ++i) {
    EXPECT_EQ(list->Items(i)->Caption(), expected[i][0]);
    EXPECT_STREQ(list->Items(i)->ClassName(), expected[i][1]);
    EXPECT_EQ(list->ItemByCaption(expected[i][0]), list->Items(i));
  }
  EXPECT_EQ(list->ItemByCaption("integer"), nullptr);
  EXPECT_EQ(list->ItemByCaption("TkcIntegerValueType"), nullptr);
  list->Register(TkcIntegerValueType::Class());  // already listed: no second entry
  EXPECT_EQ(list->Count(), 14);
  EXPECT_TRUE(TkcObjectValueType::Class()->InheritsFrom(TkcIntegerValueType::StaticClass()));
  EXPECT_TRUE(TkcWideStringValueType::Class()->IsTextType());
  EXPECT_FALSE(TkcVariantValueType::Class()->IsTextType());
}

// Value types of this test only, for the caption rule and the registry.
class TkcMyValueTypeValueType : public TkcIntegerValueType {
  KC_VALUE_TYPE(TkcMyValueTypeValueType, TkcIntegerValueType)
};
class TKCOtherValueType : public TkcIntegerValueType {
  KC_VALUE_TYPE(TKCOtherValueType, TkcIntegerValueType)
};

TEST(ValueTypeRegistry, CaptionDropsAnExactPrefixAndTheFirstValueType) {
  EXPECT_EQ(TkcMyValueTypeValueType::Class()->Caption(), "MyValueType");
  EXPECT_EQ(TKCOtherValueType::Class()->Caption(), "TKCOther");
  TkcValueTypeClassList* list = GetValueTypeClassList();
  list->Register(TKCOtherValueType::Class());
  EXPECT_EQ(list->ItemByCaption("TKCOther"), TKCOtherValueType::Class());
  EXPECT_EQ(list->Count(), 15);
  list->Unregister(TKCOtherValueType::Class());
  EXPECT_EQ(list->ItemByCaption("TKCOther"), nullptr);
  EXPECT_EQ(list->Count(), 14);
}

TEST(ValueTypeStore, LoadsInTheTypesOwnKindAndShowsText) {
  FormatSettingsScope scope(DefaultFormatSettings());
  TBcd bcd = StrToBcd("12.50");
  TSQLTimeStamp ts{2024, 3, 15, 10, 30, 0, 0};
  struct Case {
    TkcValueTypeClass type;
    Variant in;
    TVarType kind;
    Variant out;
    const char* text;
  } cases[] = {
      {TkcStringValueType::Class(), Variant(42), varString, Variant("42"), "42"},
      {TkcWideStringValueType::Class(), Variant("h\xC3\xA9"), varOleStr, Variant(u"h\u00e9"), "h\xC3\xA9"},
      {TkcSmallintValueType::Class(), Variant(70000), varSmallint, Variant(std::int16_t(4464)), "4464"},
      {TkcIntegerValueType::Class(), Variant("12"), varInteger, Variant(12), "12"},
      {TkcWordValueType::Class(), Variant(-1), varWord, Variant(std::uint16_t(65535)), "65535"},
      {TkcBooleanValueType::Class(), Variant(1), varBoolean, Variant(true), "True"},
      {TkcFloatValueType::Class(), Variant(Currency::FromRaw(15000)), varDouble, Variant(1.5), "1.5"},
      {TkcCurrencyValueType::Class(), Variant(1.23456), varCurrency, Variant(Currency::FromRaw(12346)), "1.2346"},
      {TkcDateTimeValueType::Class(), Variant::FromDate(45366.5), varDate, Variant::FromDate(45366.5),
       "3/15/2024 12:00:00 PM"},
      {TkcLargeIntValueType::Class(), Variant("9000000000"), varInt64, Variant::FromInt64(9000000000LL), "9000000000"},
      {TkcFMTBcdValueType::Class(), Variant("12.50"), varFMTBcd, VarFMTBcdCreate(bcd), "12.5"},
      {TkcFMTBcdValueType::Class(), Variant("0.000001"), varFMTBcd, VarFMTBcdCreate(StrToBcd("0.000001")),
       "1E-6"},  // the general format
      {TkcSQLTimeStampValueType::Class(), VarSQLTimeStampCreate(ts), varDate,
       Variant::FromDate(SQLTimeStampToDateTime(ts)), "3/15/2024 10:30:00 AM"},
      {TkcVariantValueType::Class(), Variant::MakeArray({1, "a"}), varArray | varVariant, Variant::MakeArray({1, "a"}),
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type->Caption());
    Area a(c.type);
    a.Store(c.in);
    Variant v = a.Load();
    EXPECT_EQ(v.VarType(), c.kind) << VarDebugText(v);
    EXPECT_TRUE(VarSameValue(v, c.out)) << VarDebugText(v);
    EXPECT_EQ(c.type->DefaultText(a.bytes), c.text);
    EXPECT_EQ(a.bytes[c.type->DataSize()], 0xEE) << "wrote past its data area";
  }
}

TEST(ValueTypeCompare, OrdersValuesOfEachType) {
  struct Case {
    TkcValueTypeClass type;
    Variant a, b;
    int sign;
  } cases[] = {
      {TkcIntegerValueType::Class(), 2147483647, -1, 1},
      {TkcIntegerValueType::Class(), -1, 2147483647, -1},
      {TkcSmallintValueType::Class(), -32768, 32767, -1},
      {TkcWordValueType::Class(), 65535, 0, 1},
      {TkcStringValueType::Class(), "B", "a", -1},  // ordinal, not by locale
      {TkcStringValueType::Class(), "ab", "ab", 0},
      {TkcStringValueType::Class(), "ab", "a", 1},
      {TkcStringValueType::Class(), "\xC3\xA9", "z", 1},  // bytes compare unsigned: é after z
      {TkcWideStringValueType::Class(), "Z", "a", -1},
      // UTF-16 code units, not code points: U+FF5E sorts after the surrogates of U+1F600.
      {TkcWideStringValueType::Class(), Variant(u"\uFF5E"), Variant(u"\U0001F600"), 1},
      {TkcBooleanValueType::Class(), false, true, -1},
      {TkcFloatValueType::Class(), 1.5, -2.0, 1},
      {TkcFloatValueType::Class(), std::nan(""), -1e300, -1},  // NaN in a total order
      {TkcFloatValueType::Class(), std::nan(""), std::nan(""), 0},
      {TkcCurrencyValueType::Class(), Currency::FromRaw(-1), Currency::FromRaw(0), -1},
      {TkcDateTimeValueType::Class(), Variant::FromDate(2.0), Variant::FromDate(1.5), 1},
      {TkcLargeIntValueType::Class(), Variant::FromInt64(-5000000000LL), Variant::FromInt64(1), -1},
      {TkcFMTBcdValueType::Class(), "1.50", "1.5", 0},
      {TkcFMTBcdValueType::Class(), "-2", "1", -1},
      {TkcSQLTimeStampValueType::Class(), Variant::FromDate(45366.25), Variant::FromDate(45366.5), -1},
      {TkcVariantValueType::Class(), 1, "x", -1},
      {TkcVariantValueType::Class(), 3, 2, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type->Caption() + " " + VarDebugText(c.a) + " vs " + VarDebugText(c.b));
    Area a(c.type), b(c.type);
    a.Store(c.a);
    b.Store(c.b);
    EXPECT_EQ(Sign(c.type->CompareData(a.bytes, b.bytes)), c.sign);
  }
}

TEST(ValueTypeStore, ATimeStampOutsideItsYearsIsRefused) {
  TkcValueTypeClass type = TkcSQLTimeStampValueType::Class();
  Area a(type);
  a.Store(Variant::FromDate(45366.5));
  for (double date : {3e6, 1e9, -1e6}) {
    SCOPED_TRACE(date);
    EXPECT_THROW(a.Store(Variant::FromDate(date)), EVariantTypeCastError);
    EXPECT_EQ(VarCompare(a.Load(), Variant::FromDate(45366.5)), 0);  // the old value stays readable
  }
  EXPECT_THROW(a.Store(VarSQLTimeStampCreate(TSQLTimeStamp{2024, 13, 40, 0, 0, 0, 0})), EVariantTypeCastError);
  EXPECT_EQ(VarCompare(a.Load(), Variant::FromDate(45366.5)), 0);
}

TEST(ValueTypeCompare, AMissingHolderSortsFirst) {
  for (TkcValueTypeClass type :
       {TkcStringValueType::Class(), TkcWideStringValueType::Class(), TkcVariantValueType::Class()}) {
    SCOPED_TRACE(type->Caption());
    Area missing1(type), missing2(type), stored(type);
    stored.Store("");
    EXPECT_EQ(type->CompareData(missing1.bytes, missing2.bytes), 0);
    EXPECT_LT(type->CompareData(missing1.bytes, stored.bytes), 0);
    EXPECT_GT(type->CompareData(stored.bytes, missing1.bytes), 0);
    EXPECT_TRUE(missing1.Load().IsNull());
  }
}

TEST(ValueTypeString, TextsInPlaceAndOnTheHeapReplaceEachOther) {
  // 11 bytes fit the data area; 12 and more take a heap block. Each store replaces the last.
  const std::string texts[] = {"", "elevenbytes", "twelve bytes", std::string(300, 'x'), "a", ""};
  Area a(TkcStringValueType::Class()), b(TkcStringValueType::Class());
  for (const std::string& t : texts) {
    a.Store(Variant(t));
    EXPECT_EQ(a.Load().AsString(), t);
    b.Store(a.Load());
    EXPECT_EQ(TkcStringValueType::Class()->CompareData(a.bytes, b.bytes), 0) << t;
    EXPECT_EQ(a.bytes[TkcStringValueType::Class()->DataSize()], 0xEE) << "wrote past its data area";
  }
  a.Store(Variant(std::string(20, 'b')));
  b.Store(Variant(std::string(20, 'a')));
  EXPECT_GT(TkcStringValueType::Class()->CompareData(a.bytes, b.bytes), 0);
}

TEST(ValueTypeTryConvert, AcceptsOrRefusesTypedValues) {
  struct Case {
    TkcValueTypeClass type;
    Variant in;
    bool ok;
    Variant out;
  } cases[] = {
      {TkcIntegerValueType::Class(), "12", true, 12},
      {TkcIntegerValueType::Class(), "x", false, "x"},
      {TkcIntegerValueType::Class(), Null(), true, Null()},
      {TkcFloatValueType::Class(), "2.5", true, 2.5},
      {TkcDateTimeValueType::Class(), "nonsense", false, "nonsense"},
      {TkcVariantValueType::Class(), "anything", true, "anything"},
      {TkcFMTBcdValueType::Class(), "x", false, "x"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type->Caption() + " " + VarDebugText(c.in));
    Variant v = c.in;
    EXPECT_EQ(c.type->TryConvert(v), c.ok);
    if (c.ok) {
      EXPECT_TRUE(v.EqualsWithType(c.out) || (c.out.IsNull() && v.IsNull())) << VarDebugText(v);
      if (!c.in.IsNull() && c.type->VariantKind() != varVariant) {
        EXPECT_EQ(v.VarType(), c.type->VariantKind());
      }
    }
  }
}

TEST(ValueTypeStream, RoundTripsWithTheTypesOwnForm) {
  FormatSettingsScope scope(DefaultFormatSettings());
  struct Case {
    TkcValueTypeClass type;
    Variant value;
    const char* bytes;  // nullptr: only the size is checked
    int size;
  } cases[] = {
      {TkcStringValueType::Class(), "ab", "02 00 00 00 61 62", 6},
      {TkcWideStringValueType::Class(), "a", "01 00 00 00 61 00", 6},
      {TkcSmallintValueType::Class(), -2, "FE FF", 2},
      {TkcIntegerValueType::Class(), 7, "07 00 00 00", 4},
      {TkcWordValueType::Class(), 65535, "FF FF", 2},
      {TkcBooleanValueType::Class(), true, "01", 1},
      {TkcFloatValueType::Class(), 1.0, "00 00 00 00 00 00 00 80 FF 3F", 10},
      {TkcFloatValueType::Class(), 0.1, nullptr, 10},
      {TkcCurrencyValueType::Class(), Currency::FromRaw(15000), "98 3A 00 00 00 00 00 00", 8},
      {TkcDateTimeValueType::Class(), Variant::FromDate(45366.0), "00 00 00 00 C0 26 E6 40", 8},
      {TkcLargeIntValueType::Class(), Variant::FromInt64(-2), "FE FF FF FF FF FF FF FF", 8},
      {TkcFMTBcdValueType::Class(), "1.5", "06 03 31 2E 35", 5},
      {TkcSQLTimeStampValueType::Class(), Variant::FromDate(45366.0), "11 00 00 00 00 C0 26 E6 40", 9},
      // A variant keeps its integers' kinds: an Integer travels with the 32-bit tag.
      {TkcVariantValueType::Class(), Variant::MakeArray({1, Null()}), "01 02 02 04 01 00 00 00 00", 9},
      {TkcObjectValueType::Class(), 0, "", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.type->Caption());
    Area out(c.type), in(c.type);
    out.Store(c.value);
    TMemoryStream s;
    c.type->StreamOutValue(out.bytes, &s);
    EXPECT_EQ(s.Size(), c.size);
    if (c.bytes) {
      EXPECT_EQ(StorageHex(s), c.bytes);
    }
    s.SetPosition(0);
    c.type->StreamInValue(in.bytes, &s);
    EXPECT_EQ(s.Position(), s.Size());
    EXPECT_EQ(VarCompare(out.Load(), in.Load()), 0) << VarDebugText(in.Load());
    if (c.type != TkcVariantValueType::Class()) {
      EXPECT_EQ(out.Load().VarType(), in.Load().VarType());
    }
    EXPECT_EQ(in.bytes[c.type->DataSize()], 0xEE) << "read past its data area";
  }
}

TEST(ValueTypeStream, BcdTextTravelsWithADotUnderEitherSeparator) {
  TFormatSettings comma = DefaultFormatSettings();
  comma.DecimalSeparator = ',';
  comma.ThousandSeparator = '.';
  TkcValueTypeClass type = TkcFMTBcdValueType::Class();
  TMemoryStream s;
  {
    FormatSettingsScope scope(comma);
    Area a(type);
    a.Store(VarFMTBcdCreate(StrToBcd("-1234.5")));
    type->StreamOutValue(a.bytes, &s);
  }
  EXPECT_EQ(StorageHex(s), "06 07 2D 31 32 33 34 2E 35");  // "-1234.5"
  for (const TFormatSettings& settings : {comma, DefaultFormatSettings()}) {
    FormatSettingsScope scope(settings);
    Area a(type);
    s.SetPosition(0);
    type->StreamInValue(a.bytes, &s);
    EXPECT_EQ(BcdCompare(VarToBcd(a.Load()), StrToBcd("-1234.5")), 0);
  }
  // Streams written by older builds used the writer's separator.
  FormatSettingsScope scope(DefaultFormatSettings());
  StorageSetBytes(s, {0x06, 0x03, '1', ',', '5'});
  Area a(type);
  type->StreamInValue(a.bytes, &s);
  EXPECT_EQ(type->DefaultText(a.bytes), "1.5");
}

TEST(ValueTypeText, DisplayTextsAreKeptInHolders) {
  TkcValueTypeClass type = TkcIntegerValueType::Class();
  alignas(8) std::uint8_t text[4] = {};
  EXPECT_EQ(type->LoadText(text), "");
  std::string longText(100, 'x');
  for (const std::string& t : {std::string("short"), longText, std::string("")}) {
    type->StoreText(text, t);
    EXPECT_EQ(type->LoadText(text), t);
    TMemoryStream s;
    type->StreamOutText(text, &s);
    EXPECT_EQ(s.Size(), 4 + static_cast<std::int64_t>(t.size()));
    alignas(8) std::uint8_t back[4] = {};
    s.SetPosition(0);
    type->StreamInText(back, &s);
    EXPECT_EQ(type->LoadText(back), t);
    type->ReleaseText(back);
  }
  type->ReleaseText(text);
  EXPECT_EQ(type->LoadText(text), "");
}

class Owned : public TObject {
public:
  explicit Owned(int* freed) : fFreed(freed) {}
  ~Owned() override { ++*fFreed; }
  int* fFreed;
};

TEST(ValueTypeObject, OwnsItsObjects) {
  int freed = 0;
  TkcValueTypeClass type = TkcObjectValueType::Class();
  {
    Area a(type);
    auto* object = new Owned(&freed);
    a.Store(TkcObjectValueType::ObjectToValue(object));
    EXPECT_EQ(a.Load().VarType(), varInteger);
    EXPECT_EQ(TkcObjectValueType::ValueToObject(a.Load()), object);
    Area b(type);
    b.Store(Variant::FromObject(new Owned(&freed)));  // handed over as an object variant
    EXPECT_NE(TkcObjectValueType::ValueToObject(b.Load()), nullptr);
  }
  EXPECT_EQ(freed, 2);
  EXPECT_EQ(TkcObjectValueType::ValueToObject(Null()), nullptr);
  EXPECT_EQ(TkcObjectValueType::ValueToObject(0), nullptr);
}

}  // namespace
