#include <gtest/gtest.h>

#include "editors/kcDropDownEdit.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

// A drop-down edit whose popup is an empty client area of a fixed size.
class TTestDropDownEdit : public TkcCustomDropDownEdit {
public:
  explicit TTestDropDownEdit(TComponent* AOwner, bool AInplace = false)
      : TkcCustomDropDownEdit(AOwner, AInplace, TDeferCreation{}) {
    Initialize();
  }
  SIZE ClientSize{100, 60};
  bool CanDropDown() override { return true; }
  void GetPopupClientSize(SIZE& ASize) override { ASize = ClientSize; }
};

struct DropDownFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TTestDropDownEdit* edit;
  TEdit* other;
  String log;
  explicit DropDownFixture(TRect ABounds = TRect{10, 10, 130, 31}, bool AInplace = false) {
    edit = new TTestDropDownEdit(&form, AInplace);
    edit->SetParent(&form);
    edit->SetBounds(ABounds.left, ABounds.top, ABounds.right - ABounds.left, ABounds.bottom - ABounds.top);
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 250, 100, 21);
    auto* p = edit->Properties();
    p->OnInitPopup = [this](TObject*) { log += "init "; };
    p->OnPopup = [this](TObject*) { log += "popup "; };
    p->OnFinalizePopup = [this](TObject*) { log += "final "; };
    p->OnClosePopup = [this](TObject*, TkcEditCloseUpReason r) { log += "close" + std::to_string(r) + " "; };
    p->OnCloseUp = [this](TObject*) { log += "closeup "; };
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Open() {
    session.Key(VK_F4);
    ASSERT_TRUE(edit->DroppedDown());
    log.clear();
  }
};

}  // namespace

// Every way of closing, with the reason the events report and their order: finalize first, then
// the close notifications.
TEST(KcDropDownEdit, ClosesByEveryReasonInOrder) {
  struct Case {
    const char* name;
    std::function<void(DropDownFixture&)> close;
    const char* log;
  } cases[] = {
      {"F4", [](DropDownFixture& f) { f.session.Key(VK_F4); }, "final close2 closeup "},
      {"Alt+Up",
       [](DropDownFixture& f) {
         f.session.KeyDown(VK_MENU);
         f.session.Key(VK_UP);
         f.session.KeyUp(VK_MENU);
       },
       "final close2 closeup "},
      {"Enter", [](DropDownFixture& f) { f.session.Key(VK_RETURN, "\r"); }, "final close4 closeup "},
      {"Esc", [](DropDownFixture& f) { f.session.Key(VK_ESCAPE, "\x1b"); }, "final close3 closeup "},
      {"click elsewhere", [](DropDownFixture& f) { f.session.Click(TFormsSession::At(&f.form, 300, 150)); },
       "final close0 closeup "},
      {"focus leaves", [](DropDownFixture& f) { f.other->SetFocus(); }, "final close0 closeup "},
      {"close button",
       [](DropDownFixture& f) {
         TkcCustomEditPopupWindow* w = f.edit->PopupWindow();
         const TRect r = w->PopupViewInfo()->Layout.CloseButtonRect;
         f.session.Click(TFormsSession::At(w, (r.left + r.right) / 2, (r.top + r.bottom) / 2));
       },
       "final close0 closeup "},
  };
  for (const Case& c : cases) {
    DropDownFixture f;
    if (std::string(c.name) == "close button") {
      f.edit->Properties()->SetPopupSysPanelStyle(true);
      f.edit->EditStyle()->SetPopupCloseButton(true);
    }
    f.Open();
    c.close(f);
    EXPECT_FALSE(f.edit->DroppedDown()) << c.name;
    EXPECT_EQ(f.log, c.log) << c.name;
    EXPECT_FALSE(f.edit->IsPopupInitialized()) << c.name;
  }
}

