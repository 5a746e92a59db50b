// One LIKE condition of a filter over 1,000,000 string values through the criteria's record
// evaluation, against a plain loop over the same values that does what the pattern asks with
// string_view (find, prefix, suffix, equality; an ASCII case-folding search for the
// case-insensitive run). Engine and loop run interleaved, five rounds; the medians are shown
// with the heap allocations per record, and the last line is the worst ratio to the loop.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <string_view>
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
  const Variant& GetDataValueRef(int ARecordIndex, Variant& Buffer) override;
  String GetFieldCaption() override { return "Name"; }
  String GetFieldName() override { return "NAME"; }

private:
  const std::vector<Variant>* fValues = nullptr;  // found once, as a data source holds its data
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

// The values are held here, as a dataset's storage holds them: read in place.
const Variant& TBenchItem::GetDataValueRef(int ARecordIndex, Variant&) {
  if (!fValues) fValues = &static_cast<TBenchCriteria*>(GetCriteria())->Values;
  return (*fValues)[static_cast<std::size_t>(ARecordIndex)];
}

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

struct Case {
  const char* pattern;
  bool caseInsensitive;
  bool general;  // the goal is 3x for general patterns, 2x for the others
};

bool FoldedFind(std::string_view text, std::string_view upperNeedle) {
  auto up = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return std::search(text.begin(), text.end(), upperNeedle.begin(), upperNeedle.end(),
                     [&](char a, char b) { return up(a) == b; }) != text.end();
}

bool InOrder(std::string_view t) {
  std::size_t p = 0;
  for (std::string_view piece : {"re", "or", "1", "5"}) {
    p = t.find(piece, p);
    if (p == std::string_view::npos) return false;
    p += piece.size();
  }
  return true;
}

template <class F>
int CountPlain(const std::vector<Variant>& values, F test) {
  int matches = 0;
  for (const Variant& v : values) matches += test(std::string_view(*v.StringPtr())) ? 1 : 0;
  return matches;
}

// The plain loop of case c over the same stored values, each with its test inlined.
int PlainLoop(std::size_t c, const std::vector<Variant>& texts) {
  using SV = std::string_view;
  switch (c) {
    case 0: return CountPlain(texts, [](SV t) { return t == "abc record 8 xabcx"; });
    case 1: return CountPlain(texts, [](SV t) { return t.starts_with("abc"); });
    case 2: return CountPlain(texts, [](SV t) { return t.ends_with("abc"); });
    case 3: return CountPlain(texts, [](SV t) { return t.find("abc") != SV::npos; });
    case 4: return CountPlain(texts, [](SV t) { return FoldedFind(t, "ABC"); });
    case 5: return CountPlain(texts, [](SV t) { return t.size() >= 3 && t[0] == 'a' && t[2] == 'c'; });
    default: return CountPlain(texts, InOrder);
  }
}

}  // namespace

int main() {
  const int count = 1000000;
  TBenchCriteria criteria;
  criteria.Values.reserve(count);
  const char* words[] = {"abc", "xabcx", "Abc", "a-c", "axc", "qrs", "abz", "cab"};
  for (int i = 0; i < count; ++i) {
    // 16 to 30 bytes, past the short-string buffer like most names in a result set.
    criteria.Values.emplace_back(std::string(words[i % 8]) + " record " + std::to_string(i) + " " + words[(i / 8) % 8]);
  }

  const std::vector<Case> cases = {
      {"abc record 8 xabcx", false, false},
      {"abc%", false, false},
      {"%abc", false, false},
      {"%abc%", false, false},
      {"%abc%", true, false},
      {"a_c%", false, true},
      {"%re%or%1%5%", false, true},
  };

  const int rounds = 5;
  std::vector<std::vector<double>> engine(cases.size()), alone(cases.size()), loop(cases.size());
  std::vector<double> allocations(cases.size());
  std::vector<int> engineMatches(cases.size()), loopMatches(cases.size());
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t c = 0; c < cases.size(); ++c) {
      const Case& k = cases[c];
      criteria.Clear();
      criteria.SetOptions(k.caseInsensitive ? TkcFilterCriteriaOptions{fcoCaseInsensitive}
                                            : TkcFilterCriteriaOptions{});
      criteria.AddItem(nullptr, &criteria.Field, foLike, Variant(k.pattern), k.pattern);
      criteria.EvaluateRecord(0);  // the first evaluation prepares the condition
      TkcLikePattern pattern;
      String prepared = k.caseInsensitive ? AnsiUpperCase(k.pattern) : String(k.pattern);
      pattern.Prepare(prepared, U'%', U'_', 0, k.caseInsensitive);
      // The three runs take turns at going first, so that none always finds the values cached.
      for (int turn = 0; turn < 3; ++turn) {
        switch ((turn + round) % 3) {
          case 0: {
            std::size_t before = gAllocations;
            auto start = std::chrono::steady_clock::now();
            int matches = 0;
            for (int i = 0; i < count; ++i) matches += criteria.EvaluateRecord(i) ? 1 : 0;
            double seconds = Seconds(start);
            allocations[c] = static_cast<double>(gAllocations - before) / count;
            engine[c].push_back(seconds);
            engineMatches[c] = matches;
            break;
          }
          case 1: {
            // The matcher alone over the same values in place, without the criteria around it.
            auto start = std::chrono::steady_clock::now();
            int matches = 0;
            for (const Variant& v : criteria.Values) matches += pattern.Matches(*v.StringPtr()) ? 1 : 0;
            alone[c].push_back(Seconds(start));
            if (matches == 0 && count < 0) std::printf("!");
            break;
          }
          default: {
            auto start = std::chrono::steady_clock::now();
            loopMatches[c] = PlainLoop(c, criteria.Values);
            loop[c].push_back(Seconds(start));
            break;
          }
        }
      }
    }
  }

  std::printf("%-18s %-6s %9s %9s %9s %7s %9s %5s %7s %8s\n", "pattern", "case", "record ns", "LIKE ns", "loop ns",
              "ratio", "rec ratio", "goal", "allocs", "matches");
  double worst[2] = {0, 0}, worstRecord = 0;
  bool allMet = true;
  for (std::size_t c = 0; c < cases.size(); ++c) {
    double e = Median(engine[c]) * 1e9 / count, a = Median(alone[c]) * 1e9 / count, l = Median(loop[c]) * 1e9 / count;
    double goal = cases[c].general ? 3.0 : 2.0;
    worst[cases[c].general ? 1 : 0] = std::max(worst[cases[c].general ? 1 : 0], a / l);
    worstRecord = std::max(worstRecord, e / l);
    allMet = allMet && a / l <= goal && allocations[c] * count < 1;
    std::printf("%-18s %-6s %9.1f %9.1f %9.1f %7.2f %9.2f %5.1f %7.2f %8d%s\n", cases[c].pattern,
                cases[c].caseInsensitive ? "nocase" : "case", e, a, l, a / l, e / l, goal, allocations[c],
                engineMatches[c], engineMatches[c] == loopMatches[c] ? "" : "  (loop differs)");
  }
  std::printf("record: the criteria's whole record evaluation; LIKE: the prepared pattern over the values in place\n");
  std::printf("worst record evaluation / plain loop: %.2f\n", worstRecord);
  std::printf(
      "ratio LIKE / plain loop (medians of %d interleaved rounds), worst: %.2f (goal 2), general %.2f (goal 3)%s\n",
      rounds, worst[0], worst[1], allMet ? "" : "  GOAL MISSED");
  return 0;
}
