#pragma once
// TClientDataSet: an in-memory dataset made from its field definitions, with indexes.
//
// Records live in one flat array of values (a slot per record, never reused while open). The
// current order is a list of slots: insertion order, or sorted by the active index
// (IndexFieldNames or IndexName). Every defined index is a balanced tree of slots ordered by
// its key, so that keyed Locate and FindKey take O(log n), and so does adding a record; the
// order by IndexFieldNames is searched in the order list itself. Indexes are built by sorting
// slots with their keys read out first (numbers, texts in place), and a change of the current
// order keeps the defined indexes.
// Bookmarks name slots and stay valid while the record exists.

#include "platform/db/DB.h"

#include <set>

enum TIndexOption { ixPrimary, ixUnique, ixDescending, ixCaseInsensitive, ixExpression, ixNonMaintained };
using TIndexOptions = TSet<TIndexOption, 8>;

class TIndexDef {
public:
  String Name;
  String Fields;  // ";"-separated field names
  TIndexOptions Options;
};

class TIndexDefs {
public:
  int Count() const { return static_cast<int>(fItems.size()); }
  TIndexDef& Items(int Index) const { return *fItems.at(static_cast<size_t>(Index)); }
  TIndexDef& operator[](int Index) const { return Items(Index); }
  TIndexDef& Add(const String& Name, const String& Fields, TIndexOptions Options);
  TIndexDef* Find(const String& Name) const;  // letter case ignored
  void Clear() { fItems.clear(); }

private:
  std::vector<std::unique_ptr<TIndexDef>> fItems;
};

class TClientDataSet : public TDataSet {
  VT_CLASS(TClientDataSet, TDataSet)
public:
  explicit TClientDataSet(TComponent* AOwner);
  ~TClientDataSet() override;

  // Opens an empty dataset with the field definitions (and the fields made beforehand).
  void CreateDataSet();
  // Removes every record (the dataset stays open).
  void EmptyDataSet();

  TIndexDefs& IndexDefs() { return fIndexDefs; }
  // The current order: by these ";"-separated fields, or by the defined index of that name.
  // Empty: the order in which records were added. Setting one clears the other.
  const String& IndexFieldNames() const { return fIndexFieldNames; }
  void SetIndexFieldNames(const String& Value);
  const String& IndexName() const { return fIndexName; }
  void SetIndexName(const String& Value);
  // Goes to the first record whose current-order key equals the values (one per key field,
  // leading fields may be given alone); false when there is none.
  bool FindKey(const std::vector<Variant>& KeyValues);

  bool IsSequenced() const override { return true; }

protected:
  void InternalOpen() override;
  void InternalClose() override;
  int InternalRecordCount() const override { return static_cast<int>(fOrder.size()); }
  Variant InternalGetValue(int Rec, int FieldNo) const override;
  String InternalGetBookmark(int Rec) const override;
  int InternalFindBookmark(const String& Bookmark) const override;
  bool InternalCanModify() const override { return true; }
  int InternalPost(int Rec, int Before, const std::vector<Variant>& Values) override;
  void InternalDelete(int Rec) override;
  int InternalLocate(const std::vector<TField*>& Fields, const Variant& KeyValues,
                     TLocateOptions Options) const override;

private:
  struct Index;
  struct KeyProbe {
    const std::vector<Variant>* Values;
  };
  struct SlotLess {
    const TClientDataSet* DataSet;
    const Index* Idx;
    using is_transparent = void;
    bool operator()(int a, int b) const;
    bool operator()(int a, const KeyProbe& b) const;
    bool operator()(const KeyProbe& a, int b) const;
  };
  struct Index {
    String Name;
    std::vector<int> FieldNos;  // 1-based
    std::vector<bool> Descending;
    bool CaseInsensitive = false;
    bool Unique = false;
    // The order's own index (IndexFieldNames) keeps no tree: its records are the order itself,
    // searched by halving.
    bool InOrder = false;
    TIndexOptions Options;  // as defined, to tell whether the definition changed
    String Fields;
    std::set<int, SlotLess> Tree;
    Index(const TClientDataSet* ds) : Tree(SlotLess{ds, this}) {}
  };

  const Variant& Cell(int Slot, int FieldNo) const {
    return fValues[static_cast<size_t>(Slot) * static_cast<size_t>(fFieldCount) + static_cast<size_t>(FieldNo - 1)];
  }
  int CompareKey(const Index& I, int Slot, const std::vector<Variant>& Key) const;
  int CompareSlots(const Index& I, int A, int B) const;
  std::unique_ptr<Index> MakeIndex(const String& Name, const String& Fields, TIndexOptions Options);
  void BuildIndexes();
  void BuildOrder();
  // The live slots in the index's order: sorted once by keys read out beforehand.
  std::vector<int> SortedSlots(const Index& I) const;
  void FillTree(Index& I) const;
  // Calls F(slot) for each record whose key equals Key, in the index's order.
  template <class F>
  void ForEachEqual(const Index& I, const std::vector<Variant>& Key, F f) const;
  void Reorder();
  Index* OrderIndex() const { return fOrderIndex; }
  int PosOf(int Slot) const;
  // The first slot of the index whose key equals Key (by the current order), or -1.
  int FindInIndex(const Index& I, const std::vector<Variant>& Key) const;

  TIndexDefs fIndexDefs;
  String fIndexFieldNames, fIndexName;
  int fFieldCount = 0;
  std::vector<Variant> fValues;     // slot * field count + FieldNo - 1
  std::vector<char> fLive;          // per slot
  std::vector<int> fOrder;          // position -> slot
  mutable std::vector<int> fPosOf;  // slot -> position
  mutable bool fPosDirty = false;
  std::vector<std::unique_ptr<Index>> fIndexes;  // the defined ones, then the order's own
  Index* fOrderIndex = nullptr;
};
