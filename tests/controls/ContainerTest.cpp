// Popup placement, container styles and their defaults, container view-info geometry, and the
// closing rules of custom popups driven by real input in the headless session.

#include <gtest/gtest.h>

#include "controls/kcContainer.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

struct TPlacement : TkcPopupWindow {
  TPlacement() : TkcPopupWindow(nullptr) { SetBounds(0, 0, 150, 200); }
  TPoint Place(const TRect& owner) {
    OwnerBounds = owner;  // no owner parent: screen coordinates
    TPoint p;
    CalculatePosition(p);
    return p;
  }
};

}  // namespace

TEST(KcPopupWindow, PlacementFlipsAndClampsOnTheWorkArea) {
  TFormsSession session;
  TPlacement popup;
  EXPECT_EQ(popup.Place(TRect{100, 100, 200, 120}), (TPoint{100, 120}));   // below, left edges aligned
  EXPECT_EQ(popup.Place(TRect{100, 700, 200, 720}), (TPoint{100, 500}));   // no room below: above
  EXPECT_EQ(popup.Place(TRect{950, 100, 1000, 120}), (TPoint{874, 120}));  // moved left onto the work area
  // Not larger room above: stays below and extends past the work area.
  popup.SetBounds(0, 0, 150, 700);
  EXPECT_EQ(popup.Place(TRect{100, 300, 200, 320}), (TPoint{100, 320}));
  // Beside the owner, on the right; flipped left when the right has no room.
  popup.SetBounds(0, 0, 150, 200);
  popup.PopupDirection = 0;
  popup.HorzAlignment = 2;
  popup.VertAlignment = 0;
  EXPECT_EQ(popup.Place(TRect{100, 100, 200, 120}), (TPoint{200, 100}));
  EXPECT_EQ(popup.Place(TRect{900, 100, 950, 120}), (TPoint{750, 100}));
  // Centred across the owner, clamped on the left.
  popup.PopupDirection = 1;
  popup.HorzAlignment = 1;
  popup.VertAlignment = 2;
  EXPECT_EQ(popup.Place(TRect{0, 100, 20, 120}), (TPoint{0, 120}));
}

TEST(KcPopupWindow, FrameEdgesAndSizeToContentOnce) {
  TFormsSession session;
  TkcPopupWindow popup(nullptr);
  popup.SetPopupBorderStyle(3);
  popup.FrameSpacing = 2;
  EXPECT_EQ(popup.GetEdgeWidth(0), 4);
  EXPECT_EQ(popup.GetHorizontalEdgesWidth(), 8);
  auto* child = new TPanel(&popup);
  child->SetParent(&popup);
  child->SetBounds(0, 0, 100, 50);
  popup.CalculateSize();
  EXPECT_EQ(popup.Width(), 108);
  EXPECT_EQ(popup.Height(), 58);
  EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 104, 54}));
  popup.CalculateSize();  // a second show neither moves the child nor grows the form
  EXPECT_EQ(child->BoundsRect(), (TRect{4, 4, 104, 54}));
  EXPECT_EQ(popup.Width(), 108);
  popup.SetPopupBorderStyle(1);
  EXPECT_EQ(child->BoundsRect(), (TRect{0, 0, 100, 50}));
  popup.CalculateSize();  // one pixel of frame and two of spacing
  EXPECT_EQ(child->BoundsRect(), (TRect{3, 3, 103, 53}));
}

