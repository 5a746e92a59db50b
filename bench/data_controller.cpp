// An unbound data controller over 1,000,000 records of five columns (a random integer, a text of
// (almost) distinct values, a grouping integer of 1,000 random values, float, date). Each timed
// operation runs in rounds interleaved with its anchor, plain code over plain vectors of the same
// values; a round's ratio is operation / anchor of that round, and the median of the per-round
// ratios is reported (the machine is shared: two medians of separate lists could mislead):
// - filter value list of the text column / the column's distinct values by sort and unique;
// - footer summaries of five kinds (the items exist; the timing is their recalculation) / five
//   plain loops, one per kind;
// - group by the 1,000-value column / std::stable_sort of (key, record index) pairs;
// - group sums over those groups (recalculation) / one pass adding into 1,000 slots;
// - filter integer > c / a plain loop over the integers keeping the passing indexes;
// - sort by the integer column / std::stable_sort of (key, record index) pairs;
// - filter LIKE / the same pattern matched over the texts.
// Every ratio is printed with its goal; the worst against its goal comes last.

#include <algorithm>
#include <climits>
#include <cstdio>
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
    std::uniform_int_distribution<int> any(0, 1 << 30), group(0, 999);
    const char* syllables[] = {"ka", "ro", "mi", "ab", "tel", "us", "ve", "qo"};
    ints.resize(kRecords);
    groups.resize(kRecords);
    texts.resize(kRecords);
    for (int r = 0; r < kRecords; ++r) {
      const auto i = static_cast<std::size_t>(r);
      ints[i] = any(rng);
      groups[i] = group(rng);
      std::string t;
      while (t.size() < 16 + static_cast<std::size_t>(r % 13)) t += syllables[any(rng) % 8];
      texts[i] = t;
    }
  }

  void Load() {
    dc.BeginUpdate();
    dc.SetRecordCount(0);
    dc.SetRecordCount(kRecords);
    for (int r = 0; r < kRecords; ++r) {
      const auto i = static_cast<std::size_t>(r);
      dc.SetValue(r, 0, Variant(ints[i]));
      dc.SetValue(r, 1, Variant(texts[i]));
      dc.SetValue(r, 2, Variant(groups[i]));
      dc.SetValue(r, 3, Variant(r * 0.25));
      dc.SetValue(r, 4, Variant::FromDate(45000.0 + r % 3000));
    }
    dc.EndUpdate();
  }

  TkcDataController dc{nullptr};
  std::vector<std::unique_ptr<TObject>> items;
  std::vector<int> ints, groups;
  std::vector<std::string> texts;
};

// One row of the table: the operation's and the anchor's times and the per-round ratios.
struct Row {
  const char* name;
  const char* anchor;
  double goal;
  std::vector<double> op, ref, ratio;
  Row(const char* AName, const char* AAnchor, double AGoal) : name(AName), anchor(AAnchor), goal(AGoal) {}
  void Add(double AOp, double ARef) {
    op.push_back(AOp);
    ref.push_back(ARef);
    ratio.push_back(AOp / ARef);
  }
};

volatile std::int64_t gSink;

}  // namespace

