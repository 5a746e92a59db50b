// Lays out 2,500 and 10,000 tabs of different caption widths in several lines (distribution,
// balancing, stretching, line order) and compares it with measuring the same tabs once. The
// layout must stay near linear: the ratio at 10,000 tabs is about the ratio at 2,500.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "platform/gdi/FontMetrics.h"
#include "platform/win/TestDriver.h"

namespace {

template <class F>
double BestMs(F f) {
  double best = 1e18;
  for (int round = 0; round < 5; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    f();
    best = std::min(best, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
  }
  return best;
}

double Ratio(int count) {
  TkcTabControl control(nullptr);
  control.SetBounds(0, 0, 800, 600);
  control.BeginLoading();  // one layout at the end instead of one per tab
  control.SetMultiLine(true);
  for (int i = 0; i < count; ++i) control.Tabs()->Add("Table " + std::string(std::size_t(i * 7919 % 13), 'x'));
  control.EndLoading();
  const double measure = BestMs([&] { control.CalculateTabNormalSizes(); });
  const double layout = BestMs([&] { control.CalculateLayout(); });
  std::printf("%6d tabs  lines %5d  measure %8.2f ms  layout %8.2f ms  ratio %5.2f\n", count, control.LineCount,
              measure, layout, layout / measure);
  return layout / measure;
}

}  // namespace

int main() {
  TTestSession session;
  SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
  const double small = Ratio(2500);
  const double large = Ratio(10000);
  std::printf("10,000-tab multi-line layout / measuring the tabs: %.2f (2,500 tabs: %.2f)\n", large, small);
  SetFontSource(nullptr);
  return 0;
}
