// Filter expressions over an in-memory dataset of 1,000,000 rows (integer, text, date): the time
// to set each filter and count the passing records, which evaluates the expression once per row,
// against a plain loop over the same values in a vector of structs doing the same test. Five
// interleaved rounds, medians; the last line is the worst ratio to the plain loop.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/core/DateUtils.h"
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
  ds.FieldDefs().Add("N", ftInteger);
  ds.FieldDefs().Add("S", ftString, 20);
  ds.FieldDefs().Add("D", ftDate);
  ds.CreateDataSet();
  ds.DisableControls();
  const TDateTime base = EncodeDate(2023, 1, 1);
  struct Row {
    int n;
    std::string s;
    double d;
  };
  std::vector<Row> rows;
  rows.reserve(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    unsigned h = static_cast<unsigned>(i) * 2654435761u;
    std::string s(1, static_cast<char>('a' + h % 26));
    s += std::to_string(h % 100000);
    ds.AppendRecord({i + 1, s, Variant::FromDate(base + static_cast<double>(h % 730))});
    rows.push_back({i + 1, s, base + static_cast<double>(h % 730)});
  }
  ds.EnableControls();
  auto t1 = std::chrono::steady_clock::now();
  std::printf("fill %d rows: %.0f ms\n", n, Ms(t0, t1));

  const double mar15 = EncodeDate(2024, 3, 15), apr1 = EncodeDate(2024, 4, 1);
  struct Case {
    const char* filter;
    bool caseInsensitive;
    std::function<int(const std::vector<Row>&)> plain;
  };
  // Each plain loop with its test inlined.
  auto count = [](auto test) {
    return [test](const std::vector<Row>& rows) {
      int k = 0;
      for (const Row& r : rows) k += test(r) ? 1 : 0;
      return k;
    };
  };
  std::vector<Case> cases = {
      {"N > 500000 AND S LIKE 'a%'", false, count([](const Row& r) { return r.n > 500000 && r.s[0] == 'a'; })},
      {"D >= '2024-03-15'", false, count([=](const Row& r) { return r.d >= mar15; })},
      {"D >= '2024-03-15' AND D < '2024-04-01'", false,
       count([=](const Row& r) { return r.d >= mar15 && r.d < apr1; })},
      {"S = 'B1*' OR N < 1000", true,
       count([](const Row& r) { return ((r.s[0] & ~0x20) == 'B' && r.s.size() > 1 && r.s[1] == '1') || r.n < 1000; })},
      {"N >= 250000 AND N < 750000", false, count([](const Row& r) { return r.n >= 250000 && r.n < 750000; })},
  };
  std::vector<std::vector<double>> engine(cases.size()), plain(cases.size());
  std::vector<int> counts(cases.size()), plainCounts(cases.size());
  for (int round = 0; round < 5; ++round) {
    for (size_t c = 0; c < cases.size(); ++c) {
      ds.SetFiltered(false);
      ds.SetFilterOptions(cases[c].caseInsensitive ? TFilterOptions{foCaseInsensitive} : TFilterOptions{});
      auto a = std::chrono::steady_clock::now();
      ds.SetFilter(cases[c].filter);
      ds.SetFiltered(true);
      counts[c] = ds.RecordCount();
      auto b = std::chrono::steady_clock::now();
      plainCounts[c] = cases[c].plain(rows);
      auto e = std::chrono::steady_clock::now();
      engine[c].push_back(Ms(a, b));
      plain[c].push_back(Ms(b, e));
    }
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  double worst = 0;
  for (size_t c = 0; c < cases.size(); ++c) {
    double e = median(engine[c]), p = median(plain[c]);
    worst = std::max(worst, e / p);
    std::printf("%-42s%s: %7d rows%s, %7.1f ms (%5.0f ns/row), plain loop %6.2f ms, ratio %.1f\n", cases[c].filter,
                cases[c].caseInsensitive ? " (ci)" : "     ", counts[c],
                counts[c] == plainCounts[c] ? "" : " (plain loop differs)", e, e * 1e6 / n, p, e / p);
  }
  std::printf("ratio filter / plain loop (worst of %zu, medians of 5 interleaved rounds): %.1f\n", cases.size(), worst);
  return 0;
}
