// Filter criteria: the tree, evaluation options, change batching, pruning, the display and
// expression texts, the binary stream and the value list.

#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "data/DataTestSupport.h"
#include "data/FilterTestSupport.h"

namespace {

struct ChangeCounter {
  int count = 0;
  void Attach(TkcFilterCriteria& c) {
    c.OnChanged = [this](TObject*) { ++count; };
  }
};

// ---- Texts ------------------------------------------------------------------------------------

TEST(FilterCriteria, DisplayAndExpressionTexts) {
  struct Case {
    const char* name;
    std::function<void(TTestCriteria&)> build;
    const char* display;
    const char* expression;
  } cases[] = {
      {"and",
       [](TTestCriteria& c) {
         c.AddItem(nullptr, c.Name(), foEqual, "ab", "ab");
         c.AddItem(nullptr, c.Qty(), foGreater, 5, "5");
       },
       "(Name = ab) and (Qty > 5)", "(NAME = 'ab') AND (QTY > 5)"},
      {"nested",
       [](TTestCriteria& c) {
         c.AddItem(nullptr, c.Name(), foEqual, "ab", "ab");
         TkcFilterCriteriaItemList* g = c.Root()->AddItemList(fboOr);
         g->AddItem(c.Qty(), foEqual, 1, "1");
         g->AddItem(c.Qty(), foEqual, 2, "2");
       },
       "(Name = ab) and ((Qty = 1) or (Qty = 2))", "(NAME = 'ab') AND ((QTY = 1) OR (QTY = 2))"},
      {"not or",
       [](TTestCriteria& c) {
         c.Root()->SetBoolOperatorKind(fboNotOr);
         c.AddItem(nullptr, c.Name(), foEqual, "ab", "ab");
         c.AddItem(nullptr, c.Qty(), foEqual, 1, "1");
       },
       "not ((Name = ab) or (Qty = 1))", "NOT ((NAME = 'ab') OR (QTY = 1))"},
      {"null", [](TTestCriteria& c) { c.AddItem(nullptr, c.Name(), foEqual, Null(), ""); }, "(Name = blank)",
       "(NAME = NULL)"},
      {"not null", [](TTestCriteria& c) { c.AddItem(nullptr, c.Name(), foNotEqual, Null(), ""); }, "(Name <> blank)",
       "(NAME <> NULL)"},
      {"between", [](TTestCriteria& c) { c.AddItem(nullptr, c.Qty(), foBetween, CreateVariantPair(1, 5), "1;5"); },
       "(Qty between 1 and 5)", "(QTY BETWEEN 1 AND 5)"},
      {"in",
       [](TTestCriteria& c) {
         c.AddItem(nullptr, c.Qty(), foInList, Variant::MakeArray({1, 2, 3}), "1;2;3");
       },
       "(Qty in (1, 2, 3))", "(QTY IN (1, 2, 3))"},
      {"in spaced",
       [](TTestCriteria& c) {
         c.AddItem(nullptr, c.Name(), foInList, Variant::MakeArray({"a", "b", "c"}), "a; b ;c");
       },
       "(Name in (a, b, c))", "(NAME IN ('a', 'b', 'c'))"},
      {"in scalar", [](TTestCriteria& c) { c.AddItem(nullptr, c.Qty(), foInList, 7, "7"); }, "(Qty in (7))",
       "(QTY IN (7))"},
      {"in nested",
       [](TTestCriteria& c) {
         c.AddItem(nullptr, c.Qty(), foInList, Variant::MakeArray({1, Variant::MakeArray({2, 3})}), "");
       },
       "(Qty in ())", "(QTY IN (1, (2, 3)))"},
      {"like", [](TTestCriteria& c) { c.AddItem(nullptr, c.Name(), foLike, "ab%", "ab%"); }, "(Name LIKE ab%)",
       "(NAME LIKE 'ab%')"},
      {"multi-field equal",
       [](TTestCriteria& c) {
         c.AddField("Both", "A;B");
         c.AddItem(nullptr, c.Field(3), foEqual, Variant::MakeArray({1, "x", 3}), "");
       },
       "(Both =)", "((A = 1) AND (B = 'x') AND ( = 3))"},
      {"between scalar", [](TTestCriteria& c) { c.AddItem(nullptr, c.Qty(), foBetween, 3, "3"); },
       "(Qty between 3 and )", "(QTY BETWEEN 3)"},
      {"empty", [](TTestCriteria&) {}, "", ""},
      {"empty not and", [](TTestCriteria& c) { c.Root()->SetBoolOperatorKind(fboNotAnd); }, "not ()", "NOT ()"},
  };
  for (const Case& c : cases) {
    TTestCriteria criteria;
    c.build(criteria);
    EXPECT_EQ(criteria.GetFilterCaption(), c.display) << c.name;
    EXPECT_EQ(criteria.GetFilterText(), c.expression) << c.name;
  }
}

TEST(FilterCriteria, OperatorDescriptionsAndTranslations) {
  TTestCriteria criteria;
  criteria.SetOptions({fcoShowOperatorDescription});
  criteria.AddItem(nullptr, criteria.Name(), foEqual, "ab", "ab");
  criteria.AddItem(nullptr, criteria.Qty(), foGreater, 5, "5");
  EXPECT_EQ(criteria.GetFilterCaption(), "(Name equals ab) and (Qty is greater than 5)");
  EXPECT_EQ(criteria.GetFilterText(), "(NAME = 'ab') AND (QTY > 5)");
  criteria.Clear();
  criteria.AddItem(nullptr, criteria.Name(), foEqual, Null(), "");
  criteria.AddItem(nullptr, criteria.Name(), foLike, "ab%", "ab%");
  criteria.AddItem(nullptr, criteria.Name(), foNotLike, "%ab%", "%ab%");
  criteria.AddItem(nullptr, criteria.Qty(), foBetween, CreateVariantPair(1, 5), "1;5");
  EXPECT_EQ(criteria.GetFilterCaption(),
            "(Name is blank) and (Name begins with ab) and (Name does not contain ab) and (Qty between 1 and 5)");

  TTestCriteria translated;
  translated.SetTranslateBetween(true);
  translated.SetTranslateIn(true);
  translated.SetTranslateLike(true);
  translated.AddItem(nullptr, translated.Qty(), foBetween, CreateVariantPair(1, 5), "1;5");
  translated.AddItem(nullptr, translated.Qty(), foNotInList, Variant::MakeArray({1, 2}), "");
  translated.AddItem(nullptr, translated.Name(), foNotLike, "x%", "");
  translated.AddItem(nullptr, translated.Qty(), foNotBetween, CreateVariantPair(1, 5), "");
  EXPECT_EQ(translated.GetFilterText(),
            "((QTY >= 1) AND (QTY <= 5)) AND (NOT ((QTY = 1) OR (QTY = 2))) AND ( NOT (NAME LIKE 'x%')) AND "
            "(NOT ((QTY >= 1) AND (QTY <= 5)))");
}

TEST(FilterCriteria, SettingsDefaultsAndWildcards) {
  TTestCriteria criteria;
  EXPECT_FALSE(criteria.HasData());
  criteria.Root()->SetBoolOperatorKind(fboNotAnd);
  EXPECT_TRUE(criteria.HasData());  // an empty negated root is still a filter
  EXPECT_TRUE(criteria.IsEmpty());

  criteria.SetDateTimeFormat("yyyy");
  criteria.SetMaxValueListCount(7);
  criteria.SetOptions({fcoSoftNull, fcoShowOperatorDescription});
  criteria.SetPercentWildcard(U'*');
  criteria.SetUnderscoreWildcard(U'?');
  criteria.SetTranslateIn(true);
  criteria.SetSupportedLike(false);
  criteria.AddItem(nullptr, criteria.Name(), foLike, "ab*", "ab*");
  criteria.AddItem(nullptr, criteria.Name(), foNotLike, "*b?", "*b?");
  EXPECT_EQ(criteria.GetFilterCaption(), "not ((Name begins with ab) and (Name does not end with b?))");
  EXPECT_FALSE(criteria.Passes("abcd"));  // begins with ab, does not end with b + one character
  EXPECT_TRUE(criteria.Passes("abc"));
  EXPECT_TRUE(criteria.Passes("xyz"));

  ChangeCounter changes;
  changes.Attach(criteria);
  criteria.RestoreDefaults();
  EXPECT_EQ(changes.count, 1);
  EXPECT_TRUE(criteria.Options().Empty());
  EXPECT_EQ(criteria.PercentWildcard(), U'%');
  EXPECT_EQ(criteria.UnderscoreWildcard(), U'_');
  EXPECT_FALSE(criteria.TranslateIn());
  EXPECT_TRUE(criteria.SupportedLike());
  EXPECT_EQ(criteria.DateTimeFormat(), "yyyy");  // kept, with the limit and the conditions
  EXPECT_EQ(criteria.MaxValueListCount(), 7);
  EXPECT_EQ(criteria.Root()->GetCount(), 2);

  TStringList other;
  EXPECT_THROW(criteria.Assign(&other), EConvertError);
}

// ---- Evaluation -------------------------------------------------------------------------------

TEST(FilterCriteria, GroupsFoldTheirChildren) {
  TTestCriteria criteria;
  EXPECT_TRUE(criteria.Passes(1));
  criteria.Root()->SetBoolOperatorKind(fboNotAnd);
  EXPECT_TRUE(criteria.Passes(1));  // an empty group passes whatever its kind

  struct Case {
    TkcFilterBoolOperatorKind kind;
    bool ff, ft, tf, tt;
  } cases[] = {
      {fboAnd, false, false, false, true},
      {fboOr, false, true, true, true},
      {fboNotAnd, true, true, true, false},
      {fboNotOr, true, false, false, false},
  };
  for (const Case& c : cases) {
    TTestCriteria t;
    t.Root()->SetBoolOperatorKind(c.kind);
    t.AddItem(nullptr, t.Name(), foEqual, 1, "");
    t.AddItem(nullptr, t.Qty(), foEqual, 1, "");
    auto eval = [&](int a, int b) {
      t.Rows = {{a, b, 0}};
      return t.EvaluateRecord(0);
    };
    EXPECT_EQ(eval(0, 0), c.ff) << int(c.kind);
    EXPECT_EQ(eval(0, 1), c.ft) << int(c.kind);
    EXPECT_EQ(eval(1, 0), c.tf) << int(c.kind);
    EXPECT_EQ(eval(1, 1), c.tt) << int(c.kind);
  }
}

TEST(FilterCriteria, EvaluationOptions) {
  TTestCriteria criteria;
  criteria.AddItem(nullptr, criteria.Qty(), foLess, 5, "");
  EXPECT_TRUE(criteria.Passes(Null()));
  criteria.SetOptions({fcoIgnoreNull});
  EXPECT_FALSE(criteria.Passes(Null()));
  EXPECT_TRUE(criteria.Passes(4));
  criteria.Clear();
  criteria.AddItem(nullptr, criteria.Qty(), foEqual, Null(), "");
  EXPECT_TRUE(criteria.Passes(Null()));

  TTestCriteria text;
  text.AddItem(nullptr, text.Name(), foEqual, "abc", "");
  EXPECT_FALSE(text.Passes("ABC"));
  text.SetOptions({fcoCaseInsensitive});
  EXPECT_TRUE(text.Passes("ABC"));
  EXPECT_TRUE(text.Passes(u"Abc"));
  text.Clear();
  text.AddItem(nullptr, text.Name(), foLike, "äb%", "");
  EXPECT_TRUE(text.Passes("ÄBX"));

  TTestCriteria list;
  list.AddItem(nullptr, list.Qty(), foInList, Variant::MakeArray({1, 2}), "");
  EXPECT_THROW(list.Passes("abc"), EVariantTypeCastError);
  list.SetOptions({fcoSoftCompare});
  EXPECT_FALSE(list.Passes("abc"));

  TTestCriteria currency;
  currency.AddItem(nullptr, currency.Qty(), foEqual, Currency::FromRaw(15000), "");
  EXPECT_TRUE(currency.Passes(1.5));
}

TEST(FilterCriteria, ChangesAreBatched) {
  TTestCriteria criteria;
  ChangeCounter changes;
  changes.Attach(criteria);
  criteria.BeginUpdate();
  criteria.AddItem(nullptr, criteria.Qty(), foEqual, 1, "");
  criteria.SetOptions({fcoSoftNull});
  criteria.Root()->SetBoolOperatorKind(fboOr);
  EXPECT_EQ(changes.count, 0);
  criteria.EndUpdate();
  EXPECT_EQ(changes.count, 1);

  criteria.Root()->SetBoolOperatorKind(fboOr);  // unchanged: nothing
  criteria.SetOptions({fcoSoftNull});
  EXPECT_EQ(changes.count, 1);
  criteria.AddItem(nullptr, criteria.Qty(), foEqual, 2, "");
  EXPECT_EQ(changes.count, 2);

  delete criteria.Root()->GetItem(0);  // freeing a condition takes it out of its group
  EXPECT_EQ(changes.count, 3);
  EXPECT_EQ(criteria.Root()->GetCount(), 1);
  EXPECT_EQ(criteria.Root()->GetItem(-1), nullptr);
  EXPECT_EQ(criteria.Root()->GetItem(1), nullptr);

  criteria.BeginUpdate();
  criteria.SetPercentWildcard(U'*');
  criteria.CancelUpdate();
  EXPECT_EQ(changes.count, 3);
}

// ---- Pruning ----------------------------------------------------------------------------------

// The tree as a compact text: groups by kind letter, conditions by field caption.
String Shape(TkcFilterCriteriaItemList* g) {
  static const char* kinds[] = {"AND", "OR", "NAND", "NOR"};
  String s = String(kinds[g->BoolOperatorKind()]) + "(";
  for (int i = 0; i < g->GetCount(); ++i) {
    if (i) s += ",";
    TkcCustomFilterCriteriaItem* child = g->GetItem(i);
    if (child->IsItemList())
      s += Shape(static_cast<TkcFilterCriteriaItemList*>(child));
    else
      s += static_cast<TTestCriteriaItem*>(child)->GetFieldCaption();
  }
  return s + ")";
}

TEST(FilterCriteria, RemovingAnItemPrunesGroups) {
  struct Case {
    const char* name;
    TkcFilterBoolOperatorKind root;
    TkcFilterBoolOperatorKind inner;
    const char* before;
    const char* after;
  } cases[] = {
      {"or dissolves", fboAnd, fboOr, "AND(A,OR(B,C))", "AND(A,C)"},
      {"and dissolves", fboOr, fboAnd, "OR(A,AND(B,C))", "OR(A,C)"},
      // A negated group keeps its negation: "A and not C", never "A and C".
      {"not and kept", fboAnd, fboNotAnd, "AND(A,NAND(B,C))", "AND(A,NAND(C))"},
      {"not or kept", fboAnd, fboNotOr, "AND(A,NOR(B,C))", "AND(A,NOR(C))"},
  };
  for (const Case& c : cases) {
    TTestCriteria criteria;
    TTestFilterItem* a = criteria.AddField("A", "A");
    TTestFilterItem* b = criteria.AddField("B", "B");
    TTestFilterItem* cc = criteria.AddField("C", "C");
    criteria.Root()->SetBoolOperatorKind(c.root);
    criteria.AddItem(nullptr, a, foEqual, 1, "");
    TkcFilterCriteriaItemList* g = criteria.Root()->AddItemList(c.inner);
    g->AddItem(b, foEqual, 1, "");
    g->AddItem(cc, foEqual, 1, "");
    ASSERT_EQ(Shape(criteria.Root()), c.before);
    ChangeCounter changes;
    changes.Attach(criteria);
    criteria.RemoveItemByItemLink(b);
    EXPECT_EQ(Shape(criteria.Root()), c.after) << c.name;
    EXPECT_EQ(changes.count, 1) << c.name;
  }

  TTestCriteria criteria;
  TTestFilterItem* b = criteria.AddField("B", "B");
  TTestFilterItem* cc = criteria.AddField("C", "C");
  criteria.Root()->SetBoolOperatorKind(fboNotAnd);
  criteria.AddItem(nullptr, b, foEqual, 1, "");
  criteria.AddItem(nullptr, cc, foEqual, 1, "");
  TkcFilterCriteriaItemList* nested = criteria.Root()->AddItemList(fboOr)->AddItemList(fboAnd);
  nested->AddItem(b, foLess, 3, "");
  nested->AddItem(b, foGreater, 1, "");
  ChangeCounter changes;
  changes.Attach(criteria);
  criteria.RemoveItemByItemLink(b);
  EXPECT_EQ(Shape(criteria.Root()), "NAND(C)");  // emptied groups go up the chain
  EXPECT_EQ(changes.count, 1);
  criteria.RemoveItemByItemLink(b);  // nothing tests it any more
  EXPECT_EQ(changes.count, 1);
}

// ---- Binary stream ----------------------------------------------------------------------------

std::vector<std::uint8_t> Written(TkcFilterCriteria& criteria) {
  TMemoryStream ms;
  criteria.WriteData(&ms);
  return StreamBytes(ms);
}

void BuildLargerExample(TTestCriteria& criteria) {
  criteria.AddItem(nullptr, criteria.Field(0), foBetween, CreateVariantPair(1, 5), "1;5");
  TkcFilterCriteriaItemList* g = criteria.Root()->AddItemList(fboNotOr);
  g->AddItem(criteria.Field(1), foLike, "ab%", "ab%");
}

TEST(FilterStream, GoldenBytes) {
  TTestCriteria empty;
  EXPECT_EQ(Written(empty), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0}));

  TTestCriteria one;
  one.AddField("X", "X");
  one.Root()->SetBoolOperatorKind(fboOr);
  one.AddItem(nullptr, one.Field(2), foEqual, 5, "x");
  EXPECT_EQ(Written(one), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF, 0xFF, 0x01, 0x01, 0, 0, 0, 0x00, 0x00,
                                                     0x01, 0,    0,    0,    'x',  0x03, 0, 0, 0, 0x02, 0x05}));

  TTestCriteria larger;
  BuildLargerExample(larger);
  EXPECT_EQ(Written(larger),
            (std::vector<std::uint8_t>{
                0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x02, 0,    0,    0,    0x00, 0x08, 0x03, 0,    0,    0,   '1', ';', '5',
                0x01, 0,    0,    0,    0x01, 0x02, 0x02, 0x02, 0x01, 0x02, 0x05, 0x01, 0x03, 0x01, 0,   0,   0,   0x00,
                0x06, 0x03, 0,    0,    0,    'a',  'b',  '%',  0x02, 0,    0,    0,    0x06, 0x03, 'a', 'b', '%'}));
  EXPECT_EQ(larger.GetFilterText(), "(NAME BETWEEN 1 AND 5) AND (NOT ((QTY LIKE 'ab%')))");
}

