#pragma once
// The Custom Filter dialog: one or two conditions on one column, joined by AND or OR. The grid
// uses it unless IsComplexFilter says the column's filter cannot be shown in it.

#include "filter-builder/kcFilterControlUtils.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

// Whether the criteria hold more than this dialog can show: a root that is not AND, an
// operator other than equals .. not like, a column met twice, or a group that is not two
// conditions on one column joined by AND or OR.
bool IsComplexFilter(TkcFilterCriteria* ACriteria);

class TkcFilterDialog : public TForm {
  VT_CLASS(TkcFilterDialog, TForm)
public:
  explicit TkcFilterDialog(TComponent* AOwner);

  // Sets the dialog up for the column AItemLink of ACriteria; false when the column's editor
  // kind has no filter helper.
  bool Prepare(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
               TkcValueTypeClass AValueTypeClass, const String& ACaption);
  // Replaces the column's conditions by the dialog's rows (after a closing with OK).
  void ApplyToCriteria();

  TkcConditionOperator GetSelectedOperator(TComboBox* ABox) const;
  int IndexOfOperator(TComboBox* ABox, TkcConditionOperator AOperator) const;
  void UpdateWildcardHints();

  TLabel* lblTitle;
  TLabel* lblColumnCaption;
  TBevel* bvlLine;
  TComboBox* cbOperator1;
  TComboBox* cbOperator2;
  TEdit* edValue1;
  TEdit* edValue2;
  TRadioButton* rbAnd;
  TRadioButton* rbOr;
  TLabel* lblSingle;
  TLabel* lblSeries;
  TButton* btnOK;
  TButton* btnCancel;
  TkcConditionOperators Operators() const { return fOperators; }

protected:
  void DoShow() override;

private:
  void FillOperatorCombo(TComboBox* ABox);
  void LoadConditionRow(TComboBox* ABox, TEdit* AEdit, TkcFilterCriteriaItem* ACondition);
  void AddConditionFromRow(TkcFilterCriteriaItemList* AGroup, TComboBox* ABox, Variant AValue, String ADisplayText);
  void ReadRow(TComboBox* ABox, TEdit* AEdit, Variant& AValue, String& AText);
  void FormCloseQuery(TObject* Sender, bool& CanClose);

  TkcFilterCriteria* fCriteria = nullptr;
  TObject* fItemLink = nullptr;
  TkcFilterEditHelperClass fHelper = nullptr;
  TkcCustomEditProperties* fProperties = nullptr;
  TkcValueTypeClass fValueType = nullptr;
  TkcConditionOperators fOperators;
  Variant fValues[2];
  String fTexts[2];
};

// Shows the dialog for one column; true when it closed with OK and the criteria were changed.
bool ExecuteFilterDialog(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
                         TFont* AFont, TkcValueTypeClass AValueTypeClass, const String& ACaption);
