// The look-and-feel scroll bar: layout, parameters, repeat timing and thumb dragging with real
// input in the headless session.

#include <gtest/gtest.h>

#include "controls/kcScrollBar.h"
#include "platform/forms/FormsTestUtil.h"

namespace {
struct Fixture {
  TFormsSession session;
  TPlainForm form;
  TkcScrollBar* bar;
  std::vector<std::pair<TScrollCode, int>> events;
  int changes = 0;
  explicit Fixture(TScrollBarKind kind = sbVertical) {
    bar = new TkcScrollBar(&form);
    bar->SetParent(&form);
    bar->SetKind(kind);
    if (kind == sbVertical) bar->SetBounds(50, 50, 17, 100);
    bar->SetScrollParams(0, 99, 45, 10);
    bar->OnScroll = [this](TObject*, TScrollCode code, int& pos) { events.push_back({code, pos}); };
    bar->OnChange = [this](TObject*) { ++changes; };
    form.Show();
    session.ProcessMessages();
    session.Clock().AdvanceMs(1000);
  }
  TPoint At(int x, int y) { return TFormsSession::At(bar, x, y); }
};
}  // namespace

TEST(KcScrollBar, DefaultsLayoutAndParameters) {
  {
    TFormsSession session;
    TkcScrollBar bar(nullptr);
    EXPECT_EQ(bar.Width(), 121);
    EXPECT_EQ(bar.Height(), 17);
    EXPECT_EQ(bar.Kind(), sbHorizontal);
    EXPECT_EQ(bar.Max(), 100);
    EXPECT_EQ(bar.Position(), 0);
  }
  Fixture f;
  TkcScrollBar* bar = f.bar;
  EXPECT_EQ(bar->PartBounds(sbpThumbnail), (TRect{0, 46, 17, 54}));
  EXPECT_EQ(bar->PartBounds(sbpPageUp), (TRect{0, 17, 17, 46}));
  EXPECT_EQ(bar->PartBounds(sbpPageDown), (TRect{0, 54, 17, 83}));
  EXPECT_EQ(bar->HitTest(TPoint{5, 5}), sbpLineUp);
  EXPECT_EQ(bar->HitTest(TPoint{5, 50}), sbpThumbnail);
  EXPECT_EQ(bar->HitTest(TPoint{5, 90}), sbpLineDown);
  EXPECT_EQ(bar->HitTest(TPoint{20, 50}), sbpNone);
  EXPECT_THROW(bar->SetScrollParams(0, -1, 0, 0), EInvalidOperation);
  EXPECT_EQ(bar->Max(), 99);
  bar->SetPosition(200);
  EXPECT_EQ(bar->Position(), 99);
  // A page showing the whole range is accepted: the thumb fills the track.
  bar->SetScrollParams(0, 99, 0, 100);
  EXPECT_EQ(bar->PartBounds(sbpThumbnail), (TRect{0, 17, 17, 83}));
  EXPECT_THROW(bar->SetScrollParams(0, 99, 0, 101), EInvalidOperation);
  // A negative range with a page.
  bar->SetScrollParams(-100, -50, -60, 10);
  EXPECT_EQ(bar->Position(), -60);
  // No thumb when Min = Max; the track is one page area.
  bar->SetScrollParams(5, 5, 5, 0);
  TRect thumb = bar->PartBounds(sbpThumbnail);
  EXPECT_TRUE(IsRectEmpty(&thumb));
  EXPECT_EQ(bar->HitTest(TPoint{5, 50}), sbpNone);
  // A bar shorter than two arrows: two half-length buttons and no thumb.
  bar->SetScrollParams(0, 99, 0, 10);
  bar->SetHeight(30);
  EXPECT_EQ(bar->PartBounds(sbpLineUp), (TRect{0, 0, 17, 15}));
  EXPECT_EQ(bar->PartBounds(sbpLineDown), (TRect{0, 15, 17, 30}));
  EXPECT_EQ(bar->HitTest(TPoint{5, 14}), sbpLineUp);
}

TEST(KcScrollBar, HoldingAnArrowRepeatsAfter400ThenEvery60) {
  Fixture f;
  f.bar->SetPosition(0);
  std::vector<std::uint64_t> times;
  std::uint64_t start = f.session.Clock().TickCount64();
  f.bar->OnScroll = [&](TObject*, TScrollCode code, int&) {
    if (code == scLineDown) times.push_back(f.session.Clock().TickCount64() - start);
  };
  f.session.MoveTo(f.At(5, 90));
  f.session.Press();
  f.session.Advance(530);
  EXPECT_EQ(times, (std::vector<std::uint64_t>{0, 400, 460, 520}));
  EXPECT_EQ(f.bar->Position(), 4);
  // Off the button the repeats pause; back on it they resume.
  f.session.MoveTo(f.At(5, 50));
  f.session.Advance(200);
  EXPECT_EQ(times.size(), 4u);
  f.session.MoveTo(f.At(5, 90));
  f.session.Advance(60);
  EXPECT_EQ(times.size(), 5u);
  f.session.Release();
  EXPECT_EQ(f.bar->PressedPart(), sbpNone);
  f.session.Advance(500);
  EXPECT_EQ(times.size(), 5u);
}

TEST(KcScrollBar, ThumbDragTracksSnapsBackAndEndsWithPositionThenEnd) {
  Fixture f;
  f.session.MoveTo(f.At(8, 50));
  f.session.Press();
  f.session.MoveTo(f.At(8, 60));  // ten pixels down
  EXPECT_GT(f.bar->Position(), 45);
  int tracked = f.bar->Position();
  f.session.MoveTo(f.At(152, 60));  // still inside the tracking area
  EXPECT_EQ(f.bar->Position(), tracked);
  f.session.MoveTo(f.At(153, 60));  // outside: back to the start
  EXPECT_EQ(f.bar->Position(), 45);
  EXPECT_EQ(f.bar->PartBounds(sbpThumbnail), (TRect{0, 46, 17, 54}));
  f.session.MoveTo(f.At(8, 60));  // back in: tracking resumes
  EXPECT_EQ(f.bar->Position(), tracked);
  f.events.clear();
  int changes = f.changes;
  f.session.Release();
  ASSERT_GE(f.events.size(), 2u);
  EXPECT_EQ(f.events[f.events.size() - 2].first, scPosition);
  EXPECT_EQ(f.events.back().first, scEndScroll);
  EXPECT_EQ(f.changes, changes);  // the position was already the tracked one
  for (auto& e : f.events) EXPECT_NE(e.first, scTrack);
  // With unlimited tracking it never snaps back.
  f.bar->UnlimitedTracking = true;
  f.session.MoveTo(f.At(8, 50 + tracked - 45));
  f.session.Press();
  f.session.MoveTo(f.At(400, 70));
  EXPECT_NE(f.bar->Position(), tracked);
  f.session.Release();
}
