#include "filter-builder/kcFilterControlModel.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "controls/kcLocalize.h"
#include "editors/kcTextEdit.h"

namespace {

[[noreturn]] void CantBuildFilter() { RaiseFilterControlError(LocalizeText("Can't build filter from source")); }

// Runs AWork inside the model's update bracket, closing it also when AWork raises.
template <class F>
void InModelUpdate(TkcFilterControlModel& AModel, F&& AWork) {
  AModel.BeginUpdate();
  try {
    AWork();
  } catch (...) {
    AModel.EndUpdate();
    throw;
  }
  AModel.EndUpdate();
}

}  // namespace

// ---- Criteria -------------------------------------------------------------------------------

int TkcFilterControlCriteria::GetIDByItemLink(TObject* AItemLink) {
  return static_cast<int>(reinterpret_cast<std::intptr_t>(AItemLink));
}

TObject* TkcFilterControlCriteria::GetItemLinkByID(int AID) {
  return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(AID));
}

TkcFilterCriteriaItemClass TkcFilterControlCriteria::GetItemClass() {
  return TkcFilterControlCriteriaItem::StaticClass();
}

int TkcFilterControlCriteriaItem::LinkIndex() {
  auto* criteria = dynamic_cast<TkcFilterControlCriteria*>(GetCriteria());
  return criteria && criteria->Control() ? criteria->Control()->IndexOfItemLink(ItemLink()) : -1;
}

String TkcFilterControlCriteriaItem::GetFieldCaption() {
  int index = LinkIndex();
  return index < 0 ? String()
                   : static_cast<TkcFilterControlCriteria*>(GetCriteria())->Control()->Link()->GetCaption(index);
}

String TkcFilterControlCriteriaItem::GetFieldName() {
  int index = LinkIndex();
  return index < 0 ? String()
                   : static_cast<TkcFilterControlCriteria*>(GetCriteria())->Control()->Link()->GetFieldName(index);
}

// ---- Rows -----------------------------------------------------------------------------------

TkcCustomRowViewInfo::TkcCustomRowViewInfo(TkcFilterControlModel* AControl, TkcCustomFilterCriteriaItem* ACriteriaItem,
                                           TkcGroupViewInfo* AParent)
    : fControl(AControl), fParent(AParent), fCriteriaItem(ACriteriaItem), fLevel(AParent ? AParent->Level() + 1 : 0) {
  ButtonText = AParent ? String("...") : LocalizeText("Filter");
  if (AParent) AParent->fRows.push_back(this);
}

TkcCustomRowViewInfo::~TkcCustomRowViewInfo() {
  if (fParent) {
    auto& rows = fParent->fRows;
    rows.erase(std::remove(rows.begin(), rows.end(), this), rows.end());
  }
}

TkcGroupViewInfo::TkcGroupViewInfo(TkcFilterControlModel* AControl, TkcFilterCriteriaItemList* ACriteriaItem,
                                   TkcGroupViewInfo* AParent)
    : TkcCustomRowViewInfo(AControl, ACriteriaItem, AParent) {
  if (ACriteriaItem) BoolOperator = ACriteriaItem->BoolOperatorKind();
  Caption = AParent ? LocalizeText("applies to the following conditions") : LocalizeText("<root>");
}

TkcGroupViewInfo::~TkcGroupViewInfo() { DeleteRows(); }

void TkcGroupViewInfo::DeleteRows() {
  while (!fRows.empty()) delete fRows.back();
}

int TkcGroupViewInfo::IndexOf(const TkcCustomRowViewInfo* ARow) const {
  auto it = std::find(fRows.begin(), fRows.end(), ARow);
  return it == fRows.end() ? -1 : static_cast<int>(it - fRows.begin());
}

void TkcGroupViewInfo::MoveRow(TkcCustomRowViewInfo* ARow, int AIndex) {
  int from = IndexOf(ARow);
  if (from < 0 || AIndex < 0 || AIndex >= RowCount() || from == AIndex) return;
  fRows.erase(fRows.begin() + from);
  fRows.insert(fRows.begin() + AIndex, ARow);
}

TkcValueInfo* TkcValuesViewInfo::AddValue() {
  fValues.push_back(std::make_unique<TkcValueInfo>());
  return fValues.back().get();
}

void TkcValuesViewInfo::Delete(int AIndex) {
  if (AIndex >= 0 && AIndex < Count()) fValues.erase(fValues.begin() + AIndex);
}

