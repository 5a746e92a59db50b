#pragma once
// The clock the program reads: milliseconds since start and the high-resolution counter.
// Tests install a fake source to make time deterministic.

#include <cstdint>

#include "platform/core/WinTypes.h"

class TClockSource {
public:
  virtual ~TClockSource() = default;
  // Milliseconds of a monotonic clock.
  virtual std::uint64_t TickCount64() = 0;
  // Counter ticks of a monotonic clock, and ticks per second.
  virtual std::int64_t PerformanceCounter() = 0;
  virtual std::int64_t PerformanceFrequency() = 0;
  virtual void Sleep(std::uint32_t Milliseconds) = 0;
};

// The real monotonic clock (nanosecond counter).
class TSystemClock : public TClockSource {
public:
  std::uint64_t TickCount64() override;
  std::int64_t PerformanceCounter() override;
  std::int64_t PerformanceFrequency() override { return 1000000000; }
  void Sleep(std::uint32_t Milliseconds) override;
};

// A clock that moves only when told; Sleep advances it.
class TFakeClock : public TClockSource {
public:
  explicit TFakeClock(std::uint64_t StartMs = 0) : fNowUs(StartMs * 1000) {}
  std::uint64_t TickCount64() override { return fNowUs / 1000; }
  std::int64_t PerformanceCounter() override { return static_cast<std::int64_t>(fNowUs); }
  std::int64_t PerformanceFrequency() override { return 1000000; }
  void Sleep(std::uint32_t Milliseconds) override { AdvanceMs(Milliseconds); }
  void AdvanceMs(std::uint64_t Ms) { fNowUs += Ms * 1000; }
  void AdvanceUs(std::uint64_t Us) { fNowUs += Us; }
  void SetMs(std::uint64_t Ms) { fNowUs = Ms * 1000; }

private:
  std::uint64_t fNowUs;
};

// The current source (the system clock unless a test set another). Setting null restores the
// system clock. The caller keeps ownership of the source it sets.
TClockSource& ClockSource();
void SetClockSource(TClockSource* Source);

// Milliseconds, wrapping at 2^32 as the 32-bit tick count does.
DWORD GetTickCount();
std::uint64_t GetTickCount64();
BOOL QueryPerformanceCounter(std::int64_t* Count);
BOOL QueryPerformanceFrequency(std::int64_t* Frequency);
void Sleep(DWORD Milliseconds);
