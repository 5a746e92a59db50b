#include "editors/kcEditRepository.h"

#include <algorithm>

#include "editors/kcComboBox.h"
#include "editors/kcMaskEdit.h"
#include "editors/kcPopupEdit.h"

// ---- Items -----------------------------------------------------------------------------------

TkcEditRepositoryItem::TkcEditRepositoryItem(TComponent* AOwner) : TComponent(AOwner) {}

TkcEditRepositoryItem::~TkcEditRepositoryItem() {
  // Listeners may remove themselves while told; each is told once, the last first.
  const std::vector<IkcEditRepositoryItemListener*> listeners = fListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    if (std::find(fListeners.begin(), fListeners.end(), *it) != fListeners.end()) (*it)->ItemRemoved(this);
  fListeners.clear();
  SetRepository(nullptr);
  if (fProperties) fProperties->OnPropertiesChanged = nullptr;
}

TkcCustomEditPropertiesClass TkcEditRepositoryItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcCustomEditProperties>();
}

TkcCustomEditProperties* TkcEditRepositoryItem::Properties() {
  if (!fProperties) {
    fProperties.reset(GetEditPropertiesClass().Create(this));
    fProperties->OnPropertiesChanged = TNotifyEvent(this, &TkcEditRepositoryItem::PropertiesChanged);
  }
  return fProperties.get();
}

void TkcEditRepositoryItem::SetRepository(TkcEditRepository* Value) {
  if (fRepository == Value) return;
  if (fRepository) fRepository->RemoveItem(this);
  fRepository = Value;
  if (fRepository) fRepository->InsertItem(this);
}

void TkcEditRepositoryItem::AddListener(IkcEditRepositoryItemListener* AListener) {
  if (std::find(fListeners.begin(), fListeners.end(), AListener) == fListeners.end()) fListeners.push_back(AListener);
}

void TkcEditRepositoryItem::RemoveListener(IkcEditRepositoryItemListener* AListener) {
  fListeners.erase(std::remove(fListeners.begin(), fListeners.end(), AListener), fListeners.end());
}

void TkcEditRepositoryItem::PropertiesChanged(TObject*) {
  const std::vector<IkcEditRepositoryItemListener*> listeners = fListeners;
  for (auto it = listeners.rbegin(); it != listeners.rend(); ++it)
    if (std::find(fListeners.begin(), fListeners.end(), *it) != fListeners.end()) (*it)->PropertiesChanged(this);
}

String TkcEditRepositoryItem::GetBaseName() {
  if (!fRepository) return String();
  static const String prefix = "TkcEditRepository";
  const String className = ClassName();
  const std::size_t pos = className.find(prefix);
  if (pos == String::npos) return fRepository->Name();
  return fRepository->Name() + className.substr(pos + prefix.size());
}

TkcCustomEditPropertiesClass TkcEditRepositoryTextItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcTextEditProperties>();
}

TkcCustomEditPropertiesClass TkcEditRepositoryMaskItem::GetEditPropertiesClass() {
  return TkcCustomEditPropertiesClass::Of<TkcMaskEditProperties>();
}

// ---- Repository ------------------------------------------------------------------------------

TkcEditRepository::~TkcEditRepository() { Clear(); }

TkcEditRepositoryItem* TkcEditRepository::AddNewItem(TkcEditRepositoryItemClass AItemClass) {
  return AddNewItemEx(AItemClass, this);
}

TkcEditRepositoryItem* TkcEditRepository::AddNewItemEx(TkcEditRepositoryItemClass AItemClass, TComponent* AOwner) {
  TkcEditRepositoryItem* item = AItemClass.Create(AOwner);
  item->SetRepository(this);
  return item;
}

void TkcEditRepository::Clear() {
  while (!fItems.empty()) fItems.back()->Free();
}

void TkcEditRepository::InsertItem(TkcEditRepositoryItem* AItem) {
  if (std::find(fItems.begin(), fItems.end(), AItem) == fItems.end()) fItems.push_back(AItem);
}

void TkcEditRepository::RemoveItem(TkcEditRepositoryItem* AItem) {
  fItems.erase(std::remove(fItems.begin(), fItems.end(), AItem), fItems.end());
}

// The process-wide objects live to the end of the process: their items' properties listen to
// other process-wide objects, whose order of destruction at exit is not ours to choose.
TkcEditRepository* GetDefaultEditRepository() {
  static TkcEditRepository* repository = new TkcEditRepository(nullptr);
  return repository;
}

TkcRegisteredClasses* GetEditPropertiesRegistry() {
  static TkcRegisteredClasses* registry = [] {
    auto* r = new TkcRegisteredClasses(false);
    r->SetSorted(true);
    r->Register(TkcTextEditProperties::StaticClass(), LocalizeText("TextEdit|Represents a single line text editor"));
    r->Register(TkcMaskEditProperties::StaticClass(),
                LocalizeText("MaskEdit|Represents a generic masked edit control."));
    r->Register(TkcComboBoxProperties::StaticClass(), LocalizeText("ComboBox|Represents the combo box editor"));
    r->Register(TkcPopupEditProperties::StaticClass(),
                LocalizeText("PopupEdit|Represents an edit control with a dropdown list"));
    return r;
  }();
  return registry;
}

// ---- Helpers ---------------------------------------------------------------------------------

bool VarEqualsWithType(const Variant& V1, const Variant& V2) {
  if (VarType(V1) != VarType(V2)) return false;
  try {
    return V1 == V2;
  } catch (const EVariantError&) {
    return false;
  }
}

bool IsSpaceChar(char32_t ACh) { return ACh == 0 || ACh == 9 || ACh == 10 || ACh == 12 || ACh == 13 || ACh == 32; }

void EnlargeSize(TSize& ASize, const TSize& AOther) {
  ASize.cx = std::max(ASize.cx, AOther.cx);
  ASize.cy = std::max(ASize.cy, AOther.cy);
}
