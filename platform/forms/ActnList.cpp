#include "platform/forms/ActnList.h"

#include <algorithm>

#include "platform/forms/Forms.h"

bool TBasicAction::Execute() {
  if (OnExecute) {
    OnExecute(this);
    return true;
  }
  return false;
}

bool TBasicAction::Update() {
  if (OnUpdate) {
    OnUpdate(this);
    return true;
  }
  return false;
}

void TBasicAction::UnRegisterChanges(const void* client) {
  fClients.erase(
      std::remove_if(fClients.begin(), fClients.end(), [&](const TNotifyEvent& e) { return e.Id().Object == client; }),
      fClients.end());
}

void TBasicAction::Change() {
  for (const TNotifyEvent& e : std::vector<TNotifyEvent>(fClients)) e(this);
}

TContainedAction::~TContainedAction() {
  if (fActionList) fActionList->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* v) {
  if (v == fActionList) return;
  if (fActionList) fActionList->RemoveAction(this);
  if (v) v->AddAction(this);
}

int TContainedAction::Index() const {
  if (!fActionList) return -1;
  for (int i = 0; i < fActionList->ActionCount(); ++i)
    if (fActionList->Actions(i) == this) return i;
  return -1;
}

bool TContainedAction::Execute() {
  if (fActionList && fActionList->State != asNormal) return false;
  if (fActionList && fActionList->ExecuteAction(this)) return true;
  if (TBasicAction::Execute()) return true;
  // A standard action finds its target: the focused control, which may run it in its own
  // way, else none.
  if (TWinControl* c = Screen->ActiveControl()) return c->ExecuteAction(this);
  if (HandlesTarget(nullptr)) {
    ExecuteTarget(nullptr);
    return true;
  }
  return false;
}

bool TContainedAction::Update() {
  if (fActionList && fActionList->State != asNormal) return false;
  if (fActionList && fActionList->UpdateAction(this)) return true;
  if (TBasicAction::Update()) return true;
  if (TWinControl* c = Screen->ActiveControl()) return c->UpdateAction(this);
  if (HandlesTarget(nullptr)) {
    UpdateTarget(nullptr);
    return true;
  }
  return false;
}

bool TControl::ExecuteAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->ExecuteTarget(this);
  return true;
}

bool TControl::UpdateAction(TBasicAction* Action) {
  if (!Action->HandlesTarget(this)) return false;
  Action->UpdateTarget(this);
  return true;
}

void TCustomAction::SetCaption(const String& v) {
  if (v == fCaption) return;
  fCaption = v;
  Change();
}
void TCustomAction::SetEnabled(bool v) {
  if (v == fEnabled) return;
  fEnabled = v;
  Change();
}
void TCustomAction::SetChecked(bool v) {
  if (v == fChecked) return;
  fChecked = v;
  if (v && GroupIndex > 0 && ActionList()) {
    for (int i = 0; i < ActionList()->ActionCount(); ++i)
      if (auto* o = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
          o && o != this && o->GroupIndex == GroupIndex)
        o->SetChecked(false);
  }
  Change();
}
void TCustomAction::SetVisible(bool v) {
  if (v == fVisible) return;
  fVisible = v;
  Change();
}
void TCustomAction::SetHint(const String& v) {
  fHint = v;
  Change();
}
void TCustomAction::SetImageIndex(int v) {
  if (v == fImageIndex) return;
  fImageIndex = v;
  Change();
}
void TCustomAction::SetShortCut(TShortCut v) {
  if (v == fShortCut) return;
  fShortCut = v;
  Change();
}

bool TCustomAction::Execute() {
  Update();
  if (!fEnabled) return false;
  if (AutoCheck) SetChecked(!fChecked);
  return TContainedAction::Execute();
}

TCustomActionList::~TCustomActionList() {
  while (!fActions.empty()) RemoveAction(fActions.back());
}

void TCustomActionList::AddAction(TContainedAction* a) {
  if (std::find(fActions.begin(), fActions.end(), a) != fActions.end()) return;
  fActions.push_back(a);
  a->fActionList = this;
}

void TCustomActionList::RemoveAction(TContainedAction* a) {
  fActions.erase(std::remove(fActions.begin(), fActions.end(), a), fActions.end());
  if (a->fActionList == this) a->fActionList = nullptr;
}

bool TCustomActionList::ExecuteAction(TBasicAction* a) {
  bool handled = false;
  if (OnExecute) OnExecute(a, handled);
  return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* a) {
  bool handled = false;
  if (OnUpdate) OnUpdate(a, handled);
  return handled;
}

bool TCustomActionList::IsShortCut(TShortCut sc) {
  if (sc == 0 || State != asNormal) return false;
  for (TContainedAction* a : std::vector<TContainedAction*>(fActions)) {
    auto* ca = dynamic_cast<TCustomAction*>(a);
    if (!ca) continue;
    bool match = ca->ShortCut() == sc || std::find(ca->SecondaryShortCuts.begin(), ca->SecondaryShortCuts.end(), sc) !=
                                             ca->SecondaryShortCuts.end();
    if (!match) continue;
    ca->Update();
    if (!ca->Visible() || !ca->Enabled()) return false;
    ca->Execute();
    return true;
  }
  return false;
}

void TCustomActionList::UpdateActions() {
  if (State != asNormal) return;
  for (TContainedAction* a : std::vector<TContainedAction*>(fActions)) a->Update();
}

void TApplication::UpdateActions() {
  for (int i = 0; i < Screen->FormCount(); ++i) {
    TCustomForm* f = Screen->Forms(i);
    if (!f->Visible()) continue;
    for (int k = 0; k < f->ComponentCount(); ++k)
      if (auto* list = dynamic_cast<TCustomActionList*>(f->Components(k))) list->UpdateActions();
  }
}
