#pragma once
// The masked text editor: each key goes through the mode of the properties' mask kind, which
// changes the text and caret of the inner edit; keys and characters the mode sends itself reach
// the inner edit unfiltered.

#include <memory>

#include "editors/kcMaskEdit.h"
#include "editors/kcTextEditControl.h"

class TkcCustomMaskEdit : public TkcCustomTextEdit, public IkcMaskEditHost {
  VT_CLASS(TkcCustomMaskEdit, TkcCustomTextEdit)
public:
  explicit TkcCustomMaskEdit(TComponent* AOwner) : TkcCustomMaskEdit(AOwner, false) {}
  TkcCustomMaskEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomMaskEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomMaskEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomMaskEditProperties::StaticClass(); }
  TkcCustomMaskEditProperties* ActiveProperties() {
    return static_cast<TkcCustomMaskEditProperties*>(GetEffectiveProperties());
  }
  TkcMaskEditCustomMode* Mode() const { return fMode.get(); }

  // IkcMaskEditHost.
  String GetEditText() override { return Text(); }
  void SetEditText(const String& AText) override;
  int GetSelStart() override { return SelStart(); }
  int GetSelLength() override { return SelLength(); }
  void SetSelection(int AStart, int ALength) override;
  int GetCaretPos() override;
  void SendKey(WORD AKey) override;
  void SendChar(char32_t ACh) override;
  void Beep() override { MessageBeep(0); }
  bool IsCharValidForPos(char32_t&, int) override { return true; }
  bool HasWindow() override { return HandleAllocated(); }
  bool IsFocused() override { return Focused(); }
  String EditValueDisplayText() override;
  void SetEditValue(const Variant& AValue) override { TkcCustomEdit::SetEditValue(AValue); }

  void PropertiesChanged(TObject* Sender) override;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void DoEditKeyPress(char32_t& Key) override;
  void PasteFromClipboard() override;
  // Copies, then blanks the selected positions as Delete does (the text keeps its mask).
  void CutToClipboard() override;
  void ChangeHandler(TObject* Sender) override;
  void SynchronizeDisplayValue() override;
  void SetInternalDisplayValue(const Variant& AValue) override;
  // A text shown under the mask stands for the value its mode extracts (literals removed when
  // the mask does not store them); a plain value text is taken as it is.
  void DisplayValueToEditValue(const Variant& ADisplayValue, Variant& AEditValue, bool AEditFocused) override;
  // From outside the masked edit reads as the value its text stands for, and a text put in is
  // taken as the value, shown through the mask.
  String InternalGetText() override;
  bool InternalSetText(const String& AText) override;
  // Puts the edit text through the mask again as the edit's value (after loading).
  virtual void SetEditValueFromText();
  // Shift was held at the last key (or a mouse drag is under way).
  bool ShiftDown() const { return fShiftDown; }
  // The value the current display text stands for.
  const String& ValueText() const { return fValueText; }
  void Loaded() override;
  void InnerEditDblClick() override;
  void InnerEditMouseAction(bool ADrag) override;
  // A selection moved by code, keys or the mouse reaches the mode as a mouse action does; one
  // the edit or its mode moves itself does not.
  void SelChange(TObject* Sender) override;

protected:
  void DoEnter() override;
  void DblClick() override;

private:
  // Whether a text shown now is the mask's full text (literals and blanks) or the plain value.
  bool ShowsMaskedText(bool AFocused);
  void UpdateValueText();
  std::unique_ptr<TkcMaskEditCustomMode> fMode;
  bool fSending = false;
  // Set while the edit moves its own selection.
  bool fSelectionChanging = false;
  bool fShiftDown = false;
  // The inner text is the mask's full text (set whenever a text is put in).
  bool fMaskedTextShown = true;
  String fValueText;
};

class TkcMaskEdit : public TkcCustomMaskEdit {
  VT_CLASS(TkcMaskEdit, TkcCustomMaskEdit)
public:
  explicit TkcMaskEdit(TComponent* AOwner) : TkcMaskEdit(AOwner, false) {}
  TkcMaskEdit(TComponent* AOwner, bool AIsInplace) : TkcMaskEdit(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcMaskEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomMaskEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcMaskEditProperties::StaticClass(); }
  TkcMaskEditProperties* Properties() const { return static_cast<TkcMaskEditProperties*>(TkcCustomEdit::Properties()); }
};
