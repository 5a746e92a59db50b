#pragma once
// Data-aware standard controls: an edit, a memo and a check box that show one field of a data
// source's current record and hand the user's changes back to it.
//
// The edit shows the field's display text (its edit text while it is being edited), the memo
// the field's value as text. A change typed by the user starts editing the record; the text
// reaches the field when the record is posted or the control loses the focus. When the
// record cannot be edited the control goes back to the field's text.

#include <functional>

#include "platform/db/DB.h"
#include "platform/forms/StdCtrls.h"

// Links a control to one field, by name, of its data source's dataset.
class TFieldDataLink : public TDataLink {
  VT_CLASS(TFieldDataLink, TDataLink)
public:
  String FieldName() const { return fFieldName; }
  void SetFieldName(const String& v);
  // The field, or none while the dataset is closed or has no field of that name.
  TField* Field() const { return fField; }
  // The record or this field changed (also when the link becomes active or inactive).
  std::function<void()> OnDataChange;
  // The record is about to be posted: the control writes its pending value.
  std::function<void()> OnUpdateData;

protected:
  void ActiveChanged() override;
  void LayoutChanged() override;
  void RecordChanged(TField* Field) override;
  void UpdateData() override;

private:
  void UpdateField();
  String fFieldName;
  TField* fField = nullptr;
};

// The link of a data-aware edit or memo: it shows the field's text in the control, starts
// editing the record when the user changes the text, and writes the text to the field.
class TFieldTextLink : public TFieldDataLink {
  VT_CLASS(TFieldTextLink, TFieldDataLink)
public:
  using TReadText = std::function<String(TField*)>;
  using TWriteText = std::function<void(TField*, const String&)>;
  TFieldTextLink(TCustomEdit* control, TReadText read, TWriteText write);
  // The control's text changed: false when it was not the user's change to keep (the record
  // cannot be edited; the control is back to the field's text).
  bool TextChanged();
  // The control loses the focus: the user's text reaches the record.
  void ControlExit();

private:
  void Load();
  void Save();
  TCustomEdit* fControl;
  TReadText fRead;
  TWriteText fWrite;
  bool fLoading = false;
  bool fPending = false;  // the user's text has not reached the field yet
};

class TDBEdit : public TCustomEdit {
  VT_CLASS(TDBEdit, TCustomEdit)
public:
  explicit TDBEdit(TComponent* AOwner);
  TDataSource* DataSource() const { return fLink.DataSource(); }
  void SetDataSource(TDataSource* v);
  String DataField() const { return fLink.FieldName(); }
  void SetDataField(const String& v) { fLink.SetFieldName(v); }
  TField* Field() const { return fLink.Field(); }
  void SetReadOnly(bool v);
  void Dispatch(TMessage& m) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Change() override;
  // The text the control shows for the field.
  virtual String FieldText(TField* f) const;
  TFieldTextLink fLink;
};

class TDBMemo : public TCustomMemo {
  VT_CLASS(TDBMemo, TCustomMemo)
public:
  explicit TDBMemo(TComponent* AOwner);
  TDataSource* DataSource() const { return fLink.DataSource(); }
  void SetDataSource(TDataSource* v);
  String DataField() const { return fLink.FieldName(); }
  void SetDataField(const String& v) { fLink.SetFieldName(v); }
  TField* Field() const { return fLink.Field(); }
  void SetReadOnly(bool v);
  void Dispatch(TMessage& m) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Change() override;
  TFieldTextLink fLink;
};

// Checked when the field's text is one of ValueChecked's ";"-separated texts (letter case
// ignored; a Boolean field by its value), unchecked for one of ValueUnchecked's, grayed for
// Null or any other text; unchecked without a field. A click writes the first text of the
// new state (a Boolean field its value); it changes nothing when the record cannot be edited.
class TDBCheckBox : public TCustomCheckBox {
  VT_CLASS(TDBCheckBox, TCustomCheckBox)
public:
  explicit TDBCheckBox(TComponent* AOwner);
  TDataSource* DataSource() const { return fLink.DataSource(); }
  void SetDataSource(TDataSource* v);
  String DataField() const { return fLink.FieldName(); }
  void SetDataField(const String& v) { fLink.SetFieldName(v); }
  TField* Field() const { return fLink.Field(); }
  bool ReadOnly() const { return fLink.ReadOnly(); }
  void SetReadOnly(bool v) { fLink.SetReadOnly(v); }
  String ValueChecked() const { return fValueChecked; }
  void SetValueChecked(const String& v);
  String ValueUnchecked() const { return fValueUnchecked; }
  void SetValueUnchecked(const String& v);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Toggle() override;
  void DataChange();
  TCheckBoxState FieldState() const;
  TFieldDataLink fLink;
  String fValueChecked = "True";
  String fValueUnchecked = "False";
};
