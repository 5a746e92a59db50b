// Editor defaults answered by a dataset field, and the memo's display text.

#include <gtest/gtest.h>

#include "editors-extended/kcDBEdit.h"
#include "editors-extended/kcMemo.h"
#include "platform/db/DBClient.h"

namespace {

struct FieldDefaults : ::testing::Test {
  TClientDataSet ds{nullptr};
  TDataSource source{nullptr};
  TkcCustomDBEditDefaultValuesProvider provider;
  void SetUp() override {
    ds.FieldDefs().Add("S", ftString, 30);
    ds.FieldDefs().Add("FC", ftFixedChar, 8);
    ds.FieldDefs().Add("F", ftFloat);
    ds.FieldDefs().Add("B", ftBCD);
    ds.FieldDefs().Add("L", ftLargeint);
    ds.FieldDefs().Add("I", ftInteger);
    ds.FieldDefs().Add("M", ftMemo);
    ds.FieldDefs().Add("G", ftBlob);
    ds.CreateDataSet();
    source.SetDataSet(&ds);
    provider.SetDataSource(&source);
  }
  TField* Use(const char* name) {
    TField* f = ds.FieldByName(name);
    provider.SetField(f);
    return f;
  }
};

TEST_F(FieldDefaults, WithoutFieldOnlyTheDataSourceDecides) {
  EXPECT_FALSE(provider.IsSourceActive());
  EXPECT_FALSE(provider.CanModifyValue());
  EXPECT_EQ(provider.GetDefaultBlobKind(), bkNone);
  EXPECT_EQ(provider.GetDefaultPrecision(), 15);
  EXPECT_TRUE(provider.IsFieldBased());
  source.AutoEdit = false;
  EXPECT_FALSE(provider.CanEnterEditMode());
  ds.Edit();
  EXPECT_TRUE(provider.CanEnterEditMode());
  ds.Cancel();
  provider.SetDataSource(nullptr);
  EXPECT_FALSE(provider.CanEnterEditMode());
}

TEST_F(FieldDefaults, LengthBoundsAndKinds) {
  Use("S");
  EXPECT_EQ(provider.GetDefaultMaxLength(), 30);
  Use("I");
  EXPECT_EQ(provider.GetDefaultMaxLength(), 0);
  auto* f = static_cast<TFloatField*>(Use("F"));
  f->SetMaxValue(1.23456789);
  f->SetPrecision(4);
  EXPECT_DOUBLE_EQ(provider.GetDefaultMaxValue(), 1.235);
  EXPECT_TRUE(provider.IsFloatValue());
  auto* b = static_cast<TBCDField*>(Use("B"));
  b->SetMaxValue(Currency::FromDouble(12.3456));
  EXPECT_DOUBLE_EQ(provider.GetDefaultMaxValue(), 12.3456);
  Use("L");
  EXPECT_EQ(provider.GetDefaultMaxValue(), 0.0);
  auto* i = static_cast<TIntegerField*>(Use("I"));
  i->SetMinValue(-5);
  EXPECT_EQ(provider.GetDefaultMinValue(), -5.0);
  Use("M");
  EXPECT_EQ(provider.GetDefaultBlobKind(), bkMemo);
  Use("G");
  EXPECT_EQ(provider.GetDefaultBlobKind(), bkNone);
  EXPECT_TRUE(provider.IsBlobValue());
  TFloatField loose(nullptr);
  loose.SetPrecision(4);
  provider.SetField(&loose);
  EXPECT_EQ(provider.GetDefaultPrecision(), 4) << "precision does not need an open dataset";
  EXPECT_FALSE(provider.IsFloatValue());
  provider.SetField(nullptr);
}

TEST_F(FieldDefaults, ReadOnlyAndDisplayFormats) {
  TField* s = Use("S");
  EXPECT_TRUE(provider.CanModifyValue());
  s->SetReadOnly(true);
  EXPECT_FALSE(provider.CanModifyValue());
  EXPECT_TRUE(provider.GetDefaultReadOnly());

  auto* f = static_cast<TFloatField*>(Use("F"));
  f->SetCurrency(true);
  EXPECT_TRUE(provider.HasDisplayFormat(true));
  EXPECT_FALSE(provider.HasDisplayFormat(false));
  EXPECT_TRUE(provider.IsCurrencyValue());
  f->OnGetText = [](TField*, String& text, bool) { text = "x"; };
  EXPECT_TRUE(provider.HasDisplayFormat(false));
  EXPECT_TRUE(provider.HasCustomDisplayText());
  f->SetDisplayFormat("0.00");
  EXPECT_FALSE(provider.HasCustomDisplayText()) << "the editor repeats a numeric display format";
  EXPECT_EQ(provider.GetDefaultDisplayFormat(), "0.00");
}

TEST_F(FieldDefaults, LookupFieldsEditThroughTheirKeys) {
  TField* s = Use("S");
  s->SetFieldKind(fkLookup);
  s->KeyFields = "I;FC";
  EXPECT_TRUE(provider.CanModifyValue());
  ds.FieldByName("FC")->SetReadOnly(true);
  EXPECT_FALSE(provider.CanModifyValue());
  // An unknown key field is refused without an exception (defaults are read while painting).
  s->KeyFields = "I;NOPE";
  EXPECT_FALSE(provider.CanModifyValue());
}

TEST(FieldDefaultsLife, FreedFieldAndSourceAreForgotten) {
  TkcCustomDBEditDefaultValuesProvider provider;
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("S", ftString, 5);
  ds.CreateDataSet();
  auto* source = new TDataSource(nullptr);
  source->SetDataSet(&ds);
  provider.SetDataSource(source);
  provider.SetField(ds.FieldByName("S"));
  source->Free();
  EXPECT_EQ(provider.DataSource(), nullptr);
  EXPECT_NE(provider.Field(), nullptr);
  ds.Close();
  ds.Fields().Clear();
  EXPECT_EQ(provider.Field(), nullptr);
}

TEST(MemoProperties, ShortTextIsTheFirstLineOfAtMost250Characters) {
  TkcMemoProperties p(nullptr);
  const std::string longLine(300, 'a');
  struct Case {
    std::string value;
    std::size_t shortLength;
  } cases[] = {
      {"one\r\ntwo", 3}, {"one\ntwo", 3}, {longLine, 250}, {std::string(260, 'b') + "\nx", 250}, {"", 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(p.GetDisplayText(Variant(c.value)).size(), c.shortLength) << c.value.substr(0, 20);
    EXPECT_EQ(p.GetDisplayText(Variant(c.value), true).size(), c.value.size());
  }
  // 250 characters, not UTF-16 units: a pair is kept whole.
  std::string emoji;
  for (int k = 0; k < 251; ++k) emoji += "\xF0\x9F\x98\x80";
  EXPECT_EQ(p.GetDisplayText(Variant(emoji)).size(), 500u);
}

TEST(MemoProperties, LayoutFlagsAndAssign) {
  TkcMemoProperties p(nullptr);
  EXPECT_FALSE(p.AutoSelect());
  EXPECT_EQ(p.GetDrawTextFlags(), 0x440 | 0x24100);
  p.SetScrollBars(ssBoth);
  EXPECT_EQ(p.GetDrawTextFlags(), 0x440 | 0x4000);
  p.SetVisibleLineCount(-3);
  EXPECT_EQ(p.VisibleLineCount(), 0);
  p.SetWantReturns(false);
  TkcMemoProperties q(nullptr);
  q.Assign(&p);
  EXPECT_EQ(q.ScrollBars(), ssBoth);
  EXPECT_FALSE(q.WantReturns());
}

}  // namespace
