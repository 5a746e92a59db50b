#include <gtest/gtest.h>

#include "editors/kcMaskEditControl.h"
#include "platform/forms/Clipbrd.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {
struct MaskEditFixture {
  TFormsSession session;
  TPlainForm form;
  TkcMaskEdit* edit;
  explicit MaskEditFixture(const String& AMask, TkcEditMaskKind AKind = emkStandard) {
    edit = new TkcMaskEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 120, 21);
    edit->Properties()->SetMaskKind(AKind);
    edit->Properties()->SetEditMask(AMask);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
};
}  // namespace

TEST(KcMaskEdit, KeystrokesThroughTheClassicMask) {
  struct Case {
    const char* keys;
    const char* text;
  } cases[] = {
      {"12", "12_-__"},
      {"12345", "123-45"},
      {"1a2", "12_-__"},  // a letter is refused where a digit is wanted
      {"123456", "123-45"},
  };
  for (const Case& c : cases) {
    MaskEditFixture f("000-00;1;_");
    EXPECT_EQ(f.edit->Text(), "___-__");
    f.session.Type(c.keys);
    EXPECT_EQ(f.edit->Text(), c.text) << c.keys;
  }
}

TEST(KcMaskEdit, BackspaceAndPasteGoThroughTheMask) {
  MaskEditFixture f("000-00;1;_");
  f.session.Type("1234");
  f.session.Key(VK_BACK, "\b");
  EXPECT_EQ(f.edit->Text(), "123-__");
  Clipboard()->SetAsText("9x8");
  SendMessage(f.edit->Handle(), WM_PASTE, 0, 0);
  EXPECT_EQ(f.edit->Text(), "123-98");
}
