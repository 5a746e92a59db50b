#include <cstdlib>

#include <gtest/gtest.h>

#include "data/kcDataUtils.h"
#include "editors-extended/kcImageComboBox.h"
#include "editors/EditorCanvasFixture.h"
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

// Three 16 by 16 images filled red, green and blue.
void AddColouredImages(TCustomImageList* AImages) {
  TBitmap strip;
  strip.SetSize(48, 16);
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(TRect{i * 16, 0, i * 16 + 16, 16});
  }
  AImages->Add(&strip, nullptr);
}

COLORREF SurfaceColour(const Surface& s, int x, int y) { return ColorFromPixel(s.At(x, y)) & 0xFFFFFF; }

TPoint Centre(const TRect& r) { return TPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

// Whether any pixel of the rectangle differs from the colour.
bool HasInk(const Surface& s, const TRect& r, COLORREF background) {
  for (int y = r.top; y < r.bottom; ++y)
    for (int x = r.left; x < r.right; ++x)
      if (SurfaceColour(s, x, y) != background) return true;
  return false;
}

}  // namespace

// The closed editor paints its value's image beside the description (left, right) or alone
// and centred; the text goes where the image leaves room.
TEST(KcImageComboBox, ClosedEditorPaintsTheItemsImage) {
  struct Case {
    TkcImageAlign align;
    bool descriptions;
    int value;
    COLORREF colour;
  } cases[] = {
      {iaLeft, true, 20, 0x00FF00},
      {iaRight, true, 30, 0xFF0000},
      {iaLeft, false, 10, 0x0000FF},
  };
  for (const Case& c : cases) {
    ImageComboFixture f;
    f.images->Clear();
    AddColouredImages(f.images);
    TkcImageComboBoxProperties* p = f.combo->Properties();
    p->SetImageAlign(c.align);
    p->SetShowDescriptions(c.descriptions);
    f.combo->SetEditValue(Variant(c.value));
    f.Leave();
    auto* info = static_cast<TkcImageComboBoxViewInfo*>(f.combo->EditViewInfo());
    const Surface s = f.session.Snapshot(f.form.Handle());
    const TRect image = info->ImageRect;
    const TPoint at = f.combo->ClientToScreen(Centre(image));
    EXPECT_EQ(SurfaceColour(s, at.x, at.y), c.colour) << c.value;
    EXPECT_EQ(image.right - image.left, 16);
    EXPECT_EQ(image.bottom - image.top, 16);
    const TRect client = info->BorderRect;
    TRect text = info->TextRect;
    OffsetRect(&text, 10, 10);
    if (!c.descriptions) {
      // Centred, and no text anywhere.
      EXPECT_NEAR((image.left + image.right) / 2.0, (client.left + f.combo->EditViewInfo()->ButtonsInfo[0]->Bounds.left) / 2.0, 3);
      EXPECT_TRUE(info->Text.empty());
    } else if (c.align == iaLeft) {
      EXPECT_GE(info->TextRect.left, image.right);
      EXPECT_TRUE(HasInk(s, text, ColorToRGB(clWindow))) << "the description is painted";
    } else {
      EXPECT_LE(info->TextRect.right, image.left);
      EXPECT_TRUE(HasInk(s, text, ColorToRGB(clWindow)));
    }
  }
}

// A grid cell paints through the same view data, in place: image at the cell's left, then the
// description; a value no item holds shows the default image.
using KcImageComboBoxCell = EditorCanvasFixture;

TEST_F(KcImageComboBoxCell, PaintsTheImageInPlace) {
  TImageList images(nullptr);
  AddColouredImages(&images);
  TkcImageComboBoxProperties p(nullptr);
  p.SetImages(&images);
  for (int v : {1, 2, 3}) {
    TkcImageComboBoxItem* item = p.Items()->Add();
    item->SetValue(Variant(v));
    item->SetDescription("Item");
  }
  p.SetDefaultImageIndex(2);
  std::unique_ptr<TkcCustomEditViewData> data(p.CreateViewData(style(), true));
  auto* text = static_cast<TkcCustomTextEditViewData*>(data.get());
  for (const auto& [value, colour] : {std::pair{2, 0x00FF00u}, std::pair{99, 0xFF0000u}}) {
    std::unique_ptr<TkcCustomEditViewInfo> info(data->CreateViewInfo());
    text->FillViewInfoValue(canvas.get(), Variant(value), static_cast<TkcCustomTextEditViewInfo*>(info.get()));
    data->Calculate(canvas.get(), TRect{0, 0, 120, 20}, POINT{-1, -1}, {}, info.get(), false);
    info->Paint(canvas.get());
    auto* image = static_cast<TkcImageComboBoxViewInfo*>(info.get());
    EXPECT_EQ(image->ImageRect.left, image->ClientRect.left + 2) << image->ImageIndex << " " << images.Count();
    const TPoint c = Centre(image->ImageRect);
    EXPECT_EQ(ColorFromPixel(bitmap->Pixels()->At(c.x, c.y)) & 0xFFFFFF, colour) << value;
    EXPECT_GE(image->TextRect.left, image->ImageRect.right);
    EXPECT_EQ(image->Text, value == 2 ? "Item" : "");
    if (const char* dir = std::getenv("VT_SCREENSHOT_DIR"))
      SavePicturePpm(*bitmap->Pixels(), String(dir) + "/image-combo-cell-" + std::to_string(value) + ".ppm");
  }
  // An image as wide as the client less its gaps leaves no room for text.
  TImageList wide(nullptr);
  wide.SetWidth(200);
  p.SetImages(&wide);
  std::unique_ptr<TkcCustomEditViewInfo> info(data->CreateViewInfo());
  text->FillViewInfoValue(canvas.get(), Variant(2), static_cast<TkcCustomTextEditViewInfo*>(info.get()));
  data->Calculate(canvas.get(), TRect{0, 0, 120, 20}, POINT{-1, -1}, {}, info.get(), false);
  auto* image = static_cast<TkcImageComboBoxViewInfo*>(info.get());
  EXPECT_LE(image->TextRect.right - image->TextRect.left, 0);
  EXPECT_EQ(image->ImageRect.left, image->ClientRect.left + 2);
  p.SetImages(nullptr);
}

