#pragma once
// The popup edit: a drop-down edit whose popup hosts a control of the application (a panel, a
// grid, a form). Opening takes the control from its place into the popup, filling the client
// area; closing puts it back exactly where it was. The popup is sizeable and takes the focus.

#include "editors/kcDropDownEdit.h"

class TkcPopupEditPopupWindowViewInfo : public TkcCustomEditPopupWindowViewInfo {
  VT_CLASS(TkcPopupEditPopupWindowViewInfo, TkcCustomEditPopupWindowViewInfo)
public:
  // The three-dimensional frame is drawn as with a client edge, whether there is one or not.
  void DrawPopupBorder(TkcCanvas* ACanvas, TRect& ARect) override;
};

class TkcPopupEditPopupWindow : public TkcCustomEditPopupWindow {
  VT_CLASS(TkcPopupEditPopupWindow, TkcCustomEditPopupWindow)
public:
  using TkcCustomEditPopupWindow::TkcCustomEditPopupWindow;
  TkcCustomEditPopupWindowViewInfoClass GetViewInfoClass() override {
    return TkcPopupEditPopupWindowViewInfo::StaticClass();
  }
};

class TkcCustomPopupEditProperties : public TkcCustomDropDownEditProperties {
  VT_CLASS(TkcCustomPopupEditProperties, TkcCustomDropDownEditProperties)
public:
  explicit TkcCustomPopupEditProperties(TPersistent* AOwner);
  ~TkcCustomPopupEditProperties() override;
  void Assign(TPersistent* Source) override;
  void FreeNotification(TComponent* AComponent) override;
  TClass GetContainerClass() override;
  bool PopupShowsLookupList() override { return false; }
  TkcCustomEditPopupWindowClass GetPopupWindowClass() override { return TkcPopupEditPopupWindow::StaticClass(); }
  bool PopupTakesFocus() override { return true; }

  // Not owned; cleared when the control is destroyed.
  TControl* PopupControl() const { return fPopupControl; }
  void SetPopupControl(TControl* Value);

private:
  TControl* fPopupControl = nullptr;
  std::unique_ptr<TkcFreeNotificator> fNotificator;
};

class TkcPopupEditProperties : public TkcCustomPopupEditProperties {
  VT_CLASS(TkcPopupEditProperties, TkcCustomPopupEditProperties)
public:
  explicit TkcPopupEditProperties(TPersistent* AOwner) : TkcCustomPopupEditProperties(AOwner) {
    ImmediateDropDown = true;
    ImmediatePopup = true;
  }
};

class TkcCustomPopupEdit : public TkcCustomDropDownEdit {
  VT_CLASS(TkcCustomPopupEdit, TkcCustomDropDownEdit)
public:
  explicit TkcCustomPopupEdit(TComponent* AOwner) : TkcCustomPopupEdit(AOwner, false) {}
  TkcCustomPopupEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomPopupEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomDropDownEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomPopupEdit() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomPopupEditProperties::StaticClass(); }
  TkcCustomPopupEditProperties* ActiveProperties() {
    return static_cast<TkcCustomPopupEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomPopupEditProperties* Properties() const {
    return static_cast<TkcCustomPopupEditProperties*>(TkcCustomEdit::Properties());
  }

  bool CanDropDown() override { return ActiveProperties()->PopupControl() != nullptr; }
  // Refuses a popup control that is the popup, the editor or one of the editor's parents.
  void DoInitPopup() override;
  TWinControl* GetPopupFocusedControl() override;
  void GetPopupClientSize(SIZE& ASize) override;
  void PositionPopupWindowChildren(const TRect& AClientRect) override;
  void InitializePopupWindow() override;
  // Closes after the current message, with the reason.
  virtual void ClosePopupWithReason(TkcEditCloseUpReason AReason);

protected:
  void PopupWindowClosed(TObject* Sender) override;
  virtual void SavePopupControlData();
  virtual void RestorePopupControlData();

private:
  // Where the hosted control lives when it is not in the popup.
  struct TSavedData {
    TAlign Align = alNone;
    TRect Bounds{};
    TWinControl* Parent = nullptr;
    bool Visible = false;
    TBorderStyle BorderStyle = bsNone;
  } fSaved;
  bool fHosting = false;
};

class TkcPopupEdit : public TkcCustomPopupEdit {
  VT_CLASS(TkcPopupEdit, TkcCustomPopupEdit)
public:
  explicit TkcPopupEdit(TComponent* AOwner) : TkcPopupEdit(AOwner, false) {}
  TkcPopupEdit(TComponent* AOwner, bool AIsInplace) : TkcPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcPopupEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcPopupEditProperties::StaticClass(); }
  TkcPopupEditProperties* Properties() const {
    return static_cast<TkcPopupEditProperties*>(TkcCustomEdit::Properties());
  }
};
