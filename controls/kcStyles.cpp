#include "controls/kcStyles.h"

#include <algorithm>

// ---- TkcCustomStyle -------------------------------------------------------------------------

TkcCustomStyle::~TkcCustomStyle() {
  // Each listener unregisters in response.
  while (!fListeners.empty()) {
    std::size_t before = fListeners.size();
    IkcStyleListener* last = fListeners.back();
    last->NotifyStyleRemoved(this);
    if (fListeners.size() == before && fListeners.back() == last) fListeners.pop_back();
  }
  SetStyleRepository(nullptr);
}

void TkcCustomStyle::AnnounceChange() {
  for (int i = static_cast<int>(fListeners.size()) - 1; i >= 0; --i)
    if (i < static_cast<int>(fListeners.size())) fListeners[i]->NotifyStyleChanged(this);
}

void TkcCustomStyle::AddStyleListener(IkcStyleListener* AListener) {
  if (std::find(fListeners.begin(), fListeners.end(), AListener) == fListeners.end()) fListeners.push_back(AListener);
}

void TkcCustomStyle::RemoveStyleListener(IkcStyleListener* AListener) {
  auto it = std::find(fListeners.begin(), fListeners.end(), AListener);
  if (it != fListeners.end()) fListeners.erase(it);
}

// Moves an object from the list of its old repository to that of the new one.
template <class T>
void ChangeRepository(T* AObject, TkcStyleRepository*& AField, TkcStyleRepository* AValue,
                      std::vector<T*> TkcStyleRepository::*AList) {
  if (AField == AValue) return;
  if (AField) {
    auto& list = AField->*AList;
    list.erase(std::remove(list.begin(), list.end(), AObject), list.end());
  }
  AField = AValue;
  if (AValue) (AValue->*AList).push_back(AObject);
}

void TkcCustomStyle::SetStyleRepository(TkcStyleRepository* Value) {
  ChangeRepository<TkcCustomStyle>(this, fStyleRepository, Value, &TkcStyleRepository::fStyles);
}

// ---- TkcStyle -------------------------------------------------------------------------------

TkcStyle::TkcStyle(TComponent* AOwner)
    : TkcCustomStyle(AOwner), fBitmap(std::make_unique<TBitmap>()), fFont(std::make_unique<TFont>()) {
  fFont->OnChange = TNotifyEvent(this, &TkcStyle::FontChanged);
}

TkcStyle::~TkcStyle() { fFont->OnChange = nullptr; }

void TkcStyle::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcStyle*>(Source)) {
    SetBitmap(s->Bitmap());
    SetColor(s->Color());
    SetFont(s->Font());
    SetTextColor(s->TextColor());
    SetAssignedValues(s->AssignedValues());
    return;
  }
  inherited::Assign(Source);
}

void TkcStyle::ResetValues() {
  fAssignedValues.Clear();
  fBitmap->SetSize(0, 0);
  fColor = clDefault;
  fTextColor = clDefault;
  AnnounceChange();
}

void TkcStyle::SetAssignedValues(TkcStyleValues Value) {
  if (fAssignedValues == Value) return;
  fAssignedValues = Value;
  AnnounceChange();
}

void TkcStyle::SetColorValue(TColor& AField, TColor Value, TkcStyleValue AValue) {
  if (AField == Value) return;
  AField = Value;
  if (Value == clDefault)
    fAssignedValues.Exclude(AValue);
  else
    fAssignedValues.Include(AValue);
  AnnounceChange();
}

void TkcStyle::SetColor(TColor Value) { SetColorValue(fColor, Value, svColor); }
void TkcStyle::SetTextColor(TColor Value) { SetColorValue(fTextColor, Value, svTextColor); }

void TkcStyle::SetBitmap(TBitmap* Value) {
  if (Value && !Value->Empty())
    fBitmap->Assign(Value);
  else
    fBitmap->SetSize(0, 0);
  if (fBitmap->Empty())
    fAssignedValues.Exclude(svBitmap);
  else
    fAssignedValues.Include(svBitmap);
  AnnounceChange();
}

