#include "analyzer/ui/Images.h"

#include <functional>

namespace {
constexpr TColor kMask = clFuchsia;

void Box(TCanvas* c, TColor fill, TColor frame, int l, int t, int r, int b) {
  c->Brush()->SetColor(fill);
  c->Pen()->SetColor(frame);
  c->Rectangle(l, t, r, b);
}

void Disc(TCanvas* c, TColor fill, TColor frame, int l, int t, int r, int b) {
  c->Brush()->SetColor(fill);
  c->Pen()->SetColor(frame);
  c->Ellipse(l, t, r, b);
}

void Shape(TCanvas* c, TColor fill, TColor frame, std::vector<TPoint> points) {
  c->Brush()->SetColor(fill);
  c->Pen()->SetColor(frame);
  c->Polygon(points);
}

void Line(TCanvas* c, TColor color, int x1, int y1, int x2, int y2) {
  c->Pen()->SetColor(color);
  c->MoveTo(x1, y1);
  c->LineTo(x2, y2);
}

// A database cylinder.
void Cylinder(TCanvas* c, TColor fill) {
  Box(c, fill, clNavy, 3, 4, 13, 14);
  Disc(c, fill, clNavy, 3, 1, 13, 7);
  Disc(c, fill, clNavy, 3, 11, 13, 16);
  Box(c, fill, fill, 4, 4, 12, 13);
  Line(c, clNavy, 3, 4, 3, 13);
  Line(c, clNavy, 12, 4, 12, 13);
}

void Page(TCanvas* c, TColor ink) {
  Shape(c, clWhite, clGray, {{3, 1}, {10, 1}, {13, 4}, {13, 15}, {3, 15}});
  for (int y = 5; y < 14; y += 2) Line(c, ink, 5, y, 11, y);
}

const std::function<void(TCanvas*)> kPictures[imgCount] = {
    // Connect, Disconnect
    [](TCanvas* c) { Cylinder(c, RGB(120, 200, 120)); },
    [](TCanvas* c) {
      Cylinder(c, clSilver);
      Line(c, clRed, 2, 2, 14, 14);
      Line(c, clRed, 3, 2, 14, 13);
    },
    // Prepare, Execute, Cancel
    [](TCanvas* c) {
      Page(c, clNavy);
      Disc(c, clYellow, clOlive, 8, 8, 15, 15);
    },
    [](TCanvas* c) {
      Shape(c, clLime, clGreen, {{4, 2}, {13, 8}, {4, 14}});
    },
    [](TCanvas* c) { Disc(c, clRed, clMaroon, 2, 2, 14, 14), Box(c, clWhite, clWhite, 5, 7, 11, 9); },
    // Previous, Next
    [](TCanvas* c) {
      Shape(c, RGB(70, 130, 220), clNavy, {{2, 8}, {9, 2}, {9, 6}, {14, 6}, {14, 10}, {9, 10}, {9, 14}});
    },
    [](TCanvas* c) {
      Shape(c, RGB(70, 130, 220), clNavy, {{14, 8}, {7, 2}, {7, 6}, {2, 6}, {2, 10}, {7, 10}, {7, 14}});
    },
    // Open, Save, Print
    [](TCanvas* c) {
      Shape(c, RGB(240, 210, 110), clOlive, {{1, 4}, {6, 4}, {7, 5}, {14, 5}, {14, 14}, {1, 14}});
      Shape(c, RGB(255, 235, 150), clOlive, {{3, 8}, {15, 8}, {13, 14}, {1, 14}});
    },
    [](TCanvas* c) {
      Box(c, RGB(70, 100, 190), clNavy, 1, 1, 15, 15);
      Box(c, clWhite, clWhite, 4, 2, 12, 7);
      Box(c, clSilver, clGray, 4, 10, 12, 15);
    },
    [](TCanvas* c) {
      Box(c, clWhite, clGray, 4, 1, 12, 6);
      Box(c, clSilver, clGray, 1, 6, 15, 12);
      Box(c, clWhite, clGray, 4, 10, 12, 15);
    },
    // Undo, Cut, Copy, Paste, Delete
    [](TCanvas* c) {
      Shape(c, RGB(70, 130, 220), clNavy,
            {{2, 6}, {7, 2}, {7, 4}, {13, 4}, {13, 13}, {10, 13}, {10, 8}, {7, 8}, {7, 10}});
    },
    [](TCanvas* c) {
      Line(c, clBlack, 5, 1, 10, 10), Line(c, clBlack, 10, 1, 5, 10);
      Disc(c, clWhite, clNavy, 2, 9, 7, 15), Disc(c, clWhite, clNavy, 8, 9, 13, 15);
    },
    [](TCanvas* c) {
      Shape(c, clWhite, clGray, {{1, 1}, {9, 1}, {9, 11}, {1, 11}});
      Shape(c, clWhite, clNavy, {{6, 5}, {14, 5}, {14, 15}, {6, 15}});
    },
    [](TCanvas* c) {
      Box(c, RGB(200, 160, 90), clMaroon, 2, 2, 14, 15);
      Box(c, clSilver, clGray, 5, 1, 11, 4);
      Box(c, clWhite, clGray, 7, 6, 15, 15);
    },
    [](TCanvas* c) {
      Line(c, clRed, 3, 3, 13, 13), Line(c, clRed, 4, 3, 13, 12), Line(c, clRed, 13, 3, 3, 13),
          Line(c, clRed, 12, 3, 3, 12);
    },
    // Options, Help, About
    [](TCanvas* c) {
      Disc(c, clSilver, clGray, 2, 2, 14, 14);
      Disc(c, kMask, clGray, 6, 6, 10, 10);
    },
    [](TCanvas* c) {
      Disc(c, RGB(70, 130, 220), clNavy, 1, 1, 15, 15);
      c->Font()->SetColor(clWhite), c->Font()->SetStyle(TFontStyles{fsBold}), c->Brush()->SetStyle(bsClear);
      c->TextOut(5, 1, "?");
    },
    [](TCanvas* c) {
      Disc(c, RGB(70, 130, 220), clNavy, 1, 1, 15, 15);
      Box(c, clWhite, clWhite, 7, 7, 9, 13), Box(c, clWhite, clWhite, 7, 3, 9, 5);
    },
    // 18: SORT, MERGE, ORDER
    [](TCanvas* c) {
      Box(c, RGB(120, 160, 230), clNavy, 1, 2, 9, 5), Box(c, RGB(120, 160, 230), clNavy, 1, 7, 12, 10),
          Box(c, RGB(120, 160, 230), clNavy, 1, 12, 15, 15);
    },
    // 19: statement
    [](TCanvas* c) { Page(c, clNavy); },
    // 20: table read by index; 21: natural read
    [](TCanvas* c) {
      Box(c, clWhite, clNavy, 1, 2, 15, 14), Line(c, clNavy, 1, 6, 15, 6), Line(c, clNavy, 6, 2, 6, 14);
      Shape(c, clYellow, clOlive, {{9, 7}, {14, 10}, {9, 13}});
    },
    [](TCanvas* c) {
      Box(c, clWhite, clNavy, 1, 2, 15, 14), Line(c, clNavy, 1, 6, 15, 6), Line(c, clNavy, 1, 10, 15, 10),
          Line(c, clNavy, 6, 2, 6, 14);
    },
    // 22: join
    [](TCanvas* c) {
      Disc(c, RGB(150, 200, 250), clNavy, 1, 3, 10, 13), Disc(c, RGB(250, 220, 120), clOlive, 6, 3, 15, 13);
    },
    // 23: clause
    [](TCanvas* c) {
      Box(c, RGB(255, 250, 220), clOlive, 1, 3, 15, 13);
      Line(c, clOlive, 4, 6, 12, 6), Line(c, clOlive, 4, 9, 10, 9);
    },
    // 24: statistics
    [](TCanvas* c) {
      Box(c, clLime, clGreen, 2, 8, 5, 15), Box(c, clYellow, clOlive, 6, 4, 9, 15),
          Box(c, clRed, clMaroon, 10, 1, 13, 15);
    },
    // 25, 26, 27: good, warning, error selectivity
    [](TCanvas* c) {
      Disc(c, clLime, clGreen, 1, 1, 15, 15);
      c->Pen()->SetWidth(2), Line(c, clGreen, 4, 8, 7, 11), Line(c, clGreen, 7, 11, 12, 4), c->Pen()->SetWidth(1);
    },
    [](TCanvas* c) {
      Shape(c, clYellow, clOlive, {{8, 1}, {15, 14}, {1, 14}});
      Box(c, clBlack, clBlack, 7, 5, 9, 10), Box(c, clBlack, clBlack, 7, 11, 9, 13);
    },
    [](TCanvas* c) {
      Disc(c, clRed, clMaroon, 1, 1, 15, 15);
      c->Pen()->SetWidth(2), Line(c, clWhite, 5, 5, 11, 11), Line(c, clWhite, 11, 5, 5, 11), c->Pen()->SetWidth(1);
    },
};
}  // namespace