TEST(KcContainerStyle, DefaultsPerStateAndCommonValues) {
  const int widths[] = {0, 1, 2, 2, 2, 1, 1};
  for (int s = cbsNone; s <= cbsOffice11; ++s)
    EXPECT_EQ(GetContainerBorderWidth(TkcContainerBorderStyle(s)), widths[s]);
  TkcContainerStyles styles(nullptr, TkcContainerStyle::StaticClass());
  TkcContainerStyle* normal = styles.Normal();
  TkcContainerStyle* focused = styles.GetStyleForState(cssFocused);
  TkcContainerStyle* hot = styles.GetStyleForState(cssHot);
  const TkcContainerBorderStyle byKind[] = {cbsFlat, cbs3D, cbsUltraFlat, cbsOffice11};
  for (int k = lfFlat; k <= lfOffice11; ++k) {
    normal->LookAndFeel()->SetKind(TkcLookAndFeelKind(k));
    EXPECT_EQ(normal->BorderStyle(), byKind[k]);
  }
  normal->SetBorderStyle(cbsSingle);
  EXPECT_EQ(focused->BorderStyle(), cbsThick);  // hot tracking turns single into thick
  normal->SetHotTrack(false);
  EXPECT_EQ(focused->BorderStyle(), cbsSingle);
  hot->SetEdges(TkcBorders{bLeft});  // a common value lives in the normal style
  EXPECT_EQ(normal->Edges(), TkcBorders{bLeft});
  EXPECT_TRUE(normal->AssignedValues().Contains(csvEdges));
  EXPECT_EQ(normal->GetCommonStyleValues(),
            (TkcContainerStyleValues{csvEdges, csvFont, csvHotTrack, csvShadow, csvTransparentBorder}));
  EXPECT_EQ(styles.GetStyleForState(cssDisabled)->BorderColor(), clBtnShadow);
  EXPECT_EQ(normal->BorderColor(), clWindowFrame);
  EXPECT_EQ(normal->Color(), clBtnFace);  // no container: parent colour
  String name;
  EXPECT_TRUE(normal->GetStyleValueName(9, name));
  EXPECT_EQ(name, "TransparentBorder");
  EXPECT_FALSE(normal->GetStyleValueName(10, name));
  EXPECT_FALSE(focused->IsStatePropertyStored("Edges"));
  EXPECT_TRUE(focused->IsStatePropertyStored("Color"));
  EXPECT_FALSE(focused->IsStatePropertyStored("StyleController"));
}

TEST(KcContainerStyle, ChangeEventsAndControllers) {
  TkcContainerStyles styles(nullptr, TkcContainerStyle::StaticClass());
  TkcContainerStyle* normal = styles.Normal();
  int changes = 0;
  normal->OnChanged = [&](TObject*) { ++changes; };
  normal->SetColor(normal->Color());  // equal but not yet assigned: it becomes assigned
  EXPECT_EQ(changes, 1);
  normal->SetColor(clRed);
  normal->SetColor(clRed);  // assigned and equal: nothing
  EXPECT_EQ(changes, 2);
  normal->BeginUpdate();
  normal->SetColor(clBlue);
  normal->SetBorderStyle(cbsThick);
  normal->SetShadow(true);
  normal->EndUpdate();
  EXPECT_EQ(changes, 3);

  TkcStyleController controller(nullptr), other(nullptr);
  controller.GetNormalStyle()->SetBorderColor(clGreen);
  normal->SetStyleController(&controller);
  EXPECT_EQ(normal->StyleController(), &controller);
  EXPECT_EQ(normal->BorderColor(), clGreen);  // from the controller's same-state style
  EXPECT_TRUE(normal->IsValueAssigned(csvBorderColor));
  // A controller whose chain reaches the style is refused.
  controller.GetNormalStyle()->SetStyleController(&other);
  TkcContainerStyle* otherStyle = other.GetNormalStyle();
  otherStyle->SetStyleController(&controller);
  EXPECT_EQ(otherStyle->StyleController(), nullptr);
  // The default controller reads nil.
  TkcStyleController defaults(nullptr);
  SetDefaultStyleControllerInstance(&defaults);
  normal->SetStyleController(nullptr);
  EXPECT_EQ(normal->StyleController(), nullptr);
  EXPECT_EQ(normal->GetEffectiveStyleController(), &defaults);
  SetDefaultStyleControllerInstance(nullptr);
  normal->SetStyleController(&controller);
}

TEST(KcContainerStyle, ControllerFontScalesOnce) {
  TkcStyleController controller(nullptr);
  controller.GetNormalStyle()->Font()->SetSize(10);
  ASSERT_TRUE(controller.GetNormalStyle()->AssignedValues().Contains(csvFont));
  controller.ChangeFontScale(3, 2);
  controller.ChangeFontScale(3, 2);
  EXPECT_EQ(controller.GetNormalStyle()->Font()->Size(), 15);
}

TEST(KcContainerStyle, FreedControllerIsForgotten) {
  TkcContainerStyles styles(nullptr, TkcContainerStyle::StaticClass());
  auto* controller = new TkcStyleController(nullptr);
  controller->GetNormalStyle()->SetColor(clYellow);
  styles.Normal()->SetStyleController(controller);
  EXPECT_EQ(styles.Normal()->Color(), clYellow);
  delete controller;
  EXPECT_EQ(styles.Normal()->StyleController(), nullptr);
  EXPECT_EQ(styles.Normal()->Color(), clBtnFace);
}

