// An unbound data controller over 1,000,000 records of five columns (integer, text, a grouping
// integer with 1,000 values, float, date): load, sort by the integer column, sort by the text
// column, group by the 1,000-value column, expand all, filter (a comparison and a LIKE), select
// all and a range, footer summaries (sum, count, min, max, average), group summaries over 1,000
// groups, and the filter value list of a column of 1,000,000 distinct values. Each operation runs several times interleaved with its reference, and the medians are
// printed; the ratios come last:
// - integer sort / std::stable_sort of (key, record index) pairs of the same values;
// - filter pass / a plain loop reading the same values from the storage and applying the same
//   condition.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench/BenchTiming.h"
#include "data/kcDataSummary.h"

namespace {

constexpr int kRecords = 1000000;
constexpr int kRuns = 7;

struct Bench {
  Bench() {
    TkcValueTypeClass types[] = {TkcIntegerValueType::Class(), TkcStringValueType::Class(),
                                 TkcIntegerValueType::Class(), TkcFloatValueType::Class(),
                                 TkcDateTimeValueType::Class()};
    for (int i = 0; i < 5; ++i) {
      items.push_back(std::make_unique<TObject>());
      dc.AddItem(items.back().get());
      dc.ChangeValueTypeClass(i, types[i]);
    }
    std::mt19937 rng(42);
    std::uniform_int_distribution<int> any(0, 1 << 30);
    const char* syllables[] = {"ka", "ro", "mi", "ab", "tel", "us", "ve", "qo"};
    ints.resize(kRecords);
    texts.resize(kRecords);
    for (int r = 0; r < kRecords; ++r) {
      ints[static_cast<std::size_t>(r)] = any(rng);
      std::string t;
      while (t.size() < 16 + static_cast<std::size_t>(r % 13)) t += syllables[any(rng) % 8];
      texts[static_cast<std::size_t>(r)] = t;
    }
  }

  void Load() {
    dc.BeginUpdate();
    dc.SetRecordCount(0);
    dc.SetRecordCount(kRecords);
    for (int r = 0; r < kRecords; ++r) {
      dc.SetValue(r, 0, Variant(ints[static_cast<std::size_t>(r)]));
      dc.SetValue(r, 1, Variant(texts[static_cast<std::size_t>(r)]));
      dc.SetValue(r, 2, Variant(r % 1000));
      dc.SetValue(r, 3, Variant(r * 0.25));
      dc.SetValue(r, 4, Variant::FromDate(45000.0 + r % 3000));
    }
    dc.EndUpdate();
  }

