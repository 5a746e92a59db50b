#pragma once
// Summaries of a data controller: footer items (one value over all rows), group items (one value
// per group row), summary groups that give some grouping items their own group items, the
// calculation inside the row engine's update, the texts, and sorting groups by a summary.
// Summing keeps its running values in variants of the numeric kinds: no heap per value.

#include "data/kcCustomData.h"

enum TkcSummaryKind : std::uint8_t { skNone, skSum, skMin, skMax, skCount, skAverage };
enum TkcSummaryPosition : std::uint8_t { spGroup, spFooter };
enum TkcSummaryOption { soNullIgnore, soSelectedRecords, soMultipleSelectedRecords };
using TkcSummaryOptions = TSet<TkcSummaryOption, 8>;

class TkcDataSummaryItem;
class TkcDataSummaryItems;

class TkcCustomDataSummaryItem : public TCollectionItem {
  VT_CLASS(TkcCustomDataSummaryItem, TCollectionItem)
public:
  using TCollectionItem::TCollectionItem;
  void Assign(TPersistent* Source) override;
  virtual TkcCustomDataController* GetDataController() = 0;
  virtual void ItemLinkChanging(TkcCustomDataField* /*AField*/) {}

  TObject* GetItemLink() const;
  void SetItemLink(TObject* AItem);
  TkcCustomDataField* Field() const { return fField; }
  // Forgets the field (it is being destroyed); no notification.
  void ClearField() { fField = nullptr; }

protected:
  void SetField(TkcCustomDataField* AField);

private:
  TkcCustomDataField* fField = nullptr;
};

using TkcDataSummaryItemGetTextEvent =
    TEvent<void(TkcDataSummaryItem* Sender, const Variant& AValue, bool AIsFooter, String& AText)>;

class TkcDataSummaryItem : public TkcCustomDataSummaryItem {
  VT_CLASS(TkcDataSummaryItem, TkcCustomDataSummaryItem)
public:
  using TkcCustomDataSummaryItem::TkcCustomDataSummaryItem;
  void Assign(TPersistent* Source) override;
  TkcCustomDataController* GetDataController() override;
  virtual bool IsCurrency(TVarType AVarType) { return IsCurrencyVarType(AVarType); }
  virtual bool CanCalculate() { return Field() != nullptr || (fKind == skCount && GetPosition() == spGroup); }
  virtual bool PositionIsStored();
  virtual TkcCustomDataField* GetField() { return Field(); }
  virtual String GetDisplayText(const Variant& AValue, bool AIsFooter);

  const String& Format() const { return fFormat; }
  void SetFormat(const String& Value);
  TkcSummaryKind Kind() const { return fKind; }
  void SetKind(TkcSummaryKind Value);
  TkcSummaryPosition GetPosition();
  void SetPosition(TkcSummaryPosition Value);
  bool Sorted() const { return fSorted; }
  void SetSorted(bool Value);
  TkcDataSummaryItems* SummaryItems() const;

  TkcDataSummaryItemGetTextEvent OnGetText;

private:
  friend class TkcDataSummaryItems;
  String fFormat;
  TkcSummaryKind fKind = skNone;
  TkcSummaryPosition fPosition = spGroup;
  bool fSorted = false;
};

struct TkcSummaryEventArguments {
  int RecordIndex;
  TkcDataSummaryItem* SummaryItem;
};
struct TkcSummaryEventOutArguments {
  Variant Value;
  Variant SummaryValue;
  int Count;
  bool Done;
};
using TkcSummaryEvent = TEvent<void(TkcDataSummaryItems* ASender, const TkcSummaryEventArguments& Arguments,
                                    TkcSummaryEventOutArguments& OutArguments)>;

class TkcDataSummaryItems : public TkcCollection {
  VT_CLASS(TkcDataSummaryItems, TkcCollection)
public:
  TkcDataSummaryItems(TkcDataSummary* ASummary, TCollectionItemClass AItemClass);
  void Assign(TPersistent* Source) override;

