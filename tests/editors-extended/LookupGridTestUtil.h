#pragma once
// Painting of a lookup list grid recorded call by call.

#include <vector>

#include "editors-extended/kcLookupGrid.h"
#include "tests/platform/forms/FormsTestUtil.h"

inline std::vector<GdiRecord> RecordPainting(TkcCustomLookupGrid* grid) {
  HDC screen = GetDC({});
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC({}, screen);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, grid->Width(), grid->Height());
  auto old = SelectObject(dc, bitmap);
  StartRecording(dc);
  grid->PaintTo(dc, 0, 0);
  std::vector<GdiRecord> records = StopRecording(dc);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return records;
}
