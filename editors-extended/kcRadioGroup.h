#pragma once
// The radio group editor kind: one value chosen among items (an item's value, or its caption
// when it has none), shown stand-alone as a group of owner-drawn radio buttons; and the
// stand-alone radio button drawn by its look and feel.

#include "editors-extended/kcGroupBox.h"
#include "platform/forms/StdCtrls.h"

// ---- The radio button --------------------------------------------------------------------------

// Visual states of a radio button.
enum TkcRadioButtonState { rbsDisabled, rbsHot, rbsNormal, rbsPressed };

class TkcRadioButton : public TRadioButton {
  VT_CLASS(TkcRadioButton, TRadioButton)
public:
  explicit TkcRadioButton(TComponent* AOwner);
  ~TkcRadioButton() override;
  TkcLookAndFeel* LookAndFeel() const { return fLookAndFeel.get(); }
  bool Transparent() const { return fTransparent; }
  void SetTransparent(bool Value);
  TAlignment CaptionAlignment = taRightJustify;  // the caption right of the glyph
  TkcRadioButtonState VisualState() const { return fState; }
  const TRect& GlyphRect() const { return fGlyphRect; }
  // The caption's rectangle beside the glyph, shrunk by the margins of the mode.
  virtual void AdjustCaptionRect(TRect& ARect);
  virtual bool IsInplace() { return false; }
  void Dispatch(TMessage& Message) override;

protected:
  void Paint() override;
  virtual void DrawBackground(TkcCanvas* ACanvas);
  void UpdateState(TShiftState AShift, const TPoint& P);

private:
  std::unique_ptr<TkcLookAndFeel> fLookAndFeel;
  TRect fGlyphRect{};
  bool fTransparent = false;
  TkcRadioButtonState fState = rbsNormal;
};

// ---- Items and properties ----------------------------------------------------------------------

class TkcRadioGroupItem : public TkcButtonGroupItem {
  VT_CLASS(TkcRadioGroupItem, TkcButtonGroupItem)
public:
  explicit TkcRadioGroupItem(TCollection* ACollection) : TkcButtonGroupItem(ACollection) {}
  void Assign(TPersistent* Source) override;
  const Variant& Value() const { return fValue; }
  void SetValue(const Variant& Value);

private:
  Variant fValue = Null();
};

class TkcRadioGroupItems : public TkcButtonGroupItems {
  VT_CLASS(TkcRadioGroupItems, TkcButtonGroupItems)
public:
  using TkcButtonGroupItems::TkcButtonGroupItems;
  // Null for an item still being built.
  TkcRadioGroupItem* Items(int Index) const { return dynamic_cast<TkcRadioGroupItem*>(TCollection::Items(Index)); }
  TkcRadioGroupItem* Add() { return static_cast<TkcRadioGroupItem*>(TCollection::Add()); }
};

class TkcCustomRadioGroupProperties : public TkcCustomButtonGroupProperties {
  VT_CLASS(TkcCustomRadioGroupProperties, TkcCustomButtonGroupProperties)
public:
  explicit TkcCustomRadioGroupProperties(TPersistent* AOwner) : TkcCustomButtonGroupProperties(AOwner) {
    RecreateItems();
  }
  void Assign(TPersistent* Source) override;
  TkcRadioGroupItems* Items() const { return static_cast<TkcRadioGroupItems*>(TkcCustomButtonGroupProperties::Items()); }
  const WideString& DefaultCaption() const { return fDefaultCaption; }
  void SetDefaultCaption(const WideString& Value) { SetAndNotify(fDefaultCaption, Value); }
  const Variant& DefaultValue() const { return fDefaultValue; }
  void SetDefaultValue(const Variant& Value);

  // The first item whose value equals AValue (an item without a value: whose caption is
  // AValue's text, case counting); -1 when none.
  int GetRadioGroupItemIndex(const Variant& AValue);
  // The value item AIndex stands for: its value, its caption without one, DefaultValue for -1.
  Variant GetItemValue(int AIndex);

