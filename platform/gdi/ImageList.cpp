#include "platform/gdi/ImageList.h"

#include <map>

#include "platform/gdi/GdiInternal.h"

using namespace gdi;

namespace {

struct List {
  int cx = 0, cy = 0;
  bool masked = false;
  Surface image, mask;  // images side by side; mask pixels black = opaque, white = transparent
  int count = 0;
};

std::map<std::uintptr_t, List>& lists() {
  static std::map<std::uintptr_t, List> m;
  return m;
}

List* Find(HIMAGELIST h) {
  auto it = lists().find(h.value);
  return it == lists().end() ? nullptr : &it->second;
}

void Resize(List& l, int count) {
  l.image.Resize(l.cx * count, l.cy, 0xFFFFFFFFu);
  l.mask.Resize(l.cx * count, l.cy, 0xFF000000u);
  l.count = count;
}

// Copies the images of `src` (cut in cx-wide pieces) into slots from `first`.
void Store(List& l, int first, const Surface& src, const Surface* mask, std::optional<Pixel> maskColor) {
  const int n = src.Width() / l.cx;
  for (int i = 0; i < n && first + i < l.count; ++i)
    for (int y = 0; y < l.cy && y < src.Height(); ++y)
      for (int x = 0; x < l.cx; ++x) {
        const int sx = i * l.cx + x, dx = (first + i) * l.cx + x;
        const Pixel p = src.At(sx, y) | 0xFF000000u;
        bool transparent = false;
        if (mask) transparent = (mask->At(sx, y) & 0xFFFFFF) == 0xFFFFFF;
        if (maskColor) transparent = p == *maskColor;
        l.image.Set(dx, y, p);
        l.mask.Set(dx, y, transparent ? 0xFFFFFFFFu : 0xFF000000u);
      }
}

int Append(HIMAGELIST h, HBITMAP image, const Surface* mask, std::optional<Pixel> maskColor) {
  List* l = Find(h);
  const Surface* src = BitmapSurface(image);
  if (!l || !src || l->cx <= 0 || src->Width() < l->cx) return -1;
  const int first = l->count;
  Resize(*l, first + src->Width() / l->cx);
  Store(*l, first, *src, mask, maskColor);
  return first;
}

Pixel Blend(Pixel a, Pixel b) {
  return 0xFF000000u | ((((a >> 16) & 0xFF) + ((b >> 16) & 0xFF)) / 2 << 16) |
         ((((a >> 8) & 0xFF) + ((b >> 8) & 0xFF)) / 2 << 8) | (((a & 0xFF) + (b & 0xFF)) / 2);
}

// Paints pixel by pixel through the DC, so that its clip and origins apply.
template <class F>
void Paint(DcObj& dc, const List& l, int index, POINT at, int w, int h, F colorOf) {
  Ink ink;
  for (int y = 0; y < h && y < l.cy; ++y)
    for (int x = 0; x < w && x < l.cx; ++x) {
      const int sx = index * l.cx + x;
      std::optional<Pixel> c = colorOf(l.image.At(sx, y), (l.mask.At(sx, y) & 0xFFFFFF) == 0xFFFFFF);
      if (!c) continue;
      ink.color = *c;
      FillDevice(dc, RECT{at.x + x, at.y + y, at.x + x + 1, at.y + y + 1}, ink);
    }
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
  static std::uintptr_t next = 0;
  if (cx <= 0 || cy <= 0) return HIMAGELIST();
  const std::uintptr_t id = ++next;
  List& l = lists()[id];
  l.cx = cx;
  l.cy = cy;
  l.masked = flags & ILC_MASK;
  return HIMAGELIST(id);
}

BOOL ImageList_Destroy(HIMAGELIST h) { return lists().erase(h.value) ? TRUE : FALSE; }

int ImageList_Add(HIMAGELIST h, HBITMAP image, HBITMAP mask) {
  return Append(h, image, BitmapSurface(mask), std::nullopt);
}

int ImageList_AddMasked(HIMAGELIST h, HBITMAP image, COLORREF maskColor) {
  return Append(h, image, nullptr, PixelFromColor(maskColor));
}

BOOL ImageList_Replace(HIMAGELIST h, int index, HBITMAP image, HBITMAP mask) {
  List* l = Find(h);
  const Surface* src = BitmapSurface(image);
  if (!l || !src || index < 0 || index >= l->count) return FALSE;
  Store(*l, index, *src, BitmapSurface(mask), std::nullopt);
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST h, int index) {
  List* l = Find(h);
  if (!l) return FALSE;
  if (index < 0) {
    Resize(*l, 0);
    return TRUE;
  }
  if (index >= l->count) return FALSE;
  // Shift the later images left by one slot.
  for (int i = index; i + 1 < l->count; ++i)
    for (int y = 0; y < l->cy; ++y)
      for (int x = 0; x < l->cx; ++x) {
        l->image.Set(i * l->cx + x, y, l->image.At((i + 1) * l->cx + x, y));
        l->mask.Set(i * l->cx + x, y, l->mask.At((i + 1) * l->cx + x, y));
      }
  Resize(*l, l->count - 1);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST h) {
  List* l = Find(h);
  return l ? l->count : 0;
}

BOOL ImageList_GetIconSize(HIMAGELIST h, int* cx, int* cy) {
  List* l = Find(h);
  if (!l) return FALSE;
  if (cx) *cx = l->cx;
  if (cy) *cy = l->cy;
  return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST h, int index, HDC hdc, int x, int y, int dx, int dy, COLORREF bk, COLORREF fg,
                      UINT style) {
  List* l = Find(h);
  DcObj* dc = GetDC(hdc);
  if (!l || !dc || index < 0 || index >= l->count) return FALSE;
  if (Recording(*dc)) {
    GdiRecord& rec = Record(*dc, "ImageList_Draw");
    rec.points = {POINT{x, y}};
    rec.flags = static_cast<UINT>(index);
  }
  const POINT at = ToDevice(*dc, POINT{x, y});
  const int w = dx > 0 ? dx : l->cx, hgt = dy > 0 ? dy : l->cy;
  const bool transparent = l->masked && (bk == CLR_NONE || bk == CLR_DEFAULT || (style & ILD_TRANSPARENT));
  const Pixel back = PixelFromColor(bk == CLR_NONE || bk == CLR_DEFAULT ? dc->s.bk : bk);
  const bool selected = style & ILD_SELECTED;
  const Pixel blend = PixelFromColor(fg == CLR_DEFAULT || fg == CLR_NONE ? GetSysColor(13) : fg);
  Paint(*dc, *l, index, at, w, hgt, [&](Pixel p, bool clear) -> std::optional<Pixel> {
    if (clear && l->masked) {
      if (transparent) return std::nullopt;
      p = back;
    }
    return selected ? Blend(p, blend) : p;
  });
  return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST h, int index, HDC dc, int x, int y, UINT style) {
  return ImageList_DrawEx(h, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_DrawDisabled(HIMAGELIST h, int index, HDC hdc, int x, int y) {
  List* l = Find(h);
  DcObj* dc = GetDC(hdc);
  if (!l || !dc || index < 0 || index >= l->count) return FALSE;
  if (Recording(*dc)) {
    GdiRecord& rec = Record(*dc, "ImageList_DrawDisabled");
    rec.points = {POINT{x, y}};
    rec.flags = static_cast<UINT>(index);
  }
  // The shape is every opaque pixel that is not light (light pixels vanish in the emboss).
  auto shape = [&](Pixel color) {
    return [&, color](Pixel p, bool clear) -> std::optional<Pixel> {
      if (clear && l->masked) return std::nullopt;
      const int sum = static_cast<int>(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF));
      if (sum >= 3 * 192) return std::nullopt;
      return color;
    };
  };
  const POINT at = ToDevice(*dc, POINT{x, y});
  Paint(*dc, *l, index, POINT{at.x + 1, at.y + 1}, l->cx, l->cy, shape(PixelFromColor(GetSysColor(20))));
  Paint(*dc, *l, index, at, l->cx, l->cy, shape(PixelFromColor(GetSysColor(16))));
  return TRUE;
}