  virtual TkcSummaryPosition GetItemPosition(TkcDataSummaryItem* AItem) { return AItem->fPosition; }
  virtual bool IsItemPositionStored(TkcDataSummaryItem* AItem) { return AItem->fPosition != spGroup; }
  virtual TkcDataSummaryItem* GetDataItem(int AItemIndex, TkcSummaryPosition APosition);
  virtual bool IsDataItemEmpty(bool AKindSet, bool AFormatSet, const String& AFormat, TkcSummaryKind AKind);
  virtual void AssignEvents(TPersistent* Source);
  virtual String GetDefaultFormat(int AValueClass, TkcSummaryKind AKind, bool AIsFooter);
  virtual String GetGroupSummaryText(const Variant& /*AValues*/) { return String(); }

  TkcDataSummaryItem* Add() { return static_cast<TkcDataSummaryItem*>(TkcCollection::Add()); }
  // Nil for an item still being constructed (a collection reports the insertion from the
  // item's base constructor, before the item is one).
  TkcDataSummaryItem* GetItem(int AIndex) const { return dynamic_cast<TkcDataSummaryItem*>(Items(AIndex)); }
  int IndexOfItemLink(TObject* AItem) const;
  TkcDataSummaryItem* ItemOfItemLink(TObject* AItem) const;
  int IndexOfField(TkcCustomDataField* AField) const;
  TkcDataSummaryItem* ItemOfField(TkcCustomDataField* AField) const;
  String GetDataItemFormat(int AItemIndex, TkcSummaryPosition APosition);
  TkcSummaryKind GetDataItemKind(int AItemIndex, TkcSummaryPosition APosition);
  void SetDataItemFormat(int AItemIndex, TkcSummaryPosition APosition, const String& AValue);
  void SetDataItemKind(int AItemIndex, TkcSummaryPosition APosition, TkcSummaryKind AValue);
  // The item by which groups of this level are sorted, nil when none.
  TkcDataSummaryItem* GetSortedItem() const;
  TkcDataSummary* Summary() const { return fSummary; }
  // Unlinks items of the field; true when any was linked.
  bool RemoveField(TkcCustomDataField* AField);

  TkcSummaryEvent OnSummary;

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  template <class Set>
  void SetDataItemValue(int AItemIndex, TkcSummaryPosition APosition, bool AEmptyValue, const Set& ASet);
  TkcDataSummary* fSummary;
};

class TkcDataFooterSummaryItems : public TkcDataSummaryItems {
  VT_CLASS(TkcDataFooterSummaryItems, TkcDataSummaryItems)
public:
  using TkcDataSummaryItems::TkcDataSummaryItems;
  TkcSummaryPosition GetItemPosition(TkcDataSummaryItem*) override { return spFooter; }
  bool IsItemPositionStored(TkcDataSummaryItem*) override { return false; }
};

class TkcDataSummaryGroup;

class TkcDataGroupSummaryItems : public TkcDataSummaryItems {
  VT_CLASS(TkcDataGroupSummaryItems, TkcDataSummaryItems)
public:
  TkcDataGroupSummaryItems(TkcDataSummary* ASummary, TCollectionItemClass AItemClass,
                           TkcDataSummaryGroup* AOwner = nullptr)
      : TkcDataSummaryItems(ASummary, AItemClass), fOwnerGroup(AOwner) {}
  void Assign(TPersistent* Source) override;
  String GetGroupSummaryText(const Variant& AValues) override;
  const String& BeginText() const { return fBeginText; }
  void SetBeginText(const String& Value) { SetText(fBeginText, Value); }
  const String& EndText() const { return fEndText; }
  void SetEndText(const String& Value) { SetText(fEndText, Value); }
  const String& Separator() const { return fSeparator; }
  void SetSeparator(const String& Value) { SetText(fSeparator, Value); }
  bool IsBeginTextStored() const { return fBeginText != "("; }
  bool IsEndTextStored() const { return fEndText != ")"; }
  bool IsSeparatorStored() const { return fSeparator != ","; }
  TkcDataSummaryGroup* OwnerGroup() const { return fOwnerGroup; }

private:
  void SetText(String& AText, const String& Value);
  String fBeginText = "(", fEndText = ")", fSeparator = ",";
  TkcDataSummaryGroup* fOwnerGroup;
};

