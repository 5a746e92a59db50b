// Tree view, chart, status bar and page control: behaviour and what they paint.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "FormsTestUtil.h"
#include "platform/forms/Chart.h"
#include "platform/forms/ComCtrls.h"
#include "platform/gdi/Printers.h"

using Lines = std::vector<String>;

namespace {
struct TTreeForm : TForm {
  TTreeForm() : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 300, 200);
    images = new TImageList(this);
    for (TColor c : {clRed, clBlue}) {
      TBitmap b(16, 16);
      b.Canvas()->Brush()->SetColor(c);
      b.Canvas()->FillRect(Bounds(0, 0, 16, 16));
      images->Add(&b, nullptr);
    }
    tree = new TTreeView(this);
    tree->SetParent(this);
    tree->SetAlign(alClient);
    tree->SetImages(images);
    root = tree->Items()->AddChildObject(nullptr, "PLAN", nullptr);
    root->SetImageIndex(0);
    root->SetSelectedIndex(1);
    join = tree->Items()->AddChild(root, "JOIN");
    a = tree->Items()->AddChild(join, "A NATURAL");
    b = tree->Items()->AddChild(join, "B INDEX (PK_B)");
  }
  TImageList* images;
  TTreeView* tree;
  TTreeNode *root, *join, *a, *b;
};

Lines Texts(const std::vector<TTreeNode*>& rows) {
  Lines l;
  for (auto* n : rows) l.push_back(n->Text());
  return l;
}
}  // namespace

TEST(TreeView, NodesExpandSelectAndDelete) {
  TFormsSession s;
  TTreeForm f;
  Lines changes;
  f.tree->OnChange = [&](TObject*, TTreeNode* n) { changes.push_back(n ? n->Text() : "(none)"); };
  EXPECT_EQ(f.tree->Items()->Count(), 4);
  EXPECT_EQ(Texts(f.tree->VisibleNodes()), (Lines{"PLAN"}));
  f.tree->FullExpand();
  EXPECT_EQ(Texts(f.tree->VisibleNodes()), (Lines{"PLAN", "JOIN", "A NATURAL", "B INDEX (PK_B)"}));
  EXPECT_EQ(f.b->Level(), 2);
  EXPECT_EQ(f.b->AbsoluteIndex(), 3);
  EXPECT_EQ(f.tree->Items()->Item(2), f.a);
  f.Show();
  f.tree->SetFocus();
  s.Key(VK_DOWN);  // nothing selected yet: the first row
  s.Key(VK_DOWN);
  s.Key(VK_DOWN);
  EXPECT_EQ(f.tree->Selected(), f.a);
  s.Key(VK_LEFT);  // to the parent
  s.Key(VK_LEFT);  // collapses it
  EXPECT_EQ(Texts(f.tree->VisibleNodes()), (Lines{"PLAN", "JOIN"}));
  // Collapsing an ancestor of the selection selects the collapsed node.
  f.root->SetSelected(false);
  f.tree->FullExpand();
  f.b->SetSelected(true);
  f.root->Collapse(false);
  EXPECT_EQ(f.tree->Selected(), f.root);
  // Deleting the selected branch reports "no selection"; the count follows.
  f.tree->FullExpand();
  f.join->SetSelected(true);
  f.join->Delete();
  EXPECT_EQ(f.tree->Selected(), nullptr);
  EXPECT_EQ(f.tree->Items()->Count(), 1);
  f.tree->Items()->Clear();
  EXPECT_EQ(f.tree->Items()->Count(), 0);
  EXPECT_EQ(changes, (Lines{"PLAN", "JOIN", "A NATURAL", "JOIN", "B INDEX (PK_B)", "PLAN", "JOIN", "(none)"}));
}

