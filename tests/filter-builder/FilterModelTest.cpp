#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "editors/kcComboBox.h"
#include "editors/kcMaskEdit.h"
#include "editors/kcTextEdit.h"
#include "filter-builder/FakeLink.h"
#include "filter-builder/kcFilterControlModel.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

TObject* Link(int AId) { return reinterpret_cast<TObject*>(std::intptr_t(AId)); }

struct FilterModel : ::testing::Test {
  TFakeLink link;
  TkcFilterControlModel model;
  FilterModel() { model.SetLink(&link); }

  TkcConditionViewInfo* Condition(TkcGroupViewInfo* AGroup, int AItem, TkcConditionOperator AOperator,
                                  std::initializer_list<std::pair<Variant, String>> AValues) {
    TkcConditionViewInfo* row = model.AddCondition(AGroup);
    row->SetItem(AItem);
    row->SetOperator(AOperator);
    row->Values()->Clear();
    for (auto& [value, text] : AValues) {
      TkcValueInfo* info = row->Values()->AddValue();
      info->Value = value;
      info->ValueText = text;
    }
    return row;
  }
  std::string Saved() {
    TMemoryStream stream;
    model.SaveToStream(&stream);
    return std::string(static_cast<const char*>(stream.Memory()), stream.Size());
  }
};

}  // namespace

TEST(FilterOperators, TextsKindsAndWayBack) {
  EXPECT_EQ(GetConditionOperatorText(kcoNone), "");
  EXPECT_EQ(GetConditionOperatorText(kcoInList), "in");
  EXPECT_EQ(GetConditionOperatorText(kcoNextYear), "is next year");
  EXPECT_EQ(ConditionOperatorKind(kcoBlanks), foEqual);
  EXPECT_EQ(ConditionOperatorKind(kcoNonBlanks), foNotEqual);
  for (int op = kcoEqual; op <= kLastConditionOperator; ++op) {
    if (op == kcoBlanks || op == kcoNonBlanks) continue;
    auto o = static_cast<TkcConditionOperator>(op);
    EXPECT_EQ(ConditionOperatorOf(ConditionOperatorKind(o), false), o) << op;
  }
  EXPECT_EQ(ConditionOperatorOf(foEqual, true), kcoBlanks);
  EXPECT_EQ(ConditionOperatorOf(foNotEqual, true), kcoNonBlanks);
  EXPECT_EQ(ConditionOperatorOf(foLike, true), kcoLike);
  EXPECT_EQ(kcSimpleConditionOperators.Bits(), 2046u);
  EXPECT_EQ(kcExtendedConditionOperators.Bits(), 32766u);
  EXPECT_EQ(kcLikeConditionOperators.Bits(), 384u);
}

TEST(FilterOperators, SupportedSetsPerValueType) {
  struct Case {
    TkcValueTypeClass Type;
    bool Extended;
    std::uint32_t Bits;
  } cases[] = {
      {TkcIntegerValueType::Class(), true, 32382},
      {TkcIntegerValueType::Class(), false, 1662},
      {TkcStringValueType::Class(), true, 32766},
      {TkcStringValueType::Class(), false, 2046},
      {TkcWideStringValueType::Class(), true, 32766},
      {TkcDateTimeValueType::Class(), true, 32382},
      {nullptr, true, 32382},
      {nullptr, false, 1662},
  };
  TkcTextEditProperties properties(nullptr);
  for (const Case& c : cases)
    EXPECT_EQ(TkcCustomFilterEditHelper::Class()->GetSupportedOperators(&properties, c.Type, c.Extended).Bits(), c.Bits)
        << (c.Type ? c.Type->ClassName() : "none") << " " << c.Extended;
}

