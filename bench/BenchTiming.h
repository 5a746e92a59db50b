#pragma once
// Timing helpers of the benchmarks: the seconds a piece of work takes, and the median of runs.

#include <algorithm>
#include <chrono>
#include <functional>
#include <vector>

inline double Seconds(const std::function<void()>& AWork) {
  auto start = std::chrono::steady_clock::now();
  AWork();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

inline double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}
