// The grid's core through a minimal view: a row of three hot-tracking buttons above a caption
// cell, with the rest of the site left to the background. Covers the change queue, the hit tests,
// hot tracking by mouse moves in the headless session and painting on the recording DC.

#include <gtest/gtest.h>

#include <algorithm>

#include "grid/kcGrid.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

std::vector<std::string>* gLog = nullptr;
void Log(const std::string& s) {
  if (gLog) gLog->push_back(s);
}

class TButtonHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TButtonHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 7; }
  TCursor Cursor() const override { return crkcGridHorzSize; }
};

class TCaptionHitTest : public TkcCustomGridViewHitTest {
  VT_CLASS(TCaptionHitTest, TkcCustomGridViewHitTest)
public:
  int HitTestCode() const override { return 8; }
};

class TButtonCell : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TButtonCell, TkcCustomGridViewCellViewInfo)
public:
  TButtonCell(TkcCustomGridViewInfo* AOwner, String ACaption)
      : TkcCustomGridViewCellViewInfo(AOwner), fCaption(std::move(ACaption)) {}
  int Clicks = 0;
  bool Focused = false;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TButtonHitTest>; }
  bool GetHotTrack() override { return true; }
  bool CaptureMouseOnPress() override { return true; }
  bool GetFocused() override { return Focused; }
  TkcBorders GetBorders() override { return {bRight}; }
  int GetBorderWidth(TkcBorder) override { return 1; }
  TColor GetBorderColor(TkcBorder) override { return clBlack; }
  void Click() override { ++Clicks; }

protected:
  String GetText() override { return fCaption; }
  TAlignment GetAlignmentHorz() override { return taCenter; }
  void GetViewParams(TkcVisualParams& P) override {
    P.Color = clBtnFace;
    P.TextColor = clBlack;
  }
  TkcCustomGridCellPainter* CreatePainter(TkcCanvas* ACanvas) override;

private:
  String fCaption;
};

// Draws a button in the colour of its state.
class TButtonPainter : public TkcCustomGridCellPainter {
  VT_CLASS(TButtonPainter, TkcCustomGridCellPainter)
public:
  using TkcCustomGridCellPainter::TkcCustomGridCellPainter;

protected:
  void DrawBackgroundRect(const TRect& R) override {
    TkcGridCellState s = ViewInfo()->State();
    Canvas()->FillRect(R, s == gcsHot ? clYellow : s == gcsPressed ? clRed : ViewInfo()->Params.Color);
  }
};

TkcCustomGridCellPainter* TButtonCell::CreatePainter(TkcCanvas* ACanvas) { return new TButtonPainter(ACanvas, this); }

class TCaptionCell : public TkcCustomGridViewCellViewInfo {
  VT_CLASS(TCaptionCell, TkcCustomGridViewCellViewInfo)
public:
  using TkcCustomGridViewCellViewInfo::TkcCustomGridViewCellViewInfo;
  String Caption;
  TkcGridHitTestFactory GetHitTestClass() override { return MakeGridHitTest<TCaptionHitTest>; }

protected:
  String GetText() override { return Caption; }
  void GetViewParams(TkcVisualParams& P) override { P.Color = clWindow; }
};

