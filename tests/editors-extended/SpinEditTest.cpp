// The spin engine: stepping at the bounds and the type limits (clamp, refuse, wrap), which
// bounds apply, increments per value type, texts to values, and the held-button repeat on the
// fake clock.

#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "editors-extended/kcSpinEdit.h"
#include "platform/win/TestDriver.h"

namespace {

constexpr int64_t kMax = std::numeric_limits<int64_t>::max();
constexpr int64_t kMin = std::numeric_limits<int64_t>::min();

TkcSpinEngine Engine(double mn, double mx, TkcSpinBoundsBehaviour b, TkcSpinEditValueType t = vtInt) {
  TkcSpinEngine e;
  e.ValueType = t;
  e.Bounds.MinValue = mn;
  e.Bounds.MaxValue = mx;
  e.Behaviour = b;
  return e;
}

}  // namespace

TEST(KcSpinEngine, IntegerStepsAtBoundsAndLimits) {
  struct Row {
    double mn, mx;
    TkcSpinBoundsBehaviour b;
    int64_t v;
    int dir;
    double inc, large;
    bool stepped;
    int64_t result;
  } rows[] = {
      {0, 10, sbbClamp, 10, 1, 1, 10, true, 10},
      {0, 10, sbbWrap, 10, 1, 1, 10, true, 0},
      {0, 10, sbbWrap, 9, 1, 2, 10, true, 0},
      {0, 10, sbbClamp, 9, 1, 2, 10, true, 10},
      {0, 10, sbbWrap, 0, 0, 1, 10, true, 10},
      {0, 10, sbbClamp, 0, 0, 1, 10, true, 0},
      {0, 10, sbbRefuse, 10, 1, 1, 10, false, 10},
      {0, 10, sbbClamp, -3, 1, 1, 10, true, 0},
      {0, 10, sbbClamp, -3, 0, 1, 10, false, -3},
      {0, 10, sbbWrap, -3, 0, 1, 10, true, 10},
      {0, 10, sbbClamp, 15, 0, 1, 10, true, 10},
      {0, 10, sbbClamp, 15, 1, 1, 10, false, 15},
      {0, 10, sbbWrap, 15, 1, 1, 10, true, 0},
      {0, 100, sbbClamp, 3, 3, 1, 10, true, 13},
      {0, 0, sbbClamp, kMax, 1, 1, 10, true, kMax},
      {0, 0, sbbWrap, kMax, 1, 1, 10, true, kMin},
      {0, 0, sbbClamp, kMin, 0, 1, 10, true, kMin},
      {0, 0, sbbWrap, kMin, 0, 1, 10, true, kMax},
      {0, 0, sbbClamp, 5, 1, 2.5, 10, true, 7},  // halves to even: 2.5 steps by 2
      {0, 0, sbbClamp, 5, 1, 3.5, 10, true, 9},  // 3.5 by 4
      {0, 0, sbbClamp, 5, 1, 0.4, 10, true, 5},  // a zero step
      // A wrapping step longer than the range stays inside it.
      {0, 5, sbbWrap, 3, 3, 1, 10, true, 1},
      {0, 5, sbbWrap, 3, 2, 1, 10, true, 5},
      // A bound beyond the type's range saturates.
      {-1e30, 1e30, sbbClamp, kMax - 1, 3, 1, 10, true, kMax},
  };
  for (const Row& r : rows) {
    TkcSpinEngine e = Engine(r.mn, r.mx, r.b);
    e.Increment = r.inc;
    e.LargeIncrement = r.large;
    TkcSpinValue v = r.v;
    bool stepped = e.GetNextValue(r.dir, v);
    SCOPED_TRACE(::testing::Message() << r.mn << ".." << r.mx << " b" << r.b << " v" << r.v << " dir" << r.dir);
    EXPECT_EQ(stepped, r.stepped);
    if (stepped) {
      EXPECT_EQ(std::get<int64_t>(v), r.result);
    }
  }
}

TEST(KcSpinEngine, FloatStepsAtBoundsAndLimits) {
  struct Row {
    double mn, mx;
    TkcSpinBoundsBehaviour b;
    double v;
    int dir;
    double inc;
    bool stepped;
    double result;
  } rows[] = {
      {0, 0, sbbClamp, 1.25, 1, 2.5, true, 3.75},
      {0, 10, sbbClamp, 9.5, 1, 1, true, 10},
      {0, 10, sbbWrap, 10, 1, 1, true, 0},
      {0, 10, sbbRefuse, 9.5, 1, 1, false, 0},
      {0, 0, sbbClamp, 1.7e308, 1, 1e308, true, 1.7e308},
      {0, 0, sbbClamp, -1.7e308, 0, 1e308, true, -1.7e308},
      {0, 0, sbbWrap, 1.7e308, 1, 1e308, true, -1.7e308 + 1e308 - 1},
  };
  for (const Row& r : rows) {
    TkcSpinEngine e = Engine(r.mn, r.mx, r.b, vtFloat);
    e.Increment = r.inc;
    TkcSpinValue v = r.v;
    bool stepped = e.GetNextValue(r.dir, v);
    SCOPED_TRACE(::testing::Message() << r.mn << ".." << r.mx << " b" << r.b << " v" << r.v);
    EXPECT_EQ(stepped, r.stepped);
    if (stepped) {
      EXPECT_DOUBLE_EQ(std::get<double>(v), r.result);
      EXPECT_TRUE(std::isfinite(std::get<double>(v)));
    }
  }
}

