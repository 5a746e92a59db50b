#pragma once
// The one way to hand work from any thread to the user-interface thread.
//
// A dispatcher takes calls from any thread and runs them, in order, on the user-interface
// thread. The window system installs its own (platform/win: a hidden window whose messages run
// the calls, so that an exception of a call reaches the application's handler like that of any
// other message); code without a window system, and tests, use a TQueuedUiDispatcher and run
// its calls themselves. Worker threads (TThread, the query worker) post through this interface.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

class TUiThreadDispatcher {
public:
  virtual ~TUiThreadDispatcher() = default;
  // Any thread: queue a call for the user-interface thread.
  virtual void Post(std::function<void()> call) = 0;
  // User-interface thread: runs the calls queued so far now, without waiting for the loop (for
  // a thread that waits for a worker); answers how many ran.
  virtual int ProcessPending() = 0;
};

// Calls queued until the user-interface thread asks for them. The program's loop (or a test)
// runs ProcessPending; an exception of a call passes on to its caller, and the calls not run
// yet stay queued.
class TQueuedUiDispatcher : public TUiThreadDispatcher {
public:
  void Post(std::function<void()> call) override;
  int ProcessPending() override;
  // Waits up to `timeoutMs` for a call, then runs what is queued; answers how many ran.
  int WaitAndProcess(unsigned timeoutMs);

private:
  std::mutex fMutex;
  std::condition_variable fCond;
  std::deque<std::function<void()>> fCalls;
};

// The dispatcher workers use unless told otherwise: the one the program installed, else the
// window system's. Raises an Exception when there is neither (a program without windows must
// install one).
TUiThreadDispatcher& DefaultUiThreadDispatcher();
void SetDefaultUiThreadDispatcher(TUiThreadDispatcher* dispatcher);  // null: the system's
// The window system registers how to reach its dispatcher (called on the user-interface thread).
void SetSystemUiThreadDispatcher(TUiThreadDispatcher& (*provider)());

// True on the thread that runs the message loop.
bool IsMainThread();
// The thread that runs the message loop (by default the one that started the program).
void SetMainThread();
