// The windowless editor model: change batching, defaults through the provider, validation
// through a stand-in edit, display texts, number grouping and bounds.

#include <gtest/gtest.h>

#include "editors/kcTextEdit.h"
#include "platform/core/SysUtils.h"
#include "platform/core/Utf8.h"

namespace {

class TFakeEdit : public TObject, public IkcEditHost {
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterfaceOf<IkcEditHost>(this, IID, Obj); }
  TObject* GetEditObject() override { return this; }
  TkcCustomEditProperties* GetOwnProperties() override { return own; }
  TkcCustomEditProperties* GetRepositoryItemProperties() override { return item; }
  Variant GetEditDisplayValue() override { return displayValue; }
  bool IsEditFocused() override { return true; }
  bool IsEditInplace() override { return false; }
  bool IsEditDesigning() override { return false; }
  bool IsEditModifiedAfterEnter() override { return true; }
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool) override {
    double d = 0;
    AEditValue = TryStrToFloat(VarToStr(ADisplayValue), d) ? Variant(d) : ADisplayValue;
  }
  TkcCustomEditProperties* own = nullptr;
  TkcCustomEditProperties* item = nullptr;
  Variant displayValue = String("current");
};

class TRightProvider : public TkcCustomEditDefaultValuesProvider {
public:
  TAlignment GetDefaultAlignment() override { return taRightJustify; }
  bool CanModifyValue() override { return false; }
  bool GetDefaultReadOnly() override { return readOnly; }
  bool readOnly = true;
};

// A numeric text kind, as the spin and currency editors are.
class TNumberProperties : public TkcCustomTextEditProperties {
public:
  TNumberProperties() : TkcCustomTextEditProperties(nullptr) {}
  bool IsEditValueNumeric() override { return true; }
  bool IsThousandSeparatorShown(bool) override { return grouped; }
  bool grouped = false;
};

class TListProperties : public TkcCustomTextEditProperties {
public:
  TListProperties() : TkcCustomTextEditProperties(nullptr) {}
  TkcTextEditingStyle GetEditingStyle() override { return esEditList; }
};

int CountChanges(TkcCustomEditProperties& p, int& counter) {
  counter = 0;
  p.OnPropertiesChanged = [&counter](TObject*) { ++counter; };
  return counter;
}

class EditModelTest : public ::testing::Test {
protected:
  void SetUp() override {
    saved = FormatSettings;
    FormatSettings.ThousandSeparator = ',';
    FormatSettings.DecimalSeparator = '.';
  }
  void TearDown() override { FormatSettings = saved; }
  TFormatSettings saved;
};

TEST_F(EditModelTest, DefaultsAndChangeBatching) {
  TkcCustomEditProperties p(nullptr);
  EXPECT_TRUE(p.AutoSelect());
  EXPECT_TRUE(p.UseMouseWheel);
  EXPECT_EQ(p.ClickKey, 0x400D);
  EXPECT_EQ(p.ClearKey, 0);
  EXPECT_EQ(p.ButtonsViewKind(), bvkNormal);

  int changes = 0;
  CountChanges(p, changes);
  p.BeginUpdate();
  for (int i = 0; i < 10; ++i) p.SetTransparent(i % 2 == 0);
  p.EndUpdate(true);
  EXPECT_EQ(changes, 1);
  p.BeginUpdate();
  p.SetAutoSelect(false);
  p.EndUpdate(false);
  EXPECT_EQ(changes, 1);
  p.EndUpdate(true);  // without BeginUpdate
  EXPECT_EQ(changes, 1);
  p.LockChanged(true);
  p.SetAutoSelect(true);
  p.LockChanged(false);
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(p.ChangedOccurred());
  p.SetAutoSelect(true);  // no real change
  EXPECT_EQ(changes, 1);
}

