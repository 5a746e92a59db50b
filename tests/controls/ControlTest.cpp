// The base control through the headless session: keys, embedded scroll bars and their
// visibility solver, focus on click, its destruction inside its own handler, the wheel,
// library drag and drop and middle-button scrolling.

#include <gtest/gtest.h>

#include "controls/kcControls.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

// Content of a given size, scrolled in pixels; records what reaches Scroll.
class TContentControl : public TkcControl {
  VT_CLASS(TContentControl, TkcControl)
public:
  explicit TContentControl(TComponent* AOwner) : TkcControl(AOwner) {}
  int ContentWidth = 0, ContentHeight = 0;
  bool Pixel = false, AllowHide = true, Swing = false;
  int InitCalls = 0;
  std::vector<std::pair<TScrollBarKind, TScrollCode>> Scrolls;
  bool StartDrag = false;
  int Begins = 0;
  void InitScrollBarsParameters() override {
    ++InitCalls;
    TRect c = GetClientBounds();
    int w = c.right - c.left, h = c.bottom - c.top;
    if (Swing) w = GetHScrollBarVisible() ? ContentWidth + 1 : 0;  // never settles
    if (Pixel) w = Width() - 17, h = Height() - 17;                // pages as if both bars showed
    SetScrollBarInfo(sbHorizontal, 0, ContentWidth - 1, 1, w, 0, true, AllowHide);
    SetScrollBarInfo(sbVertical, 0, ContentHeight - 1, 1, h, 0, true, AllowHide);
  }
  bool IsPixelScrollBar(TScrollBarKind) override { return Pixel; }
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int&) override { Scrolls.push_back({AKind, ACode}); }
  bool StartDragAndDrop(const TPoint&) override { return StartDrag; }
  void BeginDragAndDrop() override {
    ++Begins;
    TkcControl::BeginDragAndDrop();
  }
};

struct Fixture {
  TFormsSession session;
  TPlainForm form;
  TContentControl* control;
  Fixture() {
    control = new TContentControl(&form);
    control->SetParent(&form);
    control->SetBounds(10, 10, 200, 100);
    auto* other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(250, 10, 50, 20);
    form.Show();
    other->SetFocus();
    session.ProcessMessages();
    session.Clock().AdvanceMs(1000);
  }
  void SetContent(int w, int h) {
    control->ContentWidth = w;
    control->ContentHeight = h;
    control->UpdateScrollBars();
  }
  TPoint At(int x, int y) { return TFormsSession::At(control, x, y); }
  bool H() { return control->HScrollBar()->Visible(); }
  bool V() { return control->VScrollBar()->Visible(); }
};

}  // namespace

TEST(KcControl, DialogCodeFollowsKeysAndCtrl) {
  Fixture f;
  f.control->SetKeys(TkcControlKeys{kAll, kArrows, kChars, kTab});
  EXPECT_EQ(SendMessage(f.control->Handle(), WM_GETDLGCODE), 135);
  f.session.KeyDown(VK_CONTROL);
  EXPECT_EQ(SendMessage(f.control->Handle(), WM_GETDLGCODE), 133);
  f.session.KeyUp(VK_CONTROL);
  f.control->SetKeys(TkcControlKeys{kArrows});
  EXPECT_EQ(SendMessage(f.control->Handle(), WM_GETDLGCODE), 1);
}

TEST(KcControl, ScrollBarInfoVisibilityRules) {
  Fixture f;
  f.SetContent(100, 50);  // fits: no bars
  EXPECT_FALSE(f.H());
  EXPECT_FALSE(f.V());
  f.SetContent(500, 50);  // too wide: the horizontal bar, then the vertical one has room
  EXPECT_TRUE(f.H());
  EXPECT_FALSE(f.V());
  EXPECT_FALSE(f.control->SizeGrip()->Visible());
  EXPECT_EQ(f.control->HScrollBar()->BoundsRect(), (TRect{0, 83, 200, 100}));
  f.SetContent(500, 500);
  EXPECT_TRUE(f.H());
  EXPECT_TRUE(f.V());
  EXPECT_TRUE(f.control->SizeGrip()->Visible());
  EXPECT_EQ(f.control->SizeGrip()->BoundsRect(), (TRect{183, 83, 200, 100}));
  f.control->SetScrollBars(ssVertical);
  EXPECT_FALSE(f.H());
  EXPECT_TRUE(f.V());
  EXPECT_FALSE(f.control->SizeGrip()->Visible());
  f.control->SetScrollBars(ssBoth);
  // A page that shows everything: hidden when it may hide, disabled when it may not.
  f.control->AllowHide = false;
  f.SetContent(100, 50);
  EXPECT_TRUE(f.V());
  EXPECT_FALSE(f.control->VScrollBar()->Enabled());
  f.control->AllowHide = true;
  f.SetContent(100, 50);
  EXPECT_FALSE(f.V());
}

