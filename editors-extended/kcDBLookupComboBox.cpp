#include "editors-extended/kcDBLookupComboBox.h"

#include "platform/core/SysUtils.h"
#include "platform/forms/Controls.h"

TkcLookupComboBoxProperties::TkcLookupComboBoxProperties(TPersistent* AOwner)
    : TkcCustomDBLookupEditProperties(AOwner) {
  fGrid = std::make_unique<TkcCustomLookupDBGrid>(nullptr);
  fGrid->SetPopupMode(true);
  fGrid->Options()->OnChanged = TNotifyEvent(this, &TkcLookupComboBoxProperties::ListOptionsChanged);
  StartListeningToData();
}

TkcLookupComboBoxProperties::~TkcLookupComboBoxProperties() {
  StopListeningToData();
  fGrid->Options()->OnChanged = nullptr;
  fGrid.reset();
}

void TkcLookupComboBoxProperties::Assign(TPersistent* Source) {
  auto* source = dynamic_cast<TkcLookupComboBoxProperties*>(Source);
  if (!source) return inherited::Assign(Source);
  BeginUpdate();
  try {
    SetGridMode(source->GridMode());
    SetListOptions(source->ListOptions());
    const bool defined = IsDefinedByLookupField();
    if (!defined) {
      SetListSource(source->ListSource());
      SetListColumns(source->ListColumns());
    }
    SetOnSortingChanged(source->OnSortingChanged());
    inherited::Assign(Source);
    if (defined) SetListColumns(source->ListColumns());
  } catch (...) {
    EndUpdate(true);
    throw;
  }
  EndUpdate(true);
}

TClass TkcLookupComboBoxProperties::GetContainerClass() { return TkcLookupComboBox::StaticClass(); }

int TkcLookupComboBoxProperties::GetListColumnCount() { return fGrid ? fGrid->Columns()->Count() : 0; }

TkcCustomDataController* TkcLookupComboBoxProperties::GetListDataController() {
  return fGrid ? fGrid->DataController() : nullptr;
}

TkcDBDataController* TkcLookupComboBoxProperties::GetListDBDataController() {
  return fGrid ? fGrid->DBDataController() : nullptr;
}

int TkcLookupComboBoxProperties::GetListWidth() {
  int width = 0;
  for (int i = 0; i < GetListColumnCount(); ++i) width += fGrid->Columns()->Items(i)->Width();
  return width;
}

int TkcLookupComboBoxProperties::SnapListHeight(int AHeight) { return fGrid->SnapHeight(AHeight); }

int TkcLookupComboBoxProperties::GetListHeightForRows(int ARowCount) { return fGrid->HeightForRows(ARowCount); }

bool TkcLookupComboBoxProperties::IsRowAtPoint(TPoint P) { return fGrid->IsRowAtPoint(P); }

void TkcLookupComboBoxProperties::SetListEvents(const TkcLookupCloseRequestEvent& ACloseRequest,
                                                const TNotifyEvent&) {
  // The grid asks only to close, accepting or not.
  fGrid->OnCloseRequest = ACloseRequest;
}

void TkcLookupComboBoxProperties::InitializeListAppearance(TkcLookAndFeel* ALookAndFeel, TColor AColor,
                                                           TFont* AFont) {
  fGrid->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
  fGrid->SetColor(AColor);
  if (AFont) fGrid->SetFont(AFont);
}

void TkcLookupComboBoxProperties::MakeFocusedRowVisible() { fGrid->MakeFocusedRowVisible(); }

void TkcLookupComboBoxProperties::ReleaseListCapture() {
  if (GetCaptureControl() == fGrid.get()) SetCaptureControl(nullptr);
}

int TkcLookupComboBoxProperties::FindRecordByText(int AItemIndex, const String& AText, bool APartial) {
  if (IsGridMode()) return inherited::FindRecordByText(AItemIndex, AText, APartial);
  const int row = fGrid->FindRowByText(AItemIndex, AText, APartial);
  return row == -1 ? -1 : fGrid->DataController()->GetRowInfo(row).RecordIndex;
}

void TkcLookupComboBoxProperties::BeginListUpdate() { fGrid->BeginUpdate(); }

void TkcLookupComboBoxProperties::EndListUpdate() { fGrid->EndUpdate(); }

void TkcLookupComboBoxProperties::AddListColumn(const String& AFieldName) {
  if (!fGrid || AFieldName.empty() || IndexOfListColumn(AFieldName) != -1) return;
  // The looked-up field's column comes first. The grid's items follow its columns in the order
  // they were made, so the columns are made again rather than moved.
  String names = AFieldName;
  for (int i = 0; i < GetListColumnCount(); ++i) names += ";" + GetListColumnFieldName(i);
  fGrid->SetListFieldNames(names);
}

void TkcLookupComboBoxProperties::SetListFieldNamesOfList(const String& ANames) { fGrid->SetListFieldNames(ANames); }

TField* TkcLookupComboBoxProperties::GetListColumnField(int AIndex) { return fGrid->Column(AIndex)->Field(); }

String TkcLookupComboBoxProperties::GetListColumnFieldName(int AIndex) { return fGrid->Column(AIndex)->FieldName(); }

int TkcLookupComboBoxProperties::IndexOfListColumn(const String& AName) {
  TkcLookupDBGridColumn* column = fGrid ? fGrid->ColumnByFieldName(AName) : nullptr;
  return column ? column->Index() : -1;
}

TkcLookupGridColumns* TkcLookupComboBoxProperties::ListColumns() const {
  return fGrid->Columns();
}

void TkcLookupComboBoxProperties::SetListColumns(TkcLookupGridColumns* Value) {
  // An in-place editor takes its column's settings on every activation: columns of the same
  // count are assigned one by one, so a list bound to the same fields is not loaded again.
  TkcLookupGridColumns* columns = fGrid->Columns();
  if (Value && Value->Count() == columns->Count()) {
    fGrid->BeginUpdate();
    try {
      for (int i = 0; i < columns->Count(); ++i) columns->Items(i)->Assign(Value->Items(i));
    } catch (...) {
      fGrid->EndUpdate();
      throw;
    }
    fGrid->EndUpdate();
  } else {
    columns->Assign(Value);
  }
  AddLookupResultColumn();
  CheckTextColumnIndex();
}

void TkcLookupComboBoxProperties::SetListDataSource(TDataSource* Value) {
  if (fGrid) fGrid->SetDataSource(Value);
}

TDataSource* TkcLookupComboBoxProperties::GetListDataSource() { return fGrid ? fGrid->DataSource() : nullptr; }
