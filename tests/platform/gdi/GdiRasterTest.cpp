// Raster operations, DIB rows, polygon and path regions, and the classic edge shapes.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/core/Colors.h"
#include "platform/gdi/WinGdi.h"

namespace {

struct MemDC {
  HDC dc;
  HBITMAP bitmap, old;
  MemDC(int w, int h, COLORREF fill) {
    dc = CreateCompatibleDC(HDC());
    bitmap = CreateBitmap(w, h, 1, 32, nullptr);
    old = SelectObject(dc, bitmap);
    HBRUSH b = CreateSolidBrush(fill);
    RECT r{0, 0, w, h};
    FillRect(dc, &r, b);
    DeleteObject(b);
  }
  ~MemDC() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
  }
};

constexpr COLORREF kDest = 0x0033F00F, kSrc = 0x00F00F55, kPat = 0x00AACC0F;

}  // namespace

TEST(GdiRaster, BlitOperationsCombineSourcePatternAndDestinationBitwise) {
  struct Case {
    const char* name;
    DWORD rop;
    COLORREF expected;
  };
  const COLORREF D = kDest, S = kSrc, P = kPat, M = 0xFFFFFF;
  const std::vector<Case> cases{
      {"SRCCOPY", SRCCOPY, S},
      {"SRCAND", SRCAND, S & D},
      {"SRCPAINT", SRCPAINT, S | D},
      {"SRCINVERT", SRCINVERT, S ^ D},
      {"SRCERASE", SRCERASE, S & (~D & M)},
      {"NOTSRCCOPY", NOTSRCCOPY, ~S & M},
      {"NOTSRCERASE", NOTSRCERASE, ~(S | D) & M},
      {"MERGEPAINT", MERGEPAINT, (~S & M) | D},
      {"MERGECOPY", MERGECOPY, P & S},
      {"PATCOPY", PATCOPY, P},
      {"PATINVERT", PATINVERT, P ^ D},
      {"PATPAINT", PATPAINT, P | (~S & M) | D},
      {"DSTINVERT", DSTINVERT, ~D & M},
      {"BLACKNESS", BLACKNESS, 0},
      {"WHITENESS", WHITENESS, M},
  };
  MemDC src(2, 2, kSrc);
  for (const Case& c : cases) {
    MemDC dst(2, 2, kDest);
    HBRUSH brush = CreateSolidBrush(kPat);
    HBRUSH oldBrush = SelectObject(dst.dc, brush);
    ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 2, 2, src.dc, 0, 0, c.rop)) << c.name;
    EXPECT_EQ(GetPixel(dst.dc, 1, 1), c.expected) << c.name;
    SelectObject(dst.dc, oldBrush);
    DeleteObject(brush);
  }
}

TEST(GdiRaster, PenMixModesAndPixelsOutsideThePicture) {
  struct Case {
    int rop2;
    COLORREF expected;
  };
  const COLORREF D = kDest, P = kPat, M = 0xFFFFFF;
  for (const Case& c : {Case{R2_COPYPEN, P}, Case{R2_XORPEN, P ^ D}, Case{R2_NOTXORPEN, ~(P ^ D) & M},
                        Case{R2_MASKPEN, P & D}, Case{R2_MERGEPEN, P | D}, Case{R2_NOT, ~D & M},
                        Case{R2_NOTCOPYPEN, ~P & M}, Case{R2_NOP, D}, Case{R2_BLACK, 0}, Case{R2_WHITE, M}}) {
    MemDC m(4, 1, kDest);
    HPEN pen = CreatePen(PS_SOLID, 1, kPat);
    HPEN oldPen = SelectObject(m.dc, pen);
    SetROP2(m.dc, c.rop2);
    MoveToEx(m.dc, 0, 0, nullptr);
    LineTo(m.dc, 3, 0);
    EXPECT_EQ(GetPixel(m.dc, 1, 0), c.expected) << "ROP2 " << c.rop2;
    EXPECT_EQ(GetPixel(m.dc, 3, 0), kDest) << "end point, ROP2 " << c.rop2;
    SelectObject(m.dc, oldPen);
    DeleteObject(pen);
  }
  MemDC m(3, 3, kDest);
  EXPECT_EQ(SetPixel(m.dc, 2, 2, RGB(1, 2, 3)), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(m.dc, 2, 2), RGB(1, 2, 3));
  EXPECT_EQ(GetPixel(m.dc, 3, 0), CLR_INVALID);
  EXPECT_EQ(GetPixel(m.dc, -1, 0), CLR_INVALID);
}