TEST(FilterOperators, ValidateConditionValue) {
  TkcFilterEditHelperClass helper = TkcFilterTextEditHelper::Class();
  Variant v = String("");
  ValidateConditionValue(nullptr, v, kcoEqual, TkcIntegerValueType::Class(), helper);
  EXPECT_TRUE(v.IsNull());
  v = String("");
  ValidateConditionValue(nullptr, v, kcoEqual, TkcStringValueType::Class(), helper);
  EXPECT_TRUE(v.IsStr());
  v = String("abc");
  ValidateConditionValue(nullptr, v, kcoLike, TkcIntegerValueType::Class(), helper);
  EXPECT_EQ(VarToStr(v), "abc");
  try {
    ValidateConditionValue(nullptr, v, kcoEqual, TkcIntegerValueType::Class(), helper);
    ADD_FAILURE() << "abc accepted in an integer column";
  } catch (const EkcFilterControlError& e) {
    EXPECT_EQ(e.Message(), "Invalid value");
  }
  v = String("12");
  ValidateConditionValue(nullptr, v, kcoEqual, TkcIntegerValueType::Class(), helper);
  EXPECT_EQ(v.VarType(), varInteger);
  EXPECT_EQ(v.AsInteger(), 12);
  v = String("anything");
  ValidateConditionValue(nullptr, v, kcoEqual, nullptr, helper);
  EXPECT_EQ(VarToStr(v), "anything");
}

TEST(FilterEditHelpers, InitializePropertiesResetsTheCopy) {
  TkcTextEditProperties source(nullptr), target(nullptr);
  source.SetReadOnly(true);
  source.BeepOnError = true;
  source.Alignment()->SetHorz(taRightJustify);
  source.Buttons()->Add();
  source.OnChange = [](TObject*) {};
  TkcFilterTextEditHelper::Class()->InitializeProperties(&target, &source, false);
  EXPECT_FALSE(target.ReadOnly());
  EXPECT_FALSE(target.BeepOnError);
  EXPECT_TRUE(target.ValidateOnEnter);
  EXPECT_EQ(target.Alignment()->Horz(), taLeftJustify);
  EXPECT_EQ(target.Buttons()->Count(), 0);
  EXPECT_FALSE(target.OnChange);
  TkcTextEditProperties kept(nullptr);
  TkcFilterTextEditHelper::Class()->InitializeProperties(&kept, &source, true);
  EXPECT_EQ(kept.Buttons()->Count(), source.Buttons()->Count());
}

namespace {
class TMyTextProperties : public TkcTextEditProperties {
  VT_CLASS(TMyTextProperties, TkcTextEditProperties)
public:
  using TkcTextEditProperties::TkcTextEditProperties;
};
class TMyMaskProperties : public TkcMaskEditProperties {
  VT_CLASS(TMyMaskProperties, TkcMaskEditProperties)
public:
  using TkcMaskEditProperties::TkcMaskEditProperties;
};
class TMyHelper : public TkcFilterTextEditHelper {
  KC_FILTER_EDIT_HELPER(TMyHelper, TkcFilterTextEditHelper)
};
}  // namespace

TEST(FilterEditHelpers, ControllerKeysByImmediateBaseAndFreesItselfWhenEmpty) {
  UnregisterStandardFilterEditHelpers();
  EXPECT_FALSE(FilterEditsControllerExists());
  RegisterStandardFilterEditHelpers();
  auto* controller = GetFilterEditsController();
  // Pairs are keyed by the immediate base: the mask kinds sit below the text key.
  EXPECT_EQ(controller->GetHelperClass(TkcTextEditProperties::StaticClass()), TkcFilterTextEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TMyMaskProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcMaskEditProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  // A class registered below another kind's key wins for itself only.
  controller->Register(TMyTextProperties::StaticClass(), TMyHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TMyTextProperties::StaticClass()), TMyHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcTextEditProperties::StaticClass()), TkcFilterTextEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcMaskEditProperties::StaticClass()), TkcFilterMaskEditHelper::Class());
  EXPECT_EQ(controller->GetHelperClass(TkcCustomEditProperties::StaticClass()), nullptr);
  controller->Unregister(TMyTextProperties::StaticClass(), TMyHelper::Class());
  UnregisterStandardFilterEditHelpers();
  EXPECT_FALSE(FilterEditsControllerExists());
  RegisterStandardFilterEditHelpers();
  EXPECT_TRUE(FilterEditsControllerExists());
  EXPECT_EQ(GetFilterEditsController()->GetHelperClass(TkcTextEditProperties::StaticClass()),
            TkcFilterTextEditHelper::Class());
}

