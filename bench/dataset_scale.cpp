// An in-memory dataset of 1,000,000 rows: fill, open-to-first, move through, and keyed locate
// (by the primary-key tree) against a scan with a partial key. Then the order by an integer
// field (SetIndexFieldNames) and back to the natural order, each against std::stable_sort of
// (key, row) pairs of the same values, in interleaved rounds; the last line gives the medians of
// the per-round ratios (the machine may be shared: a ratio of two medians can mislead).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

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
  ds.FieldDefs().Add("AMOUNT", ftInteger);
  ds.IndexDefs().Add("PK", "ID", {ixPrimary});
  ds.CreateDataSet();
  ds.DisableControls();
  std::vector<int> amounts(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    amounts[static_cast<size_t>(i)] = static_cast<int>((static_cast<unsigned>(i) * 2654435761u) % 100000u);
    ds.AppendRecord({static_cast<int>((i * 7919LL) % n) + 1, "r" + std::to_string(i), amounts[static_cast<size_t>(i)]});
  }
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
  std::printf("100000 keyed Locate (%d found): %.1f ms, %.2f us each\n", found, Ms(t2, t3),
              Ms(t2, t3) * 1000.0 / 100000);
  std::printf("one partial-key Locate (scan to the last row, %s): %.1f ms\n", scan ? "found" : "missing", Ms(t3, t4));

  const int rounds = 7;
  std::vector<double> index, natural, anchor, indexRatio, naturalRatio;
  for (int round = 0; round < rounds; ++round) {
    auto a = std::chrono::steady_clock::now();
    ds.SetIndexFieldNames("AMOUNT");
    auto b = std::chrono::steady_clock::now();
    ds.SetIndexFieldNames("");
    auto c = std::chrono::steady_clock::now();
    std::vector<std::pair<int, int>> pairs(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) pairs[static_cast<size_t>(i)] = {amounts[static_cast<size_t>(i)], i};
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& x, const auto& y) { return x.first < y.first; });
    auto d = std::chrono::steady_clock::now();
    if (pairs.front().first > pairs.back().first) std::printf("!");
    index.push_back(Ms(a, b));
    natural.push_back(Ms(b, c));
    anchor.push_back(Ms(c, d));
    indexRatio.push_back(Ms(a, b) / Ms(c, d));
    naturalRatio.push_back(Ms(b, c) / Ms(a, b));
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  std::printf(
      "SetIndexFieldNames(integer field): %.1f ms; back to the natural order: %.1f ms; "
      "std::stable_sort of (key, row) pairs: %.1f ms (medians of %d interleaved rounds)\n",
      median(index), median(natural), median(anchor), rounds);
  std::printf("ratio natural order / index: %.2f (goal 1)\n", median(naturalRatio));
  std::printf("ratio index / stable_sort: %.2f (goal 2; medians of per-round ratios)\n", median(indexRatio));
  return 0;
}
