// Field conversions, texts and errors.
#include "platform/db/DBClient.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// One record with a field of each kind, in edit state.
struct Fields : ::testing::Test {
  TClientDataSet ds{nullptr};
  FormatSettingsScope fs{DefaultFormatSettings()};
  void SetUp() override {
    ds.FieldDefs().Add("S", ftString, 5);
    ds.FieldDefs().Add("I", ftInteger);
    ds.FieldDefs().Add("SI", ftSmallint);
    ds.FieldDefs().Add("L", ftLargeint);
    ds.FieldDefs().Add("F", ftFloat);
    ds.FieldDefs().Add("B", ftBoolean);
    ds.FieldDefs().Add("D", ftDateTime);
    ds.FieldDefs().Add("C", ftBCD);
    ds.FieldDefs().Add("M", ftMemo);
    ds.CreateDataSet();
    ds.Append();
  }
  TField* F(const char* n) { return ds.FieldByName(n); }
};

// What reading or writing gives: the text of the outcome, or "error:<class>".
std::string Outcome(const std::function<std::string()>& f) {
  try {
    return f();
  } catch (const Exception& e) {
    return std::string("error:") + e.ClassName();
  }
}

}  // namespace

TEST_F(Fields, ConversionTable) {
  struct Case {
    const char* field;
    std::function<void(TField*)> set;
    std::function<std::string(TField*)> get;
    std::string expected;
  } cases[] = {
      {"S", [](TField* f) { f->SetAsString("123"); }, [](TField* f) { return std::to_string(f->AsInteger()); }, "123"},
      {"S", [](TField* f) { f->SetAsString("12x"); }, [](TField* f) { return std::to_string(f->AsInteger()); },
       "error:EConvertError"},
      {"S", [](TField* f) { f->SetAsString("yes"); }, [](TField* f) { return std::string(f->AsBoolean() ? "T" : "F"); },
       "T"},
      {"S", [](TField* f) { f->SetAsString("maybe"); },
       [](TField* f) { return std::string(f->AsBoolean() ? "T" : "F"); }, "error:EConvertError"},
      {"S", [](TField* f) { f->SetAsString("abcdefgh"); }, [](TField* f) { return f->AsString(); },
       "abcde"},  // cut to Size
      {"S", [](TField* f) { f->SetAsString("ééééééé"); }, [](TField* f) { return f->AsString(); },
       "ééééé"},  // characters
      {"S", [](TField* f) { f->SetAsString("ab  "); }, [](TField* f) { return f->AsString() + "|"; },
       "ab  |"},  // blanks kept
      {"I", [](TField* f) { f->SetAsString(" 42 "); }, [](TField* f) { return f->AsString(); }, "42"},
      {"I", [](TField* f) { f->SetAsString("4.2"); }, [](TField* f) { return f->AsString(); }, "error:EDatabaseError"},
      {"I", [](TField* f) { f->SetAsFloat(2.5); }, [](TField* f) { return f->AsString(); }, "2"},  // halves to even
      {"I", [](TField* f) { f->SetAsString(""); },
       [](TField* f) { return std::string(f->IsNull() ? "null" : "value"); }, "null"},
      {"I", [](TField* f) { f->SetAsInteger(7); }, [](TField* f) { return std::string(f->AsBoolean() ? "T" : "F"); },
       "error:EDatabaseError"},
      {"I", [](TField* f) { f->SetAsInteger(7); }, [](TField* f) { return FloatToStr(f->AsFloat()); }, "7"},
      {"SI", [](TField* f) { f->SetAsInteger(40000); }, [](TField* f) { return f->AsString(); },
       "error:EDatabaseError"},
      {"L", [](TField* f) { f->SetAsLargeInt(5000000000LL); }, [](TField* f) { return f->AsString(); }, "5000000000"},
      {"L", [](TField* f) { f->SetAsLargeInt(5000000000LL); }, [](TField* f) { return std::to_string(f->AsInteger()); },
       "error:EDatabaseError"},
      {"F", [](TField* f) { f->SetAsString("1.25"); }, [](TField* f) { return std::to_string(f->AsInteger()); }, "1"},
      {"F", [](TField* f) { f->SetAsFloat(1.0 / 3); }, [](TField* f) { return f->AsString(); }, "0.333333333333333"},
      {"F", [](TField* f) { f->SetAsString("abc"); }, [](TField* f) { return f->AsString(); }, "error:EDatabaseError"},
      {"B", [](TField* f) { f->SetAsString("t"); }, [](TField* f) { return f->AsString(); }, "True"},
      {"B", [](TField* f) { f->SetAsString("fa"); }, [](TField* f) { return f->AsString(); }, "False"},
      {"B", [](TField* f) { f->SetAsString("x"); }, [](TField* f) { return f->AsString(); }, "error:EDatabaseError"},
      {"B", [](TField* f) { f->SetAsBoolean(true); }, [](TField* f) { return std::to_string(f->AsInteger()); },
       "error:EDatabaseError"},
      {"D", [](TField* f) { f->SetAsDateTime(EncodeDate(2024, 2, 29)); }, [](TField* f) { return f->AsString(); },
       "2/29/2024"},
      {"D", [](TField* f) { f->SetAsString("13/45/2024"); }, [](TField* f) { return f->AsString(); },
       "error:EConvertError"},
      {"D", [](TField* f) { f->SetAsFloat(1.5); }, [](TField* f) { return f->AsString(); }, "12/31/1899 12:00:00 PM"},
      {"C", [](TField* f) { f->SetAsFloat(1.23456); }, [](TField* f) { return f->AsString(); }, "1.2346"},
      {"C", [](TField* f) { f->SetAsString("10.5"); }, [](TField* f) { return FloatToStr(f->AsCurrency().ToDouble()); },
       "10.5"},
      {"M", [](TField* f) { f->SetAsString("text"); }, [](TField* f) { return f->DisplayText() + f->AsString(); },
       "(MEMO)text"},
      {"M", [](TField* f) { f->Clear(); }, [](TField* f) { return f->DisplayText(); }, "(memo)"},
  };
  for (const Case& c : cases) {
    TField* f = F(c.field);
    std::string got = Outcome([&] {
      f->Clear();
      c.set(f);
      return c.get(f);
    });
    EXPECT_EQ(got, c.expected) << c.field << " -> " << c.expected;
  }
}