TEST(TreeView, PaintsImagesSelectionAndPrintsThroughABitmap) {
  TFormsSession s;
  TTreeForm f;
  f.tree->FullExpand();
  f.Show();
  f.tree->SetFocus();
  f.root->SetSelected(true);
  Surface shot = s.Snapshot(f.Handle());
  TRect text = f.root->DisplayRect(true);
  POINT o = f.tree->ClientOrigin();
  int h = f.tree->RowHeight();
  // The selected root shows its selected image (blue), the others their image.
  int imageX = text.left - 18 + 8;
  EXPECT_EQ(ColorFromPixel(shot.At(o.x + imageX, o.y + h / 2)), ColorToRGB(clBlue));
  EXPECT_EQ(ColorFromPixel(shot.At(o.x + text.left + 1, o.y + 1)), ColorToRGB(clHighlight));
  TRect joinText = f.join->DisplayRect(true);
  EXPECT_EQ(ColorFromPixel(shot.At(o.x + joinText.left - 18 + 8, o.y + h + h / 2)), GetSysColor(COLOR_WINDOW))
      << "JOIN has no image";
  // WM_PRINT paints the same client picture into a bitmap.
  TBitmap bmp(f.tree->ClientWidth(), f.tree->ClientHeight());
  f.tree->Perform(WM_PRINT, static_cast<WPARAM>(bmp.Canvas()->Handle().value), PRF_CLIENT | PRF_CHILDREN);
  int differing = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x)
      if (bmp.Pixels()->At(x, y) != shot.At(o.x + x, o.y + y)) ++differing;
  EXPECT_EQ(differing, 0);
  // A node holding a whole statement of megabytes keeps its text and paints at once.
  f.join->SetText("Query: " + String(5'000'000, 'x'));
  s.Snapshot(f.Handle());
  EXPECT_EQ(f.join->Text().size(), 5'000'007u);
  EXPECT_LT(f.join->DisplayRect(true).right, 2048 * 7 + 200);
}

TEST(TreeView, RowsWiderThanTheViewScrollSideways) {
  TFormsSession s;
  TTreeForm f;
  f.tree->FullExpand();
  f.Show();
  auto hasBar = [&] { return (GetWindowLong(f.tree->Handle(), GWL_STYLE) & WS_HSCROLL) != 0; };
  EXPECT_FALSE(hasBar()) << "every row fits";
  f.b->SetText("Index: IDX_ORDER_LINES_PRODUCT (S: 0.0012345, 1 segment)");
  f.SetWidth(150);
  ASSERT_TRUE(hasBar());
  const TRect before = f.b->DisplayRect(true);
  EXPECT_GT(before.right, f.tree->ClientWidth());
  SCROLLINFO si{};
  si.fMask = SIF_ALL;
  GetScrollInfo(f.tree->Handle(), SB_HORZ, &si);
  EXPECT_EQ(si.nMax + 1, before.right);
  EXPECT_EQ(static_cast<int>(si.nPage), f.tree->ClientWidth());
  // To the end: the row's end is in view, and a click lands on the row it shows.
  f.tree->Perform(WM_HSCROLL, SB_BOTTOM);
  const TRect after = f.b->DisplayRect(true);
  EXPECT_EQ(after.right, f.tree->ClientWidth());
  EXPECT_EQ(after.left, before.left - (before.right - f.tree->ClientWidth()));
  f.tree->Perform(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(after.left + 5, after.top + 2));
  EXPECT_EQ(f.tree->Selected(), f.b);
  f.tree->Perform(WM_HSCROLL, SB_LINEUP);
  EXPECT_EQ(f.b->DisplayRect(true).left, after.left + 8);
  // Wide enough again: no bar, nothing scrolled.
  f.SetWidth(600);
  EXPECT_FALSE(hasBar());
  EXPECT_EQ(f.b->DisplayRect(true).left, before.left);
}