TEST(GdiRaster, DibSectionRowsAndBottomUpReads) {
  BITMAPINFO bi;
  bi.bmiHeader.biWidth = 3;
  bi.bmiHeader.biHeight = -2;  // top-down
  void* bits = nullptr;
  HBITMAP bmp = CreateDIBSection(HDC(), &bi, DIB_RGB_COLORS, &bits, 0, 0);
  ASSERT_TRUE(bmp);
  ASSERT_NE(bits, nullptr);
  auto* px = static_cast<std::uint32_t*>(bits);
  px[1 * 3 + 2] = 0x00FF0000;  // memory order B, G, R, A: red at (2, 1)
  HDC dc = CreateCompatibleDC(HDC());
  HBITMAP old = SelectObject(dc, bmp);
  EXPECT_EQ(GetPixel(dc, 2, 1), RGB(255, 0, 0));
  SetPixel(dc, 0, 0, RGB(0, 0, 255));
  EXPECT_EQ(px[0] & 0xFFFFFF, 0x0000FFu);  // drawing shows in the section's memory

  // A bottom-up request gets the last row first.
  BITMAPINFO up;
  up.bmiHeader.biWidth = 3;
  up.bmiHeader.biHeight = 2;
  std::vector<std::uint32_t> rows(6);
  SelectObject(dc, old);
  EXPECT_EQ(GetDIBits(dc, bmp, 0, 2, rows.data(), &up, DIB_RGB_COLORS), 2);
  EXPECT_EQ(rows[2] & 0xFFFFFF, 0xFF0000u);
  EXPECT_EQ(rows[3] & 0xFFFFFF, 0x0000FFu);
  DeleteDC(dc);
  DeleteObject(bmp);
}

TEST(GdiRegions, PolygonRegionIsWhatPolygonFills) {
  // A five-pointed star: the alternate rule leaves the centre out, winding fills it.
  const POINT star[] = {{10, 0}, {16, 19}, {0, 7}, {20, 7}, {4, 19}};
  for (int mode : {ALTERNATE, WINDING}) {
    HRGN rgn = CreatePolygonRgn(star, 5, mode);
    ASSERT_TRUE(rgn);
    EXPECT_EQ(PtInRegion(rgn, 10, 10) != 0, mode == WINDING);
    MemDC m(21, 21, RGB(255, 255, 255));
    SelectObject(m.dc, GetStockPen(NULL_PEN));
    SelectObject(m.dc, GetStockBrush(BLACK_BRUSH));
    SetPolyFillMode(m.dc, mode);
    Polygon(m.dc, star, 5);
    int differ = 0;
    for (int y = 0; y < 21; ++y)
      for (int x = 0; x < 21; ++x) differ += (GetPixel(m.dc, x, y) == 0) != (PtInRegion(rgn, x, y) != 0);
    EXPECT_EQ(differ, 0) << "mode " << mode;
    DeleteObject(rgn);
  }
  // A path of the same figure gives the same region.
  MemDC m(21, 21, RGB(255, 255, 255));
  SetPolyFillMode(m.dc, WINDING);
  BeginPath(m.dc);
  Polygon(m.dc, star, 5);
  EndPath(m.dc);
  HRGN fromPath = PathToRegion(m.dc);
  HRGN direct = CreatePolygonRgn(star, 5, WINDING);
  ASSERT_TRUE(fromPath);
  EXPECT_TRUE(PtInRegion(fromPath, 10, 10));
  EXPECT_TRUE(PtInRegion(fromPath, 10, 3));
  EXPECT_FALSE(PtInRegion(fromPath, 1, 1));
  DeleteObject(fromPath);
  // A polyline traced in a path is a closed figure: its inside, not the pen's pixels, and
  // nothing is painted.
  BeginPath(m.dc);
  Polyline(m.dc, star, 5);
  EndPath(m.dc);
  fromPath = PathToRegion(m.dc);
  ASSERT_TRUE(fromPath);
  int differ = 0, painted = 0;
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 21; ++x) {
      differ += (PtInRegion(fromPath, x, y) != 0) != (PtInRegion(direct, x, y) != 0);
      painted += GetPixel(m.dc, x, y) != RGB(255, 255, 255);
    }
  EXPECT_EQ(differ, 0);
  EXPECT_EQ(painted, 0);
  DeleteObject(fromPath);
  DeleteObject(direct);
  EXPECT_FALSE(CreatePolygonRgn(star, 1, ALTERNATE));
}

TEST(GdiRaster, SunkenAndRaisedEdges) {
  // Top and left in the first colour, bottom and right (corners included) in the second;
  // the inner ring one pixel in. BF_ADJUST shrinks the rectangle by what was drawn.
  const COLORREF sh = GetSysColor(COLOR_BTNSHADOW), hi = GetSysColor(COLOR_BTNHIGHLIGHT),
                 dk = GetSysColor(COLOR_3DDKSHADOW), li = GetSysColor(COLOR_3DLIGHT);
  auto rows = [&](UINT edge) {
    MemDC m(5, 5, RGB(1, 1, 1));
    RECT r{0, 0, 5, 5};
    DrawEdge(m.dc, &r, edge, BF_RECT | BF_ADJUST);
    std::vector<std::string> out;
    for (int y = 0; y < 5; ++y) {
      std::string row;
      for (int x = 0; x < 5; ++x) {
        const COLORREF c = GetPixel(m.dc, x, y);
        row += c == sh ? 's' : c == hi ? 'h' : c == dk ? 'd' : c == li ? 'l' : c == RGB(1, 1, 1) ? '.' : '?';
      }
      out.push_back(row);
    }
    out.push_back(std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
                  std::to_string(r.bottom));
    return out;
  };
  EXPECT_EQ(rows(EDGE_SUNKEN), (std::vector<std::string>{"ssssh", "sddlh", "sd.lh", "slllh", "hhhhh", "2,2,3,3"}));
  EXPECT_EQ(rows(BDR_RAISEDOUTER), (std::vector<std::string>{"lllld", "l...d", "l...d", "l...d", "ddddd", "1,1,4,4"}));
}