void TkcStyle::SetFont(TFont* Value) {
  if (Value) fFont->Assign(Value);
  fAssignedValues.Include(svFont);
  AnnounceChange();
}

void TkcStyle::FontChanged(TObject*) {
  fAssignedValues.Include(svFont);
  AnnounceChange();
}

bool IsStyleValueAssigned(TkcCustomStyle* AStyle, TkcStyleValue AValue) {
  auto* style = dynamic_cast<TkcStyle*>(AStyle);
  return style && style->AssignedValues().Contains(AValue);
}

// ---- TkcCustomStyles ------------------------------------------------------------------------

TkcCustomStyles::~TkcCustomStyles() {
  fDestroying = true;
  Clear();
  SetStyleSheet(nullptr);
}

bool TkcCustomStyles::GetInterface(const TGUID& IID, void** Obj) {
  return GetInterfaceOf<IkcStyleListener>(this, IID, Obj) || inherited::GetInterface(IID, Obj);
}

void TkcCustomStyles::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcCustomStyles*>(Source)) {
    SetStyleSheet(s->StyleSheet());
    return;
  }
  inherited::Assign(Source);
}

bool TkcCustomStyles::FindItem(int Index, int& Position) const {
  auto it = std::lower_bound(fItems.begin(), fItems.end(), Index, [](const Item& i, int v) { return i.Index < v; });
  Position = static_cast<int>(it - fItems.begin());
  return it != fItems.end() && it->Index == Index;
}

bool TkcCustomStyles::IsOwnerBeingWritten() {
  auto* owner = dynamic_cast<TComponent*>(Owner());
  return owner && owner->ComponentState().Contains(csWriting);
}

TkcCustomStyle* TkcCustomStyles::GetStyleByIndex(int Index) {
  int position;
  if (FindItem(Index, position)) return fItems[position].Style;
  if (fStyleSheet && !IsOwnerBeingWritten()) return fStyleSheet->Styles()->GetStyleByIndex(Index);
  return nullptr;
}

void TkcCustomStyles::SetStyleByIndex(int Index, TkcCustomStyle* AStyle) {
  // An inherited form uses its own copy of a style of its ancestor form.
  if (AStyle && !AStyle->Name().empty()) {
    TPersistent* top = this;
    while (TPersistent* up = GetPersistentOwner(top)) top = up;
    auto* topComponent = dynamic_cast<TComponent*>(top);
    TComponent* styleOwner = AStyle->Owner();
    if (topComponent && styleOwner && topComponent != styleOwner && topComponent->InheritsFrom(styleOwner->ClassType()))
      if (auto* own = dynamic_cast<TkcCustomStyle*>(topComponent->FindComponent(AStyle->Name()))) AStyle = own;
  }
  if (AStyle == GetStyleByIndex(Index)) return;
  int position;
  if (FindItem(Index, position)) {
    fItems[position].Style->RemoveStyleListener(this);
    if (AStyle) {
      fItems[position].Style = AStyle;
      AStyle->AddStyleListener(this);
    } else {
      fItems.erase(fItems.begin() + position);
    }
  } else if (AStyle) {
    fItems.insert(fItems.begin() + position, Item{Index, AStyle});
    AStyle->AddStyleListener(this);
  } else {
    return;
  }
  DoStyleIndexChanged(Index);
}

void TkcCustomStyles::DeleteItem(int Position) {
  Item item = fItems[Position];
  fItems.erase(fItems.begin() + Position);
  item.Style->RemoveStyleListener(this);
  DoStyleIndexChanged(item.Index);
}

void TkcCustomStyles::Clear() {
  while (!fItems.empty()) DeleteItem(Count() - 1);
}

