#include "filter-builder/kcFilterDialog.h"

#include <set>

#include "controls/kcLocalize.h"
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
    auto* c = new TComboBox(this);
    c->SetParent(this);
    c->SetStyle(csDropDownList);
    c->SetBounds(8, y, 193, 21);
    c->SetTabOrder(tab);
    return c;
  };
  auto edit = [this](int y) {
    auto* e = new TEdit(this);
    e->SetParent(this);
    e->SetBounds(208, y, 193, 21);
    return e;
  };
  auto radio = [this](int x, int w, int tab) {
    auto* r = new TRadioButton(this);
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
  edValue1 = edit(46);
  edValue1->SetTabOrder(1);
  rbAnd = radio(56, 60, 2);
  rbAnd->SetChecked(true);
  rbOr = radio(120, 65, 3);
  cbOperator2 = combo(96, 4);
  edValue2 = edit(96);
  edValue2->SetTabOrder(5);
  lblSingle = label(8, 134, 185, 13);
  lblSeries = label(8, 153, 200, 13);
  btnOK = new TButton(this);
  btnOK->SetParent(this);
  btnOK->SetBounds(248, 144, 75, 23);
  btnOK->SetDefault(true);
  btnOK->SetModalResult(mrOk);
  btnOK->SetTabOrder(6);
  btnCancel = new TButton(this);
  btnCancel->SetParent(this);
  btnCancel->SetBounds(330, 144, 75, 23);
  btnCancel->SetCancel(true);
  btnCancel->SetModalResult(mrCancel);
  btnCancel->SetTabOrder(7);
  cbOperator1->OnSelect = [this](TObject*) { UpdateWildcardHints(); };
  cbOperator2->OnSelect = [this](TObject*) { UpdateWildcardHints(); };
  OnCloseQuery = [this](TObject* Sender, bool& CanClose) { FormCloseQuery(Sender, CanClose); };
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
  cbOperator2->Items()->Assign(cbOperator1->Items());
  cbOperator2->Items()->InsertObject(0, "", nullptr);
  cbOperator2->SetItemIndex(0);
  rbAnd->SetCaption(LocalizeText("AND"));
  rbOr->SetCaption(LocalizeText("OR"));
  lblColumnCaption->SetTransparent(false);
  lblColumnCaption->SetCaption(ACaption + " ");
  if (TkcFilterCriteriaItem* condition = FindCondition(ACriteria->Root(), AItemLink)) {
    LoadConditionRow(cbOperator1, edValue1, condition);
    TkcFilterCriteriaItemList* parent = condition->Parent();
    if (parent != ACriteria->Root() && parent->GetCount() > 1 && !parent->GetItem(1)->IsItemList()) {
      rbAnd->SetChecked(parent->BoolOperatorKind() == fboAnd);
      rbOr->SetChecked(parent->BoolOperatorKind() != fboAnd);
      LoadConditionRow(cbOperator2, edValue2, static_cast<TkcFilterCriteriaItem*>(parent->GetItem(1)));
    }
  }
  UpdateWildcardHints();
  return true;
}

void TkcFilterDialog::FillOperatorCombo(TComboBox* ABox) {
  ABox->Items()->Clear();
  for (int i = kcoEqual; i <= kLastConditionOperator; ++i)
    if (fOperators.Contains(static_cast<TkcConditionOperator>(i)))
      ABox->Items()->AddObject(GetConditionOperatorText(static_cast<TkcConditionOperator>(i)),
                               reinterpret_cast<TObject*>(static_cast<std::intptr_t>(i)));
}

TkcConditionOperator TkcFilterDialog::GetSelectedOperator(TComboBox* ABox) const {
  int index = ABox->ItemIndex();
  if (index < 0 || index >= ABox->Items()->Count()) return kcoNone;
  return static_cast<TkcConditionOperator>(reinterpret_cast<std::intptr_t>(ABox->Items()->Objects(index)));
}

int TkcFilterDialog::IndexOfOperator(TComboBox* ABox, TkcConditionOperator AOperator) const {
  return ABox->Items()->IndexOfObject(reinterpret_cast<TObject*>(static_cast<std::intptr_t>(AOperator)));
}

void TkcFilterDialog::LoadConditionRow(TComboBox* ABox, TEdit* AEdit, TkcFilterCriteriaItem* ACondition) {
  ABox->SetItemIndex(IndexOfOperator(ABox, OperatorOfCondition(ACondition)));
  AEdit->SetText(ACondition->Value().IsNull() ? String() : ACondition->DisplayValue());
}

void TkcFilterDialog::UpdateWildcardHints() {
  auto like = [this](TComboBox* ABox) {
    TkcConditionOperator op = GetSelectedOperator(ABox);
    return op == kcoLike || op == kcoNotLike;
  };
  bool visible = like(cbOperator1) || like(cbOperator2);
  lblSingle->SetVisible(visible);
  lblSeries->SetVisible(visible);
}

void TkcFilterDialog::ReadRow(TComboBox* ABox, TEdit* AEdit, Variant& AValue, String& AText) {
  AText = AEdit->Text();
  AValue = AText;
  ValidateConditionValue(nullptr, AValue, GetSelectedOperator(ABox), fValueType, fHelper);
}

void TkcFilterDialog::FormCloseQuery(TObject*, bool& CanClose) {
  if (ModalResult() != mrOk) return;
  CanClose = false;
  try {
    ReadRow(cbOperator1, edValue1, fValues[0], fTexts[0]);
    fValues[1] = Null();
    fTexts[1].clear();
    // A second row whose operator is empty is no condition: its value is not read.
    if (GetSelectedOperator(cbOperator2) != kcoNone) ReadRow(cbOperator2, edValue2, fValues[1], fTexts[1]);
  } catch (const Exception&) {
    // The dialog stays open and shows why.
    SetModalResult(mrNone);
    Application->HandleException(this, std::current_exception());
    return;
  }
  CanClose = true;
}

void TkcFilterDialog::AddConditionFromRow(TkcFilterCriteriaItemList* AGroup, TComboBox* ABox, Variant AValue,
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

bool ExecuteFilterDialog(TkcFilterCriteria* ACriteria, TObject* AItemLink, TkcCustomEditProperties* AProperties,
                         TFont* AFont, TkcValueTypeClass AValueTypeClass, const String& ACaption) {
  auto dialog = std::make_unique<TkcFilterDialog>(Application);
  if (!dialog->Prepare(ACriteria, AItemLink, AProperties, AValueTypeClass, ACaption)) return false;
  if (AFont) dialog->Font()->Assign(AFont);
  if (dialog->ShowModal() != mrOk) return false;
  dialog->ApplyToCriteria();
  return true;
}
