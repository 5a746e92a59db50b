// Canvas and graphics objects; pictures keep the bytes they were loaded from; JPEG, icon and
// metafile loading with untrusted bytes.

#include <gtest/gtest.h>

#include "FormsTestUtil.h"
#include "platform/forms/Clipbrd.h"
#include "platform/forms/Jpeg.h"

namespace {
std::string Bytes(TGraphic& g) {
  TMemoryStream m;
  g.SaveToStream(&m);
  return std::string(static_cast<const char*>(m.Memory()), static_cast<std::size_t>(m.Size()));
}
template <class G>
void Load(G& g, const std::string& bytes) {
  TMemoryStream m;
  m.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  m.SetPosition(0);
  g.LoadFromStream(&m);
}
void Put16(std::string& s, int v) { s += char(v & 0xFF), s += char((v >> 8) & 0xFF); }
void Put32(std::string& s, std::int64_t v) {
  for (int i = 0; i < 4; ++i) s += char((v >> (8 * i)) & 0xFF);
}
void Checker(TBitmap& b, int w, int h) {
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Canvas()->SetPixels(x, y, (x + y) % 2 ? clRed : clBlue);
}
}  // namespace

TEST(Graphics, CanvasObjectsAndText) {
  TFormsSession s;
  TFont f;
  EXPECT_EQ(f.Height(), -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(10);
  EXPECT_EQ(f.Height(), -13);
  // A printer-resolution font keeps the point size of what it is assigned.
  TFont printerFont;
  printerFont.SetPixelsPerInch(300);
  printerFont.Assign(&f);
  EXPECT_EQ(printerFont.Height(), -42);
  EXPECT_EQ(printerFont.Size(), 10);
  TFont screenFont;
  screenFont.Assign(&printerFont);
  EXPECT_EQ(screenFont.Height(), -13);
  TBitmap b(40, 20);
  TCanvas* c = b.Canvas();
  c->Brush()->SetColor(clNavy);
  HBRUSH first = c->Brush()->Handle();
  c->FillRect(Bounds(0, 0, 10, 10));
  c->Brush()->SetColor(clLime);  // a new colour, a new brush
  EXPECT_NE(c->Brush()->Handle(), first);
  c->FillRect(Bounds(10, 0, 10, 10));
  EXPECT_EQ(c->Pixels(5, 5), clNavy);
  EXPECT_EQ(c->Pixels(15, 5), clLime);
  EXPECT_EQ(c->TextExtent("abc"), (SIZE{21, 13}));
  EXPECT_EQ(c->TextWidth("ä€"), 14) << "characters, not bytes";
  c->Pen()->SetColor(clRed);
  c->MoveTo(0, 15);
  c->LineTo(40, 15);
  EXPECT_EQ(c->Pixels(39, 15), clRed);
  EXPECT_EQ(c->PenPos(), (TPoint{40, 15}));
  // Resizing keeps the common part.
  b.SetSize(12, 12);
  EXPECT_EQ(b.Canvas()->Pixels(5, 5), clNavy);
  EXPECT_EQ(b.Canvas()->Pixels(11, 11), clWhite);
}

TEST(Graphics, BitmapStreamsKeepTheirBytes) {
  TFormsSession s;
  TBitmap src;
  Checker(src, 3, 2);
  std::string encoded = Bytes(src);
  ASSERT_GE(encoded.size(), 54u);
  EXPECT_EQ(encoded.substr(0, 2), "BM");
  // Trailing bytes of a loaded file survive a save unchanged.
  std::string file = encoded + "tail";
  TBitmap b;
  Load(b, file);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.Canvas()->Pixels(1, 0), clRed);
  TBitmap untouched;
  Load(untouched, file);
  EXPECT_EQ(Bytes(untouched), file);
  TPicture pic;
  pic.SetGraphic(&untouched);  // a copy keeps them too
  EXPECT_EQ(Bytes(*pic.Graphic()), file);
  // Drawing on it makes the bytes go.
  untouched.Canvas()->SetPixels(0, 0, clWhite);
  EXPECT_NE(Bytes(untouched), file);
  // Garbage: an exception and an empty bitmap.
  TBitmap bad;
  Checker(bad, 2, 2);
  EXPECT_THROW(Load(bad, "BMnot a bitmap"), EInvalidGraphic);
  EXPECT_TRUE(bad.Empty());
}