namespace {
struct ContainerFixture {
  TFormsSession session;
  TPlainForm form;
  TkcContainer* container;
  ContainerFixture() {
    container = new TkcContainer(&form);
    container->SetParent(&form);
    container->SetBounds(20, 20, 100, 30);
    auto* other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(200, 20, 50, 20);
    form.Show();
    other->SetFocus();
    session.ProcessMessages();
  }
};
}  // namespace

TEST(KcContainer, ViewInfoGeometryAndBorders) {
  ContainerFixture f;
  TkcContainer* c = f.container;
  EXPECT_FALSE(c->ParentColor());
  EXPECT_EQ(c->Color(), clWindow);
  EXPECT_FALSE(c->Style()->AssignedValues().Contains(csvColor));
  EXPECT_EQ(c->HScrollBar(), nullptr);  // a container has no bars of its own
  EXPECT_EQ(GetSettingsController()->Count(), 0);
  auto* inner = new TEdit(c);
  inner->SetParent(c);
  c->SetInnerControl(inner);
  c->SetCursor(crHandPoint);
  EXPECT_EQ(inner->Cursor(), crHandPoint);
  c->UpdateStateFromCursor(false);
  EXPECT_EQ(inner->BoundsRect(), (TRect{2, 2, 98, 28}));  // placed on the client rectangle
  c->SetInnerControl(nullptr);
  delete inner;
  c->UpdateStateFromCursor(false);
  TkcContainerViewInfo* v = c->ViewInfo();
  EXPECT_EQ(v->BorderStyle, cbsSingle);  // ultra-flat draws a single border
  EXPECT_EQ(v->BorderColor, clBtnShadow);
  EXPECT_EQ(v->ClientRect, (TRect{2, 2, 98, 28}));  // the transparent border
  c->SetFocus();
  f.session.ProcessMessages();
  EXPECT_TRUE(v->ContainerState.Contains(csActive));
  EXPECT_EQ(v->BorderColor, clHighlight);
  c->Style()->SetShadow(true);
  EXPECT_EQ(v->ClientRect, (TRect{2, 2, 95, 25}));
  TRect visible;
  c->GetVisibleBounds(visible);
  EXPECT_EQ(visible, (TRect{1, 1, 96, 26}));
  HRGN region = CreateRectRgn(0, 0, 0, 0);
  ASSERT_NE(GetWindowRgn(c->Handle(), region), ERROR);
  EXPECT_TRUE(PtInRegion(region, 97, 27));  // the shadow
  EXPECT_FALSE(PtInRegion(region, 97, 1));  // its top-right corner is not part of it
  DeleteObject(region);
  std::unique_ptr<TkcRegion> r(CreateContainerWindowRegion(TRect{0, 0, 100, 20}, false, true, TRect{}));
  EXPECT_EQ(r->BoundsRect(), (TRect{0, 0, 103, 23}));
  EXPECT_TRUE(r->ContainsPoint(102, 22));
  EXPECT_FALSE(r->ContainsPoint(101, 1));
  EXPECT_EQ(CreateContainerWindowRegion(TRect{0, 0, 100, 20}, true, true, TRect{}), nullptr);
  // A parent colour flows into a container that follows it, and a colour set on the container
  // becomes the normal style's.
  c->SetColor(clYellow);
  EXPECT_EQ(c->Style()->Color(), clYellow);
  EXPECT_TRUE(c->Style()->AssignedValues().Contains(csvColor));
  EXPECT_TRUE(c->IsStyleValueStored("Color", true, c->StyleFocused()));
  EXPECT_FALSE(c->IsStyleValueStored("Edges", true, c->StyleFocused()));
  // Shift held: no hot state.
  c->UpdateContainerState(TPoint{10, 10}, 0, TShiftState{ssShift}, true);
  EXPECT_FALSE(v->ContainerState.Contains(csHotTrack));
}

namespace {
struct PopupFixture : ContainerFixture {
  TkcCustomPopupWindow* popup;
  std::vector<std::string> events;
  PopupFixture() {
    popup = new TkcCustomPopupWindow(container);
    popup->SetOwnerParent(container);
    popup->OwnerBounds = TRect{0, 0, 100, 30};
    popup->SetBounds(0, 0, 80, 60);
    popup->SetTakesFocus(false);
    popup->OnPopupClosing = [this](TObject*) { events.push_back("closing"); };
    popup->OnPopupClosed = [this](TObject*) { events.push_back("closed"); };
  }
  ~PopupFixture() { delete popup; }
};
}  // namespace

