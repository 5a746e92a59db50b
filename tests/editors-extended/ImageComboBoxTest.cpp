#include <cstdlib>

#include <gtest/gtest.h>

#include "editors-extended/kcImageComboBox.h"
#include "editors/PicturePpm.h"
#include "platform/core/Utf8.h"
#include "platform/gdi/GuiApplication.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct ImageComboFixture {
  TFormsSession session;
  TPlainForm form{400, 300};
  TImageList* images;
  TkcImageComboBox* combo;
  TEdit* other;
  ImageComboFixture() {
    images = new TImageList(&form);
    TBitmap strip;
    strip.SetSize(48, 16);
    images->Add(&strip, nullptr);
    combo = new TkcImageComboBox(&form);
    combo->SetParent(&form);
    combo->SetBounds(10, 10, 140, 21);
    combo->Properties()->SetImages(images);
    Add(10, "Ten");
    Add(20, "Twenty");
    Add(30, "Thirty");
    other = new TEdit(&form);
    other->SetParent(&form);
    other->SetBounds(10, 250, 100, 21);
    form.Show();
    combo->SetFocus();
    session.ProcessMessages();
  }
  TkcImageComboBoxItem* Add(const Variant& AValue, const String& ADescription) {
    TkcImageComboBoxItem* item = combo->Properties()->Items()->Add();
    item->SetValue(AValue);
    item->SetDescription(ADescription);
    return item;
  }
  void Leave() {
    other->SetFocus();
    session.ProcessMessages();
  }
  POINT ItemCenter(int AIndex) {
    TkcComboBoxListBox* list = combo->List();
    const TRect r = list->ItemRect(AIndex);
    return TFormsSession::At(list, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  }
};

}  // namespace

// A click on an item shows its description and makes its value (not the text) the edit value.
TEST(KcImageComboBox, ClickTakesTheItemValue) {
  ImageComboFixture f;
  f.session.Key(VK_F4);
  ASSERT_TRUE(f.combo->DroppedDown());
  // Rows are high enough for the images and wide enough for image and text.
  EXPECT_GE(f.combo->List()->GetItemHeight(0), 16);
  f.session.MoveTo(f.ItemCenter(0));
  f.session.Click(f.ItemCenter(1));
  EXPECT_FALSE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->Text(), "Twenty");
  f.Leave();
  EXPECT_EQ(VarType(f.combo->EditValue()), varInteger);
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 20);
}

// A value set from outside selects its item; the arrows in the open list and Enter pick
// another, Escape keeps the value.
TEST(KcImageComboBox, KeysPickAnItem) {
  ImageComboFixture f;
  f.combo->SetEditValue(Variant(30));
  f.session.ProcessMessages();
  EXPECT_EQ(f.combo->Text(), "Thirty");
  f.session.Key(VK_F4);
  ASSERT_TRUE(f.combo->DroppedDown());
  EXPECT_EQ(f.combo->List()->ItemIndex(), 2);
  f.session.Key(VK_UP);
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(f.combo->Text(), "Thirty");
  f.session.Key(VK_F4);
  EXPECT_EQ(f.combo->List()->ItemIndex(), 2);
  f.session.Key(VK_UP);
  f.session.Key(VK_UP);
  f.session.Key(VK_RETURN, "\r");
  EXPECT_EQ(f.combo->Text(), "Ten");
  f.Leave();
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 10);
  // Closed, the arrows step through the items; Escape brings the value's item back.
  f.combo->SetFocus();
  f.session.ProcessMessages();
  f.session.Key(VK_DOWN);
  EXPECT_EQ(f.combo->Text(), "Twenty");
  f.session.Key(VK_ESCAPE, "\x1b");
  EXPECT_EQ(f.combo->Text(), "Ten");
  f.Leave();
  EXPECT_EQ(f.combo->EditValue().AsInteger(), 10);
  // A value no item holds shows the default description.
  f.combo->Properties()->SetDefaultDescription("(none)");
  f.combo->SetEditValue(Variant(99));
  f.session.ProcessMessages();
  EXPECT_EQ(f.combo->Text(), "(none)");
}

