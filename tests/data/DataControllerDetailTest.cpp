#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "tests/data/DataControllerTestSupport.h"

namespace {

// ---- Master-detail through a fake detail holder ------------------------------------------------------

// A detail view stand-in: it owns the detail controller of one master record.
struct Holder : TObject {
  TkcDataController Detail{nullptr};
};

struct Master : TkcDataController {
  using TkcDataController::TkcDataController;
  TObject* CreateDetailHolder(TkcCustomDataRelation* ARelation, int ARecordIndex) override {
    ++created;
    auto* h = new Holder();
    h->Detail.SetMasterRelationAndRecord(ARelation, ARecordIndex);
    return h;
  }
  TkcCustomDataController* GetDetailHolderDataController(TObject* AHolder) override {
    auto* h = dynamic_cast<Holder*>(AHolder);
    return h ? &h->Detail : nullptr;
  }
  int created = 0;
};

TEST(DataControllerDetail, RelationsHoldersAndExpansion) {
  Master master(nullptr);
  TObject item, relationItem, secondItem;
  master.AddItem(&item);
  master.ChangeValueTypeClass(0, TkcIntegerValueType::Class());
  master.BeginUpdate();
  master.SetRecordCount(3);
  for (int r = 0; r < 3; ++r) master.SetValue(r, 0, Variant(r * 10));
  master.EndUpdate();

  TkcCustomDataRelation* relation = master.GetRelations()->Add(&relationItem);
  ASSERT_NE(master.GetRelations()->DetailField(), nullptr);  // the hidden field came with the first relation
  EXPECT_EQ(master.GetRelations()->DetailField()->ColumnTypeClass(), TkcObjectValueType::Class());
  EXPECT_EQ(master.GetItemCount(), 1);
  TkcDataController templ(nullptr);
  templ.SetMasterRelation(relation, true);
  EXPECT_EQ(templ.GetDetailMode(), 1);
  EXPECT_EQ(relation->DetailDataController(), &templ);

  // Expansion: refused by the event, refused out of range, then allowed.
  int expandedEvents = 0;
  bool allow = false;
  master.OnDetailExpanding = [&](TkcCustomDataController*, int, bool& AAllow) { AAllow = allow; };
  master.OnDetailExpanded = [&](TkcCustomDataController*, int) { ++expandedEvents; };
  EXPECT_FALSE(master.SetDetailExpanded(1, true));
  EXPECT_FALSE(master.IsDetailExpanded(1));
  EXPECT_EQ(expandedEvents, 0);
  allow = true;
  EXPECT_FALSE(master.SetDetailExpanded(3, true));
  EXPECT_TRUE(master.SetDetailExpanded(1, true));
  EXPECT_TRUE(master.IsDetailExpanded(1));
  EXPECT_EQ(expandedEvents, 1);

  // The holder is created once; its controller is a detail of that record.
  TObject* holder = master.GetDetailHolder(1, 0);
  ASSERT_NE(holder, nullptr);
  EXPECT_EQ(master.GetDetailHolder(1, 0), holder);
  EXPECT_EQ(master.created, 1);
  TkcCustomDataController* detail = master.GetDetailDataController(1, 0);
  ASSERT_NE(detail, nullptr);
  EXPECT_EQ(detail->GetDetailMode(), 2);
  EXPECT_EQ(detail->GetMasterDataController(), &master);
  EXPECT_FALSE(master.HasDetailChildren(1, 0));  // the detail has no records
  // A record inserted before the master moves the detail's master record along.
  master.InsertNewRecord(0);
  EXPECT_EQ(detail->GetMasterRecordIndex(), 2);
  EXPECT_TRUE(master.HasDetailHolder(2, -1));

  // The active relation is kept within the relations, on one with a template.
  master.GetRelations()->Add(&secondItem);
  TkcDetailObject* d = master.GetRelations()->GetDetailObject(0);
  ASSERT_NE(d, nullptr);
  d->ActiveRelationIndex = 5;
  d->Normalize(master.GetRelations(), &master);
  EXPECT_EQ(d->ActiveRelationIndex, 0);  // relation 1 has no template: the first with one

  // Discarding frees the holders; removing the relations frees the hidden field.
  master.DiscardAllDetails();
  EXPECT_FALSE(master.HasDetailHolder(2, -1));
  master.GetRelations()->Clear();
  EXPECT_EQ(master.GetRelations()->DetailField(), nullptr);
  EXPECT_EQ(master.Fields()->Count(), 1);
}

// ---- State kept by record key across reloads ------------------------------------------------------------

// An external record source: records with a key and an integer value, reloaded in any order.
struct Source : IkcRecordSource {
  int AddRecord() override {
    keys.push_back(next);
    return next++;
  }
  void SortRecords() override {}
  void DropRecord(int) override {}
  bool RecordHasDetails(int, int) override { return false; }
  String ReadItemText(int AHandle, int) override { return std::to_string(AHandle); }
  bool ReadCompareValue(int, int, const void*&) override { return false; }
  int ItemHandleOf(int AItemIndex) override { return AItemIndex; }
  bool CanInsertBefore() override { return false; }
  Variant ReadRecordKey(int AHandle) override { return Variant(AHandle * 7); }
  Variant ReadItemValue(int AHandle, int) override { return Variant(AHandle % 100); }
  int InsertRecordBefore(int) override { return AddRecord(); }
  bool SortsRecords() override { return false; }
  bool StorageComparable() override { return false; }
  bool ComparesRecords() override { return false; }
  bool HasRecordKeys() override { return true; }
  void RefreshRecords() override {
    TkcCustomDataController* c = CurrentProvider->DataController();
    for (int h : keys) c->AppendRecordFrom(nullptr, h);
  }
  int CompareHandles(int, int, int) override { return 0; }
  void ChangeRecordCount(int) override {}
  void WriteItemValue(int, int, const Variant&) override {}
  std::vector<int> keys;
  int next = 1;
};

TEST(DataControllerKeys, SelectionFollowsKeysAcrossAReloadInAnotherOrder) {
  Source source;
  for (int i = 0; i < 100000; ++i) source.AddRecord();
  TkcDataController dc(nullptr);
  TObject item;
  dc.AddItem(&item);
  dc.Provider()->SetRecordSource(&source);
  ASSERT_TRUE(dc.IsKeyBased());
  ASSERT_EQ(dc.GetRecordCount(), 100000);
  EXPECT_EQ(dc.GetValue(5, 0).AsInteger(), 6);  // handle 6
  dc.SetMultiSelect(true);
  std::set<int> selectedKeys;
  dc.BeginUpdate();
  for (int r = 0; r < 100000; r += 31) {
    dc.ChangeRowSelection(r, true);
    selectedKeys.insert(dc.GetRecordId(r).AsInteger());
  }
  dc.EndUpdate();
  ASSERT_EQ(dc.GetSelectedCount(), static_cast<int>(selectedKeys.size()));

  // The source comes back reversed and without one selected record.
  const int dropped = source.keys[31];
  std::reverse(source.keys.begin(), source.keys.end());
  source.keys.erase(std::find(source.keys.begin(), source.keys.end(), dropped));
  selectedKeys.erase(dropped * 7);
  const auto start = std::chrono::steady_clock::now();
  dc.BeginKeysSaving();
  dc.LoadData();
  dc.EndKeysSaving();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_LT(seconds, 5.0);  // n log n; a scan per key would take minutes
  ASSERT_EQ(dc.GetRecordCount(), 99999);
  std::set<int> after;
  for (int i = 0; i < dc.GetSelectedCount(); ++i)
    after.insert(dc.GetRecordId(dc.GetRowInfo(dc.GetSelectedRowIndex(i)).RecordIndex).AsInteger());
  EXPECT_EQ(after, selectedKeys);
  dc.Provider()->SetRecordSource(nullptr);
}

TEST(DataControllerKeys, ExpandedMastersFollowTheirKeysWithTheirActiveRelation) {
  Source source;
  for (int i = 0; i < 50; ++i) source.AddRecord();
  TkcDataController dc(nullptr);
  TObject item, relationA, relationB;
  dc.AddItem(&item);
  dc.Provider()->SetRecordSource(&source);
  TkcDataController templA(nullptr), templB(nullptr);
  templA.SetMasterRelation(dc.GetRelations()->Add(&relationA), true);
  templB.SetMasterRelation(dc.GetRelations()->Add(&relationB), true);
  std::set<int> expandedKeys;
  for (int r : {3, 17, 40}) {
    ASSERT_TRUE(dc.SetDetailExpanded(r, true));
    dc.SetDetailActiveRelationIndex(r, r == 17 ? 1 : 0);
    expandedKeys.insert(dc.GetRecordId(r).AsInteger());
  }
  std::reverse(source.keys.begin(), source.keys.end());
  dc.BeginKeysSaving();
  dc.LoadData();
  dc.EndKeysSaving();
  std::set<int> after;
  for (int r = 0; r < dc.GetRecordCount(); ++r)
    if (dc.IsDetailExpanded(r)) {
      after.insert(dc.GetRecordId(r).AsInteger());
      EXPECT_EQ(dc.GetDetailActiveRelationIndex(r), dc.GetRecordId(r).AsInteger() == 18 * 7 ? 1 : 0);
    }
  EXPECT_EQ(after, expandedKeys);
  dc.GetRelations()->Clear();
  dc.Provider()->SetRecordSource(nullptr);
}

}  // namespace