void TkcCustomStyles::NotifyStyleChanged(TkcCustomStyle* Sender) {
  for (std::size_t i = 0; i < fItems.size(); ++i)
    if (fItems[i].Style == Sender) DoStyleIndexChanged(fItems[i].Index);
}

void TkcCustomStyles::NotifyStyleRemoved(TkcCustomStyle* Sender) {
  for (int i = Count() - 1; i >= 0; --i)
    if (i < Count() && fItems[i].Style == Sender) DeleteItem(i);
}

void TkcCustomStyles::DoStyleIndexChanged(int Index) {
  if (fDestroying) return;
  Changed(Index);
  if (fOwnerStyleSheet) fOwnerStyleSheet->SheetSlotChanged(Index);
}

void TkcCustomStyles::SetStyleSheet(TkcCustomStyleSheet* Value) {
  if (Value == fStyleSheet) return;
  if (Value) {
    if (Value == fOwnerStyleSheet || Value->GetSheetStylesClass().ClassInfo() != ClassType()) return;
    // A chain that comes back to this object's own sheet would be a cycle.
    for (TkcCustomStyleSheet* s = Value; s; s = s->Styles()->StyleSheet())
      if (fOwnerStyleSheet && s == fOwnerStyleSheet) return;
  }
  std::vector<int> indexes;
  auto collect = [&indexes](TkcCustomStyleSheet* sheet) {
    for (TkcCustomStyleSheet* s = sheet; s; s = s->Styles()->StyleSheet())
      for (const Item& item : s->Styles()->fItems)
        if (std::find(indexes.begin(), indexes.end(), item.Index) == indexes.end()) indexes.push_back(item.Index);
  };
  if (fStyleSheet) {
    if (!fDestroying) collect(fStyleSheet);
    auto& users = fStyleSheet->fUsers;
    users.erase(std::remove(users.begin(), users.end(), this), users.end());
  }
  fStyleSheet = Value;
  if (Value) {
    Value->fUsers.push_back(this);
    collect(Value);
  }
  for (int index : indexes) DoStyleIndexChanged(index);
}

// ---- TkcStyles ------------------------------------------------------------------------------

TkcVisualParams TkcStyles::GetVisualParams(int Index, TObject* AData, TkcCustomStyle* AStyle) {
  auto* slot = dynamic_cast<TkcStyle*>(GetStyleByIndex(Index));
  auto* over = dynamic_cast<TkcStyle*>(AStyle);
  auto pick = [&](TkcStyleValue v) -> TkcStyle* {
    if (over && over->AssignedValues().Contains(v)) return over;
    if (slot && slot->AssignedValues().Contains(v)) return slot;
    return nullptr;
  };
  TkcVisualParams params;
  if (BitmapsInVisualParams)
    if (TkcStyle* s = pick(svBitmap)) params.Bitmap = s->Bitmap();
  if (TkcStyle* s = pick(svColor)) params.Color = s->Color();
  if (TkcStyle* s = pick(svFont)) params.Font = s->Font();
  if (TkcStyle* s = pick(svTextColor)) params.TextColor = s->TextColor();
  bool complete = params.Color != clDefault && params.Font && params.TextColor != clDefault &&
                  (!BitmapsInVisualParams || params.Bitmap);
  if (complete) return params;
  TkcVisualParams defaults = GetDefaultVisualParams(Index, AData);
  if (!params.Bitmap) params.Bitmap = defaults.Bitmap;
  if (params.Color == clDefault) params.Color = defaults.Color;
  if (!params.Font) params.Font = defaults.Font;
  if (params.TextColor == clDefault) params.TextColor = defaults.TextColor;
  return params;
}

TkcVisualParams TkcStyles::GetDefaultVisualParams(int Index, TObject*) {
  if (Index > fMaxDefaultIndex) fMaxDefaultIndex = Index;
  return TkcVisualParams{};
}

bool TkcStyles::UsesDefaultFont(int Index) { return !IsStyleValueAssigned(GetStyleByIndex(Index), svFont); }

