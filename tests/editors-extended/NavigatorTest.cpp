// Navigator buttons: enabling rules against a fake data side, the click chain, the layout, and
// a host control driven by real input on the fake clock (repeat of prior and next, hints).

#include <gtest/gtest.h>

#include "editors-extended/kcNavigator.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

class TFakeNavigator : public IkcNavigator {
public:
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterfaceOf<IkcNavigator>(this, IID, Obj); }
  bool CanDelete() override { return canDelete; }
  bool CanEdit() override { return canEdit; }
  bool CanInsert() override { return canInsert; }
  bool IsActive() override { return active; }
  bool IsBof() override { return bof; }
  bool IsBookmarkAvailable() override { return bookmark; }
  bool IsEditing() override { return editing; }
  bool IsEof() override { return eof; }
  void ClearBookmark() override { bookmark = false; }
  void DoAction(int AButtonIndex) override { actions.push_back(AButtonIndex); }
  TkcNavigatorControlNotifier* GetNotifier() override { return nullptr; }
  bool canDelete = true, canEdit = true, canInsert = true, active = true, bof = false, bookmark = false,
       editing = false, eof = false;
  std::vector<int> actions;
};

// A control showing a navigator over its whole client area.
class TNavigatorHost : public TCustomControl, public IkcNavigatorOwner {
  VT_CLASS(TNavigatorHost, TCustomControl)
public:
  explicit TNavigatorHost(TComponent* AOwner) : TCustomControl(AOwner), buttons(this), viewInfo(this, false) {
    buttons.OnGetNavigator = [this]() -> IkcNavigator* { return &data; };
    ShowHint = true;
  }
  bool QueryInterface(const TGUID& IID, void** Obj) override {
    if (GetInterfaceOf<IkcNavigatorOwner>(this, IID, Obj)) return true;
    return TCustomControl::QueryInterface(IID, Obj);
  }
  void NavigatorChanged(int AChangeType) override { changes.push_back(AChangeType); }
  TRect GetNavigatorBounds() override { return ClientRect(); }
  TkcCustomNavigatorButtons* GetNavigatorButtons() override { return &buttons; }
  TCanvas* GetNavigatorCanvas() override { return Canvas(); }
  TWinControl* GetNavigatorControl() override { return this; }
  bool GetNavigatorFocused() override { return Focused(); }
  TkcLookAndFeel* GetNavigatorLookAndFeel() override { return &lookAndFeel; }
  TComponent* GetNavigatorOwner() override { return this; }
  bool GetNavigatorShowHint() override { return ShowHint; }
  bool GetNavigatorTabStop() override { return true; }
  void NavigatorStateChanged() override { viewInfo.CheckButtonsEnabled(); }
  void RefreshNavigator() override { viewInfo.MakeDirty(); }

  TFakeNavigator data;
  TkcNavigatorControlButtons buttons;
  TkcLookAndFeel lookAndFeel{nullptr};
  TkcNavigatorViewInfo viewInfo;
  std::vector<int> changes;
  bool ShowHint;

protected:
  void Paint() override { viewInfo.Paint(); }
  void MouseDown(TMouseButton B, TShiftState S, int X, int Y) override {
    TCustomControl::MouseDown(B, S, X, Y);
    if (B == mbLeft) viewInfo.MouseDown(X, Y);
  }
  void MouseMove(TShiftState S, int X, int Y) override {
    TCustomControl::MouseMove(S, X, Y);
    viewInfo.MouseMove(X, Y);
  }
  void MouseUp(TMouseButton B, TShiftState S, int X, int Y) override {
    TCustomControl::MouseUp(B, S, X, Y);
    if (B == mbLeft) viewInfo.MouseUp();
  }
};

