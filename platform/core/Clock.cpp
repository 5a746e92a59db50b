#include "platform/core/Clock.h"

#include <chrono>
#include <thread>

std::uint64_t TSystemClock::TickCount64() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

std::int64_t TSystemClock::PerformanceCounter() {
  using namespace std::chrono;
  return static_cast<std::int64_t>(duration_cast<nanoseconds>(steady_clock::now().time_since_epoch()).count());
}

void TSystemClock::Sleep(std::uint32_t Milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(Milliseconds));
}

namespace {
TSystemClock& SystemClock() {
  static TSystemClock clock;
  return clock;
}
TClockSource* gSource = nullptr;
}  // namespace

TClockSource& ClockSource() { return gSource ? *gSource : SystemClock(); }
void SetClockSource(TClockSource* Source) { gSource = Source; }

DWORD GetTickCount() { return static_cast<DWORD>(ClockSource().TickCount64()); }
std::uint64_t GetTickCount64() { return ClockSource().TickCount64(); }

BOOL QueryPerformanceCounter(std::int64_t* Count) {
  if (!Count) return FALSE;
  *Count = ClockSource().PerformanceCounter();
  return TRUE;
}

BOOL QueryPerformanceFrequency(std::int64_t* Frequency) {
  if (!Frequency) return FALSE;
  *Frequency = ClockSource().PerformanceFrequency();
  return TRUE;
}

void Sleep(DWORD Milliseconds) { ClockSource().Sleep(Milliseconds); }
