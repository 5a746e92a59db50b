// Device contexts: clipping with regions, SaveDC/RestoreDC, origins, surface DCs for windows,
// handle lifetimes, recording.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/WinGdi.h"

namespace {

std::string Row(const Surface& s, int y) {
  std::string r;
  for (int x = 0; x < s.Width(); ++x) r += (s.At(x, y) & 0xFFFFFF) == 0xFFFFFF ? '.' : '#';
  return r;
}

struct SurfaceDC {
  std::shared_ptr<Surface> surface;
  HDC dc;
  SurfaceDC(int w, int h, POINT origin = {}, HRGN visible = HRGN())
      : surface(std::make_shared<Surface>(w, h)), dc(CreateSurfaceDC(surface, origin, visible)) {}
  ~SurfaceDC() { DeleteDC(dc); }
  void Fill(RECT r) { FillRect(dc, &r, GetStockBrush(BLACK_BRUSH)); }
};

}  // namespace

TEST(GdiClip, RegionsSaveAndRestore) {
  SurfaceDC s(10, 1);
  ASSERT_EQ(SaveDC(s.dc), 1);
  EXPECT_EQ(IntersectClipRect(s.dc, 2, 0, 8, 1), SIMPLEREGION);
  EXPECT_EQ(ExcludeClipRect(s.dc, 4, 0, 5, 1), COMPLEXREGION);
  s.Fill(RECT{0, 0, 10, 1});
  EXPECT_EQ(Row(*s.surface, 0), "..##.###..");
  RECT visible{0, 0, 4, 1};
  EXPECT_FALSE(RectVisible(s.dc, &(visible = RECT{4, 0, 5, 1})));
  EXPECT_TRUE(RectVisible(s.dc, &(visible = RECT{0, 0, 3, 1})));

  // The clip is kept in a region; GetClipRgn answers 1 and its copy.
  HRGN copy = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(GetClipRgn(s.dc, copy), 1);
  EXPECT_EQ(GetRegionRects(copy).size(), 2u);

  // Restore brings back "no clip": GetClipRgn answers 0, drawing reaches everything.
  ASSERT_TRUE(RestoreDC(s.dc, -1));
  EXPECT_EQ(GetClipRgn(s.dc, copy), 0);
  s.surface->Fill(0xFFFFFFFFu);
  s.Fill(RECT{0, 0, 10, 1});
  EXPECT_EQ(Row(*s.surface, 0), "##########");
  EXPECT_FALSE(RestoreDC(s.dc, -1));  // nothing saved any more

  // Nested saves: restoring level 1 drops level 2 as well.
  SelectClipRgn(s.dc, copy);
  const int one = SaveDC(s.dc);
  SetTextColor(s.dc, RGB(1, 2, 3));
  SaveDC(s.dc);
  SetTextColor(s.dc, RGB(4, 5, 6));
  ASSERT_TRUE(RestoreDC(s.dc, one));
  EXPECT_EQ(GetTextColor(s.dc), 0u);
  EXPECT_FALSE(RestoreDC(s.dc, 2));
  DeleteObject(copy);
}

TEST(GdiClip, OriginsAndClipRegionsUseDeviceCoordinates) {
  SurfaceDC s(10, 1);
  SetWindowOrgEx(s.dc, 2, 0, nullptr);    // logical 2 is device 0
  SetViewportOrgEx(s.dc, 5, 0, nullptr);  // ... then shifted to device 5
  HRGN clip = CreateRectRgn(0, 0, 7, 1);  // device coordinates
  SelectClipRgn(s.dc, clip);
  s.Fill(RECT{0, 0, 4, 1});  // device 3..7, clipped at 7
  EXPECT_EQ(Row(*s.surface, 0), "...####...");
  RECT box;
  GetClipBox(s.dc, &box);  // logical
  EXPECT_EQ(box, (RECT{-3, 0, 4, 1}));
  DeleteObject(clip);
}

TEST(GdiSurface, ChildDCDrawsAtItsOriginInsideItsVisibleRegion) {
  // A child at (3, 1) of a 10 x 3 top-level surface, visible only in its first 4 columns.
  HRGN visible = CreateRectRgn(0, 0, 4, 1);
  SurfaceDC s(10, 3, POINT{3, 1}, visible);
  DeleteObject(visible);
  s.Fill(RECT{-3, -1, 20, 20});
  EXPECT_EQ(Row(*s.surface, 0), "..........");
  EXPECT_EQ(Row(*s.surface, 1), "...####...");
  EXPECT_EQ(GetDCDirtyRect(s.dc, true), (RECT{3, 1, 7, 2}));
  EXPECT_EQ(GetDCDirtyRect(s.dc, false), (RECT{}));

  // ScrollSurface: shift the row right by 2 inside the surface; the uncovered strip is reported.
  ScrollSurface(*s.surface, RECT{0, 1, 10, 2}, RECT{0, 0, 10, 3}, 2, 0);
  EXPECT_EQ(Row(*s.surface, 1), ".....####.");
  EXPECT_EQ(ScrollUncoveredRects(RECT{0, 1, 10, 2}, RECT{0, 0, 10, 3}, 2, 0), (std::vector<RECT>{RECT{0, 1, 2, 2}}));
}

