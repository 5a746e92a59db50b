#pragma once
// Menu items, popup menus and the main menu. A popup menu shows as a non-activating popup
// window of its own and runs a local loop until an item is chosen or the menu is dismissed.
// Short cuts: the key plus scShift, scCtrl, scAlt.

#include <memory>
#include <vector>

#include "platform/core/ShortCuts.h"
#include "platform/forms/Controls.h"

class TCustomImageList;
class TBasicAction;

// The short cut of a key with modifiers, and back; menus take one-byte key codes only. The
// encoding and the texts are the core's (platform/core/ShortCuts.h).
TShortCut MenuShortCut(WORD Key, TShiftState Shift);
void MenuShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Ctrl+R"-style text, and its parse (0 for text that is not a short cut).
inline String MenuShortCutToText(TShortCut ShortCut) { return ShortCutToText(ShortCut); }
inline TShortCut MenuTextToShortCut(const String& Text) { return TextToShortCut(Text); }
// The short cut of a key message (WM_KEYDOWN / CN_KEYDOWN) with the keyboard's modifiers now.
TShortCut ShortCutFromMessage(const TMessage& m);
// The text without its accelerator marks ("&Open" -> "Open").
String StripHotkey(const String& Text);

using TMenuMeasureItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = TEvent<void(TObject* Sender, TCanvas* ACanvas, TRect ARect, bool Selected)>;

class TMenuItem : public TComponent {
  VT_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;

  int Count() const { return static_cast<int>(fItems.size()); }
  TMenuItem* Items(int i) const { return fItems.at(i); }
  TMenuItem* operator[](int i) const { return Items(i); }
  void Add(TMenuItem* item);
  void Insert(int index, TMenuItem* item);
  void Remove(TMenuItem* item);
  void Delete(int index);
  void Clear();
  int IndexOf(TMenuItem* item) const;
  TMenuItem* Parent() const { return fParent; }
  TMenuItem* Find(const String& caption) const;

  const String& Caption() const { return fCaption; }
  void SetCaption(const String& v) { fCaption = v; }
  bool IsLine() const { return fCaption == "-"; }
  bool Checked = false;
  bool RadioItem = false;
  int GroupIndex = 0;
  bool Default = false;
  bool Enabled() const { return fEnabled; }
  void SetEnabled(bool v) { fEnabled = v; }
  bool Visible() const { return fVisible; }
  void SetVisible(bool v) { fVisible = v; }
  TShortCut ShortCut = 0;
  int ImageIndex = -1;
  TBitmap* Bitmap();
  String Hint;
  TBasicAction* Action() const { return fAction; }
  void SetAction(TBasicAction* a);
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  virtual void Click();
  // Runs the item whose short cut this is (searching sub-items); false when none.
  bool ExecuteShortCut(TShortCut sc);
  // The action's state copied to the item. A caption of the item's own (one set that differs
  // from the action's, such as one with an accelerator) stays; a linked one follows the action.
  void UpdateFromAction();

private:
  std::vector<TMenuItem*> fItems;
  TMenuItem* fParent = nullptr;
  String fCaption;
  String fLinkedCaption;  // the action's caption as last copied
  bool fEnabled = true, fVisible = true;
  TBasicAction* fAction = nullptr;
  std::unique_ptr<TBitmap> fBitmap;
};

class TMenu : public TComponent {
  VT_CLASS(TMenu, TComponent)
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() const { return fItems; }
  TCustomImageList* Images = nullptr;
  bool OwnerDraw = false;
  bool AutoHotkeys = true;
  // Runs the item with the short cut of the key message; true when one ran.
  bool IsShortCut(TMessage& m);
  TMenuItem* FindItem(const String& caption) const { return fItems->Find(caption); }

private:
  TMenuItem* fItems;
};

class TMainMenu : public TMenu {
  VT_CLASS(TMainMenu, TMenu)
public:
  explicit TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
};

enum TPopupAlignment { paLeft, paRight, paCenter };

class TPopupMenu : public TMenu {
  VT_CLASS(TPopupMenu, TMenu)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  // Shows the menu at a screen point and returns when it is closed; the chosen item's Click
  // runs after the menu window is gone.
  virtual void Popup(int X, int Y);
  TComponent* PopupComponent = nullptr;
  bool AutoPopup = true;
  TPopupAlignment Alignment = paLeft;
  TPoint PopupPoint() const { return fPopupPoint; }
  // The menu window while the menu is shown (0 otherwise).
  HWND WindowHandle() const;
  // Closes the menu without choosing (the loop ends).
  void CloseMenu();
  TNotifyEvent OnPopup, OnClose;

private:
  class TMenuWindow;
  friend class TMenuWindow;
  TPoint fPopupPoint;
  TMenuWindow* fWindow = nullptr;
  TMenuItem* fChosen = nullptr;
  bool fClosed = true;
};
