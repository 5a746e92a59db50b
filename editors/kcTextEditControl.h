#pragma once
// The single-line text editor: a TkcCustomEdit hosting a borderless platform edit window (the
// inner text edit) that passes keys, mouse and changes on to the editor. The editor converts
// between its display text and edit value through its text properties.

#include <functional>

#include "editors/kcEditControl.h"
#include "editors/kcTextEdit.h"
#include "editors/kcTextEditLookup.h"
#include "platform/forms/StdCtrls.h"

class TkcCustomTextEdit;

// What the inner window of every text editor (single-line or memo) passes to its editor: the
// clipboard goes through the editor, which checks the result against its kind, and the
// editor's frame follows the window's focus. False for other messages; ADefault is the
// window's own handling.
bool ForwardInnerEditMessage(TCustomEdit* AInner, TkcCustomTextEdit* AContainer, TMessage& m,
                             const std::function<void()>& ADefault);

class TkcCustomInnerTextEdit : public TCustomEdit {
  VT_CLASS(TkcCustomInnerTextEdit, TCustomEdit)
public:
  explicit TkcCustomInnerTextEdit(TComponent* AOwner);
  TkcCustomTextEdit* Container() const { return fContainer; }
  // Set when the owning editor consumed the last key.
  bool KeyHandledByOwner() const { return fKeyHandledByOwner; }
  TAlignment Alignment() const { return fAlignment; }
  void SetAlignment(TAlignment Value);
  TkcEditEchoMode EchoMode() const { return fEchoMode; }
  void SetEchoMode(TkcEditEchoMode Value);
  char PasswordCharacter() const { return fPasswordChar; }
  void SetPasswordCharacter(char Value);
  void Dispatch(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void DblClick() override;
  void Change() override;

private:
  void UpdatePasswordChar();
  TkcCustomTextEdit* fContainer;
  TAlignment fAlignment = taLeftJustify;
  TkcEditEchoMode fEchoMode = eemNormal;
  char fPasswordChar = '\0';
  bool fKeyHandledByOwner = false;
};

class TkcCustomTextEdit : public TkcCustomEdit, public IkcTextEditLookupOwner {
  VT_CLASS(TkcCustomTextEdit, TkcCustomEdit)
public:
  explicit TkcCustomTextEdit(TComponent* AOwner) : TkcCustomTextEdit(AOwner, false) {}
  TkcCustomTextEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomTextEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomTextEdit() override;

  TkcCustomTextEditProperties* ActiveProperties() {
    return static_cast<TkcCustomTextEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomTextEditProperties* Properties() const {
    return static_cast<TkcCustomTextEditProperties*>(TkcCustomEdit::Properties());
  }
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomTextEditProperties::StaticClass(); }
  // The inner window of the single-line kinds; InnerEdit is the platform edit of every kind
  // (a memo's inner window is a multi-line one).
  TkcCustomInnerTextEdit* InnerTextEdit() const { return static_cast<TkcCustomInnerTextEdit*>(InnerEditControl()); }
  TCustomEdit* InnerEdit() const { return static_cast<TCustomEdit*>(InnerEditControl()); }

  // The display text; setting it goes through the kind's check, as typing does.
  String Text();
  void SetText(const String& Value);
  int SelStart() { return InnerEdit()->SelStart(); }
  void SetSelStart(int Value) { InnerEdit()->SetSelStart(Value); }
  int SelLength() { return InnerEdit()->SelLength(); }
  void SetSelLength(int Value) { InnerEdit()->SetSelLength(Value); }
  String SelText() { return InnerEdit()->SelText(); }
  void SetSelText(const String& Value);
  void ClearSelection();
  bool BeepOnEnter = true;

  // Lookup items: completion of typed text and navigation through them.
  TkcCustomTextEditLookupData* LookupData() const { return fLookupData.get(); }
  // Whether the lookup data are in use for this editor now.
  bool UseLookupData() { return fLookupData && ActiveProperties()->UseLookupData(); }
  // The tail shown selected is a completion found by the incremental search.
  bool FindSelection() const { return fFindSelection; }
  void SetFindSelection(bool Value) { fFindSelection = Value; }
  void ResetFindSelection() {
    if (UseLookupData()) fFindSelection = false;
  }
  // Whether keys and the wheel move through the lookup items (drop-down kinds answer).
  virtual bool CanNavigateLookupItems(bool) { return false; }
  // The lookup data's handler: the current item becomes the value.
  virtual void ApplySelectedLookupItem(TObject* Sender);
  virtual Variant LookupKeyToEditValue(const Variant& AKey);
  int ItemIndex();
  void SetItemIndex(int AIndex);
  // A numeric value is brought back inside its bounds when the properties change (the value
  // may have been set before the bounds were, or from outside them); the kinds clamp.
  virtual void CheckEditValue();
  virtual void CheckEditorValueBounds() {}

