#pragma once
// A headless session with fixed font metrics, for the control-model tests.

#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/forms/Forms.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/gdi/WinGdi.h"
#include "platform/win/TestDriver.h"

// A borderless form at (0, 0): screen, window and snapshot coordinates agree.
struct TPlainForm : TForm {
  explicit TPlainForm(int width = 400, int height = 300) : TForm(nullptr) {
    SetBorderStyle(bsNone);
    SetBounds(0, 0, width, height);
  }
};

struct TFormsSession : TTestSession {
  // An exception that reaches the application's handler fails the test unless the test
  // installs its own handler (or none, to see the standard message box).
  TFormsSession() {
    SetFontSource(std::make_shared<FixedFontSource>());
    Application->SetTerminated(false);
    Application->OnException = [](TObject*, Exception& e) {
      ADD_FAILURE() << "unexpected " << e.ClassName() << ": " << e.Message();
    };
  }
  ~TFormsSession() {
    Application->OnException = nullptr;
    SetFontSource(nullptr);
  }
  // The screen point of a control's client point.
  static POINT At(TControl* c, int x, int y) { return c->ClientToScreen(TPoint{x, y}); }
};

// The drawing calls of a control painted into a memory device context of its size.
inline std::vector<GdiRecord> RecordPainting(TWinControl* AControl) {
  HDC screen = GetDC({});
  HDC dc = CreateCompatibleDC(screen);
  ReleaseDC({}, screen);
  HBITMAP bitmap = CreateCompatibleBitmap(dc, AControl->Width(), AControl->Height());
  auto old = SelectObject(dc, bitmap);
  StartRecording(dc);
  AControl->PaintTo(dc, 0, 0);
  std::vector<GdiRecord> calls = StopRecording(dc);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  DeleteDC(dc);
  return calls;
}