TEST(Chart, HorizontalBarsWithLabelsColoursAndMarks) {
  TFormsSession s;
  TPlainForm f(400, 240);
  auto* chart = new TChart(&f);
  chart->SetParent(&f);
  chart->SetAlign(alClient);
  chart->View3D = false;
  chart->Legend.Visible = true;
  chart->BottomAxis.Title.Caption = "Reads";
  chart->SetColor(clSilver);
  chart->BackWall.Color = clBtnFace;
  auto* indexed = new THorizBarSeries(&f);
  indexed->Title = "Indexed";
  indexed->Marks.BackColor = clYellow;
  auto* sequential = new THorizBarSeries(&f);
  sequential->Title = "Sequential";
  chart->AddSeries(indexed);
  chart->AddSeries(sequential);
  indexed->Add(120, "EMPLOYEE", RGB(0, 255, 0));
  sequential->Add(40, "EMPLOYEE", RGB(0, 128, 0));
  indexed->Add(0, "DEPARTMENT", RGB(0, 255, 0));
  sequential->Add(300, "DEPARTMENT", RGB(0, 128, 0));
  EXPECT_EQ(indexed->Count(), 2);
  EXPECT_EQ(sequential->XLabel(1), "DEPARTMENT");
  EXPECT_EQ(indexed->MarkText(0), "120");
  EXPECT_EQ(chart->AxisMaximum(), 300);
  f.Show();
  Surface shot = s.Snapshot(f.Handle());
  auto centre = [&](int series, int i) {
    TRect r = chart->BarRect(series, i);
    return ColorFromPixel(shot.At((r.left + r.right) / 2, (r.top + r.bottom) / 2));
  };
  EXPECT_EQ(centre(0, 0), RGB(0, 255, 0));
  EXPECT_EQ(centre(1, 0), RGB(0, 128, 0));
  EXPECT_EQ(centre(1, 1), RGB(0, 128, 0));
  // Longer values, longer bars (same scale for both series).
  TRect a = chart->BarRect(0, 0), b = chart->BarRect(1, 1);
  EXPECT_NEAR(b.right - b.left, (a.right - a.left) * 300.0 / 120, 1.5);
  // The mark of series 1 sits on yellow just after its bar; the wall is button face.
  EXPECT_EQ(ColorFromPixel(shot.At(a.right + 5, (a.top + a.bottom) / 2)), ColorToRGB(clYellow));
  EXPECT_EQ(ColorFromPixel(shot.At(chart->BarRect(0, 1).left + 150, chart->BarRect(0, 1).top)),
            GetSysColor(COLOR_BTNFACE));
  // Clear empties a series; printing writes one page.
  indexed->Clear();
  EXPECT_EQ(indexed->Count(), 0);
  auto pdf = std::filesystem::temp_directory_path() / "vt_chart_print_test.pdf";
  std::filesystem::remove(pdf);
  Application->Initialize();  // printing needs the toolkit
  Printer().SetOutputFileName(pdf.string());
  try {
    chart->Print();
  } catch (Exception& e) {
    ADD_FAILURE() << e.Message();
  }
  Printer().SetOutputFileName("");
  EXPECT_TRUE(std::filesystem::exists(pdf));
  EXPECT_GT(std::filesystem::file_size(pdf), 0u);
  std::filesystem::remove(pdf);
}

TEST(StatusAndPages, PanelsAndPageChanges) {
  TFormsSession s;
  TPlainForm f(400, 300);
  auto* bar = new TStatusBar(&f);
  bar->SetParent(&f);
  for (int w : {50, 100, 50}) bar->AddPanel()->Width = w;
  bar->Panels(0)->Alignment = taCenter;
  bar->SetPanelText(1, "Connected");
  auto* pages = new TPageControl(&f);
  pages->SetParent(&f);
  pages->SetAlign(alClient);
  auto* sql = new TTabSheet(&f);
  sql->SetCaption("SQL");
  sql->SetPageControl(pages);
  auto* plan = new TTabSheet(&f);
  plan->SetCaption("Plan");
  plan->SetPageControl(pages);
  f.Show();
  EXPECT_EQ(bar->BoundsRect(), Rect(0, 281, 400, 300));
  EXPECT_EQ(bar->PanelRect(1).left, 50);
  EXPECT_EQ(bar->PanelRect(2).right, 398) << "the last panel takes the rest";
  EXPECT_EQ(pages->ActivePage(), sql);
  EXPECT_TRUE(sql->Visible());
  EXPECT_FALSE(plan->Visible());
  Lines events;
  bool allow = false;
  pages->OnChanging = [&](TObject*, bool& ok) {
    events.push_back("changing");
    ok = allow;
  };
  pages->OnChange = [&](TObject*) { events.push_back("change " + pages->ActivePage()->Caption()); };
  TRect tab = pages->TabRect(1);
  s.Click(pages->ClientToScreen(TPoint{tab.left + 3, tab.top + 3}));
  EXPECT_EQ(pages->ActivePage(), sql) << "refused";
  allow = true;
  s.Click(pages->ClientToScreen(TPoint{tab.left + 3, tab.top + 3}));
  EXPECT_EQ(pages->ActivePageIndex(), 1);
  pages->SetActivePageIndex(0);  // by the program: no events
  EXPECT_EQ(events, (Lines{"changing", "changing", "change Plan"}));
  EXPECT_TRUE(sql->Visible());
  EXPECT_FALSE(plan->Visible());
  // A sheet fills the page area below the tabs.
  EXPECT_GT(sql->Top(), tab.bottom - 1);
  EXPECT_EQ(sql->Align(), alClient);
}