String TkcValuesViewInfo::Separator() const {
  switch (fCondition->Operator()) {
    case kcoBetween:
    case kcoNotBetween: return LocalizeText("and");
    case kcoInList:
    case kcoNotInList: return ", ";
    default: return String();
  }
}

TkcConditionViewInfo::TkcConditionViewInfo(TkcFilterControlModel* AControl, TkcFilterCriteriaItem* ACriteriaItem,
                                           TkcGroupViewInfo* AParent)
    : TkcCustomRowViewInfo(AControl, ACriteriaItem, AParent), fValues(std::make_unique<TkcValuesViewInfo>(this)) {
  if (!ACriteriaItem) return;
  ItemLink = ACriteriaItem->ItemLink();
  ItemIndex = AControl->IndexOfItemLink(ItemLink);
  if (!AControl->HasItems() || ItemIndex < 0 || ItemIndex >= AControl->Link()->GetCount()) CantBuildFilter();
  ItemText = AControl->Link()->GetCaption(ItemIndex);
  SetOperator(ConditionOperatorOf(ACriteriaItem->OperatorKind(),
                                  ACriteriaItem->GetCriteria()->ValueIsNull(ACriteriaItem->Value())));
  const Variant& value = ACriteriaItem->Value();
  if (fOperator == kcoBetween || fOperator == kcoNotBetween || fOperator == kcoInList || fOperator == kcoNotInList) {
    int position = 1;
    const String& texts = ACriteriaItem->DisplayValue();
    if (value.IsArray()) {
      for (int i = value.ArrayLowBound(); i <= value.ArrayHighBound(); ++i) {
        TkcValueInfo* info = fValues->AddValue();
        info->Value = value[i];
        info->ValueText = ExtractSemicolonItem(texts, position);
      }
    } else {
      // A scalar (a damaged or hand-made condition) is a one-item list.
      TkcValueInfo* info = fValues->AddValue();
      info->Value = value;
      info->ValueText = ExtractSemicolonItem(texts, position);
    }
  } else {
    TkcValueInfo* info = fValues->AddValue();
    // One value: of a list made elsewhere, its first.
    info->Value = !value.IsArray() ? value : value.ArrayCount() > 0 ? value[value.ArrayLowBound()] : Null();
    info->ValueText = ACriteriaItem->DisplayValue();
  }
  // A condition made elsewhere may hold too few or too many values for its operator.
  AdjustValues(true);
  RefreshEditor();
}

TkcConditionViewInfo::~TkcConditionViewInfo() = default;

void TkcConditionViewInfo::SetOperator(TkcConditionOperator Value) {
  fOperator = Value;
  fOperatorText = GetConditionOperatorText(Value);
}

void TkcConditionViewInfo::RefreshEditor() {
  fEditorProperties.reset();
  TkcFilterControlModel* control = Control();
  bool valid = control->HasItems() && ItemIndex >= 0 && ItemIndex < control->Link()->GetCount();
  TkcCustomEditProperties* source = valid ? control->Link()->GetProperties(ItemIndex) : nullptr;
  if (!source) source = control->DefaultProperties();
  fEditorHelper = GetFilterEditsController()->GetHelperClass(source->ClassType());
  if (!fEditorHelper) fEditorHelper = TkcFilterTextEditHelper::Class();
  TkcFilterEditClass editClass = fEditorHelper->GetFilterEditClass();
  TkcCustomEditPropertiesClass propertiesClass =
      editClass ? editClass->PropertiesClass : TkcCustomEditPropertiesClass(source->ClassType());
  fEditorProperties.reset(propertiesClass.Create(nullptr));
  fEditorHelper->InitializeProperties(fEditorProperties.get(), source, true);
  fValueType = valid ? control->Link()->GetValueType(ItemIndex) : nullptr;
  fSupportedOperators = fEditorHelper->GetSupportedOperators(source, fValueType, true);
  if (!control->Criteria()->SupportedLike())
    fSupportedOperators = fSupportedOperators.Without(kcLikeConditionOperators);
}