class TkcDataSummaryGroupItemLink : public TkcCustomDataSummaryItem {
  VT_CLASS(TkcDataSummaryGroupItemLink, TkcCustomDataSummaryItem)
public:
  using TkcCustomDataSummaryItem::TkcCustomDataSummaryItem;
  TkcCustomDataController* GetDataController() override;
  // An item belongs to one summary group at most.
  void ItemLinkChanging(TkcCustomDataField* AField) override;
  TkcDataSummaryGroup* SummaryGroup() const;
};

class TkcDataSummaryGroupItemLinks : public TkcCollection {
  VT_CLASS(TkcDataSummaryGroupItemLinks, TkcCollection)
public:
  TkcDataSummaryGroupItemLinks(TkcDataSummaryGroup* AGroup, TCollectionItemClass ALinkClass)
      : TkcCollection(ALinkClass), fSummaryGroup(AGroup) {}
  TkcDataSummaryGroupItemLink* Add() { return static_cast<TkcDataSummaryGroupItemLink*>(TkcCollection::Add()); }
  TkcDataSummaryGroupItemLink* GetItem(int AIndex) const {
    return dynamic_cast<TkcDataSummaryGroupItemLink*>(Items(AIndex));
  }
  TkcDataSummaryGroup* SummaryGroup() const { return fSummaryGroup; }

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  TkcDataSummaryGroup* fSummaryGroup;
};

class TkcDataSummaryGroups;

class TkcDataSummaryGroup : public TCollectionItem {
  VT_CLASS(TkcDataSummaryGroup, TCollectionItem)
public:
  explicit TkcDataSummaryGroup(TCollection* ACollection);
  ~TkcDataSummaryGroup() override;
  void Assign(TPersistent* Source) override;
  TkcDataSummaryGroupItemLinks* Links();
  TkcDataGroupSummaryItems* SummaryItems() { return fSummaryItems.get(); }
  TkcDataSummaryGroups* Groups() const;
  TkcDataSummary* Summary() const;
  bool HasLink(TkcCustomDataField* AField) const;

private:
  std::unique_ptr<TkcDataSummaryGroupItemLinks> fLinks;
  std::unique_ptr<TkcDataGroupSummaryItems> fSummaryItems;
};

class TkcDataSummaryGroups : public TkcCollection {
  VT_CLASS(TkcDataSummaryGroups, TkcCollection)
public:
  explicit TkcDataSummaryGroups(TkcDataSummary* ASummary)
      : TkcCollection(TkcDataSummaryGroup::StaticClass()), fSummary(ASummary) {}
  TkcDataSummaryGroup* AddGroup() { return static_cast<TkcDataSummaryGroup*>(TkcCollection::Add()); }
  TkcDataSummaryGroup* GetGroup(int AIndex) const { return dynamic_cast<TkcDataSummaryGroup*>(Items(AIndex)); }
  TkcDataSummaryGroup* GroupOfItemLink(TObject* AItem) const;
  TkcDataSummary* Summary() const { return fSummary; }

protected:
  TPersistent* GetOwner() override;
  void Update(TCollectionItem* AItem) override;

private:
  TkcDataSummary* fSummary;
};

using TkcAfterSummaryEvent = TEvent<void(TkcDataSummary* ASender)>;

class TkcDataSummary : public TPersistent {
  VT_CLASS(TkcDataSummary, TPersistent)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataController*>;
  explicit TkcDataSummary(TkcCustomDataController* AController);
  ~TkcDataSummary() override;
  void Assign(TPersistent* Source) override;

