#pragma once
// A headless session for the editor control: fixed 8 x 16 cells, a borderless form at (0, 0)
// and one editor in it, so client, screen and pixel coordinates are easy to compute.

#include <memory>

#include <gtest/gtest.h>

#include "editor/SxEdit.h"
#include "platform/forms/Forms.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

struct TEditorSession : TTestSession {
  TEditorSession() {
    // Advance 8, ascent 12, descent 4: cells of 8 x 16 for every style.
    SetFontSource(std::make_shared<FixedFontSource>(8, 12, 4));
    Application->SetTerminated(false);
    Application->OnException = [](TObject*, Exception& e) {
      ADD_FAILURE() << "unexpected " << e.ClassName() << ": " << e.Message();
    };
  }
  ~TEditorSession() {
    Application->OnException = nullptr;
    SetFontSource(nullptr);
  }
};

struct TEditorForm : TForm {
  TSxMemo* Edit;
  // A text area of `cols` x `rows` cells (no gutter, no border, no scroll bars by default).
  explicit TEditorForm(int cols = 40, int rows = 10, bool gutter = false) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, 800, 600);
    Edit = new TSxMemo(this);
    Edit->SetParent(this);
    Edit->SetBorderStyle(bsNone);
    Edit->SetScrollBars(ssNone);
    Edit->Gutter()->SetVisible(gutter);
    Edit->SetBounds(0, 0, cols * 8 + 2 + Edit->GutterWidth(), rows * 16);
    Show();
    Edit->SetFocus();
  }
  POINT At(int x, int y) { return Edit->ClientToScreen(TPoint{x, y}); }
  // The screen point of the middle of a display cell.
  POINT Cell(int column, int row) {
    const TPoint p = Edit->RowColumnToPixels(DisplayCoord(column, row));
    return At(p.x + 2, p.y + 8);
  }
};

// The drawing calls of one full paint of the control, on a recording memory DC.
inline std::vector<GdiRecord> RecordPaint(TCustomSxEdit* e, RECT clip = RECT{0, 0, 0, 0}) {
  HDC dc = CreateCompatibleDC(HDC());
  HBITMAP bmp = CreateCompatibleBitmap(dc, e->ClientWidth(), e->ClientHeight());
  HBITMAP old = SelectObject(dc, bmp);
  if (clip.right > clip.left) IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
  StartRecording(dc);
  e->Perform(WM_PAINT, static_cast<WPARAM>(dc.value), 0);
  std::vector<GdiRecord> calls = StopRecording(dc);
  SelectObject(dc, old);
  DeleteObject(bmp);
  DeleteDC(dc);
  return calls;
}

// The text outputs of a recording, in order.
inline std::vector<GdiRecord> TextCalls(const std::vector<GdiRecord>& calls) {
  std::vector<GdiRecord> out;
  for (const auto& c : calls)
    if (c.op == "ExtTextOut" || c.op == "TextOut") out.push_back(c);
  return out;
}
