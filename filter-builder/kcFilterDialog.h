#pragma once
// The Custom Filter dialog: one or two conditions on one column, joined by AND or OR. The grid
// uses it unless IsComplexFilter says the column's filter cannot be shown in it.

#include "editors-extended/kcButtons.h"
#include "editors-extended/kcRadioGroup.h"
#include "editors/kcComboBox.h"
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
  ~TkcFilterDialog() override;

  // Sets the dialog up for the column AItemLink of ACriteria; false when the column's editor
  // kind has no filter helper.
  bool Prepare(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
               TkcValueTypeClass AValueTypeClass, const String& ACaption);
  // The operator boxes and value editors follow ALookAndFeel.
  void SetLookAndFeel(TkcLookAndFeel* ALookAndFeel);
  // Replaces the column's conditions by the dialog's rows (after a closing with OK).
  void ApplyToCriteria();

  TkcConditionOperator GetSelectedOperator(TkcComboBox* ABox) const;
  int IndexOfOperator(TkcComboBox* ABox, TkcConditionOperator AOperator) const;
  void UpdateWildcardHints();
  // The value editor of row 0 or 1, made by the column's filter helper (null before Prepare).
  IkcFilterEdit* ValueEdit(int ARow) const { return fEdits[ARow]; }

  TLabel* lblTitle;
  TLabel* lblColumnCaption;
  TBevel* bvlLine;
  TkcComboBox* cbOperator1;
  TLabel* lblEdit1PlaceHolder;
  TkcComboBox* cbOperator2;
  TLabel* lblEdit2PlaceHolder;
  TkcRadioButton* rbAnd;
  TkcRadioButton* rbOr;
  TLabel* lblSingle;
  TLabel* lblSeries;
  TkcButton* btnOK;
  TkcButton* btnCancel;
  TkcConditionOperators Operators() const { return fOperators; }

protected:
  void DoShow() override;

private:
  void FillOperatorCombo(TkcComboBox* ABox);
  void LoadConditionRow(TkcComboBox* ABox, IkcFilterEdit* AEdit, TkcFilterCriteriaItem* ACondition);
  void AddConditionFromRow(TkcFilterCriteriaItemList* AGroup, TkcComboBox* ABox, Variant AValue, String ADisplayText);
  void ReadRow(TkcComboBox* ABox, IkcFilterEdit* AEdit, Variant& AValue, String& AText);
  // Lets a text editor take the criteria's wildcards while its row's operator is a like.
  void UpdateWildcardChars(int ARow);
  void OperatorChanged(int ARow);
  void FormCloseQuery(TObject* Sender, bool& CanClose);
  TkcComboBox* OperatorBox(int ARow) const { return ARow == 0 ? cbOperator1 : cbOperator2; }

  TkcFilterCriteria* fCriteria = nullptr;
  TObject* fItemLink = nullptr;
  TkcFilterEditHelperClass fHelper = nullptr;
  TkcCustomEditProperties* fProperties = nullptr;
  TkcValueTypeClass fValueType = nullptr;
  TkcConditionOperators fOperators;
  IkcFilterEdit* fEdits[2] = {nullptr, nullptr};
  Variant fValues[2];
  String fTexts[2];
};

// Shows the dialog for one column; true when it closed with OK and the criteria were changed.
// AFont and ALookAndFeel may be null.
bool ExecuteFilterDialog(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
                         TFont* AFont, TkcLookAndFeel* ALookAndFeel, TkcValueTypeClass AValueTypeClass,
                         const String& ACaption);
