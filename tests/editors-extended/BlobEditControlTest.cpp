// The blob editor in a headless session: the closed editor's icon or text, and its popup (the
// memo or the image editor holds the whole value, and the value comes back only when the popup
// closes with acceptance).

#include <gtest/gtest.h>

#include "editors-extended/PictureBytes.h"
#include "editors-extended/kcBlobEditControl.h"
#include "editors/EditorCanvasFixture.h"
#include "editors/PicturePpm.h"
#include "platform/forms/Clipbrd.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct BlobEditFixture {
  TFormsSession session;
  TPlainForm form{600, 400};
  TkcBlobEdit* edit;
  explicit BlobEditFixture(TkcBlobEditKind AKind = bekMemo,
                           const Variant& AValue = Variant(String("first\r\nsecond"))) {
    edit = new TkcBlobEdit(&form);
    edit->SetParent(&form);
    edit->SetBounds(10, 10, 150, 21);
    edit->Properties()->SetBlobEditKind(AKind);
    edit->SetEditValue(AValue);
    form.Show();
    edit->SetFocus();
    session.ProcessMessages();
  }
  void Drop() {
    session.Key(VK_F4);
    session.ProcessMessages();
    ASSERT_TRUE(edit->DroppedDown());
  }
  void Open() {
    Drop();
    ASSERT_NE(edit->PopupMemo(), nullptr);
    EXPECT_EQ(edit->PopupMemo()->Text(), Value()) << "the whole value";
  }
  String Value() { return VarToStr(edit->EditValue()); }
};

TEST(KcBlobEditControl, OkButtonPostsTheMemoAndEscapeDropsIt) {
  BlobEditFixture f;
  f.Open();
  ASSERT_NE(f.edit->OkButton(), nullptr);
  EXPECT_FALSE(f.edit->OkButton()->Enabled()) << "nothing changed yet";
  f.session.Type("Z");
  f.session.ProcessMessages();
  EXPECT_TRUE(f.edit->OkButton()->Enabled());
  const String typed = f.edit->PopupMemo()->Text();
  EXPECT_NE(typed, "first\r\nsecond");
  TkcButton* ok = f.edit->OkButton();
  f.session.Click(TFormsSession::At(ok, ok->Width() / 2, ok->Height() / 2));
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.Value(), typed);

  // Escape closes without taking the change, whatever AlwaysSaveData says.
  f.Open();
  f.session.Type("Q");
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.Value(), typed);
}

TEST(KcBlobEditControl, ClosingKeysPostByAlwaysSaveData) {
  struct Case {
    bool alwaysSave, wantReturns, ctrl;
    WORD key;
    bool posted;
  } cases[] = {
      {true, true, true, VK_RETURN, true},  // Ctrl+Enter accepts
      {false, true, true, VK_RETURN, true},
      {false, false, false, VK_RETURN, true},  // Enter closes when the memo takes no returns
      {true, true, false, VK_F4, true},        // F4 keeps a change only with AlwaysSaveData
      {false, true, false, VK_F4, false},
  };
  for (const Case& c : cases) {
    BlobEditFixture f;
    f.edit->Properties()->AlwaysSaveData = c.alwaysSave;
    f.edit->Properties()->MemoWantReturns = c.wantReturns;
    f.Open();
    f.session.Type("Z");
    if (c.ctrl) f.session.KeyDown(VK_CONTROL);
    f.session.Key(c.key);
    if (c.ctrl) f.session.KeyUp(VK_CONTROL);
    f.session.ProcessMessages();
    EXPECT_FALSE(f.edit->DroppedDown()) << c.key << " " << c.alwaysSave;
    EXPECT_EQ(f.Value() != "first\r\nsecond", c.posted) << c.key << " " << c.alwaysSave << " " << c.wantReturns;
  }
}

// Typing into the closed memo editor opens the popup and types the character at the caret, or
// with MemoAutoReplace makes it the whole text; without ImmediatePopup typing does nothing.
TEST(KcBlobEditControl, TypingOpensThePopup) {
  struct Case {
    bool immediate, replace;
  } cases[] = {{true, false}, {true, true}, {false, false}};
  for (const Case& c : cases) {
    BlobEditFixture f;
    f.edit->Properties()->ImmediatePopup = c.immediate;
    f.edit->Properties()->MemoAutoReplace = c.replace;
    f.session.Type("Z");
    f.session.ProcessMessages();
    EXPECT_EQ(f.edit->DroppedDown(), c.immediate);
    if (!c.immediate) continue;
    const String text = f.edit->PopupMemo()->Text();
    if (c.replace)
      EXPECT_EQ(text, "Z");
    else
      EXPECT_TRUE(text.find('Z') != String::npos && text.size() > 1) << text;
    EXPECT_TRUE(f.edit->OkButton()->Enabled());
    f.session.KeyDown(VK_CONTROL);
    f.session.Key(VK_RETURN);
    f.session.KeyUp(VK_CONTROL);
    f.session.ProcessMessages();
    EXPECT_EQ(f.Value(), text);
  }
}

