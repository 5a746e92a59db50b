#include <gtest/gtest.h>

#include "platform/core/Clock.h"

namespace {

TEST(ClockSource, FakeClockDrivesTicksCounterAndSleep) {
  TFakeClock fake(1000);
  SetClockSource(&fake);
  EXPECT_EQ(GetTickCount(), 1000u);
  std::int64_t freq = 0, c0 = 0, c1 = 0;
  QueryPerformanceFrequency(&freq);
  QueryPerformanceCounter(&c0);
  Sleep(250);
  fake.AdvanceUs(500);
  QueryPerformanceCounter(&c1);
  EXPECT_EQ(GetTickCount(), 1250u);
  EXPECT_EQ((c1 - c0) * 1000 / freq, 250);
  fake.SetMs(0x100000005ull);
  EXPECT_EQ(GetTickCount(), 5u);  // the 32-bit count wraps
  EXPECT_EQ(GetTickCount64(), 0x100000005ull);
  SetClockSource(nullptr);
  std::uint64_t a = GetTickCount64();
  EXPECT_GE(GetTickCount64(), a);
}

}  // namespace
