// The named bitmaps, drawn from small pictures written as text ('#' black, '+' grey, '.' the
// background), and the system check-box bitmap drawn with the frame-control code.

#include "platform/gdi/GdiResources.h"

#include <algorithm>
#include <map>

#include "platform/core/SysUtils.h"

namespace {

using Art = std::vector<const char*>;

HBITMAP FromArt(const Art& art, COLORREF background) {
  const int h = static_cast<int>(art.size()), w = static_cast<int>(std::string_view(art[0]).size());
  HBITMAP b = CreateBitmap(w, h, 1, 32, nullptr);
  Surface* s = BitmapSurface(b);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const char c = art[y][x];
      s->Set(x, y, PixelFromColor(c == '#' ? RGB(0, 0, 0) : c == '+' ? RGB(128, 128, 128) : background));
    }
  return b;
}

const std::map<std::string, Art>& Arts() {
  static const std::map<std::string, Art> arts{
      {"KC_ARROWBITMAP",
       {"........", "..#.....", "..##....", "..###...", "..####..", "..###...", "..##....", "..#.....", "........"}},
      {"KC_EDITBITMAP",
       {"..###...", "...#....", "...#....", "...#....", "...#....", "...#....", "...#....", "...#....", "..###..."}},
      {"KC_INSERTBITMAP",
       {"........", "...#....", ".#.#.#..", "..###...", ".#####..", "..###...", ".#.#.#..", "...#....", "........"}},
      {"KC_MULTIDOTBITMAP",
       {"........", "........", "........", "...##...", "..####..", "..####..", "...##...", "........", "........"}},
      {"KC_MULTIARROWBITMAP",
       {"........", "#.......", "##......", "###.##..", "####.##.", "###.##..", "##......", "#.......", "........"}},
      {"KC_FILTERBITMAP",
       {"........", "#######.", ".#####..", "..###...", "...#....", "...#....", "...#....", "...#....", "........"}},
      {"KCEXPANDBUTTON_PLUS",
       {"+++++++++++", "+.........+", "+.........+", "+....#....+", "+....#....+", "+..#####..+", "+....#....+",
        "+....#....+", "+.........+", "+.........+", "+++++++++++"}},
      {"KCEXPANDBUTTON_MINUS",
       {"+++++++++++", "+.........+", "+.........+", "+.........+", "+.........+", "+..#####..+", "+.........+",
        "+.........+", "+.........+", "+.........+", "+++++++++++"}},
      {"SXEDITWRAPPED",
       {"................", "................", "...........#....", "...........#....", "...........#....",
        "...........#....", "...........#....", "....#......#....", "...##......#....", "..##########....",
        ".###########....", "..##############", "...##...........", "....#...........", "................",
        "................"}},
  };
  return arts;
}

// A scroll anchor: a ring with arrows pointing up/down, left/right, or all four.
HBITMAP Anchor(bool vertical, bool horizontal) {
  const int n = 27, c = 13;
  HBITMAP b = CreateBitmap(n, n, 1, 32, nullptr);
  Surface* s = BitmapSurface(b);
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x) {
      const int d2 = (x - c) * (x - c) + (y - c) * (y - c);
      if (d2 <= 13 * 13 && d2 >= 12 * 12) s->Set(x, y, 0xFF000000u);  // ring
      if (d2 <= 2 * 2) s->Set(x, y, 0xFF000000u);                     // centre dot
    }
  for (int i = 0; i < 4; ++i)  // arrow heads, 7 wide at the base
    for (int k = -i; k <= i; ++k) {
      if (vertical) s->Set(c + k, 4 + i, 0xFF000000u), s->Set(c + k, n - 5 - i, 0xFF000000u);
      if (horizontal) s->Set(4 + i, c + k, 0xFF000000u), s->Set(n - 5 - i, c + k, 0xFF000000u);
    }
  return b;
}

// Ten bookmark images: a framed square holding the digit 0..9 (3 x 5 digits, doubled).
HBITMAP BookmarkImages() {
  static const char* digits[10][5] = {{"###", "#.#", "#.#", "#.#", "###"}, {".#.", "##.", ".#.", ".#.", "###"},
                                      {"###", "..#", "###", "#..", "###"}, {"###", "..#", "###", "..#", "###"},
                                      {"#.#", "#.#", "###", "..#", "..#"}, {"###", "#..", "###", "..#", "###"},
                                      {"###", "#..", "###", "#.#", "###"}, {"###", "..#", "..#", "..#", "..#"},
                                      {"###", "#.#", "###", "#.#", "###"}, {"###", "#.#", "###", "..#", "###"}};
  HBITMAP b = CreateBitmap(160, 16, 1, 32, nullptr);
  Surface* s = BitmapSurface(b);
  s->Fill(PixelFromColor(RGB(0, 255, 0)));
  for (int i = 0; i < 10; ++i) {
    const int x0 = i * 16;
    s->Fill(RECT{x0 + 1, 1, x0 + 15, 15}, 0xFF000000u);
    s->Fill(RECT{x0 + 2, 2, x0 + 14, 14}, PixelFromColor(RGB(255, 255, 192)));
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 3; ++x)
        if (digits[i][y][x] == '#') s->Fill(RECT{x0 + 5 + 2 * x, 3 + 2 * y, x0 + 7 + 2 * x, 5 + 2 * y}, 0xFF000000u);
  }
  return b;
}

HBITMAP CheckBoxes() {
  HBITMAP b = CreateBitmap(52, 39, 1, 32, nullptr);
  HDC dc = CreateCompatibleDC(HDC());
  HBITMAP old = SelectObject(dc, b);
  static const UINT rows[3] = {DFCS_BUTTONCHECK, DFCS_BUTTONRADIO, DFCS_BUTTON3STATE};
  static const UINT cols[4] = {0, DFCS_CHECKED, DFCS_PUSHED, DFCS_PUSHED | DFCS_CHECKED};
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 4; ++c) {
      RECT cell{c * 13, r * 13, c * 13 + 13, r * 13 + 13};
      DrawFrameControl(dc, &cell, DFC_BUTTON, rows[r] | cols[c]);
    }
  SelectObject(dc, old);
  DeleteDC(dc);
  return b;
}

}  // namespace

HBITMAP LoadNamedBitmap(std::string_view name) {
  const std::string key = UpperCase(std::string(name));
  auto it = Arts().find(key);
  if (it != Arts().end()) return FromArt(it->second, key == "SXEDITWRAPPED" ? RGB(0, 255, 0) : RGB(255, 255, 255));
  if (key == "KC_VERSCROLLBITMAP") return Anchor(true, false);
  if (key == "KC_HORSCROLLBITMAP") return Anchor(false, true);
  if (key == "KC_FULLSCROLLBITMAP") return Anchor(true, true);
  if (key == "SXEDITINTERNALIMAGES") return BookmarkImages();
  return HBITMAP();
}

std::vector<std::string> NamedBitmapNames() {
  std::vector<std::string> names;
  for (const auto& [k, v] : Arts()) names.push_back(k);
  for (const char* n : {"KC_VERSCROLLBITMAP", "KC_HORSCROLLBITMAP", "KC_FULLSCROLLBITMAP", "SXEDITINTERNALIMAGES"})
    names.emplace_back(n);
  return names;
}

HBITMAP LoadBitmap(HINSTANCE, const char* name) { return name ? LoadNamedBitmap(name) : HBITMAP(); }

HBITMAP LoadBitmap(HINSTANCE instance, int id) {
  if (!instance && id == OBM_CHECKBOXES) return CheckBoxes();
  return HBITMAP();
}
