// Picture values of the image editor: the blob header, bitmap and JPEG round trips through
// values, files and the clipboard, damaged pictures refused, and the picture geometry.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "editors-extended/kcImage.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Jpeg.h"

namespace {

std::string BitmapBytes(int w, int h) {
  TBitmap bitmap(w, h);
  bitmap.Canvas()->Brush()->SetColor(clRed);
  bitmap.Canvas()->FillRect(Rect(0, 0, w / 2, h));
  TMemoryStream stream;
  bitmap.SaveToStream(&stream);
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<std::size_t>(stream.Size()));
}

std::string JpegBytes(int w, int h) {
  TBitmap bitmap(w, h);
  TJPEGImage jpeg;
  jpeg.Assign(&bitmap);
  jpeg.JPEGNeeded();
  return jpeg.Bytes();
}

std::string WithHeader(const std::string& bytes, std::uint32_t declared) {
  std::string out("\x01\x00\x00\x01", 4);
  for (int i = 0; i < 4; ++i) out += static_cast<char>((declared >> (8 * i)) & 0xFF);
  return out + bytes;
}

TEST(ImageValue, BlobHeaderIsSkippedOnlyWhenItsLengthFits) {
  const std::string bmp = BitmapBytes(6, 4);
  TPicture picture;
  LoadPicture(&picture, TGraphicClass::Of<TBitmap>(), Variant(WithHeader(bmp, static_cast<std::uint32_t>(bmp.size()))));
  EXPECT_EQ(picture.Width(), 6);
  EXPECT_EQ(SavePicture(&picture), bmp) << "saved without a header, byte for byte";
  LoadPicture(&picture, TGraphicClass::Of<TBitmap>(), Variant(WithHeader(bmp, 3)));
  EXPECT_TRUE(IsPictureBlank(&picture)) << "a wrong length reads from the start, which is no bitmap";
  LoadPicture(&picture, nullptr, Variant(bmp));
  EXPECT_EQ(picture.Height(), 4) << "no class: a bitmap";
  for (const Variant& none : {Null(), Variant(std::string()), Variant(std::string("1234567")), Variant(42),
                              Variant(WideString(u"abcdefghij"))}) {
    LoadPicture(&picture, TGraphicClass::Of<TBitmap>(), none);
    EXPECT_TRUE(IsPictureBlank(&picture));
    EXPECT_EQ(SavePicture(&picture), "");
  }
}

TEST(ImageValue, JpegRoundTripsThroughValueFileAndClipboard) {
  const std::string jpg = JpegBytes(40, 30);
  ASSERT_GT(jpg.size(), 100u);
  TPicture picture;
  LoadPicture(&picture, FindGraphicClass("tjpegimage"), Variant(jpg));
  ASSERT_EQ(picture.Width(), 40);
  EXPECT_EQ(picture.Height(), 30);
  EXPECT_EQ(SavePicture(&picture), jpg) << "a loaded JPEG is never re-encoded";

  const std::string file = ::testing::TempDir() + "kc-image-roundtrip.jpg";
  picture.SaveToFile(file);
  TPicture fromFile;
  fromFile.LoadFromFile(file);
  EXPECT_EQ(SavePicture(&fromFile), jpg);
  std::remove(file.c_str());

  Clipboard()->Assign(&picture);
  EXPECT_TRUE(CanPasteImageFromClipboard(TGraphicClass::Of<TJPEGImage>()));
  EXPECT_FALSE(CanPasteImageFromClipboard(TGraphicClass::Of<TIcon>()));
  TPicture pasted;
  PasteImageFromClipboard(&pasted, TGraphicClass::Of<TJPEGImage>());
  ASSERT_NE(dynamic_cast<TJPEGImage*>(pasted.Graphic()), nullptr);
  EXPECT_EQ(pasted.Width(), 40);
  TPicture asBitmap;
  PasteImageFromClipboard(&asBitmap, TGraphicClass::Of<TBitmap>());
  ASSERT_NE(dynamic_cast<TBitmap*>(asBitmap.Graphic()), nullptr);
  EXPECT_EQ(asBitmap.Height(), 30);
}

