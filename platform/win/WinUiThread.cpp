#include "platform/win/WinUiThread.h"

TWindowUiDispatcher::TWindowUiDispatcher() : fWnd(AllocateHWnd([this](TMessage& m) { WndProc(m); })) {}

TWindowUiDispatcher::~TWindowUiDispatcher() {
  if (IsWindow(fWnd)) DeallocateHWnd(fWnd);
}

void TWindowUiDispatcher::EnsureWindow() {
  if (IsWindow(fWnd)) return;
  HWND wnd = AllocateHWnd([this](TMessage& m) { WndProc(m); });
  std::lock_guard<std::mutex> lock(fMutex);
  fWnd = wnd;
  fCalls.clear();
}

void TWindowUiDispatcher::Post(std::function<void()> call) {
  std::lock_guard<std::mutex> lock(fMutex);
  fCalls.push_back(std::move(call));
  // Under the lock, so that a window being replaced never gets a message for the new queue.
  PostMessage(fWnd, WM_RUNQUEUEDCALL);
}

bool TWindowUiDispatcher::RunNext() {
  std::function<void()> call;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    if (fCalls.empty()) return false;
    call = std::move(fCalls.front());
    fCalls.pop_front();
  }
  call();
  return true;
}

int TWindowUiDispatcher::ProcessPending() {
  int ran = 0;
  for (;;) {
    try {
      if (!RunNext()) break;
    } catch (...) {
      HandleException(std::current_exception());
    }
    ++ran;
  }
  return ran;  // the messages posted for these calls find the queue empty later
}

void TWindowUiDispatcher::WndProc(TMessage& message) {
  if (message.Msg != WM_RUNQUEUEDCALL) {
    message.Result = DefWindowProc(fWnd, message.Msg, message.WParam, message.LParam);
    return;
  }
  // An exception passes on to the window layer, which hands it to the application's handler.
  RunNext();
}

TWindowUiDispatcher& WindowUiDispatcher() {
  static TWindowUiDispatcher dispatcher;
  if (IsMainThread()) dispatcher.EnsureWindow();
  return dispatcher;
}
