// Fills a record storage of five columns (integer, float, short string, date, currency) and
// reads it back; prints the time per record at three sizes (filling must be linear), then five
// rounds of 1,000,000 records whose medians give the heap the records take against the raw
// bytes of their values (the anchor, counted in the same run). The last line is that ratio.

#include <malloc.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "data/kcDataStorage.h"

namespace {

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

std::size_t HeapInUse() { return mallinfo2().uordblks + mallinfo2().hblkhd; }

struct Result {
  double fill, read;
  std::size_t heap;
  std::size_t raw;
};

Result Run(int count) {
  std::size_t heapBefore = HeapInUse();
  Result r{};
  auto* s = new TkcDataStorage;
  TkcValueDef* cInt = s->ValueDefs()->AddColumn(TkcIntegerValueType::Class(), true, false, nullptr);
  TkcValueDef* cFloat = s->ValueDefs()->AddColumn(TkcFloatValueType::Class(), true, false, nullptr);
  TkcValueDef* cText = s->ValueDefs()->AddColumn(TkcStringValueType::Class(), true, false, nullptr);
  TkcValueDef* cDate = s->ValueDefs()->AddColumn(TkcDateTimeValueType::Class(), true, false, nullptr);
  TkcValueDef* cCurr = s->ValueDefs()->AddColumn(TkcCurrencyValueType::Class(), true, false, nullptr);

  auto start = std::chrono::steady_clock::now();
  std::string text;
  for (int i = 0; i < count; ++i) {
    int rec = s->AppendRecord();
    text = "name " + std::to_string(i % 100000);  // 6 to 10 bytes
    r.raw += 4 + 8 + text.size() + 8 + 8;
    s->SetValue(rec, cInt, i);
    s->SetValue(rec, cFloat, i * 0.5);
    s->SetValue(rec, cText, Variant(text));
    s->SetValue(rec, cDate, Variant::FromDate(45000.0 + i % 1000));
    s->SetValue(rec, cCurr, Variant(Currency::FromRaw(i * 100LL)));
  }
  r.fill = Seconds(start);
  r.heap = HeapInUse() - heapBefore;

  start = std::chrono::steady_clock::now();
  double check = 0;
  for (int i = 0; i < count; ++i) {
    check += s->GetValue(i, cInt).AsInteger();
    check += s->GetValue(i, cFloat).AsDouble();
    check += static_cast<double>(s->GetValue(i, cText).AsString().size());
    check += s->GetValue(i, cDate).AsDouble();
    check += s->GetValue(i, cCurr).AsCurrency().ToDouble();
  }
  r.read = Seconds(start);
  if (check == 42) std::printf("!");
  delete s;
  return r;
}

}  // namespace

int main() {
  std::printf("%10s %12s %12s %14s %14s %8s\n", "records", "fill ns/rec", "read ns/rec", "heap B/rec", "raw B/rec",
              "ratio");
  // The largest first: string cells freed by one run are reused by the next, which would make
  // later heap figures look smaller than they are.
  for (int count : {1000000, 500000, 250000}) {
    Result r = Run(count);
    std::printf("%10d %12.1f %12.1f %14.1f %14.1f %8.2f\n", count, r.fill * 1e9 / count, r.read * 1e9 / count,
                double(r.heap) / count, double(r.raw) / count, double(r.heap) / double(r.raw));
  }
  const int count = 1000000;
  std::vector<double> fill, read, ratio;
  for (int round = 0; round < 5; ++round) {
    Result r = Run(count);
    fill.push_back(r.fill * 1e9 / count);
    read.push_back(r.read * 1e9 / count);
    ratio.push_back(double(r.heap) / double(r.raw));
  }
  auto median = [](std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
  };
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
  std::printf("medians of 5 rounds of %d records: fill %.1f ns, read %.1f ns per record\n", count, median(fill),
              median(read));
  std::printf("ratio heap / raw value bytes: %.2f (goal 1.3)\n", median(ratio));
  return 0;
}