void TkcConditionViewInfo::SetItem(int AIndex) {
  TkcFilterControlModel* control = Control();
  if (!control->HasItems()) return;
  IkcFilterControl* link = control->Link();
  bool useDefault = AIndex < 0;
  if (useDefault) {
    AIndex = 0;
    if (control->SortItems)
      for (int i = 1; i < link->GetCount(); ++i)
        if (AnsiCompareText(link->GetCaption(i), link->GetCaption(AIndex)) < 0) AIndex = i;
  }
  if (AIndex >= link->GetCount()) return;
  if (!useDefault && AIndex == ItemIndex) return;
  ItemIndex = AIndex;
  ItemLink = link->GetItemLink(AIndex);
  ItemText = link->GetCaption(AIndex);
  TClass oldClass = fEditorProperties ? fEditorProperties->ClassType() : nullptr;
  RefreshEditor();
  SetOperator(fSupportedOperators.Contains(kcoLike) ? kcoLike : fSupportedOperators.First());
  AdjustValues(false);
  // The list's cached editor was set up for the old item.
  if (control->InplaceEditList && oldClass)
    control->InplaceEditList->RemoveItem(TkcCustomEditPropertiesClass(oldClass));
}

void TkcConditionViewInfo::AdjustValues(bool AKeep) {
  if (AKeep && HasValues()) {
    switch (fOperator) {
      case kcoBetween:
      case kcoNotBetween:
        while (fValues->Count() > 2) fValues->Delete(fValues->Count() - 1);
        while (fValues->Count() < 2) fValues->AddValue();
        return;
      case kcoInList:
      case kcoNotInList:
        if (fValues->Count() == 0) fValues->AddValue();
        return;
      default:
        while (fValues->Count() > 1) fValues->Delete(fValues->Count() - 1);
        if (fValues->Count() == 0) fValues->AddValue();
        return;
    }
  }
  fValues->Clear();
  fValues->AddValue();
}

// ---- Model ----------------------------------------------------------------------------------

TkcFilterControlModel::TkcFilterControlModel()
    : fCriteria(std::make_unique<TkcFilterControlCriteria>(this)),
      fDefaultProperties(std::make_unique<TkcTextEditProperties>(nullptr)) {
  RegisterStandardFilterEditHelpers();
  fRoot = std::make_unique<TkcGroupViewInfo>(this, nullptr, nullptr);
  fRows.push_back(fRoot.get());
}

TkcFilterControlModel::~TkcFilterControlModel() {
  fRows.clear();
  fRoot.reset();
}

void TkcFilterControlModel::EndUpdate() {
  if (--fLockCount == 0 && OnChanged) OnChanged();
}

int TkcFilterControlModel::IndexOfItemLink(TObject* AItemLink) {
  if (!fLink) return -1;
  int count = fLink->GetCount();
  for (int i = 0; i < count; ++i)
    if (fLink->GetItemLink(i) == AItemLink) return i;
  return -1;
}

void TkcFilterControlModel::RebuildRowList() {
  fRows.clear();
  std::vector<TkcCustomRowViewInfo*> stack{fRoot.get()};
  while (!stack.empty()) {
    TkcCustomRowViewInfo* row = stack.back();
    stack.pop_back();
    fRows.push_back(row);
    if (auto* group = dynamic_cast<TkcGroupViewInfo*>(row))
      for (int i = group->RowCount() - 1; i >= 0; --i) stack.push_back(group->Rows(i));
  }
}

void TkcFilterControlModel::ResetRows() {
  fRoot->DeleteRows();
  fRoot->BoolOperator = fboAnd;
  fRows.assign(1, fRoot.get());
}

void TkcFilterControlModel::BuildGroup(TkcGroupViewInfo* ARow, TkcFilterCriteriaItemList* AGroup) {
  for (int i = 0; i < AGroup->GetCount(); ++i) {
    TkcCustomFilterCriteriaItem* node = AGroup->GetItem(i);
    if (node->IsItemList()) {
      auto* list = static_cast<TkcFilterCriteriaItemList*>(node);
      BuildGroup(new TkcGroupViewInfo(this, list, ARow), list);
    } else {
      // The row adds itself to its group; a failure in its constructor leaves none behind.
      new TkcConditionViewInfo(this, static_cast<TkcFilterCriteriaItem*>(node), ARow);
    }
  }
}

void TkcFilterControlModel::BuildRowsFromCriteria() {
  InModelUpdate(*this, [&] {
    ResetRows();
    fRoot->BoolOperator = fCriteria->Root()->BoolOperatorKind();
    try {
      BuildGroup(fRoot.get(), fCriteria->Root());
    } catch (...) {
      RebuildRowList();
      throw;
    }
    RebuildRowList();
  });
}

bool TkcFilterControlModel::AreAllRowsComplete() {
  return std::all_of(fRows.begin(), fRows.end(), [](TkcCustomRowViewInfo* row) { return row->IsComplete(); });
}

