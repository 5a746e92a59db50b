#pragma once
// The parameter dialog: one row per statement parameter (its value and a Null box); the
// confirmed values go back to the query engine.

#include <vector>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"

class TdmQuery;

// One row: the parameter's name as the value's label, the value, and "Null".
class TfrmParamEditor : public TFrame {
  VT_CLASS(TfrmParamEditor, TFrame)
public:
  explicit TfrmParamEditor(TComponent* AOwner);
  TLabeledEdit* edtValue;
  TCheckBox* chkNull;
  String ParamName;

private:
  void ValueChanged();
  void NullClicked();
};

class TdlgSetParameterValues : public TForm {
  VT_CLASS(TdlgSetParameterValues, TForm)
public:
  explicit TdlgSetParameterValues(TComponent* AOwner);

  TPanel* pnlButtons;
  TButton* btnOK;
  TButton* btnCancel;
  TScrollBox* sboParamEditors;
  TTimer* Timer;

  // Adds a row for the name unless one exists (a name met twice gets one row).
  void AddParam(const String& name, const String& value, bool isNull);
  // The row's value and Null state; raises for a name without a row.
  void GetParamValue(const String& name, String& value, bool& isNull) const;
  int RowCount() const { return static_cast<int>(fRows.size()); }
  TfrmParamEditor* Rows(int i) const { return fRows.at(static_cast<std::size_t>(i)); }

private:
  TfrmParamEditor* FindRow(const String& name) const;
  std::vector<TfrmParamEditor*> fRows;
  TfrmParamEditor* fFirst = nullptr;
  int fTop = 0;
};

// Asks for the values of the engine's statement parameters; without parameters nothing is
// shown. Anything but OK (Cancel, closing, the timeout) raises the silent abort.
void ShowParamsDialog(TdmQuery* query);
