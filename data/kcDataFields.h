#pragma once
// Data fields: one per item of a data controller, joining the item object to the value column
// that holds the item's values in the record storage; the controller's ordered field list; and
// the two value readers that fill a storage record from gathered values or from a controller
// record.

#include <memory>
#include <tuple>
#include <vector>

#include "data/kcDataStorage.h"
#include "platform/core/Classes.h"
#include "platform/core/Variants.h"

class TkcCustomDataField;
class TkcCustomDataFieldList;

// How an item's editor delivers its value: the value itself, its display text, or a key.
enum TkcDataEditValueSource { evsValue, evsText, evsKey };

// What fields and readers need of their data controller; the data controller implements it.
class IkcDataFieldListOwner {
public:
  // The storage that holds the fields' value columns.
  virtual TkcDataStorage* GetDataStorage() = 0;
  // The provider's freeze count is above 0.
  virtual bool IsProviderLocked() = 0;
  // Tells the provider that the structure changed (the controller rebuilds).
  virtual void NotifyProviderStructureChanged() = 0;
  // A field left the list: drop it from every place that names it.
  virtual void FieldRemoved(TkcCustomDataField* AField) = 0;
  // Records come from an external record source.
  virtual bool IsProviderMode() = 0;
  virtual Variant GetSourceValue(int ARecordIndex, TkcCustomDataField* AField) = 0;
  virtual String GetSourceDisplayText(int ARecordIndex, TkcCustomDataField* AField) = 0;

protected:
  ~IkcDataFieldListOwner() = default;
};

class TkcCustomDataField : public TObject {
  VT_CLASS(TkcCustomDataField, TObject)
public:
  using TConstructorArgs = std::tuple<TkcCustomDataFieldList*>;
  explicit TkcCustomDataField(TkcCustomDataFieldList* AFieldList);
  // Leaves the list (handing its column on to the fields that shared it), then frees its column.
  ~TkcCustomDataField() override;

  virtual void TakeOverColumn(TkcCustomDataField* ASource);
  virtual void ComponentRemoved(TComponent* /*AComponent*/) {}
  virtual bool CanModify(TkcDataEditValueSource AValueSource);
  virtual bool IsUnbound() { return false; }
  virtual bool HasInternalValues() { return fInternal; }

  TkcCustomDataFieldList* FieldList() const { return fFieldList; }
  IkcDataFieldListOwner* DataController() const;
  TObject* ItemObject() const { return fItemObject; }
  void SetItemObject(TObject* Value) { fItemObject = Value; }
  bool Internal() const { return fInternal; }
  void SetInternal(bool Value);
  // The field whose column this one uses; nil when it has its own.
  TkcCustomDataField* SharedField() const { return fSharedField; }
  void SetSharedField(TkcCustomDataField* Value);
  // Through the shared field when there is one.
  TkcValueDef* ValueColumn() const;
  TkcValueTypeClass ColumnTypeClass() const;
  void SetColumnTypeClass(TkcValueTypeClass Value);
  bool KeepsText() const;
  void SetKeepsText(bool Value);
  int Position() const;
  void SetPosition(int Value);

  void CreateValueColumn();
  void FreeValueColumn();
  // Changing the type or the text flag rebuilds the column (its values are lost).
  void BeginColumnRebuild();
  void EndColumnRebuild();
  void NotifyStructureChanged();

private:
  friend class TkcCustomDataFieldList;
  TkcCustomDataFieldList* fFieldList;
  TObject* fItemObject = nullptr;
  bool fInternal = false;
  TkcCustomDataField* fSharedField = nullptr;
  bool fKeepsText = false;
  TkcValueDef* fValueColumn = nullptr;
  TkcValueTypeClass fColumnTypeClass = nullptr;
  int fRebuildLockCount = 0;
};

class TkcCustomDataFieldList : public TObject {
  VT_CLASS(TkcCustomDataFieldList, TObject)
public:
  explicit TkcCustomDataFieldList(IkcDataFieldListOwner* ADataController);
  ~TkcCustomDataFieldList() override;

  virtual void ComponentRemoved(TComponent* AComponent);

  // Internal fields go last; any other field goes before the first internal one.
  void Add(TkcCustomDataField* AField);
  void Remove(TkcCustomDataField* AField);
  TkcCustomDataField* FieldByItem(TObject* AItem) const;
  void Clear();
  int Count() const { return static_cast<int>(fItems.size()); }
  TkcCustomDataField* Fields(int Index) const { return fItems.at(static_cast<std::size_t>(Index)); }
  int IndexOf(const TkcCustomDataField* AField) const;
  void Move(int ACurIndex, int ANewIndex);
  int ItemCount() const { return Count() - fInternalCount; }
  int InternalCount() const { return fInternalCount; }
  bool FieldDestroyed() const { return fFieldDestroyed; }
  IkcDataFieldListOwner* DataController() const { return fDataController; }
  void RecountInternals();

private:
  IkcDataFieldListOwner* fDataController;
  std::vector<TkcCustomDataField*> fItems;
  int fInternalCount = 0;
  bool fFieldDestroyed = false;
};

// Whether the values of a column count as internal when a storage record is read: asks the
// column's field, False for a column without one.
bool HasInternalValues(TkcValueDef* AValueDef);
// The field a column belongs to (an internal column: the field of the column it mirrors).
TkcCustomDataField* FieldOfValueDef(TkcValueDef* AValueDef);

// Values gathered in memory, one per column.
class TkcValueDefUnboundReader : public TkcValueDefReader {
  VT_CLASS(TkcValueDefUnboundReader, TkcValueDefReader)
public:
  TkcValueDefUnboundReader() = default;
  Variant GetValue(TkcValueDef* AValueDef) override;
  bool IsInternalColumn(TkcValueDef* AValueDef) override { return HasInternalValues(AValueDef); }

  void SetValue(TkcValueDef* AValueDef, const Variant& Value);
  // Keeps at most ACount values (the column list is unchanged).
  void KeepValues(int ACount);
  void Clear() { KeepValues(0); }

private:
  std::vector<TkcValueDef*> fValueDefs;
  std::vector<std::unique_ptr<Variant>> fValues;
};

// A record of a data controller.
class TkcValueDefRecordReader : public TkcValueDefReader {
  VT_CLASS(TkcValueDefRecordReader, TkcValueDefReader)
public:
  TkcValueDefRecordReader(IkcDataFieldListOwner* ADataController, int ARecordIndex)
      : fDataController(ADataController), fRecordIndex(ARecordIndex) {}
  String GetDisplayText(TkcValueDef* AValueDef) override;
  Variant GetValue(TkcValueDef* AValueDef) override;
  bool IsInternalColumn(TkcValueDef* AValueDef) override { return HasInternalValues(AValueDef); }
  int RecordIndex() const { return fRecordIndex; }

private:
  IkcDataFieldListOwner* fDataController;
  int fRecordIndex;
};