TEST_F(EditModelTest, ProviderDefaultsAlignmentAndReadOnly) {
  auto provider = std::make_unique<TRightProvider>();
  TkcCustomEditProperties a(nullptr), b(nullptr);
  a.SetDefaultValuesProvider(provider.get());
  b.SetDefaultValuesProvider(provider.get());
  int changes = 0;
  CountChanges(a, changes);
  EXPECT_EQ(a.Alignment()->Horz(), taRightJustify);
  EXPECT_FALSE(a.InnerAlignment()->IsHorzAssigned());
  EXPECT_EQ(changes, 0);                   // reading raises nothing
  a.Alignment()->SetHorz(taRightJustify);  // the value shown, still an assignment
  EXPECT_TRUE(a.InnerAlignment()->IsHorzAssigned());
  EXPECT_EQ(changes, 1);

  EXPECT_TRUE(a.ReadOnly());  // the provider's default
  EXPECT_FALSE(a.CanModify());
  a.SetReadOnly(false);
  EXPECT_TRUE(a.CanModify());  // explicitly writable beats the provider's refusal
  provider->readOnly = false;
  EXPECT_FALSE(b.CanModify());  // provider: value not modifiable

  provider.reset();
  EXPECT_EQ(a.DefaultValuesProvider(), nullptr);
  EXPECT_EQ(b.DefaultValuesProvider(), nullptr);
  EXPECT_FALSE(b.ReadOnly());
  EXPECT_EQ(b.Alignment()->Horz(), taLeftJustify);
}

TEST_F(EditModelTest, AssignCopiesWhatItShould) {
  TkcCustomTextEditProperties source(nullptr), target(nullptr);
  int closes = 0;
  target.OnClosePopup = [&closes](TObject*, TkcEditCloseUpReason) { ++closes; };
  source.OnClosePopup = nullptr;
  source.SetReadOnly(true);
  source.SetMinValue(5);
  source.SetLookupItemsSorted(true);
  source.LookupItems()->Add("b");
  source.LookupItems()->Add("a");
  source.Buttons()->Add()->SetCaption("&Open && close");
  target.SetMaxValue(9);
  target.Assign(&source);
  EXPECT_TRUE(target.OnClosePopup);  // not copied
  EXPECT_TRUE(target.ReadOnly());
  EXPECT_TRUE(target.AssignedValues()->MinValue());
  EXPECT_EQ(target.MinValue(), 5);
  EXPECT_FALSE(target.AssignedValues()->MaxValue());  // cleared, as in the source
  EXPECT_TRUE(target.LookupItemsSorted());
  ASSERT_EQ(target.LookupItems()->Count(), 2);
  EXPECT_EQ(target.LookupItems()->Strings(0), "a");
  ASSERT_EQ(target.Buttons()->Count(), 1);
  EXPECT_EQ(target.Buttons()->Items(0)->VisibleCaption(), "Open & close");
  TkcEditAlignment alignment(nullptr);
  EXPECT_THROW(target.Assign(&alignment), EConvertError);
}

TEST_F(EditModelTest, ButtonsDefaultIsExclusiveAndChangesNotify) {
  TkcCustomEditProperties p(nullptr);
  int changes = 0;
  CountChanges(p, changes);
  TkcEditButton* first = p.Buttons()->Add();
  TkcEditButton* second = p.Buttons()->Add();
  first->SetDefault(true);
  second->SetDefault(true);
  EXPECT_FALSE(first->Default());
  EXPECT_TRUE(second->Default());
  second->SetVisible(false);
  EXPECT_EQ(p.Buttons()->VisibleCount(), 1);
  EXPECT_GE(changes, 4);
  EXPECT_EQ(p.GetOperationSupport(), kcEditOperationButtons);
}