TEST(KcControl, PixelBarsThatOnlyNeedEachOtherHideBoth) {
  Fixture f;
  f.control->Pixel = true;
  f.SetContent(195, 95);  // needs both only because each bar takes the other's room
  EXPECT_FALSE(f.H());
  EXPECT_FALSE(f.V());
  f.SetContent(205, 95);
  EXPECT_TRUE(f.H());
  EXPECT_TRUE(f.V());
  f.control->Pixel = false;
  f.SetContent(205, 105);
  EXPECT_TRUE(f.H());
  EXPECT_TRUE(f.V());
}

TEST(KcControl, SwingingDescendantIsStoppedWithDisabledBars) {
  Fixture f;
  f.control->Swing = true;
  f.SetContent(300, 50);
  EXPECT_TRUE(f.H());
  EXPECT_FALSE(f.control->HScrollBar()->Enabled());
  EXPECT_LT(f.control->InitCalls, 50);
}

TEST(KcControl, UpdatesInsideBeginEndRunOnce) {
  Fixture f;
  f.control->ContentWidth = 500;
  f.control->ContentHeight = 50;
  f.control->InitCalls = 0;
  f.control->UpdateScrollBars();
  int single = f.control->InitCalls;
  f.control->HScrollBar()->SetVisible(false);
  f.control->InitCalls = 0;
  f.control->BeginScrollBarsUpdate();
  for (int i = 0; i < 3; ++i) f.control->UpdateScrollBars();
  EXPECT_EQ(f.control->InitCalls, 0);
  f.control->EndScrollBarsUpdate();
  EXPECT_EQ(f.control->InitCalls, single);
  f.control->InitCalls = 0;
  f.control->BeginScrollBarsUpdate();
  f.control->EndScrollBarsUpdate();  // nothing was asked
  EXPECT_EQ(f.control->InitCalls, 0);
}

