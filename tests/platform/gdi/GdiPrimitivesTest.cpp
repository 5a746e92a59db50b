// Primitives against expected pixels on a small memory bitmap.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/gdi/WinGdi.h"

namespace {

constexpr COLORREF kBlack = RGB(0, 0, 0), kWhite = RGB(255, 255, 255), kRed = RGB(255, 0, 0);

// A white 32-bit bitmap in a memory DC, read back as text: '#' black, '.' white, 'r' red, '?' other.
struct Canvas {
  HDC dc;
  HBITMAP bitmap, old;
  int w, h;
  Canvas(int width, int height) : w(width), h(height) {
    dc = CreateCompatibleDC(HDC());
    bitmap = CreateBitmap(w, h, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
  std::vector<std::string> Rows() const {
    std::vector<std::string> rows;
    const Surface& s = *BitmapSurface(bitmap);
    for (int y = 0; y < h; ++y) {
      std::string row;
      for (int x = 0; x < w; ++x) {
        const COLORREF c = ColorFromPixel(s.At(x, y));
        row += c == kBlack ? '#' : c == kWhite ? '.' : c == kRed ? 'r' : '?';
      }
      rows.push_back(row);
    }
    return rows;
  }
};

struct PixelCase {
  const char* name;
  std::function<void(HDC)> draw;
  std::vector<std::string> expected;
};

void RunCases(const std::vector<PixelCase>& cases, int w, int h) {
  for (const PixelCase& c : cases) {
    Canvas cv(w, h);
    c.draw(cv.dc);
    EXPECT_EQ(cv.Rows(), c.expected) << c.name;
  }
}

}  // namespace

TEST(GdiPixels, RectanglesLinesAndShapesFollowGdiRules) {
  HBRUSH black = CreateSolidBrush(kBlack);
  HPEN red = CreatePen(PS_SOLID, 1, kRed);
  const std::vector<PixelCase> cases{
      {"FillRect is half-open",
       [&](HDC dc) {
         RECT r{1, 1, 4, 3};
         FillRect(dc, &r, black);
       },
       {"......", ".###..", ".###..", "......", "......"}},
      {"FillRect of an inverted rectangle fills its normalised area",
       [&](HDC dc) {
         RECT r{4, 3, 1, 1};
         FillRect(dc, &r, black);
       },
       {"......", ".###..", ".###..", "......", "......"}},
      {"FrameRect draws the inside edge",
       [&](HDC dc) {
         RECT r{0, 0, 5, 4};
         FrameRect(dc, &r, black);
       },
       {"#####.", "#...#.", "#...#.", "#####.", "......"}},
      {"LineTo leaves out its end point, both directions",
       [&](HDC dc) {
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 4, 0);
         MoveToEx(dc, 5, 4, nullptr);
         LineTo(dc, 5, 1);
       },
       {"####..", "......", ".....#", ".....#", ".....#"}},
      {"diagonal line",
       [&](HDC dc) {
         MoveToEx(dc, 0, 0, nullptr);
         LineTo(dc, 4, 4);
       },
       {"#.....", ".#....", "..#...", "...#..", "......"}},
      {"Polyline leaves out only the last point",
       [&](HDC dc) {
         POINT p[3] = {{0, 0}, {3, 0}, {3, 3}};
         Polyline(dc, p, 3);
       },
       {"####..", "...#..", "...#..", "......", "......"}},
      {"Rectangle: pen on the box edge, brush inside, right and bottom excluded",
       [&](HDC dc) {
         SelectObject(dc, red);
         SelectObject(dc, black);
         Rectangle(dc, 0, 0, 5, 4);
       },
       {"rrrrr.", "r###r.", "r###r.", "rrrrr.", "......"}},
      {"Rectangle with a null pen is one pixel smaller",
       [&](HDC dc) {
         SelectObject(dc, GetStockPen(NULL_PEN));
         SelectObject(dc, black);
         Rectangle(dc, 0, 0, 5, 4);
       },
       {"####..", "####..", "####..", "......", "......"}},
      {"Polygon fills the pixel centres inside and outlines every vertex",
       [&](HDC dc) {
         SelectObject(dc, red);
         SelectObject(dc, black);
         POINT p[4] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
         Polygon(dc, p, 4);
       },
       {"rrrrr.", "r###r.", "r###r.", "rrrrr.", "......"}},
      {"Polygon: fill and outline cover the shape, also under an edge falling right to left",
       [&](HDC dc) {
         SelectObject(dc, red);
         SelectObject(dc, black);
         POINT p[3] = {{0, 0}, {4, 0}, {2, 2}};
         Polygon(dc, p, 3);
       },
       {"rrrrr.", ".r#r..", "..r...", "......", "......"}},
      {"Polygon without a pen fills the inside, right and bottom edges excluded",
       [&](HDC dc) {
         SelectObject(dc, GetStockPen(NULL_PEN));
         SelectObject(dc, black);
         POINT p[3] = {{0, 0}, {4, 0}, {2, 2}};
         Polygon(dc, p, 3);
       },
       {"####..", ".##...", "......", "......", "......"}},
      {"Ellipse stays inside its box",
       [&](HDC dc) {
         SelectObject(dc, GetStockPen(BLACK_PEN));
         SelectObject(dc, GetStockBrush(NULL_BRUSH));
         Ellipse(dc, 0, 0, 5, 5);
       },
       {".###..", "#...#.", "#...#.", "#...#.", ".###.."}},
      {"InvertRect inverts",
       [&](HDC dc) {
         RECT a{0, 0, 4, 2};
         FillRect(dc, &a, black);
         RECT r{2, 0, 6, 1};
         InvertRect(dc, &r);
       },
       {"##..##", "####..", "......", "......", "......"}},
      {"R2_NOT twice restores",
       [&](HDC dc) {
         SetROP2(dc, R2_NOT);
         MoveToEx(dc, 0, 1, nullptr);
         LineTo(dc, 6, 1);
         MoveToEx(dc, 0, 1, nullptr);
         LineTo(dc, 3, 1);
       },
       {"......", "...###", "......", "......", "......"}},
      {"DSTINVERT PatBlt ignores a null brush",
       [&](HDC dc) {
         SelectObject(dc, GetStockBrush(NULL_BRUSH));
         PatBlt(dc, 1, 1, 2, 2, DSTINVERT);
         PatBlt(dc, 3, 3, 2, 2, PATCOPY);
       },
       {"......", ".##...", ".##...", "......", "......"}},
  };
  RunCases(cases, 6, 5);
  DeleteObject(black);
  DeleteObject(red);
}

TEST(GdiPixels, FocusRectangleAndPatternBrushAnchoring) {
  const std::vector<PixelCase> cases{
      // Every other pixel from the device origin, inverted once even at the corners.
      {"DrawFocusRect",
       [](HDC dc) {
         RECT r{0, 0, 6, 5};
         DrawFocusRect(dc, &r);
       },
       {"#.#.#.", ".....#", "#.....", ".....#", "#.#.#."}},
      {"DrawFocusRect twice erases",
       [](HDC dc) {
         RECT r{1, 1, 5, 4};
         DrawFocusRect(dc, &r);
         DrawFocusRect(dc, &r);
       },
       {"......", "......", "......", "......", "......"}},
      {"pattern brush from an 8 x 8 mono checker, anchored at the brush origin",
       [](HDC dc) {
         const BYTE rows[16] = {0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0, 0xAA, 0, 0x55, 0};
         HBITMAP mono = CreateBitmap(8, 8, 1, 1, rows);
         HBRUSH b = CreatePatternBrush(mono);
         SetBrushOrgEx(dc, 1, 0, nullptr);  // shifts the checker by one
         RECT r{0, 0, 6, 2};
         FillRect(dc, &r, b);  // mono pattern: 1 bits in the background colour, 0 bits in the text colour
         DeleteObject(b);
         DeleteObject(mono);
       },
       {"#.#.#.", ".#.#.#", "......", "......", "......"}},
  };
  RunCases(cases, 6, 5);
}

TEST(GdiPixels, MonochromeBlitsUseTextAndBackgroundColours) {
  // Mono -> colour: 0 bits take the text colour, 1 bits the background colour.
  const BYTE rows[4] = {0x50, 0, 0xA0, 0};  // ".#.#" and "#.#.", rows padded to 16 bits
  HBITMAP mono = CreateBitmap(4, 2, 1, 1, rows);
  HDC src = CreateCompatibleDC(HDC());
  HBITMAP oldSrc = SelectObject(src, mono);
  Canvas cv(4, 2);
  SetTextColor(cv.dc, kRed);
  SetBkColor(cv.dc, kBlack);
  BitBlt(cv.dc, 0, 0, 4, 2, src, 0, 0, SRCCOPY);
  EXPECT_EQ(cv.Rows(), (std::vector<std::string>{"r#r#", "#r#r"}));

  // Colour -> mono: the source background colour becomes white, everything else black.
  HBITMAP mask = CreateBitmap(4, 2, 1, 1, nullptr);
  HDC maskDc = CreateCompatibleDC(HDC());
  HBITMAP oldMask = SelectObject(maskDc, mask);
  SetBkColor(cv.dc, kRed);
  BitBlt(maskDc, 0, 0, 4, 2, cv.dc, 0, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(maskDc, 0, 0), kWhite);
  EXPECT_EQ(GetPixel(maskDc, 1, 0), kBlack);

  // The masked-pattern operation 0xB8074A paints the brush where the mask is black only.
  Canvas out(4, 2);
  HBRUSH red = CreateSolidBrush(kRed);
  SelectObject(out.dc, red);
  BitBlt(out.dc, 0, 0, 4, 2, maskDc, 0, 0, 0x00B8074A);
  EXPECT_EQ(out.Rows(), (std::vector<std::string>{".r.r", "r.r."}));

  // StretchBlt with a negative width mirrors.
  Canvas mirrored(4, 2);
  StretchBlt(mirrored.dc, 3, 0, -4, 2, cv.dc, 0, 0, 4, 2, SRCCOPY);
  EXPECT_EQ(mirrored.Rows(), (std::vector<std::string>{"#r#r", "r#r#"}));

  SelectObject(src, oldSrc);
  SelectObject(maskDc, oldMask);
  DeleteDC(src);
  DeleteDC(maskDc);
  DeleteObject(mono);
  DeleteObject(mask);
  DeleteObject(red);
}

TEST(GdiPixels, FarAwayLineEndPointsAreClippedCheaply) {
  Canvas cv(6, 3);
  MoveToEx(cv.dc, -2000000000, 1, nullptr);
  LineTo(cv.dc, 2000000000, 1);
  MoveToEx(cv.dc, -1000000000, -1000000000, nullptr);
  LineTo(cv.dc, 1000000000, 1000000000);  // diagonal through (0,0)
  EXPECT_EQ(cv.Rows(), (std::vector<std::string>{"#.....", "######", "..#..."}));
}