COLORREF SurfaceColour(const Surface& s, int x, int y) { return ColorFromPixel(s.At(x, y)) & 0xFFFFFF; }

// Whether the surface shows the blob icon at the screen point AAt, pixel for pixel, on the
// background colour.
bool ShowsIcon(const Surface& s, POINT AAt, int AIndex, TColor ABackground) {
  TBitmap icon;
  BlobImages()->BkColor = ABackground;
  BlobImages()->GetBitmap(AIndex, &icon);
  BlobImages()->BkColor = clNone;
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x)
      if ((ColorFromPixel(icon.Pixels()->At(x, y)) & 0xFFFFFF) != SurfaceColour(s, AAt.x + x, AAt.y + y)) return false;
  return true;
}

struct PictureBlobFixture : BlobEditFixture {
  int assigned = 0;
  PictureBlobFixture() : BlobEditFixture(bekPict, Variant(BitmapBytes(60, 30, clRed))) {
    edit->Properties()->OnAssignPicture = [this](TObject*, TPicture*) { ++assigned; };
  }
  void Open() {
    Drop();
    ASSERT_NE(edit->PopupImage(), nullptr);
  }
  // The colour of the picture that the editor's value holds (white for none).
  COLORREF ValueColour() {
    TPicture picture;
    LoadPicture(&picture, TGraphicClass::Of<TBitmap>(), edit->EditValue());
    if (IsPictureBlank(&picture)) return 0xFFFFFF;
    auto* bitmap = static_cast<TBitmap*>(picture.Graphic());
    return ColorFromPixel(bitmap->Pixels()->At(1, 1)) & 0xFFFFFF;
  }
};

}  // namespace

// Closed, the editor paints the icon of its kind and value centred, or the text of the paint
// style; a focused stand-alone editor frames its client area.
TEST(KcBlobEditControl, ClosedEditorPaintsIconOrText) {
  struct Case {
    TkcBlobEditKind kind;
    TkcBlobPaintStyle style;
    bool hasValue;
    int icon;  // -1: text
  } cases[] = {
      {bekMemo, bpsIcon, true, 3},      {bekMemo, bpsIcon, false, 2}, {bekPict, bpsIcon, true, 5},
      {bekOle, bpsIcon, false, 6},      {bekBlob, bpsIcon, true, 1},  {bekMemo, bpsText, true, -1},
      {bekMemo, bpsDefault, false, -1},
  };
  for (const Case& c : cases) {
    BlobEditFixture f;
    f.edit->Properties()->SetBlobEditKind(c.kind);
    f.edit->Properties()->SetBlobPaintStyle(c.style);
    f.edit->SetEditValue(c.hasValue ? Variant(String("first\r\nsecond")) : Null());
    f.session.ProcessMessages();
    auto* info = static_cast<TkcBlobEditViewInfo*>(f.edit->EditViewInfo());
    EXPECT_TRUE(info->ShowFocusRect) << "focused, stand-alone, no popup";
    auto* other = new TEdit(&f.form);
    other->SetParent(&f.form);
    other->SetBounds(10, 300, 100, 21);
    other->SetFocus();
    f.session.ProcessMessages();
    EXPECT_FALSE(info->ShowFocusRect);
    EXPECT_EQ(info->ImageIndex, c.icon) << c.kind << c.style;
    const Surface s = f.session.Snapshot(f.form.Handle());
    if (c.icon >= 0) {
      const TRect& client = info->ClientRect;
      EXPECT_EQ(info->ImageRect.left, client.left + (client.right - client.left - 18) / 2);
      EXPECT_TRUE(ShowsIcon(s, f.edit->ClientToScreen(TPoint{info->ImageRect.left, info->ImageRect.top}), c.icon,
                            info->BackgroundColor))
          << c.kind << " " << c.icon;
      EXPECT_TRUE(info->Text.empty());
    } else {
      EXPECT_EQ(info->Text, c.style == bpsText ? "first" : "(memo)");
    }
  }
}

// A grid cell paints the icon through the same view data, centred in the cell.
using KcBlobEditCell = EditorCanvasFixture;

