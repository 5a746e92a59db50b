// The look-and-feel scroll bar: layout, parameters, repeat timing and thumb dragging with real
// input in the headless session.

#include <gtest/gtest.h>

#include <climits>
#include <cmath>

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

TEST(KcScrollBar, ThumbStaysInsideTheTrackOverTheWholeIntRange) {
  constexpr int lo = INT_MIN, hi = INT_MAX;
  enum Where { Top, Middle, Bottom, Filled, Inside };
  struct Case {
    int min, max, position, page;
    Where where;
  };
  const Case cases[] = {
      {lo, hi, lo, 0, Top},        {lo, hi, 0, 0, Middle},           {lo, hi, hi, 0, Bottom},
      {lo, hi, lo, 1000, Top},     {lo, hi, -1, 1000, Middle},       {lo, hi, hi, 1000, Bottom},
      {lo, hi, 0, hi, Inside},     {lo, hi, hi, hi, Bottom},         {-100, -50, -75, 0, Middle},
      {-100, -50, -50, 0, Bottom}, {lo, -1, lo / 2, 0, Middle},      {lo, lo + 1, lo + 1, 0, Bottom},
      {0, hi, hi, 0, Bottom},      {0, 99, 50, 100, Filled},         {lo, hi, lo + 1, 0, Top},
      {-5, 5, 5, 11, Filled},      {0, hi - 1, 0, hi, Filled},         {lo, hi, lo, hi, Top},
  };
  Fixture f;
  const int trackStart = 17, trackEnd = 83;
  for (const Case& c : cases) {
    f.bar->SetScrollParams(c.min, c.max, c.position, c.page);
    SCOPED_TRACE(testing::Message() << c.min << ".." << c.max << " at " << c.position << " page " << c.page);
    const TRect t = f.bar->PartBounds(sbpThumbnail);
    ASSERT_FALSE(IsRectEmpty(&t));
    EXPECT_GE(t.top, trackStart);
    EXPECT_LE(t.bottom, trackEnd);
    EXPECT_EQ(f.bar->PartBounds(sbpPageUp).bottom, t.top);
    EXPECT_EQ(f.bar->PartBounds(sbpPageDown).top, t.bottom);
    const int before = t.top - trackStart, after = trackEnd - t.bottom;
    switch (c.where) {
      case Top: EXPECT_EQ(before, 0); break;
      case Bottom: EXPECT_EQ(after, 0); break;
      case Middle: EXPECT_LE(std::abs(before - after), 1); break;
      case Filled: EXPECT_EQ(t.bottom - t.top, trackEnd - trackStart); break;
      case Inside: break;
    }
  }
}

TEST(KcScrollBar, StepsNeverWrapPastTheEnds) {
  constexpr int lo = INT_MIN, hi = INT_MAX;
  struct Case {
    int min, max, position, small, large;
    TScrollCode code;
    int expected;
  };
  const Case cases[] = {
      {lo, hi, lo, 1, 1, scLineUp, lo},         {lo, hi, hi, 1, 1, scLineDown, hi},
      {0, 100, 10, 1, hi, scPageDown, 100},     {lo, hi, 10, 1, hi, scPageDown, hi},
      {lo, hi, -10, 1, hi, scPageUp, lo},       {lo, hi, lo, hi, 1, scLineDown, -1},
      {lo, hi, hi, hi, 1, scLineUp, 0},         {lo, hi, 0, hi, hi, scLineUp, -hi},
      {-100, -50, -60, 1, hi, scPageUp, -100},  {-100, -50, -60, hi, 1, scLineDown, -50},
      {lo, hi, 0, 1, 1, scTop, lo},             {lo, hi, 0, 1, 1, scBottom, hi},
  };
  Fixture f;
  for (const Case& c : cases) {
    f.bar->SetScrollParams(c.min, c.max, c.position, 0);
    f.bar->SmallChange = c.small;
    f.bar->LargeChange = c.large;
    f.events.clear();
    f.bar->Perform(CN_VSCROLL, c.code, 0);
    EXPECT_EQ(f.bar->Position(), c.expected) << c.min << ".." << c.max << " from " << c.position << " code " << c.code;
    ASSERT_EQ(f.events.size(), 1u);
    EXPECT_EQ(f.events[0].second, c.expected);  // the event sees the held value
  }
}

TEST(KcScrollBar, DraggingOverTheWholeIntRangeKeepsTheThumbWhereItIsDropped) {
  Fixture f;
  f.bar->SetScrollParams(INT_MIN, INT_MAX, INT_MIN, 0);
  const TRect start = f.bar->PartBounds(sbpThumbnail);
  const int free = 66 - (start.bottom - start.top);
  f.session.MoveTo(f.At(8, start.top + 2));
  f.session.Press();
  f.session.MoveTo(f.At(8, start.top + 2 + free / 3));  // a third of the way
  const std::int64_t expected = INT_MIN + std::llround((std::pow(2.0, 32) - 1) * (free / 3) / free);
  EXPECT_NEAR(static_cast<double>(f.bar->Position()), static_cast<double>(expected), 1.0);
  EXPECT_LT(f.bar->Position(), 0);
  const TRect dragged = f.bar->PartBounds(sbpThumbnail);
  EXPECT_EQ(dragged.top, start.top + free / 3);
  f.session.Release();
  EXPECT_EQ(f.bar->PartBounds(sbpThumbnail), dragged);  // no jump on release
  // To the far end and back to the start.
  f.session.MoveTo(f.At(8, dragged.top + 2));
  f.session.Press();
  f.session.MoveTo(f.At(8, 99));
  EXPECT_EQ(f.bar->Position(), INT_MAX);
  f.session.MoveTo(f.At(8, 0));
  EXPECT_EQ(f.bar->Position(), INT_MIN);
  f.session.Release();
  EXPECT_EQ(f.bar->PartBounds(sbpThumbnail), start);
}