TEST(FilterStream, RoundTripsAndReadsTheMarkerlessForm) {
  TTestCriteria source;
  source.SetDateTimeFormat("yyyy-mm-dd");
  BuildLargerExample(source);
  source.AddItem(nullptr, source.Day(), foToday, Null(), "");
  source.AddItem(nullptr, source.Name(), foEqual, Null(), "");  // the kind is stored, not the null test
  source.AddItem(nullptr, source.Name(), foNull, Null(), "");
  source.Root()->AddItemList(fboNotAnd)->AddItem(source.Qty(), foInList, Variant::MakeArray({1, u"ü", 2.5}), "1;ü;2.5");
  std::vector<std::uint8_t> bytes = Written(source);

  TTestCriteria copy;
  ChangeCounter changes;
  changes.Attach(copy);
  auto ms = MemoryStreamOf(bytes);
  copy.ReadData(ms.get());
  EXPECT_EQ(changes.count, 1);
  EXPECT_EQ(Written(copy), bytes);
  copy.SetDateTimeFormat("yyyy-mm-dd");
  EXPECT_EQ(copy.GetFilterText(), source.GetFilterText());
  EXPECT_STREQ(static_cast<TkcFilterCriteriaItem*>(copy.Root()->GetItem(3))->Operator()->ClassName(),
               "TkcFilterNullOperator");

  // The stored kinds 24 and 25 pick the blank tests themselves, whatever the value.
  struct StoredKind {
    std::uint8_t kind;
    const char* className;
  } storedKinds[] = {{24, "TkcFilterNullOperator"}, {25, "TkcFilterNotNullOperator"}};
  for (const StoredKind& k : storedKinds) {
    TTestCriteria target;
    auto stored = MemoryStreamOf(
        {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0, 0x00, k.kind, 0, 0, 0, 0, 0x02, 0, 0, 0, 0x02, 0x05});
    target.ReadData(stored.get());
    ASSERT_EQ(target.Root()->GetCount(), 1);
    EXPECT_STREQ(static_cast<TkcFilterCriteriaItem*>(target.Root()->GetItem(0))->Operator()->ClassName(), k.className);
  }

  TTestCriteria markerless;
  markerless.AddItem(nullptr, markerless.Qty(), foEqual, 1, "");
  auto zero = MemoryStreamOf({0, 0, 0, 0});
  markerless.ReadData(zero.get());
  EXPECT_TRUE(markerless.IsEmpty());
  EXPECT_FALSE(markerless.HasData());
  auto oneNode = MemoryStreamOf({0x01, 0, 0, 0, 0x00, 0x02, 0x00, 0, 0, 0, 0x02, 0, 0, 0, 0x02, 0x07});
  markerless.ReadData(oneNode.get());
  EXPECT_EQ(markerless.GetFilterText(), "(QTY < 7)");

  // Assign copies settings and items; identical items are left alone.
  TTestCriteria assigned;
  assigned.Assign(&source);
  EXPECT_EQ(Written(assigned), bytes);
  EXPECT_EQ(assigned.DateTimeFormat(), "yyyy-mm-dd");
  ChangeCounter again;
  again.Attach(assigned);
  assigned.AssignItems(&source);
  EXPECT_EQ(again.count, 0);
}