  TClass GetContainerClass() override;
  bool HasSeparateChangeEvents() override { return true; }
  bool IsEditValueComparable() override { return true; }
  bool CanResetEditValue() override { return true; }
  bool CompareDisplayValues(const Variant& AEditValue1, const Variant& AEditValue2) override;
  WideString GetDisplayText(const Variant& AEditValue, bool AFullText = false, bool AIsInplace = true) override;
  int GetOperationSupport() override;
  void EditValueToDisplayValue(const Variant& AEditValue, Variant& ADisplayValue, bool AEditFocused) override;
  // A column may stay empty: min(Columns, items), at least 1.
  int GetColumnCount() const override;

protected:
  std::unique_ptr<TkcButtonGroupItems> CreateItems() override;

private:
  WideString fDefaultCaption;
  Variant fDefaultValue = Null();
};

class TkcRadioGroupProperties : public TkcCustomRadioGroupProperties {
  VT_CLASS(TkcRadioGroupProperties, TkcCustomRadioGroupProperties)
public:
  explicit TkcRadioGroupProperties(TPersistent* AOwner) : TkcCustomRadioGroupProperties(AOwner) {}
};

// ---- The radio group control -------------------------------------------------------------------

class TkcCustomRadioGroup;

class TkcCustomRadioGroupButton : public TkcRadioButton, public IkcContainerInnerControl {
  VT_CLASS(TkcCustomRadioGroupButton, TkcRadioButton)
public:
  explicit TkcCustomRadioGroupButton(TkcCustomRadioGroup* AGroup);
  bool QueryInterface(const TGUID& IID, void** Obj) override { return GetInterface(IID, Obj); }
  bool GetInterface(const TGUID& IID, void** Obj) override;
  TkcCustomRadioGroup* Group() const { return fGroup; }
  TWinControl* GetControl() override { return this; }
  TkcContainer* GetControlContainer() override;
  bool IsInplace() override;
  void Click() override;
  void Dispatch(TMessage& Message) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;

private:
  TkcCustomRadioGroup* fGroup;
};

class TkcCustomRadioGroup : public TkcCustomButtonGroup {
  VT_CLASS(TkcCustomRadioGroup, TkcCustomButtonGroup)
public:
  explicit TkcCustomRadioGroup(TComponent* AOwner) : TkcCustomRadioGroup(AOwner, false) {}
  TkcCustomRadioGroup(TComponent* AOwner, bool AIsInplace) : TkcCustomRadioGroup(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomRadioGroup(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomButtonGroup(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomRadioGroupProperties::StaticClass(); }
  TkcCustomRadioGroupProperties* ActiveProperties() {
    return static_cast<TkcCustomRadioGroupProperties*>(GetEffectiveProperties());
  }
  TkcCustomRadioGroupButton* Buttons(int AIndex) const {
    return static_cast<TkcCustomRadioGroupButton*>(TkcCustomButtonGroup::Buttons(AIndex));
  }

  // The chosen item (-1: none); setting clamps and takes that item's value.
  int ItemIndex();
  void SetItemIndex(int Value);
  void ClearValue() { SetItemIndex(-1); }
  // A button the user chose (by click, key or focus).
  void ButtonChosen(TkcCustomRadioGroupButton* AButton);

  TkcButtonGroupItemMetrics GetItemMetrics() override;
  void SynchronizeDisplayValue() override;
  void UpdateButtons() override;
  bool IsContainerFocused() override;
  void Dispatch(TMessage& Message) override;

protected:
  void Initialize() override;
  TWinControl* CreateButton() override;
  void UpdateButtonStyles() override;

private:
  // Checks button AIndex alone (none for -1) without raising clicks.
  void CheckButton(int AIndex);
  bool fCheckingButtons = false;
  // The item SetItemIndex chooses (-2: the value's own item); two items may share a value.
  int fPendingIndex = -2;
  int fCheckedIndex = -1;
};

class TkcRadioGroup : public TkcCustomRadioGroup {
  VT_CLASS(TkcRadioGroup, TkcCustomRadioGroup)
public:
  explicit TkcRadioGroup(TComponent* AOwner) : TkcRadioGroup(AOwner, false) {}
  TkcRadioGroup(TComponent* AOwner, bool AIsInplace) : TkcRadioGroup(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcRadioGroup(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomRadioGroup(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcRadioGroupProperties::StaticClass(); }
  TkcRadioGroupProperties* Properties() const {
    return static_cast<TkcRadioGroupProperties*>(TkcCustomEdit::Properties());
  }
};
