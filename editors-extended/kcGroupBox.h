#pragma once
// Group boxes and button groups without their windows: the thirteen caption positions and the
// caption rectangle, the button group's items and properties, its column layout and its arrow
// keys.

#include "editors-extended/kcCheckStates.h"
#include "editors/kcEdit.h"

enum TkcCaptionAlignment {
  alTopLeft,
  alTopCenter,
  alTopRight,
  alBottomLeft,
  alBottomCenter,
  alBottomRight,
  alLeftTop,
  alLeftCenter,
  alLeftBottom,
  alRightTop,
  alRightCenter,
  alRightBottom,
  alCenterCenter
};
inline bool IsVerticalCaption(TkcCaptionAlignment A) { return A >= alLeftTop && A <= alRightBottom; }

// Where a caption of ATextSize (measured on one line) sits in a group of AWidth x AHeight;
// AShadow: the style draws a shadow. An empty caption has an empty rectangle.
TRect CalculateGroupCaptionRect(TkcCaptionAlignment AAlignment, const TSize& ATextSize, int AWidth, int AHeight,
                                bool AShadow);

class TkcCustomGroupBoxProperties : public TkcCustomEditProperties {
  VT_CLASS(TkcCustomGroupBoxProperties, TkcCustomEditProperties)
public:
  explicit TkcCustomGroupBoxProperties(TPersistent* AOwner) : TkcCustomEditProperties(AOwner) {}
};

class TkcButtonGroupItem : public TCollectionItem {
  VT_CLASS(TkcButtonGroupItem, TCollectionItem)
public:
  explicit TkcButtonGroupItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  const String& Caption() const { return fCaption; }
  void SetCaption(const String& Value);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool Value);
  int Tag = 0;

private:
  String fCaption;
  bool fEnabled = true;
};

// What changed last in the items, so that a group touches only that button.
enum TkcButtonGroupItemChange { bgicAdded, bgicDeleted, bgicChanged, bgicNone };

class TkcButtonGroupItems : public TOwnedCollection, public IkcCheckItemCaptions {
  VT_CLASS(TkcButtonGroupItems, TOwnedCollection)
public:
  TkcButtonGroupItems(TPersistent* AOwner, TCollectionItemClass AItemClass) : TOwnedCollection(AOwner, AItemClass) {}
  ~TkcButtonGroupItems() override;
  TkcButtonGroupItem* Items(int Index) const { return static_cast<TkcButtonGroupItem*>(TCollection::Items(Index)); }
  TkcButtonGroupItem* Add() { return static_cast<TkcButtonGroupItem*>(TCollection::Add()); }
  int GetCount() override { return Count(); }
  String GetCaption(int Index) override { return Items(Index)->Caption(); }
  int ChangedItemIndex() const { return fChangedItemIndex; }
  TkcButtonGroupItemChange ChangedItemOperation() const { return fChangedItemOperation; }

protected:
  void Update(TCollectionItem* Item) override;
  void Notify(TCollectionItem* Item, TCollectionNotification Action) override;

private:
  bool fDestroying = false;
  int fChangedItemIndex = -1;
  TkcButtonGroupItemChange fChangedItemOperation = bgicNone;
};

class TkcCustomButtonGroupProperties : public TkcCustomGroupBoxProperties {
  VT_CLASS(TkcCustomButtonGroupProperties, TkcCustomGroupBoxProperties)
public:
  explicit TkcCustomButtonGroupProperties(TPersistent* AOwner);
  ~TkcCustomButtonGroupProperties() override;
  void Assign(TPersistent* Source) override;
  int Columns() const { return fColumns; }
  void SetColumns(int Value) { SetAndNotify(fColumns, Value < 1 ? 1 : Value); }
  TkcButtonGroupItems* Items() const { return fItems.get(); }
  void SetItems(TkcButtonGroupItems* Value) { fItems->Assign(Value); }
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool Value) { SetAndNotify(fWordWrap, Value); }
  int GetOperationSupport() override;
  // The columns actually used: no column stays empty.
  int GetColumnCount() const;
  int GetRowCount() const;

protected:
  virtual std::unique_ptr<TkcButtonGroupItems> CreateItems();

private:
  int fColumns = 1;
  bool fWordWrap = false;
  std::unique_ptr<TkcButtonGroupItems> fItems;
};

// The item metrics a concrete group supplies (only the layout fields without a canvas).
struct TkcButtonGroupItemMetrics {
  int TextOffset = 0, MeasuringWidthAdjustment = 0, GlyphToTextGap = 0, OuterWidthReserve = 0;
  int LayoutLeftOffset = 0, LayoutWidthAdjustment = 0, ColumnGap = 0, GlyphWidth = 0, GlyphHeight = 0;
};

// The bounds of item AIndex of ACount items laid out in AColumns columns, filled top to bottom
// then left to right, inside ABounds less the client extent AExtent.
TRect LayoutButtonGroupItem(int AIndex, int ACount, int AColumns, const TRect& ABounds, const TRect& AExtent,
                            const TkcButtonGroupItemMetrics& AMetrics);
// The item an arrow key moves the focus to from AFocused (AFocused itself when it does not move).
int ButtonGroupArrowTarget(int AFocused, int ACount, int AColumns, WORD AKey);