// A change of the images repaints the closed editor; a list destroyed first is let go of (the
// editor paints no image and later changes reach nothing freed), and properties destroyed first
// leave the list without a link to them.
TEST(KcImageComboBox, ImageListChangesRepaintAndFreedListsUnlink) {
  ImageComboFixture f;
  f.images->Clear();
  AddColouredImages(f.images);
  f.combo->SetEditValue(Variant(10));
  f.Leave();
  auto* info = static_cast<TkcImageComboBoxViewInfo*>(f.combo->EditViewInfo());
  TPoint at = f.combo->ClientToScreen(Centre(info->ImageRect));
  EXPECT_EQ(SurfaceColour(f.session.Snapshot(f.form.Handle()), at.x, at.y), 0x0000FFu);
  // Image 0 becomes yellow: the editor is told through its link and paints again.
  TBitmap yellow;
  yellow.SetSize(16, 16);
  yellow.Canvas()->Brush()->SetColor(clYellow);
  yellow.Canvas()->FillRect(TRect{0, 0, 16, 16});
  f.images->Replace(0, &yellow, nullptr);
  EXPECT_EQ(SurfaceColour(f.session.Snapshot(f.form.Handle()), at.x, at.y), 0x00FFFFu);

  delete f.images;
  f.images = nullptr;
  EXPECT_EQ(f.combo->Properties()->Images(), nullptr);
  // Painted again without the image: the description takes its place.
  EXPECT_TRUE(IsRectEmpty(&info->ImageRect));
  EXPECT_NE(SurfaceColour(f.session.Snapshot(f.form.Handle()), at.x, at.y), 0x00FFFFu);

  // Properties that go first unregister their links: the list's later changes tell nobody.
  auto* list = new TImageList(&f.form);
  {
    TkcImageComboBoxProperties p(nullptr);
    p.SetImages(list);
    p.SetLargeImages(list);
  }
  AddColouredImages(list);
  EXPECT_EQ(list->Count(), 3);
}
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
  // Sorting and filtering by text only while descriptions show; the drop-down button counts.
  EXPECT_EQ(p->GetOperationSupport(), 0x33C);
  p->SetShowDescriptions(true);
  EXPECT_EQ(p->GetOperationSupport(), 0x37C);
}

// The value index answers as the item-by-item comparison does: the first item of equal value,
// integers of any width alike, Null only for Null; with items of other kinds, and after items
// change, the answers stay the same.
TEST(KcImageComboBox, ValueLookupMatchesTheItemByItemComparison) {
  TkcImageComboBoxProperties p(nullptr);
  for (const Variant& v : {Variant(10), Variant(20), Variant(std::int64_t(20)), Null(), Variant(30), Null()})
    p.Items()->Add()->SetValue(v);
  const Variant lookups[] = {Variant(20),        Variant(std::int64_t(30)), Variant(std::int16_t(10)), Variant(20.0),
                             Variant(String("20")), Null(),                  Variant(true),      Variant(99),
                             Unassigned()};
  auto check = [&](const char* AState) {
    for (const Variant& v : lookups) {
      TkcImageComboBoxItem* expected = nullptr;
      for (int i = 0; i < p.Items()->Count() && !expected; ++i)
        if (VariantsEqual(p.Items()->Items(i)->Value(), v)) expected = p.Items()->Items(i);
      EXPECT_EQ(p.ItemForValue(v), expected) << AState << " " << VarToStr(v);
    }
  };
  check("integers");
  EXPECT_EQ(p.ItemForValue(Variant(20)), p.Items()->Items(1));
  EXPECT_EQ(p.ItemForValue(Null()), p.Items()->Items(3));
  p.Items()->Items(0)->SetValue(Variant(30));
  EXPECT_EQ(p.ItemForValue(Variant(30)), p.Items()->Items(0)) << "a changed value is found at once";
  EXPECT_EQ(p.ItemForValue(Variant(10)), nullptr);
  p.Items()->Add()->SetValue(Variant(String("True")));
  check("mixed");
  p.Items()->Delete(0);
  check("after a delete");
}