TBitmap* TkcStyles::GetStyleBitmap(int Index) {
  auto* style = dynamic_cast<TkcStyle*>(GetStyleByIndex(Index));
  return style && style->AssignedValues().Contains(svBitmap) && !style->Bitmap()->Empty() ? style->Bitmap() : nullptr;
}

void TkcStyles::FontChanged(TFont* AFont) {
  for (int i = 0; i <= fMaxDefaultIndex; ++i)
    if (UsesDefaultFont(i) && GetDefaultVisualParams(i, nullptr).Font == AFont) DoStyleIndexChanged(i);
}

// ---- TkcCustomStyleSheet --------------------------------------------------------------------

TkcCustomStyleSheet::TkcCustomStyleSheet(TComponent* AOwner) : TkcComponent(AOwner) { BuiltIn = IsDesigning(); }

TkcCustomStyleSheet::~TkcCustomStyleSheet() {
  Destroying();
  while (!fUsers.empty()) fUsers.back()->SetStyleSheet(nullptr);
  SetStyleRepository(nullptr);
  fStyles.reset();
}

TkcCustomStyles* TkcCustomStyleSheet::Styles() {
  if (!fStyles) {
    fStyles.reset(GetSheetStylesClass().Create(this));
    fStyles->fOwnerStyleSheet = this;
  }
  return fStyles.get();
}

void TkcCustomStyleSheet::Assign(TPersistent* Source) {
  if (auto* s = dynamic_cast<TkcCustomStyleSheet*>(Source)) {
    SetCaption(s->Caption());
    Styles()->Assign(s->Styles());
    return;
  }
  inherited::Assign(Source);
}

void TkcCustomStyleSheet::SetCaption(const String& Value) {
  if (Value == Caption()) return;
  fCaption = SameText(Value, Name()) ? String() : Value;
}

void TkcCustomStyleSheet::SetStyleRepository(TkcStyleRepository* Value) {
  ChangeRepository<TkcCustomStyleSheet>(this, fStyleRepository, Value, &TkcStyleRepository::fSheets);
}

void TkcCustomStyleSheet::SheetSlotChanged(int Index) {
  for (std::size_t i = 0; i < fUsers.size(); ++i) fUsers[i]->DoStyleIndexChanged(Index);
  RefreshFakeComponentLinks();
}

void TkcCustomStyleSheet::CollectFakeComponentLinks(std::vector<TComponent*>& AList) {
  if (!Owner()) return;
  TkcCustomStyles* styles = Styles();
  for (int i = 0; i < styles->Count(); ++i) {
    TComponent* owner = styles->ItemStyle(i)->Owner();
    if (owner && owner != Owner() && std::find(AList.begin(), AList.end(), owner) == AList.end())
      AList.push_back(owner);
  }
}

// ---- TkcStyleRepository ---------------------------------------------------------------------

TkcStyleRepository::~TkcStyleRepository() {
  while (!fStyles.empty()) delete fStyles.back();
  while (!fSheets.empty()) delete fSheets.back();
}

TkcCustomStyle* TkcStyleRepository::NewStyleOwned(TkcCustomStyleClass AStyleClass, TComponent* AOwner) {
  TkcCustomStyle* style = AStyleClass.Create(AOwner);
  style->SetStyleRepository(this);
  return style;
}

TkcCustomStyleSheet* TkcStyleRepository::NewStyleSheetOwned(TkcCustomStyleSheetClass ASheetClass, TComponent* AOwner) {
  TkcCustomStyleSheet* sheet = ASheetClass.Create(AOwner);
  sheet->SetStyleRepository(this);
  return sheet;
}

std::vector<TComponent*> TkcStyleRepository::GetChildren(TComponent* ARoot) const {
  std::vector<TComponent*> children;
  for (auto* s : fStyles)
    if (s->Owner() == ARoot) children.push_back(s);
  for (auto* s : fSheets)
    if (s->Owner() == ARoot) children.push_back(s);
  return children;
}
