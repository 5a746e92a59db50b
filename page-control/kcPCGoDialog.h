#pragma once
// The go dialog: a popup menu listing the enabled visible tabs of a tab control.

#include <functional>

#include "platform/forms/Menus.h"

class TkcCustomTabControl;

// "&File" -> "File", "A&&B" -> "A&B", "X&" -> "X".
String StripAccelChars(const String& AText);

class TkcPCGoDialog : public TPopupMenu {
  VT_CLASS(TkcPCGoDialog, TPopupMenu)
public:
  explicit TkcPCGoDialog(TkcCustomTabControl* AOwner);
  void BuildItems(bool ASorted);
  void Popup(bool ASorted);
  std::function<void(int)> OnSelectTab;

private:
  TkcCustomTabControl* fTabControl;
};
