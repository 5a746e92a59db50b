#pragma once
// The filter builder's model without a window: the link to the columns (IkcFilterControl), the
// builder's own criteria, and the rows (one per group and per condition) built from criteria
// and back, with loading and saving the filter's binary form. The filter builder control owns
// one and draws and edits its rows.

#include <memory>
#include <vector>

#include "controls/kcLookAndFeelPainters.h"
#include "editors/kcTextEdit.h"
#include "filter-builder/kcFilterControlUtils.h"

class TkcFilterControlModel;
class TkcGroupViewInfo;

// The columns a filter may refer to and the criteria it is applied to (the grid's table view).
class IkcFilterControl : public IInterface {
public:
  VT_INTERFACE("{B9890E09-5400-428D-8F72-1FF8FD15937C}")
  virtual String GetCaption(int AIndex) = 0;
  virtual int GetCount() = 0;
  virtual TkcFilterCriteria* GetCriteria() = 0;
  // What identifies item AIndex in criteria and in their binary form.
  virtual TObject* GetItemLink(int AIndex) = 0;
  virtual String GetFieldName(int AIndex) = 0;
  virtual TkcCustomEditProperties* GetProperties(int AIndex) = 0;
  virtual TkcValueTypeClass GetValueType(int AIndex) = 0;
};

// The builder's own criteria: item links are written as they are (the link's numbers).
class TkcFilterControlCriteria : public TkcFilterCriteria {
  VT_CLASS(TkcFilterControlCriteria, TkcFilterCriteria)
public:
  explicit TkcFilterControlCriteria(TkcFilterControlModel* AControl) : fControl(AControl) {}
  TkcFilterControlModel* Control() const { return fControl; }
  int GetIDByItemLink(TObject* AItemLink) override;
  TObject* GetItemLinkByID(int AID) override;
  TkcFilterCriteriaItemClass GetItemClass() override;
  void AssignEvents(TPersistent*) override {}

private:
  TkcFilterControlModel* fControl;
};

class TkcFilterControlCriteriaItem : public TkcFilterCriteriaItem {
  VT_CLASS(TkcFilterControlCriteriaItem, TkcFilterCriteriaItem)
public:
  using TkcFilterCriteriaItem::TkcFilterCriteriaItem;
  // The builder's criteria never evaluate records.
  Variant GetDataValue(int) override { return Null(); }
  String GetFieldCaption() override;
  String GetFieldName() override;

private:
  int LinkIndex();
};

// ---- Rows ------------------------------------------------------------------------------------

class TkcCustomRowViewInfo : public TObject {
  VT_CLASS(TkcCustomRowViewInfo, TObject)
public:
  // Adds itself to AParent's rows.
  TkcCustomRowViewInfo(TkcFilterControlModel* AControl, TkcCustomFilterCriteriaItem* ACriteriaItem,
                       TkcGroupViewInfo* AParent);
  // Takes itself out of its parent's rows.
  ~TkcCustomRowViewInfo() override;
  virtual bool IsComplete() { return true; }

  TkcFilterControlModel* Control() const { return fControl; }
  TkcGroupViewInfo* Parent() const { return fParent; }
  TkcCustomFilterCriteriaItem* CriteriaItem() const { return fCriteriaItem; }
  int Level() const { return fLevel; }

  String ButtonText;
  TRect ButtonRect{};
  TRect RowRect{};
  int Indent = 0;
  TkcButtonState ButtonState = kcbsNormal;

private:
  friend class TkcGroupViewInfo;
  TkcFilterControlModel* fControl;
  TkcGroupViewInfo* fParent;
  TkcCustomFilterCriteriaItem* fCriteriaItem;
  int fLevel;
};

class TkcGroupViewInfo : public TkcCustomRowViewInfo {
  VT_CLASS(TkcGroupViewInfo, TkcCustomRowViewInfo)
public:
  TkcGroupViewInfo(TkcFilterControlModel* AControl, TkcFilterCriteriaItemList* ACriteriaItem,
                   TkcGroupViewInfo* AParent);
  // Destroys its rows, last first.
  ~TkcGroupViewInfo() override;

  int RowCount() const { return static_cast<int>(fRows.size()); }
  TkcCustomRowViewInfo* Rows(int AIndex) const { return fRows.at(AIndex); }
  int IndexOf(const TkcCustomRowViewInfo* ARow) const;
  // Moves ARow (one of this group's rows) to AIndex.
  void MoveRow(TkcCustomRowViewInfo* ARow, int AIndex);
  void DeleteRows();

  TkcFilterBoolOperatorKind BoolOperator = fboAnd;
  String BoolOperatorText;
  TRect BoolOperatorRect{};
  String Caption;
  TRect CaptionRect{};

private:
  friend class TkcCustomRowViewInfo;
  std::vector<TkcCustomRowViewInfo*> fRows;
};

class TkcConditionViewInfo;

class TkcValueInfo : public TObject {
  VT_CLASS(TkcValueInfo, TObject)
public:
  Variant Value = Null();
  String ValueText;
  TRect ValueRect{};
};

class TkcValuesViewInfo : public TObject {
  VT_CLASS(TkcValuesViewInfo, TObject)
public:
  explicit TkcValuesViewInfo(TkcConditionViewInfo* ACondition) : fCondition(ACondition) {}
  TkcConditionViewInfo* Condition() const { return fCondition; }
  int Count() const { return static_cast<int>(fValues.size()); }
  TkcValueInfo* Items(int AIndex) const { return fValues.at(AIndex).get(); }
  TkcValueInfo* AddValue();
  void Delete(int AIndex);
  void Clear() { fValues.clear(); }
  // "and" for the between operators, ", " for the list operators, else empty.
  String Separator() const;

