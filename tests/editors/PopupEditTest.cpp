#include <gtest/gtest.h>

#include "editors/kcEditRepository.h"
#include "editors/kcPopupEdit.h"
#include "platform/forms/ExtCtrls.h"
#include "tests/platform/forms/FormsTestUtil.h"
#include "tests/support/ExceptionText.h"

namespace {

struct PopupEditFixture {
  TFormsSession session;
  TPlainForm form{600, 500};
  TPanel* holder;
  TkcPopupEdit* edit;
  explicit PopupEditFixture() {
    holder = new TPanel(&form);
    holder->SetParent(&form);
    holder->SetBounds(0, 0, 200, 60);
    edit = new TkcPopupEdit(&form);
    edit->SetParent(holder);
    edit->SetBounds(10, 10, 120, 21);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  // Opens the popup; while its modal loop runs, AInside looks at it, then it is closed.
  void WhileOpen(const std::function<void()>& AInside) {
    session.Script([this, AInside] {
      AInside();
      edit->ClosePopupWithReason(crCancel);
    });
    session.Key(VK_F4);
  }
};

}  // namespace

// The hosted control fills the popup, whose size is the control's plus the popup's frame (at
// least the minimum size), and goes back to its own place, align and visibility afterwards.
TEST(KcPopupEdit, HostsThePopupControlAndPutsItBack) {
  struct Case {
    int width, height;
    bool visible;
    TAlign align;
  } cases[] = {{300, 150, false, alNone}, {40, 30, true, alNone}, {300, 150, true, alCustom}};
  for (const Case& c : cases) {
    PopupEditFixture f;
    auto* panel = new TPanel(&f.form);
    panel->SetParent(&f.form);
    panel->SetAlign(c.align);
    panel->SetBounds(250, 200, c.width, c.height);
    panel->SetVisible(c.visible);
    const TRect home = panel->BoundsRect();
    f.edit->Properties()->SetPopupControl(panel);
    bool seen = false;
    TkcEditCloseUpReason reason = crUnknown;
    f.edit->Properties()->OnCloseUp = [&](TObject*) { reason = f.edit->CloseUpReason(); };
    f.WhileOpen([&] {
      seen = true;
      TkcCustomEditPopupWindow* w = f.edit->PopupWindow();
      EXPECT_TRUE(f.edit->DroppedDown());
      EXPECT_EQ(panel->Parent(), w);
      EXPECT_TRUE(panel->Visible());
      EXPECT_EQ(panel->Align(), alClient);
      const TRect e = w->PopupViewInfo()->Layout.ClientExtent;
      EXPECT_EQ(w->Width(), std::max(100, c.width + e.left + e.right)) << c.width;
      EXPECT_EQ(w->Height(), std::max(100, c.height + e.top + e.bottom)) << c.width;
      const TRect client = w->PopupViewInfo()->ClientRect;
      EXPECT_EQ(panel->BoundsRect(), client);
    });
    EXPECT_TRUE(seen);
    EXPECT_FALSE(f.edit->DroppedDown());
    EXPECT_EQ(reason, crCancel);
    EXPECT_EQ(panel->Parent(), &f.form);
    EXPECT_EQ(panel->Visible(), c.visible);
    EXPECT_EQ(panel->Align(), c.align);
    EXPECT_EQ(panel->BoundsRect(), home);
  }
}

// A popup control that contains the editor, or is its popup, is refused before anything of
// the opening runs; the control stays where it is.
TEST(KcPopupEdit, CircularPopupControlIsRefused) {
  PopupEditFixture f;
  for (TControl* control : std::initializer_list<TControl*>{&f.form, f.holder, f.edit, f.edit->PopupWindow()}) {
    f.edit->Properties()->SetPopupControl(control);
    TWinControl* parent = control->Parent();
    bool initialized = false;
    f.edit->Properties()->OnInitPopup = [&](TObject*) { initialized = true; };
    try {
      f.edit->DropDown();
      ADD_FAILURE() << "no error for " << control->ClassName();
    } catch (const EkcEditError& e) {
      EXPECT_EQ(e.Message(), "Circular referencing is not allowed");
    }
    EXPECT_FALSE(initialized);
    EXPECT_FALSE(f.edit->IsPopupInitialized());
    EXPECT_FALSE(f.edit->IsShowMessageQueued());
    EXPECT_EQ(control->Parent(), parent);
  }
}

// A freed control leaves the properties without one, and opening then does nothing.
TEST(KcPopupEdit, FreedControlIsForgotten) {
  PopupEditFixture f;
  auto* panel = new TPanel(&f.form);
  f.edit->Properties()->SetPopupControl(panel);
  delete panel;
  EXPECT_EQ(f.edit->Properties()->PopupControl(), nullptr);
  f.session.Key(VK_F4);
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_FALSE(f.edit->IsPopupInitialized());
}

TEST(KcPopupEdit, DefaultsAndRegistration) {
  TkcPopupEditProperties p(nullptr);
  EXPECT_TRUE(p.PopupSizeable());
  EXPECT_EQ(p.PopupWidth(), 250);
  EXPECT_EQ(p.PopupHeight(), 200);
  EXPECT_EQ(p.PopupMinWidth(), 100);
  EXPECT_EQ(p.PopupMinHeight(), 100);
  EXPECT_TRUE(p.ImmediatePopup);
  EXPECT_TRUE(p.PopupTakesFocus());
  EXPECT_FALSE(p.PopupShowsLookupList());
  TkcRegisteredClasses* registry = GetEditPropertiesRegistry();
  bool found = false;
  for (int i = 0; i < registry->Count(); ++i)
    found |= registry->Text(i) == "PopupEdit|Represents an edit control with a dropdown list";
  EXPECT_TRUE(found);
}

// Typing into the editor opens the popup, which takes the focus, and the typed character
// reaches the hosted control instead of the editor.
TEST(KcPopupEdit, TypedCharacterGoesToTheHostedControl) {
  PopupEditFixture f;
  auto* hosted = new TEdit(&f.form);
  hosted->SetParent(&f.form);
  hosted->SetBounds(300, 300, 120, 21);
  f.edit->Properties()->SetPopupControl(hosted);
  bool seen = false;
  f.session.Script([&] {
    seen = true;
    EXPECT_TRUE(f.edit->DroppedDown());
    EXPECT_TRUE(hosted->Focused());
    EXPECT_EQ(hosted->Text(), "k");
    f.edit->ClosePopupWithReason(crEnter);
  });
  f.session.Type("k");
  EXPECT_TRUE(seen);
  EXPECT_EQ(f.edit->Text(), "");
  EXPECT_EQ(f.edit->CloseUpReason(), crEnter);
  EXPECT_EQ(hosted->Parent(), &f.form);
}