TEST_F(FilterModel, NewConditionTakesTheDefaultItemAndOperator) {
  TkcConditionViewInfo* row = model.AddCondition(nullptr);
  EXPECT_EQ(row->ItemIndex, 0);
  EXPECT_EQ(row->Operator(), kcoEqual);  // an integer column offers no like
  EXPECT_EQ(row->SupportedOperators().Bits(), 32382u);
  row->SetItem(1);
  EXPECT_EQ(row->Operator(), kcoLike);
  EXPECT_EQ(row->Values()->Count(), 1);
  model.SortItems = true;
  link.Count = 3;
  TkcConditionViewInfo* sorted = model.AddCondition(nullptr);
  EXPECT_EQ(sorted->ItemText, "A");
  EXPECT_EQ(model.Rows().size(), 3u);
}

TEST_F(FilterModel, RowsToCriteriaAndBackForNestedGroupsAndEveryOperatorClass) {
  // (A = 1 OR B LIKE 'x%') AND NOT (C BETWEEN 1 AND 5 AND A IN (1,2,3) AND B is blank AND A is today)
  TkcGroupViewInfo* g1 = model.AddGroup(nullptr);
  g1->BoolOperator = fboOr;
  Condition(g1, 0, kcoEqual, {{1, "1"}});
  Condition(g1, 1, kcoLike, {{String("x%"), "x%"}});
  TkcGroupViewInfo* g2 = model.AddGroup(nullptr);
  g2->BoolOperator = fboNotAnd;
  Condition(g2, 2, kcoBetween, {{10, "10"}, {5, "5"}});
  Condition(g2, 0, kcoInList, {{1, "a"}, {2, "b"}, {3, "c"}});
  Condition(g2, 1, kcoBlanks, {{Null(), ""}});
  TkcGroupViewInfo* g3 = model.AddGroup(g2);
  Condition(g3, 0, kcoToday, {{Null(), ""}});
  Condition(g3, 2, kcoEqual, {{Null(), ""}});
  std::string first = Saved();

  TkcFilterCriteria* c = model.Criteria();
  auto* between =
      static_cast<TkcFilterCriteriaItem*>(static_cast<TkcFilterCriteriaItemList*>(c->Root()->GetItem(1))->GetItem(0));
  EXPECT_EQ(between->OperatorKind(), foBetween);
  EXPECT_EQ(between->Value()[0].AsInteger(), 5);
  EXPECT_EQ(between->Value()[1].AsInteger(), 10);
  EXPECT_EQ(between->DisplayValue(), "5;10");
  auto* in =
      static_cast<TkcFilterCriteriaItem*>(static_cast<TkcFilterCriteriaItemList*>(c->Root()->GetItem(1))->GetItem(1));
  EXPECT_EQ(in->Value().ArrayCount(), 3);
  EXPECT_EQ(in->DisplayValue(), "a;b;c");

  model.BuildRowsFromCriteria();
  ASSERT_EQ(model.Rows().size(), 11u);
  auto* g2back = dynamic_cast<TkcGroupViewInfo*>(model.Rows()[4]);
  ASSERT_TRUE(g2back);
  EXPECT_EQ(g2back->BoolOperator, fboNotAnd);
  auto* inBack = dynamic_cast<TkcConditionViewInfo*>(model.Rows()[6]);
  ASSERT_TRUE(inBack);
  EXPECT_EQ(inBack->Operator(), kcoInList);
  ASSERT_EQ(inBack->Values()->Count(), 3);
  EXPECT_EQ(inBack->Values()->Items(2)->ValueText, "c");
  EXPECT_EQ(dynamic_cast<TkcConditionViewInfo*>(model.Rows()[7])->Operator(), kcoBlanks);
  EXPECT_EQ(dynamic_cast<TkcConditionViewInfo*>(model.Rows()[9])->Operator(), kcoToday);
  EXPECT_EQ(dynamic_cast<TkcConditionViewInfo*>(model.Rows()[10])->Operator(), kcoBlanks);
  EXPECT_EQ(dynamic_cast<TkcCustomRowViewInfo*>(model.Rows()[10])->Level(), 3);
  EXPECT_EQ(Saved(), first);
}

