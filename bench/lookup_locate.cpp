// Typing a prefix into a lookup over 1,000,000 rows: each keystroke asks for the first row
// whose text begins with the typed text. The lookup grid's text index (built once) against a
// scan of the rows per keystroke, as a plain search would do. Prints the build time, the time
// per keystroke of each, and their ratio.

#include <chrono>
#include <cstdio>
#include <random>
#include <string>

#include "editors-extended/kcLookupGrid.h"
#include "platform/core/SysUtils.h"

namespace {
using Clock = std::chrono::steady_clock;
double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }
}  // namespace

int main() {
  constexpr int kRows = 1'000'000;
  TkcDataController dc(nullptr);
  TObject item;
  dc.AddItem(&item);
  dc.ChangeValueTypeClass(0, TkcStringValueType::Class());
  std::mt19937 random(7);
  dc.BeginUpdate();
  dc.SetRecordCount(kRows);
  for (int r = 0; r < kRows; ++r) {
    std::string name;
    for (int i = 0; i < 8; ++i) name += static_cast<char>('a' + random() % 26);
    dc.SetValue(r, 0, Variant(name));
  }
  dc.EndUpdate();

  auto start = Clock::now();
  TkcLookupTextIndex index;
  index.Build(&dc, 0);
  const double build = Ms(Clock::now() - start);

  // The keystrokes of typing three names that exist, prefix by prefix.
  std::vector<std::string> typed;
  for (int r : {123456, 654321, 999}) {
    const std::string name = dc.GetDisplayText(r, 0);
    for (std::size_t n = 1; n <= name.size(); ++n) typed.push_back(name.substr(0, n));
  }
  int found = 0;
  start = Clock::now();
  for (int round = 0; round < 100; ++round)
    for (const std::string& t : typed) found += index.FindRow(t, true) >= 0;
  const double indexed = Ms(Clock::now() - start) / (100.0 * typed.size());

  start = Clock::now();
  int scanned = 0;
  for (const std::string& t : typed) {
    const std::string key = AnsiUpperCase(t);
    for (int row = 0; row < dc.GetRowCount(); ++row) {
      const std::string text = AnsiUpperCase(dc.GetDisplayText(dc.GetRowInfo(row).RecordIndex, 0));
      if (text.compare(0, key.size(), key) == 0) {
        ++scanned;
        break;
      }
    }
  }
  const double scan = Ms(Clock::now() - start) / typed.size();
  std::printf("rows %d, index build %.1f ms\n", kRows, build);
  std::printf("per keystroke: index %.4f ms, scan %.3f ms (found %d/%zu and %d/%zu)\n", indexed, scan, found / 100,
              typed.size(), scanned, typed.size());
  std::printf("scan / index: %.0f\n", scan / indexed);
  return 0;
}
