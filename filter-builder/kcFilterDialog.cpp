#include "filter-builder/kcFilterDialog.h"

#include <set>

#include "controls/kcLocalize.h"
#include "editors/kcTextEdit.h"
#include "platform/core/Utf8.h"

namespace {

bool IsSimpleKind(TkcFilterOperatorKind AKind) { return AKind <= foNotLike; }

// Operators 1..8 are kinds 0..7; the blank tests are equal / not equal with Null.
TkcConditionOperator OperatorOfCondition(TkcFilterCriteriaItem* AItem) {
  return ConditionOperatorOf(AItem->OperatorKind(), AItem->GetCriteria()->ValueIsNull(AItem->Value()));
}

TkcFilterCriteriaItem* FindCondition(TkcFilterCriteriaItemList* AGroup, TObject* AItemLink) {
  for (int i = 0; i < AGroup->GetCount(); ++i) {
    TkcCustomFilterCriteriaItem* node = AGroup->GetItem(i);
    if (node->IsItemList()) {
      if (auto* found = FindCondition(static_cast<TkcFilterCriteriaItemList*>(node), AItemLink)) return found;
    } else if (static_cast<TkcFilterCriteriaItem*>(node)->ItemLink() == AItemLink) {
      return static_cast<TkcFilterCriteriaItem*>(node);
    }
  }
  return nullptr;
}

}  // namespace

bool IsComplexFilter(TkcFilterCriteria* ACriteria) {
  TkcFilterCriteriaItemList* root = ACriteria->Root();
  if (root->BoolOperatorKind() != fboAnd) return true;
  std::set<TObject*> met;
  for (int i = 0; i < root->GetCount(); ++i) {
    TkcCustomFilterCriteriaItem* node = root->GetItem(i);
    TObject* column;
    if (!node->IsItemList()) {
      auto* item = static_cast<TkcFilterCriteriaItem*>(node);
      if (!IsSimpleKind(item->OperatorKind())) return true;
      column = item->ItemLink();
    } else {
      auto* group = static_cast<TkcFilterCriteriaItemList*>(node);
      if (group->GetCount() != 2 || (group->BoolOperatorKind() != fboAnd && group->BoolOperatorKind() != fboOr))
        return true;
      if (group->GetItem(0)->IsItemList() || group->GetItem(1)->IsItemList()) return true;
      auto* a = static_cast<TkcFilterCriteriaItem*>(group->GetItem(0));
      auto* b = static_cast<TkcFilterCriteriaItem*>(group->GetItem(1));
      if (!IsSimpleKind(a->OperatorKind()) || !IsSimpleKind(b->OperatorKind()) || a->ItemLink() != b->ItemLink())
        return true;
      column = a->ItemLink();
    }
    if (!met.insert(column).second) return true;
  }
  return false;
}

TkcFilterDialog::TkcFilterDialog(TComponent* AOwner) : TForm(AOwner) {
  SetBorderStyle(bsDialog);
  SetBorderIcons(TBorderIcons{biSystemMenu});
  SetPosition(poScreenCenter);
  SetClientWidth(414);
  SetClientHeight(175);
  auto label = [this](int x, int y, int w, int h) {
    auto* l = new TLabel(this);
    l->SetParent(this);
    l->SetBounds(x, y, w, h);
    return l;
  };
  auto combo = [this](int y, int tab) {
    auto* c = new TkcComboBox(this);
    c->SetParent(this);
    c->Properties()->SetDropDownListStyle(lsFixedList);
    c->SetBounds(8, y, 193, 21);
    c->SetTabOrder(tab);
    return c;
  };
  auto radio = [this](int x, int w, int tab) {
    auto* r = new TkcRadioButton(this);
    r->SetParent(this);
    r->SetBounds(x, 74, w, 17);
    r->SetTabOrder(tab);
    return r;
  };
  lblTitle = label(8, 8, 87, 13);
  bvlLine = new TBevel(this);
  bvlLine->SetParent(this);
  bvlLine->SetBounds(8, 34, 396, 4);
  bvlLine->SetShape(bsTopLine);
  lblColumnCaption = label(8, 27, 71, 13);
  cbOperator1 = combo(46, 0);
  lblEdit1PlaceHolder = label(208, 46, 193, 21);
  lblEdit1PlaceHolder->SetVisible(false);
  rbAnd = radio(56, 60, 1);
  rbAnd->SetChecked(true);
  rbOr = radio(120, 65, 2);
  cbOperator2 = combo(96, 3);
  lblEdit2PlaceHolder = label(208, 96, 193, 21);
  lblEdit2PlaceHolder->SetVisible(false);
  lblSingle = label(8, 134, 185, 13);
  lblSeries = label(8, 153, 200, 13);
  btnOK = new TkcButton(this);
  btnOK->SetParent(this);
  btnOK->SetBounds(248, 144, 75, 23);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnOK->SetTabOrder(4);
  btnCancel = new TkcButton(this);
  btnCancel->SetParent(this);
  btnCancel->SetBounds(330, 144, 75, 23);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetTabOrder(5);
  cbOperator1->Properties()->OnChange = [this](TObject*) { OperatorChanged(0); };
  cbOperator2->Properties()->OnChange = [this](TObject*) { OperatorChanged(1); };
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
}

