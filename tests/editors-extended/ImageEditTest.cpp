// The image editor as a window: its value and picture, the clipboard keys, the context menu's
// items by layout and state, loading a file through the dialog, and the picture on screen.

#include <gtest/gtest.h>

#include <cstdio>

#include "editors-extended/PictureBytes.h"
#include "editors-extended/kcImage.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Dialogs.h"
#include "tests/platform/forms/FormsTestUtil.h"

namespace {

struct ImageFixture {
  TFormsSession session;
  TPlainForm form;
  TkcImage* image;
  int changes = 0;
  ImageFixture() {
    image = new TkcImage(&form);
    image->SetParent(&form);
    image->SetLeft(10);
    image->SetTop(10);
    image->Properties()->OnChange = [this](TObject*) { ++changes; };
    form.Show();
    image->SetFocus();
    session.ProcessMessages();
  }
  void Keys(WORD modifier, WORD vk) {
    session.KeyDown(modifier);
    session.Key(vk);
    session.KeyUp(modifier);
  }
  // Visible items by caption, each with its enabled state ("+Cut" / "-Cut").
  std::vector<std::string> Menu() {
    std::vector<std::string> out;
    TMenuItem* items = image->UpdateContextMenu()->Items();
    for (int i = 0; i < items->Count(); ++i)
      if (items->Items(i)->Visible())
        out.push_back((items->Items(i)->Enabled() ? "+" : "-") + items->Items(i)->Caption());
    return out;
  }
};

}  // namespace

TEST(KcImage, ValueLoadsThePictureAndEmptyIsNull) {
  ImageFixture f;
  EXPECT_EQ(f.image->Width(), 140);
  EXPECT_EQ(f.image->Height(), 100);
  const std::string bmp = BitmapBytes(30, 20, clRed);
  f.image->SetEditValue(Variant(bmp));
  EXPECT_EQ(f.image->Picture()->Width(), 30);
  EXPECT_EQ(VarToStr(f.image->EditValue()), bmp);
  EXPECT_FALSE(f.image->EditModified()) << "a value set by the program is no user change";
  // Not a picture: empty, and the value is Null.
  f.image->SetEditValue(Variant(std::string("not a picture at all")));
  EXPECT_TRUE(IsPictureBlank(f.image->Picture()));
  EXPECT_TRUE(VarIsNull(f.image->EditValue()));
}

TEST(KcImage, ClipboardKeysCopyCutAndPaste) {
  ImageFixture f;
  f.image->SetEditValue(Variant(BitmapBytes(12, 8, clBlue)));
  Clipboard()->Clear();
  f.Keys(VK_CONTROL, VK_INSERT);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  f.Keys(VK_SHIFT, VK_DELETE);
  EXPECT_TRUE(IsPictureBlank(f.image->Picture()));
  EXPECT_TRUE(f.image->ModifiedAfterEnter());
  const int before = f.changes;
  f.Keys(VK_SHIFT, VK_INSERT);
  EXPECT_EQ(f.image->Picture()->Width(), 12);
  EXPECT_GT(f.changes, before);
  // Read-only: paste and cut do nothing.
  f.image->Properties()->SetReadOnly(true);
  f.Keys(VK_SHIFT, VK_DELETE);
  EXPECT_EQ(f.image->Picture()->Width(), 12);
  f.image->SetEditValue(Null());
  f.Keys(VK_SHIFT, VK_INSERT);
  EXPECT_TRUE(IsPictureBlank(f.image->Picture()));
}

TEST(KcImage, ContextMenuFollowsLayoutAndState) {
  ImageFixture f;
  Clipboard()->Clear();
  using V = std::vector<std::string>;
  EXPECT_EQ(f.Menu(), (V{"-Cu&t", "-&Copy", "-&Paste", "-&Delete", "+-", "+&Load...", "-Save &As..."}));
  f.image->SetEditValue(Variant(BitmapBytes(5, 5, clRed)));
  EXPECT_EQ(f.Menu(), (V{"+Cu&t", "+&Copy", "-&Paste", "+&Delete", "+-", "+&Load...", "+Save &As..."}));
  // An icon cannot be cut, copied or pasted.
  Clipboard()->Assign(f.image->Picture());
  f.image->Properties()->SetGraphicClassName("TIcon");
  EXPECT_EQ(f.Menu()[0], "-Cu&t");
  EXPECT_EQ(f.Menu()[2], "-&Paste");
  f.image->Properties()->SetGraphicClassName("TBitmap");
  EXPECT_EQ(f.Menu()[2], "+&Paste");
  // Only Load: the separator above it stays.
  f.image->Properties()->PopupMenuLayout()->MenuItems = {pmiLoad};
  EXPECT_EQ(f.Menu(), (V{"+-", "+&Load..."}));
  // The custom item runs its handler.
  int custom = 0;
  f.image->Properties()->OnCustomClick = [&](TObject*) { ++custom; };
  f.image->Properties()->PopupMenuLayout()->MenuItems = {pmiCustom};
  f.image->Properties()->PopupMenuLayout()->CustomMenuItemCaption = "Mine";
  EXPECT_EQ(f.Menu(), (V{"+-", "+Mine"}));
  f.image->UpdateContextMenu()->Items()->Items(8)->Click();
  EXPECT_EQ(custom, 1);
}

