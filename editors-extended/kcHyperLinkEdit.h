#pragma once
// The hyperlink editor kind: a text editor whose text is a link, drawn underlined in the link
// colour and opened by a double click, a single click (SingleClick) or the start key through
// the desktop's opener, after the prefix was put in front of a text that lacks it.

#include <memory>

#include "editors/kcEditStyles.h"
#include "editors/kcTextEdit.h"
#include "editors/kcTextEditControl.h"
#include "editors/kcTextEditViewInfo.h"

class TkcCustomHyperLinkEditProperties : public TkcCustomTextEditProperties {
  VT_CLASS(TkcCustomHyperLinkEditProperties, TkcCustomTextEditProperties)
public:
  explicit TkcCustomHyperLinkEditProperties(TPersistent* AOwner);
  void Assign(TPersistent* Source) override;

  bool AutoComplete = true;
  TColor LinkColor() const { return fLinkColor; }
  void SetLinkColor(TColor Value) { SetAndNotify(fLinkColor, Value); }
  String Prefix;
  bool SingleClick() const { return fSingleClick; }
  void SetSingleClick(bool Value) { SetAndNotify(fSingleClick, Value); }
  TShortCut StartKey = 0x400D;  // Ctrl+Enter
  // Replaces the desktop's opener when set.
  TNotifyEvent OnStartClick;

  static String DefaultPrefix();
  // The link of a text: the prefix in front of the trimmed text when that does not begin with
  // it (case-sensitively), else the text as it stands.
  String CompleteLink(const String& AText);

  TClass GetContainerClass() override;
  int GetOperationSupport() override;
  void ValidateDisplayValue(Variant& ADisplayValue, String& AErrorText, bool& AError, IkcEditHost* AEdit) override;
  TkcCustomEditViewData* CreateViewData(TkcCustomEditStyle* AStyle, bool AIsInplace, bool APreviewMode = false) override;

private:
  TColor fLinkColor = clBlue;
  bool fSingleClick = false;
};

class TkcHyperLinkEditProperties : public TkcCustomHyperLinkEditProperties {
  VT_CLASS(TkcHyperLinkEditProperties, TkcCustomHyperLinkEditProperties)
public:
  explicit TkcHyperLinkEditProperties(TPersistent* AOwner) : TkcCustomHyperLinkEditProperties(AOwner) {}
};

// The link colour and underline of a hyperlink editor's text.
class TkcHyperLinkStyle : public TkcEditStyle {
  VT_CLASS(TkcHyperLinkStyle, TkcEditStyle)
public:
  using TkcEditStyle::TkcEditStyle;
  TColor GetTextColor() override;
  TFontStyles GetTextStyle() override;
};

// A cell drawn from the properties alone shows its link underlined in the link colour.
class TkcHyperLinkEditViewInfo : public TkcCustomTextEditViewInfo {
  VT_CLASS(TkcHyperLinkEditViewInfo, TkcCustomTextEditViewInfo)
public:
  std::unique_ptr<TFont> LinkFont;
};

class TkcHyperLinkEditViewData : public TkcCustomTextEditViewData {
  VT_CLASS(TkcHyperLinkEditViewData, TkcCustomTextEditViewData)
public:
  using TkcCustomTextEditViewData::TkcCustomTextEditViewData;
  TkcCustomEditViewInfo* CreateViewInfo() override { return new TkcHyperLinkEditViewInfo; }
  void Calculate(TkcCanvas* ACanvas, const TRect& ABounds, POINT P, TShiftState AShift,
                 TkcCustomEditViewInfo* AViewInfo, bool AIsMouseEvent) override;
};

class TkcCustomHyperLinkEdit : public TkcCustomTextEdit {
  VT_CLASS(TkcCustomHyperLinkEdit, TkcCustomTextEdit)
public:
  explicit TkcCustomHyperLinkEdit(TComponent* AOwner) : TkcCustomHyperLinkEdit(AOwner, false) {}
  TkcCustomHyperLinkEdit(TComponent* AOwner, bool AIsInplace)
      : TkcCustomHyperLinkEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomHyperLinkEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomTextEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override {
    return TkcCustomHyperLinkEditProperties::StaticClass();
  }
  TkcCustomHyperLinkEditProperties* ActiveProperties() {
    return static_cast<TkcCustomHyperLinkEditProperties*>(GetEffectiveProperties());
  }
  TkcContainerStyleClass GetContainerStyleClass() override { return TkcHyperLinkStyle::StaticClass(); }
  // Runs OnStartClick when set, else opens the completed link (nothing for a blank text).
  virtual void OpenLink();
  void PropertiesChanged(TObject* Sender) override;
  void SelectAll() override;
  // A cell opened by a click on a single-click link shows the link's cursor at once.
  using TkcCustomTextEdit::ActivateByMouse;
  void ActivateByMouse(TShiftState Shift, int X, int Y, TkcCustomEditData*& AEditData) override;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseEnter(TControl* AControl) override;
  void MouseLeave(TControl* AControl) override;

private:
  void SetLinkCursor(TCursor ACursor);
  // With SingleClick, an edit on the default cursor takes the hand (the old one kept).
  void ShowLinkCursor();
  TCursor fSavedCursor = crDefault;
};

class TkcHyperLinkEdit : public TkcCustomHyperLinkEdit {
  VT_CLASS(TkcHyperLinkEdit, TkcCustomHyperLinkEdit)
public:
  explicit TkcHyperLinkEdit(TComponent* AOwner) : TkcHyperLinkEdit(AOwner, false) {}
  TkcHyperLinkEdit(TComponent* AOwner, bool AIsInplace) : TkcHyperLinkEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcHyperLinkEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomHyperLinkEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcHyperLinkEditProperties::StaticClass(); }
  TkcHyperLinkEditProperties* Properties() const {
    return static_cast<TkcHyperLinkEditProperties*>(TkcCustomEdit::Properties());
  }
};
