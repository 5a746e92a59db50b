#include "platform/core/UiThread.h"

#include <chrono>
#include <thread>

#include "platform/core/SysUtils.h"

void TQueuedUiDispatcher::Post(std::function<void()> call) {
  {
    std::lock_guard<std::mutex> lock(fMutex);
    fCalls.push_back(std::move(call));
  }
  fCond.notify_all();
}

int TQueuedUiDispatcher::ProcessPending() {
  std::deque<std::function<void()>> calls;
  {
    std::lock_guard<std::mutex> lock(fMutex);
    calls.swap(fCalls);
  }
  int ran = 0;
  while (!calls.empty()) {
    std::function<void()> call = std::move(calls.front());
    calls.pop_front();
    try {
      call();
    } catch (...) {
      // What was not run yet stays queued, ahead of anything posted meanwhile.
      std::lock_guard<std::mutex> lock(fMutex);
      for (auto it = calls.rbegin(); it != calls.rend(); ++it) fCalls.push_front(std::move(*it));
      throw;
    }
    ++ran;
  }
  return ran;
}

int TQueuedUiDispatcher::WaitAndProcess(unsigned timeoutMs) {
  {
    std::unique_lock<std::mutex> lock(fMutex);
    fCond.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !fCalls.empty(); });
  }
  return ProcessPending();
}

namespace {
TUiThreadDispatcher* gInstalled = nullptr;
TUiThreadDispatcher& (*gSystem)() = nullptr;
std::thread::id gMainThread = std::this_thread::get_id();
}  // namespace

TUiThreadDispatcher& DefaultUiThreadDispatcher() {
  if (gInstalled) return *gInstalled;
  if (gSystem) return gSystem();
  throw Exception("No user-interface thread dispatcher is installed");
}

void SetDefaultUiThreadDispatcher(TUiThreadDispatcher* dispatcher) { gInstalled = dispatcher; }
void SetSystemUiThreadDispatcher(TUiThreadDispatcher& (*provider)()) { gSystem = provider; }

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }
void SetMainThread() { gMainThread = std::this_thread::get_id(); }