TEST_F(EditModelTest, ValidationTextsHandlersAndBounds) {
  TkcCustomEditProperties plain(nullptr);
  EXPECT_EQ(plain.GetValidateErrorText(0), "Invalid input value. Use escape key to abandon changes");
  TNumberProperties number;
  EXPECT_EQ(number.GetValidateErrorText(1), "Value out of bounds");

  // The plain kind does not validate: its handler never runs.
  TFakeEdit edit;
  edit.own = &plain;
  int calls = 0;
  plain.OnValidate = [&calls](TObject*, Variant&, String&, bool&) { ++calls; };
  Variant value = String("x");
  String error;
  bool failed = false;
  plain.ValidateDisplayValue(value, error, failed, &edit);
  EXPECT_EQ(calls, 0);

  // Own handler, then the repository item's; an error without a changed text takes the
  // edit's current display value.
  TkcTextEditProperties own(nullptr), item(nullptr);
  edit.own = &own;
  edit.item = &item;
  std::vector<std::string> order;
  own.OnValidate = [&order](TObject*, Variant&, String&, bool&) { order.push_back("own"); };
  item.OnValidate = [&order](TObject*, Variant&, String&, bool& e) {
    order.push_back("item");
    e = true;
  };
  value = String("typed");
  own.ValidateDisplayValue(value, error, failed, &edit);
  EXPECT_EQ(order, (std::vector<std::string>{"own", "item"}));
  EXPECT_TRUE(failed);
  EXPECT_EQ(error, "Invalid input value. Use escape key to abandon changes");
  EXPECT_EQ(VarToStr(value), "current");
  bool changedByUser = true;
  item.OnValidate = [](TObject*, Variant& v, String&, bool& e) {
    v = String("fixed");
    e = true;
  };
  value = String("typed");
  own.DoValidate(value, error, failed, &edit, changedByUser);
  EXPECT_TRUE(changedByUser);
  EXPECT_EQ(VarToStr(value), "fixed");

  // Bounds: a bound set alone holds alone.
  struct Case {
    bool setMin, setMax;
    double min, max, value;
    bool out;
  } cases[] = {
      {false, false, 0, 0, 123, false},  // no bounds
      {true, false, 10, 0, 5, true},    {true, false, 10, 0, 1000, false},
      {true, false, -5, 0, 1, false},  // an unassigned 0 is no upper bound
      {true, false, 0, 0, -1, true},   // "not negative" holds on its own
      {false, true, 0, 100, 101, true}, {false, true, 0, 100, -50, false},
      {true, true, 1, 10, 10, false},   {true, true, 1, 10, 0.5, true},
  };
  TFakeEdit numberEdit;
  numberEdit.own = &number;
  for (const auto& c : cases) {
    TNumberProperties p;
    if (c.setMin) p.SetMinValue(c.min);
    if (c.setMax) p.SetMaxValue(c.max);
    Variant v = FloatToStr(c.value);
    String text;
    bool err = false;
    p.ValidateDisplayValue(v, text, err, &numberEdit);
    EXPECT_EQ(err, c.out) << c.min << ".." << c.max << " value " << c.value;
    EXPECT_EQ(text, c.out ? "Value out of bounds" : "Invalid input value. Use escape key to abandon changes");
  }
}

TEST_F(EditModelTest, DisplayTexts) {
  struct Case {
    TEditCharCase charCase;
    TkcEditEchoMode echo;
    char passwordChar;
    const char* value;
    const char* text;
  } cases[] = {
      {TEditCharCase::ecUpperCase, eemNormal, 0, "abc", "ABC"},
      {TEditCharCase::ecLowerCase, eemNormal, 0,
       "\xC3\x84"
       "Bc",
       "\xC3\xA4"
       "bc"},
      {TEditCharCase::ecUpperCase, eemPassword, 0, "abc", "***"},
      {TEditCharCase::ecNormal, eemPassword, '#',
       "\xC3\xA4"
       "b",
       "##"},  // one echo per character
  };
  for (const auto& c : cases) {
    TkcTextEditProperties p(nullptr);
    p.SetCharCase(c.charCase);
    p.EchoMode = c.echo;
    p.PasswordChar = c.passwordChar;
    EXPECT_EQ(WideToUtf8(p.GetDisplayText(Variant(String(c.value)))), c.text) << c.value;
  }

  struct NumberCase {
    Variant value;
    const char* displayFormat;
    bool grouped, focused;
    const char* text;
  } numbers[] = {
      {Variant(1234.5), ",0.00", false, false, "1,234.50"},
      {Variant(1234.5), "", false, false, "1234.5"},
      {Variant(1234567.25), "", true, true, "1,234,567.25"},
      {Variant(String("n/a")), ",0.00", false, false, "n/a"},  // no number: shown as it is
      {Null(), ",0.00", false, false, ""},
  };
  for (const auto& c : numbers) {
    TNumberProperties p;
    if (*c.displayFormat) p.SetDisplayFormat(c.displayFormat);
    p.grouped = c.grouped;
    Variant display;
    p.ConvertEditValueForDisplay(c.value, c.focused, display);
    EXPECT_EQ(VarToStr(display), c.text) << VarToStr(c.value);
  }
  TNumberProperties p;
  Variant display;
  EXPECT_THROW(p.EditValueToDisplayValue(Variant(true), display, false), EConvertError);
  EXPECT_EQ(p.GetOperationSupport(), 0x15E);
}