TEST_F(KcBlobEditCell, PaintsTheIconInPlace) {
  TkcBlobEditProperties p(nullptr);
  p.SetBlobEditKind(bekPict);
  std::unique_ptr<TkcCustomEditViewData> data(p.CreateViewData(style(), true));
  std::unique_ptr<TkcCustomEditViewInfo> info(data->CreateViewInfo());
  auto* blob = static_cast<TkcBlobEditViewInfo*>(info.get());
  static_cast<TkcCustomTextEditViewData*>(data.get())->FillViewInfoValue(canvas.get(), Variant(std::string("x")), blob);
  data->Calculate(canvas.get(), TRect{0, 0, 100, 20}, POINT{-1, -1}, {}, info.get(), false);
  info->Paint(canvas.get());
  EXPECT_EQ(blob->ImageIndex, 5);
  const TRect& client = blob->ClientRect;
  const int left = client.left + (client.right - client.left - 18) / 2;
  EXPECT_EQ(blob->ImageRect, (TRect{left, 2, left + 18, 18}));
  EXPECT_FALSE(blob->ShowFocusRect);
  TBitmap icon;
  BlobImages()->GetBitmap(5, &icon);
  int same = 0;
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 18; ++x) same += icon.Pixels()->At(x, y) == bitmap->Pixels()->At(left + x, 2 + y) ? 1 : 0;
  EXPECT_GT(same, 18 * 16 / 2) << "the icon's drawn pixels";
  if (const char* dir = std::getenv("VT_SCREENSHOT_DIR"))
    SavePicturePpm(*bitmap->Pixels(), String(dir) + "/blob-cell.ppm");
}

// The picture popup shows the value's picture stretched into its image editor; OK is off until
// the picture changes; Enter takes a pasted picture back (OnAssignPicture told), Escape drops it.
TEST(KcBlobEditControl, PicturePopupShowsThePictureAndPostsByItsResult) {
  PictureBlobFixture f;
  f.Open();
  TkcPopupImage* image = f.edit->PopupImage();
  EXPECT_EQ(image->Picture()->Width(), 60);
  EXPECT_TRUE(image->Properties()->Stretch());
  ASSERT_NE(f.edit->OkButton(), nullptr);
  EXPECT_FALSE(f.edit->OkButton()->Enabled());
  EXPECT_EQ(f.edit->CancelButton()->Caption(), "&Cancel");
  // The popup takes the picture's size and shows it.
  const Surface s = f.session.Snapshot(f.edit->PopupWindow()->Handle());
  const TPoint centre = image->ClientToScreen(TPoint{image->Width() / 2, image->Height() / 2});
  const TPoint popup = f.edit->PopupWindow()->ClientToScreen(TPoint{0, 0});
  EXPECT_EQ(SurfaceColour(s, centre.x - popup.x, centre.y - popup.y), ColorToRGB(clRed));

  // Escape drops a pasted picture.
  TPicture blue;
  LoadPicture(&blue, TGraphicClass::Of<TBitmap>(), Variant(BitmapBytes(8, 8, clBlue)));
  Clipboard()->Assign(&blue);
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('V', "\x16");
  f.session.KeyUp(VK_CONTROL);
  f.session.ProcessMessages();
  EXPECT_TRUE(f.edit->OkButton()->Enabled());
  f.session.Key(VK_ESCAPE);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.ValueColour(), ColorToRGB(clRed));
  EXPECT_EQ(f.assigned, 0);

  // Enter takes it. A click in the edit area opens the popup as the button does.
  f.session.Click(TFormsSession::At(f.edit, 30, 10));
  f.session.ProcessMessages();
  ASSERT_TRUE(f.edit->DroppedDown());
  EXPECT_EQ(f.edit->PopupImage()->Picture()->Width(), 60) << "the value's picture again";
  f.session.KeyDown(VK_CONTROL);
  f.session.Key('V', "\x16");
  f.session.KeyUp(VK_CONTROL);
  f.session.Key(VK_RETURN, "\r");
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.ValueColour(), ColorToRGB(clBlue));
  EXPECT_EQ(f.assigned, 1);
  EXPECT_TRUE(f.edit->LastPictureGraphicClass().ClassInfo() == TBitmap::StaticClass());
}