class TTestViewInfo : public TkcCustomGridViewInfo {
  VT_CLASS(TTestViewInfo, TkcCustomGridViewInfo)
public:
  using TkcCustomGridViewInfo::TkcCustomGridViewInfo;
  std::vector<std::unique_ptr<TButtonCell>> Buttons;
  std::unique_ptr<TCaptionCell> CaptionCell;
  int Calculations = 0;
  void PaintCells(TkcCanvas* ACanvas) override {
    for (auto& b : Buttons) Paint(b.get(), ACanvas);
    Paint(CaptionCell.get(), ACanvas);
  }

protected:
  void Paint(TkcCustomGridCellViewInfo* ACell, TkcCanvas* ACanvas) {
    ACell->Paint(ACanvas);
    Painter()->ExcludeFromBackground(ACell->Bounds);
  }
  void CreateViewInfos() override {
    for (const char* c : {"A", "B", "C"}) Buttons.push_back(std::make_unique<TButtonCell>(this, c));
    CaptionCell = std::make_unique<TCaptionCell>(this);
    CaptionCell->Caption = "Caption";
  }
  void DestroyViewInfos(bool) override {
    Buttons.clear();
    CaptionCell.reset();
  }
  void Calculate() override {
    ++Calculations;
    for (size_t i = 0; i < Buttons.size(); ++i)
      Buttons[i]->Calculate(Bounds.left + 40 * static_cast<int>(i), Bounds.top, 40, 20);
    CaptionCell->Calculate(Bounds.left, Bounds.top + 20, 120, 20);
  }
  TkcCustomGridHitTest* GetDefaultHitTest(const TPoint& P) override {
    for (auto& b : Buttons)
      if (TkcCustomGridHitTest* hit = b->GetHitTest(P)) return hit;
    if (TkcCustomGridHitTest* hit = CaptionCell->GetHitTest(P)) return hit;
    return TkcCustomGridViewInfo::GetDefaultHitTest(P);
  }
};

class TTestPainter : public TkcCustomGridPainter {
  VT_CLASS(TTestPainter, TkcCustomGridPainter)
public:
  using TkcCustomGridPainter::TkcCustomGridPainter;
  int Paints = 0;
  void Invalidate() override {
    Log("invalidate " + GridView()->Name());
    TkcCustomGridPainter::Invalidate();
  }
  void InvalidateRect(const TRect& R) override {
    Log("rect " + GridView()->Name() + " " + std::to_string(R.left));
    TkcCustomGridPainter::InvalidateRect(R);
  }

protected:
  void PaintContent() override {
    ++Paints;
    PaintViewInfo()->PaintCells(Canvas());
  }
};

class TTestView : public TkcCustomGridView {
  VT_CLASS(TTestView, TkcCustomGridView)
public:
  using TkcCustomGridView::TkcCustomGridView;
  void SetMaster(TkcCustomGridView* AMaster) { SetMasterGridView(AMaster); }
  TTestViewInfo* Info() const { return static_cast<TTestViewInfo*>(ViewInfo()); }
  TTestPainter* TestPainter() const { return static_cast<TTestPainter*>(Painter()); }

protected:
  TkcCustomGridViewInfo* CreateViewInfo() override { return new TTestViewInfo(this); }
  TkcCustomGridPainter* CreatePainter() override { return new TTestPainter(this); }
};

// A change that cannot wait.
class TUrgentChange : public TkcCustomGridViewChange {
  VT_CLASS(TUrgentChange, TkcCustomGridViewChange)
public:
  using TkcCustomGridViewChange::TkcCustomGridViewChange;
  bool CanPostpone() override { return false; }
  void Execute() override { Log(std::string("urgent ") + (Grid ? "grid" : "nogrid")); }
};

// A change that queues another while it runs.
class TChainChange : public TkcCustomGridViewChange {
  VT_CLASS(TChainChange, TkcCustomGridViewChange)
public:
  using TkcCustomGridViewChange::TkcCustomGridViewChange;
  void Execute() override {
    Log("chain");
    View()->ViewChanged();
    View()->ViewChanged();
  }
};

struct QueueFixture {
  TFormsSession session;
  std::vector<std::string> log;
  std::unique_ptr<TkcGrid> grid{new TkcGrid(nullptr)};
  TTestView* master;
  TTestView* detail;
  QueueFixture() {
    gLog = &log;
    master = CreateGridView<TTestView>(nullptr);
    master->SetName("M");
    detail = CreateGridView<TTestView>(nullptr);
    detail->SetName("D");
    detail->SetMaster(master);
    grid->Levels()->Add()->SetGridView(master);
    grid->Levels()->Items(0)->Add()->SetGridView(detail);
    grid->OnLayoutChanged = [](TkcCustomGrid*, TkcCustomGridView* v) { Log("layout " + (v ? v->Name() : "-")); };
    log.clear();
  }
  ~QueueFixture() {
    grid.reset();
    delete detail;
    delete master;
    gLog = nullptr;
  }
};

}  // namespace