void LoadAnalyzerImages(TCustomImageList* list) {
  list->SetWidth(16);
  list->SetHeight(16);
  for (const auto& draw : kPictures) {
    TBitmap picture(16, 16);
    TCanvas* c = picture.Canvas();
    c->Brush()->SetColor(kMask);
    c->FillRect(TRect{0, 0, 16, 16});
    draw(c);
    list->AddMasked(&picture, kMask);
  }
}

void LoadAnalyzerIcon(TIcon* icon) {
  constexpr int kSize = 32;
  TBitmap picture(kSize, kSize);
  TCanvas* c = picture.Canvas();
  c->Brush()->SetColor(kMask);
  c->FillRect(TRect{0, 0, kSize, kSize});
  // A database with a PLAN tree beside it.
  Box(c, RGB(90, 140, 220), clNavy, 2, 8, 20, 28);
  Disc(c, RGB(90, 140, 220), clNavy, 2, 3, 20, 13);
  Disc(c, RGB(90, 140, 220), clNavy, 2, 23, 20, 31);
  Box(c, RGB(90, 140, 220), RGB(90, 140, 220), 3, 8, 19, 27);
  Line(c, clNavy, 2, 8, 2, 27), Line(c, clNavy, 19, 8, 19, 27);
  Disc(c, RGB(150, 190, 250), clNavy, 2, 3, 20, 13);
  Line(c, clBlack, 23, 6, 23, 26), Line(c, clBlack, 23, 12, 28, 12), Line(c, clBlack, 23, 20, 28, 20);
  Disc(c, clLime, clGreen, 20, 2, 27, 9), Disc(c, clYellow, clOlive, 25, 9, 32, 16),
      Disc(c, clRed, clMaroon, 25, 17, 32, 24);
  // An icon file of one 32-bit image: header, entry, bitmap header, rows bottom-up, empty mask.
  std::string bytes;
  auto u16 = [&](unsigned v) { bytes += char(v & 0xFF), bytes += char((v >> 8) & 0xFF); };
  auto u32 = [&](unsigned v) { u16(v & 0xFFFF), u16(v >> 16); };
  const unsigned pixels = kSize * kSize * 4, mask = kSize * 4;
  u16(0), u16(1), u16(1);
  bytes += char(kSize), bytes += char(kSize), bytes += char(0), bytes += char(0);
  u16(1), u16(32), u32(40 + pixels + mask), u32(22);
  u32(40), u32(kSize), u32(2 * kSize), u16(1), u16(32), u32(0), u32(pixels + mask), u32(0), u32(0), u32(0), u32(0);
  for (int y = kSize - 1; y >= 0; --y)
    for (int x = 0; x < kSize; ++x) {
      const COLORREF p = ColorToRGB(c->Pixels(x, y));
      const bool clear = p == ColorToRGB(kMask);
      bytes += char(GetBValue(p)), bytes += char(GetGValue(p)), bytes += char(GetRValue(p));
      bytes += char(clear ? 0 : 0xFF);
    }
  bytes.append(mask, '\0');
  TMemoryStream stream;
  stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
  stream.SetPosition(0);
  icon->LoadFromStream(&stream);
}