TEST(KcControl, FocusOnClickRules) {
  Fixture f;
  int downs = 0;
  f.control->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
  f.control->FocusOnClick = false;
  f.session.Click(f.At(50, 50));
  EXPECT_EQ(downs, 1);
  EXPECT_FALSE(f.control->Focused());
  f.SetContent(500, 500);
  f.session.Click(f.At(195, 20));  // on the vertical bar
  EXPECT_FALSE(f.control->Focused());
  f.control->FocusOnClick = true;
  // A double click's second press does not move the focus by itself.
  f.session.Click(f.At(50, 50));
  EXPECT_TRUE(f.control->Focused());
  f.form.Controls(1)->Perform(WM_NULL);
  static_cast<TWinControl*>(f.form.Controls(1))->SetFocus();
  f.session.Clock().AdvanceMs(1000);
  f.session.MoveTo(f.At(50, 50));
  SendMessage(f.control->Handle(), WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
  EXPECT_FALSE(f.control->Focused());
  f.session.Release();
}

TEST(KcControl, FreedInsideItsOwnMouseDown) {
  Fixture f;
  TContentControl* control = f.control;
  bool freed = false;
  // The handler's own closure goes with the control: nothing may be touched after the delete.
  control->OnMouseDown = [&freed, control](TObject*, TMouseButton, TShiftState, int, int) {
    freed = true;
    delete control;
  };
  f.session.MoveTo(f.At(50, 50));
  f.session.Press();
  f.session.Release();
  EXPECT_TRUE(freed);
  EXPECT_EQ(f.form.ControlCount(), 1);
}

TEST(KcControl, WheelScrollsTheVisibleBar) {
  Fixture f;
  f.SetContent(100, 500);
  f.control->SetFocus();
  f.session.MoveTo(f.At(50, 50));
  f.session.Wheel(-1);
  ASSERT_EQ(f.control->Scrolls.size(), 3u);  // the wheel lines
  EXPECT_EQ(f.control->Scrolls[0], (std::pair{sbVertical, scLineDown}));
  f.control->Scrolls.clear();
  f.session.Wheel(1);
  EXPECT_EQ(f.control->Scrolls.at(0), (std::pair{sbVertical, scLineUp}));
}

TEST(KcControl, PopupMenuAcceptsOnlyMenus) {
  Fixture f;
  TComponent plain(nullptr);
  f.control->SetPopupMenu(&plain);
  EXPECT_EQ(f.control->PopupMenu(), nullptr);
  auto* menu = new TPopupMenu(nullptr);
  f.control->SetPopupMenu(menu);
  EXPECT_EQ(f.control->PopupMenu(), menu);
  delete menu;
  EXPECT_EQ(f.control->PopupMenu(), nullptr);
}

TEST(KcControl, LibraryDragStartsPastTheThresholdAndEndsOnEscape) {
  Fixture f;
  f.control->StartDrag = true;
  // Released inside the threshold: finished as accepted without a begin, the object freed.
  f.session.MoveTo(f.At(50, 50));
  f.session.Press();
  EXPECT_EQ(f.control->DragAndDropState(), ddsStarting);
  f.session.MoveTo(f.At(53, 50));
  f.session.Release();
  EXPECT_EQ(f.control->Begins, 0);
  EXPECT_EQ(f.control->DragAndDropState(), ddsNone);
  EXPECT_FALSE(f.control->HasDragAndDropObject());
  // Past the threshold: dragging; Esc ends it and restores the screen cursor.
  Screen->SetCursor(crDefault);
  f.session.Clock().AdvanceMs(1000);
  f.session.MoveTo(f.At(50, 50));
  f.session.Press();
  f.session.MoveTo(f.At(60, 50));
  EXPECT_EQ(f.control->Begins, 1);
  EXPECT_EQ(f.control->DragAndDropState(), ddsInProcess);
  f.session.MoveTo(f.At(70, 50));
  EXPECT_EQ(Screen->Cursor(), crNoDrop);
  f.session.Key(VK_ESCAPE);
  EXPECT_EQ(f.control->DragAndDropState(), ddsNone);
  EXPECT_EQ(Screen->Cursor(), crDefault);
  EXPECT_FALSE(f.control->HasDragAndDropObject());
  f.session.Release();
}

TEST(KcControl, MiddleButtonScrolling) {
  Fixture f;
  // No visible bar: the middle button does nothing.
  f.session.MoveTo(f.At(50, 50));
  f.session.Press(TTestSession::Button::Middle);
  f.session.Release(TTestSession::Button::Middle);
  EXPECT_FALSE(f.control->IsMiddleScrolling());

  f.SetContent(100, 5000);
  const int w = 27;  // the anchor picture
  TPoint anchor = f.At(50, 50);
  std::vector<std::size_t> times;
  f.control->Scrolls.clear();
  // Down by W/2 + 45: speed 10, a line every 3 ticks (60 ms).
  auto ticks = [&](int n) {
    for (int i = 0; i < n; ++i) f.session.Script([&] { f.session.Clock().AdvanceMs(20); });
  };
  f.session.Script([&] { f.session.QueueMove(TPoint{anchor.x, anchor.y + w / 2 + 45}); });
  ticks(9);
  f.session.Script([&] {
    EXPECT_EQ(Screen->Cursor(), crkcDownScroll);
    times.push_back(f.control->Scrolls.size());
    f.control->Scrolls.clear();
    f.session.QueueMove(TPoint{anchor.x + 300, anchor.y});  // only the vertical bar: sideways is neutral
  });
  ticks(6);
  f.session.Script([&] {
    times.push_back(f.control->Scrolls.size());
    f.session.QueueKey(VK_ESCAPE, true);
  });
  f.session.Clock().AdvanceMs(1000);  // not a double click
  f.session.MoveTo(anchor);
  f.session.Press(TTestSession::Button::Middle);
  EXPECT_FALSE(f.control->IsMiddleScrolling());
  ASSERT_EQ(times.size(), 2u);
  EXPECT_EQ(times[0], 3u);
  EXPECT_EQ(times[1], 0u);
  EXPECT_EQ(f.control->Scrolls.size(), 0u);
  EXPECT_NE(GetCapture(), f.control->Handle());
  f.session.Release(TTestSession::Button::Middle);
  // A wheel turn ends the mode too.
  f.session.Clock().AdvanceMs(1000);
  f.session.Script([&] { f.session.Wheel(1); });
  f.session.Press(TTestSession::Button::Middle);
  EXPECT_FALSE(f.control->IsMiddleScrolling());
  f.session.Release(TTestSession::Button::Middle);
}

namespace {
class TImageControl : public TContentControl {
  VT_CLASS(TImageControl, TContentControl)
public:
  explicit TImageControl(TComponent* AOwner) : TContentControl(AOwner) {}
  bool HasDragImages() override { return true; }
  TSize GetDragImagesSize() override { return TSize{20, 10}; }
  void DrawDragImage(TkcCanvas* ACanvas, const TRect& R) override { ACanvas->FillRect(R, clRed); }
};
}  // namespace

TEST(KcControl, DragImagesAndChildComponents) {
  TFormsSession session;
  TContentControl plain(nullptr);
  EXPECT_EQ(plain.GetDragImages(), nullptr);
  TPlainForm form;
  auto* imagesOwned = new TImageControl(&form);
  TImageControl& images = *imagesOwned;
  images.SetParent(&form);
  images.HandleNeeded();
  TDragImageList* list = images.GetDragImages();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->Width(), 20);
  EXPECT_EQ(list->Count(), 1);
  EXPECT_TRUE(images.ControlStyle().Contains(csDisplayDragImage));

  TComponent owner(nullptr);
  auto* control = new TContentControl(&owner);
  TkcControlChildComponent owned(control, false);
  auto* child = new TkcControlChildComponent(control, true);
  EXPECT_EQ(child->Owner(), &owner);
  EXPECT_EQ(child->Control(), control);
  EXPECT_TRUE(child->HasParent());
  delete child;
  delete control;  // the other child forgets it
  EXPECT_EQ(owned.Control(), nullptr);
  owned.SetParentComponent(&images);
  EXPECT_EQ(owned.GetParentComponent(), &images);
}

