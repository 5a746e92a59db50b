#pragma once
// The lookup combo box: the dataset lookup editor whose drop-down list is a dataset-bound
// lookup list grid. It is the default editor of lookup fields.

#include <memory>

#include "editors-extended/kcDBLookupEdit.h"
#include "editors-extended/kcLookupDBGrid.h"

class TkcLookupComboBoxProperties : public TkcCustomDBLookupEditProperties {
  VT_CLASS(TkcLookupComboBoxProperties, TkcCustomDBLookupEditProperties)
public:
  explicit TkcLookupComboBoxProperties(TPersistent* AOwner);
  ~TkcLookupComboBoxProperties() override;
  void Assign(TPersistent* Source) override;
  TClass GetContainerClass() override;

  int GetListColumnCount() override;
  TControl* GetListControl() override { return fGrid.get(); }
  TkcCustomDataController* GetListDataController() override;
  int GetListWidth() override;
  int SnapListHeight(int AHeight) override;
  int GetListHeightForRows(int ARowCount) override;
  bool IsRowAtPoint(TPoint P) override;
  void SetListEvents(const TkcLookupCloseRequestEvent& ACloseRequest, const TNotifyEvent& ARowChosen) override;
  void InitializeListAppearance(TkcLookAndFeel* ALookAndFeel, TColor AColor, TFont* AFont) override;
  void ListShownHook() override { TkcCustomLookupGrid::RememberCursorPos(); }
  void MakeFocusedRowVisible() override;
  void ReleaseListCapture() override;
  // Outside grid mode the list's text index finds a typed text without a scan.
  int FindRecordByText(int AItemIndex, const String& AText, bool APartial) override;

  void BeginListUpdate() override;
  void AddListColumn(const String& AFieldName) override;
  void SetListFieldNamesOfList(const String& ANames) override;
  void EndListUpdate() override;
  TField* GetListColumnField(int AIndex) override;
  String GetListColumnFieldName(int AIndex) override;
  int IndexOfListColumn(const String& AName) override;
  TkcDBDataController* GetListDBDataController() override;

  TkcCustomLookupDBGrid* ListGrid() const { return fGrid.get(); }
  TkcLookupGridColumns* ListColumns() const;
  void SetListColumns(TkcLookupGridColumns* Value);
  TkcLookupGridOptions* ListOptions() const { return fGrid->Options(); }
  void SetListOptions(TkcLookupGridOptions* Value) { fGrid->Options()->Assign(Value); }
  // The list's sorting changed (a header click or a column's sort order).
  const TNotifyEvent& OnSortingChanged() const { return fGrid->DataController()->OnSortingChanged; }
  void SetOnSortingChanged(const TNotifyEvent& Value) { fGrid->DataController()->OnSortingChanged = Value; }

protected:
  void SetListDataSource(TDataSource* Value) override;
  TDataSource* GetListDataSource() override;

private:
  void ListOptionsChanged(TObject*) { Changed(); }
  std::unique_ptr<TkcCustomLookupDBGrid> fGrid;
};

class TkcCustomLookupComboBox : public TkcCustomDBLookupEdit {
  VT_CLASS(TkcCustomLookupComboBox, TkcCustomDBLookupEdit)
public:
  explicit TkcCustomLookupComboBox(TComponent* AOwner) : TkcCustomLookupComboBox(AOwner, false) {}
  TkcCustomLookupComboBox(TComponent* AOwner, bool AIsInplace)
      : TkcCustomLookupComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomLookupComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomDBLookupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcLookupComboBoxProperties::StaticClass(); }
  TkcLookupComboBoxProperties* Properties() const {
    return static_cast<TkcLookupComboBoxProperties*>(TkcCustomEdit::Properties());
  }
  TkcLookupComboBoxProperties* ActiveProperties() {
    return static_cast<TkcLookupComboBoxProperties*>(GetEffectiveProperties());
  }
};

class TkcLookupComboBox : public TkcCustomLookupComboBox {
  VT_CLASS(TkcLookupComboBox, TkcCustomLookupComboBox)
public:
  explicit TkcLookupComboBox(TComponent* AOwner) : TkcLookupComboBox(AOwner, false) {}
  TkcLookupComboBox(TComponent* AOwner, bool AIsInplace) : TkcLookupComboBox(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcLookupComboBox(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomLookupComboBox(AOwner, AIsInplace, TDeferCreation{}) {}
  void SetProperties(TkcLookupComboBoxProperties* Value) { Properties()->Assign(Value); }
};
