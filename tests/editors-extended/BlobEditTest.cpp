// The blob editor kind: kinds resolved from the data, texts and icons per paint style, the
// popup's keys and when its value is posted.

#include <gtest/gtest.h>

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcDBEdit.h"
#include "platform/db/DBClient.h"

namespace {

std::string Icon(TkcBlobEditProperties& p, const Variant& v) {
  const int index = p.GetBlobImageIndex(v);
  return index < 0 ? "-" : kcBlobImageNames[index];
}

TEST(BlobEdit, TextsPerPaintStyleAndKind) {
  TkcBlobEditProperties p(nullptr);
  p.SetBlobEditKind(bekMemo);
  p.SetBlobPaintStyle(bpsDefault);
  EXPECT_EQ(p.GetBlobText(Null()), u"(memo)");
  EXPECT_EQ(p.GetBlobText(Variant(std::string())), u"(MEMO)");
  EXPECT_EQ(p.GetBlobText(Unassigned()), u"(MEMO)") << "only Null counts as Null";
  p.SetBlobPaintStyle(bpsText);
  EXPECT_EQ(p.GetBlobText(Variant(std::string("first\r\nsecond"))), u"first");
  EXPECT_EQ(p.GetDisplayText(Variant(std::string("first\r\nsecond")), true), u"first\r\nsecond");
  EXPECT_TRUE(p.CompareDisplayValues(Variant(std::string("a")), Variant(std::string("a"))));
  EXPECT_FALSE(p.CompareDisplayValues(Variant(std::string("a")), Variant(std::string("A"))));

  const std::pair<TkcBlobEditKind, std::u16string> others[] = {
      {bekPict, u"(PICTURE)"}, {bekOle, u"OLE"}, {bekBlob, u"BLOB"}};
  for (TkcBlobPaintStyle style : {bpsDefault, bpsIcon, bpsText}) {
    p.SetBlobPaintStyle(style);
    for (const auto& [kind, text] : others) {
      p.SetBlobEditKind(kind);
      EXPECT_EQ(p.GetDisplayText(Variant(std::string("x"))), text);
      EXPECT_EQ(p.GetDisplayText(Null()), u"");
    }
  }
}

TEST(BlobEdit, IconsPerKindAndValue) {
  TkcBlobEditProperties p(nullptr);
  p.SetBlobEditKind(bekMemo);
  EXPECT_EQ(Icon(p, Null()), "KCBMBLOB_MEMO_NULL");
  EXPECT_EQ(Icon(p, Variant(std::string())), "KCBMBLOB_MEMO_NULL");
  EXPECT_EQ(Icon(p, Unassigned()), "KCBMBLOB_MEMO");
  EXPECT_EQ(Icon(p, Variant(std::string("x"))), "KCBMBLOB_MEMO");
  p.SetBlobEditKind(bekPict);
  EXPECT_EQ(Icon(p, Variant(std::string("x"))), "KCBMBLOB_PICT");
  p.SetBlobEditKind(bekOle);
  EXPECT_EQ(Icon(p, Null()), "KCBMBLOB_OLE_NULL");
  p.SetBlobPaintStyle(bpsText);
  EXPECT_EQ(Icon(p, Null()), "-");
}

TEST(BlobEdit, AutomaticKindResolvesOnceFromTheField) {
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("M", ftMemo);
  ds.FieldDefs().Add("G", ftGraphic);
  ds.CreateDataSet();
  ds.Close();
  TkcCustomDBEditDefaultValuesProvider provider;
  TkcBlobEditProperties p(nullptr);
  p.SetDefaultValuesProvider(&provider);
  EXPECT_EQ(Icon(p, Null()), "-") << "no source yet: the kind waits";
  EXPECT_EQ(p.BlobEditKind(), bekAuto);
  ds.Open();
  provider.SetField(ds.FieldByName("G"));
  EXPECT_EQ(Icon(p, Null()), "KCBMBLOB_PICT_NULL");
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  provider.SetField(ds.FieldByName("M"));
  EXPECT_EQ(p.BlobEditKind(), bekPict) << "resolved once and for all";

  TkcBlobEditProperties alone(nullptr);
  alone.ResolveAutoEditKind();
  EXPECT_EQ(alone.BlobEditKind(), bekBlob);
  EXPECT_EQ(alone.Buttons()->Items(0)->Kind(), bkEllipsis);
  TkcCustomEditDefaultValuesProvider neutral;
  TkcBlobEditProperties standAlone(nullptr);
  standAlone.SetDefaultValuesProvider(&neutral);
  standAlone.ResolveAutoEditKind();
  EXPECT_EQ(standAlone.BlobEditKind(), bekMemo);
}

TEST(BlobEdit, PopupKeysAndPosting) {
  const TShiftState none{}, ctrl{ssCtrl}, alt{ssAlt};
  struct Case {
    WORD key;
    TShiftState shift;
    bool alwaysSave, closeOnEnter;
    TModalResult result;
  } cases[] = {
      {VK_ESCAPE, none, true, false, mrCancel}, {VK_F4, none, true, false, mrOk},
      {VK_F4, none, false, false, mrCancel},    {VK_F4, alt, true, false, mrNone},
      {VK_DOWN, alt, true, false, mrOk},        {VK_UP, alt, false, false, mrCancel},
      {VK_DOWN, none, true, false, mrNone},     {VK_RETURN, none, true, false, mrNone},
      {VK_RETURN, ctrl, false, false, mrOk},    {VK_RETURN, none, false, true, mrOk},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TranslateBlobPopupKey(c.key, c.shift, c.alwaysSave, c.closeOnEnter), c.result)
        << c.key << " " << c.alwaysSave << c.closeOnEnter;

  EXPECT_TRUE(ShouldPostBlobPopupValue(true, mrOk, false));
  EXPECT_TRUE(ShouldPostBlobPopupValue(true, mrNone, true));
  EXPECT_FALSE(ShouldPostBlobPopupValue(true, mrNone, false));
  EXPECT_FALSE(ShouldPostBlobPopupValue(true, mrCancel, true));
  EXPECT_FALSE(ShouldPostBlobPopupValue(false, mrOk, true));
}

}  // namespace