TkcFilterDialog::~TkcFilterDialog() {
  // The value editors have no owner: they go before the form frees its children.
  for (IkcFilterEdit*& edit : fEdits) {
    if (!edit) continue;
    edit->GetFilterEditControl()->SetParent(nullptr);
    delete edit;
    edit = nullptr;
  }
}

void TkcFilterDialog::DoShow() {
  TForm::DoShow();
  if (cbOperator1->CanFocus()) SetActiveControl(cbOperator1);
}

bool TkcFilterDialog::Prepare(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
                              TkcValueTypeClass AValueTypeClass, const String& ACaption) {
  if (!ACriteria || !AProperties) return false;
  RegisterStandardFilterEditHelpers();
  fHelper = GetFilterEditsController()->GetHelperClass(AProperties->ClassType());
  if (!fHelper) return false;
  fCriteria = ACriteria;
  fItemLink = AItemLink;
  fProperties = AProperties;
  fValueType = AValueTypeClass;
  fOperators = fHelper->GetSupportedOperators(AProperties, AValueTypeClass, false);
  if (!ACriteria->SupportedLike()) fOperators = fOperators.Without(kcLikeConditionOperators);
  SetCaption(LocalizeText("Custom Filter"));
  lblTitle->SetCaption(LocalizeText("Show rows where:"));
  btnOK->SetCaption(LocalizeText("OK"));
  btnCancel->SetCaption(LocalizeText("Cancel"));
  lblSingle->SetCaption(LocalizeText("Use") + " " + Ucs4ToUtf8(std::u32string(1, ACriteria->UnderscoreWildcard())) +
                        " " + LocalizeText("to represent any single character"));
  lblSeries->SetCaption(LocalizeText("Use") + " " + Ucs4ToUtf8(std::u32string(1, ACriteria->PercentWildcard())) + " " +
                        LocalizeText("to represent any series of characters"));
  FillOperatorCombo(cbOperator1);
  if (fOperators.Contains(kcoLike) && AValueTypeClass && AValueTypeClass->IsTextType())
    cbOperator1->SetItemIndex(IndexOfOperator(cbOperator1, kcoLike));
  else if (fOperators.Contains(kcoEqual))
    cbOperator1->SetItemIndex(IndexOfOperator(cbOperator1, kcoEqual));
  else
    cbOperator1->SetItemIndex(0);
  cbOperator1->Properties()->SetDropDownRows(cbOperator1->Properties()->Items()->Count());
  cbOperator2->Properties()->Items()->Assign(cbOperator1->Properties()->Items());
  cbOperator2->Properties()->Items()->InsertObject(0, "", nullptr);
  cbOperator2->Properties()->SetDropDownRows(cbOperator2->Properties()->Items()->Count());
  cbOperator2->SetItemIndex(0);
  TLabel* places[2] = {lblEdit1PlaceHolder, lblEdit2PlaceHolder};
  for (int row = 0; row < 2; ++row) {
    IkcFilterEdit* edit = CreateFilterEdit(fHelper, AProperties);
    if (!edit) return false;
    fEdits[row] = edit;
    TkcCustomEdit* control = edit->GetFilterEditControl();
    control->SetBoundsRect(places[row]->BoundsRect());
    control->SetParent(this);
    control->SetTabOrder(OperatorBox(row)->TabOrder() + 1);
  }
  rbAnd->SetTabOrder(fEdits[0]->GetFilterEditControl()->TabOrder() + 1);
  rbAnd->SetCaption(LocalizeText("AND"));
  rbOr->SetCaption(LocalizeText("OR"));
  lblColumnCaption->SetTransparent(false);
  lblColumnCaption->SetCaption(ACaption + " ");
  if (TkcFilterCriteriaItem* condition = FindCondition(ACriteria->Root(), AItemLink)) {
    LoadConditionRow(cbOperator1, fEdits[0], condition);
    TkcFilterCriteriaItemList* parent = condition->Parent();
    if (parent != ACriteria->Root() && parent->GetCount() > 1 && !parent->GetItem(1)->IsItemList()) {
      rbAnd->SetChecked(parent->BoolOperatorKind() == fboAnd);
      rbOr->SetChecked(parent->BoolOperatorKind() != fboAnd);
      LoadConditionRow(cbOperator2, fEdits[1], static_cast<TkcFilterCriteriaItem*>(parent->GetItem(1)));
    }
  }
  UpdateWildcardChars(0);
  UpdateWildcardChars(1);
  UpdateWildcardHints();
  return true;
}

