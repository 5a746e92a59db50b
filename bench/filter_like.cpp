// Evaluates one LIKE condition of a filter over 1,000,000 string values through the criteria's
// record evaluation, for three patterns (and one case-insensitive run); prints the time per
// record, the heap allocations per record and the number of matches.

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "data/kcFilter.h"

namespace {
std::atomic<std::size_t> gAllocations{0};
}

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

class TBenchField : public TObject {
  VT_CLASS(TBenchField, TObject)
};

class TBenchItem : public TkcFilterCriteriaItem {
  VT_CLASS(TBenchItem, TkcFilterCriteriaItem)
public:
  using TkcFilterCriteriaItem::TkcFilterCriteriaItem;
  Variant GetDataValue(int ARecordIndex) override;
  String GetFieldCaption() override { return "Name"; }
  String GetFieldName() override { return "NAME"; }
};

class TBenchCriteria : public TkcFilterCriteria {
  VT_CLASS(TBenchCriteria, TkcFilterCriteria)
public:
  int GetIDByItemLink(TObject*) override { return 1; }
  TObject* GetItemLinkByID(int) override { return &Field; }
  TkcFilterCriteriaItemClass GetItemClass() override { return TBenchItem::StaticClass(); }
  TBenchField Field;
  std::vector<Variant> Values;
};

Variant TBenchItem::GetDataValue(int ARecordIndex) {
  return static_cast<TBenchCriteria*>(GetCriteria())->Values[static_cast<std::size_t>(ARecordIndex)];
}

void Run(TBenchCriteria& criteria, const char* pattern, bool caseInsensitive) {
  criteria.Clear();
  criteria.SetOptions(caseInsensitive ? TkcFilterCriteriaOptions{fcoCaseInsensitive} : TkcFilterCriteriaOptions{});
  criteria.AddItem(nullptr, &criteria.Field, foLike, Variant(pattern), pattern);
  const int count = static_cast<int>(criteria.Values.size());
  criteria.EvaluateRecord(0);  // the first evaluation prepares the condition
  std::size_t allocationsBefore = gAllocations;
  auto start = std::chrono::steady_clock::now();
  int matches = 0;
  for (int i = 0; i < count; ++i) matches += criteria.EvaluateRecord(i) ? 1 : 0;
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::size_t allocations = gAllocations - allocationsBefore;
  std::printf("%-22s %-5s %8.1f ms  %6.1f ns/record  %5.2f allocations/record  %7d matches\n", pattern,
              caseInsensitive ? "nocase" : "case", seconds * 1e3, seconds * 1e9 / count,
              static_cast<double>(allocations) / count, matches);
}

}  // namespace

int main() {
  const int count = 1000000;
  TBenchCriteria criteria;
  criteria.Values.reserve(count);
  const char* words[] = {"abc", "xabcx", "Abc", "a-c", "axc", "qrs", "abz", "cab"};
  for (int i = 0; i < count; ++i) {
    // 16 to 30 bytes, past the short-string buffer like most names in a result set.
    std::string text = std::string(words[i % 8]) + " record " + std::to_string(i) + " " + words[(i / 8) % 8];
    criteria.Values.emplace_back(std::move(text));
  }
  Run(criteria, "%abc%", false);
  Run(criteria, "a_c%", false);
  Run(criteria, "%re%or%1%5%", false);
  Run(criteria, "%abc%", true);
  return 0;
}