TEST(FilterStream, DamagedStreamsFailCleanly) {
  TTestCriteria source;
  source.AddItem(nullptr, source.Qty(), foEqual, 1, "a");
  source.AddItem(nullptr, source.Qty(), foEqual, 2, "b");
  std::vector<std::uint8_t> good = Written(source);
  std::vector<std::uint8_t> firstCondition(good.begin(), good.begin() + 9 + 12);

  // Cut inside the second condition: the first one stays, one change is reported.
  for (std::size_t cut = firstCondition.size() + 1; cut < good.size(); ++cut) {
    TTestCriteria target;
    ChangeCounter changes;
    changes.Attach(target);
    auto ms = MemoryStreamOf(std::vector<std::uint8_t>(good.begin(), good.begin() + cut));
    EXPECT_THROW(target.ReadData(ms.get()), EReadError) << cut;
    EXPECT_EQ(target.Root()->GetCount(), 1) << cut;
    EXPECT_EQ(changes.count, 1) << cut;
    EXPECT_EQ(target.LockCount(), 0);
  }

  std::vector<std::uint8_t> deep = {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0};
  for (int i = 0; i < 5000; ++i) deep.insert(deep.end(), {0x01, 0x00, 0x01, 0, 0, 0});
  struct Case {
    const char* name;
    std::vector<std::uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"root kind 4", {0xFF, 0xFF, 0xFF, 0xFF, 0x04, 0, 0, 0, 0}},
      {"group kind 9", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0, 0x01, 0x09, 0, 0, 0, 0}},
      {"operator kind 26", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0, 0x00, 26, 0, 0, 0, 0, 1, 0, 0, 0, 0x00}},
      {"negative count", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFE, 0xFF, 0xFF, 0xFF}},
      {"huge count", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0xFF, 0xFF, 0xFF, 0x7F, 0x00}},
      {"negative markerless count", {0xFE, 0xFF, 0xFF, 0xFF}},
      {"huge display value", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x7F}},
      {"bad value tag", {0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x01, 0, 0, 0, 0x00, 0x00, 0, 0, 0, 0, 1, 0, 0, 0, 0x07}},
      {"deep nesting", deep},
  };
  for (const Case& c : cases) {
    TTestCriteria target;
    auto ms = MemoryStreamOf(c.bytes);
    try {
      target.ReadData(ms.get());
      ADD_FAILURE() << c.name << ": no error";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error") << c.name;
    }
    EXPECT_EQ(target.LockCount(), 0) << c.name;
  }
}

