#pragma once
// The lookup list grid over a dataset: its data controller is bound to a data source, each
// column to a field by name, from which it takes its caption, width and editor kind.

#include "data/kcDBData.h"
#include "editors-extended/kcDBEdit.h"
#include "editors-extended/kcLookupGrid.h"

class TkcCustomLookupDBGrid;
class TkcLookupDBGridColumn;

// A dataset column's editor defaults come from its field; a display format is the data
// controller's, when it keeps the item's display texts.
class TkcLookupDBGridDefaultValuesProvider : public TkcCustomDBEditDefaultValuesProvider {
  VT_CLASS(TkcLookupDBGridDefaultValuesProvider, TkcCustomDBEditDefaultValuesProvider)
public:
  explicit TkcLookupDBGridDefaultValuesProvider(TkcLookupGridColumn* AColumn)
      : TkcCustomDBEditDefaultValuesProvider(AColumn), fColumn(AColumn) {}
  bool HasDisplayFormat(bool) override { return fColumn->IsDisplayTextKept(); }

private:
  TkcLookupGridColumn* fColumn;
};

class TkcLookupDBGridColumn : public TkcLookupGridColumn {
  VT_CLASS(TkcLookupDBGridColumn, TkcLookupGridColumn)
public:
  explicit TkcLookupDBGridColumn(TCollection* ACollection) : TkcLookupGridColumn(ACollection) {}
  void Assign(TPersistent* Source) override;
  String FieldName() const;
  void SetFieldName(const String& Value);
  // The dataset's field of the column (null when the name is none of the open dataset's).
  TField* Field() const;

  String GetDefaultCaption() const override;
  int GetDefaultWidth() const override;
  TkcEditRepositoryItem* GetDefaultRepositoryItem() override;
  void BindProviderToField() override;

protected:
  std::unique_ptr<TkcCustomEditDefaultValuesProvider> CreateDefaultValuesProvider() override;

private:
  TkcDBDataController* Controller() const;
};

// The list's dataset controller: a typed prefix filters the records by their text ranks.
class TkcLookupGridDBDataController : public TkcDBDataController {
  VT_CLASS(TkcLookupGridDBDataController, TkcDBDataController)
public:
  using TkcDBDataController::TkcDBDataController;
  int SetIncrementalFilter(int AItemIndex, const String& AText) override;
  void ResetIncrementalFilter() override;

protected:
  bool DoIncrementalFilterRecord(int ARecordIndex) override;
  void LoadData() override;
  void DataChanged(TkcDataChangeKind AKind, int AItemIndex, int ARecordIndex) override;

private:
  TkcLookupRecordRanks fRanks;
};

class TkcCustomLookupDBGrid : public TkcCustomLookupGrid {
  VT_CLASS(TkcCustomLookupDBGrid, TkcCustomLookupGrid)
public:
  explicit TkcCustomLookupDBGrid(TComponent* AOwner);
  TkcDBDataController* DBDataController() const { return static_cast<TkcDBDataController*>(DataController()); }
  TDataSource* DataSource() const { return DBDataController()->DataSource(); }
  void SetDataSource(TDataSource* Value) { DBDataController()->SetDataSource(Value); }
  const String& KeyFieldNames() const { return DBDataController()->KeyFieldNames(); }
  void SetKeyFieldNames(const String& Value) { DBDataController()->SetKeyFieldNames(Value); }
  TkcLookupDBGridColumn* Column(int AIndex) const { return static_cast<TkcLookupDBGridColumn*>(Columns()->Items(AIndex)); }
  // The first column whose field name is the name (letter case ignored), or null.
  TkcLookupDBGridColumn* ColumnByFieldName(const String& AName) const;
  // One new column per name.
  void SetFieldNames(const std::vector<String>& ANames);
  // Replaces every column by one per name of a ";" list.
  void SetListFieldNames(const String& ANames);

  // In grid mode over a sequenced dataset the vertical bar stands for the dataset's records.
  void InitScrollBarsParameters() override;
  void Scroll(TScrollBarKind AKind, TScrollCode ACode, int& APosition) override;

protected:
  void InitializeColumnItem(int AItemIndex) override;
  void DataChanged() override;
  void DataLayoutChanged() override;

private:
  bool IsSequencedScrolling() const;
};

class TkcLookupDBGrid : public TkcCustomLookupDBGrid {
  VT_CLASS(TkcLookupDBGrid, TkcCustomLookupDBGrid)
public:
  explicit TkcLookupDBGrid(TComponent* AOwner) : TkcCustomLookupDBGrid(AOwner) {}
};