TEST(KcSpinEngine, WhichBoundsApply) {
  struct Row {
    double mn, mx;
    bool minA, maxA, minApplies, maxApplies;
  } rows[] = {
      {0, 10, false, false, true, true}, {0, 0, true, true, false, false}, {5, 2, true, false, true, false},
      {5, 2, false, true, false, true},  {5, 2, true, true, false, false}, {5, 2, false, false, false, false},
  };
  for (const Row& r : rows) {
    TkcSpinBounds b{r.mn, r.mx, r.minA, r.maxA};
    EXPECT_EQ(b.IsBoundDefined(0), r.minApplies) << r.mn << " " << r.mx;
    EXPECT_EQ(b.IsBoundDefined(1), r.maxApplies) << r.mn << " " << r.mx;
  }
  TkcSpinEngine e = Engine(5, 2, sbbClamp);
  e.Bounds.MinAssigned = true;
  EXPECT_EQ(std::get<int64_t>(e.EffectiveMin()), 5);
  EXPECT_EQ(std::get<int64_t>(e.EffectiveMax()), kMax);
  EXPECT_EQ(e.ForceIntoBounds(-1), 5);
  EXPECT_EQ(e.ForceIntoBounds(100), 100);
}

TEST(KcSpinEngine, TextsToValues) {
  TkcSpinValue v;
  EXPECT_TRUE(TryTextToSpinValue("-9223372036854775808", vtInt, v));
  EXPECT_EQ(std::get<int64_t>(v), kMin);
  EXPECT_TRUE(TryTextToSpinValue("+12", vtInt, v));
  EXPECT_EQ(std::get<int64_t>(v), 12);
  for (const char* bad : {"9223372036854775808", "1.5", "abc", "", "++1"})
    EXPECT_FALSE(TryTextToSpinValue(bad, vtInt, v)) << bad;
  EXPECT_TRUE(TryTextToSpinValue("2.5", vtFloat, v));
  EXPECT_EQ(std::get<double>(v), 2.5);
  EXPECT_FALSE(TryTextToSpinValue("1e309", vtFloat, v));
  EXPECT_FALSE(TryTextToSpinValue("1.75e308", vtFloat, v));
}

TEST(KcSpinRepeater, StepsAtOnceThenAfter400ThenEvery100) {
  TTestSession session;
  std::vector<DWORD> at;
  uint64_t start = session.Clock().TickCount64();
  TkcSpinRepeater r([&](int dir) {
    EXPECT_EQ(dir, 3);
    at.push_back(DWORD(session.Clock().TickCount64() - start));
  });
  r.Start(3);
  session.Advance(399);
  EXPECT_EQ(at, (std::vector<DWORD>{0}));
  session.Advance(1);
  session.Advance(250);
  EXPECT_EQ(at, (std::vector<DWORD>{0, 400, 500, 600}));
  r.Stop();
  session.Advance(500);
  EXPECT_EQ(at.size(), 4u);
  EXPECT_FALSE(r.Spinning());
}

TEST(KcSpinEditProperties, ButtonsValueTypeAndValidation) {
  TkcSpinEditProperties p(nullptr);
  EXPECT_EQ(p.Buttons()->Count(), 2);
  p.SpinButtons()->SetShowFastButtons(true);
  EXPECT_EQ(p.Buttons()->Count(), 4);
  p.SpinButtons()->SetShowFastButtons(false);
  EXPECT_EQ(p.Buttons()->Count(), 2);
  EXPECT_EQ(p.ValueType(), vtFloat);  // no provider, nothing assigned
  p.SetValueType(vtInt);
  EXPECT_TRUE(p.AssignedValues()->ValueType());
  p.SetMinValue(0);
  p.SetMaxValue(10);
  struct Row {
    const char* text;
    bool exceptions;
    bool error;
    const char* display;
    const char* message;
  } rows[] = {
      {"abc", false, true, "abc", ""},
      {"abc", true, true, "abc", "Invalid numeric value"},
      {"15", false, false, "10", ""},
      {"-4", false, false, "0", ""},
      {"15", true, true, "15", "Value out of bounds"},
      {"", false, false, "0", ""},
      {"7", false, false, "7", ""},
  };
  for (const Row& r : rows) {
    p.ExceptionOnInvalidInput = r.exceptions;
    Variant display = String(r.text);
    String message;
    bool error = false;
    p.ValidateDisplayValue(display, message, error, nullptr);
    EXPECT_EQ(error, r.error) << r.text;
    EXPECT_EQ(display.AsString(), r.display) << r.text;
    EXPECT_EQ(message, r.message) << r.text;
  }
  Variant v = String("12");
  EXPECT_TRUE(p.IsEditValueValid(v, false));
  EXPECT_EQ(v.VarType(), varInt64);
  v = String("1.5");
  EXPECT_FALSE(p.IsEditValueValid(v, false));
  TkcSpinEditProperties copy(nullptr);
  copy.Assign(&p);
  EXPECT_EQ(copy.ValueType(), vtInt);
  EXPECT_EQ(copy.Engine().Behaviour, sbbClamp);
  copy.Circular = true;
  EXPECT_EQ(copy.Engine().Behaviour, sbbWrap);
}