// ---- Value list -------------------------------------------------------------------------------

std::vector<String> Texts(const TkcFilterValueList& list) {
  std::vector<String> texts;
  for (int i = 0; i < list.GetCount(); ++i) {
    const TkcFilterValueItem& item = list.GetItem(i);
    texts.push_back(item.Kind == fviMRUSeparator ? String("-") : item.DisplayText);
  }
  return texts;
}

void AddSpecials(TkcFilterValueList& list) {
  list.Add(fviAll, Null(), "(All)", false);
  list.Add(fviCustom, Null(), "(Custom...)", false);
}

TEST(FilterValueList, ValuesSortedAndDistinct) {
  TTestCriteria criteria;
  std::unique_ptr<TkcFilterValueList> list(criteria.GetValueListClass().Create(&criteria));
  AddSpecials(*list);
  for (int v : {3, 1, 2, 1}) list->Add(fviValue, v, IntToStr(v), false);
  list->Add(fviBlanks, Null(), "(Blanks)", false);
  list->Add(fviNonBlanks, Null(), "(NonBlanks)", false);
  EXPECT_EQ(Texts(*list), (std::vector<String>{"(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "1", "2", "3"}));
  list->Add(fviValue, 0, "0", true);  // appended without a test
  EXPECT_EQ(list->GetItem(list->GetCount() - 1).DisplayText, "0");

  list->Add(fviMRU, "a", "a", false);
  list->Add(fviMRU, "b", "b", false);
  EXPECT_EQ(Texts(*list), (std::vector<String>{"a", "b", "-", "(All)", "(Custom...)", "(Blanks)", "(NonBlanks)", "1",
                                               "2", "3", "0"}));
  int index = -1;
  EXPECT_TRUE(list->Find("b", "b", index));
  EXPECT_EQ(index, 1);
  list->Clear();
  EXPECT_EQ(list->GetCount(), 0);

  criteria.SetMaxValueListCount(3);
  AddSpecials(*list);
  list->Add(fviBlanks, Null(), "(Blanks)", false);
  list->Add(fviNonBlanks, Null(), "(NonBlanks)", false);
  list->Add(fviValue, 1, "1", false);
  EXPECT_EQ(list->GetCount(), 4);

  // Display texts, case-insensitively: abc and ABC are one entry.
  TTestCriteria textCriteria;
  textCriteria.SetOptions({fcoCaseInsensitive});
  TkcFilterValueList texts(&textCriteria);
  texts.SetSortByDisplayText(true);
  texts.Add(fviValue, 1, "abc", false);
  texts.Add(fviValue, 2, "ABC", false);
  texts.Add(fviValue, 3, "b", false);
  EXPECT_EQ(Texts(texts), (std::vector<String>{"abc", "b"}));
}

// Loading many values at once must give exactly the list that adding them one by one gives.
TEST(FilterValueList, BatchLoadEqualsAddingOneByOne) {
  const std::vector<Variant> numbers = {Null(), 0, 1, 2, 3, 4, 5, 6};
  const std::vector<Variant> texts = {Null(), "a", "A", "b", "B", "ä", "Ä", "c"};
  struct Setting {
    bool byText, caseInsensitive;
    const std::vector<Variant>* pool;
  } settings[] = {{false, false, &numbers},
                  {false, false, &texts},
                  {false, true, &texts},
                  {true, false, &texts},
                  {true, true, &texts}};
  std::mt19937 rng(2024);
  for (const Setting& st : settings) {
    for (int round = 0; round < 600; ++round) {
      TTestCriteria criteria;
      if (st.caseInsensitive) criteria.SetOptions({fcoCaseInsensitive});
      const int caps[] = {0, 0, 3, 5, 8};
      criteria.SetMaxValueListCount(caps[rng() % 5]);
      TkcFilterValueList one(&criteria), batch(&criteria);
      auto pick = [&] {
        const Variant& v = (*st.pool)[rng() % st.pool->size()];
        return TkcFilterValueItem{fviValue, v, v.IsNull() ? String("-") : VarToStr(v)};
      };
      // The same starting list: maybe specials, recently used entries and values.
      for (TkcFilterValueList* list : {&one, &batch}) list->SetSortByDisplayText(st.byText);
      std::vector<std::pair<TkcFilterValueItemKind, TkcFilterValueItem>> start;
      if (rng() % 2) start.push_back({fviAll, {fviAll, Null(), "(All)"}});
      for (int i = rng() % 3; i > 0; --i) start.push_back({fviMRU, pick()});
      for (int i = rng() % 3; i > 0; --i) start.push_back({fviValue, pick()});
      for (const auto& [kind, item] : start)
        for (TkcFilterValueList* list : {&one, &batch}) list->Add(kind, item.Value, item.DisplayText, false);

      std::vector<TkcFilterValueItem> values;
      for (int i = rng() % 12; i > 0; --i) values.push_back(pick());
      for (const TkcFilterValueItem& v : values) one.Add(fviValue, v.Value, v.DisplayText, false);
      batch.AddValues(values);
      ASSERT_EQ(batch.GetCount(), one.GetCount()) << round;
      for (int i = 0; i < one.GetCount(); ++i) {
        EXPECT_EQ(batch.GetItem(i).Kind, one.GetItem(i).Kind) << round << " at " << i;
        EXPECT_TRUE(batch.GetItem(i).Value.EqualsWithType(one.GetItem(i).Value)) << round << " at " << i;
        EXPECT_EQ(batch.GetItem(i).DisplayText, one.GetItem(i).DisplayText) << round << " at " << i;
      }
    }
  }
}

TEST(FilterValueList, ManyDistinctValuesLoadFast) {
  TTestCriteria criteria;
  TkcFilterValueList list(&criteria);
  AddSpecials(list);
  const int n = 100000;
  std::vector<TkcFilterValueItem> values;
  values.reserve(2 * n);
  for (int i = 0; i < 2 * n; ++i) {
    int v = static_cast<int>((static_cast<long long>(i) * 7919) % n);  // every value twice, scrambled
    values.push_back({fviValue, v, IntToStr(v)});
  }
  auto start = std::chrono::steady_clock::now();
  list.AddValues(values);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));  // one by one: quadratic
  ASSERT_EQ(list.GetCount(), n + 2);
  for (int i = 0; i < n; ++i) ASSERT_EQ(list.GetItem(i + 2).Value.AsInteger(), i);
}

TEST(FilterValueList, EntryOfACondition) {
  TTestCriteria criteria;
  TkcFilterValueList list(&criteria);
  AddSpecials(list);
  list.Add(fviBlanks, Null(), "(Blanks)", false);
  list.Add(fviNonBlanks, Null(), "(NonBlanks)", false);
  for (int v : {5, 7}) list.Add(fviValue, v, IntToStr(v), false);

  EXPECT_EQ(list.GetIndexByCriteriaItem(nullptr), 0);
  TkcFilterCriteriaItem* equal = criteria.AddItem(nullptr, criteria.Qty(), foEqual, 5, "5");
  EXPECT_EQ(list.GetItem(list.GetIndexByCriteriaItem(equal)).DisplayText, "5");
  TkcFilterCriteriaItem* missing = criteria.AddItem(nullptr, criteria.Qty(), foEqual, 6, "6");
  EXPECT_EQ(list.GetIndexByCriteriaItem(missing), 1);
  TkcFilterCriteriaItem* inGroup = criteria.Root()->AddItemList(fboOr)->AddItem(criteria.Qty(), foEqual, 5, "5");
  EXPECT_EQ(list.GetIndexByCriteriaItem(inGroup), 1);
  TkcFilterCriteriaItem* blank = criteria.AddItem(nullptr, criteria.Qty(), foEqual, Null(), "");
  EXPECT_EQ(list.GetIndexByCriteriaItem(blank), 2);
  TkcFilterCriteriaItem* nonBlank = criteria.AddItem(nullptr, criteria.Qty(), foNotEqual, Null(), "");
  EXPECT_EQ(list.GetIndexByCriteriaItem(nonBlank), 3);
  TkcFilterCriteriaItem* greater = criteria.AddItem(nullptr, criteria.Qty(), foGreater, 5, "5");
  EXPECT_EQ(list.GetIndexByCriteriaItem(greater), 1);

  TkcFilterValueList bare(&criteria);
  EXPECT_EQ(bare.GetIndexByCriteriaItem(greater), -1);
}

}  // namespace

