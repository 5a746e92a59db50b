#pragma once
// A small criteria class for the filter tests: items are plain objects with an ID, a caption and
// a field name, and records are rows of values, one column per item (column = ID - 1).

#include <memory>
#include <vector>

#include "data/kcFilter.h"

class TTestFilterItem : public TObject {
  VT_CLASS(TTestFilterItem, TObject)
public:
  TTestFilterItem(int AID, String ACaption, String AFieldName)
      : ID(AID), Caption(std::move(ACaption)), FieldName(std::move(AFieldName)) {}
  int ID;
  String Caption, FieldName;
};

class TTestCriteria;

class TTestCriteriaItem : public TkcFilterCriteriaItem {
  VT_CLASS(TTestCriteriaItem, TkcFilterCriteriaItem)
public:
  using TkcFilterCriteriaItem::TkcFilterCriteriaItem;
  Variant GetDataValue(int ARecordIndex) override;
  String GetFieldCaption() override { return Link() ? Link()->Caption : String(); }
  String GetFieldName() override { return Link() ? Link()->FieldName : String(); }

private:
  TTestFilterItem* Link() const { return static_cast<TTestFilterItem*>(ItemLink()); }
};

class TTestCriteria : public TkcFilterCriteria {
  VT_CLASS(TTestCriteria, TkcFilterCriteria)
public:
  TTestCriteria() {
    AddField("Name", "NAME");
    AddField("Qty", "QTY");
    AddField("Day", "DAY");
  }
  TTestFilterItem* AddField(const String& Caption, const String& FieldName) {
    Fields.push_back(std::make_unique<TTestFilterItem>(static_cast<int>(Fields.size()) + 1, Caption, FieldName));
    return Fields.back().get();
  }
  TTestFilterItem* Field(int Index) const { return Fields[static_cast<std::size_t>(Index)].get(); }
  TTestFilterItem* Name() const { return Field(0); }
  TTestFilterItem* Qty() const { return Field(1); }
  TTestFilterItem* Day() const { return Field(2); }

  int GetIDByItemLink(TObject* AItemLink) override {
    return AItemLink ? static_cast<TTestFilterItem*>(AItemLink)->ID : -1;
  }
  TObject* GetItemLinkByID(int AID) override {
    return AID >= 1 && AID <= static_cast<int>(Fields.size()) ? Field(AID - 1) : nullptr;
  }
  TkcFilterCriteriaItemClass GetItemClass() override { return TTestCriteriaItem::StaticClass(); }

  // Evaluates one record holding Value in every column.
  bool Passes(const Variant& Value) {
    Rows = {std::vector<Variant>(Fields.size(), Value)};
    return EvaluateRecord(0);
  }

  std::vector<std::unique_ptr<TTestFilterItem>> Fields;
  std::vector<std::vector<Variant>> Rows;
};

inline Variant TTestCriteriaItem::GetDataValue(int ARecordIndex) {
  auto* criteria = static_cast<TTestCriteria*>(GetCriteria());
  if (!Link()) return Null();  // an item read from a stream with an ID no field has
  return criteria->Rows[static_cast<std::size_t>(ARecordIndex)][static_cast<std::size_t>(Link()->ID - 1)];
}

// Fixes "today" for the date-range operators while it lives.
class TodayScope {
public:
  explicit TodayScope(TDateTime ANow) {
    SetNowProvider([ANow] { return ANow; });
  }
  ~TodayScope() { SetNowProvider(nullptr); }
};
