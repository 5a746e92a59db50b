#pragma once
// The blob editor's control: a popup edit whose popup holds a memo with the whole value and
// Cancel and OK buttons; the memo's text goes back into the editor when the popup closes with
// acceptance.

#include "editors-extended/kcBlobEdit.h"
#include "editors-extended/kcButtons.h"
#include "editors-extended/kcMemo.h"
#include "platform/forms/ExtCtrls.h"

class TkcCustomBlobEdit;

// The memo in the popup: the closing keys close the popup before the memo sees them.
class TkcPopupMemo : public TkcMemo {
  VT_CLASS(TkcPopupMemo, TkcMemo)
public:
  explicit TkcPopupMemo(TComponent* AOwner) : TkcMemo(AOwner) {}
  TkcCustomBlobEdit* BlobEdit = nullptr;
  void DoEditKeyDown(WORD& Key, TShiftState Shift) override;
};

class TkcCustomBlobEdit : public TkcCustomPopupEdit {
  VT_CLASS(TkcCustomBlobEdit, TkcCustomPopupEdit)
public:
  explicit TkcCustomBlobEdit(TComponent* AOwner) : TkcCustomBlobEdit(AOwner, false) {}
  TkcCustomBlobEdit(TComponent* AOwner, bool AIsInplace) : TkcCustomBlobEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcCustomBlobEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomPopupEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  ~TkcCustomBlobEdit() override;

  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcCustomBlobEditProperties::StaticClass(); }
  TkcCustomBlobEditProperties* ActiveProperties() {
    return static_cast<TkcCustomBlobEditProperties*>(GetEffectiveProperties());
  }
  TkcCustomBlobEditProperties* Properties() const {
    return static_cast<TkcCustomBlobEditProperties*>(TkcCustomEdit::Properties());
  }

  // Null until the popup first opens for a memo.
  TkcPopupMemo* PopupMemo() const { return fMemo; }
  TkcButton* OkButton() const { return fOkButton; }
  TkcButton* CancelButton() const { return fCancelButton; }
  bool CanDropDown() override;
  void DropDown() override;
  TWinControl* GetPopupFocusedControl() override;
  // Closes the popup with the modal result a key or button gives.
  void ClosePopupWithResult(TModalResult AResult);

protected:
  void Initialize() override;
  void CreatePopupWindow() override;
  void PopupWindowClosed(TObject* Sender) override;
  // Takes the memo's text when the popup's result and the properties allow it.
  void PostPopupValue();

private:
  void CreatePopupControls();
  void DestroyPopupControls();
  TPanel* fHost = nullptr;
  TPanel* fButtonBar = nullptr;
  TkcPopupMemo* fMemo = nullptr;
  TkcButton* fOkButton = nullptr;
  TkcButton* fCancelButton = nullptr;
  bool fMemoModified = false;
};

class TkcBlobEdit : public TkcCustomBlobEdit {
  VT_CLASS(TkcBlobEdit, TkcCustomBlobEdit)
public:
  explicit TkcBlobEdit(TComponent* AOwner) : TkcBlobEdit(AOwner, false) {}
  TkcBlobEdit(TComponent* AOwner, bool AIsInplace) : TkcBlobEdit(AOwner, AIsInplace, TDeferCreation{}) {
    Initialize();
  }
  TkcBlobEdit(TComponent* AOwner, bool AIsInplace, TDeferCreation)
      : TkcCustomBlobEdit(AOwner, AIsInplace, TDeferCreation{}) {}
  TkcCustomEditPropertiesClass GetPropertiesClass() override { return TkcBlobEditProperties::StaticClass(); }
  TkcBlobEditProperties* Properties() const {
    return static_cast<TkcBlobEditProperties*>(TkcCustomEdit::Properties());
  }
};