  // Working arrays of one calculation: one value and one count per item.
  struct TWork {
    std::vector<Variant> Values;
    std::vector<int> Counts;
  };
  virtual void InitValues(TkcDataSummaryItems* AItems, TWork& AWork);
  virtual void AccumulateRange(TkcDataSummaryItems* AItems, int AFirst, int ALast, TWork& AWork);
  // Accumulates the items (AIndexes: their work slots) that sum numbers kept in the storage,
  // clearing them from AItems; false when the records are not read from the storage.
  bool AccumulateStored(std::vector<TkcDataSummaryItem*>& AItems, const std::vector<int>& AIndexes, int AFirst,
                        int ALast, TWork& AWork);
  // The group values of a level whose items all summarize integer columns kept in the storage,
  // in one pass over the records in storage order; false (nothing done) otherwise.
  bool ComputeIntegerGroupValues(int ALevel, TkcDataSummaryItems* AItems);
  virtual void Changed(bool ADisplayOnly);
  virtual void DoAfterSummary();
  virtual void FinalizeValue(TkcDataSummaryItem* AItem, Variant& AValue, int ACount);
  virtual void AccumulateRecord(TkcDataSummaryItem* AItem, int ARecordIndex, Variant& AValue, int& ACount);
  virtual Variant FinalizeValues(TkcDataSummaryItems* AItems, TWork& AWork);
  virtual int GetSummaryRecord(int APosition);
  virtual bool IsValueIndex(const Variant& AValues, int AIndex);
  virtual void NotifyController(bool ADisplayOnly);
  virtual void AssignEvents(TPersistent* Source);
  virtual void StartSummaries();
  virtual void FinishSummaries();
  virtual void RunSummaries();
  virtual void ComputeFooterValues();
  virtual void ComputeGroupValues();

  // The row engine's two calls around sorting and grouping.
  void BeginCalculate();
  void EndCalculate();
  bool HasSortingItems();
  // Reorders the groups of levels with a sorting group item by that item's values.
  void SortGroupsBySummary();
  void RemoveField(TkcCustomDataField* AField);

  void BeginUpdate();
  void EndUpdate();
  void EndUpdateQuiet();
  TkcSummaryOptions Options() const { return fOptions; }
  void SetOptions(TkcSummaryOptions Value);
  // soSelectedRecords or soMultipleSelectedRecords.
  bool CountsSelection() const {
    return fOptions.Contains(soSelectedRecords) || fOptions.Contains(soMultipleSelectedRecords);
  }
  bool CalculationSuppressed() const { return fSuppressed; }
  void SetCalculationSuppressed(bool Value) { fSuppressed = Value; }

  TkcDataGroupSummaryItems* DefaultGroupSummaryItems() const { return fDefaultGroupSummaryItems.get(); }
  TkcDataFooterSummaryItems* FooterSummaryItems() const { return fFooterSummaryItems.get(); }
  TkcDataSummaryGroups* SummaryGroups() const { return fSummaryGroups.get(); }
  TkcDataSummaryItems* GetGroupSummaryItems(int ALevel);
  const Variant& FooterSummaryValues() const { return fFooterValues; }
  Variant FooterValue(int AIndex) const;
  String GetFooterSummaryText(int AIndex);
  String GetGroupSummaryText(int ARowIndex);
  int GetGroupFooterItemIndex(int ALevel, TObject* AItem);
  String GetGroupFooterSummaryText(int ARowIndex, int ALevel, int AItemPosition);
  TkcCustomDataController* DataController() const { return fDataController; }
  bool AfterSummaryPending() const { return fAfterSummaryPending; }

  TkcAfterSummaryEvent OnAfterSummary;

protected:
  TPersistent* GetOwner() override;

private:
  bool GroupValues(int ARowIndex, TkcDataGroupInfo*& AGroup, TkcDataSummaryItems*& AItems);
  TkcCustomDataController* fDataController;
  std::unique_ptr<TkcDataGroupSummaryItems> fDefaultGroupSummaryItems;
  std::unique_ptr<TkcDataFooterSummaryItems> fFooterSummaryItems;
  std::unique_ptr<TkcDataSummaryGroups> fSummaryGroups;
  TkcSummaryOptions fOptions;
  Variant fFooterValues;
  bool fDestroying = false, fInAfterSummary = false, fSuppressed = false, fAfterSummaryPending = false;
  bool fCalculating = false;
  int fLockCount = 0;
};