TEST(GdiRegions, CombineOffsetAndQueries) {
  HRGN a = CreateRectRgn(0, 0, 10, 10), b = CreateRectRgn(5, 5, 15, 15), d = CreateRectRgn(0, 0, 0, 0);
  struct Case {
    int mode, kind;
    RECT box;
  };
  const Case cases[] = {{RGN_AND, SIMPLEREGION, {5, 5, 10, 10}},
                        {RGN_OR, COMPLEXREGION, {0, 0, 15, 15}},
                        {RGN_DIFF, COMPLEXREGION, {0, 0, 10, 10}},
                        {RGN_COPY, SIMPLEREGION, {0, 0, 10, 10}}};
  for (const Case& c : cases) {
    EXPECT_EQ(CombineRgn(d, a, b, c.mode), c.kind) << c.mode;
    RECT box;
    GetRgnBox(d, &box);
    EXPECT_EQ(box, c.box) << c.mode;
  }
  CombineRgn(d, a, b, RGN_DIFF);
  EXPECT_TRUE(PtInRegion(d, 4, 9));
  EXPECT_FALSE(PtInRegion(d, 5, 5));
  EXPECT_FALSE(PtInRegion(d, 10, 0));  // right edge excluded
  OffsetRgn(d, 100, 0);
  EXPECT_TRUE(PtInRegion(d, 104, 9));
  SetRectRgn(d, 3, 3, 3, 8);
  RECT box;
  EXPECT_EQ(GetRgnBox(d, &box), NULLREGION);
  EXPECT_EQ(box, (RECT{}));
  EXPECT_EQ(CombineRgn(d, a, HRGN(), RGN_AND), ERROR);
  for (HRGN r : {a, b, d}) DeleteObject(r);
}

TEST(GdiHandles, StaleHandlesAndDeferredDeletion) {
  GetStockObject(WHITE_BRUSH);  // the stock objects exist before counting
  const int before = GdiObjectCount();
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 0));
  DeleteObject(brush);
  HBRUSH reused = CreateSolidBrush(RGB(1, 1, 1));
  EXPECT_NE(brush, reused);  // the slot's generation moved on
  EXPECT_EQ(GetObjectType(ToGdiObj(brush)), 0u);
  EXPECT_EQ(GetObjectType(ToGdiObj(reused)), OBJ_BRUSH);
  // A handle of one kind is not accepted as another.
  HDC measure = CreateMeasureDC();
  EXPECT_EQ(SelectObject(measure, HGDIOBJ(reused.value + 1)), HGDIOBJ());
  DeleteDC(measure);

  // Deleting a selected (or saved) object waits until it is no longer used.
  {
    SurfaceDC s(4, 1);
    SelectObject(s.dc, reused);
    SaveDC(s.dc);
    EXPECT_TRUE(DeleteObject(reused));
    SelectObject(s.dc, GetStockBrush(WHITE_BRUSH));
    EXPECT_EQ(GetObjectType(ToGdiObj(reused)), OBJ_BRUSH);  // still in the saved state
    RestoreDC(s.dc, -1);
    EXPECT_EQ(GetObjectType(ToGdiObj(reused)), OBJ_BRUSH);  // selected again
    SelectObject(s.dc, GetStockBrush(WHITE_BRUSH));
    EXPECT_EQ(GetObjectType(ToGdiObj(reused)), 0u);  // now freed
    // Stock objects survive DeleteObject.
    EXPECT_TRUE(DeleteObject(GetStockBrush(BLACK_BRUSH)));
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), OBJ_BRUSH);
  }
  EXPECT_EQ(GdiObjectCount(), before);  // nothing leaked
}

TEST(GdiRecording, ListsCallsWithEffectiveObjects) {
  SurfaceDC s(20, 20);
  HPEN pen = CreatePen(PS_SOLID, 1, RGB(0, 255, 0));
  HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
  SelectObject(s.dc, pen);
  SelectObject(s.dc, brush);
  IntersectClipRect(s.dc, 0, 0, 10, 10);
  StartRecording(s.dc);
  const POINT tri[3] = {{1, 1}, {5, 1}, {3, 3}};
  Polygon(s.dc, tri, 3);
  RECT r{0, 0, 10, 10};
  DrawText(s.dc, "Caption", &r, DT_SINGLELINE | DT_CENTER);
  const std::vector<GdiRecord> calls = StopRecording(s.dc);
  ASSERT_EQ(calls.size(), 2u);  // DrawText's own drawing is not listed
  EXPECT_EQ(calls[0].op, "Polygon");
  EXPECT_EQ(calls[0].points, (std::vector<POINT>{{1, 1}, {5, 1}, {3, 3}}));
  EXPECT_EQ(calls[0].penColor, RGB(0, 255, 0));
  EXPECT_EQ(calls[0].brushColor, RGB(0, 0, 255));
  EXPECT_EQ(calls[0].clipBox, (RECT{0, 0, 10, 10}));
  EXPECT_EQ(calls[1].op, "DrawText");
  EXPECT_EQ(calls[1].text, "Caption");
  EXPECT_EQ(calls[1].flags, DT_SINGLELINE | DT_CENTER);
  SelectObject(s.dc, GetStockPen(BLACK_PEN));
  SelectObject(s.dc, GetStockBrush(WHITE_BRUSH));
  DeleteObject(pen);
  DeleteObject(brush);
}
