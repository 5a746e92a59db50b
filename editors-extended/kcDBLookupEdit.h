#pragma once
// The lookup editor over a dataset: keys and texts come from a dataset-bound data controller,
// optionally in grid mode (only a buffer of the list is loaded) with a cache of key texts, and
// the editor follows a dataset lookup field when it edits one.

#include <memory>

#include "controls/kcClasses.h"
#include "data/kcDBData.h"
#include "editors-extended/kcLookupEdit.h"

class TkcCustomDBLookupEditProperties : public TkcCustomLookupEditProperties {
  VT_CLASS(TkcCustomDBLookupEditProperties, TkcCustomLookupEditProperties)
public:
  explicit TkcCustomDBLookupEditProperties(TPersistent* AOwner);
  ~TkcCustomDBLookupEditProperties() override;
  void Assign(TPersistent* Source) override;
  void ClearDefaultValuesProvider() override;
  TAlignment GetDefaultHorzAlignment() override;
  TClass GetContainerClass() override;
  void Changed() override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  TkcDataEditValueSource GetEditValueSource(bool AEditFocused) override {
    return HasLookupField() ? evsKey : inherited::GetEditValueSource(AEditFocused);
  }
  int GetDefaultMaxLength() override;
  TClass GetLookupDataClass() override;
  int FindRecordByText(int AItemIndex, const String& AText, bool APartial) override;
  int GetTextColumnIndex() override;
  void GetKeyText(const Variant& AKey, String& AText) override;
  bool UsesIncrementalFiltering() override;
  void GetNullKey(Variant& AKey) override;
  bool IsTextKey() override;
  void BeginListNavigation() override;
  void SetTextColumnIndex(int AIndex) override;
  void EndListNavigation() override;
  bool HasLookupField() override { return GetLookupField() != nullptr; }

  // The list's columns, as the concrete kind keeps them.
  virtual void BeginListUpdate() {}
  virtual void AddListColumn(const String&) {}
  virtual void SetListFieldNamesOfList(const String&) {}
  virtual void EndListUpdate() {}
  virtual TField* GetListColumnField(int) { return nullptr; }
  virtual String GetListColumnFieldName(int) { return String(); }
  virtual int IndexOfListColumn(const String&) { return -1; }
  virtual TkcDBDataController* GetListDBDataController() { return nullptr; }
  virtual void SyncLookupField();
  virtual void AddLookupResultColumn();

  // The field the editor edits (through its dataset defaults), and that field when it is a
  // lookup field.
  TField* GetBoundField();
  TField* GetLookupField();
  TField* GetListField();
  int FindRecordIndexByKey(const Variant& AKey);
  bool IsGridMode() const { return fLookupTextCache != nullptr; }
  TField* BoundLookupField() const { return fBoundLookupField; }

  // Published settings.
  String KeyFieldNames();
  void SetKeyFieldNames(const String& Value);
  String ListFieldNames();
  void SetListFieldNames(const String& Value);
  int ListFieldIndex() { return GetTextColumnIndex(); }
  void SetListFieldIndex(int Value) { SetTextColumnIndex(Value); }
  TDataSource* ListSource();
  void SetListSource(TDataSource* Value);
  bool GridMode() const { return IsGridMode(); }
  void SetGridMode(bool Value);

protected:
  // A lookup field defines the list source, key fields and text column.
  void CheckNotDefinedByLookupField();
  // The list may not show the dataset the editor edits, nor one of its masters.
  void CheckCircularLink(TDataSource* AListSource);
  bool IsSyncingLookupField() const { return fSyncing; }
  virtual void SetListDataSource(TDataSource*) {}
  virtual TDataSource* GetListDataSource() { return nullptr; }

private:
  void SetLookupField(TField* AField);
  void LookupFieldFreed(TComponent* Sender);
  int fGridModeNavigationCount = 0;
  TField* fBoundLookupField = nullptr;
  std::unique_ptr<TkcLookupList> fLookupTextCache;
  std::unique_ptr<TDataSource> fLookupSource;
  std::unique_ptr<TkcFreeNotificator> fFreeNotificator;
  bool fSyncing = false;
};

class TkcCustomDBLookupEditLookupData : public TkcCustomLookupEditLookupData {
  VT_CLASS(TkcCustomDBLookupEditLookupData, TkcCustomLookupEditLookupData)
public:
  using TkcCustomLookupEditLookupData::TkcCustomLookupEditLookupData;
  // The record's key fields' values (Null for none).
  void SetSelectedKeyFromRecord(int ARecordIndex) override;
  void FocusSelectedKeyRecord() override;

private:
  TkcCustomDBLookupEditProperties* DBProperties() {
    return static_cast<TkcCustomDBLookupEditProperties*>(Properties());
  }
};

class TkcCustomDBLookupEdit : public TkcCustomLookupEdit {
  VT_CLASS(TkcCustomDBLookupEdit, TkcCustomLookupEdit)
public:
  explicit TkcCustomDBLookupEdit(TComponent* AOwner) : TkcCustomDBLookupEdit(AOwner, false) {}
  TkcCustomDBLookupEdit(TComponent* AOwner, bool AIsInplace)
      : TkcCustomDBLookupEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomDBLookupEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomLookupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomDBLookupEditProperties::StaticClass();
  }
  TkcCustomDBLookupEditProperties* ActiveProperties() {
    return static_cast<TkcCustomDBLookupEditProperties*>(GetEffectiveProperties());
  }

protected:
  void DoEditKeyPress(char32_t& Key) override;
};