  // IkcTextEditLookupOwner.
  TkcCustomTextEditProperties* GetLookupProperties() override { return ActiveProperties(); }
  String GetLookupEditText() override { return Text(); }
  bool CanEditLookupValue() override { return DoEditing(); }
  bool IsLookupInternalUpdate() override { return fSynchronizingDisplay; }
  void SetLookupKeyFromNavigation(bool AValue) override { fLookupKeyFromNavigation = AValue; }

  // Overrides of the edit.
  void SynchronizeDisplayValue() override;
  void SynchronizeEditValue() override;
  void ChangeHandler(TObject* Sender) override;
  void CopyToClipboard() override { InnerEdit()->CopyToClipboard(); }
  void CutToClipboard() override;
  void PasteFromClipboard() override;
  void SelectAll() override { InnerEdit()->SelectAll(); }
  void SafelySetFocus() override;
  // The inner window was double-clicked (it selects the word under the mouse itself).
  virtual void InnerEditDblClick() {}
  // The text the edit gives and takes from outside: the window text (WM_GETTEXT, WM_SETTEXT)
  // and the control's Text. Here the display text, set through the kind's check; true when the
  // text was taken.
  virtual String InternalGetText() { return Text(); }
  virtual bool InternalSetText(const String& AText);
  // The inner window moved its caret or selection after a mouse press or a drag (ADrag).
  virtual void InnerEditMouseAction(bool) {}
  // The inner window's selection or caret moved (by code, keys or the mouse).
  virtual void SelChange(TObject*) {}
  // The inner window shows the text while the editor is active, or always for left-aligned
  // free text; otherwise the view info paints the text.
  bool IsInnerEditVisible() override;
  void UpdateDrawValue() override;
  void CalculateViewInfo(const TPoint& P, bool AHotAllowed) override;
  // The inner window is one font row high, placed where the view info would draw the text.
  void AdjustInnerEditPosition() override;
  bool WantNavigationKeys() override { return true; }
  bool IsEditValueChangingKey(WORD Key, TShiftState Shift) override;
  bool IsEditValueChangingChar(char32_t Key) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void SetInternalDisplayValue(const Variant& AValue) override;
  void PropertiesChanged(TObject* Sender) override;
  Variant GetDisplayValueForValidation() override { return Variant(Text()); }
  void SetValidatedDisplayValue(const Variant& AValue) override;
  void Dispatch(TMessage& Message) override;

protected:
  String GetText() override { return InternalGetText(); }
  void SetTextValue(const String& Value) override { InternalSetText(Value); }
  TWinControl* CreateInnerEdit() override { return new TkcCustomInnerTextEdit(this); }
  void Initialize() override;
  void DoExit() override;
  bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) override;
  void GetEditSizeProperties(TkcEditSizeProperties& AProperties) override;

private:
  // Completes the typed prefix from the lookup items; true when an item starts with it.
  bool LocateTyped(String APrefix);
  // Moves the current item; a change is the user's and may post at once.
  void NavigateLookup(TkcEditLookupDirection ADirection);
  std::unique_ptr<TkcCustomTextEditLookupData> fLookupData;
  bool fFindSelection = false;
  bool fLookupKeyFromNavigation = false;
  bool fIsNavigatingLookup = false;
  bool fRegrouping = false;
  // Groups a typed number's digits again, the caret kept among the digits.
  void ReformatThousandSeparators();
  // Puts a text into the inner edit as the value's display, not as the user's change.
  void ShowDisplayText(const String& AText);
  bool fSynchronizingDisplay = false;
  bool fSettingText = false;
  String fTextOnDestroy;
};

class TkcTextEdit : public TkcCustomTextEdit {
  VT_CLASS(TkcTextEdit, TkcCustomTextEdit)
public:
  explicit TkcTextEdit(TComponent* AOwner) : TkcTextEdit(AOwner, false) {}
  TkcTextEdit(TComponent* AOwner, bool AIsInplace) : TkcTextEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcTextEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcTextEditProperties::StaticClass(); }
  TkcTextEditProperties* Properties() const { return static_cast<TkcTextEditProperties*>(TkcCustomEdit::Properties()); }
};
