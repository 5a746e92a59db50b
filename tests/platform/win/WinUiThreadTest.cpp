// The window system's user-interface thread dispatcher: calls from workers run in the loop.

#include <gtest/gtest.h>

#include <thread>

#include "WinTestUtil.h"
#include "platform/win/WinUiThread.h"
#include "support/ExceptionText.h"

namespace {

// Errors that reach the application's handler.
struct HandledErrors {
  std::vector<String> messages;
  HandledErrors() {
    SetExceptionHandler([this](std::exception_ptr e) { messages.push_back(ExceptionText(e)); });
  }
  ~HandledErrors() { SetExceptionHandler({}); }
};
}  // namespace

TEST(WindowUiDispatcher, CallsFromWorkersRunInOrderInTheMessageLoopAndErrorsGoToTheHandler) {
  TTestSession session;
  HandledErrors handled;
  TWindowUiDispatcher ui;
  std::vector<int> ran;
  std::thread::id uiThread = std::this_thread::get_id(), ranOn;
  std::thread worker([&] {
    ui.Post([&] {
      ran.push_back(1);
      ranOn = std::this_thread::get_id();
    });
    ui.Post([] { throw Exception("end failed"); });
    ui.Post([&] { ran.push_back(3); });
  });
  worker.join();
  EXPECT_TRUE(ran.empty());  // nothing runs until the loop gets to it
  session.ProcessMessages();
  EXPECT_EQ(ran, (std::vector<int>{1, 3}));
  EXPECT_EQ(ranOn, uiThread);
  EXPECT_EQ(handled.messages, (std::vector<String>{"end failed"}));

  // The default is such a window, made again when the window layer was reset.
  TUiThreadDispatcher& d = DefaultUiThreadDispatcher();
  HWND first = static_cast<TWindowUiDispatcher&>(d).Handle();
  EXPECT_TRUE(IsWindow(first));
  DestroyWindow(first);
  EXPECT_EQ(&DefaultUiThreadDispatcher(), &d);
  EXPECT_TRUE(IsWindow(static_cast<TWindowUiDispatcher&>(d).Handle()));
  d.Post([&] { ran.push_back(4); });
  session.ProcessMessages();
  EXPECT_EQ(ran.back(), 4);

  // A waiting thread runs the queue itself; the messages posted for it then find nothing.
  d.Post([&] { ran.push_back(5); });
  d.Post([] { throw Exception("run early"); });
  EXPECT_EQ(d.ProcessPending(), 2);
  EXPECT_EQ(ran.back(), 5);
  EXPECT_EQ(handled.messages.back(), "run early");
  session.ProcessMessages();
  EXPECT_EQ(ran.size(), 4u);
}