TEST(KcSpinButtonsLayout, ThreePositions) {
  const TRect area{0, 0, 100, 20};
  // Vertical, no fast buttons: up over down in one column at the right.
  TkcSpinButtonsLayout v = CalculateSpinButtonsLayout(area, 15, sbpVert, false, false, 0);
  EXPECT_EQ(v.Up, (TRect{85, 0, 100, 10}));
  EXPECT_EQ(v.Down, (TRect{85, 10, 100, 20}));
  EXPECT_EQ(v.Remaining.right, 85);
  // Native: one pixel apart with a separator line between them.
  TkcSpinButtonsLayout vn = CalculateSpinButtonsLayout(area, 15, sbpVert, false, true, 9);
  EXPECT_EQ(vn.Up, (TRect{85, 0, 100, 9}));
  EXPECT_EQ(vn.Down, (TRect{85, 10, 100, 20}));
  EXPECT_EQ(vn.Separator, (TRect{85, 9, 100, 10}));
  // Horizontal left-right with fast buttons: [fast down][down] text [up][fast up].
  TkcSpinButtonsLayout lr = CalculateSpinButtonsLayout(area, 15, sbpHorzLeftRight, true, false, 0);
  int H = 4 * lr.ArrowSize - 3, FW = (3 * H + 1) / 2;
  EXPECT_EQ(lr.FastDown, (TRect{0, 0, FW, 20}));
  EXPECT_EQ(lr.Down, (TRect{FW, 0, FW + H, 20}));
  EXPECT_EQ(lr.FastUp, (TRect{100 - FW, 0, 100, 20}));
  EXPECT_EQ(lr.Up, (TRect{100 - FW - H, 0, 100 - FW, 20}));
  EXPECT_EQ(lr.Remaining, (TRect{FW + H, 0, 100 - FW - H, 20}));
  // Horizontal right: text [fast down][down][up][fast up], the native separator after down.
  TkcSpinButtonsLayout hr = CalculateSpinButtonsLayout(area, 15, sbpHorzRight, true, true, 9);
  EXPECT_LT(hr.FastDown.right, hr.Down.right);
  EXPECT_LT(hr.Down.right, hr.Up.left);
  EXPECT_LT(hr.Up.right, hr.FastUp.right);
  EXPECT_EQ(hr.Separator.left, hr.Down.right);
  EXPECT_EQ(hr.Remaining.right, hr.FastDown.left);
}

TEST(KcSpinEditProperties, TypedCharacters) {
  FormatSettingsScope scope{DefaultFormatSettings()};
  FormatSettings.DecimalSeparator = ',';
  TkcSpinEditProperties p(nullptr);
  struct Row {
    TkcSpinEditValueType type;
    bool canEdit;
    char32_t ch;
    bool valid;
    char32_t becomes;
  } rows[] = {
      {vtFloat, true, U'7', true, U'7'}, {vtFloat, true, U'.', true, U','}, {vtFloat, true, U'e', true, U'e'},
      {vtInt, true, U'.', false, U','},  {vtInt, true, U'-', true, U'-'},   {vtInt, true, U'x', false, U'x'},
      {vtInt, true, 8, true, 8},         {vtInt, false, U'5', false, U'5'}, {vtInt, false, 8, false, 8},
      {vtInt, false, 13, true, 13},
  };
  for (const Row& r : rows) {
    p.SetValueType(r.type);
    p.CanEdit = r.canEdit;
    char32_t ch = r.ch;
    EXPECT_EQ(p.IsValidChar(ch), r.valid) << int(r.ch) << " type " << r.type;
    EXPECT_EQ(ch, r.becomes);
  }
  p.CanEdit = true;
  p.ValidChars.set('*');
  char32_t star = U'*';
  EXPECT_TRUE(p.IsValidChar(star));
  char32_t letter = U'q';
  EXPECT_TRUE(p.IsValidChar(letter, true));
}
