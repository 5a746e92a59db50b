// Styles, styles objects, style sheets and the repository: resolution order, change reports,
// sheet chains and the refused cycle.

#include <gtest/gtest.h>

#include <memory>

#include "controls/kcStyles.h"

namespace {

// A view's styles: slot defaults and a log of the slots reported changed.
class TTestStyles : public TkcStyles {
  VT_CLASS(TTestStyles, TkcStyles)
public:
  explicit TTestStyles(TPersistent* AOwner) : TkcStyles(AOwner) {}
  TkcVisualParams GetDefaultVisualParams(int Index, TObject* AData) override {
    TkcVisualParams p = TkcStyles::GetDefaultVisualParams(Index, AData);
    p.Color = clWindow;
    p.Font = &DefaultFont;
    p.TextColor = clWindowText;
    ++DefaultCalls;
    return p;
  }
  std::vector<int> Changes;
  int DefaultCalls = 0;
  static inline TFont DefaultFont;

protected:
  void Changed(int Index) override { Changes.push_back(Index); }
};

class TTestSheet : public TkcCustomStyleSheet {
  VT_CLASS(TTestSheet, TkcCustomStyleSheet)
public:
  explicit TTestSheet(TComponent* AOwner) : TkcCustomStyleSheet(AOwner) {}
  TkcCustomStylesClass GetSheetStylesClass() override { return TTestStyles::StaticClass(); }
  TTestStyles* Own() { return static_cast<TTestStyles*>(Styles()); }
};

struct Fixture {
  TkcStyleRepository repo{nullptr};
  TkcStyle* NewStyle() { return static_cast<TkcStyle*>(repo.NewStyle(TkcStyle::StaticClass())); }
  TTestSheet* NewSheet() { return static_cast<TTestSheet*>(repo.NewStyleSheet(TTestSheet::StaticClass())); }
};

}  // namespace

TEST(KcStyle, ColourSettersTrackAssignedValues) {
  Fixture f;
  TkcStyle* s = f.NewStyle();
  TTestStyles styles(nullptr);
  styles.SetStyleByIndex(3, s);
  s->SetColor(clRed);
  EXPECT_TRUE(s->AssignedValues().Contains(svColor));
  s->SetColor(clDefault);
  EXPECT_FALSE(s->AssignedValues().Contains(svColor));
  styles.Changes.clear();
  s->SetColor(clDefault);  // unchanged: nothing announced
  EXPECT_TRUE(styles.Changes.empty());
  s->Font()->SetSize(12);
  EXPECT_TRUE(s->AssignedValues().Contains(svFont));
  EXPECT_EQ(styles.Changes, std::vector<int>{3});
  TBitmap b(2, 2);
  s->SetBitmap(&b);
  EXPECT_TRUE(s->AssignedValues().Contains(svBitmap));
  s->ResetValues();
  EXPECT_TRUE(s->AssignedValues().Empty());
  EXPECT_EQ(s->Color(), clDefault);
  TkcStyle copy(nullptr);
  s->SetTextColor(clBlue);
  copy.SetColor(clGreen);
  copy.Assign(s);
  EXPECT_EQ(copy.AssignedValues(), s->AssignedValues());
}

TEST(KcStyles, VisualParamsResolutionOrder) {
  Fixture f;
  TTestStyles styles(nullptr);
  TkcStyle* slot = f.NewStyle();
  slot->SetColor(0x0000FF);
  styles.SetStyleByIndex(1, slot);
  TkcStyle* over = f.NewStyle();
  over->SetTextColor(0x00FF00);
  TkcVisualParams p = styles.GetVisualParams(1, nullptr, over);
  EXPECT_EQ(p.TextColor, 0x00FF00);
  EXPECT_EQ(p.Color, 0x0000FF);
  EXPECT_EQ(p.Font, &TTestStyles::DefaultFont);
  EXPECT_EQ(p.Bitmap, nullptr);
  // Everything assigned by the styles: the defaults are not asked.
  slot->Font()->SetSize(10);
  over->SetColor(0x111111);
  styles.DefaultCalls = 0;
  p = styles.GetVisualParams(1, nullptr, over);
  EXPECT_EQ(styles.DefaultCalls, 0);
  EXPECT_EQ(p.Color, 0x111111);
  EXPECT_EQ(p.Font, slot->Font());
  // An empty slot takes every value from the defaults.
  p = styles.GetVisualParams(7);
  EXPECT_EQ(p.Color, clWindow);
  EXPECT_EQ(p.TextColor, clWindowText);
  // Defaults were asked up to slot 7: a change of the default font reports those slots using it.
  styles.Changes.clear();
  styles.FontChanged(&TTestStyles::DefaultFont);
  EXPECT_EQ(styles.Changes, (std::vector<int>{0, 2, 3, 4, 5, 6, 7}));
}