// Lookups by value and description, and what each item shows.
TEST(KcImageComboBox, ItemLookupsAndDisplayInfo) {
  ImageComboFixture f;
  TkcCustomImageComboBoxProperties* p = f.combo->Properties();
  // The images cover the first three items, so each shows the image of its own index.
  EXPECT_EQ(p->Items()->Items(2)->ImageIndex(), 2);
  // Equal values: the lower index wins; Null finds an item holding Null.
  TkcImageComboBoxItem* dup = f.Add(20, "Again");
  TkcImageComboBoxItem* none = f.Add(Null(), "Nothing");
  EXPECT_EQ(dup->ImageIndex(), -1);
  EXPECT_EQ(p->ItemForValue(Variant(20)), p->Items()->Items(1));
  EXPECT_EQ(p->ItemForValue(Null()), none);
  EXPECT_EQ(p->ItemForDescription("tWENTY"), p->Items()->Items(1));
  EXPECT_EQ(p->ItemForDescription("Forty"), nullptr);
  EXPECT_TRUE(p->IsLookupItem("thirty"));
  String text;
  int image = 0;
  p->GetValueDisplayInfo(Variant(30), text, image);
  EXPECT_EQ(text, "Thirty");
  EXPECT_EQ(image, 2);
  p->SetDefaultImageIndex(1);
  p->GetValueDisplayInfo(Variant(77), text, image);
  EXPECT_EQ(text, "");
  EXPECT_EQ(image, 1);
  // Without descriptions only the images tell values apart.
  EXPECT_FALSE(p->CompareDisplayValues(Variant(10), Variant(20)));
  p->SetShowDescriptions(false);
  EXPECT_EQ(p->ItemForDescription("Ten"), nullptr);
  EXPECT_FALSE(p->CompareDisplayValues(Variant(20), Variant(10)));
  EXPECT_TRUE(p->CompareDisplayValues(Variant(30), Variant(30)));
  EXPECT_EQ(WideToUtf8(p->GetDisplayText(Variant(30))), "Thirty");
}

// An image list destroyed before the editor is forgotten, so nothing draws from a freed list.
TEST(KcImageComboBox, FreedImagesAreForgotten) {
  ImageComboFixture f;
  f.combo->Properties()->SetLargeImages(f.images);
  delete f.images;
  EXPECT_EQ(f.combo->Properties()->Images(), nullptr);
  EXPECT_EQ(f.combo->Properties()->LargeImages(), nullptr);
  f.session.Key(VK_F4);
  ASSERT_TRUE(f.combo->DroppedDown());
  f.session.ProcessMessages();
  f.session.Key(VK_DOWN);
  f.session.Key(VK_RETURN, "\r");
  EXPECT_EQ(f.combo->Text(), "Ten");
}

// With VT_SCREENSHOT_DIR set, a picture of the open list with coloured images, for looking at
// what it draws.
TEST(KcImageComboBox, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  EnsureGuiApplication();
  TTestSession session;
  TPlainForm form(260, 120);
  auto* images = new TImageList(&form);
  TBitmap strip;
  strip.SetSize(48, 16);
  const TColor colours[] = {clRed, clGreen, clBlue};
  for (int i = 0; i < 3; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(TRect{i * 16 + 2, 2, i * 16 + 14, 14});
  }
  images->Add(&strip, nullptr);
  auto* combo = new TkcImageComboBox(&form);
  combo->SetParent(&form);
  combo->SetBounds(10, 10, 150, 21);
  combo->Properties()->SetImages(images);
  for (const char* text : {"Natural", "Index", "Sort"}) combo->Properties()->Items()->Add()->SetDescription(text);
  form.Show();
  combo->SetFocus();
  session.ProcessMessages();
  session.Key(VK_F4);
  session.Key(VK_DOWN);
  SavePicturePpm(session.Snapshot(combo->PopupWindow()->Handle()), String(dir) + "/image-combo-popup.ppm");
}
