// Loads a 100,000-line SQL file (about 6.8 MB of varied statements, generated once into the
// temporary folder) from disk into the editor's line buffer, scans every line's highlighter range
// from the top, then inserts a line in the middle and rescans only what it changes. The whole
// load (open, read, split, line records) runs against a plain reading of the same file into a
// vector of line strings; five interleaved rounds, medians, and the last line is the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "editor/SxEditTextBuffer.h"
#include "editor/SxHighlighterSQL.h"

namespace {

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

const int kLines = 100000;

// Statements of every kind the highlighter meets, with names, numbers and texts drawn at random.
std::string MakeScript() {
  std::mt19937 rng(68);
  const char* tables[] = {"EMPLOYEE", "DEPARTMENT", "PROJECT", "SALARY_HISTORY", "CUSTOMER", "SALES", "JOB"};
  const char* columns[] = {"EMP_NO",   "FIRST_NAME", "LAST_NAME", "DEPT_NO",  "SALARY",       "HIRE_DATE",
                           "JOB_CODE", "PHONE_EXT",  "BUDGET",    "LOCATION", "ORDER_STATUS", "TOTAL_VALUE"};
  auto pick = [&](auto& list) { return list[rng() % (sizeof(list) / sizeof(list[0]))]; };
  auto number = [&] { return std::to_string(rng() % 100000); };
  std::ostringstream out;
  int line = 0;
  while (line < kLines) {
    switch (line == kLines - 1 ? 1 : rng() % 9) {
      case 0:
        out << "/* " << pick(tables) << ": changed " << number() << " times, see ticket " << number() << "\n";
        out << "   and the notes kept with " << pick(columns) << " */\n";
        line += 2;
        break;
      case 1:
        out << "SELECT " << pick(columns) << ", " << pick(columns) << ", " << pick(columns) << ", '" << pick(tables)
            << "''s' AS NOTE, " << number() << "." << rng() % 100 << " FROM " << pick(tables) << " T" << rng() % 9
            << "\n";
        ++line;
        break;
      case 2:
        out << "\tWHERE T.SALARY > :MIN_SALARY AND T." << pick(columns) << " IN ('" << number() << "', '" << number()
            << "') AND T.HIRE_DATE < CURRENT_DATE -- filter " << number() << "\n";
        ++line;
        break;
      case 3:
        out << "  AND \"Quoted " << pick(columns) << "\" = GEN_ID(GEN_" << pick(tables) << ", " << rng() % 10 << ")\n";
        ++line;
        break;
      case 4:
        out << "UPDATE " << pick(tables) << " SET " << pick(columns) << " = " << pick(columns) << " * 1." << rng() % 10
            << " WHERE " << pick(columns) << " = " << number() << " AND " << pick(columns) << " IS NOT NULL;\n";
        ++line;
        break;
      case 5:
        out << "INSERT INTO " << pick(tables) << " (" << pick(columns) << ", " << pick(columns) << ") VALUES ("
            << number() << ", 'text " << number() << "');\n";
        ++line;
        break;
      case 6:
        out << "ORDER BY " << rng() % 5 + 1 << ", " << pick(columns) << " DESCENDING, " << pick(columns)
            << " -- sorted for report " << number() << "\n";
        ++line;
        break;
      case 7:
        out << "COMMIT WORK; -- batch " << number() << "\n";
        ++line;
        break;
      default:
        out << "CREATE INDEX IDX_" << pick(tables) << "_" << number() << " ON " << pick(tables) << " (" << pick(columns)
            << "); /* rebuilt nightly */\n";
        ++line;
        break;
    }
  }
  return out.str();
}

// The file is made once and kept; a file of another size is made again.
std::string ScriptFile() {
  std::string path = (std::filesystem::temp_directory_path() / "vt-bench-editor-load.sql").string();
  std::string text = MakeScript();
  std::error_code ec;
  if (std::filesystem::file_size(path, ec) != text.size()) std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::vector<std::string> PlainLoad(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < all.size()) {
    std::size_t end = all.find('\n', start);
    if (end == std::string::npos) end = all.size();
    lines.emplace_back(all, start, end - start);
    start = end + 1;
  }
  return lines;
}

}  // namespace

int main() {
  std::string path = ScriptFile();
  TSxSQLSx hl(nullptr);
  hl.SetSQLDialect(sqlInterbase6);
  std::vector<double> load, plain, scan, insert;
  int lines = 0, lastScanned = 0;
  std::size_t plainLines = 0;
  for (int round = 0; round < 5; ++round) {
    auto t0 = std::chrono::steady_clock::now();
    auto* buffer = new TSxEditStringList;
    buffer->LoadFromFile(path);
    auto t1 = std::chrono::steady_clock::now();
    SxScanRanges(&hl, buffer, 0, buffer->Count() - 1);
    auto t2 = std::chrono::steady_clock::now();
    buffer->Insert(kLines / 2, "UPDATE EMPLOYEE SET SALARY = SALARY * 1.1;");
    lastScanned = SxScanRanges(&hl, buffer, kLines / 2, kLines / 2);
    auto t3 = std::chrono::steady_clock::now();
    lines = buffer->Count();
    delete buffer;
    auto t4 = std::chrono::steady_clock::now();
    plainLines = PlainLoad(path).size();
    auto t5 = std::chrono::steady_clock::now();
    load.push_back(Ms(t0, t1));
    scan.push_back(Ms(t1, t2));
    insert.push_back(Ms(t2, t3));
    plain.push_back(Ms(t4, t5));
  }
  std::printf("file %s: %zu lines read plainly, %d in the editor after one inserted, %ju bytes\n", path.c_str(),
              plainLines, lines, static_cast<std::uintmax_t>(std::filesystem::file_size(path)));
  std::printf("load from disk %8.2f ms (plain read and split %8.2f ms)\n", Median(load), Median(plain));
  std::printf("full scan      %8.2f ms\n", Median(scan));
  std::printf("insert+scan    %8.3f ms (lines rescanned: %d)\n", Median(insert), lastScanned - kLines / 2 + 2);
  std::printf("ratio load / plain read (medians of 5 interleaved rounds): %.2f\n", Median(load) / Median(plain));
  return 0;
}