struct Navigator : ::testing::Test {
  TFormsSession session;
  TPlainForm form;
  TNavigatorHost* host;
  void SetUp() override {
    host = new TNavigatorHost(&form);
    host->SetParent(&form);
    host->SetBounds(10, 10, 380, 24);
    form.Show();
    session.ProcessMessages();
    host->viewInfo.Calculate();
  }
  std::string Enabled() {
    std::string s;
    for (int i = 0; i < kcNavigatorButtonCount; ++i) s += host->buttons.Buttons(i)->IsEnabled() ? '1' : '0';
    return s;
  }
  POINT Centre(int index) {
    const TRect r = host->viewInfo.Buttons(index)->Bounds;
    return TFormsSession::At(host, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

TEST_F(Navigator, EnablingRules) {
  TFakeNavigator& d = host->data;
  //                                      F P p n N L I D E P C R S G F
  EXPECT_EQ(Enabled(), "111111111001101");
  d.bof = true;
  EXPECT_EQ(Enabled(), "000111111001101") << "first record";
  d.editing = true;
  EXPECT_EQ(Enabled(), "000111110111101") << "editing: post and cancel, no edit";
  d.bookmark = true;
  d.eof = true;
  d.canDelete = false;
  EXPECT_EQ(Enabled(), "000000100111111");
  d.active = false;
  EXPECT_EQ(Enabled(), "000000000000001") << "inactive: only the filter";
  host->SetEnabled(false);
  EXPECT_EQ(Enabled(), "000000000000000");
  host->SetEnabled(true);
  host->buttons.OnGetNavigator = nullptr;
  EXPECT_EQ(Enabled(), "000000000000000");
}

TEST_F(Navigator, ClickChainHintsAndImages) {
  TkcNavigatorButton* next = host->buttons.Buttons(NBDI_NEXT);
  next->Click();
  EXPECT_EQ(host->data.actions, std::vector<int>{NBDI_NEXT});
  host->buttons.SetOnButtonClick([](TObject*, int, bool& done) { done = true; });
  next->Click();
  EXPECT_EQ(host->data.actions.size(), 1u) << "a handler that is done prevents the action";
  int own = 0;
  next->SetOnClick([&own](TObject*) { ++own; });
  next->Click();
  EXPECT_EQ(own, 1);

  EXPECT_EQ(next->GetHint(), "Next record");
  next->SetHint("Forward");
  EXPECT_EQ(next->GetHint(), "Forward");
  next->SetImageIndex(3);
  EXPECT_EQ(next->GetImages(), NavigatorImages()) << "no image list: the default image";
  EXPECT_EQ(next->GetImageIndex(), NBDI_NEXT);
  host->changes.clear();
  TkcNavigatorButton* filter = host->buttons.Buttons(NBDI_FILTER);
  EXPECT_FALSE(filter->IsVisibleStored());
  filter->SetVisible(true);
  EXPECT_TRUE(filter->IsVisibleStored());
  EXPECT_TRUE(host->changes.empty()) << "no change, but stored";
}

TEST_F(Navigator, LayoutSpreadsTheRestOverTheButtons) {
  for (int i = 5; i < kcNavigatorButtonCount; ++i) host->buttons.Buttons(i)->SetVisible(false);
  host->viewInfo.Calculate();
  ASSERT_EQ(host->viewInfo.ButtonCount(), 5);
  int natural = 0, height = 0;
  host->viewInfo.CalculateBounds(natural, height, false);
  EXPECT_EQ(host->viewInfo.Buttons(1)->Bounds.left, host->viewInfo.Buttons(0)->Bounds.right) << "buttons touch";
  int width = natural + 17;
  host->viewInfo.CalculateBounds(width, height, false);
  EXPECT_EQ(width, natural + 15) << "three more pixels each, the remainder stays empty";
  EXPECT_EQ(host->viewInfo.Buttons(4)->Bounds.right - host->viewInfo.Buttons(0)->Bounds.left, natural + 15);
  int narrow = natural - 10;
  host->viewInfo.CalculateBounds(narrow, height, false);
  EXPECT_EQ(narrow, natural) << "too narrow: natural widths, the row overflows";
  int needed = 0, neededHeight = 0;
  host->viewInfo.CalculateBounds(needed, neededHeight, true);
  EXPECT_GE(neededHeight, 11 + 1) << "the image height counts when asked";
}

TEST_F(Navigator, HoldingNextRepeatsAfter400ThenEvery100) {
  session.MoveTo(Centre(NBDI_NEXT));
  session.Press();
  EXPECT_TRUE(host->data.actions.empty());
  session.Advance(399);
  EXPECT_TRUE(host->data.actions.empty());
  session.Advance(1);
  EXPECT_EQ(host->data.actions.size(), 1u);
  session.Advance(300);
  EXPECT_EQ(host->data.actions.size(), 4u);
  // Off the button nothing repeats; back on it, it goes on.
  session.MoveTo(Centre(NBDI_INSERT));
  session.Advance(300);
  EXPECT_EQ(host->data.actions.size(), 4u);
  session.MoveTo(Centre(NBDI_NEXT));
  session.Advance(100);
  EXPECT_EQ(host->data.actions.size(), 5u);
  session.Release();
  EXPECT_EQ(host->data.actions.size(), 6u) << "the release clicks once more";
  session.Advance(500);
  EXPECT_EQ(host->data.actions.size(), 6u);
}

TEST_F(Navigator, InsertClicksOnceOnReleaseAnywhere) {
  session.MoveTo(Centre(NBDI_INSERT));
  session.Press();
  EXPECT_EQ(host->viewInfo.GetButtonState(host->viewInfo.Buttons(NBDI_INSERT)), kcbsPressed);
  session.Advance(1000);
  EXPECT_TRUE(host->data.actions.empty());
  session.MoveTo(TFormsSession::At(host, 370, 5));
  session.Release();
  EXPECT_EQ(host->data.actions, std::vector<int>{NBDI_INSERT});
}

TEST_F(Navigator, HintsFollowTheMouse) {
  session.MoveTo(Centre(NBDI_FIRST));
  EXPECT_EQ(host->viewInfo.ShownHint(), "");
  session.Advance(500);
  EXPECT_EQ(host->viewInfo.ShownHint(), "First record");
  session.MoveTo(Centre(NBDI_LAST));
  EXPECT_EQ(host->viewInfo.ShownHint(), "Last record") << "replaced at once";
  // A hint window of its own below the pointer, gone when a button is pressed.
  THintWindow* window = host->viewInfo.HintWindow();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->HandleAllocated());
  EXPECT_TRUE(IsWindowVisible(window->Handle()));
  RECT r;
  GetWindowRect(window->Handle(), &r);
  EXPECT_GT(r.top, Centre(NBDI_LAST).y);
  session.Press();
  EXPECT_EQ(host->viewInfo.HintWindow(), nullptr);
  EXPECT_EQ(host->viewInfo.ShownHint(), "");
  session.Release();
}

TEST_F(Navigator, PaintsEveryButton) {
  session.MoveTo(Centre(NBDI_NEXT));
  session.Press();
  const Surface before = session.Snapshot(form.Handle());
  session.Release();
  // With VT_SCREENSHOT_DIR set the picture is kept for a look (a plain PPM file).
  if (const char* dir = std::getenv("VT_SCREENSHOT_DIR")) {
    std::FILE* f = std::fopen((std::string(dir) + "/navigator.ppm").c_str(), "wb");
    std::fprintf(f, "P6 %d 80 255\n", before.Width());
    for (int y = 0; y < 80; ++y)
      for (int x = 0; x < before.Width(); ++x) {
        const COLORREF c = ColorFromPixel(before.Bits()[y * before.Width() + x]);
        std::fputc(GetRValue(c), f), std::fputc(GetGValue(c), f), std::fputc(GetBValue(c), f);
      }
    std::fclose(f);
  }
  host->data.active = false;
  host->NavigatorStateChanged();
  const Surface after = session.Snapshot(form.Handle());
  // Disabled buttons are drawn differently.
  const std::size_t n = static_cast<std::size_t>(before.Width()) * static_cast<std::size_t>(before.Height());
  EXPECT_FALSE(std::equal(before.Bits(), before.Bits() + n, after.Bits()));
}

}  // namespace