TEST_F(EditModelTest, NormalizesNumberTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {"1234567", "1,234,567"},
      {"-1234", "-1,234"},
      {" 1234567.25 ", " 1,234,567.25 "},
      {"1234E+05", "1,234E+05"},
      {"12,34", "1,234"},
      {"123", "123"},
      {"", ""},
      {"abc1234", "abc1,234"},
  };
  for (auto [in, out] : cases) {
    String text = in;
    NormalizeNumberText(text);
    EXPECT_EQ(text, out) << in;
  }
}

TEST_F(EditModelTest, LookupListsAndLocaleChanges) {
  TListProperties p;
  Variant v = String("x");
  EXPECT_FALSE(p.IsDisplayTextValid(v, true));  // empty list: every non-empty text fails
  v = String();
  EXPECT_TRUE(p.IsDisplayTextValid(v, true));
  p.LookupItems()->Add("Alpha");
  p.SetCharCase(TEditCharCase::ecUpperCase);
  v = String("alpha");
  EXPECT_TRUE(p.IsDisplayTextValid(v, true));
  EXPECT_EQ(VarToStr(v), "ALPHA");

  int changes = 0;
  CountChanges(p, changes);
  bool changingSeen = false;
  p.OnPropertiesChanged = [&](TObject*) {
    ++changes;
    changingSeen = p.FormatChanging();
  };
  GetFormatController()->NotifyListeners();
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(changingSeen);
  EXPECT_FALSE(p.FormatChanging());
}

}  // namespace

namespace {

TEST(TextEditChanges, SelectionReplacementWithMaxLength) {
  struct Case {
    const char* text;
    int selStart, selLength;
    const char* insert;
    int maxLength;
    bool editing, accepted;
    const char* result;
    int caret;
  } cases[] = {
      {"", 0, 0, "abcdefgh", 5, true, true, "abcde", 5},   // a long paste keeps what fits
      {"abcde", 5, 0, "x", 5, true, false, "", 0},         // a full editor refuses at its end
      {"abcde", 1, 2, "XYZW", 5, true, true, "aXYZW", 5},  // the tail goes when the head fills it
      {"abcde", 1, 2, "", 5, true, true, "ade", 1},        // cutting is always possible
      {"ab", 1, 0, "\xC3\xA4\xC3\xB6\xC3\xBC", 4, true, true, "a\xC3\xA4\xC3\xB6\xC3\xBC", 4},  // characters, not bytes
      {"abcde", 5, 0, "xyz", 5, false, true, "abcdexyz", 8},                                    // not typing: no cut
  };
  for (const auto& c : cases) {
    TkcTextEditProperties p(nullptr);
    p.SetMaxLength(c.maxLength);
    String text;
    int caret = 0;
    EXPECT_EQ(p.ChangeSelText(c.text, c.selStart, c.selLength, c.insert, c.editing, true, text, caret), c.accepted)
        << c.text << " + " << c.insert;
    if (!c.accepted) continue;
    EXPECT_EQ(text, c.result) << c.text << " + " << c.insert;
    EXPECT_EQ(caret, c.caret) << c.text << " + " << c.insert;
  }
  TListProperties list;  // the whole text is replaced in list styles only when it is an item
  list.LookupItems()->Add("Beta");
  String text;
  int caret = 0;
  EXPECT_FALSE(list.ChangeSelText("", 0, 0, "x", true, true, text, caret));
  EXPECT_TRUE(list.ChangeSelText("", 0, 0, "beta", true, true, text, caret));
}

}  // namespace
