#pragma once
// Worker threads with synchronized calls on the user-interface thread.
//
// Execute runs on its own thread; Synchronize runs a call on the user-interface thread (the
// worker waits; an exception of the call is raised in the worker). After Execute returns,
// OnTerminate runs on the user-interface thread; an exception that escaped Execute is kept
// in FatalException. A FreeOnTerminate thread is freed on the user-interface thread after
// that. The calls go through the user-interface thread dispatcher (platform/core/UiThread.h):
// the message loop runs them, and so does WaitFor while it waits.

#include <atomic>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/core/Classes.h"
#include "platform/core/UiThread.h"

using TThreadMethod = std::function<void()>;

class TThread : public TObject {
  VT_CLASS(TThread, TObject)
public:
  explicit TThread(bool CreateSuspended);
  ~TThread() override;

  void Start();
  void Resume() { Start(); }
  void Terminate() { fTerminated = true; }
  bool Terminated() const { return fTerminated; }
  bool Suspended() const { return !fStarted; }
  bool Finished() const { return fFinished; }
  // Waits for the end (running synchronized calls meanwhile); answers ReturnValue.
  int WaitFor();
  bool FreeOnTerminate = false;
  int ReturnValue = 0;
  // The exception that ended Execute, if any (its message, and the exception itself).
  std::exception_ptr FatalException() const { return fFatal; }
  String FatalMessage() const;
  std::thread::id ThreadID() const { return fThread.get_id(); }
  TNotifyEvent OnTerminate;

  // Runs `method` on the user-interface thread and waits for it.
  void Synchronize(const TThreadMethod& method);
  static void Synchronize(TThread* thread, const TThreadMethod& method);
  // Queues `method` for the user-interface thread without waiting.
  static void Queue(const TThreadMethod& method);

protected:
  virtual void Execute() = 0;
  virtual void DoTerminate();

private:
  void Run();
  std::thread fThread;
  std::atomic<bool> fTerminated{false}, fFinished{false};
  bool fStarted = false;
  std::exception_ptr fFatal;
};

// Runs the calls queued for the user-interface thread; answers whether any ran.
bool CheckSynchronize();
