#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "data/kcDataFields.h"

namespace {

// A stand-in controller: its own storage, source values read from the storage.
class Owner : public IkcDataFieldListOwner {
public:
  TkcDataStorage* GetDataStorage() override { return &storage; }
  bool IsProviderLocked() override { return locked; }
  void NotifyProviderStructureChanged() override { ++structureChanges; }
  void FieldRemoved(TkcCustomDataField* f) override { removed.push_back(f); }
  bool IsProviderMode() override { return providerMode; }
  Variant GetSourceValue(int r, TkcCustomDataField* f) override { return storage.GetValue(r, f->ValueColumn()); }
  String GetSourceDisplayText(int r, TkcCustomDataField*) override { return "text " + std::to_string(r); }

  TkcDataStorage storage;
  bool locked = false, providerMode = false;
  int structureChanges = 0;
  std::vector<TkcCustomDataField*> removed;
};

struct Fixture : ::testing::Test {
  // A field of the list with the given type, appended by the list's rule.
  TkcCustomDataField* Field(TkcValueTypeClass type = TkcIntegerValueType::Class(), bool internal = false) {
    auto* f = new TkcCustomDataField(&list);
    f->SetInternal(internal);
    f->SetColumnTypeClass(type);
    list.Add(f);
    return f;
  }
  Owner owner;
  TkcCustomDataFieldList list{&owner};
};

using StorageFields = Fixture;

TEST_F(StorageFields, InternalFieldsStayLast) {
  TkcCustomDataField* a = Field();
  TkcCustomDataField* b = Field();
  TkcCustomDataField* hidden = Field(TkcObjectValueType::Class(), true);
  TkcCustomDataField* c = Field();
  EXPECT_EQ(list.Fields(2), c);
  EXPECT_EQ(list.Fields(3), hidden);
  EXPECT_EQ(list.ItemCount(), 3);
  EXPECT_EQ(a->Position(), 0);
  b->SetPosition(0);
  EXPECT_EQ(list.Fields(0), b);
  TObject item;
  c->SetItemObject(&item);
  EXPECT_EQ(list.FieldByItem(&item), c);
  EXPECT_EQ(list.FieldByItem(nullptr), b);  // the first field without an item
  // An internal field's column is kept even when only stored values are kept.
  EXPECT_TRUE(hidden->ValueColumn()->KeptInRecord());
  EXPECT_FALSE(a->ValueColumn()->KeptInRecord());
  delete b;
  EXPECT_EQ(owner.removed, std::vector<TkcCustomDataField*>{b});
  EXPECT_TRUE(list.FieldDestroyed());
  EXPECT_EQ(list.ItemCount(), 2);
}

TEST_F(StorageFields, ReferencesNeverChain) {
  TkcCustomDataField* a = Field();
  TkcCustomDataField* b = Field(TkcStringValueType::Class());
  TkcCustomDataField* c = Field(TkcFloatValueType::Class());
  b->SetSharedField(c);
  EXPECT_EQ(b->ValueColumn(), c->ValueColumn());
  EXPECT_EQ(b->ColumnTypeClass(), TkcFloatValueType::Class());
  EXPECT_EQ(owner.storage.ValueDefs()->Count(), 2);  // b's own column was freed
  a->SetSharedField(b);
  EXPECT_EQ(a->SharedField(), c);
  c->SetSharedField(a);  // through the chain to itself: ignored
  EXPECT_EQ(c->SharedField(), nullptr);
  c->SetSharedField(c);
  EXPECT_EQ(c->SharedField(), nullptr);
  // Type and text flag of a referencing field cannot be set.
  a->SetColumnTypeClass(TkcStringValueType::Class());
  a->SetKeepsText(true);
  EXPECT_EQ(a->ColumnTypeClass(), TkcFloatValueType::Class());
  EXPECT_FALSE(c->KeepsText());
}

TEST_F(StorageFields, TheFirstReferrerInheritsTheColumn) {
  TkcCustomDataField* owner1 = Field();
  TkcCustomDataField* x = Field();
  TkcCustomDataField* y = Field();
  x->SetSharedField(owner1);
  y->SetSharedField(owner1);
  TkcValueDef* column = owner1->ValueColumn();
  owner.storage.SetValue(owner.storage.AppendRecord(), column, 5);
  delete owner1;
  EXPECT_EQ(x->SharedField(), nullptr);
  EXPECT_EQ(x->ValueColumn(), column);
  EXPECT_EQ(column->GetLinkedObject(), x);
  EXPECT_EQ(y->SharedField(), x);
  EXPECT_EQ(owner.storage.GetValue(0, y->ValueColumn()), Variant(5));
  EXPECT_EQ(x->ColumnTypeClass(), TkcIntegerValueType::Class());
}

TEST_F(StorageFields, TypeOrTextFlagChangesRebuildTheColumn) {
  TkcCustomDataField* f = Field();
  owner.storage.SetValue(owner.storage.AppendRecord(), f->ValueColumn(), 5);
  f->SetKeepsText(true);
  EXPECT_NE(f->ValueColumn(), nullptr);
  EXPECT_TRUE(f->ValueColumn()->KeepsDisplayText());
  EXPECT_TRUE(owner.storage.GetValue(0, f->ValueColumn()).IsNull());  // values are lost
  EXPECT_EQ(owner.storage.ValueDefs()->Count(), 1);
  f->BeginColumnRebuild();
  f->SetColumnTypeClass(TkcStringValueType::Class());
  EXPECT_EQ(f->ValueColumn(), nullptr);  // rebuilt only by the outermost end
  f->EndColumnRebuild();
  EXPECT_EQ(f->ValueColumn()->ValueTypeClass(), TkcStringValueType::Class());
  f->SetColumnTypeClass(nullptr);
  EXPECT_EQ(f->ValueColumn(), nullptr);
  EXPECT_EQ(owner.storage.ValueDefs()->Count(), 0);
}

TEST_F(StorageFields, CanModifyAndStructureNotice) {
  TkcCustomDataField* f = Field();
  auto* unbound = new TkcCustomDataField(&list);
  list.Add(unbound);
  EXPECT_TRUE(f->CanModify(evsValue));
  EXPECT_FALSE(unbound->CanModify(evsText));
  owner.providerMode = true;
  EXPECT_TRUE(unbound->CanModify(evsText));
  f->NotifyStructureChanged();
  owner.locked = true;
  f->NotifyStructureChanged();
  EXPECT_EQ(owner.structureChanges, 1);
}

TEST_F(StorageFields, UnboundReaderFillsARecord) {
  TkcCustomDataField* a = Field();
  TkcCustomDataField* b = Field(TkcStringValueType::Class());
  TkcCustomDataField* hidden = Field(TkcIntegerValueType::Class(), true);
  TkcValueDefUnboundReader reader;
  EXPECT_TRUE(reader.GetValue(a->ValueColumn()).IsNull());
  reader.SetValue(a->ValueColumn(), 1);
  reader.SetValue(b->ValueColumn(), "two");
  reader.SetValue(hidden->ValueColumn(), 3);
  EXPECT_EQ(reader.GetValue(b->ValueColumn()), Variant("two"));
  // An internal record's column reads the value of the column it mirrors.
  int internal = owner.storage.AddInternalRecord();
  owner.storage.ReadRecord(internal, &reader);
  EXPECT_EQ(owner.storage.GetValue(internal, b->ValueColumn()), Variant("two"));
  int r = owner.storage.AppendRecord();
  owner.storage.SetValue(r, hidden->ValueColumn(), 9);
  owner.storage.ReadRecord(r, &reader);
  EXPECT_EQ(owner.storage.GetValue(r, a->ValueColumn()), Variant(1));
  EXPECT_EQ(owner.storage.GetValue(r, hidden->ValueColumn()), Variant(9));  // internal: untouched
  reader.KeepValues(1);
  EXPECT_EQ(reader.GetValue(a->ValueColumn()), Variant(1));
  EXPECT_TRUE(reader.GetValue(b->ValueColumn()).IsNull());
  reader.SetValue(hidden->ValueColumn(), 4);  // pads the dropped places with no value
  EXPECT_TRUE(reader.GetValue(b->ValueColumn()).IsNull());
  EXPECT_EQ(reader.GetValue(hidden->ValueColumn()), Variant(4));
}

TEST_F(StorageFields, RecordReaderCopiesAControllerRecord) {
  TkcCustomDataField* a = Field(TkcIntegerValueType::Class());
  a->SetKeepsText(true);
  TkcCustomDataField* hidden = Field(TkcIntegerValueType::Class(), true);
  owner.storage.SetRecordCount(2);
  owner.storage.SetValue(0, a->ValueColumn(), 11);
  owner.storage.SetValue(0, hidden->ValueColumn(), 12);
  TkcValueDefRecordReader reader(&owner, 0);
  owner.storage.ReadRecord(1, &reader);
  EXPECT_EQ(owner.storage.GetValue(1, a->ValueColumn()), Variant(11));
  EXPECT_EQ(owner.storage.GetDisplayText(1, a->ValueColumn()), "text 0");
  EXPECT_TRUE(owner.storage.GetValue(1, hidden->ValueColumn()).IsNull());
  EXPECT_EQ(reader.GetDisplayText(hidden->ValueColumn()), "");
}

}  // namespace