  TRect AddButtonRect{};
  TkcButtonState AddButtonState = kcbsNormal;

private:
  TkcConditionViewInfo* fCondition;
  std::vector<std::unique_ptr<TkcValueInfo>> fValues;
};

class TkcConditionViewInfo : public TkcCustomRowViewInfo {
  VT_CLASS(TkcConditionViewInfo, TkcCustomRowViewInfo)
public:
  TkcConditionViewInfo(TkcFilterControlModel* AControl, TkcFilterCriteriaItem* ACriteriaItem,
                       TkcGroupViewInfo* AParent);
  ~TkcConditionViewInfo() override;

  bool IsComplete() override { return !ItemText.empty() && !OperatorText().empty(); }
  virtual bool HasValues() { return ConditionOperatorHasValues(fOperator); }
  // Editor helper, editor properties, value type and offered operators from the item.
  virtual void RefreshEditor();
  // Chooses an item (below 0: the default item) and starts the condition afresh when it changed.
  void SetItem(int AIndex);
  // Fits the values to the operator: keeping what the user typed when AKeep.
  void AdjustValues(bool AKeep);

  TkcConditionOperator Operator() const { return fOperator; }
  // Sets the operator (and its cached text) without touching the values.
  void SetOperator(TkcConditionOperator Value);
  const String& OperatorText() const { return fOperatorText; }
  TkcValuesViewInfo* Values() const { return fValues.get(); }
  TkcFilterEditHelperClass EditorHelper() const { return fEditorHelper; }
  TkcCustomEditProperties* EditorProperties() const { return fEditorProperties.get(); }
  TkcValueTypeClass ValueType() const { return fValueType; }
  TkcConditionOperators SupportedOperators() const { return fSupportedOperators; }

  int ItemIndex = -1;
  TObject* ItemLink = nullptr;
  String ItemText;
  TRect ItemRect{};
  TRect OperatorRect{};

private:
  TkcConditionOperator fOperator = kcoEqual;
  String fOperatorText;
  std::unique_ptr<TkcValuesViewInfo> fValues;
  TkcFilterEditHelperClass fEditorHelper = nullptr;
  std::unique_ptr<TkcCustomEditProperties> fEditorProperties;
  TkcValueTypeClass fValueType = nullptr;
  TkcConditionOperators fSupportedOperators;
};

// ---- The model -------------------------------------------------------------------------------

class TkcFilterControlModel : public TObject {
  VT_CLASS(TkcFilterControlModel, TObject)
public:
  TkcFilterControlModel();
  ~TkcFilterControlModel() override;

  IkcFilterControl* Link() const { return fLink; }
  void SetLink(IkcFilterControl* Value) { fLink = Value; }
  bool HasItems() { return fLink && fLink->GetCount() > 0; }
  TkcFilterControlCriteria* Criteria() const { return fCriteria.get(); }
  TkcGroupViewInfo* Root() const { return fRoot.get(); }
  // Every row in display order: the root, then depth first, each group before its rows.
  const std::vector<TkcCustomRowViewInfo*>& Rows() const { return fRows; }
  TkcTextEditProperties* DefaultProperties() const { return fDefaultProperties.get(); }

  void BuildRowsFromCriteria();
  // Leaves the criteria as they were while a row is incomplete.
  void BuildCriteriaFromRows();
  virtual void ApplyFilter();
  virtual void ClearAll();
  // Refused (EkcFilterControlError) without changing anything when the stream is damaged,
  // names an item the link does not have, or holds a value its item's type cannot take.
  void LoadFromStream(TStream* AStream);
  void LoadFromFile(const String& AFileName);
  void SaveToStream(TStream* AStream);
  // Written through a temporary file and renamed, so a failed save leaves the old file.
  void SaveToFile(const String& AFileName);
  String GetFilterCaption();
  String GetFilterText();
  bool AreAllRowsComplete();

  // New rows; the rows list follows.
  TkcConditionViewInfo* AddCondition(TkcGroupViewInfo* AGroup);
  TkcGroupViewInfo* AddGroup(TkcGroupViewInfo* AGroup);
  void RemoveRow(TkcCustomRowViewInfo* ARow);
  void RebuildRowList();

  // The item index of a link value, -1 when the link has none.
  int IndexOfItemLink(TObject* AItemLink);

  bool SortItems = false;
  TNotifyEvent OnApplyFilter;
  // Run before criteria are built from rows (the control closes its value editor there).
  std::function<void()> OnBeforeBuildCriteria;
  // The control's in-place edit list, if any.
  IkcFilterInplaceEditList* InplaceEditList = nullptr;
  // The sender passed to OnApplyFilter (the control).
  TObject* Sender = nullptr;

  void BeginUpdate() { ++fLockCount; }
  void EndUpdate();
  int LockCount() const { return fLockCount; }
  // Runs after the last EndUpdate of a change (the control lays out and repaints).
  std::function<void()> OnChanged;

private:
  void ResetRows();
  void BuildGroup(TkcGroupViewInfo* ARow, TkcFilterCriteriaItemList* AGroup);
  void BuildCriteriaGroup(TkcGroupViewInfo* ARow, TkcFilterCriteriaItemList* AGroup);
  void AddConditionFromRow(TkcConditionViewInfo* ARow, TkcFilterCriteriaItemList* AGroup);
  void CheckLoadedCriteria(TkcFilterCriteriaItemList* AGroup);

  IkcFilterControl* fLink = nullptr;
  std::unique_ptr<TkcFilterControlCriteria> fCriteria;
  std::unique_ptr<TkcGroupViewInfo> fRoot;
  std::vector<TkcCustomRowViewInfo*> fRows;
  std::unique_ptr<TkcTextEditProperties> fDefaultProperties;
  int fLockCount = 0;
};