TEST(KcCustomPopup, ShowOnceAndCloseByClickOutside) {
  PopupFixture f;
  f.popup->ShowPopup(nullptr);
  f.popup->ShowPopup(nullptr);
  EXPECT_EQ(ShownPopups().size(), 1u);
  EXPECT_EQ(f.popup->BoundsRect(), (TRect{20, 50, 100, 110}));  // below the container
  f.session.Click(TPoint{300, 200});                            // elsewhere on the owner's form
  EXPECT_TRUE(ShownPopups().empty());
  EXPECT_EQ(f.events, (std::vector<std::string>{"closing", "closed"}));
  // An invisible owner: nothing shows.
  f.container->Hide();
  f.popup->ShowPopup(nullptr);
  EXPECT_TRUE(ShownPopups().empty());
}

TEST(KcCustomPopup, ClosingMessagesAppSwitchAndOwnerHidden) {
  PopupFixture f;
  f.popup->ShowPopup(nullptr);
  int focusMessages = 0;
  f.container->OnFocusChanged = [&](TObject*) { ++focusMessages; };
  PostPopupCloseMessage(f.popup);
  f.session.ProcessMessages();
  EXPECT_TRUE(ShownPopups().empty());
  f.popup->ShowPopup(nullptr);
  SendMessage(f.form.Handle(), WM_ACTIVATEAPP, FALSE, 0);
  EXPECT_TRUE(ShownPopups().empty());
  f.popup->ShowPopup(nullptr);
  f.container->Hide();
  EXPECT_TRUE(ShownPopups().empty());
}

TEST(KcCustomPopup, SystemKeysUnderANonModalPopup) {
  PopupFixture f;
  f.popup->ShowPopup(nullptr);
  EXPECT_TRUE(f.popup->AcceptsSysKey(VK_DOWN));
  EXPECT_TRUE(f.popup->AcceptsSysKey(VK_F4));
  EXPECT_FALSE(f.popup->AcceptsSysKey('A'));
  PostMessage(f.form.Handle(), WM_SYSKEYDOWN, 'A', 0);
  PostMessage(f.form.Handle(), WM_SYSKEYDOWN, VK_DOWN, 0);
  MSG first, second;
  ASSERT_TRUE(PeekMessage(&first, f.form.Handle(), 0, 0, PM_REMOVE));
  ASSERT_TRUE(PeekMessage(&second, f.form.Handle(), 0, 0, PM_REMOVE));
  EXPECT_EQ(first.message, WM_NULL);
  EXPECT_EQ(second.message, WM_SYSKEYDOWN);
  f.popup->ClosePopup();
}

TEST(KcCustomPopup, ModalLoopRemovesSystemKeysAndEndsWithTheResult) {
  PopupFixture f;
  f.popup->SetTakesFocus(true);
  bool sawMenuKey = false;
  f.popup->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    if (key == VK_MENU) sawMenuKey = true;
  };
  f.session.Script([&] {
    PostMessage(f.popup->Handle(), WM_SYSKEYDOWN, VK_MENU, 0);
    PostMessage(f.popup->Handle(), WM_SYSKEYDOWN, VK_RETURN, 0);
  });
  f.session.Script([&] {
    MSG msg;
    EXPECT_FALSE(PeekMessage(&msg, HWND(), WM_SYSKEYDOWN, WM_SYSKEYDOWN, PM_NOREMOVE));
    f.popup->SetModalResult(mrOk);
    PostMessage(f.popup->Handle(), WM_NULL);
  });
  f.popup->ShowPopup(nullptr);
  EXPECT_FALSE(sawMenuKey);
  EXPECT_TRUE(ShownPopups().empty());
  EXPECT_EQ(f.events, (std::vector<std::string>{"closing", "closed"}));
}

TEST(KcCustomPopup, SystemCloseOfAFocusPopupClosesTheOwnerWindowToo) {
  PopupFixture f;
  f.popup->SetTakesFocus(true);
  f.popup->ModalLoop = false;
  f.popup->ShowPopup(nullptr);
  ASSERT_EQ(ShownPopups().size(), 1u);
  SendMessage(f.popup->Handle(), WM_CLOSE);
  f.session.ProcessMessages();
  EXPECT_TRUE(ShownPopups().empty());
  EXPECT_FALSE(f.form.Visible());  // the owner's top-level window got the close as well
}