TEST(KcStyles, FreeingAStyleClearsItsSlotsEverywhere) {
  Fixture f;
  TTestStyles a(nullptr), b(nullptr);
  TkcStyle* s = f.NewStyle();
  a.SetStyleByIndex(2, s);
  a.SetStyleByIndex(5, s);
  b.SetStyleByIndex(2, s);
  a.Changes.clear();
  b.Changes.clear();
  delete s;
  EXPECT_EQ(a.Count(), 0);
  EXPECT_EQ(b.Count(), 0);
  EXPECT_EQ(a.Changes, (std::vector<int>{5, 2}));
  EXPECT_EQ(b.Changes, std::vector<int>{2});
  EXPECT_EQ(f.repo.Count(), 0);
}

TEST(KcStyleSheets, ChainsCyclesAndFreeing) {
  Fixture f;
  TTestSheet* sheetA = f.NewSheet();
  TTestSheet* sheetB = f.NewSheet();
  TkcStyle* s1 = f.NewStyle();
  TkcStyle* s2 = f.NewStyle();
  sheetA->Own()->SetStyleByIndex(1, s1);
  sheetB->Own()->SetStyleByIndex(4, s2);
  sheetA->Own()->SetStyleSheet(sheetB);
  EXPECT_EQ(sheetA->Own()->StyleSheet(), sheetB);
  sheetB->Own()->SetStyleSheet(sheetA);  // a cycle: refused
  EXPECT_EQ(sheetB->Own()->StyleSheet(), nullptr);
  sheetA->Own()->SetStyleSheet(sheetA);  // its own sheet: refused
  EXPECT_EQ(sheetA->Own()->StyleSheet(), sheetB);

  TTestStyles view(nullptr);
  view.SetStyleSheet(sheetA);
  EXPECT_EQ(view.Changes, (std::vector<int>{1, 4}));  // every slot of the chain
  EXPECT_EQ(view.GetStyleByIndex(4), s2);
  EXPECT_EQ(view.GetStyleByIndex(9), nullptr);
  view.SetStyleByIndex(4, s2);  // the sheet already gives it: nothing stored
  EXPECT_EQ(view.Count(), 0);
  view.Changes.clear();
  s1->SetColor(clRed);  // a sheet slot change reaches the users
  EXPECT_EQ(view.Changes, std::vector<int>{1});
  TkcStyles other(nullptr);  // another styles class is not acceptable
  other.SetStyleSheet(sheetA);
  EXPECT_EQ(other.StyleSheet(), nullptr);

  view.Changes.clear();
  delete sheetA;
  EXPECT_EQ(view.StyleSheet(), nullptr);
  EXPECT_EQ(view.Changes, (std::vector<int>{1, 4}));
  EXPECT_EQ(f.repo.StyleSheetCount(), 1);
}

TEST(KcStyleSheets, CaptionFallsBackToTheName) {
  Fixture f;
  TTestSheet* sheet = f.NewSheet();
  sheet->SetName("Sheet1");
  EXPECT_EQ(sheet->Caption(), "Sheet1");
  sheet->SetCaption("SHEET1");
  EXPECT_FALSE(sheet->IsCaptionStored());
  sheet->SetCaption("Blue rows");
  EXPECT_EQ(sheet->Caption(), "Blue rows");
  TTestSheet* copy = f.NewSheet();
  TkcStyle* s = f.NewStyle();
  sheet->Own()->SetStyleSheet(nullptr);
  copy->Assign(sheet);
  EXPECT_EQ(copy->Caption(), "Blue rows");
  (void)s;
}

TEST(KcStyleSheets, SheetSlotsReadEmptyWhileTheOwnerIsWritten) {
  Fixture f;
  TTestSheet* sheet = f.NewSheet();
  TkcStyle* s = f.NewStyle();
  sheet->Own()->SetStyleByIndex(0, s);
  struct TWritable : TComponent {
    explicit TWritable() : TComponent(nullptr) {}
    void SetWriting(bool on) { on ? IncludeState(csWriting) : ExcludeState(csWriting); }
  } view;
  TTestStyles styles(&view);
  styles.SetStyleSheet(sheet);
  EXPECT_EQ(styles.GetStyleByIndex(0), s);
  view.SetWriting(true);
  EXPECT_EQ(styles.GetStyleByIndex(0), nullptr);
  view.SetWriting(false);
}

TEST(KcStyleRepository, ChildrenAndOwnership) {
  TComponent root(nullptr);
  auto* repo = new TkcStyleRepository(&root);
  TkcCustomStyle* own = repo->NewStyleOwned(TkcStyle::StaticClass(), &root);
  TkcCustomStyle* mine = repo->NewStyle(TkcStyle::StaticClass());
  TkcCustomStyleSheet* sheet = repo->NewStyleSheetOwned(TTestSheet::StaticClass(), &root);
  EXPECT_EQ(repo->GetChildren(&root), (std::vector<TComponent*>{own, sheet}));
  EXPECT_EQ(repo->GetChildren(repo), std::vector<TComponent*>{mine});
  EXPECT_EQ(own->StyleRepository(), repo);
  delete repo;  // frees styles and sheets it holds, whoever owns them
  EXPECT_EQ(root.ComponentCount(), 0);
}