TEST(Graphics, JpegRoundTripErrorsAndSizeCap) {
  TFormsSession s;
  TBitmap src(16, 8);
  src.Canvas()->Brush()->SetColor(RGB(200, 40, 40));
  src.Canvas()->FillRect(Bounds(0, 0, 16, 8));
  TJPEGImage fromBitmap;
  fromBitmap.Assign(&src);
  std::string jpeg = Bytes(fromBitmap);
  ASSERT_GT(jpeg.size(), 4u);
  EXPECT_EQ(static_cast<unsigned char>(jpeg[0]), 0xFF);
  EXPECT_EQ(static_cast<unsigned char>(jpeg[1]), 0xD8);
  TJPEGImage loaded;
  Load(loaded, jpeg);
  EXPECT_EQ(loaded.Width(), 16);
  EXPECT_EQ(loaded.Height(), 8);
  EXPECT_EQ(Bytes(loaded), jpeg) << "saved as loaded, not re-encoded";
  COLORREF c = ColorFromPixel(loaded.Bitmap()->Pixels()->At(8, 4));
  EXPECT_NEAR(GetRValue(c), 200, 8);
  EXPECT_NEAR(GetGValue(c), 40, 8);
  // Not a JPEG: libjpeg's message code in the text.
  TJPEGImage bad;
  try {
    Load(bad, "definitely not a jpeg");
    ADD_FAILURE();
  } catch (EJPEG& e) {
    EXPECT_EQ(e.Message(), "JPEG error #53");
  }
  EXPECT_TRUE(bad.Empty());
  // A header that claims 65535 x 65535 is refused before decoding.
  std::string huge = jpeg;
  auto sof = huge.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  huge[sof + 5] = huge[sof + 6] = huge[sof + 7] = huge[sof + 8] = char(0xFF);
  EXPECT_THROW(Load(bad, huge), EJPEG);
  // Cut inside the scan data: the header loads, decoding fills the rest (libjpeg warns only).
  auto sos = jpeg.find("\xFF\xDA");
  ASSERT_NE(sos, std::string::npos);
  TJPEGImage cut;
  Load(cut, jpeg.substr(0, sos + (jpeg.size() - sos) / 2));
  EXPECT_NO_THROW(cut.DIBNeeded());
  // Cut before the scan: the header itself is incomplete.
  EXPECT_THROW(Load(cut, jpeg.substr(0, sos)), EJPEG);
  EXPECT_TRUE(cut.Empty());
}

