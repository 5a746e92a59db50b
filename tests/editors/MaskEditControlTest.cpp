#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include "editors/kcMaskEditControl.h"
#include "editors/PicturePpm.h"

#include "platform/forms/Clipbrd.h"
#include "platform/gdi/GuiApplication.h"
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

// With VT_SCREENSHOT_DIR set, a picture of a text edit and a mask edit with installed fonts
// (a PPM file), for looking at what the editors draw.
TEST(KcMaskEdit, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  EnsureGuiApplication();
  TTestSession session;
  TPlainForm form(260, 80);
  auto* text = new TkcTextEdit(&form);
  text->SetParent(&form);
  text->SetBounds(10, 10, 150, 21);
  text->SetEditValue(Variant(String("Vantorelle")));
  auto* mask = new TkcMaskEdit(&form);
  mask->SetParent(&form);
  mask->SetBounds(10, 40, 150, 21);
  mask->Properties()->SetEditMask("000-00;1;_");
  form.Show();
  mask->SetFocus();
  session.ProcessMessages();
  session.Type("123");
  SavePicturePpm(session.Snapshot(form.Handle()), String(dir) + "/editors.ppm");
}