// The texts of the conversion errors: a field's own text parser names the field, the general
// text conversions (a text field read as a number or date) do not.
TEST_F(Fields, ConversionErrorTexts) {
  struct Case {
    std::function<void()> act;
    const char* text;
  } cases[] = {
      {[&] { F("I")->SetAsString("4.2"); }, "'4.2' is not a valid integer value for field 'I'"},
      {[&] { F("F")->SetAsString("abc"); }, "'abc' is not a valid floating point value for field 'F'"},
      {[&] { F("B")->SetAsString("x"); }, "'x' is not a valid boolean value for field 'B'"},
      {[&] { F("I")->AsBoolean(); }, "Cannot access field 'I' as type Boolean"},
      {[&] { F("SI")->SetAsInteger(40000); },
       "40000 is not a valid value for field 'SI'. The allowed range is -32768 to 32767"},
      {[&] {
         F("S")->SetAsString("12x");
         F("S")->AsInteger();
       },
       "'12x' is not a valid integer value"},
      {[&] { F("D")->SetAsString("13/45/2024"); }, "'13/45/2024' is not a valid date and time"},
      {[&] { ds.FieldByName("NOPE"); }, "Field 'NOPE' not found"},
  };
  for (const Case& c : cases) {
    try {
      c.act();
      ADD_FAILURE() << "no error: " << c.text;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.text);
    }
  }
}

