// Dragging the thumb of a long list: the rows follow the full position, past 16 bits.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "FormsTestUtil.h"
#include "platform/forms/ComCtrls.h"
#include "platform/forms/RowScroller.h"

namespace {
constexpr int kRows = 100000;

struct TScrolled {
  TWinControl* control;
  std::function<int()> top;
  std::function<void(int)> setTop;
};

TScrolled MakeListBox(TForm& f) {
  auto* list = new TListBox(&f);
  list->SetParent(&f);
  list->SetBounds(0, 0, 150, 13 * 10 + 4);
  list->SetStyle(lbVirtual);
  list->SetCount(kRows);
  list->OnData = [](TWinControl*, int i, String& data) { data = IntToStr(i); };
  return {list, [list] { return list->TopIndex(); }, [list](int i) { list->SetTopIndex(i); }};
}

TScrolled MakeTreeView(TForm& f) {
  auto* tree = new TTreeView(&f);
  tree->SetParent(&f);
  tree->SetBounds(0, 0, 150, 13 * 10 + 4);
  tree->Items()->BeginUpdate();
  for (int i = 0; i < kRows; ++i) tree->Items()->Add(nullptr, IntToStr(i));
  tree->Items()->EndUpdate();
  auto top = [tree] {
    const auto& rows = tree->VisibleNodes();
    return static_cast<int>(std::find(rows.begin(), rows.end(), tree->TopItem()) - rows.begin());
  };
  return {tree, top, [tree](int i) { tree->SetTopItem(tree->VisibleNodes()[i]); }};
}
// A list-like control of its own: a row scroller and three message methods are all it needs.
class TRowList : public TCustomControl {
  VT_CLASS(TRowList, TCustomControl)
public:
  explicit TRowList(TComponent* owner) : TCustomControl(owner) {}
  int Rows = kRows;
  int TopRow() const { return fTop; }
  void SetTopRow(int v) {
    fTop = std::clamp(v, 0, fScroller.LastTop());
    fScroller.UpdateBar();
    Invalidate();
  }
  void Dispatch(TMessage& m) override {
    static constexpr TMessageMethod<TRowList> kMessages[] = {{WM_VSCROLL, &TRowList::WMVScroll},
                                                             {WM_MOUSEWHEEL, &TRowList::WMMouseWheel},
                                                             {WM_WINDOWPOSCHANGED, &TRowList::WMWindowPosChanged}};
    if (!DispatchMessageMethod(*this, kMessages, m)) TCustomControl::Dispatch(m);
  }

protected:
  void CreateParams(TCreateParams& p) override {
    TCustomControl::CreateParams(p);
    p.Style |= WS_VSCROLL;
  }
  void WMWindowPosChanged(TMessage& m) {
    TCustomControl::Dispatch(m);
    fScroller.UpdateBar();
  }
  void WMVScroll(TMessage& m) { SetTopRow(fScroller.ScrollPos(m.WParam)); }
  void WMMouseWheel(TMessage& m) {
    SetTopRow(fScroller.WheelPos(m.WParam));
    m.Result = 1;
  }

private:
  int fTop = 0;
  TRowScroller fScroller{this, fTop, [this] { return Rows; }, [this] { return ClientHeight() / 13; }};
};

TScrolled MakeRowList(TForm& f) {
  auto* list = new TRowList(&f);
  list->SetParent(&f);
  list->SetBounds(0, 0, 150, 13 * 10 + 4);
  return {list, [list] { return list->TopRow(); }, [list](int i) { list->SetTopRow(i); }};
}
}  // namespace

TEST(ScrollDrag, ANewListLikeControlScrollsByWheelThroughTheRowScroller) {
  TFormsSession s;
  TPlainForm f;
  TScrolled c = MakeRowList(f);
  f.Show();
  c.control->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-2 * WHEEL_DELTA)), 0);
  EXPECT_EQ(c.top(), 2 * Mouse->WheelScrollLines());
  c.control->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(10 * WHEEL_DELTA)), 0);
  EXPECT_EQ(c.top(), 0);
}

TEST(ScrollDrag, ThumbDragReachesRowsPast16Bits) {
  for (auto make : {MakeListBox, MakeTreeView, MakeRowList}) {
    TFormsSession s;
    TPlainForm f;
    TScrolled c = make(f);
    SCOPED_TRACE(c.control->ClassName());
    f.Show();
    s.Snapshot(f.Handle());
    HWND wnd = c.control->Handle();
    SCROLLINFO si;
    si.fMask = SIF_ALL;
    ASSERT_TRUE(GetScrollInfo(wnd, SB_VERT, &si));
    const int span = si.nMax - si.nMin + 1 - static_cast<int>(si.nPage);  // the last top row
    // Takes the thumb at its middle; `steps` move the pointer by pixels along the bar and
    // note the top row after each move; then lets go.
    auto drag = [&](std::vector<int> steps) {
      SCROLLBARINFO sb;
      EXPECT_TRUE(GetScrollBarInfo(wnd, OBJID_VSCROLL, &sb));
      POINT grab{(sb.rcScrollBar.left + sb.rcScrollBar.right) / 2,
                 sb.rcScrollBar.top + (sb.xyThumbTop + sb.xyThumbBottom) / 2};
      std::vector<int> tops;
      s.Clock().AdvanceMs(1000);  // not a double click
      s.MoveTo(grab);
      for (std::size_t i = 0; i <= steps.size(); ++i)
        s.Script([&, i] {
          if (i > 0) tops.push_back(c.top());
          if (i < steps.size())
            s.QueueMove(POINT{grab.x, grab.y + steps[i]});
          else
            s.QueueRelease();
        });
      s.Press();
      return tops;
    };
    SCROLLBARINFO sb;
    ASSERT_TRUE(GetScrollBarInfo(wnd, OBJID_VSCROLL, &sb));
    const int track =
        (sb.rcScrollBar.bottom - sb.rcScrollBar.top) - 2 * sb.dxyLineButton - (sb.xyThumbBottom - sb.xyThumbTop);
    ASSERT_GT(track, 20);
    const int perPixel = span / track + 1;
    // Three quarters down, then past the end: the rows follow while the thumb moves.
    std::vector<int> tops = drag({track * 3 / 4, track + 50});
    ASSERT_EQ(tops.size(), 2u);
    EXPECT_NEAR(tops[0], span * 3 / 4, perPixel);
    EXPECT_GT(tops[0], 65535);
    EXPECT_EQ(tops[1], span);
    EXPECT_EQ(c.top(), span) << "letting go keeps the row";
    si.fMask = SIF_POS;
    GetScrollInfo(wnd, SB_VERT, &si);
    EXPECT_EQ(si.nPos, span);
    // Scrolled elsewhere, the thumb taken and let go without moving stays where it is.
    c.setTop(70000);
    s.Snapshot(f.Handle());
    drag({});
    EXPECT_EQ(c.top(), 70000);
    // Back up a tenth from there (the thumb's pixel was rounded: two pixels of slack).
    tops = drag({-track / 10});
    ASSERT_EQ(tops.size(), 1u);
    EXPECT_NEAR(tops[0], 70000 - span / 10, 2 * perPixel);
    EXPECT_EQ(c.top(), tops[0]);
  }
}