TEST_F(FilterModel, IncompleteRowLeavesCriteriaAndOperatorChangesFitValues) {
  Condition(nullptr, 0, kcoEqual, {{7, "7"}});
  model.BuildCriteriaFromRows();
  String before = model.Criteria()->GetFilterText();
  TkcConditionViewInfo* incomplete = model.AddCondition(nullptr);
  incomplete->ItemText.clear();
  model.BuildCriteriaFromRows();
  EXPECT_EQ(model.Criteria()->GetFilterText(), before);

  TkcConditionViewInfo* row = Condition(nullptr, 0, kcoEqual, {{1, "1"}});
  row->SetOperator(kcoBetween);
  row->AdjustValues(true);
  ASSERT_EQ(row->Values()->Count(), 2);
  EXPECT_EQ(row->Values()->Items(0)->Value.AsInteger(), 1);
  EXPECT_TRUE(row->Values()->Items(1)->Value.IsNull());
  row = Condition(nullptr, 0, kcoInList, {{1, "1"}, {2, "2"}, {3, "3"}});
  row->SetOperator(kcoEqual);
  row->AdjustValues(true);
  EXPECT_EQ(row->Values()->Count(), 1);
  row->AdjustValues(false);
  EXPECT_TRUE(row->Values()->Items(0)->Value.IsNull());
}

TEST_F(FilterModel, ApplyFilterHandsTheConditionsToTheLinkCriteria) {
  TkcFilterControlCriteria target(&model);
  link.Target = &target;
  int applied = 0;
  model.OnApplyFilter = [&](TObject*) { ++applied; };
  Condition(nullptr, 0, kcoGreater, {{3, "3"}});
  model.ApplyFilter();
  EXPECT_EQ(applied, 1);
  EXPECT_EQ(target.Root()->GetCount(), 1);
  EXPECT_EQ(model.Rows().size(), 2u);
  model.ClearAll();
  EXPECT_EQ(model.Rows().size(), 1u);
  EXPECT_TRUE(model.Criteria()->IsEmpty());
}

