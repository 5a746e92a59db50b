// Tab layout cost. First: 2,500 and 10,000 tabs of different caption widths laid out in several
// lines (distribution, balancing, stretching, line order) against measuring the same tabs once;
// the layout must stay near linear, the ratio at 10,000 tabs about the ratio at 2,500. Then every
// style against the Tabs style: one multi-line layout of 2,500 tabs, and adding 200 tabs one by
// one (a layout per tab). Interleaved rounds, the median of the per-round ratios per style; the
// worst style's ratio is printed last (the goal is at most 2).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "page-control/kcPC.h"
#include "page-control/kcPCPainters.h"
#include "page-control/kcPCPaintersFactory.h"
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

std::string Caption(int i) { return "Table " + std::string(std::size_t(i * 7919 % 13), 'x'); }

double Ratio(int count) {
  TkcTabControl control(nullptr);
  control.SetBounds(0, 0, 800, 600);
  control.BeginLoading();  // one layout at the end instead of one per tab
  control.SetMultiLine(true);
  for (int i = 0; i < count; ++i) control.Tabs()->Add(Caption(i));
  control.EndLoading();
  const double measure = BestMs([&] { control.CalculateTabNormalSizes(); });
  const double layout = BestMs([&] { control.CalculateLayout(); });
  std::printf("%6d tabs  lines %5d  measure %8.2f ms  layout %8.2f ms  ratio %5.2f\n", count, control.LineCount,
              measure, layout, layout / measure);
  return layout / measure;
}

// A multi-line control of the style holding ACount tabs, laid out once.
std::unique_ptr<TkcTabControl> LoadedControl(TkcPCStyleID AStyle, int ACount) {
  auto control = std::make_unique<TkcTabControl>(nullptr);
  control->SetBounds(0, 0, 800, 600);
  control->SetStyle(AStyle);
  control->BeginLoading();
  control->SetMultiLine(true);
  for (int i = 0; i < ACount; ++i) control->Tabs()->Add(Caption(i));
  control->EndLoading();
  return control;
}

// Seconds of adding ACount tabs one by one to an empty control of the style (each a layout).
double AddingSeconds(TkcPCStyleID AStyle, int ACount) {
  TkcTabControl control(nullptr);
  control.SetBounds(0, 0, 800, 600);
  control.SetStyle(AStyle);
  return Seconds([&] {
    for (int i = 0; i < ACount; ++i) control.Tabs()->Add(Caption(i));
  });
}

struct StyleRatios {
  String name;
  double layout, adding;
};

// Every registered style against the Tabs style, in interleaved rounds.
std::vector<StyleRatios> StylesAgainstTabs() {
  constexpr int kLayoutTabs = 2500, kAddedTabs = 200, kRounds = 7;
  const TkcPCStyleID tabs = TkcPCTabsPainter::ClassStyleID();
  TkcPCPaintersFactory* factory = PaintersFactory();
  std::vector<StyleRatios> result;
  for (int k = 0; k < factory->PainterClassCount(); ++k) {
    const TkcPCPainterClass painter = factory->PainterClasses(k);
    const TkcPCStyleID style = painter->GetStyleID();
    auto reference = LoadedControl(tabs, kLayoutTabs), measured = LoadedControl(style, kLayoutTabs);
    std::vector<double> layout, adding;
    for (int round = 0; round < kRounds; ++round) {
      const double a = Seconds([&] { reference->CalculateLayout(); });
      const double b = Seconds([&] { measured->CalculateLayout(); });
      layout.push_back(b / a);
      const double c = AddingSeconds(tabs, kAddedTabs);
      const double d = AddingSeconds(style, kAddedTabs);
      adding.push_back(d / c);
    }
    result.push_back({painter->GetStyleName(), Median(layout), Median(adding)});
    std::printf("%-12s layout of %d tabs / Tabs: %5.2f   adding %d tabs / Tabs: %5.2f\n",
                result.back().name.c_str(), kLayoutTabs, result.back().layout, kAddedTabs, result.back().adding);
  }
  return result;
}

}  // namespace

int main() {
  TTestSession session;
  SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
  const double small = Ratio(2500);
  const double large = Ratio(10000);
  std::printf("10,000-tab multi-line layout / measuring the tabs: %.2f (2,500 tabs: %.2f)\n", large, small);
  StyleRatios worst{"", 0, 0};
  for (const StyleRatios& r : StylesAgainstTabs())
    if (std::max(r.layout, r.adding) > std::max(worst.layout, worst.adding)) worst = r;
  std::printf("worst style %s against the Tabs style (goal at most 2): %.2f\n", worst.name.c_str(),
              std::max(worst.layout, worst.adding));
  SetFontSource(nullptr);
  return 0;
}
