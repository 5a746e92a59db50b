// Lays out a memo value of 1 MB (word wrap, and word wrap with tab expansion) in a 400-pixel
// wide cell, measuring every row, and compares it with one plain measure of the same text. The
// layout must stay linear in the text's length: the ratio at 1 MB is about the ratio at 256 KB.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>

#include "editors/kcEditTextUtils.h"
#include "platform/gdi/FontMetrics.h"

namespace {

std::string Memo(std::size_t bytes) {
  const char* words[] = {"select", "\xC3\xA4rger", "from", "employee", "where", "\tsalary", ">", "1000,", "and"};
  std::string text;
  for (std::size_t i = 0; text.size() < bytes; ++i) {
    text += words[i % 9];
    text += (i % 37 == 36) ? "\r\n" : " ";
  }
  return text;
}

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

double Ratio(HDC dc, const std::string& text, unsigned flags, int* rowsOut) {
  const double measure = BestMs([&] {
    SIZE size{};
    GetTextExtentPoint32(dc, text, &size);
  });
  const double layout = BestMs([&] {
    TkcTextLayoutParams p;
    InitTextLayoutParams(dc, flags, p);
    TkcTextRows rows;
    int count = 0;
    BuildTextRows(dc, text, RECT{0, 0, 400, 100}, p, rows, count, 0);
    *rowsOut = count;
  });
  std::printf("%7zu bytes  flags %06x  measure %8.2f ms  layout %8.2f ms  rows %6d  ratio %5.2f\n", text.size(), flags,
              measure, layout, *rowsOut, layout / measure);
  return layout / measure;
}

}  // namespace

int main() {
  using namespace kcTextLayout;
  SetFontSource(std::make_shared<FixedFontSource>(7, 11, 2));
  HDC dc = CreateMeasureDC();
  int rows = 0;
  const unsigned flags = kctfWordBreak | kctfCalcRect;
  const double small = Ratio(dc, Memo(256 * 1024), flags, &rows);
  Ratio(dc, Memo(256 * 1024), flags | kctfExpandTabs, &rows);
  Ratio(dc, Memo(1024 * 1024), flags | kctfExpandTabs, &rows);
  const double large = Ratio(dc, Memo(1024 * 1024), flags, &rows);
  DeleteDC(dc);
  std::printf("1 MB word-wrapped layout / plain measure: %.2f (256 KB: %.2f)\n", large, small);
  return 0;
}