// The popup is shown by a posted message; asking again before it arrives posts no second one,
// and opening runs init before the show message and popup after it.
TEST(KcDropDownEdit, OpensThroughOnePostedShowMessage) {
  DropDownFixture f;
  HWND inner = f.edit->InnerEditControl()->Handle();
  SendMessage(inner, WM_KEYDOWN, VK_F4, 0);
  EXPECT_EQ(f.log, "init ");
  EXPECT_TRUE(f.edit->IsShowMessageQueued());
  EXPECT_FALSE(f.edit->DroppedDown());
  SendMessage(inner, WM_KEYDOWN, VK_F4, 0);
  f.edit->SetDroppedDown(true);
  f.session.StartRecording({f.edit->PopupWindow()->Handle()});
  f.session.ProcessMessages();
  f.session.StopRecording();
  int shows = 0;
  for (const TRecordedMessage& m : f.session.Recorded()) shows += m.msg == KCM_SHOWPOPUPAGAIN;
  EXPECT_EQ(shows, 1);
  EXPECT_EQ(f.log, "init popup ");
  EXPECT_TRUE(f.edit->DroppedDown());
  EXPECT_TRUE(IsWindowVisible(f.edit->PopupWindow()->Handle()));
  // The focus stays in the editor: typing still reaches its text.
  f.session.Type("ab");
  EXPECT_EQ(f.edit->Text(), "ab");
}

// The Esc that closed the popup neither resets the typed text nor reaches the editor as a
// character; a second Esc resets as usual.
TEST(KcDropDownEdit, EscapeClosingIsSwallowed) {
  DropDownFixture f;
  f.edit->Properties()->ImmediateDropDown = false;
  f.session.Type("xy");
  f.Open();
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "xy");
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(f.edit->Text(), "");
}

TEST(KcDropDownEdit, TypingOpensWithImmediateDropDown) {
  DropDownFixture f;
  f.session.Type("q");
  EXPECT_TRUE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->Text(), "q");
}

// A click on the drop-down button opens; a second click on it closes and does not reopen.
TEST(KcDropDownEdit, ButtonTogglesThePopup) {
  DropDownFixture f;
  const TRect b = f.edit->EditViewInfo()->ButtonsInfo.at(0)->Bounds;
  const POINT at = TFormsSession::At(f.edit, (b.left + b.right) / 2, (b.top + b.bottom) / 2);
  f.session.Click(at);
  EXPECT_TRUE(f.edit->DroppedDown());
  f.session.MoveTo(TPoint{at.x + 1, at.y});
  f.session.Click(at);
  EXPECT_FALSE(f.edit->DroppedDown());
  f.session.MoveTo(TPoint{at.x + 2, at.y});
  f.session.Click(at);
  EXPECT_TRUE(f.edit->DroppedDown());
}

// Placement on the work area: below the editor with the grip at the bottom right, at the
// right edge of the work area the grip moves to the bottom left, near the bottom the popup goes
// above (with a shadow, 3 pixels lower than plain) and the grip to the top.
TEST(KcDropDownEdit, PlacementAndGripOnTheWorkArea) {
  struct Case {
    TRect editBounds;
    bool shadow;
    TkcSizeGripCorner corner;
    int top;  // the popup's top, relative to the editor
  } cases[] = {
      {TRect{10, 10, 130, 31}, false, sgcBottomRight, 21},
      {TRect{270, 10, 390, 31}, false, sgcBottomLeft, 21},
      {TRect{10, 250, 130, 271}, false, sgcTopRight, -0},
      {TRect{10, 250, 130, 271}, true, sgcTopRight, -0},
  };
  for (const Case& c : cases) {
    TSystemSettings settings = SystemSettings();
    DropDownFixture f(c.editBounds);
    settings.monitors = {{RECT{0, 0, 1024, 768}, RECT{0, 0, 400, 300}}};
    SetSystemSettings(settings);
    auto* p = f.edit->Properties();
    p->SetPopupSizeable(true);
    p->SetPopupSysPanelStyle(true);
    p->PopupHorzAlignment = 2;
    if (c.shadow) f.edit->Style()->SetShadow(true);
    f.Open();
    TkcCustomEditPopupWindow* w = f.edit->PopupWindow();
    EXPECT_EQ(w->PopupViewInfo()->Layout.SizeGripCorner, c.corner);
    const TRect owner = f.edit->BoundsRect();
    if (c.top > 0)
      EXPECT_EQ(w->Top(), owner.top + c.top);
    else
      EXPECT_EQ(w->Top() + w->Height(), owner.top + (c.shadow ? kcEditPopupShadowSize : 0));
    EXPECT_GE(w->Left(), 0);
    EXPECT_LE(w->Left() + w->Width(), 400);
  }
}

