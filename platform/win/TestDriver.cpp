// The headless test session.

#include "platform/win/TestDriver.h"

#include <algorithm>
#include <chrono>

#include "platform/core/Utf8.h"

class TTestSession::Backend : public win::TBackend {
public:
  explicit Backend(TTestSession* s) : fSession(s) {}
  void WaitForEvents(int timeoutMs) override { fSession->WaitForEvents(timeoutMs); }
  void Wake() override {
    std::lock_guard<std::mutex> lock(fSession->fWakeMutex);
    fSession->fWoken = true;
    fSession->fWakeCond.notify_all();
  }

private:
  TTestSession* fSession;
};

TTestSession::TTestSession() : fBackend(std::make_unique<Backend>(this)) {
  win::ResetAll();
  SetClockSource(&fClock);
  win::SetBackend(fBackend.get());
  SetSystemSettings(TSystemSettings{});
}

TTestSession::~TTestSession() {
  win::SetMessageTrace({});
  fScript.clear();
  win::ResetAll();
  win::SetBackend(nullptr);
  SetClockSource(nullptr);
}

void TTestSession::WaitForEvents(int timeoutMs) {
  if (!fScript.empty()) {
    auto step = std::move(fScript.front());
    fScript.pop_front();
    step();
    return;
  }
  if (timeoutMs >= 0) {
    fClock.AdvanceMs(static_cast<std::uint64_t>(timeoutMs));
    return;
  }
  // Only a post from another thread can still arrive.
  std::unique_lock<std::mutex> lock(fWakeMutex);
  if (!fWakeCond.wait_for(lock, std::chrono::seconds(1), [&] { return fWoken; }))
    throw EScriptExhausted("The message loop waits, but nothing is scripted, posted or timed");
  fWoken = false;
}

void TTestSession::QueueMove(POINT pt) { win::InjectMouse(win::TMouseAction::Move, Button::None, pt); }
void TTestSession::QueuePress(Button button) { win::InjectMouse(win::TMouseAction::Down, button, win::CursorPos()); }
void TTestSession::QueueRelease(Button button) { win::InjectMouse(win::TMouseAction::Up, button, win::CursorPos()); }
void TTestSession::QueueKey(WORD vk, bool down, String text) { win::InjectKey(vk, down, std::move(text)); }

void TTestSession::MoveTo(POINT pt) {
  QueueMove(pt);
  ProcessMessages();
}

void TTestSession::Press(Button button) {
  QueuePress(button);
  ProcessMessages();
}

void TTestSession::Release(Button button) {
  QueueRelease(button);
  ProcessMessages();
}

void TTestSession::Click(POINT pt, Button button) {
  MoveTo(pt);
  Press(button);
  Release(button);
}

void TTestSession::Wheel(int notches) {
  win::InjectMouse(win::TMouseAction::Wheel, Button::None, win::CursorPos(), notches * WHEEL_DELTA);
  ProcessMessages();
}

void TTestSession::KeyDown(WORD vk, String text) {
  QueueKey(vk, true, std::move(text));
  ProcessMessages();
}

void TTestSession::KeyUp(WORD vk) {
  QueueKey(vk, false);
  ProcessMessages();
}

void TTestSession::Key(WORD vk, String text) {
  KeyDown(vk, std::move(text));
  KeyUp(vk);
}

void TTestSession::Type(std::string_view text) {
  for (char32_t c : Utf8ToUcs4(text)) {
    WORD vk = 0;
    if (c >= 'a' && c <= 'z')
      vk = static_cast<WORD>(c - 'a' + 'A');
    else if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
      vk = static_cast<WORD>(c);
    else if (c == '\r' || c == '\n')
      vk = VK_RETURN;
    else if (c == '\t')
      vk = VK_TAB;
    Key(vk, Utf8Encode(c));
  }
}

void TTestSession::Script(std::function<void()> step) { fScript.push_back(std::move(step)); }

void TTestSession::ProcessMessages() {
  MSG m;
  for (int guard = 0; guard < 1000000; ++guard) {
    if (!PeekMessage(&m, {}, 0, 0, PM_REMOVE)) return;
    if (m.message == WM_QUIT) {
      PostQuitMessage(static_cast<int>(m.wParam));
      return;
    }
    TranslateMessage(&m);
    DispatchMessage(&m);
  }
}

void TTestSession::Advance(DWORD ms) {
  std::uint64_t target = fClock.TickCount64() + ms;
  for (;;) {
    ProcessMessages();
    int next = win::MillisecondsToNextTimer();
    std::uint64_t now = fClock.TickCount64();
    if (next < 0 || now + static_cast<std::uint64_t>(next) > target) break;
    fClock.AdvanceMs(static_cast<std::uint64_t>(std::max(next, 1)));
  }
  fClock.SetMs(target);
  ProcessMessages();
}

Surface TTestSession::Snapshot(HWND wnd) {
  win::PaintAllNow();
  Surface out;
  std::shared_ptr<Surface> top = win::TopSurface(wnd);
  RECT wr, tr;
  if (!top || !GetWindowRect(wnd, &wr) || !GetWindowRect(win::TopLevelOf(wnd), &tr)) return out;
  int w = wr.right - wr.left, h = wr.bottom - wr.top;
  out.Resize(w, h, 0xFF000000u);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.Set(x, y, top->At(wr.left - tr.left + x, wr.top - tr.top + y));
  return out;
}

void TTestSession::StartRecording(std::vector<HWND> windows) {
  fRecordWindows = std::move(windows);
  fRecording = true;
  win::SetMessageTrace([this](HWND wnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!fRecording) return;
    if (!fRecordWindows.empty() && std::find(fRecordWindows.begin(), fRecordWindows.end(), wnd) == fRecordWindows.end())
      return;
    fRecorded.push_back(TRecordedMessage{wnd, msg, wParam, lParam});
  });
}

void TTestSession::StopRecording() {
  fRecording = false;
  win::SetMessageTrace({});
}

void TTestSession::Name(HWND wnd, String name) { fNames[wnd.value] = std::move(name); }

std::vector<String> TTestSession::Trace(const std::vector<UINT>& only) const {
  std::vector<String> lines;
  for (const TRecordedMessage& r : fRecorded) {
    if (!only.empty() && std::find(only.begin(), only.end(), r.msg) == only.end()) continue;
    auto it = fNames.find(r.wnd.value);
    String name = it != fNames.end() ? it->second : "?";
    lines.push_back(name + " " + MessageName(r.msg));
  }
  return lines;
}