TEST(ImageValue, DamagedPicturesAreRefused) {
  const std::string jpg = JpegBytes(16, 16);
  std::string huge = jpg;
  // The frame header (FF C0, length, precision, height, width) declares 65000 x 65000.
  const std::size_t sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 7] = static_cast<char>(0xFD);
  huge[sof + 6] = huge[sof + 8] = static_cast<char>(0xE8);
  const std::string truncated = jpg.substr(0, jpg.size() / 3);
  const std::string bmp = BitmapBytes(8, 8);
  std::string hugeBmp = bmp;
  hugeBmp[18] = hugeBmp[22] = '\x7F';  // width and height: 0x7F000008
  hugeBmp[21] = hugeBmp[25] = '\x7F';

  struct Case {
    const char* name;
    TGraphicClass cls;
    std::string bytes;
  } cases[] = {{"huge jpeg", TGraphicClass::Of<TJPEGImage>(), huge},
               {"truncated jpeg", TGraphicClass::Of<TJPEGImage>(), truncated},
               {"text as jpeg", TGraphicClass::Of<TJPEGImage>(), std::string(64, 'x')},
               {"huge bitmap", TGraphicClass::Of<TBitmap>(), hugeBmp}};
  for (const Case& c : cases) {
    TPicture picture;
    LoadPicture(&picture, c.cls, Variant(c.bytes));
    EXPECT_TRUE(IsPictureBlank(&picture)) << c.name;

    // From a file the error is the user's to see, and the picture keeps what it had.
    const std::string file =
        ::testing::TempDir() + "kc-image-damaged." + (c.cls.ClassInfo() == TBitmap::StaticClass() ? "bmp" : "jpg");
    std::ofstream(file, std::ios::binary) << c.bytes;
    LoadPicture(&picture, TGraphicClass::Of<TBitmap>(), Variant(bmp));
    EXPECT_THROW(picture.LoadFromFile(file), EInvalidGraphic) << c.name;
    EXPECT_EQ(SavePicture(&picture), bmp) << c.name;
    std::remove(file.c_str());
  }
}

TEST(ImageGeometry, StretchAndCentre) {
  const TRect client = Rect(0, 0, 200, 200);
  EXPECT_EQ(CalculatePictureRect(client, 100, 50, true, true), Rect(0, 50, 200, 150));
  EXPECT_EQ(CalculatePictureRect(client, 100, 50, false, true), Rect(0, 0, 200, 100));
  EXPECT_EQ(CalculatePictureRect(client, 50, 100, true, false), Rect(75, 50, 125, 150));
  EXPECT_EQ(CalculatePictureRect(client, 300, 300, false, false, Point(16, 8)), Rect(-16, -8, 284, 292));
  EXPECT_EQ(CalculateProportionalRect(Rect(5, 5, 5, 50), 10, 10), Rect(5, 5, 5, 50)) << "empty stays as it is";
}

TEST(ImageProperties, GraphicClassByNameAndDisplayText) {
  TkcImageProperties p(nullptr);
  EXPECT_EQ(p.GraphicClassName(), "TBitmap");
  p.SetGraphicClassName("tjpegimage");
  EXPECT_EQ(p.GraphicClassName(), "TJPEGImage");
  p.SetGraphicClassName("TNoSuchPicture");
  EXPECT_EQ(p.GraphicClassName(), "TJPEGImage");
  p.SetGraphicClassName("");
  EXPECT_FALSE(p.GraphicClass());
  EXPECT_EQ(p.GetGraphicClass(nullptr, -1, true).ClassInfo(), TBitmap::StaticClass());
  EXPECT_FALSE(p.GetGraphicClass(nullptr, -1, false));
  p.SetCaption("(picture)");
  EXPECT_EQ(p.GetDisplayText(Null()), u"");
  EXPECT_EQ(p.GetDisplayText(Variant(std::string("x"))), u"(picture)");
  TkcImageProperties q(nullptr);
  p.PopupMenuLayout()->MenuItems = {pmiLoad};
  q.Assign(&p);
  EXPECT_FALSE(q.GraphicClass());
  EXPECT_TRUE(q.PopupMenuLayout()->MenuItems == TkcPopupMenuItems({pmiLoad}));
}

}  // namespace
