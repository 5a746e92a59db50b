// The client dataset's index orders against std::stable_sort of (key, row) pairs.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

#include "platform/core/Utf8.h"
#include "platform/db/DBClient.h"

namespace {

struct TRow {
  int Row;
  Variant N, S, L;
};

// Nulls first, whole numbers by value, texts by bytes (upper case first when the case is ignored).
int CompareKey(const Variant& a, const Variant& b, bool caseInsensitive) {
  if (a.IsNull() || b.IsNull()) return a.IsNull() == b.IsNull() ? 0 : a.IsNull() ? -1 : 1;
  if (a.IsStr()) {
    String x = caseInsensitive ? Utf8UpperCase(a.AsString()) : a.AsString();
    String y = caseInsensitive ? Utf8UpperCase(b.AsString()) : b.AsString();
    return x < y ? -1 : y < x ? 1 : 0;
  }
  return a.AsInt64() < b.AsInt64() ? -1 : b.AsInt64() < a.AsInt64() ? 1 : 0;
}

std::vector<int> StableOrder(std::vector<TRow> rows, Variant TRow::*key, bool caseInsensitive, bool descending) {
  std::stable_sort(rows.begin(), rows.end(), [&](const TRow& a, const TRow& b) {
    int c = CompareKey(a.*key, b.*key, caseInsensitive);
    return descending ? c > 0 : c < 0;
  });
  std::vector<int> order;
  for (const TRow& r : rows) order.push_back(r.Row);
  return order;
}

std::vector<int> DataSetOrder(TClientDataSet& ds) {
  std::vector<int> order;
  for (ds.First(); !ds.Eof(); ds.Next()) order.push_back(ds.FieldByName("ROW")->AsInteger());
  return order;
}

TEST(ClientIndex, OrdersEqualStableSort) {
  std::mt19937 rng(4242);
  const char* words[] = {"b", "B", "a", "\xC3\xA4", "\xC3\x84", "ab", "", "Z"};
  TClientDataSet ds(nullptr);
  ds.FieldDefs().Add("ROW", ftInteger);
  ds.FieldDefs().Add("N", ftInteger);
  ds.FieldDefs().Add("S", ftString, 10);
  ds.FieldDefs().Add("L", ftLargeint);
  ds.IndexDefs().Add("BY_S_CI", "S", {ixCaseInsensitive});
  ds.IndexDefs().Add("BY_N_DESC", "N", {ixDescending});
  ds.CreateDataSet();
  std::vector<TRow> rows;
  auto add = [&](int count) {
    for (int i = 0; i < count; ++i) {
      int row = static_cast<int>(rows.size());
      Variant n = rng() % 10 == 0 ? Null() : Variant(static_cast<int>(rng() % 50) - 25);
      Variant s = rng() % 10 == 0 ? Null() : Variant(words[rng() % 8]);
      // Beyond 32 bits now and then, so that the wide keys sort too.
      Variant l = rng() % 10 == 0
                      ? Null()
                      : Variant::FromInt64((static_cast<std::int64_t>(rng() % 7) - 3) * 3000000000LL + rng() % 5);
      rows.push_back({row, n, s, l});
      ds.AppendRecord({row, n, s, l});
    }
  };
  add(500);
  // The order's own index is sorted at once; records added later go in at their place.
  for (int round = 0; round < 2; ++round) {
    ds.SetIndexFieldNames("N");
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::N, false, false));
    ds.SetIndexFieldNames("S");
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::S, false, false));
    ds.SetIndexFieldNames("L");
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::L, false, false));
    ds.SetIndexName("BY_S_CI");
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::S, true, false));
    ds.SetIndexName("BY_N_DESC");
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::N, false, true));
    ds.SetIndexFieldNames("");
    std::vector<int> natural(rows.size());
    for (size_t i = 0; i < natural.size(); ++i) natural[i] = static_cast<int>(i);
    EXPECT_EQ(DataSetOrder(ds), natural);
    ds.SetIndexFieldNames("N");
    add(100);
    EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::N, false, false));
  }
  // Keyed searches find the first record of a key in the order's own index.
  ds.SetIndexFieldNames("N");
  ASSERT_TRUE(ds.FindKey({Variant(3)}));
  std::vector<int> order = StableOrder(rows, &TRow::N, false, false);
  int first = *std::find_if(order.begin(), order.end(), [&](int r) {
    return !rows[static_cast<size_t>(r)].N.IsNull() && rows[static_cast<size_t>(r)].N.AsInteger() == 3;
  });
  EXPECT_EQ(ds.FieldByName("ROW")->AsInteger(), first);
  EXPECT_TRUE(ds.Locate("N", 3));
  EXPECT_EQ(ds.FieldByName("ROW")->AsInteger(), first);
}

// Integer keys are sorted a byte at a time, skipping the bytes that are the same in every key:
// ranges of one to four differing bytes, ascending and descending, with Nulls and ties.
TEST(ClientIndex, IntegerKeysOfEveryWidthOrderStably) {
  struct TRange {
    std::int64_t Low, High;
  };
  const TRange ranges[] = {{0, 200}, {0, 60000}, {0, 3000000}, {-5, 5}, {1 << 20, (1 << 20) + 300}, {INT32_MIN, INT32_MAX}};
  for (const TRange& range : ranges) {
    for (bool descending : {false, true}) {
      SCOPED_TRACE(std::to_string(range.Low) + ".." + std::to_string(range.High) + (descending ? " desc" : ""));
      std::mt19937 rng(77);
      std::uniform_int_distribution<std::int64_t> value(range.Low, range.High);
      TClientDataSet ds(nullptr);
      ds.FieldDefs().Add("ROW", ftInteger);
      ds.FieldDefs().Add("N", ftInteger);
      if (descending) ds.IndexDefs().Add("BY_N_DESC", "N", {ixDescending});
      ds.CreateDataSet();
      std::vector<TRow> rows;
      for (int row = 0; row < 400; ++row) {
        // A few distinct values repeat, so that ties are many.
        Variant n = rng() % 8 == 0 ? Null() : Variant(static_cast<int>(rng() % 3 == 0 ? range.Low : value(rng)));
        rows.push_back({row, n, Null(), Null()});
        ds.AppendRecord({row, n});
      }
      if (descending)
        ds.SetIndexName("BY_N_DESC");
      else
        ds.SetIndexFieldNames("N");
      EXPECT_EQ(DataSetOrder(ds), StableOrder(rows, &TRow::N, false, descending));
    }
  }
}

}  // namespace
