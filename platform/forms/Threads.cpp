#include "platform/forms/Threads.h"

#include "platform/forms/Forms.h"

namespace {

// A call handed to the user-interface thread; Synchronize waits for `done`.
struct SyncCall {
  TThreadMethod method;
  bool wait = false;
  bool done = false;
  std::exception_ptr error;
};

std::mutex gMutex;
std::condition_variable gDoneCond;

void Run(const std::shared_ptr<SyncCall>& call) {
  std::exception_ptr error;
  try {
    call->method();
  } catch (...) {
    error = std::current_exception();
  }
  {
    std::lock_guard<std::mutex> lock(gMutex);
    if (call->wait) call->error = error;
    call->done = true;
  }
  gDoneCond.notify_all();
  // A queued call's error takes the dispatcher's road to the application's handler.
  if (error && !call->wait) std::rethrow_exception(error);
}

void Enqueue(const std::shared_ptr<SyncCall>& call) {
  DefaultUiThreadDispatcher().Post([call] { Run(call); });
}

}  // namespace

bool CheckSynchronize() {
  if (!IsMainThread()) return false;
  try {
    return DefaultUiThreadDispatcher().ProcessPending() > 0;
  } catch (...) {
    Application->HandleException(nullptr, std::current_exception());
    return true;
  }
}

TThread::TThread(bool CreateSuspended) {
  if (IsMainThread()) DefaultUiThreadDispatcher();  // the dispatcher is made on this thread
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