// The user's size: dragging the grip resizes (never below the minimum) and a stand-alone
// editor writes the size into its properties for the next opening.
TEST(KcDropDownEdit, ResizingByTheGripIsRemembered) {
  DropDownFixture f;
  auto* p = f.edit->Properties();
  p->SetPopupSizeable(true);
  p->SetPopupSysPanelStyle(true);
  p->SetPopupMinWidth(80);
  p->PopupAutoSize = false;
  p->SetPopupWidth(102);
  p->SetPopupHeight(81);
  f.Open();
  TkcCustomEditPopupWindow* w = f.edit->PopupWindow();
  const TRect grip = w->PopupViewInfo()->Layout.SizeGripSizingRect;
  const int width = w->Width(), height = w->Height();
  f.session.MoveTo(TFormsSession::At(w, grip.left + 2, grip.top + 2));
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(w, grip.left + 32, grip.top + 22));
  EXPECT_EQ(w->Width(), width + 30);
  EXPECT_EQ(w->Height(), height + 20);
  f.session.MoveTo(TFormsSession::At(w, grip.left - 300, grip.top + 22));
  EXPECT_EQ(w->Width(), 80);
  f.session.Release();
  f.session.Key(VK_F4);
  EXPECT_EQ(p->PopupWidth(), 80);
  EXPECT_EQ(p->PopupHeight(), height + 20);
  f.Open();
  EXPECT_EQ(w->Width(), 80);
  EXPECT_EQ(w->Height(), height + 20);
}

// In place, the size the user gave the popup is kept in the edit data for the next
// activation; the properties stay as they were.
TEST(KcDropDownEdit, InplaceResizingIsKeptInTheEditData) {
  DropDownFixture f(TRect{10, 10, 130, 31}, true);
  auto* p = f.edit->Properties();
  p->SetPopupSizeable(true);
  p->SetPopupSysPanelStyle(true);
  p->PopupAutoSize = false;
  p->SetPopupWidth(120);
  p->SetPopupHeight(90);
  TkcCustomEditData* data = nullptr;
  f.edit->Activate(data);
  std::unique_ptr<TkcCustomEditData> owned(data);
  f.Open();
  TkcCustomEditPopupWindow* w = f.edit->PopupWindow();
  EXPECT_EQ(w->Width(), 120);
  const TRect grip = w->PopupViewInfo()->Layout.SizeGripSizingRect;
  f.session.MoveTo(TFormsSession::At(w, grip.left + 2, grip.top + 2));
  f.session.Press();
  f.session.MoveTo(TFormsSession::At(w, grip.left + 12, grip.top + 12));
  f.session.Release();
  f.session.Key(VK_F4);
  auto* kept = dynamic_cast<TkcCustomDropDownEditData*>(data);
  ASSERT_NE(kept, nullptr);
  EXPECT_TRUE(kept->PopupSizeChanged);
  EXPECT_EQ(kept->PopupWidth, 130);
  EXPECT_EQ(kept->PopupHeight, 100);
  EXPECT_EQ(p->PopupWidth(), 120);
  f.edit->Activate(data);
  f.Open();
  EXPECT_EQ(w->Width(), 130);
  EXPECT_EQ(w->Height(), 100);
}

TEST(KcDropDownEdit, PropertiesDefaultsAndAlignment) {
  TkcCustomDropDownEditProperties p(nullptr);
  ASSERT_EQ(p.Buttons()->Count(), 1);
  EXPECT_EQ(p.Buttons()->Items(0)->Kind(), bkDown);
  EXPECT_TRUE(p.ImmediateDropDown);
  EXPECT_FALSE(p.ImmediatePopup);
  for (TAlignment a : {taLeftJustify, taCenter, taRightJustify}) {
    p.SetPopupAlignment(a);
    EXPECT_EQ(p.PopupAlignment(), a);
  }
  p.SetPopupMinWidth(50);
  p.SetPopupWidth(20);
  EXPECT_EQ(p.PopupWidth(), 50);
  p.SetPopupWidth(0);
  EXPECT_EQ(p.PopupWidth(), 0);
  p.SetPopupMinHeight(-5);
  EXPECT_EQ(p.PopupMinHeight(), 0);
}

// An exception in OnInitPopup leaves the editor closed and uninitialized.
TEST(KcDropDownEdit, FailingInitLeavesItClosed) {
  DropDownFixture f;
  f.edit->Properties()->OnInitPopup = [](TObject*) { throw Exception("no"); };
  EXPECT_THROW(f.edit->DropDown(), Exception);
  EXPECT_FALSE(f.edit->IsPopupInitialized());
  EXPECT_FALSE(f.edit->IsShowMessageQueued());
}
