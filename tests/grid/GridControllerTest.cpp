// The controller base headless: the customization form's first place and its refusal without a
// window, cell hints watched while the mouse stays over the site, and dialog characters of a
// detail view offered to its master.

#include <gtest/gtest.h>

#include "grid/kcGridTableView.h"
#include "platform/forms/FormsTestUtil.h"

namespace {

class TFormView : public TkcGridTableView {
public:
  using TkcGridTableView::TkcGridTableView;
  int FormsMade = 0;
  TForm* CreateCustomizationForm() override {
    ++FormsMade;
    return new TForm(nullptr);
  }
};

struct ControllerFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TkcGrid* grid;
  TFormView* view;
  ControllerFixture() {
    grid = new TkcGrid(&form);
    view = CreateGridView<TFormView>(&form);
    view->CreateColumn()->SetCaption("A");
    grid->Levels()->Add()->SetGridView(view);
    grid->SetParent(&form);
    grid->SetBounds(10, 20, 300, 200);
    form.Show();
    session.ProcessMessages();
  }
  TkcCustomGridController* controller() { return view->Controller(); }
};

}  // namespace

TEST(GridController, CustomizationFormOpensAtTheSiteCorner) {
  {
    // A view whose site has no window yet does not open it.
    TFormsSession session;
    std::unique_ptr<TFormView> lone(CreateGridView<TFormView>(nullptr));
    lone->Controller()->SetCustomization(true);
    EXPECT_FALSE(lone->Controller()->Customization());
    EXPECT_EQ(lone->FormsMade, 0);
  }
  ControllerFixture f;
  int notices = 0;
  f.grid->OnCustomization = [&](TkcCustomGrid*, TkcCustomGridView*) { ++notices; };
  f.controller()->SetCustomization(true);
  ASSERT_TRUE(f.controller()->Customization());
  ASSERT_NE(f.controller()->CustomizationForm(), nullptr);
  POINT corner = TFormsSession::At(f.view->Site(), 300, 200);
  TForm* form = f.controller()->CustomizationForm();
  // A table view then moves it down so that it starts below the column headers.
  int top = std::max<int>(corner.y - 300, TFormsSession::At(f.view->Site(), 0, f.view->TableViewInfo()->HeaderBounds().bottom).y);
  EXPECT_GT(top, corner.y - 300);
  EXPECT_EQ(form->BoundsRect(), (TRect{corner.x - 180, top, corner.x, top + 300}));
  f.controller()->SetCustomization(true);  // no change, no second form
  EXPECT_EQ(f.view->FormsMade, 1);
  f.controller()->SetCustomization(false);
  EXPECT_EQ(f.controller()->CustomizationForm(), nullptr);
  EXPECT_EQ(notices, 2);
  // Remembered bounds win.
  f.controller()->FormBounds = TRect{5, 6, 105, 206};
  f.controller()->SetCustomization(true);
  EXPECT_EQ(f.controller()->CustomizationForm()->BoundsRect(), (TRect{5, 6, 105, 206}));
}

TEST(GridController, HintStaysWhileTheMouseIsOverTheSite) {
  ControllerFixture f;
  TkcGridSite* site = f.view->Site();
  f.session.MoveTo(TFormsSession::At(&f.form, 390, 290));  // off the grid
  f.controller()->ShowHint({0, 0, 50, 20}, {2, 2, 48, 18}, nullptr, nullptr, "a long cell text");
  EXPECT_EQ(f.controller()->HintWindow(), nullptr);  // not over the site: no hint

  f.session.MoveTo(TFormsSession::At(site, 20, 10));
  f.controller()->ShowHint({0, 0, 50, 20}, {2, 2, 48, 18}, nullptr, nullptr, "a long cell text");
  ASSERT_NE(f.controller()->HintWindow(), nullptr);
  EXPECT_TRUE(IsWindowVisible(f.controller()->HintWindow()->Handle()));
  EXPECT_TRUE(f.controller()->IsPointInHintArea({10, 10}));
  EXPECT_FALSE(f.controller()->IsPointInHintArea({60, 10}));
  f.session.Advance(250);
  f.session.ProcessMessages();
  EXPECT_TRUE(IsWindowVisible(f.controller()->HintWindow()->Handle()));  // still over the site

  f.session.MoveTo(TFormsSession::At(&f.form, 390, 290));
  f.session.Advance(150);
  f.session.ProcessMessages();
  EXPECT_FALSE(IsWindowVisible(f.controller()->HintWindow()->Handle()));
  EXPECT_TRUE(IsRectEmpty(&f.controller()->HintArea()));
}

namespace {

class TMasterController : public TkcCustomGridController {
public:
  using TkcCustomGridController::TkcCustomGridController;
  std::vector<std::pair<TkcCustomGridView*, char32_t>> Offered;
  bool ProcessDetailDialogChar(TkcCustomGridView* ADetail, char32_t AChar) override {
    Offered.emplace_back(ADetail, AChar);
    return AChar == 'm';
  }
};

class TMasterView : public TkcCustomGridView {
public:
  using TkcCustomGridView::TkcCustomGridView;

protected:
  TkcCustomGridController* CreateController() override { return new TMasterController(this); }
};

class TDetailView : public TkcCustomGridView {
public:
  using TkcCustomGridView::TkcCustomGridView;
  void SetMaster(TkcCustomGridView* AMaster) { SetMasterGridView(AMaster); }
};

}  // namespace

TEST(GridController, DialogCharsOfADetailGoToItsMaster) {
  TFormsSession session;
  std::unique_ptr<TMasterView> master(CreateGridView<TMasterView>(nullptr));
  std::unique_ptr<TDetailView> detail(CreateGridView<TDetailView>(nullptr));
  EXPECT_FALSE(detail->Controller()->ProcessDialogChar('m'));  // no master
  detail->SetMaster(master.get());
  EXPECT_TRUE(detail->Controller()->ProcessDialogChar('m'));
  EXPECT_FALSE(detail->Controller()->ProcessDialogChar('x'));
  auto* offered = &static_cast<TMasterController*>(master->Controller())->Offered;
  ASSERT_EQ(offered->size(), 2u);
  EXPECT_EQ((*offered)[0].first, detail.get());
  TMessage m{CN_SYSCHAR, 'm', 0, 5};
  detail->Controller()->WndProc(m);
  EXPECT_EQ(m.Result, 0);
}