TEST(Graphics, IconsMetafilesAndFormats) {
  TFormsSession s;
  // A 2 x 2 32-bit icon: directory, then a DIB of double height (colours, then the AND mask).
  std::string dib;
  Put32(dib, 40), Put32(dib, 2), Put32(dib, 4), Put16(dib, 1), Put16(dib, 32);
  for (int i = 0; i < 6; ++i) Put32(dib, 0);
  for (int i = 0; i < 4; ++i) Put32(dib, 0xFF00FF00);  // green
  for (int i = 0; i < 2; ++i) Put32(dib, 0);           // mask rows
  std::string ico;
  Put16(ico, 0), Put16(ico, 1), Put16(ico, 1);
  ico += char(2), ico += char(2), ico += char(0), ico += char(0);
  Put16(ico, 1), Put16(ico, 32), Put32(ico, static_cast<std::int64_t>(dib.size())), Put32(ico, 22);
  ico += dib;
  TIcon icon;
  Load(icon, ico);
  EXPECT_EQ(icon.Width(), 2);
  EXPECT_EQ(Bytes(icon), ico);
  EXPECT_THROW(Load(icon, "nope"), EInvalidGraphic);

  struct Case {
    std::string bytes;
    int w, h;
  };
  std::string wmf;
  Put32(wmf, 0x9AC6CDD7), Put16(wmf, 0), Put16(wmf, 0), Put16(wmf, 0), Put16(wmf, 1440), Put16(wmf, 720),
      Put16(wmf, 1440), Put32(wmf, 0), Put16(wmf, 0);
  wmf += "records";
  std::string emf;
  Put32(emf, 1), Put32(emf, 88), Put32(emf, 10), Put32(emf, 20), Put32(emf, 109), Put32(emf, 69);
  for (int i = 0; i < 4; ++i) Put32(emf, 0);
  Put32(emf, 0x464D4520);
  emf += std::string(44, '\0');
  for (const Case& c : {Case{wmf, 96, 48}, Case{emf, 100, 50}}) {
    TMetafile m;
    Load(m, c.bytes);
    EXPECT_EQ(m.Width(), c.w);
    EXPECT_EQ(m.Height(), c.h);
    EXPECT_EQ(Bytes(m), c.bytes);
  }
  TMetafile m;
  EXPECT_THROW(Load(m, "MZ executable"), EInvalidGraphic);
  // Extreme bounds are refused, not wrapped around into a small size.
  for (auto [left, right] :
       {std::pair{INT32_MIN, INT32_MAX}, std::pair{-2, INT32_MAX}, std::pair{INT32_MAX, INT32_MIN}}) {
    std::string l, r, bad = emf;
    Put32(l, static_cast<std::uint32_t>(left)), Put32(r, static_cast<std::uint32_t>(right));
    for (std::size_t at : {8, 12}) bad.replace(at, 4, l);
    for (std::size_t at : {16, 20}) bad.replace(at, 4, r);
    EXPECT_THROW(Load(m, bad), EInvalidGraphic) << left << " " << right;
  }

  EXPECT_EQ(GraphicClassForExtension(".JPG"), TGraphicClass::Of<TJPEGImage>());
  EXPECT_EQ(GraphicExtension(TGraphicClass::Of<TBitmap>()), "bmp");
  EXPECT_EQ(GraphicFilter(TGraphicClass::Of<TJPEGImage>()),
            "All (*.jpg;*.jpeg)|*.jpg;*.jpeg|JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg");
  TPicture pic;
  try {
    pic.LoadFromFile("/tmp/picture.xyz");
    ADD_FAILURE();
  } catch (EInvalidGraphic& e) {
    EXPECT_EQ(e.Message(), "Unknown picture file extension (.xyz)");
  }
}

TEST(Graphics, ClipboardCarriesPicturesByteForByte) {
  TFormsSession s;
  TBitmap src(8, 8);
  src.Canvas()->Brush()->SetColor(clTeal);
  src.Canvas()->FillRect(Bounds(0, 0, 8, 8));
  TJPEGImage jpeg;
  jpeg.Assign(&src);
  std::string bytes = Bytes(jpeg);
  Clipboard()->Assign(&jpeg);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_PICTURE));
  EXPECT_TRUE(Clipboard()->HasFormat(CF_BITMAP));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  TPicture pasted;
  ASSERT_TRUE(Clipboard()->AssignTo(&pasted));
  auto* back = dynamic_cast<TJPEGImage*>(pasted.Graphic());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(Bytes(*back), bytes);
  Clipboard()->SetAsText("text only");
  EXPECT_FALSE(Clipboard()->HasFormat(CF_PICTURE));
  EXPECT_FALSE(Clipboard()->AssignTo(&pasted));
  EXPECT_NE(pasted.Graphic(), nullptr) << "a failed paste leaves the picture as it was";
}
