#pragma once
// The blob editor's control: a popup edit whose popup holds a memo (memo kind) or an image
// editor (picture kind) with the whole value, and Cancel and OK buttons; the popup's value goes
// back into the editor when the popup closes with acceptance. Closed, the editor paints the
// kind's icon or text through its view info.

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

// The image editor in the popup: the closing keys (Enter among them) close the popup; the
// image's own keys (clipboard) work as usual.
class TkcPopupImage : public TkcImage {
  VT_CLASS(TkcPopupImage, TkcImage)
public:
  explicit TkcPopupImage(TComponent* AOwner) : TkcImage(AOwner) {}
  TkcCustomBlobEdit* BlobEdit = nullptr;

protected:
  void KeyDown(WORD& Key, TShiftState Shift) override;
};

// The blob editor's popup: a character typed into the closed editor replaces the whole memo
// with MemoAutoReplace, else it is typed at the caret.
class TkcBlobEditPopupWindow : public TkcPopupEditPopupWindow {
  VT_CLASS(TkcBlobEditPopupWindow, TkcPopupEditPopupWindow)
public:
  using TkcPopupEditPopupWindow::TkcPopupEditPopupWindow;
  void SendCharToFocus(WPARAM ACharCode) override;
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

  // Null until the popup first opens for a memo (an image).
  TkcPopupMemo* PopupMemo() const { return fMemo; }
  TkcPopupImage* PopupImage() const { return fImage; }
  TkcButton* OkButton() const { return fOkButton; }
  TkcButton* CancelButton() const { return fCancelButton; }
  bool CanDropDown() override;
  void DropDown() override;
  TWinControl* GetPopupFocusedControl() override;
  // A picture popup takes the picture's size when PictureAutoSize asks.
  void GetPopupClientSize(SIZE& ASize) override;
  // The buttons keep to the right edge of the popup, however wide it turns out.
  void PositionPopupWindowChildren(const TRect& AClientRect) override;
  // The popup memo's whole text becomes AText, the caret after it, as the user's change.
  void ReplacePopupMemoText(const String& AText);
  // Closes the popup with the modal result a key or button gives.
  void ClosePopupWithResult(TModalResult AResult);
  // The class pictures are read with (pasting: the class a pasted bitmap becomes).
  TGraphicClass GetGraphicClass(bool APastingFromClipboard = false);
  // The class of the picture last taken from the popup (none when it was empty).
  TGraphicClass LastPictureGraphicClass() const { return fLastGraphicClass; }
  // The view info paints the icon or text; there is no inner window to show.
  bool IsInnerEditVisible() override { return false; }
  void UpdateDrawValue() override;
  void PropertiesChanged(TObject* Sender) override;
  TkcImageEditGraphicClassEvent OnGetGraphicClass;

protected:
  void Initialize() override;
  void CreatePopupWindow() override;
  void PopupWindowClosed(TObject* Sender) override;
  // Typing opens the popup only with ImmediatePopup.
  void DoEditKeyPress(char32_t& Key) override;
  // Takes the memo's text or the image's picture when the popup's result and the properties
  // allow it.
  void PostPopupValue();

private:
  void CreatePopupControls();
  void CreateButtons(bool AReadOnly);
  void PlaceButtons();
  void DestroyPopupControls();
  void PopupControlChanged();
  void DoAssignPicture();
  TPanel* fHost = nullptr;
  TPanel* fButtonBar = nullptr;
  TkcPopupMemo* fMemo = nullptr;
  TkcPopupImage* fImage = nullptr;
  TkcButton* fOkButton = nullptr;
  TkcButton* fCancelButton = nullptr;
  bool fPopupModified = false;
  int fButtonWidth = 0, fButtonHeight = 0;
  TGraphicClass fLastGraphicClass;
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