namespace {
std::string ReadFile(const std::string& AName) {
  std::ifstream in(AName, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}
void WriteFile(const std::string& AName, const std::string& AData) { std::ofstream(AName, std::ios::binary) << AData; }
}  // namespace

TEST_F(FilterModel, FileWrittenReadAndWrittenAgainIsByteIdentical) {
  TkcGroupViewInfo* g = model.AddGroup(nullptr);
  g->BoolOperator = fboNotOr;
  Condition(g, 1, kcoNotLike, {{String("a_c"), "a_c"}});
  Condition(g, 2, kcoNotInList, {{1, "1"}, {200000, "200000"}});
  Condition(nullptr, 0, kcoLessEqual, {{-5, "-5"}});
  std::string a = ::testing::TempDir() + "filter_a.flt", b = ::testing::TempDir() + "filter_b.flt";
  model.SaveToFile(a);
  TkcFilterControlModel other;
  other.SetLink(&link);
  other.LoadFromFile(a);
  EXPECT_EQ(other.Rows().size(), 5u);
  other.SaveToFile(b);
  EXPECT_EQ(ReadFile(a), ReadFile(b));
  EXPECT_FALSE(ReadFile(a).empty());
  std::remove(a.c_str());
  std::remove(b.c_str());
}

TEST_F(FilterModel, BadFilesAreRefusedAndTheFilterInForceStays) {
  Condition(nullptr, 0, kcoEqual, {{1, "1"}});
  std::string good = Saved();
  model.BuildRowsFromCriteria();

  // An integer column holding "abc" and a condition on an unknown item (link 99).
  TkcFilterControlCriteria bad(&model);
  bad.AddItem(nullptr, Link(10), foEqual, String("abc"), "abc");
  TMemoryStream badValue;
  bad.WriteData(&badValue);
  bad.Clear();
  bad.AddItem(nullptr, Link(99), foEqual, 1, "1");
  TMemoryStream unknown;
  bad.WriteData(&unknown);

  struct Case {
    const char* Name;
    std::string Data;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 3)},
      {"empty", ""},
      {"damaged kind",
       [&] {
         std::string d = good;
         d[9] = char(0x7F);
         d[10] = char(0x7F);
         return d;
       }()},
      {"trailing bytes", good + "xyz"},
      {"bad value", std::string(static_cast<const char*>(badValue.Memory()), badValue.Size())},
      {"unknown field", std::string(static_cast<const char*>(unknown.Memory()), unknown.Size())},
  };
  std::string name = ::testing::TempDir() + "filter_bad.flt";
  for (const Case& c : cases) {
    WriteFile(name, c.Data);
    EXPECT_THROW(model.LoadFromFile(name), EkcFilterControlError) << c.Name;
    EXPECT_EQ(model.Rows().size(), 2u) << c.Name;
    EXPECT_EQ(Saved(), good) << c.Name;
  }
  std::remove(name.c_str());
  link.Count = 0;
  TMemoryStream stream;
  stream.WriteBuffer(good.data(), good.size());
  stream.SetPosition(0);
  EXPECT_THROW(model.LoadFromStream(&stream), EkcFilterControlError);
}

// A range condition holds exactly two values and a single-value condition no list: a file that
// says otherwise is refused with the builder's own error and changes nothing, and a condition
// made by other code is shown and saved with the values its operator takes.
TEST_F(FilterModel, ValueCountsFitTheOperator) {
  Condition(nullptr, 0, kcoEqual, {{1, "1"}});
  std::string good = Saved();
  model.BuildRowsFromCriteria();
  struct Case {
    const char* Name;
    TkcFilterOperatorKind Kind;
    Variant Value;
  } cases[] = {
      {"between without values", foBetween, Variant::MakeArray(0)},
      {"between with a scalar", foBetween, Variant(1)},
      {"between with three values", foBetween, VarArrayOf({1, 2, 3})},
      {"not between with one value", foNotBetween, VarArrayOf({1})},
      {"equals with a list", foEqual, VarArrayOf({1, 2})},
      {"less with a list", foLess, VarArrayOf({1})},
      {"in with an empty list", foInList, Variant::MakeArray(0)},
  };
  for (const Case& c : cases) {
    TkcFilterControlCriteria bad(&model);
    bad.AddItem(nullptr, Link(10), c.Kind, c.Value, "1;2;3");
    TMemoryStream stream;
    bad.WriteData(&stream);
    stream.SetPosition(0);
    try {
      model.LoadFromStream(&stream);
      ADD_FAILURE() << c.Name << " loaded";
    } catch (const EkcFilterControlError& e) {
      EXPECT_EQ(e.Message(), "Invalid value") << c.Name;
    }
    EXPECT_EQ(model.Rows().size(), 2u) << c.Name;
    EXPECT_EQ(Saved(), good) << c.Name;
  }
  // The same conditions put into the criteria directly become rows with fitting values.
  for (const Case& c : cases) {
    model.Criteria()->Clear();
    model.Criteria()->AddItem(nullptr, Link(10), c.Kind, c.Value, "1;2;3");
    model.BuildRowsFromCriteria();
    auto* row = static_cast<TkcConditionViewInfo*>(model.Rows()[1]);
    const int expected = c.Kind == foBetween || c.Kind == foNotBetween ? 2 : 1;
    EXPECT_EQ(row->Values()->Count(), expected) << c.Name;
    for (int i = 0; i < row->Values()->Count(); ++i) EXPECT_FALSE(row->Values()->Items(i)->Value.IsArray()) << c.Name;
    EXPECT_NO_THROW(Saved()) << c.Name;
  }
}