// The picture popup's closing keys post a changed picture by AlwaysSaveData, as the memo's do;
// Enter always closes an image.
TEST(KcBlobEditControl, PicturePopupKeysPostByAlwaysSaveData) {
  struct Case {
    WORD key;
    bool alwaysSave, posted;
  } cases[] = {
      {VK_ESCAPE, true, false},
      {VK_F4, true, true},
      {VK_F4, false, false},
      {VK_RETURN, false, true},
  };
  TPicture blue;
  LoadPicture(&blue, TGraphicClass::Of<TBitmap>(), Variant(BitmapBytes(8, 8, clBlue)));
  for (const Case& c : cases) {
    PictureBlobFixture f;
    f.edit->Properties()->AlwaysSaveData = c.alwaysSave;
    f.Open();
    Clipboard()->Assign(&blue);
    f.session.KeyDown(VK_SHIFT);
    f.session.Key(VK_INSERT);
    f.session.KeyUp(VK_SHIFT);
    f.session.Key(c.key);
    f.session.ProcessMessages();
    EXPECT_FALSE(f.edit->DroppedDown()) << c.key;
    EXPECT_EQ(f.ValueColour(), ColorToRGB(c.posted ? clBlue : clRed)) << c.key << " " << c.alwaysSave;
    EXPECT_EQ(f.assigned, c.posted ? 1 : 0);
  }
}

// Entering and leaving the editor, and Enter on it, leave every kind's value as it was: the
// value is never read back from a text.
TEST(KcBlobEditControl, LeavingKeepsTheValue) {
  const std::string picture = BitmapBytes(6, 4, clRed);
  struct Case {
    TkcBlobEditKind kind;
    Variant value;
  } cases[] = {{bekPict, Variant(picture)},
               {bekBlob, Variant(std::string("\x01\x02"))},
               {bekMemo, Variant(String("a\r\nb"))},
               {bekOle, Null()}};
  for (const Case& c : cases) {
    BlobEditFixture f(c.kind, c.value);
    auto* other = new TEdit(&f.form);
    other->SetParent(&f.form);
    other->SetBounds(10, 300, 100, 21);
    f.session.Key(VK_RETURN, "\r");
    other->SetFocus();
    f.session.ProcessMessages();
    f.edit->SetFocus();
    f.session.ProcessMessages();
    other->SetFocus();
    f.session.ProcessMessages();
    EXPECT_EQ(VarType(f.edit->EditValue()), VarType(c.value)) << c.kind;
    EXPECT_TRUE(VarToStr(f.edit->EditValue()) == VarToStr(c.value)) << c.kind;
  }
}

// Read-only: a single Close button and nothing posted; the menu follows the picture popup
// settings.
TEST(KcBlobEditControl, PicturePopupReadOnlyAndMenu) {
  PictureBlobFixture f;
  f.edit->Properties()->ShowExPopupItems = false;
  f.Open();
  TkcPopupMenuItems items = f.edit->PopupImage()->Properties()->PopupMenuLayout()->MenuItems;
  EXPECT_FALSE(items.Contains(pmiLoad));
  EXPECT_FALSE(items.Contains(pmiSave));
  EXPECT_TRUE(items.Contains(pmiPaste));
  f.session.Key(VK_ESCAPE);
  f.edit->Properties()->ShowPicturePopup = false;
  f.edit->Properties()->SetReadOnly(true);
  f.Open();
  EXPECT_TRUE(f.edit->PopupImage()->Properties()->PopupMenuLayout()->MenuItems.Empty());
  EXPECT_EQ(f.edit->OkButton(), nullptr);
  EXPECT_EQ(f.edit->CancelButton()->Caption(), "&Close");
  TkcButton* close = f.edit->CancelButton();
  f.session.Click(TFormsSession::At(close, close->Width() / 2, close->Height() / 2));
  f.session.ProcessMessages();
  EXPECT_FALSE(f.edit->DroppedDown());
  EXPECT_EQ(f.ValueColour(), ColorToRGB(clRed));
}

// With VT_SCREENSHOT_DIR set, pictures of the closed editors and the picture popup.
TEST(KcBlobEditControl, PictureForReview) {
  const char* dir = std::getenv("VT_SCREENSHOT_DIR");
  if (!dir) GTEST_SKIP();
  PictureBlobFixture f;
  auto* memo = new TkcBlobEdit(&f.form);
  memo->SetParent(&f.form);
  memo->SetBounds(10, 40, 150, 21);
  memo->Properties()->SetBlobEditKind(bekMemo);
  memo->Properties()->SetBlobPaintStyle(bpsText);
  memo->SetEditValue(Variant(String("first line\r\nsecond")));
  f.session.ProcessMessages();
  SavePicturePpm(f.session.Snapshot(f.form.Handle()), String(dir) + "/blob-closed.ppm");
  f.Open();
  SavePicturePpm(f.session.Snapshot(f.edit->PopupWindow()->Handle()), String(dir) + "/blob-picture-popup.ppm");
  f.session.Key(VK_ESCAPE);
  memo->SetFocus();
  f.session.Key(VK_F4);
  f.session.ProcessMessages();
  SavePicturePpm(f.session.Snapshot(memo->PopupWindow()->Handle()), String(dir) + "/blob-memo-popup.ppm");
}