namespace {
// A drag object whose own step ends the drag (as an event handler of a descendant may).
class TFinishingObject : public TkcDragAndDropObject {
  VT_CLASS(TFinishingObject, TkcDragAndDropObject)
public:
  explicit TFinishingObject(TkcControl* AControl) : TkcDragAndDropObject(AControl) {}
  void DragAndDrop(const TPoint& P, bool& Accepted) override {
    Control()->FinishDragAndDrop(false);
    TkcDragAndDropObject::DragAndDrop(P, Accepted);  // still whole
    ++Steps;
  }
  static inline int Steps = 0;
};
}  // namespace

TEST(KcControl, DragObjectFinishedFromItsOwnStepIsFreedAfterIt) {
  Fixture f;
  f.control->StartDrag = true;
  f.control->DragAndDropObjectClass = TFinishingObject::StaticClass();
  f.session.MoveTo(f.At(50, 50));
  f.session.Press();
  f.session.MoveTo(f.At(60, 50));
  f.session.MoveTo(f.At(70, 50));
  EXPECT_EQ(TFinishingObject::Steps, 1);
  EXPECT_EQ(f.control->DragAndDropState(), ddsNone);
  EXPECT_FALSE(f.control->HasDragAndDropObject());
  f.session.Release();
}

TEST(KcControl, AutomaticDragStartsOnlyPastTwiceTheThreshold) {
  Fixture f;
  f.control->SetDragMode(dmAutomatic);
  int clicks = 0;
  f.control->OnClick = [&](TObject*) { ++clicks; };
  f.session.MoveTo(f.At(50, 50));
  f.session.Script([&] { f.session.QueueRelease(); });
  f.session.Press();
  EXPECT_EQ(clicks, 1);
  EXPECT_FALSE(f.control->Dragging());
  f.session.Clock().AdvanceMs(1000);
  f.session.MoveTo(f.At(50, 50));
  f.session.Script([&] { f.session.QueueMove(f.At(56, 50)); });
  f.session.Press();
  EXPECT_TRUE(f.control->Dragging());
  // With Ctrl held over an accepting target the cursor is the copy cursor.
  TkcDragControlObject object(f.control);
  f.session.KeyDown(VK_CONTROL);
  EXPECT_EQ(object.GetDragCursor(true, 0, 0), crkcDragCopy);
  EXPECT_EQ(object.GetDragCursor(false, 0, 0), crNoDrop);
  f.session.KeyUp(VK_CONTROL);
  EXPECT_EQ(object.GetDragCursor(true, 0, 0), crDrag);
  f.session.Release();
}
