#include "editors/kcFilterEditHelpers.h"

#include <algorithm>

#include "editors/kcMaskEdit.h"

namespace {

constexpr unsigned Bits(std::initializer_list<TkcConditionOperator> AOperators) {
  unsigned bits = 0;
  for (TkcConditionOperator op : AOperators) bits |= 1u << op;
  return bits;
}

// Equal to non-blanks, with and without LIKE; the extended set adds ranges and lists.
constexpr unsigned kcTextOperators = Bits({kcopEqual, kcopNotEqual, kcopLess, kcopLessEqual, kcopGreater,
                                           kcopGreaterEqual, kcopLike, kcopNotLike, kcopBlanks, kcopNonBlanks});
constexpr unsigned kcLikeOperators = Bits({kcopLike, kcopNotLike});
constexpr unsigned kcExtendedOperators = Bits({kcopBetween, kcopNotBetween, kcopInList, kcopNotInList});

TkcFilterTextEditHelper gTextHelper;
TkcFilterMaskEditHelper gMaskHelper;

}  // namespace

void TkcCustomFilterEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                     TkcCustomEditProperties* AEditProperties, bool AHasButtons) {
  AProperties->BeginUpdate();
  try {
    if (AEditProperties) AProperties->Assign(AEditProperties);
    AProperties->Alignment()->SetHorz(taLeftJustify);
    AProperties->Alignment()->SetVert(taTopJustify);
    AProperties->BeepOnError = false;
    if (!AHasButtons) AProperties->Buttons()->Clear();
    AProperties->SetReadOnly(false);
    AProperties->ValidateOnEnter = true;
    AProperties->SetDefaultValuesProvider(nullptr);
    AProperties->OnButtonClick = nullptr;
    AProperties->OnChange = nullptr;
    AProperties->OnClosePopup = nullptr;
    AProperties->OnEditValueChanged = nullptr;
    AProperties->OnValidate = nullptr;
  } catch (...) {
    AProperties->EndUpdate(true);
    throw;
  }
  AProperties->EndUpdate(true);
}

unsigned TkcCustomFilterEditHelper::GetSupportedOperators(TkcCustomEditProperties*, TkcValueTypeClass, bool AExtendedSet) {
  return (kcTextOperators & ~kcLikeOperators) | (AExtendedSet ? kcExtendedOperators : 0u);
}

void TkcFilterTextEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* AEditProperties, bool AHasButtons) {
  TkcCustomFilterEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  if (auto* text = dynamic_cast<TkcCustomTextEditProperties*>(AProperties)) text->OnNewLookupDisplayText = nullptr;
}

unsigned TkcFilterTextEditHelper::GetSupportedOperators(TkcCustomEditProperties* AProperties,
                                                        TkcValueTypeClass AValueTypeClass, bool AExtendedSet) {
  const bool text = AValueTypeClass && AValueTypeClass->InheritsFrom(TkcStringValueType::StaticClass());
  return (text ? kcTextOperators : kcTextOperators & ~kcLikeOperators) |
         TkcCustomFilterEditHelper::GetSupportedOperators(AProperties, AValueTypeClass, AExtendedSet);
}

void TkcFilterMaskEditHelper::InitializeProperties(TkcCustomEditProperties* AProperties,
                                                   TkcCustomEditProperties* AEditProperties, bool AHasButtons) {
  TkcFilterTextEditHelper::InitializeProperties(AProperties, AEditProperties, AHasButtons);
  auto* mask = dynamic_cast<TkcCustomMaskEditProperties*>(AProperties);
  if (!mask) return;
  // A regular-expression mask edits filter values with its forced characters filled in.
  if (mask->MaskKind() == emkRegExpr) mask->SetMaskKind(emkRegExprEx);
  mask->SetAutoSelect(!mask->IsMasked());
}

unsigned TkcFilterMaskEditHelper::GetSupportedOperators(TkcCustomEditProperties* AProperties,
                                                        TkcValueTypeClass AValueTypeClass, bool AExtendedSet) {
  auto* mask = dynamic_cast<TkcCustomMaskEditProperties*>(AProperties);
  if (mask && mask->IsMasked()) return TkcCustomFilterEditHelper::GetSupportedOperators(AProperties, AValueTypeClass, AExtendedSet);
  return TkcFilterTextEditHelper::GetSupportedOperators(AProperties, AValueTypeClass, AExtendedSet);
}

void TkcFilterEditsController::Register(TClass APropertiesClass, TkcCustomFilterEditHelper* AHelper) {
  for (auto& item : fItems)
    if (item.first == APropertiesClass) {
      item.second = AHelper;
      return;
    }
  fItems.emplace_back(APropertiesClass, AHelper);
}

void TkcFilterEditsController::Unregister(TClass APropertiesClass) {
  fItems.erase(std::remove_if(fItems.begin(), fItems.end(), [&](const auto& i) { return i.first == APropertiesClass; }),
               fItems.end());
}

TkcCustomFilterEditHelper* TkcFilterEditsController::FindHelper(TClass APropertiesClass) const {
  for (TClass c = APropertiesClass; c; c = c->ClassParent())
    for (const auto& item : fItems)
      if (item.first == c) return item.second;
  return nullptr;
}

TkcFilterEditsController* GetFilterEditsController() {
  static TkcFilterEditsController* controller = [] {
    auto* c = new TkcFilterEditsController;
    c->Register(TkcTextEditProperties::StaticClass(), &gTextHelper);
    c->Register(TkcMaskEditProperties::StaticClass(), &gMaskHelper);
    return c;
  }();
  return controller;
}