// The value's item follows the items (the lower index wins), and the editor stays unmodified.
TEST(KcImageComboBox, ShownItemFollowsTheItems) {
  ImageComboFixture f;
  f.combo->SetEditValue(Variant(20));
  EXPECT_EQ(f.combo->ItemIndex(), 1);
  f.combo->Properties()->Items()->Items(0)->SetValue(Variant(20));
  EXPECT_EQ(f.combo->ItemIndex(), 0);
  EXPECT_FALSE(f.combo->EditModified());
  auto* info = static_cast<TkcImageComboBoxViewInfo*>(f.combo->EditViewInfo());
  EXPECT_EQ(info->Text, "Ten");
  EXPECT_EQ(info->ImageIndex, 0);
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

// The list shows the large images when assigned, in rows high enough for them; the closed
// editor keeps to the small ones.
TEST(KcImageComboBox, ListShowsTheLargeImages) {
  ImageComboFixture f;
  auto* large = new TImageList(&f.form);
  large->SetWidth(24);
  large->SetHeight(24);
  TBitmap strip(72, 24);
  const TColor colours[] = {clRed, clLime, clBlue};
  for (int i = 0; i < 3; ++i) {
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(TRect{i * 24, 0, i * 24 + 24, 24});
  }
  large->Add(&strip, nullptr);
  f.combo->Properties()->SetLargeImages(large);
  f.session.Key(VK_F4);
  ASSERT_TRUE(f.combo->DroppedDown());
  f.session.ProcessMessages();
  TkcComboBoxListBox* list = f.combo->List();
  EXPECT_EQ(list->GetItemHeight(0), 26);
  const TRect row = list->ItemRect(2);
  const Surface s = f.session.Snapshot(f.combo->PopupWindow()->Handle());
  const TPoint at = list->ClientToScreen(TPoint{row.left + 14, (row.top + row.bottom) / 2});
  const TPoint origin = f.combo->PopupWindow()->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(SurfaceColour(s, at.x - origin.x, at.y - origin.y), 0xFF0000u) << "the third large image, blue";
  auto* info = static_cast<TkcImageComboBoxViewInfo*>(f.combo->EditViewInfo());
  EXPECT_EQ(info->ImageRect.right - info->ImageRect.left, 16);
}

// A row fits one line of text and the image, whatever the combo's own row settings say.
TEST(KcImageComboBox, RowsFitTheTextAndTheImage) {
  struct Case {
    bool images;
    int itemHeight, measured;
  } cases[] = {{false, 0, 0}, {true, 0, 0}, {false, 40, 0}, {false, 0, 50}, {true, 3, 0}};
  for (const Case& c : cases) {
    ImageComboFixture f;
    if (!c.images) f.combo->Properties()->SetImages(nullptr);
    f.combo->Properties()->SetItemHeight(c.itemHeight);
    if (c.measured) f.combo->Properties()->OnMeasureItem = [&](TkcCustomComboBox*, int, int& h) { h = c.measured; };
    f.session.Key(VK_F4);
    ASSERT_TRUE(f.combo->DroppedDown());
    TkcComboBoxListBox* list = f.combo->List();
    const int expected = std::max(list->GetTextRowHeight() + 2, c.images ? 16 + 2 : 0);
    EXPECT_EQ(list->GetItemHeight(0), expected)
        << "images " << c.images << ", item height " << c.itemHeight << ", measured " << c.measured;
  }
}

// Wrapped descriptions: the popup asks no width of its own (it takes the editor's) and the rows
// grow to the wrapped text.
TEST(KcImageComboBox, MultiLineTextWrapsInTheEditorsWidth) {
  ImageComboFixture f;
  const int single = f.combo->List() ? f.combo->List()->GetItemHeight(0) : 0;
  f.combo->Properties()->Items()->Items(1)->SetDescription(
      "Twenty is a description long enough to wrap over several rows of the list");
  f.combo->Properties()->SetMultiLineText(true);
  f.session.Key(VK_F4);
  ASSERT_TRUE(f.combo->DroppedDown());
  auto* list = static_cast<TkcImageComboBoxListBox*>(f.combo->List());
  SIZE size{};
  f.combo->GetPopupClientSize(size);
  EXPECT_EQ(size.cx, 0);
  EXPECT_GT(list->MeasuringClientWidth(), 0);
  EXPECT_LT(list->MeasuringClientWidth(), f.combo->Width());
  EXPECT_GT(list->GetItemHeight(1), 2 * 13) << "at least two rows of text";
  EXPECT_GT(list->GetItemHeight(1), single);
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
  combo->SetItemIndex(1);
  session.ProcessMessages();
  SavePicturePpm(session.Snapshot(form.Handle()), String(dir) + "/image-combo-closed.ppm");
  session.Key(VK_F4);
  session.Key(VK_DOWN);
  SavePicturePpm(session.Snapshot(combo->PopupWindow()->Handle()), String(dir) + "/image-combo-popup.ppm");
}