TEST(FilterEditHelpers, MaskHelperPreparesMaskedValuesAndOffersNoLikeWhenMasked) {
  RegisterStandardFilterEditHelpers();
  TkcFilterEditHelperClass mask = GetFilterEditsController()->GetHelperClass(TkcMaskEditProperties::StaticClass());
  ASSERT_EQ(mask, TkcFilterMaskEditHelper::Class());
  TkcMaskEditProperties p(nullptr);
  EXPECT_EQ(mask->GetSupportedOperators(&p, TkcStringValueType::Class(), false).Bits(), 2046u);
  p.SetEditMask("000;0;_");
  EXPECT_EQ(mask->GetSupportedOperators(&p, TkcStringValueType::Class(), false).Bits(), 1662u);
  TkcMaskEditProperties source(nullptr), target(nullptr);
  source.SetMaskKind(emkRegExpr);
  source.SetEditMask("\\d\\d");
  mask->InitializeProperties(&target, &source, false);
  EXPECT_EQ(target.MaskKind(), emkRegExprEx);
  EXPECT_EQ(target.EditMask(), "\\d\\d");
  EXPECT_FALSE(target.AutoSelect());
}

// A combo box column edits its values in a combo box prepared as a plain edit list that keeps
// its drop-down button; text and mask columns in their own kinds.
TEST(FilterEditHelpers, ComboHelperMakesAPlainEditListComboBox) {
  TFormsSession session;
  RegisterStandardFilterEditHelpers();
  TkcFilterEditHelperClass helper = GetFilterEditsController()->GetHelperClass(TkcComboBoxProperties::StaticClass());
  ASSERT_EQ(helper, TkcFilterComboBoxHelper::Class());
  EXPECT_TRUE(helper->KeepsEditButtons());
  TkcComboBoxProperties source(nullptr);
  source.Items()->Add("x");
  source.SetDropDownListStyle(lsFixedList);
  source.SetDropDownRows(3);
  source.Revertable = true;
  std::unique_ptr<IkcFilterEdit> edit(CreateFilterEdit(helper, &source));
  ASSERT_NE(edit, nullptr);
  auto* combo = dynamic_cast<TkcComboBox*>(edit->GetFilterEditControl());
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->IsInplace());
  auto* p = combo->Properties();
  EXPECT_EQ(p->DropDownListStyle(), lsEditList);
  EXPECT_EQ(p->DropDownRows(), 8);
  EXPECT_FALSE(p->Revertable);
  EXPECT_FALSE(p->ImmediateDropDown);
  EXPECT_EQ(p->Items()->Count(), 1);
  EXPECT_EQ(p->Buttons()->Count(), 1);
  edit->SetFilterEditValue(Variant(String("x")));
  EXPECT_EQ(VarToStr(edit->GetFilterEditValue()), "x");
  for (auto [cls, kind] : {std::pair{TkcTextEditProperties::StaticClass(), TkcTextEdit::StaticClass()},
                           {TkcMaskEditProperties::StaticClass(), TkcMaskEdit::StaticClass()}}) {
    TkcFilterEditHelperClass h = GetFilterEditsController()->GetHelperClass(cls);
    std::unique_ptr<TkcCustomEditProperties> props(TkcCustomEditPropertiesClass(cls).Create(nullptr));
    std::unique_ptr<IkcFilterEdit> e(CreateFilterEdit(h, props.get()));
    EXPECT_EQ(e->GetFilterEditControl()->ClassType(), kind);
  }
}