TEST(GridChangeQueue, MergesUnderTheLock) {
  struct Case {
    const char* name;
    std::function<void(QueueFixture&)> queue;
    std::vector<std::string> expected;
  } cases[] = {
      {"equal repaints run once",
       [](QueueFixture& f) {
         f.master->ViewChanged();
         f.master->ViewChanged();
         f.detail->ViewChanged();
       },
       {"invalidate M", "invalidate D"}},
      {"unequal rectangles both run",
       [](QueueFixture& f) {
         f.master->ViewChanged(TRect{1, 0, 5, 5});
         f.master->ViewChanged(TRect{2, 0, 5, 5});
         f.master->ViewChanged(TRect{1, 0, 5, 5});
       },
       {"rect M 1", "rect M 2"}},
      {"a layout change makes the repaint redundant",
       [](QueueFixture& f) {
         f.master->ViewChanged();
         f.master->LayoutChanged();
       },
       {"invalidate M", "layout M"}},  // the layout's own repaint
      {"the master's layout covers the detail's",
       [](QueueFixture& f) {
         f.detail->LayoutChanged();
         f.master->LayoutChanged();
       },
       {"invalidate M", "layout M"}},
      {"the detail's layout stays beside another view's",
       [](QueueFixture& f) {
         f.master->LayoutChanged();
         f.detail->ViewChanged();
       },
       {"invalidate M", "layout M", "invalidate D"}},
      {"a grid layout covers every view's",
       [](QueueFixture& f) {
         f.detail->LayoutChanged();
         f.grid->LayoutChanged();
         f.master->LayoutChanged();
       },
       {"layout -"}},
  };
  for (const Case& c : cases) {
    QueueFixture f;
    f.grid->BeginUpdate();
    c.queue(f);
    EXPECT_TRUE(f.log.empty()) << c.name;
    f.grid->EndUpdate();
    EXPECT_EQ(f.log, c.expected) << c.name;
    EXPECT_EQ(f.grid->PendingChangeCount(), 0);
  }
}

TEST(GridChangeQueue, UrgentCancelNestedAndGridless) {
  QueueFixture f;
  f.grid->BeginUpdate();
  f.master->ViewChanged();
  f.master->Changed(new TUrgentChange(f.master));
  EXPECT_EQ(f.log, (std::vector<std::string>{"urgent grid"}));
  f.grid->CancelUpdate();  // drops the waiting repaint
  f.grid->EndUpdate();     // at zero: nothing
  f.grid->CancelUpdate();
  EXPECT_EQ(f.log.size(), 1u);
  EXPECT_EQ(f.grid->PendingChangeCount(), 0);

  // Changes queued while several run wait for that run and are merged with each other.
  f.log.clear();
  f.grid->BeginUpdate();
  f.master->Changed(new TChainChange(f.master));
  f.detail->ViewChanged();
  f.grid->EndUpdate();
  EXPECT_EQ(f.log, (std::vector<std::string>{"chain", "invalidate D", "invalidate M"}));

  // A view's own lock holds its property changes until it ends, then one change runs.
  f.log.clear();
  f.master->BeginUpdate();
  f.master->SetBackgroundColor(clRed);
  f.master->SetBackgroundColor(clBlue);
  EXPECT_TRUE(f.log.empty());
  f.master->EndUpdate();
  EXPECT_EQ(f.log, (std::vector<std::string>{"invalidate M"}));

  // Without a grid a change runs at once, with no grid set.
  f.log.clear();
  std::unique_ptr<TTestView> lone(CreateGridView<TTestView>(nullptr));
  lone->Changed(new TUrgentChange(lone.get()));
  lone->Changed(new TkcGridLayoutChange(lone.get()));
  EXPECT_EQ(f.log, (std::vector<std::string>{"urgent nogrid"}));
}