void TkcFilterControlModel::AddConditionFromRow(TkcConditionViewInfo* ARow, TkcFilterCriteriaItemList* AGroup) {
  TkcValuesViewInfo* values = ARow->Values();
  String blank = LocalizeText("blank");
  Variant value = values->Count() > 0 ? values->Items(0)->Value : Null();
  String text = values->Count() > 0 ? values->Items(0)->ValueText : String();
  switch (ARow->Operator()) {
    case kcoEqual:
    case kcoNotEqual:
      if (value.IsNull()) text = blank;
      break;
    case kcoBlanks:
    case kcoNonBlanks:
      value = Null();
      text = blank;
      break;
    case kcoBetween:
    case kcoNotBetween: {
      int first = 0, second = values->Count() > 1 ? 1 : 0;
      if (CompareVariants(values->Items(first)->Value, values->Items(second)->Value) > 0) std::swap(first, second);
      value = VarArrayOf({values->Items(first)->Value, values->Items(second)->Value});
      text = values->Items(first)->ValueText + ";" + values->Items(second)->ValueText;
      break;
    }
    case kcoInList:
    case kcoNotInList: {
      value = VarArrayCreate(0, values->Count() - 1);
      text.clear();
      for (int i = 0; i < values->Count(); ++i) {
        value.SetItem(i, values->Items(i)->Value);
        if (i > 0) text += ";";
        text += values->Items(i)->ValueText;
      }
      break;
    }
    default:
      if (value.IsNull() || (value.IsStr() && VarToStr(value).empty())) text = blank;
      break;
  }
  fCriteria->AddItem(AGroup, ARow->ItemLink, ConditionOperatorKind(ARow->Operator()), value, text);
}

void TkcFilterControlModel::BuildCriteriaGroup(TkcGroupViewInfo* ARow, TkcFilterCriteriaItemList* AGroup) {
  for (int i = 0; i < ARow->RowCount(); ++i) {
    TkcCustomRowViewInfo* row = ARow->Rows(i);
    if (auto* group = dynamic_cast<TkcGroupViewInfo*>(row)) {
      TkcFilterCriteriaItemList* list = AGroup->AddItemList(fboAnd);
      list->SetBoolOperatorKind(group->BoolOperator);
      BuildCriteriaGroup(group, list);
    } else {
      AddConditionFromRow(static_cast<TkcConditionViewInfo*>(row), AGroup);
    }
  }
}

void TkcFilterControlModel::BuildCriteriaFromRows() {
  if (OnBeforeBuildCriteria) OnBeforeBuildCriteria();
  if (!AreAllRowsComplete()) return;
  fCriteria->BeginUpdate();
  try {
    fCriteria->Clear();
    fCriteria->Root()->SetBoolOperatorKind(fRoot->BoolOperator);
    BuildCriteriaGroup(fRoot.get(), fCriteria->Root());
  } catch (...) {
    fCriteria->EndUpdate();
    throw;
  }
  fCriteria->EndUpdate();
}

void TkcFilterControlModel::ApplyFilter() {
  if (!fLink) return;
  TkcFilterCriteria* target = fLink->GetCriteria();
  if (!target) return;
  BuildCriteriaFromRows();
  bool differs = target != fCriteria.get();
  auto restore = [&] {
    if (!differs) return;
    fCriteria->Assign(target);
    BuildRowsFromCriteria();
  };
  try {
    if (differs) target->AssignItems(fCriteria.get());
    if (OnApplyFilter) OnApplyFilter(Sender ? Sender : this);
  } catch (...) {
    restore();
    throw;
  }
  restore();
}

void TkcFilterControlModel::ClearAll() {
  InModelUpdate(*this, [&] {
    ResetRows();
    fCriteria->Clear();
  });
}