TEST_F(Fields, NullReadsAsZeroAndTextsGoThroughFormatsAndOnGetText) {
  EXPECT_TRUE(F("I")->IsNull());
  EXPECT_EQ(F("I")->AsInteger(), 0);
  EXPECT_EQ(F("S")->AsString(), "");
  EXPECT_FALSE(F("B")->AsBoolean());
  auto* fl = static_cast<TFloatField*>(F("F"));
  fl->SetAsFloat(1234567.5);
  fl->SetDisplayFormat("###,###,###,###.0#");
  EXPECT_EQ(fl->DisplayText(), "1,234,567.5");
  EXPECT_EQ(fl->Text(), "1,234,567.5");  // without an edit format the display format serves
  fl->SetEditFormat("0.000");
  EXPECT_EQ(fl->Text(), "1234567.500");
  fl->OnGetText = [](TField* f, String& text, bool display) { text = display ? "<" + f->AsString() + ">" : "edit"; };
  EXPECT_EQ(fl->DisplayText(), "<1234567.5>");
  EXPECT_EQ(fl->Text(), "edit");
  fl->OnSetText = [](TField* f, const String& text) { f->SetAsFloat(static_cast<double>(text.size())); };
  fl->SetText("abc");
  EXPECT_EQ(fl->AsFloat(), 3);
  EXPECT_EQ(F("I")->Alignment(), taRightJustify);
  EXPECT_EQ(F("S")->Alignment(), taLeftJustify);
  EXPECT_EQ(F("S")->DisplayLabel(), "S");
  F("S")->SetDisplayLabel("Name");
  EXPECT_EQ(F("S")->DisplayName(), "Name");
  EXPECT_EQ(F("S")->DisplayWidth(), 5);
  auto* i = static_cast<TIntegerField*>(F("I"));
  i->SetMinValue(1);
  i->SetMaxValue(10);
  EXPECT_THROW(i->SetAsInteger(11), EDatabaseError);
  i->SetAsInteger(10);
  EXPECT_TRUE(i->IsValidChar(U'5'));
  EXPECT_FALSE(i->IsValidChar(U'x'));
  EXPECT_THROW(ds.FieldByName("NOPE"), EDatabaseError);
  EXPECT_EQ(ds.FindField("nope"), nullptr);
  EXPECT_EQ(ds.FindField("s"), F("S"));
  F("S")->SetReadOnly(true);
  EXPECT_THROW(F("S")->SetAsString("x"), EDatabaseError);
}

TEST(FieldTypes, OrdinalsRangesAndDefaultClasses) {
  EXPECT_EQ(ftBoolean, 5);
  EXPECT_EQ(ftLargeint, 25);
  EXPECT_EQ(ftTimeStamp, 36);
  EXPECT_EQ(ftFMTBcd, 37);
  EXPECT_EQ(ftWideMemo, 39);
  EXPECT_STREQ(DefaultFieldClass(ftMemo).ClassName(), "TMemoField");
  EXPECT_STREQ(DefaultFieldClass(ftLargeint).ClassName(), "TLargeintField");
  EXPECT_TRUE(DefaultFieldClass(ftCurrency).InheritsFrom(TFloatField::StaticClass()));
  EXPECT_TRUE(DefaultFieldClass(ftAutoInc).InheritsFrom(TNumericField::StaticClass()));
  EXPECT_FALSE(DefaultFieldClass(ftADT));
  EXPECT_EQ(static_cast<int>(deDisabledStateChange), 14);
  // Every ordinal, in the order the field types are numbered.
  const char* names =
      "Unknown String Smallint Integer Word Boolean Float Currency BCD Date Time DateTime Bytes "
      "VarBytes AutoInc Blob Memo Graphic FmtMemo ParadoxOle DBaseOle TypedBinary Cursor "
      "FixedChar WideString Largeint ADT Array Reference DataSet OraBlob OraClob Variant "
      "Interface IDispatch Guid TimeStamp FMTBcd FixedWideChar WideMemo OraTimeStamp OraInterval";
  String all;
  for (int t = ftUnknown; t <= ftOraInterval; ++t)
    all += (t ? " " : "") + String(FieldTypeName(static_cast<TFieldType>(t)));
  EXPECT_EQ(all, names);
  // Code that tests fields by class: a 64-bit field is a number field but no integer field; the
  // SQL time stamp is no date-time field.
  struct Case {
    TFieldType type;
    TClass base;
    bool inherits;
  } cases[] = {
      {ftLargeint, TNumericField::StaticClass(), true}, {ftLargeint, TIntegerField::StaticClass(), false},
      {ftSmallint, TIntegerField::StaticClass(), true}, {ftWord, TIntegerField::StaticClass(), true},
      {ftCurrency, TFloatField::StaticClass(), true},   {ftBCD, TFloatField::StaticClass(), false},
      {ftFMTBcd, TNumericField::StaticClass(), true},   {ftDate, TDateTimeField::StaticClass(), true},
      {ftTime, TDateTimeField::StaticClass(), true},    {ftTimeStamp, TDateTimeField::StaticClass(), false},
      {ftMemo, TBlobField::StaticClass(), true},        {ftGraphic, TBlobField::StaticClass(), true},
      {ftBoolean, TNumericField::StaticClass(), false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DefaultFieldClass(c.type).InheritsFrom(c.base), c.inherits)
        << FieldTypeName(c.type) << " " << c.base->ClassName();
}
