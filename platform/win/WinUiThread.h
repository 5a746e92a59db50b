#pragma once
// The window system's user-interface thread dispatcher (see platform/core/UiThread.h).

#include <deque>
#include <functional>
#include <mutex>

#include "platform/core/UiThread.h"
#include "platform/win/Windows.h"

// Calls posted to a hidden window of the user-interface thread, one private message per call:
// the thread's message loop runs them in order, and an exception of a call goes to the
// application's handler like that of any other message. Made and freed on the user-interface
// thread; it must outlive the workers that post to it.
class TWindowUiDispatcher : public TUiThreadDispatcher {
public:
  TWindowUiDispatcher();
  ~TWindowUiDispatcher() override;
  TWindowUiDispatcher(const TWindowUiDispatcher&) = delete;
  TWindowUiDispatcher& operator=(const TWindowUiDispatcher&) = delete;

  void Post(std::function<void()> call) override;
  // Runs the queued calls now; an exception of a call goes to the application's handler.
  int ProcessPending() override;
  HWND Handle() const { return fWnd; }
  // User-interface thread: makes a new window when the old one was destroyed (the window
  // layer was reset); calls queued for the old one are dropped.
  void EnsureWindow();

private:
  void WndProc(TMessage& message);
  bool RunNext();
  HWND fWnd;
  std::mutex fMutex;
  std::deque<std::function<void()>> fCalls;
};

// The private message that tells the hidden window to run the next queued call.
inline constexpr UINT WM_RUNQUEUEDCALL = WM_APP + 0x0E51;

// The process-wide window dispatcher: DefaultUiThreadDispatcher() answers it unless the
// program installed another. On the user-interface thread it first makes sure of its window.
TWindowUiDispatcher& WindowUiDispatcher();