void TkcFilterControlModel::CheckLoadedCriteria(TkcFilterCriteriaItemList* AGroup) {
  for (int i = 0; i < AGroup->GetCount(); ++i) {
    TkcCustomFilterCriteriaItem* node = AGroup->GetItem(i);
    if (node->IsItemList()) {
      CheckLoadedCriteria(static_cast<TkcFilterCriteriaItemList*>(node));
      continue;
    }
    auto* item = static_cast<TkcFilterCriteriaItem*>(node);
    int index = IndexOfItemLink(item->ItemLink());
    if (index < 0) CantBuildFilter();
    // A range holds exactly two values, a list at least one, any other condition one value.
    const Variant& values = item->Value();
    const int count = values.IsArray() ? values.ArrayCount() : -1;
    bool fits = count < 0;
    switch (ConditionOperatorOf(item->OperatorKind(), false)) {
      case kcoBetween:
      case kcoNotBetween: fits = count == 2; break;
      case kcoInList:
      case kcoNotInList: fits = count != 0; break;
      default: break;
    }
    if (!fits) RaiseFilterControlError(LocalizeText("Invalid value"));
    TkcValueTypeClass type = fLink->GetValueType(index);
    if (!type || item->OperatorKind() == foLike || item->OperatorKind() == foNotLike) continue;
    const Variant& value = item->Value();
    bool accepted = true;
    auto check = [&](const Variant& AValue) {
      Variant copy = AValue;
      if (!type->TryConvert(copy)) accepted = false;
    };
    if (value.IsArray())
      for (int k = value.ArrayLowBound(); k <= value.ArrayHighBound(); ++k) check(value[k]);
    else
      check(value);
    if (!accepted) RaiseFilterControlError(LocalizeText("Invalid value"));
  }
}

void TkcFilterControlModel::LoadFromStream(TStream* AStream) {
  if (!HasItems()) CantBuildFilter();
  // Read and checked aside first, so that a damaged filter leaves the one in force.
  TkcFilterControlCriteria loaded(this);
  try {
    loaded.ReadData(AStream);
  } catch (const EkcFilterControlError&) {
    throw;
  } catch (const Exception& E) {
    RaiseFilterControlError(LocalizeText("The filter is damaged") + " (" + E.Message() + ")");
  }
  CheckLoadedCriteria(loaded.Root());
  ClearAll();
  fCriteria->Assign(&loaded);
  BuildRowsFromCriteria();
}

void TkcFilterControlModel::LoadFromFile(const String& AFileName) {
  TMemoryStream data;
  {
    TFileStream file(AFileName, fmOpenRead);
    data.CopyFrom(&file, 0);
  }
  data.SetPosition(0);
  if (!HasItems()) CantBuildFilter();
  TkcFilterControlCriteria loaded(this);
  try {
    loaded.ReadData(&data);
    if (data.Position() != data.Size()) throw EReadError("data after the filter's end");
  } catch (const Exception& E) {
    RaiseFilterControlError(LocalizeText("The filter file is damaged") + " (" + E.Message() + "): " + AFileName);
  }
  data.SetPosition(0);
  LoadFromStream(&data);
}

void TkcFilterControlModel::SaveToStream(TStream* AStream) {
  BuildCriteriaFromRows();
  fCriteria->WriteData(AStream);
}

void TkcFilterControlModel::SaveToFile(const String& AFileName) {
  TMemoryStream data;
  SaveToStream(&data);
  String temporary = AFileName + ".tmp";
  {
    TFileStream file(temporary, fmCreate);
    data.SetPosition(0);
    file.CopyFrom(&data, 0);
  }
  if (std::rename(temporary.c_str(), AFileName.c_str()) != 0) {
    DeleteFile(temporary);
    throw EFCreateError("Cannot create file \"" + AFileName + "\"");
  }
}

String TkcFilterControlModel::GetFilterCaption() {
  BuildCriteriaFromRows();
  return fCriteria->GetFilterCaption();
}

String TkcFilterControlModel::GetFilterText() {
  BuildCriteriaFromRows();
  return fCriteria->GetFilterText();
}

TkcConditionViewInfo* TkcFilterControlModel::AddCondition(TkcGroupViewInfo* AGroup) {
  TkcConditionViewInfo* row = nullptr;
  InModelUpdate(*this, [&] {
    row = new TkcConditionViewInfo(this, nullptr, AGroup ? AGroup : fRoot.get());
    row->RefreshEditor();
    row->SetItem(-1);
    RebuildRowList();
  });
  return row;
}

TkcGroupViewInfo* TkcFilterControlModel::AddGroup(TkcGroupViewInfo* AGroup) {
  TkcGroupViewInfo* row = nullptr;
  InModelUpdate(*this, [&] {
    row = new TkcGroupViewInfo(this, nullptr, AGroup ? AGroup : fRoot.get());
    RebuildRowList();
  });
  return row;
}

void TkcFilterControlModel::RemoveRow(TkcCustomRowViewInfo* ARow) {
  if (!ARow || ARow == fRoot.get()) return;
  InModelUpdate(*this, [&] {
    delete ARow;
    RebuildRowList();
  });
}
