// An in-memory dataset of 1,000,000 rows: fill, open-to-first, move through, and keyed locate
// (by the primary-key tree) against a scan with a partial key.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/db/DBClient.h"

namespace {
double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}
}  // namespace

int main() {
  const int n = 1000000;
  auto t0 = std::chrono::steady_clock::now();
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ID", ftInteger);
  ds.FieldDefs().Add("NAME", ftString, 20);
  ds.IndexDefs().Add("PK", "ID", {ixPrimary});
  ds.CreateDataSet();
  ds.DisableControls();
  for (int i = 0; i < n; ++i) ds.AppendRecord({static_cast<int>((i * 7919LL) % n) + 1, "r" + std::to_string(i)});
  ds.EnableControls();
  auto t1 = std::chrono::steady_clock::now();
  ds.First();
  int moved = 0;
  while (!ds.Eof()) moved += ds.MoveBy(1000);
  auto t2 = std::chrono::steady_clock::now();
  int found = 0;
  for (int k = 1; k <= 100000; ++k) found += ds.Locate("ID", (k * 31) % n + 1) ? 1 : 0;
  auto t3 = std::chrono::steady_clock::now();
  bool scan = ds.Locate("NAME", "r999999", {loPartialKey});
  auto t4 = std::chrono::steady_clock::now();
  std::printf("fill %d rows (unsorted keys): %.0f ms\n", n, Ms(t0, t1));
  std::printf("First + MoveBy(1000) to the end (%d moved): %.1f ms\n", moved, Ms(t1, t2));
  std::printf("100000 keyed Locate (%d found): %.1f ms, %.2f us each\n", found, Ms(t2, t3), Ms(t2, t3) * 1000.0 / 100000);
  std::printf("one partial-key Locate (scan to the last row, %s): %.1f ms\n", scan ? "found" : "missing", Ms(t3, t4));
  return 0;
}
