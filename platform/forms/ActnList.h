#pragma once
// Actions and action lists. An action carries caption, enabled, checked, visible, hint, image
// and short cut for the menu items and buttons linked to it; it is updated when the
// application idles (OnUpdate, or a standard action's own test) and executed by its short cut
// or a linked control.

#include <vector>

#include "platform/forms/Controls.h"
#include "platform/forms/Menus.h"

class TCustomActionList;

class TBasicAction : public TComponent {
  VT_CLASS(TBasicAction, TComponent)
public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  // OnExecute, else the list's OnExecute, else the action's own target handling.
  virtual bool Execute();
  // OnUpdate, else the list's OnUpdate, else the action's own target test.
  virtual bool Update();
  virtual bool HandlesTarget(TObject*) { return false; }
  virtual void ExecuteTarget(TObject*) {}
  virtual void UpdateTarget(TObject*) {}
  TComponent* ActionComponent = nullptr;
  TNotifyEvent OnExecute, OnUpdate;
  // Linked clients are told of a change.
  void RegisterChanges(TNotifyEvent e) { fClients.push_back(e); }
  void UnRegisterChanges(const void* client);

protected:
  void Change();

private:
  std::vector<TNotifyEvent> fClients;
};

class TContainedAction : public TBasicAction {
  VT_CLASS(TContainedAction, TBasicAction)
public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  ~TContainedAction() override;
  TCustomActionList* ActionList() const { return fActionList; }
  void SetActionList(TCustomActionList* v);
  String Category;
  int Index() const;
  bool Execute() override;
  bool Update() override;

private:
  friend class TCustomActionList;
  TCustomActionList* fActionList = nullptr;
};

class TCustomAction : public TContainedAction {
  VT_CLASS(TCustomAction, TContainedAction)
public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}
  const String& Caption() const { return fCaption; }
  void SetCaption(const String& v);
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool v);
  bool Checked() const { return fChecked; }
  void SetChecked(bool v);
  bool Visible() const { return fVisible; }
  void SetVisible(bool v);
  const String& Hint() const { return fHint; }
  void SetHint(const String& v);
  int ImageIndex() const { return fImageIndex; }
  void SetImageIndex(int v);
  TShortCut ShortCut() const { return fShortCut; }
  void SetShortCut(TShortCut v);
  std::vector<TShortCut> SecondaryShortCuts;
  bool AutoCheck = false;
  int GroupIndex = 0;
  int HelpContext = 0;
  bool Execute() override;

private:
  String fCaption, fHint;
  bool fEnabled = true, fChecked = false, fVisible = true;
  int fImageIndex = -1;
  TShortCut fShortCut = 0;
};

class TAction : public TCustomAction {
  VT_CLASS(TAction, TCustomAction)
public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

enum TActionListState { asNormal, asSuspended, asSuspendedEnabled };
using TActionEvent = TEvent<void(TBasicAction* Action, bool& Handled)>;

class TCustomActionList : public TComponent {
  VT_CLASS(TCustomActionList, TComponent)
public:
  explicit TCustomActionList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TCustomActionList() override;
  int ActionCount() const { return static_cast<int>(fActions.size()); }
  TContainedAction* Actions(int i) const { return fActions.at(i); }
  void AddAction(TContainedAction* a);
  void RemoveAction(TContainedAction* a);
  TCustomImageList* Images = nullptr;
  TActionListState State = asNormal;
  // Executes the enabled, visible action with this short cut; true when one ran.
  bool IsShortCut(TShortCut sc);
  // Updates every action (idle processing).
  void UpdateActions();
  TActionEvent OnExecute, OnUpdate;
  bool ExecuteAction(TBasicAction* a);
  bool UpdateAction(TBasicAction* a);

private:
  std::vector<TContainedAction*> fActions;
};

class TActionList : public TCustomActionList {
  VT_CLASS(TActionList, TCustomActionList)
public:
  explicit TActionList(TComponent* AOwner) : TCustomActionList(AOwner) {}
};

// A new action of the given class in the list (owned by the list's owner).
template <class T = TAction>
T* NewAction(TCustomActionList* list, const String& caption, TShortCut shortCut = 0) {
  T* a = new T(list->Owner());
  a->SetCaption(caption);
  a->SetShortCut(shortCut);
  a->SetActionList(list);
  return a;
}