// ---- The record evaluation's own tests against the operators' general path -------------------

namespace {

// Descendants of the built-in operators: the record evaluation takes their general path.
#define GENERAL_OPERATOR(Name, Base) \
  class Name : public Base {         \
    VT_FILTER_OPERATOR(Name, Base)   \
  };
GENERAL_OPERATOR(TGeneralEqual, TkcFilterEqualOperator)
GENERAL_OPERATOR(TGeneralNotEqual, TkcFilterNotEqualOperator)
GENERAL_OPERATOR(TGeneralLess, TkcFilterLessOperator)
GENERAL_OPERATOR(TGeneralLessEqual, TkcFilterLessEqualOperator)
GENERAL_OPERATOR(TGeneralGreater, TkcFilterGreaterOperator)
GENERAL_OPERATOR(TGeneralGreaterEqual, TkcFilterGreaterEqualOperator)
GENERAL_OPERATOR(TGeneralLike, TkcFilterLikeOperator)
GENERAL_OPERATOR(TGeneralNotLike, TkcFilterNotLikeOperator)
#undef GENERAL_OPERATOR

class TGeneralItem : public TTestCriteriaItem {
  VT_CLASS(TGeneralItem, TTestCriteriaItem)
public:
  using TTestCriteriaItem::TTestCriteriaItem;
  TkcFilterOperatorClass GetFilterOperatorClass() override {
    TkcFilterOperatorClass c = inherited::GetFilterOperatorClass();
    if (c != FilterOperatorClassOfKind(OperatorKind())) return c;  // a null test
    switch (OperatorKind()) {
      case foEqual: return TGeneralEqual::StaticClass();
      case foNotEqual: return TGeneralNotEqual::StaticClass();
      case foLess: return TGeneralLess::StaticClass();
      case foLessEqual: return TGeneralLessEqual::StaticClass();
      case foGreater: return TGeneralGreater::StaticClass();
      case foGreaterEqual: return TGeneralGreaterEqual::StaticClass();
      case foLike: return TGeneralLike::StaticClass();
      case foNotLike: return TGeneralNotLike::StaticClass();
      default: return c;
    }
  }
};

class TGeneralCriteria : public TTestCriteria {
  VT_CLASS(TGeneralCriteria, TTestCriteria)
public:
  TkcFilterCriteriaItemClass GetItemClass() override { return TGeneralItem::StaticClass(); }
};

}  // namespace