void TkcFilterDialog::FillOperatorCombo(TkcComboBox* ABox) {
  TStringList* items = ABox->Properties()->Items();
  items->Clear();
  for (int i = kcoEqual; i <= kLastConditionOperator; ++i)
    if (fOperators.Contains(static_cast<TkcConditionOperator>(i)))
      items->AddObject(GetConditionOperatorText(static_cast<TkcConditionOperator>(i)),
                       reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i)));
}

TkcConditionOperator TkcFilterDialog::GetSelectedOperator(TkcComboBox* ABox) const {
  TStringList* items = ABox->Properties()->Items();
  int index = ABox->ItemIndex();
  if (index < 0 || index >= items->Count()) return kcoNone;
  return static_cast<TkcConditionOperator>(reinterpret_cast<std::intptr_t>(items->Objects(index)));
}

int TkcFilterDialog::IndexOfOperator(TkcComboBox* ABox, TkcConditionOperator AOperator) const {
  return ABox->Properties()->Items()->IndexOfObject(reinterpret_cast<TObject*>(static_cast<std::intptr_t>(AOperator)));
}

void TkcFilterDialog::LoadConditionRow(TkcComboBox* ABox, IkcFilterEdit* AEdit, TkcFilterCriteriaItem* ACondition) {
  ABox->SetItemIndex(IndexOfOperator(ABox, OperatorOfCondition(ACondition)));
  fHelper->WriteFilterValue(AEdit, AEdit->GetFilterEditProperties(), ACondition->Value());
}

void TkcFilterDialog::UpdateWildcardChars(int ARow) {
  auto* properties = dynamic_cast<TkcCustomTextEditProperties*>(fEdits[ARow]->GetFilterEditProperties());
  if (!properties) return;
  const TkcConditionOperator op = GetSelectedOperator(OperatorBox(ARow));
  const bool like = op == kcoLike || op == kcoNotLike;
  for (char32_t c : {fCriteria->UnderscoreWildcard(), fCriteria->PercentWildcard()})
    if (c < properties->ValidChars.size()) properties->ValidChars.set(c, like);
}

void TkcFilterDialog::OperatorChanged(int ARow) {
  if (!fEdits[ARow]) return;
  UpdateWildcardChars(ARow);
  UpdateWildcardHints();
}

void TkcFilterDialog::UpdateWildcardHints() {
  auto like = [this](TkcComboBox* ABox) {
    TkcConditionOperator op = GetSelectedOperator(ABox);
    return op == kcoLike || op == kcoNotLike;
  };
  bool visible = like(cbOperator1) || like(cbOperator2);
  lblSingle->SetVisible(visible);
  lblSeries->SetVisible(visible);
}