int main() {
  Bench b;
  Row valueList{"filter value list, 1,000,000 distinct", "sort and unique of the texts", 2.0};
  Row footer{"footer summaries, 5 kinds", "five plain loops, one per kind", 10.0};
  Row group{"group by 1,000 random values", "stable_sort of (key, index) pairs", 1.5};
  Row groupSums{"group sums, 1,000 groups", "one pass adding into 1,000 slots", 10.0};
  Row filterCmp{"filter integer > c", "plain loop over the integers", 3.0};
  Row sortInt{"sort by integer", "stable_sort of (key, index) pairs", 1.5};
  Row filterLike{"filter LIKE", "the pattern over the texts", 2.0};
  std::vector<double> load, sortText, expand, selectAll, selectRange;

  load.push_back(Seconds([&] { b.Load(); }));

  const int threshold = 1 << 29;
  const char* pattern = "%ab%ka%";
  TkcLikePattern like;
  like.Prepare(pattern, U'%', U'_');
  std::size_t checksum = 0;
  TkcDataSummary* summary = b.dc.Summary();
  TkcDataFilterCriteria* filter = b.dc.Filter();
  std::vector<int> kept;
  kept.reserve(kRecords);

  for (int run = 0; run < kRuns; ++run) {
    // Integer sort against std::stable_sort of (key, index) pairs of the same values.
    {
      std::vector<std::pair<int, int>> pairs(kRecords);
      for (int r = 0; r < kRecords; ++r) pairs[static_cast<std::size_t>(r)] = {b.ints[static_cast<std::size_t>(r)], r};
      const double ref = Seconds([&] { std::stable_sort(pairs.begin(), pairs.end()); });
      b.dc.ClearSorting(false);
      sortInt.Add(Seconds([&] { b.dc.SetItemSortOrder(0, soAscending); }), ref);
      checksum += static_cast<std::size_t>(b.dc.GetFilteredRecordIndex(0) == pairs[0].second);
      b.dc.ClearSorting(false);
      sortText.push_back(Seconds([&] { b.dc.SetItemSortOrder(1, soAscending); }));
      b.dc.ClearSorting(false);
    }

    // Grouping against std::stable_sort of (group value, index) pairs.
    {
      std::vector<std::pair<int, int>> pairs(kRecords);
      for (int r = 0; r < kRecords; ++r)
        pairs[static_cast<std::size_t>(r)] = {b.groups[static_cast<std::size_t>(r)], r};
      const double ref = Seconds([&] { std::stable_sort(pairs.begin(), pairs.end()); });
      group.Add(Seconds([&] { b.dc.Groups()->SetItemGroupIndex(2, 0); }), ref);
      checksum += static_cast<std::size_t>(b.dc.GetRowCount());
    }

    // Group sums (the item exists; its values are recalculated) against 1,000 slots.
    {
      summary->BeginUpdate();
      TkcDataSummaryItem* item = summary->DefaultGroupSummaryItems()->Add();
      item->SetItemLink(b.items[0].get());
      item->SetKind(skSum);
      summary->EndUpdate();
      std::vector<std::int64_t> slots(1000);
      const double ref = Seconds([&] {
        std::fill(slots.begin(), slots.end(), 0);
        for (int r = 0; r < kRecords; ++r)
          slots[static_cast<std::size_t>(b.groups[static_cast<std::size_t>(r)])] += b.ints[static_cast<std::size_t>(r)];
      });
      gSink = slots[7];
      groupSums.Add(Seconds([&] { b.dc.DataControllerInfo()->SummaryChanged(false); }), ref);
      summary->DefaultGroupSummaryItems()->Clear();
      expand.push_back(Seconds([&] { b.dc.Groups()->ExpandAll(); }));
      checksum += static_cast<std::size_t>(b.dc.GetRowCount());
      b.dc.Groups()->ClearGrouping();
    }

    // Footer summaries of five kinds (the items exist) against five plain loops.
    {
      summary->BeginUpdate();
      for (TkcSummaryKind kind : {skSum, skCount, skMin, skMax, skAverage}) {
        TkcDataSummaryItem* item = summary->FooterSummaryItems()->Add();
        item->SetItemLink(b.items[0].get());
        item->SetKind(kind);
      }
      summary->EndUpdate();
      const double ref = Seconds([&] {
        const std::vector<int>& v = b.ints;
        std::int64_t sum = 0, count = 0, sum2 = 0;
        int low = INT_MAX, high = INT_MIN;
        for (int x : v) sum += x;
        for (int x : v) count += x != INT_MIN;
        for (int x : v) low = std::min(low, x);
        for (int x : v) high = std::max(high, x);
        for (int x : v) sum2 += x;
        gSink = sum + count + low + high + sum2 / static_cast<std::int64_t>(v.size());
      });
      footer.Add(Seconds([&] { b.dc.DataControllerInfo()->SummaryChanged(false); }), ref);
      checksum += static_cast<std::size_t>(summary->FooterValue(1).AsInteger());
      summary->FooterSummaryItems()->Clear();
    }

    // Filter passes against plain loops over the same values.
    {
      filter->Clear();
      filter->AddItem(nullptr, b.items[0].get(), foGreater, Variant(threshold), "");
      const double ref = Seconds([&] {
        kept.clear();
        for (int r = 0; r < kRecords; ++r)
          if (b.ints[static_cast<std::size_t>(r)] > threshold) kept.push_back(r);
      });
      filterCmp.Add(Seconds([&] { filter->SetActive(true); }), ref);
      const int passed = b.dc.GetFilteredRecordCount();
      filter->SetActive(false);
      if (static_cast<int>(kept.size()) != passed) std::printf("mismatch: %d vs %zu\n", passed, kept.size());

      filter->Clear();
      filter->AddItem(nullptr, b.items[1].get(), foLike, Variant(pattern), pattern);
      const double likeRef = Seconds([&] {
        kept.clear();
        for (int r = 0; r < kRecords; ++r)
          if (like.Matches(b.texts[static_cast<std::size_t>(r)])) kept.push_back(r);
      });
      filterLike.Add(Seconds([&] { filter->SetActive(true); }), likeRef);
      const int likePassed = b.dc.GetFilteredRecordCount();
      filter->SetActive(false);
      if (static_cast<int>(kept.size()) != likePassed) std::printf("mismatch: %d vs %zu\n", likePassed, kept.size());
      filter->Clear();
    }

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

    // The value list of the text column against its distinct values by sort and unique.
    {
      std::unique_ptr<TkcDataFilterValueList> list(filter->CreateValueList());
      std::size_t distinct = 0;
      const double ref = Seconds([&] {
        std::vector<std::string> values(b.texts);
        std::sort(values.begin(), values.end());
        distinct = static_cast<std::size_t>(std::unique(values.begin(), values.end()) - values.begin());
      });
      valueList.Add(Seconds([&] { list->Load(1, true); }), ref);
      checksum += static_cast<std::size_t>(list->GetCount()) + distinct;
    }
  }

  auto ms = [](const std::vector<double>& v) { return Median(v) * 1e3; };
  std::printf("records                    %d (checksum %zu)\n", kRecords, checksum);
  std::printf("load                       %8.1f ms\n", ms(load));
  std::printf("sort by text               %8.1f ms\n", ms(sortText));
  std::printf("expand all                 %8.1f ms\n", ms(expand));
  std::printf("select all                 %8.1f ms\n", ms(selectAll));
  std::printf("select a range of 700,000  %8.1f ms\n", ms(selectRange));
  Row* rows[] = {&valueList, &footer, &group, &groupSums, &filterCmp, &sortInt, &filterLike};
  for (Row* r : rows)
    std::printf("%-38s %8.1f ms   (%s %.1f ms)\n", r->name, ms(r->op), r->anchor, ms(r->ref));
  std::printf("filter value list: %.3f s (goal < 0.5 s)\n", Median(valueList.op));
  Row* worst = nullptr;
  for (Row* r : rows) {
    const double ratio = Median(r->ratio);
    std::printf("ratio %-38s %6.2f (goal <= %.1f)\n", r->name, ratio, r->goal);
    if (!worst || ratio / r->goal > Median(worst->ratio) / worst->goal) worst = r;
  }
  std::printf("worst ratio against its goal: %s %.2f (goal <= %.1f)\n", worst->name, Median(worst->ratio),
              worst->goal);
  return 0;
}
