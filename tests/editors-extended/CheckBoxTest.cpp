// Check box values and states, and the check-state value formats.

#include <gtest/gtest.h>

#include "editors-extended/kcCheckStates.h"
#include "editors/kcEditRepository.h"

namespace {

TEST(CheckBoxProperties, ValueToStateTable) {
  TkcCheckBoxProperties p(nullptr);
  struct Case {
    Variant value;
    TkcCheckBoxState state;
    std::u16string text;
  } cases[] = {
      {Variant(true), cbsChecked, u"True"},
      {Variant(false), cbsUnchecked, u"False"},
      {Variant(std::string("True")), cbsChecked, u"True"},
      {Variant(std::string("False")), cbsUnchecked, u"False"},
      {Null(), cbsGrayed, u""},
      {Variant(1), cbsGrayed, u""},
      {Variant(std::string("yes")), cbsGrayed, u""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(p.GetState(c.value), c.state) << VarToStr(c.value);
    EXPECT_EQ(p.GetDisplayText(c.value), c.text);
    Variant display;
    p.EditValueToDisplayValue(c.value, display, false);
    EXPECT_EQ(display.AsInteger(), c.state);
  }
  Variant edit = Variant(7);
  p.DisplayValueToEditValue(Variant(int(cbsChecked)), edit);
  EXPECT_TRUE(VarEqualsWithType(edit, Variant(true)));
  p.DisplayValueToEditValue(Variant(int(cbsGrayed)), edit);
  EXPECT_TRUE(VarIsNull(edit));
  p.DisplayValueToEditValue(Variant(9), edit);
  EXPECT_TRUE(VarIsNull(edit)) << "no state: untouched";
}

TEST(CheckBoxProperties, ValuesMustStayDistinct) {
  TkcCheckBoxProperties p(nullptr);
  p.SetValueChecked(Null());
  p.SetValueChecked(Variant(false));
  p.SetValueGrayed(Variant(true));
  EXPECT_TRUE(VarEqualsWithType(p.ValueChecked(), Variant(true)));
  EXPECT_TRUE(VarIsNull(p.ValueGrayed()));
  p.SetValueChecked(Variant(std::string("Y")));
  p.SetValueUnchecked(Variant(std::string("N")));
  EXPECT_EQ(p.GetState(Variant(std::string("Y"))), cbsChecked);
  EXPECT_TRUE(p.IsActivationKey(U' '));
  EXPECT_FALSE(p.IsActivationKey(U'x'));

  // A swap of checked and unchecked survives Assign.
  TkcCheckBoxProperties q(nullptr);
  q.SetValueChecked(Variant(std::string("N")));
  q.SetValueUnchecked(Variant(std::string("Y")));
  q.Assign(&p);
  EXPECT_EQ(q.GetState(Variant(std::string("Y"))), cbsChecked);
  EXPECT_EQ(q.GetState(Variant(std::string("N"))), cbsUnchecked);
}

TEST(CheckBoxProperties, ToggleCycle) {
  TkcCheckBoxProperties p(nullptr);
  EXPECT_EQ(p.NextState(cbsUnchecked), cbsChecked);
  EXPECT_EQ(p.NextState(cbsChecked), cbsUnchecked);
  EXPECT_EQ(p.NextState(cbsGrayed), cbsChecked);
  p.SetAllowGrayed(true);
  TkcCheckBoxState s = cbsUnchecked;
  std::vector<TkcCheckBoxState> seen;
  for (int i = 0; i < 3; ++i) seen.push_back(s = p.NextState(s));
  EXPECT_EQ(seen, (std::vector<TkcCheckBoxState>{cbsGrayed, cbsChecked, cbsUnchecked}));
}

class TItems : public IkcCheckItemCaptions {
public:
  explicit TItems(std::vector<std::string> c) : captions(std::move(c)) {}
  int GetCount() override { return static_cast<int>(captions.size()); }
  String GetCaption(int i) override { return captions.at(static_cast<std::size_t>(i)); }
  std::vector<std::string> captions;
};

constexpr TkcCheckBoxState U = cbsUnchecked, C = cbsChecked, G = cbsGrayed;

TEST(CheckStates, EncodeAndDecodeEveryFormat) {
  TItems items({"A", "BC", "X", "a;b", "q:1,", "Ünï"});
  const TkcCheckStates states = {C, C, G, C, G, U};
  struct Case {
    TkcCheckStatesValueFormat format;
    Variant encoded;
  } cases[] = {
      {cvfCaptions, Variant(std::string("1:X4:q:1,;1:A2:BC3:a;b"))},
      {cvfIndices, Variant(std::string("2,4;0,1,3"))},
      {cvfInteger, Variant::FromInt64(0b1011)},
      {cvfStatesString, Variant(std::string("112120"))},
  };
  for (const Case& c : cases) {
    const Variant v = EncodeCheckStates(states, &items, c.format);
    EXPECT_EQ(VarToStr(v), VarToStr(c.encoded)) << c.format;
    TkcCheckStates back;
    ASSERT_TRUE(DecodeCheckStates(v, &items, c.format, back)) << c.format;
    TkcCheckStates expected = states;
    if (c.format == cvfInteger) std::replace(expected.begin(), expected.end(), G, U);
    EXPECT_EQ(back, expected) << c.format;
  }
  // Non-ASCII captions are measured in characters.
  TkcCheckStates back;
  EXPECT_TRUE(DecodeCheckStates(Variant(std::string(";3:ÜNÏ")), &items, cvfCaptions, back));
  EXPECT_EQ(back[5], C);
}

TEST(CheckStates, DecodingEdgeCases) {
  TItems items({"a", "A", "b"});
  TkcCheckStates s;
  EXPECT_EQ(VarToStr(EncodeCheckStates({C, C, U}, &items, cvfCaptions)), ";1:a1:A");
  ASSERT_TRUE(DecodeCheckStates(Variant(std::string(";1:a1:A")), &items, cvfCaptions, s));
  EXPECT_EQ(s, (TkcCheckStates{C, C, U}));
  struct Bad {
    TkcCheckStatesValueFormat format;
    Variant value;
  } bad[] = {
      {cvfIndices, Variant(std::string("0,1;"))},
      {cvfIndices, Variant(std::string("3"))},
      {cvfIndices, Variant(std::string("0;1;2"))},
      {cvfIndices, Variant(std::string("0 1"))},
      {cvfCaptions, Variant(std::string("1:z"))},
      {cvfCaptions, Variant(std::string("5:a"))},
      {cvfCaptions, Variant(std::string("1a"))},
      {cvfCaptions, Variant(std::string("99999999999:a"))},
      {cvfStatesString, Variant(std::string("3"))},
      {cvfInteger, Variant(std::string("x"))},
      {cvfCaptions, Variant(5)},
  };
  for (const Bad& b : bad) {
    s.assign(3, C);
    EXPECT_FALSE(DecodeCheckStates(b.value, &items, b.format, s)) << VarToStr(b.value);
    EXPECT_EQ(s, (TkcCheckStates{U, U, U}));
  }
  ASSERT_TRUE(DecodeCheckStates(Variant(std::string("21")), &items, cvfStatesString, s));
  EXPECT_EQ(s, (TkcCheckStates{G, C, U}));
  ASSERT_TRUE(DecodeCheckStates(Null(), &items, cvfInteger, s));

  TItems many(std::vector<std::string>(70, "x"));
  ASSERT_TRUE(DecodeCheckStates(Variant::FromInt64(-1), &many, cvfInteger, s));
  EXPECT_EQ(std::count(s.begin(), s.end(), C), 64);
  EXPECT_EQ(s[64], U);
  TkcCheckStates all(70, C);
  EXPECT_EQ(EncodeCheckStates(all, &many, cvfInteger).AsInt64(), -1);
}

TEST(CheckStates, ValueChecks) {
  EXPECT_TRUE(IsEmptyValue(Null()));
  EXPECT_TRUE(IsEmptyValue(Unassigned()));
  EXPECT_FALSE(IsEmptyValue(Variant(0)));
  EXPECT_TRUE(IsIntegerText(" 42 "));
  EXPECT_FALSE(IsIntegerText("4.2"));
  EXPECT_FALSE(IsIntegerText("99999999999"));
  for (const char* yes : {"-1.5", "0", "12.", ".5"}) EXPECT_TRUE(IsFloatText(yes)) << yes;
  for (const char* no : {"1.5.2", "+1", "1e5", "-", ".", "1,000", "", "1-"}) EXPECT_FALSE(IsFloatText(no)) << no;
}

}  // namespace