  TkcDataController dc{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
  std::vector<int> ints;
  std::vector<std::string> texts;
};

}  // namespace

int main() {
  Bench b;
  std::vector<double> load, sortInt, sortRef, sortText, group, expand, filterCmp, filterCmpRef, filterLike,
      filterLikeRef, filterCmpCriteria, selectAll, selectRange, footer, groupSummary, valueList;

  load.push_back(Seconds([&] { b.Load(); }));
  TkcDataStorage* storage = b.dc.GetDataStorage();
  TkcValueDef* intColumn = b.dc.GetItemField(0)->ValueColumn();
  TkcValueDef* textColumn = b.dc.GetItemField(1)->ValueColumn();

  const int threshold = 1 << 29;
  const char* pattern = "%ab%ka%";
  TkcLikePattern like;
  like.Prepare(pattern, U'%', U'_');
  std::size_t checksum = 0;

  for (int run = 0; run < kRuns; ++run) {
    // Integer sort against std::stable_sort of (key, index) pairs of the same values.
    std::vector<std::pair<std::int64_t, int>> pairs(kRecords);
    for (int r = 0; r < kRecords; ++r) pairs[static_cast<std::size_t>(r)] = {b.ints[static_cast<std::size_t>(r)], r};
    sortRef.push_back(Seconds([&] { std::stable_sort(pairs.begin(), pairs.end()); }));
    b.dc.ClearSorting(false);
    sortInt.push_back(Seconds([&] { b.dc.SetItemSortOrder(0, soAscending); }));
    checksum += static_cast<std::size_t>(b.dc.GetFilteredRecordIndex(0) == pairs[0].second);

    b.dc.ClearSorting(false);
    sortText.push_back(Seconds([&] { b.dc.SetItemSortOrder(1, soAscending); }));
    b.dc.ClearSorting(false);

    group.push_back(Seconds([&] { b.dc.Groups()->SetItemGroupIndex(2, 0); }));
    expand.push_back(Seconds([&] { b.dc.Groups()->ExpandAll(); }));
    checksum += static_cast<std::size_t>(b.dc.GetRowCount());
    b.dc.Groups()->ClearGrouping();

    // Filter passes against plain loops over the same stored values.
    TkcDataFilterCriteria* filter = b.dc.Filter();
    filter->Clear();
    filter->AddItem(nullptr, b.items[0].get(), foGreater, Variant(threshold), "");
    filterCmp.push_back(Seconds([&] { filter->SetActive(true); }));
    const int passed = b.dc.GetFilteredRecordCount();
    filter->SetActive(false);
    std::vector<int> kept;
    filterCmpRef.push_back(Seconds([&] {
      kept.clear();
      const Variant c(threshold);
      for (int r = 0; r < kRecords; ++r)
        if (CompareVariants(storage->GetValue(r, intColumn), c) > 0) kept.push_back(r);
    }));
    if (static_cast<int>(kept.size()) != passed) std::printf("mismatch: %d vs %zu\n", passed, kept.size());
    // The same condition evaluated by the criteria alone, record by record.
    filterCmpCriteria.push_back(Seconds([&] {
      kept.clear();
      for (int r = 0; r < kRecords; ++r)
        if (filter->EvaluateRecord(r)) kept.push_back(r);
    }));

    filter->Clear();
    filter->AddItem(nullptr, b.items[1].get(), foLike, Variant(pattern), pattern);
    filterLike.push_back(Seconds([&] { filter->SetActive(true); }));
    const int likePassed = b.dc.GetFilteredRecordCount();
    filter->SetActive(false);
    filterLikeRef.push_back(Seconds([&] {
      kept.clear();
      for (int r = 0; r < kRecords; ++r)
        if (like.Matches(storage->GetValue(r, textColumn).AsString())) kept.push_back(r);
    }));
    if (static_cast<int>(kept.size()) != likePassed) std::printf("mismatch: %d vs %zu\n", likePassed, kept.size());
    filter->Clear();

    b.dc.SetMultiSelect(true);
    selectAll.push_back(Seconds([&] { b.dc.SelectAll(); }));
    checksum += static_cast<std::size_t>(b.dc.GetSelectedCount());
    b.dc.ClearSelection();
    b.dc.ChangeRowSelection(10, true);
    b.dc.ChangeRowSelection(900000, true);
    b.dc.SetSelectionAnchor(100);
    selectRange.push_back(Seconds([&] { b.dc.SelectFromAnchor(800000, true); }));
    checksum += static_cast<std::size_t>(b.dc.GetSelectedCount());
    b.dc.SetMultiSelect(false);

    // Footer summaries of every kind over all records, then group summaries over 1,000 groups.
    TkcDataSummary* summary = b.dc.Summary();
    footer.push_back(Seconds([&] {
      summary->BeginUpdate();
      for (TkcSummaryKind kind : {skSum, skCount, skMin, skMax, skAverage}) {
        TkcDataSummaryItem* item = summary->FooterSummaryItems()->Add();
        item->SetItemLink(b.items[0].get());
        item->SetKind(kind);
      }
      summary->EndUpdate();
    }));
    checksum += static_cast<std::size_t>(summary->FooterValue(1).AsInteger());
    summary->FooterSummaryItems()->Clear();
    b.dc.Groups()->SetItemGroupIndex(2, 0);
    groupSummary.push_back(Seconds([&] {
      summary->BeginUpdate();
      TkcDataSummaryItem* item = summary->DefaultGroupSummaryItems()->Add();
      item->SetItemLink(b.items[0].get());
      item->SetKind(skSum);
      summary->EndUpdate();
    }));
    summary->DefaultGroupSummaryItems()->Clear();
    b.dc.Groups()->ClearGrouping();

    // The value list of the text column: (almost) every value distinct.
    std::unique_ptr<TkcDataFilterValueList> list(filter->CreateValueList());
    valueList.push_back(Seconds([&] { list->Load(1, true); }));
    checksum += static_cast<std::size_t>(list->GetCount());
  }

  auto ms = [](const std::vector<double>& v) { return Median(v) * 1e3; };
  std::printf("records                    %d (checksum %zu)\n", kRecords, checksum);
  std::printf("load                       %8.1f ms\n", ms(load));
  std::printf("sort by integer            %8.1f ms   (std::stable_sort of pairs %.1f ms)\n", ms(sortInt), ms(sortRef));
  std::printf("sort by text               %8.1f ms\n", ms(sortText));
  std::printf("group by 1,000 values      %8.1f ms\n", ms(group));
  std::printf("expand all                 %8.1f ms\n", ms(expand));
  std::printf("filter integer > c         %8.1f ms   (plain loop %.1f ms, criteria alone %.1f ms)\n", ms(filterCmp),
              ms(filterCmpRef), ms(filterCmpCriteria));
  std::printf("filter LIKE '%s'      %8.1f ms   (plain loop %.1f ms)\n", pattern, ms(filterLike), ms(filterLikeRef));
  std::printf("select all                 %8.1f ms\n", ms(selectAll));
  std::printf("select a range of 700,000  %8.1f ms\n", ms(selectRange));
  std::printf("footer summaries (5 kinds) %8.1f ms\n", ms(footer));
  std::printf("group sums, 1,000 groups   %8.1f ms\n", ms(groupSummary));
  std::printf("filter value list          %8.1f ms\n", ms(valueList));
  std::printf("ratio integer sort / stable_sort of pairs: %.2f (goal <= 1.5)\n", ms(sortInt) / ms(sortRef));
  std::printf("ratio filter pass / plain loop, compare:   %.2f (goal <= 2)\n", ms(filterCmp) / ms(filterCmpRef));
  std::printf("ratio filter pass / plain loop, LIKE:      %.2f (goal <= 2)\n", ms(filterLike) / ms(filterLikeRef));
  std::printf("ratio filter pass / criteria alone:        %.2f\n", ms(filterCmp) / ms(filterCmpCriteria));
  return 0;
}
