#pragma once
// The action manager and the bars it feeds: a main menu bar, tool bars and a popup action
// bar, each a tree of client items linked to actions; and the customize dialog.

#include <memory>
#include <vector>

#include "platform/forms/ActnList.h"
#include "platform/forms/Forms.h"
#include "platform/forms/ImgList.h"
#include "platform/forms/Menus.h"

class TCustomActionBar;

// One entry of a bar: an action (or a caption for a sub-menu) and its children.
class TActionClientItem {
public:
  TContainedAction* Action = nullptr;
  String Caption;  // the item's own caption (with its accelerator); empty: the action's
  bool Visible = true;
  int UsageCount = 0;
  TActionClientItem* Add();
  int Count() const { return static_cast<int>(fItems.size()); }
  TActionClientItem* Items(int i) const { return fItems.at(i).get(); }
  void Clear() { fItems.clear(); }
  // The caption shown: the item's own, else the action's.
  String DisplayCaption() const;
  bool Enabled() const;
  bool IsSeparator() const { return !Action && Caption == "-"; }
  // Sets the usage count of the item and all below it.
  void SetUsageCountRecursive(int count);

private:
  std::vector<std::unique_ptr<TActionClientItem>> fItems;
};

class TActionBarItem {
public:
  TCustomActionBar* ActionBar = nullptr;
  TActionClientItem Items;
};

class TActionManager : public TCustomActionList {
  VT_CLASS(TActionManager, TCustomActionList)
public:
  explicit TActionManager(TComponent* AOwner) : TCustomActionList(AOwner) {}
  ~TActionManager() override;
  int ActionBarCount() const { return static_cast<int>(fBars.size()); }
  TActionBarItem* ActionBars(int i) const { return fBars.at(i).get(); }
  // Links a bar to the manager; its items are the returned entry's Items.
  TActionBarItem* AddActionBar(TCustomActionBar* bar);
  void RemoveActionBar(TCustomActionBar* bar);
  String Style = "XP Style";
  // Personalised menus off: every item's usage count set to `count` (-1).
  void SetUsageCounts(int count);

private:
  std::vector<std::unique_ptr<TActionBarItem>> fBars;
};

class TCustomActionBar : public TCustomControl {
  VT_CLASS(TCustomActionBar, TCustomControl)
public:
  explicit TCustomActionBar(TComponent* AOwner);
  ~TCustomActionBar() override;
  TActionManager* ActionManager() const { return fManager; }
  void SetActionManager(TActionManager* m);
  TActionClientItem* Items() const { return fItem ? &fItem->Items : nullptr; }
  // The visible top-level entries and their rectangles (client coordinates).
  std::vector<std::pair<TActionClientItem*, TRect>> Layout();
  int ItemAt(int X, int Y);
  void Dispatch(TMessage& m) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual int ItemWidth(TActionClientItem* item);
  virtual void ItemClicked(int index, TActionClientItem* item) = 0;
  void Paint() override;
  TActionManager* fManager = nullptr;
  TActionBarItem* fItem = nullptr;
  int fHot = -1;
};

// Top-level captions; a click (or Alt and the accelerator letter) drops the sub-items down as
// a popup menu whose items run their actions.
class TActionMainMenuBar : public TCustomActionBar {
  VT_CLASS(TActionMainMenuBar, TCustomActionBar)
public:
  explicit TActionMainMenuBar(TComponent* AOwner);
  ~TActionMainMenuBar() override;
  // The popup of the entry while it is dropped down.
  TPopupMenu* DropDownMenu() const { return fMenu; }
  // Drops entry `index` down (runs until the menu closes).
  void DropDown(int index);
  void Dispatch(TMessage& m) override;

protected:
  void ItemClicked(int index, TActionClientItem* item) override;

private:
  TPopupMenu* fMenu = nullptr;
};

// Buttons (image or caption) that execute their actions.
class TActionToolBar : public TCustomActionBar {
  VT_CLASS(TActionToolBar, TCustomActionBar)
public:
  explicit TActionToolBar(TComponent* AOwner);

protected:
  int ItemWidth(TActionClientItem* item) override;
  void ItemClicked(int index, TActionClientItem* item) override;
};

// A popup menu whose items are linked to actions.
class TPopupActionBar : public TPopupMenu {
  VT_CLASS(TPopupActionBar, TPopupMenu)
public:
  explicit TPopupActionBar(TComponent* AOwner) : TPopupMenu(AOwner) {}
  // Appends an item for the action (a separator for null).
  TMenuItem* AddAction(TBasicAction* action);
};

// Builds menu items for client items (sub-menus for items with children).
void FillMenuFromClients(TMenuItem* target, TActionClientItem* source);

// The customize dialog: lists the manager's actions by category; closing it runs OnClose.
class TCustomizeDlg : public TComponent {
  VT_CLASS(TCustomizeDlg, TComponent)
public:
  explicit TCustomizeDlg(TComponent* AOwner) : TComponent(AOwner) {}
  TActionManager* ActionManager = nullptr;
  void Show();
  TNotifyEvent OnClose;
  // The dialog while it is shown.
  TForm* Form() const { return fForm; }

private:
  TForm* fForm = nullptr;
};

// The standard action that opens a customize dialog.
class TCustomizeActionBars : public TAction {
  VT_CLASS(TCustomizeActionBars, TAction)
public:
  explicit TCustomizeActionBars(TComponent* AOwner);
  TCustomizeDlg* CustomizeDlg = nullptr;
  bool HandlesTarget(TObject*) override { return true; }
  void UpdateTarget(TObject*) override { SetEnabled(CustomizeDlg != nullptr); }
  void ExecuteTarget(TObject*) override;
};