TEST(GridChangeQueue, ManyEqualChangesMergeQuickly) {
  QueueFixture f;
  f.grid->BeginUpdate();
  for (int i = 0; i < 200000; ++i) f.master->ViewChanged();
  f.grid->EndUpdate();
  EXPECT_EQ(f.log, (std::vector<std::string>{"invalidate M"}));
}

TEST(GridChangeQueue, FreedViewTakesItsChanges) {
  QueueFixture f;
  f.grid->BeginUpdate();
  f.detail->ViewChanged();
  f.master->ViewChanged();
  delete f.detail;
  f.detail = nullptr;
  f.grid->EndUpdate();
  // The grid relays itself out once the view is gone.
  EXPECT_EQ(f.log, (std::vector<std::string>{"invalidate M", "layout -"}));
}

namespace {

struct GridFixture {
  TFormsSession session;
  TPlainForm form{300, 200};
  TkcGrid* grid;
  TTestView* view;
  GridFixture() {
    grid = new TkcGrid(&form);
    view = CreateGridView<TTestView>(&form);
    view->SetName("V");
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(10, 10, 200, 100);
    form.Show();
    session.ProcessMessages();
  }
  TTestViewInfo* info() { return view->Info(); }
  TkcGridSite* site() { return view->Site(); }
  POINT At(int x, int y) { return TFormsSession::At(site(), x, y); }
  std::vector<int> States() {
    std::vector<int> r;
    for (auto& b : info()->Buttons) r.push_back(b->State());
    return r;
  }
};

constexpr int N = gcsNormal, H = gcsHot, P = gcsPressed;

}  // namespace

TEST(GridHitTests, CacheAndEveryPart) {
  GridFixture f;
  TPoint p1{1, 2}, p2{3, 4};
  auto* a = GetGridHitTest<TkcGridNoneHitTest>(p1);
  auto* b = GetGridHitTest<TkcGridNoneHitTest>(p2);
  EXPECT_EQ(a, b);
  EXPECT_EQ(b->Pos, p2);

  EXPECT_EQ(f.site()->Parent(), f.grid);
  EXPECT_EQ(f.site()->BoundsRect(), (TRect{0, 0, 200, 100}));
  struct Case {
    TPoint p;
    int code;
    TkcCustomGridCellViewInfo* cell;
  } cases[] = {
      {{0, 0}, 7, f.info()->Buttons[0].get()},
      {{39, 19}, 7, f.info()->Buttons[0].get()},
      {{40, 0}, 7, f.info()->Buttons[1].get()},
      {{119, 10}, 7, f.info()->Buttons[2].get()},
      {{5, 20}, 8, f.info()->CaptionCell.get()},
      {{120, 5}, 0, nullptr},
      {{5, 40}, 0, nullptr},
      {{199, 99}, 0, nullptr},
  };
  for (const Case& c : cases) {
    TkcCustomGridHitTest* hit = f.grid->GetHitTest(c.p);
    EXPECT_EQ(hit->HitTestCode(), c.code) << c.p.x << "," << c.p.y;
    EXPECT_EQ(hit->ViewInfo(), c.cell) << c.p.x << "," << c.p.y;
    EXPECT_EQ(hit->Pos, c.p);
    ASSERT_NE(dynamic_cast<TkcCustomGridViewHitTest*>(hit), nullptr);
    EXPECT_EQ(static_cast<TkcCustomGridViewHitTest*>(hit)->GridView, f.view);
  }
  // The cell and its hit test point at each other until the next request of the class.
  TkcCustomGridHitTest* hit = f.grid->GetHitTest({45, 5});
  EXPECT_EQ(f.info()->Buttons[1]->HitTest(), hit);
  f.grid->GetHitTest({85, 5});
  EXPECT_EQ(f.info()->Buttons[1]->HitTest(), nullptr);
  EXPECT_EQ(f.info()->Buttons[2]->HitTest(), hit);
  // The cursor comes from the hit test under the mouse.
  EXPECT_EQ(f.site()->GetCurrentCursor(45, 5), crkcGridHorzSize);
  // No view: the grid's own none hit test.
  f.grid->Levels()->Items(0)->SetGridView(nullptr);
  EXPECT_EQ(f.grid->GetHitTest({5, 5})->ClassType(), TkcGridNoneHitTest::StaticClass());
}