void TkcFilterDialog::ReadRow(TkcComboBox* ABox, IkcFilterEdit* AEdit, Variant& AValue, String& AText) {
  AValue = Null();
  AText.clear();
  fHelper->ReadFilterValue(AEdit, AEdit->GetFilterEditProperties(), AValue, AText);
  ValidateConditionValue(AEdit, AValue, GetSelectedOperator(ABox), fValueType, fHelper);
}

void TkcFilterDialog::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk) return;
  CanClose = false;
  try {
    // The editors' own checks first (a mask, a date), then the column's type.
    for (IkcFilterEdit* edit : fEdits) edit->GetFilterEditControl()->ValidateEdit(true);
    if (btnOK->CanFocus()) btnOK->SetFocus();
    ReadRow(cbOperator1, fEdits[0], fValues[0], fTexts[0]);
    fValues[1] = Null();
    fTexts[1].clear();
    // A second row whose operator is empty is no condition: its value is not read.
    if (GetSelectedOperator(cbOperator2) != kcoNone) ReadRow(cbOperator2, fEdits[1], fValues[1], fTexts[1]);
  } catch (const Exception&) {
    // The dialog stays open and shows why.
    SetModalResult(mrNone);
    Application->HandleException(this, std::current_exception());
    return;
  }
  CanClose = true;
}

void TkcFilterDialog::AddConditionFromRow(TkcFilterCriteriaItemList* AGroup, TkcComboBox* ABox, Variant AValue,
                                          String ADisplayText) {
  TkcConditionOperator op = GetSelectedOperator(ABox);
  if (op == kcoNone) return;
  if (op == kcoBlanks || op == kcoNonBlanks) {
    AValue = Null();
    ADisplayText = LocalizeText("blank");
  }
  if (AValue.IsNull() || (AValue.IsStr() && VarToStr(AValue).empty())) ADisplayText = LocalizeText("blank");
  fCriteria->AddItem(AGroup, fItemLink, ConditionOperatorKind(op), AValue, ADisplayText);
}

void TkcFilterDialog::ApplyToCriteria() {
  fCriteria->BeginUpdate();
  try {
    fCriteria->Root()->SetBoolOperatorKind(fboAnd);
    fCriteria->RemoveItemByItemLink(fItemLink);
    if (GetSelectedOperator(cbOperator2) != kcoNone) {
      TkcFilterCriteriaItemList* group = fCriteria->Root()->AddItemList(rbOr->Checked() ? fboOr : fboAnd);
      AddConditionFromRow(group, cbOperator1, fValues[0], fTexts[0]);
      AddConditionFromRow(group, cbOperator2, fValues[1], fTexts[1]);
    } else {
      AddConditionFromRow(nullptr, cbOperator1, fValues[0], fTexts[0]);
    }
  } catch (...) {
    fCriteria->EndUpdate();
    throw;
  }
  fCriteria->EndUpdate();
}

void TkcFilterDialog::SetLookAndFeel(TkcLookAndFeel* ALookAndFeel) {
  for (TkcCustomEdit* control : {static_cast<TkcCustomEdit*>(cbOperator1), static_cast<TkcCustomEdit*>(cbOperator2)})
    control->Style()->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
  for (IkcFilterEdit* edit : fEdits)
    if (edit) edit->GetFilterEditControl()->Style()->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
  for (TkcRadioButton* radio : {rbAnd, rbOr}) radio->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
  for (TkcButton* button : {btnOK, btnCancel}) button->LookAndFeel()->SetMasterLookAndFeel(ALookAndFeel);
}

bool ExecuteFilterDialog(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
                         TFont* AFont, TkcLookAndFeel* ALookAndFeel, TkcValueTypeClass AValueTypeClass,
                         const String& ACaption) {
  auto dialog = std::make_unique<TkcFilterDialog>(Application);
  if (!dialog->Prepare(ACriteria, AItemLink, AProperties, AValueTypeClass, ACaption)) return false;
  if (ALookAndFeel) dialog->SetLookAndFeel(ALookAndFeel);
  if (AFont) dialog->Font()->Assign(AFont);
  if (dialog->ShowModal() != mrOk) return false;
  dialog->ApplyToCriteria();
  return true;
}
