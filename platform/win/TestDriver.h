#pragma once
// The headless test session: windows of our layer without any Qt widget, a fake clock,
// fixed system settings and metrics, pointer and keys injected at our layer (hit testing,
// capture, double clicks and hooks all apply), scripted input for message loops that run
// inside the code under test, snapshots of window pictures and a recording of messages.

#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/Clock.h"
#include "platform/gdi/Surface.h"
#include "platform/win/WinCoreInternal.h"

// A message loop waited with nothing scripted, no timer and nothing posted: the test is wrong.
VT_DECLARE_EXCEPTION(EScriptExhausted, Exception);

struct TRecordedMessage {
  HWND wnd;
  UINT msg = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};

class TTestSession {
public:
  using Button = win::TMouseButtonKind;

  // Starts from nothing: no windows, the clock at 1000 ms, the fixed settings.
  TTestSession();
  // Destroys every window and restores the clock and the backend.
  ~TTestSession();
  TTestSession(const TTestSession&) = delete;
  TTestSession& operator=(const TTestSession&) = delete;

  TFakeClock& Clock() { return fClock; }

  // Input, in screen coordinates. Each call queues the input and then handles every message
  // that is ready (as the application's loop would).
  void MoveTo(POINT pt);
  void Press(Button button = Button::Left);
  void Release(Button button = Button::Left);
  void Click(POINT pt, Button button = Button::Left);
  void Wheel(int notches);  // positive: away from the user
  void KeyDown(WORD vk, String text = {});
  void KeyUp(WORD vk);
  void Key(WORD vk, String text = {});  // down and up
  void Type(std::string_view text);     // one key per character

  // Steps for a message loop that runs inside the code under test: when the loop finds
  // nothing to do, the next step runs (typically one Queue... call).
  void Script(std::function<void()> step);
  // Queue input without handling it (for scripts and for queue-order tests).
  void QueueMove(POINT pt);
  void QueuePress(Button button = Button::Left);
  void QueueRelease(Button button = Button::Left);
  void QueueKey(WORD vk, bool down, String text = {});

  // Handles every message that is ready now; stops at WM_QUIT, which it leaves pending.
  void ProcessMessages();
  // Moves the clock forward, running each timer as it falls due.
  void Advance(DWORD ms);

  // The window's picture (non-client area included) after pending painting is done.
  Surface Snapshot(HWND wnd);

  // Records every message reaching the given windows (all windows when none is given).
  void StartRecording(std::vector<HWND> windows = {});
  void StopRecording();
  void Name(HWND wnd, String name);
  const std::vector<TRecordedMessage>& Recorded() const { return fRecorded; }
  // "<name> <message>" lines of the recording, optionally only for the given messages.
  std::vector<String> Trace(const std::vector<UINT>& only = {}) const;
  void ClearRecording() { fRecorded.clear(); }

private:
  class Backend;
  friend class Backend;
  void WaitForEvents(int timeoutMs);

  TFakeClock fClock{1000};
  std::unique_ptr<win::TBackend> fBackend;
  std::deque<std::function<void()>> fScript;
  std::mutex fWakeMutex;
  std::condition_variable fWakeCond;
  bool fWoken = false;
  bool fRecording = false;
  std::vector<HWND> fRecordWindows;
  std::vector<TRecordedMessage> fRecorded;
  std::map<std::uintptr_t, String> fNames;
};
