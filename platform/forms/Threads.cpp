#include "platform/forms/Threads.h"

#include <deque>

#include "platform/forms/Forms.h"

namespace {

struct SyncCall {
  TThreadMethod method;
  bool wait = false;
  bool done = false;
  std::exception_ptr error;
};

std::mutex gMutex;
std::condition_variable gDoneCond;
std::deque<std::shared_ptr<SyncCall>> gQueue;
std::thread::id gMainThread = std::this_thread::get_id();
std::atomic<std::uintptr_t> gSyncWindow{0};
constexpr UINT WM_SYNCHRONIZE = WM_USER + 0x7F01;

// The hidden window whose message runs the queue (made again after a test session reset).
void EnsureSyncWindow() {
  if (!IsMainThread()) return;
  HWND h(gSyncWindow.load());
  if (h && IsWindow(h)) return;
  h = AllocateHWnd([](TMessage& m) {
    if (m.Msg == WM_SYNCHRONIZE) {
      CheckSynchronize();
      return;
    }
    m.Result = DefWindowProc(HWND(gSyncWindow.load()), m.Msg, m.WParam, m.LParam);
  });
  gSyncWindow = h.value;
}

void WakeMainThread() {
  HWND h(gSyncWindow.load());
  if (!h || !PostMessage(h, WM_SYNCHRONIZE)) PostMessage(HWND(), WM_SYNCHRONIZE);
}

void Enqueue(const std::shared_ptr<SyncCall>& call) {
  {
    std::lock_guard<std::mutex> lock(gMutex);
    gQueue.push_back(call);
  }
  WakeMainThread();
}

}  // namespace

bool IsMainThread() { return std::this_thread::get_id() == gMainThread; }
void SetMainThread() { gMainThread = std::this_thread::get_id(); }

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  bool ran = false;
  for (;;) {
    std::shared_ptr<SyncCall> call;
    {
      std::lock_guard<std::mutex> lock(gMutex);
      if (gQueue.empty()) break;
      call = gQueue.front();
      gQueue.pop_front();
    }
    ran = true;
    try {
      call->method();
    } catch (...) {
      if (call->wait)
        call->error = std::current_exception();
      else
        Application->HandleException(nullptr, std::current_exception());
    }
    {
      std::lock_guard<std::mutex> lock(gMutex);
      call->done = true;
    }
    gDoneCond.notify_all();
  }
  return ran;
}

TThread::TThread(bool CreateSuspended) {
  EnsureSyncWindow();
  if (!CreateSuspended) Start();
}

TThread::~TThread() {
  if (fThread.joinable()) {
    if (fThread.get_id() == std::this_thread::get_id()) {
      fThread.detach();
    } else {
      fTerminated = true;
      while (!fFinished) {
        CheckSynchronize();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      fThread.join();
    }
  }
}

void TThread::Start() {
  if (fStarted) return;
  fStarted = true;
  fThread = std::thread([this] { Run(); });
}

void TThread::Run() {
  try {
    Execute();
  } catch (...) {
    fFatal = std::current_exception();
  }
  try {
    if (OnTerminate) Synchronize([this] { DoTerminate(); });
  } catch (...) {
    if (!fFatal) fFatal = std::current_exception();
  }
  bool freeIt = FreeOnTerminate;
  fFinished = true;
  if (freeIt) Queue([this] { delete this; });
}

void TThread::DoTerminate() {
  if (OnTerminate) OnTerminate(this);
}

String TThread::FatalMessage() const {
  if (!fFatal) return String();
  try {
    std::rethrow_exception(fFatal);
  } catch (std::exception& e) {
    return e.what();
  } catch (...) {
    return "Unknown exception";
  }
}

int TThread::WaitFor() {
  if (!fStarted) return ReturnValue;
  if (IsMainThread()) {
    while (!fFinished) {
      if (!CheckSynchronize()) {
        std::unique_lock<std::mutex> lock(gMutex);
        gDoneCond.wait_for(lock, std::chrono::milliseconds(5));
      }
    }
    CheckSynchronize();
  }
  if (fThread.joinable() && fThread.get_id() != std::this_thread::get_id()) fThread.join();
  return ReturnValue;
}

void TThread::Synchronize(const TThreadMethod& method) { Synchronize(this, method); }

void TThread::Synchronize(TThread*, const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  auto call = std::make_shared<SyncCall>();
  call->method = method;
  call->wait = true;
  Enqueue(call);
  std::unique_lock<std::mutex> lock(gMutex);
  gDoneCond.wait(lock, [&] { return call->done; });
  if (call->error) std::rethrow_exception(call->error);
}

void TThread::Queue(const TThreadMethod& method) {
  auto call = std::make_shared<SyncCall>();
  call->method = method;
  Enqueue(call);
}
