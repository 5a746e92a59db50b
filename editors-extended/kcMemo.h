#pragma once
// The memo editor kind: multi-line text, drawn wrapped in cells; a short display text is the
// first line, at most 250 characters.

#include "editors/kcTextEdit.h"
#include "editors/kcTextEditControl.h"
#include "platform/forms/StdCtrls.h"

class TkcCustomMemoProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomMemoProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomMemoProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  TScrollStyle ScrollBars() const { return fScrollBars; }
  void SetScrollBars(TScrollStyle Value) { SetAndNotify(fScrollBars, Value); }
  int VisibleLineCount() const { return fVisibleLineCount; }
  void SetVisibleLineCount(int Value) { SetAndNotify(fVisibleLineCount, Value < 0 ? 0 : Value); }
  bool WantReturns() const { return fWantReturns; }
  void SetWantReturns(bool Value) { SetAndNotify(fWantReturns, Value); }
  bool WantTabs() const { return fWantTabs; }
  void SetWantTabs(bool Value) { SetAndNotify(fWantTabs, Value); }
  bool WordWrap() const { return fWordWrap; }
  void SetWordWrap(bool Value) { SetAndNotify(fWordWrap, Value); }

  bool IsTabKeyWanted() override { return fWantTabs; }
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  bool IsProviderFormatUsed(bool AEditFocused) override;
  bool IsMultiLine() override { return true; }
  TClass GetContainerClass() override;
  // Text-out flags of the cell layout: tabs expanded, the alignment, wrapping unless a
  // horizontal scroll bar is shown.
  int GetDrawTextFlags();

private:
  TScrollStyle fScrollBars = ssNone;
  int fVisibleLineCount = 0;
  bool fWantReturns = true;
  bool fWantTabs = false;
  bool fWordWrap = true;
};

class TkcMemoProperties : public TkcCustomMemoProperties {
  VT_CLASS(TkcMemoProperties, TkcCustomMemoProperties)
public:
  explicit TkcMemoProperties(TPersistent* AOwner) : TkcCustomMemoProperties(AOwner) {}
};

class TkcCustomMemo;

// The platform memo inside a memo editor: keys, mouse, focus, changes and the clipboard go to
// the editor first, as the single-line inner edit's do.
class TkcCustomInnerMemo : public TCustomMemo {
  VT_CLASS(TkcCustomInnerMemo, TCustomMemo)
public:
  explicit TkcCustomInnerMemo(TComponent* AOwner);
  TkcCustomMemo* Container() const { return fContainer; }
  bool KeyHandledByOwner() const { return fKeyHandledByOwner; }
  void Dispatch(TMessage& m) override;

protected:
  void CreateParams(TCreateParams& p) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyPress(char32_t& Key) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void Change() override;

private:
  TkcCustomMemo* fContainer;
  bool fKeyHandledByOwner = false;
};

// The memo editor: a text editor whose inner window is a multi-line platform memo. Its edit
// value is the whole text with CR LF line breaks.
class TkcCustomMemo : public TkcCustomTextEdit {
  VT_CLASS(TkcCustomMemo, TkcCustomTextEdit)
public:
  explicit TkcCustomMemo(TComponent* AOwner) : TkcCustomMemo(AOwner, false) {}
  TkcCustomMemo(TComponent* AOwner, bool AIsInplace) : TkcCustomMemo(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomMemo(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {}

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomMemoProperties::StaticClass(); }
  TkcCustomMemoProperties* ActiveProperties() {
    return static_cast<TkcCustomMemoProperties*>(GetEffectiveProperties());
  }
  TkcCustomInnerMemo* InnerMemo() const { return static_cast<TkcCustomInnerMemo*>(InnerEditControl()); }
  TStrings* Lines() const { return InnerMemo()->Lines(); }
  void SetLines(TStrings* Value) { InnerMemo()->Lines()->Assign(Value); }

  // Enter is the memo's when it wants returns or Ctrl is held; Tab when it wants tabs.
  bool IsMemoKeyWanted(WORD Key, TShiftState Shift);
  bool IsEditValueChangingKey(WORD Key, TShiftState Shift) override;
  bool IsEditValueChangingChar(char32_t Key) override;
  // Enter that activates an in-place memo is not typed into it.
  bool NeedsActivationKey(char32_t Key) override { return Key != U'\r'; }
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
  void PasteFromClipboard() override;
  void PropertiesChanged(TObject* Sender) override;
  // The memo's window always shows its text, over the whole client area.
  bool IsInnerEditVisible() override { return true; }
  // A memo sizes itself only for a number of visible lines.
  bool CanAutoSize() override {
    return TkcCustomTextEdit::CanAutoSize() && ActiveProperties()->VisibleLineCount() >= 1;
  }
  void AdjustInnerEditPosition() override;

protected:
  TWinControl* CreateInnerEdit() override { return new TkcCustomInnerMemo(this); }
  void Initialize() override;
};

class TkcMemo : public TkcCustomMemo {
  VT_CLASS(TkcMemo, TkcCustomMemo)
public:
  explicit TkcMemo(TComponent* AOwner) : TkcMemo(AOwner, false) {}
  TkcMemo(TComponent* AOwner, bool AIsInplace) : TkcMemo(AOwner, AIsInplace, TDeferCreation{}) { Initialize(); }
  TkcMemo(TComponent* AOwner, bool AIsInplace, TDeferCreation) : TkcCustomMemo(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcMemoProperties::StaticClass(); }
  TkcMemoProperties* Properties() const { return static_cast<TkcMemoProperties*>(TkcCustomEdit::Properties()); }
};

// A pasted text with its line breaks made CR LF (a lone LF, a lone CR and LF CR each become
// one break of their own, so LF CR gives two).
String NormalizeMemoLineBreaks(const String& AText);

// The longest short display text of a memo, in characters.
constexpr int kcMemoShortTextLength = 250;
