// Loads a 100,000-line SQL text into the editor's line buffer, scans every line's highlighter
// range from the top, then inserts a line in the middle and rescans only what it changes.
#include <chrono>
#include <cstdio>

#include "editor/SxEditTextBuffer.h"
#include "editor/SxHighlighterSQL.h"

namespace {
double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}
}  // namespace

int main() {
  const int kLines = 100000;
  String text;
  for (int i = 0; i < kLines; ++i) {
    switch (i % 5) {
      case 0: text += "/* block " + std::to_string(i) + "\n"; break;
      case 1: text += "   still comment */ SELECT E.EMP_NO, 'it''s' AS NOTE, 1.5 FROM EMPLOYEE E\n"; break;
      case 2: text += "\tWHERE E.SALARY > :MIN_SALARY AND E.DEPT_NO IN ('600', '621') -- filter\n"; break;
      case 3: text += "  AND \"Quoted Name\" = GEN_ID(GEN_EMP, 1)\n"; break;
      default: text += "ORDER BY 1, 2;\n"; break;
    }
  }
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  TSxEditStringList lines;
  TStringStream stream(text);
  double load = 1e9, scan = 1e9, insert = 1e9;
  int lastScanned = 0;
  for (int round = 0; round < 5; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    lines.LoadFromStream(&stream);
    auto t1 = std::chrono::steady_clock::now();
    SxScanRanges(&hl, &lines, 0, lines.Count() - 1);
    auto t2 = std::chrono::steady_clock::now();
    lines.Insert(kLines / 2, "UPDATE EMPLOYEE SET SALARY = SALARY * 1.1;");
    lastScanned = SxScanRanges(&hl, &lines, kLines / 2, kLines / 2);
    auto t3 = std::chrono::steady_clock::now();
    load = std::min(load, Ms(t0, t1));
    scan = std::min(scan, Ms(t1, t2));
    insert = std::min(insert, Ms(t2, t3));
  }
  std::printf("lines %d, bytes %zu\n", lines.Count(), text.size());
  std::printf("load        %8.2f ms\n", load);
  std::printf("full scan   %8.2f ms\n", scan);
  std::printf("insert+scan %8.3f ms (lines rescanned: %d)\n", insert, lastScanned - kLines / 2 + 2);
  return 0;
}