TEST(GridHotTracking, ScriptedMouse) {
  GridFixture f;
  f.session.MoveTo(f.At(10, 10));
  EXPECT_EQ(f.States(), (std::vector{H, N, N}));
  f.session.MoveTo(f.At(50, 10));
  EXPECT_EQ(f.States(), (std::vector{N, H, N}));
  f.session.MoveTo(f.At(50, 30));  // the caption does not track
  EXPECT_EQ(f.States(), (std::vector{N, N, N}));
  f.session.MoveTo(f.At(90, 10));
  EXPECT_EQ(f.States(), (std::vector{N, N, H}));
  // Leaving the grid: the tracking timer returns the cell to normal.
  f.session.MoveTo(TPoint{250, 150});
  f.session.Advance(30);
  EXPECT_EQ(f.States(), (std::vector{N, N, N}));

  // Press, move off (captured: hot), back (pressed), release: one click.
  f.session.MoveTo(f.At(50, 10));
  f.session.Press();
  EXPECT_EQ(f.States(), (std::vector{N, P, N}));
  f.session.MoveTo(f.At(90, 10));
  EXPECT_EQ(f.States(), (std::vector{N, H, N}));
  f.session.MoveTo(f.At(55, 12));
  EXPECT_EQ(f.States(), (std::vector{N, P, N}));
  f.session.Release();
  EXPECT_EQ(f.info()->Buttons[1]->Clicks, 1);
  EXPECT_EQ(f.States(), (std::vector{N, H, N}));
  // Released elsewhere: no click.
  f.session.Press();
  f.session.MoveTo(f.At(150, 50));
  f.session.Release();
  EXPECT_EQ(f.info()->Buttons[1]->Clicks, 1);
  EXPECT_EQ(f.States(), (std::vector{N, N, N}));
  // The right button changes nothing.
  f.session.MoveTo(f.At(10, 10));
  f.session.Press(TTestSession::Button::Right);
  EXPECT_EQ(f.States(), (std::vector{H, N, N}));
  f.session.Release(TTestSession::Button::Right);
  // A hot cell moved away returns to normal.
  f.info()->Buttons[0]->Offset(0, 50);
  EXPECT_EQ(f.States(), (std::vector{N, N, N}));
}