TEST(KcImage, LoadFromFileAndAFileThatIsNoPicture) {
  ImageFixture f;
  const std::string dir = ::testing::TempDir();
  const String good = dir + "/vt_image_good.bmp", bad = dir + "/vt_image_bad.bmp";
  {
    TPicture p;
    LoadPicture(&p, nullptr, Variant(BitmapBytes(7, 3, clGreen)));
    p.SaveToFile(good);
    std::FILE* out = std::fopen(bad.c_str(), "wb");
    std::fputs("BMgarbage", out);
    std::fclose(out);
  }
  String chosen = good;
  bool cancel = false;
  TFileDialogProvider old = SetFileDialogProvider([&](TOpenDialog& d) {
    d.FileName = chosen;
    return !cancel;
  });
  std::vector<TkcEditCloseUpReason> reasons;
  f.image->Properties()->OnClosePopup = [&](TObject*, TkcEditCloseUpReason r) { reasons.push_back(r); };
  f.image->LoadFromFile();
  EXPECT_EQ(f.image->Picture()->Width(), 7);
  cancel = true;
  f.image->LoadFromFile();
  EXPECT_EQ(f.image->Picture()->Width(), 7);
  // A damaged file is refused with an error and the picture stays.
  cancel = false;
  chosen = bad;
  EXPECT_THROW(f.image->LoadFromFile(), Exception);
  EXPECT_EQ(f.image->Picture()->Width(), 7);
  SetFileDialogProvider(old);
  EXPECT_EQ(reasons, (std::vector<TkcEditCloseUpReason>{crEnter, crCancel}));
  std::remove(good.c_str());
  std::remove(bad.c_str());
}

// Centred and stretched: a 100 x 50 picture in a 200 x 200 client area is drawn 200 x 100,
// 50 pixels down; the window shows it.
TEST(KcImage, StretchedPictureIsDrawnCentred) {
  ImageFixture f;
  f.image->Properties()->SetShowFocusRect(false);
  f.image->Properties()->SetStretch(true);
  f.image->Properties()->SetCenter(true);
  f.image->SetEditValue(Variant(BitmapBytes(100, 50, clRed)));
  f.image->SetBounds(10, 10, 204, 204);
  f.session.ProcessMessages();
  auto* info = static_cast<TkcImageViewInfo*>(f.image->EditViewInfo());
  const TRect client = info->ClientRect;
  ASSERT_EQ(client.right - client.left, 200);
  const TRect p = info->PictureRect();
  EXPECT_EQ(p.right - p.left, 200);
  EXPECT_EQ(p.bottom - p.top, 100);
  EXPECT_EQ(p.top - client.top, 50);

  f.image->Repaint();
  f.session.ProcessMessages();
  const Surface s = f.session.Snapshot(f.image->Handle());
  auto rgb = [&](int x, int y) { return s.At(x, y) & 0xFFFFFF; };
  EXPECT_EQ(rgb(100, 100), 0xFF0000u) << "inside the picture";
  EXPECT_NE(rgb(100, client.top + 20), 0xFF0000u) << "above the picture";
}

// A picture larger than the editor scrolls by 8 pixels a line and never past its end; centred
// or stretched pictures do not scroll.
TEST(KcImage, LargePictureScrolls) {
  ImageFixture f;
  f.image->Properties()->SetCenter(false);
  f.image->SetEditValue(Variant(BitmapBytes(300, 200, clRed)));
  f.session.ProcessMessages();
  ASSERT_TRUE(f.image->GetHScrollBarVisible());
  ASSERT_TRUE(f.image->GetVScrollBarVisible());
  auto* info = static_cast<TkcImageViewInfo*>(f.image->EditViewInfo());
  const TRect client = info->ClientRect;
  int pos = 0;
  f.image->Scroll(sbVertical, scLineDown, pos);
  EXPECT_EQ(pos, 8);
  EXPECT_EQ(info->PictureRect().top, client.top + (info->ShowFocusFrame ? 1 : 0) - 8);
  f.image->Scroll(sbVertical, scLineUp, pos);
  f.image->Scroll(sbVertical, scLineUp, pos);
  EXPECT_EQ(pos, 0);
  f.image->Scroll(sbHorizontal, scBottom, pos);
  EXPECT_EQ(pos, 300 - (client.right - client.left));
  EXPECT_EQ(f.image->ScrollOffset().x, pos);
  // A new picture starts at its top left; a centred one shows no scroll bars.
  f.image->SetEditValue(Variant(BitmapBytes(310, 200, clBlue)));
  EXPECT_EQ(f.image->ScrollOffset().x, 0);
  f.image->Properties()->SetCenter(true);
  f.session.ProcessMessages();
  EXPECT_FALSE(f.image->GetHScrollBarVisible());
}