TEST(FilterCriteria, RecordEvaluationAgreesWithTheGeneralPath) {
  std::mt19937 rng(2024);
  auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
  // Few characters, so that patterns often match; the wildcards only in patterns.
  const char* pieces[] = {"a", "B", "é", "É", "1", "%", "_", "%%"};
  auto text = [&](bool pattern) {
    String t;
    for (int i = pick(4); i > 0; --i) t += pieces[pick(pattern ? 8 : 5)];
    return t;
  };
  auto value = [&](bool pattern) -> Variant {
    switch (pick(pattern ? 14 : 10)) {
      case 0: return Null();
      case 1: return Variant(static_cast<std::int16_t>(pick(7) - 3));
      case 2: return Variant(static_cast<std::uint8_t>(pick(7)));
      case 3: return Variant::FromInt64(pick(7) - 3);
      case 4: return Variant(pick(7) * 0.5 - 1.5);
      case 5: return Variant(static_cast<unsigned>(pick(7)));
      case 6: return Variant(pick(7) - 3);
      default: return Variant(text(pattern));
    }
  };
  const TkcFilterOperatorKind kinds[] = {foEqual,   foNotEqual,     foLess, foLessEqual,
                                         foGreater, foGreaterEqual, foLike, foNotLike};
  for (int round = 0; round < 600; ++round) {
    TTestCriteria fast;
    TGeneralCriteria general;
    TkcFilterCriteriaOptions options;
    for (TkcFilterCriteriaOption o : {fcoCaseInsensitive, fcoSoftNull, fcoSoftCompare, fcoIgnoreNull})
      if (pick(2)) options.Include(o);
    const auto rootKind = static_cast<TkcFilterBoolOperatorKind>(pick(4));
    const bool nested = pick(3) == 0;
    const int conditions = 1 + pick(2) + pick(2);
    for (TTestCriteria* c : {&fast, static_cast<TTestCriteria*>(&general)}) {
      c->SetOptions(options);
      c->Root()->SetBoolOperatorKind(rootKind);
    }
    for (int i = 0; i < conditions; ++i) {
      const TkcFilterOperatorKind kind = kinds[pick(8)];
      const int field = pick(3);
      const Variant constant = value(kind == foLike || kind == foNotLike);
      const bool inGroup = nested && i > 0;
      for (TTestCriteria* c : {&fast, static_cast<TTestCriteria*>(&general)}) {
        TkcFilterCriteriaItemList* parent = c->Root();
        if (inGroup)
          parent = parent->GetCount() > 1 ? static_cast<TkcFilterCriteriaItemList*>(parent->GetItem(1))
                                          : parent->AddItemList(fboOr);
        c->AddItem(parent, c->Field(field), kind, constant, "");
      }
    }
    std::vector<std::vector<Variant>> rows(20);
    for (auto& row : rows)
      for (int f = 0; f < 3; ++f) row.push_back(value(false));
    fast.Rows = general.Rows = rows;
    for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
      bool fastThrew = false, generalThrew = false, a = false, b = false;
      try {
        a = fast.EvaluateRecord(r);
      } catch (const EVariantTypeCastError&) {
        fastThrew = true;
      }
      try {
        b = general.EvaluateRecord(r);
      } catch (const EVariantTypeCastError&) {
        generalThrew = true;
      }
      ASSERT_EQ(fastThrew, generalThrew) << fast.GetFilterText() << " record " << r;
      ASSERT_EQ(a, b) << fast.GetFilterText() << " record " << r;
    }
  }
}