TEST(GridPainting, RecordedCallsAndBackground) {
  GridFixture f;
  TBitmap bitmap(200, 100);
  TkcCanvas canvas(bitmap.Canvas());
  f.info()->Buttons[1]->SetState(gcsHot);
  f.info()->Buttons[2]->Focused = true;
  f.view->SetBackgroundColor(clGreen);
  f.session.ProcessMessages();
  StartRecording(canvas.Handle());
  f.view->Painter()->Paint(&canvas);
  std::vector<GdiRecord> calls = StopRecording(canvas.Handle());

  std::vector<std::string> texts;
  std::vector<TRect> fills;
  std::vector<COLORREF> colors;
  int focus = 0;
  for (const GdiRecord& c : calls) {
    if (c.op == "ExtTextOut") texts.push_back(c.text);
    if (c.op == "FillRect") fills.push_back(c.rect), colors.push_back(c.brushColor);
    if (c.op == "DrawFocusRect") ++focus;
  }
  EXPECT_EQ(texts, (std::vector<std::string>{"A", "B", "C", "Caption"}));
  // Each button: background inside its right border, then the border; then the caption; then
  // the background of what no cell covered, clipped to that region.
  ASSERT_EQ(fills.size(), 8u);
  EXPECT_EQ(fills[0], (TRect{0, 0, 39, 20}));
  EXPECT_EQ(fills[1], (TRect{39, 0, 40, 20}));
  EXPECT_EQ(colors[2], ColorToRGB(clYellow));
  EXPECT_EQ(colors[3], ColorToRGB(clBlack));
  EXPECT_EQ(fills[6], (TRect{0, 20, 120, 40}));
  EXPECT_EQ(fills[7], (TRect{0, 0, 200, 100}));
  EXPECT_EQ(colors[7], ColorToRGB(clGreen));
  EXPECT_EQ(focus, 0);  // the focus frame belongs on the cell's own canvas only
  EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(50, 10)), ColorToRGB(clYellow));
  EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(150, 10)), ColorToRGB(clGreen));
  EXPECT_EQ(ColorToRGB(bitmap.Canvas()->Pixels(60, 30)), ColorToRGB(clWindow) & 0xFFFFFF);

  // Through the window: a parked site does not paint.
  int before = f.view->TestPainter()->Paints;
  f.site()->Invalidate();
  f.session.Snapshot(f.form.Handle());
  EXPECT_GT(f.view->TestPainter()->Paints, before);
  before = f.view->TestPainter()->Paints;
  f.site()->SetBounds(TkcCustomGridViewInfo::ParkedLeft, 0, 200, 100);
  f.site()->Invalidate();
  f.session.Snapshot(f.form.Handle());
  EXPECT_EQ(f.view->TestPainter()->Paints, before);
}

TEST(GridControl, DefaultsLevelsAndSiteSize) {
  GridFixture f;
  std::unique_ptr<TkcGrid> fresh(new TkcGrid(nullptr));
  EXPECT_EQ(fresh->Width(), 250);
  EXPECT_EQ(fresh->Height(), 200);
  EXPECT_TRUE(fresh->TabStop());
  EXPECT_EQ(fresh->DragOpeningWaitTime(), 800);
  fresh->SetDragOpeningWaitTime(-5);
  EXPECT_EQ(fresh->DragOpeningWaitTime(), 0);
  EXPECT_EQ(fresh->Levels()->DetailFrameWidth(), 0);
  TkcGridLevel* level = fresh->Levels()->Add();
  EXPECT_EQ(fresh->ActiveLevel(), level);
  EXPECT_EQ(level->Level(), 0);
  EXPECT_EQ(level->Add()->Level(), 1);
  level->SetMaxDetailHeight(-3);
  EXPECT_EQ(level->MaxDetailHeight(), 0);
  level->SetMaxDetailHeight(100);
  EXPECT_EQ(level->CheckHeight(150), 100);
  EXPECT_EQ(level->CheckHeight(-5), 0);
  EXPECT_EQ(level->CheckHeight(50), 50);

  // Resizing the grid relays the view out in the new size.
  int calcs = f.info()->Calculations;
  f.grid->SetBounds(10, 10, 180, 90);
  f.session.ProcessMessages();
  EXPECT_GT(f.info()->Calculations, calcs);
  EXPECT_EQ(f.site()->BoundsRect(), (TRect{0, 0, 180, 90}));
  EXPECT_EQ(f.info()->Bounds, (TRect{0, 0, 180, 90}));
  // A view that is no longer active leaves the grid.
  TTestView* other = CreateGridView<TTestView>(&f.form);
  TkcGridLevel* second = f.grid->Levels()->Add();
  second->SetGridView(other);
  f.grid->SetActiveLevel(second);
  f.session.ProcessMessages();
  EXPECT_EQ(other->Site()->Parent(), f.grid);
  EXPECT_EQ(f.site()->Parent(), nullptr);
}
